#pragma once

// KUniqueNameTable: hands out a unique variant of each name it is given and
// remembers it. A name already in the table gets a number appended, or its
// trailing number increased, until it is new: Cube, Cube 1, Cube 2; Cube7
// then Cube8; Cube 7 then Cube 8. Names compare without regard to ASCII
// letter case, so CUBE after Cube becomes CUBE 1. Leading and trailing spaces
// are dropped, and a name that is empty after that becomes "Default".
//
// Each stored name is tied to a key (its owner, typically the object being
// imported) through which it can be read back. Any key value may be used,
// null included; a key may own several names (GetName gives the latest).
//
// The texts returned by MakeUniqueName and GetName belong to the table and
// stay valid, unchanged, until Clear or destruction: the table never moves a
// stored text. Not thread-safe.

#include "scenesdk/kernel/KBlockArray.h"

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KUniqueNameTable
{
public:
    // Largest number of hash bits taken; more are reduced to this.
    static constexpr int kMaxBits = 16;

    // 2^bits buckets for bits of 1 to kMaxBits (more count as kMaxBits), two
    // for anything below 1. step is the number of slots an array grows by
    // (below 1 counts as 1); texts are stored in blocks of 16 * step bytes.
    KUniqueNameTable(int bits, int step);
    ~KUniqueNameTable();
    KUniqueNameTable(const KUniqueNameTable&) = delete;
    KUniqueNameTable& operator=(const KUniqueNameTable&) = delete;

    // Stores and returns the unique variant of name, tied to key. Null for a
    // null name, a name longer than 1 MiB after trimming, or when memory is
    // exhausted (nothing is stored then).
    const char* MakeUniqueName(const void* key, const char* name);
    // The latest name stored with key, or null when there is none.
    const char* GetName(const void* key) const;
    // Forgets every name; the table stays usable with its bucket count.
    void Clear();

    int GetCount() const { return m_Entries.GetCount(); }
    int GetBucketCount() const { return static_cast<int>(m_Mask) + 1; }

private:
    struct Entry
    {
        const void* key;
        const char* text; // inside a text block; zero-terminated
        int32_t length;
    };

    uint32_t Hash(const char* text, int length) const;
    // Index of the stored entry equal to text ignoring case, or -1.
    int Lookup(const char* text, int length) const;
    // Copies text into the table and records it; the stored text or null.
    const char* Store(const void* key, const char* text, int length);
    // A copy of text in a text block, or null.
    char* CopyText(const char* text, int length);
    // The first of prefix + n, prefix + (n+1), ... not in the table, written
    // to out; false when numbering runs out before one is found.
    bool FindFree(const char* prefix, int prefixLength, int32_t n, std::vector<char>& out) const;

    uint32_t m_Mask;
    int m_Step;
    KBlockArray m_Entries;              // Entry items
    std::vector<KBlockArray> m_Buckets; // per bucket: int32 entry indexes
    KPointerArray<char> m_TextBlocks;   // owned text blocks, the last one being filled
    int m_TextUsed;                     // bytes used in the last block
    int m_TextCapacity;                 // size of the last block
};

} // namespace scenesdk
