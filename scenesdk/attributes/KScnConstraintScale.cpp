#include "scenesdk/attributes/KScnConstraintScale.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintScaleProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintScaleProperties::KScnConstraintScaleProperties(KScnConstraintScale* owner)
    : KScnConstraintProperty(owner)
{
    using Self = KScnConstraintScaleProperties;
    Bind(Active, "Active", &Self::GetActive, &Self::SetActive);
    Bind(Lock, "Lock", &Self::GetLock, &Self::SetLock);
    BindObjectList(Destination, "Destination", "Constrained Object", 1, true);
    BindObjectList(Source, "Source", "Source", -1, false);
    Bind(AffectX, "AffectX", &Self::GetAffectX, &Self::SetAffectX);
    Bind(AffectY, "AffectY", &Self::GetAffectY, &Self::SetAffectY);
    Bind(AffectZ, "AffectZ", &Self::GetAffectZ, &Self::SetAffectZ);
    CreateAnimatedVector("Scaling", 0.0, 0.0, 0.0);
    CreateWeight();
}

KScnConstraintScale::KScnConstraintScale(KScnSdkManager* manager, const char* name)
    : KScnConstraint(manager, name), mProperties(new KScnConstraintScaleProperties(this))
{
    AttachPropertySet(mProperties);
}

void KScnConstraintScale::SetOffset(KgeTVector offset)
{
    StoreOffset("Scaling", offset);
}

} // namespace scenesdk
