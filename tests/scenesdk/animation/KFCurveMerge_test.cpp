// Curve import passes: interpolation tests, layer value combination and
// inversion, the key-time iterator, layer merging and time-warp baking. The
// pass must leave every channel evaluating as it did at the resampled times.

#include "KFCurveNodeTestSupport.h"

#include "scenesdk/animation/KFCurveMerge.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KgeMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

using namespace scenesdk;
using namespace channeltest;

namespace
{

const int64_t kPeriod = 1539538600LL; // one frame at 30 frames per second

// Values of node at every resampled time of [0, seconds].
std::vector<std::vector<double>> Samples(KFCurveNode& node, double seconds)
{
    std::vector<std::vector<double>> out;
    for (int64_t t = 0; t <= static_cast<int64_t>(seconds * kSecond); t += kPeriod)
    {
        std::vector<double> v(8, 0.0);
        const double* end = node.Evaluate(v.data(), KTime(t));
        v.resize(static_cast<size_t>(end - v.data()));
        out.push_back(v);
    }
    return out;
}

void ExpectSameSamples(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b,
                       double tolerance)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
    {
        ASSERT_EQ(a[i].size(), b[i].size());
        for (size_t c = 0; c < a[i].size(); ++c)
        {
            EXPECT_NEAR(a[i][c], b[i][c], tolerance) << "sample " << i << " component " << c;
        }
    }
}

// A group X, Y, Z whose curves hold cubic keys at 0, 0.5, 1 and 2 seconds.
KFCurveNode* KeyedTriple(const char* name, double scale, int layerType = 0)
{
    KFCurveNode* node = new KFCurveNode(name, name, nullptr, layerType);
    const char* const axes[] = {"X", "Y", "Z"};
    for (int c = 0; c < 3; ++c)
    {
        node->AddChild(Leaf(axes[c], 0.0,
                            {{0.0, scale * (c + 1)}, {0.5, -scale}, {1.0, scale * 2.0}, {2.0, scale * c}},
                            KFCURVE_INTERPOLATION_CUBIC));
    }
    return node;
}

void KeyLayer(KFCurveNode* layer, double scale)
{
    for (int c = 0; c < layer->GetChildCount(); ++c)
    {
        KFCurve* curve = layer->GetChildAt(c)->GetFCurve();
        curve->SetKey(0, Sec(0.25), static_cast<float>(scale * (c + 1)), KFCURVE_INTERPOLATION_CUBIC);
        curve->SetKey(1, Sec(1.5), static_cast<float>(-scale), KFCURVE_INTERPOLATION_CUBIC);
    }
}

// A take root holding one channel.
KFCurveNode* RootWith(KFCurveNode* channel)
{
    KFCurveNode* root = new KFCurveNode("Root", "Root", nullptr);
    root->AddChild(channel);
    return root;
}

} // namespace

TEST(KFCurveMergeTest, InterpolationTestsAndKeyTimeIterator)
{
    KFCurveNode* empty = Triple("T", 0, 0, 0);
    EXPECT_FALSE(HasOnlyInterpolation(*empty, KFCURVE_INTERPOLATION_CONSTANT, false));
    delete empty;

    KFCurveNode* flat = Leaf("A", 0, {{0, 1}, {1, 2}}, KFCURVE_INTERPOLATION_CONSTANT);
    EXPECT_TRUE(HasOnlyInterpolation(*flat, KFCURVE_INTERPOLATION_CONSTANT, false));
    EXPECT_FALSE(HasOnlyInterpolation(*flat, KFCURVE_INTERPOLATION_LINEAR, false));
    flat->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    KFCurveNode* layer = flat->CreateLayer(1, true);
    ASSERT_NE(layer, nullptr);
    layer->GetFCurve()->SetKey(0, Sec(0.5), 1.0f, KFCURVE_INTERPOLATION_LINEAR);
    EXPECT_TRUE(HasOnlyInterpolation(*flat, KFCURVE_INTERPOLATION_CONSTANT, false));
    EXPECT_FALSE(HasOnlyInterpolation(*flat, KFCURVE_INTERPOLATION_CONSTANT, true));

    KFCurveNode* other = Leaf("B", 0, {{0.5, 0}, {3, 0}});
    KFCurveKeyGroup groups[1];
    groups[0].curves[0] = flat->GetFCurve();
    groups[0].curves[2] = other->GetFCurve();
    std::vector<int> components;
    EXPECT_EQ(NextKeyTimeOfGroups(Sec(0), groups, 1, components), Sec(0.5));
    EXPECT_EQ(components, std::vector<int>({2}));
    EXPECT_EQ(NextKeyTimeOfGroups(Sec(0.5), groups, 1, components), Sec(1));
    EXPECT_EQ(NextKeyTimeOfGroups(Sec(1), groups, 1, components), Sec(3));
    EXPECT_EQ(NextKeyTimeOfGroups(Sec(3), groups, 1, components).Get(), KTime::kInfinite);
    EXPECT_TRUE(components.empty());
    delete flat;
    delete other;
}

