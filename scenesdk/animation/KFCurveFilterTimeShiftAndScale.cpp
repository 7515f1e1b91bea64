#include "scenesdk/animation/KFCurveFilterTimeShiftAndScale.h"

#include "scenesdk/animation/KFCurve.h"

namespace scenesdk
{

namespace
{

const char* const kMessages[] = {"No key", "Left unchanged"};

} // namespace

KFCurveFilterTimeShiftAndScale::KFCurveFilterTimeShiftAndScale()
    : KFCurveFilter("TimeShiftAndScaleFilter", kMessages, 2), mShift(0), mScale(1.0)
{
    // No reset: the span is not used by this filter and stays 0 to 0 until
    // Reset makes it the whole time line.
}

bool KFCurveFilterTimeShiftAndScale::ApplyToCurve(KFCurve& curve)
{
    if (mShift == KTime(0) && !Scales())
    {
        SetError(eLeftUnchanged, "TimeShiftAndScaleFilter, No key were changed by filter.");
        return false;
    }
    const int count = curve.GetKeyCount();
    if (count == 0)
    {
        SetError(eNoKey, "TimeShiftAndScaleFilter, No key to be filtered.");
        return false;
    }
    curve.BeginKeyChanges();
    for (int i = 0; i < count; ++i)
    {
        KTime t = curve.GetKeyTime(i) + mShift;
        if (Scales())
        {
            t.SetSeconds(t.GetSeconds() * mScale);
        }
        curve.SetKeyTime(i, t);
    }
    curve.EndKeyChanges();
    return true;
}

bool KFCurveFilterTimeShiftAndScale::ApplyToCurves(KFCurve** curves, int count)
{
    return ApplyFilterToCurves(curves, count);
}

bool KFCurveFilterTimeShiftAndScale::ApplyToNode(KFCurveNode& node, bool recursive)
{
    return ApplyToNodeCurves(node, recursive);
}

} // namespace scenesdk
