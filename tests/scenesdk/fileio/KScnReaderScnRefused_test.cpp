// What the scene reader will not take: values it cannot use are counted and
// the rest of the document read; documents it refuses leave the scene and
// the manager as they were, with error "File is corrupted" and the reason.

#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

class ReaderRefusalTest : public testsupport::TempDirTest
{
protected:
    ~ReaderRefusalTest() override { mManager.DestroyImporter(mImporter); }

    bool Import(const std::string& body, KScnSceneRoot* scene)
    {
        const std::string path = m_Dir.WriteFile("scene" + std::to_string(mFiles++) + ".scn",
                                                 "FileHeader: {\n Version: 6000\n}\n" + body);
        return mImporter->Initialize(path.c_str()) && mImporter->Import(scene);
    }

    KScnSdkManager mManager;
    KScnImporter* mImporter = mManager.CreateImporter();
    int mFiles = 0;
};

// Each value the reader cannot use is counted; references to names the file
// does not define are counted on any model, and every user property's value
// is set by its type, or counted.
TEST_F(ReaderRefusalTest, UnusableValuesAreCounted)
{
    KScnSceneRoot* scene = mManager.CreateScene();
    ASSERT_TRUE(Import(R"(Objects: {
    Model: "A", "Null" {
        Shading: Q                      ; not a shading letter
        CameraIndex: 3                  ; not a switcher
        Shape: "S" { }                  ; not a geometry
        Properties: {
            Look: 1                     ; a marker's
        }
        Materials: "Nowhere"
        Textures: "Nothing"
        UserProperty: "tint", "ColorAndAlpha", "", 0.5, 0.25, 0.125, 0.75
        UserProperty: "flag", "Bool", "", 1, 0, 0
        UserProperty: "weight", "Real", "", 0.5, 7, 8
        UserProperty: "dir", "Vector", "", 1      ; one number for three
    }
    Model: "B", "Skeleton", "Tail"      ; no such skeleton kind
    Model: "D", "Skeleton", "LimbNode"
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
    EXPECT_STREQ(mImporter->GetStatusText(), "14 items skipped");
    KScnNode* root = scene->GetRootNode();
    KScnNode* a = root->FindChild("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetShadingMode(), 3);
    double tint[4] = {0, 0, 0, 0}, weight = 0.0;
    bool flag = false;
    ASSERT_TRUE(a->FindUserPropertyByName("tint")->GetProperty()->GetAsDoubles(tint));
    a->FindUserPropertyByName("flag")->GetBool(flag);
    a->FindUserPropertyByName("weight")->GetDouble(weight);
    EXPECT_TRUE(tint[3] == 0.75 && flag && weight == 0.5);
    EXPECT_EQ(static_cast<KScnSkeleton*>(root->FindChild("D")->GetNodeAttribute())->GetSkeletonKind(),
              KScnSkeleton::eLimbNode);
    auto* light = static_cast<KScnLight*>(root->FindChild("C")->GetNodeAttribute());
    EXPECT_TRUE(light->GetIntensity() == 100.0 && light->GetLightType() == KScnLight::ePoint);
    KScnTexture* texture = scene->GetContents()->GetTexture(0);
    EXPECT_TRUE(texture->GetMappingType() == 6 && texture->GetPlanarMappingNormal() == 0 &&
                texture->GetUVScaling().u == 1.0);
}

TEST_F(ReaderRefusalTest, RefusedDocumentsLeaveNoTrace)
{
    const std::string mesh = "Model: \"Body\", \"Mesh\" {\n Deformers: \"S\"\n Mesh: {\n"
                             " ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1, 0\n PolygonSizes: 3\n"
                             " PolygonVertices: 0, 1, 2\n }\n}\n";
    const std::string skin = "Deformer: \"S\" {\n Clusters: \"C\"\n}\n";
    const struct
    {
        std::string objects;
        const char* reason;
        const char* settings = "";
    } cases[] = {
        // Surfaces, shapes and switchers.
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
        {"Model: \"M\", \"Mesh\" {\n Mesh: {\n ControlPoints: 0, 0, 0\n }\n Shape: \"A\" {\n"
         " ControlPoints: 1, 1\n }\n}\n",
         "model \"M\": shape \"A\": 2 control point numbers where the geometry needs 3"},
        {"Model: \"M\", \"Mesh\" {\n Shape: \"A\" {\n Normals: 0, 0, 1\n }\n}\n",
         "model \"M\": shape \"A\": 3 normal numbers where the geometry needs 0"},
        {"Model: \"C1\", \"CameraSwitcher\"\nModel: \"C2\", \"CameraSwitcher\"\n",
         "model \"C2\": a second camera switcher"},
        {"Model: \"C\", \"CameraSwitcher\" {\n Children: \"A\"\n}\nModel: \"A\", \"Null\"\n",
         "model \"C\": a camera switcher has no children"},
        {"Model: \"A\", \"Null\" {\n Children: \"C\"\n}\nModel: \"C\", \"CameraSwitcher\"\n",
         "model \"C\": a camera switcher is no child"},
        // Deformers.
        {"SubDeformer: \"C\" {\n Transform: 1, 0, 0\n}\n", "sub-deformer \"C\": Transform is not 16 numbers"},
        {"SubDeformer: \"C\" {\n Indices: 0, 1\n Weights: 1.0\n}\n",
         "sub-deformer \"C\": 2 indices and 1 weights"},
        {"SubDeformer: \"C\" {\n Indices: -1\n Weights: 1.0\n}\n",
         "sub-deformer \"C\": index -1 out of range"},
        {mesh + skin + "SubDeformer: \"C\" {\n Indices: 0, 3\n Weights: 1.0, 1.0\n}\n",
         "sub-deformer \"C\": index 3 out of range of the mesh of model \"Body\""},
        {"Model: \"Empty\", \"Mesh\" {\n Deformers: \"S\"\n}\n" + skin +
             "SubDeformer: \"C\" {\n Indices: 0\n Weights: 1.0\n}\n",
         "sub-deformer \"C\": index 0 out of range of the mesh of model \"Empty\""},
        {skin + skin, "repeated Deformer \"S\""},
        // Layer elements: modes by number 0 .. 4 and 0 .. 2; AllSame is one item.
        {"Model: \"M\", \"Mesh\" {\n Mesh: {\n Layer: 0 {\n LayerElementNormal: {\n Mapping: 5\n }\n }\n "
         "}\n}\n",
         "mesh of model \"M\": LayerElementNormal: unknown mapping"},
        {"Model: \"M\", \"Mesh\" {\n Mesh: {\n Layer: 0 {\n LayerElementUV: {\n Reference: 3\n }\n }\n "
         "}\n}\n",
         "mesh of model \"M\": LayerElementUV: unknown reference"},
        {"Model: \"M\", \"Mesh\" {\n Mesh: {\n ControlPoints: 0, 0, 0\n Layer: 0 {\n LayerElementNormal: {\n"
         " Mapping: AllSame\n Values: 0, 0, 1, 0, 0, 1\n }\n }\n }\n}\n",
         "mesh of model \"M\": layer 0: LayerElementNormal: 2 items where the mapping needs 1"},
        // Hierarchies and materials.
        {"Model: \"A\" {\n Children: \"A\"\n}\n", "model \"A\" is a child twice or of itself"},
        {"Material: \"M\" {\n Properties: {\n Opacity: 0.5\n }\n}\nMaterial: \"M\"\n", "repeated Material \"M\""},
        {"Texture: \"T\" {\n FileName: \"a.tga\"\n}\nTexture: \"T\" {\n FileName: \"b.tga\"\n}\n", "repeated Texture \"T\""},
        // A name given to a dropped repeat stands for the texture it repeats.
        {"Texture: \"T1\" {\n FileName: \"a.tga\"\n}\nTexture: \"T2\" {\n FileName: \"a.tga\"\n}\n"
         "Texture: \"T2\" {\n FileName: \"b.tga\"\n}\n",
         "repeated Texture \"T2\""},
        {"Texture: \"T2\" {\n FileName: \"b.tga\"\n}\nTexture: \"T1\" {\n FileName: \"a.tga\"\n}\n"
         "Texture: \"T2\" {\n FileName: \"a.tga\"\n}\n",
         "repeated Texture \"T2\""},
        {"Material: \"M\" {\n ShadingModel: \"lambert\"\n}\nMaterial: \"M\"\n", "repeated Material \"M\""},
        // Character poses and settings.
        {"CharacterPose: \"P\" {\n Model: \"A\" {\n Children: \"B\"\n }\n Model: \"B\" {\n Children: \"A\"\n"
         " }\n}\n",
         "character pose \"P\": cycle of children through model \"A\""},
        {"CharacterPose: \"P\" {\n Model: \"A\"\n Model: \"A\"\n}\n",
         "character pose \"P\": repeated Model \"A\""},
        {"CharacterPose: \"P\"\nCharacterPose: \"P\"\n", "repeated CharacterPose \"P\""},
        {"", "global settings: producer camera \"Producer Left\" given twice",
         "GlobalSettings: {\n Camera: {\n Producer: \"Producer Left\" {\n }\n"
         " Producer: \"Producer Left\" {\n }\n }\n}\n"},
    };
    KScnSceneRoot* scene = mManager.CreateScene();
    const int nodes = mManager.GetNodeCount();
    KScnNode* switcher = scene->GetCameraSwitcherNode();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.reason);
        EXPECT_FALSE(Import(c.settings + ("Objects: {\n" + c.objects + "}\n"), scene));
        EXPECT_EQ(mImporter->GetLastErrorID(), KScnIO::eFileCorrupted);
        EXPECT_STREQ(mImporter->GetStatusText(), c.reason);
        EXPECT_EQ(mManager.GetNodeCount(), nodes);
        EXPECT_EQ(scene->GetCameraSwitcherNode(), switcher);
    }
    EXPECT_EQ(scene->GetContents()->GetDeformerCount(KScnSceneContents::eAnyDeformer), 0);
    EXPECT_EQ(scene->GetCharacterPoseCount(), 0);
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
}

} // namespace
