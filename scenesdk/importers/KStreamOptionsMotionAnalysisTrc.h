#pragma once

// KStreamOptionsMotionAnalysisTrc: what a caller may choose when reading a
// Motion Analysis TRC marker file (KScnReaderMotionAnalysisTrc). Positions
// go from the file's "Units" to the scene's unit, mSceneUnit; only a file
// whose unit is not known is read with the shared unit scale
// (KStreamOptionsForeign::mUnitScale) instead. The axis conversion applies to
// positions; the frame rate is the file's "DataRate".

#include "scenesdk/importers/KStreamOptionsForeign.h"

#include <string>

namespace scenesdk
{

class KStreamOptionsMotionAnalysisTrc : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x54524353; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    // The take that receives the motion.
    std::string mTakeName = "Take 001";
    // Metres per scene unit (0.01: the scene counts in centimetres).
    double mSceneUnit = 0.01;
};

} // namespace scenesdk
