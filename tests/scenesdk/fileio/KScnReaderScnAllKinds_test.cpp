// The scene reader on the document of every kind: read as text, binary and
// protected files, through the manager's importer and a stand-alone one,
// every value checked; the renamed take is made current and every kind shows
// its channels.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnSceneLightSettings.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/scenesdk/fileio/EveryKindScene.h"
#include "tests/scenesdk/fileio/ScnTestForms.h"
#include "tests/support/TempDir.h"
#include "tools/datagen/CModelBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

KScnNode* Node(KScnSceneRoot& scene, const char* name)
{
    KScnNode* node = scene.GetRootNode()->FindChild(name);
    EXPECT_NE(node, nullptr) << name;
    return node;
}

template <class T> T* Attribute(KScnSceneRoot& scene, const char* name)
{
    KScnNode* node = Node(scene, name);
    return node != nullptr ? static_cast<T*>(node->GetNodeAttribute()) : nullptr;
}

// The channel at the path in the owner's take of that name.
KFCurveNode* Channel(KScnTakeNodeContainer* owner, const char* take, const char* path)
{
    for (int i = 0; i < owner->GetTakeNodeCount(); ++i)
        if (std::strcmp(owner->GetTakeNodeName(i), take) == 0)
            return owner->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(path);
    return nullptr;
}

float DefaultOf(KScnNode* node, const char* second, const char* third)
{
    KFCurve* curve = node->GetDefaultTakeNode()->FindCurve(nullptr, second, third);
    EXPECT_NE(curve, nullptr) << third;
    return curve != nullptr ? curve->GetDefaultValue() : -1.0f;
}

double ValueAt(KFCurveNode* channel, double seconds)
{
    double value = 0.0;
    channel->Evaluate(&value, KTime(static_cast<int64_t>(seconds * 30.0 + 0.5) * (kSecond / 30)));
    return value;
}

// Every key of the channel's curve lies in [0, stop].
bool KeysWithin(KFCurveNode* channel, int64_t stop)
{
    const KFCurve* curve = channel->GetFCurve();
    for (int k = 0; curve != nullptr && k < curve->GetKeyCount(); ++k)
        if (curve->GetKeyTime(k).Get() < 0 || curve->GetKeyTime(k).Get() > stop)
            return false;
    return curve != nullptr && curve->GetKeyCount() > 0;
}

void ExpectVector(const KgeTVector& v, double x, double y, double z, const char* what)
{
    EXPECT_DOUBLE_EQ(v[0], x) << what;
    EXPECT_DOUBLE_EQ(v[1], y) << what;
    EXPECT_DOUBLE_EQ(v[2], z) << what;
}

void CheckSettings(KScnSceneRoot& scene)
{
    ASSERT_NE(scene.GetSceneMetaData(), nullptr);
    EXPECT_STREQ(scene.GetSceneMetaData()->mTitle.Buffer(), "Every kind");
    KScnSceneTimeSettings* time = scene.GetGlobalTimeSettings();
    EXPECT_EQ(time->GetTimeMode(), KTime::eMode24);
    EXPECT_EQ(time->GetTimeFormat(), 0);
    EXPECT_EQ(time->GetSnapOnFrames(), 1);
    ASSERT_EQ(time->GetTimeMarkerCount(), 2);
    EXPECT_STREQ(time->GetTimeMarker(0)->mName.Buffer(), "Start");
    EXPECT_EQ(time->GetTimeMarker(1)->mTime.Get(), 2 * kSecond);
    EXPECT_FALSE(time->GetTimeMarker(0)->mLoop);
    EXPECT_TRUE(time->GetTimeMarker(1)->mLoop);
    EXPECT_EQ(time->GetCurrentTimeMarker(), 1);

    // The default camera is a model of the file: set once the models exist.
    KScnSceneCameraSettings* camera = scene.GetGlobalCameraSettings();
    EXPECT_STREQ(camera->GetDefaultCamera(), "Eye");
    EXPECT_EQ(camera->GetDefaultViewingMode(), 2);
    ExpectVector(camera->GetProducerTop()->GetPosition(), 0, 500, 0, "top position");
    ExpectVector(camera->GetProducerTop()->GetUpVector(), 1, 0, 0, "top up vector");
    EXPECT_DOUBLE_EQ(camera->GetProducerTop()->GetFocalLength(), 50.0);
    ExpectVector(camera->GetProducerTop()->GetLookAt(), 0, 0, -3, "top look-at point");
    ExpectVector(camera->GetProducerFront()->GetPosition(), 0, 0, 4000, "front keeps its default");

    KScnSceneLightSettings* light = scene.GetGlobalLightSettings();
    EXPECT_DOUBLE_EQ(light->GetAmbientColor().mGreen, 0.2);
    EXPECT_DOUBLE_EQ(light->GetAmbientColor().mBlue, 0.3);
    EXPECT_DOUBLE_EQ(light->GetAmbientColor().mAlpha, 0.0) << "three values keep the alpha";
    EXPECT_TRUE(light->GetFogEnable());
    EXPECT_DOUBLE_EQ(light->GetFogColor().mBlue, 1.0) << "clamped";
    EXPECT_EQ(light->GetFogMode(), 2);
    EXPECT_DOUBLE_EQ(light->GetFogStart(), 5000.0);
    EXPECT_DOUBLE_EQ(light->GetFogEnd(), 8000.0);
    EXPECT_DOUBLE_EQ(light->GetFogDensity(), 0.01);
    EXPECT_TRUE(light->GetShadowEnable());
    EXPECT_DOUBLE_EQ(light->GetShadowIntensity(), 300.0);
    ASSERT_EQ(light->GetShadowPlaneCount(), 2);
    EXPECT_TRUE(light->GetShadowPlane(0)->mEnable);
    ExpectVector(light->GetShadowPlane(0)->mOrigin, 0, -1, 0, "plane origin");
    EXPECT_FALSE(light->GetShadowPlane(1)->mEnable);
    ExpectVector(light->GetShadowPlane(1)->mNormal, 1, 0, 0, "plane normal");
}

