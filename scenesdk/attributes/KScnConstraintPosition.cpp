#include "scenesdk/attributes/KScnConstraintPosition.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintPositionProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintPositionProperties::KScnConstraintPositionProperties(KScnConstraintPosition* owner)
    : KScnConstraintProperty(owner)
{
    using Self = KScnConstraintPositionProperties;
    Bind(Active, "Active", &Self::GetActive, &Self::SetActive);
    Bind(Lock, "Lock", &Self::GetLock, &Self::SetLock);
    BindObjectList(Destination, "Destination", "Constrained Object", 1, true);
    BindObjectList(Source, "Source", "Source", -1, false);
    Bind(AffectX, "AffectX", &Self::GetAffectX, &Self::SetAffectX);
    Bind(AffectY, "AffectY", &Self::GetAffectY, &Self::SetAffectY);
    Bind(AffectZ, "AffectZ", &Self::GetAffectZ, &Self::SetAffectZ);
    CreateAnimatedVector("Translation", 0.0, 0.0, 0.0);
    CreateWeight();
}

KScnConstraintPosition::KScnConstraintPosition(KScnSdkManager* manager, const char* name)
    : KScnConstraint(manager, name), mProperties(new KScnConstraintPositionProperties(this))
{
    AttachPropertySet(mProperties);
}

void KScnConstraintPosition::SetOffset(KgeTVector offset)
{
    StoreOffset("Translation", offset);
}

} // namespace scenesdk
