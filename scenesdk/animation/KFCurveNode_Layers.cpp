// KFCurveNode: layer chains, time warps, the evaluation cache and the
// evaluation of a whole channel.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KSortedIntMap.h"
#include "scenesdk/kernel/KgeMath.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace scenesdk
{

namespace
{

// One per thread: each thread with a manager of its own reads its own files.
thread_local KSortedIntMap* gTimeWarpSet = nullptr;

} // namespace

void SetCurrentTimeWarpSet(KSortedIntMap* map)
{
    gTimeWarpSet = map;
}

KSortedIntMap* GetCurrentTimeWarpSet()
{
    return gTimeWarpSet;
}

KFCurveNode* FindTimeWarpById(int id)
{
    if (gTimeWarpSet == nullptr)
    {
        return nullptr;
    }
    const int n = gTimeWarpSet->GetCount();
    for (int i = 0; i < n; ++i)
    {
        uint32_t key = 0;
        const uintptr_t value = gTimeWarpSet->GetAt(i, &key);
        if (key == static_cast<uint32_t>(id))
        {
            return reinterpret_cast<KFCurveNode*>(value);
        }
    }
    return nullptr;
}

// ---- Layer type and chain ----

void KFCurveNode::SetLayerType(int type, KFCurveNode* owner)
{
    if (type == mLayerType)
    {
        return;
    }
    const int count = GetChildCount();
    const int wanted = type == eKFCurveNodeLayerEulerRotation ? 3
                       : type == eKFCurveNodeLayerQuaternion  ? 4
                                                              : count;
    if (wanted != count)
    {
        if (count == 3 && type == eKFCurveNodeLayerQuaternion)
        {
            std::unique_ptr<KFCurveNode> made(Create("W", KDataTypeNumber::Get(), 0, mLayerId)); // ours until added
            if (made != nullptr)
            {
                if (AddChild(made.get()) >= 0)
                {
                    KFCurveNode* w = made.release();
                    w->SetFCurve(KFCurve::Create(), false);
                    if (owner != nullptr)
                    {
                        w->mLayerOwner = owner;
                    }
                }
            }
        }
        else if (count == 4 && mLayerType == eKFCurveNodeLayerQuaternion &&
                 type == eKFCurveNodeLayerEulerRotation)
        {
            DeleteChildAt(3);
        }
    }
    mLayerType = type;
}

void KFCurveNode::SetNextLayer(KFCurveNode* node, bool deleteOld)
{
    if (node == mNextLayer || node == this)
    {
        return;
    }
    if (deleteOld && mNextLayer != nullptr)
    {
        delete mNextLayer;
    }
    mNextLayer = node;
    mLayerOwner->NotifyChange(KFCURVENODE_CHANGE_LAYERS);
}

void KFCurveNode::SetTimeWarp(KFCurveNode* node)
{
    if (node == mTimeWarp)
    {
        return;
    }
    // A warp reaching back to this node would evaluate forever.
    for (const KFCurveNode* w = node; w != nullptr; w = w->mTimeWarp)
    {
        if (w == this)
        {
            return;
        }
    }
    if (mTimeWarp != nullptr)
    {
        KFCurveNode* old = mTimeWarp;
        mTimeWarp = nullptr;
        old->ReleaseReference();
    }
    mTimeWarp = node;
    if (mTimeWarp != nullptr)
    {
        mTimeWarp->AddReference();
    }
    NotifyChange(KFCURVENODE_CHANGE_TIMEWARP);
}

KFCurveNode* KFCurveNode::GetLayer(int layerId)
{
    KFCurveNode* node = this;
    if (node->mLayerId == layerId)
    {
        return node;
    }
    while (node != nullptr && node->mLayerId < layerId)
    {
        node = node->mNextLayer;
    }
    return (node != nullptr && node->mLayerId == layerId) ? node : nullptr;
}

namespace
{

// Gives the layer's curves the neutral values of the base's layer type (and
// the base curves' colours): the own curve the first value, the curve of
// child i value i.
void SetNeutralDefaults(const KFCurveNode& base, KFCurveNode& layer)
{
    std::vector<double> neutral(static_cast<size_t>(std::max(base.GetChildCount(), 4)), 0.0);
    base.GetLayerNeutralValues(neutral.data());
    if (base.GetFCurve() != nullptr && layer.GetFCurve() != nullptr)
    {
        layer.GetFCurve()->SetDefaultValue(static_cast<float>(neutral[0]));
        layer.GetFCurve()->SetColor(base.GetFCurve()->GetColor());
    }
    const int n = std::min(base.GetChildCount(), layer.GetChildCount());
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* mine = base.GetChildAt(i);
        KFCurveNode* theirs = layer.GetChildAt(i);
        if (mine != nullptr && mine->GetFCurve() != nullptr && theirs != nullptr &&
            theirs->GetFCurve() != nullptr)
        {
            theirs->GetFCurve()->SetDefaultValue(static_cast<float>(neutral[static_cast<size_t>(i)]));
            theirs->GetFCurve()->SetColor(mine->GetFCurve()->GetColor());
        }
    }
}

} // namespace

