#include "scenesdk/kernel/KPlug.h"

#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KScnReadMeter.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

namespace scenesdk
{

KClassIdRecord KPlug::ClassRecord;
int KPlug::ClassId =
    KClassIdRecord::Declare(&KPlug::ClassRecord, &KPlug::ClassId, "KPlug", nullptr, KClassIdRecord::kPlugId);

namespace
{
// Plugs are made and destroyed on every thread that has a manager of its own.
std::atomic<int> gLivePlugs{0};

int FindLast(const KPlugConnectionList& list, const KPlug* plug)
{
    return list.FindLast(plug);
}

// Number of entries of sub (a subsequence of full, same order) that stand in
// full before position end.
int SubsequenceIndex(const KPlugConnectionList& full, const KPlugConnectionList& sub, int end)
{
    if (end >= full.Size())
    {
        return sub.Size();
    }
    int j = 0;
    for (int i = 0; i < end && j < sub.Size(); ++i)
    {
        if (full.At(i).plug == sub.At(j).plug)
        {
            ++j;
        }
    }
    return j;
}

// Last entry of plug whose one-way bit is as asked; -1 when none.
int FindLastOfKind(const KPlugConnectionList& list, const KPlug* plug, bool oneWay)
{
    return list.FindLastOfKind(plug, oneWay);
}

// The entry of s in d's source list that pairs with s's own list: a two-way
// entry when s lists d, a one-way entry otherwise (any entry when the lists
// disagree, unless only a one-way entry will do).
int FindPairedSource(const KPlugConnectionList& dSrc, const KPlug* s, bool sListsD, bool oneWayOnly)
{
    int i = FindLastOfKind(dSrc, s, !sListsD);
    return i < 0 && !oneWayOnly ? FindLast(dSrc, s) : i;
}

bool IsListedAt(const KPlugConnectionList& list, int index, const KPlug* plug)
{
    return index >= 0 && index < list.Size() && list.At(index).plug == plug;
}

void InsertAt(KPlugConnectionList& list, int index, KPlug* plug, uint32_t type)
{
    list.Insert(index, plug, type);
}

// A short list that lives on the stack up to kInline items and takes heap
// memory only past them: removing a connection (which every teardown does)
// gathers a plug's filtered views in these, and a plug has a few at most,
// so no removal allocates.
template <typename T, int kInline = 16> class StackList
{
public:
    void push_back(const T& item)
    {
        if (m_Count < kInline)
        {
            m_Items[m_Count] = item;
        }
        else
        {
            m_More.push_back(item);
        }
        ++m_Count;
    }
    // Room for count items, so that pushing up to them cannot fail.
    void reserve(size_t count)
    {
        if (count > static_cast<size_t>(kInline))
        {
            m_More.reserve(count - kInline);
        }
    }
    size_t size() const { return static_cast<size_t>(m_Count); }
    T& operator[](size_t i) { return i < kInline ? m_Items[i] : m_More[i - kInline]; }
    template <typename Fn> void ForEach(Fn fn)
    {
        for (size_t i = 0; i < size(); ++i)
        {
            fn((*this)[i]);
        }
    }

private:
    T m_Items[kInline]; // set as pushed: a list made per removal costs nothing to start
    std::vector<T> m_More;
    int m_Count = 0;
};

// Raises the depth of several plugs for a scope; lowered in reverse order.
// The first guards live in the set itself: a connection change makes one
// of these per operation, and most touch two or three plugs (a removal adds
// the plugs' filtered views, a few at most).
class GuardSet
{
public:
    GuardSet() = default;
    GuardSet(const GuardSet&) = delete;
    GuardSet& operator=(const GuardSet&) = delete;
    ~GuardSet()
    {
        for (size_t i = m_More.size(); i-- > 0;)
        {
            delete m_More[i];
        }
        for (int i = m_Inline; i-- > 0;)
        {
            std::launder(reinterpret_cast<KPlug::DepthGuard*>(&m_Storage[i]))->~DepthGuard();
        }
    }
    void Add(KPlug* p)
    {
        if (!p)
        {
            return;
        }
        if (m_Inline < kInline)
        {
            new (&m_Storage[m_Inline]) KPlug::DepthGuard(p);
            ++m_Inline;
        }
        else
        {
            // Owned until listed: when the list cannot grow, the guard goes
            // again (its plug's depth lowered) and the failure goes on.
            std::unique_ptr<KPlug::DepthGuard> guard(new KPlug::DepthGuard(p));
            m_More.push_back(guard.get());
            guard.release();
        }
    }

private:
    static constexpr int kInline = 18;
    struct alignas(KPlug::DepthGuard) Cell
    {
        unsigned char bytes[sizeof(KPlug::DepthGuard)];
    };
    Cell m_Storage[kInline];
    int m_Inline = 0;
    std::vector<KPlug::DepthGuard*> m_More;
};

} // namespace

struct KPlug::ChildMark
{
    KPlug* child;
    int index;
};

// ---------------------------------------------------------------------------
// Construction, identity, lifetime

KPlug::KPlug()
{
    if (gLivePlugs.fetch_add(1) == 0)
    {
        KHandleTable::Acquire();
    }
}

KPlug::~KPlug()
{
    // Nothing may start a second destruction from here on.
    m_Depth = (m_Depth & ~kDepthMask) | 1;
    m_Flags &= ~kDestroyPending;
    // Derived parts are gone: whatever is left is removed at plug level. The
    // owner is let go first, so that no event is forwarded to an owner that
    // may itself be half destroyed (a declared property dying with its set).
    LeaveOwner();
    // Plugs this one still owns (a property taken out of its object's list,
    // say) must not reach back to it once it is gone. Handlers may hand it a
    // new owner or new owned plugs while it is taken apart, so both are let
    // go of again at the end.
    ReleaseOwned();
    DisconnectAllPlugLevel();
    LeaveOwner();
    ReleaseOwned();
    if (m_HandleEntry)
    {
        KHandleTable::Get().Free(m_HandleEntry, this);
        m_HandleEntry = nullptr;
    }
    delete m_Links;
    if (gLivePlugs.fetch_sub(1) == 1)
    {
        KHandleTable::Release();
    }
}

KPlug::Links& KPlug::L()
{
    if (!m_Links)
    {
        m_Links = new Links;
    }
    return *m_Links;
}

const std::vector<KPlug*>& KPlug::Children() const
{
    static const std::vector<KPlug*> none;
    return HasHint(kHasChildren) ? m_Links->children : none;
}

void KPlug::NoteChildren()
{
    SetHint(kHasChildren, m_Links && !m_Links->children.empty());
}

void KPlug::ReserveOwnedList(int count)
{
    if (count > 0)
    {
        L().owned.reserve(static_cast<size_t>(count));
    }
}

void KPlug::CompactOwnedList()
{
    if (!m_Links)
    {
        return;
    }
    m_Links->owned.shrink_to_fit();
    const Links& l = *m_Links;
    // Kept during a change of its connections: the change tells by the
    // lists' counts of changes whether the positions it found still hold.
    if (l.src.Empty() && l.dst.Empty() && l.children.empty() && l.owned.empty() && l.oneWayDst.empty() &&
        l.filter == nullptr && l.callbacks == nullptr && l.callbackDispatch == 0 &&
        (m_Depth & kDepthMask) == 0)
    {
        delete m_Links;
        m_Links = nullptr;
    }
}

void KPlug::DropOwnedEntry(KPlug* plug)
{
    if (m_Links)
    {
        EraseLast(m_Links->owned, plug);
    }
}

void KPlug::AddOwnedEntry(KPlug* plug)
{
    // A plug adopted after it was listed kept its entry.
    const std::vector<KPlug*>& owned = V().owned;
    if (std::find(owned.begin(), owned.end(), plug) == owned.end())
    {
        L().owned.push_back(plug);
    }
}

int KPlug::GetLivePlugCount()
{
    return gLivePlugs.load();
}

void* KPlug::QueryInterface(uint32_t id)
{
    if (id == 0 || id == 2 || id == kInterfaceId)
    {
        return this;
    }
    return nullptr;
}

void KPlug::Destroy()
{
    if ((m_Depth & kDepthMask) != 0)
    {
        m_Flags |= kDestroyPending;
        return;
    }
    m_Depth = (m_Depth & ~kDepthMask) | 1;
    PrepareDestroy();
    DisconnectAll();
    delete this;
}

void KPlug::OnCreate(void*) {}

bool KPlug::IsA(int classNumber) const
{
    return KClassIdRecord::RecordIsA(&ClassRecord, classNumber);
}

int KPlug::GetClassId() const
{
    return ClassId;
}

const char* KPlug::GetClassName() const
{
    return ClassRecord.name;
}

KClassIdRecord* KPlug::GetClassIdRecord() const
{
    return &ClassRecord;
}

int KPlug::GetParentClassId() const
{
    return GetClassIdRecord()->GetParentNumber();
}

KPlug* KPlug::CreatePlug(KPlugFilter*)
{
    KPlug* p = new KPlug;
    p->OnCreate(nullptr);
    return p;
}

void KPlug::DestroyPended()
{
    m_Flags &= ~kDestroyPending;
    Destroy();
}

void KPlug::DisconnectAll()
{
    DepthGuard guard(this);
    NotifyEvent15(nullptr, eDisconnectAll, this, nullptr, nullptr, nullptr);
    if (!(m_Flags & kFiltered))
    {
        DisconnectAllSrc();
        DisconnectAllDst();
        DisconnectOneWayDestinations();
    }
    ReleaseChildren();
}

void KPlug::DisconnectOneWayDestinations()
{
    // A one-way destination lists this plug while this plug does not list it:
    // it is told here, or it would keep a dangling source. There is one record
    // per one-way entry, so a recorded plug is alive (a destroyed one lets go
    // of this plug and its records); each round checks the plug's real list,
    // since handlers may add or remove links meanwhile.
    while (!V().oneWayDst.empty())
    {
        KPlug* d = V().oneWayDst.back();
        if (FindLastOfKind(d->V().src, this, true) < 0)
        {
            L().oneWayDst.pop_back(); // no entry left behind the record
            continue;
        }
        if (!Disconnect(this, d, true) &&
            std::find(V().oneWayDst.begin(), V().oneWayDst.end(), d) != V().oneWayDst.end())
        {
            UnlinkOneWay(this, d);
        }
    }
}

void KPlug::DisconnectAllPlugLevel()
{
    if (!m_Links)
    {
        return; // never linked: nothing to take apart
    }
    if (!(m_Flags & kFiltered))
    {
        // Handlers may link this plug again while it is taken apart: a few
        // rounds with events, then whatever is left goes without them, so no
        // other plug keeps an entry for it.
        for (int round = 0; round < 4 && (!V().src.Empty() || !V().dst.Empty() || !V().oneWayDst.empty());
             ++round)
        {
            while (!V().src.Empty())
            {
                KPlug* p = V().src.Back().plug;
                if (!Disconnect(p, this) && IsListedAt(V().src, GetSrcCount() - 1, p))
                {
                    ForceUnlink(p, this);
                }
            }
            while (!V().dst.Empty())
            {
                KPlug* p = V().dst.Back().plug;
                if (!Disconnect(this, p) && IsListedAt(V().dst, GetDstCount() - 1, p))
                {
                    ForceUnlink(this, p);
                }
            }
            DisconnectOneWayDestinations();
        }
        while (!V().src.Empty())
        {
            ForceUnlink(V().src.Back().plug, this);
        }
        while (!V().dst.Empty())
        {
            ForceUnlink(this, V().dst.Back().plug);
        }
        while (!V().oneWayDst.empty())
        {
            KPlug* d = V().oneWayDst.back();
            if (FindLastOfKind(d->V().src, this, true) >= 0)
            {
                UnlinkOneWay(this, d);
            }
            else
            {
                L().oneWayDst.pop_back();
            }
        }
    }
    L().src.Clear();
    L().dst.Clear();
    ReleaseChildren();
}

void KPlug::ReleaseChildren()
{
    while (!Children().empty())
    {
        KPlug* child = Children().back();
        L().children.pop_back();
        NoteChildren();
        child->m_Owner = nullptr;
        EraseLast(L().owned, child);
        if (child->m_Flags & kOwnedChild)
        {
            child->Destroy();
        }
    }
}

// ---------------------------------------------------------------------------
// Handles

KHandleEntry* KPlug::GetHandleEntry()
{
    if (!m_HandleEntry)
    {
        m_HandleEntry = KHandleTable::Get().Allocate(this);
    }
    return m_HandleEntry;
}

HdlKObject KPlug::GetHandle()
{
    KHandleEntry* e = GetHandleEntry();
    return HdlKObject{e->serial.load(std::memory_order_relaxed), e};
}

// ---------------------------------------------------------------------------
// Events

bool KPlug::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                            uint32_t type, KPlug* extra)
{
    return PlugConnectionEvent(path, code, emitter, index, other, type, extra);
}

