// The DXF mapping rules one table each: a few group pairs of a drawing and
// the value the scene holds for them, read through the importer.

#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "tests/scenesdk/importers/DxfText.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

using namespace scenesdk;
using namespace importtest;

namespace
{

// Drawings "d.dxf" read into new scenes of one manager; the file's axes
// kept unless options say otherwise.
class DxfRules : public testing::Test
{
protected:
    KScnSceneRoot* Read(const std::string& text, KStreamOptionsDxf* given = nullptr,
                        std::string* status = nullptr)
    {
        KStreamOptionsDxf asIs;
        asIs.mAxisConversion = KStreamOptionsForeign::eAxisAsIs;
        return Import(manager, dir.WriteFile("d.dxf", text), given != nullptr ? given : &asIs, status);
    }

    // The mesh of the first layer of a drawing of only the entities given.
    KScnMesh* FirstMesh(const std::string& entities) { return MeshOf(Child(Read(Entities(entities)), 0)); }

    testsupport::TempDir dir;
    KScnSdkManager manager;
};

// A layer table of "name colour" entries (colour "-": none, "n/rgb": the
// number and a true colour), then the entities.
std::string Drawing(const std::string& layers, const std::string& entities, const std::string& blocks = "")
{
    std::string table = "0 SECTION 2 TABLES 0 TABLE 2 LAYER ";
    std::istringstream in(layers);
    std::string name, colour;
    while (in >> name >> colour)
    {
        const size_t slash = colour.find('/');
        table += "0 LAYER 2 " + name + (colour == "-" ? "" : " 62 " + colour.substr(0, slash));
        table += (slash == std::string::npos ? "" : " 420 " + colour.substr(slash + 1)) + " ";
    }
    return Dxf(table + "0 ENDTAB 0 ENDSEC 0 SECTION 2 BLOCKS " + blocks + " 0 ENDSEC 0 SECTION 2 ENTITIES " +
               entities + " 0 ENDSEC 0 EOF");
}

const std::string kFace = " 0 3DFACE 10 0 20 0 30 0 11 1 21 0 31 0 12 0 22 1 32 0 ";

// A point as "x,y,z", each rounded to 1e-9 (no negative zero).
std::string Text(const KgeTVector& v)
{
    std::ostringstream out;
    for (int i = 0; i < 3; ++i)
        out << (i > 0 ? "," : "") << std::round(v[i] * 1e9) / 1e9 + 0.0;
    return out.str();
}

// Every corner's point, polygon after polygon ("|" after each).
std::string Corners(KScnMesh* mesh)
{
    std::string out;
    for (int p = 0; mesh != nullptr && p < mesh->GetPolygonCount(); ++p)
        for (int k = 0; k < mesh->GetPolygonSize(p); ++k)
            out += Text(mesh->GetControlPointAt(mesh->GetPolygonVertex(p, k))) +
                   (k + 1 < mesh->GetPolygonSize(p) ? " " : "|");
    return out;
}

// A 3DFACE of the corners given (x y z each), through code 13 at most.
std::string Face(const std::string& corners)
{
    std::istringstream in(corners);
    std::string out = "0 3DFACE", value;
    for (int i = 0; in >> value; ++i)
        out += " " + std::to_string(10 * (i % 3 + 1) + i / 3) + " " + value;
    return out;
}

// A node per layer with content, in the layer table's order; entities the
// reader does not turn into polygons, and paper space, are counted, the
// first named, and the rest of the drawing reads.
TEST_F(DxfRules, NodesPerLayerWithContent)
{
    const std::tuple<std::string, Names, const char*> rows[] = {
        {Entities("0 LINE 8 B 11 1 0 LINE 8 A 11 1"), {"Model::B", "Model::A"}, ""},
        {Drawing("A 1 B 2 C 3", "0 LINE 8 B 11 1 0 LINE 8 A 11 1"), {"Model::A", "Model::B"}, ""},
        {Entities("0 LINE 11 1"), {"Model::0"}, ""},
        {Entities("0 LINE 8 Walls 11 1 0 LINE 8 WALLS 11 1"), {"Model::Walls"}, ""},
        {Entities("0 LINE 8 A 10 0 20 0 30 0 11 0 21 0 31 0 0 LINE 8 B 11 1"), {"Model::B"}, ""},
        {Drawing("", "0 INSERT 8 X 2 B", "0 BLOCK 2 B 0 LINE 11 1 0 ENDBLK"), {"Model::X"}, ""},
        {Entities("0 CIRCLE 40 1 0 LINE 11 1"), {"Model::0"}, "1 entities skipped (first: CIRCLE)"},
        {Entities("0 LINE 67 1 11 2 0 TEXT 1 hi 0 LINE 11 1"),
         {"Model::0"},
         "2 entities skipped (first: LINE)"},
        {Entities("0 HATCH 0 MTEXT 0 LINE 11 1 0 ARC"), {"Model::0"}, "3 entities skipped (first: HATCH)"},
    };
    for (const auto& [text, expected, skipped] : rows)
    {
        std::string status;
        KScnSceneRoot* scene = Read(text, nullptr, &status);
        ASSERT_NE(scene, nullptr);
        Names names;
        for (int i = 0; i < scene->GetRootNode()->GetChildCount(); ++i)
            names.push_back(Child(scene, i)->GetName());
        EXPECT_EQ(names, expected) << text;
        EXPECT_NE(status.find(skipped), std::string::npos) << status;
        if (*skipped != 0)
        {
            EXPECT_EQ(Corners(MeshOf(Child(scene, 0))), "0,0,0 1,0,0|");
        }
    }
}

// Each entity kind, with the flags and groups that change what it gives:
// every corner's point, polygon after polygon; a 3DFACE keeps a point per corner.
TEST_F(DxfRules, EntitiesGiveTheirPolygons)
{
    const std::string v = " 0 VERTEX 10 ";
    const std::string pv = " 0 VERTEX 70 192 10 ";
    const std::string square = "10 0 20 0 10 1 20 0 10 1 20 1";
    const std::pair<std::string, const char*> rows[] = {
        {Face("0 0 0 1 0 0 1 1 0 0 1 0"), "0,0,0 1,0,0 1,1,0 0,1,0|"},
        {Face("0 0 0 1 0 0 1 1 0 1 1 0"), "0,0,0 1,0,0 1,1,0|"},
        {Face("0 0 0 1 0 0 1 1 0"), "0,0,0 1,0,0 1,1,0|"},
        {Face("0 0 0 1 0 0 1 1 0 0 0 0"), "0,0,0 1,0,0 1,1,0|"},
        {Face("0 0 0 0 0 0 1 1 0 0 1 0"), "0,0,0 1,1,0 0,1,0|"},
        {Face("0 0 0 1 0 0 1 0 0 0 0 0"), ""},
        {"0 LINE 10 1 20 2 30 3 11 4 21 5 31 6", "1,2,3 4,5,6|"},
        {"0 LINE 10 1 20 2 30 3 11 1 21 2 31 3", ""},
        {"0 LWPOLYLINE 90 3 38 2 " + square, "0,0,2 1,0,2|1,0,2 1,1,2|"},
        {"0 LWPOLYLINE 90 3 70 1 " + square, "0,0,0 1,0,0|1,0,0 1,1,0|1,1,0 0,0,0|"},
        {"0 LWPOLYLINE 90 99 43 1 10 0 20 0 40 1 41 2 42 0.5 10 1 20 0", "0,0,0 1,0,0|"},
        {"0 LWPOLYLINE 38 3 210 0 220 0 230 -2 10 1 20 0 10 1 20 2", "-1,0,-3 -1,2,-3|"},
        {"0 LWPOLYLINE 38 3 210 0.5 220 0 230 0 10 1 20 2 10 4 20 5", "3,1,2 3,4,5|"},
        {"0 POLYLINE 66 1 30 2" + v + "1 20 1 30 7" + v + "2 20 1 30 7 0 SEQEND", "1,1,2 2,1,2|"},
        {"0 POLYLINE 30 2 210 0 220 0 230 -1" + v + "1 20 1" + v + "2 20 1 0 SEQEND", "-1,1,-2 -2,1,-2|"},
        {"0 POLYLINE 70 8" + v + "1 20 1 30 7 70 32" + v + "2 20 1 30 7 70 32 0 SEQEND", "1,1,7 2,1,7|"},
        {"0 POLYLINE 70 8" + v + "0" + v + "1" + v + "1 20 1 0 SEQEND", "0,0,0 1,0,0|1,0,0 1,1,0|"},
        {"0 POLYLINE 70 1" + v + "0" + v + "1" + v + "1 20 1 0 SEQEND",
         "0,0,0 1,0,0|1,0,0 1,1,0|1,1,0 0,0,0|"},
        {"0 POLYLINE 70 9" + v + "0" + v + "1" + v + "1 20 1 0 SEQEND",
         "0,0,0 1,0,0|1,0,0 1,1,0|1,1,0 0,0,0|"},
        {"0 POLYLINE 70 4" + v + "0" + v + "5 70 16" + v + "1" + v + "1 20 1 0 SEQEND",
         "0,0,0 1,0,0|1,0,0 1,1,0|"},
        {"0 POLYLINE 70 64" + pv + "0" + pv + "1" + pv + "1 20 1" + pv +
             "0 20 1 0 VERTEX 70 128 71 1 72 -2 73 3 "
             "74 -4 0 VERTEX 70 128 71 4 72 0 73 2 74 1 0 SEQEND",
         "0,0,0 1,0,0 1,1,0 0,1,0|0,1,0 1,0,0 0,0,0|"},
        {"0 POLYLINE 70 64" + pv + "0" + pv + "1" + pv +
             "1 20 1 0 VERTEX 70 128 71 1 72 2 73 3 74 1 0 SEQEND",
         "0,0,0 1,0,0 1,1,0|"},
        {"0 POLYLINE 70 64 0 VERTEX 70 128 71 3 72 2 73 1" + pv + "0" + pv + "1" + pv + "1 20 1 0 SEQEND",
         "1,1,0 1,0,0 0,0,0|"},
        {"0 POLYLINE 70 16 71 2 72 3" + v + "0 70 64" + v + "1 70 64" + v + "2 70 64" + v + "0 20 1 70 64" +
             v + "1 20 1 70 64" + v + "2 20 1 70 64 0 SEQEND",
         "0,0,0 1,0,0 1,1,0 0,1,0|1,0,0 2,0,0 2,1,0 1,1,0|"},
    };
    for (const auto& [pairs, corners] : rows)
    {
        KScnMesh* mesh = FirstMesh(pairs);
        EXPECT_EQ(Corners(mesh), corners) << pairs;
        if (pairs.rfind("0 3DFACE", 0) == 0 && mesh != nullptr && mesh->GetPolygonCount() == 1)
        {
            EXPECT_EQ(mesh->GetControlPointsCount(), mesh->GetPolygonSize(0)) << pairs;
        }
    }
}

// The object axes of an extrusion by the arbitrary axis rule, on both sides
// of its limit (|x| and |y| of the unit extrusion under 1/64): where an
// outline's (1, 0) and (0, 1) end.
TEST_F(DxfRules, ObjectAxesFollowTheArbitraryAxisRule)
{
    const std::tuple<const char*, KgeTVector, KgeTVector> rows[] = {
        {"0 0 1", KgeTVector(1, 0, 0), KgeTVector(0, 1, 0)},
        {"0 0 -1", KgeTVector(-1, 0, 0), KgeTVector(0, 1, 0)},
        {"1 0 0", KgeTVector(0, 1, 0), KgeTVector(0, 0, 1)},
        {"0 1 0", KgeTVector(-1, 0, 0), KgeTVector(0, 0, 1)},
        {"0.0156 0 1", KgeTVector(0.99988, 0, -0.0156), KgeTVector(0, 1, 0)},
        {"0.0157 0 1", KgeTVector(0, 1, 0), KgeTVector(-0.99988, 0, 0.0157)},
        {"0 0.0156 1", KgeTVector(1, 0, 0), KgeTVector(0, 0.99988, -0.0156)},
        {"0 0.0157 1", KgeTVector(-1, 0, 0), KgeTVector(0, -0.99988, 0.0157)},
    };
    for (const auto& [extrusion, x, y] : rows)
    {
        SCOPED_TRACE(extrusion);
        std::istringstream in(extrusion);
        std::string ex, ey, ez;
        in >> ex >> ey >> ez;
        KScnMesh* mesh =
            FirstMesh("0 LWPOLYLINE 210 " + ex + " 220 " + ey + " 230 " + ez + " 10 1 20 0 10 0 20 1");
        ASSERT_NE(mesh, nullptr);
        ExpectPoint(mesh->GetControlPointAt(0), x[0], x[1], x[2], 1e-4);
        ExpectPoint(mesh->GetControlPointAt(1), y[0], y[1], y[2], 1e-4);
    }
}

// Polygon meshes: M x N vertices row after row, wrapped in M (flag 1) and
// in N (flag 32); a smoothed mesh may store its 73 x 74 surface instead.
TEST_F(DxfRules, PolygonMeshesWrapAndTakeTheirGrid)
{
    std::string grid;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            grid += " 0 VERTEX 70 64 10 " + std::to_string(i) + " 20 " + std::to_string(j);
    const std::pair<std::string, int> rows[] = {
        {"70 16 71 3 72 3", 4},
        {"70 17 71 3 72 3", 6},
        {"70 48 71 3 72 3", 6},
        {"70 49 71 3 72 3", 9},
        {"70 16 71 2 72 2 73 3 74 3 75 6", 4},
        {"70 16 71 3 72 3 73 9 74 1 75 8", 4},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.first);
        KScnMesh* mesh = FirstMesh("0 POLYLINE " + row.first + grid + " 0 SEQEND");
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(Sizes(mesh), Ints(size_t(row.second), 4));
    }
}

