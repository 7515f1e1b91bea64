// Imports on several threads at once, each with a manager of its own: the
// process-wide parts of the kernel (the live-plug count and the handle table,
// the class and property-name tables, the memory pool, the reader's time-warp
// set) must serve them all. The suite name starts with "Threads" so that a
// ThreadSanitizer pass can pick these tests out (ctest -R '^Threads').

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/animation/KTime.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

// Models with a mesh, a material and a texture, a character with a control
// set and a second one driven by its plug, and a take whose curve is warped
// by time warp 1 (t seconds to t / 2 over the first second).
const char* const kScene = R"(FileHeader: {
    Version: 6000
}
Objects: {
    Model: "Plate", "Mesh" {
        Properties: {
            "Lcl Translation": 1, 2, 3
        }
        Children: "Thigh"
        Materials: "Stone"
        Textures: "StoneTex"
        Mesh: {
            ControlPoints: 0,0,0, 1,0,0, 1,1,0, 0,1,0
            PolygonSizes: 4
            PolygonVertices: 0,1,2,3
        }
    }
    Model: "Thigh", "Skeleton", "LimbNode" {
        UserProperty: "reflectivity", "Real", "", 0.25
    }
    Material: "Stone" {
        Properties: {
            Diffuse: 0.5, 0.25, 0.125
        }
    }
    Texture: "StoneTex" {
        FileName: "stone.tga"
    }
    Character: "Hero" {
        BASE: {
            Hips: "Plate"
            LeftUpLeg: "Thigh"
        }
        ControlSet: {
            Effectors: {
                HipsEffector: "Plate" {
                    Aux: "", "Thigh"
                }
            }
        }
    }
    Character: "Rider" {
        Source: "ControlSetPlug", "Hero_Ctrl"
    }
}
Takes: {
    Take: "Run" {
        Model: "Plate" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 46186158000, 10, L
                    }
                    TimeWarpID: 1
                }
            }
        }
        TimeWarps: {
            TimeWarp: 1 {
                Channel: "TimeWarp" {
                    Default: 0
                    KeyVer: 4004
                    KeyCount: 2
                    Key: 0, 0, L, 46186158000, 0.5, L
                }
            }
        }
    }
}
)";

// Imports the file into a new scene of the manager and checks what came in;
// the lines of the checks that failed (gtest's assertions are for the main
// thread).
std::string ImportAndCheck(KScnSdkManager& manager, KScnImporter& importer, const std::string& path)
{
    KScnSceneRoot* scene = manager.CreateScene();
    std::string failures;
#define check(ok) failures += (ok) ? "" : " line " + std::to_string(__LINE__)
    check(importer.Initialize(path.c_str()) && importer.Import(scene));
    KScnNode* root = scene->GetRootNode();
    check(root->GetChildCount() == 1);
    KScnNode* plate = root->GetChildCount() > 0 ? root->GetChild(0) : nullptr;
    check(plate != nullptr && plate->GetChildCount() == 1 && plate->GetMesh() != nullptr);
    check(scene->GetContents()->GetMaterialCount() == 1 && scene->GetContents()->GetTextureCount() == 1);
    check(scene->GetCharacterCount() == 2);
    if (plate != nullptr && scene->GetCharacterCount() == 2)
    {
        KScnNode* thigh = plate->GetChild(0);
        KScnNode* aux = nullptr;
        check(scene->GetCharacter(1)->GetControlSet()->GetEffectorAux(0, &aux, 2) && aux == thigh);
        KScnCharacterNodeLink hips;
        check(scene->GetCharacter(0)->GetLink(0, hips) && hips.node == plate);
    }
    // Under the take: the transforms, then a triangulated copy of the mesh.
    scene->SetCurrentTake("Run"); // false: the camera switcher has no such take
    const double* global = plate != nullptr ? plate->ComputeGlobalTransform() : nullptr;
    check(global != nullptr && global[13] == 2.0 && global[14] == 3.0);
    KScnTriangulator triangulator(&manager);
    KScnMesh* mesh = plate != nullptr ? static_cast<KScnMesh*>(plate->GetMesh()) : nullptr;
    KScnMesh* triangles = mesh != nullptr ? triangulator.TriangulateMesh(*mesh) : nullptr;
    check(triangles != nullptr && triangles->GetPolygonCount() == 2);
    delete triangles;
    KFCurveNode* x = plate != nullptr && plate->GetTakeNodeCount() == 2
                         ? plate->GetTakeNode(1)->GetRootCurveNode()->FindDescendant("Transform/T/X")
                         : nullptr;
    check(x != nullptr);
    if (x != nullptr)
    {
        double value = 0.0;
        x->Evaluate(&value, KTime(kSecond / 2));
        check(value > 2.49 && value < 2.51); // warped: half a second reads a quarter
    }
    // A weak handle outlives its object, also once another thread has the
    // handle's entry.
    const HdlKObject handle = plate != nullptr ? plate->GetPropertyHandler()->GetHandle() : HdlKObject();
    check(handle.IsLive());
    check(manager.DestroyScene(scene, true));
    check(!handle.IsLive());
#undef check
    return failures;
}

TEST(ThreadsImport, OneManagerPerThread)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("scene.scn", kScene);
    const int plugsBefore = KPlug::GetLivePlugCount();
    constexpr int kThreads = 8;
    constexpr int kImports = 10;
    std::mutex lock;
    std::string failures;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&]
            {
                KScnSdkManager manager;
                KScnImporter importer(&manager);
                for (int i = 0; i < kImports; ++i)
                {
                    const std::string failed = ImportAndCheck(manager, importer, path);
                    std::lock_guard<std::mutex> guard(lock);
                    failures += failed;
                }
            });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, "");
    EXPECT_EQ(KPlug::GetLivePlugCount(), plugsBefore);
    EXPECT_EQ(GetCurrentTimeWarpSet(), nullptr);
}

} // namespace
