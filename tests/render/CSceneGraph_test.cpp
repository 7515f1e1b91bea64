#include "render/CSceneGraph.h"
#include "tests/render/SceneTestEntry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using scenetest::BoxEntry;
using scenetest::Flat;

namespace
{

int CountNodes(const CSceneGraphNode* node)
{
    int n = 1;
    for (int i = 0; i < 4 && !node->IsLeaf(); ++i)
        n += CountNodes(node->GetChild(i));
    return n;
}

// How many nodes of the tree hold the entry.
int Holders(const CSceneGraphNode* node, ISceneEntry* entry)
{
    int n = 0;
    for (const CRefPtr<ISceneEntry>& e : node->GetObjects())
        n += e.Get() == entry;
    for (int i = 0; i < 4 && !node->IsLeaf(); ++i)
        n += Holders(node->GetChild(i), entry);
    return n;
}

class SceneGraph : public testsupport::TempDirTest
{
protected:
    void SetUp() override { ASSERT_TRUE(m_pGraph->Create(1000, 1000, -10, 100, 5)); }

    // The camera at (500, 50, 500) looking along -z (a 60-degree view).
    void LookNorth()
    {
        CRefPtr<CCamera> camera(new CCamera);
        camera->SetPerspective(1.0471976f, 1.3333334f, 0.01f, 5000.0f);
        camera->SetPosition(CVector3(500, 50, 500));
        m_pGraph->SetCamera(camera);
    }

    CRefPtr<CSceneGraph> m_pGraph{new CSceneGraph};
};

} // namespace

TEST_F(SceneGraph, CreateBuildsFiveLevelsOfQuarteredNodes)
{
    CSceneGraphNode* root = m_pGraph->GetRoot();
    EXPECT_EQ(CountNodes(root), 1 + 4 + 16 + 64 + 256);
    EXPECT_EQ(root->GetBox().min, CVector3(0, -10, 0));
    EXPECT_EQ(root->GetBox().max, CVector3(1000, 100, 1000));
    EXPECT_EQ(root->GetSphere().centre, CVector3(500, 45, 500));
    EXPECT_FLOAT_EQ(root->GetSphere().radius, std::sqrt(110.0f * 110.0f * 0.25f + 500.0f * 500.0f * 2));
    // Child order: x first, then z.
    EXPECT_EQ(root->GetChild(1)->GetBox().min, CVector3(500, -10, 0));
    EXPECT_EQ(root->GetChild(2)->GetBox().min, CVector3(0, -10, 500));
    EXPECT_EQ(root->GetChild(3)->GetParent(), root);
    CSceneGraphNode* leaf = root;
    while (!leaf->IsLeaf())
        leaf = leaf->GetChild(3);
    EXPECT_EQ(leaf->GetBox().min, CVector3(937.5f, -10, 937.5f));
    EXPECT_EQ(leaf->GetBox().max, CVector3(1000, 100, 1000));
}

TEST_F(SceneGraph, BadParametersFailWithAMessageAndLeaveNoTree)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_pGraph->Create(1000, 1000, -10, 100, CSceneGraph::MAX_DEPTH + 1));
    EXPECT_EQ(m_pGraph->GetRoot(), nullptr);
    EXPECT_FALSE(m_pGraph->Create(NAN, 1000, -10, 100, 5));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: invalid size (1000, 1000, -10, 100) or depth 11 in CSceneGraph::Create\n"
              "Error: invalid size (nan, 1000, -10, 100) or depth 5 in CSceneGraph::Create\n");
    // Without a tree nothing goes in and nothing is found.
    CRefPtr<BoxEntry> e = Flat(10, 20, 10, 20);
    m_pGraph->Insert(e);
    EXPECT_EQ(e->GetSceneNode(), nullptr);
    EXPECT_FALSE(m_pGraph->Remove(e));
    // Depth 0 and 1 make a single leaf.
    EXPECT_TRUE(m_pGraph->Create(100, 100, 0, 1, 0));
    EXPECT_TRUE(m_pGraph->GetRoot()->IsLeaf());
}

