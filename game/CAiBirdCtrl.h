#pragma once

#include "app/CVector3.h"
#include "game/IObjCtrl.h"
#include "game/IObjObserver.h"

#include <cstdint>

class CGameCtrl;

// The bomber's AI: bombing runs over a random building. It approaches the
// drop point 2.0 above the top of the building's bounding sphere, asks for a
// dropping there, overflies 25 units on at 18.0 above the ground, turns back
// until the building lies within 60 degrees of its heading, and approaches
// again. Without any building the bird circles.
//
// The target building is watched, not counted: the controller takes itself
// out of its observers when it picks another target, when its bird goes
// (SetObject(nullptr)) and when it is destroyed, so a building never calls
// back into a controller that is gone.
class CAiBirdCtrl : public IBirdCtrl, public IObjObserver
{
public:
    enum
    {
        RUN_APPROACH = 0,
        RUN_OVERFLY = 1,
        RUN_TURN_BACK = 2
    };
    // The wanted yaw change of a circling bird (2 pi / 5).
    static constexpr float kCircleYaw = 1.2566371f;

    explicit CAiBirdCtrl(CGameCtrl* gameCtrl);
    ~CAiBirdCtrl() override;

    // Letting go of the bird lets go of the target too.
    void SetObject(IGameObj* object) override;
    void Update(float dt) override;
    // The bird's own forward axis.
    void GetMoveDirection(CVector3& out) override;
    // The wanted rotation minus the bird's, each angle within [-pi, pi];
    // always true.
    bool GetDirection(CVector3& out) override;
    // Over the drop point of a target.
    bool WantsToDrop() override;
    // The target was killed: forget it (it has forgotten its observers).
    void OnObservedKilled() override { m_pTarget = nullptr; }

    IGameObj* GetTarget() const { return m_pTarget; }
    int GetRunState() const { return m_iRunState; }
    const CVector3& GetDropPoint() const { return m_DropPoint; }
    const CVector3& GetOverflyPoint() const { return m_OverflyPoint; }
    const CVector3& GetWantedRotation() const { return m_WantedRotation; }

protected:
    // Keeps the target or picks a random building (watched from then on);
    // without one the warning is logged and the bird circles. False when
    // there is no target.
    bool EnsureTarget(const char* warning);
    void ForgetTarget();
    // The wanted rotation: the forward axis from the bird toward point.
    void SteerToward(const CVector3& point);
    float DistanceSquaredTo(const CVector3& point) const;

    CGameCtrl* m_pGameCtrl;
    int m_iRunState;
    IGameObj* m_pTarget;
    CVector3 m_OverflyPoint;
    CVector3 m_DropPoint;
    CVector3 m_WantedRotation;

private:
    void UpdateDropPoint();
    void StartOverfly();
};
