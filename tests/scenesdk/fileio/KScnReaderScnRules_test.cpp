// The scene reader's mapping rules one by one: for each rule of the scene
// file format, small documents that exercise it (its boundaries included:
// first and last enumerators, a setting given twice, too few values) and the
// values they give, read back through the public API in every file form.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraProperties.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterParameters.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnSceneLightSettings.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/kernel/KProperty.h"
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
#include "tests/scenesdk/fileio/ScnTestForms.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr double kNone = NAN; // what a getter gives for an object the scene lacks
constexpr int64_t kSecond = 46186158000LL;

using Scene = KScnSceneRoot;
using NumberOf = double (*)(Scene&, KScnImporter&);
using TextOf = std::string (*)(Scene&, KScnImporter&);

// One value of a read scene against the file's.
struct SCheck
{
    const char* what;
    NumberOf number;
    double want;
    TextOf text = nullptr;
    const char* wantText = "";
};

// A document (after the header) and what it gives; a document before, when
// given, is read into the scene first.
struct SCase
{
    std::string body;
    std::vector<SCheck> checks;
    std::string before = "";
};

const char* const kHeader = "FileHeader: {\n Version: 6000\n Creator: \"tests\"\n}\n";

// clang-format off
#define GOT(expr, want) SCheck{#expr, []([[maybe_unused]] Scene& s, [[maybe_unused]] KScnImporter& imp) -> double \
    { return (expr); }, static_cast<double>(want)}
#define GOT_TEXT(expr, want) SCheck{#expr, nullptr, 0.0, \
    []([[maybe_unused]] Scene& s, [[maybe_unused]] KScnImporter& imp) -> std::string { return (expr); }, want}
// The count of items the status text reports skipped (none unless given).
#define SKIPPED(n) SCheck{"skipped", nullptr, n}
// clang-format on

const auto Objects = [](const std::string& fields) { return "Objects: {\n" + fields + "\n}\n"; };

// A block of that head around the fields.
const auto Block = [](const std::string& head, const std::string& fields)
{ return head + " {\n" + fields + "\n}\n"; };

const auto N = [](Scene& s, const char* name) { return s.GetRootNode()->FindChild(name); };

template <class T> T* A(Scene& s, const char* name)
{
    KScnNode* node = N(s, name);
    return node != nullptr ? static_cast<T*>(node->GetNodeAttribute()) : nullptr;
}

// Component i of the property of that name of the set.
double P(KObject* set, const char* name, int i = 0)
{
    KProperty* p = set != nullptr ? set->FindProperty(name) : nullptr;
    double v[4] = {kNone, kNone, kNone, kNone};
    return p != nullptr && p->GetAsDoubles(v) ? v[i] : kNone;
}

double NodeP(Scene& s, const char* node, const char* name, int i = 0)
{
    KScnNode* n = N(s, node);
    return n != nullptr ? P(n->GetPropertyHandler(), name, i) : kNone;
}

// Component i of the node's user property.
double User(Scene& s, const char* name, int i = 0)
{
    KScnNode* n = N(s, "A");
    KScnPropertyRef* ref = n != nullptr ? n->FindUserPropertyByName(name) : nullptr;
    double v[4] = {kNone, kNone, kNone, kNone};
    return ref != nullptr && ref->GetProperty()->GetAsDoubles(v) ? v[i] : kNone;
}

double UserTime(Scene& s, const char* name)
{
    KScnNode* n = N(s, "A");
    KScnPropertyRef* ref = n != nullptr ? n->FindUserPropertyByName(name) : nullptr;
    KTime time;
    return ref != nullptr && ref->GetProperty()->Get(&time) ? static_cast<double>(time.Get()) : kNone;
}

// The name of the object the first index of the node's material or texture
// element refers to.
std::string Bound(Scene& s, const char* node, int type)
{
    KScnLayerElement* e = A<KScnMesh>(s, node)->GetLayer(0)->GetElement(type);
    if (e == nullptr || e->GetIndexCount() == 0 || e->GetIndexAt(0) >= e->GetDirectCount())
        return "(none)";
    return type == KScnLayerElement::eMaterial ? e->GetDirect<KScnMaterial*>()[e->GetIndexAt(0)]->GetName()
                                               : e->GetDirect<KScnTexture*>()[e->GetIndexAt(0)]->GetName();
}

// The name of the object whose property set is node M's i-th source.
std::string Used(Scene& s, int i)
{
    KPlug* src = N(s, "M")->GetPropertyHandler()->GetSrc(i);
    KScnPropertyHandler* set = src != nullptr ? src->AsPropertyHandler() : nullptr;
    return set != nullptr ? set->GetOwner()->GetName() : "(none)";
}

// Materials "m0" .. "m39", and model M listing them from the last to the first, then "m7" and "m40".
std::string ManyMaterials()
{
    std::string defined, listed;
    for (int i = 0; i < 40; ++i)
    {
        defined += "Material: \"m" + std::to_string(i) + "\"\n";
        listed += "\"m" + std::to_string(39 - i) + "\", ";
    }
    return defined + "Model: \"M\", \"Null\" {\nMaterials: " + listed + "\"m7\", \"m40\"\n}\n";
}

// The default of the node's default-take curve.
double Curve(Scene& s, const char* node, const char* second, const char* third)
{
    KScnNode* n = N(s, node);
    KFCurve* curve = n != nullptr ? n->GetDefaultTakeNode()->FindCurve(nullptr, second, third) : nullptr;
    return curve != nullptr ? curve->GetDefaultValue() : kNone;
}

// A channel's value when its default-take curve agrees with the property.
double Channel(double property, Scene& s, const char* node, const char* second, const char* third)
{
    return std::fabs(Curve(s, node, second, third) - property) < 1e-6 ? property : kNone;
}

double Kind(Scene& s, const char* node)
{
    KScnNode* n = N(s, node);
    return n == nullptr                       ? kNone
           : n->GetNodeAttribute() == nullptr ? -1
                                              : n->GetNodeAttribute()->GetAttributeKind();
}

const auto Cam = [](Scene& s, const char* node = "C") { return A<KScnCamera>(s, node)->GetProperties(); };

const auto Tex = [](Scene& s, int i = 0) { return s.GetContents()->GetTexture(i); };

const auto Mat = [](Scene& s) { return s.GetContents()->GetMaterial(0); };

// Colour component i of a material's default take: 0 emissive, 1 ambient,
// 2 diffuse, 3 specular.
double MatColour(Scene& s, int which, int i)
{
    double c[3] = {kNone, kNone, kNone};
    KScnMaterial* m = Mat(s);
    void (KScnMaterial::*get[4])(double&, double&, double&)
        const = {&KScnMaterial::GetDefaultEmissive, &KScnMaterial::GetDefaultAmbient,
                 &KScnMaterial::GetDefaultDiffuse, &KScnMaterial::GetDefaultSpecular};
    (m->*get[which])(c[0], c[1], c[2]);
    return c[i];
}

const auto Mesh = [](Scene& s) { return A<KScnMesh>(s, "M"); };

const auto Element = [](Scene& s, int layer, int type)
{ return Mesh(s)->GetLayer(layer)->GetOrCreateElement(type); };

const auto TexElement = [](Scene& s, int layer)
{ return static_cast<KScnLayerElementTexture*>(Element(s, layer, KScnLayerElement::eTexture)); };

const auto Skel = [](Scene& s, const char* node) { return A<KScnSkeleton>(s, node); };
const auto Mark = [](Scene& s, const char* node) { return A<KScnMarker>(s, node); };
const auto Lit = [](Scene& s, const char* node) { return A<KScnLight>(s, node); };
const auto Skin = [](Scene& s) { return s.GetContents()->GetDeformer(0, 1); };
const auto Cluster = [](Scene& s, int i) { return s.GetContents()->GetDeformer(i, 2); };
const auto Switcher = [](Scene& s) { return s.GetCameraSwitcherNode(); };
const auto Meta = [](Scene& s) { return s.GetSceneMetaData(); };

const auto Time = [](Scene& s) -> KScnSceneTimeSettings& { return *s.GetGlobalTimeSettings(); };
const auto Cameras = [](Scene& s) -> KScnSceneCameraSettings& { return *s.GetGlobalCameraSettings(); };
const auto Light = [](Scene& s) -> KScnSceneLightSettings& { return *s.GetGlobalLightSettings(); };

const auto Settings = [](const std::string& section, const std::string& fields)
{ return "GlobalSettings: {\n" + section + ": {\n" + fields + "\n}\n}\n"; };

class ReaderRulesTest : public testsupport::TempDirTest
{
protected:
    // Reads each case in every form into a scene of its own and checks it.
    void Run(const std::vector<SCase>& cases)
    {
        for (const SCase& c : cases)
            for (const scntest::SForm& form : scntest::EveryForm(kHeader + c.body))
            {
                SCOPED_TRACE(std::string(form.name) + " form of\n" + c.body);
                KScnSdkManager manager;
                KScnImporter& importer = *manager.CreateImporter();
                KScnSceneRoot* scene = manager.CreateScene();
                ASSERT_TRUE(c.before.empty() ||
                            (importer.Initialize(m_Dir.WriteFile("before.scn", kHeader + c.before).c_str()) &&
                             importer.Import(scene)))
                    << importer.GetStatusText();
                ASSERT_TRUE(importer.Initialize(m_Dir.WriteFile("rule.scn", form.bytes).c_str()))
                    << importer.GetStatusText();
                importer.SetPassword("sesame");
                ASSERT_TRUE(importer.Import(scene)) << importer.GetStatusText();
                std::string status;
                for (const SCheck& check : c.checks)
                    if (check.number == nullptr && check.text == nullptr)
                        status = std::to_string(static_cast<int>(check.want)) + " items skipped";
                    else if (check.text != nullptr)
                        EXPECT_EQ(check.text(*scene, importer), check.wantText) << check.what;
                    else
                        EXPECT_NEAR(check.number(*scene, importer), check.want, 1e-6) << check.what;
                EXPECT_EQ(importer.GetStatusText(), status);
            }
    }
};

