#pragma once

#include "app/CPhysXBody.h"
#include "game/IGameObj.h"

// A game object moved by a physics character controller, with a gravity
// term of its own: while gravity is on, the fall speed is the scene's
// gravity times the gravity factor times the time since the object last
// stood on the ground.
class ICharacterObj : public IGameObj
{
public:
    ICharacterObj(CGameCtrl* owner, uint32_t type);
    // Releases the controller, then the object is killed.
    ~ICharacterObj() override;

    // Air time, the controller's position copied in, the object's update;
    // with gravity on and no Move in this frame, a Move with no velocity so
    // that a standing character still falls.
    void Update(float dt) override;
    // Teleports the controller too.
    void SetPosition(const CVector3& position) override;
    // Releases the controller, then the object's kill.
    void Kill() override;
    // Moves the controller by (velocity [+ gravity term]) x dt against the
    // active groups and records whether it ended on the ground.
    virtual void Move(const CVector3& velocity, float dt);

    // Replaces the controller (the old one is released); a non-null
    // controller gets this object as its owner.
    void SetController(CPhysXController* controller);
    CPhysXController* GetCharacterController() const { return m_pController; }
    // Switching gravity also resets the air time.
    void SetGravity(bool on);
    void SetGravityFactor(float factor) { m_fGravityFactor = factor; }
    void SetActiveGroups(uint32_t mask) { m_uiActiveGroups = mask; }

    bool IsGravityOn() const { return m_bGravity; }
    float GetGravityFactor() const { return m_fGravityFactor; }
    uint32_t GetActiveGroups() const { return m_uiActiveGroups; }
    bool IsAirborne() const { return m_bAirborne; }
    float GetAirTime() const { return m_fAirTime; }

protected:
    CPhysXController* m_pController;
    uint32_t m_uiActiveGroups;
    bool m_bGravity;
    float m_fGravityFactor;
    bool m_bAirborne;
    float m_fAirTime;
    bool m_bMovedThisFrame;

private:
    void ReleaseController();
};
