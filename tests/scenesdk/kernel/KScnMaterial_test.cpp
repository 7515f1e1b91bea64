#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnMaterial.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"

#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

// The objects' manager, as the manager's factory would hand it to them.
KScnSdkManager gManager;

std::string Triple(double x, double y, double z)
{
    return std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z);
}

std::string Prop3(KProperty* p)
{
    double v[4] = {0, 0, 0, 0};
    p->GetAsDoubles(v);
    return Triple(v[0], v[1], v[2]);
}

KFCurve* CurveIn(KScnMaterial& m, int take, const char* path)
{
    KFCurveNode* node = m.GetTakeNode(take)->GetRootCurveNode()->FindDescendant(path);
    return node != nullptr ? node->GetFCurve() : nullptr;
}

struct Row
{
    const char* name;
    int typeCode;
    double value;
};
const Row kMaterialRows[] = {
    {"Emissive", eKPropColorRGB, 0.0}, {"Ambient", eKPropColorRGB, 0.2}, {"Diffuse", eKPropColorRGB, 0.8},
    {"Specular", eKPropColorRGB, 0.2}, {"Opacity", eKPropDouble, 1.0},   {"Reflectivity", eKPropDouble, 0.3},
    {"Shininess", eKPropDouble, 6.4},
};

} // namespace

TEST(KScnMaterial, PropertyTable)
{
    KScnFree<KScnMaterial> mat(&gManager, "Material::red");
    KScnMaterialProperties* props = mat.GetMaterialProperties();
    ASSERT_EQ(props->GetPropertyCount(), 7);
    for (int i = 0; i < 7; ++i)
    {
        KProperty* p = props->GetProperty(i);
        SCOPED_TRACE(kMaterialRows[i].name);
        EXPECT_STREQ(p->GetName(), kMaterialRows[i].name);
        EXPECT_EQ(p->GetTypeCode(), kMaterialRows[i].typeCode);
        const double d = kMaterialRows[i].value;
        if (kMaterialRows[i].typeCode == eKPropColorRGB)
        {
            EXPECT_EQ(Prop3(p), Triple(d, d, d));
        }
        else
        {
            EXPECT_DOUBLE_EQ(p->GetDouble(), d);
        }
        // Made animatable and marked (state bit 8) by the default take's channels.
        EXPECT_TRUE(p->IsAnimatable());
        EXPECT_TRUE(p->TestStateFlags(KProperty::kStateAnimatableUser));
    }
    EXPECT_STREQ(props->GetClassName(), "KScnMaterialProperties");
    EXPECT_TRUE(props->IsA(KScnPropertyHandler::ClassId));
    EXPECT_TRUE(props->IsA(KObject::ClassId));
    EXPECT_FALSE(props->IsA(KProperty::ClassId));
    EXPECT_EQ(props->GetOwner(), &mat);
    EXPECT_EQ(mat.GetPropertyHandler(), props);
    EXPECT_EQ(mat.GetObjectKind(), 3);
    EXPECT_STREQ(mat.GetShadingModel(), "phong");
    EXPECT_FALSE(mat.GetMultiLayer());
    EXPECT_EQ(mat.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(mat.GetNamePrefix(), "Material::");
    EXPECT_EQ(mat.GetNameWithoutPrefix(), "red");
}

TEST(KScnMaterial, DefaultTakeChannels)
{
    KScnFree<KScnMaterial> mat(&gManager, "Material::red");
    ASSERT_EQ(mat.GetTakeNodeCount(), 1);
    EXPECT_STREQ(mat.GetTakeNodeName(0), "Default");
    KFCurveNode* root = mat.GetDefaultTakeNode()->GetRootCurveNode();
    const char* names[] = {"Emissive", "Ambient",      "Diffuse",  "Specular",
                           "Opacity",  "Reflectivity", "Shininess"};
    ASSERT_EQ(root->GetChildCount(), 7);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_STREQ(root->GetChildAt(i)->GetName(), names[i]);
        EXPECT_EQ(root->GetChildAt(i)->GetChildCount(), i < 4 ? 3 : 0);
    }
    KScnTakeNodeEntry* def = mat.GetDefaultTakeNode();
    EXPECT_EQ(def->GetAmbientYCurve()->GetDefaultValue(), 0.2f);
    EXPECT_EQ(def->GetDiffuseZCurve()->GetDefaultValue(), 0.8f);
    EXPECT_EQ(def->GetEmissiveXCurve()->GetDefaultValue(), 0.0f);
    EXPECT_EQ(def->GetOpacityCurve()->GetDefaultValue(), 1.0f);
    EXPECT_EQ(def->GetReflectivityCurve()->GetDefaultValue(), 0.3f);
    EXPECT_EQ(def->GetShininessCurve()->GetDefaultValue(), 6.4f);
    // 4 colours x 3 components + 3 scalars, each curve linked to its property.
    EXPECT_EQ(mat.GetLinkCount(), 15);
}

