// Evaluation of KFCurve: segment kinds, tangent kinds, auto biases and their
// inverse, TCB, weights, extrapolation, key insertion. Expected values are
// worked out by hand from the curve model (Bezier control values v +- s*d/3,
// secants a and c around a key).

#include "scenesdk/animation/KFCurve.h"
#include "tests/scenesdk/animation/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace scenesdk;

namespace
{

using curvetest::Sec;

void AddUser(KFCurve& c, double s, float v, float right = 0.0f, float nextLeft = 0.0f,
             uint32_t tangent = KFCURVE_TANGENT_USER)
{
    KFKeyRecord r{};
    r.Set(Sec(s), v, KFCURVE_INTERPOLATION_CUBIC, tangent, right, nextLeft);
    c.AddKey(Sec(s), r);
}

void AddKind(KFCurve& c, double s, float v, uint32_t interpolation, uint32_t tangent = KFCURVE_TANGENT_AUTO,
             float d0 = 0.0f, float d1 = 0.0f)
{
    KFKeyRecord r{};
    r.Set(Sec(s), v, interpolation, tangent, d0, d1);
    c.AddKey(Sec(s), r);
}

// Keys (0 s, 0), (1 s, 1), (2 s, 3): at key 1 the left secant a is 1 and the
// right secant c is 2.
void ThreeKeys(KFCurve& c, uint32_t middleTangent, float leftBias, float rightBias)
{
    AddUser(c, 0.0, 0.0f, 0.0f, leftBias);
    AddKind(c, 1.0, 1.0f, KFCURVE_INTERPOLATION_CUBIC, middleTangent, rightBias, 0.0f);
    AddKind(c, 2.0, 3.0f, KFCURVE_INTERPOLATION_LINEAR);
}

double Hermite01(double u)
{
    return 3 * u * u - 2 * u * u * u;
}

} // namespace

TEST(KFCurveEvaluate, EmptyAndSingleKeyCurves)
{
    KFCurve c;
    c.SetDefaultValue(4.0f);
    EXPECT_EQ(c.Evaluate(Sec(1)), 4.0f);
    EXPECT_EQ(c.EvaluateLeftDerivative(Sec(1)), 0.0);
    c.AppendKey(Sec(1), 2.0f);
    for (uint32_t mode = 0; mode <= 5; ++mode)
    {
        c.SetPreExtrapolationType(mode);
        c.SetPostExtrapolationType(mode);
        EXPECT_EQ(c.Evaluate(Sec(-5)), 2.0f);
        EXPECT_EQ(c.Evaluate(Sec(5)), 2.0f);
        EXPECT_EQ(c.Evaluate(KTime(KTime::kInfinite)), 2.0f);
    }
    EXPECT_EQ(c.GetKeyRightDerivative(0), 0.0);
    EXPECT_EQ(c.GetKeyLeftDerivative(0), 0.0);
}

TEST(KFCurveEvaluate, ConstantAndLinearSegments)
{
    KFCurve c;
    AddKind(c, 0.0, 1.0f, KFCURVE_INTERPOLATION_CONSTANT, 0);
    AddKind(c, 1.0, 5.0f, KFCURVE_INTERPOLATION_LINEAR);
    AddKind(c, 2.0, 9.0f, KFCURVE_INTERPOLATION_LINEAR);
    EXPECT_EQ(c.Evaluate(Sec(0.5)), 1.0f);
    EXPECT_EQ(c.Evaluate(Sec(1.25)), 6.0f);
    EXPECT_EQ(c.EvaluateLeftDerivative(Sec(0.5)), 0.0);
    EXPECT_DOUBLE_EQ(c.EvaluateRightDerivative(Sec(1.5)), 4.0);
    c.SetKeyConstantMode(0, KFCURVE_CONSTANT_NEXT);
    EXPECT_EQ(c.Evaluate(Sec(0.0)), 1.0f); // on the key itself
    EXPECT_EQ(c.Evaluate(Sec(0.5)), 5.0f);
    EXPECT_EQ(c.Evaluate(Sec(0.999)), 5.0f);
    EXPECT_EQ(c.GetKeyLeftDerivative(1), 0.0); // after a constant key
    EXPECT_DOUBLE_EQ(c.GetKeyRightDerivative(1), 4.0);
    EXPECT_DOUBLE_EQ(c.GetKeyLeftDerivative(2), 4.0);
    EXPECT_DOUBLE_EQ(c.GetKeyRightDerivative(2), 4.0); // the last key's right is its left
}

