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
//
// Most moves walk over walkable ground and meet nothing steep, and for them
// the lift changes nothing but costs two long sweeps. So a controller that
// stood on walkable ground after its last move first tries the move without
// the lift, its horizontal motion laid along the ground's plane; only when
// that side pass meets something steep (a wall or a step) is the move redone
// from the start as above. Every distinct shape touched becomes one queued
// hit record.

#include "platform/physx/NxBulletWorld.h"
#include "platform/physx/NxController.h"
#include "platform/physx/NxControllerImpl.h"

#include <BulletCollision/CollisionShapes/btTriangleShape.h>
#include <BulletCollision/NarrowPhaseCollision/btGjkConvexCast.h>
#include <BulletCollision/NarrowPhaseCollision/btVoronoiSimplexSolver.h>

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
        return o != m_pSelf && QueryAccepts(o, NX_ALL_SHAPES, m_Mask) &&
               ShapeOf(o)->getType() != NX_SHAPE_MESH;
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

// Per triangle of a mesh: the earliest hit that the motion runs into.
struct MeshCast : btTriangleCallback
{
    MeshCast(const btConvexShape& shape, const btTransform& from, const btTransform& to, btScalar limit)
        : m_Shape(shape), m_From(from), m_To(to), m_Dir((to.getOrigin() - from.getOrigin()).normalized()),
          fraction(limit)
    {
    }
    // Collects the triangles whose plane the shape reaches during the
    // motion, with the earliest fraction at which it can touch them.
    void processTriangle(btVector3* tri, int, int) override
    {
        btVector3 n = (tri[1] - tri[0]).cross(tri[2] - tri[0]);
        if (n.length2() < 1e-12f)
            return;
        n.normalize();
        // Signed distances of the shape's nearest and farthest points from
        // the plane, at the start and the end.
        const btMatrix3x3& basis = m_From.getBasis();
        const btVector3 near = basis * m_Shape.localGetSupportingVertex(-(n * basis));
        const btVector3 far = basis * m_Shape.localGetSupportingVertex(n * basis);
        const btScalar plane = n.dot(tri[0]);
        const btScalar lo0 = n.dot(m_From.getOrigin() + near) - plane;
        const btScalar lo1 = n.dot(m_To.getOrigin() + near) - plane;
        const btScalar hi0 = n.dot(m_From.getOrigin() + far) - plane;
        const btScalar hi1 = n.dot(m_To.getOrigin() + far) - plane;
        if ((lo0 > 0 && lo1 > 0) || (hi0 < 0 && hi1 < 0))
            return;
        btScalar earliest = 0;
        if (lo0 > 0)
            earliest = lo0 / (lo0 - lo1);
        else if (hi0 < 0)
            earliest = hi0 / (hi0 - hi1);
        if (earliest < fraction)
            m_Candidates.push_back({earliest, {tri[0], tri[1], tri[2]}});
    }

    // GJK casts against the candidates, nearest first, until none can be
    // hit sooner than the best hit. The GJK cast never overshoots the
    // contact and gives the contact normal.
    void Resolve()
    {
        std::sort(m_Candidates.begin(), m_Candidates.end(),
                  [](const Candidate& a, const Candidate& b) { return a.earliest < b.earliest; });
        const btTransform still = btTransform::getIdentity();
        for (const Candidate& c : m_Candidates)
        {
            if (c.earliest >= fraction)
                break;
            btTriangleShape triangle(c.corners[0], c.corners[1], c.corners[2]);
            triangle.setMargin(0);
            btVoronoiSimplexSolver simplex;
            btConvexCast::CastResult r;
            r.m_fraction = fraction;
            btGjkConvexCast exact(&m_Shape, &triangle, &simplex);
            if (!exact.calcTimeOfImpact(m_From, m_To, still, still, r) || r.m_fraction >= fraction)
                continue;
            btVector3 hitNormal = r.m_normal;
            if (hitNormal.length2() < 1e-12f)
                continue;
            hitNormal.normalize();
            if (hitNormal.dot(m_Dir) >= -1e-4f)
                continue;
            hit = true;
            fraction = r.m_fraction;
            normal = hitNormal;
            point = r.m_hitPoint;
        }
    }

    struct Candidate
    {
        btScalar earliest;
        btVector3 corners[3];
    };
    std::vector<Candidate> m_Candidates;

