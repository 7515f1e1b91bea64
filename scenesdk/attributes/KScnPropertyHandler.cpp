#include "scenesdk/attributes/KScnPropertyHandler.h"

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/kernel/KProperty.h"

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
    if ((code == eValueChanging || code == eRenaming) && emitter != nullptr && emitter->GetOwner() == this)
    {
        KScnTakeNodeContainer* owner = GetOwner();
        if (owner != nullptr && owner->HasDeferredTakeBuild() && emitter->IsA(KProperty::ClassId))
        {
            if (code == eRenaming)
            {
                owner->BuildDeferredTakes(); // the channels carry the names they were made with
            }
            else
            {
                owner->NotePropertyChanging(static_cast<KProperty*>(emitter));
            }
        }
    }
    return KObject::NotifyEvent14(path, code, emitter, a, b, c);
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
