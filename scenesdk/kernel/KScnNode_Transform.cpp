// KScnNode: pivot sets, limits and transform evaluation.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/kernel/KScnNode.h"

#include <vector>

namespace scenesdk
{

namespace
{

bool AnyXYZ(const KgeTVector& v)
{
    return v.mData[0] != 0.0 || v.mData[1] != 0.0 || v.mData[2] != 0.0;
}

void SetRecordRotation(double* m, uint32_t& flags, uint32_t flag, const KgeTVector& angles)
{
    KgeMatrixIdentity(m);
    KgeMatrixFromEulerXYZ(m, angles.mData[0], angles.mData[1], angles.mData[2]);
    flags = AnyXYZ(angles) ? (flags | flag) : (flags & ~flag);
}

void SetEvalVector(double* out, uint32_t& flags, uint32_t flag, const KgeTVector& v)
{
    for (int i = 0; i < 3; ++i)
    {
        out[i] = v.mData[i];
    }
    flags = AnyXYZ(v) ? (flags | flag) : (flags & ~flag);
}

// 3x3 product a b (4x4 storage, row-major); out may be a or b.
void Mul3(double* out, const double* a, const double* b)
{
    double r[9];
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            r[3 * i + j] = a[4 * i] * b[j] + a[4 * i + 1] * b[4 + j] + a[4 * i + 2] * b[8 + j];
        }
    }
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            out[4 * i + j] = r[3 * i + j];
        }
    }
}

void Diagonal(double* m, double x, double y, double z)
{
    KgeMatrixIdentity(m);
    m[0] = x;
    m[5] = y;
    m[10] = z;
}

bool Near(const KgeTVector& v, double x, double y, double z)
{
    const double target[3] = {x, y, z};
    return KgeVectorCompare(v.mData, target, 1e-6) == 0;
}

double Inverse(double v)
{
    return v != 0.0 ? 1.0 / v : 0.0;
}

} // namespace

// ---- Pivot sets ----------------------------------------------------------------

KScnNodePivotSet* KScnNode::GetSet(int set)
{
    return set == 0 || set == 1 ? &mProperties->GetPivotSet(set) : nullptr;
}

const KScnNodePivotSet* KScnNode::GetSet(int set) const
{
    const KScnNodeProperties* properties = mProperties;
    return set == 0 || set == 1 ? &properties->GetPivotSet(set) : nullptr;
}

KgeTVector KScnNode::GetPivotVector(int set, int which) const
{
    const KScnNodePivotSet* pivot = GetSet(set);
    if (pivot == nullptr || which < 0 || which >= KScnNodePivotSet::eVectorCount)
    {
        return KgeTVector(0.0, 0.0, 0.0, 0.0);
    }
    return pivot->mVectors[which];
}

void KScnNode::SetPivotVector(int set, int which, const KgeTVector& v)
{
    KScnNodePivotSet* pivot = GetSet(set);
    if (pivot == nullptr)
    {
        return;
    }
    pivot->mVectors[which] = v;
    if (set != 0)
    {
        return;
    }
    KScnNodePivotEval& eval = mProperties->GetPivotEval();
    switch (which)
    {
    case KScnNodePivotSet::eTranslationOffset:
        SetEvalVector(eval.translationOffset, eval.flags, KScnNodePivotEval::kTranslationOffset, v);
        break;
    case KScnNodePivotSet::eRotationPivot:
        SetEvalVector(eval.rotationPivot, eval.flags, KScnNodePivotEval::kRotationPivot, v);
        break;
    case KScnNodePivotSet::eScalingOffset:
        SetEvalVector(eval.scalingOffset, eval.flags, KScnNodePivotEval::kScalingOffset, v);
        break;
    case KScnNodePivotSet::eScalingPivot:
        SetEvalVector(eval.scalingPivot, eval.flags, KScnNodePivotEval::kScalingPivot, v);
        break;
    case KScnNodePivotSet::ePreRotation:
        SetRecordRotation(eval.rotation.preRotation, eval.rotation.flags,
                          KgePivotRotationRecord::kPreRotation, v);
        break;
    case KScnNodePivotSet::ePostRotation:
        SetRecordRotation(eval.rotation.postRotation, eval.rotation.flags,
                          KgePivotRotationRecord::kPostRotation, v);
        break;
    default:
        break;
    }
}

