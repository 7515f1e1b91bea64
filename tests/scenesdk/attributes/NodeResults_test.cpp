// What attaching an attribute and removing a character link answer.

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scenesdk;

namespace
{

class NodeResults : public ::testing::Test
{
protected:
    KScnNode* NodeWithTakes(int takes)
    {
        KScnNode* node = mManager.CreateNode("N");
        for (int i = 1; i < takes; ++i)
            node->AddTakeNode(("Take " + std::to_string(i)).c_str());
        return node;
    }
    KScnSdkManager mManager;
};

TEST_F(NodeResults, AttachAnswersTheTakeCount)
{
    const struct
    {
        const char* kind;
        std::function<KScnNodeAttribute*(KScnSdkManager&)> make;
        int takes;
    } rows[] = {
        {"null", [](KScnSdkManager& m) { return m.CreateNull(); }, 1},
        {"null", [](KScnSdkManager& m) { return m.CreateNull(); }, 3},
        {"light", [](KScnSdkManager& m) { return m.CreateLight(); }, 2},
        {"camera", [](KScnSdkManager& m) { return m.CreateCamera(); }, 3},
        {"mesh", [](KScnSdkManager& m) { return m.CreateMesh(); }, 4},
    };
    for (const auto& row : rows)
    {
        KScnNodeAttribute* attribute = row.make(mManager);
        EXPECT_EQ(attribute->AttachToNode(NodeWithTakes(row.takes)), row.takes) << row.kind;
        EXPECT_EQ(attribute->AttachToNode(nullptr), 0) << row.kind << " detached";
        EXPECT_EQ(attribute->GetNode(), nullptr) << row.kind;
    }
}

TEST_F(NodeResults, RemoveCharacterLinkAnswersThePosition)
{
    KScnCharacter* a = mManager.CreateCharacter("A");
    KScnCharacter* b = mManager.CreateCharacter("B");
    const struct
    {
        KScnCharacter* character;
        int type, index, subIndex;
        int position; // expected answer
        int left;     // records left after the call
    } rows[] = {
        {b, 1, 4, 0, 1, 3},        // the middle record
        {b, 1, 4, 0, -1, 3},       // already gone
        {a, 0, 2, 1, -1, 3},       // sub-index differs
        {nullptr, 0, 2, 0, -1, 3}, // no character
        {a, 3, 8, 0, 2, 2},        // the last record
        {a, 0, 2, 0, 0, 1},        // the first record
    };
    KScnNode* node = mManager.CreateNode("N");
    node->AddCharacterLink(a, 0, 2, 0);
    node->AddCharacterLink(b, 1, 4, 0);
    node->AddCharacterLink(a, 3, 7, 2);
    node->AddCharacterLink(a, 3, 8, 0);
    for (const auto& row : rows)
    {
        EXPECT_EQ(node->RemoveCharacterLink(row.character, row.type, row.index, row.subIndex), row.position)
            << row.type << " " << row.index << " " << row.subIndex;
        EXPECT_EQ(node->GetCharacterLinkCount(), row.left);
    }
    KScnCharacterLinkRecord last{};
    ASSERT_TRUE(node->GetCharacterLink(0, last));
    EXPECT_EQ(last.index, 7);
}

} // namespace
