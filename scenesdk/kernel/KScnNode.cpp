#include "scenesdk/kernel/KScnNode.h"

namespace scenesdk
{

namespace
{

bool AnyAngle(const KgeTVector& v)
{
    return v.mData[0] != 0.0 || v.mData[1] != 0.0 || v.mData[2] != 0.0;
}

// The 3x3 part of m from XYZ angles in degrees; flag set in flags while the
// angles turn at all.
void SetRecordRotation(double* m, uint32_t& flags, uint32_t flag, const KgeTVector& angles)
{
    KgeMatrixIdentity(m);
    KgeMatrixFromEulerXYZ(m, angles.mData[0], angles.mData[1], angles.mData[2]);
    if (AnyAngle(angles))
        flags |= flag;
    else
        flags &= ~flag;
}

} // namespace

KScnNode::KScnNode() : mLimits(nullptr)
{
    mLimits = new KScnNodeLimits(this);
}

KScnNode::~KScnNode()
{
    delete mLimits;
}

KScnNode::PivotSet* KScnNode::GetSet(int set)
{
    return set == 0 || set == 1 ? &mSets[set] : nullptr;
}

const KScnNode::PivotSet* KScnNode::GetSet(int set) const
{
    return set == 0 || set == 1 ? &mSets[set] : nullptr;
}

void KScnNode::SetPreRotation(int set, const KgeTVector& angles)
{
    PivotSet* pivot = GetSet(set);
    if (!pivot)
        return;
    pivot->preRotation = angles;
    if (set == 0)
        SetRecordRotation(mRotationRecord.preRotation, mRotationRecord.flags,
                          KgePivotRotationRecord::kPreRotation, angles);
}

KgeTVector KScnNode::GetPreRotation(int set) const
{
    const PivotSet* pivot = GetSet(set);
    return pivot ? pivot->preRotation : KgeTVector(0.0, 0.0, 0.0, 0.0);
}

void KScnNode::SetPostRotation(int set, const KgeTVector& angles)
{
    PivotSet* pivot = GetSet(set);
    if (!pivot)
        return;
    pivot->postRotation = angles;
    if (set == 0)
        SetRecordRotation(mRotationRecord.postRotation, mRotationRecord.flags,
                          KgePivotRotationRecord::kPostRotation, angles);
}

KgeTVector KScnNode::GetPostRotation(int set) const
{
    const PivotSet* pivot = GetSet(set);
    return pivot ? pivot->postRotation : KgeTVector(0.0, 0.0, 0.0, 0.0);
}

void KScnNode::SetRotationOrder(int set, int order)
{
    PivotSet* pivot = GetSet(set);
    if (!pivot || order < eEulerXYZ || order > eSphericXYZ)
        return;
    pivot->rotationOrder = order;
    if (set == 0)
        mRotationRecord.eulerCode = 2 * order;
}

int KScnNode::GetRotationOrder(int set) const
{
    const PivotSet* pivot = GetSet(set);
    return pivot ? pivot->rotationOrder : eEulerXYZ;
}

void KScnNode::SetRotationSpaceForLimitOnly(int set, bool on)
{
    PivotSet* pivot = GetSet(set);
    if (!pivot)
        return;
    pivot->rotationSpaceForLimitOnly = on;
    if (set == 0)
        mRotationRecord.rotationSpaceForLimitOnly = on;
}

bool KScnNode::GetRotationSpaceForLimitOnly(int set) const
{
    const PivotSet* pivot = GetSet(set);
    return pivot ? pivot->rotationSpaceForLimitOnly : false;
}

void KScnNode::ClampLocalRotation(double* out, const double* in) const
{
    const KgeLimitRecord limits = mLimits->GetLimitRecord(KScnNodeLimits::eRotation);
    if (!mRotationRecord.rotationSpaceForLimitOnly)
    {
        KgeClampToLimits(limits, out, in);
        return;
    }
    // The rotation-active bit of the limit record, not the property: the two
    // are kept equal by KScnNodeLimits::SetRotationActive.
    const bool inRotationSpace = (limits.flags & 1u) != 0;
    double m[16];
    double angles[3];
    KgeMatrixIdentity(m);
    KgeMatrixFromEulerXYZ(m, in[0], in[1], in[2]);
    if (inRotationSpace)
        KgeAnglesFromPivotRecord(mRotationRecord, angles, m);
    else
        KgeMatrixToEulerXYZ(angles, m);
    KgeClampToLimits(limits, angles, angles);
    KgeMatrixIdentity(m);
    if (inRotationSpace)
        KgeRotationFromPivotRecord(mRotationRecord, m, angles);
    else
        KgeMatrixFromEulerXYZ(m, angles[0], angles[1], angles[2]);
    KgeMatrixToEulerXYZ(out, m);
}

} // namespace scenesdk
