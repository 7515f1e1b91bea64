// Rotation filters: unroll, gimbal killer and ApplyRotationFilter, on
// hand-built rotation channels "R" with children "X", "Y", "Z".

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilter.h"
#include "scenesdk/animation/KFCurveFilterGimbleKiller.h"
#include "scenesdk/animation/KFCurveFilterUnroll.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <gtest/gtest.h>

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

struct Triple
{
    double t;
    float x, y, z;
};

void Key(KFCurve& c, double t, float v, uint32_t tangent = KFCURVE_TANGENT_AUTO)
{
    KFKeyRecord r{};
    r.Set(Sec(t), v, KFCURVE_INTERPOLATION_CUBIC, tangent);
    c.AddKey(Sec(t), r);
}

std::unique_ptr<KFCurveNode> Rotation(const std::vector<Triple>& keys, int order = 0)
{
    std::unique_ptr<KFCurveNode> node(new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation));
    node->SetRotationOrder(order);
    const char* names[3] = {"X", "Y", "Z"};
    for (int c = 0; c < 3; ++c)
    {
        KFCurveNode* child = node->FindOrCreateChild(names[c], true);
        for (const Triple& k : keys)
        {
            Key(*child->GetFCurve(), k.t, c == 0 ? k.x : c == 1 ? k.y : k.z);
        }
    }
    return node;
}

KFCurve& Curve(KFCurveNode& node, int c)
{
    return *node.GetChildAt(c)->GetFCurve();
}

std::vector<float> Values(const KFCurve& c)
{
    std::vector<float> out;
    for (int i = 0; i < c.GetKeyCount(); ++i)
    {
        out.push_back(c.GetKeyValue(i));
    }
    return out;
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

} // namespace

// ---- Unroll ----

TEST(KFCurveFilterUnroll, WholeTurnsAreRemoved)
{
    auto node = Rotation({{0, 10, 0, 0}, {1, 370, 0, 0}, {2, 730, 0, 0}});
    KFCurveFilterUnroll filter;
    EXPECT_STREQ(filter.GetName(), "Unroll Filter");
    EXPECT_DOUBLE_EQ(filter.GetQuality(), 0.25);
    EXPECT_FALSE(filter.GetPathFlag());
    ASSERT_TRUE(filter.ApplyToNode(*node));
    EXPECT_EQ(Values(Curve(*node, 0)), (std::vector<float>{10, 10, 10}));
    EXPECT_EQ(Values(Curve(*node, 1)), (std::vector<float>{0, 0, 0}));

    // A span that stops at a key: the keys after it move by the turns its
    // end moved.
    auto ended = Rotation({{0, 10, 0, 0}, {1, 370, 0, 0}, {2, 730, 0, 0}});
    filter.SetStopTime(Sec(1));
    ASSERT_TRUE(filter.ApplyToNode(*ended));
    EXPECT_EQ(Values(Curve(*ended, 0)), (std::vector<float>{10, 10, 370}));
}

TEST(KFCurveFilterUnroll, ContinuousAcrossPlusMinus180)
{
    // A steady turn of 15 degrees per key, stored wrapped into (-180, 180].
    std::vector<Triple> keys;
    for (int k = 0; k <= 12; ++k)
    {
        double a = std::fmod(150.0 + 15.0 * k + 180.0, 360.0) - 180.0;
        keys.push_back({double(k), float(a), 0.0f, 0.0f});
    }
    auto node = Rotation(keys);
    KFCurveFilterUnroll filter;
    ASSERT_TRUE(filter.ApplyToNode(*node));
    const std::vector<float> x = Values(Curve(*node, 0));
    ASSERT_EQ(x.size(), 13u);
    for (int k = 0; k <= 12; ++k)
    {
        EXPECT_FLOAT_EQ(x[k], float(150.0 + 15.0 * k)) << k;
    }
    // And downward through -180.
    auto down = Rotation({{0, -170, 0, 0}, {1, 170, 0, 0}});
    ASSERT_TRUE(filter.ApplyToNode(*down));
    EXPECT_EQ(Values(Curve(*down, 0)), (std::vector<float>{-170, -190}));
}

