#include "app/CPhysXMgr.h"
#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CMainMenuState.h"
#include "game/CNewLevelState.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"
#include "platform/physx/NxPhysics.h"
#include "tests/game/GameTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

using namespace gametest;

namespace
{

// A state that writes "<name>.<op>" with the controller's current state
// (its name, or "-") at the time of the call.
class RecordingState : public IGameState
{
public:
    RecordingState(std::vector<std::string>* log, const std::string& name) : m_pLog(log), m_Name(name) {}
    bool Create(CGameCtrl* ctrl) override
    {
        m_pGameCtrl = ctrl;
        return true;
    }
    void Enter() override { Add("enter"); }
    bool Update() override
    {
        Add("update");
        return m_bResult;
    }
    void Leave() override { Add("leave"); }
    void Reset() override {}
    bool m_bResult = true;

private:
    void Add(const char* op)
    {
        const RecordingState* cur = dynamic_cast<RecordingState*>(m_pGameCtrl->GetCurrentState());
        m_pLog->push_back(m_Name + "." + op + " current=" + (cur ? cur->m_Name : "-"));
    }
    std::vector<std::string>* m_pLog;
    std::string m_Name;
};

TEST_F(GameCtrlTest, CreateSetsUpTheControllerAndEntersTheMainMenu)
{
    EXPECT_EQ(m_Ctrl.GetPriority(), 1000);
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_strLog, "");
    EXPECT_EQ(m_Ctrl.GetPriority(), 100);
    EXPECT_TRUE(m_Ctrl.IsListening());
    const auto& listeners = m_pInput->GetListeners();
    EXPECT_NE(std::find(listeners.begin(), listeners.end(), &m_Ctrl), listeners.end());
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetMainMenuState());
    EXPECT_EQ(Gui().GetRoot().Get(), m_Ctrl.GetMainMenuState()->GetScreen().Get());
    EXPECT_TRUE(Gui().IsStatisticsShown());
    EXPECT_EQ(m_Ctrl.GetLevel(), 0);
    EXPECT_EQ(m_Ctrl.GetFrameClock(), m_pClock);
    const CVector3& start = m_Ctrl.GetStartPos();
    EXPECT_FLOAT_EQ(start.x, 100.0f);
    EXPECT_FLOAT_EQ(start.y, 5.5f);
    EXPECT_FLOAT_EQ(start.z, -20.0f);
    ASSERT_TRUE(m_Ctrl.GetCamera());
    EXPECT_FLOAT_EQ(m_Ctrl.GetCamera()->GetPosition().y, 10.0f);
    for (IGameState* s :
         {static_cast<IGameState*>(m_Ctrl.GetNewLevelState()),
          static_cast<IGameState*>(m_Ctrl.GetBuildState()), static_cast<IGameState*>(m_Ctrl.GetBattleState()),
          static_cast<IGameState*>(m_Ctrl.GetPostLevelState()),
          static_cast<IGameState*>(m_Ctrl.GetPostGameState())})
    {
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->GetGameCtrl(), &m_Ctrl);
    }
}

TEST_F(GameCtrlTest, MissingOrMalformedStartPosStopsBeforeAnyState)
{
    // The reader's line, then the start-up message naming the key and its
    // line, also shown in a message box where one can be.
    const std::string need =
        ": the archer's start, three numbers separated by ';' (x;y;z); the game does not start\n";
    EXPECT_FALSE(Create("[GAME]\nNumLevels=3\n"));
    EXPECT_EQ(m_strLog, "Error: Couldn't get \"StartPos\"-Value from \"GAME\" in CGameCtrl::Create\n"
                        "Error: settings.ini has no \"StartPos\" in [GAME]" +
                            need);
    EXPECT_EQ(m_Ctrl.GetMainMenuState(), nullptr);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), nullptr);
    m_Ctrl.Destroy();
    std::remove("Error.log");

    EXPECT_FALSE(Create("[GAME]\nStartPos=1;2\n"));
    EXPECT_EQ(m_strLog, "Error: Couldn't parse \"StartPos\"-Value from \"GAME\"in CGameCtrl::Create: 1;2\n"
                        "Error: settings.ini line 2: [GAME] StartPos = 1;2" +
                            need);
    EXPECT_EQ(m_Ctrl.GetMainMenuState(), nullptr);
    EXPECT_FALSE(m_Ctrl.IsListening());
    m_Ctrl.Destroy();
    std::remove("Error.log");

    // Numbers that are not finite (1e39 overflows a float) are not a place.
    for (const char* bad : {"nan;nan;nan", "1;inf;2", "1;2;1e39"})
    {
        EXPECT_FALSE(Create(std::string("[GAME]\nStartPos=") + bad + "\n")) << bad;
        EXPECT_EQ(m_strLog, std::string("Error: Couldn't parse \"StartPos\"-Value from \"GAME\"in "
                                        "CGameCtrl::Create: ") +
                                bad + "\nError: settings.ini line 2: [GAME] StartPos = " + bad + need);
        m_Ctrl.Destroy();
        std::remove("Error.log");
    }
}