bool KPlug::PassConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                                uint32_t type, KPlug* extra)
{
    if (m_Owner && !(m_Flags & kOwnedChild))
    {
        KEventPath record{path, this};
        DepthGuard keepOwner(m_Owner); // a handler may ask to destroy the owner
        return m_Owner->ConnectionEvent(&record, code, emitter, index, other, type, extra);
    }
    if (HasHint(kHasCallbacks))
    {
        DepthGuard keep(this); // a callback may ask to destroy this plug
        ++m_Links->callbackDispatch;
        for (size_t i = 0; i < m_Links->callbacks->size(); ++i)
        {
            Callback cb = (*m_Links->callbacks)[i];
            if (cb.active && cb.fConn)
            {
                cb.fConn(cb.user, path, code, emitter, index, other, type, extra);
            }
        }
        --m_Links->callbackDispatch;
        PurgeCallbacks();
    }
    return true;
}

bool KPlug::PlugNotifyEvent(bool is15, const KEventPath* path, int code, KPlug* emitter, const void* a,
                            const void* b, const void* c)
{
    if (m_Owner && !(m_Flags & kOwnedChild))
    {
        DepthGuard keepOwner(m_Owner); // a handler may ask to destroy the owner
        return is15 ? m_Owner->NotifyEvent15(path, code, emitter, a, b, c)
                    : m_Owner->NotifyEvent14(path, code, emitter, a, b, c);
    }
    if (HasHint(kHasCallbacks))
    {
        DepthGuard keep(this); // a callback may ask to destroy this plug
        ++m_Links->callbackDispatch;
        for (size_t i = 0; i < m_Links->callbacks->size(); ++i)
        {
            Callback cb = (*m_Links->callbacks)[i];
            KPlugNotifyCallback f = is15 ? cb.f15 : cb.f14;
            if (cb.active && f)
            {
                f(cb.user, path, code, emitter, a, b, c);
            }
        }
        --m_Links->callbackDispatch;
        PurgeCallbacks();
    }
    return true;
}

