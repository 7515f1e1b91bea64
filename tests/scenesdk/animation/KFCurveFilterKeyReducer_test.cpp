// Bezier-fit key reducer on hand-built curves.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterKeyReducer.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace scenesdk;

namespace
{

KTime Sec(double s)
{
    KTime t;
    t.SetSeconds(s);
    return t;
}

void Key(KFCurve& c, double t, float v, uint32_t tangent = KFCURVE_TANGENT_AUTO, float d0 = 0, float d1 = 0)
{
    KFKeyRecord r{};
    r.Set(Sec(t), v, KFCURVE_INTERPOLATION_CUBIC, tangent, d0, d1);
    c.AddKey(Sec(t), r);
}

std::vector<double> Times(const KFCurve& c)
{
    std::vector<double> out;
    for (int i = 0; i < c.GetKeyCount(); ++i)
    {
        out.push_back(c.GetKeyTime(i).GetSeconds());
    }
    return out;
}

class CountingReducer : public KFCurveFilterKeyReducer
{
public:
    void NotifyProgress(int64_t first, int64_t last) override { ranges.push_back({first, last}); }
    std::vector<std::pair<int64_t, int64_t>> ranges;
};

} // namespace

TEST(KFCurveFilterKeyReducer, TwoKeysComeBackWithTheOldSlopes)
{
    KFCurve c;
    Key(c, 0, 1, KFCURVE_TANGENT_USER, 2.0f, -3.0f);
    Key(c, 2, 5, KFCURVE_TANGENT_AUTO);
    const double right = c.GetKeyRightDerivative(0);
    const double left = c.GetKeyLeftDerivative(1);
    KFCurveFilterKeyReducer filter;
    EXPECT_STREQ(filter.GetName(), "Bezier Fit/Key Reducer");
    EXPECT_DOUBLE_EQ(filter.GetFitTolerance(), 1.0);
    ASSERT_TRUE(filter.ApplyToCurve(c));
    ASSERT_EQ(Times(c), (std::vector<double>{0, 2}));
    EXPECT_EQ(c.GetKeyTangentMode(0), KFCURVE_TANGENT_USER);
    EXPECT_FLOAT_EQ(c.GetKeyDataFloat(0, 0), float(right));
    EXPECT_FLOAT_EQ(c.GetKeyDataFloat(0, 1), float(left));
    EXPECT_FLOAT_EQ(c.GetKeyValue(1), 5.0f);
}

TEST(KFCurveFilterKeyReducer, KeysOnOneSegmentReduceToItsEnds)
{
    // A straight line: auto keys on it all have its slope.
    KFCurve c;
    for (int i = 0; i <= 8; ++i)
    {
        Key(c, i * 0.5, float(2.0 * i * 0.5 + 1.0));
    }
    KFCurveFilterKeyReducer filter;
    filter.SetFitTolerance(0.001);
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(Times(c), (std::vector<double>{0, 4}));
    for (int i = 0; i <= 40; ++i)
    {
        EXPECT_NEAR(c.Evaluate(Sec(i * 0.1)), 2.0 * i * 0.1 + 1.0, 1e-3);
    }
}

TEST(KFCurveFilterKeyReducer, PrecisionDecidesWhichKeysReturn)
{
    const float values[] = {0, 1, 0, 1, 0, 1, 0};
    KFCurve loose, exact;
    for (int i = 0; i < 7; ++i)
    {
        Key(loose, i, values[i], KFCURVE_TANGENT_USER);
        Key(exact, i, values[i], KFCURVE_TANGENT_USER);
    }
    CountingReducer filter;
    filter.SetFitTolerance(0.0);
    ASSERT_TRUE(filter.ApplyToCurve(exact));
    EXPECT_EQ(exact.GetKeyCount(), 7);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_FLOAT_EQ(exact.GetKeyValue(i), values[i]);
    }
    EXPECT_FALSE(filter.ranges.empty());

    filter.SetFitTolerance(1.5); // every value lies within 1.5 of the flat end-to-end fit
    ASSERT_TRUE(filter.ApplyToCurve(loose));
    EXPECT_EQ(loose.GetKeyCount(), 2);
}

