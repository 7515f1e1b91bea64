#include "scenesdk/attributes/KScnPropertyHandler.h"

#include "tests/scenesdk/animation/TakeTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace scenesdk;
using taketest::TestMaterial;
using taketest::TestMaterialProperties;

namespace
{

void CountValueEvents(void* user, const KEventPath*, int code, KPlug*, const void*, const void*, const void*)
{
    if (code == KPlug::eValueChanging || code == KPlug::eValueChanged)
    {
        static_cast<std::vector<int>*>(user)->push_back(code);
    }
}

TEST(PropertyHandler, IsAKernelObjectWithItsOwnClassId)
{
    TestMaterial mat;
    KScnPropertyHandler* handler = mat.GetPropertyHandler();
    EXPECT_STREQ(handler->GetClassName(), "KScnPropertyHandler");
    EXPECT_TRUE(handler->IsA(KScnPropertyHandler::ClassId));
    EXPECT_TRUE(handler->IsA(KObject::ClassId));
    EXPECT_EQ(handler->GetOwner(), &mat);
}

TEST(PropertyHandler, DeclaredPropertiesAreBoundInDeclarationOrder)
{
    TestMaterial mat;
    TestMaterialProperties* set = mat.Props();
    const char* names[] = {"Diffuse", "Opacity", "Mode", "Comment"};
    ASSERT_EQ(set->GetPropertyCount(), 4);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_STREQ(set->GetProperty(i)->GetName(), names[i]);
    }
    EXPECT_EQ(set->Diffuse.GetTypeCode(), eKPropColorRGB);
    EXPECT_DOUBLE_EQ(set->mDiffuse.mData[0], 0.8) << "the default went through the setter";

    std::vector<int> events;
    set->AddCallback(&events, &CountValueEvents, nullptr, nullptr);
    ASSERT_TRUE(set->Diffuse.SetValue(KgeRGBVector(0.2, 0.3, 0.4)));
    EXPECT_EQ(set->mDiffuseSets, 1);
    EXPECT_EQ(events, (std::vector<int>{KPlug::eValueChanging, KPlug::eValueChanged}));
    EXPECT_DOUBLE_EQ(set->mDiffuse.mData[2], 0.4);
    set->Comment.SetValue(KString("kept by the property itself"));
    EXPECT_EQ(set->Comment.GetValue(), "kept by the property itself");
}

// A set of a derived object class overriding one getter: the bound property
// follows without rebinding.
class BrightMaterialProperties : public TestMaterialProperties
{
public:
    using TestMaterialProperties::TestMaterialProperties;
    double GetOpacity() override { return 0.5 * mOpacity; }

protected:
    ~BrightMaterialProperties() override = default;
};

TEST(PropertyHandler, OverriddenGettersReachTheBoundProperty)
{
    TestMaterial mat;
    auto* bright = new BrightMaterialProperties(&mat);
    bright->Opacity.SetValue(0.8);
    EXPECT_DOUBLE_EQ(bright->Opacity.GetValue(), 0.4);
    double d = 0;
    bright->Opacity.GetAsDoubles(&d);
    EXPECT_DOUBLE_EQ(d, 0.4);
    bright->Destroy();
}

TEST(PropertyHandler, DynamicPropertiesAreAnimatableOnRequest)
{
    TestMaterial mat;
    KScnPropertyHandler* set = mat.GetPropertyHandler();
    KProperty* a = set->CreateDynamicProperty("Glow", eKPropDouble, nullptr, true);
    KProperty* b = set->CreateDynamicProperty("Glow", eKPropDouble, nullptr, false);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(a->IsAnimatable());
    EXPECT_TRUE(a->IsDynamic());
    EXPECT_FALSE(b->IsAnimatable());
    EXPECT_STRNE(b->GetName(), "Glow") << "names stay unique";
    EXPECT_EQ(set->CreateDynamicProperty("Bad", 99, nullptr, true), nullptr);
    EXPECT_EQ(set->GetPropertyCount(), 6);
}

TEST(PropertyHandler, APropertyLeavingItsSetDropsItsLinks)
{
    TestMaterial mat;
    KScnPropertyHandler* set = mat.GetPropertyHandler();
    KProperty* glow = set->CreateDynamicProperty("Glow", eKPropDouble, nullptr, true);
    mat.AddPropertyToTakes(glow);
    ASSERT_EQ(mat.GetLinkCount(), 6);
    KFCurve* curve = mat.Curve(0, "Glow");
    ASSERT_TRUE(set->RemoveProperty(glow)); // destroys the dynamic property
    EXPECT_EQ(mat.GetLinkCount(), 5);
    curve->SetDefaultValue(2.0f); // would write the destroyed property (ASan)
    EXPECT_EQ(curve->GetListenerCount(), 0);
}

TEST(PropertyHandler, ASetDestroyedBeforeItsObjectLeavesNoLinks)
{
    TestMaterial mat;
    KFCurve* opacity = mat.Curve(0, "Opacity");
    mat.DropProps();
    EXPECT_EQ(mat.GetLinkCount(), 0);
    opacity->SetDefaultValue(0.5f); // would write a destroyed property (ASan)
    EXPECT_EQ(opacity->GetListenerCount(), 0);
    mat.PushAllPropertiesToDefaultTake();
    EXPECT_FLOAT_EQ(opacity->GetDefaultValue(), 0.5f);
}

TEST(PropertyHandler, DestroyingTheObjectWithLinksAndTakesIsClean)
{
    auto mat = std::make_unique<TestMaterial>();
    mat->AddTakeNode("Walk");
    KProperty* glow = mat->GetPropertyHandler()->CreateDynamicProperty("Glow", eKPropColorRGB, nullptr, true);
    mat->AddPropertyToTakes(glow);
    mat->SelectTakeNodeByName("Walk");
    mat.reset(); // the set dies first, then the takes with their linked curves
    SUCCEED();
}

} // namespace
