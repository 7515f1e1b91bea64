#include "scenesdk/kernel/KOwnedObjectRef.h"
#include "scenesdk/kernel/KStringList.h"

#include <gtest/gtest.h>

using namespace scenesdk;

namespace
{
std::string Text(const KStringList& list)
{
    KString out;
    list.GetText(out);
    return out.Buffer();
}
} // namespace

TEST(KStringListTest, ItemsAndText)
{
    KStringList list;
    EXPECT_EQ(list.Add("Mesh", 4), 0);
    EXPECT_EQ(list.InsertAt(100, "Geometry", 2), 1);
    EXPECT_EQ(list.InsertAt(-3, "Node", 1), 0);
    EXPECT_EQ(Text(list), "Node~Mesh~Geometry");
    EXPECT_EQ(list.GetReferenceAt(1), 4u);
    EXPECT_TRUE(list.SetStringAt(2, "Geo"));
    EXPECT_FALSE(list.SetStringAt(3, "x"));
    EXPECT_EQ(list.Find("Geo"), 2);
    list.RemoveAt(0);
    list.RemoveAt(7);
    EXPECT_EQ(Text(list), "Mesh~Geo");
    EXPECT_STREQ(list.GetStringAt(5), "");
    KString prefix("types: ");
    list.GetText(prefix); // appends
    EXPECT_EQ(prefix, "types: Mesh~Geo");
    list.SetText("a~~b");
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_STREQ(list.GetStringAt(1), "");
    EXPECT_EQ(Text(list), "a~~b");
    list.SetText("");
    EXPECT_EQ(list.GetCount(), 0);
    list.SetText("~");
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(KStringListTest, CopyAssignAndAppend)
{
    KStringList a;
    a.Add("one", 1);
    a.Add("two", 2);
    a.Add("three", 3);
    KStringList b(a);
    ASSERT_EQ(b.GetCount(), 3);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_STREQ(b.GetStringAt(i), a.GetStringAt(i));
        EXPECT_EQ(b.GetReferenceAt(i), a.GetReferenceAt(i));
        EXPECT_NE(b.GetItemAt(i), a.GetItemAt(i));
    }
    KStringList c;
    c.Add("old");
    c = a; // replaces, not a + b
    EXPECT_EQ(Text(c), "one~two~three");
    const KStringList& self = c;
    c = self;
    EXPECT_EQ(c.GetCount(), 3);
    c.Append(c); // doubles once, does not chase its own growth
    EXPECT_EQ(Text(c), "one~two~three~one~two~three");
    b.Append(a);
    EXPECT_EQ(b.GetCount(), 6);
}

namespace
{
struct Victim
{
    int* destroyed;
    void Destroy() { ++*destroyed; }
};
} // namespace

TEST(KOwnedObjectRefTest, ReleaseOnlyWhenOwned)
{
    int destroyed = 0;
    Victim v{&destroyed};
    {
        KOwnedObjectRef<Victim> ref;
        ref.Release(); // holds nothing
        ref.Set(&v, false);
        ref.Release();
        EXPECT_EQ(ref.Get(), &v);
        EXPECT_EQ(destroyed, 0);
        ref.Set(&v, true);
        ref.Release();
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(ref.Get(), nullptr);
        EXPECT_FALSE(ref.Owns());
        ref.Set(&v, true);
    }
    EXPECT_EQ(destroyed, 2); // the destructor releases an owned object
}