TEST(KFCurveFilterKeyReducer, KeysOutsideTheSpanStayAndSeamsTakeTheOldSlopes)
{
    KFCurve c;
    for (int i = 0; i <= 10; ++i)
    {
        Key(c, i, float(std::sin(i * 0.7)), KFCURVE_TANGENT_USER, 0.5f, -0.25f);
    }
    KFCurve old;
    old.CopyFrom(c, true);
    KFCurveFilterKeyReducer filter;
    filter.SetFitTolerance(10.0); // the fitted part keeps only its ends
    filter.SetStartTime(Sec(3));
    filter.SetStopTime(Sec(7));
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(Times(c), (std::vector<double>{0, 1, 2, 3, 7, 8, 9, 10}));
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_EQ(c.GetKeyTime(k), old.GetKeyTime(k));
        EXPECT_FLOAT_EQ(c.GetKeyValue(k), old.GetKeyValue(k));
        EXPECT_FLOAT_EQ(c.GetKeyDataFloat(k, 0), 0.5f);
    }
    for (int k = 5; k < 8; ++k)
    {
        EXPECT_EQ(c.GetKeyTime(k), old.GetKeyTime(k + 3));
        EXPECT_FLOAT_EQ(c.GetKeyValue(k), old.GetKeyValue(k + 3));
        EXPECT_FLOAT_EQ(c.GetKeyDataFloat(k, 0), 0.5f);
    }
    // Seam before: the slope arriving at the first fitted key (key 3) is the
    // old curve's there; seam after: the last fitted key breaks with the old
    // slope on its left and the old key's slope toward key 8.
    EXPECT_FLOAT_EQ(c.GetKeyDataFloat(2, 1), float(old.EvaluateRightDerivative(Sec(3))));
    EXPECT_EQ(c.GetKeyTangentMode(4), KFCURVE_TANGENT_BREAK);
    EXPECT_FLOAT_EQ(c.GetKeyDataFloat(4, 0), float(old.EvaluateLeftDerivative(Sec(7))));
    EXPECT_FLOAT_EQ(c.GetKeyDataFloat(4, 1), -0.25f);
}

TEST(KFCurveFilterKeyReducer, RefusesShortCurvesAndEmptySpans)
{
    KFCurveFilterKeyReducer filter;
    KFCurve one;
    Key(one, 0, 1);
    EXPECT_FALSE(filter.ApplyToCurve(one));
    EXPECT_EQ(filter.GetLastErrorID(), 1);
    EXPECT_STREQ(filter.GetLastErrorString(), "KeyReducer, No key were changed by filter.");

    KFCurve c;
    Key(c, 0, 1);
    Key(c, 1, 2);
    Key(c, 2, 0);
    filter.SetStartTime(Sec(5));
    EXPECT_FALSE(filter.ApplyToCurve(c));
    EXPECT_STREQ(filter.GetLastErrorString(),
                 "KeyReducer, Invalid Time Span. No key were changed by filter.");
    filter.SetStartTime(Sec(1));
    filter.SetStopTime(Sec(1));
    EXPECT_FALSE(filter.ApplyToCurve(c));
    EXPECT_EQ(filter.GetLastErrorID(), 1);
    EXPECT_EQ(c.GetKeyCount(), 3);
}

TEST(KFCurveFilterKeyReducer, KeySyncFlagUnitesTheReducedKeyTimes)
{
    KFCurve x, y, z;
    for (int i = 0; i <= 6; ++i)
    {
        Key(x, i, i == 2 ? 5.0f : 0.0f, KFCURVE_TANGENT_USER);
        Key(y, i, i == 4 ? 5.0f : 0.0f, KFCURVE_TANGENT_USER);
        Key(z, i, 0.0f, KFCURVE_TANGENT_USER);
    }
    KFCurve* curves[] = {&x, &y, &z};
    KFCurveFilterKeyReducer filter;
    filter.SetFitTolerance(0.5);
    filter.SetKeySync(true);
    ASSERT_TRUE(filter.ApplyToCurves(curves, 3));
    EXPECT_TRUE(filter.GetKeySync());
    EXPECT_EQ(Times(x), Times(y));
    EXPECT_EQ(Times(x), Times(z));
    const std::vector<double> times = Times(x);
    EXPECT_NE(std::find(times.begin(), times.end(), 2.0), times.end());
    EXPECT_NE(std::find(times.begin(), times.end(), 4.0), times.end());
    for (int i = 0; i < z.GetKeyCount(); ++i)
    {
        EXPECT_FLOAT_EQ(z.GetKeyValue(i), 0.0f);
    }

    // The node form synchronises the direct children.
    std::unique_ptr<KFCurveNode> node(new KFCurveNode("T", "T", nullptr));
    KFCurve& a = *node->FindOrCreateChild("X", true)->GetFCurve();
    KFCurve& b = *node->FindOrCreateChild("Y", true)->GetFCurve();
    for (int i = 0; i <= 6; ++i)
    {
        Key(a, i, i == 1 ? 5.0f : 0.0f, KFCURVE_TANGENT_USER);
        Key(b, i, i == 5 ? 5.0f : 0.0f, KFCURVE_TANGENT_USER);
    }
    ASSERT_TRUE(filter.ApplyToNode(*node));
    EXPECT_EQ(Times(a), Times(b));
}
