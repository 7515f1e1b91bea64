#pragma once

// Stand-ins for the world's tests: a model with a scripted ray test and
// bounds, and representations with a chosen bounding sphere, so terrain
// parts, trees and other objects can be tested without a GL context.

#include "game/CTreeObj.h"
#include "game/IGameObj.h"
#include "game/IRepresentation.h"
#include "render/COGLModel.h"

namespace worldtest
{

// A model that is hit at a fixed distance along any ray (or never), with a
// box from min to max and a sphere around it.
class FakeModel : public COGLModel
{
public:
    FakeModel(const CVector3& min, const CVector3& max, float hitDistance)
        : COGLModel(nullptr, nullptr), m_Min(min), m_Max(max), m_fHitDistance(hitDistance)
    {
    }
    void GetBoundingSphere(float& x, float& y, float& z, float& radius) const override
    {
        const CVector3 c = (m_Min + m_Max) * 0.5f, d = (m_Max - m_Min) * 0.5f;
        x = c.x;
        y = c.y;
        z = c.z;
        radius = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    }
    void GetBoundingBox(float& minX, float& minY, float& minZ, float& maxX, float& maxY,
                        float& maxZ) const override
    {
        minX = m_Min.x, minY = m_Min.y, minZ = m_Min.z;
        maxX = m_Max.x, maxY = m_Max.y, maxZ = m_Max.z;
    }
    bool RayIntersection(const CVector3&, const CVector3&, const CVector3& start, const CVector3& direction,
                         CVector3& hit, float& distance) const override
    {
        if (m_fHitDistance > 1e20f)
            return false;
        distance = m_fHitDistance;
        hit = start + direction * m_fHitDistance;
        return true;
    }

private:
    CVector3 m_Min;
    CVector3 m_Max;
    float m_fHitDistance;
};

// A model representation whose model sphere is (centre, radius) and whose
// model box is the sphere's cube.
class SphereRep : public CModelRep
{
public:
    SphereRep(IGameObj* owner, const CVector3& centre, float radius)
    {
        m_pOwner = owner;
        SBoundingSphere sphere;
        sphere.centre = centre;
        sphere.radius = radius;
        SAxisAlignedBox box;
        box.min = centre - CVector3(radius, radius, radius);
        box.max = centre + CVector3(radius, radius, radius);
        Setup(nullptr, sphere, box);
    }
};

// A tree (no model) with a sphere of the radius around its position.
class SphereTree : public CTreeObj
{
public:
    SphereTree(const CVector3& position, float radius) : CTreeObj(nullptr, "")
    {
        SetPosition(position);
        m_pRepresentation = new SphereRep(this, CVector3(), radius);
    }
};

// Any object with a sphere of the radius around its position.
class SphereObj : public IGameObj
{
public:
    SphereObj(const CVector3& position, float radius) : IGameObj(nullptr, TYPE_BUILDING)
    {
        SetPosition(position);
        m_pRepresentation = new SphereRep(this, CVector3(), radius);
    }

protected:
    void OnUpdate(float) override {}
};

} // namespace worldtest
