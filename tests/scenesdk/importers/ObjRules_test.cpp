// The OBJ and MTL mapping rules one table each: a line (or a few) of a file
// and the value the scene holds for it, read through the importer; nodes
// per object or group, corners, normals read and computed over n-gons and
// smoothing groups, UVs, vertex colours, every MTL key and map keyword,
// every map option, and each reading option.

#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace scenesdk;
using namespace importtest;

namespace
{

const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

// The model "m/model.obj" with its library "m/model.mtl" read into a new
// scene (null options: the defaults).
KScnSceneRoot* ReadObj(KScnSdkManager& manager, const testsupport::TempDir& dir, const std::string& obj,
                       const std::string& mtl = "", KStreamOptionsObj* options = nullptr,
                       std::string* status = nullptr)
{
    dir.WriteFile("m/model.mtl", mtl);
    return Import(manager, dir.WriteFile("m/model.obj", "mtllib model.mtl\n" + obj), options, status);
}

KScnMesh* FirstMesh(KScnSceneRoot* scene)
{
    return scene != nullptr && scene->GetRootNode()->GetChildCount() > 0
               ? MeshOf(scene->GetRootNode()->GetChild(0))
               : nullptr;
}

Names NodeNames(KScnSceneRoot* scene)
{
    Names names;
    for (int i = 0; i < scene->GetRootNode()->GetChildCount(); ++i)
        names.push_back(scene->GetRootNode()->GetChild(i)->GetName());
    return names;
}

KScnTexture* PolygonTexture(KScnMesh* mesh, int polygon)
{
    const KScnLayerElementTexture* e = mesh->GetLayer(0)->GetTextureElement();
    return e == nullptr || e->GetIndexAt(polygon) < 0 ? nullptr
                                                      : e->GetDirect<KScnTexture*>()[e->GetIndexAt(polygon)];
}

TEST(ObjRules, NodesPerObjectElsePerGroup)
{
    const std::pair<std::string, Names> rows[] = {
        {kTriangle, {"Model::default"}},
        {"g A\n" + kTriangle + "g B\nf 1 3 2\n", {"Model::A", "Model::B"}},
        {"g A\n" + kTriangle + "g\nf 1 3 2\n", {"Model::A", "Model::default"}},
        {"o One\ng A\n" + kTriangle + "g B\nf 1 3 2\no Two\nf 2 3 1\n", {"Model::One", "Model::Two"}},
        {"o One\n" + kTriangle + "o Two\nf 1 3 2\no One\nf 2 3 1\n", {"Model::One", "Model::Two"}},
        {"g Empty\nv 0 0 0\ng Full\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", {"Model::Full"}},
        {"o Two words\n" + kTriangle, {"Model::Two words"}},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        KScnSceneRoot* scene = ReadObj(manager, dir, row.first);
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(NodeNames(scene), row.second) << row.first;
        for (int i = 0; i < scene->GetRootNode()->GetChildCount(); ++i)
        {
            KScnNode* node = scene->GetRootNode()->GetChild(i);
            EXPECT_EQ(node->GetChildCount(), 0);
            KgeTVector t;
            ExpectPoint(node->GetLocalTranslation(t), 0, 0, 0);
        }
    }
}

// Corners by absolute and relative index, each of the four corner forms,
// each polygon as long as written; the points in the order first used.
TEST(ObjRules, CornersIndexPointsUVsAndNormals)
{
    const std::string lists = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 2 2\n"
                              "vt 0.1 0.2\nvt 0.3\nvt 0.5 0.6 0.7\n"
                              "vn 0 0 3\nvn 0 -2 0\n";
    struct Row
    {
        std::string face;
        Ints points; // x of each corner's point, times ten
        std::vector<double> u, v;
        std::vector<double> ny; // y of each corner's normal
    };
    const Row rows[] = {
        {"f 1/1/1 2/2/2 3/3/1", {0, 10, 10}, {0.1, 0.3, 0.5}, {0.2, 0.0, 0.6}, {0, -1, 0}},
        {"f -5/-3/-2 -4/-2/-1 -3/-1/-2", {0, 10, 10}, {0.1, 0.3, 0.5}, {0.2, 0.0, 0.6}, {0, -1, 0}},
        {"f 5//2 4//2 1//2", {20, 0, 0}, {}, {}, {-1, -1, -1}},
        {"f 3/3 2/1 1/2 4/3 5/1",
         {10, 10, 0, 0, 20},
         {0.5, 0.1, 0.3, 0.5, 0.1},
         {0.6, 0.2, 0.0, 0.6, 0.2},
         {}},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.face);
        KScnMesh* mesh = FirstMesh(ReadObj(manager, dir, lists + row.face + "\n"));
        ASSERT_NE(mesh, nullptr);
        ASSERT_EQ(Sizes(mesh), Ints{int(row.points.size())});
        const KScnLayerElement* uvs = mesh->GetLayer(0)->GetUVElement();
        EXPECT_EQ(uvs != nullptr, !row.u.empty());
        for (size_t k = 0; k < row.points.size(); ++k)
        {
            const int corner = static_cast<int>(k);
            EXPECT_EQ(std::lround(10 * mesh->GetControlPointAt(mesh->GetPolygonVertex(0, corner))[0]),
                      row.points[k]);
            if (uvs != nullptr)
            {
                const KgeUVVector uv = uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(corner)];
                EXPECT_DOUBLE_EQ(uv.u, row.u[k]);
                EXPECT_DOUBLE_EQ(uv.v, row.v[k]);
            }
            if (!row.ny.empty())
            {
                EXPECT_DOUBLE_EQ(CornerNormal(mesh, corner)[1], row.ny[k]) << "read and normalised";
            }
        }
    }
}

