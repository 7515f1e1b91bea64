// Files that name many of one thing, each read (and torn down, and
// triangulated as the game's loader does) at the sizes where the work used
// to grow with the square of the count: an OBJ of one textured material per
// face, scenes of many empty skins or of many character poses of one
// model, one polygon of many corners on a circle, a DXF closed outline of
// many vertices read as one polygon. Time per item should stay flat from
// one size to the next. The files are made in a temporary folder.
//
// CPU time of one run each (Release, 8-core machine shared with other
// builds), before the searches by kind and the use records were indexed,
// a dying object visited only the contents that list it and ear clipping
// looked at nearby reflex corners only, and after:
//
//   case                               before      after
//   OBJ textured materials 10,000      692 ms      420 ms
//   OBJ textured materials 50,000   10,727 ms    2,413 ms
//   empty skins 2,500                  412 ms        7 ms
//   empty skins 10,000               8,117 ms       29 ms
//   character poses 1,250            1,243 ms      842 ms
//   character poses 5,000            6,506 ms    5,772 ms  (building them)
//   teardown of 1,250 poses          1,354 ms      561 ms
//   teardown of 5,000 poses         22,436 ms    2,076 ms
//   circle polygon 10,000              127 ms        1.3 ms
//   circle polygon 100,000          13,570 ms       27 ms
//   circle polygon 1,000,000          > 60 s       284 ms
//   DXF outline 12,500 read+tri        202 ms        4.5 ms
//   DXF outline 50,000 read+tri      3,245 ms       18 ms
//
// Materials destroyed one by one among geometries that hold them, before
// and after each material knew the layer containers holding it:
//
//   250 materials, 8,000 geometries       81 ms      1.7 ms
//   1,000 materials, 32,000 geometries 1,500 ms      9.1 ms
//
// One scene's materials, before and after the scene found names by an
// index (per use list; removals leave holes squeezed out later; objects
// passed over for a name chained by it in pass order, a staging erasing
// only what it adopted), with the machine loaded by other builds:
//
//   materials connected to scene nodes 4,000     44 ms      9.4 ms
//   materials connected to scene nodes 16,000 1,146 ms       52 ms
//   listed materials destroyed 4,000             32 ms       16 ms
//   listed materials destroyed 16,000           173 ms       80 ms
//   same-named materials, nodes after, 2,000     35 ms       12 ms
//   same-named materials, nodes after, 8,000    501 ms       57 ms
//
// The manager's own objects destroyed one by one in the order they were
// made, outside any scene, before and after its lists found an object by
// its address (holes left, squeezed out later) instead of searching from
// their end and moving the later entries up:
//
//   materials destroyed in order 4,000           22 ms       14 ms
//   materials destroyed in order 16,000         167 ms       59 ms
//   nodes destroyed in order 4,000               31 ms       29 ms
//   nodes destroyed in order 16,000             169 ms      123 ms

#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTriangulator.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

std::string TempPath(const std::string& name)
{
    return "/tmp/vostrel-linear-" + std::to_string(getpid()) + "-" + name;
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// An OBJ of count triangles, each with a material of its own whose MTL
// entry names a texture.
std::string ObjTexturedMaterials(int count)
{
    const std::string library = TempPath("materials.mtl");
    std::string mtl;
    std::string obj = "mtllib " + library.substr(library.rfind('/') + 1) + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < count; ++i)
    {
        mtl += "newmtl m" + std::to_string(i) + "\nKd 1 1 1\nmap_Kd t" + std::to_string(i) + ".png\n";
        obj += "usemtl m" + std::to_string(i) + "\nf 1 2 3\n";
    }
    WriteFile(library, mtl);
    const std::string path = TempPath("materials.obj");
    WriteFile(path, obj);
    return path;
}

std::string SceneFile(const std::string& name, const std::string& objects)
{
    const std::string path = TempPath(name);
    WriteFile(path, "FileHeader: {\n Version: 6000\n}\nObjects: {\n" + objects + "}\n");
    return path;
}

