// Memory exhausted in the middle of a read. Every format is read into a
// scene that already holds another file's content while this program's
// operator new fails: once at the n-th allocation (every n), from the n-th
// on until the read returns, the nothrow forms answering null too (n
// sampled), once at the n-th nothrow allocation (every n), and twice in a
// row into the same scene (n sampled). Each read must fail with error 0
// "out of memory while ..." (or succeed and make what a read without
// failures makes, where what failed was optional), let no exception out,
// and leave the scene and the manager's lists exactly as they were; under
// AddressSanitizer nothing may leak. And destruction allocates nothing: a
// manager holding every kind of object, or a thousand cameras sharing 150
// takes, is destroyed while every allocation fails. Deformers, constraints
// and characters join the manager's handler list whole or not at all, and a
// value written into a property reaches both takes that hold it or neither.
// The steps below a read (the undo, a property's two ends, a deferred take,
// a take's removal, key synchronisation, a channel's curve) keep their own
// rules while memory runs out.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterKeySync.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/fileio/KScnReadUndo.h"
#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
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

#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace
{
// The allocator's failure plan while armed. The throwing forms and the
// nothrow forms are counted apart (1 is the first of its form after arming).
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

// clang-format off
__attribute__((noinline)) void* operator new(std::size_t size)
{
    if (FailsNow(false))
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
__attribute__((noinline)) void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return FailsNow(true) ? nullptr : std::malloc(size ? size : 1);
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

// What a failed read must leave as it was: every object of the scene with
// its takes and user properties, the scene's lists and the manager's.
std::string Summary(KScnSdkManager& manager, KScnSceneRoot& scene)
{
    KScnSceneContents* c = scene.GetContents();
    std::string text;
    auto owner = [&text](KScnTakeNodeContainer* object)
    {
        text += std::string(object->GetName()) + "/" + std::to_string(object->GetUserPropertyCount());
        for (int t = 0; t < object->GetTakeNodeCount(); ++t)
            text += std::string("/") + object->GetTakeNodeName(t);
        text += " ";
    };
    for (int i = 0; i < c->GetNodeCount(); ++i)
    {
        owner(c->GetNode(i));
        const KScnNodeAttribute* attribute = c->GetNode(i)->GetNodeAttribute();
        text += std::to_string(attribute != nullptr ? attribute->GetAttributeKind() : -1) + " ";
    }
    for (int i = 0; i < c->GetMaterialCount(); ++i)
        owner(c->GetMaterial(i));
    for (int i = 0; i < c->GetTextureCount(); ++i)
        owner(c->GetTexture(i));
    for (int i = 0; i < c->GetObjectCount(); ++i)
        owner(c->GetObject(i));
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

// The channel trees of every take of the scene's objects: what a read that
// succeeded must have made as a read without failures does.
void Channels(const KFCurveNode* node, std::string& text)
{
    text += std::string(node->GetName()) + (node->GetFCurve() != nullptr ? "~" : "") +
            (node->GetFCurve() != nullptr ? std::to_string(node->GetFCurve()->GetKeyCount()) : "") + "(";
    for (int i = 0; i < node->GetChildCount(); ++i)
        Channels(node->GetChildAt(i), text);
    text += ")";
}

std::string Content(KScnSdkManager& manager, KScnSceneRoot& scene)
{
    std::string text = Summary(manager, scene);
    KScnSceneContents* c = scene.GetContents();
    auto owner = [&text](KScnTakeNodeContainer* object)
    {
        for (int t = 0; t < object->GetTakeNodeCount(); ++t)
        {
            const KScnTakeNodeEntry* take = object->GetTakeNode(t);
            if (const KFCurveNode* root = take->GetRootCurveNode())
                Channels(root, text);
        }
    };
    for (int i = 0; i < c->GetNodeCount(); ++i)
        owner(c->GetNode(i));
    for (int i = 0; i < c->GetMaterialCount(); ++i)
        owner(c->GetMaterial(i));
    for (int i = 0; i < c->GetTextureCount(); ++i)
        owner(c->GetTexture(i));
    return text;
}

// One file of each format; side files (an OBJ's library, a texture) have format -1.
struct SFile
{
    const char* name;
    int format;
    std::string bytes;
    bool heavy = false; // thousands of allocations: sampled where every n would be too slow
};

// The content every read goes into: a null with a user property, a camera,
// a light, a textured mesh and a take.
const char* const kBase =
    "FileHeader: {\n Version: 6000\n}\nObjects: {\n"
    "  Model: \"Before\", \"Null\" {\n    UserProperty: \"weight\", \"Number\", \"A\", 2\n  }\n"
    "  Model: \"Eye\", \"Camera\"\n  Model: \"Sun\", \"Light\"\n"
    "  Model: \"Box\", \"Mesh\" {\n    Mesh: {\n      ControlPoints: 0,0,0, 1,0,0, 0,1,0\n"
    "      PolygonSizes: 3\n      PolygonVertices: 0,1,2\n    }\n    Materials: \"Paint\"\n"
    "    Textures: \"Wood\"\n  }\n  Material: \"Paint\"\n  Texture: \"Wood\" {\n    FileName: \"w.tga\"\n  "
    "}\n}\n"
    "Takes: {\n  Take: \"Earlier\" {\n    Model: \"Eye\" {\n    }\n  }\n}\n";

const char* const kScene =
    "FileHeader: {\n Version: 6000\n}\nObjects: {\n"
    "  Model: \"A\", \"Mesh\" {\n    Mesh: {\n      ControlPoints: 0,0,0, 1,0,0, 0,1,0\n"
    "      PolygonSizes: 3\n      PolygonVertices: 0,1,2\n    }\n"
    "    Materials: \"M\"\n    Textures: \"T\"\n    Children: \"B\"\n"
    "    UserProperty: \"lit\", \"Bool\", \"\", 1\n  }\n"
    "  Model: \"B\", \"Null\"\n  Model: \"Cam\", \"Camera\"\n  Model: \"Lamp\", \"Light\"\n"
    "  Model: \"Director\", \"CameraSwitcher\"\n"
    "  Material: \"M\"\n  Texture: \"T\" {\n    FileName: \"t.tga\"\n  }\n}\n"
    "Takes: {\n  Take: \"Run\" {\n    ImportName: \"Sprint\"\n"
    "    TimeWarps: {\n      TimeWarp: 1 {\n        Channel: \"TimeWarp\" {\n          KeyVer: 4004\n"
    "          KeyCount: 2\n          Key: 0, 0, L, 46186158000, 2, L\n        }\n      }\n"
    "      TimeWarp: 2 {\n        Channel: \"TimeWarp\" {\n          Default: 1\n        }\n      }\n    }\n"
    "    Model: \"B\" {\n      Channel: \"Transform\" {\n        Channel: \"T\" {\n          Channel: \"X\" "
    "{\n"
    "            KeyVer: 4004\n            KeyCount: 2\n            Key: 0, 0, L, 92372316000, 20, L\n"
    "          }\n          LayerChannel: {\n            LayerID: 1\n            Channel: \"X\" {\n"
    "              LayerID: 1\n              KeyVer: 4004\n              KeyCount: 2\n"
    "              Key: 0, 0, L, 92372316000, 4, L\n            }\n          }\n          TimeWarpID: 1\n"
    "        }\n      }\n    }\n"
    "    Model: \"Cam\" {\n      Channel: \"FieldOfView\" {\n        Default: 30\n      }\n    }\n  }\n"
    "  Take: \"Walk\" {\n  }\n}\n";

// A character pose (with its private scene) in the binary form of a scene file.
const char* const kPose =
    "FileHeader: {\n Version: 6000\n}\nObjects: {\n"
    "  CharacterPose: \"Crouch\" {\n    Model: \"PHips\"\n    Character: {\n      BASE: {\n"
    "        Hips: \"PHips\"\n      }\n    }\n  }\n}\n";

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
};

struct SResult
{
    bool ok = false;
    bool threw = false;
    int error = -1;
    std::string status;
    long allocations = 0;
    long nothrowAllocations = 0;
    std::string content; // of a read that succeeded, before it was taken back
};

// One read into the world's scene under the plan; the allocator is armed
// only around the importer's public calls.
SResult ReadOnce(SWorld& world, const SFile& file, const std::string& path, const SPlan& plan)
{
    SResult r;
    KScnFree<KScnImporter> importer(&world.manager);
    importer.SetFileFormat(file.format);
    // A read that succeeds (the allocation failed was optional) is taken
    // back, so that the world serves the next read.
    KScnReadUndo undo(world.manager, *world.scene);
    gPlan = plan;
    gCounted[0] = gCounted[1] = 0;
    gExhausted = false;
    gArmed = true;
    try
    {
        r.ok = importer.Initialize(path.c_str()) && importer.Import(world.scene);
    }
    catch (...)
    {
        r.threw = true;
    }
    gArmed = false;
    r.allocations = gCounted[0];
    r.nothrowAllocations = gCounted[1];
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
    SCOPED_TRACE(what + ": " + r.status);
    EXPECT_FALSE(r.threw);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.status.rfind("out of memory while ", 0), 0u);
    EXPECT_EQ(Summary(world.manager, *world.scene), world.before);
    return !r.threw && r.error == 0 && r.status.rfind("out of memory while ", 0) == 0 &&
           Summary(world.manager, *world.scene) == world.before;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSlowBuild = true;
#else
constexpr bool kSlowBuild = false;
#endif

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

// The formats a run reads: scene files, the others, or all.
enum class EFormats
{
    eScene,
    eForeign,
    eAll
};

void RunMode(EMode mode, long samples, EFormats formats = EFormats::eAll)
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
        if (file.format < 0 || (formats == EFormats::eScene && file.format != 0) ||
            (formats == EFormats::eForeign && file.format == 0))
            continue;
        long allocations = 0;
        std::string expected; // what the read makes without failures
        {
            SWorld world(base);
            const SResult r = ReadOnce(world, file, paths[k], SPlan{});
            ASSERT_TRUE(r.ok) << file.name << ": " << r.status;
            // The read taken back leaves the scene and the manager as they were.
            EXPECT_EQ(Summary(world.manager, *world.scene), world.before) << file.name << " undone";
            allocations = mode == EMode::eNothrow ? r.nothrowAllocations : r.allocations;
            expected = r.content;
            if (mode != EMode::eNothrow)
            {
                ASSERT_GT(allocations, 10) << file.name;
            }
        }
        auto world = std::make_unique<SWorld>(base);
        const long most = file.heavy && kSlowBuild && samples == 0 ? 300 : samples;
        const std::vector<long> ns = allocations > 0 ? Sample(allocations, most) : std::vector<long>();
        for (long n : ns)
        {
            const std::string what = std::string(file.name) + " allocation " + std::to_string(n);
            SPlan plan{n, mode == EMode::eNothrow, mode == EMode::eFrom};
            SResult r = ReadOnce(*world, file, paths[k], plan);
            if (r.ok)
            {
                EXPECT_EQ(r.content, expected) << what << ": a read that succeeded made less";
                if (Summary(world->manager, *world->scene) != world->before)
                    world = std::make_unique<SWorld>(base);
                continue; // an allocation the read may go without
            }
            if (!CheckFailed(r, *world, what))
                break;
            if (mode == EMode::eTwice)
            {
                // The other kind of read, failing at the same n, into the same scene.
                const char* otherName = file.format == 0 ? "a.obj" : "a.scn";
                size_t other = 0;
                while (std::string(files[other].name) != otherName)
                    ++other;
                r = ReadOnce(*world, files[other], paths[other], plan);
                if (r.ok)
                {
                    if (Summary(world->manager, *world->scene) != world->before)
                        world = std::make_unique<SWorld>(base);
                }
                else if (!CheckFailed(r, *world, what + " then " + files[other].name))
                    break;
            }
        }
    }
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "leaks after failed reads";
#endif
}

