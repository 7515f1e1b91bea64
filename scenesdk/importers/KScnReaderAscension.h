#pragma once

// KScnReaderAscension: the reader of Ascension (BRD) files. Their layout
// is not known to this build, so every file is refused with error 7 and a
// message that says so (see KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderAscension : public KScnForeignReader
{
public:
    explicit KScnReaderAscension(KScnSdkManager* manager) : KScnForeignReader(manager, "Ascension") {}
};

} // namespace scenesdk
