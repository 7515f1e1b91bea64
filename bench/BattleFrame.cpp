// One frame of the build phase and one of a battle in the generated world
// at 1024x768. The build phase: the town's buildings standing, seen from the
// build camera's start (50 above and 25 behind the start position, pitched
// down), nothing flying. The battle: the world set up by the
// game's own new-level state (terrain, forest, sky, start platform, statue),
// with six houses and three towers with their AI added, 30 birds on
// bombing runs or dives (shot-down birds are replaced) and 50 arrows in
// flight (stuck ones are replaced by new shots). A frame is timed in four
// parts, reported as counters in milliseconds per frame:
//   update  - CGameCtrl::UpdateObjects (AI, flight, sticking, towers firing)
//   physics - CPhysXMgr::Update of 1/60 s
//   cull    - the scene graph's frustum walk alone (nodes and entries tested
//             as the renderer does, nothing drawn)
//   render  - BeginFrame, the scene graph's culled Render, EndFrame (the
//             same walk again, with drawing)
// Needs an X display (run under xvfb-run); the data is generated into a
// temporary folder first.

#include "app/CEngineServices.h"
#include "app/CFrameClock.h"
#include "app/CHiResTimer.h"
#include "app/CPhysXBody.h"
#include "app/CPhysXMgr.h"
#include "app/CSettings.h"
#include "bench/BattleCrowd.h"
#include "bench/BenchDataFolder.h"
#include "game/CAiBirdCtrl.h"
#include "game/CAiKamikazeCtrl.h"
#include "game/CAiTowerCtrl.h"
#include "game/CBirdObj.h"
#include "game/CBuildingObj.h"
#include "game/CGameCtrl.h"
#include "game/CNewLevelState.h"
#include "game/CProjectileObj.h"
#include "game/CTerrain.h"
#include "game/CTowerObj.h"
#include "game/GameRandom.h"
#include "platform/gl/GLTestWindow.h"
#include "render/CFrustum.h"
#include "render/COGLRenderer.h"
#include "render/CSceneGraph.h"
#include "render/CSceneGraphNode.h"
#include "tests/render/GuiTestSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace
{

const int kWidth = 1024;
const int kHeight = 768;
const float kFrame = 1.0f / 60.0f;
const size_t kBirds = 30;
const size_t kArrows = 50;

// The frustum walk of CSceneGraphNode::Render and ISceneEntry::RenderCulled
// without the drawing; returns the entries that would be drawn.
size_t Cull(const CSceneGraphNode& node, const CFrustum& frustum, bool cull)
{
    if (cull)
    {
        const int inside = frustum.TestSphere(node.GetSphere());
        if (inside > 0)
            cull = false;
        else if (inside < 0 || !frustum.TestBox(node.GetBox()))
            return 0;
    }
    size_t drawn = 0;
    for (const CRefPtr<ISceneEntry>& entry : node.GetObjects())
    {
        if (cull)
        {
            const int inside = frustum.TestSphere(entry->GetBoundingSphere());
            if (inside < 0 || (inside == 0 && !frustum.TestOrientedBox(entry->GetBoundingBox())))
                continue;
        }
        ++drawn;
    }
    if (!node.IsLeaf())
        for (int i = 0; i < 4; ++i)
            drawn += Cull(*node.GetChild(i), frustum, cull);
    return drawn;
}

// The game over engine services on a GL context, a GUI over a stand-in
// window, physics and sound: its own start-up and level set-up (terrain,
// forest, sky, start platform, statue), then the town's houses and towers.
struct World
{
    plat::GLTestWindow window{kWidth, kHeight, false};
    COGLRenderer* renderer = nullptr;
    CPhysXMgr* physx = nullptr;
    CRefPtr<guitest::FakeWindow> guiWindow{new guitest::FakeWindow(1000, 1000)};
    CRefPtr<guitest::FakeInput> input{new guitest::FakeInput};
    CRefPtr<CFrameClock> clock{new CFrameClock(CRefPtr<CHiResTimer>(new CHiResTimer))};
    CRefPtr<CGameTimer> guiTimer{new CGameTimer(clock.Get())};
    CGameCtrl ctrl;
    CRefPtr<CCamera> camera;
    CRefPtr<CSceneGraph> graph;
    CVector3 town;
    bool ok = false;

    World()
    {
        if (!benchdata::EnterDataFolder("vostrel-bench-battle"))
            return;
        if (!CSettings::CreateInstance()->Load("settings.ini"))
            return;

        CEngineServices::CreateInstance();
        CEngineServices* services = CEngineServices::GetInstance();
        renderer = static_cast<COGLRenderer*>(services->GetRenderer().Get());
        if (!window.GetDC() || !renderer->CreateOnDC(window.GetDC(), 32))
            return;
        renderer->OnSize(kWidth, kHeight);
        services->GetInputMgr() = input.Get();
        services->GetSoundMgr()->Create();
        physx = services->GetPhysXMgr().Get();
        if (!physx->Create())
            return;
        services->GetGuiMgr()->Create(guiWindow, input, guiTimer, 1000, 1000);
        if (!ctrl.Create(clock))
            return;
        // The level's two frames: loading screen, then the set-up.
        ctrl.ChangeState(ctrl.GetNewLevelState());
        if (!ctrl.GetNewLevelState()->Update() || !ctrl.GetNewLevelState()->Update() || !ctrl.GetTerrain())
            return;
        camera = ctrl.GetCamera();
        graph = ctrl.GetScene();

        town = ctrl.GetStartPos();
        const char* houses[] = {"haus1", "haus2", "kirche", "klo", "marktstand", "haus1"};
        for (int i = 0; i < 6; ++i)
            Place(new CBuildingObj(&ctrl, std::string("Data/Models/buildings/") + houses[i] + ".scn", 200,
                                   100, 3),
                  CVector3(-30.0f + 15.0f * (i % 3), 0, 25.0f + 15.0f * (i / 3)));
        for (int i = 0; i < 3; ++i)
        {
            CTowerObj* tower = new CTowerObj(&ctrl);
            tower->SetController(CRefPtr<IObjCtrl>(new CAiTowerCtrl(&ctrl)));
            Place(tower, CVector3(-25.0f + 25.0f * i, 0, -20));
        }
        // An archer's eye in front of the town, looking at it.
        const CVector3 eye = town + CVector3(0, 0, -45);
        camera->SetPosition(CVector3(eye.x, ctrl.GetTerrain()->GetHeightAt(eye.x, eye.z) + 2.2f, eye.z));
        camera->SetRotation(CVector3(-0.15f, 3.1415927f, 0));
        ctrl.UpdateObjects(0.0f);
        ok = true;
    }
    ~World()
    {
        ctrl.Destroy();
        CEngineServices::DestroyInstance();
        CSettings::DestroyInstance();
    }

    void Place(CBuildingObj* building, const CVector3& offset)
    {
        const CVector3 at = town + offset;
        building->SetPosition(CVector3(at.x, ctrl.GetTerrain()->GetHeightAt(at.x, at.z), at.z));
        building->ForcePlace();
        ctrl.AddObject(CRefPtr<IGameObj>(building));
    }

    // Birds and arrows topped up to their numbers; the birds added.
    size_t Replenish() { return benchbattle::TopUp(ctrl, town, kBirds, kArrows); }
};

double Since(std::chrono::steady_clock::time_point& t)
{
    const auto now = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - t).count();
    t = now;
    return ms;
}

