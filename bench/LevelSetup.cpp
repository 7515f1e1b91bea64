// The level set-up of a new game over the generated data tree and the
// shipped settings, in a 1024 x 768 GL context (run it under Xvfb):
//
// - LevelSetUp/FirstGame: fresh engine services, so every model, texture
//   and the terrain come from disk: the new-level state's set-up frame
//   (scene graph, terrain with its cooked mesh and walls, start platform,
//   statue, forest, sky, preloads).
// - LevelSetUp/NewGame: the same after CGameCtrl::ResetGame, with the
//   models already cached (what "Continue" after a lost game costs).
// - LevelSetUpPhases: the steps of the first set-up timed apart.
//
// Counters: peak_rss_MB is the process's peak resident size after the run;
// rss_growth_MB the resident size the set-ups added.

#include "app/CEngineServices.h"
#include "app/CFrameClock.h"
#include "app/CHiResTimer.h"
#include "app/CPhysXMgr.h"
#include "app/CSettings.h"
#include "bench/BenchDataFolder.h"
#include "game/CBattleState.h"
#include "game/CEnvironment.h"
#include "game/CGameCtrl.h"
#include "game/CNewLevelState.h"
#include "game/CObjCallback.h"
#include "game/CStartObj.h"
#include "game/CStatueObj.h"
#include "game/CTerrain.h"
#include "platform/gl/GLTestWindow.h"
#include "render/CBlendRenderHook.h"
#include "render/COGLRenderer.h"
#include "tests/render/GuiTestSupport.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

