#include "scenesdk/importers/KScn3DSMeshFill.h"

#include "scenesdk/importers/KScn3DSData.h"
#include "scenesdk/importers/KScn3DSMaterials.h"
#include "scenesdk/importers/KScnMeshData.h"
#include "scenesdk/importers/KStreamOptions3DS.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace scenesdk
{

namespace
{

constexpr size_t kMaxMasksAtVertex = 32;

int32_t AddNormal(KScnMeshData& out, const double* n)
{
    out.mNormals.insert(out.mNormals.end(), n, n + 3);
    return static_cast<int32_t>(out.mNormals.size() / 3 - 1);
}

void Accumulate(double* sum, const double* n)
{
    sum[0] += n[0];
    sum[1] += n[1];
    sum[2] += n[2];
}

} // namespace

KScn3DSMeshFill::KScn3DSMeshFill(const KStreamOptions3DS& options, KScn3DSMaterials& materials)
    : mOptions(options), mMaterials(materials)
{
}

void KScn3DSMeshFill::Fill(const KScn3DSMesh& mesh, const double (&local)[3][4], KScnMeshData& out)
{
    out = KScnMeshData();
    Points(mesh, local, out);
    const size_t faces = mesh.GetFaceCount();
    out.mPolygonSizes.assign(faces, 3);
    out.mPolygonVertices.assign(mesh.mFaces.begin(), mesh.mFaces.end());
    if (mOptions.mComputeNormals)
        Normals(mesh, out);
    if (mOptions.mReadUVs)
        UVs(mesh, out);
    Materials(mesh, out);
}

void KScn3DSMeshFill::Points(const KScn3DSMesh& mesh, const double (&m)[3][4], KScnMeshData& out)
{
    const size_t count = mesh.GetPointCount();
    out.mPoints.resize(3 * count);
    for (size_t i = 0; i < count; ++i)
    {
        double x = mesh.mPoints[3 * i], y = mesh.mPoints[3 * i + 1], z = mesh.mPoints[3 * i + 2];
        mOptions.ConvertPosition(x, y, z);
        for (int r = 0; r < 3; ++r)
            out.mPoints[3 * i + size_t(r)] = m[r][0] * x + m[r][1] * y + m[r][2] * z + m[r][3];
    }
}

void KScn3DSMeshFill::Normals(const KScn3DSMesh& mesh, KScnMeshData& out)
{
    const size_t faces = mesh.GetFaceCount();
    mFaceNormals.resize(3 * faces);
    for (size_t f = 0; f < faces; ++f)
    {
        const double* a = &out.mPoints[3 * size_t(mesh.mFaces[3 * f])];
        const double* b = &out.mPoints[3 * size_t(mesh.mFaces[3 * f + 1])];
        const double* c = &out.mPoints[3 * size_t(mesh.mFaces[3 * f + 2])];
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        double* n = &mFaceNormals[3 * f];
        n[0] = u[1] * v[2] - u[2] * v[1];
        n[1] = u[2] * v[0] - u[0] * v[2];
        n[2] = u[0] * v[1] - u[1] * v[0];
    }
    out.mNormalIndices.assign(3 * faces, -1);
    // Corners of smoothed faces, grouped by vertex (counting sort).
    const std::vector<uint32_t>& masks = mesh.mSmoothing;
    const size_t points = mesh.GetPointCount();
    std::vector<int32_t> start(points + 1, 0);
    for (size_t k = 0; k < mesh.mFaces.size() && !masks.empty(); ++k)
        if (masks[k / 3] != 0)
            ++start[size_t(mesh.mFaces[k]) + 1];
    for (size_t v = 0; v < points; ++v)
        start[v + 1] += start[v];
    std::vector<int32_t> corners(static_cast<size_t>(start[points]));
    std::vector<int32_t> next(start.begin(), start.end() - 1);
    for (size_t k = 0; k < mesh.mFaces.size() && !masks.empty(); ++k)
        if (masks[k / 3] != 0)
            corners[size_t(next[mesh.mFaces[k]]++)] = static_cast<int32_t>(k);
    std::vector<int32_t> atVertex;
    for (size_t v = 0; v < points; ++v)
    {
        atVertex.assign(corners.begin() + start[v], corners.begin() + start[v + 1]);
        if (!atVertex.empty())
            SmoothAt(atVertex, masks, out);
    }
    for (size_t f = 0; f < faces; ++f)
        if (out.mNormalIndices[3 * f] < 0)
        {
            const int32_t slot = AddNormal(out, &mFaceNormals[3 * f]);
            for (size_t k = 3 * f; k < 3 * f + 3; ++k)
                if (out.mNormalIndices[k] < 0)
                    out.mNormalIndices[k] = slot;
        }
    for (size_t i = 0; i < out.mNormals.size(); i += 3)
    {
        double* n = &out.mNormals[i];
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (length > 0.0 && std::isfinite(length))
            n[0] /= length, n[1] /= length, n[2] /= length;
    }
}

// The normals of the smoothed corners at one vertex: one per distinct mask
// there, summing the faces of every mask sharing a bit with it.
void KScn3DSMeshFill::SmoothAt(const std::vector<int32_t>& corners, const std::vector<uint32_t>& masks,
                               KScnMeshData& out)
{
    uint32_t distinct[kMaxMasksAtVertex];
    double sums[kMaxMasksAtVertex][3] = {};
    size_t count = 0;
    for (int32_t k : corners)
    {
        const uint32_t mask = masks[size_t(k) / 3];
        const size_t at = static_cast<size_t>(std::find(distinct, distinct + count, mask) - distinct);
        if (at == count && count == kMaxMasksAtVertex)
        {
            count = kMaxMasksAtVertex + 1;
            break;
        }
        if (at == count)
            distinct[count++] = mask;
        Accumulate(sums[at], &mFaceNormals[3 * (size_t(k) / 3)]);
    }
    if (count <= kMaxMasksAtVertex)
    {
        int32_t slots[kMaxMasksAtVertex];
        for (size_t i = 0; i < count; ++i)
        {
            double n[3] = {0.0, 0.0, 0.0};
            for (size_t j = 0; j < count; ++j)
                if ((distinct[i] & distinct[j]) != 0)
                    Accumulate(n, sums[j]);
            slots[i] = AddNormal(out, n);
        }
        for (int32_t k : corners)
        {
            const uint32_t mask = masks[size_t(k) / 3];
            out.mNormalIndices[size_t(k)] = slots[std::find(distinct, distinct + count, mask) - distinct];
        }
        return;
    }
    double bits[32][3] = {};
    for (int32_t k : corners)
        for (int b = 0; b < 32; ++b)
            if ((masks[size_t(k) / 3] >> b) & 1u)
                Accumulate(bits[b], &mFaceNormals[3 * (size_t(k) / 3)]);
    for (int32_t k : corners)
    {
        double n[3] = {0.0, 0.0, 0.0};
        for (int b = 0; b < 32; ++b)
            if ((masks[size_t(k) / 3] >> b) & 1u)
                Accumulate(n, bits[b]);
        out.mNormalIndices[size_t(k)] = AddNormal(out, n);
    }
}

void KScn3DSMeshFill::UVs(const KScn3DSMesh& mesh, KScnMeshData& out)
{
    if (mesh.mUVs.empty() || mesh.mFaces.empty())
        return;
    const size_t points = mesh.GetPointCount();
    const size_t uvs = std::min(points, mesh.mUVs.size() / 2);
    out.mUVs.assign(mesh.mUVs.begin(), mesh.mUVs.begin() + 2 * uvs);
    if (uvs < points)
        out.mUVs.insert(out.mUVs.end(), {0.0, 0.0});
    out.mUVIndices.resize(mesh.mFaces.size());
    for (size_t k = 0; k < mesh.mFaces.size(); ++k)
        out.mUVIndices[k] = static_cast<int32_t>(std::min(size_t(mesh.mFaces[k]), uvs));
}

void KScn3DSMeshFill::Materials(const KScn3DSMesh& mesh, KScnMeshData& out)
{
    const size_t faces = mesh.GetFaceCount();
    std::vector<int32_t> global(faces, -1);
    for (const KScn3DSFaceGroup& group : mesh.mGroups)
    {
        if (group.mFaces.empty())
            continue;
        const int32_t index = mMaterials.Find(group.mMaterial);
        for (uint16_t f : group.mFaces)
            global[f] = index;
    }
    ++mRound;
    out.mPolygonMaterials.resize(faces);
    std::vector<int32_t> used; // global index of each of the mesh's materials
    for (size_t f = 0; f < faces; ++f)
    {
        const int32_t g = global[f] >= 0 ? global[f] : mMaterials.GetDefault();
        if (mStamp.size() < size_t(mMaterials.GetCount()))
        {
            mStamp.resize(size_t(mMaterials.GetCount()), 0);
            mLocal.resize(size_t(mMaterials.GetCount()), 0);
        }
        if (mStamp[size_t(g)] != mRound)
        {
            mStamp[size_t(g)] = mRound;
            mLocal[size_t(g)] = static_cast<int32_t>(used.size());
            used.push_back(g);
            out.mMaterials.push_back(mMaterials.GetMaterial(g));
        }
        out.mPolygonMaterials[f] = mLocal[size_t(g)];
    }
    // The diffuse texture of each face's material.
    std::vector<int32_t> textureOf(used.size(), -1);
    std::unordered_map<KScnTexture*, int32_t> textureIndex;
    for (size_t i = 0; i < used.size(); ++i)
        if (KScnTexture* texture = mMaterials.GetDiffuseTexture(used[i]))
        {
            const auto at = textureIndex.emplace(texture, static_cast<int32_t>(out.mTextures.size()));
            if (at.second)
                out.mTextures.push_back(texture);
            textureOf[i] = at.first->second;
        }
    if (out.mTextures.empty())
        return;
    out.mPolygonTextures.resize(faces);
    for (size_t f = 0; f < faces; ++f)
        out.mPolygonTextures[f] = textureOf[size_t(out.mPolygonMaterials[f])];
}

} // namespace scenesdk
