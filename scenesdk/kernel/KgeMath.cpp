#include "scenesdk/kernel/KgeMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace scenesdk
{

namespace
{

// Axis indices (i, j, k) of Euler-order codes 0..11; two codes per order.
const int kEulerAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

constexpr double kGimbalThreshold = 0.999999;
constexpr double kEulerDegenerate = 1.6e-09;
constexpr double kQuaternionEpsilon = 1e-10;
constexpr double kHalfDegToRad = 0.008726646259971648;
constexpr double kTwiceRadToDeg = 114.59155902616465;

inline double& At(double* m, int r, int c)
{
    return m[4 * r + c];
}
inline double At(const double* m, int r, int c)
{
    return m[4 * r + c];
}

void SetRotation3(double* m, const double (&r)[3][3])
{
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            At(m, row, col) = r[row][col];
}

double RowLength(const double* m, int r)
{
    return std::sqrt(At(m, r, 0) * At(m, r, 0) + At(m, r, 1) * At(m, r, 1) + At(m, r, 2) * At(m, r, 2));
}

} // namespace

void KgeCrossProduct(double* out, const double* a, const double* b)
{
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

double KgeDotProduct(const double* a, const double* b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void KgeScaleVector3(double* out, const double* v, double s)
{
    for (int i = 0; i < 3; ++i)
        out[i] = s * v[i];
}

void KgeScaleVector4(double* out, const double* v, double s)
{
    for (int i = 0; i < 4; ++i)
        out[i] = s * v[i];
}

void KgeVector4Set(double* v, double x, double y, double z, double w)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
    v[3] = w;
}

int KgeVectorCompare(const double* a, const double* b, double tolerance)
{
    if (tolerance == 0.0)
    {
        const int c = std::memcmp(a, b, 3 * sizeof(double));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(a[i] - b[i]) <= tolerance))
            return 1;
    return 0;
}

void KgeCopyAffine(double* out, const double* m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            At(out, r, c) = At(m, r, c);
}

void KgeCopyMatrix(double* out, const double* m)
{
    if (out != m)
        std::memmove(out, m, 16 * sizeof(double));
}

void KgeMatrixIdentity(double* m)
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

void KgeMatrixSetTranslation(double* m, double x, double y, double z)
{
    m[12] = x;
    m[13] = y;
    m[14] = z;
}

void KgeMatrixFromScaling(double* m, const double* v)
{
    m[0] = v[0];
    m[5] = v[1];
    m[10] = v[2];
}

void KgeTransposeRotation(double* out, const double* m)
{
    double r[3][3];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r[row][col] = At(m, col, row);
    SetRotation3(out, r);
}

void KgeRotateVector(double* out, const double* m, const double* v)
{
    double r[3];
    for (int c = 0; c < 3; ++c)
        r[c] = v[0] * At(m, 0, c) + v[1] * At(m, 1, c) + v[2] * At(m, 2, c);
    std::copy(r, r + 3, out);
}

void KgeTransformPoint(double* out, const double* m, const double* v)
{
    double r[3];
    for (int c = 0; c < 3; ++c)
        r[c] = v[0] * At(m, 0, c) + v[1] * At(m, 1, c) + v[2] * At(m, 2, c) + At(m, 3, c);
    std::copy(r, r + 3, out);
}

void KgeRotationMultiply(double* out, const double* a, const double* b)
{
    double r[3][3];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r[row][col] =
                At(b, row, 0) * At(a, 0, col) + At(b, row, 1) * At(a, 1, col) + At(b, row, 2) * At(a, 2, col);
    SetRotation3(out, r);
}

void KgeRotationMultiplyTransposed(double* out, const double* a, const double* b)
{
    double r[3][3];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r[row][col] =
                At(b, row, 0) * At(a, col, 0) + At(b, row, 1) * At(a, col, 1) + At(b, row, 2) * At(a, col, 2);
    SetRotation3(out, r);
}

void KgeMatrixMultiply(double* out, const double* a, const double* b)
{
    double r[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            r[4 * row + col] = At(b, row, 0) * At(a, 0, col) + At(b, row, 1) * At(a, 1, col) +
                               At(b, row, 2) * At(a, 2, col) + At(b, row, 3) * At(a, 3, col);
    std::memcpy(out, r, sizeof(r));
}

bool KgeMatrixIsRightHanded(const double* m)
{
    const double det = At(m, 0, 0) * (At(m, 1, 1) * At(m, 2, 2) - At(m, 1, 2) * At(m, 2, 1)) -
                       At(m, 0, 1) * (At(m, 1, 0) * At(m, 2, 2) - At(m, 1, 2) * At(m, 2, 0)) +
                       At(m, 0, 2) * (At(m, 1, 0) * At(m, 2, 1) - At(m, 1, 1) * At(m, 2, 0));
    return det >= 0.0;
}

void KgeAffineInverseMultiply(double* out, const double* a, const double* b)
{
    // inverse(a)'s 3x3 part is transpose(a) with column i divided by |row i|^2,
    // so a point p maps to ((p - t_a) . row_i(a)) / |row_i(a)|^2 per axis i.
    double inv[3];
    for (int i = 0; i < 3; ++i)
    {
        const double len2 = At(a, i, 0) * At(a, i, 0) + At(a, i, 1) * At(a, i, 1) + At(a, i, 2) * At(a, i, 2);
        inv[i] = len2 > 0.0 ? 1.0 / len2 : 0.0;
    }
    double r[16];
    for (int row = 0; row < 4; ++row)
    {
        double v[3] = {At(b, row, 0), At(b, row, 1), At(b, row, 2)};
        if (row == 3)
            for (int c = 0; c < 3; ++c)
                v[c] -= At(a, 3, c);
        for (int i = 0; i < 3; ++i)
            r[4 * row + i] = (v[0] * At(a, i, 0) + v[1] * At(a, i, 1) + v[2] * At(a, i, 2)) * inv[i];
        r[4 * row + 3] = row == 3 ? 1.0 : 0.0;
    }
    std::memcpy(out, r, sizeof(r));
}

bool KgeEulerAxes(int code, int* i, int* j, int* k)
{
    if (code < 0 || code > 11)
        return false;
    *i = kEulerAxes[code / 2][0];
    *j = kEulerAxes[code / 2][1];
    *k = kEulerAxes[code / 2][2];
    return true;
}

void KgeMatrixFromEulerXYZ(double* m, double x, double y, double z)
{
    const double cx = std::cos(x * kKgeDegToRad), sx = std::sin(x * kKgeDegToRad);
    const double cy = std::cos(y * kKgeDegToRad), sy = std::sin(y * kKgeDegToRad);
    const double cz = std::cos(z * kKgeDegToRad), sz = std::sin(z * kKgeDegToRad);
    const double r[3][3] = {{cy * cz, cy * sz, -sy},
                            {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
                            {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy}};
    SetRotation3(m, r);
}

void KgeMatrixFromEuler(double* m, const double* angles)
{
    KgeMatrixFromEulerXYZ(m, angles[0], angles[1], angles[2]);
}

void KgeMatrixToEulerXYZ(double* angles, const double* m)
{
    const double m02 = At(m, 0, 2);
    double x, y, z;
    if (std::isnan(m02) || m02 >= kGimbalThreshold)
    {
        x = std::atan2(-At(m, 2, 1), -At(m, 2, 0)) * kKgeRadToDeg;
        y = -90.0;
        z = 0.0;
    }
    else if (m02 <= -kGimbalThreshold)
    {
        x = std::atan2(At(m, 1, 0), At(m, 1, 1)) * kKgeRadToDeg;
        y = 90.0;
        z = 0.0;
    }
    else
    {
        x = std::atan2(At(m, 1, 2), At(m, 2, 2)) * kKgeRadToDeg;
        y = -std::asin(m02) * kKgeRadToDeg;
        z = std::atan2(At(m, 0, 1), At(m, 0, 0)) * kKgeRadToDeg;
    }
    angles[0] = x;
    angles[1] = y;
    angles[2] = z;
}

void KgeMatrixFromEulerOrder2(double* m, const double* angles, int code)
{
    int i, j, k;
    if (!KgeEulerAxes(code, &i, &j, &k))
    {
        code = 0;
        KgeEulerAxes(0, &i, &j, &k);
    }
    const double sign = (code & 2) ? -1.0 : 1.0;
    const double a = sign * angles[0] * kKgeDegToRad;
    const double b = sign * angles[1] * kKgeDegToRad;
    const double c = sign * angles[2] * kKgeDegToRad;
    const double c1 = std::cos(a), s1 = std::sin(a);
    const double c2 = std::cos(b), s2 = std::sin(b);
    const double c3 = std::cos(c), s3 = std::sin(c);
    const double cc = c1 * c3, cs = c1 * s3, sc = s1 * c3, ss = s1 * s3;
    double r[3][3];
    if (code & 1)
    {
        r[i][i] = c2, r[i][j] = s2 * s3, r[i][k] = -s2 * c3;
        r[j][i] = s2 * s1, r[j][j] = cc - c2 * ss, r[j][k] = c2 * sc + cs;
        r[k][i] = s2 * c1, r[k][j] = -c2 * cs - sc, r[k][k] = c2 * cc - ss;
    }
    else
    {
        r[i][i] = c2 * c3, r[i][j] = c2 * s3, r[i][k] = -s2;
        r[j][i] = s2 * sc - cs, r[j][j] = s2 * ss + cc, r[j][k] = c2 * s1;
        r[k][i] = s2 * cc + ss, r[k][j] = s2 * cs - sc, r[k][k] = c2 * c1;
    }
    SetRotation3(m, r);
}

void KgeMatrixFromEulerOrder(double* m, const double* angles, int code)
{
    int i, j, k;
    if (!KgeEulerAxes(code, &i, &j, &k))
    {
        KgeMatrixFromEulerOrder2(m, angles, 0);
        return;
    }
    const double sequence[3] = {angles[i], angles[j], angles[k]};
    KgeMatrixFromEulerOrder2(m, sequence, code);
}

void KgeMatrixToEulerOrder(double* angles, const double* m, int code)
{
    int i, j, k;
    if (!KgeEulerAxes(code, &i, &j, &k))
    {
        code = 0;
        KgeEulerAxes(0, &i, &j, &k);
    }
    double a, b, c;
    if (code & 1)
    {
        const double sy = std::sqrt(At(m, j, i) * At(m, j, i) + At(m, k, i) * At(m, k, i));
        b = std::atan2(sy, At(m, i, i));
        if (sy > kEulerDegenerate)
        {
            a = std::atan2(At(m, j, i), At(m, k, i));
            c = std::atan2(At(m, i, j), -At(m, i, k));
        }
        else
        {
            a = std::atan2(-At(m, k, j), At(m, j, j));
            c = 0.0;
        }
    }
    else
    {
        const double cy = std::sqrt(At(m, i, i) * At(m, i, i) + At(m, i, j) * At(m, i, j));
        b = std::atan2(-At(m, i, k), cy);
        if (cy > kEulerDegenerate)
        {
            a = std::atan2(At(m, j, k), At(m, k, k));
            c = std::atan2(At(m, i, j), At(m, i, i));
        }
        else
        {
            a = std::atan2(-At(m, k, j), At(m, j, j));
            c = 0.0;
        }
    }
    const double sign = (code & 2) ? -kKgeRadToDeg : kKgeRadToDeg;
    angles[0] = a * sign;
    angles[1] = b * sign;
    angles[2] = c * sign;
}

void KgeMatrixToEulerOrthonormal(double* angles, const double* m)
{
    double len[3] = {RowLength(m, 0), RowLength(m, 1), RowLength(m, 2)};
    double cross[3];
    KgeCrossProduct(cross, m, m + 4);
    if (KgeDotProduct(cross, m + 8) < 0.0)
        for (double& l : len)
            l = -l;
    double n[16];
    KgeMatrixIdentity(n);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            At(n, r, c) = len[r] != 0.0 ? At(m, r, c) / len[r] : 0.0;
    KgeMatrixToEulerXYZ(angles, n);
}

void KgeMatrixFromQuaternion(double* m, const double* q)
{
    KgeMatrixFromQuaternion(m, q[0], q[1], q[2], q[3]);
}

void KgeMatrixFromQuaternion(double* m, double x, double y, double z, double w)
{
    const double n = x * x + y * y + z * z + w * w;
    const double s = n > 0.0 ? 2.0 / n : 0.0;
    const double xs = x * s, ys = y * s, zs = z * s;
    const double wx = w * xs, wy = w * ys, wz = w * zs;
    const double xx = x * xs, xy = x * ys, xz = x * zs;
    const double yy = y * ys, yz = y * zs, zz = z * zs;
    // Row-vector form: the transpose of the column-vector rotation matrix.
    const double r[3][3] = {{1.0 - (yy + zz), xy + wz, xz - wy},
                            {xy - wz, 1.0 - (xx + zz), yz + wx},
                            {xz + wy, yz - wx, 1.0 - (xx + yy)}};
    SetRotation3(m, r);
}

void KgeMatrixToQuaternion(double* q, const double* m)
{
    double t = (At(m, 0, 0) + At(m, 1, 1) + At(m, 2, 2) + 1.0) / 4.0;
    if (t > kQuaternionEpsilon)
    {
        const double w = std::sqrt(t);
        const double d = 4.0 * w;
        KgeVector4Set(q, (At(m, 1, 2) - At(m, 2, 1)) / d, (At(m, 2, 0) - At(m, 0, 2)) / d,
                      (At(m, 0, 1) - At(m, 1, 0)) / d, w);
        return;
    }
    t = -(At(m, 1, 1) + At(m, 2, 2)) / 2.0;
    if (t > kQuaternionEpsilon)
    {
        const double x = std::sqrt(t);
        KgeVector4Set(q, x, At(m, 0, 1) / (2.0 * x), At(m, 0, 2) / (2.0 * x), 0.0);
        return;
    }
    t = (1.0 - At(m, 2, 2)) / 2.0;
    if (t > kQuaternionEpsilon)
    {
        const double y = std::sqrt(t);
        KgeVector4Set(q, 0.0, y, At(m, 1, 2) / (2.0 * y), 0.0);
        return;
    }
    KgeVector4Set(q, 0.0, 0.0, 1.0, 0.0);
}

double KgeQuaternionLength(const double* q)
{
    return std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
}

void KgeQuaternionConjugate(double* out, const double* q)
{
    KgeVector4Set(out, -q[0], -q[1], -q[2], q[3]);
}

void KgeQuaternionMultiply(double* out, const double* a, const double* b)
{
    const double x = a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1];
    const double y = a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0];
    const double z = a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3];
    const double w = a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2];
    KgeVector4Set(out, x, y, z, w);
}

