// Channel layers, time warps, the evaluation cache and channel evaluation.

#include "KFCurveNodeTestSupport.h"

#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KgeMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace scenesdk;
using namespace channeltest;

namespace
{

std::vector<int> ChainIds(KFCurveNode* node)
{
    std::vector<int> ids;
    for (; node != nullptr; node = node->GetNextLayer())
    {
        ids.push_back(node->GetLayerId());
    }
    return ids;
}

double EvaluateOne(KFCurveNode& node, double seconds, bool cache = false)
{
    double out[8] = {0};
    node.Evaluate(out, Sec(seconds), nullptr, cache);
    return out[0];
}

} // namespace

TEST(KFCurveNodeLayersTest, AdditiveAndMultiplicativeLayers)
{
    KFCurveNode* add = Leaf("A", 2.0);
    KFCurveNode* layer = add->CreateLayer(1, true);
    ASSERT_NE(nullptr, layer);
    EXPECT_EQ(add, layer->GetLayerOwner());
    EXPECT_FLOAT_EQ(0.0f, layer->GetFCurve()->GetDefaultValue()); // neutral
    layer->GetFCurve()->SetDefaultValue(3.0f);
    EXPECT_DOUBLE_EQ(5.0, EvaluateOne(*add, 0));
    EXPECT_DOUBLE_EQ(3.0,
                     [&]
                     {
                         double v = 0;
                         add->EvaluateLayer(&v, Sec(0), 1);
                         return v;
                     }());
    delete add;

    KFCurveNode* mul = Leaf("M", 2.0);
    mul->SetLayerType(eKFCurveNodeLayerMultiply);
    KFCurveNode* layer3 = mul->CreateLayer(1, true);
    EXPECT_FLOAT_EQ(1.0f, layer3->GetFCurve()->GetDefaultValue());
    layer3->GetFCurve()->SetDefaultValue(3.0f);
    EXPECT_DOUBLE_EQ(6.0, EvaluateOne(*mul, 0));
    delete mul;

    // A group adds per component over its layer's values.
    KFCurveNode* t = Triple("T", 1, 2, 3, eKFCurveNodeLayerAdditive);
    KFCurveNode* tl = t->CreateLayer(2, true);
    tl->GetChildAt(1)->GetFCurve()->SetDefaultValue(10);
    double out[3];
    EXPECT_EQ(out + 3, t->Evaluate(out, Sec(0)));
    EXPECT_DOUBLE_EQ(1, out[0]);
    EXPECT_DOUBLE_EQ(12, out[1]);
    EXPECT_DOUBLE_EQ(3, out[2]);
    delete t;
}

TEST(KFCurveNodeLayersTest, EulerLayerComposesRotations)
{
    KFCurveNode* r = Triple("R", 0, 0, 30, eKFCurveNodeLayerEulerRotation);
    KFCurveNode* layer = r->CreateLayer(1, true);
    layer->GetChildAt(2)->GetFCurve()->SetDefaultValue(15);
    double out[3];
    r->Evaluate(out, Sec(0));
    EXPECT_NEAR(0, out[0], 1e-9);
    EXPECT_NEAR(0, out[1], 1e-9);
    EXPECT_NEAR(45, out[2], 1e-9);
    delete r;
}

TEST(KFCurveNodeLayersTest, QuaternionBaseWritesEulerAngles)
{
    KFCurveNode* q = Triple("Q", 0, 0, 0);
    q->GetChildAt(0)->GetFCurve()->SetDefaultValue(0);
    q->SetLayerType(eKFCurveNodeLayerQuaternion);
    ASSERT_EQ(4, q->GetChildCount()); // a "W" joined
    EXPECT_STREQ("W", q->GetChildAt(3)->GetName());
    q->GetChildAt(3)->GetFCurve()->SetDefaultValue(1);
    EXPECT_EQ(3, q->GetEvaluatedValueCount());
    double out[3] = {9, 9, 9};
    EXPECT_EQ(out + 3, q->Evaluate(out, Sec(0)));
    EXPECT_NEAR(0, out[0], 1e-12);
    EXPECT_NEAR(0, out[1], 1e-12);
    EXPECT_NEAR(0, out[2], 1e-12);

    // Quarter turns about Y reach the two gimbal rows.
    const double h = std::sqrt(0.5);
    for (double sign : {1.0, -1.0})
    {
        q->GetChildAt(1)->GetFCurve()->SetDefaultValue(static_cast<float>(sign * h));
        q->GetChildAt(3)->GetFCurve()->SetDefaultValue(static_cast<float>(h));
        double m[16];
        KgeMatrixIdentity(m);
        const double quat[4] = {0, sign * h, 0, h};
        KgeMatrixFromQuaternion(m, quat);
        q->Evaluate(out, Sec(0));
        EXPECT_NEAR(m[2] >= 0.999999 ? -90.0 : 90.0, out[1], 1e-6);
        EXPECT_DOUBLE_EQ(0.0, out[2]);
    }

    // Back to Euler: the fourth child goes.
    q->SetLayerType(eKFCurveNodeLayerEulerRotation);
    EXPECT_EQ(3, q->GetChildCount());
    delete q;
}