bool KPlug::NotifyEvent14(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                          const void* c)
{
    return PlugNotifyEvent(false, path, code, emitter, a, b, c);
}

bool KPlug::NotifyEvent15(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                          const void* c)
{
    return PlugNotifyEvent(true, path, code, emitter, a, b, c);
}

bool KPlug::SendEvent16()
{
    return ConnectionEvent(nullptr, eEvent16, this, -1, nullptr, 0, nullptr);
}

bool KPlug::SendEvent17()
{
    return ConnectionEvent(nullptr, eEvent17, this, -1, nullptr, 0, nullptr);
}

void KPlug::AddCallback(void* user, KPlugNotifyCallback f14, KPlugNotifyCallback f15,
                        KPlugConnectionCallback fConn)
{
    Links& links = L();
    if (!links.callbacks)
    {
        links.callbacks = new std::vector<Callback>;
        SetHint(kHasCallbacks, true);
    }
    links.callbacks->push_back(Callback{user, f14, f15, fConn, true});
}

bool KPlug::RemoveCallback(void* user)
{
    if (!m_Links || !m_Links->callbacks)
    {
        return false;
    }
    for (Callback& cb : *m_Links->callbacks)
    {
        if (cb.active && cb.user == user)
        {
            cb.active = false;
            PurgeCallbacks();
            return true;
        }
    }
    return false;
}

void KPlug::PurgeCallbacks()
{
    if (!m_Links || !m_Links->callbacks || m_Links->callbackDispatch > 0)
    {
        return;
    }
    m_Links->callbacks->erase(std::remove_if(m_Links->callbacks->begin(), m_Links->callbacks->end(),
                                             [](const Callback& c) { return !c.active; }),
                              m_Links->callbacks->end());
}

bool KPlug::IsBeingReplaced(KPlug* a, KPlug* b)
{
    return m_Owner ? m_Owner->IsBeingReplaced(a, b) : false;
}

bool KPlug::HasOwner(int)
{
    return m_Owner != nullptr;
}

// ---------------------------------------------------------------------------
// Ownership and filters

