#pragma once

#include "scenesdk/kernel/KClassIdRecord.h"
#include "scenesdk/kernel/KHandleTable.h"
#include "scenesdk/kernel/KPlugConnectionList.h"

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KPlug;
class KPlugFilter;
class KObject;
class KProperty;
class KScnPropertyHandler;
class KScnNodeProperties;

// Root interface of the kernel's objects.
class IKObject
{
public:
    virtual void* QueryInterface(uint32_t id) = 0;
    virtual void Destroy() = 0;

protected:
    virtual ~IKObject() = default;
};

class ICallback : public IKObject
{
};

// Chain of plugs that forwarded an event to their owner: each owner that
// receives a forwarded event gets a record {path received, forwarding plug}.
// The sender passes null.
struct KEventPath
{
    const KEventPath* previous = nullptr;
    KPlug* plug = nullptr;
};

// Callback signatures for plugs without an owner (see KPlug::AddCallback).
using KPlugNotifyCallback = void (*)(void* user, const KEventPath* path, int code, KPlug* emitter,
                                     const void* a, const void* b, const void* c);
using KPlugConnectionCallback = void (*)(void* user, const KEventPath* path, int code, KPlug* emitter,
                                         int index, KPlug* other, uint32_t type, KPlug* extra);

// The root of every connectable kernel object.
//
// A plug holds two ordered lists, its sources and its destinations, may have an
// owner, may own filtered sub-plugs that mirror the part of its connections
// their class filter accepts, and announces every change of its connections
// as numbered events (ConnectionEvent): first as requests that may refuse the
// change (0, 1), then before (2, 3, 6, 7) and after it (4, 5, 8, 9); replaces
// are bracketed by 10/11 (source side) and 12/13 (destination side).
//
// Lifetime: plugs are created with new and destroyed only through Destroy(),
// which disconnects while the object is complete (derived event handlers still
// run) and then deletes it. A Destroy requested while a connection change on
// the plug is under way is deferred until the outermost change ends. A plug
// that goes leaves no entry behind: its one-way destinations are told too
// (though it does not list them), and the plugs it owns let go of it.
//
// Threads: a plug is used on one thread, but each thread may have a manager
// of its own; the count of live plugs is shared by all of them, and handle
// allocation takes the handle table's lock.
class KPlug : public ICallback
{
public:
    // Flag bits of the flags word.
    static constexpr uint32_t kAcceptsSrc = 1;     // others may become sources of this plug
    static constexpr uint32_t kAcceptsDst = 2;     // this plug may become a source of others
    static constexpr uint32_t kOneWayReceiver = 4; // connections to this plug are one-way
    static constexpr uint32_t kFiltered = 8;       // filtered sub-plug of its owner
    static constexpr uint32_t kOwnedChild = 16;    // made on demand by its owner, destroyed with it
    static constexpr uint32_t kDestroyPending = 0x10000;
    // Connection type bit: the destination lists the source, the source does not
    // list the destination and gets no request or events.
    static constexpr uint32_t kOneWayType = 2;

    static constexpr uint32_t kInterfaceId = 0xDE1947F3;

    // Event codes (ConnectionEvent unless noted).
    enum EEvent
    {
        eRequestSrc = 0,
        eRequestDst = 1,
        eSrcAdding = 2,
        eDstAdding = 3,
        eSrcAdded = 4,
        eDstAdded = 5,
        eSrcRemoving = 6,
        eDstRemoving = 7,
        eSrcRemoved = 8,
        eDstRemoved = 9,
        eReplaceSrcSideBegin = 10,
        eReplaceSrcSideEnd = 11,
        eReplaceDstSideBegin = 12,
        eReplaceDstSideEnd = 13,
        eEvent16 = 16,
        eEvent17 = 17,
        eValueChanging = 20, // NotifyEvent14 from properties
        eValueChanged = 21,
        eDisconnectAll = 23, // NotifyEvent15
        eRenaming = 27,
        eRenamed = 28,
        eFlagsChanged = 31,
    };

    KPlug();
    KPlug(const KPlug&) = delete;
    KPlug& operator=(const KPlug&) = delete;

    void* QueryInterface(uint32_t id) override;
    void Destroy() override;
    // Called once after creation; the base does nothing (KObject registers in a world).
    virtual void OnCreate(void* arg);
    virtual void DisconnectAll();