TEST(KFCurveMergeTest, LayerValuesCombineAndInvertByType)
{
    KFCurveNode* mul = Leaf("M", 3.0);
    mul->SetLayerType(eKFCurveNodeLayerMultiply);
    double out[4] = {0};
    const double three = 3.0;
    const double two = 2.0;
    CombineLayerValues(*mul, out, &three, &two);
    EXPECT_DOUBLE_EQ(out[0], 6.0);
    InvertLayerValue(*mul, out, &two);
    EXPECT_DOUBLE_EQ(out[0], 0.5);
    delete mul;

    KFCurveNode* group = Triple("S", 1, 1, 1, eKFCurveNodeLayerMultiply);
    const double a[3] = {3, 4, 5};
    const double b[3] = {2, 2, 0.5};
    CombineLayerValues(*group, out, a, b);
    EXPECT_DOUBLE_EQ(out[0], 6.0);
    EXPECT_DOUBLE_EQ(out[2], 2.5);
    delete group;

    KFCurveNode* quaternion = new KFCurveNode("Q", "Q", nullptr, eKFCurveNodeLayerQuaternion);
    const double q[4] = {0.1, 0.2, 0.3, std::sqrt(1 - 0.14)};
    const double identity[4] = {0, 0, 0, 1};
    CombineLayerValues(*quaternion, out, q, identity);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_DOUBLE_EQ(out[i], q[i]);
    }
    InvertLayerValue(*quaternion, out, q);
    CombineLayerValues(*quaternion, out, q, out);
    EXPECT_NEAR(out[3], 1.0, 1e-12);
    delete quaternion;

    // Euler layers compose in the channel's rotation order, as evaluation
    // does: a ZYX channel with a layer evaluates to the combination.
    KFCurveNode* rotation = Triple("R", 10, 20, 30, eKFCurveNodeLayerEulerRotation);
    rotation->SetRotationOrder(10);
    rotation->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    KFCurveNode* turn = rotation->CreateLayer(1, true);
    turn->GetChildAt(0)->GetFCurve()->SetDefaultValue(40.0f);
    const double base[3] = {10, 20, 30};
    const double extra[3] = {40, 0, 0};
    double combined[3];
    CombineLayerValues(*rotation, combined, base, extra);
    double evaluated[4];
    rotation->Evaluate(evaluated, Sec(0));
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_NEAR(combined[i], evaluated[i], 1e-4);
    }
    double inverse[3];
    InvertLayerValue(*rotation, inverse, base);
    CombineLayerValues(*rotation, combined, base, inverse);
    for (double angle : combined)
    {
        EXPECT_NEAR(angle, 0.0, 1e-9);
    }
    delete rotation;
}

