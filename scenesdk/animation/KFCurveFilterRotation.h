#pragma once

// Helpers shared by the rotation filters (unroll and gimbal): a temporary
// rotation channel around three caller-owned curves, and the checks and
// copies both filters make on a rotation channel. Not part of the public
// interface.

#include "scenesdk/animation/KTime.h"

namespace scenesdk
{

class KFCurve;
class KFCurveNode;

// A rotation node "R" (layer type 2) with children "X", "Y", "Z" that carry
// three caller-owned curves for the lifetime of this object; the curves are
// detached again before the nodes are destroyed. The node has the rotation
// order given (a KFCurveNode order code: 2 x the Euler order, 12 spheric).
class KFCurveFilterRotationNode
{
public:
    explicit KFCurveFilterRotationNode(KFCurve** curves, int rotationOrder = 0);
    ~KFCurveFilterRotationNode();
    KFCurveFilterRotationNode(const KFCurveFilterRotationNode&) = delete;
    KFCurveFilterRotationNode& operator=(const KFCurveFilterRotationNode&) = delete;

    // Null when memory ran out.
    KFCurveNode* Get() const { return mNode; }

private:
    // Lets go of the curves and deletes the node.
    void Release();

    KFCurveNode* mNode;
};

// The curves of children 0, 1, 2, or false when the node does not have
// exactly three children that all carry curves.
bool KFCurveFilterRotationCurves(KFCurveNode& node, KFCurve** curves);

// Key synchronisation of three curves over [start, stop] when they need it.
void KFCurveFilterSyncRotation(KFCurve** curves, KTime start, KTime stop);

} // namespace scenesdk
