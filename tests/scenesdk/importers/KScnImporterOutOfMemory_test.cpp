// Memory exhausted in the middle of a read: every format is read into a
// scene holding another file's content while operator new or the C allocator
// fails once at the n-th allocation, from the n-th on, once at the n-th
// nothrow allocation, or twice in a row into the same scene. Each read fails with error 0 "out of
// memory while ..." (or succeeds and makes what a read without failures
// makes), lets no exception out, leaves the scene and the manager's lists as
// they were and leaks nothing. Destruction and the undo allocate nothing;
// the steps below a read are made whole or not at all.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterKeySync.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/fileio/KScnReadUndo.h"
#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KRenamingStrategy.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "scenesdk/kernel/KSortedIntMap.h"
#include "scenesdk/kernel/KSortedStringMap.h"
#include "scenesdk/kernel/KWorld.h"
#include "tests/scenesdk/fileio/EveryKindScene.h"
#include "tests/scenesdk/fileio/ScnTestForms.h"
#include "tests/scenesdk/importers/C3dTestWriter.h"
#include "tests/scenesdk/importers/DxfText.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace
{
// The allocator's failure plan while armed. The throwing forms of new and the
// C allocator's functions (malloc, calloc, realloc, posix_memalign,
// aligned_alloc, strdup: this program is linked with --wrap for each, so
// every call the libraries make comes here; the stores turn a null into
// std::bad_alloc) are counted together, the nothrow forms of new apart
// (1 is the first of its form after arming).
struct SPlan
{
    long at = 0;          // the allocation of the form counted that fails; 0: none
    bool nothrow = false; // the nothrow forms counted (the at-th answers null), else the throwing ones
    bool from = false;    // from then on every allocation of either form fails (memory stays exhausted)
};
SPlan gPlan;
bool gArmed = false;
bool gExhausted = false;
long gCounted[2] = {0, 0}; // throwing, nothrow


bool FailsNow(bool nothrowForm)
{
    if (!gArmed)
        return false;
    const long n = ++gCounted[nothrowForm ? 1 : 0];
    if (gExhausted)
        return true;
    if (gPlan.at <= 0 || nothrowForm != gPlan.nothrow || n != gPlan.at)
        return false;
    gExhausted = gPlan.from;
    return true;
}
} // namespace

extern "C"
{
    void* __real_malloc(std::size_t size);
    void* __real_calloc(std::size_t n, std::size_t size);
    void* __real_realloc(void* p, std::size_t size);
    int __real_posix_memalign(void** p, std::size_t alignment, std::size_t size);
    void* __real_aligned_alloc(std::size_t alignment, std::size_t size);
    char* __real_strdup(const char* text);

    void* __wrap_malloc(std::size_t size)
    {
        return FailsNow(false) ? nullptr : __real_malloc(size);
    }
    void* __wrap_calloc(std::size_t n, std::size_t size)
    {
        return FailsNow(false) ? nullptr : __real_calloc(n, size);
    }
    void* __wrap_realloc(void* p, std::size_t size)
    {
        return FailsNow(false) ? nullptr : __real_realloc(p, size);
    }
    int __wrap_posix_memalign(void** p, std::size_t alignment, std::size_t size)
    {
        return FailsNow(false) ? ENOMEM : __real_posix_memalign(p, alignment, size);
    }
    void* __wrap_aligned_alloc(std::size_t alignment, std::size_t size)
    {
        return FailsNow(false) ? nullptr : __real_aligned_alloc(alignment, size);
    }
    char* __wrap_strdup(const char* text)
    {
        return FailsNow(false) ? nullptr : __real_strdup(text);
    }
}

