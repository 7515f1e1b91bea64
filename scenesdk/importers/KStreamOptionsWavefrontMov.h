#pragma once

// KStreamOptionsWavefrontMov: what a caller must tell the reader of channel
// motion files (KScnReaderWavefrontMov), which hold nothing but numbers.
//
// mChannels names the channel of each column in order, "node.attribute":
// attributes translateX/Y/Z, rotateX/Y/Z (degrees) and scaleX/Y/Z (or tx,
// ty, tz, rx, ry, rz, sx, sy, sz; any case) drive the node's transform;
// any other attribute becomes a number channel of that name on the node.
// Without a list the columns go to generic channels "Channel1" ...
// "ChannelN" of one node "MOV". The shared frame rate (30 by default) and
// mFirstFrame time the rows; the unit scale multiplies the translations;
// the axis conversion is not used (a column is one axis already).

#include "scenesdk/importers/KStreamOptionsForeign.h"
#include "scenesdk/kernel/KScnNodeProperties.h"

#include <string>
#include <vector>

namespace scenesdk
{

class KStreamOptionsWavefrontMov : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x4d4f5643; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    std::vector<std::string> mChannels;
    // Row r is keyed at (mFirstFrame + r) / frame rate seconds.
    int mFirstFrame = 0;
    // The order the rotation columns were written for.
    int mRotationOrder = eEulerXYZ;
};

} // namespace scenesdk
