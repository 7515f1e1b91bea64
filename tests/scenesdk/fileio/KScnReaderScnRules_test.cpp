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

// A document (after the header) and what it gives; skipped is the count
// the status text reports. A document before, when given, is read into the
// scene first.
struct SCase
{
    std::string body;
    std::vector<SCheck> checks;
    int skipped = 0;
    std::string before = "";
};

const char* const kHeader = "FileHeader: {\n Version: 6000\n Creator: \"tests\"\n}\n";

#define GOT(expr, want)                                                                                      \
    SCheck                                                                                                   \
    {                                                                                                        \
#expr, []([[maybe_unused]] Scene & s, [[maybe_unused]] KScnImporter & imp) -> double                 \
        { return (expr); }, static_cast < double>(want)                                                      \
    }
#define GOT_TEXT(expr, want)                                                                                 \
    SCheck                                                                                                   \
    {                                                                                                        \
#expr, nullptr, 0.0,                                                                                 \
            []([[maybe_unused]] Scene & s, [[maybe_unused]] KScnImporter & imp) -> std::string               \
        { return (expr); }, want                                                                             \
    }

std::string Objects(const std::string& fields)
{
    return "Objects: {\n" + fields + "\n}\n";
}

KScnNode* N(Scene& s, const char* name)
{
    return s.GetRootNode()->FindChild(name);
}

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
double User(Scene& s, const char* node, const char* name, int i = 0)
{
    KScnNode* n = N(s, node);
    KScnPropertyRef* ref = n != nullptr ? n->FindUserPropertyByName(name) : nullptr;
    double v[4] = {kNone, kNone, kNone, kNone};
    return ref != nullptr && ref->GetProperty()->GetAsDoubles(v) ? v[i] : kNone;
}

double UserTime(Scene& s, const char* node, const char* name)
{
    KScnNode* n = N(s, node);
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

double HasUser(Scene& s, const char* node, const char* name)
{
    KScnNode* n = N(s, node);
    return n != nullptr && n->FindUserPropertyByName(name) != nullptr;
}

// The default of the node's default-take curve.
double Curve(Scene& s, const char* node, const char* second, const char* third)
{
    KScnNode* n = N(s, node);
    KFCurve* curve = n != nullptr ? n->GetDefaultTakeNode()->FindCurve(nullptr, second, third) : nullptr;
    return curve != nullptr ? curve->GetDefaultValue() : kNone;
}

double Kind(Scene& s, const char* node)
{
    KScnNode* n = N(s, node);
    return n == nullptr                       ? kNone
           : n->GetNodeAttribute() == nullptr ? -1
                                              : n->GetNodeAttribute()->GetAttributeKind();
}

KScnCameraProperties* Cam(Scene& s, const char* node = "C")
{
    return A<KScnCamera>(s, node)->GetProperties();
}

KScnTexture* Tex(Scene& s)
{
    return s.GetContents()->GetTexture(0);
}

KScnMaterial* Mat(Scene& s)
{
    return s.GetContents()->GetMaterial(0);
}

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

KScnLayerElement* Element(Scene& s, int layer, int type)
{
    KScnMesh* mesh = A<KScnMesh>(s, "M");
    return mesh->GetLayer(layer)->GetOrCreateElement(type);
}

KScnDeformer* Deformer(Scene& s, int i, int kind)
{
    return s.GetContents()->GetDeformer(i, kind);
}

KScnSceneTimeSettings& Time(Scene& s)
{
    return *s.GetGlobalTimeSettings();
}
KScnSceneCameraSettings& Cameras(Scene& s)
{
    return *s.GetGlobalCameraSettings();
}
KScnSceneLightSettings& Light(Scene& s)
{
    return *s.GetGlobalLightSettings();
}

std::string Settings(const std::string& section, const std::string& fields)
{
    return "GlobalSettings: {\n" + section + ": {\n" + fields + "\n}\n}\n";
}

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
                EXPECT_EQ(importer.GetStatusText(),
                          c.skipped == 0 ? std::string() : std::to_string(c.skipped) + " items skipped");
                for (const SCheck& check : c.checks)
                {
                    if (check.text != nullptr)
                        EXPECT_EQ(check.text(*scene, importer), check.wantText) << check.what;
                    else
                        EXPECT_NEAR(check.number(*scene, importer), check.want, 1e-6) << check.what;
                }
            }
    }
};

// ---- Scene information and global settings ----

TEST_F(ReaderRulesTest, SceneInformationTexts)
{
    Run({
        {"SceneInfo: {\nComment: \"f\"\nRevision: \"e\"\nKeywords: \"d\"\nAuthor: \"c\"\nSubject: \"b\"\n"
         "Title: \"a\"\n}\n",
         {GOT_TEXT(s.GetSceneMetaData()->mTitle.Buffer(), "a"),
          GOT_TEXT(s.GetSceneMetaData()->mSubject.Buffer(), "b"),
          GOT_TEXT(s.GetSceneMetaData()->mAuthor.Buffer(), "c"),
          GOT_TEXT(s.GetSceneMetaData()->mKeywords.Buffer(), "d"),
          GOT_TEXT(s.GetSceneMetaData()->mRevision.Buffer(), "e"),
          GOT_TEXT(s.GetSceneMetaData()->mComment.Buffer(), "f")}},
    });
}

TEST_F(ReaderRulesTest, TimeSettings)
{
    Run({
        {Settings("Time", "TimeMode: 0\nTimeFormat: 0\nSnapOnFrames: 1"),
         {GOT(Time(s).GetTimeMode(), 6), GOT(Time(s).GetTimeFormat(), 0), GOT(Time(s).GetSnapOnFrames(), 1)}},
        {Settings("Time", "TimeMode: 13\nTimeFormat: 2"),
         {GOT(Time(s).GetTimeMode(), 13), GOT(Time(s).GetTimeFormat(), 1)}},
        {Settings("Time", "TimeMode: 1\nTimeFormat: 1"),
         {GOT(Time(s).GetTimeMode(), 1), GOT(Time(s).GetTimeFormat(), 1)}},
        // Outside the ranges: counted, the defaults stay.
        {Settings("Time", "TimeMode: 14\nTimeFormat: 3"),
         {GOT(Time(s).GetTimeMode(), 6), GOT(Time(s).GetTimeFormat(), 1), GOT(Time(s).GetSnapOnFrames(), 0)},
         2},
        {Settings("Time", "TimeMode: -1\nTimeFormat: -1"), {GOT(Time(s).GetTimeMode(), 6)}, 2},
        // Given twice, the last counts.
        {Settings("Time", "TimeMode: 3\nTimeFormat: 0\nTimeMode: 5\nTimeFormat: 2"),
         {GOT(Time(s).GetTimeMode(), 5), GOT(Time(s).GetTimeFormat(), 1)}},
        {Settings("Time", "SnapOnFrames: 2\nSnapOnFrames: 1\nTempo: 3"),
         {GOT(Time(s).GetSnapOnFrames(), 1)},
         1},
        // Markers in order, the loop optional; one without a time counted.
        {Settings("Time", "TimeMarker: \"A\", 0, 0\nTimeMarker: \"B\", 46186158000, 1\nTimeMarker: \"C\"\n"
                          "CurrentTimeMarker: 1"),
         {GOT(Time(s).GetTimeMarkerCount(), 2), GOT_TEXT(Time(s).GetTimeMarker(1)->mName.Buffer(), "B"),
          GOT(Time(s).GetTimeMarker(1)->mTime.Get(), kSecond), GOT(Time(s).GetTimeMarker(1)->mLoop, 1),
          GOT(Time(s).GetTimeMarker(0)->mLoop, 0), GOT(Time(s).GetCurrentTimeMarker(), 1)},
         1},
        {Settings("Time", "TimeMarker: \"A\", 0\nCurrentTimeMarker: 1"),
         {GOT(Time(s).GetCurrentTimeMarker(), -1)},
         1},
        // Markers replace the scene's; a file without any leaves them.
        {Settings("Time", "TimeMarker: \"C\", 0"),
         {GOT(Time(s).GetTimeMarkerCount(), 1)},
         0,
         Settings("Time", "TimeMarker: \"A\", 0\nTimeMarker: \"B\", 0")},
        {Settings("Time", "SnapOnFrames: 1"),
         {GOT(Time(s).GetTimeMarkerCount(), 2)},
         0,
         Settings("Time", "TimeMarker: \"A\", 0\nTimeMarker: \"B\", 0")},
        {Settings("Time", "TimeMarker: \"A\", 0\nCurrentTimeMarker: 0"),
         {GOT(Time(s).GetCurrentTimeMarker(), 0)}},
        // The first GlobalSettings, and in it the first section, are read.
        {"GlobalSettings: {\nTime: {\nTimeMode: 3\n}\nTime: {\nTimeMode: 4\n}\n}\n"
         "GlobalSettings: {\nTime: {\nTimeMode: 5\n}\n}\n",
         {GOT(Time(s).GetTimeMode(), 3)}},
    });
}

