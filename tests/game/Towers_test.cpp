// Towers and their AI: range from the base, reload time, the aim ahead of
// the bird, the choice of target and when a tower fires at all.

#include "game/CAiTowerCtrl.h"
#include "game/CBirdObj.h"
#include "game/CProjectileObj.h"
#include "game/CTowerObj.h"
#include "tests/game/GTownSupport.h"
#include "tests/support/VectorNear.h"

#include <cmath>

using towntest::TownTest;

namespace
{

class TowerTest : public TownTest
{
protected:
    void SetUp() override
    {
        TownTest::SetUp();
        Shelve("Data/models/buildings/tower.scn", CVector3(-1, 0, -1), CVector3(1, 6, 1));
        m_pTower = Add(new CTowerObj(&m_Ctrl));
        m_pTower->SetPosition(CVector3(500, 0, 500));
        m_pTower->CheckPlacement();
        EXPECT_TRUE(m_pTower->Place());
        m_pAi = new CAiTowerCtrl(&m_Ctrl);
        m_pTower->SetController(CRefPtr<IObjCtrl>(m_pAi.Get()));
    }
    // A bird hovering (no controller) at an offset from the tower's base.
    CBirdObj* BirdAt(const CVector3& offset, const CVector3& rotation = CVector3())
    {
        CBirdObj* bird = Add(new CBirdObj(&m_Ctrl, CRefPtr<CObjCallback>()));
        bird->SetPosition(m_pTower->GetPosition() + offset);
        bird->SetRotation(rotation);
        m_Ctrl.UpdateObjects(0.0f);
        return bird;
    }
    // Arrows live and waiting.
    std::vector<CProjectileObj*> Arrows()
    {
        std::vector<CProjectileObj*> arrows;
        for (const auto* list : {&m_Ctrl.GetObjects(), &m_Ctrl.GetPendingObjects()})
            for (const CRefPtr<IGameObj>& o : *list)
                if (o->GetType() == IGameObj::TYPE_PROJECTILE)
                    arrows.push_back(static_cast<CProjectileObj*>(o.Get()));
        return arrows;
    }

    CTowerObj* m_pTower = nullptr;
    CRefPtr<CAiTowerCtrl> m_pAi;
};

} // namespace

TEST_F(TowerTest, RangeIsMeasuredFromTheBaseAndShotsComeEveryTwoSeconds)
{
    EXPECT_EQ(m_pTower->GetMuzzle(), CVector3(500, 5, 500));
    EXPECT_EQ(m_pTower->GetGroup(), 6u);
    EXPECT_EQ(m_pAi->GetObject(), m_pTower);
    CBirdObj* bird = BirdAt(CVector3(50.01f, 0, 0));
    m_Ctrl.UpdateObjects(0.5f);
    EXPECT_EQ(m_pAi->GetTarget(), bird);
    EXPECT_FALSE(m_pAi->IsTargetInRange());
    EXPECT_TRUE(Arrows().empty());

    // At 50.0 the first shot leaves at once; the timer then holds 2.0 s.
    bird->SetPosition(m_pTower->GetPosition() + CVector3(50.0f, 0, 0));
    std::vector<int> shots;
    for (int frame = 1; frame <= 9; ++frame)
    {
        const size_t before = Arrows().size();
        m_Ctrl.UpdateObjects(0.5f);
        if (Arrows().size() > before)
            shots.push_back(frame);
    }
    EXPECT_EQ(shots, (std::vector<int>{1, 5, 9}));
    const std::vector<CProjectileObj*> arrows = Arrows();
    ASSERT_FALSE(arrows.empty());
    testsupport::ExpectVecNear(arrows.back()->GetPosition(), m_pTower->GetMuzzle(), 1e-4f);
}