// Settings a game could only end on with a failure are refused when the
// controller is created (at start-up), naming the setting: a start off the
// terrain ("XSize" by "ZSize" of "GAME", when both read) and levels without
// their sections.
TEST_F(GameCtrlTest, StartOffTheTerrainOrLevelsWithoutSectionsStopTheStart)
{
    const std::string terrain = "XSize=1000\nZSize=800\n";
    const std::string three = "[Level1]\n[Level2]\n[Level3]\n";
    const std::string offTerrain =
        "Error: \"StartPos\"-Value (%s) from \"GAME\" lies outside the terrain (x and "
        "z from 0 to 1000.0 and 800.0) in CGameCtrl::Create\n"
        "Error: settings.ini line 2: [GAME] StartPos = %s: a start on the terrain, x from 0 to 1000 "
        "(\"XSize\") and z from 0 to 800 (\"ZSize\"); the game does not start\n";
    const std::string noLevel =
        "Error: Level %s (\"NumLevels\"-Value from \"GAME\") has no section \"%s\" in "
        "CPostLevelState::Create\n"
        "Error: settings.ini has no section [%s]: level %s (\"NumLevels\", line 3) needs it; the game does "
        "not start\nError: Couldn't create PostLevel-State\n";
    // Each %s in turn takes the next of the texts.
    auto fill = [](std::string text, const std::vector<std::string>& parts)
    {
        for (const std::string& part : parts)
            text.replace(text.find("%s"), 2, part);
        return text;
    };
    struct SCase
    {
        std::string game, levels;
        bool starts;
        std::string log;
    };
    const SCase cases[] = {
        {"StartPos=450;8;400\nNumLevels=3\n" + terrain, three, true, ""},
        {"StartPos=0;8;800\nNumLevels=3\n" + terrain, three, true, ""},
        {"StartPos=450;8;800.5\nNumLevels=3\n" + terrain, three, false,
         fill(offTerrain, {"450.0;8.0;800.5", "450;8;800.5"})},
        {"StartPos=-0.5;8;400\nNumLevels=3\n" + terrain, three, false,
         fill(offTerrain, {"-0.5;8.0;400.0", "-0.5;8;400"})},
        // Without readable sizes the terrain reports them when it is built.
        {"StartPos=-5;8;-5\nNumLevels=3\nXSize=1000\n", three, true, ""},
        {"StartPos=450;8;400\nNumLevels=5\n" + terrain, three, false,
         fill(noLevel, {"4 of 5", "Level4", "Level4", "4 of 5"})},
        {"StartPos=450;8;400\nNumLevels=3\n" + terrain, "[Level1]\n[Level3]\n", false,
         fill(noLevel, {"2 of 3", "Level2", "Level2", "2 of 3"})},
        {"StartPos=450;8;400\nNumLevels=0\n" + terrain, "", false,
         fill(noLevel, {"1 of 1", "Level1", "Level1", "1 of 1"})},
        {"StartPos=450;8;400\nNumLevels=0\n" + terrain, "[Level1]\n", true, ""},
        {"StartPos=450;8;400\nNumLevels=2\n" + terrain, "[Level2]\n[Level1]\nBuildTime=5\n", true, ""},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.game + c.levels);
        EXPECT_EQ(Create("[GAME]\n" + c.game + c.levels), c.starts);
        EXPECT_EQ(m_strLog, c.log);
        m_Ctrl.Destroy();
        std::remove("Error.log");
    }
}

