#include "app/CMatrix4.h"

#include <algorithm>
#include <cmath>

namespace
{
struct SAngles
{
    double sx, cx, sy, cy, sz, cz;
    explicit SAngles(double x, double y, double z)
        : sx(std::sin(x)), cx(std::cos(x)), sy(std::sin(y)), cy(std::cos(y)), sz(std::sin(z)), cz(std::cos(z))
    {
    }
};

float F(double v)
{
    return static_cast<float>(v);
}

// The sixteen cofactors of a column-major matrix, as the adjugate (the
// transposed cofactor matrix), also column-major, plus the determinant.
// Built from the 2x2 minors of the upper and lower row pairs.
double Adjugate(const float* m, double* adj)
{
    // a(r, c) = element in row r, column c.
    auto a = [m](int r, int c) { return static_cast<double>(m[4 * c + r]); };

    // 2x2 minors of rows 0-1 (s) and rows 2-3 (t) over column pairs.
    const double s0 = a(0, 0) * a(1, 1) - a(1, 0) * a(0, 1);
    const double s1 = a(0, 0) * a(1, 2) - a(1, 0) * a(0, 2);
    const double s2 = a(0, 0) * a(1, 3) - a(1, 0) * a(0, 3);
    const double s3 = a(0, 1) * a(1, 2) - a(1, 1) * a(0, 2);
    const double s4 = a(0, 1) * a(1, 3) - a(1, 1) * a(0, 3);
    const double s5 = a(0, 2) * a(1, 3) - a(1, 2) * a(0, 3);

    const double c5 = a(2, 2) * a(3, 3) - a(3, 2) * a(2, 3);
    const double c4 = a(2, 1) * a(3, 3) - a(3, 1) * a(2, 3);
    const double c3 = a(2, 1) * a(3, 2) - a(3, 1) * a(2, 2);
    const double c2 = a(2, 0) * a(3, 3) - a(3, 0) * a(2, 3);
    const double c1 = a(2, 0) * a(3, 2) - a(3, 0) * a(2, 2);
    const double c0 = a(2, 0) * a(3, 1) - a(3, 0) * a(2, 1);

    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;

    // inv(r, c) * det, stored column-major at 4c + r.
    auto set = [adj](int r, int c, double v) { adj[4 * c + r] = v; };
    set(0, 0, a(1, 1) * c5 - a(1, 2) * c4 + a(1, 3) * c3);
    set(0, 1, -a(0, 1) * c5 + a(0, 2) * c4 - a(0, 3) * c3);
    set(0, 2, a(3, 1) * s5 - a(3, 2) * s4 + a(3, 3) * s3);
    set(0, 3, -a(2, 1) * s5 + a(2, 2) * s4 - a(2, 3) * s3);

    set(1, 0, -a(1, 0) * c5 + a(1, 2) * c2 - a(1, 3) * c1);
    set(1, 1, a(0, 0) * c5 - a(0, 2) * c2 + a(0, 3) * c1);
    set(1, 2, -a(3, 0) * s5 + a(3, 2) * s2 - a(3, 3) * s1);
    set(1, 3, a(2, 0) * s5 - a(2, 2) * s2 + a(2, 3) * s1);

    set(2, 0, a(1, 0) * c4 - a(1, 1) * c2 + a(1, 3) * c0);
    set(2, 1, -a(0, 0) * c4 + a(0, 1) * c2 - a(0, 3) * c0);
    set(2, 2, a(3, 0) * s4 - a(3, 1) * s2 + a(3, 3) * s0);
    set(2, 3, -a(2, 0) * s4 + a(2, 1) * s2 - a(2, 3) * s0);

    set(3, 0, -a(1, 0) * c3 + a(1, 1) * c1 - a(1, 2) * c0);
    set(3, 1, a(0, 0) * c3 - a(0, 1) * c1 + a(0, 2) * c0);
    set(3, 2, -a(3, 0) * s3 + a(3, 1) * s1 - a(3, 2) * s0);
    set(3, 3, a(2, 0) * s3 - a(2, 1) * s1 + a(2, 2) * s0);
    return det;
}
} // namespace