TEST_F(ReaderRulesTest, CameraSettings)
{
    const std::string eye = Objects("Model: \"Eye\", \"Camera\"");
    Run({
        {Settings("Camera", "DefaultCamera: \"Producer Front\"\nDefaultViewingMode: 3"),
         {GOT_TEXT(Cameras(s).GetDefaultCamera(), "Producer Front"),
          GOT(Cameras(s).GetDefaultViewingMode(), 3)}},
        {Settings("Camera", "DefaultCamera: \"Camera Switcher\""),
         {GOT_TEXT(Cameras(s).GetDefaultCamera(), "Camera Switcher")}},
        {Settings("Camera", "DefaultCamera: \"Eye\"") + eye,
         {GOT_TEXT(Cameras(s).GetDefaultCamera(), "Eye")}},
        {Settings("Camera", "DefaultCamera: \"Nowhere\""),
         {GOT_TEXT(Cameras(s).GetDefaultCamera(), "Producer Perspective")},
         1},
        {Settings("Camera", "DefaultViewingMode: 1\nDefaultViewingMode: 2"),
         {GOT(Cameras(s).GetDefaultViewingMode(), 2)}},
        // Each producer by its name; the three vectors each to its own.
        {Settings("Camera", "Producer: \"Producer Perspective\" {\nPosition: 1, 2, 3\nUpVector: 0, 0, 1\n"
                            "LookAt: 4, 5, 6\n}"),
         {GOT(Cameras(s).GetProducerPerspective()->GetPosition()[1], 2),
          GOT(Cameras(s).GetProducerPerspective()->GetPosition()[2], 3),
          GOT(Cameras(s).GetProducerPerspective()->GetUpVector()[2], 1),
          GOT(Cameras(s).GetProducerPerspective()->GetUpVector()[1], 0),
          GOT(Cameras(s).GetProducerPerspective()->GetLookAt()[0], 4),
          GOT(Cameras(s).GetProducerPerspective()->GetLookAt()[2], 6)}},
        {Settings("Camera", "Producer: \"Producer Bottom\" {\nPosition: 0, -7, 0\n}"),
         {GOT(Cameras(s).GetProducerBottom()->GetPosition()[1], -7)}},
        {Settings("Camera", "Producer: \"Producer Back\" {\nPosition: 0, 0, -7\n}"),
         {GOT(Cameras(s).GetProducerBack()->GetPosition()[2], -7)}},
        {Settings("Camera", "Producer: \"Producer Right\" {\nPosition: 7, 0, 0\n}"),
         {GOT(Cameras(s).GetProducerRight()->GetPosition()[0], 7)}},
        {Settings("Camera", "Producer: \"Producer Left\" {\nPosition: -7, 0, 0\n}\n"
                            "Producer: \"Producer Front\" {\nPosition: 0, 0, 7\n}"),
         {GOT(Cameras(s).GetProducerLeft()->GetPosition()[0], -7),
          GOT(Cameras(s).GetProducerFront()->GetPosition()[2], 7)}},
        // Short vectors, unknown properties and producers are counted.
        {Settings("Camera", "Producer: \"Producer Top\" {\nPosition: 1, 2\nUpVector: 1\n"
                            "Properties: {\nFocalLength: 35\nNearPlane: 3\nNoSuch: 1\n}\n}\n"
                            "Producer: \"Producer Aside\" {\n}"),
         {GOT(Cameras(s).GetProducerTop()->GetFocalLength(), 35),
          GOT(Cameras(s).GetProducerTop()->GetProperties()->NearPlane.GetValue(), 3)},
         4},
    });
}

TEST_F(ReaderRulesTest, LightSettings)
{
    const auto light = [](const char* fields) { return Settings("Light", fields); };
    Run({
        // Three numbers keep the alpha (a new scene's is 0), four set it; each
        // component within 0..1.
        {light("AmbientColor: 0.1, 0.2, 0.3\nFogColor: 1.5, -1, 0.5, 0.25"),
         {GOT(Light(s).GetAmbientColor().mRed, 0.1), GOT(Light(s).GetAmbientColor().mGreen, 0.2),
          GOT(Light(s).GetAmbientColor().mBlue, 0.3), GOT(Light(s).GetAmbientColor().mAlpha, 0),
          GOT(Light(s).GetFogColor().mRed, 1), GOT(Light(s).GetFogColor().mGreen, 0),
          GOT(Light(s).GetFogColor().mBlue, 0.5), GOT(Light(s).GetFogColor().mAlpha, 0.25)}},
        {light("AmbientColor: 0.1, 0.2, 0.3, 0.5\nFogColor: 0.5, 0.5"),
         {GOT(Light(s).GetAmbientColor().mAlpha, 0.5), GOT(Light(s).GetFogColor().mRed, 1)},
         1},
        // Each colour keeps its own alpha; planes replace the scene's, and
        // a file without any leaves them.
        {light("AmbientColor: 0.1, 0.2, 0.3, 0.5\nFogColor: 0.5, 0.5, 0.5"),
         {GOT(Light(s).GetFogColor().mAlpha, 0.25), GOT(Light(s).GetAmbientColor().mAlpha, 0.5)},
         0,
         light("FogColor: 1, 1, 1, 0.25\nShadowPlane: 1, 0, 0, 0, 0, 1, 0")},
        {light("FogColor: 0.5, 0.5, 0.5\nAmbientColor: 0.1, 0.2, 0.3"),
         {GOT(Light(s).GetAmbientColor().mAlpha, 0.75), GOT(Light(s).GetFogColor().mAlpha, 0),
          GOT(Light(s).GetShadowPlaneCount(), 1)},
         0,
         light("AmbientColor: 0, 0, 0, 0.75\nShadowPlane: 1, 0, 0, 0, 0, 1, 0")},
        {light("ShadowPlane: 0, 0, 0, 0, 0, 0, 1"),
         {GOT(Light(s).GetShadowPlaneCount(), 1)},
         0,
         light("ShadowPlane: 1, 0, 0, 0, 0, 1, 0\nShadowPlane: 1, 0, 0, 0, 0, 1, 0")},
        {light("FogEnable: 1\nFogMode: 2\nFogDensity: 0.5\nShadowEnable: 1\nShadowIntensity: 300"),
         {GOT(Light(s).GetFogEnable(), 1), GOT(Light(s).GetFogMode(), 2), GOT(Light(s).GetFogDensity(), 0.5),
          GOT(Light(s).GetShadowEnable(), 1), GOT(Light(s).GetShadowIntensity(), 300)}},
        {light("ShadowIntensity: 301\nFogDensity: 0.25\nFogDensity: 0.75"),
         {GOT(Light(s).GetShadowIntensity(), 300), GOT(Light(s).GetFogDensity(), 0.75)}},
        {light("ShadowIntensity: -1\nFogEnable: 0\nFogMode: 1\nFogMode: 3"),
         {GOT(Light(s).GetShadowIntensity(), 0), GOT(Light(s).GetFogEnable(), 0),
          GOT(Light(s).GetFogMode(), 3)}},
        // The fog end is set first, whatever the order; the start is kept
        // within it.
        {light("FogStart: 1500\nFogEnd: 2000"),
         {GOT(Light(s).GetFogStart(), 1500), GOT(Light(s).GetFogEnd(), 2000)}},
        {light("FogEnd: 500\nFogStart: 700"),
         {GOT(Light(s).GetFogStart(), 500), GOT(Light(s).GetFogEnd(), 500)}},
        {light("FogEnd: 600"), {GOT(Light(s).GetFogStart(), 0.3), GOT(Light(s).GetFogEnd(), 600)}},
        {light("FogEnd: 0.1"), {GOT(Light(s).GetFogStart(), 0.1), GOT(Light(s).GetFogEnd(), 0.1)}},
        // Planes in order, seven numbers each; a short one counted.
        {light("ShadowPlane: 1, 1, 2, 3, 4, 5, 6\nShadowPlane: 0, 0, 0, 0, 0, 0, 1\nShadowPlane: 1, 2, 3, 4, "
               "5, 6"),
         {GOT(Light(s).GetShadowPlaneCount(), 2), GOT(Light(s).GetShadowPlane(0)->mEnable, 1),
          GOT(Light(s).GetShadowPlane(0)->mOrigin[0], 1), GOT(Light(s).GetShadowPlane(0)->mOrigin[2], 3),
          GOT(Light(s).GetShadowPlane(0)->mNormal[0], 4), GOT(Light(s).GetShadowPlane(0)->mNormal[2], 6),
          GOT(Light(s).GetShadowPlane(1)->mEnable, 0), GOT(Light(s).GetShadowPlane(1)->mNormal[2], 1)},
         1},
    });
}

