// Hierarchies of any depth built through the API: every walk over the nodes
// (transforms, cache clearing, take selection, searches, the scene's
// contents, destruction) works without exhausting the stack, and selecting a
// take on every node of a chain clears each cache once.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnNodeFinder.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/SmallStack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

// The walks run on this much stack: a frame per level of the chains below
// would need far more.
const size_t kStack = 256 * 1024;

// The long chain: a hundred thousand nodes take minutes to make under the
// sanitizers, where a fifth of them, on the same small stack, shows as much.
#if defined(__SANITIZE_ADDRESS__)
const int kLongChain = 20000;
#else
const int kLongChain = 100000;
#endif

// A chain of count nodes, each one the child of the one before, each moved
// by (1, 0, 0). Built from its deepest node up, so that no link walks the
// chain. Returns the nodes top first.
std::vector<KScnNode*> Chain(KScnSdkManager& manager, int count, const char* prefix = "n")
{
    std::vector<KScnNode*> nodes(static_cast<size_t>(count));
    for (int i = count - 1; i >= 0; --i)
    {
        KScnNode* node = manager.CreateNode((prefix + std::to_string(i)).c_str());
        node->SetLocalTranslation(1, 0, 0);
        if (i + 1 < count)
        {
            EXPECT_TRUE(node->AddChild(nodes[static_cast<size_t>(i) + 1]));
        }
        nodes[static_cast<size_t>(i)] = node;
    }
    return nodes;
}

// The same chain built from its top down, as a reader hangs each node under
// the one read before it.
std::vector<KScnNode*> ChainFromTop(KScnSdkManager& manager, int count, const char* prefix)
{
    std::vector<KScnNode*> nodes;
    for (int i = 0; i < count; ++i)
    {
        nodes.push_back(manager.CreateNode((prefix + std::to_string(i)).c_str()));
        nodes.back()->SetLocalTranslation(1, 0, 0);
        if (i > 0)
        {
            EXPECT_TRUE(nodes[static_cast<size_t>(i) - 1]->AddChild(nodes.back()));
        }
    }
    return nodes;
}

class CountingFinder : public KScnNodeFinder
{
public:
    void Reset() override { mFound.Clear(); }
    bool Check(KScnNode* node) override
    {
        ++checked;
        return node->GetNodeAttribute() != nullptr;
    }
    int checked = 0;
};

// Clears the caches below each node of the chain in turn (what selecting a
// take on each does); the number of nodes visited in all.
int ClearEach(const std::vector<KScnNode*>& nodes, bool topFirst)
{
    int visited = 0;
    for (size_t i = 0; i < nodes.size(); ++i)
    {
        visited += nodes[topFirst ? i : nodes.size() - 1 - i]->InvalidateTransformCaches();
    }
    return visited;
}

