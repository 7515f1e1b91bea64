#include "scenesdk/kernel/KScnSdkManager.h"

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnConstraintAim.h"
#include "scenesdk/attributes/KScnConstraintParent.h"
#include "scenesdk/attributes/KScnConstraintPosition.h"
#include "scenesdk/attributes/KScnConstraintProperty.h"
#include "scenesdk/attributes/KScnConstraintRotation.h"
#include "scenesdk/attributes/KScnConstraintScale.h"
#include "scenesdk/attributes/KScnConstraintSingleChainIK.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/attributes/KScnExporter.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnOpticalReference.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerContainer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNamedCallbackTable.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <strings.h>
#include <type_traits>

namespace scenesdk
{

namespace
{
const char* const kManagerMessages[] = {"Object not found", ""};

// Empties a list first to last, deleting each object with del once it is
// no longer listed (so that nothing sees it half gone).
template <typename T, typename Del> void DestroyList(KRankedSet<T>& list, Del del)
{
    while (T* object = list.GetAt(0))
    {
        list.Erase(object);
        del(object);
    }
}

// The object whose property set the plug is; null for any other plug.
KScnTakeNodeContainer* OwnerOf(KPlug* plug)
{
    KScnPropertyHandler* handler = plug != nullptr ? plug->AsPropertyHandler() : nullptr;
    return handler != nullptr ? handler->GetOwner() : nullptr;
}

// Whether the plug is the property set of a position, rotation, scale,
// parent, single-chain IK or aim constraint, a character or a deformer (the
// objects the handler list holds), or of a class derived from one.
bool IsHandlerListClass(const KPlug* plug)
{
    if (plug == nullptr)
    {
        return false;
    }
    for (int kind = 1; kind <= 7; ++kind)
    {
        const int id = KScnConstraintProperty::GetClassIdOfKind(kind);
        if (id >= 0 && plug->IsA(id))
        {
            return true;
        }
    }
    return plug->IsA(KScnDeformerProperties::ClassId);
}

// Raises the manager's flag for the handler-list change in its scope.
class ChangingHandlers
{
public:
    explicit ChangingHandlers(bool& flag) : mFlag(flag), mWas(flag) { mFlag = true; }
    ~ChangingHandlers() { mFlag = mWas; }
    ChangingHandlers(const ChangingHandlers&) = delete;
    ChangingHandlers& operator=(const ChangingHandlers&) = delete;

private:
    bool& mFlag;
    bool mWas;
};
// Puts item first in the intrusive list that starts at head, whose links
// are the members prev and next.
template <class T> void LinkFirst(T*& head, T* item, T* T::*prev, T* T::*next)
{
    item->*prev = nullptr;
    item->*next = head;
    if (head != nullptr)
    {
        head->*prev = item;
    }
    head = item;
}

} // namespace

// The manager's handler list: only the manager connects a source here, and a
// source that leaves without the manager's hand is reported to it.
class KScnHandlerList : public KObjectList
{
public:
    explicit KScnHandlerList(KScnSdkManager* manager) : mManager(manager) {}

    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override
    {
        if (emitter == this && mManager != nullptr && !mManager->mChangingHandlers)
        {
            if (code == eRequestSrc)
            {
                return false;
            }
            if (code == eSrcRemoved)
            {
                mManager->KeepDetached(other);
            }
        }
        return KObjectList::ConnectionEvent(path, code, emitter, index, other, type, extra);
    }

