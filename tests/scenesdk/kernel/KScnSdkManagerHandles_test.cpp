// The manager's lists and a scene's contents under many objects: destroyed
// objects and handles leave the manager's lists in any order, the count and
// the name search follow, and the list compacts without losing the creation
// order; the contents follow objects the manager destroys.

#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace scenesdk;
using kerneltest::WorkOf;

// Objects leave their list in any order without a search (the order the
// objects were made in included, past the squeeze of the holes they leave):
// the count, the order of what stays and the name search follow.
TEST(KScnSdkManagerHandles, DestroyInAnyOrderKeepsCountAndFirstMatch)
{
    using M = KScnSdkManager;
    // One of the manager's lists as a caller sees it: make one of a name, destroy, count, the object at
    // an index (null: the list has no such getter) and the first of a name.
    struct SKind
    {
        const char* what;
        std::function<void*(M&, const std::string&)> make;
        std::function<bool(M&, void*)> destroy;
        std::function<int(M&)> count;
        std::function<void*(M&, int)> at;
        std::function<void*(M&, const std::string&)> find;
    };
    const SKind kinds[] = {
        {"handles", [](M& m, const std::string& n) { return m.CreateUserProperty(n.c_str(), "Real", ""); },
         [](M& m, void* o) { return m.DestroyUserProperty(static_cast<KScnPropertyRef*>(o)); },
         [](M& m) { return m.GetUserPropertyCount(); }, nullptr,
         [](M& m, const std::string& n) { return m.FindUserProperty(n.c_str()); }},
        {"materials", [](M& m, const std::string& n) { return m.CreateMaterial(n.c_str()); },
         [](M& m, void* o) { return m.DestroyMaterial(static_cast<KScnMaterial*>(o)); },
         [](M& m) { return m.GetMaterialCount(); }, [](M& m, int i) { return m.GetMaterial(i); },
         [](M& m, const std::string& n) { return m.FindMaterial(n.c_str()); }},
        {"nodes", [](M& m, const std::string& n) { return m.CreateNode(n.c_str()); },
         [](M& m, void* o) { return m.DestroyNode(static_cast<KScnNode*>(o), true); },
         [](M& m) { return m.GetNodeCount(); }, [](M& m, int i) { return m.GetNode(i); },
         [](M& m, const std::string& n) { return m.FindNode(n.c_str()); }},
        {"poses", [](M& m, const std::string& n) { return m.CreatePose(n.c_str(), false); },
         [](M& m, void* o) { return m.DestroyPose(static_cast<KScnPose*>(o)); },
         [](M& m) { return m.GetPoseListCount(); }, nullptr,
         [](M& m, const std::string& n) { return m.FindPose(("Pose::" + n).c_str()); }},
    };
    for (const SKind& kind : kinds)
    {
        SCOPED_TRACE(kind.what);
        KScnSdkManager manager;
        const int base = kind.count(manager);
        std::vector<void*> made;
        for (int i = 0; i < 300; ++i)
            made.push_back(kind.make(manager, "p" + std::to_string(i % 100)));
        EXPECT_EQ(kind.count(manager), base + 300);
        // Every first and third of a name, in the order made: p7 is then first found at 107.
        const uint64_t work = WorkOf(
            [&]
            {
                for (int i = 0; i < 300; ++i)
                    ASSERT_TRUE((i >= 100 && i < 200) || kind.destroy(manager, made[i])) << i;
            });
        EXPECT_EQ(work, 0u) << "no search of the list";
        EXPECT_EQ(kind.count(manager), base + 100);
        EXPECT_EQ(kind.find(manager, "p7"), made[107]);
        EXPECT_EQ(kind.find(manager, "p99"), made[199]);
        for (int i = 0; kind.at && i < 100; ++i)
            EXPECT_EQ(kind.at(manager, i), made[100 + i]) << i;
        EXPECT_FALSE(kind.destroy(manager, made[150]) && kind.destroy(manager, made[150]));
        EXPECT_EQ(kind.find(manager, "p50"), nullptr);
        EXPECT_FALSE(kind.destroy(manager, nullptr));
        KScnSdkManager other;
        EXPECT_FALSE(kind.destroy(manager, kind.make(other, "p1")));
        EXPECT_EQ(kind.find(manager, "p1"), made[101]);
        // Last first, then the rest: the list empties, and takes new objects in order.
        for (int i = 199; i >= 100; --i)
            ASSERT_TRUE(i == 150 || kind.destroy(manager, made[i])) << i;
        EXPECT_EQ(kind.count(manager), base);
        EXPECT_EQ(kind.find(manager, "p1"), nullptr);
        void* first = kind.make(manager, "q");
        void* second = kind.make(manager, "q");
        EXPECT_TRUE(!kind.at || (kind.at(manager, 0) == first && kind.at(manager, 1) == second));
    }
    // Nodes made and destroyed take their own handles with them.
    KScnSdkManager manager;
    const int base = manager.GetUserPropertyCount();
    KScnNode* node = manager.CreateNode("n");
    EXPECT_GT(manager.GetUserPropertyCount(), base);
    EXPECT_TRUE(manager.DestroyNode(node, true));
    EXPECT_EQ(manager.GetUserPropertyCount(), base);
}

// A scene's contents find what they hold without searching their lists: an
// object destroyed through the manager leaves them, a listed node or a used
// material is recognised however many there are.
TEST(KScnSdkManagerHandles, ContentsFollowDestroyedObjects)
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnSceneContents* contents = scene->GetContents();
    std::vector<KScnNode*> nodes;
    std::vector<KScnMaterial*> materials;
    for (int i = 0; i < 200; ++i)
    {
        nodes.push_back(manager.CreateNode(("n" + std::to_string(i)).c_str()));
        ASSERT_TRUE(contents->AddNode(nodes.back()));
        materials.push_back(manager.CreateMaterial(("m" + std::to_string(i)).c_str()));
        ASSERT_TRUE(contents->AddMaterial(materials.back()));
    }
    EXPECT_FALSE(contents->AddNode(nodes[17]));
    EXPECT_TRUE(contents->AddMaterial(materials[17]));
    EXPECT_EQ(contents->GetMaterialUseCount(materials[17]), 2);
    EXPECT_EQ(contents->GetNodeCount(), 201); // and the root
    EXPECT_TRUE(manager.DestroyNode(nodes[17], false));
    EXPECT_TRUE(manager.DestroyMaterial(materials[17]));
    EXPECT_EQ(contents->GetNodeCount(), 200);
    EXPECT_EQ(contents->GetMaterialCount(), 199);
    EXPECT_EQ(contents->GetNode(17), nodes[16]); // after the root
    EXPECT_EQ(contents->GetNode(18), nodes[18]);
    EXPECT_EQ(contents->GetMaterial(17), materials[18]);
    EXPECT_TRUE(contents->RemoveNode(nodes[199]));
    EXPECT_FALSE(contents->RemoveNode(nodes[199]));
    EXPECT_TRUE(contents->AddNode(nodes[199]));
    EXPECT_TRUE(contents->RemoveMaterial(materials[0]));
    EXPECT_EQ(contents->GetMaterialUseCount(materials[0]), 0);
    EXPECT_TRUE(contents->AddMaterial(materials[0]));
    EXPECT_EQ(contents->GetMaterial(contents->GetMaterialCount() - 1), materials[0]);
}