    // Class identity (every derived class overrides these through KCLASSID_DECLARE).
    static int ClassId;
    static KClassIdRecord ClassRecord;
    virtual bool IsA(int classNumber) const;
    virtual int GetClassId() const;
    virtual const char* GetClassName() const;
    virtual KClassIdRecord* GetClassIdRecord() const;
    // The parent class number, -1 for a root.
    int GetParentClassId() const;
    virtual int GetClassWideNumber() const { return 2; }
    // Name prefix of the class ("" for kernel classes), used in full names.
    virtual const char* GetNamePrefix() const { return ""; }
    // The plug as an object, a property, or a scene object's property set;
    // null for any other plug. Overridden once, by those three classes, so
    // it answers as a cast would without asking the type system or walking
    // the class records (hot in connection events and bookkeeping).
    virtual KObject* AsObject() { return nullptr; }
    virtual KProperty* AsProperty() { return nullptr; }
    virtual KScnPropertyHandler* AsPropertyHandler() { return nullptr; }
    // The plug as a node's property set (the links of the node tree); null otherwise.
    virtual KScnNodeProperties* AsNodeProperties() { return nullptr; }

    // Makes a new plain plug (derived classes may make their own kind).
    virtual KPlug* CreatePlug(KPlugFilter* filter);
    virtual bool IsBeingReplaced(KPlug* a, KPlug* b);
    virtual bool HasOwner(int arg = 0);
    KPlug* GetOwner() const { return m_Owner; }

    // Events. See the class comment and EEvent.
    virtual bool NotifyEvent14(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                               const void* c);
    virtual bool NotifyEvent15(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                               const void* c);
    virtual bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                                 uint32_t type, KPlug* extra);

    // False when owner already is the owner, or would close an owner ring.
    virtual bool SetOwner(KPlug* owner);
    virtual int GetPropertyCount() { return 0; }
    virtual KProperty* GetProperty(int) { return nullptr; }
    virtual bool AdoptChild(KPlug* child);
    virtual bool ReleaseChild(KPlug* child);
    virtual bool SendEvent16();
    virtual bool SendEvent17();
    virtual void BeginChange() {}
    virtual void EndChange() {}

    // Weak handle support.
    KHandleEntry* GetHandleEntry();
    HdlKObject GetHandle();

    // Connections. Each returns false and changes nothing when refused, but
    // for a replace (ReplaceSrc, ReplaceDst, and SetSrc or SetDst on an
    // existing entry), which cuts the old connection first: a refused new
    // one leaves it cut.
    // Memory running out: every connect (ConnectSrc, ConnectDst, InsertSrc,
    // InsertDst, SetSrc and SetDst past the end) may throw std::bad_alloc,
    // as the lists grow or as a handler notes the connection (a scene counts
    // a material put on its node); it is then whole: the connection is not
    // made, and the handlers that heard it added hear it removed. A replace
    // that throws makes the old connection again where it was (unless
    // memory runs out for that too: then it stays cut). Disconnecting takes
    // no memory and never throws for want of it.
    bool ConnectSrc(KPlug* src, uint32_t type = 0);
    bool ConnectDst(KPlug* dst, uint32_t type = 0);
    bool InsertSrc(int index, KPlug* src, uint32_t type = 0);
    bool InsertDst(int index, KPlug* dst, uint32_t type = 0);
    bool SetSrc(int index, KPlug* src);
    bool SetDst(int index, KPlug* dst);
    bool ReplaceSrc(KPlug* oldSrc, KPlug* newSrc, int index = -1);
    bool ReplaceDst(KPlug* oldDst, KPlug* newDst, int index = -1);
    bool DisconnectSrc(KPlug* src);
    bool DisconnectDst(KPlug* dst);
    bool DisconnectSrcAt(int index);
    bool DisconnectDstAt(int index);
    void DisconnectAllSrc();
    void DisconnectAllDst();
    bool IsSrcConnected(KPlug* src) const;
    bool IsDstConnected(KPlug* dst) const;
    // A hint, nothing more: asks the memory system for what a change of
    // this plug's links reads first. Stage 0 asks for the plug's own
    // fields; 1 for the head of its source (destinations: destination)
    // list, reading the fields; 2 for that list's last entry, reading the
    // head. A walk that changes thousands of links whose far ends are out
    // of the cache asks for these a few links ahead, each stage once the
    // one before it has had time to arrive.
    void PrefetchForLinks(int stage, bool destinations) const;

    int GetSrcCount() const { return m_Links ? m_Links->src.Size() : 0; }
    int GetDstCount() const { return m_Links ? m_Links->dst.Size() : 0; }
    // Null (or 0) for an index out of range.
    KPlug* GetSrc(int i) const { return i >= 0 && i < GetSrcCount() ? m_Links->src.At(i).plug : nullptr; }
    KPlug* GetDst(int i) const { return i >= 0 && i < GetDstCount() ? m_Links->dst.At(i).plug : nullptr; }
    uint32_t GetSrcType(int i) const { return i >= 0 && i < GetSrcCount() ? m_Links->src.At(i).type : 0; }
    uint32_t GetDstType(int i) const { return i >= 0 && i < GetDstCount() ? m_Links->dst.At(i).type : 0; }
    int FindSrc(const KPlug* src) const; // last index, or -1
    int FindDst(const KPlug* dst) const;

    // Class-filtered views: the lists of the filtered sub-plug for the class
    // (created on the first query). -1 and KPlug's number give the whole lists;
    // an unregistered class gives an empty view.
    int GetSrcCount(int classId);
    KPlug* GetSrc(int i, int classId);
    int GetDstCount(int classId);
    KPlug* GetDst(int i, int classId);

    // Ownership and filtering.
    // The one-argument form keeps the current filtered flag.
    void SetConnectionFilter(KPlugFilter* filter);
    void SetConnectionFilter(KPlugFilter* filter, uint32_t filteredBit);
    // The installed filter; null stands for "None" (accepts everything).
    KPlugFilter* GetConnectionFilter() const { return m_Links ? m_Links->filter : nullptr; }
    bool FilterAccepts(KPlug* plug) const;
    KPlug* FindFilteredPlug(KPlugFilter* filter);
    KPlug* GetFilteredPlug(KPlugFilter* filter);
    int GetChildCount() const
    {
        return HasHint(kHasChildren) ? static_cast<int>(m_Links->children.size()) : 0;
    }
    KPlug* GetChild(int i) const;

    uint32_t GetPlugFlags() const { return m_Flags; }
    void SetPlugFlags(uint32_t flags) { m_Flags = flags; }
    bool HasPlugFlag(uint32_t bits) const { return (m_Flags & bits) != 0; }
    // Number of connection changes in progress on this plug.
    int GetNotificationDepth() const { return static_cast<int>(m_Depth & kDepthMask); }

    // Callback records, used by plugs without an owner. Records are removed
    // lazily: RemoveCallback only deactivates, the list drops the record after
    // the current dispatch.
    void AddCallback(void* user, KPlugNotifyCallback f14, KPlugNotifyCallback f15,
                     KPlugConnectionCallback fConn);
    bool RemoveCallback(void* user);

    // Number of plugs alive in the process.
    static int GetLivePlugCount();

    // Holds a plug's notification depth up for a scope; a Destroy requested in
    // the meantime runs when the outermost guard ends. The plug's owner is held
    // too: a property declared as a member of its object dies with it, so the
    // object must stay while the property is in the middle of a change.
    class DepthGuard
    {
    public:
        explicit DepthGuard(KPlug* plug) : m_Plug(plug), m_Owner(plug->m_Owner)
        {
            ++m_Plug->m_Depth;
            if (m_Owner)
            {
                ++m_Owner->m_Depth;
            }
        }
        ~DepthGuard()
        {
            m_Plug->LowerDepth();
            if (m_Owner)
            {
                m_Owner->LowerDepth();
            }
        }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        KPlug* m_Plug;
        KPlug* m_Owner;
    };

