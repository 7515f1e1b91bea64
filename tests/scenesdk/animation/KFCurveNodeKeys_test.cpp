// Key operations over a channel tree: counts, intervals, neighbouring key
// times, default values, appending keys and pasting spans.

#include "KFCurveNodeTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace scenesdk;
using namespace channeltest;

namespace
{

// X with keys at 0, 1, 2 s; Y none; Z at 0.5 and 4 s.
KFCurveNode* Keyed()
{
    KFCurveNode* t = new KFCurveNode("T", "T", nullptr);
    t->AddChild(Leaf("X", 0, {{0, 0}, {1, 1}, {2, 2}}));
    t->AddChild(Leaf("Y", 0));
    t->AddChild(Leaf("Z", 0, {{0.5, 5}, {4, 6}}));
    return t;
}

} // namespace

TEST(KFCurveNodeKeysTest, CountsIncludingLayers)
{
    KFCurveNode* t = Keyed();
    EXPECT_EQ(5, t->KeyGetCount());
    KFCurveNode* layer = t->CreateLayer(1, true);
    for (int i = 0; i < 4; ++i)
    {
        layer->GetChildAt(1)->GetFCurve()->SetKey(i, Sec(i), 0);
    }
    EXPECT_EQ(5, t->KeyGetCount(false));
    EXPECT_EQ(9, t->KeyGetCount(true));
    delete t;
}

TEST(KFCurveNodeKeysTest, KeyInterval)
{
    KFCurveNode* empty = Triple("T", 0, 0, 0);
    KTime start = Sec(7), stop = Sec(8);
    EXPECT_FALSE(empty->GetKeyInterval(start, stop));
    EXPECT_EQ(Sec(7), start);
    EXPECT_EQ(Sec(8), stop);
    delete empty;

    KFCurveNode* t = new KFCurveNode("T", "T", nullptr);
    t->AddChild(Leaf("X", 0, {{1, 0}}));
    t->AddChild(Leaf("Y", 0, {{4, 0}}));
    start = Sec(2);
    stop = Sec(3);
    EXPECT_TRUE(t->GetKeyInterval(start, stop));
    EXPECT_EQ(Sec(1), start);
    EXPECT_EQ(Sec(4), stop);

    // Layer keys widen it too.
    KFCurveNode* layer = t->CreateLayer(1, true);
    layer->GetChildAt(0)->GetFCurve()->SetKey(0, Sec(9), 0);
    EXPECT_TRUE(t->GetKeyInterval(start, stop));
    EXPECT_EQ(Sec(9), stop);
    delete t;
}

TEST(KFCurveNodeKeysTest, PreviousAndNextKeyTimes)
{
    KFCurveNode* t = Keyed();
    KTime out;
    t->GetPreviousKeyTime(out, Sec(1));
    EXPECT_EQ(Sec(0.5), out); // not the key at 1 s itself
    t->GetPreviousKeyTime(out, Sec(0));
    EXPECT_EQ(Sec(0), out); // nothing before the first key
    t->GetPreviousKeyTime(out, Sec(10));
    EXPECT_EQ(Sec(4), out);

    t->GetNextKeyTime(out, Sec(1));
    EXPECT_EQ(Sec(2), out);
    t->GetNextKeyTime(out, Sec(0.2));
    EXPECT_EQ(Sec(0.5), out);
    t->GetNextKeyTime(out, Sec(4.5));
    EXPECT_EQ(Sec(4.5), out);

    // Masking Z out.
    const uint8_t mask[3] = {1, 1, 0};
    t->GetNextKeyTime(out, Sec(0.2), mask);
    EXPECT_EQ(Sec(1), out);
    t->GetPreviousKeyTime(out, Sec(10), mask);
    EXPECT_EQ(Sec(2), out);

    // Layers only when asked.
    KFCurveNode* layer = t->CreateLayer(1, true);
    layer->GetChildAt(1)->GetFCurve()->SetKey(0, Sec(0.3), 0);
    t->GetNextKeyTime(out, Sec(0.2), nullptr, false);
    EXPECT_EQ(Sec(0.5), out);
    t->GetNextKeyTime(out, Sec(0.2), nullptr, true);
    EXPECT_EQ(Sec(0.3), out);
    delete t;
}

TEST(KFCurveNodeKeysTest, NullMaskCoversManyChildren)
{
    KFCurveNode wide("Wide", "Wide", nullptr);
    for (int i = 0; i < 8; ++i)
    {
        wide.AddChild(Leaf("C", 0, {{static_cast<double>(i + 1), 0}}));
    }
    KTime out;
    wide.GetNextKeyTime(out, Sec(7.5));
    EXPECT_EQ(Sec(8), out);
}

TEST(KFCurveNodeKeysTest, DefaultValuesDepthFirst)
{
    KFCurveNode* t = Triple("T", 1, 2, 3);
    double values[3];
    EXPECT_EQ(values + 3, t->GetDefaultValues(values));
    EXPECT_DOUBLE_EQ(2, values[1]);
    const double in[3] = {7, 8, 9};
    EXPECT_EQ(in + 3, t->SetDefaultValues(in));
    EXPECT_FLOAT_EQ(9, t->GetChildAt(2)->GetFCurve()->GetDefaultValue());
    delete t;
}

