// What one node costs in memory, read through the importer as a program
// reads a file: a null model of a scene file, an OBJ group with its
// one-triangle mesh, and one take on one node (the take's record in the
// node). Each figure is the growth of the heap in use (mallinfo2, so the
// allocator's own overhead counts) between a small and a large file of the
// same shape, divided by the objects added; "allocs/object" counts the calls
// to operator new the same way, and "peak/object" the growth of the peak
// resident size during the read (what a reader's passing buffers add).
//
// Aims (Release): an OBJ group with its mesh at most 14 KB, a take on a
// node at most 250 bytes (once 28 KB and 304 bytes); a null model at most
// 10.5 KB (once 11.9 KB), and read and used (its default take's translation
// read, one user property asked for) at most 14 KB, about half what it was.
// Most of a null model is its property set (some 70 declared properties of
// 72 to 96 bytes each, about 6.7 KB).

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/Chunks3DS.h"
#include "tools/scnwriter/CScnWriter.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace
{
std::atomic<long long> gAllocations{0};
}

// Counts every allocation of the program; the heap figures come from malloc.
// Kept out of line: the compiler would otherwise pair an inlined free with
// the new it cannot see through.
__attribute__((noinline)) void* operator new(std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
__attribute__((noinline)) void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    operator delete(p);
}

using namespace scenesdk;

namespace
{

// The files go when the program ends.
struct STempFiles
{
    std::vector<std::string> paths;
    ~STempFiles()
    {
        for (const std::string& path : paths)
            std::remove(path.c_str());
    }
    std::string Make(const std::string& name)
    {
        paths.push_back("/tmp/vostrel-nodemem-" + std::to_string(getpid()) + "-" + name);
        return paths.back();
    }
};
STempFiles gFiles;

// A scene file (binary or text) of `models` null models and `takes` empty takes.
std::string SceneFile(int models, int takes, CScnWriter::EForm form = CScnWriter::eBinary)
{
    CScnWriter w(form);
    w.WriteHeader("node memory benchmark");
    w.BeginField("Objects");
    w.BeginBlock();
    for (int i = 0; i < models; ++i)
    {
        w.BeginField("Model");
        w.AddString("N" + std::to_string(i));
        w.AddWord("Null");
        w.EndField();
    }
    w.EndBlock();
    w.EndField();
    if (takes > 0)
    {
        w.BeginField("Takes");
        w.BeginBlock();
        for (int i = 0; i < takes; ++i)
        {
            w.BeginField("Take");
            w.AddString("Take" + std::to_string(i));
            w.EndField();
        }
        w.EndBlock();
        w.EndField();
    }
    const std::string path = gFiles.Make((form == CScnWriter::eBinary ? "b" : "a") + std::to_string(models) +
                                         "t" + std::to_string(takes) + ".scn");
    if (!w.SaveFile(path))
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), w.Error().c_str());
    return path;
}

// An OBJ file of `groups` groups, each one triangle over the same three points.
std::string ObjFile(int groups)
{
    const std::string path = gFiles.Make("g" + std::to_string(groups) + ".obj");
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "v 0 0 0\nv 1 0 0\nv 0 1 0\n");
    for (int i = 0; i < groups; ++i)
        std::fprintf(f, "g G%d\nf 1 2 3\n", i);
    std::fclose(f);
    return path;
}

// A text file written as is.
std::string TextFile(const std::string& name, const std::string& text)
{
    const std::string path = gFiles.Make(name);
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
}

// A scene text file whose Objects block holds the fields given, then the
// takes given.
std::string SceneText(const std::string& name, const std::string& objects, int takes = 0)
{
    std::string text = "; scene\nFileHeader: {\n Version: 6000\n}\nObjects: {\n" + objects + "}\n";
    if (takes > 0)
    {
        text += "Takes: {\n";
        for (int i = 0; i < takes; ++i)
            text += " Take: \"Take" + std::to_string(i) + "\"\n";
        text += "}\n";
    }
    return TextFile(name + ".scn", text);
}

std::string Repeat(int count, const std::function<std::string(int)>& field)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += field(i);
    return text;
}

std::string Characters(int count)
{
    return SceneText("chars" + std::to_string(count),
                     Repeat(count, [](int i) { return " Character: \"C" + std::to_string(i) + "\"\n"; }));
}

