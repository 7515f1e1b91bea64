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
#include "scenesdk/kernel/KScnFree.h"
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

// A number (or flag, or enumerator) read against the file's, named by the
// expression that reads it; a text the same way.
struct SNumber
{
    const char* what;
    double got, want;
};
struct SText
{
    const char* what;
    const char* got;
    const char* want;
};
SNumber Number(const char* what, double got, double want)
{
    return {what, got, want};
}
#define NUM(got, want) Number(#got, got, want)
SText Text(const char* what, const char* got, const char* want)
{
    return {what, got, want};
}
#define TEXT(got, want) Text(#got, got, want)

void Check(const SNumber& n)
{
    EXPECT_DOUBLE_EQ(n.got, n.want) << n.what;
}

void Check(const SText& t)
{
    EXPECT_STREQ(t.got, t.want) << t.what;
}

template <class... T> void Expect(const T&... checks)
{
    (Check(checks), ...);
}

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
    Expect(SNumber{what, v[0], x}, SNumber{what, v[1], y}, SNumber{what, v[2], z});
}

void CheckSettings(KScnSceneRoot& scene)
{
    ASSERT_NE(scene.GetSceneMetaData(), nullptr);
    KScnSceneTimeSettings* time = scene.GetGlobalTimeSettings();
    ASSERT_EQ(time->GetTimeMarkerCount(), 2);
    KScnSceneLightSettings* light = scene.GetGlobalLightSettings();
    ASSERT_EQ(light->GetShadowPlaneCount(), 2);
    // The default camera is a model of the file: set once the models exist.
    KScnSceneCameraSettings* camera = scene.GetGlobalCameraSettings();
    // Three ambient values keep the alpha; the fog's blue is clamped.
    Expect(TEXT(scene.GetSceneMetaData()->mTitle.Buffer(), "Every kind"),
           TEXT(time->GetTimeMarker(0)->mName.Buffer(), "Start"), TEXT(camera->GetDefaultCamera(), "Eye"),
           NUM(time->GetTimeMode(), KTime::eMode24), NUM(time->GetTimeFormat(), 0),
           NUM(time->GetSnapOnFrames(), 1), NUM(time->GetTimeMarker(1)->mTime.Get(), 2 * kSecond),
           NUM(time->GetTimeMarker(0)->mLoop, false), NUM(time->GetTimeMarker(1)->mLoop, true),
           NUM(time->GetCurrentTimeMarker(), 1), NUM(camera->GetDefaultViewingMode(), 2),
           NUM(camera->GetProducerTop()->GetFocalLength(), 50), NUM(light->GetAmbientColor().mGreen, 0.2),
           NUM(light->GetAmbientColor().mBlue, 0.3), NUM(light->GetAmbientColor().mAlpha, 0),
           NUM(light->GetFogEnable(), true), NUM(light->GetFogColor().mBlue, 1), NUM(light->GetFogMode(), 2),
           NUM(light->GetFogStart(), 5000), NUM(light->GetFogEnd(), 8000), NUM(light->GetFogDensity(), 0.01),
           NUM(light->GetShadowEnable(), true), NUM(light->GetShadowIntensity(), 300),
           NUM(light->GetShadowPlane(0)->mEnable, true), NUM(light->GetShadowPlane(1)->mEnable, false));
    ExpectVector(camera->GetProducerTop()->GetPosition(), 0, 500, 0, "top position");
    ExpectVector(camera->GetProducerTop()->GetUpVector(), 1, 0, 0, "top up vector");
    ExpectVector(camera->GetProducerTop()->GetLookAt(), 0, 0, -3, "top look-at point");
    ExpectVector(camera->GetProducerFront()->GetPosition(), 0, 0, 4000, "front keeps its default");
    ExpectVector(light->GetShadowPlane(0)->mOrigin, 0, -1, 0, "plane origin");
    ExpectVector(light->GetShadowPlane(1)->mNormal, 1, 0, 0, "plane normal");
}

