// The controller manager: creating and releasing controllers, and the queue
// of hits that updateControllers delivers.

#include "platform/physx/NxController.h"
#include "platform/physx/NxBulletWorld.h"
#include "platform/physx/NxControllerImpl.h"

#include <algorithm>

namespace plat
{

bool NxControllerDesc::isValid() const
{
    return upDirection == NX_Y && slopeLimit >= 0 && slopeLimit <= 1 && skinWidth >= 0 && stepOffset >= 0 &&
           std::isfinite(position.x) && std::isfinite(position.y) && std::isfinite(position.z);
}

bool NxBoxControllerDesc::isValid() const
{
    return NxControllerDesc::isValid() && extents.x > 0 && extents.y > 0 && extents.z > 0;
}

bool NxCapsuleControllerDesc::isValid() const
{
    return NxControllerDesc::isValid() && radius > 0 && height >= 0;
}

NxController::NxController()
    : userData(nullptr), m_pManager(nullptr), m_pScene(nullptr), m_pActor(nullptr), m_Type(NX_CONTROLLER_BOX),
      m_Radius(0), m_Height(0), m_SlopeLimit(0), m_SkinWidth(0), m_StepOffset(0), m_pCallback(nullptr),
      m_bNeedsDepenetration(true), m_pImpl(new Impl)
{
}

NxController::~NxController() {}

bool NxController::setPosition(const NxExtendedVec3& position)
{
    m_Position = position;
    m_pActor->setGlobalPosition(NxVec3(static_cast<NxReal>(position.x), static_cast<NxReal>(position.y),
                                       static_cast<NxReal>(position.z)));
    m_bNeedsDepenetration = true;
    return true;
}

// ------------------------------------------------------------------- manager

ControllerManager::ControllerManager() : m_bDelivering(false) {}

ControllerManager::~ControllerManager()
{
    purgeControllers();
}

NxController* ControllerManager::createController(NxScene* scene, const NxControllerDesc& desc)
{
    if (!scene || !desc.isValid())
        return nullptr;
    NxBodyDesc body;
    body.flags = NX_BF_KINEMATIC;
    NxBoxShapeDesc box;
    NxCapsuleShapeDesc capsule;
    NxActorDesc actorDesc;
    actorDesc.body = &body;
    actorDesc.globalPose.t.set(static_cast<NxReal>(desc.position.x), static_cast<NxReal>(desc.position.y),
                               static_cast<NxReal>(desc.position.z));
    NxController* c = new NxController;
    if (desc.getType() == NX_CONTROLLER_BOX)
    {
        const NxBoxControllerDesc& d = static_cast<const NxBoxControllerDesc&>(desc);
        box.dimensions = d.extents;
        actorDesc.shapes.push_back(&box);
        c->m_HalfExtents = d.extents;
        const NxVec3 inflated = d.extents + NxVec3(desc.skinWidth, desc.skinWidth, desc.skinWidth);
        btBoxShape* sweep = new btBoxShape(ToBt(inflated));
        sweep->setMargin(
            std::min<btScalar>(0.01f, std::min(inflated.x, std::min(inflated.y, inflated.z)) * 0.5f));
        c->m_pImpl->sweepShape.reset(sweep);
    }
    else
    {
        const NxCapsuleControllerDesc& d = static_cast<const NxCapsuleControllerDesc&>(desc);
        capsule.radius = d.radius;
        capsule.height = d.height;
        actorDesc.shapes.push_back(&capsule);
        c->m_Radius = d.radius;
        c->m_Height = d.height;
        c->m_HalfExtents.set(d.radius, d.radius + d.height * 0.5f, d.radius);
        c->m_pImpl->sweepShape.reset(new btCapsuleShape(d.radius + desc.skinWidth, d.height));
    }
    c->m_pActor = scene->createActor(actorDesc);
    if (!c->m_pActor)
    {
        delete c;
        return nullptr;
    }
    c->m_pManager = this;
    c->m_pScene = scene;
    c->m_Type = desc.getType();
    c->m_Position = desc.position;
    c->m_SlopeLimit = desc.slopeLimit;
    c->m_SkinWidth = desc.skinWidth;
    c->m_StepOffset = desc.stepOffset;
    c->m_pCallback = desc.callback;
    c->userData = desc.userData;
    if (std::find(m_Scenes.begin(), m_Scenes.end(), scene) == m_Scenes.end())
    {
        m_Scenes.push_back(scene);
        scene->addReleaseListener(this);
    }
    m_Controllers.push_back(c);
    return c;
}

void ControllerManager::releaseController(NxController& controller)
{
    auto it = std::find(m_Controllers.begin(), m_Controllers.end(), &controller);
    if (it == m_Controllers.end())
        return;
    m_Controllers.erase(it);
    for (HitRecord& r : m_Hits)
        if (r.controller == &controller || r.other == &controller)
            r.dead = true;
    NxScene* scene = controller.m_pScene;
    // The actor's release tells us again; the controller is no longer listed.
    scene->releaseActor(*controller.m_pActor);
    delete &controller;
    Detach(scene);
}

void ControllerManager::purgeControllers()
{
    while (!m_Controllers.empty())
        releaseController(*m_Controllers.back());
    for (NxScene* s : m_Scenes)
        s->removeReleaseListener(this);
    m_Scenes.clear();
    if (!m_bDelivering)
        m_Hits.clear();
}

// Stops listening to a scene that has no controller of ours left.
void ControllerManager::Detach(NxScene* scene)
{
    for (NxController* c : m_Controllers)
        if (c->m_pScene == scene)
            return;
    scene->removeReleaseListener(this);
    m_Scenes.erase(std::remove(m_Scenes.begin(), m_Scenes.end(), scene), m_Scenes.end());
}

NxController* ControllerManager::ControllerOfActor(const NxActor* actor) const
{
    for (NxController* c : m_Controllers)
        if (c->m_pActor == actor)
            return c;
    return nullptr;
}

void ControllerManager::OnActorReleased(NxActor& actor)
{
    for (HitRecord& r : m_Hits)
        if (!r.dead && ((r.shape && &r.shape->getActor() == &actor) || r.controller->m_pActor == &actor ||
                        (r.other && r.other->m_pActor == &actor)))
            r.dead = true;
    // The scene is taking a controller's own actor away (scene release):
    // the controller goes with it.
    if (NxController* c = ControllerOfActor(&actor))
    {
        m_Controllers.erase(std::find(m_Controllers.begin(), m_Controllers.end(), c));
        delete c;
    }
}

void ControllerManager::OnSceneReleased(NxScene& scene)
{
    m_Scenes.erase(std::remove(m_Scenes.begin(), m_Scenes.end(), &scene), m_Scenes.end());
}

NxU32 ControllerManager::getNbQueuedHits() const
{
    return static_cast<NxU32>(
        std::count_if(m_Hits.begin(), m_Hits.end(), [](const HitRecord& r) { return !r.dead; }));
}

void ControllerManager::updateControllers()
{
    if (m_bDelivering)
        return;
    m_bDelivering = true;
    // Index loop: a callback may move a controller (appending records) or
    // release one (marking records dead).
    const size_t queued = m_Hits.size();
    for (size_t i = 0; i < queued; ++i)
    {
        if (m_Hits[i].dead)
            continue;
        const HitRecord r = m_Hits[i];
        NxUserControllerHitReport* report = r.controller->m_pCallback;
        if (!report)
            continue;
        if (r.other)
        {
            NxControllersHit hit;
            hit.controller = r.controller;
            hit.other = r.other;
            report->OnControllerHit(hit);
        }
        else
            report->OnShapeHit(r.shapeHit);
    }
    // Records queued by moves inside the callbacks wait for the next update.
    m_Hits.erase(m_Hits.begin(), m_Hits.begin() + static_cast<std::ptrdiff_t>(queued));
    m_bDelivering = false;
    for (NxController* c : m_Controllers)
        c->m_pActor->moveGlobalPosition(NxVec3(static_cast<NxReal>(c->m_Position.x),
                                               static_cast<NxReal>(c->m_Position.y),
                                               static_cast<NxReal>(c->m_Position.z)));
}

} // namespace plat
