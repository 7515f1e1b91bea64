// Arrows and droppings: flight, sticking 0.15 deep into what they hit,
// following it, and the three ways a stuck arrow ends.

#include "game/CBirdObj.h"
#include "game/CBuildingObj.h"
#include "game/CDroppingObj.h"
#include "game/CProjectileObj.h"
#include "tests/game/GTownSupport.h"
#include "tests/support/VectorNear.h"

#include <cmath>

using testsupport::ExpectVecNear;
using towntest::TownTest;

namespace
{

const char* const kArrow = "Data/models/pfeil.scn";
const char* const kHouse = "Data/models/buildings/haus1.scn";

class ProjectileTest : public TownTest
{
protected:
    void SetUp() override
    {
        TownTest::SetUp();
        Shelve(kArrow, CVector3(-0.03f, -0.03f, -0.5f), CVector3(0.03f, 0.03f, 0.5f));
        Shelve(kHouse, CVector3(-2, 0, -2), CVector3(2, 4, 2));
        m_pHouse = Add(new CBuildingObj(&m_Ctrl, kHouse, 120.0f, 0.0f, 3));
        m_pHouse->CheckPlacement();
        EXPECT_TRUE(m_pHouse->Place());
    }
    CProjectileObj* Arrow(const CVector3& position)
    {
        CProjectileObj* arrow = Add(new CProjectileObj(&m_Ctrl, IGameObj::TYPE_PROJECTILE, 4, kArrow));
        arrow->SetPosition(position);
        return arrow;
    }

    CBuildingObj* m_pHouse = nullptr;
};

} // namespace

TEST_F(ProjectileTest, ArrowSticksDeepFollowsItsTargetAndExpires)
{
    // Shot along -z at the house's face z = 2, 20 units away.
    CProjectileObj* arrow = Arrow(CVector3(0, 2, 22));
    arrow->Launch(arrow->GetForward() * 70.0f);
    int frames = 0;
    while (!arrow->GetTarget() && frames < 120)
    {
        Step();
        ++frames;
    }
    // The hit came in the last step's physics, after its objects' update:
    // the time since the hit counts from here.
    ASSERT_EQ(arrow->GetTarget(), m_pHouse);
    EXPECT_LT(frames, 30);
    // Long enough that a time counted from the shot would be past 30 s at
    // 29.8 s after the hit.
    EXPECT_GT(frames * kStep, 0.25f);
    EXPECT_EQ(m_pHouse->GetObservers().size(), 1u);
    float sinceHit = 0.0f;
    Step();
    sinceHit += kStep;
    EXPECT_EQ(arrow->GetActor(), nullptr);
    // The arrow's centre sits 0.15 behind the face, along its flight.
    EXPECT_NEAR(arrow->GetPosition().z, 2.0f - 0.15f, 0.01f);
    EXPECT_NEAR(arrow->GetPosition().x, 0.0f, 1e-3f);
    EXPECT_LT(arrow->GetForward().z, -0.99f);

    // It moves and turns with the house.
    const CVector3 before = arrow->GetPosition();
    const float yaw = arrow->GetRotation().y;
    m_pHouse->SetPosition(CVector3(3, 0, 0));
    Step();
    sinceHit += kStep;
    ExpectVecNear(arrow->GetPosition(), before + CVector3(3, 0, 0), 1e-4f);
    m_pHouse->SetRotation(CVector3(0, 1.5707964f, 0));
    Step();
    sinceHit += kStep;
    EXPECT_NEAR((arrow->GetPosition() - m_pHouse->GetPosition()).Length(), before.Length(), 1e-3f);
    EXPECT_NEAR(std::fabs(arrow->GetPosition().x - 3.0f), before.z, 0.01f);
    EXPECT_NEAR(arrow->GetRotation().y, yaw + 1.5707964f, 1e-4f);

    // 30 s after the hit, not after the shot: alive at 29.8 s, gone at 30.1 s.
    CRefPtr<IGameObj> hold(arrow);
    m_Ctrl.UpdateObjects(29.8f - sinceHit);
    EXPECT_FALSE(hold->IsDead());
    m_Ctrl.UpdateObjects(0.3f);
    EXPECT_TRUE(hold->IsDead());
    EXPECT_TRUE(m_pHouse->GetObservers().empty());
}

TEST_F(ProjectileTest, SphereFallbackOtherProjectilesTargetDeathAndLevelEnd)
{
    // Beside the house, its forward ray misses: it aims at the house's
    // centre instead and enters the face x = 2 at z = 1.2.
    CProjectileObj* arrow = Arrow(CVector3(5, 2, 3));
    CRefPtr<CDroppingObj> dropping(new CDroppingObj(&m_Ctrl));
    EXPECT_EQ(dropping->GetType(), 6u);
    arrow->OnHit(dropping.Get());
    arrow->OnHit(Arrow(CVector3(50, 2, 50)));
    arrow->OnHit(nullptr);
    EXPECT_EQ(arrow->GetTarget(), nullptr);
    arrow->OnHit(m_pHouse);
    const CVector3 d = CVector3(-5, 0, -3).Normalized();
    ExpectVecNear(arrow->GetStickOffset(), CVector3(2, 2, 1.2f) + d * 0.15f, 1e-4f);
    // A second contact changes nothing.
    arrow->OnHit(m_pHouse);
    EXPECT_EQ(m_pHouse->GetObservers().size(), 1u);

    // Stuck in a bird, it dies with the bird.
    CBirdObj* bird = Add(new CBirdObj(&m_Ctrl, CRefPtr<CObjCallback>()));
    bird->SetPosition(CVector3(100, 30, 100));
    CProjectileObj* second = Arrow(CVector3(101, 30, 100));
    second->OnHit(bird);
    EXPECT_EQ(second->GetTarget(), bird);
    ExpectVecNear(second->GetStickOffset(), CVector3(1, 0, 0));
    bird->Kill();
    EXPECT_TRUE(second->IsDead());
    EXPECT_EQ(second->GetTarget(), nullptr);

    // The level end takes flying and stuck arrows alike.
    CProjectileObj* flying = Arrow(CVector3(200, 30, 200));
    CRefPtr<IGameObj> holdFlying(flying), holdStuck(arrow);
    m_Ctrl.EndLevelObjects();
    EXPECT_TRUE(holdFlying->IsDead());
    EXPECT_TRUE(holdStuck->IsDead());
    EXPECT_TRUE(m_pHouse->GetObservers().empty());
}

TEST_F(ProjectileTest, ArrowsLeavingTheWorldAndArrowsWithoutModel)
{
    CProjectileObj* falling = Arrow(CVector3(300, -99.0f, 300));
    CRefPtr<IGameObj> hold(falling);
    float lowest = 0.0f;
    for (int frame = 0; frame < 120 && !falling->IsDead(); ++frame)
    {
        lowest = falling->GetPosition().y;
        Step();
    }
    EXPECT_TRUE(falling->IsDead());
    EXPECT_GE(lowest, -100.0f);
    EXPECT_LT(falling->GetPosition().y, -100.0f);

    // No model: the arrow flies on a small default box.
    TakeLog();
    CRefPtr<CProjectileObj> bare(
        new CProjectileObj(&m_Ctrl, IGameObj::TYPE_PROJECTILE, 4, "Data/models/none.scn"));
    EXPECT_NE(bare->GetActor(), nullptr);
    EXPECT_EQ(TakeLog(), "Error: getModel failed in CProjectileRep::Create\n"
                         "Error: pRep->Create failed in CProjectileObj::CProjectileObj\n"
                         "Warning: no model box in CProjectileObj, using a default box\n");
}
