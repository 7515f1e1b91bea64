// Memory exhausted in the middle of a read: the importer fails with error 0
// and "out of memory while ...", and the scene (and the manager's lists) are
// as they were. Every allocation of one small read of each format is made
// to fail in turn.
//
// This program's operator new is replaced below: it throws std::bad_alloc
// at the n-th allocation once armed, and is a plain malloc otherwise (off by default,
// so the other tests of the program do not notice it).

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
// Allocations left before the one that fails; 0: never fail.
long gFailIn = 0;
long gCounted = 0;
bool gCounting = false;
} // namespace

__attribute__((noinline)) void* operator new(std::size_t size)
{
    if (gCounting)
        ++gCounted;
    if (gFailIn > 0 && --gFailIn == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
// Allocations that answer null instead of throwing are not failed: the
// rule tested is that no exception escapes a read.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size ? size : 1);
}
// Kept out of line, and every other form through it: the compiler would
// otherwise pair an inlined free with the new it cannot see through.
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
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}

using namespace scenesdk;
using namespace importtest;
using namespace testsupport;

namespace
{

// What a failed read must leave as it was: the scene's nodes with their
// takes, materials, textures, and the manager's lists.
std::string Summary(KScnSdkManager& manager, KScnSceneRoot& scene)
{
    KScnSceneContents* contents = scene.GetContents();
    std::string text;
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        text += std::string(contents->GetNode(i)->GetName()) + "/" +
                std::to_string(contents->GetNode(i)->GetTakeNodeCount()) + " ";
    for (int i = 0; i < contents->GetMaterialCount(); ++i)
        text += std::string(contents->GetMaterial(i)->GetName()) + " ";
    for (int i = 0; i < contents->GetTextureCount(); ++i)
        text += std::string(contents->GetTexture(i)->GetName()) + " ";
    text += "objects " + std::to_string(contents->GetObjectCount()) + " take infos " +
            std::to_string(scene.GetTakeInfoCount()) + " poses " +
            std::to_string(scene.GetCharacterPoseCount()) + " manager " +
            std::to_string(manager.GetNodeCount()) + "," + std::to_string(manager.GetNodeAttributeCount()) +
            "," + std::to_string(manager.GetMaterialCount()) + "," +
            std::to_string(manager.GetTextureCount()) + "," + std::to_string(manager.GetHandlerObjectCount());
    return text;
}

struct SOutcome
{
    bool ok = false;
    int error = -1;
    std::string status, before, after;
    long allocations = 0;
};

// A manager whose scene holds a node with a take of its own; kept from one
// failed read to the next (each leaves it as it was).
struct SWorld
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = nullptr;
    std::string before;
    SWorld()
    {
        scene = manager.CreateScene();
        scene->GetRootNode()->AddChild(manager.CreateNode("Before"));
        scene->AddTakeWhereMissing("Earlier");
        before = Summary(manager, *scene);
    }
};

// One read of the file into the world's scene, the failure armed at
// allocation failAt (0: none) for the read alone.
SOutcome ReadOnce(SWorld& world, const std::string& path, int format, long failAt)
{
    SOutcome out;
    out.before = world.before;
    {
        KScnImporter importer(&world.manager);
        importer.SetFileFormat(format);
        gCounted = 0;
        gCounting = true;
        gFailIn = failAt;
#if defined(__SANITIZE_ADDRESS__)
        // Objects whose constructor the failure stops part-way leak what
        // they had made so far (kernel constructors are not undone member by
        // member); what this checks is that nothing half-made stays listed.
        if (failAt > 0)
            __lsan_disable();
#endif
        out.ok = importer.Initialize(path.c_str()) && importer.Import(world.scene);
#if defined(__SANITIZE_ADDRESS__)
        if (failAt > 0)
            __lsan_enable();
#endif
        gFailIn = 0;
        gCounting = false;
        out.allocations = gCounted;
        out.error = importer.GetLastErrorID();
        out.status = importer.GetStatusText();
    }
    out.after = Summary(world.manager, *world.scene);
    return out;
}

const char* const kScene = R"(; scene
FileHeader: {
 Version: 6000
}
Objects: {
  Model: "A", "Mesh" {
    Mesh: {
      ControlPoints: 0,0,0, 1,0,0, 0,1,0
      PolygonSizes: 3
      PolygonVertices: 0,1,2
    }
    Materials: "M"
    Textures: "T"
    Children: "B"
  }
  Model: "B", "Null"
  Material: "M"
  Texture: "T" {
    FileName: "t.tga"
  }
}
Takes: {
  Take: "Run" {
    Model: "A" {
    }
  }
}
)";

struct SFile
{
    const char* name; // the file written, its extension giving the format
    std::string bytes;
    const char* side = nullptr; // a second file beside it (an OBJ's library)
    std::string sideBytes;
};

// Formats: scene text, OBJ with its library, 3DS, DXF and a motion format.
std::vector<SFile> Files()
{
    const std::string mesh = Chunk(0x4100, VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                                               FaceList({0, 1, 2}, MaterialGroup("Red", {0})));
    return {
        {"a.scn", kScene, nullptr, ""},
        {"a.obj", "mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng G\nusemtl Red\nf 1 2 3\n", "a.mtl",
         "newmtl Red\nKd 1 0 0\nmap_Kd red.tga\n"},
        {"a.3ds", File3DS(Chunk(0xAFFF, Chunk(0xA000, Cstr("Red"))) + Chunk(0x4000, Cstr("O") + mesh)),
         nullptr, ""},
        {"a.dxf", Entities("0 3DFACE 8 L 10 0 20 0 30 0 11 1 21 0 31 0 12 0 22 1 32 0"), nullptr, ""},
        {"a.bvh",
         "HIERARCHY\nROOT Hips\n{\nOFFSET 0 1 0\nCHANNELS 3 Xposition Yposition Zposition\n"
         "End Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 2\nFrame Time: 0.1\n0 0 0\n1 1 1\n",
         nullptr, ""},
    };
}

// Every allocation of the read fails in turn; each failure leaves the
// scene and the manager as they were and says why.
TEST(ImporterOutOfMemory, EveryAllocationOfAReadFailsCleanly)
{
    TempDir dir;
    for (const SFile& file : Files())
    {
        const std::string path = dir.WriteFile(file.name, file.bytes);
        if (file.side != nullptr)
            dir.WriteFile(file.side, file.sideBytes);
        const std::string name = file.name;
        const int format = KScnImporter::FindFileFormat(name.substr(name.rfind('.') + 1).c_str());
        long allocations = 0;
        {
            SWorld world;
            const SOutcome whole = ReadOnce(world, path, format, 0);
            ASSERT_TRUE(whole.ok) << name << ": " << whole.status;
            ASSERT_GT(whole.allocations, 10) << name;
            allocations = whole.allocations;
        }
        auto world = std::make_unique<SWorld>();
        for (long n = 1; n <= allocations; ++n)
        {
            const SOutcome failed = ReadOnce(*world, path, format, n);
            if (failed.ok)
            {
                // The one allocation failed was one a read may go without.
                world = std::make_unique<SWorld>();
                continue;
            }
            ASSERT_EQ(failed.error, 0) << name << " allocation " << n << ": " << failed.status;
            ASSERT_EQ(failed.status.rfind("out of memory while ", 0), 0u)
                << name << " allocation " << n << ": " << failed.status;
            ASSERT_EQ(failed.after, failed.before) << name << " allocation " << n << ": " << failed.status;
        }
    }
}

} // namespace
