#include "game/CFollowCameraCtrl.h"

#include "app/CMatrix4.h"

void CFollowCameraCtrl::SetOffset(const CVector3& offset, bool yawOnly, bool rotateOffset)
{
    m_Offset = offset;
    m_bYawOnly = yawOnly;
    m_bRotateOffset = rotateOffset;
}

void CFollowCameraCtrl::Update()
{
    if (!m_pCamera || !m_pTarget)
        return;
    const CVector3& rotation = m_pTarget->GetRotation();
    const CVector3 yawOnly(0.0f, rotation.y, 0.0f);
    CVector3 offset = m_Offset;
    if (m_bRotateOffset)
    {
        CMatrix4 turn;
        turn.SetRotation(yawOnly);
        turn.TransformVector(offset, m_Offset);
    }
    m_pCamera->SetPosition(m_pTarget->GetPosition() + offset);
    m_pCamera->SetRotation(m_bYawOnly ? yawOnly : rotation);
}
