#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnGeometryBase.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMaterialTextureUse.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>

using namespace scenesdk;

namespace
{
KScnMaterial* FakeMaterial(int n)
{
    return reinterpret_cast<KScnMaterial*>(static_cast<uintptr_t>(0x1000 + 16 * n));
}
KScnTexture* FakeTexture(int n)
{
    return reinterpret_cast<KScnTexture*>(static_cast<uintptr_t>(0x9000 + 16 * n));
}

// The geometry base is abstract: a concrete kind for the tests.
class TestGeometry : public KScnGeometryBase
{
public:
    TestGeometry() : KScnGeometryBase(nullptr) {}
    EAttributeKind GetAttributeKind() const override { return eShape; }
};

// Counts uses per object, as the scene contents do.
class UseCounter : public KScnMaterialTextureUse
{
public:
    void AddMaterialUse(KScnMaterial* m) override { ++uses[m]; }
    void RemoveMaterialUse(KScnMaterial* m) override { --uses[m]; }
    void AddTextureUse(KScnTexture* t) override { ++uses[t]; }
    void RemoveTextureUse(KScnTexture* t) override { --uses[t]; }
    std::map<const void*, int> uses;
};

// Fills the direct array of an element with four items: item i is made of i.
void FillDirect(KScnLayerElement& e)
{
    for (int i = 0; i < 4; ++i)
    {
        unsigned char item[32] = {};
        switch (e.GetType())
        {
        case KScnLayerElement::eNormal:
        case KScnLayerElement::eColor:
            e.AddDirectVector(KgeTVector(i, 0.5 * i, 0.25, 1.0));
            continue;
        case KScnLayerElement::eMaterial:
        {
            KScnMaterial* m = FakeMaterial(i);
            std::memcpy(item, &m, sizeof m);
            break;
        }
        case KScnLayerElement::eTexture:
        {
            KScnTexture* t = FakeTexture(i);
            std::memcpy(item, &t, sizeof t);
            break;
        }
        case KScnLayerElement::ePolygonGroup:
        {
            const int32_t g = 100 + i;
            std::memcpy(item, &g, sizeof g);
            break;
        }
        case KScnLayerElement::eUV:
        {
            const KgeUVVector uv(i, -i);
            std::memcpy(item, &uv, sizeof uv);
            break;
        }
        }
        e.AddDirectItem(item);
    }
}
} // namespace

TEST(KScnLayer, NewLayerHasNoElementsAndUnknownTypesAreNull)
{
    KScnLayer layer;
    for (int type = 0; type <= 7; ++type)
        EXPECT_EQ(layer.GetElement(type), nullptr);
    EXPECT_EQ(layer.GetOrCreateElement(0), nullptr);
    EXPECT_EQ(layer.GetOrCreateElement(7), nullptr);
}

TEST(KScnLayer, TextureElementDefaults)
{
    KScnLayer layer;
    auto* t = static_cast<KScnLayerElementTexture*>(layer.GetOrCreateElement(KScnLayerElement::eTexture));
    ASSERT_EQ(t, layer.GetTextureElement());
    EXPECT_EQ(t->GetMappingMode(), 0);
    EXPECT_EQ(t->GetReferenceMode(), KScnLayerElement::eIndexToDirect);
    EXPECT_EQ(t->GetBlendMode(), 0u);
    EXPECT_EQ(t->GetAlpha(), 1.0);
    auto* n = layer.GetOrCreateElement(KScnLayerElement::eNormal);
    EXPECT_EQ(n->GetMappingMode(), 0);
    EXPECT_EQ(n->GetReferenceMode(), 0);
}

TEST(KScnLayer, AssignReplacesElementsWithCopies)
{
    KScnLayer source;
    KScnLayerElement* uv = source.GetOrCreateElement(KScnLayerElement::eUV);
    uv->SetMappingMode(KScnLayerElement::eByPolygonVertex);
    uv->SetReferenceMode(KScnLayerElement::eIndexToDirect);
    FillDirect(*uv);
    for (int i = 0; i < 40; ++i)
        uv->AddIndex(i % 4);

    KScnLayer target;
    target.GetOrCreateElement(KScnLayerElement::eNormal);
    target = source;
    EXPECT_EQ(target.GetNormalElement(), nullptr);
    const KScnLayerElement* copy = target.GetUVElement();
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, uv);
    EXPECT_EQ(copy->GetMappingMode(), 2);
    EXPECT_EQ(copy->GetReferenceMode(), 2);
    ASSERT_EQ(copy->GetDirectCount(), 4);
    ASSERT_EQ(copy->GetIndexCount(), 40);
    EXPECT_EQ(copy->GetDirect<KgeUVVector>()[3], KgeUVVector(3, -3));
    EXPECT_EQ(copy->GetIndices()[39], 3);

    const KScnLayer& self = target;
    target = self; // self-assignment keeps the data
    ASSERT_NE(target.GetUVElement(), nullptr);
    EXPECT_EQ(target.GetUVElement()->GetIndexCount(), 40);

    KScnLayer textured;
    auto* t = static_cast<KScnLayerElementTexture*>(textured.GetOrCreateElement(KScnLayerElement::eTexture));
    t->SetBlendMode(3);
    t->SetAlpha(0.25);
    target = textured;
    EXPECT_EQ(target.GetTextureElement()->GetBlendMode(), 3u);
    EXPECT_EQ(target.GetTextureElement()->GetAlpha(), 0.25);
}

