// Actors and shapes: building Bullet objects from descriptors, poses and
// forces.

#include "platform/physx/NxBulletWorld.h"

#include <algorithm>

namespace plat
{

namespace
{

btCollisionShape* MakeConvexShape(const NxShapeDesc& desc, btScalar skin)
{
    switch (desc.getType())
    {
    case NX_SHAPE_BOX:
    {
        const NxVec3& d = static_cast<const NxBoxShapeDesc&>(desc).dimensions;
        btBoxShape* box = new btBoxShape(ToBt(d));
        // The margin lies inside the box; it may not exceed the thinnest side.
        box->setMargin(std::min<btScalar>(skin, std::min(d.x, std::min(d.y, d.z)) * 0.5f));
        return box;
    }
    case NX_SHAPE_SPHERE:
        return new btSphereShape(static_cast<const NxSphereShapeDesc&>(desc).radius);
    case NX_SHAPE_CAPSULE:
    {
        const NxCapsuleShapeDesc& c = static_cast<const NxCapsuleShapeDesc&>(desc);
        return new btCapsuleShape(c.radius, c.height);
    }
    default:
        return nullptr;
    }
}

btScalar Volume(const NxShapeDesc& desc)
{
    switch (desc.getType())
    {
    case NX_SHAPE_BOX:
    {
        const NxVec3& d = static_cast<const NxBoxShapeDesc&>(desc).dimensions;
        return 8 * d.x * d.y * d.z;
    }
    case NX_SHAPE_SPHERE:
    {
        const btScalar r = static_cast<const NxSphereShapeDesc&>(desc).radius;
        return SIMD_PI * 4 / 3 * r * r * r;
    }
    case NX_SHAPE_CAPSULE:
    {
        const NxCapsuleShapeDesc& c = static_cast<const NxCapsuleShapeDesc&>(desc);
        return SIMD_PI * c.radius * c.radius * (c.height + c.radius * 4 / 3);
    }
    default:
        return 0;
    }
}

// Half the thinnest dimension: the CCD sphere must fit inside the body.
btScalar SmallestHalfSize(const NxShapeDesc& desc)
{
    switch (desc.getType())
    {
    case NX_SHAPE_BOX:
    {
        const NxVec3& d = static_cast<const NxBoxShapeDesc&>(desc).dimensions;
        return std::min(d.x, std::min(d.y, d.z));
    }
    case NX_SHAPE_SPHERE:
        return static_cast<const NxSphereShapeDesc&>(desc).radius;
    case NX_SHAPE_CAPSULE:
        return static_cast<const NxCapsuleShapeDesc&>(desc).radius;
    default:
        return 0;
    }
}

void ApplyMaterial(btCollisionObject* object, const NxMaterial& material)
{
    object->setFriction(material.getDynamicFriction());
    object->setRestitution(material.getRestitution());
}

} // namespace

// ---------------------------------------------------------------------- shape

NxShape::~NxShape()
{
    delete m_pObject;
    if (m_pMesh)
        --m_pMesh->m_uiShapes;
    else
        delete m_pShape;
}

void NxShape::setGroup(NxCollisionGroup group)
{
    if (group == m_Group)
        return;
    m_Group = group;
    m_pActor->getScene().impl().Readd(*m_pActor);
}

// ---------------------------------------------------------------------- actor

NxActor::NxActor()
    : userData(nullptr), m_pScene(nullptr), m_uiId(0), m_Group(0), m_pBody(nullptr), m_pCompound(nullptr)
{
    m_BodyOffset.id();
    m_StaticPose.id();
}

NxActor::~NxActor()
{
    delete m_pBody;
    for (NxShape* s : m_Shapes)
        delete s;
    delete m_pCompound;
}

bool NxActor::isKinematic() const
{
    return m_pBody && m_pBody->isKinematicObject();
}

NxMat34 NxActor::getGlobalPose() const
{
    if (!m_pBody)
        return m_StaticPose;
    btTransform offset = ToBt(m_BodyOffset);
    return FromBt(m_pBody->getWorldTransform() * offset.inverse());
}

NxVec3 NxActor::getGlobalPosition() const
{
    return getGlobalPose().t;
}
NxMat33 NxActor::getGlobalOrientation() const
{
    return getGlobalPose().M;
}

void NxActor::setGlobalPose(const NxMat34& pose)
{
    btCollisionWorld& world = *m_pScene->impl().m_pWorld;
    if (!m_pBody)
    {
        m_StaticPose = pose;
        for (NxShape* s : m_Shapes)
        {
            s->m_pObject->setWorldTransform(ToBt(pose * s->m_LocalPose));
            world.updateSingleAabb(s->m_pObject);
        }
        return;
    }
    const btTransform t = ToBt(pose * m_BodyOffset);
    m_pBody->setWorldTransform(t);
    m_pBody->setInterpolationWorldTransform(t);
    m_pBody->activate(true);
    world.updateSingleAabb(m_pBody);
}

void NxActor::setGlobalPosition(const NxVec3& position)
{
    NxMat34 pose = getGlobalPose();
    pose.t = position;
    setGlobalPose(pose);
}

void NxActor::setGlobalOrientation(const NxMat33& rotation)
{
    NxMat34 pose = getGlobalPose();
    pose.M = rotation;
    setGlobalPose(pose);
}

void NxActor::moveGlobalPosition(const NxVec3& position)
{
    if (!isKinematic())
        return;
    NxMat34 pose = getGlobalPose();
    pose.t = position;
    // Only the world transform: Bullet derives the kinematic velocity from
    // the step between the interpolation transform and this one.
    m_pBody->setWorldTransform(ToBt(pose * m_BodyOffset));
    m_pScene->impl().m_pWorld->updateSingleAabb(m_pBody);
}

void NxActor::addForce(const NxVec3& force, NxForceMode mode, bool wakeup)
{
    if (!m_pBody || isKinematic())
        return;
    const btScalar step = m_pScene->impl().m_Desc.maxTimestep;
    const btScalar mass = getMass();
    btVector3 impulse = ToBt(force);
    switch (mode)
    {
    case NX_FORCE: // acts for one fixed step, whatever the frame rate
        impulse *= step;
        break;
    case NX_ACCELERATION:
        impulse *= step * mass;
        break;
    case NX_VELOCITY_CHANGE:
    case NX_SMOOTH_VELOCITY_CHANGE:
        impulse *= mass;
        break;
    default:
        break;
    }
    m_pBody->applyCentralImpulse(impulse);
    if (wakeup)
        m_pBody->activate(true);
}

void NxActor::setLinearVelocity(const NxVec3& v)
{
    if (m_pBody && !isKinematic())
    {
        m_pBody->setLinearVelocity(ToBt(v));
        m_pBody->activate(true);
    }
}

NxVec3 NxActor::getLinearVelocity() const
{
    return m_pBody ? FromBt(m_pBody->getLinearVelocity()) : NxVec3();
}

NxReal NxActor::getMass() const
{
    return (m_pBody && m_pBody->getInvMass() > 0) ? 1.0f / m_pBody->getInvMass() : 0.0f;
}

// ----------------------------------------------------------------- creation

namespace
{

// A static actor: one collision object per shape.
void BuildStatic(NxSceneImpl& s, const NxActorDesc& desc, std::vector<NxShape*>& shapes)
{
    for (NxShape* shape : shapes)
    {
        btCollisionObject* object = new btCollisionObject;
        object->setCollisionShape(shape->m_pShape);
        object->setWorldTransform(ToBt(desc.globalPose * shape->m_LocalPose));
        object->setUserPointer(shape);
        ApplyMaterial(object, s.m_DefaultMaterial);
        shape->m_pObject = object;
    }
}

// A dynamic actor: one body whose origin is the centre of mass: the shape's
// own frame for one shape, else a compound shape's principal frame.
// m_BodyOffset keeps that origin in the actor's frame.
void BuildDynamic(NxSceneImpl& s, const NxActorDesc& desc, std::vector<NxShape*>& shapes,
                  btCompoundShape*& compound, btRigidBody*& body, NxMat34& offset)
{
    const bool kinematic = (desc.body->flags & NX_BF_KINEMATIC) != 0;
    std::vector<btScalar> masses;
    btScalar total = 0;
    btScalar smallest = BT_LARGE_FLOAT;
    for (size_t i = 0; i < shapes.size(); ++i)
    {
        masses.push_back(Volume(*desc.shapes[i]));
        total += masses.back();
        smallest = std::min(smallest, SmallestHalfSize(*desc.shapes[i]));
    }
    const btScalar mass = kinematic ? 0 : (desc.body->mass > 0 ? desc.body->mass : total * desc.density);
    for (btScalar& m : masses)
        m = total > 0 ? m / total * std::max<btScalar>(mass, 1) : 1;

    btCollisionShape* bodyShape = nullptr;
    btVector3 inertia(0, 0, 0);
    if (shapes.size() == 1)
    {
        // One shape: the body sits at the shape's frame (its centre and
        // principal axes), and stays convex, which Bullet's CCD needs.
        bodyShape = shapes.front()->m_pShape;
        offset = shapes.front()->m_LocalPose;
    }
    else
    {
        btCompoundShape probe(false);
        for (NxShape* shape : shapes)
            probe.addChildShape(ToBt(shape->m_LocalPose), shape->m_pShape);
        btTransform principal;
        probe.calculatePrincipalAxisTransform(masses.data(), principal, inertia);
        compound = new btCompoundShape(false, static_cast<int>(shapes.size()));
        for (NxShape* shape : shapes)
            compound->addChildShape(principal.inverse() * ToBt(shape->m_LocalPose), shape->m_pShape);
        offset = FromBt(principal);
        bodyShape = compound;
    }
    if (!kinematic)
        bodyShape->calculateLocalInertia(mass, inertia);
    else
        inertia.setZero();
    btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, bodyShape, inertia);
    info.m_friction = s.m_DefaultMaterial.getDynamicFriction();
    info.m_restitution = s.m_DefaultMaterial.getRestitution();
    info.m_linearDamping = desc.body->linearDamping;
    info.m_angularDamping = desc.body->angularDamping;
    info.m_startWorldTransform = ToBt(desc.globalPose * offset);
    body = new btRigidBody(info);
    body->setUserPointer(shapes.front());
    if (kinematic)
    {
        body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
        body->setActivationState(DISABLE_DEACTIVATION);
        return;
    }
    body->setLinearVelocity(ToBt(desc.body->linearVelocity));
    body->setAngularVelocity(ToBt(desc.body->angularVelocity));
    // The terrain is a hollow surface: small fast bodies must not pass it.
    body->setCcdMotionThreshold(smallest * 0.5f);
    body->setCcdSweptSphereRadius(smallest * 0.8f);
}

} // namespace

