#include "scenesdk/kernel/KMemoryReusePool.h"

#include "scenesdk/kernel/KBlockArray.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace scenesdk
{

namespace
{

struct Header
{
    uint32_t rounded; // total size of the raw block
    uint8_t padding;  // bytes before the header in the raw block
    uint8_t unused[3];
};
static_assert(sizeof(Header) == KMemoryReusePool::kHeaderSize, "the block header is 8 bytes");

inline Header* HeaderOf(const void* p)
{
    return reinterpret_cast<Header*>(static_cast<unsigned char*>(const_cast<void*>(p)) - sizeof(Header));
}

inline void* RawOf(const void* p)
{
    const Header* h = HeaderOf(p);
    return reinterpret_cast<unsigned char*>(const_cast<Header*>(h)) - h->padding;
}

} // namespace

void* KMemoryReusePool::KXAllocStd::Alloc(size_t size)
{
    return std::malloc(size);
}

void* KMemoryReusePool::KXAllocStd::Realloc(void* p, size_t size)
{
    return std::realloc(p, size);
}

void KMemoryReusePool::KXAllocStd::Free(void* p)
{
    std::free(p);
}

KMemoryReusePool::KXAllocStd& KMemoryReusePool::KXAllocStd::Instance()
{
    static KXAllocStd& instance = *new KXAllocStd;
    return instance;
}

namespace
{

// Whether this process may end a pool's bias: that needs a barrier run on
// every thread of the process (the membarrier system call), registered once.
bool ProcessBarrierAvailable()
{
    static const bool available =
        syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
    return available;
}

// A byte per thread whose address tells threads apart without a call (the
// library is linked into the program, so the initial-exec model applies).
// A new thread may get the address of an ended one; that reuse goes through
// the C library's locks, so the new thread sees what the old one wrote.
__attribute__((tls_model("initial-exec"))) thread_local char tThreadToken;

inline const void* ThreadToken()
{
    return &tThreadToken;
}

} // namespace

inline KMemoryReusePool::Guard::Guard(const KMemoryReusePool& pool) : m_Pool(pool), m_Locked(false)
{
    if (pool.m_Owner == ThreadToken())
    {
        // The owner announces its access, then looks at the bias. Its side
        // needs no processor barrier: EndBias runs one on this thread, so
        // either it sees this access announced or this thread sees the bias
        // ended.
        pool.m_OwnerBusy.store(true, std::memory_order_relaxed);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (pool.m_Bias.load(std::memory_order_relaxed) == eBiased)
        {
            return;
        }
        pool.m_OwnerBusy.store(false, std::memory_order_release);
    }
    else if (pool.m_Bias.load(std::memory_order_acquire) != eBiasEnded)
    {
        pool.EndBias();
    }
    m_Locked = true;
    // Test before each exchange, so that waiting threads spin on their cached
    // copy; give the processor up now and then when the wait runs long.
    for (int spins = 0; pool.m_Locked.exchange(true, std::memory_order_acquire); ++spins)
    {
        while (pool.m_Locked.load(std::memory_order_relaxed))
        {
            if (++spins % 64 == 0)
                std::this_thread::yield();
        }
    }
}

inline KMemoryReusePool::Guard::~Guard()
{
    if (m_Locked)
    {
        m_Pool.m_Locked.store(false, std::memory_order_release);
        return;
    }
    std::atomic_signal_fence(std::memory_order_seq_cst);
    m_Pool.m_OwnerBusy.store(false, std::memory_order_release);
}

void KMemoryReusePool::EndBias() const
{
    uint8_t biased = eBiased;
    if (!m_Bias.compare_exchange_strong(biased, eBiasEnding, std::memory_order_seq_cst))
    {
        // Another thread is ending it: wait until the owner is out.
        while (m_Bias.load(std::memory_order_acquire) != eBiasEnded)
            std::this_thread::yield();
        return;
    }
    // Every thread runs a full barrier: the owner sees the bias ended from its
    // next access on, and an access it had begun shows as busy here.
    syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
    while (m_OwnerBusy.load(std::memory_order_acquire))
    {
        std::this_thread::yield();
    }
    m_Bias.store(eBiasEnded, std::memory_order_release);
}

KMemoryReusePool::KMemoryReusePool(uint32_t maximum, int shift, int alignShift, size_t cacheLimit)
    : m_Owner(ThreadToken()), m_Bias(ProcessBarrierAvailable() ? eBiased : eBiasEnded), m_Maximum(maximum),
      m_Shift(std::clamp(shift, 0, 16)), m_AlignShift(std::clamp(alignShift, 0, 7)), m_CacheLimit(cacheLimit),
      m_BytesObtained(0), m_BlocksObtained(0), m_CachedBlocks(0)
{
    m_Mask = (1u << m_Shift) - 1;
    m_BucketCount = (m_Maximum >> m_Shift) + 1;
    m_Buckets.reset(new FreeBlock*[m_BucketCount]());
}

KMemoryReusePool::~KMemoryReusePool()
{
    Purge();
    m_Buckets.reset();
}

uint64_t KMemoryReusePool::RoundedSizeFor(size_t size) const
{
    return Rounded(size);
}

inline uint64_t KMemoryReusePool::Rounded(size_t size) const
{
    const uint64_t slack = kHeaderSize + ((uint64_t{1} << m_AlignShift) - 1);
    if (size > kMaxRounded)
        return 0;
    const uint64_t total = uint64_t{size} + slack;
    const uint64_t index = (total >> m_Shift) + ((total & m_Mask) != 0 ? 1 : 0);
    const uint64_t rounded = index << m_Shift;
    return rounded > kMaxRounded ? 0 : rounded;
}

inline void* KMemoryReusePool::UserPointer(void* raw, uint32_t rounded, size_t alignment)
{
    const uintptr_t base = reinterpret_cast<uintptr_t>(raw) + sizeof(Header);
    const uintptr_t user = alignment > 1 ? (base + alignment - 1) & ~(uintptr_t{alignment} - 1) : base;
    Header* h = HeaderOf(reinterpret_cast<void*>(user));
    h->rounded = rounded;
    h->padding = static_cast<uint8_t>(user - base);
    return reinterpret_cast<void*>(user);
}

void* KMemoryReusePool::Allocate(IXAlloc& allocator, size_t size)
{
    const uint64_t rounded = Rounded(size);
    if (rounded == 0)
        return nullptr;
    const size_t alignment = size_t{1} << m_AlignShift;
    if (Cacheable(rounded))
    {
        Guard lock(*this);
        FreeBlock*& head = m_Buckets[rounded >> m_Shift];
        if (head != nullptr)
        {
            FreeBlock* block = head;
            head = block->next;
            --m_CachedBlocks;
            return UserPointer(block, static_cast<uint32_t>(rounded), alignment);
        }
    }
    void* raw = allocator.Alloc(static_cast<size_t>(rounded));
    if (raw == nullptr)
        return nullptr;
    {
        Guard lock(*this);
        m_BytesObtained += static_cast<size_t>(rounded);
        ++m_BlocksObtained;
    }
    return UserPointer(raw, static_cast<uint32_t>(rounded), alignment);
}

void KMemoryReusePool::Free(IXAlloc& allocator, void* p)
{
    if (p == nullptr)
        return;
    const uint32_t rounded = HeaderOf(p)->rounded;
    void* raw = RawOf(p);
    {
        Guard lock(*this);
        if (Cacheable(rounded) && (m_CacheLimit == 0 || m_BytesObtained <= m_CacheLimit))
        {
            FreeBlock* block = static_cast<FreeBlock*>(raw);
            FreeBlock*& head = m_Buckets[rounded >> m_Shift];
            block->next = head;
            head = block;
            ++m_CachedBlocks;
            return;
        }
        m_BytesObtained -= rounded;
        --m_BlocksObtained;
    }
    allocator.Free(raw);
}

void* KMemoryReusePool::Reallocate(IXAlloc& allocator, void* p, size_t size)
{
    void* fresh = Allocate(allocator, size);
    if (fresh == nullptr || p == nullptr)
        return fresh;
    std::memcpy(fresh, p, std::min(size, GetUsableSize(p)));
    Free(allocator, p);
    return fresh;
}

void KMemoryReusePool::Purge(IXAlloc* allocator)
{
    FreeBlock* purged = nullptr;
    {
        Guard lock(*this);
        for (uint32_t i = 0; i < m_BucketCount; ++i)
        {
            const size_t rounded = static_cast<size_t>(i) << m_Shift;
            while (FreeBlock* block = m_Buckets[i])
            {
                m_Buckets[i] = block->next;
                block->next = purged;
                purged = block;
                m_BytesObtained -= rounded;
                --m_BlocksObtained;
                --m_CachedBlocks;
            }
        }
    }
    while (purged != nullptr)
    {
        FreeBlock* next = purged->next;
        if (allocator != nullptr)
            allocator->Free(purged);
        else
            std::free(purged);
        purged = next;
    }
}

uint32_t KMemoryReusePool::GetRoundedSize(const void* p)
{
    return HeaderOf(p)->rounded;
}

size_t KMemoryReusePool::GetUsableSize(const void* p)
{
    const Header* h = HeaderOf(p);
    return h->rounded - sizeof(Header) - h->padding;
}

size_t KMemoryReusePool::GetBytesObtained() const
{
    Guard lock(*this);
    return m_BytesObtained;
}

size_t KMemoryReusePool::GetBlocksObtained() const
{
    Guard lock(*this);
    return m_BlocksObtained;
}

size_t KMemoryReusePool::GetCachedBlocks() const
{
    Guard lock(*this);
    return m_CachedBlocks;
}

// --- registry ----------------------------------------------------------------

namespace
{

std::mutex& RegistryMutex()
{
    static std::mutex& m = *new std::mutex;
    return m;
}

KPointerArray<KMemoryReusePool>*& Registry()
{
    static KPointerArray<KMemoryReusePool>* registry = nullptr;
    return registry;
}

} // namespace

bool KMemoryPoolRegistryCreate()
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    if (Registry() == nullptr)
        Registry() = new KPointerArray<KMemoryReusePool>(16);
    return true;
}