// ---- Scene information and global settings ----

TEST_F(ReaderRulesTest, SceneInformationAndTimeSettings)
{
    const auto time = [](const char* fields) { return Settings("Time", fields); };
    const std::string twoMarkers = time("TimeMarker: \"A\", 0\nTimeMarker: \"B\", 0");
    Run({
        // The six texts each to its own.
        {"SceneInfo: {\nComment: \"f\"\nRevision: \"e\"\nKeywords: \"d\"\nAuthor: \"c\"\nSubject: \"b\"\n"
         "Title: \"a\"\n}\n",
         {GOT_TEXT(Meta(s)->mTitle.Buffer(), "a"), GOT_TEXT(Meta(s)->mSubject.Buffer(), "b"),
          GOT_TEXT(Meta(s)->mAuthor.Buffer(), "c"), GOT_TEXT(Meta(s)->mKeywords.Buffer(), "d"),
          GOT_TEXT(Meta(s)->mRevision.Buffer(), "e"), GOT_TEXT(Meta(s)->mComment.Buffer(), "f")}},
        // Time modes 1..13 and formats 0..2 (2 read as 1); outside counted, the defaults kept.
        {time("TimeMode: 0\nTimeFormat: 0\nSnapOnFrames: 1"),
         {GOT(Time(s).GetTimeMode(), 6), GOT(Time(s).GetTimeFormat(), 0), GOT(Time(s).GetSnapOnFrames(), 1)}},
        {time("TimeMode: 13\nTimeFormat: 2"),
         {GOT(Time(s).GetTimeMode(), 13), GOT(Time(s).GetTimeFormat(), 1)}},
        {time("TimeMode: 1\nTimeFormat: 1"),
         {GOT(Time(s).GetTimeMode(), 1), GOT(Time(s).GetTimeFormat(), 1)}},
        {time("TimeMode: 14\nTimeFormat: 3"),
         {SKIPPED(2), GOT(Time(s).GetTimeMode(), 6), GOT(Time(s).GetTimeFormat(), 1),
          GOT(Time(s).GetSnapOnFrames(), 0)}},
        {time("TimeMode: -1\nTimeFormat: -1"), {SKIPPED(2), GOT(Time(s).GetTimeMode(), 6)}},
        // Given twice, the last counts.
        {time("TimeMode: 3\nTimeFormat: 0\nTimeMode: 5\nTimeFormat: 2"),
         {GOT(Time(s).GetTimeMode(), 5), GOT(Time(s).GetTimeFormat(), 1)}},
        {time("SnapOnFrames: 2\nSnapOnFrames: 1\nTempo: 3"), {SKIPPED(1), GOT(Time(s).GetSnapOnFrames(), 1)}},
        // Markers in order, the loop optional; one without a time counted.
        {time("TimeMarker: \"A\", 0, 0\nTimeMarker: \"B\", 46186158000, 1\nTimeMarker: "
              "\"C\"\nCurrentTimeMarker: 1"),
         {SKIPPED(1), GOT(Time(s).GetTimeMarkerCount(), 2),
          GOT_TEXT(Time(s).GetTimeMarker(1)->mName.Buffer(), "B"),
          GOT(Time(s).GetTimeMarker(1)->mTime.Get(), kSecond), GOT(Time(s).GetTimeMarker(1)->mLoop, 1),
          GOT(Time(s).GetTimeMarker(0)->mLoop, 0), GOT(Time(s).GetCurrentTimeMarker(), 1)}},
        {time("TimeMarker: \"A\", 0\nCurrentTimeMarker: 1"),
         {SKIPPED(1), GOT(Time(s).GetCurrentTimeMarker(), -1)}},
        {time("TimeMarker: \"A\", 0\nCurrentTimeMarker: 0"), {GOT(Time(s).GetCurrentTimeMarker(), 0)}},
        // Markers replace the scene's; a file without any leaves them.
        {time("TimeMarker: \"C\", 0"), {GOT(Time(s).GetTimeMarkerCount(), 1)}, twoMarkers},
        {time("SnapOnFrames: 1"), {GOT(Time(s).GetTimeMarkerCount(), 2)}, twoMarkers},
        // The first GlobalSettings, and in it the first section, are read.
        {"GlobalSettings: {\nTime: {\nTimeMode: 3\n}\nTime: {\nTimeMode: 4\n}\n}\n"
         "GlobalSettings: {\nTime: {\nTimeMode: 5\n}\n}\n",
         {GOT(Time(s).GetTimeMode(), 3)}},
    });
}

TEST_F(ReaderRulesTest, CameraSettings)
{
    const auto camera = [](const std::string& fields) { return Settings("Camera", fields); };
    Run({
        {camera("DefaultCamera: \"Producer Front\"\nDefaultViewingMode: 3"),
         {GOT_TEXT(Cameras(s).GetDefaultCamera(), "Producer Front"),
          GOT(Cameras(s).GetDefaultViewingMode(), 3)}},
        {camera("DefaultCamera: \"Camera Switcher\""),
         {GOT_TEXT(Cameras(s).GetDefaultCamera(), "Camera Switcher")}},
        {camera("DefaultCamera: \"Eye\"") + Objects("Model: \"Eye\", \"Camera\""),
         {GOT_TEXT(Cameras(s).GetDefaultCamera(), "Eye")}},
        {camera("DefaultCamera: \"Nowhere\""),
         {SKIPPED(1), GOT_TEXT(Cameras(s).GetDefaultCamera(), "Producer Perspective")}},
        {camera("DefaultViewingMode: 1\nDefaultViewingMode: 2"),
         {GOT(Cameras(s).GetDefaultViewingMode(), 2)}},
        // Each producer by its name; the three vectors each to its own.
        {camera("Producer: \"Producer Perspective\" {\nPosition: 1, 2, 3\nUpVector: 0, 0, 1\nLookAt: 4, 5, "
                "6\n}\n"
                "Producer: \"Producer Bottom\" {\nPosition: 0, -7, 0\n}\nProducer: \"Producer Back\" {\n"
                "Position: 0, 0, -7\n}\nProducer: \"Producer Right\" {\nPosition: 7, 0, 0\n}\n"
                "Producer: \"Producer Left\" {\nPosition: -7, 0, 0\n}\nProducer: \"Producer Front\" {\n"
                "Position: 0, 0, 7\n}"),
         {GOT(Cameras(s).GetProducerPerspective()->GetPosition()[1], 2),
          GOT(Cameras(s).GetProducerPerspective()->GetUpVector()[2], 1),
          GOT(Cameras(s).GetProducerPerspective()->GetLookAt()[2], 6),
          GOT(Cameras(s).GetProducerBottom()->GetPosition()[1], -7),
          GOT(Cameras(s).GetProducerBack()->GetPosition()[2], -7),
          GOT(Cameras(s).GetProducerRight()->GetPosition()[0], 7),
          GOT(Cameras(s).GetProducerLeft()->GetPosition()[0], -7),
          GOT(Cameras(s).GetProducerFront()->GetPosition()[2], 7)}},
        // Short vectors, unknown properties and producers are counted.
        {camera("Producer: \"Producer Top\" {\nPosition: 1, 2\nUpVector: 1\n"
                "Properties: {\nFocalLength: 35\nNearPlane: 3\nNoSuch: 1\n}\n}\nProducer: \"Producer Aside\" "
                "{\n}"),
         {SKIPPED(4), GOT(Cameras(s).GetProducerTop()->GetFocalLength(), 35),
          GOT(Cameras(s).GetProducerTop()->GetProperties()->NearPlane.GetValue(), 3)}},
    });
}

