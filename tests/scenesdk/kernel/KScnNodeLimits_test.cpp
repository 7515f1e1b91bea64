#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeLimits.h"
#include "scenesdk/kernel/KgeMath.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scenesdk;

namespace
{

void ExpectVector(const KgeTVector& v, double x, double y, double z, double w)
{
    EXPECT_DOUBLE_EQ(v.mData[0], x);
    EXPECT_DOUBLE_EQ(v.mData[1], y);
    EXPECT_DOUBLE_EQ(v.mData[2], z);
    EXPECT_DOUBLE_EQ(v.mData[3], w);
}

void ExpectAngles(const double* a, double x, double y, double z)
{
    EXPECT_NEAR(a[0], x, 1e-9);
    EXPECT_NEAR(a[1], y, 1e-9);
    EXPECT_NEAR(a[2], z, 1e-9);
}

} // namespace

TEST(KScnNodeLimitsTest, NewRecordHasNothingActive)
{
    KScnNodeLimits limits;
    for (int channel = 0; channel < 3; ++channel)
    {
        const KScnNodeLimit* limit = limits.GetChannelLimits(channel);
        ASSERT_NE(limit, nullptr);
        EXPECT_FALSE(limit->GetAnyActive());
        ExpectVector(limit->GetMin(), 0, 0, 0, 1);
        ExpectVector(limit->GetMax(), 0, 0, 0, 1);
        EXPECT_FALSE(limits.GetChannelActive(channel));
        EXPECT_EQ(limits.GetLimitRecord(channel).flags, 0u);
    }
    EXPECT_FALSE(limits.GetTranslationActive());
    EXPECT_FALSE(limits.GetRotationActive());
    EXPECT_FALSE(limits.GetScalingActive());
    EXPECT_EQ(limits.GetNode(), nullptr);
    EXPECT_EQ(limits.GetChannelLimits(3), nullptr);
    EXPECT_EQ(limits.GetChannelLimits(-1), nullptr);
    EXPECT_FALSE(limits.GetChannelActive(3));
}

TEST(KScnNodeLimitsTest, RotationSwitchReachesTheNode)
{
    KScnFree<KScnNode> node;
    node.SetRotationActive(true);
    KScnNodeLimits limits(&node);
    EXPECT_FALSE(node.GetRotationActive()); // cleared by the constructor
    limits.SetRotationActive(true);
    EXPECT_TRUE(limits.GetRotationActive());
    EXPECT_TRUE(node.GetRotationActive());
    limits.SetRotationActive(false);
    EXPECT_FALSE(node.GetRotationActive());
    // Translation and scaling stay in the record.
    limits.SetTranslationActive(true);
    limits.SetScalingActive(true);
    EXPECT_FALSE(node.GetRotationActive());
    EXPECT_TRUE(limits.GetChannelActive(0));
    EXPECT_TRUE(limits.GetChannelActive(2));

    KScnNodeLimits alone;
    alone.SetRotationActive(true);
    EXPECT_TRUE(alone.GetRotationActive());
}

TEST(KScnNodeLimitsTest, SwitchesAndVectorsPerAxis)
{
    KScnNodeLimit limit;
    bool x = true, y = true, z = true;
    limit.SetMinActive(true, false, true);
    limit.GetMinActive(x, y, z);
    EXPECT_TRUE(x && !y && z);
    limit.GetMaxActive(x, y, z);
    EXPECT_TRUE(!x && !y && !z);

    // Each of the six switches alone makes the limit active.
    for (int i = 0; i < 6; ++i)
    {
        KScnNodeLimit one;
        if (i < 3)
            one.SetMinActive(i == 0, i == 1, i == 2);
        else
            one.SetMaxActive(i == 3, i == 4, i == 5);
        EXPECT_TRUE(one.GetAnyActive()) << i;
        EXPECT_EQ(one.ToLimitRecord(false).flags, 2u << i) << i;
    }

    limit.SetMin(KgeTVector(-1, -2, -3, 7));
    limit.SetMax(KgeTVector(1, 2, 3, 9));
    ExpectVector(limit.GetMin(), -1, -2, -3, 7); // w copied too
    ExpectVector(limit.GetMax(), 1, 2, 3, 9);
    const KgeLimitRecord record = limit.ToLimitRecord(true);
    EXPECT_EQ(record.flags, 1u | 2u | 8u);
    EXPECT_EQ(record.min[3], 7.0);
    EXPECT_EQ(record.max[2], 3.0);

    KScnNodeLimit copy = limit;
    EXPECT_TRUE(copy == limit);
    copy.SetMaxActive(false, false, true);
    EXPECT_TRUE(copy != limit);
}