// ---- Properties and user properties ----

TEST_F(ReaderRulesTest, PropertiesByType)
{
    const auto camera = [](const char* props)
    { return Objects(std::string("Model: \"C\", \"Camera\" {\nProperties: {\n") + props + "\n}\n}"); };
    Run({
        // Enumerations by name (bare or quoted) or number; first and last.
        {camera("ApertureMode: Horizontal\nShowGrid: 0\nNearPlane: 0.0001\nFrameColor: 0.1, 0.2, 0.3"),
         {GOT(Cam(s)->ApertureMode.GetValue(), KScnCamera::eHorizontal), GOT(Cam(s)->ShowGrid.GetValue(), 0),
          GOT(Cam(s)->NearPlane.GetValue(), 0.0001), GOT(P(Cam(s), "FrameColor", 0), 0.1),
          GOT(P(Cam(s), "FrameColor", 2), 0.3)}},
        {Objects("Model: \"L\", \"Light\" {\nProperties: {\nLightType: \"Point Light\"\n}\n}\n"
                 "Model: \"K\", \"Light\" {\nProperties: {\nLightType: \"Spot Light\"\n}\n}\n"
                 "Model: \"J\", \"Light\" {\nProperties: {\nLightType: 1\n}\n}\n"
                 "Model: \"I\", \"Light\" {\nProperties: {\nLightType: 2\nLightType: 3\n}\n}"),
         {GOT(A<KScnLight>(s, "L")->GetLightType(), KScnLight::ePoint),
          GOT(A<KScnLight>(s, "K")->GetLightType(), KScnLight::eSpot),
          GOT(A<KScnLight>(s, "J")->GetLightType(), 1), GOT(A<KScnLight>(s, "I")->GetLightType(), 2)},
         1},
        {Objects(
             "Texture: \"T\" {\nFileName: \"t.tga\"\nProperties: {\nCurrentTextureBlendMode: Modulate2\n"
             "WrapModeU: Clamp\nWrapModeV: 0\n}\n}\n"
             "Texture: \"U\" {\nFileName: \"u.tga\"\nProperties: {\nCurrentTextureBlendMode: Translucent\n"
             "WrapModeU: 2\n}\n}"),
         {GOT(Tex(s)->GetBlendMode(), 3), GOT(Tex(s)->GetWrapModeU(), 1), GOT(Tex(s)->GetWrapModeV(), 0),
          GOT(s.GetContents()->GetTexture(1)->GetBlendMode(), 0),
          GOT(s.GetContents()->GetTexture(1)->GetWrapModeU(), 0)},
         1},
        // Three-component vectors; too few values counted and the value kept;
        // extra values ignored.
        {Objects("Model: \"K\", \"Marker\" {\nProperties: {\nIKPivot: 1, 2, 3\nSize: 4, 5\n}\n}\n"
                 "Model: \"Q\", \"Marker\" {\nProperties: {\nIKPivot: 7, 8\nSize:\n}\n}"),
         {GOT(A<KScnMarker>(s, "K")->GetIKPivot()[0], 1), GOT(A<KScnMarker>(s, "K")->GetIKPivot()[1], 2),
          GOT(A<KScnMarker>(s, "K")->GetIKPivot()[2], 3), GOT(A<KScnMarker>(s, "K")->GetSize(), 4),
          GOT(A<KScnMarker>(s, "Q")->GetIKPivot()[0], 0), GOT(A<KScnMarker>(s, "Q")->GetSize(), 100)},
         2},
        // The node's own set first: the transform, each axis its own.
        {Objects("Model: \"A\" {\nProperties: {\n\"Lcl Translation\": 1, 2, 3\n\"Lcl Rotation\": 10, 20, 30\n"
                 "\"Lcl Scaling\": 4, 5, 6\nVisibility: 0\nNoSuchProperty: 1\n}\n}"),
         {GOT(NodeP(s, "A", "Lcl Translation", 2), 3), GOT(NodeP(s, "A", "Lcl Rotation", 0), 10),
          GOT(NodeP(s, "A", "Lcl Rotation", 1), 20), GOT(NodeP(s, "A", "Lcl Rotation", 2), 30),
          GOT(NodeP(s, "A", "Lcl Scaling", 0), 4), GOT(NodeP(s, "A", "Lcl Scaling", 1), 5),
          GOT(NodeP(s, "A", "Lcl Scaling", 2), 6), GOT(N(s, "A")->GetVisibility(), 0)},
         1},
        {Objects("Model: \"A\" {\nProperties: {\n\"Lcl Rotation\": 10, 20\nVisibility: 1\n}\n}"),
         {GOT(NodeP(s, "A", "Lcl Rotation", 0), 0), GOT(N(s, "A")->GetVisibility(), 1)},
         1},
    });
}

TEST_F(ReaderRulesTest, UserPropertiesByDataType)
{
    const auto user = [](const char* line)
    { return Objects(std::string("Model: \"A\" {\n") + line + "\n}"); };
    Run({
        {user("UserProperty: \"b\", \"Bool\", \"\", 1\nUserProperty: \"i\", \"Integer\", \"\", -7\n"
              "UserProperty: \"e\", \"Enum\", \"\", 3\nUserProperty: \"a\", \"Action\", \"\", 1"),
         {GOT(User(s, "A", "b"), 1), GOT(User(s, "A", "i"), -7), GOT(User(s, "A", "e"), 3),
          GOT(User(s, "A", "a"), 1)}},
        {user("UserProperty: \"n\", \"Number\", \"\", 0.25\nUserProperty: \"r\", \"Real\", \"\", 0.5, 9\n"
              "UserProperty: \"k\", \"Intensity\", \"\", 75"),
         {GOT(User(s, "A", "n"), 0.25), GOT(User(s, "A", "r"), 0.5), GOT(User(s, "A", "k"), 75)}},
        {user("UserProperty: \"v\", \"Vector\", \"\", 1, 2, 3\nUserProperty: \"c\", \"Color\", \"\", 0.1, "
              "0.2, 0.3"),
         {GOT(User(s, "A", "v", 0), 1), GOT(User(s, "A", "v", 1), 2), GOT(User(s, "A", "v", 2), 3),
          GOT(User(s, "A", "c", 0), 0.1), GOT(User(s, "A", "c", 2), 0.3)}},
        {user("UserProperty: \"x\", \"ColorAndAlpha\", \"\", 0.1, 0.2, 0.3\n"
              "UserProperty: \"y\", \"ColorAndAlpha\", \"\", 0.1, 0.2, 0.3, 0.4"),
         {GOT(User(s, "A", "x", 2), 0.3), GOT(User(s, "A", "x", 3), 1), GOT(User(s, "A", "y", 3), 0.4)}},
        // A time keeps its ticks; no value leaves the type's default; the
        // label is kept.
        {user("UserProperty: \"t\", \"Time\", \"\", 46186158000\nUserProperty: \"z\", \"Real\", \"weight\"\n"
              "UserProperty: \"w\", \"Integer\", \"\""),
         {GOT(UserTime(s, "A", "t"), kSecond), GOT(User(s, "A", "z"), 0), GOT(User(s, "A", "w"), 0),
          GOT_TEXT(N(s, "A")->FindUserPropertyByName("z")->GetLabel(), "weight")}},
        // Too few values: kept, counted; unknown types and types without a
        // property: no property, counted.
        {user("UserProperty: \"v\", \"Vector\", \"\", 1, 2\nUserProperty: \"q\", \"Quaternion\", \"\", 1\n"
              "UserProperty: \"f\", \"Vector4\", \"\", 1, 2, 3, 4"),
         {GOT(HasUser(s, "A", "v"), 1), GOT(User(s, "A", "v", 0), 0), GOT(HasUser(s, "A", "q"), 0),
          GOT(HasUser(s, "A", "f"), 0)},
         3},
        // On other kinds the field is ignored.
        {Objects("Material: \"M\" {\nUserProperty: \"b\", \"Bool\", \"\", 1\n}"),
         {GOT(std::isnan(P(Mat(s)->GetPropertyHandler(), "b")), 1)}},
    });
}

// ---- Materials and textures ----

