#pragma once

// KScnReaderAcclaimAmc: the reader of Acclaim motion (AMC) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderAcclaimAmc : public KScnForeignReader
{
public:
    explicit KScnReaderAcclaimAmc(KScnSdkManager* manager) : KScnForeignReader(manager, "AMC") {}
};

} // namespace scenesdk
