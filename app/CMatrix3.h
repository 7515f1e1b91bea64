#pragma once

#include "app/CVector3.h"

class CMatrix4;

// A 3x3 float rotation in row order: the element in row r and column c
// (0..3) is e[3r + c]. This is the form in which orientations are exchanged
// with the physics layer. A default-constructed matrix is the identity.
class CMatrix3
{
public:
    float e[9];

    CMatrix3() { SetIdentity(); }

    float& At(int r, int c) { return e[3 * r + c]; }
    float At(int r, int c) const { return e[3 * r + c]; }
    float& operator[](int i) { return e[i]; }
    float operator[](int i) const { return e[i]; }

    void SetIdentity();
    // Euler angles (x, y, z) in radians: the same nine numbers as
    // CMatrix4::SetRotation, in row order, that is Rz(z) * Rx(x) * Ry(y).
    void SetRotation(const CVector3& angles);
    // x = asin(e7), y = atan2(-e6, e8), z = atan2(-e1, e4); the inverse of
    // SetRotation for cos x > 0. The asin argument is clamped to [-1, 1];
    // at +-90 degrees of pitch yaw is 0 (as CMatrix4::GetEulerAngles).
    void GetEulerAngles(CVector3& out) const;
    void Transpose();

    // The rotation part of a column-major 4x4 matrix as a row-order 3x3:
    // rows (m0, m4, m8), (m1, m5, m9), (m2, m6, m10).
    void SetFromMatrix4(const CMatrix4& mat);
    // Writes this rotation into the upper 3x3 of mat (the inverse of
    // SetFromMatrix4); the other elements of mat are kept.
    void CopyToMatrix4(CMatrix4& mat) const;

    // this * v.
    CVector3 operator*(const CVector3& v) const;
};