void WalkDeepScene(KScnSdkManager& manager, KScnSceneRoot* scene, const std::vector<KScnNode*>& chain)
{
    const int kDepth = static_cast<int>(chain.size());
    KScnNode* top = chain.front();
    KScnNode* deepest = chain.back();

    EXPECT_DOUBLE_EQ(deepest->ComputeGlobalTransform()[12], kDepth);
    EXPECT_DOUBLE_EQ(chain[kDepth / 2]->ComputeGlobalTransform()[12], kDepth / 2 + 1);
    EXPECT_EQ(top->GetChildCount(true), kDepth - 1);
    EXPECT_EQ(scene->GetRootNode()->FindChild(deepest->GetNameWithoutPrefix().Buffer()), deepest);
    EXPECT_EQ(top->FindChild("missing"), nullptr);

    CountingFinder finder;
    EXPECT_EQ(finder.Apply(top, 0).GetCount(), 1);
    EXPECT_EQ(finder.checked, kDepth);
    KPointerArray<KScnNode> skeletons(16);
    scene->GetContents()->FillNodesByAttributeType(skeletons, KScnNodeAttribute::eSkeleton, true);
    ASSERT_EQ(skeletons.GetCount(), 1);
    EXPECT_EQ(skeletons[0], deepest);
    scene->FixSkeletonInheritType(scene->GetRootNode());
    EXPECT_EQ(deepest->GetTransformInheritType(), 1) << "a bone under a node that is none";

    // A key on the deepest node widens the interval of the top.
    ASSERT_NE(deepest->GetDefaultTakeNode(), nullptr);
    deepest->GetDefaultTakeNode()->GetTranslationXCurve()->AppendKey(KTime(KTime::kOneSecond * 3), 1.0f);
    KTime start(KTime::kOneSecond * 10), stop(KTime::kOneSecond * 10);
    EXPECT_TRUE(top->GetCurrentTakeInterval(start, stop));
    EXPECT_EQ(start, KTime(KTime::kOneSecond * 3));

    // A take selected on the root, then on every node: each time the
    // results are read again, and the whole walk clears each cache once.
    ASSERT_NE(top->AddTakeNode("Walk"), nullptr);
    top->SetLocalTranslation(5, 0, 0);
    EXPECT_TRUE(top->SelectTakeNodeByIndex(0));
    EXPECT_DOUBLE_EQ(deepest->ComputeGlobalTransform()[12], kDepth + 4);
    EXPECT_EQ(ClearEach(chain, true), kDepth);
    EXPECT_FALSE(scene->SetCurrentTake("Walk")) << "only the top has it";
    EXPECT_TRUE(scene->SetCurrentTake("Default"));
    for (KScnNode* node : chain)
    {
        ASSERT_TRUE(node->SelectTakeNodeByName("Default"));
    }
    EXPECT_DOUBLE_EQ(deepest->ComputeGlobalTransform()[12], kDepth + 4);

    EXPECT_TRUE(manager.DestroyScene(scene, true));
    EXPECT_EQ(manager.GetNodeCount(), 0);
}

} // namespace

TEST(KScnNodeDeep, LongChainIsEvaluatedSearchedAndDestroyed)
{
    const int kDepth = kLongChain;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    std::vector<KScnNode*> chain = Chain(manager, kDepth);
    KScnNode* top = chain.front();
    KScnNode* deepest = chain.back();
    KScnSkeleton* bone = manager.CreateSkeleton();
    deepest->SetNodeAttribute(bone);
    deepest->SetFlag(true);
    deepest->SetTransformInheritType(2);
    ASSERT_TRUE(scene->GetRootNode()->AddChild(top));
    ASSERT_EQ(scene->GetContents()->GetNodeCount(), kDepth + 1);
    ASSERT_TRUE(testsupport::RunOnSmallStack(kStack, [&] { WalkDeepScene(manager, scene, chain); }));
}

// The work of clearing caches on every node of a chain grows with the chain,
// in either order, whatever was computed in between.
TEST(KScnNodeDeep, SelectingATakeOnEveryNodeClearsEachCacheOnce)
{
    for (const int count : {500, 1000})
    {
        KScnSdkManager manager;
        const std::vector<KScnNode*> chain = Chain(manager, count);
        KScnNode* deepest = chain.back();
        SCOPED_TRACE(count);
        EXPECT_EQ(ClearEach(chain, true), count) << "nothing computed yet: one walk from the top";
        EXPECT_EQ(ClearEach(chain, false), 0) << "all clear already";
        deepest->ComputeGlobalTransform();
        EXPECT_EQ(ClearEach(chain, false), count) << "deepest first: each node clears itself only";
        deepest->ComputeGlobalTransform();
        EXPECT_EQ(ClearEach(chain, true), count);

        // Each node computed right after its take was selected.
        deepest->ComputeGlobalTransform();
        int visited = 0;
        for (KScnNode* node : chain)
        {
            visited += node->InvalidateTransformCaches();
            EXPECT_TRUE(node->SelectTakeNodeByIndex(0));
            node->ComputeGlobalTransform();
        }
        EXPECT_EQ(visited, count);
        EXPECT_DOUBLE_EQ(deepest->ComputeGlobalTransform()[12], count);
    }
}

