#pragma once

// KStreamOptionsAcclaim: what a caller may choose when reading an Acclaim
// skeleton (KScnReaderAcclaimAsf) or motion (KScnReaderAcclaimAmc). The
// shared unit scale multiplies every length after the skeleton's own
// "units length" has divided it (so 1.0 keeps the skeleton's unit); the
// axis conversion turns the whole skeleton at its root.
//
// Neither file says how fast its frames run: mFrameRate is the motion's
// rate, 120 frames per second by default (the rate of the large public
// capture collections in this format; 30 and 60 are also common).

#include "scenesdk/importers/KStreamOptionsForeign.h"

#include <string>

namespace scenesdk
{

class KStreamOptionsAcclaim : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x41434c4d; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    KStreamOptionsAcclaim() { mFrameRate = 120.0; }

    // The skeleton of a motion file, as a path for the file system. Empty:
    // the ".asf" (or ".ASF") beside the motion file with the same stem.
    std::string mSkeletonFile;
};

} // namespace scenesdk