void KgeMatrixFromTRS(double* m, const double* t, const double* r, const double* s)
{
    KgeMatrixIdentity(m);
    KgeMatrixFromEuler(m, r);
    for (int row = 0; row < 3; ++row)
        for (int c = 0; c < 3; ++c)
            At(m, row, c) *= s[row];
    KgeMatrixSetTranslation(m, t[0], t[1], t[2]);
}

void KgeQuaternionToYAxis(double* out, const double* q)
{
    // Row 1 of KgeMatrixFromQuaternion: where the rotation takes the Y axis.
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double n = x * x + y * y + z * z + w * w;
    const double s = n > 0.0 ? 2.0 / n : 0.0;
    out[0] = (x * y - w * z) * s;
    out[1] = 1.0 - (x * x + z * z) * s;
    out[2] = (y * z + w * x) * s;
}

void KgeMatrixFromSpheric(double* m, const double* angles)
{
    const double a = angles[0] * kHalfDegToRad, b = angles[1] * kHalfDegToRad, c = angles[2] * kHalfDegToRad;
    const double sa = std::sin(a), ca = std::cos(a);
    const double sb = std::sin(b), cb = std::cos(b);
    const double sc = std::sin(c), cc = std::cos(c);
    // swing (0, sb, sc, cb cc) times twist (sa, 0, 0, ca), not normalised:
    // KgeMatrixFromQuaternion scales by 2 / |q|^2.
    KgeMatrixFromQuaternion(m, sa * cc * cb, sb * ca + sc * sa, sc * ca - sb * sa, ca * cc * cb);
}

