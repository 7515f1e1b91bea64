#pragma once

#include "app/CVector3.h"

// Bounding volumes of models and placed objects (plain values, world or
// model units).

// Axis-aligned box: minimum corner, then maximum corner.
struct SAxisAlignedBox
{
    CVector3 min;
    CVector3 max;
};

// Sphere: centre and radius.
struct SBoundingSphere
{
    CVector3 centre;
    float radius = 0.0f;
};

// Oriented box: an origin corner and three edge vectors; its eight corners
// are the origin plus any subset of the edges.
struct SOrientedBox
{
    CVector3 origin;
    CVector3 edges[3];

    // Corner i (0..7): origin plus edge k for every bit k set in i.
    CVector3 GetCorner(int i) const
    {
        CVector3 c = origin;
        for (int k = 0; k < 3; ++k)
            if (i & (1 << k))
                c += edges[k];
        return c;
    }
};

// The centre stays; the radius is multiplied by the largest of the three
// scale components.
SBoundingSphere ScaleSphere(const SBoundingSphere& sphere, const CVector3& scale);

// The box rotated by the Euler angles (radians, as CMatrix4::SetRotation):
// origin = R * min corner, edges = R * (max.x - min.x, 0, 0),
// R * (0, max.y - min.y, 0) and R * (0, 0, max.z - min.z).
SOrientedBox RotateBox(const SAxisAlignedBox& box, const CVector3& angles);

// The origin moved by offset; the edges unchanged.
SOrientedBox TranslateBox(const SOrientedBox& box, const CVector3& offset);
