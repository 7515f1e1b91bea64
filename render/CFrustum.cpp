#include "render/CFrustum.h"

#include <cmath>

void CFrustum::SetFromMatrix(const CMatrix4& clip)
{
    // Row r of the column-major matrix is (m[r], m[4 + r], m[8 + r], m[12 + r]).
    auto row = [&clip](int r, int c) { return static_cast<double>(clip.m[4 * c + r]); };
    for (int i = 0; i < PLANE_COUNT; ++i)
    {
        const int axis = i / 2;
        const double sign = (i % 2 == 0) ? 1.0 : -1.0;
        double p[4];
        for (int c = 0; c < 4; ++c)
            p[c] = row(3, c) + sign * row(axis, c);
        const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (len > 0.0)
            for (double& v : p)
                v /= len;
        m_Planes[i].a = static_cast<float>(p[0]);
        m_Planes[i].b = static_cast<float>(p[1]);
        m_Planes[i].c = static_cast<float>(p[2]);
        m_Planes[i].d = static_cast<float>(p[3]);
    }
}

int CFrustum::TestSphere(const SBoundingSphere& sphere) const
{
    return TestSphere(sphere.centre, sphere.radius);
}

int CFrustum::TestSphere(const CVector3& centre, float radius) const
{
    for (const SPlane& plane : m_Planes)
    {
        const float dist = plane.Distance(centre);
        if (dist < -radius)
            return -1;
        // A sphere just touching the plane from outside counts as crossing
        // it, not as inside: only the box test may then let it through.
        if (dist < radius)
            return 0;
    }
    return 1;
}

bool CFrustum::TestCorners(const CVector3 corners[8]) const
{
    for (const SPlane& plane : m_Planes)
    {
        int outside = 0;
        for (int i = 0; i < 8; ++i)
            if (plane.Distance(corners[i]) <= 0.0f)
                ++outside;
        if (outside == 8)
            return false;
    }
    return true;
}

bool CFrustum::TestBox(const SAxisAlignedBox& box) const
{
    CVector3 corners[8];
    for (int i = 0; i < 8; ++i)
        corners[i] = CVector3((i & 1) ? box.max.x : box.min.x, (i & 2) ? box.max.y : box.min.y,
                              (i & 4) ? box.max.z : box.min.z);
    return TestCorners(corners);
}

bool CFrustum::TestOrientedBox(const SOrientedBox& box) const
{
    CVector3 corners[8];
    for (int i = 0; i < 8; ++i)
        corners[i] = box.GetCorner(i);
    return TestCorners(corners);
}
