// The birds' AI without physics: the bomber's run (approach, drop, overfly,
// turn back), circling without a building, the kamikaze's aim, and how both
// let go of the building they watch.

#include "game/CAiBirdCtrl.h"
#include "game/CAiKamikazeCtrl.h"
#include "game/CBuildingObj.h"
#include "tests/game/BattleTestSupport.h"

#include <algorithm>
#include <cmath>

using namespace battletest;

namespace
{

// A building of type 3 with a fixed bounding sphere.
class SphereObj : public IGameObj
{
public:
    SphereObj(CGameCtrl* owner, const CVector3& centre, float radius)
        : IGameObj(owner, TYPE_BUILDING), m_Centre(centre), m_fRadius(radius)
    {
        SetPosition(centre);
    }
    SBoundingSphere& GetBoundingSphere(SBoundingSphere& out) override
    {
        out.centre = m_Centre;
        out.radius = m_fRadius;
        return out;
    }

protected:
    void OnUpdate(float) override {}

private:
    CVector3 m_Centre;
    float m_fRadius;
};

// A bird stand-in: any game object will do for the controller.
class DummyBird : public IGameObj
{
public:
    DummyBird() : IGameObj(nullptr, TYPE_BIRD) {}

protected:
    void OnUpdate(float) override {}
};

bool Watches(IGameObj& building, IObjObserver* observer)
{
    const auto& list = building.GetObservers();
    return std::find(list.begin(), list.end(), observer) != list.end();
}

// The forward axis of a rotation.
CVector3 ForwardOf(const CVector3& rotation)
{
    CTransformableObj t;
    t.SetRotation(rotation);
    return t.GetForward();
}

class BirdAiTest : public BattleTest
{
protected:
    void SetUp() override
    {
        BattleTest::SetUp();
        ASSERT_TRUE(CreateFixed());
    }
    CRefPtr<SphereObj> Building(const CVector3& centre, float radius)
    {
        CRefPtr<SphereObj> b(new SphereObj(&m_Ctrl, centre, radius));
        m_Ctrl.AddObject(CRefPtr<IGameObj>(b.Get()));
        m_Ctrl.UpdateObjects(0.0f);
        return b;
    }
    // Points the bird along dir.
    void Face(const CVector3& dir) { m_pBird->TurnTo(m_pBird->GetPosition() + dir); }