bool KPlug::SetOwner(KPlug* owner)
{
    if (owner == m_Owner)
    {
        return false;
    }
    // An owner chain that came back to this plug would forward events for ever.
    for (KPlug* o = owner; o; o = o->m_Owner)
    {
        if (o == this)
        {
            return false;
        }
    }
    LeaveOwner();
    if (owner)
    {
        m_Owner = owner;
        owner->L().owned.push_back(this);
        if (m_Flags & kFiltered)
        {
            owner->AddChildEntry(this);
            owner->MirrorInto(this);
        }
    }
    return true;
}

bool KPlug::AdoptChild(KPlug* child)
{
    if (!child || child->m_Owner == this)
    {
        return false;
    }
    return child->SetOwner(this); // false only when it would close an owner ring
}

bool KPlug::ReleaseChild(KPlug* child)
{
    if (!child || child->m_Owner != this)
    {
        return false;
    }
    child->SetOwner(nullptr);
    return true;
}

void KPlug::UnlinkOneWay(KPlug* s, KPlug* d)
{
    int i = FindLastOfKind(d->V().src, s, true);
    if (i < 0)
    {
        return;
    }
    d->L().src.EraseAt(i);
    EraseLast(s->L().oneWayDst, d);
    for (KPlug* c : d->Children())
    {
        int k = FindLastOfKind(c->V().src, s, true);
        if (k >= 0)
        {
            c->L().src.EraseAt(k);
        }
    }
}

void KPlug::ReleaseOwned()
{
    if (!m_Links)
    {
        return;
    }
    for (KPlug* p : V().owned)
    {
        p->m_Owner = nullptr;
    }
    m_Links->owned.clear();
}

void KPlug::LeaveOwner()
{
    if (m_Owner)
    {
        m_Owner->RemoveChildEntry(this);
        m_Owner->DropOwnedEntry(this);
        m_Owner = nullptr;
    }
}

void KPlug::EraseLast(std::vector<KPlug*>& list, KPlug* plug)
{
    for (size_t i = list.size(); i-- > 0;)
    {
        if (list[i] == plug)
        {
            list.erase(list.begin() + static_cast<long>(i));
            return;
        }
    }
}

void KPlug::AddChildEntry(KPlug* child)
{
    if (std::find(Children().begin(), Children().end(), child) == Children().end())
    {
        L().children.push_back(child);
        NoteChildren();
    }
}

void KPlug::RemoveChildEntry(KPlug* child)
{
    auto it = std::find(Children().begin(), Children().end(), child);
    if (it != Children().end())
    {
        L().children.erase(it);
        NoteChildren();
    }
}

KPlug* KPlug::GetChild(int i) const
{
    return i >= 0 && i < GetChildCount() ? Children()[static_cast<size_t>(i)] : nullptr;
}

void KPlug::MirrorInto(KPlug* child)
{
    child->L().src.Clear();
    child->L().dst.Clear();
    V().src.ForEach(
        [child](const KPlugConnection& c)
        {
            if ((child->m_Flags & kAcceptsSrc) && child->FilterAccepts(c.plug))
            {
                child->L().src.PushBack(c.plug, c.type);
            }
        });
    V().dst.ForEach(
        [child](const KPlugConnection& c)
        {
            if ((child->m_Flags & kAcceptsDst) && child->FilterAccepts(c.plug))
            {
                child->L().dst.PushBack(c.plug, c.type);
            }
        });
}

void KPlug::SetConnectionFilter(KPlugFilter* filter)
{
    SetConnectionFilter(filter, m_Flags & kFiltered);
}

void KPlug::SetConnectionFilter(KPlugFilter* filter, uint32_t filteredBit)
{
    if (filter || m_Links)
    {
        L().filter = filter;
    }
    SetHint(kHasFilter, filter != nullptr);
    bool was = (m_Flags & kFiltered) != 0;
    bool now = (filteredBit & kFiltered) != 0;
    m_Flags = now ? (m_Flags | kFiltered) : (m_Flags & ~kFiltered);
    if (!was && now && m_Owner)
    {
        m_Owner->AddChildEntry(this);
        m_Owner->MirrorInto(this);
    }
}

bool KPlug::FilterAccepts(KPlug* plug) const
{
    // A null filter stands for "None": plugs made before the first
    // registration or after the last stop, and the "None" filter itself.
    return !HasHint(kHasFilter) || m_Links->filter->Accept(plug);
}

KPlug* KPlug::FindFilteredPlug(KPlugFilter* filter)
{
    // The filters of "None" and of KPlug select everything: the plug itself.
    // Compared by number, so a filter retired by a library stop still counts.
    if (!filter || (filter->IsA(KClassIdFilter::ClassId) &&
                    (static_cast<KClassIdFilter*>(filter)->GetNumber() == KClassIdRecord::kNone ||
                     static_cast<KClassIdFilter*>(filter)->GetNumber() == KClassIdRecord::kPlugId)))
    {
        return this;
    }
    for (size_t i = Children().size(); i-- > 0;)
    {
        KPlug* c = Children()[i];
        if (filter->IsSameAs(c->GetConnectionFilter()))
        {
            return c;
        }
    }
    return nullptr;
}

KPlug* KPlug::GetFilteredPlug(KPlugFilter* filter)
{
    KPlug* p = FindFilteredPlug(filter);
    if (!p)
    {
        p = CreatePlug(filter);
        p->m_Flags |= kOwnedChild;
        // Made whole or not at all: a view stopped part-way (memory running
        // out) goes again, taking its entries with it.
        try
        {
            AdoptChild(p);
            p->SetConnectionFilter(filter, kFiltered);
        }
        catch (...)
        {
            p->Destroy();
            throw;
        }
    }
    return p;
}

namespace
{
KPlug* ViewFor(KPlug* plug, int classId)
{
    if (classId == KClassIdRecord::kNone || classId == KClassIdRecord::kPlugId)
    {
        return plug;
    }
    KClassIdFilter* f = KClassIdFilter::ForClassId(classId);
    return f ? plug->GetFilteredPlug(f) : nullptr;
}
} // namespace

