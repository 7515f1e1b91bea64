#include "render/CSceneGraphNode.h"

#include "render/CFrustum.h"

#include <algorithm>
#include <cmath>
#include <new>

CSceneGraphNode::CSceneGraphNode() : m_pParent(nullptr) {}

CSceneGraphNode::~CSceneGraphNode()
{
    // Entries outlive the tree when something else holds them: they must not
    // keep pointing at a deleted node.
    for (CRefPtr<ISceneEntry>& entry : m_Objects)
        if (entry && entry->GetSceneNode() == this)
            entry->SetSceneNode(nullptr);
    m_Objects.clear();
    m_pHook.Release();
    m_pChildren.reset();
}

bool CSceneGraphNode::Build(float x, float z, float sizeX, float sizeZ, float y1, float y2, uint16_t depth,
                            CSceneGraphNode* parent)
{
    const float x2 = x + sizeX, z2 = z + sizeZ;
    m_Box.min = CVector3(std::min(x, x2), std::min(y1, y2), std::min(z, z2));
    m_Box.max = CVector3(std::max(x, x2), std::max(y1, y2), std::max(z, z2));
    const double hx = sizeX * 0.5, hz = sizeZ * 0.5, dy = static_cast<double>(y1) - y2;
    m_Sphere.centre = CVector3(x + sizeX * 0.5f, (y1 + y2) * 0.5f, z + sizeZ * 0.5f);
    m_Sphere.radius = static_cast<float>(std::sqrt(dy * dy * 0.25 + hx * hx + hz * hz));
    m_pParent = parent;
    m_pChildren.reset();
    if (depth < 2)
        return true;

    m_pChildren.reset(new (std::nothrow) CSceneGraphNode[4]);
    if (!m_pChildren)
        return false;
    const float halfX = sizeX * 0.5f, halfZ = sizeZ * 0.5f;
    const uint16_t below = static_cast<uint16_t>(depth - 1);
    bool ok = m_pChildren[0].Build(x, z, halfX, halfZ, y1, y2, below, this);
    ok = m_pChildren[1].Build(x + halfX, z, halfX, halfZ, y1, y2, below, this) && ok;
    ok = m_pChildren[2].Build(x, z + halfZ, halfX, halfZ, y1, y2, below, this) && ok;
    ok = m_pChildren[3].Build(x + halfX, z + halfZ, halfX, halfZ, y1, y2, below, this) && ok;
    return ok;
}

bool CSceneGraphNode::Contains(const SAxisAlignedBox& box, float minX, float maxX, float minZ, float maxZ)
{
    return minX >= box.min.x && maxX <= box.max.x && minZ >= box.min.z && maxZ <= box.max.z;
}

int8_t CSceneGraphNode::Classify(ISceneEntry* entry) const
{
    const SOrientedBox obb = entry->GetBoundingBox();
    float minX = obb.origin.x, maxX = minX, minZ = obb.origin.z, maxZ = minZ;
    for (int i = 1; i < 8; ++i)
    {
        const CVector3 c = obb.GetCorner(i);
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minZ = std::min(minZ, c.z);
        maxZ = std::max(maxZ, c.z);
    }
    // The children's own boxes are the halves: testing against them (rather
    // than against halves worked out again here) means a child never finds
    // outside itself what its parent placed in it, whatever the rounding.
    if (m_pChildren)
        for (int8_t i = 0; i < 4; ++i)
            if (Contains(m_pChildren[i].m_Box, minX, maxX, minZ, maxZ))
                return i;
    if (!m_pParent || Contains(m_Box, minX, maxX, minZ, maxZ))
        return -1;
    return -2;
}

void CSceneGraphNode::Hold(const CRefPtr<ISceneEntry>& entry)
{
    entry->SetSceneNode(this);
    m_Objects.push_back(entry);
}

void CSceneGraphNode::InsertObject(CRefPtr<ISceneEntry> entry)
{
    if (!entry || entry->GetSceneNode())
        return;
    CSceneGraphNode* node = this;
    for (;;)
    {
        const int8_t where = node->Classify(entry.Get());
        if (where == -2 && node->m_pParent)
            node = node->m_pParent;
        else if (where >= 0 && node->m_pChildren)
            node = &node->m_pChildren[where];
        else
            break;
    }
    node->Hold(entry);
}

bool CSceneGraphNode::RemoveObject(CRefPtr<ISceneEntry> entry)
{
    if (!entry)
        return false;
    auto it = std::find(m_Objects.begin(), m_Objects.end(), entry);
    if (it != m_Objects.end())
    {
        if (entry->GetSceneNode() == this)
            entry->SetSceneNode(nullptr);
        m_Objects.erase(it);
        return true;
    }
    if (m_pChildren)
        for (int i = 0; i < 4; ++i)
            if (m_pChildren[i].RemoveObject(entry))
                return true;
    return false;
}

void CSceneGraphNode::UpdateObject(CRefPtr<ISceneEntry> entry)
{
    if (!entry)
        return;
    const int8_t where = Classify(entry.Get());
    CSceneGraphNode* start = nullptr;
    if (where == -2)
        start = m_pParent;
    else if (where >= 0 && m_pChildren)
        start = &m_pChildren[where];
    if (!start || !RemoveObject(entry))
        return;
    start->InsertObject(entry);
}

bool CSceneGraphNode::InView(const CFrustum& frustum, bool& cull) const
{
    if (!cull)
        return true;
    const int inside = frustum.TestSphere(m_Sphere);
    if (inside > 0)
    {
        cull = false;
        return true;
    }
    return inside == 0 && frustum.TestBox(m_Box);
}

void CSceneGraphNode::Render(const CFrustum& frustum, bool cull)
{
    if (!InView(frustum, cull))
        return;
    // A copy: drawing an entry must not be able to pull the vector from
    // under the loop.
    const std::vector<CRefPtr<ISceneEntry>> objects = m_Objects;
    for (const CRefPtr<ISceneEntry>& entry : objects)
        entry->RenderCulled(frustum, cull);
    if (m_pChildren)
        for (int i = 0; i < 4; ++i)
            m_pChildren[i].Render(frustum, cull);
}

void CSceneGraphNode::Pick(const CFrustum& frustum, bool cull, const CVector3& origin,
                           const CVector3& direction, SPickResult& best)
{
    if (!InView(frustum, cull))
        return;
    for (const CRefPtr<ISceneEntry>& entry : m_Objects)
    {
        if (!entry->IsPickable())
            continue;
        const SBoundingSphere sphere = entry->GetBoundingSphere();
        const CVector3 d = sphere.centre - origin;
        const double b = d.Dot(direction);
        const double r = sphere.radius;
        const double disc = r * r - (static_cast<double>(d.LengthSquared()) - b * b);
        // Missed, or the whole sphere lies behind the origin.
        if (!(disc >= 0.0) || b + std::sqrt(disc) < 0.0)
            continue;
        CVector3 hit;
        float distance = 0.0f;
        if (entry->RayIntersection(origin, direction, hit, distance) && distance >= 0.0f &&
            distance < best.distance)
        {
            best.distance = distance;
            best.entry = entry;
            best.point = hit;
        }
    }
    if (m_pChildren)
        for (int i = 0; i < 4; ++i)
            m_pChildren[i].Pick(frustum, cull, origin, direction, best);
}