std::string EmptySkins(int count)
{
    std::string objects;
    for (int i = 0; i < count; ++i)
        objects += "Deformer: \"S" + std::to_string(i) + "\", \"Skin\" {\n}\n";
    return SceneFile("skins.scn", objects);
}

std::string CharacterPoses(int count)
{
    std::string objects;
    for (int i = 0; i < count; ++i)
        objects += "CharacterPose: \"P" + std::to_string(i) + "\" {\n Model: \"Hips\"\n}\n";
    return SceneFile("poses.scn", objects);
}

// A DXF closed LWPOLYLINE of count vertices on a circle.
std::string DxfOutline(int count)
{
    std::string text =
        "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\n0\n90\n" + std::to_string(count) + "\n70\n1\n";
    char line[96];
    for (int i = 0; i < count; ++i)
    {
        const double a = 2.0 * M_PI * i / count;
        std::snprintf(line, sizeof line, "10\n%.6f\n20\n%.6f\n", std::cos(a), std::sin(a));
        text += line;
    }
    text += "0\nENDSEC\n0\nEOF\n";
    const std::string path = TempPath("outline.dxf");
    WriteFile(path, text);
    return path;
}

// Reads the file into a scene of a manager of its own; false with the
// importer's reason in the state when refused. The files name many of one
// thing on purpose: their read budget is raised so that the read measures
// the work, not the refusal.
bool Read(benchmark::State& state, KScnSdkManager& manager, KScnSceneRoot*& scene, const std::string& path,
          int format, KStreamOptionsScn* given = nullptr)
{
    scene = manager.CreateScene();
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(format);
    KStreamOptionsScn* options = nullptr;
    if (importer->Initialize(path.c_str()))
        options = given != nullptr ? given : importer->GetImportOptions(true);
    if (options != nullptr)
        options->mBudgetScale = 1000.0;
    const bool read = options != nullptr && importer->Import(scene, options);
    if (!read)
        state.SkipWithError(importer->GetStatusText());
    manager.DestroyImporter(importer);
    return read;
}