void CheckNullMarkerAndSkeletons(KScnSceneRoot& scene)
{
    KScnNode* locator = Node(scene, "Locator");
    ASSERT_NE(locator, nullptr);
    auto* null = static_cast<KScnNull*>(locator->GetNodeAttribute());
    ASSERT_EQ(null->GetAttributeKind(), KScnNodeAttribute::eNull);
    EXPECT_DOUBLE_EQ(null->GetSize(), 50.0);
    EXPECT_TRUE(null->IsSizeSet());
    EXPECT_EQ(locator->GetShadingMode(), 1);
    EXPECT_EQ(locator->GetPivotState(0), 1);
    bool lit = false;
    locator->FindUserPropertyByName("useLighting")->GetBool(lit);
    EXPECT_TRUE(lit);
    KTime start;
    ASSERT_NE(locator->FindUserPropertyByName("start"), nullptr);
    ASSERT_TRUE(locator->FindUserPropertyByName("start")->GetProperty()->Get(&start));
    EXPECT_EQ(start.Get(), kSecond) << "a time user property keeps its ticks";

    ASSERT_EQ(locator->GetChildCount(), 1);
    auto* dot = static_cast<KScnMarker*>(locator->GetChild(0)->GetNodeAttribute());
    ASSERT_EQ(dot->GetAttributeKind(), KScnNodeAttribute::eMarker);
    EXPECT_EQ(dot->GetMarkerKind(), KScnMarker::eOpticalMarker);
    EXPECT_NE(dot->GetNode()->GetDefaultTakeNode()->GetOcclusionCurve(), nullptr);
    EXPECT_EQ(dot->GetLook(), KScnMarker::eHardCross);
    EXPECT_DOUBLE_EQ(dot->GetSize(), 7.0);
    EXPECT_DOUBLE_EQ(dot->GetColor().mGreen, 0.5);
    EXPECT_DOUBLE_EQ(dot->GetColor().mBlue, 1.0);
    EXPECT_TRUE(dot->GetShowLabel());
    EXPECT_DOUBLE_EQ(dot->GetIKPivot().mData[2], 3.0);

    auto* hips = Attribute<KScnSkeleton>(scene, "Hips");
    ASSERT_EQ(hips->GetAttributeKind(), KScnNodeAttribute::eSkeleton);
    EXPECT_EQ(hips->GetSkeletonKind(), KScnSkeleton::eLimb);
    EXPECT_DOUBLE_EQ(hips->GetSize(), 3.0);
    EXPECT_DOUBLE_EQ(hips->GetLimbLength(), 12.0);
    EXPECT_DOUBLE_EQ(hips->GetLimbColor().mBlue, 0.75);
    EXPECT_TRUE(hips->IsSizeSet() && hips->IsLimbLengthSet() && hips->IsColorSet() && hips->IsKindSet());
    auto* knee = Attribute<KScnSkeleton>(scene, "Knee");
    EXPECT_EQ(knee->GetNode()->GetParent(), hips->GetNode());
    EXPECT_EQ(knee->GetSkeletonKind(), KScnSkeleton::eRoot);
    EXPECT_DOUBLE_EQ(knee->GetLimbLength(), 1.0) << "refused by a root";
    EXPECT_DOUBLE_EQ(knee->GetLimbColor().mRed, 0.8);
    EXPECT_FALSE(knee->IsLimbLengthSet() || knee->IsColorSet());
}

