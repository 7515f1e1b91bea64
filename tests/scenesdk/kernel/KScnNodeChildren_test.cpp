// A node keeps the children it read (GetChild in constant time): after every
// kind of change to its set's sources they must be the sources' node sets, in order.

#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace scenesdk;

namespace
{

std::vector<KScnNode*> FromSources(const KScnNode* node)
{
    std::vector<KScnNode*> out;
    const KScnNodeProperties* set = node->GetNodeProperties();
    for (int i = 0; i < set->GetSrcCount(); ++i)
        if (KScnNode* child = KScnNodeProperties::NodeOfPlug(set->GetSrc(i)))
            out.push_back(child);
    return out;
}

std::vector<KScnNode*> FromGetChild(const KScnNode* node)
{
    std::vector<KScnNode*> out;
    for (int i = 0; i < node->GetChildCount(); ++i)
        out.push_back(node->GetChild(i));
    EXPECT_EQ(node->GetChild(node->GetChildCount()), nullptr);
    EXPECT_EQ(node->GetChild(-1), nullptr);
    return out;
}

} // namespace

TEST(KScnNodeChildren, ReadChildrenFollowEveryChangeOfTheSources)
{
    KScnSdkManager manager;
    KScnNode* parent = manager.CreateNode("p");
    std::vector<KScnNode*> kids;
    for (int i = 0; i < 60; ++i) // long enough for the set's list to be indexed
    {
        kids.push_back(manager.CreateNode(("c" + std::to_string(i)).c_str()));
        ASSERT_TRUE(parent->AddChild(kids.back()));
        ASSERT_EQ(parent->GetChild(i), kids.back()) << "appended children are read as they come";
    }
    auto check = [&](const char* what) { EXPECT_EQ(FromGetChild(parent), FromSources(parent)) << what; };
    check("appended");
    parent->RemoveChild(kids[10]);
    check("a middle child removed");
    parent->RemoveChild(kids[59]);
    check("the last child removed");
    parent->GetNodeProperties()->InsertSrc(0, kids[59]->GetNodeProperties());
    check("a child inserted first");
    EXPECT_FALSE(parent->GetNodeProperties()->ConnectSrc(kids[3]->GetNodeProperties())) << "it has a parent";
    ASSERT_TRUE(parent->AddChild(kids[3]));
    check("a child added again");
    const std::vector<KScnNode*> read = FromSources(parent);
    EXPECT_EQ(std::find(read.begin(), read.end(), kids[3]), read.end() - 1)
        << "moved to the end, by one entry";
    KPlug* loose = new KPlug;
    parent->GetNodeProperties()->ConnectSrc(loose);
    check("a source that is no node");
    parent->GetNodeProperties()->ReplaceSrc(kids[20]->GetNodeProperties(), kids[10]->GetNodeProperties());
    check("a child replaced");
    kids[30]->AddChild(kids[31]);
    check("a child taken by another node");
    EXPECT_TRUE(manager.DestroyNode(kids[40]));
    check("a child destroyed");
    parent->GetNodeProperties()->DisconnectSrc(loose);
    loose->Destroy();
    parent->RemoveChild(kids[7]);
    parent->GetNodeProperties()->ConnectSrc(kids[7]->GetNodeProperties(), KPlug::kOneWayType);
    check("a child listed one-way last");
    ASSERT_TRUE(parent->GetNodeProperties()->InsertSrc(0, kids[7]->GetNodeProperties()));
    check("and two-way first (a one-way entry makes no parent)");
    parent->RemoveChild(kids[7]);
    check("its two-way entry removed before the one-way one at the end");
    // Emptied from its end, the way the manager and a scene clear a node.
    while (parent->GetChildCount() > 0)
    {
        KScnNode* last = parent->GetChild(parent->GetChildCount() - 1);
        ASSERT_EQ(parent->RemoveChild(last), last);
        ASSERT_EQ(FromGetChild(parent), FromSources(parent));
    }
    EXPECT_EQ(parent->FindChild("c5"), nullptr);
    parent->AddChild(kids[5]);
    kids[5]->AddChild(kids[6]);
    EXPECT_EQ(parent->FindChild("c6"), kids[6]);
    EXPECT_EQ(parent->GetChildCount(true), 2);
}