void CheckNullMarkerAndSkeletons(KScnSceneRoot& scene)
{
    KScnNode* locator = Node(scene, "Locator");
    ASSERT_NE(locator, nullptr);
    auto* null = static_cast<KScnNull*>(locator->GetNodeAttribute());
    ASSERT_EQ(null->GetAttributeKind(), KScnNodeAttribute::eNull);
    ASSERT_EQ(locator->GetChildCount(), 1);
    auto* dot = static_cast<KScnMarker*>(locator->GetChild(0)->GetNodeAttribute());
    ASSERT_EQ(dot->GetAttributeKind(), KScnNodeAttribute::eMarker);
    auto* hips = Attribute<KScnSkeleton>(scene, "Hips");
    ASSERT_EQ(hips->GetAttributeKind(), KScnNodeAttribute::eSkeleton);
    auto* knee = Attribute<KScnSkeleton>(scene, "Knee");
    ASSERT_NE(knee, nullptr);
    bool lit = false;
    locator->FindUserPropertyByName("useLighting")->GetBool(lit);
    KTime start;
    ASSERT_NE(locator->FindUserPropertyByName("start"), nullptr);
    ASSERT_TRUE(locator->FindUserPropertyByName("start")->GetProperty()->Get(&start));
    // A time user property keeps its ticks; a root refuses a limb length.
    Expect(NUM(null->GetSize(), 50), NUM(null->IsSizeSet(), true), NUM(locator->GetShadingMode(), 1),
           NUM(locator->GetPivotState(0), 0), NUM(lit, true), NUM(start.Get(), kSecond),
           NUM(dot->GetMarkerKind(), KScnMarker::eOpticalMarker), NUM(dot->GetLook(), KScnMarker::eHardCross),
           NUM(dot->GetSize(), 7), NUM(dot->GetColor().mGreen, 0.5), NUM(dot->GetColor().mBlue, 1),
           NUM(dot->GetShowLabel(), true), NUM(dot->GetIKPivot().mData[2], 3),
           NUM(hips->GetSkeletonKind(), KScnSkeleton::eLimb), NUM(hips->GetSize(), 3),
           NUM(hips->GetLimbLength(), 12), NUM(hips->GetLimbColor().mBlue, 0.75),
           NUM(hips->IsSizeSet() && hips->IsLimbLengthSet() && hips->IsColorSet() && hips->IsKindSet(), true),
           NUM(knee->GetSkeletonKind(), KScnSkeleton::eRoot), NUM(knee->GetLimbLength(), 1),
           NUM(knee->GetLimbColor().mRed, 0.8), NUM(knee->IsLimbLengthSet() || knee->IsColorSet(), false));
    EXPECT_NE(dot->GetNode()->GetDefaultTakeNode()->GetOcclusionCurve(), nullptr);
    EXPECT_EQ(knee->GetNode()->GetParent(), hips->GetNode());
}

void CheckLightAndCameras(KScnSceneRoot& scene)
{
    // Channel properties agree with the default take's curves.
    auto* sun = Attribute<KScnLight>(scene, "Sun");
    ASSERT_EQ(sun->GetAttributeKind(), KScnNodeAttribute::eLight);
    KScnNode* sunNode = sun->GetNode();
    auto* eye = Attribute<KScnCamera>(scene, "Eye");
    ASSERT_EQ(eye->GetAttributeKind(), KScnNodeAttribute::eCamera);
    KScnNode* eyeNode = eye->GetNode();
    KScnCameraProperties* p = eye->GetProperties();
    // The camera format applies no preset to the aspect.
    Expect(NUM(sun->GetLightType(), KScnLight::eSpot), NUM(sun->GetIntensity(), 42),
           NUM(DefaultOf(sunNode, nullptr, "Intensity"), 42), NUM(sun->GetConeAngle(), 30),
           NUM(DefaultOf(sunNode, nullptr, "Cone angle"), 30), NUM(sun->GetFog(), 10),
           NUM(DefaultOf(sunNode, nullptr, "Fog"), 10), NUM(sun->GetColor().mGreen, 0.5),
           NUM(DefaultOf(sunNode, "Color", "Z"), 0.25), NUM(sun->GetCastLight(), false),
           NUM(sun->GetDrawFrontFacingVolumetricLight(), true), NUM(eye->GetPosition().mData[2], 50),
           NUM(p->FieldOfView->GetDouble(), 50), NUM(DefaultOf(eyeNode, nullptr, "FieldOfView"), 50),
           NUM(eye->GetDefaultRoll(), 5), NUM(DefaultOf(eyeNode, nullptr, "Roll"), 5),
           NUM(eye->GetBackgroundColor().mBlue, 0.5), NUM(DefaultOf(eyeNode, "BackgroundColor", "Y"), 0.25),
           NUM(p->NearPlane.GetValue(), 2), NUM(p->FarPlane.GetValue(), 900), NUM(eye->GetFocalLength(), 50),
           NUM(p->CameraFormat.GetValue(), KScnCamera::ePAL), NUM(p->AspectW.GetValue(), 640),
           NUM(p->AspectH.GetValue(), 200), NUM(eye->GetApertureMode(), KScnCamera::eHorizontal),
           NUM(p->ShowGrid.GetValue(), false), NUM(p->MotionBlurIntensity->GetDouble(), 0.5));

    // The switcher is the scene's, outside the tree.
    KScnNode* director = scene.GetCameraSwitcherNode();
    ASSERT_TRUE(director != nullptr && director->GetNodeAttribute() != nullptr);
    EXPECT_EQ(scene.GetRootNode()->FindChild("Director"), nullptr);
    // The file's takes reach it.
    Expect(TEXT(director->GetName(), "Model::Director"),
           NUM(director->GetNodeAttribute()->GetAttributeKind(), KScnNodeAttribute::eCameraSwitcher),
           NUM(director->GetDefaultTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 2),
           NUM(director->GetTakeNodeCount(), 3));
}

