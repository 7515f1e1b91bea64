#pragma once

// KFCurveFilterTimeShiftAndScale ("TimeShiftAndScaleFilter"): moves every key
// of a curve in time, first by a shift, then by scaling the time about zero
// (through seconds, truncated to whole ticks). The span is not used: all keys
// move. A scale of at most 0 or exactly 1 leaves times unscaled.
//
// Unlike the other filters, the constructor sets only shift 0 and scale 1
// (no reset: start and stop stay 0), and Reset keeps shift and scale (it
// only makes the span the whole time line).

#include "scenesdk/animation/KFCurveFilter.h"

namespace scenesdk
{

class KFCurveFilterTimeShiftAndScale : public KFCurveFilter
{
public:
    enum EError
    {
        eNoKey = 0,
        eLeftUnchanged = 1
    };

    KFCurveFilterTimeShiftAndScale();

    bool ApplyToCurve(KFCurve& curve) override;
    bool ApplyToCurves(KFCurve** curves, int count) override;
    bool ApplyToNode(KFCurveNode& node, bool recursive = true) override;

    virtual const KTime& GetShift() const { return mShift; }
    virtual void SetShift(KTime shift) { mShift = shift; }
    virtual double GetScale() const { return mScale; }
    virtual void SetScale(double scale) { mScale = scale; }

private:
    bool Scales() const { return mScale > 0.0 && mScale != 1.0; }

    KTime mShift;
    double mScale;
};

} // namespace scenesdk
