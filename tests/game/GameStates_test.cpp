#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CMainMenuState.h"
#include "game/CNewLevelState.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"
#include "tests/game/GameTestSupport.h"

using namespace gametest;

namespace
{

// The menu's buttons, in the order they were added.
std::vector<CGuiButton*> Buttons(CGuiPanel& panel)
{
    std::vector<CGuiButton*> buttons;
    for (const CRefPtr<CGuiElement>& child : panel.GetChildren())
        if (auto* b = dynamic_cast<CGuiButton*>(child.Get()))
            buttons.push_back(b);
    std::sort(buttons.begin(), buttons.end(),
              [](CGuiButton* a, CGuiButton* b) { return a->GetId() < b->GetId(); });
    return buttons;
}

void Click(CGuiButton& button)
{
    ASSERT_TRUE(button.GetCallback());
    button.GetCallback()->Invoke(button.GetId());
}

TEST_F(GameCtrlTest, MainMenuButtons)
{
    ASSERT_TRUE(Create());
    CMainMenuState* menu = m_Ctrl.GetMainMenuState();
    std::vector<CGuiButton*> buttons = Buttons(*menu->GetScreen());
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0]->GetLabel()->GetText(), "New game");
    EXPECT_EQ(buttons[1]->GetLabel()->GetText(), "Quit game");
    EXPECT_EQ(buttons[1]->GetId(), 1u);
    EXPECT_FLOAT_EQ(buttons[1]->GetPosition().y, 700.0f);

    // "Quit game" stays in the menu; the next update ends the program.
    Click(*buttons[1]);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), menu);
    EXPECT_FALSE(menu->Update());
    EXPECT_FALSE(m_Ctrl.Update());
    // Coming back to the menu runs again.
    menu->Enter();
    EXPECT_TRUE(menu->Update());

    // "New game" opens the first level at once.
    Click(*buttons[0]);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetNewLevelState());
    EXPECT_EQ(m_Ctrl.GetLevel(), 1);
    EXPECT_EQ(m_Ctrl.GetLevelSection(), "Level1");
    EXPECT_EQ(Gui().GetRoot().Get(), m_Ctrl.GetNewLevelState()->GetLoadingScreen().Get());
}

TEST_F(GameCtrlTest, NewLevelShowsLoadingForOneFrameThenOffersContinue)
{
    ASSERT_TRUE(Create());
    CNewLevelState* level = m_Ctrl.GetNewLevelState();
    m_Ctrl.ChangeState(level);
    CGuiButton& button = *level->GetContinueButton();
    EXPECT_EQ(button.GetLabel()->GetText(), "Loading...");
    EXPECT_FALSE(button.IsEnabled());
    EXPECT_TRUE(level->Update());
    EXPECT_FALSE(level->IsSetUpPending());
    EXPECT_FALSE(button.IsEnabled()) << "the first frame only shows the screen";
    // The second frame sets the level up; this fixture has no terrain data,
    // so the set-up fails (the program would end) and "Continue" is not
    // offered. The full set-up is tested with the generated data under GL.
    TakeErrorLog();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(level->Update());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(TakeErrorLog().find("Error: pTerrain->Create failed in CNewLevelState::Update\n"),
              std::string::npos);
    // The player reads what failed once, where a start-up failure is said.
    EXPECT_NE(err.find("Error: the terrain of [GAME] cannot be built (Error.log says why); the game ends\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find("failed in"), std::string::npos) << err;
    EXPECT_FALSE(button.IsEnabled());
    Click(button);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetBuildState());
    // The build screen is up.
    EXPECT_EQ(Gui().GetRoot().Get(), m_Ctrl.GetBuildState()->GetBuildingBar()->GetParent());

    // The next level has a screen of its own, with the same button on it.
    m_Ctrl.ChangeState(level);
    EXPECT_EQ(m_Ctrl.GetLevelSection(), "Level2");
    EXPECT_EQ(level->GetLoadingScreen()->GetChildCount(), 1u);
    EXPECT_EQ(button.GetParent(), level->GetLoadingScreen().Get());
}

TEST_F(GameCtrlTest, BuildAndBattleLeadOnThroughTheirButtons)
{
    ASSERT_TRUE(Create());
    m_Ctrl.GetBuildState()->OnToBattle(0);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetBattleState());
    m_Ctrl.GetBattleState()->OnNextLevel(0);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetPostLevelState());
    m_Ctrl.GetBattleState()->OnTownLost(0);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetPostGameState());
    CPostGameState* end = m_Ctrl.GetPostGameState();
    EXPECT_TRUE(end->GetLostBackground()->IsVisible());
    EXPECT_FALSE(end->GetWonBackground()->IsVisible());
}

