#include "render/BoundingVolumes.h"

#include "app/CMatrix4.h"

#include <algorithm>

SBoundingSphere ScaleSphere(const SBoundingSphere& sphere, const CVector3& scale)
{
    SBoundingSphere out = sphere;
    out.radius = sphere.radius * std::max({scale.x, scale.y, scale.z});
    return out;
}

SOrientedBox RotateBox(const SAxisAlignedBox& box, const CVector3& angles)
{
    CMatrix4 r;
    r.SetRotation(angles);
    SOrientedBox out;
    r.TransformPoint(out.origin, box.min);
    r.TransformPoint(out.edges[0], CVector3(box.max.x - box.min.x, 0.0f, 0.0f));
    r.TransformPoint(out.edges[1], CVector3(0.0f, box.max.y - box.min.y, 0.0f));
    r.TransformPoint(out.edges[2], CVector3(0.0f, 0.0f, box.max.z - box.min.z));
    return out;
}

SOrientedBox TranslateBox(const SOrientedBox& box, const CVector3& offset)
{
    SOrientedBox out = box;
    out.origin += offset;
    return out;
}