TEST(KFCurveEvaluate, CacheAndAutoBiasesBesideOtherKinds)
{
    KFCurve c;
    AddKind(c, 0.0, 0.0f, KFCURVE_INTERPOLATION_LINEAR);
    AddKind(c, 1.0, 1.0f, KFCURVE_INTERPOLATION_CONSTANT, 0);
    AddKind(c, 2.0, 3.0f, KFCURVE_INTERPOLATION_CUBIC);
    AddKind(c, 3.0, 2.0f, KFCURVE_INTERPOLATION_CUBIC);
    EXPECT_EQ(c.GetKeyLeftAuto(1), 100.0); // after a linear key: its left secant
    EXPECT_EQ(c.GetKeyLeftAuto(2), 0.0);   // after a constant key
    EXPECT_EQ(c.EvaluateCached(Sec(0.5)), 0.5f);
    EXPECT_EQ(c.GetCacheTime(), Sec(0.5));
    c.SetCache(Sec(0.5), 9.0f);
    EXPECT_EQ(c.EvaluateCached(Sec(0.5)), 9.0f); // served from the cache
    c.SetKeyValue(1, 2.0f);                      // any key change empties it
    EXPECT_EQ(c.GetCacheTime(), KTime(KTime::kInfinite));
    EXPECT_EQ(c.EvaluateCached(Sec(0.5)), 1.0f);
}

TEST(KFCurveEvaluate, CubicUserSlopes)
{
    KFCurve c;
    AddUser(c, 0.0, 0.0f);
    AddUser(c, 1.0, 1.0f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(0.25)), 0.15625f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(0.5)), 0.5f);
    for (int i = 0; i <= 10; ++i)
    {
        EXPECT_NEAR(c.Evaluate(Sec(i / 10.0)), Hermite01(i / 10.0), 1e-6);
    }
    // Slopes 3 and -3 over 2 s: control values 0, 2, 3, 1.
    KFCurve d;
    AddUser(d, 0.0, 0.0f, 3.0f, -3.0f);
    AddUser(d, 2.0, 1.0f);
    const double u = 0.4;
    const double expected = 3 * (1 - u) * (1 - u) * u * 2.0 + 3 * (1 - u) * u * u * 3.0 + u * u * u * 1.0;
    EXPECT_NEAR(d.Evaluate(Sec(0.8)), expected, 1e-6);
    EXPECT_DOUBLE_EQ(d.GetKeyLeftDerivative(1), -3.0);
    EXPECT_DOUBLE_EQ(d.GetKeyRightDerivative(0), 3.0);
    EXPECT_NEAR(d.GetKeyRightControlValue(0), 2.0, 1e-9);
    EXPECT_NEAR(d.GetKeyLeftControlValue(1), 3.0, 1e-9);
    // The slope inside the segment: d/dt of the Bezier.
    const double h = 1e-4;
    const double numeric = (d.Evaluate(Sec(0.8 + h)) - d.Evaluate(Sec(0.8 - h))) / (2 * h);
    EXPECT_NEAR(d.EvaluateLeftDerivative(Sec(0.8)), numeric, 1e-2);
    EXPECT_DOUBLE_EQ(d.EvaluateLeftDerivative(Sec(2.0)), -3.0);
}

TEST(KFCurveEvaluate, PlainAutoKeyBetweenUserAndLinear)
{
    KFCurve c;
    ThreeKeys(c, KFCURVE_TANGENT_AUTO, 0.0f, 0.0f);
    EXPECT_TRUE(c.IsKeyPlainAuto(1));
    EXPECT_DOUBLE_EQ(c.GetKeyLeftDerivative(1), 1.5);
    EXPECT_DOUBLE_EQ(c.GetKeyRightDerivative(1), 1.5);
    // Bezier of 0, 0, 1 - 1.5/3, 1 at u = 0.5.
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(0.5)), 0.3125f);
    // A 1.5 % left bias breaks the plain auto.
    c.SetKeyData(0, KFCURVEKEY_NEXT_LEFT_AUTO, 1.5f);
    EXPECT_FALSE(c.IsKeyPlainAuto(1));
    c.SetKeyData(0, KFCURVEKEY_NEXT_LEFT_AUTO, 0.0f);
    c.SetKeyRightWeight(1, 0.5f);
    EXPECT_FALSE(c.IsKeyPlainAuto(1));
}

