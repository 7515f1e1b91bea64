#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnTexture.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KPropertyObjectList.h"

#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace scenesdk;

namespace
{

// The objects' manager, as the manager's factory would hand it to them.
KScnSdkManager gManager;

struct PropertyRow
{
    const char* name;
    int typeCode;
    double value; // first component for vectors
};

// Member properties after the texture's reset, in creation order.
const PropertyRow kTextureRows[] = {
    {"TextureTypeUse", eKPropEnum, 0},
    {"CurrentTextureBlendMode", eKPropEnum, 1},
    {"UseMaterial", eKPropBool, 0},
    {"UseMipMap", eKPropBool, 0},
    {"CurrentMappingType", eKPropEnum, 0},
    {"UVSwap", eKPropBool, 0},
    {"WrapModeU", eKPropEnum, 0},
    {"WrapModeV", eKPropEnum, 0},
    {"TextureRotationPivot", eKPropVector3D, 0},
    {"TextureScalingPivot", eKPropVector3D, 0},
    {"VideoProperty", eKPropObject, 0},
    {"Translation", eKPropVector3D, 0},
    {"Rotation", eKPropVector3D, 0},
    {"Scaling", eKPropVector3D, 1},
    {"Texture alpha", eKPropDouble, 1},
};

KFCurve* CurveAt(KScnTexture& t, const char* path)
{
    KFCurveNode* node = t.GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant(path);
    return node != nullptr ? node->GetFCurve() : nullptr;
}

std::string Triple(double x, double y, double z)
{
    return std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z);
}

} // namespace

TEST(KScnTexture, PropertyTableAfterReset)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::wood");
    KScnTextureProperties* props = tex.GetTextureProperties();
    ASSERT_EQ(props->GetPropertyCount(), 15);
    for (int i = 0; i < 15; ++i)
    {
        KProperty* p = props->GetProperty(i);
        SCOPED_TRACE(kTextureRows[i].name);
        EXPECT_STREQ(p->GetName(), kTextureRows[i].name);
        EXPECT_EQ(p->GetTypeCode(), kTextureRows[i].typeCode);
        if (kTextureRows[i].typeCode != eKPropObject)
        {
            double v[4] = {-1, -1, -1, -1};
            ASSERT_TRUE(p->GetAsDoubles(v));
            EXPECT_DOUBLE_EQ(v[0], kTextureRows[i].value);
        }
        // Only the four dynamic properties are animatable, and marked with state bit 8.
        EXPECT_EQ(p->IsAnimatable(), i >= 11);
        EXPECT_EQ(p->TestStateFlags(KProperty::kStateAnimatableUser), i >= 11);
    }
    for (KgeTVector pivot : {props->TextureRotationPivot.GetValue(), props->TextureScalingPivot.GetValue()})
    {
        EXPECT_EQ(Triple(pivot[0], pivot[1], pivot[2]), Triple(0, 0, 0));
        EXPECT_DOUBLE_EQ(pivot[3], 1.0);
    }
    double scale[4];
    props->Scaling->GetAsDoubles(scale);
    EXPECT_EQ(Triple(scale[0], scale[1], scale[2]), Triple(1, 1, 1));
    EXPECT_DOUBLE_EQ(scale[3], 1.0);
}

TEST(KScnTexture, PropertySetIdentityAndVideoList)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::wood");
    KScnTextureProperties* props = tex.GetTextureProperties();
    EXPECT_STREQ(props->GetClassName(), "KScnTextureProperties");
    EXPECT_TRUE(props->IsA(KScnTextureProperties::ClassId));
    EXPECT_TRUE(props->IsA(KScnPropertyHandler::ClassId));
    EXPECT_TRUE(props->IsA(KObject::ClassId));
    EXPECT_TRUE(props->IsA(KPlug::ClassId));
    EXPECT_EQ(props->GetOwner(), &tex);
    EXPECT_EQ(tex.GetPropertyHandler(), props);
    EXPECT_EQ(tex.GetObjectKind(), 2);

    ASSERT_NE(props->VideoProperty, nullptr);
    int tag = 0, classId = 0;
    props->VideoProperty->GetFilter(&tag, &classId);
    EXPECT_EQ(tag, 1);
    EXPECT_EQ(classId, KScnTextureProperties::ClassId);
    const uint32_t flags = props->VideoProperty->GetPlugFlags();
    EXPECT_EQ(flags & 7u, 1u);
    EXPECT_EQ(props->VideoProperty->GetCount(), 0);
}