int KPlug::GetSrcCount(int classId)
{
    KPlug* v = ViewFor(this, classId);
    return v ? v->GetSrcCount() : 0;
}

KPlug* KPlug::GetSrc(int i, int classId)
{
    KPlug* v = ViewFor(this, classId);
    return v ? v->GetSrc(i) : nullptr;
}

int KPlug::GetDstCount(int classId)
{
    KPlug* v = ViewFor(this, classId);
    return v ? v->GetDstCount() : 0;
}

KPlug* KPlug::GetDst(int i, int classId)
{
    KPlug* v = ViewFor(this, classId);
    return v ? v->GetDst(i) : nullptr;
}

// ---------------------------------------------------------------------------
// Accessors

int KPlug::FindSrc(const KPlug* src) const
{
    return FindLast(V().src, src);
}

int KPlug::FindDst(const KPlug* dst) const
{
    return FindLast(V().dst, dst);
}

bool KPlug::IsSrcConnected(KPlug* src) const
{
    return FindLast(V().src, src) >= 0;
}

bool KPlug::IsDstConnected(KPlug* dst) const
{
    return FindLast(V().dst, dst) >= 0;
}

// ---------------------------------------------------------------------------
// Connecting

KPlug::Before KPlug::BeforeEntry(const KPlugConnectionList& list, int index)
{
    if (index < 0 || index >= list.Size())
    {
        return Before{};
    }
    return Before{list.At(index).plug, index};
}

int KPlug::ResolveBefore(const KPlugConnectionList& list, const Before& before)
{
    if (!before.plug)
    {
        return list.Size();
    }
    if (IsListedAt(list, before.hint, before.plug))
    {
        return before.hint;
    }
    int i = FindLast(list, before.plug);
    return i >= 0 ? i : list.Size();
}

bool KPlug::ConnectSrc(KPlug* src, uint32_t type)
{
    return Connect(src, this, type, Before{}, Before{});
}

bool KPlug::ConnectDst(KPlug* dst, uint32_t type)
{
    return Connect(this, dst, type, Before{}, Before{});
}

bool KPlug::InsertSrc(int index, KPlug* src, uint32_t type)
{
    return Connect(src, this, type, Before{}, BeforeEntry(V().src, index));
}

bool KPlug::InsertDst(int index, KPlug* dst, uint32_t type)
{
    return Connect(this, dst, type, BeforeEntry(V().dst, index), Before{});
}

bool KPlug::SetSrc(int index, KPlug* src)
{
    if (index < 0)
    {
        return false;
    }
    if (index >= GetSrcCount())
    {
        return Connect(src, this, 0, Before{}, Before{});
    }
    return ReplaceSrc(GetSrc(index), src);
}

bool KPlug::SetDst(int index, KPlug* dst)
{
    if (index < 0)
    {
        return false;
    }
    if (index >= GetDstCount())
    {
        return Connect(this, dst, 0, Before{}, Before{});
    }
    return ReplaceDst(GetDst(index), dst);
}

bool KPlug::AskAccept(KPlug* p, KPlug* other, bool asDestination)
{
    uint32_t flag = asDestination ? kAcceptsSrc : kAcceptsDst;
    if (!(p->m_Flags & flag) || !p->FilterAccepts(other))
    {
        return false;
    }
    return p->ConnectionEvent(nullptr, asDestination ? eRequestSrc : eRequestDst, p, -1, other, 0, nullptr);
}

bool KPlug::Connect(KPlug* s, KPlug* d, uint32_t type, Before beforeDst, Before beforeSrc)
{
    // Every plug the operation touches stays alive until it ends, whatever the
    // event handlers destroy.
    GuardSet guards;
    for (;;)
    {
        if (!s || !d || s == d)
        {
            return false;
        }
        guards.Add(s);
        guards.Add(d);
        if (d->m_Flags & kOneWayReceiver)
        {
            type |= kOneWayType;
        }
        if (!AskAccept(d, s, true))
        {
            return false;
        }
        if (!(type & kOneWayType) && !AskAccept(s, d, false))
        {
            return false;
        }
        bool sFiltered = (s->m_Flags & kFiltered) != 0;
        bool dFiltered = (d->m_Flags & kFiltered) != 0;
        if (!sFiltered && !dFiltered)
        {
            break;
        }
        if (sFiltered)
        {
            s = s->m_Owner;
        }
        if (dFiltered)
        {
            d = d->m_Owner;
        }
    }
    return ConnectUnfiltered(s, d, type, beforeDst, beforeSrc);
}

