#pragma once

// KSortedStringMap: text keys to pointer-sized values, sorted lazily like
// KSortedIntMap. Keys are copied (owned by the map). By default keys compare
// without regard to ASCII letter case (a fixed fold, the same in every
// locale); SetCaseSensitive(true) compares bytes. Keys are not unique. Null
// keys are refused. Not thread-safe.

#include "scenesdk/kernel/KSortedMapStorage.h"

#include <cstdint>

namespace scenesdk
{

class KSortedStringMap
{
public:
    struct Entry
    {
        char* key;
        uintptr_t value;
    };

    explicit KSortedStringMap(int blockSize = 16);
    ~KSortedStringMap();
    KSortedStringMap(const KSortedStringMap&) = delete;
    KSortedStringMap& operator=(const KSortedStringMap&) = delete;

    // Clears and restarts empty and case-insensitive with a new block size.
    void Init(int blockSize);
    // Changes the comparison; the entries are sorted again on the next read.
    void SetCaseSensitive(bool on);
    bool IsCaseSensitive() const { return m_CaseSensitive; }

    // Appends a copy of key with value; false for a null key (or a count past
    // the int range). Exhausted memory throws std::bad_alloc, nothing added.
    bool Add(const char* key, uintptr_t value);
    // The value for key and its sorted index; 0 and -1 when absent or null.
    uintptr_t Find(const char* key, int* indexOut = nullptr);
    // Entry index in sorted order: its value and key text (owned by the map,
    // valid until the entry is removed); 0 when out of range.
    uintptr_t GetAt(int index, const char** keyOut = nullptr);
    // Address of entry index's value; null when out of range.
    uintptr_t* ValueAddressAt(int index);
    // Removes entry index (sorted order); false when out of range.
    bool RemoveAt(int index);
    // Removes one entry with key; false when absent.
    bool Remove(const char* key);
    void Clear();

    int GetCount() const { return m_Entries.GetCount(); }
    int GetCapacity() const { return m_Entries.GetCapacity(); }

private:
    void SortIfDirty();
    int CompareKeys(const char* a, const char* b) const;

    KSortedMapStorage<Entry> m_Entries;
    bool m_CaseSensitive;
};

} // namespace scenesdk
