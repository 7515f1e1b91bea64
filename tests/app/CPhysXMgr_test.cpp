#include "app/CEngineServices.h"
#include "app/CPhysXBody.h"
#include "app/CPhysXFileStream.h"
#include "app/CPhysXMgr.h"
#include "app/CPhysXOutputStream.h"
#include "platform/physx/NxController.h"
#include "platform/physx/NxPhysics.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace
{

// Stand-ins for game objects: only their addresses are used.
IGameObj* FakeObj(int& tag)
{
    return reinterpret_cast<IGameObj*>(&tag);
}

std::vector<std::pair<IGameObj*, IGameObj*>> g_Hits;
std::function<void(IGameObj*, IGameObj*)> g_OnHit;

void RecordHit(IGameObj* self, IGameObj* other)
{
    g_Hits.push_back({self, other});
    if (g_OnHit)
        g_OnHit(self, other);
}

CMatrix4 At(float x, float y, float z)
{
    CMatrix4 m;
    m.SetTranslation(CVector3(x, y, z));
    return m;
}

struct Grid
{
    std::vector<float> points;
    std::vector<uint32_t> indices;
};

// A flat square of n x n cells of one unit at height 0, from (0, 0).
Grid FlatGrid(int n)
{
    Grid g;
    for (int z = 0; z <= n; ++z)
        for (int x = 0; x <= n; ++x)
            g.points.insert(g.points.end(), {float(x), 0.0f, float(z)});
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x)
        {
            const uint32_t i = z * (n + 1) + x;
            g.indices.insert(g.indices.end(), {i, i + n + 1, i + 1, i + 1, i + n + 1, i + n + 2});
        }
    return g;
}

class PhysXMgrTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        g_Hits.clear();
        g_OnHit = nullptr;
        CPhysXBody::SetHitHandler(&RecordHit);
        mgr = new CPhysXMgr;
        ASSERT_TRUE(mgr->Create());
    }
    void TearDown() override
    {
        // Game objects give their bodies back before the manager goes.
        for (CPhysXActor* a : actors)
            mgr->ReleaseActor(a);
        for (CPhysXController* c : controllers)
            mgr->ReleaseController(c);
        mgr.Release();
        CPhysXBody::SetHitHandler(nullptr);
        g_OnHit = nullptr;
    }

    CPhysXActor* Track(CPhysXActor* a)
    {
        if (a)
            actors.push_back(a);
        return a;
    }
    CPhysXController* Track(CPhysXController* c)
    {
        if (c)
            controllers.push_back(c);
        return c;
    }
    void Release(CPhysXActor* a)
    {
        actors.erase(std::remove(actors.begin(), actors.end(), a), actors.end());
        mgr->ReleaseActor(a);
    }
    void Release(CPhysXController* c)
    {
        controllers.erase(std::remove(controllers.begin(), controllers.end(), c), controllers.end());
        mgr->ReleaseController(c);
    }
    CPhysXActor* Finish() { return Track(mgr->FinishActorCreation()); }
    CPhysXActor* StaticBox(const CVector3& centre, const CVector3& size, uint8_t group)
    {
        mgr->BeginActor(At(centre.x, centre.y, centre.z), group, false, 1.0f);
        mgr->AddBoxShape(CMatrix4(), size);
        return Finish();
    }
    CPhysXActor* DynamicBox(const CVector3& centre, const CVector3& size, uint8_t group)
    {
        mgr->BeginActor(At(centre.x, centre.y, centre.z), group, true, 5.0f);
        mgr->AddBoxShape(CMatrix4(), size);
        return Finish();
    }
    CPhysXController* Capsule(const CVector3& p, float r, float h, uint8_t group)
    {
        return Track(mgr->CreateCapsuleCharacter(p, r, h, group));
    }
    CPhysXController* BoxChar(const CVector3& p, const CVector3& e, uint8_t group)
    {
        return Track(mgr->CreateAABoxCharacter(p, e, group));
    }
    bool Overlaps(float x0, float y0, float z0, float x1, float y1, float z1, uint32_t mask = 0xFFFFFEFE)
    {
        const float b[6] = {x0, y0, z0, x1, y1, z1};
        return mgr->CheckOverlapBox(b, mask);
    }

    CRefPtr<CPhysXMgr> mgr;
    std::vector<CPhysXActor*> actors;
    std::vector<CPhysXController*> controllers;
};

} // namespace

