#include "app/CPhysXContactReport.h"

#include "app/CPhysXBody.h"

CPhysXContactReport CPhysXContactReport::s_Instance;

void CPhysXContactReport::OnContactNotify(plat::NxContactPair& pair, plat::NxU32)
{
    if (!pair.actors[0] || !pair.actors[1])
        return;
    CPhysXBody* a = static_cast<CPhysXBody*>(pair.actors[0]->userData);
    CPhysXBody* b = static_cast<CPhysXBody*>(pair.actors[1]->userData);
    if (!a || !b)
        return;
    a->NotifyHit(b);
    b->NotifyHit(a);
}
