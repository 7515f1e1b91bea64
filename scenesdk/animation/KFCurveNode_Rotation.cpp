// KFCurveNode: rotation channels. Closest equivalent Euler angles, rotation
// offsets for pasting keys, and the quaternion interpolation of an Euler
// channel between its keys.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KgeMath.h"

#include <algorithm>
#include <cmath>

namespace scenesdk
{

namespace
{

// Axis-table rows, one per pair of order codes.
const int kAxisRows[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

constexpr double kOneOver360 = 0.002777777777777778;

int SafeOrder(int order)
{
    return (order >= 0 && order <= KFCURVENODE_ROTATION_SPHERIC) ? order : 0;
}

// 360 times the whole turns that bring value nearest to reference.
double TurnOffset(double value, double reference, double threshold)
{
    const double d = (reference - value) * kOneOver360;
    const double n = std::trunc(d);
    const double f = d - n;
    double k = n;
    if (f > threshold)
    {
        k = n + 1.0;
    }
    else if (f < -threshold)
    {
        k = n - 1.0;
    }
    return 360.0 * k;
}

double Dot4(const double* a, const double* b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

void Negate4(double* q)
{
    for (int i = 0; i < 4; ++i)
    {
        q[i] = -q[i];
    }
}

// KFCurveNode::ClosestAngle, inlined where whole curves are unrolled.
inline double Closest(double angle, double reference)
{
    return angle + TurnOffset(angle, reference, 0.5);
}

// Steps 1 to 3 of the closest-angle choice; true when the flipped triple won.
bool ClosestEulerImpl(double* out, const double* p, const double* a, const int* order)
{
    const int i0 = order[0], i1 = order[1], i2 = order[2];
    const double pa = p[i0], pb = p[i1], pc = p[i2];
    const double c1[3] = {Closest(a[i0], pa), Closest(a[i1], pb), Closest(a[i2], pc)};
    const double c2[3] = {Closest(a[i0] + 180.0, pa), Closest(180.0 - a[i1], pb), Closest(a[i2] + 180.0, pc)};
    const double d1 = (c1[0] - pa) * (c1[0] - pa) + (c1[1] - pb) * (c1[1] - pb) + (c1[2] - pc) * (c1[2] - pc);
    const double d2 = (c2[0] - pa) * (c2[0] - pa) + (c2[1] - pb) * (c2[1] - pb) + (c2[2] - pc) * (c2[2] - pc);
    const bool flipped = d2 <= d1;
    const double* c = flipped ? c2 : c1;
    double first = c[0], second = c[1], third = c[2];
    double m = std::fmod(second, 360.0);
    if (m < 0.0)
    {
        m += 360.0;
    }
    if (std::fabs(m - 90.0) <= 0.000001)
    {
        const double d = ((pa - first) + (pc - third)) / 2.0;
        first += d;
        third += d;
    }
    else if (std::fabs(m - 270.0) <= 0.000001)
    {
        const double d = ((pa - first) - (pc - third)) / 2.0;
        first += d;
        third -= d;
    }
    out[i0] = first;
    out[i1] = second;
    out[i2] = third;
    return flipped;
}

} // namespace

void KFCurveNode::GetAxisOrder(int order, int* row)
{
    const int r = (order >= 0 && order < 12) ? order / 2 : 0;
    row[0] = kAxisRows[r][0];
    row[1] = kAxisRows[r][1];
    row[2] = kAxisRows[r][2];
}

void KFCurveNode::AnglesToMatrix(int order, const double* angles, double* m)
{
    order = SafeOrder(order);
    if (order == 0)
    {
        KgeMatrixFromEuler(m, angles);
    }
    else if (order == KFCURVENODE_ROTATION_SPHERIC)
    {
        KgeMatrixFromSpheric(m, angles);
    }
    else
    {
        int row[3];
        GetAxisOrder(order, row);
        const double picked[3] = {angles[row[0]], angles[row[1]], angles[row[2]]};
        KgeMatrixFromEulerOrder2(m, picked, order);
    }
}

void KFCurveNode::ComposeEuler(int order, double* out, const double* a, const double* b)
{
    double ma[16];
    double mb[16];
    double r[16];
    KgeMatrixIdentity(ma);
    KgeMatrixIdentity(mb);
    KgeMatrixIdentity(r);
    AnglesToMatrix(order, a, ma);
    AnglesToMatrix(order, b, mb);
    KgeRotationMultiply(r, ma, mb);
    MatrixToAngles(order, r, out);
}

void KFCurveNode::MatrixToAngles(int order, const double* m, double* angles)
{
    order = SafeOrder(order);
    if (order == 0)
    {
        KgeMatrixToEulerXYZ(angles, m);
    }
    else if (order == KFCURVENODE_ROTATION_SPHERIC)
    {
        KgeMatrixToSpheric(angles, m);
    }
    else
    {
        int row[3];
        GetAxisOrder(order, row);
        double sequence[3];
        KgeMatrixToEulerOrder(sequence, m, order);
        angles[row[0]] = sequence[0];
        angles[row[1]] = sequence[1];
        angles[row[2]] = sequence[2];
    }
}

double KFCurveNode::ClosestAngle(double angle, double reference)
{
    return Closest(angle, reference);
}

void KFCurveNode::ClosestEuler(double* out, const double* p, const double* a, const int* order)
{
    double result[3] = {a[0], a[1], a[2]};
    ClosestEulerImpl(result, p, a, order);
    out[0] = result[0];
    out[1] = result[1];
    out[2] = result[2];
}

bool KFCurveNode::IsEulerTriple() const
{
    if (mCurve != nullptr || GetChildCount() != 3)
    {
        return false;
    }
    for (int i = 0; i < 3; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child == nullptr || child->mCurve == nullptr || child->GetChildCount() != 0)
        {
            return false;
        }
    }
    return true;
}

void KFCurveNode::GetClosestRotation(double* out, const double* in, KTime time)
{
    if (!IsEulerTriple())
    {
        return;
    }
    const int order = SafeOrder(mRotationOrder);
    if (order == KFCURVENODE_ROTATION_SPHERIC)
    {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        return;
    }
    KTime previous;
    GetPreviousKeyTime(previous, time, nullptr);
    double reference[3];
    EvaluateTree(reference, previous, nullptr);
    int row[3];
    GetAxisOrder(order, row);
    ClosestEuler(out, reference, in, row);
}

bool KFCurveNode::GetRotationOffset(double* offsets, const double* a, const double* b) const
{
    const int order = SafeOrder(mRotationOrder);
    bool flipped = false;
    if (order != KFCURVENODE_ROTATION_SPHERIC)
    {
        int row[3];
        GetAxisOrder(order, row);
        double closest[3];
        flipped = ClosestEulerImpl(closest, b, a, row);
    }
    const double base[3] = {flipped ? a[0] + 180.0 : a[0], flipped ? 180.0 - a[1] : a[1],
                            flipped ? a[2] + 180.0 : a[2]};
    for (int i = 0; i < 3; ++i)
    {
        offsets[i] = TurnOffset(base[i], b[i], 0.5000000000000002);
    }
    return flipped;
}

void KFCurveNode::AddVector4(double* out, const double* a, const double* b)
{
    AddValues(out, a, b, 4);
}

void KFCurveNode::AddValues(double* out, const double* a, const double* b, int n)
{
    for (int i = 0; i < n; ++i)
    {
        out[i] = a[i] + b[i];
    }
}

void KFCurveNode::ScaleValues(double* out, const double* a, double s, int n)
{
    for (int i = 0; i < n; ++i)
    {
        out[i] = s * a[i];
    }
}

void KFCurveNode::BlendValues(double* out, const double* a, const double* b, double w, int n)
{
    for (int i = 0; i < n; ++i)
    {
        out[i] = (1.0 - w) * a[i] + w * b[i];
    }
}

// ---- Quaternion interpolation ----

// Whether the quaternion path applies at a time, and the key window on
// child 0's curve.
bool KFCurveNode::QuaternionWindow(KTime time, int* hint, double& position, int& k0, int& k1)
{
    if (!mQuaternionInterpolation || !IsEulerTriple())
    {
        return false;
    }
    KFCurve* curve = GetChildAt(0)->mCurve;
    const int count = curve->GetKeyCount();
    if (count < 2)
    {
        return false;
    }
    position = curve->FindKeyExtrapolated(time, hint);
    if (!std::isfinite(position))
    {
        return false;
    }
    k0 = static_cast<int>(std::floor(position));
    k1 = static_cast<int>(std::ceil(position));
    return k0 != k1 && k0 >= 0 && k1 >= 0 && k0 < count && k1 < count;
}

// The orientation of the channel at a time relative to base (the matrix at
// the first key of the window), as a quaternion.
void KFCurveNode::RelativeQuaternion(KTime time, const double* base, double* q)
{
    double angles[3];
    EvaluateTree(angles, time, nullptr);
    double m[16], rel[16];
    KgeMatrixIdentity(m);
    KgeMatrixIdentity(rel);
    AnglesToMatrix(mRotationOrder, angles, m);
    KgeRotationMultiplyTransposed(rel, base, m);
    KgeMatrixToQuaternion(q, rel);
}

// Tangent (per second) of the quaternion path at a key: the outgoing one at
// the window's first key or the incoming one at its second. dtPrev and dtNext
// are the key-time differences in seconds around the key; qPrev, q, qNext
// the quaternions there. hasPrev/hasNext say whether real neighbours exist.
void KFCurveNode::QuaternionTangent(bool outgoing, int key, const double* qPrev, const double* q,
                                    const double* qNext, double dtPrev, double dtNext, bool hasPrev,
                                    bool hasNext, double* tangent)
{
    double in[4], out[4];
    for (int i = 0; i < 4; ++i)
    {
        in[i] = dtPrev > 0.0 ? (q[i] - qPrev[i]) / dtPrev : 0.0;
        out[i] = dtNext > 0.0 ? (qNext[i] - q[i]) / dtNext : 0.0;
    }
    if (!hasPrev)
    {
        std::copy(out, out + 4, in);
    }
    if (!hasNext)
    {
        std::copy(in, in + 4, out);
    }
    KFCurve* curve0 = GetChildAt(0)->mCurve;
    const uint32_t mode = curve0->GetKeyTangentMode(key);
    if ((mode & KFCURVE_TANGENT_TCB) == KFCURVE_TANGENT_TCB && (mode & KFCURVE_TANGENT_USER) == 0)
    {
        const double t = curve0->GetKeyData(key, 0);
        const double c = curve0->GetKeyData(key, 1);
        const double b = curve0->GetKeyData(key, 2);
        const double wIn = outgoing ? (1.0 + c) * (1.0 + b) : (1.0 + b) * (1.0 - c);
        const double wOut = outgoing ? (1.0 - c) * (1.0 - b) : (1.0 - b) * (1.0 + c);
        for (int i = 0; i < 4; ++i)
        {
            tangent[i] = (1.0 - t) / 2.0 * (wIn * in[i] + wOut * out[i]);
        }
        return;
    }
    // Auto: each of x, y, z blends by the auto bias of its angle curve's key
    // at that time (0 without one), w by the mean of the three.
    const KTime keyTime = curve0->GetKeyTime(key);
    double bias[4] = {0.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < 3; ++i)
    {
        KFCurve* curve = GetChildAt(i)->mCurve;
        const double p = curve->FindKey(keyTime);
        const int k = static_cast<int>(p);
        if (p >= 0.0 && p == std::floor(p) && k < curve->GetKeyCount() && curve->GetKeyTime(k) == keyTime)
        {
            bias[i] = outgoing ? curve->GetKeyRightAuto(k) : curve->GetKeyLeftAuto(k);
        }
    }
    bias[3] = (bias[0] + bias[1] + bias[2]) / 3.0;
    for (int i = 0; i < 4; ++i)
    {
        tangent[i] = outgoing ? KFCurve::RightAutoSlope(in[i], out[i], bias[i])
                              : KFCurve::LeftAutoSlope(in[i], out[i], bias[i]);
    }
}

// The key window of the quaternion path: the four key times around the
// interval, the orientation at its first key and the four orientations as
// quaternions relative to it, in one hemisphere.
struct KFCurveNode::QuaternionSpan
{
    int k0 = 0;
    int k1 = 0;
    KTime t0, t1, tPrev, tNext;
    bool hasPrev = false;
    bool hasNext = false;
    double base[16];
    double q[4][4]; // at tPrev, t0, t1, tNext
};

void KFCurveNode::QuaternionKeys(QuaternionSpan& span)
{
    KFCurve* curve0 = GetChildAt(0)->mCurve;
    const int count = curve0->GetKeyCount();
    span.t0 = curve0->GetKeyTime(span.k0);
    span.t1 = curve0->GetKeyTime(span.k1);
    span.hasPrev = span.k0 > 0;
    span.hasNext = span.k1 + 1 < count;
    const int64_t step = span.t1.Get() - span.t0.Get();
    span.tPrev = span.hasPrev ? curve0->GetKeyTime(span.k0 - 1) : KTime(span.t0.Get() - step);
    span.tNext = span.hasNext ? curve0->GetKeyTime(span.k1 + 1) : KTime(span.t1.Get() + step);

    double angles0[3];
    EvaluateTree(angles0, span.t0, nullptr);
    KgeMatrixIdentity(span.base);
    AnglesToMatrix(mRotationOrder, angles0, span.base);

    double(&q)[4][4] = span.q;
    KgeVector4Set(q[1], 0.0, 0.0, 0.0, 1.0);
    RelativeQuaternion(span.t1, span.base, q[2]);
    double rel1[16];
    KgeMatrixIdentity(rel1);
    KgeMatrixFromQuaternion(rel1, q[2]);
    if (span.hasPrev)
    {
        RelativeQuaternion(span.tPrev, span.base, q[0]);
    }
    else
    {
        // Mirror of the next key.
        double mirror[16];
        KgeMatrixIdentity(mirror);
        KgeTransposeRotation(mirror, rel1);
        KgeMatrixToQuaternion(q[0], mirror);
    }
    if (span.hasNext)
    {
        RelativeQuaternion(span.tNext, span.base, q[3]);
    }
    else
    {
        // The last step taken once more.
        double twice[16];
        KgeMatrixIdentity(twice);
        KgeRotationMultiply(twice, rel1, rel1);
        KgeMatrixToQuaternion(q[3], twice);
    }
    if (Dot4(q[0], q[1]) < 0.0)
    {
        Negate4(q[0]);
    }
    for (int i = 2; i < 4; ++i)
    {
        if (Dot4(q[i], q[i - 1]) < 0.0)
        {
            Negate4(q[i]);
        }
    }
}

// The cubic Bezier in quaternion space through the window's two keys,
// evaluated at fraction u by de Casteljau's construction.
void KFCurveNode::CubicQuaternion(const QuaternionSpan& span, double u, double* blended)
{
    KFCurve* curve0 = GetChildAt(0)->mCurve;
    const double dt = (span.t1 - span.t0).GetSeconds();
    const double dtPrev = (span.t0 - span.tPrev).GetSeconds();
    const double dtNext = (span.tNext - span.t1).GetSeconds();
    const int64_t third = (span.t1.Get() - span.t0.Get()) / 3;
    double p[4][4];
    std::copy(span.q[1], span.q[1] + 4, p[0]);
    std::copy(span.q[2], span.q[2] + 4, p[3]);
    // A key with its own (user) tangents takes its control point from the
    // channel's orientation a third of the way into the interval.
    const auto userTangent = [&](int key)
    {
        const uint32_t mode = curve0->GetKeyTangentMode(key);
        return (mode & KFCURVE_TANGENT_AUTO) == 0 && (mode & KFCURVE_TANGENT_TCB) != KFCURVE_TANGENT_TCB &&
               third > 0;
    };
    double tangent[4];
    if (userTangent(span.k0))
    {
        RelativeQuaternion(KTime(span.t0.Get() + third), span.base, p[1]);
    }
    else
    {
        QuaternionTangent(true, span.k0, span.q[0], span.q[1], span.q[2], dtPrev, dt, span.hasPrev, true,
                          tangent);
        for (int i = 0; i < 4; ++i)
        {
            p[1][i] = span.q[1][i] + dt / 3.0 * tangent[i];
        }
    }
    if (userTangent(span.k1))
    {
        RelativeQuaternion(KTime(span.t1.Get() - third), span.base, p[2]);
    }
    else
    {
        QuaternionTangent(false, span.k1, span.q[1], span.q[2], span.q[3], dt, dtNext, true, span.hasNext,
                          tangent);
        for (int i = 0; i < 4; ++i)
        {
            p[2][i] = span.q[2][i] - dt / 3.0 * tangent[i];
        }
    }
    for (int i = 1; i < 4; ++i)
    {
        if (Dot4(p[i], p[i - 1]) < 0.0)
        {
            Negate4(p[i]);
        }
    }
    double a[4], b[4], c[4], d[4], e[4];
    BlendValues(a, p[0], p[1], u, 4);
    BlendValues(b, p[1], p[2], u, 4);
    BlendValues(c, p[2], p[3], u, 4);
    BlendValues(d, a, b, u, 4);
    BlendValues(e, b, c, u, 4);
    BlendValues(blended, d, e, u, 4);
}

double* KFCurveNode::EvaluateQuaternionRotation(double* out, KTime time, int* hint, bool useCache)
{
    double position = 0.0;
    QuaternionSpan span;
    if (!QuaternionWindow(time, hint, position, span.k0, span.k1))
    {
        return EvaluateChildren(out, time, hint, useCache);
    }
    QuaternionKeys(span);
    const double u = position - span.k0;
    double blended[4];
    if (GetChildAt(0)->mCurve->GetKeyInterpolation(span.k0) != KFCURVE_INTERPOLATION_CUBIC)
    {
        BlendValues(blended, span.q[1], span.q[2], u, 4);
    }
    else
    {
        CubicQuaternion(span, u, blended);
    }
    double r[16], absolute[16];
    KgeMatrixIdentity(r);
    KgeMatrixIdentity(absolute);
    KgeMatrixFromQuaternion(r, blended);
    KgeRotationMultiply(absolute, span.base, r);
    MatrixToAngles(mRotationOrder, absolute, out);

    if (useCache)
    {
        for (int i = 0; i < 3; ++i)
        {
            KFCurveNode* child = GetChildAt(i);
            child->mCurve->EmptyCache();
            if (mLayerId == 0)
            {
                child->StoreCache(time, out + i, 1);
            }
        }
    }
    return out + 3;
}

} // namespace scenesdk
