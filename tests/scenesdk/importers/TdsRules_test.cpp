// The 3D Studio mapping rules one table each: a chunk (or a few) of a file
// and the value the scene holds for it, read through the importer.

#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

using namespace scenesdk;
using namespace testsupport;
using namespace importtest;

namespace
{

const float kQuarter = 1.5707964f; // a quarter turn in radians

std::string Material(const std::string& name, const std::string& chunks)
{
    return Chunk(0xAFFF, Chunk(0xA000, Cstr(name)) + chunks);
}

// An object of the points and faces given, with further mesh chunks
// (before the faces) and the face list's sub-chunks.
std::string Object(const std::string& name, const std::vector<float>& points,
                   const std::vector<uint16_t>& faces, const std::string& more = "",
                   const std::string& faceChunks = "")
{
    return Chunk(0x4000, Cstr(name) + Chunk(0x4100, VertexList(points) + more + FaceList(faces, faceChunks)));
}

// An object of one triangle, (0, 0, 0), (1, 0, 0), (0, 1, 0).
std::string Triangle(const std::string& name, const std::string& faceChunks = "",
                     const std::string& more = "")
{
    return Object(name, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}, more, faceChunks);
}

// A triangle using the one material "M" made of the chunks given.
std::string WithMaterial(const std::string& chunks)
{
    return File3DS(Material("M", chunks) + Triangle("Tri", MaterialGroup("M", {0})));
}

std::string Bytes(uint8_t r, uint8_t g, uint8_t b)
{
    return std::string{char(r), char(g), char(b)};
}

// Where a node turned by the XYZ angles given takes the direction v.
KgeTVector Turned(KScnSdkManager& manager, const double* angles, const KgeTVector& v)
{
    KScnNode* node = manager.CreateNode("Turn");
    node->SetLocalRotation(angles[0], angles[1], angles[2]);
    const double* m = node->ComputeLocalTransform();
    KgeTVector out;
    for (int j = 0; j < 3; ++j)
        out[j] = v[0] * m[j] + v[1] * m[4 + j] + v[2] * m[8 + j];
    manager.DestroyNode(node);
    return out;
}

KScnTakeNodeEntry* TakeOf(KScnNode* node)
{
    return node != nullptr && node->SelectTakeNodeByName("Take 001") ? node->GetCurrentTakeNode() : nullptr;
}

// Files "m/model.3ds" read into new scenes of one manager (null options:
// the defaults).
class TdsRules : public testing::Test
{
protected:
    KScnSceneRoot* Read(const std::string& bytes, KStreamOptions3DS* options = nullptr,
                        std::string* status = nullptr)
    {
        return Import(manager, dir.WriteFile("m/model.3ds", bytes), options, status);
    }

    KScnNode* FirstNode(const std::string& bytes, KStreamOptions3DS* options = nullptr)
    {
        return Child(Read(bytes, options), 0);
    }

    TempDir dir;
    KScnSdkManager manager;
};

