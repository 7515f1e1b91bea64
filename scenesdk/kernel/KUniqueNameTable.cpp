#include "scenesdk/kernel/KUniqueNameTable.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace scenesdk
{

namespace
{

constexpr int kMaxStep = 4096;
// Longer names are refused, keeping every length and block size in 32 bits.
constexpr size_t kMaxNameLength = size_t(1) << 20;
constexpr int32_t kLastNumber = std::numeric_limits<int32_t>::max();
const char kDefaultName[] = "Default";

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool EqualNoCase(const char* a, const char* b, int length)
{
    for (int i = 0; i < length; ++i)
    {
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    }
    return true;
}

// Value of the decimal digits text[0..length), or -1 when it exceeds int32.
int64_t ParseNumber(const char* text, int length)
{
    int64_t value = 0;
    for (int i = 0; i < length; ++i)
    {
        value = value * 10 + (text[i] - '0');
        if (value > kLastNumber)
            return -1;
    }
    return value;
}

} // namespace

KUniqueNameTable::KUniqueNameTable(int bits, int step)
    : m_Mask(bits >= 1 ? (uint32_t(1) << (bits < kMaxBits ? bits : kMaxBits)) - 1 : 1),
      m_Step(step < 1 ? 1 : (step > kMaxStep ? kMaxStep : step)), m_Entries(m_Step, sizeof(Entry)),
      m_Buckets(m_Mask + 1, KBlockArray(m_Step, sizeof(int32_t))), m_TextBlocks(16), m_TextUsed(0),
      m_TextCapacity(0)
{
}

KUniqueNameTable::~KUniqueNameTable()
{
    Clear();
}

void KUniqueNameTable::Clear()
{
    for (KBlockArray& bucket : m_Buckets)
        bucket.Clear();
    m_Entries.Clear();
    for (int i = 0; i < m_TextBlocks.GetCount(); ++i)
        delete[] m_TextBlocks[i];
    m_TextBlocks.Clear();
    m_TextUsed = 0;
    m_TextCapacity = 0;
}

uint32_t KUniqueNameTable::Hash(const char* text, int length) const
{
    // Sum of the bytes as signed 8-bit values, letters folded so that names
    // equal but for case share a bucket. Unsigned arithmetic wraps like the
    // two's-complement sum it stands for.
    uint32_t sum = 0;
    for (int i = 0; i < length; ++i)
        sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(Fold(text[i]))));
    return sum & m_Mask;
}

int KUniqueNameTable::Lookup(const char* text, int length) const
{
    const KBlockArray& bucket = m_Buckets[Hash(text, length)];
    const int32_t* indexes = static_cast<const int32_t*>(bucket.GetData());
    const Entry* entries = static_cast<const Entry*>(m_Entries.GetData());
    for (int i = bucket.GetCount() - 1; i >= 0; --i)
    {
        const Entry& e = entries[indexes[i]];
        // Cheap tests first: the length and the last character.
        if (e.length != length || (length > 0 && Fold(e.text[length - 1]) != Fold(text[length - 1])))
            continue;
        if (EqualNoCase(e.text, text, length))
            return indexes[i];
    }
    return -1;
}

char* KUniqueNameTable::CopyText(const char* text, int length)
{
    const int64_t need = int64_t(length) + 1;
    if (m_TextBlocks.GetCount() == 0 || m_TextCapacity - m_TextUsed < need)
    {
        const int64_t unit = int64_t(16) * m_Step;
        const int64_t size = (need + unit - 1) / unit * unit;
        m_TextBlocks.Reserve(m_TextBlocks.GetCount() + 1); // first: the block is never lost
        char* block = new (std::nothrow) char[static_cast<size_t>(size)];
        if (block == nullptr)
            return nullptr;
        m_TextBlocks.Add(block);
        // The rest of the previous block stays unused: stored texts never move.
        m_TextUsed = 0;
        m_TextCapacity = static_cast<int>(size);
    }
    char* out = m_TextBlocks[m_TextBlocks.GetCount() - 1] + m_TextUsed;
    std::memcpy(out, text, static_cast<size_t>(length));
    out[length] = '\0';
    m_TextUsed += static_cast<int>(need);
    return out;
}

const char* KUniqueNameTable::Store(const void* key, const char* text, int length)
{
    char* stored = CopyText(text, length);
    if (stored == nullptr)
        return nullptr;
    const Entry entry{key, stored, length};
    const int32_t index = m_Entries.Add(&entry);
    if (index < 0)
        return nullptr;
    if (m_Buckets[Hash(text, length)].Add(&index) < 0)
    {
        m_Entries.RemoveAt(index);
        return nullptr;
    }
    return stored;
}

bool KUniqueNameTable::FindFree(const char* prefix, int prefixLength, int32_t n, std::vector<char>& out) const
{
    char digits[16];
    for (;;)
    {
        const int count = std::snprintf(digits, sizeof(digits), "%d", static_cast<int>(n));
        out.assign(prefix, prefix + prefixLength);
        out.insert(out.end(), digits, digits + count);
        if (Lookup(out.data(), static_cast<int>(out.size())) < 0)
        {
            out.push_back('\0');
            return true;
        }
        if (n == kLastNumber)
            return false;
        ++n;
    }
}

const char* KUniqueNameTable::MakeUniqueName(const void* key, const char* name)
{
    if (name == nullptr)
        return nullptr;
    const size_t rawLength = std::strlen(name);
    const char* begin = name;
    const char* end = name + rawLength;
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && end[-1] == ' ')
        --end;
    if (begin == end)
    {
        begin = kDefaultName;
        end = kDefaultName + sizeof(kDefaultName) - 1;
    }
    if (static_cast<size_t>(end - begin) > kMaxNameLength)
        return nullptr;
    const int length = static_cast<int>(end - begin);
    if (Lookup(begin, length) < 0)
        return Store(key, begin, length);

    // Taken: count on from a trailing number, else append " 1", " 2", ...
    int baseLength = length;
    while (baseLength > 0 && IsDigit(begin[baseLength - 1]))
        --baseLength;
    std::vector<char> candidate;
    bool found = false;
    if (baseLength < length)
    {
        const int64_t number = ParseNumber(begin + baseLength, length - baseLength);
        if (number >= 0 && number < kLastNumber)
            found = FindFree(begin, baseLength, static_cast<int32_t>(number + 1), candidate);
    }
    if (!found)
    {
        // No trailing number, or one too large to count on from: the whole
        // text becomes the base, followed by a space.
        std::vector<char> prefix(begin, end);
        prefix.push_back(' ');
        found = FindFree(prefix.data(), length + 1, 1, candidate);
    }
    if (!found)
        return nullptr;
    return Store(key, candidate.data(), static_cast<int>(candidate.size()) - 1);
}

const char* KUniqueNameTable::GetName(const void* key) const
{
    const Entry* entries = static_cast<const Entry*>(m_Entries.GetData());
    for (int i = m_Entries.GetCount() - 1; i >= 0; --i)
    {
        if (entries[i].key == key)
            return entries[i].text;
    }
    return nullptr;
}

} // namespace scenesdk
