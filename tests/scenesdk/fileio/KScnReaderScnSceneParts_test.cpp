// The scene reader's global settings, deformers and character poses: one
// scene written as text, binary and password-protected files, imported
// through the manager's importer, every value checked; then the documents
// the reader refuses, which must leave the scene and the manager as they were.

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnSceneLightSettings.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/fileio/KScnReaderScn.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

// A field of a document to write in any encoding.
struct Ticks
{
    int64_t value;
};
using Value = std::variant<int, double, std::string, Ticks>;
struct Field
{
    std::string name;
    std::vector<Value> values;
    std::vector<Field> block;
    bool hasBlock = false;
};

Field F(const std::string& name, std::vector<Value> values = {})
{
    return Field{name, std::move(values), {}, false};
}
Field B(const std::string& name, std::vector<Value> values, std::vector<Field> block)
{
    return Field{name, std::move(values), std::move(block), true};
}
std::vector<Value> Numbers(const std::vector<double>& v)
{
    return std::vector<Value>(v.begin(), v.end());
}
// Identity rotation, the given translation and uniform scale.
std::vector<Value> Matrix(double x, double y, double z, double scale = 1.0)
{
    return Numbers({scale, 0, 0, 0, 0, scale, 0, 0, 0, 0, scale, 0, x, y, z, 1});
}

void Write(CScnWriter& w, const Field& f)
{
    w.BeginField(f.name);
    for (const Value& v : f.values)
        std::visit(
            [&w](const auto& x)
            {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, int>)
                    w.AddInt(x);
                else if constexpr (std::is_same_v<T, double>)
                    w.AddDouble(x);
                else if constexpr (std::is_same_v<T, std::string>)
                    w.AddString(x);
                else
                    w.AddTime(x.value);
            },
            v);
    if (f.hasBlock)
    {
        w.BeginBlock();
        for (const Field& sub : f.block)
            Write(w, sub);
        w.EndBlock();
    }
    w.EndField();
}

std::string Encode(CScnWriter::EForm form, const std::vector<Field>& document)
{
    CScnWriter w(form);
    w.WriteHeader("tests", "2026-12-07 12:00:00");
    for (const Field& f : document)
        Write(w, f);
    std::string out;
    EXPECT_TRUE(w.Finish(out)) << w.Error();
    return out;
}

const std::vector<Field> kSettings = {
    B("GlobalSettings", {},
      {B("Time", {},
         {F("TimeMode", {11}), F("TimeFormat", {0}), F("SnapOnFrames", {1}),
          F("TimeMarker", {std::string("Start"), Ticks{0}}),
          F("TimeMarker", {std::string("Jump"), Ticks{2 * kSecond}, 1}), F("CurrentTimeMarker", {1}),
          F("Tempo", {120})}), // not a time setting: counted
       B("Camera", {},
         {F("DefaultCamera", {std::string("Bone2")}), F("DefaultViewingMode", {2}),
          B("Producer", {std::string("Producer Top")},
            {F("Position", Numbers({0, 500, 0})), F("UpVector", Numbers({1, 0, 0})),
             F("LookAt", Numbers({0, 0, -3})),
             B("Properties", {}, {F("FocalLength", {50.0}), F("NoSuchProperty", {1})})}),
          B("Producer", {std::string("Producer Sideways")}, {})}), // no such producer: counted
       B("Light", {},
         {F("AmbientColor", Numbers({0.1, 0.2, 0.3})), F("FogEnable", {1}),
          F("FogColor", Numbers({0.5, 0.5, 2.0, 1.0})), F("FogMode", {2}),
          // The start after the end it needs, the intensity past its clamp.
          F("FogStart", {5000.0}), F("FogEnd", {8000.0}), F("FogDensity", {0.01}), F("ShadowEnable", {1}),
          F("ShadowIntensity", {500.0}), F("ShadowPlane", Numbers({1, 0, -1, 0, 0, 1, 0})),
          F("ShadowPlane", Numbers({0, 2, 0, 0, 1, 0, 0}))})})};

