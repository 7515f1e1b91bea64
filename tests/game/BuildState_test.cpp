// The build state's rules that need no world: the price table and its
// buttons, the demanded placements, the time text and what unknown input
// does. Placing on the generated terrain is tested under GL.

#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "tests/game/GameTestSupport.h"

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