TEST_F(TdsRules, MaterialChunksGiveTheirValues)
{
    const std::tuple<std::string, EMaterialValue, double, double, double> rows[] = {
        {Chunk(0xA010, Chunk(0x0010, Floats({0.1f, 0.2f, 0.3f}))), eAmbient, 0.1, 0.2, 0.3},
        {Chunk(0xA020, Chunk(0x0011, Bytes(255, 51, 0))), eDiffuse, 1, 0.2, 0},
        {Chunk(0xA030, Chunk(0x0012, Bytes(0, 102, 255))), eSpecular, 0, 0.4, 1},
        {Chunk(0xA020, Chunk(0x0013, Floats({0.4f, 0.5f, 0.6f}))), eDiffuse, 0.4, 0.5, 0.6},
        {Chunk(0xA020, Chunk(0x0012, Bytes(0, 255, 0)) + Chunk(0x0011, Bytes(255, 0, 0))), eDiffuse, 0, 1, 0},
        {Chunk(0xA010, Chunk(0x0011, Bytes(51, 51, 51)) + Chunk(0x0010, Floats({1, 1, 1}))), eAmbient, 0.2,
         0.2, 0.2},
        {Chunk(0xA030, Chunk(0x0030, Le16(50)) + Chunk(0x0013, Floats({0.7f, 0.8f, 0.9f}))), eSpecular, 0.7,
         0.8, 0.9},
        {Chunk(0xA040, Chunk(0x0030, Le16(40))), eShininess, 0.4, 0, 0},
        {Chunk(0xA040, Chunk(0x0031, Floats({25.5f}))), eShininess, 0.255, 0, 0},
        {Chunk(0xA040, Chunk(0x0030, Le16(0))), eShininess, 0.0, 0, 0},
        {Chunk(0xA040, Chunk(0x0030, Le16(100))), eShininess, 1.0, 0, 0},
        {Chunk(0xA040, Chunk(0x0030, Le16(150))), eShininess, 1.0, 0, 0},
        {Chunk(0xA040, Chunk(0x0031, Floats({30.0f})) + Chunk(0x0030, Le16(80))), eShininess, 0.3, 0, 0},
        {Chunk(0xA050, Chunk(0x0030, Le16(25))), eOpacity, 0.75, 0, 0},
        {Chunk(0xA050, Chunk(0x0031, Floats({50.0f}))), eOpacity, 0.5, 0, 0},
        {Chunk(0xA050, Chunk(0x0030, Le16(0))), eOpacity, 1.0, 0, 0},
        {Chunk(0xA050, Chunk(0x0030, Le16(100))), eOpacity, 0.0, 0, 0},
        {"", eOpacity, 1.0, 0, 0},
        {Chunk(0xA100, Le16(1)), eShading, 0, 0, 0},
        {Chunk(0xA100, Le16(2)), eShading, 0, 0, 0},
        {Chunk(0xA100, Le16(3)), eShading, 1, 0, 0},
        {Chunk(0xA100, Le16(4)), eShading, 1, 0, 0},
        {"", eShading, 1, 0, 0},
        {Chunk(0xA081, ""), eTwoSided, 1, 0, 0},
        {"", eTwoSided, 0, 0, 0},
    };
    int at = 0;
    for (const auto& [chunks, what, r, g, b] : rows)
    {
        SCOPED_TRACE("row " + std::to_string(at++));
        KScnMesh* mesh = MeshOf(FirstNode(WithMaterial(chunks)));
        ASSERT_NE(mesh, nullptr);
        EXPECT_STREQ(MaterialOf(mesh, 0)->GetName(), "Material::M");
        ExpectMaterialValue(MaterialOf(mesh, 0), what, r, g, b);
    }
}

// Each map chunk: what its texture is used for and whether the faces carry
// it (map kinds outside the list make none); each map sub-chunk and the
// placement it gives; tiling flags other than "no tiling" leave it repeating.
TEST_F(TdsRules, MapChunksGiveTheirTextures)
{
    const auto map = [](uint16_t id, const std::string& chunks = "")
    { return WithMaterial(Chunk(id, Chunk(0xA300, Cstr("A.TGA")) + chunks)); };
    const std::pair<std::string, const char*> rows[] = {
        {map(0xA200), "0 p A.TGA o0,0 s1,1 r0 rr"},
        {map(0xA230), "5 - A.TGA o0,0 s1,1 r0 rr"},
        {map(0xA210), "0 - A.TGA o0,0 s1,1 r0 rr"},
        {map(0xA204), "0 - A.TGA o0,0 s1,1 r0 rr"},
        {map(0xA220), "textures 0"},
        {map(0xA33D), "textures 0"},
        {map(0xA200, Chunk(0xA351, Le16(0x10))), "0 p A.TGA o0,0 s1,1 r0 cc"},
        {map(0xA200, Chunk(0xA351, Le16(0x12))), "0 p A.TGA o0,0 s1,1 r0 cc"},
        {map(0xA200, Chunk(0xA351, Le16(0x01))), "0 p A.TGA o0,0 s1,1 r0 rr"},
        {map(0xA200, Chunk(0xA351, Le16(0x20))), "0 p A.TGA o0,0 s1,1 r0 rr"},
        {map(0xA200, Chunk(0xA354, Floats({2}))), "0 p A.TGA o0,0 s2,1 r0 rr"},
        {map(0xA200, Chunk(0xA356, Floats({3}))), "0 p A.TGA o0,0 s1,3 r0 rr"},
        {map(0xA200, Chunk(0xA358, Floats({0.5f}))), "0 p A.TGA o0.5,0 s1,1 r0 rr"},
        {map(0xA200, Chunk(0xA35A, Floats({0.25f}))), "0 p A.TGA o0,0.25 s1,1 r0 rr"},
        {map(0xA200, Chunk(0xA35C, Floats({30}))), "0 p A.TGA o0,0 s1,1 r30 rr"},
        {map(0xA200,
             Chunk(0x0030, Le16(50)) + Chunk(0xA353, Floats({0.1f})) + Chunk(0xA358, Floats({0.75f}))),
         "0 p A.TGA o0.75,0 s1,1 r0 rr"},
    };
    int at = 0;
    for (const auto& [bytes, expected] : rows)
    {
        KScnSceneRoot* scene = Read(bytes);
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(TextureText(scene, MeshOf(Child(scene, 0))), expected) << "row " << at++;
    }
}

