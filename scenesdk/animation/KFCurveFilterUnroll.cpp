#include "scenesdk/animation/KFCurveFilterUnroll.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterRotation.h"
#include "scenesdk/animation/KFCurveInternal.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KgeMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace scenesdk
{

namespace
{

const char* const kMessages[] = {"No key", "Left unchanged", "Need rotation curvenode", "Unexepected"};
const char* const kNeedRotation = "Unroll Filter, Works only on rotation CurveNodes.";
const char* const kNoKey = "Unroll Filter, No key to be filtered.";

struct NodeDeleter
{
    void operator()(KFCurveNode* node) const { delete node; }
};

// Layer type 2, and each of the "X", "Y", "Z" descendants that exists
// carries a curve.
bool IsRotationNode(const KFCurveNode& node)
{
    if (node.GetLayerType() != eKFCurveNodeLayerEulerRotation)
    {
        return false;
    }
    static const char* const kNames[3] = {"X", "Y", "Z"};
    for (const char* name : kNames)
    {
        const KFCurveNode* child = node.FindDescendant(name);
        if (child != nullptr && child->GetFCurve() == nullptr)
        {
            return false;
        }
    }
    return true;
}

// Whether the three curves hold as many keys, at the same strictly
// increasing times: their keys are then the synchronised keys the filter
// works on, and a whole-time-line replacement by them keeps every key in
// its place.
bool SameIncreasingTimes(KFCurve* const* curves)
{
    const int count = curves[0]->GetKeyCount();
    if (curves[1]->GetKeyCount() != count || curves[2]->GetKeyCount() != count)
    {
        return false;
    }
    for (int k = 0; k < count; ++k)
    {
        const KTime t = curves[0]->GetKeyTime(k);
        if (curves[1]->GetKeyTime(k) != t || curves[2]->GetKeyTime(k) != t ||
            (k > 0 && !(curves[0]->GetKeyTime(k - 1) < t)))
        {
            return false;
        }
    }
    return true;
}

} // namespace

KFCurveFilterUnroll::KFCurveFilterUnroll() : KFCurveFilter("Unroll Filter", kMessages, 4)
{
    Reset();
}

void KFCurveFilterUnroll::Reset()
{
    mQuality = GetUnrollQualityDefault();
    mPathFlag = GetUnrollPathFlagDefault();
    KFCurveFilter::Reset();
}

void KFCurveFilterUnroll::ClosestTriple(double* out, const double* prev, const double* cur, const int* axes)
{
    KFCurveNode::ClosestEuler(out, prev, cur, axes);
}

double KFCurveFilterUnroll::PathMeasure(const double* prev, const double* next)
{
    double d2 = 0.0;
    for (int i = 0; i < 3; ++i)
    {
        d2 += (next[i] - prev[i]) * (next[i] - prev[i]);
    }
    double a[16], b[16], r[16];
    KgeMatrixIdentity(a);
    KgeMatrixIdentity(b);
    KgeMatrixIdentity(r);
    KgeMatrixFromEuler(a, prev);
    KgeMatrixFromEuler(b, next);
    KgeRotationMultiplyTransposed(r, b, a); // R(prev) times the transpose of R(next)
    const double t = (r[0] + r[5] + r[10] + 1.0) / 4.0;
    const double w = t <= 1e-10 ? 0.0 : std::sqrt(std::min(t, 1.0));
    const double theta = std::acos(w) * 114.59155902616465;
    return d2 > 2.220446049250313e-16 ? theta * theta / d2 : 100.0;
}

void KFCurveFilterUnroll::UnrollKeys(KFCurve* const* curves, int first, int last, int order, bool* changed) const
{
    int axes[3];
    KFCurveNode::GetAxisOrder(order, axes);
    double prev[3] = {0.0, 0.0, 0.0};
    if (first > 0)
    {
        for (int c = 0; c < 3; ++c)
        {
            prev[c] = curves[c]->GetKeyValue(first);
        }
    }
    std::fill(changed, changed + 3, false);
    for (int k = first; k <= last; ++k)
    {
        KFKeyRecord* keys[3] = {curves[0]->GetKey(k), curves[1]->GetKey(k), curves[2]->GetKey(k)};
        double cur[3];
        for (int c = 0; c < 3; ++c)
        {
            cur[c] = keys[c] != nullptr ? keys[c]->mValue : 0.0;
        }
        double result[3] = {cur[0], cur[1], cur[2]};
        if (order != KFCURVENODE_ROTATION_SPHERIC)
        {
            ClosestTriple(result, prev, cur, axes);
        }
        for (int c = 0; c < 3; ++c)
        {
            const float value = static_cast<float>(result[c]);
            if (keys[c] != nullptr && std::memcmp(&value, &keys[c]->mValue, sizeof value) != 0)
            {
                keys[c]->mValue = value;
                changed[c] = true;
            }
        }
        if (!mPathFlag || PathMeasure(prev, result) >= mQuality)
        {
            std::copy(result, result + 3, prev);
        }
    }
    for (int c = 0; c < 3; ++c)
    {
        if (changed[c])
        {
            curves[c]->EmptyCache();
        }
    }
}

void KFCurveFilterUnroll::UnrollInPlace(KFCurveNode& node, KFCurve* const* curves) const
{
    const int count = curves[0]->GetKeyCount();
    // A single key is left as it is, as a span of one key is.
    if (count < 2)
    {
        return;
    }
    double before[3];
    node.EvaluateTree(before, KTime(KTime::kInfinite));
    float firstValues[3];
    for (int c = 0; c < 3; ++c)
    {
        firstValues[c] = curves[c]->GetKeyValue(0);
    }
    bool changed[3];
    UnrollKeys(curves, 0, count - 1, node.GetRotationOrder(), changed);

    // What the replacement of the whole time line by the unrolled keys does
    // besides: the new keys are joined to the channel's old values after
    // its end, and where that join flips the middle angle, the slope
    // leaving the last key of a user tangent of that curve is reflected.
    double after[3];
    node.EvaluateTree(after, KTime(KTime::kInfinite));
    double offsets[3];
    const bool flip = node.GetRotationOffset(offsets, before, after);
    KFKeyRecord& last = *curves[1]->GetKey(count - 1);
    if (flip && std::fabs(static_cast<float>(offsets[1])) > fcurve_detail::kOffsetEpsilon &&
        last.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC && fcurve_detail::IsUserKind(last.GetTangentMode()))
    {
        last.mData[1] = -last.mData[1];
        changed[1] = true;
    }
    // And each curve's default value becomes its old first value (the value
    // a curve emptied of its keys keeps). A curve left as it was hears of
    // nothing.
    bool any = false;
    for (int c = 0; c < 3; ++c)
    {
        const float old = curves[c]->GetDefaultValue();
        if (!changed[c] && std::memcmp(&old, &firstValues[c], sizeof old) == 0)
        {
            continue;
        }
        any = true;
        KFCurve& curve = *curves[c];
        curve.BeginKeyChanges();
        curve.EmptyCache();
        curve.SetDefaultValue(firstValues[c]);
        curve.FireEvent(KFCURVEEVENT_KEY_REPLACED, 0);
        curve.FireEvent(KFCURVEEVENT_KEY_REPLACED, count - 1);
        curve.EndKeyChanges();
    }
    if (any)
    {
        node.InvalidateChannelCache();
    }
}

bool KFCurveFilterUnroll::ApplyToCurve(KFCurve&)
{
    SetError(eNeedRotationNode, kNeedRotation);
    return false;
}

bool KFCurveFilterUnroll::ApplyToCurves(KFCurve** curves, int count)
{
    if (curves == nullptr || count != 3 || !curves[0] || !curves[1] || !curves[2])
    {
        SetError(eNeedRotationNode, kNeedRotation);
        return false;
    }
    KFCurveFilterRotationNode node(curves);
    if (node.Get() == nullptr)
    {
        SetError(eUnexpected, "Unroll Filter, Unexpected error.");
        return false;
    }
    return ApplyToNode(*node.Get(), true);
}

bool KFCurveFilterUnroll::ApplyToNode(KFCurveNode& node, bool)
{
    KFCurve* curves[3];
    if (!IsRotationNode(node) || !KFCurveFilterRotationCurves(node, curves))
    {
        SetError(eNeedRotationNode, kNeedRotation);
        return false;
    }
    if (node.KeyGetCount(false) == 0)
    {
        SetError(eNoKey, kNoKey);
        return false;
    }

    if (GetStartTime().Get() <= KTime::kMinusInfinite && GetStopTime().Get() == KTime::kInfinite &&
        node.IsEulerTriple() && SameIncreasingTimes(curves))
    {
        UnrollInPlace(node, curves);
        return true;
    }

    // The span the keys really cover.
    KTime first(KTime::kInfinite), last(KTime::kMinusInfinite);
    for (KFCurve* curve : curves)
    {
        if (curve->GetKeyCount() > 0)
        {
            first = std::min(first, curve->GetKeyTime(0));
            last = std::max(last, curve->GetKeyTime(curve->GetKeyCount() - 1));
        }
    }
    const KTime start = std::max(GetStartTime(), first);
    const KTime stop = std::min(GetStopTime(), last);

    std::unique_ptr<KFCurveNode, NodeDeleter> copy(KMade(node.Clone(false)));
    KFCurve* work[3];
    if (!copy || !KFCurveFilterRotationCurves(*copy, work))
    {
        SetError(eUnexpected, "Unroll Filter, Unexpected error.");
        return false;
    }
    KFCurveFilterSyncRotation(work, GetStartTime(), GetStopTime());

    const int i0 = work[0]->GetKeyCount() == 0 ? -1 : int(std::trunc(work[0]->FindKey(start)));
    const int i1 = work[0]->GetKeyCount() == 0 ? -1 : int(std::trunc(work[0]->FindKey(stop)));
    if (i0 < 0 || i1 < 0)
    {
        SetError(eNoKey, kNoKey);
        return false;
    }

    bool changed[3];
    UnrollKeys(work, i0, i1, node.GetRotationOrder(), changed);
    if (i0 == i1)
    {
        return true;
    }
    node.ReplaceKeysInSpan(*copy, GetStartTime(), GetStopTime());
    return true;
}

} // namespace scenesdk
