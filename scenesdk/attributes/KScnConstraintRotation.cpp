#include "scenesdk/attributes/KScnConstraintRotation.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintRotationProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintRotationProperties::KScnConstraintRotationProperties(KScnConstraintRotation* owner)
    : KScnConstraintProperty(owner)
{
    using Self = KScnConstraintRotationProperties;
    Bind(Active, "Active", &Self::GetActive, &Self::SetActive);
    Bind(Lock, "Lock", &Self::GetLock, &Self::SetLock);
    BindObjectList(Destination, "Destination", "Constrained Object", 1, true);
    BindObjectList(Source, "Source", "Source", -1, false);
    Bind(AffectX, "AffectX", &Self::GetAffectX, &Self::SetAffectX);
    Bind(AffectY, "AffectY", &Self::GetAffectY, &Self::SetAffectY);
    Bind(AffectZ, "AffectZ", &Self::GetAffectZ, &Self::SetAffectZ);
    CreateAnimatedVector("Rotation", 0.0, 0.0, 0.0);
    CreateWeight();
}

KScnConstraintRotation::KScnConstraintRotation(KScnSdkManager* manager, const char* name)
    : KScnConstraint(manager, name), mProperties(new KScnConstraintRotationProperties(this))
{
    AttachPropertySet(mProperties);
}

void KScnConstraintRotation::SetOffset(KgeTVector offset)
{
    StoreOffset("Rotation", offset);
}

} // namespace scenesdk