TEST(KFCurveEvaluate, AutoBiasTable)
{
    struct Row
    {
        float bias;
        double left;
        double right;
    };
    const Row rows[] = {{0, 1.5, 1.5},    {100, 1, 2},        {-100, 2, 1},
                        {50, 1.25, 1.75}, {600, -41.5, 44.5}, {-600, 44.5, -41.5}};
    for (const Row& row : rows)
    {
        KFCurve c;
        ThreeKeys(c, KFCURVE_TANGENT_AUTO_BREAK, row.bias, row.bias);
        EXPECT_NEAR(c.GetKeyLeftDerivative(1), row.left, 1e-9) << row.bias;
        EXPECT_NEAR(c.GetKeyRightDerivative(1), row.right, 1e-9) << row.bias;
        EXPECT_NEAR(c.GetKeyLeftAuto(1), row.bias, 1e-4) << row.bias;
        EXPECT_NEAR(c.GetKeyRightAuto(1), row.bias, 1e-4) << row.bias;
    }
    // The inverse takes the larger root above 500 and the smaller below -500.
    EXPECT_NEAR(KFCurve::LeftBiasFromSlope(1, 2, -41.5), 600.0, 1e-6);
    EXPECT_NEAR(KFCurve::LeftBiasFromSlope(1, 2, 44.5), -600.0, 1e-6);
    EXPECT_NEAR(KFCurve::RightBiasFromSlope(1, 2, 44.5), 600.0, 1e-6);
    EXPECT_NEAR(KFCurve::RightBiasFromSlope(1, 2, -41.5), -600.0, 1e-6);
    EXPECT_EQ(KFCurve::LeftBiasFromSlope(1, 1.000001, 1.0), 0.0); // equal secants
    // Continuity: left bias + right bias = 0 gives equal slopes.
    EXPECT_NEAR(KFCurve::LeftAutoSlope(1, 2, 37), KFCurve::RightAutoSlope(1, 2, -37), 1e-12);
    // Two auto keys on a straight line stay on it.
    KFCurve line;
    AddKind(line, 0.0, 0.0f, KFCURVE_INTERPOLATION_CUBIC);
    AddKind(line, 1.0, 2.0f, KFCURVE_INTERPOLATION_CUBIC);
    EXPECT_NEAR(line.Evaluate(Sec(0.3)), 0.6f, 1e-6);
}