namespace
{

// The working folder with Data/ and settings.ini, made once per run.
bool PrepareFolder()
{
    static bool ready = false;
    if (ready)
        return true;
    if (!benchdata::EnterDataFolder("vostrel-bench-levelsetup"))
        return false;
    CSettings::DestroyInstance();
    ready = CSettings::CreateInstance()->Load("settings.ini");
    return ready;
}

double ResidentMB()
{
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double PeakMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Engine services over a GL context, a GUI over a stand-in window, physics,
// and a game controller in the main menu.
class CGame
{
public:
    CGame() : m_Window(1024, 768, false)
    {
        CEngineServices::CreateInstance();
        CEngineServices* services = CEngineServices::GetInstance();
        auto* renderer = static_cast<COGLRenderer*>(services->GetRenderer().Get());
        m_bOk = renderer->CreateOnDC(m_Window.GetDC(), 32);
        renderer->OnSize(1024, 768);
        services->GetInputMgr() = m_pInput.Get();
        services->GetSoundMgr()->Create();
        services->GetPhysXMgr()->Create();
        m_pClock->Reset(5, 0.03, 0.2);
        services->GetGuiMgr()->Create(m_pWindow, m_pInput, m_pTimer, 1000, 1000);
        m_bOk = m_bOk && m_Ctrl.Create(m_pClock);
    }
    ~CGame()
    {
        m_Ctrl.Destroy();
        CEngineServices::DestroyInstance();
    }
    bool IsOk() const { return m_bOk; }
    CGameCtrl& Ctrl() { return m_Ctrl; }
    // The loading-screen frame of a new level (not the set-up).
    void EnterNewLevel()
    {
        m_Ctrl.ChangeState(m_Ctrl.GetNewLevelState());
        m_Ctrl.GetNewLevelState()->Update();
    }
    bool SetUpFrame() { return m_Ctrl.GetNewLevelState()->Update(); }

private:
    plat::GLTestWindow m_Window;
    CRefPtr<guitest::FakeWindow> m_pWindow{new guitest::FakeWindow(1000, 1000)};
    CRefPtr<guitest::FakeInput> m_pInput{new guitest::FakeInput};
    CRefPtr<CFrameClock> m_pClock{new CFrameClock(CRefPtr<CHiResTimer>(new CHiResTimer))};
    CRefPtr<CGameTimer> m_pTimer{new CGameTimer(m_pClock.Get())};
    CGameCtrl m_Ctrl;
    bool m_bOk = false;
};

void Counters(benchmark::State& state, double before)
{
    state.counters["peak_rss_MB"] = PeakMB();
    state.counters["rss_growth_MB"] = ResidentMB() - before;
}

void BM_LevelSetUpFirstGame(benchmark::State& state)
{
    if (!PrepareFolder())
        return state.SkipWithError("data tree not generated");
    const double before = ResidentMB();
    size_t trees = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        {
            CGame game;
            if (!game.IsOk())
                return state.SkipWithError("no GL context or controller");
            game.EnterNewLevel();
            state.ResumeTiming();
            if (!game.SetUpFrame())
                return state.SkipWithError("set-up failed (see Error.log)");
            state.PauseTiming();
            trees = game.Ctrl().GetTerrain()->GetForest()->GetTrees().size();
        }
        state.ResumeTiming();
    }
    state.counters["trees"] = static_cast<double>(trees);
    Counters(state, before);
}
BENCHMARK(BM_LevelSetUpFirstGame)->Name("LevelSetUp/FirstGame")->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LevelSetUpNewGame(benchmark::State& state)
{
    if (!PrepareFolder())
        return state.SkipWithError("data tree not generated");
    CGame game;
    if (!game.IsOk())
        return state.SkipWithError("no GL context or controller");
    game.EnterNewLevel();
    game.SetUpFrame();
    const double before = ResidentMB();
    for (auto _ : state)
    {
        state.PauseTiming();
        game.Ctrl().ResetGame();
        game.EnterNewLevel();
        state.ResumeTiming();
        if (!game.SetUpFrame())
            return state.SkipWithError("set-up failed (see Error.log)");
    }
    Counters(state, before);
}
BENCHMARK(BM_LevelSetUpNewGame)->Name("LevelSetUp/NewGame")->Unit(benchmark::kMillisecond)->Iterations(10);

// The set-up's steps one by one, as the new-level state runs them.
void BM_LevelSetUpPhases(benchmark::State& state)
{
    if (!PrepareFolder())
        return state.SkipWithError("data tree not generated");
    typedef std::chrono::steady_clock Clock;
    const char* const names[] = {"scene_ms",  "terrain_ms", "platform_ms", "statue_ms",
                                 "forest_ms", "sky_ms",     "preload_ms"};
    double totals[7] = {};
    const double before = ResidentMB();
    for (auto _ : state)
    {
        CGame game;
        if (!game.IsOk())
            return state.SkipWithError("no GL context or controller");
        CGameCtrl& ctrl = game.Ctrl();
        game.EnterNewLevel();
        int phase = 0;
        Clock::time_point t = Clock::now();
        auto lap = [&]()
        {
            const Clock::time_point now = Clock::now();
            totals[phase++] += std::chrono::duration<double, std::milli>(now - t).count();
            t = now;
        };
        CRefPtr<CSceneGraph> scene(new CSceneGraph);
        scene->Create(1000.0f, 1000.0f, -10.0f, 100.0f, 5);
        ctrl.SetScene(scene);
        lap();
        CRefPtr<CTerrain> terrain(new CTerrain(&ctrl));
        if (!terrain->Create("GAME"))
            return state.SkipWithError("terrain failed (see Error.log)");
        ctrl.SetTerrain(terrain);
        scene->AddHookNode(CRefPtr<IRenderHook>(new CBlendRenderHook));
        lap();
        ctrl.AddObject(CRefPtr<IGameObj>(new CStartObj(&ctrl, ctrl.GetStartPos())));
        lap();
        CBattleState* battle = ctrl.GetBattleState();
        CRefPtr<CStatueObj> statue(new CStatueObj(&ctrl,
                                                  MakeObjCallback(battle, &CBattleState::OnStatueDestroyed),
                                                  MakeObjCallback(battle, &CBattleState::OnStatueDamaged)));
        const CVector3 p(ctrl.GetStartPos().x - 20.0f,
                         terrain->GetHeightAt(ctrl.GetStartPos().x - 20.0f, ctrl.GetStartPos().z),
                         ctrl.GetStartPos().z);
        statue->SetPosition(p);
        statue->CheckPlacement();
        statue->SetPosition(p);
        statue->Place();
        ctrl.AddObject(CRefPtr<IGameObj>(statue.Get()));
        lap();
        terrain->CreateForest("GAME");
        lap();
        CRefPtr<CEnvironment> sky(new CEnvironment(&ctrl));
        sky->Create("Level1");
        ctrl.SetEnvironment(sky);
        lap();
        CRefPtr<CModelFactory> factory = CEngineServices::GetInstance()->GetModelFactory();
        for (const char* model : CNewLevelState::kPreloadModels)
            factory->getModel(model);
        lap();
    }
    for (int i = 0; i < 7; ++i)
        state.counters[names[i]] = totals[i] / static_cast<double>(state.iterations());
    Counters(state, before);
}
BENCHMARK(BM_LevelSetUpPhases)->Name("LevelSetUpPhases")->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
