// One scene file that holds every kind the scene reader reads, side by side:
// global settings, a null, marker and skeleton with attribute properties, a
// light, a camera, a camera switcher, a patch, a NURBS surface, a skinned
// mesh with a shape, a character with a control set, a character pose, a
// material and a texture, and two takes (one imported under another name,
// with a layered channel under a time warp). Read as text, binary and
// protected files, through the manager's importer and a stand-alone one; the
// renamed take is made current and values of every kind are checked, so that
// the parts of the reader are seen working together in one document.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSet.h"
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
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/fileio/KScn.h"
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
#include "tests/support/TempDir.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

const char* const kScene = R"scn(FileHeader: {
    Version: 6000
    Creator: "tests"
}
SceneInfo: {
    Title: "Every kind"
}
GlobalSettings: {
    Time: {
        TimeMode: 11
        TimeMarker: "Start", 0
        TimeMarker: "Jump", 92372316000, 1
        CurrentTimeMarker: 1
    }
    Camera: {
        DefaultCamera: "Eye"
        Producer: "Producer Top" {
            Position: 0, 500, 0
        }
    }
    Light: {
        AmbientColor: 0.1, 0.2, 0.3
        FogStart: 50
        FogEnd: 800
        ShadowPlane: 1, 0, -1, 0, 0, 1, 0
    }
}
Objects: {
    Model: "Locator", "Null" {
        Properties: {
            "Lcl Translation": 1, 2, 3
            Size: 50
        }
        Shading: W
        Children: "Dot"
        UserProperty: "useLighting", "Bool", "", 1
        UserProperty: "start", "Time", "", 46186158000
    }
    Model: "Dot", "Marker", "OpticalMarker" {
        Properties: {
            Color: 0, 0.5, 1
        }
    }
    Model: "Hips", "Skeleton", "Limb" {
        Properties: {
            LimbLength: 12
        }
        Children: "Knee"
    }
    Model: "Knee", "Skeleton", "LimbNode"
    Model: "Sun", "Light" {
        Properties: {
            Intensity: 42
        }
    }
    Model: "Eye", "Camera" {
        Properties: {
            FieldOfView: 50
            NearPlane: 2
        }
    }
    Model: "Director", "CameraSwitcher" {
        CameraIndex: 2
    }
    Model: "Sail", "Patch" {
        Patch: {
            PatchType: Bezier, BSpline
            Dimensions: 2, 2
            Step: 4, 5
            ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0
        }
        Shape: "Billow" {
            ControlPoints: 0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1
        }
    }
    Model: "Hull", "Nurb" {
        Nurb: {
            Order: 2, 2
            Form: Open, Open
            Dimensions: 2, 2
            ControlPoints: 0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0.5
            KnotVectorU: 0, 0, 1, 1
            KnotVectorV: 0, 0, 2, 2
        }
    }
    Model: "Body", "Mesh" {
        Deformers: "BodySkin"
        Materials: "Stone"
        Textures: "StoneTex"
        Mesh: {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0
            PolygonSizes: 4
            PolygonVertices: 0, 1, 2, 3
            Layer: 0 {
                LayerElementMaterial: {
                    Mapping: AllSame
                    Indices: 0
                }
                LayerElementTexture: {
                    Mapping: AllSame
                    Indices: 0
                }
            }
        }
        Shape: "Smile" {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1.5, 0, 0, 1.5, 0
        }
    }
    Material: "Stone" {
        Properties: {
            Diffuse: 0.5, 0.25, 0.125
            Shininess: 32
        }
    }
    Texture: "StoneTex" {
        FileName: "Data/textures/stone.tga"
        MappingType: 1
        PlanarNormal: 2
        UVScaling: 2, 3
    }
    Deformer: "BodySkin", "Skin" {
        Clusters: "Upper"
    }
    SubDeformer: "Upper", "Cluster" {
        Model: "Hips"
        ModelReference: "Body"
        Indices: 0, 1
        Weights: 1, 0.5
    }
    Character: "Hero" {
        Properties: {
            Posture: Quadruped
        }
        BASE: {
            Hips: "Hips" {
                OffsetT: 0, 1, 0
            }
            LeftUpLeg: "Knee"
        }
        ControlSet: {
            Type: 1
            Effectors: {
                HipsEffector: "Locator"
            }
        }
    }
    CharacterPose: "Crouch" {
        Model: "PHips" {
            Properties: {
                "Lcl Translation": 0, 80, 0
            }
        }
        Character: {
            BASE: {
                Hips: "PHips"
            }
        }
    }
}
Takes: {
    Current: "Run"
    Take: "Run" {
        Description: "on the spot"
        ImportName: "Sprint"
        LocalTime: 0, 92372316000
        ReferenceTime: 46186158000, 138558474000
        TimeWarps: {
            TimeWarp: 1 {
                Channel: "TimeWarp" {
                    Default: 0
                    KeyVer: 4004
                    KeyCount: 2
                    Key: 0, 0, L, 46186158000, 2, L
                }
            }
        }
        Model: "Locator" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 92372316000, 20, L
                    }
                    Channel: "Y" { Default: 2 }
                    Channel: "Z" { Default: 3 }
                    LayerChannel: {
                        LayerID: 1
                        Channel: "X" {
                            LayerID: 1
                            Default: 0
                            KeyVer: 4004
                            KeyCount: 2
                            Key: 0, 0, L, 92372316000, 4, L
                        }
                    }
                    TimeWarpID: 1
                }
            }
        }
        Model: "Body" {
            Channel: "Smile" { Default: 0.75 }
        }
        Model: "Director" {
            Channel: "Camera Index" { Default: 3 }
        }
        Material: "Stone" {
            Channel: "Shininess" { Default: 64 }
        }
        SubDeformer: "Upper"
    }
    Take: "Walk" {
        Description: "slowly"
    }
}
)scn";

