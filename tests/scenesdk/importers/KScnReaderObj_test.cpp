// The OBJ reader through the importer: a model with two objects, a material
// library (colours, a diffuse map with options, a bump map), n-gons,
// relative indices, normals read and computed, UVs and vertex colours,
// checked value by value; hostile files each refused with error 0 and a
// reason, leaving the scene as it was. (A file written by openscenegraph's
// converter is read back with the 3DS one, in KScnForeignReader_test.cpp.)

#include "scenesdk/importers/KScnReaderObj.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

const char* const kModel = "# a box lid and a coloured fan\n"
                           "mtllib lid.mtl missing.mtl ../../etc/passwd.mtl\n"
                           "o Lid\r\n"
                           "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 1.5 0\n"
                           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1 0\n"
                           "vn 0 0 2\n"
                           "usemtl Brick\n"
                           "s off\n"
                           "f 1/1/1 2/2/1 3/3/1 5/4/1 4/4/1\n"
                           "f -5/-4/-1 -3/-2/-1 -1/-1/-1\n"
                           "curv 0 1 1 2\n"
                           "o Fan\n"
                           "v 0 0 1 1 0 0\nv 1 0 1 0 1 0\nv 1 1 1 0 0 1\nv 0 1 2\n"
                           "usemtl Nowhere\n"
                           "s 1\n"
                           "f 6 7 8\nf 6 8 \\\n 9\n";

const char* const kLibrary = "newmtl Brick\n"
                             "Ka 0.1 0.1 0.1\n"
                             "Kd 0.8 0.3 0.2\n"
                             "Ks 0.5\n"
                             "Ns 64\n"
                             "Tr 0.25\n"
                             "illum 2\n"
                             "map_Kd -s 2 3 1 -o 0.5 0.25 -clamp on textures\\brick wall.tga\n"
                             "bump -bm 0.5 brick_n.tga\n"
                             "newmtl Unused\n"
                             "d 0.5\nTr 0.9\n";

