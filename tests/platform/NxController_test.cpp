#include "tests/platform/NxTestWorld.h"

#include <gtest/gtest.h>

using namespace nxtest;

namespace
{

class RecordingHits : public NxUserControllerHitReport
{
public:
    std::vector<NxShape*> shapes;
    std::vector<NxController*> others;
    std::function<void()> onHit;
    NxControllerAction OnShapeHit(const NxControllerShapeHit& hit) override
    {
        shapes.push_back(hit.shape);
        if (onHit)
            onHit();
        return NX_ACTION_NONE;
    }
    NxControllerAction OnControllerHit(const NxControllersHit& hit) override
    {
        others.push_back(hit.other);
        return NX_ACTION_NONE;
    }
};

class ControllerTest : public ::testing::Test
{
protected:
    NxController* Capsule(float x, float y, float z)
    {
        NxCapsuleControllerDesc d;
        d.position.set(x, y, z);
        d.radius = 0.5f;
        d.height = 1.9f;
        d.slopeLimit = 0.70710677f;
        d.skinWidth = 0.05f;
        d.stepOffset = 0.5f;
        d.callback = &hits;
        return w.controllers.createController(w.scene, d);
    }
    NxController* Box(float x, float y, float z, const NxVec3& half)
    {
        NxBoxControllerDesc d;
        d.position.set(x, y, z);
        d.extents = half;
        d.slopeLimit = 0.70710677f;
        d.skinWidth = 0.05f;
        d.stepOffset = 0.5f;
        d.callback = &hits;
        return w.controllers.createController(w.scene, d);
    }
    // Walks along +x with a little gravity, n moves; returns the flags of
    // the last move.
    NxU32 Walk(NxController* c, int n, float dx = 0.1f, NxU32 mask = 0xffffffff)
    {
        NxU32 flags = 0;
        for (int i = 0; i < n; ++i)
            c->move(NxVec3(dx, -0.1f, 0), mask, 0.001f, flags);
        return flags;
    }
    void Ground() { ground = w.Box(NxVec3(0, -1, 0), NxVec3(50, 1, 50), 0, false); }
    // A ramp rising along +x from x = 0 at the given angle.
    void Ramp(float degrees)
    {
        const float t = std::tan(degrees * 3.14159265f / 180.0f);
        mesh = w.Cook(MakeGrid(12, 6, 0, -3, 1, [t](float x, float) { return x * t; }));
        ASSERT_NE(mesh, nullptr);
        w.MeshActor(mesh);
    }

    World w;
    RecordingHits hits;
    NxActor* ground = nullptr;
    NxTriangleMesh* mesh = nullptr;
    const float standY = 0.5f + 0.95f + 0.05f; // capsule centre resting on y = 0
};

} // namespace

TEST_F(ControllerTest, CreationKindsAndInvalidDescriptors)
{
    NxController* c = Capsule(0, 2, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->getType(), NX_CONTROLLER_CAPSULE);
    ASSERT_NE(c->getActor(), nullptr);
    EXPECT_TRUE(c->getActor()->isKinematic());
    EXPECT_EQ(c->getPosition().y, 2.0);
    NxController* b = Box(3, 2, 0, NxVec3(0.4f, 1, 0.4f));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getHalfExtents(), NxVec3(0.4f, 1, 0.4f));
    EXPECT_EQ(Box(0, 0, 0, NxVec3(0, 1, 1)), nullptr);
    EXPECT_EQ(w.controllers.createController(nullptr, NxCapsuleControllerDesc()), nullptr);
    EXPECT_EQ(w.controllers.getNbControllers(), 2u);
    w.controllers.releaseController(*c);
    EXPECT_EQ(w.controllers.getNbControllers(), 1u);
    EXPECT_EQ(w.scene->getNbActors(), 1u);
}

TEST_F(ControllerTest, FallsToGroundAndKeepsTheSkinGap)
{
    Ground();
    NxController* c = Capsule(0, 3, 0);
    NxU32 flags = 0;
    c->move(NxVec3(0, -0.5f, 0), 0xffffffff, 0.001f, flags);
    EXPECT_EQ(flags, 0u);
    EXPECT_NEAR(c->getPosition().y, 2.5, 1e-4);
    c->move(NxVec3(0, -5, 0), 0xffffffff, 0.001f, flags);
    EXPECT_EQ(flags, static_cast<NxU32>(NXCC_COLLISION_DOWN));
    EXPECT_NEAR(c->getPosition().y, standY, 0.01);
    // Walking on flat ground keeps "below" and the height.
    flags = Walk(c, 20);
    EXPECT_EQ(flags, static_cast<NxU32>(NXCC_COLLISION_DOWN));
    EXPECT_NEAR(c->getPosition().x, 2.0, 1e-3);
    EXPECT_NEAR(c->getPosition().y, standY, 0.01);
    // The kinematic body follows.
    EXPECT_NEAR(c->getActor()->getGlobalPosition().x, 2.0f, 1e-3);
}