TEST(KScnNodeLimitsTest, ClampPerAxis)
{
    KScnNodeLimits limits;
    KScnNodeLimit& t = limits.GetTranslationLimits();
    t.SetMin(KgeTVector(-1, -1, -1));
    t.SetMax(KgeTVector(1, 1, 1));
    const double in[3] = {-5, 5, 0.5};
    double out[3];

    // Inactive: unchanged.
    limits.Clamp(0, out, in);
    ExpectAngles(out, -5, 5, 0.5);

    // Minimum only on x and y.
    t.SetMinActive(true, true, false);
    limits.Clamp(0, out, in);
    ExpectAngles(out, -1, 5, 0.5);

    // Maximum only on y.
    t.SetMinActive(false, false, false);
    t.SetMaxActive(false, true, false);
    limits.Clamp(0, out, in);
    ExpectAngles(out, -5, 1, 0.5);

    // Both on every axis; the channel's switch does not gate the clamp.
    t.SetMinActive(true, true, true);
    t.SetMaxActive(true, true, true);
    EXPECT_FALSE(limits.GetTranslationActive());
    limits.Clamp(0, out, in);
    ExpectAngles(out, -1, 1, 0.5);

    // A minimum above the maximum: the maximum is applied last.
    t.SetMin(KgeTVector(2, 2, 2));
    limits.Clamp(0, out, in);
    ExpectAngles(out, 1, 1, 1);

    // In place, and per channel: scaling limits leave translation's alone.
    double v[3] = {0.1, 4, 9};
    limits.GetScalingLimits().SetMin(KgeTVector(0.5, 0.5, 0.5));
    limits.GetScalingLimits().SetMinActive(true, false, false);
    limits.Clamp(2, v, v);
    ExpectAngles(v, 0.5, 4, 9);

    // A channel number outside 0..2 copies the values.
    limits.Clamp(3, out, in);
    ExpectAngles(out, -5, 5, 0.5);
}

TEST(KScnNodeTest, PivotSetsAndRotationRecord)
{
    KScnFree<KScnNode> node;
    EXPECT_FALSE(node.GetRotationActive());
    EXPECT_EQ(node.GetLimits().GetNode(), &node);
    EXPECT_EQ(node.GetRotationRecord().flags, 0u);

    node.SetPreRotation(0, KgeTVector(0, 0, 90));
    ExpectVector(node.GetPreRotation(0), 0, 0, 90, 1);
    const KgePivotRotationRecord& record = node.GetRotationRecord();
    EXPECT_EQ(record.flags, KgePivotRotationRecord::kPreRotation);
    EXPECT_NEAR(record.preRotation[1], 1.0, 1e-12); // row 0: (cz, sz, 0)
    node.SetPostRotation(0, KgeTVector(10, 0, 0));
    EXPECT_EQ(record.flags, KgePivotRotationRecord::kPreRotation | KgePivotRotationRecord::kPostRotation);
    node.SetPreRotation(0, KgeTVector(0, 0, 0));
    EXPECT_EQ(record.flags, KgePivotRotationRecord::kPostRotation);
    EXPECT_EQ(record.preRotation[1], 0.0);

    // Set 1 is kept apart from the evaluation record.
    node.SetPreRotation(1, KgeTVector(5, 5, 5));
    ExpectVector(node.GetPreRotation(1), 5, 5, 5, 1);
    EXPECT_EQ(record.flags, KgePivotRotationRecord::kPostRotation);
    node.SetRotationOrder(1, KScnNode::eEulerZYX);
    EXPECT_EQ(record.eulerCode, 0);
    node.SetRotationSpaceForLimitOnly(1, true);
    EXPECT_FALSE(record.rotationSpaceForLimitOnly);
    EXPECT_FALSE(node.GetRotationSpaceForLimitOnly(0));

    node.SetRotationOrder(0, KScnNode::eEulerYXZ);
    EXPECT_EQ(node.GetRotationOrder(0), 3);
    EXPECT_EQ(record.eulerCode, 6);
    node.SetRotationOrder(0, KScnNode::eSphericXYZ);
    EXPECT_EQ(record.eulerCode, kKgeEulerSpheric);
    node.SetRotationOrder(0, 7); // no such order
    node.SetRotationOrder(0, -1);
    EXPECT_EQ(node.GetRotationOrder(0), KScnNode::eSphericXYZ);

    // Set numbers other than 0 and 1.
    node.SetPostRotation(2, KgeTVector(1, 1, 1));
    node.SetRotationSpaceForLimitOnly(-1, true);
    ExpectVector(node.GetPostRotation(2), 0, 0, 0, 0);
    EXPECT_FALSE(node.GetRotationSpaceForLimitOnly(-1));
    EXPECT_EQ(node.GetRotationOrder(5), 0);
}

