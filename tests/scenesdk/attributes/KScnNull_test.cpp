// Null and skeleton attributes, and the attach/detach walk over a node's takes.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/kernel/KScnFree.h"

using namespace scenesdk;
using namespace attribtest;

namespace
{

// Records the takes it is given.
class RecordingAttribute : public KScnNodeAttribute
{
public:
    EAttributeKind GetAttributeKind() const override { return eNull; }
    void AddChannels(KScnTakeNodeEntry* take) override { added.emplace_back(take->GetName()); }
    void RemoveChannels(KScnTakeNodeEntry* take) override { removed.emplace_back(take->GetName()); }
    std::vector<std::string> added;
    std::vector<std::string> removed;
};

using NodeAttributeTest = AttributeTest;

TEST_F(NodeAttributeTest, AttachAndDetachVisitEveryTakeInOrder)
{
    KScnNode* node = NodeWithTakes();
    RecordingAttribute attribute;
    attribute.DetachFromNode(); // never attached: nothing
    EXPECT_TRUE(attribute.removed.empty());
    EXPECT_EQ(attribute.GetNode(), nullptr);

    node->SetNodeAttribute(&attribute);
    EXPECT_EQ(attribute.GetNode(), node);
    EXPECT_EQ(attribute.added, (std::vector<std::string>{"Default", "Walk", "Run"}));
    node->SetNodeAttribute(nullptr);
    EXPECT_EQ(attribute.GetNode(), nullptr);
    EXPECT_EQ(attribute.removed, (std::vector<std::string>{"Default", "Walk", "Run"}));
}

TEST_F(NodeAttributeTest, NullPropertiesAndSize)
{
    KScnFree<KScnNull> null;
    EXPECT_EQ(null.GetAttributeKind(), KScnNodeAttribute::eNull);
    EXPECT_STREQ(null.GetTypeName().Buffer(), "Null");
    EXPECT_EQ(Names(null.GetTypeNameList()), (std::vector<std::string>{"Null"}));
    ExpectProperties(null, {{"Size", eKPropDouble, {100.0}}});
    EXPECT_FALSE(null.IsSizeSet());
    EXPECT_STREQ(null.GetProperties()->GetClassName(), "KScnNullProperties");

    null.SetSize(12.5);
    EXPECT_TRUE(null.IsSizeSet());
    EXPECT_DOUBLE_EQ(null.GetSize(), 12.5);
    null.Reset();
    EXPECT_FALSE(null.IsSizeSet());
    EXPECT_DOUBLE_EQ(null.GetSize(), 100.0);

    // No channels of its own.
    KScnNode* node = NodeWithTakes();
    const std::vector<std::string> before = RootChannels(node->GetTakeNode(1));
    node->SetNodeAttribute(&null);
    EXPECT_EQ(RootChannels(node->GetTakeNode(1)), before);
}

TEST_F(NodeAttributeTest, DestroyingAnAttachedAttributeTakesItOffItsNode)
{
    KScnNode* node = mManager.CreateNode("n");
    auto* null = new KScnFree<KScnNull>;
    node->SetNodeAttribute(null);
    delete null;
    EXPECT_EQ(node->GetNodeAttribute(), nullptr);
}

TEST_F(NodeAttributeTest, NewSkeletonIsAGreyRoot)
{
    KScnFree<KScnSkeleton> skeleton;
    EXPECT_EQ(skeleton.GetAttributeKind(), KScnNodeAttribute::eSkeleton);
    EXPECT_EQ(skeleton.GetSkeletonKind(), KScnSkeleton::eRoot);
    ExpectProperties(skeleton, {{"Size", eKPropDouble, {100.0}},
                                {"LimbLength", eKPropDouble, {1.0}},
                                {"Color", eKPropColorRGB, {0.8, 0.8, 0.8}}});
    KScnSkeletonProperties* props = skeleton.GetProperties();
    EXPECT_TRUE(props->LimbLength.TestStateFlags(1));
    EXPECT_TRUE(props->Color.TestStateFlags(KScnSkeleton::kColorNotLimbState));
    EXPECT_DOUBLE_EQ(props->Color.GetValue().mData[3], 1.0);
    EXPECT_FALSE(skeleton.IsKindSet() || skeleton.IsSizeSet() || skeleton.IsColorSet() ||
                 skeleton.IsLimbLengthSet());

    skeleton.SetSkeletonKind(KScnSkeleton::eLimbNode);
    EXPECT_TRUE(skeleton.IsKindSet());
    EXPECT_FALSE(props->Color.TestStateFlags(KScnSkeleton::kColorNotLimbState));
    skeleton.SetSkeletonKind(KScnSkeleton::eRoot);
    EXPECT_TRUE(props->Color.TestStateFlags(KScnSkeleton::kColorNotLimbState));
}

TEST_F(NodeAttributeTest, SkeletonSettersApplyOnlyToTheirKinds)
{
    KScnFree<KScnSkeleton> skeleton;
    EXPECT_FALSE(skeleton.SetLimbLength(5.0)); // root
    EXPECT_FALSE(skeleton.SetLimbColor(KColorRGBA(0.1, 0.2, 0.3, 1.0)));
    skeleton.SetSkeletonKind(KScnSkeleton::eLimbNode);
    EXPECT_FALSE(skeleton.SetLimbLength(5.0));
    EXPECT_FALSE(skeleton.IsLimbLengthSet());
    EXPECT_DOUBLE_EQ(skeleton.GetLimbLength(), 1.0);
    EXPECT_TRUE(skeleton.SetLimbColor(KColorRGBA(0.1, 0.2, 0.3, 0.5)));
    EXPECT_TRUE(skeleton.IsColorSet());
    KColorRGBA color = skeleton.GetLimbColor();
    EXPECT_DOUBLE_EQ(color.mGreen, 0.2);
    EXPECT_DOUBLE_EQ(color.mAlpha, 1.0);

    skeleton.SetSkeletonKind(KScnSkeleton::eLimb);
    EXPECT_TRUE(skeleton.SetLimbLength(5.0));
    EXPECT_TRUE(skeleton.IsLimbLengthSet());
    EXPECT_DOUBLE_EQ(skeleton.GetLimbLength(), 5.0);
    skeleton.SetSize(3.0);
    EXPECT_TRUE(skeleton.IsSizeSet());
    EXPECT_DOUBLE_EQ(skeleton.GetSize(), 3.0);
}

TEST_F(NodeAttributeTest, SkeletonTypeNamesFollowTheKind)
{
    struct Row
    {
        int kind;
        const char* name;
        std::vector<std::string> list;
    };
    const Row rows[] = {{0, "Root", {"Null", "Skeleton", "Root"}},
                        {1, "Limb", {"Skeleton"}},
                        {2, "LimbNode", {"Skeleton"}},
                        {3, "Root", {"Null", "Skeleton", "Root"}},
                        {7, "", {}}};
    KScnFree<KScnSkeleton> skeleton;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.kind);
        skeleton.SetSkeletonKind(static_cast<KScnSkeleton::ESkeletonKind>(row.kind));
        EXPECT_STREQ(skeleton.GetTypeName().Buffer(), row.name);
        EXPECT_EQ(Names(skeleton.GetTypeNameList()), row.list);
    }
}

} // namespace
