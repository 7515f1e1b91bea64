#include "scenesdk/attributes/KScnPropertyHandler.h"

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnPropertyHandler, &KObject::ClassRecord);

KProperty* KScnPropertyHandler::CreateDynamicProperty(const char* name, int typeCode, KDataType* dataType,
                                                      bool animatable, bool ownsEnumList,
                                                      KProperty* reference, bool returnExisting)
{
    KProperty* property =
        CreateProperty(name, typeCode, dataType, false, ownsEnumList, reference, returnExisting);
    if (property != nullptr && animatable)
    {
        property->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
    }
    return property;
}

namespace
{
bool IsUserPropertyOf(KScnTakeNodeContainer* owner, const KScnPropertyRef* ref)
{
    // A record just added (the owner's OnUserPropertyAdded asks for its
    // property) is the last one: found without a search.
    const int count = owner != nullptr ? owner->GetUserPropertyCount() : 0;
    if (count > 0 && owner->GetUserProperty(count - 1) == ref)
    {
        return true;
    }
    for (int i = 0; i < count; ++i)
    {
        if (owner->GetUserProperty(i) == ref)
        {
            return true;
        }
    }
    return false;
}
} // namespace

bool KScnPropertyHandler::CreatePropertyForRef(KScnPropertyRef* ref)
{
    // Kernel type code per public data type code.
    static const int kTypeCodes[] = {eKPropUnknown, eKPropBool,     eKPropDouble, eKPropColorRGB,
                                     eKPropInt,     eKPropVector3D, eKPropEnum};
    KScnUserPropertyRecord* record = ref != nullptr ? ref->GetRecord() : nullptr;
    if (record == nullptr || ref->GetProperty() != nullptr)
    {
        return false;
    }
    const int type = ref->GetPropertyDataType();
    if (type <= eUserPropUnidentified || type > eUserPropEnum)
    {
        return false;
    }
    KProperty* created = CreateDynamicProperty(ref->GetName(), kTypeCodes[type], nullptr, false);
    if (created == nullptr)
    {
        return false;
    }
    KScnPropertyHandler* const handler = ref->GetHandler();
    KScnTakeNodeContainer* owner = GetOwner();
    try
    {
        created->SetLabel(ref->GetLabel(true));
        created->SetMinMax(record->mMinimum, record->mMaximum);
        ref->SetProperty(created);
        ref->SetHandler(this);
        // Flag 1 also marks the property animatable (attribute flag 2).
        ref->SetFlag(record->mFlags, true);
        if (ref->GetFlag(KScnPropertyRef::kFlagAnimatable))
        {
            created->SetFlagNotify(KProperty::kStateAnimatableUser, true);
            // Joining the list made no channel: the record had no property then.
            if (IsUserPropertyOf(owner, ref))
            {
                owner->AddPropertyToTakes(created);
            }
        }
    }
    catch (...)
    {
        // Memory ran out: the property goes again, without allocating (the
        // takes took back the channels they were given).
        ref->SetProperty(nullptr);
        ref->SetHandler(handler);
        DestroyPropertyAt(GetPropertyIndex(created));
        throw;
    }
    return true;
}

bool KScnPropertyHandler::RemovePropertyForRef(KScnPropertyRef* ref)
{
    KProperty* property = ref != nullptr ? ref->GetProperty() : nullptr;
    const int index = property != nullptr && property->IsDynamic() ? GetPropertyIndex(property) : -1;
    if (index < 0)
    {
        return false;
    }
    // The record stays where it is listed (among the owner's user
    // properties or not); only the channels made for the property go, since
    // a property made again for the record would not be linked to them.
    if (KScnTakeNodeContainer* owner = GetOwner())
    {
        owner->RemovePropertyFromTakes(property);
        // Other handles standing for the property stop standing for it.
        if (KScnSdkManager* manager = owner->GetSdkManager())
        {
            manager->ForgetStandIns(this, property);
        }
    }
    ref->SetProperty(nullptr);
    DestroyPropertyAt(GetPropertyIndex(property));
    return true;
}

bool KScnPropertyHandler::OnPropertyChange(int operation, KProperty* property, bool dynamic)
{
    // The owner's deferred handles stand for the list as it was: they are
    // made before it changes.
    if (operation == ePropertyAdding || operation == ePropertyRemoving)
    {
        if (KScnTakeNodeContainer* owner = GetOwner())
        {
            owner->MakeDeferred();
            owner->BuildDeferredTakes();
        }
    }
    // The owner's links must not outlive the property they write into.
    if (operation == ePropertyRemoving && property != nullptr)
    {
        if (KScnTakeNodeContainer* owner = GetOwner())
        {
            owner->UnlinkPropertyCurves(property);
        }
    }
    return KObject::OnPropertyChange(operation, property, dynamic);
}

bool KScnPropertyHandler::HearsPropertyRemoval()
{
    KScnTakeNodeContainer* owner = GetOwner();
    return owner != nullptr && (owner->GetDeferredUserPropertyCount() > 0 || owner->HasDeferredTakeBuild() ||
                                owner->HasPropertyCurveLinks());
}

bool KScnPropertyHandler::NotifyEvent14(const KEventPath* path, int code, KPlug* emitter, const void* a,
                                        const void* b, const void* c)
{
    if ((code == eValueChanging || code == eValueChanged || code == eRenaming) && emitter != nullptr &&
        emitter->GetOwner() == this && emitter->IsA(KProperty::ClassId))
    {
        auto* property = static_cast<KProperty*>(emitter);
        KScnTakeNodeContainer* owner = GetOwner();
        if (code == eRenaming)
        {
            if (owner != nullptr && owner->HasDeferredTakeBuild())
            {
                owner->BuildDeferredTakes(); // the channels carry the names they were made with
            }
        }
        else if (owner != nullptr && PushesEveryWrite() && property->IsAnimatable() &&
                 !KScnTakeNodeContainer::IsWrittenByCurve(property))
        {
            // Whoever wrote the value, its channels follow it: what they need
            // is had before it changes, so that nothing stops them after.
            if (code == eValueChanging)
            {
                PreparePushToTakes(*property);
            }
            else
            {
                PushPropertyToTakes(*property);
            }
        }
    }
    return KObject::NotifyEvent14(path, code, emitter, a, b, c);
}

void KScnPropertyHandler::PreparePushToTakes(KProperty& property)
{
    if (KScnTakeNodeContainer* owner = GetOwner())
    {
        owner->PreparePropertyPush(&property);
    }
}

void KScnPropertyHandler::PrepareDestroy()
{
    KScnTakeNodeContainer* owner = GetOwner();
    if (owner != nullptr && owner->HasPropertyCurveLinks())
    {
        for (int i = 0; i < GetPropertyCount(); ++i)
        {
            owner->UnlinkPropertyCurves(GetProperty(i));
        }
    }
    KObject::PrepareDestroy();
}

} // namespace scenesdk
