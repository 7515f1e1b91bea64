#pragma once

// Transform limits of a scene node: per channel (translation, rotation,
// scaling) a minimum and a maximum vector, each switchable per axis, and one
// active switch per channel. The file readers fill them (see
// KScnNodeLimitsHelper); the node clamps its local channels with them.
//
// Rotation limits are in degrees, like every rotation of the SDK.

#include "scenesdk/kernel/KgeMath.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KScnNode;

class KScnNodeLimit
{
public:
    KScnNodeLimit() = default;

    void SetMinActive(bool x, bool y, bool z);
    void GetMinActive(bool& x, bool& y, bool& z) const;
    void SetMaxActive(bool x, bool y, bool z);
    void GetMaxActive(bool& x, bool& y, bool& z) const;
    // True when any of the six per-axis switches is set.
    bool GetAnyActive() const;

    // All four doubles are copied.
    void SetMin(const KgeTVector& min) { mMin = min; }
    KgeTVector GetMin() const { return mMin; }
    void SetMax(const KgeTVector& max) { mMax = max; }
    KgeTVector GetMax() const { return mMax; }

    // The evaluation form of this limit (KgeLimitRecord flag bits: 1 the
    // channel's active switch, 2/4/8 minimum on x/y/z, 16/32/64 maximum on
    // x/y/z), with both vectors.
    KgeLimitRecord ToLimitRecord(bool channelActive) const;

    bool operator==(const KScnNodeLimit& other) const;
    bool operator!=(const KScnNodeLimit& other) const { return !(*this == other); }

private:
    bool mMinActive[3] = {false, false, false};
    bool mMaxActive[3] = {false, false, false};
    KgeTVector mMin{0.0, 0.0, 0.0, 1.0};
    KgeTVector mMax{0.0, 0.0, 0.0, 1.0};
};

class KScnNodeLimits
{
public:
    // Channel numbers as the readers address a node's transform channels.
    enum EChannel
    {
        eTranslation = 0,
        eRotation = 1,
        eScaling = 2
    };

    // The node (may be null) is not owned; it must outlive the record, which
    // the node guarantees by owning it. With a node, the node's rotation-active
    // switch is cleared.
    explicit KScnNodeLimits(KScnNode* node = nullptr);
    KScnNodeLimits(const KScnNodeLimits&) = delete;
    KScnNodeLimits& operator=(const KScnNodeLimits&) = delete;

    KScnNodeLimit& GetTranslationLimits() { return mTranslation; }
    KScnNodeLimit& GetRotationLimits() { return mRotation; }
    KScnNodeLimit& GetScalingLimits() { return mScaling; }
    const KScnNodeLimit& GetTranslationLimits() const { return mTranslation; }
    const KScnNodeLimit& GetRotationLimits() const { return mRotation; }
    const KScnNodeLimit& GetScalingLimits() const { return mScaling; }
    // The limit of channel 0, 1 or 2; null for any other number.
    KScnNodeLimit* GetChannelLimits(int channel);
    const KScnNodeLimit* GetChannelLimits(int channel) const;

    KScnNode* GetNode() const { return mNode; }

    void SetTranslationActive(bool on) { mTranslationActive = on; }
    bool GetTranslationActive() const { return mTranslationActive; }
    // Also mirrored into the node's rotation-active switch when there is a node.
    void SetRotationActive(bool on);
    bool GetRotationActive() const { return mRotationActive; }
    void SetScalingActive(bool on) { mScalingActive = on; }
    bool GetScalingActive() const { return mScalingActive; }
    // The channel's active switch by number; false for another number.
    bool GetChannelActive(int channel) const;

    // The evaluation record of a channel (see KScnNodeLimit::ToLimitRecord);
    // a record with no flag for another channel number.
    KgeLimitRecord GetLimitRecord(int channel) const;
    // Clamps x, y, z of in into out by the channel's per-axis switches: each
    // axis is raised to its minimum when that is on, then lowered to its
    // maximum when that is on. The channel's active switch does not gate the
    // clamp. A bad channel number copies the values unchanged. out may equal in.
    void Clamp(int channel, double* out, const double* in) const;

private:
    KScnNodeLimit mTranslation;
    KScnNodeLimit mRotation;
    KScnNodeLimit mScaling;
    KScnNode* mNode;
    bool mTranslationActive = false;
    bool mRotationActive = false;
    bool mScalingActive = false;
};

} // namespace scenesdk