TEST(KScnLayer, SettersTakeOwnershipAndRefuseWrongTypes)
{
    KScnLayer layer;
    KScnLayerElement* first = KScnLayerElement::Create(KScnLayerElement::eColor);
    EXPECT_TRUE(layer.SetColorElement(first));
    // Replacing frees the previous element (no leak under the sanitizer).
    EXPECT_TRUE(layer.SetColorElement(KScnLayerElement::Create(KScnLayerElement::eColor)));
    EXPECT_NE(layer.GetColorElement(), nullptr);
    KScnLayerElement* normal = KScnLayerElement::Create(KScnLayerElement::eNormal);
    EXPECT_FALSE(layer.SetColorElement(normal));
    EXPECT_TRUE(layer.SetElement(normal));
    EXPECT_EQ(layer.GetNormalElement(), normal);
    EXPECT_TRUE(layer.SetPolygonGroupElement(KScnLayerElement::Create(KScnLayerElement::ePolygonGroup)));
    layer.Clear();
    layer.Clear();
    for (int type = 1; type <= 6; ++type)
        EXPECT_EQ(layer.GetElement(type), nullptr);
}

TEST(KScnLayerElement, DirectVectorsFindIgnoresW)
{
    KScnLayerElement e(KScnLayerElement::eNormal);
    EXPECT_EQ(e.AddDirectVector(KgeTVector(1, 2, 3, 0)), 0);
    EXPECT_EQ(e.AddDirectVector(KgeTVector(4, 5, 6, 0)), 1);
    EXPECT_EQ(e.AddDirectVector(KgeTVector(1, 2, 3 + 5e-7, 9)), 2);
    EXPECT_EQ(e.FindDirectVector(KgeTVector(1, 2, 3, 7)), 0);
    EXPECT_EQ(e.FindDirectVectorAfter(0, KgeTVector(1, 2, 3, 7)), 2);
    EXPECT_EQ(e.FindDirectVectorAfter(2, KgeTVector(1, 2, 3, 7)), -1);
    EXPECT_EQ(e.FindDirectVector(KgeTVector(1, 2, 3.00001, 0)), -1);
    EXPECT_EQ(e.GetDirectVector(1)[1], 5.0);
    EXPECT_EQ(e.GetDirectVector(99)[0], 0.0);

    KScnLayerElement uv(KScnLayerElement::eUV);
    EXPECT_EQ(uv.AddDirectVector(KgeTVector()), -1);
}

// Every element type, mapping mode and reference mode: the value read for a
// place of the geometry is the one the modes select.
class ElementModes : public testing::TestWithParam<std::tuple<int, int, int>>
{
};

