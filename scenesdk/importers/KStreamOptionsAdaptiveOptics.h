#pragma once

// KStreamOptionsAdaptiveOptics: what a caller may choose when reading an
// Adaptive Optics marker file (KScnReaderAdaptiveOptics, mode 0). The files
// state their frame rate ("hz") but not their unit: the shared unit scale
// turns file units into scene units, the shared axis conversion applies to
// the positions; the shared frame rate is not used.

#include "scenesdk/importers/KStreamOptionsForeign.h"

#include <string>

namespace scenesdk
{

class KStreamOptionsAdaptiveOptics : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x414f4144; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    // Markers are numbered from 1 after this prefix ("Marker1", ...).
    std::string mMarkerPrefix = "Marker";
    // A marker written as 0 0 0 is one the cameras lost in that frame (as
    // capture systems commonly write it): no key then. False keys it at the
    // origin.
    bool mZeroIsMissing = true;
};

} // namespace scenesdk
