#pragma once

// KRankedList: an ordered list that keeps each item in the slot it was
// appended to. Erasing an item leaves a hole instead of moving the items
// after it, so an item's slot stays valid until the list is cleared; a
// count tree over the slots finds the item of a rank (its place among the
// items left) in logarithmic time. Appending and erasing cost logarithmic
// time too, so erasing every item in any order stays near linear.
//
// The caller decides when the holes are worth squeezing out (GetHoleCount):
// it builds a new list then, or squeezes this one in place (Squeeze), being
// told each item's new slot. Appending is whole: memory running out throws
// std::bad_alloc with the list as it was; erasing, squeezing and clearing
// take no memory. Items must be copyable without throwing.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace scenesdk
{

template <typename T> class KRankedList
{
public:
    int GetCount() const { return mLive; }
    int GetHoleCount() const { return static_cast<int>(mItems.size()) - mLive; }

    // The slot of the new last item.
    int Append(const T& item)
    {
        if (mItems.size() == mItems.capacity() || mLiveAt.size() == mLiveAt.capacity() ||
            mTree.size() == mTree.capacity())
        {
            Reserve(2 * static_cast<int>(mItems.size()) + 8);
        }
        const int slot = static_cast<int>(mItems.size());
        mItems.push_back(item);
        mLiveAt.push_back(1);
        // Node j of the tree counts the items of slots j - lowbit(j) .. j - 1.
        const int j = slot + 1;
        int sum = 1;
        for (int k = j - 1; k > j - (j & -j); k -= k & -k)
        {
            sum += mTree[static_cast<size_t>(k)];
        }
        mTree.push_back(sum);
        ++mLive;
        return slot;
    }

    // Nothing for a slot outside the list or a hole.
    void Erase(int slot)
    {
        if (slot < 0 || slot >= static_cast<int>(mItems.size()) || mLiveAt[static_cast<size_t>(slot)] == 0)
        {
            return;
        }
        mLiveAt[static_cast<size_t>(slot)] = 0;
        for (int j = slot + 1; j <= static_cast<int>(mItems.size()); j += j & -j)
        {
            --mTree[static_cast<size_t>(j)];
        }
        --mLive;
    }

    // The slot of the item of rank 0 .. count - 1, or -1.
    int SlotOfRank(int rank) const
    {
        if (rank < 0 || rank >= mLive)
        {
            return -1;
        }
        const int size = static_cast<int>(mItems.size());
        int step = 1;
        while (step * 2 <= size)
        {
            step *= 2;
        }
        int at = 0;
        int left = rank + 1;
        for (; step > 0; step /= 2)
        {
            if (at + step <= size && mTree[static_cast<size_t>(at + step)] < left)
            {
                at += step;
                left -= mTree[static_cast<size_t>(at)];
            }
        }
        return at;
    }

    // Room for slots slots in all: appending up to there takes no memory.
    void Reserve(int slots)
    {
        const size_t room = slots > 0 ? static_cast<size_t>(slots) : 0;
        mItems.reserve(room);
        mLiveAt.reserve(room);
        mTree.reserve(room + 1);
    }

    // Empties the list, keeping its room.
    void Clear()
    {
        mItems.clear();
        mLiveAt.clear();
        mTree.erase(mTree.begin() + 1, mTree.end());
        mLive = 0;
    }

    // Slots 0 .. GetSlotCount() - 1 hold the items in their order, and holes.
    int GetSlotCount() const { return static_cast<int>(mItems.size()); }
    bool IsLive(int slot) const
    {
        return slot >= 0 && slot < static_cast<int>(mItems.size()) && mLiveAt[static_cast<size_t>(slot)] != 0;
    }

    // Moves the items to the first slots, in their order, keeping the room;
    // moved(item, slot) hears of each item's new slot.
    template <typename Moved> void Squeeze(const Moved& moved)
    {
        size_t to = 0;
        for (size_t slot = 0; slot < mItems.size(); ++slot)
        {
            if (mLiveAt[slot] == 0)
            {
                continue;
            }
            if (to != slot)
            {
                mItems[to] = mItems[slot];
            }
            moved(mItems[to], static_cast<int>(to));
            ++to;
        }
        mItems.erase(mItems.begin() + static_cast<std::ptrdiff_t>(to), mItems.end());
        mLiveAt.erase(mLiveAt.begin() + static_cast<std::ptrdiff_t>(to), mLiveAt.end());
        std::fill(mLiveAt.begin(), mLiveAt.end(), char(1));
        // Every slot live: node j counts lowbit(j) items.
        mTree.erase(mTree.begin() + static_cast<std::ptrdiff_t>(to) + 1, mTree.end());
        for (size_t j = 1; j < mTree.size(); ++j)
        {
            mTree[j] = static_cast<int>(j & (~j + 1));
        }
    }

    const T& AtSlot(int slot) const { return mItems[static_cast<size_t>(slot)]; }
    // Rank 0 .. count - 1 only.
    const T& AtRank(int rank) const { return mItems[static_cast<size_t>(SlotOfRank(rank))]; }

private:
    std::vector<T> mItems;
    std::vector<char> mLiveAt;
    std::vector<int> mTree{0}; // 1-based; node 0 unused
    int mLive = 0;
};

} // namespace scenesdk
