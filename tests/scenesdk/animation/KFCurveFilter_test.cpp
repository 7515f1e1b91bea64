// Curve filter base, time shift and scale, key synchronisation and the
// constant key reducer, on hand-built curves and channel trees.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"
#include "scenesdk/animation/KFCurveFilterKeySync.h"
#include "scenesdk/animation/KFCurveFilterTimeShiftAndScale.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
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

const KTime kMinusInf(KTime::kMinusInfinite);
const KTime kInf(KTime::kInfinite);

// Keys at the given seconds with the given values (linear unless told).
void Fill(KFCurve& c, const std::vector<double>& times, const std::vector<float>& values,
          uint32_t interpolation = KFCURVE_INTERPOLATION_LINEAR)
{
    for (size_t i = 0; i < times.size(); ++i)
    {
        KFKeyRecord r{};
        r.Set(Sec(times[i]), values[i], interpolation, KFCURVE_TANGENT_AUTO);
        c.AddKey(Sec(times[i]), r);
    }
}

// Keys one second apart from 0 s.
void FillEvery(KFCurve& c, const std::vector<float>& values,
               uint32_t interpolation = KFCURVE_INTERPOLATION_LINEAR)
{
    std::vector<double> times;
    for (size_t i = 0; i < values.size(); ++i)
    {
        times.push_back(double(i));
    }
    Fill(c, times, values, interpolation);
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

std::vector<float> Values(const KFCurve& c)
{
    std::vector<float> out;
    for (int i = 0; i < c.GetKeyCount(); ++i)
    {
        out.push_back(c.GetKeyValue(i));
    }
    return out;
}

// A node with one child per curve given (the node owns the children, the
// children own their curves).
std::unique_ptr<KFCurveNode> Channel(const char* name, const std::vector<const char*>& children)
{
    std::unique_ptr<KFCurveNode> node(new KFCurveNode(name, name, nullptr));
    for (const char* child : children)
    {
        node->FindOrCreateChild(child, true);
    }
    return node;
}

int gEvents = 0;
void CountEvent(KFCurve*, KFCurveEvent*, void*)
{
    ++gEvents;
}

} // namespace

// ---- Base ----

TEST(KFCurveFilterBase, NewFilterCoversTheWholeTimeLine)
{
    KFCurveFilterConstantKeyReducer filter;
    EXPECT_EQ(filter.GetStartTime(), kMinusInf);
    EXPECT_EQ(filter.GetStopTime(), kInf);
    KFCurve c;
    FillEvery(c, {1, 2, 3, 4, 5});
    EXPECT_EQ(filter.GetStartKeyIndex(c), 0);
    EXPECT_EQ(filter.GetStopKeyIndex(c), 4);

    filter.SetStartTime(Sec(2));
    filter.SetStopTime(Sec(3));
    filter.Reset();
    EXPECT_EQ(filter.GetStartTime(), kMinusInf);
    EXPECT_EQ(filter.GetStopTime(), kInf);
    EXPECT_STREQ(filter.GetName(), "Constant Key Reducer");
}

TEST(KFCurveFilterBase, KeyIndicesOfSpans)
{
    KFCurveFilterKeySync filter;
    KFCurve c;
    FillEvery(c, {1, 2, 3, 4, 5});
    // Between keys: the key before each end.
    filter.SetStartTime(Sec(1.5));
    filter.SetStopTime(Sec(2.5));
    EXPECT_EQ(filter.GetStartKeyIndex(c), 1);
    EXPECT_EQ(filter.GetStopKeyIndex(c), 2);
    // Wholly before the first key, wholly after the last.
    filter.SetStartTime(Sec(-10));
    filter.SetStopTime(Sec(-5));
    EXPECT_EQ(filter.GetStartKeyIndex(c), 0);
    EXPECT_EQ(filter.GetStopKeyIndex(c), 0);
    filter.SetStartTime(Sec(10));
    filter.SetStopTime(Sec(20));
    EXPECT_EQ(filter.GetStartKeyIndex(c), 4);
    EXPECT_EQ(filter.GetStopKeyIndex(c), 4);

    KFCurve empty;
    EXPECT_EQ(filter.GetStartKeyIndex(empty), -1);
    EXPECT_EQ(filter.GetStopKeyIndex(empty), -1);
}

