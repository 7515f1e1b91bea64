// The scene reader's node attributes (null, marker, skeleton, light, camera,
// camera switcher, patch, NURBS surface), shapes, and the model, material
// and texture fields, read from text, binary and protected files through an
// importer of the manager.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/support/TempDir.h"
#include "tools/datagen/CModelBuilder.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace scenesdk;

namespace
{

const char* const kHeader = "FileHeader: {\n Version: 6000\n HeaderVersion: 1000\n Creator: \"tests\"\n}\n";

const char* const kScene = R"scn(Objects: {
    Model: "Locator", "Null" {
        Properties: {
            "Lcl Translation": 1, 2, 3
            Size: 50
        }
        Shading: W
        PivotEnabled: 1
    }
    Model: "Dot", "Marker", "OpticalMarker" {
        Properties: {
            Look: "Hard Cross"
            Size: 7
            Color: 0, 0.5, 1
            ShowLabel: 1
            IKPivot: 1, 2, 3
        }
    }
    Model: "Hips", "Skeleton", "Limb" {
        Properties: {
            Size: 3
            LimbLength: 12
            Color: 0.25, 0.5, 0.75
        }
        Children: "Knee"
    }
    Model: "Knee", "Skeleton", "Root" {
        Properties: {
            LimbLength: 5                  ; a root has no limb length
            Color: 1, 0, 0                 ; nor a limb colour
        }
    }
    Model: "Sun", "Light" {
        Properties: {
            LightType: "Spot Light"
            Intensity: 42
            Color: 1, 0.5, 0.25
            "Cone angle": 30
            Fog: 10
            CastLightOnObject: 0
            DrawFrontFacingVolumetricLight: 1
        }
    }
    Model: "Eye", "Camera" {
        Properties: {
            "Lcl Translation": 0, 10, 50
            FieldOfView: 50
            Roll: 5
            BackgroundColor: 0.125, 0.25, 0.5
            NearPlane: 2
            FarPlane: 900
            FocalLength: 50
            CameraFormat: PAL               ; stored as written: no preset
            AspectW: 640
            ApertureMode: Horizontal
            ShowGrid: 0
            "Motion Blur Intensity": 0.5
        }
    }
    Model: "Director", "CameraSwitcher" {
        CameraIndex: 2
    }
    Model: "Sail", "Patch" {
        Patch: {
            PatchType: Bezier, BSpline
            Dimensions: 2, 2
            SurfaceDisplay: 2, 8, 8
            Step: 4, 5
            Closed: 1, 0
            UCapped: 0, 1
            VCapped: 1, 0
            ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0
        }
        Shape: "Billow" {
            ControlPoints: 0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1
        }
    }
    Model: "Hull", "Nurb" {
        Nurb: {
            Order: 2, 2
            Form: Open, Periodic
            Dimensions: 2, 3
            SurfaceDisplay: 1, 6, 7
            ControlPoints: 0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0.5,
                0, 2, 0, 1, 1, 2, 0, 1
            KnotVectorU: 0, 0, 1, 1
            KnotVectorV: 0, 1, 2, 3, 4, 5
        }
    }
    Model: "Face", "Mesh" {
        Materials: "Skin"
        Textures: "SkinTex"
        Mesh: {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0
            PolygonSizes: 4
            PolygonVertices: 0, 1, 2, 3
        }
        Shape: "Smile" {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1.5, 0, 0, 1.5, 0
            Normals: 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0
        }
        Shape: " Frown " {
            ControlPoints: 0, 0, 0, 1, 0, 0, 1, 0.5, 0, 0, 0.5, 0
        }
    }
    Material: "Skin" {
        Properties: {
            Diffuse: 0.5, 0.25, 0.125
            Shininess: 6.4
        }
    }
    Texture: "SkinTex" {
        FileName: "Data/textures/skin.tga"
        MappingType: 1
        PlanarNormal: 2
        Cropping: 1, 2, 3, 4
        AlphaSource: 2
        UVTranslation: 0.5, 0.25
        UVScaling: 2, 3
    }
}
Takes: {
    Take: "Run" {
        Model: "Sail" {
            Channel: "Shape 01 (Shape)" {
                Default: 0.5
            }
        }
        Model: "Face" {
            Channel: "Shape 01 (Shape)" {
                Default: 0.25
            }
        }
    }
}
)scn";
// The same tree in the binary encoding: integers as I, other numbers as D,
// everything else as texts.
void CopyBlock(KScn& in, CScnWriter& w)
{
    while (in.OpenNextField())
    {
        if (std::string(in.GetFieldName()) == "FileHeader")
            continue;
        w.BeginField(in.GetFieldName());
        while (in.RemainingValueCount() > 0)
        {
            const std::string v = in.NextValueAsString();
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0')
                w.AddString(v);
            else if (v.find_first_of(".eE") == std::string::npos)
                w.AddInt(static_cast<int32_t>(d));
            else
                w.AddDouble(d);
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
    // The clear header: the records of a header-only binary file.
    const std::string header = Binary(kHeader);
    return ScnEncrypt(inner, header.substr(12, header.size() - 20), 6000, "sesame",
                      SScnEncryptCost::Cheapest());
}

class AttributeReadTest : public testsupport::TempDirTest
{
protected:
    ~AttributeReadTest() override { mManager.DestroyImporter(mImporter); }

    bool Import(const std::string& bytes, KScnSceneRoot* scene)
    {
        const std::string path = m_Dir.WriteFile("scene" + std::to_string(mFiles++) + ".scn", bytes);
        mImporter->SetPassword("sesame");
        return mImporter->Initialize(path.c_str()) && mImporter->Import(scene);
    }
    bool ImportText(const std::string& body, KScnSceneRoot* scene) { return Import(kHeader + body, scene); }

    KScnSdkManager mManager;
    KScnImporter* mImporter = mManager.CreateImporter();
    int mFiles = 0;
};

float DefaultOf(KScnNode* node, const char* first, const char* second, const char* third)
{
    KFCurve* curve = node->GetDefaultTakeNode()->FindCurve(first, second, third);
    EXPECT_NE(curve, nullptr) << third;
    return curve != nullptr ? curve->GetDefaultValue() : -1.0f;
}

template <class T> T* Attribute(KScnSceneRoot& scene, const char* name)
{
    KScnNode* node = scene.GetRootNode()->FindChild(name);
    EXPECT_NE(node, nullptr) << name;
    return node != nullptr ? static_cast<T*>(node->GetNodeAttribute()) : nullptr;
}

void CheckSimpleAttributes(KScnSceneRoot& scene)
{
    KScnNode* locator = scene.GetRootNode()->FindChild("Locator");
    auto* null = Attribute<KScnNull>(scene, "Locator");
    ASSERT_EQ(null->GetAttributeKind(), KScnNodeAttribute::eNull);
    EXPECT_DOUBLE_EQ(null->GetSize(), 50.0);
    EXPECT_TRUE(null->IsSizeSet());
    EXPECT_EQ(locator->GetShadingMode(), 1);
    EXPECT_EQ(locator->GetPivotState(0), 1);

    auto* dot = Attribute<KScnMarker>(scene, "Dot");
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
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, nullptr, nullptr, "Intensity"), 42.0f);
    EXPECT_DOUBLE_EQ(sun->GetConeAngle(), 30.0);
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, nullptr, nullptr, "Cone angle"), 30.0f);
    EXPECT_DOUBLE_EQ(sun->GetFog(), 10.0);
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, nullptr, nullptr, "Fog"), 10.0f);
    EXPECT_DOUBLE_EQ(sun->GetColor().mGreen, 0.5);
    EXPECT_FLOAT_EQ(DefaultOf(sunNode, nullptr, "Color", "Z"), 0.25f);
    EXPECT_FALSE(sun->GetCastLight());
    EXPECT_TRUE(sun->GetDrawFrontFacingVolumetricLight());

    auto* eye = Attribute<KScnCamera>(scene, "Eye");
    ASSERT_EQ(eye->GetAttributeKind(), KScnNodeAttribute::eCamera);
    KScnNode* eyeNode = eye->GetNode();
    KScnCameraProperties* p = eye->GetProperties();
    EXPECT_DOUBLE_EQ(eye->GetPosition().mData[2], 50.0);
    EXPECT_DOUBLE_EQ(p->FieldOfView->GetDouble(), 50.0);
    EXPECT_FLOAT_EQ(DefaultOf(eyeNode, nullptr, nullptr, "FieldOfView"), 50.0f);
    EXPECT_DOUBLE_EQ(eye->GetDefaultRoll(), 5.0);
    EXPECT_FLOAT_EQ(DefaultOf(eyeNode, nullptr, nullptr, "Roll"), 5.0f);
    EXPECT_DOUBLE_EQ(eye->GetBackgroundColor().mBlue, 0.5);
    EXPECT_FLOAT_EQ(DefaultOf(eyeNode, nullptr, "BackgroundColor", "Y"), 0.25f);
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
    EXPECT_EQ(director->GetTakeNodeCount(), 2) << "the file's takes reach it";
}

