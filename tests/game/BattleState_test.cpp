// The battle state without birds in the air: the spawn table as read from
// the settings, the HUD texts, the two outcomes and how the battle ends
// once, and the way on to the post-level and post-game states.

#include "app/CFModSoundMgr.h"
#include "game/CBattleState.h"
#include "game/CFollowCameraCtrl.h"
#include "game/CForest.h"
#include "game/CMainMenuState.h"
#include "game/CPlayerCtrl.h"
#include "game/CPlayerObj.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"
#include "game/CTerrain.h"
#include "tests/game/BattleTestSupport.h"
#include "tests/game/WorldSupport.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/VectorNear.h"

#include <cmath>

using namespace battletest;

namespace
{

const char* const kLevels = "[GAME]\nStartPos=100;5.5;-20\nNumLevels=2\n"
                            "[Level1]\nSpawnPoints=8\n"
                            "SpawnPoint1=0;3;B;10;50;20\n"
                            "SpawnPoint2=5.5;4;K;-10;60;30\n"
                            "SpawnPoint3=1.5;2;X\n"
                            "SpawnPoint5=10;3;b;0;40;0\n"
                            "SpawnPoint6=1;-1;K;0;40;0\n"
                            "SpawnPoint7=nan;2;K;0;40;0\n"
                            "SpawnPoint8=2;2;K;0;inf;0\n"
                            "[Level2]\nSpawnPoints=1\nSpawnPoint1=30;2;K;1;2;3\n";

using BattleStateTest = BattleTest;

TEST_F(BattleStateTest, EnterReadsTheSpawnTableAndSetsTheSceneUp)
{
    ASSERT_TRUE(CreateFixed(kLevels));
    EnterBattle();
    EXPECT_EQ(
        TakeErrors(),
        "Error: Couldn't parse \"SpawnPoint3\"-Value from \"Level1\" in CBattleState::Enter: 1.5;2;X\n"
        "Error: Couldn't get \"SpawnPoint4\"-Value from \"Level1\" in CBattleState::Enter\n"
        "Error: Couldn't parse \"SpawnPoint6\"-Value from \"Level1\" in CBattleState::Enter: 1;-1;K;0;40;0\n"
        "Error: Couldn't parse \"SpawnPoint7\"-Value from \"Level1\" in CBattleState::Enter: nan;2;K;0;40;0\n"
        "Error: Couldn't parse \"SpawnPoint8\"-Value from \"Level1\" in CBattleState::Enter: "
        "2;2;K;0;inf;0\n");
    const std::vector<SSpawnRecord>& table = Battle().GetSpawnTable();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].count, 3u);
    EXPECT_EQ(table[0].type, uint32_t(SSpawnRecord::TYPE_BIRD));
    EXPECT_EQ(table[0].position, CVector3(10, 50, 20));
    EXPECT_FLOAT_EQ(table[1].time, 5.5f);
    EXPECT_EQ(table[1].type, uint32_t(SSpawnRecord::TYPE_KAMIKAZE));
    EXPECT_EQ(table[2].type, uint32_t(SSpawnRecord::TYPE_BIRD)) << "only a capital K is a kamikaze";
    EXPECT_EQ(Battle().GetTotalBirds(), 10u);
    EXPECT_EQ(Battle().GetRemainingBirds(), 10u);

    // The HUD, the player three above the start (no terrain: its height),
    // in control, the camera in its eyes, the cursor hidden.
    EXPECT_EQ(Gui().GetRoot().Get(), Battle().GetHud().Get());
    EXPECT_EQ(Battle().GetLevelDoneText()->GetText(), "Level done:        0%");
    EXPECT_EQ(Battle().GetStatueText()->GetText(), "Statue:    100%");
    EXPECT_EQ(Battle().GetScoreText()->GetText(), "Score:                  0");
    EXPECT_FALSE(Battle().GetLevelDonePanel()->IsVisible());
    EXPECT_FALSE(Battle().GetTownLostPanel()->IsVisible());
    CPlayerObj& player = *Battle().GetPlayer();
    EXPECT_EQ(player.GetPosition(), CVector3(100, 8.5f, -20));
    EXPECT_EQ(player.GetPlayerCtrl(), Battle().GetPlayerCtrl());
    EXPECT_TRUE(Battle().GetPlayerCtrl()->IsListening());
    EXPECT_EQ(Battle().GetPlayerCtrl()->GetPriority(), 500);
    EXPECT_EQ(m_Ctrl.GetCameraCtrl().Get(), Battle().GetCameraCtrl().Get());
    EXPECT_EQ(Battle().GetCameraCtrl()->GetTarget().Get(), &player);
    EXPECT_EQ(Battle().GetCameraCtrl()->GetOffset(), CVector3(0, 0.2f, 0));
    EXPECT_FALSE(m_pCursor->m_bShown);
    // The music plays at 0.2, 21 times (a stream would otherwise loop until
    // stopped).
    plat::FMOD::Channel* music = static_cast<CFModSound*>(Battle().GetMusic().Get())->GetChannel();
    ASSERT_NE(music, nullptr);
    float volume = 0.0f;
    int loops = 0;
    EXPECT_EQ(music->getVolume(&volume), plat::FMOD_OK);
    EXPECT_EQ(music->getLoopCount(&loops), plat::FMOD_OK);
    EXPECT_FLOAT_EQ(volume, 0.2f);
    EXPECT_EQ(loops, 20);

    // The battle clock runs in the state's frames.
    Frames(30);
    EXPECT_NEAR(Battle().GetBattleTime(), 0.5, 1e-9);

    // Leaving gives everything back.
    m_Ctrl.ChangeState(m_Ctrl.GetMainMenuState());
    EXPECT_TRUE(m_pCursor->m_bShown);
    EXPECT_FALSE(m_Ctrl.GetCameraCtrl());
    EXPECT_EQ(player.GetPlayerCtrl(), nullptr);
    EXPECT_FALSE(Battle().GetPlayerCtrl()->IsListening());
    EXPECT_FALSE(Battle().GetTimer()->IsRunning());
}

