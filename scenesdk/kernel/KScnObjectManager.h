#pragma once

#include "scenesdk/kernel/KHandleTable.h"
#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KObject;

// First part of every event record passed to subscribers. A callback sets
// stop to end the dispatch after itself.
struct KEventRecord
{
    explicit KEventRecord(uint32_t eventId) : id(eventId) {}
    uint32_t id;
    bool stop = false;
};

// Object event of a KObject, sent to its manager link.
struct KObjectEventRecord : KEventRecord
{
    static constexpr uint32_t kId = 336738;
    KObjectEventRecord() : KEventRecord(kId) {}
    KObject* object = nullptr;
    int code = 0;
    HdlKObject self;
    HdlKObject other;
    int index = -1;
};

// Notification of the global object manager (two caller words).
struct KManagerNotifyRecord : KEventRecord
{
    static constexpr uint32_t kId = 0x34538402;
    KManagerNotifyRecord() : KEventRecord(kId) {}
    uintptr_t a = 0;
    uintptr_t b = 0;
};

// Subscriber callback: called on its context with the dispatch's source and the event.
using KSubscriberCallback = void (*)(void* context, void* source, KEventRecord* event);

// List of subscribers called for each dispatched event. Adding and removing
// subscribers from inside a callback is safe: the active dispatches keep
// cursors that are moved with the changes. A subscriber added during a
// dispatch is not called by it; one removed is not called after its removal.
// The list may even be destroyed from inside a callback (Destroy detaches the
// cursors and the dispatch ends at once).
class KSubscriberList
{
public:
    KSubscriberList() = default;
    KSubscriberList(const KSubscriberList&) = delete;
    KSubscriberList& operator=(const KSubscriberList&) = delete;
    ~KSubscriberList();

    // Inserts at the front; subscribers are called from the earliest registered on.
    void Add(void* context, KSubscriberCallback callback, int priority = 0x7FFFFFFF);
    bool Remove(void* context, KSubscriberCallback callback);
    void Clear();
    // Clear, and detach every active dispatch.
    void Destroy();
    bool Dispatch(void* source, KEventRecord* event);
    int GetCount() const { return static_cast<int>(m_Records.size()); }

private:
    struct Record
    {
        void* context;
        KSubscriberCallback callback;
        uintptr_t reserved;
        int priority;
    };
    struct Cursor
    {
        Cursor* next;
        KSubscriberList* list;
        int index; // next record to call is index - 1
        int end;
    };

    std::vector<Record> m_Records;
    Cursor* m_Cursors = nullptr;
};

class IRegister
{
public:
    virtual void* QueryInterface(uint32_t id) = 0;
    virtual void Release() = 0;
    virtual bool Register(uint32_t interfaceId, void* context, KSubscriberCallback callback,
                          int priority) = 0;
    virtual bool Unregister(uint32_t interfaceId, void* context, KSubscriberCallback callback) = 0;

protected:
    virtual ~IRegister() = default;
};

// The process-wide object manager: a subscriber list for manager notifications
// (interface id 0x34538402), reached through GetObjectManager.
class KScnObjectManager : public ICallback, public IRegister
{
public:
    static constexpr uint32_t kNotifyInterfaceId = 0x34538402;

    KScnObjectManager() = default;
    // ids 0 and 2: the ICallback side; 3: the IRegister side.
    void* QueryInterface(uint32_t id) override;
    void Destroy() override { delete this; }
    void Release() override { delete this; }
    bool Register(uint32_t interfaceId, void* context, KSubscriberCallback callback, int priority) override;
    bool Unregister(uint32_t interfaceId, void* context, KSubscriberCallback callback) override;
    void Notify(uintptr_t a, uintptr_t b);
    KSubscriberList& GetSubscribers() { return m_Subscribers; }

protected:
    ~KScnObjectManager() override = default;

private:
    KSubscriberList m_Subscribers;
};

// The global manager (made on the first call, once per process); its ICallback side.
ICallback* GetObjectManager();
// The global manager itself, or null before the first GetObjectManager.
KScnObjectManager* FindObjectManager();
void ObjectManagerNotify(uintptr_t a, uintptr_t b);
bool ObjectManagerRegister(KSubscriberCallback callback);
bool ObjectManagerUnregister(KSubscriberCallback callback);

// Named event channels: a process-wide table from channel names to subscriber lists.
struct KChannelRegistration
{
    KString name;
    void* context = nullptr;
    KSubscriberCallback callback = nullptr;
    bool registered = false;
};
// Subscribes to a channel (made on first use) and fills the registration.
// Memory running out throws std::bad_alloc with nothing subscribed.
bool ChannelSubscribe(const char* name, void* context, KSubscriberCallback callback,
                      KChannelRegistration* registration);
// Removes the registration's subscriber; an emptied channel is destroyed.
void ChannelRelease(KChannelRegistration* registration);
bool ChannelDispatch(const char* name, void* source, KEventRecord* event);
int ChannelCount();

// Holds up to four channel registrations of a library and releases them when
// destroyed. Proxies listed with AddExitProxy are destroyed at library stop,
// except those marked shared.
class kLibraryBaseProxy : public ICallback
{
public:
    static constexpr int kMaxChannels = 4;

    kLibraryBaseProxy() = default;
    void* QueryInterface(uint32_t id) override;
    void Destroy() override { delete this; }
    // Subscribes in the next free slot; false when all four are used.
    bool AddChannel(const char* name, void* context, KSubscriberCallback callback);
    int GetChannelCount() const;
    bool IsShared() const { return m_Shared; }
    void SetShared(bool shared) { m_Shared = shared; }

    static void AddExitProxy(kLibraryBaseProxy* proxy);
    // Destroys every listed proxy that is not shared and empties the list.
    static void ReleaseExitProxies();

protected:
    ~kLibraryBaseProxy() override;

private:
    std::vector<unsigned char> m_Block;
    KChannelRegistration* m_Channels[kMaxChannels] = {};
    bool m_Shared = false;
};

} // namespace scenesdk
