#include "scenesdk/kernel/KScnObject.h"

#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <cstring>
#include <new>
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
    return order;
}

void KScnObject::DropDeferredUserProperties()
{
    if (mDeferred > 0)
    {
        EndDeferral();
    }
}

void KScnObject::AddUserProperty(KScnPropertyRef* property)
{
    MakeDeferred();
    if (property == nullptr || IsListed(property))
    {
        return;
    }
    KScnReadMeter::Charge(KScnReadMeter::eUserProperties, KScnReadMeter::kUserPropertyBytes);
    AppendUserProperty(property);
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
    MakeDeferred();
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
    if (name == nullptr || (mDeferred > 0 && WaitingHandleProperty(name) == nullptr))
    {
        return nullptr;
    }
    MakeDeferred();
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