// The projection takes the window's aspect at creation and after every
// resize, 60 degrees high. One row per window size: the aspect and the
// view's horizontal half-angle in degrees (minimised: the last shape stays).
TEST_F(GameCtrlTest, TheProjectionFollowsTheWindowsAspect)
{
    const struct
    {
        uint16_t width, height;
        float aspect, halfAngle;
    } kRows[] = {{1280, 600, 2.1333333f, 50.93f},
                 {640, 768, 0.8333333f, 25.69f},
                 {800, 600, 1.3333333f, 37.59f},
                 {0, 0, 1.3333333f, 37.59f}};
    m_pWindow->SetSize(1280, 600);
    ASSERT_TRUE(Create());
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(row.width);
        if (row.width != 1280) // the first at creation
            m_pWindow->SetSize(row.width, row.height);
        const CMatrix4& p = m_Ctrl.GetCamera()->GetProjection();
        EXPECT_NEAR(p.m[5] / p.m[0], row.aspect, 1e-5f);
        EXPECT_NEAR(p.m[5], 1.0f / std::tan(CGameCtrl::kFieldOfView / 2), 1e-5f);
        m_Ctrl.GetCamera()->SetRotation(CVector3());
        CVector3 ray; // through the middle of the right edge
        m_Ctrl.GetCamera()->GetPickRay(ray, 1.0f, 0.5f);
        EXPECT_NEAR(std::atan2(ray.x, -ray.z) * 57.29578f, row.halfAngle, 0.01f);
    }
    m_Ctrl.Destroy();
    EXPECT_EQ(m_pWindow->GetListeners().size(), 1u) << "the destroyed controller hears the window no more";
    m_pWindow->SetSize(1000, 1000);
}

TEST_F(GameCtrlTest, ChangeStateLeavesThenEntersAtOnce)
{
    ASSERT_TRUE(Create());
    RecordingState a(&m_Log, "a"), b(&m_Log, "b");
    a.Create(&m_Ctrl);
    b.Create(&m_Ctrl);
    m_Ctrl.ChangeState(&a);
    EXPECT_EQ(Gui().GetRoot(), CRefPtr<CGuiElement>()) << "the main menu left";
    m_Ctrl.ChangeState(&b);
    m_Ctrl.ChangeState(nullptr);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"a.enter current=a", "a.leave current=a",
                                                   "b.enter current=b", "b.leave current=b"}));
    EXPECT_EQ(m_Ctrl.GetCurrentState(), nullptr);
}

TEST_F(GameCtrlTest, UpdateEndsTheProgramWithoutAStateOrWhenTheStateSaysSo)
{
    ASSERT_TRUE(Create());
    RecordingState a(&m_Log, "a");
    a.Create(&m_Ctrl);
    m_Ctrl.ChangeState(&a);
    a.m_bResult = false;
    EXPECT_FALSE(m_Ctrl.Update());
    m_Ctrl.ChangeState(nullptr);
    EXPECT_FALSE(m_Ctrl.Update());
    EXPECT_EQ(TakeLog(),
              (std::vector<std::string>{"a.enter current=a", "a.update current=a", "a.leave current=a"}));
}

TEST_F(GameCtrlTest, ObjectsJoinBeforeTheNextUpdateAndTheDeadAreDroppedAfter)
{
    ASSERT_TRUE(Create());
    CRefPtr<ScriptedObj> a = Obj("a"), b = Obj("b"), c = Obj("c"), born = Obj("born");
    // a adds a new object and kills c, which comes after it and is still
    // updated in this pass; b dies by its own hand.
    a->m_OnUpdate = [&]
    {
        m_Ctrl.AddObject(born);
        c->Kill();
        a->m_OnUpdate = nullptr;
    };
    b->m_OnUpdate = [&] { b->Kill(); };
    m_Ctrl.AddObject(a);
    m_Ctrl.AddObject(b);
    m_Ctrl.AddObject(c);
    EXPECT_TRUE(m_Ctrl.GetObjects().empty()) << "added objects wait";
    m_Ctrl.UpdateObjects(0.1f);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(m_Ctrl.GetObjects().size(), 1u);
    EXPECT_EQ(m_Ctrl.GetObjects()[0].Get(), a.Get());
    ASSERT_EQ(m_Ctrl.GetPendingObjects().size(), 1u);
    EXPECT_EQ(c->GetRefCount(), 1u) << "the controller let go of the dead";

    m_Ctrl.UpdateObjects(0.1f);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"a", "born"}));
    EXPECT_TRUE(m_Ctrl.GetPendingObjects().empty());
    EXPECT_EQ(m_Ctrl.GetObjects().size(), 2u);
}

