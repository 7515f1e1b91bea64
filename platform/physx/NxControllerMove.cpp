// NxController::move: collide and slide on convex sweeps.
//
// A move runs three passes with the controller's shape inflated by the skin
// width, so that the real shape keeps that gap off every surface:
//   up    lift by the requested rise plus the step offset (when moving
//         sideways), stopped by ceilings;
//   side  collide and slide along the horizontal part; walkable slopes are
//         climbed along their plane, steeper ones act as vertical walls;
//   down  come back down by the lift plus the requested fall. Landing on a
//         walkable surface sets "below"; a steeper one is slid down, and if
//         the step had lifted the controller onto it, the move is redone
//         without the step so that the slope blocks like a wall.
// Every distinct shape touched becomes one queued hit record.

#include "platform/physx/NxBulletWorld.h"
#include "platform/physx/NxController.h"
#include "platform/physx/NxControllerImpl.h"

#include <algorithm>

namespace plat
{

namespace
{

const btVector3 kUp(0, 1, 0);
// Distance kept short of a sweep's contact, so the next sweep starts clear.
const btScalar kBackOff = 0.001f;
const int kSideIterations = 10;
const int kDownIterations = 4;
const int kDepenetrationIterations = 4;

struct SweepHit
{
    bool hit = false;
    btScalar fraction = 1;
    btVector3 normal;
    btVector3 point;
    const btCollisionObject* object = nullptr;
};

// Closest hit that the motion runs into; contacts the motion leaves or
// grazes are not hits.
struct SweepCallback : btCollisionWorld::ClosestConvexResultCallback
{
    SweepCallback(const btVector3& from, const btVector3& to, const btCollisionObject* self, NxU32 mask)
        : ClosestConvexResultCallback(from, to), m_pSelf(self), m_Mask(mask), m_Dir((to - from).normalized())
    {
    }
    bool needsCollision(btBroadphaseProxy* proxy) const override
    {
        const btCollisionObject* o = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        return o != m_pSelf && QueryAccepts(o, NX_ALL_SHAPES, m_Mask);
    }
    btScalar addSingleResult(btCollisionWorld::LocalConvexResult& r, bool normalInWorldSpace) override
    {
        const btVector3 n = normalInWorldSpace
                                ? r.m_hitNormalLocal
                                : r.m_hitCollisionObject->getWorldTransform().getBasis() * r.m_hitNormalLocal;
        if (n.dot(m_Dir) >= -1e-4f)
            return m_closestHitFraction;
        return ClosestConvexResultCallback::addSingleResult(r, normalInWorldSpace);
    }

    const btCollisionObject* m_pSelf;
    NxU32 m_Mask;
    btVector3 m_Dir;
};

struct RayCallback : btCollisionWorld::ClosestRayResultCallback
{
    RayCallback(const btVector3& from, const btVector3& to, const btCollisionObject* self, NxU32 mask)
        : ClosestRayResultCallback(from, to), m_pSelf(self), m_Mask(mask)
    {
    }
    bool needsCollision(btBroadphaseProxy* proxy) const override
    {
        const btCollisionObject* o = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        return o != m_pSelf && QueryAccepts(o, NX_ALL_SHAPES, m_Mask);
    }
    const btCollisionObject* m_pSelf;
    NxU32 m_Mask;
};

// Deepest penetration of the probe by static or kinematic shapes.
struct OverlapCallback : btCollisionWorld::ContactResultCallback
{
    OverlapCallback(const btCollisionObject* probe, const btCollisionObject* self, NxU32 mask)
        : m_pProbe(probe), m_pSelf(self), m_Mask(mask), m_Depth(0), m_pObject(nullptr)
    {
    }
    bool needsCollision(btBroadphaseProxy* proxy) const override
    {
        const btCollisionObject* o = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        return o != m_pSelf && o->isStaticOrKinematicObject() && QueryAccepts(o, NX_ALL_SHAPES, m_Mask);
    }
    btScalar addSingleResult(btManifoldPoint& cp, const btCollisionObjectWrapper* w0, int, int,
                             const btCollisionObjectWrapper* w1, int, int) override
    {
        const btScalar depth = -cp.getDistance();
        if (depth <= m_Depth)
            return 0;
        const bool probeIsA = w0->getCollisionObject() == m_pProbe;
        m_Depth = depth;
        m_Normal = probeIsA ? cp.m_normalWorldOnB : -cp.m_normalWorldOnB;
        m_pObject = probeIsA ? w1->getCollisionObject() : w0->getCollisionObject();
        m_Point = cp.getPositionWorldOnB();
        return 0;
    }

    const btCollisionObject* m_pProbe;
    const btCollisionObject* m_pSelf;
    NxU32 m_Mask;
    btScalar m_Depth;
    btVector3 m_Normal;
    btVector3 m_Point;
    const btCollisionObject* m_pObject;
};

} // namespace

// What one move needs: the world, the filter and the shapes touched so far.
class NxMoveContext
{
public:
    NxMoveContext(NxController& c, btCollisionWorld& world, btConvexShape& shape,
                  const btCollisionObject* self, NxU32 mask)
        : m_Controller(c), m_World(world), m_Shape(shape), m_pSelf(self), m_Mask(mask)
    {
    }

