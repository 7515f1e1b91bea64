// The DXF reader: a hand-written drawing (layers, faces, a polyface mesh,
// outlines, blocks inserted into blocks, an array insert) read through the
// importer and checked value by value, then again with options; drawings
// written by python3-ezdxf (ASCII R12, R2000, R2004, binary R12 and R2000)
// read back; every kind of hostile file refused with error 0 and its reason,
// leaving the scene as it was; the palette's range.

#include "scenesdk/importers/KScnDxfPalette.h"
#include "scenesdk/importers/KScnDxfSceneBuilder.h"
#include "scenesdk/importers/KScnReaderDxf.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/importers/DxfText.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace scenesdk;
using namespace importtest;

namespace
{

// One entity (or table entry) a line.
const char* const kDrawing = R"(0 SECTION  2 HEADER  9 $INSUNITS  70 4  0 ENDSEC
0 SECTION  2 TABLES  0 TABLE  2 LAYER
0 LAYER  2 Walls  62 3
0 LAYER  2 Roof  62 -5
0 ENDTAB  0 ENDSEC
0 SECTION  2 BLOCKS
0 BLOCK  2 Post  10 1.0  20 0.0  30 0.0
0 3DFACE  8 0  10 1  20 0  30 0  11 2  21 0  31 0  12 2  22 0  32 1  13 2  23 0  33 1
0 3DFACE  8 0  62 0  10 1  20 0  30 1  11 2  21 0  31 1  12 2  22 1  32 1  13 1  23 1  33 1
0 INSERT  8 0  2 cap  10 1  20 0  30 2  50 90  0 ENDBLK
0 BLOCK  2 Cap
0 3DFACE  8 Walls  10 0  20 0  30 0  11 1  21 0  31 0  12 0  22 1  32 0  0 ENDBLK  0 ENDSEC
0 SECTION  2 ENTITIES
0 3dFace  8 Walls  10 0.0  20 0.0  30 0.0  11 1.0  21 0.0  31 0.0  12 1.0  22 1.0  32 0.0
          13 1.0  23 1.0  33 0.0
0 3DFACE  8 Walls  62 1  10 0  20 0  30 1  11 1  21 0  31 1  12 1  22 1  32 1  13 0  23 1  33 1
0 POLYLINE  8 Walls  66 1  70 64
0 VERTEX  8 Walls  10 0.0  20 0.0  30 0.0  70 128  71 1  72 2  73 -3
0 VERTEX  8 Walls  10 0.0  20 0.0  30 1.0  70 192
0 VERTEX  8 Walls  10 1.0  20 0.0  30 1.0  70 192
0 VERTEX  8 Walls  10 0.0  20 1.0  30 1.0  70 192
0 SEQEND
0 LINE  8 Roof  10 0  20 0  30 5  11 3  21 0  31 5
0 LWPOLYLINE  8 Roof  90 99  70 1  10 0  20 0  10 2  20 0  42 0.5  10 2  20 2
0 CIRCLE  8 Roof  10 0  20 0  30 0  40 1
0 INSERT  8 Roof  2 Post  62 6  10 10  20 0  30 0  41 2  42 2  43 2  50 90
0 INSERT  8 Walls  2 Post  10 0  20 10  30 0  70 2  71 2  44 5  45 4
0 INSERT  8 Roof  2 Post  10 0  20 0  30 3  41 1  42 2  43 3  50 90  210 0  220 -1  230 0
0 ENDSEC  0 EOF
)";