void KScnNode::SetTranslationOffset(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eTranslationOffset, v);
}
void KScnNode::SetRotationPivot(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eRotationPivot, v);
}
void KScnNode::SetRotationPivotUpdateOffset(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eRotationPivotUpdateOffset, v);
}
void KScnNode::SetPreRotation(int set, const KgeTVector& angles)
{
    SetPivotVector(set, KScnNodePivotSet::ePreRotation, angles);
}
void KScnNode::SetPostRotation(int set, const KgeTVector& angles)
{
    SetPivotVector(set, KScnNodePivotSet::ePostRotation, angles);
}
void KScnNode::SetScalingOffset(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eScalingOffset, v);
}
void KScnNode::SetScalingPivot(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eScalingPivot, v);
}
void KScnNode::SetScalingPivotUpdateOffset(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eScalingPivotUpdateOffset, v);
}
void KScnNode::SetGeometricTranslation(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eGeometricTranslation, v);
}
void KScnNode::SetGeometricRotation(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eGeometricRotation, v);
}
void KScnNode::SetGeometricScaling(int set, const KgeTVector& v)
{
    SetPivotVector(set, KScnNodePivotSet::eGeometricScaling, v);
}

void KScnNode::SetRotationOrder(int set, int order)
{
    KScnNodePivotSet* pivot = GetSet(set);
    if (pivot == nullptr || order < eEulerXYZ || order > eSphericXYZ)
    {
        return;
    }
    pivot->mRotationOrder = order;
    if (set == 0)
    {
        mProperties->GetPivotEval().rotation.eulerCode = 2 * order;
    }
}

int KScnNode::GetRotationOrder(int set) const
{
    const KScnNodePivotSet* pivot = GetSet(set);
    return pivot != nullptr ? pivot->mRotationOrder : eEulerXYZ;
}

void KScnNode::SetRotationSpaceForLimitOnly(int set, bool on)
{
    KScnNodePivotSet* pivot = GetSet(set);
    if (pivot == nullptr)
    {
        return;
    }
    pivot->mRotationSpaceForLimitOnly = on;
    if (set == 0)
    {
        mProperties->GetPivotEval().rotation.rotationSpaceForLimitOnly = on;
    }
}

bool KScnNode::GetRotationSpaceForLimitOnly(int set) const
{
    const KScnNodePivotSet* pivot = GetSet(set);
    return pivot != nullptr && pivot->mRotationSpaceForLimitOnly;
}

void KScnNode::SetPivotState(int set, int state)
{
    if (KScnNodePivotSet* pivot = GetSet(set))
    {
        pivot->mState = state;
    }
}

int KScnNode::GetPivotState(int set) const
{
    const KScnNodePivotSet* pivot = GetSet(set);
    return pivot != nullptr ? pivot->mState : 0;
}

void KScnNode::SetTransformInheritType(int type)
{
    if (type < eInheritRrSs || type > eInheritRrs)
    {
        return;
    }
    mProperties->InheritType.SetValue(static_cast<ETransformInheritType>(type));
    mProperties->GetPivotEval().inheritType = type;
}

int KScnNode::GetTransformInheritType() const
{
    return mProperties->InheritType.GetValue();
}

// ---- Limits --------------------------------------------------------------------

void KScnNode::ClampLocalRotation(double* out, const double* in) const
{
    const KgeLimitRecord limits = mLimits->GetLimitRecord(KScnNodeLimits::eRotation);
    const KgePivotRotationRecord& record = GetRotationRecord();
    if (!record.rotationSpaceForLimitOnly)
    {
        KgeClampToLimits(limits, out, in);
        return;
    }
    // The rotation-active bit of the limit record, kept equal to the
    // property by KScnNodeLimits::SetRotationActive.
    const bool inRotationSpace = (limits.flags & 1u) != 0;
    double m[16];
    double angles[3];
    KgeMatrixIdentity(m);
    KgeMatrixFromEulerXYZ(m, in[0], in[1], in[2]);
    if (inRotationSpace)
        KgeAnglesFromPivotRecord(record, angles, m);
    else
        KgeMatrixToEulerXYZ(angles, m);
    KgeClampToLimits(limits, angles, angles);
    KgeMatrixIdentity(m);
    if (inRotationSpace)
        KgeRotationFromPivotRecord(record, m, angles);
    else
        KgeMatrixFromEulerXYZ(m, angles[0], angles[1], angles[2]);
    KgeMatrixToEulerXYZ(out, m);
}

