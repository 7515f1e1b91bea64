#include "scenesdk/kernel/KScnObject.h"

#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace scenesdk
{

namespace
{

// Name prefix per kind code 0..13.
const char* const kKindPrefixes[] = {
    "",                 // 0
    "Model::",          // 1 node
    "Texture::",        // 2
    "Material::",       // 3
    "Video::",          // 4
    "Video::",          // 5
    "Constraint::",     // 6
    "MarkerSet::",      // 7
    "Constraint::",     // 8 character
    "Pose::",           // 9 character pose
    "",                 // 10 deformer
    "Pose::",           // 11
    "ControlSetPlug::", // 12
    "Constraint::",     // 13
};
constexpr int kKindCount = static_cast<int>(sizeof(kKindPrefixes) / sizeof(kKindPrefixes[0]));

} // namespace

KScnObject::KScnObject(KScnSdkManager* manager, const char* name) : mManager(manager)
{
    InitNamePair(name);
}

KScnObject::~KScnObject()
{
    DropDeferredUserProperties();
    for (int i = 0; i < mUserProperties.GetCount(); ++i)
    {
        mUserProperties[i]->NoteLister(this, false);
    }
    mUserProperties.Clear();
    delete mListed;
    mListed = nullptr;
    FreeNamePair();
}

void KScnObject::FreeNamePair()
{
    mInitialName.Clear();
    mName.Clear();
}

void KScnObject::SetNames(const char* text)
{
    KString initial(text != nullptr ? text : "");
    SetCurrentName(initial.Buffer());
    mInitialName.Swap(initial);
}

void KScnObject::SetCurrentName(const char* text)
{
    // The new name and all that the scenes listing the object need for it
    // (a name may be free now, or taken) are made before the name changes:
    // memory running out leaves the name and the scenes as they were.
    KString name(text != nullptr ? text : "");
    if (mManager == nullptr)
    {
        mName.Swap(name);
        return;
    }
    const void* self = dynamic_cast<const void*>(this);
    const std::vector<KScnSceneContents*> listing = mManager->PrepareRename(self, name.Buffer());
    mName.Swap(name);
    mManager->FinishRename(listing);
}

void KScnObject::SetName(const char* name)
{
    SetCurrentName(KScnSdkManager::PrefixName(GetNamePrefix().Buffer(), name).Buffer());
}

KString KScnObject::GetNamePrefix(int kind)
{
    return KString(kind >= 0 && kind < kKindCount ? kKindPrefixes[kind] : "");
}

KString KScnObject::GetNameWithoutPrefix() const
{
    const KString name(GetName());
    const KString prefix = GetNamePrefix();
    const int prefixLength = prefix.GetLen();
    if (name.GetLen() >= prefixLength && std::strncmp(name.Buffer(), prefix.Buffer(), prefixLength) == 0)
    {
        return name.Mid(prefixLength);
    }
    const int colons = name.Find("::");
    if (colons >= 0)
    {
        return name.Mid(colons + 2);
    }
    return name;
}

void KScnObject::DeferUserProperties(int count)
{
    if (count <= 0 || mDeferred > 0)
    {
        return;
    }
    mDeferred = count;
    if (mManager != nullptr)
    {
        mManager->ReserveUserProperties(this);
    }
}

uint64_t KScnObject::EndDeferral()
{
    const uint64_t order = mDeferredOrder;
    if (mManager != nullptr && mDeferredSlot >= 0)
    {
        mManager->ReleaseUserProperties(this);
    }
    mDeferred = 0;
    mDeferredSlot = -1;
    mDeferredOrder = 0;
    mMadeAhead.clear();
    return order;
}

// ---- Handles that wait --------------------------------------------------------

int KScnObject::WaitingHandleCount() const
{
    int count = 0;
    for (int place = 0; place < mDeferred; ++place)
    {
        count += PlaceProperty(place) != nullptr ? 1 : 0;
    }
    return count;
}

const KScnObject::SMadeAhead* KScnObject::MadeAheadAt(int place) const
{
    for (const SMadeAhead& made : mMadeAhead)
    {
        if (made.place == place)
        {
            return &made;
        }
    }
    return nullptr;
}

// The places that stand listed: with a property, their handle not destroyed.
int KScnObject::WaitingPlaceAt(int index) const
{
    for (int place = 0; index >= 0 && place < mDeferred; ++place)
    {
        const SMadeAhead* made = MadeAheadAt(place);
        if (PlaceProperty(place) != nullptr && (made == nullptr || made->ref != nullptr) && index-- == 0)
        {
            return place;
        }
    }
    return -1;
}

int KScnObject::WaitingPlaceNamed(const char* name) const
{
    for (int place = 0; place < mDeferred; ++place)
    {
        const KProperty* property = PlaceProperty(place);
        const SMadeAhead* made = MadeAheadAt(place);
        if (property != nullptr && (made == nullptr || made->ref != nullptr) &&
            std::strcmp(property->GetName(), name) == 0)
        {
            return place;
        }
    }
    return -1;
}

int KScnObject::WaitingPlaceOf(const KProperty* property) const
{
    for (int place = 0; property != nullptr && place < mDeferred; ++place)
    {
        const SMadeAhead* made = MadeAheadAt(place);
        if (PlaceProperty(place) == property && (made == nullptr || made->ref != nullptr))
        {
            return place;
        }
    }
    return -1;
}

int KScnObject::ListIndexOfPlace(int place) const
{
    int index = 0;
    for (int p = 0; p < place; ++p)
    {
        const SMadeAhead* made = MadeAheadAt(p);
        index += PlaceProperty(p) != nullptr && (made == nullptr || made->ref != nullptr) ? 1 : 0;
    }
    return index;
}

KProperty* KScnObject::WaitingHandleProperty(const char* name) const
{
    const int place = name != nullptr ? WaitingPlaceNamed(name) : -1;
    return place >= 0 ? PlaceProperty(place) : nullptr;
}

KScnPropertyRef* KScnObject::HandleOfPlace(int place)
{
    if (place < 0)
    {
        return nullptr;
    }
    if (const SMadeAhead* made = MadeAheadAt(place))
    {
        return made->ref;
    }
    // Asked for many, the object makes them all (then a look-up is the
    // list's); the last one waiting likewise, so that the deferral ends.
    if (mMadeAhead.size() + 1 >= std::min<size_t>(kMadeAheadMost, static_cast<size_t>(WaitingHandleCount())))
    {
        const int index = ListIndexOfPlace(place);
        MakeDeferred();
        return mUserProperties.GetAt(index);
    }
    // Room first: once the handle is made nothing is left to fail.
    mMadeAhead.reserve(mMadeAhead.size() + 1);
    mUserProperties.Reserve(mUserProperties.GetCount() + 1);
    KScnPropertyRef* ref = MakeWaitingHandle(place);
    if (ref == nullptr)
    {
        return nullptr;
    }
    if (mManager != nullptr && mDeferredSlot >= 0)
    {
        mManager->PlaceReservedHandle(ref, mDeferredOrder, place);
        mManager->TakeReservedPlace(this);
    }
    mMadeAhead.push_back(SMadeAhead{place, ref});
    AppendUserProperty(ref);
    return ref;
}

void KScnObject::MakeDeferredUserProperties()
{
    // The handles and the list's room are had first; a failure destroys
    // the handles made here and leaves the rest waiting.
    std::vector<std::pair<int, KScnPropertyRef*>> made;
    std::vector<KScnPropertyRef*> order;
    try
    {
        made.reserve(static_cast<size_t>(mDeferred));
        order.reserve(static_cast<size_t>(mDeferred));
        mUserProperties.Reserve(mUserProperties.GetCount() + mDeferred);
        for (int place = 0; place < mDeferred; ++place)
        {
            const SMadeAhead* ahead = MadeAheadAt(place);
            if (ahead != nullptr || PlaceProperty(place) == nullptr)
            {
                if (ahead != nullptr && ahead->ref != nullptr)
                {
                    order.push_back(ahead->ref);
                }
                continue;
            }
            if (KScnPropertyRef* ref = MakeWaitingHandle(place))
            {
                made.emplace_back(place, ref);
                order.push_back(ref);
            }
        }
    }
    catch (...)
    {
        // (Without a manager the object owns what it made until it goes.)
        for (const auto& placed : made)
        {
            if (mManager != nullptr)
            {
                mManager->DestroyUserProperty(placed.second);
            }
        }
        throw;
    }
    const uint64_t base = EndDeferral();
    for (const auto& placed : made)
    {
        if (mManager != nullptr && base != 0)
        {
            mManager->PlaceReservedHandle(placed.second, base, placed.first);
        }
        placed.second->NoteLister(this, true);
        placed.second->mObjectsOwn = true;
    }
    // In the order of their places: those made ahead are listed already
    // (room was had for the rest).
    const int listed = mUserProperties.GetCount();
    for (size_t i = 0; i < order.size(); ++i)
    {
        if (static_cast<int>(i) < listed)
        {
            mUserProperties[static_cast<int>(i)] = order[i];
        }
        else
        {
            mUserProperties.Add(order[i]);
        }
    }
    for (const auto& placed : made)
    {
        NoteListed(placed.second);
    }
}

void KScnObject::DropDeferredUserProperties()
{
    // The handles made ahead stay listed (the object's own, they go with it).
    if (mDeferred > 0)
    {
        EndDeferral();
    }
}

int KScnObject::GetUserPropertyCount() const
{
    return mUserProperties.GetCount() +
           (mDeferred > 0 ? WaitingHandleCount() - static_cast<int>(mMadeAhead.size()) : 0);
}

KScnPropertyRef* KScnObject::GetUserProperty(int index) const
{
    if (mDeferred > 0)
    {
        return const_cast<KScnObject*>(this)->HandleOfPlace(WaitingPlaceAt(index));
    }
    return mUserProperties.GetAt(index);
}

void KScnObject::AddUserProperty(KScnPropertyRef* property)
{
    MakeDeferred();
    if (property == nullptr || IsListed(property))
    {
        return;
    }
    KScnReadMeter::Charge(KScnReadMeter::eUserProperties, KScnReadMeter::kUserPropertyBytes);
    ListUserProperty(property);
    try
    {
        OnUserPropertyAdded(property);
    }
    catch (...)
    {
        // Whole or not at all: the hook took back what it gave; unlisting
        // allocates nothing.
        RemoveUserProperty(property);
        throw;
    }
}

void KScnObject::AdoptUserProperty(KScnPropertyRef* property)
{
    try
    {
        AddUserProperty(property);
    }
    catch (...)
    {
        if (mManager != nullptr && property != nullptr && !HoldsUserProperty(property))
        {
            mManager->DestroyUserProperty(property);
        }
        throw;
    }
    if (property != nullptr)
    {
        property->mObjectsOwn = true;
    }
}

bool KScnObject::RemoveUserProperty(KScnPropertyRef* property)
{
    MakeDeferred();
    // From the end: handles are listed once, and teardown removes the last first.
    int index = property != nullptr ? mUserProperties.GetCount() - 1 : -1;
    while (index >= 0 && mUserProperties[index] != property)
    {
        --index;
    }
    if (index < 0)
    {
        return false;
    }
    mUserProperties.RemoveAt(index);
    delete mListed;
    mListed = nullptr;
    property->NoteLister(this, false);
    return true;
}

void KScnObject::ForgetUserProperty(const KScnPropertyRef* property)
{
    // A handle made ahead leaves its place taken: it is not made again.
    for (SMadeAhead& made : mMadeAhead)
    {
        if (made.ref == property)
        {
            made.ref = nullptr;
        }
    }
    int index = mUserProperties.GetCount() - 1;
    while (index >= 0 && mUserProperties[index] != property)
    {
        --index;
    }
    if (index >= 0)
    {
        mUserProperties.RemoveAt(index);
        delete mListed;
        mListed = nullptr;
    }
}

void KScnObject::AppendUserProperty(KScnPropertyRef* property)
{
    ListUserProperty(property);
    property->mObjectsOwn = true;
}

void KScnObject::ListUserProperty(KScnPropertyRef* property)
{
    // The list's room first: exhausted memory throws with neither end changed.
    mUserProperties.Reserve(mUserProperties.GetCount() + 1);
    property->NoteLister(this, true);
    mUserProperties.Add(property);
    NoteListed(property);
}

bool KScnObject::IsListed(const KScnPropertyRef* property)
{
    if (mListed == nullptr && mUserProperties.GetCount() >= kListedIndexFrom)
    {
        // Made whole or not at all (then the list is searched).
        auto* listed = new (std::nothrow) std::unordered_set<const KScnPropertyRef*>();
        try
        {
            for (int i = 0; listed != nullptr && i < mUserProperties.GetCount(); ++i)
            {
                listed->insert(mUserProperties[i]);
            }
        }
        catch (const std::bad_alloc&)
        {
            delete listed;
            listed = nullptr;
        }
        mListed = listed;
    }
    if (mListed != nullptr)
    {
        return mListed->count(property) != 0;
    }
    KSearchWork::Add(static_cast<uint64_t>(mUserProperties.GetCount()));
    return mUserProperties.Find(property) >= 0;
}

void KScnObject::NoteListed(const KScnPropertyRef* property)
{
    if (mListed != nullptr)
    {
        // An index that cannot take the handle is dropped: a handle listed
        // is always found.
        try
        {
            mListed->insert(property);
        }
        catch (const std::bad_alloc&)
        {
            delete mListed;
            mListed = nullptr;
        }
    }
}

KScnPropertyRef* KScnObject::FindUserProperty(const KProperty* property) const
{
    if (mDeferred > 0)
    {
        return const_cast<KScnObject*>(this)->HandleOfPlace(WaitingPlaceOf(property));
    }
    for (int i = 0; i < mUserProperties.GetCount(); ++i)
    {
        if (mUserProperties[i]->IsSameProperty(property))
        {
            return mUserProperties[i];
        }
    }
    return nullptr;
}

KScnPropertyRef* KScnObject::FindUserPropertyByName(const char* name) const
{
    if (name == nullptr)
    {
        return nullptr;
    }
    if (mDeferred > 0)
    {
        return const_cast<KScnObject*>(this)->HandleOfPlace(WaitingPlaceNamed(name));
    }
    for (int i = 0; i < mUserProperties.GetCount(); ++i)
    {
        if (std::strcmp(mUserProperties[i]->GetName(), name) == 0)
        {
            return mUserProperties[i];
        }
    }
    return nullptr;
}

} // namespace scenesdk
