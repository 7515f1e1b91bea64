#include "render/COGLModel.h"

#include "app/CMatrix4.h"

#include "platform/gl/GL.h"
#include "render/COGLRenderer.h"

#include <algorithm>
#include <cmath>

COGLModel::COGLModel(COGLRenderer* renderer, CModelFactory* factory)
    : m_pRenderer(renderer), m_pFactory(factory)
{
}

COGLModel::~COGLModel()
{
    for (const std::unique_ptr<CCOGLTriangleGroup>& group : m_TriangleGroups)
    {
        const uint32_t list = group->GetRenderRecord()->m_uiDisplayList;
        if (list != 0 && glIsList(list))
            glDeleteLists(list, 1);
    }
}

void COGLModel::Render()
{
    if (m_pRenderer)
        m_pRenderer->Render(this);
}

CCOGLTriangleGroup* COGLModel::AddTriangleGroup(uint32_t vertexCount, uint32_t indexCount, uint8_t layerCount,
                                                bool hasColours)
{
    m_TriangleGroups.emplace_back(
        new CCOGLTriangleGroup(this, vertexCount, indexCount, layerCount, hasColours));
    return m_TriangleGroups.back().get();
}

SGLMaterial* COGLModel::AddMaterial()
{
    m_Materials.emplace_back(new SGLMaterial);
    return m_Materials.back().get();
}

SOGLTexture* COGLModel::AddTexture()
{
    m_Textures.emplace_back(new SOGLTexture);
    return m_Textures.back().get();
}

CCOGLTriangleGroup* COGLModel::GetTriangleGroup(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < m_TriangleGroups.size() ? m_TriangleGroups[index].get()
                                                                              : nullptr;
}

SGLMaterial* COGLModel::GetMaterial(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < m_Materials.size() ? m_Materials[index].get() : nullptr;
}

SOGLTexture* COGLModel::GetTexture(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < m_Textures.size() ? m_Textures[index].get() : nullptr;
}

void COGLModel::GetBoundingSphere(float& x, float& y, float& z, float& radius) const
{
    double sx = 0.0, sy = 0.0, sz = 0.0;
    size_t count = 0;
    for (const std::unique_ptr<CCOGLTriangleGroup>& group : m_TriangleGroups)
    {
        const CVector3* p = group->GetPositions();
        for (uint32_t v = 0; p && v < group->GetVertexCount(); ++v)
        {
            sx += p[v].x;
            sy += p[v].y;
            sz += p[v].z;
        }
        count += p ? group->GetVertexCount() : 0;
    }
    x = y = z = radius = 0.0f;
    if (count == 0)
        return;
    const CVector3 centre(static_cast<float>(sx / count), static_cast<float>(sy / count),
                          static_cast<float>(sz / count));
    float largest = 0.0f;
    for (const std::unique_ptr<CCOGLTriangleGroup>& group : m_TriangleGroups)
    {
        const CVector3* p = group->GetPositions();
        for (uint32_t v = 0; p && v < group->GetVertexCount(); ++v)
            largest = std::max(largest, (p[v] - centre).LengthSquared());
    }
    x = centre.x;
    y = centre.y;
    z = centre.z;
    radius = std::sqrt(largest);
}

void COGLModel::GetBoundingBox(float& minX, float& minY, float& minZ, float& maxX, float& maxY,
                               float& maxZ) const
{
    bool first = true;
    CVector3 lo, hi;
    for (const std::unique_ptr<CCOGLTriangleGroup>& group : m_TriangleGroups)
    {
        const CVector3* p = group->GetPositions();
        for (uint32_t v = 0; p && v < group->GetVertexCount(); ++v)
        {
            if (first)
            {
                lo = hi = p[v];
                first = false;
                continue;
            }
            for (int i = 0; i < 3; ++i)
            {
                lo[i] = std::min(lo[i], p[v][i]);
                hi[i] = std::max(hi[i], p[v][i]);
            }
        }
    }
    minX = lo.x;
    minY = lo.y;
    minZ = lo.z;
    maxX = hi.x;
    maxY = hi.y;
    maxZ = hi.z;
}

namespace
{

// Moller-Trumbore against both faces. True with d and the barycentric
// weights (u, w) scaled by det when the ray's line crosses the triangle.
bool RayTriangle(const CVector3& start, const CVector3& dir, const CVector3& a, const CVector3& b,
                 const CVector3& c, float& d, CVector3& point)
{
    const CVector3 e1 = b - a;
    const CVector3 e2 = c - a;
    const CVector3 p = dir.Cross(e2);
    float det = p.Dot(e1);
    if (det > -0.0001f && det < 0.0001f)
        return false;
    CVector3 t;
    if (det > 0.0f)
        t = start - a;
    else
    {
        t = a - start;
        det = -det;
    }
    const float u = p.Dot(t);
    if (u < 0.0f || u > det)
        return false;
    const CVector3 q = t.Cross(e1);
    const float w = q.Dot(dir);
    if (w < 0.0f || u + w > det)
        return false;
    d = q.Dot(e2) / det;
    point = a + e1 * (u / det) + e2 * (w / det);
    return true;
}

} // namespace

bool COGLModel::RayIntersection(const CVector3& position, const CVector3& rotation, const CVector3& start,
                                const CVector3& direction, CVector3& hit, float& distance) const
{
    distance = 1e22f;
    // The inverse of the model's rotation is its transpose. (Rotating by the
    // negated Euler angles is not: the axes would be undone in the wrong order.)
    CMatrix4 toLocal;
    toLocal.SetRotation(rotation);
    toLocal.Transpose();
    CVector3 localStart, localDir;
    toLocal.TransformVector(localStart, start - position);
    toLocal.TransformVector(localDir, direction);

    bool any = false;
    CVector3 localHit;
    for (const std::unique_ptr<CCOGLTriangleGroup>& group : m_TriangleGroups)
    {
        const uint32_t* idx = group->GetIndices();
        const CVector3* p = group->GetPositions();
        if (!idx || !p)
            continue;
        const uint32_t vertices = group->GetVertexCount();
        for (uint32_t k = 0; k + 2 < group->GetIndexCount(); k += 3)
        {
            // A corrupt index skips its triangle instead of reading past the array.
            if (idx[k] >= vertices || idx[k + 1] >= vertices || idx[k + 2] >= vertices)
                continue;
            float d;
            CVector3 point;
            if (RayTriangle(localStart, localDir, p[idx[k]], p[idx[k + 1]], p[idx[k + 2]], d, point) &&
                d < distance)
            {
                distance = d;
                localHit = point;
                any = true;
            }
        }
    }
    if (any)
    {
        CMatrix4 toWorld;
        toWorld.SetRotation(rotation);
        toWorld.TransformVector(hit, localHit);
        hit += position;
    }
    return any;
}
