#pragma once

// KStreamOptionsBiovision: what a caller may choose when reading a Biovision
// hierarchy (BVH) file (KScnReaderBiovision). BVH files do not state their
// length unit: every length (offsets, positions) is multiplied by the shared
// unit scale (KStreamOptionsForeign::mUnitScale, file units to scene units).
// The axis conversion applies to positions and turns the rotation channels
// with them; the frame rate is the file's.

#include "scenesdk/importers/KStreamOptionsForeign.h"

#include <string>

namespace scenesdk
{

class KStreamOptionsBiovision : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x42564853; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    // The take that receives the motion.
    std::string mTakeName = "Take 001";
    // Position channels of a joint other than a root: the value is the
    // joint's translation (true, the reading of most files, whose values
    // equal the OFFSET at rest) or is added to its OFFSET (false). A root's
    // position channels are always added to its OFFSET.
    bool mPositionsReplaceOffset = true;
};

} // namespace scenesdk