// The same tree in the binary encoding: integers as I (L past 32 bits),
// other numbers as D, single letters as C, everything else as texts; in a
// key list the times (a number at the start or after a letter) as L, the
// other numbers as D.
void CopyBlock(KScn& in, CScnWriter& w)
{
    while (in.OpenNextField())
    {
        if (std::strcmp(in.GetFieldName(), "FileHeader") == 0)
            continue;
        w.BeginField(in.GetFieldName());
        const bool keys = std::strcmp(in.GetFieldName(), "Key") == 0;
        bool timeDue = true;
        while (in.RemainingValueCount() > 0)
        {
            const std::string v = in.NextValueAsString();
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            const bool letter = v.size() == 1 && std::isalpha(static_cast<unsigned char>(v[0]));
            const bool number = !v.empty() && *end == '\0';
            if (keys && number && timeDue)
                w.AddLong(std::strtoll(v.c_str(), nullptr, 10));
            else if (letter)
                w.AddChar(v[0]);
            else if (!number)
                w.AddString(v);
            else if (keys || v.find_first_of(".eE") != std::string::npos)
                w.AddDouble(d);
            else if (d > 2147483647.0 || d < -2147483648.0)
                w.AddLong(std::strtoll(v.c_str(), nullptr, 10));
            else
                w.AddInt(static_cast<int32_t>(d));
            timeDue = letter;
        }
        if (in.HasFieldBlock() && in.EnterFieldBlock())
        {
            w.BeginBlock();
            CopyBlock(in, w);
            w.EndBlock();
            in.LeaveFieldBlock();
        }
        w.EndField();
    }
}

std::string Binary(const std::string& text)
{
    KScn in;
    EXPECT_TRUE(in.OpenMemory(text.data(), text.size())) << in.GetStatusText();
    CScnWriter w(CScnWriter::eBinary);
    w.WriteHeader("tests");
    CopyBlock(in, w);
    std::string out;
    EXPECT_TRUE(w.Finish(out)) << w.Error();
    return out;
}

