#include "scenesdk/attributes/KScnConstraintPosition.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintPositionProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintPositionProperties::KScnConstraintPositionProperties(KScnConstraintPosition* owner)
    : KScnConstraintTransferProperties(owner)
{
    BindTransferProperties("Translation");
}

KScnConstraintPosition::KScnConstraintPosition(KScnSdkManager* manager, const char* name)
    : KScnConstraintTransferBase(manager, name, "Translation"),
      mProperties(new KScnConstraintPositionProperties(this))
{
    AttachPropertySet(mProperties);
}

} // namespace scenesdk
