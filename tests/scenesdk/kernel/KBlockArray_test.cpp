#include "scenesdk/kernel/KBlockArray.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

using namespace scenesdk;

TEST(KBlockArrayTest, BlockSizeIsAtLeastOne)
{
    EXPECT_EQ(KBlockArray(0, 4).GetBlockSize(), 1);
    EXPECT_EQ(KBlockArray(-5, 4).GetBlockSize(), 1);
    KBlockArray a(0, 4);
    int v = 7;
    a.Add(&v);
    a.Add(&v);
    EXPECT_EQ(a.GetBlockCount(), 2);
}

TEST(KBlockArrayTest, GrowsByExactlyOneBlock)
{
    KPointerArray<int> a(16);
    EXPECT_EQ(a.GetItemSize(), static_cast<int>(sizeof(void*)));
    int values[17];
    for (int i = 0; i < 16; ++i)
        a.Add(&values[i]);
    EXPECT_EQ(a.GetBlockCount(), 1);
    a.Add(&values[16]);
    EXPECT_EQ(a.GetBlockCount(), 2);
    EXPECT_EQ(a.GetCapacity(), 32);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(a[i], &values[i]);
    // Removal never shrinks the storage.
    while (a.GetCount() > 0)
        a.RemoveAt(0);
    EXPECT_EQ(a.GetBlockCount(), 2);
    a.Clear();
    EXPECT_EQ(a.GetBlockCount(), 0);
    EXPECT_EQ(a.GetData(), nullptr);
}

TEST(KBlockArrayTest, InsertRemoveAndRefusals)
{
    KBlockArray a(4, sizeof(int));
    for (int v : {10, 20, 30})
        a.Add(&v);
    int v = 99;
    EXPECT_EQ(a.InsertAt(100, &v), 3);
    v = 5;
    EXPECT_EQ(a.InsertAt(0, &v), 0);
    EXPECT_EQ(a.InsertAt(-1, &v), -1);
    EXPECT_EQ(a.InsertAt(0, nullptr), -1);
    EXPECT_EQ(a.GetCount(), 5);
    const int* d = static_cast<const int*>(a.GetData());
    EXPECT_EQ(d[0], 5);
    EXPECT_EQ(d[4], 99);
    EXPECT_EQ(a.RemoveAt(1), 4);
    EXPECT_EQ(static_cast<const int*>(a.GetData())[1], 20);
    EXPECT_EQ(a.RemoveAt(4), 4); // past the end: nothing changes
    EXPECT_EQ(a.RemoveAt(-1), 4);
    EXPECT_EQ(a.GetAt(4), nullptr);
    // Inserting an item of the array itself, at a growth and in place.
    EXPECT_EQ(a.InsertAt(0, a.GetAt(3)), 0);
    EXPECT_EQ(*static_cast<int*>(a.GetAt(0)), 99);
    EXPECT_EQ(a.GetCount(), 5);
    EXPECT_EQ(a.InsertAt(0, a.GetAt(4)), 0);
    EXPECT_EQ(*static_cast<int*>(a.GetAt(0)), 99);
}

TEST(KBlockArrayTest, ZeroFilledGrowthAndSetCount)
{
    KBlockArray a(4, sizeof(double));
    EXPECT_EQ(a.SetCount(5), 5);
    EXPECT_EQ(a.GetBlockCount(), 2);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(*static_cast<double*>(a.GetAt(i)), 0.0);
    EXPECT_EQ(a.SetCount(2), 2);
    EXPECT_EQ(a.GetBlockCount(), 2);
    *static_cast<double*>(a.GetData()) = 1.5;
    EXPECT_EQ(a.SetCount(-1), -1);
    EXPECT_EQ(a.GetCount(), 2);
    EXPECT_EQ(a.AddZeroed(0), 0);
    EXPECT_EQ(a.AddZeroed(-3), -1);
    // A growth that cannot fit is refused and leaves the array as it was.
    EXPECT_EQ(a.AddZeroed(INT_MAX), -1);
    EXPECT_EQ(a.SetCount(INT_MAX), -1);
    EXPECT_EQ(a.GetCount(), 2);
    EXPECT_EQ(*static_cast<double*>(a.GetData()), 1.5);
    // Items 2.. that were written before the shrink are zeroed again on growth.
    static_cast<double*>(a.GetData())[2] = 7.0;
    EXPECT_EQ(a.SetCount(4), 4);
    EXPECT_EQ(*static_cast<double*>(a.GetAt(2)), 0.0);
}

