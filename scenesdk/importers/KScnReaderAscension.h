#pragma once

// KScnReaderAscension: the reader of Ascension motion-capture files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderAscension : public KScnForeignReader
{
public:
    explicit KScnReaderAscension(KScnSdkManager* manager) : KScnForeignReader(manager, "Ascension") {}
};

} // namespace scenesdk