TEST_F(ReaderRulesTest, LightSettings)
{
    const auto light = [](const std::string& fields) { return Settings("Light", fields); };
    const std::string plane = "ShadowPlane: 1, 0, 0, 0, 0, 1, 0";
    Run({
        // Three numbers keep the alpha (a new scene's is 0), four set it; each component within 0..1; fog
        // and shadow values, the intensity within 0..300.
        {light("AmbientColor: 0.1, 0.2, 0.3\nFogColor: 1.5, -1, 0.5, 0.25\nFogEnable: 1\nFogMode: 2\n"
               "FogDensity: 0.5\nShadowEnable: 1\nShadowIntensity: 300"),
         {GOT(Light(s).GetAmbientColor().mRed, 0.1), GOT(Light(s).GetAmbientColor().mBlue, 0.3),
          GOT(Light(s).GetAmbientColor().mAlpha, 0), GOT(Light(s).GetFogColor().mRed, 1),
          GOT(Light(s).GetFogColor().mGreen, 0), GOT(Light(s).GetFogColor().mBlue, 0.5),
          GOT(Light(s).GetFogColor().mAlpha, 0.25), GOT(Light(s).GetFogEnable(), 1),
          GOT(Light(s).GetFogMode(), 2), GOT(Light(s).GetFogDensity(), 0.5),
          GOT(Light(s).GetShadowEnable(), 1), GOT(Light(s).GetShadowIntensity(), 300)}},
        // Given twice, the last counts; a short colour counted. The fog end is set first, whatever the
        // order; the start is kept within it.
        {light(
             "AmbientColor: 0.1, 0.2, 0.3, 0.5\nFogColor: 0.5, 0.5\nShadowIntensity: 301\nFogDensity: 0.25\n"
             "FogDensity: 0.75\nFogStart: 1500\nFogEnd: 2000"),
         {SKIPPED(1), GOT(Light(s).GetAmbientColor().mAlpha, 0.5), GOT(Light(s).GetFogColor().mRed, 1),
          GOT(Light(s).GetShadowIntensity(), 300), GOT(Light(s).GetFogDensity(), 0.75),
          GOT(Light(s).GetFogStart(), 1500), GOT(Light(s).GetFogEnd(), 2000)}},
        {light("ShadowIntensity: -1\nFogEnable: 0\nFogMode: 1\nFogMode: 3\nFogEnd: 500\nFogStart: 700"),
         {GOT(Light(s).GetShadowIntensity(), 0), GOT(Light(s).GetFogEnable(), 0),
          GOT(Light(s).GetFogMode(), 3), GOT(Light(s).GetFogStart(), 500), GOT(Light(s).GetFogEnd(), 500)}},
        {light("FogEnd: 600"), {GOT(Light(s).GetFogStart(), 0.3), GOT(Light(s).GetFogEnd(), 600)}},
        {light("FogEnd: 0.1"), {GOT(Light(s).GetFogStart(), 0.1), GOT(Light(s).GetFogEnd(), 0.1)}},
        // Each colour keeps its own alpha; planes replace the scene's, and a file without any leaves them.
        {light("AmbientColor: 0.1, 0.2, 0.3, 0.5\nFogColor: 0.5, 0.5, 0.5"),
         {GOT(Light(s).GetFogColor().mAlpha, 0.25), GOT(Light(s).GetAmbientColor().mAlpha, 0.5)},
         light("FogColor: 1, 1, 1, 0.25\n" + plane)},
        {light("FogColor: 0.5, 0.5, 0.5\nAmbientColor: 0.1, 0.2, 0.3"),
         {GOT(Light(s).GetAmbientColor().mAlpha, 0.75), GOT(Light(s).GetFogColor().mAlpha, 0),
          GOT(Light(s).GetShadowPlaneCount(), 1)},
         light("AmbientColor: 0, 0, 0, 0.75\n" + plane)},
        {light("ShadowPlane: 0, 0, 0, 0, 0, 0, 1"),
         {GOT(Light(s).GetShadowPlaneCount(), 1)},
         light(plane + "\n" + plane)},
        // Planes in order, seven numbers each; a short one counted.
        {light("ShadowPlane: 1, 1, 2, 3, 4, 5, 6\nShadowPlane: 0, 0, 0, 0, 0, 0, 1\nShadowPlane: 1, 2, 3, 4, "
               "5, 6"),
         {SKIPPED(1), GOT(Light(s).GetShadowPlaneCount(), 2), GOT(Light(s).GetShadowPlane(0)->mEnable, 1),
          GOT(Light(s).GetShadowPlane(0)->mOrigin[0], 1), GOT(Light(s).GetShadowPlane(0)->mOrigin[2], 3),
          GOT(Light(s).GetShadowPlane(0)->mNormal[0], 4), GOT(Light(s).GetShadowPlane(0)->mNormal[2], 6),
          GOT(Light(s).GetShadowPlane(1)->mEnable, 0), GOT(Light(s).GetShadowPlane(1)->mNormal[2], 1)}},
    });
}

// ---- Properties and user properties ----

TEST_F(ReaderRulesTest, PropertiesByType)
{
    const auto camera = [](const char* props)
    { return Objects(Block("Model: \"C\", \"Camera\"", Block("Properties:", props))); };
    const auto light = [](const char* name, const char* type)
    { return Block(std::string("Model: \"") + name + "\", \"Light\"", Block("Properties:", type)); };
    Run({
        // Enumerations by name (bare or quoted) or number; first and last.
        {camera("ApertureMode: Horizontal\nShowGrid: 0\nNearPlane: 0.0001\nFrameColor: 0.1, 0.2, 0.3"),
         {GOT(Cam(s)->ApertureMode.GetValue(), KScnCamera::eHorizontal), GOT(Cam(s)->ShowGrid.GetValue(), 0),
          GOT(Cam(s)->NearPlane.GetValue(), 0.0001), GOT(P(Cam(s), "FrameColor", 0), 0.1),
          GOT(P(Cam(s), "FrameColor", 2), 0.3)}},
        {Objects(light("L", "LightType: \"Point Light\"") + light("K", "LightType: \"Spot Light\"") +
                 light("J", "LightType: 1") + light("I", "LightType: 2\nLightType: 3")),
         {SKIPPED(1), GOT(Lit(s, "L")->GetLightType(), KScnLight::ePoint),
          GOT(Lit(s, "K")->GetLightType(), KScnLight::eSpot), GOT(Lit(s, "J")->GetLightType(), 1),
          GOT(Lit(s, "I")->GetLightType(), 2)}},
        {Objects(
             "Texture: \"T\" {\nFileName: \"t.tga\"\nProperties: {\nCurrentTextureBlendMode: Modulate2\n"
             "WrapModeU: Clamp\nWrapModeV: 0\n}\n}\nTexture: \"U\" {\nFileName: \"u.tga\"\nProperties: {\n"
             "CurrentTextureBlendMode: Translucent\nWrapModeU: 2\n}\n}"),
         {SKIPPED(1), GOT(Tex(s)->GetBlendMode(), 3), GOT(Tex(s)->GetWrapModeU(), 1),
          GOT(Tex(s)->GetWrapModeV(), 0), GOT(Tex(s, 1)->GetBlendMode(), 0),
          GOT(Tex(s, 1)->GetWrapModeU(), 0)}},
        // Three-component vectors; too few values counted and the value kept; extra values ignored.
        {Objects("Model: \"K\", \"Marker\" {\nProperties: {\nIKPivot: 1, 2, 3\nSize: 4, 5\n}\n}\n"
                 "Model: \"Q\", \"Marker\" {\nProperties: {\nIKPivot: 7, 8\nSize:\n}\n}"),
         {SKIPPED(2), GOT(Mark(s, "K")->GetIKPivot()[0], 1), GOT(Mark(s, "K")->GetIKPivot()[2], 3),
          GOT(Mark(s, "K")->GetSize(), 4), GOT(Mark(s, "Q")->GetIKPivot()[0], 0),
          GOT(Mark(s, "Q")->GetSize(), 100)}},
        // The node's own set first: the transform, each axis its own.
        {Objects("Model: \"A\" {\nProperties: {\n\"Lcl Translation\": 1, 2, 3\n\"Lcl Rotation\": 10, 20, 30\n"
                 "\"Lcl Scaling\": 4, 5, 6\nVisibility: 0\nNoSuchProperty: 1\n}\n}"),
         {SKIPPED(1), GOT(NodeP(s, "A", "Lcl Translation", 2), 3), GOT(NodeP(s, "A", "Lcl Rotation", 0), 10),
          GOT(NodeP(s, "A", "Lcl Rotation", 1), 20), GOT(NodeP(s, "A", "Lcl Rotation", 2), 30),
          GOT(NodeP(s, "A", "Lcl Scaling", 2), 6), GOT(N(s, "A")->GetVisibility(), 0)}},
        {Objects("Model: \"A\" {\nProperties: {\n\"Lcl Rotation\": 10, 20\nVisibility: 1\n}\n}"),
         {SKIPPED(1), GOT(NodeP(s, "A", "Lcl Rotation", 0), 0), GOT(N(s, "A")->GetVisibility(), 1)}},
    });
}

TEST_F(ReaderRulesTest, UserPropertiesByDataType)
{
    const auto user = [](const char* lines) { return Objects(Block("Model: \"A\"", lines)); };
    Run({
        {user("UserProperty: \"b\", \"Bool\", \"\", 1\nUserProperty: \"i\", \"Integer\", \"\", -7\n"
              "UserProperty: \"e\", \"Enum\", \"\", 3\nUserProperty: \"a\", \"Action\", \"\", 1\n"
              "UserProperty: \"n\", \"Number\", \"\", 0.25\nUserProperty: \"r\", \"Real\", \"\", 0.5, 9\n"
              "UserProperty: \"k\", \"Intensity\", \"\", 75\nUserProperty: \"v\", \"Vector\", \"\", 1, 2, 3\n"
              "UserProperty: \"c\", \"Color\", \"\", 0.1, 0.2, 0.3\n"
              "UserProperty: \"x\", \"ColorAndAlpha\", \"\", 0.1, 0.2, 0.3\n"
              "UserProperty: \"y\", \"ColorAndAlpha\", \"\", 0.1, 0.2, 0.3, 0.4"),
         {GOT(User(s, "b"), 1), GOT(User(s, "i"), -7), GOT(User(s, "e"), 3), GOT(User(s, "a"), 1),
          GOT(User(s, "n"), 0.25), GOT(User(s, "r"), 0.5), GOT(User(s, "k"), 75), GOT(User(s, "v", 0), 1),
          GOT(User(s, "v", 1), 2), GOT(User(s, "v", 2), 3), GOT(User(s, "c", 0), 0.1),
          GOT(User(s, "c", 2), 0.3), GOT(User(s, "x", 2), 0.3), GOT(User(s, "x", 3), 1),
          GOT(User(s, "y", 3), 0.4)}},
        // A time keeps its ticks; no value leaves the type's default; the label is kept.
        {user("UserProperty: \"t\", \"Time\", \"\", 46186158000\nUserProperty: \"z\", \"Real\", \"weight\"\n"
              "UserProperty: \"w\", \"Integer\", \"\""),
         {GOT(UserTime(s, "t"), kSecond), GOT(User(s, "z"), 0), GOT(User(s, "w"), 0),
          GOT_TEXT(N(s, "A")->FindUserPropertyByName("z")->GetLabel(), "weight")}},
        // Too few values: kept, counted; unknown types and types without a property: none, counted.
        {user("UserProperty: \"v\", \"Vector\", \"\", 1, 2\nUserProperty: \"q\", \"Quaternion\", \"\", 1\n"
              "UserProperty: \"f\", \"Vector4\", \"\", 1, 2, 3, 4"),
         {SKIPPED(3), GOT(User(s, "v", 0), 0), GOT(N(s, "A")->FindUserPropertyByName("q") == nullptr, 1),
          GOT(N(s, "A")->FindUserPropertyByName("f") == nullptr, 1)}},
        // On other kinds the field is ignored.
        {Objects("Material: \"M\" {\nUserProperty: \"b\", \"Bool\", \"\", 1\n}"),
         {GOT(std::isnan(P(Mat(s)->GetPropertyHandler(), "b")), 1)}},
    });
}

// ---- Materials and textures ----

