#include "scenesdk/kernel/KScnSceneRoot.h"

#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnSceneLightSettings.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

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

    // A take no object of the scene has is refused, however few objects the
    // scene holds: no switcher, then no root either (as SetTakeInfo refuses).
    mScene->SetCameraSwitcherNode(nullptr);
    EXPECT_FALSE(mScene->SetCurrentTake("Nowhere"));
    EXPECT_TRUE(mScene->SetCurrentTake("Default"));
    mManager.DestroyNode(mScene->GetRootNode(), true);
    EXPECT_FALSE(mScene->SetCurrentTake("Default"));
    EXPECT_STREQ(mScene->GetError().GetLastErrorString(), "Not all nodes have a take node called Default");
    EXPECT_FALSE(mScene->SetTakeInfo(info));
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

    // A scene whose root was taken away gets a new one from Clear.
    KScnSceneRoot* other = mManager.CreateScene();
    KScnNode* elsewhere = mManager.CreateNode("elsewhere");
    ASSERT_TRUE(other->GetRootNode()->AddChild(elsewhere));
    const std::function<void(KScnNode*)> losses[] = {
        [&](KScnNode* r) { mManager.DestroyNode(r, true); },
        [&](KScnNode* r) { r->SetSceneContents(other->GetContents(), false); },
        [&](KScnNode* r) { mScene->SetCameraSwitcherNode(r); },
        [&](KScnNode* r) { elsewhere->AddChild(r); },
        [&](KScnNode*) {}};
    for (const auto& lose : losses)
    {
        KScnNode* before = mScene->GetRootNode();
        lose(before);
        const bool lost = mScene->GetRootNode() == nullptr;
        mScene->Clear();
        KScnNode* now = mScene->GetRootNode();
        ASSERT_NE(now, nullptr);
        // Every row but the last takes the root away. A new root may be
        // made where the destroyed one was, so only a kept root is compared.
        EXPECT_EQ(lost, &lose != &losses[std::size(losses) - 1]);
        if (!lost)
        {
            EXPECT_EQ(now, before);
        }
        EXPECT_STREQ(now->GetName(), "Model::RootNode");
        EXPECT_EQ(now->GetSceneContents(), mScene->GetContents());
        EXPECT_EQ(mScene->GetContents()->GetNodeCount(), 1);
        EXPECT_TRUE(now->AddChild(mManager.CreateNode("c")));
    }
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

