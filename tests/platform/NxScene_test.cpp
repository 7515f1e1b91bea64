#include "tests/platform/NxTestWorld.h"

#include <gtest/gtest.h>

using namespace nxtest;

namespace
{

NxMat33 RotationZ(float angle)
{
    NxMat33 m;
    const float c = std::cos(angle), s = std::sin(angle);
    const float rows[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    m.setRowMajor(rows);
    return m;
}

} // namespace

TEST(NxSdk, VersionAllocatorAndDescriptorChecks)
{
    RecordingOutput out;
    EXPECT_EQ(NxCreatePhysicsSDK(0x2030200, nullptr, &out), nullptr);
    int dummy = 0;
    EXPECT_EQ(NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION, &dummy, &out), nullptr);
    ASSERT_EQ(out.errors.size(), 2u);
    EXPECT_EQ(out.errors[0], "NxCreatePhysicsSDK: version mismatch");

    NxPhysicsSDK* sdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION, nullptr, &out);
    ASSERT_NE(sdk, nullptr);
    EXPECT_TRUE(sdk->setParameter(NX_SKIN_WIDTH, 0.01f));
    EXPECT_FLOAT_EQ(sdk->getParameter(NX_SKIN_WIDTH), 0.01f);
    NxSceneDesc bad;
    bad.maxTimestep = 0;
    EXPECT_EQ(sdk->createScene(bad), nullptr);
    EXPECT_EQ(out.errors.back(), "createScene: invalid scene descriptor");
    NxScene* scene = sdk->createScene(NxSceneDesc());
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(sdk->getNbScenes(), 1u);
    sdk->release();
}

TEST(NxActors, StaticAndDynamicFromDescriptors)
{
    World w;
    NxActor* ground = w.Box(NxVec3(0, -1, 0), NxVec3(10, 1, 10), 0, false);
    ASSERT_NE(ground, nullptr);
    EXPECT_FALSE(ground->isDynamic());
    EXPECT_EQ(ground->getNbShapes(), 1u);
    EXPECT_EQ(ground->getShapes()[0]->getType(), NX_SHAPE_BOX);
    EXPECT_EQ(&ground->getShapes()[0]->getActor(), ground);

    NxActor* box = w.Box(NxVec3(0, 3, 0), NxVec3(0.5f, 1, 1.5f), 3, true, 5.0f);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isDynamic());
    EXPECT_NEAR(box->getMass(), 5.0f * 1 * 2 * 3, 1e-3);
    EXPECT_EQ(box->getGroup(), 3);
    EXPECT_EQ(box->getShapes()[0]->getGroup(), 3);

    // Falls under gravity and comes to rest on the ground (fixed steps: two
    // seconds of steps whatever the frame lengths).
    for (int i = 0; i < 40; ++i)
        w.Step(3);
    EXPECT_NEAR(box->getGlobalPosition().y, 1.0f, 0.05f);
    EXPECT_NEAR(box->getGlobalPosition().x, 0.0f, 0.01f);
}

TEST(NxActors, InvalidDescriptorsAreRefused)
{
    World w;
    NxActorDesc empty;
    EXPECT_EQ(w.scene->createActor(empty), nullptr);
    EXPECT_EQ(w.output.errors.back(), "createActor: invalid actor descriptor");
    // A dynamic actor needs a mass or a density, and cannot carry a mesh.
    EXPECT_EQ(w.Box(NxVec3(), NxVec3(1, 1, 1), 0, true, 0.0f), nullptr);
    NxTriangleMesh* mesh = w.Cook(MakeGrid(2, 2, 0, 0, 1, [](float, float) { return 0.0f; }));
    ASSERT_NE(mesh, nullptr);
    NxTriangleMeshShapeDesc shape;
    shape.meshData = mesh;
    NxBodyDesc body;
    NxActorDesc desc;
    desc.body = &body;
    desc.density = 1;
    desc.shapes.push_back(&shape);
    EXPECT_EQ(w.scene->createActor(desc), nullptr);
    NxBoxShapeDesc flat;
    flat.dimensions.set(1, 0, 1);
    NxActorDesc flatDesc;
    flatDesc.shapes.push_back(&flat);
    EXPECT_EQ(w.scene->createActor(flatDesc), nullptr);
    EXPECT_EQ(w.scene->getNbActors(), 0u);
}