TEST(KFCurveFilterBase, ArrayAndTreeFormsReportTrueWhenEveryCurveFails)
{
    KFCurveFilterTimeShiftAndScale filter; // shift 0, scale 1: every curve refuses
    KFCurve a, b;
    FillEvery(a, {1, 2});
    KFCurve* curves[] = {&a, nullptr, &b};
    EXPECT_TRUE(filter.ApplyToCurves(curves, 3));
    EXPECT_EQ(filter.GetLastErrorID(), 1);
    auto node = Channel("T", {"X", "Y"});
    EXPECT_TRUE(filter.ApplyToNode(*node));
    EXPECT_TRUE(filter.NeedApplyToNode(*node));
}

// ---- Time shift and scale ----

TEST(KFCurveFilterTimeShiftAndScale, RefusesWhenNothingWouldMove)
{
    KFCurveFilterTimeShiftAndScale filter;
    EXPECT_STREQ(filter.GetName(), "TimeShiftAndScaleFilter");
    KFCurve c;
    FillEvery(c, {1, 2});
    EXPECT_FALSE(filter.ApplyToCurve(c));
    EXPECT_EQ(filter.GetLastErrorID(), 1);
    EXPECT_STREQ(filter.GetLastErrorString(), "TimeShiftAndScaleFilter, No key were changed by filter.");
    filter.SetScale(-2.0);
    EXPECT_FALSE(filter.ApplyToCurve(c));
    EXPECT_EQ(filter.GetLastErrorID(), 1);
    EXPECT_EQ(Times(c), (std::vector<double>{0, 1}));

    KFCurve empty;
    filter.SetShift(Sec(1));
    EXPECT_FALSE(filter.ApplyToCurve(empty));
    EXPECT_EQ(filter.GetLastErrorID(), 0);
    EXPECT_STREQ(filter.GetLastErrorString(), "TimeShiftAndScaleFilter, No key to be filtered.");
}

TEST(KFCurveFilterTimeShiftAndScale, ShiftsThenScalesEveryKeyInOneNotification)
{
    KFCurveFilterTimeShiftAndScale filter;
    filter.SetShift(Sec(1));
    filter.SetScale(-2.0); // ignored: the shift alone applies
    KFCurve c;
    FillEvery(c, {1, 2, 3});
    filter.SetStartTime(Sec(1)); // the span is not used
    filter.SetStopTime(Sec(1));
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(c.GetKeyTime(0), Sec(1));
    EXPECT_EQ(c.GetKeyTime(2), Sec(3));

    KFCurve d;
    Fill(d, {0.5, 2.0}, {1, 2});
    gEvents = 0;
    d.AddListener(&CountEvent, nullptr);
    filter.SetScale(2.0);
    ASSERT_TRUE(filter.ApplyToCurve(d));
    EXPECT_EQ(gEvents, 1);
    EXPECT_EQ(d.GetKeyTime(0).Get(), 3 * KTime::kOneSecond);
    EXPECT_EQ(d.GetKeyTime(1).Get(), 6 * KTime::kOneSecond);
    d.RemoveListener(&CountEvent, nullptr);

    // Reset keeps shift and scale.
    filter.Reset();
    EXPECT_EQ(filter.GetShift(), Sec(1));
    EXPECT_EQ(filter.GetScale(), 2.0);
}

TEST(KFCurveFilterTimeShiftAndScale, ScaledTimesTruncateToWholeTicks)
{
    KFCurveFilterTimeShiftAndScale filter;
    filter.SetScale(0.5);
    KFCurve c;
    KFKeyRecord r{};
    r.Set(KTime(3), 1.0f);
    c.AddKey(KTime(3), r);
    r.Set(KTime(7), 2.0f);
    c.AddKey(KTime(7), r);
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(c.GetKeyTime(0).Get(), 1); // 1.5 ticks
    EXPECT_EQ(c.GetKeyTime(1).Get(), 3); // 3.5 ticks
}