TEST_F(GameCtrlTest, EndLevelObjectsDropsTheDeadAndThePending)
{
    ASSERT_TRUE(Create());
    CRefPtr<ScriptedObj> house = Obj("house", IGameObj::TYPE_BUILDING), bird = Obj("bird"),
                         late = Obj("late");
    bird->m_OnLevelEnd = [&] { bird->Kill(); };
    m_Ctrl.AddObject(house);
    m_Ctrl.AddObject(bird);
    m_Ctrl.UpdateObjects(0.0f);
    m_Ctrl.AddObject(late);
    TakeLog();
    m_Ctrl.EndLevelObjects();
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"end:house", "end:bird"}));
    ASSERT_EQ(m_Ctrl.GetObjects().size(), 1u);
    EXPECT_EQ(m_Ctrl.GetObjects()[0].Get(), house.Get());
    EXPECT_TRUE(m_Ctrl.GetPendingObjects().empty());
    m_Ctrl.UpdateObjects(0.0f);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"house"})) << "the dropped pending object never runs";
}

TEST_F(GameCtrlTest, RandomBuildingIsALiveObjectOfTypeThree)
{
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_Ctrl.GetRandomBuilding(), nullptr);
    m_Ctrl.AddObject(Obj("bird"));
    m_Ctrl.UpdateObjects(0.0f);
    EXPECT_EQ(m_Ctrl.GetRandomBuilding(), nullptr);
    CRefPtr<ScriptedObj> h1 = Obj("h1", IGameObj::TYPE_BUILDING), h2 = Obj("h2", IGameObj::TYPE_BUILDING);
    m_Ctrl.AddObject(h1);
    m_Ctrl.AddObject(h2);
    EXPECT_EQ(m_Ctrl.GetRandomBuilding(), nullptr) << "pending objects are no targets";
    m_Ctrl.UpdateObjects(0.0f);
    bool seen1 = false, seen2 = false;
    for (int i = 0; i < 64; ++i)
    {
        IGameObj* b = m_Ctrl.GetRandomBuilding();
        ASSERT_TRUE(b == h1.Get() || b == h2.Get());
        seen1 = seen1 || b == h1.Get();
        seen2 = seen2 || b == h2.Get();
    }
    EXPECT_TRUE(seen1 && seen2);
}

TEST_F(GameCtrlTest, KilledObjectsTellTheirObserversOnce)
{
    struct Watcher : IObjObserver
    {
        std::vector<std::string>* log;
        std::string name;
        void OnObservedKilled() override { log->push_back("killed->" + name); }
    };
    Watcher w1, w2;
    w1.log = w2.log = &m_Log;
    w1.name = "w1";
    w2.name = "w2";
    CRefPtr<ScriptedObj> o = Obj("o");
    o->AddObserver(&w1);
    o->AddObserver(nullptr);
    o->AddObserver(&w2);
    o->Kill();
    o->Kill();
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"killed->w1", "killed->w2"}));
    EXPECT_TRUE(o->IsDead());
    EXPECT_EQ(o->GetOwner(), nullptr);
}

// Sends a key and returns what the console got.
std::string Press(CGameCtrl& ctrl, uint8_t key)
{
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ctrl.OnKeyDown(key)) << "debug keys are never consumed";
    return testing::internal::GetCapturedStdout();
}