TEST(KFCurveFilterUnroll, FlippedTripleWinsWhenNearer)
{
    // The first key is unrolled toward zero.
    auto first = Rotation({{0, 180, 180, 180}, {1, 0, 0, 0}});
    KFCurveFilterUnroll filter;
    ASSERT_TRUE(filter.ApplyToNode(*first));
    EXPECT_EQ(Values(Curve(*first, 0)), (std::vector<float>{0, 0}));
    EXPECT_EQ(Values(Curve(*first, 1)), (std::vector<float>{0, 0}));

    // A span that starts at a later key keeps that key and unrolls from it.
    auto later = Rotation({{0, 0, 0, 0}, {1, 180, 180, 180}, {2, 0, 0, 0}});
    filter.SetStartTime(Sec(1));
    ASSERT_TRUE(filter.ApplyToNode(*later));
    EXPECT_EQ(Values(Curve(*later, 0)), (std::vector<float>{0, 180, 180}));
    EXPECT_EQ(Values(Curve(*later, 1)), (std::vector<float>{0, 180, 180}));
    EXPECT_EQ(Values(Curve(*later, 2)), (std::vector<float>{0, 180, 180}));
}

TEST(KFCurveFilterUnroll, RotationOrderPicksTheMiddleAxis)
{
    // Order 4 (Y, Z, X): the flip adds 180 to Y and X and mirrors Z.
    auto node = Rotation({{0, 0, 0, 0}, {1, 190, 170, 10}}, 4);
    KFCurveFilterUnroll filter;
    ASSERT_TRUE(filter.ApplyToNode(*node));
    // Flipped: Y 170+180 -> -10, Z 180-10 = 170, X 190+180 -> 10: farther
    // than the plain triple moved by whole turns (-170, 170, 10).
    const double plain = 170.0 * 170 + 170.0 * 170 + 10.0 * 10;
    const double flipped = 10.0 * 10 + 10.0 * 10 + 170.0 * 170;
    ASSERT_LT(flipped, plain);
    EXPECT_EQ(Values(Curve(*node, 0)), (std::vector<float>{0, 10}));
    EXPECT_EQ(Values(Curve(*node, 1)), (std::vector<float>{0, -10}));
    EXPECT_EQ(Values(Curve(*node, 2)), (std::vector<float>{0, 170}));
}

TEST(KFCurveFilterUnroll, SphericOrderOnlySynchronisesKeys)
{
    std::unique_ptr<KFCurveNode> node(new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation));
    node->SetRotationOrder(12);
    KFCurve& x = *node->FindOrCreateChild("X", true)->GetFCurve();
    KFCurve& y = *node->FindOrCreateChild("Y", true)->GetFCurve();
    KFCurve& z = *node->FindOrCreateChild("Z", true)->GetFCurve();
    Key(x, 0, 370);
    Key(x, 1, 730);
    Key(y, 0.5, 400);
    Key(z, 0, 0);
    Key(z, 1, 0);
    KFCurveFilterUnroll filter;
    ASSERT_TRUE(filter.ApplyToNode(*node));
    EXPECT_EQ(Times(x), (std::vector<double>{0, 0.5, 1}));
    EXPECT_EQ(Times(y), (std::vector<double>{0, 0.5, 1}));
    EXPECT_FLOAT_EQ(x.GetKeyValue(0), 370.0f);
    EXPECT_FLOAT_EQ(x.GetKeyValue(2), 730.0f);
    EXPECT_EQ(Values(y), (std::vector<float>{400, 400, 400}));

    // As many keys, at other times on Z only.
    Key(y, 1, 400);
    z.SetKeyTime(1, Sec(0.75));
    ASSERT_TRUE(filter.ApplyToNode(*node));
    EXPECT_EQ(Times(z), (std::vector<double>{0, 0.5, 0.75, 1}));
}

