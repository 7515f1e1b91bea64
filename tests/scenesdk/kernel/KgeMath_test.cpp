#include "scenesdk/kernel/KgeMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace scenesdk;

namespace
{

void ExpectMatrixNear(const double* a, const double* b, double tol = 1e-9)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
}

void ExpectRotationNear(const double* a, const double* b, double tol = 1e-9)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(a[4 * r + c], b[4 * r + c], tol) << "element (" << r << ", " << c << ")";
}

// Identity with the rotation of XYZ angles.
void Rotation(double* m, double x, double y, double z)
{
    KgeMatrixIdentity(m);
    KgeMatrixFromEulerXYZ(m, x, y, z);
}

// Elementary rotation about one axis (0 x, 1 y, 2 z).
void AxisRotation(double* m, int axis, double degrees)
{
    double a[3] = {0, 0, 0};
    a[axis] = degrees;
    Rotation(m, a[0], a[1], a[2]);
}

// A general affine matrix: rotation, non-uniform scale, translation.
void SampleAffine(double* m)
{
    const double t[3] = {1.5, -2.0, 3.25}, r[3] = {20, -35, 70}, s[3] = {2.0, 0.5, 3.0};
    KgeMatrixFromTRS(m, t, r, s);
}

} // namespace

TEST(KgeMathTest, VectorsAndCompare)
{
    const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    double z[3];
    KgeCrossProduct(z, x, y);
    EXPECT_EQ(z[2], 1.0);
    EXPECT_EQ(KgeDotProduct(x, y), 0.0);
    double v[3] = {1, 2, 3};
    KgeCrossProduct(v, v, x); // aliasing
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(v[1], 3.0);
    EXPECT_EQ(v[2], -2.0);
    const double a[3] = {1, 2, 3}, b[3] = {1, 2, 3.0000005};
    EXPECT_EQ(KgeVectorCompare(a, b, 1e-6), 0);
    EXPECT_EQ(KgeVectorCompare(a, b, 1e-8), 1);
    EXPECT_EQ(KgeVectorCompare(a, a, 0.0), 0);
    EXPECT_NE(KgeVectorCompare(a, b, 0.0), 0);
    const double n[3] = {1, NAN, 3};
    EXPECT_EQ(KgeVectorCompare(a, n, 1.0), 1);
}

TEST(KgeMathTest, MultiplyMayAliasEitherInput)
{
    double a[16], b[16], expected[16];
    SampleAffine(a);
    Rotation(b, 10, 20, 30);
    KgeMatrixSetTranslation(b, 4, 5, 6);
    KgeMatrixMultiply(expected, a, b);
    // b applies first: a point through b then a.
    const double p[3] = {0.3, -1.0, 2.0};
    double viaB[3], viaBoth[3], direct[3];
    KgeTransformPoint(viaB, b, p);
    KgeTransformPoint(viaBoth, a, viaB);
    KgeTransformPoint(direct, expected, p);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(direct[i], viaBoth[i], 1e-9);

    double outA[16], outB[16];
    KgeCopyMatrix(outA, a);
    KgeMatrixMultiply(outA, outA, b);
    ExpectMatrixNear(outA, expected, 0);
    KgeCopyMatrix(outB, b);
    KgeMatrixMultiply(outB, a, outB);
    ExpectMatrixNear(outB, expected, 0);

    double r[16], ra[16], rb[16];
    KgeRotationMultiply(r, a, b);
    KgeCopyMatrix(ra, a);
    KgeRotationMultiply(ra, ra, b);
    KgeCopyMatrix(rb, b);
    KgeRotationMultiply(rb, a, rb);
    ExpectRotationNear(ra, r, 0);
    ExpectRotationNear(rb, r, 0);
    ExpectRotationNear(r, expected, 1e-12);
}

