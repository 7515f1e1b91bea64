#pragma once

// KScnReaderMotionAnalysisTrc: the reader of Motion Analysis marker (TRC) files; recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderMotionAnalysisTrc : public KScnForeignReader
{
public:
    explicit KScnReaderMotionAnalysisTrc(KScnSdkManager* manager) : KScnForeignReader(manager, "TRC") {}
};

} // namespace scenesdk