TEST_F(ReaderRulesTest, MaterialValues)
{
    const auto material = [](const char* fields) { return Objects(Block("Material: \"M\"", fields)); };
    Run({
        // Each colour to its own, as given (only the opacity and the reflectivity are kept within
        // 0..1), the property and the default take alike.
        {material("Properties: {\nEmissive: 0.1, 0.2, 0.3\nAmbient: 0.4, 0.5, 0.6\nDiffuse: 2, -1, 0.5\n"
                  "Specular: 0.7, 0.8, 0.9\nOpacity: 0.25\nReflectivity: 0.75\nShininess: 100\n}"),
         {GOT(MatColour(s, 0, 0), 0.1), GOT(MatColour(s, 0, 2), 0.3), GOT(MatColour(s, 1, 0), 0.4),
          GOT(MatColour(s, 2, 0), 2), GOT(MatColour(s, 2, 1), -1), GOT(MatColour(s, 3, 2), 0.9),
          GOT(P(Mat(s)->GetPropertyHandler(), "Specular", 1), 0.8), GOT(Mat(s)->GetDefaultOpacity(), 0.25),
          GOT(Mat(s)->GetDefaultReflectivity(), 0.75),
          GOT(Mat(s)->GetMaterialProperties()->Shininess.GetValue(), 100),
          GOT(Mat(s)->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 100),
          GOT_TEXT(Mat(s)->GetShadingModel(), "phong"), GOT(Mat(s)->GetMultiLayer(), 0)}},
        {material("ShadingModel: \"lambert\"\nMultiLayer: 1\nProperties: {\nOpacity: 3\nReflectivity: -2\n"
                  "Ambient: 1, 1\nNoSuch: 1\n}"),
         {SKIPPED(2), GOT_TEXT(Mat(s)->GetShadingModel(), "lambert"), GOT(Mat(s)->GetMultiLayer(), 1),
          GOT(Mat(s)->GetDefaultOpacity(), 1), GOT(Mat(s)->GetDefaultReflectivity(), 0),
          GOT(MatColour(s, 1, 0), 0.2)}},
    });
}

const auto Mapping = [](Scene& s, int i)
{ return Tex(s, i)->GetTextureProperties()->GetCurrentMappingType(); };

TEST_F(ReaderRulesTest, TextureFields)
{
    const auto texture = [](const char* fields)
    { return Objects(Block("Texture: \"T\"", std::string("FileName: \"Data/t.tga\"\n") + fields)); };
    const auto many = [](std::vector<const char*> textures)
    {
        std::string all;
        for (size_t i = 0; i < textures.size(); ++i)
            all += Block("Texture: \"T" + std::string(1, static_cast<char>('a' + i)) + "\"", // stems apart
                         std::string("FileName: \"t\"\n") + textures[i]);
        return Objects(all);
    };
    Run({
        // The mapping types 1..7 and what each shows; the normal after the mapping type still applies;
        // properties stand over the mapping fields; outside the ranges counted, the defaults kept.
        {many({"MappingType: 1\nPlanarNormal: 0", "MappingType: 1\nPlanarNormal: 1",
               "PlanarNormal: 2\nMappingType: 1", "MappingType: 2", "MappingType: 7",
               "MappingType: 1\nPlanarNormal: 2\nProperties: {\nCurrentMappingType: Box\n}",
               "MappingType: 0\nPlanarNormal: 3", "MappingType: 8\nPlanarNormal: 2"}),
         {SKIPPED(3), GOT(Tex(s)->GetMappingType(), 1), GOT(Tex(s)->GetPlanarMappingNormal(), 0),
          GOT(Mapping(s, 0), eUMT_X), GOT(Mapping(s, 1), eUMT_Y), GOT(Mapping(s, 2), eUMT_Z),
          GOT(Mapping(s, 3), eUMT_Spherical), GOT(Tex(s, 4)->GetMappingType(), 7),
          GOT(Mapping(s, 4), eUMT_Environment), GOT(Mapping(s, 5), eUMT_Box),
          GOT(Tex(s, 6)->GetMappingType(), 6), GOT(Tex(s, 6)->GetPlanarMappingNormal(), 0),
          GOT(Tex(s, 7)->GetMappingType(), 6), GOT(Tex(s, 7)->GetPlanarMappingNormal(), 2)}},
        // Cropping in the setter's order; the pairs u, v; extra values ignored.
        {texture("Cropping: 1, 2, 3, 4, 5\nAlphaSource: 3\nUVTranslation: 0.5, 0.25, 9\nUVScaling: 2, 3\n"
                 "RelativeFileName: \"t.tga\"\nMedia: \"clip\""),
         {GOT(Tex(s)->GetCroppingField(0), 1), GOT(Tex(s)->GetCroppingField(1), 3),
          GOT(Tex(s)->GetCroppingField(2), 2), GOT(Tex(s)->GetCroppingField(3), 4),
          GOT(Tex(s)->GetAlphaSource(), 3), GOT(Tex(s)->GetUVTranslation().u, 0.5),
          GOT(Tex(s)->GetUVTranslation().v, 0.25), GOT(Tex(s)->GetUVScaling().u, 2),
          GOT(Tex(s)->GetUVScaling().v, 3), GOT_TEXT(Tex(s)->GetFileName(), "Data/t.tga"),
          GOT_TEXT(Tex(s)->GetRelativeFileName(), "t.tga"), GOT_TEXT(Tex(s)->GetMediaName(), "clip")}},
        {texture("Cropping: 1, 2, 3\nUVTranslation: 0.5\nUVScaling: 2\nAlphaSource:"),
         {SKIPPED(4), GOT(Tex(s)->GetCroppingField(1), 0), GOT(Tex(s)->GetUVTranslation().u, 0),
          GOT(Tex(s)->GetUVScaling().u, 1)}},
    });
}

// The name of the object entry e of the node's material or texture element
// refers to ("(none)" for no entry).
std::string BoundAt(Scene& s, const char* node, int type, int e)
{
    KScnLayerElement* el = A<KScnMesh>(s, node)->GetLayer(0)->GetElement(type);
    const int index = el != nullptr && e < el->GetIndexCount() ? el->GetIndexAt(e) : -1;
    if (index < 0 || index >= el->GetDirectCount())
        return "(none)";
    return type == KScnLayerElement::eMaterial ? el->GetDirect<KScnMaterial*>()[index]->GetName()
                                               : el->GetDirect<KScnTexture*>()[index]->GetName();
}

// How many objects of the kind (material, texture) hang on the node.
int Connected(Scene& s, const char* node, int kind)
{
    KScnPropertyHandler* set = N(s, node)->GetPropertyHandler();
    int n = 0;
    for (int i = 0; i < set->GetSrcCount(); ++i)
    {
        auto* source = dynamic_cast<KScnPropertyHandler*>(set->GetSrc(i));
        n += source != nullptr && source->GetOwner()->GetObjectKind() == kind ? 1 : 0;
    }
    return n;
}

TEST_F(ReaderRulesTest, RepeatsDroppedByTheirDuplicateTests)
{
    const auto two = [](const char* kind, const char* a, const char* b, const char* fieldsA, const char* fieldsB)
    {
        return Block(std::string(kind) + ": \"" + a + "\"", fieldsA) +
               Block(std::string(kind) + ": \"" + b + "\"", fieldsB);
    };
    // A mesh of two triangles whose texture (material) element gives polygon i the i-th entry of the
    // model's Textures (Materials) list.
    const auto mesh = [](const char* list, const char* element)
    {
        return Block("Model: \"M\", \"Mesh\"",
                     std::string(list) + "\n" +
                         Block("Mesh:", std::string("ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0\n"
                                                    "PolygonSizes: 3, 3\nPolygonVertices: 0, 1, 2, 0, 2, 3\n") +
                                            Block("Layer: 0", Block(element, "Mapping: ByPolygon\nIndices: 0, 1"))));
    };
    const char* wood = "FileName: \"w.tga\"";
    const int kTexture = KScnObject::eKindTexture;
    const int T = KScnLayerElement::eTexture, M = KScnLayerElement::eMaterial;
    Run({
        // Materials of one name: the shading model without regard to case, a value given as its default,
        // a number that rounds to the same single-precision value, all one material; the first stays.
        {Objects(two("Material", "M", "M", "ShadingModel: \"phong\"", "ShadingModel: \"PHONG\"")),
         {GOT(s.GetContents()->GetMaterialCount(), 1), GOT_TEXT(Mat(s)->GetShadingModel(), "phong")}},
        {Objects(two("Material", "M", "M", "Properties: {\nOpacity: 1\n}", "MultiLayer: 1")),
         {GOT(s.GetContents()->GetMaterialCount(), 1), GOT(Mat(s)->GetMultiLayer(), 0)}},
        {Objects(two("Material", "M", "M", "Properties: {\nDiffuse: 0.1, 0.1, 0.1\n}",
                     "Properties: {\nDiffuse: 0.100000001, 0.1, 0.1\n}") +
                 mesh("Materials: \"M\", \"M\"", "LayerElementMaterial:")),
         {GOT(s.GetContents()->GetMaterialCount(), 1), GOT(Connected(s, "M", KScnObject::eKindMaterial), 1),
          GOT_TEXT(BoundAt(s, "M", M, 1), "Material::M")}},
        // Textures whose names differ in trailing digits only, with equal settings: the second is dropped
        // and every reference to it (the model's list, its layer's entries) goes to the first.
        {Objects(two("Texture", "Wood1", "Wood2", wood, wood) +
                 mesh("Textures: \"Wood1\", \"Wood2\"", "LayerElementTexture:")),
         {GOT(s.GetContents()->GetTextureCount(), 1), GOT(Connected(s, "M", kTexture), 1),
          GOT_TEXT(BoundAt(s, "M", T, 0), "Texture::Wood1"), GOT_TEXT(BoundAt(s, "M", T, 1), "Texture::Wood1")}},
        {Objects(two("Texture", "Wood", "Wood", wood, wood) + mesh("Textures: \"Wood\", \"Wood\"", "LayerElementTexture:")),
         {GOT(s.GetContents()->GetTextureCount(), 1), GOT_TEXT(BoundAt(s, "M", T, 1), "Texture::Wood")}},
        // Other settings, or another stem, keep both.
        {Objects(two("Texture", "Wood1", "Wood2", wood, "FileName: \"v.tga\"") +
                 mesh("Textures: \"Wood1\", \"Wood2\"", "LayerElementTexture:")),
         {GOT(s.GetContents()->GetTextureCount(), 2), GOT_TEXT(BoundAt(s, "M", T, 1), "Texture::Wood2")}},
        {Objects(two("Texture", "Wood1", "Oak1", wood, wood)), {GOT(s.GetContents()->GetTextureCount(), 2)}},
        // A name the file does not define takes no entry and moves no other.
        {Objects(Block("Texture: \"Wood\"", wood) + mesh("Textures: \"Nope\", \"Wood\"", "LayerElementTexture:")),
         {SKIPPED(1), GOT_TEXT(BoundAt(s, "M", T, 0), "(none)"), GOT_TEXT(BoundAt(s, "M", T, 1), "Texture::Wood")}},
    });
}