TEST_F(PhysXMgrTest, SecondCreateOnlyWarns)
{
    plat::NxScene* scene = mgr->GetScene();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(mgr->Create());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(mgr->GetScene(), scene);
    EXPECT_EQ(mgr->gravity, CVector3(0.0f, -9.8f, 0.0f));
    EXPECT_FLOAT_EQ(mgr->GetSDK()->getParameter(plat::NX_SKIN_WIDTH), 0.01f);
    EXPECT_EQ(scene->getActorGroupPairFlags(7, 31), 14u);
    const plat::NxMaterial* material = scene->getMaterialFromIndex(0);
    EXPECT_EQ(material->getRestitution(), 0.0f);
    EXPECT_FLOAT_EQ(material->getStaticFriction(), 0.7f);
    EXPECT_FLOAT_EQ(material->getDynamicFriction(), 0.7f);
}

TEST_F(PhysXMgrTest, EngineServicesMakeTheManagerOnce)
{
    CEngineServices::CreateInstance();
    CEngineServices* services = CEngineServices::GetInstance();
    ASSERT_NE(services, nullptr);
    CPhysXMgr* first = services->GetPhysXMgr().Get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(services->GetPhysXMgr().Get(), first);
    EXPECT_EQ(first->GetScene(), nullptr); // constructed, not created
    CEngineServices::DestroyInstance();
}

TEST_F(PhysXMgrTest, ActorsFromDescriptors)
{
    // A static box of size (2, 4, 6): half extents (1, 2, 3).
    CPhysXActor* box = StaticBox(CVector3(0, 2, 0), CVector3(2, 4, 6), 3);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetActor()->userData, static_cast<CPhysXBody*>(box));
    EXPECT_EQ(box->owner, nullptr);
    EXPECT_FALSE(box->GetActor()->isDynamic());
    EXPECT_EQ(box->GetActor()->getShapes()[0]->getGroup(), 3);
    EXPECT_TRUE(Overlaps(0.9f, 0, -1, 2, 1, 1));
    EXPECT_FALSE(Overlaps(1.0f, 0, -1, 2, 1, 1));
    EXPECT_TRUE(Overlaps(-1, 3.9f, -1, 1, 5, 1));
    EXPECT_FALSE(Overlaps(-1, 1, 3.0f, 1, 2, 4));

    // A dynamic box: mass = density x volume.
    CPhysXActor* arrow = DynamicBox(CVector3(10, 5, 0), CVector3(0.1f, 0.1f, 1.0f), 4);
    ASSERT_NE(arrow, nullptr);
    EXPECT_TRUE(arrow->GetActor()->isDynamic());
    EXPECT_NEAR(arrow->GetActor()->getMass(), 5.0f * 0.01f, 1e-5);
    EXPECT_EQ(arrow->GetActor()->getGroup(), 4);

    // Terrain: one mesh shape and a wall, group 0, static.
    Grid g = FlatGrid(4);
    CRefPtr<CPhysXTriangleMesh> mesh =
        mgr->CookTerrain(g.points.size() / 3, g.indices.size(), g.points.data(), g.indices.data(), 1000.0f);
    ASSERT_FALSE(mesh.IsNull());
    mgr->BeginActor(At(20, 0, 0), 0, false, 1.0f);
    mgr->AddTriangleMeshShape(CMatrix4(), mesh);
    mgr->AddBoxShape(At(-0.5f, 5, 2), CVector3(1, 10, 4));
    CPhysXActor* terrain = Finish();
    ASSERT_NE(terrain, nullptr);
    EXPECT_EQ(terrain->GetActor()->getNbShapes(), 2u);
    EXPECT_EQ(terrain->GetActor()->getShapes()[0]->getType(), plat::NX_SHAPE_MESH);
    // The placement mask never sees the terrain (group 0).
    EXPECT_FALSE(Overlaps(21, -0.5f, 1, 22, 0.5f, 2));
    EXPECT_TRUE(Overlaps(21, -0.5f, 1, 22, 0.5f, 2, 0xffffffff));
    EXPECT_TRUE(Overlaps(19, 1, 1, 19.8f, 2, 2, 1));

    Release(box);
    Release(arrow);
    Release(terrain);
    mgr->ReleaseActor(nullptr);
    mgr->ReleaseController(nullptr);
    EXPECT_EQ(mgr->GetScene()->getNbActors(), 0u);
}

