#pragma once

// KScnReaderAcclaimAsf: the reader of Acclaim skeleton (ASF) files. The
// skeleton joins the scene at rest: a root node and a node per bone in the
// file's hierarchy, with their rest frames, rotation orders and end nodes
// (see KScnAcclaimSceneBuilder); no take. Options: KStreamOptionsAcclaim
// (unit scale, axis conversion).
//
// Refused with error 0 and the reason ("line 40: dof repeats rx"): any fault
// KScnAsfParser finds, a cycle or a nesting too deep among them.

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderAcclaimAsf : public KScnForeignReader
{
public:
    explicit KScnReaderAcclaimAsf(KScnSdkManager* manager) : KScnForeignReader(manager, "ASF") {}

protected:
    bool IsReadable() const override { return true; }
    KStreamOptionsScn* CreateOptions() const override;
    bool ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& options) override;
};

} // namespace scenesdk
