#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/kernel/KScnFree.h"

#include <gtest/gtest.h>

#include <vector>

using namespace scenesdk;

namespace
{

KgeTransformMatrix Translation(double x, double y, double z)
{
    KgeTransformMatrix m;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// The poses of a manager's scenes, in order.
struct PoseList : KScnPoseScope
{
    std::vector<KScnPose*> poses;
    int GetPoseCount() const override { return static_cast<int>(poses.size()); }
    KScnPose* GetPose(int index) const override
    {
        return index >= 0 && index < GetPoseCount() ? poses[static_cast<size_t>(index)] : nullptr;
    }
};

TEST(Pose, BindAndRestPosesAreTakeObjectsWithoutTakes)
{
    KScnFree<KScnPose> bind(nullptr, "Pose::bind", true);
    KScnFree<KScnPose> rest(nullptr, "Pose::rest", false);
    EXPECT_STREQ(bind.GetTypeName().Buffer(), "BindPose");
    EXPECT_STREQ(rest.GetTypeName().Buffer(), "RestPose");
    EXPECT_EQ(bind.GetPoseType(), 'b');
    EXPECT_EQ(rest.GetPoseType(), 'r');
    EXPECT_EQ(bind.GetObjectKind(), 11);
    EXPECT_EQ(bind.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(bind.GetTakeNodeCount(), 0);
    EXPECT_EQ(bind.GetCount(), 0);
    EXPECT_STREQ(KScnPose::MakeObjectName("bind").Buffer(), "Pose::bind");

    KScnPropertyHandler* set = bind.GetPropertyHandler();
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->GetClassName(), "KScnPoseProperties");
    EXPECT_TRUE(set->IsA(KScnPropertyHandler::ClassId));
    EXPECT_EQ(set->GetPropertyCount(), 0);
    EXPECT_EQ(set->GetOwner(), &bind);
}

TEST(Pose, EntriesAreAddedFoundAndRemovedByName)
{
    KScnFree<KScnPose> pose(nullptr, "p", true);
    EXPECT_EQ(pose.Add("hip", Translation(0, 1, 0), false), 0);
    EXPECT_EQ(pose.Add("knee", Translation(0, 0.5, 0), true), 1);
    EXPECT_EQ(pose.Add("foot", Translation(0, 0, 0.1)), 2);
    EXPECT_EQ(pose.GetCount(), 3);
    EXPECT_EQ(pose.Find("knee"), 1);
    EXPECT_EQ(pose.Find("Knee"), -1) << "names compare exactly";
    EXPECT_EQ(pose.Find(nullptr), -1);
    EXPECT_STREQ(pose.GetNodeName(1).Buffer(), "knee");
    EXPECT_DOUBLE_EQ(pose.GetMatrix(1)[13], 0.5);
    EXPECT_TRUE(pose.IsLocalMatrix(1));
    EXPECT_FALSE(pose.IsLocalMatrix(0));

    EXPECT_TRUE(pose.Remove(1));
    EXPECT_EQ(pose.GetCount(), 2);
    EXPECT_EQ(pose.Find("foot"), 1);
    EXPECT_EQ(pose.Find("knee"), -1);

    // Out-of-range indices read as empty and change nothing.
    EXPECT_FALSE(pose.Remove(2));
    EXPECT_FALSE(pose.Remove(-1));
    EXPECT_EQ(pose.GetEntry(5), nullptr);
    EXPECT_STREQ(pose.GetNodeName(-1).Buffer(), "");
    EXPECT_TRUE(pose.GetMatrix(9) == KgeTransformMatrix());
    EXPECT_FALSE(pose.IsLocalMatrix(2));
    EXPECT_EQ(pose.GetCount(), 2);
}

TEST(Pose, SameNameKeepsTheFirstEntry)
{
    KScnFree<KScnPose> pose(nullptr, "p", false);
    const KgeTransformMatrix m = Translation(1, 2, 3);
    EXPECT_EQ(pose.Add("a", m, false), 0);
    EXPECT_EQ(pose.Add("b", m, false), 1);
    EXPECT_EQ(pose.Add("a", m, true), 0);
    EXPECT_EQ(pose.GetCount(), 2);
    EXPECT_FALSE(pose.IsLocalMatrix(0)) << "the existing entry stays as it was";

    KgeTransformMatrix far = m;
    far[5] += 1e-3;
    EXPECT_EQ(pose.Add("a", far), -1);
    KgeTransformMatrix near = m;
    near[3] = 1e-6; // 0 against 1e-6: exactly the tolerance
    EXPECT_EQ(pose.Add("a", near), 0);
    near[3] = 2e-6;
    EXPECT_EQ(pose.Add("a", near), -1);
    EXPECT_EQ(pose.GetCount(), 2);

    EXPECT_EQ(pose.Add(nullptr, m), -1);
    EXPECT_EQ(pose.Add("", m), -1);
    EXPECT_EQ(pose.GetCount(), 2);
}

TEST(Pose, BindPosesOfOneManagerShareOneMatrixPerNode)
{
    KScnFree<KScnPose> first(nullptr, "b1", true);
    KScnFree<KScnPose> second(nullptr, "b2", true);
    PoseList scope;
    scope.poses = {&first, &second};
    first.SetPoseScope(&scope);
    second.SetPoseScope(&scope);

    const KgeTransformMatrix m = Translation(1, 0, 0);
    const KgeTransformMatrix other = Translation(2, 0, 0);
    EXPECT_EQ(first.Add("A", m), 0);
    EXPECT_EQ(second.Add("A", other), -1);
    EXPECT_EQ(second.GetCount(), 0);
    EXPECT_EQ(second.Add("A", m), 0) << "the same matrix is fine";
    EXPECT_EQ(second.Add("B", other), 1);
    int index = 7;
    EXPECT_FALSE(first.IsValidEntry("B", m, index));
    EXPECT_EQ(index, -1) << "refused by the other pose: first has no B";
    EXPECT_TRUE(first.IsValidEntry("B", other, index));
    EXPECT_EQ(index, -1) << "the index is this pose's own";

    // Rest poses check only themselves.
    KScnFree<KScnPose> rest1(nullptr, "r1", false);
    KScnFree<KScnPose> rest2(nullptr, "r2", false);
    scope.poses.push_back(&rest1);
    scope.poses.push_back(&rest2);
    rest1.SetPoseScope(&scope);
    rest2.SetPoseScope(&scope);
    EXPECT_EQ(rest1.Add("A", other), 0);
    EXPECT_EQ(rest2.Add("A", Translation(3, 0, 0)), 0);
    // and a bind pose ignores them.
    KScnFree<KScnPose> third(nullptr, "b3", true);
    third.SetPoseScope(&scope);
    EXPECT_EQ(third.Add("A", m), 0);
    EXPECT_EQ(third.Add("A", other), -1) << "a pose refuses its own name with another matrix";
}

} // namespace