TEST(KScnTexture, EnumNames)
{
    const char* uses[] = {"Color",     "Spherical Reflection Map", "Sphere Map", "Shadow Map",
                          "Light Map", "Bump Map (NormalMap)"};
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_STREQ(TextureUseName(i), uses[i]);
    }
    const char* blends[] = {"Translucent", "Additive", "Modulate", "Modulate2"};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_STREQ(BlendModeName(i), blends[i]);
    }
    const char* maps[] = {"UV",          "Z",          "X",   "Y",    "Spherical", "Cylindrical",
                          "Environment", "Projection", "Box", "Face", "None"};
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_STREQ(UnifiedMappingTypeName(i), maps[i]);
    }
    EXPECT_STREQ(WrapModeName(0), "Repeat");
    EXPECT_STREQ(WrapModeName(1), "Clamp");
    EXPECT_EQ(TextureUseName(6), nullptr);
    EXPECT_EQ(BlendModeName(-1), nullptr);
    EXPECT_EQ(UnifiedMappingTypeName(11), nullptr);
    EXPECT_EQ(WrapModeName(2), nullptr);

    // The properties name their values through the same functions.
    KScnFree<KScnTexture> tex(&gManager, "Texture::t");
    KScnTextureProperties* props = tex.GetTextureProperties();
    EXPECT_STREQ(props->CurrentTextureBlendMode.GetEnumName(1), "Additive");
    EXPECT_STREQ(props->TextureTypeUse.GetEnumName(5), "Bump Map (NormalMap)");
    EXPECT_STREQ(props->CurrentMappingType.GetEnumName(10), "None");
    EXPECT_STREQ(props->WrapModeV.GetEnumName(1), "Clamp");

    // A handle, and the property itself, store only values the enumeration names (truncated numbers).
    struct HandleRow
    {
        double value;
        bool asDouble, stored;
        int after;
        bool throughProperty = false;
    };
    const HandleRow rows[] = {{31.0, true, false, 0},       {1.0, false, true, 1},       {-5.0, false, false, 1},
                              {0.7, true, true, 0},         {2.0, false, false, 0},      {1.9, true, true, 1},
                              {31.0, false, false, 1, true}, {31.0, true, false, 1, true}, {-1.0, true, false, 1, true},
                              {0.2, true, true, 0, true},   {1.0, false, true, 1, true}};
    KScnFree<KScnPropertyRef> handle(nullptr, &props->WrapModeU);
    for (const HandleRow& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << row.value << (row.throughProperty ? " property" : " handle"));
        KProperty& property = props->WrapModeU;
        const int asInt = static_cast<int>(row.value);
        EXPECT_EQ(row.throughProperty ? (row.asDouble ? property.SetDouble(row.value) : property.SetInt(asInt))
                                      : (row.asDouble ? handle.SetDouble(row.value) : handle.SetInteger(asInt)),
                  row.stored);
        EXPECT_EQ(static_cast<int>(tex.GetWrapModeU()), row.after);
    }
}

TEST(KScnTexture, NewTextureState)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::wood");
    EXPECT_EQ(tex.GetBlendMode(), eBlendAdditive);
    EXPECT_EQ(tex.GetMappingType(), KScnTexture::eMappingUV);
    EXPECT_EQ(tex.GetTextureProperties()->CurrentMappingType.GetValue(), eUMT_UV);
    double x, y, z;
    tex.GetDefaultScale(x, y, z);
    EXPECT_EQ(Triple(x, y, z), Triple(1, 1, 1));
    tex.GetDefaultTranslation(x, y, z);
    EXPECT_EQ(Triple(x, y, z), Triple(0, 0, 0));
    EXPECT_DOUBLE_EQ(tex.GetDefaultAlpha(), 1.0);
    EXPECT_EQ(tex.GetTypeName(), "TextureVideoClip");
    EXPECT_EQ(tex.GetTypeNameList().GetCount(), 0);
    EXPECT_STREQ(tex.GetFileName(), "");
    EXPECT_STREQ(tex.GetRelativeFileName(), "");
    EXPECT_EQ(tex.GetRepeatU(), 1);
    EXPECT_EQ(tex.GetRepeatV(), 1);
    EXPECT_EQ(tex.GetUVScaling(), KgeUVVector(1, 1));
    EXPECT_EQ(tex.GetUVTranslation(), KgeUVVector(0, 0));
    EXPECT_STREQ(tex.GetTakeNodeName(0), "Default");
    EXPECT_EQ(tex.GetNamePrefix(), "Texture::");
    EXPECT_EQ(tex.GetNameWithoutPrefix(), "wood");
    EXPECT_EQ(tex.GetSdkManager(), &gManager);
    EXPECT_EQ(tex.GetCurrentTakeIndex(), 0);
}

