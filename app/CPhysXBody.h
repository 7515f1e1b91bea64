#pragma once

#include "app/CVector3.h"

#include <cstdint>

namespace plat
{
class NxActor;
class NxController;
} // namespace plat

class IGameObj;

// The physics side of a game object: base of the actor and controller
// wrappers. The wrapped SDK actor's user data points at this base, which is
// how contact and hit reports find their way back to game objects. Wrappers
// are made and deleted only by CPhysXMgr.
class CPhysXBody
{
public:
    // Delivers a hit to the owner: self is this body's owner, other the
    // other body's owner. Installed by the game (IGameObj lives there);
    // without one, hits go nowhere.
    typedef void (*HitHandler)(IGameObj* self, IGameObj* other);
    static void SetHitHandler(HitHandler handler) { s_pfnHitHandler = handler; }
    static HitHandler GetHitHandler() { return s_pfnHitHandler; }

    CPhysXBody() : owner(nullptr) {}
    virtual ~CPhysXBody() {}

    // When this body and the other both have owners: this owner's OnHit with
    // the other owner.
    void NotifyHit(CPhysXBody* other);

    // The game object that holds the body; null until one takes it.
    IGameObj* owner;

private:
    static HitHandler s_pfnHitHandler;
};

// A rigid actor: terrain, start platform, buildings, projectiles.
class CPhysXActor : public CPhysXBody
{
public:
    // Stores itself as the actor's user data.
    explicit CPhysXActor(plat::NxActor* actor);
    // Forgets the actor; CPhysXMgr::ReleaseActor releases it.
    ~CPhysXActor() override;

    void SetPosition(const CVector3& position);
    // Euler angles in radians, composed as CMatrix4::SetRotation.
    void SetRotation(const CVector3& angles);
    CVector3 GetPosition() const;
    CVector3 GetRotation() const;
    // Applies v as a force (mode 0: it acts for one fixed step of the scene).
    // The mode argument is not used.
    void Launch(const CVector3& v, int mode = 0);

    plat::NxActor* GetActor() const { return m_pActor; }
    // Drops the actor pointer once the actor is released.
    void Forget() { m_pActor = nullptr; }

private:
    plat::NxActor* m_pActor;
};

// A character controller: the player (capsule) and birds (box).
class CPhysXController : public CPhysXBody
{
public:
    explicit CPhysXController(plat::NxController* controller);
    ~CPhysXController() override;

    // Teleports the controller (no sweep).
    virtual void SetPosition(const CVector3& position);
    // Moves by displacement against the collision groups whose bits are set
    // in activeGroups (minimum distance 0.001, no smoothing); the collision
    // flags are kept in collisionFlags and returned.
    virtual uint32_t Move(const CVector3& displacement, uint32_t activeGroups);
    // Whether the last Move ended standing on something (flag 4).
    bool IsOnGround() const { return (collisionFlags & 4) != 0; }
    CVector3 GetPosition() const;

    plat::NxController* GetController() const { return m_pController; }
    // Drops the controller pointer once the controller is released.
    void Forget() { m_pController = nullptr; }

    // Flags of the last Move: 1 sides, 2 above, 4 below.
    uint32_t collisionFlags;

private:
    plat::NxController* m_pController;
};