TEST(ObjReader, ReadsObjectsMaterialsTexturesNormalsAndUVs)
{
    testsupport::TempDir dir;
    dir.WriteFile("model/lid.mtl", kLibrary);
    const std::string path = dir.WriteFile("model/lid.obj", kModel);
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(KScnImporter::FindFileFormat("obj"));
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
    const std::string status = importer->GetStatusText();
    EXPECT_NE(status.find("material library not read: missing.mtl"), std::string::npos) << status;
    EXPECT_NE(status.find("outside the model's folder skipped: ../../etc/passwd.mtl"), std::string::npos);
    EXPECT_NE(status.find("unknown material: Nowhere"), std::string::npos);
    EXPECT_NE(status.find("1 elements skipped (first: curv)"), std::string::npos);

    KScnNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 2);
    EXPECT_STREQ(root->GetChild(0)->GetName(), "Model::Lid");
    EXPECT_STREQ(root->GetChild(1)->GetName(), "Model::Fan");
    auto* lid = static_cast<KScnMesh*>(root->GetChild(0)->GetMesh());
    ASSERT_NE(lid, nullptr);
    EXPECT_EQ(lid->GetControlPointsCount(), 5);
    ASSERT_EQ(lid->GetPolygonCount(), 2);
    EXPECT_EQ(lid->GetPolygonSize(0), 5) << "n-gons stay whole";
    EXPECT_EQ(lid->GetPolygonVertex(1, 1), 2) << "-3 of five vertices is the third";
    EXPECT_DOUBLE_EQ(lid->GetControlPointAt(3)[1], 1.5) << "points in the order the faces use them";
    const KScnLayer* layer = lid->GetLayer(0);
    const KScnLayerElement* normals = layer->GetNormalElement();
    ASSERT_NE(normals, nullptr);
    EXPECT_EQ(normals->GetMappingMode(), KScnLayerElement::eByPolygonVertex);
    EXPECT_DOUBLE_EQ(normals->GetDirectVector(normals->GetIndexAt(6))[2], 1.0) << "normalised";
    const KScnLayerElement* uvs = layer->GetUVElement();
    ASSERT_NE(uvs, nullptr);
    EXPECT_EQ(uvs->GetIndexCount(), 8);
    EXPECT_DOUBLE_EQ(uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(2)].u, 1.0);
    EXPECT_DOUBLE_EQ(uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(3)].v, 1.0);

    const KScnLayerElement* materials = layer->GetMaterialElement();
    ASSERT_NE(materials, nullptr);
    EXPECT_EQ(materials->GetMappingMode(), KScnLayerElement::eByPolygon);
    KScnMaterial* brick = materials->GetDirect<KScnMaterial*>()[materials->GetIndexAt(1)];
    EXPECT_STREQ(brick->GetName(), "Material::Brick");
    EXPECT_NEAR(brick->GetDiffuse().mGreen, 0.3, 1e-6);
    EXPECT_NEAR(brick->GetSpecular().mBlue, 0.5, 1e-6);
    EXPECT_NEAR(brick->GetDefaultShininess(), 0.5, 1e-6);
    EXPECT_NEAR(brick->GetDefaultOpacity(), 0.75, 1e-6);
    const KScnLayerElementTexture* textures = layer->GetTextureElement();
    ASSERT_NE(textures, nullptr);
    KScnTexture* wall = textures->GetDirect<KScnTexture*>()[textures->GetIndexAt(0)];
    EXPECT_STREQ(wall->GetRelativeFileName(), "textures/brick wall.tga");
    EXPECT_EQ(std::string(wall->GetFileName()), dir.Path() + "/model/textures/brick wall.tga");
    EXPECT_DOUBLE_EQ(wall->GetUVScaling().v, 3.0);
    EXPECT_DOUBLE_EQ(wall->GetUVTranslation().u, 0.5);
    EXPECT_EQ(wall->GetWrapModeU(), eWrapClamp);
    KScnSceneContents* contents = scene->GetContents();
    EXPECT_EQ(contents->GetTextureCount(), 2);
    ASSERT_NE(contents->FindTexture("Texture::brick_n.tga"), nullptr);
    EXPECT_EQ(contents->FindTexture("Texture::brick_n.tga")->GetTextureUse(), eTextureUseBumpNormalMap);
    ASSERT_NE(contents->FindMaterial("Material::Unused"), nullptr);
    EXPECT_NEAR(contents->FindMaterial("Material::Unused")->GetDefaultOpacity(), 0.5, 1e-6)
        << "d wins over Tr";

    auto* fan = static_cast<KScnMesh*>(root->GetChild(1)->GetMesh());
    ASSERT_NE(fan, nullptr);
    EXPECT_EQ(fan->GetControlPointsCount(), 4);
    EXPECT_DOUBLE_EQ(fan->GetControlPointAt(0)[2], 1.0);
    const KScnLayer* fanLayer = fan->GetLayer(0);
    EXPECT_EQ(fanLayer->GetUVElement(), nullptr);
    EXPECT_EQ(fanLayer->GetTextureElement(), nullptr);
    const KScnLayerElement* colours = fanLayer->GetColorElement();
    ASSERT_NE(colours, nullptr);
    EXPECT_DOUBLE_EQ(colours->GetDirectVector(colours->GetIndexAt(1))[1], 1.0);
    EXPECT_DOUBLE_EQ(colours->GetDirectVector(colours->GetIndexAt(5))[0], 1.0) << "no colour given: white";
    const KScnLayerElement* computed = fanLayer->GetNormalElement();
    ASSERT_NE(computed, nullptr);
    // Smoothing group 1: both triangles share the normal at the shared points
    // (0 and 2), which averages their two facets.
    EXPECT_EQ(computed->GetIndexAt(0), computed->GetIndexAt(3));
    EXPECT_EQ(computed->GetIndexAt(2), computed->GetIndexAt(4));
    EXPECT_NE(computed->GetIndexAt(1), computed->GetIndexAt(5));
    const KgeTVector first = computed->GetDirectVector(computed->GetIndexAt(1));
    EXPECT_NEAR(first[2], 1.0, 1e-9);
    const KScnLayerElement* fanMaterials = fanLayer->GetMaterialElement();
    EXPECT_STREQ(fanMaterials->GetDirect<KScnMaterial*>()[0]->GetName(), "Material::default");
}

