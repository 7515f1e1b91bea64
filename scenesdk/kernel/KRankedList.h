#pragma once

// KRankedList: an ordered list that keeps each item in the slot it was
// appended to. Erasing an item leaves a hole instead of moving the items
// after it, so an item's slot stays valid until the list is cleared; a
// count tree over the slots finds the item of a rank (its place among the
// items left) in logarithmic time. Appending and erasing cost logarithmic
// time too, so erasing every item in any order stays near linear.
//
// The caller decides when the holes are worth squeezing out (GetHoleCount)
// and builds a new list then; slots of the old one mean nothing in it.

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