    CRefPtr<DummyBird> m_pBird{new DummyBird};
};

TEST_F(BirdAiTest, WithoutABuildingTheBirdCircles)
{
    for (bool kamikaze : {false, true})
    {
        CRefPtr<CAiBirdCtrl> ctrl(kamikaze ? new CAiKamikazeCtrl(&m_Ctrl) : new CAiBirdCtrl(&m_Ctrl));
        ctrl->SetObject(m_pBird.Get());
        m_pBird->SetRotation(CVector3(0.1f, 3.0f, 0));
        ctrl->Update(kFrame);
        EXPECT_EQ(ctrl->GetTarget(), nullptr);
        EXPECT_NEAR(ctrl->GetWantedRotation().y, 3.0f + 1.2566371f, 1e-5f);
        // The turn asked for is the shorter way round: 4.27 - 3.0 within pi.
        CVector3 turn;
        EXPECT_TRUE(ctrl->GetDirection(turn));
        EXPECT_NEAR(turn.y, 1.2566371f, 1e-5f);
        EXPECT_NEAR(turn.x, 0.0f, 1e-6f) << "only the yaw changes";
        m_pBird->SetRotation(CVector3(0, -3.0f, 0));
        ctrl->GetDirection(turn);
        EXPECT_NEAR(turn.y, 3.0f + 1.2566371f + 3.0f - 6.2831855f, 1e-5f) << "wrapped into [-pi, pi]";
        EXPECT_FALSE(ctrl->WantsToDrop());
        CVector3 move;
        ctrl->GetMoveDirection(move);
        EXPECT_EQ(move, m_pBird->GetForward());
        ctrl->SetObject(nullptr);
    }
}

TEST_F(BirdAiTest, BomberApproachesDropsOverfliesAndTurnsBack)
{
    CRefPtr<SphereObj> house = Building(CVector3(0, 5, 0), 3.0f);
    CRefPtr<CAiBirdCtrl> ctrl(new CAiBirdCtrl(&m_Ctrl));
    ctrl->SetObject(m_pBird.Get());
    m_pBird->SetPosition(CVector3(40, 20, 30));
    ctrl->Update(kFrame);
    ASSERT_EQ(ctrl->GetTarget(), house.Get());
    EXPECT_TRUE(Watches(*house, ctrl.Get()));
    EXPECT_EQ(ctrl->GetRunState(), int(CAiBirdCtrl::RUN_APPROACH));
    EXPECT_EQ(ctrl->GetDropPoint(), CVector3(0, 10, 0)) << "2 above the top of the sphere";
    // It steers at the drop point.
    const CVector3 want = (CVector3(0, 10, 0) - m_pBird->GetPosition()).Normalized();
    EXPECT_NEAR((ForwardOf(ctrl->GetWantedRotation()) - want).Length(), 0.0f, 1e-4f);
    EXPECT_FALSE(ctrl->WantsToDrop());

    // Within sqrt(2) of the drop point: a dropping, then the overfly point 25
    // ahead (horizontally) at 18 above the ground.
    m_pBird->SetPosition(CVector3(0.9f, 10.5f, 0.5f));
    Face(CVector3(0, -0.5f, -1));
    EXPECT_TRUE(ctrl->WantsToDrop());
    ctrl->Update(kFrame);
    EXPECT_EQ(ctrl->GetRunState(), int(CAiBirdCtrl::RUN_OVERFLY));
    EXPECT_NEAR((ctrl->GetOverflyPoint() - CVector3(0.9f, 18.0f, -24.5f)).Length(), 0.0f, 1e-4f);
    // Straight up or down, the heading falls back to +x.
    CRefPtr<CAiBirdCtrl> steep(new CAiBirdCtrl(&m_Ctrl));
    steep->SetObject(m_pBird.Get());
    m_pBird->SetRotation(CVector3(1.5707964f, 0, 0));
    steep->Update(kFrame);
    EXPECT_NEAR((steep->GetOverflyPoint() - CVector3(25.9f, 18.0f, 0.5f)).Length(), 0.0f, 1e-4f);
    steep->SetObject(nullptr);

    // Overfly point reached: turn back while the house lies behind.
    m_pBird->SetPosition(CVector3(1, 18.5f, -24));
    Face(CVector3(0, 0, -1));
    ctrl->Update(kFrame);
    EXPECT_EQ(ctrl->GetRunState(), int(CAiBirdCtrl::RUN_TURN_BACK));
    ctrl->Update(kFrame);
    EXPECT_EQ(ctrl->GetRunState(), int(CAiBirdCtrl::RUN_TURN_BACK));
    // 70 degrees off: still turning; 50 degrees off: approach again.
    Face(CVector3(std::sin(1.2217f), 0, std::cos(1.2217f)));
    ctrl->Update(kFrame);
    EXPECT_EQ(ctrl->GetRunState(), int(CAiBirdCtrl::RUN_TURN_BACK));
    Face(CVector3(std::sin(0.87f), 0, std::cos(0.87f)));
    ctrl->Update(kFrame);
    EXPECT_EQ(ctrl->GetRunState(), int(CAiBirdCtrl::RUN_APPROACH));

    // Letting go of the bird lets go of the house.
    ctrl->SetObject(nullptr);
    EXPECT_EQ(ctrl->GetTarget(), nullptr);
    EXPECT_FALSE(Watches(*house, ctrl.Get()));
}

TEST_F(BirdAiTest, BomberLeavesRuinsForAnotherBuildingAndNeverLeavesADanglingObserver)
{
    CRefPtr<CBuildingObj> ruin(new CBuildingObj(&m_Ctrl, "Data/models/buildings/haus1.scn", 120, 100, 3));
    m_Ctrl.AddObject(CRefPtr<IGameObj>(ruin.Get()));
    m_Ctrl.UpdateObjects(0.0f);
    m_pBird->SetPosition(CVector3(50, 20, 0));
    CRefPtr<CAiBirdCtrl> bomber(new CAiBirdCtrl(&m_Ctrl));
    CRefPtr<CAiBirdCtrl> kamikaze(new CAiKamikazeCtrl(&m_Ctrl));
    bomber->SetObject(m_pBird.Get());
    kamikaze->SetObject(m_pBird.Get());
    bomber->Update(kFrame);
    kamikaze->Update(kFrame);
    ASSERT_EQ(bomber->GetTarget(), ruin.Get());
    ASSERT_EQ(kamikaze->GetTarget(), ruin.Get());
    EXPECT_FALSE(kamikaze->WantsToDrop());

    // The house falls while the controllers still hold it: the bomber lets
    // go at its next update and draws again (the ruins are still a building
    // of the town, so it may draw them again, and let go again); the
    // kamikaze keeps flying at the ruins.
    ruin->SetHealth(0.0f);
    CRefPtr<SphereObj> house = Building(CVector3(-20, 4, 0), 2.0f);
    for (int i = 0; i < 20 && bomber->GetTarget() != house.Get(); ++i)
        bomber->Update(kFrame);
    EXPECT_EQ(bomber->GetTarget(), house.Get());
    EXPECT_TRUE(Watches(*house, bomber.Get()));
    EXPECT_FALSE(Watches(*ruin, bomber.Get()));
    kamikaze->Update(kFrame);
    EXPECT_EQ(kamikaze->GetTarget(), ruin.Get());

    // Controllers going away take themselves out of the lists; the ruins'
    // update (telling observers) and the reset then touch nothing freed.
    kamikaze.Release();
    bomber.Release();
    EXPECT_TRUE(ruin->GetObservers().empty());
    EXPECT_TRUE(house->GetObservers().empty());
    m_Ctrl.UpdateObjects(kFrame);
    house->Kill();
    m_Ctrl.ResetGame();
}

TEST_F(BirdAiTest, KamikazeAimsAtTheSphereCentre)
{
    CRefPtr<SphereObj> house = Building(CVector3(10, 4, -10), 3.0f);
    CRefPtr<CAiKamikazeCtrl> ctrl(new CAiKamikazeCtrl(&m_Ctrl));
    ctrl->SetObject(m_pBird.Get());
    m_pBird->SetPosition(CVector3(10, 30, 40));
    ctrl->Update(kFrame);
    EXPECT_EQ(ctrl->GetTargetPoint(), CVector3(10, 4, -10));
    const CVector3 want = (CVector3(10, 4, -10) - m_pBird->GetPosition()).Normalized();
    EXPECT_NEAR((ForwardOf(ctrl->GetWantedRotation()) - want).Length(), 0.0f, 1e-4f);
    // The house is killed while watched: the controller forgets it.
    house->Kill();
    EXPECT_EQ(ctrl->GetTarget(), nullptr);
}

} // namespace
