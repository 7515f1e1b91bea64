#pragma once

#include "render/CFrustum.h"
#include "render/ISceneEntry.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace scenetest
{

// An axis-aligned box entry: its world sphere encloses the box, its ray test
// is the box's slab test. Counts ray tests and draws.
class BoxEntry : public ISceneEntry
{
public:
    BoxEntry(const CVector3& min, const CVector3& max, std::string name = "") : m_Name(std::move(name))
    {
        m_Box.min = min;
        m_Box.max = max;
    }

    // Moves the box and tells the graph, as a representation does.
    void MoveTo(const CVector3& min, const CVector3& max)
    {
        m_Box.min = min;
        m_Box.max = max;
        OnMoved();
    }

    SBoundingSphere GetBoundingSphere() override
    {
        SBoundingSphere s;
        s.centre = (m_Box.min + m_Box.max) * 0.5f;
        s.radius = (m_Box.max - m_Box.min).Length() * 0.5f;
        return s;
    }
    SOrientedBox GetBoundingBox() override
    {
        SOrientedBox b;
        b.origin = m_Box.min;
        const CVector3 e = m_Box.max - m_Box.min;
        b.edges[0] = CVector3(e.x, 0, 0);
        b.edges[1] = CVector3(0, e.y, 0);
        b.edges[2] = CVector3(0, 0, e.z);
        return b;
    }
    CMatrix4 GetWorldMatrix() override
    {
        CMatrix4 m;
        m.SetTranslation(m_Box.min);
        return m;
    }
    bool RayIntersection(const CVector3& o, const CVector3& d, CVector3& hit, float& distance) override
    {
        ++m_iRayTests;
        if (m_bForceHit)
        {
            hit = o + d * m_fForcedDistance;
            distance = m_fForcedDistance;
            return true;
        }
        double t0 = -1e30, t1 = 1e30;
        for (int i = 0; i < 3; ++i)
        {
            if (d[i] == 0.0f)
            {
                if (o[i] < m_Box.min[i] || o[i] > m_Box.max[i])
                    return false;
                continue;
            }
            double a = (m_Box.min[i] - o[i]) / d[i], b = (m_Box.max[i] - o[i]) / d[i];
            if (a > b)
                std::swap(a, b);
            t0 = std::max(t0, a);
            t1 = std::min(t1, b);
        }
        if (t0 > t1 || t1 < 0.0)
            return false;
        distance = static_cast<float>(t0 < 0.0 ? 0.0 : t0);
        hit = o + d * distance;
        return true;
    }
    void Render(const CFrustum&, bool cull) override
    {
        ++m_iRenders;
        m_bLastCull = cull;
        if (m_OnRender)
            m_OnRender();
    }

    // Reports a hit at this distance whatever the ray.
    void ForceHit(float distance)
    {
        m_bForceHit = true;
        m_fForcedDistance = distance;
    }

    std::string m_Name;
    SAxisAlignedBox m_Box;
    int m_iRayTests = 0;
    int m_iRenders = 0;
    bool m_bLastCull = false;
    bool m_bForceHit = false;
    float m_fForcedDistance = 0.0f;
    std::function<void()> m_OnRender;
};

// A flat box [x0, x1] by [z0, z1] on the ground, 0..10 high.
inline CRefPtr<BoxEntry> Flat(float x0, float x1, float z0, float z1, const char* name = "")
{
    return CRefPtr<BoxEntry>(new BoxEntry(CVector3(x0, 0, z0), CVector3(x1, 10, z1), name));
}

} // namespace scenetest