// A shape copy of this node with empty curves whose defaults are the layer
// type's neutral values, ready to be linked into the chain.
KFCurveNode* KFCurveNode::MakeLayer(int layerId) const
{
    std::unique_ptr<KFCurveNode> layer(CloneTree(false, false, true, layerId)); // ours until handed out
    if (layer != nullptr)
    {
        SetNeutralDefaults(*this, *layer);
    }
    return layer.release();
}

void KFCurveNode::AddLayerShape(const KFCurveNode& base, int layerId)
{
    if (base.mCurve != nullptr && mCurve == nullptr)
    {
        SetFCurve(KFCurve::Create(), false);
    }
    for (int i = 0; i < base.GetChildCount(); ++i)
    {
        const KFCurveNode* child = base.GetChildAt(i);
        std::unique_ptr<KFCurveNode> copy(child != nullptr ? child->CloneTree(false, false, true, layerId) : nullptr);
        if (copy != nullptr && AddChild(copy.get()) >= 0)
        {
            copy.release();
        }
    }
    SetNeutralDefaults(base, *this);
}

KFCurveNode* KFCurveNode::CreateLayer(int layerId, bool deleteOld)
{
    if (!IsLayered())
    {
        return nullptr;
    }
    KFCurveNode* layer = MakeLayer(layerId);
    if (layer != nullptr)
    {
        SetNextLayer(layer, deleteOld);
    }
    return layer;
}

// Keeps the chain in ascending ids: a layer is never put before the node
// the walk starts on.
void KFCurveNode::AddLayer(int layerId)
{
    if (!IsLayered() || layerId == mLayerId)
    {
        return;
    }
    if (mNextLayer == nullptr)
    {
        if (layerId > mLayerId)
        {
            CreateLayer(layerId, true);
            mLayerOwner->NotifyChange(KFCURVENODE_CHANGE_LAYERS);
        }
        return;
    }
    KFCurveNode* walk = this;
    if (walk->mLayerId > layerId)
    {
        return;
    }
    while (walk->mNextLayer != nullptr && walk->mNextLayer->mLayerId < layerId)
    {
        walk = walk->mNextLayer;
    }
    KFCurveNode* next = walk->mNextLayer;
    if (next != nullptr && next->mLayerId <= layerId)
    {
        return;
    }
    if (next == nullptr)
    {
        walk->CreateLayer(layerId, true);
    }
    else
    {
        KFCurveNode* layer = walk->MakeLayer(layerId);
        if (layer == nullptr)
        {
            return;
        }
        layer->mNextLayer = next;
        walk->mNextLayer = layer;
    }
    mLayerOwner->NotifyChange(KFCURVENODE_CHANGE_LAYERS);
}