TEST(KScnMaterial, NewMaterialReadsTheDefaultTake)
{
    KScnFree<KScnMaterial> mat(&gManager, "Material::red");
    double r, g, b;
    mat.GetDefaultAmbient(r, g, b);
    EXPECT_EQ(Triple(r, g, b), Triple(0.2f, 0.2f, 0.2f));
    mat.GetDefaultDiffuse(r, g, b);
    EXPECT_EQ(Triple(r, g, b), Triple(0.8f, 0.8f, 0.8f));
    mat.GetDefaultSpecular(r, g, b);
    EXPECT_EQ(Triple(r, g, b), Triple(0.2f, 0.2f, 0.2f));
    mat.GetDefaultEmissive(r, g, b);
    EXPECT_EQ(Triple(r, g, b), Triple(0, 0, 0));
    EXPECT_DOUBLE_EQ(mat.GetDefaultOpacity(), 1.0);
    EXPECT_DOUBLE_EQ(mat.GetDefaultReflectivity(), static_cast<double>(0.3f));
    EXPECT_DOUBLE_EQ(mat.GetDefaultShininess(), static_cast<double>(6.4f) * 0.0078125);
}

TEST(KScnMaterial, ScalarClampingAndShininessScale)
{
    KScnFree<KScnMaterial> mat(&gManager, "Material::m");
    KFCurve* shininess = mat.GetDefaultTakeNode()->GetShininessCurve();
    mat.SetDefaultShininess(0.5);
    EXPECT_EQ(shininess->GetDefaultValue(), 64.0f);
    EXPECT_DOUBLE_EQ(mat.GetDefaultShininess(), 0.5);
    mat.SetShininess(2.0);
    EXPECT_EQ(shininess->GetDefaultValue(), 128.0f);
    mat.SetDefaultShininess(-1.0);
    EXPECT_EQ(shininess->GetDefaultValue(), 0.0f);
    shininess->SetDefaultValue(200.0f); // as a reader would
    EXPECT_DOUBLE_EQ(mat.GetDefaultShininess(), 1.0);
    EXPECT_DOUBLE_EQ(mat.GetMaterialProperties()->Shininess.GetValue(), 200.0);

    mat.SetDefaultOpacity(-1.0);
    EXPECT_DOUBLE_EQ(mat.GetDefaultOpacity(), 0.0);
    mat.SetOpacity(3.0);
    EXPECT_DOUBLE_EQ(mat.GetDefaultOpacity(), 1.0);
    mat.SetDefaultReflectivity(1.5);
    EXPECT_DOUBLE_EQ(mat.GetDefaultReflectivity(), 1.0);
    mat.SetDefaultReflectivity(0.1);
    EXPECT_NE(mat.GetDefaultReflectivity(), 0.1);
    EXPECT_EQ(mat.GetDefaultReflectivity(), static_cast<double>(0.1f));
}

