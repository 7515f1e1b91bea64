// The build state's rules that need no world: the price table and its
// buttons, the demanded placements, the time text and what unknown input
// does. Placing on the generated terrain is tested under GL.

#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CMainMenuState.h"
#include "tests/game/BattleTestSupport.h"
#include "tests/game/GameTestSupport.h"
#include "tests/support/VectorNear.h"

using namespace gametest;

namespace
{

const char* const kBuildSettings = "[GAME]\nStartPos=100;5.5;-20\nStartMoney=250\n"
                                   "[COSTS]\nCitizen1=100\nCitizen2=180\nMarket=150\nChurch=400\nTower=250\n"
                                   "[Level1]\nBuildTime=65\nPreHq=1\n";

TEST_F(GameCtrlTest, BuildStatePricesDemandsAndTimeText)
{
    ASSERT_TRUE(Create(kBuildSettings));
    // "Toilet" is missing: logged (with the state's own text) and free.
    EXPECT_NE(m_strLog.find("Error: Couldn't get \"Toilet\"-Value from \"COSTS\" in CBuildState::Enter\n"),
              std::string::npos);
    CBuildState* build = m_Ctrl.GetBuildState();
    EXPECT_FLOAT_EQ(build->GetCosts().at(CBuildState::ID_TOILET), 0.0f);
    ASSERT_EQ(build->GetBuildingButtons().size(), 6u);
    EXPECT_EQ(build->GetBuildingButtons()[3]->GetLabel()->GetText(), "400,-");

    m_Ctrl.NextLevel();
    testing::internal::CaptureStderr();
    m_Ctrl.ChangeState(build);
    const std::string log = testing::internal::GetCapturedStderr();
    // A demanded headquarters cannot be built: warned about and not demanded,
    // so the countdown runs.
    EXPECT_NE(log.find("Warning: \"PreHq\" of \"Level1\" demands 1 headquarters"), std::string::npos);
    EXPECT_EQ(build->GetNecessaryCount(), 0u);
    EXPECT_FALSE(build->GetNecessaryButtons()[0]->IsEnabled());
    EXPECT_TRUE(build->GetBuildingBar()->IsVisible());
    EXPECT_FALSE(build->GetNecessaryBar()->IsVisible());
    EXPECT_EQ(build->GetTimeText()->GetText(), "Time left: 01:05");

    // Gold 250: a price equal to the gold is affordable.
    EXPECT_EQ(build->GetGoldText()->GetText(), "Gold: 250");
    auto enabled = [build]()
    {
        std::string flags;
        for (const CRefPtr<CGuiButton>& b : build->GetBuildingButtons())
            flags += b->IsEnabled() ? '1' : '0';
        return flags;
    };
    EXPECT_EQ(enabled(), "111011");
    build->AddGold(-100.0f);
    EXPECT_EQ(enabled(), "101010");
    EXPECT_EQ(build->GetGoldText()->GetText(), "Gold: 150");

    // An unknown button id only warns; a click with nothing dragged does
    // nothing; Skip ends the countdown at the next frame.
    testing::internal::CaptureStderr();
    build->OnBuildButton(9);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Warning: Unknown BuildButton clicked: 9"),
              std::string::npos);
    EXPECT_FALSE(build->GetDraggedBuilding());
    EXPECT_TRUE(build->OnMouseButton(0));
    build->OnSkip(0);
    m_pClock->Tick();
    EXPECT_TRUE(build->Update());
    EXPECT_TRUE(build->GetTimeUpPanel()->IsVisible());
    EXPECT_EQ(build->GetTimeText()->GetText(), "Time left: 00:00");
    build->OnToBattle(0);
    EXPECT_FALSE(build->GetTimeUpPanel()->IsVisible());
    EXPECT_EQ(m_Ctrl.GetCurrentState(), static_cast<IGameState*>(m_Ctrl.GetBattleState()));

    // The time text rounds the whole time first: 59.6 s is a minute, not
    // "00:60". Gold stays from the first level.
    LoadSettings(std::string(kBuildSettings) + "[Level2]\nBuildTime=59.6\n");
    m_Ctrl.NextLevel();
    m_Ctrl.ChangeState(build);
    EXPECT_EQ(build->GetTimeText()->GetText(), "Time left: 01:00");
    EXPECT_EQ(build->GetGoldText()->GetText(), "Gold: 150");
}

} // namespace

// The build phase in frames of 1/60 s, with an input manager that hands
// mouse motion to its listeners (the GUI manager reads the cursor then).
class BuildFrames : public battletest::BattleTest
{
protected:
    CBuildState& Build() { return *m_Ctrl.GetBuildState(); }
    // The controller's frame without the drawing: the state, then the
    // camera controller.
    void ViewFrames(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            m_pClock->Tick();
            ASSERT_TRUE(Build().Update());
            ASSERT_TRUE(m_Ctrl.GetCameraCtrl());
            m_Ctrl.GetCameraCtrl()->Update();
        }
    }
    CVector3 Eye() { return m_Ctrl.GetCamera()->GetPosition(); }
};

