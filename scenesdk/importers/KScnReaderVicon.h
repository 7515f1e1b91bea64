#pragma once

// KScnReaderVicon: the reader of Vicon (C3D) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderVicon : public KScnForeignReader
{
public:
    explicit KScnReaderVicon(KScnSdkManager* manager) : KScnForeignReader(manager, "C3D") {}
};

} // namespace scenesdk