TEST(DxfReader, ReadsAHandWrittenDrawingValueByValueThenWithOptions)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("house.dxf", Dxf(kDrawing));
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    const int nodesBefore = manager.GetNodeCount();
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(KScnImporter::FindFileFormat("dxf"));
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
    EXPECT_STREQ(importer->GetStatusText(), "1 entities skipped (first: CIRCLE)");
    EXPECT_EQ(manager.GetNodeCount() - nodesBefore, 11) << "2 layers, 3 posts, 6 caps";

    // Layers with content, in the order the file names them ("0" has none
    // in model space). Default axes: DXF (x, y, z) is the scene's (x, z, -y).
    KScnNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 2);
    KScnNode* walls = root->GetChild(0);
    KScnNode* roof = root->GetChild(1);
    EXPECT_STREQ(walls->GetName(), "Model::Walls");
    EXPECT_STREQ(roof->GetName(), "Model::Roof");
    // The fourth corner repeating the third makes a triangle; the polyface
    // face keeps its invisible edge. Colours by layer unless given.
    KScnMesh* wallMesh = MeshOf(walls);
    ASSERT_NE(wallMesh, nullptr);
    ASSERT_EQ(Sizes(wallMesh), (Ints{3, 4, 3}));
    EXPECT_EQ(Colours(wallMesh), (Names{"Color 3", "Color 1", "Color 3"}));
    EXPECT_EQ(wallMesh->GetControlPointsCount(), 10);
    ExpectPoint(wallMesh->GetControlPointAt(5), 1.0, 1.0, -1.0);
    EXPECT_EQ(wallMesh->GetPolygonVertex(2, 1), 8) << "face records before the positions";
    ExpectPoint(wallMesh->GetControlPointAt(8), 1.0, 1.0, 0.0);
    const KScnLayerElement* normals = wallMesh->GetLayer(0)->GetNormalElement();
    ASSERT_NE(normals, nullptr);
    EXPECT_EQ(normals->GetMappingMode(), KScnLayerElement::eByPolygonVertex);
    ExpectPoint(normals->GetDirectVector(normals->GetIndexAt(1)), 0.0, 1.0, 0.0);
    ExpectColour(MaterialOf(wallMesh, 0)->GetDiffuse(), 0.0, 1.0, 0.0);

    // A line and a closed outline of three edges; three outline vertices,
    // whatever group 90 says; an off layer keeps its colour.
    KScnMesh* roofMesh = MeshOf(roof);
    ASSERT_NE(roofMesh, nullptr);
    EXPECT_EQ(Sizes(roofMesh), (Ints{2, 2, 2, 2}));
    EXPECT_EQ(roofMesh->GetControlPointsCount(), 5);
    EXPECT_EQ(Colours(roofMesh), Names(4, "Color 5"));

    // The post: base point (1, 0, 0) at (10, 0, 0), turned a quarter, twice
    // the size; its corner (2, 0, 0) lands at DXF (10, 2, 0). Its cap,
    // turned a quarter within it, puts its (1, 0, 0) at DXF (8, 0, 4).
    // Layer 0 in a block takes the insert's layer, by block its colour.
    ASSERT_EQ(roof->GetChildCount(), 2);
    // Repeated block names are numbered in the order the nodes are made
    // (the layers in order, each insert with its subtree): the grid on
    // Walls keeps "Post" and its four caps "Cap" to "Cap3".
    KScnNode* post = roof->GetChild(0);
    EXPECT_STREQ(post->GetName(), "Model::Post1");
    ExpectPoint(Placed(post, 1), 10.0, 0.0, -2.0);
    EXPECT_EQ(Colours(MeshOf(post)), (Names{"Color 5", "Color 6"}));
    ASSERT_EQ(post->GetChildCount(), 1);
    KScnNode* cap = post->GetChild(0);
    EXPECT_STREQ(cap->GetName(), "Model::Cap4") << "block names match whatever their case";
    ExpectPoint(Placed(cap, 1), 8.0, 4.0, 0.0);
    EXPECT_EQ(Colours(MeshOf(cap)), Names{"Color 3"});

    // The post standing on its side: extrusion (0, -1, 0) makes the object
    // axes world x, z and -y; at (0, 0, 3) in them, turned a quarter,
    // scaled (1, 2, 3). Its cap inherits the unequal scaling exactly.
    KScnNode* side = roof->GetChild(1);
    EXPECT_STREQ(side->GetName(), "Model::Post2");
    EXPECT_STREQ(side->GetChild(0)->GetName(), "Model::Cap5");
    ExpectPoint(Placed(side, 1), 0.0, 1.0, 3.0);
    ExpectPoint(Placed(side->GetChild(0), 1), -2.0, 0.0, 9.0);
    ExpectPoint(Placed(side->GetChild(0), 2), 0.0, -1.0, 9.0);

    // The 2 x 2 array: one node, a copy of the post per cell (seven points
    // each); cell (1, 1) is 5 along and 4 across from (0, 10), and has its
    // own cap. By block of an insert by layer is the layer's colour.
    ASSERT_EQ(walls->GetChildCount(), 1);
    KScnNode* grid = walls->GetChild(0);
    EXPECT_STREQ(grid->GetName(), "Model::Post");
    ASSERT_EQ(Colours(MeshOf(grid)), Names(8, "Color 3"));
    ExpectPoint(Placed(grid, 3 * 7 + 1), 6.0, 0.0, -14.0);
    ASSERT_EQ(grid->GetChildCount(), 4);
    EXPECT_STREQ(grid->GetChild(0)->GetName(), "Model::Cap");
    EXPECT_STREQ(grid->GetChild(3)->GetName(), "Model::Cap3");
    ExpectPoint(Placed(grid->GetChild(3), 1), 5.0, 2.0, -15.0);

    EXPECT_EQ(scene->GetContents()->GetMaterialCount(), 4) << "one material per colour";
    KScnMaterial* magenta = scene->GetContents()->FindMaterial("Material::Color 6");
    ASSERT_NE(magenta, nullptr);
    ExpectColour(magenta->GetDiffuse(), 1.0, 0.0, 1.0);

    // Again with CR LF line endings (and padded codes, which change nothing)
    // and options: no inserts, lines or meshes, the closed outline one
    // polygon; millimetres to metres, times ten, axes as they are.
    KScnReaderDxf reader(&manager);
    ASSERT_TRUE(reader.OpenFile(dir.WriteFile("crlf.dxf", Dxf(kDrawing, "\r\n")).c_str()));
    KStreamOptionsDxf options;
    options.mReadInserts = options.mReadLines = options.mReadMeshes = false;
    options.mClosedOutlinesAsPolygons = true;
    options.mAxisConversion = KStreamOptionsForeign::eAxisAsIs;
    options.mUnitScale = 10.0;
    options.mUseFileUnits = true;
    KScnSceneRoot* chosen = manager.CreateScene();
    ASSERT_TRUE(reader.ReadScene(chosen, &options)) << reader.GetStatusText();
    ASSERT_EQ(chosen->GetRootNode()->GetChildCount(), 2);
    walls = chosen->GetRootNode()->GetChild(0);
    EXPECT_EQ(walls->GetChildCount(), 0);
    EXPECT_EQ(MeshOf(walls)->GetPolygonCount(), 2) << "no polyface";
    KScnMesh* outline = MeshOf(chosen->GetRootNode()->GetChild(1));
    EXPECT_EQ(Sizes(outline), Ints{3});
    ExpectPoint(outline->GetControlPointAt(2), 0.02, 0.02, 0.0);
    normals = outline->GetLayer(0)->GetNormalElement();
    ExpectPoint(normals->GetDirectVector(normals->GetIndexAt(0)), 0.0, 0.0, 1.0);
}