// Colour resolution, one row a boundary: palette numbers (1, 7 and 255
// are numbers, not "by layer"), by layer (256 or none), by block outside
// blocks, true colours over numbers, layers off, layers without a colour.
TEST_F(DxfRules, ColoursResolveAsCadProgramsDo)
{
    const std::string faceMesh =
        "0 POLYLINE 8 L 62 2 70 64 0 VERTEX 70 192 0 VERTEX 10 1 70 192 0 VERTEX 20 1 "
        "70 192 0 VERTEX 70 128 ";
    // The groups of a 3DFACE on layer L, or a whole entity.
    const std::tuple<const char*, std::string, const char*, uint32_t> rows[] = {
        {"L 3", "62 1", "Color 1", 0xFF0000},
        {"L 3", "62 7", "Color 7", 0xFFFFFF},
        {"L 3", "62 8", "Color 8", 0x808080},
        {"L 3", "62 250", "Color 250", 0x000000},
        {"L 3", "62 255", "Color 255", 0xFFFFFF},
        {"L 3", "62 256", "Color 3", 0x00FF00},
        {"L 3", "", "Color 3", 0x00FF00},
        {"L 3", "62 0", "Color 7", 0xFFFFFF},
        {"L 3", "62 1 420 16744448", "Color #FF8000", 0xFF8000},
        {"L 3", "420 1056816", "Color #102030", 0x102030},
        {"L -5", "", "Color 5", 0x0000FF},
        {"L 255", "", "Color 255", 0xFFFFFF},
        {"L -", "", "Color 7", 0xFFFFFF},
        {"L 0", "", "Color 7", 0xFFFFFF},
        {"L 256", "", "Color 7", 0xFFFFFF},
        {"L 3/1056816", "", "Color #102030", 0x102030},
        {"L 3/1056816", "62 1", "Color 1", 0xFF0000},
        {"K 1", "", "Color 7", 0xFFFFFF},
        {"L 3", faceMesh + "62 1 71 1 72 2 73 3 0 SEQEND", "Color 1", 0xFF0000},
        {"L 3", faceMesh + "71 1 72 2 73 3 0 SEQEND", "Color 2", 0xFFFF00},
    };
    for (const auto& [layers, groups, name, rgb] : rows)
    {
        SCOPED_TRACE(layers + (" / " + groups));
        const std::string entity =
            groups.rfind("0 ", 0) == 0 ? groups : "0 3DFACE 8 L " + groups + kFace.substr(9);
        KScnMesh* mesh = MeshOf(Child(Read(Drawing(layers, entity)), 0));
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(Colours(mesh), Names{name});
        ExpectColour(MaterialOf(mesh, 0)->GetDiffuse(), (rgb >> 16) / 255.0, ((rgb >> 8) & 255) / 255.0,
                     (rgb & 255) / 255.0);
    }
}