TEST(KBlockArrayTest, CopyTakesBlockSizeAndItems)
{
    KgeUVArray uv(3);
    EXPECT_EQ(uv.Add(0.5, 0.25), 0);
    EXPECT_EQ(uv.Add(1.0, 2.0), 1);
    KgeUVArray copy(50);
    copy.Add(9, 9);
    copy.CopyFrom(uv);
    EXPECT_EQ(copy.GetBlockSize(), 3);
    EXPECT_EQ(copy.GetCount(), 2);
    EXPECT_EQ(*copy.GetAt(1), KgeUVVector(1.0, 2.0));
    EXPECT_TRUE(*copy.GetAt(0) != KgeUVVector(0.5, 0.0));
    KgeUVArray second(uv);
    EXPECT_EQ(second.GetCount(), 2);
    const KgeUVArray& self = second;
    second = self;
    EXPECT_EQ(second.GetCount(), 2);
    EXPECT_EQ(copy.GetAt(2), nullptr);
    KBlockArray ints(4, sizeof(int));
    EXPECT_FALSE(ints.CopyFrom(uv));
    EXPECT_EQ(KgeUVVector().u, 0.0);
}

namespace
{
struct Destroyable
{
    int* destroyed;
    void Destroy() { ++*destroyed; }
};
} // namespace

TEST(KBlockArrayTest, ReleaseHelperDestroysNonNull)
{
    int count = 0;
    Destroyable d{&count};
    EXPECT_TRUE(KReleaseObject(&d));
    EXPECT_TRUE(KReleaseObject(static_cast<Destroyable*>(nullptr)));
    EXPECT_EQ(count, 1);
}

TEST(KBlockArrayTest, ReserveAndAppendGrowByWholeBlocks)
{
    KPointerArray<int> a(16);
    EXPECT_TRUE(a.Reserve(20));
    EXPECT_EQ(a.GetCapacity(), 32) << "rounded up to whole blocks";
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_TRUE(a.Reserve(5)) << "never shrinks";
    EXPECT_EQ(a.GetCapacity(), 32);
    // Append doubles the room when full: 1000 items in a handful of growths.
    std::vector<int> values(1000);
    int growths = 0;
    for (int& v : values)
    {
        const int before = a.GetCapacity();
        const int at = a.Append(&v);
        EXPECT_EQ(at, a.GetCount() - 1);
        growths += a.GetCapacity() != before ? 1 : 0;
    }
    EXPECT_LE(growths, 6);
    EXPECT_EQ(a.GetCapacity() % 16, 0);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(a[i], &values[i]);
}

// The heap area follows the items within the first block; the blocks (what
// the array shows) grow as before, and past the first block whole blocks come.
TEST(KBlockArrayTest, RoomFollowsTheItemsWithinTheFirstBlock)
{
    KBlockArray a(256, sizeof(int));
    std::vector<int> rooms;
    for (int i = 0; i < 300; ++i)
    {
        ASSERT_EQ(a.Add(&i), i);
        if (rooms.empty() || rooms.back() != a.GetRoom())
            rooms.push_back(a.GetRoom());
        ASSERT_EQ(a.GetBlockCount(), i < 256 ? 1 : 2);
    }
    EXPECT_EQ(rooms, (std::vector<int>{4, 8, 16, 32, 64, 128, 256, 512}));
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(static_cast<const int*>(a.GetData())[i], i);

    // Zero-filled growth and Reserve make room for exactly what they are
    // asked for (within a block), new items zero after a shrink.
    KBlockArray z(1024, sizeof(int));
    EXPECT_EQ(z.AddZeroed(3), 3);
    EXPECT_EQ(z.GetRoom(), 4);
    EXPECT_EQ(z.GetBlockCount(), 1);
    int seven = 7;
    z.InsertAt(0, &seven);
    EXPECT_EQ(z.SetCount(1), 1);
    EXPECT_EQ(z.SetCount(4), 4);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(*static_cast<const int*>(z.GetAt(i)), 0);
    EXPECT_TRUE(z.Reserve(100));
    EXPECT_EQ(z.GetRoom(), 100);
    EXPECT_EQ(z.GetCapacity(), 1024);
    EXPECT_EQ(z.SetCount(2000), 2000);
    EXPECT_EQ(z.GetBlockCount(), 2);
    EXPECT_EQ(z.GetRoom(), 2000);
    EXPECT_EQ(z.Add(&seven), 2000);
    EXPECT_EQ(z.GetRoom(), 2048) << "doubled, up to the blocks' capacity";
    // A copy grows as its items are inserted one by one.
    KBlockArray copy(z);
    EXPECT_EQ(copy.GetCount(), 2001);
    EXPECT_EQ(copy.GetRoom(), 2048);
    z.Clear();
    EXPECT_EQ(z.GetRoom(), 0);
}
