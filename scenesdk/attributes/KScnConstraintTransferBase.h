#pragma once

// KScnConstraintTransferBase: the common shape of the three constraints that copy one transform channel
// from their sources to the constrained object (position, rotation, scaling). Each kind keeps its own class,
// type name, kind number and property-set class id; this base holds what they share: the per-axis
// switches, the object lists and the animatable offset vector, named per kind.

#include "scenesdk/attributes/KScnConstraint.h"

namespace scenesdk
{

class KScnConstraintTransferBase : public KScnConstraint
{
public:
    // Stores (x, y, z, 1) in the kind's offset vector.
    void SetOffset(KgeTVector offset) override;

protected:
    // offsetName must outlive the constraint (a string literal).
    KScnConstraintTransferBase(KScnSdkManager* manager, const char* name, const char* offsetName)
        : KScnConstraint(manager, name), mOffsetName(offsetName)
    {
    }

private:
    const char* mOffsetName;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnConstraintTransferBase() override = default;
    friend class KScnSdkManager;
};

// The property set shared by the transfer kinds. It has no class id of its own: each kind's set declares
// one directly under KScnConstraintProperty.
class KScnConstraintTransferProperties : public KScnConstraintProperty
{
public:
    // Setters store and return the value; getters return it.
    virtual bool SetAffectX(bool value) { return mAffect[0] = value; }
    virtual bool GetAffectX() { return mAffect[0]; }
    virtual bool SetAffectY(bool value) { return mAffect[1] = value; }
    virtual bool GetAffectY() { return mAffect[1]; }
    virtual bool SetAffectZ(bool value) { return mAffect[2] = value; }
    virtual bool GetAffectZ() { return mAffect[2]; }
    virtual bool SetActive(bool value) { return mActive = value; }
    virtual bool GetActive() { return mActive; }
    virtual bool SetLock(bool value) { return mLock = value; }
    virtual bool GetLock() { return mLock; }

    KScnConstraintObjectList Destination; // "Constrained Object", tag 1, destinations
    KScnConstraintObjectList Source;      // "Source", tag -1, sources
    KPropertyTemplate<bool> AffectX;
    KPropertyTemplate<bool> AffectY;
    KPropertyTemplate<bool> AffectZ;
    KPropertyTemplate<bool> Active;
    KPropertyTemplate<bool> Lock;

protected:
    explicit KScnConstraintTransferProperties(KScnConstraint* owner) : KScnConstraintProperty(owner) {}
    ~KScnConstraintTransferProperties() override = default;

    // Builds the property list in its fixed order, ending with the animatable offset vector offsetName
    // (starts at (0, 0, 0, 1)) and "Weight". Called from the most derived constructor, so that the set
    // already has its final class while its properties are made.
    void BindTransferProperties(const char* offsetName);

private:
    bool mAffect[3] = {};
    bool mActive = false;
    bool mLock = false;
};

} // namespace scenesdk
