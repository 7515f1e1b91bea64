#pragma once

// Number conversions for values taken from files and from callers: a double
// or a wide integer becomes the nearest value of the narrower type. NaN gives
// 0, values past either end give that end; fractions truncate toward zero.
// Every conversion of a number read from a scene file goes through these, so
// no input can reach an undefined cast.

#include <cmath>
#include <cstdint>
#include <limits>

namespace scenesdk
{

inline int64_t KSaturateToLong(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= 9223372036854775807.0)
        return std::numeric_limits<int64_t>::max();
    if (d <= -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}

inline int32_t KClampToInt(int64_t v)
{
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

inline int32_t KSaturateToInt(double d)
{
    return KClampToInt(KSaturateToLong(d));
}

} // namespace scenesdk