TEST_F(PhysXMgrTest, FailedCreationFreesTheBuilder)
{
    Grid g = FlatGrid(2);
    CRefPtr<CPhysXTriangleMesh> mesh =
        mgr->CookTerrain(g.points.size() / 3, g.indices.size(), g.points.data(), g.indices.data(), 1000.0f);
    // A dynamic actor cannot carry a triangle mesh.
    mgr->BeginActor(At(0, 0, 0), 4, true, 5.0f);
    mgr->AddTriangleMeshShape(CMatrix4(), mesh);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Finish(), nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: PhysX reported: \"createActor: invalid actor descriptor\" ("),
              std::string::npos);
    EXPECT_NE(err.find("Error: m_pScene->createActor returned NULL in CPhysXMgr::FinishActorCreation\n"),
              std::string::npos);
    // Idle again: a finish without a begin fails, a full sequence works and
    // carries none of the failed actor's shapes.
    testing::internal::CaptureStderr();
    EXPECT_EQ(Finish(), nullptr);
    testing::internal::GetCapturedStderr();
    CPhysXActor* box = StaticBox(CVector3(0, 0, 0), CVector3(1, 1, 1), 3);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetActor()->getNbShapes(), 1u);
    // An unfinished actor is dropped by the next begin.
    mgr->BeginActor(At(5, 0, 0), 3, false, 1.0f);
    mgr->AddBoxShape(CMatrix4(), CVector3(1, 1, 1));
    CPhysXActor* other = StaticBox(CVector3(9, 0, 0), CVector3(1, 1, 1), 3);
    EXPECT_EQ(other->GetActor()->getNbShapes(), 1u);
    EXPECT_TRUE(testsupport::TempDir::FileExists("Error.log"));
}

TEST_F(PhysXMgrTest, PosesDropScaleAndRotationsRoundTrip)
{
    CMatrix4 scaled;
    scaled.SetRotation(CVector3(0.2f, 0.5f, -0.3f));
    CMatrix4 s;
    s.SetScale(CVector3(2, 3, 0.5f));
    scaled = At(1, 2, 3) * scaled * s;
    mgr->BeginActor(scaled, 3, false, 1.0f);
    mgr->AddBoxShape(CMatrix4(), CVector3(1, 1, 1));
    CPhysXActor* a = Finish();
    ASSERT_NE(a, nullptr);
    const CVector3 angles = a->GetRotation();
    EXPECT_NEAR(angles.x, 0.2f, 1e-5);
    EXPECT_NEAR(angles.y, 0.5f, 1e-5);
    EXPECT_NEAR(angles.z, -0.3f, 1e-5);
    EXPECT_EQ(a->GetPosition(), CVector3(1, 2, 3));

    const CVector3 set(-1.2f, 2.5f, 0.7f);
    a->SetRotation(set);
    const CVector3 got = a->GetRotation();
    EXPECT_NEAR(got.x, set.x, 1e-5);
    EXPECT_NEAR(got.y, set.y, 1e-5);
    EXPECT_NEAR(got.z, set.z, 1e-5);
    // The SDK's orientation is the rotation CMatrix4::SetRotation applies.
    CMatrix4 m;
    m.SetRotation(set);
    const plat::NxMat33 o = a->GetActor()->getGlobalOrientation();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(o.m[r][c], m.At(r, c), 1e-5);
    a->SetPosition(CVector3(4, 5, 6));
    EXPECT_EQ(a->GetPosition(), CVector3(4, 5, 6));
}

TEST_F(PhysXMgrTest, LaunchActsForOneFixedStep)
{
    CPhysXActor* arrow = DynamicBox(CVector3(0, 50, 0), CVector3(0.1f, 0.1f, 1.0f), 4);
    const float mass = arrow->GetActor()->getMass();
    arrow->Launch(CVector3(0, 0, 70), 1);
    EXPECT_NEAR(arrow->GetActor()->getLinearVelocity().z, 70.0f / 60.0f / mass, 1e-2);
}

