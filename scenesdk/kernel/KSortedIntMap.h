#pragma once

// KSortedIntMap: unsigned 32-bit keys to pointer-sized values. Additions
// append without order and mark the map dirty; the first lookup or indexed
// read after a change sorts the entries once (ascending unsigned key), and
// lookups then use binary search. Keys are not unique: adding a key twice
// makes two entries, and a lookup returns one of them. Not thread-safe.

#include "scenesdk/kernel/KSortedMapStorage.h"

#include <cstdint>

namespace scenesdk
{

class KSortedIntMap
{
public:
    struct Entry
    {
        uint32_t key;
        uintptr_t value;
    };

    // Storage grows by blockSize entries at a time (at least 1).
    explicit KSortedIntMap(int blockSize = 16);
    ~KSortedIntMap();
    KSortedIntMap(const KSortedIntMap&) = delete;
    KSortedIntMap& operator=(const KSortedIntMap&) = delete;

    // Appends an entry; false only when the count would leave the int range.
    // Exhausted memory throws std::bad_alloc, nothing added.
    bool Add(uint32_t key, uintptr_t value);
    // The value for key and its index (in sorted order) through indexOut;
    // 0 and -1 when absent.
    uintptr_t Find(uint32_t key, int* indexOut = nullptr);
    // Entry index in sorted order: its value, and its key through keyOut;
    // 0 (keyOut untouched) when index is out of range.
    uintptr_t GetAt(int index, uint32_t* keyOut = nullptr);
    // Frees the entries.
    void Clear();

    int GetCount() const { return m_Entries.GetCount(); }
    // Entries the storage has room for.
    int GetCapacity() const { return m_Entries.GetCapacity(); }

private:
    void SortIfDirty();

    KSortedMapStorage<Entry> m_Entries;
};

} // namespace scenesdk
