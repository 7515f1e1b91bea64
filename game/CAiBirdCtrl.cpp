#include "game/CAiBirdCtrl.h"

#include "app/Log.h"
#include "game/CAiTowerCtrl.h"
#include "game/CBuildingObj.h"
#include "game/CGameCtrl.h"
#include "game/CTerrain.h"
#include "game/IGameObj.h"

#include <cmath>

namespace
{

// Squared distance within which a point counts as reached.
const float kReachedSq = 2.0f;
const float kDropHeight = 2.0f;
const float kOverflyDistance = 25.0f;
const float kOverflyHeight = 18.0f;
// The target lies within 60 degrees of the heading.
const float kFacingCos = 0.5f;

} // namespace

CAiBirdCtrl::CAiBirdCtrl(CGameCtrl* gameCtrl)
    : m_pGameCtrl(gameCtrl), m_iRunState(RUN_APPROACH), m_pTarget(nullptr)
{
}

CAiBirdCtrl::~CAiBirdCtrl()
{
    ForgetTarget();
}

void CAiBirdCtrl::ForgetTarget()
{
    if (m_pTarget)
        m_pTarget->RemoveObserver(this);
    m_pTarget = nullptr;
}

void CAiBirdCtrl::SetObject(IGameObj* object)
{
    if (!object)
        ForgetTarget();
    IBirdCtrl::SetObject(object);
}

bool CAiBirdCtrl::EnsureTarget(const char* warning)
{
    if (m_pTarget)
        return true;
    if (!m_pObject)
        return false;
    m_pTarget = m_pGameCtrl ? m_pGameCtrl->GetRandomBuilding() : nullptr;
    if (!m_pTarget)
    {
        Log(0, "%s", warning);
        m_WantedRotation = m_pObject->GetRotation() + CVector3(0.0f, kCircleYaw, 0.0f);
        return false;
    }
    m_pTarget->AddObserver(this);
    return true;
}

void CAiBirdCtrl::SteerToward(const CVector3& point)
{
    if (m_pObject)
        CAiTowerCtrl::AimRotation(point - m_pObject->GetPosition(), m_WantedRotation);
}

float CAiBirdCtrl::DistanceSquaredTo(const CVector3& point) const
{
    return m_pObject ? (point - m_pObject->GetPosition()).LengthSquared() : 0.0f;
}

void CAiBirdCtrl::UpdateDropPoint()
{
    SBoundingSphere sphere;
    sphere.centre = m_pTarget->GetPosition();
    sphere.radius = 0.0f;
    m_pTarget->GetBoundingSphere(sphere);
    m_DropPoint = sphere.centre + CVector3(0.0f, sphere.radius + kDropHeight, 0.0f);
}

void CAiBirdCtrl::StartOverfly()
{
    CVector3 heading = m_pObject->GetForward();
    heading.y = 0.0f;
    if (std::fabs(heading.x) < 0.001f && std::fabs(heading.z) < 0.001f)
        heading = CVector3(1.0f, 0.0f, 0.0f);
    heading.Normalize();
    m_OverflyPoint = m_pObject->GetPosition() + heading * kOverflyDistance;
    float ground = 0.0f;
    if (m_pGameCtrl)
        if (const CRefPtr<CTerrain>& terrain = m_pGameCtrl->GetTerrain())
            ground = terrain->GetHeightAt(m_OverflyPoint.x, m_OverflyPoint.z);
    m_OverflyPoint.y = ground + kOverflyHeight;
    m_iRunState = RUN_OVERFLY;
}

void CAiBirdCtrl::Update(float /*dt*/)
{
    if (!m_pObject)
        return;
    if (auto* building = dynamic_cast<CBuildingObj*>(m_pTarget))
        if (building->GetState() == CBuildingObj::STATE_DESTROYED)
            ForgetTarget();
    if (!EnsureTarget("Warning: CAiBirdCtrl: No building found"))
        return;

    if (m_iRunState != RUN_OVERFLY)
        UpdateDropPoint();
    switch (m_iRunState)
    {
    case RUN_APPROACH:
        if (DistanceSquaredTo(m_DropPoint) <= kReachedSq)
            StartOverfly();
        else
            SteerToward(m_DropPoint);
        break;
    case RUN_OVERFLY:
        if (DistanceSquaredTo(m_OverflyPoint) <= kReachedSq)
            m_iRunState = RUN_TURN_BACK;
        else
            SteerToward(m_OverflyPoint);
        break;
    default:
    {
        CVector3 h = m_DropPoint - m_pObject->GetPosition();
        h.y = 0.0f;
        const float len = h.Length();
        if (len <= 0.0001f)
            break;
        const CVector3 forward = m_pObject->GetForward();
        if ((forward.x * h.x + forward.z * h.z) / len >= kFacingCos)
            m_iRunState = RUN_APPROACH;
        else
            SteerToward(m_DropPoint);
        break;
    }
    }
}

void CAiBirdCtrl::GetMoveDirection(CVector3& out)
{
    out = m_pObject ? m_pObject->GetForward() : CVector3();
}

bool CAiBirdCtrl::GetDirection(CVector3& out)
{
    const CVector3 current = m_pObject ? m_pObject->GetRotation() : CVector3();
    out = CAiTowerCtrl::WrapAngles(m_WantedRotation - current);
    return true;
}

bool CAiBirdCtrl::WantsToDrop()
{
    return m_pTarget && m_pObject && DistanceSquaredTo(m_DropPoint) <= kReachedSq;
}