TEST(KFCurveEvaluate, DerivativeSettersInvertTheGetters)
{
    const float slopes[] = {1.5f, 0.3f, 2.0f, 7.0f, -41.5f, 44.5f, -100.0f, 0.0f};
    const uint32_t kinds[] = {KFCURVE_TANGENT_AUTO, KFCURVE_TANGENT_AUTO_BREAK, KFCURVE_TANGENT_USER,
                              KFCURVE_TANGENT_BREAK};
    for (uint32_t kind : kinds)
    {
        for (float s : slopes)
        {
            KFCurve c;
            ThreeKeys(c, kind, 0.0f, 0.0f);
            ASSERT_TRUE(c.SetKeyRightDerivative(1, s));
            EXPECT_NEAR(c.GetKeyRightDerivative(1), s, 1e-3) << kind << " " << s;
        }
    }
    // Left side, for each kind of previous and current key.
    struct Case
    {
        uint32_t prevTangent;
        uint32_t interpolation;
        uint32_t tangent;
    };
    const Case cases[] = {
        {KFCURVE_TANGENT_AUTO, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_USER},
        {KFCURVE_TANGENT_AUTO, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_BREAK},
        {KFCURVE_TANGENT_AUTO, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_AUTO},
        {KFCURVE_TANGENT_AUTO, KFCURVE_INTERPOLATION_LINEAR, 0},
        {KFCURVE_TANGENT_AUTO, KFCURVE_INTERPOLATION_CONSTANT, 0},
        {KFCURVE_TANGENT_USER, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_USER},
        {KFCURVE_TANGENT_BREAK, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_AUTO_BREAK},
        {KFCURVE_TANGENT_USER, KFCURVE_INTERPOLATION_LINEAR, 0},
    };
    for (const Case& k : cases)
    {
        for (float s : slopes)
        {
            KFCurve c;
            AddKind(c, 0.0, 0.0f, KFCURVE_INTERPOLATION_CUBIC, k.prevTangent);
            AddKind(c, 1.0, 1.0f, k.interpolation, k.tangent);
            AddKind(c, 2.0, 3.0f, KFCURVE_INTERPOLATION_LINEAR);
            ASSERT_TRUE(c.SetKeyLeftDerivative(1, s));
            EXPECT_NEAR(c.GetKeyLeftDerivative(1), s, 1e-3)
                << k.prevTangent << " " << k.interpolation << " " << k.tangent << " " << s;
            if (k.tangent == KFCURVE_TANGENT_USER)
            {
                EXPECT_NEAR(c.GetKeyRightDerivative(1), s, 1e-3); // an unbroken user key follows
            }
        }
    }
    // Auto setters: on a user key the bias becomes the slope it gives.
    KFCurve c;
    ThreeKeys(c, KFCURVE_TANGENT_USER, 0.0f, 0.0f);
    ASSERT_TRUE(c.SetKeyRightAuto(1, 100.0f));
    EXPECT_NEAR(c.GetKeyRightDerivative(1), 2.0, 1e-6);
    ASSERT_TRUE(c.SetKeyLeftAuto(1, -100.0f));
    EXPECT_NEAR(c.GetKeyLeftDerivative(1), 2.0, 1e-6);
    EXPECT_FALSE(c.SetKeyLeftDerivative(0, 1.0f));
    EXPECT_FALSE(c.SetKeyRightDerivative(2, 1.0f)); // the last key has no right side
}

TEST(KFCurveEvaluate, TCBSlopes)
{
    struct Row
    {
        float t, c, b;
        double left, right;
    };
    const Row rows[] = {
        {0, 0, 0, 1.5, 1.5}, {0.5f, 0, 0, 0.75, 0.75}, {0, -1, 0, 1, 2}, {0, 1, 0, 2, 1}, {0, 0, 1, 1, 1}};
    for (const Row& row : rows)
    {
        KFCurve c;
        AddUser(c, 0.0, 0.0f);
        c.SetKeyTCB(1, Sec(1), 1.0f, row.t, row.c, row.b);
        AddKind(c, 2.0, 3.0f, KFCURVE_INTERPOLATION_LINEAR);
        EXPECT_NEAR(c.GetKeyLeftDerivative(1), row.left, 1e-6) << row.t << row.c << row.b;
        EXPECT_NEAR(c.GetKeyRightDerivative(1), row.right, 1e-6) << row.t << row.c << row.b;
    }
    KFCurve first;
    first.SetKeyTCB(0, Sec(0), 0.0f);
    first.SetKeyTCB(1, Sec(1), 1.0f);
    first.SetKeyTCB(2, Sec(2), 3.0f);
    EXPECT_NEAR(first.GetKeyRightDerivative(0), 1.0, 1e-9);
    EXPECT_NEAR(first.GetKeyLeftDerivative(2), 2.0, 1e-9); // last TCB key: its left secant
    // A TCB key takes no weights: its bias lives in their bytes.
    first.SetKeyRightWeight(1, 0.5f);
    EXPECT_EQ(first.GetKeyDataFloat(1, KFCURVEKEY_TCB_BIAS), 0.0f);
    EXPECT_EQ(first.GetKeyRightWeight(1), 1.0f / 3.0f);
}

