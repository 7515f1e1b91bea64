// The archer: key table and mouse look of the player controller, walking,
// running and jumping on a floor, one arrow per click, and the first-person
// camera.

#include "game/CFollowCameraCtrl.h"
#include "game/CPlayerCtrl.h"
#include "game/CPlayerObj.h"
#include "tests/game/BattleTestSupport.h"

#include <cmath>
#include <utility>

using namespace battletest;

namespace
{

// The player standing on the floor at the origin with its controller.
class PlayerTest : public BattleTest
{
protected:
    void SetUp() override
    {
        BattleTest::SetUp();
        ASSERT_TRUE(CreateFixed());
        Floor();
        m_pPlayer = new CPlayerObj(&m_Ctrl);
        // Away from the battle state's own player, which waits at the origin.
        m_pPlayer->SetPosition(CVector3(50, 2, 50));
        m_pPlayer->SetController(&m_PlayerCtrl);
        Step(30); // settles on the floor
    }
    void TearDown() override
    {
        m_pPlayer->SetController(nullptr);
        m_pPlayer.Release();
        BattleTest::TearDown();
    }
    void Step(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            m_pPlayer->Update(static_cast<float>(kFrame));
            m_pPhysX->Update(static_cast<float>(kFrame));
        }
    }
    // The capsule's position (the object's is copied in at its next update).
    CVector3 Feet() const { return m_pPlayer->GetCharacterController()->GetPosition(); }
    // Horizontal distance walked in one second of the held keys.
    float WalkOneSecond(std::initializer_list<uint8_t> keys)
    {
        for (uint8_t k : keys)
            m_PlayerCtrl.OnKeyDown(k);
        const CVector3 from = Feet();
        Step(60);
        for (uint8_t k : keys)
            m_PlayerCtrl.OnKeyUp(k);
        CVector3 d = Feet() - from;
        d.y = 0;
        return d.Length();
    }

    CRefPtr<CPlayerObj> m_pPlayer;
    CPlayerCtrl m_PlayerCtrl{500};
};

TEST(PlayerCtrlTest, KeyTableMouseLookAndOneShotPerClick)
{
    CPlayerCtrl ctrl(500);
    EXPECT_EQ(ctrl.GetPriority(), 500);
    // The six control keys are consumed, down and up; any other key is not.
    for (uint8_t key : {17, 31, 30, 32, 57, 42})
    {
        EXPECT_TRUE(ctrl.OnKeyDown(key)) << int(key);
        EXPECT_TRUE(ctrl.OnKeyUp(key)) << int(key);
    }
    EXPECT_FALSE(ctrl.OnKeyDown(16));
    EXPECT_FALSE(ctrl.OnKeyUp(0x22)) << "G is the debug key, not the player's";

    ctrl.OnKeyDown(57);
    ctrl.OnKeyDown(42);
    EXPECT_TRUE(ctrl.WantsJump());
    EXPECT_TRUE(ctrl.WantsJump()) << "held keys are not cleared by reading";
    EXPECT_TRUE(ctrl.WantsRun());
    // A press released before the read is one jump, read once.
    ctrl.OnKeyUp(57);
    ctrl.OnKeyDown(57);
    ctrl.OnKeyUp(57);
    EXPECT_TRUE(ctrl.WantsJump());
    EXPECT_FALSE(ctrl.WantsJump());

    // Mouse: one radian per 150 counts, y to pitch and x to yaw, summed
    // until read; no motion is not consumed.
    CVector3 look(9, 9, 9);
    EXPECT_FALSE(ctrl.GetLookDelta(look));
    EXPECT_EQ(look, CVector3(9, 9, 9));
    EXPECT_FALSE(ctrl.OnMouseMove(0, 0, 120));
    EXPECT_TRUE(ctrl.OnMouseMove(150, -75, 0));
    EXPECT_TRUE(ctrl.OnMouseMove(150, 0, 0));
    ASSERT_TRUE(ctrl.GetLookDelta(look));
    EXPECT_NEAR(look.x, -0.5f, 1e-5f);
    EXPECT_NEAR(look.y, 2.0f, 1e-5f);
    EXPECT_EQ(look.z, 0.0f);
    EXPECT_FALSE(ctrl.GetLookDelta(look));

    // Two clicks before a read give one shot; other buttons are not taken.
    EXPECT_FALSE(ctrl.OnMouseDown(1));
    EXPECT_FALSE(ctrl.WantsFire());
    EXPECT_TRUE(ctrl.OnMouseDown(0));
    EXPECT_TRUE(ctrl.OnMouseDown(0));
    EXPECT_TRUE(ctrl.WantsFire());
    EXPECT_FALSE(ctrl.WantsFire());

    // Without an object there is nothing to walk along.
    ctrl.OnKeyDown(17);
    CVector3 move(1, 1, 1);
    ctrl.GetMoveVector(move);
    EXPECT_EQ(move, CVector3());
}

