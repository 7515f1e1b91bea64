#pragma once

// KScnConstraintPosition: drives the constrained object's translation from its sources' translations (kind 1,
// "Position From Positions"), with per-axis switches and an offset kept in the animatable vector
// "Translation" (starts at (0, 0, 0, 1)).

#include "scenesdk/attributes/KScnConstraintTransferBase.h"

namespace scenesdk
{

class KScnConstraintPositionProperties;

class KScnConstraintPosition : public KScnConstraintTransferBase
{
public:
    KScnConstraintPosition(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Position From Positions"); }
    EConstraintKind GetConstraintKind() const override { return ePosition; }

    KScnConstraintPositionProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintPositionProperties* mProperties;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnConstraintPosition() override = default;
    friend class KScnSdkManager;
};

class KScnConstraintPositionProperties : public KScnConstraintTransferProperties
{
    KCLASSID_DECLARE(KScnConstraintPositionProperties)

public:
    explicit KScnConstraintPositionProperties(KScnConstraintPosition* owner);

protected:
    ~KScnConstraintPositionProperties() override = default;
};

} // namespace scenesdk
