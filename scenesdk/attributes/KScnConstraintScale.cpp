#include "scenesdk/attributes/KScnConstraintScale.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintScaleProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintScaleProperties::KScnConstraintScaleProperties(KScnConstraintScale* owner)
    : KScnConstraintTransferProperties(owner)
{
    BindTransferProperties("Scaling");
}

KScnConstraintScale::KScnConstraintScale(KScnSdkManager* manager, const char* name)
    : KScnConstraintTransferBase(manager, name, "Scaling"),
      mProperties(new KScnConstraintScaleProperties(this))
{
    AttachPropertySet(mProperties);
}

} // namespace scenesdk
