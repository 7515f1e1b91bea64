// The OBJ and MTL mapping rules one table each: a line (or a few) of a file
// and the value the scene holds for it, read through the importer.

#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

using namespace scenesdk;
using namespace importtest;

namespace
{

const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

KScnMesh* FirstMesh(KScnSceneRoot* scene)
{
    return MeshOf(Child(scene, 0));
}

// Models "m/model.obj" with their library "m/model.mtl" read into new
// scenes of one manager (null options: the defaults).
class ObjRules : public testing::Test
{
protected:
    KScnSceneRoot* Read(const std::string& obj, const std::string& mtl = "",
                        KStreamOptionsObj* options = nullptr, std::string* status = nullptr)
    {
        dir.WriteFile("m/model.mtl", mtl);
        return Import(manager, dir.WriteFile("m/model.obj", "mtllib model.mtl\n" + obj), options, status);
    }

    // The first mesh of a model using the one material "M" of the lines given.
    KScnMesh* WithMaterial(const std::string& lines)
    {
        return FirstMesh(Read("usemtl M\n" + kTriangle, "newmtl M\n" + lines + "\n"));
    }

    testsupport::TempDir dir;
    KScnSdkManager manager;
};

Names NodeNames(KScnSceneRoot* scene)
{
    Names names;
    for (int i = 0; i < scene->GetRootNode()->GetChildCount(); ++i)
        names.push_back(Child(scene, i)->GetName());
    return names;
}

// A node per object, else per group; unnamed and empty groups as written.
// Elements not turned into polygons are counted, the first named; the rest
// of the file reads.
TEST_F(ObjRules, NodesPerObjectElsePerGroup)
{
    const std::tuple<std::string, Names, std::string> rows[] = {
        {kTriangle, {"Model::default"}, ""},
        {"g A\n" + kTriangle + "g B\nf 1 3 2\n", {"Model::A", "Model::B"}, ""},
        {"g A\n" + kTriangle + "g\nf 1 3 2\n", {"Model::A", "Model::default"}, ""},
        {"o One\ng A\n" + kTriangle + "g B\nf 1 3 2\no Two\nf 2 3 1\n", {"Model::One", "Model::Two"}, ""},
        {"o One\n" + kTriangle + "o Two\nf 1 3 2\no One\nf 2 3 1\n", {"Model::One", "Model::Two"}, ""},
        {"g Empty\nv 0 0 0\ng Full\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", {"Model::Full"}, ""},
        {"o Two words\n" + kTriangle, {"Model::Two words"}, ""},
        {kTriangle + "l 1 2\n", {"Model::default"}, "1 elements skipped (first: l)"},
        {kTriangle + "p 1\nl 1 2 3\ncurv 0 1 1 2\n", {"Model::default"}, "3 elements skipped (first: p)"},
        {"vp 0.5\n" + kTriangle + "surf 0 1 0 1 1 2 3\n",
         {"Model::default"},
         "2 elements skipped (first: vp)"},
    };
    for (const auto& [file, names, skipped] : rows)
    {
        std::string status;
        KScnSceneRoot* scene = Read(file, "", nullptr, &status);
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(NodeNames(scene), names) << file;
        EXPECT_NE(status.find(skipped), std::string::npos) << status;
        if (!skipped.empty())
        {
            EXPECT_EQ(Sizes(FirstMesh(scene)), Ints{3});
        }
        for (int i = 0; i < scene->GetRootNode()->GetChildCount(); ++i)
        {
            EXPECT_EQ(Child(scene, i)->GetChildCount(), 0);
            KgeTVector t;
            ExpectPoint(Child(scene, i)->GetLocalTranslation(t), 0, 0, 0);
        }
    }
}

// Corners by absolute and relative index, each of the four corner forms,
// each polygon as long as written; the points in the order first used.
TEST_F(ObjRules, CornersIndexPointsUVsAndNormals)
{
    const std::string lists = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 2 2\n"
                              "vt 0.1 0.2\nvt 0.3\nvt 0.5 0.6 0.7\nvn 0 0 3\nvn 0 -2 0\n";
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"f 1/1/1 2/2/2 3/3/1", true, "0 0.1,0.2 0|1 0.3,0 -1|1 0.5,0.6 0|"},
        {"f -5/-3/-2 -4/-2/-1 -3/-1/-2", true, "0 0.1,0.2 0|1 0.3,0 -1|1 0.5,0.6 0|"},
        {"f 5//2 4//2 1//2", true, "2 -1|0 -1|0 -1|"},
        {"f 3/3 2/1 1/2 4/3 5/1", false, "1 0.5,0.6|1 0.1,0.2|0 0.3,0|0 0.5,0.6|2 0.1,0.2|"},
    };
    for (const auto& [face, withNormals, expected] : rows)
    {
        KScnMesh* mesh = FirstMesh(Read(lists + face + "\n"));
        ASSERT_NE(mesh, nullptr);
        const KScnLayerElement* uvs = mesh->GetLayer(0)->GetUVElement();
        std::ostringstream corners; // x of the point, UV, y of the normal read and normalised
        for (int k = 0; k < mesh->GetPolygonSize(0); ++k)
        {
            corners << mesh->GetControlPointAt(mesh->GetPolygonVertex(0, k))[0];
            if (uvs != nullptr)
                corners << ' ' << uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(k)].u << ','
                        << uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(k)].v;
            if (withNormals)
                corners << ' ' << CornerNormal(mesh, k)[1];
            corners << '|';
        }
        EXPECT_EQ(mesh->GetPolygonCount(), 1);
        EXPECT_EQ(corners.str(), expected) << face;
    }
}