TEST_F(ReaderRulesTest, MaterialValues)
{
    const auto material = [](const char* fields)
    { return Objects(std::string("Material: \"M\" {\n") + fields + "\n}"); };
    Run({
        // Each colour to its own, as given (only the opacity and the
        // reflectivity are kept within 0..1), the property and the default
        // take alike.
        {material("Properties: {\nEmissive: 0.1, 0.2, 0.3\nAmbient: 0.4, 0.5, 0.6\nDiffuse: 2, -1, 0.5\n"
                  "Specular: 0.7, 0.8, 0.9\nOpacity: 0.25\nReflectivity: 0.75\nShininess: 100\n}"),
         {GOT(MatColour(s, 0, 0), 0.1), GOT(MatColour(s, 0, 2), 0.3), GOT(MatColour(s, 1, 0), 0.4),
          GOT(MatColour(s, 1, 1), 0.5), GOT(MatColour(s, 2, 0), 2), GOT(MatColour(s, 2, 1), -1),
          GOT(MatColour(s, 2, 2), 0.5), GOT(MatColour(s, 3, 2), 0.9),
          GOT(P(Mat(s)->GetPropertyHandler(), "Specular", 1), 0.8), GOT(Mat(s)->GetDefaultOpacity(), 0.25),
          GOT(Mat(s)->GetDefaultReflectivity(), 0.75),
          GOT(Mat(s)->GetMaterialProperties()->Shininess.GetValue(), 100),
          GOT(Mat(s)->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 100),
          GOT_TEXT(Mat(s)->GetShadingModel(), "phong"), GOT(Mat(s)->GetMultiLayer(), 0)}},
        {material("ShadingModel: \"lambert\"\nMultiLayer: 1\nProperties: {\nOpacity: 3\nReflectivity: -2\n"
                  "Ambient: 1, 1\nNoSuch: 1\n}"),
         {GOT_TEXT(Mat(s)->GetShadingModel(), "lambert"), GOT(Mat(s)->GetMultiLayer(), 1),
          GOT(Mat(s)->GetDefaultOpacity(), 1), GOT(Mat(s)->GetDefaultReflectivity(), 0),
          GOT(MatColour(s, 1, 0), 0.2)},
         2},
    });
}

TEST_F(ReaderRulesTest, TextureFields)
{
    const auto texture = [](const char* fields)
    { return Objects(std::string("Texture: \"T\" {\nFileName: \"Data/t.tga\"\n") + fields + "\n}"); };
    Run({
        // The mapping types 1..7 and what each shows.
        {texture("MappingType: 1\nPlanarNormal: 0"),
         {GOT(Tex(s)->GetMappingType(), 1), GOT(Tex(s)->GetPlanarMappingNormal(), 0),
          GOT(Tex(s)->GetTextureProperties()->GetCurrentMappingType(), eUMT_X)}},
        // The normal after the mapping type still applies.
        {texture("MappingType: 1\nPlanarNormal: 1"),
         {GOT(Tex(s)->GetTextureProperties()->GetCurrentMappingType(), eUMT_Y)}},
        {texture("PlanarNormal: 2\nMappingType: 1"),
         {GOT(Tex(s)->GetTextureProperties()->GetCurrentMappingType(), eUMT_Z)}},
        {texture("MappingType: 2"),
         {GOT(Tex(s)->GetTextureProperties()->GetCurrentMappingType(), eUMT_Spherical)}},
        {texture("MappingType: 7"),
         {GOT(Tex(s)->GetMappingType(), 7),
          GOT(Tex(s)->GetTextureProperties()->GetCurrentMappingType(), eUMT_Environment)}},
        {texture("MappingType: 0\nPlanarNormal: 3"),
         {GOT(Tex(s)->GetMappingType(), 6), GOT(Tex(s)->GetPlanarMappingNormal(), 0)},
         2},
        {texture("MappingType: 8\nPlanarNormal: 2"),
         {GOT(Tex(s)->GetMappingType(), 6), GOT(Tex(s)->GetPlanarMappingNormal(), 2)},
         1},
        // Properties stand over the mapping fields.
        {texture("MappingType: 1\nPlanarNormal: 2\nProperties: {\nCurrentMappingType: Box\n}"),
         {GOT(Tex(s)->GetTextureProperties()->GetCurrentMappingType(), eUMT_Box)}},
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
         {GOT(Tex(s)->GetCroppingField(1), 0), GOT(Tex(s)->GetUVTranslation().u, 0),
          GOT(Tex(s)->GetUVScaling().u, 1)},
         4},
    });
}

// ---- Models ----

TEST_F(ReaderRulesTest, AttributeKindsAndSubKinds)
{
    Run({
        {Objects("Model: \"S\", \"Shape\"\nModel: \"N\", \"Null\"\nModel: \"K\", \"Marker\"\n"
                 "Model: \"B\", \"Skeleton\"\nModel: \"M\", \"Mesh\"\nModel: \"U\", \"Nurb\"\n"
                 "Model: \"P\", \"Patch\"\nModel: \"C\", \"Camera\"\nModel: \"L\", \"Light\"\n"
                 "Model: \"O\", \"OpticalReference\"\nModel: \"W\", \"CameraSwitcher\"\nModel: \"X\"\n"
                 "Model: \"Y\", \"\"\nModel: \"Z\", \"Teapot\""),
         {GOT(Kind(s, "S"), KScnNodeAttribute::eShape), GOT(Kind(s, "N"), KScnNodeAttribute::eNull),
          GOT(Kind(s, "K"), KScnNodeAttribute::eMarker), GOT(Kind(s, "B"), KScnNodeAttribute::eSkeleton),
          GOT(Kind(s, "M"), KScnNodeAttribute::eMesh), GOT(Kind(s, "U"), KScnNodeAttribute::eNurb),
          GOT(Kind(s, "P"), KScnNodeAttribute::ePatch), GOT(Kind(s, "C"), KScnNodeAttribute::eCamera),
          GOT(Kind(s, "L"), KScnNodeAttribute::eLight),
          GOT(Kind(s, "O"), KScnNodeAttribute::eOpticalReference),
          GOT(s.GetCameraSwitcherNode()->GetNodeAttribute()->GetAttributeKind(),
              KScnNodeAttribute::eCameraSwitcher),
          GOT(Kind(s, "X"), -1), GOT(Kind(s, "Y"), -1), GOT(Kind(s, "Z"), -1),
          GOT(A<KScnMesh>(s, "M")->GetControlPointsCount(), 0),
          GOT(A<KScnPatch>(s, "P")->GetControlPointsCount(), 0),
          GOT(A<KScnNurb>(s, "U")->GetControlPointsCount(), 0)},
         1},
        {Objects("Model: \"R\", \"Skeleton\", \"Root\"\nModel: \"E\", \"Skeleton\", \"Effector\"\n"
                 "Model: \"T\", \"Skeleton\", \"Tail\"\nModel: \"K\", \"Marker\", \"Marker\"\n"
                 "Model: \"F\", \"Marker\", \"FKEffector\"\nModel: \"I\", \"Marker\", \"IKEffector\"\n"
                 "Model: \"G\", \"Marker\", \"Glow\"\nModel: \"N\", \"Null\", \"Limb\""),
         {GOT(A<KScnSkeleton>(s, "R")->GetSkeletonKind(), KScnSkeleton::eRoot),
          GOT(A<KScnSkeleton>(s, "E")->GetSkeletonKind(), KScnSkeleton::eEffector),
          GOT(A<KScnSkeleton>(s, "T")->GetSkeletonKind(), KScnSkeleton::eRoot),
          GOT(A<KScnMarker>(s, "K")->GetMarkerKind(), KScnMarker::eMarker),
          GOT(A<KScnMarker>(s, "F")->GetMarkerKind(), KScnMarker::eFKEffector),
          GOT(A<KScnMarker>(s, "I")->GetMarkerKind(), KScnMarker::eIKEffector),
          GOT(A<KScnMarker>(s, "G")->GetMarkerKind(), KScnMarker::eMarker),
          GOT(N(s, "I")->GetDefaultTakeNode()->FindCurve(nullptr, "IK Reach Translation", nullptr) != nullptr,
              1)},
         2},
    });
}

