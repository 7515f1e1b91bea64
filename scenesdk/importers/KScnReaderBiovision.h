#pragma once

// KScnReaderBiovision: the reader of Biovision motion (BVH) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderBiovision : public KScnForeignReader
{
public:
    explicit KScnReaderBiovision(KScnSdkManager* manager) : KScnForeignReader(manager, "BVH") {}
};

} // namespace scenesdk