TEST_F(PhysXMgrTest, Characters)
{
    CPhysXController* player = Capsule(CVector3(0, 5, 0), 0.5f, 1.9f, 1);
    ASSERT_NE(player, nullptr);
    EXPECT_FALSE(player->IsOnGround());
    EXPECT_EQ(player->collisionFlags, 0u);
    plat::NxActor* actor = player->GetController()->getActor();
    EXPECT_EQ(actor->userData, static_cast<CPhysXBody*>(player));
    EXPECT_EQ(actor->getGroup(), 1);
    EXPECT_EQ(actor->getShapes()[0]->getGroup(), 1);
    EXPECT_FLOAT_EQ(player->GetController()->getSlopeLimit(), 0.70710677f);
    EXPECT_FLOAT_EQ(player->GetController()->getSkinWidth(), 0.05f);
    EXPECT_FLOAT_EQ(player->GetController()->getStepOffset(), 0.5f);
    EXPECT_EQ(player->GetPosition(), CVector3(0, 5, 0));

    CPhysXController* bird = BoxChar(CVector3(5, 5, 0), CVector3(0.4f, 1.0f, 0.4f), 2);
    ASSERT_NE(bird, nullptr);
    EXPECT_EQ(bird->GetController()->getHalfExtents(), plat::NxVec3(0.4f, 1.0f, 0.4f));

    const std::string msg =
        "Error: m_pControllerMgr->createController failed in CPhysXMgr::CreateAABoxCharacter\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(Capsule(CVector3(), 0.0f, 1.9f, 1), nullptr);
    EXPECT_EQ(BoxChar(CVector3(), CVector3(0, 1, 1), 2), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), msg + msg);

    // Falls onto ground and reports it.
    StaticBox(CVector3(0, -1, 0), CVector3(100, 2, 100), 0);
    player->Move(CVector3(0, -10, 0), 0xFFFFFFCB);
    EXPECT_TRUE(player->IsOnGround());
    EXPECT_NEAR(player->GetPosition().y, 0.5f + 0.95f + 0.05f, 0.01f);
    player->SetPosition(CVector3(3, 10, 3));
    EXPECT_EQ(player->GetPosition(), CVector3(3, 10, 3));
    EXPECT_EQ(player->Move(CVector3(0, -1, 0), 0xFFFFFFCB), 0u);
    EXPECT_FALSE(player->IsOnGround());
    Release(player);
    Release(bird);
    EXPECT_EQ(mgr->GetControllerMgr()->getNbControllers(), 0u);
}

TEST_F(PhysXMgrTest, ContactsReachBothOwnersInPairs)
{
    int groundTag = 0, boxTag = 0;
    CPhysXActor* ground = StaticBox(CVector3(0, -1, 0), CVector3(20, 2, 20), 3);
    CPhysXActor* box = DynamicBox(CVector3(0, 0.5f, 0), CVector3(1, 1, 1), 5);
    ground->owner = FakeObj(groundTag);
    box->owner = FakeObj(boxTag);
    for (int i = 0; i < 3; ++i)
        mgr->Update(1.0f / 60.0f);
    // Start and two persisting reports: three pairs, first body first.
    ASSERT_EQ(g_Hits.size(), 6u);
    for (size_t i = 0; i < g_Hits.size(); i += 2)
    {
        EXPECT_EQ(g_Hits[i], std::make_pair(FakeObj(groundTag), FakeObj(boxTag)));
        EXPECT_EQ(g_Hits[i + 1], std::make_pair(FakeObj(boxTag), FakeObj(groundTag)));
    }
    // Without an owner on one side nothing is delivered.
    g_Hits.clear();
    box->owner = nullptr;
    mgr->Update(1.0f / 60.0f);
    EXPECT_TRUE(g_Hits.empty());
    // The end of a contact is reported once more.
    box->owner = FakeObj(boxTag);
    box->SetPosition(CVector3(0, 30, 0));
    mgr->Update(1.0f / 60.0f);
    EXPECT_EQ(g_Hits.size(), 2u);
    g_Hits.clear();
    mgr->Update(1.0f / 60.0f);
    EXPECT_TRUE(g_Hits.empty());
}

