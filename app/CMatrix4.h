#pragma once

#include "app/CVector3.h"

// Below this length of (m8, m10) (the cosine of the pitch) Euler extraction
// treats the pitch as exactly +-90 degrees.
constexpr double kGimbalLockLimit = 1e-6;

// The Euler angles of a rotation given by the row-order product
// Rz * Rx * Ry (see CMatrix4::GetEulerAngles); shared with CMatrix3.
CVector3 EulerFromRotation(double r00, double r01, double r10, double r11, double r20, double r21,
                           double r22);

// A 4x4 float matrix stored as OpenGL loads it, column-major: the element in
// row r and column c (0..3) is m[4c + r], so m[12], m[13], m[14] hold the
// translation and m[15] the homogeneous corner. Points are column vectors:
// (A * B) applied to p applies B first. Angles are radians. Products are
// worked out in double precision and stored as floats.
//
// A default-constructed matrix is the identity.
class CMatrix4
{
public:
    float m[16];

    CMatrix4() { SetIdentity(); }

    // Element in row r, column c.
    float& At(int r, int c) { return m[4 * c + r]; }
    float At(int r, int c) const { return m[4 * c + r]; }
    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    // The 16 floats in column-major order, ready for glLoadMatrixf.
    const float* Data() const { return m; }

    void SetIdentity();
    void SetTranslation(const CVector3& t);
    void SetScale(const CVector3& s);
    void SetRotationY(float angle);
    // Euler angles (x, y, z): read row by row, m0..m2, m4..m6, m8..m10 are
    // the product Rz(z) * Rx(x) * Ry(y) of right-handed axis rotations; the
    // matrix itself is its transpose. Translation zero, m15 = 1.
    void SetRotation(const CVector3& angles);
    void SetRotationAngles(float x, float y, float z);
    // As SetRotation with Rz(z) * Ry(y) * Rx(x): the camera's view rotation.
    void SetViewRotation(const CVector3& angles);
    // Maps x in 0..width to -1..1 and y in 0..height to 1..-1 (origin top
    // left); z by a and b.
    void SetOrtho(float width, float height, float a, float b);
    // fov is the full vertical angle in radians.
    void SetPerspective(float fov, float aspect, float zNear, float zFar);

    CMatrix4 operator*(const CMatrix4& other) const;
    // this = a * b; a or b may be this matrix.
    void Multiply(const CMatrix4& a, const CMatrix4& b);
    float Determinant() const;
    // Replaces the matrix by its inverse (adjugate over determinant) and
    // returns true. A singular matrix (determinant 0, or not finite) is left
    // unchanged and false is returned.
    bool Invert();
    void Transpose();

    // out = this * (in, 1), without perspective division (m3, m7, m11, m15
    // are ignored). out may be in.
    void TransformPoint(CVector3& out, const CVector3& in) const;
    // out = upper 3x3 * in: a direction, without the translation. out may be in.
    void TransformVector(CVector3& out, const CVector3& in) const;
    // Euler angles of a matrix made by SetRotation: x = asin(m9),
    // y = atan2(-m8, m10), z = atan2(-m1, m5). The asin argument is clamped
    // to [-1, 1], so rounding noise never gives NaN angles. At +-90 degrees
    // of pitch (|(m8, m10)| below kGimbalLockLimit) yaw is 0 and the turn
    // goes into roll: z = atan2(m4, m0), which rebuilds the same matrix.
    void GetEulerAngles(CVector3& out) const;

    // Column c's first three elements (c = 0..3); column 3 is the translation.
    CVector3 GetColumn(int c) const { return CVector3(m[4 * c], m[4 * c + 1], m[4 * c + 2]); }
    void SetColumn(int c, const CVector3& v)
    {
        m[4 * c] = v.x;
        m[4 * c + 1] = v.y;
        m[4 * c + 2] = v.z;
    }
    CVector3 GetTranslation() const { return GetColumn(3); }

    bool operator==(const CMatrix4& o) const;
    bool operator!=(const CMatrix4& o) const { return !(*this == o); }
};