TEST(KFCurveNodeKeysTest, AppendKeysKeepsRotationsClosest)
{
    KFCurveNode* r = new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation);
    r->AddChild(Leaf("X", 0, {{0, 0}}));
    r->AddChild(Leaf("Y", 0, {{0, 0}}));
    r->AddChild(Leaf("Z", 0, {{0, 350}}));
    const double values[3] = {0, 0, -5};
    EXPECT_EQ(values + 3, r->AppendKeys(Sec(1), values, true));
    EXPECT_FLOAT_EQ(355, r->GetChildAt(2)->GetFCurve()->GetKeyValue(1));
    EXPECT_FLOAT_EQ(0, r->GetChildAt(0)->GetFCurve()->GetKeyValue(1));

    EXPECT_EQ(values + 3, r->AppendKeys(Sec(2), values, false));
    EXPECT_FLOAT_EQ(-5, r->GetChildAt(2)->GetFCurve()->GetKeyValue(2));

    // A rotation-shaped node whose children are not three curves consumes
    // what its curves take, no more.
    KFCurveNode odd("R", "R", nullptr);
    odd.AddChild(Leaf("X", 0));
    odd.AddChild(new KFCurveNode("Y", "Y", nullptr));
    odd.AddChild(Leaf("Z", 0));
    EXPECT_EQ(values + 2, odd.AppendKeys(Sec(1), values, true));
    delete r;
}

TEST(KFCurveNodeKeysTest, ReplaceKeysInSpan)
{
    KFCurveNode* target = Triple("T", 0, 0, 0);
    KFCurveNode* source = Triple("T", 0, 0, 0);
    for (int axis = 0; axis < 3; ++axis)
    {
        KFCurve* curve = source->GetChildAt(axis)->GetFCurve();
        curve->SetKey(0, Sec(1), 10, KFCURVE_INTERPOLATION_LINEAR);
        curve->SetKey(1, Sec(2), 20, KFCURVE_INTERPOLATION_LINEAR);
    }
    target->ReplaceKeysInSpan(*source, Sec(0), Sec(3));
    EXPECT_EQ(6, target->KeyGetCount());

    // Different shapes: only the node's own curves take part.
    KFCurveNode* withCurve = Leaf("A", 0);
    withCurve->AddChild(Leaf("X", 0));
    KFCurveNode* other = Leaf("A", 0, {{1, 1}});
    other->AddChild(Leaf("X", 0, {{1, 1}}));
    other->AddChild(Leaf("Y", 0, {{1, 1}}));
    withCurve->ReplaceKeysInSpan(*other, Sec(0), Sec(3));
    EXPECT_EQ(1, withCurve->GetFCurve()->GetKeyCount());
    EXPECT_EQ(0, withCurve->GetChildAt(0)->GetFCurve()->GetKeyCount());
    delete withCurve;
    delete other;
    delete target;
    delete source;
}

TEST(KFCurveNodeKeysTest, ReplaceEulerKeysJoinsByWholeTurns)
{
    // This channel sits near 720 on Z before the span; the pasted keys near
    // 0 are moved by two turns so the curve stays continuous.
    KFCurveNode* target = new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation);
    target->AddChild(Leaf("X", 0, {{0, 0}, {5, 0}}));
    target->AddChild(Leaf("Y", 0, {{0, 0}, {5, 0}}));
    target->AddChild(Leaf("Z", 0, {{0, 720}, {5, 720}}));
    KFCurveNode* source = new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation);
    source->AddChild(Leaf("X", 0, {{1, 0}, {2, 0}}));
    source->AddChild(Leaf("Y", 0, {{1, 0}, {2, 0}}));
    source->AddChild(Leaf("Z", 0, {{1, 5}, {2, 10}}));
    target->ReplaceKeysInSpan(*source, Sec(1), Sec(2));
    KFCurve* z = target->GetChildAt(2)->GetFCurve();
    bool sawPasted = false;
    for (int i = 0; i < z->GetKeyCount(); ++i)
    {
        EXPECT_GT(z->GetKeyValue(i), 600.0f) << i;
        sawPasted = sawPasted || z->GetKeyValue(i) == 725.0f;
    }
    EXPECT_TRUE(sawPasted);
    delete target;
    delete source;
}

TEST(KFCurveNodeKeysTest, ReplaceQuaternionKeysNeedsFourCurves)
{
    KFCurveNode* target = Triple("Q", 0, 0, 0);
    KFCurveNode* source = Triple("Q", 0, 0, 0);
    target->ReplaceQuaternionKeysInSpan(*source, Sec(0), Sec(1), 1, 1); // three children: nothing
    EXPECT_EQ(0, target->KeyGetCount());
    target->SetLayerType(eKFCurveNodeLayerQuaternion);
    source->SetLayerType(eKFCurveNodeLayerQuaternion);
    source->GetChildAt(3)->GetFCurve()->SetKey(0, Sec(0.5), 1, KFCURVE_INTERPOLATION_LINEAR);
    target->GetChildAt(3)->GetFCurve()->SetDefaultValue(1);
    target->ReplaceKeysInSpan(*source, Sec(0), Sec(1));
    EXPECT_EQ(1, target->GetChildAt(3)->GetFCurve()->GetKeyCount());
    delete target;
    delete source;
}
