#pragma once

// Inside of the physics layer: the Bullet world behind NxScene and the
// conversions between our types and Bullet's. Included only by the layer's
// own .cpp files.

#include "platform/physx/NxPhysics.h"

#include <btBulletDynamicsCommon.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace plat
{

inline btVector3 ToBt(const NxVec3& v)
{
    return btVector3(v.x, v.y, v.z);
}
inline NxVec3 FromBt(const btVector3& v)
{
    return NxVec3(static_cast<NxReal>(v.x()), static_cast<NxReal>(v.y()), static_cast<NxReal>(v.z()));
}
inline btMatrix3x3 ToBt(const NxMat33& m)
{
    return btMatrix3x3(m.m[0][0], m.m[0][1], m.m[0][2], m.m[1][0], m.m[1][1], m.m[1][2], m.m[2][0], m.m[2][1],
                       m.m[2][2]);
}
inline NxMat33 FromBt(const btMatrix3x3& b)
{
    NxMat33 m;
    for (int r = 0; r < 3; ++r)
        m.setRow(r, FromBt(b.getRow(r)));
    return m;
}
inline btTransform ToBt(const NxMat34& p)
{
    return btTransform(ToBt(p.M), ToBt(p.t));
}
inline NxMat34 FromBt(const btTransform& t)
{
    NxMat34 p;
    p.M = FromBt(t.getBasis());
    p.t = FromBt(t.getOrigin());
    return p;
}

// The shape a collision object stands for: a static shape's own object, or
// the first shape of a dynamic actor's body. Null for objects of no actor
// (query probes).
inline NxShape* ShapeOf(const btCollisionObject* object)
{
    return object ? static_cast<NxShape*>(object->getUserPointer()) : nullptr;
}

// Whether a query with this shape kind and group mask looks at the object.
bool QueryAccepts(const btCollisionObject* object, NxShapesType type, NxU32 groupMask);

struct NxSceneImpl;

// Lets through only pairs whose collision groups may collide, and never two
// static or kinematic objects.
class NxGroupFilter : public btOverlapFilterCallback
{
public:
    explicit NxGroupFilter(const NxSceneImpl& scene) : m_Scene(scene) {}
    bool needBroadphaseCollision(btBroadphaseProxy* proxy0, btBroadphaseProxy* proxy1) const override;

private:
    const NxSceneImpl& m_Scene;
};

// Collects Bullet's wireframe into the scene's debug renderable.
class NxDebugCollector : public btIDebugDraw
{
public:
    explicit NxDebugCollector(NxDebugRenderable& out) : m_Out(out), m_Mode(DBG_DrawWireframe) {}
    void drawLine(const btVector3& from, const btVector3& to, const btVector3& color) override;
    void drawContactPoint(const btVector3& p, const btVector3& normal, btScalar distance, int lifeTime,
                          const btVector3& color) override;
    void reportErrorWarning(const char*) override {}
    void draw3dText(const btVector3&, const char*) override {}
    void setDebugMode(int mode) override { m_Mode = mode; }
    int getDebugMode() const override { return m_Mode; }

private:
    NxDebugRenderable& m_Out;
    int m_Mode;
};

struct NxContactRecord
{
    NxActor* actors[2];
    NxU32 event;
    bool dead;
};

struct NxSceneImpl
{
    NxSceneImpl(NxScene& owner, const NxSceneDesc& desc);
    ~NxSceneImpl();

    bool GroupsCollide(NxCollisionGroup a, NxCollisionGroup b) const
    {
        return a >= NX_NUM_COLLISION_GROUPS || b >= NX_NUM_COLLISION_GROUPS || m_GroupTable[a][b];
    }
    NxU32 PairFlags(NxActorGroup a, NxActorGroup b) const
    {
        return (a < NX_NUM_COLLISION_GROUPS && b < NX_NUM_COLLISION_GROUPS) ? m_PairFlags[a][b] : 0;
    }
    // Takes the actor's objects out of the world and puts them back, so that
    // the broadphase pairs follow a changed group or group table.
    void Readd(NxActor& actor);
    void AddObjects(NxActor& actor);
    void RemoveObjects(NxActor& actor);
    // Drops every tracked and queued contact that names the actor.
    void ForgetActor(NxActor& actor);
    static void TickCallback(btDynamicsWorld* world, btScalar timeStep);
    void CollectTouchingPairs();
    void DeliverReports();
    NxReal SkinWidth() const;
    static const btCollisionObject* BodyOf(const NxActor& actor) { return actor.m_pBody; }

    NxScene& m_Owner;
    NxSceneDesc m_Desc;
    std::unique_ptr<btDefaultCollisionConfiguration> m_pConfig;
    std::unique_ptr<btCollisionDispatcher> m_pDispatcher;
    std::unique_ptr<btDbvtBroadphase> m_pBroadphase;
    std::unique_ptr<btSequentialImpulseConstraintSolver> m_pSolver;
    std::unique_ptr<btDiscreteDynamicsWorld> m_pWorld;
    std::unique_ptr<NxGroupFilter> m_pFilter;
    bool m_GroupTable[NX_NUM_COLLISION_GROUPS][NX_NUM_COLLISION_GROUPS];
    NxU32 m_PairFlags[NX_NUM_COLLISION_GROUPS][NX_NUM_COLLISION_GROUPS];
    NxMaterial m_DefaultMaterial;
    NxUserContactReport* m_pReport;
    std::vector<NxActor*> m_Actors;
    NxU32 m_uiNextId;

    // Pairs (by creation id, lower first) touching in the last update with
    // steps, and those found during the current one.
    typedef std::map<std::pair<NxU32, NxU32>, std::pair<NxActor*, NxActor*>> PairMap;
    PairMap m_Touching;
    PairMap m_Found;
    int m_iStepsTaken;
    std::vector<NxContactRecord> m_Pending;

    NxDebugRenderable m_Debug;
    std::unique_ptr<NxDebugCollector> m_pDebugDraw;
    std::vector<NxActorReleaseListener*> m_Listeners;
    // The collision objects of triangle-mesh shapes, which controller sweeps
    // test on their own (see NxControllerMove.cpp).
    std::vector<btCollisionObject*> m_MeshObjects;
};

struct NxTriangleMesh::Impl
{
    std::vector<NxVec3> vertices;
    std::vector<NxU32> indices;
    NxReal verticalExtent = 0;
    NxU32 verticalAxis = 0xff;
    std::unique_ptr<btTriangleIndexVertexArray> arrays;
    std::unique_ptr<btBvhTriangleMeshShape> shape;
};

} // namespace plat
