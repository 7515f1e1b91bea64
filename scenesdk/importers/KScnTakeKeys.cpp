#include "scenesdk/importers/KScnTakeKeys.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFKeyRecord.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KScnNode.h"

#include <cmath>
#include <cstring>

namespace scenesdk
{

namespace
{

KScnTakeNodeEntry* TakeOf(KScnNode& node, const char* name)
{
    for (int i = 0; i < node.GetTakeNodeCount(); ++i)
        if (std::strcmp(node.GetTakeNodeName(i), name) == 0)
            return node.GetTakeNode(i);
    return node.AddTakeNode(name);
}

bool After(KFCurve& curve, KTime time)
{
    const int count = curve.GetKeyCount();
    return count == 0 || curve.GetKeyTime(count - 1).Get() < time.Get();
}

} // namespace

KFCurve* KScnTakeKeys::GetCurve(KScnNode* node, const char* take, EChannel channel, int component)
{
    static const char* const kChannels[] = {"T", "R", "S"};
    static const char* const kComponents[] = {"X", "Y", "Z"};
    if (node == nullptr || take == nullptr || channel < eTranslation || channel > eScaling || component < 0 ||
        component > 2)
        return nullptr;
    KScnTakeNodeEntry* entry = TakeOf(*node, take);
    return entry != nullptr ? entry->FindCurve("Transform", kChannels[channel], kComponents[component])
                            : nullptr;
}

bool KScnTakeKeys::AppendKey(KFCurve* curve, double seconds, double value)
{
    if (curve == nullptr || !std::isfinite(seconds))
        return false;
    KTime time;
    time.SetSeconds(seconds);
    if (!After(*curve, time))
        return false;
    return curve->SetKey(curve->GetKeyCount(), time, static_cast<float>(value), KFCURVE_INTERPOLATION_LINEAR);
}

} // namespace scenesdk