// python3-ezdxf (installed by scripts/setup) writes the same drawing as
// ASCII R12, R2000 and R2004 and as binary R12 (1-byte codes) and R2000
// (2-byte codes).
const char* const kEzdxfScript = R"(import sys
import ezdxf

def build(version):
    doc = ezdxf.new(version)
    doc.layers.new("Walls", dxfattribs={"color": 3})
    doc.layers.new("Glass", dxfattribs={"color": 5})
    msp = doc.modelspace()
    msp.add_3dface([(0, 0, 0), (4, 0, 0), (4, 0, 3), (4, 0, 3)], dxfattribs={"layer": "Walls"})
    pf = msp.add_polyface(dxfattribs={"layer": "Walls", "color": 1})
    pf.append_faces([[(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)], [(1, 0, 0), (2, 0, 0), (1, 1, 0)]])
    pm = msp.add_polymesh(size=(3, 2), dxfattribs={"layer": "Glass"})
    for i in range(3):
        for j in range(2):
            pm.set_mesh_vertex((i, j), (i, j, i * j))
    corners = [(0, 0), (2, 0), (2, 2), (0, 2)]
    if version == "R12":
        msp.add_polyline2d(corners, close=True, dxfattribs={"layer": "Glass"})
    else:
        msp.add_lwpolyline(corners, close=True, dxfattribs={"layer": "Glass"})
    msp.add_line((0, 0, 0), (0, 0, 7), dxfattribs={"layer": "Walls"})
    if version == "R2004":
        msp.add_3dface([(0, 5, 0), (1, 5, 0), (1, 6, 0)], dxfattribs={"layer": "Walls", "true_color": 0xFF8000})
    block = doc.blocks.new("Window", base_point=(1, 0, 0))
    block.add_3dface([(1, 0, 0), (2, 0, 0), (2, 0, 1), (1, 0, 1)], dxfattribs={"color": 0})
    msp.add_blockref("Window", (10, 0, 0), dxfattribs={"layer": "Glass", "color": 2, "rotation": 90,
                                                      "xscale": 2, "yscale": 2, "zscale": 2})
    msp.add_blockref("Window", (0, 20, 0), dxfattribs={"layer": "Walls", "column_count": 3, "row_count": 2,
                                                      "column_spacing": 5, "row_spacing": 4})
    return doc

