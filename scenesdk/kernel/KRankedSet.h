#pragma once

// KRankedSet: distinct pointers in the order they were appended, each found
// by its address. Erasing one leaves a hole in a KRankedList, so finding
// and taking out an item costs no walk of the list and moves no item after
// it; the item of a rank (its place among the items left) is found in
// logarithmic time, at once while the set has no hole. The holes are
// squeezed out once they outnumber the items (and 16): the erasures since
// pay for it, so taking every item out in any order stays near linear.
//
// Appending is whole: memory running out throws std::bad_alloc with the set
// as it was. Erasing and clearing take no memory. Items are compared by
// address only, never read: a pointer to an object already gone is simply
// not held.

#include "scenesdk/kernel/KRankedList.h"

#include <unordered_map>

namespace scenesdk
{

template <typename T> class KRankedSet
{
public:
    int GetCount() const { return mList.GetCount(); }

    // The item of rank 0 .. count - 1; null out of range.
    T* GetAt(int rank) const
    {
        if (rank < 0 || rank >= mList.GetCount())
        {
            return nullptr;
        }
        return mList.GetHoleCount() == 0 ? mList.AtSlot(rank) : mList.AtRank(rank);
    }

    bool Contains(const T* item) const { return mSlots.count(item) != 0; }

    // False for null or an item held already.
    bool Append(T* item)
    {
        if (item == nullptr || !mSlots.emplace(item, mList.GetSlotCount()).second)
        {
            return false;
        }
        try
        {
            mList.Append(item);
        }
        catch (...)
        {
            mSlots.erase(item);
            throw;
        }
        return true;
    }

    // False when the item is not held.
    bool Erase(const T* item)
    {
        const auto it = mSlots.find(item);
        if (it == mSlots.end())
        {
            return false;
        }
        mList.Erase(it->second);
        mSlots.erase(it);
        if (mList.GetHoleCount() > mList.GetCount() + 16)
        {
            mList.Squeeze([this](T* moved, int slot) { mSlots.find(moved)->second = slot; });
        }
        return true;
    }

    void Clear()
    {
        mList.Clear();
        mSlots.clear();
    }

private:
    KRankedList<T*> mList;
    std::unordered_map<const T*, int> mSlots;
};

} // namespace scenesdk