void CheckLightAndCameras(KScnSceneRoot& scene)
{
    // Channel properties agree with the default take's curves.
    auto* sun = Attribute<KScnLight>(scene, "Sun");
    ASSERT_EQ(sun->GetAttributeKind(), KScnNodeAttribute::eLight);
    KScnNode* sunNode = sun->GetNode();
    EXPECT_EQ(sun->GetLightType(), KScnLight::eSpot);
    EXPECT_DOUBLE_EQ(sun->GetIntensity(), 42.0);
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, nullptr, "Intensity"), 42.0f);
    EXPECT_DOUBLE_EQ(sun->GetConeAngle(), 30.0);
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, nullptr, "Cone angle"), 30.0f);
    EXPECT_DOUBLE_EQ(sun->GetFog(), 10.0);
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, nullptr, "Fog"), 10.0f);
    EXPECT_DOUBLE_EQ(sun->GetColor().mGreen, 0.5);
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, "Color", "Z"), 0.25f);
    EXPECT_FALSE(sun->GetCastLight());
    EXPECT_TRUE(sun->GetDrawFrontFacingVolumetricLight());

    auto* eye = Attribute<KScnCamera>(scene, "Eye");
    ASSERT_EQ(eye->GetAttributeKind(), KScnNodeAttribute::eCamera);
    KScnNode* eyeNode = eye->GetNode();
    KScnCameraProperties* p = eye->GetProperties();
    EXPECT_DOUBLE_EQ(eye->GetPosition().mData[2], 50.0);
    EXPECT_DOUBLE_EQ(p->FieldOfView->GetDouble(), 50.0);
    EXPECT_FLOAT_EQ(DefaultOf(eyeNode, nullptr, "FieldOfView"), 50.0f);
    EXPECT_DOUBLE_EQ(eye->GetDefaultRoll(), 5.0);
    EXPECT_FLOAT_EQ(DefaultOf(eyeNode, nullptr, "Roll"), 5.0f);
    EXPECT_DOUBLE_EQ(eye->GetBackgroundColor().mBlue, 0.5);
    EXPECT_FLOAT_EQ(DefaultOf(eyeNode, "BackgroundColor", "Y"), 0.25f);
    EXPECT_DOUBLE_EQ(p->NearPlane.GetValue(), 2.0);
    EXPECT_DOUBLE_EQ(p->FarPlane.GetValue(), 900.0);
    EXPECT_DOUBLE_EQ(eye->GetFocalLength(), 50.0);
    EXPECT_EQ(p->CameraFormat.GetValue(), KScnCamera::ePAL);
    EXPECT_DOUBLE_EQ(p->AspectW.GetValue(), 640.0);
    EXPECT_DOUBLE_EQ(p->AspectH.GetValue(), 200.0) << "no preset applied";
    EXPECT_EQ(eye->GetApertureMode(), KScnCamera::eHorizontal);
    EXPECT_FALSE(p->ShowGrid.GetValue());
    EXPECT_DOUBLE_EQ(p->MotionBlurIntensity->GetDouble(), 0.5);

    // The switcher is the scene's, outside the tree.
    KScnNode* director = scene.GetCameraSwitcherNode();
    ASSERT_NE(director, nullptr);
    EXPECT_STREQ(director->GetName(), "Model::Director");
    EXPECT_EQ(scene.GetRootNode()->FindChild("Director"), nullptr);
    ASSERT_NE(director->GetNodeAttribute(), nullptr);
    EXPECT_EQ(director->GetNodeAttribute()->GetAttributeKind(), KScnNodeAttribute::eCameraSwitcher);
    EXPECT_FLOAT_EQ(director->GetDefaultTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 2.0f);
    EXPECT_EQ(director->GetTakeNodeCount(), 3) << "the file's takes reach it";
}

