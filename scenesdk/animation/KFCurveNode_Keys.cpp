// KFCurveNode: key operations over all the curves of a channel's subtree.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <cmath>

namespace scenesdk
{

int KFCurveNode::KeyGetCount(bool includeLayers) const
{
    int count = mCurve != nullptr ? mCurve->GetKeyCount() : 0;
    for (int i = 0; i < GetChildCount(); ++i)
    {
        if (const KFCurveNode* child = GetChildAt(i))
        {
            count += child->KeyGetCount(false);
        }
    }
    if (includeLayers && mNextLayer != nullptr)
    {
        count += mNextLayer->KeyGetCount(true);
    }
    return count;
}

bool KFCurveNode::GetKeyInterval(KTime& start, KTime& stop) const
{
    KTime localStart(KTime::kInfinite);
    KTime localStop(KTime::kMinusInfinite);
    if (!GetKeyIntervalRaw(localStart, localStop))
    {
        return false;
    }
    if (localStart < start)
    {
        start = localStart;
    }
    if (localStop > stop)
    {
        stop = localStop;
    }
    return true;
}

bool KFCurveNode::GetKeyIntervalRaw(KTime& start, KTime& stop) const
{
    bool found = false;
    if (mCurve != nullptr && mCurve->GetKeyCount() > 0)
    {
        const KTime first = mCurve->GetKeyTime(0);
        const KTime last = mCurve->GetKeyTime(mCurve->GetKeyCount() - 1);
        if (first < start)
        {
            start = first;
        }
        if (last > stop)
        {
            stop = last;
        }
        found = true;
    }
    for (int i = 0; i < GetChildCount(); ++i)
    {
        if (const KFCurveNode* child = GetChildAt(i))
        {
            found = child->GetKeyIntervalRaw(start, stop) || found;
        }
    }
    if (mNextLayer != nullptr)
    {
        found = mNextLayer->GetKeyIntervalRaw(start, stop) || found;
    }
    return found;
}

// A null mask includes everything, whatever the child count (a missing mask
// never reads past four bytes).
bool KFCurveNode::PreviousKey(KTime time, const uint8_t* mask, int64_t& best)
{
    bool found = false;
    if (mCurve != nullptr && (mask == nullptr || mask[0] != 0))
    {
        const double p = mCurve->FindKey(time);
        const double k = std::floor(p - 0.000001);
        if (k >= 0.0 && k < mCurve->GetKeyCount())
        {
            const KTime t = mCurve->GetKeyTime(static_cast<int>(k));
            if (t < time && (!found || t.Get() > best))
            {
                best = t.Get();
                found = true;
            }
        }
    }
    for (int i = 0; i < GetChildCount(); ++i)
    {
        KFCurveNode* child = GetChildAt(i);
        if (child == nullptr || (mask != nullptr && mask[i] == 0))
        {
            continue;
        }
        int64_t candidate = 0;
        if (child->PreviousKey(time, mask != nullptr ? mask + i : nullptr, candidate) &&
            (!found || candidate > best))
        {
            best = candidate;
            found = true;
        }
    }
    return found;
}

bool KFCurveNode::NextKey(KTime time, const uint8_t* mask, bool includeLayers, int64_t& best)
{
    bool found = false;
    if (mCurve != nullptr && (mask == nullptr || mask[0] != 0))
    {
        // The key after the position: on a key, the next one (rounding the
        // position up would give the key at the time itself, which never
        // counts, and hide this curve's real next key).
        const double p = mCurve->FindKey(time);
        const double k = std::floor(p + 0.000001) + 1.0;
        if (k >= 0.0 && k < mCurve->GetKeyCount())
        {
            const KTime t = mCurve->GetKeyTime(static_cast<int>(k));
            if (t > time)
            {
                best = t.Get();
                found = true;
            }
        }
    }
    for (int i = 0; i < GetChildCount(); ++i)
    {
        KFCurveNode* child = GetChildAt(i);
        if (child == nullptr || (mask != nullptr && mask[i] == 0))
        {
            continue;
        }
        int64_t candidate = 0;
        if (child->NextKey(time, mask != nullptr ? mask + i : nullptr, includeLayers, candidate) &&
            (!found || candidate < best))
        {
            best = candidate;
            found = true;
        }
    }
    if (includeLayers && mNextLayer != nullptr)
    {
        int64_t candidate = 0;
        if (mNextLayer->NextKey(time, mask, true, candidate) && (!found || candidate < best))
        {
            best = candidate;
            found = true;
        }
    }
    return found;
}

void KFCurveNode::GetPreviousKeyTime(KTime& out, KTime time, const uint8_t* mask)
{
    int64_t best = 0;
    out = PreviousKey(time, mask, best) ? KTime(best) : time;
}

void KFCurveNode::GetNextKeyTime(KTime& out, KTime time, const uint8_t* mask, bool includeLayers)
{
    int64_t best = 0;
    out = NextKey(time, mask, includeLayers, best) ? KTime(best) : time;
}

double* KFCurveNode::GetDefaultValues(double* out) const
{
    if (mCurve != nullptr)
    {
        *out++ = mCurve->GetDefaultValue();
    }
    for (int i = 0; i < GetChildCount(); ++i)
    {
        if (const KFCurveNode* child = GetChildAt(i))
        {
            out = child->GetDefaultValues(out);
        }
    }
    return out;
}

const double* KFCurveNode::SetDefaultValues(const double* in)
{
    if (mCurve != nullptr)
    {
        mCurve->SetDefaultValue(static_cast<float>(*in++));
    }
    for (int i = 0; i < GetChildCount(); ++i)
    {
        if (KFCurveNode* child = GetChildAt(i))
        {
            in = child->SetDefaultValues(in);
        }
    }
    InvalidateChannelCache();
    return in;
}

const double* KFCurveNode::AppendKeys(KTime time, const double* in, bool closestRotation)
{
    if (mCurve != nullptr)
    {
        mCurve->AppendKey(time, static_cast<float>(*in++));
    }
    if (closestRotation && IsEulerTriple())
    {
        double closest[3] = {in[0], in[1], in[2]};
        GetClosestRotation(closest, in, time);
        for (int i = 0; i < 3; ++i)
        {
            GetChildAt(i)->AppendKeys(time, closest + i, closestRotation);
        }
        InvalidateChannelCache();
        return in + 3;
    }
    for (int i = 0; i < GetChildCount(); ++i)
    {
        if (KFCurveNode* child = GetChildAt(i))
        {
            in = child->AppendKeys(time, in, closestRotation);
        }
    }
    InvalidateChannelCache();
    return in;
}

// ---- Span replacement ----

void KFCurveNode::ReplaceQuaternionKeysInSpan(KFCurveNode& source, KTime start, KTime stop, double startScale,
                                              double stopScale, bool keepSpan, bool fill)
{
    if (GetChildCount() < 4 || source.GetChildCount() < 4)
    {
        return;
    }
    for (int i = 0; i < 4; ++i)
    {
        KFCurveNode* mine = GetChildAt(i);
        KFCurveNode* theirs = source.GetChildAt(i);
        if (mine == nullptr || theirs == nullptr || mine->mCurve == nullptr || theirs->mCurve == nullptr)
        {
            return;
        }
    }
    for (int i = 0; i < 4; ++i)
    {
        GetChildAt(i)->mCurve->ReplaceSpanScaled(*source.GetChildAt(i)->mCurve, start, stop,
                                                 static_cast<float>(startScale),
                                                 static_cast<float>(stopScale), keepSpan, fill);
    }
    InvalidateChannelCache();
}

// The Euler form: the pasted angles are moved by whole turns (and possibly
// flipped) so that they join this channel's angles at both ends of the span.
void KFCurveNode::ReplaceEulerKeysInSpan(KFCurveNode& source, KTime start, KTime stop, bool keepSpan,
                                         bool fill)
{
    double before = -1.0;
    for (int i = 2; i >= 0; --i)
    {
        const double p = GetChildAt(i)->mCurve->FindKey(start);
        if (p > before)
        {
            before = p;
        }
    }
    double thisStart[3], thisStop[3], sourceStart[3], sourceStop[3];
    EvaluateTree(thisStart, start, nullptr);
    EvaluateTree(thisStop, stop, nullptr);
    source.EvaluateTree(sourceStart, start, nullptr);
    source.EvaluateTree(sourceStop, stop, nullptr);
    double offsets1[3] = {0.0, 0.0, 0.0};
    bool flip1 = false;
    if (before > 0.0)
    {
        flip1 = GetRotationOffset(offsets1, sourceStart, thisStart);
        sourceStop[0] += offsets1[0];
        sourceStop[2] += offsets1[2];
        sourceStop[1] = flip1 ? offsets1[1] - sourceStop[1] : sourceStop[1] + offsets1[1];
    }
    double offsets2[3] = {0.0, 0.0, 0.0};
    const bool flip2 = GetRotationOffset(offsets2, thisStop, sourceStop);
    for (int i = 0; i < 3; ++i)
    {
        GetChildAt(i)->mCurve->ReplaceSpanOffset(
            *source.GetChildAt(i)->mCurve, start, stop, static_cast<float>(offsets1[i]),
            static_cast<float>(offsets2[i]), i == 1 && flip1, i == 1 && flip2, keepSpan, fill);
    }
}

void KFCurveNode::ReplaceKeysInSpan(KFCurveNode& source, KTime start, KTime stop, bool keepSpan, bool fill)
{
    if (&source == this)
    {
        return;
    }
    if (mLayerType == eKFCurveNodeLayerQuaternion && GetChildCount() == 4 && source.GetChildCount() == 4 &&
        GetTreeValueCount() == 4 && source.GetTreeValueCount() == 4)
    {
        double q0[4] = {0.0, 0.0, 0.0, 1.0};
        double q1[4] = {0.0, 0.0, 0.0, 1.0};
        EvaluateTree(q0, start, nullptr);
        EvaluateTree(q1, stop, nullptr);
        const double startScale = std::sqrt(q0[0] * q0[0] + q0[1] * q0[1] + q0[2] * q0[2] + q0[3] * q0[3]);
        const double stopScale = std::sqrt(q1[0] * q1[0] + q1[1] * q1[1] + q1[2] * q1[2] + q1[3] * q1[3]);
        ReplaceQuaternionKeysInSpan(source, start, stop, startScale, stopScale, keepSpan, fill);
        return;
    }
    if (mLayerType == eKFCurveNodeLayerEulerRotation && IsEulerTriple() && source.IsEulerTriple())
    {
        ReplaceEulerKeysInSpan(source, start, stop, keepSpan, fill);
        InvalidateChannelCache();
        return;
    }
    if (mCurve != nullptr && source.mCurve != nullptr)
    {
        mCurve->ReplaceSpan(*source.mCurve, start, stop, keepSpan, fill);
    }
    if (GetChildCount() == source.GetChildCount())
    {
        for (int i = 0; i < GetChildCount(); ++i)
        {
            KFCurveNode* mine = GetChildAt(i);
            KFCurveNode* theirs = source.GetChildAt(i);
            if (mine != nullptr && theirs != nullptr)
            {
                mine->ReplaceKeysInSpan(*theirs, start, stop, keepSpan, fill);
            }
        }
    }
    InvalidateChannelCache();
}

} // namespace scenesdk