TEST_P(ElementModes, ValueOfEachPlace)
{
    const int type = std::get<0>(GetParam());
    const int mapping = std::get<1>(GetParam());
    const int reference = std::get<2>(GetParam());
    KScnLayer layer;
    KScnLayerElement* e = layer.GetOrCreateElement(type);
    ASSERT_NE(e, nullptr);
    e->SetMappingMode(mapping);
    e->SetReferenceMode(reference);
    FillDirect(*e);
    // The index array reverses the direct array: entry n names item 3 - n.
    for (int n = 0; n < 4; ++n)
        e->AddIndex(3 - n);

    // Place: control point 1, polygon vertex 2, polygon 3.
    const int n = e->GetMappingIndex(1, 2, 3);
    const int expectedN[] = {-1, 1, 2, 3, 0};
    EXPECT_EQ(n, expectedN[mapping]);
    if (n < 0)
        return;
    const int expected = reference == KScnLayerElement::eDirect ? n : 3 - n;
    EXPECT_EQ(e->GetReferencedIndex(n), expected);
    if (reference == KScnLayerElement::eIndex)
        return; // the index entry is the value itself
    const auto* item = static_cast<const unsigned char*>(e->GetDirectItem(expected));
    switch (type)
    {
    case KScnLayerElement::eNormal:
    case KScnLayerElement::eColor:
        EXPECT_EQ(e->GetDirectVector(expected)[0], expected);
        break;
    case KScnLayerElement::eMaterial:
        EXPECT_EQ(*reinterpret_cast<KScnMaterial* const*>(item), FakeMaterial(expected));
        break;
    case KScnLayerElement::eTexture:
        EXPECT_EQ(*reinterpret_cast<KScnTexture* const*>(item), FakeTexture(expected));
        break;
    case KScnLayerElement::ePolygonGroup:
        EXPECT_EQ(*reinterpret_cast<const int32_t*>(item), 100 + expected);
        break;
    case KScnLayerElement::eUV:
        EXPECT_EQ(reinterpret_cast<const KgeUVVector*>(item)->v, -expected);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, ElementModes,
                         testing::Combine(testing::Range(1, 7), testing::Range(0, 5), testing::Range(0, 3)));

TEST(KScnLayerElement, ReferencesOutsideTheArraysAreRefused)
{
    KScnLayerElement e(KScnLayerElement::ePolygonGroup);
    FillDirect(e);
    e.AddIndex(7); // names a missing direct item
    e.SetReferenceMode(KScnLayerElement::eDirect);
    EXPECT_EQ(e.GetReferencedIndex(4), -1);
    EXPECT_EQ(e.GetReferencedIndex(-1), -1);
    e.SetReferenceMode(KScnLayerElement::eIndexToDirect);
    EXPECT_EQ(e.GetReferencedIndex(0), -1);
    EXPECT_EQ(e.GetReferencedIndex(1), -1);
    e.SetReferenceMode(KScnLayerElement::eIndex);
    EXPECT_EQ(e.GetReferencedIndex(0), 7);
    e.SetReferenceMode(9);
    EXPECT_EQ(e.GetReferencedIndex(0), -1);
}

TEST(KScnLayerContainer, LayersByIndexAndType)
{
    TestGeometry g;
    EXPECT_EQ(g.GetLayer(0), nullptr);
    EXPECT_EQ(g.CreateLayer(), 0);
    EXPECT_EQ(g.CreateLayer(), 1);
    EXPECT_EQ(g.CreateLayer(), 2);
    EXPECT_EQ(g.GetLayer(-1), nullptr);
    EXPECT_EQ(g.GetLayer(3), nullptr);
    g.GetLayer(0)->GetOrCreateElement(KScnLayerElement::eUV);
    g.GetLayer(2)->GetOrCreateElement(KScnLayerElement::eUV);
    g.GetLayer(2)->GetOrCreateElement(KScnLayerElement::eTexture);
    EXPECT_EQ(g.GetLayerCount(), 3);
    EXPECT_EQ(g.GetLayerCount(KScnLayerElement::eUV), 2);
    EXPECT_EQ(g.GetLayerCount(KScnLayerElement::eTexture), 1);
    EXPECT_EQ(g.GetLayerIndexOfType(1, KScnLayerElement::eUV), 2);
    EXPECT_EQ(g.GetLayerOfType(0, KScnLayerElement::eTexture), g.GetLayer(2));
    EXPECT_EQ(g.GetLayerOfType(1, KScnLayerElement::eTexture), nullptr);
    EXPECT_EQ(g.GetLayerIndexOfType(-1, KScnLayerElement::eUV), -1);

    TestGeometry copy;
    copy.CreateLayer();
    copy.CopyLayers(g);
    EXPECT_EQ(copy.GetLayerCount(), 3);
    EXPECT_NE(copy.GetLayer(2)->GetTextureElement(), nullptr);
    copy.RemoveAllLayers();
    EXPECT_EQ(copy.GetLayerCount(), 0);
}

TEST(KScnLayerContainer, MaterialsAndTexturesAreAddedOnceAndCounted)
{
    TestGeometry g;
    UseCounter uses;
    g.SetSceneContents(&uses);
    EXPECT_EQ(g.AddMaterial(FakeMaterial(1), 2), 0);
    EXPECT_EQ(g.GetLayerCount(), 3);
    EXPECT_EQ(g.AddMaterial(FakeMaterial(1), 2), -1);
    EXPECT_EQ(g.AddMaterial(FakeMaterial(2), 2), 1);
    EXPECT_EQ(g.AddTexture(FakeTexture(1), 2), 0);
    EXPECT_EQ(g.AddTexture(FakeTexture(1), 2), 0);
    EXPECT_EQ(g.AddMaterial(nullptr, 0), -1);
    EXPECT_EQ(g.AddMaterial(FakeMaterial(3), -1), -1);
    EXPECT_EQ(uses.uses[FakeMaterial(1)], 1);
    EXPECT_EQ(uses.uses[FakeTexture(1)], 1);
    EXPECT_EQ(g.GetTextureCount(2), 1);
    EXPECT_EQ(g.GetTextureCount(0), 0);
    EXPECT_EQ(g.GetTextureCount(9), 0);

    // Moving to other contents moves the uses.
    UseCounter other;
    g.SetSceneContents(&other);
    EXPECT_EQ(uses.uses[FakeMaterial(1)], 0);
    EXPECT_EQ(uses.uses[FakeTexture(1)], 0);
    EXPECT_EQ(other.uses[FakeMaterial(2)], 1);
    EXPECT_EQ(other.uses[FakeTexture(1)], 1);

    // An Index-referenced element holds no objects and registers nothing.
    g.GetLayer(2)->GetTextureElement()->SetReferenceMode(KScnLayerElement::eIndex);
    g.SetSceneContents(nullptr);
    EXPECT_EQ(other.uses[FakeTexture(1)], 1);
    EXPECT_EQ(other.uses[FakeMaterial(2)], 0);
    EXPECT_EQ(g.GetSceneContents(), nullptr);
    KScnLayerElement* t = g.GetLayer(2)->GetTextureElement();
    for (int v : {4, 1, 4, 0})
        t->AddIndex(v);
    EXPECT_EQ(g.GetTextureCount(2), 3);
}

TEST(KScnGeometryBase, ControlPointsAndNormals)
{
    TestGeometry g;
    EXPECT_EQ(g.GetNormals(), nullptr);
    EXPECT_FALSE(g.InitControlPoints(-1));
    ASSERT_TRUE(g.InitControlPoints(8));
    EXPECT_TRUE(g.SetControlPointAt(KgeTVector(1, 2, 3), 7));
    EXPECT_FALSE(g.SetControlPointAt(KgeTVector(1, 2, 3), 8));
    EXPECT_EQ(g.GetControlPoints()[7][2], 3.0);

    ASSERT_TRUE(g.InitNormals(0));
    const KScnLayerElement* normals = g.GetLayer(0)->GetNormalElement();
    EXPECT_EQ(normals->GetMappingMode(), KScnLayerElement::eByControlPoint);
    EXPECT_EQ(normals->GetDirectCount(), 8);
    ASSERT_TRUE(g.InitNormals(24));
    EXPECT_EQ(normals->GetMappingMode(), KScnLayerElement::eByPolygonVertex);
    EXPECT_EQ(normals->GetReferenceMode(), KScnLayerElement::eDirect);
    EXPECT_EQ(normals->GetDirectCount(), 24);
    ASSERT_TRUE(g.InitNormals(8));
    EXPECT_EQ(normals->GetMappingMode(), KScnLayerElement::eByControlPoint);
    EXPECT_FALSE(g.InitNormals(-2));
    EXPECT_NE(g.GetNormals(), nullptr);

    TestGeometry copy;
    copy.CopyControlPoints(g);
    EXPECT_EQ(copy.GetControlPointsCount(), 8);
    EXPECT_EQ(copy.GetControlPointAt(7)[1], 2.0);
    EXPECT_EQ(copy.GetControlPointAt(8)[1], 0.0);
    EXPECT_EQ(copy.GetLayer(0)->GetNormalElement()->GetDirectCount(), 8);
}

TEST(KScnLayerContainer, FindMaterialsAndTexturesByName)
{
    TestGeometry g;
    KScnFree<KScnMaterial> wood(nullptr, "Wood");
    KScnFree<KScnMaterial> stone(nullptr, "Stone");
    KScnFree<KScnTexture> bark(nullptr, "Bark");
    wood.SetName("Wood");
    stone.SetName("Stone");
    bark.SetName("Bark");
    ASSERT_STREQ(wood.GetName(), "Material::Wood");
    EXPECT_EQ(g.FindMaterialIndex("Wood", 0), -1); // no layer yet
    g.AddMaterial(&wood, 0);
    g.AddMaterial(&stone, 0);
    g.AddTexture(&bark, 1);
    EXPECT_EQ(g.FindMaterialIndex("Stone", 0), 1);
    EXPECT_EQ(g.FindMaterialIndex("stone", 0), -1);
    EXPECT_EQ(g.FindMaterialIndex("Material::Stone", 0), -1);
    EXPECT_EQ(g.FindMaterialIndex(nullptr, 0), -1);
    EXPECT_EQ(g.FindMaterialIndex("Wood", 1), -1);
    EXPECT_EQ(g.FindTextureIndex("Bark", 1), 0);
    EXPECT_EQ(g.FindTextureIndex("Bark", 0), -1);
    EXPECT_EQ(g.FindTextureIndex(nullptr, 1), -1);
}
