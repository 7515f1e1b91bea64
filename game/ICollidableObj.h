#pragma once

#include "app/CPhysXBody.h"
#include "game/IGameObj.h"

// A game object with a rigid physics actor. Position and rotation set on
// the object go to the actor too, and each Update copies the actor's pose
// back, so the physics scene moves the object. The actor's owner points back
// here, so contact reports reach OnHit.
class ICollidableObj : public IGameObj
{
public:
    ICollidableObj(CGameCtrl* owner, uint32_t type);
    // Releases the actor, then the object is killed.
    ~ICollidableObj() override;

    // Copies the actor's rotation and position in, then the object's update.
    void Update(float dt) override;
    void SetPosition(const CVector3& position) override;
    void SetRotation(const CVector3& rotation) override;
    // Only logs: a collidable object is turned with TurnTo.
    void LookAt(const CVector3& target) override;
    // Turns the transform, then moves the actor to the new pose through the
    // object's own SetPosition and SetRotation.
    void TurnTo(const CVector3& point) override;
    // Releases the actor, then the object's kill.
    void Kill() override;

    // Replaces the actor (the old one is released); a non-null actor gets
    // this object as its owner.
    void SetActor(CPhysXActor* actor);
    CPhysXActor* GetActor() const { return m_pActor; }
    // Pushes the actor (a force acting for one physics step).
    void Launch(const CVector3& v);

protected:
    // A box actor for the model box of the representation, centred on the
    // box: a static one (dynamic false) or a dynamic one of the density, in
    // the collision group, at the object's world matrix. Without a model (or
    // with an empty box) a small default box is used, and the fallback is
    // logged naming kind. Null when the physics manager is missing or fails.
    CPhysXActor* CreateBoxActor(uint8_t group, bool dynamic, float density, const char* kind);

    CPhysXActor* m_pActor;

private:
    void ReleaseActor();
};