std::string Protected(const std::string& inner)
{
    CScnWriter header(CScnWriter::eBinary);
    header.WriteHeader("tests");
    std::string bytes;
    EXPECT_TRUE(header.Finish(bytes));
    return ScnEncrypt(inner, bytes.substr(12, bytes.size() - 20), 6000, "sesame",
                      SScnEncryptCost::Cheapest());
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

KFCurveNode* CurrentChannel(KScnTakeNodeContainer* owner, const char* path)
{
    KScnTakeNodeEntry* take = owner->GetCurrentTakeNode();
    return take != nullptr ? take->GetRootCurveNode()->FindDescendant(path) : nullptr;
}

double ValueAt(KFCurveNode* channel, double seconds)
{
    double value = 0.0;
    channel->Evaluate(&value, KTime(static_cast<int64_t>(seconds * 30.0 + 0.5) * (kSecond / 30)));
    return value;
}

void CheckSettingsAndAttributes(KScnSceneRoot& scene)
{
    ASSERT_NE(scene.GetSceneMetaData(), nullptr);
    EXPECT_STREQ(scene.GetSceneMetaData()->mTitle.Buffer(), "Every kind");
    KScnSceneTimeSettings* time = scene.GetGlobalTimeSettings();
    EXPECT_EQ(time->GetTimeMode(), KTime::eMode24);
    ASSERT_EQ(time->GetTimeMarkerCount(), 2);
    EXPECT_EQ(time->GetTimeMarker(1)->mTime.Get(), 2 * kSecond);
    EXPECT_EQ(time->GetCurrentTimeMarker(), 1);
    // The default camera is a model of the file: set once the models exist.
    EXPECT_STREQ(scene.GetGlobalCameraSettings()->GetDefaultCamera(), "Eye");
    EXPECT_DOUBLE_EQ(scene.GetGlobalCameraSettings()->GetProducerTop()->GetPosition()[1], 500.0);
    KScnSceneLightSettings* light = scene.GetGlobalLightSettings();
    EXPECT_DOUBLE_EQ(light->GetAmbientColor().mGreen, 0.2);
    EXPECT_DOUBLE_EQ(light->GetFogStart(), 50.0);
    EXPECT_DOUBLE_EQ(light->GetFogEnd(), 800.0);
    EXPECT_EQ(light->GetShadowPlaneCount(), 1);

    KScnNode* locator = Node(scene, "Locator");
    ASSERT_NE(locator, nullptr);
    EXPECT_DOUBLE_EQ(static_cast<KScnNull*>(locator->GetNodeAttribute())->GetSize(), 50.0);
    EXPECT_EQ(locator->GetShadingMode(), 1);
    bool lit = false;
    locator->FindUserPropertyByName("useLighting")->GetBool(lit);
    EXPECT_TRUE(lit);
    KTime start;
    ASSERT_NE(locator->FindUserPropertyByName("start"), nullptr);
    ASSERT_TRUE(locator->FindUserPropertyByName("start")->GetProperty()->Get(&start));
    EXPECT_EQ(start.Get(), kSecond) << "a time user property keeps its ticks";
    auto* dot = static_cast<KScnMarker*>(locator->GetChild(0)->GetNodeAttribute());
    EXPECT_EQ(dot->GetMarkerKind(), KScnMarker::eOpticalMarker);
    EXPECT_DOUBLE_EQ(dot->GetColor().mBlue, 1.0);
    auto* hips = Attribute<KScnSkeleton>(scene, "Hips");
    EXPECT_DOUBLE_EQ(hips->GetLimbLength(), 12.0);
    EXPECT_EQ(Attribute<KScnSkeleton>(scene, "Knee")->GetSkeletonKind(), KScnSkeleton::eLimbNode);
    EXPECT_DOUBLE_EQ(Attribute<KScnLight>(scene, "Sun")->GetIntensity(), 42.0);
    auto* eye = Attribute<KScnCamera>(scene, "Eye");
    EXPECT_DOUBLE_EQ(eye->GetProperties()->FieldOfView->GetDouble(), 50.0);
    EXPECT_DOUBLE_EQ(eye->GetProperties()->NearPlane.GetValue(), 2.0);

    auto* sail = Attribute<KScnPatch>(scene, "Sail");
    ASSERT_EQ(sail->GetControlPointsCount(), 4);
    EXPECT_EQ(sail->GetVStep(), 5);
    EXPECT_STREQ(sail->GetShapeName(0), "Billow");
    auto* hull = Attribute<KScnNurb>(scene, "Hull");
    ASSERT_EQ(hull->GetControlPointsCount(), 4);
    EXPECT_DOUBLE_EQ(hull->GetControlPointAt(3)[3], 0.5);
    EXPECT_DOUBLE_EQ(hull->GetVKnotVector()[3], 2.0);
}

// The mesh with its shape, skin link, material and texture; the character,
// its control set and plug; the pose.
void CheckMeshAndCharacters(KScnSceneRoot& scene)
{
    KScnNode* body = Node(scene, "Body");
    ASSERT_NE(body, nullptr);
    auto* mesh = static_cast<KScnMesh*>(body->GetMesh());
    ASSERT_NE(mesh, nullptr);
    EXPECT_STREQ(mesh->GetShapeName(0), "Smile");
    ASSERT_EQ(mesh->GetLinkCount(), 1);
    EXPECT_EQ(mesh->GetLink(0)->GetLink(), Node(scene, "Hips"));
    EXPECT_EQ(mesh->GetLink(0)->GetAssociateModel(), body);
    EXPECT_DOUBLE_EQ(mesh->GetLink(0)->GetWeights().GetAt(1), 0.5);

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
    EXPECT_EQ(tex->GetTextureProperties()->GetCurrentMappingType(), eUMT_Z);
    EXPECT_DOUBLE_EQ(tex->GetUVScaling().v, 3.0);

    ASSERT_EQ(scene.GetCharacterCount(), 1);
    KScnCharacter* hero = scene.GetCharacter(0);
    EXPECT_EQ(hero->GetCharacterProperties()->Posture.GetValue(),
              KScnCharacterProperties::eCharacterQuadruped);
    KScnCharacterNodeLink link;
    ASSERT_TRUE(hero->GetLink(0, link));
    EXPECT_EQ(link.node, Node(scene, "Hips"));
    EXPECT_DOUBLE_EQ(link.offsetT[1], 1.0);
    EXPECT_EQ(hero->GetControlSet()->GetType(), 1);
    KScnControlSetEffector effector;
    ASSERT_TRUE(hero->GetControlSet()->GetEffector(0, &effector));
    EXPECT_EQ(effector.node, Node(scene, "Locator"));
    ASSERT_EQ(scene.GetControlSetPlugCount(), 1);

    ASSERT_EQ(scene.GetCharacterPoseCount(), 1);
    KScnSceneRoot* pose = scene.GetCharacterPose(0)->GetScene();
    ASSERT_EQ(pose->GetRootNode()->GetChildCount(), 1);
    KgeTVector t;
    EXPECT_DOUBLE_EQ(pose->GetRootNode()->GetChild(0)->GetLocalTranslation(t)[1], 80.0);
    ASSERT_EQ(pose->GetCharacterCount(), 1);
    ASSERT_TRUE(pose->GetCharacter(0)->GetLink(0, link));
    EXPECT_EQ(link.node, pose->GetRootNode()->GetChild(0));
}

// "Run" came in as "Sprint": made current for the whole scene, every kind
// shows its channels of that take.
void CheckTakes(KScnSceneRoot& scene, KScnImporter& importer)
{
    ASSERT_EQ(importer.GetTakeCount(), 2);
    EXPECT_STREQ(importer.GetCurrentTakeName(), "Run");
    EXPECT_STREQ(importer.GetTakeDescription(0)->mName.Buffer(), "Run");
    const KScnTakeDescription* info = scene.GetTakeInfo("Sprint");
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->mImportName.Buffer(), "Sprint");
    EXPECT_STREQ(info->mDescription.Buffer(), "on the spot");
    EXPECT_EQ(info->mLocalTimeStop.Get(), 2 * kSecond);
    EXPECT_EQ(info->mReferenceTimeStart.Get(), kSecond);
    EXPECT_EQ(scene.GetTakeInfo("Run"), nullptr);
    ASSERT_NE(scene.GetTakeInfo("Walk"), nullptr);

    ASSERT_TRUE(scene.SetCurrentTake("Sprint")) << scene.GetError().GetLastErrorString();
    // The layer (0 -> 4) added to the curve (0 -> 20) under w(t) = 2t up to
    // 1 s: 24t, then 24; the warp and the layer are baked away.
    KFCurveNode* x = CurrentChannel(Node(scene, "Locator"), "Transform/T/X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->GetParent()->GetTimeWarp(), nullptr);
    EXPECT_EQ(x->GetParent()->GetNextLayer(), nullptr);
    for (double s : {0.0, 0.5, 1.0, 2.0})
        EXPECT_NEAR(ValueAt(x, s), 24.0 * std::min(s, 1.0), 1e-4) << s << " s";
    KFCurveNode* smile = CurrentChannel(Node(scene, "Body"), "Smile");
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
    EXPECT_TRUE(scene.SetCurrentTake("Default"));
}

class EveryKindTest : public testsupport::TempDirTest
{
};

TEST_F(EveryKindTest, OneFileInEveryForm)
{
    const std::string text = kScene;
    const std::string binary = Binary(text);
    const std::pair<const char*, std::string> forms[] = {{"text", text},
                                                         {"binary", binary},
                                                         {"protected text", Protected(text)},
                                                         {"protected binary", Protected(binary)}};
    for (const auto& form : forms)
    {
        SCOPED_TRACE(form.first);
        const std::string path = m_Dir.WriteFile("every.scn", form.second);
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        // The manager's importer for the plain files, one of the caller's own
        // for the protected ones.
        const bool sealed = form.second.compare(1, 4, "SCNX") == 0;
        KScnImporter own(&manager);
        KScnImporter* importer = sealed ? &own : manager.CreateImporter();
        ASSERT_TRUE(importer->Initialize(path.c_str())) << importer->GetStatusText();
        importer->SetPassword("sesame");
        ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
        EXPECT_STREQ(importer->GetStatusText(), "");
        CheckSettingsAndAttributes(*scene);
        CheckMeshAndCharacters(*scene);
        CheckTakes(*scene, *importer);
    }
}

// References to names the file does not define are counted on any model,
// and every user property's value is set by its type, or counted.
TEST_F(EveryKindTest, ReferencesAndUserValuesOfAnyModel)
{
    const std::string path = m_Dir.WriteFile("plain.scn", R"(FileHeader: {
    Version: 6000
}
Objects: {
    Model: "Plain", "Null" {
        Materials: "Nowhere"
        Textures: "Nothing"
        UserProperty: "tint", "ColorAndAlpha", "", 0.5, 0.25, 0.125, 0.75
        UserProperty: "flag", "Bool", "", 1, 0, 0
        UserProperty: "weight", "Real", "", 0.5, 7, 8
        UserProperty: "dir", "Vector", "", 1
    }
}
)");
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter importer(&manager);
    ASSERT_TRUE(importer.Initialize(path.c_str()));
    ASSERT_TRUE(importer.Import(scene)) << importer.GetStatusText();
    // The material, the texture and the one-number vector.
    EXPECT_STREQ(importer.GetStatusText(), "3 items skipped");
    KScnNode* plain = Node(*scene, "Plain");
    ASSERT_NE(plain, nullptr);
    double v[4] = {0, 0, 0, 0};
    ASSERT_TRUE(plain->FindUserPropertyByName("tint")->GetProperty()->GetAsDoubles(v));
    EXPECT_DOUBLE_EQ(v[3], 0.75);
    bool flag = false;
    plain->FindUserPropertyByName("flag")->GetBool(flag);
    EXPECT_TRUE(flag);
    double weight = 0.0;
    plain->FindUserPropertyByName("weight")->GetDouble(weight);
    EXPECT_DOUBLE_EQ(weight, 0.5);
}

} // namespace