TEST_F(ReaderRulesTest, ModelFields)
{
    Run({
        // The shading letters W F Y T U are modes 1 to 5, 3 when absent.
        {Objects(
             "Model: \"W\" {\nShading: W\n}\nModel: \"F\" {\nShading: F\n}\nModel: \"Y\" {\nShading: Y\n}\n"
             "Model: \"T\" {\nShading: T\n}\nModel: \"U\" {\nShading: \"U\"\n}\nModel: \"A\"\n"
             "Model: \"Q\" {\nShading: Q\n}\nModel: \"R\" {\nShading: \"WF\"\n}\nModel: \"E\" {\nShading: "
             "\"\"\n}"),
         {GOT(N(s, "W")->GetShadingMode(), 1), GOT(N(s, "F")->GetShadingMode(), 2),
          GOT(N(s, "Y")->GetShadingMode(), 3), GOT(N(s, "T")->GetShadingMode(), 4),
          GOT(N(s, "U")->GetShadingMode(), 5), GOT(N(s, "A")->GetShadingMode(), 3),
          GOT(N(s, "Q")->GetShadingMode(), 3), GOT(N(s, "R")->GetShadingMode(), 3)},
         3},
        // Children in order; the rest under the root in file order.
        {Objects("Model: \"A\" {\nChildren: \"C\", \"B\"\n}\nModel: \"B\"\nModel: \"C\" {\nChildren: \"D\", "
                 "\"Nobody\"\n}\n"
                 "Model: \"D\"\nModel: \"E\""),
         {GOT(s.GetRootNode()->GetChildCount(), 2),
          GOT_TEXT(s.GetRootNode()->GetChild(1)->GetName(), "Model::E"),
          GOT_TEXT(N(s, "A")->GetChild(0)->GetName(), "Model::C"),
          GOT_TEXT(N(s, "A")->GetChild(1)->GetName(), "Model::B"),
          GOT_TEXT(N(s, "D")->GetParent()->GetName(), "Model::C")},
         1},
        // The switcher's camera index: given, absent; elsewhere counted.
        {Objects("Model: \"W\", \"CameraSwitcher\" {\nCameraIndex: 4\n}\nModel: \"A\", \"Null\" "
                 "{\nCameraIndex: 2\n}"),
         {GOT(s.GetCameraSwitcherNode()->GetDefaultTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 4),
          GOT_TEXT(s.GetCameraSwitcherNode()->GetName(), "Model::W"), GOT(N(s, "W") == nullptr, 1)},
         1},
        {Objects("Model: \"W\", \"CameraSwitcher\" {\nCameraIndex:\n}"),
         {GOT(s.GetCameraSwitcherNode()->GetDefaultTakeNode()->GetCameraIndexCurve()->GetDefaultValue(), 1)}},
        // A Mesh block makes a mesh whatever the word; a Patch block on
        // another kind is ignored.
        {Objects("Model: \"M\", \"Null\" {\nMesh: {\nControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\n"
                 "PolygonSizes: 3\nPolygonVertices: 0, 1, 2\n}\n}\n"
                 "Model: \"N\", \"Null\" {\nPatch: {\nDimensions: 1, 1\nControlPoints: 0, 0, 0\n}\n}"),
         {GOT(Kind(s, "M"), KScnNodeAttribute::eMesh), GOT(A<KScnMesh>(s, "M")->GetPolygonCount(), 1),
          GOT(Kind(s, "N"), KScnNodeAttribute::eNull)}},
        // Materials and textures hang in the order given: the layers'
        // indices are positions in these lists.
        {Objects(
             "Model: \"M\", \"Mesh\" {\nMaterials: \"Y\", \"X\"\nTextures: \"V\", \"U\", \"Nothing\"\n"
             "Mesh: {\nControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\nPolygonSizes: 3\nPolygonVertices: 0, 1, 2\n"
             "Layer: 0 {\nLayerElementMaterial: {\nMapping: AllSame\nIndices: 1\n}\n"
             "LayerElementTexture: {\nMapping: AllSame\nIndices: 0\n}\n}\n}\n}\n"
             "Material: \"X\"\nMaterial: \"Y\"\nTexture: \"U\" {\nFileName: \"u\"\n}\n"
             "Texture: \"V\" {\nFileName: \"v\"\n}"),
         {GOT_TEXT(Bound(s, "M", KScnLayerElement::eMaterial), "Material::X"),
          GOT_TEXT(Bound(s, "M", KScnLayerElement::eTexture), "Texture::V")},
         1},
    });
}

// ---- Attribute properties ----

TEST_F(ReaderRulesTest, AttributePropertiesThroughTheirSetters)
{
    const auto model = [](const char* name, const char* kind, const char* props)
    { return std::string("Model: \"") + name + "\", " + kind + " {\nProperties: {\n" + props + "\n}\n}\n"; };
    Run({
        {Objects(model("N", "\"Null\"", "Size: 30") + "Model: \"O\", \"Null\"\n" +
                 model("K", "\"Marker\"", "Color: 2, 0.5, -1, 0.25")),
         {GOT(A<KScnNull>(s, "N")->GetSize(), 30), GOT(A<KScnNull>(s, "N")->IsSizeSet(), 1),
          GOT(A<KScnNull>(s, "O")->IsSizeSet(), 0), GOT(A<KScnMarker>(s, "K")->GetColor().mRed, 1),
          GOT(A<KScnMarker>(s, "K")->GetColor().mGreen, 0.5),
          GOT(A<KScnMarker>(s, "K")->GetColor().mBlue, 0)}},
        // A limb takes all three; a limb node no length; an effector and a
        // root neither length nor colour.
        {Objects(model("L", "\"Skeleton\", \"Limb\"", "Size: 2\nLimbLength: 12\nColor: 0.1, 0.2, 0.3") +
                 model("M", "\"Skeleton\", \"LimbNode\"", "LimbLength: 12\nColor: 0.4, 0.5, 0.6") +
                 model("E", "\"Skeleton\", \"Effector\"", "Color: 0.4, 0.5, 0.6\nSize: 5") +
                 model("R", "\"Skeleton\"", "LimbLength: 12")),
         {GOT(A<KScnSkeleton>(s, "L")->GetSize(), 2), GOT(A<KScnSkeleton>(s, "L")->IsSizeSet(), 1),
          GOT(A<KScnSkeleton>(s, "L")->GetLimbLength(), 12),
          GOT(A<KScnSkeleton>(s, "L")->IsLimbLengthSet(), 1),
          GOT(A<KScnSkeleton>(s, "L")->GetLimbColor().mGreen, 0.2),
          GOT(A<KScnSkeleton>(s, "L")->IsColorSet(), 1), GOT(A<KScnSkeleton>(s, "M")->IsLimbLengthSet(), 0),
          GOT(A<KScnSkeleton>(s, "M")->GetLimbColor().mBlue, 0.6),
          GOT(A<KScnSkeleton>(s, "E")->IsColorSet(), 0), GOT(A<KScnSkeleton>(s, "E")->GetSize(), 5),
          GOT(A<KScnSkeleton>(s, "R")->IsLimbLengthSet(), 0)},
         3},
        // A light's channels: the property and the default take's curve.
        {Objects(model("L", "\"Light\"",
                       "Color: 0.1, 0.2, 0.3\nIntensity: 42\n\"Cone angle\": 30\nFog: 10\n"
                       "CastLightOnObject: 0")),
         {GOT(A<KScnLight>(s, "L")->GetColor().mRed, 0.1), GOT(Curve(s, "L", "Color", "X"), 0.1f),
          GOT(Curve(s, "L", "Color", "Y"), 0.2f), GOT(Curve(s, "L", "Color", "Z"), 0.3f),
          GOT(A<KScnLight>(s, "L")->GetIntensity(), 42), GOT(Curve(s, "L", nullptr, "Intensity"), 42),
          GOT(A<KScnLight>(s, "L")->GetConeAngle(), 30), GOT(Curve(s, "L", nullptr, "Cone angle"), 30),
          GOT(A<KScnLight>(s, "L")->GetFog(), 10), GOT(Curve(s, "L", nullptr, "Fog"), 10),
          GOT(A<KScnLight>(s, "L")->GetCastLight(), 0)}},
        // A camera's eight channels, each its own; its format sets no preset.
        {Objects(model("C", "\"Camera\"",
                       "FieldOfView: 40\nFieldOfViewX: 41\nFieldOfViewY: 42\nOpticalCenterX: 0.25\n"
                       "OpticalCenterY: 0.75\nRoll: 5\nTurnTable: 6\nBackgroundColor: 0.1, 0.2, 2\n"
                       "CameraFormat: PAL") +
                 "Model: \"D\", \"Camera\""),
         {GOT(Cam(s)->FieldOfView->GetDouble(), 40),
          GOT(Curve(s, "C", nullptr, "FieldOfView"), 40),
          GOT(Cam(s)->FieldOfViewX->GetDouble(), 41),
          GOT(Curve(s, "C", nullptr, "FieldOfViewX"), 41),
          GOT(Cam(s)->FieldOfViewY->GetDouble(), 42),
          GOT(Curve(s, "C", nullptr, "FieldOfViewY"), 42),
          GOT(Cam(s)->OpticalCenterX->GetDouble(), 0.25),
          GOT(Curve(s, "C", nullptr, "OpticalCenterX"), 0.25),
          GOT(Cam(s)->OpticalCenterY->GetDouble(), 0.75),
          GOT(Curve(s, "C", nullptr, "OpticalCenterY"), 0.75),
          GOT(Cam(s)->Roll->GetDouble(), 5),
          GOT(Curve(s, "C", nullptr, "Roll"), 5),
          GOT(Cam(s)->TurnTable->GetDouble(), 6),
          GOT(Curve(s, "C", nullptr, "TurnTable"), 6),
          GOT(A<KScnCamera>(s, "C")->GetBackgroundColor().mGreen, 0.2f),
          GOT(A<KScnCamera>(s, "C")->GetBackgroundColor().mBlue, 1),
          GOT(Curve(s, "C", "BackgroundColor", "X"), 0.1f),
          GOT(Curve(s, "C", "BackgroundColor", "Z"), 1),
          GOT(Cam(s)->AspectW.GetValue() == Cam(s, "D")->AspectW.GetValue(), 1),
          GOT(Cam(s)->FieldOfViewX->GetDouble() == Cam(s, "D")->FieldOfViewX->GetDouble(), 0)}},
        // Too few values, names neither set has, attributes without a set.
        {Objects(model("C", "\"Camera\"", "FieldOfViewX:\nBackgroundColor: 1, 1\nRoll: 3, 4\nSize: 3") +
                 model("M", "\"Mesh\"", "Size: 3") + model("P", "\"Patch\"", "Look: 1")),
         {GOT(Cam(s)->Roll->GetDouble(), 3)},
         5},
    });
}