TEST(KgeMathTest, TransposedMultiplyUndoesRotationMultiply)
{
    // MT(a, b) = b transpose(a), so multiplying the result by a gives b back.
    double m0[16], m1[16], rel[16], back[16];
    Rotation(m0, 15, -40, 75);
    Rotation(m1, -60, 25, 10);
    KgeRotationMultiplyTransposed(rel, m0, m1);
    KgeRotationMultiply(back, m0, rel);
    ExpectRotationNear(back, m1);
    double self[16], id[16];
    KgeMatrixIdentity(id);
    KgeCopyMatrix(self, m0);
    KgeRotationMultiplyTransposed(self, self, self);
    ExpectRotationNear(self, id);
    // Pinned convention: +30 degrees about X from a quaternion reads back as (30, 0, 0).
    double q[16], angles[3];
    KgeMatrixIdentity(q);
    const double h = 15.0 * kKgeDegToRad;
    KgeMatrixFromQuaternion(q, std::sin(h), 0.0, 0.0, std::cos(h));
    KgeMatrixToEulerXYZ(angles, q);
    EXPECT_NEAR(angles[0], 30.0, 1e-9);
    EXPECT_NEAR(angles[1], 0.0, 1e-9);
    EXPECT_NEAR(angles[2], 0.0, 1e-9);
}

TEST(KgeMathTest, AffineInverseTimesMatrix)
{
    double a[16], b[16], out[16], back[16], id[16];
    SampleAffine(a);
    KgeMatrixIdentity(id);
    KgeAffineInverseMultiply(out, a, a);
    ExpectMatrixNear(out, id, 1e-12);
    Rotation(b, 5, 50, -20);
    KgeMatrixSetTranslation(b, -1, 2, 7);
    KgeAffineInverseMultiply(out, a, b);
    KgeMatrixMultiply(back, a, out);
    ExpectMatrixNear(back, b, 1e-9);
    // Aliasing either input.
    double aa[16];
    KgeCopyMatrix(aa, a);
    KgeAffineInverseMultiply(aa, aa, b);
    ExpectMatrixNear(aa, out, 0);
    double bb[16];
    KgeCopyMatrix(bb, b);
    KgeAffineInverseMultiply(bb, a, bb);
    ExpectMatrixNear(bb, out, 0);
    // A zero axis stays zero rather than turning into NaN.
    double flat[16];
    KgeMatrixIdentity(flat);
    flat[5] = 0.0;
    KgeAffineInverseMultiply(out, flat, b);
    for (double v : out)
        EXPECT_FALSE(std::isnan(v));
    EXPECT_EQ(out[1], 0.0);
    EXPECT_EQ(out[13], 0.0);
}

TEST(KgeMathTest, HandednessTransposeAndPoints)
{
    double m[16];
    SampleAffine(m);
    EXPECT_TRUE(KgeMatrixIsRightHanded(m));
    m[0] = -m[0], m[1] = -m[1], m[2] = -m[2];
    EXPECT_FALSE(KgeMatrixIsRightHanded(m));
    double t[16];
    KgeMatrixIdentity(t);
    t[3] = 9.0; // the fourth column is not part of the 3x3 transpose
    KgeCopyAffine(t, m);
    EXPECT_EQ(t[3], 9.0);
    EXPECT_EQ(t[12], m[12]);
    KgeTransposeRotation(t, t);
    EXPECT_EQ(t[1], m[4]);
    EXPECT_EQ(t[8], m[2]);
    const double v[3] = {1, 0, 0};
    double d[3];
    KgeRotateVector(d, m, v);
    EXPECT_EQ(d[0], m[0]);
    EXPECT_EQ(d[2], m[2]);
}

TEST(KgeMathTest, EulerXYZ)
{
    double m[16], angles[3];
    KgeMatrixIdentity(m);
    KgeMatrixToEulerXYZ(angles, m);
    EXPECT_EQ(angles[0], 0.0);
    EXPECT_EQ(angles[1], 0.0);
    EXPECT_EQ(angles[2], 0.0);
    for (double x = -170; x <= 170; x += 34)
        for (double y = -89.5; y <= 89.5; y += 17.9)
            for (double z = -175; z <= 175; z += 35)
            {
                Rotation(m, x, y, z);
                KgeMatrixToEulerXYZ(angles, m);
                ASSERT_NEAR(angles[0], x, 1e-7);
                ASSERT_NEAR(angles[1], y, 1e-7);
                ASSERT_NEAR(angles[2], z, 1e-7);
            }
    // Gimbal branches keep the rotation.
    double back[16];
    for (double y : {-90.0, 90.0})
    {
        Rotation(m, 25, y, 0);
        KgeMatrixToEulerXYZ(angles, m);
        EXPECT_NEAR(angles[0], 25.0, 1e-6);
        EXPECT_EQ(angles[1], y);
        Rotation(back, angles[0], angles[1], angles[2]);
        ExpectRotationNear(back, m, 1e-6);
    }
    KgeMatrixIdentity(m);
    m[2] = 1.0;
    KgeMatrixToEulerXYZ(angles, m);
    EXPECT_EQ(angles[1], -90.0);
    EXPECT_EQ(angles[2], 0.0);
    m[2] = NAN; // NaN takes the first branch
    KgeMatrixToEulerXYZ(angles, m);
    EXPECT_EQ(angles[1], -90.0);
}

