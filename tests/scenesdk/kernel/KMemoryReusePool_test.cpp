#include "scenesdk/kernel/KMemoryReusePool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

using namespace scenesdk;

namespace
{

KMemoryReusePool::IXAlloc& Std()
{
    return KMemoryReusePool::KXAllocStd::Instance();
}

// Counts the allocator calls; can be told to fail.
class CountingAlloc : public KMemoryReusePool::IXAlloc
{
public:
    void* Alloc(size_t size) override
    {
        ++allocs;
        return fail ? nullptr : std::malloc(size);
    }
    void* Realloc(void* p, size_t size) override { return std::realloc(p, size); }
    void Free(void* p) override
    {
        ++frees;
        std::free(p);
    }
    int allocs = 0;
    int frees = 0;
    bool fail = false;
};

} // namespace

TEST(KMemoryReusePoolTest, SizeClassesAndReuse)
{
    KMemoryReusePool pool(0x20000, 2, 0, 0);
    EXPECT_EQ(pool.RoundedSizeFor(1), 12u);
    EXPECT_EQ(pool.RoundedSizeFor(4), 12u);
    EXPECT_EQ(pool.RoundedSizeFor(5), 16u);
    void* a = pool.Allocate(Std(), 1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(KMemoryReusePool::GetRoundedSize(a), 12u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 8, 0u);
    EXPECT_EQ(pool.GetBytesObtained(), 12u);
    pool.Free(Std(), a);
    EXPECT_EQ(pool.GetCachedBlocks(), 1u);
    void* b = pool.Allocate(Std(), 3); // same class
    EXPECT_EQ(a, b);
    EXPECT_EQ(pool.GetBlocksObtained(), 1u);
    pool.Free(Std(), b);
    pool.Free(Std(), nullptr); // ignored
}

TEST(KMemoryReusePoolTest, LargeBlocksAreNeverCached)
{
    CountingAlloc alloc;
    KMemoryReusePool pool(0x20000, 2, 0, 0);
    void* big = pool.Allocate(alloc, 0x20000 - 8); // exactly the maximum with the header
    ASSERT_NE(big, nullptr);
    pool.Free(alloc, big);
    EXPECT_EQ(alloc.frees, 1);
    EXPECT_EQ(pool.GetCachedBlocks(), 0u);
    EXPECT_EQ(pool.GetBytesObtained(), 0u);
    void* below = pool.Allocate(alloc, 0x20000 - 12);
    pool.Free(alloc, below);
    EXPECT_EQ(alloc.frees, 1);
    EXPECT_EQ(pool.GetCachedBlocks(), 1u);
    pool.Purge(&alloc);
    EXPECT_EQ(alloc.frees, 2);
}

TEST(KMemoryReusePoolTest, CacheLimitAndPurgeKeepCountersTrue)
{
    CountingAlloc alloc;
    KMemoryReusePool pool(0x20000, 2, 0, 100);
    std::vector<void*> blocks;
    for (int i = 0; i < 10; ++i)
        blocks.push_back(pool.Allocate(alloc, 16)); // 24-byte class: 240 bytes obtained
    EXPECT_EQ(pool.GetBytesObtained(), 240u);
    // While more than 100 bytes are obtained, freed blocks go back to the heap.
    for (int i = 0; i < 6; ++i)
        pool.Free(alloc, blocks[i]);
    EXPECT_EQ(alloc.frees, 6);
    EXPECT_EQ(pool.GetBytesObtained(), 96u);
    pool.Free(alloc, blocks[6]);
    EXPECT_EQ(alloc.frees, 6);
    EXPECT_EQ(pool.GetCachedBlocks(), 1u);
    // Purge drops only the cached block from the counters.
    pool.Purge(&alloc);
    EXPECT_EQ(pool.GetBytesObtained(), 72u);
    EXPECT_EQ(pool.GetBlocksObtained(), 3u);
    for (int i = 7; i < 10; ++i)
        pool.Free(alloc, blocks[i]);
    EXPECT_EQ(pool.GetCachedBlocks(), 3u);
    pool.Purge(&alloc);
    EXPECT_EQ(pool.GetBytesObtained(), 0u);
    EXPECT_EQ(pool.GetBlocksObtained(), 0u);
}

TEST(KMemoryReusePoolTest, FailuresAndRefusals)
{
    CountingAlloc alloc;
    KMemoryReusePool pool(0x20000, 2, 0, 0);
    alloc.fail = true;
    EXPECT_EQ(pool.Allocate(alloc, 10), nullptr);
    EXPECT_EQ(pool.GetBytesObtained(), 0u);
    alloc.fail = false;
    EXPECT_EQ(pool.Allocate(alloc, SIZE_MAX), nullptr);
    EXPECT_EQ(pool.Allocate(alloc, 0xFFFFFFF8u), nullptr); // would reach 4 GB with the header
    EXPECT_EQ(alloc.allocs, 1);
}

TEST(KMemoryReusePoolTest, ReallocateKeepsContentsAndAlignment)
{
    KMemoryReusePool pool(0x20000, 2, 5, 0);
    char* p = static_cast<char*>(pool.Allocate(Std(), 10));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 32, 0u);
    std::memcpy(p, "0123456789", 10);
    char* q = static_cast<char*>(pool.Reallocate(Std(), p, 1000));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(q) % 32, 0u);
    EXPECT_EQ(std::memcmp(q, "0123456789", 10), 0);
    EXPECT_GE(KMemoryReusePool::GetUsableSize(q), 1000u);
    char* r = static_cast<char*>(pool.Reallocate(Std(), q, 4));
    EXPECT_EQ(std::memcmp(r, "0123", 4), 0);
    pool.Free(Std(), r);
    void* fresh = pool.Reallocate(Std(), nullptr, 8);
    EXPECT_NE(fresh, nullptr);
    pool.Free(Std(), fresh);
}