TEST_F(BattleStateTest, KillsCountTowardTheWinAndTheBattleEndsOnce)
{
    ASSERT_TRUE(CreateFixed(kLevels));
    EnterBattle();
    for (int i = 0; i < 7; ++i)
        Battle().OnBirdKilled();
    EXPECT_EQ(Battle().GetLevelDoneText()->GetText(), "Level done:       70%");
    EXPECT_EQ(Battle().GetScoreText()->GetText(), "Score:                  70");
    EXPECT_FALSE(Battle().HasEnded());
    Battle().OnStatueDamaged(42);
    EXPECT_EQ(Battle().GetStatueText()->GetText(), "Statue:     42%");

    // The debug key G counts a bird like a kill; it reaches the controller
    // through the input manager, before the player (500) and the GUI.
    EXPECT_FALSE(m_pCursor->Press(0x22));
    EXPECT_FALSE(m_pCursor->Press(0x22));
    // A click is the archer's (the GUI behind him never sees it).
    EXPECT_TRUE(m_pCursor->Click(0));
    EXPECT_TRUE(Battle().GetPlayerCtrl()->WantsFire());
    EXPECT_EQ(Battle().GetRemainingBirds(), 1u);
    EXPECT_EQ(Modals(), 0u);
    Battle().OnBirdKilled();
    EXPECT_EQ(Battle().GetLevelDoneText()->GetText(), "Level done:      100%");
    EXPECT_TRUE(Battle().HasEnded());
    EXPECT_TRUE(Battle().GetLevelDonePanel()->IsVisible());
    EXPECT_EQ(Modals(), 1u);
    EXPECT_TRUE(m_pCursor->m_bShown);
    EXPECT_EQ(Battle().GetPlayer()->GetPlayerCtrl(), nullptr);
    EXPECT_FALSE(Battle().GetTimer()->IsRunning());
    // Clicks now go to the panel: the modal takes them.
    EXPECT_TRUE(m_pCursor->Click(0));
    EXPECT_FALSE(Battle().GetPlayerCtrl()->WantsFire());

    // Later reports change nothing: no wrap below zero, no second panel,
    // no lost game after the win.
    const float score = m_Ctrl.GetScore();
    Battle().OnBirdKilled();
    m_Ctrl.OnKeyDown(0x22);
    Battle().OnStatueDestroyed();
    EXPECT_EQ(Battle().GetRemainingBirds(), 0u);
    EXPECT_EQ(m_Ctrl.GetScore(), score);
    EXPECT_FALSE(Battle().GetTownLostPanel()->IsVisible());
    EXPECT_EQ(Modals(), 1u);

    // Objects and physics go on with a stopped clock.
    const double t = Battle().GetBattleTime();
    Frames(5);
    EXPECT_EQ(Battle().GetBattleTime(), t);

    // "Next Level" closes the panel and goes through the post-level state
    // to the second level.
    ClickButtons(*Battle().GetLevelDonePanel());
    EXPECT_EQ(Modals(), 0u);
    EXPECT_FALSE(Battle().GetLevelDonePanel()->IsVisible());
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetPostLevelState());
    Frames(1);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetNewLevelState());
    EXPECT_EQ(m_Ctrl.GetLevel(), 2);
}

