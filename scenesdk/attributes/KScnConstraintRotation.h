#pragma once

// KScnConstraintRotation: drives the constrained object's rotation from its sources' rotations (kind 2,
// "Rotation From Rotations"), with per-axis switches and an offset kept in the animatable vector "Rotation"
// (starts at (0, 0, 0, 1)).

#include "scenesdk/attributes/KScnConstraint.h"

namespace scenesdk
{

class KScnConstraintRotationProperties;

class KScnConstraintRotation : public KScnConstraint
{
public:
    KScnConstraintRotation(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Rotation From Rotations"); }
    EConstraintKind GetConstraintKind() const override { return eRotation; }
    // Stores (x, y, z, 1) in "Rotation".
    void SetOffset(KgeTVector offset) override;

    KScnConstraintRotationProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintRotationProperties* mProperties;
};

class KScnConstraintRotationProperties : public KScnConstraintProperty
{
    KCLASSID_DECLARE(KScnConstraintRotationProperties)

public:
    explicit KScnConstraintRotationProperties(KScnConstraintRotation* owner);

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
    ~KScnConstraintRotationProperties() override = default;

private:
    bool mAffect[3] = {};
    bool mActive = false;
    bool mLock = false;
};

} // namespace scenesdk
