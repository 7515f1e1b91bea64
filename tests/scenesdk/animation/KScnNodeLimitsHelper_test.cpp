#include "scenesdk/animation/KScnNodeLimitsHelper.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"

#include <gtest/gtest.h>

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

bool AllSix(const KScnNodeLimit& limit, bool v)
{
    bool a, b, c, d, e, f;
    limit.GetMinActive(a, b, c);
    limit.GetMaxActive(d, e, f);
    return a == v && b == v && c == v && d == v && e == v && f == v;
}

} // namespace

TEST(KScnNodeLimitsHelperTest, MinMaxPerChannel)
{
    KScnFree<KScnNode> node;
    KScnNodeLimits& limits = node.GetLimits();
    KScnNodeLimitsHelper helper(&limits);
    EXPECT_EQ(helper.GetValue(), 1.0);

    helper.SetChannelMinMax(0, KgeTVector(1, 2, 3, 4));
    ExpectVector(limits.GetTranslationLimits().GetMin(), 1, 2, 3, 4);
    ExpectVector(limits.GetTranslationLimits().GetMax(), 1, 2, 3, 4);
    helper.SetChannelMinMax(2, KgeTVector(0.5, 0.5, 0.5));
    ExpectVector(helper.GetChannelMin(2), 0.5, 0.5, 0.5, 1);
    ExpectVector(helper.GetChannelMax(2), 0.5, 0.5, 0.5, 1);

    // Rotation: the vector is the pre-rotation, the limits stay.
    helper.SetChannelMinMax(1, KgeTVector(0, 45, 0));
    ExpectVector(node.GetPreRotation(0), 0, 45, 0, 1);
    ExpectVector(node.GetPreRotation(1), 0, 0, 0, 1);
    EXPECT_EQ(node.GetRotationRecord().flags, KgePivotRotationRecord::kPreRotation);
    ExpectVector(limits.GetRotationLimits().GetMin(), 0, 0, 0, 1);
    ExpectVector(limits.GetRotationLimits().GetMax(), 0, 0, 0, 1);

    // The single setters reach rotation's limits like the others.
    helper.SetChannelMin(1, KgeTVector(-10, -20, -30));
    helper.SetChannelMax(1, KgeTVector(10, 20, 30));
    ExpectVector(helper.GetChannelMin(1), -10, -20, -30, 1);
    ExpectVector(helper.GetChannelMax(1), 10, 20, 30, 1);
    helper.SetChannelMax(0, KgeTVector(9, 9, 9));
    ExpectVector(helper.GetChannelMin(0), 1, 2, 3, 4);
    ExpectVector(helper.GetChannelMax(0), 9, 9, 9, 1);
}

TEST(KScnNodeLimitsHelperTest, LimitsActiveSwitchesAllSixOnlyOnAChange)
{
    KScnNodeLimits limits;
    KScnNodeLimitsHelper helper(&limits);
    KScnNodeLimit& t = limits.GetTranslationLimits();

    // Only max x on: turning limits off clears all six.
    t.SetMaxActive(true, false, false);
    helper.SetChannelLimitsActive(0, false);
    EXPECT_TRUE(AllSix(t, false));

    // None on: turning them on sets all six; off again clears them.
    helper.SetChannelLimitsActive(0, true);
    EXPECT_TRUE(AllSix(t, true));
    helper.SetChannelLimitsActive(0, false);
    EXPECT_TRUE(AllSix(t, false));
    helper.SetChannelLimitsActive(0, false); // already off: stays off
    EXPECT_TRUE(AllSix(t, false));

    // Some on: turning them on keeps the per-axis choice.
    t.SetMinActive(false, true, false);
    helper.SetChannelLimitsActive(0, true);
    bool x, y, z;
    t.GetMinActive(x, y, z);
    EXPECT_TRUE(!x && y && !z);
    t.GetMaxActive(x, y, z);
    EXPECT_TRUE(!x && !y && !z);

    // Rotation and scaling are their own.
    helper.SetChannelLimitsActive(1, true);
    EXPECT_TRUE(AllSix(limits.GetRotationLimits(), true));
    EXPECT_TRUE(AllSix(limits.GetScalingLimits(), false));
}

TEST(KScnNodeLimitsHelperTest, ChannelFlagStoresTheInverse)
{
    KScnFree<KScnNode> node;
    KScnNodeLimits& limits = node.GetLimits();
    KScnNodeLimitsHelper helper(&limits);

    helper.SetChannelFlag(0, false);
    EXPECT_TRUE(limits.GetTranslationActive());
    helper.SetChannelFlag(2, true);
    EXPECT_FALSE(limits.GetScalingActive());
    EXPECT_FALSE(node.GetRotationActive());
    EXPECT_FALSE(node.GetRotationSpaceForLimitOnly(0));

    helper.SetChannelFlag(1, false);
    EXPECT_TRUE(limits.GetRotationActive());
    EXPECT_TRUE(node.GetRotationActive());
    EXPECT_TRUE(node.GetRotationSpaceForLimitOnly(0));
    EXPECT_TRUE(node.GetRotationRecord().rotationSpaceForLimitOnly);
    EXPECT_FALSE(node.GetRotationSpaceForLimitOnly(1));

    // True turns rotation off again but leaves the limit-space switch.
    helper.SetChannelFlag(1, true);
    EXPECT_FALSE(limits.GetRotationActive());
    EXPECT_FALSE(node.GetRotationActive());
    EXPECT_TRUE(node.GetRotationSpaceForLimitOnly(0));
}

