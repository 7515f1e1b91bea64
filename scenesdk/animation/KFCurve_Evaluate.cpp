// KFCurve: evaluation, extrapolation and the values of a segment.

#include "scenesdk/animation/KFCurve.h"

#include "scenesdk/animation/KFCurveInternal.h"

#include <cmath>
#include <cstring>
#include <new>

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

// Zero when two records are the same bit for bit (padding included: a
// difference there only costs a recomputation).
uint64_t Word(const KFKeyRecord& record, int w)
{
    uint64_t word;
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(&record) + w * sizeof word, sizeof word);
    return word;
}

uint64_t BitDifference(const KFKeyRecord& a, const KFKeyRecord& b)
{
    static_assert(sizeof(KFKeyRecord) == 5 * sizeof(uint64_t), "five words");
    return (Word(a, 0) ^ Word(b, 0)) | (Word(a, 1) ^ Word(b, 1)) | (Word(a, 2) ^ Word(b, 2)) |
           (Word(a, 3) ^ Word(b, 3)) | (Word(a, 4) ^ Word(b, 4));
}

// Zero when two records hold the same time and value bit for bit.
uint64_t TimeValueDifference(const KFKeyRecord& a, const KFKeyRecord& b)
{
    uint32_t va;
    uint32_t vb;
    std::memcpy(&va, &a.mValue, sizeof va);
    std::memcpy(&vb, &b.mValue, sizeof vb);
    return static_cast<uint64_t>(va ^ vb) | static_cast<uint64_t>(a.mTime.Get() ^ b.mTime.Get());
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

KFCurve::SegmentCache* KFCurve::EvaluationCache()
{
    // Only a segment between two keys is cached.
    if (mKeyCount < 2)
    {
        return nullptr;
    }
    if (!mSegmentCache)
    {
        mSegmentCache.reset(new (std::nothrow) SegmentCache);
    }
    return mSegmentCache.get();
}

float KFCurve::Evaluate(KTime time, int* hint)
{
    // Inside the keys (the common case) no extrapolation applies.
    if (mKeyCount >= 2)
    {
        const int64_t t = Ticks(time);
        if (t >= Ticks(Key(0).mTime) && t <= Ticks(Key(mKeyCount - 1).mTime))
        {
            return SegmentValue(FindKey(time, hint), EvaluationCache());
        }
    }
    float value = 0.0f;
    if (KeepSlope(Ticks(time), value))
    {
        return value;
    }
    return SegmentValue(FindKeyExtrapolated(time, hint), EvaluationCache());
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
    return SegmentValue(position, nullptr);
}

float KFCurve::SegmentValue(double position, SegmentCache* cache) const
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
    // 0 < position < count - 1: the truncation is the floor.
    const int i = static_cast<int>(position);
    const KFKeyRecord& ki = Key(i);
    if (position == i)
    {
        return ki.mValue;
    }
    const int j = i + 1;
    const float u = static_cast<float>(position - i);
    const KFKeyRecord& kj = Key(j);
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
    float control[2];
    float weight[2];
    if (cache != nullptr && SegmentCached(*cache, i, ki, kj))
    {
        control[0] = cache->control1;
        control[1] = cache->control2;
        weight[0] = cache->rightWeight;
        weight[1] = cache->leftWeight;
    }
    else
    {
        CubicSegment(i, cache, control, weight);
    }
    if ((ki.mFlags & KFCURVE_WEIGHTED_ALL) == 0)
    {
        return Bezier(ki.mValue, control[0], control[1], kj.mValue, u);
    }
    const float sigma = SolveWeighted(weight[0], weight[1], u);
    return Bezier(ki.mValue, control[0], control[1], kj.mValue, sigma);
}

// True when the cache holds segment i computed from keys that are still the
// same bit for bit.
bool KFCurve::SegmentCached(const SegmentCache& cache, int i, const KFKeyRecord& ki,
                            const KFKeyRecord& kj) const
{
    if (cache.segment != i || cache.keyCount != mKeyCount)
    {
        return false;
    }
    // The segment's own keys whole; of the neighbours only what the secants
    // read. Inside a block the neighbours lie next to the segment's keys.
    uint64_t difference = BitDifference(cache.keys[1], ki) | BitDifference(cache.keys[2], kj);
    if (i > 0)
    {
        const KFKeyRecord& before = unsigned(i) % kKeysPerBlock != 0 ? (&ki)[-1] : Key(i - 1);
        difference |= TimeValueDifference(cache.keys[0], before);
    }
    if (i + 2 < mKeyCount)
    {
        const KFKeyRecord& after = unsigned(i + 2) % kKeysPerBlock != 0 ? (&kj)[1] : Key(i + 2);
        difference |= TimeValueDifference(cache.keys[3], after);
    }
    return difference == 0;
}

// The inner control values of the cubic segment i and, when it is
// weighted, its right and left weight; kept in the cache when one is given.
void KFCurve::CubicSegment(int i, SegmentCache* cache, float* control, float* weight) const
{
    const KFKeyRecord& ki = Key(i);
    const KFKeyRecord& kj = Key(i + 1);
    const float d = static_cast<float>(SecondsBetween(Ticks(ki.mTime), Ticks(kj.mTime)));
    const float right = static_cast<float>(GetKeyRightDerivative(i));
    const float left = static_cast<float>(GetKeyLeftDerivative(i + 1));
    if ((ki.mFlags & KFCURVE_WEIGHTED_ALL) == 0)
    {
        control[0] = ki.mValue + right * d / 3.0f;
        control[1] = kj.mValue - left * d / 3.0f;
        weight[0] = weight[1] = KFCURVE_DEFAULT_WEIGHT;
    }
    else
    {
        weight[0] = GetKeyRightWeight(i);
        weight[1] = GetKeyLeftWeight(i + 1);
        control[0] = ki.mValue + right * d * weight[0];
        control[1] = kj.mValue - left * d * weight[1];
    }
    if (cache != nullptr)
    {
        cache->segment = i;
        cache->keyCount = mKeyCount;
        for (int r = 0; r < 4; ++r)
        {
            const int k = i - 1 + r;
            if (k >= 0 && k < mKeyCount)
            {
                std::memcpy(static_cast<void*>(&cache->keys[r]), &Key(k), sizeof(KFKeyRecord));
            }
        }
        cache->control1 = control[0];
        cache->control2 = control[1];
        cache->rightWeight = weight[0];
        cache->leftWeight = weight[1];
    }
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