// ---- Models ----

TEST_F(ReaderRulesTest, AttributeKindsAndSubKinds)
{
    using K = KScnNodeAttribute;
    Run({
        {Objects("Model: \"S\", \"Shape\"\nModel: \"N\", \"Null\"\nModel: \"K\", \"Marker\"\n"
                 "Model: \"B\", \"Skeleton\"\nModel: \"M\", \"Mesh\"\nModel: \"U\", \"Nurb\"\n"
                 "Model: \"P\", \"Patch\"\nModel: \"C\", \"Camera\"\nModel: \"L\", \"Light\"\n"
                 "Model: \"O\", \"OpticalReference\"\nModel: \"W\", \"CameraSwitcher\"\nModel: \"X\"\n"
                 "Model: \"Y\", \"\"\nModel: \"Z\", \"Teapot\""),
         {SKIPPED(1), GOT(Kind(s, "S"), K::eShape), GOT(Kind(s, "N"), K::eNull),
          GOT(Kind(s, "K"), K::eMarker), GOT(Kind(s, "B"), K::eSkeleton), GOT(Kind(s, "M"), K::eMesh),
          GOT(Kind(s, "U"), K::eNurb), GOT(Kind(s, "P"), K::ePatch), GOT(Kind(s, "C"), K::eCamera),
          GOT(Kind(s, "L"), K::eLight), GOT(Kind(s, "O"), K::eOpticalReference),
          GOT(Switcher(s)->GetNodeAttribute()->GetAttributeKind(), K::eCameraSwitcher), GOT(Kind(s, "X"), -1),
          GOT(Kind(s, "Y"), -1), GOT(Kind(s, "Z"), -1), GOT(Mesh(s)->GetControlPointsCount(), 0),
          GOT(A<KScnPatch>(s, "P")->GetControlPointsCount(), 0),
          GOT(A<KScnNurb>(s, "U")->GetControlPointsCount(), 0)}},
        {Objects("Model: \"R\", \"Skeleton\", \"Root\"\nModel: \"E\", \"Skeleton\", \"Effector\"\n"
                 "Model: \"T\", \"Skeleton\", \"Tail\"\nModel: \"K\", \"Marker\", \"Marker\"\n"
                 "Model: \"F\", \"Marker\", \"FKEffector\"\nModel: \"I\", \"Marker\", \"IKEffector\"\n"
                 "Model: \"G\", \"Marker\", \"Glow\"\nModel: \"N\", \"Null\", \"Limb\""),
         {SKIPPED(2), GOT(Skel(s, "R")->GetSkeletonKind(), KScnSkeleton::eRoot),
          GOT(Skel(s, "E")->GetSkeletonKind(), KScnSkeleton::eEffector),
          GOT(Skel(s, "T")->GetSkeletonKind(), KScnSkeleton::eRoot),
          GOT(Mark(s, "K")->GetMarkerKind(), KScnMarker::eMarker),
          GOT(Mark(s, "F")->GetMarkerKind(), KScnMarker::eFKEffector),
          GOT(Mark(s, "I")->GetMarkerKind(), KScnMarker::eIKEffector),
          GOT(Mark(s, "G")->GetMarkerKind(), KScnMarker::eMarker),
          GOT(N(s, "I")->GetDefaultTakeNode()->FindCurve(nullptr, "IK Reach Translation", nullptr) != nullptr,
              1)}},
    });
}

TEST_F(ReaderRulesTest, ModelFields)
{
    const char* const triangle =
        "ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\nPolygonSizes: 3\nPolygonVertices: 0, 1, 2\n";
    Run({
        // The shading letters W F Y T U are modes 1 to 5, 3 when absent.
        {Objects(
             "Model: \"W\" {\nShading: W\n}\nModel: \"F\" {\nShading: F\n}\nModel: \"Y\" {\nShading: Y\n}\n"
             "Model: \"T\" {\nShading: T\n}\nModel: \"U\" {\nShading: \"U\"\n}\nModel: \"A\"\n"
             "Model: \"Q\" {\nShading: Q\n}\nModel: \"R\" {\nShading: \"WF\"\n}\nModel: \"E\" {\nShading: "
             "\"\"\n}"),
         {SKIPPED(3), GOT(N(s, "W")->GetShadingMode(), 1), GOT(N(s, "F")->GetShadingMode(), 2),
          GOT(N(s, "Y")->GetShadingMode(), 3), GOT(N(s, "T")->GetShadingMode(), 4),
          GOT(N(s, "U")->GetShadingMode(), 5), GOT(N(s, "A")->GetShadingMode(), 3),
          GOT(N(s, "Q")->GetShadingMode(), 3), GOT(N(s, "R")->GetShadingMode(), 3)}},
        // Children in order; the rest under the root in file order.
        {Objects("Model: \"A\" {\nChildren: \"C\", \"B\"\n}\nModel: \"B\"\nModel: \"C\" {\nChildren: \"D\", "
                 "\"Nobody\"\n}\nModel: \"D\"\nModel: \"E\""),
         {SKIPPED(1), GOT(s.GetRootNode()->GetChildCount(), 2),
          GOT_TEXT(s.GetRootNode()->GetChild(1)->GetName(), "Model::E"),
          GOT_TEXT(N(s, "A")->GetChild(0)->GetName(), "Model::C"),
          GOT_TEXT(N(s, "A")->GetChild(1)->GetName(), "Model::B"),
          GOT_TEXT(N(s, "D")->GetParent()->GetName(), "Model::C")}},
        // The switcher's camera index: given, absent; elsewhere counted.
        {Objects("Model: \"W\", \"CameraSwitcher\" {\nCameraIndex: 4\n}\nModel: \"A\", \"Null\" "
                 "{\nCameraIndex: 2\n}"),
         {SKIPPED(1), GOT(Switcher(s)->GetDefaultTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 4),
          GOT_TEXT(Switcher(s)->GetName(), "Model::W"), GOT(N(s, "W") == nullptr, 1)}},
        {Objects("Model: \"W\", \"CameraSwitcher\" {\nCameraIndex:\n}"),
         {GOT(Switcher(s)->GetDefaultTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 1)}},
        // A Mesh block makes a mesh whatever the word; a Patch block on another kind is ignored.
        {Objects(Block("Model: \"M\", \"Null\"", Block("Mesh:", triangle)) +
                 "Model: \"N\", \"Null\" {\nPatch: {\nDimensions: 1, 1\nControlPoints: 0, 0, 0\n}\n}"),
         {GOT(Kind(s, "M"), KScnNodeAttribute::eMesh), GOT(Mesh(s)->GetPolygonCount(), 1),
          GOT(Kind(s, "N"), KScnNodeAttribute::eNull)}},
        // Materials and textures hang in the order given: the layers' indices are positions in these lists.
        {Objects(Block("Model: \"M\", \"Mesh\"",
                       "Materials: \"Y\", \"X\"\nTextures: \"V\", \"U\", \"Nothing\"\n" +
                           Block("Mesh:",
                                 std::string(triangle) +
                                     "Layer: 0 {\nLayerElementMaterial: {\nMapping: AllSame\nIndices: 1\n}\n"
                                     "LayerElementTexture: {\nMapping: AllSame\nIndices: 0\n}\n}")) +
                 "Material: \"X\"\nMaterial: \"Y\"\nTexture: \"U\" {\nFileName: \"u\"\n}\n"
                 "Texture: \"V\" {\nFileName: \"v\"\n}"),
         {SKIPPED(1), GOT_TEXT(Bound(s, "M", KScnLayerElement::eMaterial), "Material::X"),
          GOT_TEXT(Bound(s, "M", KScnLayerElement::eTexture), "Texture::V")}},
        // Past a look-up table's first few names: in order, a repeat once, an undefined name counted.
        {Objects(ManyMaterials()),
         {SKIPPED(1), GOT(N(s, "M")->GetPropertyHandler()->GetSrcCount(), 40),
          GOT_TEXT(Used(s, 0), "Material::m39"), GOT_TEXT(Used(s, 17), "Material::m22"),
          GOT_TEXT(Used(s, 39), "Material::m0")}},
    });
}

// ---- Attribute properties ----

// A camera channel's value when its default-take curve agrees with the property.
const auto CamChannel = [](Scene& s, const char* name)
{ return Channel(P(Cam(s), name), s, "C", nullptr, name); };