void KScnNode::UpdatePivotsFromProperties()
{
    KScnNodeProperties& p = *mProperties;
    bool defaults = p.RotationOrder.GetValue() == eEulerXYZ && Near(p.GeometricScaling.GetValue(), 1, 1, 1);
    for (KPropertyTemplate<KgeTVector>* v :
         {&p.RotationOffset, &p.RotationPivot, &p.RotationPivotUpdateOffset, &p.ScalingOffset,
          &p.ScalingPivot, &p.ScalingPivotUpdateOffset, &p.PreRotation, &p.PostRotation,
          &p.GeometricTranslation, &p.GeometricRotation})
    {
        defaults = defaults && Near(v->GetValue(), 0, 0, 0);
    }
    if (!defaults)
    {
        SetRotationOrder(0, p.RotationOrder.GetValue());
        SetTranslationOffset(0, p.RotationOffset.GetValue());
        SetRotationPivot(0, p.RotationPivot.GetValue());
        SetRotationPivotUpdateOffset(0, p.RotationPivotUpdateOffset.GetValue());
        SetPreRotation(0, p.PreRotation.GetValue());
        SetPostRotation(0, p.PostRotation.GetValue());
        SetScalingOffset(0, p.ScalingOffset.GetValue());
        SetScalingPivot(0, p.ScalingPivot.GetValue());
        SetScalingPivotUpdateOffset(0, p.ScalingPivotUpdateOffset.GetValue());
        SetGeometricTranslation(0, p.GeometricTranslation.GetValue());
        SetGeometricRotation(0, p.GeometricRotation.GetValue());
        SetGeometricScaling(0, p.GeometricScaling.GetValue());
        SetRotationSpaceForLimitOnly(0, p.RotationSpaceForLimitOnly.GetValue());
        p.GetPivotSet(0).mState = 0;
        p.GetPivotSet(0).mReserved = false;
        p.ResetPivotSet(1);
    }
    // A node whose evaluation copy was never made reads the default type from it.
    if (p.InheritType.GetValue() != eInheritRrSs || p.HasPivotEval())
    {
        mProperties->GetPivotEval().inheritType = p.InheritType.GetValue();
    }

    struct Channel
    {
        KPropertyTemplate<bool>* active;
        KPropertyTemplate<bool>* flags[6];
        KPropertyTemplate<KgeTVector>* min;
        KPropertyTemplate<KgeTVector>* max;
    };
    const Channel channels[3] = {
        {&p.TranslationActive,
         {&p.TranslationMinX, &p.TranslationMinY, &p.TranslationMinZ, &p.TranslationMaxX, &p.TranslationMaxY,
          &p.TranslationMaxZ},
         &p.TranslationMin,
         &p.TranslationMax},
        {&p.RotationActive,
         {&p.RotationMinX, &p.RotationMinY, &p.RotationMinZ, &p.RotationMaxX, &p.RotationMaxY,
          &p.RotationMaxZ},
         &p.RotationMin,
         &p.RotationMax},
        {&p.ScalingActive,
         {&p.ScalingMinX, &p.ScalingMinY, &p.ScalingMinZ, &p.ScalingMaxX, &p.ScalingMaxY, &p.ScalingMaxZ},
         &p.ScalingMin,
         &p.ScalingMax}};
    for (int c = 0; c < 3; ++c)
    {
        const Channel& ch = channels[c];
        KScnNodeLimit wanted;
        wanted.SetMinActive(ch.flags[0]->GetValue(), ch.flags[1]->GetValue(), ch.flags[2]->GetValue());
        wanted.SetMaxActive(ch.flags[3]->GetValue(), ch.flags[4]->GetValue(), ch.flags[5]->GetValue());
        wanted.SetMin(ch.min->GetValue());
        wanted.SetMax(ch.max->GetValue());
        KScnNodeLimit* limit = mLimits->GetChannelLimits(c);
        if (*limit != wanted)
        {
            *limit = wanted;
        }
        const bool active = ch.active->GetValue();
        if (mLimits->GetChannelActive(c) != active)
        {
            if (c == KScnNodeLimits::eTranslation)
                mLimits->SetTranslationActive(active);
            else if (c == KScnNodeLimits::eRotation)
                mLimits->SetRotationActive(active);
            else
                mLimits->SetScalingActive(active);
        }
    }
}