TEST(KFCurveEvaluate, WeightedSegments)
{
    KFCurve c;
    AddUser(c, 0.0, 0.0f);
    AddUser(c, 1.0, 1.0f);
    KFCurveTangent t;
    t.mWeight = 0.5f;
    t.mWeighted = true;
    ASSERT_TRUE(c.SetKeyRightTangent(0, t));
    ASSERT_TRUE(c.SetKeyLeftTangent(1, t));
    EXPECT_TRUE(c.GetKeyRightWeightedFlag(0));
    EXPECT_TRUE(c.GetKeyLeftWeightedFlag(1));
    EXPECT_NEAR(c.GetKeyRightWeight(0), 0.5f, 1e-4f);
    // Weight 0.5 is stored as 4999 units, 0.49995; sigma then solves
    // X(sigma) = 0.25 for X = Bezier(0, w, 1 - w, 1) at 0.2019784 (by
    // bisection), and the value is 3(1 - sigma)sigma^2 + sigma^3.
    EXPECT_NEAR(c.Evaluate(Sec(0.25)), 0.1059063f, 2e-6f);
    EXPECT_NEAR(c.Evaluate(Sec(0.5)), 0.5f, 1e-6f);

    // Weights of 1/3 are the unweighted segment.
    t.mWeight = 1.0f / 3.0f;
    c.SetKeyRightTangent(0, t);
    c.SetKeyLeftTangent(1, t);
    for (int i = 0; i <= 8; ++i)
    {
        EXPECT_NEAR(c.Evaluate(Sec(i / 8.0)), Hermite01(i / 8.0), 1e-6) << i;
    }
    // Extreme weights still solve to a value inside the segment.
    t.mWeight = 0.99f;
    c.SetKeyRightTangent(0, t);
    t.mWeight = 0.0f;
    c.SetKeyLeftTangent(1, t);
    for (int i = 0; i <= 16; ++i)
    {
        const float v = c.Evaluate(Sec(i / 16.0));
        EXPECT_TRUE(v >= -1e-5f && v <= 1.00001f) << v;
    }
    // Velocities are kept but do not shape the curve.
    const float before = c.Evaluate(Sec(0.3));
    c.SetKeyRightVelocity(0, 2.0f);
    EXPECT_NEAR(c.GetKeyRightVelocity(0), 2.0f, 1e-3f);
    EXPECT_EQ(c.Evaluate(Sec(0.3)), before);
}

// ---------------------------------------------------------------- extrapolation

namespace
{
// Linear keys (0 s, 0) and (1 s, 1).
void Ramp(KFCurve& c)
{
    AddKind(c, 0.0, 0.0f, KFCURVE_INTERPOLATION_LINEAR);
    AddKind(c, 1.0, 1.0f, KFCURVE_INTERPOLATION_LINEAR);
}
} // namespace

TEST(KFCurveExtrapolation, RepetitionAndMirrorAfterTheKeys)
{
    KFCurve c;
    Ramp(c);
    EXPECT_EQ(c.Evaluate(Sec(3)), 1.0f); // constant by default
    c.SetPostExtrapolationType(KFCURVE_EXTRAPOLATION_REPETITION);
    c.SetPostExtrapolationRepetition(2);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(1.25)), 0.25f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(2.75)), 0.75f);
    EXPECT_EQ(c.Evaluate(Sec(3.5)), 1.0f); // past the limit of 3 s
    c.SetPostExtrapolationRepetition(0);
    EXPECT_EQ(c.Evaluate(Sec(1.25)), 1.0f);
    c.SetPostExtrapolationType(KFCURVE_EXTRAPOLATION_MIRROR_REPETITION);
    c.SetPostExtrapolationRepetition(10);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(1.25)), 0.75f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(2.25)), 0.25f);
    c.SetPostExtrapolationType(0); // unknown modes hold the end value
    EXPECT_EQ(c.Evaluate(Sec(1.25)), 1.0f);
    int hint = 0;
    EXPECT_EQ(c.FindKeyExtrapolated(Sec(4), &hint), 1.0);
}

TEST(KFCurveExtrapolation, RepetitionAndMirrorBeforeTheKeys)
{
    KFCurve c;
    Ramp(c);
    EXPECT_EQ(c.Evaluate(Sec(-3)), 0.0f);
    c.SetPreExtrapolationType(KFCURVE_EXTRAPOLATION_REPETITION);
    c.SetPreExtrapolationRepetition(2);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(-0.25)), 0.75f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(-1.25)), 0.75f);
    EXPECT_EQ(c.Evaluate(Sec(-2.5)), 0.0f); // beyond two spans
    c.SetPreExtrapolationType(KFCURVE_EXTRAPOLATION_MIRROR_REPETITION);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(-0.25)), 0.25f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(-1.25)), 0.75f);
    c.SetPreExtrapolationRepetition(0);
    EXPECT_EQ(c.Evaluate(Sec(-0.25)), 0.0f);
}