out = sys.argv[1]
build("R12").saveas(out + "/r12.dxf")
build("R2000").saveas(out + "/r2000.dxf")
build("R2004").saveas(out + "/r2004.dxf")
build("R12").saveas(out + "/r12b.dxf", fmt="bin")
build("R2000").saveas(out + "/r2000b.dxf", fmt="bin")
)";

TEST(DxfReader, ReadsWhatEzdxfWrites)
{
    testsupport::TempDir dir;
    dir.WriteFile("make.py", kEzdxfScript);
    // The Debian package's interpreter, whatever python3 comes first on PATH.
    const std::string command = "cd '" + dir.Path() + "' && /usr/bin/python3 make.py . > make.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << testsupport::TempDir::ReadFile(dir.Path() + "/make.log");

    for (const char* file : {"r12.dxf", "r2000.dxf", "r2004.dxf", "r12b.dxf", "r2000b.dxf"})
    {
        SCOPED_TRACE(file);
        const bool trueColour = std::string(file) == "r2004.dxf";
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnImporter* importer = manager.CreateImporter();
        importer->SetFileFormat(3);
        ASSERT_TRUE(importer->Initialize((dir.Path() + "/" + file).c_str()));
        ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
        KScnNode* root = scene->GetRootNode();
        ASSERT_EQ(root->GetChildCount(), 2);
        KScnNode* walls = root->GetChild(0);
        KScnNode* glass = root->GetChild(1);
        EXPECT_STREQ(walls->GetName(), "Model::Walls");
        EXPECT_STREQ(glass->GetName(), "Model::Glass");

        // A triangle, the polyface's quad and triangle, the line (and the
        // true-colour triangle).
        KScnMesh* wallMesh = MeshOf(walls);
        ASSERT_NE(wallMesh, nullptr);
        Names colours = {"Color 3", "Color 1", "Color 1", "Color 3"};
        if (trueColour)
            colours.push_back("Color #FF8000");
        ASSERT_EQ(Sizes(wallMesh), trueColour ? (Ints{3, 4, 3, 2, 3}) : (Ints{3, 4, 3, 2}));
        EXPECT_EQ(Colours(wallMesh), colours);
        ExpectPoint(wallMesh->GetControlPointAt(2), 4.0, 3.0, 0.0);
        ExpectColour(MaterialOf(wallMesh, 1)->GetDiffuse(), 1.0, 0.0, 0.0);
        if (trueColour)
        {
            EXPECT_NEAR(MaterialOf(wallMesh, 4)->GetDiffuse().mGreen, 128.0 / 255.0, 1e-6);
        }

        // The 3 x 2 polygon mesh gives two quads; the closed outline four edges.
        KScnMesh* glassMesh = MeshOf(glass);
        ASSERT_NE(glassMesh, nullptr);
        EXPECT_EQ(Sizes(glassMesh), (Ints{4, 4, 2, 2, 2, 2}));
        EXPECT_EQ(Colours(glassMesh), Names(6, "Color 5"));
        ExpectPoint(glassMesh->GetControlPointAt(3), 1.0, 1.0, -1.0);

        ASSERT_EQ(glass->GetChildCount(), 1);
        KScnNode* window = glass->GetChild(0);
        EXPECT_STREQ(window->GetName(), "Model::Window1") << "the grid's window was made first";
        ExpectPoint(Placed(window, 2), 10.0, 2.0, -2.0);
        EXPECT_EQ(Colours(MeshOf(window)), Names{"Color 2"});
        // The 3 x 2 array: cell (2, 1), the sixth copy of four points.
        ASSERT_EQ(walls->GetChildCount(), 1);
        KScnNode* grid = walls->GetChild(0);
        EXPECT_STREQ(grid->GetName(), "Model::Window");
        ASSERT_EQ(Colours(MeshOf(grid)), Names(6, "Color 3"));
        ExpectPoint(Placed(grid, 5 * 4 + 2), 11.0, 1.0, -24.0);
    }
}