TEST(NxActors, TriangleMeshActorCarriesBodies)
{
    World w;
    NxTriangleMesh* mesh = w.Cook(MakeGrid(8, 8, -4, -4, 1, [](float, float) { return 0.0f; }));
    ASSERT_NE(mesh, nullptr);
    NxActor* terrain = w.MeshActor(mesh);
    ASSERT_NE(terrain, nullptr);
    EXPECT_EQ(terrain->getShapes()[0]->getType(), NX_SHAPE_MESH);
    EXPECT_EQ(mesh->getReferenceCount(), 1u);
    // A mesh in use is not released.
    w.sdk->releaseTriangleMesh(*mesh);
    EXPECT_EQ(w.sdk->getNbTriangleMeshes(), 1u);

    NxActor* box = w.Box(NxVec3(0, 2, 0), NxVec3(0.25f, 0.25f, 0.25f), 4, true, 5.0f);
    w.Step(120);
    EXPECT_NEAR(box->getGlobalPosition().y, 0.25f, 0.05f);
    EXPECT_NEAR(box->getGlobalOrientation().m[1][1], 1.0f, 1e-3); // rests flat
    w.scene->releaseActor(*terrain);
    EXPECT_EQ(mesh->getReferenceCount(), 0u);
    w.sdk->releaseTriangleMesh(*mesh);
    EXPECT_EQ(w.sdk->getNbTriangleMeshes(), 0u);
}

TEST(NxActors, PosesAndForces)
{
    World w;
    w.scene->setGravity(NxVec3(0, 0, 0));
    const NxMat33 rot = RotationZ(0.3f);
    NxActor* a = w.Box(NxVec3(1, 2, 3), NxVec3(1, 1, 1), 3, false, 1, &rot);
    EXPECT_NEAR(a->getGlobalOrientation().m[0][1], -std::sin(0.3f), 1e-6);
    a->setGlobalPosition(NxVec3(5, 6, 7));
    EXPECT_EQ(a->getGlobalPosition(), NxVec3(5, 6, 7));
    // A moved static actor is seen by queries at once, without a step.
    NxBounds3 b;
    b.set(5.5f, 6.5f, 7.5f, 6.5f, 7.5f, 8.5f);
    EXPECT_TRUE(w.scene->checkOverlapAABB(b));

    // An off-centre box: the actor frame keeps its pose, the force acts for
    // one fixed step (impulse = force / 60).
    NxBoxShapeDesc box;
    box.dimensions.set(0.5f, 0.5f, 0.5f);
    box.localPose.t.set(0, 0, 2);
    NxBodyDesc body;
    NxActorDesc desc;
    desc.body = &body;
    desc.density = 1;
    desc.globalPose.t.set(0, 10, 0);
    desc.shapes.push_back(&box);
    NxActor* d = w.scene->createActor(desc);
    ASSERT_NE(d, nullptr);
    EXPECT_NEAR(d->getGlobalPosition().y, 10, 1e-5);
    EXPECT_NEAR(d->getGlobalPosition().z, 0, 1e-5);
    d->addForce(NxVec3(60, 0, 0));
    EXPECT_NEAR(d->getLinearVelocity().x, 1.0f, 1e-4);
    d->setGlobalOrientation(RotationZ(0.5f));
    EXPECT_NEAR(d->getGlobalOrientation().m[1][0], std::sin(0.5f), 1e-5);
    EXPECT_NEAR(d->getGlobalPosition().y, 10, 1e-5);
}

