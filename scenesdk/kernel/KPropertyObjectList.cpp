#include "scenesdk/kernel/KPropertyObjectList.h"

#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPlugFilter.h"

namespace scenesdk
{

KCLASSID_DEFINE(KPropertyObjectList, &KProperty::ClassRecord);

KPropertyList::KPropertyList()
{
    m_Attributes.SetFlag(KPropertyAttributes::kList, true);
}

KPropertyObjectList::KPropertyObjectList()
{
    SetTypeCode(eKPropObject);
}

int KPropertyObjectList::GetCount() const
{
    return UsesSources() ? GetSrcCount() : GetDstCount();
}

KObject* KPropertyObjectList::GetAt(int index) const
{
    return KObject::Cast(UsesSources() ? GetSrc(index) : GetDst(index));
}

bool KPropertyObjectList::Add(KObject* object)
{
    Touch();
    return UsesSources() ? ConnectSrc(object) : ConnectDst(object);
}

bool KPropertyObjectList::SetAt(int index, KObject* object)
{
    Touch();
    return UsesSources() ? SetSrc(index, object) : SetDst(index, object);
}

bool KPropertyObjectList::RemoveAt(int index)
{
    Touch();
    return UsesSources() ? DisconnectSrcAt(index) : DisconnectDstAt(index);
}

bool KPropertyObjectList::InsertAt(int index, KObject* object)
{
    Touch();
    return UsesSources() ? InsertSrc(index, object) : InsertDst(index, object);
}

bool KPropertyObjectList::Remove(KObject* object)
{
    Touch();
    return UsesSources() ? DisconnectSrc(object) : DisconnectDst(object);
}

void KPropertyObjectList::Clear()
{
    Touch();
    if (UsesSources())
    {
        DisconnectAllSrc();
    }
    else
    {
        DisconnectAllDst();
    }
}

void KPropertyObjectList::SetFilter(int tag, int classId)
{
    m_FilterTag = tag;
    m_FilterClassId = classId;
    SetConnectionFilter(KClassIdFilter::ForClassId(classId));
}

int KPropertyObjectList::GetFilter(int* tag, int* classId) const
{
    if (tag)
    {
        *tag = m_FilterTag;
    }
    if (classId)
    {
        *classId = m_FilterClassId;
    }
    return m_FilterClassId;
}

int KPropertyObjectList::IndexOf(KObject* object) const
{
    if (!object)
    {
        return -1;
    }
    return UsesSources() ? FindSrc(object) : FindDst(object);
}

bool KPropertyObjectList::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index,
                                          KPlug* other, uint32_t type, KPlug* extra)
{
    if (emitter == this && (code == eSrcAdded || code == eSrcRemoved))
    {
        Touch();
    }
    return KProperty::ConnectionEvent(path, code, emitter, index, other, type, extra);
}

KPropertyObjectList* KPropertyObjectList::Create(KObject* owner, const char* name, uint32_t filterFlag,
                                                 int classId, int tag, uint32_t plugFlags, uint32_t state)
{
    // Owned here until its owner lists it (or, without one, until returned):
    // memory running out part-way frees it.
    std::unique_ptr<KPropertyObjectList, void (*)(KPropertyObjectList*)> made(
        new KPropertyObjectList, [](KPropertyObjectList* p) { p->Destroy(); });
    KPropertyObjectList* list = made.get();
    list->SetState(state);
    list->GetAttributes().SetFlag(KPropertyAttributes::kList | KPropertyAttributes::kObjectList, true);
    list->Initialize(name, owner);
    list->SetFilter(tag, classId);
    list->SetConnectionFilter(KClassIdFilter::ForClassId(classId), filterFlag);
    list->SetPlugFlags((list->GetPlugFlags() & ~7u) | (plugFlags & 7u));
    list->SetNameAndTypeCode(name, eKPropObject);
    list->GetAttributes().SetFlag(KPropertyAttributes::kOwnedName | KPropertyAttributes::kDynamic, true);
    if (!owner)
    {
        return made.release();
    }
    // The owner's handlers may ask to destroy it or the list: a list that did
    // not survive is answered by null.
    HdlKObject handle = list->GetHandle();
    {
        DepthGuard keep(owner);
        DepthGuard keepNew(list);
        owner->AddProperty(list);
        made.release();
    }
    return static_cast<KPropertyObjectList*>(handle.Get());
}

} // namespace scenesdk