TEST_F(PhysXMgrTest, TheGamesDisabledPairsNeverTouch)
{
    const std::pair<int, int> disabled[] = {{1, 4}, {1, 5}, {1, 2}, {2, 2}, {2, 5}, {6, 7}};
    for (const auto& p : disabled)
        mgr->SetGroupCollisionFlag(p.first, p.second, false);
    int tags[4] = {};
    CPhysXActor* tower = StaticBox(CVector3(0, 0, 0), CVector3(2, 2, 2), 6);
    CPhysXActor* towerArrow = DynamicBox(CVector3(0, 2, 0), CVector3(0.2f, 0.2f, 0.2f), 7);
    CPhysXController* player = Capsule(CVector3(10, 1.5f, 0), 0.5f, 1.9f, 1);
    CPhysXActor* arrow = DynamicBox(CVector3(10, 4, 0), CVector3(0.2f, 0.2f, 0.2f), 4);
    tower->owner = FakeObj(tags[0]);
    towerArrow->owner = FakeObj(tags[1]);
    player->owner = FakeObj(tags[2]);
    arrow->owner = FakeObj(tags[3]);
    for (int i = 0; i < 60; ++i)
        mgr->Update(1.0f / 60.0f);
    EXPECT_TRUE(g_Hits.empty());
    EXPECT_LT(towerArrow->GetPosition().y, -1.0f);
    EXPECT_LT(arrow->GetPosition().y, 0.0f);
}

TEST_F(PhysXMgrTest, ControllerHitsArriveDuringUpdate)
{
    int buildingTag = 0, playerTag = 0, birdTag = 0;
    StaticBox(CVector3(0, -1, 0), CVector3(100, 2, 100), 0);
    CPhysXActor* building = StaticBox(CVector3(3, 2, 0), CVector3(2, 4, 10), 3);
    building->owner = FakeObj(buildingTag);
    CPhysXController* player = Capsule(CVector3(0, 1.5f, 0), 0.5f, 1.9f, 1);
    player->owner = FakeObj(playerTag);
    for (int i = 0; i < 3; ++i)
        player->Move(CVector3(0.5f, -0.1f, 0), 0xFFFFFFCB);
    EXPECT_TRUE(g_Hits.empty());
    mgr->Update(1.0f / 60.0f);
    ASSERT_FALSE(g_Hits.empty());
    EXPECT_EQ(g_Hits[0], std::make_pair(FakeObj(playerTag), FakeObj(buildingTag)));
    EXPECT_EQ(g_Hits[1], std::make_pair(FakeObj(buildingTag), FakeObj(playerTag)));
    // A bird flying into the player: controllers hit each other when the
    // mask lets them.
    g_Hits.clear();
    CPhysXController* bird = BoxChar(CVector3(-3, 1.5f, 0), CVector3(0.4f, 1, 0.4f), 2);
    bird->owner = FakeObj(birdTag);
    for (int i = 0; i < 10; ++i)
        bird->Move(CVector3(0.5f, 0, 0), 0xffffffff);
    mgr->Update(1.0f / 60.0f);
    EXPECT_NE(std::find(g_Hits.begin(), g_Hits.end(), std::make_pair(FakeObj(birdTag), FakeObj(playerTag))),
              g_Hits.end());
    // The bird's own mask (not 1, 2, 5) lets it pass the player.
    g_Hits.clear();
    bird->SetPosition(CVector3(-3, 1.5f, 0));
    for (int i = 0; i < 10; ++i)
        bird->Move(CVector3(0.5f, 0, 0), 0xFFFFFFD9);
    EXPECT_GT(bird->GetPosition().x, 0.5f);
}

