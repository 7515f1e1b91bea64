#include "scenesdk/kernel/KSortedStringMap.h"

#include "scenesdk/kernel/KHeap.h"

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

KSortedStringMap::KSortedStringMap(int blockSize) : m_Entries(blockSize), m_CaseSensitive(false) {}

KSortedStringMap::~KSortedStringMap()
{
    Clear();
}

void KSortedStringMap::Init(int blockSize)
{
    Clear();
    m_Entries.SetBlockSize(blockSize);
    m_CaseSensitive = false;
}

void KSortedStringMap::SetCaseSensitive(bool on)
{
    if (m_CaseSensitive != on)
        m_Entries.MarkDirty();
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
    const size_t length = std::strlen(key) + 1;
    char* copy = static_cast<char*>(KHeapAlloc(length));
    std::memcpy(copy, key, length);
    bool added = false;
    try
    {
        added = m_Entries.Append(Entry{copy, value});
    }
    catch (...)
    {
        std::free(copy);
        throw;
    }
    if (!added)
        std::free(copy);
    return added;
}

void KSortedStringMap::SortIfDirty()
{
    m_Entries.SortIfDirty([this](const Entry& a, const Entry& b) { return CompareKeys(a.key, b.key) < 0; });
}

uintptr_t KSortedStringMap::Find(const char* key, int* indexOut)
{
    if (indexOut != nullptr)
        *indexOut = -1;
    if (key == nullptr)
        return 0;
    SortIfDirty();
    const int index =
        m_Entries.Search(key, [this](const Entry& e, const char* k) { return CompareKeys(e.key, k); });
    if (indexOut != nullptr)
        *indexOut = index;
    return index < 0 ? 0 : m_Entries[index].value;
}

uintptr_t KSortedStringMap::GetAt(int index, const char** keyOut)
{
    if (!m_Entries.InRange(index))
        return 0;
    SortIfDirty();
    if (keyOut != nullptr)
        *keyOut = m_Entries[index].key;
    return m_Entries[index].value;
}

uintptr_t* KSortedStringMap::ValueAddressAt(int index)
{
    if (!m_Entries.InRange(index))
        return nullptr;
    SortIfDirty();
    return &m_Entries[index].value;
}

bool KSortedStringMap::RemoveAt(int index)
{
    if (!m_Entries.InRange(index))
        return false;
    SortIfDirty();
    std::free(m_Entries[index].key);
    m_Entries.RemoveAt(index);
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
    for (int i = 0; i < m_Entries.GetCount(); ++i)
        std::free(m_Entries[i].key);
    m_Entries.Free();
}

} // namespace scenesdk
