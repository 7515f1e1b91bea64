#include "game/ICollidableObj.h"

#include "app/CEngineServices.h"
#include "app/CPhysXMgr.h"
#include "app/Log.h"

namespace
{
CPhysXMgr* PhysXMgr()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetPhysXMgr().Get() : nullptr;
}
} // namespace

ICollidableObj::ICollidableObj(CGameCtrl* owner, uint32_t type) : IGameObj(owner, type), m_pActor(nullptr)
{
}

ICollidableObj::~ICollidableObj()
{
    ReleaseActor();
}

void ICollidableObj::ReleaseActor()
{
    if (!m_pActor)
        return;
    m_pActor->owner = nullptr;
    if (CPhysXMgr* physx = PhysXMgr())
        physx->ReleaseActor(m_pActor);
    m_pActor = nullptr;
}

void ICollidableObj::Update(float dt)
{
    if (m_pActor)
    {
        IGameObj::SetRotation(m_pActor->GetRotation());
        IGameObj::SetPosition(m_pActor->GetPosition());
    }
    IGameObj::Update(dt);
}

void ICollidableObj::SetPosition(const CVector3& position)
{
    if (m_pActor)
        m_pActor->SetPosition(position);
    IGameObj::SetPosition(position);
}

void ICollidableObj::SetRotation(const CVector3& rotation)
{
    if (m_pActor)
        m_pActor->SetRotation(rotation);
    IGameObj::SetRotation(rotation);
}

void ICollidableObj::LookAt(const CVector3&)
{
    Log(1, "Error: ICollidableObj::LookAt not implemented");
}

void ICollidableObj::TurnTo(const CVector3& point)
{
    m_Transform.TurnTo(point);
    const CVector3 position = m_Transform.GetPosition();
    const CVector3 rotation = m_Transform.GetRotation();
    SetPosition(position);
    SetRotation(rotation);
}

void ICollidableObj::Kill()
{
    ReleaseActor();
    IGameObj::Kill();
}

void ICollidableObj::SetActor(CPhysXActor* actor)
{
    if (actor == m_pActor)
        return;
    ReleaseActor();
    m_pActor = actor;
    if (m_pActor)
        m_pActor->owner = this;
}

void ICollidableObj::Launch(const CVector3& v)
{
    if (m_pActor)
        m_pActor->Launch(v);
}

CPhysXActor* ICollidableObj::CreateBoxActor(uint8_t group, bool dynamic, float density, const char* kind)
{
    CPhysXMgr* physx = PhysXMgr();
    if (!physx)
        return nullptr;
    SAxisAlignedBox box;
    if (m_pRepresentation)
        box = m_pRepresentation->GetModelBox();
    CVector3 size = box.max - box.min;
    if (!m_pRepresentation || !(size.x > 0.0f) || !(size.y > 0.0f) || !(size.z > 0.0f))
    {
        // A zero-sized shape is degenerate for the physics scene.
        Log(1, "Warning: no model box in %s, using a default box", kind);
        box.min = CVector3(-0.03f, -0.03f, -0.5f);
        box.max = CVector3(0.03f, 0.03f, 0.5f);
        size = box.max - box.min;
    }
    CMatrix4 shapePose;
    shapePose.SetTranslation((box.min + box.max) * 0.5f);
    physx->BeginActor(m_Transform.GetWorldMatrix(), group, dynamic, density);
    physx->AddBoxShape(shapePose, size);
    return physx->FinishActorCreation();
}