// A subtree marked as holding no valid result must not hide one: every way a
// valid result can come below a cleared node is seen by the next clearing.
TEST(KScnNodeDeep, ClearedSubtreesSeeResultsThatComeIntoThem)
{
    enum EWay
    {
        eLocalOnly,    // a node below computes its local transform only
        eAddChild,     // a computed node is added below
        eConnectSrc,   // the same through the parent's property set
        eInsertSrc,    // inserted first among the sources
        eMovedFromTop, // taken from another parent, one level up
    };
    for (EWay way : {eLocalOnly, eAddChild, eConnectSrc, eInsertSrc, eMovedFromTop})
    {
        SCOPED_TRACE(static_cast<int>(way));
        KScnSdkManager manager;
        const std::vector<KScnNode*> chain = Chain(manager, 4);
        KScnNode* other = manager.CreateNode("other");
        KScnNode* holder = manager.CreateNode("holder");
        holder->AddChild(other);
        other->SetLocalTranslation(2, 0, 0);
        if (way != eLocalOnly)
        {
            other->ComputeGlobalTransform();
        }
        chain[0]->SelectTakeNodeByIndex(0);
        ASSERT_EQ(chain[0]->InvalidateTransformCaches(), 0) << "the chain is known clear";

        KScnNode* below = chain[3];
        switch (way)
        {
        case eLocalOnly:
            other = chain[3];
            other->ComputeLocalTransform();
            break;
        case eAddChild:
            holder->RemoveChild(other);
            chain[3]->AddChild(other);
            break;
        case eConnectSrc:
            holder->RemoveChild(other);
            chain[3]->GetNodeProperties()->ConnectSrc(other->GetNodeProperties());
            break;
        case eInsertSrc:
            holder->RemoveChild(other);
            chain[3]->GetNodeProperties()->InsertSrc(0, other->GetNodeProperties());
            break;
        case eMovedFromTop:
            chain[2]->AddChild(other);
            below = chain[2];
            break;
        }
        if (way != eLocalOnly)
        {
            ASSERT_EQ(other->GetParent(), below);
        }
        ASSERT_TRUE(other->GetTransformCache().mLocalValid);
        EXPECT_TRUE(chain[0]->SelectTakeNodeByIndex(0));
        EXPECT_FALSE(other->GetTransformCache().mLocalValid);
        EXPECT_FALSE(other->GetTransformCache().mGlobalValid);
        if (way != eLocalOnly)
        {
            const double expected = (below == chain[3] ? 4.0 : 3.0) + 2.0;
            EXPECT_DOUBLE_EQ(other->ComputeGlobalTransform()[12], expected);
        }
    }
}

// A deep subtree with a branch destroyed from its top, a chain in a scene
// that is then cleared, and one built from its top in a scene destroyed.
TEST(KScnNodeDeep, DeepSubtreesGoWithoutRecursion)
{
    const int kDepth = 5000;
    KScnSdkManager manager;
    std::vector<KScnNode*> chain = Chain(manager, kDepth);
    KScnNode* fork = manager.CreateNode("fork");
    chain[kDepth / 2]->AddChild(fork);
    KScnNode* kept = manager.CreateNode("kept");
    const int before = manager.GetNodeCount();
    bool destroyed = false;
    ASSERT_TRUE(
        testsupport::RunOnSmallStack(kStack, [&] { destroyed = manager.DestroyNode(chain.front(), true); }));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(manager.GetNodeCount(), before - kDepth - 1);
    EXPECT_EQ(manager.FindNode(kept->GetName()), kept);

    KScnSceneRoot* scene = manager.CreateScene();
    chain = Chain(manager, kDepth, "m");
    ASSERT_TRUE(scene->GetRootNode()->AddChild(chain.front()));
    ASSERT_TRUE(testsupport::RunOnSmallStack(kStack, [&] { scene->Clear(); }));
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
    EXPECT_EQ(scene->GetContents()->GetNodeCount(), 1);
    chain = ChainFromTop(manager, kDepth, "k");
    ASSERT_TRUE(scene->GetRootNode()->AddChild(chain.front()));
    EXPECT_FALSE(chain.back()->AddChild(chain.front())) << "still no cycles";
    EXPECT_FALSE(chain.back()->GetNodeProperties()->ConnectSrc(chain[1]->GetNodeProperties()));
    EXPECT_DOUBLE_EQ(chain.back()->ComputeGlobalTransform()[12], kDepth);
    ASSERT_TRUE(testsupport::RunOnSmallStack(kStack, [&] { destroyed = manager.DestroyScene(scene, true); }));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(manager.GetNodeCount(), 1);
}