TEST(ObjReader, OptionsPickNodesScaleAndFlip)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("groups.obj", "v 0 0 1\nv 2 0 0\nv 0 2 0\nvt 0 0.25\n"
                                                         "g A\nf 1/1 2/1 3/1\ng B\nf 1 3 2\ng A\nf 2 3 1\n");
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderObj reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    KStreamOptionsObj options;
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 2);
    EXPECT_EQ(static_cast<KScnMesh*>(scene->GetRootNode()->GetChild(0)->GetMesh())->GetPolygonCount(), 2)
        << "group A met twice gives one node";

    KScnSceneRoot* merged = manager.CreateScene();
    options.mNodePerGroup = false;
    options.mUnitScale = 0.5;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    options.mFlipV = true;
    ASSERT_TRUE(reader.ReadScene(merged, &options));
    ASSERT_EQ(merged->GetRootNode()->GetChildCount(), 1);
    KScnNode* all = merged->GetRootNode()->GetChild(0);
    EXPECT_STREQ(all->GetName(), "Model::default");
    auto* mesh = static_cast<KScnMesh*>(all->GetMesh());
    EXPECT_EQ(mesh->GetPolygonCount(), 3);
    EXPECT_DOUBLE_EQ(mesh->GetControlPointAt(0)[1], 0.5) << "z up becomes y up, halved";
    EXPECT_DOUBLE_EQ(mesh->GetControlPointAt(2)[2], -1.0);
    const KScnLayerElement* uvs = mesh->GetLayer(0)->GetUVElement();
    EXPECT_DOUBLE_EQ(uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(0)].v, 0.75);
}

TEST(ObjReader, AFaceOfTwoCornersIsSkippedAndCounted)
{
    testsupport::TempDir dir;
    const std::string path =
        dir.WriteFile("edge.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\nf 1 2 3\nl 1 3\nf 2/ 3\n");
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderObj reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    KStreamOptionsObj options;
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    EXPECT_STREQ(reader.GetStatusText(), "3 elements skipped (first: f with 2 corners)");
    ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 1);
    const auto* mesh = static_cast<KScnMesh*>(scene->GetRootNode()->GetChild(0)->GetMesh());
    ASSERT_EQ(mesh->GetPolygonCount(), 1);
    EXPECT_EQ(mesh->GetPolygonSize(0), 3);
}

TEST(ObjReader, HostileFilesAreRefusedAndLeaveTheSceneAlone)
{
    testsupport::TempDir dir;
    dir.WriteFile("bad.mtl", "newmtl X\nKd 1 oops 0\n");
    const std::string base = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::pair<std::string, std::string> cases[] = {
        {base + "f 1 2 0\n", "line 4: vertex index 0"},
        {base + "f 1 2 4\n", "line 4: vertex index 4 out of range (3 read)"},
        {base + "f 1 2 -5\n", "line 4: vertex index -5 out of range (3 read)"},
        {base + "f 1 2 4294967298\n", "line 4: vertex index 4294967298 out of range"},
        {base + "f 1/1 2 3\n", "line 4: texture vertex index 1 out of range (0 read)"},
        {base + "f 1//2 2 3\n", "line 4: normal index 2 out of range (0 read)"},
        {base + "f 1\n", "line 4: a face with 1 corner"},
        {base + "f\n", "line 4: a face without corners"},
        {base + "f 1 2 x\n", "line 4: not an index: x"},
        {"v 1 x 2\n", "line 1: not a number: x"},
        {"v nan 0 0\n", "line 1: not a number: nan"},
        {"v 1e999 0 0\n", "line 1: not a number: 1e999"},
        {"v 1 2\n", "line 1: too few values in a vertex"},
        {"vn 0 0 1 1\n", "line 1: too many values in a normal"},
        {base + "s maybe\n", "line 4: not a smoothing group: maybe"},
        {"mtllib bad.mtl\n" + base + "f 1 2 3\n", "bad.mtl line 2: not a number: oops"},
        {"v 0 0 0 \\\n" + std::string(600000, ' ') + "\\\n" + std::string(600000, ' ') + "\n",
         "line 1: continued line longer than"},
        {"# " + std::string((1 << 20) + 1, '#') + "\n", "line 1: line longer than"},
    };
    importtest::ExpectEachRefused<KScnReaderObj, KStreamOptionsObj>(cases, "bad.obj", &dir);
}

} // namespace