TEST(KgeMathTest, EulerOrdersComposeElementaryRotations)
{
    const double seq[3] = {35.0, -50.0, 120.0};
    for (int code = 0; code < 12; ++code)
    {
        int i, j, k;
        ASSERT_TRUE(KgeEulerAxes(code, &i, &j, &k));
        double m[16], r1[16], r2[16], r3[16], t[16], expected[16];
        KgeMatrixIdentity(m);
        KgeMatrixFromEulerOrder2(m, seq, code);
        AxisRotation(r1, i, seq[0]);
        AxisRotation(r2, j, seq[1]);
        AxisRotation(r3, (code & 1) ? i : k, seq[2]);
        // r1 applies first, then r2, then r3.
        KgeMatrixMultiply(t, r2, r1);
        KgeMatrixMultiply(expected, r3, t);
        SCOPED_TRACE(code);
        ExpectRotationNear(m, expected, 1e-12);
    }
    EXPECT_FALSE(KgeEulerAxes(12, nullptr, nullptr, nullptr));
    // Code 0 is the XYZ formula.
    double a[16], b[16];
    KgeMatrixFromEulerOrder2(a, seq, 0);
    Rotation(b, seq[0], seq[1], seq[2]);
    ExpectRotationNear(a, b, 1e-15);
    // ZYX (code 10) negates internally: a lone Z angle is a plain Z rotation.
    const double zOnly[3] = {40.0, 0.0, 0.0};
    KgeMatrixFromEulerOrder2(a, zOnly, 10);
    Rotation(b, 0, 0, 40);
    ExpectRotationNear(a, b, 1e-15);
    // The slot form reads the angle about axis i from slot i.
    const double slots[3] = {10.0, 20.0, 30.0};
    const double zyx[3] = {30.0, 20.0, 10.0};
    KgeMatrixFromEulerOrder(a, slots, 10);
    KgeMatrixFromEulerOrder2(b, zyx, 10);
    ExpectRotationNear(a, b, 0);
}

TEST(KgeMathTest, EveryEulerOrderRoundTrips)
{
    const double samples[][3] = {{35, -50, 120}, {-170, 80, -5}, {0, 10, 0}, {90, -30, 179}};
    for (int code = 0; code < 12; ++code)
        for (const auto& s : samples)
        {
            double in[3] = {s[0], s[1], s[2]};
            if (code & 1) // repeated axes: the middle angle in (0, 180)
                in[1] = std::fabs(in[1]) + 5.0;
            if (code & 2) // the negation flips the middle angle's range too
                in[1] = (code & 1) ? -in[1] : in[1];
            double m[16], out[3], back[16];
            KgeMatrixFromEulerOrder2(m, in, code);
            KgeMatrixToEulerOrder(out, m, code);
            SCOPED_TRACE(testing::Message()
                         << "code " << code << " angles " << in[0] << " " << in[1] << " " << in[2]);
            for (int n = 0; n < 3; ++n)
                EXPECT_NEAR(out[n], in[n], 1e-7);
            KgeMatrixFromEulerOrder2(back, out, code);
            ExpectRotationNear(back, m, 1e-12);
        }
    // Degenerate middle angle: the third angle becomes 0 and the rotation holds.
    for (int code = 0; code < 12; ++code)
    {
        double in[3] = {30, (code & 1) ? 0.0 : 90.0, 40};
        double m[16], out[3], back[16];
        KgeMatrixFromEulerOrder2(m, in, code);
        KgeMatrixToEulerOrder(out, m, code);
        EXPECT_EQ(out[2], 0.0) << code;
        KgeMatrixFromEulerOrder2(back, out, code);
        ExpectRotationNear(back, m, 1e-7);
    }
}