TEST(KFCurveFilterUnroll, RefusesWhatIsNotARotationChannel)
{
    KFCurveFilterUnroll filter;
    KFCurve c;
    EXPECT_FALSE(filter.ApplyToCurve(c));
    EXPECT_EQ(filter.GetLastErrorID(), 2);
    EXPECT_STREQ(filter.GetLastErrorString(), "Unroll Filter, Works only on rotation CurveNodes.");
    KFCurve a, b, d, e;
    KFCurve* two[] = {&a, &b};
    KFCurve* four[] = {&a, &b, &d, &e};
    EXPECT_FALSE(filter.ApplyToCurves(two, 2));
    EXPECT_EQ(filter.GetLastErrorID(), 2);
    EXPECT_FALSE(filter.ApplyToCurves(four, 4));
    EXPECT_EQ(filter.GetLastErrorID(), 2);

    // No "Z": passes the name check, fails the three-children test.
    std::unique_ptr<KFCurveNode> missing(new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation));
    Key(*missing->FindOrCreateChild("X", true)->GetFCurve(), 0, 1);
    Key(*missing->FindOrCreateChild("Y", true)->GetFCurve(), 0, 1);
    filter.GetError().ClearError();
    EXPECT_FALSE(filter.ApplyToNode(*missing));
    EXPECT_EQ(filter.GetLastErrorID(), 2);

    auto plain = Rotation({{0, 1, 2, 3}});
    plain->SetLayerType(eKFCurveNodeLayerNormal);
    EXPECT_FALSE(filter.ApplyToNode(*plain));
    EXPECT_EQ(filter.GetLastErrorID(), 2);

    auto empty = Rotation({});
    EXPECT_FALSE(filter.ApplyToNode(*empty));
    EXPECT_EQ(filter.GetLastErrorID(), 0);
    EXPECT_STREQ(filter.GetLastErrorString(), "Unroll Filter, No key to be filtered.");
}

TEST(KFCurveFilterUnroll, ArrayFormFiltersTheCallersCurves)
{
    KFCurve x, y, z;
    Key(x, 0, 10);
    Key(x, 1, 370);
    Key(y, 0, 0);
    Key(y, 1, 0);
    Key(z, 0, 0);
    Key(z, 1, -360);
    KFCurve* curves[] = {&x, &y, &z};
    KFCurveFilterUnroll filter;
    ASSERT_TRUE(filter.ApplyToCurves(curves, 3));
    EXPECT_EQ(Values(x), (std::vector<float>{10, 10}));
    EXPECT_EQ(Values(z), (std::vector<float>{0, 0}));
}

TEST(KFCurveFilterUnroll, SingleKeyInTheSpanIsNotChanged)
{
    auto node = Rotation({{0, 0, 0, 0}, {1, 370, 0, 0}, {2, 730, 0, 0}});
    KFCurveFilterUnroll filter;
    filter.SetStartTime(Sec(1));
    filter.SetStopTime(Sec(1.5));
    ASSERT_TRUE(filter.ApplyToNode(*node));
    EXPECT_EQ(Values(Curve(*node, 0)), (std::vector<float>{0, 370, 730}));
}

TEST(KFCurveFilterUnroll, PathMeasure)
{
    const double zero[3] = {0, 0, 0};
    const double turn[3] = {360, 0, 0};
    const double ten[3] = {10, 0, 0};
    EXPECT_NEAR(KFCurveFilterUnroll::PathMeasure(zero, turn), 0.0, 1e-9);
    EXPECT_NEAR(KFCurveFilterUnroll::PathMeasure(zero, ten), 1.0, 1e-6);
    EXPECT_DOUBLE_EQ(KFCurveFilterUnroll::PathMeasure(ten, ten), 100.0);

    // A turn about one axis moves angles and orientation alike (measure 1):
    // with the default quality the reference follows every result.
    const std::vector<Triple> steps = {{0, 10, 0, 0}, {1, 100, 0, 0}, {2, 190, 0, 0}, {3, 280, 0, 0}};
    auto follow = Rotation(steps);
    KFCurveFilterUnroll filter;
    filter.SetPathFlag(true);
    ASSERT_TRUE(filter.ApplyToNode(*follow));
    EXPECT_EQ(Values(Curve(*follow, 0)), (std::vector<float>{10, 100, 190, 280}));
    // A quality no result reaches keeps the reference at (0, 0, 0).
    auto stay = Rotation(steps);
    filter.SetQuality(1e9);
    ASSERT_TRUE(filter.ApplyToNode(*stay));
    EXPECT_EQ(Values(Curve(*stay, 0)), (std::vector<float>{10, 100, -170, -80}));
    filter.Reset();
    EXPECT_DOUBLE_EQ(filter.GetQuality(), 0.25);
    EXPECT_FALSE(filter.GetPathFlag());
}

