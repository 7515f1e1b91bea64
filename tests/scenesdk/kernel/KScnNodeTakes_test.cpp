// Takes of scene nodes: a take added starts with the default take as it is
// at the call, whatever pointer into that take a caller still holds; reading
// a take (a global transform, an evaluation, a curve look-up, the take
// interval) never copies a tree, and a write copies only the take written.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

KTime Seconds(double s)
{
    return KTime(static_cast<int64_t>(s * KTime::kOneSecond));
}

const KFCurve* ReadX(const KScnTakeNodeEntry* take)
{
    return take->GetTranslationXCurve();
}

class NodeTakesTest : public ::testing::Test
{
protected:
    KScnSdkManager mManager;
};

} // namespace

// The default take holds one key and default 1; a pointer into it is taken
// (its X curve reached three ways), a take added, then the default take
// edited through the pointer (a second key, default 9).
TEST_F(NodeTakesTest, AddedTakeIsTheDefaultTakeAsItStoodAtTheCall)
{
    KFCurve* (*const reach[])(KScnTakeNodeEntry*) = {
        [](KScnTakeNodeEntry* t) { return t->GetTranslationXCurve(); },
        [](KScnTakeNodeEntry* t)
        {
            return t->GetRootCurveNode()
                ->FindDescendant("Transform")
                ->FindDescendant("T")
                ->GetChildAt(0)
                ->GetFCurve();
        },
        [](KScnTakeNodeEntry* t) { return t->GetRootCurveNode()->FindDescendant("X")->GetFCurve(); },
    };
    for (auto* held : reach)
    {
        KScnNode* node = mManager.CreateNode("n");
        KFCurve* x = node->GetDefaultTakeNode()->GetTranslationXCurve();
        x->SetDefaultValue(1.0f);
        x->AppendKey(Seconds(1), 2.0f);
        KFCurve* curve = held(node->GetDefaultTakeNode());
        ASSERT_EQ(curve, x);
        ASSERT_NE(node->AddTakeNode("Run"), nullptr);
        curve->AppendKey(Seconds(2), 3.0f);
        curve->SetDefaultValue(9.0f);
        ASSERT_NE(node->AddTakeNode("Walk"), nullptr); // added after the edit: starts with it
        const std::pair<int, float> keysAndDefault[] = {
            {2, 9.0f}, {1, 1.0f}, {2, 9.0f}}; // default, Run, Walk
        for (int t = 0; t < 3; ++t)
        {
            EXPECT_EQ(ReadX(node->GetTakeNode(t))->GetKeyCount(), keysAndDefault[t].first) << t;
            EXPECT_FLOAT_EQ(ReadX(node->GetTakeNode(t))->GetDefaultValue(), keysAndDefault[t].second) << t;
        }
        x->SetDefaultValue(4.0f); // the property linked to the default take still follows it
        EXPECT_DOUBLE_EQ(node->ComputeGlobalTransform()[12], 4.0);
    }
}

TEST_F(NodeTakesTest, ReadsCopyNoTakeAndAWriteCopiesOnlyItsTake)
{
    KScnNode* top = mManager.CreateNode("top");
    KScnNode* child = mManager.CreateNode("child");
    top->AddChild(child);
    top->SetLocalTranslation(3, 0, 0);
    const int kTakes = 20;
    for (KScnNode* node : {top, child})
        for (int i = 1; i <= kTakes; ++i)
            ASSERT_NE(node->AddTakeNode(("Take" + std::to_string(i)).c_str()), nullptr);
    for (int i = 1; i <= kTakes; ++i)
    {
        ASSERT_TRUE(top->SelectTakeNodeByIndex(i));
        ASSERT_TRUE(child->SelectTakeNodeByIndex(i));
        EXPECT_DOUBLE_EQ(child->ComputeGlobalTransform()[12], 3.0);
        KTime start(Seconds(0)), stop(Seconds(0));
        top->GetCurrentTakeInterval(start, stop);
        const KScnTakeNodeEntry* take = child->GetTakeNode(i);
        EXPECT_FLOAT_EQ(take->GetTranslationXCurve()->Evaluate(Seconds(1)), 0.0f);
        double values[16] = {};
        take->GetRootCurveNode()->FindDescendant("T")->Evaluate(values, Seconds(1));
        EXPECT_EQ(take->FindCurve(nullptr, nullptr, "Nothing"), nullptr);
    }
    for (KScnNode* node : {top, child})
        for (int i = 1; i <= kTakes; ++i)
            EXPECT_TRUE(node->GetTakeNode(i)->IsSharingSnapshot()) << node->GetName() << " take " << i;
    // A write through the current take (a property pushed) copies that take alone.
    top->SelectTakeNodeByIndex(5);
    top->SetLocalTranslation(7, 0, 0);
    for (int i = 1; i <= kTakes; ++i)
        EXPECT_EQ(top->GetTakeNode(i)->IsSharingSnapshot(), i != 5) << "take " << i;
    EXPECT_FLOAT_EQ(ReadX(top->GetTakeNode(5))->GetDefaultValue(), 7.0f);
    EXPECT_FLOAT_EQ(ReadX(top->GetTakeNode(6))->GetDefaultValue(), 3.0f);
}

// The interval of a node's current take covers its subtree's keys: it keeps
// widening past the first keyed node of the walk.
TEST_F(NodeTakesTest, TakeIntervalWidensOverEveryKeyedNodeOfTheSubtree)
{
    // Key time in seconds of top, child and grandchild (negative: none); expected start and stop.
    const double cases[][5] = {
        {1, 5, -1, 1, 5}, {5, 1, -1, 1, 5}, {-1, 5, 2, 2, 5}, {3, -1, 8, 3, 8}, {1, 2, 4, 1, 4}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c[0]) + "/" + std::to_string(c[1]) + "/" + std::to_string(c[2]));
        KScnNode* nodes[3] = {mManager.CreateNode("top"), mManager.CreateNode("child"),
                              mManager.CreateNode("grand")};
        for (int i = 0; i < 3; ++i)
        {
            if (i > 0)
                nodes[i - 1]->AddChild(nodes[i]);
            if (c[i] >= 0)
                nodes[i]->GetDefaultTakeNode()->GetTranslationXCurve()->AppendKey(Seconds(c[i]), 1.0f);
        }
        KTime start(KTime::kInfinite), stop(KTime::kMinusInfinite);
        ASSERT_TRUE(nodes[0]->GetCurrentTakeInterval(start, stop));
        EXPECT_EQ(start, Seconds(c[3]));
        EXPECT_EQ(stop, Seconds(c[4]));
    }
}
