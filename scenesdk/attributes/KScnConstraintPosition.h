#pragma once

// KScnConstraintPosition: drives the constrained object's translation from its sources' translations (kind 1,
// "Position From Positions"), with per-axis switches and an offset kept in the animatable vector
// "Translation" (starts at (0, 0, 0, 1)).

#include "scenesdk/attributes/KScnConstraint.h"

namespace scenesdk
{

class KScnConstraintPositionProperties;

class KScnConstraintPosition : public KScnConstraint
{
public:
    KScnConstraintPosition(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Position From Positions"); }
    EConstraintKind GetConstraintKind() const override { return ePosition; }
    // Stores (x, y, z, 1) in "Translation".
    void SetOffset(KgeTVector offset) override;

    KScnConstraintPositionProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintPositionProperties* mProperties;
};

class KScnConstraintPositionProperties : public KScnConstraintProperty
{
    KCLASSID_DECLARE(KScnConstraintPositionProperties)

public:
    explicit KScnConstraintPositionProperties(KScnConstraintPosition* owner);

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
    ~KScnConstraintPositionProperties() override = default;

private:
    bool mAffect[3] = {};
    bool mActive = false;
    bool mLock = false;
};

} // namespace scenesdk