TEST_F(BattleStateTest, TheStatueFallingLosesOnceAndANewGameStartsClean)
{
    ASSERT_TRUE(CreateFixed(kLevels));
    EnterBattle();
    Battle().OnBirdKilled();
    Battle().OnStatueDestroyed();
    Battle().OnStatueDestroyed();
    EXPECT_TRUE(Battle().GetTownLostPanel()->IsVisible());
    EXPECT_EQ(Modals(), 1u);
    // Kills after the fall (the towers go on shooting) score, but the last
    // one does not win: no second panel.
    for (int i = 0; i < 9; ++i)
        Battle().OnBirdKilled();
    EXPECT_EQ(Battle().GetRemainingBirds(), 0u);
    EXPECT_FALSE(Battle().GetLevelDonePanel()->IsVisible());
    EXPECT_EQ(Modals(), 1u);
    EXPECT_FLOAT_EQ(m_Ctrl.GetScore(), 100.0f);

    // "Oh no!": the lost screen with the score; "Continue": the menu.
    ClickButtons(*Battle().GetTownLostPanel());
    EXPECT_EQ(Modals(), 0u);
    CPostGameState& end = *m_Ctrl.GetPostGameState();
    EXPECT_EQ(m_Ctrl.GetCurrentState(), &end);
    EXPECT_TRUE(end.GetLostBackground()->IsVisible());
    EXPECT_FALSE(end.GetWonBackground()->IsVisible());
    EXPECT_EQ(end.GetScoreText()->GetText(), "Your score: 100");
    ClickButtons(*end.GetRoot());
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetMainMenuState());
    EXPECT_EQ(m_Ctrl.GetLevel(), 0);
    EXPECT_EQ(m_Ctrl.GetScore(), 0.0f);

    // The next game's first battle has only its own records, all counted,
    // and the outcome can come again.
    TakeErrors();
    EnterBattle();
    EXPECT_EQ(Battle().GetSpawnTable().size(), 3u);
    EXPECT_EQ(Battle().GetTotalBirds(), 10u);
    EXPECT_FALSE(Battle().HasEnded());
    EXPECT_TRUE(Battle().GetTimer()->IsRunning());
    Battle().OnStatueDestroyed();
    EXPECT_EQ(Modals(), 1u);
}

