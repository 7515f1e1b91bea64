#pragma once

// KScnReaderAcclaimAsf: the reader of Acclaim skeleton (ASF) files. The
// skeleton joins the scene at rest: a root node and a node per bone in the
// file's hierarchy, with their rest frames, rotation orders and end nodes
// (see KScnAcclaimSceneBuilder); no take. Options: KStreamOptionsAcclaim
// (unit scale, axis conversion).
//
// Refused with error 0 and the reason ("line 40: dof repeats rx"): any fault
// KScnAsfParser finds, a cycle or a nesting too deep among them.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"

namespace scenesdk
{

class KScnReaderAcclaimAsf : public KScnForeignReaderOf<KStreamOptionsAcclaim>
{
public:
    explicit KScnReaderAcclaimAsf(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "ASF") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsAcclaim& options) override;
};

} // namespace scenesdk