std::string CharacterPoses(int count)
{
    return SceneText(
        "poses" + std::to_string(count),
        Repeat(count, [](int i)
               { return " CharacterPose: \"P" + std::to_string(i) + "\" {\n  Model: \"M\"\n }\n"; }));
}

std::string EmptySkins(int count)
{
    return SceneText(
        "skins" + std::to_string(count),
        Repeat(count, [](int i) { return " Deformer: \"S" + std::to_string(i) + "\", \"Skin\"\n"; }));
}

// meshes meshes deformed by one skin of clusters clusters (meshes x clusters
// links), each cluster moving one bone.
std::string SkinLinks(int meshes, int clusters)
{
    std::string objects = " Model: \"Bone\", \"Null\"\n";
    objects += Repeat(
        meshes,
        [](int i)
        {
            return " Model: \"M" + std::to_string(i) +
                   "\", \"Mesh\" {\n  Deformers: \"Skin\"\n  Mesh: {\n   ControlPoints: 0,0,0, 1,0,0, 0,1,0\n"
                   "   PolygonSizes: 3\n   PolygonVertices: 0,1,2\n  }\n }\n";
        });
    std::string list;
    for (int j = 0; j < clusters; ++j)
        list += (j == 0 ? "\"C" : ", \"C") + std::to_string(j) + "\"";
    objects += " Deformer: \"Skin\", \"Skin\" {\n  Clusters: " + list + "\n }\n";
    objects += Repeat(
        clusters, [](int j)
        { return " SubDeformer: \"C" + std::to_string(j) + "\", \"Cluster\" {\n  Model: \"Bone\"\n }\n"; });
    return SceneText("links" + std::to_string(meshes) + "x" + std::to_string(clusters), objects);
}

// One null model with properties user properties, and takes takes.
std::string UserProperties(int properties, int takes)
{
    std::string objects = " Model: \"N\", \"Null\" {\n";
    objects += Repeat(properties, [](int i)
                      { return "  UserProperty: \"u" + std::to_string(i) + "\", \"Real\", \"\", 0.5\n"; });
    return SceneText("user" + std::to_string(properties) + "t" + std::to_string(takes), objects + " }\n",
                     takes);
}

