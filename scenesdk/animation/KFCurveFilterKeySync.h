#pragma once

// KFCurveFilterKeySync ("FCurve Key Synchronizer"): gives a group of curves
// keys at the union of their key times inside the span, so that every curve
// has a key wherever any of them has one. Each new key is inserted so as to
// keep its curve's shape and carries the curve's own value at that time.
//
// At most 20 curves through the array form and 19 through a node (a node
// with 20 or more children is refused). The single-curve form always fails.

#include "scenesdk/animation/KFCurveFilter.h"

namespace scenesdk
{

class KFCurveFilterKeySync : public KFCurveFilter
{
public:
    enum EError
    {
        eNoKey = 0,
        eLeftUnchanged = 1,
        eMultipleKeyCount = 2,
        eUnsynchedKeys = 3,
        eTooManyCurves = 4
    };
    static constexpr int kMaxCurves = 20;

    KFCurveFilterKeySync();

    // One curve cannot be synchronised: error 1, false.
    bool NeedApply(KFCurve& curve) override;
    // True (with error 2 or 3 as the reason) when the curves' key counts or
    // key times differ; false when they already agree, have no key, or are
    // fewer than two.
    bool NeedApplyToCurves(KFCurve** curves, int count) override;
    // The array form over the curves of the node's direct children.
    bool NeedApplyToNode(KFCurveNode& node, bool recursive = true) override;

    bool ApplyToCurve(KFCurve& curve) override;
    bool ApplyToCurves(KFCurve** curves, int count) override;
    // The curves of the node's direct children; the node's own curve and
    // deeper levels are left alone. Every child must carry a curve.
    bool ApplyToNode(KFCurveNode& node, bool recursive = true) override;

private:
    // The children's curves, or false (with the error set) when the node has
    // too many children or a child without a curve.
    bool ChildCurves(KFCurveNode& node, KFCurve** curves, int& count);
};

} // namespace scenesdk
