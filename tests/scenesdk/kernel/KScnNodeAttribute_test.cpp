#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"

#include <gtest/gtest.h>

#include <vector>

using namespace scenesdk;

namespace
{
class Takes : public KScnTakeNodeContainer
{
public:
    Takes() : KScnTakeNodeContainer("Model::n", nullptr) {}
    int GetObjectKind() const override { return eKindNode; }
    void BuildTakeChannels(KScnTakeNodeEntry*) override {}
};

// Records the takes it is given, as take numbers of the node.
class Recorder : public KScnNodeAttribute
{
public:
    explicit Recorder(Takes& takes) : KScnNodeAttribute(nullptr), mTakes(takes) {}
    EAttributeKind GetAttributeKind() const override { return eNull; }
    void AddChannels(KScnTakeNodeEntry* take) override { added.push_back(Number(take)); }
    void RemoveChannels(KScnTakeNodeEntry* take) override { removed.push_back(Number(take)); }
    std::vector<int> added, removed;

private:
    int Number(KScnTakeNodeEntry* take)
    {
        for (int i = 0; i < mTakes.GetTakeNodeCount(); ++i)
            if (mTakes.GetTakeNode(i) == take)
                return i;
        return -1;
    }
    Takes& mTakes;
};
} // namespace

TEST(KScnNodeAttribute, AttachAndDetachVisitEveryTakeInOrder)
{
    Takes takes;
    takes.AddDefaultTakeNode();
    takes.AddTakeNode("A");
    takes.AddTakeNode("B");
    Recorder attribute(takes);
    auto* node = reinterpret_cast<KScnNode*>(&takes); // only stored, never used
    EXPECT_STREQ(attribute.GetTypeName().Buffer(), "");
    attribute.DetachFromNode(); // never attached
    EXPECT_TRUE(attribute.removed.empty());
    EXPECT_EQ(attribute.AttachToNode(node, &takes), 3);
    EXPECT_EQ(attribute.GetNode(), node);
    EXPECT_EQ(attribute.added, (std::vector<int>{0, 1, 2}));
    attribute.DetachFromNode();
    EXPECT_EQ(attribute.removed, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(attribute.GetNode(), nullptr);
    attribute.DetachFromNode();
    EXPECT_EQ(attribute.removed.size(), 3u);
    EXPECT_EQ(attribute.AttachToNode(node, nullptr), 0);
    EXPECT_EQ(attribute.GetNode(), node);
}