TEST(KScnTexture, DefaultTakeChannels)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::wood");
    KFCurveNode* root = tex.GetDefaultTakeNode()->GetRootCurveNode();
    const char* names[] = {"Translation", "Rotation", "Scaling", "Alpha"};
    ASSERT_EQ(root->GetChildCount(), 4);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_STREQ(root->GetChildAt(i)->GetName(), names[i]);
    }
    for (const char* path : {"Translation/X", "Translation/Z", "Rotation/Y"})
    {
        ASSERT_NE(CurveAt(tex, path), nullptr) << path;
        EXPECT_EQ(CurveAt(tex, path)->GetDefaultValue(), 0.0f) << path;
    }
    EXPECT_EQ(CurveAt(tex, "Scaling/Y")->GetDefaultValue(), 1.0f);
    EXPECT_EQ(CurveAt(tex, "Alpha")->GetDefaultValue(), 1.0f);
    EXPECT_EQ(tex.GetDefaultTakeNode()->GetTextureScalingZCurve(), CurveAt(tex, "Scaling/Z"));
    EXPECT_EQ(tex.GetDefaultTakeNode()->GetAlphaCurve(), CurveAt(tex, "Alpha"));

    // A second take copies the tree.
    ASSERT_NE(tex.AddTakeNode("Take 001"), nullptr);
    EXPECT_NE(tex.GetTakeNode(1)->GetTextureRotationXCurve(), nullptr);
}

TEST(KScnTexture, PlacementWritesCurvesAndProperties)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::wood");
    KScnTextureProperties* props = tex.GetTextureProperties();
    tex.SetDefaultTranslation(1.5, -2.0, 0.1);
    EXPECT_EQ(CurveAt(tex, "Translation/Z")->GetDefaultValue(), 0.1f);
    double x, y, z;
    tex.GetDefaultTranslation(x, y, z);
    EXPECT_EQ(Triple(x, y, z), Triple(1.5, -2.0, static_cast<double>(0.1f)));
    double v[4];
    props->Translation->GetAsDoubles(v);
    EXPECT_EQ(Triple(v[0], v[1], v[2]), Triple(1.5, -2.0, 0.1));
    EXPECT_DOUBLE_EQ(v[3], 1.0);

    tex.SetTranslation(3, 4);
    tex.GetDefaultTranslation(x, y, z);
    EXPECT_EQ(Triple(x, y, z), Triple(3, 4, 0));
    tex.SetScale(2, 5);
    tex.GetDefaultScale(x, y, z);
    EXPECT_EQ(Triple(x, y, z), Triple(2, 5, 1));
    tex.SetRotation(10, 20, 30);
    tex.GetDefaultRotation(x, y, z);
    EXPECT_EQ(Triple(x, y, z), Triple(10, 20, 30));
    props->Rotation->GetAsDoubles(v);
    EXPECT_EQ(Triple(v[0], v[1], v[2]), Triple(10, 20, 30));

    tex.SetDefaultAlpha(0.25);
    EXPECT_EQ(CurveAt(tex, "Alpha")->GetDefaultValue(), 0.25f);
    EXPECT_DOUBLE_EQ(props->TextureAlpha->GetDouble(), 0.25);
    EXPECT_DOUBLE_EQ(tex.GetDefaultAlpha(), 0.25);
}

