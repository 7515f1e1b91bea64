#include "app/CPhysXBody.h"

#include "app/CMatrix3.h"
#include "platform/physx/NxController.h"
#include "platform/physx/NxPhysics.h"

CPhysXBody::HitHandler CPhysXBody::s_pfnHitHandler = nullptr;

void CPhysXBody::NotifyHit(CPhysXBody* other)
{
    if (owner && other && other->owner && s_pfnHitHandler)
        s_pfnHitHandler(owner, other->owner);
}

// ------------------------------------------------------------------ actor

CPhysXActor::CPhysXActor(plat::NxActor* actor) : m_pActor(actor)
{
    if (m_pActor)
        m_pActor->userData = static_cast<CPhysXBody*>(this);
}

CPhysXActor::~CPhysXActor()
{
    m_pActor = nullptr;
}

void CPhysXActor::SetPosition(const CVector3& p)
{
    m_pActor->setGlobalPosition(plat::NxVec3(p.x, p.y, p.z));
}

void CPhysXActor::SetRotation(const CVector3& angles)
{
    // CMatrix3 holds CMatrix4's nine numbers, which are the rotation's
    // transpose; the SDK wants the rotation itself, row by row.
    CMatrix3 r;
    r.SetRotation(angles);
    r.Transpose();
    plat::NxMat33 m;
    m.setRowMajor(r.e);
    m_pActor->setGlobalOrientation(m);
}

CVector3 CPhysXActor::GetPosition() const
{
    const plat::NxVec3 p = m_pActor->getGlobalPosition();
    return CVector3(p.x, p.y, p.z);
}

CVector3 CPhysXActor::GetRotation() const
{
    CMatrix3 r;
    m_pActor->getGlobalOrientation().getRowMajor(r.e);
    r.Transpose();
    CVector3 angles;
    r.GetEulerAngles(angles);
    return angles;
}

void CPhysXActor::Launch(const CVector3& v, int)
{
    m_pActor->addForce(plat::NxVec3(v.x, v.y, v.z), plat::NX_FORCE);
}

// ------------------------------------------------------------- controller

CPhysXController::CPhysXController(plat::NxController* controller)
    : collisionFlags(0), m_pController(controller)
{
}

CPhysXController::~CPhysXController()
{
    m_pController = nullptr;
}

void CPhysXController::SetPosition(const CVector3& p)
{
    m_pController->setPosition(plat::NxExtendedVec3(p.x, p.y, p.z));
}

uint32_t CPhysXController::Move(const CVector3& d, uint32_t activeGroups)
{
    return m_pController->move(plat::NxVec3(d.x, d.y, d.z), activeGroups, 0.001f, collisionFlags, 1.0f);
}

CVector3 CPhysXController::GetPosition() const
{
    const plat::NxExtendedVec3& p = m_pController->getPosition();
    return CVector3(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}