// Without a keyframer the local axes place the node and its vertices go
// into the node's space: whatever the axes (moved, turned, scaled,
// mirrored, singular), every vertex ends where the file wrote it.
TEST_F(TdsRules, LocalAxesKeepVerticesWhereWritten)
{
    const std::vector<float> points = {5, 0, 0, 6, 1, 0, 4, 1, 2};
    const std::vector<float> axes[] = {
        {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0},   {1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 6, 7},
        {0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 0, 0},  {0, 0, 1, 1, 0, 0, 0, 1, 0, 1, 2, 3},
        {2, 0, 0, 0, 3, 0, 0, 0, 4, 5, 0, 0},   {-1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 0, 0},
        {1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 9},
    };
    for (const auto& a : axes)
    {
        SCOPED_TRACE(std::to_string(a[0]) + " " + std::to_string(a[4]) + " " + std::to_string(a[9]));
        KScnNode* node = FirstNode(File3DS(Object("Box", points, {0, 1, 2}, Chunk(0x4160, Floats(a)))));
        ASSERT_NE(node, nullptr);
        for (int i = 0; i < 3; ++i)
            ExpectPoint(Placed(node, i), points[3 * i], points[3 * i + 1], points[3 * i + 2], 1e-5);
    }
}

// Two triangles of one area folded along the edge from vertex 0 to vertex
// 2: the first in the plane z = 0 (normal +z), the second in x = 0 (+x).
// Faces share a normal at a vertex when their masks share a bit.
TEST_F(TdsRules, SmoothingMasksShareNormalsThroughCommonBits)
{
    const double h = 1 / std::sqrt(2.0);
    const std::tuple<uint32_t, uint32_t, bool> rows[] = {
        {1, 1, true},  {1, 2, false},           {3, 2, true},
        {0, 0, false}, {0, 1, false},           {0x80000000u, 0x80000000u, true},
        {5, 6, true},  {0x80000000u, 1, false},
    };
    const auto file = [](const std::string& smoothing) {
        return File3DS(
            Object("Fold", {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, -1}, {0, 1, 2, 0, 3, 2}, "", smoothing));
    };
    for (const auto& [a, b, shared] : rows)
    {
        SCOPED_TRACE(std::to_string(a) + " " + std::to_string(b));
        KScnMesh* mesh = MeshOf(FirstNode(file(Chunk(0x4150, Le32(a) + Le32(b)))));
        ASSERT_NE(mesh, nullptr);
        for (int corner : {0, 2})
            ExpectPoint(CornerNormal(mesh, corner), shared ? h : 0, 0, shared ? h : 1, 1e-9);
        for (int corner : {3, 5})
            ExpectPoint(CornerNormal(mesh, corner), shared ? h : 1, 0, shared ? h : 0, 1e-9);
        ExpectPoint(CornerNormal(mesh, 1), 0, 0, 1, 1e-9);
        ExpectPoint(CornerNormal(mesh, 4), 1, 0, 0, 1e-9);
    }
    KScnMesh* flat = MeshOf(FirstNode(file("")));
    ASSERT_NE(flat, nullptr);
    ExpectPoint(CornerNormal(flat, 0), 0, 0, 1, 1e-9);
}