// Blocks named prefix0, prefix1, ... each inserting the next (with the
// insert's pairs given), the last inserting last; a block Leaf holding a
// line; the entities one insert of the first.
std::string Nested(const std::string& prefix, int depth, const std::string& last,
                   const std::string& insert = "")
{
    std::string s = "0 SECTION 2 BLOCKS\n";
    for (int i = 0; i < depth; ++i)
        s += "0 BLOCK 2 " + prefix + std::to_string(i) + " 0 INSERT 2 " +
             (i + 1 < depth ? prefix + std::to_string(i + 1) : last) + " " + insert + " 0 ENDBLK\n";
    return Dxf(s + "0 BLOCK 2 Leaf 0 LINE 11 1 0 ENDBLK 0 ENDSEC 0 SECTION 2 ENTITIES 0 INSERT 2 " + prefix +
               "0 0 ENDSEC 0 EOF");
}

// A block B holding a line after its own pairs, inserted once with the
// insert's pairs.
std::string InsertOfB(const std::string& block, const std::string& insert)
{
    return Dxf("0 SECTION 2 BLOCKS 0 BLOCK 2 B " + block +
               " 0 LINE 11 1 0 ENDBLK 0 ENDSEC 0 SECTION 2 ENTITIES " + "0 INSERT 2 B " + insert +
               " 0 ENDSEC 0 EOF");
}

// The binary sentinel, then a section of entities begun with 1- or 2-byte
// group codes, then the body.
std::string Binary(bool twoByteCodes, const std::string& body)
{
    const std::string start = twoByteCodes ? std::string("\0\0SECTION\0\x02\0ENTITIES\0", 21)
                                           : std::string("\0SECTION\0\x02"
                                                         "ENTITIES\0",
                                                         19);
    return std::string("ABCDEFG Binary DXF\r\n\x1a\0", 22) + start + body;
}

