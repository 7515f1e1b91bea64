#pragma once

#include "app/ISoundMgr.h"
#include "game/ICharacterObj.h"

#include <cstdint>

class IPlayerCtrl;

// The archer of the battle phase: a capsule character (radius 0.5, height
// 1.9, collision group 1) that walks along its yaw-only axes at 10 units per
// second (15 running), jumps with a constant upward 8 units per second held
// until it lands, looks with the mouse and shoots one arrow per click along
// its full view axis.
//
// The wishes come from an IPlayerCtrl (not owned); without one the player
// stands still. GetForward, GetRight and GetUp are the yaw-only axes (the
// pitch left out), so walking stays horizontal whatever the view.
class CPlayerObj : public ICharacterObj
{
public:
    // Movement flags.
    enum : uint16_t
    {
        MOVE_WALKING = 1,
        MOVE_JUMPING = 2
    };
    static constexpr float kWalkSpeed = 10.0f;
    static constexpr float kRunFactor = 1.5f;
    static constexpr float kJumpSpeed = 8.0f;
    static constexpr float kArrowForce = 70.0f;

    // The capsule at the object's position (none without a physics scene),
    // gravity on with factor 2.0, every group but 2, 4 and 5 active; the
    // bow-shot and jump sounds at half volume.
    explicit CPlayerObj(CGameCtrl* owner);
    ~CPlayerObj() override;

    // Each turns the transform, then the yaw-only axes are rebuilt on the
    // next request.
    void SetRotation(const CVector3& rotation) override;
    void LookAt(const CVector3& target) override;
    void Pitch(float angle) override;
    void Yaw(float angle) override;
    void Roll(float angle) override;
    CVector3 GetForward() const override;
    CVector3 GetUp() const override;
    CVector3 GetRight() const override;
    void OnHit(IGameObj* /*other*/) override {}
    // Centre one unit above the position, radius 1 (no representation).
    SBoundingSphere& GetBoundingSphere(SBoundingSphere& out) override;

    // Tells the old controller it has no object any more, then gives the new
    // one (null for none) this object.
    void SetController(IPlayerCtrl* controller);
    IPlayerCtrl* GetPlayerCtrl() const { return m_pPlayerCtrl; }
    uint16_t GetMovementFlags() const { return m_usMovement; }
    // The number of arrows shot so far.
    uint32_t GetShots() const { return m_uiShots; }

protected:
    void OnUpdate(float dt) override;
    // One arrow from one unit ahead of a point 0.21 above the feet, along
    // the full view axis.
    virtual void Shoot();

private:
    void UpdateAxes() const;

    IPlayerCtrl* m_pPlayerCtrl;
    uint16_t m_usMovement;
    mutable CVector3 m_YawForward;
    mutable CVector3 m_YawRight;
    mutable CVector3 m_YawUp;
    mutable bool m_bAxesValid;
    CRefPtr<ISound> m_pBowShotSound;
    CRefPtr<ISound> m_pJumpSound;
    uint32_t m_uiShots;
};
