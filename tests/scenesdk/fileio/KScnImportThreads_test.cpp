// Imports of the document of every kind on several threads at once, each
// with a manager of its own: the process-wide parts of the kernel (the
// live-plug count and the handle table, the class and property-name tables,
// the memory pool, the reader's time-warp set) must serve them all. The suite
// name starts with "Threads" so that a ThreadSanitizer pass can pick these
// tests out (ctest -R '^Threads').

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/animation/KTime.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "tests/scenesdk/fileio/EveryKindScene.h"
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

// Imports the document of every kind into a new scene of the manager and
// checks what came in; the lines of the checks that failed (gtest's
// assertions are for the main thread).
std::string ImportAndCheck(KScnSdkManager& manager, KScnImporter& importer, const std::string& path)
{
    KScnSceneRoot* scene = manager.CreateScene();
    std::string failures;
#define check(ok) failures += (ok) ? "" : " line " + std::to_string(__LINE__)
    check(importer.Initialize(path.c_str()) && importer.Import(scene));
    KScnNode* root = scene->GetRootNode();
    KScnNode* locator = root->FindChild("Locator");
    KScnNode* body = root->FindChild("Body");
    KScnNode* knee = root->FindChild("Knee");
    check(root->GetChildCount() == 7 && locator != nullptr && knee != nullptr);
    check(body != nullptr && body->GetMesh() != nullptr);
    KScnSceneContents* contents = scene->GetContents();
    check(contents->GetMaterialCount() == 1 && contents->GetTextureCount() == 1);
    check(contents->GetDeformerCount(KScnSceneContents::eAnyDeformer) == 3);
    check(scene->GetCharacterCount() == 2 && scene->GetCharacterPoseCount() == 1);
    if (knee != nullptr && scene->GetCharacterCount() == 2)
    {
        KScnNode* aux = nullptr;
        check(scene->GetCharacter(1)->GetControlSet()->GetEffectorAux(0, &aux, 2) && aux == knee);
        KScnCharacterNodeLink hips;
        check(scene->GetCharacter(0)->GetLink(0, hips) && hips.node == knee->GetParent());
    }
    // Under the take: the transforms, then a triangulated copy of the mesh.
    check(scene->SetCurrentTake("Sprint"));
    const double* global = locator != nullptr ? locator->ComputeGlobalTransform() : nullptr;
    check(global != nullptr && global[13] == 2.0 && global[14] == 3.0);
    KScnTriangulator triangulator(&manager);
    KScnMesh* mesh = body != nullptr ? static_cast<KScnMesh*>(body->GetMesh()) : nullptr;
    KScnMesh* triangles = mesh != nullptr ? triangulator.TriangulateMesh(*mesh) : nullptr;
    check(triangles != nullptr && triangles->GetPolygonCount() == 2);
    check(manager.DestroyNodeAttribute(triangles));
    KFCurveNode* x = locator != nullptr && locator->GetTakeNodeCount() == 3
                         ? locator->GetTakeNode(1)->GetRootCurveNode()->FindDescendant("Transform/T/X")
                         : nullptr;
    check(x != nullptr);
    if (x != nullptr)
    {
        double value = 0.0;
        x->Evaluate(&value, KTime(kSecond / 2));
        check(value > 11.99 && value < 12.01); // warped and layered: 24t
    }
    // A weak handle outlives its object, also once another thread has the
    // handle's entry.
    const HdlKObject handle = locator != nullptr ? locator->GetPropertyHandler()->GetHandle() : HdlKObject();
    check(handle.IsLive());
    check(manager.DestroyScene(scene, true));
    check(!handle.IsLive());
#undef check
    return failures;
}

TEST(ThreadsImport, OneManagerPerThread)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("scene.scn", scntest::kEveryKindScene);
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
                KScnFree<KScnImporter> importer(&manager);
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