TEST_F(ReaderRulesTest, AttributePropertiesThroughTheirSetters)
{
    const auto model = [](const char* name, const char* kind, const char* props)
    { return std::string("Model: \"") + name + "\", " + kind + " {\nProperties: {\n" + props + "\n}\n}\n"; };
    Run({
        {Objects(model("N", "\"Null\"", "Size: 30") + "Model: \"O\", \"Null\"\n" +
                 model("K", "\"Marker\"", "Color: 2, 0.5, -1, 0.25")),
         {GOT(A<KScnNull>(s, "N")->GetSize(), 30), GOT(A<KScnNull>(s, "N")->IsSizeSet(), 1),
          GOT(A<KScnNull>(s, "O")->IsSizeSet(), 0), GOT(Mark(s, "K")->GetColor().mRed, 1),
          GOT(Mark(s, "K")->GetColor().mBlue, 0)}},
        // A limb takes all three; a limb node no length; an effector and a root neither length nor colour.
        {Objects(model("L", "\"Skeleton\", \"Limb\"", "Size: 2\nLimbLength: 12\nColor: 0.1, 0.2, 0.3") +
                 model("M", "\"Skeleton\", \"LimbNode\"", "LimbLength: 12\nColor: 0.4, 0.5, 0.6") +
                 model("E", "\"Skeleton\", \"Effector\"", "Color: 0.4, 0.5, 0.6\nSize: 5") +
                 model("R", "\"Skeleton\"", "LimbLength: 12")),
         {SKIPPED(3), GOT(Skel(s, "L")->GetSize(), 2), GOT(Skel(s, "L")->IsSizeSet(), 1),
          GOT(Skel(s, "L")->GetLimbLength(), 12), GOT(Skel(s, "L")->IsLimbLengthSet(), 1),
          GOT(Skel(s, "L")->GetLimbColor().mGreen, 0.2), GOT(Skel(s, "L")->IsColorSet(), 1),
          GOT(Skel(s, "M")->IsLimbLengthSet(), 0), GOT(Skel(s, "M")->GetLimbColor().mBlue, 0.6),
          GOT(Skel(s, "E")->IsColorSet(), 0), GOT(Skel(s, "E")->GetSize(), 5),
          GOT(Skel(s, "R")->IsLimbLengthSet(), 0)}},
        // A light's and a camera's channels each to its own, the property and the default take's curve
        // alike; a camera's format sets no preset.
        {Objects(
             model("L", "\"Light\"",
                   "Color: 0.1, 0.2, 0.3\nIntensity: 42\n\"Cone angle\": 30\nFog: 10\nCastLightOnObject: 0") +
             model("C", "\"Camera\"",
                   "FieldOfView: 40\nFieldOfViewX: 41\nFieldOfViewY: 42\nOpticalCenterX: 0.25\n"
                   "OpticalCenterY: 0.75\nRoll: 5\nTurnTable: 6\nBackgroundColor: 0.1, 0.2, 2\nCameraFormat: "
                   "PAL") +
             "Model: \"D\", \"Camera\""),
         {GOT(Channel(Lit(s, "L")->GetColor().mRed, s, "L", "Color", "X"), 0.1),
          GOT(Curve(s, "L", "Color", "Y"), 0.2f), GOT(Curve(s, "L", "Color", "Z"), 0.3f),
          GOT(Channel(Lit(s, "L")->GetIntensity(), s, "L", nullptr, "Intensity"), 42),
          GOT(Channel(Lit(s, "L")->GetConeAngle(), s, "L", nullptr, "Cone angle"), 30),
          GOT(Channel(Lit(s, "L")->GetFog(), s, "L", nullptr, "Fog"), 10),
          GOT(Lit(s, "L")->GetCastLight(), 0), GOT(CamChannel(s, "FieldOfView"), 40),
          GOT(CamChannel(s, "FieldOfViewX"), 41), GOT(CamChannel(s, "FieldOfViewY"), 42),
          GOT(CamChannel(s, "OpticalCenterX"), 0.25), GOT(CamChannel(s, "OpticalCenterY"), 0.75),
          GOT(CamChannel(s, "Roll"), 5), GOT(CamChannel(s, "TurnTable"), 6),
          GOT(Channel(A<KScnCamera>(s, "C")->GetBackgroundColor().mRed, s, "C", "BackgroundColor", "X"),
              0.1f),
          GOT(Channel(A<KScnCamera>(s, "C")->GetBackgroundColor().mBlue, s, "C", "BackgroundColor", "Z"), 1),
          GOT(A<KScnCamera>(s, "C")->GetBackgroundColor().mGreen, 0.2f),
          GOT(Cam(s)->AspectW.GetValue() == Cam(s, "D")->AspectW.GetValue(), 1),
          GOT(Cam(s)->FieldOfViewX->GetDouble() == Cam(s, "D")->FieldOfViewX->GetDouble(), 0)}},
        // Too few values, names neither set has, attributes without a set.
        {Objects(model("C", "\"Camera\"", "FieldOfViewX:\nBackgroundColor: 1, 1\nRoll: 3, 4\nSize: 3") +
                 model("M", "\"Mesh\"", "Size: 3") + model("P", "\"Patch\"", "Look: 1")),
         {SKIPPED(5), GOT(Cam(s)->Roll->GetDouble(), 3)}},
    });
}

// ---- Geometry ----

TEST_F(ReaderRulesTest, MeshLayers)
{
    const auto mesh = [](const char* layers)
    {
        return Objects(Block("Model: \"M\", \"Mesh\"",
                             "Textures: \"T\"\n" +
                                 Block("Mesh:", std::string("ControlPoints: 0, 0, 0, 1, 2, 3, 4, 5, 6\n"
                                                            "PolygonSizes: 3\nPolygonVertices: 0, 2, 1\n") +
                                                    layers)) +
                       "Texture: \"T\" {\nFileName: \"t\"\n}");
    };
    using E = KScnLayerElement;
    Run({
        {mesh("Layer: 0 {\nLayerElementNormal: {\nMapping: ByControlPoint\nValues: 0, 0, 1, 0, 1, 0, 1, 0, "
              "0\n}\n"
              "LayerElementUV: {\nMapping: ByPolygonVertex\nReference: IndexToDirect\nValues: 0.25, 0.5, "
              "0.75, 1\n"
              "Indices: 1, 0, 1\n}\nLayerElementColor: {\nMapping: AllSame\nValues: 0.1, 0.2, 0.3, 0.4\n}\n"
              "LayerElementPolygonGroup: {\nMapping: ByPolygon\nReference: 0\nValues: 7\n}\n}"),
         {GOT(Mesh(s)->GetControlPointAt(1)[0], 1), GOT(Mesh(s)->GetControlPointAt(2)[2], 6),
          GOT(Mesh(s)->GetPolygonVertex(0, 1), 2), GOT(Element(s, 0, E::eNormal)->GetMappingMode(), 1),
          GOT(Element(s, 0, E::eNormal)->GetReferenceMode(), 0),
          GOT(Element(s, 0, E::eNormal)->GetDirectVector(1)[1], 1),
          GOT(Element(s, 0, E::eNormal)->GetDirectVector(2)[0], 1),
          GOT(Element(s, 0, E::eNormal)->GetDirectVector(2)[3], 0),
          GOT(Element(s, 0, E::eUV)->GetMappingMode(), 2), GOT(Element(s, 0, E::eUV)->GetReferenceMode(), 2),
          GOT(Element(s, 0, E::eUV)->GetDirectCount(), 2),
          GOT(static_cast<double*>(Element(s, 0, E::eUV)->GetDirectItem(1))[0], 0.75),
          GOT(static_cast<double*>(Element(s, 0, E::eUV)->GetDirectItem(0))[1], 0.5),
          GOT(Element(s, 0, E::eUV)->GetIndexAt(0), 1), GOT(Element(s, 0, E::eColor)->GetMappingMode(), 4),
          GOT(Element(s, 0, E::eColor)->GetDirectVector(0)[3], 0.4),
          GOT(Element(s, 0, E::ePolygonGroup)->GetMappingMode(), 3),
          GOT(*static_cast<int32_t*>(Element(s, 0, E::ePolygonGroup)->GetDirectItem(0)), 7)}},
        // Modes by number; ByVertice; the texture element's defaults and values; a later layer makes the
        // ones before it.
        {mesh("Layer: 2 {\nLayerElementNormal: {\nMapping: 4\nReference: 1\nIndices: 5\n}\n"
              "LayerElementTexture: {\nMapping: ByVertice\nIndices: 0, 0, 0\nBlendMode: 2\nAlpha: 0.5\n}\n}\n"
              "Layer: 1 {\nLayerElementTexture: {\nMapping: 0\n}\nLayerElementMaterial: {\nMapping: "
              "NoMapping\n}\n}"),
         {GOT(Mesh(s)->GetLayerCount(), 3), GOT(Element(s, 2, E::eNormal)->GetMappingMode(), 4),
          GOT(Element(s, 2, E::eNormal)->GetReferenceMode(), 1), GOT(TexElement(s, 2)->GetMappingMode(), 1),
          GOT(TexElement(s, 2)->GetReferenceMode(), 2), GOT(TexElement(s, 2)->GetBlendMode(), 2),
          GOT(TexElement(s, 2)->GetAlpha(), 0.5), GOT(TexElement(s, 1)->GetBlendMode(), 0),
          GOT(TexElement(s, 1)->GetAlpha(), 1), GOT(Element(s, 1, E::eMaterial)->GetReferenceMode(), 2)}},
    });
}

const auto Patch = [](Scene& s) { return A<KScnPatch>(s, "P"); };

const auto Nurb = [](Scene& s) { return A<KScnNurb>(s, "U"); };