// Inside blocks: by block takes the INSERT's resolved colour, by layer the
// entity's layer, except that layer "0" is the INSERT's layer (and an
// INSERT on layer "0" in a block passes on the outer INSERT's layer).
TEST_F(DxfRules, BlockContentTakesColourAndLayerFromItsInsert)
{
    // Block B's content, the INSERT's groups, the colour of B's node (or of
    // C's node when B inserts it); block C holds a face on layer 0 by block.
    const std::string face = kFace.substr(9);
    const std::tuple<std::string, const char*, const char*> rows[] = {
        {"0 3DFACE 62 0" + face, "62 2", "Color 2"},  {"0 3DFACE 62 0" + face, "", "Color 3"},
        {"0 3DFACE 62 0" + face, "62 0", "Color 7"},  {"0 3DFACE 8 0" + face, "62 2", "Color 3"},
        {"0 3DFACE 8 K" + face, "62 2", "Color 4"},   {"0 3DFACE 8 0 62 255" + face, "", "Color 255"},
        {"0 INSERT 8 0 2 C", "62 6", "Color 3"},      {"0 INSERT 8 0 2 C 62 0", "62 6", "Color 6"},
        {"0 INSERT 8 0 2 C 62 5", "62 6", "Color 5"}, {"0 INSERT 8 K 2 C", "62 6", "Color 4"},
        {"0 INSERT 8 0 2 D", "62 6", "Color 3"},
    };
    for (const auto& [inner, insert, colour] : rows)
    {
        SCOPED_TRACE(inner + " / " + insert);
        const std::string blocks = "0 BLOCK 2 B " + inner + " 0 ENDBLK 0 BLOCK 2 C 0 3DFACE 8 0 62 0" + face +
                                   " 0 ENDBLK 0 BLOCK 2 D 0 3DFACE 8 0" + face + " 0 ENDBLK";
        KScnNode* layer =
            Child(Read(Drawing("L 3 K 4", "0 INSERT 8 L 2 B " + std::string(insert), blocks)), 0);
        ASSERT_NE(layer, nullptr);
        ASSERT_EQ(layer->GetChildCount(), 1);
        KScnNode* node = layer->GetChild(0);
        if (node->GetChildCount() == 1)
            node = node->GetChild(0);
        ASSERT_NE(MeshOf(node), nullptr);
        EXPECT_EQ(Colours(MeshOf(node)), Names{colour});
    }
}