CVector3 EulerFromRotation(double r00, double r01, double r10, double r11, double r20, double r21, double r22)
{
    // Names: rRC = the value at row-order position (R, C) of the product
    // Rz * Rx * Ry, i.e. m[4R + C] or e[3R + C].
    const double x = std::asin(std::clamp(r21, -1.0, 1.0));
    double y, z;
    if (std::sqrt(r20 * r20 + r22 * r22) < kGimbalLockLimit)
    {
        // Pitch is +-90 degrees: yaw and roll turn about the same axis and
        // only their sum or difference is defined, the ratios below are
        // rounding noise. Take yaw 0 and put the whole turn into roll.
        y = 0.0;
        z = std::atan2(r10, r00);
    }
    else
    {
        y = std::atan2(-r20, r22);
        z = std::atan2(-r01, r11);
    }
    return CVector3(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void CMatrix4::SetIdentity()
{
    std::fill(m, m + 16, 0.0f);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void CMatrix4::SetTranslation(const CVector3& t)
{
    SetIdentity();
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
}

void CMatrix4::SetScale(const CVector3& s)
{
    std::fill(m, m + 16, 0.0f);
    m[0] = s.x;
    m[5] = s.y;
    m[10] = s.z;
    m[15] = 1.0f;
}

void CMatrix4::SetRotationY(float angle)
{
    std::fill(m, m + 16, 0.0f);
    const double c = std::cos(static_cast<double>(angle));
    const double s = std::sin(static_cast<double>(angle));
    m[0] = F(c);
    m[2] = F(s);
    m[8] = F(-s);
    m[10] = F(c);
    m[5] = m[15] = 1.0f;
}

void CMatrix4::SetRotation(const CVector3& angles)
{
    SetRotationAngles(angles.x, angles.y, angles.z);
}

void CMatrix4::SetRotationAngles(float x, float y, float z)
{
    const SAngles a(x, y, z);
    m[0] = F(a.cz * a.cy - a.sz * a.sy * a.sx);
    m[1] = F(-a.cx * a.sz);
    m[2] = F(a.cy * a.sz * a.sx + a.cz * a.sy);
    m[4] = F(a.cz * a.sy * a.sx + a.cy * a.sz);
    m[5] = F(a.cz * a.cx);
    m[6] = F(a.sz * a.sy - a.cz * a.cy * a.sx);
    m[8] = F(-a.cx * a.sy);
    m[9] = F(a.sx);
    m[10] = F(a.cy * a.cx);
    m[3] = m[7] = m[11] = m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CMatrix4::SetViewRotation(const CVector3& angles)
{
    const SAngles a(angles.x, angles.y, angles.z);
    m[0] = F(a.cy * a.cz);
    m[1] = F(a.sx * a.sy * a.cz - a.cx * a.sz);
    m[2] = F(a.cx * a.sy * a.cz + a.sx * a.sz);
    m[4] = F(a.cy * a.sz);
    m[5] = F(a.sx * a.sy * a.sz + a.cx * a.cz);
    m[6] = F(a.cx * a.sy * a.sz - a.sx * a.cz);
    m[8] = F(-a.sy);
    m[9] = F(a.sx * a.cy);
    m[10] = F(a.cx * a.cy);
    m[3] = m[7] = m[11] = m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CMatrix4::SetOrtho(float width, float height, float a, float b)
{
    std::fill(m, m + 16, 0.0f);
    m[0] = F(2.0 / width);
    m[5] = F(-2.0 / height);
    m[10] = F(2.0 / (static_cast<double>(a) - b));
    m[12] = -1.0f;
    m[13] = 1.0f;
    m[14] = F((static_cast<double>(a) + b) / (static_cast<double>(b) - a));
    m[15] = 1.0f;
}

void CMatrix4::SetPerspective(float fov, float aspect, float zNear, float zFar)
{
    std::fill(m, m + 16, 0.0f);
    const double f = 1.0 / std::tan(fov * 0.5);
    const double n = zNear, fa = zFar;
    const double m10 = (n + fa) / (n - fa);
    m[0] = F(f / aspect);
    m[5] = F(f);
    m[10] = F(m10);
    m[11] = -1.0f;
    m[14] = F(m10 * n - n);
    m[15] = 0.0f;
}

CMatrix4 CMatrix4::operator*(const CMatrix4& other) const
{
    CMatrix4 r;
    r.Multiply(*this, other);
    return r;
}

void CMatrix4::Multiply(const CMatrix4& a, const CMatrix4& b)
{
    float out[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
        {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += static_cast<double>(a.m[4 * k + r]) * b.m[4 * c + k];
            out[4 * c + r] = F(sum);
        }
    std::copy(out, out + 16, m);
}

float CMatrix4::Determinant() const
{
    double adj[16];
    return F(Adjugate(m, adj));
}

bool CMatrix4::Invert()
{
    double adj[16];
    const double det = Adjugate(m, adj);
    if (det == 0.0 || !std::isfinite(det))
        return false;
    const double inv = 1.0 / det;
    for (int i = 0; i < 16; ++i)
        m[i] = F(adj[i] * inv);
    return true;
}

void CMatrix4::Transpose()
{
    for (int r = 0; r < 4; ++r)
        for (int c = r + 1; c < 4; ++c)
            std::swap(m[4 * c + r], m[4 * r + c]);
}

void CMatrix4::TransformPoint(CVector3& out, const CVector3& in) const
{
    const double x = in.x, y = in.y, z = in.z;
    const float ox = F(m[0] * x + m[4] * y + m[8] * z + m[12]);
    const float oy = F(m[1] * x + m[5] * y + m[9] * z + m[13]);
    const float oz = F(m[2] * x + m[6] * y + m[10] * z + m[14]);
    out.Set(ox, oy, oz);
}

void CMatrix4::TransformVector(CVector3& out, const CVector3& in) const
{
    const double x = in.x, y = in.y, z = in.z;
    const float ox = F(m[0] * x + m[4] * y + m[8] * z);
    const float oy = F(m[1] * x + m[5] * y + m[9] * z);
    const float oz = F(m[2] * x + m[6] * y + m[10] * z);
    out.Set(ox, oy, oz);
}

void CMatrix4::GetEulerAngles(CVector3& out) const
{
    out = EulerFromRotation(m[0], m[1], m[4], m[5], m[8], m[9], m[10]);
}

bool CMatrix4::operator==(const CMatrix4& o) const
{
    return std::equal(m, m + 16, o.m);
}
