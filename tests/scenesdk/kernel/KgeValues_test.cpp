#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KgeMath.h"
#include "scenesdk/kernel/KgeTVector.h"
#include "scenesdk/kernel/KgeTransformMatrix.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scenesdk;

TEST(KgeTVectorTest, ArithmeticAndComparison)
{
    KgeTVector v(3, 0, 4, 1);
    v.Normalize();
    EXPECT_DOUBLE_EQ(v[0], 0.6);
    EXPECT_DOUBLE_EQ(v[2], 0.8);
    EXPECT_EQ(v[3], 1.0);
    KgeTVector zero(0, 0, 0, 5);
    zero.Normalize();
    EXPECT_EQ(zero[0], 0.0);
    EXPECT_EQ(zero[3], 5.0);
    EXPECT_TRUE(KgeTVector(1, 2, 3, 0) == KgeTVector(1, 2, 3.0000005, 7));
    EXPECT_FALSE(KgeTVector(1, 2, 3, 0) == KgeTVector(1, 2, 3.000001, 0));
    EXPECT_FALSE(KgeTVector(NAN, 0, 0) == KgeTVector(NAN, 0, 0));
    KgeTVector a(1, 2, 3, 4);
    a *= 2;
    EXPECT_EQ(a[3], 8.0);
    a += KgeTVector(1, 1, 1, 1);
    EXPECT_EQ(a[0], 3.0);
    const KgeTVector d = a - KgeTVector(3, 5, 7, 9);
    EXPECT_EQ(d[1], 0.0);
    EXPECT_EQ(d[3], 0.0);
    const KgeTVector c = KgeTVector(1, 0, 0, 9).CrossProduct(KgeTVector(0, 1, 0, 9));
    EXPECT_EQ(c[2], 1.0);
    EXPECT_EQ(c[3], 1.0);
    a.SetAt(1, -1);
    EXPECT_EQ(a[1], -1.0);
    EXPECT_EQ(a[7], a[3]); // clamped index
}

TEST(KgeTVectorTest, XAxisQuaternionAndPairRecord)
{
    const double dir[3] = {0, 0.6, 0.8};
    double q[4], m[16], x[3] = {1, 0, 0}, turned[3];
    KgeQuaternionFromXAxisTo(q, dir);
    KgeMatrixIdentity(m);
    KgeMatrixFromQuaternion(m, q);
    KgeRotateVector(turned, m, x);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(turned[i], dir[i], 1e-12);
    const double minusX[3] = {-1, 0, 0};
    KgeQuaternionFromXAxisTo(q, minusX);
    EXPECT_EQ(KgeQuaternionLength(q), 0.0);
    double sum[3];
    KgeVector3Add(sum, dir, x);
    EXPECT_EQ(sum[0], 1.0);
    EXPECT_EQ(sum[2], 0.8);

    KgeXYZPairRecord in, out;
    in.first.Set(1, 2, 3, 4);
    in.second.Set(5, 6, 7, 8);
    for (int i = 0; i < 6; ++i)
        in.words[i] = i + 1;
    out.first.Set(0, 0, 0, 40);
    CopyXYZPairRecord(out, in);
    EXPECT_EQ(out.first[2], 3.0);
    EXPECT_EQ(out.first[3], 40.0);
    EXPECT_EQ(out.second[0], 5.0);
    EXPECT_EQ(out.second[3], 1.0);
    EXPECT_EQ(out.words[5], 6);
}

TEST(KColorRGBATest, Clamps)
{
    const KColorRGBA white;
    EXPECT_EQ(white.mAlpha, 1.0);
    KColorRGBA c(1.5, -0.2, 0.5, 2);
    EXPECT_EQ(c.mRed, 1.0);
    EXPECT_EQ(c.mGreen, 0.0);
    EXPECT_EQ(c.mBlue, 0.5);
    EXPECT_EQ(c.mAlpha, 1.0);
    c.Set(NAN, 0.25, 0, 0);
    EXPECT_EQ(c.mRed, 0.0);
    KColorRGBA d;
    d = c;
    EXPECT_TRUE(d == c);
}

