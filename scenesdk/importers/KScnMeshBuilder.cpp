#include "scenesdk/importers/KScnMeshBuilder.h"

#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnMeshData.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <cstring>
#include <limits>

namespace scenesdk
{

namespace
{

constexpr size_t kMaxCount = static_cast<size_t>(std::numeric_limits<int32_t>::max());

bool IndicesBelow(const std::vector<int32_t>& indices, size_t limit, bool allowNone)
{
    for (int32_t i : indices)
    {
        if (i == -1 && allowNone)
            continue;
        if (i < 0 || static_cast<size_t>(i) >= limit)
            return false;
    }
    return true;
}

bool Fail(std::string& why, const char* text)
{
    why = text;
    return false;
}

// The direct array as count items of itemSize bytes copied from source;
// false when the growth fails.
bool FillDirect(KScnLayerElement& element, const void* source, size_t count)
{
    KBlockArray& array = element.GetDirectArray();
    if (array.SetCount(static_cast<int>(count)) != static_cast<int>(count))
        return false;
    if (count > 0)
        std::memcpy(array.GetData(), source, count * static_cast<size_t>(array.GetItemSize()));
    return true;
}

bool FillIndices(KScnLayerElement& element, const std::vector<int32_t>& indices)
{
    KBlockArray& array = element.GetIndexArray();
    const int count = static_cast<int>(indices.size());
    if (array.SetCount(count) != count)
        return false;
    if (count > 0)
        std::memcpy(array.GetData(), indices.data(), sizeof(int32_t) * indices.size());
    return true;
}

// Four-double vectors from groups of `width` doubles (w = fill).
std::vector<KgeTVector> Vectors(const std::vector<double>& values, size_t width, double fill)
{
    std::vector<KgeTVector> out(values.size() / width);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = KgeTVector(values[width * i], values[width * i + 1], values[width * i + 2],
                            width == 4 ? values[width * i + 3] : fill);
    return out;
}

KScnLayerElement* NewElement(KScnLayer& layer, int type, int mapping, int reference)
{
    KScnLayerElement* element = layer.GetOrCreateElement(type);
    if (element != nullptr)
    {
        element->SetMappingMode(mapping);
        element->SetReferenceMode(reference);
    }
    return element;
}

bool BuildNormals(KScnLayer& layer, const KScnMeshData& data)
{
    if (data.mNormals.empty())
        return true;
    KScnLayerElement* e = NewElement(
        layer, KScnLayerElement::eNormal,
        data.mNormalsByControlPoint ? KScnLayerElement::eByControlPoint : KScnLayerElement::eByPolygonVertex,
        data.mNormalIndices.empty() ? KScnLayerElement::eDirect : KScnLayerElement::eIndexToDirect);
    const std::vector<KgeTVector> normals = Vectors(data.mNormals, 3, 1.0);
    return e != nullptr && FillDirect(*e, normals.data(), normals.size()) &&
           FillIndices(*e, data.mNormalIndices);
}

bool BuildUVsAndColors(KScnLayer& layer, const KScnMeshData& data)
{
    if (!data.mUVs.empty())
    {
        KScnLayerElement* e = NewElement(layer, KScnLayerElement::eUV, KScnLayerElement::eByPolygonVertex,
                                         KScnLayerElement::eIndexToDirect);
        std::vector<KgeUVVector> uvs(data.mUVs.size() / 2);
        for (size_t i = 0; i < uvs.size(); ++i)
            uvs[i].Set(data.mUVs[2 * i], data.mUVs[2 * i + 1]);
        if (e == nullptr || !FillDirect(*e, uvs.data(), uvs.size()) || !FillIndices(*e, data.mUVIndices))
            return false;
    }
    if (!data.mColors.empty())
    {
        KScnLayerElement* e = NewElement(layer, KScnLayerElement::eColor, KScnLayerElement::eByPolygonVertex,
                                         KScnLayerElement::eIndexToDirect);
        const std::vector<KgeTVector> colors = Vectors(data.mColors, 4, 1.0);
        if (e == nullptr || !FillDirect(*e, colors.data(), colors.size()) ||
            !FillIndices(*e, data.mColorIndices))
            return false;
    }
    return true;
}

bool BuildMaterialsAndTextures(KScnLayer& layer, const KScnMeshData& data)
{
    if (!data.mMaterials.empty())
    {
        const bool perPolygon = !data.mPolygonMaterials.empty();
        KScnLayerElement* e =
            NewElement(layer, KScnLayerElement::eMaterial,
                       perPolygon ? KScnLayerElement::eByPolygon : KScnLayerElement::eAllSame,
                       KScnLayerElement::eIndexToDirect);
        const std::vector<int32_t> allSame(1, 0);
        if (e == nullptr || !FillDirect(*e, data.mMaterials.data(), data.mMaterials.size()) ||
            !FillIndices(*e, perPolygon ? data.mPolygonMaterials : allSame))
            return false;
    }
    if (!data.mTextures.empty())
    {
        KScnLayerElement* e = NewElement(layer, KScnLayerElement::eTexture, KScnLayerElement::eByPolygon,
                                         KScnLayerElement::eIndexToDirect);
        if (e == nullptr || !FillDirect(*e, data.mTextures.data(), data.mTextures.size()) ||
            !FillIndices(*e, data.mPolygonTextures))
            return false;
    }
    return true;
}

} // namespace

bool KScnMeshBuilder::Check(const KScnMeshData& d, std::string& why)
{
    const size_t points = d.GetPointCount();
    const size_t corners = d.GetCornerCount();
    const size_t polygons = d.GetPolygonCount();
    if (d.mPoints.size() % 3 != 0 || d.mNormals.size() % 3 != 0 || d.mUVs.size() % 2 != 0 ||
        d.mColors.size() % 4 != 0)
        return Fail(why, "mesh arrays of a wrong width");
    if (points > kMaxCount || corners > kMaxCount || polygons > kMaxCount ||
        d.mNormals.size() / 3 > kMaxCount || d.mUVs.size() / 2 > kMaxCount ||
        d.mColors.size() / 4 > kMaxCount)
        return Fail(why, "mesh too large");
    size_t total = 0;
    for (int32_t size : d.mPolygonSizes)
    {
        if (size < 1)
            return Fail(why, "polygon without corners");
        total += static_cast<size_t>(size);
    }
    if (total != corners)
        return Fail(why, "polygon sizes do not match the corners");
    if (!IndicesBelow(d.mPolygonVertices, points, false))
        return Fail(why, "corner refers to a missing point");
    const size_t normalPlaces = d.mNormalsByControlPoint ? points : corners;
    const size_t normals = d.mNormals.size() / 3;
    if (normals > 0 && (d.mNormalIndices.empty() ? normals != normalPlaces
                                                 : d.mNormalIndices.size() != normalPlaces ||
                                                       !IndicesBelow(d.mNormalIndices, normals, false)))
        return Fail(why, "normals do not match the mesh");
    if (!d.mUVs.empty() &&
        (d.mUVIndices.size() != corners || !IndicesBelow(d.mUVIndices, d.mUVs.size() / 2, false)))
        return Fail(why, "UVs do not match the mesh");
    if (!d.mColors.empty() &&
        (d.mColorIndices.size() != corners || !IndicesBelow(d.mColorIndices, d.mColors.size() / 4, false)))
        return Fail(why, "colours do not match the mesh");
    if (!d.mMaterials.empty() && !d.mPolygonMaterials.empty() &&
        (d.mPolygonMaterials.size() != polygons ||
         !IndicesBelow(d.mPolygonMaterials, d.mMaterials.size(), false)))
        return Fail(why, "materials do not match the polygons");
    if (!d.mTextures.empty() && (d.mPolygonTextures.size() != polygons ||
                                 !IndicesBelow(d.mPolygonTextures, d.mTextures.size(), true)))
        return Fail(why, "textures do not match the polygons");
    for (const KScnMaterial* m : d.mMaterials)
        if (m == nullptr)
            return Fail(why, "missing material");
    for (const KScnTexture* t : d.mTextures)
        if (t == nullptr)
            return Fail(why, "missing texture");
    return true;
}

KScnMesh* KScnMeshBuilder::Build(KScnImportBuilder& builder, KScnNode* node, const KScnMeshData& data,
                                 std::string& why)
{
    if (!Check(data, why))
        return nullptr;
    KScnMesh* mesh = builder.CreateMesh(node);
    if (mesh == nullptr)
    {
        why = "cannot make a mesh";
        return nullptr;
    }
    const int points = static_cast<int>(data.GetPointCount());
    bool ok = mesh->InitControlPoints(points);
    KgeTVector* cp = ok ? mesh->GetControlPoints() : nullptr;
    for (int i = 0; cp != nullptr && i < points; ++i)
        cp[i] = KgeTVector(data.mPoints[3 * size_t(i)], data.mPoints[3 * size_t(i) + 1],
                           data.mPoints[3 * size_t(i) + 2], 1.0);
    ok = ok && mesh->AddPolygons(data.mPolygonSizes.data(), static_cast<int>(data.GetPolygonCount()),
                                 data.mPolygonVertices.data(), static_cast<int>(data.GetCornerCount()));
    const bool anyLayer = !data.mNormals.empty() || !data.mUVs.empty() || !data.mColors.empty() ||
                          !data.mMaterials.empty() || !data.mTextures.empty();
    if (ok && anyLayer && mesh->GetLayerCount() == 0)
        ok = mesh->CreateLayer() == 0;
    KScnLayer* layer = mesh->GetLayer(0);
    if (ok && anyLayer)
        ok = layer != nullptr && BuildNormals(*layer, data) && BuildUVsAndColors(*layer, data) &&
             BuildMaterialsAndTextures(*layer, data);
    if (!ok)
        why = "out of memory building a mesh";
    // A failed mesh stays on its node: the builder's rollback takes both.
    return ok ? mesh : nullptr;
}

void KScnMeshBuilder::PolygonNormal(const KScnMeshData& data, size_t first, size_t n, double* xyz)
{
    xyz[0] = xyz[1] = xyz[2] = 0.0;
    for (size_t k = 0; k < n; ++k)
    {
        const double* a = &data.mPoints[3 * size_t(data.mPolygonVertices[first + k])];
        const double* b = &data.mPoints[3 * size_t(data.mPolygonVertices[first + (k + 1) % n])];
        xyz[0] += (a[1] - b[1]) * (a[2] + b[2]);
        xyz[1] += (a[2] - b[2]) * (a[0] + b[0]);
        xyz[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
}

} // namespace scenesdk