protected:
    virtual ~KPlug();
    // Runs at the start of an immediate Destroy, before DisconnectAll.
    virtual void PrepareDestroy() {}
    // Sends an event to this plug's owner (with a path record) or its callbacks.
    bool PlugConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                             uint32_t type, KPlug* extra)
    {
        // Most plugs have neither: every event of theirs ends here.
        return !m_Owner && !HasHint(kHasCallbacks)
                   ? true
                   : PassConnectionEvent(path, code, emitter, index, other, type, extra);
    }
    bool PlugNotifyEvent(bool is15, const KEventPath* path, int code, KPlug* emitter, const void* a,
                         const void* b, const void* c);
    // Gives back the room the list of owned plugs holds beyond its entries
    // (and the lists themselves when they are all empty).
    void CompactOwnedList();
    // The owner's own record of a plug it also lists (a property in its
    // object's list): the list stands for it, and the owner lets the plug go
    // itself when it goes (KObject). Drop when it is listed, add back when
    // it is no longer.
    void DropOwnedEntry(KPlug* plug);
    void AddOwnedEntry(KPlug* plug);
    // Makes room for count owned plugs.
    void ReserveOwnedList(int count);
    // Removes every source and destination and releases the children, without events of its own.
    void DisconnectAllPlugLevel();