TEST_F(ReaderRulesTest, PatchesNurbsAndShapes)
{
    const auto patch = [](const char* fields)
    {
        return Objects(std::string("Model: \"P\", \"Patch\" {\nPatch: {\nDimensions: 2, 3\n") + fields +
                       "\nControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0, 1, 2, 5\n}\n}");
    };
    const auto nurb = [](const char* fields, const char* form)
    {
        return Objects(
            std::string("Model: \"U\", \"Nurb\" {\nNurb: {\nOrder: 2, 3\nDimensions: 2, 2\nForm: ") + form +
            "\nControlPoints: 0, 0, 0, 1, 1, 0, 0, 0.5, 0, 1, 0, 0.25, 1, 1, 0, 2\n" + fields +
            "\n}\nShape: \"S\" {\nControlPoints: 0, 0, 1, 1, 1, 0, 1, 3, 0, 1, 1, 4, 1, 1, 1, 5\n"
            "Normals: 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0, 1\n}\n}");
    };
    Run({
        {patch("PatchType: BezierQuadric, Cardinal\nStep: 3, 4\nSurfaceDisplay: 1, 8, 9\nClosed: 0, 1\n"
               "UCapped: 1, 0\nVCapped: 0, 1"),
         {GOT(Patch(s)->GetUCount(), 2), GOT(Patch(s)->GetVCount(), 3),
          GOT(Patch(s)->GetPatchUType(), KScnPatch::eBezierQuadric),
          GOT(Patch(s)->GetPatchVType(), KScnPatch::eCardinal), GOT(Patch(s)->GetControlPointAt(5)[2], 5),
          GOT(Patch(s)->GetSurfaceMode(), 1), GOT(Patch(s)->GetUStep(), 3), GOT(Patch(s)->GetVStep(), 4),
          GOT(Patch(s)->GetUClosed(), 0), GOT(Patch(s)->GetVClosed(), 1),
          GOT(Patch(s)->GetUCappedBottom(), 1), GOT(Patch(s)->GetUCappedTop(), 0),
          GOT(Patch(s)->GetVCappedBottom(), 0), GOT(Patch(s)->GetVCappedTop(), 1)}},
        // Missing values leave the defaults; any other type word is type 4.
        {patch("PatchType: Hermite, BSpline\nSurfaceDisplay: 2\nClosed: 1\nUCapped: 1"),
         {GOT(Patch(s)->GetPatchUType(), KScnPatch::eOther),
          GOT(Patch(s)->GetPatchVType(), KScnPatch::eBSpline), GOT(Patch(s)->GetSurfaceMode(), 2),
          GOT(Patch(s)->GetUStep(), 0), GOT(Patch(s)->GetUClosed(), 0),
          GOT(Patch(s)->GetUCappedBottom(), 0)}},
        {patch("SurfaceDisplay: 3, 6, 7"), {GOT(Patch(s)->GetUStep(), 6), GOT(Patch(s)->GetVStep(), 7)}},
        // A NURBS point's fourth number is its weight, also in its shapes; Step and Closed are a patch's
        // only.
        {nurb("KnotVectorU: 0, 0, 1, 1\nKnotVectorV: 0, 0, 0, 1, 2\nSurfaceDisplay: 2, 5, 6\nStep: 8, 9",
              "Open, Open"),
         {GOT(Nurb(s)->GetUOrder(), 2), GOT(Nurb(s)->GetVOrder(), 3),
          GOT(Nurb(s)->GetControlPointAt(1)[3], 0.5), GOT(Nurb(s)->GetControlPointAt(3)[3], 2),
          GOT(Nurb(s)->GetVKnotVector()[4], 2), GOT(Nurb(s)->GetUKnotVector()[2], 1),
          GOT(Nurb(s)->GetSurfaceMode(), 2), GOT(Nurb(s)->GetUStep(), 5), GOT(Nurb(s)->GetVStep(), 6),
          GOT(Nurb(s)->GetShape(0)->GetControlPointAt(1)[3], 3),
          GOT(Nurb(s)->GetShape(0)->GetControlPointAt(3)[2], 1),
          GOT(Nurb(s)->GetShape(0)->GetControlPointsCount(), 4),
          GOT(Nurb(s)->GetShape(0)->GetNormals()[2][1], 1)}},
        // Periodic and Closed need count + 2 x order - 1 knots; another word is Open.
        {nurb("KnotVectorU: 0, 1, 2, 3, 4\nKnotVectorV: 0, 1, 2, 3, 4, 5, 6", "Periodic, Closed"),
         {GOT(Nurb(s)->GetNurbUType(), KScnNurb::ePeriodic), GOT(Nurb(s)->GetNurbVType(), KScnNurb::eClosed),
          GOT(Nurb(s)->GetVKnotVector()[6], 6)}},
        {nurb("KnotVectorU: 0, 0, 1, 1\nKnotVectorV: 0, 0, 0, 1, 1", "Spiral, Open"),
         {GOT(Nurb(s)->GetNurbUType(), KScnNurb::eOpen), GOT(Nurb(s)->GetSurfaceMode(), 4)}},
        // Shapes by their trimmed names, in order, with their normals; the node gets a property and a channel
        // of each.
        {Objects("Model: \"M\", \"Mesh\" {\nMesh: {\nControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\n}\n"
                 "Shape: \"  B \" {\nControlPoints: 0, 0, 1, 1, 0, 1, 0, 1, 7\nNormals: 1, 0, 0, 0, 1, 0, 0, "
                 "0, 1\n}\n"
                 "Shape: \"A\" {\nControlPoints: 0, 0, 0, 2, 0, 0, 0, 2, 0\n}\n}"),
         {GOT(Mesh(s)->GetShapeCount(), 2), GOT_TEXT(Mesh(s)->GetShapeName(0), "B"),
          GOT_TEXT(Mesh(s)->GetShapeName(1), "A"), GOT(Mesh(s)->GetShape(0)->GetControlPointAt(2)[2], 7),
          GOT(Mesh(s)->GetShape(1)->GetControlPointAt(1)[0], 2),
          GOT(Mesh(s)->GetShape(0)->GetNormals()[1][1], 1), GOT(Mesh(s)->GetShape(0)->GetNormals()[2][2], 1),
          GOT(Mesh(s)->GetShape(0)->GetNormals()[2][3], 0),
          GOT(Mesh(s)->GetShape(1)->GetNormals() == nullptr, 1),
          GOT(N(s, "M")->GetPropertyHandler()->FindProperty("B") != nullptr, 1),
          GOT(N(s, "M")->GetDefaultTakeNode()->FindCurve(nullptr, "A", nullptr) != nullptr, 1)}},
    });
}

// ---- Deformers ----

TEST_F(ReaderRulesTest, SkinsAndClusters)
{
    const std::string body = "Model: \"M\", \"Mesh\" {\nDeformers: \"S\", \"Nowhere\", \"S\"\nMesh: {\n"
                             "ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\n}\n}\nModel: \"J\"\nModel: \"K\"\n";
    const auto matrix = [](const char* field, const char* t)
    { return std::string(field) + ": 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, " + t + ", 1\n"; };
    Run({
        {Objects(
             body +
             "Deformer: \"S\", \"Skin\" {\nClusters: \"B\", \"A\"\nLink_DeformAcuracy: 40.5\nMultiLayer: 1\n"
             "UserData: \"id\", \"data\"\n}\nSubDeformer: \"A\", \"Cluster\" {\nModel: \"J\"\n"
             "ModelReference: \"M\"\nMode: \"Additive\"\nIndices: 2, 0\nWeights: 0.25, 0.75\n" +
             matrix("Transform", "1, 2, 3") + matrix("TransformLink", "4, 5, 6") +
             matrix("AssociateModel", "7, 8, 9") + matrix("TransformParent", "10, 11, 12") +
             "}\nSubDeformer: \"B\" {\nModel: \"K\"\nMode: \"Total1\"\nIndices: 1\nWeights: 0.5\n}\n"
             "SubDeformer: \"C\", \"Cluster\" {\nMode: \"Normalize\"\n}\n"
             "SubDeformer: \"D\", \"Skin\"\nDeformer: \"E\", \"Cluster\""),
         {SKIPPED(4), GOT(Skin(s)->GetLinkDeformAccuracy(), 40.5), GOT(Skin(s)->GetMultiLayer(), 1),
          GOT_TEXT(Skin(s)->GetUserDataID().Buffer(), "id"),
          GOT_TEXT(Skin(s)->GetUserData().Buffer(), "data"),
          GOT(s.GetContents()->GetDeformerCount(KScnSceneContents::eClusterDeformer), 3),
          GOT(s.GetContents()->GetDeformerCount(KScnSceneContents::eSkinDeformer), 1),
          GOT(Cluster(s, 0)->GetLinkMode(), 1), GOT(Cluster(s, 1)->GetLinkMode(), 2),
          GOT(Cluster(s, 2)->GetLinkMode(), 0), GOT(Cluster(s, 0)->GetIndices().GetAt(0), 2),
          GOT(Cluster(s, 0)->GetWeights().GetAt(0), 0.25), GOT(Cluster(s, 0)->GetWeights().GetAt(1), 0.75),
          GOT(Cluster(s, 0)->GetTransform()[13], 2), GOT(Cluster(s, 0)->GetTransformLink()[14], 6),
          GOT(Cluster(s, 0)->GetTransformAssociateModel()[12], 7),
          GOT(Cluster(s, 0)->GetTransformParent()[12], 10), GOT(Cluster(s, 0)->HasTransformParent(), 1),
          GOT(Cluster(s, 1)->HasTransformParent(), 0), GOT(Cluster(s, 1)->GetTransform()[12], 0),
          // One link per cluster of the skin, in the skin's order.
          GOT(Mesh(s)->GetLinkCount(), 2), GOT(Mesh(s)->GetLink(0)->GetLink() == N(s, "K"), 1),
          GOT(Mesh(s)->GetLink(1)->GetLink() == N(s, "J"), 1),
          GOT(Mesh(s)->GetLink(1)->GetAssociateModel() == N(s, "M"), 1),
          GOT(Mesh(s)->GetLink(0)->GetAssociateModel() == nullptr, 1)}},
        {Objects(body + "Deformer: \"S\" {\nClusters: \"A\", \"Nothing\", \"A\"\n}\nSubDeformer: \"A\" "
                        "{\nModel: \"Nobody\"\nMultiLayer: 0\n}"),
         {SKIPPED(5), GOT(Skin(s)->GetLinkDeformAccuracy(), 50), GOT(Skin(s)->GetMultiLayer(), 0),
          GOT(Cluster(s, 0)->GetLinkMode(), 0), GOT(Cluster(s, 0)->HasTransformParent(), 0),
          GOT(Cluster(s, 0)->GetMultiLayer(), 0)}},
    });
}

