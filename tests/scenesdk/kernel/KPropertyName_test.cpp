#include "scenesdk/kernel/KPropertyName.h"
#include "scenesdk/kernel/KPropertyTemplate.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace scenesdk;

namespace
{

// Declared properties of one name share one text; a rename, or text given
// from a buffer that later holds another name, never changes another's name.
TEST(PropertyName, DeclaredNamesAreSharedAndRenamesAreOwnCopies)
{
    KPropertyTemplate<int> a, b;
    char buffer[32];
    std::strcpy(buffer, "SharedName");
    a.Initialize(buffer, nullptr);
    std::strcpy(buffer, "OtherName"); // same address, other text
    b.Initialize(buffer, nullptr);
    std::strcpy(buffer, "garbage");
    EXPECT_STREQ(a.GetName(), "SharedName");
    EXPECT_STREQ(b.GetName(), "OtherName");
    EXPECT_TRUE(a.GetAttributes().name.IsShared());

    KPropertyTemplate<int> c;
    c.Initialize("SharedName", nullptr);
    EXPECT_EQ(c.GetName(), a.GetName()) << "one text for both";

    ASSERT_TRUE(c.SetName("Renamed"));
    EXPECT_STREQ(c.GetName(), "Renamed");
    EXPECT_STREQ(a.GetName(), "SharedName");
    EXPECT_FALSE(c.GetAttributes().name.IsShared());

    KPropertyName n;
    EXPECT_STREQ(n.Get(), "");
    n.Set(nullptr);
    EXPECT_STREQ(n.Get(), "");
    n.Set("Own");
    n.Set(n.Get()); // its own text
    EXPECT_STREQ(n.Get(), "Own");
    n.SetShared(nullptr);
    EXPECT_STREQ(n.Get(), "");
}

} // namespace