TEST_F(SceneGraph, InsertionFilesEachObjectInTheSmallestNodeThatHoldsIt)
{
    CRefPtr<BoxEntry> small = Flat(10, 20, 10, 20), straddling = Flat(495, 505, 10, 20),
                      touching = Flat(490, 500, 10, 20), outside = Flat(-50, -40, 10, 20);
    for (auto* e : {&small, &straddling, &touching, &outside})
        m_pGraph->Insert(*e);

    // A 62.5-wide leaf at the origin corner.
    ASSERT_NE(small->GetSceneNode(), nullptr);
    EXPECT_TRUE(small->GetSceneNode()->IsLeaf());
    EXPECT_EQ(small->GetSceneNode()->GetBox().max, CVector3(62.5f, 100, 62.5f));
    // Across x = 500: stays in the root; outside the root's range too.
    EXPECT_EQ(straddling->GetSceneNode(), m_pGraph->GetRoot());
    EXPECT_EQ(outside->GetSceneNode(), m_pGraph->GetRoot());
    // Touching the boundary from below (max x = min x + half) goes into the
    // lower child, down to the leaf that ends at 500.
    EXPECT_TRUE(touching->GetSceneNode()->IsLeaf());
    EXPECT_EQ(touching->GetSceneNode()->GetBox().min.x, 437.5f);
    EXPECT_EQ(touching->GetSceneNode()->GetBox().max.x, 500.0f);
    // The root holds its two in insertion order.
    ASSERT_EQ(m_pGraph->GetRoot()->GetObjects().size(), 2u);
    EXPECT_EQ(m_pGraph->GetRoot()->GetObjects()[0], CRefPtr<ISceneEntry>(straddling.Get()));

    // Inserting again does not file it twice.
    m_pGraph->Insert(small);
    EXPECT_EQ(Holders(m_pGraph->GetRoot(), small.Get()), 1);
}

TEST_F(SceneGraph, MovedObjectsAreRefiledAndRemovedOnce)
{
    CRefPtr<BoxEntry> e = Flat(10, 20, 10, 20);
    m_pGraph->Insert(e);
    CSceneGraphNode* first = e->GetSceneNode();

    // Across the root's middle: up to the root.
    e->MoveTo(CVector3(495, 0, 10), CVector3(505, 10, 20));
    EXPECT_EQ(e->GetSceneNode(), m_pGraph->GetRoot());
    // Into the far corner: down to that leaf.
    e->MoveTo(CVector3(950, 0, 950), CVector3(960, 10, 960));
    EXPECT_NE(e->GetSceneNode(), first);
    EXPECT_EQ(e->GetSceneNode()->GetBox().min, CVector3(937.5f, -10, 937.5f));
    // Within its leaf: stays.
    CSceneGraphNode* leaf = e->GetSceneNode();
    e->MoveTo(CVector3(940, 0, 940), CVector3(941, 10, 941));
    EXPECT_EQ(e->GetSceneNode(), leaf);
    // Leaf to a neighbouring leaf under another parent.
    e->MoveTo(CVector3(930, 0, 940), CVector3(936, 10, 941));
    EXPECT_EQ(e->GetSceneNode()->GetBox().min.x, 875.0f);
    EXPECT_EQ(Holders(m_pGraph->GetRoot(), e.Get()), 1);

    EXPECT_TRUE(m_pGraph->Remove(e));
    EXPECT_EQ(e->GetSceneNode(), nullptr);
    EXPECT_FALSE(m_pGraph->Remove(e));
    // Out of the graph a move changes nothing.
    e->MoveTo(CVector3(10, 0, 10), CVector3(20, 10, 20));
    EXPECT_EQ(Holders(m_pGraph->GetRoot(), e.Get()), 0);
    EXPECT_EQ(e->GetRefCount(), 1u);
}

TEST_F(SceneGraph, RemovalKeepsTheOrderOfTheRest)
{
    CRefPtr<BoxEntry> a = Flat(495, 505, 0, 5), b = Flat(495, 505, 5, 9), c = Flat(495, 505, 9, 12);
    m_pGraph->Insert(a);
    m_pGraph->Insert(b);
    m_pGraph->Insert(c);
    EXPECT_TRUE(m_pGraph->Remove(b));
    const auto& objects = m_pGraph->GetRoot()->GetObjects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].Get(), a.Get());
    EXPECT_EQ(objects[1].Get(), c.Get());
}

