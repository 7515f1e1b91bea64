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

// The default take holds one key and default 1; a pointer into it is taken,
// a take added, then the default take edited through the pointer (a second
// key, default 9).
TEST_F(NodeTakesTest, AddedTakeIsTheDefaultTakeAsItStoodAtTheCall)
{
    enum Pointer { kCurve, kRootNode, kChannelNode };
    const struct
    {
        Pointer pointer;
        const char* label;
    } cases[] = {
        {kCurve, "curve pointer"},
        {kRootNode, "root node pointer"},
        {kChannelNode, "channel node pointer"},
    };
    for (const auto& c : cases)
    {
        KScnNode* node = mManager.CreateNode(c.label);
        KScnTakeNodeEntry* def = node->GetDefaultTakeNode();
        KFCurve* x = def->GetTranslationXCurve();
        x->SetDefaultValue(1.0f);
        x->AppendKey(Seconds(1), 2.0f);
        KFCurve* held = x;
        if (c.pointer == kRootNode)
        {
            held = def->GetRootCurveNode()->FindDescendant("Transform")->FindDescendant("T")->GetChildAt(0)->GetFCurve();
        }
        else if (c.pointer == kChannelNode)
        {
            held = def->GetRootCurveNode()->FindDescendant("X")->GetFCurve();
        }
        ASSERT_EQ(held, x) << c.label;
        ASSERT_NE(node->AddTakeNode("Run"), nullptr);
        held->AppendKey(Seconds(2), 3.0f);
        held->SetDefaultValue(9.0f);

        const KFCurve* inDefault = ReadX(node->GetDefaultTakeNode());
        const KFCurve* inRun = ReadX(node->GetTakeNode(1));
        EXPECT_EQ(inDefault->GetKeyCount(), 2) << c.label;
        EXPECT_FLOAT_EQ(inDefault->GetDefaultValue(), 9.0f) << c.label;
        EXPECT_EQ(inRun->GetKeyCount(), 1) << c.label;
        EXPECT_FLOAT_EQ(inRun->GetDefaultValue(), 1.0f) << c.label;
        // A take added after the edit starts with it.
        ASSERT_NE(node->AddTakeNode("Walk"), nullptr);
        EXPECT_EQ(ReadX(node->GetTakeNode(2))->GetKeyCount(), 2) << c.label;
        EXPECT_FLOAT_EQ(ReadX(node->GetTakeNode(2))->GetDefaultValue(), 9.0f) << c.label;
        // The property linked to the default take still follows it.
        x->SetDefaultValue(4.0f);
        EXPECT_DOUBLE_EQ(node->ComputeGlobalTransform()[12], 4.0) << c.label;
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
    {
        for (int i = 1; i <= kTakes; ++i)
        {
            ASSERT_NE(node->AddTakeNode(("Take" + std::to_string(i)).c_str()), nullptr);
        }
    }
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
    {
        for (int i = 1; i <= kTakes; ++i)
        {
            EXPECT_TRUE(node->GetTakeNode(i)->IsSharingSnapshot()) << node->GetName() << " take " << i;
        }
    }
    // A write through the current take (a property pushed) copies that take alone.
    top->SelectTakeNodeByIndex(5);
    top->SetLocalTranslation(7, 0, 0);
    for (int i = 1; i <= kTakes; ++i)
    {
        EXPECT_EQ(top->GetTakeNode(i)->IsSharingSnapshot(), i != 5) << "take " << i;
    }
    EXPECT_FLOAT_EQ(ReadX(top->GetTakeNode(5))->GetDefaultValue(), 7.0f);
    EXPECT_FLOAT_EQ(ReadX(top->GetTakeNode(6))->GetDefaultValue(), 3.0f);
}

// The interval of a node's current take covers its subtree's keys: it keeps
// widening past the first keyed node of the walk.
TEST_F(NodeTakesTest, TakeIntervalWidensOverEveryKeyedNodeOfTheSubtree)
{
    const struct
    {
        double top;   // key time in seconds, negative for none
        double child; // idem
        double grandchild;
        double start, stop; // expected
    } cases[] = {
        {1, 5, -1, 1, 5},
        {5, 1, -1, 1, 5},
        {-1, 5, 2, 2, 5},
        {3, -1, 8, 3, 8},
        {1, 2, 4, 1, 4},
    };
    for (const auto& c : cases)
    {
        KScnNode* top = mManager.CreateNode("top");
        KScnNode* child = mManager.CreateNode("child");
        KScnNode* grandchild = mManager.CreateNode("grandchild");
        top->AddChild(child);
        child->AddChild(grandchild);
        const double keys[3] = {c.top, c.child, c.grandchild};
        KScnNode* nodes[3] = {top, child, grandchild};
        for (int i = 0; i < 3; ++i)
        {
            if (keys[i] >= 0)
            {
                nodes[i]->GetDefaultTakeNode()->GetTranslationXCurve()->AppendKey(Seconds(keys[i]), 1.0f);
            }
        }
        KTime start(KTime::kInfinite), stop(KTime::kMinusInfinite);
        ASSERT_TRUE(top->GetCurrentTakeInterval(start, stop)) << c.top << "/" << c.child;
        EXPECT_EQ(start, Seconds(c.start)) << c.top << "/" << c.child << "/" << c.grandchild;
        EXPECT_EQ(stop, Seconds(c.stop)) << c.top << "/" << c.child << "/" << c.grandchild;
    }
}
