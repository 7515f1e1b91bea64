// Connecting and disconnecting plugs, and property lookup by name.
//
// PlugPairs: N independent source-destination pairs, connected then
// disconnected (the cost per connection should not depend on N).
// HubConnect / HubDisconnectLastFirst / HubDisconnectFirstFirst /
// HubDisconnectShuffled: N sources on one destination; a connect appends, and
// a long list finds a source through its index and leaves a hole where it
// was, so removing every source costs time linear in N in any order (goal:
// 100,000 oldest first under 50 ms).
// FindProperty: the last of N properties of one object (a linear search).

#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KProperty.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

std::vector<KPlug*> MakePlugs(int n)
{
    std::vector<KPlug*> plugs;
    plugs.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        plugs.push_back(new KPlug);
    }
    return plugs;
}

void DestroyPlugs(std::vector<KPlug*>& plugs)
{
    for (KPlug* p : plugs)
    {
        p->Destroy();
    }
    plugs.clear();
}

void PlugPairs(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<KPlug*> src = MakePlugs(n);
    std::vector<KPlug*> dst = MakePlugs(n);
    for (auto _ : state)
    {
        for (int i = 0; i < n; ++i)
        {
            dst[static_cast<size_t>(i)]->ConnectSrc(src[static_cast<size_t>(i)]);
        }
        for (int i = 0; i < n; ++i)
        {
            dst[static_cast<size_t>(i)]->DisconnectSrc(src[static_cast<size_t>(i)]);
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
    DestroyPlugs(src);
    DestroyPlugs(dst);
}
BENCHMARK(PlugPairs)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();

void HubConnect(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<KPlug*> src = MakePlugs(n);
    KPlug* hub = new KPlug;
    for (auto _ : state)
    {
        for (KPlug* s : src)
        {
            hub->ConnectSrc(s);
        }
        state.PauseTiming();
        hub->DisconnectAllSrc();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
    hub->Destroy();
    DestroyPlugs(src);
}
BENCHMARK(HubConnect)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();

enum class EOrder
{
    eLastFirst,
    eFirstFirst,
    eShuffled
};

void HubDisconnect(benchmark::State& state, EOrder order)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<KPlug*> src = MakePlugs(n);
    KPlug* hub = new KPlug;
    std::vector<KPlug*> removal = src;
    if (order == EOrder::eLastFirst)
    {
        std::reverse(removal.begin(), removal.end());
    }
    else if (order == EOrder::eShuffled)
    {
        std::shuffle(removal.begin(), removal.end(), std::mt19937(42));
    }
    for (auto _ : state)
    {
        state.PauseTiming();
        for (KPlug* s : src)
        {
            hub->ConnectSrc(s);
        }
        state.ResumeTiming();
        for (KPlug* s : removal)
        {
            hub->DisconnectSrc(s);
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
    hub->Destroy();
    DestroyPlugs(src);
}
void HubDisconnectLastFirst(benchmark::State& state)
{
    HubDisconnect(state, EOrder::eLastFirst);
}
void HubDisconnectFirstFirst(benchmark::State& state)
{
    HubDisconnect(state, EOrder::eFirstFirst);
}
void HubDisconnectShuffled(benchmark::State& state)
{
    HubDisconnect(state, EOrder::eShuffled);
}
BENCHMARK(HubDisconnectLastFirst)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(HubDisconnectFirstFirst)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(HubDisconnectShuffled)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void FindProperty(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    KObject* object = new KObject;
    for (int i = 0; i < n; ++i)
    {
        object->CreateProperty(("Property " + std::to_string(i)).c_str(), eKPropDouble);
    }
    const std::string last = "Property " + std::to_string(n - 1);
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(object->FindProperty(last.c_str()));
    }
    state.SetComplexityN(n);
    object->Destroy();
}
BENCHMARK(FindProperty)->RangeMultiplier(10)->Range(10, 10000)->Complexity();

} // namespace
