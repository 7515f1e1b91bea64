// Marker attribute: properties, kinds, channels per kind and IK reach defaults.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/kernel/KScnFree.h"

using namespace scenesdk;
using namespace attribtest;

namespace
{

using MarkerTest = AttributeTest;

TEST_F(MarkerTest, NewMarkerPropertiesAndLookNames)
{
    KScnFree<KScnMarker> marker;
    EXPECT_EQ(marker.GetAttributeKind(), KScnNodeAttribute::eMarker);
    EXPECT_EQ(marker.GetMarkerKind(), KScnMarker::eMarker);
    ExpectProperties(marker, {{"Look", eKPropEnum, {0.0}},
                              {"Size", eKPropDouble, {100.0}},
                              {"Color", eKPropColorRGB, {1.0, 0.0, 0.0}},
                              {"ShowLabel", eKPropBool, {0.0}},
                              {"IKPivot", eKPropVector3D, {0.0, 0.0, 0.0}}});
    KScnMarkerProperties* props = marker.GetProperties();
    EXPECT_DOUBLE_EQ(props->IKPivot.GetValue().mData[3], 1.0);
    EXPECT_STREQ(props->Look.GetEnumName(3), "Sphere");
    EXPECT_STREQ(props->Look.GetEnumName(1), "Hard Cross");
    EXPECT_EQ(props->Look.GetEnumName(4), nullptr);
    EXPECT_EQ(KScnMarker::GetLookName(-1), nullptr);
}

TEST_F(MarkerTest, ValuesAndColorAlpha)
{
    KScnFree<KScnMarker> marker;
    marker.SetLook(KScnMarker::eLightCross);
    marker.SetSize(7.0);
    marker.SetShowLabel(true);
    marker.SetColor(KColorRGBA(0.2, 0.4, 0.6, 0.3));
    marker.SetIKPivot(KgeTVector(1.0, 2.0, 3.0, 9.0));
    EXPECT_EQ(marker.GetLook(), KScnMarker::eLightCross);
    EXPECT_DOUBLE_EQ(marker.GetSize(), 7.0);
    EXPECT_TRUE(marker.GetShowLabel());
    KColorRGBA color = marker.GetColor();
    EXPECT_DOUBLE_EQ(color.mRed, 0.2);
    EXPECT_DOUBLE_EQ(color.mBlue, 0.6);
    EXPECT_DOUBLE_EQ(color.mAlpha, 1.0);
    KgeTVector pivot = marker.GetIKPivot();
    EXPECT_DOUBLE_EQ(pivot.mData[2], 3.0);
    EXPECT_DOUBLE_EQ(pivot.mData[3], 1.0);

    marker.Reset();
    EXPECT_EQ(marker.GetLook(), KScnMarker::eCube);
    EXPECT_DOUBLE_EQ(marker.GetColor().mGreen, 0.0);
}

TEST_F(MarkerTest, TypeNamesByKind)
{
    KScnFree<KScnMarker> marker;
    const char* names[] = {"Marker", "OpticalMarker", "IKEffector", "FKEffector"};
    for (int kind = 0; kind < 4; ++kind)
    {
        marker.SetMarkerKind(static_cast<KScnMarker::EMarkerKind>(kind));
        EXPECT_EQ(marker.GetMarkerType(), kind);
        EXPECT_STREQ(marker.GetTypeName().Buffer(), names[kind]);
        EXPECT_EQ(Names(marker.GetTypeNameList()), (std::vector<std::string>{"Marker"}));
    }
    marker.SetMarkerKind(static_cast<KScnMarker::EMarkerKind>(9));
    EXPECT_STREQ(marker.GetTypeName().Buffer(), "Marker");
}

TEST_F(MarkerTest, ChangingTheKindSwapsTheChannelsInEveryTake)
{
    KScnNode* node = NodeWithTakes();
    KScnFree<KScnMarker> marker;
    node->SetNodeAttribute(&marker);
    for (int t = 0; t < 3; ++t)
    {
        EXPECT_EQ(node->GetTakeNode(t)->GetOcclusionCurve(), nullptr);
    }

    marker.SetMarkerKind(KScnMarker::eOpticalMarker);
    EXPECT_EQ(node->GetNodeAttribute(), &marker);
    EXPECT_EQ(marker.GetNode(), node);
    for (int t = 0; t < 3; ++t)
    {
        KScnTakeNodeEntry* take = node->GetTakeNode(t);
        KFCurve* occlusion = take->GetOcclusionCurve();
        ASSERT_NE(occlusion, nullptr);
        EXPECT_FLOAT_EQ(occlusion->GetDefaultValue(), 0.0f);
        EXPECT_FLOAT_EQ(occlusion->GetColor()[0], 0.75f);
        EXPECT_TRUE(HasChannel(take, "Occlusion"));
    }

    marker.SetMarkerKind(KScnMarker::eIKEffector);
    for (int t = 0; t < 3; ++t)
    {
        KScnTakeNodeEntry* take = node->GetTakeNode(t);
        EXPECT_FALSE(HasChannel(take, "Occlusion"));
        ASSERT_NE(take->GetIKReachTranslationCurve(), nullptr);
        ASSERT_NE(take->GetIKReachRotationCurve(), nullptr);
        EXPECT_FLOAT_EQ(take->GetIKReachTranslationCurve()->GetDefaultValue(), 0.0f);
        EXPECT_FLOAT_EQ(take->GetIKReachRotationCurve()->GetDefaultValue(), 0.0f);
    }

    marker.SetMarkerKind(KScnMarker::eFKEffector);
    node->SetNodeAttribute(nullptr);
    for (int t = 0; t < 3; ++t)
    {
        EXPECT_FALSE(HasChannel(node->GetTakeNode(t), "IK Reach Translation"));
        EXPECT_FALSE(HasChannel(node->GetTakeNode(t), "IK Reach Rotation"));
    }
}

TEST_F(MarkerTest, DetachingRemovesTheChannelsOfTheCurrentKind)
{
    KScnNode* node = NodeWithTakes();
    KScnFree<KScnMarker> marker;
    marker.SetMarkerKind(KScnMarker::eOpticalMarker); // detached: only stored
    node->SetNodeAttribute(&marker);
    EXPECT_NE(node->GetTakeNode(2)->GetOcclusionCurve(), nullptr);
    node->SetNodeAttribute(nullptr);
    for (int t = 0; t < 3; ++t)
    {
        EXPECT_FALSE(HasChannel(node->GetTakeNode(t), "Occlusion"));
    }
}

TEST_F(MarkerTest, IKReachDefaultsOnlyForAnAttachedIKEffector)
{
    KScnNode* node = NodeWithTakes();
    KScnFree<KScnMarker> marker;
    marker.SetMarkerKind(KScnMarker::eIKEffector);
    marker.SetDefaultIKReachTranslation(4.0); // detached: nothing to set
    node->SetNodeAttribute(&marker);
    marker.SetDefaultIKReachTranslation(40.0);
    marker.SetDefaultIKReachRotation(60.0);
    KScnTakeNodeEntry* take = node->GetDefaultTakeNode();
    EXPECT_FLOAT_EQ(take->GetIKReachTranslationCurve()->GetDefaultValue(), 40.0f);
    EXPECT_FLOAT_EQ(take->GetIKReachRotationCurve()->GetDefaultValue(), 60.0f);
    EXPECT_FLOAT_EQ(node->GetTakeNode(1)->GetIKReachTranslationCurve()->GetDefaultValue(), 0.0f);

    KScnFree<KScnMarker> optical;
    KScnNode* other = mManager.CreateNode("optical");
    optical.SetMarkerKind(KScnMarker::eOpticalMarker);
    other->SetNodeAttribute(&optical);
    const std::vector<std::string> before = RootChannels(other->GetDefaultTakeNode());
    optical.SetDefaultIKReachTranslation(5.0);
    optical.SetDefaultIKReachRotation(5.0);
    EXPECT_EQ(RootChannels(other->GetDefaultTakeNode()), before);
    EXPECT_FLOAT_EQ(other->GetDefaultTakeNode()->GetOcclusionCurve()->GetDefaultValue(), 0.0f);
}

} // namespace