TEST_F(PhysXMgrTest, HitsOnBodiesWithoutWrapperOrOwnerAreIgnored)
{
    int playerTag = 0;
    StaticBox(CVector3(0, -1, 0), CVector3(100, 2, 100), 0); // a wrapper without owner
    // A wall made straight through the scene carries no wrapper at all.
    plat::NxBoxShapeDesc shape;
    shape.dimensions.set(0.5f, 2, 5);
    shape.group = 3;
    plat::NxActorDesc desc;
    desc.globalPose.t.set(2, 2, 0);
    desc.group = 3;
    desc.shapes.push_back(&shape);
    plat::NxActor* bare = mgr->GetScene()->createActor(desc);
    ASSERT_NE(bare, nullptr);
    CPhysXController* player = Capsule(CVector3(0, 1.5f, 0), 0.5f, 1.9f, 1);
    player->owner = FakeObj(playerTag);
    for (int i = 0; i < 5; ++i)
        player->Move(CVector3(0.5f, -0.1f, 0), 0xFFFFFFCB);
    EXPECT_GT(mgr->GetControllerMgr()->getNbQueuedHits(), 0u);
    EXPECT_LT(player->GetPosition().x, 1.5f - 0.5f);
    mgr->Update(1.0f / 60.0f);
    EXPECT_TRUE(g_Hits.empty());
    EXPECT_EQ(mgr->GetControllerMgr()->getNbQueuedHits(), 0u);
    mgr->GetScene()->releaseActor(*bare);
}

TEST_F(PhysXMgrTest, ReleasingInsideReportsIsSafe)
{
    int tags[8] = {};
    CPhysXActor* ground = StaticBox(CVector3(0, -1, 0), CVector3(50, 2, 50), 3);
    ground->owner = FakeObj(tags[0]);
    std::vector<CPhysXActor*> drops;
    for (int i = 0; i < 5; ++i)
    {
        drops.push_back(DynamicBox(CVector3(i * 2.0f, 0.25f, 0), CVector3(0.5f, 0.5f, 0.5f), 5));
        drops.back()->owner = FakeObj(tags[i + 1]);
    }
    CPhysXController* player = Capsule(CVector3(-5, 1.5f, 0), 0.5f, 1.9f, 1);
    player->owner = FakeObj(tags[6]);
    player->Move(CVector3(0.1f, -0.1f, 0), 0xFFFFFFCB);
    // The first hit releases every drop and the player: the queued contact
    // and hit records naming them are dropped, and later updates report no
    // end for them.
    bool released = false;
    g_OnHit = [&](IGameObj*, IGameObj*)
    {
        if (released)
            return;
        released = true;
        for (CPhysXActor* d : drops)
            Release(d);
        drops.clear();
        Release(player);
        player = nullptr;
    };
    mgr->Update(1.0f / 60.0f);
    // The pair whose first call released the bodies is still completed.
    EXPECT_EQ(g_Hits.size(), 2u);
    g_Hits.clear();
    mgr->Update(1.0f / 60.0f);
    mgr->Update(1.0f / 60.0f);
    EXPECT_TRUE(g_Hits.empty());
}

TEST_F(PhysXMgrTest, CookedMeshFileRoundTripAndTruncation)
{
    Grid big = FlatGrid(16);
    CRefPtr<CPhysXTriangleMesh> a = mgr->CookTerrain(big.points.size() / 3, big.indices.size(),
                                                     big.points.data(), big.indices.data(), 1000.0f);
    ASSERT_FALSE(a.IsNull());
    const auto bigSize = std::filesystem::file_size("cookedmesh.tmp");
    plat::NxTriangleMesh* m = a->GetMesh();
    ASSERT_EQ(m->getNbVertices(), big.points.size() / 3);
    ASSERT_EQ(m->getNbTriangles(), big.indices.size() / 3);
    EXPECT_EQ(0, std::memcmp(m->getVertices(), big.points.data(), big.points.size() * 4));
    EXPECT_EQ(0, std::memcmp(m->getTriangles(), big.indices.data(), big.indices.size() * 4));
    EXPECT_FLOAT_EQ(m->getHeightFieldVerticalExtent(), -1000.0f);

    // A smaller mesh after a larger one: the file holds only the new record.
    // An index count that is not a multiple of 3 drops the partial triangle.
    Grid small = FlatGrid(2);
    CRefPtr<CPhysXTriangleMesh> b = mgr->CookTerrain(small.points.size() / 3, small.indices.size() + 2,
                                                     small.points.data(), small.indices.data(), 1000.0f);
    ASSERT_FALSE(b.IsNull());
    EXPECT_EQ(b->GetMesh()->getNbTriangles(), small.indices.size() / 3);
    EXPECT_LT(std::filesystem::file_size("cookedmesh.tmp"), bigSize);
    // Both meshes stay alive with the manager.
    EXPECT_EQ(mgr->GetSDK()->getNbTriangleMeshes(), 2u);
    EXPECT_EQ(a->GetRefCount(), 2u);
    // The file goes with the manager: nothing stays in the working folder.
    a = b = CRefPtr<CPhysXTriangleMesh>();
    mgr.Release();
    EXPECT_FALSE(std::filesystem::exists("cookedmesh.tmp"));
    mgr = new CPhysXMgr;
}

