#include "scenesdk/kernel/KScnObjectManager.h"

#include "scenesdk/kernel/KSortedStringMap.h"

#include <memory>
#include <mutex>

namespace scenesdk
{

// ---------------------------------------------------------------------------
// Subscriber list

KSubscriberList::~KSubscriberList()
{
    Destroy();
}

void KSubscriberList::Add(void* context, KSubscriberCallback callback, int priority)
{
    m_Records.insert(m_Records.begin(), Record{context, callback, 0, priority});
    for (Cursor* c = m_Cursors; c; c = c->next)
    {
        ++c->index;
        ++c->end;
    }
}

bool KSubscriberList::Remove(void* context, KSubscriberCallback callback)
{
    for (size_t i = 0; i < m_Records.size(); ++i)
    {
        if (m_Records[i].context == context && m_Records[i].callback == callback)
        {
            m_Records.erase(m_Records.begin() + static_cast<long>(i));
            int removed = static_cast<int>(i);
            for (Cursor* c = m_Cursors; c; c = c->next)
            {
                if (c->index > removed)
                {
                    --c->index;
                }
                if (c->end > removed)
                {
                    --c->end;
                }
            }
            return true;
        }
    }
    return false;
}

void KSubscriberList::Clear()
{
    m_Records.clear();
    for (Cursor* c = m_Cursors; c; c = c->next)
    {
        c->index = 0;
        c->end = 0;
    }
}

void KSubscriberList::Destroy()
{
    Clear();
    for (Cursor* c = m_Cursors; c; c = c->next)
    {
        c->list = nullptr;
    }
    m_Cursors = nullptr;
    std::vector<Record>().swap(m_Records);
}

bool KSubscriberList::Dispatch(void* source, KEventRecord* event)
{
    // Records are called from the last index (the earliest registered) down
    // to the cursor's end; Add and Remove move both indices as they shift.
    Cursor cursor{m_Cursors, this, static_cast<int>(m_Records.size()), 0};
    m_Cursors = &cursor;
    while (cursor.list && cursor.index > cursor.end)
    {
        --cursor.index;
        Record r = m_Records[static_cast<size_t>(cursor.index)];
        r.callback(r.context, source, event);
        if (!cursor.list)
        {
            return true; // the list was destroyed by the callback
        }
        if (event && event->stop)
        {
            break;
        }
    }
    // Unlink this cursor (it is the head unless an inner dispatch is still linked, which cannot be).
    Cursor** link = &m_Cursors;
    while (*link && *link != &cursor)
    {
        link = &(*link)->next;
    }
    if (*link)
    {
        *link = cursor.next;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Object manager

void* KScnObjectManager::QueryInterface(uint32_t id)
{
    if (id == 0 || id == 2)
    {
        return static_cast<ICallback*>(this);
    }
    if (id == 3)
    {
        return static_cast<IRegister*>(this);
    }
    return nullptr;
}

bool KScnObjectManager::Register(uint32_t interfaceId, void* context, KSubscriberCallback callback, int)
{
    if (interfaceId != kNotifyInterfaceId || !callback)
    {
        return false;
    }
    m_Subscribers.Add(context, callback, 0x7FFFFFFF);
    return true;
}

bool KScnObjectManager::Unregister(uint32_t interfaceId, void* context, KSubscriberCallback callback)
{
    if (interfaceId != kNotifyInterfaceId)
    {
        return false;
    }
    return m_Subscribers.Remove(context, callback);
}

void KScnObjectManager::Notify(uintptr_t a, uintptr_t b)
{
    KManagerNotifyRecord record;
    record.a = a;
    record.b = b;
    m_Subscribers.Dispatch(this, &record);
}

namespace
{
KScnObjectManager* gManager = nullptr;
std::once_flag gManagerOnce;
} // namespace

ICallback* GetObjectManager()
{
    // Made once per process; it lives until the process ends.
    std::call_once(gManagerOnce, [] { gManager = new KScnObjectManager; });
    return gManager ? static_cast<ICallback*>(gManager->QueryInterface(0)) : nullptr;
}

KScnObjectManager* FindObjectManager()
{
    return gManager;
}

void ObjectManagerNotify(uintptr_t a, uintptr_t b)
{
    if (gManager)
    {
        gManager->Notify(a, b);
    }
}

bool ObjectManagerRegister(KSubscriberCallback callback)
{
    GetObjectManager();
    auto* reg = gManager ? static_cast<IRegister*>(gManager->QueryInterface(3)) : nullptr;
    return reg && reg->Register(KScnObjectManager::kNotifyInterfaceId, nullptr, callback, 0x7FFFFFFF);
}

bool ObjectManagerUnregister(KSubscriberCallback callback)
{
    auto* reg = gManager ? static_cast<IRegister*>(gManager->QueryInterface(3)) : nullptr;
    return reg && reg->Unregister(KScnObjectManager::kNotifyInterfaceId, nullptr, callback);
}

// ---------------------------------------------------------------------------
// Named channels

namespace
{
KSortedStringMap& Channels()
{
    // Never destroyed: registrations may be released from exit-time code.
    static KSortedStringMap* map = []
    {
        auto* m = new KSortedStringMap(16);
        m->SetCaseSensitive(true);
        return m;
    }();
    return *map;
}

KSubscriberList* FindChannel(const char* name, int* index)
{
    return reinterpret_cast<KSubscriberList*>(Channels().Find(name, index));
}
} // namespace

bool ChannelSubscribe(const char* name, void* context, KSubscriberCallback callback,
                      KChannelRegistration* registration)
{
    if (!name || !callback || !registration)
    {
        return false;
    }
    // What takes memory first, a new channel ours until it is listed:
    // memory running out throws with nothing subscribed.
    KString copy(name);
    KSubscriberList* list = FindChannel(name, nullptr);
    std::unique_ptr<KSubscriberList> made;
    if (!list)
    {
        made = std::make_unique<KSubscriberList>();
        list = made.get();
    }
    list->Add(context, callback);
    if (made != nullptr)
    {
        Channels().Add(name, reinterpret_cast<uintptr_t>(list));
        made.release();
    }
    registration->name.Swap(copy);
    registration->context = context;
    registration->callback = callback;
    registration->registered = true;
    return true;
}

void ChannelRelease(KChannelRegistration* registration)
{
    if (!registration || !registration->registered)
    {
        return;
    }
    int index = -1;
    KSubscriberList* list = FindChannel(registration->name.Buffer(), &index);
    if (list)
    {
        list->Remove(registration->context, registration->callback);
        if (list->GetCount() == 0)
        {
            Channels().RemoveAt(index);
            list->Destroy();
            delete list;
        }
    }
    registration->registered = false;
    registration->context = nullptr;
    registration->callback = nullptr;
}

bool ChannelDispatch(const char* name, void* source, KEventRecord* event)
{
    KSubscriberList* list = name ? FindChannel(name, nullptr) : nullptr;
    return list ? list->Dispatch(source, event) : false;
}

int ChannelCount()
{
    return Channels().GetCount();
}

// ---------------------------------------------------------------------------
// Library proxies

namespace
{
std::vector<kLibraryBaseProxy*>& ExitProxies()
{
    static auto* list = new std::vector<kLibraryBaseProxy*>;
    return *list;
}
} // namespace

void* kLibraryBaseProxy::QueryInterface(uint32_t id)
{
    return id == 0 || id == 2 ? this : nullptr;
}

kLibraryBaseProxy::~kLibraryBaseProxy()
{
    for (KChannelRegistration*& r : m_Channels)
    {
        if (r)
        {
            ChannelRelease(r);
            delete r;
            r = nullptr;
        }
    }
}

bool kLibraryBaseProxy::AddChannel(const char* name, void* context, KSubscriberCallback callback)
{
    for (KChannelRegistration*& r : m_Channels)
    {
        if (!r)
        {
            auto reg = std::make_unique<KChannelRegistration>();
            if (!ChannelSubscribe(name, context, callback, reg.get()))
            {
                return false;
            }
            r = reg.release();
            return true;
        }
    }
    return false;
}

int kLibraryBaseProxy::GetChannelCount() const
{
    int n = 0;
    for (KChannelRegistration* r : m_Channels)
    {
        n += r ? 1 : 0;
    }
    return n;
}

void kLibraryBaseProxy::AddExitProxy(kLibraryBaseProxy* proxy)
{
    if (proxy)
    {
        ExitProxies().push_back(proxy);
    }
}

void kLibraryBaseProxy::ReleaseExitProxies()
{
    std::vector<kLibraryBaseProxy*> list;
    list.swap(ExitProxies());
    for (kLibraryBaseProxy* p : list)
    {
        if (!p->IsShared())
        {
            p->Destroy();
        }
    }
}

} // namespace scenesdk