TEST(KFCurveExtrapolation, KeepSlope)
{
    KFCurve c;
    Ramp(c);
    c.SetPreExtrapolationType(KFCURVE_EXTRAPOLATION_KEEP_SLOPE);
    c.SetPostExtrapolationType(KFCURVE_EXTRAPOLATION_KEEP_SLOPE);
    EXPECT_EQ(c.Evaluate(Sec(-2)), 0.0f); // count 0: the end value
    EXPECT_EQ(c.Evaluate(Sec(3)), 1.0f);
    c.SetPreExtrapolationRepetition(KFCURVE_REPETITION_FOREVER);
    c.SetPostExtrapolationRepetition(KFCURVE_REPETITION_FOREVER);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(-2)), -2.0f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(5)), 5.0f);
    c.SetPreExtrapolationRepetition(2);
    c.SetPostExtrapolationRepetition(2);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(-1.5)), -1.5f);
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(-7)), -2.0f); // flat past the limit
    EXPECT_FLOAT_EQ(c.Evaluate(Sec(9)), 3.0f);
}

TEST(KFCurveExtrapolation, ExtremeTimesStayDefined)
{
    const int64_t quarter = int64_t(1) << 62;
    const int64_t ends[][2] = {
        {0, 46186158000LL}, {-quarter, quarter}, {INT64_MIN + 1, INT64_MAX - 1}, {-5, INT64_MAX}};
    const int64_t times[] = {INT64_MAX, INT64_MIN + 1,         INT64_MIN,
                             0,         quarter + quarter / 2, -quarter - quarter / 2};
    const uint32_t counts[] = {0, 2, KFCURVE_REPETITION_FOREVER};
    for (const auto& e : ends)
    {
        KFCurve c;
        c.SetKey(0, KTime(e[0]), 0.0f, KFCURVE_INTERPOLATION_LINEAR);
        c.SetKey(1, KTime(e[1]), 1.0f, KFCURVE_INTERPOLATION_LINEAR);
        ASSERT_EQ(c.GetKeyCount(), 2);
        for (uint32_t mode = 1; mode <= 4; ++mode)
        {
            for (uint32_t count : counts)
            {
                c.SetPreExtrapolationType(mode);
                c.SetPostExtrapolationType(mode);
                c.SetPreExtrapolationRepetition(count);
                c.SetPostExtrapolationRepetition(count);
                for (int64_t t : times)
                {
                    const float v = c.Evaluate(KTime(t));
                    const double p = c.FindKeyExtrapolated(KTime(t));
                    EXPECT_FALSE(std::isnan(v)) << mode << " " << count << " " << t;
                    EXPECT_TRUE(p >= 0.0 && p <= 1.0) << mode << " " << count << " " << t;
                }
            }
        }
    }
}

// ---------------------------------------------------------------- insertion

