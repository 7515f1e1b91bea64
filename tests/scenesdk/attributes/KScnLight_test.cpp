// Light attribute: property table, channels per take, links of the default
// take and the channel setters.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnFree.h"

using namespace scenesdk;
using namespace attribtest;

namespace
{

using LightTest = AttributeTest;

TEST_F(LightTest, NewLightPropertiesInOrder)
{
    KScnFree<KScnLight> light;
    EXPECT_EQ(light.GetAttributeKind(), KScnNodeAttribute::eLight);
    EXPECT_STREQ(light.GetTypeName().Buffer(), "Light");
    EXPECT_EQ(Names(light.GetTypeNameList()), (std::vector<std::string>{"Light"}));
    ExpectProperties(light, {{"LightType", eKPropEnum, {0.0}},
                             {"CastLightOnObject", eKPropBool, {1.0}},
                             {"DrawVolumetricLight", eKPropBool, {1.0}},
                             {"DrawGroundProjection", eKPropBool, {1.0}},
                             {"DrawFrontFacingVolumetricLight", eKPropBool, {0.0}},
                             {"GoboProperty", eKPropObject, {0.0}},
                             {"Color", eKPropColorRGB, {1.0, 1.0, 1.0}},
                             {"Intensity", eKPropDouble, {100.0}},
                             {"Cone angle", eKPropDouble, {45.0}},
                             {"Fog", eKPropDouble, {50.0}}});
    KScnLightProperties* props = light.GetProperties();
    for (KProperty* p : {props->Color, props->Intensity, props->ConeAngle, props->Fog})
    {
        SCOPED_TRACE(p->GetName());
        EXPECT_TRUE(p->IsAnimatable());
        EXPECT_TRUE(p->IsDynamic());
        EXPECT_TRUE(p->TestStateFlags(KProperty::kStateAnimatableUser));
    }
    EXPECT_STREQ(props->Color->GetDataType()->GetName(), "Color");
    EXPECT_STREQ(props->ConeAngle->GetDataType()->GetName(), "Cone angle");
    EXPECT_STREQ(props->LightType.GetEnumName(2), "Spot Light");
    EXPECT_EQ(props->LightType.GetEnumName(3), nullptr);
    EXPECT_EQ(light.GetFileName(), nullptr);
    EXPECT_EQ(props->GoboProperty->GetCount(), 0);
    EXPECT_EQ(props->GetGoboObject(0), nullptr);
    EXPECT_EQ(props->GoboProperty->GetFilter(), KScnLightProperties::ClassId);
}

TEST_F(LightTest, PlainSettersAndFileName)
{
    KScnFree<KScnLight> light;
    light.SetLightType(KScnLight::eSpot);
    light.SetCastLight(false);
    light.SetDrawGroundProjection(false);
    light.SetDrawVolumetricLight(false);
    light.SetDrawFrontFacingVolumetricLight(true);
    EXPECT_EQ(light.GetLightType(), KScnLight::eSpot);
    EXPECT_FALSE(light.GetCastLight());
    EXPECT_FALSE(light.GetDrawGroundProjection());
    EXPECT_FALSE(light.GetDrawVolumetricLight());
    EXPECT_TRUE(light.GetDrawFrontFacingVolumetricLight());
    light.SetIntensity(-5.0); // not clamped
    EXPECT_DOUBLE_EQ(light.GetIntensity(), -5.0);
    EXPECT_TRUE(light.SetFileName("gobo.tif"));
    EXPECT_STREQ(light.GetFileName(), "gobo.tif");
    EXPECT_TRUE(light.SetFileName(nullptr));
    EXPECT_EQ(light.GetFileName(), nullptr);
}

TEST_F(LightTest, AttachingGivesEveryTakeTheFourChannels)
{
    KScnNode* node = NodeWithTakes();
    KScnFree<KScnLight> light;
    light.SetIntensity(250.0);
    light.SetColor(KColorRGBA(0.5, 0.25, 0.125, 0.0));
    node->SetNodeAttribute(&light);
    for (int t = 0; t < 3; ++t)
    {
        SCOPED_TRACE(t);
        KScnTakeNodeEntry* take = node->GetTakeNode(t);
        ASSERT_NE(take->GetColorXCurve(), nullptr);
        ASSERT_NE(take->GetIntensityCurve(), nullptr);
        ASSERT_NE(take->GetConeAngleCurve(), nullptr);
        ASSERT_NE(take->GetFogCurve(), nullptr);
        EXPECT_EQ(take->GetRootCurveNode()->FindDescendant("Color")->GetFCurve(), nullptr);
        // Fixed defaults whatever the property values are.
        EXPECT_FLOAT_EQ(take->GetColorXCurve()->GetDefaultValue(), 1.0f);
        EXPECT_FLOAT_EQ(take->GetColorZCurve()->GetDefaultValue(), 1.0f);
        EXPECT_FLOAT_EQ(take->GetIntensityCurve()->GetDefaultValue(), 100.0f);
        EXPECT_FLOAT_EQ(take->GetConeAngleCurve()->GetDefaultValue(), 45.0f);
        EXPECT_FLOAT_EQ(take->GetFogCurve()->GetDefaultValue(), 50.0f);
        EXPECT_FLOAT_EQ(take->GetColorYCurve()->GetColor()[1], 1.0f);
        EXPECT_FLOAT_EQ(take->GetIntensityCurve()->GetColor()[0], 0.97f);
        EXPECT_FLOAT_EQ(take->GetConeAngleCurve()->GetColor()[2], 0.71f);
        EXPECT_FLOAT_EQ(take->GetFogCurve()->GetColor()[1], 0.38f);
    }
    // Values given while detached survive the attach.
    EXPECT_DOUBLE_EQ(light.GetIntensity(), 250.0);
    EXPECT_DOUBLE_EQ(light.GetColor().mGreen, 0.25);

    node->SetNodeAttribute(nullptr);
    for (int t = 0; t < 3; ++t)
    {
        for (const char* name : {"Color", "Intensity", "Cone angle", "Fog"})
        {
            EXPECT_FALSE(HasChannel(node->GetTakeNode(t), name)) << name;
        }
    }
}

TEST_F(LightTest, ChannelSettersReachTheDefaultTakeWhenAttached)
{
    KScnNode* node = NodeWithTakes();
    KScnFree<KScnLight> light;
    node->SetNodeAttribute(&light);
    light.SetIntensity(250.0);
    light.SetConeAngle(30.0);
    light.SetFog(10.0);
    light.SetColor(KColorRGBA(0.5, 0.25, 0.125, 1.0));
    KScnTakeNodeEntry* take = node->GetDefaultTakeNode();
    EXPECT_FLOAT_EQ(take->GetIntensityCurve()->GetDefaultValue(), 250.0f);
    EXPECT_FLOAT_EQ(take->GetConeAngleCurve()->GetDefaultValue(), 30.0f);
    EXPECT_FLOAT_EQ(take->GetFogCurve()->GetDefaultValue(), 10.0f);
    EXPECT_FLOAT_EQ(take->GetColorYCurve()->GetDefaultValue(), 0.25f);
    EXPECT_FLOAT_EQ(node->GetTakeNode(1)->GetIntensityCurve()->GetDefaultValue(), 100.0f);
    EXPECT_DOUBLE_EQ(light.GetIntensity(), 250.0);
    EXPECT_DOUBLE_EQ(light.GetColor().mBlue, 0.125);

    // The default take's curves feed the properties; the other takes' do not.
    take->GetFogCurve()->SetDefaultValue(20.0f);
    EXPECT_DOUBLE_EQ(light.GetFog(), 20.0);
    take->GetColorXCurve()->SetDefaultValue(0.75f);
    EXPECT_DOUBLE_EQ(light.GetColor().mRed, 0.75);
    node->GetTakeNode(2)->GetFogCurve()->SetDefaultValue(99.0f);
    EXPECT_DOUBLE_EQ(light.GetFog(), 20.0);
}

TEST_F(LightTest, DetachedSettersChangeOnlyTheProperty)
{
    KScnNode* node = NodeWithTakes();
    KScnFree<KScnLight> light;
    light.SetIntensity(250.0);
    EXPECT_DOUBLE_EQ(light.GetIntensity(), 250.0);
    EXPECT_EQ(node->GetDefaultTakeNode()->GetRootCurveNode()->IndexOfChildByName("Intensity"), -1);

    // After a detach the curves are gone and the links with them.
    node->SetNodeAttribute(&light);
    node->SetNodeAttribute(nullptr);
    light.SetFog(1.0);
    EXPECT_DOUBLE_EQ(light.GetFog(), 1.0);
}

} // namespace