void CheckSurfaces(KScnSceneRoot& scene)
{
    auto* sail = Attribute<KScnPatch>(scene, "Sail");
    ASSERT_EQ(sail->GetAttributeKind(), KScnNodeAttribute::ePatch);
    EXPECT_EQ(sail->GetPatchUType(), KScnPatch::eBezier);
    EXPECT_EQ(sail->GetPatchVType(), KScnPatch::eBSpline);
    ASSERT_EQ(sail->GetControlPointsCount(), 4);
    EXPECT_DOUBLE_EQ(sail->GetControlPointAt(3).mData[1], 1.0);
    EXPECT_EQ(sail->GetSurfaceMode(), 2);
    EXPECT_EQ(sail->GetUStep(), 4) << "Step stands over SurfaceDisplay";
    EXPECT_EQ(sail->GetVStep(), 5);
    EXPECT_TRUE(sail->GetUClosed());
    EXPECT_FALSE(sail->GetVClosed());
    EXPECT_TRUE(sail->GetUCappedTop() && !sail->GetUCappedBottom());
    EXPECT_TRUE(sail->GetVCappedBottom() && !sail->GetVCappedTop());
    ASSERT_EQ(sail->GetShapeCount(), 1);
    EXPECT_STREQ(sail->GetShapeName(0), "Billow");
    EXPECT_DOUBLE_EQ(sail->GetShape(0)->GetControlPointAt(2).mData[2], 1.0);
    KScnNode* sailNode = sail->GetNode();
    EXPECT_NE(sailNode->GetPropertyHandler()->FindProperty("Billow"), nullptr);
    // The older file's shape channel went into the shape's own.
    EXPECT_EQ(Channel(sailNode, "Sprint", "Shape 01 (Shape)"), nullptr);
    ASSERT_NE(Channel(sailNode, "Sprint", "Billow"), nullptr);
    EXPECT_FLOAT_EQ(Channel(sailNode, "Sprint", "Billow")->GetFCurve()->GetDefaultValue(), 0.5f);

    auto* hull = Attribute<KScnNurb>(scene, "Hull");
    ASSERT_EQ(hull->GetAttributeKind(), KScnNodeAttribute::eNurb);
    EXPECT_EQ(hull->GetUOrder(), 2);
    EXPECT_EQ(hull->GetNurbUType(), KScnNurb::eOpen);
    EXPECT_EQ(hull->GetNurbVType(), KScnNurb::ePeriodic);
    ASSERT_EQ(hull->GetControlPointsCount(), 6);
    EXPECT_DOUBLE_EQ(hull->GetControlPointAt(3).mData[3], 0.5) << "the weight";
    ASSERT_EQ(hull->GetUKnotCount(), 4);
    ASSERT_EQ(hull->GetVKnotCount(), 6);
    EXPECT_DOUBLE_EQ(hull->GetUKnotVector()[2], 1.0);
    EXPECT_DOUBLE_EQ(hull->GetVKnotVector()[5], 5.0);
    EXPECT_EQ(hull->GetVMultiplicityVector()[2], 1);
    EXPECT_EQ(hull->GetSurfaceMode(), 1);
    EXPECT_EQ(hull->GetUStep(), 6);
    EXPECT_EQ(hull->GetVStep(), 7);
}

// The mesh's shapes, material and texture.
void CheckMeshMaterialAndTexture(KScnSceneRoot& scene)
{
    auto* mesh = Attribute<KScnMesh>(scene, "Body");
    ASSERT_EQ(mesh->GetAttributeKind(), KScnNodeAttribute::eMesh);
    ASSERT_EQ(mesh->GetShapeCount(), 2);
    EXPECT_STREQ(mesh->GetShapeName(0), "Smile");
    EXPECT_STREQ(mesh->GetShapeName(1), "Frown");
    KScnShape* smile = mesh->GetShape(0);
    EXPECT_DOUBLE_EQ(smile->GetControlPointAt(2).mData[1], 1.5);
    ASSERT_NE(smile->GetNormals(), nullptr);
    EXPECT_DOUBLE_EQ(smile->GetNormals()[3].mData[1], 1.0);
    EXPECT_EQ(mesh->GetShape(1)->GetNormals(), nullptr);
    KScnNode* body = mesh->GetNode();
    EXPECT_NE(Channel(body, "Default", "Frown"), nullptr);
    EXPECT_NE(Channel(body, "Sprint", "Shape 01 (Shape)"), nullptr) << "a mesh keeps its channels as read";

    KScnSceneContents* contents = scene.GetContents();
    ASSERT_EQ(contents->GetMaterialCount(), 1);
    KScnMaterial* stone = contents->GetMaterial(0);
    EXPECT_DOUBLE_EQ(stone->GetMaterialProperties()->Shininess.GetValue(), 32.0);
    EXPECT_FLOAT_EQ(stone->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 32.0f);
    EXPECT_DOUBLE_EQ(stone->GetDiffuse().mGreen, 0.25);
    KScnLayerElement* materials = mesh->GetLayer(0)->GetMaterialElement();
    ASSERT_NE(materials, nullptr);
    ASSERT_EQ(materials->GetDirectCount(), 1);
    EXPECT_EQ(materials->GetDirect<KScnMaterial*>()[0], stone);
    ASSERT_EQ(contents->GetTextureCount(), 1);
    KScnTexture* tex = contents->GetTexture(0);
    EXPECT_EQ(tex->GetMappingType(), 1);
    EXPECT_EQ(tex->GetPlanarMappingNormal(), 2);
    EXPECT_EQ(tex->GetTextureProperties()->GetCurrentMappingType(), eUMT_Z);
    const int cropping[4] = {1, 3, 2, 4}; // the setter's field order
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tex->GetCroppingField(i), cropping[i]) << i;
    EXPECT_EQ(tex->GetAlphaSource(), 2);
    EXPECT_DOUBLE_EQ(tex->GetUVTranslation().u, 0.5);
    EXPECT_DOUBLE_EQ(tex->GetUVTranslation().v, 0.25);
    EXPECT_DOUBLE_EQ(tex->GetUVScaling().u, 2.0);
    EXPECT_DOUBLE_EQ(tex->GetUVScaling().v, 3.0);
}