// INSERT placement: OCS x translate(10) x rotate(50) x translate(column x 44,
// row x 45) x scale(41..43) x translate(-base), for a segment (1,0,0)-(2,0,0).
TEST_F(DxfRules, InsertsPlaceTheirBlocks)
{
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"", "10 5 20 6 30 7", "6,6,7 7,6,7"},
        {"10 1 20 0 30 0", "10 5 20 6 30 7", "5,6,7 6,6,7"},
        {"10 0 20 0 30 1", "", "1,0,-1 2,0,-1"},
        {"", "41 2 42 3 43 4", "2,0,0 4,0,0"},
        {"10 1 20 1 30 1", "41 2 42 3 43 4", "0,-3,-4 2,-3,-4"},
        {"", "50 90", "0,1,0 0,2,0"},
        {"", "50 450", "0,1,0 0,2,0"},
        {"10 1 20 1 30 1", "50 90", "1,0,-1 1,1,-1"},
        {"10 1 20 1 30 0", "41 2 42 3 50 90", "3,0,0 3,2,0"},
        {"", "50 -90 41 2", "0,-2,0 0,-4,0"},
        {"", "10 5 210 0 220 0 230 -1", "-6,0,0 -7,0,0"},
        {"", "10 5 50 90 210 0 220 0 230 -1", "-5,1,0 -5,2,0"},
        {"", "10 0 20 0 30 5 210 1 220 0 230 0", "5,1,0 5,2,0"},
        {"", "70 2 71 2 44 10 45 20 41 2 42 3", "2,0,0 4,0,0 12,0,0 14,0,0 2,20,0 4,20,0 12,20,0 14,20,0"},
        {"", "70 2 71 3 44 10 45 20 50 90",
         "0,1,0 0,2,0 0,11,0 0,12,0 -20,1,0 -20,2,0 -20,11,0 -20,12,0 "
         "-40,1,0 -40,2,0 -40,11,0 -40,12,0"},
        {"", "70 0 71 0 44 10 45 20", "1,0,0 2,0,0"},
    };
    for (const auto& [base, insert, expected] : rows)
    {
        const std::string blocks =
            "0 BLOCK 2 B " + std::string(base) + " 0 LINE 10 1 20 0 30 0 11 2 21 0 31 0 0 ENDBLK";
        KScnNode* layer = Child(Read(Drawing("", "0 INSERT 2 B " + std::string(insert), blocks)), 0);
        ASSERT_NE(layer, nullptr);
        ASSERT_EQ(layer->GetChildCount(), 1);
        KScnNode* node = layer->GetChild(0);
        EXPECT_STREQ(node->GetName(), "Model::B");
        std::string points;
        for (int i = 0; i < MeshOf(node)->GetControlPointsCount(); ++i)
            points += (i > 0 ? " " : "") + Text(Placed(node, i));
        EXPECT_EQ(points, expected) << base << " / " << insert;
    }
}