KFCurveNode* Channel(KScnNode* node, int take, const char* name)
{
    KFCurveNode* root = node->GetTakeNode(take)->GetRootCurveNode();
    const int i = root->IndexOfChildByName(name);
    return i >= 0 ? root->GetChildAt(i) : nullptr;
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
    EXPECT_EQ(Channel(sailNode, 1, "Shape 01 (Shape)"), nullptr);
    ASSERT_NE(Channel(sailNode, 1, "Billow"), nullptr);
    EXPECT_FLOAT_EQ(Channel(sailNode, 1, "Billow")->GetFCurve()->GetDefaultValue(), 0.5f);

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

void CheckMeshMaterialAndTexture(KScnSceneRoot& scene)
{
    auto* face = Attribute<KScnMesh>(scene, "Face");
    ASSERT_EQ(face->GetAttributeKind(), KScnNodeAttribute::eMesh);
    ASSERT_EQ(face->GetShapeCount(), 2);
    EXPECT_STREQ(face->GetShapeName(0), "Smile");
    EXPECT_STREQ(face->GetShapeName(1), "Frown");
    KScnShape* smile = face->GetShape(0);
    EXPECT_DOUBLE_EQ(smile->GetControlPointAt(2).mData[1], 1.5);
    ASSERT_NE(smile->GetNormals(), nullptr);
    EXPECT_DOUBLE_EQ(smile->GetNormals()[3].mData[1], 1.0);
    EXPECT_EQ(face->GetShape(1)->GetNormals(), nullptr);
    KScnNode* faceNode = face->GetNode();
    EXPECT_NE(Channel(faceNode, 0, "Frown"), nullptr);
    EXPECT_NE(Channel(faceNode, 1, "Shape 01 (Shape)"), nullptr) << "a mesh keeps its channels as read";

    KScnSceneContents* contents = scene.GetContents();
    ASSERT_EQ(contents->GetMaterialCount(), 1);
    KScnMaterial* skin = contents->GetMaterial(0);
    EXPECT_DOUBLE_EQ(skin->GetMaterialProperties()->Shininess.GetValue(), 6.4);
    EXPECT_FLOAT_EQ(skin->GetDefaultTakeNode()->GetShininessCurve()->GetDefaultValue(), 6.4f);
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

TEST_F(AttributeReadTest, EveryKindInEveryForm)
{
    const std::string text = std::string(kHeader) + kScene;
    const std::string binary = Binary(text);
    const std::pair<const char*, std::string> forms[] = {{"text", text},
                                                         {"binary", binary},
                                                         {"protected text", Protected(text)},
                                                         {"protected binary", Protected(binary)}};
    for (const auto& form : forms)
    {
        SCOPED_TRACE(form.first);
        KScnSceneRoot* scene = mManager.CreateScene();
        ASSERT_TRUE(Import(form.second, scene)) << mImporter->GetStatusText();
        // The knee's limb length and colour.
        EXPECT_STREQ(mImporter->GetStatusText(), "2 items skipped");
        CheckSimpleAttributes(*scene);
        CheckLightAndCameras(*scene);
        CheckSurfaces(*scene);
        CheckMeshMaterialAndTexture(*scene);
        mManager.DestroyScene(scene, true);
    }
}

TEST_F(AttributeReadTest, UnusableValuesAreCounted)
{
    KScnSceneRoot* scene = mManager.CreateScene();
    ASSERT_TRUE(ImportText(R"(Objects: {
    Model: "A", "Null" {
        Shading: Q                      ; not a shading letter
        CameraIndex: 3                  ; not a switcher
        Shape: "S" {                    ; not a geometry
        }
        Properties: {
            Look: 1                     ; a marker's
        }
    }
    Model: "B", "Skeleton", "Tail"      ; no such skeleton kind
    Model: "C", "Light" {
        Properties: {
            Intensity:                  ; no value
            LightType: 7                ; no such type
        }
    }
    Texture: "T" {
        FileName: "t.tga"
        MappingType: 9
        PlanarNormal: -1
        Cropping: 1, 2
        UVScaling: 2
    }
}
)",
                           scene))
        << mImporter->GetStatusText();
    EXPECT_STREQ(mImporter->GetStatusText(), "11 items skipped");
    KScnNode* a = scene->GetRootNode()->FindChild("A");
    EXPECT_EQ(a->GetShadingMode(), 3);
    auto* light = static_cast<KScnLight*>(scene->GetRootNode()->FindChild("C")->GetNodeAttribute());
    EXPECT_DOUBLE_EQ(light->GetIntensity(), 100.0);
    EXPECT_EQ(light->GetLightType(), KScnLight::ePoint);
    KScnTexture* texture = scene->GetContents()->GetTexture(0);
    EXPECT_EQ(texture->GetMappingType(), 6);
    EXPECT_EQ(texture->GetPlanarMappingNormal(), 0);
    EXPECT_DOUBLE_EQ(texture->GetUVScaling().u, 1.0);
}