TEST(KScnNodeTest, RotationClampedDirectlyOrInRotationSpace)
{
    KScnFree<KScnNode> node;
    KScnNodeLimit& r = node.GetLimits().GetRotationLimits();
    r.SetMax(KgeTVector(0, 0, 10));
    r.SetMaxActive(false, false, true);
    node.SetPreRotation(0, KgeTVector(0, 0, 30));
    const double in[3] = {0, 0, 50};
    double out[3];

    // Limits on the angles as they are.
    node.ClampLocalRotation(out, in);
    ExpectAngles(out, 0, 0, 10);

    // Rotation space without rotation active: plain XYZ both ways.
    node.SetRotationSpaceForLimitOnly(0, true);
    node.ClampLocalRotation(out, in);
    ExpectAngles(out, 0, 0, 10);

    // Rotation active: the pre-rotation comes off first (50 - 30 = 20 is
    // clamped to 10) and goes back on afterwards.
    node.GetLimits().SetRotationActive(true);
    node.ClampLocalRotation(out, in);
    ExpectAngles(out, 0, 0, 40);

    // Within the limit nothing moves.
    const double inside[3] = {0, 0, 35};
    node.ClampLocalRotation(out, inside);
    ExpectAngles(out, 0, 0, 35);
}

TEST(KScnNodeTest, RotationLimitsFollowTheRotationOrder)
{
    const double in[3] = {30, 20, 10};
    for (int order = KScnNode::eEulerXYZ; order <= KScnNode::eSphericXYZ; ++order)
    {
        SCOPED_TRACE(order);
        KScnFree<KScnNode> node;
        node.SetRotationOrder(0, order);
        node.SetPostRotation(0, KgeTVector(5, 0, 0));
        node.SetRotationSpaceForLimitOnly(0, true);
        node.GetLimits().SetRotationActive(true);
        const KgePivotRotationRecord& record = node.GetRotationRecord();

        // Where the input lies in the order's rotation space.
        double m[16];
        double before[3];
        KgeMatrixIdentity(m);
        KgeMatrixFromEulerXYZ(m, in[0], in[1], in[2]);
        KgeAnglesFromPivotRecord(record, before, m);

        // No per-axis switch: the round trip gives the input back.
        double out[3];
        node.ClampLocalRotation(out, in);
        ExpectAngles(out, in[0], in[1], in[2]);

        // A maximum on x below the input's: only x moves, measured in that space.
        KScnNodeLimit& r = node.GetLimits().GetRotationLimits();
        r.SetMax(KgeTVector(before[0] - 5, 0, 0));
        r.SetMaxActive(true, false, false);
        node.ClampLocalRotation(out, in);
        double after[3];
        KgeMatrixIdentity(m);
        KgeMatrixFromEulerXYZ(m, out[0], out[1], out[2]);
        KgeAnglesFromPivotRecord(record, after, m);
        ExpectAngles(after, before[0] - 5, before[1], before[2]);
    }
}

TEST(KgeQuaternionTest, IdentityProductAndYAxis)
{
    const double identity[4] = {0, 0, 0, 1};
    const double h = std::sqrt(0.5);
    double q[4] = {0.1, -0.2, h, 0.3};
    double out[4];
    KgeQuaternionMultiply(out, identity, q);
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(out[i], q[i]);
    const double saved[4] = {q[0], q[1], q[2], q[3]};
    KgeQuaternionMultiply(q, identity, q); // output is the second input
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(q[i], saved[i]);
    KgeQuaternionMultiply(q, q, identity); // output is the first input
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(q[i], saved[i]);

    // 90 degrees about Z takes Y onto -X.
    const double z90[4] = {0, 0, h, h};
    double y[3];
    KgeQuaternionToYAxis(y, z90);
    ExpectAngles(y, -1, 0, 0);
    // Two quarter turns about Z make a half turn: Y onto -Y.
    double z180[4];
    KgeQuaternionMultiply(z180, z90, z90);
    KgeQuaternionToYAxis(y, z180);
    ExpectAngles(y, 0, -1, 0);
}
