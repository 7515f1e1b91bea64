// One physics step of a battle-sized scene: 200 box controllers walking over
// a 128 x 128-cell terrain mesh with its four walls, and 100 dynamic boxes.
// A step is every controller's move plus one CPhysXMgr::Update of 1/60 s.

#include "app/CPhysXBody.h"
#include "app/CPhysXMgr.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace
{

const int kCells = 128;
const float kCell = 1.0f;

float Height(float x, float z)
{
    return 3.0f * std::sin(x * 0.11f) * std::cos(z * 0.07f) + 0.02f * x;
}

CMatrix4 At(float x, float y, float z)
{
    CMatrix4 m;
    m.SetTranslation(CVector3(x, y, z));
    return m;
}

struct Scene
{
    CRefPtr<CPhysXMgr> mgr;
    std::vector<CPhysXController*> birds;
    std::vector<CVector3> headings;
    std::vector<CPhysXActor*> bodies;
    CPhysXActor* terrain = nullptr;
    int frame = 0;

    Scene()
    {
        // The cooked mesh goes through a file in the working folder.
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vostrel-bench-physics";
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        mgr = new CPhysXMgr;
        mgr->Create();
        std::vector<float> points;
        std::vector<uint32_t> indices;
        for (int z = 0; z <= kCells; ++z)
            for (int x = 0; x <= kCells; ++x)
                points.insert(points.end(), {x * kCell, Height(x * kCell, z * kCell), z * kCell});
        const uint32_t row = kCells + 1;
        for (int z = 0; z < kCells; ++z)
            for (int x = 0; x < kCells; ++x)
            {
                const uint32_t i = z * row + x;
                indices.insert(indices.end(), {i, i + row, i + 1, i + 1, i + row, i + row + 1});
            }
        CRefPtr<CPhysXTriangleMesh> mesh =
            mgr->CookTerrain(static_cast<uint32_t>(points.size() / 3), static_cast<uint32_t>(indices.size()),
                             points.data(), indices.data(), 1000.0f);
        const float size = kCells * kCell;
        mgr->BeginActor(CMatrix4(), 0, false, 1.0f);
        mgr->AddTriangleMeshShape(CMatrix4(), mesh);
        mgr->AddBoxShape(At(-0.5f, 50, size / 2), CVector3(1, 100, size));
        mgr->AddBoxShape(At(size + 0.5f, 50, size / 2), CVector3(1, 100, size));
        mgr->AddBoxShape(At(size / 2, 50, -0.5f), CVector3(size, 100, 1));
        mgr->AddBoxShape(At(size / 2, 50, size + 0.5f), CVector3(size, 100, 1));
        terrain = mgr->FinishActorCreation();

        for (int i = 0; i < 200; ++i)
        {
            const float x = 4.0f + (i % 20) * 6.0f, z = 4.0f + (i / 20) * 12.0f;
            birds.push_back(
                mgr->CreateAABoxCharacter(CVector3(x, Height(x, z) + 1.2f, z), CVector3(0.4f, 1, 0.4f), 2));
            const float a = i * 0.7f;
            headings.push_back(CVector3(std::cos(a) * 0.05f, 0, std::sin(a) * 0.05f));
        }
        for (int i = 0; i < 100; ++i)
        {
            const float x = 10.0f + (i % 10) * 11.0f, z = 10.0f + (i / 10) * 11.0f;
            mgr->BeginActor(At(x, Height(x, z) + 3.0f + (i % 3), z), 5, true, 5.0f);
            mgr->AddBoxShape(CMatrix4(), CVector3(0.5f, 0.5f, 0.5f));
            bodies.push_back(mgr->FinishActorCreation());
        }
    }
    ~Scene()
    {
        for (CPhysXController* c : birds)
            mgr->ReleaseController(c);
        for (CPhysXActor* a : bodies)
            mgr->ReleaseActor(a);
        mgr->ReleaseActor(terrain);
    }

    void Step(bool moves = true, bool update = true)
    {
        ++frame;
        if (moves)
            for (size_t i = 0; i < birds.size(); ++i)
            {
                // Turn now and then, so that birds run into walls and slopes.
                if (frame % 120 == 0)
                    headings[i] = CVector3(-headings[i].z, 0, headings[i].x);
                birds[i]->Move(headings[i] + CVector3(0, -0.1f, 0), 0xFFFFFFD9);
            }
        if (update)
            mgr->Update(1.0f / 60.0f);
    }
};

void BM_PhysicsStep(benchmark::State& state)
{
    Scene scene;
    for (int i = 0; i < 60; ++i) // let the boxes land
        scene.Step();
    for (auto _ : state)
        scene.Step();
    // Sanity of the walk: controllers on the ground, none sunk or floating.
    int grounded = 0;
    for (CPhysXController* c : scene.birds)
        grounded += c->IsOnGround() ? 1 : 0;
    state.counters["grounded"] = grounded;
    int below = 0, above = 0;
    for (CPhysXController* c : scene.birds)
    {
        const CVector3 p = c->GetPosition();
        const float h = p.y - 1.05f - Height(p.x, p.z);
        below += h < -0.3f;
        above += h > 0.3f;
    }
    state.counters["below"] = below;
    state.counters["above"] = above;
}
BENCHMARK(BM_PhysicsStep)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The two halves of a step on their own.
void BM_ControllerMoves(benchmark::State& state)
{
    Scene scene;
    for (int i = 0; i < 60; ++i)
        scene.Step();
    for (auto _ : state)
        scene.Step(true, false);
}
BENCHMARK(BM_ControllerMoves)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_SceneUpdate(benchmark::State& state)
{
    Scene scene;
    for (int i = 0; i < 60; ++i)
        scene.Step();
    for (auto _ : state)
        scene.Step(false, true);
}
BENCHMARK(BM_SceneUpdate)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
