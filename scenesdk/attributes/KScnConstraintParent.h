#pragma once

// KScnConstraintParent: a constrained child follows one or more parent
// sources, with per-channel switches for translation, rotation and scaling
// (kind 4, "Parent-Child"). It keeps the base's empty SetOffset; per-source
// offsets are dynamic properties of the set named after the source
// ("<name without prefix>.Offset R" / ".Offset T"), added from outside (the
// file reader), never by the set itself.

#include "scenesdk/attributes/KScnConstraint.h"

namespace scenesdk
{

class KScnConstraintParentProperties;
class KScnObject;

class KScnConstraintParent : public KScnConstraint
{
public:
    KScnConstraintParent(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Parent-Child"); }
    EConstraintKind GetConstraintKind() const override { return eParent; }
    // Stores (x, y, z, 1) in the source's "<name>.Offset R" property, looked
    // up under the source's current name; nothing for a null source or when
    // that property does not exist.
    virtual void SetRotationOffset(const KScnObject* source, KgeTVector offset);

    KScnConstraintParentProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintParentProperties* mProperties;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnConstraintParent() override = default;
    friend class KScnSdkManager;
};

class KScnConstraintParentProperties : public KScnConstraintProperty
{
    KCLASSID_DECLARE(KScnConstraintParentProperties)

public:
    explicit KScnConstraintParentProperties(KScnConstraintParent* owner);

    // Setters store and return the value; getters return it. Switch order:
    // translation X Y Z, rotation X Y Z, scaling X Y Z.
    virtual bool SetAffectTranslationX(bool value) { return mAffect[0] = value; }
    virtual bool GetAffectTranslationX() { return mAffect[0]; }
    virtual bool SetAffectTranslationY(bool value) { return mAffect[1] = value; }
    virtual bool GetAffectTranslationY() { return mAffect[1]; }
    virtual bool SetAffectTranslationZ(bool value) { return mAffect[2] = value; }
    virtual bool GetAffectTranslationZ() { return mAffect[2]; }
    virtual bool SetAffectRotationX(bool value) { return mAffect[3] = value; }
    virtual bool GetAffectRotationX() { return mAffect[3]; }
    virtual bool SetAffectRotationY(bool value) { return mAffect[4] = value; }
    virtual bool GetAffectRotationY() { return mAffect[4]; }
    virtual bool SetAffectRotationZ(bool value) { return mAffect[5] = value; }
    virtual bool GetAffectRotationZ() { return mAffect[5]; }
    virtual bool SetAffectScalingX(bool value) { return mAffect[6] = value; }
    virtual bool GetAffectScalingX() { return mAffect[6]; }
    virtual bool SetAffectScalingY(bool value) { return mAffect[7] = value; }
    virtual bool GetAffectScalingY() { return mAffect[7]; }
    virtual bool SetAffectScalingZ(bool value) { return mAffect[8] = value; }
    virtual bool GetAffectScalingZ() { return mAffect[8]; }
    virtual bool SetActive(bool value) { return mActive = value; }
    virtual bool GetActive() { return mActive; }
    virtual bool SetLock(bool value) { return mLock = value; }
    virtual bool GetLock() { return mLock; }

    KScnConstraintObjectList Destination; // "Constrained object (Child)", tag 1, destinations
    KScnConstraintObjectList Source;      // "Source (Parent)", tag -1, sources
    KPropertyTemplate<bool> AffectTranslationX;
    KPropertyTemplate<bool> AffectTranslationY;
    KPropertyTemplate<bool> AffectTranslationZ;
    KPropertyTemplate<bool> AffectRotationX;
    KPropertyTemplate<bool> AffectRotationY;
    KPropertyTemplate<bool> AffectRotationZ;
    KPropertyTemplate<bool> AffectScalingX;
    KPropertyTemplate<bool> AffectScalingY;
    KPropertyTemplate<bool> AffectScalingZ;
    KPropertyTemplate<bool> Active;
    KPropertyTemplate<bool> Lock;

protected:
    ~KScnConstraintParentProperties() override = default;

private:
    bool mAffect[9] = {};
    bool mActive = false;
    bool mLock = false;
};

} // namespace scenesdk