// Faces take the material of their group; faces of no group, and groups
// naming a material the file lacks, the material "default". The mapping
// coordinates follow the vertices.
TEST_F(TdsRules, MaterialGroupsAndMappingFollowFacesAndVertices)
{
    std::string status;
    const std::string bytes =
        File3DS(Material("A", "") + Material("B", "") + Material("A", Chunk(0xA100, Le16(1))) +
                Object("Quad", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {0, 1, 2, 0, 2, 3, 1, 2, 3, 3, 2, 1},
                       Chunk(0x4140, Le16(4) + Floats({0, 0, 0.5f, 0, 0.5f, 1, 0, 1})),
                       MaterialGroup("A", {0}) + MaterialGroup("B", {2}) + MaterialGroup("C", {3})));
    KScnMesh* mesh = MeshOf(Child(Read(bytes, nullptr, &status), 0));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(Colours(mesh), (Names{"A", "default", "B", "default"}));
    EXPECT_STREQ(MaterialOf(mesh, 0)->GetShadingModel(), "Phong") << "the first A kept";
    EXPECT_NE(status.find("unknown material: C"), std::string::npos) << status;
    EXPECT_NE(status.find("material defined twice, first kept: A"), std::string::npos) << status;
    const KScnLayerElement* uvs = mesh->GetLayer(0)->GetUVElement();
    ASSERT_NE(uvs, nullptr);
    const double u[] = {0, 0.5, 0.5, 0, 0.5, 0, 0.5, 0.5, 0, 0, 0.5, 0.5};
    const double v[] = {0, 0, 1, 0, 1, 1, 0, 1, 1, 1, 1, 0};
    for (int corner = 0; corner < 12; ++corner)
    {
        const KgeUVVector uv = uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(corner)];
        EXPECT_DOUBLE_EQ(uv.u, u[corner]) << corner;
        EXPECT_DOUBLE_EQ(uv.v, v[corner]) << corner;
    }
}

// Lights and cameras become nodes at their positions, hidden objects
// hidden nodes (with or without a keyframer); without a keyframer the
// objects hang under the root in the file's order.
TEST_F(TdsRules, LightsCamerasAndHiddenObjects)
{
    const std::string editor =
        (Triangle("Shown") + Chunk(0x4000, Cstr("Lamp") + Chunk(0x4600, Floats({1, 2, 3}))) +
         Chunk(0x4000, Cstr("Eye") + Chunk(0x4700, Floats({4, 5, 6, 0, 0, 0, 0, 35}))) +
         Chunk(0x4000, Cstr("Hidden") + Chunk(0x4010, "") + Chunk(0x4100, VertexList({0, 0, 0}))) +
         Chunk(0x4000, Cstr("Nothing") + Chunk(0x4010, "")));
    KStreamOptions3DS noLights;
    noLights.mReadLightsAndCameras = false;
    KScnSceneRoot* scene = Read(File3DS(editor));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(Nodes(scene), "Shown; Lamp 1,2,3; Eye 4,5,6; Hidden hidden");
    EXPECT_EQ(Child(scene, 1)->GetMesh(), nullptr);
    EXPECT_EQ(Nodes(Read(File3DS(editor), &noLights)), "Shown; Hidden hidden");
    EXPECT_EQ(
        Nodes(Read(File3DS(editor, KeyNode(0, "Hidden", 0xFFFF, "") + KeyNode(1, "Shown", 0xFFFF, "")))),
        "Hidden hidden; Shown; Lamp 1,2,3; Eye 4,5,6");
}

// Keyframer node kinds: objects, cameras, lights and spotlights make nodes
// (the last three only when lights and cameras are read); the ambient node
// and the targets do not.
TEST_F(TdsRules, KeyframerNodeKindsMakingNodes)
{
    const std::pair<uint16_t, bool> rows[] = {{0xB001, false}, {0xB002, true}, {0xB003, true},
                                              {0xB004, false}, {0xB005, true}, {0xB006, false},
                                              {0xB007, true}};
    KStreamOptions3DS noLights;
    noLights.mReadLightsAndCameras = false;
    for (const auto& [kind, makesNode] : rows)
    {
        const std::string bytes =
            File3DS("", Chunk(kind, Chunk(0xB010, Cstr("Thing") + Le16(0) + Le16(0) + Le16(0xFFFF)) +
                                        Track(0xB020, {{0, {1, 2, 3}}})));
        EXPECT_EQ(Nodes(Read(bytes)), makesNode ? "Thing 1,2,3" : "") << kind;
        EXPECT_EQ(Nodes(Read(bytes, &noLights)), kind == 0xB002 ? "Thing 1,2,3" : "") << kind;
    }
}