TEST(KFCurveFilterUnroll, ApplyRotationFilterRunsTheUnrollFilter)
{
    ASSERT_EQ(GetRotationFilterMode(), 2);
    auto node = Rotation({{0, 10, 0, 0}, {1, 370, 0, 0}, {2, 730, 0, 0}});
    ApplyRotationFilter(node.get(), KTime(KTime::kMinusInfinite), KTime(KTime::kInfinite));
    EXPECT_EQ(Values(Curve(*node, 0)), (std::vector<float>{10, 10, 10}));
    ApplyRotationFilter(nullptr, KTime(0), KTime(1));

    // Over the whole time line the keys are rewritten where they are: each
    // curve's default becomes its old first value, a curve left as it was
    // hears of nothing, and where the end of the channel flips, the slope
    // leaving the last key of a user-tangent Y curve is reflected.
    const struct
    {
        const char* what;
        std::vector<Triple> keys;
        bool defaultsApart; // else each curve's default is its first value
        uint32_t tangent;
        std::vector<float> x; // after
        float xDefault;       // after
        float ySlope;         // after: leaving Y's last key, 7 before
        int calls;            // listener calls over the three curves
        bool own = false;     // a curve of the channel's own, keyed at 0
    } rows[] = {
        {"unrolled already", {{0, 10, 0, 0}, {1, 20, 0, 0}}, false, KFCURVE_TANGENT_AUTO, {10, 20}, 10, 7, 0},
        {"defaults apart", {{0, 10, 0, 0}, {1, 20, 0, 0}}, true, KFCURVE_TANGENT_AUTO, {10, 20}, 10, 7, 3},
        {"whole turns", {{0, 10, 0, 0}, {1, 370, 0, 0}}, false, KFCURVE_TANGENT_AUTO, {10, 10}, 10, 7, 1},
        {"flipped end", {{0, 0, 0, 0}, {1, 0, 540, 180}}, false, KFCURVE_TANGENT_USER, {0, 180}, 0, -7, 3},
        {"flipped end, auto", {{0, 0, 0, 0}, {1, 0, 540, 180}}, false, KFCURVE_TANGENT_AUTO, {0, 180}, 0, 7, 3},
        {"one key", {{0, 370, 0, 0}}, true, KFCURVE_TANGENT_AUTO, {370}, 371, 7, 0},
        {"a curve of the channel's own", {{0, 10, 0, 0}, {1, 370, 0, 0}}, false, KFCURVE_TANGENT_AUTO, {10, 10},
         10, 7, 3, true},
        // Keys at equal times are merged, as the replacement by a copy does.
        {"equal times", {{0, 10, 0, 0}, {1, 370, 0, 0}, {1, 730, 0, 0}}, false, KFCURVE_TANGENT_AUTO, {10, 730},
         10, 7, 3},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        auto whole = Rotation({});
        int calls = 0;
        for (int c = 0; c < 3; ++c)
        {
            KFCurve& curve = Curve(*whole, c);
            for (size_t k = 0; k < row.keys.size(); ++k)
            {
                Key(curve, double(k), c == 0 ? row.keys[k].x : c == 1 ? row.keys[k].y : row.keys[k].z, row.tangent);
                curve.SetKeyTime(int(k), Sec(row.keys[k].t));
            }
            curve.SetKeyData(curve.GetKeyCount() - 1, KFCURVEKEY_NEXT_LEFT_SLOPE, 7.0f);
            curve.SetDefaultValue(curve.GetKeyValue(0) + (row.defaultsApart ? 1.0f : 0.0f));
            curve.AddListener([](KFCurve*, KFCurveEvent*, void* n) { ++*static_cast<int*>(n); }, &calls);
        }
        if (row.own)
        {
            whole->SetFCurve(new KFCurve, true);
            Key(*whole->GetFCurve(), 0, 5.0f);
        }
        ApplyRotationFilter(whole.get(), KTime(KTime::kMinusInfinite), KTime(KTime::kInfinite));
        EXPECT_EQ(Values(Curve(*whole, 0)), row.x);
        EXPECT_EQ(Curve(*whole, 0).GetDefaultValue(), row.xDefault);
        KFCurve& y = Curve(*whole, 1);
        EXPECT_EQ(y.GetKeyData(y.GetKeyCount() - 1, KFCURVEKEY_NEXT_LEFT_SLOPE), row.ySlope);
        EXPECT_EQ(calls, row.calls);
    }
}