KMemoryReusePool* KMemoryPoolRegistryAdd(uint32_t maximum, int shift, int alignShift, size_t cacheLimit)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    if (Registry() == nullptr)
        return nullptr;
    Registry()->Reserve(Registry()->GetCount() + 1); // first: the pool is never lost
    auto* pool = new KMemoryReusePool(maximum, shift, alignShift, cacheLimit);
    Registry()->Add(pool);
    return pool;
}

KMemoryReusePool* KMemoryPoolRegistryGet(int index)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    return Registry() != nullptr ? Registry()->GetAt(index) : nullptr;
}

int KMemoryPoolRegistryCount()
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    return Registry() != nullptr ? Registry()->GetCount() : 0;
}

void KMemoryPoolRegistryPurgeAll()
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    if (Registry() == nullptr)
        return;
    for (int i = 0; i < Registry()->GetCount(); ++i)
        (*Registry())[i]->Purge();
}

void KMemoryPoolRegistryDestroy()
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    KPointerArray<KMemoryReusePool>* registry = Registry();
    if (registry == nullptr)
        return;
    for (int i = 0; i < registry->GetCount(); ++i)
        delete (*registry)[i]; // the destructor purges
    delete registry;
    Registry() = nullptr;
}

KMemoryReusePool& KIdSetPool()
{
    static KMemoryReusePool& pool = *new KMemoryReusePool(0x20000, 2, 0, 0x200000);
    return pool;
}

} // namespace scenesdk
