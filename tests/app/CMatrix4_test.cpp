#include "app/CMatrix3.h"
#include "app/CMatrix4.h"
#include "tests/support/VectorNear.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

using testsupport::ExpectVecNear;

void ExpectIdentity(const CMatrix4& a, float eps = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], (i % 5 == 0) ? 1.0f : 0.0f, eps) << "element " << i;
}

// Rx, Ry, Rz as plain row-major 3x3 arrays, to check the element formulas
// against the products they are meant to be.
struct R3
{
    double v[3][3];
};
R3 Mul(const R3& a, const R3& b)
{
    R3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                r.v[i][j] += a.v[i][k] * b.v[k][j];
    return r;
}
R3 Rx(double a)
{
    return R3{{{1, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::sin(a), std::cos(a)}}};
}
R3 Ry(double a)
{
    return R3{{{std::cos(a), 0, std::sin(a)}, {0, 1, 0}, {-std::sin(a), 0, std::cos(a)}}};
}
R3 Rz(double a)
{
    return R3{{{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}}};
}

// The nine stored values m0..m2, m4..m6, m8..m10 read as a row-major array.
void ExpectRowMajorEquals(const CMatrix4& a, const R3& r)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(a.m[4 * i + j], r.v[i][j], 1e-6) << i << "," << j;
}

TEST(CMatrix4Test, IdentityTranslationScaleLayout)
{
    CMatrix4 a;
    ExpectIdentity(a, 0);
    a.SetTranslation(CVector3(1, 2, 3));
    EXPECT_EQ(a.m[12], 1);
    EXPECT_EQ(a.m[13], 2);
    EXPECT_EQ(a.m[14], 3);
    EXPECT_EQ(a.At(0, 3), 1);
    EXPECT_EQ(a.GetTranslation(), CVector3(1, 2, 3));
    a.SetScale(CVector3(2, 3, 4));
    EXPECT_EQ(a.m[0], 2);
    EXPECT_EQ(a.m[5], 3);
    EXPECT_EQ(a.m[10], 4);
    EXPECT_EQ(a.m[15], 1);
    EXPECT_EQ(a.m[12], 0);
    a.SetRotationY(0.5f);
    EXPECT_FLOAT_EQ(a.m[2], std::sin(0.5f));
    EXPECT_FLOAT_EQ(a.m[8], -std::sin(0.5f));
    EXPECT_FLOAT_EQ(a.m[0], std::cos(0.5f));
}

TEST(CMatrix4Test, RotationFormulasAreTheNamedProducts)
{
    const double x = 0.3, y = -0.5, z = 1.2;
    CMatrix4 a;
    a.SetRotation(CVector3(0.3f, -0.5f, 1.2f));
    ExpectRowMajorEquals(a, Mul(Mul(Rz(z), Rx(x)), Ry(y)));
    CMatrix4 b;
    b.SetRotationAngles(0.3f, -0.5f, 1.2f);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.m[3], 0);
    EXPECT_EQ(a.m[12], 0);
    EXPECT_EQ(a.m[15], 1);

    CMatrix4 v;
    v.SetViewRotation(CVector3(0.3f, -0.5f, 1.2f));
    ExpectRowMajorEquals(v, Mul(Mul(Rz(z), Ry(y)), Rx(x)));

    // The Y rotation agrees with SetRotation about y alone.
    CMatrix4 ry, r;
    ry.SetRotationY(0.7f);
    r.SetRotation(CVector3(0, 0.7f, 0));
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(ry.m[i], r.m[i], 1e-6f);
}

TEST(CMatrix4Test, EulerRoundTripsInEveryAxis)
{
    CMatrix4 a;
    CVector3 out(9, 9, 9);
    a.SetRotation(CVector3());
    ExpectIdentity(a, 0);
    a.GetEulerAngles(out);
    EXPECT_EQ(out, CVector3(0, 0, 0));

    const CVector3 cases[] = {CVector3(0.3f, -0.5f, 1.2f), CVector3(1.0f, 0, 0),        CVector3(-1.2f, 0, 0),
                              CVector3(0, 2.5f, 0),        CVector3(0, -3.0f, 0),       CVector3(0, 0, 3.0f),
                              CVector3(0, 0, -2.0f),       CVector3(-0.9f, 2.9f, -2.8f)};
    for (const CVector3& angles : cases)
    {
        a.SetRotation(angles);
        a.GetEulerAngles(out);
        ExpectVecNear(out, angles);
        CMatrix3 r3;
        r3.SetRotation(angles);
        r3.GetEulerAngles(out);
        ExpectVecNear(out, angles);
    }
}