// The camera scrolls at 50 units a second while the mouse rests at an edge
// of the 1000 x 1000 window (the GUI's virtual screen, one to one).
TEST_F(BuildFrames, TheMouseRestingAtAScreenEdgeScrollsTheView)
{
    ASSERT_TRUE(CreateFixed("[GAME]\nStartPos=450;8;400\nStartMoney=100\n[Level1]\nBuildTime=100\n"));
    m_pCursor->MoveTo(500, 500);
    m_Ctrl.NextLevel();
    m_Ctrl.ChangeState(&Build());
    ASSERT_EQ(m_Ctrl.GetCameraCtrl().Get(), static_cast<ICameraCtrl*>(Build().GetCameraCtrl().Get()));
    ViewFrames(30);
    testsupport::ExpectVecNear(Eye(), CVector3(450, 58, 425), 1e-3f);

    // Half a second at the left edge, and half a second more resting there.
    m_pCursor->MoveTo(0, 500);
    ViewFrames(30);
    testsupport::ExpectVecNear(Eye(), CVector3(425, 58, 425), 1e-2f);
    ViewFrames(30);
    testsupport::ExpectVecNear(Eye(), CVector3(400, 58, 425), 1e-2f);
    // The bottom edge brings the view back over the ground (+z), the top
    // one forward; the middle holds it.
    m_pCursor->MoveTo(500, 999);
    ViewFrames(30);
    testsupport::ExpectVecNear(Eye(), CVector3(400, 58, 450), 1e-2f);
    m_pCursor->MoveTo(500, 0);
    ViewFrames(60);
    testsupport::ExpectVecNear(Eye(), CVector3(400, 58, 400), 1e-2f);
    m_pCursor->MoveTo(600, 400);
    ViewFrames(30);
    testsupport::ExpectVecNear(Eye(), CVector3(400, 58, 400), 1e-2f);
    // A pointer below the window (past its lower edge) touches no border:
    // the view stays where it is.
    for (const int32_t y : {1001, 1200})
    {
        m_pCursor->MoveTo(500, y);
        ViewFrames(30);
        testsupport::ExpectVecNear(Eye(), CVector3(400, 58, 400), 1e-2f);
    }
}

// Numbers that are not finite are refused like missing ones; a build time
// of zero is up at once. (Every range: SettingRanges_test.cpp.)
TEST_F(BuildFrames, HostileStartMoneyAndBuildTimesAreRefused)
{
    ASSERT_TRUE(CreateFixed("[GAME]\nStartPos=450;8;400\nStartMoney=inf\n"
                            "[Level1]\nBuildTime=0\n[Level2]\nBuildTime=nan\n[Level3]\nBuildTime=-1 # no time\n"));
    TakeErrors();
    m_Ctrl.NextLevel();
    m_Ctrl.ChangeState(&Build());
    EXPECT_EQ(TakeErrors(), "Error: Couldn't get \"StartMoney\"-Value from \"GAME\" in CBuildState::Enter\n");
    EXPECT_EQ(Build().GetGoldText()->GetText(), "Gold: 0");
    EXPECT_EQ(Build().GetTimeLeft(), 0.0f);
    ViewFrames(1);
    EXPECT_TRUE(Build().GetTimeUpPanel()->IsVisible()) << "the countdown ended";

    for (const char* level : {"Level2", "Level3"})
    {
        m_Ctrl.ChangeState(m_Ctrl.GetMainMenuState());
        m_Ctrl.NextLevel();
        m_Ctrl.ChangeState(&Build());
        EXPECT_EQ(TakeErrors(), std::string("Error: Couldn't get \"BuildTime\"-Value from \"") + level +
                                    "\" in CBuildState::Enter\n");
        EXPECT_EQ(Build().GetTimeText()->GetText(), "Time left: 00:10");
        ViewFrames(60);
        EXPECT_NEAR(Build().GetTimeLeft(), 9.0f, 1e-3f);
    }

    // A NaN start sum on a new game: refused too.
    LoadSettings("[GAME]\nStartPos=450;8;400\nStartMoney=nan\n[Level1]\nBuildTime=5\n");
    m_Ctrl.ResetGame();
    m_Ctrl.NextLevel();
    m_Ctrl.ChangeState(&Build());
    EXPECT_EQ(TakeErrors(), "Error: Couldn't get \"StartMoney\"-Value from \"GAME\" in CBuildState::Enter\n");
    EXPECT_EQ(Build().GetGoldText()->GetText(), "Gold: 0");
}