TEST(KgeMathTest, EulerOfScaledAndMirroredRows)
{
    double m[16], angles[3];
    const double t[3] = {0, 0, 0}, r[3] = {10, 20, 30};
    const double s[3] = {2, 3, 4};
    KgeMatrixFromTRS(m, t, r, s);
    KgeMatrixToEulerOrthonormal(angles, m);
    EXPECT_NEAR(angles[0], 10, 1e-9);
    EXPECT_NEAR(angles[1], 20, 1e-9);
    EXPECT_NEAR(angles[2], 30, 1e-9);
    const double mirrored[3] = {-2, -3, -4};
    KgeMatrixFromTRS(m, t, r, mirrored);
    KgeMatrixToEulerOrthonormal(angles, m);
    EXPECT_NEAR(angles[0], 10, 1e-9);
    EXPECT_NEAR(angles[1], 20, 1e-9);
    EXPECT_NEAR(angles[2], 30, 1e-9);
    // One mirrored row: all three lengths turn negative (two would leave a
    // mirror, not a rotation), and the angles with those lengths rebuild it.
    const double oneMirrored[3] = {-2, 3, 4};
    KgeMatrixFromTRS(m, t, r, oneMirrored);
    KgeMatrixToEulerOrthonormal(angles, m);
    const double negated[3] = {-2, -3, -4};
    double rebuilt[16];
    KgeMatrixFromTRS(rebuilt, t, angles, negated);
    ExpectMatrixNear(rebuilt, m, 1e-9);
    const double flat[3] = {1, 0, 1};
    KgeMatrixFromTRS(m, t, r, flat);
    KgeMatrixToEulerOrthonormal(angles, m);
    for (double a : angles)
        EXPECT_FALSE(std::isnan(a));
}

TEST(KgeMathTest, QuaternionRoundTrips)
{
    double m[16], q[4], back[16], id[16];
    KgeMatrixIdentity(id);
    KgeMatrixIdentity(m);
    const double zero[4] = {0, 0, 0, 0};
    KgeMatrixFromQuaternion(m, zero);
    ExpectRotationNear(m, id, 0);
    const double rotations[][3] = {{10, 20, 30}, {-120, 45, 170}, {0, 0, 180},
                                   {180, 0, 0},  {0, 180, 0},     {90, 0, 90}};
    for (const auto& r : rotations)
    {
        Rotation(m, r[0], r[1], r[2]);
        KgeMatrixToQuaternion(q, m);
        for (double v : q)
            ASSERT_FALSE(std::isnan(v));
        EXPECT_NEAR(KgeQuaternionLength(q), 1.0, 1e-9);
        KgeMatrixIdentity(back);
        KgeMatrixFromQuaternion(back, q);
        ExpectRotationNear(back, m, 1e-9);
    }
    // 180 degrees about z has trace -1 and takes a fallback branch.
    Rotation(m, 0, 0, 180);
    KgeMatrixToQuaternion(q, m);
    EXPECT_NEAR(std::fabs(q[2]), 1.0, 1e-12);
    // A non-unit quaternion gives the same rotation.
    const double big[4] = {0, 0, 2 * std::sin(0.5), 2 * std::cos(0.5)};
    KgeMatrixFromQuaternion(m, big);
    Rotation(back, 0, 0, 1.0 * kKgeRadToDeg);
    ExpectRotationNear(m, back, 1e-12);
    double c[4];
    KgeQuaternionConjugate(c, big);
    EXPECT_EQ(c[2], -big[2]);
    EXPECT_EQ(c[3], big[3]);
}

TEST(KgeMathTest, PivotRecordRoundTrips)
{
    KgePivotRotationRecord record;
    KgeMatrixFromEulerXYZ(record.preRotation, 15, 0, -25);
    KgeMatrixFromEulerXYZ(record.postRotation, -5, 40, 10);
    const double in[3] = {20, -35, 60};
    for (int code : {0, 2, 4, 6, 8, 10, 12})
        for (uint32_t flags : {0u, 1u, 2u, 3u})
        {
            record.eulerCode = code;
            record.flags = flags;
            double m[16], out[3];
            KgeMatrixIdentity(m);
            KgeRotationFromPivotRecord(record, m, in);
            KgeAnglesFromPivotRecord(record, out, m);
            SCOPED_TRACE(testing::Message() << "code " << code << " flags " << flags);
            for (int n = 0; n < 3; ++n)
                EXPECT_NEAR(out[n], in[n], 1e-7);
        }
    // Pre- and post-rotations: post (transposed) first, then Euler, then pre.
    record.eulerCode = 0;
    record.flags = 3;
    double m[16], euler[16], postT[16], expected[16], t[16];
    KgeRotationFromPivotRecord(record, m, in);
    Rotation(euler, in[0], in[1], in[2]);
    KgeMatrixIdentity(postT);
    KgeTransposeRotation(postT, record.postRotation);
    KgeMatrixMultiply(t, euler, postT);
    KgeMatrixMultiply(expected, record.preRotation, t);
    ExpectRotationNear(m, expected, 1e-12);
    // A 180-degree spheric swing is reported as (180, 180, 180).
    record.flags = 0;
    record.eulerCode = 12;
    double half[16], out[3];
    KgeMatrixIdentity(half);
    KgeMatrixFromQuaternion(half, 0, 1, 0, 0);
    KgeAnglesFromPivotRecord(record, out, half);
    EXPECT_EQ(out[0], 180.0);
    EXPECT_EQ(out[2], 180.0);
}