TEST_F(SceneGraph, OddSizesNeverBounceAnObjectBetweenParentAndChild)
{
    // Halves of these sizes are not exact in floats; objects placed right on
    // the computed boundaries must still settle, in a node that holds them.
    ASSERT_TRUE(m_pGraph->Create(1000.0f / 3.0f, 777.7f, 0, 1, 6));
    std::vector<CRefPtr<BoxEntry>> entries;
    std::function<void(CSceneGraphNode*)> seed = [&](CSceneGraphNode* node)
    {
        const SAxisAlignedBox& b = node->GetBox();
        entries.push_back(Flat(b.min.x, b.max.x, b.min.z, b.max.z));
        if (!node->IsLeaf() && entries.size() < 120)
            for (int i = 0; i < 4; ++i)
                seed(node->GetChild(i));
    };
    seed(m_pGraph->GetRoot());
    for (auto& e : entries)
        m_pGraph->Insert(e);
    for (size_t i = 0; i < entries.size(); ++i)
    {
        CRefPtr<BoxEntry>& e = entries[i];
        const SAxisAlignedBox& other = entries[(i * 7 + 3) % entries.size()]->m_Box;
        e->MoveTo(other.min, other.max);
        const SAxisAlignedBox& held = e->GetSceneNode()->GetBox();
        EXPECT_TRUE(e->GetSceneNode() == m_pGraph->GetRoot() ||
                    (e->m_Box.min.x >= held.min.x && e->m_Box.max.x <= held.max.x &&
                     e->m_Box.min.z >= held.min.z && e->m_Box.max.z <= held.max.z));
        EXPECT_EQ(Holders(m_pGraph->GetRoot(), e.Get()), 1);
    }
}

TEST_F(SceneGraph, DestroyingTheTreesLetsGoOfEveryObject)
{
    CRefPtr<BoxEntry> e = Flat(10, 20, 10, 20), hooked = Flat(10, 20, 10, 20);
    m_pGraph->Insert(e);
    CSceneGraphNode* hookTree = m_pGraph->AddHookNode(CRefPtr<IRenderHook>());
    ASSERT_NE(hookTree, nullptr);
    hookTree->InsertObject(hooked);
    LookNorth();
    m_pGraph->DestroyNodes();
    EXPECT_EQ(m_pGraph->GetRoot(), nullptr);
    EXPECT_EQ(m_pGraph->GetHookNodeCount(), 0u);
    EXPECT_FALSE(m_pGraph->GetCamera());
    for (BoxEntry* entry : {e.Get(), hooked.Get()})
    {
        EXPECT_EQ(entry->GetSceneNode(), nullptr);
        EXPECT_EQ(entry->GetRefCount(), 1u);
    }
    // Moves and removals after the teardown are harmless.
    e->MoveTo(CVector3(500, 0, 500), CVector3(501, 1, 501));
    EXPECT_FALSE(m_pGraph->Remove(e));

    // A second Create drops the trees of the first one.
    ASSERT_TRUE(m_pGraph->Create(1000, 1000, -10, 100, 5));
    m_pGraph->Insert(e);
    ASSERT_TRUE(m_pGraph->Create(1000, 1000, -10, 100, 5));
    EXPECT_EQ(e->GetSceneNode(), nullptr);
    EXPECT_EQ(e->GetRefCount(), 1u);
}

TEST_F(SceneGraph, RemoveSearchesTheRootTreeThenTheHookTrees)
{
    CRefPtr<BoxEntry> a = Flat(10, 20, 10, 20), b = Flat(600, 610, 600, 610);
    CSceneGraphNode* first = m_pGraph->AddHookNode(CRefPtr<IRenderHook>());
    CSceneGraphNode* second = m_pGraph->AddHookNode(CRefPtr<IRenderHook>());
    ASSERT_EQ(m_pGraph->GetHookNodeCount(), 2u);
    EXPECT_EQ(CountNodes(second), 341);
    first->InsertObject(a);
    second->InsertObject(b);
    EXPECT_TRUE(b->GetSceneNode()->IsLeaf());
    EXPECT_TRUE(m_pGraph->Remove(b));
    EXPECT_EQ(Holders(second, b.Get()), 0);
    EXPECT_TRUE(m_pGraph->Remove(a));
    EXPECT_FALSE(m_pGraph->Remove(a));
    EXPECT_FALSE(m_pGraph->Remove(CRefPtr<ISceneEntry>()));
}