// Computed normals: per polygon over all its corners (a pentagon whose
// first three corners lie on one line still has its plane's normal),
// faceted with "s off" or "s 0", averaged over a smoothing group at a
// shared point, apart between groups; normals read stay as read.
TEST(ObjRules, ComputedNormalsFollowPolygonsAndSmoothingGroups)
{
    // Two triangles of one area folded along the edge from (0, 0, 0) to
    // (0, 1, 0): one in the plane z = 0 (normal +z), one in x = 0 (+x).
    const std::string fold = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 -1\n";
    const std::string pentagon = "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 2 0 -2\nv 0 0 -2\nf 1 2 3 4 5\n";
    const double h = 1 / std::sqrt(2.0);
    struct Row
    {
        std::string file;
        int corner;
        double x, y, z;
    };
    const Row rows[] = {
        {pentagon, 0, 0, 1, 0},
        {pentagon, 2, 0, 1, 0},
        {"v 0 0 0\nv 2 0 0\nv 2 3 0\nv 1 3 0\nv 0 3 0\nv 0 2 0\nf 1 2 3 4 5 6\n", 4, 0, 0, 1},
        {fold + "s 1\nf 1 2 3\nf 1 4 3\n", 0, h, 0, h},
        {fold + "s 1\nf 1 2 3\nf 1 4 3\n", 1, 0, 0, 1},
        {fold + "s 1\nf 1 2 3\nf 1 4 3\n", 3, h, 0, h},
        {fold + "s 1\nf 1 2 3\nf 1 4 3\n", 4, 1, 0, 0},
        {fold + "s 1\nf 1 2 3\nf 1 4 3\n", 5, h, 0, h},
        {fold + "s 4\nf 1 2 3\ns 5\nf 1 4 3\n", 0, 0, 0, 1},
        {fold + "s 4\nf 1 2 3\ns 5\nf 1 4 3\n", 3, 1, 0, 0},
        {fold + "s 1\nf 1 2 3\ns off\nf 1 4 3\n", 0, 0, 0, 1},
        {fold + "s 1\nf 1 2 3\ns 0\nf 1 4 3\n", 3, 1, 0, 0},
        {fold + "f 1 2 3\nf 1 4 3\n", 0, 0, 0, 1},
        {fold + "s 1\nf 1 2 3\ns 1\nf 1 4 3\n", 3, h, 0, h},
        {fold + "vn 0 5 0\ns 1\nf 1//1 2//1 3//1\nf 1 4 3\n", 0, 0, 1, 0},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.file + "corner " + std::to_string(row.corner));
        KScnMesh* mesh = FirstMesh(ReadObj(manager, dir, row.file));
        ASSERT_NE(mesh, nullptr);
        ASSERT_NE(mesh->GetLayer(0)->GetNormalElement(), nullptr);
        ExpectPoint(CornerNormal(mesh, row.corner), row.x, row.y, row.z, 1e-12);
    }
}

