// KFCurve: evaluation, extrapolation and the values of a segment.

#include "scenesdk/animation/KFCurve.h"

#include "scenesdk/animation/KFCurveInternal.h"

#include <cmath>

namespace scenesdk
{

using namespace fcurve_detail;

namespace
{

float Lerp(float a, float b, float u)
{
    return a + (b - a) * u;
}

// Cubic Bezier by repeated linear interpolation.
float Bezier(float p0, float p1, float p2, float p3, float u)
{
    const float a = Lerp(p0, p1, u);
    const float b = Lerp(p1, p2, u);
    const float c = Lerp(p2, p3, u);
    const float d = Lerp(a, b, u);
    const float e = Lerp(b, c, u);
    return Lerp(d, e, u);
}

// Parameter sigma with X(sigma) = u for the time Bezier 0, wr, 1 - wl, 1, by
// the secant method in float. A zero denominator ends the iteration (the
// last estimate stands); the result is kept inside [0, 1].
float SolveWeighted(float wr, float wl, float u)
{
    auto residual = [&](float s) { return Bezier(0.0f, wr, 1.0f - wl, 1.0f, s) - u; };
    float previous = 0.0f;
    float current = 1.0f;
    float fPrevious = residual(previous);
    float fCurrent = residual(current);
    if (std::fabs(fPrevious) < std::fabs(fCurrent))
    {
        std::swap(previous, current);
        std::swap(fPrevious, fCurrent);
    }
    for (int step = 0; step < 15 && fCurrent != 0.0f; ++step)
    {
        const float denominator = fCurrent - fPrevious;
        if (denominator == 0.0f)
        {
            break;
        }
        const float delta = (previous - current) * fCurrent / denominator;
        previous = current;
        fPrevious = fCurrent;
        current += delta;
        fCurrent = residual(current);
        if (std::fabs(delta) < 1e-6f)
        {
            break;
        }
    }
    return current < 0.0f ? 0.0f : (current > 1.0f ? 1.0f : current);
}

__int128 Clamp128(__int128 v)
{
    return v > kInfinity ? kInfinity : (v < INT64_MIN ? INT64_MIN : v);
}

bool IsRepeating(uint32_t mode)
{
    return mode == KFCURVE_EXTRAPOLATION_REPETITION || mode == KFCURVE_EXTRAPOLATION_MIRROR_REPETITION;
}

} // namespace

// ---------------------------------------------------------------- evaluation

float KFCurve::Evaluate(KTime time, int* hint)
{
    float value = 0.0f;
    if (KeepSlope(Ticks(time), value))
    {
        return value;
    }
    return EvaluateAtKeyPosition(FindKeyExtrapolated(time, hint));
}

// Keep-slope extrapolation: a line through the end key with that key's
// outer slope, flat again beyond count spans (unless the count is endless).
bool KFCurve::KeepSlope(int64_t t, float& value)
{
    if (mKeyCount < 2)
    {
        return false;
    }
    const int64_t t0 = Ticks(Key(0).mTime);
    const int64_t tl = Ticks(Key(mKeyCount - 1).mTime);
    const __int128 span = static_cast<__int128>(tl) - t0;
    if (t < t0 && mPreExtrapolation == KFCURVE_EXTRAPOLATION_KEEP_SLOPE)
    {
        const __int128 limit = Clamp128(t0 - span * mPreRepetition);
        int64_t end = t;
        if (t < limit && mPreRepetition != KFCURVE_REPETITION_FOREVER)
        {
            end = static_cast<int64_t>(limit);
        }
        value = static_cast<float>(Key(0).mValue + GetKeyRightDerivative(0) * SecondsBetween(t0, end));
        return true;
    }
    if (t > tl && mPostExtrapolation == KFCURVE_EXTRAPOLATION_KEEP_SLOPE)
    {
        const __int128 limit = Clamp128(tl + span * mPostRepetition);
        int64_t end = t;
        if (t > limit && mPostRepetition != KFCURVE_REPETITION_FOREVER)
        {
            end = static_cast<int64_t>(limit);
        }
        value = static_cast<float>(Key(mKeyCount - 1).mValue +
                                   GetKeyLeftDerivative(mKeyCount - 1) * SecondsBetween(tl, end));
        return true;
    }
    return false;
}

float KFCurve::EvaluateCached(KTime time, int* hint)
{
    if (time == mCacheTime && Ticks(time) != kInfinity)
    {
        return mCacheValue;
    }
    const float value = Evaluate(time, hint);
    mCacheTime = time;
    mCacheValue = value;
    return value;
}

void KFCurve::SetCache(KTime time, float value)
{
    mCacheTime = time;
    mCacheValue = value;
}

double KFCurve::FindKeyExtrapolated(KTime time, int* hint)
{
    if (mKeyCount == 0)
    {
        return -1.0;
    }
    const int64_t t = Ticks(time);
    if (t < Ticks(Key(0).mTime))
    {
        return PositionBefore(t, hint);
    }
    if (t > Ticks(Key(mKeyCount - 1).mTime))
    {
        return PositionAfter(t, hint);
    }
    return FindKey(time, hint);
}

// t before key 0. The period arithmetic runs in 128 bits: count x span and
// t - t0 cannot overflow there.
double KFCurve::PositionBefore(int64_t t, int* hint)
{
    int& h = hint != nullptr ? *hint : mSearchHint;
    const int64_t t0 = Ticks(Key(0).mTime);
    const int64_t tl = Ticks(Key(mKeyCount - 1).mTime);
    const __int128 span = static_cast<__int128>(tl) - t0;
    if (!IsRepeating(mPreExtrapolation) || span <= 0 || t <= t0 - span * mPreRepetition)
    {
        h = 0;
        return 0.0;
    }
    const __int128 delta = static_cast<__int128>(t) - t0; // negative
    const __int128 n = -(delta / span);
    const __int128 offset = delta + n * span; // in (-span, 0]
    int64_t search = static_cast<int64_t>(tl + offset);
    if (mPreExtrapolation == KFCURVE_EXTRAPOLATION_MIRROR_REPETITION && n % 2 == 0)
    {
        search = static_cast<int64_t>(t0 - offset);
    }
    return FindKey(FromTicks(search), hint);
}

double KFCurve::PositionAfter(int64_t t, int* hint)
{
    int& h = hint != nullptr ? *hint : mSearchHint;
    const int64_t t0 = Ticks(Key(0).mTime);
    const int64_t tl = Ticks(Key(mKeyCount - 1).mTime);
    const __int128 span = static_cast<__int128>(tl) - t0;
    if (!IsRepeating(mPostExtrapolation) || span <= 0 || t >= tl + span * mPostRepetition)
    {
        h = mKeyCount - 1;
        return mKeyCount - 1;
    }
    const __int128 delta = static_cast<__int128>(t) - tl; // positive
    const __int128 n = delta / span;
    const __int128 offset = delta - n * span; // in [0, span)
    int64_t search = static_cast<int64_t>(t0 + offset);
    if (mPostExtrapolation == KFCURVE_EXTRAPOLATION_MIRROR_REPETITION && n % 2 == 0)
    {
        search = static_cast<int64_t>(tl - offset);
    }
    return FindKey(FromTicks(search), hint);
}

float KFCurve::EvaluateAtKeyPosition(double position) const
{
    if (mKeyCount == 0)
    {
        return mDefaultValue;
    }
    if (mKeyCount == 1 || !(position > 0.0))
    {
        return Key(0).mValue;
    }
    if (position >= mKeyCount - 1)
    {
        return Key(mKeyCount - 1).mValue;
    }
    const int i = static_cast<int>(std::floor(position));
    const int j = static_cast<int>(std::ceil(position));
    const float u = static_cast<float>(position - i);
    const KFKeyRecord& ki = Key(i);
    const KFKeyRecord& kj = Key(j);
    if (i == j)
    {
        return ki.mValue;
    }
    switch (ki.GetInterpolation())
    {
    case KFCURVE_INTERPOLATION_CONSTANT:
        return ki.GetConstantMode() == KFCURVE_CONSTANT_NEXT ? kj.mValue : ki.mValue;
    case KFCURVE_INTERPOLATION_LINEAR:
        return ki.mValue + (kj.mValue - ki.mValue) * u;
    case KFCURVE_INTERPOLATION_CUBIC:
        break;
    default:
        return 0.0f;
    }
    const float d = static_cast<float>(SecondsBetween(Ticks(ki.mTime), Ticks(kj.mTime)));
    const float right = static_cast<float>(GetKeyRightDerivative(i));
    const float left = static_cast<float>(GetKeyLeftDerivative(j));
    if ((ki.mFlags & KFCURVE_WEIGHTED_ALL) == 0)
    {
        return Bezier(ki.mValue, ki.mValue + right * d / 3.0f, kj.mValue - left * d / 3.0f, kj.mValue, u);
    }
    const float wr = GetKeyRightWeight(i);
    const float wl = GetKeyLeftWeight(j);
    const float sigma = SolveWeighted(wr, wl, u);
    return Bezier(ki.mValue, ki.mValue + right * d * wr, kj.mValue - left * d * wl, kj.mValue, sigma);
}

double KFCurve::EvaluateLeftDerivative(KTime time, int* hint)
{
    if (mKeyCount < 2 || time < Key(0).mTime || time > Key(mKeyCount - 1).mTime)
    {
        return 0.0;
    }
    const double p = FindKey(time, hint);
    if (p == std::floor(p))
    {
        return GetKeyLeftDerivative(static_cast<int>(p));
    }
    const int i = static_cast<int>(std::floor(p));
    const KFKeyRecord& ki = Key(i);
    const KFKeyRecord& kj = Key(i + 1);
    const double d = SecondsBetween(Ticks(ki.mTime), Ticks(kj.mTime));
    const double u = p - i;
    switch (ki.GetInterpolation())
    {
    case KFCURVE_INTERPOLATION_LINEAR:
        return d > 0.0 ? (kj.mValue - ki.mValue) / d : 0.0;
    case KFCURVE_INTERPOLATION_CUBIC:
    {
        const double p0 = ki.mValue;
        const double p1 = p0 + GetKeyRightDerivative(i) * d / 3.0;
        const double p3 = kj.mValue;
        const double p2 = p3 - GetKeyLeftDerivative(i + 1) * d / 3.0;
        const double v = 1.0 - u;
        const double dv = 3.0 * (v * v * (p1 - p0) + 2.0 * u * v * (p2 - p1) + u * u * (p3 - p2));
        return d > 0.0 ? dv / d : 0.0;
    }
    default:
        return 0.0;
    }
}

double KFCurve::EvaluateRightDerivative(KTime time, int* hint)
{
    if (mKeyCount < 2 || time < Key(0).mTime || time > Key(mKeyCount - 1).mTime)
    {
        return 0.0;
    }
    const double p = FindKey(time, hint);
    if (p == std::floor(p))
    {
        return GetKeyRightDerivative(static_cast<int>(p));
    }
    // Inside a segment both sides agree.
    return EvaluateLeftDerivative(time, hint);
}

} // namespace scenesdk
