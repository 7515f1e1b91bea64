#pragma once

// KScnReader3DS: the reader of 3D Studio (3DS) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReader3DS : public KScnForeignReader
{
public:
    explicit KScnReader3DS(KScnSdkManager* manager) : KScnForeignReader(manager, "3DS") {}
};

} // namespace scenesdk