// In two halves, which the test runner runs side by side.
TEST(ImporterOutOfMemory, EveryAllocationFailingOnceFailsASceneReadCleanly)
{
    RunMode(EMode::eOnce, 0, EFormats::eScene);
}

TEST(ImporterOutOfMemory, EveryAllocationFailingOnceFailsAForeignReadCleanly)
{
    RunMode(EMode::eOnce, 0, EFormats::eForeign);
}

TEST(ImporterOutOfMemory, MemoryStayingExhaustedFailsTheReadCleanly)
{
    RunMode(EMode::eFrom, 40);
}

// Every nothrow allocation in the optimised build; sampled under
// AddressSanitizer, where a read costs ten times as much.
TEST(ImporterOutOfMemory, NothrowAllocationsFailingToo)
{
    RunMode(EMode::eNothrow, kSlowBuild ? 60 : 0);
}

TEST(ImporterOutOfMemory, TwoFailingReadsInARow)
{
    RunMode(EMode::eTwice, 60);
}

} // namespace

namespace
{

// Memory exhausted for good (every allocation failing) while a manager is
// destroyed: a destructor that allocates ends the program, so getting past
// the teardown is the rule; and nothing leaks.
void TearDownExhausted(std::unique_ptr<KScnSdkManager>& manager)
{
    gPlan = SPlan{1, false, true};
    gCounted[0] = gCounted[1] = 0;
    gExhausted = false;
    gArmed = true;
    manager.reset();
    gArmed = false;
    EXPECT_EQ(gCounted[0] + gCounted[1], 0) << "allocations asked for while tearing down";
}

// Cameras on nodes that share 150 takes' snapshots: the detach of each
// camera must not copy a snapshot to delete its channels from it. The full
// thousand in the optimised build; under AddressSanitizer a hundred.
TEST(ImporterOutOfMemory, ThousandCamerasWithTheirTakesGoWithoutAllocating)
{
    const int cameras = kSlowBuild ? 100 : 1000;
    auto manager = std::make_unique<KScnSdkManager>();
    KScnSceneRoot* scene = manager->CreateScene();
    for (int i = 0; i < cameras; ++i)
    {
        KScnNode* node = manager->CreateNode(("Camera" + std::to_string(i)).c_str());
        node->SetNodeAttribute(manager->CreateCamera());
        scene->GetRootNode()->AddChild(node);
    }
    for (int t = 0; t < 150; ++t)
        scene->AddTakeWhereMissing(("Take" + std::to_string(t)).c_str());
    ASSERT_EQ(scene->GetRootNode()->GetChild(0)->GetTakeNodeCount(), 151);
    TearDownExhausted(manager);
}

// Every kind of object a scene file makes, read into a scene, then the
// manager destroyed with memory exhausted; the same after a read undone.
TEST(ImporterOutOfMemory, EveryKindOfObjectGoesWithoutAllocating)
{
    TempDir dir;
    const std::string every = dir.WriteFile("every.scn", scntest::kEveryKindScene);
    const std::string base = dir.WriteFile("base.scn", kBase);
    for (const bool undone : {false, true})
    {
        auto manager = std::make_unique<KScnSdkManager>();
        KScnSceneRoot* scene = manager->CreateScene();
        for (const std::string& path : {base, every})
        {
            KScnReadUndo undo(*manager, *scene);
            KScnFree<KScnImporter> importer(manager.get());
            importer.SetFileFormat(0);
            ASSERT_TRUE(importer.Initialize(path.c_str()) && importer.Import(scene))
                << importer.GetStatusText();
            if (undone && path == every)
                undo.Restore();
        }
        SCOPED_TRACE(undone ? "after an undo" : "as read");
        TearDownExhausted(manager);
    }
}

} // namespace

