#pragma once

// KScnNodeLimitsHelper: the adapter through which the file readers set one
// node's transform limits and rotation set-up by channel number (0
// translation, 1 rotation, 2 scaling). It owns nothing and lives on the stack
// around the node's KScnNodeLimits, which must outlive it.
//
// A channel number other than 0, 1 or 2 is ignored by every setter; the
// getters then return (0, 0, 0, 0). Operations on the owner node do nothing
// (getters: (0, 0, 0, 0)) when the limits have no node, and everything is
// ignored for null limits.

#include "scenesdk/kernel/KScnNodeLimits.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KScnNodeLimitsHelper
{
public:
    explicit KScnNodeLimitsHelper(KScnNodeLimits* limits) : mLimits(limits) {}

    // Stores not-v as the channel's active switch (the readers' flag has the
    // inverse sense). For rotation the stored value reaches the
    // owner node too, and v false (rotation limits on) also sets the node's
    // rotation-space-for-limits-only switch of pivot set 0.
    void SetChannelFlag(int channel, bool v);
    // When whether any of the channel's six per-axis switches is on differs
    // from v, all six become v; otherwise the per-axis switches are kept as
    // they are (so a reader's per-axis choice survives turning limits on).
    void SetChannelLimitsActive(int channel, bool v);
    // Translation and scaling: both the minimum and the maximum become the
    // vector. Rotation: the vector becomes the owner node's pre-rotation of
    // pivot set 0 and the rotation limits are left alone.
    void SetChannelMinMax(int channel, const KgeTVector& v);
    void SetChannelMin(int channel, const KgeTVector& v);
    void SetChannelMax(int channel, const KgeTVector& v);
    KgeTVector GetChannelMin(int channel) const;
    KgeTVector GetChannelMax(int channel) const;

    // The owner node's rotation order of pivot set 0: Euler XYZ when euler is
    // true, else spheric XYZ.
    void SetRotationOrder(bool euler);
    void SetPostRotation(const KgeTVector& v);
    KgeTVector GetPostRotation() const;

    // 1.0, set at construction and never changed.
    double GetValue() const { return mValue; }

private:
    KScnNodeLimit* Limit(int channel) const;
    KScnNode* Node() const;

    KScnNodeLimits* mLimits;
    double mValue = 1.0;
};

} // namespace scenesdk