TEST(ObjRules, VertexColoursWhiteWhereNoneIsGiven)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnMesh* mesh = FirstMesh(ReadObj(manager, dir,
                                       "v 0 0 0\nv 1 0 0 0.1 0.2 0.3\nv 0 1 0 1\nv 1 1 0 0.5 0.6 0.7\n"
                                       "f 1 2 3 4\n"));
    ASSERT_NE(mesh, nullptr);
    const KScnLayerElement* colours = mesh->GetLayer(0)->GetColorElement();
    ASSERT_NE(colours, nullptr);
    const double expected[4][3] = {{1, 1, 1}, {0.1, 0.2, 0.3}, {1, 1, 1}, {0.5, 0.6, 0.7}};
    for (int k = 0; k < 4; ++k)
    {
        const KgeTVector c = colours->GetDirectVector(colours->GetIndexAt(k));
        ExpectPoint(c, expected[k][0], expected[k][1], expected[k][2], 1e-6);
    }
    EXPECT_EQ(FirstMesh(ReadObj(manager, dir, kTriangle))->GetLayer(0)->GetColorElement(), nullptr);
}

// Each MTL key and the value it gives the material; the last row of each
// kind is where the rule changes (one value for three, d against Tr, the
// illumination model's shading, the exponent's range).
TEST(ObjRules, MaterialKeysGiveTheirValues)
{
    enum EValue
    {
        eAmbient,
        eDiffuse,
        eSpecular,
        eEmissive,
        eShininess,
        eOpacity,
        eShading
    };
    struct Row
    {
        const char* lines;
        EValue what;
        double r, g, b; // colours; a single value in r; shading: 1 Phong, 0 Lambert
    };
    const Row rows[] = {
        {"Ka 0.1 0.2 0.3", eAmbient, 0.1, 0.2, 0.3},
        {"Ka 0.4", eAmbient, 0.4, 0.4, 0.4},
        {"Kd 0.5 0.6 0.7", eDiffuse, 0.5, 0.6, 0.7},
        {"Kd 0.25", eDiffuse, 0.25, 0.25, 0.25},
        {"", eDiffuse, 0.8, 0.8, 0.8},
        {"Kd spectral red.rfl 1", eDiffuse, 0.8, 0.8, 0.8},
        {"Kd xyz 0.1 0.2 0.3", eDiffuse, 0.8, 0.8, 0.8},
        {"Ks 0.9 0.8 0.7", eSpecular, 0.9, 0.8, 0.7},
        {"Ks 0.3", eSpecular, 0.3, 0.3, 0.3},
        {"", eSpecular, 0, 0, 0},
        {"Ke 0.05 0.1 0.15", eEmissive, 0.05, 0.1, 0.15},
        {"Ke 1", eEmissive, 1, 1, 1},
        {"", eEmissive, 0, 0, 0},
        {"Ns 64", eShininess, 0.5, 0, 0},
        {"Ns 0", eShininess, 0.0, 0, 0},
        {"Ns 128", eShininess, 1.0, 0, 0},
        {"Ns 900", eShininess, 1.0, 0, 0},
        {"d 0.3", eOpacity, 0.3, 0, 0},
        {"d 0", eOpacity, 0.0, 0, 0},
        {"d -halo 0.4", eOpacity, 0.4, 0, 0},
        {"d 0.4 -halo", eOpacity, 0.4, 0, 0},
        {"Tr 0.25", eOpacity, 0.75, 0, 0},
        {"Tr 0", eOpacity, 1.0, 0, 0},
        {"d 0.3\nTr 0.9", eOpacity, 0.3, 0, 0},
        {"Tr 0.9\nd 0.3", eOpacity, 0.3, 0, 0},
        {"", eOpacity, 1.0, 0, 0},
        {"illum 0", eShading, 0, 0, 0},
        {"illum 1", eShading, 0, 0, 0},
        {"illum 2", eShading, 1, 0, 0},
        {"illum 10", eShading, 1, 0, 0},
        {"illum 11", eShading, 1, 0, 0},
        {"", eShading, 1, 0, 0},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.lines);
        KScnMesh* mesh = FirstMesh(
            ReadObj(manager, dir, "usemtl M\n" + kTriangle, "newmtl M\n" + std::string(row.lines) + "\n"));
        ASSERT_NE(mesh, nullptr);
        KScnMaterial* m = MaterialOf(mesh, 0);
        EXPECT_STREQ(m->GetName(), "Material::M");
        switch (row.what)
        {
        case eAmbient:
            ExpectColour(m->GetAmbient(), row.r, row.g, row.b, 1e-6);
            break;
        case eDiffuse:
            ExpectColour(m->GetDiffuse(), row.r, row.g, row.b, 1e-6);
            break;
        case eSpecular:
            ExpectColour(m->GetSpecular(), row.r, row.g, row.b, 1e-6);
            break;
        case eEmissive:
            ExpectColour(m->GetEmissive(), row.r, row.g, row.b, 1e-6);
            break;
        case eShininess:
            EXPECT_NEAR(m->GetDefaultShininess(), row.r, 1e-6);
            break;
        case eOpacity:
            EXPECT_NEAR(m->GetDefaultOpacity(), row.r, 1e-6);
            break;
        case eShading:
            EXPECT_STREQ(m->GetShadingModel(), row.r > 0 ? "Phong" : "Lambert");
            break;
        }
    }
}

