#include "scenesdk/kernel/KGenericObjectList.h"

#include <algorithm>
#include <cstring>

namespace scenesdk
{

KCLASSID_DEFINE(KGenericObjectList, &KObject::ClassRecord);
KCLASSID_DEFINE(KObjectList, &KGenericObjectList::ClassRecord);

KGenericObjectList::KGenericObjectList() = default;

void KGenericObjectList::SetListener(KObject* listener)
{
    m_Listener = listener && listener != this ? listener->GetHandle() : HdlKObject();
}

KObject* KGenericObjectList::GetListener()
{
    KObject* l = Cast(m_Listener.Get());
    return l ? l : this;
}

KGenericObjectList::~KGenericObjectList() = default;

void KGenericObjectList::PrepareDestroy()
{
    Clear(false);
    KObject::PrepareDestroy();
}

bool KGenericObjectList::Ask(int operation, const HdlKObject& handle, int index)
{
    return GetListener()->OnObjectListChange(this, operation, Cast(handle.Get()), index);
}

void KGenericObjectList::Tell(int operation, const HdlKObject& handle, int index)
{
    GetListener()->OnObjectListChange(this, operation, Cast(handle.Get()), index);
}

HdlKObject KGenericObjectList::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_Items[static_cast<size_t>(index)] : HdlKObject();
}

KObject* KGenericObjectList::GetObjectAt(int index) const
{
    return Cast(GetAt(index).Get());
}

int KGenericObjectList::Add(const HdlKObject& handle)
{
    DepthGuard keep(this); // the listener may ask to destroy this list
    if (!Ask(eListAdd, handle, 0))
    {
        return -1;
    }
    int i = RawAppend(handle);
    Tell(eListAdded, handle, 0);
    return i;
}

int KGenericObjectList::InsertAt(int index, const HdlKObject& handle)
{
    DepthGuard keep(this); // the listener may ask to destroy this list
    if (!Ask(eListAdd, handle, 0))
    {
        return -1;
    }
    int i = RawInsert(index, handle);
    Tell(eListAdded, handle, 0);
    return i;
}

int KGenericObjectList::SetAt(int index, const HdlKObject& handle)
{
    DepthGuard keep(this); // the listener may ask to destroy this list
    if (index < 0 || index >= GetCount() || !Ask(eListAdd, handle, 0))
    {
        return -1;
    }
    if (!RawSet(index, handle))
    {
        return -1;
    }
    Tell(eListAdded, handle, 0);
    return index;
}

bool KGenericObjectList::RemoveAt(int index)
{
    DepthGuard keep(this); // the listener may ask to destroy this list
    if (index < 0 || index >= GetCount())
    {
        return false;
    }
    HdlKObject h = m_Items[static_cast<size_t>(index)];
    if (!Ask(eListRemove, h, index))
    {
        return false;
    }
    // The listener may have changed the list: remove the same item if it is still there.
    if (index >= GetCount() || m_Items[static_cast<size_t>(index)] != h)
    {
        index = IndexOf(h);
        if (index < 0)
        {
            return false;
        }
    }
    m_Items.erase(m_Items.begin() + index);
    Tell(eListRemoved, h, index);
    return true;
}

bool KGenericObjectList::Remove(const HdlKObject& handle)
{
    int index = IndexOf(handle);
    return index >= 0 && RemoveAt(index);
}

int KGenericObjectList::IndexOf(const HdlKObject& handle) const
{
    for (size_t i = m_Items.size(); i-- > 0;)
    {
        if (m_Items[i] == handle)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void KGenericObjectList::Clear(bool destroyObjects)
{
    DepthGuard guard(this); // the listener or a destroy may ask to destroy this list
    if (m_Items.empty() || !Ask(eListClear, HdlKObject(), 0))
    {
        return;
    }
    if (destroyObjects)
    {
        // A destroy may change this list: work from a copy and resolve each
        // handle again just before destroying its object.
        std::vector<HdlKObject> items = m_Items;
        for (size_t i = items.size(); i-- > 0;)
        {
            KPlug* p = items[i].Get();
            if (p && p != this)
            {
                p->Destroy();
            }
        }
        m_Items.clear();
        return;
    }
    m_Items.clear();
}

int KGenericObjectList::AddAll(const KGenericObjectList& other)
{
    DepthGuard guard(this);
    std::vector<HdlKObject> items = other.m_Items;
    int n = 0;
    for (const HdlKObject& h : items)
    {
        n += Add(h) >= 0 ? 1 : 0;
    }
    return n;
}

HdlKObject KGenericObjectList::FindByName(const char* name) const
{
    if (!name)
    {
        return HdlKObject();
    }
    for (const HdlKObject& h : m_Items)
    {
        KObject* o = Cast(h.Get());
        if (o && std::strcmp(o->GetFullName(), name) == 0)
        {
            return h;
        }
    }
    return HdlKObject();
}

int KGenericObjectList::RawAppend(const HdlKObject& handle)
{
    m_Items.push_back(handle);
    return GetCount() - 1;
}

int KGenericObjectList::RawInsert(int index, const HdlKObject& handle)
{
    index = std::clamp(index, 0, GetCount());
    m_Items.insert(m_Items.begin() + index, handle);
    return index;
}

bool KGenericObjectList::RawSet(int index, const HdlKObject& handle)
{
    if (index < 0 || index >= GetCount())
    {
        return false;
    }
    m_Items[static_cast<size_t>(index)] = handle;
    return true;
}

} // namespace scenesdk