TEST_F(PlayerTest, ListensOnlyWhileItControlsAndForgetsHeldKeys)
{
    const auto listening = [this]
    {
        const auto& l = m_pInput->GetListeners();
        return std::count(l.begin(), l.end(), static_cast<IInputListener*>(&m_PlayerCtrl));
    };
    EXPECT_EQ(listening(), 1);
    m_PlayerCtrl.OnKeyDown(17);
    m_PlayerCtrl.OnMouseDown(0);
    m_pPlayer->SetController(nullptr);
    EXPECT_EQ(listening(), 0);
    EXPECT_EQ(m_PlayerCtrl.GetObject(), nullptr);
    m_pPlayer->SetController(&m_PlayerCtrl);
    m_pPlayer->SetController(&m_PlayerCtrl);
    EXPECT_EQ(listening(), 1) << "registered once";
    EXPECT_FALSE(m_PlayerCtrl.WantsFire()) << "a new object starts without old requests";
    CVector3 move;
    m_PlayerCtrl.GetMoveVector(move);
    EXPECT_EQ(move, CVector3());
}

TEST_F(PlayerTest, WalksRunsAndStopsAlongItsYawOnlyAxes)
{
    // Level, the yaw-only axes are the transform's.
    m_pPlayer->Yaw(1.5707964f);
    const CTransformableObj& t = m_pPlayer->GetTransform();
    EXPECT_NEAR((m_pPlayer->GetForward() - t.GetForward()).Length(), 0.0f, 1e-5f);
    EXPECT_NEAR((m_pPlayer->GetRight() - t.GetRight()).Length(), 0.0f, 1e-5f);
    EXPECT_NEAR(m_pPlayer->GetForward().x, 1.0f, 1e-5f);
    // The view is pitched: walking stays level, along the yaw.
    m_pPlayer->Pitch(-1.0f);
    EXPECT_GT(std::fabs(t.GetForward().y), 0.8f);
    EXPECT_NEAR(m_pPlayer->GetForward().y, 0.0f, 1e-6f);
    EXPECT_NEAR(m_pPlayer->GetForward().x, 1.0f, 1e-5f);
    EXPECT_NEAR(m_pPlayer->GetUp().y, 1.0f, 1e-6f);

    const CVector3 start = Feet();
    EXPECT_NEAR(WalkOneSecond({CPlayerCtrl::KEY_W}), 10.0f, 0.02f);
    EXPECT_NEAR(Feet().y, start.y, 0.01f) << "walking stays on the floor";
    EXPECT_NEAR(Feet().x - start.x, 10.0f, 0.02f);
    EXPECT_NE(m_pPlayer->GetMovementFlags() & CPlayerObj::MOVE_WALKING, 0);

    // W and D: normalised, not 14.1; running 15.
    EXPECT_NEAR(WalkOneSecond({CPlayerCtrl::KEY_W, CPlayerCtrl::KEY_D}), 10.0f, 0.02f);
    EXPECT_NEAR(WalkOneSecond({CPlayerCtrl::KEY_S, CPlayerCtrl::KEY_A, CPlayerCtrl::KEY_LSHIFT}), 15.0f,
                0.02f);

    // W and S cancel: the player stands and the walking bit clears.
    EXPECT_NEAR(WalkOneSecond({CPlayerCtrl::KEY_W, CPlayerCtrl::KEY_S}), 0.0f, 1e-4f);
    EXPECT_EQ(m_pPlayer->GetMovementFlags() & CPlayerObj::MOVE_WALKING, 0);

    // Without a controller nothing moves.
    m_PlayerCtrl.OnKeyDown(CPlayerCtrl::KEY_W);
    CPlayerCtrl* ctrl = &m_PlayerCtrl;
    m_pPlayer->SetController(nullptr);
    const CVector3 at = Feet();
    Step(10);
    EXPECT_NEAR((Feet() - at).Length(), 0.0f, 1e-4f);
    m_pPlayer->SetController(ctrl);
}