    // The manager is going: nothing is told any more.
    void Forget() { mManager = nullptr; }

private:
    KScnSdkManager* mManager;
};

KScnSdkManager::KScnSdkManager() : mError(kManagerMessages, 2)
{
    // One after the other: the first is given back when the second cannot be made.
    mHandlerList = new KScnHandlerList(this);
    try
    {
        mCallbacks = NewNamedCallbackTable();
    }
    catch (...)
    {
        static_cast<KScnHandlerList*>(mHandlerList)->Forget();
        mHandlerList->Destroy();
        throw;
    }
}

KScnSdkManager::~KScnSdkManager()
{
    DestroyAllObjects();
    static_cast<KScnHandlerList*>(mHandlerList)->Forget();
    mHandlerList->Destroy();
    mHandlerList = nullptr;
    for (KScnSdkManagerListener*& listener : mListeners)
    {
        delete listener;
        listener = nullptr;
    }
    delete mCallbacks;
    mCallbacks = nullptr;
}

KString KScnSdkManager::PrefixName(const char* prefix, const char* name)
{
    KString text(name != nullptr ? name : "");
    const int colons = text.Find("::");
    if (colons >= 0)
    {
        text = text.Mid(colons + 2);
    }
    if (text.IsEmpty())
    {
        text = "Name";
    }
    if (prefix == nullptr || *prefix == '\0')
    {
        return text;
    }
    return KString(prefix) + text;
}

// ---- Helpers ----

template <typename T> T* KScnSdkManager::Listed(KRankedSet<T>& list, T* object)
{
    // An object that cannot be listed (memory running out) goes as its
    // destroyer would take it.
    auto discard = [&]
    {
        if constexpr (std::is_base_of_v<KScnObject, T>)
        {
            object->Release();
            ObjectGoes(object);
        }
        delete object;
    };
    bool listed = object == nullptr;
    try
    {
        listed = listed || list.Append(object);
    }
    catch (...)
    {
        discard();
        throw;
    }
    if (!listed)
    {
        discard();
        throw std::bad_alloc();
    }
    return object;
}

template <typename T> bool KScnSdkManager::Unlist(KRankedSet<T>& list, const T* object)
{
    if (!list.Erase(object))
    {
        mError.SetLastErrorID(0);
        return false;
    }
    return true;
}

template <typename T>
T* KScnSdkManager::FindNamed(const KRankedSet<T>& list, const char* prefix, const char* name, int occurrence)
{
    const KString full = PrefixName(prefix, name);
    int matches = 0;
    for (int i = 0; occurrence >= 0 && i < list.GetCount(); ++i)
    {
        T* object = list.GetAt(i);
        if (std::strcmp(object->GetName(), full.Buffer()) == 0 && matches++ == occurrence)
        {
            return object;
        }
    }
    mError.SetLastErrorID(0);
    return nullptr;
}

void KScnSdkManager::Notify(EListenerKind kind, const KScnObject* object)
{
    if (mListeners[kind] != nullptr)
    {
        mListeners[kind]->OnObjectCreated(object->GetInitialNameString());
    }
}

void KScnSdkManager::DestroyOwnHandles(KScnObject* object)
{
    object->DropDeferredUserProperties();
    for (int i = object->GetUserPropertyCount() - 1; i >= 0; --i)
    {
        // A handle the caller listed outlives the object (ObjectGoes makes it
        // stand for nothing).
        KScnPropertyRef* ref = object->GetUserProperty(i);
        KProperty* property = ref->GetProperty();
        if (ref->mObjectsOwn && property != nullptr && property->GetOwnerObject() == object->GetPropertyHandler())
        {
            object->RemoveUserProperty(ref);
            DestroyListedUserProperty(ref);
        }
    }
}

void KScnSdkManager::ObjectGoes(KScnObject* object)
{
    ForgetInScenes(object);
    DestroyOwnHandles(object);
    ForgetStandIns(object->GetPropertyHandler());
}

void KScnSdkManager::SetOwned(const void* object, bool owned)
{
    if (object == nullptr)
    {
        return;
    }
    if (owned)
    {
        mOwned.insert(object);
    }
    else
    {
        mOwned.erase(object);
    }
}

bool KScnSdkManager::NotOwned(const void* object)
{
    if (object != nullptr && mOwned.count(object) != 0)
    {
        mError.SetLastErrorID(0);
        return false;
    }
    return true;
}

void KScnSdkManager::LinkStandIn(KScnPropertyRef* ref)
{
    KObject* owner = ref->mProperty != nullptr ? ref->mProperty->GetOwnerObject() : nullptr;
    if (owner == nullptr || ref->mStandOwner != nullptr)
    {
        return;
    }
    KScnPropertyRef*& first = mStandIns[owner];
    ref->mStandOwner = owner;
    LinkFirst(first, ref, &KScnPropertyRef::mStandPrev, &KScnPropertyRef::mStandNext);
}

void KScnSdkManager::UnlinkStandIn(KScnPropertyRef* ref)
{
    if (ref->mStandOwner == nullptr)
    {
        return;
    }
    if (ref->mStandNext != nullptr)
    {
        ref->mStandNext->mStandPrev = ref->mStandPrev;
    }
    if (ref->mStandPrev != nullptr)
    {
        ref->mStandPrev->mStandNext = ref->mStandNext;
    }
    else if (ref->mStandNext != nullptr)
    {
        mStandIns[ref->mStandOwner] = ref->mStandNext;
    }
    else
    {
        mStandIns.erase(ref->mStandOwner);
    }
    ref->mStandOwner = nullptr;
    ref->mStandPrev = nullptr;
    ref->mStandNext = nullptr;
}

void KScnSdkManager::UnlinkListersFrom(KScnObject* lister, KProperty* property)
{
    if (auto* container = dynamic_cast<KScnTakeNodeContainer*>(lister))
    {
        container->UnlinkPropertyCurves(property);
    }
}

void KScnSdkManager::ForgetStandIns(const KObject* owner, const KProperty* property)
{
    const auto it = owner != nullptr ? mStandIns.find(owner) : mStandIns.end();
    KScnPropertyRef* ref = it != mStandIns.end() ? it->second : nullptr;
    while (ref != nullptr)
    {
        KScnPropertyRef* next = ref->mStandNext;
        if (property == nullptr || ref->mProperty == property)
        {
            UnlinkStandIn(ref);
            // The objects that list the handle drop their default takes'
            // links to the property (their curves would write it).
            UnlinkListersFrom(ref->mLister, ref->mProperty);
            for (size_t i = 0; ref->mMoreListers != nullptr && i < ref->mMoreListers->size(); ++i)
            {
                UnlinkListersFrom((*ref->mMoreListers)[i], ref->mProperty);
            }
            ref->mProperty = nullptr;
            ref->mHandler = nullptr;
        }
        ref = next;
    }
}

void KScnSdkManager::ForgetAttributeStandIns(KScnNodeAttribute* attribute)
{
    // The owner of the attribute's properties, asked for directly: gathering
    // them would allocate while the attribute dies.
    ForgetStandIns(attribute->GetHandlerPropertySet());
}

void KScnSdkManager::ForgetInLayers(const void* object, bool material)
{
    uint64_t visited = 0;
    const auto holders = mLayerHolders.find(object);
    if (holders != mLayerHolders.end())
    {
        for (KScnLayerContainer* container : holders->second)
        {
            container->ForgetItem(object, material);
            ++visited;
        }
        // The containers' own lists keep the object until they are settled
        // or go; that only costs a failed look then.
        mLayerHolders.erase(holders);
    }
    for (KScnLayerContainer* container = mOpenLayers; container != nullptr; container = container->mOpenNext)
    {
        container->ForgetItem(object, material);
        ++visited;
    }
    KSearchWork::Add(visited);
}

void KScnSdkManager::OpenLayerItems(KScnLayerContainer* container)
{
    if (container->mItemsOpen)
    {
        return;
    }
    container->mItemsOpen = true;
    LinkFirst(mOpenLayers, container, &KScnLayerContainer::mOpenPrev, &KScnLayerContainer::mOpenNext);
}

void KScnSdkManager::CloseLayerItems(KScnLayerContainer* container)
{
    if (!container->mItemsOpen)
    {
        return;
    }
    (container->mOpenPrev != nullptr ? container->mOpenPrev->mOpenNext : mOpenLayers) = container->mOpenNext;
    if (container->mOpenNext != nullptr)
    {
        container->mOpenNext->mOpenPrev = container->mOpenPrev;
    }
    container->mItemsOpen = false;
    container->mOpenPrev = nullptr;
    container->mOpenNext = nullptr;
}

void KScnSdkManager::UnindexLayerItems(KScnLayerContainer* container)
{
    for (const void* object : container->mHeldItems)
    {
        const auto holders = mLayerHolders.find(object);
        if (holders != mLayerHolders.end())
        {
            holders->second.erase(container);
            if (holders->second.empty())
            {
                mLayerHolders.erase(holders);
            }
        }
    }
    container->mHeldItems.clear();
}

void KScnSdkManager::NoteLayerItem(KScnLayerContainer* container, const void* object, bool wasOpen)
{
    if (wasOpen)
    {
        SettleLayerItems(container);
        return;
    }
    // Listed with the container first: a failure in between leaves a
    // holder the container does not know of only in that order's reverse.
    try
    {
        std::unordered_set<KScnLayerContainer*>& holders = mLayerHolders[object];
        if (holders.count(container) == 0)
        {
            container->mHeldItems.push_back(object);
            holders.insert(container);
        }
        CloseLayerItems(container);
    }
    catch (const std::bad_alloc&)
    {
        // Open, it is looked at by every destroy.
    }
}

void KScnSdkManager::SettleLayerItems(KScnLayerContainer* container)
{
    if (!container->mItemsOpen)
    {
        return;
    }
    try
    {
        UnindexLayerItems(container);
        for (int l = 0; l < container->GetLayerCount(); ++l)
        {
            const KScnLayer* layer = container->GetLayer(l);
            for (int type : {KScnLayerElement::eMaterial, KScnLayerElement::eTexture})
            {
                const KScnLayerElement* element = layer->GetElement(type);
                const void* const* items = element != nullptr ? element->GetDirect<void*>() : nullptr;
                for (int i = 0; items != nullptr && i < element->GetDirectCount(); ++i)
                {
                    if (items[i] == nullptr)
                    {
                        continue;
                    }
                    std::unordered_set<KScnLayerContainer*>& holders = mLayerHolders[items[i]];
                    if (holders.count(container) == 0)
                    {
                        container->mHeldItems.push_back(items[i]);
                        holders.insert(container);
                    }
                }
            }
        }
        CloseLayerItems(container);
    }
    catch (const std::bad_alloc&)
    {
        // Open, it is looked at by every destroy.
    }
}

void KScnSdkManager::SettleAllLayerItems()
{
    while (mOpenLayers != nullptr)
    {
        KScnLayerContainer* container = mOpenLayers;
        SettleLayerItems(container);
        if (container->mItemsOpen)
        {
            return; // memory ran out: the rest stay open
        }
    }
}

void KScnSdkManager::ForgetLayerItems(KScnLayerContainer* container)
{
    UnindexLayerItems(container);
    CloseLayerItems(container);
}

void KScnSdkManager::ForgetInScenes(const void* object)
{
    // Forgetting takes the contents out of the listing; one that keeps it
    // (it did not know the object) is taken out here. Nothing is gathered
    // first: a dying object allocates nothing.
    for (auto it = mListings.find(object); it != mListings.end(); it = mListings.find(object))
    {
        KScnSceneContents* contents = it->second;
        KSearchWork::Add(1);
        contents->ForgetObject(object);
        NoteListing(object, contents, false);
    }
}

std::vector<KScnSceneContents*> KScnSdkManager::ContentsListing(const void* object) const
{
    std::vector<KScnSceneContents*> out;
    const auto range = mListings.equal_range(object);
    for (auto it = range.first; it != range.second; ++it)
    {
        out.push_back(it->second);
    }
    return out;
}

std::vector<KScnSceneContents*> KScnSdkManager::PrepareRename(const void* object, const char* name)
{
    if (mListings.count(object) == 0)
    {
        return {};
    }
    std::vector<KScnSceneContents*> listing = ContentsListing(object);
    size_t ready = 0;
    try
    {
        for (; ready < listing.size(); ++ready)
        {
            listing[ready]->PrepareRename(object, name);
        }
    }
    catch (...)
    {
        // The one that ran out took itself back.
        while (ready-- > 0)
        {
            listing[ready]->CancelRename();
        }
        throw;
    }
    return listing;
}

void KScnSdkManager::FinishRename(const std::vector<KScnSceneContents*>& listing)
{
    for (KScnSceneContents* contents : listing)
    {
        contents->FinishRename();
    }
}

void KScnSdkManager::NoteListing(const void* object, KScnSceneContents* contents, bool listed)
{
    if (listed)
    {
        mListings.emplace(object, contents);
        return;
    }
    const auto range = mListings.equal_range(object);
    for (auto it = range.first; it != range.second; ++it)
    {
        if (it->second == contents)
        {
            mListings.erase(it);
            return;
        }
    }
}

void KScnSdkManager::SetListener(EListenerKind kind, KScnSdkManagerListener* listener)
{
    if (kind < 0 || kind >= eListenerKindCount || mListeners[kind] == listener)
    {
        return;
    }
    delete mListeners[kind];
    mListeners[kind] = listener;
}

// ---- Creators ----

KScnSceneRoot* KScnSdkManager::CreateScene()
{
    // Memory running out gives null (the game's loader tells it): what the
    // scene had made is taken back, and nothing is listed.
    try
    {
        return Listed(mScenes, NewSceneRoot());
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

KScnNode* KScnSdkManager::CreateNode(const char* name)
{
    KScnNode* node = Listed(mNodes, NewNode(PrefixName("Model::", name).Buffer()));
    if (node != nullptr)
    {
        Notify(eListenNodes, node);
    }
    return node;
}

template <typename T> T* KScnSdkManager::ListAttribute(T* attribute)
{
    try
    {
        AdoptNodeAttribute(attribute);
    }
    catch (...)
    {
        delete attribute;
        throw;
    }
    return attribute;
}

KScnNull* KScnSdkManager::CreateNull()
{
    return ListAttribute(NewNull());
}

KScnMarker* KScnSdkManager::CreateMarker()
{
    return ListAttribute(NewMarker());
}

KScnCamera* KScnSdkManager::CreateCamera()
{
    return ListAttribute(NewCamera());
}

KScnLight* KScnSdkManager::CreateLight()
{
    return ListAttribute(NewLight());
}

KScnSkeleton* KScnSdkManager::CreateSkeleton()
{
    return ListAttribute(NewSkeleton());
}

KScnMesh* KScnSdkManager::CreateMesh()
{
    return ListAttribute(NewMesh());
}

KScnPatch* KScnSdkManager::CreatePatch()
{
    return ListAttribute(NewPatch());
}

KScnNurb* KScnSdkManager::CreateNurb()
{
    return ListAttribute(NewNurb());
}

KScnOpticalReference* KScnSdkManager::CreateOpticalReference()
{
    return ListAttribute(NewOpticalReference());
}

KScnCameraSwitcher* KScnSdkManager::CreateCameraSwitcher()
{
    return ListAttribute(new KScnCameraSwitcher(this));
}

KScnShape* KScnSdkManager::CreateShape()
{
    return Listed(mShapes, new KScnShape(this));
}

KScnTriangulator* KScnSdkManager::CreateTriangulator()
{
    return Listed(mTriangulators, NewTriangulator());
}

bool KScnSdkManager::AdoptNodeAttribute(KScnNodeAttribute* attribute)
{
    return mAttributes.Append(attribute);
}

KScnLink* KScnSdkManager::CreateLink()
{
    return Listed(mLinks, NewLink());
}

KScnMaterial* KScnSdkManager::CreateMaterial(const char* name)
{
    // Layers changed since the last look are looked at now (amortised over
    // what changed them), not by each destroy.
    SettleAllLayerItems();
    KScnMaterial* material = Listed(mMaterials, NewMaterial(PrefixName("Material::", name).Buffer()));
    if (material != nullptr)
    {
        Notify(eListenMaterials, material);
    }
    return material;
}

KScnTexture* KScnSdkManager::CreateTexture(const char* name)
{
    SettleAllLayerItems();
    KScnTexture* texture = Listed(mTextures, NewTexture(PrefixName("Texture::", name).Buffer()));
    if (texture != nullptr)
    {
        Notify(eListenTextures, texture);
    }
    return texture;
}

KScnVideo* KScnSdkManager::CreateVideo(const char* name)
{
    KScnVideo* video = Listed(mVideos, NewVideo(PrefixName("Video::", name).Buffer()));
    if (video != nullptr)
    {
        Notify(eListenVideos, video);
    }
    return video;
}

KScnPose* KScnSdkManager::CreatePose(const char* name, bool bindPose)
{
    KScnPose* pose = Listed(mPoses, NewPose(PrefixName("Pose::", name).Buffer(), bindPose));
    if (pose != nullptr)
    {
        pose->SetPoseScope(this);
    }
    return pose;
}

KScnPropertyRef* KScnSdkManager::CreateUserProperty(const char* name, const char* dataType, const char* label)
{
    return ListUserProperty(NewUserProperty(name, dataType, label));
}

KScnPropertyRef* KScnSdkManager::CreateUserPropertyFromProperty(KProperty* property)
{
    return ListUserProperty(NewUserPropertyFromProperty(property));
}

KScnGenericNode* KScnSdkManager::CreateGenericNode(const char* name)
{
    return Listed(mGenericNodes, NewGenericNode(name));
}

KScnDeformer* KScnSdkManager::CreateDeformer(const char* name, const char* kindText)
{
    const bool cluster = kindText != nullptr && strcasecmp(kindText, "Cluster") == 0;
    const KString full = PrefixName(cluster ? "SubDeformer::" : "Deformer::", name);
    return static_cast<KScnDeformer*>(ListHandlerObject(NewDeformer(full.Buffer(), kindText), false));
}

KScnConstraint* KScnSdkManager::CreateConstraint(const char* name, int kind)
{
    using Maker = KScnConstraint* (KScnSdkManager::*)(const char*);
    // Indexed by kind - 1.
    static const Maker kMakers[] = {
        &KScnSdkManager::NewConstraintPosition,      &KScnSdkManager::NewConstraintRotation,
        &KScnSdkManager::NewConstraintScale,         &KScnSdkManager::NewConstraintParent,
        &KScnSdkManager::NewConstraintSingleChainIK, &KScnSdkManager::NewConstraintAim};
    if (kind < eConstraintPosition || kind > eConstraintAim)
    {
        return nullptr;
    }
    KScnConstraint* constraint = (this->*kMakers[kind - 1])(PrefixName("Constraint::", name).Buffer());
    return static_cast<KScnConstraint*>(ListHandlerObject(constraint, false));
}

KScnCharacter* KScnSdkManager::CreateCharacter(const char* name)
{
    auto* character = new KScnCharacter(this, PrefixName("Constraint::", name).Buffer());
    return static_cast<KScnCharacter*>(ListHandlerObject(character, true));
}

KScnTakeNodeContainer* KScnSdkManager::ListHandlerObject(KScnTakeNodeContainer* object, bool oneWay)
{
    if (object == nullptr)
    {
        return nullptr;
    }
    KScnPropertyHandler* handler = object->GetPropertyHandler();
    bool listed = false;
    try
    {
        // Room for it among the detached ones too, so that a detach never
        // has to find memory.
        const size_t room = mHandlerObjects.size() + 1;
        if (mDetached.capacity() < room)
        {
            mDetached.reserve(std::max(room, 2 * mDetached.capacity()));
        }
        mHandlerObjects.insert(object);
        const ChangingHandlers changing(mChangingHandlers);
        listed = handler != nullptr && mHandlerList->ConnectSrc(handler, oneWay ? KPlug::kOneWayType : 0);
        // The list's items are the sets too (what GetAt and FindByName read).
        if (listed && mHandlerList->Add(handler) < 0)
        {
            mHandlerList->DisconnectSrc(handler);
            listed = false;
        }
    }
    catch (...)
    {
        // Made whole or not at all: the object goes, taking with it whatever
        // part of its connection was made (not noted as a detached one).
        const ChangingHandlers changing(mChangingHandlers);
        mHandlerObjects.erase(object);
        delete object;
        throw;
    }
    if (!listed)
    {
        const ChangingHandlers changing(mChangingHandlers);
        mHandlerObjects.erase(object);
        delete object;
        return nullptr;
    }
    return object;
}

void KScnSdkManager::KeepDetached(KPlug* handler)
{
    KScnTakeNodeContainer* object = OwnerOf(handler);
    if (object != nullptr && mHandlerObjects.count(object) != 0 &&
        std::find(mDetached.begin(), mDetached.end(), object) == mDetached.end())
    {
        mDetached.push_back(object); // room was kept at its creation
        const ChangingHandlers changing(mChangingHandlers);
        mHandlerList->Remove(dynamic_cast<KObject*>(handler));
    }
}

int KScnSdkManager::GetHandlerObjectCount() const
{
    return mHandlerList->GetSrcCount() + static_cast<int>(mDetached.size());
}

KScnTakeNodeContainer* KScnSdkManager::GetHandlerObject(int index) const
{
    const int listed = mHandlerList->GetSrcCount();
    if (index >= 0 && index < listed)
    {
        return OwnerOf(mHandlerList->GetSrc(index));
    }
    index -= listed;
    return index >= 0 && index < static_cast<int>(mDetached.size()) ? mDetached[static_cast<size_t>(index)]
                                                                    : nullptr;
}

KScnExporter* KScnSdkManager::CreateExporter()
{
    return Listed(mExporters, NewExporter());
}

KScnImporter* KScnSdkManager::CreateImporter()
{
    return Listed(mImporters, NewImporter());
}

KScnThumbnailImage* KScnSdkManager::CreateThumbnail()
{
    return Listed(mThumbnails, NewThumbnail());
}

KScnSceneMetaData* KScnSdkManager::CreateSceneMetaData()
{
    return Listed(mMetaData, NewSceneMetaData());
}

// ---- Factory operations ----

KScnSceneRoot* KScnSdkManager::NewSceneRoot()
{
    return new KScnSceneRoot(this);
}

KScnNode* KScnSdkManager::NewNode(const char* name)
{
    return new KScnNode(this, name);
}

KScnNull* KScnSdkManager::NewNull()
{
    return new KScnNull(this);
}

KScnMarker* KScnSdkManager::NewMarker()
{
    return new KScnMarker(this);
}

KScnCamera* KScnSdkManager::NewCamera()
{
    return new KScnCamera(this);
}

KScnLight* KScnSdkManager::NewLight()
{
    return new KScnLight(this);
}

KScnSkeleton* KScnSdkManager::NewSkeleton()
{
    return new KScnSkeleton(this);
}

KScnMesh* KScnSdkManager::NewMesh()
{
    return new KScnMesh(this);
}

KScnPatch* KScnSdkManager::NewPatch()
{
    return new KScnPatch(this);
}

KScnNurb* KScnSdkManager::NewNurb()
{
    return new KScnNurb(this);
}

KScnOpticalReference* KScnSdkManager::NewOpticalReference()
{
    return new KScnOpticalReference(this);
}

KScnLink* KScnSdkManager::NewLink()
{
    return new KScnLink();
}

KScnMaterial* KScnSdkManager::NewMaterial(const char* name)
{
    return new KScnMaterial(this, name);
}

KScnShape* KScnSdkManager::NewShape()
{
    return new KScnShape(this);
}

KScnTexture* KScnSdkManager::NewTexture(const char* name)
{
    return new KScnTexture(this, name);
}

KScnVideo* KScnSdkManager::NewVideo(const char* name)
{
    return new KScnVideo(this, name);
}

KScnPose* KScnSdkManager::NewPose(const char* name, bool bindPose)
{
    return new KScnPose(this, name, bindPose);
}

KScnPropertyRef* KScnSdkManager::NewUserPropertyFromProperty(KProperty* property)
{
    return new KScnPropertyRef(this, property);
}

KScnPropertyRef* KScnSdkManager::NewUserProperty(const char* name, const char* dataType, const char* label)
{
    return new KScnPropertyRef(this, name, dataType, label);
}

KScnGenericNode* KScnSdkManager::NewGenericNode(const char* name)
{
    return new KScnGenericNode(this, name);
}

KScnDeformer* KScnSdkManager::NewDeformer(const char* name, const char* kindText)
{
    return new KScnDeformer(this, name, kindText);
}

KScnThumbnailImage* KScnSdkManager::NewThumbnail()
{
    return new KScnThumbnailImage();
}

KScnSceneMetaData* KScnSdkManager::NewSceneMetaData()
{
    return new KScnSceneMetaData();
}

KScnTriangulator* KScnSdkManager::NewTriangulator()
{
    return new KScnTriangulator(this);
}

KScnNamedCallbackTable* KScnSdkManager::NewNamedCallbackTable()
{
    return new KScnNamedCallbackTable(this);
}

KScnExporter* KScnSdkManager::NewExporter()
{
    return new KScnExporter(this);
}

KScnImporter* KScnSdkManager::NewImporter()
{
    return new KScnImporter(this);
}

KScnConstraint* KScnSdkManager::NewConstraintPosition(const char* name)
{
    return new KScnConstraintPosition(this, name);
}

KScnConstraint* KScnSdkManager::NewConstraintRotation(const char* name)
{
    return new KScnConstraintRotation(this, name);
}

KScnConstraint* KScnSdkManager::NewConstraintScale(const char* name)
{
    return new KScnConstraintScale(this, name);
}

KScnConstraint* KScnSdkManager::NewConstraintParent(const char* name)
{
    return new KScnConstraintParent(this, name);
}

KScnConstraint* KScnSdkManager::NewConstraintSingleChainIK(const char* name)
{
    return new KScnConstraintSingleChainIK(this, name);
}

KScnConstraint* KScnSdkManager::NewConstraintAim(const char* name)
{
    return new KScnConstraintAim(this, name);
}

// ---- Destroyers ----

bool KScnSdkManager::DestroyScene(KScnSceneRoot* scene, bool recursive)
{
    if (!NotOwned(scene) || !Unlist(mScenes, scene))
    {
        return false;
    }
    KScnNode* root = recursive ? scene->GetRootNode() : nullptr;
    delete scene;
    // The scene is gone: true, even when the root went with it (a root hung
    // under a node the scene destroyed) or leaves an owned node standing.
    if (root != nullptr && mNodes.Contains(root))
    {
        DestroyNode(root, true);
    }
    return true;
}

bool KScnSdkManager::DestroyNode(KScnNode* node, bool recursive)
{
    if (!NotOwned(node) || !Unlist(mNodes, node))
    {
        return false;
    }
    bool ok = true;
    // A node goes once its children have, last child first: the walk goes
    // down to the last child of the last child ... (each unlisted as it is
    // reached, and noting where it came from), destroys it after cutting it
    // from that node and goes on from there, never above the node it was
    // asked to destroy. The tree is its own path back: a subtree of any
    // depth goes without recursion and without allocating. A child the
    // manager does not list, or another owner's, is only cut loose; a node
    // whose child will not be cut goes with its children (its destruction
    // lets them go).
    KScnNode* current = node;
    KScnNode* stuck = nullptr;
    for (;;)
    {
        KScnNode* child = recursive && current != stuck ? current->GetLastChild() : nullptr;
        if (child != nullptr)
        {
            if (NotOwned(child) && Unlist(mNodes, child))
            {
                child->mWalkParent = current;
                current = child;
                continue;
            }
            ok = false;
            if (current->RemoveChild(child) == nullptr)
            {
                stuck = current;
            }
            continue;
        }
        KScnNode* done = current;
        KScnNode* parent = done != node ? done->mWalkParent : nullptr;
        if (parent != nullptr)
        {
            parent->RemoveChild(done);
        }
        KScnNodeAttribute* attribute = done->SetNodeAttribute(nullptr);
        if (recursive && attribute != nullptr && HasNodeAttribute(attribute) && !IsOwned(attribute))
        {
            ok = DestroyNodeAttribute(attribute) && ok;
        }
        done->Release();
        ObjectGoes(done);
        delete done;
        if (done == node)
        {
            return ok;
        }
        current = parent != nullptr ? parent : node;
    }
}

bool KScnSdkManager::DestroyNodeAttribute(KScnNodeAttribute* attribute)
{
    if (!HasNodeAttribute(attribute))
    {
        mError.SetLastErrorID(0);
        return false;
    }
    if (!NotOwned(attribute))
    {
        return false;
    }
    if (!Unlist(mAttributes, attribute))
    {
        return false;
    }
    if (KScnNode* node = attribute->GetNode())
    {
        node->SetNodeAttribute(nullptr);
    }
    ForgetAttributeStandIns(attribute);
    delete attribute;
    return true;
}

bool KScnSdkManager::DestroyLink(KScnLink* link)
{
    if (!NotOwned(link) || !Unlist(mLinks, link))
    {
        return false;
    }
    delete link;
    return true;
}

bool KScnSdkManager::DestroyShape(KScnShape* shape)
{
    if (!NotOwned(shape) || !Unlist(mShapes, shape))
    {
        return false;
    }
    delete shape;
    return true;
}

bool KScnSdkManager::DestroyTriangulator(KScnTriangulator* triangulator)
{
    if (!Unlist(mTriangulators, triangulator))
    {
        return false;
    }
    delete triangulator;
    return true;
}

bool KScnSdkManager::DestroyMaterial(KScnMaterial* material)
{
    if (!Unlist(mMaterials, material))
    {
        return false;
    }
    material->Release();
    ObjectGoes(material);
    ForgetInLayers(material, true);
    delete material;
    return true;
}

bool KScnSdkManager::DestroyTexture(KScnTexture* texture)
{
    if (!Unlist(mTextures, texture))
    {
        return false;
    }
    texture->Release();
    ObjectGoes(texture);
    ForgetInLayers(texture, false);
    delete texture;
    return true;
}

bool KScnSdkManager::DestroyVideo(KScnVideo* video)
{
    if (!Unlist(mVideos, video))
    {
        return false;
    }
    video->Release();
    ObjectGoes(video);
    delete video;
    return true;
}

bool KScnSdkManager::DestroyPose(KScnPose* pose)
{
    if (!Unlist(mPoses, pose))
    {
        return false;
    }
    ObjectGoes(pose);
    // A scene that listed it must not keep a dangling pointer.
    for (int i = 0; i < mScenes.GetCount(); ++i)
    {
        mScenes.GetAt(i)->RemovePose(pose);
    }
    delete pose;
    return true;
}

KScnPropertyRef* KScnSdkManager::ListUserProperty(KScnPropertyRef* ref)
{
    if (ref == nullptr)
    {
        return nullptr;
    }
    // Owned until listed: a handle the list has no room for goes.
    try
    {
        mUserProperties.push_back(ref);
    }
    catch (...)
    {
        delete ref;
        throw;
    }
    ref->mManagerSlot = static_cast<int>(mUserProperties.size()) - 1;
    ref->mManagerOrder = mNextOrder;
    mNextOrder += kOrderStep;
    ++mUserPropertyCount;
    return ref;
}

void KScnSdkManager::ReserveUserProperties(KScnObject* object)
{
    if (object->mDeferred <= 0 || object->mDeferred >= static_cast<int>(kOrderStep) ||
        object->mDeferredSlot >= 0)
    {
        return;
    }
    object->mDeferredSlot = static_cast<int>(mReservations.size());
    object->mDeferredOrder = mNextOrder;
    mNextOrder += kOrderStep;
    mReservations.push_back(object);
    mUserPropertyCount += object->mDeferred;
}

void KScnSdkManager::PlaceReservedHandle(KScnPropertyRef* ref, uint64_t order, int index)
{
    ref->mManagerOrder = order + 1 + static_cast<uint64_t>(index);
}

void KScnSdkManager::TakeReservedPlace(KScnObject* object)
{
    const int slot = object->mDeferredSlot;
    if (slot >= 0 && static_cast<size_t>(slot) < mReservations.size() && mReservations[slot] == object)
    {
        --mUserPropertyCount; // counted as the handle made for it now
    }
}

void KScnSdkManager::ReleaseUserProperties(KScnObject* object)
{
    const int slot = object->mDeferredSlot;
    if (slot < 0 || static_cast<size_t>(slot) >= mReservations.size() || mReservations[slot] != object)
    {
        return;
    }
    KScnObject* last = mReservations.back();
    mReservations[slot] = last;
    last->mDeferredSlot = slot;
    mReservations.pop_back();
    object->mDeferredSlot = -1;
    mUserPropertyCount -= object->mDeferred - static_cast<int>(object->mMadeAhead.size());
}

// The handle must be alive (its slot is read).
bool KScnSdkManager::UnlistUserProperty(KScnPropertyRef* ref)
{
    const int slot = ref != nullptr ? ref->mManagerSlot : -1;
    if (slot < 0 || static_cast<size_t>(slot) >= mUserProperties.size() || mUserProperties[slot] != ref)
    {
        mError.SetLastErrorID(0);
        return false;
    }
    mUserProperties[slot] = nullptr;
    ref->mManagerSlot = -1;
    --mUserPropertyCount;
    while (!mUserProperties.empty() && mUserProperties.back() == nullptr)
    {
        mUserProperties.pop_back();
    }
    if (mUserProperties.size() > 64 && mUserProperties.size() > 2 * static_cast<size_t>(mUserPropertyCount))
    {
        size_t kept = 0;
        for (KScnPropertyRef* r : mUserProperties)
        {
            if (r != nullptr)
            {
                r->mManagerSlot = static_cast<int>(kept);
                mUserProperties[kept++] = r;
            }
        }
        mUserProperties.resize(kept);
    }
    return true;
}

bool KScnSdkManager::DestroyUserProperty(KScnPropertyRef* property)
{
    // Any pointer may come here, even one already destroyed: it is looked
    // for before it is read. The manager's own teardown, whose handles are
    // alive, goes straight to their slots.
    if (property == nullptr ||
        std::find(mUserProperties.begin(), mUserProperties.end(), property) == mUserProperties.end())
    {
        mError.SetLastErrorID(0);
        return false;
    }
    return DestroyListedUserProperty(property);
}

bool KScnSdkManager::DestroyListedUserProperty(KScnPropertyRef* property)
{
    if (!UnlistUserProperty(property))
    {
        return false;
    }
    delete property;
    return true;
}

bool KScnSdkManager::DestroyGenericNode(KScnGenericNode* node)
{
    if (!Unlist(mGenericNodes, node))
    {
        return false;
    }
    // Leaves its contents, which would otherwise keep a dangling record.
    node->SetSceneContents(nullptr);
    ObjectGoes(node);
    delete node;
    return true;
}

bool KScnSdkManager::DestroyHandlerObject(KScnTakeNodeContainer* object)
{
    // Only an object the manager holds is touched (a destroyed one is not).
    if (mHandlerObjects.count(object) == 0)
    {
        mError.SetLastErrorID(0);
        return false;
    }
    KScnPropertyHandler* handler = object->GetPropertyHandler();
    bool connected = false;
    {
        const ChangingHandlers changing(mChangingHandlers);
        connected = handler != nullptr && mHandlerList->DisconnectSrc(handler);
        if (connected)
        {
            mHandlerList->Remove(handler);
        }
    }
    if (!connected)
    {
        // One that left the list by its detach step is still the manager's.
        const auto detached = std::find(mDetached.begin(), mDetached.end(), object);
        if (detached == mDetached.end())
        {
            mError.SetLastErrorID(0);
            return false;
        }
        mDetached.erase(detached);
    }
    mHandlerObjects.erase(object);
    ObjectGoes(object);
    delete object;
    return true;
}

bool KScnSdkManager::DestroyDeformer(KScnDeformer* deformer)
{
    return DestroyHandlerObject(deformer);
}

bool KScnSdkManager::DestroyConstraint(KScnConstraint* constraint)
{
    return DestroyHandlerObject(constraint);
}

bool KScnSdkManager::DestroyObject(KScnTakeNodeContainer* object)
{
    return object != nullptr && DestroyHandlerObject(object);
}

bool KScnSdkManager::DestroyExporter(KScnExporter* exporter)
{
    if (!Unlist(mExporters, exporter))
    {
        return false;
    }
    delete exporter;
    return true;
}

bool KScnSdkManager::DestroyImporter(KScnImporter* importer)
{
    if (!Unlist(mImporters, importer))
    {
        return false;
    }
    delete importer;
    return true;
}

bool KScnSdkManager::DestroyThumbnail(KScnThumbnailImage* thumbnail)
{
    if (!Unlist(mThumbnails, thumbnail))
    {
        return false;
    }
    delete thumbnail;
    return true;
}

bool KScnSdkManager::DestroySceneMetaData(KScnSceneMetaData* metaData)
{
    if (!Unlist(mMetaData, metaData))
    {
        return false;
    }
    delete metaData;
    return true;
}

// ---- Finders ----

KScnNode* KScnSdkManager::FindNode(const char* name, int occurrence)
{
    return FindNamed(mNodes, "Model::", name, occurrence);
}

KScnMaterial* KScnSdkManager::FindMaterial(const char* name, int occurrence)
{
    return FindNamed(mMaterials, "Material::", name, occurrence);
}

KScnTexture* KScnSdkManager::FindTexture(const char* name, int occurrence)
{
    return FindNamed(mTextures, "Texture::", name, occurrence);
}

KScnVideo* KScnSdkManager::FindVideo(const char* name, int occurrence)
{
    return FindNamed(mVideos, "Video::", name, occurrence);
}

KScnPose* KScnSdkManager::FindPose(const char* name)
{
    for (int i = 0; name != nullptr && i < mPoses.GetCount(); ++i)
    {
        KScnPose* pose = mPoses.GetAt(i);
        if (std::strcmp(pose->GetName(), name) == 0)
        {
            return pose;
        }
    }
    mError.SetLastErrorID(0);
    return nullptr;
}

KScnGenericNode* KScnSdkManager::FindGenericNode(const char* name)
{
    for (int i = 0; name != nullptr && i < mGenericNodes.GetCount(); ++i)
    {
        KScnGenericNode* node = mGenericNodes.GetAt(i);
        if (std::strcmp(node->GetName(), name) == 0)
        {
            return node;
        }
    }
    mError.SetLastErrorID(0);
    return nullptr;
}

KScnPropertyRef* KScnSdkManager::FindUserProperty(const char* name) const
{
    if (name == nullptr)
    {
        return nullptr;
    }
    // The first in creation order, made handles and reserved ones alike.
    KScnPropertyRef* best = nullptr;
    uint64_t bestOrder = ~uint64_t(0);
    for (KScnPropertyRef* ref : mUserProperties)
    {
        if (ref != nullptr && ref->mManagerOrder < bestOrder && std::strcmp(ref->GetName(), name) == 0)
        {
            best = ref;
            bestOrder = ref->mManagerOrder;
        }
    }
    KScnObject* reserved = nullptr;
    KProperty* property = nullptr;
    for (KScnObject* object : mReservations)
    {
        // (A place whose handle was made ahead has it listed above.)
        for (int i = 0; i < object->mDeferred && object->mDeferredOrder + 1 + i < bestOrder; ++i)
        {
            KProperty* p = object->PlaceProperty(i);
            if (p != nullptr && !object->MadeAheadAt(i) && std::strcmp(p->GetName(), name) == 0)
            {
                reserved = object;
                property = p;
                bestOrder = object->mDeferredOrder + 1 + i;
                break;
            }
        }
    }
    // The handle that stands there is made now.
    return reserved != nullptr ? reserved->FindUserProperty(property) : best;
}

// ---- Pose scope ----

int KScnSdkManager::GetPoseCount() const
{
    int count = 0;
    for (int i = 0; i < mScenes.GetCount(); ++i)
    {
        count += mScenes.GetAt(i)->GetPoseCount();
    }
    return count;
}

KScnPose* KScnSdkManager::GetPose(int index) const
{
    for (int i = 0; index >= 0 && i < mScenes.GetCount(); ++i)
    {
        const int count = mScenes.GetAt(i)->GetPoseCount();
        if (index < count)
        {
            return mScenes.GetAt(i)->GetPose(index);
        }
        index -= count;
    }
    return nullptr;
}

// ---- Destroy all ----

void KScnSdkManager::DestroyAllObjects()
{
    // Everything goes: what an owner holds goes too, in the order below.
    mOwned.clear();
    // Scenes first: their destructors hand nodes back through this manager.
    // Each is unlisted before it is deleted so that nothing sees it half gone.
    while (mScenes.GetCount() > 0)
    {
        DestroyScene(mScenes.GetAt(0), false);
    }
    // Attributes are cut from their nodes before the nodes go.
    while (mAttributes.GetCount() > 0)
    {
        DestroyNodeAttribute(mAttributes.GetAt(mAttributes.GetCount() - 1));
    }
    while (mNodes.GetCount() > 0)
    {
        DestroyNode(mNodes.GetAt(mNodes.GetCount() - 1), false);
    }
    DestroyList(mLinks, [](KScnLink* link) { delete link; });
    DestroyList(mShapes, [](KScnShape* shape) { delete shape; });
    DestroyList(mMaterials,
                [](KScnMaterial* material)
                {
                    material->Release();
                    delete material;
                });
    DestroyList(mTextures,
                [](KScnTexture* texture)
                {
                    texture->Release();
                    delete texture;
                });
    DestroyList(mVideos,
                [](KScnVideo* video)
                {
                    video->Release();
                    delete video;
                });
    // Handles of kinds destroyed above are gone with them; the rest follow.
    DestroyList(mPoses, [](KScnPose* pose) { delete pose; });
    for (KScnPropertyRef*& ref : mUserProperties)
    {
        delete ref;
        ref = nullptr;
    }
    mUserProperties.clear();
    // Objects left outside the lists never make their reserved handles now.
    while (!mReservations.empty())
    {
        mReservations.back()->DropDeferredUserProperties();
    }
    mUserPropertyCount = 0;
    DestroyList(mGenericNodes,
                [](KScnGenericNode* node)
                {
                    node->SetSceneContents(nullptr);
                    delete node;
                });
    DestroyList(mThumbnails, [](KScnThumbnailImage* thumbnail) { delete thumbnail; });
    DestroyList(mMetaData, [](KScnSceneMetaData* metaData) { delete metaData; });
    DestroyList(mTriangulators, [](KScnTriangulator* triangulator) { delete triangulator; });
    DestroyList(mExporters, [](KScnExporter* exporter) { delete exporter; });
    mSpare.Clear();
    // An importer's reset hands its metadata copy back here: take each out
    // of the list before it goes.
    while (mImporters.GetCount() > 0)
    {
        KScnImporter* importer = mImporters.GetAt(mImporters.GetCount() - 1);
        mImporters.Erase(importer);
        delete importer;
    }
    // The handler list, last first: each constraint, character or deformer
    // set leads to its object, which goes; then the detached ones.
    {
        const ChangingHandlers changing(mChangingHandlers);
        for (int i = mHandlerList->GetSrcCount() - 1; i >= 0;
             i = std::min(i - 1, mHandlerList->GetSrcCount() - 1))
        {
            KPlug* source = mHandlerList->GetSrc(i);
            KScnTakeNodeContainer* object = IsHandlerListClass(source) ? OwnerOf(source) : nullptr;
            if (object != nullptr)
            {
                mHandlerList->DisconnectSrcAt(i);
                mHandlerList->Remove(dynamic_cast<KObject*>(source));
                mHandlerObjects.erase(object);
                delete object;
            }
        }
    }
    while (!mDetached.empty())
    {
        KScnTakeNodeContainer* object = mDetached.back();
        mDetached.pop_back();
        mHandlerObjects.erase(object);
        delete object;
    }
    for (KScnSdkManagerListener* listener : mListeners)
    {
        if (listener != nullptr)
        {
            listener->OnAllObjectsDestroyed();
        }
    }
}

} // namespace scenesdk
