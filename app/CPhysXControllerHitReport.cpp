#include "app/CPhysXControllerHitReport.h"

#include "app/CPhysXBody.h"

CPhysXControllerHitReport CPhysXControllerHitReport::s_Instance;

namespace
{

CPhysXBody* BodyOf(const plat::NxActor* actor)
{
    return actor ? static_cast<CPhysXBody*>(actor->userData) : nullptr;
}

void NotifyBoth(CPhysXBody* first, CPhysXBody* second)
{
    if (!first || !second)
        return;
    first->NotifyHit(second);
    second->NotifyHit(first);
}

} // namespace

plat::NxControllerAction CPhysXControllerHitReport::OnShapeHit(const plat::NxControllerShapeHit& hit)
{
    if (hit.controller && hit.shape)
        NotifyBoth(BodyOf(hit.controller->getActor()), BodyOf(&hit.shape->getActor()));
    return plat::NX_ACTION_NONE;
}

plat::NxControllerAction CPhysXControllerHitReport::OnControllerHit(const plat::NxControllersHit& hit)
{
    if (!hit.other || !hit.controller)
        return plat::NX_ACTION_NONE;
    NotifyBoth(BodyOf(hit.controller->getActor()), BodyOf(hit.other->getActor()));
    return plat::NX_ACTION_NONE;
}
