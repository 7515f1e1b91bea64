#include "game/CAiKamikazeCtrl.h"

#include "game/IGameObj.h"

void CAiKamikazeCtrl::Update(float /*dt*/)
{
    if (!EnsureTarget("Warning: CAiKamikazeCtrl: No building found"))
        return;
    SBoundingSphere sphere;
    sphere.centre = m_pTarget->GetPosition();
    m_pTarget->GetBoundingSphere(sphere);
    m_TargetPoint = sphere.centre;
    SteerToward(m_TargetPoint);
}
