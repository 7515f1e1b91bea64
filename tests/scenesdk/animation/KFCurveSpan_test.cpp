// Span replacement: ReplaceSpan and its scaled and offset forms.

#include "scenesdk/animation/KFCurve.h"
#include "tests/scenesdk/animation/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace scenesdk;

namespace
{

using curvetest::Sec;

const KTime kMinusInf(KTime::kMinusInfinite);
const KTime kInf(KTime::kInfinite);

void AddUser(KFCurve& c, double s, float v, float right = 0.0f, float nextLeft = 0.0f)
{
    KFKeyRecord r{};
    r.Set(Sec(s), v, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_USER, right, nextLeft);
    c.AddKey(Sec(s), r);
}

// Keys every second from 0 to 10 s with values 100 + i.
void Destination(KFCurve& c)
{
    for (int i = 0; i <= 10; ++i)
    {
        AddUser(c, i, 100.0f + i, 1.0f, 1.0f);
    }
}

void Source(KFCurve& c)
{
    AddUser(c, 3.5, 1.0f);
    AddUser(c, 4.5, 2.0f);
    AddUser(c, 5.5, 3.0f);
}

std::vector<double> Times(const KFCurve& c)
{
    std::vector<double> t;
    for (int i = 0; i < c.GetKeyCount(); ++i)
    {
        t.push_back(c.GetKeyTime(i).GetSeconds());
    }
    return t;
}

// The destination stays strictly ordered and keeps its keys outside the span.
void ExpectKeptOutside(const KFCurve& c, double start, double stop)
{
    for (int i = 0; i < c.GetKeyCount(); ++i)
    {
        if (i > 0)
        {
            EXPECT_LT(c.GetKeyTime(i - 1), c.GetKeyTime(i)) << i;
        }
        const double t = c.GetKeyTime(i).GetSeconds();
        if ((t < start || t > stop) && t == static_cast<int>(t))
        {
            EXPECT_EQ(c.GetKeyValue(i), 100.0f + static_cast<float>(t)) << t;
        }
    }
}

} // namespace

TEST(KFCurveSpan, WholeTimeLine)
{
    KFCurve dst;
    Destination(dst);
    KFCurve src;
    Source(src);
    dst.ReplaceSpan(src, kMinusInf, kInf);
    EXPECT_EQ(Times(dst), (std::vector<double>{3.5, 4.5, 5.5}));
    KFCurve keep;
    Destination(keep);
    keep.ReplaceSpan(src, kMinusInf, kInf, true);
    EXPECT_EQ(Times(keep), (std::vector<double>{3.5, 4.5, 5.5}));
}

TEST(KFCurveSpan, WiderSpanShrinksToTheSourceKeysUnlessKept)
{
    KFCurve src;
    Source(src);
    KFCurve dst;
    Destination(dst);
    const double ls = dst.EvaluateLeftDerivative(Sec(3.5));
    dst.ReplaceSpan(src, Sec(2), Sec(8));
    EXPECT_EQ(Times(dst), (std::vector<double>{0, 1, 2, 3, 3.5, 4.5, 5.5, 6, 7, 8, 9, 10}));
    ExpectKeptOutside(dst, 3.5, 5.5);
    EXPECT_NEAR(dst.GetKeyLeftDerivative(4), ls, 1e-5); // the destination's slope at the start

    KFCurve kept;
    Destination(kept);
    const double rs = kept.EvaluateRightDerivative(Sec(8));
    kept.ReplaceSpan(src, Sec(2), Sec(8), true);
    EXPECT_EQ(Times(kept), (std::vector<double>{0, 1, 3.5, 4.5, 5.5, 9, 10}));
    ExpectKeptOutside(kept, 2, 8);
    EXPECT_NEAR(kept.GetKeyRightDerivative(4), rs, 1e-5);

    // A source with keys, none inside the span: nothing changes.
    KFCurve untouched;
    Destination(untouched);
    untouched.ReplaceSpan(src, Sec(7), Sec(9));
    EXPECT_EQ(untouched.GetKeyCount(), 11);
}

TEST(KFCurveSpan, InfiniteStopWithKeepSpan)
{
    KFCurve src;
    Source(src);
    AddUser(src, 20, 9.0f);
    KFCurve dst;
    Destination(dst);
    dst.ReplaceSpan(src, Sec(4), kInf, true);
    EXPECT_EQ(Times(dst), (std::vector<double>{0, 1, 2, 3, 4.5, 5.5, 20}));
    ExpectKeptOutside(dst, 4, 1e9);
    KFCurve both;
    Destination(both);
    both.ReplaceSpan(src, kMinusInf, Sec(5), true);
    EXPECT_EQ(Times(both), (std::vector<double>{3.5, 4.5, 6, 7, 8, 9, 10}));
}

