#pragma once

// Helpers shared by the KFCurve sources; not part of the SDK interface.

#include "scenesdk/animation/KFKeyRecord.h"
#include "scenesdk/animation/KTime.h"

#include <cstdint>

namespace scenesdk
{
namespace fcurve_detail
{

constexpr int kKeysPerBlock = 25;
// The smallest offset a span replacement applies.
constexpr float kOffsetEpsilon = 1e-7f;
constexpr int kBlockBytes = 1024;
constexpr int kPointersPerStep = 64;
constexpr double kTicksPerSecond = 46186158000.0;
constexpr int64_t kInfinity = INT64_MAX;
constexpr int64_t kMinusInfinity = INT64_MIN + 1;

inline int64_t Ticks(KTime t)
{
    return t.Get();
}

inline KTime FromTicks(int64_t ticks)
{
    return KTime(ticks);
}

// b - a in seconds; a difference that overflows 64 bits (times near the
// infinities) is taken in 128 bits.
inline double SecondsBetween(int64_t a, int64_t b)
{
    int64_t d;
    if (!__builtin_sub_overflow(b, a, &d))
    {
        return static_cast<double>(d) / kTicksPerSecond;
    }
    return static_cast<double>(static_cast<__int128>(b) - a) / kTicksPerSecond;
}

// b - a in seconds where a division needs it; 1 when the keys are not in
// order (the reader removes such keys, so the value only keeps the result
// finite).
inline double SecondsBetweenOrOne(int64_t a, int64_t b)
{
    const double d = SecondsBetween(a, b);
    return d > 0.0 ? d : 1.0;
}

// Double to float without leaving the float range (file values may be
// anything); NaN stays NaN.
inline float ToFloat(double v)
{
    constexpr double kMax = 3.4028234663852886e38;
    return static_cast<float>(v > kMax ? kMax : (v < -kMax ? -kMax : v));
}

// One tick away from t, but the infinities stay where they are.
inline int64_t TickBefore(int64_t t)
{
    return (t == kInfinity || t <= kMinusInfinity) ? t : t - 1;
}
inline int64_t TickAfter(int64_t t)
{
    return (t == kInfinity || t <= kMinusInfinity) ? t : t + 1;
}

inline bool IsAutoKind(uint32_t tangent)
{
    return tangent == KFCURVE_TANGENT_AUTO || tangent == KFCURVE_TANGENT_AUTO_BREAK;
}
inline bool IsUserKind(uint32_t tangent)
{
    return tangent == KFCURVE_TANGENT_USER || tangent == KFCURVE_TANGENT_BREAK;
}

} // namespace fcurve_detail
} // namespace scenesdk