// $INSUNITS to metres (first, last and past-the-end codes, and the ones a slip
// would confuse), only when asked, before the unit scale, points and inserts.
TEST_F(DxfRules, FileUnitsBecomeMetres)
{
    const int codes[] = {0, 1, 2, 3, 4, 5, 6, 10, 14, 15, 20, 21};
    const double metres[] = {
        1, 0.0254, 0.3048, 1609.344, 0.001, 0.01, 1, 0.9144, 0.1, 10, 3.0856775814913673e16, 1};
    for (int k = 0; k < 12; ++k)
    {
        const int code = codes[k];
        SCOPED_TRACE(code);
        const std::string text =
            Dxf("0 SECTION 2 HEADER 9 $ACADVER 1 AC1015 9 $INSUNITS 70 " + std::to_string(code) +
                " 9 $LUNITS 70 2 9 $EXTMIN 10 0 20 0 30 0 0 ENDSEC 0 SECTION 2 BLOCKS 0 BLOCK 2 B "
                "0 LINE 11 1 0 ENDBLK 0 ENDSEC 0 SECTION 2 ENTITIES 0 LINE 11 1 31 3 "
                "0 INSERT 2 B 10 3 0 ENDSEC 0 EOF");
        for (const bool use : {true, false})
        {
            KStreamOptionsDxf options;
            options.mAxisConversion = KStreamOptionsForeign::eAxisAsIs;
            options.mUseFileUnits = use;
            options.mUnitScale = 2.0;
            KScnNode* layer = Child(Read(text, &options), 0);
            ASSERT_NE(layer, nullptr);
            const double expected = 2.0 * (use ? metres[k] : 1.0);
            EXPECT_NEAR(MeshOf(layer)->GetControlPointAt(1)[0], expected, expected * 1e-12) << use;
            EXPECT_NEAR(MeshOf(layer)->GetControlPointAt(1)[2], 3 * expected, expected * 1e-12) << use;
            ASSERT_EQ(layer->GetChildCount(), 1);
            EXPECT_NEAR(Placed(layer->GetChild(0), 1)[0], 4 * expected, expected * 1e-6) << use;
        }
    }
}

