// KFCurve: key derivatives for every tangent kind, auto biases and their
// inverse, the tangent setters, weights and velocities.

#include "scenesdk/animation/KFCurve.h"

#include "scenesdk/animation/KFCurveInternal.h"

#include <algorithm>
#include <cmath>

namespace scenesdk
{

using namespace fcurve_detail;

namespace
{

double Secant(const KFKeyRecord& a, const KFKeyRecord& b)
{
    const double d = SecondsBetween(Ticks(a.mTime), Ticks(b.mTime));
    return d > 0.0 ? (static_cast<double>(b.mValue) - a.mValue) / d : 0.0;
}

double SnapZero(double s)
{
    return std::fabs(s) < 1e-5 ? 0.0 : s;
}

// Root of k*4e-6*b^2 + (linear)*b + constant = 0: the larger or the smaller.
double QuadraticRoot(double k, double linear, double constant, bool larger)
{
    const double a = k * 4e-6;
    const double discriminant = std::max(0.0, linear * linear - 4.0 * a * constant);
    const double r1 = (-linear + std::sqrt(discriminant)) / (2.0 * a);
    const double r2 = (-linear - std::sqrt(discriminant)) / (2.0 * a);
    return larger ? std::max(r1, r2) : std::min(r1, r2);
}

double Square(double x)
{
    return x * x;
}

} // namespace

// ---------------------------------------------------------------- auto slopes

double KFCurve::LeftAutoSlope(double a, double c, double b)
{
    if (std::fabs(b - 100.0) < 1e-5)
    {
        return a;
    }
    if (std::fabs(b + 100.0) < 1e-5)
    {
        return c;
    }
    double s = ((100.0 - b) * c + (b + 100.0) * a) * 0.005;
    if (b > 500.0)
    {
        s += Square((b - 500.0) * 0.002) * (a <= c ? -1000.0 : 1000.0);
    }
    else if (b < -500.0)
    {
        s += Square((b + 500.0) * 0.002) * (a <= c ? 1000.0 : -1000.0);
    }
    return s;
}

double KFCurve::RightAutoSlope(double a, double c, double b)
{
    double s = ((100.0 - b) * a + (b + 100.0) * c) * 0.005;
    if (b > 500.0)
    {
        s += Square((b - 500.0) * 0.002) * (c >= a ? 1000.0 : -1000.0);
    }
    else if (b < -500.0)
    {
        s += Square((b + 500.0) * 0.002) * (c >= a ? -1000.0 : 1000.0);
    }
    return s;
}

double KFCurve::LeftBiasFromSlope(double a, double c, double s)
{
    s = SnapZero(s);
    a = SnapZero(a);
    c = SnapZero(c);
    const double at500 = LeftAutoSlope(a, c, 500.0);
    const double atMinus500 = LeftAutoSlope(a, c, -500.0);
    if (s >= std::min(at500, atMinus500) && s <= std::max(at500, atMinus500))
    {
        return std::fabs(a - c) < 1e-5 ? 0.0 : (200.0 * s - 100.0 * a - 100.0 * c) / (a - c);
    }
    // Which quadratic branch: the one on the side of s.
    const bool above500 = at500 <= atMinus500 ? s < at500 : s > at500;
    if (above500)
    {
        const double k = a <= c ? -1000.0 : 1000.0;
        return QuadraticRoot(k, -0.004 * k + 0.005 * (a - c), 0.5 * (a + c) + k - s, true);
    }
    const double k = a <= c ? 1000.0 : -1000.0;
    return QuadraticRoot(k, 0.004 * k + 0.005 * (a - c), 0.5 * (a + c) + k - s, false);
}

double KFCurve::RightBiasFromSlope(double a, double c, double s)
{
    s = SnapZero(s);
    a = SnapZero(a);
    c = SnapZero(c);
    const double at500 = RightAutoSlope(a, c, 500.0);
    const double atMinus500 = RightAutoSlope(a, c, -500.0);
    if (s >= std::min(at500, atMinus500) && s <= std::max(at500, atMinus500))
    {
        return std::fabs(a - c) < 1e-5 ? 0.0 : (200.0 * s - 100.0 * a - 100.0 * c) / (c - a);
    }
    const bool above500 = at500 >= atMinus500 ? s > at500 : s < at500;
    if (above500)
    {
        const double k = c >= a ? 1000.0 : -1000.0;
        return QuadraticRoot(k, -0.004 * k + 0.005 * (c - a), 0.5 * (a + c) + k - s, true);
    }
    const double k = c >= a ? -1000.0 : 1000.0;
    return QuadraticRoot(k, 0.004 * k + 0.005 * (c - a), 0.5 * (a + c) + k - s, false);
}

// The secants around key i: a before, c after; one side copies the other at
// the ends, and a lone key has none.
void KFCurve::SecantsAround(int index, double& a, double& c) const
{
    a = 0.0;
    c = 0.0;
    if (!Valid(index) || mKeyCount < 2)
    {
        return;
    }
    if (index > 0)
    {
        a = Secant(Key(index - 1), Key(index));
    }
    if (index < mKeyCount - 1)
    {
        c = Secant(Key(index), Key(index + 1));
    }
    if (index == 0)
    {
        a = c;
    }
    if (index == mKeyCount - 1)
    {
        c = a;
    }
}

// ---------------------------------------------------------------- TCB

// Right slope of TCB key i with its own tension, continuity and bias.
double KFCurve::TCBRight(int i) const
{
    const KFKeyRecord& k = Key(i);
    const double t = k.GetDataFloat(KFCURVEKEY_TCB_TENSION);
    const double c = k.GetDataFloat(KFCURVEKEY_TCB_CONTINUITY);
    const double b = k.GetDataFloat(KFCURVEKEY_TCB_BIAS);
    const double out = i + 1 < mKeyCount ? Secant(k, Key(i + 1)) : 0.0;
    if (i == 0)
    {
        return out * (1.0 - b) * (1.0 - c) * (1.0 - t);
    }
    const double in = Secant(Key(i - 1), k);
    return (in * (1.0 + b) * (1.0 + c) + out * (1.0 - b) * (1.0 - c)) * (1.0 - t) * 0.5;
}

// Left slope at key i (i >= 1) by the TCB rule, with the tension, continuity
// and bias of key paramsFrom.
double KFCurve::TCBLeft(int i, int paramsFrom) const
{
    const KFKeyRecord& p = Key(paramsFrom);
    const double t = p.GetDataFloat(KFCURVEKEY_TCB_TENSION);
    const double c = p.GetDataFloat(KFCURVEKEY_TCB_CONTINUITY);
    const double b = p.GetDataFloat(KFCURVEKEY_TCB_BIAS);
    const double in = Secant(Key(i - 1), Key(i));
    if (i == mKeyCount - 1)
    {
        return in * (1.0 - c) * (1.0 + b) * (1.0 - t);
    }
    const double out = Secant(Key(i), Key(i + 1));
    return (in * (1.0 - c) * (1.0 + b) + out * (1.0 - b) * (1.0 + c)) * (1.0 - t) * 0.5;
}

// ---------------------------------------------------------------- derivatives

double KFCurve::GetKeyRightDerivative(int i) const
{
    if (!Valid(i))
    {
        return 0.0;
    }
    if (i == mKeyCount - 1)
    {
        return mKeyCount >= 2 ? GetKeyLeftDerivative(i) : 0.0;
    }
    const KFKeyRecord& k = Key(i);
    switch (k.GetInterpolation())
    {
    case KFCURVE_INTERPOLATION_LINEAR:
        return Secant(k, Key(i + 1));
    case KFCURVE_INTERPOLATION_CUBIC:
        break;
    default:
        return 0.0;
    }
    const uint32_t tangent = k.GetTangentMode();
    if (IsUserKind(tangent))
    {
        return k.mData[0];
    }
    if (IsAutoKind(tangent))
    {
        double a, c;
        SecantsAround(i, a, c);
        return RightAutoSlope(a, c, k.mData[0]);
    }
    if (tangent == KFCURVE_TANGENT_TCB)
    {
        return TCBRight(i);
    }
    return 0.0;
}

double KFCurve::GetKeyLeftDerivative(int i) const
{
    if (!Valid(i))
    {
        return 0.0;
    }
    if (i == 0)
    {
        return mKeyCount >= 2 ? GetKeyRightDerivative(0) : 0.0;
    }
    const KFKeyRecord& prev = Key(i - 1);
    const KFKeyRecord& k = Key(i);
    const bool last = i == mKeyCount - 1;
    switch (prev.GetInterpolation())
    {
    case KFCURVE_INTERPOLATION_LINEAR:
        return Secant(prev, k);
    case KFCURVE_INTERPOLATION_CUBIC:
        break;
    default:
        return 0.0;
    }
    const uint32_t prevTangent = prev.GetTangentMode();
    double a, c;
    SecantsAround(i, a, c);
    if (k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC)
    {
        const uint32_t tangent = k.GetTangentMode();
        if (tangent == KFCURVE_TANGENT_USER)
        {
            if (prevTangent == KFCURVE_TANGENT_TCB)
            {
                return last ? 0.0 : k.mData[0];
            }
            return prev.mData[1];
        }
        if (tangent == KFCURVE_TANGENT_BREAK)
        {
            return prevTangent == KFCURVE_TANGENT_TCB ? TCBLeft(i, i - 1) : prev.mData[1];
        }
        if (IsAutoKind(tangent))
        {
            return LeftAutoSlope(a, c, prev.mData[1]);
        }
        if (tangent == KFCURVE_TANGENT_TCB)
        {
            return TCBLeft(i, i);
        }
        return 0.0;
    }
    if (IsUserKind(prevTangent))
    {
        return prev.mData[1];
    }
    if (IsAutoKind(prevTangent))
    {
        return LeftAutoSlope(a, c, prev.mData[1]);
    }
    if (prevTangent == KFCURVE_TANGENT_TCB && k.GetInterpolation() == KFCURVE_INTERPOLATION_LINEAR)
    {
        return last ? 0.0 : GetKeyRightDerivative(i);
    }
    return 0.0;
}

double KFCurve::GetKeyRightAuto(int i) const
{
    if (!Valid(i))
    {
        return 0.0;
    }
    const KFKeyRecord& k = Key(i);
    if (k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC && IsAutoKind(k.GetTangentMode()))
    {
        return k.mData[0];
    }
    if (i == mKeyCount - 1)
    {
        return 0.0;
    }
    double a, c;
    SecantsAround(i, a, c);
    return RightBiasFromSlope(a, c, GetKeyRightDerivative(i));
}

double KFCurve::GetKeyLeftAuto(int i) const
{
    if (!Valid(i))
    {
        return 0.0;
    }
    const KFKeyRecord& k = Key(i);
    const bool cubicAuto =
        k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC && IsAutoKind(k.GetTangentMode());
    if (i == 0)
    {
        return cubicAuto ? k.mData[0] : 0.0;
    }
    const KFKeyRecord& prev = Key(i - 1);
    if (prev.GetInterpolation() == KFCURVE_INTERPOLATION_CONSTANT)
    {
        return 0.0;
    }
    if (prev.GetInterpolation() == KFCURVE_INTERPOLATION_LINEAR)
    {
        return 100.0;
    }
    if (cubicAuto)
    {
        return prev.mData[1];
    }
    double a, c;
    SecantsAround(i, a, c);
    return LeftBiasFromSlope(a, c, GetKeyLeftDerivative(i));
}

// ---------------------------------------------------------------- setters

bool KFCurve::SetKeyRightDerivative(int i, float slope)
{
    if (!Valid(i) || i == mKeyCount - 1)
    {
        return false;
    }
    KFKeyRecord& k = Key(i);
    if (k.GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC)
    {
        return false;
    }
    const uint32_t tangent = k.GetTangentMode();
    if (IsAutoKind(tangent))
    {
        double a, c;
        SecantsAround(i, a, c);
        k.mData[0] = static_cast<float>(RightBiasFromSlope(a, c, slope));
    }
    else if (IsUserKind(tangent))
    {
        k.mData[0] = slope;
    }
    else
    {
        return false;
    }
    KeyChanged(i, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

bool KFCurve::SetKeyRightAuto(int i, float bias)
{
    if (!Valid(i) || Key(i).GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC)
    {
        return false;
    }
    KFKeyRecord& k = Key(i);
    const uint32_t tangent = k.GetTangentMode();
    const bool last = i == mKeyCount - 1;
    if (!IsAutoKind(tangent) && (last || !IsUserKind(tangent)))
    {
        return false;
    }
    BeginKeyChanges();
    if (IsAutoKind(tangent))
    {
        k.mData[0] = bias;
    }
    else
    {
        double a, c;
        SecantsAround(i, a, c);
        k.mData[0] = static_cast<float>(RightAutoSlope(a, c, bias));
    }
    KeyChanged(i, KFCURVEEVENT_KEY_ATTRIBUTE);
    EndKeyChanges();
    return true;
}

bool KFCurve::SetKeyLeftDerivative(int i, float slope)
{
    if (!Valid(i) || i < 1)
    {
        return false;
    }
    KFKeyRecord& prev = Key(i - 1);
    const KFKeyRecord& k = Key(i);
    const bool cubic = k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC;
    const bool userBit = cubic && (k.GetTangentMode() & KFCURVE_TANGENT_USER) != 0;
    double a, c;
    SecantsAround(i, a, c);
    const float bias = static_cast<float>(LeftBiasFromSlope(a, c, slope));
    const uint32_t prevTangent = prev.GetTangentMode();
    BeginKeyChanges();
    if (prev.GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC)
    {
        prev.mData[1] = slope;
    }
    else if (IsAutoKind(prevTangent))
    {
        prev.mData[1] = userBit ? slope : bias;
    }
    else if (IsUserKind(prevTangent))
    {
        prev.mData[1] = (userBit || !cubic) ? slope : bias;
    }
    if (prevTangent != KFCURVE_TANGENT_TCB || prev.GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC)
    {
        KeyChanged(i - 1, KFCURVEEVENT_KEY_ATTRIBUTE);
    }
    if (cubic && k.GetTangentMode() == KFCURVE_TANGENT_USER)
    {
        SetKeyRightDerivative(i, slope);
    }
    EndKeyChanges();
    return true;
}

bool KFCurve::SetKeyLeftAuto(int i, float bias)
{
    if (!Valid(i) || i < 1)
    {
        return false;
    }
    KFKeyRecord& prev = Key(i - 1);
    const KFKeyRecord& k = Key(i);
    const bool cubic = k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC;
    const bool cubicAuto = cubic && IsAutoKind(k.GetTangentMode());
    double a, c;
    SecantsAround(i, a, c);
    const float slope = static_cast<float>(LeftAutoSlope(a, c, bias));
    const uint32_t prevTangent = prev.GetTangentMode();
    BeginKeyChanges();
    if (prev.GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC)
    {
        prev.mData[1] = bias;
    }
    else if (IsAutoKind(prevTangent))
    {
        prev.mData[1] = (cubicAuto || !cubic) ? bias : slope;
    }
    else if (IsUserKind(prevTangent))
    {
        prev.mData[1] = cubicAuto ? bias : slope;
    }
    if (prevTangent != KFCURVE_TANGENT_TCB || prev.GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC)
    {
        KeyChanged(i - 1, KFCURVEEVENT_KEY_ATTRIBUTE);
    }
    if (cubic && k.GetTangentMode() == KFCURVE_TANGENT_USER)
    {
        SetKeyRightAuto(i, bias);
    }
    EndKeyChanges();
    return true;
}

// Weight and velocity of one side; a TCB key keeps its bias where the
// weights would go, so it takes neither.
void KFCurve::SetTangentFlags(int key, const KFCurveTangent& tangent, bool right)
{
    KFKeyRecord& k = Key(key);
    if (k.GetTangentMode() == KFCURVE_TANGENT_TCB && k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC)
    {
        return;
    }
    const uint32_t weightBit = right ? KFCURVE_WEIGHTED_RIGHT : KFCURVE_WEIGHTED_NEXT_LEFT;
    const uint32_t velocityBit = right ? KFCURVE_VELOCITY_RIGHT : KFCURVE_VELOCITY_NEXT_LEFT;
    k.SetData(right ? KFCURVEKEY_RIGHT_WEIGHT : KFCURVEKEY_NEXT_LEFT_WEIGHT, tangent.mWeight);
    k.SetWeightedMode(tangent.mWeighted ? weightBit : 0, weightBit);
    k.SetData(right ? KFCURVEKEY_RIGHT_VELOCITY : KFCURVEKEY_NEXT_LEFT_VELOCITY, tangent.mVelocity);
    k.SetVelocityMode(tangent.mHasVelocity ? velocityBit : 0, velocityBit);
    KeyChanged(key, KFCURVEEVENT_KEY_ATTRIBUTE);
}

bool KFCurve::SetKeyLeftTangent(int i, const KFCurveTangent& tangent)
{
    if (!Valid(i) || i < 1)
    {
        return false;
    }
    BeginKeyChanges();
    SetTangentFlags(i - 1, tangent, false);
    const KFKeyRecord& k = Key(i);
    const KFKeyRecord& prev = Key(i - 1);
    const bool cubic = k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC;
    const bool prevCubicAuto =
        prev.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC && IsAutoKind(prev.GetTangentMode());
    if ((cubic && IsAutoKind(k.GetTangentMode())) || (!cubic && prevCubicAuto))
    {
        SetKeyLeftAuto(i, tangent.mAuto);
    }
    else
    {
        SetKeyLeftDerivative(i, tangent.mDerivative);
    }
    EndKeyChanges();
    return true;
}

bool KFCurve::SetKeyRightTangent(int i, const KFCurveTangent& tangent)
{
    if (!Valid(i))
    {
        return false;
    }
    KFKeyRecord& k = Key(i);
    const bool cubicAuto =
        k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC && IsAutoKind(k.GetTangentMode());
    BeginKeyChanges();
    if (i == mKeyCount - 1)
    {
        if (cubicAuto)
        {
            k.mData[0] = tangent.mAuto;
            KeyChanged(i, KFCURVEEVENT_KEY_ATTRIBUTE);
        }
    }
    else
    {
        SetTangentFlags(i, tangent, true);
        if (cubicAuto)
        {
            SetKeyRightAuto(i, tangent.mAuto);
        }
        else
        {
            SetKeyRightDerivative(i, tangent.mDerivative);
        }
    }
    EndKeyChanges();
    return true;
}

KFCurveTangent KFCurve::GetKeyLeftTangent(int i) const
{
    KFCurveTangent t;
    if (!Valid(i))
    {
        return t;
    }
    t.mDerivative = static_cast<float>(GetKeyLeftDerivative(i));
    t.mWeight = GetKeyLeftWeight(i);
    t.mWeighted = GetKeyLeftWeightedFlag(i);
    t.mVelocity = GetKeyLeftVelocity(i);
    t.mHasVelocity = GetKeyLeftVelocityFlag(i);
    t.mAuto = static_cast<float>(GetKeyLeftAuto(i));
    return t;
}

KFCurveTangent KFCurve::GetKeyRightTangent(int i) const
{
    KFCurveTangent t;
    if (!Valid(i))
    {
        return t;
    }
    t.mDerivative = static_cast<float>(GetKeyRightDerivative(i));
    t.mWeight = GetKeyRightWeight(i);
    t.mWeighted = GetKeyRightWeightedFlag(i);
    t.mVelocity = GetKeyRightVelocity(i);
    t.mHasVelocity = GetKeyRightVelocityFlag(i);
    t.mAuto = static_cast<float>(GetKeyRightAuto(i));
    return t;
}

// ---------------------------------------------------------------- weights, velocities

// The right side of key i carries weight/velocity only when it is cubic,
// not last, and its tangent has any of the auto, user or break bits.
namespace
{
bool RightSideWeightable(const KFKeyRecord& k, bool last)
{
    return !last && k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC &&
           (k.GetTangentMode() & (KFCURVE_TANGENT_AUTO | KFCURVE_TANGENT_USER | KFCURVE_GENERIC_BREAK)) != 0;
}
} // namespace

bool KFCurve::GetKeyRightWeightedFlag(int i) const
{
    return Valid(i) && RightSideWeightable(Key(i), i == mKeyCount - 1) &&
           (Key(i).mFlags & KFCURVE_WEIGHTED_RIGHT) != 0;
}

bool KFCurve::GetKeyLeftWeightedFlag(int i) const
{
    return Valid(i) && i >= 1 && (Key(i - 1).mFlags & KFCURVE_WEIGHTED_NEXT_LEFT) != 0;
}

float KFCurve::GetKeyRightWeight(int i) const
{
    return GetKeyRightWeightedFlag(i) ? Key(i).GetData(KFCURVEKEY_RIGHT_WEIGHT) : KFCURVE_DEFAULT_WEIGHT;
}

float KFCurve::GetKeyLeftWeight(int i) const
{
    return GetKeyLeftWeightedFlag(i) ? Key(i - 1).GetData(KFCURVEKEY_NEXT_LEFT_WEIGHT)
                                     : KFCURVE_DEFAULT_WEIGHT;
}

bool KFCurve::GetKeyRightVelocityFlag(int i) const
{
    return Valid(i) && RightSideWeightable(Key(i), i == mKeyCount - 1) &&
           (Key(i).mFlags & KFCURVE_VELOCITY_RIGHT) != 0;
}

bool KFCurve::GetKeyLeftVelocityFlag(int i) const
{
    return Valid(i) && i >= 1 && (Key(i - 1).mFlags & KFCURVE_VELOCITY_NEXT_LEFT) != 0;
}

float KFCurve::GetKeyRightVelocity(int i) const
{
    return GetKeyRightVelocityFlag(i) ? Key(i).GetData(KFCURVEKEY_RIGHT_VELOCITY) : 0.0f;
}

float KFCurve::GetKeyLeftVelocity(int i) const
{
    return GetKeyLeftVelocityFlag(i) ? Key(i - 1).GetData(KFCURVEKEY_NEXT_LEFT_VELOCITY) : 0.0f;
}

bool KFCurve::SetKeyRightWeight(int i, float weight)
{
    KFCurveTangent t = GetKeyRightTangent(i);
    if (!Valid(i))
    {
        return false;
    }
    t.mWeight = weight;
    t.mWeighted = true;
    SetTangentFlags(i, t, true);
    return true;
}

bool KFCurve::SetKeyLeftWeight(int i, float weight)
{
    if (!Valid(i) || i < 1)
    {
        return false;
    }
    KFCurveTangent t = GetKeyLeftTangent(i);
    t.mWeight = weight;
    t.mWeighted = true;
    SetTangentFlags(i - 1, t, false);
    return true;
}

bool KFCurve::SetKeyRightWeightedFlag(int i, bool weighted)
{
    if (!Valid(i))
    {
        return false;
    }
    return SetKeyWeightedMode(i, weighted ? KFCURVE_WEIGHTED_RIGHT : 0, KFCURVE_WEIGHTED_RIGHT);
}

bool KFCurve::SetKeyLeftWeightedFlag(int i, bool weighted)
{
    if (!Valid(i) || i < 1)
    {
        return false;
    }
    return SetKeyWeightedMode(i - 1, weighted ? KFCURVE_WEIGHTED_NEXT_LEFT : 0, KFCURVE_WEIGHTED_NEXT_LEFT);
}

bool KFCurve::SetKeyRightVelocity(int i, float velocity)
{
    if (!Valid(i))
    {
        return false;
    }
    KFCurveTangent t = GetKeyRightTangent(i);
    t.mWeight = Key(i).GetData(KFCURVEKEY_RIGHT_WEIGHT);
    t.mWeighted = (Key(i).mFlags & KFCURVE_WEIGHTED_RIGHT) != 0;
    t.mVelocity = velocity;
    t.mHasVelocity = true;
    SetTangentFlags(i, t, true);
    return true;
}

bool KFCurve::SetKeyLeftVelocity(int i, float velocity)
{
    if (!Valid(i) || i < 1)
    {
        return false;
    }
    KFCurveTangent t = GetKeyLeftTangent(i);
    t.mVelocity = velocity;
    t.mHasVelocity = true;
    SetTangentFlags(i - 1, t, false);
    return true;
}

bool KFCurve::SetKeyRightVelocityFlag(int i, bool on)
{
    return Valid(i) && SetKeyVelocityMode(i, on ? KFCURVE_VELOCITY_RIGHT : 0, KFCURVE_VELOCITY_RIGHT);
}

bool KFCurve::SetKeyLeftVelocityFlag(int i, bool on)
{
    return Valid(i) && i >= 1 &&
           SetKeyVelocityMode(i - 1, on ? KFCURVE_VELOCITY_NEXT_LEFT : 0, KFCURVE_VELOCITY_NEXT_LEFT);
}

bool KFCurve::IsKeyPlainAuto(int i) const
{
    if (!Valid(i) || Key(i).GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC ||
        !IsAutoKind(Key(i).GetTangentMode()))
    {
        return false;
    }
    const bool rightWeight = (Key(i).mFlags & KFCURVE_WEIGHTED_RIGHT) != 0;
    const bool leftWeight = i >= 1 && (Key(i - 1).mFlags & KFCURVE_WEIGHTED_NEXT_LEFT) != 0;
    return GetKeyLeftAuto(i) == 0.0 && GetKeyRightAuto(i) == 0.0 && !rightWeight && !leftWeight;
}

// ---------------------------------------------------------------- control values

double KFCurve::GetKeyRightControlValue(int i) const
{
    if (mKeyCount == 0 || !Valid(i))
    {
        return 0.0;
    }
    if (mKeyCount == 1)
    {
        return Key(0).mValue;
    }
    const KFKeyRecord& k = Key(i);
    if (i == mKeyCount - 1 || k.GetInterpolation() == KFCURVE_INTERPOLATION_CONSTANT)
    {
        return k.mValue;
    }
    if (k.GetInterpolation() == KFCURVE_INTERPOLATION_LINEAR ||
        k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC)
    {
        const double d = SecondsBetween(Ticks(k.mTime), Ticks(Key(i + 1).mTime));
        return k.mValue + GetKeyRightDerivative(i) * d / 3.0;
    }
    return 0.0;
}

double KFCurve::GetKeyLeftControlValue(int i) const
{
    if (mKeyCount == 0 || !Valid(i))
    {
        return 0.0;
    }
    if (mKeyCount == 1 || i == 0)
    {
        return Key(0).mValue;
    }
    const KFKeyRecord& prev = Key(i - 1);
    const KFKeyRecord& k = Key(i);
    switch (prev.GetInterpolation())
    {
    case KFCURVE_INTERPOLATION_CONSTANT:
        return k.mValue;
    case KFCURVE_INTERPOLATION_LINEAR:
    case KFCURVE_INTERPOLATION_CUBIC:
        return k.mValue - GetKeyLeftDerivative(i) * SecondsBetween(Ticks(prev.mTime), Ticks(k.mTime)) / 3.0;
    default:
        return 0.0;
    }
}

} // namespace scenesdk