TEST(KScnTexture, FileNames)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::wood");
    EXPECT_TRUE(tex.SetFileName("C:/data/wood.tga"));
    EXPECT_TRUE(tex.SetRelativeFileName("wood.tga"));
    EXPECT_FALSE(tex.SetFileName(""));
    EXPECT_FALSE(tex.SetFileName(nullptr));
    EXPECT_FALSE(tex.SetRelativeFileName(""));
    EXPECT_FALSE(tex.SetRelativeFileName(nullptr));
    EXPECT_STREQ(tex.GetFileName(), "C:/data/wood.tga");
    EXPECT_STREQ(tex.GetRelativeFileName(), "wood.tga");
    tex.SetMediaName("clip");
    EXPECT_STREQ(tex.GetMediaName(), "clip");
    tex.SetMediaName(nullptr);
    EXPECT_STREQ(tex.GetMediaName(), "");
}

TEST(KScnTexture, MappingTypeRule)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::t");
    auto shown = [&] { return static_cast<int>(tex.GetTextureProperties()->CurrentMappingType.GetValue()); };
    const int expected[] = {10, -1, 4, 5, 8, 9, 0, 6, 10}; // for types 0..8; 1 depends on the normal
    for (int type = 0; type <= 8; ++type)
    {
        if (type == 1)
        {
            continue;
        }
        tex.SetMappingType(type);
        EXPECT_EQ(tex.GetMappingType(), type);
        EXPECT_EQ(shown(), expected[type]) << "type " << type;
    }
    tex.SetMappingType(-3);
    EXPECT_EQ(shown(), eUMT_None);

    tex.SetPlanarMappingNormal(2);
    EXPECT_EQ(shown(), eUMT_None) << "the normal alone does not change a non-planar mapping";
    tex.SetMappingType(1);
    EXPECT_EQ(shown(), eUMT_Z);
    tex.SetPlanarMappingNormal(0);
    EXPECT_EQ(shown(), eUMT_X);
    tex.SetPlanarMappingNormal(1);
    EXPECT_EQ(shown(), eUMT_Y);
    tex.SetPlanarMappingNormal(7);
    EXPECT_EQ(shown(), eUMT_Y) << "an unknown axis leaves it";
    EXPECT_EQ(tex.GetPlanarMappingNormal(), 7);
}

TEST(KScnTexture, UseCroppingWrapBlendAndMaterialMode)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::t");
    const ETextureUse6 expected[] = {eTextureUseColor,     eTextureUseShadowMap,
                                     eTextureUseLightMap,  eTextureUseSphericalReflectionMap,
                                     eTextureUseSphereMap, eTextureUseBumpNormalMap,
                                     eTextureUseColor};
    for (int use = 0; use <= 6; ++use)
    {
        tex.SetTextureUse(use);
        EXPECT_EQ(tex.GetTextureUse(), expected[use]) << use;
    }
    tex.SetTextureUse(-1);
    EXPECT_EQ(tex.GetTextureUse(), eTextureUseColor);

    tex.SetCropping(1, 2, 3, 4);
    EXPECT_EQ(tex.GetCroppingField(0), 1);
    EXPECT_EQ(tex.GetCroppingField(1), 3);
    EXPECT_EQ(tex.GetCroppingField(2), 2);
    EXPECT_EQ(tex.GetCroppingField(3), 4);
    EXPECT_EQ(tex.GetCroppingField(4), 0);

    tex.SetWrapMode(eWrapClamp, eWrapRepeat);
    EXPECT_EQ(tex.GetWrapModeU(), eWrapClamp);
    EXPECT_EQ(tex.GetTextureProperties()->WrapModeV.GetInt(), 0);

    tex.SetMaterialMode(0);
    EXPECT_TRUE(tex.GetTextureProperties()->UseMaterial.GetValue());
    tex.SetMaterialMode(1);
    EXPECT_FALSE(tex.GetTextureProperties()->UseMaterial.GetValue());

    tex.SetSwapUV(true);
    EXPECT_EQ(tex.GetTextureProperties()->UVSwap.GetInt(), 1);

    // The blend mode getter reads through the property: a write by name is seen.
    ASSERT_TRUE(tex.GetTextureProperties()->FindProperty("CurrentTextureBlendMode")->SetInt(3));
    EXPECT_EQ(tex.GetBlendMode(), eBlendModulate2);
    tex.SetBlendMode(eBlendTranslucent);
    EXPECT_EQ(tex.GetTextureProperties()->CurrentTextureBlendMode.GetInt(), 0);
}

