#pragma once

// KScnConstraintScale: drives the constrained object's scaling from its sources' scalings (kind 3, "Scale
// From Scales"), with per-axis switches and an offset kept in the animatable vector "Scaling" (starts at (0,
// 0, 0, 1)).

#include "scenesdk/attributes/KScnConstraintTransferBase.h"

namespace scenesdk
{

class KScnConstraintScaleProperties;

class KScnConstraintScale : public KScnConstraintTransferBase
{
public:
    KScnConstraintScale(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Scale From Scales"); }
    EConstraintKind GetConstraintKind() const override { return eScale; }

    KScnConstraintScaleProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintScaleProperties* mProperties;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnConstraintScale() override = default;
    friend class KScnSdkManager;
};

class KScnConstraintScaleProperties : public KScnConstraintTransferProperties
{
    KCLASSID_DECLARE(KScnConstraintScaleProperties)

public:
    explicit KScnConstraintScaleProperties(KScnConstraintScale* owner);

protected:
    ~KScnConstraintScaleProperties() override = default;
};

} // namespace scenesdk
