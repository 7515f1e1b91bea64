#include "scenesdk/attributes/KScnConstraintProperty.h"

#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/kernel/KDataType.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintProperty, &KScnPropertyHandler::ClassRecord);

int KScnConstraintProperty::GetClassIdOfKind(int kind)
{
    // Indexed by kind - 1. The character's set is looked up by name: its class
    // may live in another library, but its number is fixed by the kernel table.
    static const char* const kClassNames[] = {"KScnConstraintPositionProperties",
                                              "KScnConstraintRotationProperties",
                                              "KScnConstraintScaleProperties",
                                              "KScnConstraintParentProperties",
                                              "KScnConstraintSingleChainIKProperties",
                                              "KScnConstraintAimProperties",
                                              "KScnCharacterProperties"};
    if (kind < 1 || kind > 7)
    {
        return -1;
    }
    KClassIdRecord* record = KClassIdRecord::FindByName(kClassNames[kind - 1]);
    return record != nullptr ? record->GetNumber() : -1;
}

void KScnConstraintProperty::PushPropertyToTakes(KProperty& property)
{
    if (mOwner != nullptr)
    {
        mOwner->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnConstraintProperty::GetOwner()
{
    return mOwner;
}

void KScnConstraintProperty::BindObjectList(KPropertyObjectList& list, const char* bindingName,
                                            const char* finalName, int tag, bool destinations)
{
    list.Initialize(bindingName, this);
    list.GetAttributes().SetFlag(KPropertyAttributes::kObjectList, true);
    AddProperty(&list);
    list.SetNameAndTypeCode(finalName, eKPropObject);
    list.SetFilter(tag, -1);
    const uint32_t sides = destinations ? KPlug::kAcceptsDst : KPlug::kAcceptsSrc;
    list.SetPlugFlags((list.GetPlugFlags() & ~7u) | sides);
}

KProperty* KScnConstraintProperty::CreateAnimatedProperty(const char* name, const char* dataTypeName)
{
    KDataType* type = KDataType::FindByName(dataTypeName);
    if (type == nullptr)
    {
        return nullptr;
    }
    KProperty* property = CreateDynamicProperty(name, KDataType::ToTypeCode(type), type, true);
    if (property != nullptr)
    {
        property->SetFlagNotify(8, true);
    }
    return property;
}

KProperty* KScnConstraintProperty::CreateAnimatedVector(const char* name, double x, double y, double z)
{
    KProperty* property = CreateAnimatedProperty(name, "Vector");
    if (property != nullptr)
    {
        const double value[4] = {x, y, z, 1.0};
        property->SetFromDoubles(value);
    }
    return property;
}

KProperty* KScnConstraintProperty::CreateWeight()
{
    KProperty* property = CreateAnimatedProperty("Weight", "Weight");
    if (property != nullptr)
    {
        property->SetDouble(100.0);
    }
    return property;
}

} // namespace scenesdk