void CheckSurfaces(KScnSceneRoot& scene)
{
    auto* sail = Attribute<KScnPatch>(scene, "Sail");
    ASSERT_EQ(sail->GetAttributeKind(), KScnNodeAttribute::ePatch);
    ASSERT_EQ(sail->GetControlPointsCount(), 4);
    ASSERT_EQ(sail->GetShapeCount(), 1);
    auto* hull = Attribute<KScnNurb>(scene, "Hull");
    ASSERT_EQ(hull->GetAttributeKind(), KScnNodeAttribute::eNurb);
    ASSERT_EQ(hull->GetControlPointsCount(), 6);
    ASSERT_EQ(hull->GetUKnotCount(), 4);
    ASSERT_EQ(hull->GetVKnotCount(), 6);
    // Step stands over SurfaceDisplay; the fourth number of a NURBS point is
    // its weight.
    Expect(NUM(sail->GetPatchUType(), KScnPatch::eBezier), NUM(sail->GetPatchVType(), KScnPatch::eBSpline),
           NUM(sail->GetControlPointAt(3).mData[1], 1), NUM(sail->GetSurfaceMode(), 2),
           NUM(sail->GetUStep(), 4), NUM(sail->GetVStep(), 5), NUM(sail->GetUClosed(), true),
           NUM(sail->GetVClosed(), false), NUM(sail->GetUCappedTop() && !sail->GetUCappedBottom(), true),
           NUM(sail->GetVCappedBottom() && !sail->GetVCappedTop(), true),
           NUM(sail->GetShape(0)->GetControlPointAt(2).mData[2], 1), NUM(hull->GetUOrder(), 2),
           NUM(hull->GetNurbUType(), KScnNurb::eOpen), NUM(hull->GetNurbVType(), KScnNurb::ePeriodic),
           NUM(hull->GetControlPointAt(3).mData[3], 0.5), NUM(hull->GetUKnotVector()[2], 1),
           NUM(hull->GetVKnotVector()[5], 5), NUM(hull->GetVMultiplicityVector()[2], 1),
           NUM(hull->GetSurfaceMode(), 1), NUM(hull->GetUStep(), 6), NUM(hull->GetVStep(), 7));
    EXPECT_STREQ(sail->GetShapeName(0), "Billow");
    KScnNode* sailNode = sail->GetNode();
    EXPECT_NE(sailNode->GetPropertyHandler()->FindProperty("Billow"), nullptr);
    // The older file's shape channel went into the shape's own.
    EXPECT_EQ(Channel(sailNode, "Sprint", "Shape 01 (Shape)"), nullptr);
    ASSERT_NE(Channel(sailNode, "Sprint", "Billow"), nullptr);
    EXPECT_FLOAT_EQ(Channel(sailNode, "Sprint", "Billow")->GetFCurve()->GetDefaultValue(), 0.5f);
}

