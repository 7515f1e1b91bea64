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

#include <functional>
#include <type_traits>

namespace attribtest
{
namespace
{

using Strings = std::vector<std::string>;

TEST_F(AttributeTest, AttributesAnswerThroughTheirBase)
{
    const struct
    {
        const char* what;
        std::function<KScnNodeAttribute*(KScnSdkManager&)> make;
        const char* typeName;
        Strings typeNames;
        size_t properties;
    } rows[] = {
        {"null", [](KScnSdkManager& m) { return m.CreateNull(); }, "Null", {"Null"}, 1},
        {"marker", [](KScnSdkManager& m) { return m.CreateMarker(); }, "Marker", {"Marker"}, 5},
        {"optical marker",
         [](KScnSdkManager& m)
         {
             KScnMarker* marker = m.CreateMarker();
             marker->SetMarkerKind(KScnMarker::eOpticalMarker);
             return marker;
         },
         "OpticalMarker", {"Marker"}, 5},
        {"skeleton root", [](KScnSdkManager& m) { return m.CreateSkeleton(); }, "Root",
         {"Null", "Skeleton", "Root"}, 3},
        {"skeleton limb",
         [](KScnSdkManager& m)
         {
             KScnSkeleton* skeleton = m.CreateSkeleton();
             skeleton->SetSkeletonKind(KScnSkeleton::eLimb);
             return skeleton;
         },
         "Limb", {"Skeleton"}, 3},
        {"mesh", [](KScnSdkManager& m) { return m.CreateMesh(); }, "Mesh", {}, 0},
        {"camera", [](KScnSdkManager& m) { return m.CreateCamera(); }, "Camera", {"Camera"}, 65},
        {"light", [](KScnSdkManager& m) { return m.CreateLight(); }, "Light", {"Light"}, 10},
        {"optical reference", [](KScnSdkManager& m) { return m.CreateOpticalReference(); }, "Optical",
         {"Marker"}, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        KScnNodeAttribute* attribute = row.make(mManager);
        ASSERT_NE(attribute, nullptr);
        EXPECT_STREQ(attribute->GetTypeName().Buffer(), row.typeName);
        EXPECT_EQ(Names(attribute->GetTypeNameList()), row.typeNames);
        std::vector<KProperty*> properties;
        attribute->CollectHandlerProperties(properties);
        EXPECT_EQ(properties.size(), row.properties);
        // A node gathers its own set's properties, then its attribute's.
        KScnNode* node = mManager.CreateNode("holder");
        std::vector<KProperty*> own, all;
        node->CollectHandlerProperties(own);
        node->SetNodeAttribute(attribute);
        node->CollectHandlerProperties(all);
        own.insert(own.end(), properties.begin(), properties.end());
        EXPECT_EQ(all, own);
    }
}

TEST_F(AttributeTest, SceneObjectsAnswerThroughTheirBase)
{
    const struct
    {
        const char* what;
        std::function<KScnObject*(KScnSdkManager&)> make;
        Strings typeNames;
    } rows[] = {
        {"video", [](KScnSdkManager& m) { return m.CreateVideo("Clip"); }, {"Clip"}},
        {"deformer", [](KScnSdkManager& m) { return m.CreateDeformer("Skin", "Skin"); }, {"Deformer"}},
        {"pose", [](KScnSdkManager& m) { return m.CreatePose("Bind", true); }, {}},
        {"generic node", [](KScnSdkManager& m) { return m.CreateGenericNode("G"); }, {"GenericNode"}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        KScnObject* object = row.make(mManager);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(Names(object->GetTypeNameList()), row.typeNames);
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