int KFCurveNode::GetLayerNeutralValues(double* out) const
{
    int n = GetChildCount();
    if (n == 0 && mCurve != nullptr)
    {
        n = 1;
    }
    switch (mLayerType)
    {
    case eKFCurveNodeLayerNormal:
    case eKFCurveNodeLayerAdditive:
    case eKFCurveNodeLayerEulerRotation:
        std::fill(out, out + n, 0.0);
        return n;
    case eKFCurveNodeLayerMultiply:
        std::fill(out, out + n, 1.0);
        return n;
    case eKFCurveNodeLayerQuaternion:
        KgeVector4Set(out, 0.0, 0.0, 0.0, 1.0);
        return 4;
    default:
        return 0;
    }
}

void KFCurveNode::SetQuaternionInterpolation(bool on)
{
    for (KFCurveNode* node = this; node != nullptr; node = node->mNextLayer)
    {
        node->mQuaternionInterpolation = on ? 1 : 0;
    }
    mLayerOwner->InvalidateCache(0, true);
    mLayerOwner->NotifyChange(KFCURVENODE_CHANGE_LAYERS);
}

void KFCurveNode::SetRotationOrder(int order)
{
    for (KFCurveNode* node = this; node != nullptr; node = node->mNextLayer)
    {
        node->mRotationOrder = order;
    }
}

// ---- Cache ----

bool KFCurveNode::InvalidateCache(int layerId, bool allLayers)
{
    const int e = EffectiveLayerId(layerId);
    if (e == mLayerId)
    {
        if (mCurve != nullptr)
        {
            mCurve->EmptyCache();
        }
        mCachedTime = KTime(KTime::kInfinite);
        mCacheState = 1;
        const int n = GetChildCount();
        for (int i = 0; i < n; ++i)
        {
            if (KFCurveNode* child = GetChildAt(i))
            {
                child->InvalidateCache(e, allLayers);
            }
        }
        if (allLayers)
        {
            InvalidateNextLayers();
        }
    }
    else if (mNextLayer != nullptr && mNextLayer->mLayerId <= e)
    {
        mNextLayer->InvalidateCache(e, allLayers);
    }
    return true;
}

void KFCurveNode::ForgetOwnCache()
{
    if (mCurve != nullptr)
    {
        mCurve->EmptyCache();
    }
    mCachedTime = KTime(KTime::kInfinite);
    mCacheState = 1;
}

void KFCurveNode::InvalidateChannelCache()
{
    InvalidateCache(mLayerId, true);
    if (mLayerId != 0)
    {
        ForgetOwnCache(); // a layer node of a chain that is not flagged layered
    }
    for (KFCurveNode* node = mParent; node != nullptr; node = node->mParent)
    {
        node->ForgetOwnCache();
    }
    if (mLayerOwner != nullptr && mLayerOwner != this)
    {
        for (KFCurveNode* node = mLayerOwner; node != nullptr; node = node->mParent)
        {
            node->ForgetOwnCache();
        }
    }
}

void KFCurveNode::InvalidateNextLayers()
{
    if (mNextLayer != nullptr)
    {
        mNextLayer->InvalidateNextLayers();
        mNextLayer->InvalidateCache(mNextLayer->mLayerId, false);
    }
}

// The cache serves only base nodes, and only while the node still writes as
// many values as were stored (a tree reshaped since cannot overrun the
// caller's array).
bool KFCurveNode::CacheHit(KTime time) const
{
    return mCacheState == 2 && mLayerId == 0 &&
           (mCachedTime == time || (mFlags & KFCURVENODE_FLAG_CACHE_ALWAYS_VALID) != 0) &&
           mCachedCount == GetEvaluatedValueCount();
}

void KFCurveNode::StoreCache(KTime time, const double* values, int n)
{
    if (n > 4)
    {
        // Too wide for the four cached values: stays uncached.
        mCacheState = 1;
        mCachedTime = KTime(KTime::kInfinite);
        return;
    }
    mCacheState = 2;
    mCachedTime = time;
    mCachedCount = n;
    std::copy(values, values + n, mCachedValues);
}

// ---- Evaluation ----