// ---- Geometry ----

TEST_F(ReaderRulesTest, MeshLayers)
{
    const auto mesh = [](const char* layers)
    {
        return Objects(std::string("Model: \"M\", \"Mesh\" {\nTextures: \"T\"\nMesh: {\nControlPoints: 0, 0, "
                                   "0, 1, 2, 3, 4, 5, 6\n"
                                   "PolygonSizes: 3\nPolygonVertices: 0, 2, 1\n") +
                       layers + "\n}\n}\nTexture: \"T\" {\nFileName: \"t\"\n}");
    };
    Run({
        {mesh("Layer: 0 {\nLayerElementNormal: {\nMapping: ByControlPoint\nValues: 0, 0, 1, 0, 1, 0, 1, 0, "
              "0\n}\n"
              "LayerElementUV: {\nMapping: ByPolygonVertex\nReference: IndexToDirect\nValues: 0.25, 0.5, "
              "0.75, 1\n"
              "Indices: 1, 0, 1\n}\n"
              "LayerElementColor: {\nMapping: AllSame\nValues: 0.1, 0.2, 0.3, 0.4\n}\n"
              "LayerElementPolygonGroup: {\nMapping: ByPolygon\nReference: 0\nValues: 7\n}\n}"),
         {GOT(A<KScnMesh>(s, "M")->GetControlPointAt(1)[0], 1),
          GOT(A<KScnMesh>(s, "M")->GetControlPointAt(2)[2], 6),
          GOT(A<KScnMesh>(s, "M")->GetPolygonVertex(0, 1), 2),
          GOT(Element(s, 0, KScnLayerElement::eNormal)->GetMappingMode(), 1),
          GOT(Element(s, 0, KScnLayerElement::eNormal)->GetReferenceMode(), 0),
          GOT(Element(s, 0, KScnLayerElement::eNormal)->GetDirectVector(1)[1], 1),
          GOT(Element(s, 0, KScnLayerElement::eNormal)->GetDirectVector(2)[0], 1),
          GOT(Element(s, 0, KScnLayerElement::eNormal)->GetDirectVector(2)[3], 0),
          GOT(Element(s, 0, KScnLayerElement::eUV)->GetMappingMode(), 2),
          GOT(Element(s, 0, KScnLayerElement::eUV)->GetReferenceMode(), 2),
          GOT(Element(s, 0, KScnLayerElement::eUV)->GetDirectCount(), 2),
          GOT(static_cast<double*>(Element(s, 0, KScnLayerElement::eUV)->GetDirectItem(1))[0], 0.75),
          GOT(static_cast<double*>(Element(s, 0, KScnLayerElement::eUV)->GetDirectItem(0))[1], 0.5),
          GOT(Element(s, 0, KScnLayerElement::eUV)->GetIndexAt(0), 1),
          GOT(Element(s, 0, KScnLayerElement::eColor)->GetMappingMode(), 4),
          GOT(Element(s, 0, KScnLayerElement::eColor)->GetDirectVector(0)[3], 0.4),
          GOT(Element(s, 0, KScnLayerElement::ePolygonGroup)->GetMappingMode(), 3),
          GOT(*static_cast<int32_t*>(Element(s, 0, KScnLayerElement::ePolygonGroup)->GetDirectItem(0)), 7)}},
        // Modes by number; ByVertice; the texture element's defaults and
        // values; a later layer makes the ones before it.
        {mesh("Layer: 2 {\nLayerElementNormal: {\nMapping: 4\nReference: 1\nIndices: 5\n}\n"
              "LayerElementTexture: {\nMapping: ByVertice\nIndices: 0, 0, 0\nBlendMode: 2\nAlpha: 0.5\n}\n}\n"
              "Layer: 1 {\nLayerElementTexture: {\nMapping: 0\n}\nLayerElementMaterial: {\nMapping: "
              "NoMapping\n}\n}"),
         {GOT(A<KScnMesh>(s, "M")->GetLayerCount(), 3),
          GOT(Element(s, 2, KScnLayerElement::eNormal)->GetMappingMode(), 4),
          GOT(Element(s, 2, KScnLayerElement::eNormal)->GetReferenceMode(), 1),
          GOT(Element(s, 2, KScnLayerElement::eTexture)->GetMappingMode(), 1),
          GOT(Element(s, 2, KScnLayerElement::eTexture)->GetReferenceMode(), 2),
          GOT(static_cast<KScnLayerElementTexture*>(Element(s, 2, KScnLayerElement::eTexture))
                  ->GetBlendMode(),
              2),
          GOT(static_cast<KScnLayerElementTexture*>(Element(s, 2, KScnLayerElement::eTexture))->GetAlpha(),
              0.5),
          GOT(static_cast<KScnLayerElementTexture*>(Element(s, 1, KScnLayerElement::eTexture))
                  ->GetBlendMode(),
              0),
          GOT(static_cast<KScnLayerElementTexture*>(Element(s, 1, KScnLayerElement::eTexture))->GetAlpha(),
              1),
          GOT(Element(s, 1, KScnLayerElement::eMaterial)->GetReferenceMode(), 2)}},
    });
}

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
            "\nControlPoints: 0, 0, 0, 1, 1, 0, 0, 0.5, 0, 1, 0, 0.25, 1, 1, 0, 2\n" + fields + "\n}\n" +
            "Shape: \"S\" {\nControlPoints: 0, 0, 1, 1, 1, 0, 1, 3, 0, 1, 1, 4, 1, 1, 1, 5\n"
            "Normals: 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0, 1\n}\n}");
    };
    Run({
        {patch("PatchType: BezierQuadric, Cardinal\nStep: 3, 4\nSurfaceDisplay: 1, 8, 9\nClosed: 0, 1\n"
               "UCapped: 1, 0\nVCapped: 0, 1"),
         {GOT(A<KScnPatch>(s, "P")->GetUCount(), 2), GOT(A<KScnPatch>(s, "P")->GetVCount(), 3),
          GOT(A<KScnPatch>(s, "P")->GetPatchUType(), KScnPatch::eBezierQuadric),
          GOT(A<KScnPatch>(s, "P")->GetPatchVType(), KScnPatch::eCardinal),
          GOT(A<KScnPatch>(s, "P")->GetControlPointAt(5)[2], 5),
          GOT(A<KScnPatch>(s, "P")->GetControlPointAt(4)[1], 2),
          GOT(A<KScnPatch>(s, "P")->GetSurfaceMode(), 1), GOT(A<KScnPatch>(s, "P")->GetUStep(), 3),
          GOT(A<KScnPatch>(s, "P")->GetVStep(), 4), GOT(A<KScnPatch>(s, "P")->GetUClosed(), 0),
          GOT(A<KScnPatch>(s, "P")->GetVClosed(), 1), GOT(A<KScnPatch>(s, "P")->GetUCappedBottom(), 1),
          GOT(A<KScnPatch>(s, "P")->GetUCappedTop(), 0), GOT(A<KScnPatch>(s, "P")->GetVCappedBottom(), 0),
          GOT(A<KScnPatch>(s, "P")->GetVCappedTop(), 1)}},
        // Missing values leave the defaults; any other type word is type 4.
        {patch("PatchType: Hermite, BSpline\nSurfaceDisplay: 2\nClosed: 1\nUCapped: 1"),
         {GOT(A<KScnPatch>(s, "P")->GetPatchUType(), KScnPatch::eOther),
          GOT(A<KScnPatch>(s, "P")->GetPatchVType(), KScnPatch::eBSpline),
          GOT(A<KScnPatch>(s, "P")->GetSurfaceMode(), 2), GOT(A<KScnPatch>(s, "P")->GetUStep(), 0),
          GOT(A<KScnPatch>(s, "P")->GetUClosed(), 0), GOT(A<KScnPatch>(s, "P")->GetUCappedBottom(), 0)}},
        {patch("SurfaceDisplay: 3, 6, 7"),
         {GOT(A<KScnPatch>(s, "P")->GetUStep(), 6), GOT(A<KScnPatch>(s, "P")->GetVStep(), 7)}},
        // A NURBS point's fourth number is its weight, also in its shapes;
        // Step and Closed are a patch's only.
        {nurb("KnotVectorU: 0, 0, 1, 1\nKnotVectorV: 0, 0, 0, 1, 2\nSurfaceDisplay: 2, 5, 6\nStep: 8, 9",
              "Open, Open"),
         {GOT(A<KScnNurb>(s, "U")->GetUOrder(), 2), GOT(A<KScnNurb>(s, "U")->GetVOrder(), 3),
          GOT(A<KScnNurb>(s, "U")->GetControlPointAt(1)[0], 1),
          GOT(A<KScnNurb>(s, "U")->GetControlPointAt(1)[3], 0.5),
          GOT(A<KScnNurb>(s, "U")->GetControlPointAt(3)[3], 2),
          GOT(A<KScnNurb>(s, "U")->GetVKnotVector()[4], 2), GOT(A<KScnNurb>(s, "U")->GetUKnotVector()[2], 1),
          GOT(A<KScnNurb>(s, "U")->GetSurfaceMode(), 2), GOT(A<KScnNurb>(s, "U")->GetUStep(), 5),
          GOT(A<KScnNurb>(s, "U")->GetVStep(), 6),
          GOT(A<KScnNurb>(s, "U")->GetShape(0)->GetControlPointAt(1)[3], 3),
          GOT(A<KScnNurb>(s, "U")->GetShape(0)->GetControlPointAt(3)[2], 1),
          GOT(A<KScnNurb>(s, "U")->GetShape(0)->GetControlPointsCount(), 4),
          GOT(A<KScnNurb>(s, "U")->GetShape(0)->GetNormals()[2][1], 1)}},
        // Periodic and Closed need count + 2 x order - 1 knots; another word
        // is Open.
        {nurb("KnotVectorU: 0, 1, 2, 3, 4\nKnotVectorV: 0, 1, 2, 3, 4, 5, 6", "Periodic, Closed"),
         {GOT(A<KScnNurb>(s, "U")->GetNurbUType(), KScnNurb::ePeriodic),
          GOT(A<KScnNurb>(s, "U")->GetNurbVType(), KScnNurb::eClosed),
          GOT(A<KScnNurb>(s, "U")->GetVKnotVector()[6], 6)}},
        {nurb("KnotVectorU: 0, 0, 1, 1\nKnotVectorV: 0, 0, 0, 1, 1", "Spiral, Open"),
         {GOT(A<KScnNurb>(s, "U")->GetNurbUType(), KScnNurb::eOpen),
          GOT(A<KScnNurb>(s, "U")->GetSurfaceMode(), 4)}},
        // Shapes by their trimmed names, in order, with their normals; the
        // node gets a property and a channel of each.
        {Objects("Model: \"M\", \"Mesh\" {\nMesh: {\nControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\n}\n"
                 "Shape: \"  B \" {\nControlPoints: 0, 0, 1, 1, 0, 1, 0, 1, 7\nNormals: 1, 0, 0, 0, 1, 0, 0, "
                 "0, 1\n}\n"
                 "Shape: \"A\" {\nControlPoints: 0, 0, 0, 2, 0, 0, 0, 2, 0\n}\n}"),
         {GOT(A<KScnMesh>(s, "M")->GetShapeCount(), 2), GOT_TEXT(A<KScnMesh>(s, "M")->GetShapeName(0), "B"),
          GOT_TEXT(A<KScnMesh>(s, "M")->GetShapeName(1), "A"),
          GOT(A<KScnMesh>(s, "M")->GetShape(0)->GetControlPointAt(2)[2], 7),
          GOT(A<KScnMesh>(s, "M")->GetShape(1)->GetControlPointAt(1)[0], 2),
          GOT(A<KScnMesh>(s, "M")->GetShape(0)->GetNormals()[1][1], 1),
          GOT(A<KScnMesh>(s, "M")->GetShape(0)->GetNormals()[2][2], 1),
          GOT(A<KScnMesh>(s, "M")->GetShape(0)->GetNormals()[2][3], 0),
          GOT(A<KScnMesh>(s, "M")->GetShape(1)->GetNormals() == nullptr, 1),
          GOT(N(s, "M")->GetPropertyHandler()->FindProperty("B") != nullptr, 1),
          GOT(N(s, "M")->GetDefaultTakeNode()->FindCurve(nullptr, "A", nullptr) != nullptr, 1)}},
    });
}

