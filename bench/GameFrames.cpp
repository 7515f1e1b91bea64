// The real application object over the generated data tree and the shipped
// settings (a 1024 x 768 window; run it under Xvfb), timed frame by frame
// through the game's own states, one after the other in one process:
//
// - Startup:    CVostrelApp::Create and its first frame (the main menu drawn
//               and swapped): start to first menu frame, without the
//               process's own loading.
// - Menu:       main-menu frames.
// - LevelSetUp: "New game" up to the level being ready (loading screen,
//               set-up frame), the models loaded from disk.
// - BuildPhase: frames of the build state after "Continue".
// - Battle:     frames of the battle state with 30 birds (a third of them
//               kamikazes), 3 towers firing and 50 arrows in flight, topped
//               up every frame.
// - Shutdown:   the application torn down.
//
// Every frame benchmark also times empty frames (the renderer's clear and
// swap, nothing else) in the same run, just before its own frames, so its
// figures can be read as multiples of what the machine needs for nothing.
// Counters (milliseconds): median_ms, p99_ms, empty_median_ms, empty_p99_ms,
// ratio (median over empty median). Swap pacing is off: frames are not
// held to the display's rate. scripts/bench prints them as one table.

#include "app/CEngineServices.h"
#include "app/CVostrelApp.h"
#include "bench/BattleCrowd.h"
#include "bench/BenchDataFolder.h"
#include "game/CAiBirdCtrl.h"
#include "game/CAiKamikazeCtrl.h"
#include "game/CAiTowerCtrl.h"
#include "game/CBattleState.h"
#include "game/CBirdObj.h"
#include "game/CBuildState.h"
#include "game/CMainMenuState.h"
#include "game/CNewLevelState.h"
#include "game/CProjectileObj.h"
#include "game/CTowerObj.h"
#include "game/GameRandom.h"
#include "platform/gl/WGL.h"
#include "platform/win32/W32Events.h"
#include "platform/win32/W32Window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

const int kFrames = 300;
const size_t kBirds = 30;
const size_t kArrows = 50;
const size_t kTowers = 3;

double Ms(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

// The application's run loop, one turn at a time: the queued window
// messages, then one frame.
class BenchApp : public CVostrelApp
{
public:
    void SetInstance() { m_hInstance = plat::GetModuleHandleA(nullptr); }
    bool Turn()
    {
        plat::MSG msg;
        while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE))
        {
            plat::TranslateMessage(&msg);
            plat::DispatchMessageA(&msg);
        }
        return Frame();
    }
};

struct Game
{
    std::unique_ptr<BenchApp> app;
    bool ok = false;
    double startupMs = 0.0;

    Game()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 0);
        if (!benchdata::EnterDataFolder("vostrel-bench-frames"))
            return;
        const auto start = std::chrono::steady_clock::now();
        app.reset(new BenchApp);
        app->SetInstance();
        if (!app->Create())
            return;
        plat::wglSwapIntervalEXT(0);
        if (!app->Turn())
            return;
        startupMs = Ms(start);
        ok = true;
    }

    CGameCtrl& Ctrl() { return app->GetGameCtrl(); }

    // Clear and swap only.
    double EmptyFrame()
    {
        const auto t = std::chrono::steady_clock::now();
        CRefPtr<IRenderer> renderer = CEngineServices::GetInstance()->GetRenderer();
        renderer->BeginFrame();
        renderer->EndFrame();
        return Ms(t);
    }
};

