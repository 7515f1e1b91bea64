// Shape attribute: kind, names and copying from another shape.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/kernel/KScnFree.h"

using namespace scenesdk;
using namespace attribtest;

namespace
{

TEST(Shape, KindNamesAndNoChannels)
{
    KScnFree<KScnShape> shape;
    EXPECT_EQ(shape.GetAttributeKind(), KScnNodeAttribute::eShape);
    EXPECT_STREQ(shape.GetTypeName().Buffer(), "");
    EXPECT_EQ(shape.GetTypeNameList().GetCount(), 0);
    std::vector<KProperty*> properties;
    shape.CollectHandlerProperties(properties);
    EXPECT_TRUE(properties.empty());
}

TEST(Shape, CopyTakesPointsAndLayers)
{
    KScnFree<KScnShape> source;
    ASSERT_TRUE(source.InitControlPoints(3));
    source.SetControlPointAt(KgeTVector(1.0, 2.0, 3.0, 1.0), 2);
    ASSERT_TRUE(source.InitNormals());
    KScnFree<KScnShape> target;
    target.InitControlPoints(7);
    EXPECT_EQ(&target.Copy(source), &target);
    ASSERT_EQ(target.GetControlPointsCount(), 3);
    EXPECT_DOUBLE_EQ(target.GetControlPointAt(2).mData[1], 2.0);
    EXPECT_EQ(target.GetLayerCount(), source.GetLayerCount());
    EXPECT_NE(target.GetNormals(), nullptr);

    EXPECT_EQ(&target.Copy(target), &target);
    EXPECT_EQ(target.GetControlPointsCount(), 3);
}

} // namespace
