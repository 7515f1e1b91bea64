#pragma once

// KScnConstraintScale: drives the constrained object's scaling from its sources' scalings (kind 3, "Scale
// From Scales"), with per-axis switches and an offset kept in the animatable vector "Scaling" (starts at (0,
// 0, 0, 1)).

#include "scenesdk/attributes/KScnConstraint.h"

namespace scenesdk
{

class KScnConstraintScaleProperties;

class KScnConstraintScale : public KScnConstraint
{
public:
    KScnConstraintScale(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Scale From Scales"); }
    EConstraintKind GetConstraintKind() const override { return eScale; }
    // Stores (x, y, z, 1) in "Scaling".
    void SetOffset(KgeTVector offset) override;

    KScnConstraintScaleProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintScaleProperties* mProperties;
};

class KScnConstraintScaleProperties : public KScnConstraintProperty
{
    KCLASSID_DECLARE(KScnConstraintScaleProperties)

public:
    explicit KScnConstraintScaleProperties(KScnConstraintScale* owner);

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
    ~KScnConstraintScaleProperties() override = default;

private:
    bool mAffect[3] = {};
    bool mActive = false;
    bool mLock = false;
};

} // namespace scenesdk
