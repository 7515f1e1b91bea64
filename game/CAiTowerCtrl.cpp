#include "game/CAiTowerCtrl.h"

#include "app/CMatrix4.h"
#include "game/CBirdObj.h"
#include "game/CGameCtrl.h"
#include "game/CTowerObj.h"

#include <cmath>

namespace
{
const float kPi = 3.1415927f;
const float kTwoPi = 2.0f * kPi;

float WrapAngle(float angle)
{
    if (!std::isfinite(angle))
        return 0.0f;
    while (angle > kPi)
        angle -= kTwoPi;
    while (angle < -kPi)
        angle += kTwoPi;
    return angle;
}

bool IsFlyingBird(const IGameObj* object)
{
    if (!object || object->IsDead() || object->GetType() != IGameObj::TYPE_BIRD)
        return false;
    const CBirdObj* bird = dynamic_cast<const CBirdObj*>(object);
    return bird && bird->GetPhase() == CBirdObj::PHASE_FLYING;
}
} // namespace

CAiTowerCtrl::CAiTowerCtrl(CGameCtrl* game) : m_pGame(game), m_pTarget(nullptr) {}

CAiTowerCtrl::~CAiTowerCtrl()
{
    SetTarget(nullptr);
}

void CAiTowerCtrl::SetTarget(IGameObj* target)
{
    if (target == m_pTarget)
        return;
    if (m_pTarget)
        m_pTarget->RemoveObserver(this);
    m_pTarget = target;
    if (m_pTarget)
        m_pTarget->AddObserver(this);
}

void CAiTowerCtrl::OnObservedKilled()
{
    // The bird forgets its observers itself.
    m_pTarget = nullptr;
}

void CAiTowerCtrl::Update(float)
{
    if (m_pTarget && !IsFlyingBird(m_pTarget))
        SetTarget(nullptr);
    if (!m_pObject || !m_pGame)
        return;

    const CTowerObj* tower = dynamic_cast<const CTowerObj*>(m_pObject);
    const CVector3 muzzle = tower ? tower->GetMuzzle() : m_pObject->GetPosition();
    IGameObj* best = nullptr;
    float bestDistance = 0.0f;
    for (const CRefPtr<IGameObj>& object : m_pGame->GetObjects())
    {
        if (!IsFlyingBird(object.Get()))
            continue;
        const float distance = (object->GetPosition() - muzzle).LengthSquared();
        // Strictly nearer only: of two at the same distance the earlier wins.
        if (!best || distance < bestDistance)
        {
            best = object.Get();
            bestDistance = distance;
        }
    }
    if (!best)
        return;
    SetTarget(best);

    // Ahead of the bird along its heading by a third of the distance, and a
    // fifth of it higher.
    const CVector3 toTarget = m_pTarget->GetPosition() - muzzle;
    const float distance = toTarget.Length();
    const CVector3 aim =
        toTarget + m_pTarget->GetForward() * (distance / 3.0f) + CVector3(0.0f, 0.2f * distance, 0.0f);
    AimRotation(aim, m_AimRotation);
}

bool CAiTowerCtrl::GetDirection(CVector3& out)
{
    const CVector3 rotation = m_pObject ? m_pObject->GetRotation() : CVector3();
    out = WrapAngles(m_AimRotation - rotation);
    return true;
}

bool CAiTowerCtrl::IsTargetInRange()
{
    if (!m_pTarget || !m_pObject)
        return false;
    return (m_pTarget->GetPosition() - m_pObject->GetPosition()).LengthSquared() <= kRangeSquared;
}

bool CAiTowerCtrl::AimRotation(const CVector3& v, CVector3& rotation)
{
    const float length = v.Length();
    if (!(length > 0.0001f))
        return false;
    const CVector3 forward = v / length;
    const CVector3 aux =
        std::fabs(forward.y) > 0.9999f ? CVector3(0.0f, 0.0f, 1.0f) : CVector3(0.0f, 1.0f, 0.0f);
    const CVector3 right = forward.Cross(aux).Normalized();
    const CVector3 up = right.Cross(forward);
    CMatrix4 basis;
    basis.SetColumn(0, right);
    basis.SetColumn(1, up);
    basis.SetColumn(2, -forward);
    basis.GetEulerAngles(rotation);
    return true;
}

CVector3 CAiTowerCtrl::WrapAngles(const CVector3& angles)
{
    return CVector3(WrapAngle(angles.x), WrapAngle(angles.y), WrapAngle(angles.z));
}
