#pragma once

// KStreamOptions3DS: what a caller may choose when reading a 3D Studio mesh
// file (KScnReader3DS). The shared unit scale and axis conversion apply to
// positions (3DS files are Z up: eAxisZUpToYUp gives the scene's Y up); the
// shared frame rate (30 by default) times the keyframer's frames, which the
// files do not time.

#include "scenesdk/importers/KStreamOptionsForeign.h"

namespace scenesdk
{

class KStreamOptions3DS : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x33445345; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    bool mReadMaterials = true;
    bool mReadTextures = true;
    // The keyframer's hierarchy and translation/rotation/scale tracks.
    bool mReadAnimation = true;
};

} // namespace scenesdk
