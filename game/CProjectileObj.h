#pragma once

#include "game/ICollidableObj.h"
#include "game/IRepresentation.h"

#include <cstdint>
#include <string>

// The scene-graph entry of an arrow or a dropping.
class CProjectileRep : public CModelRep
{
public:
    // False (logged) without the model.
    bool Create(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner);
};

// An arrow (of the player or of a tower; droppings derive from it). It flies
// as a dynamic box (density 5) turned along its velocity. The first contact
// with anything but another arrow or a dropping makes it stick: it is set
// 0.15 deep into the surface, stops being simulated and follows the object
// it hit (observing it) until 30 s have passed, that object dies or the
// level ends. A flying arrow that falls below y = -100 has left the world
// and is killed.
class CProjectileObj : public ICollidableObj
{
public:
    // How deep a stuck arrow sits behind the surface.
    static constexpr float kStickDepth = 0.15f;
    // Seconds a stuck arrow lives.
    static constexpr float kStuckLifetime = 30.0f;
    // A flying arrow below this height is killed.
    static constexpr float kLowestFlight = -100.0f;

    // type: 5 for arrows (droppings 6); group: the physics collision group.
    // Without the model the arrow still flies, as a small default box
    // (logged).
    CProjectileObj(CGameCtrl* owner, uint32_t type, uint8_t group, const std::string& model);
    // Stops observing the target.
    ~CProjectileObj() override;

    // Remembers the position (the flight direction is taken from the last
    // position set), then moves the actor.
    void SetPosition(const CVector3& position) override;
    // Sticks on the first accepted contact.
    void OnHit(IGameObj* other) override;
    void OnLevelEnd() override;
    // The target died: the arrow goes with it.
    void OnObservedKilled() override;
    // Stops observing the target, then the object's kill.
    void Kill() override;

    // The object the arrow sticks in; null while it flies.
    IGameObj* GetTarget() const { return m_pTarget; }
    float GetTimer() const { return m_fTimer; }
    // The stick point relative to the target's position, in the target's
    // orientation at impact.
    const CVector3& GetStickOffset() const { return m_StickOffset; }

protected:
    void OnUpdate(float dt) override;

    CVector3 m_LastPosition;
    float m_fTimer;
    IGameObj* m_pTarget;
    CVector3 m_StickOffset;
    CVector3 m_TargetRotation;
    CVector3 m_RelativeRotation;

private:
    void ForgetTarget();
};
