// Type names, type-name lists and handler properties asked through the base
// classes: a node attribute through KScnNodeAttribute, the other scene
// objects through KScnObject; the texture's enumerations as class members.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnOpticalReference.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <type_traits>

namespace attribtest
{
namespace
{

using Strings = std::vector<std::string>;

template <class T, class K> T* OfKind(T* object, void (T::*set)(K), K kind)
{
    (object->*set)(kind);
    return object;
}

// clang-format off
#define MAKE(T, expr) [](KScnSdkManager& m) -> T* { return (expr); }
// clang-format on

// A node gathers its own set's properties, then its attribute's.
TEST_F(AttributeTest, AttributesAnswerThroughTheirBase)
{
    const struct
    {
        const char* typeName;
        KScnNodeAttribute* (*make)(KScnSdkManager&);
        Strings typeNames;
        size_t properties;
    } rows[] = {
        {"Null", MAKE(KScnNodeAttribute, m.CreateNull()), {"Null"}, 1},
        {"Marker", MAKE(KScnNodeAttribute, m.CreateMarker()), {"Marker"}, 5},
        {"OpticalMarker",
         MAKE(KScnNodeAttribute,
              OfKind(m.CreateMarker(), &KScnMarker::SetMarkerKind, KScnMarker::eOpticalMarker)),
         {"Marker"},
         5},
        {"Root", MAKE(KScnNodeAttribute, m.CreateSkeleton()), {"Null", "Skeleton", "Root"}, 3},
        {"Limb",
         MAKE(KScnNodeAttribute,
              OfKind(m.CreateSkeleton(), &KScnSkeleton::SetSkeletonKind, KScnSkeleton::eLimb)),
         {"Skeleton"},
         3},
        {"Mesh", MAKE(KScnNodeAttribute, m.CreateMesh()), {}, 0},
        {"Camera", MAKE(KScnNodeAttribute, m.CreateCamera()), {"Camera"}, 65},
        {"Light", MAKE(KScnNodeAttribute, m.CreateLight()), {"Light"}, 10},
        {"Optical", MAKE(KScnNodeAttribute, m.CreateOpticalReference()), {"Marker"}, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.typeName);
        KScnNodeAttribute* attribute = row.make(mManager);
        ASSERT_NE(attribute, nullptr);
        EXPECT_STREQ(attribute->GetTypeName().Buffer(), row.typeName);
        EXPECT_EQ(Names(attribute->GetTypeNameList()), row.typeNames);
        std::vector<KProperty*> properties, own, all;
        attribute->CollectHandlerProperties(properties);
        EXPECT_EQ(properties.size(), row.properties);
        KScnNode* node = mManager.CreateNode("holder");
        node->CollectHandlerProperties(own);
        node->SetNodeAttribute(attribute);
        node->CollectHandlerProperties(all);
        own.insert(own.end(), properties.begin(), properties.end());
        EXPECT_EQ(all, own);
    }
}

TEST_F(AttributeTest, SceneObjectsAnswerThroughTheirBase)
{
    const std::pair<KScnObject* (*)(KScnSdkManager&), Strings> rows[] = {
        {MAKE(KScnObject, m.CreateVideo("Clip")), {"Clip"}},
        {MAKE(KScnObject, m.CreateDeformer("Skin", "Skin")), {"Deformer"}},
        {MAKE(KScnObject, m.CreatePose("Bind", true)), {}},
        {MAKE(KScnObject, m.CreateGenericNode("G")), {"GenericNode"}},
    };
    for (const auto& [make, typeNames] : rows)
    {
        KScnObject* object = make(mManager);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(Names(object->GetTypeNameList()), typeNames) << object->GetName();
    }
}

// The enumerations are the texture's own; the namespace-level names stand
// for the same types and values.
static_assert(std::is_same<KScnTexture::EWrapMode, EWrapMode>::value, "wrap mode alias");
static_assert(std::is_same<KScnTexture::EBlendMode, EBlendMode>::value, "blend mode alias");
static_assert(std::is_same<KScnTexture::EUnifiedMappingType, EUnifiedMappingType>::value, "mapping alias");
static_assert(std::is_same<KScnTexture::ETextureUse6, ETextureUse6>::value, "texture use alias");
static_assert(KScnTexture::eWrapClamp == eWrapClamp && KScnTexture::eBlendModulate2 == eBlendModulate2 &&
                  KScnTexture::eUMT_None == eUMT_None &&
                  KScnTexture::eTextureUseBumpNormalMap == eTextureUseBumpNormalMap,
              "enumerator aliases");

TEST_F(AttributeTest, TextureEnumerationsAreClassMembers)
{
    KScnTexture* texture = mManager.CreateTexture("T");
    texture->SetWrapMode(KScnTexture::eWrapClamp, KScnTexture::eWrapRepeat);
    texture->SetBlendMode(KScnTexture::eBlendAdditive);
    const struct
    {
        const char* property;
        int value;
    } rows[] = {
        {"WrapModeU", KScnTexture::eWrapClamp},
        {"WrapModeV", KScnTexture::eWrapRepeat},
        {"CurrentTextureBlendMode", KScnTexture::eBlendAdditive},
        {"CurrentMappingType", KScnTexture::eUMT_UV},
        {"TextureTypeUse", KScnTexture::eTextureUseColor},
    };
    for (const auto& row : rows)
    {
        KProperty* p = texture->GetPropertyHandler()->FindProperty(row.property);
        ASSERT_NE(p, nullptr) << row.property;
        EXPECT_EQ(p->GetInt(), row.value) << row.property;
    }
}

} // namespace
} // namespace attribtest
