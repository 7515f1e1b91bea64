#pragma once

#include "app/CRefCounted.h"
#include "app/CVector3.h"

class IGameObj;

// What the player object asks of its input controller each frame. The
// controlled object is not counted.
class IPlayerCtrl
{
public:
    IPlayerCtrl() : m_pObject(nullptr) {}
    virtual ~IPlayerCtrl() {}
    virtual void SetObject(IGameObj* object) { m_pObject = object; }
    // The wanted walking direction (the object's axes, unnormalised).
    virtual void GetMoveVector(CVector3& out) = 0;
    // The look change since the last call (x pitch, y yaw); false when none.
    virtual bool GetLookDelta(CVector3& out) = 0;
    virtual bool WantsFire() = 0;
    // The jump key is held, or was pressed since the last call (a press and
    // release within one frame still counts).
    virtual bool WantsJump() = 0;
    virtual bool WantsRun() = 0;
    IGameObj* GetObject() const { return m_pObject; }

protected:
    IGameObj* m_pObject;
};

// The AI of an object (a tower or a bird), updated by the object it
// controls. The controlled object is not counted. The two families give the
// third and fourth operations their own meaning: see CAiTowerCtrl and
// IBirdCtrl.
class IObjCtrl : public CRefCounted
{
public:
    IObjCtrl() : m_pObject(nullptr) {}
    ~IObjCtrl() override {}
    virtual void SetObject(IGameObj* object) { m_pObject = object; }
    virtual void Update(float dt) = 0;
    IGameObj* GetObject() const { return m_pObject; }

protected:
    IGameObj* m_pObject;
};

// A bird's AI: where to fly, where to turn to, and when to drop.
class IBirdCtrl : public IObjCtrl
{
public:
    // The direction the bird flies (its own forward axis).
    virtual void GetMoveDirection(CVector3& out) = 0;
    // The wanted rotation minus the bird's, each angle within [-pi, pi].
    virtual bool GetDirection(CVector3& out) = 0;
    virtual bool WantsToDrop() = 0;
};