namespace
{

// A curve linked to a property: memory running out at any step of the link
// leaves it made whole or not at all. Listed without the curve's listener,
// the link would outlive the curve and be read after it was freed.
TEST(ImporterOutOfMemory, ALinkToACurveIsMadeWholeOrNotAtAll)
{
    for (const long failing : {1L, 2L, 3L, 4L})
    {
        SCOPED_TRACE("allocation " + std::to_string(failing) + " failing");
        KScnSdkManager manager;
        KScnNode* node = manager.CreateNode("Linked");
        KProperty* property = node->GetNodeProperties()->FindProperty("Visibility");
        ASSERT_NE(property, nullptr);
        const int before = node->GetLinkCount();
        KFCurve* curve = KFCurve::Create();
        gPlan = SPlan{failing, false, false};
        gCounted[0] = gCounted[1] = 0;
        gExhausted = false;
        gArmed = true;
        bool threw = false;
        try
        {
            node->LinkPropertyToCurve(property, 0, curve);
        }
        catch (const std::bad_alloc&)
        {
            threw = true;
        }
        gArmed = false;
        EXPECT_EQ(node->GetLinkCount(), before + (threw ? 0 : 1));
        KFCurve::Destroy(curve);
        EXPECT_EQ(node->GetLinkCount(), before) << "the curve's end takes the link with it";
        manager.DestroyNode(node);
    }
}

} // namespace

