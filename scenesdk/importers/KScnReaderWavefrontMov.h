#pragma once

// KScnReaderWavefrontMov: the reader of Wavefront motion (MOV) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderWavefrontMov : public KScnForeignReader
{
public:
    explicit KScnReaderWavefrontMov(KScnSdkManager* manager) : KScnForeignReader(manager, "Wavefront MOV") {}
};

} // namespace scenesdk
