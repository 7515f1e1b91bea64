#include "game/CStatueObj.h"

#include <cmath>

CStatueObj::CStatueObj(CGameCtrl* owner, CRefPtr<CObjCallback> destroyed, CRefPtr<CObjCallback> damaged)
    : CBuildingObj(owner, "Data/models/buildings/statue.scn", 400.0f, 100.0f, 3), m_pDestroyed(destroyed),
      m_pDamaged(damaged)
{
}

void CStatueObj::SetHealth(float health)
{
    if (health < 0.0f)
        health = 0.0f;
    const bool wasDestroyed = m_iState == STATE_DESTROYED;
    CBuildingObj::SetHealth(health);
    // Handles of their own: a callback may end the battle and drop ours.
    if (CRefPtr<CObjCallback> damaged = m_pDamaged)
        damaged->Invoke(GetPercent());
    if (m_iState == STATE_DESTROYED && !wasDestroyed)
        if (CRefPtr<CObjCallback> destroyed = m_pDestroyed)
            destroyed->Invoke();
}

uint32_t CStatueObj::GetPercent() const
{
    return m_fHealth > 0.0f ? static_cast<uint32_t>(std::trunc(m_fHealth * 0.25f)) : 0u;
}