// Faces before any "usemtl", or naming a material no library has, use the
// material "default"; each face keeps the material current when it was read
// (names may hold spaces), and the diffuse map of that material only.
TEST(ObjRules, FacesTakeTheMaterialCurrentWhenRead)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    std::string status;
    KScnMesh* mesh =
        FirstMesh(ReadObj(manager, dir,
                          kTriangle + "usemtl A\nf 1 3 2\nusemtl Nowhere\nf 2 3 1\n"
                                      "usemtl B\nf 3 2 1\nusemtl A\nf 1 2 3\nusemtl Two words\nf 1 3 2\n",
                          "newmtl A\nKd 1 0 0\nmap_Kd a.tga\nnewmtl B\nKd 0 0 1\nnewmtl A\nKd 0 1 0\n"
                          "newmtl Two words\n",
                          nullptr, &status));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(Colours(mesh), (Names{"default", "A", "default", "B", "A", "Two words"}));
    for (int polygon = 0; polygon < 6; ++polygon)
        EXPECT_EQ(PolygonTexture(mesh, polygon) != nullptr, polygon == 1 || polygon == 4) << polygon;
    ExpectColour(MaterialOf(mesh, 0)->GetDiffuse(), 0.8, 0.8, 0.8);
    EXPECT_STREQ(MaterialOf(mesh, 0)->GetShadingModel(), "Lambert");
    ExpectColour(MaterialOf(mesh, 1)->GetDiffuse(), 1, 0, 0);
    EXPECT_NE(status.find("material defined twice, first kept: A"), std::string::npos) << status;
}

