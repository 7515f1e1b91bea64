#include "render/CTransformableObj.h"

#include "app/Log.h"

namespace
{
constexpr float kPitchLimit = 1.5707964f;
constexpr float kFullTurn = 6.2831855f;
// Closer than this to the target, TurnTo keeps the orientation.
constexpr float kMinTurnDistance = 0.001f;
// |forward.y| beyond this uses (0, 0, 1) as the auxiliary vector.
constexpr float kVerticalLimit = 0.999f;

float WrapOnce(float angle)
{
    if (angle >= kFullTurn)
        return angle - kFullTurn;
    if (angle <= -kFullTurn)
        return angle + kFullTurn;
    return angle;
}
} // namespace

CTransformableObj::CTransformableObj() : m_Scale(1.0f, 1.0f, 1.0f), m_bMatrixValid(false), m_bAxesValid(false)
{
}

CTransformableObj::~CTransformableObj() {}

void CTransformableObj::SetPosition(const CVector3& position)
{
    m_Position = position;
    m_bMatrixValid = false;
}

void CTransformableObj::Translate(const CVector3& offset)
{
    m_Position += offset;
    m_bMatrixValid = false;
}

void CTransformableObj::SetScale(const CVector3& scale)
{
    m_Scale = scale;
    m_bMatrixValid = false;
}

void CTransformableObj::SetRotation(const CVector3& rotation)
{
    m_Rotation = rotation;
    m_bMatrixValid = m_bAxesValid = false;
}

void CTransformableObj::Pitch(float angle)
{
    float x = m_Rotation.x + angle;
    if (x > kPitchLimit)
        x = kPitchLimit;
    else if (x < -kPitchLimit)
        x = -kPitchLimit;
    m_Rotation.x = x;
    m_bMatrixValid = m_bAxesValid = false;
}

void CTransformableObj::Yaw(float angle)
{
    m_Rotation.y = WrapOnce(m_Rotation.y + angle);
    m_bMatrixValid = m_bAxesValid = false;
}

void CTransformableObj::Roll(float angle)
{
    m_Rotation.z = WrapOnce(m_Rotation.z + angle);
    m_bMatrixValid = m_bAxesValid = false;
}

void CTransformableObj::UpdateMatrix() const
{
    CMatrix4 t, r, s;
    t.SetTranslation(m_Position);
    r.SetRotationAngles(m_Rotation.x, m_Rotation.y, m_Rotation.z);
    s.SetScale(m_Scale);
    CMatrix4 tr;
    tr.Multiply(t, r);
    m_World.Multiply(tr, s);
    m_Right = m_World.GetColumn(0);
    m_Up = m_World.GetColumn(1);
    m_Forward = -m_World.GetColumn(2);
    m_bMatrixValid = m_bAxesValid = true;
}

const CMatrix4& CTransformableObj::GetWorldMatrix() const
{
    if (!m_bMatrixValid)
        UpdateMatrix();
    return m_World;
}

CVector3 CTransformableObj::GetForward() const
{
    if (!m_bAxesValid)
        UpdateMatrix();
    return m_Forward;
}

CVector3 CTransformableObj::GetRight() const
{
    if (!m_bAxesValid)
        UpdateMatrix();
    return m_Right;
}

CVector3 CTransformableObj::GetUp() const
{
    if (!m_bAxesValid)
        UpdateMatrix();
    return m_Up;
}

void CTransformableObj::TurnTo(const CVector3& target)
{
    if (!m_bMatrixValid)
        UpdateMatrix();
    CVector3 d = target - m_Position;
    const float distance = d.Length();
    if (distance <= kMinTurnDistance)
        return;
    const CVector3 forward = d / distance;
    const CVector3 aux =
        (forward.y > kVerticalLimit || forward.y < -kVerticalLimit) ? CVector3(0, 0, 1) : CVector3(0, 1, 0);
    const CVector3 right = forward.Cross(aux).Normalized();
    const CVector3 up = right.Cross(forward);

    // The unit basis gives the Euler angles.
    CMatrix4 basis = m_World;
    basis.SetColumn(0, right);
    basis.SetColumn(1, up);
    basis.SetColumn(2, -forward);
    basis.GetEulerAngles(m_Rotation);

    // The cached matrix is that rotation with the object's scale, so a scaled
    // object keeps its size (R x S scales the columns); the translation
    // column stays.
    m_World = basis;
    m_World.SetColumn(0, right * m_Scale.x);
    m_World.SetColumn(1, up * m_Scale.y);
    m_World.SetColumn(2, -forward * m_Scale.z);
    m_Forward = forward;
    m_Right = right;
    m_Up = up;
    m_bMatrixValid = m_bAxesValid = true;
}

void CTransformableObj::LookAt(const CVector3& /*target*/)
{
    Log(1, "Error: CTransformableObj::LookAt not implemented");
}
