// What a read leaves on the nodes and in the scene's member lists.

#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

class ReadMembersTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        const std::string path = m_Dir.WriteFile("scene.scn", R"(FileHeader: { Version: 6000 }
Objects: {
    Material: "Stone"
    Model: "A" { Children: "Wheel", "Axle"
                 Materials: "Stone" }
    Model: "Wheel"
    Model: "Axle" { Children: "Nut" }
    Model: "Nut"
    CharacterPose: "Crouch" { Model: "Hips" { Children: "Knee" }
                              Model: "Knee" }
}
)");
        ASSERT_TRUE(mImporter.Initialize(path.c_str()) && mImporter.Import(mScene))
            << mImporter.GetStatusText();
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
    KScnFree<KScnImporter> mImporter{&mManager};
};

struct ChildNamesRow
{
    const char* model;
    bool inPose;
    std::vector<std::string> names;
};

TEST_F(ReadMembersTest, ChildrenBecomeThePendingChildNames)
{
    ASSERT_EQ(mScene->GetCharacterPoseCount(), 1);
    KScnNode* poseRoot = mScene->GetCharacterPose(0)->GetScene()->GetRootNode();
    const ChildNamesRow rows[] = {{"A", false, {"Wheel", "Axle"}},
                                  {"Axle", false, {"Nut"}},
                                  {"Wheel", false, {}},
                                  {"Hips", true, {"Knee"}}};
    for (const ChildNamesRow& row : rows)
    {
        SCOPED_TRACE(row.model);
        KScnNode* node = (row.inPose ? poseRoot : mScene->GetRootNode())->FindChild(row.model, true, false);
        ASSERT_NE(node, nullptr);
        std::vector<std::string> names;
        for (int i = 0; i < node->GetChildNameCount(); ++i)
        {
            names.emplace_back(node->GetChildName(i));
        }
        EXPECT_EQ(names, row.names);
    }
}

TEST_F(ReadMembersTest, AMovedNodeTakesItsMaterialToTheOtherScene)
{
    KScnNode* a = mScene->GetRootNode()->FindChild("A", false, false);
    ASSERT_NE(a, nullptr);
    KScnSceneRoot* other = mManager.CreateScene();
    ASSERT_TRUE(other->GetRootNode()->AddChild(a));
    EXPECT_EQ(mScene->GetContents()->GetMaterialCount(), 0);
    ASSERT_EQ(other->GetContents()->GetMaterialCount(), 1);
    EXPECT_STREQ(other->GetContents()->GetMaterial(0)->GetName(), "Material::Stone");
    EXPECT_EQ(other->GetContents()->GetNodeCount(), 5) << "the root and A's subtree";
}

} // namespace