// ---- Gimbal killer ----

TEST(KFCurveFilterGimbleKiller, LargeStepsGetIntermediateKeys)
{
    auto node = Rotation({{0, 0, 0, 0}, {1, 0, 0, 20}});
    KFCurveFilterGimbleKiller filter;
    EXPECT_STREQ(filter.GetName(), "Gimble Killer");
    ASSERT_TRUE(filter.ApplyToNode(*node));
    KFCurve& z = Curve(*node, 2);
    ASSERT_EQ(z.GetKeyCount(), 4);
    // Blending a rotation of d degrees about one axis by a with the identity
    // gives 2 atan(a sin(d/2) / (a cos(d/2) + 1 - a)).
    const double rad = M_PI / 180.0;
    auto blend = [&](double d, double a)
    { return 2.0 * std::atan(a * std::sin(d / 2 * rad) / (a * std::cos(d / 2 * rad) + 1 - a)) / rad; };
    const double first = blend(20, 0.25);
    const double second = first + blend(20 - first, 0.5);
    EXPECT_NEAR(z.GetKeyTime(1).GetSeconds(), 0.25, 1e-9);
    EXPECT_NEAR(z.GetKeyValue(1), first, 1e-4);
    EXPECT_NEAR(z.GetKeyTime(2).GetSeconds(), 0.625, 1e-9);
    EXPECT_NEAR(z.GetKeyValue(2), second, 1e-4);
    EXPECT_EQ(z.GetKeyTime(3), Sec(1));
    EXPECT_FLOAT_EQ(z.GetKeyValue(3), 20.0f);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_NEAR(Curve(*node, 0).GetKeyValue(i), 0.0, 1e-4);
        EXPECT_EQ(z.GetKeyTangentMode(i), KFCURVE_TANGENT_AUTO);
    }
}

TEST(KFCurveFilterGimbleKiller, CloseKeysAreOnlyRebuilt)
{
    // Closer than 1/1200 s: no intermediate key whatever the angles.
    auto fast = Rotation({{0, 0, 0, 0}, {0.0005, 0, 0, 90}});
    KFCurveFilterGimbleKiller filter;
    ASSERT_TRUE(filter.ApplyToNode(*fast));
    EXPECT_EQ(Curve(*fast, 2).GetKeyCount(), 2);

    // Within the limit: same times and values, auto tangents.
    std::unique_ptr<KFCurveNode> node(new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation));
    const char* names[3] = {"X", "Y", "Z"};
    for (int c = 0; c < 3; ++c)
    {
        KFCurve& curve = *node->FindOrCreateChild(names[c], true)->GetFCurve();
        Key(curve, 0, 0, KFCURVE_TANGENT_USER);
        Key(curve, 1, 3 + c, KFCURVE_TANGENT_USER); // 9 + 16 + 25 < 75
        Key(curve, 2, 3, KFCURVE_TANGENT_USER);
    }
    ASSERT_TRUE(filter.ApplyToNode(*node));
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_EQ(Times(Curve(*node, c)), (std::vector<double>{0, 1, 2}));
        EXPECT_EQ(Values(Curve(*node, c)), (std::vector<float>{0, float(3 + c), 3}));
        EXPECT_EQ(Curve(*node, c).GetKeyTangentMode(1), KFCURVE_TANGENT_AUTO);
    }
}

