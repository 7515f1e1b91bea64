#pragma once

#include "platform/physx/NxController.h"

// Turns a controller's hit on a shape or on another controller into a pair
// of CPhysXBody::NotifyHit calls, the moving controller's body first. Never
// asks the SDK to push anything. One static instance, alive for the whole run.
class CPhysXControllerHitReport : public plat::NxUserControllerHitReport
{
public:
    static CPhysXControllerHitReport& Instance() { return s_Instance; }

    plat::NxControllerAction OnShapeHit(const plat::NxControllerShapeHit& hit) override;
    plat::NxControllerAction OnControllerHit(const plat::NxControllersHit& hit) override;

private:
    static CPhysXControllerHitReport s_Instance;
};
