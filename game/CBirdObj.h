#pragma once

#include "app/ISoundMgr.h"
#include "game/CObjCallback.h"
#include "game/ICharacterObj.h"
#include "game/IObjCtrl.h"
#include "game/IRepresentation.h"

// The scene-graph entry of a bird; filed only while the bird has a
// controller.
class CBirdRep : public CModelRep
{
public:
    // False (logged) without the model. Does not insert the representation.
    bool Create(CSceneGraph* sceneGraph, IGameObj* owner);
};

// An attacking bird: a box character (group 2) that flies at 10 units per
// second along its heading and turns toward the rotation its controller
// wants at 0.7 rad/s, dropping at most one dropping per second when asked.
// One arrow (-10 of its 5 health) makes it fall, tumbling, with gravity;
// landing makes it dead, and it is removed 5 s later. Touching a building or
// the player kills it at once. Leaving the flying phase plays the death sound
// (by distance from the camera) and calls the killed callback, once.
class CBirdObj : public ICharacterObj
{
public:
    enum
    {
        PHASE_FLYING = 0,
        PHASE_FALLING = 1,
        PHASE_DEAD = 2
    };

    // Flying speed (units per second) and turn rate (radians per second).
    static constexpr float kSpeed = 10.0f;
    static constexpr float kTurnRate = 0.7f;
    static constexpr float kHealth = 5.0f;

    // killed may be empty. Without the model the bird still flies, with a
    // box of default half-extents (logged).
    CBirdObj(CGameCtrl* owner, CRefPtr<CObjCallback> killed);
    ~CBirdObj() override;

    // Arrows hurt; buildings (and the player) kill at once; anything else
    // ends a fall.
    void OnHit(IGameObj* other) override;
    void OnLevelEnd() override;
    // Lets go of the controller (the bird is hidden), then the character's
    // kill.
    void Kill() override;
    // health = h; at or below 0 a flying bird starts to fall.
    virtual void SetHealth(float health);

    using ICharacterObj::SetController;
    // The old controller lets go of the bird, the new one takes it; the bird
    // is shown while it has a controller and hidden without one.
    void SetController(const CRefPtr<IBirdCtrl>& controller);
    // Leaving the flying phase plays the death sound and calls the killed
    // callback (once); the phase timer restarts. The same phase again does
    // nothing.
    void SetPhase(int phase);

    int GetPhase() const { return m_iPhase; }
    float GetHealth() const { return m_fHealth; }
    float GetPhaseTimer() const { return m_fPhaseTimer; }
    const CRefPtr<IBirdCtrl>& GetBirdController() const { return m_pBirdCtrl; }
    const CRefPtr<ISound>& GetDeathSound() const { return m_pDeathSound; }

protected:
    void OnUpdate(float dt) override;

private:
    void Fly(float dt);
    void PlayDeathSound();

    CRefPtr<IBirdCtrl> m_pBirdCtrl;
    int m_iPhase;
    float m_fPhaseTimer;
    float m_fDropTimer;
    float m_fHealth;
    CRefPtr<CObjCallback> m_pKilled;
    CRefPtr<ISound> m_pDeathSound;
};