// Wins levels one after another: new level, then post level, until the
// game ends; returns the levels played.
int PlayUntilTheEnd(CGameCtrl& ctrl)
{
    int played = 0;
    ctrl.ChangeState(ctrl.GetNewLevelState());
    while (ctrl.GetCurrentState() == ctrl.GetNewLevelState() && played < 10)
    {
        ++played;
        ctrl.ChangeState(ctrl.GetPostLevelState());
        EXPECT_TRUE(ctrl.GetCurrentState()->Update());
    }
    return played;
}

TEST_F(GameCtrlTest, PostLevelGoesOnUntilNumLevels)
{
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_Ctrl.GetPostLevelState()->GetNumLevels(), 3);
    EXPECT_EQ(PlayUntilTheEnd(m_Ctrl), 3);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetPostGameState());
    EXPECT_TRUE(m_Ctrl.GetPostGameState()->GetWonBackground()->IsVisible());
    EXPECT_FALSE(m_Ctrl.GetPostGameState()->GetLostBackground()->IsVisible());
}

TEST_F(GameCtrlTest, PostLevelEndsTheLevelsObjects)
{
    ASSERT_TRUE(Create());
    CRefPtr<ScriptedObj> house = Obj("house", IGameObj::TYPE_BUILDING);
    m_Ctrl.AddObject(house);
    m_Ctrl.UpdateObjects(0.0f);
    TakeLog();
    m_Ctrl.ChangeState(m_Ctrl.GetNewLevelState());
    m_Ctrl.ChangeState(m_Ctrl.GetPostLevelState());
    m_Ctrl.GetPostLevelState()->Update();
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"end:house"}));
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetNewLevelState());
}

TEST_F(GameCtrlTest, NumLevelsZeroOneOrMissingEndAfterTheFirstLevel)
{
    for (const char* settings :
         {"[GAME]\nStartPos=0;0;0\nNumLevels=0\n[Level1]\n",
          "[GAME]\nStartPos=0;0;0\nNumLevels=1\n[Level1]\n", "[GAME]\nStartPos=0;0;0\n[Level1]\n"})
    {
        ASSERT_TRUE(Create(settings)) << settings;
        const bool missing = std::string(settings).find("NumLevels") == std::string::npos;
        EXPECT_EQ(m_strLog, missing ? "Error: Couldn't get \"NumLevels\"-Value from \"GAME\" in "
                                      "CPostLevelState::Create\n"
                                    : "")
            << "a missing NumLevels is logged and taken as 1";
        EXPECT_EQ(PlayUntilTheEnd(m_Ctrl), 1) << settings;
        EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetPostGameState());
        m_Ctrl.Destroy();
    }
}

TEST_F(GameCtrlTest, PostGameShowsTheScoreAndContinueStartsAfresh)
{
    ASSERT_TRUE(Create());
    m_Ctrl.ChangeState(m_Ctrl.GetNewLevelState());
    m_Ctrl.AddObject(Obj("bird"));
    m_Ctrl.SetScene(CRefPtr<CSceneGraph>(new CSceneGraph));
    m_Ctrl.AddScore(1234.6f);
    CPostGameState* end = m_Ctrl.GetPostGameState();
    end->SetWon(false);
    m_Ctrl.ChangeState(end);
    EXPECT_EQ(end->GetScoreText()->GetText(), "Your score: 1235");
    EXPECT_EQ(Gui().GetRoot().Get(), end->GetRoot().Get());
    CGuiButton& button = *end->GetContinueButton();
    EXPECT_EQ(button.GetLabel()->GetText(), "Continue");

    Click(button);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetMainMenuState());
    EXPECT_EQ(Gui().GetRoot().Get(), m_Ctrl.GetMainMenuState()->GetScreen().Get());
    EXPECT_EQ(m_Ctrl.GetLevel(), 0);
    EXPECT_EQ(m_Ctrl.GetScore(), 0.0f);
    EXPECT_TRUE(m_Ctrl.GetPendingObjects().empty());
    EXPECT_FALSE(m_Ctrl.GetScene());
    EXPECT_TRUE(m_Ctrl.GetMainMenuState()->Update());

    // A new game starts again at level 1.
    m_Ctrl.ChangeState(m_Ctrl.GetNewLevelState());
    EXPECT_EQ(m_Ctrl.GetLevelSection(), "Level1");
}

} // namespace
