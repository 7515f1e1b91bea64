#pragma once

// KString: the scene SDK's byte string. Texts are zero-terminated byte
// strings; no encoding is assumed or converted.
//
// States:
//  - valid: any text, including the empty one;
//  - null:  the result of a failed operation (a null source pointer, a
//           negative length, a length past the int range, an operation on
//           a null operand). A null string reads as the empty text (Buffer()
//           is "" and GetLen() is 0) but IsValid() is false. Any assignment
//           from a valid source makes it valid again; appends keep it null.
//
// Exhausted memory throws std::bad_alloc (KHeap.h) and leaves the string as
// it was: a text is never cut short or emptied silently.
//
// Storage: texts of up to kInlineMax (62) bytes live in the object itself;
// longer ones in a heap block. An assignment or copy sizes the block to the
// text exactly; an append that overflows the block moves the text to one at
// least twice as large, so repeated appends take amortised constant time per
// byte. Sources that lie inside the string's own text (assigning a part of
// itself, appending itself) are safe.
//
// Not thread-safe; a string belongs to one thread at a time.

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace scenesdk
{

class KString
{
public:
    // Size of the inline buffer; texts of up to kInlineMax bytes fit it.
    static constexpr int kInlineSize = 64;
    static constexpr int kInlineMax = kInlineSize - 2;

    KString();
    KString(const KString& other);         // a null source gives a null string
    KString(const char* text);             // a null pointer gives a null string
    KString(const char* text, int length); // length bytes (may hold zeros); null pointer or length < 0: null
    explicit KString(int value);           // "%d"
    KString(char c, int count);            // count copies of c; 0: empty; negative: null
    ~KString();

    // Frees a heap block and makes the string empty (and valid). Returns *this.
    KString& Clear();

    KString& operator=(const KString& other);
    KString& operator=(const char* text);
    // Exchanges the two texts without allocating (a read undone puts back
    // what it saved this way while memory may be exhausted).
    void Swap(KString& other) noexcept;
    KString& operator=(char c);
    KString& operator=(int value);

    // Appends; a null operand makes the string null, and a null string stays null.
    KString& operator+=(const KString& other);
    KString& operator+=(const char* text);
    KString& operator+=(char c);
    KString& operator+=(int value);

    // Appends length bytes; false (and the string null) on failure; exhausted
    // memory throws, the string unchanged.
    bool Append(const char* text, int length)
    {
        // Room in the block: a valid string (a null one has no room).
        if (text != nullptr && length > 0 && m_Capacity - m_Length >= length)
        {
            std::memmove(m_Buffer + m_Length, text, static_cast<size_t>(length));
            m_Length += length;
            m_Buffer[m_Length] = 0;
            return true;
        }
        return AppendGrow(text, length);
    }

    const char* Buffer() const { return m_Buffer; }
    int GetLen() const { return m_Length; }
    bool IsEmpty() const { return m_Length == 0; }
    bool IsValid() const { return m_Buffer != sNullText; }
    // Whether the text is held in the inline buffer (for tests and tuning).
    bool IsInline() const { return m_Buffer == m_Inline; }

    // Byte at an index. An index outside 0..length-1 gives a process-wide
    // spare byte, set to 0 first, which is not part of any string.
    char& operator[](int index);
    char operator[](int index) const;

    // Searches. A negative start is taken as 0, a start past the end as the
    // length. Results are byte indexes, or -1 when nothing is found.
    int Find(char c, int start = 0) const;
    int ReverseFind(char c) const;
    int FindOneOf(const char* set, int start = 0) const; // null set: -1
    int Find(const char* text, int start = 0) const;     // null text: 0

    // Replaces the first occurrence of find at or after start by replacement
    // (null replacement: removes it). False, and the string unchanged, when
    // find is null or empty or not found, or the string is null.
    bool FindAndReplace(const char* find, const char* replacement, int start = 0);

    // Tokens are maximal runs of bytes not in the separator set; runs of
    // separators count once. A null set contains nothing.
    int GetTokenCount(const char* separators) const;
    // Token index, or the empty string when index is not below the count.
    KString GetToken(int index, const char* separators) const;

    // Byte-wise three-way comparison (-1, 0, 1); a null pointer or a null
    // string compares as the empty text. CompareNoCase compares the ASCII
    // upper-case forms.
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;
    int Compare(const KString& other) const { return Compare(other.m_Buffer); }
    int CompareNoCase(const KString& other) const;

    bool operator==(const KString& other) const { return Compare(other) == 0; }
    bool operator!=(const KString& other) const { return Compare(other) != 0; }
    bool operator==(const char* text) const { return Compare(text) == 0; }
    bool operator!=(const char* text) const { return Compare(text) != 0; }

    // Substrings. Mid(start, count): null when the source is null, start is
    // negative or past the length, or count is negative; count is cut at the
    // end of the text. Mid(start) runs to the end. Left(n) is Mid(0, n);
    // Right(n) takes the last n bytes (the whole text when n exceeds it).
    KString Mid(int start, int count) const;
    KString Mid(int start) const;
    KString Left(int count) const;
    KString Right(int count) const;

    // Copies with every byte through toupper / tolower.
    KString Upper() const;
    KString Lower() const;

    // Copy without white space (isspace): mode 0 at the right end only,
    // mode 1 at the left end only, any other mode at both ends.
    KString Trim(int mode = 2) const;

    // The process-wide empty string (built on first use, destroyed at exit).
    static const KString& GetStaticEmpty();

private:
    friend KString operator+(const KString& a, const KString& b);

    // Two distinct static locations: the empty text of fresh strings and the
    // null marker. Both read as "" and are never written or freed.
    static char sEmptyText[1];
    static char sNullText[1];
    void SetNull();
    void FreeHeap()
    {
        if (OwnsHeap())
            std::free(m_Buffer);
    }
    bool OwnsHeap() const { return m_Buffer != sEmptyText && m_Buffer != sNullText && m_Buffer != m_Inline; }
    // Append when the block has no room, and the failure cases.
    bool AppendGrow(const char* text, int length);
    // Sets a new buffer for a text of n bytes (terminator written at n, the
    // bytes before it left for the caller). The old heap block is handed back
    // through oldHeap, for the caller to free after copying; it is null when
    // there was none. False (string null) on a negative n; exhausted memory
    // throws std::bad_alloc with nothing changed.
    bool Allocate(int n, char*& oldHeap);
    bool Assign(const char* text, int length);

    char* m_Buffer;
    int32_t m_Length;
    int32_t m_Capacity;
    char m_Inline[kInlineSize];
};

// Concatenation into a new string; null when either side is null.
KString operator+(const KString& a, const KString& b);
KString operator+(const KString& a, const char* b);
KString operator+(const KString& a, char b);
KString operator+(const KString& a, int b);

inline bool operator==(const char* a, const KString& b)
{
    return b == a;
}
inline bool operator!=(const char* a, const KString& b)
{
    return b != a;
}

// Heap-held strings, as the kernel keeps object names: a pointer that is null
// while the text is empty.
// A new empty heap string; null when memory is exhausted.
KString* KStringHeapNew();
// s when given, else a new heap string.
KString* KStringHeapGet(KString* s);
// Deletes a heap string (null is ignored).
void KStringHeapDelete(KString* s);
// Deletes s and returns null when its text is empty; returns s otherwise.
KString* KStringHeapDropEmpty(KString* s);
// s when given, else the process-wide empty string.
const KString* KStringHeapOrEmpty(const KString* s);

} // namespace scenesdk