void ImportOnly(benchmark::State& state, const std::string& path, int format)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        {
            auto manager = std::make_unique<KScnSdkManager>();
            KScnSceneRoot* scene = nullptr;
            state.ResumeTiming();
            if (!Read(state, *manager, scene, path, format))
                return;
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The manager's end destroys the scene and all it made.
void TeardownOnly(benchmark::State& state, const std::string& path, int format)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        auto manager = std::make_unique<KScnSdkManager>();
        KScnSceneRoot* scene = nullptr;
        if (!Read(state, *manager, scene, path, format))
            return;
        state.ResumeTiming();
        manager.reset();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

const int kObjFormat = KScnImporter::FindFileFormat("obj");
const int kScnFormat = KScnImporter::FindFileFormat("scn");
const int kDxfFormat = KScnImporter::FindFileFormat("dxf");

void BM_ObjTexturedMaterials(benchmark::State& state)
{
    const std::string path = ObjTexturedMaterials(static_cast<int>(state.range(0)));
    ImportOnly(state, path, kObjFormat);
    std::remove(path.c_str());
    std::remove(TempPath("materials.mtl").c_str());
}
BENCHMARK(BM_ObjTexturedMaterials)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_EmptySkins(benchmark::State& state)
{
    const std::string path = EmptySkins(static_cast<int>(state.range(0)));
    ImportOnly(state, path, kScnFormat);
    std::remove(path.c_str());
}
BENCHMARK(BM_EmptySkins)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CharacterPoses(benchmark::State& state)
{
    const std::string path = CharacterPoses(static_cast<int>(state.range(0)));
    ImportOnly(state, path, kScnFormat);
    std::remove(path.c_str());
}
BENCHMARK(BM_CharacterPoses)->Arg(1250)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CharacterPosesTeardown(benchmark::State& state)
{
    const std::string path = CharacterPoses(static_cast<int>(state.range(0)));
    TeardownOnly(state, path, kScnFormat);
    std::remove(path.c_str());
}
BENCHMARK(BM_CharacterPosesTeardown)->Arg(1250)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Materials destroyed one by one while many geometries live, each geometry
// holding one of them in its first layer (a scene torn down material by
// material).
void BM_MaterialsDestroyedAmongGeometries(benchmark::State& state)
{
    const int materials = static_cast<int>(state.range(0));
    const int geometries = static_cast<int>(state.range(1));
    for (auto _ : state)
    {
        state.PauseTiming();
        auto manager = std::make_unique<KScnSdkManager>();
        std::vector<KScnMaterial*> made;
        for (int i = 0; i < materials; ++i)
            made.push_back(manager->CreateMaterial("m"));
        for (int g = 0; g < geometries; ++g)
            manager->CreateMesh()->AddMaterial(made[g % materials], 0);
        state.ResumeTiming();
        for (KScnMaterial* material : made)
            manager->DestroyMaterial(material);
        state.PauseTiming();
        manager.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MaterialsDestroyedAmongGeometries)
    ->Args({250, 8000})
    ->Args({1000, 32000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Runs work on a manager with one scene and count materials made beforehand
// (named "m<i>", or all "Stone"), with nodesEach nodes made per material
// ("n<i>", under the scene's root when rooted); the making and the
// manager's end are not timed.
template <typename Work>
void OnMadeScene(benchmark::State& state, bool oneName, int nodesEach, bool rooted, const Work& work)
{
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state)
    {
        state.PauseTiming();
        {
            KScnSdkManager manager;
            KScnNode* root = manager.CreateScene()->GetRootNode();
            std::vector<KScnNode*> nodes;
            std::vector<KScnMaterial*> materials;
            for (int i = 0; i < count; ++i)
            {
                for (int n = 0; n < nodesEach; ++n)
                {
                    nodes.push_back(manager.CreateNode(("n" + std::to_string(nodes.size())).c_str()));
                    if (rooted)
                        root->AddChild(nodes.back());
                }
                materials.push_back(
                    manager.CreateMaterial(oneName ? "Stone" : ("m" + std::to_string(i)).c_str()));
            }
            state.ResumeTiming();
            work(manager, root, nodes, materials);
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Materials of distinct names, each connected to a node of its own under
// one scene's root (the scene lists each as it is connected), then destroyed
// one by one in the order the scene lists them, the others staying listed.
// The materials are connected in the other order than made (when the
// manager searched its own list from its end, so that the destroys measured
// the scene's part).
void MaterialsOnSceneNodes(benchmark::State& state, bool destroy)
{
    OnMadeScene(state, false, 1, true,
                [&state, destroy](KScnSdkManager& manager, KScnNode*, std::vector<KScnNode*>& nodes,
                                  std::vector<KScnMaterial*>& materials)
                {
                    const int count = static_cast<int>(materials.size());
                    if (destroy)
                        state.PauseTiming();
                    for (int i = 0; i < count; ++i)
                        nodes[i]->GetPropertyHandler()->ConnectSrc(
                            materials[count - 1 - i]->GetPropertyHandler());
                    if (destroy)
                    {
                        state.ResumeTiming();
                        for (int i = count - 1; i >= 0; --i)
                            manager.DestroyMaterial(materials[i]);
                    }
                });
}

void BM_MaterialsConnectedToSceneNodes(benchmark::State& state)
{
    MaterialsOnSceneNodes(state, false);
}
BENCHMARK(BM_MaterialsConnectedToSceneNodes)
    ->Arg(4000)
    ->Arg(16000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_ListedMaterialsDestroyed(benchmark::State& state)
{
    MaterialsOnSceneNodes(state, true);
}
BENCHMARK(BM_ListedMaterialsDestroyed)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Materials of one name, each connected to a node of its own as it joins
// one scene's root (the first is listed, the others' uses passed over),
// with a node added under the root after each.
void BM_SameNamedMaterialsPassedOver(benchmark::State& state)
{
    OnMadeScene(state, true, 2, false,
                [](KScnSdkManager&, KScnNode* root, std::vector<KScnNode*>& nodes,
                   std::vector<KScnMaterial*>& materials)
                {
                    for (size_t i = 0; i < materials.size(); ++i)
                    {
                        root->AddChild(nodes[2 * i]);
                        nodes[2 * i]->GetPropertyHandler()->ConnectSrc(materials[i]->GetPropertyHandler());
                        root->AddChild(nodes[2 * i + 1]);
                    }
                });
}
BENCHMARK(BM_SameNamedMaterialsPassedOver)
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The manager's own objects destroyed one by one in the order they were
// made (a teardown that goes first to last), outside any scene: materials,
// then nodes.
template <typename T, typename Make, typename Destroy>
void DestroyedInOrder(benchmark::State& state, const Make& make, const Destroy& destroy)
{
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state)
    {
        state.PauseTiming();
        {
            KScnSdkManager manager;
            std::vector<T*> made;
            for (int i = 0; i < count; ++i)
                made.push_back(make(manager, ("o" + std::to_string(i)).c_str()));
            state.ResumeTiming();
            for (T* object : made)
                destroy(manager, object);
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MaterialsDestroyedInOrder(benchmark::State& state)
{
    DestroyedInOrder<KScnMaterial>(
        state, [](KScnSdkManager& m, const char* name) { return m.CreateMaterial(name); },
        [](KScnSdkManager& m, KScnMaterial* material) { m.DestroyMaterial(material); });
}
BENCHMARK(BM_MaterialsDestroyedInOrder)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_NodesDestroyedInOrder(benchmark::State& state)
{
    DestroyedInOrder<KScnNode>(
        state, [](KScnSdkManager& m, const char* name) { return m.CreateNode(name); },
        [](KScnSdkManager& m, KScnNode* node) { m.DestroyNode(node); });
}
BENCHMARK(BM_NodesDestroyedInOrder)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A coordinate as a file of six decimals gives it.
double Written(double value)
{
    return std::round(value * 1e6) / 1e6;
}

// One polygon of corners vertices on the unit circle, as a file gives them:
// nearly collinear neighbours, so rounding makes many corners reflex.
void BM_CirclePolygon(benchmark::State& state)
{
    const int corners = static_cast<int>(state.range(0));
    KScnSdkManager manager;
    KScnMesh* mesh = manager.CreateMesh();
    mesh->InitControlPoints(corners);
    mesh->BeginPolygon(-1, -1, -1);
    for (int i = 0; i < corners; ++i)
    {
        const double a = 2.0 * M_PI * i / corners;
        mesh->SetControlPointAt(KgeTVector(Written(std::cos(a)), Written(std::sin(a)), 0.0, 1.0), i);
        mesh->AddPolygonVertex(i, -1);
    }
    KScnTriangulator* triangulator = manager.CreateTriangulator();
    for (auto _ : state)
    {
        KScnMesh* result = triangulator->TriangulateMesh(*mesh);
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        manager.DestroyNodeAttribute(result);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * corners);
}
BENCHMARK(BM_CirclePolygon)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The game's loader: read, then triangulate the first mesh.
void BM_DxfOutlineTriangulated(benchmark::State& state)
{
    const std::string path = DxfOutline(static_cast<int>(state.range(0)));
    KStreamOptionsDxf options;
    options.mClosedOutlinesAsPolygons = true;
    for (auto _ : state)
    {
        state.PauseTiming();
        {
            KScnSdkManager manager;
            KScnSceneRoot* scene = nullptr;
            state.ResumeTiming();
            if (!Read(state, manager, scene, path, kDxfFormat, &options))
                return;
            KPointerArray<KScnNode> meshes(16);
            scene->GetContents()->FillNodesByAttributeType(meshes, 4, true);
            KScnTriangulator* triangulator = manager.CreateTriangulator();
            for (int i = 0; i < meshes.GetCount(); ++i)
                manager.DestroyNodeAttribute(
                    triangulator->TriangulateMesh(*static_cast<KScnMesh*>(meshes[i]->GetMesh())));
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DxfOutlineTriangulated)->Arg(12500)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
