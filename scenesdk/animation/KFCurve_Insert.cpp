// KFCurve: inserting keys on the curve while keeping its shape.

#include "scenesdk/animation/KFCurve.h"

#include "scenesdk/animation/KFCurveInternal.h"

#include <cmath>

namespace scenesdk
{

using namespace fcurve_detail;

namespace
{

// The new or rewritten key's record: cubic TCB keys get a plain TCB record
// (continuity -1 for a break), every other kind zero data, 1/3 weights.
KFKeyRecord BuildRecord(KTime time, float value, uint32_t interpolation, uint32_t tangentMode,
                        bool breakTangent)
{
    KFKeyRecord record{};
    if (interpolation == KFCURVE_INTERPOLATION_CUBIC && tangentMode == KFCURVE_TANGENT_TCB)
    {
        record.SetTCB(time, value, 0.0f, breakTangent ? -1.0f : 0.0f, 0.0f);
    }
    else
    {
        record.Set(time, value, interpolation, tangentMode);
    }
    return record;
}

} // namespace

// Puts back the slopes of a neighbour of a new key: the side facing the new
// key always, and both sides of an auto key, whose slopes follow the secants
// that the new key changed.
void KFCurve::RestoreSlopes(int index, KFCurveTangent left, KFCurveTangent right, bool facingRight)
{
    double a, c;
    SecantsAround(index, a, c);
    const KFKeyRecord& key = Key(index);
    const bool autoKey =
        key.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC && IsAutoKind(key.GetTangentMode());
    left.mAuto = static_cast<float>(LeftBiasFromSlope(a, c, left.mDerivative));
    right.mAuto = static_cast<float>(RightBiasFromSlope(a, c, right.mDerivative));
    if (autoKey || !facingRight)
    {
        SetKeyLeftTangent(index, left);
    }
    if (autoKey || facingRight)
    {
        SetKeyRightTangent(index, right);
    }
}

int KFCurve::InsertKey(KTime time, int* hint)
{
    if (mKeyCount == 0)
    {
        AddKeyAt(time, hint);
        return 0;
    }
    int i = static_cast<int>(std::ceil(FindKey(time, hint)));
    i = i > mKeyCount - 1 ? mKeyCount - 1 : (i < 0 ? 0 : i);
    if (Key(i).mTime == time)
    {
        return i;
    }
    const KFKeyRecord& reference = Key(i >= 1 ? i - 1 : 0);
    const uint32_t interpolation = reference.GetInterpolation();
    const uint32_t tangent = reference.GetTangentMode();
    EvaluateCached(time, hint);
    InsertKeyAtCache(hint, interpolation, tangent, false, true);
    // The key now at that time: at i, or a new last key after key i.
    int at = i;
    const double p = FindKey(time, &at);
    return static_cast<int>(p);
}

bool KFCurve::InsertKeyAtCache(int* hint, uint32_t interpolation, uint32_t tangentMode, bool breakTangent,
                               bool replace, KTime time, double tolerance)
{
    if (Ticks(time) != kInfinity)
    {
        mCacheTime = time;
    }
    if (Ticks(mCacheTime) == kInfinity)
    {
        return false;
    }
    const KTime cacheTime = mCacheTime;
    const float cacheValue = mCacheValue;
    BeginKeyChanges();

    int lo = -1;
    int hi = 0;
    int k = -1;
    KFCurveTangent loLeft;
    KFCurveTangent loRight;
    KFCurveTangent hiLeft;
    KFCurveTangent hiRight;
    KFCurveTangent left;
    KFCurveTangent right;
    if (mKeyCount > 0)
    {
        const double p = FindKey(cacheTime);
        lo = static_cast<int>(std::floor(p + tolerance));
        hi = static_cast<int>(std::ceil(p - tolerance));
        if (lo == hi && Valid(lo))
        {
            k = lo;
            lo = k - 1;
            hi = k + 1;
        }
        else
        {
            // No key within the tolerance: the neighbours of the new key.
            lo = static_cast<int>(std::floor(p));
            hi = lo + 1;
        }
        if (Valid(lo))
        {
            loRight = GetKeyRightTangent(lo);
            loLeft = GetKeyLeftTangent(lo);
        }
        if (Valid(hi))
        {
            hiLeft = GetKeyLeftTangent(hi);
            hiRight = GetKeyRightTangent(hi);
        }
    }

    if (k >= 0)
    {
        left = GetKeyLeftTangent(k);
        right = GetKeyRightTangent(k);
        if (!replace)
        {
            SetKeyValue(k, cacheValue);
            SetKeyTime(k, cacheTime);
        }
        else
        {
            const KFKeyRecord record =
                BuildRecord(cacheTime, cacheValue, interpolation, tangentMode, breakTangent);
            Key(k) = record;
            KeyChanged(k, KFCURVEEVENT_KEY_REPLACED);
        }
    }
    else
    {
        left.mDerivative = static_cast<float>(EvaluateLeftDerivative(cacheTime));
        right.mDerivative = static_cast<float>(EvaluateRightDerivative(cacheTime));
        KFKeyRecord record = BuildRecord(cacheTime, cacheValue, interpolation, tangentMode, breakTangent);
        if (breakTangent && interpolation == KFCURVE_INTERPOLATION_CUBIC &&
            tangentMode == KFCURVE_TANGENT_AUTO)
        {
            record.SetTangentMode(KFCURVE_TANGENT_AUTO_BREAK);
            record.mData[0] = 100.0f;
        }
        k = AddKey(cacheTime, record, hint);
        hi = k + 1;
        // An auto key keeps a bias: the one that gives the slope taken from
        // the curve, with the secants of its new neighbours.
        double a, c;
        SecantsAround(k, a, c);
        left.mAuto = static_cast<float>(LeftBiasFromSlope(a, c, left.mDerivative));
        right.mAuto = static_cast<float>(RightBiasFromSlope(a, c, right.mDerivative));
    }

    if (breakTangent)
    {
        left.mDerivative = right.mDerivative = 0.0f;
        left.mAuto = right.mAuto = 100.0f;
        KFKeyRecord& key = Key(k);
        if (key.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC)
        {
            if (key.GetTangentMode() == KFCURVE_TANGENT_AUTO)
            {
                key.SetTangentMode(KFCURVE_TANGENT_AUTO_BREAK);
            }
            else if (key.GetTangentMode() == KFCURVE_TANGENT_TCB)
            {
                key.SetTCB(key.mTime, key.mValue, 0.0f, -1.0f, 0.0f);
            }
        }
    }

    SetKeyLeftTangent(k, left);
    SetKeyRightTangent(k, right);
    // The neighbours keep their slopes. Auto slopes depend on the secants,
    // which the new key changes on both sides of each neighbour, so an auto
    // neighbour gets the biases that give its old slopes again.
    if (Valid(lo) && lo != k)
    {
        RestoreSlopes(lo, loLeft, loRight, true);
    }
    if (Valid(hi) && hi != k)
    {
        RestoreSlopes(hi, hiLeft, hiRight, false);
    }
    EndKeyChanges();
    return true;
}

} // namespace scenesdk