// Each new game cooks its terrain again: the mesh of the last one goes once
// nothing uses it, and not before (a game played every few minutes must not
// pile up terrains of some MB each).
TEST_F(PhysXMgrTest, MeshesNothingUsesAreReleasedByTheNextCooking)
{
    Grid g = FlatGrid(8);
    auto cook = [&]
    {
        return mgr->CookTerrain(g.points.size() / 3, g.indices.size(), g.points.data(), g.indices.data(),
                                1000.0f);
    };
    CRefPtr<CPhysXTriangleMesh> first = cook();
    ASSERT_FALSE(first.IsNull());
    // Held by a handle: kept.
    CRefPtr<CPhysXTriangleMesh> second = cook();
    EXPECT_EQ(mgr->GetSDK()->getNbTriangleMeshes(), 2u);
    // Held by a shape only: kept while the body lives.
    mgr->BeginActor(CMatrix4(), 0, false, 1.0f);
    mgr->AddTriangleMeshShape(CMatrix4(), first);
    CPhysXActor* terrain = Finish();
    ASSERT_NE(terrain, nullptr);
    first = CRefPtr<CPhysXTriangleMesh>();
    second = CRefPtr<CPhysXTriangleMesh>();
    CRefPtr<CPhysXTriangleMesh> third = cook();
    EXPECT_EQ(mgr->GetSDK()->getNbTriangleMeshes(), 2u) << "the second went, the first is in use";
    Release(terrain);
    testing::internal::CaptureStderr();
    CRefPtr<CPhysXTriangleMesh> fourth = cook();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(mgr->GetSDK()->getNbTriangleMeshes(), 2u) << "the third and the fourth";
    EXPECT_EQ(third->GetMesh()->getNbTriangles(), g.indices.size() / 3);
}

TEST_F(PhysXMgrTest, CookingFailuresAreLogged)
{
    Grid g = FlatGrid(2);
    g.indices[5] = 99; // out of range
    testing::internal::CaptureStderr();
    EXPECT_TRUE(
        mgr->CookTerrain(g.points.size() / 3, g.indices.size(), g.points.data(), g.indices.data(), 1000.0f)
            .IsNull());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: NxCookTriangleMesh failed in CPhysXMgr::CookTerrain\n"), std::string::npos);

    // The file cannot be written (a folder is in the way).
    g = FlatGrid(2);
    std::filesystem::remove("cookedmesh.tmp");
    std::filesystem::create_directory("cookedmesh.tmp");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(
        mgr->CookTerrain(g.points.size() / 3, g.indices.size(), g.points.data(), g.indices.data(), 1000.0f)
            .IsNull());
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: NxCookTriangleMesh failed in CPhysXMgr::CookTerrain\n"), std::string::npos);
    std::filesystem::remove("cookedmesh.tmp");
    EXPECT_EQ(mgr->GetSDK()->getNbTriangleMeshes(), 0u);
}

TEST_F(PhysXMgrTest, CookedFileThatReadsBackEmptyFailsCreation)
{
    // Whatever is written vanishes, so the read-back finds an empty file.
    std::filesystem::create_symlink("/dev/null", "cookedmesh.tmp");
    Grid g = FlatGrid(2);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(
        mgr->CookTerrain(g.points.size() / 3, g.indices.size(), g.points.data(), g.indices.data(), 1000.0f)
            .IsNull());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: PhysX reported: \"createTriangleMesh: not a cooked mesh stream\""),
              std::string::npos);
    EXPECT_NE(err.find("Error: m_pPhysicsSDK->createTriangleMesh failed in CPhysXMgr::CookTerrain\n"),
              std::string::npos);
    EXPECT_EQ(mgr->GetSDK()->getNbTriangleMeshes(), 0u);
}

