#include "scenesdk/kernel/KScnSceneContents.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnConstraintProperty.h"
#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KClassIdRecord.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

class KindAttribute : public KScnNodeAttribute
{
public:
    explicit KindAttribute(EAttributeKind kind) : mKind(kind) {}
    EAttributeKind GetAttributeKind() const override { return mKind; }
    EAttributeKind mKind;
};

class SceneContentsTest : public testing::Test
{
protected:
    KScnSdkManager mManager;
    KScnSceneContents mContents{&mManager};

    void ExpectError(int id, const char* text)
    {
        EXPECT_EQ(mContents.GetError().GetLastErrorID(), id);
        EXPECT_STREQ(mContents.GetError().GetLastErrorString(), text);
    }
};

TEST_F(SceneContentsTest, RootNodeComesFirst)
{
    ASSERT_NE(mContents.GetRootNode(), nullptr);
    EXPECT_STREQ(mContents.GetRootNode()->GetName(), "Model::RootNode");
    EXPECT_EQ(mContents.GetNodeCount(), 1);
    EXPECT_EQ(mContents.GetNode(0), mContents.GetRootNode());
}

TEST_F(SceneContentsTest, NodeErrors)
{
    KScnNode* node = mManager.CreateNode("n");
    EXPECT_FALSE(mContents.AddNode(nullptr));
    ExpectError(0, "Node is null.");
    EXPECT_TRUE(mContents.AddNode(node));
    EXPECT_FALSE(mContents.AddNode(node));
    ExpectError(1, "Node is already owned by the entity.");
    EXPECT_TRUE(mContents.RemoveNode(node));
    EXPECT_FALSE(mContents.RemoveNode(node));
    ExpectError(2, "Node does not belong to the entity.");
    EXPECT_EQ(mContents.GetNode(5), nullptr);
    ExpectError(3, "Parameter is out of range.");
    EXPECT_TRUE(mContents.RemoveNode(mContents.GetRootNode()));
    EXPECT_EQ(mContents.GetRootNode(), nullptr);
}

TEST_F(SceneContentsTest, MaterialUseCounts)
{
    KScnMaterial* material = mManager.CreateMaterial("Red");
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_TRUE(mContents.AddMaterial(material));
    }
    EXPECT_EQ(mContents.GetMaterialCount(), 1);
    EXPECT_EQ(mContents.GetMaterialUseCount(material), 3);
    EXPECT_FALSE(mContents.RemoveMaterial(material));
    ExpectError(4, "Material still in use.");
    EXPECT_FALSE(mContents.RemoveMaterial(material));
    EXPECT_EQ(mContents.GetMaterialUseCount(material), 1);
    EXPECT_EQ(mContents.FindMaterial("Material::Red"), material);
    EXPECT_TRUE(mContents.RemoveMaterial(material));
    EXPECT_EQ(mContents.GetMaterialCount(), 0);
    EXPECT_EQ(mContents.FindMaterial("Material::Red"), nullptr);
    ExpectError(5, "Material not found.");
    EXPECT_EQ(mContents.GetMaterial(-1), nullptr);
    ExpectError(3, "Parameter is out of range.");
    EXPECT_FALSE(mContents.AddMaterial(nullptr));
    // A node listed counts a use of each material it wears, past the batches they are read in.
    KScnNode* node = mManager.CreateNode("n");
    for (int i = 0; i < 40; ++i)
    {
        KScnMaterial* worn = mManager.CreateMaterial(std::to_string(i).c_str());
        node->GetPropertyHandler()->ConnectSrc(worn->GetPropertyHandler());
    }
    ASSERT_TRUE(mContents.AddNode(node));
    EXPECT_EQ(mContents.GetMaterialCount(), 40);
    EXPECT_EQ(mContents.GetMaterialUseCount(mManager.GetMaterial(mManager.GetMaterialCount() - 1)), 1);
}

TEST_F(SceneContentsTest, TextureErrors)
{
    KScnTexture* texture = mManager.CreateTexture("Wood");
    EXPECT_FALSE(mContents.RemoveTexture(texture));
    ExpectError(7, "Texture not found.");
    mContents.AddTexture(texture);
    mContents.AddTexture(texture);
    EXPECT_FALSE(mContents.RemoveTexture(texture));
    ExpectError(6, "Texture still in use.");
    EXPECT_EQ(mContents.GetTexture(0), texture);
    EXPECT_EQ(mContents.FindTexture("Texture::Wood"), texture);
    EXPECT_TRUE(mContents.RemoveTexture(texture));
}