    const btConvexShape& m_Shape;
    btTransform m_From, m_To;
    btVector3 m_Dir;
    bool hit = false;
    btScalar fraction;
    btVector3 normal;
    btVector3 point;
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
    NxMoveContext(NxController& c, NxSceneImpl& scene, btConvexShape& shape, const btCollisionObject* self,
                  NxU32 mask)
        : m_Controller(c), m_Scene(scene), m_World(*scene.m_pWorld), m_Shape(shape), m_pSelf(self),
          m_Mask(mask)
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
        if (cb.hasHit())
        {
            h.hit = true;
            h.fraction = cb.m_closestHitFraction;
            h.normal = cb.m_hitNormalWorld.normalized();
            h.point = cb.m_hitPointWorld;
            h.object = cb.m_hitCollisionObject;
        }
        for (btCollisionObject* mesh : m_Scene.m_MeshObjects)
            if (QueryAccepts(mesh, NX_ALL_SHAPES, m_Mask))
                SweepMesh(*mesh, from, delta, h);
        if (!h.hit)
            return h;
        Touch(h.object, h.point, h.normal, delta);
        return h;
    }

    // The sweep against one triangle mesh, triangle by triangle (cheaper
    // than Bullet's general convex cast, which also handles rotation).
    void SweepMesh(btCollisionObject& object, const btVector3& from, const btVector3& delta, SweepHit& best)
    {
        btVector3 lo, hi, lo2, hi2;
        m_Shape.getAabb(btTransform(btMatrix3x3::getIdentity(), from), lo, hi);
        m_Shape.getAabb(btTransform(btMatrix3x3::getIdentity(), from + delta), lo2, hi2);
        lo.setMin(lo2);
        hi.setMax(hi2);
        const btBroadphaseProxy* proxy = object.getBroadphaseHandle();
        if (!proxy || !TestAabbAgainstAabb2(lo, hi, proxy->m_aabbMin, proxy->m_aabbMax))
            return;
        btBvhTriangleMeshShape* mesh = static_cast<btBvhTriangleMeshShape*>(object.getCollisionShape());
        const btTransform toLocal = object.getWorldTransform().inverse();
        const btTransform fromL = toLocal * btTransform(btMatrix3x3::getIdentity(), from);
        const btTransform toL = toLocal * btTransform(btMatrix3x3::getIdentity(), from + delta);
        btVector3 boxMin, boxMax;
        m_Shape.getAabb(btTransform(fromL.getBasis()), boxMin, boxMax);
        MeshCast cast(m_Shape, fromL, toL, best.hit ? best.fraction : btScalar(1));
        mesh->performConvexcast(&cast, fromL.getOrigin(), toL.getOrigin(), boxMin, boxMax);
        cast.Resolve();
        if (!cast.hit)
            return;
        const btMatrix3x3& basis = object.getWorldTransform().getBasis();
        best.hit = true;
        best.fraction = cast.fraction;
        best.normal = (basis * cast.normal).normalized();
        best.point = object.getWorldTransform() * cast.point;
        best.object = &object;
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
    NxSceneImpl& m_Scene;
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
    bool steepClimb = false;         // landed on a steep slope the step lifted it onto
    bool needsStep = false;          // the side pass met something steep
    btVector3 groundNormal{0, 1, 0}; // of the walkable landing
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
    bool abortOnSteep;
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
        remaining *= (1 - h.fraction);
        btVector3 n = h.normal;
        if (n.dot(kUp) < in.slopeLimit)
        {
            if (in.abortOnSteep)
            {
                r.needsStep = true;
                return;
            }
            r.flags |= NXCC_COLLISION_SIDES;
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
            r.groundNormal = h.normal.dot(kUp) >= in.slopeLimit ? h.normal : kUp;
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
    if (r.needsStep)
        return r;
    ComeDown(ctx, in, std::max<btScalar>(0, lifted - rise), r);
    return r;
}

} // namespace

NxU32 NxController::move(const NxVec3& disp, NxU32 activeGroups, NxF32 minDist, NxU32& collisionFlags, NxF32,
                         const void*)
{
    NxSceneImpl& scene = m_pScene->impl();
    NxMoveContext ctx(*this, scene, *m_pImpl->sweepShape, NxSceneImpl::BodyOf(*m_pActor), activeGroups);

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
    const bool sideways = in.side.length() >= in.minDist;
    in.step = sideways ? m_StepOffset : 0;
    in.abortOnSteep = false;

    PassResult r;
    r.pos = start;
    if (disp.magnitudeSquared() > 0)
    {
        bool done = false;
        Impl& me = *m_pImpl;
        if (sideways && me.grounded && in.vertical <= 0 && m_StepOffset > 0)
        {
            PassInput flat = in;
            flat.step = 0;
            flat.abortOnSteep = true;
            const btVector3& n = me.groundNormal;
            flat.side = in.side - kUp * (in.side.dot(n) / n.y());
            r = RunPass(ctx, flat);
            done = !r.needsStep;
        }
        if (!done)
        {
            r = RunPass(ctx, in);
            if (r.steepClimb)
            {
                in.step = 0;
                r = RunPass(ctx, in);
            }
        }
        me.grounded = (r.flags & NXCC_COLLISION_DOWN) != 0;
        me.groundNormal = r.groundNormal;
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