TEST(KFCurveMergeTest, ImportPassMergesLayeredChannelsToTheirStackValues)
{
    // Additive translation with two layers, a multiplicative leaf, and a
    // ZXY rotation with an Euler layer.
    KFCurveNode* t = KeyedTriple("T", 4.0, eKFCurveNodeLayerAdditive);
    t->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    KeyLayer(t->CreateLayer(1, true), 2.0);
    t->GetNextLayer()->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    KeyLayer(t->GetNextLayer()->CreateLayer(2, true), 1.0);
    KFCurveNode* root = RootWith(t);

    KFCurveNode* s = Leaf("S", 0, {{0, 1}, {1, 3}, {2, 2}}, KFCURVE_INTERPOLATION_CUBIC);
    s->SetLayerType(eKFCurveNodeLayerMultiply);
    s->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    KFCurve* scale = s->CreateLayer(1, true)->GetFCurve();
    scale->SetKey(0, Sec(0), 2.0f, KFCURVE_INTERPOLATION_CUBIC);
    scale->SetKey(1, Sec(2), 0.5f, KFCURVE_INTERPOLATION_CUBIC);
    root->AddChild(s);

    KFCurveNode* r = KeyedTriple("R", 20.0, eKFCurveNodeLayerEulerRotation);
    r->SetRotationOrder(8);
    r->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    KeyLayer(r->CreateLayer(1, true), 15.0);
    root->AddChild(r);

    const auto beforeT = Samples(*t, 2.0);
    const auto beforeS = Samples(*s, 2.0);
    const auto beforeR = Samples(*r, 2.0);
    ApplyImportPass(root);
    EXPECT_EQ(t->GetNextLayer(), nullptr);
    EXPECT_EQ(s->GetNextLayer(), nullptr);
    EXPECT_EQ(r->GetNextLayer(), nullptr);
    ExpectSameSamples(beforeT, Samples(*t, 2.0), 0.01);
    ExpectSameSamples(beforeS, Samples(*s, 2.0), 0.01);

    // Rotations compare as matrices: the rotation filter may pick other
    // equivalent angles.
    const auto afterR = Samples(*r, 2.0);
    ASSERT_EQ(afterR.size(), beforeR.size());
    for (size_t i = 0; i < afterR.size(); ++i)
    {
        double m0[16];
        double m1[16];
        KgeMatrixIdentity(m0);
        KgeMatrixIdentity(m1);
        KFCurveNode::AnglesToMatrix(8, beforeR[i].data(), m0);
        KFCurveNode::AnglesToMatrix(8, afterR[i].data(), m1);
        for (int e = 0; e < 12; ++e)
        {
            EXPECT_NEAR(m0[e], m1[e], 1e-3) << "sample " << i;
        }
    }
    delete root;
}

TEST(KFCurveMergeTest, ConstantStacksMergeKeyByKey)
{
    KFCurveNode* v = Leaf("V", 0, {{0, 1}, {1, 0}}, KFCURVE_INTERPOLATION_CONSTANT);
    v->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    v->CreateLayer(1, true)->GetFCurve()->SetKey(0, Sec(0.5), 3.0f, KFCURVE_INTERPOLATION_CONSTANT);
    const auto before = Samples(*v, 1.5);
    EXPECT_TRUE(
        MergeLayers(v, nullptr, 0, nullptr, 0, KFCURVE_MERGE_INTO_TARGET, Sec(0), Sec(1), KTime(kPeriod)));
    EXPECT_EQ(v->GetFCurve()->GetKeyCount(), 3);
    EXPECT_EQ(v->GetFCurve()->GetKeyInterpolation(1), KFCURVE_INTERPOLATION_CONSTANT);
    ExpectSameSamples(before, Samples(*v, 1.5), 1e-6);
    EXPECT_FALSE(
        MergeLayers(v, nullptr, 0, nullptr, 0, KFCURVE_MERGE_INTO_TARGET, Sec(0), Sec(1), KTime(kPeriod)));
    delete v;
}

TEST(KFCurveMergeTest, ImportPassBakesTimeWarps)
{
    // Half speed over four seconds.
    auto makeWarp = []
    {
        KFCurveNode* warp = KFCurveNode::Create("TimeWarp", KDataTypeTimeWarp::Get());
        KFCurve* curve = KFCurve::Create();
        curve->SetKey(0, Sec(0), 0, KFCURVE_INTERPOLATION_LINEAR);
        curve->SetKey(1, Sec(4), 2, KFCURVE_INTERPOLATION_LINEAR);
        warp->SetFCurve(curve);
        return warp;
    };
    KFCurveNode* t = KeyedTriple("T", 3.0);
    t->SetTimeWarp(makeWarp());
    KFCurveNode* root = RootWith(t);
    KFCurveNode* leaf = Leaf("Own", 0, {{0, 0}, {2, 8}}, KFCURVE_INTERPOLATION_CUBIC);
    KFCurveNode* leafWarp = makeWarp();
    leaf->SetTimeWarp(leafWarp);
    root->AddChild(leaf);
    KFCurveNode* still = Leaf("Still", 0, {{0, 1}, {1, 5}}, KFCURVE_INTERPOLATION_CUBIC);
    root->AddChild(still);

    const auto before = Samples(*t, 4.0);
    const auto beforeLeaf = Samples(*leaf, 4.0);
    ApplyImportPass(root);
    EXPECT_EQ(t->GetTimeWarp(), nullptr);
    ExpectSameSamples(before, Samples(*t, 4.0), 0.01);
    // A leaf with its own warp and none inherited keeps it.
    EXPECT_EQ(leaf->GetTimeWarp(), leafWarp);
    ExpectSameSamples(beforeLeaf, Samples(*leaf, 4.0), 1e-6);
    // A channel without layers or warps is untouched.
    EXPECT_EQ(still->GetFCurve()->GetKeyCount(), 2);
    delete root;
}

