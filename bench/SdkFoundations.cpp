// KString append and compare against std::string and strcasecmp, and pool
// allocate/free against malloc/free. Goals: CompareNoCase within 2x of
// strcasecmp, appends within 1.5x of std::string, the pool at least as fast as
// malloc and free.

#include "scenesdk/kernel/KMemoryReusePool.h"
#include "scenesdk/kernel/KString.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

using scenesdk::KMemoryReusePool;
using scenesdk::KString;

namespace
{

const char* const kPiece = "Model::";

void KStringAppend(benchmark::State& state)
{
    const int pieces = static_cast<int>(state.range(0));
    for (auto _ : state)
    {
        KString s;
        for (int i = 0; i < pieces; ++i)
            s += kPiece;
        benchmark::DoNotOptimize(s.Buffer());
    }
}
BENCHMARK(KStringAppend)->Arg(4)->Arg(64);

void StdStringAppend(benchmark::State& state)
{
    const int pieces = static_cast<int>(state.range(0));
    for (auto _ : state)
    {
        std::string s;
        for (int i = 0; i < pieces; ++i)
            s += kPiece;
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(StdStringAppend)->Arg(4)->Arg(64);

void KStringCompare(benchmark::State& state)
{
    const KString a("Model::Character_LeftForeArmRoll");
    const char* b = "Model::Character_LeftForeArmRolm";
    for (auto _ : state)
        benchmark::DoNotOptimize(a.Compare(b));
}
BENCHMARK(KStringCompare);

void StdStringCompare(benchmark::State& state)
{
    const std::string a("Model::Character_LeftForeArmRoll");
    const char* b = "Model::Character_LeftForeArmRolm";
    for (auto _ : state)
        benchmark::DoNotOptimize(a.compare(b));
}
BENCHMARK(StdStringCompare);

void KStringCompareNoCase(benchmark::State& state)
{
    const KString a("Model::Character_LeftForeArmRoll");
    const char* b = "MODEL::CHARACTER_LEFTFOREARMROLL";
    for (auto _ : state)
        benchmark::DoNotOptimize(a.CompareNoCase(b));
}
BENCHMARK(KStringCompareNoCase);

// The reference: the C library's comparison on the same texts (goal: KString within 2x).
void StrCaseCmp(benchmark::State& state)
{
    const std::string a("Model::Character_LeftForeArmRoll");
    const char* b = "MODEL::CHARACTER_LEFTFOREARMROLL";
    for (auto _ : state)
        benchmark::DoNotOptimize(strcasecmp(a.c_str(), b));
}
BENCHMARK(StrCaseCmp);

// 64 live blocks of mixed small sizes, freed and allocated again. Arg 0: the
// pool is used by the thread that made it only (no lock); arg 1: another
// thread has used it first, so every access takes the lock.
void PoolAllocateFree(benchmark::State& state)
{
    KMemoryReusePool pool(0x20000, 2, 0, 0);
    auto& alloc = KMemoryReusePool::KXAllocStd::Instance();
    if (state.range(0) == 1)
    {
        std::thread([&pool, &alloc] { pool.Free(alloc, pool.Allocate(alloc, 8)); }).join();
    }
    std::vector<void*> blocks(64);
    for (auto _ : state)
    {
        for (size_t i = 0; i < blocks.size(); ++i)
            blocks[i] = pool.Allocate(alloc, 8 + (i % 8) * 12);
        for (void* p : blocks)
            pool.Free(alloc, p);
    }
    pool.Purge();
}
BENCHMARK(PoolAllocateFree)->Arg(0)->Arg(1);

void MallocFree(benchmark::State& state)
{
    std::vector<void*> blocks(64);
    for (auto _ : state)
    {
        for (size_t i = 0; i < blocks.size(); ++i)
        {
            blocks[i] = std::malloc(8 + (i % 8) * 12);
            benchmark::DoNotOptimize(blocks[i]);
        }
        for (void* p : blocks)
            std::free(p);
    }
}
BENCHMARK(MallocFree);

} // namespace