TEST(KFCurveNodeLayersTest, QuaternionLayersMultiply)
{
    KFCurveNode* q = Triple("Q", 0, 0, 0);
    q->SetLayerType(eKFCurveNodeLayerQuaternion);
    q->GetChildAt(3)->GetFCurve()->SetDefaultValue(1);
    KFCurveNode* layer = q->CreateLayer(1, true);
    ASSERT_EQ(4, layer->GetChildCount());
    EXPECT_FLOAT_EQ(1.0f, layer->GetChildAt(3)->GetFCurve()->GetDefaultValue());
    // The layer turns 90 degrees about Z.
    const double h = std::sqrt(0.5);
    layer->GetChildAt(2)->GetFCurve()->SetDefaultValue(static_cast<float>(h));
    layer->GetChildAt(3)->GetFCurve()->SetDefaultValue(static_cast<float>(h));
    double out[3];
    q->Evaluate(out, Sec(0));
    EXPECT_NEAR(0, out[0], 1e-5);
    EXPECT_NEAR(0, out[1], 1e-5);
    EXPECT_NEAR(90, std::fabs(out[2]), 1e-5);
    delete q;
}

TEST(KFCurveNodeLayersTest, CacheServesUntilInvalidated)
{
    KFCurveNode* node = Leaf("A", 0.0, {{0, 0}, {10, 10}});
    EXPECT_DOUBLE_EQ(1.0, EvaluateOne(*node, 1, true));
    EXPECT_TRUE(node->IsCacheValid());
    node->GetFCurve()->SetKeyValue(1, 100);
    EXPECT_DOUBLE_EQ(1.0, EvaluateOne(*node, 1, true));  // stale on purpose
    EXPECT_DOUBLE_EQ(20.0, EvaluateOne(*node, 2, true)); // other time: fresh
    node->InvalidateCache(0, true);
    EXPECT_FALSE(node->IsCacheValid());
    EXPECT_DOUBLE_EQ(10.0, EvaluateOne(*node, 1, true));

    node->SetFlags(KFCURVENODE_FLAG_CACHE_ALWAYS_VALID, true);
    EXPECT_DOUBLE_EQ(10.0, EvaluateOne(*node, 5, true));
    EXPECT_DOUBLE_EQ(50.0, EvaluateOne(*node, 5, false));
    delete node;
}

TEST(KFCurveNodeLayersTest, CacheNeverOverrunsWideOrReshapedNodes)
{
    // Five values: too many for the four cached ones, so never cached.
    KFCurveNode wide("Wide", "Wide", nullptr);
    for (const char* name : {"A", "B", "C", "D", "E"})
    {
        wide.AddChild(Leaf(name, 1));
    }
    double out[5];
    EXPECT_EQ(out + 5, wide.Evaluate(out, Sec(0), nullptr, true));
    EXPECT_FALSE(wide.IsCacheValid());
    wide.SetFlags(KFCURVENODE_FLAG_CACHE_ALWAYS_VALID, true);
    EXPECT_EQ(out + 5, wide.Evaluate(out, Sec(1), nullptr, true));

    // A node cached with three values and then cut to two writes two.
    KFCurveNode* t = Triple("T", 1, 2, 3);
    double three[3];
    t->Evaluate(three, Sec(0), nullptr, true);
    t->DeleteChildAt(2);
    double two[2];
    EXPECT_EQ(two + 2, t->Evaluate(two, Sec(0), nullptr, true));
    delete t;
}

