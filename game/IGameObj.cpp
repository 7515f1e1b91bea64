#include "game/IGameObj.h"

#include "app/Log.h"

#include <algorithm>

IGameObj::IGameObj(CGameCtrl* owner, uint32_t type)
    : m_pOwner(owner), m_bMoved(true), m_uiType(type), m_bDead(false)
{
}

IGameObj::~IGameObj()
{
    // Not virtual dispatch: a derived part is gone by now.
    IGameObj::Kill();
}

void IGameObj::Update(float dt)
{
    OnUpdate(dt);
    if (m_bMoved && m_pRepresentation)
    {
        m_pRepresentation->OnMoved();
        m_bMoved = false;
    }
}

void IGameObj::SetPosition(const CVector3& position)
{
    m_Transform.SetPosition(position);
    m_bMoved = true;
}

void IGameObj::SetRotation(const CVector3& rotation)
{
    m_Transform.SetRotation(rotation);
    m_bMoved = true;
}

void IGameObj::SetScale(const CVector3& scale)
{
    m_Transform.SetScale(scale);
    m_bMoved = true;
}

void IGameObj::LookAt(const CVector3& target)
{
    m_Transform.LookAt(target);
    m_bMoved = true;
}

void IGameObj::TurnTo(const CVector3& point)
{
    m_Transform.TurnTo(point);
    m_bMoved = true;
}

void IGameObj::Translate(const CVector3& offset)
{
    m_Transform.Translate(offset);
    m_bMoved = true;
}

void IGameObj::Pitch(float angle)
{
    m_Transform.Pitch(angle);
    m_bMoved = true;
}

void IGameObj::Yaw(float angle)
{
    m_Transform.Yaw(angle);
    m_bMoved = true;
}

void IGameObj::Roll(float angle)
{
    m_Transform.Roll(angle);
    m_bMoved = true;
}

void IGameObj::Kill()
{
    // The list is taken first: an observer may add or remove observers of
    // this object while it is told.
    std::vector<IObjObserver*> observers;
    observers.swap(m_Observers);
    for (IObjObserver* observer : observers)
        observer->OnObservedKilled();
    m_bDead = true;
    if (m_pRepresentation)
    {
        m_pRepresentation->Detach();
        m_pRepresentation->ForgetOwner();
        m_pRepresentation.Release();
    }
    m_pOwner = nullptr;
}

SBoundingSphere& IGameObj::GetBoundingSphere(SBoundingSphere& out)
{
    if (!m_pRepresentation)
    {
        Log(1, "Error: m_pRepresentation is NULL in IGameObj::GetBoundingSphere()");
        return out;
    }
    out = m_pRepresentation->GetBoundingSphere();
    return out;
}

SOrientedBox& IGameObj::GetBoundingBox(SOrientedBox& out)
{
    if (!m_pRepresentation)
    {
        Log(1, "Error: m_pRepresentation is NULL in IGameObj::GetBoundingBox()");
        return out;
    }
    out = m_pRepresentation->GetBoundingBox();
    return out;
}

bool IGameObj::RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                               float& distance)
{
    if (!m_pRepresentation)
    {
        Log(1, "Warning: RayIntersection called for object with NULL m_pRepresentation");
        return false;
    }
    return m_pRepresentation->RayIntersection(origin, direction, hitPoint, distance);
}

void IGameObj::AddObserver(IObjObserver* observer)
{
    if (observer)
        m_Observers.push_back(observer);
}

void IGameObj::RemoveObserver(IObjObserver* observer)
{
    m_Observers.erase(std::remove(m_Observers.begin(), m_Observers.end(), observer), m_Observers.end());
}