KTime KFCurveNode::WarpTime(KTime time, bool useCache)
{
    KFCurveNode* warp = mTimeWarp;
    if (warp == nullptr || warp->mWarping)
    {
        return time;
    }
    std::vector<double> value(static_cast<size_t>(std::max(warp->GetEvaluatedValueCount(), 1)), 0.0);
    int hint = 0;
    warp->mWarping = true;
    const double* end = warp->Evaluate(value.data(), time, &hint, useCache);
    warp->mWarping = false;
    if (end > value.data())
    {
        time.SetSeconds(value[0]);
    }
    return time;
}

// Combines the nV values v of this node with the next layer's combined
// values. out points at the node's own curve value when it has one.
void KFCurveNode::CombineLayer(double* out, double* v, int nV, KTime time, bool useCache)
{
    const int nL = mNextLayer->GetEvaluatedValueCount();
    std::vector<double> layer(static_cast<size_t>(std::max(nL, 4)), 0.0);
    const int written =
        static_cast<int>(mNextLayer->Evaluate(layer.data(), time, nullptr, useCache) - layer.data());
    const double* l = layer.data();
    if (mCurve != nullptr)
    {
        if (written < 1)
        {
            return;
        }
        if (mLayerType == eKFCurveNodeLayerNormal || mLayerType == eKFCurveNodeLayerAdditive)
        {
            out[0] += l[0];
        }
        else if (mLayerType == eKFCurveNodeLayerMultiply)
        {
            out[0] *= l[0];
        }
        return;
    }
    const int m = std::min(nV, written);
    switch (mLayerType)
    {
    case eKFCurveNodeLayerNormal:
    case eKFCurveNodeLayerAdditive:
        for (int i = 0; i < m; ++i)
        {
            v[i] += l[i];
        }
        break;
    case eKFCurveNodeLayerMultiply:
        for (int i = 0; i < m; ++i)
        {
            v[i] *= l[i];
        }
        break;
    case eKFCurveNodeLayerEulerRotation:
        if (m >= 3)
        {
            ComposeEuler(mRotationOrder, v, v, l);
        }
        break;
    case eKFCurveNodeLayerQuaternion:
        if (m >= 4)
        {
            KgeQuaternionMultiply(v, v, l);
        }
        break;
    default:
        break;
    }
}

double* KFCurveNode::EvaluateChildren(double* out, KTime time, int* hint, bool useCache)
{
    for (int i = 0; i < GetChildCount(); ++i)
    {
        if (KFCurveNode* child = GetChildAt(i))
        {
            out = child->Evaluate(out, time, hint, useCache);
        }
    }
    return out;
}

double* KFCurveNode::Evaluate(double* out, KTime time, int* hint, bool useCache)
{
    int localHint = 0;
    if (hint == nullptr)
    {
        hint = &localHint;
    }
    time = WarpTime(time, useCache);
    if (useCache && CacheHit(time))
    {
        std::copy(mCachedValues, mCachedValues + mCachedCount, out);
        return out + mCachedCount;
    }
    double* const start = out;
    if (mCurve != nullptr)
    {
        *out++ = useCache ? mCurve->EvaluateCached(time, hint) : mCurve->Evaluate(time, hint);
    }
    const bool quaternionBase = mLayerId == 0 && mLayerType == eKFCurveNodeLayerQuaternion;
    std::vector<double> quaternion;
    double* v = out;
    int nV = 0;
    if (quaternionBase)
    {
        // The children write into a local quaternion, however many values
        // they have.
        int childValues = 0;
        for (int i = 0; i < GetChildCount(); ++i)
        {
            if (const KFCurveNode* child = GetChildAt(i))
            {
                childValues += child->GetEvaluatedValueCount();
            }
        }
        quaternion.assign(static_cast<size_t>(std::max(childValues, 4)), 0.0);
        quaternion[3] = 1.0;
        v = quaternion.data();
        EvaluateChildren(v, time, hint, useCache);
        nV = 4;
    }
    else if (mLayerType == eKFCurveNodeLayerEulerRotation)
    {
        nV = static_cast<int>(EvaluateQuaternionRotation(out, time, hint, useCache) - out);
    }
    else
    {
        nV = static_cast<int>(EvaluateChildren(out, time, hint, useCache) - out);
    }
    if (mNextLayer != nullptr)
    {
        CombineLayer(start, v, nV, time, useCache);
    }
    if (quaternionBase)
    {
        double m[16];
        KgeMatrixIdentity(m);
        KgeMatrixFromQuaternion(m, v);
        KgeMatrixToEulerXYZ(out, m);
        out += 3;
    }
    else
    {
        out += nV;
    }
    if (useCache && mLayerId == 0)
    {
        StoreCache(time, start, static_cast<int>(out - start));
    }
    return out;
}