TEST(KFCurveNodeLayersTest, AddLayerKeepsAscendingIds)
{
    KFCurveNode* base = Leaf("A", 1);
    base->AddLayer(0); // own id: nothing
    EXPECT_EQ((std::vector<int>{0}), ChainIds(base));
    base->AddLayer(1);
    base->AddLayer(3);
    EXPECT_EQ((std::vector<int>{0, 1, 3}), ChainIds(base));
    EXPECT_EQ(nullptr, base->GetLayer(2));
    EXPECT_EQ(base, base->GetLayer(0));
    base->AddLayer(2);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), ChainIds(base));
    base->AddLayer(1);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), ChainIds(base));
    EXPECT_EQ(2, base->GetLayer(2)->GetLayerId());
    EXPECT_EQ(base, base->GetLayer(2)->GetLayerOwner());
    // A later layer never takes an earlier id after itself.
    base->GetLayer(3)->AddLayer(1);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), ChainIds(base));
    delete base; // deletes the chain

    KFCurveNode* flat = Leaf("B", 1);
    flat->SetFlags(KFCURVENODE_FLAG_LAYERED, false);
    flat->AddLayer(1);
    EXPECT_EQ(nullptr, flat->GetNextLayer());
    EXPECT_EQ(nullptr, flat->CreateLayer(1, true));
    EXPECT_EQ(0, flat->EffectiveLayerId(5));
    delete flat;
}

TEST(KFCurveNodeLayersTest, LayerChangesReachTheOwner)
{
    KFCurveNode* base = Leaf("A", 1);
    base->SetListenerRecord(new KFCurveNodeListenerRecord);
    base->AddLayer(1);
    EXPECT_TRUE(base->GetListenerRecord()->mChangeBits & KFCURVENODE_CHANGE_LAYERS);
    base->SetQuaternionInterpolation(true);
    EXPECT_TRUE(base->GetNextLayer()->GetQuaternionInterpolation());
    base->SetRotationOrder(5);
    EXPECT_EQ(5, base->GetNextLayer()->GetRotationOrder());
    delete base;
}

TEST(KFCurveNodeLayersTest, TimeWarpIdentityAndShift)
{
    // A warp whose value at t is t (in seconds) changes nothing.
    KFCurveNode* warp = KFCurveNode::Create("TimeWarp", KDataTypeTimeWarp::Get());
    KFCurve* curve = KFCurve::Create();
    curve->SetKey(0, Sec(0), 0, KFCURVE_INTERPOLATION_LINEAR);
    curve->SetKey(1, Sec(10), 10, KFCURVE_INTERPOLATION_LINEAR);
    warp->SetFCurve(curve);

    KFCurveNode* a = Leaf("A", 0, {{0, 0}, {10, 100}});
    KFCurveNode* b = Leaf("B", 0, {{0, 0}, {10, 100}});
    a->SetTimeWarp(warp);
    b->SetTimeWarp(warp);
    EXPECT_EQ(2, warp->GetReferenceCount());
    EXPECT_NEAR(35.0, EvaluateOne(*a, 3.5), 1e-4);

    // Half speed.
    curve->SetKeyValue(1, 5);
    EXPECT_NEAR(25.0, EvaluateOne(*b, 5), 1e-4);
    delete a;
    EXPECT_EQ(1, warp->GetReferenceCount());
    delete b; // the last holder deletes the warp
}

TEST(KFCurveNodeLayersTest, TimeWarpCyclesAreRefusedOrCut)
{
    KFCurveNode* a = Leaf("A", 1, {{0, 0}, {1, 1}});
    KFCurveNode* b = Leaf("B", 1, {{0, 0}, {1, 1}});
    a->AddReference();
    b->AddReference();
    a->SetTimeWarp(a);
    EXPECT_EQ(nullptr, a->GetTimeWarp());
    a->SetTimeWarp(b);
    b->SetTimeWarp(a); // would loop: refused
    EXPECT_EQ(nullptr, b->GetTimeWarp());

    // A warp that is the channel's own parent is cut on re-entry.
    KFCurveNode* parent = new KFCurveNode("P", "P", nullptr);
    parent->AddReference();
    KFCurveNode* child = Leaf("C", 0, {{0, 0}, {1, 1}});
    parent->AddChild(child);
    child->SetTimeWarp(parent);
    double out[2];
    EXPECT_EQ(out + 1, parent->Evaluate(out, Sec(0.5)));

    child->SetTimeWarp(nullptr);
    parent->ReleaseReference();
    a->SetTimeWarp(nullptr);
    a->ReleaseReference();
    b->ReleaseReference();
}