TEST(KFCurveInsert, InsertingKeepsTheShape)
{
    KFCurve user;
    AddUser(user, 0.0, 0.0f, 1.0f, -1.0f);
    AddUser(user, 1.0, 2.0f, -1.0f, 0.5f);
    AddUser(user, 3.0, 1.0f, 0.5f, 0.0f);
    KFCurve broken;
    AddUser(broken, 0.0, 0.0f, 1.0f, 2.0f);
    AddUser(broken, 1.0, 2.0f, -1.0f, 0.5f, KFCURVE_TANGENT_BREAK);
    AddUser(broken, 3.0, 1.0f, 0.5f, 0.0f);
    KFCurve autos;
    AddKind(autos, 0.0, 0.0f, KFCURVE_INTERPOLATION_CUBIC);
    AddKind(autos, 1.0, 2.0f, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_AUTO, 30.0f, -20.0f);
    AddKind(autos, 2.5, 1.0f, KFCURVE_INTERPOLATION_CUBIC);
    AddKind(autos, 3.0, 4.0f, KFCURVE_INTERPOLATION_CUBIC);
    for (KFCurve* c : {&user, &broken, &autos})
    {
        float before[21];
        for (int i = 0; i <= 20; ++i)
        {
            before[i] = c->Evaluate(Sec(i * 0.15));
        }
        const double rightOfKey1 = c->GetKeyRightDerivative(1);
        const int at = c->InsertKey(Sec(1.7));
        EXPECT_EQ(at, 2);
        EXPECT_EQ(c->InsertKey(Sec(1.7)), 2); // already there
        c->InsertKey(Sec(0.4));
        EXPECT_NEAR(c->GetKeyRightDerivative(2), rightOfKey1, 1e-4);
        for (int i = 0; i <= 20; ++i)
        {
            EXPECT_NEAR(c->Evaluate(Sec(i * 0.15)), before[i], 1e-5) << i;
        }
    }
    KFCurve empty;
    empty.SetDefaultValue(3.0f);
    EXPECT_EQ(empty.InsertKey(Sec(1)), 0);
    EXPECT_EQ(empty.GetKeyValue(0), 3.0f);
    EXPECT_EQ(empty.GetKeyTangentMode(0), KFCURVE_TANGENT_AUTO);
}

TEST(KFCurveInsert, InsertAtCacheWithBreak)
{
    KFCurve c;
    AddUser(c, 0.0, 0.0f, 1.0f, 1.0f);
    AddUser(c, 2.0, 2.0f, 1.0f, 1.0f);
    EXPECT_FALSE(c.InsertKeyAtCache(nullptr, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_AUTO, true, true));
    const double left0 = c.GetKeyRightDerivative(0);
    c.SetCache(Sec(1), 5.0f);
    ASSERT_TRUE(c.InsertKeyAtCache(nullptr, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_AUTO, true, true));
    ASSERT_EQ(c.GetKeyCount(), 3);
    EXPECT_EQ(c.GetKeyValue(1), 5.0f);
    EXPECT_EQ(c.GetKeyTangentMode(1), KFCURVE_TANGENT_AUTO_BREAK);
    EXPECT_EQ(c.GetKeyData(1, KFCURVEKEY_RIGHT_AUTO), 100.0f);
    // Each side follows its own secant: 5 up, then 3 down.
    EXPECT_NEAR(c.GetKeyLeftDerivative(1), 5.0, 1e-5);
    EXPECT_NEAR(c.GetKeyRightDerivative(1), -3.0, 1e-5);
    EXPECT_NEAR(c.GetKeyRightDerivative(0), left0, 1e-6);

    // A time within the tolerance of a key rewrites that key.
    ASSERT_TRUE(c.InsertKeyAtCache(nullptr, KFCURVE_INTERPOLATION_LINEAR, 0, false, false, Sec(1.0), 0.1));
    EXPECT_EQ(c.GetKeyCount(), 3);
    EXPECT_EQ(c.GetKeyTangentMode(1), KFCURVE_TANGENT_AUTO_BREAK); // no replace: only value and time
    ASSERT_TRUE(c.InsertKeyAtCache(nullptr, KFCURVE_INTERPOLATION_LINEAR, 0, false, true, Sec(1.05), 0.1));
    EXPECT_EQ(c.GetKeyCount(), 3);
    EXPECT_EQ(c.GetKeyInterpolation(1), KFCURVE_INTERPOLATION_LINEAR);
    EXPECT_EQ(c.GetKeyTime(1), Sec(1.05));
}

// ---------------------------------------------------------------- segment cache

