#pragma once

// KMemoryReusePool: size-class free lists in front of an allocator.
//
// Every block handed out is preceded by an 8-byte header holding its rounded
// size (header and alignment slack included) and the alignment padding placed
// before the header. Requests are rounded up to multiples of 2^shift bytes;
// freed blocks whose rounded size is at least 8 and below the maximum are
// kept on their class's list and handed out again for the same class. With a
// cache limit, a freed block goes back to the allocator instead while the
// bytes obtained from the allocator exceed the limit.
//
// Alignment: blocks are aligned to 8 bytes, or to 2^alignShift when that is
// larger (alignShift at most 7). Without an alignment shift, do not serve
// types that need 16-byte alignment from a pool.
//
// Thread safety: every operation may be called from any thread. The free
// lists and counters are guarded by the pool's lock, a spin lock held for a
// few instructions at a time (never while the allocator or anything else is
// called). While only the thread that made the pool has used it, that thread
// needs no lock at all; the first other thread makes every later access take
// it (see Guard). A block must be freed through the same pool and allocator
// it came from.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace scenesdk
{

class KMemoryReusePool
{
public:
    // The allocator behind a pool.
    class IXAlloc
    {
    public:
        virtual ~IXAlloc() = default;
        virtual void* Alloc(size_t size) = 0;
        virtual void* Realloc(void* p, size_t size) = 0;
        virtual void Free(void* p) = 0;
    };

    // malloc, realloc and free of the C heap.
    class KXAllocStd : public IXAlloc
    {
    public:
        void* Alloc(size_t size) override;
        void* Realloc(void* p, size_t size) override;
        void Free(void* p) override;
        // A process-wide instance (never destroyed).
        static KXAllocStd& Instance();
    };

    static constexpr size_t kHeaderSize = 8;
    // Largest rounded size a block may have (the header stores 32 bits).
    static constexpr uint64_t kMaxRounded = 0xFFFFFFFFull;

    // maximum: blocks of this rounded size or larger are never cached.
    // shift: size classes are multiples of 2^shift bytes (0..16).
    // alignShift: 2^alignShift alignment of returned blocks (0..7).
    // cacheLimit: 0 for none, else see above.
    KMemoryReusePool(uint32_t maximum, int shift, int alignShift, size_t cacheLimit);
    // Purges (through the C heap, see Purge) and frees the lists.
    ~KMemoryReusePool();
    KMemoryReusePool(const KMemoryReusePool&) = delete;
    KMemoryReusePool& operator=(const KMemoryReusePool&) = delete;

    // A block of at least size bytes; null when the allocator fails or the
    // rounded size would reach 4 GB.
    void* Allocate(IXAlloc& allocator, size_t size);
    // Returns a block to its class's list or to the allocator. Null is ignored.
    void Free(IXAlloc& allocator, void* p);
    // A new block of size bytes holding the old block's first bytes (up to
    // the smaller size); the old block is freed. Null when the new block
    // cannot be had, and the old block is then left as it was.
    void* Reallocate(IXAlloc& allocator, void* p, size_t size);
    // Gives every cached block back: to the given allocator, or to the C heap
    // when none is given (right for pools fed by KXAllocStd only). The
    // counters lose exactly the purged blocks; blocks in use stay counted.
    void Purge(IXAlloc* allocator = nullptr);

    // Rounded size of a block of this pool (header included).
    static uint32_t GetRoundedSize(const void* p);
    // Bytes usable from p to the end of its block.
    static size_t GetUsableSize(const void* p);
    // Rounded size that a request of size bytes gets; 0 when refused.
    uint64_t RoundedSizeFor(size_t size) const;

    // Counters of the blocks obtained from the allocator and not given back.
    size_t GetBytesObtained() const;
    size_t GetBlocksObtained() const;
    // Number of blocks on the free lists.
    size_t GetCachedBlocks() const;

private:
    struct FreeBlock
    {
        FreeBlock* next;
    };

    static void* UserPointer(void* raw, uint32_t rounded, size_t alignment);
    uint64_t Rounded(size_t size) const; // RoundedSizeFor, inline for the hot paths
    bool Cacheable(uint64_t rounded) const { return rounded >= 8 && rounded < m_Maximum; }

    // Access to the lists and counters for a scope. The thread that made the
    // pool works on them without the lock for as long as no other thread has
    // come (the pool is biased to it); the first other thread ends the bias
    // for good, waiting out an access of the owner in progress, and from then
    // on every thread takes the lock. Other threads that come while the bias
    // is being ended wait until it has ended, so that none of them takes the
    // lock while the owner still works without it.
    class Guard
    {
    public:
        explicit Guard(const KMemoryReusePool& pool);
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        const KMemoryReusePool& m_Pool;
        bool m_Locked;
    };
    void EndBias() const;

    mutable std::atomic<bool> m_Locked{false};
    const void* const m_Owner; // a byte of the thread that made the pool (thread-local)
    enum EBias : uint8_t
    {
        eBiasEnded,
        eBiasEnding,
        eBiased
    };
    mutable std::atomic<uint8_t> m_Bias;
    mutable std::atomic<bool> m_OwnerBusy{false};
    std::unique_ptr<FreeBlock*[]> m_Buckets;
    uint32_t m_Maximum;
    uint32_t m_BucketCount;
    int m_Shift;
    uint32_t m_Mask;
    int m_AlignShift;
    size_t m_CacheLimit;
    size_t m_BytesObtained;
    size_t m_BlocksObtained;
    size_t m_CachedBlocks;
};

// The library's pool registry: a list of pools owned by the library, made by
// the library start and destroyed by its stop. Safe to call from any thread.
// Creates the (empty) registry; true when it exists afterwards.
bool KMemoryPoolRegistryCreate();
// Constructs a pool and appends it; null when the registry does not exist.
KMemoryReusePool* KMemoryPoolRegistryAdd(uint32_t maximum, int shift, int alignShift, size_t cacheLimit);
// Pool index (registration order), or null.
KMemoryReusePool* KMemoryPoolRegistryGet(int index);
int KMemoryPoolRegistryCount();
// Purges every registered pool.
void KMemoryPoolRegistryPurgeAll();
// Purges and destroys every pool, then the registry.
void KMemoryPoolRegistryDestroy();

// The pool of the id sets (maximum 0x20000, shift 2, no alignment, cache
// limit 0x200000), made on first use and never destroyed.
KMemoryReusePool& KIdSetPool();

} // namespace scenesdk
