#pragma once

// KBlockArray: a growable array of fixed-size items in one contiguous heap
// area. Its capacity grows by exactly one block (block size items) per
// insertion into a full array, or to a computed number of blocks for
// zero-filled growth, and never shrinks until Clear. Items are plain bytes:
// they are copied with memcpy and never constructed or destroyed, so only
// trivially copyable types may be stored.
//
// Room: the heap area holds the items the array has needed so far, not
// always its whole capacity: it doubles as items come, up to the capacity
// (a mesh of three points does not pay for 256), so an array past its first
// block takes whole blocks again. Only the items 0..count-1 are ever read,
// so the difference shows nowhere but in memory.
//
// Failures (a negative index or count, a size that does not fit) return -1
// and leave the array unchanged. Exhausted memory throws std::bad_alloc
// (KHeap.h), the array unchanged too: no caller can drop it. Not thread-safe.

#include <cstdint>

namespace scenesdk
{

class KBlockArray
{
public:
    // A block size below 1 is taken as 1.
    KBlockArray(int blockSize, int itemSize);
    // Copy: the other's block size and items (see CopyFrom).
    KBlockArray(const KBlockArray& other);
    KBlockArray& operator=(const KBlockArray& other);
    ~KBlockArray();

    // Frees the storage: count and block count 0, data null.
    void Clear();
    // Exchanges the whole of both arrays (items, sizes, room); takes no
    // memory. A copy made apart is taken so.
    void Swap(KBlockArray& other) noexcept;

    // Clears, takes the other's block size, then inserts each of its items at
    // the end in order. Arrays of different item sizes are refused (false).
    // Whole or not at all: exhausted memory leaves this array as it was.
    bool CopyFrom(const KBlockArray& other);

    // Copies one item in at index (an index past the count appends), moving
    // the tail up. Returns the index used, or -1 for a negative index, a null
    // item or a failed growth. The item may lie inside this array.
    int InsertAt(int index, const void* item);
    int Add(const void* item) { return InsertAt(m_Count, item); }

    // Removes the item at index, moving the tail down. Returns the new count;
    // an index outside 0..count-1 changes nothing.
    int RemoveAt(int index);

    // Appends n zero-filled items. Returns n, or -1 when n is negative or the
    // growth fails. n = 0 does nothing.
    int AddZeroed(int n);
    // Grows the storage (by whole blocks) to hold at least items items;
    // the count is unchanged. False when the growth fails.
    bool Reserve(int items);

    // Shrinks the count to n or grows it with zero-filled items. Returns n,
    // or -1 (nothing changed) for a negative n or a failed growth.
    int SetCount(int n);

    int GetCount() const { return m_Count; }
    int GetBlockCount() const { return m_BlockCount; }
    int GetBlockSize() const { return m_BlockSize; }
    int GetItemSize() const { return m_ItemSize; }
    // Item capacity of the blocks.
    int GetCapacity() const { return m_BlockCount * m_BlockSize; }
    // Items the heap area holds room for (at most the capacity).
    int GetRoom() const { return m_Room; }
    void* GetData() { return m_Data; }
    const void* GetData() const { return m_Data; }

    // Address of item index, or null when index is outside 0..count-1.
    void* GetAt(int index);
    const void* GetAt(int index) const;

protected:
    // Makes room for items items, the block count raised to the blocks they
    // need; false (nothing changed) when the size does not fit; exhausted
    // memory throws, nothing changed.
    bool MakeRoom(int64_t items);

    int32_t m_Count;
    int32_t m_BlockCount;
    int32_t m_BlockSize;
    int32_t m_ItemSize;
    unsigned char* m_Data;
    int32_t m_Room = 0;
};

// Pointer-array form: items are T* (pointer-sized). The array does not own
// the objects it points to. operator[] is unchecked (callers keep the index
// in 0..count-1); GetAt checks and gives null.
template <typename T> class KPointerArray : public KBlockArray
{
public:
    explicit KPointerArray(int blockSize = 16) : KBlockArray(blockSize, static_cast<int>(sizeof(T*))) {}

    T** View() { return reinterpret_cast<T**>(m_Data); }
    T* const* View() const { return reinterpret_cast<T* const*>(m_Data); }
    T*& operator[](int index) { return View()[index]; }
    T* operator[](int index) const { return View()[index]; }

    T* GetAt(int index) const { return (index >= 0 && index < m_Count) ? View()[index] : nullptr; }
    int InsertAt(int index, T* item) { return KBlockArray::InsertAt(index, &item); }
    int Add(T* item) { return KBlockArray::InsertAt(m_Count, &item); }
    // Add for lists that may grow long: the room doubles when it runs out,
    // instead of growing (and being copied) once every block.
    int Append(T* item)
    {
        if (m_Count == GetCapacity())
        {
            Reserve(2 * m_Count);
        }
        return Add(item);
    }
    // Index of the first entry equal to item, or -1.
    int Find(const T* item) const
    {
        for (int i = 0; i < m_Count; ++i)
            if (View()[i] == item)
                return i;
        return -1;
    }
};

// A texture coordinate (u, v); zero when default-constructed.
struct KgeUVVector
{
    double u = 0.0;
    double v = 0.0;

    KgeUVVector() = default;
    KgeUVVector(double uValue, double vValue) : u(uValue), v(vValue) {}
    void Set(double uValue, double vValue)
    {
        u = uValue;
        v = vValue;
    }
    bool operator!=(const KgeUVVector& o) const { return u != o.u || v != o.v; }
    bool operator==(const KgeUVVector& o) const { return !(*this != o); }
};

// A block array of texture coordinates.
class KgeUVArray : public KBlockArray
{
public:
    explicit KgeUVArray(int blockSize = 16) : KBlockArray(blockSize, static_cast<int>(sizeof(KgeUVVector))) {}

    KgeUVVector* View() { return reinterpret_cast<KgeUVVector*>(m_Data); }
    // Item index, or null when out of range.
    KgeUVVector* GetAt(int index) { return static_cast<KgeUVVector*>(KBlockArray::GetAt(index)); }
    const KgeUVVector* GetAt(int index) const
    {
        return static_cast<const KgeUVVector*>(KBlockArray::GetAt(index));
    }
    // Appends (u, v); returns its index, or -1 when the growth fails.
    int Add(double u, double v)
    {
        const KgeUVVector item(u, v);
        return KBlockArray::InsertAt(m_Count, &item);
    }
};

// The kernel's release helper: destroys a kernel object through its Destroy
// operation when the pointer is not null. Always returns true.
template <typename T> bool KReleaseObject(T* object)
{
    if (object != nullptr)
        object->Destroy();
    return true;
}

} // namespace scenesdk