TEST_F(GameCtrlTest, DebugTogglesPrintTheirStateAndReachTheRenderSettings)
{
    ASSERT_TRUE(Create());
    FakeRenderSettings& rs = *m_Ctrl.m_pFake;
    EXPECT_EQ(Press(m_Ctrl, 0x3C), "OnScreen-Info: Disabled\n");
    EXPECT_FALSE(Gui().IsStatisticsShown());
    EXPECT_EQ(Press(m_Ctrl, 0x3C), "OnScreen-Info: Enabled\n");
    EXPECT_TRUE(Gui().IsStatisticsShown());
    EXPECT_EQ(Press(m_Ctrl, 0x3D), "WireFrame: Enabled\n");
    EXPECT_EQ(Press(m_Ctrl, 0x3F), "MipMapping: Disabled\n");
    EXPECT_EQ(Press(m_Ctrl, 0x42), "Frustum culling: Disabled\n");
    EXPECT_FALSE(m_Ctrl.IsFrustumCulling());
    EXPECT_EQ(Press(m_Ctrl, 0x43), "Transparency: Disabled\n");
    EXPECT_EQ(Press(m_Ctrl, 0x43), "Transparency: Enabled\n");
    EXPECT_EQ(rs.m_Calls,
              (std::vector<std::string>{"wire on", "mip off", "transparency off", "transparency on"}));

    // G counts one bird as killed and prints nothing; outside a battle no
    // bird remains to count, so nothing changes. Other keys do nothing.
    EXPECT_EQ(Press(m_Ctrl, 0x22), "");
    EXPECT_EQ(m_Ctrl.GetBattleState()->GetRemainingBirds(), 0u);
    EXPECT_EQ(m_Ctrl.GetScore(), 0.0f);
    EXPECT_EQ(Press(m_Ctrl, 0x1E), "");
}

TEST_F(GameCtrlTest, TextureQualityCycles)
{
    ASSERT_TRUE(Create());
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += Press(m_Ctrl, 0x3E);
    EXPECT_EQ(out, "Texture quality: Linear\nTexture quality: Bilinear\nTexture quality: Triliniear\n"
                   "Texture quality: Mixed\n");
    EXPECT_EQ(m_Ctrl.m_pFake->m_Calls,
              (std::vector<std::string>{"quality 1 on", "quality 2 on", "quality 4 on", "quality 16 off"}));
    EXPECT_EQ(m_Ctrl.GetTextureQuality(), 16u);
}

TEST_F(GameCtrlTest, RenderModeCyclesAndFallsBackToMixedWithoutBufferObjects)
{
    ASSERT_TRUE(Create());
    FakeRenderSettings& rs = *m_Ctrl.m_pFake;
    EXPECT_EQ(Press(m_Ctrl, 0x40), "Render mode: Mega slow (immediate mode)\n");
    EXPECT_EQ(Press(m_Ctrl, 0x40), "Render mode: Vertex arrays\n");
    EXPECT_EQ(Press(m_Ctrl, 0x40), "Render mode: Vertex buffer objects\n");
    EXPECT_EQ(Press(m_Ctrl, 0x40), "Render mode: Mixed\n");
    EXPECT_EQ(rs.m_Calls,
              (std::vector<std::string>{"render 0 on", "render 1 on", "render 2 on", "render 4 off"}));
    rs.m_Calls.clear();

    Press(m_Ctrl, 0x40);
    Press(m_Ctrl, 0x40);
    rs.m_bAcceptVbo = false;
    EXPECT_EQ(Press(m_Ctrl, 0x40),
              "Render mode: Vertex buffer objects not compatible with current CacheModeSettings(VBO)\n"
              "Render mode: Mixed\n");
    EXPECT_EQ(m_Ctrl.GetRenderMode(), 4u);
    EXPECT_EQ(rs.m_Calls,
              (std::vector<std::string>{"render 0 on", "render 1 on", "render 2 on", "render 4 off"}));
}

TEST_F(GameCtrlTest, DisplayListsCycleAndFallBackToDisabled)
{
    ASSERT_TRUE(Create());
    FakeRenderSettings& rs = *m_Ctrl.m_pFake;
    EXPECT_EQ(Press(m_Ctrl, 0x41), "Display lists: Enabled\n");
    EXPECT_EQ(Press(m_Ctrl, 0x41), "Display lists: Disabled\n");
    EXPECT_EQ(Press(m_Ctrl, 0x41), "Display lists: Mixed\n");
    EXPECT_EQ(m_Ctrl.GetDisplayLists(), 128);
    EXPECT_EQ(rs.m_Calls, (std::vector<std::string>{"cache 1 on", "cache 2 on", "cache 128 off"}));
    rs.m_Calls.clear();

    rs.m_bAcceptLists = false;
    const std::string refused =
        "Display lists: DisplayLists not compatible with curren RenderModeSettings(VBO)\n"
        "Display lists: Disabled\n";
    EXPECT_EQ(Press(m_Ctrl, 0x41), refused);
    EXPECT_EQ(m_Ctrl.GetDisplayLists(), 2);
    EXPECT_EQ(Press(m_Ctrl, 0x41), refused);
    EXPECT_EQ(rs.m_Calls,
              (std::vector<std::string>{"cache 1 on", "cache 2 on", "cache 128 off", "cache 2 on"}));
}