// ---- Deformers ----

TEST_F(ReaderRulesTest, SkinsAndClusters)
{
    const std::string body = "Model: \"M\", \"Mesh\" {\nDeformers: \"S\", \"Nowhere\", \"S\"\nMesh: {\n"
                             "ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\n}\n}\nModel: \"J\"\nModel: \"K\"\n";
    Run({
        {Objects(
             body +
             "Deformer: \"S\", \"Skin\" {\nClusters: \"B\", \"A\"\nLink_DeformAcuracy: 40.5\nMultiLayer: 1\n"
             "UserData: \"id\", \"data\"\n}\n"
             "SubDeformer: \"A\", \"Cluster\" {\nModel: \"J\"\nModelReference: \"M\"\nMode: \"Additive\"\n"
             "Indices: 2, 0\nWeights: 0.25, 0.75\n"
             "Transform: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1\n"
             "TransformLink: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, 5, 6, 1\n"
             "AssociateModel: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1\n"
             "TransformParent: 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 11, 12, 1\n}\n"
             "SubDeformer: \"B\" {\nModel: \"K\"\nMode: \"Total1\"\nIndices: 1\nWeights: 0.5\n}\n"
             "SubDeformer: \"C\", \"Cluster\" {\nMode: \"Normalize\"\n}\n"
             "SubDeformer: \"D\", \"Skin\"\nDeformer: \"E\", \"Cluster\""),
         {GOT(Deformer(s, 0, 1)->GetLinkDeformAccuracy(), 40.5), GOT(Deformer(s, 0, 1)->GetMultiLayer(), 1),
          GOT_TEXT(Deformer(s, 0, 1)->GetUserDataID().Buffer(), "id"),
          GOT_TEXT(Deformer(s, 0, 1)->GetUserData().Buffer(), "data"),
          GOT(s.GetContents()->GetDeformerCount(KScnSceneContents::eClusterDeformer), 3),
          GOT(s.GetContents()->GetDeformerCount(KScnSceneContents::eSkinDeformer), 1),
          GOT(Deformer(s, 0, 2)->GetLinkMode(), 1), GOT(Deformer(s, 1, 2)->GetLinkMode(), 2),
          GOT(Deformer(s, 2, 2)->GetLinkMode(), 0), GOT(Deformer(s, 0, 2)->GetIndices().GetAt(0), 2),
          GOT(Deformer(s, 0, 2)->GetWeights().GetAt(0), 0.25),
          GOT(Deformer(s, 0, 2)->GetIndices().GetAt(1), 0),
          GOT(Deformer(s, 0, 2)->GetWeights().GetAt(1), 0.75), GOT(Deformer(s, 0, 2)->GetTransform()[13], 2),
          GOT(Deformer(s, 0, 2)->GetTransformLink()[14], 6),
          GOT(Deformer(s, 0, 2)->GetTransformAssociateModel()[12], 7),
          GOT(Deformer(s, 0, 2)->GetTransformParent()[12], 10),
          GOT(Deformer(s, 0, 2)->HasTransformParent(), 1), GOT(Deformer(s, 1, 2)->HasTransformParent(), 0),
          GOT(Deformer(s, 1, 2)->GetTransform()[0], 1), GOT(Deformer(s, 1, 2)->GetTransform()[12], 0),
          // One link per cluster of the skin, in the skin's order.
          GOT(A<KScnMesh>(s, "M")->GetLinkCount(), 2),
          GOT(A<KScnMesh>(s, "M")->GetLink(0)->GetLink() == N(s, "K"), 1),
          GOT(A<KScnMesh>(s, "M")->GetLink(1)->GetLink() == N(s, "J"), 1),
          GOT(A<KScnMesh>(s, "M")->GetLink(1)->GetAssociateModel() == N(s, "M"), 1),
          GOT(A<KScnMesh>(s, "M")->GetLink(0)->GetAssociateModel() == nullptr, 1)},
         4},
        {Objects(body + "Deformer: \"S\" {\nClusters: \"A\", \"Nothing\", \"A\"\n}\nSubDeformer: \"A\" "
                        "{\nModel: \"Nobody\"\nMultiLayer: 0\n}"),
         {GOT(Deformer(s, 0, 1)->GetLinkDeformAccuracy(), 50), GOT(Deformer(s, 0, 1)->GetMultiLayer(), 0),
          GOT(Deformer(s, 0, 2)->GetLinkMode(), 0), GOT(Deformer(s, 0, 2)->HasTransformParent(), 0),
          GOT(Deformer(s, 0, 2)->GetMultiLayer(), 0)},
         5},
    });
}

