#include "scenesdk/attributes/KScnConstraintRotation.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintRotationProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintRotationProperties::KScnConstraintRotationProperties(KScnConstraintRotation* owner)
    : KScnConstraintTransferProperties(owner)
{
    BindTransferProperties("Rotation");
}

KScnConstraintRotation::KScnConstraintRotation(KScnSdkManager* manager, const char* name)
    : KScnConstraintTransferBase(manager, name, "Rotation"),
      mProperties(new KScnConstraintRotationProperties(this))
{
    AttachPropertySet(mProperties);
}

} // namespace scenesdk