// The optional values of a key (tension, continuity, bias, ease to, ease
// from: one float per bit of its spline flags) are skipped, whichever are
// present, before the key's own values.
TEST_F(TdsRules, KeySplineValuesAreSkipped)
{
    for (uint16_t flags : {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x18, 0x1F})
    {
        SCOPED_TRACE(flags);
        const std::string node =
            KeyNode(0, "Tri", 0xFFFF,
                    Track(0xB020, {{0, {1, 2, 3}}, {30, {4, 5, 6}}}, flags) +
                        Track(0xB021, {{0, {kQuarter, 0, 0, 1}}, {30, {kQuarter, 0, 0, 1}}}, flags) +
                        Track(0xB022, {{0, {2, 2, 2}}, {30, {3, 4, 5}}}, flags));
        KScnNode* tri = FirstNode(File3DS(Triangle("Tri"), node));
        ASSERT_NE(tri, nullptr);
        KScnTakeNodeEntry* take = TakeOf(tri);
        ASSERT_NE(take, nullptr);
        EXPECT_FLOAT_EQ(At(take->GetTranslationXCurve(), 0.0), 1.0f);
        EXPECT_FLOAT_EQ(At(take->GetTranslationZCurve(), 1.0), 6.0f);
        EXPECT_NEAR(At(take->GetRotationZCurve(), 0.0), 90.0, 1e-3);
        EXPECT_NEAR(At(take->GetRotationZCurve(), 1.0), 180.0, 1e-3);
        EXPECT_FLOAT_EQ(At(take->GetScalingYCurve(), 1.0), 4.0f);
        ExpectPoint(Placed(tri, 1), 1, 4, 3, 1e-5);
    }
}

// Each rotation key turns from the orientation of the key before it, about
// the axis as the object stands after the earlier keys: a quarter about X,
// then a quarter about Z, takes the object's X axis onto the world's Z.
TEST_F(TdsRules, RotationKeysTurnFromThePreviousKey)
{
    using V = KgeTVector;
    const float q = kQuarter;
    const std::tuple<std::vector<std::pair<uint32_t, std::vector<float>>>, double, V, V> rows[] = {
        {{{0, {q, 1, 0, 0}}}, 0, V(0, 1, 0), V(0, 0, 1)},
        {{{0, {q, 0, 0, 1}}}, 0, V(1, 0, 0), V(0, 1, 0)},
        {{{0, {-q, 0, 1, 0}}}, 0, V(1, 0, 0), V(0, 0, 1)},
        {{{0, {q, 1, 0, 0}}, {30, {q, 0, 0, 1}}}, 1, V(1, 0, 0), V(0, 0, 1)},
        {{{0, {q, 1, 0, 0}}, {30, {q, 0, 0, 1}}}, 1, V(0, 1, 0), V(-1, 0, 0)},
        {{{0, {q, 0, 0, 1}}, {30, {q, 1, 0, 0}}}, 1, V(0, 1, 0), V(0, 0, 1)},
        {{{0, {0, 0, 0, 0}}, {15, {q, 0, 0, 3}}, {30, {q, 0, 0, 1}}}, 1, V(1, 0, 0), V(-1, 0, 0)},
        {{{0, {0, 0, 0, 0}}, {15, {q, 0, 0, 3}}, {30, {0, 0, 0, 0}}}, 1, V(1, 0, 0), V(0, 1, 0)},
    };
    int at = 0;
    for (const auto& [keys, seconds, from, to] : rows)
    {
        SCOPED_TRACE("row " + std::to_string(at++));
        KScnTakeNodeEntry* take =
            TakeOf(FirstNode(File3DS(Triangle("Tri"), KeyNode(0, "Tri", 0xFFFF, Track(0xB021, keys)))));
        ASSERT_NE(take, nullptr);
        const double angles[3] = {At(take->GetRotationXCurve(), seconds),
                                  At(take->GetRotationYCurve(), seconds),
                                  At(take->GetRotationZCurve(), seconds)};
        const V turned = Turned(manager, angles, from);
        ExpectPoint(turned, to[0], to[1], to[2], 1e-5);
    }
}