// ---- Character poses and characters ----

// What the character getters fill.
KScnCharacterNodeLink slot;
KScnControlSetEffector effector;

double Switches(Scene& s, const char* name)
{
    if (!s.GetCharacter(0)->GetControlSet()->GetEffector(KScnControlSet::FindEffectorId(name), &effector))
        return kNone;
    return effector.show + 2 * effector.tActive + 4 * effector.rActive + 8 * effector.candidateTActive +
           16 * effector.candidateRActive;
}

KScnNode* PoseNode(Scene& s, const char* name)
{
    return s.GetCharacterPose(0)->GetScene()->GetRootNode()->FindChild(name);
}

TEST_F(ReaderRulesTest, CharacterPoseNodes)
{
    Run({
        {Objects("CharacterPose: \"Crouch\" {\nModel: \"H\", \"Null\" {\nProperties: {\n\"Lcl Translation\": "
                 "1, 2, 3\n"
                 "\"Lcl Rotation\": 10, 20, 30\n\"Lcl Scaling\": 4, 5, 6\nVisibility: 0\nNoSuch: 1\n}\n"
                 "Children: \"K\", \"Nobody\"\n}\nModel: \"K\"\nModel: \"F\"\n"
                 "Character: {\nSource: \"Character\", \"Other\"\nBASE: {\nHips: \"H\"\n}\n}\n"
                 "Character: {\nBASE: {\nHips: \"F\"\n}\n}\n}"),
         {GOT_TEXT(s.GetCharacterPose(0)->GetName(), "Pose::Crouch"),
          GOT(P(PoseNode(s, "H")->GetPropertyHandler(), "Lcl Translation", 0), 1),
          GOT(P(PoseNode(s, "H")->GetPropertyHandler(), "Lcl Rotation", 0), 10),
          GOT(P(PoseNode(s, "H")->GetPropertyHandler(), "Lcl Rotation", 1), 20),
          GOT(P(PoseNode(s, "H")->GetPropertyHandler(), "Lcl Rotation", 2), 30),
          GOT(P(PoseNode(s, "H")->GetPropertyHandler(), "Lcl Scaling", 1), 5),
          GOT(P(PoseNode(s, "H")->GetPropertyHandler(), "Lcl Scaling", 2), 6),
          GOT(PoseNode(s, "H")->GetVisibility(), 0), GOT(PoseNode(s, "H")->GetNodeAttribute() == nullptr, 1),
          GOT(PoseNode(s, "K")->GetParent() == PoseNode(s, "H"), 1),
          GOT(s.GetCharacterPose(0)->GetScene()->GetRootNode()->GetChildCount(), 2),
          GOT((s.GetCharacterPose(0)->GetScene()->GetCharacter(0)->GetLink(0, slot),
               slot.node == PoseNode(s, "H")),
              1)},
         4},
    });
}

TEST_F(ReaderRulesTest, CharacterSlotsAndEffectors)
{
    Run({
        {Objects(
             "Model: \"H\"\nCharacter: \"C\" {\nBASE: {\nHips: \"H\" {\nOffsetT: 1, 0, 0\nOffsetR: 0, 2, 0\n"
             "OffsetS: 0, 0, 3\nParentOffsetR: 4, 0, 0\nRotationMin: 0, 5, 0\nRotationMax: 0, 0, 6\n"
             "PreRotation: 7, 0, 0\nPostRotation: 0, 8, 0\n}\nLeftUpLeg: \"H\" {\nParentOffsetR: 1, 2, "
             "3\n}\n}\n"
             "Reference: \"H\"\n"
             "Parameters: {\nPullIterationCount: 20\nHipsHeightCompensation: 2, 12.5\n}\n"
             "ControlSet: {\nType: 1\nUseAxis: 1\nLOCK_XFORM: 0\nLOCK_PICK: 1\nEffectors: {\n"
             "HipsEffector: \"H\" {\nSHOW: 0\nTACTIVE: 1\nRACTIVE: 0\nCANDIDATE_TACTIVE: 1\n"
             "CANDIDATE_RACTIVE: 0\n}\nRightAnkleEffector: \"H\" {\nRACTIVE: 1\nCANDIDATE_RACTIVE: 1\n}\n"
             "LeftAnkleEffector: \"H\" {\nAux: \"H\", \"H\", \"H\", \"H\", \"H\", \"H\", \"H\", \"H\", "
             "\"H\", \"H\", "
             "\"H\", \"H\", \"H\", \"H\", \"H\"\n}\n}\n}\n}"),
         {GOT((s.GetCharacter(0)->GetLink(0, slot), slot.offsetT[0]), 1),
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.offsetR[1]), 2),
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.offsetS[2]), 3),
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.parentOffsetR[0]), 4),
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.rotationMin[1]), 5),
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.rotationMax[2]), 6),
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.preRotation[0]), 7),
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.postRotation[1]), 8),
          GOT((s.GetCharacter(0)->GetLink(67, slot), slot.node == N(s, "H")), 1),
          // Offsets do not mark a rotation space.
          GOT((s.GetCharacter(0)->GetLink(0, slot), slot.hasRotationSpace), 1),
          GOT((s.GetCharacter(0)->GetLink(1, slot), slot.hasRotationSpace), 0),
          GOT(s.GetCharacter(0)->GetParameters()->GetDouble(
                  KScnCharacterParameters::FindIndex("PullIterationCount")),
              20),
          GOT(s.GetCharacter(0)->GetParameters()->GetInt(
                  KScnCharacterParameters::FindIndex("HipsHeightCompensation")),
              2),
          GOT(s.GetCharacter(0)->GetParameters()->GetDouble(
                  KScnCharacterParameters::FindIndex("HipsHeightCompensation")),
              12.5),
          GOT(s.GetCharacter(0)->GetControlSet()->GetType(), 1),
          GOT(s.GetCharacter(0)->GetControlSet()->GetUseAxis(), 1),
          GOT(s.GetCharacter(0)->GetControlSet()->GetLockTransform(), 0),
          GOT(s.GetCharacter(0)->GetControlSet()->GetLockPick(), 1),
          // The switches as show + 2 T + 4 R + 8 candidate T + 16 candidate R;
          // those not given are a fresh effector's (show only).
          GOT(Switches(s, "HipsEffector"), 2 + 8), GOT(Switches(s, "RightAnkleEffector"), 1 + 4 + 16),
          GOT(Switches(s, "LeftAnkleEffector"), 1)},
         1},
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
        {"Takes: {\nTake: \"Run\" {\nTimeWarps: {\nTimeWarp: 0 {\nChannel: \"TimeWarp\" {\nDefault: "
         "0\nKeyVer: 4004\n"
         "KeyCount: 2\nKey: 0, 0, L, 46186158000, 2, L\n}\n}\n}\nModel: \"A\" {\nChannel: \"Glow\" "
         "{\nDefault: 0\n"
         "KeyVer: 4004\nKeyCount: 2\nKey: 0, 0, L, 46186158000, 10, L\nTimeWarpID: 0\n}\n}\n}\n}\n" +
             Objects("Model: \"A\""),
         {GOT(At(s, "A", "Run", "Glow", 0.5), 5)}},
        // "Default" fills the default takes; unknown objects are counted,
        // fields of other names ignored.
        {"Takes: {\nTake: \"Default\" {\nMaterial: \"M\" {\nChannel: \"Shininess\" {\nDefault: 64\n}\n}\n"
         "Model: \"Nobody\"\nLight: \"M\"\n}\n}\n" +
             Objects("Material: \"M\""),
         {GOT(Mat(s)->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 64),
          GOT(Mat(s)->GetTakeNodeCount(), 1)},
         1},
    });
}

} // namespace
