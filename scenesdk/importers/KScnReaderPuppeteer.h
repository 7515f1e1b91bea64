#pragma once

// KScnReaderPuppeteer: the reader of Puppeteer (VPM) files. Their layout
// is not known to this build, so every file is refused with error 7 and a
// message that says so (see KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderPuppeteer : public KScnForeignReader
{
public:
    explicit KScnReaderPuppeteer(KScnSdkManager* manager) : KScnForeignReader(manager, "Puppeteer") {}
};

} // namespace scenesdk