bool KPlug::ConnectUnfiltered(KPlug* s, KPlug* d, uint32_t type, Before beforeDst, Before beforeSrc)
{
    KScnReadMeter::Count(KScnReadMeter::eConnections, KScnReadMeter::kConnectionBytes);
    const bool oneWay = (type & kOneWayType) != 0;
    d->ConnectionEvent(nullptr, eSrcAdding, d, -1, s, type, nullptr);
    if (!oneWay)
    {
        s->ConnectionEvent(nullptr, eDstAdding, s, -1, d, type, nullptr);
    }

    // Children that take part, asked before anything changes; they are kept
    // alive for the rest of the operation.
    GuardSet guards;
    std::vector<KPlug*> dKids;
    std::vector<KPlug*> sKids;
    if (d->HasHint(kHasChildren))
    {
        for (KPlug* c : std::vector<KPlug*>(d->Children()))
        {
            guards.Add(c);
            if (AskAccept(c, s, true))
            {
                dKids.push_back(c);
            }
        }
    }
    if (!oneWay && s->HasHint(kHasChildren))
    {
        for (KPlug* c : std::vector<KPlug*>(s->Children()))
        {
            guards.Add(c);
            if (AskAccept(c, d, false))
            {
                sKids.push_back(c);
            }
        }
    }
    for (KPlug* c : dKids)
    {
        c->ConnectionEvent(nullptr, eSrcAdding, c, -1, s, type, nullptr);
    }
    for (KPlug* c : sKids)
    {
        c->ConnectionEvent(nullptr, eDstAdding, c, -1, d, type, nullptr);
    }

    // Positions are found only now, after the handlers above have run, so an
    // insertion never uses an index made stale by them.
    int dIndex = ResolveBefore(d->V().src, beforeSrc);
    int sIndex = oneWay ? -1 : ResolveBefore(s->V().dst, beforeDst);
    std::vector<int> dKidIndex;
    std::vector<int> sKidIndex;
    for (KPlug* c : dKids)
    {
        dKidIndex.push_back(SubsequenceIndex(d->V().src, c->V().src, dIndex));
    }
    for (KPlug* c : sKids)
    {
        sKidIndex.push_back(SubsequenceIndex(s->V().dst, c->V().dst, sIndex));
    }
    // Recorded on every end or on none: when memory runs out half-way, the
    // entries made are taken out again before the failure goes on.
    StackList<std::pair<KPlugConnectionList*, int>> made;
    made.reserve(2 + dKids.size() + sKids.size());
    bool oneWayListed = false;
    auto insert = [&made](KPlugConnectionList& list, int index, KPlug* plug, uint32_t kind)
    {
        const int at = std::clamp(index, 0, list.Size());
        InsertAt(list, index, plug, kind);
        made.push_back({&list, at});
    };
    try
    {
        insert(d->L().src, dIndex, s, type);
        if (!oneWay)
        {
            insert(s->L().dst, sIndex, d, type);
        }
        else
        {
            s->L().oneWayDst.push_back(d);
            oneWayListed = true;
        }
        for (size_t i = 0; i < dKids.size(); ++i)
        {
            insert(dKids[i]->L().src, dKidIndex[i], s, type);
        }
        for (size_t i = 0; i < sKids.size(); ++i)
        {
            insert(sKids[i]->L().dst, sKidIndex[i], d, type);
        }
    }
    catch (...)
    {
        for (size_t i = made.size(); i-- > 0;)
        {
            made[i].first->EraseAt(made[i].second);
        }
        if (oneWayListed)
        {
            s->L().oneWayDst.pop_back();
        }
        throw;
    }

    try
    {
        d->ConnectionEvent(nullptr, eSrcAdded, d, dIndex, s, type, nullptr);
        if (!oneWay)
        {
            s->ConnectionEvent(nullptr, eDstAdded, s, sIndex, d, type, nullptr);
        }
        for (size_t i = 0; i < dKids.size(); ++i)
        {
            dKids[i]->ConnectionEvent(nullptr, eSrcAdded, dKids[i], dKidIndex[i], s, type, nullptr);
        }
        for (size_t i = 0; i < sKids.size(); ++i)
        {
            sKids[i]->ConnectionEvent(nullptr, eDstAdded, sKids[i], sKidIndex[i], d, type, nullptr);
        }
    }
    catch (...)
    {
        // A handler's bookkeeping ran out of memory (a scene counting the
        // material put on its node): the connection goes again, which takes
        // none, and every handler hears it removed, so that none keeps what
        // it noted for it.
        Disconnect(s, d, oneWay, dIndex);
        throw;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Disconnecting

bool KPlug::DisconnectSrc(KPlug* src)
{
    return Disconnect(src, this);
}

bool KPlug::DisconnectDst(KPlug* dst)
{
    return Disconnect(this, dst);
}

bool KPlug::DisconnectSrcAt(int index)
{
    KPlug* p = GetSrc(index);
    return p ? Disconnect(p, this, false, index) : false;
}

bool KPlug::DisconnectDstAt(int index)
{
    KPlug* p = GetDst(index);
    return p ? Disconnect(this, p) : false;
}

void KPlug::PrefetchForLinks(int stage, bool destinations) const
{
    const char* fields = reinterpret_cast<const char*>(this);
    if (stage == 0)
    {
        // The first 64 bytes, wherever the lines fall.
        __builtin_prefetch(fields);
        __builtin_prefetch(fields + 63);
        return;
    }
    if (!m_Links)
    {
        return;
    }
    const KPlugConnectionList& list = destinations ? m_Links->dst : m_Links->src;
    if (stage == 1)
    {
        __builtin_prefetch(&list);
        __builtin_prefetch(reinterpret_cast<const char*>(&list) + sizeof list - 1);
    }
    else if (!list.Empty())
    {
        // The last entry (what a removal from the end reads) and the one
        // after it (where an entry added at the end goes).
        __builtin_prefetch(&list.Back());
        __builtin_prefetch(&list.Back() + 1);
    }
}

namespace
{
// Before the entry at position i of list is taken out, the far ends of the
// next ones (walking down) are asked for: their lists of the other side
// are what the removals read.
void PrefetchBelow(const KPlugConnectionList& list, int i, bool theirDestinations)
{
    for (int stage = 0; stage < 3; ++stage)
    {
        const int at = i - 2 * (3 - stage);
        if (at >= 0 && at < list.Size())
        {
            list.At(at).plug->PrefetchForLinks(stage, theirDestinations);
        }
    }
}
} // namespace

void KPlug::DisconnectAllSrc()
{
    if (GetSrcCount() == 0)
    {
        return;
    }
    DepthGuard guard(this);
    int i = GetSrcCount() - 1;
    while (i >= 0)
    {
        PrefetchBelow(V().src, i, true);
        // A refused removal (filter or flags changed since) still empties the
        // list; the entry is looked at again, since handlers may have changed it.
        KPlug* p = V().src.At(i).plug;
        if (!Disconnect(p, this) && IsListedAt(V().src, i, p))
        {
            ForceUnlink(p, this);
        }
        i = std::min(i - 1, GetSrcCount() - 1);
    }
}

void KPlug::DisconnectAllDst()
{
    if (GetDstCount() == 0)
    {
        return;
    }
    DepthGuard guard(this);
    int i = GetDstCount() - 1;
    while (i >= 0)
    {
        PrefetchBelow(V().dst, i, false);
        KPlug* p = V().dst.At(i).plug;
        if (!Disconnect(this, p) && IsListedAt(V().dst, i, p))
        {
            ForceUnlink(this, p);
        }
        i = std::min(i - 1, GetDstCount() - 1);
    }
}

bool KPlug::Disconnect(KPlug* s, KPlug* d, bool oneWayOnly, int dAt)
{
    while (s && (s->m_Flags & kFiltered) && s->m_Owner)
    {
        s = s->m_Owner;
    }
    while (d && (d->m_Flags & kFiltered) && d->m_Owner)
    {
        d = d->m_Owner;
    }
    if (!s || !d)
    {
        return false;
    }
    if (!(d->m_Flags & kAcceptsSrc) || !d->FilterAccepts(s) || !(s->m_Flags & kAcceptsDst) ||
        !s->FilterAccepts(d))
    {
        return false;
    }
    // The entry at dAt, when it is one of s (and one-way when only that will
    // do), is the one removed: of two connections of the same plugs the
    // older one may be asked for.
    const KPlugConnectionList& dSrc = d->V().src;
    const bool atGiven = IsListedAt(dSrc, dAt, s) && (!oneWayOnly || (dSrc.At(dAt).type & kOneWayType) != 0);
    int sIndex = oneWayOnly || (atGiven && (dSrc.At(dAt).type & kOneWayType) != 0) ? -1 : FindLast(s->V().dst, d);
    int dIndex = atGiven ? dAt : FindPairedSource(dSrc, s, sIndex >= 0, oneWayOnly);
    if (dIndex < 0 && sIndex < 0)
    {
        return false;
    }

    // Guards end in reverse order: the children first, then D, then S.
    GuardSet guards;
    guards.Add(s);
    guards.Add(d);
    StackList<KPlug*> dKids;
    StackList<KPlug*> sKids;
    for (KPlug* c : d->Children())
    {
        if ((c->m_Flags & kAcceptsSrc) && c->FilterAccepts(s) && FindLast(c->V().src, s) >= 0)
        {
            dKids.push_back(c);
        }
    }
    for (KPlug* c : s->Children())
    {
        if ((c->m_Flags & kAcceptsDst) && c->FilterAccepts(d) && FindLast(c->V().dst, d) >= 0)
        {
            sKids.push_back(c);
        }
    }
    dKids.ForEach([&](KPlug* c) { guards.Add(c); });
    sKids.ForEach([&](KPlug* c) { guards.Add(c); });

    // The connection type, read before any handler can change the lists.
    const uint32_t linkType = dIndex >= 0 ? d->V().src.At(dIndex).type : s->V().dst.At(sIndex).type;
    const uint32_t sChanges = s->V().dst.Changes();
    const uint32_t dChanges = d->V().src.Changes();
    d->BeginChange();
    s->BeginChange();
    if (dIndex >= 0)
    {
        d->ConnectionEvent(nullptr, eSrcRemoving, d, dIndex, s, linkType, nullptr);
    }
    if (sIndex >= 0)
    {
        s->ConnectionEvent(nullptr, eDstRemoving, s, sIndex, d, linkType, nullptr);
    }
    dKids.ForEach([&](KPlug* c) { c->ConnectionEvent(nullptr, eSrcRemoving, c, -1, s, linkType, nullptr); });
    sKids.ForEach([&](KPlug* c) { c->ConnectionEvent(nullptr, eDstRemoving, c, -1, d, linkType, nullptr); });

    // Entries are searched again when the handlers above changed the lists.
    uint32_t type = linkType;
    bool given = atGiven;
    if (s->V().dst.Changes() != sChanges || d->V().src.Changes() != dChanges)
    {
        sIndex = oneWayOnly ? -1 : FindLast(s->V().dst, d);
        dIndex = FindPairedSource(d->V().src, s, sIndex >= 0, oneWayOnly);
        given = false;
    }
    // A given entry's mirror in each child stands at the same rank among
    // the child's entries (the children keep the owner's order).
    StackList<int> dKidAt;
    if (given)
    {
        dKids.ForEach(
            [&](KPlug* c)
            {
                const int k = SubsequenceIndex(d->V().src, c->V().src, dIndex);
                dKidAt.push_back(IsListedAt(c->V().src, k, s) ? k : -1);
            });
    }
    bool removedOneWay = false;
    if (dIndex >= 0)
    {
        type = d->V().src.At(dIndex).type;
        d->L().src.EraseAt(dIndex);
        removedOneWay = (type & kOneWayType) != 0;
        if (removedOneWay)
        {
            EraseLast(s->L().oneWayDst, d);
        }
    }
    if (sIndex >= 0)
    {
        type = s->V().dst.At(sIndex).type;
        s->L().dst.EraseAt(sIndex);
    }
    StackList<int> dKidIndex;
    StackList<int> sKidIndex;
    dKids.ForEach(
        [&](KPlug* c)
        {
            const size_t n = dKidIndex.size();
            int i = n < dKidAt.size() && dKidAt[n] >= 0 ? dKidAt[n]
                                                          : FindPairedSource(c->V().src, s, !removedOneWay, oneWayOnly);
            if (i >= 0)
            {
                c->L().src.EraseAt(i);
            }
            dKidIndex.push_back(i);
        });
    sKids.ForEach(
        [&](KPlug* c)
        {
            int i = FindLast(c->V().dst, d);
            if (i >= 0)
            {
                c->L().dst.EraseAt(i);
            }
            sKidIndex.push_back(i);
        });

    if (dIndex >= 0)
    {
        d->ConnectionEvent(nullptr, eSrcRemoved, d, dIndex, s, type, nullptr);
    }
    if (sIndex >= 0)
    {
        s->ConnectionEvent(nullptr, eDstRemoved, s, sIndex, d, type, nullptr);
    }
    for (size_t i = 0; i < dKids.size(); ++i)
    {
        if (dKidIndex[i] >= 0)
        {
            dKids[i]->ConnectionEvent(nullptr, eSrcRemoved, dKids[i], dKidIndex[i], s, type, nullptr);
        }
    }
    for (size_t i = 0; i < sKids.size(); ++i)
    {
        if (sKidIndex[i] >= 0)
        {
            sKids[i]->ConnectionEvent(nullptr, eDstRemoved, sKids[i], sKidIndex[i], d, type, nullptr);
        }
    }
    d->EndChange();
    s->EndChange();
    return dIndex >= 0 || sIndex >= 0;
}

void KPlug::ForceUnlink(KPlug* s, KPlug* d)
{
    auto drop = [](KPlugConnectionList& list, KPlug* p) { list.EraseAt(FindLast(list, p)); };
    bool sListsD = FindLast(s->V().dst, d) >= 0;
    drop(s->L().dst, d);
    int i = FindPairedSource(d->V().src, s, sListsD, false);
    if (i >= 0)
    {
        bool oneWay = (d->V().src.At(i).type & kOneWayType) != 0;
        d->L().src.EraseAt(i);
        if (oneWay)
        {
            EraseLast(s->L().oneWayDst, d);
        }
    }
    for (KPlug* c : d->Children())
    {
        drop(c->L().src, s);
    }
    for (KPlug* c : s->Children())
    {
        drop(c->L().dst, d);
    }
}

// ---------------------------------------------------------------------------
// Replacing

bool KPlug::ReplaceSrc(KPlug* oldSrc, KPlug* newSrc, int index)
{
    return ReplaceImpl(true, oldSrc, newSrc, index);
}

bool KPlug::ReplaceDst(KPlug* oldDst, KPlug* newDst, int index)
{
    return ReplaceImpl(false, oldDst, newDst, index);
}

namespace
{
void SendToPlugAndChildren(KPlug* p, int code, int index, KPlug* other, KPlug* extra)
{
    p->ConnectionEvent(nullptr, code, p, index, other, 0, extra);
    // The children are kept alive until each has been told; a replace that
    // ran out of memory still ends its bracket, so this takes none.
    GuardSet guards;
    StackList<KPlug*> kids;
    for (int i = 0; i < p->GetChildCount(); ++i)
    {
        kids.push_back(p->GetChild(i));
        guards.Add(p->GetChild(i));
    }
    kids.ForEach([&](KPlug* c) { c->ConnectionEvent(nullptr, code, c, -1, other, 0, extra); });
}
} // namespace

bool KPlug::ReplaceImpl(bool srcSide, KPlug* oldPlug, KPlug* newPlug, int index)
{
    // srcSide: oldPlug is a source of this plug (this is the destination side).
    int pos = srcSide ? FindLast(V().src, oldPlug) : FindLast(V().dst, oldPlug);
    if (!oldPlug || pos < 0)
    {
        return false;
    }
    GuardSet guards;
    guards.Add(this);
    guards.Add(oldPlug);
    guards.Add(newPlug);
    // This plug hears the bracket first, then old: 12/10 (and 13/11) for a
    // source replace, 10/12 (and 11/13) for a destination replace.
    const int thisBegin = srcSide ? eReplaceDstSideBegin : eReplaceSrcSideBegin;
    const int thisEnd = srcSide ? eReplaceDstSideEnd : eReplaceSrcSideEnd;
    const int oldBegin = srcSide ? eReplaceSrcSideBegin : eReplaceDstSideBegin;
    const int oldEnd = srcSide ? eReplaceSrcSideEnd : eReplaceDstSideEnd;
    int oldIndex = srcSide ? oldPlug->FindDst(this) : oldPlug->FindSrc(this);
    const uint32_t oldType = srcSide ? V().src.At(pos).type : V().dst.At(pos).type;
    // Connects plug on the other side of this one, at pos in this plug's
    // list and before the entry now at otherAt in plug's.
    auto connectAt = [&](KPlug* plug, uint32_t type, int otherAt)
    {
        if (srcSide)
        {
            return Connect(plug, this, type, plug ? BeforeEntry(plug->V().dst, otherAt) : Before{},
                           BeforeEntry(V().src, pos));
        }
        return Connect(this, plug, type, BeforeEntry(V().dst, pos),
                       plug ? BeforeEntry(plug->V().src, otherAt) : Before{});
    };
    SendToPlugAndChildren(this, thisBegin, pos, oldPlug, newPlug);
    bool ok = false;
    try
    {
        SendToPlugAndChildren(oldPlug, oldBegin, oldIndex, this, newPlug);
        ok = srcSide ? Disconnect(oldPlug, this) : Disconnect(this, oldPlug);
        try
        {
            ok = ok && connectAt(newPlug, 0, index);
        }
        catch (...)
        {
            // Memory ran out for the new connection: the old one is made
            // again where it was, unless memory runs out for that too.
            try
            {
                connectAt(oldPlug, oldType, oldIndex);
            }
            catch (...)
            {
            }
            throw;
        }
    }
    catch (...)
    {
        SendToPlugAndChildren(this, thisEnd, -1, oldPlug, newPlug);
        SendToPlugAndChildren(oldPlug, oldEnd, -1, this, newPlug);
        throw;
    }
    SendToPlugAndChildren(this, thisEnd, -1, oldPlug, newPlug);
    SendToPlugAndChildren(oldPlug, oldEnd, -1, this, newPlug);
    return ok;
}

} // namespace scenesdk
