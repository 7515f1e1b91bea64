#pragma once

// KScnTakeKeys: the curves of a node's take, for the readers that key
// motion. A reader names its take on the import builder
// (KScnImportBuilder::AddTake, so that every node read gets the take and the
// scene records it), then for each animated channel gets the node's curve in
// that take and appends keys: frame by frame through KScnMotionBuilder (the
// motion-capture readers), or one key at a time (AppendKey; 3DS tracks):
//
//     builder.AddTake("Take 001");
//     KFCurve* tx = KScnTakeKeys::GetCurve(node, "Take 001", KScnTakeKeys::eTranslation, 0);
//     KScnTakeKeys::AppendKey(tx, 0.5, 12.0);
//
// Rotations are Euler angles in degrees, as the node's rotation channels
// hold them; translations in scene units.

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

    // One linear key at a time in seconds; false when it would not come after
    // the curve's last key.
    static bool AppendKey(KFCurve* curve, double seconds, double value);
};

} // namespace scenesdk