double* KFCurveNode::EvaluateLayer(double* out, KTime time, int layerId, int* hint)
{
    const int e = EffectiveLayerId(layerId);
    KFCurveNode* node = GetLayer(e);
    if (node == nullptr)
    {
        return out;
    }
    if (node->mCurve != nullptr)
    {
        *out++ = node->mCurve->Evaluate(time, hint);
    }
    if (node->mLayerType == eKFCurveNodeLayerEulerRotation)
    {
        return node->EvaluateQuaternionRotation(out, time, hint, false);
    }
    for (int i = 0; i < node->GetChildCount(); ++i)
    {
        if (KFCurveNode* child = node->GetChildAt(i))
        {
            out = child->EvaluateLayer(out, time, layerId, hint);
        }
    }
    return out;
}

// ---- Copies with layers ----

void KFCurveNode::CopyFrom(KFCurveNode& source, bool takeCurves)
{
    if (&source == this)
    {
        return;
    }
    mCachedTime = source.mCachedTime;
    mCacheState = source.mCacheState;
    mCachedCount = source.mCachedCount;
    std::memcpy(mCachedValues, source.mCachedValues, sizeof(mCachedValues));
    if (source.mCurve != nullptr)
    {
        if (takeCurves)
        {
            KFCurve* curve = source.mCurve;
            SetFCurve(curve, true);
            source.SetFCurve(nullptr, false);
        }
        else if (mCurve != nullptr)
        {
            mCurve->CopyFrom(*source.mCurve, true);
        }
        else
        {
            SetFCurve(source.mCurve->Copy(), false);
        }
    }
    SetLayerType(source.mLayerType, nullptr);
    const int n = std::min(GetChildCount(), source.GetChildCount());
    for (int i = 0; i < n; ++i)
    {
        KFCurveNode* mine = GetChildAt(i);
        KFCurveNode* theirs = source.GetChildAt(i);
        if (mine != nullptr && theirs != nullptr)
        {
            mine->CopyFromWithLayers(*theirs, takeCurves);
        }
    }
}

void KFCurveNode::CopyFromWithLayers(KFCurveNode& source, bool takeCurves)
{
    CopyFrom(source, takeCurves);
    CopyLayersFrom(source, takeCurves);
}

void KFCurveNode::CopyLayersFrom(KFCurveNode& source, bool takeCurves)
{
    if (&source == this)
    {
        return;
    }
    if (source.mNextLayer == nullptr)
    {
        SetNextLayer(nullptr, true);
        return;
    }
    const int wanted = source.mNextLayer->mLayerId;
    for (;;)
    {
        KFCurveNode* next = mNextLayer;
        if (next == nullptr || next->mLayerId > wanted)
        {
            if (!IsLayered())
            {
                return;
            }
            KFCurveNode* layer = MakeLayer(wanted);
            if (layer == nullptr)
            {
                return;
            }
            layer->mNextLayer = next;
            mNextLayer = layer;
            mLayerOwner->NotifyChange(KFCURVENODE_CHANGE_LAYERS);
        }
        else if (next->mLayerId < wanted)
        {
            mNextLayer = next->mNextLayer;
            next->mNextLayer = nullptr;
            delete next;
        }
        else
        {
            break;
        }
    }
    mNextLayer->CopyFromWithLayers(*source.mNextLayer, takeCurves);
}

} // namespace scenesdk
