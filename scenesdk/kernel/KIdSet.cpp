#include "scenesdk/kernel/KIdSet.h"

#include "scenesdk/kernel/KMemoryReusePool.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace scenesdk
{

struct KIdSet::Chunk
{
    int32_t firstWord;  // absolute index of words[0]
    uint32_t wordCount; // always kChunkWords here
    uint32_t refCount;
    uint32_t words[kChunkWords];
};

struct KIdSet::Directory
{
    int32_t firstChunk;
    int32_t chunkCount;
    int32_t refCount;
    Chunk* chunks[1]; // chunkCount entries follow

    // The entries, reached through a pointer: the array runs past its declared size.
    Chunk** slots() { return chunks; }
    Chunk* const* slots() const { return chunks; }
};

namespace
{

// Chunk of the highest id (INT32_MAX): directories never reach past it.
constexpr int kLastChunk = INT32_MAX / KIdSet::kChunkBits;

KMemoryReusePool::IXAlloc& Alloc()
{
    return KMemoryReusePool::KXAllocStd::Instance();
}

// Reference counts change atomically, so that a copy (such as a snapshot
// handed out by KWorld) may be dropped on another thread.
template <typename T> inline void AddRef(T& count)
{
    __atomic_add_fetch(&count, 1, __ATOMIC_RELAXED);
}
template <typename T> inline bool DropRef(T& count)
{
    return __atomic_sub_fetch(&count, 1, __ATOMIC_ACQ_REL) == 0;
}
template <typename T> inline bool Shared(const T& count)
{
    return __atomic_load_n(&count, __ATOMIC_ACQUIRE) > 1;
}

inline int LowestBit(uint32_t w)
{
    return __builtin_ctz(w);
}
inline int HighestBit(uint32_t w)
{
    return 31 - __builtin_clz(w);
}

} // namespace

KIdSet::KIdSet() : m_Dir(nullptr), m_SearchFrom(0) {}

KIdSet::KIdSet(const KIdSet& other) : m_Dir(other.m_Dir), m_SearchFrom(other.m_SearchFrom)
{
    if (m_Dir != nullptr)
        AddRef(m_Dir->refCount);
}

KIdSet& KIdSet::operator=(const KIdSet& other)
{
    if (other.m_Dir != nullptr)
        AddRef(other.m_Dir->refCount);
    Release(m_Dir);
    m_Dir = other.m_Dir;
    m_SearchFrom = other.m_SearchFrom;
    return *this;
}

KIdSet::~KIdSet()
{
    Release(m_Dir);
}

void KIdSet::Release(Chunk* chunk)
{
    if (chunk != nullptr && DropRef(chunk->refCount))
        KIdSetPool().Free(Alloc(), chunk);
}

void KIdSet::Release(Directory* dir)
{
    if (dir == nullptr || !DropRef(dir->refCount))
        return;
    for (int i = 0; i < dir->chunkCount; ++i)
        Release(dir->slots()[i]);
    KIdSetPool().Free(Alloc(), dir);
}

void KIdSet::ClearAll()
{
    Release(m_Dir);
    m_Dir = nullptr;
    m_SearchFrom = 0;
}

bool KIdSet::Test(int id) const
{
    if (id < 0 || m_Dir == nullptr)
        return false;
    const int c = id / kChunkBits - m_Dir->firstChunk;
    if (c < 0 || c >= m_Dir->chunkCount || m_Dir->slots()[c] == nullptr)
        return false;
    const int bit = id % kChunkBits;
    return (m_Dir->slots()[c]->words[bit / kWordBits] >> (bit % kWordBits)) & 1u;
}

uint32_t* KIdSet::WritableWord(int id)
{
    const int chunkIndex = id / kChunkBits;
    Directory* dir = m_Dir;
    // Directory: copy when shared, grow when the chunk lies outside it.
    if (dir == nullptr || Shared(dir->refCount) || chunkIndex < dir->firstChunk ||
        chunkIndex >= dir->firstChunk + dir->chunkCount)
    {
        int first = chunkIndex, last = chunkIndex;
        if (dir != nullptr)
        {
            first = std::min(first, dir->firstChunk);
            last = std::max(last, dir->firstChunk + dir->chunkCount - 1);
            // Growing upward: leave room so that rising ids rarely regrow.
            // Never past the chunk of the highest int id.
            if (chunkIndex >= dir->firstChunk + dir->chunkCount)
                last = std::max(last, std::min(kLastChunk, dir->firstChunk + 2 * dir->chunkCount - 1));
        }
        const int count = last - first + 1;
        const size_t bytes = offsetof(Directory, chunks) + sizeof(Chunk*) * static_cast<size_t>(count);
        auto* fresh = static_cast<Directory*>(KIdSetPool().Allocate(Alloc(), bytes));
        if (fresh == nullptr)
            throw std::bad_alloc();
        fresh->firstChunk = first;
        fresh->chunkCount = count;
        fresh->refCount = 1;
        std::fill(fresh->slots(), fresh->slots() + count, nullptr);
        if (dir != nullptr)
            for (int i = 0; i < dir->chunkCount; ++i)
                if (Chunk* c = dir->slots()[i])
                {
                    AddRef(c->refCount);
                    fresh->slots()[dir->firstChunk - first + i] = c;
                }
        Release(dir);
        m_Dir = dir = fresh;
    }
    Chunk*& chunk = dir->slots()[chunkIndex - dir->firstChunk];
    if (chunk == nullptr || Shared(chunk->refCount))
    {
        auto* fresh = static_cast<Chunk*>(KIdSetPool().Allocate(Alloc(), sizeof(Chunk)));
        if (fresh == nullptr)
            throw std::bad_alloc();
        fresh->firstWord = chunkIndex * kChunkWords;
        fresh->wordCount = kChunkWords;
        fresh->refCount = 1;
        if (chunk != nullptr)
            std::memcpy(fresh->words, chunk->words, sizeof(fresh->words));
        else
            std::memset(fresh->words, 0x00, sizeof(fresh->words));
        Release(chunk);
        chunk = fresh;
    }
    return &chunk->words[(id % kChunkBits) / kWordBits];
}

bool KIdSet::Set(int id)
{
    if (id < 0)
        return false;
    if (Test(id))
        return true;
    *WritableWord(id) |= 1u << (id % kWordBits);
    return true;
}

void KIdSet::Clear(int id)
{
    if (!Test(id))
        return;
    uint32_t* word = nullptr;
    try
    {
        word = WritableWord(id);
    }
    catch (const std::bad_alloc&)
    {
        return; // cannot unshare: the set keeps the id
    }
    *word &= ~(1u << (id % kWordBits));
    m_SearchFrom = std::min(m_SearchFrom, id);
}

int KIdSet::AssignLowest()
{
    const int id = FindFirst(false, m_SearchFrom);
    if (id < 0)
        return -1;
    Set(id);
    m_SearchFrom = id < INT32_MAX ? id + 1 : id;
    return id;
}

int KIdSet::FindFirst(bool value, int start, int end) const
{
    start = std::max(start, 0);
    // The id just past the last chunk may be one past the int range: no id.
    auto within = [end](int64_t id) { return (id <= INT32_MAX && (end < 0 || id < end)) ? int(id) : -1; };
    if (m_Dir == nullptr)
        return value ? -1 : within(start);
    const int firstId = m_Dir->firstChunk * kChunkBits;
    const int64_t endId = int64_t{m_Dir->firstChunk + m_Dir->chunkCount} * kChunkBits;
    if (!value && start < firstId)
        return within(start);
    for (int c = std::max(0, start / kChunkBits - m_Dir->firstChunk); c < m_Dir->chunkCount; ++c)
    {
        const int chunkStart = (m_Dir->firstChunk + c) * kChunkBits;
        if (end >= 0 && chunkStart >= end)
            return -1;
        const Chunk* chunk = m_Dir->slots()[c];
        if (chunk == nullptr)
        {
            if (!value)
                return within(std::max(start, chunkStart));
            continue;
        }
        const int from = std::max(start, chunkStart) - chunkStart;
        for (int w = from / kWordBits; w < kChunkWords; ++w)
        {
            uint32_t bits = value ? chunk->words[w] : ~chunk->words[w];
            if (w == from / kWordBits)
                bits &= ~0u << (from % kWordBits);
            if (bits != 0)
                return within(chunkStart + w * kWordBits + LowestBit(bits));
        }
    }
    return value ? -1 : within(std::max(int64_t{start}, endId));
}

int KIdSet::GetHighest() const
{
    if (m_Dir == nullptr)
        return -1;
    for (int c = m_Dir->chunkCount - 1; c >= 0; --c)
    {
        const Chunk* chunk = m_Dir->slots()[c];
        if (chunk == nullptr)
            continue;
        for (int w = kChunkWords - 1; w >= 0; --w)
            if (chunk->words[w] != 0)
                return (m_Dir->firstChunk + c) * kChunkBits + w * kWordBits + HighestBit(chunk->words[w]);
    }
    return -1;
}

int KIdSet::Count() const
{
    int n = 0;
    if (m_Dir != nullptr)
        for (int c = 0; c < m_Dir->chunkCount; ++c)
            if (const Chunk* chunk = m_Dir->slots()[c])
                for (uint32_t w : chunk->words)
                    n += __builtin_popcount(w);
    return n;
}

} // namespace scenesdk
