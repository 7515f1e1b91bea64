#include "scenesdk/kernel/KObject.h"

#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnObjectManager.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KSearchWork.h"
#include "scenesdk/kernel/KWorld.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

namespace scenesdk
{

KClassIdRecord KObject::ClassRecord;
int KObject::ClassId = KClassIdRecord::Declare(&KObject::ClassRecord, &KObject::ClassId, "KObject",
                                               &KPlug::ClassRecord, KClassIdRecord::kObjectId);

namespace
{
std::atomic<uint32_t> gStateStamp{0};
// Name-space chains longer than this are taken as cycles and cut.
constexpr int kMaxNameSpaceDepth = 64;

bool IsBlank(const char* text)
{
    for (const char* p = text ? text : ""; *p; ++p)
    {
        if (*p != ' ' && *p != '\t')
        {
            return false;
        }
    }
    return true;
}
} // namespace

KObject::KObject()
{
    KScnReadMeter::Count(KScnReadMeter::eObjects, KScnReadMeter::kObjectBytes);
}

KObject::Names& KObject::N()
{
    if (!m_Names)
    {
        m_Names = std::make_unique<Names>();
    }
    return *m_Names;
}

namespace
{
const KString& EmptyName()
{
    static const KString empty("");
    return empty;
}
} // namespace

const KString& KObject::NameText() const
{
    return m_Names ? m_Names->name : EmptyName();
}

const KString& KObject::NameSpaceText() const
{
    return m_Names ? m_Names->nameSpace : EmptyName();
}

KObject::~KObject()
{
    DropNameIndex();
    // Properties still listed (handlers added them during the release, or
    // the object was never released: a constructor stopped part-way) forget
    // this object, and those it owns their owner (the list stood for its
    // record of them); the dynamic ones it owned go with it, as its release
    // would have destroyed them. Declared properties died with the storage
    // of the derived object already.
    while (!m_Properties.empty())
    {
        KProperty* p = m_Properties.back();
        m_Properties.pop_back();
        p->m_ListedIn.Remove(this, true);
        if (p->GetOwner() == this)
        {
            ReleaseChild(p);
            if (p->IsDynamic())
            {
                p->Destroy();
            }
        }
    }
    for (size_t i = RV().ownedRecords.size(); i-- > 0;)
    {
        ReleaseRecord(m_Rare->ownedRecords[i]);
        delete m_Rare->ownedRecords[i];
    }
    if (m_ManagerLink)
    {
        m_ManagerLink->Destroy();
    }
}

void* KObject::QueryInterface(uint32_t id)
{
    if (id == kInterfaceId)
    {
        return this;
    }
    return KPlug::QueryInterface(id);
}

void KObject::OnCreate(void* arg)
{
    if (arg)
    {
        EnterWorld(static_cast<KWorld*>(arg));
    }
}

bool KObject::EnterWorld(KWorld* world)
{
    if (!world || m_World)
    {
        return false;
    }
    // Properties marked for the world get ids of their own; they are collected
    // first so that no virtual call runs under the world's lock.
    std::vector<KProperty*> marked;
    for (KProperty* p : m_Properties)
    {
        if (p->GetAttributes().HasFlag(KPropertyAttributes::kWorldRegistered))
        {
            marked.push_back(p);
        }
    }
    std::vector<int>& ids = R().worldPropertyIds;
    ids.assign(marked.size(), -1);
    int id = -1;
    try
    {
        id = world->RegisterObject(this, marked.data(), static_cast<int>(marked.size()), ids.data());
    }
    catch (...)
    {
        ids.clear();
        throw;
    }
    if (id < 0)
    {
        ids.clear();
        return false;
    }
    m_World = world;
    m_WorldId = id;
    return true;
}

void KObject::LeaveWorld()
{
    if (!m_World)
    {
        return;
    }
    for (int pid : RV().worldPropertyIds)
    {
        if (pid >= 0)
        {
            m_World->UnregisterProperty(pid);
        }
    }
    if (m_Rare)
    {
        m_Rare->worldPropertyIds.clear();
    }
    m_World->UnregisterObject(m_WorldId);
    m_World = nullptr;
    m_WorldId = -1;
}

void KObject::PrepareDestroy()
{
    ClearState();
}

void KObject::DisconnectAll()
{
    DepthGuard guard(this);
    m_RuntimeFlags |= kRuntimeReleasing;
    SendObjectEvent(1);
    DisconnectAllProperties();
    RemoveAllProperties();
    LeaveWorld();
    KPlug::DisconnectAll();
}

// ---------------------------------------------------------------------------
// Properties

KProperty* KObject::GetProperty(int index)
{
    return index >= 0 && index < GetPropertyCount() ? m_Properties[static_cast<size_t>(index)] : nullptr;
}

namespace
{

// Bumped when a listed property is renamed: every name index made before
// is then stale.
std::atomic<uint64_t> gPropertyRenames{0};

} // namespace

struct KObject::NameIndex
{
    uint64_t renames = 0;
    std::unordered_map<std::string, KProperty*> byName; // the first of each name
};

void KObject::NotePropertyRenamed()
{
    ++gPropertyRenames;
}

void KObject::DropNameIndex() const
{
    delete m_NameIndex;
    m_NameIndex = nullptr;
}

KProperty* KObject::FindProperty(const char* name) const
{
    if (!name)
    {
        return nullptr;
    }
    if (m_NameIndex != nullptr && m_NameIndex->renames != gPropertyRenames.load())
    {
        DropNameIndex();
    }
    if (m_NameIndex == nullptr && m_Properties.size() >= kNameIndexFrom)
    {
        m_NameIndex = new (std::nothrow) NameIndex;
        if (m_NameIndex != nullptr)
        {
            m_NameIndex->renames = gPropertyRenames.load();
            for (KProperty* p : m_Properties)
            {
                m_NameIndex->byName.emplace(p->GetName(), p);
            }
        }
    }
    if (m_NameIndex != nullptr)
    {
        const auto found = m_NameIndex->byName.find(name);
        return found != m_NameIndex->byName.end() ? found->second : nullptr;
    }
    KSearchWork::Add(m_Properties.size());
    for (KProperty* p : m_Properties)
    {
        const char* text = p->GetName();
        if (text[0] == name[0] && std::strcmp(text, name) == 0)
        {
            return p;
        }
    }
    return nullptr;
}

void KObject::ForgetProperty(KProperty* property)
{
    DropNameIndex();
    m_Properties.erase(std::remove(m_Properties.begin(), m_Properties.end(), property), m_Properties.end());
}

int KObject::GetPropertyIndex(const KProperty* property) const
{
    for (size_t i = 0; i < m_Properties.size(); ++i)
    {
        if (m_Properties[i] == property)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

KProperty* KObject::CreateProperty(const char* name, int typeCode, KDataType* dataType, bool animatable,
                                   bool ownsEnumList, KProperty* reference, bool returnExisting)
{
    if (HasObjectFlag(kNoOwnedEnumLists) && ownsEnumList && typeCode != eKPropReference)
    {
        return nullptr;
    }
    KString base(name ? name : "");
    KString candidate = base;
    for (int n = 0; KProperty* existing = FindProperty(candidate.Buffer()); ++n)
    {
        if (returnExisting)
        {
            return existing;
        }
        candidate = base + " ";
        candidate += n;
    }
    KProperty* p = KProperty::NewForTypeCode(typeCode, false);
    if (!p)
    {
        return nullptr;
    }
    // Handlers may ask to destroy this object or the new property: both stay
    // until the property is set up, and a property that did not survive is
    // answered by null.
    HdlKObject made = p->GetHandle();
    {
        DepthGuard keep(this);
        DepthGuard keepNew(p);
        p->InitializeDynamic(this, candidate.Buffer(), dataType, ownsEnumList,
                             typeCode == eKPropReference ? reference : nullptr, 0);
        p->SetTypeCode(typeCode);
        AddProperty(p);
        p->GetAttributes().SetLimits(KPropertyAttributes::kDefaultMinimum, KPropertyAttributes::kDefaultMaximum);
        if (animatable)
        {
            p->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
        }
    }
    return static_cast<KProperty*>(made.Get());
}

void KObject::AddProperty(KProperty* property)
{
    if (!property)
    {
        return;
    }
    DepthGuard keep(this);
    OnPropertyChange(ePropertyAdding, property, property->IsDynamic());
    // Both ends or neither: the property notes this object, then the list
    // takes it (undone when that throws); a name index that cannot take the
    // name is dropped (made again when next needed).
    property->m_ListedIn.Push(this);
    try
    {
        m_Properties.push_back(property);
    }
    catch (...)
    {
        property->m_ListedIn.Remove(this, false);
        throw;
    }
    if (m_NameIndex != nullptr)
    {
        try
        {
            m_NameIndex->byName.emplace(property->GetName(), property);
        }
        catch (const std::bad_alloc&)
        {
            DropNameIndex();
        }
    }
    if (property->GetOwner() == this)
    {
        DropOwnedEntry(property);
    }
    OnPropertyChange(ePropertyAdded, property, property->IsDynamic());
}

void KObject::ReservePropertyList(int count)
{
    if (count > 0)
    {
        m_Properties.reserve(static_cast<size_t>(count));
    }
}

void KObject::CompactPropertyList()
{
    m_Properties.shrink_to_fit();
    CompactOwnedList();
}

bool KObject::RemovePropertyAt(int index)
{
    KProperty* p = GetProperty(index);
    // A property already on its way out (reference properties linked in a
    // ring release one another) is not removed a second time.
    if (!p || IsBeingRemoved(p))
    {
        return false;
    }
    DepthGuard keep(this);
    DepthGuard keepProperty(p); // handlers may ask to destroy it before it is out
    Removal removal{p, m_Removing};
    m_Removing = &removal;
    OnPropertyChange(ePropertyRemoving, p, p->IsDynamic());
    ReleaseLinkedProperties(p);
    // Handlers may have changed the list: remove by identity (where it was
    // when nothing moved, so that emptying a list from the end stays linear).
    int at = index < GetPropertyCount() && m_Properties[static_cast<size_t>(index)] == p
                 ? index
                 : GetPropertyIndex(p);
    if (at >= 0)
    {
        DropNameIndex();
        m_Properties.erase(m_Properties.begin() + at);
        p->m_ListedIn.Remove(this, false);
        if (p->GetOwner() == this && GetPropertyIndex(p) < 0)
        {
            // An object released as a whole lets its properties go (as
            // DropQuietly does) rather than keep track of them: its
            // teardown allocates nothing.
            if (m_RuntimeFlags & kRuntimeReleasing)
            {
                ReleaseChild(p);
            }
            else
            {
                AddOwnedEntry(p);
            }
        }
    }
    // Removals end in the order they began (each is a call inside the last).
    for (Removal** at = &m_Removing; *at != nullptr; at = &(*at)->outer)
    {
        if (*at == &removal)
        {
            *at = removal.outer;
            break;
        }
    }
    OnPropertyChange(ePropertyRemoved, p, p->IsDynamic());
    return true;
}

bool KObject::IsBeingRemoved(const KProperty* property) const
{
    for (const Removal* r = m_Removing; r != nullptr; r = r->outer)
    {
        if (r->property == property)
        {
            return true;
        }
    }
    return false;
}

bool KObject::DestroyPropertyAt(int index)
{
    KProperty* p = GetProperty(index);
    if (!p)
    {
        return false;
    }
    DepthGuard keep(this);
    // Held up while it is removed: a destroy the removal's handlers ask for
    // waits for the guard, and then is all that is left to do.
    DepthGuard keepProperty(p);
    if (!RemovePropertyAt(index))
    {
        return false;
    }
    if (p->HasPlugFlag(kDestroyPending))
    {
        return true;
    }
    if (p->IsDynamic())
    {
        p->Destroy();
    }
    else
    {
        // A declared property belongs to its object's storage: it is only
        // disconnected, and no longer points back at this object.
        DepthGuard keep(p);
        p->DisconnectAllSrc();
        p->DisconnectAllDst();
        if (p->GetOwner() == this)
        {
            ReleaseChild(p);
        }
    }
    return true;
}

bool KObject::RemoveProperty(KProperty* property)
{
    int i = GetPropertyIndex(property);
    return i >= 0 && DestroyPropertyAt(i);
}

void KObject::RemoveAllProperties()
{
    DepthGuard keep(this); // a property's handlers may ask to destroy this object
    for (int i = GetPropertyCount() - 1; i >= 0; i = std::min(i - 1, GetPropertyCount() - 1))
    {
        if (!DropQuietly(i))
        {
            DestroyPropertyAt(i);
        }
    }
}

bool KObject::DropQuietly(int index)
{
    // Only while the whole object goes, and for the last entry of a declared
    // property that nothing links, holds or removes: the full path would send
    // events nobody hears, find no link to take apart and only let it go.
    if (!(m_RuntimeFlags & kRuntimeReleasing) || m_Removing != nullptr || index != GetPropertyCount() - 1)
    {
        return false;
    }
    KProperty* p = m_Properties[static_cast<size_t>(index)];
    if (p->IsDynamic() || p->GetSrcCount() != 0 || p->GetDstCount() != 0 || p->GetNotificationDepth() != 0 ||
        p->HasPlugFlag(kDestroyPending) || HearsPropertyRemoval())
    {
        return false;
    }
    DropNameIndex();
    m_Properties.pop_back();
    p->m_ListedIn.Remove(this, false);
    if (p->GetOwner() == this)
    {
        ReleaseChild(p);
    }
    return true;
}

void KObject::DisconnectAllProperties()
{
    DepthGuard keep(this);
    for (int i = GetPropertyCount() - 1; i >= 0; i = std::min(i - 1, GetPropertyCount() - 1))
    {
        KProperty* p = m_Properties[static_cast<size_t>(i)];
        if (p->GetSrcCount() == 0 && p->GetDstCount() == 0)
        {
            continue; // most properties are connected to nothing
        }
        DepthGuard keep(p); // losing its link may release a reference property
        p->DisconnectAllSrc();
        p->DisconnectAllDst();
    }
    DisconnectAllSrc();
    KObject* referenced = GetReferencedObject();
    for (int i = GetDstCount() - 1; i >= 0; i = std::min(i - 1, GetDstCount() - 1))
    {
        KPlug* d = GetDst(i);
        if (d != referenced)
        {
            DisconnectDst(d);
        }
    }
}

void KObject::ReleaseLinkedProperties(KProperty* property)
{
    if (!property || property->KeepsLinks())
    {
        return;
    }
    // The reference properties that name this one as their source, from
    // the last; removing one may take others (and their entries) with it,
    // so each round reads the list as it is then. Nothing is gathered
    // first: a dying object's properties go without allocating.
    DepthGuard keep(property);
    for (int i = property->GetDstCount() - 1; i >= 0; i = std::min(i - 1, property->GetDstCount() - 1))
    {
        KPlug* d = property->GetDst(i);
        if (d == nullptr || !d->IsA(KProperty::ClassId) || !static_cast<KProperty*>(d)->IsReference())
        {
            continue;
        }
        if (KObject* owner = static_cast<KProperty*>(d)->GetOwnerObject())
        {
            owner->RemoveProperty(static_cast<KProperty*>(d));
        }
    }
}

int KObject::GetFlaggedPropertyCount() const
{
    int n = 0;
    for (KProperty* p : m_Properties)
    {
        n += p->GetAttributes().HasFlag(KPropertyAttributes::kOwnsEnumList) ? 1 : 0;
    }
    return n;
}

KProperty* KObject::GetFlaggedProperty(int i) const
{
    for (KProperty* p : m_Properties)
    {
        if (p->GetAttributes().HasFlag(KPropertyAttributes::kOwnsEnumList) && i-- == 0)
        {
            return p;
        }
    }
    return nullptr;
}

bool KObject::RemoveFlaggedProperty(KProperty* property)
{
    if (!property || !property->GetAttributes().HasFlag(KPropertyAttributes::kOwnsEnumList))
    {
        return false;
    }
    return RemoveProperty(property);
}

KProperty* KObject::CreateReferenceProperty(KProperty* source, const char* name)
{
    if (!source || source->GetTypeCode() == eKPropObject)
    {
        return nullptr;
    }
    HdlKObject made; // null unless the property is made and survives its handlers
    {
        DepthGuard keep(this);
        made = MakeReferenceProperty(source, name);
    }
    return static_cast<KProperty*>(made.Get());
}

HdlKObject KObject::MakeReferenceProperty(KProperty* source, const char* name)
{
    KString n;
    if (name)
    {
        n = name;
    }
    else
    {
        KObject* so = source->GetOwnerObject();
        n = KString(so ? so->GetName() : "") + "." + source->GetName();
    }
    KProperty* p =
        CreateProperty(n.Buffer(), eKPropReference, nullptr, source->IsAnimatable(), true, source, false);
    if (!p)
    {
        return HdlKObject();
    }
    HdlKObject made = p->GetHandle();
    DepthGuard keepNew(p);
    if (p->IsSrcConnected(source))
    {
        if (name)
        {
            p->GetAttributes().SetFlag(KPropertyAttributes::kNamedReference, true);
        }
        p->GetAttributes().SetLimits(source->GetMin(), source->GetMax());
        return made;
    }
    RemoveProperty(p);
    return HdlKObject();
}

KProperty* KObject::ClonePropertyFrom(KProperty* property)
{
    if (!property)
    {
        return nullptr;
    }
    KProperty* typeSource = property->IsReference() ? property->GetReferencedProperty() : property;
    if (!typeSource)
    {
        return nullptr;
    }
    HdlKObject made;
    {
        DepthGuard keep(this);
        KProperty* p = CreateProperty(property->GetName(), typeSource->GetTypeCode(), nullptr,
                                      typeSource->IsAnimatable(), false, nullptr, false);
        if (p)
        {
            p->GetAttributes().SetLimits(property->GetMin(), property->GetMax());
            made = p->GetHandle();
        }
    }
    return static_cast<KProperty*>(made.Get());
}

void KObject::CopyFrom(KObject* other, uint32_t what)
{
    DepthGuard keep(this);
    if (!other)
    {
        return;
    }
    if (what & 1)
    {
        CopyPropertiesFrom(other);
    }
    if (what & 16)
    {
        CopyPropertyValuesFrom(other);
    }
    if (what & 4)
    {
        for (int i = 0; i < other->GetFlaggedPropertyCount(); ++i)
        {
            ClonePropertyFrom(other->GetFlaggedProperty(i));
        }
    }
    if (what & 8)
    {
        CopyFlaggedPropertiesFrom(other);
    }
}

void KObject::CopyValues(KObject* other, bool assign)
{
    DepthGuard keep(this); // value handlers may ask to destroy this object
    if (!other || other == this || !other->IsA(GetClassId()))
    {
        return;
    }
    int n = std::min(GetPropertyCount(), other->GetPropertyCount());
    for (int i = 0; i < n; ++i)
    {
        KProperty* from = other->GetProperty(i);
        KProperty* to = GetProperty(i);
        if (!from || !to || from->IsAnimatable() || to->IsAnimatable())
        {
            continue;
        }
        if (std::strcmp(from->GetName(), to->GetName()) != 0)
        {
            to = FindProperty(from->GetName());
            if (!to)
            {
                continue;
            }
        }
        if (assign)
        {
            to->Assign(from);
        }
        else
        {
            to->CopyValue(from);
        }
    }
}

void KObject::CopyPropertiesFrom(KObject* other)
{
    CopyValues(other, false);
}

void KObject::CopyPropertyValuesFrom(KObject* other)
{
    CopyValues(other, true);
}

void KObject::CopyFlaggedPropertiesFrom(KObject* other)
{
    DepthGuard keep(this);
    if (!other || other == this || !other->IsA(GetClassId()))
    {
        return;
    }
    for (int i = 0; i < other->GetFlaggedPropertyCount(); ++i)
    {
        KProperty* from = other->GetFlaggedProperty(i);
        KProperty* to = FindProperty(from->GetName());
        if (to && to->GetAttributes().HasFlag(KPropertyAttributes::kOwnsEnumList))
        {
            to->CopyValue(from);
        }
    }
}

// ---------------------------------------------------------------------------
// Names

bool KObject::ChangeName(KString& slot, const char* text, int codeBefore, int codeAfter, int notifyBefore,
                         int notifyAfter)
{
    KString value(text ? text : "");
    if (slot == value)
    {
        return false;
    }
    DepthGuard keep(this); // handlers may ask to destroy this object
    KString old = slot;
    SendObjectEvent(codeBefore, value.Buffer(), old.Buffer());
    NotifyEvent15(nullptr, notifyBefore, this, value.Buffer(), old.Buffer(), nullptr);
    slot = value;
    InvalidateQualifiedName(true);
    SendObjectEvent(codeAfter, value.Buffer(), old.Buffer());
    if (notifyAfter >= 0)
    {
        NotifyEvent15(nullptr, notifyAfter, this, value.Buffer(), old.Buffer(), nullptr);
    }
    return true;
}

void KObject::SetName(const char* name)
{
    ChangeName(N().name, IsBlank(name) ? "1" : name, 8, 12, 27, 28);
}

void KObject::SetNameText(const char* name)
{
    ChangeName(N().name, name, 10, 14, 27, 28);
}

void KObject::SetNameSpace(const char* nameSpace)
{
    DepthGuard keep(this);
    if (ChangeName(N().nameSpace, nameSpace, 9, 13, 29, -1))
    {
        SendNameSpaceChanged(0);
    }
}

void KObject::SetNameSpaceText(const char* nameSpace)
{
    DepthGuard keep(this);
    if (ChangeName(N().nameSpace, nameSpace, 11, 15, 29, -1))
    {
        SendNameSpaceChanged(0);
    }
}

void KObject::SendNameSpaceChanged(int depth)
{
    if (depth > kMaxNameSpaceDepth)
    {
        return;
    }
    DepthGuard keep(this); // handlers may ask to destroy this object
    NotifyEvent15(nullptr, 30, this, nullptr, nullptr, nullptr);
    // Held by handle: a handler may destroy a dependant before its turn.
    std::vector<HdlKObject> dependants;
    for (KObject* o : NameSpaceDependants())
    {
        dependants.push_back(o->GetHandle());
    }
    for (const HdlKObject& h : dependants)
    {
        if (KObject* o = Cast(h.Get()))
        {
            o->SendNameSpaceChanged(depth + 1);
        }
    }
}

void KObject::SetFullName(const char* fullName)
{
    DepthGuard keep(this);
    KString prefix;
    KString name;
    SplitFullName(fullName, nullptr, nullptr, &prefix, &name);
    SetNameSpace(prefix.Buffer());
    SetName(name.Buffer());
}

void KObject::InvalidateQualifiedName(bool recursive)
{
    InvalidateQualifiedNameDepth(recursive, 0);
}

void KObject::InvalidateQualifiedNameDepth(bool recursive, int depth)
{
    if (m_Names)
    {
        m_Names->fullNameValid = false;
    }
    if (!recursive || depth > kMaxNameSpaceDepth)
    {
        return;
    }
    for (KObject* o : NameSpaceDependants())
    {
        o->InvalidateQualifiedNameDepth(true, depth + 1);
    }
}

std::vector<KObject*> KObject::NameSpaceDependants()
{
    std::vector<KObject*> out;
    for (int i = 0; i < GetSrcCount(); ++i)
    {
        KObject* o = Cast(GetSrc(i));
        if (o && o != this && o->GetNameSpaceParent() == this &&
            std::find(out.begin(), out.end(), o) == out.end())
        {
            out.push_back(o);
        }
    }
    return out;
}

KObject* KObject::GetNameSpaceParent()
{
    int cls = GetNameSpaceClassId();
    if (cls == -1)
    {
        return nullptr;
    }
    for (int i = 0; i < GetDstCount(); ++i)
    {
        KPlug* d = GetDst(i);
        if (d && d->IsA(cls) && d->IsA(KObject::ClassId))
        {
            return static_cast<KObject*>(d);
        }
    }
    return nullptr;
}

KString KObject::JoinNameSpacePath(const KString& parentPath, const KString& own)
{
    KString result;
    if (parentPath.IsEmpty() || own.Find((parentPath + ":").Buffer()) >= 0)
    {
        result = own.GetLen() > 0 && own[0] == ':' ? own.Mid(1) : own;
    }
    else if (own.IsEmpty())
    {
        result = parentPath;
    }
    else if (own[0] == ':')
    {
        result = parentPath + own;
    }
    else
    {
        result = parentPath + ":" + own;
    }
    if (result.GetLen() > 0 && result[result.GetLen() - 1] == ':')
    {
        result = result.Left(result.GetLen() - 1);
    }
    if (!result.IsValid())
    {
        result = "";
    }
    return result;
}

KString KObject::GetNameSpacePath()
{
    return GetNameSpacePathDepth(0);
}

KString KObject::GetNameSpacePathDepth(int depth)
{
    KObject* parent = depth < kMaxNameSpaceDepth ? GetNameSpaceParent() : nullptr;
    if (!parent || parent == this)
    {
        return JoinNameSpacePath(KString(""), NameSpaceText());
    }
    return JoinNameSpacePath(parent->GetNameSpacePathDepth(depth + 1), NameSpaceText());
}

KString KObject::BuildQualifiedName(bool withParents)
{
    KString path = withParents ? GetNameSpacePath() : KString(NameSpaceText());
    if (!path.IsEmpty())
    {
        return path + ":" + NameText();
    }
    return KString(NameText().Buffer() ? NameText().Buffer() : "");
}

const char* KObject::GetFullName()
{
    Names& names = N();
    if (!names.fullNameValid)
    {
        KString full("");
        const char* prefix = GetNamePrefix();
        if (prefix && *prefix)
        {
            full += prefix;
            full += "::";
        }
        KString path = GetNameSpacePath();
        if (!path.IsEmpty())
        {
            full += path;
            full += ":";
        }
        full += names.name;
        names.fullName = full;
        names.fullNameValid = true;
    }
    return names.fullName.Buffer() ? names.fullName.Buffer() : "";
}

void KObject::SplitFullName(const char* full, KString* kept, KString* nameSpace, KString* prefix,
                            KString* name)
{
    KString rest(full ? full : "");
    auto cutBefore = [&rest](const char* sep, KString* part)
    {
        int at = -1;
        int len = static_cast<int>(std::strlen(sep));
        for (int i = rest.Find(sep); i >= 0; i = rest.Find(sep, i + 1))
        {
            at = i;
        }
        KString before("");
        if (at >= 0)
        {
            before = rest.Left(at);
            rest = rest.Mid(at + len);
            if (!rest.IsValid())
            {
                rest = "";
            }
        }
        if (part)
        {
            *part = before.IsValid() ? before : KString("");
        }
    };
    cutBefore(":::", kept);
    cutBefore("::", nameSpace);
    cutBefore(":", prefix);
    if (name)
    {
        *name = rest;
    }
}

KString KObject::ComposeFullName(const char* nameSpace, const char* prefix, const char* name)
{
    KString out("");
    if (nameSpace && *nameSpace)
    {
        out += nameSpace;
        out += "::";
    }
    if (prefix && *prefix)
    {
        out += prefix;
        out += ":";
    }
    out += name ? name : "";
    return out;
}

// ---------------------------------------------------------------------------
// State and object events

bool KObject::SetState(uint32_t value)
{
    DepthGuard keep(this);
    uint32_t old = m_State;
    m_State = value;
    if (old == value)
    {
        if (value & 1)
        {
            SendObjectEvent(27);
            NotifyEvent15(nullptr, 26, this, nullptr, nullptr, nullptr);
        }
        return false;
    }
    bool was1 = (old & 1) != 0;
    bool now1 = (value & 1) != 0;
    if (now1 && !was1)
    {
        m_StateStamp = ++gStateStamp;
        SendObjectEvent(6);
        NotifyEvent15(nullptr, 24, this, nullptr, nullptr, nullptr);
    }
    else if (!now1 && was1)
    {
        SendObjectEvent(7);
        NotifyEvent15(nullptr, 25, this, nullptr, nullptr, nullptr);
    }
    else if (now1)
    {
        m_StateStamp = ++gStateStamp;
        SendObjectEvent(27);
        NotifyEvent15(nullptr, 26, this, nullptr, nullptr, nullptr);
    }
    bool was2 = (old & 2) != 0;
    bool now2 = (value & 2) != 0;
    if (now2 && !was2)
    {
        SendObjectEvent(16);
    }
    else if (!now2 && was2)
    {
        SendObjectEvent(17);
    }
    return true;
}

void KObject::ClearState()
{
    SetState(m_State & ~1u);
}

void KObject::ResetState()
{
    SetState(m_State & ~1u);
}

bool KObject::SendStateEvent25()
{
    return SendObjectEvent(25);
}

bool KObject::SendStateEvent26()
{
    return SendObjectEvent(26);
}

namespace
{
// Up to kSize objects, their depths raised until the batch ends (lowered in
// reverse order). Its cells are left unset until used: every event an
// object sends makes one, most for one or two related objects.
class HeldBatch
{
public:
    static constexpr int kSize = 16;
    HeldBatch() = default;
    HeldBatch(const HeldBatch&) = delete;
    HeldBatch& operator=(const HeldBatch&) = delete;
    ~HeldBatch()
    {
        for (int i = m_Count; i-- > 0;)
        {
            std::launder(reinterpret_cast<KPlug::DepthGuard*>(&m_Guards[i]))->~DepthGuard();
        }
    }
    // Nothing for null; at most kSize objects.
    void Hold(KObject* object)
    {
        if (object != nullptr && m_Count < kSize)
        {
            new (&m_Guards[m_Count]) KPlug::DepthGuard(object);
            m_Objects[m_Count++] = object;
        }
    }
    int Count() const { return m_Count; }
    KObject* operator[](int i) const { return m_Objects[i]; }

private:
    struct alignas(KPlug::DepthGuard) Cell
    {
        unsigned char bytes[sizeof(KPlug::DepthGuard)];
    };
    Cell m_Guards[kSize];
    KObject* m_Objects[kSize];
    int m_Count = 0;
};
} // namespace

bool KObject::SendObjectEvent(int code, const void* a, const void* b)
{
    // Most objects (a node's set linked to thousands of materials before
    // it has a parent) have nobody to tell.
    if (code != 1 && GetDstCount() == 0 && GetReferencedObject() == nullptr)
    {
        return true;
    }
    DepthGuard guard(this);
    if (code == 1)
    {
        NotifyEvent15(nullptr, eDisconnectAll, this, nullptr, nullptr, nullptr);
    }
    if (KObject* r = GetReferencedObject())
    {
        r->OnReferencedObjectEvent(this, code, a, b);
    }
    // The related objects are held up a batch at a time (their depth
    // raised, on the stack: a teardown sends this too and must not
    // allocate): a handler may destroy another related object before its
    // turn, which then waits for the batch to end, and a destroyed object is
    // not told.
    for (int first = 0; first < GetDstCount(); first += HeldBatch::kSize)
    {
        HeldBatch batch;
        const int count = std::min(HeldBatch::kSize, GetDstCount() - first);
        for (int i = 0; i < count; ++i)
        {
            batch.Hold(Cast(GetDst(first + i)));
        }
        for (int i = 0; i < batch.Count(); ++i)
        {
            if (!batch[i]->HasPlugFlag(kDestroyPending))
            {
                batch[i]->OnRelatedObjectEvent(this, code, a, b);
            }
        }
    }
    return true;
}

bool KObject::OnRelatedObjectEvent(KObject*, int, const void*, const void*)
{
    return false;
}

void KObject::SetReferencedObject(KObject* object)
{
    m_Referenced = object ? object->GetHandle() : HdlKObject();
}

bool KObject::OnObjectListChange(KGenericObjectList*, int, KObject*, int)
{
    return true;
}

bool KObject::OnObjectEvent(KPlug* emitter, int code, KPlug* other, int index)
{
    if (emitter != this || !m_ManagerLink)
    {
        return true;
    }
    KObjectEventRecord record;
    record.object = this;
    record.code = code;
    record.self = GetHandle();
    record.other = other ? other->GetHandle() : HdlKObject();
    record.index = index;
    m_ManagerLink->Dispatch(this, &record);
    return true;
}

bool KObject::OnSrcObjectChange(int operation, KObject* other, int index)
{
    (void)index;
    switch (operation)
    {
    case 1:
        SendObjectEvent(30, other);
        break;
    case 2:
        if (other)
        {
            SendObjectEvent(31, other);
        }
        break;
    case 4:
        if (other && other->GetNameSpaceParent() == this)
        {
            other->InvalidateQualifiedName(true);
        }
        SendObjectEvent(4, other);
        SendObjectEvent(33, other);
        break;
    case 5:
        SendObjectEvent(5, other);
        SendObjectEvent(33, other);
        break;
    case 14:
    case 15:
        if (other)
        {
            SendObjectEvent(operation == 14 ? 34 : 35, other);
        }
        break;
    default:
        break;
    }
    return true;
}

bool KObject::OnDstObjectChange(int, KObject*, int)
{
    return true;
}

bool KObject::OnPropertyChange(int, KProperty*, bool)
{
    return true;
}

bool KObject::OnReferencedNotify14(const KEventPath*, int, KPlug*, const void*, const void*, const void*)
{
    return true;
}

bool KObject::OnReferencedNotify15(const KEventPath*, int, KPlug*, const void*, const void*, const void*)
{
    return true;
}

bool KObject::OnReferencedConnectionEvent(const KEventPath*, int, KPlug*, int, KPlug*, uint32_t, KPlug*)
{
    return true;
}

bool KObject::OnReferencedObjectEvent(KObject*, int, const void*, const void*)
{
    return true;
}

bool KObject::ReleaseRecord(KObjectRecord*)
{
    return true;
}

const KObject::Rare& KObject::RV() const
{
    static const Rare none;
    return m_Rare ? *m_Rare : none;
}

KObject::Rare& KObject::R()
{
    if (!m_Rare)
    {
        m_Rare = std::make_unique<Rare>();
    }
    return *m_Rare;
}

// ---------------------------------------------------------------------------
// Plug overrides

bool KObject::IsBeingReplaced(KPlug* a, KPlug* b)
{
    for (const PendingReplace& r : RV().pendingReplaces)
    {
        if ((r.src == a && r.dst == b) || (r.src == b && r.dst == a))
        {
            return true;
        }
    }
    return false;
}

bool KObject::HasOwner(int arg)
{
    if (arg != 0 || GetSrcCount() != 0 || GetDstCount() > 1)
    {
        return false;
    }
    if (GetDstCount() == 1 && GetDst(0) != GetReferencedObject())
    {
        return false;
    }
    for (KProperty* p : m_Properties)
    {
        if (p->GetSrcCount() || p->GetDstCount())
        {
            return false;
        }
    }
    return true;
}

bool KObject::NotifyEvent14(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                            const void* c)
{
    DepthGuard keep(this); // the referenced object's handler may destroy this one
    if (KObject* r = GetReferencedObject())
    {
        r->OnReferencedNotify14(path, code, emitter, a, b, c);
    }
    return PlugNotifyEvent(false, path, code, emitter, a, b, c);
}

bool KObject::NotifyEvent15(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                            const void* c)
{
    DepthGuard keep(this); // the referenced object's handler may destroy this one
    if (KObject* r = GetReferencedObject())
    {
        r->OnReferencedNotify15(path, code, emitter, a, b, c);
    }
    return PlugNotifyEvent(true, path, code, emitter, a, b, c);
}

void KObject::SetRuntimeFlag(uint32_t bits, bool on)
{
    m_RuntimeFlags = on ? (m_RuntimeFlags | bits) : (m_RuntimeFlags & ~bits);
}

bool KObject::HandleObjectConnectionEvent(int code, KPlug* emitter, int index, KObject* other)
{
    // Operations told to the hooks for the add/remove codes 2, 4, 6, 8 (and 3, 5, 7, 9).
    static const int kOperation[10] = {0, 0, 1, 1, 4, 4, 2, 2, 5, 5};
    if (emitter == this)
    {
        if (code >= 2 && code <= 9)
        {
            int op = kOperation[code];
            if (code % 2 == 0)
            {
                return OnObjectEvent(this, op, other, index) && OnSrcObjectChange(op, other, index);
            }
            // The name-space parent may have changed: only an object that
            // takes its name space from a destination can have one.
            if ((code == 5 || code == 9) && GetNameSpaceClassId() != -1)
            {
                InvalidateQualifiedName(true);
            }
            return OnDstObjectChange(op, other, index);
        }
        if (code == 14 || code == 15)
        {
            return OnSrcObjectChange(code, other, index);
        }
        return true;
    }
    if (code == 2 || code == 4 || code == 6)
    {
        return OnObjectEvent(emitter, kOperation[code], other, index);
    }
    if (code == 8 && !HasRuntimeFlag(kRuntimeReleasing))
    {
        return OnObjectEvent(emitter, 5, other, index);
    }
    return true;
}

bool KObject::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                              uint32_t type, KPlug* extra)
{
    // Events forwarded by a property reach this object outside any change of
    // its own: a hook that destroys it is deferred until the event is handled.
    DepthGuard keep(this);
    switch (code)
    {
    case eReplaceSrcSideBegin:
        R().pendingReplaces.push_back(PendingReplace{emitter, other, extra, true});
        break;
    case eReplaceDstSideBegin:
        R().pendingReplaces.push_back(PendingReplace{emitter, other, extra, false});
        break;
    case eReplaceSrcSideEnd:
    case eReplaceDstSideEnd:
    {
        bool srcSide = code == eReplaceSrcSideEnd;
        for (size_t i = 0; i < RV().pendingReplaces.size(); ++i)
        {
            const PendingReplace& r = m_Rare->pendingReplaces[i];
            bool match = srcSide ? (r.src == emitter && r.dst == other && r.srcSideBegan)
                                 : (r.src == emitter && r.dst == other && !r.srcSideBegan);
            if (match)
            {
                m_Rare->pendingReplaces.erase(m_Rare->pendingReplaces.begin() + static_cast<long>(i));
                break;
            }
        }
        break;
    }
    default:
        break;
    }

    KObject* otherObject = Cast(other);
    if (!otherObject)
    {
        // The link of a reference property is going: the reference property goes with it.
        if (code == eSrcRemoving && emitter != this && emitter && other && emitter->IsA(KProperty::ClassId) &&
            other->IsA(KProperty::ClassId) && static_cast<KProperty*>(emitter)->IsReference() &&
            !IsBeingReplaced(emitter, other))
        {
            if (KObject* owner = static_cast<KProperty*>(emitter)->GetOwnerObject())
            {
                owner->RemoveProperty(static_cast<KProperty*>(emitter));
            }
        }
        if (code == eEvent16 || code == eEvent17)
        {
            OnObjectEvent(emitter, code == eEvent16 ? 6 : 7, nullptr, index);
        }
    }
    else if (!HandleObjectConnectionEvent(code, emitter, index, otherObject))
    {
        return false;
    }

    if (KObject* r = GetReferencedObject())
    {
        if (!r->OnReferencedConnectionEvent(path, code, emitter, index, other, type, extra))
        {
            return false;
        }
    }
    return PlugConnectionEvent(path, code, emitter, index, other, type, extra);
}

// ---------------------------------------------------------------------------
// Relations

KObject* KObject::FindSrcObjectByName(const char* name, int which, int classNumber)
{
    (void)which;
    if (!name)
    {
        return nullptr;
    }
    int n = GetSrcCount(classNumber);
    for (int i = 0; i < n; ++i)
    {
        KObject* o = Cast(GetSrc(i, classNumber));
        if (o && std::strcmp(o->GetName(), name) == 0)
        {
            return o;
        }
    }
    return nullptr;
}

int KObject::GetSrcObjectIndex(KObject* object) const
{
    int k = 0;
    for (int i = 0; i < GetSrcCount(); ++i)
    {
        KObject* o = Cast(GetSrc(i));
        if (!o)
        {
            continue;
        }
        if (o == object)
        {
            return k;
        }
        ++k;
    }
    return -1;
}

void KObject::AddOwnedRecord(KObjectRecord* record)
{
    if (record)
    {
        R().ownedRecords.push_back(record);
    }
}

KSubscriberList* KObject::GetManagerLink(bool create)
{
    if (!m_ManagerLink && create)
    {
        m_ManagerLink.reset(new KSubscriberList);
    }
    return m_ManagerLink.get();
}

} // namespace scenesdk