TEST_F(SceneContentsTest, VideoNamesMustNotClash)
{
    KScnVideo* clip = mManager.CreateVideo("clip");
    KScnVideo* other = mManager.CreateVideo("clip");
    EXPECT_TRUE(mContents.AddVideo(clip));
    EXPECT_TRUE(mContents.AddVideo(clip)) << "the same video again is a second use";
    EXPECT_FALSE(mContents.AddVideo(other));
    ExpectError(10, "Video name clash.");
    EXPECT_EQ(mContents.GetVideoCount(), 1);
    EXPECT_FALSE(mContents.RemoveVideo(clip));
    ExpectError(8, "Video still in use.");
    EXPECT_TRUE(mContents.RemoveVideo(clip));
    EXPECT_FALSE(mContents.RemoveVideo(clip));
    ExpectError(9, "Video not found.");
    EXPECT_TRUE(mContents.AddVideo(other));
    EXPECT_EQ(mContents.FindVideo("Video::clip"), other);
}

TEST_F(SceneContentsTest, GenericNodesFollowTheirContents)
{
    KScnGenericNode* node = mManager.CreateGenericNode("G");
    EXPECT_TRUE(node->SetSceneContents(&mContents));
    EXPECT_EQ(mContents.GetGenericNodeCount(), 1);
    EXPECT_EQ(mContents.FindGenericNode("G"), node);
    EXPECT_EQ(mContents.FindGenericNode("H"), nullptr);
    EXPECT_TRUE(node->SetSceneContents(nullptr));
    EXPECT_EQ(mContents.GetGenericNodeCount(), 0);
    EXPECT_FALSE(mContents.RemoveGenericNode(node));
    EXPECT_EQ(mContents.GetError().GetLastErrorID(), 12);
    mContents.AddGenericNode(node);
    mContents.AddGenericNode(node);
    EXPECT_FALSE(mContents.RemoveGenericNode(node));
    EXPECT_EQ(mContents.GetError().GetLastErrorID(), 11);
    EXPECT_TRUE(mContents.RemoveGenericNode(node));
}

TEST_F(SceneContentsTest, ObjectsConstraintsAndDeformers)
{
    KScnDeformer* skin = mManager.CreateDeformer("s", "Skin");
    KScnDeformer* cluster = mManager.CreateDeformer("c", "Cluster");
    KScnConstraint* aim = mManager.CreateConstraint("Aim", KScnSdkManager::eConstraintAim);
    EXPECT_TRUE(mContents.AddObject(skin));
    EXPECT_FALSE(mContents.AddObject(skin));
    EXPECT_TRUE(mContents.AddObject(cluster));
    EXPECT_TRUE(mContents.AddObject(aim));
    EXPECT_FALSE(mContents.AddObject(nullptr));
    KScnCharacter* character = mManager.CreateCharacter("Hero");
    EXPECT_TRUE(mContents.AddObject(character));
    EXPECT_EQ(mContents.GetObjectCount(), 4);
    EXPECT_EQ(mContents.GetObjectCount(KClassIdRecord::kNone), 4);
    EXPECT_EQ(mContents.GetObject(3), character);
    EXPECT_EQ(mContents.GetObject(4), nullptr);
    // Filtered by the class of the property set, derived classes included:
    // the character's set is a constraint property set.
    EXPECT_EQ(mContents.GetObjectCount(KScnDeformerProperties::ClassId), 2);
    EXPECT_EQ(mContents.GetObject(1, KScnDeformerProperties::ClassId), cluster);
    EXPECT_EQ(mContents.GetObjectCount(KScnConstraintProperty::ClassId), 2);
    EXPECT_EQ(mContents.GetObjectCount(KScnCharacterProperties::ClassId), 1);
    EXPECT_EQ(mContents.GetObject(0, KScnCharacterProperties::ClassId), character);
    EXPECT_EQ(mContents.GetObjectCount(KScnMaterialProperties::ClassId), 0);
    EXPECT_EQ(mContents.GetObjectCountOfKind(KScnObject::eKindConstraint), 1);
    EXPECT_EQ(mContents.GetObjectOfKind(0, KScnObject::eKindConstraint), aim);
    EXPECT_EQ(mContents.GetObjectOfKind(0, KScnObject::eKindCharacter), character);
    // The list is the objects' property sets connected as sources.
    EXPECT_TRUE(character->GetPropertyHandler()->IsDstConnected(mContents.GetObjectList()));
    EXPECT_EQ(mContents.GetConstraintCount(), 2);
    EXPECT_EQ(mContents.GetConstraint(1), character);
    EXPECT_TRUE(mContents.RemoveObject(character));
    EXPECT_FALSE(character->GetPropertyHandler()->IsDstConnected(mContents.GetObjectList()));
    EXPECT_TRUE(mContents.AddObject(character));
    EXPECT_TRUE(mManager.DestroyObject(character));
    EXPECT_EQ(mContents.GetObjectCount(), 3) << "a destroyed object leaves the list";
    EXPECT_EQ(mContents.GetConstraintCount(), 1);
    EXPECT_EQ(mContents.GetConstraint(0), aim);
    EXPECT_EQ(mContents.FindConstraint("Constraint::Aim"), aim);
    EXPECT_EQ(mContents.FindConstraint("Deformer::s"), nullptr);
    EXPECT_EQ(mContents.GetDeformerCount(0), 2);
    EXPECT_EQ(mContents.GetDeformerCount(1), 1);
    EXPECT_EQ(mContents.GetDeformer(0, 2), cluster);
    EXPECT_EQ(mContents.GetDeformerCount(3), 0);
    EXPECT_EQ(mContents.GetDeformer(0, 3), nullptr);

    EXPECT_TRUE(mContents.RemoveObject(nullptr));
    EXPECT_TRUE(mContents.RemoveObject(skin));
    EXPECT_FALSE(mContents.RemoveObject(skin));
    EXPECT_EQ(mContents.GetError().GetLastErrorID(), 15);
}