// The skin's clusters bound into one link each on the mesh they deform.
void CheckDeformers(KScnSceneRoot& scene, KScnSdkManager& manager)
{
    KScnSceneContents* contents = scene.GetContents();
    ASSERT_EQ(contents->GetDeformerCount(KScnSceneContents::eAnyDeformer), 3);
    ASSERT_EQ(contents->GetDeformerCount(KScnSceneContents::eSkinDeformer), 1);
    ASSERT_EQ(contents->GetDeformerCount(KScnSceneContents::eClusterDeformer), 2);
    KScnDeformer* skin = contents->GetDeformer(0, KScnSceneContents::eSkinDeformer);
    EXPECT_STREQ(skin->GetName(), "Deformer::BodySkin");
    EXPECT_DOUBLE_EQ(skin->GetLinkDeformAccuracy(), 40.0);
    EXPECT_TRUE(skin->GetMultiLayer());
    KScnDeformer* upper = contents->GetDeformer(0, KScnSceneContents::eClusterDeformer);
    EXPECT_STREQ(upper->GetName(), "SubDeformer::Upper");
    EXPECT_EQ(upper->GetLinkMode(), KScnDeformer::eLinkAdditive);
    EXPECT_EQ(upper->GetControlPointCount(), 2);
    EXPECT_TRUE(upper->HasTransformParent());
    EXPECT_DOUBLE_EQ(upper->GetTransformAssociateModel()[13], 8.0);

    KScnNode* body = Node(scene, "Body");
    ASSERT_NE(body, nullptr);
    auto* mesh = static_cast<KScnMesh*>(body->GetMesh());
    ASSERT_EQ(mesh->GetLinkCount(), 2);
    EXPECT_EQ(manager.GetLinkCount(), 2);
    KScnLink* first = mesh->GetLink(0);
    EXPECT_EQ(first->GetLink(), Node(scene, "Hips"));
    EXPECT_STREQ(first->GetLinkName().Buffer(), "Model::Hips");
    EXPECT_EQ(first->GetAssociateModel(), body);
    EXPECT_EQ(first->GetLinkMode(), 1);
    EXPECT_STREQ(first->GetUserDataID().Buffer(), "u1");
    EXPECT_STREQ(first->GetUserData().Buffer(), "first");
    ASSERT_EQ(first->GetIndices().GetCount(), 2);
    EXPECT_EQ(first->GetIndices().GetAt(1), 1);
    EXPECT_DOUBLE_EQ(first->GetWeights().GetAt(1), 0.5);
    ExpectVector(first->GetTransformTranslation(), 1, 2, 3, "transform");
    ExpectVector(first->GetTransformLinkTranslation(), 4, 5, 6, "transform link");
    ExpectVector(first->GetTransformLinkScaling(), 2, 2, 2, "transform link scaling");
    ExpectVector(first->GetTransformAssociateModelTranslation(), 7, 8, 9, "associate model");
    EXPECT_TRUE(first->HasTransformParent());
    KScnLink* second = mesh->GetLink(1);
    EXPECT_EQ(second->GetLink(), Node(scene, "Knee"));
    EXPECT_EQ(second->GetAssociateModel(), nullptr);
    EXPECT_EQ(second->GetLinkMode(), 2);
    EXPECT_EQ(second->GetIndices().GetAt(0), 2);
    EXPECT_DOUBLE_EQ(second->GetWeights().GetAt(1), 0.75);
    ExpectVector(second->GetTransformTranslation(), 0, 1, 0, "second transform");
    EXPECT_FALSE(second->HasTransformParent());

    // The deformers have the file's takes like every other object read.
    for (KScnDeformer* d : {skin, upper, contents->GetDeformer(1, KScnSceneContents::eClusterDeformer)})
    {
        ASSERT_EQ(d->GetTakeNodeCount(), 3) << d->GetName();
        EXPECT_STREQ(d->GetTakeNodeName(1), "Sprint");
    }
}