// Computed normals: per polygon over all its corners, faceted with "s off"
// or "s 0", averaged within a smoothing group, apart between groups; read
// ones kept. The fold: triangles in z = 0 (+z) and x = 0 (+x) on one edge.
TEST_F(ObjRules, ComputedNormalsFollowPolygonsAndSmoothingGroups)
{
    const std::string fold = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 -1\n";
    const std::string pentagon = "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 2 0 -2\nv 0 0 -2\nf 1 2 3 4 5\n";
    const std::string smooth = fold + "s 1\nf 1 2 3\nf 1 4 3\n";
    const double h = 1 / std::sqrt(2.0);
    const std::tuple<std::string, int, double, double, double> rows[] = {
        {pentagon, 0, 0, 1, 0},
        {pentagon, 2, 0, 1, 0},
        {"v 0 0 0\nv 2 0 0\nv 2 3 0\nv 1 3 0\nv 0 3 0\nv 0 2 0\nf 1 2 3 4 5 6\n", 4, 0, 0, 1},
        {smooth, 0, h, 0, h},
        {smooth, 1, 0, 0, 1},
        {smooth, 3, h, 0, h},
        {smooth, 4, 1, 0, 0},
        {fold + "s 4\nf 1 2 3\ns 5\nf 1 4 3\n", 0, 0, 0, 1},
        {fold + "s 4\nf 1 2 3\ns 5\nf 1 4 3\n", 3, 1, 0, 0},
        {fold + "s 1\nf 1 2 3\ns off\nf 1 4 3\n", 0, 0, 0, 1},
        {fold + "s 1\nf 1 2 3\ns 0\nf 1 4 3\n", 3, 1, 0, 0},
        {fold + "f 1 2 3\nf 1 4 3\n", 0, 0, 0, 1},
        {fold + "s 1\nf 1 2 3\ns 1\nf 1 4 3\n", 3, h, 0, h},
        {fold + "vn 0 5 0\ns 1\nf 1//1 2//1 3//1\nf 1 4 3\n", 0, 0, 1, 0},
    };
    for (const auto& [file, corner, x, y, z] : rows)
    {
        SCOPED_TRACE(file + "corner " + std::to_string(corner));
        KScnMesh* mesh = FirstMesh(Read(file));
        ASSERT_NE(mesh, nullptr);
        ASSERT_NE(mesh->GetLayer(0)->GetNormalElement(), nullptr);
        ExpectPoint(CornerNormal(mesh, corner), x, y, z, 1e-12);
    }
}