TEST_F(BattleStateTest, ALevelWithoutBirdsIsWonOnTheFirstUpdate)
{
    ASSERT_TRUE(CreateFixed("[GAME]\nStartPos=0;0;0\nNumLevels=1\n[Level1]\nBuildTime=5\n"));
    EnterBattle();
    EXPECT_EQ(TakeErrors(),
              "Error: Couldn't get \"SpawnPoints\"-Value from \"Level1\" in CBattleState::Enter\n");
    EXPECT_EQ(Battle().GetTotalBirds(), 0u);
    m_Ctrl.OnKeyDown(0x22); // no bird to count: no wrap, no division by zero
    EXPECT_EQ(Battle().GetRemainingBirds(), 0u);
    EXPECT_EQ(m_Ctrl.GetScore(), 0.0f);
    EXPECT_FALSE(Battle().HasEnded());
    Frames(1);
    EXPECT_TRUE(Battle().HasEnded());
    EXPECT_EQ(Battle().GetLevelDoneText()->GetText(), "Level done:      100%");
    EXPECT_TRUE(Battle().GetLevelDonePanel()->IsVisible());
    EXPECT_EQ(Modals(), 1u);
    Frames(3);
    EXPECT_EQ(Modals(), 1u) << "shown once";

    // The only level is the last: the won screen.
    ClickButtons(*Battle().GetLevelDonePanel());
    Frames(1);
    CPostGameState& end = *m_Ctrl.GetPostGameState();
    EXPECT_EQ(m_Ctrl.GetCurrentState(), &end);
    EXPECT_TRUE(end.GetWonBackground()->IsVisible());
    EXPECT_EQ(end.GetScoreText()->GetText(), "Your score: 0");
}

// Live and pending birds.
size_t Birds(const CGameCtrl& ctrl)
{
    size_t n = 0;
    for (const auto* list : {&ctrl.GetObjects(), &ctrl.GetPendingObjects()})
        for (const CRefPtr<IGameObj>& o : *list)
            n += o && o->GetType() == IGameObj::TYPE_BIRD;
    return n;
}

TEST_F(BattleStateTest, AFlockComesInTheFrameWhoseClockReachesItsTime)
{
    ASSERT_TRUE(CreateFixed("[GAME]\nStartPos=0;0;0\nNumLevels=1\n[Level1]\nSpawnPoints=1\n"
                            "SpawnPoint1=0.5;2;K;0;40;0\n"));
    m_pClock->Reset(1, 0.25, -1.0);
    EnterBattle();
    Frames(1);
    EXPECT_EQ(Battle().GetBattleTime(), 0.25);
    EXPECT_EQ(Birds(m_Ctrl), 0u);
    Frames(1);
    ASSERT_EQ(Battle().GetBattleTime(), 0.5);
    EXPECT_EQ(Birds(m_Ctrl), 2u);
    EXPECT_TRUE(Battle().GetSpawnTable().empty());
}

// A level asks for at most 1000 birds in all; records past that are refused
// as over the limit, and a large flock comes 100 birds a frame.
TEST_F(BattleStateTest, BirdsAreBoundedPerLevelAndPerFrame)
{
    std::string level = "[GAME]\nStartPos=0;0;0\nNumLevels=1\n[Level1]\nSpawnPoints=60\n";
    for (int n = 1; n <= 60; ++n)
        level += "SpawnPoint" + std::to_string(n) + "=0;" + (n == 2 ? "999" : "1000") + ";K;0;40;0\n";
    ASSERT_TRUE(CreateFixed(level));
    EnterBattle();
    // They parse: the log says they are over the limit.
    std::string refused;
    for (int n = 2; n <= 60; ++n)
    {
        const std::string count = n == 2 ? "999" : "1000";
        refused += "Error: \"SpawnPoint" + std::to_string(n) + "\"-Value from \"Level1\" asks for " + count +
                   " birds, over the limit of 1000 birds in a level (0 left) in CBattleState::Enter: 0;" +
                   count + ";K;0;40;0\n";
    }
    EXPECT_EQ(TakeErrors(), refused);
    ASSERT_EQ(Battle().GetSpawnTable().size(), 1u);
    EXPECT_EQ(Battle().GetTotalBirds(), 1000u);

    Frames(1);
    EXPECT_EQ(Birds(m_Ctrl), 100u);
    ASSERT_EQ(Battle().GetSpawnTable().size(), 1u);
    EXPECT_EQ(Battle().GetSpawnTable()[0].count, 900u) << "the rest comes in the next frames";
    EXPECT_EQ(Battle().GetRemainingBirds(), 1000u);
}

