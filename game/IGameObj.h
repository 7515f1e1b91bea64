#pragma once

#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "game/IObjObserver.h"
#include "game/IRepresentation.h"
#include "render/BoundingVolumes.h"
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
// A visible object holds its representation (the scene-graph entry with the
// model, world bounds and ray test) in m_pRepresentation; a transform change
// made through the object is passed on to it at the next Update.
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

    // OnUpdate; then, when the object moved and has a representation, the
    // representation is told (OnMoved) and the moved flag cleared.
    virtual void Update(float dt);
    // Transform changes made through the object set the moved flag.
    virtual void SetPosition(const CVector3& position);
    virtual void SetRotation(const CVector3& rotation);
    virtual void SetScale(const CVector3& scale);
    // Turns the object's forward axis toward target.
    virtual void LookAt(const CVector3& target);
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
    // The representation's world bounds; without one an error is logged and
    // out is left as it is.
    virtual SBoundingSphere& GetBoundingSphere(SBoundingSphere& out);
    virtual SOrientedBox& GetBoundingBox(SOrientedBox& out);
    // The representation's ray test (direction a unit vector); false, with a
    // warning, without one.
    virtual bool RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                                 float& distance);
    // Tells every observer once (registration order), forgets them, sets the
    // dead flag, takes the representation out of the scene graph and drops
    // it, and forgets the owner. A second call finds nothing to do.
    virtual void Kill();
    // IObjObserver: nothing by default.
    void OnObservedKilled() override {}

    // A null pointer is ignored; duplicates are not checked.
    void AddObserver(IObjObserver* observer);
    // Removes every entry equal to observer, keeping the order of the rest.
    void RemoveObserver(IObjObserver* observer);

    CRefPtr<IRepresentation> GetRepresentation() const { return m_pRepresentation; }
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
    CRefPtr<IRepresentation> m_pRepresentation;
    bool m_bMoved;
    uint32_t m_uiType;
    std::vector<IObjObserver*> m_Observers;
    bool m_bDead;
};