namespace
{

// A mesh node under the root whose layer 0 has a material element.
KScnLayerElement* MeshWithMaterialElement(KScnSdkManager& manager, KScnSceneRoot* scene, KScnNode*& node,
                                          int referenceMode)
{
    node = manager.CreateNode("mesh");
    scene->GetRootNode()->AddChild(node);
    scene->GetContents()->AddNode(node);
    KScnMesh* mesh = manager.CreateMesh();
    node->SetNodeAttribute(mesh);
    KScnLayerElement* element = KScnLayerElement::Create(KScnLayerElement::eMaterial);
    element->SetReferenceMode(referenceMode);
    mesh->GetLayer(mesh->CreateLayer())->SetMaterialElement(element);
    return element;
}

void Connect(KScnNode* node, KScnMaterial* material)
{
    ASSERT_TRUE(node->GetPropertyHandler()->ConnectSrc(material->GetPropertyHandler()));
}

TEST_F(SceneRootTest, DirectMaterialElementsGetTheConnectedMaterials)
{
    KScnNode* node = nullptr;
    KScnLayerElement* element = MeshWithMaterialElement(mManager, mScene, node, KScnLayerElement::eDirect);
    KScnMaterial* a = mManager.CreateMaterial("a");
    KScnMaterial* b = mManager.CreateMaterial("b");
    Connect(node, a);
    Connect(node, b);
    mScene->BindMaterialsToLayers();
    ASSERT_EQ(element->GetDirectCount(), 2);
    EXPECT_EQ(element->GetDirect<KScnMaterial*>()[0], a);
    EXPECT_EQ(element->GetDirect<KScnMaterial*>()[1], b);
    mScene->BindMaterialsToLayers();
    EXPECT_EQ(element->GetDirectCount(), 2) << "binding twice adds nothing";
}

TEST_F(SceneRootTest, IndexToDirectElementsKeepOnlyUsedMaterials)
{
    KScnNode* node = nullptr;
    KScnLayerElement* element =
        MeshWithMaterialElement(mManager, mScene, node, KScnLayerElement::eIndexToDirect);
    KScnMaterial* placeholder = mManager.CreateMaterial("old");
    element->AddDirectItem(&placeholder);
    for (int32_t index : {0, 2, 0})
    {
        element->GetIndexArray().Add(&index);
    }
    KScnMaterial* materials[] = {mManager.CreateMaterial("a"), mManager.CreateMaterial("b"),
                                 mManager.CreateMaterial("c")};
    for (KScnMaterial* material : materials)
    {
        Connect(node, material);
    }
    mScene->BindMaterialsToLayers();
    ASSERT_EQ(element->GetDirectCount(), 3);
    EXPECT_EQ(element->GetDirect<KScnMaterial*>()[1], materials[0]);
    EXPECT_EQ(element->GetDirect<KScnMaterial*>()[2], materials[2]);
    // Entry 0 went from 0 to 1; connection 1 must not then claim it.
    EXPECT_EQ(element->GetIndexAt(0), 1);
    EXPECT_EQ(element->GetIndexAt(1), 2);
    EXPECT_EQ(element->GetIndexAt(2), 1);
}

TEST_F(SceneRootTest, DestroyAllDeformersEmptiesTheContents)
{
    KScnSceneContents* contents = mScene->GetContents();
    contents->AddObject(mManager.CreateDeformer("skin", "Skin"));
    contents->AddObject(mManager.CreateDeformer("cluster", "Cluster"));
    contents->AddObject(mManager.CreateConstraint("aim", KScnSdkManager::eConstraintAim));
    mScene->DestroyAllDeformers();
    EXPECT_EQ(contents->GetDeformerCount(0), 0);
    EXPECT_EQ(contents->GetObjectCount(), 1) << "the constraint stays";
    EXPECT_EQ(mManager.GetHandlerObjectCount(), 1);
}

TEST_F(SceneRootTest, SettingsAndMetadataBelongToTheScene)
{
    KScnSceneLightSettings* light = mScene->GetGlobalLightSettings();
    KScnSceneCameraSettings* camera = mScene->GetGlobalCameraSettings();
    KScnSceneTimeSettings* time = mScene->GetGlobalTimeSettings();
    ASSERT_NE(light, nullptr);
    ASSERT_NE(camera, nullptr);
    ASSERT_NE(time, nullptr);
    EXPECT_TRUE(camera->SetDefaultCamera("Producer Top"));
    EXPECT_EQ(mScene->GetSceneMetaData(), nullptr);

    KScnSceneMetaData* first = mManager.CreateSceneMetaData();
    mScene->SetSceneMetaData(first);
    mScene->SetSceneMetaData(first);
    EXPECT_EQ(mManager.GetSceneMetaDataCount(), 1);
    mScene->SetSceneMetaData(mManager.CreateSceneMetaData());
    EXPECT_EQ(mManager.GetSceneMetaDataCount(), 1) << "the replaced record is destroyed";

    mScene->Clear();
    EXPECT_EQ(mScene->GetSceneMetaData(), nullptr);
    EXPECT_EQ(mManager.GetSceneMetaDataCount(), 0);
    EXPECT_STREQ(camera->GetDefaultCamera(), "Producer Perspective");
    EXPECT_EQ(mScene->GetGlobalCameraSettings(), camera);

    mScene->SetSceneMetaData(mManager.CreateSceneMetaData());
    const int nodes = mManager.GetNodeCount();
    mManager.DestroyScene(mScene, true);
    mScene = nullptr;
    EXPECT_EQ(mManager.GetSceneMetaDataCount(), 0);
    EXPECT_LT(mManager.GetNodeCount(), nodes - 7) << "the producer nodes went with the scene";
    EXPECT_EQ(mManager.GetNodeAttributeCount(), 0);
}

TEST_F(SceneRootTest, DeformerLinksBindClustersToTheirGeometries)
{
    KScnNode* meshNode = mManager.CreateNode("body");
    KScnMesh* mesh = mManager.CreateMesh();
    meshNode->SetNodeAttribute(mesh);
    mScene->GetRootNode()->AddChild(meshNode);
    KScnNode* bone = mManager.CreateNode("bone");
    KScnNode* model = mManager.CreateNode("model");
    KScnDeformer* skin = mManager.CreateDeformer("skin", "Skin");
    KScnDeformer* cluster = mManager.CreateDeformer("arm", "Cluster");
    mScene->GetContents()->AddObject(skin);
    mScene->GetContents()->AddObject(cluster);
    ASSERT_TRUE(meshNode->GetPropertyHandler()->ConnectSrc(skin->GetPropertyHandler()));
    ASSERT_TRUE(skin->GetPropertyHandler()->ConnectSrc(cluster->GetPropertyHandler()));
    auto* set = static_cast<KScnClusterDeformerProperties*>(cluster->GetPropertyHandler());
    ASSERT_TRUE(set->GetSrcModel()->Add(bone->GetPropertyHandler()));
    ASSERT_TRUE(set->GetSrcModelReference()->Add(model->GetPropertyHandler()));

    mScene->BindDeformerLinks();
    ASSERT_EQ(mesh->GetLinkCount(), 1);
    EXPECT_EQ(mesh->GetLink(0)->GetLink(), bone);
    EXPECT_EQ(mesh->GetLink(0)->GetAssociateModel(), model);
    EXPECT_EQ(mManager.GetLinkCount(), 1);
}

TEST_F(SceneRootTest, ImportedSkeletonsUnderNonSkeletonsInheritScaling)
{
    KScnNode* group = mManager.CreateNode("group");
    KScnNode* hip = mManager.CreateNode("hip");
    KScnNode* knee = mManager.CreateNode("knee");
    mScene->GetRootNode()->AddChild(group);
    group->AddChild(hip);
    hip->AddChild(knee);
    for (KScnNode* node : {hip, knee})
    {
        node->SetNodeAttribute(mManager.CreateSkeleton());
        node->SetTransformInheritType(2);
        node->SetFlag(true);
    }
    mScene->FixSkeletonInheritType(mScene->GetRootNode());
    EXPECT_EQ(hip->GetTransformInheritType(), 1);
    EXPECT_EQ(knee->GetTransformInheritType(), 2) << "its parent is a skeleton";
}

} // namespace
