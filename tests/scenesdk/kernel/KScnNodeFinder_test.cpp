#include "scenesdk/kernel/KScnNodeFinder.h"

#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

using namespace scenesdk;

namespace
{

class NodeFinderTest : public testing::Test
{
protected:
    // top(Arm(hand), Arm, leg)
    void SetUp() override
    {
        mTop = mManager.CreateNode("top");
        mArm1 = mManager.CreateNode("Arm");
        mHand = mManager.CreateNode("hand");
        mArm2 = mManager.CreateNode("Arm");
        mLeg = mManager.CreateNode("leg");
        mArm1->AddChild(mHand);
        mTop->AddChild(mArm1);
        mTop->AddChild(mArm2);
        mTop->AddChild(mLeg);
    }

    KScnSdkManager mManager;
    KScnNode* mTop = nullptr;
    KScnNode* mArm1 = nullptr;
    KScnNode* mHand = nullptr;
    KScnNode* mArm2 = nullptr;
    KScnNode* mLeg = nullptr;
};

TEST_F(NodeFinderTest, SecondSameNameIsTheDuplicate)
{
    KScnNodeFinderDuplicateName finder(nullptr);
    KPointerArray<KScnNode>& found = finder.Apply(mTop, 7);
    EXPECT_EQ(finder.GetMode(), 7);
    ASSERT_EQ(found.GetCount(), 1);
    EXPECT_EQ(found[0], mArm2);
    ASSERT_EQ(finder.GetDuplicateNodes().GetCount(), 1);
    EXPECT_EQ(finder.GetSeenNodes().GetCount(), 5);
    EXPECT_EQ(finder.GetSeenNodes()[2], mHand) << "a node before its children";
}

TEST_F(NodeFinderTest, NamesInTheSceneClash)
{
    KScnSceneContents contents(&mManager);
    contents.GetRootNode()->AddChild(mManager.CreateNode("leg"));
    KScnNodeFinderDuplicateName finder(&contents);
    KPointerArray<KScnNode>& found = finder.Apply(mTop, 0);
    ASSERT_EQ(found.GetCount(), 2);
    EXPECT_EQ(found[0], mArm2);
    EXPECT_EQ(found[1], mLeg);
    finder.Reset();
    EXPECT_EQ(finder.GetFound().GetCount(), 0);
    EXPECT_EQ(finder.GetSeenNodes().GetCount(), 0);
}

TEST_F(NodeFinderTest, NodeChecksOff)
{
    KScnNodeFinderDuplicateName finder(nullptr);
    finder.SetCheck(KScnNodeFinderDuplicateName::eCheckNodes, false);
    EXPECT_EQ(finder.Apply(mTop, 0).GetCount(), 0);
    EXPECT_EQ(finder.GetDuplicateNodes().GetCount(), 0);
    EXPECT_EQ(finder.GetSeenNodes().GetCount(), 5);
    EXPECT_EQ(finder.Apply(nullptr, 0).GetCount(), 0);
}

TEST_F(NodeFinderTest, MaterialSeenTwiceIsADuplicateOnce)
{
    KScnMaterial* shared = mManager.CreateMaterial("skin");
    KScnNodeFinderDuplicateName finder(nullptr);
    EXPECT_FALSE(finder.CheckMaterial(shared)) << "material checks are off by default";
    finder.Reset();
    finder.SetCheck(KScnNodeFinderDuplicateName::eCheckMaterials, true);
    EXPECT_TRUE(finder.GetCheck(KScnNodeFinderDuplicateName::eCheckMaterials));
    finder.BeginGeometry();
    EXPECT_FALSE(finder.CheckMaterial(shared));
    finder.BeginGeometry();
    EXPECT_TRUE(finder.CheckMaterial(shared));
    EXPECT_EQ(finder.GetSeenMaterials().GetCount(), 1);
    EXPECT_EQ(finder.GetDuplicateMaterials().GetCount(), 1);
}

TEST_F(NodeFinderTest, TexturesInTheSceneClash)
{
    KScnSceneContents contents(&mManager);
    contents.AddTexture(mManager.CreateTexture("wood"));
    KScnNodeFinderDuplicateName finder(&contents);
    finder.SetCheck(KScnNodeFinderDuplicateName::eCheckTextures, true);
    EXPECT_TRUE(finder.CheckTexture(mManager.CreateTexture("wood")));
    EXPECT_FALSE(finder.CheckTexture(mManager.CreateTexture("stone")));
    EXPECT_EQ(finder.GetSeenTextures().GetCount(), 2);
}

TEST_F(NodeFinderTest, VideosInTheSceneClash)
{
    KScnSceneContents contents(&mManager);
    contents.AddVideo(mManager.CreateVideo("clip"));
    KScnNodeFinderDuplicateName finder(&contents);
    KScnVideo* clip = mManager.CreateVideo("clip");
    EXPECT_FALSE(finder.CheckVideo(clip)) << "video checks are off by default";
    finder.SetCheck(KScnNodeFinderDuplicateName::eCheckVideos, true);
    EXPECT_TRUE(finder.CheckVideo(clip));
    EXPECT_EQ(finder.GetSeenVideos().GetCount(), 1);
    EXPECT_EQ(finder.GetDuplicateVideos().GetCount(), 1);
}

// A mesh on node whose layer 0 lists materials directly.
void GiveMaterials(KScnSdkManager& manager, KScnNode* node, std::initializer_list<KScnMaterial*> materials,
                   int referenceMode = KScnLayerElement::eIndexToDirect)
{
    KScnMesh* mesh = manager.CreateMesh();
    KScnLayerElement* element = KScnLayerElement::Create(KScnLayerElement::eMaterial);
    element->SetReferenceMode(referenceMode);
    for (KScnMaterial* material : materials)
    {
        element->AddDirectItem(&material);
    }
    mesh->GetLayer(mesh->CreateLayer())->SetMaterialElement(element);
    node->SetNodeAttribute(mesh);
}

TEST_F(NodeFinderTest, SharedMaterialOfTheWalkIsReportedOnItsSecondEncounter)
{
    KScnMaterial* shared = mManager.CreateMaterial("skin");
    KScnMaterial* own = mManager.CreateMaterial("nail");
    GiveMaterials(mManager, mArm1, {shared});
    GiveMaterials(mManager, mHand, {own, shared});
    KScnNodeFinderDuplicateName finder(nullptr);
    finder.SetCheck(KScnNodeFinderDuplicateName::eCheckNodes, false);
    finder.SetCheck(KScnNodeFinderDuplicateName::eCheckMaterials, true);
    KPointerArray<KScnNode>& found = finder.Apply(mTop, 0);
    ASSERT_EQ(found.GetCount(), 1);
    EXPECT_EQ(found[0], mHand);
    ASSERT_EQ(finder.GetDuplicateMaterials().GetCount(), 1);
    EXPECT_EQ(finder.GetDuplicateMaterials()[0], shared);
    EXPECT_EQ(finder.GetSeenMaterials().GetCount(), 2) << "each material once";
}

TEST_F(NodeFinderTest, PlainIndexElementsAreNotRead)
{
    KScnSceneContents contents(&mManager);
    KScnMaterial* clash = mManager.CreateMaterial("skin");
    contents.AddMaterial(mManager.CreateMaterial("skin"));
    GiveMaterials(mManager, mLeg, {clash}, KScnLayerElement::eIndex);
    KScnNodeFinderDuplicateName finder(&contents);
    finder.SetCheck(KScnNodeFinderDuplicateName::eCheckMaterials, true);
    finder.Apply(mTop, 0);
    EXPECT_EQ(finder.GetSeenMaterials().GetCount(), 0);
    GiveMaterials(mManager, mLeg, {clash});
    finder.Reset();
    finder.Apply(mLeg, 0);
    EXPECT_EQ(finder.GetDuplicateMaterials().GetCount(), 1) << "the scene holds the name";
}

} // namespace
