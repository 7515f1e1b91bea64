#include "scenesdk/kernel/KScnSceneRoot.h"

#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnSceneLightSettings.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerContainer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace scenesdk
{

namespace
{
const char* const kSceneMessages[] = {"Take error."};

// Exchanges every field, allocating nothing.
void SwapDescriptions(KScnTakeDescription& a, KScnTakeDescription& b)
{
    a.mName.Swap(b.mName);
    a.mImportName.Swap(b.mImportName);
    a.mDescription.Swap(b.mDescription);
    std::swap(a.mFlags, b.mFlags);
    std::swap(a.mLocalTimeStart, b.mLocalTimeStart);
    std::swap(a.mLocalTimeStop, b.mLocalTimeStop);
    std::swap(a.mReferenceTimeStart, b.mReferenceTimeStart);
    std::swap(a.mReferenceTimeStop, b.mReferenceTimeStop);
}

void KeepFirstTakeOnly(KScnNode* node)
{
    while (node != nullptr && node->GetTakeNodeCount() > 1)
    {
        if (!node->RemoveTakeNode(node->GetTakeNodeCount() - 1))
        {
            break;
        }
    }
}

// The materials (or textures) whose property sets are sources of the node's
// set, in connection order.
std::vector<void*> ConnectedObjects(KScnNode* node, bool materials)
{
    std::vector<void*> out;
    KScnPropertyHandler* handler = node->GetPropertyHandler();
    const int classId = materials ? KScnMaterialProperties::ClassId : KScnTextureProperties::ClassId;
    for (int i = 0; handler != nullptr && i < handler->GetSrcCount(); ++i)
    {
        KPlug* plug = handler->GetSrc(i);
        KScnPropertyHandler* source = plug != nullptr ? plug->AsPropertyHandler() : nullptr;
        if (source == nullptr || !source->IsA(classId))
        {
            continue;
        }
        KScnTakeNodeContainer* owner = source->GetOwner();
        void* object = materials ? static_cast<void*>(dynamic_cast<KScnMaterial*>(owner))
                                 : static_cast<void*>(dynamic_cast<KScnTexture*>(owner));
        if (object != nullptr)
        {
            out.push_back(object);
        }
    }
    return out;
}

// Appends the connected objects the element's mode calls for; answers them
// in the order appended.
std::vector<void*> BindElement(KScnLayerElement* element, const std::vector<void*>& connected)
{
    std::vector<void*> added;
    const int count = static_cast<int>(connected.size());
    if (element->GetReferenceMode() == KScnLayerElement::eDirect)
    {
        for (int i = element->GetDirectCount(); i < count; ++i)
        {
            element->AddDirectItem(&connected[i]);
            added.push_back(connected[i]);
        }
        return added;
    }
    if (element->GetReferenceMode() != KScnLayerElement::eIndexToDirect)
    {
        return added;
    }
    // Entries are matched against their values before any rewrite, so that
    // a rewritten entry never matches a later connection position.
    const int entries = element->GetIndexCount();
    const std::vector<int32_t> original(element->GetIndices(), element->GetIndices() + entries);
    for (int position = 0; position < count; ++position)
    {
        int newIndex = -1;
        for (int e = 0; e < entries; ++e)
        {
            if (original[e] != position)
            {
                continue;
            }
            if (newIndex < 0)
            {
                newIndex = element->AddDirectItem(&connected[position]);
                added.push_back(connected[position]);
            }
            element->GetIndices()[e] = newIndex;
        }
    }
    return added;
}

// An element as it was before a binding, and the uses the binding counted.
struct SBoundElement
{
    bool materials = true;
    KScnLayerElement* element = nullptr;
    int directCount = 0;
    std::vector<int32_t> indices;
    KScnMaterialTextureUse* uses = nullptr;
    std::vector<void*> added;
    size_t counted = 0;
};

// Binds one element, noted in bound first. Bound objects are used by the
// geometry as if it had added them: its scene counts the uses (and drops
// them when it leaves).
void BindLayerElement(bool materials, KScnLayerElement* element, const std::vector<void*>& connected,
                      KScnMaterialTextureUse* uses, std::vector<SBoundElement>& bound)
{
    bound.emplace_back();
    SBoundElement& b = bound.back();
    b.materials = materials;
    b.directCount = element->GetDirectCount();
    b.indices.assign(element->GetIndices(), element->GetIndices() + element->GetIndexCount());
    b.uses = uses;
    b.element = element;
    b.added = BindElement(element, connected);
    for (void* object : b.added)
    {
        if (uses != nullptr && materials)
        {
            uses->AddMaterialUse(static_cast<KScnMaterial*>(object));
        }
        else if (uses != nullptr)
        {
            uses->AddTextureUse(static_cast<KScnTexture*>(object));
        }
        ++b.counted;
    }
}

// Binds every material (or texture) element of the nodes' geometries.
void BindKindToLayers(bool materials, const std::vector<KScnNode*>& nodes, std::vector<SBoundElement>& bound)
{
    for (KScnNode* node : nodes)
    {
        auto* geometry = node != nullptr ? dynamic_cast<KScnLayerContainer*>(node->GetGeometry()) : nullptr;
        if (geometry == nullptr)
        {
            continue;
        }
        const std::vector<void*> connected = ConnectedObjects(node, materials);
        for (int l = 0; l < geometry->GetLayerCount(); ++l)
        {
            KScnLayer* layer = geometry->GetLayer(l);
            KScnLayerElement* element = materials ? layer->GetMaterialElement() : layer->GetTextureElement();
            if (element != nullptr)
            {
                BindLayerElement(materials, element, connected, geometry->GetSceneContents(), bound);
            }
        }
    }
}

// Puts the elements back as they were, latest first, allocating nothing.
void TakeBackBinding(std::vector<SBoundElement>& bound)
{
    for (auto it = bound.rbegin(); it != bound.rend(); ++it)
    {
        for (size_t i = 0; it->uses != nullptr && i < it->counted; ++i)
        {
            if (it->materials)
            {
                it->uses->RemoveMaterialUse(static_cast<KScnMaterial*>(it->added[i]));
            }
            else
            {
                it->uses->RemoveTextureUse(static_cast<KScnTexture*>(it->added[i]));
            }
        }
        if (it->element != nullptr)
        {
            it->element->GetDirectArray().SetCount(it->directCount);
            std::copy(it->indices.begin(), it->indices.end(), it->element->GetIndices());
        }
    }
}
} // namespace

KScnSceneRoot::KScnSceneRoot(KScnSdkManager* manager) : mManager(manager), mError(kSceneMessages, 1)
{
    // Stopped part-way (memory running out), it takes back what it made.
    try
    {
        mContents = new KScnSceneContents(manager);
        if (manager != nullptr)
        {
            // The attribute is the node's from the start of its attaching:
            // the node takes it along if anything fails.
            mCameraSwitcher = manager->CreateNode("Camera Switcher");
            mCameraSwitcher->SetNodeAttribute(manager->CreateCameraSwitcher());
            OwnCameraSwitcher(true);
            ResetCameraSwitcher();
        }
        mLightSettings = new KScnSceneLightSettings();
        mCameraSettings = new KScnSceneCameraSettings(manager, mContents);
        mTimeSettings = new KScnSceneTimeSettings();
    }
    catch (...)
    {
        // The root node stays with the manager after a teardown; here no
        // one else will destroy it.
        KScnNode* root = mContents != nullptr ? mContents->GetRootNode() : nullptr;
        TearDown();
        if (manager != nullptr && root != nullptr)
        {
            manager->DestroyNode(root, true);
        }
        throw;
    }
}

KScnSceneRoot::~KScnSceneRoot()
{
    TearDown();
}

void KScnSceneRoot::TearDown()
{
    delete mContents;
    mContents = nullptr;
    DestroyCameraSwitcher();
    SetSceneMetaData(nullptr);
    DestroyPlugsAndCharacterPoses();
    mPoses.Clear();
    delete mLightSettings;
    mLightSettings = nullptr;
    delete mCameraSettings;
    mCameraSettings = nullptr;
    delete mTimeSettings;
    mTimeSettings = nullptr;
    ClearTakeInfos();
}

void KScnSceneRoot::SetSceneMetaData(KScnSceneMetaData* metaData)
{
    if (metaData == mMetaData)
    {
        return;
    }
    KScnSceneMetaData* old = mMetaData;
    mMetaData = metaData;
    if (old != nullptr)
    {
        if (mManager != nullptr)
        {
            mManager->DestroySceneMetaData(old);
        }
        else
        {
            delete old;
        }
    }
}

void KScnSceneRoot::DestroyPlugsAndCharacterPoses()
{
    for (int i = 0; i < mControlSetPlugs.GetCount(); ++i)
    {
        mControlSetPlugs[i]->DisconnectAll();
        if (mManager != nullptr)
        {
            mManager->ObjectGoes(mControlSetPlugs[i]);
        }
        delete mControlSetPlugs[i];
    }
    mControlSetPlugs.Clear();
    // A pose's private scene goes back to the manager as the pose dies.
    while (mCharacterPoses.GetCount() > 0)
    {
        DestroyCharacterPose(mCharacterPoses.GetCount() - 1);
    }
}

KScnNode* KScnSceneRoot::GetRootNode() const
{
    return mContents->GetRootNode();
}

void KScnSceneRoot::SetCameraSwitcherNode(KScnNode* node)
{
    if (node == mCameraSwitcher)
    {
        return;
    }
    // Another owner's node, or one of a tree, cannot be the hidden node.
    if (node != nullptr && mManager != nullptr &&
        (mManager->IsOwned(node) || mManager->IsOwned(node->GetNodeAttribute())))
    {
        return;
    }
    // Marking the new node the scene's is the one step that takes memory:
    // refused, it leaves both nodes as they were. Cutting the new node loose
    // and destroying the old one take none.
    KScnNode* old = mCameraSwitcher;
    mCameraSwitcher = node;
    try
    {
        OwnCameraSwitcher(true);
    }
    catch (...)
    {
        mCameraSwitcher = old;
        throw;
    }
    if (node != nullptr)
    {
        if (KScnNode* parent = node->GetParent())
        {
            parent->RemoveChild(node);
        }
        node->SetSceneContents(nullptr, false);
    }
    mCameraSwitcher = old;
    DestroyCameraSwitcher();
    mCameraSwitcher = node;
}

void KScnSceneRoot::OwnCameraSwitcher(bool owned)
{
    if (mManager == nullptr || mCameraSwitcher == nullptr)
    {
        return;
    }
    try
    {
        mManager->SetOwned(mCameraSwitcher, owned);
        mManager->SetOwned(mCameraSwitcher->GetNodeAttribute(), owned);
    }
    catch (...)
    {
        // Only marking takes memory: unmarked again, the node is as it was.
        mManager->SetOwned(mCameraSwitcher, false);
        throw;
    }
}

void KScnSceneRoot::DestroyCameraSwitcher()
{
    if (mManager != nullptr && mCameraSwitcher != nullptr)
    {
        OwnCameraSwitcher(false);
        mManager->DestroyNode(mCameraSwitcher, true);
    }
    mCameraSwitcher = nullptr;
}

void KScnSceneRoot::ResetCameraSwitcher()
{
    if (mCameraSwitcher == nullptr)
    {
        return;
    }
    mCameraSwitcher->SetName("Camera Switcher");
    mCameraSwitcher->SetVisibility(false);
    mCameraSwitcher->SetShadingMode(1);
    if (auto* switcher = dynamic_cast<KScnCameraSwitcher*>(mCameraSwitcher->GetNodeAttribute()))
    {
        switcher->SetDefaultCameraIndex(1);
    }
    KeepFirstTakeOnly(mCameraSwitcher);
}

int KScnSceneRoot::FillMaterialArray(KPointerArray<KScnMaterial>& out) const
{
    out.Clear();
    for (int i = 0; i < mContents->GetMaterialCount(); ++i)
    {
        out.Add(mContents->GetMaterial(i));
    }
    return out.GetCount();
}

// ---- Generic nodes ----

int KScnSceneRoot::GetGenericNodeCount() const
{
    return mContents->GetGenericNodeCount();
}

KScnGenericNode* KScnSceneRoot::GetGenericNode(int index) const
{
    return index >= 0 && index < mContents->GetGenericNodeCount() ? mContents->GetGenericNode(index)
                                                                  : nullptr;
}

bool KScnSceneRoot::AddGenericNode(KScnGenericNode* node)
{
    return node != nullptr && node->SetSceneContents(mContents);
}

bool KScnSceneRoot::RemoveGenericNode(KScnGenericNode* node)
{
    return node != nullptr && node->SetSceneContents(nullptr);
}

// ---- Characters, control-set plugs and character poses ----

bool KScnSceneRoot::AddCharacter(KScnCharacter* character)
{
    return mContents->AddObject(character);
}

int KScnSceneRoot::GetCharacterCount() const
{
    return mContents->GetObjectCount(KScnCharacterProperties::ClassId);
}

KScnCharacter* KScnSceneRoot::GetCharacter(int index) const
{
    return static_cast<KScnCharacter*>(mContents->GetObject(index, KScnCharacterProperties::ClassId));
}

int KScnSceneRoot::CreateCharacter(const char* name)
{
    KScnCharacter* character = mManager != nullptr ? mManager->CreateCharacter(name) : nullptr;
    if (character == nullptr)
    {
        return -1;
    }
    AddCharacter(character);
    return GetCharacterCount() - 1;
}

int KScnSceneRoot::CreateControlSetPlug(const char* name)
{
    const KString full = KScnSdkManager::PrefixName("ControlSetPlug::", name);
    mControlSetPlugs.Reserve(mControlSetPlugs.GetCount() + 1); // first: the plug is never lost
    return mControlSetPlugs.Add(new KScnControlSetPlug(mManager, full.Buffer()));
}

int KScnSceneRoot::CreateCharacterPose(const char* name)
{
    if (mManager == nullptr)
    {
        return -1;
    }
    const KString full = KScnSdkManager::PrefixName("Pose::", name);
    mCharacterPoses.Reserve(mCharacterPoses.GetCount() + 1); // first: the pose is never lost
    return mCharacterPoses.Add(new KScnCharacterPose(mManager, full.Buffer()));
}

bool KScnSceneRoot::DestroyCharacterPose(int index)
{
    KScnCharacterPose* pose = mCharacterPoses.GetAt(index);
    if (pose == nullptr)
    {
        return false;
    }
    mCharacterPoses.RemoveAt(index);
    pose->Release();
    if (mManager != nullptr)
    {
        mManager->ObjectGoes(pose);
    }
    delete pose;
    return true;
}

// ---- Poses ----

bool KScnSceneRoot::AddPose(KScnPose* pose)
{
    if (pose == nullptr || mPoses.Find(pose) >= 0)
    {
        return false;
    }
    mPoses.Add(pose);
    return true;
}

bool KScnSceneRoot::RemovePose(KScnPose* pose)
{
    const int index = pose != nullptr ? mPoses.Find(pose) : -1;
    if (index < 0)
    {
        return false;
    }
    mPoses.RemoveAt(index);
    return true;
}

// ---- Takes ----

template <typename Fn> void KScnSceneRoot::ForEachTakeOwner(Fn fn) const
{
    if (mCameraSwitcher != nullptr)
    {
        fn(static_cast<KScnTakeNodeContainer*>(mCameraSwitcher));
    }
    for (int i = 0; i < mContents->GetNodeCount(); ++i)
    {
        fn(static_cast<KScnTakeNodeContainer*>(mContents->GetNode(i)));
    }
    for (int i = 0; i < mContents->GetTextureCount(); ++i)
    {
        fn(static_cast<KScnTakeNodeContainer*>(mContents->GetTexture(i)));
    }
    for (int i = 0; i < mContents->GetMaterialCount(); ++i)
    {
        fn(static_cast<KScnTakeNodeContainer*>(mContents->GetMaterial(i)));
    }
    for (int i = 0; i < mContents->GetGenericNodeCount(); ++i)
    {
        fn(static_cast<KScnTakeNodeContainer*>(mContents->GetGenericNode(i)));
    }
    for (int i = 0; i < mContents->GetObjectCount(); ++i)
    {
        fn(mContents->GetObject(i));
    }
}

bool KScnSceneRoot::SetCurrentTake(const char* name)
{
    // A scene with no object at all (no root, no switcher) has no take either.
    bool any = false;
    // The one step that takes memory comes first: the nodes' transform
    // caches are cleared before any take is chosen (choosing then clears
    // nothing again), so that a refusal changes no object's current take.
    ForEachTakeOwner(
        [](KScnTakeNodeContainer* owner)
        {
            if (auto* node = dynamic_cast<KScnNode*>(owner))
            {
                node->InvalidateTransformCaches();
            }
        });
    bool all = true;
    ForEachTakeOwner(
        [&](KScnTakeNodeContainer* owner)
        {
            any = true;
            all = owner->SelectTakeNodeByName(name) && all;
        });
    all = all && any;
    if (!all)
    {
        // Without memory for the name the record keeps the table's text.
        try
        {
            const KString text =
                KString("Not all nodes have a take node called ") + (name != nullptr ? name : "");
            mError.SetLastError(0, text.Buffer());
        }
        catch (const std::bad_alloc&)
        {
            mError.SetLastErrorID(0);
        }
    }
    return all;
}

int KScnSceneRoot::AddTakeWhereMissing(const char* name)
{
    // Whole or not at all: the objects that lack the take are known before
    // any gets it, so that memory running out takes back the takes given
    // so far (removing allocates nothing).
    std::vector<KScnTakeNodeContainer*> lacking;
    ForEachTakeOwner(
        [&](KScnTakeNodeContainer* owner)
        {
            if (!owner->HasTakeNode(name))
            {
                lacking.push_back(owner);
            }
        });
    size_t given = 0;
    try
    {
        for (; given < lacking.size(); ++given)
        {
            // An object met twice has the take from the first time.
            if (lacking[given]->AddTakeNode(name) == nullptr)
            {
                lacking[given] = nullptr;
            }
        }
    }
    catch (...)
    {
        while (given > 0)
        {
            if (KScnTakeNodeContainer* owner = lacking[--given])
            {
                owner->RemoveTakeNode(owner->GetTakeNodeCount() - 1);
            }
        }
        throw;
    }
    return static_cast<int>(lacking.size() - std::count(lacking.begin(), lacking.end(), nullptr));
}

void KScnSceneRoot::ClearTakeNameList(KPointerArray<KString>& list)
{
    for (int i = 0; i < list.GetCount(); ++i)
    {
        delete list[i];
    }
    list.Clear();
}

void KScnSceneRoot::FillTakeNameList(KPointerArray<KString>& out) const
{
    ClearTakeNameList(out);
    try
    {
        for (const std::string& take : GetTakeNames())
        {
            auto name = std::make_unique<KString>(take.c_str());
            out.Add(name.get());
            name.release();
        }
    }
    catch (...)
    {
        ClearTakeNameList(out); // memory ran out: no half list, nothing lost
        throw;
    }
}

std::vector<std::string> KScnSceneRoot::GetTakeNames() const
{
    // Names seen so far: objects mostly share their takes, so each name is
    // met once per object.
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    ForEachTakeOwner(
        [&](KScnTakeNodeContainer* owner)
        {
            for (int t = 0; t < owner->GetTakeNodeCount(); ++t)
            {
                const char* take = owner->GetTakeNodeName(t);
                if (take != nullptr && seen.insert(take).second)
                {
                    names.emplace_back(take);
                }
            }
        });
    return names;
}

const KScnTakeDescription* KScnSceneRoot::GetTakeInfo(const char* name) const
{
    for (int i = 0; name != nullptr && i < mTakeInfos.GetCount(); ++i)
    {
        if (std::strcmp(mTakeInfos[i]->mName.Buffer(), name) == 0)
        {
            return mTakeInfos[i];
        }
    }
    return nullptr;
}

bool KScnSceneRoot::SetTakeInfo(const KScnTakeDescription& info)
{
    return SetTakeInfos(std::vector<KScnTakeDescription>{info}) == 1;
}

int KScnSceneRoot::SetTakeInfos(const std::vector<KScnTakeDescription>& infos)
{
    const std::vector<std::string> names = GetTakeNames();
    const std::unordered_set<std::string> valid(names.begin(), names.end());
    // The descriptions to append and the copies that replace are made whole
    // and the list's room taken before the list changes (the copies then
    // trade places, which takes no memory), so that memory running out
    // changes none of them.
    std::vector<std::unique_ptr<KScnTakeDescription>> appended;
    std::unordered_map<std::string, KScnTakeDescription*> appendedOf;
    std::vector<std::pair<KScnTakeDescription*, KScnTakeDescription>> replaced;
    int set = 0;
    for (const KScnTakeDescription& info : infos)
    {
        if (valid.count(info.mName.Buffer()) == 0)
        {
            continue;
        }
        ++set;
        if (const KScnTakeDescription* existing = GetTakeInfo(info.mName.Buffer()))
        {
            replaced.emplace_back(const_cast<KScnTakeDescription*>(existing), info);
            continue;
        }
        auto it = appendedOf.find(info.mName.Buffer());
        if (it != appendedOf.end())
        {
            *it->second = info;
            continue;
        }
        appended.push_back(std::make_unique<KScnTakeDescription>(info));
        appendedOf.emplace(info.mName.Buffer(), appended.back().get());
    }
    if (!mTakeInfos.Reserve(mTakeInfos.GetCount() + static_cast<int>(appended.size())))
    {
        throw std::bad_alloc();
    }
    for (auto& r : replaced)
    {
        SwapDescriptions(*r.first, r.second);
    }
    for (std::unique_ptr<KScnTakeDescription>& info : appended)
    {
        mTakeInfos.Add(info.release());
    }
    return set;
}

void KScnSceneRoot::RestoreTakeInfos(std::vector<KScnTakeDescription>& earlier)
{
    while (mTakeInfos.GetCount() > static_cast<int>(earlier.size()))
    {
        const int last = mTakeInfos.GetCount() - 1;
        delete mTakeInfos[last];
        mTakeInfos.RemoveAt(last);
    }
    for (int i = 0; i < mTakeInfos.GetCount(); ++i)
    {
        SwapDescriptions(*mTakeInfos[i], earlier[static_cast<size_t>(i)]);
    }
}

void KScnSceneRoot::ClearTakeInfos()
{
    for (int i = 0; i < mTakeInfos.GetCount(); ++i)
    {
        delete mTakeInfos[i];
    }
    mTakeInfos.Clear();
}

// ---- After reading ----

void KScnSceneRoot::BindToLayers(std::initializer_list<bool> kinds, const std::vector<KScnNode*>& nodes)
{
    // Every element bound is noted as it was first: memory running out
    // takes back all this call bound, so that it is whole.
    std::vector<SBoundElement> bound;
    try
    {
        for (const bool materials : kinds)
        {
            BindKindToLayers(materials, nodes, bound);
        }
    }
    catch (...)
    {
        TakeBackBinding(bound);
        throw;
    }
    if (mManager != nullptr)
    {
        mManager->SettleAllLayerItems();
    }
}

std::vector<KScnNode*> KScnSceneRoot::ContentsNodes() const
{
    std::vector<KScnNode*> nodes(static_cast<size_t>(mContents->GetNodeCount()));
    for (size_t n = 0; n < nodes.size(); ++n)
    {
        nodes[n] = mContents->GetNode(static_cast<int>(n));
    }
    return nodes;
}

void KScnSceneRoot::BindMaterialsToLayers()
{
    BindToLayers({true}, ContentsNodes());
}

void KScnSceneRoot::BindTexturesToLayers()
{
    BindToLayers({false}, ContentsNodes());
}

void KScnSceneRoot::BindLayersOf(const std::vector<KScnNode*>& nodes)
{
    BindToLayers({true, false}, nodes);
}

void KScnSceneRoot::DestroyAllDeformers()
{
    if (mManager == nullptr)
    {
        return;
    }
    for (int type : {KScnSceneContents::eClusterDeformer, KScnSceneContents::eAnyDeformer})
    {
        while (KScnDeformer* deformer = mContents->GetDeformer(0, type))
        {
            mContents->RemoveObject(deformer);
            mManager->DestroyDeformer(deformer);
        }
    }
}

namespace
{
KScnNode* FirstNodeOf(KPlug* list)
{
    for (int i = 0; list != nullptr && i < list->GetSrcCount(); ++i)
    {
        if (KScnNode* node = KScnNodeProperties::NodeOfPlug(list->GetSrc(i)))
        {
            return node;
        }
    }
    return nullptr;
}

// The link of a cluster, filled from it: its node (a node's set connected
// to the cluster or, as the reader stores it, the first of its "SrcModel"
// list) and its associate model.
void FillLink(KScnLink& link, KScnDeformer* cluster, KScnPropertyHandler* clusterSet)
{
    link.SetFromCluster(cluster);
    auto* properties = dynamic_cast<KScnClusterDeformerProperties*>(clusterSet);
    KScnNode* linkNode = FirstNodeOf(clusterSet);
    if (linkNode == nullptr && properties != nullptr)
    {
        linkNode = FirstNodeOf(properties->GetSrcModel());
    }
    if (linkNode != nullptr)
    {
        link.SetLink(linkNode);
    }
    if (KScnNode* model = properties != nullptr ? FirstNodeOf(properties->GetSrcModelReference()) : nullptr)
    {
        link.SetAssociateModel(model);
    }
}
} // namespace

void KScnSceneRoot::BindDeformerLinks()
{
    if (mManager == nullptr)
    {
        return;
    }
    // Marked once every skin is done: a skin on two geometries gives each
    // its links.
    std::vector<KScnDeformer*> bound;
    // The links given, taken back (allocating nothing) when memory runs out.
    std::vector<std::pair<KScnGeometry*, KScnLink*>> given;
    try
    {
        for (int d = 0; d < mContents->GetDeformerCount(KScnSceneContents::eSkinDeformer); ++d)
        {
            BindSkinLinks(mContents->GetDeformer(d, KScnSceneContents::eSkinDeformer), bound, given);
        }
    }
    catch (...)
    {
        for (auto it = given.rbegin(); it != given.rend(); ++it)
        {
            it->first->DropLink(it->second);
            mManager->DestroyLink(it->second);
        }
        throw;
    }
    for (KScnDeformer* cluster : bound)
    {
        cluster->SetLinked(true);
    }
}

void KScnSceneRoot::BindSkinLinks(KScnDeformer* skin, std::vector<KScnDeformer*>& bound,
                                  std::vector<std::pair<KScnGeometry*, KScnLink*>>& given)
{
    KScnPropertyHandler* skinSet = skin != nullptr ? skin->GetPropertyHandler() : nullptr;
    for (int n = 0; skinSet != nullptr && n < skinSet->GetDstCount(); ++n)
    {
        KScnNode* node = KScnNodeProperties::NodeOfPlug(skinSet->GetDst(n));
        auto* geometry = node != nullptr ? dynamic_cast<KScnGeometry*>(node->GetGeometry()) : nullptr;
        for (int c = 0; geometry != nullptr && c < skinSet->GetSrcCount(); ++c)
        {
            KPlug* plug = skinSet->GetSrc(c);
            KScnPropertyHandler* clusterSet = plug != nullptr ? plug->AsPropertyHandler() : nullptr;
            auto* cluster =
                clusterSet != nullptr ? dynamic_cast<KScnDeformer*>(clusterSet->GetOwner()) : nullptr;
            if (cluster == nullptr || cluster->GetDeformerKind() != KScnSceneContents::eClusterDeformer ||
                cluster->IsLinked())
            {
                continue;
            }
            bound.push_back(cluster);
            given.reserve(given.size() + 1);
            // The link is ours until the geometry takes it.
            KScnLink* link = mManager->CreateLink();
            try
            {
                FillLink(*link, cluster, clusterSet);
                geometry->AddDeformer(link);
            }
            catch (...)
            {
                mManager->DestroyLink(link);
                throw;
            }
            given.emplace_back(geometry, link);
        }
    }
}

void KScnSceneRoot::FixSkeletonInheritType(KScnNode* node)
{
    // Each child is fixed before its own children are looked at, the
    // children in their order; a stack of nodes instead of recursion.
    std::vector<KScnNode*> pending{node};
    while (!pending.empty())
    {
        KScnNode* next = pending.back();
        pending.pop_back();
        const int count = next != nullptr ? next->GetChildCount() : 0;
        for (int i = count - 1; i >= 0; --i)
        {
            pending.push_back(next->GetChild(i));
        }
        if (next == node || next == nullptr)
        {
            continue;
        }
        FixSkeletonNode(next);
    }
}

void KScnSceneRoot::FixSkeletonInheritType(const std::vector<KScnNode*>& nodes)
{
    for (KScnNode* node : nodes)
    {
        FixSkeletonNode(node);
    }
}

void KScnSceneRoot::FixSkeletonNode(KScnNode* node)
{
    KScnNode* up = node != nullptr ? node->GetParent() : nullptr;
    if (up != nullptr && node->GetFlag() && node->GetSkeleton() != nullptr &&
        node->GetTransformInheritType() == 2 && up->GetSkeleton() == nullptr)
    {
        node->SetTransformInheritType(1);
    }
}

// ---- Clear ----

void KScnSceneRoot::Clear()
{
    // A scene that lost its root gets a new one first (failing, it changes
    // nothing).
    mContents->RestoreRootNode();
    KScnNode* root = GetRootNode();
    while (root != nullptr && root->GetChildCount() > 0)
    {
        KScnNode* child = root->RemoveChild(root->GetChild(root->GetChildCount() - 1));
        if (child == nullptr)
        {
            break;
        }
        // Cut loose, the child has left the contents with its subtree.
        if (child->GetSceneContents() == mContents)
        {
            mContents->RemoveNode(child);
        }
        if (mManager != nullptr)
        {
            mManager->DestroyNode(child, true);
        }
    }
    KeepFirstTakeOnly(root);
    ResetCameraSwitcher();
    SetSceneMetaData(nullptr);
    DestroyPlugsAndCharacterPoses();
    mPoses.Clear();
    while (mContents->GetGenericNodeCount() > 0)
    {
        KScnGenericNode* node = mContents->GetGenericNode(0);
        // Every use goes: the node leaves these contents whatever its count.
        while (mContents->GetGenericNodeUseCount(node) > 0)
        {
            mContents->RemoveGenericNode(node);
        }
        if (node->GetSceneContents() == mContents)
        {
            node->SetSceneContents(nullptr);
        }
        if (mManager != nullptr)
        {
            mManager->DestroyGenericNode(node);
        }
    }
    mLightSettings->RestoreDefaults();
    mCameraSettings->RestoreDefaults();
    mTimeSettings->RestoreDefaults();
    mName = "";
    ClearTakeInfos();
}

} // namespace scenesdk
