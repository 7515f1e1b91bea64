#pragma once

// KScnReaderPuppeteer: the reader of Puppeteer files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderPuppeteer : public KScnForeignReader
{
public:
    explicit KScnReaderPuppeteer(KScnSdkManager* manager) : KScnForeignReader(manager, "Puppeteer") {}
};

} // namespace scenesdk