TEST_F(SceneContentsTest, FillNodesByAttributeType)
{
    KindAttribute meshA(KScnNodeAttribute::eMesh);
    KindAttribute meshB(KScnNodeAttribute::eMesh);
    KindAttribute light(KScnNodeAttribute::eLight);
    KScnNode* a = mManager.CreateNode("a");
    KScnNode* b = mManager.CreateNode("b");
    KScnNode* deep = mManager.CreateNode("deep");
    // Hung under the root, the nodes join the contents: list order a, b,
    // deep; tree order a, deep, b.
    mContents.GetRootNode()->AddChild(a);
    mContents.GetRootNode()->AddChild(b);
    a->AddChild(deep);
    ASSERT_EQ(mContents.GetNodeCount(), 4);
    deep->SetNodeAttribute(&meshA);
    b->SetNodeAttribute(&meshB);
    a->SetNodeAttribute(&light);

    KPointerArray<KScnNode> found(16);
    found.Add(a);
    mContents.FillNodesByAttributeType(found, KScnNodeAttribute::eMesh, true);
    ASSERT_EQ(found.GetCount(), 2);
    EXPECT_EQ(found[0], deep) << "depth-first: a's subtree before b";
    EXPECT_EQ(found[1], b);
    mContents.FillNodesByAttributeType(found, KScnNodeAttribute::eMesh, false);
    ASSERT_EQ(found.GetCount(), 2);
    EXPECT_EQ(found[0], b) << "list order";
    EXPECT_EQ(found[1], deep);
    mContents.FillNodesByAttributeType(found, KScnNodeAttribute::eCamera, true);
    EXPECT_EQ(found.GetCount(), 0);
    for (KScnNode* n : {a, b, deep})
    {
        n->SetNodeAttribute(nullptr);
    }
}

TEST_F(SceneContentsTest, ClearForgetsEverything)
{
    KScnGenericNode* generic = mManager.CreateGenericNode("G");
    generic->SetSceneContents(&mContents);
    mContents.AddMaterial(mManager.CreateMaterial("m"));
    mContents.Clear();
    EXPECT_EQ(mContents.GetRootNode(), nullptr);
    EXPECT_EQ(mContents.GetNodeCount(), 0);
    EXPECT_EQ(mContents.GetMaterialCount(), 0);
    EXPECT_EQ(generic->GetSceneContents(), nullptr);
}

} // namespace
