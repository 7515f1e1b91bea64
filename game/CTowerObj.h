#pragma once

#include "game/CBuildingObj.h"
#include "game/IObjCtrl.h"

// A defence tower (150 health, worth nothing, group 6). While it stands and
// its controller (a tower AI) has a bird in range, it fires an arrow from
// its muzzle along the aim at most every 2.0 s. The model does not turn.
class CTowerObj : public CBuildingObj
{
public:
    // Seconds between two shots.
    static constexpr float kReloadTime = 2.0f;

    explicit CTowerObj(CGameCtrl* owner);
    ~CTowerObj() override;

    // The old controller lets go of the tower, the new one takes it. A
    // controller that is no ITowerCtrl is updated but never fires.
    void SetController(const CRefPtr<IObjCtrl>& controller);
    const CRefPtr<IObjCtrl>& GetController() const { return m_pController; }
    // Where arrows start: 5 units above the tower's position.
    CVector3 GetMuzzle() const;
    float GetFireTimer() const { return m_fFireTimer; }
    // Lets go of the controller, then the building's kill.
    void Kill() override;

protected:
    void OnUpdate(float dt) override;

private:
    void Fire(const CVector3& delta);

    CRefPtr<IObjCtrl> m_pController;
    float m_fFireTimer;
};