// A four-point mesh skinned by two clusters on a two-bone chain, a character
// pose, and a take that every object of the scene must have.
const std::vector<Field> kObjects = {
    B("Objects", {},
      {B("Model", {std::string("Body"), std::string("Mesh")},
         {F("Deformers", {std::string("BodySkin"), std::string("Elsewhere"), std::string("BodySkin")}),
          B("Mesh", {},
            {F("ControlPoints", Numbers({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0})), F("PolygonSizes", {4}),
             F("PolygonVertices", {0, 1, 2, 3})})}),
       B("Model", {std::string("Bone1"), std::string("Skeleton")}, {F("Children", {std::string("Bone2")})}),
       F("Model", {std::string("Bone2"), std::string("Skeleton")}),
       B("Deformer", {std::string("BodySkin"), std::string("Skin")},
         {F("Clusters", {std::string("Upper"), std::string("Lower"), std::string("Upper")}),
          F("Link_DeformAcuracy", {40.0}), F("MultiLayer", {1})}),
       B("SubDeformer", {std::string("Upper"), std::string("Cluster")},
         {F("Model", {std::string("Bone1")}), F("ModelReference", {std::string("Body")}),
          F("Mode", {std::string("Additive")}), F("UserData", {std::string("u1"), std::string("first")}),
          F("Indices", {0, 1}), F("Weights", {1.0, 0.5}), F("Transform", Matrix(1, 2, 3)),
          F("TransformLink", Matrix(4, 5, 6, 2.0)), F("AssociateModel", Matrix(7, 8, 9)),
          F("TransformParent", Matrix(0, 0, 1))}),
       B("SubDeformer", {std::string("Lower"), std::string("Cluster")},
         {F("Model", {std::string("Bone2")}), F("Mode", {std::string("Total1")}), F("Indices", {2, 3}),
          F("Weights", {0.25, 0.75}), F("Transform", Matrix(0, 1, 0))}),
       // Another type than its kind's: not read, counted.
       B("Deformer", {std::string("Blend"), std::string("BlendShape")}, {}),
       B("CharacterPose", {std::string("Crouch")},
         {B("Model", {std::string("PHips")},
            {B("Properties", {}, {F("Lcl Translation", Numbers({0, 80, 0}))}),
             F("Children", {std::string("PKnee")})}),
          F("Model", {std::string("PKnee"), std::string("Skeleton")}), // an attribute: counted
          B("Character", {},
            {B("BASE", {},
               {B("Hips", {std::string("PHips")}, {F("OffsetT", Numbers({0, 1, 0}))}),
                F("LeftUpLeg", {std::string("PKnee")})})})}),
       // Kinds the reader does not read: skipped and counted.
       B("Video", {std::string("Clip")}, {F("FileName", {std::string("clip.avi")})}),
       F("Pose", {std::string("Bind")}), F("Constraint", {std::string("Aim")}),
       F("GenericNode", {std::string("Thing")}), F("ControlSetPlug", {std::string("Plug")})}),
    B("Takes", {},
      {B("Take", {std::string("Run")},
         {B("Model", {std::string("Bone1")}, {B("Channel", {std::string("T")}, {F("Default", {1.0})})})})})};

std::vector<Field> Document()
{
    std::vector<Field> doc = kSettings;
    doc.insert(doc.end(), kObjects.begin(), kObjects.end());
    return doc;
}

class SceneSettingsDeformersPosesTest : public testsupport::TempDirTest
{
protected:
    // Imports the bytes into a new scene of a new manager.
    KScnSceneRoot* Import(const std::string& bytes, const char* password = "")
    {
        mManager = std::make_unique<KScnSdkManager>();
        KScnSceneRoot* scene = mManager->CreateScene();
        mImporter = mManager->CreateImporter();
        const std::string path = m_Dir.WriteFile("scene.scn", bytes);
        EXPECT_TRUE(mImporter->Initialize(path.c_str())) << mImporter->GetLastErrorString();
        mImporter->SetPassword(password);
        EXPECT_TRUE(mImporter->Import(scene)) << mImporter->GetStatusText();
        return scene;
    }

    std::unique_ptr<KScnSdkManager> mManager;
    KScnImporter* mImporter = nullptr;
};

void ExpectVector(const KgeTVector& v, double x, double y, double z, const char* what)
{
    EXPECT_DOUBLE_EQ(v[0], x) << what;
    EXPECT_DOUBLE_EQ(v[1], y) << what;
    EXPECT_DOUBLE_EQ(v[2], z) << what;
}