TEST_F(AttributeReadTest, BadSurfacesShapesAndSwitchersAreRefusedBeforeAnyObject)
{
    const struct
    {
        const char* body;
        const char* reason;
    } cases[] = {
        {"Model: \"S\", \"Patch\" {\n Patch: {\n Dimensions: 2, 2\n ControlPoints: 0, 0, 0\n }\n}\n",
         "model \"S\": 3 control point numbers where the Patch needs 12"},
        {"Model: \"S\", \"Patch\" {\n Patch: {\n Dimensions: -1, 2\n }\n}\n",
         "model \"S\": bad Patch dimensions"},
        {"Model: \"S\", \"Patch\" {\n Patch: {\n}\n Patch: {\n }\n}\n",
         "model \"S\": Patch block given twice"},
        {"Model: \"N\", \"Nurb\" {\n Nurb: {\n Order: 2, 1\n Dimensions: 1, 1\n ControlPoints: 0, 0, 0, 1\n"
         " KnotVectorU: 0, 1, 2\n KnotVectorV: 0\n }\n}\n",
         "model \"N\": knot vectors of 3 and 1 where the Nurb needs 3 and 2"},
        {"Model: \"N\", \"Nurb\" {\n Nurb: {\n Order: 2, -1\n }\n}\n", "model \"N\": negative Nurb order"},
        {"Model: \"M\", \"Mesh\" {\n Shape: \" \"\n}\n", "model \"M\": shape without a name"},
        {"Model: \"M\", \"Mesh\" {\n Shape: \"A\"\n Shape: \" A\"\n}\n",
         "model \"M\": shape \"A\" given twice"},
        {"Model: \"M\", \"Mesh\" {\n Mesh: {\n ControlPoints: 0, 0, 0\n }\n Shape: \"A\" {\n ControlPoints: "
         "1, 1\n"
         " }\n}\n",
         "model \"M\": shape \"A\": 2 control point numbers where the geometry needs 3"},
        {"Model: \"M\", \"Mesh\" {\n Shape: \"A\" {\n Normals: 0, 0, 1\n }\n}\n",
         "model \"M\": shape \"A\": 3 normal numbers where the geometry needs 0"},
        {"Model: \"C1\", \"CameraSwitcher\"\nModel: \"C2\", \"CameraSwitcher\"\n",
         "model \"C2\": a second camera switcher"},
        {"Model: \"C\", \"CameraSwitcher\" {\n Children: \"A\"\n}\nModel: \"A\", \"Null\"\n",
         "model \"C\": a camera switcher has no children"},
        {"Model: \"A\", \"Null\" {\n Children: \"C\"\n}\nModel: \"C\", \"CameraSwitcher\"\n",
         "model \"C\": a camera switcher is no child"},
    };
    KScnSceneRoot* scene = mManager.CreateScene();
    const int nodes = mManager.GetNodeCount();
    KScnNode* switcher = scene->GetCameraSwitcherNode();
    for (const auto& c : cases)
    {
        EXPECT_FALSE(ImportText(std::string("Objects: {\n") + c.body + "}\n", scene)) << c.body;
        EXPECT_EQ(mImporter->GetLastErrorID(), KScnIO::eFileCorrupted) << c.body;
        EXPECT_STREQ(mImporter->GetStatusText(), c.reason) << c.body;
        EXPECT_EQ(mManager.GetNodeCount(), nodes) << c.body;
        EXPECT_EQ(scene->GetCameraSwitcherNode(), switcher) << c.body;
    }
}

// The material's Shininess is the property's value, the specular exponent
// 0..128 (6.4 by default), as the data generator writes it.
TEST_F(AttributeReadTest, MaterialShininessKeepsItsScale)
{
    KScnSceneRoot* scene = mManager.CreateScene();
    ASSERT_TRUE(ImportText(R"(Objects: {
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
)",
                           scene));
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
    KScnSceneRoot* model = mManager.CreateScene();
    ASSERT_TRUE(Import(bytes, model)) << mImporter->GetStatusText();
    EXPECT_NEAR(model->GetContents()->GetMaterial(0)->GetDefaultShininess(), 0.25, 1e-7);
}

} // namespace
