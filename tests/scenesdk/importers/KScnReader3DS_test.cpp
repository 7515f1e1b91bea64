// The 3DS reader: a hand-built file with materials, maps, meshes, smoothing
// groups, mapping coordinates and a keyframer hierarchy with tracks, read
// through the importer and checked value by value; a file without a
// keyframer read with a unit scale and the axis conversion; hostile files
// each refused with error 0 and the reason, leaving the scene as it was; a
// keyframer chain as deep as the limit read whole, deeper ones refused;
// chunk nesting bounded. (A file written by
// openscenegraph's converter is read back with the OBJ one, in
// KScnForeignReader_test.cpp.)

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/importers/KScn3DSChunk.h"
#include "scenesdk/importers/KScn3DSParser.h"
#include "scenesdk/importers/KScnReader3DS.h"
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

using namespace scenesdk;
using namespace testsupport;
using namespace importtest;

namespace
{

const float kQuarter = 1.5707964f; // a quarter turn in radians

std::string Materials()
{
    const std::string red =
        Chunk(0xA000, Cstr("Red")) + Chunk(0xA010, Chunk(0x0010, Floats({0.1f, 0.1f, 0.1f}))) +
        Chunk(0xA020,
              Chunk(0x0011, std::string("\xFF\x00\x00", 3)) + Chunk(0x0012, std::string("\x00\xFF\x00", 3))) +
        Chunk(0xA030, Chunk(0x0013, Floats({0.5f, 0.5f, 0.5f}))) + Chunk(0xA040, Chunk(0x0030, Le16(40))) +
        Chunk(0xA050, Chunk(0x0031, Floats({25.0f}))) + Chunk(0xA081, "") +
        Chunk(0xA200, Chunk(0x0030, Le16(100)) + Chunk(0xA300, Cstr("maps\\BRICK.TGA")) +
                          Chunk(0xA351, Le16(0x10)) + Chunk(0xA354, Floats({2.0f})) +
                          Chunk(0xA356, Floats({3.0f})) + Chunk(0xA358, Floats({0.5f})) +
                          Chunk(0xA35A, Floats({0.25f})) + Chunk(0xA35C, Floats({30.0f}))) +
        Chunk(0xA230, Chunk(0xA300, Cstr("bump.tga")));
    const std::string blue = Chunk(0xA000, Cstr("Blue")) +
                             Chunk(0xA020, Chunk(0x0010, Floats({0.0f, 0.0f, 1.0f}))) +
                             Chunk(0xA100, Le16(1));
    return Chunk(0xAFFF, red) + Chunk(0xAFFF, blue);
}

// A folded quad (vertex 3 lifted) whose two faces share smoothing bit 2,
// with its axes at (10, 0, 0); a lid of two faces in different smoothing
// groups with a short mapping list; a lamp.
std::string Editor()
{
    const std::string box = Chunk(
        0x4100, VertexList({10, 0, 0, 12, 0, 0, 12, 2, 0, 10, 2, 2}) +
                    Chunk(0x4140, Le16(4) + Floats({0, 0, 1, 0, 1, 1, 0, 1})) +
                    Chunk(0x4160, Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 0, 0})) +
                    FaceList({0, 1, 2, 0, 2, 3}, MaterialGroup("Red", {0}) + MaterialGroup("Blue", {1}) +
                                                     Chunk(0x4150, Le32(3) + Le32(2))));
    const std::string lid = Chunk(0x4100, VertexList({0, 0, 5, 1, 0, 5, 1, 1, 5, 0, 1, 6}) +
                                              Chunk(0x4140, Le16(3) + Floats({0, 0, 1, 0, 1, 1})) +
                                              FaceList({0, 1, 2, 0, 2, 3}, Chunk(0x4150, Le32(1) + Le32(2))));
    return Chunk(0x3D3E, Le32(3)) + Materials() + Chunk(0x4000, Cstr("Box") + box) +
           Chunk(0x4000, Cstr("Lid") + lid) + Chunk(0x1234, "unknown") +
           Chunk(0x4000,
                 Cstr("Lamp") + Chunk(0x4600, Floats({1, 2, 3}) + Chunk(0x4610, Floats({0, 0, 0, 1, 1}))));
}