// clang-format off
__attribute__((noinline)) void* operator new(std::size_t size)
{
    if (FailsNow(false))
        throw std::bad_alloc();
    if (void* p = __real_malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
__attribute__((noinline)) void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return FailsNow(true) ? nullptr : __real_malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
// Out of line, every other form through it: an inlined free would be paired with a new it cannot see.
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { operator delete(p); }
// clang-format on

using namespace scenesdk;
using namespace testsupport;

namespace
{

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSlowBuild = true;
#else
constexpr bool kSlowBuild = false;
#endif

// Runs the step under the plan; true when it threw std::bad_alloc.
bool Under(const SPlan& plan, const std::function<void()>& step)
{
    gPlan = plan;
    gCounted[0] = gCounted[1] = 0;
    gExhausted = false;
    gArmed = true;
    bool threw = false;
    try
    {
        step();
    }
    catch (const std::bad_alloc&)
    {
        threw = true;
    }
    gArmed = false;
    return threw;
}

bool ThrowsWithFailing(long at, const std::function<void()>& step, bool nothrow = false)
{
    return Under(SPlan{at, nothrow, false}, step);
}

// The step run with every allocation failing must ask for none.
void WithoutAllocating(const std::function<void()>& step, const std::string& what)
{
    EXPECT_FALSE(Under(SPlan{1, false, true}, step)) << what;
    EXPECT_EQ(gCounted[0] + gCounted[1], 0) << what << ": allocations asked for";
}

void ForEachOwner(KScnSceneContents* c, const std::function<void(KScnTakeNodeContainer*)>& f)
{
    for (int i = 0; i < c->GetNodeCount(); ++i)
        f(c->GetNode(i));
    for (int i = 0; i < c->GetMaterialCount(); ++i)
        f(c->GetMaterial(i));
    for (int i = 0; i < c->GetTextureCount(); ++i)
        f(c->GetTexture(i));
    for (int i = 0; i < c->GetObjectCount(); ++i)
        f(c->GetObject(i));
}

// What a failed read must leave as it was.
std::string Summary(KScnSdkManager& manager, KScnSceneRoot& scene)
{
    KScnSceneContents* c = scene.GetContents();
    std::string text;
    ForEachOwner(
        c,
        [&text](KScnTakeNodeContainer* object)
        {
            text += std::string(object->GetName()) + "/" + std::to_string(object->GetUserPropertyCount());
            for (int t = 0; t < object->GetTakeNodeCount(); ++t)
                text += std::string("/") + object->GetTakeNodeName(t);
            if (auto* node = dynamic_cast<KScnNode*>(object))
                text += std::to_string(
                    node->GetNodeAttribute() != nullptr ? node->GetNodeAttribute()->GetAttributeKind() : -1);
            text += " ";
        });
    for (const std::string& take : scene.GetTakeNames())
        text += take + (scene.GetTakeInfo(take.c_str()) != nullptr ? "+ " : " ");
    text += std::to_string(scene.GetTakeInfoCount()) + ",";
    for (int n : {scene.GetCharacterPoseCount(), scene.GetPoseCount(), manager.GetSceneCount(),
                  manager.GetNodeCount(), manager.GetNodeAttributeCount(), manager.GetMaterialCount(),
                  manager.GetTextureCount(), manager.GetVideoCount(), manager.GetHandlerObjectCount(),
                  manager.GetGenericNodeCount(), manager.GetUserPropertyCount(), manager.GetLinkCount(),
                  manager.GetShapeCount(), manager.GetPoseListCount(), manager.GetSceneMetaDataCount()})
        text += std::to_string(n) + ",";
    return text;
}

void Channels(const KFCurveNode* node, std::string& text)
{
    const KFCurve* curve = node->GetFCurve();
    text += std::string(node->GetName()) +
            (curve != nullptr ? "~" + std::to_string(curve->GetKeyCount()) : "") + "(";
    if (curve != nullptr)
        text += std::to_string(curve->GetDefaultValue()) + " ";
    for (int i = 0; i < node->GetChildCount(); ++i)
        Channels(node->GetChildAt(i), text);
    text += ")";
}

// What a read that succeeded made: the summary, every object's property
// names and every take's channels with their key counts and defaults.
std::string Content(KScnSdkManager& manager, KScnSceneRoot& scene)
{
    std::string text = Summary(manager, scene);
    ForEachOwner(
        scene.GetContents(),
        [&text](KScnTakeNodeContainer* object)
        {
            text += std::string(object->GetName()) + "{";
            if (KScnPropertyHandler* handler = object->GetPropertyHandler())
                for (int p = 0; p < handler->GetPropertyCount(); ++p)
                    text += std::string(handler->GetProperty(p)->GetName()) + ",";
            for (int p = 0; p < object->GetUserPropertyCount(); ++p)
                text += std::string(object->GetUserProperty(p)->GetName()) + ",";
            text += "}";
            for (int t = 0; t < object->GetTakeNodeCount(); ++t)
                if (const KFCurveNode* root =
                        static_cast<const KScnTakeNodeEntry*>(object->GetTakeNode(t))->GetRootCurveNode())
                    Channels(root, text);
        });
    return text;
}

// Where two contents part: the expected text around the first difference, and what was made there.
std::string Difference(const std::string& made, const std::string& expected)
{
    size_t at = 0;
    while (at < made.size() && at < expected.size() && made[at] == expected[at])
        ++at;
    if (at == made.size() && at == expected.size())
        return "";
    const size_t from = at < 60 ? 0 : at - 60;
    return "expected ..." + expected.substr(from, 120) + "\nmade     ..." + made.substr(from, 120);
}

// One file of each format; side files (an OBJ's library, a texture) have format -1;
// heavy ones (thousands of allocations) are sampled under AddressSanitizer.
struct SFile
{
    const char* name;
    int format;
    std::string bytes;
    bool heavy = false;
};

// What every read goes into: a null with a user property, a camera, a light, a textured mesh, a take.
const char* const kBase =
    "FileHeader: {\n Version: 6000\n}\nObjects: {\n  Model: \"Before\", \"Null\" {\n"
    "    UserProperty: \"weight\", \"Number\", \"A\", 2\n  }\n  Model: \"Eye\", \"Camera\"\n"
    "  Model: \"Sun\", \"Light\"\n  Model: \"Box\", \"Mesh\" {\n    Mesh: {\n"
    "      ControlPoints: 0,0,0, 1,0,0, 0,1,0\n      PolygonSizes: 3\n      PolygonVertices: 0,1,2\n    }\n"
    "    Materials: \"Paint\"\n    Textures: \"Wood\"\n  }\n  Material: \"Paint\"\n  Texture: \"Wood\" {\n"
    "    FileName: \"w.tga\"\n  }\n}\nTakes: {\n  Take: \"Earlier\" {\n    Model: \"Eye\" {\n    }\n  }\n"
    "}\n";

const char* const kScene =
    "FileHeader: {\n Version: 6000\n}\nObjects: {\n  Model: \"A\", \"Mesh\" {\n    Mesh: {\n"
    "      ControlPoints: 0,0,0, 1,0,0, 0,1,0\n      PolygonSizes: 3\n      PolygonVertices: 0,1,2\n    }\n"
    "    Shape: \"Grin\" {\n      ControlPoints: 0,0,0, 1,0,0, 0,1,1\n    }\n"
    "    Materials: \"M\"\n    Textures: \"T\"\n    Children: \"B\"\n"
    "    UserProperty: \"lit\", \"Bool\", \"\", 1\n  }\n  Model: \"B\", \"Null\"\n"
    "  Model: \"Cam\", \"Camera\"\n  Model: \"Lamp\", \"Light\"\n"
    "  Model: \"Director\", \"CameraSwitcher\"\n  Material: \"M\"\n  Texture: \"T\" {\n"
    "    FileName: \"t.tga\"\n  }\n}\nTakes: {\n  Take: \"Run\" {\n    ImportName: \"Sprint\"\n"
    "    TimeWarps: {\n      TimeWarp: 1 {\n        Channel: \"TimeWarp\" {\n          KeyVer: 4004\n"
    "          KeyCount: 2\n          Key: 0, 0, L, 46186158000, 2, L\n        }\n      }\n"
    "      TimeWarp: 2 {\n        Channel: \"TimeWarp\" {\n          Default: 1\n          KeyVer: 4004\n"
    "          KeyCount: 1\n          Key: 0, 1, L\n        }\n      }\n"
    "    }\n    Model: \"B\" {\n      Channel: \"Transform\" {\n        Channel: \"T\" {\n"
    "          Channel: \"X\" {\n            KeyVer: 4004\n            KeyCount: 2\n"
    "            Key: 0, 0, L, 92372316000, 20, L\n          }\n          LayerChannel: {\n"
    "            LayerID: 1\n            Channel: \"X\" {\n              LayerID: 1\n"
    "              KeyVer: 4004\n              KeyCount: 2\n              Key: 0, 0, L, 92372316000, 4, L\n"
    "            }\n          }\n          TimeWarpID: 1\n        }\n      }\n    }\n    Model: \"Cam\" {\n"
    "      Channel: \"FieldOfView\" {\n        Default: 30\n      }\n    }\n  }\n  Take: \"Walk the long way round the hall\" {\n  }\n"
    "}\n";

// A character pose (with its private scene) in the binary form of a scene file.
const char* const kPose =
    "FileHeader: {\n Version: 6000\n}\nObjects: {\n  CharacterPose: \"Crouch\" {\n    Model: \"PHips\"\n"
    "    Character: {\n      BASE: {\n        Hips: \"PHips\"\n      }\n    }\n  }\n}\n";

std::vector<SFile> Files()
{
    const std::string mesh = Chunk(0x4100, VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                                               FaceList({0, 1, 2}, MaterialGroup("Red", {0})));
    C3dTestWriter c3d;
    c3d.mLabels = {"Head"};
    c3d.mFrames = {{C3dSample{1, 2, 3}}, {C3dSample{2, 3, 4}}};
    return {
        {"a.scn", 0, kScene},
        {"pose.scn", 0, scntest::Binary(kPose), true},
        {"a.mtl", -1, "newmtl Red\nKd 1 0 0\nmap_Kd red.tga\n"},
        {"red.tga", -1, "x"},
        {"a.obj", 5, "mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng G\nusemtl Red\nf 1 2 3\n"},
        {"a.3ds", 4,
         File3DS(Chunk(0xAFFF, Chunk(0xA000, Cstr("Red")) + Chunk(0xA200, Chunk(0xA300, Cstr("RED.TGA")))) +
                 Chunk(0x4000, Cstr("O") + mesh))},
        {"a.dxf", 3, importtest::Entities("0 3DFACE 8 L 10 0 20 0 30 0 11 1 21 0 31 0 12 0 22 1 32 0")},
        {"a.bvh", 6,
         "HIERARCHY\nROOT Hips\n{\nOFFSET 0 1 0\nCHANNELS 3 Xposition Yposition Zposition\n"
         "End Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 2\nFrame Time: 0.1\n0 0 0\n1 1 1\n"},
        {"a.trc", 8,
         "PathFileType\t4\t(X/Y/Z)\ta.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n"
         "60\t60\t2\t1\tmm\nFrame#\tTime\tHead\n\t\tX1\tY1\tZ1\n\n1\t0\t0\t1\t0\n2\t0.017\t1\t1\t0\n"},
        {"a.htr", 7,
         "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 2\n"
         "DataFrameRate 60\nEulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n"
         "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n[SegmentNames&Hierarchy]\nHip\tGLOBAL\n"
         "[BasePosition]\nHip\t0\t900\t0\t0\t0\t0\t120\n[Hip]\n1\t0\t0\t0\t0\t0\t0\t1\n"
         "2\t0\t0\t0\t20\t0\t0\t1\n[EndOfFile]\n"},
        {"a.asf", 9,
         ":version 1.10\n:name tiny\n:units\n  length 1\n  angle deg\n:root\n  order TX TY TZ RZ RY RX\n"
         "  axis XYZ\n  position 0 0 0\n  orientation 0 0 0\n:bonedata\n  begin\n    id 1\n"
         "    name spine\n    direction 0 1 0\n    length 10\n    axis 0 0 0 XYZ\n    dof rx\n  end\n"
         ":hierarchy\n  begin\n    root spine\n  end\n"},
        {"a.amc", 10, ":DEGREES\n1\nroot 0 0 0 0 0 0\nspine 10\n2\nroot 1 0 0 0 0 0\nspine 20\n"},
        {"a.c3d", 11, c3d.Write()},
        {"a.aoa", 12, "Frames = 2 NumMarkers = 1 hz = 50\n1 2 3\n2 3 4\n"},
        {"a.mov", 15, "0 1 2\n1 2 3\n"},
    };
}

// A manager whose scene holds the base file's content.
struct SWorld
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    std::string before;
    explicit SWorld(const std::string& base)
    {
        KScnFree<KScnImporter> importer(&manager);
        importer.SetFileFormat(0);
        EXPECT_TRUE(importer.Initialize(base.c_str()) && importer.Import(scene)) << importer.GetStatusText();
        before = Summary(manager, *scene);
    }
    bool Intact() { return Summary(manager, *scene) == before; }
};

struct SResult
{
    bool ok = false, threw = false;
    int error = -1;
    std::string status;
    long allocations[2] = {0, 0};
    std::string content; // of a read that succeeded, before the undo took it back
};

// One read into the world's scene under the plan; one that succeeds is taken back.
SResult ReadOnce(SWorld& world, const SFile& file, const std::string& path, const SPlan& plan)
{
    SResult r;
    KScnFree<KScnImporter> importer(&world.manager);
    importer.SetFileFormat(file.format);
    KScnReadUndo undo(world.manager, *world.scene);
    try
    {
        r.threw =
            Under(plan, [&] { r.ok = importer.Initialize(path.c_str()) && importer.Import(world.scene); });
    }
    catch (...)
    {
        gArmed = false;
        r.threw = true;
    }
    r.allocations[0] = gCounted[0];
    r.allocations[1] = gCounted[1];
    r.error = importer.GetLastErrorID();
    r.status = importer.GetStatusText();
    if (r.ok)
    {
        r.content = Content(world.manager, *world.scene);
        undo.Restore();
    }
    return r;
}

// The rules every failed read keeps; false (with the test failed) when one breaks.
bool CheckFailed(const SResult& r, SWorld& world, const std::string& what)
{
    const bool intact = world.Intact();
    const bool kept = !r.threw && r.error == 0 && r.status.rfind("out of memory while ", 0) == 0 && intact;
    EXPECT_TRUE(kept) << what << ": " << r.status << (r.threw ? ", threw" : "") << ", error " << r.error
                      << (intact ? "" : ", the scene changed: " + Difference(Summary(world.manager, *world.scene), world.before));
    return kept;
}

enum class EMode
{
    eOnce,    // allocation n fails, every n
    eFrom,    // allocation n and every later one of either form fail, n sampled
    eNothrow, // nothrow allocation n answers null, every n
    eTwice,   // two failing reads in a row into the same scene, n sampled
};

// Up to most values of n over [1, count], always 1 and count.
std::vector<long> Sample(long count, long most)
{
    std::vector<long> n;
    const long step = most > 0 && count > most ? (count + most - 1) / most : 1;
    for (long i = 1; i <= count; i += step)
        n.push_back(i);
    if (n.back() != count)
        n.push_back(count);
    return n;
}

// formats: 0 scene files, 1 the others, 2 all.
void RunMode(EMode mode, long samples, int formats = 2)
{
    TempDir dir;
    const std::string base = dir.WriteFile("base.scn", kBase);
    const std::vector<SFile> files = Files();
    std::vector<std::string> paths;
    for (const SFile& f : files)
        paths.push_back(dir.WriteFile(f.name, f.bytes));
    for (size_t k = 0; k < files.size(); ++k)
    {
        const SFile& file = files[k];
        if (file.format < 0 || (formats == 0 && file.format != 0) || (formats == 1 && file.format == 0))
            continue;
        long allocations = 0;
        std::string expected;
        {
            SWorld world(base);
            const SResult r = ReadOnce(world, file, paths[k], SPlan{});
            ASSERT_TRUE(r.ok) << file.name << ": " << r.status;
            EXPECT_TRUE(world.Intact()) << file.name << " undone";
            allocations = r.allocations[mode == EMode::eNothrow ? 1 : 0];
            expected = r.content;
            ASSERT_TRUE(mode == EMode::eNothrow || allocations > 10) << file.name;
        }
        auto world = std::make_unique<SWorld>(base);
        const long most = file.heavy && kSlowBuild && samples == 0 ? 300 : samples;
        for (long n : allocations > 0 ? Sample(allocations, most) : std::vector<long>())
        {
            const std::string what = std::string(file.name) + " allocation " + std::to_string(n);
            const SPlan plan{n, mode == EMode::eNothrow, mode == EMode::eFrom};
            SResult r = ReadOnce(*world, file, paths[k], plan);
            if (r.ok)
                EXPECT_EQ(Difference(r.content, expected), "") << what << ": a read that succeeded made less";
            else if (!CheckFailed(r, *world, what))
                break;
            else if (mode == EMode::eTwice)
            {
                // The other kind of read, failing at the same n, into the same scene.
                size_t other = 0;
                while (std::string(files[other].name) != (file.format == 0 ? "a.obj" : "a.scn"))
                    ++other;
                r = ReadOnce(*world, files[other], paths[other], plan);
                if (!r.ok && !CheckFailed(r, *world, what + " then " + files[other].name))
                    break;
            }
            if (!world->Intact())
                world = std::make_unique<SWorld>(base);
        }
    }
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "leaks after failed reads";
#endif
}

// The once-at-every-n sweep in two halves, which the test runner runs side by side; nothrow
// allocations every n in the optimised build, sampled under AddressSanitizer.
#define SWEEP(name, ...)                                                                                     \
    TEST(ImporterOutOfMemory, name)                                                                          \
    {                                                                                                        \
        RunMode(__VA_ARGS__);                                                                                \
    }
SWEEP(EveryAllocationFailingOnceFailsASceneReadCleanly, EMode::eOnce, 0, 0)
SWEEP(EveryAllocationFailingOnceFailsAForeignReadCleanly, EMode::eOnce, 0, 1)
SWEEP(MemoryStayingExhaustedFailsTheReadCleanly, EMode::eFrom, 40)
SWEEP(NothrowAllocationsFailingToo, EMode::eNothrow, kSlowBuild ? 60 : 0)
SWEEP(TwoFailingReadsInARow, EMode::eTwice, 60)

// Each row changes a world as a read may; the undo (where asked) takes it
// back, then the manager is destroyed, both while every allocation fails (a
// destructor that allocates ends the program).
TEST(ImporterOutOfMemory, TheUndoAndDestructionGoWithoutAllocating)
{
    TempDir dir;
    const std::string every = dir.WriteFile("every.scn", scntest::kEveryKindScene);
    const std::string base = dir.WriteFile("base.scn", kBase);
    auto readEvery = [&](SWorld& w)
    {
        KScnFree<KScnImporter> importer(&w.manager);
        importer.SetFileFormat(0);
        ASSERT_TRUE(importer.Initialize(every.c_str()) && importer.Import(w.scene))
            << importer.GetStatusText();
    };
    auto describe = [](SWorld& w, const char* take, const char* text)
    {
        KScnTakeDescription info;
        info.mName = take;
        info.mDescription = text;
        w.scene->SetTakeInfo(info);
    };
    // After a read, a tree Locator (Hips (Knee (Dot)), Body): the destroyers,
    // run while every allocation fails, take what they should (counts of the
    // manager's and the scene's nodes); cut loose, the rest leaves the scene,
    // Body with its mesh's material.
    auto destroyed = [&](SWorld& w, const std::function<bool(KScnNode*)>& destroy, int nodesGone)
    {
        readEvery(w);
        std::vector<KScnNode*> tree;
        for (const char* name : {"Locator", "Hips", "Knee", "Dot", "Body"})
            tree.push_back(w.manager.FindNode(name));
        ASSERT_TRUE(tree[0]->AddChild(tree[1]) && tree[2]->AddChild(tree[3]) && tree[0]->AddChild(tree[4]));
        const int nodes = w.manager.GetNodeCount(), listed = w.scene->GetContents()->GetNodeCount();
        WithoutAllocating([&] { EXPECT_TRUE(destroy(tree[0])); }, "destroying after a read");
        EXPECT_EQ(w.manager.GetNodeCount(), nodes - nodesGone);
        EXPECT_EQ(w.scene->GetContents()->GetNodeCount(), listed - 5);
        for (int i = 1; nodesGone == 1 && i < 5; ++i)
            EXPECT_TRUE(tree[i]->GetParent() == (i == 2 || i == 3 ? tree[i - 1] : nullptr) &&
                        tree[i]->GetSceneContents() == nullptr)
                << tree[i]->GetName();
        EXPECT_EQ(w.scene->GetContents()->FindMaterial("Material::Stone"), nullptr) << "left with Body";
    };
    struct SRow
    {
        const char* what;
        bool undo;
        std::function<void(SWorld&)> change;
    };
    const SRow rows[] = {
        {"a node destroyed after a read, its children cut loose", false,
         [&](SWorld& w)
         {
             destroyed(
                 w, [&](KScnNode* n) { return w.manager.DestroyNode(n, false); }, 1);
         }},
        {"a subtree destroyed after a read", false,
         [&](SWorld& w)
         {
             destroyed(
                 w, [&](KScnNode* n) { return w.manager.DestroyNode(n, true); }, 5);
         }},
        {"a scene destroyed with its tree after a read", false,
         [&](SWorld& w)
         {
             readEvery(w);
             WithoutAllocating([&] { EXPECT_TRUE(w.manager.DestroyScene(w.scene, true)); },
                               "a scene destroyed");
             EXPECT_EQ(w.manager.GetSceneCount() * 100 + w.manager.GetNodeCount(), 0)
                 << "its tree went with it";
         }},
        {"every kind of object a scene file makes", false, readEvery},
        {"every kind of object, read undone", true, readEvery},
        {"a scene (a pose's own)", true, [](SWorld& w) { w.manager.CreateScene(); }},
        {"a video", true, [](SWorld& w) { w.manager.CreateVideo("Clip"); }},
        {"a take with its description", true,
         [&](SWorld& w)
         {
             w.scene->AddTakeWhereMissing("New");
             describe(w, "New", "");
         }},
        {"a description replaced", true, [&](SWorld& w) { describe(w, "Earlier", "replaced"); }},
        // A camera's detach must not copy a shared take snapshot to delete its channels.
        {"cameras on nodes sharing 150 takes", false,
         [](SWorld& w)
         {
             KScnSceneRoot* scene = w.manager.CreateScene();
             for (int i = 0; i < (kSlowBuild ? 100 : 1000); ++i)
             {
                 KScnNode* node = w.manager.CreateNode(("Camera" + std::to_string(i)).c_str());
                 node->SetNodeAttribute(w.manager.CreateCamera());
                 scene->GetRootNode()->AddChild(node);
             }
             for (int t = 0; t < 150; ++t)
                 scene->AddTakeWhereMissing(("Take" + std::to_string(t)).c_str());
             ASSERT_EQ(scene->GetRootNode()->GetChild(0)->GetTakeNodeCount(), 151);
         }},
        {"listed and detached deformers, constraints and characters", false,
         [](SWorld& w)
         {
             for (int i = 0; i < 3; ++i)
             {
                 w.manager.CreateDeformer(("d" + std::to_string(i)).c_str(), i == 0 ? "Cluster" : "Skin");
                 KScnConstraint* c = w.manager.CreateConstraint(("c" + std::to_string(i)).c_str(), i + 1);
                 w.scene->GetContents()->AddObject(c);
                 w.scene->CreateCharacter(("h" + std::to_string(i)).c_str());
                 if (i == 1)
                 {
                     WithoutAllocating([&] { c->DisconnectAll(); }, "a detach (its room was kept)");
                     w.manager.CreateDeformer("detached", "Skin")->Detach();
                 }
             }
             ASSERT_EQ(w.manager.GetHandlerObjectCount(), 10);
         }},
        // A read undone removes takes while memory may stay exhausted.
        {"a take removed while the take-name index is stale", false,
         [](SWorld& w)
         {
             KScnNode* node = w.manager.CreateNode("Taken");
             for (int t = 0; t < 10; ++t)
                 node->AddTakeNode(("T" + std::to_string(t)).c_str());
             ASSERT_TRUE(node->HasTakeNode("T0")); // the index is made
             node->GetTakeNode(3)->SetName("Renamed");
             WithoutAllocating([&] { EXPECT_TRUE(node->RemoveTakeNode(6)); }, "removing a take");
             EXPECT_TRUE(node->HasTakeNode("Renamed"));
             EXPECT_FALSE(node->HasTakeNode("T5"));
         }},
    };
    for (const SRow& row : rows)
    {
        auto world = std::make_unique<SWorld>(base);
        auto state = [&]
        {
            return Summary(world->manager, *world->scene) +
                   world->scene->GetTakeInfo("Earlier")->mDescription.Buffer();
        };
        const std::string before = state();
        {
            KScnReadUndo undo(world->manager, *world->scene);
            row.change(*world);
            if (row.undo)
            {
                ASSERT_NE(state(), before) << row.what;
                WithoutAllocating([&] { undo.Restore(); }, std::string(row.what) + ", undone");
                EXPECT_EQ(state(), before) << row.what;
            }
        }
        WithoutAllocating([&] { world.reset(); }, std::string(row.what) + ", torn down");
    }
}

// One rule per row: the step is run with its at-th allocation (of each form
// listed) failing, at = 1, 2, ... until the step goes through; the row
// answers whether the step was stopped, having checked what must hold.
struct SWholeRow
{
    const char* rule;
    std::function<bool(long at, bool nothrow)> run;
    std::vector<bool> forms = {false};
    long mustFail = 0; // at least that many failing steps
    long stride = 1;   // every stride-th at past the first 40
};

void RunWhole(const SWholeRow& row)
{
    for (const bool nothrow : row.forms)
    {
        long failed = 0;
        for (long at = 1;; at += at < 40 ? 1 : row.stride)
        {
            SCOPED_TRACE(std::string(row.rule) + (nothrow ? ", nothrow" : "") + ", allocation " +
                         std::to_string(at));
            ASSERT_LT(at, 10000) << "the step never goes through";
            if (!row.run(at, nothrow))
                break;
            ++failed;
        }
        EXPECT_GE(failed, row.mustFail) << row.rule;
    }
}

// Handler objects: listed whole or not at all, then destroyed without allocating.
SWholeRow Handler(const char* rule, std::function<KScnTakeNodeContainer*(KScnSdkManager&)> make, long stride)
{
    return {rule,
            [make](long at, bool)
            {
                KScnSdkManager manager;
                manager.CreateDeformer("kept", "Skin");
                KScnConstraint* detached = manager.CreateConstraint("detached", 1);
                detached->DisconnectAll();
                KScnTakeNodeContainer* made = nullptr;
                const bool threw = ThrowsWithFailing(at, [&] { made = make(manager); });
                const int listed = threw ? 2 : 3;
                EXPECT_EQ(manager.GetHandlerObjectCount(), listed);
                EXPECT_EQ(manager.GetHandlerList()->GetSrcCount(), listed - 1);
                EXPECT_EQ(manager.GetHandlerObject(listed - 1), detached);
                if (!threw)
                {
                    EXPECT_EQ(manager.GetHandlerObject(1), made) << "listed, before the detached one";
                    auto destroy = [&] { return manager.DestroyObject(manager.GetHandlerObject(1)); };
                    WithoutAllocating([&] { EXPECT_TRUE(manager.DestroyObject(detached) && destroy()); },
                                      "destroying");
                }
                return threw;
            },
            {false},
            4,
            stride};
}

float DefaultValue(const KScnTakeNodeEntry* take, const char* channel)
{
    const KFCurveNode* node = take->GetRootCurveNode()->FindDescendant(channel);
    return node != nullptr && node->GetFCurve() != nullptr ? node->GetFCurve()->GetDefaultValue() : -1.0f;
}

// A default take lending its tree to its takes gets a copy of its own at its
// first write (its writable root, or a link, asked for), its curve links
// moved onto it; failing, it stays lent with its links (a curve linked to two
// properties keeps both) and nothing is handed out; the next write ends it whole.
SWholeRow Lending(bool throughLink)
{
    return {throughLink ? "the default take stops lending, asked for a link"
                        : "the default take stops lending",
            [throughLink](long at, bool nothrow)
            {
                KScnSdkManager manager;
                KScnNode* node = manager.CreateNode("Lender");
                EXPECT_NE(node->AddTakeNode("Run"), nullptr);
                const KScnNode& reader = *node;
                const KFCurveNode* lent = reader.GetDefaultTakeNode()->GetRootCurveNode();
                KFCurve* visibility = const_cast<KFCurve*>(lent->FindDescendant("Visibility")->GetFCurve());
                KProperty* translation = node->GetNodeProperties()->FindProperty("Lcl Translation");
                node->LinkPropertyToCurve(translation, 0, visibility);
                const int links = node->GetLinkCount();
                bool handedOut = false;
                const bool threw = ThrowsWithFailing(
                    at,
                    [&]
                    {
                        handedOut = throughLink ? node->GetLink(0) != nullptr
                                                : node->GetDefaultTakeNode()->GetRootCurveNode() != nullptr;
                    },
                    nothrow);
                const bool failed = gCounted[nothrow ? 1 : 0] >= at;
                EXPECT_EQ(!handedOut || threw, failed);
                EXPECT_EQ(reader.GetDefaultTakeNode()->IsLendingTree(), failed);
                EXPECT_EQ(node->GetLinkCount(), links);
                EXPECT_EQ(visibility->GetListenerCount(), failed ? 2 : 0) << "the links moved, or stayed";
                if (!failed)
                    return false;
                KFCurve* written = node->GetDefaultTakeNode()->FindCurve("Transform", "Visibility", nullptr);
                EXPECT_FALSE(reader.GetDefaultTakeNode()->IsLendingTree());
                EXPECT_NE(written, visibility);
                if (written == nullptr)
                    return true;
                written->SetDefaultValue(0.5f);
                EXPECT_DOUBLE_EQ(node->GetNodeProperties()->FindProperty("Visibility")->GetDouble(), 0.5);
                double t[4] = {};
                translation->GetAsDoubles(t);
                EXPECT_DOUBLE_EQ(t[0], 0.5) << "the curve's second link moved too";
                EXPECT_EQ(reader.GetTakeNode(1)->GetRootCurveNode(), lent);
                EXPECT_FLOAT_EQ(visibility->GetDefaultValue(), 1.0f) << "the take reads what it read";
                EXPECT_EQ(visibility->GetListenerCount(), 0);
                return true;
            },
            {false, true},
            1};
}

// A value written into an animatable property reaches both takes holding its
// channel (the current take, and the default take, which may lend its tree
// to the current one) or neither.
SWholeRow DirectWrite(int takes)
{
    return {takes == 1 ? "a direct write, one take" : "a direct write, two takes", [takes](long at, bool)
            {
                KScnSdkManager manager;
                KScnNode* node = manager.CreateNode("n");
                EXPECT_NE(node->AddTakeNode("Run"), nullptr);
                EXPECT_TRUE(takes < 2 || node->AddTakeNode("Walk") != nullptr);
                EXPECT_TRUE(node->SelectTakeNodeByName("Run"));
                const bool threw = ThrowsWithFailing(at, [&] { node->SetVisibility(false); });
                const float run = DefaultValue(node->GetTakeNode(1), "Visibility");
                EXPECT_EQ(DefaultValue(node->GetDefaultTakeNode(), "Visibility"), run);
                EXPECT_EQ(run, threw ? 1.0f : 0.0f);
                return threw;
            }};
}

// Every value an object holds: its set's and (a node's) its attribute's
// properties, and every take's channels.
std::string Values(KScnTakeNodeContainer* object)
{
    std::string text;
    auto* node = dynamic_cast<KScnNode*>(object);
    for (KObject* set : {static_cast<KObject*>(object->GetPropertyHandler()),
                         node != nullptr && node->GetNodeAttribute() != nullptr
                             ? node->GetNodeAttribute()->GetHandlerPropertySet()
                             : nullptr})
        for (int p = 0; set != nullptr && p < set->GetPropertyCount(); ++p)
        {
            double v[4] = {};
            if (set->GetProperty(p)->GetAsDoubles(v))
                text += std::string(set->GetProperty(p)->GetName()) + "=" + std::to_string(v[0]) + "," +
                        std::to_string(v[1]) + "," + std::to_string(v[2]) + " ";
        }
    const KScnTakeNodeContainer& reader = *object;
    for (int t = 0; t < reader.GetTakeNodeCount(); ++t)
    {
        text += std::string("\n") + reader.GetTakeNodeName(t) + ":";
        Channels(reader.GetTakeNode(t)->GetRootCurveNode(), text);
    }
    return text;
}

// A step as a row runs it: under the failing allocation, undisturbed, or not at all.
using FStep = std::function<void(const std::function<void()>&)>;

// A step on what run sets up anew (one of `ways`) for each run, its at-th
// allocation failing: it threw with the state run answers as it was, or
// made what an undisturbed step makes. A way that went through is done.
SWholeRow MadeWhole(const char* rule, int ways, std::vector<bool> forms,
                    std::function<std::string(int way, const FStep&)> run)
{
    // The state with the step run, its at-th allocation failing (0: none), or not run (-1).
    auto state = [run](int way, long at, bool nothrow, bool& threw)
    {
        threw = false;
        return run(way, [&](const std::function<void()>& step)
                   { threw = at >= 0 && ThrowsWithFailing(at, step, nothrow); });
    };
    std::vector<std::string> expected;
    for (int way = 0; way < ways; ++way)
    {
        bool threw = false;
        expected.push_back(state(way, -1, false, threw));
        expected.push_back(state(way, 0, false, threw));
        EXPECT_NE(expected[way * 2], expected[way * 2 + 1]) << rule;
    }
    return {rule,
            [ways, state, expected, done = std::vector<bool>()](long at, bool nothrow) mutable
            {
                if (at == 1)
                    done.assign(ways, false);
                bool stopped = false;
                for (int way = 0; way < ways; ++way)
                {
                    if (done[way])
                        continue;
                    bool threw = false;
                    const std::string made = state(way, at, nothrow, threw);
                    EXPECT_EQ(Difference(made, expected[way * 2 + (threw ? 0 : 1)]), "")
                        << "way " << way << (threw ? ", threw" : ", went through");
                    // A failure the step goes without (a look put off): on to its last allocation.
                    done[way] = !threw && gCounted[nothrow ? 1 : 0] < at;
                    stopped = stopped || !done[way];
                }
                return stopped;
            },
            std::move(forms)};
}

// The object given takes one of four ways: its default take waiting to be
// built; a take reading the default take's tree lent, current; two takes
// sharing a snapshot, the second current; the same with the "T" channel's
// "X" curve gone in the default and the current take (a push makes them).
KScnTakeNodeContainer* WithTakes(KScnTakeNodeContainer* object, int way)
{
    if (way == 0)
        return object;
    EXPECT_NE(object->AddTakeNode("Run"), nullptr);
    // The default take stops lending, then a second take shares its snapshot.
    EXPECT_TRUE(way < 2 || (object->GetDefaultTakeNode()->GetRootCurveNode() != nullptr &&
                            object->AddTakeNode("Walk") != nullptr));
    for (int t = 0; way == 3 && t <= 2; t += 2)
        if (KFCurveNode* channel = object->GetTakeNode(t)->GetRootCurveNode()->FindDescendant("T"))
            KFCurve::Destroy(channel->GetChildAt(0)->SetFCurve(nullptr));
    EXPECT_TRUE(object->SelectTakeNodeByName(way >= 2 ? "Walk" : "Run"));
    return object;
}

using FMake = std::function<KScnTakeNodeContainer*(KScnSdkManager&)>;
const char* const kWeight = "a weight whose name runs on past the room a string holds in itself";
const double kXyz[4] = {1, 2, 3, 0};

// A node with a user property and the attribute create makes (a marker an
// IK effector), or none.
template <class T = KScnNull> FMake Node(T* (KScnSdkManager::*create)() = nullptr)
{
    return [create](KScnSdkManager& manager)
    {
        KScnNode* node = manager.CreateNode("Written");
        if (create != nullptr)
        {
            T* attribute = (manager.*create)();
            if (auto* marker = dynamic_cast<KScnMarker*>(attribute))
                marker->SetMarkerKind(KScnMarker::eIKEffector);
            node->SetNodeAttribute(attribute);
        }
        KScnPropertyRef* weight = manager.CreateUserProperty(kWeight, "Real", "");
        weight->SetFlag(KScnPropertyRef::kFlagAnimatable, true);
        node->AddUserProperty(weight);
        return node;
    };
}

template <class T> T* Attribute(KScnTakeNodeContainer* node)
{
    return static_cast<T*>(static_cast<KScnNode*>(node)->GetNodeAttribute());
}

// Values written on objects with takes (each set up each way), nothrow
// allocations failing too: every value of the object is as it was or as an
// undisturbed write leaves it.
SWholeRow WrittenWhole(std::vector<std::pair<FMake, std::function<void(KScnTakeNodeContainer*)>>> writes)
{
    return MadeWhole("values written on objects with takes", static_cast<int>(writes.size()) * 4,
                     {false, true},
                     [writes](int way, const FStep& step)
                     {
                         KScnSdkManager manager;
                         const auto& write = writes[static_cast<size_t>(way / 4)];
                         KScnTakeNodeContainer* object = WithTakes(write.first(manager), way % 4);
                         step([&] { write.second(object); });
                         return Values(object);
                     });
}

// What a layer holds: each element's modes, direct items and index entries.
std::string LayerState(const KScnLayer* layer)
{
    std::string text = "[";
    for (int type = KScnLayerElement::kFirstType; type <= KScnLayerElement::kLastType; ++type)
        if (const KScnLayerElement* e = layer->GetElement(type))
        {
            text += std::to_string(type) + ":" + std::to_string(e->GetMappingMode()) + "/" +
                    std::to_string(e->GetReferenceMode()) + "{";
            const bool objects = type == KScnLayerElement::eMaterial || type == KScnLayerElement::eTexture;
            for (int i = 0; i < e->GetDirectCount(); ++i)
            {
                const void* item = e->GetDirectArray().GetAt(i);
                const auto* object = objects ? *static_cast<KScnObject* const*>(item) : nullptr;
                text += (object != nullptr ? object->GetName()
                                           : std::to_string(*static_cast<const double*>(item))) +
                        ",";
            }
            text += "}";
            for (int i = 0; i < e->GetIndexCount(); ++i)
                text += std::to_string(e->GetIndexAt(i)) + ",";
        }
    return text + "]";
}

// What a geometry holds: points, layers, links, shapes, polygons; in a
// world, also its node's values in each take, the uses the world's scene
// counts and the manager's links and shapes.
std::string MeshState(KScnGeometry* g, SWorld* w = nullptr)
{
    std::string text = std::to_string(g->GetControlPointsCount()) + " points ";
    for (int i = 0; i < g->GetControlPointsCount(); ++i)
        text += std::to_string(g->GetControlPointAt(i)[1]) + ",";
    for (int l = 0; l < g->GetLayerCount(); ++l)
        text += LayerState(g->GetLayer(l));
    for (int i = 0; i < g->GetLinkCount(); ++i)
        text += std::string(" link to ") + g->GetLink(i)->GetLink()->GetName();
    for (int i = 0; i < g->GetShapeCount(); ++i)
    {
        text += std::string(" shape ") + g->GetShapeName(i) +
                std::to_string(g->GetShape(i)->GetControlPointsCount());
        for (int l = 0; l < g->GetShape(i)->GetLayerCount(); ++l)
            text += LayerState(g->GetShape(i)->GetLayer(l));
    }
    auto* mesh = dynamic_cast<KScnMesh*>(g);
    text += " polygons " + std::to_string(mesh != nullptr ? mesh->GetPolygonCount() : 0);
    if (w == nullptr)
        return text;
    text += "\n" + Values(g->GetNode()) + "\nuses ";
    KScnSceneContents* c = w->scene->GetContents();
    for (int i = 0; i < w->manager.GetMaterialCount(); ++i)
        text += std::to_string(c->GetMaterialUseCount(w->manager.GetMaterial(i)));
    for (int i = 0; i < w->manager.GetTextureCount(); ++i)
        text += std::to_string(c->GetTextureUseCount(w->manager.GetTexture(i)));
    return text + " " + std::to_string(w->manager.GetLinkCount()) + " links " +
           std::to_string(w->manager.GetShapeCount()) + " shapes";
}

// Links to Sun and Eye given to the geometry, each on point 1 at half weight.
void AddLinks(SWorld& w, KScnGeometry* g)
{
    for (const char* bone : {"Sun", "Eye"})
    {
        KScnLink* link = w.manager.CreateLink();
        link->SetLink(w.manager.FindNode(bone));
        link->GetIndices().Add(1);
        link->GetWeights().Add(0.5);
        EXPECT_GE(g->AddLink(link), 0);
    }
}

// Box's mesh with what a copy replaces: a shape "Grin" (its channel in each
// take), links, a second layer with a colour and a material; two takes have
// a channel "Smile", which a shape of that name takes as its own: one without
// a curve, one (current) whose default a shape property overwrites.
KScnMesh* MeshToCopyInto(SWorld& w)
{
    KScnNode* box = w.manager.FindNode("Box");
    EXPECT_NE(box->AddTakeNode("Other"), nullptr);
    EXPECT_NE(box->GetTakeNode(1)->GetRootCurveNode()->FindOrCreateChild("Smile", false), nullptr);
    KFCurveNode* smile = box->GetTakeNode(2)->GetRootCurveNode()->FindOrCreateChild("Smile", true);
    smile->GetFCurve()->SetDefaultValue(5);
    EXPECT_TRUE(box->SelectTakeNodeByName("Other"));
    auto* mesh = static_cast<KScnMesh*>(box->GetMesh());
    KScnShape* grin = w.manager.CreateShape();
    grin->InitControlPoints(3);
    AddLinks(w, mesh);
    EXPECT_TRUE(mesh->AddShape(grin, "Grin") == 0 &&
                mesh->AddMaterial(w.manager.CreateMaterial("Old"), 1) >= 0);
    mesh->GetLayer(1)->GetOrCreateElement(KScnLayerElement::eColor)->AddDirectVector(KgeTVector(1, 1, 1, 1));
    return mesh;
}

// A mesh apart to copy from: other points, a polygon, three layers (normals,
// UVs past an element's first block, materials and textures of its own,
// colours by polygon vertex through an index past a block), links, shapes
// "Grin" and "Smile" (a material in Smile's layer).
KScnMesh* MeshToCopyFrom(SWorld& w)
{
    KScnMesh* mesh = w.manager.CreateMesh();
    EXPECT_TRUE(mesh->InitControlPoints(4));
    mesh->BeginPolygon();
    for (int i = 0; i < 4; ++i)
    {
        mesh->SetControlPointAt(KgeTVector(i, i + 1, 0, 1), i);
        mesh->AddPolygonVertex(i);
    }
    EXPECT_TRUE(mesh->InitNormals(0) && mesh->InitTextureUV(20));
    for (int l = 0; l < 3; ++l)
    {
        EXPECT_GE(mesh->AddMaterial(w.manager.CreateMaterial(("New" + std::to_string(l)).c_str()), l), 0);
        EXPECT_GE(mesh->AddTexture(w.manager.CreateTexture(("New" + std::to_string(l)).c_str()), l), 0);
    }
    KScnLayerElement* colours = mesh->GetLayer(1)->GetOrCreateElement(KScnLayerElement::eColor);
    colours->SetMappingMode(KScnLayerElement::eByPolygonVertex);
    colours->SetReferenceMode(KScnLayerElement::eIndexToDirect);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(colours->AddDirectVector(KgeTVector(i, 0, 0, 1)) == i && colours->AddIndex(i) == i);
    AddLinks(w, mesh);
    for (const char* name : {"Grin", "Smile"})
    {
        KScnShape* shape = w.manager.CreateShape();
        shape->InitControlPoints(name[0] == 'G' ? 4 : 2);
        EXPECT_TRUE(name[0] == 'G' || shape->AddMaterial(w.manager.CreateMaterial("Shaped"), 0) >= 0);
        EXPECT_GE(mesh->AddShape(shape, name), 0);
    }
    return mesh;
}

// A public call after a read, its at-th allocation failing: it does all it
// should, or answers as its header says (std::bad_alloc, or a null result
// with nothing made) leaving the world as it was.
SWholeRow AfterRead(const char* rule, const std::string& base, long stride,
                    std::function<bool(SWorld&, long at)> call)
{
    return {rule,
            [&base, call](long at, bool)
            {
                SWorld world(base);
                const bool stopped = call(world, at);
                EXPECT_EQ(world.Intact(), stopped);
                return stopped;
            },
            {false},
            1,
            stride};
}

// Box moved into another scene (made its whole, or joining it), where Sun
// is already, memory staying exhausted from the
// at-th allocation on. Box's mesh has a material of its own in its layers,
// and a shape two; Box has a material and a texture connected, the
// material connected to Sun too (joining, others of their names are listed
// there: their uses are passed over, and they are listed all the same). Stopped, Box is where it was and both
// scenes are as they were (taking it back allocates nothing); else the
// nodes, their geometries and all their materials moved, a connection cut
// there takes its use back, and the nodes leave again with what they carry.
SWholeRow MovedToOtherScene(const std::string& base, bool whole)
{
    return {whole ? "a node made another scene's whole" : "a node joining another scene",
            [&base, whole](long at, bool)
            {
                SWorld w(base);
                KScnSceneRoot* other = w.manager.CreateScene();
                KScnSceneContents* from = w.scene->GetContents();
                KScnSceneContents* to = other->GetContents();
                KScnNode* box = w.manager.FindNode("Box");
                KScnNode* sun = w.manager.FindNode("Sun");
                KScnNode* parent = box->GetParent();
                auto* mesh = static_cast<KScnMesh*>(box->GetMesh());
                KScnShape* shape = w.manager.CreateShape();
                KScnMaterial* extra = w.manager.CreateMaterial("Extra");
                KScnTexture* grain = w.manager.CreateTexture("Grain");
                EXPECT_TRUE(mesh->AddShape(shape, "Grin") >= 0 &&
                            shape->AddMaterial(w.manager.CreateMaterial("Shaped"), 0) >= 0 &&
                            shape->AddMaterial(w.manager.CreateMaterial("Bent"), 0) >= 0 &&
                            mesh->AddMaterial(w.manager.CreateMaterial("Loose"), 0) >= 0 &&
                            box->GetPropertyHandler()->ConnectSrc(extra->GetPropertyHandler()) &&
                            box->GetPropertyHandler()->ConnectSrc(grain->GetPropertyHandler()));
                KScnMaterial* namesake = w.manager.CreateMaterial("Extra");
                EXPECT_TRUE(whole ||
                            (to->AddMaterial(namesake) && to->AddTexture(w.manager.CreateTexture("Grain"))));
                EXPECT_TRUE(other->GetRootNode()->AddChild(sun) &&
                            sun->GetPropertyHandler()->ConnectSrc(extra->GetPropertyHandler()));
                w.before = Summary(w.manager, *w.scene);
                const std::string otherBefore = Summary(w.manager, *other);
                const bool threw =
                    Under(SPlan{at, false, true}, [&] { EXPECT_TRUE(box->SetSceneContents(to, whole)); });
                if (threw)
                {
                    EXPECT_TRUE(box->GetParent() == parent && box->GetSceneContents() == from &&
                                mesh->GetSceneContents() == from && sun->GetSceneContents() == to);
                    EXPECT_TRUE(w.Intact()) << Difference(Summary(w.manager, *w.scene), w.before);
                    EXPECT_EQ(Summary(w.manager, *other), otherBefore);
                    // Sun's use of Extra as it was: cut, nothing of its name takes the namesake's place.
                    sun->GetPropertyHandler()->DisconnectSrc(extra->GetPropertyHandler());
                    EXPECT_TRUE(whole || to->RemoveMaterial(namesake));
                    EXPECT_EQ(to->GetMaterialUseCount(extra), 0);
                    return true;
                }
                EXPECT_EQ(from->GetNodeCount() * 10 + to->GetNodeCount(), whole ? 31 : 33);
                EXPECT_TRUE(box->GetSceneContents() == to && (other->GetRootNode() == box) == whole &&
                            box->GetParent() == nullptr)
                    << "cut from the parent that stays behind";
                EXPECT_TRUE(mesh->GetSceneContents() == to && shape->GetSceneContents() == to);
                EXPECT_EQ(to->GetMaterialCount() * 10 + to->GetTextureCount(), whole ? 52 : 63);
                EXPECT_TRUE(to->GetMaterialUseCount(extra) > 0 && to->GetTextureUseCount(grain) > 0);
                EXPECT_EQ(from->GetMaterialCount() * 10 + from->GetTextureCount(), 0);
                box->GetPropertyHandler()->DisconnectSrc(grain->GetPropertyHandler());
                EXPECT_EQ(to->GetTextureUseCount(grain), whole ? 0 : 1) << "the connection's use went";
                EXPECT_TRUE(box->SetSceneContents(nullptr, true));
                EXPECT_EQ(to->GetMaterialCount() * 10 + to->GetTextureCount(), whole ? 0 : 22)
                    << "all left but Extra, which Sun wears";
                EXPECT_TRUE(box->SetSceneContents(to, whole));
                EXPECT_EQ(to->GetMaterialUseCount(extra), whole ? 1 : 3) << "moved again";
                return false;
            },
            {false},
            30};
}

TEST(ImporterOutOfMemory, StepsAreMadeWholeOrNotAtAll)
{
    TempDir dir;
    const std::string base = dir.WriteFile("base.scn", kBase);
    std::string deferred; // a material's and a node's default take built without failures
    {
        KScnSdkManager manager;
        Channels(
            static_cast<const KScnMaterial*>(manager.CreateMaterial("M"))->GetTakeNode(0)->GetRootCurveNode(),
            deferred);
        Channels(static_cast<const KScnNode*>(manager.CreateNode("N"))->GetTakeNode(0)->GetRootCurveNode(),
                 deferred);
    }
    // A camera switcher of its own, with a take written for it and one the scene has.
    const std::string switcher = dir.WriteFile(
        "switcher.scn",
        "FileHeader: {\n Version: 6000\n}\nObjects: {\n  Model: \"Director\", \"CameraSwitcher\" {\n"
        "    CameraIndex: 2\n  }\n  Model: \"Extra\", \"Null\"\n}\nTakes: {\n  Take: \"Run\" {\n"
        "    Model: \"Director\" {\n      Channel: \"Camera Index\" {\n        Default: 3\n"
        "      }\n    }\n  }\n  Take: \"Earlier\"\n}\n");
    const SWholeRow rows[] = {
        // Listed without the curve's listener, the link would outlive the curve.
        {"a link to a curve",
         [](long at, bool)
         {
             KScnSdkManager manager;
             KScnNode* node = manager.CreateNode("Linked");
             KProperty* property = node->GetNodeProperties()->FindProperty("Visibility");
             const int before = node->GetLinkCount();
             KFCurve* curve = KFCurve::Create();
             const bool threw = ThrowsWithFailing(at, [&] { node->LinkPropertyToCurve(property, 0, curve); });
             EXPECT_EQ(node->GetLinkCount(), before + (threw ? 0 : 1));
             KFCurve::Destroy(curve);
             EXPECT_EQ(node->GetLinkCount(), before) << "the curve's end takes the link with it";
             return threw;
         }},
        // Listed whole: an attribute not listed is not known as listed
        // either (past the list's first room of 8, where the list grows).
        {"a node attribute adopted",
         [](long at, bool)
         {
             KScnSdkManager manager;
             for (int i = 0; i < 8; ++i)
                 manager.CreateNull();
             auto attribute = std::make_unique<KScnFree<KScnNull>>(&manager);
             const bool threw = ThrowsWithFailing(at, [&] { manager.AdoptNodeAttribute(attribute.get()); });
             EXPECT_EQ(manager.HasNodeAttribute(attribute.get()), !threw);
             EXPECT_EQ(manager.GetNodeAttributeCount(), threw ? 8 : 9);
             EXPECT_EQ(manager.AdoptNodeAttribute(attribute.get()), threw);
             attribute.release(); // the manager's
             return threw;
         },
         {false},
         2},
        // A name handed out is remembered first: else a later one could repeat it.
        {"a name made unique",
         [](long at, bool)
         {
             KScnSdkManager manager;
             KScnNode* first = manager.CreateNode("T");
             KScnNode* second = manager.CreateNode("T");
             KNumberRenamingStrategy names;
             EXPECT_FALSE(names.Rename(first));
             const bool threw = ThrowsWithFailing(at, [&] { EXPECT_TRUE(names.Rename(second)); });
             EXPECT_STREQ(second->GetCurrentName(), threw ? "Model::T" : "Model::T1");
             KScnNode* third = manager.CreateNode(second->GetCurrentName());
             EXPECT_TRUE(names.Rename(third));
             EXPECT_TRUE(std::string(third->GetCurrentName()) != second->GetCurrentName() &&
                         std::string(third->GetCurrentName()) != first->GetCurrentName());
             return threw;
         }},
        // A listed material and a twin of its name, passed over, worn in two
        // scenes (the twin wearing a texture). The twin's connection in the
        // second scene is passed over whole or not at all (nothing of a refused
        // one is left to take the name's place); the listed one renamed is renamed whole,
        // the twin taking the old name's place with its texture, or not at
        // all. Either way, with the listed one gone the twin stands for its
        // name, and with both gone no scene lists a material.
        {"a twin of a listed material connected, the listed one renamed",
         [](long at, bool)
         {
             KScnSdkManager manager;
             KScnSceneRoot* scenes[] = {manager.CreateScene(), manager.CreateScene()};
             KScnMaterial* stone = manager.CreateMaterial("Stone");
             KScnMaterial* twin = manager.CreateMaterial("Stone");
             EXPECT_TRUE(twin->GetPropertyHandler()->ConnectSrc(
                 manager.CreateTexture("Grain")->GetPropertyHandler()));
             KScnPropertyHandler* last = nullptr;
             for (KScnSceneRoot* scene : scenes)
                 for (KScnMaterial* worn : {stone, twin})
                 {
                     KScnNode* node = manager.CreateNode("n");
                     last = node->GetPropertyHandler();
                     EXPECT_TRUE(scene->GetRootNode()->AddChild(node) &&
                                 ((scene == scenes[1] && worn == twin) ||
                                  last->ConnectSrc(worn->GetPropertyHandler())));
                 }
             const bool passed = ThrowsWithFailing(at, [&] { last->ConnectSrc(twin->GetPropertyHandler()); });
             EXPECT_TRUE(!passed || last->ConnectSrc(twin->GetPropertyHandler())) << "made again";
             const bool threw = ThrowsWithFailing(at, [&] { stone->SetName("Moss"); });
             EXPECT_STREQ(stone->GetName(), threw ? "Material::Stone" : "Material::Moss");
             for (KScnSceneRoot* scene : scenes)
             {
                 KScnSceneContents* c = scene->GetContents();
                 EXPECT_EQ(c->GetMaterialUseCount(stone) * 10 + c->GetMaterialUseCount(twin),
                           threw ? 10 : 11);
                 EXPECT_EQ(c->GetTextureCount(), threw ? 0 : 1);
                 EXPECT_EQ(c->FindMaterial("Material::Stone"), threw ? stone : twin);
                 EXPECT_EQ(c->FindMaterial("Material::Moss"), threw ? nullptr : stone);
             }
             EXPECT_TRUE(manager.DestroyMaterial(stone));
             for (KScnSceneRoot* scene : scenes)
                 EXPECT_EQ(scene->GetContents()->GetMaterialUseCount(twin) * 10 +
                               scene->GetContents()->GetTextureCount(),
                           11);
             EXPECT_TRUE(manager.DestroyMaterial(twin));
             for (KScnSceneRoot* scene : scenes)
                 EXPECT_EQ(scene->GetContents()->GetMaterialCount(), 0);
             return threw || passed;
         },
         {false},
         4},
        // Listed at both ends or neither (a handle naming a lister that does
        // not list it would reach the lister after it is gone), and the
        // channels and property made for it gone again in every take, what
        // the takes had staying: a handle for a record, one for a property.
        {"a user property listed past a block",
         [](long at, bool)
         {
             KScnSdkManager manager;
             KScnNode* node = manager.CreateNode("N");
             KProperty* own = node->GetNodeProperties()->CreateDynamicProperty("own", eKPropDouble, nullptr, true);
             own->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
             node->AddTakeNode("Second")->GetRootCurveNode()->FindOrCreateChild("own", true);
             node->AddTakeNode("Third");
             for (int i = 0; node->GetUserPropertyCount() % 16 != 15; ++i)
                 node->AddUserProperty(manager.CreateUserProperty(("p" + std::to_string(i)).c_str(), "Real", ""));
             const int before = node->GetUserPropertyCount();
             KScnPropertyRef* late = manager.CreateUserProperty("late", "Real", "");
             late->SetFlag(KScnPropertyRef::kFlagAnimatable, true);
             KScnPropertyRef* handle = manager.CreateUserPropertyFromProperty(own);
             const bool threw = ThrowsWithFailing(at,
                                                  [&]
                                                  {
                                                      node->AddUserProperty(handle);
                                                      node->AddUserProperty(late);
                                                  });
             const int listed = node->GetUserPropertyCount() - before;
             const int holds = node->HoldsUserProperty(handle) + node->HoldsUserProperty(late) * 2;
             EXPECT_EQ(holds, threw ? listed : 3);
             EXPECT_EQ(own->TestStateFlags(KProperty::kStateAnimatableUser), (holds & 1) != 0);
             EXPECT_EQ(late->GetProperty() == nullptr && node->GetNodeProperties()->FindProperty("late") == nullptr,
                       threw)
                 << "the property made for it goes again";
             for (int t = 0; t < 3; ++t)
             {
                 KFCurveNode* root = node->GetTakeNode(t)->GetRootCurveNode();
                 EXPECT_EQ(root->FindDescendant("late") == nullptr, threw);
                 EXPECT_EQ(root->FindDescendant("own") != nullptr, t == 1 || (holds & 1) != 0) << "take " << t;
             }
             WithoutAllocating([&] { EXPECT_TRUE(manager.DestroyNode(node)); }, "the lister destroyed");
             EXPECT_EQ(manager.DestroyUserProperty(handle) + manager.DestroyUserProperty(late) * 2, 3)
                 << "the caller's handles outlive their lister, naming it no more";
             return threw;
         }},
        // The same where the default take waits: its build gives the new
        // property a channel, which goes again with the property.
        {"a user property for a take still waiting",
         [](long at, bool)
         {
             KScnSdkManager manager;
             KScnMaterial* material = manager.CreateMaterial("M");
             KScnPropertyRef* late = manager.CreateUserProperty("late", "Real", "");
             late->SetFlag(KScnPropertyRef::kFlagAnimatable, true);
             const bool threw = ThrowsWithFailing(at, [&] { material->AddUserProperty(late); });
             EXPECT_EQ(material->GetTakeNode(0)->GetRootCurveNode()->FindDescendant("late") == nullptr, threw);
             EXPECT_TRUE(manager.DestroyUserProperty(late));
             return threw;
         }},
        // A map that cannot grow throws: false would be taken for a refused key.
        {"sorted maps grown",
         [](long at, bool)
         {
             KSortedStringMap names(1);
             KSortedIntMap ids(1);
             const bool threw = ThrowsWithFailing(at,
                                                  [&]
                                                  {
                                                      EXPECT_TRUE(names.Add("Lcl Rotation", 1));
                                                      EXPECT_TRUE(ids.Add(7, 2));
                                                  });
             EXPECT_EQ(names.Find("Lcl Rotation"), static_cast<uintptr_t>(names.GetCount()));
             EXPECT_EQ(ids.Find(7), 2u * static_cast<uintptr_t>(ids.GetCount()));
             EXPECT_EQ(names.GetCount() * 10 + ids.GetCount(), threw ? names.GetCount() * 10 : 11);
             return threw;
         }},
        // An id given out with nothing registered under it would never come back.
        {"an object and an entity entering a world",
         [](long at, bool)
         {
             KWorld world;
             auto* object = new KObject;
             object->CreateProperty("P", eKPropDouble)
                 ->GetAttributes()
                 .SetFlag(KPropertyAttributes::kWorldRegistered, true);
             std::vector<KWorldEntity*> made; // past the children's first block
             made.reserve(17);
             const bool threw = ThrowsWithFailing(
                 at,
                 [&]
                 {
                     EXPECT_TRUE(object->EnterWorld(&world));
                     while (made.size() < 17)
                         made.push_back(world.CreateEntity(1, world.GetRoot(0)));
                 });
             const int in = object->GetWorld() != nullptr ? 1 : 0;
             EXPECT_EQ(world.GetObjectIds().Count() * 10 + world.GetPropertyIds().Count(), in * 11);
             EXPECT_EQ(world.GetEntityIds().Count(), 2 + static_cast<int>(made.size()));
             EXPECT_EQ(world.GetRoot(0)->GetChildCount(), static_cast<int>(made.size()));
             for (KWorldEntity* entity : made)
                 world.Release(entity);
             object->Destroy();
             EXPECT_EQ(world.GetObjectIds().Count() + world.GetPropertyIds().Count(), 0);
             return threw;
         }},
        // An end left behind would name the object after it is gone.
        {"a property added, listed at both ends",
         [](long at, bool)
         {
             auto* owner = new KObject;
             auto* other = new KObject;
             KProperty* property = owner->CreateProperty("P", eKPropDouble);
             const bool threw = ThrowsWithFailing(at, [&] { other->AddProperty(property); });
             EXPECT_EQ(other->GetPropertyIndex(property) >= 0, !threw);
             if (!threw)
                 other->RemovePropertyAt(other->GetPropertyIndex(property));
             other->Destroy();
             property->Destroy();
             EXPECT_EQ(owner->GetPropertyCount(), 0);
             owner->Destroy();
             return threw;
         }},
        // Stopped, a default take built when first read waits to be built
        // again. A node's use is cheap and whole: its waiting take, built a
        // part at a time up to the curve read, keeps the parts built before
        // (the curve read before too) while the rest waits; a handle asked for
        // alone is made and listed, or neither.
        {"a deferred take built",
         [&deferred](long at, bool nothrow)
         {
             KScnSdkManager manager;
             const KScnMaterial* material = manager.CreateMaterial("M");
             KScnNode* n = manager.CreateNode("N");
             const KScnTakeNodeEntry* take = static_cast<const KScnNode*>(n)->GetTakeNode(0);
             const KFCurve* y = take->GetTranslationYCurve();
             const int waiting = n->GetDeferredUserPropertyCount(), handles = manager.GetUserPropertyCount();
             KScnPropertyRef* made = nullptr;
             bool threw = ThrowsWithFailing(
                 at, [&] { material->GetTakeNode(0)->GetRootCurveNode(); }, nothrow);
             threw = ThrowsWithFailing(
                         at, [&] { EXPECT_NE(take->FindCurve("Transform", "S", "Z"), nullptr); }, nothrow) ||
                     threw;
             const bool refused = ThrowsWithFailing(at, [&] { made = n->GetUserProperty(30); }, nothrow);
             EXPECT_TRUE(take->IsBuildDeferred() && take->GetTranslationYCurve() == y);
             EXPECT_NE(take->GetScalingZCurve(), nullptr);
             EXPECT_EQ(n->GetDeferredUserPropertyCount(), waiting - (refused ? 0 : 1));
             EXPECT_EQ(manager.GetUserPropertyCount() * 1000 + n->GetUserPropertyCount(),
                       handles * 1000 + waiting);
             EXPECT_TRUE(made == nullptr ? refused : n->GetUserProperty(30) == made);
             std::string built;
             Channels(material->GetTakeNode(0)->GetRootCurveNode(), built);
             Channels(take->GetRootCurveNode(), built);
             EXPECT_EQ(built, deferred);
             WithoutAllocating([&] { EXPECT_TRUE(manager.DestroyNode(n)); }, "the node destroyed");
             EXPECT_EQ(manager.GetUserPropertyCount(), 0);
             return threw || refused;
         },
         {false, true}},
        // Stopped before a curve changed: the curves as they were, their listeners heard again.
        {"keys synchronised",
         [](long at, bool nothrow)
         {
             KFCurve a, b;
             KTime t;
             t.SetSeconds(1);
             a.AppendKey(KTime(), 0);
             b.AppendKey(t, 1);
             KFCurve* curves[] = {&a, &b};
             const bool threw = ThrowsWithFailing(
                 at, [&] { KFCurveFilterKeySync().ApplyToCurves(curves, 2); }, nothrow);
             EXPECT_EQ(a.GetKeyCount() * 10 + b.GetKeyCount(), threw ? 11 : 22);
             EXPECT_TRUE(a.GetListenersEnabled() && b.GetListenersEnabled());
             return threw;
         },
         {true},
         2},
        // Room had before a key leaves: a span replaced whole or not at all.
        {"a span replaced",
         [](long at, bool nothrow)
         {
             KFCurve curve, source;
             for (int i = 0; i < 3; ++i)
                 curve.AppendKey(KTime(i * KTime::kOneSecond), static_cast<float>(i));
             for (int i = 0; i < 300; ++i)
                 source.AppendKey(KTime(KTime::kOneSecond / 2 + i * 1000), 7.0f);
             const bool threw = ThrowsWithFailing(
                 at, [&] { curve.ReplaceSpan(source, source.GetKeyTime(0), source.GetKeyTime(299)); },
                 nothrow);
             EXPECT_EQ(curve.GetKeyCount(), threw ? 3 : 303);
             EXPECT_EQ(curve.GetKeyValue(1), threw ? 1.0f : 7.0f);
             return threw;
         },
         {false, true}},
        // A value given to its channel found without a curve: the curve is made, or the failure reported.
        {"a curve made for a channel's value",
         [](long at, bool nothrow)
         {
             KScnSdkManager manager;
             KScnMaterial* material = manager.CreateMaterial("Shiny");
             KFCurveNode* channel =
                 material->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Shininess");
             KFCurve::Destroy(channel->SetFCurve(nullptr));
             const bool threw = ThrowsWithFailing(
                 at, [&] { material->GetMaterialProperties()->SetShininess(2.0); }, nothrow);
             EXPECT_TRUE(threw || (channel->GetFCurve() != nullptr &&
                                   channel->GetFCurve()->GetDefaultValue() == 2.0f));
             return threw;
         },
         {true}},
        Handler(
            "a deformer", [](KScnSdkManager& m) { return m.CreateDeformer("d", "Skin"); }, 1),
        Handler(
            "an aim constraint", [](KScnSdkManager& m) { return m.CreateConstraint("c", 6); }, 1),
        Handler(
            "a character", [](KScnSdkManager& m) { return m.CreateCharacter("h"); }, 7),
        Lending(false),
        Lending(true),
        DirectWrite(1),
        DirectWrite(2),
        // Written: a vector; a user property, and a constraint's weight (its set
        // does not push every write), through a handle; a texture's default
        // translation; visibility; a light's intensity and colour; an IK
        // effector's reach; a camera's field of view and background.
        WrittenWhole({
            {Node(),
             [](auto* n) { n->GetPropertyHandler()->FindProperty("Lcl Translation")->SetFromDoubles(kXyz); }},
            {Node(), [](auto* n) { EXPECT_TRUE(n->FindUserPropertyByName(kWeight)->SetDouble(7.0)); }},
            {[](KScnSdkManager& m) { return m.CreateConstraint("Held", 1); },
             [](auto* c)
             {
                 auto* weight = c->FindUserProperty(c->GetPropertyHandler()->FindProperty("Weight"));
                 EXPECT_TRUE(weight->SetDouble(50.0));
             }},
            {[](KScnSdkManager& m) { return m.CreateTexture("Written"); },
             [](auto* t) { static_cast<KScnTexture*>(t)->SetDefaultTranslation(1, 2, 3); }},
            {Node(), [](auto* n) { static_cast<KScnNode*>(n)->SetVisibility(false); }},
            {Node(&KScnSdkManager::CreateLight), [](auto* n) { Attribute<KScnLight>(n)->SetIntensity(9.0); }},
            {Node(&KScnSdkManager::CreateLight),
             [](auto* n) { Attribute<KScnLight>(n)->SetColor(KColorRGBA(0.5, 0.25, 0.125, 1.0)); }},
            {Node(&KScnSdkManager::CreateMarker),
             [](auto* n)
             {
                 Attribute<KScnMarker>(n)->SetDefaultIKReachTranslation(30.0);
                 Attribute<KScnMarker>(n)->SetDefaultIKReachRotation(60.0);
             }},
            {Node(&KScnSdkManager::CreateCamera),
             [](auto* n) { Attribute<KScnCamera>(n)->SetFieldOfView(20.0); }},
            {Node(&KScnSdkManager::CreateCamera),
             [](auto* n) { Attribute<KScnCamera>(n)->SetBackgroundColor(KColorRGBA(0.5, 0.25, 0.125, 1.0)); }},
        }),
        // Copies into Box's mesh from a mesh apart: a layer assigned over one
        // with elements, an element copied over one, the mesh (its layers
        // last); undisturbed, the mesh holds what the source holds, each
        // shape one channel a take, and the scene's uses follow the layers.
        MadeWhole("copies into a mesh of a scene on a node with takes", 3, {false},
                  [&base](int way, const FStep& step)
                  {
                      SWorld w(base);
                      KScnMesh* into = MeshToCopyInto(w);
                      KScnMesh* from = MeshToCopyFrom(w);
                      const std::function<void()> copies[] = {
                          [&] { *into->GetLayer(1) = *from->GetLayer(0); },
                          [&]
                          {
                              KScnLayerElement* colours = into->GetLayer(1)->GetColorElement();
                              EXPECT_TRUE(colours->CopyFrom(*from->GetLayer(1)->GetColorElement()));
                          },
                          [&] { into->CopyFrom(*from); }};
                      step(copies[way]);
                      const bool copied = way == 2 && into->GetControlPointsCount() == 4;
                      EXPECT_TRUE(!copied || MeshState(into) == MeshState(from)) << MeshState(into);
                      KScnSceneContents* c = w.scene->GetContents();
                      EXPECT_TRUE(!copied || c->GetMaterialUseCount(w.manager.FindMaterial("Old")) * 10 +
                                                     c->GetMaterialUseCount(w.manager.FindMaterial("New2")) ==
                                                 1);
                      const KScnNode& node = *into->GetNode();
                      for (int t = 0; way == 2 && t < node.GetTakeNodeCount(); ++t)
                      {
                          const KFCurveNode* root = node.GetTakeNode(t)->GetRootCurveNode();
                          int channels = 0;
                          for (int i = 0; i < root->GetChildCount(); ++i)
                          {
                              const std::string name = root->GetChildAt(i)->GetName();
                              channels += name == "Grin" ? 10 : (name == "Smile" ? 1 : 0);
                          }
                          EXPECT_EQ(channels, copied || t > 0 ? 11 : 10) << node.GetTakeNodeName(t);
                      }
                      return MeshState(into, &w);
                  }),
        AfterRead("a take given where missing", base, 1,
                  [](SWorld& w, long at) {
                      return ThrowsWithFailing(at,
                                               [&] { EXPECT_EQ(w.scene->AddTakeWhereMissing("New"), 8); });
                  }),
        AfterRead("a take added", base, 1,
                  [](SWorld& w, long at)
                  {
                      KScnNode* box = w.manager.FindNode("Box");
                      return ThrowsWithFailing(at, [&] { EXPECT_NE(box->AddTakeNode("New"), nullptr); });
                  }),
        AfterRead("a child added", base, 1,
                  [](SWorld& w, long at)
                  {
                      KScnNode* kid = w.manager.CreateNode("Kid");
                      w.before = Summary(w.manager, *w.scene);
                      KScnNode* box = w.manager.FindNode("Box");
                      const bool threw = ThrowsWithFailing(at, [&] { EXPECT_TRUE(box->AddChild(kid)); });
                      EXPECT_EQ(kid->GetParent() == box, !threw);
                      EXPECT_EQ(kid->GetSceneContents() == w.scene->GetContents(), !threw) << "listed as a child is";
                      return threw;
                  }),
        AfterRead("a scene made", base, 500,
                  [](SWorld& w, long at)
                  {
                      KScnSceneRoot* made = nullptr;
                      EXPECT_FALSE(ThrowsWithFailing(at, [&] { made = w.manager.CreateScene(); }));
                      return made == nullptr;
                  }),
        MovedToOtherScene(base, true),
        MovedToOtherScene(base, false),
        // Box moved under Sun in its own scene (it never leaves it), or under
        // a node of another scene: moved with all it carries, or not at all.
        MadeWhole("a child moved within its scene and into another", 2, {false},
                  [&base](int way, const FStep& step)
                  {
                      SWorld w(base);
                      KScnSceneRoot* other = w.manager.CreateScene();
                      KScnNode* holder =
                          way == 0 ? w.manager.FindNode("Sun") : w.manager.CreateNode("Holder");
                      EXPECT_TRUE(way == 0 || other->GetRootNode()->AddChild(holder));
                      KScnNode* box = w.manager.FindNode("Box");
                      step([&] { EXPECT_TRUE(holder->AddChild(box)); });
                      return Summary(w.manager, *w.scene) + "\n" + Summary(w.manager, *other) + "\nunder " +
                             std::to_string(box->GetParent() == holder) +
                             std::to_string(box->GetParent() == w.scene->GetRootNode());
                  }),
        // Connections are whole: a throw from the scene's count of the new
        // use takes it back (the material listed exactly while a node of the
        // scene wears it, once the other wearer leaves); a replace that
        // throws puts the old connection back in its place and ends its bracket.
        MadeWhole(
            "a material put on and replaced on a node of a scene", 2, {false},
            [&base](int way, const FStep& step)
            {
                SWorld w(base);
                KScnNode* sun = w.manager.FindNode("Sun");
                KScnPropertyHandler* box = w.manager.FindNode("Box")->GetPropertyHandler();
                KScnMaterial* shiny = w.manager.CreateMaterial("Gloss");
                KPlug* gloss = shiny->GetPropertyHandler();
                EXPECT_TRUE(sun->GetPropertyHandler()->ConnectSrc(gloss));
                KPlug* matte = way == 0 ? nullptr : w.manager.CreateMaterial("Matte")->GetPropertyHandler();
                EXPECT_TRUE(way == 0 || (box->ConnectSrc(gloss) &&
                                         box->ConnectSrc(w.manager.CreateMaterial("After")->GetPropertyHandler())));
                step([&] { EXPECT_TRUE(way == 0 ? box->ConnectSrc(gloss) : box->ReplaceSrc(gloss, matte)); });
                EXPECT_FALSE(box->IsBeingReplaced(box, gloss));
                const std::string uses = std::to_string(w.scene->GetContents()->GetMaterialUseCount(shiny));
                EXPECT_TRUE(sun->SetSceneContents(nullptr, false));
                return uses + std::to_string(w.scene->GetContents()->GetMaterialUseCount(shiny)) + " at " +
                       std::to_string(box->FindSrc(gloss)) + "," + std::to_string(box->FindSrc(matte));
            }),
        AfterRead("a mesh triangulated", base, 1,
                  [](SWorld& w, long at)
                  {
                      KScnTriangulator* triangulator = w.manager.CreateTriangulator();
                      const auto* mesh = static_cast<KScnMesh*>(w.manager.FindNode("Box")->GetMesh());
                      KScnMesh* made = nullptr;
                      EXPECT_FALSE(
                          ThrowsWithFailing(at, [&] { made = triangulator->TriangulateMesh(*mesh); }));
                      EXPECT_TRUE(made == nullptr || made->GetPolygonCount() == 1);
                      w.manager.DestroyTriangulator(triangulator);
                      return made == nullptr;
                  }),
        // A link copied and a layer element made are the copy's or go again.
        AfterRead(
            "a skinned mesh with layers triangulated", base, 1,
            [](SWorld& w, long at)
            {
                auto* mesh = static_cast<KScnMesh*>(w.manager.FindNode("Box")->GetMesh());
                AddLinks(w, mesh);
                EXPECT_TRUE(mesh->InitNormals(0) && mesh->InitTextureUV(3));
                mesh->GetLayer(mesh->CreateLayer())->GetOrCreateElement(KScnLayerElement::eColor);
                w.before = Summary(w.manager, *w.scene);
                KScnTriangulator* triangulator = w.manager.CreateTriangulator();
                KScnMesh* made = nullptr;
                EXPECT_FALSE(ThrowsWithFailing(at, [&] { made = triangulator->TriangulateMesh(*mesh); }));
                EXPECT_TRUE(made == nullptr || (made->GetLinkCount() == 2 && made->GetLayerCount() == 2));
                w.manager.DestroyTriangulator(triangulator);
                // A link given to a geometry is the caller's until it is taken.
                KScnMesh* spare = w.manager.CreateMesh();
                KScnLink* loose = w.manager.CreateLink();
                const bool refused = ThrowsWithFailing(at, [&] { spare->AddLink(loose); });
                EXPECT_EQ(spare->GetLinkCount(), refused ? 0 : 1);
                EXPECT_EQ(w.manager.DestroyLink(loose), refused);
                EXPECT_TRUE(w.manager.DestroyNodeAttribute(spare));
                return made == nullptr;
            }),
        // An item made, then listed past its list's room: listed, or gone
        // (the leak check below), each list in turn.
        {"items made and listed",
         [](long at, bool)
         {
             KScnSdkManager manager;
             KScnPose* pose = manager.CreatePose("P", false);
             KScnCameraSwitcher* switcher = manager.CreateCameraSwitcher();
             KScnSceneTimeSettings times;
             KStringList names;
             auto add = [&](const std::string& name)
             {
                 pose->Add(name.c_str(), KgeTransformMatrix());
                 switcher->AddCameraName(name.c_str());
                 times.AddTimeMarker(KScnSceneTimeMarker(name.c_str(), KTime(), false));
                 names.Add(name.c_str());
             };
             for (int i = 0; i < 16; ++i)
                 add("Item" + std::to_string(i));
             const std::string last(80, 'x'); // past a string's own room
             const bool threw = ThrowsWithFailing(at, [&] { add(last); });
             const int listed[] = {pose->GetCount(), switcher->GetCameraNameCount(),
                                   times.GetTimeMarkerCount(), names.GetCount()};
             for (int i = 0; i < 4; ++i)
                 EXPECT_TRUE(listed[i] == 17 || (threw && listed[i] == 16 && (i == 3 || listed[i + 1] == 16)))
                     << i;
             return threw;
         }},
        // A shape given to a mesh on a node with two takes: listed with its
        // property and its channel in each take, or none of them and still
        // the caller's.
        MadeWhole("a shape added to a mesh on a node", 1, {false},
                  [&base](int, const FStep& step)
                  {
                      SWorld w(base);
                      KScnNode* box = w.manager.FindNode("Box");
                      box->AddTakeNode("Other");
                      auto* mesh = static_cast<KScnMesh*>(box->GetMesh());
                      KScnShape* shape = w.manager.CreateShape();
                      EXPECT_TRUE(mesh->AddMaterial(w.manager.CreateMaterial("Shade"), 0) >= 0 &&
                                  shape->AddMaterial(w.manager.CreateMaterial("Tint"), 0) >= 0);
                      step([&] { EXPECT_EQ(mesh->AddShape(shape, " Grin "), 0); });
                      const std::string state =
                          MeshState(mesh, &w) + std::to_string(w.manager.IsOwned(shape));
                      EXPECT_EQ(w.manager.DestroyShape(shape), mesh->GetShapeCount() == 0)
                          << "the caller's until taken";
                      return state;
                  }),
        // A description replaced whole or not at all (each text past a
        // string's own room, so that each copy takes memory).
        MadeWhole("a take description replaced", 1, {false},
                  [&base](int, const FStep& step)
                  {
                      SWorld w(base);
                      KScnTakeDescription info;
                      info.mName = "Earlier";
                      info.mImportName = info.mDescription = std::string(70, 'j').c_str();
                      info.mFlags = 7;
                      step([&] { EXPECT_TRUE(w.scene->SetTakeInfo(info)); });
                      const KScnTakeDescription* now = w.scene->GetTakeInfo("Earlier");
                      return std::string(now->mImportName.Buffer()) + now->mDescription.Buffer() +
                             std::to_string(now->mFlags);
                  }),
        // Every object's take made current, or none: past the take-name
        // index's threshold (each index made again), with a transform cached
        // below the root (Sun at x = 5 in T65, 0 in T64), cleared whole or
        // not at all; for the scene, then for one node.
        {"a take made current",
         [&base](long at, bool)
         {
             SWorld w(base);
             KScnNode* box = w.manager.FindNode("Box");
             KScnNode* sun = w.manager.FindNode("Sun");
             KScnNode* kid = w.manager.CreateNode("Kid");
             EXPECT_TRUE(sun->AddChild(box) && box->AddChild(kid));
             for (int t = 0; t < 70; ++t)
                 w.scene->AddTakeWhereMissing(("T" + std::to_string(t)).c_str());
             EXPECT_TRUE(w.scene->SetCurrentTake("T65"));
             const double moved[4] = {5, 0, 0, 0};
             sun->GetNodeProperties()->FindProperty("Lcl Translation")->SetFromDoubles(moved);
             EXPECT_DOUBLE_EQ(box->ComputeGlobalTransform()[12], 5.0);
             kid->GetTakeNode(1)->SetName("T0");
             const bool threw = ThrowsWithFailing(at, [&] { EXPECT_TRUE(w.scene->SetCurrentTake("T64")); });
             std::vector<KScnTakeNodeContainer*> owners{w.scene->GetCameraSwitcherNode()};
             ForEachOwner(w.scene->GetContents(), [&](KScnTakeNodeContainer* o) { owners.push_back(o); });
             for (KScnTakeNodeContainer* owner : owners)
                 EXPECT_STREQ(owner->GetCurrentTakeNode()->GetName(), threw ? "T65" : "T64")
                     << owner->GetName();
             // The caches cleared, a missing take is told, never thrown, memory staying exhausted.
             bool told = true;
             EXPECT_TRUE(threw ||
                         !Under(SPlan{1, false, true}, [&] { told = w.scene->SetCurrentTake("Nowhere"); }));
             EXPECT_TRUE(threw || (!told && w.scene->GetError().GetLastErrorID() == 0));
             EXPECT_TRUE(w.scene->SetCurrentTake("T64"));
             EXPECT_DOUBLE_EQ(box->ComputeGlobalTransform()[12], 0.0) << "no cache left behind";
             EXPECT_TRUE(w.scene->SetCurrentTake("T65"));
             EXPECT_DOUBLE_EQ(kid->ComputeGlobalTransform()[12], 5.0);
             ThrowsWithFailing(at, [&] { sun->SelectTakeNodeByName("T64"); });
             EXPECT_TRUE(sun->SelectTakeNodeByName("T64"));
             EXPECT_DOUBLE_EQ(kid->ComputeGlobalTransform()[12], 0.0) << "no cache left below";
             return threw;
         }},
        // Materials bound to a mesh's layers (a direct element and an
        // index-to-direct one over three connections), used as bound, or
        // every element and use as it was; a material or a texture added to
        // a layer's element comes with its use, or neither.
        MadeWhole("materials bound to layers, one added, a texture added", 3, {false},
                  [&base](int way, const FStep& step)
                  {
                      SWorld w(base);
                      KScnNode* box = w.manager.FindNode("Box");
                      auto* mesh = static_cast<KScnMesh*>(box->GetMesh());
                      for (const char* name : {"Gloss", "Matt"})
                          EXPECT_TRUE(box->GetPropertyHandler()->ConnectSrc(
                              w.manager.CreateMaterial(name)->GetPropertyHandler()));
                      while (mesh->GetLayerCount() < 2)
                          mesh->CreateLayer();
                      for (int type : {KScnLayerElement::eMaterial, KScnLayerElement::eTexture})
                          mesh->GetLayer(0)->GetOrCreateElement(type);
                      KScnLayerElement* indexed =
                          mesh->GetLayer(1)->GetOrCreateElement(KScnLayerElement::eMaterial);
                      indexed->SetReferenceMode(KScnLayerElement::eIndexToDirect);
                      for (int i : {2, 1, 2})
                          indexed->AddIndex(i);
                      KScnMaterial* material = w.manager.CreateMaterial("Added");
                      KScnTexture* texture = w.manager.CreateTexture("Added");
                      const std::function<void()> steps[] = {
                          [&] { w.scene->BindMaterialsToLayers(); },
                          [&] { EXPECT_GE(mesh->AddMaterial(material, 0), 0); },
                          [&] { EXPECT_GE(mesh->AddTexture(texture, 0), 0); }};
                      step(steps[way]);
                      return MeshState(mesh, &w);
                  }),
        // A skin over two meshes, two clusters each with its node: every
        // link given, the clusters marked bound, or none of it.
        MadeWhole("links bound for a skin", 1, {false},
                  [&base](int, const FStep& step)
                  {
                      SWorld w(base);
                      KScnNode* nodes[] = {w.manager.FindNode("Box"), w.manager.CreateNode("Twin")};
                      nodes[1]->SetNodeAttribute(w.manager.CreateMesh());
                      KScnDeformer* skin = w.manager.CreateDeformer("S", "Skin");
                      KScnDeformer* clusters[] = {w.manager.CreateDeformer("C1", "Cluster"),
                                                  w.manager.CreateDeformer("C2", "Cluster")};
                      for (KScnDeformer* d : {skin, clusters[0], clusters[1]})
                          w.scene->GetContents()->AddObject(d);
                      for (KScnDeformer* c : clusters)
                          EXPECT_TRUE(static_cast<KScnClusterDeformerProperties*>(c->GetPropertyHandler())
                                          ->GetSrcModel()
                                          ->Add(w.manager.FindNode("Sun")->GetPropertyHandler()) &&
                                      skin->GetPropertyHandler()->ConnectSrc(c->GetPropertyHandler()));
                      EXPECT_TRUE(w.scene->GetRootNode()->AddChild(nodes[1]));
                      for (KScnNode* node : nodes)
                          EXPECT_TRUE(node->GetPropertyHandler()->ConnectSrc(skin->GetPropertyHandler()));
                      step([&] { w.scene->BindDeformerLinks(); });
                      return MeshState(static_cast<KScnGeometry*>(nodes[0]->GetGeometry()), &w) +
                             MeshState(static_cast<KScnGeometry*>(nodes[1]->GetGeometry())) +
                             std::to_string(clusters[0]->IsLinked() + clusters[1]->IsLinked());
                  }),
        // Put in place whole: the new switcher the scene's own, the old one gone, or neither.
        MadeWhole("a camera switcher put in place", 1, {false},
                  [&base](int, const FStep& step)
                  {
                      SWorld w(base);
                      KScnNode* made = w.manager.CreateNode("Director");
                      made->SetNodeAttribute(w.manager.CreateCameraSwitcher());
                      EXPECT_TRUE(w.scene->GetRootNode()->AddChild(made));
                      step([&] { w.scene->SetCameraSwitcherNode(made); });
                      return Summary(w.manager, *w.scene) + w.scene->GetCameraSwitcherNode()->GetName() +
                             std::to_string(w.manager.IsOwned(made) +
                                            w.manager.IsOwned(made->GetNodeAttribute())) +
                             std::to_string(made->GetParent() != nullptr);
                  }),
        // Refused, the read leaves the scene's switcher with the scene's
        // takes, each current again (a read may also go through a failure it
        // can do without: every allocation of the read is tried).
        {"a file with a camera switcher read into a scene with takes",
         [&base, &switcher](long at, bool)
         {
             SWorld w(base);
             for (const char* take : {"Second", "Third"})
                 w.scene->AddTakeWhereMissing(take);
             w.before = Summary(w.manager, *w.scene);
             const std::vector<std::string> takes = w.scene->GetTakeNames();
             EXPECT_EQ(takes.size(), 4u);
             KScnFree<KScnImporter> importer(&w.manager);
             importer.SetFileFormat(0);
             bool read = false;
             EXPECT_FALSE(ThrowsWithFailing(
                 at, [&] { read = importer.Initialize(switcher.c_str()) && importer.Import(w.scene); }));
             EXPECT_TRUE(read || w.Intact()) << importer.GetStatusText();
             for (const std::string& take : takes)
                 EXPECT_TRUE(w.scene->SetCurrentTake(take.c_str())) << take;
             return gCounted[0] >= at;
         },
         {false},
         1,
         kSlowBuild ? 7 : 1},
    };
    for (const SWholeRow& row : rows)
        RunWhole(row);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "leaks after failed steps";
#endif
}

} // namespace