TEST(KFCurveFilterTimeShiftAndScale, NodeFormMovesEveryCurveOfTheTree)
{
    auto node = Channel("T", {"X", "Y"});
    FillEvery(*node->GetChildAt(0)->GetFCurve(), {1, 2});
    FillEvery(*node->GetChildAt(1)->GetFCurve(), {3});
    KFCurveFilterTimeShiftAndScale filter;
    filter.SetShift(Sec(-2));
    EXPECT_TRUE(filter.ApplyToNode(*node, true));
    EXPECT_EQ(Times(*node->GetChildAt(0)->GetFCurve()), (std::vector<double>{-2, -1}));
    EXPECT_EQ(Times(*node->GetChildAt(1)->GetFCurve()), (std::vector<double>{-2}));
    // Not recursive: only the node's own curve, and it has none.
    EXPECT_TRUE(filter.ApplyToNode(*node, false));
    EXPECT_EQ(Times(*node->GetChildAt(1)->GetFCurve()), (std::vector<double>{-2}));
}

// ---- Key synchronisation ----

TEST(KFCurveFilterKeySync, KeysAtTheUnionOfKeyTimesWithEachCurvesValues)
{
    KFCurve a, b;
    Fill(a, {0, 10}, {0, 10});
    Fill(b, {5}, {7});
    KFCurve* curves[] = {&a, &b};
    KFCurveFilterKeySync filter;
    EXPECT_STREQ(filter.GetName(), "FCurve Key Synchronizer");
    EXPECT_TRUE(filter.NeedApplyToCurves(curves, 2));
    EXPECT_EQ(filter.GetLastErrorID(), 2);
    EXPECT_STREQ(filter.GetLastErrorString(),
                 "KeySyncFilter, Key count is different in the Curves to be filtered.");
    ASSERT_TRUE(filter.ApplyToCurves(curves, 2));
    EXPECT_EQ(Times(a), (std::vector<double>{0, 5, 10}));
    EXPECT_EQ(Times(b), (std::vector<double>{0, 5, 10}));
    EXPECT_FLOAT_EQ(a.GetKeyValue(1), 5.0f);
    EXPECT_EQ(Values(b), (std::vector<float>{7, 7, 7}));
    // The linear shape survives the new key.
    EXPECT_NEAR(a.Evaluate(Sec(2.5)), 2.5f, 1e-4);
    EXPECT_NEAR(a.Evaluate(Sec(7.5)), 7.5f, 1e-4);

    filter.GetError().ClearError();
    EXPECT_FALSE(filter.NeedApplyToCurves(curves, 2));
    EXPECT_EQ(filter.GetLastErrorID(), -1);
}

TEST(KFCurveFilterKeySync, SameCountsAtDifferentTimesNeedSynchronising)
{
    KFCurve a, b, e1, e2;
    Fill(a, {0, 1}, {0, 1});
    Fill(b, {0, 2}, {0, 1});
    KFCurve* curves[] = {&a, &b};
    KFCurveFilterKeySync filter;
    EXPECT_TRUE(filter.NeedApplyToCurves(curves, 2));
    EXPECT_EQ(filter.GetLastErrorID(), 3);
    EXPECT_STREQ(filter.GetLastErrorString(), "KeySyncFilter, keys are not synchronized.");
    KFCurve* empties[] = {&e1, &e2};
    EXPECT_FALSE(filter.NeedApplyToCurves(empties, 2));
    EXPECT_FALSE(filter.NeedApplyToCurves(curves, 1));
}

TEST(KFCurveFilterKeySync, RefusesSingleCurvesAndTooManyCurves)
{
    KFCurveFilterKeySync filter;
    KFCurve c;
    EXPECT_FALSE(filter.ApplyToCurve(c));
    EXPECT_FALSE(filter.NeedApply(c));
    EXPECT_EQ(filter.GetLastErrorID(), 1);
    EXPECT_STREQ(filter.GetLastErrorString(), "KeySyncFilter, No key were changed by filter.");
    KFCurve* one[] = {&c};
    EXPECT_FALSE(filter.ApplyToCurves(one, 1));
    EXPECT_EQ(filter.GetLastErrorID(), 1);

    std::vector<KFCurve> many(21);
    std::vector<KFCurve*> pointers;
    for (KFCurve& m : many)
    {
        pointers.push_back(&m);
    }
    EXPECT_FALSE(filter.ApplyToCurves(pointers.data(), 21));
    EXPECT_EQ(filter.GetLastErrorID(), 4);
    EXPECT_STREQ(filter.GetLastErrorString(),
                 "KeySyncFilter, Curve count is too mush. No support above 20 curves..");
    EXPECT_TRUE(filter.ApplyToCurves(pointers.data(), 20));
}