// Vertex colours: white where a point has none; no layer when no point has one.
TEST_F(ObjRules, VertexColoursWhiteWhereNoneIsGiven)
{
    KScnMesh* mesh =
        FirstMesh(Read("v 0 0 0\nv 1 0 0 0.1 0.2 0.3\nv 0 1 0 1\nv 1 1 0 0.5 0.6 0.7\nf 1 2 3 4\n"));
    ASSERT_NE(mesh, nullptr);
    const KScnLayerElement* colours = mesh->GetLayer(0)->GetColorElement();
    ASSERT_NE(colours, nullptr);
    const double expected[4][3] = {{1, 1, 1}, {0.1, 0.2, 0.3}, {1, 1, 1}, {0.5, 0.6, 0.7}};
    for (int k = 0; k < 4; ++k)
        ExpectPoint(colours->GetDirectVector(colours->GetIndexAt(k)), expected[k][0], expected[k][1],
                    expected[k][2], 1e-6);
    EXPECT_EQ(FirstMesh(Read(kTriangle))->GetLayer(0)->GetColorElement(), nullptr);
}

// Each MTL key and the value it gives the material; the last rows of each
// kind are where the rule changes (one value for three, unsupported colour
// forms, d against Tr, the illumination model's shading, the exponent's range).
TEST_F(ObjRules, MaterialKeysGiveTheirValues)
{
    const std::tuple<const char*, EMaterialValue, double, double, double> rows[] = {
        {"Ka 0.1 0.2 0.3", eAmbient, 0.1, 0.2, 0.3},
        {"Kd 0.5 0.6 0.7", eDiffuse, 0.5, 0.6, 0.7},
        {"Kd 0.25", eDiffuse, 0.25, 0.25, 0.25},
        {"", eDiffuse, 0.8, 0.8, 0.8},
        {"Kd spectral red.rfl 1", eDiffuse, 0.8, 0.8, 0.8},
        {"Kd xyz 0.1 0.2 0.3", eDiffuse, 0.8, 0.8, 0.8},
        {"Ks 0.9 0.8 0.7", eSpecular, 0.9, 0.8, 0.7},
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
        {"d 0.3\nTr 0.9", eOpacity, 0.3, 0, 0},
        {"Tr 0.9\nd 0.3", eOpacity, 0.3, 0, 0},
        {"", eOpacity, 1.0, 0, 0},
        {"illum 0", eShading, 0, 0, 0},
        {"illum 1", eShading, 0, 0, 0},
        {"illum 2", eShading, 1, 0, 0},
        {"illum 11", eShading, 1, 0, 0},
        {"", eShading, 1, 0, 0},
    };
    for (const auto& [lines, what, r, g, b] : rows)
    {
        SCOPED_TRACE(lines);
        KScnMesh* mesh = WithMaterial(lines);
        ASSERT_NE(mesh, nullptr);
        EXPECT_STREQ(MaterialOf(mesh, 0)->GetName(), "Material::M");
        ExpectMaterialValue(MaterialOf(mesh, 0), what, r, g, b);
    }
}