// The keyframer places and parents the nodes: a child's translation is in
// its parent's space, the pivot moves the mesh by minus itself, ids come
// from the id chunk or else from the node's place.
TEST_F(TdsRules, KeyframerParentsPlacesAndPivots)
{
    const std::string objects = Triangle("Base") + Triangle("Arm");
    // Base at (10, 0, 0) turned a quarter about Z; Arm (no id chunk: its
    // place, 1, is its id) under it at (1, 0, 0) with pivot (0, 1, 0); a
    // dummy under Arm.
    const std::string nodes =
        KeyNode(0, "Base", 0xFFFF,
                Track(0xB020, {{0, {10, 0, 0}}}) + Track(0xB021, {{0, {kQuarter, 0, 0, 1}}})) +
        Chunk(0xB002, Chunk(0xB010, Cstr("Arm") + Le32(0) + Le16(0)) + Chunk(0xB013, Floats({0, 1, 0})) +
                          Track(0xB020, {{0, {1, 0, 0}}})) +
        KeyNode(7, "$$$DUMMY", 1, Chunk(0xB011, Cstr("Tip")) + Track(0xB020, {{0, {0, 0, 5}}}));
    KScnSceneRoot* scene = Read(File3DS(objects, nodes));
    KScnNode* base = Child(scene, 0);
    ASSERT_NE(base, nullptr);
    ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 1);
    ASSERT_EQ(base->GetChildCount(), 1);
    KScnNode* arm = base->GetChild(0);
    EXPECT_STREQ(arm->GetName(), "Model::Arm");
    ASSERT_EQ(arm->GetChildCount(), 1);
    EXPECT_STREQ(arm->GetChild(0)->GetName(), "Model::Tip");
    EXPECT_EQ(arm->GetChild(0)->GetMesh(), nullptr);
    ExpectPoint(Placed(base, 1), 10, 1, 0, 1e-5);
    // Arm's (1, 0, 0): minus the pivot (1, -1, 0), plus (1, 0, 0) gives
    // (2, -1, 0) in Base's space, (11, 2, 0) in the world.
    ExpectPoint(Placed(arm, 1), 11, 2, 0, 1e-5);
    const double* tip = arm->GetChild(0)->ComputeGlobalTransform();
    ExpectPoint(KgeTVector(tip[12], tip[13], tip[14]), 10, 1, 5, 1e-5);
}