// Each map keyword: what the texture is used for and whether the polygons
// carry it; keywords outside the list make no texture.
TEST(ObjRules, MapKeywordsGiveTheirTextures)
{
    struct Row
    {
        const char* keyword;
        int use; // -1: no texture
        bool onPolygons;
    };
    const Row rows[] = {
        {"map_Kd", eTextureUseColor, true},
        {"bump", eTextureUseBumpNormalMap, false},
        {"map_bump", eTextureUseBumpNormalMap, false},
        {"map_Bump", eTextureUseBumpNormalMap, false},
        {"map_d", eTextureUseColor, false},
        {"map_Ks", eTextureUseColor, false},
        {"map_Ka", -1, false},
        {"map_Ns", -1, false},
        {"disp", -1, false},
        {"refl", -1, false},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.keyword);
        KScnSceneRoot* scene = ReadObj(manager, dir, "usemtl M\n" + kTriangle,
                                       "newmtl M\n" + std::string(row.keyword) + " wall.tga\n");
        ASSERT_NE(scene, nullptr);
        KScnSceneContents* contents = scene->GetContents();
        ASSERT_EQ(contents->GetTextureCount(), row.use < 0 ? 0 : 1);
        KScnTexture* polygonTexture = PolygonTexture(FirstMesh(scene), 0);
        EXPECT_EQ(polygonTexture != nullptr, row.onPolygons);
        if (row.use < 0)
            continue;
        KScnTexture* texture = contents->GetTexture(0);
        EXPECT_EQ(texture->GetTextureUse(), row.use);
        EXPECT_STREQ(texture->GetRelativeFileName(), "wall.tga");
        EXPECT_EQ(std::string(texture->GetFileName()), dir.Path() + "/m/wall.tga");
    }
}

// Every map option with its values skipped or read, in any number up to
// its limit; the file is the rest of the line.
TEST(ObjRules, MapOptionsGiveOffsetScaleClampAndTheFile)
{
    struct Row
    {
        const char* options;
        const char* file;
        double ou, ov, su, sv;
        bool clamp;
    };
    const Row rows[] = {
        {"a.tga", "a.tga", 0, 0, 1, 1, false},
        {"-o 0.5 a.tga", "a.tga", 0.5, 0, 1, 1, false},
        {"-o 0.5 0.25 a.tga", "a.tga", 0.5, 0.25, 1, 1, false},
        {"-o 0.5 0.25 0.125 a.tga", "a.tga", 0.5, 0.25, 1, 1, false},
        {"-s 2 a.tga", "a.tga", 0, 0, 2, 1, false},
        {"-s 2 3 a.tga", "a.tga", 0, 0, 2, 3, false},
        {"-s 2 3 4 a.tga", "a.tga", 0, 0, 2, 3, false},
        {"-s 2 3 -o 1 2 a.tga", "a.tga", 1, 2, 2, 3, false},
        {"-clamp on a.tga", "a.tga", 0, 0, 1, 1, true},
        {"-clamp off a.tga", "a.tga", 0, 0, 1, 1, false},
        {"-blendu off -blendv on -cc on -mm 0.1 0.9 a.tga", "a.tga", 0, 0, 1, 1, false},
        {"-t 1 a.tga", "a.tga", 0, 0, 1, 1, false},
        {"-t 1 2 3 -texres 512 a.tga", "a.tga", 0, 0, 1, 1, false},
        {"-imfchan l -bm 2 -boost 1.5 a.tga", "a.tga", 0, 0, 1, 1, false},
        {"-type sphere a.tga", "a.tga", 0, 0, 1, 1, false},
        {"-s 2 2 1 sub\\brick wall.tga", "sub/brick wall.tga", 0, 0, 2, 2, false},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.options);
        KScnMesh* mesh = FirstMesh(ReadObj(manager, dir, "usemtl M\n" + kTriangle,
                                           "newmtl M\nmap_Kd " + std::string(row.options) + "\n"));
        ASSERT_NE(mesh, nullptr);
        KScnTexture* texture = PolygonTexture(mesh, 0);
        ASSERT_NE(texture, nullptr);
        EXPECT_STREQ(texture->GetRelativeFileName(), row.file);
        EXPECT_DOUBLE_EQ(texture->GetUVTranslation().u, row.ou);
        EXPECT_DOUBLE_EQ(texture->GetUVTranslation().v, row.ov);
        EXPECT_DOUBLE_EQ(texture->GetUVScaling().u, row.su);
        EXPECT_DOUBLE_EQ(texture->GetUVScaling().v, row.sv);
        EXPECT_EQ(texture->GetWrapModeU(), row.clamp ? eWrapClamp : eWrapRepeat);
        EXPECT_EQ(texture->GetWrapModeV(), row.clamp ? eWrapClamp : eWrapRepeat);
    }
}

