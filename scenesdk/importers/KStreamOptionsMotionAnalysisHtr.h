#pragma once

// KStreamOptionsMotionAnalysisHtr: what a caller may choose when reading a
// Motion Analysis HTR file (KScnReaderMotionAnalysisHtr). Lengths go from
// the file's "CalibrationUnits" (times its "ScaleFactor") to the scene's
// unit, mSceneUnit; only a file whose unit is not known is read with the
// shared unit scale (KStreamOptionsForeign::mUnitScale) instead. The axis
// conversion applies to positions and turns the rotations with them; the
// frame rate is the file's.

#include "scenesdk/importers/KStreamOptionsForeign.h"

#include <string>

namespace scenesdk
{

class KStreamOptionsMotionAnalysisHtr : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x48545253; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    // The take that receives the motion.
    std::string mTakeName = "Take 001";
    // Metres per scene unit (0.01: the scene counts in centimetres).
    double mSceneUnit = 0.01;
    // How "EulerRotationOrder" reads: the letters name the axes in the order
    // they turn a point ("ZYX": about Z first, then Y, then X; true), or the
    // reverse (false). Writers differ.
    bool mOrderLettersTurnFirst = true;
    // A segment without children gets a child "<segment>_End" at its
    // "BoneLength" along "BoneLengthAxis", so that its bone has an end.
    bool mAddEndNodes = true;
};

} // namespace scenesdk