NxActor* NxScene::createActor(const NxActorDesc& desc)
{
    if (!desc.isValid())
    {
        m_pSDK->reportError(NXE_INVALID_PARAMETER, "createActor: invalid actor descriptor", __FILE__,
                            __LINE__);
        return nullptr;
    }
    NxSceneImpl& s = *m_pImpl;
    const btScalar skin = s.SkinWidth();
    NxActor* actor = new NxActor;
    actor->m_pScene = this;
    actor->m_uiId = s.m_uiNextId++;
    actor->m_Group = desc.group;
    actor->userData = desc.userData;
    actor->m_StaticPose = desc.globalPose;
    for (const NxShapeDesc* sd : desc.shapes)
    {
        NxShape* shape = new NxShape;
        shape->m_pActor = actor;
        shape->m_Type = sd->getType();
        shape->m_Group = sd->group;
        shape->m_LocalPose = sd->localPose;
        shape->userData = sd->userData;
        if (sd->getType() == NX_SHAPE_MESH)
        {
            shape->m_pMesh = static_cast<const NxTriangleMeshShapeDesc*>(sd)->meshData;
            shape->m_pShape = shape->m_pMesh->impl()->shape.get();
            ++shape->m_pMesh->m_uiShapes;
        }
        else
            shape->m_pShape = MakeConvexShape(*sd, skin);
        actor->m_Shapes.push_back(shape);
    }
    if (desc.body)
    {
        btCompoundShape* compound = nullptr;
        BuildDynamic(s, desc, actor->m_Shapes, compound, actor->m_pBody, actor->m_BodyOffset);
        actor->m_pCompound = compound;
    }
    else
        BuildStatic(s, desc, actor->m_Shapes);
    s.m_Actors.push_back(actor);
    s.AddObjects(*actor);
    return actor;
}

} // namespace plat