    SweepHit Sweep(const btVector3& from, const btVector3& delta)
    {
        SweepHit h;
        if (delta.length2() <= SIMD_EPSILON)
            return h;
        const btTransform a(btMatrix3x3::getIdentity(), from);
        const btTransform b(btMatrix3x3::getIdentity(), from + delta);
        SweepCallback cb(from, from + delta, m_pSelf, m_Mask);
        m_World.convexSweepTest(&m_Shape, a, b, cb);
        if (!cb.hasHit())
            return h;
        h.hit = true;
        h.fraction = cb.m_closestHitFraction;
        h.normal = cb.m_hitNormalWorld.normalized();
        h.point = cb.m_hitPointWorld;
        h.object = cb.m_hitCollisionObject;
        Touch(h.object, h.point, h.normal, delta);
        return h;
    }

    // Walkable by the contact normal, or, for a contact on the rim of a step
    // no higher than rimTop (a capsule landing on a step), by the surface
    // just beyond the contact.
    bool Walkable(const SweepHit& h, const btVector3& centre, btScalar slopeLimit, btScalar rimTop)
    {
        const btScalar up = h.normal.dot(kUp);
        if (up >= slopeLimit)
            return true;
        if (up <= 0 || h.point.y() > rimTop)
            return false;
        btVector3 out = h.point - centre;
        out.setY(0);
        if (out.length2() < 1e-8f)
            return false;
        out.normalize();
        const btVector3 from = h.point + out * 0.02f + kUp * 0.05f;
        const btVector3 to = from - kUp * 0.15f;
        RayCallback ray(from, to, m_pSelf, m_Mask);
        m_World.rayTest(from, to, ray);
        return ray.hasHit() && ray.m_hitNormalWorld.normalized().dot(kUp) >= slopeLimit;
    }

    // Pushes the position out of static and kinematic shapes.
    btVector3 Depenetrate(btVector3 pos)
    {
        btCollisionObject probe;
        probe.setCollisionShape(&m_Shape);
        for (int i = 0; i < kDepenetrationIterations; ++i)
        {
            probe.setWorldTransform(btTransform(btMatrix3x3::getIdentity(), pos));
            OverlapCallback cb(&probe, m_pSelf, m_Mask);
            m_World.contactTest(&probe, cb);
            if (!cb.m_pObject)
                break;
            Touch(cb.m_pObject, cb.m_Point, cb.m_Normal, cb.m_Normal * cb.m_Depth);
            pos += cb.m_Normal * (cb.m_Depth + kBackOff);
        }
        return pos;
    }

    // Queues one hit per distinct shape.
    void Touch(const btCollisionObject* object, const btVector3& point, const btVector3& normal,
               const btVector3& delta)
    {
        NxShape* shape = ShapeOf(object);
        if (!shape || std::find(m_Touched.begin(), m_Touched.end(), shape) != m_Touched.end())
            return;
        m_Touched.push_back(shape);
        NxControllerShapeHit hit;
        hit.controller = &m_Controller;
        hit.shape = shape;
        hit.worldPos.set(point.x(), point.y(), point.z());
        hit.worldNormal = FromBt(normal);
        hit.length = static_cast<NxF32>(delta.length());
        hit.dir = hit.length > 0 ? FromBt(delta / delta.length()) : NxVec3();
        m_Hits.push_back(hit);
    }