TEST_F(SceneGraph, RayPickReportsTheNearestPickableHit)
{
    LookNorth();
    // Along the view axis from the camera: near at 100, far at 300.
    CRefPtr<BoxEntry> farBox = Flat(490, 510, 190, 210, "far"),
                      nearBox = Flat(390, 410, 390, 410, "off axis"), hit = Flat(495, 505, 395, 405, "near"),
                      hidden = Flat(497, 503, 420, 430, "unpickable");
    hidden->SetPickable(false);
    for (auto* e : {&farBox, &nearBox, &hit, &hidden})
        m_pGraph->Insert(*e);
    CRefPtr<ISceneEntry> picked;
    CVector3 point;
    ASSERT_TRUE(m_pGraph->RayIntersection(CVector3(500, 5, 500), CVector3(0, 0, -1), picked, point));
    EXPECT_EQ(picked.Get(), hit.Get());
    EXPECT_EQ(point, CVector3(500, 5, 405));
    EXPECT_EQ(hidden->m_iRayTests, 0) << "not pickable";
    EXPECT_EQ(nearBox->m_iRayTests, 0) << "its sphere is off the ray";

    // An unnormalised direction is made unit first.
    picked.Release();
    ASSERT_TRUE(m_pGraph->RayIntersection(CVector3(500, 5, 500), CVector3(0, 0, -7), picked, point));
    EXPECT_EQ(picked.Get(), hit.Get());

    // Nothing hit: the outputs stay as they were.
    CRefPtr<ISceneEntry> untouched(farBox.Get());
    CVector3 keep(1, 2, 3);
    EXPECT_FALSE(m_pGraph->RayIntersection(CVector3(500, 5, 500), CVector3(1, 0, 0), untouched, keep));
    EXPECT_EQ(untouched.Get(), farBox.Get());
    EXPECT_EQ(keep, CVector3(1, 2, 3));
    EXPECT_FALSE(m_pGraph->RayIntersection(CVector3(500, 5, 500), CVector3(0, 0, 0), untouched, keep));
}

TEST_F(SceneGraph, RayPickTiesGoToTheFirstInNodeOrderAndHitsBehindDoNotCount)
{
    LookNorth();
    // The root's own object comes before any child's.
    CRefPtr<BoxEntry> inLeaf = Flat(440, 450, 10, 20, "leaf"), inRoot = Flat(495, 505, 10, 20, "root"),
                      behind = Flat(515, 525, 400, 410, "behind");
    m_pGraph->Insert(inLeaf);
    m_pGraph->Insert(inRoot);
    m_pGraph->Insert(behind);
    for (BoxEntry* e : {inLeaf.Get(), inRoot.Get()})
        e->ForceHit(50.0f);
    behind->ForceHit(-5.0f);
    CRefPtr<ISceneEntry> picked;
    CVector3 point;
    // A ray that meets only the leaf's sphere.
    ASSERT_TRUE(m_pGraph->RayIntersection(CVector3(445, 5, 100), CVector3(0, 0, -1), picked, point));
    EXPECT_EQ(picked.Get(), inLeaf.Get());
    // Both spheres on the ray (along x at z = 15): equal distances, the
    // root's entry is met first.
    ASSERT_TRUE(m_pGraph->RayIntersection(CVector3(300, 5, 15), CVector3(1, 0, 0), picked, point));
    EXPECT_EQ(picked.Get(), inRoot.Get());
    EXPECT_GE(inLeaf->m_iRayTests, 2);

    // A sphere wholly behind the ray's origin is not even asked; a hit
    // reported behind the origin does not count.
    CRefPtr<BoxEntry> around = Flat(515, 525, 295, 305, "around");
    m_pGraph->Insert(around);
    around->ForceHit(-1.0f);
    picked.Release();
    EXPECT_FALSE(m_pGraph->RayIntersection(CVector3(520, 5, 300), CVector3(0, 0, -1), picked, point));
    EXPECT_EQ(behind->m_iRayTests, 0);
    EXPECT_EQ(around->m_iRayTests, 1);
}

TEST_F(SceneGraph, RayPickSkipsNodesOutOfViewAndHookTrees)
{
    LookNorth();
    // Behind the camera (z > 500), in a leaf whose ancestors are out of view.
    CRefPtr<BoxEntry> behind = Flat(10, 20, 900, 910), hooked = Flat(495, 505, 100, 110);
    m_pGraph->Insert(behind);
    m_pGraph->AddHookNode(CRefPtr<IRenderHook>())->InsertObject(hooked);
    CRefPtr<ISceneEntry> picked;
    CVector3 point;
    EXPECT_FALSE(m_pGraph->RayIntersection(CVector3(15, 5, 1000), CVector3(0, 0, -1), picked, point));
    EXPECT_EQ(behind->m_iRayTests, 0);
    EXPECT_FALSE(m_pGraph->RayIntersection(CVector3(500, 5, 500), CVector3(0, 0, -1), picked, point));
    EXPECT_EQ(hooked->m_iRayTests, 0);
    // Without a camera nothing is picked.
    m_pGraph->SetCamera(CRefPtr<CCamera>());
    EXPECT_FALSE(m_pGraph->RayIntersection(CVector3(15, 5, 1000), CVector3(0, 0, -1), picked, point));
}
