#pragma once

#include "app/CMatrix4.h"
#include "app/CVector3.h"

// Position, orientation and scale of anything placed in the world or on the
// GUI's virtual screen, with a lazily rebuilt world matrix and axes.
//
// The world matrix is T(position) x R(rotation) x S(scale): a point is
// scaled, then rotated, then moved. Rotation is Euler angles in radians
// (x pitch, y yaw, z roll) composed as CMatrix4::SetRotationAngles. The axes
// are columns of the world matrix and carry the scale: right = column 0,
// up = column 1, forward = -column 2; a new object looks along (0, 0, -1).
//
// Two validity flags: position and scale changes invalidate only the matrix,
// rotation changes both; any rebuild validates both. So after SetScale the
// axes keep the old scale until something rebuilds the matrix.
class CTransformableObj
{
public:
    CTransformableObj();
    virtual ~CTransformableObj();

    void SetPosition(const CVector3& position);
    // Adds offset to the position.
    void Translate(const CVector3& offset);
    void SetScale(const CVector3& scale);
    void SetRotation(const CVector3& rotation);
    // rotation.x += angle, clamped to [-1.5707964, 1.5707964].
    void Pitch(float angle);
    // rotation.y (Yaw) or .z (Roll) += angle, brought back by one turn of
    // 6.2831855 when it reaches a full turn either way (once only).
    void Yaw(float angle);
    void Roll(float angle);

    const CVector3& GetPosition() const { return m_Position; }
    const CVector3& GetRotation() const { return m_Rotation; }
    const CVector3& GetScale() const { return m_Scale; }

    // The world matrix, rebuilt first when invalid.
    const CMatrix4& GetWorldMatrix() const;
    // The axes, rebuilt first when invalid.
    CVector3 GetForward() const;
    CVector3 GetRight() const;
    CVector3 GetUp() const;

    // Turns the object to face target: forward becomes the unit vector
    // towards it, right = forward x aux normalised and up = right x forward,
    // with aux = (0, 1, 0), or (0, 0, 1) when forward is within 0.001 of
    // straight up or down; the rotation becomes the matching Euler angles.
    // The cached axes are these unit vectors; the matrix keeps the object's
    // scale. A target within 0.001 of the position changes nothing.
    void TurnTo(const CVector3& target);
    // Not available: logs an error and changes nothing.
    void LookAt(const CVector3& target);

    // Rebuilds the world matrix and the axes from position, rotation and
    // scale, and validates both.
    void UpdateMatrix() const;

private:
    CVector3 m_Position;
    CVector3 m_Rotation;
    CVector3 m_Scale;
    mutable CMatrix4 m_World;
    mutable CVector3 m_Forward;
    mutable CVector3 m_Right;
    mutable CVector3 m_Up;
    mutable bool m_bMatrixValid;
    mutable bool m_bAxesValid;
};
