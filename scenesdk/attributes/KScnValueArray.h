#pragma once

// KScnValueArray<T>: a block-growing array of plain values (control-point
// indices, weights) over KBlockArray. Reads outside 0 .. count - 1 give a
// zero value instead of touching memory.

#include "scenesdk/kernel/KBlockArray.h"

#include <type_traits>

namespace scenesdk
{

template <typename T> class KScnValueArray : public KBlockArray
{
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");

public:
    explicit KScnValueArray(int blockSize = 256) : KBlockArray(blockSize, static_cast<int>(sizeof(T))) {}

    int Add(T value) { return KBlockArray::InsertAt(m_Count, &value); }
    T GetAt(int index) const
    {
        const void* item = KBlockArray::GetAt(index);
        return item != nullptr ? *static_cast<const T*>(item) : T();
    }
    // False (nothing written) for an index outside 0 .. count - 1.
    bool SetAt(int index, T value)
    {
        void* item = KBlockArray::GetAt(index);
        if (item == nullptr)
        {
            return false;
        }
        *static_cast<T*>(item) = value;
        return true;
    }
    // Clears, takes the other's block size, then appends its items one by one.
    void CopyItemsFrom(const KScnValueArray& other) { KBlockArray::CopyFrom(other); }
};

} // namespace scenesdk
