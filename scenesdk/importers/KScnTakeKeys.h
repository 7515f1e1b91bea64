#pragma once

// KScnTakeKeys: keying motion onto nodes, for the motion-capture readers.
// A reader names its take on the import builder (KScnImportBuilder::AddTake,
// so that every node read gets the take and the scene records it), then for
// each animated channel gets the node's curve in that take and appends its
// samples:
//
//     builder.AddTake("Take 001");
//     KFCurve* tx = KScnTakeKeys::GetCurve(node, "Take 001", KScnTakeKeys::eTranslation, 0);
//     KScnTakeKeys::AppendFrames(tx, values, frameCount, 1, rate);
//
// Rotations are Euler angles in degrees, as the node's rotation channels
// hold them; translations in scene units.

#include "scenesdk/animation/KTime.h"

#include <cstddef>

namespace scenesdk
{

class KFCurve;
class KScnNode;

class KScnTakeKeys
{
public:
    enum EChannel
    {
        eTranslation = 0,
        eRotation = 1,
        eScaling = 2
    };

    // The curve of the channel's component (0 x, 1 y, 2 z) in the node's take
    // of that name; the node is given the take when it lacks it. Null for a
    // null node, an unknown channel or component, or a failed take.
    static KFCurve* GetCurve(KScnNode* node, const char* take, EChannel channel, int component);

    // Appends count keys: key i at time start + i / frameRate seconds with
    // value values[i * stride], linear interpolation. False (nothing added)
    // for a null curve, a frame rate not above zero, a stride of 0 or keys
    // that would not come after the curve's last key.
    static bool AppendFrames(KFCurve* curve, const double* values, size_t count, size_t stride,
                             double frameRate, KTime start = KTime(0));
    // One linear key at a time in seconds; false when it would not come after
    // the curve's last key.
    static bool AppendKey(KFCurve* curve, double seconds, double value);
};

} // namespace scenesdk
