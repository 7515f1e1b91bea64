// Whole battles on the real state and objects over a physics scene, the game
// clock in fixed 1/60 s steps and the random source seeded: shooting a bird,
// kamikazes against the statue, both outcomes in one frame, a bird whose
// target falls after it died, a lost game followed by a new one, and the
// level's end with its paybacks and the won screen, and the statue's health
// on the HUD from one battle to the next.

#include "game/CAiBirdCtrl.h"
#include "game/CBirdObj.h"
#include "game/CBuildState.h"
#include "game/CMainMenuState.h"
#include "game/CPlayerCtrl.h"
#include "game/CPlayerObj.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"
#include "game/CProjectileObj.h"
#include "game/CStatueObj.h"
#include "tests/game/BattleTestSupport.h"

#include <cmath>

using namespace battletest;

namespace
{

// Keeps a bird where it is, flying and visible.
class StillCtrl : public IBirdCtrl
{
public:
    void Update(float) override {}
    void GetMoveDirection(CVector3& out) override { out = CVector3(); }
    bool GetDirection(CVector3& out) override
    {
        out = CVector3();
        return false;
    }
    bool WantsToDrop() override { return false; }
};

std::string Level(const std::string& spawns, int numLevels = 1)
{
    return "[GAME]\nStartPos=50;0;50\nNumLevels=" + std::to_string(numLevels) + "\n[Level1]\n" + spawns;
}

class BattleScenarioTest : public BattleTest
{
protected:
    // Live and pending objects of a type.
    size_t Count(uint32_t type)
    {
        size_t n = 0;
        for (const auto* list : {&m_Ctrl.GetObjects(), &m_Ctrl.GetPendingObjects()})
            for (const CRefPtr<IGameObj>& o : *list)
                n += o && o->GetType() == type && !o->IsDead();
        return n;
    }
    CRefPtr<CStatueObj> Statue(const CVector3& at)
    {
        CRefPtr<CStatueObj> statue(
            new CStatueObj(&m_Ctrl, MakeObjCallback(&Battle(), &CBattleState::OnStatueDestroyed),
                           MakeObjCallback(&Battle(), &CBattleState::OnStatueDamaged)));
        statue->SetPosition(at);
        statue->ForcePlace();
        m_Ctrl.AddObject(CRefPtr<IGameObj>(statue.Get()));
        return statue;
    }
    // Frames until the battle has ended (at most limit); the frames run.
    int FramesUntilTheEnd(int limit)
    {
        int n = 0;
        while (!Battle().HasEnded() && n < limit)
        {
            Frames(1);
            ++n;
        }
        return n;
    }
};

TEST_F(BattleScenarioTest, ABirdInFrontOfThePlayerDiesToOneArrow)
{
    // Two birds counted, due long after the test: this one is the first.
    ASSERT_TRUE(CreateFixed(Level("SpawnPoints=1\nSpawnPoint1=1000;2;B;0;50;0\n")));
    FloorObject();
    EnterBattle();
    Frames(60); // the player lands
    CPlayerObj& player = *Battle().GetPlayer();
    EXPECT_FALSE(player.IsAirborne());
    CRefPtr<CBirdObj> bird(new CBirdObj(&m_Ctrl, MakeObjCallback(&Battle(), &CBattleState::OnBirdKilled)));
    // The battle begins facing the statue (-x), level: ten units ahead at
    // the height the arrows leave from.
    ASSERT_NEAR(player.GetForward().x, -1.0f, 1e-6f);
    bird->SetPosition(player.GetPosition() + CVector3(-10, 0.21f, 0));
    bird->SetController(CRefPtr<IBirdCtrl>(new StillCtrl));
    m_Ctrl.AddObject(CRefPtr<IGameObj>(bird.Get()));

    // Two clicks in one frame: one arrow; none more while nothing is clicked.
    Battle().GetPlayerCtrl()->OnMouseDown(0);
    Battle().GetPlayerCtrl()->OnMouseDown(0);
    Frames(1);
    EXPECT_EQ(player.GetShots(), 1u);
    EXPECT_EQ(Count(IGameObj::TYPE_PROJECTILE), 1u);
    int frames = 0;
    while (bird->GetPhase() == CBirdObj::PHASE_FLYING && frames < 60)
    {
        Frames(1);
        ++frames;
    }
    EXPECT_LT(frames, 30) << "one arrow brings the bird down";
    EXPECT_EQ(player.GetShots(), 1u);
    EXPECT_FLOAT_EQ(m_Ctrl.GetScore(), 10.0f);
    EXPECT_EQ(Battle().GetScoreText()->GetText(), "Score:                  10");
    EXPECT_EQ(Battle().GetLevelDoneText()->GetText(), "Level done:       50%");
    EXPECT_EQ(Battle().GetRemainingBirds(), 1u);

    // The arrow rides the falling bird; the body goes 5 s after landing,
    // the arrow with it; the score (and so the callback) counted once.
    Frames(60 * 8);
    EXPECT_TRUE(bird->IsDead());
    EXPECT_EQ(Count(IGameObj::TYPE_PROJECTILE), 0u);
    EXPECT_FLOAT_EQ(m_Ctrl.GetScore(), 10.0f);
    EXPECT_FALSE(Battle().HasEnded());

    // The second bird wins the level; after the win the world stands still
    // (the clock is stopped) and the panel stays single.
    m_Ctrl.OnKeyDown(0x22);
    EXPECT_TRUE(Battle().GetLevelDonePanel()->IsVisible());
    EXPECT_FLOAT_EQ(m_Ctrl.GetScore(), 20.0f);
    Frames(10);
    EXPECT_EQ(Modals(), 1u);
}

TEST_F(BattleScenarioTest, KamikazesDestroyTheStatue)
{
    // Thirty kamikazes now, one bomber far in the future (the level cannot
    // be won before the statue falls).
    ASSERT_TRUE(
        CreateFixed(Level("SpawnPoints=2\nSpawnPoint1=0;30;K;30;8;60\nSpawnPoint2=1000;1;B;0;50;0\n")));
    FloorObject();
    CRefPtr<CStatueObj> statue = Statue(CVector3(30, 0, 0));
    EnterBattle();
    Frames(1);
    EXPECT_EQ(Count(IGameObj::TYPE_BIRD), 30u);
    int frames = 0;
    bool textFollows = true;
    while (!Battle().HasEnded() && frames < 60 * 60)
    {
        Frames(1);
        ++frames;
        char expected[64];
        std::snprintf(expected, sizeof expected, "Statue:    %3u%%",
                      static_cast<unsigned>(std::max(0.0f, statue->GetHealth()) * 0.25f));
        if (statue->GetHealth() < 400.0f)
            textFollows = textFollows && Battle().GetStatueText()->GetText() == expected;
    }
    EXPECT_TRUE(textFollows) << "the text is trunc(health / 4)";
    EXPECT_EQ(statue->GetState(), CBuildingObj::STATE_DESTROYED);
    EXPECT_EQ(Battle().GetStatueText()->GetText(), "Statue:      0%");
    EXPECT_TRUE(Battle().GetTownLostPanel()->IsVisible());
    EXPECT_FALSE(Battle().GetLevelDonePanel()->IsVisible());
    // The remaining kamikazes fly on into the ruins: the panel stays single.
    Frames(60 * 10);
    EXPECT_EQ(Modals(), 1u);
    EXPECT_GT(Battle().GetRemainingBirds(), 0u);
}

TEST_F(BattleScenarioTest, TheLastKillAndTheStatuesFallInOneFrameGiveOneOutcome)
{
    ASSERT_TRUE(CreateFixed(Level("SpawnPoints=1\nSpawnPoint1=0;1;K;30;1;25\n")));
    FloorObject();
    CRefPtr<CStatueObj> statue = Statue(CVector3(30, 0, 0));
    statue->SetHealth(20.0f);
    EnterBattle();
    FramesUntilTheEnd(60 * 30);
    EXPECT_TRUE(Battle().HasEnded());
    EXPECT_EQ(Battle().GetRemainingBirds(), 0u) << "the bird died in the crash";
    EXPECT_EQ(statue->GetState(), CBuildingObj::STATE_DESTROYED) << "and so did the statue";
    EXPECT_NE(Battle().GetLevelDonePanel()->IsVisible(), Battle().GetTownLostPanel()->IsVisible());
    EXPECT_EQ(Modals(), 1u);
    Frames(60);
    EXPECT_EQ(Modals(), 1u);
}

TEST_F(BattleScenarioTest, ABuildingFallsAfterTheBirdThatWatchedItDied)
{
    ASSERT_TRUE(CreateFixed(Level("SpawnPoints=2\nSpawnPoint1=0;1;B;0;20;0\nSpawnPoint2=1000;1;B;0;20;0\n")));
    FloorObject();
    CRefPtr<CBuildingObj> house(new CBuildingObj(&m_Ctrl, "Data/models/buildings/haus1.scn", 120, 100, 3));
    house->SetPosition(CVector3(-200, 0, -200));
    house->ForcePlace();
    m_Ctrl.AddObject(CRefPtr<IGameObj>(house.Get()));
    EnterBattle();
    Frames(2);
    ASSERT_EQ(house->GetObservers().size(), 1u) << "the bomber watches its target";
    // The bird is shot down and removed (5 s after landing); its controller
    // goes with it and lets go of the house.
    for (const CRefPtr<IGameObj>& o : m_Ctrl.GetObjects())
        if (auto* bird = dynamic_cast<CBirdObj*>(o.Get()))
            bird->SetHealth(-5.0f);
    Frames(60 * 10);
    EXPECT_EQ(Count(IGameObj::TYPE_BIRD), 0u);
    EXPECT_TRUE(house->GetObservers().empty());
    // Now the house falls and tells its observers: none is left to call.
    house->SetHealth(0.0f);
    m_pClock->Tick();
    m_Ctrl.UpdateObjects(0.0f);
    m_Ctrl.ResetGame();
    m_Ctrl.Destroy();
}

TEST_F(BattleScenarioTest, ALostGameLeavesNoFlockForTheNextOne)
{
    ASSERT_TRUE(CreateFixed(Level("SpawnPoints=2\nSpawnPoint1=0;3;B;0;30;0\nSpawnPoint2=50;5;K;0;30;0\n")));
    FloorObject();
    EnterBattle();
    Frames(2);
    EXPECT_EQ(Count(IGameObj::TYPE_BIRD), 3u);
    Battle().OnStatueDestroyed();
    ClickButtons(*Battle().GetTownLostPanel());
    ClickButtons(*m_Ctrl.GetPostGameState()->GetRoot());
    ASSERT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetMainMenuState());
    EXPECT_EQ(Count(IGameObj::TYPE_BIRD), 0u);

