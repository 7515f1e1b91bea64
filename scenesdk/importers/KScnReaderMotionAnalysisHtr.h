#pragma once

// KScnReaderMotionAnalysisHtr: the reader of Motion Analysis hierarchical (HTR) files; recognised, not read
// (see KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderMotionAnalysisHtr : public KScnForeignReader
{
public:
    explicit KScnReaderMotionAnalysisHtr(KScnSdkManager* manager) : KScnForeignReader(manager, "HTR") {}
};

} // namespace scenesdk
