#include "scenesdk/kernel/KScnNodeLimits.h"

#include "scenesdk/kernel/KScnNode.h"

namespace scenesdk
{

void KScnNodeLimit::SetMinActive(bool x, bool y, bool z)
{
    mMinActive[0] = x, mMinActive[1] = y, mMinActive[2] = z;
}

void KScnNodeLimit::GetMinActive(bool& x, bool& y, bool& z) const
{
    x = mMinActive[0], y = mMinActive[1], z = mMinActive[2];
}

void KScnNodeLimit::SetMaxActive(bool x, bool y, bool z)
{
    mMaxActive[0] = x, mMaxActive[1] = y, mMaxActive[2] = z;
}

void KScnNodeLimit::GetMaxActive(bool& x, bool& y, bool& z) const
{
    x = mMaxActive[0], y = mMaxActive[1], z = mMaxActive[2];
}

bool KScnNodeLimit::GetAnyActive() const
{
    for (int i = 0; i < 3; ++i)
    {
        if (mMinActive[i] || mMaxActive[i])
            return true;
    }
    return false;
}

KgeLimitRecord KScnNodeLimit::ToLimitRecord(bool channelActive) const
{
    static const uint32_t kMinBits[3] = {2, 4, 8};
    static const uint32_t kMaxBits[3] = {16, 32, 64};
    KgeLimitRecord record;
    record.flags = channelActive ? 1u : 0u;
    for (int i = 0; i < 3; ++i)
    {
        if (mMinActive[i])
            record.flags |= kMinBits[i];
        if (mMaxActive[i])
            record.flags |= kMaxBits[i];
    }
    for (int i = 0; i < 4; ++i)
    {
        record.min[i] = mMin.mData[i];
        record.max[i] = mMax.mData[i];
    }
    return record;
}

bool KScnNodeLimit::operator==(const KScnNodeLimit& other) const
{
    for (int i = 0; i < 3; ++i)
    {
        if (mMinActive[i] != other.mMinActive[i] || mMaxActive[i] != other.mMaxActive[i])
            return false;
    }
    for (int i = 0; i < 4; ++i)
    {
        // Exact: a limit read back from a file must compare equal only to itself.
        if (mMin.mData[i] != other.mMin.mData[i] || mMax.mData[i] != other.mMax.mData[i])
            return false;
    }
    return true;
}

KScnNodeLimits::KScnNodeLimits(KScnNode* node) : mNode(node)
{
    if (mNode)
        mNode->SetRotationActive(false);
}

KScnNodeLimit* KScnNodeLimits::GetChannelLimits(int channel)
{
    switch (channel)
    {
    case eTranslation:
        return &mTranslation;
    case eRotation:
        return &mRotation;
    case eScaling:
        return &mScaling;
    default:
        return nullptr;
    }
}

const KScnNodeLimit* KScnNodeLimits::GetChannelLimits(int channel) const
{
    return const_cast<KScnNodeLimits*>(this)->GetChannelLimits(channel);
}

void KScnNodeLimits::SetRotationActive(bool on)
{
    mRotationActive = on;
    if (mNode)
        mNode->SetRotationActive(on);
}

bool KScnNodeLimits::GetChannelActive(int channel) const
{
    switch (channel)
    {
    case eTranslation:
        return mTranslationActive;
    case eRotation:
        return mRotationActive;
    case eScaling:
        return mScalingActive;
    default:
        return false;
    }
}

KgeLimitRecord KScnNodeLimits::GetLimitRecord(int channel) const
{
    const KScnNodeLimit* limit = GetChannelLimits(channel);
    return limit ? limit->ToLimitRecord(GetChannelActive(channel)) : KgeLimitRecord();
}

void KScnNodeLimits::Clamp(int channel, double* out, const double* in) const
{
    KgeClampToLimits(GetLimitRecord(channel), out, in);
}

} // namespace scenesdk