void CheckSettings(KScnSceneRoot& scene)
{
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

    KScnSceneCameraSettings* camera = scene.GetGlobalCameraSettings();
    EXPECT_STREQ(camera->GetDefaultCamera(), "Bone2");
    EXPECT_EQ(camera->GetDefaultViewingMode(), 2);
    ExpectVector(camera->GetProducerTop()->GetPosition(), 0, 500, 0, "top position");
    ExpectVector(camera->GetProducerTop()->GetUpVector(), 1, 0, 0, "top up vector");
    EXPECT_DOUBLE_EQ(camera->GetProducerTop()->GetFocalLength(), 50.0);
    ExpectVector(camera->GetProducerTop()->GetLookAt(), 0, 0, -3, "top look-at point");
    ExpectVector(camera->GetProducerFront()->GetPosition(), 0, 0, 4000, "front keeps its default");

    KScnSceneLightSettings* light = scene.GetGlobalLightSettings();
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

    KScnNode* body = scene.GetRootNode()->GetChild(0);
    KScnNode* bone1 = scene.GetRootNode()->GetChild(1);
    ASSERT_STREQ(body->GetName(), "Model::Body");
    ASSERT_STREQ(bone1->GetName(), "Model::Bone1");
    KScnNode* bone2 = bone1->GetChild(0);
    // One link per cluster of the skin on the mesh it deforms.
    auto* mesh = static_cast<KScnMesh*>(body->GetMesh());
    ASSERT_EQ(mesh->GetLinkCount(), 2);
    EXPECT_EQ(manager.GetLinkCount(), 2);
    KScnLink* first = mesh->GetLink(0);
    EXPECT_EQ(first->GetLink(), bone1);
    EXPECT_STREQ(first->GetLinkName().Buffer(), "Model::Bone1");
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
    EXPECT_EQ(second->GetLink(), bone2);
    EXPECT_EQ(second->GetAssociateModel(), nullptr);
    EXPECT_EQ(second->GetLinkMode(), 2);
    EXPECT_EQ(second->GetIndices().GetAt(0), 2);
    EXPECT_DOUBLE_EQ(second->GetWeights().GetAt(1), 0.75);
    ExpectVector(second->GetTransformTranslation(), 0, 1, 0, "second transform");
    EXPECT_FALSE(second->HasTransformParent());

    // The deformers have the file's takes like every other object read.
    for (KScnDeformer* d : {skin, upper, contents->GetDeformer(1, KScnSceneContents::eClusterDeformer)})
    {
        ASSERT_EQ(d->GetTakeNodeCount(), 2) << d->GetName();
        EXPECT_STREQ(d->GetTakeNodeName(1), "Run");
    }
    // ... and so does every other take owner of the scene: the take can be made current.
    EXPECT_TRUE(scene.SetCurrentTake("Run"));
    EXPECT_TRUE(scene.SetCurrentTake("Default"));
}

void CheckPose(KScnSceneRoot& scene)
{
    ASSERT_EQ(scene.GetCharacterPoseCount(), 1);
    KScnCharacterPose* pose = scene.GetCharacterPose(0);
    EXPECT_STREQ(pose->GetName(), "Pose::Crouch");
    KScnSceneRoot* own = pose->GetScene();
    ASSERT_EQ(own->GetRootNode()->GetChildCount(), 1);
    KScnNode* hips = own->GetRootNode()->GetChild(0);
    EXPECT_STREQ(hips->GetName(), "Model::PHips");
    KgeTVector t;
    ExpectVector(hips->GetLocalTranslation(t), 0, 80, 0, "pose hips");
    ASSERT_EQ(hips->GetChildCount(), 1);
    KScnNode* knee = hips->GetChild(0);
    EXPECT_EQ(knee->GetNodeAttribute(), nullptr);
    ASSERT_EQ(own->GetCharacterCount(), 1);
    KScnCharacter* character = own->GetCharacter(0);
    EXPECT_STREQ(character->GetName(), "Constraint::PoseCharacter");
    KScnCharacterNodeLink link;
    ASSERT_TRUE(character->GetLink(0, link));
    EXPECT_EQ(link.node, hips);
    EXPECT_DOUBLE_EQ(link.offsetT[1], 1.0);
    ASSERT_TRUE(character->GetLink(1, link));
    EXPECT_EQ(link.node, knee);
    // The pose's nodes stay in its own scene.
    EXPECT_EQ(scene.GetContents()->GetNodeCount(), 4);
    EXPECT_EQ(scene.GetCharacterCount(), 0);
}