// The character's slots and control set, the rider's control set carried
// over by the plug place by place, and the pose in its own scene.
void CheckCharacters(KScnSceneRoot& scene)
{
    KScnNode* hips = Node(scene, "Hips");
    KScnNode* knee = Node(scene, "Knee");
    ASSERT_TRUE(hips != nullptr && knee != nullptr);
    ASSERT_EQ(scene.GetCharacterCount(), 2);
    KScnCharacter* hero = scene.GetCharacter(0);
    KScnCharacter* rider = scene.GetCharacter(1);
    EXPECT_EQ(hero->GetCharacterProperties()->Posture.GetValue(),
              KScnCharacterProperties::eCharacterQuadruped);
    // Any rotation-space field marks a slot's rotation space; offsets do not.
    KScnCharacterNodeLink link;
    ASSERT_TRUE(hero->GetLink(0, link));
    EXPECT_EQ(link.node, hips);
    EXPECT_DOUBLE_EQ(link.offsetT[1], 1.0);
    EXPECT_EQ(link.hasRotationSpace, 0);
    ASSERT_TRUE(hero->GetLink(1, link));
    EXPECT_EQ(link.node, knee);
    EXPECT_EQ(link.hasRotationSpace, 1);
    EXPECT_DOUBLE_EQ(link.rotationMin[1], -20.0);
    EXPECT_EQ(hero->GetControlSet()->GetType(), 1);

    ASSERT_EQ(scene.GetControlSetPlugCount(), 1);
    EXPECT_EQ(rider->GetSourceKind(), KScnCharacter::eSourceControlSetPlug);
    EXPECT_EQ(rider->GetCharacterProperties()->SourceObject.GetAt(0),
              scene.GetControlSetPlug(0)->GetPropertyHandler());
    for (KScnCharacter* character : {hero, rider})
    {
        SCOPED_TRACE(character == hero ? "hero" : "rider");
        KScnControlSet* set = character->GetControlSet();
        KScnControlSetEffector effector;
        ASSERT_TRUE(set->GetEffector(0, &effector));
        EXPECT_EQ(effector.node, hips);
        KScnNode* aux = nullptr;
        EXPECT_FALSE(set->GetEffectorAux(0, &aux, 1));
        ASSERT_TRUE(set->GetEffectorAux(0, &aux, 2));
        EXPECT_EQ(aux, knee);
        ASSERT_TRUE(set->GetEffector(1, &effector));
        EXPECT_EQ(effector.node, knee);
        for (int place = 1; place < 14; ++place)
            EXPECT_FALSE(set->GetEffectorAux(1, &aux, place)) << place;
        ASSERT_TRUE(set->GetEffectorAux(1, &aux, 14));
        EXPECT_EQ(aux, hips);
        ASSERT_TRUE(set->GetEffector(2, &effector));
        EXPECT_EQ(effector.node, hips);
        EXPECT_FALSE(set->GetEffectorAux(2, &aux, 1));
    }
    // Each node knows its places: hips is the hero's hips slot, and in both
    // control sets the hips and right-ankle effector and auxiliary 14 of the
    // left ankle.
    EXPECT_EQ(hips->GetCharacterLinkCount(), 7);
    EXPECT_EQ(knee->GetCharacterLinkCount(), 5);

    ASSERT_EQ(scene.GetCharacterPoseCount(), 1);
    KScnCharacterPose* pose = scene.GetCharacterPose(0);
    EXPECT_STREQ(pose->GetName(), "Pose::Crouch");
    KScnSceneRoot* own = pose->GetScene();
    ASSERT_EQ(own->GetRootNode()->GetChildCount(), 1);
    KScnNode* poseHips = own->GetRootNode()->GetChild(0);
    EXPECT_STREQ(poseHips->GetName(), "Model::PHips");
    KgeTVector t;
    ExpectVector(poseHips->GetLocalTranslation(t), 0, 80, 0, "pose hips");
    ASSERT_EQ(poseHips->GetChildCount(), 1);
    KScnNode* poseKnee = poseHips->GetChild(0);
    EXPECT_EQ(poseKnee->GetNodeAttribute(), nullptr);
    ASSERT_EQ(own->GetCharacterCount(), 1);
    KScnCharacter* posed = own->GetCharacter(0);
    EXPECT_STREQ(posed->GetName(), "Constraint::PoseCharacter");
    ASSERT_TRUE(posed->GetLink(0, link));
    EXPECT_EQ(link.node, poseHips);
    EXPECT_DOUBLE_EQ(link.offsetT[1], 1.0);
    ASSERT_TRUE(posed->GetLink(1, link));
    EXPECT_EQ(link.node, poseKnee);
    // The pose's nodes stay in its own scene.
    EXPECT_EQ(scene.GetContents()->GetNodeCount(), 10);
}

