#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveMerge.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace scenesdk
{

namespace
{

const char* const kMessages[] = {"No key", "Left unchanged"};

// Key k lies in [lo, hi] (single precision) and, when cubic, is plain auto.
bool FlatKey(const KFCurve& curve, int k, float lo, float hi)
{
    const float v = curve.GetKeyValue(k);
    if (!(v >= lo && v <= hi))
    {
        return false;
    }
    return curve.GetKeyInterpolation(k) != KFCURVE_INTERPOLATION_CUBIC || curve.IsKeyPlainAuto(k);
}

// Value v lies within the tolerance of the reference (the test of FlatKey).
bool InTolerance(float v, double reference, double tolerance)
{
    return v >= static_cast<float>(reference - tolerance) && v <= static_cast<float>(reference + tolerance);
}

// Whether the walk keeps every key of s..e (two at least): the window of
// each key holds the key after it, and that of the last the key before it;
// when none of those lies within the tolerance of the window's reference,
// every window fails. A single pass, far cheaper than the walk.
bool EveryWindowFails(const KFCurve& curve, int s, int e, double tolerance)
{
    if (e <= s || InTolerance(curve.GetKeyValue(e - 1), curve.GetKeyValue(e), tolerance))
    {
        return false;
    }
    for (int k = s; k < e; ++k)
    {
        if (InTolerance(curve.GetKeyValue(k + 1), curve.GetKeyValue(k), tolerance))
        {
            return false;
        }
    }
    return true;
}

// The keys of a curve as the reducer removes them, without moving the keys
// after each run it removes (which would cost the square of the key count
// on a curve of many plateaus): runs are marked, the curve is compacted once
// at the end. The walk goes down the keys, so the live keys above it are
// those it kept; the two nearest of them within the span stand next to the
// run being walked. The key after a removed run gets its left tangent as
// KFCurve::RemoveKeys gives it, worked out on a small curve of the keys
// around the run.
class CReduction
{
public:
    explicit CReduction(KFCurve& curve)
        : mCurve(curve), mRemoved(static_cast<size_t>(curve.GetKeyCount()), 0),
          mSkip(static_cast<size_t>(curve.GetKeyCount()), 0), mLive(curve.GetKeyCount())
    {
    }

    int Live() const { return mLive; }

    // Keys i - 2 .. i + 2 that lie within [s, e] are all flat; top is the
    // highest key of the walk (the keys above it are the kept ones).
    bool FlatWindow(int i, int s, int top, float lo, float hi) const
    {
        for (int k = i + 2; k >= i - 2; --k)
        {
            const int key = k <= top ? k : mAbove[k - top - 1];
            if (key >= 0 && key >= s && !FlatKey(mCurve, key, lo, hi))
            {
                return false;
            }
        }
        return true;
    }

    // The walk below top ended at failed (kept), or below the span (-1).
    void WalkEnded(int failed)
    {
        if (failed >= 0)
        {
            mAbove[1] = mAbove[0];
            mAbove[0] = failed;
        }
    }

    // Removes keys first..last (a run, or the rest of the curve).
    void Remove(int first, int last)
    {
        const int next = LiveAfter(last);
        if (next >= 0 && first > 0)
        {
            JoinAcross(first, last, next);
        }
        std::fill(mRemoved.begin() + first, mRemoved.begin() + last + 1, 1);
        mSkip[static_cast<size_t>(first)] = last + 1;
        mLive -= last - first + 1;
    }

    // Moves the kept keys down in one pass and drops the rest.
    void Compact()
    {
        const int count = mCurve.GetKeyCount();
        int w = 0;
        for (int r = 0; r < count; ++r)
        {
            if (mRemoved[static_cast<size_t>(r)] == 0)
            {
                if (w != r)
                {
                    *mCurve.GetKey(w) = *mCurve.GetKey(r);
                }
                ++w;
            }
        }
        if (w < count)
        {
            mCurve.RemoveKeys(w, count - 1);
        }
    }

private:
    // The live key after key (kept) k, or -1.
    int LiveAfter(int k) const
    {
        int p = k + 1;
        const int count = mCurve.GetKeyCount();
        while (p < count && mRemoved[static_cast<size_t>(p)] != 0)
        {
            p = mSkip[static_cast<size_t>(p)];
        }
        return p < count ? p : -1;
    }

    // What RemoveKeys (first, last) does to the keys around the run (the
    // left tangent of the key after it kept, through the key before it),
    // done on a curve of those keys and copied back.
    void JoinAcross(int first, int last, int next)
    {
        std::vector<int> keys;
        for (int k = std::max(0, first - 2); k < first; ++k)
        {
            keys.push_back(k);
        }
        const int runFrom = static_cast<int>(keys.size());
        for (int k = std::max(first, last - 2); k <= last; ++k)
        {
            keys.push_back(k);
        }
        const int runTo = static_cast<int>(keys.size()) - 1;
        keys.push_back(next);
        for (int k = next, n = 0; n < 2 && (k = LiveAfter(k)) >= 0; ++n)
        {
            keys.push_back(k);
        }
        KFCurve local;
        for (size_t j = 0; j < keys.size(); ++j)
        {
            local.ReplaceKey(static_cast<int>(j), *mCurve.GetKey(keys[j]));
        }
        if (local.GetKeyCount() != static_cast<int>(keys.size()))
        {
            return; // no memory for the small curve: the tangents stay
        }
        local.RemoveKeys(runFrom, runTo);
        for (int j = 0, k = 0; j < static_cast<int>(keys.size()); ++j)
        {
            if (j < runFrom || j > runTo)
            {
                *mCurve.GetKey(keys[static_cast<size_t>(j)]) = *local.GetKey(k++);
            }
        }
    }

    KFCurve& mCurve;
    std::vector<char> mRemoved;
    std::vector<int> mSkip; // at the first key of a removed run: the key after it
    int mLive;
    int mAbove[2] = {-1, -1}; // the nearest kept keys above the walk, within the span
};

bool NameIs(const char* name, const char* a, const char* b)
{
    return std::strcmp(name, a) == 0 || std::strcmp(name, b) == 0;
}

} // namespace

KFCurveFilterConstantKeyReducer::KFCurveFilterConstantKeyReducer()
    : KFCurveFilter("Constant Key Reducer", kMessages, 2)
{
    Reset();
}

void KFCurveFilterConstantKeyReducer::Reset()
{
    mTolerance = kDefaultTolerance;
    mTranslationTolerance = kDefaultTolerance;
    mRotationTolerance = kDefaultTolerance;
    mScalingTolerance = kDefaultScalingTolerance;
    mOtherTolerance = kDefaultTolerance;
    mKeepOneKey = false;
    KFCurveFilter::Reset();
}

bool KFCurveFilterConstantKeyReducer::ApplyToCurve(KFCurve& curve)
{
    if (curve.GetKeyCount() == 0)
    {
        SetError(eNoKey, "ConstantKeyReducer, No key to be filtered.");
        return false;
    }
    const int s = GetStartKeyIndex(curve);
    const int e = GetStopKeyIndex(curve);
    if (EveryWindowFails(curve, s, e, mTolerance))
    {
        return true;
    }
    CReduction reduction(curve);
    bool cleared = false;
    float firstValue = 0.0f;
    int i = e;
    while (i >= s)
    {
        const int top = i;
        const double reference = curve.GetKeyValue(i);
        const float lo = static_cast<float>(reference - mTolerance);
        const float hi = static_cast<float>(reference + mTolerance);
        int first = i;
        int n = 0;
        int failed = -1;
        while (i >= s)
        {
            if (!reduction.FlatWindow(i, s, top, lo, hi))
            {
                // The failing key stays and never serves as a reference.
                failed = i;
                --i;
                break;
            }
            first = i;
            ++n;
            --i;
        }
        if (n > 0)
        {
            if (n < reduction.Live())
            {
                reduction.Remove(first, top);
            }
            else if (mKeepOneKey)
            {
                // Every live key is in the run: all but its first go.
                if (first < top)
                {
                    reduction.Remove(first + 1, top);
                }
            }
            else
            {
                firstValue = curve.GetKeyValue(first);
                cleared = true;
            }
        }
        reduction.WalkEnded(failed);
    }
    if (cleared)
    {
        curve.ClearKeys();
        curve.SetDefaultValue(firstValue);
        return true;
    }
    if (reduction.Live() < curve.GetKeyCount())
    {
        reduction.Compact();
    }
    return true;
}

bool KFCurveFilterConstantKeyReducer::ApplyToCurves(KFCurve** curves, int count)
{
    return ApplyFilterToCurves(curves, count);
}

double KFCurveFilterConstantKeyReducer::ChannelTolerance(const KFCurveNode& node) const
{
    const char* name = node.GetName();
    const char* parent = node.GetParent() != nullptr ? node.GetParent()->GetName() : "";
    if (NameIs(name, "R", "Lcl Rotation") || NameIs(parent, "R", "Lcl Rotation"))
    {
        return mRotationTolerance;
    }
    if (NameIs(name, "S", "Lcl Scaling") || NameIs(parent, "S", "Lcl Scaling"))
    {
        return mScalingTolerance;
    }
    if (NameIs(name, "T", "Lcl Translation") || NameIs(parent, "T", "Lcl Translation"))
    {
        return mTranslationTolerance;
    }
    return mOtherTolerance;
}

bool KFCurveFilterConstantKeyReducer::ApplyToNode(KFCurveNode& node, bool recursive)
{
    // Trees of constant keys only are left as they are.
    if (HasOnlyInterpolation(node, KFCURVE_INTERPOLATION_CONSTANT, false))
    {
        return false;
    }
    const double saved = mTolerance;
    if (mTolerance == kDefaultTolerance)
    {
        mTolerance = ChannelTolerance(node);
    }
    const bool result = ApplyToNodeCurves(node, recursive);
    mTolerance = saved;
    return result;
}

} // namespace scenesdk