TEST(KFCurveFilterKeySync, NodeFormTakesTheDirectChildrenUpTo19)
{
    std::vector<const char*> names(20, "C");
    auto node = Channel("N", {});
    for (int i = 0; i < 20; ++i)
    {
        KFCurveNode* child = new KFCurveNode("C", "C", nullptr);
        child->SetFCurve(KFCurve::Create());
        Fill(*child->GetFCurve(), {double(i)}, {float(i)});
        node->AddChild(child);
    }
    KFCurveFilterKeySync filter;
    EXPECT_FALSE(filter.ApplyToNode(*node));
    EXPECT_EQ(filter.GetLastErrorID(), 4);
    EXPECT_FALSE(filter.NeedApplyToNode(*node));
    EXPECT_EQ(node->GetChildAt(0)->GetFCurve()->GetKeyCount(), 1);

    node->DeleteChildAt(19);
    EXPECT_TRUE(filter.NeedApplyToNode(*node));
    ASSERT_TRUE(filter.ApplyToNode(*node));
    for (int i = 0; i < 19; ++i)
    {
        EXPECT_EQ(node->GetChildAt(i)->GetFCurve()->GetKeyCount(), 19);
    }
    // A child without a curve is refused rather than read.
    node->DeleteChildAt(18);
    node->AddChild(new KFCurveNode("D", "D", nullptr));
    EXPECT_FALSE(filter.ApplyToNode(*node));
    EXPECT_EQ(filter.GetLastErrorID(), 1);
}

TEST(KFCurveFilterKeySync, SpanLimitsTheSynchronisedTimes)
{
    KFCurve a, b;
    Fill(a, {0, 5, 10}, {0, 5, 10});
    Fill(b, {2, 6}, {2, 6});
    KFCurve* curves[] = {&a, &b};
    KFCurveFilterKeySync filter;
    filter.SetStartTime(Sec(3));
    filter.SetStopTime(Sec(7));
    ASSERT_TRUE(filter.ApplyToCurves(curves, 2));
    EXPECT_EQ(Times(a), (std::vector<double>{0, 5, 6, 10}));
    EXPECT_EQ(Times(b), (std::vector<double>{2, 5, 6}));
    EXPECT_FLOAT_EQ(a.GetKeyValue(2), 6.0f);
    EXPECT_FLOAT_EQ(b.GetKeyValue(1), 5.0f);

    // Keys exactly at the span's ends are included.
    KFCurve c, d;
    Fill(c, {3, 7}, {1, 2});
    Fill(d, {4}, {1});
    KFCurve* ends[] = {&c, &d};
    ASSERT_TRUE(filter.ApplyToCurves(ends, 2));
    EXPECT_EQ(Times(d), (std::vector<double>{3, 4, 7}));
}

TEST(KFCurveFilterKeySync, EmptyCurveTakesItsDefaultAtEveryTime)
{
    KFCurve a, e;
    Fill(a, {1, 2}, {4, 8});
    e.SetDefaultValue(3.5f);
    KFCurve* curves[] = {&a, &e};
    KFCurveFilterKeySync filter;
    ASSERT_TRUE(filter.ApplyToCurves(curves, 2));
    EXPECT_EQ(Times(e), (std::vector<double>{1, 2}));
    EXPECT_EQ(Values(e), (std::vector<float>{3.5f, 3.5f}));
}

TEST(KFCurveFilterKeySync, KeyOneTickAfterAnotherIsSynchronisedToo)
{
    KFCurve a, b;
    KFKeyRecord r{};
    r.Set(Sec(1), 1.0f, KFCURVE_INTERPOLATION_LINEAR);
    a.AddKey(Sec(1), r);
    r.Set(Sec(1) + KTime(1), 2.0f, KFCURVE_INTERPOLATION_LINEAR);
    b.AddKey(Sec(1) + KTime(1), r);
    KFCurve* curves[] = {&a, &b};
    KFCurveFilterKeySync filter;
    ASSERT_TRUE(filter.ApplyToCurves(curves, 2));
    ASSERT_EQ(a.GetKeyCount(), 2);
    ASSERT_EQ(b.GetKeyCount(), 2);
    EXPECT_EQ(a.GetKeyTime(1), Sec(1) + KTime(1));
    EXPECT_EQ(b.GetKeyTime(0), Sec(1));
}