TEST(KFCurveNodeLayersTest, CopyWithLayersRebuildsTheChain)
{
    KFCurveNode* source = Triple("T", 1, 2, 3, eKFCurveNodeLayerAdditive);
    source->AddLayer(2);
    source->AddLayer(5);
    source->GetLayer(5)->GetChildAt(0)->GetFCurve()->SetDefaultValue(7);
    source->GetChildAt(0)->GetFCurve()->SetKey(0, Sec(1), 4);

    KFCurveNode* target = Triple("T", 0, 0, 0, eKFCurveNodeLayerAdditive);
    target->AddLayer(1);
    target->AddLayer(9);
    target->CopyFromWithLayers(*source, false);
    EXPECT_EQ((std::vector<int>{0, 2, 5}), ChainIds(target));
    EXPECT_EQ(1, target->GetChildAt(0)->GetFCurve()->GetKeyCount());
    EXPECT_FLOAT_EQ(7, target->GetLayer(5)->GetChildAt(0)->GetFCurve()->GetDefaultValue());

    // Taking the curves moves them.
    KFCurve* moved = source->GetChildAt(1)->GetFCurve();
    target->CopyFromWithLayers(*source, true);
    EXPECT_EQ(moved, target->GetChildAt(1)->GetFCurve());
    EXPECT_EQ(nullptr, source->GetChildAt(1)->GetFCurve());

    KFCurveNode* plain = Triple("T", 0, 0, 0);
    target->CopyLayersFrom(*plain, false);
    EXPECT_EQ(nullptr, target->GetNextLayer());
    delete plain;
    delete source;
    delete target;
}

TEST(KFCurveNodeLayersTest, NeutralValues)
{
    double out[4] = {9, 9, 9, 9};
    KFCurveNode* t = Triple("T", 0, 0, 0, eKFCurveNodeLayerMultiply);
    EXPECT_EQ(3, t->GetLayerNeutralValues(out));
    EXPECT_DOUBLE_EQ(1, out[2]);
    t->SetLayerType(eKFCurveNodeLayerQuaternion);
    EXPECT_EQ(4, t->GetLayerNeutralValues(out));
    EXPECT_DOUBLE_EQ(1, out[3]);
    t->SetLayerType(77);
    EXPECT_EQ(0, t->GetLayerNeutralValues(out));
    // A layer of an unknown type still gets defined defaults.
    KFCurveNode* layer = t->CreateLayer(1, true);
    EXPECT_FLOAT_EQ(0, layer->GetChildAt(0)->GetFCurve()->GetDefaultValue());
    delete t;
}

TEST(KFCurveNodeLayersTest, LayerEvaluationAndInvalidationByLayerId)
{
    KFCurveNode* base = Leaf("A", 2.0);
    base->AddLayer(1);
    base->AddLayer(3);
    base->GetLayer(3)->GetFCurve()->SetDefaultValue(4);
    double value = 0;
    EXPECT_EQ(&value + 1, base->EvaluateLayer(&value, Sec(0), 3));
    EXPECT_DOUBLE_EQ(4, value);
    EXPECT_EQ(&value, base->EvaluateLayer(&value, Sec(0), 2)); // no such layer: nothing

    // Only base nodes cache; invalidating a later layer leaves the base's.
    EXPECT_DOUBLE_EQ(6, EvaluateOne(*base, 0, true));
    EXPECT_TRUE(base->IsCacheValid());
    base->InvalidateCache(3, false);
    EXPECT_TRUE(base->IsCacheValid());
    base->InvalidateCache(0, false);
    EXPECT_FALSE(base->IsCacheValid());
    delete base;
}

TEST(KFCurveNodeLayersTest, FourthComponentTakesTheGivenOwner)
{
    KFCurveNode owner("Owner", "Owner", nullptr);
    KFCurveNode* q = Triple("Q", 0, 0, 0);
    q->SetLayerType(eKFCurveNodeLayerQuaternion, &owner);
    EXPECT_EQ(&owner, q->GetChildAt(3)->GetLayerOwner());
    EXPECT_EQ(KDataTypeNumber::Get(), q->GetChildAt(3)->GetDataType());
    delete q;
}
