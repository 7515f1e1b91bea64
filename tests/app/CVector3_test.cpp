#include "app/CVector3.h"

#include <gtest/gtest.h>

namespace
{

void ExpectNear(const CVector3& v, float x, float y, float z, float eps = 1e-6f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

TEST(CVector3Test, DefaultIsZeroAndIndexingMapsToComponents)
{
    CVector3 v;
    EXPECT_EQ(v, CVector3(0, 0, 0));
    v[0] = 1;
    v[1] = 2;
    v[2] = 3;
    EXPECT_EQ(v, CVector3(1, 2, 3));
    const CVector3& c = v;
    EXPECT_EQ(c[2], 3.0f);
}

TEST(CVector3Test, Arithmetic)
{
    const CVector3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(a + b, CVector3(5, -3, 9));
    EXPECT_EQ(a - b, CVector3(-3, 7, -3));
    EXPECT_EQ(-a, CVector3(-1, -2, -3));
    EXPECT_EQ(a * 2.0f, CVector3(2, 4, 6));
    EXPECT_EQ(2.0f * a, CVector3(2, 4, 6));
    EXPECT_EQ(b / 2.0f, CVector3(2, -2.5f, 3));

    CVector3 c = a;
    c += b;
    EXPECT_EQ(c, CVector3(5, -3, 9));
    c -= b;
    EXPECT_EQ(c, a);
    c *= 3.0f;
    EXPECT_EQ(c, CVector3(3, 6, 9));
    c /= 3.0f;
    EXPECT_EQ(c, a);
    EXPECT_NE(a, b);
}

TEST(CVector3Test, DotCrossLength)
{
    const CVector3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_FLOAT_EQ(a.Dot(b), 4 - 10 + 18);
    EXPECT_FLOAT_EQ(Dot(a, b), 12);
    // Right-handed: x cross y = z.
    EXPECT_EQ(CVector3(1, 0, 0).Cross(CVector3(0, 1, 0)), CVector3(0, 0, 1));
    EXPECT_EQ(Cross(CVector3(0, 1, 0), CVector3(0, 0, 1)), CVector3(1, 0, 0));
    const CVector3 c = a.Cross(b);
    EXPECT_FLOAT_EQ(c.Dot(a), 0);
    EXPECT_FLOAT_EQ(c.Dot(b), 0);
    EXPECT_FLOAT_EQ(CVector3(3, 4, 12).Length(), 13);
    EXPECT_FLOAT_EQ(CVector3(3, 4, 12).LengthSquared(), 169);
    EXPECT_FLOAT_EQ(CVector3(1, 1, 1).Distance(CVector3(4, 5, 1)), 5);
}

TEST(CVector3Test, NormalizeReturnsLengthAndLeavesZeroAlone)
{
    CVector3 v(0, 3, 4);
    EXPECT_FLOAT_EQ(v.Normalize(), 5);
    ExpectNear(v, 0, 0.6f, 0.8f);
    CVector3 zero;
    EXPECT_EQ(zero.Normalize(), 0.0f);
    EXPECT_EQ(zero, CVector3(0, 0, 0));
    ExpectNear(CVector3(0, 0, -7).Normalized(), 0, 0, -1);
    EXPECT_EQ(CVector3().Normalized(), CVector3());
}

} // namespace