Game& TheGame()
{
    static Game game;
    return game;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

// kFrames empty frames, then kFrames frames of the game with `before` run
// ahead of each (untimed); the counters of the benchmark.
template <class Before> void TimeFrames(benchmark::State& state, Game& game, Before before, IGameState* expected)
{
    std::vector<double> empty, frames;
    for (auto _ : state)
    {
        for (int i = 0; i < kFrames; ++i)
            empty.push_back(game.EmptyFrame());
        for (int i = 0; i < kFrames; ++i)
        {
            before();
            const auto t = std::chrono::steady_clock::now();
            if (!game.app->Turn())
            {
                state.SkipWithError("the game ended");
                return;
            }
            frames.push_back(Ms(t));
        }
    }
    if (expected && game.Ctrl().GetCurrentState() != expected)
        state.SkipWithError("the game left the state it was timed in");
    const double median = Percentile(frames, 0.5);
    const double emptyMedian = Percentile(empty, 0.5);
    state.counters["median_ms"] = median;
    state.counters["p99_ms"] = Percentile(frames, 0.99);
    state.counters["empty_median_ms"] = emptyMedian;
    state.counters["empty_p99_ms"] = Percentile(empty, 0.99);
    state.counters["ratio"] = emptyMedian > 0 ? median / emptyMedian : 0.0;
}

bool Usable(benchmark::State& state, Game& game)
{
    if (game.ok)
        return true;
    state.SkipWithError("the game did not start (an X display and the data generator are needed)");
    return false;
}

void BM_Startup(benchmark::State& state)
{
    Game& game = TheGame();
    for (auto _ : state)
    {
    }
    if (!Usable(state, game))
        return;
    state.counters["first_menu_frame_ms"] = game.startupMs;
}

void BM_Menu(benchmark::State& state)
{
    Game& game = TheGame();
    if (!Usable(state, game))
        return;
    TimeFrames(
        state, game, [] {}, game.Ctrl().GetMainMenuState());
}

void BM_LevelSetUp(benchmark::State& state)
{
    Game& game = TheGame();
    if (!Usable(state, game))
        return;
    CNewLevelState* level = game.Ctrl().GetNewLevelState();
    double total = 0.0, longest = 0.0;
    int frames = 0;
    for (auto _ : state)
    {
        game.Ctrl().GetMainMenuState()->OnNewGame(0);
        const auto start = std::chrono::steady_clock::now();
        while (!level->IsLevelReady() && frames < 100)
        {
            const auto t = std::chrono::steady_clock::now();
            if (!game.app->Turn())
                break;
            longest = std::max(longest, Ms(t));
            ++frames;
        }
        total = Ms(start);
    }
    if (!level->IsLevelReady())
    {
        state.SkipWithError("the level was not set up");
        return;
    }
    state.counters["set_up_ms"] = total;
    state.counters["longest_frame_ms"] = longest;
    state.counters["frames"] = frames;
}

void BM_BuildPhase(benchmark::State& state)
{
    Game& game = TheGame();
    if (!Usable(state, game) || !game.Ctrl().GetNewLevelState()->IsLevelReady())
    {
        state.SkipWithError("no level to build in");
        return;
    }
    game.Ctrl().GetNewLevelState()->OnContinue(0);
    TimeFrames(
        state, game, [] {}, game.Ctrl().GetBuildState());
}

// The busy battle: birds, towers and arrows topped up before every frame.
class Crowd
{
public:
    explicit Crowd(CGameCtrl& ctrl) : m_Ctrl(ctrl), m_Town(ctrl.GetStartPos()) {}

    void Towers()
    {
        for (size_t i = 0; i < kTowers; ++i)
        {
            CTowerObj* tower = new CTowerObj(&m_Ctrl);
            tower->SetController(CRefPtr<IObjCtrl>(new CAiTowerCtrl(&m_Ctrl)));
            const CVector3 at = m_Town + CVector3(-25.0f + 25.0f * static_cast<float>(i), 0, -20);
            tower->SetPosition(CVector3(at.x, m_Ctrl.GetTerrain()->GetHeightAt(at.x, at.z), at.z));
            tower->ForcePlace();
            m_Ctrl.AddObject(CRefPtr<IGameObj>(tower));
        }
    }

    void TopUp() { benchbattle::TopUp(m_Ctrl, m_Town, kBirds, kArrows); }

private:

    CGameCtrl& m_Ctrl;
    CVector3 m_Town;
};

void BM_Battle(benchmark::State& state)
{
    Game& game = TheGame();
    if (!Usable(state, game) || game.Ctrl().GetCurrentState() != game.Ctrl().GetBuildState())
    {
        state.SkipWithError("no build phase to go to battle from");
        return;
    }
    gamerandom::Seed(7);
    game.Ctrl().GetBuildState()->OnToBattle(0);
    Crowd crowd(game.Ctrl());
    crowd.Towers();
    // A second of battle first, so that birds are on their runs and the
    // towers have targets.
    for (int i = 0; i < 60; ++i)
    {
        crowd.TopUp();
        game.app->Turn();
    }
    TimeFrames(
        state, game, [&crowd] { crowd.TopUp(); }, game.Ctrl().GetBattleState());
}

// The teardown runs inside the program, not among its exit handlers.
void BM_Shutdown(benchmark::State& state)
{
    Game& game = TheGame();
    for (auto _ : state)
    {
    }
    const auto start = std::chrono::steady_clock::now();
    game.app.reset();
    state.counters["shutdown_ms"] = Ms(start);
}

} // namespace

// In this order, on one game: each step starts where the one before ended.
BENCHMARK(BM_Startup)->Name("Startup")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Menu)->Name("Menu")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LevelSetUp)->Name("LevelSetUp")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildPhase)->Name("BuildPhase")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Battle)->Name("Battle")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shutdown)->Name("Shutdown")->Iterations(1)->Unit(benchmark::kMillisecond);
