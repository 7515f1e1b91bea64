#include "scenesdk/kernel/KSortedIntMap.h"
#include "scenesdk/kernel/KSortedStringMap.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

TEST(KSortedIntMapTest, LazySortAndLookup)
{
    KSortedIntMap map(20);
    int index = 7;
    EXPECT_EQ(map.Find(5, &index), 0u);
    EXPECT_EQ(index, -1);
    map.Add(3, 30);
    map.Add(1, 10);
    map.Add(0xFFFFFFFFu, 99); // unsigned order: largest
    map.Add(2, 20);
    uint32_t key = 0;
    EXPECT_EQ(map.GetAt(0, &key), 10u);
    EXPECT_EQ(key, 1u);
    EXPECT_EQ(map.GetAt(3, &key), 99u);
    EXPECT_EQ(key, 0xFFFFFFFFu);
    EXPECT_EQ(map.Find(3, &index), 30u);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(map.GetAt(4), 0u);
    EXPECT_EQ(map.GetAt(-1), 0u);
    // Pointer-sized values.
    int object = 0;
    map.Add(50, reinterpret_cast<uintptr_t>(&object));
    EXPECT_EQ(reinterpret_cast<int*>(map.Find(50)), &object);
}

TEST(KSortedIntMapTest, GrowsOneBlockAtATime)
{
    KSortedIntMap map(20);
    for (uint32_t k = 0; k < 20; ++k)
        map.Add(k, k);
    EXPECT_EQ(map.GetCapacity(), 20);
    map.Add(20, 20);
    EXPECT_EQ(map.GetCapacity(), 40);
    map.Clear();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_EQ(map.GetCapacity(), 0);
    KSortedIntMap tiny(0); // block size 0 is taken as 1
    tiny.Add(2, 2);
    tiny.Add(1, 1);
    EXPECT_EQ(tiny.GetCapacity(), 2);
    EXPECT_EQ(tiny.Find(1), 1u);
}

TEST(KSortedStringMapTest, CaseFoldingAndOrder)
{
    KSortedStringMap map(4);
    map.Add("CUBE", 1);
    map.Add("apple", 2);
    map.Add("Banana", 3);
    EXPECT_EQ(map.Find("Cube"), 1u);
    const char* key = nullptr;
    EXPECT_EQ(map.GetAt(0, &key), 2u);
    EXPECT_STREQ(key, "apple");
    EXPECT_EQ(map.GetAt(1, &key), 3u);
    EXPECT_EQ(map.GetAt(2, &key), 1u);
    // Bytes above 127 are not folded: the order is the same in every locale.
    map.Add("\xC9tude", 4);
    EXPECT_EQ(map.Find("\xE9tude"), 0u);
    map.SetCaseSensitive(true);
    EXPECT_EQ(map.Find("Cube"), 0u);
    EXPECT_EQ(map.Find("CUBE"), 1u);
    EXPECT_EQ(map.GetAt(0, &key), 3u); // "Banana" < "CUBE" < "apple" by bytes
    EXPECT_STREQ(key, "Banana");
    // Keys are copies.
    std::string temp = "temp";
    map.Add(temp.c_str(), 5);
    temp[0] = 'X';
    EXPECT_EQ(map.Find("temp"), 5u);
}

TEST(KSortedStringMapTest, RemovalAndRefusals)
{
    KSortedStringMap map;
    EXPECT_FALSE(map.Add(nullptr, 1));
    int index = 0;
    EXPECT_EQ(map.Find(nullptr, &index), 0u);
    EXPECT_EQ(index, -1);
    map.Add("b", 2);
    map.Add("a", 1);
    map.Add("c", 3);
    uintptr_t* value = map.ValueAddressAt(1);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, 2u);
    *value = 20;
    EXPECT_EQ(map.Find("B"), 20u);
    EXPECT_EQ(map.ValueAddressAt(3), nullptr);
    EXPECT_EQ(map.ValueAddressAt(-1), nullptr);
    EXPECT_FALSE(map.RemoveAt(3));
    EXPECT_FALSE(map.RemoveAt(-1));
    EXPECT_TRUE(map.Remove("A"));
    EXPECT_FALSE(map.Remove("a"));
    EXPECT_EQ(map.GetCount(), 2);
    EXPECT_TRUE(map.RemoveAt(0));
    const char* key = nullptr;
    EXPECT_EQ(map.GetAt(0, &key), 3u);
    EXPECT_STREQ(key, "c");
    // Duplicate keys make two entries.
    map.Add("c", 30);
    EXPECT_EQ(map.GetCount(), 2);
    EXPECT_TRUE(map.Remove("c"));
    EXPECT_TRUE(map.Remove("c"));
    EXPECT_EQ(map.GetCount(), 0);
    map.Add("x", 1);
    map.Init(20);
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_FALSE(map.IsCaseSensitive());
    for (int i = 0; i < 21; ++i)
        map.Add(std::to_string(i).c_str(), i);
    EXPECT_EQ(map.GetCapacity(), 40);
}
