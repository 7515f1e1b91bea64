#include "scenesdk/kernel/KScnSceneRoot.h"

#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

using namespace scenesdk;

namespace
{

class SceneRootTest : public testing::Test
{
protected:
    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
};

TEST_F(SceneRootTest, FreshScene)
{
    KScnNode* root = mScene->GetRootNode();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetChildCount(), 0);
    KScnNode* switcherNode = mScene->GetCameraSwitcherNode();
    ASSERT_NE(switcherNode, nullptr);
    EXPECT_STREQ(switcherNode->GetName(), "Model::Camera Switcher");
    EXPECT_EQ(switcherNode->GetParent(), nullptr);
    EXPECT_FALSE(switcherNode->GetVisibility());
    EXPECT_EQ(switcherNode->GetShadingMode(), 1);
    EXPECT_NE(dynamic_cast<KScnCameraSwitcher*>(switcherNode->GetCameraSwitcher()), nullptr);
    EXPECT_EQ(mScene->GetPoseCount(), 0);
    EXPECT_EQ(mScene->GetTakeInfoCount(), 0);
    EXPECT_EQ(mScene->GetGenericNodeCount(), 0);
}

TEST_F(SceneRootTest, PosesAreListedOnce)
{
    KScnPose* pose = mManager.CreatePose("p", true);
    EXPECT_TRUE(mScene->AddPose(pose));
    EXPECT_FALSE(mScene->AddPose(pose));
    EXPECT_EQ(mScene->GetPoseCount(), 1);
    EXPECT_EQ(mScene->GetPose(0), pose);
    EXPECT_EQ(mScene->GetPose(1), nullptr);
}

TEST_F(SceneRootTest, MaterialsAndGenericNodes)
{
    KScnMaterial* a = mManager.CreateMaterial("a");
    KScnMaterial* b = mManager.CreateMaterial("b");
    mScene->GetContents()->AddMaterial(a);
    mScene->GetContents()->AddMaterial(b);
    KPointerArray<KScnMaterial> materials(16);
    EXPECT_EQ(mScene->FillMaterialArray(materials), 2);
    EXPECT_EQ(materials[1], b);

    KScnGenericNode* generic = mManager.CreateGenericNode("g");
    EXPECT_FALSE(mScene->AddGenericNode(nullptr));
    EXPECT_TRUE(mScene->AddGenericNode(generic));
    EXPECT_TRUE(mScene->AddGenericNode(generic));
    EXPECT_EQ(mScene->GetGenericNodeCount(), 1);
    EXPECT_EQ(mScene->GetGenericNode(0), generic);
    EXPECT_EQ(mScene->GetGenericNode(1), nullptr);
    EXPECT_TRUE(mScene->RemoveGenericNode(generic));
    EXPECT_EQ(mScene->GetGenericNodeCount(), 0);
}

TEST_F(SceneRootTest, TakesAndTakeInfo)
{
    KScnTakeDescription info;
    info.mName = "Walk";
    EXPECT_FALSE(mScene->SetTakeInfo(info)) << "no object has the take";
    EXPECT_EQ(mScene->GetTakeInfoCount(), 0);
    info.mName = "Default";
    info.mDescription = "first";
    EXPECT_TRUE(mScene->SetTakeInfo(info));
    info.mDescription = "second";
    EXPECT_TRUE(mScene->SetTakeInfo(info));
    EXPECT_EQ(mScene->GetTakeInfoCount(), 1);
    EXPECT_STREQ(mScene->GetTakeInfo("Default")->mDescription.Buffer(), "second");

    KPointerArray<KString> names(16);
    mScene->FillTakeNameList(names);
    ASSERT_EQ(names.GetCount(), 1) << "each name once";
    EXPECT_STREQ(names[0]->Buffer(), "Default");
    KScnSceneRoot::ClearTakeNameList(names);

    EXPECT_TRUE(mScene->SetCurrentTake("Default"));
    EXPECT_FALSE(mScene->SetCurrentTake("Run"));
    EXPECT_STREQ(mScene->GetError().GetLastErrorString(), "Not all nodes have a take node called Run");
}

TEST_F(SceneRootTest, ClearEmptiesTheScene)
{
    KScnNode* root = mScene->GetRootNode();
    for (int i = 0; i < 3; ++i)
    {
        root->AddChild(mManager.CreateNode("c"));
    }
    root->GetChild(0)->AddChild(mManager.CreateNode("grandchild"));
    mScene->AddPose(mManager.CreatePose("p", false));
    KScnGenericNode* generic = mManager.CreateGenericNode("g");
    mScene->AddGenericNode(generic);
    mScene->SetName("scene");
    const int nodesBefore = mManager.GetNodeCount();

    mScene->Clear();
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_EQ(root->GetTakeNodeCount(), 1);
    EXPECT_STREQ(root->GetTakeNodeName(0), "Default");
    EXPECT_EQ(mManager.GetNodeCount(), nodesBefore - 4);
    EXPECT_EQ(mScene->GetPoseCount(), 0);
    EXPECT_EQ(mScene->GetGenericNodeCount(), 0);
    EXPECT_EQ(mManager.GetGenericNodeCount(), 0);
    EXPECT_STREQ(mScene->GetName(), "");
    EXPECT_STREQ(mScene->GetCameraSwitcherNode()->GetName(), "Model::Camera Switcher");
}

TEST_F(SceneRootTest, ReplacingTheCameraSwitcherDestroysTheOld)
{
    const int before = mManager.GetNodeCount();
    KScnNode* replacement = mManager.CreateNode("Camera Switcher");
    mScene->SetCameraSwitcherNode(replacement);
    EXPECT_EQ(mScene->GetCameraSwitcherNode(), replacement);
    EXPECT_EQ(mManager.GetNodeCount(), before);
}

} // namespace
