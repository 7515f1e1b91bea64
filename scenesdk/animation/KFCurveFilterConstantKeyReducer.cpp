#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveMerge.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <cstring>

namespace scenesdk
{

namespace
{

const char* const kMessages[] = {"No key", "Left unchanged"};

// Key k lies in [lo, hi] (single precision) and, when cubic, is plain auto.
bool FlatKey(const KFCurve& curve, int k, float lo, float hi)
{
    const float v = curve.GetKeyValue(k);
    if (!(v >= lo && v <= hi))
    {
        return false;
    }
    return curve.GetKeyInterpolation(k) != KFCURVE_INTERPOLATION_CUBIC || curve.IsKeyPlainAuto(k);
}

// Keys i - 2 .. i + 2 that lie within [s, e] are all flat.
bool FlatWindow(const KFCurve& curve, int i, int s, int e, float lo, float hi)
{
    for (int k = i + 2; k >= i - 2; --k)
    {
        if (k >= s && k <= e && !FlatKey(curve, k, lo, hi))
        {
            return false;
        }
    }
    return true;
}

bool NameIs(const char* name, const char* a, const char* b)
{
    return std::strcmp(name, a) == 0 || std::strcmp(name, b) == 0;
}

} // namespace

KFCurveFilterConstantKeyReducer::KFCurveFilterConstantKeyReducer()
    : KFCurveFilter("Constant Key Reducer", kMessages, 2)
{
    Reset();
}

void KFCurveFilterConstantKeyReducer::Reset()
{
    mTolerance = kDefaultTolerance;
    mTranslationTolerance = kDefaultTolerance;
    mRotationTolerance = kDefaultTolerance;
    mScalingTolerance = kDefaultScalingTolerance;
    mOtherTolerance = kDefaultTolerance;
    mKeepOneKey = false;
    KFCurveFilter::Reset();
}

bool KFCurveFilterConstantKeyReducer::ApplyToCurve(KFCurve& curve)
{
    if (curve.GetKeyCount() == 0)
    {
        SetError(eNoKey, "ConstantKeyReducer, No key to be filtered.");
        return false;
    }
    const int s = GetStartKeyIndex(curve);
    int e = GetStopKeyIndex(curve);
    int i = e;
    while (i >= s)
    {
        const double reference = curve.GetKeyValue(i);
        const float lo = static_cast<float>(reference - mTolerance);
        const float hi = static_cast<float>(reference + mTolerance);
        int first = i;
        int n = 0;
        while (i >= s)
        {
            if (!FlatWindow(curve, i, s, e, lo, hi))
            {
                // The failing key stays and never serves as a reference.
                --i;
                break;
            }
            first = i;
            ++n;
            --i;
        }
        if (n == 0)
        {
            continue;
        }
        if (n < curve.GetKeyCount())
        {
            curve.RemoveKeys(first, first + n - 1);
        }
        else if (mKeepOneKey)
        {
            curve.RemoveKeys(s + 1, e);
        }
        else
        {
            const float value = curve.GetKeyValue(0);
            curve.ClearKeys();
            curve.SetDefaultValue(value);
        }
        e -= n;
    }
    return true;
}

bool KFCurveFilterConstantKeyReducer::ApplyToCurves(KFCurve** curves, int count)
{
    return ApplyFilterToCurves(curves, count);
}

double KFCurveFilterConstantKeyReducer::ChannelTolerance(const KFCurveNode& node) const
{
    const char* name = node.GetName();
    const char* parent = node.GetParent() != nullptr ? node.GetParent()->GetName() : "";
    if (NameIs(name, "R", "Lcl Rotation") || NameIs(parent, "R", "Lcl Rotation"))
    {
        return mRotationTolerance;
    }
    if (NameIs(name, "S", "Lcl Scaling") || NameIs(parent, "S", "Lcl Scaling"))
    {
        return mScalingTolerance;
    }
    if (NameIs(name, "T", "Lcl Translation") || NameIs(parent, "T", "Lcl Translation"))
    {
        return mTranslationTolerance;
    }
    return mOtherTolerance;
}

bool KFCurveFilterConstantKeyReducer::ApplyToNode(KFCurveNode& node, bool recursive)
{
    // Trees of constant keys only are left as they are.
    if (HasOnlyInterpolation(node, KFCURVE_INTERPOLATION_CONSTANT, false))
    {
        return false;
    }
    const double saved = mTolerance;
    if (mTolerance == kDefaultTolerance)
    {
        mTolerance = ChannelTolerance(node);
    }
    const bool result = ApplyToNodeCurves(node, recursive);
    mTolerance = saved;
    return result;
}

} // namespace scenesdk
