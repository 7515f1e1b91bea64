#pragma once

// KScnReaderDxf: the reader of Drawing exchange (DXF) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderDxf : public KScnForeignReader
{
public:
    explicit KScnReaderDxf(KScnSdkManager* manager) : KScnForeignReader(manager, "DXF") {}
};

} // namespace scenesdk