// Each reading option against one drawing: what it takes away or changes.
TEST_F(DxfRules, OptionsChangeWhatIsRead)
{
    const std::string text =
        Drawing("",
                "0 3DFACE 10 1 20 2 30 3 11 2 21 2 31 3 12 1 22 3 32 3 "
                "0 POLYLINE 70 64 0 VERTEX 70 192 0 VERTEX 10 1 70 192 0 VERTEX 20 1 70 192 "
                "0 VERTEX 70 128 71 1 72 2 73 3 0 SEQEND "
                "0 LWPOLYLINE 70 1 10 0 20 0 10 1 20 0 10 2 20 0 10 2 20 2 10 0 20 2 "
                "0 LINE 11 1 0 POLYLINE 0 VERTEX 10 0 20 5 0 VERTEX 10 1 20 5 0 SEQEND 0 INSERT 2 B",
                "0 BLOCK 2 B 0 LINE 11 1 0 ENDBLK");
    using Options = KStreamOptionsDxf;
    const std::tuple<void (*)(Options&), Ints, int> rows[] = {
        // polygon sizes, inserts
        {[](Options&) {}, {3, 3, 2, 2, 2, 2, 2, 2, 2}, 1},
        {[](Options& o) { o.mReadFaces = false; }, {3, 2, 2, 2, 2, 2, 2, 2}, 1},
        {[](Options& o) { o.mReadMeshes = false; }, {3, 2, 2, 2, 2, 2, 2, 2}, 1},
        {[](Options& o) { o.mReadOutlines = false; }, {3, 3, 2}, 1},
        {[](Options& o) { o.mReadLines = false; }, {3, 3, 2, 2, 2, 2, 2, 2}, 1},
        {[](Options& o) { o.mReadInserts = false; }, {3, 3, 2, 2, 2, 2, 2, 2, 2}, 0},
        {[](Options& o) { o.mClosedOutlinesAsPolygons = true; }, {3, 3, 5, 2, 2}, 1},
    };
    for (const auto& [set, sizes, inserts] : rows)
    {
        Options options;
        set(options);
        KScnNode* layer = Child(Read(text, &options), 0);
        ASSERT_NE(layer, nullptr);
        EXPECT_EQ(Sizes(MeshOf(layer)), sizes);
        EXPECT_EQ(layer->GetChildCount(), inserts);
        // Z up to Y up by default: DXF (x, y, z) is the scene's (x, z, -y).
        if (options.mReadFaces)
            ExpectPoint(MeshOf(layer)->GetControlPointAt(0), 1, 3, -2);
    }
}

// One normal per polygon, from all its corners (a five-corner outline
// whose first three corners lie on a line still has its plane's normal);
// a segment's is zero.
TEST_F(DxfRules, NormalsPerPolygon)
{
    KStreamOptionsDxf options;
    options.mAxisConversion = KStreamOptionsForeign::eAxisAsIs;
    options.mClosedOutlinesAsPolygons = true;
    KScnMesh* mesh =
        MeshOf(Child(Read(Entities("0 LWPOLYLINE 70 1 10 0 20 0 10 1 20 0 10 2 20 0 10 2 20 2 10 0 20 2 " +
                                   Face("0 0 0 0 0 1 0 1 1 0 1 0") + " 0 LINE 11 1"),
                          &options),
                     0));
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(Sizes(mesh), (Ints{5, 4, 2}));
    for (int corner = 0; corner < 10; ++corner)
        ExpectPoint(CornerNormal(mesh, corner), corner < 5 ? 0 : corner < 9 ? -1 : 0, 0, corner < 5 ? 1 : 0);
}

} // namespace
