#pragma once

// KScnReaderAscension: the reader of Ascension files. No public description of
// their layout is known, so every file is refused with error 7 and a message
// that says so (see KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderAscension : public KScnForeignReader
{
public:
    explicit KScnReaderAscension(KScnSdkManager* manager) : KScnForeignReader(manager, "Ascension") {}
};

} // namespace scenesdk
