#include "scenesdk/kernel/KScnMesh.h"

#include <cstring>

namespace scenesdk
{

KScnMesh::KScnMesh(KScnSdkManager* manager)
    : KScnGeometry(manager), mReserved{}, mPolygons(kPolygonBlockSize, sizeof(Polygon)),
      mPolygonVertices(kPolygonVertexBlockSize, sizeof(int32_t))
{
    Reset();
}

KScnMesh::~KScnMesh() = default;

KScnLayerElement* KScnMesh::GetLayer0Element(int type) const
{
    const KScnLayer* layer = GetLayer(0);
    return layer ? layer->GetElement(type) : nullptr;
}

void KScnMesh::RecordPerPolygonIndex(KScnLayerElement* element, int polygonCount, int value)
{
    if (element->GetMappingMode() != KScnLayerElement::eByPolygon ||
        element->GetReferenceMode() == KScnLayerElement::eDirect)
        return;
    if (element->GetIndexArray().SetCount(polygonCount) == polygonCount)
        element->GetIndices()[polygonCount - 1] = value;
}

void KScnMesh::BeginPolygon(int material, int texture, int group)
{
    const Polygon polygon = {mPolygonVertices.GetCount(), 0, group};
    if (mPolygons.Add(&polygon) < 0)
        return;
    KScnLayer* layer = GetOrCreateLayer0();
    if (layer == nullptr)
        return;
    const int count = mPolygons.GetCount();
    KScnLayerElement* materials = layer->GetMaterialElement();
    if (materials == nullptr && count == 1 && material != -1)
        layer->GetOrCreateElement(KScnLayerElement::eMaterial);
    else if (materials != nullptr)
        RecordPerPolygonIndex(materials, count, material);

    KScnLayerElement* textures = layer->GetTextureElement();
    if (textures == nullptr && count == 1 && texture != -1)
        layer->GetOrCreateElement(KScnLayerElement::eTexture);
    else if (textures != nullptr)
        RecordPerPolygonIndex(textures, count, texture);
}

bool KScnMesh::AddPolygons(const int32_t* sizes, int polygonCount, const int32_t* vertices, int vertexCount)
{
    if (polygonCount < 0 || vertexCount < 0 || (polygonCount > 0 && sizes == nullptr) ||
        (vertexCount > 0 && vertices == nullptr))
        return false;
    int64_t total = 0;
    for (int i = 0; i < polygonCount; ++i)
    {
        if (sizes[i] < 1)
            return false;
        total += sizes[i];
    }
    const int points = GetControlPointsCount();
    for (int i = 0; i < vertexCount; ++i)
        if (vertices[i] < 0 || vertices[i] >= points)
            return false;
    const int firstPolygon = mPolygons.GetCount();
    const int firstVertex = mPolygonVertices.GetCount();
    if (total != vertexCount || int64_t(firstPolygon) + polygonCount > INT32_MAX ||
        int64_t(firstVertex) + vertexCount > INT32_MAX)
        return false;
    if (mPolygons.SetCount(firstPolygon + polygonCount) < 0)
        return false;
    if (mPolygonVertices.SetCount(firstVertex + vertexCount) < 0)
    {
        mPolygons.SetCount(firstPolygon);
        return false;
    }
    Polygon* polygons = static_cast<Polygon*>(mPolygons.GetData()) + firstPolygon;
    int32_t start = firstVertex;
    for (int i = 0; i < polygonCount; ++i)
    {
        polygons[i] = {start, sizes[i], -1};
        start += sizes[i];
    }
    if (vertexCount > 0)
        std::memcpy(static_cast<int32_t*>(mPolygonVertices.GetData()) + firstVertex, vertices,
                    sizeof(int32_t) * static_cast<size_t>(vertexCount));
    return true;
}

bool KScnMesh::AddPolygonVertex(int controlPoint, int uvIndex)
{
    const int polygonCount = mPolygons.GetCount();
    if (polygonCount == 0 || controlPoint < 0 || controlPoint >= GetControlPointsCount() || uvIndex < -1)
        return false;
    const int32_t value = controlPoint;
    if (mPolygonVertices.Add(&value) < 0)
        return false;
    if (uvIndex != -1)
    {
        KScnLayer* layer = GetOrCreateLayer0();
        KScnLayerElement* uvs = layer ? layer->GetOrCreateElement(KScnLayerElement::eUV) : nullptr;
        if (uvs != nullptr && uvs->GetMappingMode() == KScnLayerElement::eByPolygonVertex &&
            uvs->GetReferenceMode() == KScnLayerElement::eIndexToDirect)
        {
            const int vertexCount = mPolygonVertices.GetCount();
            if (uvs->GetIndexArray().SetCount(vertexCount) == vertexCount)
                uvs->GetIndices()[vertexCount - 1] = uvIndex;
        }
    }
    static_cast<Polygon*>(mPolygons.GetData())[polygonCount - 1].size += 1;
    return true;
}

int KScnMesh::GetPolygonSize(int p) const
{
    const auto* polygon = static_cast<const Polygon*>(mPolygons.GetAt(p));
    return polygon ? polygon->size : -1;
}

int KScnMesh::GetPolygonVertex(int p, int i) const
{
    const auto* polygon = static_cast<const Polygon*>(mPolygons.GetAt(p));
    if (polygon == nullptr || i < 0 || i >= polygon->size)
        return -1;
    return GetPolygonVertices()[polygon->start + i];
}

int KScnMesh::GetPolygonVertexIndex(int p) const
{
    const auto* polygon = static_cast<const Polygon*>(mPolygons.GetAt(p));
    return polygon ? polygon->start : -1;
}

int KScnMesh::GetPolygonGroup(int p) const
{
    const auto* polygon = static_cast<const Polygon*>(mPolygons.GetAt(p));
    return polygon ? polygon->group : -1;
}

void KScnMesh::InitMaterialMapping(int mode)
{
    KScnLayer* layer = GetOrCreateLayer0();
    KScnLayerElement* materials = layer ? layer->GetOrCreateElement(KScnLayerElement::eMaterial) : nullptr;
    if (materials == nullptr)
        return;
    materials->SetReferenceMode(KScnLayerElement::eIndexToDirect);
    materials->GetIndexArray().Clear();
    if (mode == KScnLayerElement::eByControlPoint)
    {
        if (GetControlPointsCount() > 0)
        {
            materials->SetMappingMode(KScnLayerElement::eByControlPoint);
            materials->GetIndexArray().SetCount(GetControlPointsCount());
        }
    }
    else if (mode == KScnLayerElement::eByPolygon)
        materials->SetMappingMode(KScnLayerElement::eByPolygon);
    else
    {
        materials->SetMappingMode(KScnLayerElement::eAllSame);
        materials->GetIndexArray().SetCount(1);
    }
}

void KScnMesh::InitTextureMapping(int mode)
{
    KScnLayer* layer = GetOrCreateLayer0();
    KScnLayerElement* textures = layer ? layer->GetOrCreateElement(KScnLayerElement::eTexture) : nullptr;
    if (textures == nullptr)
        return;
    textures->SetReferenceMode(KScnLayerElement::eIndexToDirect);
    textures->GetIndexArray().Clear();
    if (mode == KScnLayerElement::eByPolygon)
        textures->SetMappingMode(KScnLayerElement::eByPolygon);
    else
    {
        textures->SetMappingMode(KScnLayerElement::eAllSame);
        textures->GetIndexArray().SetCount(1);
    }
}

void KScnMesh::InitTextureUVMapping(int mode)
{
    KScnLayer* layer = GetOrCreateLayer0();
    KScnLayerElement* uvs = layer ? layer->GetOrCreateElement(KScnLayerElement::eUV) : nullptr;
    if (uvs == nullptr)
        return;
    uvs->GetDirectArray().Clear();
    uvs->GetIndexArray().Clear();
    int mapping = KScnLayerElement::eNoMapping;
    int reference = KScnLayerElement::eDirect;
    if (mode == KScnLayerElement::eByControlPoint || mode == KScnLayerElement::eAllSame)
        mapping = mode;
    else if (mode == KScnLayerElement::eByPolygonVertex)
    {
        mapping = mode;
        reference = KScnLayerElement::eIndexToDirect;
    }
    uvs->SetMappingMode(mapping);
    uvs->SetReferenceMode(reference);
}

bool KScnMesh::InitTextureUV(int count)
{
    if (count < 0)
        return false;
    KScnLayer* layer = GetOrCreateLayer0();
    KScnLayerElement* uvs = layer ? layer->GetOrCreateElement(KScnLayerElement::eUV) : nullptr;
    if (uvs == nullptr)
        return false;
    uvs->GetDirectArray().Clear();
    return uvs->GetDirectArray().SetCount(count) >= 0;
}

KgeUVVector* KScnMesh::GetTextureUV()
{
    KScnLayerElement* uvs = GetLayer0Element(KScnLayerElement::eUV);
    return uvs ? uvs->GetDirect<KgeUVVector>() : nullptr;
}

int KScnMesh::GetTextureUVCount() const
{
    const KScnLayerElement* uvs = GetLayer0Element(KScnLayerElement::eUV);
    return uvs ? uvs->GetDirectCount() : 0;
}

int32_t* KScnMesh::GetMaterialIndices()
{
    KScnLayerElement* element = GetLayer0Element(KScnLayerElement::eMaterial);
    if (element == nullptr || element->GetReferenceMode() == KScnLayerElement::eDirect)
        return nullptr;
    return element->GetIndices();
}

int32_t* KScnMesh::GetTextureIndices()
{
    KScnLayerElement* element = GetLayer0Element(KScnLayerElement::eTexture);
    if (element == nullptr || element->GetReferenceMode() == KScnLayerElement::eDirect)
        return nullptr;
    return element->GetIndices();
}

int KScnMesh::GetMaterialMappingMode() const
{
    const KScnLayerElement* element = GetLayer0Element(KScnLayerElement::eMaterial);
    return element ? element->GetMappingMode() : 0;
}

int KScnMesh::GetTextureMappingMode() const
{
    const KScnLayerElement* element = GetLayer0Element(KScnLayerElement::eTexture);
    if (element == nullptr)
        return 0;
    const int mapping = element->GetMappingMode();
    return (mapping == KScnLayerElement::eByPolygon || mapping == KScnLayerElement::eAllSame) ? mapping : 0;
}

void KScnMesh::Reset()
{
    mPolygons.Clear();
    mPolygonVertices.Clear();
    InitControlPoints(0);
    RemoveAllLayers();
    std::memset(mReserved, 0, sizeof(mReserved));
}

void KScnMesh::CopyFrom(const KScnMesh& source)
{
    if (&source == this)
        return;
    // The polygons are copied apart first and taken last: the geometry's
    // copy is whole.
    KBlockArray polygons(kPolygonBlockSize, sizeof(Polygon));
    KBlockArray vertices(kPolygonVertexBlockSize, sizeof(int32_t));
    KScnLayerElement::CopyBlockArray(polygons, source.mPolygons);
    KScnLayerElement::CopyBlockArray(vertices, source.mPolygonVertices);
    KScnGeometry::CopyFrom(source);
    mPolygons.Swap(polygons);
    mPolygonVertices.Swap(vertices);
}

} // namespace scenesdk
