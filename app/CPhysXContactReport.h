#pragma once

#include "platform/physx/NxPhysics.h"

// Turns every contact report between two actors with wrappers into a pair of
// CPhysXBody::NotifyHit calls, first body first. The event kind is not looked
// at: start, each persisting update and end each give a pair of calls. One
// static instance, alive for the whole run.
class CPhysXContactReport : public plat::NxUserContactReport
{
public:
    static CPhysXContactReport& Instance() { return s_Instance; }

    void OnContactNotify(plat::NxContactPair& pair, plat::NxU32 events) override;

private:
    static CPhysXContactReport s_Instance;
};