// ---- Evaluation ----------------------------------------------------------------

void KScnNode::ReadLocalChannels(double* t, double* r, double* s)
{
    // Read through a const take: reading never copies a take's tree.
    KScnTakeNodeEntry* def = GetDefaultTakeNode();
    const KScnTakeNodeEntry* take = GetCurrentTakeNode();
    if (take == nullptr)
    {
        take = def;
    }
    double* outs[3] = {t, r, s};
    if (take != nullptr && take == def && def->IsBuildDeferred())
    {
        // A default tree that waits is not built to be read: a channel not
        // built yet would start from its property's value, which it reads.
        static const char* const kChannels[] = {"T", "R", "S"};
        static const char* const kProperties[] = {"Lcl Translation", "Lcl Rotation", "Lcl Scaling"};
        static const char* const kAxes[] = {"X", "Y", "Z"};
        for (int c = 0; c < 3; ++c)
        {
            double values[4];
            TransformChannelValues(kProperties[c], values);
            for (int axis = 0; axis < 3; ++axis)
            {
                const KFCurve* curve = def->FindBuiltCurve("Transform", kChannels[c], kAxes[axis]);
                outs[c][axis] =
                    curve != nullptr ? curve->GetDefaultValue() : static_cast<float>(values[axis]);
            }
        }
        t[3] = r[3] = s[3] = 1.0;
        return;
    }
    const KFCurve* curves[9] = {};
    if (take != nullptr)
    {
        const KFCurve* found[9] = {
            take->GetTranslationXCurve(), take->GetTranslationYCurve(), take->GetTranslationZCurve(),
            take->GetRotationXCurve(),    take->GetRotationYCurve(),    take->GetRotationZCurve(),
            take->GetScalingXCurve(),     take->GetScalingYCurve(),     take->GetScalingZCurve()};
        for (int i = 0; i < 9; ++i)
        {
            curves[i] = found[i];
        }
    }
    for (int i = 0; i < 9; ++i)
    {
        const double fallback = i >= 6 ? 1.0 : 0.0;
        outs[i / 3][i % 3] = curves[i] != nullptr ? curves[i]->GetDefaultValue() : fallback;
    }
    t[3] = r[3] = s[3] = 1.0;
}

const double* KScnNode::ComputeLocalTransform()
{
    KScnNodeTransformCache& cache = Cache();
    if (cache.mLocalValid)
    {
        return cache.mLocal;
    }
    double* t = cache.mLocalTranslation;
    double* r = cache.mLocalRotation;
    double* s = cache.mLocalScaling;
    ReadLocalChannels(t, r, s);
    mLimits->Clamp(KScnNodeLimits::eTranslation, t, t);
    ClampLocalRotation(r, r);
    mLimits->Clamp(KScnNodeLimits::eScaling, s, s);
    KgeMatrixIdentity(cache.mLocal);
    KgeMatrixFromTRS(cache.mLocal, t, r, s);
    cache.mLocalValid = true;
    NoteCacheValid();
    return cache.mLocal;
}

void KScnNode::ComputePivotOffset(double* o, const double* r, const double* s) const
{
    const KScnNodePivotEval& eval = GetPivotEval();
    o[0] = o[1] = o[2] = 0.0;
    if ((eval.flags & KScnNodePivotEval::kScalingPivot) != 0)
    {
        for (int i = 0; i < 3; ++i)
            o[i] = (1.0 - s[i]) * eval.scalingPivot[i];
    }
    if ((eval.flags & KScnNodePivotEval::kScalingOffset) != 0)
    {
        for (int i = 0; i < 3; ++i)
            o[i] += eval.scalingOffset[i];
    }
    if ((eval.flags & KScnNodePivotEval::kRotationPivot) != 0)
    {
        double d[3] = {o[0] - eval.rotationPivot[0], o[1] - eval.rotationPivot[1],
                       o[2] - eval.rotationPivot[2]};
        KgeRotateVector(o, r, d);
        for (int i = 0; i < 3; ++i)
            o[i] += eval.rotationPivot[i];
    }
    else if ((eval.flags & (KScnNodePivotEval::kScalingOffset | KScnNodePivotEval::kScalingPivot)) != 0)
    {
        const double d[3] = {o[0], o[1], o[2]};
        KgeRotateVector(o, r, d);
    }
    if ((eval.flags & KScnNodePivotEval::kTranslationOffset) != 0)
    {
        for (int i = 0; i < 3; ++i)
            o[i] += eval.translationOffset[i];
    }
}