TEST(KgeTransformMatrixTest, IdentityEqualityAndAffine)
{
    KgeTransformMatrix m;
    KgeTransformMatrix other;
    other[6] = 2e-6;
    EXPECT_FALSE(m == other);
    other[6] = 5e-7;
    EXPECT_TRUE(m == other);
    other[3] = 9;
    other[12] = 4;
    m.SetAffine(other);
    EXPECT_EQ(m[3], 0.0);
    EXPECT_EQ(m[12], 4.0);
    EXPECT_EQ(m.GetTranslation()[0], 4.0);
    EXPECT_EQ(m.GetTranslation()[3], 1.0);
}

TEST(KgeTransformMatrixTest, TRSRoundTripAndScaling)
{
    KgeTransformMatrix m;
    m.SetTRS(KgeTVector(1, 2, 3), KgeTVector(10, -20, 30), KgeTVector(2, 3, 4));
    EXPECT_TRUE(m.GetRotation() == KgeTVector(10, -20, 30));
    EXPECT_TRUE(m.GetScaling() == KgeTVector(2, 3, 4));
    EXPECT_TRUE(m.GetTranslation() == KgeTVector(1, 2, 3));
    // Mirrored scaling reads back as three negative lengths, same rotation.
    KgeTransformMatrix mirror;
    mirror.SetTRS(KgeTVector(), KgeTVector(10, -20, 30), KgeTVector(-2, -3, -4));
    KgeTVector s;
    KgeTransformMatrix::ExtractScaling(s, mirror);
    EXPECT_TRUE(s == KgeTVector(-2, -3, -4));
    EXPECT_TRUE(mirror.GetRotation() == KgeTVector(10, -20, 30));
    KgeTransformMatrix oneRow;
    oneRow[0] = -1;
    KgeTransformMatrix::ExtractScaling(s, oneRow);
    EXPECT_TRUE(s == KgeTVector(-1, -1, -1));
    // A zero-scale row gives no NaN.
    KgeTransformMatrix flat;
    flat.SetTRS(KgeTVector(), KgeTVector(0, 0, 30), KgeTVector(1, 0, 1));
    const KgeTVector r = flat.GetRotation();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(std::isnan(r[i]));
    KgeTransformMatrix rows;
    KgeTransformMatrix::ScaleRows(rows, KgeTransformMatrix(), KgeTVector(2, 3, 4));
    EXPECT_EQ(rows[5], 3.0);
    KgeTransformMatrix::NormalizeRows(rows, rows);
    EXPECT_TRUE(rows == KgeTransformMatrix());
    KgeTransformMatrix::NormalizeRows(rows, flat);
    EXPECT_EQ(rows[5], 0.0);
}

TEST(KgeTransformMatrixTest, InversesTimesMatrixGiveIdentity)
{
    KgeTransformMatrix m;
    m.SetTRS(KgeTVector(1.5, -2, 7), KgeTVector(25, 40, -70), KgeTVector(2, 0.5, 3));
    const KgeTransformMatrix identity;
    for (const KgeTransformMatrix& inv : {m.Inverse(), m.InverseAffine()})
    {
        KgeTransformMatrix product;
        KgeMatrixMultiply(product.mData, inv.mData, m.mData);
        EXPECT_TRUE(product == identity);
        KgeMatrixMultiply(product.mData, m.mData, inv.mData);
        EXPECT_TRUE(product == identity);
    }
    KgeTransformMatrix mirrored;
    mirrored.SetTRS(KgeTVector(1, 2, 3), KgeTVector(5, 6, 7), KgeTVector(-1, 2, 2));
    KgeTransformMatrix product;
    KgeMatrixMultiply(product.mData, mirrored.Inverse().mData, mirrored.mData);
    EXPECT_TRUE(product == identity);
    // Zero scale: a zero inverse scale, no NaN.
    KgeTransformMatrix flat;
    flat.SetTRS(KgeTVector(1, 1, 1), KgeTVector(), KgeTVector(1, 0, 1));
    for (const KgeTransformMatrix& inv : {flat.Inverse(), flat.InverseAffine()})
    {
        for (double v : inv.mData)
            EXPECT_FALSE(std::isnan(v));
        EXPECT_EQ(inv[5], 0.0);
    }
}
