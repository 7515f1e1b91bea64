// The manager's list of user-property handles: destroyed handles leave it in
// any order, the count and the name search follow, and the list compacts
// without losing the creation order.

#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

TEST(KScnSdkManagerHandles, DestroyInAnyOrderKeepsCountAndFirstMatch)
{
    KScnSdkManager manager;
    const int base = manager.GetUserPropertyCount();
    std::vector<KScnPropertyRef*> refs;
    for (int i = 0; i < 300; ++i)
        refs.push_back(manager.CreateUserProperty(("p" + std::to_string(i % 100)).c_str(), "Real", ""));
    EXPECT_EQ(manager.GetUserPropertyCount(), base + 300);
    // Every first and third of a name: p7 is then first found at 107.
    for (int i = 0; i < 300; ++i)
        if (i < 100 || i >= 200)
            ASSERT_TRUE(manager.DestroyUserProperty(refs[i])) << i;
    EXPECT_EQ(manager.GetUserPropertyCount(), base + 100);
    EXPECT_EQ(manager.FindUserProperty("p7"), refs[107]);
    EXPECT_EQ(manager.FindUserProperty("p99"), refs[199]);
    EXPECT_FALSE(manager.DestroyUserProperty(refs[150]) && manager.DestroyUserProperty(refs[150]));
    EXPECT_EQ(manager.FindUserProperty("p50"), nullptr);
    EXPECT_FALSE(manager.DestroyUserProperty(nullptr));
    // A handle of another manager is not this one's, whatever its slot.
    KScnSdkManager other;
    KScnPropertyRef* foreign = other.CreateUserProperty("p1", "Real", "");
    EXPECT_FALSE(manager.DestroyUserProperty(foreign));
    EXPECT_EQ(manager.FindUserProperty("p1"), refs[101]);
    // Last first, then the rest: the list empties.
    for (int i = 199; i >= 100; --i)
        if (i != 150)
            ASSERT_TRUE(manager.DestroyUserProperty(refs[i])) << i;
    EXPECT_EQ(manager.GetUserPropertyCount(), base);
    EXPECT_EQ(manager.FindUserProperty("p1"), nullptr);
    // Nodes made and destroyed take their own handles with them.
    KScnNode* node = manager.CreateNode("n");
    EXPECT_GT(manager.GetUserPropertyCount(), base);
    EXPECT_TRUE(manager.DestroyNode(node, true));
    EXPECT_EQ(manager.GetUserPropertyCount(), base);
}