private:
    struct Callback
    {
        void* user;
        KPlugNotifyCallback f14;
        KPlugNotifyCallback f15;
        KPlugConnectionCallback fConn;
        bool active;
    };
    struct ChildMark;

    // An entry to insert before: the plug, and where the caller saw it (a hint
    // that tells duplicates apart; the plug is searched from the end otherwise).
    struct Before
    {
        KPlug* plug = nullptr;
        int hint = -1;
    };
    static Before BeforeEntry(const KPlugConnectionList& list, int index);
    static int ResolveBefore(const KPlugConnectionList& list, const Before& before);
    static bool Connect(KPlug* s, KPlug* d, uint32_t type, Before beforeDst, Before beforeSrc);
    static bool ConnectUnfiltered(KPlug* s, KPlug* d, uint32_t type, Before beforeDst, Before beforeSrc);
    // oneWayOnly: remove a one-way entry of s in d's sources, nothing else.
    // dAt: the entry of d's sources to remove when it is one of s (else the
    // last one is).
    static bool Disconnect(KPlug* s, KPlug* d, bool oneWayOnly = false, int dAt = -1);
    static void UnlinkOneWay(KPlug* s, KPlug* d);
    // Removes one connection without requests or events (last resort when a
    // disconnect is refused while a plug is being torn down).
    static void ForceUnlink(KPlug* s, KPlug* d);
    static bool AskAccept(KPlug* p, KPlug* other, bool asDestination);
    bool ReplaceImpl(bool srcSide, KPlug* oldPlug, KPlug* newPlug, int index);
    void MirrorInto(KPlug* child);
    void LeaveOwner();
    void ReleaseOwned();
    static void EraseLast(std::vector<KPlug*>& list, KPlug* plug);
    void DisconnectOneWayDestinations();
    void AddChildEntry(KPlug* child);
    void RemoveChildEntry(KPlug* child);
    void ReleaseChildren();
    void PurgeCallbacks();
    bool PassConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                             uint32_t type, KPlug* extra);
    void LowerDepth()
    {
        if ((--m_Depth & kDepthMask) == 0 && (m_Flags & kDestroyPending))
        {
            DestroyPended();
        }
    }
    void DestroyPended();

    KHandleEntry* m_HandleEntry = nullptr;
    KPlug* m_Owner = nullptr;
    // The lists of a plug, made when it first gets an entry: most plugs (the
    // declared properties of an object) never do.
    struct Links
    {
        KPlugConnectionList src;
        KPlugConnectionList dst;
        std::vector<KPlug*> children;  // filtered sub-plugs, in adoption order
        std::vector<KPlug*> owned;     // every plug whose owner this plug is
        std::vector<KPlug*> oneWayDst; // plugs that list this one as a one-way source
        KPlugFilter* filter = nullptr;
        std::vector<Callback>* callbacks = nullptr;
        int callbackDispatch = 0;

        Links() = default;
        Links(const Links&) = delete;
        Links& operator=(const Links&) = delete;
        ~Links() { delete callbacks; }
    };
    // Reading: the lists, or empty ones. Changing: the lists, made if need be.
    const Links& V() const
    {
        static const Links none;
        return m_Links ? *m_Links : none;
    }
    Links& L();
    // The filtered sub-plugs, read without touching the lists when there are none.
    const std::vector<KPlug*>& Children() const;
    // Keeps the children hint true to the list after it changed.
    void NoteChildren();
    Links* m_Links = nullptr;
    uint32_t m_Flags = kAcceptsSrc | kAcceptsDst;
    // The notification depth in the low bits, kept apart from the flags so
    // deep nesting cannot spill into them, and above it what the lists hold
    // that every change asks: a plug at the far end of a link is seldom in
    // the cache (one of thousands of materials a node links to), and these
    // spare it a look into its lists for a filter, callbacks or children it
    // does not have. Guards raise and lower the word as a whole: the depth
    // never comes near the hints.
    static constexpr uint32_t kDepthMask = (1u << 28) - 1;
    static constexpr uint32_t kHasFilter = 1u << 29;    // the lists hold a filter
    static constexpr uint32_t kHasCallbacks = 1u << 30; // the lists hold a callback list
    static constexpr uint32_t kHasChildren = 1u << 31;  // the lists hold a filtered sub-plug
    bool HasHint(uint32_t hint) const { return (m_Depth & hint) != 0; }
    void SetHint(uint32_t hint, bool on) { m_Depth = on ? (m_Depth | hint) : (m_Depth & ~hint); }
    uint32_t m_Depth = 0;
};

} // namespace scenesdk