// An OBJ of one face and a library of materials (each with a texture when
// textured), in a file of their own.
std::string ObjMaterials(int materials, bool textured)
{
    const std::string stem = std::string(textured ? "tex" : "mat") + std::to_string(materials);
    const std::string library =
        TextFile(stem + ".mtl", Repeat(materials,
                                       [textured](int i)
                                       {
                                           return "newmtl m" + std::to_string(i) + "\nKd 1 0 0\n" +
                                                  (textured ? "map_Kd t" + std::to_string(i) + ".tga\n" : "");
                                       }));
    const std::string name = library.substr(library.rfind('/') + 1);
    return TextFile(stem + ".obj", "mtllib " + name + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m0\nf 1 2 3\n");
}

// count models of an attribute kind ("Camera", "Light").
std::string Models(const char* kind, int count)
{
    return SceneText(std::string(kind) + std::to_string(count),
                     Repeat(count, [kind](int i)
                            { return " Model: \"M" + std::to_string(i) + "\", \"" + kind + "\"\n"; }));
}

// One mesh of one triangle with shapes shapes, and takes takes each writing
// the mesh (a take entry that copies its tree, the shapes' channels with it).
std::string MeshShapes(int shapes, int takes)
{
    std::string text =
        "; scene\nFileHeader: {\n Version: 6000\n}\nObjects: {\n Model: \"Face\", \"Mesh\" {\n  Mesh: {\n"
        "   ControlPoints: 0,0,0, 1,0,0, 0,1,0\n   PolygonSizes: 3\n   PolygonVertices: 0,1,2\n  }\n";
    text += Repeat(shapes,
                   [](int i) {
                       return "  Shape: \"S" + std::to_string(i) +
                              "\" {\n   ControlPoints: 0,0,1, 1,0,1, 0,1,1\n  }\n";
                   });
    text += " }\n}\nTakes: {\n" + Repeat(takes,
                                         [](int t) {
                                             return " Take: \"W" + std::to_string(t) +
                                                    "\" {\n  Model: \"Face\" {\n   Channel: \"T\"\n  }\n }\n";
                                         });
    return TextFile("shapes" + std::to_string(shapes) + "t" + std::to_string(takes) + ".scn", text + "}\n");
}

// models null models and takes takes; when written, each take names every
// model with one empty channel "T" (a take entry the file writes).
std::string WrittenTakes(int models, int takes, bool written)
{
    std::string text = "; scene\nFileHeader: {\n Version: 6000\n}\nObjects: {\n" +
                       Repeat(models, [](int i) { return " Model: \"N" + std::to_string(i) + "\", \"Null\"\n"; }) +
                       "}\nTakes: {\n";
    for (int t = 0; t < takes; ++t)
    {
        text += " Take: \"Take" + std::to_string(t) + "\" {\n";
        if (written)
            text += Repeat(models,
                           [](int i) { return "  Model: \"N" + std::to_string(i) + "\" {\n   Channel: \"T\"\n  }\n"; });
        text += " }\n";
    }
    return TextFile("written" + std::to_string(models) + (written ? "w" : "e") + ".scn", text + "}\n");
}

// A 3DS of count materials (each with a texture map when textured) and one
// mesh.
std::string TdsMaterials(int count, bool textured)
{
    using namespace testsupport;
    std::string editor = Repeat(count,
                                [textured](int i)
                                {
                                    const std::string map =
                                        textured ? Chunk(0xA200, Chunk(0xA300, Cstr("t" + std::to_string(i) + ".tga")))
                                                 : std::string();
                                    return Chunk(0xAFFF, Chunk(0xA000, Cstr("m" + std::to_string(i))) + map);
                                });
    editor += Chunk(0x4000, Cstr("O") + Chunk(0x4100, VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                                                          FaceList({0, 1, 2}, MaterialGroup("m0", {0}))));
    const std::string bytes = File3DS(editor);
    return TextFile("tds" + std::to_string(count) + (textured ? "t" : "m") + ".3ds", bytes);
}

// A channel motion (MOV) of two rows, columns wide.
std::string MovColumns(int columns)
{
    std::string row;
    for (int c = 0; c < columns; ++c)
        row += (c == 0 ? "" : " ") + std::string("0.5");
    return TextFile("mov" + std::to_string(columns) + ".mov", row + "\n" + row + "\n");
}

struct SHeld
{
    double metered = 0.0; // what the read's meter charged (KScnReadMeter)
    double bytes = 0.0;
    double allocations = 0.0;
    double peak = 0.0;
};

// A "Vm...:" line of /proc/self/status, in bytes.
double StatusBytes(const char* key)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return 0.0;
    char line[256];
    double kb = 0.0;
    const size_t length = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, key, length) == 0)
            kb = std::atof(line + length);
    std::fclose(f);
    return kb * 1024.0;
}

