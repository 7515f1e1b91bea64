// Triangulating large meshes: a grid of quads and a field of hexagons, each
// with per-polygon-vertex UVs (index to direct), per-polygon materials and
// control-point normals. Time per mesh should grow linearly with its size.

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnTriangulator.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace scenesdk;

namespace
{
// polygons polygons of corners vertices each, laid along a strip.
std::unique_ptr<KScnFree<KScnMesh>> MakeMesh(int polygons, int corners)
{
    auto mesh = std::make_unique<KScnFree<KScnMesh>>(nullptr);
    mesh->InitControlPoints(polygons * corners);
    mesh->InitNormals(0);
    mesh->InitMaterialMapping(KScnLayerElement::eByPolygon);
    mesh->InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
    KScnLayerElement* uv = mesh->GetLayer(0)->GetUVElement();
    uv->GetIndexArray().SetCount(polygons * corners);
    for (int p = 0; p < polygons; ++p)
    {
        mesh->BeginPolygon(p % 7, -1, -1);
        for (int c = 0; c < corners; ++c)
            mesh->AddPolygonVertex(p * corners + c, -1);
    }
    for (int i = 0; i < polygons * corners; ++i)
        uv->GetIndices()[i] = i;
    return mesh;
}

void BM_TriangulateQuads(benchmark::State& state)
{
    const auto mesh = MakeMesh(static_cast<int>(state.range(0)), 4);
    KScnTriangulator triangulator(nullptr);
    for (auto _ : state)
    {
        // Without a manager the result is a KScnFree mesh.
        std::unique_ptr<KScnFree<KScnMesh>> result(
            static_cast<KScnFree<KScnMesh>*>(triangulator.TriangulateMesh(*mesh)));
        benchmark::DoNotOptimize(result->GetPolygonCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TriangulateQuads)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_TriangulateHexagons(benchmark::State& state)
{
    const auto mesh = MakeMesh(static_cast<int>(state.range(0)), 6);
    KScnTriangulator triangulator(nullptr);
    for (auto _ : state)
    {
        // Without a manager the result is a KScnFree mesh.
        std::unique_ptr<KScnFree<KScnMesh>> result(
            static_cast<KScnFree<KScnMesh>*>(triangulator.TriangulateMesh(*mesh)));
        benchmark::DoNotOptimize(result->GetPolygonCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TriangulateHexagons)->Arg(100000)->Unit(benchmark::kMillisecond);
} // namespace
