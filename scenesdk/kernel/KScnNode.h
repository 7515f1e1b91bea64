#pragma once

// KScnNode: the element of the scene hierarchy.
//
// This is the node's rotation set-up and its transform limits only: the two
// pivot sets' pre- and post-rotation, rotation order and
// rotation-space-for-limits-only switch, the evaluation record of pivot set
// 0's rotation part, the rotation-active switch and the owned KScnNodeLimits.
// Names, attributes, children, properties and takes join it later.

#include "scenesdk/kernel/KScnNodeLimits.h"
#include "scenesdk/kernel/KgeMath.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KScnNode
{
public:
    // Rotation orders of a pivot set. The evaluation's Euler-order code is
    // twice the order, so eSphericXYZ gives code 12.
    enum ERotationOrder
    {
        eEulerXYZ = 0,
        eEulerXZY,
        eEulerYZX,
        eEulerYXZ,
        eEulerZXY,
        eEulerZYX,
        eSphericXYZ
    };

    KScnNode();
    ~KScnNode();
    KScnNode(const KScnNode&) = delete;
    KScnNode& operator=(const KScnNode&) = delete;

    // Owned by the node, created and destroyed with it.
    KScnNodeLimits& GetLimits() { return *mLimits; }
    const KScnNodeLimits& GetLimits() const { return *mLimits; }

    // The "RotationActive" switch: while it is on the rotation order and the
    // pre- and post-rotations take part in the node's rotation.
    void SetRotationActive(bool on) { mRotationActive = on; }
    bool GetRotationActive() const { return mRotationActive; }

    // Pivot set 0 or 1; another set number is ignored by the setters and
    // reads as (0, 0, 0, 0), order 0 or false. Angles in degrees. For set 0
    // the pre- and post-rotation setters also recompute the evaluation
    // record's matrix and its flag (set while any of x, y, z is not 0).
    void SetPreRotation(int set, const KgeTVector& angles);
    KgeTVector GetPreRotation(int set) const;
    void SetPostRotation(int set, const KgeTVector& angles);
    KgeTVector GetPostRotation(int set) const;
    // An order outside eEulerXYZ..eSphericXYZ is ignored.
    void SetRotationOrder(int set, int order);
    int GetRotationOrder(int set) const;
    void SetRotationSpaceForLimitOnly(int set, bool on);
    bool GetRotationSpaceForLimitOnly(int set) const;

    // Rotation part of pivot set 0 as the transform evaluation uses it.
    const KgePivotRotationRecord& GetRotationRecord() const { return mRotationRecord; }

    // Clamps local rotation angles (x, y, z, degrees) by the rotation limits.
    // Without rotation-space-for-limits-only on set 0 the angles are clamped
    // as they are. With it the limits hold in the rotation space: the plain
    // XYZ rotation is taken into that space (while rotation is active: the
    // pre- and post-rotations taken off and the angles read in the rotation
    // order; otherwise plain XYZ), clamped there, and turned back into plain
    // XYZ angles. out may equal in.
    void ClampLocalRotation(double* out, const double* in) const;

private:
    struct PivotSet
    {
        KgeTVector preRotation{0.0, 0.0, 0.0, 1.0};
        KgeTVector postRotation{0.0, 0.0, 0.0, 1.0};
        int rotationOrder = eEulerXYZ;
        bool rotationSpaceForLimitOnly = false;
    };

    PivotSet* GetSet(int set);
    const PivotSet* GetSet(int set) const;

    PivotSet mSets[2];
    KgePivotRotationRecord mRotationRecord;
    bool mRotationActive = false;
    KScnNodeLimits* mLimits;
};

} // namespace scenesdk