TEST(KgeMathTest, SphericRotation)
{
    // One angle alone is the plain rotation about its axis.
    for (int axis = 0; axis < 3; ++axis)
    {
        double angles[3] = {0, 0, 0}, m[16], expected[16];
        angles[axis] = 40.0;
        KgeMatrixIdentity(m);
        KgeMatrixFromSpheric(m, angles);
        AxisRotation(expected, axis, 40.0);
        ExpectRotationNear(m, expected, 1e-12);
    }
    // In general: the twist about X first, then the swing (0, sb, sc, cb cc).
    const double a = 25, b = 50, c = -70;
    const double hb = b * kKgeDegToRad / 2, hc = c * kKgeDegToRad / 2;
    double m[16], swing[16], twist[16], expected[16];
    KgeMatrixIdentity(m);
    const double abc[3] = {a, b, c};
    KgeMatrixFromSpheric(m, abc);
    KgeMatrixIdentity(swing);
    KgeMatrixFromQuaternion(swing, 0.0, std::sin(hb), std::sin(hc), std::cos(hb) * std::cos(hc));
    AxisRotation(twist, 0, a);
    KgeMatrixMultiply(expected, swing, twist);
    ExpectRotationNear(m, expected, 1e-12);
    // Round trips for swings short of 180 degrees.
    for (double x : {-170.0, -90.0, 0.0, 45.0, 179.0})
        for (double y : {-150.0, -60.0, 0.0, 30.0, 120.0})
            for (double z : {-135.0, 0.0, 10.0, 89.0, 160.0})
            {
                const double in[3] = {x, y, z};
                double r[16], out[3];
                KgeMatrixIdentity(r);
                KgeMatrixFromSpheric(r, in);
                KgeMatrixToSpheric(out, r);
                SCOPED_TRACE(testing::Message() << x << ", " << y << ", " << z);
                for (int n = 0; n < 3; ++n)
                    EXPECT_NEAR(out[n], in[n], 1e-6);
            }
    // X turned onto -X has no defined swing.
    double flip[16], out[3];
    AxisRotation(flip, 2, 180.0);
    KgeMatrixToSpheric(out, flip);
    EXPECT_EQ(out[0], 180.0);
    EXPECT_EQ(out[1], 180.0);
    EXPECT_EQ(out[2], 180.0);
    double y[3];
    const double q[4] = {std::sin(0.25), 0, 0, std::cos(0.25)};
    KgeQuaternionToYAxis(y, q);
    EXPECT_NEAR(y[0], 0.0, 1e-15);
    EXPECT_NEAR(y[1], std::cos(0.5), 1e-15);
    EXPECT_NEAR(y[2], std::sin(0.5), 1e-15);
}

TEST(KgeMathTest, ClampToLimits)
{
    KgeLimitRecord limits;
    limits.flags = 2 | 32; // minimum on x, maximum on y
    limits.min[0] = -1;
    limits.max[1] = 5;
    double v[3] = {-3, 9, 100};
    KgeClampToLimits(limits, v, v);
    EXPECT_EQ(v[0], -1);
    EXPECT_EQ(v[1], 5);
    EXPECT_EQ(v[2], 100);
    limits.flags = 1; // active alone clamps nothing
    const double in[3] = {-3, 9, 100};
    KgeClampToLimits(limits, v, in);
    EXPECT_EQ(v[0], -3);
    // Minimum above maximum: the maximum wins (applied second).
    limits.flags = 2 | 16;
    limits.min[0] = 4;
    limits.max[0] = 2;
    KgeClampToLimits(limits, v, in);
    EXPECT_EQ(v[0], 2);
}