TEST_F(ControllerTest, WalksUpAWalkableRamp)
{
    Ground();
    Ramp(30);
    NxController* c = Capsule(-2, standY, 0);
    Walk(c, 80);
    EXPECT_GT(c->getPosition().x, 5.5);
    const double surface = c->getPosition().x * std::tan(30 * 3.14159265 / 180);
    EXPECT_GT(c->getPosition().y, surface + 1.0);
    EXPECT_LT(c->getPosition().y, surface + standY + 0.3);
}

TEST_F(ControllerTest, SteepRampBlocks)
{
    Ground();
    Ramp(60);
    NxController* c = Capsule(-2, standY, 0);
    const NxU32 flags = Walk(c, 80);
    EXPECT_LT(c->getPosition().x, 0.5);
    EXPECT_LT(c->getPosition().y, standY + 0.5);
    EXPECT_TRUE(flags & NXCC_COLLISION_SIDES);
}

TEST_F(ControllerTest, ClimbsStepsBelowTheOffsetOnly)
{
    Ground();
    w.Box(NxVec3(3, 0.15f, 0), NxVec3(1, 0.15f, 5), 3, false); // 0.3 high, x 2..4
    w.Box(NxVec3(3, 0.4f, 10), NxVec3(1, 0.4f, 5), 3, false);  // 0.8 high, z 5..15
    NxController* low = Capsule(0, standY, 0);
    Walk(low, 30);
    EXPECT_GT(low->getPosition().x, 2.8);
    EXPECT_NEAR(low->getPosition().y, standY + 0.3, 0.05);
    NxController* high = Capsule(0, standY, 10);
    const NxU32 flags = Walk(high, 30);
    EXPECT_LT(high->getPosition().x, 2.0 - 0.5 + 0.01);
    EXPECT_NEAR(high->getPosition().y, standY, 0.05);
    EXPECT_EQ(flags, static_cast<NxU32>(NXCC_COLLISION_SIDES | NXCC_COLLISION_DOWN));
    // A box controller climbs the low step too.
    NxController* box = Box(0, 1.05f, -3, NxVec3(0.4f, 1, 0.4f));
    Walk(box, 30);
    EXPECT_GT(box->getPosition().x, 2.8);
    EXPECT_NEAR(box->getPosition().y, 1.05 + 0.3, 0.05);
}

TEST_F(ControllerTest, WallsSlideAndCeilingsReportUp)
{
    Ground();
    w.Box(NxVec3(3, 2, 0), NxVec3(0.5f, 2, 10), 3, false);     // wall at x 2.5
    w.Box(NxVec3(-10, 4.0f, 0), NxVec3(2, 0.5f, 2), 3, false); // ceiling 0.55 above the head
    NxController* c = Capsule(0, standY, 0);
    NxU32 flags = 0;
    for (int i = 0; i < 30; ++i)
        c->move(NxVec3(0.1f, -0.1f, 0.1f), 0xffffffff, 0.001f, flags);
    EXPECT_EQ(flags, static_cast<NxU32>(NXCC_COLLISION_SIDES | NXCC_COLLISION_DOWN));
    EXPECT_NEAR(c->getPosition().x, 2.5 - 0.55, 0.01);
    EXPECT_GT(c->getPosition().z, 2.5); // slid along the wall

    NxController* j = Capsule(-10, standY, 0);
    j->move(NxVec3(0, 2, 0), 0xffffffff, 0.001f, flags);
    EXPECT_EQ(flags, static_cast<NxU32>(NXCC_COLLISION_UP));
    EXPECT_NEAR(j->getPosition().y, standY + 0.5, 0.01);
}

TEST_F(ControllerTest, MaskedGroupsAreIgnored)
{
    Ground();
    w.Box(NxVec3(2, 1, 0), NxVec3(0.5f, 1, 5), 2, false);
    NxController* c = Capsule(0, standY, 0);
    Walk(c, 40, 0.1f, ~(1u << 2));
    EXPECT_GT(c->getPosition().x, 3.9);
    hits.shapes.clear();
    w.Step();
    for (NxShape* s : hits.shapes)
        EXPECT_NE(s->getGroup(), 2);
}

TEST_F(ControllerTest, HitsAreDeliveredOncePerMoveDuringUpdate)
{
    Ground();
    NxActor* wall = w.Box(NxVec3(1.5f, 2, 0), NxVec3(0.5f, 2, 5), 3, false);
    NxController* c = Capsule(0, standY, 0);
    NxU32 flags = 0;
    for (int i = 0; i < 3; ++i)
        c->move(NxVec3(0.5f, -0.1f, 0), 0xffffffff, 0.001f, flags);
    EXPECT_TRUE(hits.shapes.empty());
    w.controllers.updateControllers();
    // Three moves, each touching the ground and (from the second on) the wall.
    const auto count = [&](NxActor* a)
    {
        return std::count_if(hits.shapes.begin(), hits.shapes.end(),
                             [a](NxShape* s) { return &s->getActor() == a; });
    };
    EXPECT_EQ(count(ground), 3);
    EXPECT_GE(count(wall), 1);
    EXPECT_LE(count(wall), 3);
    hits.shapes.clear();
    w.controllers.updateControllers();
    EXPECT_TRUE(hits.shapes.empty());
}