const double* KScnNode::ComputeGlobalTransform()
{
    if (mCache && mCache->mGlobalValid)
    {
        return mCache->mGlobal;
    }
    // The ancestors without a valid result are evaluated first, the topmost
    // one first, in a loop: a hierarchy of any depth is evaluated.
    std::vector<KScnNode*> pending;
    for (KScnNode* node = this; node != nullptr && !node->GetTransformCache().mGlobalValid;
         node = node->GetParent())
    {
        pending.push_back(node);
    }
    for (auto it = pending.rbegin(); it != pending.rend(); ++it)
    {
        (*it)->EvaluateGlobalTransform();
    }
    return mCache->mGlobal;
}

void KScnNode::EvaluateGlobalTransform()
{
    KScnNodeTransformCache& cache = Cache();
    ComputeLocalTransform();
    const double* t = cache.mLocalTranslation;
    const double* s = cache.mLocalScaling;
    const KgePivotRotationRecord& record = GetRotationRecord();
    const bool active = (mLimits->GetLimitRecord(KScnNodeLimits::eRotation).flags & 1u) != 0;
    double rot[16];
    KgeMatrixIdentity(rot);
    if (active && !record.rotationSpaceForLimitOnly)
        KgeRotationFromPivotRecord(record, rot, cache.mLocalRotation);
    else
        KgeMatrixFromEulerXYZ(rot, cache.mLocalRotation[0], cache.mLocalRotation[1], cache.mLocalRotation[2]);

    // An inherit type outside 0..2 (set on the property directly) evaluates as 0.
    int inherit = GetTransformInheritType();
    if (inherit < eInheritRrSs || inherit > eInheritRrs)
        inherit = eInheritRrSs;

    double o[3];
    ComputePivotOffset(o, rot, s);
    const double local[3] = {t[0] + o[0], t[1] + o[1], t[2] + o[2]};
    double* gr = cache.mGlobalRotation;
    double* gs = cache.mGlobalScaling;
    double* gt = cache.mGlobalTranslation;
    KScnNode* parent = GetParent();
    double sl[16];
    Diagonal(sl, s[0], s[1], s[2]);
    if (parent != nullptr)
    {
        const KScnNodeTransformCache& pc = parent->Cache();
        const double* pm = pc.mGlobal;
        KgeMatrixIdentity(gr);
        Mul3(gr, rot, pc.mGlobalRotation);
        KgeMatrixIdentity(gs);
        if (inherit == eInheritRrSs)
        {
            Diagonal(gs, s[0] * pc.mGlobalScaling[0], s[1] * pc.mGlobalScaling[5],
                     s[2] * pc.mGlobalScaling[10]);
        }
        else
        {
            double rt[16];
            KgeMatrixIdentity(rt);
            KgeTransposeRotation(rt, rot);
            Mul3(gs, sl, rot);
            if (inherit == eInheritRrs)
            {
                double inv[16];
                const double* ps = pc.mLocalScaling;
                Diagonal(inv, Inverse(ps[0]), Inverse(ps[1]), Inverse(ps[2]));
                Mul3(gs, gs, inv);
            }
            Mul3(gs, gs, pc.mGlobalScaling);
            Mul3(gs, gs, rt);
        }
        KgeTransformPoint(gt, pm, local);
    }
    else
    {
        KgeCopyMatrix(gr, rot);
        KgeCopyMatrix(gs, sl);
        gt[0] = local[0];
        gt[1] = local[1];
        gt[2] = local[2];
    }
    gt[3] = 1.0;

    double* g = cache.mGlobal;
    KgeMatrixIdentity(g);
    if (inherit == eInheritRrSs)
    {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                g[4 * i + j] = gr[4 * i + j] * gs[5 * i];
    }
    else
    {
        Mul3(g, gs, gr);
    }
    g[12] = gt[0];
    g[13] = gt[1];
    g[14] = gt[2];
    cache.mGlobalValid = true;
    NoteCacheValid();
}

} // namespace scenesdk