TEST(NxGroups, DisabledPairsNeverCollideNorReport)
{
    World w;
    w.scene->setGroupCollisionFlag(1, 4, false);
    EXPECT_FALSE(w.scene->getGroupCollisionFlag(4, 1));
    EXPECT_TRUE(w.scene->getGroupCollisionFlag(1, 3));
    NxActor* floor1 = w.Box(NxVec3(-5, -1, 0), NxVec3(2, 1, 2), 1, false);
    NxActor* floor3 = w.Box(NxVec3(5, -1, 0), NxVec3(2, 1, 2), 3, false);
    NxActor* through = w.Box(NxVec3(-5, 1, 0), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    NxActor* stops = w.Box(NxVec3(5, 1, 0), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    w.Step(90);
    EXPECT_LT(through->getGlobalPosition().y, -3.0f);
    EXPECT_NEAR(stops->getGlobalPosition().y, 0.5f, 0.05f);
    for (const ContactEvent& e : w.contacts.events)
    {
        EXPECT_FALSE(e.a == floor1 || e.b == floor1);
        EXPECT_TRUE((e.a == floor3 && e.b == stops) || (e.a == stops && e.b == floor3));
    }
    EXPECT_FALSE(w.contacts.events.empty());
}

TEST(NxGroups, TableChangeAppliesToExistingPairs)
{
    World w;
    w.Box(NxVec3(0, -1, 0), NxVec3(5, 1, 5), 0, false);
    NxActor* box = w.Box(NxVec3(0, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 5, true);
    w.Step(30);
    EXPECT_NEAR(box->getGlobalPosition().y, 0.5f, 0.05f);
    w.scene->setGroupCollisionFlag(0, 5, false);
    w.Step(30);
    EXPECT_LT(box->getGlobalPosition().y, 0.0f);
}

TEST(NxQueries, BoxOverlap)
{
    World w;
    w.Box(NxVec3(0, -1, 0), NxVec3(50, 1, 50), 0, false);
    w.Box(NxVec3(0, 1, 0), NxVec3(1, 1, 1), 3, false);
    const NxU32 placement = 0xFFFFFEFE;
    NxBounds3 b;
    // Resting on the terrain (group 0, masked out) and sharing a face with the building.
    b.set(1, 0, -1, 3, 2, 1);
    EXPECT_FALSE(w.scene->checkOverlapAABB(b, NX_ALL_SHAPES, placement));
    // Sharing only an edge.
    b.set(1, 0, 1, 3, 2, 3);
    EXPECT_FALSE(w.scene->checkOverlapAABB(b, NX_ALL_SHAPES, placement));
    // Overlapping by 10 cm.
    b.set(0.9f, 0, -1, 3, 2, 1);
    EXPECT_TRUE(w.scene->checkOverlapAABB(b, NX_ALL_SHAPES, placement));
    EXPECT_FALSE(w.scene->checkOverlapAABB(b, NX_DYNAMIC_SHAPES, placement));
    EXPECT_FALSE(w.scene->checkOverlapAABB(b, NX_ALL_SHAPES, ~(1u << 3)));
    // The terrain is found when its group is in the mask.
    b.set(10, -0.5f, 10, 11, 0.5f, 11);
    EXPECT_TRUE(w.scene->checkOverlapAABB(b, NX_ALL_SHAPES, 0xffffffff));
    EXPECT_FALSE(w.scene->checkOverlapAABB(b, NX_ALL_SHAPES, placement));
    // Dynamic shapes count as dynamic.
    w.Box(NxVec3(20, 5, 20), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    b.set(19.8f, 4.8f, 19.8f, 20.2f, 5.2f, 20.2f);
    EXPECT_TRUE(w.scene->checkOverlapAABB(b, NX_DYNAMIC_SHAPES, placement));
    EXPECT_FALSE(w.scene->checkOverlapAABB(b, NX_STATIC_SHAPES, placement));
}

TEST(NxQueries, Rays)
{
    World w;
    NxTriangleMesh* mesh = w.Cook(MakeGrid(10, 10, 0, 0, 1, [](float x, float) { return x * 0.5f; }));
    NxActor* terrain = w.MeshActor(mesh);
    NxActor* wall = w.Box(NxVec3(5, 10, 5), NxVec3(1, 1, 1), 3, false);
    NxRay ray;
    ray.orig.set(2, 100, 2);
    ray.dir.set(0, -1, 0);
    NxRaycastHit hit;
    EXPECT_EQ(w.scene->raycastClosestShape(ray, NX_ALL_SHAPES, hit), terrain->getShapes()[0]);
    EXPECT_NEAR(hit.worldImpact.y, 1.0f, 1e-3);
    EXPECT_NEAR(hit.distance, 99.0f, 1e-2);
    EXPECT_NEAR(hit.worldNormal.y, 2 / std::sqrt(5.0f), 1e-3);
    ray.orig.set(5, 100, 5);
    EXPECT_EQ(w.scene->raycastClosestShape(ray, NX_ALL_SHAPES, hit), wall->getShapes()[0]);
    EXPECT_NEAR(hit.worldImpact.y, 11.0f, 1e-3);
    EXPECT_EQ(w.scene->raycastClosestShape(ray, NX_ALL_SHAPES, hit, ~(1u << 3)), terrain->getShapes()[0]);
    EXPECT_FALSE(w.scene->raycastAnyShape(ray, NX_DYNAMIC_SHAPES));
    EXPECT_FALSE(w.scene->raycastAnyShape(ray, NX_ALL_SHAPES, 0xffffffff, 50.0f));
    ray.orig.set(50, 100, 50);
    EXPECT_FALSE(w.scene->raycastAnyShape(ray, NX_ALL_SHAPES));
}

TEST(NxContacts, StartPersistEndInOrder)
{
    World w;
    w.scene->setGravity(NxVec3(0, 0, 0));
    NxActor* wall = w.Box(NxVec3(3, 0, 0), NxVec3(0.5f, 2, 2), 3, false);
    NxActor* box = w.Box(NxVec3(0, 0, 0), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    box->setLinearVelocity(NxVec3(6, 0, 0));
    std::vector<NxU32> seq;
    for (int i = 0; i < 60; ++i)
    {
        w.contacts.events.clear();
        w.Step();
        ASSERT_LE(w.contacts.events.size(), 1u);
        if (w.contacts.events.empty())
            continue;
        const ContactEvent& e = w.contacts.events[0];
        // Pairs name their actors in creation order.
        EXPECT_EQ(e.a, wall);
        EXPECT_EQ(e.b, box);
        seq.push_back(e.events);
        if (seq.size() == 3)
            box->setLinearVelocity(NxVec3(-6, 0, 0));
    }
    ASSERT_GE(seq.size(), 3u);
    EXPECT_EQ(seq.front(), static_cast<NxU32>(NX_NOTIFY_ON_START_TOUCH));
    for (size_t i = 1; i + 1 < seq.size(); ++i)
        EXPECT_EQ(seq[i], static_cast<NxU32>(NX_NOTIFY_ON_TOUCH));
    EXPECT_EQ(seq.back(), static_cast<NxU32>(NX_NOTIFY_ON_END_TOUCH));
}

TEST(NxContacts, OncePerUpdateAndOnlyForFlaggedGroups)
{
    World w;
    w.Box(NxVec3(0, -1, 0), NxVec3(5, 1, 5), 0, false);
    w.Box(NxVec3(0, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    w.Step(10);
    w.contacts.events.clear();
    // One update of four fixed steps: one report.
    w.scene->simulate(4.0f / 60.0f);
    w.scene->fetchResults(NX_RIGID_BODY_FINISHED, true);
    EXPECT_EQ(w.contacts.events.size(), 1u);
    // Too short for a step: nothing.
    w.contacts.events.clear();
    w.scene->simulate(0.001f);
    w.scene->fetchResults(NX_RIGID_BODY_FINISHED, true);
    EXPECT_TRUE(w.contacts.events.empty());
    // The pair's flags switched off: no reports, still resting.
    w.scene->setActorGroupPairFlags(0, 4, 0);
    w.Step(5);
    EXPECT_TRUE(w.contacts.events.empty());
}

TEST(NxContacts, ReleaseDuringReportsDropsQueuedRecords)
{
    World w;
    w.Box(NxVec3(0, -1, 0), NxVec3(20, 1, 20), 0, false);
    std::vector<NxActor*> boxes;
    for (int i = 0; i < 4; ++i)
        boxes.push_back(w.Box(NxVec3(i * 3.0f, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 4, true));
    NxActor* pushed = w.Box(NxVec3(0, 1.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    w.Step(5);
    ASSERT_GE(w.contacts.events.size(), 5u);
    // The first report releases every box: the other records of this update
    // name released actors and must not be delivered.
    w.contacts.events.clear();
    w.contacts.onReport = [&](NxContactPair&)
    {
        for (NxActor* b : boxes)
            w.scene->releaseActor(*b);
        w.scene->releaseActor(*pushed);
        boxes.clear();
        pushed = nullptr;
    };
    w.Step();
    EXPECT_EQ(w.contacts.events.size(), 1u);
    w.contacts.onReport = nullptr;
    // No end reports for released actors afterwards.
    w.contacts.events.clear();
    w.Step(3);
    EXPECT_TRUE(w.contacts.events.empty());
    EXPECT_EQ(w.scene->getNbActors(), 1u);
}

TEST(NxActors, HeightFieldMeshIsSolidBelowItsSurface)
{
    World w;
    NxTriangleMesh* mesh = w.Cook(MakeGrid(40, 40, -20, -20, 1, [](float, float) { return 0.0f; }));
    w.MeshActor(mesh);
    // An arrow-sized box at about 90 m/s: 1.5 m per step against a surface
    // without thickness.
    for (float angle : {0.0f, 0.6f})
    {
        NxActor* arrow = w.Box(NxVec3(0, 5, 0), NxVec3(0.025f, 0.025f, 0.5f), 4, true, 5.0f);
        arrow->setLinearVelocity(NxVec3(40 * std::sin(angle), -90 * std::cos(angle), 0));
        w.Step(20);
        EXPECT_GT(arrow->getGlobalPosition().y, -0.01f) << angle;
        w.scene->releaseActor(*arrow);
    }
    // A box sunk halfway (its centre under the sheet) is pushed up, not down.
    NxActor* sunk = w.Box(NxVec3(5, -0.1f, 5), NxVec3(0.25f, 0.25f, 0.25f), 4, true, 5.0f);
    w.Step(60);
    EXPECT_NEAR(sunk->getGlobalPosition().y, 0.25f, 0.05f);
}

TEST(NxActors, TouchingShapesAverageTheirFriction)
{
    // Both shapes carry 0.7: together they slide with 0.7, not 0.7 x 0.7.
    // A box pushed at 5 m/s stops after v^2 / (2 mu g) = 1.82 m (2.60 m with
    // the product).
    World w;
    NxMaterial* material = w.scene->getMaterialFromIndex(0);
    material->setRestitution(0);
    material->setStaticFriction(0.7f);
    material->setDynamicFriction(0.7f);
    w.Box(NxVec3(0, -1, 0), NxVec3(20, 1, 20), 0, false);
    NxActor* box = w.Box(NxVec3(0, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    w.Step(10);
    box->setLinearVelocity(NxVec3(5, 0, 0));
    w.Step(90);
    EXPECT_NEAR(box->getGlobalPosition().x, 25.0f / (2 * 0.7f * 9.8f), 0.15f);
    EXPECT_NEAR(box->getLinearVelocity().x, 0.0f, 1e-3);
    // Without restitution a dropped box does not bounce.
    NxActor* drop = w.Box(NxVec3(5, 3, 5), NxVec3(0.5f, 0.5f, 0.5f), 4, true);
    float highest = 0;
    bool landed = false;
    for (int i = 0; i < 90; ++i)
    {
        w.Step();
        const float y = drop->getGlobalPosition().y;
        landed |= y < 0.55f;
        if (landed)
            highest = std::max(highest, y);
    }
    EXPECT_TRUE(landed);
    EXPECT_LT(highest, 0.55f);
}