    const std::vector<NxControllerShapeHit>& Hits() const { return m_Hits; }

private:
    NxController& m_Controller;
    btCollisionWorld& m_World;
    btConvexShape& m_Shape;
    const btCollisionObject* m_pSelf;
    NxU32 m_Mask;
    std::vector<NxShape*> m_Touched;
    std::vector<NxControllerShapeHit> m_Hits;
};

namespace
{

struct PassResult
{
    btVector3 pos;
    NxU32 flags = 0;
    bool steepClimb = false;
};

struct PassInput
{
    btVector3 start;
    btVector3 side;
    btScalar vertical;
    btScalar step;
    btScalar minDist;
    btScalar slopeLimit;
    btScalar skin;
    btScalar footY; // lowest point of the inflated shape at the start
};

// Moves along delta up to the first hit; returns the hit.
SweepHit Advance(NxMoveContext& ctx, btVector3& pos, const btVector3& delta)
{
    SweepHit h = ctx.Sweep(pos, delta);
    if (!h.hit)
    {
        pos += delta;
        return h;
    }
    const btScalar length = delta.length();
    pos += delta * (std::max<btScalar>(0, h.fraction * length - kBackOff) / length);
    return h;
}

// The side pass: collide and slide along the horizontal motion.
void SlideSideways(NxMoveContext& ctx, const PassInput& in, PassResult& r)
{
    btVector3 remaining = in.side;
    for (int i = 0; i < kSideIterations && remaining.length() >= in.minDist; ++i)
    {
        const SweepHit h = Advance(ctx, r.pos, remaining);
        if (!h.hit)
            break;
        r.flags |= NXCC_COLLISION_SIDES;
        remaining *= (1 - h.fraction);
        btVector3 n = h.normal;
        if (n.dot(kUp) < in.slopeLimit)
        {
            // Too steep to climb: a vertical wall for the purpose of sliding.
            n -= kUp * n.dot(kUp);
            if (n.length2() < 1e-8f)
                break;
            n.normalize();
        }
        remaining -= n * remaining.dot(n);
        if (remaining.dot(in.side) <= 0)
            break;
    }
}

// The down pass. A short extra probe (half the skin) finds ground that the
// controller hovers just above, so standing still still reports "below".
void ComeDown(NxMoveContext& ctx, const PassInput& in, btScalar lift, PassResult& r)
{
    const btScalar fall = lift + std::max<btScalar>(-in.vertical, 0);
    const btScalar extra = in.vertical <= 0 ? in.skin * 0.5f : 0;
    if (fall + extra < in.minDist)
        return;
    btVector3 motion = -kUp * (fall + extra);
    for (int i = 0; i < kDownIterations && motion.length() >= in.minDist; ++i)
    {
        const SweepHit h = ctx.Sweep(r.pos, motion);
        if (!h.hit)
        {
            r.pos += (i == 0) ? -kUp * fall : motion;
            return;
        }
        const btScalar length = motion.length();
        r.pos += motion * (std::max<btScalar>(0, h.fraction * length - kBackOff) / length);
        const btScalar rimTop = in.step > 0 ? in.footY + in.step + kBackOff : -BT_LARGE_FLOAT;
        if (ctx.Walkable(h, r.pos, in.slopeLimit, rimTop))
        {
            r.flags |= NXCC_COLLISION_DOWN;
            return;
        }
        if (in.step > 0 && r.pos.y() > in.start.y() + kBackOff)
        {
            r.steepClimb = true;
            return;
        }
        // Slide down the steep surface with what is left of the motion.
        motion *= (1 - h.fraction);
        motion -= h.normal * motion.dot(h.normal);
    }
}

PassResult RunPass(NxMoveContext& ctx, const PassInput& in)
{
    PassResult r;
    r.pos = in.start;
    const btScalar rise = std::max<btScalar>(in.vertical, 0);
    const btScalar upDist = rise + in.step;
    btScalar lifted = 0;
    if (upDist > 0)
    {
        const btVector3 before = r.pos;
        const SweepHit h = Advance(ctx, r.pos, kUp * upDist);
        lifted = r.pos.y() - before.y();
        if (h.hit && lifted < rise)
            r.flags |= NXCC_COLLISION_UP;
    }
    SlideSideways(ctx, in, r);
    ComeDown(ctx, in, std::max<btScalar>(0, lifted - rise), r);
    return r;
}

} // namespace

NxU32 NxController::move(const NxVec3& disp, NxU32 activeGroups, NxF32 minDist, NxU32& collisionFlags, NxF32,
                         const void*)
{
    NxSceneImpl& scene = m_pScene->impl();
    NxMoveContext ctx(*this, *scene.m_pWorld, *m_pImpl->sweepShape, NxSceneImpl::BodyOf(*m_pActor),
                      activeGroups);

    btVector3 start(static_cast<btScalar>(m_Position.x), static_cast<btScalar>(m_Position.y),
                    static_cast<btScalar>(m_Position.z));
    // After creation or a teleport the controller may start inside something.
    if (m_bNeedsDepenetration)
    {
        start = ctx.Depenetrate(start);
        m_bNeedsDepenetration = false;
    }

    PassInput in;
    in.start = start;
    in.side = btVector3(disp.x, 0, disp.z);
    in.vertical = disp.y;
    in.minDist = std::max<btScalar>(minDist, 1e-5f);
    in.slopeLimit = m_SlopeLimit;
    in.skin = m_SkinWidth;
    in.footY = start.y() - m_HalfExtents.y - m_SkinWidth;
    in.step = in.side.length() >= in.minDist ? m_StepOffset : 0;

    PassResult r;
    r.pos = start;
    if (disp.magnitudeSquared() > 0)
    {
        r = RunPass(ctx, in);
        if (r.steepClimb)
        {
            in.step = 0;
            r = RunPass(ctx, in);
        }
    }
    m_Position.set(r.pos.x(), r.pos.y(), r.pos.z());
    m_pActor->moveGlobalPosition(FromBt(r.pos));
    for (const NxControllerShapeHit& hit : ctx.Hits())
    {
        ControllerManager::HitRecord rec;
        rec.controller = this;
        rec.other = m_pManager->ControllerOfActor(&hit.shape->getActor());
        rec.shape = rec.other ? nullptr : hit.shape;
        rec.shapeHit = hit;
        rec.dead = false;
        m_pManager->QueueHit(rec);
    }
    collisionFlags = r.flags;
    return r.flags;
}

} // namespace plat