// The mesh's shapes, material and texture.
void CheckMeshMaterialAndTexture(KScnSceneRoot& scene)
{
    auto* mesh = Attribute<KScnMesh>(scene, "Body");
    ASSERT_EQ(mesh->GetAttributeKind(), KScnNodeAttribute::eMesh);
    ASSERT_EQ(mesh->GetShapeCount(), 2);
    KScnShape* smile = mesh->GetShape(0);
    ASSERT_NE(smile->GetNormals(), nullptr);
    EXPECT_EQ(mesh->GetShape(1)->GetNormals(), nullptr);
    KScnNode* body = mesh->GetNode();
    EXPECT_NE(Channel(body, "Default", "Frown"), nullptr);
    EXPECT_NE(Channel(body, "Sprint", "Shape 01 (Shape)"), nullptr) << "a mesh keeps its channels as read";

    KScnSceneContents* contents = scene.GetContents();
    ASSERT_EQ(contents->GetMaterialCount(), 1);
    KScnMaterial* stone = contents->GetMaterial(0);
    KScnLayerElement* materials = mesh->GetLayer(0)->GetMaterialElement();
    ASSERT_NE(materials, nullptr);
    ASSERT_EQ(materials->GetDirectCount(), 1);
    EXPECT_EQ(materials->GetDirect<KScnMaterial*>()[0], stone);
    ASSERT_EQ(contents->GetTextureCount(), 1);
    KScnTexture* tex = contents->GetTexture(0);
    // The cropping in the setter's field order.
    Expect(TEXT(mesh->GetShapeName(0), "Smile"), TEXT(mesh->GetShapeName(1), "Frown"),
           NUM(smile->GetControlPointAt(2).mData[1], 1.5), NUM(smile->GetNormals()[3].mData[1], 1),
           NUM(stone->GetMaterialProperties()->Shininess.GetValue(), 32),
           NUM(stone->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 32),
           NUM(stone->GetDiffuse().mGreen, 0.25), NUM(tex->GetMappingType(), 1),
           NUM(tex->GetPlanarMappingNormal(), 2),
           NUM(tex->GetTextureProperties()->GetCurrentMappingType(), eUMT_Z),
           NUM(tex->GetCroppingField(0), 1), NUM(tex->GetCroppingField(1), 3),
           NUM(tex->GetCroppingField(2), 2), NUM(tex->GetCroppingField(3), 4), NUM(tex->GetAlphaSource(), 2),
           NUM(tex->GetUVTranslation().u, 0.5), NUM(tex->GetUVTranslation().v, 0.25),
           NUM(tex->GetUVScaling().u, 2), NUM(tex->GetUVScaling().v, 3));
}