TEST(DxfReader, HostileFilesAreRefusedAndLeaveTheSceneAlone)
{
    const std::string face = "0 3DFACE 10 0 20 0 30 0 11 1 21 0 31 0 12 1 22 1 32 0";
    const std::string polyface =
        "0 POLYLINE 70 64 0 VERTEX 70 192 0 VERTEX 10 1 70 192 0 VERTEX 20 1 70 192 ";
    const std::pair<std::string, std::string> cases[] = {
        {"", "no group in the file"},
        {"  0\nSECTION\n  x\nENTITIES\n", "line 3: not a group code: x"},
        {"  0\nSECTION\n1072\nENTITIES\n", "line 3: group code 1072 out of range"},
        {"  0\nSECTION\n -1\nENTITIES\n", "line 3: group code -1 out of range"},
        {"  0\nSECTION\n  2\nENTITIES\n  0\n", "line 5: group code 0 without a value"},
        {Entities("0 LINE 10 1,5"), "line 8: not a number: 1,5"},
        {Entities("0 LINE 10 nan"), "line 8: not a number: nan"},
        {Entities("0 LINE 10 1e999"), "line 8: not a number: 1e999"},
        {Entities("0 LINE 62 red"), "line 8: not an integer: red"},
        {Entities("0 LINE 62 70000"), "line 8: value 70000 too large for group code 62"},
        {Entities("0 LINE 62 300"), "line 7: colour number 300 out of range"},
        {Entities(polyface + "0 VERTEX 70 128 71 1 72 2 73 4 0 SEQEND"),
         "line 5: polyface face index 4 out of range (3 vertices)"},
        {Entities(polyface + "0 VERTEX 70 128 71 1 72 2 73 -32768 0 SEQEND"),
         "line 5: polyface face index 32768 out of range (3 vertices)"},
        {Entities("0 POLYLINE 70 16 71 2 72 2 0 VERTEX 0 VERTEX 0 VERTEX 0 SEQEND"),
         "line 5: polygon mesh of 2 x 2 positions with 3 vertices"},
        {Entities("0 POLYLINE 70 16 71 -2 72 -2 0 VERTEX 0 VERTEX 0 VERTEX 0 VERTEX 0 SEQEND"),
         "line 5: polygon mesh of -2 x -2 positions"},
        {Entities("0 INSERT 2 Nowhere"), "INSERT of an unknown block: Nowhere"},
        {Entities("0 INSERT 8 0"), "line 5: INSERT without a block name"},
        {Nested("B", 1, "B0"), "insert cycle: B0 > B0"},
        {Nested("B", 3, "b1"), "insert cycle: B1 > B2 > B1"},
        {Nested("B", 300, "Leaf"), "blocks nested deeper than 256 (at block B256)"},
        {Nested("B", 256, "Leaf"), "blocks nested deeper than 256 (at block Leaf)"},
        {Nested("A", 4, "Leaf", "70 100 71 100 44 1 45 1"), "the drawing expands beyond 2"},
        {InsertOfB("", "70 32767 71 32767"), "the drawing expands beyond"},
        {Entities("0 INSERT 2 B 71 -3"), "line 5: INSERT of B with a negative column or row count"},
        {Entities("0 INSERT 2 B 42 0"), "line 5: INSERT of B with scale 0"},
        {Entities("0 INSERT 2 B 43 0"), "line 5: INSERT of B with scale 0"},
        // Every node an insert makes copies its block's name: 2,000 copies of 100 KB.
        {Dxf("0 SECTION 2 BLOCKS 0 BLOCK 2 " + std::string(100000, 'n') + " 0 LINE 11 1 0 ENDBLK 0 BLOCK 2 A 0 INSERT 2 " +
             std::string(100000, 'n') + " 0 ENDBLK 0 ENDSEC 0 SECTION 2 ENTITIES 0 INSERT 2 A 70 40 71 50 0 ENDSEC 0 EOF"),
         "the drawing expands beyond"},
        {InsertOfB("10 1e300", "41 1e300"), "layer 0: an INSERT of B placed too far for the scene"},
        {InsertOfB("", "41 1e-300 44 1e300 70 2"), "layer 0: a coordinate too large for the scene"},
        {Dxf("0 SECTION 2 ENTITIES " + face), "line 23: section ENTITIES not ended"},
        {Dxf("0 SECTION 2 BLOCKS 0 BLOCK 2 B 0 ENDSEC 0 EOF"), "line 9: block B not ended"},
        {Dxf("0 SECTION 2 ENTITIES 0 ENDSEC"), "line 5: the file ends without EOF"},
        {Dxf("0 BLOCK"), "line 1: 'BLOCK' outside a section"},
        {"  0\nSECTION\n  2\nHEADER\n  9\n" + std::string((1 << 20) + 1, 'x') + "\n",
         "line 6: line longer than"},
        {Binary(true, std::string("\x0a\0\0\0\0\0\0", 7)), "byte 43: value cut off by the end of the file"},
        {Binary(true, std::string("\x08\0Walls", 7)), "byte 43: string without its end"},
        {Binary(true, std::string("\x36\x01\x09"
                                  "ab",
                                  5)),
         "byte 43: binary data longer than the file"},
        {Binary(true, std::string("\x30\x04\0", 3)), "byte 43: group code 1072 out of range"},
        {Binary(true, std::string("\x0a\0\0\0\0\0\0\0\xf0\x7f", 10)),
         "byte 43: not a number for group code 10"},
        {Binary(false, "\xff\x01"), "byte 41: group code cut off by the end of the file"},
        {std::string("ABCDEFG Binary DXF\r\n\x1a", 21) + std::string("\0\0\0\0", 4),
         "binary file not starting with a section"},
    };
    importtest::ExpectEachRefused<KScnReaderDxf, KStreamOptionsDxf>(cases, "bad.dxf");
}

