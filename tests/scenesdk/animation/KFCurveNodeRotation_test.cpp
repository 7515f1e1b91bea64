// Rotation channels: closest equivalent angles, rotation offsets and the
// quaternion interpolation of Euler channels.

#include "KFCurveNodeTestSupport.h"

#include "scenesdk/kernel/KgeMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

using namespace scenesdk;
using namespace channeltest;

namespace
{

const int kXYZ[3] = {0, 1, 2};

// A rotation channel with keyed angle curves: keys[k] = {seconds, x, y, z}.
KFCurveNode* Rotation(std::initializer_list<std::array<double, 4>> keys, uint32_t interpolation,
                      uint32_t tangentMode = KFCURVE_TANGENT_AUTO)
{
    KFCurveNode* r = new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation);
    const char* names[3] = {"X", "Y", "Z"};
    for (int axis = 0; axis < 3; ++axis)
    {
        KFCurveNode* leaf = new KFCurveNode(names[axis], names[axis], nullptr);
        KFCurve* curve = KFCurve::Create();
        int i = 0;
        for (const auto& k : keys)
        {
            curve->SetKey(i++, Sec(k[0]), static_cast<float>(k[axis + 1]), interpolation, tangentMode);
        }
        leaf->SetFCurve(curve);
        r->AddChild(leaf);
    }
    return r;
}

// The angle of the rotation between two orientations, in degrees.
double AngleBetween(int order, const double* a, const double* b)
{
    double ma[16], mb[16];
    KgeMatrixIdentity(ma);
    KgeMatrixIdentity(mb);
    KFCurveNode::AnglesToMatrix(order, a, ma);
    KFCurveNode::AnglesToMatrix(order, b, mb);
    double qa[4], qb[4];
    KgeMatrixToQuaternion(qa, ma);
    KgeMatrixToQuaternion(qb, mb);
    const double dot = std::fabs(qa[0] * qb[0] + qa[1] * qb[1] + qa[2] * qb[2] + qa[3] * qb[3]);
    return 2.0 * std::acos(std::min(1.0, dot)) * kKgeRadToDeg;
}

} // namespace

TEST(KFCurveNodeRotationTest, ClosestAngle)
{
    EXPECT_DOUBLE_EQ(355.0, KFCurveNode::ClosestAngle(-5, 350));
    EXPECT_DOUBLE_EQ(10.0, KFCurveNode::ClosestAngle(10, -170)); // exactly half a turn: stays
    EXPECT_DOUBLE_EQ(-350.0, KFCurveNode::ClosestAngle(10, -300));
    EXPECT_DOUBLE_EQ(725.0, KFCurveNode::ClosestAngle(5, 700));
}

TEST(KFCurveNodeRotationTest, ClosestEuler)
{
    const double p[3] = {0, 0, 0};
    const double a[3] = {180, 180, 180};
    double out[3];
    KFCurveNode::ClosestEuler(out, p, a, kXYZ);
    EXPECT_NEAR(0, out[0], 1e-12);
    EXPECT_NEAR(0, out[1], 1e-12);
    EXPECT_NEAR(0, out[2], 1e-12);

    // Aliasing the output with the input.
    double b[3] = {370, -5, 725};
    KFCurveNode::ClosestEuler(b, p, b, kXYZ);
    EXPECT_DOUBLE_EQ(10, b[0]);
    EXPECT_DOUBLE_EQ(-5, b[1]);
    EXPECT_DOUBLE_EQ(5, b[2]);

    // Gimbal: second angle 90, first and third pulled halfway toward P.
    const double ref[3] = {10, 90, 30};
    const double g[3] = {50, 90, 10};
    KFCurveNode::ClosestEuler(out, ref, g, kXYZ);
    EXPECT_DOUBLE_EQ(50 + ((10 - 50) + (30 - 10)) / 2.0, out[0]);
    EXPECT_DOUBLE_EQ(90, out[1]);
    EXPECT_DOUBLE_EQ(10 + ((10 - 50) + (30 - 10)) / 2.0, out[2]);
}

TEST(KFCurveNodeRotationTest, RotationOffsetAndSafeOrders)
{
    KFCurveNode r("R", "R", nullptr);
    double offsets[3];
    const double a[3] = {10, 20, 30};
    const double b[3] = {370, 20, -330};
    EXPECT_FALSE(r.GetRotationOffset(offsets, a, b));
    EXPECT_DOUBLE_EQ(360, offsets[0]);
    EXPECT_DOUBLE_EQ(0, offsets[1]);
    EXPECT_DOUBLE_EQ(-360, offsets[2]);

    // Orders outside the table behave as XYZ instead of reading past it.
    r.SetRotationOrder(99);
    EXPECT_FALSE(r.GetRotationOffset(offsets, a, b));
    int row[3];
    KFCurveNode::GetAxisOrder(-4, row);
    EXPECT_EQ(0, row[0]);
    KFCurveNode::GetAxisOrder(9, row);
    EXPECT_EQ(2, row[0]);
    EXPECT_EQ(0, row[1]);
    EXPECT_EQ(1, row[2]);
}

