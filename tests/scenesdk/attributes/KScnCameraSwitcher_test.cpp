// Camera switcher attribute: camera names and the "Camera Index" channel.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/kernel/KScnFree.h"

using namespace scenesdk;
using namespace attribtest;

namespace
{

using CameraSwitcherTest = AttributeTest;

TEST_F(CameraSwitcherTest, KindNamesAndNoProperties)
{
    KScnFree<KScnCameraSwitcher> switcher;
    EXPECT_EQ(switcher.GetAttributeKind(), KScnNodeAttribute::eCameraSwitcher);
    EXPECT_STREQ(switcher.GetTypeName().Buffer(), "");
    EXPECT_EQ(switcher.GetTypeNameList().GetCount(), 0);
    std::vector<KProperty*> properties;
    switcher.CollectHandlerProperties(properties);
    EXPECT_TRUE(properties.empty());
}

TEST_F(CameraSwitcherTest, CameraNamesInInsertionOrder)
{
    KScnFree<KScnCameraSwitcher> switcher;
    EXPECT_EQ(switcher.GetCameraName(0), nullptr);
    switcher.AddCameraName("A");
    switcher.AddCameraName("B");
    switcher.AddCameraName(nullptr);
    ASSERT_EQ(switcher.GetCameraNameCount(), 3);
    EXPECT_STREQ(switcher.GetCameraName(1), "B");
    EXPECT_STREQ(switcher.GetCameraName(0), "A");
    EXPECT_STREQ(switcher.GetCameraName(2), "");
    EXPECT_EQ(switcher.GetCameraName(3), nullptr);
    EXPECT_EQ(switcher.GetCameraName(-1), nullptr);
}

TEST_F(CameraSwitcherTest, CameraIndexChannelInEveryTake)
{
    KScnNode* node = NodeWithTakes();
    KScnFree<KScnCameraSwitcher> switcher;
    switcher.SetDefaultCameraIndex(3); // detached: nothing
    node->SetNodeAttribute(&switcher);
    for (int t = 0; t < 3; ++t)
    {
        KFCurve* curve = node->GetTakeNode(t)->GetCameraIndexCurve();
        ASSERT_NE(curve, nullptr);
        EXPECT_FLOAT_EQ(curve->GetDefaultValue(), 1.0f);
    }
    switcher.SetDefaultCameraIndex(3);
    EXPECT_FLOAT_EQ(node->GetDefaultTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 3.0f);
    EXPECT_FLOAT_EQ(node->GetTakeNode(1)->GetCameraIndexCurve()->GetDefaultValue(), 1.0f);

    node->SetNodeAttribute(nullptr);
    for (int t = 0; t < 3; ++t)
    {
        EXPECT_FALSE(HasChannel(node->GetTakeNode(t), "Camera Index"));
    }
    switcher.SetDefaultCameraIndex(5); // detached again: nothing
}

} // namespace
