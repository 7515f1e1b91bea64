#include "scenesdk/kernel/KSortedIntMap.h"

#include <algorithm>
#include <cstdlib>

namespace scenesdk
{

KSortedIntMap::KSortedIntMap(int blockSize)
    : m_Entries(nullptr), m_Count(0), m_Blocks(0), m_BlockSize(blockSize > 1 ? blockSize : 1), m_Dirty(false)
{
}

KSortedIntMap::~KSortedIntMap()
{
    Clear();
}

bool KSortedIntMap::Add(uint32_t key, uintptr_t value)
{
    if (m_Count == m_Blocks * m_BlockSize)
    {
        const size_t entries = static_cast<size_t>(m_Blocks + 1) * static_cast<size_t>(m_BlockSize);
        void* grown = std::realloc(m_Entries, entries * sizeof(Entry));
        if (grown == nullptr)
            return false;
        m_Entries = static_cast<Entry*>(grown);
        ++m_Blocks;
    }
    m_Entries[m_Count++] = Entry{key, value};
    m_Dirty = true;
    return true;
}

void KSortedIntMap::SortIfDirty()
{
    if (!m_Dirty)
        return;
    std::sort(m_Entries, m_Entries + m_Count, [](const Entry& a, const Entry& b) { return a.key < b.key; });
    m_Dirty = false;
}

uintptr_t KSortedIntMap::Find(uint32_t key, int* indexOut)
{
    SortIfDirty();
    Entry* end = m_Entries + m_Count;
    Entry* hit = std::lower_bound(m_Entries, end, key, [](const Entry& e, uint32_t k) { return e.key < k; });
    if (hit == end || hit->key != key)
    {
        if (indexOut != nullptr)
            *indexOut = -1;
        return 0;
    }
    if (indexOut != nullptr)
        *indexOut = static_cast<int>(hit - m_Entries);
    return hit->value;
}

uintptr_t KSortedIntMap::GetAt(int index, uint32_t* keyOut)
{
    if (index < 0 || index >= m_Count)
        return 0;
    SortIfDirty();
    if (keyOut != nullptr)
        *keyOut = m_Entries[index].key;
    return m_Entries[index].value;
}

void KSortedIntMap::Clear()
{
    std::free(m_Entries);
    m_Entries = nullptr;
    m_Count = 0;
    m_Blocks = 0;
    m_Dirty = false;
}

} // namespace scenesdk