TEST(CMatrix4Test, EulerClampsSineOutsideUnitRange)
{
    CMatrix4 a;
    a.SetRotation(CVector3(1.5707964f, 0, 0));
    a.m[9] = 1.0000002f; // rounding noise after products
    CVector3 out;
    a.GetEulerAngles(out);
    EXPECT_FALSE(std::isnan(out.x));
    EXPECT_NEAR(out.x, 1.5707964f, 1e-6f);
    a.m[9] = -1.01f;
    a.GetEulerAngles(out);
    EXPECT_NEAR(out.x, -1.5707964f, 1e-6f);

    CMatrix3 r;
    r.e[7] = 1.0001f;
    r.GetEulerAngles(out);
    EXPECT_NEAR(out.x, 1.5707964f, 1e-6f);
}

TEST(CMatrix4Test, EulerAtNinetyDegreesPitchRebuildsTheSameRotation)
{
    for (float pitch : {1.5707964f, -1.5707964f})
    {
        CMatrix4 a;
        a.SetRotation(CVector3(pitch, 0.7f, 0.2f));
        CVector3 angles;
        a.GetEulerAngles(angles);
        EXPECT_EQ(angles.y, 0.0f);
        CMatrix4 b;
        b.SetRotation(angles);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(a.m[i], b.m[i], 1e-5f) << "pitch " << pitch << " element " << i;
    }
    // A basis with signed zeros, as built from a straight-up direction:
    // right (1, 0, 0), up (0, 0, 1), third column -(0, 1, 0).
    CMatrix4 up;
    up.SetColumn(0, CVector3(1, 0, 0));
    up.SetColumn(1, CVector3(0, 0, 1));
    up.SetColumn(2, -CVector3(0, 1, 0));
    CVector3 angles;
    up.GetEulerAngles(angles);
    CMatrix4 rebuilt;
    rebuilt.SetRotation(angles);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(rebuilt.m[i], up.m[i], 1e-6f) << i;

    CMatrix3 r3;
    r3.SetRotation(CVector3(-1.5707964f, 0.4f, -0.3f));
    r3.GetEulerAngles(angles);
    CMatrix3 r3b;
    r3b.SetRotation(angles);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(r3.e[i], r3b.e[i], 1e-5f) << i;
}

TEST(CMatrix4Test, OrthoAndPerspective)
{
    CMatrix4 o;
    o.SetOrtho(1000, 1000, 1, -1);
    CVector3 p;
    o.TransformPoint(p, CVector3(0, 0, 0));
    EXPECT_NEAR(p.x, -1, 1e-6);
    EXPECT_NEAR(p.y, 1, 1e-6);
    o.TransformPoint(p, CVector3(1000, 1000, 0));
    EXPECT_NEAR(p.x, 1, 1e-6);
    EXPECT_NEAR(p.y, -1, 1e-6);
    EXPECT_FLOAT_EQ(o.m[10], 1.0f); // 2 / (a - b)
    EXPECT_FLOAT_EQ(o.m[14], 0.0f); // (a + b) / (b - a)

    CMatrix4 pr;
    pr.SetPerspective(1.0f, 1.5f, 1.0f, 100.0f);
    EXPECT_FLOAT_EQ(pr.m[10], -101.0f / 99.0f);
    EXPECT_FLOAT_EQ(pr.m[14], -200.0f / 99.0f);
    EXPECT_EQ(pr.m[11], -1.0f);
    EXPECT_EQ(pr.m[15], 0.0f);
    const float f = 1.0f / std::tan(0.5f);
    EXPECT_FLOAT_EQ(pr.m[5], f);
    EXPECT_FLOAT_EQ(pr.m[0], f / 1.5f);
}

TEST(CMatrix4Test, MultiplyOrderAndAliasing)
{
    CMatrix4 t, s, ts;
    t.SetTranslation(CVector3(1, 2, 3));
    s.SetScale(CVector3(2, 3, 4));
    ts.Multiply(t, s);
    CVector3 p;
    ts.TransformPoint(p, CVector3(1, 1, 1));
    EXPECT_EQ(p, CVector3(3, 5, 7)); // s·p + t: scaled first
    EXPECT_EQ(t * s, ts);

    // Element (r, c) = sum a(r, k) b(k, c), with column-major indexing.
    CMatrix4 a, b;
    for (int i = 0; i < 16; ++i)
    {
        a.m[i] = static_cast<float>(i + 1);
        b.m[i] = static_cast<float>((i * 7) % 11 - 5);
    }
    CMatrix4 ab = a * b;
    EXPECT_EQ(ab.At(1, 2), a.At(1, 0) * b.At(0, 2) + a.At(1, 1) * b.At(1, 2) + a.At(1, 2) * b.At(2, 2) +
                               a.At(1, 3) * b.At(3, 2));
    CMatrix4 alias = a;
    alias.Multiply(alias, b);
    EXPECT_EQ(alias, ab);
    alias = b;
    alias.Multiply(a, alias);
    EXPECT_EQ(alias, ab);
}