// Starts a new peak of the resident size (the kernel's "5" of clear_refs).
void ResetPeak()
{
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w"))
    {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// What a program does with the scene once read (nothing by default).
using Use = std::function<void(KScnSceneRoot*)>;

// The heap in use and the allocations made by importing the file into a new
// manager and using the scene, measured with the scene still held; then all
// is destroyed.
SHeld Held(benchmark::State& state, const std::string& path, int format, const Use& use = nullptr)
{
    malloc_trim(0);
    ResetPeak();
    const double residentBefore = StatusBytes("VmRSS:");
    const size_t before = mallinfo2().uordblks;
    const long long allocationsBefore = gAllocations.load();
    SHeld held;
    {
        auto manager = std::make_unique<KScnSdkManager>();
        KScnSceneRoot* scene = manager->CreateScene();
        {
            KScnFree<KScnImporter> importer(manager.get());
            importer.SetFileFormat(format);
            // The files hold many small objects on purpose: their budget is
            // raised so that the read measures what the nodes cost.
            KStreamOptionsScn* options =
                importer.Initialize(path.c_str()) ? importer.GetImportOptions(true) : nullptr;
            if (options != nullptr)
            {
                options->mBudgetScale = 100.0;
            }
            if (options == nullptr || !importer.Import(scene, options))
            {
                state.SkipWithError(importer.GetStatusText());
                return held;
            }
        }
        if (use)
        {
            use(scene);
        }
        held.bytes = static_cast<double>(mallinfo2().uordblks) - static_cast<double>(before);
        held.metered = static_cast<double>(KScnReadMeter::Last().mUsed);
        held.allocations = static_cast<double>(gAllocations.load() - allocationsBefore);
    }
    held.peak = StatusBytes("VmHWM:") - residentBefore;
    return held;
}

// Growth from the small file to the large one per object added.
void Measure(benchmark::State& state, const std::string& small, const std::string& large, double added,
             int format = 0, const Use& use = nullptr)
{
    SHeld a, b;
    for (auto _ : state)
    {
        a = Held(state, small, format, use);
        b = Held(state, large, format, use);
    }
    state.counters["bytes/object"] = (b.bytes - a.bytes) / added;
    state.counters["metered/object"] = (b.metered - a.metered) / added;
    state.counters["allocs/object"] = (b.allocations - a.allocations) / added;
    state.counters["peak/object"] = (b.peak - a.peak) / added;
}

constexpr int kSmall = 2000;
constexpr int kLarge = 22000;

void BM_NullModel(benchmark::State& state)
{
    static const std::string small = SceneFile(kSmall, 0), large = SceneFile(kLarge, 0);
    Measure(state, small, large, kLarge - kSmall);
}
BENCHMARK(BM_NullModel)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_NullModelText(benchmark::State& state)
{
    static const std::string small = SceneFile(kSmall, 0, CScnWriter::eText),
                             large = SceneFile(kLarge, 0, CScnWriter::eText);
    Measure(state, small, large, kLarge - kSmall);
}
BENCHMARK(BM_NullModelText)->Iterations(1)->Unit(benchmark::kMillisecond);

// A null model read, then used as a program shows a node: its default
// take's translation read (through the const entry) and one of its user
// properties asked for by index (once 10 KB read and 15.3 KB more used: the
// whole default tree and all 69 handles made).
void BM_NullModelUsed(benchmark::State& state)
{
    static const std::string small = SceneFile(kSmall, 0), large = SceneFile(kLarge, 0);
    Measure(state, small, large, kLarge - kSmall, 0,
            [](KScnSceneRoot* scene)
            {
                KScnSceneContents* contents = scene->GetContents();
                double sum = 0.0;
                for (int i = 0; i < contents->GetNodeCount(); ++i)
                {
                    KScnNode* node = contents->GetNode(i);
                    const KFCurve* x =
                        static_cast<const KScnNode&>(*node).GetDefaultTakeNode()->GetTranslationXCurve();
                    KScnPropertyRef* shown = node->GetUserProperty(i % node->GetUserPropertyCount());
                    sum += (x != nullptr ? x->Evaluate(KTime(0)) : 0.0) + (shown != nullptr ? 1.0 : 0.0);
                }
                benchmark::DoNotOptimize(sum);
            });
}
BENCHMARK(BM_NullModelUsed)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ObjGroupWithTriangle(benchmark::State& state)
{
    static const std::string small = ObjFile(kSmall), large = ObjFile(kLarge);
    Measure(state, small, large, kLarge - kSmall, KScnImporter::FindFileFormat("obj"));
}
BENCHMARK(BM_ObjGroupWithTriangle)->Iterations(1)->Unit(benchmark::kMillisecond);

// 200 models, without takes and with 100: 20,000 takes on a node.
void BM_TakeOnNode(benchmark::State& state)
{
    static const std::string small = SceneFile(200, 0), large = SceneFile(200, 100);
    Measure(state, small, large, 200.0 * 100.0);
}
BENCHMARK(BM_TakeOnNode)->Iterations(1)->Unit(benchmark::kMillisecond);

// What the read cost budget weighs, each per object added (see
// KScnReadCost): characters, character poses with their private scenes,
// empty skins, links (meshes x clusters of one skin), materials and
// textured materials of an OBJ library, user properties, a user property
// on a take, a column of a channel motion.
void BM_EmptyCharacter(benchmark::State& state)
{
    static const std::string small = Characters(100), large = Characters(1100);
    Measure(state, small, large, 1000);
}
BENCHMARK(BM_EmptyCharacter)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CharacterPose(benchmark::State& state)
{
    static const std::string small = CharacterPoses(100), large = CharacterPoses(600);
    Measure(state, small, large, 500);
}
BENCHMARK(BM_CharacterPose)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EmptySkin(benchmark::State& state)
{
    static const std::string small = EmptySkins(1000), large = EmptySkins(11000);
    Measure(state, small, large, 10000);
}
BENCHMARK(BM_EmptySkin)->Iterations(1)->Unit(benchmark::kMillisecond);

// 100 clusters over 10 and 110 meshes: 10,000 links (and 100 meshes) added.
void BM_SkinLink(benchmark::State& state)
{
    static const std::string small = SkinLinks(10, 100), large = SkinLinks(110, 100);
    Measure(state, small, large, 10000);
}
BENCHMARK(BM_SkinLink)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ObjMaterial(benchmark::State& state)
{
    static const std::string small = ObjMaterials(1000, false), large = ObjMaterials(11000, false);
    Measure(state, small, large, 10000, KScnImporter::FindFileFormat("obj"));
}
BENCHMARK(BM_ObjMaterial)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ObjTexturedMaterial(benchmark::State& state)
{
    static const std::string small = ObjMaterials(1000, true), large = ObjMaterials(11000, true);
    Measure(state, small, large, 10000, KScnImporter::FindFileFormat("obj"));
}
BENCHMARK(BM_ObjTexturedMaterial)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_UserProperty(benchmark::State& state)
{
    static const std::string small = UserProperties(1000, 0), large = UserProperties(11000, 0);
    Measure(state, small, large, 10000);
}
BENCHMARK(BM_UserProperty)->Iterations(1)->Unit(benchmark::kMillisecond);

// 2,000 user properties, without takes and with 50: 100,000 property takes.
void BM_UserPropertyTake(benchmark::State& state)
{
    static const std::string small = UserProperties(2000, 0), large = UserProperties(2000, 50);
    Measure(state, small, large, 100000);
}
BENCHMARK(BM_UserPropertyTake)->Iterations(1)->Unit(benchmark::kMillisecond);

// What the meter weighs besides: a camera and a light (each with its
// property set and its channels), a shape's channel in a take entry the
// file writes (a mesh of no shapes and of 20, each in 1,000 takes writing
// it), a take entry the file writes (2,000 nulls, 10
// takes empty or naming every null with a channel), a material of a 3DS
// file.
void BM_Camera(benchmark::State& state)
{
    static const std::string small = Models("Camera", 200), large = Models("Camera", 2200);
    Measure(state, small, large, 2000);
}
BENCHMARK(BM_Camera)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Light(benchmark::State& state)
{
    static const std::string small = Models("Light", 200), large = Models("Light", 2200);
    Measure(state, small, large, 2000);
}
BENCHMARK(BM_Light)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ShapeChannelInTake(benchmark::State& state)
{
    static const std::string small = MeshShapes(0, 1000), large = MeshShapes(20, 1000);
    Measure(state, small, large, 20.0 * 1000.0);
}
BENCHMARK(BM_ShapeChannelInTake)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_WrittenTakeEntry(benchmark::State& state)
{
    static const std::string small = WrittenTakes(2000, 10, false), large = WrittenTakes(2000, 10, true);
    Measure(state, small, large, 2000.0 * 10.0);
}
BENCHMARK(BM_WrittenTakeEntry)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TdsMaterial(benchmark::State& state)
{
    static const std::string small = TdsMaterials(1000, false), large = TdsMaterials(11000, false);
    Measure(state, small, large, 10000, KScnImporter::FindFileFormat("3ds"));
}
BENCHMARK(BM_TdsMaterial)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TdsTexturedMaterial(benchmark::State& state)
{
    static const std::string small = TdsMaterials(1000, true), large = TdsMaterials(11000, true);
    Measure(state, small, large, 10000, KScnImporter::FindFileFormat("3ds"));
}
BENCHMARK(BM_TdsTexturedMaterial)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MovColumn(benchmark::State& state)
{
    static const std::string small = MovColumns(1000), large = MovColumns(11000);
    Measure(state, small, large, 10000, 15);
}
BENCHMARK(BM_MovColumn)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
