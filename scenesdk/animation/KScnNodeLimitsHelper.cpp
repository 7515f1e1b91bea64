#include "scenesdk/animation/KScnNodeLimitsHelper.h"

#include "scenesdk/kernel/KScnNode.h"

namespace scenesdk
{

namespace
{
const KgeTVector kZero(0.0, 0.0, 0.0, 0.0);
} // namespace

KScnNodeLimit* KScnNodeLimitsHelper::Limit(int channel) const
{
    return mLimits ? mLimits->GetChannelLimits(channel) : nullptr;
}

KScnNode* KScnNodeLimitsHelper::Node() const
{
    return mLimits ? mLimits->GetNode() : nullptr;
}

void KScnNodeLimitsHelper::SetChannelFlag(int channel, bool v)
{
    if (!mLimits)
        return;
    switch (channel)
    {
    case KScnNodeLimits::eTranslation:
        mLimits->SetTranslationActive(!v);
        break;
    case KScnNodeLimits::eRotation:
        mLimits->SetRotationActive(!v);
        if (!v && Node())
            Node()->SetRotationSpaceForLimitOnly(0, true);
        break;
    case KScnNodeLimits::eScaling:
        mLimits->SetScalingActive(!v);
        break;
    default:
        break;
    }
}

void KScnNodeLimitsHelper::SetChannelLimitsActive(int channel, bool v)
{
    KScnNodeLimit* limit = Limit(channel);
    if (!limit || limit->GetAnyActive() == v)
        return;
    limit->SetMinActive(v, v, v);
    limit->SetMaxActive(v, v, v);
}

void KScnNodeLimitsHelper::SetChannelMinMax(int channel, const KgeTVector& v)
{
    if (channel == KScnNodeLimits::eRotation)
    {
        if (Node())
            Node()->SetPreRotation(0, v);
        return;
    }
    if (KScnNodeLimit* limit = Limit(channel))
    {
        limit->SetMin(v);
        limit->SetMax(v);
    }
}

void KScnNodeLimitsHelper::SetChannelMin(int channel, const KgeTVector& v)
{
    if (KScnNodeLimit* limit = Limit(channel))
        limit->SetMin(v);
}

void KScnNodeLimitsHelper::SetChannelMax(int channel, const KgeTVector& v)
{
    if (KScnNodeLimit* limit = Limit(channel))
        limit->SetMax(v);
}

KgeTVector KScnNodeLimitsHelper::GetChannelMin(int channel) const
{
    const KScnNodeLimit* limit = Limit(channel);
    return limit ? limit->GetMin() : kZero;
}

KgeTVector KScnNodeLimitsHelper::GetChannelMax(int channel) const
{
    const KScnNodeLimit* limit = Limit(channel);
    return limit ? limit->GetMax() : kZero;
}

void KScnNodeLimitsHelper::SetRotationOrder(bool euler)
{
    if (Node())
        Node()->SetRotationOrder(0, euler ? KScnNode::eEulerXYZ : KScnNode::eSphericXYZ);
}

void KScnNodeLimitsHelper::SetPostRotation(const KgeTVector& v)
{
    if (Node())
        Node()->SetPostRotation(0, v);
}

KgeTVector KScnNodeLimitsHelper::GetPostRotation() const
{
    return Node() ? Node()->GetPostRotation(0) : kZero;
}

} // namespace scenesdk
