#include "scenesdk/kernel/KString.h"

#include "scenesdk/kernel/KHeap.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace scenesdk
{

char KString::sEmptyText[1] = {0};
char KString::sNullText[1] = {0};

namespace
{

// Returned by out-of-range indexing; reset to 0 on every such access. One per
// thread, since strings are used on every thread that has a manager.
thread_local char sSpareByte = 0;

int FormatInt(int value, char (&out)[16])
{
    return std::snprintf(out, sizeof(out), "%d", value);
}

bool InSet(char c, const char* set)
{
    if (set == nullptr)
        return false;
    for (const char* p = set; *p != 0; ++p)
        if (*p == c)
            return true;
    return false;
}

int Sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int ClampStart(int start, int length)
{
    return start < 0 ? 0 : (start > length ? length : start);
}

} // namespace

KString::KString() : m_Buffer(sEmptyText), m_Length(0), m_Capacity(0)
{
    m_Inline[0] = 0;
}

KString::KString(const KString& other) : KString()
{
    if (other.IsValid())
        Assign(other.m_Buffer, other.m_Length);
    else
        SetNull();
}

KString::KString(const char* text) : KString()
{
    if (text == nullptr)
        SetNull();
    else
        Assign(text, static_cast<int>(std::strlen(text)));
}

KString::KString(const char* text, int length) : KString()
{
    Assign(text, length);
}

KString::KString(int value) : KString()
{
    char text[16];
    Assign(text, FormatInt(value, text));
}

KString::KString(char c, int count) : KString()
{
    if (count == 0)
        return;
    char* old = nullptr;
    if (Allocate(count, old))
        std::memset(m_Buffer, c, static_cast<size_t>(count));
    std::free(old);
}

KString::~KString()
{
    FreeHeap();
}

void KString::SetNull()
{
    FreeHeap();
    m_Buffer = sNullText;
    m_Length = 0;
    m_Capacity = 0;
}

KString& KString::Clear()
{
    FreeHeap();
    m_Buffer = sEmptyText;
    m_Length = 0;
    m_Capacity = 0;
    return *this;
}

void KString::Swap(KString& other) noexcept
{
    if (this == &other)
        return;
    const bool mine = IsInline(), theirs = other.IsInline();
    char held[kInlineSize];
    std::memcpy(held, m_Inline, sizeof held);
    std::memcpy(m_Inline, other.m_Inline, sizeof held);
    std::memcpy(other.m_Inline, held, sizeof held);
    std::swap(m_Buffer, other.m_Buffer);
    std::swap(m_Length, other.m_Length);
    std::swap(m_Capacity, other.m_Capacity);
    if (mine)
        other.m_Buffer = other.m_Inline;
    if (theirs)
        m_Buffer = m_Inline;
}

bool KString::Allocate(int n, char*& oldHeap)
{
    oldHeap = nullptr;
    // The block is had before anything changes: when it cannot be, the string keeps its text.
    char* buffer = m_Inline;
    if (static_cast<int64_t>(n) + 1 >= kInlineSize)
        buffer = static_cast<char*>(KHeapAlloc(static_cast<size_t>(n) + 1));
    oldHeap = OwnsHeap() ? m_Buffer : nullptr;
    if (n < 0)
    {
        m_Buffer = sNullText;
        m_Length = m_Capacity = 0;
        return false;
    }
    m_Buffer = buffer;
    m_Length = n;
    m_Capacity = buffer == m_Inline ? kInlineMax : n;
    m_Buffer[n] = 0;
    return true;
}

bool KString::Assign(const char* text, int length)
{
    if (text == nullptr)
    {
        SetNull();
        return false;
    }
    // A source inside our own inline text would be overwritten by the new
    // terminator before it is copied: take it out first. (A heap source
    // stays readable: Allocate hands the old block back unfreed.)
    char local[kInlineSize];
    if (text >= m_Inline && text < m_Inline + kInlineSize && length > 0 && length < kInlineSize)
    {
        std::memcpy(local, text, static_cast<size_t>(length));
        text = local;
    }
    char* old = nullptr;
    const bool ok = Allocate(length, old);
    if (ok && length > 0)
        std::memcpy(m_Buffer, text, static_cast<size_t>(length));
    std::free(old);
    return ok;
}

bool KString::AppendGrow(const char* text, int length)
{
    if (!IsValid())
        return false;
    if (text == nullptr || length < 0)
    {
        SetNull();
        return false;
    }
    if (length == 0)
        return true;
    const int64_t total = static_cast<int64_t>(m_Length) + length;
    if (total + 1 > INT32_MAX)
    {
        SetNull();
        return false;
    }
    const int newLength = static_cast<int>(total);
    // Rebuild (Append has used the room the block had). The old text and the source stay readable until both
    // are copied. The block grows to at least twice the old capacity, so a run of appends copies each byte a
    // bounded number of times.
    char* old = OwnsHeap() ? m_Buffer : nullptr;
    const char* oldText = m_Buffer;
    const int oldLength = m_Length;
    char* buffer = m_Inline;
    int capacity = kInlineMax;
    if (newLength > kInlineMax)
    {
        capacity = static_cast<int>(
            std::clamp<int64_t>(static_cast<int64_t>(m_Capacity) * 2, newLength, INT32_MAX - 1));
        buffer = static_cast<char*>(std::malloc(static_cast<size_t>(capacity) + 1));
        if (buffer == nullptr)
        {
            capacity = newLength; // short of memory: the exact size may still do
            buffer = static_cast<char*>(KHeapAlloc(static_cast<size_t>(capacity) + 1));
        }
    }
    if (buffer != oldText)
        std::memmove(buffer, oldText, static_cast<size_t>(oldLength));
    std::memmove(buffer + oldLength, text, static_cast<size_t>(length));
    buffer[newLength] = 0;
    m_Buffer = buffer;
    m_Length = newLength;
    m_Capacity = capacity;
    std::free(old);
    return true;
}

KString& KString::operator=(const KString& other)
{
    if (this == &other)
        return *this;
    if (other.IsValid())
        Assign(other.m_Buffer, other.m_Length);
    else
        SetNull();
    return *this;
}

KString& KString::operator=(const char* text)
{
    Assign(text, text == nullptr ? 0 : static_cast<int>(std::strlen(text)));
    return *this;
}

KString& KString::operator=(char c)
{
    Assign(&c, 1);
    return *this;
}

KString& KString::operator=(int value)
{
    char text[16];
    Assign(text, FormatInt(value, text));
    return *this;
}

KString& KString::operator+=(const KString& other)
{
    if (!other.IsValid())
        SetNull();
    else
        Append(other.m_Buffer, other.m_Length);
    return *this;
}

KString& KString::operator+=(const char* text)
{
    Append(text, text == nullptr ? 0 : static_cast<int>(std::strlen(text)));
    return *this;
}

KString& KString::operator+=(char c)
{
    Append(&c, 1);
    return *this;
}

KString& KString::operator+=(int value)
{
    char text[16];
    Append(text, FormatInt(value, text));
    return *this;
}

char& KString::operator[](int index)
{
    if (static_cast<unsigned>(index) >= static_cast<unsigned>(m_Length))
    {
        sSpareByte = 0;
        return sSpareByte;
    }
    return m_Buffer[index];
}

char KString::operator[](int index) const
{
    if (static_cast<unsigned>(index) >= static_cast<unsigned>(m_Length))
        return 0;
    return m_Buffer[index];
}

int KString::Find(char c, int start) const
{
    for (int i = ClampStart(start, m_Length); i < m_Length; ++i)
        if (m_Buffer[i] == c)
            return i;
    return -1;
}

int KString::ReverseFind(char c) const
{
    for (int i = m_Length - 1; i >= 0; --i)
        if (m_Buffer[i] == c)
            return i;
    return -1;
}

int KString::FindOneOf(const char* set, int start) const
{
    if (set == nullptr)
        return -1;
    for (int i = ClampStart(start, m_Length); i < m_Length; ++i)
        if (InSet(m_Buffer[i], set))
            return i;
    return -1;
}

int KString::Find(const char* text, int start) const
{
    if (text == nullptr)
        return 0;
    const int from = ClampStart(start, m_Length);
    const char* end = m_Buffer + m_Length;
    const char* hit =
        std::search(static_cast<const char*>(m_Buffer + from), end, text, text + std::strlen(text));
    if (hit == end && text[0] != 0)
        return -1;
    return static_cast<int>(hit - m_Buffer);
}

bool KString::FindAndReplace(const char* find, const char* replacement, int start)
{
    if (!IsValid() || find == nullptr || find[0] == 0)
        return false;
    const int at = Find(find, start);
    if (at < 0)
        return false;
    const int findLength = static_cast<int>(std::strlen(find));
    const int replLength = replacement == nullptr ? 0 : static_cast<int>(std::strlen(replacement));
    // The result is built in a buffer of its own size, then assigned.
    KString result(m_Buffer, at);
    result.Append(replacement == nullptr ? "" : replacement, replLength);
    result.Append(m_Buffer + at + findLength, m_Length - at - findLength);
    if (!result.IsValid())
        return false;
    *this = result;
    return IsValid();
}

int KString::GetTokenCount(const char* separators) const
{
    int count = 0;
    bool inToken = false;
    for (int i = 0; i < m_Length; ++i)
    {
        const bool sep = InSet(m_Buffer[i], separators);
        if (!sep && !inToken)
            ++count;
        inToken = !sep;
    }
    return count;
}

KString KString::GetToken(int index, const char* separators) const
{
    if (index < 0)
        return KString();
    int count = -1;
    int i = 0;
    while (i < m_Length)
    {
        if (InSet(m_Buffer[i], separators))
        {
            ++i;
            continue;
        }
        int end = i;
        while (end < m_Length && !InSet(m_Buffer[end], separators))
            ++end;
        if (++count == index)
            return KString(m_Buffer + i, end - i);
        i = end;
    }
    return KString();
}

int KString::Compare(const char* text) const
{
    return Sign(std::strcmp(m_Buffer, text == nullptr ? "" : text));
}

namespace
{

// Sixteen bytes as one vector value (SSE2 or NEON underneath); comparisons
// give 0xFF in each byte where they hold, 0 elsewhere.
typedef unsigned char Bytes16 __attribute__((vector_size(16)));

typedef unsigned char Bytes16Unaligned __attribute__((vector_size(16), aligned(1), may_alias));

Bytes16 Load16(const unsigned char* p)
{
    return *reinterpret_cast<const Bytes16Unaligned*>(p);
}

// ASCII upper case: bytes 'a'..'z' lose bit 0x20, every other byte (those of
// 0x80 and above included) stays as it is.
Bytes16 UpperAscii16(Bytes16 v)
{
    const Bytes16 lower = (v - 'a') <= 'z' - 'a'; // wraps: bytes below 'a' come out large
    return v - (lower & 0x20);
}

int UpperAscii(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "vector bytes are numbered in memory order");

// Index of the first byte set in a comparison mask, 16 when none is.
int FirstSet(Bytes16 mask)
{
#ifdef __SSE2__
    typedef char Chars16 __attribute__((vector_size(16)));
    const unsigned bits = static_cast<unsigned>(__builtin_ia32_pmovmskb128(reinterpret_cast<Chars16>(mask)));
    return bits == 0 ? 16 : __builtin_ctz(bits);
#else
    uint64_t half[2];
    std::memcpy(half, &mask, sizeof(half));
    if (half[0] != 0)
        return __builtin_ctzll(half[0]) / 8;
    if (half[1] != 0)
        return 8 + __builtin_ctzll(half[1]) / 8;
    return 16;
#endif
}

// Compares sixteen bytes of each text; true with the answer in result when
// they decide the comparison (a difference, or a zero byte both share).
// Inlined, as is the loop below: this is the hot path of name look-ups.
__attribute__((always_inline)) inline bool CompareBlockNoCase(const unsigned char* a, const unsigned char* b,
                                                              int& result)
{
    const Bytes16 ua = UpperAscii16(Load16(a));
    const Bytes16 ub = UpperAscii16(Load16(b));
    const int at = FirstSet((ua != ub) | (ua == 0));
    if (at == 16)
        return false;
    result = ua[at] == ub[at] ? 0 : (ua[at] < ub[at] ? -1 : 1);
    return true;
}

// Case-blind comparison of two zero-terminated texts of which the first n
// bytes may be read, where n reaches at least one terminator: only those
// bytes are read. Sixteen at a time; a last short block is read as the
// sixteen bytes that end at n, whose bytes already compared are equal and
// not zero, so they cannot decide.
__attribute__((always_inline)) inline int CompareNoCaseWithin(const unsigned char* a, const unsigned char* b,
                                                              size_t n)
{
    int result = 0;
    if (n >= 16)
    {
        size_t i = 0;
        for (; i + 16 <= n; i += 16)
            if (CompareBlockNoCase(a + i, b + i, result))
                return result;
        if (i < n && CompareBlockNoCase(a + n - 16, b + n - 16, result))
            return result;
        return 0;
    }
    for (size_t i = 0; i < n; ++i)
    {
        const int ca = UpperAscii(a[i]);
        const int cb = UpperAscii(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

} // namespace

int KString::CompareNoCase(const char* text) const
{
    const char* other = text == nullptr ? "" : text;
    // The other text is read no further than this one's terminator.
    const size_t length = static_cast<size_t>(m_Length);
    const size_t otherLength = strnlen(other, length + 1);
    return CompareNoCaseWithin(reinterpret_cast<const unsigned char*>(m_Buffer),
                               reinterpret_cast<const unsigned char*>(other),
                               std::min(length, otherLength) + 1);
}

int KString::CompareNoCase(const KString& other) const
{
    const size_t n = static_cast<size_t>(std::min(m_Length, other.m_Length)) + 1;
    return CompareNoCaseWithin(reinterpret_cast<const unsigned char*>(m_Buffer),
                               reinterpret_cast<const unsigned char*>(other.m_Buffer), n);
}

KString KString::Mid(int start, int count) const
{
    KString result;
    if (!IsValid() || start < 0 || start > m_Length || count < 0)
    {
        result.SetNull();
        return result;
    }
    if (count > m_Length - start)
        count = m_Length - start;
    result.Assign(m_Buffer + start, count);
    return result;
}

KString KString::Mid(int start) const
{
    return Mid(start, m_Length);
}

KString KString::Left(int count) const
{
    return Mid(0, count);
}

KString KString::Right(int count) const
{
    const int start = static_cast<unsigned>(count) > static_cast<unsigned>(m_Length) ? 0 : m_Length - count;
    return Mid(start, count);
}

KString KString::Upper() const
{
    KString result(*this);
    for (int i = 0; i < result.m_Length; ++i)
        result.m_Buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(result.m_Buffer[i])));
    return result;
}

KString KString::Lower() const
{
    KString result(*this);
    for (int i = 0; i < result.m_Length; ++i)
        result.m_Buffer[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(result.m_Buffer[i])));
    return result;
}

KString KString::Trim(int mode) const
{
    if (!IsValid())
        return *this;
    int begin = 0;
    int end = m_Length;
    auto space = [this](int i) { return std::isspace(static_cast<unsigned char>(m_Buffer[i])) != 0; };
    if (mode != 0)
        while (begin < end && space(begin))
            ++begin;
    if (mode != 1)
        while (end > begin && space(end - 1))
            --end;
    return KString(m_Buffer + begin, end - begin);
}

const KString& KString::GetStaticEmpty()
{
    static const KString sEmpty;
    return sEmpty;
}

KString operator+(const KString& a, const KString& b)
{
    // One allocation of the summed length, then two copies.
    KString result;
    if (!a.IsValid() || !b.IsValid())
    {
        result.SetNull();
        return result;
    }
    const int64_t total = static_cast<int64_t>(a.m_Length) + b.m_Length;
    char* old = nullptr;
    if (total + 1 > INT32_MAX || !result.Allocate(static_cast<int>(total), old))
    {
        result.SetNull();
        return result;
    }
    std::memcpy(result.m_Buffer, a.m_Buffer, static_cast<size_t>(a.m_Length));
    std::memcpy(result.m_Buffer + a.m_Length, b.m_Buffer, static_cast<size_t>(b.m_Length));
    return result;
}

KString operator+(const KString& a, const char* b)
{
    return a + KString(b);
}

KString operator+(const KString& a, char b)
{
    return a + KString(&b, 1);
}

KString operator+(const KString& a, int b)
{
    return a + KString(b);
}

KString* KStringHeapNew()
{
    return new (std::nothrow) KString();
}

KString* KStringHeapGet(KString* s)
{
    return s != nullptr ? s : KStringHeapNew();
}

void KStringHeapDelete(KString* s)
{
    delete s;
}

KString* KStringHeapDropEmpty(KString* s)
{
    if (s != nullptr && s->Buffer()[0] == 0)
    {
        delete s;
        return nullptr;
    }
    return s;
}

const KString* KStringHeapOrEmpty(const KString* s)
{
    return s != nullptr ? s : &KString::GetStaticEmpty();
}

} // namespace scenesdk
