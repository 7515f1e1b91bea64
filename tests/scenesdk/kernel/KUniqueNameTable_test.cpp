#include "scenesdk/kernel/KUniqueNameTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

// Stores each name with its position as key and gives the stored texts.
std::vector<std::string> StoreAll(KUniqueNameTable& t, const std::vector<const char*>& names)
{
    std::vector<std::string> out;
    for (const char* n : names)
    {
        const char* s = t.MakeUniqueName(reinterpret_cast<const void*>(out.size() + 1), n);
        out.push_back(s != nullptr ? s : "<null>");
    }
    return out;
}

using Names = std::vector<std::string>;

} // namespace

TEST(KUniqueNameTable, RepeatsGetASpaceAndANumber)
{
    KUniqueNameTable t(4, 8);
    EXPECT_EQ((Names{"Cube", "Cube 1", "Cube 2", "Sphere"}), StoreAll(t, {"Cube", "Cube", "Cube", "Sphere"}));
    EXPECT_EQ(4, t.GetCount());
}

TEST(KUniqueNameTable, TrailingNumbersCountOn)
{
    KUniqueNameTable t(4, 8);
    EXPECT_EQ((Names{"Cube7", "Cube8", "Cube 7", "Cube 8", "A1", "A2", "Cube9"}),
              StoreAll(t, {"Cube7", "Cube7", "Cube 7", "Cube 7", "A1", "A1", "Cube7"}));
    // Leading zeros are read as a number; digit-only names count on too.
    EXPECT_EQ((Names{"B007", "B8", "42", "43", "0", "1"}),
              StoreAll(t, {"B007", "B007", "42", "42", "0", "0"}));
    // A taken number is skipped: Cube 1 and Cube 2 exist, so Cube 1 gives Cube 3.
    KUniqueNameTable u(4, 8);
    EXPECT_EQ((Names{"Cube", "Cube 1", "Cube 2", "Cube 3"}), StoreAll(u, {"Cube", "Cube", "Cube", "Cube 1"}));
}

TEST(KUniqueNameTable, NumbersTooLargeToCountOnGetASuffix)
{
    KUniqueNameTable t(4, 8);
    EXPECT_EQ((Names{"Cube2147483646", "Cube2147483647", "Cube2147483646 1", "Cube2147483647 1"}),
              StoreAll(t, {"Cube2147483646", "Cube2147483646", "Cube2147483646", "Cube2147483647"}));
    EXPECT_EQ((Names{"N99999999999999999999", "N99999999999999999999 1", "N99999999999999999999 2"}),
              StoreAll(t, {"N99999999999999999999", "N99999999999999999999", "N99999999999999999999"}));
}

TEST(KUniqueNameTable, CaseIsIgnoredInAnyTableSize)
{
    // Up to 32 buckets a case difference never changes the bucket; beyond
    // that the names must still meet.
    for (int bits : {0, 4, 6, 12, KUniqueNameTable::kMaxBits + 5})
    {
        SCOPED_TRACE(bits);
        KUniqueNameTable t(bits, 1);
        EXPECT_EQ((Names{"Cube", "CUBE 1", "cube 2", "cUBE 3"}),
                  StoreAll(t, {"Cube", "CUBE", "cube", "cUBE 1"}));
    }
}

TEST(KUniqueNameTable, SpacesAreTrimmedAndEmptyNamesBecomeDefault)
{
    KUniqueNameTable t(4, 8);
    EXPECT_EQ((Names{"Default", "Default 1", "Default 2", "Default 3", "Cube", "Cube 1", "a  b"}),
              StoreAll(t, {"   ", "", "Default", " Default ", "  Cube", "Cube  ", "a  b"}));
    EXPECT_EQ(nullptr, t.MakeUniqueName(nullptr, nullptr));
    EXPECT_EQ(7, t.GetCount());
}

TEST(KUniqueNameTable, TabsAndOtherBytesAreKept)
{
    KUniqueNameTable t(3, 2);
    EXPECT_EQ((Names{"\tTab", "\tTab 1", "\xE9t\xE9", "\xE9t\xE9 1", "\xC9t\xE9"}),
              StoreAll(t, {"\tTab", "\tTab", "\xE9t\xE9", "\xE9t\xE9", "\xC9t\xE9"}));
}

TEST(KUniqueNameTable, NamesAreReadBackByKey)
{
    KUniqueNameTable t(4, 2);
    int a = 0, b = 0, c = 0;
    const char* first = t.MakeUniqueName(&a, "Cube");
    t.MakeUniqueName(&b, "Cube");
    EXPECT_STREQ("Cube", t.GetName(&a));
    EXPECT_STREQ("Cube 1", t.GetName(&b));
    EXPECT_EQ(first, t.GetName(&a));
    EXPECT_EQ(nullptr, t.GetName(&c));
    // A key owning several names reads back its latest one.
    t.MakeUniqueName(&a, "Light");
    EXPECT_STREQ("Light", t.GetName(&a));
    // A null key is an ordinary key and does not disturb other entries.
    t.MakeUniqueName(nullptr, "Cam");
    t.MakeUniqueName(nullptr, "Cam");
    EXPECT_STREQ("Cam 1", t.GetName(nullptr));
    EXPECT_STREQ("Cube 1", t.GetName(&b));
    EXPECT_EQ(5, t.GetCount());
}

TEST(KUniqueNameTable, StoredTextsStayPutWhileTheTableGrows)
{
    KUniqueNameTable t(2, 1); // small blocks: the texts span many of them
    const char* first = t.MakeUniqueName(nullptr, "Cube");
    std::string longName(300, 'x');
    const char* big = t.MakeUniqueName(nullptr, longName.c_str());
    for (int i = 0; i < 500; ++i)
        ASSERT_NE(nullptr, t.MakeUniqueName(&i, "Cube"));
    EXPECT_STREQ("Cube", first);
    EXPECT_EQ(longName, big);
    EXPECT_EQ(502, t.GetCount());
    EXPECT_STREQ("Cube 501", t.MakeUniqueName(nullptr, "Cube"));
}

TEST(KUniqueNameTable, ClearEmptiesTheTable)
{
    KUniqueNameTable t(4, 0); // a step below 1 counts as 1
    StoreAll(t, {"Cube", "Cube"});
    t.Clear();
    EXPECT_EQ(0, t.GetCount());
    EXPECT_EQ(nullptr, t.GetName(reinterpret_cast<const void*>(1)));
    EXPECT_EQ((Names{"Cube", "Cube 1"}), StoreAll(t, {"Cube", "Cube"}));
}

TEST(KUniqueNameTable, BucketCountFollowsTheBits)
{
    EXPECT_EQ(2, KUniqueNameTable(0, 1).GetBucketCount());
    EXPECT_EQ(2, KUniqueNameTable(-3, 1).GetBucketCount());
    EXPECT_EQ(2, KUniqueNameTable(1, 1).GetBucketCount());
    EXPECT_EQ(256, KUniqueNameTable(8, 1).GetBucketCount());
    EXPECT_EQ(1 << KUniqueNameTable::kMaxBits, KUniqueNameTable(40, 1).GetBucketCount());
}

TEST(KUniqueNameTable, OverlongNamesAreRefused)
{
    KUniqueNameTable t(4, 8);
    std::string huge((1 << 20) + 1, 'n');
    EXPECT_EQ(nullptr, t.MakeUniqueName(nullptr, huge.c_str()));
    EXPECT_EQ(0, t.GetCount());
    huge.pop_back();
    EXPECT_NE(nullptr, t.MakeUniqueName(nullptr, huge.c_str()));
}