TEST_F(ControllerTest, ControllersHitEachOther)
{
    Ground();
    NxController* a = Capsule(0, standY, 0);
    NxController* b = Box(2, 1.05f, 0, NxVec3(0.4f, 1, 0.4f));
    Walk(a, 20);
    EXPECT_LT(a->getPosition().x, 2 - 0.4 - 0.5);
    w.controllers.updateControllers();
    ASSERT_FALSE(hits.others.empty());
    EXPECT_EQ(hits.others[0], b);
}

TEST_F(ControllerTest, ReleasesPurgeQueuedHits)
{
    Ground();
    NxActor* wall = w.Box(NxVec3(1.5f, 2, 0), NxVec3(0.5f, 2, 5), 3, false);
    NxController* c = Capsule(0, standY, 0);
    NxController* d = Capsule(0, standY, 3);
    Walk(c, 10);
    Walk(d, 10);
    EXPECT_GT(w.controllers.getNbQueuedHits(), 0u);
    w.scene->releaseActor(*wall);
    w.controllers.releaseController(*d);
    w.controllers.updateControllers();
    for (NxShape* s : hits.shapes)
        EXPECT_EQ(&s->getActor(), ground);
    // A release from inside a hit callback drops the rest.
    hits.shapes.clear();
    Walk(c, 5);
    hits.onHit = [&]
    {
        if (c)
            w.controllers.releaseController(*c);
        c = nullptr;
    };
    w.controllers.updateControllers();
    EXPECT_EQ(hits.shapes.size(), 1u);
}

TEST_F(ControllerTest, TeleportIntoGeometryPushesOut)
{
    Ground();
    NxController* c = Capsule(0, standY, 0);
    c->setPosition(NxExtendedVec3(0, 0.8, 0)); // half sunk into the ground
    NxU32 flags = 0;
    c->move(NxVec3(0, -0.1f, 0), 0xffffffff, 0.001f, flags);
    EXPECT_NEAR(c->getPosition().y, standY, 0.02);
    EXPECT_TRUE(flags & NXCC_COLLISION_DOWN);
}

TEST_F(ControllerTest, DynamicBodiesHitTheKinematicBody)
{
    Ground();
    NxController* c = Capsule(0, standY, 0);
    NxActor* drop = w.Box(NxVec3(0, 5, 0), NxVec3(0.1f, 0.1f, 0.1f), 5, true, 5.0f);
    w.Step(60);
    bool reported = false;
    for (const ContactEvent& e : w.contacts.events)
        reported |= (e.a == c->getActor() && e.b == drop);
    EXPECT_TRUE(reported);
    EXPECT_GT(drop->getGlobalPosition().y, 2.5f);
}

TEST_F(ControllerTest, WalksOverHillyTerrainWithoutSinking)
{
    const auto height = [](float x, float z) { return 2.0f * std::sin(x * 0.4f) * std::cos(z * 0.3f); };
    mesh = w.Cook(MakeGrid(24, 24, -12, -12, 1, height));
    ASSERT_NE(mesh, nullptr);
    w.MeshActor(mesh);
    NxController* box = Box(-6, height(-6, 1) + 1.2f, 1, NxVec3(0.4f, 1, 0.4f));
    NxController* capsule = Capsule(-6, height(-6, -3) + standY + 0.2f, -3);
    for (int i = 0; i < 100; ++i)
    {
        NxU32 flags = 0;
        box->move(NxVec3(0.1f, -0.1f, 0.02f), 0xffffffff, 0.001f, flags);
        EXPECT_TRUE(i < 5 || (flags & NXCC_COLLISION_DOWN)) << i;
        capsule->move(NxVec3(0.1f, -0.1f, 0), 0xffffffff, 0.001f, flags);
        const NxExtendedVec3 b = box->getPosition();
        // The skin gap is kept: never below the surface under the centre.
        EXPECT_GT(b.y - 1.0, height(static_cast<float>(b.x), static_cast<float>(b.z)) - 0.02) << i;
        const NxExtendedVec3 c = capsule->getPosition();
        EXPECT_GT(c.y - 1.45, height(static_cast<float>(c.x), static_cast<float>(c.z)) - 0.02) << i;
    }
    EXPECT_GT(box->getPosition().x, 3.5);
    EXPECT_GT(capsule->getPosition().x, 3.5);
}
