#pragma once

// KIdSet: a sparse set of non-negative integer ids, stored as bits.
//
// Storage is a directory of chunks, each chunk covering kChunkWords 32-bit
// words (bit b of word w stands for id 32 w + b). Directory and chunks come
// from the id-set pool (KIdSetPool) and are shared between copies of a set,
// with reference counts, and copied before any change while shared. Empty
// chunks are not stored.
//
// Not thread-safe, and copies that share storage count as one object for
// this purpose: KWorld uses its id sets only under its lock.

#include <cstdint>

namespace scenesdk
{

class KIdSet
{
public:
    static constexpr int kWordBits = 32;
    static constexpr int kChunkWords = 64;
    static constexpr int kChunkBits = kWordBits * kChunkWords;

    KIdSet();
    KIdSet(const KIdSet& other);
    KIdSet& operator=(const KIdSet& other);
    ~KIdSet();

    bool Test(int id) const;
    // Adds id (ids below 0 are refused: false). Exhausted memory throws
    // std::bad_alloc, the set unchanged.
    bool Set(int id);
    // Removes id; an id not in the set is ignored. Never throws: when the
    // storage is shared with a copy and memory is exhausted, the id stays.
    void Clear(int id);
    // Empties the set.
    void ClearAll();

    // The lowest id not in the set, added to it. Ids given back are thus
    // reused; when every stored id is taken the result is one more than the
    // highest (0 for an empty set); -1 when no int id is free. Exhausted
    // memory throws std::bad_alloc, the set unchanged.
    int AssignLowest();

    // First id >= start (0 for a negative start) whose membership equals
    // value, below end when end >= 0; -1 when none.
    int FindFirst(bool value, int start = 0, int end = -1) const;
    // Highest id in the set, or -1.
    int GetHighest() const;
    // Number of ids in the set.
    int Count() const;

    // Whether two sets share their storage (for tests).
    bool SharesStorageWith(const KIdSet& other) const { return m_Dir != nullptr && m_Dir == other.m_Dir; }

private:
    struct Chunk;
    struct Directory;

    static void Release(Directory* dir);
    static void Release(Chunk* chunk);
    // A writable word for id: the directory and chunk are unshared and cover
    // it afterwards. Exhausted memory throws std::bad_alloc, the set's
    // content unchanged.
    uint32_t* WritableWord(int id);

    Directory* m_Dir;
    int m_SearchFrom; // no id below this is free (a lower bound, kept exact enough)
};

} // namespace scenesdk
