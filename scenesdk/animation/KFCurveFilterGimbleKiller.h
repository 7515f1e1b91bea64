#pragma once

// KFCurveFilterGimbleKiller ("Gimble Killer"): rebuilds the three Euler-angle
// curves of a rotation channel so that consecutive keys never jump far in
// angle space. Each key is first unrolled toward the previous one (as the
// unroll filter does); where two consecutive keys still differ by a squared
// angle distance of 75 degrees² or more, more than 1/1200 s apart, keys are
// inserted along the shortest rotation between them, each time at the
// largest fraction 1/2, 1/4, ... of the remaining gap that stays within the
// limit. Every rebuilt key is cubic with an auto tangent.
//
// With the synchronise flag (the default) the three curves are first
// key-synchronised in place. Rotation order 12 is handled as spherical
// angles and not unrolled.

#include "scenesdk/animation/KFCurveFilter.h"

namespace scenesdk
{

class KFCurveFilterGimbleKiller : public KFCurveFilter
{
public:
    enum EError
    {
        eNoKey = 0,
        eLeftUnchanged = 1,
        eNot3Curves = 2,
        eNotRotationNode = 3
    };
    static constexpr double kJumpLimit = 75.0;                     // squared degrees
    static constexpr double kShortestStep = 0.0008333333333333334; // seconds

    KFCurveFilterGimbleKiller();

    // Always refused (error 2).
    bool ApplyToCurve(KFCurve& curve) override;
    // Exactly three curves (X, Y, Z), filtered in place.
    bool ApplyToCurves(KFCurve** curves, int count) override;
    // The node itself only; the recursive flag is not used.
    bool ApplyToNode(KFCurveNode& node, bool recursive = true) override;
    void Reset() override;

    int GetSynchronise() const { return mSynchronise; }
    void SetSynchronise(int flag) { mSynchronise = flag; }

private:
    int mSynchronise;
};

} // namespace scenesdk
