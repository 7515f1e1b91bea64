#include "scenesdk/kernel/KSortedStringMap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace scenesdk
{

namespace
{

inline unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

int CompareNoCaseAscii(const char* a, const char* b)
{
    const auto* pa = reinterpret_cast<const unsigned char*>(a);
    const auto* pb = reinterpret_cast<const unsigned char*>(b);
    for (;; ++pa, ++pb)
    {
        const unsigned char ca = FoldAscii(*pa), cb = FoldAscii(*pb);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

} // namespace

KSortedStringMap::KSortedStringMap(int blockSize)
    : m_Entries(nullptr), m_Count(0), m_Blocks(0), m_BlockSize(1), m_Dirty(false), m_CaseSensitive(false)
{
    Init(blockSize);
}

KSortedStringMap::~KSortedStringMap()
{
    Clear();
}

void KSortedStringMap::Init(int blockSize)
{
    Clear();
    m_BlockSize = blockSize > 1 ? blockSize : 1;
    m_CaseSensitive = false;
}

void KSortedStringMap::SetCaseSensitive(bool on)
{
    if (m_CaseSensitive != on)
        m_Dirty = m_Count > 1;
    m_CaseSensitive = on;
}

int KSortedStringMap::CompareKeys(const char* a, const char* b) const
{
    if (m_CaseSensitive)
    {
        const int c = std::strcmp(a, b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return CompareNoCaseAscii(a, b);
}

bool KSortedStringMap::Add(const char* key, uintptr_t value)
{
    if (key == nullptr)
        return false;
    if (m_Count == m_Blocks * m_BlockSize)
    {
        const size_t entries = static_cast<size_t>(m_Blocks + 1) * static_cast<size_t>(m_BlockSize);
        void* grown = std::realloc(m_Entries, entries * sizeof(Entry));
        if (grown == nullptr)
            return false;
        m_Entries = static_cast<Entry*>(grown);
        ++m_Blocks;
    }
    const size_t length = std::strlen(key) + 1;
    char* copy = static_cast<char*>(std::malloc(length));
    if (copy == nullptr)
        return false;
    std::memcpy(copy, key, length);
    m_Entries[m_Count++] = Entry{copy, value};
    m_Dirty = true;
    return true;
}

void KSortedStringMap::SortIfDirty()
{
    if (!m_Dirty)
        return;
    std::sort(m_Entries, m_Entries + m_Count,
              [this](const Entry& a, const Entry& b) { return CompareKeys(a.key, b.key) < 0; });
    m_Dirty = false;
}

uintptr_t KSortedStringMap::Find(const char* key, int* indexOut)
{
    if (indexOut != nullptr)
        *indexOut = -1;
    if (key == nullptr)
        return 0;
    SortIfDirty();
    Entry* end = m_Entries + m_Count;
    Entry* hit = std::lower_bound(
        m_Entries, end, key, [this](const Entry& e, const char* k) { return CompareKeys(e.key, k) < 0; });
    if (hit == end || CompareKeys(hit->key, key) != 0)
        return 0;
    if (indexOut != nullptr)
        *indexOut = static_cast<int>(hit - m_Entries);
    return hit->value;
}

uintptr_t KSortedStringMap::GetAt(int index, const char** keyOut)
{
    if (index < 0 || index >= m_Count)
        return 0;
    SortIfDirty();
    if (keyOut != nullptr)
        *keyOut = m_Entries[index].key;
    return m_Entries[index].value;
}

uintptr_t* KSortedStringMap::ValueAddressAt(int index)
{
    if (index < 0 || index >= m_Count)
        return nullptr;
    SortIfDirty();
    return &m_Entries[index].value;
}

bool KSortedStringMap::RemoveAt(int index)
{
    if (index < 0 || index >= m_Count)
        return false;
    SortIfDirty();
    std::free(m_Entries[index].key);
    std::memmove(m_Entries + index, m_Entries + index + 1,
                 static_cast<size_t>(m_Count - index - 1) * sizeof(Entry));
    --m_Count;
    return true;
}

bool KSortedStringMap::Remove(const char* key)
{
    int index = -1;
    Find(key, &index);
    return index >= 0 && RemoveAt(index);
}

void KSortedStringMap::Clear()
{
    for (int i = 0; i < m_Count; ++i)
        std::free(m_Entries[i].key);
    std::free(m_Entries);
    m_Entries = nullptr;
    m_Count = 0;
    m_Blocks = 0;
    m_Dirty = false;
}

} // namespace scenesdk
