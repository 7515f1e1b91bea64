#include "scenesdk/kernel/KSortedIntMap.h"

namespace scenesdk
{

KSortedIntMap::KSortedIntMap(int blockSize) : m_Entries(blockSize) {}

KSortedIntMap::~KSortedIntMap()
{
    Clear();
}

bool KSortedIntMap::Add(uint32_t key, uintptr_t value)
{
    return m_Entries.Append(Entry{key, value});
}

void KSortedIntMap::SortIfDirty()
{
    m_Entries.SortIfDirty([](const Entry& a, const Entry& b) { return a.key < b.key; });
}

uintptr_t KSortedIntMap::Find(uint32_t key, int* indexOut)
{
    SortIfDirty();
    const int index = m_Entries.Search(key, [](const Entry& e, uint32_t k)
                                       { return e.key < k ? -1 : (e.key > k ? 1 : 0); });
    if (indexOut != nullptr)
        *indexOut = index;
    return index < 0 ? 0 : m_Entries[index].value;
}

uintptr_t KSortedIntMap::GetAt(int index, uint32_t* keyOut)
{
    if (!m_Entries.InRange(index))
        return 0;
    SortIfDirty();
    if (keyOut != nullptr)
        *keyOut = m_Entries[index].key;
    return m_Entries[index].value;
}

void KSortedIntMap::Clear()
{
    m_Entries.Free();
}

} // namespace scenesdk
