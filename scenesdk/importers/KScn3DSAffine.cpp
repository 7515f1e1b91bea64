#include "scenesdk/importers/KScn3DSAffine.h"

#include "scenesdk/importers/KStreamOptionsForeign.h"
#include "scenesdk/kernel/KgeMath.h"

#include <cmath>

namespace scenesdk
{

namespace
{

// Relative size under which a determinant counts as zero, and the largest
// cosine between two axes still taken as a right angle.
constexpr double kSingular = 1e-12;
constexpr double kSkew = 1e-4;

double ColumnLength(const KScn3DSAffine& a, int j)
{
    return std::sqrt(a.m[0][j] * a.m[0][j] + a.m[1][j] * a.m[1][j] + a.m[2][j] * a.m[2][j]);
}

} // namespace

KScn3DSAffine KScn3DSAffine::FromFile(const float* axes, const KStreamOptionsForeign& options)
{
    // C, the axis conversion, column by column; the result is C A C^T.
    double c[3][3];
    for (int j = 0; j < 3; ++j)
    {
        double e[3] = {j == 0 ? 1.0 : 0.0, j == 1 ? 1.0 : 0.0, j == 2 ? 1.0 : 0.0};
        options.ConvertDirection(e[0], e[1], e[2]);
        for (int i = 0; i < 3; ++i)
            c[i][j] = e[i];
    }
    double ca[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                ca[i][j] += c[i][k] * axes[3 * j + k];
    KScn3DSAffine out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
        {
            out.m[i][j] = 0.0;
            for (int k = 0; k < 3; ++k)
                out.m[i][j] += ca[i][k] * c[j][k];
        }
    double x = axes[9], y = axes[10], z = axes[11];
    options.ConvertPosition(x, y, z);
    out.m[0][3] = x;
    out.m[1][3] = y;
    out.m[2][3] = z;
    return out;
}

KScn3DSAffine KScn3DSAffine::Translation(double x, double y, double z)
{
    KScn3DSAffine out;
    out.m[0][3] = x;
    out.m[1][3] = y;
    out.m[2][3] = z;
    return out;
}

KScn3DSAffine KScn3DSAffine::Scaling(double x, double y, double z)
{
    KScn3DSAffine out;
    out.m[0][0] = x;
    out.m[1][1] = y;
    out.m[2][2] = z;
    return out;
}

KScn3DSAffine KScn3DSAffine::operator*(const KScn3DSAffine& b) const
{
    KScn3DSAffine out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
        {
            double sum = j == 3 ? m[i][3] : 0.0;
            for (int k = 0; k < 3; ++k)
                sum += m[i][k] * b.m[k][j];
            out.m[i][j] = sum;
        }
    return out;
}

double KScn3DSAffine::Determinant() const
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

bool KScn3DSAffine::Invert(KScn3DSAffine& out) const
{
    const double det = Determinant();
    const double scale = ColumnLength(*this, 0) * ColumnLength(*this, 1) * ColumnLength(*this, 2);
    if (!(scale > 0.0) || !std::isfinite(det) || std::fabs(det) <= kSingular * scale)
        return false;
    KScn3DSAffine inverse;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
        {
            // Cofactor of (j, i) over the determinant.
            const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
            inverse.m[i][j] = (m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0]) / det;
        }
    for (int i = 0; i < 3; ++i)
        inverse.m[i][3] =
            -(inverse.m[i][0] * m[0][3] + inverse.m[i][1] * m[1][3] + inverse.m[i][2] * m[2][3]);
    out = inverse;
    return true;
}

bool KScn3DSAffine::Decompose(double* translation, double* rotation, double* scale) const
{
    KScn3DSAffine unused;
    if (!Invert(unused))
        return false;
    double s[3] = {ColumnLength(*this, 0), ColumnLength(*this, 1), ColumnLength(*this, 2)};
    if (Determinant() < 0.0)
        s[0] = -s[0];
    double r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i][j] = m[i][j] / s[j];
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b)
            if (std::fabs(r[0][a] * r[0][b] + r[1][a] * r[1][b] + r[2][a] * r[2][b]) > kSkew)
                return false;
    // The scene's rotations are row-vector matrices: row i is where axis i goes.
    double rows[16];
    KgeMatrixIdentity(rows);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rows[4 * i + j] = r[j][i];
    KgeMatrixToEulerXYZ(rotation, rows);
    for (int i = 0; i < 3; ++i)
    {
        translation[i] = m[i][3];
        scale[i] = s[i];
    }
    return true;
}

} // namespace scenesdk