void KgeMatrixToSpheric(double* angles, const double* m)
{
    const double m0 = m[0], m1 = m[1], m2 = m[2];
    if (!(m0 > -0.9999999999))
    {
        angles[0] = angles[1] = angles[2] = 180.0;
        return;
    }
    // The swing: the shortest turn of X onto row 0, (0, -m2, m1, 1 + m0)
    // normalised. It is the normalised (0, sb, sc, cb cc), whose length
    // sqrt(1 + sb^2 sc^2) = s solves d = (q.y q.z)^2 = sb^2 sc^2 / s^4.
    double q[4] = {0.0, -m2, m1, m0 + 1.0};
    KgeScaleVector4(q, q, 1.0 / KgeQuaternionLength(q));
    const double d = q[1] * q[1] * q[2] * q[2];
    const double s = d > 1e-10 ? std::sqrt((0.5 / d) * (1.0 - std::sqrt(std::max(0.0, 1.0 - 4.0 * d)))) : 1.0;
    angles[1] = std::asin(std::clamp(s * q[1], -1.0, 1.0)) * kTwiceRadToDeg;
    angles[2] = std::asin(std::clamp(s * q[2], -1.0, 1.0)) * kTwiceRadToDeg;
    // What remains after the swing is the twist about X.
    double whole[4], swingInv[4], twist[4], y[3];
    KgeMatrixToQuaternion(whole, m);
    KgeQuaternionConjugate(swingInv, q);
    KgeQuaternionMultiply(twist, swingInv, whole);
    const double len = KgeQuaternionLength(twist);
    if (len > 0.0)
        KgeScaleVector4(twist, twist, 1.0 / len);
    KgeQuaternionToYAxis(y, twist);
    angles[0] = std::atan2(y[2], y[1]) * kKgeRadToDeg;
}