TEST_F(PlayerTest, JumpIsHeldUntilLandingAndLooksTurnTheView)
{
    const float floorY = Feet().y;
    m_PlayerCtrl.OnKeyDown(CPlayerCtrl::KEY_SPACE);
    float peak = floorY;
    int airborne = 0;
    for (int i = 0; i < 120; ++i)
    {
        Step(1);
        peak = std::max(peak, Feet().y);
        if (!m_pPlayer->IsAirborne())
            break;
        ASSERT_NE(m_pPlayer->GetMovementFlags() & CPlayerObj::MOVE_JUMPING, 0) << "frame " << i;
        ++airborne;
    }
    EXPECT_EQ(m_pPlayer->GetMovementFlags() & CPlayerObj::MOVE_JUMPING, 0) << "cleared on landing";
    // 8 up against 2 g x air time: about 1.6 high, about 0.82 s in the air.
    EXPECT_NEAR(peak - floorY, 1.63f, 0.1f);
    EXPECT_NEAR(airborne * kFrame, 0.82, 0.06);
    // Landed with Space still held: the bit is cleared by the landing and set
    // again by the held key on the next frame (a new jump from the ground).
    Step(1);
    EXPECT_GT(Feet().y, floorY);
    m_PlayerCtrl.OnKeyUp(CPlayerCtrl::KEY_SPACE);
    Step(120);
    EXPECT_EQ(m_pPlayer->GetMovementFlags() & CPlayerObj::MOVE_JUMPING, 0);
    EXPECT_NEAR(Feet().y, floorY, 0.01f);

    // Mouse look: pitch clamped at a quarter turn.
    m_PlayerCtrl.OnMouseMove(300, 1000, 0);
    Step(1);
    EXPECT_NEAR(m_pPlayer->GetRotation().x, 1.5707964f, 1e-5f);
    EXPECT_NEAR(m_pPlayer->GetRotation().y, 2.0f, 1e-5f);
}

// Space pressed and released within one frame (both in one input poll)
// still jumps; a tap in the air is spent, not kept for the landing. One row
// per frame's Space events (d down, u up): whether the player on the ground
// leaves it in that frame.
TEST_F(PlayerTest, APressAndReleaseWithinOneFrameJumps)
{
    const std::pair<const char*, bool> kRows[] = {
        {"du", true}, {"dudu", true}, {"u", false}, {"", false}, {"d", true}};
    auto space = [this](const char* events)
    {
        for (; *events; ++events)
            *events == 'd' ? m_PlayerCtrl.OnKeyDown(CPlayerCtrl::KEY_SPACE)
                           : m_PlayerCtrl.OnKeyUp(CPlayerCtrl::KEY_SPACE);
    };
    for (const auto& [events, jumps] : kRows)
    {
        SCOPED_TRACE(events);
        space("u");
        Step(120); // on the ground, nothing held
        ASSERT_FALSE(m_pPlayer->IsAirborne());
        space(events);
        Step(1);
        EXPECT_EQ((m_pPlayer->GetMovementFlags() & CPlayerObj::MOVE_JUMPING) != 0, jumps);
        EXPECT_EQ(m_pPlayer->IsAirborne(), jumps);
    }
    space("u");
    Step(120);
    space("du");
    Step(5);
    ASSERT_TRUE(m_pPlayer->IsAirborne());
    space("du");
    for (int i = 0; i < 120 && m_pPlayer->IsAirborne(); ++i)
        Step(1);
    Step(1);
    EXPECT_FALSE(m_pPlayer->IsAirborne()) << "no jump from the tap in the air";
    EXPECT_EQ(m_pPlayer->GetMovementFlags() & CPlayerObj::MOVE_JUMPING, 0);
}

TEST_F(PlayerTest, FollowCameraSitsInThePlayersEyes)
{
    CRefPtr<CFollowCameraCtrl> follow(new CFollowCameraCtrl);
    follow->Update(); // no camera, no target: nothing
    follow->SetTarget(CRefPtr<IGameObj>(m_pPlayer.Get()));
    follow->SetOffset(CVector3(0, 0.2f, 0), false, false);
    m_Ctrl.SetCameraCtrl(CRefPtr<ICameraCtrl>(follow.Get()));
    m_pPlayer->Pitch(0.3f);
    m_pPlayer->Yaw(1.0f);
    follow->Update();
    const CRefPtr<CCamera>& camera = m_Ctrl.GetCamera();
    const CVector3 eye = m_pPlayer->GetPosition() + CVector3(0, 0.2f, 0);
    EXPECT_NEAR((camera->GetPosition() - eye).Length(), 0.0f, 1e-5f);
    EXPECT_NEAR((camera->GetRotation() - CVector3(0.3f, 1.0f, 0)).Length(), 0.0f, 1e-5f);

    // Yaw only, with the offset turned along: two units ahead of the player.
    follow->SetOffset(CVector3(0, 0, -2), true, true);
    follow->Update();
    EXPECT_NEAR((camera->GetRotation() - CVector3(0, 1.0f, 0)).Length(), 0.0f, 1e-5f);
    const CVector3 ahead = camera->GetPosition() - m_pPlayer->GetPosition();
    EXPECT_NEAR((ahead - m_pPlayer->GetForward() * 2.0f).Length(), 0.0f, 1e-4f);
    m_Ctrl.SetCameraCtrl(CRefPtr<ICameraCtrl>());
}

} // namespace
