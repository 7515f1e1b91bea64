#pragma once

#include "app/CMatrix4.h"
#include "render/BoundingVolumes.h"

// One clipping plane a*x + b*y + c*z + d = 0; (a, b, c) is a unit normal
// pointing into the frustum, so the distance of a point inside is positive.
struct SPlane
{
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 0.0f;

    float Distance(const CVector3& p) const
    {
        return static_cast<float>(static_cast<double>(a) * p.x + static_cast<double>(b) * p.y +
                                  static_cast<double>(c) * p.z + d);
    }
};

// The six planes of a view volume in world space, in the order left, right,
// bottom, top, near, far. A default frustum (all planes zero) contains
// nothing: every box test fails.
class CFrustum
{
public:
    enum EPlane
    {
        PLANE_LEFT,
        PLANE_RIGHT,
        PLANE_BOTTOM,
        PLANE_TOP,
        PLANE_NEAR,
        PLANE_FAR,
        PLANE_COUNT
    };

    CFrustum() {}

    // The planes of clip = projection x view (column-major): with r0..r3 its
    // rows, left = r3 + r0, right = r3 - r0, bottom = r3 + r1, top = r3 - r1,
    // near = r3 + r2, far = r3 - r2, each divided by the length of its
    // normal (a plane whose normal has length 0 is kept as it is).
    void SetFromMatrix(const CMatrix4& clip);

    // 1 completely inside, 0 intersecting, -1 completely outside. The planes
    // are looked at in order and the first one the sphere reaches decides:
    // outside one plane gives -1, crossing or touching one gives 0 without
    // looking further (so a sphere crossing the left plane but lying behind
    // the far plane says 0; a box test then settles it).
    int TestSphere(const SBoundingSphere& sphere) const;
    int TestSphere(const CVector3& centre, float radius) const;
    // False when all eight corners lie on the outer side of (or on) one
    // plane; true otherwise. Conservative: may say true for a box outside.
    bool TestBox(const SAxisAlignedBox& box) const;
    bool TestOrientedBox(const SOrientedBox& box) const;

    const SPlane& GetPlane(int i) const { return m_Planes[i]; }
    void SetPlane(int i, const SPlane& plane) { m_Planes[i] = plane; }

private:
    bool TestCorners(const CVector3 corners[8]) const;

    SPlane m_Planes[PLANE_COUNT];
};