namespace
{
// Every cubic tangent kind next to every other, plus linear, constant and
// weighted segments.
void MixedCurve(KFCurve& c)
{
    const uint32_t kinds[] = {KFCURVE_TANGENT_AUTO, KFCURVE_TANGENT_USER, KFCURVE_TANGENT_BREAK,
                              KFCURVE_TANGENT_AUTO_BREAK, KFCURVE_TANGENT_TCB};
    for (int i = 0; i < 30; ++i)
    {
        const float v = static_cast<float>((i * 7) % 11) - 5.0f;
        if (i % 9 == 4)
        {
            AddKind(c, i * 0.5, v, KFCURVE_INTERPOLATION_LINEAR);
        }
        else if (i % 9 == 7)
        {
            AddKind(c, i * 0.5, v, KFCURVE_INTERPOLATION_CONSTANT, 0);
        }
        else if (kinds[i % 5] == KFCURVE_TANGENT_TCB)
        {
            KFKeyRecord r{};
            r.SetTCB(Sec(i * 0.5), v, 0.2f, -0.3f, 0.4f);
            c.AddKey(Sec(i * 0.5), r);
        }
        else
        {
            AddKind(c, i * 0.5, v, KFCURVE_INTERPOLATION_CUBIC, kinds[i % 5], 0.7f * (i % 4), 20.0f - i);
        }
    }
    KFCurveTangent weighted;
    weighted.mWeight = 0.6f;
    weighted.mWeighted = true;
    c.SetKeyRightTangent(2, weighted);
    c.SetKeyLeftTangent(3, weighted);
}

// Evaluate (which keeps the last segment's control values) against the
// segment computed afresh, bit for bit.
void ExpectSameAsFresh(KFCurve& c, double from, double to)
{
    int hint = 0;
    for (double s = from; s <= to; s += 0.01)
    {
        const float cached = c.Evaluate(Sec(s));
        const float fresh = c.EvaluateAtKeyPosition(c.FindKey(Sec(s), &hint));
        EXPECT_EQ(std::memcmp(&cached, &fresh, sizeof cached), 0) << s << ": " << cached << " " << fresh;
    }
}
} // namespace

TEST(KFCurveEvaluate, KeptSegmentGivesTheFreshValue)
{
    KFCurve c;
    MixedCurve(c);
    ExpectSameAsFresh(c, 0.0, 14.5);

    // Keys changed in place, through the setters or the record itself, are
    // seen at once: the segment's own keys and the neighbours whose secants
    // shape the auto slopes.
    const float before = c.Evaluate(Sec(5.25)); // segment 10 (auto) to 11 (user)
    c.GetKey(12)->mValue += 3.0f;               // key 11 is user: key 12 does not shape it
    EXPECT_EQ(c.Evaluate(Sec(5.25)), before);
    c.GetKey(9)->mValue += 3.0f; // left neighbour: key 10's right auto slope
    EXPECT_NE(c.Evaluate(Sec(5.25)), before);
    ExpectSameAsFresh(c, 5.0, 5.5);
    const float tcbToAuto = c.Evaluate(Sec(7.25)); // segment 14 (TCB) to 15 (auto)
    c.GetKey(16)->mValue += 3.0f;                  // right neighbour: key 15's left auto slope
    EXPECT_NE(c.Evaluate(Sec(7.25)), tcbToAuto);
    ExpectSameAsFresh(c, 7.0, 7.5);
    c.GetKey(10)->mData[0] = 60.0f;
    ExpectSameAsFresh(c, 5.0, 5.5);
    c.GetKey(11)->mTime = Sec(5.75);
    ExpectSameAsFresh(c, 5.0, 5.75);
    c.SetKeyValue(11, -2.0f);
    ExpectSameAsFresh(c, 5.0, 5.75);
    // Auto keys across block boundaries (25 keys a block): every
    // neighbour, in the segment's block or the next or previous one.
    KFCurve autos;
    for (int i = 0; i < 60; ++i)
    {
        AddKind(autos, i * 0.5, static_cast<float>(i % 7), KFCURVE_INTERPOLATION_CUBIC);
    }
    for (int i = 0; i + 1 < 60; ++i)
    {
        const double mid = i * 0.5 + 0.2;
        autos.Evaluate(Sec(mid));
        if (i > 0)
        {
            autos.GetKey(i - 1)->mValue += 0.5f;
        }
        if (i + 2 < 60)
        {
            autos.GetKey(i + 2)->mValue -= 0.5f;
        }
        ExpectSameAsFresh(autos, mid, mid + 0.1);
    }

    // A removed key changes the count and the segment under the same index.
    c.Evaluate(Sec(14.2));
    c.RemoveKey(29);
    ExpectSameAsFresh(c, 13.0, 14.0);
    c.GetKey(27)->mValue = 8.0f; // the new last key's left neighbour
    ExpectSameAsFresh(c, 13.0, 14.0);
}
