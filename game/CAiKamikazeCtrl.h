#pragma once

#include "game/CAiBirdCtrl.h"

// The kamikaze's AI: flies straight at the centre of a random building's
// bounding sphere, and keeps at it when the building lies in ruins. It never
// drops anything. Targets are watched and let go as the bomber's are.
class CAiKamikazeCtrl : public CAiBirdCtrl
{
public:
    explicit CAiKamikazeCtrl(CGameCtrl* gameCtrl) : CAiBirdCtrl(gameCtrl) {}

    void Update(float dt) override;
    bool WantsToDrop() override { return false; }

    const CVector3& GetTargetPoint() const { return m_TargetPoint; }

private:
    CVector3 m_TargetPoint;
};