// "Run" came in as "Sprint": made current for the whole scene, every kind
// shows its channels of that take, layers and time warps baked away.
void CheckTakes(KScnSceneRoot& scene, KScnImporter& importer)
{
    ASSERT_EQ(importer.GetTakeCount(), 2);
    EXPECT_STREQ(importer.GetCurrentTakeName(), "Run");
    EXPECT_STREQ(importer.GetTakeDescription(0)->mName.Buffer(), "Run");
    const KScnTakeDescription* info = scene.GetTakeInfo("Sprint");
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->mImportName.Buffer(), "Sprint");
    EXPECT_STREQ(info->mDescription.Buffer(), "on the spot");
    EXPECT_EQ(info->mLocalTimeStart.Get(), 0);
    EXPECT_EQ(info->mLocalTimeStop.Get(), 2 * kSecond);
    EXPECT_EQ(info->mReferenceTimeStart.Get(), kSecond);
    EXPECT_EQ(info->mReferenceTimeStop.Get(), 3 * kSecond);
    EXPECT_EQ(scene.GetTakeInfo("Run"), nullptr);
    const KScnTakeDescription* walk = scene.GetTakeInfo("Walk");
    ASSERT_NE(walk, nullptr);
    EXPECT_STREQ(walk->mDescription.Buffer(), "slowly");
    EXPECT_STREQ(walk->mImportName.Buffer(), "");

    ASSERT_TRUE(scene.SetCurrentTake("Sprint")) << scene.GetError().GetLastErrorString();
    // The layer (0 -> 4) added to the curve (0 -> 20) under w(t) = 2t up to
    // 1 s: 24t, then 24. The warp and the layer are gone, and the keys stay
    // within the warp's second.
    KScnNode* locator = Node(scene, "Locator");
    ASSERT_NE(locator, nullptr);
    KFCurveNode* x = Channel(locator, "Sprint", "Transform/T/X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->GetParent()->GetTimeWarp(), nullptr);
    EXPECT_EQ(x->GetParent()->GetNextLayer(), nullptr);
    for (double s : {0.0, 0.2, 0.5, 0.8, 1.0, 1.5, 2.0, 3.0})
        EXPECT_NEAR(ValueAt(x, s), 24.0 * std::min(s, 1.0), 1e-4) << s << " s";
    EXPECT_TRUE(KeysWithin(x, kSecond));
    // A leaf channel with a layer and a warp of its own: the same.
    KFCurveNode* glow = Channel(locator, "Sprint", "Glow");
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->GetTimeWarp(), nullptr);
    for (double s : {0.0, 0.3, 0.6, 1.0, 2.0})
        EXPECT_NEAR(ValueAt(glow, s), 1.5 * std::min(s, 1.0), 1e-5) << s << " s";
    EXPECT_TRUE(KeysWithin(glow, kSecond));
    // The hips' layer names only Y: it adds to Y, not to X.
    KFCurveNode* hips = Channel(Node(scene, "Hips"), "Sprint", "Transform/T");
    ASSERT_NE(hips, nullptr);
    double xyz[3] = {0.0, 0.0, 0.0};
    hips->Evaluate(xyz, KTime(kSecond / 2));
    EXPECT_NEAR(xyz[0], 5.0, 1e-4);
    EXPECT_NEAR(xyz[1], 6.0, 1e-6);
    EXPECT_NEAR(xyz[2], 0.0, 1e-6);

    KFCurveNode* smile = Channel(Node(scene, "Body"), "Sprint", "Smile");
    ASSERT_NE(smile, nullptr);
    EXPECT_FLOAT_EQ(smile->GetFCurve()->GetDefaultValue(), 0.75f);
    EXPECT_FLOAT_EQ(
        scene.GetCameraSwitcherNode()->GetCurrentTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 3.0f);
    KScnMaterial* stone = scene.GetContents()->GetMaterial(0);
    EXPECT_FLOAT_EQ(stone->GetCurrentTakeNode()->GetShininessCurve()->GetDefaultValue(), 64.0f);
    // Objects the take does not list have it too, from their default take.
    EXPECT_STREQ(scene.GetContents()->GetTexture(0)->GetCurrentTakeNode()->GetName(), "Sprint");
    EXPECT_STREQ(scene.GetCharacter(0)->GetCurrentTakeNode()->GetName(), "Sprint");
    EXPECT_TRUE(scene.SetCurrentTake("Walk"));
    EXPECT_FALSE(scene.SetCurrentTake("Run"));
    EXPECT_TRUE(scene.SetCurrentTake("Default"));
}

class EveryKindTest : public testsupport::TempDirTest
{
};

