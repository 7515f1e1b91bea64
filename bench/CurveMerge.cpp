// Merging a three-layer channel tree (a base "T" with X, Y, Z and two
// additive layers) of 1,000 keys per curve into its base curves, as the
// import pass does; the reported time is per merged key (items processed).
//
// Merge: MergeLayers at one frame per key, over the keys' span.
// Reference: the same samples taken with channel evaluation (the layered
// Evaluate) and appended as keys one by one.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveMerge.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

using namespace scenesdk;

namespace
{

constexpr int kKeys = 1000;
constexpr int kLayers = 2;
constexpr int64_t kStep = 1539538600LL; // one frame at 30 fps

void KeyCurve(KFCurve& curve, std::mt19937& random)
{
    std::uniform_real_distribution<float> value(-10.0f, 10.0f);
    curve.ClearKeys();
    for (int i = 0; i < kKeys; ++i)
    {
        curve.AppendKey(KTime(i * kStep), value(random));
    }
}

std::unique_ptr<KFCurveNode> MakeTree()
{
    std::mt19937 random(7);
    auto node = std::make_unique<KFCurveNode>("T", "T", nullptr, eKFCurveNodeLayerAdditive);
    node->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
    for (const char* axis : {"X", "Y", "Z"})
    {
        auto* child = new KFCurveNode(axis, axis, nullptr);
        child->SetFCurve(KFCurve::Create());
        KeyCurve(*child->GetFCurve(), random);
        node->AddChild(child);
    }
    KFCurveNode* last = node.get();
    for (int id = 1; id <= kLayers; ++id)
    {
        last->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
        last = last->CreateLayer(id, true);
        for (int c = 0; c < last->GetChildCount(); ++c)
        {
            KeyCurve(*last->GetChildAt(c)->GetFCurve(), random);
        }
    }
    return node;
}

void BM_MergeLayers(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        std::unique_ptr<KFCurveNode> tree = MakeTree();
        state.ResumeTiming();
        MergeLayers(tree.get(), nullptr, 0, nullptr, 0, KFCURVE_MERGE_INTO_TARGET, KTime(0),
                    KTime((kKeys - 1) * kStep), KTime(kStep));
        benchmark::DoNotOptimize(tree->GetChildAt(0)->GetFCurve()->GetKeyCount());
    }
    state.SetItemsProcessed(state.iterations() * kKeys * 3);
}
BENCHMARK(BM_MergeLayers)->Unit(benchmark::kMicrosecond);

void BM_EvaluateAndAppendReference(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        std::unique_ptr<KFCurveNode> tree = MakeTree();
        state.ResumeTiming();
        std::vector<std::unique_ptr<KFCurve>> merged;
        for (int c = 0; c < 3; ++c)
        {
            merged.emplace_back(KFCurve::Create());
        }
        double values[4];
        for (int i = 0; i < kKeys; ++i)
        {
            tree->Evaluate(values, KTime(i * kStep));
            for (int c = 0; c < 3; ++c)
            {
                merged[c]->AppendKey(KTime(i * kStep), static_cast<float>(values[c]));
            }
        }
        benchmark::DoNotOptimize(merged[0]->GetKeyCount());
    }
    state.SetItemsProcessed(state.iterations() * kKeys * 3);
}
BENCHMARK(BM_EvaluateAndAppendReference)->Unit(benchmark::kMicrosecond);

} // namespace