// One frame timed in parts: the objects' update, physics (when on), the
// frustum walk alone and the drawing, each part's milliseconds added to its
// total, with the entries the walk would draw.
struct SFrameTimes
{
    double update = 0, physics = 0, cull = 0, render = 0;
    size_t drawn = 0;

    void Frame(World& world, bool withPhysics)
    {
        auto t = std::chrono::steady_clock::now();
        world.ctrl.UpdateObjects(kFrame);
        update += Since(t);
        if (withPhysics)
        {
            world.physx->Update(kFrame);
            physics += Since(t);
        }
        world.camera->Apply();
        drawn += Cull(*world.graph->GetRoot(), world.camera->GetFrustum(), true);
        cull += Since(t);
        world.renderer->BeginFrame();
        world.graph->Render(true);
        world.renderer->EndFrame();
        render += Since(t);
    }
    void Report(benchmark::State& state, bool withPhysics) const
    {
        const double n = static_cast<double>(state.iterations());
        state.counters["update_ms"] = update / n;
        if (withPhysics)
            state.counters["physics_ms"] = physics / n;
        state.counters["cull_ms"] = cull / n;
        state.counters["render_ms"] = render / n;
        state.counters["entries_drawn"] = static_cast<double>(drawn) / n;
    }
};

void BM_BattleFrame(benchmark::State& state)
{
    std::ostringstream silence;
    World world;
    if (!world.ok)
    {
        state.SkipWithError("the world could not be built (an X display and the data generator are needed)");
        return;
    }
    gamerandom::Seed(7);
    // A few seconds of battle first, so that birds are on their runs and
    // towers have targets.
    for (int i = 0; i < 120; ++i)
    {
        world.Replenish();
        world.ctrl.UpdateObjects(kFrame);
        world.physx->Update(kFrame);
    }
    SFrameTimes times;
    size_t downed = 0;
    for (auto _ : state)
    {
        downed += world.Replenish();
        times.Frame(world, true);
    }
    times.Report(state, true);
    // Birds that left the flying phase (shot by towers, crashed) and were
    // replaced during the timed frames.
    state.counters["birds_downed"] = static_cast<double>(downed);
    state.counters["objects"] = static_cast<double>(world.ctrl.GetObjects().size());
}

} // namespace

void BM_BuildFrame(benchmark::State& state)
{
    World world;
    if (!world.ok)
    {
        state.SkipWithError("the world could not be built (an X display and the data generator are needed)");
        return;
    }
    // The build state's camera where its controller starts it.
    const CVector3 start = world.ctrl.GetStartPos();
    world.camera->SetPosition(CVector3(start.x, start.y + 50.0f, start.z + 25.0f));
    world.camera->SetRotation(CVector3(1.1780972f, 0.0f, 0.0f));
    SFrameTimes times;
    for (auto _ : state)
        times.Frame(world, false);
    times.Report(state, false);
    state.counters["objects"] = static_cast<double>(world.ctrl.GetObjects().size());
}

BENCHMARK(BM_BuildFrame)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_BattleFrame)->Unit(benchmark::kMillisecond)->Iterations(300);
