#include "game/CProjectileObj.h"

#include "app/CMatrix4.h"
#include "app/Log.h"
#include "game/CGameCtrl.h"

bool CProjectileRep::Create(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner)
{
    return CreateModel(sceneGraph, modelName, owner, "CProjectileRep");
}

CProjectileObj::CProjectileObj(CGameCtrl* owner, uint32_t type, uint8_t group, const std::string& model)
    : ICollidableObj(owner, type), m_fTimer(0.0f), m_pTarget(nullptr)
{
    CRefPtr<CProjectileRep> rep(new CProjectileRep);
    if (!rep->Create(owner ? owner->GetScene().Get() : nullptr, model, this))
        Log(16, "Error: pRep->Create failed in CProjectileObj::CProjectileObj");
    m_pRepresentation = rep.Get();
    SetActor(CreateBoxActor(group, true, 5.0f, "CProjectileObj"));
}

CProjectileObj::~CProjectileObj()
{
    ForgetTarget();
}

void CProjectileObj::ForgetTarget()
{
    if (m_pTarget)
        m_pTarget->RemoveObserver(this);
    m_pTarget = nullptr;
}

void CProjectileObj::SetPosition(const CVector3& position)
{
    m_LastPosition = position;
    ICollidableObj::SetPosition(position);
}

void CProjectileObj::OnHit(IGameObj* other)
{
    if (m_pTarget || !other || IsDead() || other->GetType() == TYPE_PROJECTILE ||
        other->GetType() == TYPE_DROPPING)
        return;
    m_fTimer = 0.0f;
    m_pTarget = other;
    m_pTarget->AddObserver(this);

    TurnTo(GetPosition() * 2.0f - m_LastPosition);
    const CVector3 position = GetPosition();
    const CVector3 forward = GetForward();
    CVector3 hit;
    float distance = 0.0f;
    if (m_pTarget->RayIntersection(position, forward, hit, distance))
        m_StickOffset = (hit - m_pTarget->GetPosition()) + forward * kStickDepth;
    else
    {
        // The arrow passed the surface before the contact was reported: aim
        // at the middle of the target instead.
        SBoundingSphere sphere;
        sphere.centre = m_pTarget->GetPosition();
        m_pTarget->GetBoundingSphere(sphere);
        CVector3 direction = sphere.centre - position;
        direction.Normalize();
        if (m_pTarget->RayIntersection(position, direction, hit, distance))
            m_StickOffset = (hit - m_pTarget->GetPosition()) + direction * kStickDepth;
        else
            m_StickOffset = position - m_pTarget->GetPosition();
    }
    m_TargetRotation = m_pTarget->GetRotation();
    m_RelativeRotation = GetRotation() - m_TargetRotation;
}

void CProjectileObj::OnUpdate(float dt)
{
    m_fTimer += dt;
    if (!m_pTarget)
    {
        TurnTo(GetPosition() * 2.0f - m_LastPosition);
        if (GetPosition().y < kLowestFlight)
            Kill();
        return;
    }
    // Stuck: the arrow is no longer simulated and moves with its target.
    SetActor(nullptr);
    const CVector3 targetRotation = m_pTarget->GetRotation();
    CMatrix4 turn;
    turn.SetRotation(targetRotation - m_TargetRotation);
    CVector3 offset;
    turn.TransformPoint(offset, m_StickOffset);
    SetRotation(targetRotation + m_RelativeRotation);
    SetPosition(m_pTarget->GetPosition() + offset);
    if (m_fTimer >= kStuckLifetime)
        Kill();
}

void CProjectileObj::OnLevelEnd()
{
    Kill();
}

void CProjectileObj::OnObservedKilled()
{
    // The target is telling its observers and has forgotten them already.
    m_pTarget = nullptr;
    Kill();
}

void CProjectileObj::Kill()
{
    ForgetTarget();
    ICollidableObj::Kill();
}