    // The second game's battle: its own first flock, both flocks counted.
    EnterBattle();
    EXPECT_EQ(Battle().GetTotalBirds(), 8u);
    Frames(2);
    EXPECT_EQ(Count(IGameObj::TYPE_BIRD), 3u);
    EXPECT_EQ(Battle().GetSpawnTable().size(), 1u);
}

TEST_F(BattleScenarioTest, TheLevelsEndPaysStandingBuildingsAndTheLastLevelIsWon)
{
    ASSERT_TRUE(CreateFixed(Level("SpawnPoints=1\nSpawnPoint1=1000;1;B;0;50;0\n")));
    CRefPtr<CBuildingObj> half(new CBuildingObj(&m_Ctrl, "Data/models/buildings/haus1.scn", 120, 100, 3));
    half->SetPosition(CVector3(-100, 0, 0));
    half->ForcePlace();
    half->SetHealth(60.0f);
    CRefPtr<CBuildingObj> ruin(new CBuildingObj(&m_Ctrl, "Data/models/buildings/haus2.scn", 200, 150, 3));
    ruin->SetPosition(CVector3(100, 0, 0));
    ruin->ForcePlace();
    ruin->SetHealth(0.0f);
    m_Ctrl.AddObject(CRefPtr<IGameObj>(half.Get()));
    m_Ctrl.AddObject(CRefPtr<IGameObj>(ruin.Get()));
    EnterBattle();
    Frames(1);
    m_Ctrl.OnKeyDown(0x22); // the one bird, by the debug key
    ASSERT_TRUE(Battle().GetLevelDonePanel()->IsVisible());
    ClickButtons(*Battle().GetLevelDonePanel());
    Frames(1);
    // Half health pays half its value into score and gold; ruins pay
    // nothing and are removed.
    EXPECT_FLOAT_EQ(m_Ctrl.GetScore(), 10.0f + 50.0f);
    EXPECT_FLOAT_EQ(m_Ctrl.GetBuildState()->GetGold(), 50.0f);
    EXPECT_TRUE(ruin->IsDead());
    EXPECT_FALSE(half->IsDead());
    CPostGameState& end = *m_Ctrl.GetPostGameState();
    ASSERT_EQ(m_Ctrl.GetCurrentState(), &end);
    EXPECT_TRUE(end.GetWonBackground()->IsVisible());
    EXPECT_EQ(end.GetScoreText()->GetText(), "Your score: 60");
    ClickButtons(*end.GetRoot());
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetMainMenuState());
    EXPECT_EQ(m_Ctrl.GetLevel(), 0);
    EXPECT_EQ(m_Ctrl.GetScore(), 0.0f);
    EXPECT_TRUE(m_Ctrl.GetObjects().empty());
}

