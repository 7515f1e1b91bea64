// Scene queries: box overlap and rays.

#include "platform/physx/NxBulletWorld.h"

namespace plat
{

bool QueryAccepts(const btCollisionObject* object, NxShapesType type, NxU32 groupMask)
{
    const NxShape* shape = ShapeOf(object);
    if (!shape)
        return false;
    if (shape->getGroup() >= 32 || !(groupMask & (1u << shape->getGroup())))
        return false;
    const bool dynamic = shape->getActor().isDynamic();
    return (type & (dynamic ? NX_DYNAMIC_SHAPES : NX_STATIC_SHAPES)) != 0;
}

namespace
{

// Stops at the first contact deeper than a touch: boxes that share only a
// face or an edge do not overlap.
struct OverlapCallback : btCollisionWorld::ContactResultCallback
{
    OverlapCallback(NxShapesType type, NxU32 mask) : m_Type(type), m_Mask(mask), m_bFound(false) {}

    bool needsCollision(btBroadphaseProxy* proxy) const override
    {
        return !m_bFound &&
               QueryAccepts(static_cast<const btCollisionObject*>(proxy->m_clientObject), m_Type, m_Mask);
    }
    btScalar addSingleResult(btManifoldPoint& cp, const btCollisionObjectWrapper*, int, int,
                             const btCollisionObjectWrapper*, int, int) override
    {
        if (cp.getDistance() < -kTouch)
            m_bFound = true;
        return 0;
    }

    static constexpr btScalar kTouch = 1e-4f;
    NxShapesType m_Type;
    NxU32 m_Mask;
    bool m_bFound;
};

struct RayCallback : btCollisionWorld::ClosestRayResultCallback
{
    RayCallback(const btVector3& from, const btVector3& to, NxShapesType type, NxU32 mask)
        : ClosestRayResultCallback(from, to), m_Type(type), m_Mask(mask)
    {
    }
    bool needsCollision(btBroadphaseProxy* proxy) const override
    {
        return QueryAccepts(static_cast<const btCollisionObject*>(proxy->m_clientObject), m_Type, m_Mask);
    }
    btScalar addSingleResult(btCollisionWorld::LocalRayResult& r, bool normalInWorldSpace) override
    {
        m_ChildIndex = -1;
        if (r.m_localShapeInfo && r.m_collisionObject->getCollisionShape()->isCompound())
            m_ChildIndex = r.m_localShapeInfo->m_triangleIndex;
        return ClosestRayResultCallback::addSingleResult(r, normalInWorldSpace);
    }

    NxShapesType m_Type;
    NxU32 m_Mask;
    int m_ChildIndex = -1;
};

} // namespace

bool NxScene::checkOverlapAABB(const NxBounds3& b, NxShapesType shapeType, NxU32 activeGroups, const void*)
{
    const NxVec3 half = (b.max - b.min) * 0.5f;
    if (!(half.x > 0 && half.y > 0 && half.z > 0))
        return false;
    btBoxShape box(ToBt(half));
    box.setMargin(0);
    btCollisionObject probe;
    probe.setCollisionShape(&box);
    probe.setWorldTransform(btTransform(btMatrix3x3::getIdentity(), ToBt((b.min + b.max) * 0.5f)));
    OverlapCallback callback(shapeType, activeGroups);
    m_pImpl->m_pWorld->contactTest(&probe, callback);
    return callback.m_bFound;
}

NxShape* NxScene::raycastClosestShape(const NxRay& ray, NxShapesType shapeType, NxRaycastHit& hit,
                                      NxU32 groups, NxReal maxDist)
{
    const NxReal length = std::min(maxDist, 1.0e6f);
    const btVector3 from = ToBt(ray.orig);
    const btVector3 to = ToBt(ray.orig + ray.dir * length);
    RayCallback callback(from, to, shapeType, groups);
    m_pImpl->m_pWorld->rayTest(from, to, callback);
    if (!callback.hasHit())
        return nullptr;
    NxShape* shape = ShapeOf(callback.m_collisionObject);
    NxActor& actor = shape->getActor();
    if (callback.m_ChildIndex >= 0 && static_cast<NxU32>(callback.m_ChildIndex) < actor.getNbShapes())
        shape = actor.getShapes()[callback.m_ChildIndex];
    hit.shape = shape;
    hit.worldImpact = FromBt(callback.m_hitPointWorld);
    hit.worldNormal = FromBt(callback.m_hitNormalWorld.normalized());
    hit.distance = static_cast<NxReal>(callback.m_closestHitFraction) * length;
    return shape;
}

bool NxScene::raycastAnyShape(const NxRay& ray, NxShapesType shapeType, NxU32 groups, NxReal maxDist)
{
    NxRaycastHit hit;
    return raycastClosestShape(ray, shapeType, hit, groups, maxDist) != nullptr;
}

} // namespace plat