// Box at the root (moving up and turning about Z), a dummy "Handle" below
// it, the lid below that with a pivot; positions that put the lid where its
// vertices are.
std::string Keyframer()
{
    return Chunk(0xB00A, Le16(5) + Cstr("MAXSCENE") + Le32(30)) + Chunk(0xB008, Le32(0) + Le32(30)) +
           KeyNode(
               0, "Box", 0xFFFF,
               Chunk(0xB013, Floats({0, 0, 0})) + Track(0xB020, {{0, {10, 0, 0}}, {30, {10, 0, 5}}}) +
                   Track(0xB021, {{0, {0, 0, 0, 0}}, {15, {kQuarter, 0, 0, 1}}, {30, {kQuarter, 0, 0, 2}}}) +
                   Track(0xB022, {{0, {1, 1, 1}}})) +
           KeyNode(1, "$$$DUMMY", 0, Chunk(0xB011, Cstr("Handle")) + Track(0xB020, {{0, {0, 0, 1}}})) +
           KeyNode(2, "Lid", 1, Chunk(0xB013, Floats({0.5f, 0, 0})) + Track(0xB020, {{0, {-9.5f, 0, -1}}}));
}

TEST(Reader3DS, ReadsMeshesMaterialsMapsHierarchyAndTracks)
{
    TempDir dir;
    dir.WriteFile("model/maps/Brick.tga", "not read");
    const std::string path = dir.WriteFile("model/scene.3ds", File3DS(Editor(), Keyframer()));
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(KScnImporter::FindFileFormat("3ds"));
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
    const std::string status = importer->GetStatusText();
    EXPECT_NE(status.find("object Lid: 3 mapping coordinates for 4 vertices"), std::string::npos) << status;
    EXPECT_NE(status.find("chunks skipped"), std::string::npos) << status;

    KScnNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 2);
    KScnNode* box = root->GetChild(0);
    KScnNode* lamp = root->GetChild(1);
    EXPECT_STREQ(box->GetName(), "Model::Box");
    EXPECT_STREQ(lamp->GetName(), "Model::Lamp");
    ASSERT_EQ(box->GetChildCount(), 1);
    KScnNode* handle = box->GetChild(0);
    EXPECT_STREQ(handle->GetName(), "Model::Handle");
    EXPECT_EQ(handle->GetMesh(), nullptr);
    ASSERT_EQ(handle->GetChildCount(), 1);
    KScnNode* lid = handle->GetChild(0);
    EXPECT_STREQ(lid->GetName(), "Model::Lid");
    KgeTVector v;
    ExpectPoint(lamp->GetLocalTranslation(v), 1, 2, 3, 1e-5, "the lamp's place");

    auto* mesh = static_cast<KScnMesh*>(box->GetMesh());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), 4);
    ASSERT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(mesh->GetPolygonVertex(1, 2), 3);
    ExpectPoint(mesh->GetControlPointAt(1), 2, 0, 0, 1e-5, "vertices in the node's space");
    ExpectPoint(Placed(box, 3), 10, 2, 2, 1e-5, "and back in the world");
    const KScnLayer* layer = mesh->GetLayer(0);
    const KScnLayerElement* uvs = layer->GetUVElement();
    ASSERT_NE(uvs, nullptr);
    EXPECT_DOUBLE_EQ(uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(2)].u, 1.0);
    EXPECT_DOUBLE_EQ(uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(5)].v, 1.0);
    // Bit 2 is shared: both corners at vertex 0 get the mean of the facets.
    const KScnLayerElement* normals = layer->GetNormalElement();
    ASSERT_NE(normals, nullptr);
    for (int corner : {0, 3})
        ExpectPoint(normals->GetDirectVector(normals->GetIndexAt(corner)), 1 / std::sqrt(6.0),
                    -1 / std::sqrt(6.0), 2 / std::sqrt(6.0), 1e-5, "smoothed normal");

    const KScnLayerElement* materials = layer->GetMaterialElement();
    ASSERT_NE(materials, nullptr);
    KScnMaterial* red = materials->GetDirect<KScnMaterial*>()[materials->GetIndexAt(0)];
    KScnMaterial* blue = materials->GetDirect<KScnMaterial*>()[materials->GetIndexAt(1)];
    EXPECT_STREQ(red->GetName(), "Material::Red");
    EXPECT_STREQ(blue->GetName(), "Material::Blue");
    EXPECT_NEAR(red->GetDiffuse().mRed, 1.0, 1e-6) << "the first colour read wins";
    EXPECT_NEAR(red->GetDiffuse().mGreen, 0.0, 1e-6);
    EXPECT_NEAR(red->GetAmbient().mBlue, 0.1, 1e-6);
    EXPECT_NEAR(red->GetSpecular().mGreen, 0.5, 1e-6);
    EXPECT_NEAR(red->GetDefaultShininess(), 0.4, 1e-6);
    EXPECT_NEAR(red->GetDefaultOpacity(), 0.75, 1e-6);
    ASSERT_NE(red->GetPropertyHandler()->FindProperty("TwoSided"), nullptr);
    EXPECT_EQ(red->GetPropertyHandler()->FindProperty("TwoSided")->GetInt(), 1);
    EXPECT_EQ(blue->GetPropertyHandler()->FindProperty("TwoSided"), nullptr);
    EXPECT_STREQ(blue->GetShadingModel(), "Lambert");
    EXPECT_NEAR(blue->GetDiffuse().mBlue, 1.0, 1e-6);

    const KScnLayerElementTexture* textures = layer->GetTextureElement();
    ASSERT_NE(textures, nullptr);
    EXPECT_EQ(textures->GetIndexAt(1), -1) << "Blue has no map";
    KScnTexture* brick = textures->GetDirect<KScnTexture*>()[textures->GetIndexAt(0)];
    EXPECT_STREQ(brick->GetRelativeFileName(), "maps/Brick.tga") << "found ignoring case";
    EXPECT_EQ(std::string(brick->GetFileName()), dir.Path() + "/model/maps/Brick.tga");
    EXPECT_DOUBLE_EQ(brick->GetUVScaling().v, 3.0);
    EXPECT_DOUBLE_EQ(brick->GetUVTranslation().u, 0.5);
    EXPECT_EQ(brick->GetWrapModeU(), eWrapClamp);
    KScnTexture* bump = scene->GetContents()->FindTexture("Texture::bump.tga");
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump->GetTextureUse(), eTextureUseBumpNormalMap);

    // The lid: moved by minus its pivot, flat where its faces' groups differ,
    // its fourth vertex past the mapping list, the default material.
    auto* lidMesh = static_cast<KScnMesh*>(lid->GetMesh());
    ASSERT_NE(lidMesh, nullptr);
    ExpectPoint(lidMesh->GetControlPointAt(1), 0.5, 0, 5, 1e-5, "pivot");
    ExpectPoint(Placed(lid, 3), 0, 1, 6, 1e-5, "the lid in the world");
    const KScnLayer* lidLayer = lidMesh->GetLayer(0);
    EXPECT_NE(lidLayer->GetNormalElement()->GetIndexAt(0), lidLayer->GetNormalElement()->GetIndexAt(3));
    const KScnLayerElement* lidUVs = lidLayer->GetUVElement();
    EXPECT_DOUBLE_EQ(lidUVs->GetDirect<KgeUVVector>()[lidUVs->GetIndexAt(5)].u, 0.0);
    EXPECT_STREQ(lidLayer->GetMaterialElement()->GetDirect<KScnMaterial*>()[0]->GetName(),
                 "Material::default");

    ASSERT_NE(scene->GetTakeInfo("Take 001"), nullptr);
    EXPECT_EQ(lamp->GetTakeNodeCount(), box->GetTakeNodeCount()) << "every node read has the take";
    ASSERT_TRUE(box->SelectTakeNodeByName("Take 001"));
    KScnTakeNodeEntry* take = box->GetCurrentTakeNode();
    EXPECT_FLOAT_EQ(At(take->GetTranslationZCurve(), 0.5), 2.5f);
    EXPECT_FLOAT_EQ(At(take->GetTranslationZCurve(), 1.0), 5.0f);
    EXPECT_FLOAT_EQ(At(take->GetTranslationXCurve(), 1.0), 10.0f);
    EXPECT_NEAR(At(take->GetRotationZCurve(), 0.0), 0.0, 1e-4) << "angle 0 about no axis";
    EXPECT_NEAR(At(take->GetRotationZCurve(), 0.5), 90.0, 1e-4);
    EXPECT_NEAR(At(take->GetRotationZCurve(), 1.0), 180.0, 1e-4) << "keys turn from the previous one";
    EXPECT_NEAR(At(take->GetRotationXCurve(), 1.0), 0.0, 1e-4);
    EXPECT_FLOAT_EQ(At(take->GetScalingYCurve(), 1.0), 1.0f);
}

