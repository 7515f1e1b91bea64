// Memory exhausted in the middle of a read: every allocation of one small
// read of each format is made to fail in turn; the importer fails with error
// 0 and "out of memory while ...", and the scene and the manager's lists are
// as they were. This program's operator new throws at the n-th allocation
// once armed (off by default, so the program's other tests do not notice).

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/scenesdk/importers/DxfText.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace
{
long gFailIn = 0; // allocations left before the one that fails; 0: never fail
long gCounted = 0;
long gRead = 0; // allocations of the last read
} // namespace

// clang-format off
__attribute__((noinline)) void* operator new(std::size_t size)
{
    ++gCounted;
    if (gFailIn > 0 && --gFailIn == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
// Allocations that answer null are not failed: the rule is that no exception escapes a read.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
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

// What a failed read must leave as it was: nodes with their takes,
// materials, textures, the scene's lists and the manager's.
std::string Summary(KScnSdkManager& manager, KScnSceneRoot& scene)
{
    KScnSceneContents* c = scene.GetContents();
    std::string text;
    for (int i = 0; i < c->GetNodeCount(); ++i)
        text += std::string(c->GetNode(i)->GetName()) + "/" +
                std::to_string(c->GetNode(i)->GetTakeNodeCount()) + " ";
    for (int i = 0; i < c->GetMaterialCount(); ++i)
        text += std::string(c->GetMaterial(i)->GetName()) + " ";
    for (int i = 0; i < c->GetTextureCount(); ++i)
        text += std::string(c->GetTexture(i)->GetName()) + " ";
    for (int n : {c->GetObjectCount(), scene.GetTakeInfoCount(), scene.GetCharacterPoseCount(),
                  manager.GetNodeCount(), manager.GetNodeAttributeCount(), manager.GetMaterialCount(),
                  manager.GetTextureCount(), manager.GetHandlerObjectCount()})
        text += std::to_string(n) + ",";
    return text;
}

// A manager whose scene holds a node with a take of its own; kept from one
// failed read to the next (each leaves it as it was).
struct SWorld
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    std::string before;
    SWorld()
    {
        scene->GetRootNode()->AddChild(manager.CreateNode("Before"));
        scene->AddTakeWhereMissing("Earlier");
        before = Summary(manager, *scene);
    }
};

// One read into the world's scene with allocation failAt failed (0: none);
// false when refused, with the error and status.
bool ReadOnce(SWorld& world, const std::string& path, long failAt, int& error, std::string& status)
{
    KScnFree<KScnImporter> importer(&world.manager);
    importer.SetFileFormat(KScnImporter::FindFileFormat(path.substr(path.rfind('.') + 1).c_str()));
    gCounted = 0;
    gFailIn = failAt;
#if defined(__SANITIZE_ADDRESS__)
    // A constructor stopped part-way leaks what it had made (kernel
    // constructors are not undone member by member); the rule checked is
    // that nothing half-made stays listed.
    if (failAt > 0)
        __lsan_disable();
#endif
    const bool ok = importer.Initialize(path.c_str()) && importer.Import(world.scene);
#if defined(__SANITIZE_ADDRESS__)
    if (failAt > 0)
        __lsan_enable();
#endif
    gFailIn = 0;
    gRead = gCounted;
    error = importer.GetLastErrorID();
    status = importer.GetStatusText();
    return ok;
}

const char* const kScene =
    "; scene\nFileHeader: {\n Version: 6000\n}\nObjects: {\n"
    "  Model: \"A\", \"Mesh\" {\n    Mesh: {\n      ControlPoints: 0,0,0, 1,0,0, 0,1,0\n"
    "      PolygonSizes: 3\n      PolygonVertices: 0,1,2\n    }\n"
    "    Materials: \"M\"\n    Textures: \"T\"\n    Children: \"B\"\n  }\n"
    "  Model: \"B\", \"Null\"\n  Material: \"M\"\n  Texture: \"T\" {\n    FileName: \"t.tga\"\n  }\n}\n"
    "Takes: {\n  Take: \"Run\" {\n    Model: \"A\" {\n    }\n  }\n}\n";

TEST(ImporterOutOfMemory, EveryAllocationOfAReadFailsCleanly)
{
    const std::string mesh = Chunk(0x4100, VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                                               FaceList({0, 1, 2}, MaterialGroup("Red", {0})));
    const std::pair<const char*, std::string> files[] = {
        {"a.scn", kScene},
        {"a.mtl", "newmtl Red\nKd 1 0 0\nmap_Kd red.tga\n"}, // the OBJ's library, not read alone
        {"a.obj", "mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng G\nusemtl Red\nf 1 2 3\n"},
        {"a.3ds", File3DS(Chunk(0xAFFF, Chunk(0xA000, Cstr("Red"))) + Chunk(0x4000, Cstr("O") + mesh))},
        {"a.dxf", importtest::Entities("0 3DFACE 8 L 10 0 20 0 30 0 11 1 21 0 31 0 12 0 22 1 32 0")},
        {"a.bvh", "HIERARCHY\nROOT Hips\n{\nOFFSET 0 1 0\nCHANNELS 3 Xposition Yposition Zposition\n"
                  "End Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 2\nFrame Time: 0.1\n0 0 0\n1 1 1\n"},
        {"a.trc", "PathFileType\t4\t(X/Y/Z)\ta.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n"
                  "60\t60\t2\t1\tmm\nFrame#\tTime\tHead\n\t\tX1\tY1\tZ1\n\n1\t0\t0\t1\t0\n2\t0.017\t1\t1\t0\n"},
        {"a.htr", "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 2\n"
                  "DataFrameRate 60\nEulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n"
                  "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n[SegmentNames&Hierarchy]\nHip\tGLOBAL\n"
                  "[BasePosition]\nHip\t0\t900\t0\t0\t0\t0\t120\n[Hip]\n1\t0\t0\t0\t0\t0\t0\t1\n"
                  "2\t0\t0\t0\t20\t0\t0\t1\n[EndOfFile]\n"},
        {"a.asf", ":version 1.10\n:name tiny\n:units\n  length 1\n  angle deg\n:root\n  order TX TY TZ RZ RY RX\n"
                  "  axis XYZ\n  position 0 0 0\n  orientation 0 0 0\n:bonedata\n  begin\n    id 1\n"
                  "    name spine\n    direction 0 1 0\n    length 10\n    axis 0 0 0 XYZ\n    dof rx\n  end\n"
                  ":hierarchy\n  begin\n    root spine\n  end\n"},
    };
    TempDir dir;
    for (const auto& [name, bytes] : files)
    {
        const std::string path = dir.WriteFile(name, bytes);
        if (path.substr(path.size() - 3) == "mtl")
            continue;
        int error = 0;
        std::string status;
        long allocations = 0;
        {
            SWorld world;
            ASSERT_TRUE(ReadOnce(world, path, 0, error, status)) << name << ": " << status;
            allocations = gRead;
            ASSERT_GT(allocations, 10) << name;
        }
        auto world = std::make_unique<SWorld>();
        for (long n = 1; n <= allocations; ++n)
        {
            if (ReadOnce(*world, path, n, error, status))
            {
                world = std::make_unique<SWorld>(); // an allocation a read may go without
                continue;
            }
            SCOPED_TRACE(std::string(name) + " allocation " + std::to_string(n) + ": " + status);
            ASSERT_EQ(error, 0);
            ASSERT_EQ(status.rfind("out of memory while ", 0), 0u);
            ASSERT_EQ(Summary(world->manager, *world->scene), world->before);
        }
    }
}

} // namespace
