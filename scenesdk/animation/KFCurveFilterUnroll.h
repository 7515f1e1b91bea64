#pragma once

// KFCurveFilterUnroll ("Unroll Filter"): makes the three Euler-angle curves
// of a rotation channel continuous. Walking the keys of the span in order,
// each angle triple is replaced by the equivalent triple (same orientation,
// in the channel's rotation order) closest to the previous result, which
// removes the whole-turn jumps and 180-degree flips left by conversions.
// The first key of the curves is unrolled toward (0, 0, 0); a span that
// starts later keeps its first key as it is. Rotation order 12 (spheric)
// is not unrolled, but the curves still come back key-synchronised.
//
// With the path flag, the reference only moves on to a result when the
// orientation moved at least `quality` times as much (squared) as the angles
// did, so wobbling angles are pulled back toward a steadier reference.
//
// Works only on rotation channels: the curve form always fails, the array
// form needs exactly three curves (X, Y, Z).

#include "scenesdk/animation/KFCurveFilter.h"

namespace scenesdk
{

class KFCurveFilterUnroll : public KFCurveFilter
{
public:
    enum EError
    {
        eNoKey = 0,
        eLeftUnchanged = 1,
        eNeedRotationNode = 2,
        eUnexpected = 3
    };

    KFCurveFilterUnroll();

    bool ApplyToCurve(KFCurve& curve) override;
    bool ApplyToCurves(KFCurve** curves, int count) override;
    // The node itself only; the recursive flag is not used.
    bool ApplyToNode(KFCurveNode& node, bool recursive = true) override;
    void Reset() override;

    double GetQuality() const { return mQuality; }
    void SetQuality(double quality) { mQuality = quality; }
    bool GetPathFlag() const { return mPathFlag; }
    void SetPathFlag(bool flag) { mPathFlag = flag; }

    // The closest equivalent of cur to prev, first, middle and last axis
    // given by axes (angles in degrees).
    static void ClosestTriple(double* out, const double* prev, const double* cur, const int* axes);
    // Squared orientation change (degrees) over squared angle change between
    // two XYZ triples; 100 when the angles are equal.
    static double PathMeasure(const double* prev, const double* next);

private:
    // Unrolls keys first..last of three synchronised curves in place (no
    // event); changed[c]: whether curve c's values changed.
    void UnrollKeys(KFCurve* const* curves, int first, int last, int order, bool* changed) const;
    // The whole time line of curves holding the same increasing key times:
    // the keys rewritten where they are, with what replacing the channel's
    // keys by an unrolled copy would also do.
    void UnrollInPlace(KFCurveNode& node, KFCurve* const* curves) const;

    double mQuality;
    bool mPathFlag;
};

} // namespace scenesdk