// Key times as far apart as a file may put them: the passes sample such a
// span at a longer period instead of allocating without bound.
TEST(KFCurveMergeTest, HugeKeySpansAreSampledAtALongerPeriod)
{
    const int64_t far = INT64_MAX / 2;
    KFCurveNode* v = Leaf("V", 0, {{0, 0}});
    v->GetFCurve()->SetKey(1, KTime(far), 10.0f, KFCURVE_INTERPOLATION_LINEAR);
    v->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    v->CreateLayer(1, true)->GetFCurve()->SetKey(0, KTime(INT64_MIN / 2), 1.0f, KFCURVE_INTERPOLATION_LINEAR);
    KFCurveNode* root = RootWith(v);
    ApplyImportPass(root);
    EXPECT_EQ(v->GetNextLayer(), nullptr);
    EXPECT_LE(v->GetFCurve()->GetKeyCount(), 100004);
    double value = 0.0;
    v->Evaluate(&value, KTime(far));
    EXPECT_NEAR(value, 11.0, 0.05);

    KFCurveNode* warp = KFCurveNode::Create("TimeWarp", KDataTypeTimeWarp::Get());
    KFCurve* curve = KFCurve::Create();
    curve->SetKey(0, KTime(-far), 0, KFCURVE_INTERPOLATION_LINEAR);
    curve->SetKey(1, KTime(far), 1, KFCURVE_INTERPOLATION_LINEAR);
    warp->SetFCurve(curve);
    KFCurveNode* t = KeyedTriple("T", 3.0);
    t->SetTimeWarp(warp);
    root->AddChild(t);
    ApplyImportPass(root);
    EXPECT_EQ(t->GetTimeWarp(), nullptr);
    EXPECT_LE(t->GetChildAt(0)->GetFCurve()->GetKeyCount(), 100004);
    delete root;
}

TEST(KFCurveMergeTest, KeyHelpersFitTangentsAndInsertWhereDeviating)
{
    KFCurveNode* source = Leaf("S", 0, {{0, 0}, {1, 10}, {2, 0}}, KFCURVE_INTERPOLATION_LINEAR);
    KFCurveNode* result = Leaf("R", 0, {{0, 0}, {2, 0}}, KFCURVE_INTERPOLATION_CUBIC);
    KFCurve& s = *source->GetFCurve();
    KFCurve& c = *result->GetFCurve();
    InsertKeysWhereDeviating(Sec(0), Sec(2), &c, &s, 0.1, 4, false, KTime(kPeriod), 0.1);
    EXPECT_GT(c.GetKeyCount(), 2);
    for (double seconds : {0.5, 1.0, 1.5})
    {
        EXPECT_NEAR(c.Evaluate(Sec(seconds)), s.Evaluate(Sec(seconds)), 0.1);
    }

    const int k = InsertKeyWithValue(Sec(1), 10.0, c, s, true, KTime(kPeriod), 0.01);
    EXPECT_EQ(c.GetKeyTime(k), Sec(1));
    EXPECT_FLOAT_EQ(c.GetKeyValue(k), 10.0f);
    // The peak of the source breaks the tangents to its slopes (10 per second).
    FitKeyTangentsToCurve(k, c, s, KTime(kPeriod), 0.01);
    EXPECT_NEAR(c.GetKeyLeftDerivative(k), 10.0, 1e-3);
    EXPECT_NEAR(c.GetKeyRightDerivative(k), -10.0, 1e-3);
    EXPECT_EQ(c.GetKeyTangentMode(k) & KFCURVE_TANGENT_BREAK, KFCURVE_TANGENT_BREAK);

    // Parts shorter than 1/120 s are not cut.
    const int keys = c.GetKeyCount();
    InsertKeysWhereDeviating(Sec(0), Sec(0.01), &c, &s, 0.0, 4, false, KTime(kPeriod), 0.1);
    EXPECT_EQ(c.GetKeyCount(), keys);
    delete source;
    delete result;
}