TEST(KFCurveFilterGimbleKiller, UnrollsBeforeMeasuring)
{
    auto node = Rotation({{0, 10, 0, 0}, {1, 370, 0, 0}});
    KFCurveFilterGimbleKiller filter;
    ASSERT_TRUE(filter.ApplyToNode(*node));
    EXPECT_EQ(Values(Curve(*node, 0)), (std::vector<float>{10, 10}));
}

TEST(KFCurveFilterGimbleKiller, ArrayFormAndRefusals)
{
    KFCurve x, y, z;
    Key(x, 0, 0);
    Key(x, 1, 0);
    Key(y, 0, 0);
    Key(y, 1, 0);
    Key(z, 0, 0);
    Key(z, 1, 20);
    KFCurve* curves[] = {&x, &y, &z};
    KFCurveFilterGimbleKiller filter;
    ASSERT_TRUE(filter.ApplyToCurves(curves, 3));
    EXPECT_EQ(z.GetKeyCount(), 4);
    EXPECT_EQ(x.GetKeyCount(), 4);

    EXPECT_FALSE(filter.ApplyToCurves(curves, 2));
    EXPECT_EQ(filter.GetLastErrorID(), 2);
    EXPECT_STREQ(filter.GetLastErrorString(), "Need 3 KFCurve to apply a gimble killer filter.");
    EXPECT_FALSE(filter.ApplyToCurve(x));
    EXPECT_EQ(filter.GetLastErrorID(), 2);
    EXPECT_STREQ(filter.GetLastErrorString(), "Not 3 curve");

    auto plain = Rotation({{0, 1, 2, 3}});
    plain->SetLayerType(eKFCurveNodeLayerNormal);
    EXPECT_FALSE(filter.ApplyToNode(*plain));
    EXPECT_EQ(filter.GetLastErrorID(), 3);
    EXPECT_STREQ(filter.GetLastErrorString(), "Gimble Killer. Not a Rotation node!");

    std::unique_ptr<KFCurveNode> two(new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation));
    two->FindOrCreateChild("X", true);
    two->FindOrCreateChild("Y", true);
    EXPECT_FALSE(filter.ApplyToNode(*two));
    EXPECT_EQ(filter.GetLastErrorID(), 2);
    EXPECT_STREQ(filter.GetLastErrorString(), "Gimble Killer. ioCurveNode does not have 3 childs.");

    auto empty = Rotation({});
    EXPECT_FALSE(filter.ApplyToNode(*empty));
    EXPECT_EQ(filter.GetLastErrorID(), 0);
    EXPECT_STREQ(filter.GetLastErrorString(), "No key");
}

TEST(KFCurveFilterGimbleKiller, SynchronisesTheCurvesFirst)
{
    KFCurve x, y, z;
    Key(x, 0, 0);
    Key(x, 1, 4);
    Key(y, 0.5, 2);
    KFCurve* curves[] = {&x, &y, &z};
    KFCurveFilterGimbleKiller filter;
    EXPECT_EQ(filter.GetSynchronise(), 1);
    ASSERT_TRUE(filter.ApplyToCurves(curves, 3));
    EXPECT_EQ(Times(x), (std::vector<double>{0, 0.5, 1}));
    EXPECT_EQ(Times(y), (std::vector<double>{0, 0.5, 1}));
    EXPECT_EQ(Times(z), (std::vector<double>{0, 0.5, 1}));
    EXPECT_EQ(Values(y), (std::vector<float>{2, 2, 2}));
}