// ---- Character poses and characters ----

// What the character getters fill.
KScnCharacterNodeLink slot;
KScnControlSetEffector effector;

const auto Ch = [](Scene& s) { return s.GetCharacter(0); };
const auto Set = [](Scene& s) { return s.GetCharacter(0)->GetControlSet(); };

const KScnCharacterNodeLink& Slot(KScnCharacter* character, int id)
{
    character->GetLink(id, slot);
    return slot;
}

double Switches(Scene& s, const char* name)
{
    if (!Set(s)->GetEffector(KScnControlSet::FindEffectorId(name), &effector))
        return kNone;
    return effector.show + 2 * effector.tActive + 4 * effector.rActive + 8 * effector.candidateTActive +
           16 * effector.candidateRActive;
}

const auto PoseNode = [](Scene& s, const char* name)
{ return s.GetCharacterPose(0)->GetScene()->GetRootNode()->FindChild(name); };

const auto PoseP = [](Scene& s, const char* name, int i)
{ return P(PoseNode(s, "H")->GetPropertyHandler(), name, i); };

double Parameter(Scene& s, const char* name, bool asInt = false)
{
    KScnCharacterParameters* p = s.GetCharacter(0)->GetParameters();
    const int i = KScnCharacterParameters::FindIndex(name);
    return asInt ? p->GetInt(i) : p->GetDouble(i);
}

TEST_F(ReaderRulesTest, CharacterPosesSlotsAndEffectors)
{
    Run({
        {Objects("CharacterPose: \"Crouch\" {\nModel: \"H\", \"Null\" {\nProperties: {\n"
                 "\"Lcl Translation\": 1, 2, 3\n\"Lcl Rotation\": 10, 20, 30\n\"Lcl Scaling\": 4, 5, 6\n"
                 "Visibility: 0\nNoSuch: 1\n}\nChildren: \"K\", \"Nobody\"\n}\nModel: \"K\"\nModel: \"F\"\n"
                 "Character: {\nSource: \"Character\", \"Other\"\nBASE: {\nHips: \"H\"\n}\n}\n"
                 "Character: {\nBASE: {\nHips: \"F\"\n}\n}\n}"),
         {SKIPPED(4), GOT_TEXT(s.GetCharacterPose(0)->GetName(), "Pose::Crouch"),
          GOT(PoseP(s, "Lcl Translation", 0), 1), GOT(PoseP(s, "Lcl Rotation", 0), 10),
          GOT(PoseP(s, "Lcl Rotation", 1), 20), GOT(PoseP(s, "Lcl Rotation", 2), 30),
          GOT(PoseP(s, "Lcl Scaling", 2), 6), GOT(PoseNode(s, "H")->GetVisibility(), 0),
          GOT(PoseNode(s, "H")->GetNodeAttribute() == nullptr, 1),
          GOT(PoseNode(s, "K")->GetParent() == PoseNode(s, "H"), 1),
          GOT(s.GetCharacterPose(0)->GetScene()->GetRootNode()->GetChildCount(), 2),
          GOT(Slot(s.GetCharacterPose(0)->GetScene()->GetCharacter(0), 0).node == PoseNode(s, "H"), 1)}},
        {Objects(
             "Model: \"H\"\nCharacter: \"C\" {\nBASE: {\nHips: \"H\" {\nOffsetT: 1, 0, 0\nOffsetR: 0, 2, 0\n"
             "OffsetS: 0, 0, 3\nParentOffsetR: 4, 0, 0\nRotationMin: 0, 5, 0\nRotationMax: 0, 0, 6\n"
             "PreRotation: 7, 0, 0\nPostRotation: 0, 8, 0\n}\nLeftUpLeg: \"H\" {\nParentOffsetR: 1, 2, "
             "3\n}\n}\n"
             "Reference: \"H\"\nParameters: {\nPullIterationCount: 20\nHipsHeightCompensation: 2, 12.5\n}\n"
             "ControlSet: {\nType: 1\nUseAxis: 1\nLOCK_XFORM: 0\nLOCK_PICK: 1\nEffectors: {\n"
             "HipsEffector: \"H\" {\nSHOW: 0\nTACTIVE: 1\nRACTIVE: 0\nCANDIDATE_TACTIVE: 1\n"
             "CANDIDATE_RACTIVE: 0\n}\nRightAnkleEffector: \"H\" {\nRACTIVE: 1\nCANDIDATE_RACTIVE: 1\n}\n"
             "LeftAnkleEffector: \"H\" {\nAux: \"H\", \"H\", \"H\", \"H\", \"H\", \"H\", \"H\", \"H\", "
             "\"H\", "
             "\"H\", \"H\", \"H\", \"H\", \"H\", \"H\"\n}\n}\n}\n}"),
         {SKIPPED(1), GOT(Slot(Ch(s), 0).offsetT[0], 1), GOT(Slot(Ch(s), 0).offsetR[1], 2),
          GOT(Slot(Ch(s), 0).offsetS[2], 3), GOT(Slot(Ch(s), 0).parentOffsetR[0], 4),
          GOT(Slot(Ch(s), 0).rotationMin[1], 5), GOT(Slot(Ch(s), 0).rotationMax[2], 6),
          GOT(Slot(Ch(s), 0).preRotation[0], 7), GOT(Slot(Ch(s), 0).postRotation[1], 8),
          GOT(Slot(Ch(s), 67).node == N(s, "H"), 1),
          // Offsets do not mark a rotation space.
          GOT(Slot(Ch(s), 0).hasRotationSpace, 1), GOT(Slot(Ch(s), 1).hasRotationSpace, 0),
          GOT(Parameter(s, "PullIterationCount"), 20), GOT(Parameter(s, "HipsHeightCompensation", true), 2),
          GOT(Parameter(s, "HipsHeightCompensation"), 12.5), GOT(Set(s)->GetType(), 1),
          GOT(Set(s)->GetUseAxis(), 1), GOT(Set(s)->GetLockTransform(), 0), GOT(Set(s)->GetLockPick(), 1),
          // The switches as show + 2 T + 4 R + 8 candidate T + 16 candidate R; those not given are a fresh
          // effector's (show only).
          GOT(Switches(s, "HipsEffector"), 2 + 8), GOT(Switches(s, "RightAnkleEffector"), 1 + 4 + 16),
          GOT(Switches(s, "LeftAnkleEffector"), 1)}},
    });
}

// ---- Takes ----

// The value of the node's channel in that take at the time.
double At(Scene& s, const char* node, const char* take, const char* path, double seconds)
{
    KScnNode* n = N(s, node);
    for (int i = 0; n != nullptr && i < n->GetTakeNodeCount(); ++i)
        if (std::string(n->GetTakeNodeName(i)) == take)
            if (KFCurveNode* channel = n->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(path))
            {
                double value = kNone;
                channel->Evaluate(&value, KTime(static_cast<int64_t>(seconds * kSecond)));
                return value;
            }
    return kNone;
}

TEST_F(ReaderRulesTest, TakeDescriptions)
{
    const std::string ramp = "{\nDefault: 0\nKeyVer: 4004\nKeyCount: 2\nKey: 0, 0, L, 46186158000, ";
    Run({
        {"Takes: {\nCurrent: \"Walk\"\nTake: \"Run\" {\nDescription: \"fast\"\nDescription: \"slow\"\n"
         "LocalTime: 46186158000, 92372316000\nLocalTime: 0, 1\nReferenceTime: 138558474000, "
         "184744632000\n}\n"
         "Take: \"Walk\" {\nImportName: \"Stroll\"\nLocalTime: 5\n}\n}\n" +
             Objects("Model: \"A\"\nMaterial: \"M\""),
         {GOT_TEXT(imp.GetCurrentTakeName(), "Walk"),
          GOT_TEXT(s.GetTakeInfo("Run")->mDescription.Buffer(), "fast"),
          GOT(s.GetTakeInfo("Run")->mLocalTimeStart.Get(), kSecond),
          GOT(s.GetTakeInfo("Run")->mLocalTimeStop.Get(), 2 * kSecond),
          GOT(s.GetTakeInfo("Run")->mReferenceTimeStart.Get(), 3 * kSecond),
          GOT(s.GetTakeInfo("Run")->mReferenceTimeStop.Get(), 4 * kSecond),
          GOT(s.GetTakeInfo("Walk") == nullptr, 1),
          GOT_TEXT(s.GetTakeInfo("Stroll")->mImportName.Buffer(), "Stroll"),
          GOT(s.GetTakeInfo("Stroll")->mLocalTimeStart.Get(), 0),
          GOT(s.GetTakeInfo("Stroll")->mLocalTimeStop.Get(), 0), GOT(N(s, "A")->GetTakeNodeCount(), 3),
          GOT_TEXT(N(s, "A")->GetTakeNodeName(2), "Stroll"), GOT(Mat(s)->GetTakeNodeCount(), 3),
          GOT(s.GetRootNode()->GetTakeNodeCount(), 3)}},
        // Time warp 0 is no warp: a channel naming it is read unwarped.
        {"Takes: {\nTake: \"Run\" {\nTimeWarps: {\nTimeWarp: 0 {\nChannel: \"TimeWarp\" " + ramp +
             "2, L\n}\n}\n}\nModel: \"A\" {\nChannel: \"Glow\" " + ramp +
             "10, L\nTimeWarpID: 0\n}\n}\n}\n}\n" + Objects("Model: \"A\""),
         {GOT(At(s, "A", "Run", "Glow", 0.5), 5)}},
        // "Default" fills the default takes; unknown objects are counted, fields of other names ignored.
        {"Takes: {\nTake: \"Default\" {\nMaterial: \"M\" {\nChannel: \"Shininess\" {\nDefault: 64\n}\n}\n"
         "Model: \"Nobody\"\nLight: \"M\"\n}\n}\n" +
             Objects("Material: \"M\""),
         {SKIPPED(1), GOT(Mat(s)->GetTakeNodeCount(), 1),
          GOT(Mat(s)->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 64)}},
    });
}

} // namespace