// Faces before any "usemtl", or naming a material no library has, use the
// material "default"; each face keeps the material current when it was read
// (names may hold spaces), and the diffuse map of that material only.
TEST_F(ObjRules, FacesTakeTheMaterialCurrentWhenRead)
{
    std::string status;
    KScnMesh* mesh = FirstMesh(Read(kTriangle + "usemtl A\nf 1 3 2\nusemtl Nowhere\nf 2 3 1\nusemtl B\n"
                                                "f 3 2 1\nusemtl A\nf 1 2 3\nusemtl Two words\nf 1 3 2\n",
                                    "newmtl A\nKd 1 0 0\nmap_Kd a.tga\nnewmtl B\nKd 0 0 1\nnewmtl A\n"
                                    "Kd 0 1 0\nnewmtl Two words\n",
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

// Each map keyword's use and whether polygons carry it; every map option's
// values skipped or read, up to its limit; the file is the rest of the line.
TEST_F(ObjRules, MapKeywordsAndOptionsGiveTheirTextures)
{
    const std::pair<const char*, const char*> rows[] = {
        {"map_Kd a.tga", "0 p a.tga o0,0 s1,1 r0 rr"},
        {"bump a.tga", "5 - a.tga o0,0 s1,1 r0 rr"},
        {"map_Bump a.tga", "5 - a.tga o0,0 s1,1 r0 rr"},
        {"map_d a.tga", "0 - a.tga o0,0 s1,1 r0 rr"},
        {"map_Ks a.tga", "0 - a.tga o0,0 s1,1 r0 rr"},
        {"map_Ka a.tga", "textures 0"},
        {"refl a.tga", "textures 0"},
        {"map_Kd -o 0.5 a.tga", "0 p a.tga o0.5,0 s1,1 r0 rr"},
        {"map_Kd -o 0.5 0.25 0.125 a.tga", "0 p a.tga o0.5,0.25 s1,1 r0 rr"},
        {"map_Kd -s 2 a.tga", "0 p a.tga o0,0 s2,1 r0 rr"},
        {"map_Kd -s 2 3 4 a.tga", "0 p a.tga o0,0 s2,3 r0 rr"},
        {"map_Kd -s 2 3 -o 1 2 a.tga", "0 p a.tga o1,2 s2,3 r0 rr"},
        {"map_Kd -clamp on a.tga", "0 p a.tga o0,0 s1,1 r0 cc"},
        {"map_Kd -clamp off a.tga", "0 p a.tga o0,0 s1,1 r0 rr"},
        {"map_Kd -blendu off -blendv on -cc on -mm 0.1 0.9 a.tga", "0 p a.tga o0,0 s1,1 r0 rr"},
        {"map_Kd -t 1 2 3 -texres 512 a.tga", "0 p a.tga o0,0 s1,1 r0 rr"},
        {"map_Kd -imfchan l -bm 2 -boost 1.5 -type sphere a.tga", "0 p a.tga o0,0 s1,1 r0 rr"},
        {"map_Kd -s 2 2 1 sub\\brick wall.tga", "0 p sub/brick wall.tga o0,0 s2,2 r0 rr"},
    };
    for (const auto& [line, expected] : rows)
    {
        KScnSceneRoot* scene = Read("usemtl M\n" + kTriangle, "newmtl M\n" + std::string(line) + "\n");
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(TextureText(scene, FirstMesh(scene)), expected) << line;
    }
    EXPECT_EQ(std::string(Read("usemtl M\n" + kTriangle, "newmtl M\nbump a.tga\n")
                              ->GetContents()
                              ->GetTexture(0)
                              ->GetFileName()),
              dir.Path() + "/m/a.tga");
}

// The options file's scene in short: nodes; the first mesh's polygons, UV v,
// colours, normals of corners 0 and 1, point 2; textures; all materials.
std::string Summary(KScnSceneRoot* s)
{
    std::ostringstream out;
    for (const std::string& name : NodeNames(s))
        out << (out.tellp() > 0 ? " " : "") << name.substr(name.find("::") + 2);
    KScnMesh* mesh = FirstMesh(s);
    const KScnLayer* layer = mesh->GetLayer(0);
    const KScnLayerElement* uvs = layer->GetUVElement();
    out << '|' << mesh->GetPolygonCount() << '|';
    if (uvs != nullptr)
        out << 'v' << uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(0)].v << '|';
    out << (layer->GetColorElement() != nullptr ? "rgb|" : "");
    if (layer->GetNormalElement() == nullptr)
        out << "-|";
    for (int corner = 0; layer->GetNormalElement() != nullptr && corner < 2; ++corner)
    {
        const KgeTVector n = CornerNormal(mesh, corner);
        out << n[0] + 0.0 << ',' << n[1] + 0.0 << ',' << n[2] + 0.0 << (corner == 0 ? ' ' : '|');
    }
    const KgeTVector p = mesh->GetControlPointAt(2);
    out << p[0] << ',' << p[1] << ',' << p[2] << "|t" << s->GetContents()->GetTextureCount() << '|';
    for (int i = 0; i < s->GetRootNode()->GetChildCount(); ++i)
        for (const std::string& name : Colours(MeshOf(Child(s, i))))
            out << name << ' ';
    return out.str();
}

// Each reading option against one file: what it takes away or changes
// (by default map_d and the library outside the model's folder are skipped).
TEST_F(ObjRules, OptionsChangeWhatIsRead)
{
    const std::string obj = "mtllib ../far.mtl\nv 0 0 0 0.5 0.5 0.5\nv 2 0 0\nv 0 2 0\nvt 0 0.25\nvn 0 0 -1\n"
                            "g A\nusemtl M\nf 1/1 2/1/1 3/1\ng B\nusemtl Far\nf 1 3 2\n";
    const std::string mtl = "newmtl M\nKd 1 0 0\nmap_Kd a.tga\nmap_d ../up.tga\n";
    using Options = KStreamOptionsObj;
    const std::pair<void (*)(Options&), const char*> rows[] = {
        {[](Options&) {}, "A B|1|v0.25|rgb|0,0,1 0,0,-1|0,2,0|t1|M default "},
        {[](Options& o) { o.mNodePerGroup = false; }, "default|2|v0.25|rgb|0,0,1 0,0,-1|0,2,0|t1|M default "},
        {[](Options& o) { o.mUnitScale = 0.5; }, "A B|1|v0.25|rgb|0,0,1 0,0,-1|0,1,0|t1|M default "},
        {[](Options& o) { o.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp; },
         "A B|1|v0.25|rgb|0,1,0 0,-1,0|0,0,-2|t1|M default "},
        {[](Options& o) { o.mFlipV = true; }, "A B|1|v0.75|rgb|0,0,1 0,0,-1|0,2,0|t1|M default "},
        {[](Options& o) { o.mReadUVs = false; }, "A B|1|rgb|0,0,1 0,0,-1|0,2,0|t1|M default "},
        {[](Options& o) { o.mReadVertexColors = false; }, "A B|1|v0.25|0,0,1 0,0,-1|0,2,0|t1|M default "},
        {[](Options& o) { o.mReadNormals = false; }, "A B|1|v0.25|rgb|0,0,1 0,0,1|0,2,0|t1|M default "},
        {[](Options& o) { o.mComputeNormals = false; }, "A B|1|v0.25|rgb|0,0,0 0,0,-1|0,2,0|t1|M default "},
        {[](Options& o) { o.mComputeNormals = false, o.mReadNormals = false; },
         "A B|1|v0.25|rgb|-|0,2,0|t1|M default "},
        {[](Options& o) { o.mReadMaterials = false; },
         "A B|1|v0.25|rgb|0,0,1 0,0,-1|0,2,0|t0|default default "},
        {[](Options& o) { o.mReadTextures = false; }, "A B|1|v0.25|rgb|0,0,1 0,0,-1|0,2,0|t0|M default "},
        {[](Options& o) { o.mStayInModelFolder = false; }, "A B|1|v0.25|rgb|0,0,1 0,0,-1|0,2,0|t2|M Far "},
    };
    dir.WriteFile("far.mtl", "newmtl Far\nKd 0 0 1\n");
    KScnSdkManager manager;
    for (const auto& [set, expected] : rows)
    {
        Options options;
        set(options);
        KScnSceneRoot* scene = Read(obj, mtl, &options);
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(Summary(scene), expected);
    }
    Options options;
    options.mReadTextures = false;
    EXPECT_EQ(PolygonTexture(FirstMesh(Read(obj, mtl, &options)), 0), nullptr);
}

} // namespace