// Without a keyframer the local axes place the node: here turned a quarter
// about Z at (5, 0, 0); Z up converted to Y up, lengths doubled. A singular
// matrix leaves the vertices as written.
TEST(Reader3DS, PlacesObjectsByTheirAxesWithUnitsAndAxisConversion)
{
    TempDir dir;
    const std::string arm = Chunk(0x4100, VertexList({5, 0, 0, 5, 1, 0, 4, 1, 0}) +
                                              Chunk(0x4160, Floats({0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 0, 0})) +
                                              FaceList({0, 1, 2}, ""));
    const std::string flat =
        Chunk(0x4100, VertexList({1, 2, 3}) + Chunk(0x4160, Floats({0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 7})));
    const std::string path = dir.WriteFile(
        "arm.3ds", File3DS(Chunk(0x4000, Cstr("Arm") + arm) + Chunk(0x4000, Cstr("Flat") + flat)));
    KScnSdkManager manager;
    KScnReader3DS reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    std::unique_ptr<KStreamOptionsScn> given(reader.CreateReadOptions(true));
    ASSERT_TRUE(given->Is(KStreamOptions3DS::GetClassId()));
    auto& options = static_cast<KStreamOptions3DS&>(*given);
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    EXPECT_NE(std::string(reader.GetStatusText()).find("unusable local axes"), std::string::npos);
    KScnNode* node = scene->GetRootNode()->GetChild(0);
    ExpectPoint(static_cast<KScnMesh*>(node->GetMesh())->GetControlPointAt(1), 1, 0, 0, 1e-5, "local");
    const double* local = node->ComputeLocalTransform();
    EXPECT_NEAR(local[1], 1.0, 1e-9) << "X turned onto Y";
    ExpectPoint(Placed(node, 2), 4, 1, 0, 1e-5, "world");
    KScnNode* still = scene->GetRootNode()->GetChild(1);
    ExpectPoint(Placed(still, 0), 1, 2, 3, 1e-5, "kept as written");

    options.mUnitScale = 2.0;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    KScnSceneRoot* converted = manager.CreateScene();
    ASSERT_TRUE(reader.ReadScene(converted, &options));
    node = converted->GetRootNode()->GetChild(0);
    ExpectPoint(static_cast<KScnMesh*>(node->GetMesh())->GetControlPointAt(1), 2, 0, 0, 1e-5,
                "local, doubled");
    ExpectPoint(Placed(node, 2), 8, 0, -2, 1e-5, "(4, 1, 0) doubled, Y up");
}