// Each reading option against one file: what it takes away or changes.
TEST(ObjRules, OptionsChangeWhatIsRead)
{
    const std::string obj = "mtllib ../far.mtl\nv 0 0 0 0.5 0.5 0.5\nv 2 0 0\nv 0 2 0\nvt 0 0.25\nvn 0 0 -1\n"
                            "g A\nusemtl M\nf 1/1 2/1/1 3/1\ng B\nusemtl Far\nf 1 3 2\n";
    const std::string mtl = "newmtl M\nKd 1 0 0\nmap_Kd a.tga\nmap_d ../up.tga\n";
    struct Row
    {
        const char* what;
        void (*set)(KStreamOptionsObj&);
        void (*check)(KScnSceneRoot*);
    };
    static const auto mesh = [](KScnSceneRoot* scene) { return FirstMesh(scene); };
    const Row rows[] = {
        {"defaults", [](KStreamOptionsObj&) {},
         [](KScnSceneRoot* s)
         {
             EXPECT_EQ(NodeNames(s), (Names{"Model::A", "Model::B"}));
             EXPECT_NE(mesh(s)->GetLayer(0)->GetUVElement(), nullptr);
             EXPECT_NE(mesh(s)->GetLayer(0)->GetColorElement(), nullptr);
             ExpectPoint(CornerNormal(mesh(s), 1), 0, 0, -1);
             ExpectPoint(CornerNormal(mesh(s), 0), 0, 0, 1);
             EXPECT_EQ(s->GetContents()->GetTextureCount(), 1) << "map_d outside the folder skipped";
             EXPECT_EQ(Colours(MeshOf(s->GetRootNode()->GetChild(1))), Names{"default"}) << "far.mtl skipped";
             ExpectPoint(mesh(s)->GetControlPointAt(1), 2, 0, 0);
         }},
        {"one node", [](KStreamOptionsObj& o) { o.mNodePerGroup = false; },
         [](KScnSceneRoot* s)
         {
             EXPECT_EQ(NodeNames(s), Names{"Model::default"});
             EXPECT_EQ(mesh(s)->GetPolygonCount(), 2);
         }},
        {"unit scale", [](KStreamOptionsObj& o) { o.mUnitScale = 0.5; },
         [](KScnSceneRoot* s)
         {
             ExpectPoint(mesh(s)->GetControlPointAt(1), 1, 0, 0);
             ExpectPoint(CornerNormal(mesh(s), 1), 0, 0, -1);
         }},
        {"z up", [](KStreamOptionsObj& o) { o.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp; },
         [](KScnSceneRoot* s)
         {
             ExpectPoint(mesh(s)->GetControlPointAt(2), 0, 0, -2);
             ExpectPoint(CornerNormal(mesh(s), 1), 0, -1, 0);
             ExpectPoint(CornerNormal(mesh(s), 0), 0, 1, 0);
         }},
        {"flip v", [](KStreamOptionsObj& o) { o.mFlipV = true; },
         [](KScnSceneRoot* s)
         {
             const KScnLayerElement* uvs = mesh(s)->GetLayer(0)->GetUVElement();
             EXPECT_DOUBLE_EQ(uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(0)].v, 0.75);
         }},
        {"no UVs", [](KStreamOptionsObj& o) { o.mReadUVs = false; },
         [](KScnSceneRoot* s) { EXPECT_EQ(mesh(s)->GetLayer(0)->GetUVElement(), nullptr); }},
        {"no colours", [](KStreamOptionsObj& o) { o.mReadVertexColors = false; },
         [](KScnSceneRoot* s) { EXPECT_EQ(mesh(s)->GetLayer(0)->GetColorElement(), nullptr); }},
        {"no normals read", [](KStreamOptionsObj& o) { o.mReadNormals = false; },
         [](KScnSceneRoot* s) { ExpectPoint(CornerNormal(mesh(s), 1), 0, 0, 1); }},
        {"none computed", [](KStreamOptionsObj& o) { o.mComputeNormals = false; },
         [](KScnSceneRoot* s)
         {
             ExpectPoint(CornerNormal(mesh(s), 1), 0, 0, -1);
             ExpectPoint(CornerNormal(mesh(s), 0), 0, 0, 0);
         }},
        {"no normals at all", [](KStreamOptionsObj& o) { o.mComputeNormals = false, o.mReadNormals = false; },
         [](KScnSceneRoot* s) { EXPECT_EQ(mesh(s)->GetLayer(0)->GetNormalElement(), nullptr); }},
        {"no materials", [](KStreamOptionsObj& o) { o.mReadMaterials = false; },
         [](KScnSceneRoot* s)
         {
             EXPECT_EQ(Colours(mesh(s)), (Names{"default"}));
             EXPECT_EQ(s->GetContents()->GetTextureCount(), 0);
         }},
        {"no textures", [](KStreamOptionsObj& o) { o.mReadTextures = false; },
         [](KScnSceneRoot* s)
         {
             EXPECT_EQ(Colours(mesh(s)), (Names{"M"}));
             EXPECT_EQ(s->GetContents()->GetTextureCount(), 0);
             EXPECT_EQ(PolygonTexture(mesh(s), 0), nullptr);
         }},
        {"outside the folder", [](KStreamOptionsObj& o) { o.mStayInModelFolder = false; },
         [](KScnSceneRoot* s)
         {
             EXPECT_EQ(s->GetContents()->GetTextureCount(), 2);
             EXPECT_EQ(Colours(MeshOf(s->GetRootNode()->GetChild(1))), Names{"Far"});
         }},
    };
    testsupport::TempDir dir;
    dir.WriteFile("far.mtl", "newmtl Far\nKd 0 0 1\n");
    KScnSdkManager manager;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        KStreamOptionsObj options;
        row.set(options);
        KScnSceneRoot* scene = ReadObj(manager, dir, obj, mtl, &options);
        ASSERT_NE(scene, nullptr);
        row.check(scene);
    }
}

// Elements the reader does not turn into polygons are counted, the first
// named; the rest of the file reads.
TEST(ObjRules, SkippedElementsAreCounted)
{
    const std::pair<std::string, std::string> rows[] = {
        {kTriangle + "l 1 2\n", "1 elements skipped (first: l)"},
        {kTriangle + "p 1\nl 1 2 3\ncurv 0 1 1 2\n", "3 elements skipped (first: p)"},
        {"vp 0.5\n" + kTriangle + "surf 0 1 0 1 1 2 3\n", "2 elements skipped (first: vp)"},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        std::string status;
        KScnMesh* mesh = FirstMesh(ReadObj(manager, dir, row.first, "", nullptr, &status));
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->GetPolygonCount(), 1);
        EXPECT_NE(status.find(row.second), std::string::npos) << status;
    }
}

} // namespace