// Each battle begins on the ground at the start position, level and facing
// the statue (20 units along -x), with the trees that touch the archer (who
// has no model: his sphere) cleared away, whatever the last battle's view.
TEST_F(BattleStateTest, EveryBattleBeginsLevelTowardsTheStatueClearOfTrees)
{
    ASSERT_TRUE(CreateFixed("[GAME]\nStartPos=50;0;50\nNumLevels=3\nTreemap=map.tga\nNmbTrees=1\n"
                            "TreeModel1=a.scn\n[Level1]\nSpawnPoints=1\nSpawnPoint1=1000;1;K;0;40;0\n"
                            "[Level2]\nSpawnPoints=1\nSpawnPoint1=1000;1;K;0;40;0\n[Level3]\n"));
    m_Dir.WriteFile("map.tga", testsupport::MakeTga(1, 1, 0, 0, 0));
    CRefPtr<CTerrain> terrain(new CTerrain(nullptr));
    const uint8_t flat[9] = {};
    ASSERT_TRUE(terrain->GetInfo().Create(3, 3, flat, 1, 50.0f, 50.0f, 0.1f, CRefPtr<CPhysXTriangleMesh>()));
    ASSERT_TRUE(terrain->CreateForest("GAME"));
    CForest& forest = *terrain->GetForest();
    // The archer lands from 3 above the ground: his sphere (radius 1, 1
    // above his feet) reaches the first tree's (radius 4), not the second's.
    forest.AddTree(CRefPtr<CTreeObj>(new worldtest::SphereTree(CVector3(50.5f, 0, 50), 4.0f)));
    forest.AddTree(CRefPtr<CTreeObj>(new worldtest::SphereTree(CVector3(60, 0, 50), 4.0f)));
    m_Ctrl.SetTerrain(terrain);

    CPlayerObj& player = *Battle().GetPlayer();
    for (int battle = 1; battle <= 2; ++battle)
    {
        SCOPED_TRACE("battle " + std::to_string(battle));
        EnterBattle();
        EXPECT_EQ(player.GetPosition(), CVector3(50, 3, 50));
        testsupport::ExpectVecNear(player.GetRotation(), CVector3(0, -1.5707964f, 0), 1e-6f);
        ASSERT_EQ(forest.GetTrees().size(), 1u);
        EXPECT_EQ(forest.GetTrees()[0]->GetPosition().x, 60.0f);
        m_Ctrl.GetCameraCtrl()->Update();
        const CVector3 view = m_Ctrl.GetCamera()->GetForward();
        EXPECT_NEAR(view.x, -1.0f, 1e-5f);
        EXPECT_NEAR(view.y, 0.0f, 1e-5f);

        // The archer looks up at the sky (the mouse moved forward) and
        // turns: the next battle does not begin so.
        Battle().GetPlayerCtrl()->OnMouseMove(200, -300, 0);
        Frames(1);
        EXPECT_LT(player.GetRotation().x, -1.0f);
        forest.AddTree(CRefPtr<CTreeObj>(new worldtest::SphereTree(CVector3(49, 0, 51), 4.0f)));
    }
    m_Ctrl.SetTerrain(CRefPtr<CTerrain>());
    terrain->Kill();
}

} // namespace