// Under the keyframer vertices go through the inverse local axes, less the
// pivot; mirrored axes mirror only through the node's scale. Node at (7, 0, 0).
TEST_F(TdsRules, KeyframerMeshesGoIntoTheirNodesSpace)
{
    // Axes, pivot, scale, and where the three vertices end.
    const std::tuple<std::vector<float>, std::vector<float>, std::vector<float>, std::vector<float>> rows[] =
        {
            {{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {12, 0, 0, 13, 0, 0, 12, 1, 0}},
            {{1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 0, 0}, {1, 0, 0}, {1, 1, 1}, {6, 0, 0, 7, 0, 0, 6, 1, 0}},
            {{0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 0, 0}, {1, 0, 0}, {1, 1, 1}, {6, 0, 0, 6, -1, 0, 7, 0, 0}},
            {{-1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {12, 0, 0, 13, 0, 0, 12, 1, 0}},
            {{-1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, {0, 0, 0}, {-1, 1, 1}, {12, 0, 0, 13, 0, 0, 12, 1, 0}},
        };
    int at = 0;
    for (const auto& [axes, pivot, scale, world] : rows)
    {
        SCOPED_TRACE("row " + std::to_string(at++));
        const std::string object =
            Object("Part", {5, 0, 0, 6, 0, 0, 5, 1, 0}, {0, 1, 2}, Chunk(0x4160, Floats(axes)));
        const std::string node = KeyNode(0, "Part", 0xFFFF,
                                         Chunk(0xB013, Floats(pivot)) + Track(0xB020, {{0, {7, 0, 0}}}) +
                                             Track(0xB022, {{0, scale}}));
        KScnNode* part = FirstNode(File3DS(object, node));
        ASSERT_NE(part, nullptr);
        for (int i = 0; i < 3; ++i)
            ExpectPoint(Placed(part, i), world[3 * i], world[3 * i + 1], world[3 * i + 2], 1e-5);
    }
}

// Key times are frames over the frame rate (30 unless asked); positions and
// pivots are lengths (scaled), scale factors are not; the axis conversion
// turns points, keys and axes alike.
TEST_F(TdsRules, FrameRateUnitScaleAndAxes)
{
    const std::string bytes =
        File3DS(Triangle("Tri"),
                KeyNode(0, "Tri", 0xFFFF,
                        Chunk(0xB013, Floats({0, 0, 1})) + Track(0xB020, {{0, {1, 2, 3}}, {60, {1, 2, 9}}}) +
                            Track(0xB021, {{0, {kQuarter, 0, 0, 1}}}) + Track(0xB022, {{0, {2, 3, 4}}})));
    const int asIs = KStreamOptionsForeign::eAxisAsIs, zUp = KStreamOptionsForeign::eAxisZUpToYUp;
    // Frame rate, unit scale, axes; the translation's file z at a time (in
    // the scene's channel), where (1, 0, 0) of the mesh ends.
    const std::tuple<double, double, int, double, double, KgeTVector> rows[] = {
        {30, 1, asIs, 1.0, 6, KgeTVector(1, 4, -1)},
        {15, 1, asIs, 2.0, 6, KgeTVector(1, 4, -1)},
        {30, 2, asIs, 1.0, 12, KgeTVector(2, 8, -2)},
        {30, 1, zUp, 1.0, 6, KgeTVector(1, -1, -4)},
    };
    for (const auto& [rate, scale, axes, at, z, point1] : rows)
    {
        SCOPED_TRACE(std::to_string(rate) + " " + std::to_string(scale) + " " + std::to_string(axes));
        KStreamOptions3DS options;
        options.mFrameRate = rate;
        options.mUnitScale = scale;
        options.mAxisConversion = axes;
        KScnNode* tri = FirstNode(bytes, &options);
        KScnTakeNodeEntry* take = TakeOf(tri);
        ASSERT_NE(take, nullptr);
        EXPECT_NEAR(At(axes == asIs ? take->GetTranslationZCurve() : take->GetTranslationYCurve(), at), z,
                    1e-5);
        ExpectPoint(Placed(tri, 1), point1[0], point1[1], point1[2], 1e-5);
    }
}

// Each content option against one file: what it takes away.
TEST_F(TdsRules, OptionsChangeWhatIsRead)
{
    const std::string bytes = File3DS(
        Material("M", Chunk(0xA200, Chunk(0xA300, Cstr("..\\maps\\A.TGA"))) +
                          Chunk(0xA230, Chunk(0xA300, Cstr("b.tga")))) +
            Triangle("Tri", MaterialGroup("M", {0}), Chunk(0x4140, Le16(3) + Floats({0, 0, 1, 0, 0, 1}))),
        KeyNode(0, "Tri", 0xFFFF, Track(0xB020, {{0, {1, 2, 3}}, {30, {2, 2, 3}}})));
    // In short: the polygon's material, the texture count, the polygon's
    // texture (looked for beside the model unless asked), UVs, normals,
    // takes, the node's translation.
    const auto summary = [](KScnSceneRoot* s)
    {
        KScnMesh* mesh = MeshOf(Child(s, 0));
        KScnTexture* texture = PolygonTexture(mesh, 0);
        KgeTVector t;
        Child(s, 0)->GetLocalTranslation(t);
        std::ostringstream out;
        out << Colours(mesh)[0] << "|t" << s->GetContents()->GetTextureCount() << '|'
            << (texture != nullptr ? texture->GetRelativeFileName() : "-") << '|'
            << (mesh->GetLayer(0)->GetUVElement() != nullptr ? "uv|" : "")
            << (mesh->GetLayer(0)->GetNormalElement() != nullptr ? "n|" : "") << "takes "
            << s->GetTakeInfoCount() << (TakeOf(Child(s, 0)) != nullptr ? " a|" : "|") << t[0] << ',' << t[1]
            << ',' << t[2];
        return out.str();
    };
    using Options = KStreamOptions3DS;
    const std::pair<void (*)(Options&), const char*> rows[] = {
        {[](Options&) {}, "M|t2|A.TGA|uv|n|takes 1 a|1,2,3"},
        {[](Options& o) { o.mReadMaterials = false; }, "default|t0|-|uv|n|takes 1 a|1,2,3"},
        {[](Options& o) { o.mReadTextures = false; }, "M|t0|-|uv|n|takes 1 a|1,2,3"},
        {[](Options& o) { o.mReadUVs = false; }, "M|t2|A.TGA|n|takes 1 a|1,2,3"},
        {[](Options& o) { o.mComputeNormals = false; }, "M|t2|A.TGA|uv|takes 1 a|1,2,3"},
        {[](Options& o) { o.mReadAnimation = false; }, "M|t2|A.TGA|uv|n|takes 0|1,2,3"},
        {[](Options& o) { o.mStayInModelFolder = false; }, "M|t2|../maps/A.TGA|uv|n|takes 1 a|1,2,3"},
    };
    for (const auto& [set, expected] : rows)
    {
        Options options;
        set(options);
        KScnSceneRoot* scene = Read(bytes, &options);
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(summary(scene), expected);
    }
}

} // namespace
