#pragma once

#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "game/IObjObserver.h"
#include "render/CTransformableObj.h"

#include <cstdint>
#include <vector>

class CGameCtrl;

// Base of everything that lives in a level. The game controller owns the
// live objects through CRefPtr handles, updates them once per frame and
// drops those whose dead flag is set at the end of the update; objects never
// delete each other, they hold handles and watch one another through
// IObjObserver.
//
// This is the object core the controller relies on: owner, transform, moved
// flag, type code, observers and dead flag. The scene-graph representation,
// the bounds and ray tests and the physics layers (collidable and character
// objects) are still to be added here by the game objects' work.
class IGameObj : public CRefCounted, public IObjObserver
{
public:
    // Type codes, the only run-time type information of game objects.
    enum
    {
        TYPE_ENVIRONMENT = 0, // environment and forest
        TYPE_TERRAIN = 1,
        TYPE_PLAYER = 2,
        TYPE_BUILDING = 3, // buildings, statue and towers
        TYPE_BIRD = 4,
        TYPE_PROJECTILE = 5,
        TYPE_DROPPING = 6,
        TYPE_TREE = 7,
        TYPE_START = 8
    };

    // owner is not counted; it is cleared by Kill.
    IGameObj(CGameCtrl* owner, uint32_t type);
    // Kills the object again (harmless when it is dead already).
    ~IGameObj() override;
    IGameObj(const IGameObj&) = delete;
    IGameObj& operator=(const IGameObj&) = delete;

    // OnUpdate, then the moved flag is cleared.
    virtual void Update(float dt);
    // Transform changes made through the object set the moved flag.
    virtual void SetPosition(const CVector3& position);
    virtual void SetRotation(const CVector3& rotation);
    virtual void SetScale(const CVector3& scale);
    virtual void TurnTo(const CVector3& point);
    virtual void Translate(const CVector3& offset);
    virtual void Pitch(float angle);
    virtual void Yaw(float angle);
    virtual void Roll(float angle);
    virtual CVector3 GetForward() const { return m_Transform.GetForward(); }
    virtual CVector3 GetUp() const { return m_Transform.GetUp(); }
    virtual CVector3 GetRight() const { return m_Transform.GetRight(); }
    // Contact with another object (physics reports); nothing by default.
    virtual void OnHit(IGameObj* /*other*/) {}
    // The level was won; nothing by default.
    virtual void OnLevelEnd() {}
    // Tells every observer once (registration order), forgets them, sets the
    // dead flag and forgets the owner. A second call finds nothing to do.
    virtual void Kill();
    // IObjObserver: nothing by default.
    void OnObservedKilled() override {}

    // A null pointer is ignored; duplicates are not checked.
    void AddObserver(IObjObserver* observer);
    // Removes every entry equal to observer, keeping the order of the rest.
    void RemoveObserver(IObjObserver* observer);

    CGameCtrl* GetOwner() const { return m_pOwner; }
    const CTransformableObj& GetTransform() const { return m_Transform; }
    const CVector3& GetPosition() const { return m_Transform.GetPosition(); }
    const CVector3& GetRotation() const { return m_Transform.GetRotation(); }
    uint32_t GetType() const { return m_uiType; }
    bool IsDead() const { return m_bDead; }
    bool HasMoved() const { return m_bMoved; }
    const std::vector<IObjObserver*>& GetObservers() const { return m_Observers; }

protected:
    // The object's own behaviour, once per Update (dt in seconds).
    virtual void OnUpdate(float dt) = 0;

    CGameCtrl* m_pOwner;
    CTransformableObj m_Transform;
    bool m_bMoved;
    uint32_t m_uiType;
    std::vector<IObjObserver*> m_Observers;
    bool m_bDead;
};