TEST(KFCurveNodeRotationTest, MatricesRoundTripForEveryOrder)
{
    const double angles[3] = {20, -35, 50};
    for (int order : {0, 2, 4, 6, 8, 10, 12})
    {
        double m[16], back[3];
        KgeMatrixIdentity(m);
        KFCurveNode::AnglesToMatrix(order, angles, m);
        KFCurveNode::MatrixToAngles(order, m, back);
        EXPECT_LT(AngleBetween(order, angles, back), 1e-6) << order;
    }
}

TEST(KFCurveNodeRotationTest, InterpolationOffIsThreeCurves)
{
    KFCurveNode* r = Rotation({{0, 0, 0, 0}, {1, 90, 45, 10}, {2, 0, 90, 20}}, KFCURVE_INTERPOLATION_CUBIC);
    for (double t : {0.25, 0.5, 1.3})
    {
        double channel[3], plain[3];
        r->Evaluate(channel, Sec(t));
        r->EvaluateTree(plain, Sec(t));
        EXPECT_DOUBLE_EQ(plain[0], channel[0]);
        EXPECT_DOUBLE_EQ(plain[1], channel[1]);
        EXPECT_DOUBLE_EQ(plain[2], channel[2]);
    }
    delete r;
}

TEST(KFCurveNodeRotationTest, QuaternionInterpolationLinear)
{
    KFCurveNode* r = Rotation({{0, 0, 0, 0}, {1, 0, 0, 90}}, KFCURVE_INTERPOLATION_LINEAR);
    r->SetQuaternionInterpolation(true);
    double out[3];
    EXPECT_EQ(out + 3, r->Evaluate(out, Sec(0.5)));
    EXPECT_NEAR(0, out[0], 1e-9);
    EXPECT_NEAR(0, out[1], 1e-9);
    EXPECT_NEAR(45, out[2], 1e-6); // symmetric: the normalised blend is the half turn
    // On a key: the keyed angles.
    r->Evaluate(out, Sec(1));
    EXPECT_NEAR(90, out[2], 1e-5);
    delete r;
}

TEST(KFCurveNodeRotationTest, QuaternionInterpolationCubicPassesThroughKeysSmoothly)
{
    for (uint32_t mode : {KFCURVE_TANGENT_AUTO, KFCURVE_TANGENT_TCB, KFCURVE_TANGENT_USER})
    {
        KFCurveNode* r = Rotation({{0, 0, 0, 0}, {1, 30, 60, 90}, {2, 60, 0, 120}, {3, 0, 30, 0}},
                                  KFCURVE_INTERPOLATION_CUBIC, mode);
        r->SetQuaternionInterpolation(true);
        double keyed[3], near[3], out[3];
        r->EvaluateTree(keyed, Sec(1));
        r->Evaluate(near, Sec(1 - 1e-6));
        EXPECT_LT(AngleBetween(0, keyed, near), 0.01) << mode;
        r->Evaluate(near, Sec(1 + 1e-6));
        EXPECT_LT(AngleBetween(0, keyed, near), 0.01) << mode;
        // Continuity inside a span: small steps give small turns.
        double previous[3];
        r->Evaluate(previous, Sec(0));
        for (int i = 1; i <= 30; ++i)
        {
            r->Evaluate(out, Sec(i * 0.1));
            EXPECT_LT(AngleBetween(0, previous, out), 30.0) << mode << " " << i;
            std::copy(out, out + 3, previous);
        }
        delete r;
    }
}

TEST(KFCurveNodeRotationTest, QuaternionInterpolationFillsChildCaches)
{
    KFCurveNode* r = Rotation({{0, 0, 0, 0}, {1, 0, 0, 90}}, KFCURVE_INTERPOLATION_LINEAR);
    r->SetQuaternionInterpolation(true);
    double out[3];
    r->Evaluate(out, Sec(0.5), nullptr, true);
    EXPECT_TRUE(r->IsCacheValid());
    EXPECT_TRUE(r->GetChildAt(2)->IsCacheValid());
    double again[3];
    r->Evaluate(again, Sec(0.5), nullptr, true);
    EXPECT_DOUBLE_EQ(out[2], again[2]);
    delete r;
}

TEST(KFCurveNodeRotationTest, SphericOrderRoundTripsThroughLayers)
{
    KFCurveNode* r = new KFCurveNode("R", "R", nullptr, eKFCurveNodeLayerEulerRotation);
    r->AddChild(Leaf("X", 10));
    r->AddChild(Leaf("Y", 20));
    r->AddChild(Leaf("Z", 30));
    r->SetRotationOrder(KFCURVENODE_ROTATION_SPHERIC);
    r->CreateLayer(1, true); // neutral layer: the value is unchanged
    double out[3];
    r->Evaluate(out, Sec(0));
    const double expected[3] = {10, 20, 30};
    EXPECT_LT(AngleBetween(12, expected, out), 1e-6);
    delete r;
}