TEST_F(SceneSettingsDeformersPosesTest, EveryEncodingFillsTheScene)
{
    const std::string text = Encode(CScnWriter::eText, Document());
    const std::string binary = Encode(CScnWriter::eBinary, Document());
    const std::string header = Encode(CScnWriter::eBinary, {});
    const std::string clear = header.substr(12, header.size() - 20);
    const SScnEncryptCost cost = SScnEncryptCost::Cheapest();
    const std::string files[] = {text, binary, ScnEncrypt(text, clear, 6000, "sesame", cost),
                                 ScnEncrypt(binary, clear, 6000, "sesame", cost)};
    for (const std::string& file : files)
    {
        SCOPED_TRACE(&file - files);
        KScnSceneRoot* scene = Import(file, "sesame");
        // The unknown time setting, the unknown camera property, the unknown
        // producer, the undefined skin "Elsewhere", the skin and the cluster
        // named twice, the BlendShape deformer, the pose model's attribute
        // and the five kinds not read.
        EXPECT_STREQ(mImporter->GetStatusText(), "13 items skipped");
        CheckSettings(*scene);
        CheckDeformers(*scene, *mManager);
        CheckPose(*scene);
    }
}

// Each document is refused with error 0 and the reason; nothing of it
// reaches the scene or the manager.
TEST_F(SceneSettingsDeformersPosesTest, RefusedDocumentsLeaveNoTrace)
{
    struct SCase
    {
        std::vector<Field> objects;
        std::vector<Field> settings;
        const char* reason;
    };
    const Field mesh =
        B("Model", {std::string("Body"), std::string("Mesh")},
          {F("Deformers", {std::string("S")}), B("Mesh", {},
                                                 {F("ControlPoints", Numbers({0, 0, 0, 1, 0, 0, 1, 1, 0})),
                                                  F("PolygonSizes", {3}), F("PolygonVertices", {0, 1, 2})})});
    const Field skin = B("Deformer", {std::string("S")}, {F("Clusters", {std::string("C")})});
    const std::vector<SCase> cases = {
        {{B("SubDeformer", {std::string("C")}, {F("Transform", Numbers({1, 0, 0}))})},
         {},
         "sub-deformer \"C\": Transform is not 16 numbers"},
        {{B("SubDeformer", {std::string("C")}, {F("Indices", {0, 1}), F("Weights", {1.0})})},
         {},
         "sub-deformer \"C\": 2 indices and 1 weights"},
        {{B("SubDeformer", {std::string("C")}, {F("Indices", {-1}), F("Weights", {1.0})})},
         {},
         "sub-deformer \"C\": index -1 out of range"},
        {{mesh, skin, B("SubDeformer", {std::string("C")}, {F("Indices", {0, 3}), F("Weights", {1.0, 1.0})})},
         {},
         "sub-deformer \"C\": index 3 out of range of the mesh of model \"Body\""},
        {{B("Model", {std::string("Empty"), std::string("Mesh")}, {F("Deformers", {std::string("S")})}), skin,
          B("SubDeformer", {std::string("C")}, {F("Indices", {0}), F("Weights", {1.0})})},
         {},
         "sub-deformer \"C\": index 0 out of range of the mesh of model \"Empty\""},
        {{skin, skin}, {}, "repeated Deformer \"S\""},
        {{B("CharacterPose", {std::string("P")},
            {B("Model", {std::string("A")}, {F("Children", {std::string("B")})}),
             B("Model", {std::string("B")}, {F("Children", {std::string("A")})})})},
         {},
         "character pose \"P\": cycle of children through model \"A\""},
        {{B("CharacterPose", {std::string("P")},
            {F("Model", {std::string("A")}), F("Model", {std::string("A")})})},
         {},
         "character pose \"P\": repeated Model \"A\""},
        {{F("CharacterPose", {std::string("P")}), F("CharacterPose", {std::string("P")})},
         {},
         "repeated CharacterPose \"P\""},
        {{},
         {B("GlobalSettings", {},
            {B("Camera", {},
               {B("Producer", {std::string("Producer Left")}, {}),
                B("Producer", {std::string("Producer Left")}, {})})})},
         "global settings: producer camera \"Producer Left\" given twice"},
    };
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    const int nodes = manager.GetNodeCount();
    for (const SCase& c : cases)
    {
        std::vector<Field> doc = c.settings;
        doc.push_back(B("Objects", {}, c.objects));
        const std::string path = m_Dir.WriteFile("bad.scn", Encode(CScnWriter::eText, doc));
        KScnReaderScn reader(&manager, nullptr);
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        KStreamOptionsScn options;
        EXPECT_FALSE(reader.ReadScene(scene, &options)) << c.reason;
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReaderScn::eFileCorrupted);
        EXPECT_STREQ(reader.GetStatusText(), c.reason);
    }
    EXPECT_EQ(manager.GetNodeCount(), nodes);
    EXPECT_EQ(scene->GetContents()->GetDeformerCount(KScnSceneContents::eAnyDeformer), 0);
    EXPECT_EQ(scene->GetCharacterPoseCount(), 0);
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
}

} // namespace
