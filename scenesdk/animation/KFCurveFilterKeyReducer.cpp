#include "scenesdk/animation/KFCurveFilterKeyReducer.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterKeySync.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KMade.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace scenesdk
{

namespace
{

const char* const kMessages[] = {"No key", "Left unchanged"};

struct CurveDeleter
{
    void operator()(KFCurve* curve) const { KFCurve::Destroy(curve); }
};
typedef std::unique_ptr<KFCurve, CurveDeleter> CurvePtr;

void SetCubic(KFCurve& c, int index, KTime time, float value, uint32_t tangent, float data0, float data1)
{
    c.SetKey(index, time, value, KFCURVE_INTERPOLATION_CUBIC, tangent, data0, data1, KFCURVE_WEIGHTED_NONE,
             KFCURVE_DEFAULT_WEIGHT, KFCURVE_DEFAULT_WEIGHT, 0.0f, 0.0f);
}

bool IsUserCubic(const KFCurve& c, int index)
{
    const uint32_t tangent = c.GetKeyTangentMode(index);
    return c.GetKeyInterpolation(index) == KFCURVE_INTERPOLATION_CUBIC &&
           (tangent == KFCURVE_TANGENT_USER || tangent == KFCURVE_TANGENT_BREAK);
}

} // namespace

KFCurveFilterKeyReducer::KFCurveFilterKeyReducer() : KFCurveFilter("Bezier Fit/Key Reducer", kMessages, 2)
{
    Reset();
}

void KFCurveFilterKeyReducer::Reset()
{
    mPrecision = 1.0;
    mKeySync = false;
    mDepth = 0;
    KFCurveFilter::Reset();
}

bool KFCurveFilterKeyReducer::ApplyToCurve(KFCurve& curve)
{
    const int count = curve.GetKeyCount();
    if (count < 2)
    {
        SetError(eLeftUnchanged, "KeyReducer, No key were changed by filter.");
        return false;
    }
    const KTime t0 = std::max(GetStartTime(), curve.GetKeyTime(0));
    const KTime t1 = std::min(GetStopTime(), curve.GetKeyTime(count - 1));
    if (!(t1.GetSeconds() - t0.GetSeconds() > 0.0))
    {
        SetError(eLeftUnchanged, "KeyReducer, Invalid Time Span. No key were changed by filter.");
        return false;
    }
    CurvePtr work(KMade(KFCurve::Create()));
    work->CopyFrom(curve, false);
    Fit(curve, *work, t0, t1);

    CurvePtr old(KMade(KFCurve::Create()));
    old->CopyFrom(curve, true);
    Splice(curve, *old, *work);
    return true;
}

void KFCurveFilterKeyReducer::Fit(KFCurve& s, KFCurve& w, KTime t0, KTime t1)
{
    mDepth = 0;
    const int i0 = static_cast<int>(std::floor(s.FindKey(t0)));
    const int i1 = static_cast<int>(std::ceil(s.FindKey(t1)));
    const KTime time0 = s.GetKeyTime(i0);
    const KTime time1 = s.GetKeyTime(i1);
    int m = w.AddKeyAt(time0);
    SetCubic(w, m, time0, s.GetKeyValue(i0), KFCURVE_TANGENT_USER, float(s.GetKeyRightDerivative(i0)),
             float(s.GetKeyLeftDerivative(i1)));
    m = w.AddKeyAt(time1);
    SetCubic(w, m, time1, s.GetKeyValue(i1), KFCURVE_TANGENT_AUTO, 0.0f, 0.0f);
    Refine(s, w, i0, i1);
}

bool KFCurveFilterKeyReducer::SplitAt(KFCurve& s, KFCurve& w, int a, int b, int& k)
{
    double worst = 0.0;
    k = a;
    for (int j = a; j < b; ++j)
    {
        const double d = double(w.Evaluate(s.GetKeyTime(j))) - double(s.GetKeyValue(j));
        if (d * d > worst)
        {
            worst = d * d;
            k = j;
        }
    }
    if (worst <= mPrecision * mPrecision)
    {
        return false;
    }
    const KTime time = s.GetKeyTime(k);
    const double right = s.GetKeyRightDerivative(k);
    const double left = s.GetKeyLeftDerivative(k);
    const int m = w.AddKeyAt(time);
    // The slope arriving at the next fitted key moves to the new key.
    const float arriving = m > 0 ? w.GetKeyDataFloat(m - 1, 1) : 0.0f;
    SetCubic(w, m, time, s.GetKeyValue(k), right == left ? KFCURVE_TANGENT_USER : KFCURVE_TANGENT_BREAK,
             float(right), arriving);
    if (m > 0)
    {
        w.SetKeyDataFloat(m - 1, 1, float(left));
    }
    return true;
}

void KFCurveFilterKeyReducer::Refine(KFCurve& s, KFCurve& w, int a, int b)
{
    // Depth-first like a recursive split: the left part, its progress
    // notification, the right part, its notification.
    struct Task
    {
        bool notify;
        int a, b, depth;
    };
    std::vector<Task> stack{{false, a, b, 0}};
    while (!stack.empty())
    {
        const Task task = stack.back();
        stack.pop_back();
        if (task.notify)
        {
            if (task.depth < 10)
            {
                NotifyProgress(task.a, task.b);
            }
            continue;
        }
        int k = 0;
        if (!SplitAt(s, w, task.a, task.b, k))
        {
            continue;
        }
        const int depth = task.depth + 1;
        mDepth = std::max(mDepth, depth);
        if (task.b - k > 1)
        {
            stack.push_back({true, k, task.b, depth});
            stack.push_back({false, k, task.b, depth});
        }
        if (k - task.a > 1)
        {
            stack.push_back({true, task.a, k, depth});
            stack.push_back({false, task.a, k, depth});
        }
    }
}

void KFCurveFilterKeyReducer::Splice(KFCurve& c, KFCurve& f, KFCurve& w)
{
    const int nF = f.GetKeyCount();
    const int nW = w.GetKeyCount();
    if (nF == 0 || nW == 0)
    {
        if (nW > 0 || nF > 0)
        {
            c.CopyFrom(nF == 0 ? w : f, true);
        }
        return;
    }
    const KTime wFirst = w.GetKeyTime(0);
    const KTime wLast = w.GetKeyTime(nW - 1);
    if (wFirst <= f.GetKeyTime(0) && wLast >= f.GetKeyTime(nF - 1))
    {
        c.CopyFrom(w, true);
        return;
    }
    const int s = static_cast<int>(std::ceil(f.FindKey(wFirst)));
    const int e = static_cast<int>(std::floor(f.FindKey(wLast)));
    c.ClearKeys();
    c.ReserveKeys(s + nW + (nF - e - 1));
    c.BeginKeyChanges();
    KFKeyRecord record{};
    for (int i = 0; i < s; ++i)
    {
        f.GetKey(i, record);
        c.ReplaceKey(c.GetKeyCount(), record);
    }
    for (int i = 0; i < nW; ++i)
    {
        w.GetKey(i, record);
        c.ReplaceKey(c.GetKeyCount(), record);
    }
    for (int i = e + 1; i < nF; ++i)
    {
        f.GetKey(i, record);
        c.ReplaceKey(c.GetKeyCount(), record);
    }
    if (s - 1 >= 0 && s < nF && IsUserCubic(f, s - 1))
    {
        c.SetKeyDataFloat(s - 1, 1, float(f.EvaluateRightDerivative(wFirst)));
    }
    if (e >= 0 && e < nF - 1 && IsUserCubic(f, e))
    {
        const int last = s + nW - 1;
        c.SetKeyInterpolation(last, KFCURVE_INTERPOLATION_CUBIC);
        c.SetKeyTangentMode(last, KFCURVE_TANGENT_BREAK);
        c.SetKeyDataFloat(last, 0, float(f.EvaluateLeftDerivative(wLast)));
        c.SetKeyDataFloat(last, 1, f.GetKeyDataFloat(e, 1));
    }
    c.EndKeyChanges();
}

bool KFCurveFilterKeyReducer::ApplyToCurves(KFCurve** curves, int count)
{
    const bool sync = mKeySync;
    mKeySync = false;
    ApplyFilterToCurves(curves, count);
    if (sync && count >= 2)
    {
        KFCurveFilterKeySync filter;
        filter.SetStartTime(GetStartTime());
        filter.SetStopTime(GetStopTime());
        filter.ApplyToCurves(curves, count);
    }
    mKeySync = sync;
    return true;
}

bool KFCurveFilterKeyReducer::ApplyToNode(KFCurveNode& node, bool recursive)
{
    const bool sync = mKeySync;
    mKeySync = false;
    ApplyToNodeCurves(node, recursive);
    if (sync && node.GetChildCount() > 1)
    {
        KFCurveFilterKeySync filter;
        filter.SetStartTime(GetStartTime());
        filter.SetStopTime(GetStopTime());
        filter.ApplyToNode(node, false);
    }
    mKeySync = sync;
    return true;
}

} // namespace scenesdk