TEST(KFCurveFilterKeySync, CubicShapeIsKept)
{
    KFCurve a, b;
    Fill(a, {0, 1, 3}, {0, 4, -2}, KFCURVE_INTERPOLATION_CUBIC);
    Fill(b, {0.4, 2.2}, {1, 1});
    std::vector<float> before;
    for (int i = 0; i <= 30; ++i)
    {
        before.push_back(a.Evaluate(Sec(i * 0.1)));
    }
    KFCurve* curves[] = {&a, &b};
    KFCurveFilterKeySync filter;
    ASSERT_TRUE(filter.ApplyToCurves(curves, 2));
    EXPECT_EQ(a.GetKeyCount(), 5);
    for (int i = 0; i <= 30; ++i)
    {
        EXPECT_NEAR(a.Evaluate(Sec(i * 0.1)), before[i], 2e-3) << i;
    }
}

// ---- Constant key reducer ----

TEST(KFCurveFilterConstantKeyReducer, PlateausKeepTheTwoKeysNextToEachChange)
{
    KFCurveFilterConstantKeyReducer filter;
    KFCurve c;
    FillEvery(c, {0, 0, 0, 0, 0, 5, 5, 5, 5, 5});
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(Times(c), (std::vector<double>{3, 4, 5, 6}));
    EXPECT_EQ(Values(c), (std::vector<float>{0, 0, 5, 5}));

    KFCurve d;
    FillEvery(d, {0, 0, 0, 5, 5, 5, 5, 5, 5, 0, 0, 0});
    ASSERT_TRUE(filter.ApplyToCurve(d));
    EXPECT_EQ(Times(d), (std::vector<double>{1, 2, 3, 4, 7, 8, 9, 10}));
}

