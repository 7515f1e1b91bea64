#pragma once

// KScnReaderObj: the reader of Wavefront object (OBJ) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderObj : public KScnForeignReader
{
public:
    explicit KScnReaderObj(KScnSdkManager* manager) : KScnForeignReader(manager, "OBJ") {}
};

} // namespace scenesdk