// The skin's clusters bound into one link each on the mesh they deform.
void CheckDeformers(KScnSceneRoot& scene, KScnSdkManager& manager)
{
    KScnSceneContents* contents = scene.GetContents();
    ASSERT_EQ(contents->GetDeformerCount(KScnSceneContents::eAnyDeformer), 3);
    ASSERT_EQ(contents->GetDeformerCount(KScnSceneContents::eSkinDeformer), 1);
    ASSERT_EQ(contents->GetDeformerCount(KScnSceneContents::eClusterDeformer), 2);
    KScnDeformer* skin = contents->GetDeformer(0, KScnSceneContents::eSkinDeformer);
    KScnDeformer* upper = contents->GetDeformer(0, KScnSceneContents::eClusterDeformer);
    KScnNode* body = Node(scene, "Body");
    ASSERT_NE(body, nullptr);
    auto* mesh = static_cast<KScnMesh*>(body->GetMesh());
    ASSERT_EQ(mesh->GetLinkCount(), 2);
    EXPECT_EQ(manager.GetLinkCount(), 2);
    KScnLink* first = mesh->GetLink(0);
    KScnLink* second = mesh->GetLink(1);
    ASSERT_EQ(first->GetIndices().GetCount(), 2);
    Expect(TEXT(skin->GetName(), "Deformer::BodySkin"), TEXT(upper->GetName(), "SubDeformer::Upper"),
           TEXT(first->GetLinkName().Buffer(), "Model::Hips"), TEXT(first->GetUserDataID().Buffer(), "u1"),
           TEXT(first->GetUserData().Buffer(), "first"), NUM(skin->GetLinkDeformAccuracy(), 40),
           NUM(skin->GetMultiLayer(), true), NUM(upper->GetLinkMode(), KScnDeformer::eLinkAdditive),
           NUM(upper->GetControlPointCount(), 2), NUM(upper->HasTransformParent(), true),
           NUM(upper->GetTransformAssociateModel()[13], 8), NUM(first->GetLinkMode(), 1),
           NUM(first->GetIndices().GetAt(1), 1), NUM(first->GetWeights().GetAt(1), 0.5),
           NUM(first->HasTransformParent(), true), NUM(second->GetLinkMode(), 2),
           NUM(second->GetIndices().GetAt(0), 2), NUM(second->GetWeights().GetAt(1), 0.75),
           NUM(second->HasTransformParent(), false));
    EXPECT_EQ(first->GetLink(), Node(scene, "Hips"));
    EXPECT_EQ(first->GetAssociateModel(), body);
    EXPECT_EQ(second->GetLink(), Node(scene, "Knee"));
    EXPECT_EQ(second->GetAssociateModel(), nullptr);
    ExpectVector(first->GetTransformTranslation(), 1, 2, 3, "transform");
    ExpectVector(first->GetTransformLinkTranslation(), 4, 5, 6, "transform link");
    ExpectVector(first->GetTransformLinkScaling(), 2, 2, 2, "transform link scaling");
    ExpectVector(first->GetTransformAssociateModelTranslation(), 7, 8, 9, "associate model");
    ExpectVector(second->GetTransformTranslation(), 0, 1, 0, "second transform");

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
    KScnCharacterNodeLink hipsSlot, kneeSlot;
    ASSERT_TRUE(hero->GetLink(0, hipsSlot) && hero->GetLink(1, kneeSlot));
    EXPECT_TRUE(hipsSlot.node == hips && kneeSlot.node == knee);
    Expect(NUM(hipsSlot.offsetT[1], 1), NUM(hipsSlot.hasRotationSpace, 0), NUM(kneeSlot.hasRotationSpace, 1),
           NUM(kneeSlot.rotationMin[1], -20), NUM(hero->GetControlSet()->GetType(), 1));

    ASSERT_EQ(scene.GetControlSetPlugCount(), 1);
    EXPECT_EQ(rider->GetSourceKind(), KScnCharacter::eSourceControlSetPlug);
    EXPECT_EQ(rider->GetCharacterProperties()->SourceObject.GetAt(0),
              scene.GetControlSetPlug(0)->GetPropertyHandler());
    for (KScnCharacter* character : {hero, rider})
    {
        SCOPED_TRACE(character == hero ? "hero" : "rider");
        KScnControlSet* set = character->GetControlSet();
        // Effector by effector: its node and the one auxiliary place filled.
        const struct
        {
            KScnNode *node, *aux;
            int place;
        } effectors[] = {{hips, knee, 2}, {knee, hips, 14}, {hips, nullptr, 0}};
        for (int e = 0; e < 3; ++e)
        {
            KScnControlSetEffector effector;
            ASSERT_TRUE(set->GetEffector(e, &effector)) << e;
            EXPECT_EQ(effector.node, effectors[e].node) << e;
            KScnNode* aux = nullptr;
            for (int place = 1; place <= std::max(effectors[e].place, 1); ++place)
                EXPECT_EQ(set->GetEffectorAux(e, &aux, place), place == effectors[e].place)
                    << e << " " << place;
            if (effectors[e].place > 0)
            {
                EXPECT_EQ(aux, effectors[e].aux) << e;
            }
        }
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
    ASSERT_TRUE(posed->GetLink(0, hipsSlot) && posed->GetLink(1, kneeSlot));
    EXPECT_TRUE(hipsSlot.node == poseHips && kneeSlot.node == poseKnee);
    EXPECT_DOUBLE_EQ(hipsSlot.offsetT[1], 1.0);
    // The pose's nodes stay in its own scene.
    EXPECT_EQ(scene.GetContents()->GetNodeCount(), 10);
}

// "Run" came in as "Sprint": made current for the whole scene, every kind
// shows its channels of that take, layers and time warps baked away.
void CheckTakes(KScnSceneRoot& scene, KScnImporter& importer)
{
    ASSERT_EQ(importer.GetTakeCount(), 2);
    const KScnTakeDescription* info = scene.GetTakeInfo("Sprint");
    const KScnTakeDescription* walk = scene.GetTakeInfo("Walk");
    ASSERT_TRUE(info != nullptr && walk != nullptr);
    EXPECT_EQ(scene.GetTakeInfo("Run"), nullptr);
    Expect(TEXT(importer.GetCurrentTakeName(), "Run"),
           TEXT(importer.GetTakeDescription(0)->mName.Buffer(), "Run"),
           TEXT(importer.GetTakeDescription(1)->mDescription.Buffer(), "slowly"),
           TEXT(info->mImportName.Buffer(), "Sprint"), TEXT(info->mDescription.Buffer(), "on the spot"),
           TEXT(walk->mDescription.Buffer(), "slowly"), TEXT(walk->mImportName.Buffer(), ""),
           NUM(info->mLocalTimeStart.Get(), 0), NUM(info->mLocalTimeStop.Get(), 2 * kSecond),
           NUM(info->mReferenceTimeStart.Get(), kSecond), NUM(info->mReferenceTimeStop.Get(), 3 * kSecond));

    ASSERT_TRUE(scene.SetCurrentTake("Sprint")) << scene.GetError().GetLastErrorString();
    // The layer (0 -> 4) added to the curve (0 -> 20) under w(t) = 2t up to
    // 1 s: 24t, then 24; a leaf channel with a layer and a warp of its own
    // the same, 1.5t. The warp and the layer are gone, and the keys stay
    // within the warp's second.
    KScnNode* locator = Node(scene, "Locator");
    ASSERT_NE(locator, nullptr);
    KFCurveNode* x = Channel(locator, "Sprint", "Transform/T/X");
    KFCurveNode* glow = Channel(locator, "Sprint", "Glow");
    ASSERT_TRUE(x != nullptr && glow != nullptr);
    EXPECT_EQ(x->GetParent()->GetTimeWarp(), nullptr);
    EXPECT_EQ(x->GetParent()->GetNextLayer(), nullptr);
    EXPECT_EQ(glow->GetTimeWarp(), nullptr);
    for (double s : {0.0, 0.2, 0.3, 0.5, 0.6, 0.8, 1.0, 1.5, 2.0, 3.0})
    {
        EXPECT_NEAR(ValueAt(x, s), 24.0 * std::min(s, 1.0), 1e-4) << s << " s";
        EXPECT_NEAR(ValueAt(glow, s), 1.5 * std::min(s, 1.0), 1e-5) << s << " s";
    }
    EXPECT_TRUE(KeysWithin(x, kSecond));
    EXPECT_TRUE(KeysWithin(glow, kSecond));
    // The hips' layer names only Y: it adds to Y, not to X.
    KFCurveNode* hips = Channel(Node(scene, "Hips"), "Sprint", "Transform/T");
    KFCurveNode* smile = Channel(Node(scene, "Body"), "Sprint", "Smile");
    ASSERT_TRUE(hips != nullptr && smile != nullptr);
    double xyz[3] = {0.0, 0.0, 0.0};
    hips->Evaluate(xyz, KTime(kSecond / 2));
    EXPECT_NEAR(xyz[0], 5.0, 1e-4);
    EXPECT_NEAR(xyz[1], 6.0, 1e-6);
    EXPECT_NEAR(xyz[2], 0.0, 1e-6);

    KScnMaterial* stone = scene.GetContents()->GetMaterial(0);
    Expect(
        NUM(smile->GetFCurve()->GetDefaultValue(), 0.75),
        NUM(scene.GetCameraSwitcherNode()->GetCurrentTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 3),
        NUM(stone->GetCurrentTakeNode()->GetShininessCurve()->GetDefaultValue(), 64));
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
        KScnFree<KScnImporter> own(&manager);
        KScnImporter* importer = i == 0 || i == 3 ? manager.CreateImporter() : &own;
        ASSERT_TRUE(importer->Initialize(path.c_str())) << importer->GetStatusText();
        // The takes are listed before the import, in the game's order too:
        // without the password (none known), a refused import, the password.
        if (i == 2)
        {
            EXPECT_EQ(importer->GetTakeCount(), 0);
            EXPECT_FALSE(importer->Import(scene));
            EXPECT_EQ(importer->GetLastErrorID(), KScnIO::ePasswordError);
        }
        importer->SetPassword("sesame");
        ASSERT_EQ(importer->GetTakeCount(), 2);
        Expect(TEXT(importer->GetTakeDescription(0)->mDescription.Buffer(), "on the spot"),
               TEXT(importer->GetTakeDescription(0)->mImportName.Buffer(), "Sprint"));
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

// The material's Shininess is the property's value, the specular exponent
// 0..128 (6.4 by default), as the data generator writes it.
TEST_F(EveryKindTest, MaterialShininessKeepsItsScale)
{
    const std::string path =
        m_Dir.WriteFile("materials.scn", "FileHeader: { Version: 6000 }\nObjects: {\n"
                                         "Material: \"Default\" { Properties: { Shininess: 6.4 } }\n"
                                         "Material: \"Dull\" { Properties: { Shininess: 0.5 } }\n}\n");
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
