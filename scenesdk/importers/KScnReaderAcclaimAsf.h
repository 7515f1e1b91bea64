#pragma once

// KScnReaderAcclaimAsf: the reader of Acclaim skeleton (ASF) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderAcclaimAsf : public KScnForeignReader
{
public:
    explicit KScnReaderAcclaimAsf(KScnSdkManager* manager) : KScnForeignReader(manager, "ASF") {}
};

} // namespace scenesdk