std::string Mesh(const std::string& name, const std::string& contents)
{
    return File3DS(Chunk(0x4000, Cstr(name) + Chunk(0x4100, contents)));
}

std::string Animated(const std::string& nodes)
{
    return File3DS(Chunk(0x4000, Cstr("Box") + Chunk(0x4100, VertexList({0, 0, 0}))), nodes);
}

TEST(Reader3DS, HostileFilesAreRefusedAndLeaveTheSceneAlone)
{
    const std::string tri = VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0});
    const float nan = std::nanf("");
    const std::string trackHead = Le16(0) + std::string(8, '\0');
    const std::pair<std::string, std::string> cases[] = {
        {"MM", "not a 3DS file: shorter than a chunk header"},
        {Chunk(0x3DC2, ""), "not a 3DS file: it starts with chunk 0x3DC2"},
        {Chunk(0x4D4D, Chunk(0x3D3D, Le16(0x4000) + Le32(3))), "shorter than its header"},
        {Chunk(0x4D4D, Chunk(0x3D3D, Le16(0x4000) + Le32(60) + "Box")), "runs past the end of its parent"},
        {Chunk(0x4D4D, Chunk(0x3D3D, Chunk(0x4000, Cstr("Box")) + "\x01\x02")),
         "2 bytes left, too few for a sub-chunk"},
        {Mesh("Box", Chunk(0x4110, Le16(60000) + Floats({0, 0, 0}))), "vertex list: 60000 items of 12 bytes"},
        {Mesh("Box", Chunk(0x4110, "")), "data ends early"},
        {Mesh("Box", tri + FaceList({0, 1, 3}, "")), "object Box: face 0 uses vertex 3 of 3"},
        {Mesh("Box", FaceList({0, 1, 2}, "")), "object Box: face 0 uses vertex 0 of 0"},
        {Mesh("Box", tri + FaceList({0, 1, 2}, MaterialGroup("Red", {0, 5}))),
         "object Box: material group Red names face 5 of 1"},
        {Mesh("Box", tri + FaceList({0, 1, 2, 2, 1, 0}, Chunk(0x4150, Le32(1)))),
         "object Box: 1 smoothing groups for 2 faces"},
        {Mesh("Box", VertexList({0, nan, 0})), "a number that is not finite"},
        {Mesh("Box", tri + Chunk(0x4160, Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, INFINITY}))),
         "a number that is not finite"},
        {File3DS(Chunk(0x4000, "Box")), "a string without its end"},
        {Mesh("Box", VertexList({1e30f, 0, 0}) +
                         Chunk(0x4160, Floats({1e-20f, 0, 0, 0, 1e-20f, 0, 0, 0, 1e-20f, 0, 0, 0}))),
         "object Box: vertices out of range in the node's space"},
        {Animated(KeyNode(0, "Box", 0xFFFF, Chunk(0xB020, trackHead + Le32(0xFFFFFFFF)))),
         "position track of Box: 4294967295 items"},
        {Animated(KeyNode(0, "Box", 0xFFFF,
                          Chunk(0xB020, trackHead + Le32(1) + Le32(0) + Le16(0x40) + Floats({0, 0, 0})))),
         "position track of Box: key 0 has unknown spline flags 64"},
        {Animated(KeyNode(0, "Box", 0xFFFF, Track(0xB020, {{5, {0, 0, 0}}, {5, {1, 0, 0}}}))),
         "position track of Box: key 1 at frame 5 does not follow frame 5"},
        {Animated(KeyNode(0, "Box", 0xFFFF, Track(0xB021, {{0, {1, 0, 0, 0}}}))),
         "rotation track of Box: key 0 turns about a zero axis"},
        {Animated(KeyNode(0, "Box", 0xFFFF, Track(0xB021, {{0, {nan, 0, 0, 1}}}))),
         "a number that is not finite"},
        {Animated(KeyNode(0, "Box", 7, "")), "keyframer node 0 (Box) has parent id 7, which no node has"},
        {Animated(KeyNode(0, "Box", 1, "") + KeyNode(1, "$$$DUMMY", 0, "")), "is its own ancestor"},
        {Animated(KeyNode(3, "Box", 3, "")), "keyframer node 3 (Box) is its own ancestor"},
        {Animated(KeyNode(0, "Box", 0xFFFF, "") + KeyNode(0, "$$$DUMMY", 0xFFFF, "")),
         "two keyframer nodes with id 0"},
    };
    importtest::ExpectEachRefused<KScnReader3DS, KStreamOptions3DS>(cases, "bad.3ds");
}