namespace
{

// A warp curve over [0, 2] s: value (seconds) = rate x time.
KFCurveNode* Warp(double rate)
{
    KFCurveNode* warp = KFCurveNode::Create("TimeWarp", KDataTypeTimeWarp::Get());
    KFCurve* curve = KFCurve::Create();
    curve->SetKey(0, Sec(0), 0, KFCURVE_INTERPOLATION_LINEAR);
    curve->SetKey(1, Sec(2), static_cast<float>(2 * rate), KFCURVE_INTERPOLATION_LINEAR);
    warp->SetFCurve(curve);
    return warp;
}

// An Euler rotation "R" whose X steps a whole turn at 1 s and 2 s.
KFCurveNode* TurningRotation()
{
    KFCurveNode* r = new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation);
    r->AddChild(Leaf("X", 0, {{0, 10}, {1, 370}, {2, 730}}, KFCURVE_INTERPOLATION_CONSTANT));
    r->AddChild(Leaf("Y", 0, {{0, 0}, {2, 0}}, KFCURVE_INTERPOLATION_CONSTANT));
    r->AddChild(Leaf("Z", 0, {{0, 0}, {2, 0}}, KFCURVE_INTERPOLATION_CONSTANT));
    return r;
}

} // namespace

// A rotation channel changed by the pass is unrolled, wherever the change
// came from: its parent's warp (0), its layers (1), or its own warp (2).
TEST(KFCurveMergeTest, ImportPassUnrollsEveryRotationChannelItChanged)
{
    for (int where = 0; where < 3; ++where)
    {
        KFCurveNode* r = TurningRotation();
        KFCurveNode* parent = where == 2 ? r : new KFCurveNode("Transform", "Transform", nullptr);
        if (parent != r)
            parent->AddChild(r);
        KFCurveNode* root = RootWith(parent);
        if (where != 1)
            parent->SetTimeWarp(Warp(1.0));
        if (where == 1)
        {
            r->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
            KFCurveNode* layer = r->CreateLayer(1, true);
            for (int k = 0; k < 3; ++k)
                layer->GetChildAt(k)->GetFCurve()->SetKey(0, Sec(0), 0.0f, KFCURVE_INTERPOLATION_CONSTANT);
        }
        ApplyImportPass(root);
        for (double seconds : {0.0, 1.0, 2.0})
            EXPECT_NEAR(r->GetChildAt(0)->GetFCurve()->Evaluate(Sec(seconds)), 10.0, 1e-3)
                << where << ", " << seconds;
        delete root;
    }
}

// A layer's own time warp acts on the layer alone, and the merge keeps it.
TEST(KFCurveMergeTest, ImportPassKeepsALayersOwnTimeWarp)
{
    KFCurveNode* t = KeyedTriple("T", 4.0, eKFCurveNodeLayerAdditive);
    t->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    KFCurveNode* layer = t->CreateLayer(1, true);
    KeyLayer(layer, 2.0);
    layer->SetTimeWarp(Warp(0.5));
    KFCurveNode* root = RootWith(t);
    const auto before = Samples(*t, 2.0);
    // The warp shows in the stack's values: half speed differs from none.
    layer->SetTimeWarp(nullptr);
    const auto unwarped = Samples(*t, 2.0);
    layer->SetTimeWarp(Warp(0.5));
    EXPECT_GT(std::fabs(before[20][0] - unwarped[20][0]), 0.1);
    ApplyImportPass(root);
    EXPECT_EQ(t->GetNextLayer(), nullptr);
    ExpectSameSamples(before, Samples(*t, 2.0), 0.01);
    delete root;
}