TEST_F(PhysXMgrTest, CorruptOrTruncatedCookedFileIsRefused)
{
    Grid g = FlatGrid(3);
    ASSERT_FALSE(
        mgr->CookTerrain(g.points.size() / 3, g.indices.size(), g.points.data(), g.indices.data(), 1000.0f)
            .IsNull());
    const std::string good = testsupport::TempDir::ReadFile("cookedmesh.tmp");
    const std::string cases[] = {good.substr(0, good.size() / 2), good.substr(0, 3), "",
                                 good.substr(0, 40) + std::string(good.size() - 40, '\x7f')};
    for (const std::string& bytes : cases)
    {
        m_Dir.WriteFile("cookedmesh.tmp", bytes);
        CPhysXFileStream in("cookedmesh.tmp", false);
        testing::internal::CaptureStderr();
        EXPECT_EQ(mgr->GetSDK()->createTriangleMesh(in), nullptr);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("Error: PhysX reported: \"createTriangleMesh: ", 0), 0u) << err;
        EXPECT_FALSE(in.IsGood() && bytes.size() < good.size() && bytes.size() < 40);
    }
    // A missing file fails the same way.
    std::filesystem::remove("cookedmesh.tmp");
    CPhysXFileStream missing("cookedmesh.tmp", false);
    testing::internal::CaptureStderr();
    EXPECT_EQ(mgr->GetSDK()->createTriangleMesh(missing), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(mgr->GetSDK()->getNbTriangleMeshes(), 1u);
}

TEST_F(PhysXMgrTest, FileStreamTypedValues)
{
    {
        CPhysXFileStream out("values.bin", true);
        out.StoreByte(0xAB).StoreWord(0xBEEF).StoreDword(0xDEADBEEF).StoreFloat(1.5f).StoreDouble(-2.25);
        EXPECT_TRUE(out.IsGood());
    }
    EXPECT_EQ(std::filesystem::file_size("values.bin"), 1u + 2 + 4 + 4 + 8);
    CPhysXFileStream in("values.bin", false);
    EXPECT_EQ(in.ReadByte(), 0xAB);
    EXPECT_EQ(in.ReadWord(), 0xBEEF);
    EXPECT_EQ(in.ReadDword(), 0xDEADBEEFu);
    EXPECT_EQ(in.ReadFloat(), 1.5f);
    EXPECT_EQ(in.ReadDouble(), -2.25);
    EXPECT_TRUE(in.IsGood());
    EXPECT_EQ(in.ReadDword(), 0u);
    EXPECT_FALSE(in.IsGood());
}

TEST_F(PhysXMgrTest, OutputStreamMessages)
{
    CPhysXOutputStream& out = CPhysXOutputStream::Instance();
    testing::internal::CaptureStderr();
    out.ReportError(plat::NXE_INVALID_PARAMETER, "bad thing", "scene.cpp", 42);
    out.Print("just saying");
    EXPECT_EQ(out.ReportAssertViolation("x", "y", 1), plat::NX_AR_CONTINUE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: PhysX reported: \"bad thing\" (scene.cpp, 42)\n");
    EXPECT_EQ(testsupport::TempDir::ReadFile("Error.log"),
              "Error: PhysX reported: \"bad thing\" (scene.cpp, 42)\n");
}

TEST_F(PhysXMgrTest, RenderDebugHandsTheRenderableToTheDrawer)
{
    static int calls = 0;
    static size_t lines = 0;
    calls = 0;
    CPhysXMgr::SetDebugDrawFunction(
        [](const plat::NxDebugRenderable& r)
        {
            ++calls;
            lines = r.getNbLines();
        });
    StaticBox(CVector3(0, 0, 0), CVector3(1, 1, 1), 3);
    mgr->Update(1.0f / 60.0f);
    mgr->RenderDebug();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lines, 0u); // no visualisation asked for
    mgr->GetSDK()->setParameter(plat::NX_VISUALIZATION_SCALE, 1.0f);
    mgr->Update(1.0f / 60.0f);
    mgr->RenderDebug();
    EXPECT_GT(lines, 0u);
    CPhysXMgr::SetDebugDrawFunction(nullptr);
}
