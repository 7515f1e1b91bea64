#pragma once

// KStreamOptionsVicon: what a caller may choose when reading a C3D file
// (KScnReaderVicon). Positions go from the file's POINT:UNITS to the
// scene's unit, mSceneUnit; a file without units, or with a unit not known,
// is read with the shared unit scale (KStreamOptionsForeign::mUnitScale)
// instead. The axis conversion applies to positions (capture rooms are
// mostly Z up: eAxisZUpToYUp turns them to the scene's Y up); the frame rate
// is the file's.

#include "scenesdk/importers/KStreamOptionsForeign.h"

#include <string>

namespace scenesdk
{

class KStreamOptionsVicon : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x43334453; }
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