TEST(CMatrix4Test, WorldMatrixIsTranslationRotationScale)
{
    const CVector3 pos(5, -2, 7), rot(0.4f, 1.1f, -0.3f), scale(2, 0.5f, 3);
    CMatrix4 t, r, s;
    t.SetTranslation(pos);
    r.SetRotation(rot);
    s.SetScale(scale);
    const CMatrix4 world = t * r * s;
    const CVector3 local(1, -2, 0.5f);
    CVector3 expect, got;
    r.TransformPoint(expect, CVector3(local.x * scale.x, local.y * scale.y, local.z * scale.z));
    expect += pos;
    world.TransformPoint(got, local);
    ExpectVecNear(got, expect);
}

TEST(CMatrix4Test, TransformPointIgnoresBottomRowAndMayAlias)
{
    CMatrix4 a;
    a.SetTranslation(CVector3(1, 2, 3));
    a.m[3] = a.m[7] = a.m[11] = 5;
    a.m[15] = 9;
    CVector3 p(1, 1, 1);
    a.TransformPoint(p, p);
    EXPECT_EQ(p, CVector3(2, 3, 4));
    CVector3 d(1, 1, 1);
    a.TransformVector(d, d);
    EXPECT_EQ(d, CVector3(1, 1, 1));
}

TEST(CMatrix4Test, InverseTimesMatrixIsIdentity)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-3.0f, 3.0f);
    for (int n = 0; n < 50; ++n)
    {
        CMatrix4 a;
        for (float& v : a.m)
            v = u(rng);
        if (std::fabs(a.Determinant()) < 0.5f)
            continue;
        CMatrix4 inv = a;
        ASSERT_TRUE(inv.Invert());
        ExpectIdentity(inv * a, 1e-4f);
        ExpectIdentity(a * inv, 1e-4f);
    }
    // A world matrix and its inverse.
    CMatrix4 t, r, s;
    t.SetTranslation(CVector3(4, 5, 6));
    r.SetRotation(CVector3(0.2f, 0.3f, 0.4f));
    s.SetScale(CVector3(2, 2, 2));
    CMatrix4 w = t * r * s;
    EXPECT_NEAR(w.Determinant(), 8.0f, 1e-4f);
    CMatrix4 wi = w;
    ASSERT_TRUE(wi.Invert());
    ExpectIdentity(wi * w);
}

TEST(CMatrix4Test, DeterminantKnownValues)
{
    CMatrix4 a;
    EXPECT_EQ(a.Determinant(), 1.0f);
    a.SetScale(CVector3(2, 3, 4));
    EXPECT_EQ(a.Determinant(), 24.0f);
    // Swapping two columns flips the sign.
    std::swap(a.m[0], a.m[4]);
    std::swap(a.m[1], a.m[5]);
    EXPECT_EQ(a.Determinant(), -24.0f);
}

TEST(CMatrix4Test, SingularInversionLeavesMatrixUnchanged)
{
    CMatrix4 a;
    a.SetScale(CVector3(1, 0, 1));
    const CMatrix4 before = a;
    EXPECT_FALSE(a.Invert());
    EXPECT_EQ(a, before);

    CMatrix4 rows;
    for (int i = 0; i < 16; ++i)
        rows.m[i] = static_cast<float>(i); // linearly dependent columns
    const CMatrix4 copy = rows;
    EXPECT_EQ(rows.Determinant(), 0.0f);
    EXPECT_FALSE(rows.Invert());
    EXPECT_EQ(rows, copy);
}

TEST(CMatrix4Test, TransposeSwapsRowsAndColumns)
{
    CMatrix4 a;
    for (int i = 0; i < 16; ++i)
        a.m[i] = static_cast<float>(i);
    a.Transpose();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(a.At(r, c), static_cast<float>(4 * r + c));
}

TEST(CMatrix3Test, SameNineNumbersAsMatrix4InRowOrder)
{
    const CVector3 angles(0.3f, -0.5f, 1.2f);
    CMatrix4 a;
    a.SetRotation(angles);
    CMatrix3 r;
    r.SetRotation(angles);
    const int map[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(r.e[i], a.m[map[i]]) << i;

    // The physics rows of a column-major matrix are (m0, m4, m8)...: the
    // transpose of the row-order rotation.
    CMatrix3 rows;
    rows.SetFromMatrix4(a);
    EXPECT_EQ(rows.At(0, 1), a.m[4]);
    EXPECT_EQ(rows.At(1, 0), a.m[1]);
    CMatrix3 t = r;
    t.Transpose();
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(rows.e[i], t.e[i]);

    // Rotating a vector agrees with the 4x4 matrix.
    CVector3 v4;
    a.TransformVector(v4, CVector3(1, 2, 3));
    ExpectVecNear(rows * CVector3(1, 2, 3), v4);

    CMatrix4 back;
    back.SetTranslation(CVector3(7, 8, 9));
    rows.CopyToMatrix4(back);
    for (int i : map)
        EXPECT_EQ(back.m[i], a.m[i]);
    EXPECT_EQ(back.GetTranslation(), CVector3(7, 8, 9));
}

} // namespace