TEST(KScnNodeLimitsHelperTest, RotationSetUpOfPivotSetZero)
{
    KScnFree<KScnNode> node;
    KScnNodeLimitsHelper helper(&node.GetLimits());
    helper.SetRotationOrder(false);
    EXPECT_EQ(node.GetRotationOrder(0), KScnNode::eSphericXYZ);
    EXPECT_EQ(node.GetRotationRecord().eulerCode, 12);
    helper.SetRotationOrder(true);
    EXPECT_EQ(node.GetRotationOrder(0), KScnNode::eEulerXYZ);
    EXPECT_EQ(node.GetRotationRecord().eulerCode, 0);

    helper.SetPostRotation(KgeTVector(0, 0, 15, 2));
    ExpectVector(node.GetPostRotation(0), 0, 0, 15, 2);
    ExpectVector(helper.GetPostRotation(), 0, 0, 15, 2);
    EXPECT_EQ(node.GetRotationRecord().flags, KgePivotRotationRecord::kPostRotation);
    ExpectVector(node.GetPostRotation(1), 0, 0, 0, 1);
}

TEST(KScnNodeLimitsHelperTest, OtherChannelNumbersAndMissingOwners)
{
    KScnFree<KScnNode> node;
    KScnNodeLimits& limits = node.GetLimits();
    KScnNodeLimitsHelper helper(&limits);
    for (int channel : {3, -1})
    {
        helper.SetChannelFlag(channel, false);
        helper.SetChannelLimitsActive(channel, true);
        helper.SetChannelMinMax(channel, KgeTVector(5, 5, 5));
        helper.SetChannelMin(channel, KgeTVector(5, 5, 5));
        helper.SetChannelMax(channel, KgeTVector(5, 5, 5));
        ExpectVector(helper.GetChannelMin(channel), 0, 0, 0, 0);
        ExpectVector(helper.GetChannelMax(channel), 0, 0, 0, 0);
    }
    for (int channel = 0; channel < 3; ++channel)
    {
        EXPECT_FALSE(limits.GetChannelActive(channel));
        EXPECT_FALSE(limits.GetChannelLimits(channel)->GetAnyActive());
        ExpectVector(limits.GetChannelLimits(channel)->GetMin(), 0, 0, 0, 1);
    }
    EXPECT_FALSE(node.GetRotationSpaceForLimitOnly(0));
    ExpectVector(node.GetPreRotation(0), 0, 0, 0, 1);

    // Limits without a node: node operations do nothing, the rest works.
    KScnNodeLimits alone;
    KScnNodeLimitsHelper loose(&alone);
    loose.SetChannelMinMax(1, KgeTVector(1, 1, 1));
    loose.SetRotationOrder(false);
    loose.SetPostRotation(KgeTVector(1, 1, 1));
    ExpectVector(loose.GetPostRotation(), 0, 0, 0, 0);
    ExpectVector(loose.GetChannelMax(1), 0, 0, 0, 1);
    loose.SetChannelFlag(1, false);
    EXPECT_TRUE(alone.GetRotationActive());

    // No limits at all.
    KScnNodeLimitsHelper none(nullptr);
    none.SetChannelFlag(1, false);
    none.SetChannelLimitsActive(0, true);
    none.SetChannelMinMax(1, KgeTVector(1, 1, 1));
    none.SetRotationOrder(true);
    ExpectVector(none.GetChannelMin(0), 0, 0, 0, 0);
    ExpectVector(none.GetPostRotation(), 0, 0, 0, 0);
}

TEST(KScnNodeLimitsHelperTest, LimitsSetAsAReaderDoesThenApplied)
{
    // Translation locked to y in [0, 10], rotation limited in the node's
    // rotation space to z at most 20 degrees past a 30 degree pre-rotation.
    KScnFree<KScnNode> node;
    KScnNodeLimits& limits = node.GetLimits();
    {
        KScnNodeLimitsHelper helper(&limits);
        helper.SetChannelFlag(0, false);
        helper.SetChannelMin(0, KgeTVector(0, 0, 0));
        helper.SetChannelMax(0, KgeTVector(0, 10, 0));
        limits.GetTranslationLimits().SetMinActive(false, true, false);
        limits.GetTranslationLimits().SetMaxActive(false, true, false);
        helper.SetChannelLimitsActive(0, true); // keeps the y-only choice

        helper.SetRotationOrder(true);
        helper.SetChannelMinMax(1, KgeTVector(0, 0, 30)); // pre-rotation
        helper.SetChannelMax(1, KgeTVector(0, 0, 20));
        limits.GetRotationLimits().SetMaxActive(false, false, true);
        helper.SetChannelFlag(1, false);
    }
    const double t[3] = {-4, 12, 7};
    double out[3];
    limits.Clamp(0, out, t);
    EXPECT_DOUBLE_EQ(out[0], -4);
    EXPECT_DOUBLE_EQ(out[1], 10);
    EXPECT_DOUBLE_EQ(out[2], 7);

    const double r[3] = {0, 0, 80};
    node.ClampLocalRotation(out, r);
    EXPECT_NEAR(out[0], 0, 1e-9);
    EXPECT_NEAR(out[1], 0, 1e-9);
    EXPECT_NEAR(out[2], 50, 1e-9); // 30 pre-rotation + 20 limit
}
