#include "scenesdk/attributes/KScnConstraintAim.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintAimProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintAimProperties::KScnConstraintAimProperties(KScnConstraintAim* owner)
    : KScnConstraintProperty(owner)
{
    using Self = KScnConstraintAimProperties;
    Bind(Active, "Active", &Self::GetActive, &Self::SetActive);
    Bind(Lock, "Lock", &Self::GetLock, &Self::SetLock);
    BindObjectList(ConstrainedObject, "ConstrainedObject", "Constrained Object", 1, true);
    BindObjectList(AimAtObjects, "AimAtObjects", "Aim At Object", -1, false);
    BindObjectList(WorldUpObject, "WorldUpObject", "World Up Object", 1, false);
    BindEnum(WorldUpType, "WorldUpType", &Self::GetWorldUpType, &Self::SetWorldUpType, &WorldUpTypeName);
    Bind(AffectX, "AffectX", &Self::GetAffectX, &Self::SetAffectX);
    Bind(AffectY, "AffectY", &Self::GetAffectY, &Self::SetAffectY);
    Bind(AffectZ, "AffectZ", &Self::GetAffectZ, &Self::SetAffectZ);
    CreateAnimatedVector("WorldUpVector", 0.0, 1.0, 0.0);
    CreateAnimatedVector("UpVector", 0.0, 1.0, 0.0);
    CreateAnimatedVector("AimVector", 1.0, 0.0, 0.0);
    CreateAnimatedVector("RotationOffset", 0.0, 0.0, 0.0);
    CreateWeight();
}

const char* KScnConstraintAimProperties::WorldUpTypeName(int value)
{
    static const char* const kNames[] = {"Scene Up", "Object Up", "Object Rotation Up", "Vector", "None"};
    return value >= 0 && value < 5 ? kNames[value] : nullptr;
}

KScnConstraintAim::EAimConstraintWoldUpType
KScnConstraintAimProperties::SetWorldUpType(KScnConstraintAim::EAimConstraintWoldUpType value)
{
    mWorldUpType = value;
    return value;
}
KScnConstraintAim::EAimConstraintWoldUpType KScnConstraintAimProperties::GetWorldUpType()
{
    return mWorldUpType;
}
bool KScnConstraintAimProperties::SetActive(bool value)
{
    return mActive = value;
}
bool KScnConstraintAimProperties::GetActive()
{
    return mActive;
}
bool KScnConstraintAimProperties::SetLock(bool value)
{
    return mLock = value;
}
bool KScnConstraintAimProperties::GetLock()
{
    return mLock;
}
bool KScnConstraintAimProperties::SetAffectX(bool value)
{
    return mAffect[0] = value;
}
bool KScnConstraintAimProperties::GetAffectX()
{
    return mAffect[0];
}
bool KScnConstraintAimProperties::SetAffectY(bool value)
{
    return mAffect[1] = value;
}
bool KScnConstraintAimProperties::GetAffectY()
{
    return mAffect[1];
}
bool KScnConstraintAimProperties::SetAffectZ(bool value)
{
    return mAffect[2] = value;
}
bool KScnConstraintAimProperties::GetAffectZ()
{
    return mAffect[2];
}

KScnConstraintAim::KScnConstraintAim(KScnSdkManager* manager, const char* name)
    : KScnConstraint(manager, name), mProperties(new KScnConstraintAimProperties(this))
{
    AttachPropertySet(mProperties);
}

void KScnConstraintAim::SetOffset(KgeTVector offset)
{
    StoreOffset("RotationOffset", offset);
}

} // namespace scenesdk
