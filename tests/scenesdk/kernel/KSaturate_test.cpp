// The saturating number conversions at the edges of the target types. The
// inputs pass through a volatile so that the conversions run as compiled
// code, not folded by the compiler: a cast of a value out of range is what
// UBSan stops on.

#include "scenesdk/kernel/KSaturate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace scenesdk;

namespace
{

using Long = std::numeric_limits<int64_t>;
using Int = std::numeric_limits<int32_t>;

int64_t ToLong(double d)
{
    volatile double v = d;
    return KSaturateToLong(v);
}

int32_t ToInt(double d)
{
    volatile double v = d;
    return KSaturateToInt(v);
}

TEST(KSaturateTest, EdgesOfEachType)
{
    const double two63 = std::ldexp(1.0, 63);
    const double two31 = std::ldexp(1.0, 31);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    // 2^63 is one past the largest int64_t and has no cast; the double just
    // below it converts exactly.
    EXPECT_EQ(ToLong(two63), Long::max());
    EXPECT_EQ(ToLong(std::nextafter(two63, 0.0)), INT64_C(9223372036854774784));
    EXPECT_EQ(ToLong(1e300), Long::max());
    EXPECT_EQ(ToLong(inf), Long::max());
    // -2^63 is the smallest int64_t itself; below it the end holds.
    EXPECT_EQ(ToLong(-two63), Long::min());
    EXPECT_EQ(ToLong(std::nextafter(-two63, -inf)), Long::min());
    EXPECT_EQ(ToLong(std::nextafter(-two63, 0.0)), INT64_C(-9223372036854774784));
    EXPECT_EQ(ToLong(-inf), Long::min());
    EXPECT_EQ(ToLong(nan), 0);
    EXPECT_EQ(ToLong(-nan), 0);
    EXPECT_EQ(ToLong(-2.75), -2); // toward zero
    EXPECT_EQ(ToLong(2.75), 2);

    EXPECT_EQ(ToInt(two31), Int::max());
    EXPECT_EQ(ToInt(two31 - 1.0), Int::max());
    EXPECT_EQ(ToInt(two31 - 0.5), Int::max()); // truncated, it is the end itself
    EXPECT_EQ(ToInt(two31 - 1.5), Int::max() - 1);
    EXPECT_EQ(ToInt(-two31), Int::min());
    EXPECT_EQ(ToInt(-two31 - 1.0), Int::min());
    EXPECT_EQ(ToInt(-two31 + 0.5), Int::min() + 1);
    EXPECT_EQ(ToInt(two63), Int::max());
    EXPECT_EQ(ToInt(-two63), Int::min());
    EXPECT_EQ(ToInt(nan), 0);
    EXPECT_EQ(ToInt(-0.9), 0);

    EXPECT_EQ(KClampToInt(INT64_C(2147483648)), Int::max());
    EXPECT_EQ(KClampToInt(INT64_C(2147483647)), Int::max());
    EXPECT_EQ(KClampToInt(INT64_C(-2147483649)), Int::min());
    EXPECT_EQ(KClampToInt(Long::min()), Int::min());
    EXPECT_EQ(KClampToInt(-5), -5);
}

} // namespace