TEST(ThreadsMemoryReusePool, ConcurrentAllocateAndFree)
{
    KMemoryReusePool pool(0x20000, 2, 0, 0);
    std::atomic<int> corrupt{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&pool, &corrupt, t]
            {
                std::vector<unsigned char*> mine;
                for (int round = 0; round < 2000; ++round)
                {
                    const size_t size = 1 + (round * 7 + t) % 200;
                    auto* p = static_cast<unsigned char*>(pool.Allocate(Std(), size));
                    std::memset(p, t + 1, size);
                    mine.push_back(p);
                    if (mine.size() > 16)
                    {
                        unsigned char* old = mine.front();
                        mine.erase(mine.begin());
                        // The pattern must be intact: no block was handed out twice.
                        if (old[0] != t + 1)
                            ++corrupt;
                        pool.Free(Std(), old);
                    }
                }
                for (unsigned char* p : mine)
                    pool.Free(Std(), p);
            });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(corrupt.load(), 0);
    pool.Purge();
    EXPECT_EQ(pool.GetBytesObtained(), 0u);
    EXPECT_EQ(pool.GetBlocksObtained(), 0u);
}

// The thread that made a pool works on it without the lock until another
// thread comes. Here the owner keeps allocating and freeing while other
// threads arrive in the middle of its work, several of them at once: no block
// may be handed out twice and the counters must come out exact.
TEST(ThreadsMemoryReusePool, OwnerKeepsWorkingWhileOtherThreadsArrive)
{
    for (int trial = 0; trial < 20; ++trial)
    {
        KMemoryReusePool pool(0x20000, 2, 0, 0);
        std::atomic<int> corrupt{0};
        std::atomic<bool> go{false};
        auto work = [&pool, &corrupt](int t, int rounds)
        {
            std::vector<unsigned char*> mine;
            for (int round = 0; round < rounds; ++round)
            {
                const size_t size = 1 + (round * 5 + t) % 64;
                auto* p = static_cast<unsigned char*>(pool.Allocate(Std(), size));
                std::memset(p, t + 1, size);
                mine.push_back(p);
                if (mine.size() > 8)
                {
                    if (mine.front()[0] != t + 1)
                        ++corrupt;
                    pool.Free(Std(), mine.front());
                    mine.erase(mine.begin());
                }
            }
            for (unsigned char* p : mine)
                pool.Free(Std(), p);
        };
        std::vector<std::thread> others;
        for (int t = 1; t <= 3; ++t)
            others.emplace_back(
                [&, t]
                {
                    while (!go.load())
                        std::this_thread::yield();
                    work(t, 3000);
                });
        work(0, 500 + trial * 50); // alone: the pool is biased to this thread
        go = true;
        work(0, 3000); // while the others end the bias
        for (auto& th : others)
            th.join();
        work(0, 200); // and after, through the lock
        EXPECT_EQ(corrupt.load(), 0);
        EXPECT_EQ(pool.GetCachedBlocks(), pool.GetBlocksObtained());
        pool.Purge();
        EXPECT_EQ(pool.GetBytesObtained(), 0u);
        EXPECT_EQ(pool.GetBlocksObtained(), 0u);
    }
}

TEST(KMemoryReusePoolTest, Registry)
{
    EXPECT_EQ(KMemoryPoolRegistryAdd(0x20000, 2, 0, 0), nullptr); // no registry yet
    ASSERT_TRUE(KMemoryPoolRegistryCreate());
    KMemoryReusePool* pool = KMemoryPoolRegistryAdd(0x20000, 2, 0, 0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(KMemoryPoolRegistryGet(0), pool);
    EXPECT_EQ(KMemoryPoolRegistryGet(1), nullptr);
    EXPECT_EQ(KMemoryPoolRegistryCount(), 1);
    pool->Free(Std(), pool->Allocate(Std(), 20));
    KMemoryPoolRegistryPurgeAll();
    EXPECT_EQ(pool->GetCachedBlocks(), 0u);
    pool->Free(Std(), pool->Allocate(Std(), 20)); // cached, freed by the destroy
    KMemoryPoolRegistryDestroy();
    EXPECT_EQ(KMemoryPoolRegistryCount(), 0);
    EXPECT_EQ(KMemoryPoolRegistryGet(0), nullptr);
}