// The statue keeps its damage from level to level, and every battle's HUD
// starts from the health it has, whether the statue was hit in a battle or
// between two.
TEST_F(BattleScenarioTest, EachBattleShowsTheStatuesHealthAsItIs)
{
    const std::string level = "BuildTime=5\nSpawnPoints=1\nSpawnPoint1=1000;1;B;0;50;0\n";
    ASSERT_TRUE(
        CreateFixed("[GAME]\nStartPos=50;0;50\nNumLevels=2\n[Level1]\n" + level + "[Level2]\n" + level));
    CRefPtr<CStatueObj> statue = Statue(CVector3(30, 0, 0));
    EnterBattle();
    EXPECT_EQ(Battle().GetStatueText()->GetText(), "Statue:    100%");
    Frames(1); // the statue joins the live objects
    statue->SetHealth(100.0f);
    EXPECT_EQ(Battle().GetStatueText()->GetText(), "Statue:     25%");
    m_Ctrl.OnKeyDown(0x22);
    ClickButtons(*Battle().GetLevelDonePanel());
    Frames(1);
    ASSERT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetNewLevelState());
    ASSERT_EQ(m_Ctrl.GetLevel(), 2);
    EXPECT_EQ(statue->GetState(), CBuildingObj::STATE_STANDING);

    // Level 2: build phase, time up, "To battle!".
    m_Ctrl.ChangeState(m_Ctrl.GetBuildState());
    Frames(1);
    m_Ctrl.GetBuildState()->OnToBattle(0);
    ASSERT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetBattleState());
    EXPECT_EQ(Battle().GetStatueText()->GetText(), "Statue:     25%");

    // 160 of 400 is 40%; a ruined statue shows 0.
    for (const auto& [health, text] : {std::pair<float, const char*>{160.0f, "Statue:     40%"},
                                       {399.0f, "Statue:     99%"},
                                       {-30.0f, "Statue:      0%"}})
    {
        statue->SetHealth(health);
        m_Ctrl.ChangeState(m_Ctrl.GetBuildState());
        m_Ctrl.GetBuildState()->OnToBattle(0);
        EXPECT_EQ(Battle().GetStatueText()->GetText(), text) << health;
    }
}

} // namespace
