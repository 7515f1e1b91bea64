#pragma once

#include "app/CVector3.h"
#include "game/IObjCtrl.h"
#include "game/IObjObserver.h"

class CGameCtrl;

// What a tower asks of its controller after each Update.
class ITowerCtrl : public IObjCtrl
{
public:
    // The wanted rotation minus the tower's, each angle within [-pi, pi].
    virtual bool GetDirection(CVector3& out) = 0;
    // Whether the tower should fire now.
    virtual bool IsTargetInRange() = 0;
};

// A tower's AI: follows the flying bird nearest to the muzzle (ties go to
// the bird earlier in the game's object list) and aims ahead of it. The
// target is observed, not counted; it is dropped when the bird stops flying
// or dies.
class CAiTowerCtrl : public ITowerCtrl, public IObjObserver
{
public:
    // Squared range from the tower's base: 50 units.
    static constexpr float kRangeSquared = 2500.0f;

    // game: whose live objects are scanned (not counted).
    explicit CAiTowerCtrl(CGameCtrl* game);
    // Stops observing the target.
    ~CAiTowerCtrl() override;

    // Picks the target and recomputes the aim: ahead of the bird along its
    // heading by a third of the distance and a fifth of it higher.
    void Update(float dt) override;
    // Always true.
    bool GetDirection(CVector3& out) override;
    // A target within 50 units of the tower's position (not the muzzle).
    bool IsTargetInRange() override;
    // The target died: forget it.
    void OnObservedKilled() override;

    IGameObj* GetTarget() const { return m_pTarget; }
    const CVector3& GetAimRotation() const { return m_AimRotation; }

    // The Euler angles (radians) of an orientation whose forward axis points
    // along v, with (0, 1, 0) as up unless v is almost vertical. False, and
    // rotation unchanged, when |v| <= 0.0001. Birds steer the same way.
    static bool AimRotation(const CVector3& v, CVector3& rotation);
    // Each angle brought into [-pi, pi] by whole turns.
    static CVector3 WrapAngles(const CVector3& angles);

private:
    void SetTarget(IGameObj* target);

    CGameCtrl* m_pGame;
    IGameObj* m_pTarget;
    CVector3 m_AimRotation;
};