// A keyframer chain as deep as the limit, 1,000 nodes, is read whole (its
// nodes are hung under their parents deepest first, so reading it stays
// linear); one node deeper, or a chain of 20,000, is refused. The chunk
// toolkit refuses nesting past its limit; the reader never walks into
// chunks it does not know, so a deep stack of them is simply skipped.
TEST(Reader3DS, ReadsDeepHierarchiesAndBoundsNesting)
{
    const int depth = KScn3DSParser::kMaxNodeDepth;
    ASSERT_EQ(depth, 1000);
    // Odd nodes have no id chunk: their place among the nodes is their id.
    const auto chain = [](int length)
    {
        std::string nodes;
        for (int i = 0; i < length; ++i)
        {
            const std::string instance = Chunk(0xB011, Cstr("D" + std::to_string(i)));
            const uint16_t parent = i == 0 ? 0xFFFF : uint16_t(i - 1);
            nodes += i % 2 == 0
                         ? KeyNode(uint16_t(i), "$$$DUMMY", parent, instance)
                         : Chunk(0xB002, Chunk(0xB010, Cstr("$$$DUMMY") + Le32(0) + Le16(parent)) + instance);
        }
        return nodes;
    };
    const std::pair<std::string, std::string> refused[] = {
        {File3DS("", chain(depth + 1)), "keyframer nodes nested deeper than 1000"},
        {File3DS("", chain(20000)), "keyframer nodes nested deeper than 1000"},
    };
    importtest::ExpectEachRefused<KScnReader3DS, KStreamOptions3DS>(refused, "chain.3ds");
    const std::string nodes = chain(depth);
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep = Chunk(0x4D4D, deep);
    TempDir dir;
    KScnSdkManager manager;
    KStreamOptions3DS options;
    const auto read = [&](const std::string& bytes)
    {
        KScnReader3DS reader(&manager);
        KScnSceneRoot* scene = manager.CreateScene();
        EXPECT_TRUE(reader.OpenFile(dir.WriteFile("deep.3ds", bytes).c_str()));
        EXPECT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
        return scene->GetRootNode();
    };
    KScnNode* root = read(File3DS("", nodes));
    ASSERT_EQ(root->GetChildCount(), 1);
    KScnNode* node = root->GetChild(0);
    int levels = 1;
    for (; node->GetChildCount() == 1; node = node->GetChild(0))
        ++levels;
    EXPECT_EQ(levels, depth);
    EXPECT_STREQ(node->GetName(), ("Model::D" + std::to_string(depth - 1)).c_str());

    std::string why, warning;
    KScn3DSChunk main;
    ASSERT_TRUE(KScn3DSChunk::OpenMain(deep.data(), deep.size(), 0x4D4D, main, why, warning));
    int reached = 1;
    std::function<bool(KScn3DSChunk&)> walk = [&](KScn3DSChunk& chunk)
    {
        KScn3DSChunk child;
        while (chunk.NextChild(child))
        {
            reached = std::max(reached, child.GetDepth());
            if (!walk(child))
                return false;
        }
        return !chunk.Failed();
    };
    EXPECT_FALSE(walk(main));
    EXPECT_EQ(reached, KScn3DSChunk::kMaxDepth);
    EXPECT_NE(why.find("chunks nested deeper than 256"), std::string::npos) << why;
    read(File3DS(deep + Chunk(0x4000, Cstr("Box") + Chunk(0x4100, VertexList({0, 0, 0})))));
}

} // namespace