TEST(KFCurveFilterConstantKeyReducer, WhollyFlatCurveBecomesItsDefaultOrKeepsOneKey)
{
    KFCurveFilterConstantKeyReducer filter;
    KFCurve c;
    FillEvery(c, {1.0f, 1.005f, 0.998f, 1.002f});
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(c.GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(c.GetDefaultValue(), 1.0f);

    KFCurve d;
    FillEvery(d, {1.0f, 1.005f, 0.998f, 1.002f});
    filter.SetKeepOneKey(true);
    ASSERT_TRUE(filter.ApplyToCurve(d));
    ASSERT_EQ(d.GetKeyCount(), 1);
    EXPECT_EQ(d.GetKeyTime(0), Sec(0));
    EXPECT_FLOAT_EQ(d.GetKeyValue(0), 1.0f);

    filter.Reset();
    EXPECT_FALSE(filter.GetKeepOneKey());
    KFCurve single;
    FillEvery(single, {2.5f});
    ASSERT_TRUE(filter.ApplyToCurve(single));
    EXPECT_EQ(single.GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(single.GetDefaultValue(), 2.5f);
}

TEST(KFCurveFilterConstantKeyReducer, BandEdgesAndTolerance)
{
    KFCurveFilterConstantKeyReducer filter;
    EXPECT_DOUBLE_EQ(filter.GetTolerance(), 0.009);
    EXPECT_DOUBLE_EQ(filter.GetScalingTolerance(), 0.004);
    KFCurve c;
    FillEvery(c, {1.0f, 1.02f, 1.0f, 1.0f});
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(c.GetKeyCount(), 4); // 0.02 is outside the band: every window fails
    filter.SetTolerance(0.05);
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(c.GetKeyCount(), 0);
}

TEST(KFCurveFilterConstantKeyReducer, CubicKeyWithASlopeStopsARun)
{
    KFCurve c;
    FillEvery(c, {0, 0, 0, 0, 0, 0, 0}, KFCURVE_INTERPOLATION_CUBIC);
    c.SetKeyTangentMode(3, KFCURVE_TANGENT_USER);
    c.SetKeyDataFloat(3, 0, 1.0f);
    KFCurveFilterConstantKeyReducer filter;
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(Times(c), (std::vector<double>{1, 2, 3, 4, 5}));

    KFCurve plain;
    FillEvery(plain, {0, 0, 0, 0, 0, 0, 0}, KFCURVE_INTERPOLATION_CUBIC);
    ASSERT_TRUE(filter.ApplyToCurve(plain));
    EXPECT_EQ(plain.GetKeyCount(), 0);
}

TEST(KFCurveFilterConstantKeyReducer, SpanLimitsRemovalAndWindow)
{
    KFCurve c;
    FillEvery(c, {0, 5, 0, 0, 0, 0, 0, 5, 0, 0});
    KFCurveFilterConstantKeyReducer filter;
    filter.SetStartTime(Sec(2));
    filter.SetStopTime(Sec(6));
    ASSERT_TRUE(filter.ApplyToCurve(c));
    EXPECT_EQ(Times(c), (std::vector<double>{0, 1, 7, 8, 9}));
}

TEST(KFCurveFilterConstantKeyReducer, EmptyCurveFailsButNotTheNodeForm)
{
    KFCurveFilterConstantKeyReducer filter;
    KFCurve c;
    EXPECT_FALSE(filter.ApplyToCurve(c));
    EXPECT_EQ(filter.GetLastErrorID(), 0);
    EXPECT_STREQ(filter.GetLastErrorString(), "ConstantKeyReducer, No key to be filtered.");
    auto node = Channel("T", {"X"});
    EXPECT_TRUE(filter.ApplyToNode(*node));
}

TEST(KFCurveFilterConstantKeyReducer, ConstantOnlyTreeIsLeftAlone)
{
    auto node = Channel("T", {"X", "Y"});
    FillEvery(*node->GetChildAt(0)->GetFCurve(), {1, 1, 1, 1}, KFCURVE_INTERPOLATION_CONSTANT);
    KFCurveFilterConstantKeyReducer filter;
    EXPECT_FALSE(filter.ApplyToNode(*node));
    EXPECT_EQ(node->GetChildAt(0)->GetFCurve()->GetKeyCount(), 4);
    // Each channel is judged on its own keys: the constant one still stays.
    FillEvery(*node->GetChildAt(1)->GetFCurve(), {1, 1, 1, 1});
    EXPECT_TRUE(filter.ApplyToNode(*node));
    EXPECT_EQ(node->GetChildAt(0)->GetFCurve()->GetKeyCount(), 4);
    EXPECT_EQ(node->GetChildAt(1)->GetFCurve()->GetKeyCount(), 0);
}

TEST(KFCurveFilterConstantKeyReducer, NodeFormPicksTheToleranceByChannel)
{
    const std::vector<float> wobble = {1.0f, 1.006f, 1.0f, 1.006f, 1.0f};
    auto scaling = Channel("S", {"X"});
    auto translation = Channel("Lcl Translation", {"X"});
    FillEvery(*scaling->GetChildAt(0)->GetFCurve(), wobble);
    FillEvery(*translation->GetChildAt(0)->GetFCurve(), wobble);
    KFCurveFilterConstantKeyReducer filter;
    EXPECT_TRUE(filter.ApplyToNode(*scaling));
    EXPECT_TRUE(filter.ApplyToNode(*translation));
    EXPECT_EQ(scaling->GetChildAt(0)->GetFCurve()->GetKeyCount(), 5);     // +-0.004
    EXPECT_EQ(translation->GetChildAt(0)->GetFCurve()->GetKeyCount(), 0); // +-0.009
    EXPECT_DOUBLE_EQ(filter.GetTolerance(), 0.009);                       // restored

    // A general tolerance other than the default applies to every channel.
    filter.SetTolerance(0.01);
    EXPECT_TRUE(filter.ApplyToNode(*scaling));
    EXPECT_EQ(scaling->GetChildAt(0)->GetFCurve()->GetKeyCount(), 0);

    // The scaling tolerance is used for a scaling channel's own curve too.
    filter.Reset();
    filter.SetScalingTolerance(0.01);
    std::unique_ptr<KFCurveNode> own(new KFCurveNode("Lcl Scaling", "Lcl Scaling", nullptr));
    own->SetFCurve(KFCurve::Create());
    FillEvery(*own->GetFCurve(), wobble);
    EXPECT_TRUE(filter.ApplyToNode(*own));
    EXPECT_EQ(own->GetFCurve()->GetKeyCount(), 0);
}
