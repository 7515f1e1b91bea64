#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnMesh.h"

#include <gtest/gtest.h>

using namespace scenesdk;

namespace
{
std::vector<int> Indices(const KScnLayerElement* e)
{
    return e ? std::vector<int>(e->GetIndices(), e->GetIndices() + e->GetIndexCount()) : std::vector<int>{};
}
} // namespace

TEST(KScnMesh, KindAndTypeName)
{
    KScnFree<KScnMesh> mesh(nullptr);
    EXPECT_EQ(mesh.GetAttributeKind(), KScnNodeAttribute::eMesh);
    EXPECT_STREQ(mesh.GetTypeName().Buffer(), "Mesh");
    EXPECT_EQ(mesh.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(mesh.GetNode(), nullptr);
    mesh.DetachFromNode(); // never attached: nothing happens
    EXPECT_EQ(mesh.GetNode(), nullptr);
}

TEST(KScnMesh, PolygonsAreStoredOneAfterTheOther)
{
    KScnFree<KScnMesh> mesh(nullptr);
    mesh.InitControlPoints(5);
    mesh.BeginPolygon(-1, -1, -1);
    for (int c : {0, 1, 2})
        EXPECT_TRUE(mesh.AddPolygonVertex(c, -1));
    mesh.BeginPolygon(-1, -1, 7);
    for (int c : {2, 1, 3, 4})
        EXPECT_TRUE(mesh.AddPolygonVertex(c, -1));
    ASSERT_EQ(mesh.GetPolygonCount(), 2);
    EXPECT_EQ(mesh.GetPolygons()[0].start, 0);
    EXPECT_EQ(mesh.GetPolygons()[0].size, 3);
    EXPECT_EQ(mesh.GetPolygons()[0].group, -1);
    EXPECT_EQ(mesh.GetPolygons()[1].start, 3);
    EXPECT_EQ(mesh.GetPolygons()[1].size, 4);
    EXPECT_EQ(mesh.GetPolygonGroup(1), 7);
    EXPECT_EQ(mesh.GetPolygonVertex(1, 3), 4);
    EXPECT_EQ(mesh.GetPolygonVertex(1, 4), -1);
    EXPECT_EQ(mesh.GetPolygonVertex(1, -1), -1);
    EXPECT_EQ(mesh.GetPolygonVertex(-1, 0), -1);
    EXPECT_EQ(mesh.GetPolygonSize(2), -1);
    EXPECT_EQ(mesh.GetPolygonSize(-1), -1);
    EXPECT_EQ(mesh.GetPolygonVertices()[5], 3);
    // No material or texture index was given: no element is made.
    EXPECT_EQ(mesh.GetLayer(0)->GetMaterialElement(), nullptr);
    EXPECT_EQ(mesh.GetLayer(0)->GetTextureElement(), nullptr);
}

TEST(KScnMesh, OutOfRangeVerticesAreRefused)
{
    KScnFree<KScnMesh> mesh(nullptr);
    mesh.InitControlPoints(3);
    EXPECT_FALSE(mesh.AddPolygonVertex(0, -1)); // no polygon begun
    EXPECT_EQ(mesh.GetPolygonVertexCount(), 0);
    mesh.BeginPolygon();
    EXPECT_FALSE(mesh.AddPolygonVertex(3, -1));
    EXPECT_FALSE(mesh.AddPolygonVertex(-1, -1));
    EXPECT_FALSE(mesh.AddPolygonVertex(0, -2));
    EXPECT_EQ(mesh.GetPolygonSize(0), 0);
    EXPECT_EQ(mesh.GetPolygonVertexCount(), 0);
    EXPECT_TRUE(mesh.AddPolygonVertex(2, -1));
    EXPECT_EQ(mesh.GetPolygonSize(0), 1);
}

TEST(KScnMesh, PerPolygonMaterialsOnlyAfterByPolygonMapping)
{
    KScnFree<KScnMesh> plain(nullptr);
    plain.InitControlPoints(3);
    for (int m : {0, 1, 0})
        plain.BeginPolygon(m, -1, -1);
    ASSERT_NE(plain.GetLayer(0)->GetMaterialElement(), nullptr); // made by the first polygon
    EXPECT_EQ(plain.GetMaterialMappingMode(), 0);
    EXPECT_EQ(plain.GetMaterialIndices(), nullptr);
    EXPECT_TRUE(Indices(plain.GetLayer(0)->GetMaterialElement()).empty());

    KScnFree<KScnMesh> mesh(nullptr);
    mesh.InitMaterialMapping(KScnLayerElement::eByPolygon);
    mesh.InitTextureMapping(KScnLayerElement::eByPolygon);
    for (int m : {0, 1, 0})
        mesh.BeginPolygon(m, 2 * m, -1);
    EXPECT_EQ(Indices(mesh.GetLayer(0)->GetMaterialElement()), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(Indices(mesh.GetLayer(0)->GetTextureElement()), (std::vector<int>{0, 2, 0}));
    EXPECT_EQ(mesh.GetMaterialIndices()[1], 1);
    EXPECT_EQ(mesh.GetTextureIndices()[1], 2);
    EXPECT_EQ(mesh.GetTextureMappingMode(), KScnLayerElement::eByPolygon);
}

TEST(KScnMesh, MappingSetUps)
{
    KScnFree<KScnMesh> mesh(nullptr);
    mesh.InitMaterialMapping(KScnLayerElement::eByControlPoint); // no control points: mapping unchanged
    EXPECT_EQ(mesh.GetMaterialMappingMode(), 0);
    EXPECT_EQ(mesh.GetLayer(0)->GetMaterialElement()->GetIndexCount(), 0);
    mesh.InitControlPoints(6);
    mesh.InitMaterialMapping(KScnLayerElement::eByControlPoint);
    EXPECT_EQ(mesh.GetMaterialMappingMode(), 1);
    EXPECT_EQ(mesh.GetLayer(0)->GetMaterialElement()->GetIndexCount(), 6);
    mesh.InitMaterialMapping(KScnLayerElement::eAllSame);
    EXPECT_EQ(mesh.GetMaterialMappingMode(), 4);
    EXPECT_EQ(mesh.GetLayer(0)->GetMaterialElement()->GetReferenceMode(), 2);
    EXPECT_EQ(mesh.GetLayer(0)->GetMaterialElement()->GetIndexCount(), 1);

    mesh.InitTextureMapping(0);
    EXPECT_EQ(mesh.GetTextureMappingMode(), 4);
    EXPECT_EQ(mesh.GetLayer(0)->GetTextureElement()->GetIndexCount(), 1);
    mesh.GetLayer(0)->GetTextureElement()->SetMappingMode(KScnLayerElement::eByPolygonVertex);
    EXPECT_EQ(mesh.GetTextureMappingMode(), 0);

    const int expected[][2] = {{0, 0}, {1, 0}, {2, 2}, {0, 0}, {4, 0}};
    for (int mode = 0; mode <= 4; ++mode)
    {
        mesh.InitTextureUVMapping(mode);
        const KScnLayerElement* uv = mesh.GetLayer(0)->GetUVElement();
        EXPECT_EQ(uv->GetMappingMode(), expected[mode][0]) << mode;
        EXPECT_EQ(uv->GetReferenceMode(), expected[mode][1]) << mode;
    }
    EXPECT_FALSE(mesh.InitTextureUV(-1));
    ASSERT_TRUE(mesh.InitTextureUV(5));
    EXPECT_EQ(mesh.GetTextureUVCount(), 5);
    mesh.GetTextureUV()[4] = KgeUVVector(0.5, 0.75);
    EXPECT_EQ(mesh.GetLayer(0)->GetUVElement()->GetDirect<KgeUVVector>()[4].v, 0.75);

    KScnFree<KScnMesh> empty(nullptr);
    EXPECT_EQ(empty.GetTextureUV(), nullptr);
    EXPECT_EQ(empty.GetTextureUVCount(), 0);
    EXPECT_EQ(empty.GetMaterialIndices(), nullptr);
    EXPECT_EQ(empty.GetTextureMappingMode(), 0);
}

TEST(KScnMesh, UVIndicesPerPolygonVertex)
{
    KScnFree<KScnMesh> mesh(nullptr);
    mesh.InitControlPoints(4);
    mesh.InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
    mesh.BeginPolygon();
    mesh.AddPolygonVertex(0, 5);
    mesh.AddPolygonVertex(1, 6);
    EXPECT_EQ(Indices(mesh.GetLayer(0)->GetUVElement()), (std::vector<int>{5, 6}));
    mesh.AddPolygonVertex(2, -1);
    EXPECT_EQ(mesh.GetLayer(0)->GetUVElement()->GetIndexCount(), 2);
    mesh.AddPolygonVertex(3, 9);
    EXPECT_EQ(Indices(mesh.GetLayer(0)->GetUVElement()), (std::vector<int>{5, 6, 0, 9}));
}

TEST(KScnMesh, ResetAndCopy)
{
    KScnFree<KScnMesh> mesh(nullptr);
    mesh.InitControlPoints(4);
    mesh.SetControlPointAt(KgeTVector(1, 2, 3), 3);
    mesh.InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
    mesh.BeginPolygon(-1, -1, 4);
    for (int c : {3, 2, 1, 0})
        mesh.AddPolygonVertex(c, c);

    KScnFree<KScnMesh> copy(nullptr);
    copy.CopyFrom(mesh);
    EXPECT_EQ(copy.GetControlPointAt(3)[2], 3.0);
    EXPECT_EQ(copy.GetPolygonCount(), 1);
    EXPECT_EQ(copy.GetPolygonGroup(0), 4);
    EXPECT_EQ(copy.GetPolygonVertex(0, 0), 3);
    EXPECT_EQ(Indices(copy.GetLayer(0)->GetUVElement()), (std::vector<int>{3, 2, 1, 0}));

    mesh.Reset();
    EXPECT_EQ(mesh.GetPolygonCount(), 0);
    EXPECT_EQ(mesh.GetPolygonVertexCount(), 0);
    EXPECT_EQ(mesh.GetControlPointsCount(), 0);
    EXPECT_EQ(mesh.GetLayerCount(), 0);
    EXPECT_EQ(copy.GetPolygonVertex(0, 3), 0); // the copy is independent
}
