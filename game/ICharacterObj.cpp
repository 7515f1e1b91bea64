#include "game/ICharacterObj.h"

#include "app/CEngineServices.h"
#include "app/CPhysXMgr.h"
#include "platform/physx/NxPhysics.h"

namespace
{
CPhysXMgr* PhysXMgr()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetPhysXMgr().Get() : nullptr;
}

CVector3 SceneGravity()
{
    CPhysXMgr* physx = PhysXMgr();
    if (!physx || !physx->GetScene())
        return CVector3(0.0f, -9.8f, 0.0f);
    plat::NxVec3 g;
    physx->GetScene()->getGravity(g);
    return CVector3(g.x, g.y, g.z);
}
} // namespace

ICharacterObj::ICharacterObj(CGameCtrl* owner, uint32_t type)
    : IGameObj(owner, type), m_pController(nullptr), m_uiActiveGroups(0xFFFFFFFFu), m_bGravity(false),
      m_fGravityFactor(1.0f), m_bAirborne(true), m_fAirTime(0.0f), m_bMovedThisFrame(false)
{
}

ICharacterObj::~ICharacterObj()
{
    ReleaseController();
}

void ICharacterObj::ReleaseController()
{
    if (!m_pController)
        return;
    m_pController->owner = nullptr;
    if (CPhysXMgr* physx = PhysXMgr())
        physx->ReleaseController(m_pController);
    m_pController = nullptr;
}

void ICharacterObj::Update(float dt)
{
    if (!m_bAirborne)
        m_fAirTime = 0.0f;
    m_fAirTime += dt;
    if (m_pController)
        IGameObj::SetPosition(m_pController->GetPosition());
    m_bMovedThisFrame = false;
    IGameObj::Update(dt);
    if (m_bGravity && !m_bMovedThisFrame)
        Move(CVector3(), dt);
}

void ICharacterObj::SetPosition(const CVector3& position)
{
    if (m_pController)
        m_pController->SetPosition(position);
    IGameObj::SetPosition(position);
}

void ICharacterObj::Kill()
{
    ReleaseController();
    IGameObj::Kill();
}

void ICharacterObj::Move(const CVector3& velocity, float dt)
{
    if (m_pController)
    {
        CVector3 displacement = velocity;
        if (m_bGravity)
            displacement += SceneGravity() * (m_fGravityFactor * m_fAirTime);
        m_pController->Move(displacement * dt, m_uiActiveGroups);
        m_bAirborne = !m_pController->IsOnGround();
    }
    m_bMovedThisFrame = true;
}

void ICharacterObj::SetController(CPhysXController* controller)
{
    if (controller == m_pController)
        return;
    ReleaseController();
    m_pController = controller;
    if (m_pController)
        m_pController->owner = this;
}

void ICharacterObj::SetGravity(bool on)
{
    m_bGravity = on;
    m_fAirTime = 0.0f;
}
