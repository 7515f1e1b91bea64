// The scene over a Bullet dynamics world: group filtering, stepping and the
// contact reports.

#include "platform/physx/NxBulletWorld.h"

#include <algorithm>

namespace plat
{

bool NxGroupFilter::needBroadphaseCollision(btBroadphaseProxy* proxy0, btBroadphaseProxy* proxy1) const
{
    const btCollisionObject* a = static_cast<const btCollisionObject*>(proxy0->m_clientObject);
    const btCollisionObject* b = static_cast<const btCollisionObject*>(proxy1->m_clientObject);
    if (a->isStaticOrKinematicObject() && b->isStaticOrKinematicObject())
        return false;
    const NxShape* sa = ShapeOf(a);
    const NxShape* sb = ShapeOf(b);
    if (sa && sb)
    {
        if (&sa->getActor() == &sb->getActor())
            return false;
        return m_Scene.GroupsCollide(sa->getGroup(), sb->getGroup());
    }
    // Objects of no actor (Bullet's own probes): the usual group/mask test.
    return (proxy0->m_collisionFilterGroup & proxy1->m_collisionFilterMask) != 0 &&
           (proxy1->m_collisionFilterGroup & proxy0->m_collisionFilterMask) != 0;
}

namespace
{
NxU32 PackColor(const btVector3& c)
{
    auto channel = [](btScalar v)
    { return static_cast<NxU32>(std::min<btScalar>(std::max<btScalar>(v, 0), 1) * 255); };
    return (channel(c.x()) << 16) | (channel(c.y()) << 8) | channel(c.z());
}
} // namespace

void NxDebugCollector::drawLine(const btVector3& from, const btVector3& to, const btVector3& color)
{
    m_Out.lines.push_back({FromBt(from), FromBt(to), PackColor(color)});
}

void NxDebugCollector::drawContactPoint(const btVector3& p, const btVector3&, btScalar, int,
                                        const btVector3& color)
{
    m_Out.points.push_back({FromBt(p), PackColor(color)});
}

// ------------------------------------------------------- solid height fields

namespace
{

// The triangle's normal, pointing up the vertical axis.
btVector3 UpwardNormal(const NxTriangleMesh::Impl& mesh, int triangle)
{
    const NxU32* t = &mesh.indices[static_cast<size_t>(triangle) * 3];
    const btVector3 a = ToBt(mesh.vertices[t[0]]), b = ToBt(mesh.vertices[t[1]]),
                    c = ToBt(mesh.vertices[t[2]]);
    btVector3 n = (b - a).cross(c - a);
    if (n.length2() < 1e-12f)
        return btVector3(0, 1, 0);
    n.normalize();
    return n.y() < 0 ? -n : n;
}

const NxTriangleMesh::Impl* HeightField(const btCollisionObject* object)
{
    const NxShape* shape = ShapeOf(object);
    if (!shape || shape->getType() != NX_SHAPE_MESH || !shape->m_pMesh)
        return nullptr;
    const NxTriangleMesh::Impl* mesh = shape->m_pMesh->impl();
    return (mesh->verticalAxis == NX_Y && mesh->verticalExtent < 0) ? mesh : nullptr;
}

// A cooked height field is solid below its surface, but Bullet's triangle
// mesh is a hollow sheet: a body pushed partly through it would be pushed on
// down. A contact with a height-field mesh that would push the body down is
// rebuilt along the triangle's upward normal, from the body's lowest point
// in that direction to the triangle's plane, so that the solver pushes the
// body up and out.
bool HeightFieldContact(btManifoldPoint& cp, const btCollisionObjectWrapper* w0, int, int index0,
                        const btCollisionObjectWrapper* w1, int, int index1)
{
    const NxTriangleMesh::Impl* mesh = HeightField(w1->getCollisionObject());
    const bool meshIsB = mesh != nullptr;
    if (!mesh)
        mesh = HeightField(w0->getCollisionObject());
    const int index = meshIsB ? index1 : index0;
    if (!mesh || index < 0 || static_cast<size_t>(index) * 3 + 2 >= mesh->indices.size())
        return false;
    const btCollisionObjectWrapper* meshWrap = meshIsB ? w1 : w0;
    const btCollisionObjectWrapper* bodyWrap = meshIsB ? w0 : w1;
    if (!bodyWrap->getCollisionShape()->isConvex())
        return false;
    const btConvexShape* body = static_cast<const btConvexShape*>(bodyWrap->getCollisionShape());
    const btVector3 up = meshWrap->getWorldTransform().getBasis() * UpwardNormal(*mesh, index);
    // Contacts that already push the body upwards are left as Bullet made them.
    const btVector3 push = meshIsB ? cp.m_normalWorldOnB : -cp.m_normalWorldOnB;
    if (push.dot(up) > 0)
        return false;
    const btTransform& bodyT = bodyWrap->getWorldTransform();
    const btVector3 lowest = bodyT * body->localGetSupportingVertex(-up * bodyT.getBasis());
    const btVector3 onPlane = meshIsB ? cp.m_positionWorldOnB : cp.m_positionWorldOnA;
    const btScalar depth = (lowest - onPlane).dot(up); // below the plane: negative
    const btVector3 foot = lowest - up * depth;        // the lowest point moved onto the plane
    const btTransform& meshObjT = meshWrap->getCollisionObject()->getWorldTransform();
    const btTransform& bodyObjT = bodyWrap->getCollisionObject()->getWorldTransform();
    if (meshIsB)
    {
        cp.m_positionWorldOnA = lowest;
        cp.m_positionWorldOnB = foot;
        cp.m_localPointA = bodyObjT.invXform(lowest);
        cp.m_localPointB = meshObjT.invXform(foot);
        cp.m_normalWorldOnB = up;
    }
    else
    {
        cp.m_positionWorldOnA = foot;
        cp.m_positionWorldOnB = lowest;
        cp.m_localPointA = meshObjT.invXform(foot);
        cp.m_localPointB = bodyObjT.invXform(lowest);
        cp.m_normalWorldOnB = -up;
    }
    cp.m_distance1 = depth;
    return false;
}

// Two touching shapes' coefficients are averaged, as the SDK's default
// combine mode does. Bullet's own rule multiplies them, which would turn the
// scene's friction of 0.7 into 0.49 between any two shapes.
btScalar AverageFriction(const btCollisionObject* a, const btCollisionObject* b)
{
    return (a->getFriction() + b->getFriction()) * 0.5f;
}

btScalar AverageRestitution(const btCollisionObject* a, const btCollisionObject* b)
{
    return (a->getRestitution() + b->getRestitution()) * 0.5f;
}

} // namespace

// ---------------------------------------------------------------- scene inside

NxSceneImpl::NxSceneImpl(NxScene& owner, const NxSceneDesc& desc)
    : m_Owner(owner), m_Desc(desc), m_pReport(desc.userContactReport), m_uiNextId(0), m_iStepsTaken(0)
{
    m_pConfig.reset(new btDefaultCollisionConfiguration);
    m_pDispatcher.reset(new btCollisionDispatcher(m_pConfig.get()));
    m_pBroadphase.reset(new btDbvtBroadphase);
    m_pSolver.reset(new btSequentialImpulseConstraintSolver);
    m_pWorld.reset(new btDiscreteDynamicsWorld(m_pDispatcher.get(), m_pBroadphase.get(), m_pSolver.get(),
                                               m_pConfig.get()));
    m_pFilter.reset(new NxGroupFilter(*this));
    m_pBroadphase->getOverlappingPairCache()->setOverlapFilterCallback(m_pFilter.get());
    m_pWorld->setGravity(ToBt(desc.gravity));
    m_pWorld->setInternalTickCallback(&NxSceneImpl::TickCallback, this);
    // Bullet's hooks are process-wide. The contact hook acts only on objects
    // flagged for it; the combine rules are the same for every scene.
    gContactAddedCallback = &HeightFieldContact;
    gCalculateCombinedFrictionCallback = &AverageFriction;
    gCalculateCombinedRestitutionCallback = &AverageRestitution;
    m_pDebugDraw.reset(new NxDebugCollector(m_Debug));
    m_pWorld->setDebugDrawer(m_pDebugDraw.get());
    for (auto& row : m_GroupTable)
        std::fill(std::begin(row), std::end(row), true);
    for (auto& row : m_PairFlags)
        std::fill(std::begin(row), std::end(row), 0u);
}

NxSceneImpl::~NxSceneImpl()
{
    m_pWorld->setDebugDrawer(nullptr);
}

NxReal NxSceneImpl::SkinWidth() const
{
    return m_Owner.getPhysicsSDK().getParameter(NX_SKIN_WIDTH);
}

void NxSceneImpl::AddObjects(NxActor& actor)
{
    if (actor.m_pBody)
    {
        m_pWorld->addRigidBody(actor.m_pBody);
        return;
    }
    for (NxShape* shape : actor.m_Shapes)
    {
        m_pWorld->addCollisionObject(shape->m_pObject, btBroadphaseProxy::StaticFilter,
                                     btBroadphaseProxy::AllFilter ^ btBroadphaseProxy::StaticFilter);
        if (shape->m_Type == NX_SHAPE_MESH)
        {
            m_MeshObjects.push_back(shape->m_pObject);
            if (HeightField(shape->m_pObject))
                shape->m_pObject->setCollisionFlags(shape->m_pObject->getCollisionFlags() |
                                                    btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
        }
    }
}

void NxSceneImpl::RemoveObjects(NxActor& actor)
{
    if (actor.m_pBody)
    {
        m_pWorld->removeRigidBody(actor.m_pBody);
        return;
    }
    for (NxShape* shape : actor.m_Shapes)
    {
        m_pWorld->removeCollisionObject(shape->m_pObject);
        m_MeshObjects.erase(std::remove(m_MeshObjects.begin(), m_MeshObjects.end(), shape->m_pObject),
                            m_MeshObjects.end());
    }
}

void NxSceneImpl::Readd(NxActor& actor)
{
    RemoveObjects(actor);
    AddObjects(actor);
}

void NxSceneImpl::ForgetActor(NxActor& actor)
{
    for (PairMap* map : {&m_Touching, &m_Found})
        for (auto it = map->begin(); it != map->end();)
        {
            if (it->second.first == &actor || it->second.second == &actor)
                it = map->erase(it);
            else
                ++it;
        }
    for (NxContactRecord& r : m_Pending)
        if (r.actors[0] == &actor || r.actors[1] == &actor)
            r.dead = true;
}

void NxSceneImpl::TickCallback(btDynamicsWorld* world, btScalar)
{
    static_cast<NxSceneImpl*>(world->getWorldUserInfo())->CollectTouchingPairs();
}

// Every pair of actors with at least one contact point within the skin
// width after this substep, whose actor groups ask for any report.
void NxSceneImpl::CollectTouchingPairs()
{
    const btScalar touch = SkinWidth();
    const int count = m_pDispatcher->getNumManifolds();
    for (int i = 0; i < count; ++i)
    {
        const btPersistentManifold* m = m_pDispatcher->getManifoldByIndexInternal(i);
        NxShape* s0 = ShapeOf(m->getBody0());
        NxShape* s1 = ShapeOf(m->getBody1());
        if (!s0 || !s1 || &s0->getActor() == &s1->getActor())
            continue;
        NxActor* a = &s0->getActor();
        NxActor* b = &s1->getActor();
        if ((PairFlags(a->getGroup(), b->getGroup()) &
             (NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH | NX_NOTIFY_ON_END_TOUCH)) == 0)
            continue;
        bool touching = false;
        for (int p = 0; p < m->getNumContacts() && !touching; ++p)
            touching = m->getContactPoint(p).getDistance() <= touch;
        if (!touching)
            continue;
        if (b->m_uiId < a->m_uiId)
            std::swap(a, b);
        m_Found[{a->m_uiId, b->m_uiId}] = {a, b};
    }
}

// Turns the pairs found in this update's steps into start and persisting
// reports, and the pairs no longer found into end reports, then calls the
// contact report for each whose actor-group flags ask for it. A release
// from inside a report marks the records that name the actor dead.
void NxSceneImpl::DeliverReports()
{
    m_Pending.clear();
    for (const auto& found : m_Found)
    {
        const NxU32 event = m_Touching.count(found.first) ? NX_NOTIFY_ON_TOUCH : NX_NOTIFY_ON_START_TOUCH;
        m_Pending.push_back({{found.second.first, found.second.second}, event, false});
    }
    for (const auto& old : m_Touching)
        if (!m_Found.count(old.first))
            m_Pending.push_back({{old.second.first, old.second.second}, NX_NOTIFY_ON_END_TOUCH, false});
    m_Touching.swap(m_Found);
    m_Found.clear();

    for (size_t i = 0; i < m_Pending.size(); ++i)
    {
        NxContactRecord r = m_Pending[i];
        if (r.dead || !m_pReport || !(PairFlags(r.actors[0]->getGroup(), r.actors[1]->getGroup()) & r.event))
            continue;
        NxContactPair pair;
        pair.actors[0] = r.actors[0];
        pair.actors[1] = r.actors[1];
        pair.isDeletedActor[0] = pair.isDeletedActor[1] = false;
        m_pReport->OnContactNotify(pair, r.event);
    }
    m_Pending.clear();
}

// ---------------------------------------------------------------------- scene

NxScene::NxScene(NxPhysicsSDK& sdk, const NxSceneDesc& desc)
    : m_pSDK(&sdk), m_pImpl(new NxSceneImpl(*this, desc))
{
}

NxScene::~NxScene()
{
    while (!m_pImpl->m_Actors.empty())
        releaseActor(*m_pImpl->m_Actors.back());
    const std::vector<NxActorReleaseListener*> listeners = m_pImpl->m_Listeners;
    for (NxActorReleaseListener* l : listeners)
        l->OnSceneReleased(*this);
}

void NxScene::setGravity(const NxVec3& g)
{
    m_pImpl->m_Desc.gravity = g;
    m_pImpl->m_pWorld->setGravity(ToBt(g));
    for (NxActor* a : m_pImpl->m_Actors)
        if (a->m_pBody && !a->isKinematic())
            a->m_pBody->setGravity(ToBt(g));
}

void NxScene::getGravity(NxVec3& g) const
{
    g = m_pImpl->m_Desc.gravity;
}

NxMaterial* NxScene::getMaterialFromIndex(NxU16 index)
{
    return index == 0 ? &m_pImpl->m_DefaultMaterial : nullptr;
}

void NxScene::setUserContactReport(NxUserContactReport* report)
{
    m_pImpl->m_pReport = report;
}
NxUserContactReport* NxScene::getUserContactReport() const
{
    return m_pImpl->m_pReport;
}

void NxScene::setActorGroupPairFlags(NxActorGroup g1, NxActorGroup g2, NxU32 flags)
{
    if (g1 >= NX_NUM_COLLISION_GROUPS || g2 >= NX_NUM_COLLISION_GROUPS)
    {
        m_pSDK->reportError(NXE_INVALID_PARAMETER,
                            "setActorGroupPairFlags: only groups 0 to 31 are supported", __FILE__, __LINE__);
        return;
    }
    m_pImpl->m_PairFlags[g1][g2] = m_pImpl->m_PairFlags[g2][g1] = flags;
}

NxU32 NxScene::getActorGroupPairFlags(NxActorGroup g1, NxActorGroup g2) const
{
    return m_pImpl->PairFlags(g1, g2);
}

void NxScene::setGroupCollisionFlag(NxCollisionGroup g1, NxCollisionGroup g2, bool enable)
{
    if (g1 >= NX_NUM_COLLISION_GROUPS || g2 >= NX_NUM_COLLISION_GROUPS)
    {
        m_pSDK->reportError(NXE_INVALID_PARAMETER, "setGroupCollisionFlag: groups are 0 to 31", __FILE__,
                            __LINE__);
        return;
    }
    if (m_pImpl->m_GroupTable[g1][g2] == enable && m_pImpl->m_GroupTable[g2][g1] == enable)
        return;
    m_pImpl->m_GroupTable[g1][g2] = m_pImpl->m_GroupTable[g2][g1] = enable;
    // Pairs already in the broadphase were admitted under the old table.
    for (NxActor* a : m_pImpl->m_Actors)
        m_pImpl->Readd(*a);
}

bool NxScene::getGroupCollisionFlag(NxCollisionGroup g1, NxCollisionGroup g2) const
{
    return m_pImpl->GroupsCollide(g1, g2);
}

NxU32 NxScene::getNbActors() const
{
    return static_cast<NxU32>(m_pImpl->m_Actors.size());
}

void NxScene::releaseActor(NxActor& actor)
{
    auto it = std::find(m_pImpl->m_Actors.begin(), m_pImpl->m_Actors.end(), &actor);
    if (it == m_pImpl->m_Actors.end())
        return;
    // Listeners first: a controller's records go before its actor does.
    const std::vector<NxActorReleaseListener*> listeners = m_pImpl->m_Listeners;
    for (NxActorReleaseListener* l : listeners)
        l->OnActorReleased(actor);
    m_pImpl->m_Actors.erase(std::find(m_pImpl->m_Actors.begin(), m_pImpl->m_Actors.end(), &actor));
    m_pImpl->ForgetActor(actor);
    m_pImpl->RemoveObjects(actor);
    delete &actor;
}

void NxScene::simulate(NxReal elapsedTime)
{
    NxSceneImpl& s = *m_pImpl;
    s.m_Found.clear();
    if (!(elapsedTime > 0) || !std::isfinite(elapsedTime))
    {
        s.m_iStepsTaken = 0;
        return;
    }
    if (s.m_Desc.timeStepMethod == NX_TIMESTEP_FIXED)
        s.m_iStepsTaken =
            s.m_pWorld->stepSimulation(elapsedTime, static_cast<int>(s.m_Desc.maxIter), s.m_Desc.maxTimestep);
    else
        s.m_iStepsTaken = s.m_pWorld->stepSimulation(elapsedTime, 0);
}

bool NxScene::fetchResults(NxSimulationStatus, bool, NxU32* errorState)
{
    NxSceneImpl& s = *m_pImpl;
    if (errorState)
        *errorState = 0;
    if (s.m_iStepsTaken == 0)
        return true;
    s.m_iStepsTaken = 0;
    if (m_pSDK->getParameter(NX_VISUALIZATION_SCALE) > 0)
    {
        s.m_Debug.points.clear();
        s.m_Debug.lines.clear();
        s.m_Debug.triangles.clear();
        s.m_pWorld->debugDrawWorld();
    }
    s.DeliverReports();
    return true;
}

const NxDebugRenderable* NxScene::getDebugRenderable()
{
    return &m_pImpl->m_Debug;
}

void NxScene::addReleaseListener(NxActorReleaseListener* listener)
{
    if (std::find(m_pImpl->m_Listeners.begin(), m_pImpl->m_Listeners.end(), listener) ==
        m_pImpl->m_Listeners.end())
        m_pImpl->m_Listeners.push_back(listener);
}

void NxScene::removeReleaseListener(NxActorReleaseListener* listener)
{
    auto& l = m_pImpl->m_Listeners;
    l.erase(std::remove(l.begin(), l.end(), listener), l.end());
}

} // namespace plat
