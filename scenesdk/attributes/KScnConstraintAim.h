#pragma once

// KScnConstraintAim: turns the constrained object to point at its aim-at
// objects, the up direction chosen by a world-up mode (kind 6, "Aim").

#include "scenesdk/attributes/KScnConstraint.h"

namespace scenesdk
{

class KScnConstraintAimProperties;

class KScnConstraintAim : public KScnConstraint
{
public:
    enum EAimConstraintWoldUpType
    {
        eAimAtSceneUp = 0,
        eAimAtObjectUp = 1,
        eAimAtObjectRotationUp = 2,
        eAimAtVector = 3,
        eAimAtNone = 4,
    };

    KScnConstraintAim(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Aim"); }
    EConstraintKind GetConstraintKind() const override { return eAim; }
    // Stores (x, y, z, 1) in "RotationOffset".
    void SetOffset(KgeTVector offset) override;

    KScnConstraintAimProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintAimProperties* mProperties;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnConstraintAim() override = default;
    friend class KScnSdkManager;
};

class KScnConstraintAimProperties : public KScnConstraintProperty
{
    KCLASSID_DECLARE(KScnConstraintAimProperties)

public:
    explicit KScnConstraintAimProperties(KScnConstraintAim* owner);

    // Enumerator names, null outside 0..4.
    static const char* WorldUpTypeName(int value);

    // Setters store and return the value; getters return it.
    virtual KScnConstraintAim::EAimConstraintWoldUpType
    SetWorldUpType(KScnConstraintAim::EAimConstraintWoldUpType value);
    virtual KScnConstraintAim::EAimConstraintWoldUpType GetWorldUpType();
    virtual bool SetActive(bool value);
    virtual bool GetActive();
    virtual bool SetLock(bool value);
    virtual bool GetLock();
    virtual bool SetAffectX(bool value);
    virtual bool GetAffectX();
    virtual bool SetAffectY(bool value);
    virtual bool GetAffectY();
    virtual bool SetAffectZ(bool value);
    virtual bool GetAffectZ();

    KScnConstraintObjectList ConstrainedObject; // "Constrained Object", tag 1, destinations
    KScnConstraintObjectList AimAtObjects;      // "Aim At Object", tag -1, sources
    KScnConstraintObjectList WorldUpObject;     // "World Up Object", tag 1, sources
    KPropertyTemplate<KScnConstraintAim::EAimConstraintWoldUpType> WorldUpType;
    KPropertyTemplate<bool> Active;
    KPropertyTemplate<bool> Lock;
    KPropertyTemplate<bool> AffectX;
    KPropertyTemplate<bool> AffectY;
    KPropertyTemplate<bool> AffectZ;

protected:
    ~KScnConstraintAimProperties() override = default;

private:
    KScnConstraintAim::EAimConstraintWoldUpType mWorldUpType = KScnConstraintAim::eAimAtSceneUp;
    bool mActive = false;
    bool mLock = false;
    bool mAffect[3] = {false, false, false};
};

} // namespace scenesdk