TEST(KFCurveSpan, EmptySourceWithAndWithoutFill)
{
    KFCurve empty;
    empty.SetDefaultValue(-4.0f);
    // Without a kept span an empty source has no keys to shrink it to.
    KFCurve same;
    Destination(same);
    same.ReplaceSpan(empty, Sec(2), Sec(8));
    same.ReplaceSpan(empty, Sec(2), Sec(8), false, true);
    EXPECT_EQ(same.GetKeyCount(), 11);

    KFCurve dst;
    Destination(dst);
    dst.ReplaceSpan(empty, Sec(2), Sec(8), true);
    EXPECT_EQ(Times(dst), (std::vector<double>{0, 1, 9, 10}));

    KFCurve filled;
    Destination(filled);
    const float before = filled.Evaluate(Sec(2));
    filled.ReplaceSpan(empty, Sec(2), Sec(8), true, true);
    ASSERT_EQ(filled.GetKeyCount(), 8);
    ExpectKeptOutside(filled, 2, 8);
    EXPECT_NEAR(filled.Evaluate(KTime(Sec(2).Get() - 1)), before, 1e-3);
    for (double t : {2.0, 3.3, 5.0, 7.9, 8.0})
    {
        EXPECT_NEAR(filled.Evaluate(Sec(t)), -4.0f, 1e-5) << t;
    }
    EXPECT_EQ(filled.GetKeyTangentMode(3), KFCURVE_TANGENT_USER);

    // An empty destination keeps its default value outside the stretch.
    KFCurve bare;
    bare.SetDefaultValue(7.0f);
    bare.ReplaceSpan(empty, Sec(2), Sec(8), true, true);
    ASSERT_EQ(bare.GetKeyCount(), 4);
    EXPECT_EQ(bare.GetKeyTime(0).Get(), Sec(2).Get() - 1);
    EXPECT_EQ(bare.GetKeyTime(3).Get(), Sec(8).Get() + 1);
    EXPECT_EQ(bare.Evaluate(Sec(1)), 7.0f);
    EXPECT_EQ(bare.Evaluate(Sec(9)), 7.0f);
    for (double t : {2.0, 5.0, 8.0})
    {
        EXPECT_NEAR(bare.Evaluate(Sec(t)), -4.0f, 1e-5) << t;
    }

    KFCurve all;
    Destination(all);
    all.ReplaceSpan(empty, kMinusInf, kInf, true, true);
    EXPECT_EQ(all.GetKeyCount(), 0);
    EXPECT_EQ(all.Evaluate(Sec(3)), -4.0f);
}

TEST(KFCurveSpan, KeysAtTheEndsAreReplaced)
{
    KFCurve src;
    AddUser(src, 2, -1.0f);
    AddUser(src, 5, -2.0f);
    AddUser(src, 8, -3.0f);
    KFCurve dst;
    Destination(dst);
    dst.ReplaceSpan(src, Sec(2), Sec(8), true);
    EXPECT_EQ(Times(dst), (std::vector<double>{0, 1, 2, 5, 8, 9, 10}));
    EXPECT_EQ(dst.GetKeyValue(2), -1.0f);
    EXPECT_EQ(dst.GetKeyValue(4), -3.0f);
    ExpectKeptOutside(dst, 2, 8);
}

TEST(KFCurveSpan, ScaledCopies)
{
    KFCurve src;
    AddUser(src, 2, 1.0f);
    AddUser(src, 5, 1.0f);
    AddUser(src, 8, 1.0f);
    KFCurve dst;
    Destination(dst);
    dst.ReplaceSpanScaled(src, Sec(2), Sec(8), 1.0f, 3.0f, true);
    EXPECT_FLOAT_EQ(dst.GetKeyValue(2), 1.0f);
    EXPECT_FLOAT_EQ(dst.GetKeyValue(3), 2.0f);
    EXPECT_FLOAT_EQ(dst.GetKeyValue(4), 3.0f);

    KFCurve point;
    Destination(point);
    point.ReplaceSpanScaled(src, Sec(5), Sec(5), 2.0f, 4.0f, true);
    EXPECT_EQ(point.GetKeyCount(), 11);
    EXPECT_FLOAT_EQ(point.GetKeyValue(5), 2.0f); // no division by a zero span
    KFCurve open;
    Destination(open);
    open.ReplaceSpanScaled(src, kMinusInf, kInf, 2.0f, 4.0f, true);
    EXPECT_EQ(open.GetKeyCount(), 3);
    EXPECT_FLOAT_EQ(open.GetKeyValue(2), 2.0f);
}

TEST(KFCurveSpan, OffsetAndReflection)
{
    KFCurve src;
    KFKeyRecord r{};
    r.Set(Sec(3), 1.0f, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_BREAK, 2.0f, 2.0f);
    src.AddKey(Sec(3), r);
    r.Set(Sec(4), 3.0f, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_BREAK, 2.0f, 2.0f);
    src.AddKey(Sec(4), r);
    KFCurve dst;
    Destination(dst);
    dst.ReplaceSpanOffset(src, Sec(3), Sec(4), 10.0f, 0.0f, false, false, true);
    EXPECT_FLOAT_EQ(dst.GetKeyValue(3), 11.0f);
    EXPECT_FLOAT_EQ(dst.GetKeyValue(4), 13.0f);
    EXPECT_FLOAT_EQ(dst.GetKeyData(3, 0), 2.0f);

    KFCurve reflected;
    Destination(reflected);
    reflected.ReplaceSpanOffset(src, Sec(3), Sec(4), 10.0f, 50.0f, true, true, true);
    EXPECT_FLOAT_EQ(reflected.GetKeyValue(3), 9.0f);
    EXPECT_FLOAT_EQ(reflected.GetKeyValue(4), 7.0f);
    EXPECT_FLOAT_EQ(reflected.GetKeyData(3, 0), -2.0f); // reflected slopes
    EXPECT_FLOAT_EQ(reflected.GetKeyData(2, 1), 1.0f);  // the destination's slope at the start
    EXPECT_FLOAT_EQ(reflected.GetKeyData(4, 0), 1.0f);  // and at the stop
    // Keys after the span are reflected by the second offset, with their
    // slopes, and so is the slope arriving at the first of them.
    EXPECT_FLOAT_EQ(reflected.GetKeyValue(5), 50.0f - 105.0f);
    EXPECT_FLOAT_EQ(reflected.GetKeyData(5, 0), -1.0f);
    EXPECT_FLOAT_EQ(reflected.GetKeyData(4, 1), 2.0f); // -2 after the first reflection, then negated
    EXPECT_FLOAT_EQ(reflected.GetKeyValue(10), 50.0f - 110.0f);
}
