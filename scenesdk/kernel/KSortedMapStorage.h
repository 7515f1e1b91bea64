#pragma once

// KSortedMapStorage: the entry array shared by KSortedIntMap and
// KSortedStringMap. Entries are appended without order into storage that
// grows by exactly one block when full, and are sorted once, on the first
// read after a change ("dirty"). Entry must be trivially copyable: the
// storage is moved with realloc and memmove. What an entry owns (a key copy)
// is the map's business; this class only frees the array.

#include "scenesdk/kernel/KHeap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace scenesdk
{

template <typename Entry> class KSortedMapStorage
{
    static_assert(std::is_trivially_copyable<Entry>::value, "entries are moved as bytes");

public:
    // A block size below 1 is taken as 1.
    explicit KSortedMapStorage(int blockSize) { SetBlockSize(blockSize); }
    ~KSortedMapStorage() { std::free(mEntries); }
    KSortedMapStorage(const KSortedMapStorage&) = delete;
    KSortedMapStorage& operator=(const KSortedMapStorage&) = delete;

    void SetBlockSize(int blockSize) { mBlockSize = blockSize > 1 ? blockSize : 1; }

    // Appends entry, growing by one block when full; false (nothing changed)
    // when the count would leave the int range. Exhausted memory throws
    // std::bad_alloc, nothing changed.
    bool Append(const Entry& entry)
    {
        if (static_cast<int64_t>(mCount) == GetCapacity64())
        {
            const int64_t entries = (static_cast<int64_t>(mBlocks) + 1) * mBlockSize;
            if (entries > INT32_MAX)
                return false;
            mEntries = static_cast<Entry*>(KHeapRealloc(mEntries, static_cast<size_t>(entries) * sizeof(Entry)));
            ++mBlocks;
        }
        mEntries[mCount++] = entry;
        mDirty = true;
        return true;
    }

    // Sorts by less (a strict weak order on entries) when a change is pending.
    template <typename Less> void SortIfDirty(Less less)
    {
        if (!mDirty)
            return;
        std::sort(mEntries, mEntries + mCount, less);
        mDirty = false;
    }
    // Asks for a sort on the next read (after the order itself changed).
    void MarkDirty() { mDirty = mCount > 1; }

    // Index of an entry for which compare(entry, key) is 0, found by binary
    // search in sorted entries; -1 when none. compare gives <0, 0 or >0.
    template <typename Key, typename Compare> int Search(const Key& key, Compare compare) const
    {
        const Entry* begin = mEntries;
        const Entry* end = begin + mCount;
        const Entry* hit = std::lower_bound(
            begin, end, key, [&compare](const Entry& e, const Key& k) { return compare(e, k) < 0; });
        if (hit == end || compare(*hit, key) != 0)
            return -1;
        return static_cast<int>(hit - begin);
    }

    // Drops entry index, closing the gap; the caller checks the range.
    void RemoveAt(int index)
    {
        std::memmove(mEntries + index, mEntries + index + 1,
                     static_cast<size_t>(mCount - index - 1) * sizeof(Entry));
        --mCount;
    }

    // Frees the array: count, blocks and dirty flag 0.
    void Free()
    {
        std::free(mEntries);
        mEntries = nullptr;
        mCount = 0;
        mBlocks = 0;
        mDirty = false;
    }

    bool InRange(int index) const { return index >= 0 && index < mCount; }
    Entry& operator[](int index) { return mEntries[index]; }
    int GetCount() const { return mCount; }
    int GetCapacity() const { return static_cast<int>(GetCapacity64()); }

private:
    int64_t GetCapacity64() const { return static_cast<int64_t>(mBlocks) * mBlockSize; }

    Entry* mEntries = nullptr;
    int mCount = 0;
    int mBlocks = 0;
    int mBlockSize = 1;
    bool mDirty = false;
};

} // namespace scenesdk
