#include "scenesdk/animation/KFCurveFilterUnroll.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterRotation.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KgeMath.h"

#include <algorithm>
#include <cmath>
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

    const int order = node.GetRotationOrder();
    int axes[3];
    KFCurveNode::GetAxisOrder(order, axes);
    double prev[3] = {0.0, 0.0, 0.0};
    if (i0 > 0)
    {
        for (int c = 0; c < 3; ++c)
        {
            prev[c] = work[c]->GetKeyValue(i0);
        }
    }
    for (int k = i0; k <= i1; ++k)
    {
        const double cur[3] = {work[0]->GetKeyValue(k), work[1]->GetKeyValue(k), work[2]->GetKeyValue(k)};
        double result[3] = {cur[0], cur[1], cur[2]};
        if (order != KFCURVENODE_ROTATION_SPHERIC)
        {
            ClosestTriple(result, prev, cur, axes);
        }
        for (int c = 0; c < 3; ++c)
        {
            work[c]->SetKeyValue(k, static_cast<float>(result[c]));
        }
        if (!mPathFlag || PathMeasure(prev, result) >= mQuality)
        {
            std::copy(result, result + 3, prev);
        }
    }
    if (i0 == i1)
    {
        return true;
    }
    node.ReplaceKeysInSpan(*copy, GetStartTime(), GetStopTime());
    return true;
}

} // namespace scenesdk
