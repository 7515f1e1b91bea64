#include "scenesdk/attributes/KScnConstraintParent.h"

#include "scenesdk/kernel/KScnObject.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintParentProperties, &KScnConstraintProperty::ClassRecord);

KScnConstraintParentProperties::KScnConstraintParentProperties(KScnConstraintParent* owner)
    : KScnConstraintProperty(owner)
{
    using Self = KScnConstraintParentProperties;
    Bind(Active, "Active", &Self::GetActive, &Self::SetActive);
    Bind(Lock, "Lock", &Self::GetLock, &Self::SetLock);
    BindObjectList(Destination, "Destination", "Constrained object (Child)", 1, true);
    BindObjectList(Source, "Source", "Source (Parent)", -1, false);
    Bind(AffectTranslationX, "AffectTranslationX", &Self::GetAffectTranslationX,
         &Self::SetAffectTranslationX);
    Bind(AffectTranslationY, "AffectTranslationY", &Self::GetAffectTranslationY,
         &Self::SetAffectTranslationY);
    Bind(AffectTranslationZ, "AffectTranslationZ", &Self::GetAffectTranslationZ,
         &Self::SetAffectTranslationZ);
    Bind(AffectRotationX, "AffectRotationX", &Self::GetAffectRotationX, &Self::SetAffectRotationX);
    Bind(AffectRotationY, "AffectRotationY", &Self::GetAffectRotationY, &Self::SetAffectRotationY);
    Bind(AffectRotationZ, "AffectRotationZ", &Self::GetAffectRotationZ, &Self::SetAffectRotationZ);
    Bind(AffectScalingX, "AffectScalingX", &Self::GetAffectScalingX, &Self::SetAffectScalingX);
    Bind(AffectScalingY, "AffectScalingY", &Self::GetAffectScalingY, &Self::SetAffectScalingY);
    Bind(AffectScalingZ, "AffectScalingZ", &Self::GetAffectScalingZ, &Self::SetAffectScalingZ);
    CreateWeight();
}

KScnConstraintParent::KScnConstraintParent(KScnSdkManager* manager, const char* name)
    : KScnConstraint(manager, name), mProperties(new KScnConstraintParentProperties(this))
{
    AttachPropertySet(mProperties);
}

void KScnConstraintParent::SetRotationOffset(const KScnObject* source, KgeTVector offset)
{
    if (source == nullptr)
    {
        return;
    }
    KString name = source->GetNameWithoutPrefix();
    name += ".Offset R";
    StoreOffset(name.Buffer(), offset);
}

} // namespace scenesdk