namespace
{

// Runs the step with the at-th allocation failing (of the nothrow forms
// when asked); true when it threw std::bad_alloc.
bool ThrowsWithFailing(long at, const std::function<void()>& step, bool nothrow = false)
{
    gPlan = SPlan{at, nothrow, false};
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

// A deformer, constraint or character listed by the manager is listed whole
// or not at all when memory runs out while it is made (the first
// allocations, then every 7th of a character's many); nothing is left
// behind (AddressSanitizer checks the leaks).
TEST(ImporterOutOfMemory, HandlerObjectsAreListedWholeOrNotAtAll)
{
    struct Row
    {
        const char* what;
        std::function<KScnTakeNodeContainer*(KScnSdkManager&)> make;
        long stride;
    };
    const Row rows[] = {
        {"deformer", [](KScnSdkManager& m) { return m.CreateDeformer("d", "Skin"); }, 1},
        {"aim constraint", [](KScnSdkManager& m) { return m.CreateConstraint("c", 6); }, 1},
        {"character", [](KScnSdkManager& m) { return m.CreateCharacter("h"); }, 7},
    };
    for (const Row& row : rows)
    {
        KScnSdkManager manager;
        manager.CreateDeformer("kept", "Skin");
        KScnConstraint* detached = manager.CreateConstraint("detached", 1);
        detached->DisconnectAll();
        const KObjectList* list = manager.GetHandlerList();
        long failed = 0;
        for (long at = 1;; at += at < 40 ? 1 : row.stride)
        {
            KScnTakeNodeContainer* made = nullptr;
            const bool threw = ThrowsWithFailing(at, [&] { made = row.make(manager); });
            SCOPED_TRACE(std::string(row.what) + ", allocation " + std::to_string(at));
            if (!threw)
            {
                ASSERT_NE(made, nullptr);
                EXPECT_EQ(manager.GetHandlerObjectCount(), 3);
                EXPECT_EQ(list->GetSrcCount(), 2);
                EXPECT_EQ(manager.GetHandlerObject(1), made) << "listed, before the detached one";
                EXPECT_EQ(manager.GetHandlerObject(2), detached);
                break;
            }
            ++failed;
            EXPECT_EQ(manager.GetHandlerObjectCount(), 2);
            EXPECT_EQ(list->GetSrcCount(), 1);
            EXPECT_EQ(manager.GetHandlerObject(1), detached);
        }
        EXPECT_GT(failed, 3) << row.what;
        // Once listed, each goes through its destroyer without allocating.
        EXPECT_FALSE(ThrowsWithFailing(1, [&] { EXPECT_TRUE(manager.DestroyObject(detached)); }));
        EXPECT_EQ(gCounted[0] + gCounted[1], 0) << row.what;
        EXPECT_FALSE(
            ThrowsWithFailing(1, [&] { EXPECT_TRUE(manager.DestroyObject(manager.GetHandlerObject(1))); }));
        EXPECT_EQ(gCounted[0] + gCounted[1], 0) << row.what;
        EXPECT_EQ(manager.GetHandlerObjectCount(), 1) << row.what;
    }
}

// A manager holding listed and detached deformers, constraints and
// characters is destroyed while every allocation fails.
TEST(ImporterOutOfMemory, HandlerObjectsGoWithoutAllocating)
{
    auto manager = std::make_unique<KScnSdkManager>();
    KScnSceneRoot* scene = manager->CreateScene();
    for (int i = 0; i < 3; ++i)
    {
        manager->CreateDeformer(("d" + std::to_string(i)).c_str(), i == 0 ? "Cluster" : "Skin");
        KScnConstraint* c = manager->CreateConstraint(("c" + std::to_string(i)).c_str(), i + 1);
        scene->GetContents()->AddObject(c);
        scene->CreateCharacter(("h" + std::to_string(i)).c_str());
        if (i == 1)
        {
            // The detach step is noted without allocating (the room was kept).
            gPlan = SPlan{1, false, true};
            gCounted[0] = gCounted[1] = 0;
            gExhausted = false;
            gArmed = true;
            c->DisconnectAll();
            gArmed = false;
            EXPECT_EQ(gCounted[0] + gCounted[1], 0) << "allocations asked for by a detach";
            manager->CreateDeformer("detached", "Skin")->Detach();
        }
    }
    ASSERT_EQ(manager->GetHandlerObjectCount(), 10);
    TearDownExhausted(manager);
}

// A value written straight into an animatable property while memory runs
// out: both takes that hold its channel (a take sharing the default take's
// tree, current, and the default take) get it, or neither does.
TEST(ImporterOutOfMemory, ADirectWriteReachesBothTakesOrNeither)
{
    // With a second take the default take still lends its tree once the
    // current take has its own: writing the default take then allocates too.
    for (int takes = 1; takes <= 2; ++takes)
        for (long at = 1;; ++at)
        {
            ASSERT_LT(at, 5000) << "the write never succeeds";
            SCOPED_TRACE(std::to_string(takes) + " takes, allocation " + std::to_string(at));
            KScnSdkManager manager;
            KScnNode* node = manager.CreateNode("n");
            ASSERT_NE(node->AddTakeNode("Run"), nullptr);
            ASSERT_TRUE(takes < 2 || node->AddTakeNode("Walk") != nullptr);
            ASSERT_TRUE(node->SelectTakeNodeByName("Run"));
            const bool threw = ThrowsWithFailing(at, [&] { node->SetVisibility(false); });
            auto visibility = [](KScnTakeNodeEntry* take)
            {
                const KFCurveNode* channel =
                    static_cast<const KScnTakeNodeEntry*>(take)->GetRootCurveNode()->FindDescendant(
                        "Visibility");
                return channel != nullptr && channel->GetFCurve() != nullptr
                           ? channel->GetFCurve()->GetDefaultValue()
                           : -1.0f;
            };
            const float run = visibility(node->GetTakeNode(1));
            EXPECT_EQ(visibility(node->GetDefaultTakeNode()), run);
            EXPECT_EQ(run, threw ? 1.0f : 0.0f);
            if (!threw)
            {
                break;
            }
        }
}

// A default take that lends its tree to its takes gets a copy of its own at
// its first write (its writable root, or a link, whose curve may be
// written, asked for), its curve links moved onto it: memory running out at
// any allocation of that (either form: null or std::bad_alloc) leaves it
// lent as it was, the links on the lent tree (a curve linked to two
// properties keeps both), nothing handed out and nothing written; the next
// write, with memory back, ends the lending whole. Nothing leaks.
TEST(ImporterOutOfMemory, TheDefaultTakeStopsLendingWholeOrNotAtAll)
{
    for (const bool throughLink : {false, true})
    for (const bool nothrow : {false, true})
    {
        bool failedOnce = false;
        for (long failing = 1;; ++failing)
        {
            SCOPED_TRACE(std::string(throughLink ? "a link, " : "the root, ") + (nothrow ? "nothrow " : "") +
                         "allocation " + std::to_string(failing));
            KScnSdkManager manager;
            KScnNode* node = manager.CreateNode("Lender");
            ASSERT_NE(node->AddTakeNode("Run"), nullptr);
            const KScnNode& reader = *node;
            const KFCurveNode* lent = reader.GetDefaultTakeNode()->GetRootCurveNode();
            ASSERT_TRUE(reader.GetDefaultTakeNode()->IsLendingTree());
            KFCurve* visibility = const_cast<KFCurve*>(lent->FindDescendant("Visibility")->GetFCurve());
            ASSERT_EQ(visibility->GetListenerCount(), 1) << "linked to its property";
            KProperty* translation = node->GetNodeProperties()->FindProperty("Lcl Translation");
            node->LinkPropertyToCurve(translation, 0, visibility);
            const int links = node->GetLinkCount();

            gPlan = SPlan{failing, nothrow, false};
            gCounted[0] = gCounted[1] = 0;
            gExhausted = false;
            gArmed = true;
            bool handedOut = false;
            bool threw = false;
            try
            {
                handedOut = throughLink ? node->GetLink(0) != nullptr
                                        : node->GetDefaultTakeNode()->GetRootCurveNode() != nullptr;
            }
            catch (const std::bad_alloc&)
            {
                threw = true;
            }
            gArmed = false;
            const bool failed = gCounted[nothrow ? 1 : 0] >= failing;
            EXPECT_EQ(!handedOut || threw, failed);
            EXPECT_EQ(reader.GetDefaultTakeNode()->IsLendingTree(), failed);
            EXPECT_EQ(node->GetLinkCount(), links);
            EXPECT_EQ(visibility->GetListenerCount(), failed ? 2 : 0) << "the links moved, or stayed";
            if (!failed)
                break; // fewer allocations than that: every one failed once
            failedOnce = true;

            // Memory back: the write ends the lending, the links follow it.
            KFCurve* written = node->GetDefaultTakeNode()->FindCurve("Transform", "Visibility", nullptr);
            ASSERT_NE(written, nullptr);
            EXPECT_FALSE(reader.GetDefaultTakeNode()->IsLendingTree());
            EXPECT_NE(written, visibility);
            written->SetDefaultValue(0.5f);
            EXPECT_DOUBLE_EQ(node->GetNodeProperties()->FindProperty("Visibility")->GetDouble(), 0.5)
                << "the link moved onto the default take's copy";
            double t[4] = {};
            translation->GetAsDoubles(t);
            EXPECT_DOUBLE_EQ(t[0], 0.5) << "so did the second link of the curve";
            EXPECT_EQ(node->GetLinkCount(), links);
            EXPECT_EQ(reader.GetTakeNode(1)->GetRootCurveNode(), lent);
            EXPECT_FLOAT_EQ(visibility->GetDefaultValue(), 1.0f) << "the take reads what it read";
            EXPECT_EQ(visibility->GetListenerCount(), 0);
            ASSERT_LT(failing, 10000);
        }
        EXPECT_TRUE(failedOnce);
    }
}

} // namespace

namespace
{

// What a read may have made or changed, each taken back by the undo while
// memory stays exhausted.
TEST(ImporterOutOfMemory, TheReadUndoTakesBackWhatTheReadMade)
{
    TempDir dir;
    const std::string base = dir.WriteFile("base.scn", kBase);
    const std::vector<std::pair<const char*, std::function<void(SWorld&)>>> rows = {
        {"a scene (a pose's own)", [](SWorld& w) { w.manager.CreateScene(); }},
        {"a video", [](SWorld& w) { w.manager.CreateVideo("Clip"); }},
        {"a take with its description",
         [](SWorld& w)
         {
             w.scene->AddTakeWhereMissing("New");
             KScnTakeDescription info;
             info.mName = "New";
             w.scene->SetTakeInfo(info);
         }},
        {"a description replaced",
         [](SWorld& w)
         {
             KScnTakeDescription info;
             info.mName = "Earlier";
             info.mDescription = "replaced";
             w.scene->SetTakeInfo(info);
         }},
    };
    for (const auto& row : rows)
    {
        SWorld world(base);
        const std::string description = world.scene->GetTakeInfo("Earlier")->mDescription.Buffer();
        KScnReadUndo undo(world.manager, *world.scene);
        row.second(world);
        ASSERT_NE(Summary(world.manager, *world.scene) +
                      world.scene->GetTakeInfo("Earlier")->mDescription.Buffer(),
                  world.before + description)
            << row.first;
        gPlan = SPlan{1, false, true};
        gCounted[0] = gCounted[1] = 0;
        gExhausted = false;
        gArmed = true;
        undo.Restore();
        gArmed = false;
        EXPECT_EQ(gCounted[0] + gCounted[1], 0) << row.first;
        EXPECT_EQ(Summary(world.manager, *world.scene), world.before) << row.first;
        EXPECT_STREQ(world.scene->GetTakeInfo("Earlier")->mDescription.Buffer(), description.c_str())
            << row.first;
    }
}

// A property added to an object is listed at both ends or neither: an end
// left behind would name the object after it is gone.
TEST(ImporterOutOfMemory, APropertyAddedIsListedAtBothEndsOrNeither)
{
    for (const long failing : {1L, 2L, 3L, 4L})
    {
        SCOPED_TRACE("allocation " + std::to_string(failing) + " failing");
        auto* owner = new KObject;
        auto* other = new KObject;
        KProperty* property = owner->CreateProperty("P", eKPropDouble);
        const bool threw = ThrowsWithFailing(failing, [&] { other->AddProperty(property); });
        EXPECT_EQ(other->GetPropertyIndex(property) >= 0, !threw);
        if (!threw)
            other->RemovePropertyAt(other->GetPropertyIndex(property));
        other->Destroy();
        property->Destroy();
        EXPECT_EQ(owner->GetPropertyCount(), 0);
        owner->Destroy();
    }
}

// A default take built when first read: stopped by memory running out, it
// waits to be built again (and then is whole), never stays without channels.
TEST(ImporterOutOfMemory, ADeferredTakeIsBuiltWholeOrWaitsAgain)
{
    std::string expected;
    {
        KScnSdkManager manager;
        Channels(
            static_cast<const KScnMaterial*>(manager.CreateMaterial("M"))->GetTakeNode(0)->GetRootCurveNode(),
            expected);
    }
    for (const bool nothrow : {false, true})
        for (long n = 1;; ++n)
        {
            SCOPED_TRACE(std::string(nothrow ? "nothrow " : "") + "allocation " + std::to_string(n) +
                         " failing");
            KScnSdkManager manager;
            const KScnMaterial* material = manager.CreateMaterial("M");
            const bool threw = ThrowsWithFailing(
                n, [&] { material->GetTakeNode(0)->GetRootCurveNode(); }, nothrow);
            const KFCurveNode* root = material->GetTakeNode(0)->GetRootCurveNode();
            ASSERT_NE(root, nullptr);
            std::string built;
            Channels(root, built);
            EXPECT_EQ(built, expected);
            if (!threw)
                break;
        }
}

// Removing a take allocates nothing, also when the take-name index went
// stale (a take renamed since): a read undone removes takes while memory
// may stay exhausted.
TEST(ImporterOutOfMemory, ATakeGoesWithoutAllocatingWhenItsNameIndexIsStale)
{
    KScnSdkManager manager;
    KScnNode* node = manager.CreateNode("Taken");
    for (int t = 0; t < 10; ++t)
        node->AddTakeNode(("T" + std::to_string(t)).c_str());
    ASSERT_TRUE(node->HasTakeNode("T0")); // the index is made
    node->GetTakeNode(3)->SetName("Renamed");
    gPlan = SPlan{1, false, true};
    gCounted[0] = gCounted[1] = 0;
    gExhausted = false;
    gArmed = true;
    const bool removed = node->RemoveTakeNode(6);
    gArmed = false;
    EXPECT_TRUE(removed);
    EXPECT_EQ(gCounted[0] + gCounted[1], 0) << "allocations asked for while removing a take";
    EXPECT_TRUE(node->HasTakeNode("Renamed"));
    EXPECT_FALSE(node->HasTakeNode("T5"));
    manager.DestroyNode(node);
}

// Keys synchronised: memory running out before a curve changed leaves the
// curves as they were, their listeners heard again.
TEST(ImporterOutOfMemory, SynchronisedCurvesAreLeftAsTheyWereWhenACopyFails)
{
    for (const long failing : {1L, 2L})
    {
        SCOPED_TRACE("nothrow allocation " + std::to_string(failing) + " failing");
        KFCurve a, b;
        KTime t;
        t.SetSeconds(1);
        a.AppendKey(KTime(), 0);
        b.AppendKey(t, 1);
        KFCurve* curves[] = {&a, &b};
        EXPECT_TRUE(ThrowsWithFailing(
            failing, [&] { KFCurveFilterKeySync().ApplyToCurves(curves, 2); }, true));
        EXPECT_EQ(a.GetKeyCount() * 10 + b.GetKeyCount(), 11);
        EXPECT_TRUE(a.GetListenersEnabled() && b.GetListenersEnabled());
    }
}

} // namespace

namespace
{

// A property's value given to its channel found without a curve: the curve
// is made with the value, or memory running out is reported; the value is
// never dropped silently.
TEST(ImporterOutOfMemory, AValueGivenToAChannelWithoutItsCurveMakesTheCurveOrThrows)
{
    for (long n = 1;; ++n)
    {
        SCOPED_TRACE("nothrow allocation " + std::to_string(n) + " failing");
        KScnSdkManager manager;
        KScnMaterial* material = manager.CreateMaterial("Shiny");
        KFCurveNode* channel =
            material->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Shininess");
        ASSERT_NE(channel, nullptr);
        KFCurve::Destroy(channel->SetFCurve(nullptr));
        const bool threw = ThrowsWithFailing(
            n, [&] { material->GetMaterialProperties()->SetShininess(2.0); }, true);
        EXPECT_TRUE(threw ||
                    (channel->GetFCurve() != nullptr && channel->GetFCurve()->GetDefaultValue() == 2.0f));
        if (!threw)
            break;
    }
}

} // namespace
