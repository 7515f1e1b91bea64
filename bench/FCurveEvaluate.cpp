// Evaluating a 1,000-key cubic curve, one evaluation per iteration (the
// reported time is ns per evaluation).
//
// Sequential: 10^6 increasing times across the keys; the curve's own search
// hint makes each evaluation walk at most a step or two, and the control
// values of the segment evaluated last are reused while its keys stay the
// same.
// Random: 10^6 times in random order; each search walks from the last key
// found, on average a third of the curve.
// ColdHint (the reference): increasing times, but every search starts from
// key 0, as a search without the cached index would.

#include "scenesdk/animation/KFCurve.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr int kKeys = 1000;
constexpr int kTimes = 1000000;
constexpr int64_t kStep = 46186158000LL / 30; // one frame at 30 fps

void MakeCurve(KFCurve& curve)
{
    std::mt19937 random(42);
    std::uniform_real_distribution<float> value(-10.0f, 10.0f);
    for (int i = 0; i < kKeys; ++i)
    {
        curve.AppendKey(KTime(i * kStep), value(random));
    }
    // Mixed tangents: every third key user, the others auto with a bias.
    for (int i = 0; i < kKeys; i += 3)
    {
        curve.SetKeyTangentMode(i, KFCURVE_TANGENT_USER);
        curve.SetKeyData(i, KFCURVEKEY_RIGHT_SLOPE, 1.0f);
    }
    for (int i = 1; i < kKeys; i += 3)
    {
        curve.SetKeyData(i, KFCURVEKEY_RIGHT_AUTO, 20.0f);
    }
}

std::vector<KTime> IncreasingTimes()
{
    std::vector<KTime> times(kTimes);
    const int64_t span = (kKeys - 1) * kStep;
    for (int i = 0; i < kTimes; ++i)
    {
        times[i] = KTime(span / kTimes * i);
    }
    return times;
}

std::vector<KTime> RandomTimes()
{
    std::vector<KTime> times = IncreasingTimes();
    std::shuffle(times.begin(), times.end(), std::mt19937(7));
    return times;
}

void Run(benchmark::State& state, const std::vector<KTime>& times, bool coldHint)
{
    KFCurve curve;
    MakeCurve(curve);
    size_t i = 0;
    for (auto _ : state)
    {
        int hint = 0;
        benchmark::DoNotOptimize(curve.Evaluate(times[i], coldHint ? &hint : nullptr));
        i = i + 1 == times.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FCurveEvaluateSequential(benchmark::State& state)
{
    static const std::vector<KTime> times = IncreasingTimes();
    Run(state, times, false);
}

void BM_FCurveEvaluateRandom(benchmark::State& state)
{
    static const std::vector<KTime> times = RandomTimes();
    Run(state, times, false);
}

void BM_FCurveEvaluateColdHint(benchmark::State& state)
{
    static const std::vector<KTime> times = IncreasingTimes();
    Run(state, times, true);
}

} // namespace

BENCHMARK(BM_FCurveEvaluateSequential)->Iterations(kTimes);
BENCHMARK(BM_FCurveEvaluateRandom)->Iterations(kTimes);
BENCHMARK(BM_FCurveEvaluateColdHint)->Iterations(kTimes);
