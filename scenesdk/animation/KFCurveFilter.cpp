#include "scenesdk/animation/KFCurveFilter.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterGimbleKiller.h"
#include "scenesdk/animation/KFCurveFilterUnroll.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <algorithm>
#include <cmath>

namespace scenesdk
{

KFCurveFilter::KFCurveFilter(const char* name, const char* const* messages, int messageCount)
    : mName(name), mStart(0), mStop(0), mError(messages, messageCount)
{
}

KFCurveFilter::~KFCurveFilter() = default;

bool KFCurveFilter::NeedApply(KFCurve&)
{
    return true;
}

bool KFCurveFilter::NeedApplyToCurves(KFCurve** curves, int count)
{
    for (int i = 0; curves != nullptr && i < count; ++i)
    {
        if (curves[i] != nullptr)
        {
            NeedApply(*curves[i]);
        }
    }
    return true;
}

bool KFCurveFilter::NeedApplyToNode(KFCurveNode& node, bool recursive)
{
    if (recursive)
    {
        for (int i = 0; i < node.GetChildCount(); ++i)
        {
            NeedApplyToNode(*node.GetChildAt(i), recursive);
        }
    }
    if (KFCurve* curve = node.GetFCurve())
    {
        KFCurve* one[1] = {curve};
        NeedApplyToCurves(one, 1);
    }
    return true;
}

void KFCurveFilter::Reset()
{
    mStart = KTime(KTime::kMinusInfinite);
    mStop = KTime(KTime::kInfinite);
}

void KFCurveFilter::NotifyProgress(int64_t, int64_t) {}

int KFCurveFilter::GetStartKeyIndex(KFCurve& curve) const
{
    const int count = curve.GetKeyCount();
    if (count == 0)
    {
        return -1;
    }
    const KTime t = std::max(mStart, curve.GetKeyTime(0));
    const int index = static_cast<int>(std::trunc(curve.FindKey(t)));
    return std::max(index, 0);
}

int KFCurveFilter::GetStopKeyIndex(KFCurve& curve) const
{
    const int count = curve.GetKeyCount();
    if (count == 0)
    {
        return -1;
    }
    const KTime t = std::min(mStop, curve.GetKeyTime(count - 1));
    const int index = static_cast<int>(std::trunc(curve.FindKey(t)));
    return std::min(index, count - 1);
}

bool KFCurveFilter::ApplyFilterToCurves(KFCurve** curves, int count)
{
    for (int i = 0; curves != nullptr && i < count; ++i)
    {
        if (curves[i] != nullptr)
        {
            ApplyToCurve(*curves[i]);
        }
    }
    return true;
}

bool KFCurveFilter::ApplyToNodeCurves(KFCurveNode& node, bool recursive)
{
    if (recursive)
    {
        for (int i = 0; i < node.GetChildCount(); ++i)
        {
            ApplyToNode(*node.GetChildAt(i), recursive);
        }
    }
    if (KFCurve* curve = node.GetFCurve())
    {
        ApplyToCurve(*curve);
        node.InvalidateChannelCache();
    }
    return true;
}

void ApplyRotationFilter(KFCurveNode* node, KTime start, KTime stop)
{
    if (node == nullptr)
    {
        return;
    }
    const int mode = GetRotationFilterMode();
    if (mode == 1)
    {
        KFCurveFilterGimbleKiller filter;
        filter.SetStartTime(start);
        filter.SetStopTime(stop);
        filter.ApplyToNode(*node, true);
    }
    else if (mode == 2)
    {
        KFCurveFilterUnroll filter;
        filter.SetStartTime(start);
        filter.SetStopTime(stop);
        filter.ApplyToNode(*node, true);
    }
}

} // namespace scenesdk
