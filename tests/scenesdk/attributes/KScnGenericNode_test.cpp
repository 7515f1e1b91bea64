#include "scenesdk/attributes/KScnGenericNode.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

// A use-counted list as a scene contents keeps it, with a journal of calls.
struct Contents : KScnGenericNodeRegistry
{
    std::string name;
    std::vector<std::string>* journal = nullptr;
    std::map<KScnGenericNode*, int> counts;

    void RegisterGenericNode(KScnGenericNode* node) override
    {
        ++counts[node];
        if (journal != nullptr)
        {
            journal->push_back("+" + name);
        }
    }
    void UnregisterGenericNode(KScnGenericNode* node) override
    {
        auto it = counts.find(node);
        if (it != counts.end() && --it->second == 0)
        {
            counts.erase(it);
        }
        if (journal != nullptr)
        {
            journal->push_back("-" + name);
        }
    }
};

TEST(GenericNode, NewNodeHasTheDefaultTakeAndNoUserProperties)
{
    KScnFree<KScnGenericNode> node(nullptr, "gizmo");
    EXPECT_STREQ(node.GetName(), "gizmo");
    EXPECT_EQ(node.GetObjectKind(), 10);
    EXPECT_STREQ(node.GetTypeName().Buffer(), "GenericNode");
    KStringList names = node.GetTypeNameList();
    ASSERT_EQ(names.GetCount(), 1);
    EXPECT_STREQ(names.GetStringAt(0), "GenericNode");
    ASSERT_EQ(node.GetTakeNodeCount(), 1);
    EXPECT_STREQ(node.GetTakeNodeName(0), "Default");
    EXPECT_EQ(node.GetUserPropertyCount(), 0);
    EXPECT_EQ(node.GetSceneContents(), nullptr);

    KScnPropertyHandler* set = node.GetPropertyHandler();
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->GetClassName(), "KScnGenericNodeProperties");
    EXPECT_TRUE(set->IsA(KScnPropertyHandler::ClassId));
    EXPECT_STREQ(set->GetName(), "") << "the set is not named";
    EXPECT_EQ(set->GetPropertyCount(), 0);
    EXPECT_EQ(set->GetOwner(), &node);
}

TEST(GenericNode, SceneContentsMoveUnregistersBeforeRegistering)
{
    std::vector<std::string> journal;
    Contents a;
    a.name = "A";
    a.journal = &journal;
    Contents b;
    b.name = "B";
    b.journal = &journal;
    KScnFree<KScnGenericNode> node(nullptr, "g");

    EXPECT_TRUE(node.SetSceneContents(&a));
    EXPECT_TRUE(node.SetSceneContents(&a));
    EXPECT_EQ(a.counts[&node], 1) << "the same contents again leaves the count alone";
    EXPECT_TRUE(node.SetSceneContents(&b));
    EXPECT_EQ(node.GetSceneContents(), &b);
    EXPECT_EQ(a.counts.count(&node), 0u);
    EXPECT_EQ(b.counts[&node], 1);
    EXPECT_TRUE(node.SetSceneContents(nullptr));
    EXPECT_EQ(node.GetSceneContents(), nullptr);
    EXPECT_TRUE(b.counts.empty());
    EXPECT_EQ(journal, (std::vector<std::string>{"+A", "-A", "+B", "-B"}));
    EXPECT_TRUE(node.SetSceneContents(nullptr));
    EXPECT_EQ(journal.size(), 4u);
}

TEST(GenericNode, UserPropertiesBecomeAnimatedChannels)
{
    KScnSdkManager manager;
    KScnFree<KScnGenericNode> node(&manager, "g");
    KScnPropertyHandler* set = node.GetPropertyHandler();
    KProperty* weight = set->CreateDynamicProperty("Weight", eKPropDouble, nullptr, true);
    ASSERT_NE(weight, nullptr);
    EXPECT_TRUE(weight->IsAnimatable());
    EXPECT_EQ(node.InstantiateHandlerProperties(), 1);
    ASSERT_EQ(node.GetUserPropertyCount(), 1);
    EXPECT_STREQ(node.GetUserProperty(0)->GetName(), "Weight");
    KScnTakeNodeEntry* take = node.GetDefaultTakeNode();
    ASSERT_NE(take, nullptr);
    EXPECT_NE(take->GetRootCurveNode()->FindDescendant("Weight"), nullptr);
}

} // namespace