TEST(KScnTexture, PivotSettersKeepTheFourthComponent)
{
    KScnFree<KScnTexture> tex(&gManager, "Texture::t");
    KScnTextureProperties* props = tex.GetTextureProperties();
    props->TextureRotationPivot.SetValue(KgeTVector(1, 2, 3, 9));
    KgeTVector p = props->TextureRotationPivot.GetValue();
    EXPECT_EQ(Triple(p[0], p[1], p[2]), Triple(1, 2, 3));
    EXPECT_DOUBLE_EQ(p[3], 1.0);
    const double in[4] = {4, 5, 6, 7};
    props->FindProperty("TextureScalingPivot")->SetFromDoubles(in);
    p = props->TextureScalingPivot.GetValue();
    EXPECT_EQ(Triple(p[0], p[1], p[2]), Triple(4, 5, 6));
    EXPECT_DOUBLE_EQ(p[3], 1.0);
}

TEST(KScnTexture, DuplicateTest)
{
    EXPECT_EQ(KScnTexture::StripTrailingDigits("Texture::wood 12"), "Texture::wood");
    EXPECT_EQ(KScnTexture::StripTrailingDigits("123"), "");
    EXPECT_EQ(KScnTexture::StripTrailingDigits("a1b"), "a1b");

    KScnFree<KScnTexture> a(&gManager, "Texture::wood1");
    KScnFree<KScnTexture> b(&gManager, "Texture::wood2");
    for (KScnTexture* t : {&a, &b})
    {
        t->SetFileName("wood.tga");
        t->SetMediaName("wood");
        t->SetTranslation(0.5, 0.25);
    }
    EXPECT_TRUE(a.IsDuplicateOf(&b));
    EXPECT_TRUE(a.IsDuplicateOf(&a));
    EXPECT_FALSE(a.IsDuplicateOf(nullptr));

    KScnFree<KScnTexture> other(&gManager, "Texture::stone1");
    other.SetFileName("wood.tga");
    other.SetMediaName("wood");
    other.SetTranslation(0.5, 0.25);
    EXPECT_FALSE(a.IsDuplicateOf(&other)) << "different name stem";

    b.SetMediaName("wood2");
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetMediaName("wood");
    ASSERT_TRUE(a.IsDuplicateOf(&b));

    // Each compared setting makes them distinct on its own.
    b.SetDefaultTranslation(0.5, 0.25, 7.0);
    EXPECT_TRUE(a.IsDuplicateOf(&b)) << "translation z is not compared";
    b.SetCropping(0, 0, 0, 1);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetCropping(0, 0, 0, 0);
    b.SetRepeat(2, 1);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetRepeat(1, 1);
    b.SetSwapUV(true);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetSwapUV(false);
    b.SetUVScaling(KgeUVVector(2, 1));
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetUVScaling(KgeUVVector(1, 1));
    b.SetDefaultAlpha(0.5);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetDefaultAlpha(1.0);
    b.SetFileName("wood2.tga");
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetFileName("wood.tga");
    ASSERT_TRUE(a.IsDuplicateOf(&b));

    // Blend and wrap modes change how a texture draws: never merged.
    b.SetBlendMode(eBlendModulate);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
    b.SetBlendMode(eBlendAdditive);
    b.SetWrapMode(eWrapRepeat, eWrapClamp);
    EXPECT_FALSE(a.IsDuplicateOf(&b));
}

TEST(KScnTexture, HandlerPropertiesBecomeUserProperties)
{
    KScnSdkManager manager;
    KScnFree<KScnTexture> tex(&manager, "Texture::t");
    EXPECT_EQ(tex.InstantiateHandlerProperties(), 15);
    KFCurveNode* root = tex.GetDefaultTakeNode()->GetRootCurveNode();
    int translations = 0;
    for (int i = 0; i < root->GetChildCount(); ++i)
    {
        translations += std::string(root->GetChildAt(i)->GetName()) == "Translation" ? 1 : 0;
    }
    EXPECT_EQ(translations, 1);
    tex.SetDefaultTranslation(1, 2, 3);
    double x, y, z;
    tex.GetDefaultTranslation(x, y, z);
    EXPECT_EQ(Triple(x, y, z), Triple(1, 2, 3));
}
