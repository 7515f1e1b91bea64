// The manager's lists and a scene's contents under many objects: destroyed
// user-property handles leave the manager's list in any order, the count and
// the name search follow, and the list compacts without losing the creation
// order; the contents follow objects the manager destroys.

#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

TEST(KScnSdkManagerHandles, DestroyInAnyOrderKeepsCountAndFirstMatch)
{
    KScnSdkManager manager;
    const int base = manager.GetUserPropertyCount();
    std::vector<KScnPropertyRef*> refs;
    for (int i = 0; i < 300; ++i)
        refs.push_back(manager.CreateUserProperty(("p" + std::to_string(i % 100)).c_str(), "Real", ""));
    EXPECT_EQ(manager.GetUserPropertyCount(), base + 300);
    // Every first and third of a name: p7 is then first found at 107.
    for (int i = 0; i < 300; ++i)
        if (i < 100 || i >= 200)
        {
            ASSERT_TRUE(manager.DestroyUserProperty(refs[i])) << i;
        }
    EXPECT_EQ(manager.GetUserPropertyCount(), base + 100);
    EXPECT_EQ(manager.FindUserProperty("p7"), refs[107]);
    EXPECT_EQ(manager.FindUserProperty("p99"), refs[199]);
    EXPECT_FALSE(manager.DestroyUserProperty(refs[150]) && manager.DestroyUserProperty(refs[150]));
    EXPECT_EQ(manager.FindUserProperty("p50"), nullptr);
    EXPECT_FALSE(manager.DestroyUserProperty(nullptr));
    // A handle of another manager is not this one's, whatever its slot.
    KScnSdkManager other;
    KScnPropertyRef* foreign = other.CreateUserProperty("p1", "Real", "");
    EXPECT_FALSE(manager.DestroyUserProperty(foreign));
    EXPECT_EQ(manager.FindUserProperty("p1"), refs[101]);
    // Last first, then the rest: the list empties.
    for (int i = 199; i >= 100; --i)
        if (i != 150)
        {
            ASSERT_TRUE(manager.DestroyUserProperty(refs[i])) << i;
        }
    EXPECT_EQ(manager.GetUserPropertyCount(), base);
    EXPECT_EQ(manager.FindUserProperty("p1"), nullptr);
    // Nodes made and destroyed take their own handles with them.
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