TEST_F(EveryKindTest, OneFileInEveryForm)
{
    const std::vector<scntest::SForm> forms = scntest::EveryForm(scntest::kEveryKindScene);
    for (size_t i = 0; i < forms.size(); ++i)
    {
        const scntest::SForm& form = forms[i];
        SCOPED_TRACE(form.name);
        const std::string path = m_Dir.WriteFile("every.scn", form.bytes);
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        // The manager's importer for the text and the protected binary file,
        // one of the caller's own for the other two.
        KScnImporter own(&manager);
        KScnImporter* importer = i == 0 || i == 3 ? manager.CreateImporter() : &own;
        ASSERT_TRUE(importer->Initialize(path.c_str())) << importer->GetStatusText();
        importer->SetPassword("sesame");
        // The takes are listed before the import.
        ASSERT_EQ(importer->GetTakeCount(), 2);
        EXPECT_STREQ(importer->GetTakeDescription(0)->mDescription.Buffer(), "on the spot");
        EXPECT_STREQ(importer->GetTakeDescription(0)->mImportName.Buffer(), "Sprint");
        ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
        // The knee's limb length and colour; the unknown time setting, the
        // unknown camera property, the unknown producer, the undefined skin
        // "Elsewhere", the skin and the cluster named twice, the BlendShape
        // deformer, the pose model's attribute and the five kinds not read
        // (the fourteen empty auxiliary places are places, not skipped names).
        EXPECT_STREQ(importer->GetStatusText(), "15 items skipped");
        CheckSettings(*scene);
        CheckNullMarkerAndSkeletons(*scene);
        CheckLightAndCameras(*scene);
        CheckSurfaces(*scene);
        CheckMeshMaterialAndTexture(*scene);
        CheckDeformers(*scene, manager);
        CheckCharacters(*scene);
        CheckTakes(*scene, *importer);
    }
}

// The game's order: takes asked for without the password (none known), a
// refused import, the password, the import again: the takes are there
// afterwards.
TEST_F(EveryKindTest, ProtectedFileListsItsTakesOnceThePasswordIsGiven)
{
    const std::string path = m_Dir.WriteFile("sealed.scn", scntest::Protected(scntest::kEveryKindScene));
    KScnSdkManager manager;
    KScnImporter game(&manager);
    ASSERT_TRUE(game.Initialize(path.c_str()));
    EXPECT_EQ(game.GetTakeCount(), 0);
    EXPECT_FALSE(game.Import(manager.CreateScene()));
    EXPECT_EQ(game.GetLastErrorID(), KScnIO::ePasswordError);
    game.SetPassword("sesame");
    ASSERT_TRUE(game.Import(manager.CreateScene())) << game.GetStatusText();
    ASSERT_EQ(game.GetTakeCount(), 2);
    EXPECT_STREQ(game.GetCurrentTakeName(), "Run");
    EXPECT_STREQ(game.GetTakeDescription(1)->mDescription.Buffer(), "slowly");
}

// The material's Shininess is the property's value, the specular exponent
// 0..128 (6.4 by default), as the data generator writes it.
TEST_F(EveryKindTest, MaterialShininessKeepsItsScale)
{
    const std::string path = m_Dir.WriteFile("materials.scn", R"(FileHeader: {
    Version: 6000
}
Objects: {
    Material: "Default" {
        Properties: {
            Shininess: 6.4
        }
    }
    Material: "Dull" {
        Properties: {
            Shininess: 0.5
        }
    }
}
)");
    KScnSdkManager manager;
    KScnImporter& importer = *manager.CreateImporter();
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(importer.Initialize(path.c_str()) && importer.Import(scene)) << importer.GetStatusText();
    KScnMaterial* standard = scene->GetContents()->GetMaterial(0);
    EXPECT_FLOAT_EQ(standard->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 6.4f);
    EXPECT_NEAR(standard->GetDefaultShininess(), 0.05, 1e-7);
    KScnMaterial* dull = scene->GetContents()->GetMaterial(1);
    EXPECT_FLOAT_EQ(dull->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 0.5f);
    EXPECT_DOUBLE_EQ(dull->GetMaterialProperties()->Shininess.GetValue(), 0.5);

    // A generated game model's exponent comes back as written.
    CModelBuilder b;
    SModelMaterial red;
    red.name = "Red";
    red.texture = "Data/textures/red.tga";
    red.exponent = 0.25;
    b.SetMaterial(b.AddMaterial(red));
    b.Box({0, 0, 0}, {1, 1, 1});
    std::string bytes, error;
    ASSERT_TRUE(b.Encode(CScnWriter::eBinary, bytes, error)) << error;
    KScnSceneRoot* model = manager.CreateScene();
    ASSERT_TRUE(importer.Initialize(m_Dir.WriteFile("model.scn", bytes).c_str()) && importer.Import(model))
        << importer.GetStatusText();
    EXPECT_NEAR(model->GetContents()->GetMaterial(0)->GetDefaultShininess(), 0.25, 1e-7);
}

} // namespace
