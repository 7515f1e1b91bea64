#include "scenesdk/animation/KFCurveMerge.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilter.h"
#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KgeMath.h"

#include <algorithm>
#include <cmath>

namespace scenesdk
{

namespace
{
// The shortest part InsertKeysWhereDeviating still cuts.
constexpr double kShortestPart = 0.008333333333333333;

void CheckInterpolation(const KFCurveNode& node, uint32_t mask, bool includeLayers, bool& all, bool& any)
{
    if (includeLayers && node.GetNextLayer() != nullptr)
    {
        CheckInterpolation(*node.GetNextLayer(), mask, includeLayers, all, any);
    }
    for (int i = 0; i < node.GetChildCount(); ++i)
    {
        if (const KFCurveNode* child = node.GetChildAt(i))
        {
            CheckInterpolation(*child, mask, includeLayers, all, any);
        }
    }
    if (const KFCurve* curve = node.GetFCurve())
    {
        for (int k = 0; k < curve->GetKeyCount(); ++k)
        {
            any = true;
            all = all && (curve->GetKeyInterpolation(k) & mask) != 0;
        }
    }
}

// Every key time of the tree (and its layers), ascending, each once.
void CollectKeyTimes(const KFCurveNode& node, bool includeLayers, std::vector<int64_t>& out)
{
    if (includeLayers && node.GetNextLayer() != nullptr)
    {
        CollectKeyTimes(*node.GetNextLayer(), includeLayers, out);
    }
    for (int i = 0; i < node.GetChildCount(); ++i)
    {
        if (const KFCurveNode* child = node.GetChildAt(i))
        {
            CollectKeyTimes(*child, includeLayers, out);
        }
    }
    if (const KFCurve* curve = node.GetFCurve())
    {
        for (int k = 0; k < curve->GetKeyCount(); ++k)
        {
            out.push_back(curve->GetKeyTime(k).Get());
        }
    }
}

void SortUnique(std::vector<int64_t>& times)
{
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
}

// The curves holding a channel's layer values, in value order; empty when
// the channel's shape does not match its value count.
std::vector<KFCurve*> ValueCurves(KFCurveNode& node)
{
    std::vector<KFCurve*> curves;
    if (node.GetFCurve() != nullptr && node.GetLayerType() != eKFCurveNodeLayerEulerRotation &&
        node.GetLayerType() != eKFCurveNodeLayerQuaternion)
    {
        curves.push_back(node.GetFCurve());
        return curves;
    }
    for (int i = 0; i < node.GetChildCount(); ++i)
    {
        KFCurveNode* child = node.GetChildAt(i);
        curves.push_back(child != nullptr ? child->GetFCurve() : nullptr);
    }
    const bool complete = std::find(curves.begin(), curves.end(), nullptr) == curves.end();
    if (!complete || static_cast<int>(curves.size()) != GetLayerValueCount(node))
    {
        curves.clear();
    }
    return curves;
}

// The node's own layer values at t: its curves alone, without warps and
// without the layers after it.
void OwnLayerValues(KFCurveNode& node, KTime t, double* out)
{
    const int n = GetLayerValueCount(node);
    node.GetLayerNeutralValues(out);
    if (node.GetLayerType() == eKFCurveNodeLayerEulerRotation && node.GetFCurve() == nullptr)
    {
        node.EvaluateQuaternionRotation(out, t, nullptr, false);
        return;
    }
    const std::vector<KFCurve*> curves = ValueCurves(node);
    for (int i = 0; i < n && i < static_cast<int>(curves.size()); ++i)
    {
        out[i] = curves[static_cast<size_t>(i)]->Evaluate(t);
    }
}

// The channel's stack at t as evaluation combines it: own values combined
// with the combination of the layers after it.
void StackValue(KFCurveNode& node, KTime t, double* out)
{
    OwnLayerValues(node, t, out);
    if (KFCurveNode* next = node.GetNextLayer())
    {
        std::vector<double> layer(static_cast<size_t>(std::max(GetLayerValueCount(*next), 4)), 0.0);
        StackValue(*next, t, layer.data());
        CombineLayerValues(node, out, out, layer.data());
    }
}

// Rewrites a curve with one key per time (cubic auto, or constant).
void WriteKeys(KFCurve& curve, const std::vector<int64_t>& times, const std::vector<double>& values,
               bool constant)
{
    curve.ClearKeys();
    for (size_t i = 0; i < times.size(); ++i)
    {
        curve.SetKey(static_cast<int>(i), KTime(times[i]), static_cast<float>(values[i]),
                     constant ? KFCURVE_INTERPOLATION_CONSTANT : KFCURVE_INTERPOLATION_CUBIC);
    }
}

// The time a chain of warps (outermost first) makes of t.
KTime WarpedTime(const std::vector<KFCurveNode*>& chain, KTime t)
{
    for (KFCurveNode* warp : chain)
    {
        std::vector<double> value(static_cast<size_t>(std::max(warp->GetEvaluatedValueCount(), 1)), 0.0);
        if (warp->Evaluate(value.data(), t) > value.data())
        {
            t.SetSeconds(value[0]);
        }
    }
    return t;
}

// At most this many samples over one span: a longer span (over 55 minutes
// at 30 frames a second) is sampled at a longer period, so that key times
// read from a file cannot make a pass allocate or run without bound.
constexpr uint64_t kMaxSamplesPerSpan = 100000;

// Appends the times strictly between first and last, every period (at
// least 1 tick) from first, or at the longer period above; the read's meter
// is charged first for the work of evaluating each (cost: curves or layers
// evaluated per sample).
void AppendSampleTimes(int64_t first, int64_t last, int64_t period, std::vector<int64_t>& times,
                       KScnReadMeter::EKind kind, size_t cost)
{
    if (last <= first)
    {
        return;
    }
    const uint64_t span = static_cast<uint64_t>(last) - static_cast<uint64_t>(first);
    const uint64_t step = std::max<uint64_t>(static_cast<uint64_t>(std::max<int64_t>(period, 1)),
                                             span / kMaxSamplesPerSpan + 1);
    const uint64_t count = (span - 1) / step;
    KScnReadMeter::Charge(kind, (count + times.size()) * KScnReadMeter::kSampleBytes * std::max<size_t>(cost, 1));
    times.reserve(times.size() + count);
    for (uint64_t k = 1; k <= count; ++k)
    {
        times.push_back(static_cast<int64_t>(static_cast<uint64_t>(first) + k * step));
    }
}

// Replaces the curve by its values under the warps, sampled at the period
// over the outermost warp's key span plus that warp's key times.
void BakeCurve(KFCurve& curve, const std::vector<KFCurveNode*>& chain)
{
    std::vector<int64_t> times;
    CollectKeyTimes(*chain.front(), false, times);
    SortUnique(times);
    if (times.empty())
    {
        times.push_back(0);
    }
    AppendSampleTimes(times.front(), times.back(), GetCurveResamplingPeriod().Get(), times,
                      KScnReadMeter::eWarpSamples, chain.size());
    SortUnique(times);
    std::vector<double> values;
    values.reserve(times.size());
    for (int64_t t : times)
    {
        values.push_back(curve.Evaluate(WarpedTime(chain, KTime(t))));
    }
    WriteKeys(curve, times, values, false);
}

// Bakes the chain (plus each node's own warp) into the node's subtree and
// its layers, and takes the baked warps off the nodes. A layer stack is
// combined at the time its base's warps make, so each layer baked under the
// same warps combines into what the stack gave. A layer's own warp acts on
// it and on the layers after it, as evaluation applies it. A base leaf
// without layers that carries its own warp and inherits none keeps it: it
// still evaluates as it did. Each base node where baking starts (a warp of
// its own, none inherited) is noted in changed: its subtree is what the
// bake changed (a layer's bake shows in its base's merge).
void BakeWarps(KFCurveNode& node, std::vector<KFCurveNode*>& chain, bool layer,
               std::vector<KFCurveNode*>& changed)
{
    KFCurveNode* own = node.GetTimeWarp();
    KFCurveNode* next = node.GetNextLayer();
    const bool keepsOwn = !layer && node.GetChildCount() == 0 && next == nullptr;
    if (chain.empty() && (own == nullptr || keepsOwn))
    {
        for (int i = 0; i < node.GetChildCount(); ++i)
        {
            BakeWarps(*node.GetChildAt(i), chain, layer, changed);
        }
        if (next != nullptr)
        {
            BakeWarps(*next, chain, true, changed);
        }
        return;
    }
    if (chain.empty() && !layer)
    {
        changed.push_back(&node);
    }
    if (own != nullptr)
    {
        chain.push_back(own);
    }
    if (node.GetFCurve() != nullptr)
    {
        BakeCurve(*node.GetFCurve(), chain);
    }
    for (int i = 0; i < node.GetChildCount(); ++i)
    {
        BakeWarps(*node.GetChildAt(i), chain, layer, changed);
    }
    if (next != nullptr)
    {
        BakeWarps(*next, chain, true, changed);
    }
    if (own != nullptr)
    {
        chain.pop_back();
        node.SetTimeWarp(nullptr);
    }
}

// The key span of a channel with its layers; 0..0 when there are no keys.
// Warps are baked before the merge, so a warped stack's keys lie in its
// warp's span.
void MergeSpan(KFCurveNode& node, KTime& start, KTime& stop)
{
    std::vector<int64_t> times;
    CollectKeyTimes(node, true, times);
    SortUnique(times);
    start = KTime(times.empty() ? 0 : times.front());
    stop = KTime(times.empty() ? 0 : times.back());
}

// The rotation filter on every rotation channel of a subtree: a warp baked
// at a parent changed the curves of its rotation channels at any depth.
void FilterRotations(KFCurveNode& node, KTime start, KTime stop)
{
    if (node.GetLayerType() == eKFCurveNodeLayerEulerRotation)
    {
        ApplyRotationFilter(&node, start, stop);
    }
    for (int i = 0; i < node.GetChildCount(); ++i)
    {
        FilterRotations(*node.GetChildAt(i), start, stop);
    }
}

// The rotation filter over the rotation channels the pass changed (the
// node's subtree, or the rotation channel whose angle curve the node is),
// then the constant key reducer over the node's subtree. Nothing else of
// the tree is touched.
void FilterChanged(KFCurveNode& node)
{
    KFCurveNode* parent = node.GetParent();
    KFCurveNode& rotations =
        parent != nullptr && parent->GetLayerType() == eKFCurveNodeLayerEulerRotation ? *parent : node;
    KTime start;
    KTime stop;
    if (!rotations.GetKeyInterval(start, stop))
    {
        start = stop = KTime(0);
    }
    FilterRotations(rotations, start, stop);
    if (GetApplyConstantKeyReducer())
    {
        KFCurveFilterConstantKeyReducer reducer;
        reducer.ApplyToNode(node, true);
    }
    node.InvalidateChannelCache();
}

// Merges every layer stack of the tree, noting the merged channels.
void MergePass(KFCurveNode& node, std::vector<KFCurveNode*>& changed)
{
    if (node.GetNextLayer() != nullptr)
    {
        KTime start;
        KTime stop;
        MergeSpan(node, start, stop);
        MergeLayers(&node, nullptr, 0, nullptr, 0, KFCURVE_MERGE_INTO_TARGET, start, stop,
                    GetCurveResamplingPeriod());
        changed.push_back(&node);
        return;
    }
    for (int i = 0; i < node.GetChildCount(); ++i)
    {
        MergePass(*node.GetChildAt(i), changed);
    }
}

// nodes sorted.
bool HasAncestorIn(KFCurveNode& node, const std::vector<KFCurveNode*>& nodes)
{
    for (KFCurveNode* p = node.GetParent(); p != nullptr; p = p->GetParent())
    {
        if (std::binary_search(nodes.begin(), nodes.end(), p))
        {
            return true;
        }
    }
    return false;
}
} // namespace

bool HasOnlyInterpolation(const KFCurveNode& node, uint32_t mask, bool includeLayers)
{
    bool all = true;
    bool any = false;
    CheckInterpolation(node, mask, includeLayers, all, any);
    return all && any;
}

int GetLayerValueCount(const KFCurveNode& node)
{
    switch (node.GetLayerType())
    {
    case eKFCurveNodeLayerEulerRotation:
        return 3;
    case eKFCurveNodeLayerQuaternion:
        return 4;
    default:
        return node.GetFCurve() != nullptr ? 1 : node.GetChildCount();
    }
}

void CombineLayerValues(const KFCurveNode& layer, double* out, const double* a, const double* b)
{
    const int n = GetLayerValueCount(layer);
    switch (layer.GetLayerType())
    {
    case eKFCurveNodeLayerNormal:
    case eKFCurveNodeLayerAdditive:
        for (int i = 0; i < n; ++i)
        {
            out[i] = a[i] + b[i];
        }
        break;
    case eKFCurveNodeLayerMultiply:
        for (int i = 0; i < n; ++i)
        {
            out[i] = a[i] * b[i];
        }
        break;
    case eKFCurveNodeLayerEulerRotation:
        KFCurveNode::ComposeEuler(layer.GetRotationOrder(), out, a, b);
        break;
    case eKFCurveNodeLayerQuaternion:
    {
        double q[4];
        KgeQuaternionMultiply(q, a, b);
        std::copy(q, q + 4, out);
        break;
    }
    default:
        break;
    }
}

void InvertLayerValue(const KFCurveNode& layer, double* out, const double* in)
{
    const int n = GetLayerValueCount(layer);
    switch (layer.GetLayerType())
    {
    case eKFCurveNodeLayerNormal:
    case eKFCurveNodeLayerAdditive:
        for (int i = 0; i < n; ++i)
        {
            out[i] = -in[i];
        }
        break;
    case eKFCurveNodeLayerMultiply:
        for (int i = 0; i < n; ++i)
        {
            out[i] = 1.0 / in[i];
        }
        break;
    case eKFCurveNodeLayerEulerRotation:
    {
        double m[16];
        double t[16];
        KgeMatrixIdentity(m);
        KgeMatrixIdentity(t);
        KFCurveNode::AnglesToMatrix(layer.GetRotationOrder(), in, m);
        for (int r = 0; r < 3; ++r)
        {
            for (int c = 0; c < 3; ++c)
            {
                t[r * 4 + c] = m[c * 4 + r];
            }
        }
        KFCurveNode::MatrixToAngles(layer.GetRotationOrder(), t, out);
        break;
    }
    case eKFCurveNodeLayerQuaternion:
        out[0] = -in[0];
        out[1] = -in[1];
        out[2] = -in[2];
        out[3] = in[3];
        break;
    default:
        break;
    }
}

void EvaluateLayerStack(KFCurveNode* layer, double* acc, KTime t, const int* list, int listCount, int k)
{
    while (layer != nullptr)
    {
        if (list != nullptr)
        {
            if (k >= listCount)
            {
                return;
            }
            if (layer->GetLayerId() > list[k])
            {
                ++k;
                continue;
            }
            if (layer->GetLayerId() < list[k])
            {
                layer = layer->GetNextLayer();
                continue;
            }
        }
        std::vector<double> value(static_cast<size_t>(std::max(GetLayerValueCount(*layer), 4)), 0.0);
        OwnLayerValues(*layer, t, value.data());
        CombineLayerValues(*layer, acc, acc, value.data());
        layer = layer->GetNextLayer();
        ++k;
    }
}

void EvaluateMergedValue(KFCurveNode& base, double* out, const double* baseValues, KTime t, const int* below,
                         int belowCount, const int* above, int aboveCount, const double* previous)
{
    const int n = GetLayerValueCount(base);
    std::copy(baseValues, baseValues + n, out);
    std::vector<double> acc(static_cast<size_t>(std::max(n, 4)), 0.0);
    if (below != nullptr && belowCount > 0)
    {
        base.GetLayerNeutralValues(acc.data());
        EvaluateLayerStack(base.GetNextLayer(), acc.data(), t, below, belowCount, 0);
        InvertLayerValue(base, acc.data(), acc.data());
        CombineLayerValues(base, out, acc.data(), out);
    }
    if (above != nullptr && aboveCount > 0)
    {
        base.GetLayerNeutralValues(acc.data());
        EvaluateLayerStack(base.GetNextLayer(), acc.data(), t, above, aboveCount, 0);
        InvertLayerValue(base, acc.data(), acc.data());
        CombineLayerValues(base, out, out, acc.data());
    }
    if (previous != nullptr && base.GetLayerType() == eKFCurveNodeLayerEulerRotation &&
        base.GetRotationOrder() != 12)
    {
        int axes[3];
        KFCurveNode::GetAxisOrder(base.GetRotationOrder(), axes);
        KFCurveNode::ClosestEuler(out, previous, out, axes);
    }
}

void FitKeyTangentsToCurve(int i, KFCurve& c, KFCurve& s, KTime dt, double tol)
{
    const int count = c.GetKeyCount();
    if (i < 0 || i >= count || dt.Get() <= 0)
    {
        return;
    }
    const KTime time = c.GetKeyTime(i);
    const double value = c.GetKeyValue(i);
    const double seconds = dt.GetSeconds();
    double left = 0.0;
    double right = 0.0;
    bool breaks = false;
    if (i > 0)
    {
        left = (value - s.Evaluate(time - dt)) / seconds;
        breaks = std::fabs(left - c.GetKeyLeftDerivative(i)) > tol;
    }
    if (i < count - 1)
    {
        right = (s.Evaluate(time + dt) - value) / seconds;
        if (std::fabs(right - c.GetKeyRightDerivative(i)) <= tol && !breaks)
        {
            return;
        }
    }
    else if (!breaks)
    {
        return;
    }
    c.SetKeyTangentMode(i, KFCURVE_TANGENT_BREAK);
    c.SetKeyLeftDerivative(i, static_cast<float>(left));
    c.SetKeyRightDerivative(i, static_cast<float>(right));
}

void FitTreeTangents(KFCurveNode* result, KFCurveNode* source, KTime dt, double tol)
{
    if (result == nullptr || source == nullptr || dt.Get() <= 0 ||
        result->GetChildCount() != source->GetChildCount())
    {
        return;
    }
    if (result->GetFCurve() != nullptr)
    {
        if (source->GetFCurve() != nullptr)
        {
            for (int k = 0; k < result->GetFCurve()->GetKeyCount(); ++k)
            {
                FitKeyTangentsToCurve(k, *result->GetFCurve(), *source->GetFCurve(), dt, tol);
            }
        }
        return;
    }
    for (int i = 0; i < result->GetChildCount(); ++i)
    {
        FitTreeTangents(result->GetChildAt(i), source->GetChildAt(i), dt, tol);
    }
}

int InsertKeyWithValue(KTime t, double v, KFCurve& c, KFCurve& s, bool adjust, KTime dt, double tol)
{
    const int k = c.InsertKey(t);
    c.SetKeyValue(k, static_cast<float>(v));
    if (adjust)
    {
        FitKeyTangentsToCurve(k, c, s, dt, tol);
    }
    return k;
}

void InsertKeysWhereDeviating(KTime t0, KTime t1, KFCurve* c, KFCurve* s, double tol, int n, bool adjust,
                              KTime dt, double tangentTolerance)
{
    if (!(t0 < t1) || c == nullptr || s == nullptr || n <= 1)
    {
        return;
    }
    const int64_t span = t1.Get() - t0.Get();
    if (KTime(span / n).GetSeconds() < kShortestPart)
    {
        return;
    }
    KTime previous = t0;
    for (int k = 1; k < n; ++k)
    {
        const KTime t(t0.Get() + span / n * k);
        const double expected = s->Evaluate(t);
        if (std::fabs(expected - c->Evaluate(t)) > tol)
        {
            InsertKeyWithValue(t, expected, *c, *s, adjust, dt, tangentTolerance);
            InsertKeysWhereDeviating(previous, t, c, s, tol, n, adjust, dt, tangentTolerance);
        }
        previous = t;
    }
}

KTime NextKeyTimeOfGroups(KTime t, KFCurveKeyGroup* groups, int groupCount, std::vector<int>& components)
{
    int64_t best = KTime::kInfinite;
    components.clear();
    for (int g = 0; g < groupCount; ++g)
    {
        for (int c = 0; c < 4; ++c)
        {
            KFCurve* curve = groups[g].curves[c];
            int& index = groups[g].index[c];
            if (curve == nullptr)
            {
                continue;
            }
            while (index < curve->GetKeyCount() && curve->GetKeyTime(index) <= t)
            {
                ++index;
            }
            if (index >= curve->GetKeyCount())
            {
                continue;
            }
            const int64_t candidate = curve->GetKeyTime(index).Get();
            const int component = g * 4 + c;
            if (candidate < best)
            {
                best = candidate;
                components.clear();
            }
            if (candidate == best &&
                std::find(components.begin(), components.end(), component) == components.end())
            {
                components.push_back(component);
            }
        }
    }
    return KTime(best);
}

bool MergeLayers(KFCurveNode* node, const int* list, int listCount, const int* second, int secondCount,
                 int flags, KTime start, KTime stop, KTime period)
{
    if (node == nullptr || node->GetNextLayer() == nullptr)
    {
        return false;
    }
    const std::vector<KFCurve*> curves = ValueCurves(*node);
    const int n = GetLayerValueCount(*node);
    if (curves.empty() || n <= 0)
    {
        return false;
    }
    const bool constant =
        list == nullptr && HasOnlyInterpolation(*node, KFCURVE_INTERPOLATION_CONSTANT, true);
    std::vector<int64_t> times;
    CollectKeyTimes(*node, true, times);
    times.erase(std::remove_if(times.begin(), times.end(),
                               [&](int64_t t) { return t < start.Get() || t > stop.Get(); }),
                times.end());
    times.push_back(start.Get());
    if (!constant && period.Get() > 0)
    {
        AppendSampleTimes(start.Get(), stop.Get(), period.Get(), times, KScnReadMeter::eMergeSamples,
                          curves.size());
        times.push_back(stop.Get());
    }
    SortUnique(times);

    std::vector<std::vector<double>> values(static_cast<size_t>(n));
    std::vector<double> sample(static_cast<size_t>(std::max(n, 4)), 0.0);
    std::vector<double> previous;
    for (int64_t t : times)
    {
        if (list == nullptr)
        {
            StackValue(*node, KTime(t), sample.data());
        }
        else
        {
            std::vector<double> base(sample.size(), 0.0);
            OwnLayerValues(*node, KTime(t), base.data());
            EvaluateLayerStack(node->GetNextLayer(), base.data(), KTime(t), list, listCount, 0);
            EvaluateMergedValue(*node, sample.data(), base.data(), KTime(t), nullptr, 0, second, secondCount,
                                nullptr);
        }
        if (node->GetLayerType() == eKFCurveNodeLayerEulerRotation && !previous.empty())
        {
            int axes[3];
            KFCurveNode::GetAxisOrder(node->GetRotationOrder(), axes);
            KFCurveNode::ClosestEuler(sample.data(), previous.data(), sample.data(), axes);
        }
        previous.assign(sample.begin(), sample.begin() + 3);
        for (int i = 0; i < n; ++i)
        {
            values[static_cast<size_t>(i)].push_back(sample[static_cast<size_t>(i)]);
        }
    }
    for (int i = 0; i < n; ++i)
    {
        WriteKeys(*curves[static_cast<size_t>(i)], times, values[static_cast<size_t>(i)], constant);
    }
    if ((flags & KFCURVE_MERGE_INTO_TARGET) != 0)
    {
        node->SetNextLayer(nullptr, true);
    }
    node->InvalidateChannelCache();
    return true;
}

void ApplyImportPass(KFCurveNode* root)
{
    if (root == nullptr)
    {
        return;
    }
    // Warps first, into the base curves and every layer they act on; then
    // the layers, merged from plain curves. Only the channels baked or
    // merged are filtered: the others keep their keys as read.
    std::vector<KFCurveNode*> chain;
    std::vector<KFCurveNode*> changed;
    BakeWarps(*root, chain, false, changed);
    MergePass(*root, changed);
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    // A channel inside another changed one is filtered with it, once.
    std::vector<KFCurveNode*> filtered;
    for (KFCurveNode* node : changed)
    {
        if (!HasAncestorIn(*node, changed))
        {
            filtered.push_back(node);
        }
    }
    for (KFCurveNode* node : filtered)
    {
        FilterChanged(*node);
    }
}

} // namespace scenesdk