// The expansion is measured before anything is made: an array just within
// the budget of its file is read whole, one column more is refused.
TEST(DxfReader, ExpansionStaysWithinTheBudgetOfTheFile)
{
    EXPECT_EQ(KScnDxfSceneBuilder::Budget(0), KScnDxfSceneBuilder::kBaseBudget);
    EXPECT_EQ(KScnDxfSceneBuilder::Budget(1000), KScnDxfSceneBuilder::kBaseBudget + 32000);
    EXPECT_EQ(KScnDxfSceneBuilder::Budget(size_t(1) << 40), KScnDxfSceneBuilder::kMaxBudget);

    testsupport::TempDir dir;
    // Each cell: a segment's 2 points and 2 corners and its shift; the
    // layer's node and the insert's node one node each.
    const auto file = [](int columns)
    { return InsertOfB("", "44 2 70 " + std::to_string(columns) + " 71 1000"); };
    const size_t size = file(100).size();
    const int columns =
        static_cast<int>((KScnDxfSceneBuilder::Budget(size) - 2 * KScnDxfSceneBuilder::kNodeCost) / 5 / 1000);
    KScnSdkManager manager;
    for (int extra : {0, 1})
    {
        const std::string path = dir.WriteFile("grid.dxf", file(columns + extra));
        ASSERT_EQ(file(columns + extra).size(), size);
        KScnReaderDxf reader(&manager);
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        KStreamOptionsDxf options;
        KScnSceneRoot* scene = manager.CreateScene();
        const int nodes = manager.GetNodeCount();
        EXPECT_EQ(reader.ReadScene(scene, &options), extra == 0) << reader.GetStatusText();
        EXPECT_EQ(manager.GetNodeCount() - nodes, extra == 0 ? 2 : 0);
        if (extra == 0)
        {
            KScnMesh* mesh = MeshOf(scene->GetRootNode()->GetChild(0)->GetChild(0));
            ASSERT_NE(mesh, nullptr);
            EXPECT_EQ(mesh->GetPolygonCount(), 1000 * columns);
            ExpectPoint(mesh->GetControlPointAt(2 * (columns - 1) + 1), 2.0 * columns - 1.0, 0.0, 0.0);
        }
        manager.DestroyScene(scene, true);
    }
}

// A polyface face whose unused corner (index 0) comes before a used one is
// read without it, and counted in the status text; a face whose unused
// corners trail is the usual triangle and not counted.
TEST(DxfReader, SaysWhenAPolyfaceFaceSkipsAnUnusedCorner)
{
    const std::string positions =
        "0 POLYLINE 70 64 0 VERTEX 70 192 0 VERTEX 10 1 70 192 0 VERTEX 20 1 70 192 "
        "0 VERTEX 10 1 20 1 70 192 ";
    const struct
    {
        std::string faces;
        int polygons;
        const char* status;
    } cases[] = {
        {"0 VERTEX 70 128 71 1 72 2 73 3 74 0", 1, ""},
        {"0 VERTEX 70 128 71 0 72 1 73 2 74 3", 1,
         "1 polyface faces with an unused corner (index 0) before a used one, read without it"},
        {"0 VERTEX 70 128 71 1 72 0 73 3 74 4 0 VERTEX 70 128 71 0 72 2 73 3 74 4", 2,
         "2 polyface faces with an unused corner (index 0) before a used one, read without it"},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.faces);
        KScnReaderDxf reader(&manager);
        ASSERT_TRUE(
            reader.OpenFile(dir.WriteFile("faces.dxf", Entities(positions + c.faces + " 0 SEQEND")).c_str()));
        KStreamOptionsDxf options;
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
        EXPECT_STREQ(reader.GetStatusText(), c.status);
        ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 1);
        EXPECT_EQ(MeshOf(scene->GetRootNode()->GetChild(0))->GetPolygonCount(), c.polygons);
        manager.DestroyScene(scene, true);
    }
}

// Numbers outside 1..255 are refused and leave the colour alone; the
// standard colours, the first of the hue ramp and the greys at its end.
TEST(DxfPalette, CoversTheNumbersOneTo255)
{
    uint32_t rgb = 0x123456;
    for (int number : {-1, 0, 256, 1000})
    {
        EXPECT_FALSE(KScnDxfPalette::GetRGB(number, rgb)) << number;
        EXPECT_EQ(rgb, 0x123456u);
    }
    for (int number = 1; number < KScnDxfPalette::kCount; ++number)
        EXPECT_TRUE(KScnDxfPalette::GetRGB(number, rgb)) << number;
    const std::pair<int, uint32_t> known[] = {
        {1, 0xFF0000},  {2, 0xFFFF00},   {3, 0x00FF00},   {4, 0x00FFFF},  {5, 0x0000FF},
        {6, 0xFF00FF},  {7, 0xFFFFFF},   {8, 0x808080},   {9, 0xC0C0C0},  {10, 0xFF0000},
        {11, 0xFF7F7F}, {250, 0x000000}, {254, 0xCCCCCC}, {255, 0xFFFFFF}};
    for (const auto& k : known)
        EXPECT_TRUE(KScnDxfPalette::GetRGB(k.first, rgb) && rgb == k.second)
            << k.first << " " << std::hex << rgb;
}

} // namespace