TEST_F(TowerTest, AimLeadsTheBirdAlongItsHeadingAndAbove)
{
    m_pTower->SetRotation(CVector3(0, 0.5f, 0));
    CBirdObj* bird = BirdAt(CVector3(20, 5, -10), CVector3(0, 1.5707964f, 0));
    ASSERT_EQ(m_pAi->GetTarget(), bird);

    const CVector3 toBird = bird->GetPosition() - m_pTower->GetMuzzle();
    const float dist = toBird.Length();
    const CVector3 aim =
        (toBird + bird->GetForward() * (dist / 3.0f) + CVector3(0, dist / 5.0f, 0)).Normalized();
    const std::vector<CProjectileObj*> arrows = Arrows();
    ASSERT_EQ(arrows.size(), 1u);
    testsupport::ExpectVecNear(arrows[0]->GetForward(), aim, 1e-4f);

    // The delta is the aim minus the tower's rotation, wrapped into [-pi, pi].
    CVector3 delta;
    EXPECT_TRUE(m_pAi->GetDirection(delta));
    testsupport::ExpectVecNear(
        delta, CAiTowerCtrl::WrapAngles(m_pAi->GetAimRotation() - CVector3(0, 0.5f, 0)), 1e-6f);
    CVector3 unchanged(1, 2, 3);
    EXPECT_FALSE(CAiTowerCtrl::AimRotation(CVector3(0, 0.00005f, 0), unchanged));
    EXPECT_EQ(unchanged, CVector3(1, 2, 3));
    // Straight up still gives an orientation looking up.
    CTransformableObj up;
    ASSERT_TRUE(CAiTowerCtrl::AimRotation(CVector3(0, 3, 0), unchanged));
    up.SetRotation(unchanged);
    testsupport::ExpectVecNear(up.GetForward(), CVector3(0, 1, 0), 1e-4f);
}

TEST_F(TowerTest, NearestFlyingBirdWithTiesToTheEarlierOne)
{
    // Both 20 from the muzzle; the first in the list wins the tie.
    CBirdObj* first = BirdAt(CVector3(20, 5, 0));
    CBirdObj* second = BirdAt(CVector3(-20, 5, 0));
    m_Ctrl.UpdateObjects(0.1f);
    EXPECT_EQ(m_pAi->GetTarget(), first);
    EXPECT_EQ(first->GetObservers().size(), 1u);

    // A nearer bird later in the list takes over.
    CBirdObj* nearer = BirdAt(CVector3(0, 5, 10));
    m_Ctrl.UpdateObjects(0.1f);
    EXPECT_EQ(m_pAi->GetTarget(), nearer);
    EXPECT_TRUE(first->GetObservers().empty());

    // Only flying birds count: a hit one is dropped at once.
    nearer->SetHealth(0.0f);
    m_Ctrl.UpdateObjects(0.1f);
    EXPECT_EQ(m_pAi->GetTarget(), first);
    EXPECT_TRUE(nearer->GetObservers().empty());

    // A killed target is forgotten through the observer call.
    first->Kill();
    EXPECT_EQ(m_pAi->GetTarget(), nullptr);
    m_Ctrl.UpdateObjects(0.1f);
    EXPECT_EQ(m_pAi->GetTarget(), second);

    // With no bird left the aim stays as it was.
    const CVector3 aim = m_pAi->GetAimRotation();
    second->Kill();
    m_Ctrl.UpdateObjects(0.1f);
    EXPECT_EQ(m_pAi->GetTarget(), nullptr);
    EXPECT_EQ(m_pAi->GetAimRotation(), aim);
}

TEST_F(TowerTest, FiresOnlyWhileStanding)
{
    // Ruins hold their fire.
    m_pTower->SetHealth(-1.0f);
    // So does a candidate tower at a blocked spot.
    CTowerObj* candidate = Add(new CTowerObj(&m_Ctrl));
    candidate->SetPosition(CVector3(505, 0, 500));
    candidate->SetController(CRefPtr<IObjCtrl>(new CAiTowerCtrl(&m_Ctrl)));
    EXPECT_EQ(candidate->GetState(), CBuildingObj::STATE_BLOCKED);
    BirdAt(CVector3(10, 5, 0));
    m_Ctrl.UpdateObjects(0.1f);
    m_Ctrl.UpdateObjects(3.0f);
    EXPECT_TRUE(Arrows().empty());

    // The controller lets go of a killed tower.
    CRefPtr<CAiTowerCtrl> ai = m_pAi;
    m_pTower->Kill();
    EXPECT_EQ(ai->GetObject(), nullptr);
    EXPECT_FALSE(ai->IsTargetInRange());
}