void KgeRotationFromPivotRecord(const KgePivotRotationRecord& record, double* m, const double* angles)
{
    if (record.eulerCode == 0)
        KgeMatrixFromEuler(m, angles);
    else if (record.eulerCode == kKgeEulerSpheric)
        KgeMatrixFromSpheric(m, angles);
    else
        KgeMatrixFromEulerOrder(m, angles, record.eulerCode);
    if (record.flags & KgePivotRotationRecord::kPreRotation)
        KgeRotationMultiply(m, record.preRotation, m);
    if (record.flags & KgePivotRotationRecord::kPostRotation)
    {
        double postT[16];
        KgeTransposeRotation(postT, record.postRotation);
        KgeRotationMultiply(m, m, postT);
    }
}

void KgeAnglesFromPivotRecord(const KgePivotRotationRecord& record, double* angles, const double* m)
{
    double r[16];
    KgeCopyMatrix(r, m);
    if (record.flags & KgePivotRotationRecord::kPreRotation)
        KgeRotationMultiplyTransposed(r, record.preRotation, r);
    if (record.flags & KgePivotRotationRecord::kPostRotation)
        KgeRotationMultiply(r, r, record.postRotation);
    int i, j, k;
    if (record.eulerCode == kKgeEulerSpheric)
        KgeMatrixToSpheric(angles, r);
    else if (KgeEulerAxes(record.eulerCode, &i, &j, &k) && record.eulerCode != 0)
    {
        double sequence[3];
        KgeMatrixToEulerOrder(sequence, r, record.eulerCode);
        angles[i] = sequence[0];
        angles[j] = sequence[1];
        angles[k] = sequence[2];
    }
    else
        KgeMatrixToEulerXYZ(angles, r);
}

void KgeClampToLimits(const KgeLimitRecord& limits, double* out, const double* in)
{
    double v[3] = {in[0], in[1], in[2]};
    if (limits.flags & 0x7E)
        for (int i = 0; i < 3; ++i)
        {
            if ((limits.flags & (2u << i)) && v[i] < limits.min[i])
                v[i] = limits.min[i];
            if ((limits.flags & (16u << i)) && v[i] > limits.max[i])
                v[i] = limits.max[i];
        }
    std::copy(v, v + 3, out);
}

} // namespace scenesdk
