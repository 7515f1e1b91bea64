#include "app/CMatrix3.h"

#include "app/CMatrix4.h"

#include <algorithm>
#include <cmath>

void CMatrix3::SetIdentity()
{
    std::fill(e, e + 9, 0.0f);
    e[0] = e[4] = e[8] = 1.0f;
}

void CMatrix3::SetRotation(const CVector3& angles)
{
    const double sx = std::sin(static_cast<double>(angles.x)), cx = std::cos(static_cast<double>(angles.x));
    const double sy = std::sin(static_cast<double>(angles.y)), cy = std::cos(static_cast<double>(angles.y));
    const double sz = std::sin(static_cast<double>(angles.z)), cz = std::cos(static_cast<double>(angles.z));
    e[0] = static_cast<float>(cz * cy - sz * sy * sx);
    e[1] = static_cast<float>(-cx * sz);
    e[2] = static_cast<float>(cy * sz * sx + cz * sy);
    e[3] = static_cast<float>(cz * sy * sx + cy * sz);
    e[4] = static_cast<float>(cz * cx);
    e[5] = static_cast<float>(sz * sy - cz * cy * sx);
    e[6] = static_cast<float>(-cx * sy);
    e[7] = static_cast<float>(sx);
    e[8] = static_cast<float>(cy * cx);
}

void CMatrix3::GetEulerAngles(CVector3& out) const
{
    out = EulerFromRotation(e[0], e[1], e[3], e[4], e[6], e[7], e[8]);
}

void CMatrix3::Transpose()
{
    std::swap(e[1], e[3]);
    std::swap(e[2], e[6]);
    std::swap(e[5], e[7]);
}

void CMatrix3::SetFromMatrix4(const CMatrix4& mat)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            e[3 * r + c] = mat.At(r, c);
}

void CMatrix3::CopyToMatrix4(CMatrix4& mat) const
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            mat.At(r, c) = e[3 * r + c];
}

CVector3 CMatrix3::operator*(const CVector3& v) const
{
    const double x = v.x, y = v.y, z = v.z;
    return CVector3(static_cast<float>(e[0] * x + e[1] * y + e[2] * z),
                    static_cast<float>(e[3] * x + e[4] * y + e[5] * z),
                    static_cast<float>(e[6] * x + e[7] * y + e[8] * z));
}
