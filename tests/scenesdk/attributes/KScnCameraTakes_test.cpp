// A camera attached to a node adds its channels to every take of the node
// once, and takes them away once when detached: one call of AddChannels and
// of RemoveChannels per take, in take order, and one curve link per curve.

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

class CountingCamera : public KScnCamera
{
public:
    using KScnCamera::KScnCamera;
    void AddChannels(KScnTakeNodeEntry* take) override
    {
        mAdded.push_back(take->GetName());
        KScnCamera::AddChannels(take);
    }
    void RemoveChannels(KScnTakeNodeEntry* take) override
    {
        mRemoved.push_back(take->GetName());
        KScnCamera::RemoveChannels(take);
    }
    std::vector<std::string> mAdded, mRemoved;
};

int TakesWith(KScnNode* node, const char* channel)
{
    int count = 0;
    for (int i = 0; i < node->GetTakeNodeCount(); ++i)
        count += node->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(channel) != nullptr;
    return count;
}

TEST(CameraTakes, ChannelsAreAddedAndRemovedOncePerTake)
{
    const std::vector<std::vector<std::string>> rows = {{"Default"}, {"Default", "Walk", "Run"}};
    for (const std::vector<std::string>& takes : rows)
    {
        SCOPED_TRACE(takes.size());
        KScnSdkManager manager;
        KScnNode* node = manager.CreateNode("cam");
        for (size_t i = 1; i < takes.size(); ++i)
            node->AddTakeNode(takes[i].c_str());
        const int links = node->GetLinkCount();
        CountingCamera camera(&manager);
        node->SetNodeAttribute(&camera);
        EXPECT_EQ(camera.mAdded, takes);
        EXPECT_EQ(node->GetLinkCount(), links + 10) << "7 channels and 3 colour components, linked once";
        EXPECT_EQ(TakesWith(node, "FieldOfView"), static_cast<int>(takes.size()));

        node->SetNodeAttribute(nullptr);
        EXPECT_EQ(camera.mRemoved, takes);
        EXPECT_EQ(node->GetLinkCount(), links);
        EXPECT_EQ(TakesWith(node, "FieldOfView"), 0);
        EXPECT_EQ(TakesWith(node, "BackgroundColor"), static_cast<int>(takes.size())) << "kept";
        EXPECT_EQ(camera.GetNode(), nullptr);
    }
}

} // namespace
