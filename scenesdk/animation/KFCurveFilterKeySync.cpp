#include "scenesdk/animation/KFCurveFilterKeySync.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KMade.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace scenesdk
{

namespace
{

const char* const kMessages[] = {"No key", "Left unchanged", "Multiple key count", "Unsynched keys",
                                 "Too many curves"};

const char* const kNoChange = "KeySyncFilter, No key were changed by filter.";
const char* const kTooMany = "KeySyncFilter, Curve count is too mush. No support above 20 curves..";

struct CurveDeleter
{
    void operator()(KFCurve* curve) const { KFCurve::Destroy(curve); }
};

// The first key of the curve strictly after t (t minus infinite: key 0);
// -1 when there is none.
int KeyAfter(KFCurve& curve, KTime t, int* hint)
{
    const int count = curve.GetKeyCount();
    if (count == 0)
    {
        return -1;
    }
    int k = 0;
    if (t != KTime(KTime::kMinusInfinite))
    {
        k = std::min(count - 1, static_cast<int>(std::ceil(curve.FindKey(t, hint))));
        k = std::max(k, 0);
        if (curve.GetKeyTime(k) <= t)
        {
            ++k;
        }
    }
    return k < count ? k : -1;
}

} // namespace

KFCurveFilterKeySync::KFCurveFilterKeySync()
    : KFCurveFilter("FCurve Key Synchronizer", kMessages, int(sizeof(kMessages) / sizeof(kMessages[0])))
{
    Reset();
}

bool KFCurveFilterKeySync::NeedApply(KFCurve&)
{
    SetError(eLeftUnchanged, kNoChange);
    return false;
}

bool KFCurveFilterKeySync::ApplyToCurve(KFCurve&)
{
    SetError(eLeftUnchanged, kNoChange);
    return false;
}

bool KFCurveFilterKeySync::NeedApplyToCurves(KFCurve** curves, int count)
{
    if (curves == nullptr || count < 2 || std::any_of(curves, curves + count, [](KFCurve* c) { return !c; }))
    {
        return false;
    }
    const int keys = curves[0]->GetKeyCount();
    for (int c = 1; c < count; ++c)
    {
        if (curves[c]->GetKeyCount() != keys)
        {
            SetError(eMultipleKeyCount,
                     "KeySyncFilter, Key count is different in the Curves to be filtered.");
            return true;
        }
    }
    for (int i = 0; i < keys; ++i)
    {
        const KTime t = curves[0]->GetKeyTime(i);
        for (int c = 1; c < count; ++c)
        {
            if (curves[c]->GetKeyTime(i) != t)
            {
                SetError(eUnsynchedKeys, "KeySyncFilter, keys are not synchronized.");
                return true;
            }
        }
    }
    return false;
}

bool KFCurveFilterKeySync::ChildCurves(KFCurveNode& node, KFCurve** curves, int& count)
{
    count = node.GetChildCount();
    if (count >= kMaxCurves)
    {
        SetError(eTooManyCurves, kTooMany);
        return false;
    }
    for (int i = 0; i < count; ++i)
    {
        curves[i] = node.GetChildAt(i)->GetFCurve();
        if (curves[i] == nullptr)
        {
            SetError(eLeftUnchanged, kNoChange);
            return false;
        }
    }
    return true;
}

bool KFCurveFilterKeySync::NeedApplyToNode(KFCurveNode& node, bool)
{
    KFCurve* curves[kMaxCurves];
    int count = 0;
    return ChildCurves(node, curves, count) && NeedApplyToCurves(curves, count);
}

bool KFCurveFilterKeySync::ApplyToNode(KFCurveNode& node, bool)
{
    KFCurve* curves[kMaxCurves];
    int count = 0;
    if (!ChildCurves(node, curves, count) || !ApplyToCurves(curves, count))
    {
        return false;
    }
    node.InvalidateChannelCache();
    return true;
}

bool KFCurveFilterKeySync::ApplyToCurves(KFCurve** curves, int n)
{
    if (curves == nullptr || n < 2 || std::any_of(curves, curves + n, [](KFCurve* c) { return !c; }))
    {
        SetError(eLeftUnchanged, kNoChange);
        return false;
    }
    if (n > kMaxCurves)
    {
        SetError(eTooManyCurves, kTooMany);
        return false;
    }

    int most = 0;
    for (int c = 0; c < n; ++c)
    {
        most = std::max(most, curves[c]->GetKeyCount());
    }
    // Untouched copies give each new key the value its curve had before.
    // Memory running out before any curve changed throws (the readers
    // fail the read), leaving the curves as they were.
    std::unique_ptr<KFCurve, CurveDeleter> copies[kMaxCurves];
    int keyHint[kMaxCurves];
    int copyHint[kMaxCurves];
    for (int c = 0; c < n; ++c)
    {
        copies[c].reset(KMade(curves[c]->Copy()));
        keyHint[c] = -1;
        copyHint[c] = -1;
    }
    for (int c = 0; c < n; ++c)
    {
        curves[c]->ReserveKeys(most);
        curves[c]->BeginKeyChanges();
    }

    const KTime start = GetStartTime();
    const KTime stop = GetStopTime();
    KTime t = start == KTime(KTime::kMinusInfinite) ? start : start - KTime(1);
    while (t < stop)
    {
        bool found = false;
        KTime next(KTime::kInfinite);
        for (int c = 0; c < n; ++c)
        {
            const int k = KeyAfter(*curves[c], t, &keyHint[c]);
            if (k >= 0 && (!found || curves[c]->GetKeyTime(k) < next))
            {
                next = curves[c]->GetKeyTime(k);
                found = true;
            }
        }
        if (!found || next > stop)
        {
            break;
        }
        for (int c = 0; c < n; ++c)
        {
            const int k = curves[c]->InsertKey(next, &keyHint[c]);
            curves[c]->SetKeyValue(k, copies[c]->Evaluate(next, &copyHint[c]));
        }
        t = next;
    }

    for (int c = 0; c < n; ++c)
    {
        curves[c]->EndKeyChanges();
    }
    return true;
}

} // namespace scenesdk