TEST(KScnMaterial, PropertiesAndDefaultTakeFollowEachOther)
{
    KScnFree<KScnMaterial> mat(&gManager, "Material::m");
    KScnMaterialProperties* props = mat.GetMaterialProperties();

    // Take -> property.
    mat.SetDefaultDiffuse(0.1, 0.5, 0.25);
    EXPECT_EQ(Prop3(&props->Diffuse), Triple(0.1f, 0.5, 0.25));
    mat.SetDefaultOpacity(0.75);
    EXPECT_DOUBLE_EQ(props->Opacity.GetValue(), 0.75);

    // Property -> take, also while another take is current.
    ASSERT_NE(mat.AddTakeNode("Take 001"), nullptr);
    ASSERT_TRUE(mat.SelectTakeNodeByName("Take 001"));
    props->Ambient.SetValue(KgeRGBVector(0.3, 0.6, 0.9));
    props->FindProperty("Reflectivity")->SetDouble(0.5);
    double r, g, b;
    mat.GetDefaultAmbient(r, g, b);
    EXPECT_EQ(Triple(r, g, b), Triple(0.3f, 0.6f, 0.9f));
    EXPECT_EQ(CurveIn(mat, 1, "Ambient/Y")->GetDefaultValue(), 0.6f);
    EXPECT_DOUBLE_EQ(mat.GetDefaultReflectivity(), 0.5);

    // The game reads the take "Default" whatever take is current: writing a
    // channel of the other take leaves it alone.
    CurveIn(mat, 1, "Specular/X")->SetDefaultValue(0.9f);
    mat.GetDefaultSpecular(r, g, b);
    EXPECT_EQ(Triple(r, g, b), Triple(0.2f, 0.2f, 0.2f));

    // The values written by either side count as written; the others (the
    // defaults) do not, nor does the other take's channel.
    CurveIn(mat, 0, "Shininess")->SetDefaultValue(12.0f);
    for (const Row& row : kMaterialRows)
    {
        const std::string name = row.name;
        EXPECT_EQ(props->IsWritten(*props->FindProperty(row.name)),
                  name != "Emissive" && name != "Specular")
            << row.name;
    }
}

TEST(KScnMaterial, ColourAccessors)
{
    KScnFree<KScnMaterial> mat(&gManager, "Material::m");
    mat.SetDiffuse(KColorRGBA(0.25, 0.5, 0.75, 0.1));
    KColorRGBA c = mat.GetDiffuse();
    EXPECT_EQ(Triple(c.mRed, c.mGreen, c.mBlue), Triple(0.25, 0.5, 0.75));
    EXPECT_DOUBLE_EQ(c.mAlpha, 1.0);
    mat.SetEmissive(KColorRGBA(1, 0, 0, 0));
    mat.SetAmbient(KColorRGBA(0, 1, 0, 0));
    mat.SetSpecular(KColorRGBA(0, 0, 1, 0));
    EXPECT_DOUBLE_EQ(mat.GetEmissive().mRed, 1.0);
    EXPECT_DOUBLE_EQ(mat.GetAmbient().mGreen, 1.0);
    EXPECT_DOUBLE_EQ(mat.GetSpecular().mBlue, 1.0);
    EXPECT_DOUBLE_EQ(mat.GetSpecular().mAlpha, 1.0);
}

TEST(KScnMaterial, DuplicateTest)
{
    KScnFree<KScnMaterial> a(&gManager, "Material::red");
    KScnFree<KScnMaterial> b(&gManager, "Material::red");
    b.SetShadingModel("PHONG");
    EXPECT_TRUE(a.IsDuplicateOf(&b));
    EXPECT_TRUE(a.IsDuplicateOf(&a));
    EXPECT_FALSE(a.IsDuplicateOf(nullptr));

    KScnFree<KScnMaterial> upper(&gManager, "Material::Red");
    EXPECT_FALSE(a.IsDuplicateOf(&upper));

    b.SetDefaultSpecular(0.2, 0.2, 0.3);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetDefaultSpecular(0.2, 0.2, 0.2);
    ASSERT_TRUE(a.IsDuplicateOf(&b));
    b.SetDefaultShininess(0.9);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.GetDefaultTakeNode()->GetShininessCurve()->SetDefaultValue(6.4f);
    ASSERT_TRUE(a.IsDuplicateOf(&b));
    b.SetShadingModel("lambert");
    EXPECT_FALSE(a.IsDuplicateOf(&b));
}

TEST(KScnMaterial, HandlerPropertiesBecomeUserPropertiesOnTheExistingChannels)
{
    KScnSdkManager manager;
    KScnFree<KScnMaterial> mat(&manager, "Material::m");
    EXPECT_EQ(mat.InstantiateHandlerProperties(), 7);
    EXPECT_EQ(mat.GetUserPropertyCount(), 7);
    EXPECT_EQ(mat.InstantiateHandlerProperties(), 0) << "listed properties are skipped";
    // The channels built with the material are reused, not made twice.
    EXPECT_EQ(mat.GetDefaultTakeNode()->GetRootCurveNode()->GetChildCount(), 7);
    mat.SetDefaultDiffuse(0.5, 0.5, 0.5);
    EXPECT_EQ(Prop3(&mat.GetMaterialProperties()->Diffuse), Triple(0.5, 0.5, 0.5));
}