TEST_F(GameCtrlTest, CameraControllerAndSceneFollowTheCamera)
{
    struct Ctrl : ICameraCtrl
    {
        std::vector<std::string>* log;
        std::string name;
        void Attach(CRefPtr<CCamera> camera) override
        {
            log->push_back("attach " + name);
            ICameraCtrl::Attach(camera);
        }
        void Detach() override
        {
            log->push_back("detach " + name);
            ICameraCtrl::Detach();
        }
        void Update() override {}
    };
    ASSERT_TRUE(Create());
    CRefPtr<Ctrl> c1(new Ctrl), c2(new Ctrl);
    c1->log = c2->log = &m_Log;
    c1->name = "1";
    c2->name = "2";
    m_Ctrl.SetCameraCtrl(c1.Get());
    m_Ctrl.SetCameraCtrl(c2.Get());
    m_Ctrl.SetCameraCtrl(CRefPtr<ICameraCtrl>());
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"attach 1", "detach 1", "attach 2", "detach 2"}));

    CRefPtr<CSceneGraph> scene(new CSceneGraph);
    m_Ctrl.SetScene(scene);
    EXPECT_EQ(scene->GetCamera(), m_Ctrl.GetCamera());
}

TEST_F(GameCtrlTest, PlayerBirdAndTowerGroupPairsDoNotCollide)
{
    CRefPtr<CPhysXMgr>& physics = CEngineServices::GetInstance()->GetPhysXMgr();
    ASSERT_TRUE(physics->Create());
    ASSERT_TRUE(Create());
    plat::NxScene* scene = physics->GetScene();
    ASSERT_NE(scene, nullptr);
    for (auto pair : {std::make_pair(1, 4), std::make_pair(1, 5), std::make_pair(1, 2), std::make_pair(2, 2),
                      std::make_pair(2, 5), std::make_pair(6, 7)})
        EXPECT_FALSE(scene->getGroupCollisionFlag(pair.first, pair.second))
            << pair.first << "," << pair.second;
    for (auto pair : {std::make_pair(1, 3), std::make_pair(2, 3), std::make_pair(0, 1), std::make_pair(4, 2),
                      std::make_pair(7, 2)})
        EXPECT_TRUE(scene->getGroupCollisionFlag(pair.first, pair.second))
            << pair.first << "," << pair.second;
}

TEST_F(GameCtrlTest, DestroyLeavesTheScreenAndTheInputManager)
{
    ASSERT_TRUE(Create());
    m_Ctrl.AddObject(Obj("a"));
    m_Ctrl.Destroy();
    EXPECT_FALSE(Gui().GetRoot()) << "no button may call into a deleted state";
    const auto& listeners = m_pInput->GetListeners();
    EXPECT_EQ(std::find(listeners.begin(), listeners.end(), &m_Ctrl), listeners.end());
    EXPECT_EQ(m_Ctrl.GetCurrentState(), nullptr);
    EXPECT_EQ(m_Ctrl.GetMainMenuState(), nullptr);
    EXPECT_TRUE(m_Ctrl.GetPendingObjects().empty());
    EXPECT_FALSE(m_Ctrl.GetCamera());
    m_Ctrl.Destroy();
}

TEST_F(GameCtrlTest, ScoreAndGoldGrowTogether)
{
    ASSERT_TRUE(Create());
    m_Ctrl.AddScore(10.0f);
    m_Ctrl.AddScoreAndGold(2.5f);
    EXPECT_FLOAT_EQ(m_Ctrl.GetScore(), 12.5f);
    EXPECT_FLOAT_EQ(m_Ctrl.GetBuildState()->GetGold(), 2.5f);
}

} // namespace
