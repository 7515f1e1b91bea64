#pragma once

// KScnConstraintRotation: drives the constrained object's rotation from its sources' rotations (kind 2,
// "Rotation From Rotations"), with per-axis switches and an offset kept in the animatable vector "Rotation"
// (starts at (0, 0, 0, 1)).

#include "scenesdk/attributes/KScnConstraintTransferBase.h"

namespace scenesdk
{

class KScnConstraintRotationProperties;

class KScnConstraintRotation : public KScnConstraintTransferBase
{
public:
    KScnConstraintRotation(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Rotation From Rotations"); }
    EConstraintKind GetConstraintKind() const override { return eRotation; }

    KScnConstraintRotationProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintRotationProperties* mProperties;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnConstraintRotation() override = default;
    friend class KScnSdkManager;
};

class KScnConstraintRotationProperties : public KScnConstraintTransferProperties
{
    KCLASSID_DECLARE(KScnConstraintRotationProperties)

public:
    explicit KScnConstraintRotationProperties(KScnConstraintRotation* owner);

protected:
    ~KScnConstraintRotationProperties() override = default;
};

} // namespace scenesdk
