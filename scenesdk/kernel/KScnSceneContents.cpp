#include "scenesdk/kernel/KScnSceneContents.h"

#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnConstraintProperty.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace scenesdk
{

namespace
{
const char* const kContentsMessages[] = {"Node is null.",
                                         "Node is already owned by the entity.",
                                         "Node does not belong to the entity.",
                                         "Parameter is out of range.",
                                         "Material still in use.",
                                         "Material not found.",
                                         "Texture still in use.",
                                         "Texture not found.",
                                         "Video still in use.",
                                         "Video not found.",
                                         "Video name clash.",
                                         "",
                                         "",
                                         "",
                                         "",
                                         ""};

// Each node before its children, the children in their order.
void CollectByKind(KScnNode* node, int kind, KPointerArray<KScnNode>& out)
{
    KScnFindInTree(node, true,
                   [kind, &out](KScnNode* next)
                   {
                       const KScnNodeAttribute* attribute = next->GetNodeAttribute();
                       if (attribute != nullptr && attribute->GetAttributeKind() == kind)
                       {
                           out.Add(next);
                       }
                       return false;
                   });
}

// Takes the node's geometry and its shapes out of these contents' use
// lists, and the node's link to them, once the node has left.
void LeaveContents(KScnNode* node, KScnSceneContents* contents)
{
    if (node->GetSceneContents() == contents)
    {
        KScnSceneContents::SetNodeLink(node, nullptr);
    }
    auto* geometry = dynamic_cast<KScnGeometry*>(node->GetNodeAttribute());
    if (geometry == nullptr)
    {
        return;
    }
    for (int i = 0; i < geometry->GetShapeCount(); ++i)
    {
        KScnShape* shape = geometry->GetShape(i);
        if (shape->GetSceneContents() == contents)
        {
            shape->SetSceneContents(nullptr);
        }
    }
    if (geometry->GetSceneContents() == contents)
    {
        geometry->SetSceneContents(nullptr);
    }
}

// The object whose property set the plug is; null for any other plug.
KScnTakeNodeContainer* OwnerOf(KPlug* plug)
{
    KScnPropertyHandler* handler = plug != nullptr ? plug->AsPropertyHandler() : nullptr;
    return handler != nullptr ? handler->GetOwner() : nullptr;
}

// The object a connection to the plug serves: the owner of a property set,
// or of the set a property belongs to ("Diffuse" of a material).
KScnTakeNodeContainer* UserOf(KPlug* plug)
{
    if (KProperty* property = plug != nullptr ? plug->AsProperty() : nullptr)
    {
        return OwnerOf(property->GetOwnerObject());
    }
    return OwnerOf(plug);
}

} // namespace

// The contents' object list: tells the contents of every change of its
// sources before anything else hears of it.
class KScnContentsObjectList : public KGenericObjectList
{
public:
    explicit KScnContentsObjectList(KScnSceneContents* contents) : mContents(contents) {}

    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override
    {
        if (emitter == this && mContents != nullptr)
        {
            mContents->OnObjectListChange(code, index, other);
        }
        return KGenericObjectList::ConnectionEvent(path, code, emitter, index, other, type, extra);
    }

    // The contents are going: nothing is told any more.
    void Forget() { mContents = nullptr; }

private:
    KScnSceneContents* mContents;
};

KScnSceneContents::KScnSceneContents(KScnSdkManager* manager)
    : mError(kContentsMessages, static_cast<int>(sizeof(kContentsMessages) / sizeof(kContentsMessages[0])))
{
    mManager = manager;
    // Stopped part-way (memory running out), it takes back what it made.
    try
    {
        mObjects = new KScnContentsObjectList(this);
        if (manager != nullptr)
        {
            mRootNode = manager->CreateNode("RootNode");
            mNodes.Add(mRootNode);
            mNodeSet.insert(mRootNode);
            NoteListing(mRootNode, 1);
            SetNodeLink(mRootNode, this);
        }
    }
    catch (...)
    {
        KScnNode* root = mRootNode;
        TearDown();
        if (manager != nullptr)
        {
            manager->DestroyNode(root, true);
        }
        throw;
    }
}

KScnSceneContents::KScnSceneContents(KScnSdkManager* manager, Staging)
    : mError(kContentsMessages, static_cast<int>(sizeof(kContentsMessages) / sizeof(kContentsMessages[0])))
{
    mManager = manager;
    mObjects = new KScnContentsObjectList(this);
}

KScnSceneContents::~KScnSceneContents()
{
    TearDown();
}

void KScnSceneContents::TearDown()
{
    Clear();
    if (mObjects != nullptr)
    {
        static_cast<KScnContentsObjectList*>(mObjects)->Forget();
        mObjects->Destroy();
        mObjects = nullptr;
    }
    // Whatever left the lists unheard (a source cut without its events)
    // must not keep the manager coming here.
    if (mManager != nullptr)
    {
        for (const auto& listing : mListings)
        {
            mManager->NoteListing(listing.first, this, false);
        }
    }
}

void KScnSceneContents::Clear()
{
    // Nothing is passed over any more (the listings go with the records').
    for (const auto& entry : mPassedOver)
    {
        NoteListing(entry.first, -1);
    }
    mPassedOver.clear();
    mPassedNames.clear();
    mAdopted = nullptr;
    for (int i = 0; i < mNodes.GetCount(); ++i)
    {
        LeaveContents(mNodes[i], this);
        NoteListing(mNodes[i], -1);
    }
    mRootNode = nullptr;
    mNodes.SetCount(0);
    mNodeSet.clear();
    mUsesBy.clear();
    mUsersOf.clear();
    DeleteRecords(mMaterials);
    DeleteRecords(mTextures);
    DeleteRecords(mVideos);
    // The generic nodes must forget these contents, each once its record
    // is gone, so that leaving does not come back here (one at a time:
    // clearing allocates nothing).
    while (mGenericNodes.GetCount() > 0)
    {
        const int slot = mGenericNodes.SlotOfRank(mGenericNodes.GetCount() - 1);
        auto* generic = static_cast<KScnGenericNode*>(mGenericNodes.AtSlot(slot)->object);
        DeleteRecordAt(mGenericNodes, slot);
        if (generic->GetSceneContents() == this)
        {
            generic->SetSceneContents(nullptr);
        }
    }
    if (mObjects != nullptr)
    {
        mObjects->DisconnectAllSrc();
    }
}

void KScnSceneContents::ForgetObject(const void* object)
{
    if (object == nullptr)
    {
        return;
    }
    // Its users' counts of it go with its records.
    const auto users = mUsersOf.find(object);
    if (users != mUsersOf.end())
    {
        const std::vector<const void*> list = std::move(users->second);
        mUsersOf.erase(users);
        for (const void* user : list)
        {
            ConnectionUse use{};
            if (Unrecord(user, object, &use) && !use.counted)
            {
                UnpassOver(object);
            }
        }
    }
    const int node = FindNode(static_cast<const KScnNode*>(object));
    if (node >= 0)
    {
        LeaveUses(object);
        LeaveContents(mNodes[node], this);
        mNodes.RemoveAt(node);
        mNodeSet.erase(static_cast<const KScnNode*>(object));
        NoteListing(object, -1);
    }
    if (object == mRootNode)
    {
        mRootNode = nullptr;
    }
    for (UseList* list : {&mMaterials, &mTextures, &mVideos, &mGenericNodes})
    {
        const int index = FindUse(*list, object);
        if (index >= 0)
        {
            DeleteRecordAt(*list, index);
        }
    }
    // The index answers when it is up to date; a dying object does not
    // rebuild it (that would allocate), the list is walked instead.
    if (KindsCurrent() && mKinds.objects.count(object) == 0)
    {
        return;
    }
    for (int i = mObjects->GetSrcCount() - 1; i >= 0; --i)
    {
        if (OwnerOf(mObjects->GetSrc(i)) == object)
        {
            mObjects->DisconnectSrcAt(i);
        }
    }
}

bool KScnSceneContents::RestoreRootNode()
{
    if (mRootNode != nullptr || mManager == nullptr)
    {
        return false;
    }
    KScnNode* root = mManager->CreateNode("RootNode");
    try
    {
        AddNode(root);
    }
    catch (...)
    {
        mManager->DestroyNode(root, true);
        throw;
    }
    mRootNode = root;
    return true;
}

void KScnSceneContents::SetNodeLink(KScnNode* node, KScnSceneContents* contents)
{
    node->mSceneContents = contents;
}

void KScnSceneContents::AddMaterialUse(KScnMaterial* material)
{
    AddMaterial(material);
}

void KScnSceneContents::RemoveMaterialUse(KScnMaterial* material)
{
    if (mStaging)
    {
        TakeBackUse(mMaterials, material);
        return;
    }
    RemoveMaterial(material);
}

void KScnSceneContents::AddTextureUse(KScnTexture* texture)
{
    AddTexture(texture);
}

void KScnSceneContents::RemoveTextureUse(KScnTexture* texture)
{
    if (mStaging)
    {
        TakeBackUse(mTextures, texture);
        return;
    }
    RemoveTexture(texture);
}

// ---- Nodes ----

bool KScnSceneContents::AddNode(KScnNode* node)
{
    if (node == nullptr)
    {
        mError.SetLastErrorID(eNodeNull);
        return false;
    }
    if (mNodeSet.count(node) != 0)
    {
        mError.SetLastErrorID(eNodeAlreadyOwned);
        return false;
    }
    StageNode(node);
    node->mSceneContents = this;
    return true;
}

void KScnSceneContents::StageNode(KScnNode* node)
{
    // Each step taken back when a later one runs out of memory.
    mNodeSet.insert(node);
    try
    {
        mNodes.Append(node);
    }
    catch (...)
    {
        mNodeSet.erase(node);
        throw;
    }
    try
    {
        NoteListing(node, 1);
        JoinUses(node);
    }
    catch (...)
    {
        UnstageNode(node);
        throw;
    }
}

void KScnSceneContents::UnstageNode(KScnNode* node)
{
    LeaveUses(node);
    NoteListing(node, -1);
    const int index = FindNode(node);
    if (index >= 0)
    {
        mNodes.RemoveAt(index);
    }
    mNodeSet.erase(node);
}

void KScnSceneContents::ReserveFor(const KScnSceneContents& staged)
{
    mNodes.Reserve(staged.mNodes.GetCount());
    mMaterials.Reserve(staged.mMaterials.GetCount());
    mTextures.Reserve(staged.mTextures.GetCount());
    mVideos.Reserve(staged.mVideos.GetCount());
    mGenericNodes.Reserve(staged.mGenericNodes.GetCount());
}

KScnSceneContents::UseList* KScnSceneContents::OwnList(const KScnSceneContents& staged, const UseList* list)
{
    UseList* const own[] = {&mMaterials, &mTextures, &mVideos, &mGenericNodes};
    return own[staged.ListIndex(*list)];
}

KScnSceneContents::UseList& KScnSceneContents::ListOfRank(int rank)
{
    return rank == 1 ? mMaterials : (rank == 2 ? mTextures : mVideos);
}

void KScnSceneContents::TakeBackListing(UseList& list, const void* object, int uses)
{
    const int index = FindUse(list, object);
    if (index < 0)
    {
        return;
    }
    UseRecord* record = list.AtSlot(index);
    const auto passed = mPassedOver.find(object);
    const bool adopted = passed != mPassedOver.end() && passed->second.adopted;
    record->useCount -= uses;
    if (record->useCount > (adopted ? passed->second.uses : 0))
    {
        return;
    }
    if (!adopted)
    {
        DeleteRecordAt(list, index);
        return;
    }
    // What AddUse did, undone: the object's own uses, the record, the
    // listing it added; its uses are passed over again.
    LeaveUses(object);
    DropRecordAt(list, FindUse(list, object));
    NoteListing(object, -1);
    Unadopt(passed->second);
    MarkUses(object, false);
}

void KScnSceneContents::MarkUses(const void* object, bool counted)
{
    const auto users = mUsersOf.find(object);
    for (size_t u = 0; users != mUsersOf.end() && u < users->second.size(); ++u)
    {
        const auto by = mUsesBy.find(users->second[u]);
        for (size_t i = 0; by != mUsesBy.end() && i < by->second.size(); ++i)
        {
            if (by->second[i].object == object)
            {
                by->second[i].counted = counted;
            }
        }
    }
}

void KScnSceneContents::EndStaging()
{
    mStaging = false;
    while (mAdopted != nullptr)
    {
        const void* object = mAdopted->object;
        ErasePassed(object);
        NoteListing(object, -1);
    }
}

int KScnSceneContents::ListIndex(const UseList& list) const
{
    return &list == &mMaterials ? 0 : (&list == &mTextures ? 1 : (&list == &mVideos ? 2 : 3));
}

void KScnSceneContents::TakeOver(KScnSceneContents& staged)
{
    // The lists' items in their order, into the room made for them.
    for (int i = 0; i < staged.mNodes.GetCount(); ++i)
    {
        mNodes.Add(staged.mNodes[i]);
    }
    staged.mNodes.SetCount(0);
    auto move = [](UseList& to, UseList& from)
    {
        for (int slot = 0; slot < from.GetSlotCount(); ++slot)
        {
            if (from.IsLive(slot))
            {
                UseRecord* record = from.AtSlot(slot);
                record->position = to.Append(record);
            }
        }
        from.Clear();
    };
    move(mMaterials, staged.mMaterials);
    move(mTextures, staged.mTextures);
    move(mVideos, staged.mVideos);
    move(mGenericNodes, staged.mGenericNodes);
    // The sets and maps whole; the records' keys name their lists by place,
    // the uses by address: those are turned to these contents' lists.
    mNodeSet.swap(staged.mNodeSet);
    mRecordIndex.swap(staged.mRecordIndex);
    mUsesBy.swap(staged.mUsesBy);
    mUsersOf.swap(staged.mUsersOf);
    mRecordNames.swap(staged.mRecordNames);
    mPassedOver.swap(staged.mPassedOver);
    mPassedNames.swap(staged.mPassedNames);
    std::swap(mAdopted, staged.mAdopted);
    mPassOrder = staged.mPassOrder;
    for (auto& uses : mUsesBy)
    {
        for (ConnectionUse& use : uses.second)
        {
            use.list = OwnList(staged, use.list);
        }
    }
    for (auto& passed : mPassedOver)
    {
        passed.second.list = OwnList(staged, passed.second.list);
    }
    // What clearing left listed goes (as at the teardown); staged's
    // listings become these contents', the manager's entries turned here.
    if (mManager != nullptr)
    {
        for (const auto& listing : mListings)
        {
            mManager->NoteListing(listing.first, this, false);
        }
    }
    mListings.clear();
    mListings.swap(staged.mListings);
    if (mManager != nullptr && staged.mManager == mManager)
    {
        for (const auto& listing : mListings)
        {
            const auto range = mManager->mListings.equal_range(listing.first);
            for (auto it = range.first; it != range.second; ++it)
            {
                if (it->second == &staged)
                {
                    it->second = this;
                    break;
                }
            }
        }
    }
}

bool KScnSceneContents::RemoveNode(KScnNode* node)
{
    if (node == nullptr)
    {
        mError.SetLastErrorID(eNodeNull);
        return false;
    }
    const int index = FindNode(node);
    if (index < 0)
    {
        mError.SetLastErrorID(eNodeNotOwned);
        return false;
    }
    mNodes.RemoveAt(index);
    mNodeSet.erase(node);
    NoteListing(node, -1);
    LeaveUses(node);
    LeaveContents(node, this);
    if (node == mRootNode)
    {
        mRootNode = nullptr;
    }
    return true;
}

KScnNode* KScnSceneContents::GetNode(int index)
{
    if (index < 0 || index >= mNodes.GetCount())
    {
        mError.SetLastErrorID(eOutOfRange);
        return nullptr;
    }
    return mNodes[index];
}

void KScnSceneContents::FillNodesByAttributeType(KPointerArray<KScnNode>& out, int attributeKind,
                                                 bool recursive) const
{
    out.Clear();
    if (recursive)
    {
        CollectByKind(mRootNode, attributeKind, out);
        return;
    }
    for (int i = 0; i < mNodes.GetCount(); ++i)
    {
        const KScnNodeAttribute* attribute = mNodes[i]->GetNodeAttribute();
        if (attribute != nullptr && attribute->GetAttributeKind() == attributeKind)
        {
            out.Add(mNodes[i]);
        }
    }
}

// ---- Use records ----

// Position of the node, looked for only when the node is listed (from the
// end: the newest go first).
int KScnSceneContents::FindNode(const KScnNode* node) const
{
    if (node == nullptr || mNodeSet.count(node) == 0)
    {
        return -1;
    }
    for (int i = mNodes.GetCount() - 1; i >= 0; --i)
    {
        if (mNodes[i] == node)
        {
            KSearchWork::Add(static_cast<uint64_t>(mNodes.GetCount() - i));
            return i;
        }
    }
    return -1;
}

int KScnSceneContents::FindUse(const UseList& list, const void* object) const
{
    const auto found = mRecordIndex.find(KeyOf(list, object));
    if (found == mRecordIndex.end())
    {
        return -1;
    }
    UseRecord* record = found->second;
    if (list.IsLive(record->position) && list.AtSlot(record->position) == record)
    {
        return record->position;
    }
    // Only a list changed behind the records' backs gets here.
    for (int slot = list.GetSlotCount() - 1; slot >= 0; --slot)
    {
        if (list.IsLive(slot) && list.AtSlot(slot) == record)
        {
            KSearchWork::Add(static_cast<uint64_t>(list.GetSlotCount() - slot));
            record->position = slot;
            return slot;
        }
    }
    return -1;
}

int KScnSceneContents::UseCountOf(const UseList& list, const void* object) const
{
    const int index = FindUse(list, object);
    return index >= 0 ? list.AtSlot(index)->useCount : 0;
}

bool KScnSceneContents::AddUse(UseList& list, void* object, int uses)
{
    const int index = FindUse(list, object);
    if (index >= 0)
    {
        list.AtSlot(index)->useCount += uses;
        return true;
    }
    // Indexed (by name, then by object), listed, then noted, each step
    // taken back when memory runs out in a later one: FindUse sees every
    // record, and no record outlives its object unnoticed.
    KScnReadMeter::Count(KScnReadMeter::eUseRecords, KScnReadMeter::kUseRecordBytes);
    auto made = std::make_unique<UseRecord>(UseRecord{object, uses, 0, -1});
    made->nameHash = NameHash(ObjectOf(list, object)->GetName());
    LinkName(list, made.get());
    try
    {
        const auto slot = mRecordIndex.insert_or_assign(KeyOf(list, object), made.get()).first;
        try
        {
            made->position = list.Append(made.get());
        }
        catch (...)
        {
            mRecordIndex.erase(slot);
            throw;
        }
    }
    catch (...)
    {
        UnlinkName(list, made.get());
        throw;
    }
    UseRecord* record = made.release();
    try
    {
        NoteListing(object, 1);
    }
    catch (...)
    {
        DeleteRecordAt(list, record->position);
        throw;
    }
    // Listed now, it uses what is connected to it (all or nothing: memory
    // running out takes the record back with the uses counted so far), and
    // its uses passed over count.
    try
    {
        JoinUses(ObjectOf(list, object));
    }
    catch (...)
    {
        DeleteRecordAt(list, FindUse(list, object));
        throw;
    }
    UseRecord* added = list.AtSlot(FindUse(list, object));
    const int adopted = AdoptPassedOver(object);
    added->useCount += adopted;
    added->connectionUses += adopted;
    return true;
}

void KScnSceneContents::DropRecordAt(UseList& list, int slot)
{
    UseRecord* record = list.AtSlot(slot);
    auto it = mRecordIndex.find(KeyOf(list, record->object));
    if (it != mRecordIndex.end() && it->second == record)
    {
        mRecordIndex.erase(it);
    }
    UnlinkName(list, record);
    list.Erase(slot);
    delete record;
    // The holes go once they outnumber the records: the removals since
    // paid for the squeeze.
    if (list.GetHoleCount() > list.GetCount() + 16)
    {
        list.Squeeze([](UseRecord* moved, int to) { moved->position = to; });
    }
}

void KScnSceneContents::DeleteRecordAt(UseList& list, int slot)
{
    const void* object = list.AtSlot(slot)->object;
    void* heir = HandOver(list, list.AtSlot(slot));
    if (heir == nullptr)
    {
        DropRecordAt(list, slot);
    }
    NoteListing(object, -1);
    // No longer listed, it uses nothing here.
    LeaveUses(object);
    if (heir != nullptr)
    {
        // The heir uses what is connected to it. This is the one step that
        // may take memory; without it those uses wait for their next
        // connection.
        try
        {
            JoinUses(ObjectOf(list, heir));
        }
        catch (const std::bad_alloc&)
        {
        }
    }
}

bool KScnSceneContents::RemoveUse(UseList& list, void* object, int notFound, int inUse)
{
    const int index = object != nullptr ? FindUse(list, object) : -1;
    if (index < 0)
    {
        mError.SetLastErrorID(notFound);
        return false;
    }
    // Uses that connections count go only with their connections.
    UseRecord* record = list.AtSlot(index);
    if (record->useCount <= record->connectionUses || --record->useCount > 0)
    {
        mError.SetLastErrorID(inUse);
        return false;
    }
    DeleteRecordAt(list, index);
    return true;
}

void* KScnSceneContents::UseAt(const UseList& list, int index)
{
    if (index < 0 || index >= list.GetCount())
    {
        mError.SetLastErrorID(eOutOfRange);
        return nullptr;
    }
    return list.AtRank(index)->object;
}

void KScnSceneContents::DeleteRecords(UseList& list)
{
    for (int slot = 0; slot < list.GetSlotCount(); ++slot)
    {
        if (!list.IsLive(slot))
        {
            continue;
        }
        UseRecord* record = list.AtSlot(slot);
        auto it = mRecordIndex.find(KeyOf(list, record->object));
        if (it != mRecordIndex.end() && it->second == record)
        {
            mRecordIndex.erase(it);
        }
        UnlinkName(list, record);
        NoteListing(record->object, -1);
        delete record;
    }
    list.Clear();
}

// ---- Materials and textures ----

KScnMaterial* KScnSceneContents::GetMaterial(int index)
{
    return static_cast<KScnMaterial*>(UseAt(mMaterials, index));
}

KScnMaterial* KScnSceneContents::FindMaterial(const char* name)
{
    if (void* found = name != nullptr ? FindNamed(mMaterials, name) : nullptr)
    {
        return static_cast<KScnMaterial*>(found);
    }
    mError.SetLastErrorID(eMaterialNotFound);
    return nullptr;
}

// A null object is refused (a register of nothing serves no one).
bool KScnSceneContents::AddMaterial(KScnMaterial* material)
{
    return material != nullptr && AddUse(mMaterials, material);
}

bool KScnSceneContents::RemoveMaterial(KScnMaterial* material)
{
    return RemoveUse(mMaterials, material, eMaterialNotFound, eMaterialInUse);
}

int KScnSceneContents::GetMaterialUseCount(const KScnMaterial* material) const
{
    return UseCountOf(mMaterials, material);
}

KScnTexture* KScnSceneContents::GetTexture(int index)
{
    return static_cast<KScnTexture*>(UseAt(mTextures, index));
}

KScnTexture* KScnSceneContents::FindTexture(const char* name)
{
    if (void* found = name != nullptr ? FindNamed(mTextures, name) : nullptr)
    {
        return static_cast<KScnTexture*>(found);
    }
    mError.SetLastErrorID(eTextureNotFound);
    return nullptr;
}

bool KScnSceneContents::AddTexture(KScnTexture* texture)
{
    return texture != nullptr && AddUse(mTextures, texture);
}

bool KScnSceneContents::RemoveTexture(KScnTexture* texture)
{
    return RemoveUse(mTextures, texture, eTextureNotFound, eTextureInUse);
}

int KScnSceneContents::GetTextureUseCount(const KScnTexture* texture) const
{
    return UseCountOf(mTextures, texture);
}

// ---- Videos ----

KScnVideo* KScnSceneContents::GetVideo(int index)
{
    return static_cast<KScnVideo*>(UseAt(mVideos, index));
}

KScnVideo* KScnSceneContents::FindVideo(const char* name)
{
    if (void* found = name != nullptr ? FindNamed(mVideos, name) : nullptr)
    {
        return static_cast<KScnVideo*>(found);
    }
    mError.SetLastErrorID(eVideoNotFound);
    return nullptr;
}

bool KScnSceneContents::AddVideo(KScnVideo* video)
{
    if (video == nullptr)
    {
        return false;
    }
    if (FindUse(mVideos, video) < 0 && NameListed(mVideos, video, video->GetName()))
    {
        mError.SetLastErrorID(eVideoNameClash);
        return false;
    }
    return AddUse(mVideos, video);
}

bool KScnSceneContents::RemoveVideo(KScnVideo* video)
{
    return RemoveUse(mVideos, video, eVideoNotFound, eVideoInUse);
}

int KScnSceneContents::GetVideoUseCount(const KScnVideo* video) const
{
    return UseCountOf(mVideos, video);
}

// ---- Generic nodes ----

KScnGenericNode* KScnSceneContents::GetGenericNode(int index)
{
    return static_cast<KScnGenericNode*>(UseAt(mGenericNodes, index));
}

KScnGenericNode* KScnSceneContents::FindGenericNode(const char* name) const
{
    return static_cast<KScnGenericNode*>(name != nullptr ? FindNamed(mGenericNodes, name) : nullptr);
}

bool KScnSceneContents::AddGenericNode(KScnGenericNode* node)
{
    return node != nullptr && AddUse(mGenericNodes, node);
}

bool KScnSceneContents::RemoveGenericNode(KScnGenericNode* node)
{
    return RemoveUse(mGenericNodes, node, eGenericNodeNotFound, eGenericNodeInUse);
}

int KScnSceneContents::GetGenericNodeUseCount(const KScnGenericNode* node) const
{
    return UseCountOf(mGenericNodes, node);
}

void KScnSceneContents::UnregisterGenericNode(KScnGenericNode* node)
{
    if (FindUse(mGenericNodes, node) >= 0)
    {
        RemoveGenericNode(node);
    }
}

// ---- Other objects ----

bool KScnSceneContents::AddObject(KScnTakeNodeContainer* object)
{
    KScnPropertyHandler* handler = object != nullptr ? object->GetPropertyHandler() : nullptr;
    if (handler == nullptr || mObjects->IsSrcConnected(handler))
    {
        return false;
    }
    return mObjects->ConnectSrc(handler);
}

bool KScnSceneContents::RemoveObject(KScnTakeNodeContainer* object)
{
    if (object == nullptr)
    {
        return true;
    }
    KScnPropertyHandler* handler = object->GetPropertyHandler();
    if (handler == nullptr || !mObjects->DisconnectSrc(handler))
    {
        mError.SetLastErrorID(eObjectNotFound);
        return false;
    }
    return true;
}

int KScnSceneContents::GetObjectCount(int classId) const
{
    return mObjects->GetSrcCount(classId);
}

KScnTakeNodeContainer* KScnSceneContents::GetObject(int index, int classId) const
{
    return OwnerOf(mObjects->GetSrc(index, classId));
}

int KScnSceneContents::GetObjectCountOfKind(int kind) const
{
    const KindIndex& kinds = Kinds();
    const auto found = kinds.byKind.find(kind);
    return found != kinds.byKind.end() ? found->second.GetCount() : 0;
}

KScnTakeNodeContainer* KScnSceneContents::GetObjectOfKind(int index, int kind) const
{
    const KindIndex& kinds = Kinds();
    const auto found = kinds.byKind.find(kind);
    if (found == kinds.byKind.end() || index < 0 || index >= found->second.GetCount())
    {
        return nullptr;
    }
    return found->second.AtRank(index);
}

int KScnSceneContents::GetConstraintCount() const
{
    return GetObjectCount(KScnConstraintProperty::ClassId);
}

KScnConstraint* KScnSceneContents::GetConstraint(int index) const
{
    return dynamic_cast<KScnConstraint*>(GetObject(index, KScnConstraintProperty::ClassId));
}

KScnConstraint* KScnSceneContents::FindConstraint(const char* name) const
{
    for (int i = 0; name != nullptr && i < GetConstraintCount(); ++i)
    {
        KScnConstraint* constraint = GetConstraint(i);
        if (constraint != nullptr && std::strcmp(constraint->GetName(), name) == 0)
        {
            return constraint;
        }
    }
    return nullptr;
}

int KScnSceneContents::GetDeformerCount(int type) const
{
    if (type < eAnyDeformer || type > eClusterDeformer)
    {
        return 0;
    }
    return Kinds().deformers[type].GetCount();
}

KScnDeformer* KScnSceneContents::GetDeformer(int index, int type) const
{
    if (type < eAnyDeformer || type > eClusterDeformer)
    {
        return nullptr;
    }
    const KRankedList<KScnTakeNodeContainer*>& deformers = Kinds().deformers[type];
    if (index < 0 || index >= deformers.GetCount())
    {
        return nullptr;
    }
    return static_cast<KScnDeformer*>(deformers.AtRank(index));
}

// ---- The index of the searches by kind ----

KScnSceneContents::KindEntry KScnSceneContents::MakeKindEntry(KPlug* handler)
{
    KScnTakeNodeContainer* object = OwnerOf(handler);
    KindEntry entry{handler, object, object != nullptr ? object->GetObjectKind() : -1, -1, -1, -1, -1};
    if (object != nullptr && handler->IsA(KScnDeformerProperties::ClassId))
    {
        if (const auto* deformer = dynamic_cast<const KScnDeformer*>(object))
        {
            entry.deformerType = deformer->GetDeformerKind();
        }
    }
    return entry;
}

void KScnSceneContents::IndexEntry(KindIndex& index, const KindEntry& given)
{
    KindEntry entry = given;
    if (entry.object != nullptr)
    {
        entry.kindSlot = index.byKind[entry.kind].Append(entry.object);
        ++index.objects[entry.object];
        if (entry.deformerType >= 0)
        {
            entry.anyDeformerSlot = index.deformers[eAnyDeformer].Append(entry.object);
            if (entry.deformerType == eSkinDeformer || entry.deformerType == eClusterDeformer)
            {
                entry.typeSlot = index.deformers[entry.deformerType].Append(entry.object);
            }
        }
    }
    index.entries.Append(entry);
}

void KScnSceneContents::UnindexEntry(KindIndex& index, int rank)
{
    const int slot = index.entries.SlotOfRank(rank);
    const KindEntry entry = index.entries.AtSlot(slot);
    index.entries.Erase(slot);
    if (entry.object != nullptr)
    {
        index.byKind[entry.kind].Erase(entry.kindSlot);
        if (--index.objects[entry.object] <= 0)
        {
            index.objects.erase(entry.object);
        }
        if (entry.deformerType >= 0)
        {
            index.deformers[eAnyDeformer].Erase(entry.anyDeformerSlot);
            if (entry.typeSlot >= 0)
            {
                index.deformers[entry.deformerType].Erase(entry.typeSlot);
            }
        }
    }
}

bool KScnSceneContents::KindsCurrent() const
{
    return mKinds.valid && mKinds.entries.GetCount() == mObjects->GetSrcCount() &&
           mKinds.entries.GetHoleCount() <= mKinds.entries.GetCount() + 16;
}

const KScnSceneContents::KindIndex& KScnSceneContents::Kinds() const
{
    // Holes are squeezed out (in time linear in what is left) once they
    // outnumber the entries: the removals since paid for it.
    if (KindsCurrent())
    {
        return mKinds;
    }
    mKinds = KindIndex();
    const int count = mObjects->GetSrcCount();
    for (int i = 0; i < count; ++i)
    {
        IndexEntry(mKinds, MakeKindEntry(mObjects->GetSrc(i)));
    }
    KSearchWork::Add(static_cast<uint64_t>(count));
    mKinds.valid = true;
    return mKinds;
}

void KScnSceneContents::OnObjectListChange(int code, int index, KPlug* source)
{
    // Requests and the announcements before a change change nothing yet.
    if (code == KPlug::eRequestSrc || code == KPlug::eSrcAdding || code == KPlug::eSrcRemoving)
    {
        return;
    }
    const int count = mKinds.entries.GetCount();
    if (code == KPlug::eSrcAdded)
    {
        NoteListing(OwnerOf(source), 1);
        if (mKinds.valid && index == count && mObjects->GetSrcCount() == count + 1)
        {
            IndexEntry(mKinds, MakeKindEntry(source));
            return;
        }
    }
    else if (code == KPlug::eSrcRemoved)
    {
        // The owner may be half destroyed already: the entry knows it.
        const bool known =
            mKinds.valid && index >= 0 && index < count && mKinds.entries.AtRank(index).handler == source;
        const void* object = known ? mKinds.entries.AtRank(index).object : nullptr;
        if (known && mObjects->GetSrcCount() == count - 1)
        {
            UnindexEntry(mKinds, index);
            NoteListing(object, -1);
            return;
        }
        // Unknown: the manager keeps the listing, which only costs a visit.
    }
    else if (code < KPlug::eReplaceSrcSideBegin || code > KPlug::eReplaceDstSideEnd)
    {
        return;
    }
    mKinds.valid = false;
}

// ---- Uses through connections ----

int KScnSceneContents::UseRank(const KScnTakeNodeContainer* object)
{
    switch (object->GetObjectKind())
    {
    case KScnObject::eKindNode:
        return 0;
    case KScnObject::eKindMaterial:
        return 1;
    case KScnObject::eKindTexture:
        return 2;
    case KScnObject::eKindVideo:
        return 3;
    default:
        return dynamic_cast<const KScnGenericNode*>(object) != nullptr ? 0 : -1;
    }
}

void KScnSceneContents::OnUseConnection(KPlug* userPlug, KScnPropertyHandler* usedSet, bool connected)
{
    KScnTakeNodeContainer* user = UserOf(userPlug);
    if (user == nullptr || usedSet == nullptr)
    {
        return;
    }
    KScnTakeNodeContainer* used = nullptr;
    auto tell = [&](KScnSceneContents* contents)
    {
        used = used != nullptr ? used : usedSet->GetOwner();
        if (used == nullptr)
        {
            return;
        }
        if (connected)
        {
            contents->CountUse(user, used);
        }
        else
        {
            contents->DropUse(dynamic_cast<const void*>(user), dynamic_cast<const void*>(used));
        }
    };
    // A node is listed by its own contents only: told without a list made
    // (a node's every connection comes here).
    if (user->GetObjectKind() == KScnObject::eKindNode)
    {
        if (KScnSceneContents* contents = static_cast<KScnNode*>(user)->GetSceneContents())
        {
            tell(contents);
        }
    }
    else if (KScnSdkManager* manager = user->GetSdkManager())
    {
        // The listings change as uses come and go: told from a copy, on the
        // stack for the few contents that list an object, so that a
        // disconnection takes no memory.
        const void* key = dynamic_cast<const void*>(user);
        constexpr size_t kFew = 8;
        KScnSceneContents* few[kFew];
        const auto range = manager->mListings.equal_range(key);
        const size_t count = static_cast<size_t>(std::distance(range.first, range.second));
        if (count > kFew)
        {
            for (KScnSceneContents* contents : manager->ContentsListing(key))
            {
                tell(contents);
            }
            return;
        }
        std::transform(range.first, range.second, few, [](const auto& listing) { return listing.second; });
        std::for_each(few, few + count, tell);
    }
}

bool KScnSceneContents::HasConnectedUsers(const void* object) const
{
    return mUsersOf.count(object) != 0;
}

KScnSceneContents::UseList* KScnSceneContents::UseListOf(const KScnTakeNodeContainer* user,
                                                         const KScnTakeNodeContainer* used)
{
    const int userRank = UseRank(user), usedRank = UseRank(used);
    if (userRank < 0 || usedRank <= userRank)
    {
        return nullptr;
    }
    return usedRank == 1 ? &mMaterials : (usedRank == 2 ? &mTextures : &mVideos);
}

KScnTakeNodeContainer* KScnSceneContents::ObjectOf(const UseList& list, void* object) const
{
    if (&list == &mMaterials)
    {
        return static_cast<KScnMaterial*>(object);
    }
    if (&list == &mTextures)
    {
        return static_cast<KScnTexture*>(object);
    }
    if (&list == &mVideos)
    {
        return static_cast<KScnVideo*>(object);
    }
    return static_cast<KScnGenericNode*>(object);
}

bool KScnSceneContents::ListsUser(const KScnTakeNodeContainer* user) const
{
    // Objects are listed under their own addresses (what AddMaterial and
    // the others are given), behind which their base part may lie.
    const void* key = dynamic_cast<const void*>(user);
    switch (user->GetObjectKind())
    {
    case KScnObject::eKindNode:
        return mNodeSet.count(static_cast<const KScnNode*>(key)) != 0;
    case KScnObject::eKindMaterial:
        return FindUse(mMaterials, key) >= 0;
    case KScnObject::eKindTexture:
        return FindUse(mTextures, key) >= 0;
    default:
        return FindUse(mGenericNodes, key) >= 0;
    }
}

size_t KScnSceneContents::NameHash(const char* name)
{
    return std::hash<std::string_view>()(std::string_view(name != nullptr ? name : ""));
}

void KScnSceneContents::LinkName(UseList& list, UseRecord* record)
{
    UseRecord*& first = mRecordNames[NameKeyOf(list, record->nameHash)];
    record->namePrevious = nullptr;
    record->nameNext = first;
    if (first != nullptr)
    {
        first->namePrevious = record;
    }
    first = record;
}

void KScnSceneContents::UnlinkName(const UseList& list, UseRecord* record)
{
    if (record->namePrevious != nullptr)
    {
        record->namePrevious->nameNext = record->nameNext;
    }
    else
    {
        const auto entry = mRecordNames.find(NameKeyOf(list, record->nameHash));
        if (entry != mRecordNames.end() && entry->second == record)
        {
            if (record->nameNext != nullptr)
            {
                entry->second = record->nameNext;
            }
            else
            {
                mRecordNames.erase(entry);
            }
        }
    }
    if (record->nameNext != nullptr)
    {
        record->nameNext->namePrevious = record->namePrevious;
    }
    record->namePrevious = record->nameNext = nullptr;
}

bool KScnSceneContents::NameListed(const UseList& list, const void* object, const char* name,
                                   const void* also) const
{
    const auto entry = mRecordNames.find(NameKeyOf(list, NameHash(name)));
    for (UseRecord* record = entry != mRecordNames.end() ? entry->second : nullptr; record != nullptr;
         record = record->nameNext)
    {
        void* other = record->object;
        if (other != object && other != also && std::strcmp(ObjectOf(list, other)->GetName(), name) == 0)
        {
            return true;
        }
    }
    return false;
}

void* KScnSceneContents::FindNamed(const UseList& list, const char* name) const
{
    // The chain holds the records of the name (and of any other name of
    // its hash) in no order: the first in the list wins.
    const UseRecord* first = nullptr;
    const auto entry = mRecordNames.find(NameKeyOf(list, NameHash(name)));
    for (const UseRecord* record = entry != mRecordNames.end() ? entry->second : nullptr; record != nullptr;
         record = record->nameNext)
    {
        if ((first == nullptr || record->position < first->position) &&
            std::strcmp(ObjectOf(list, record->object)->GetName(), name) == 0)
        {
            first = record;
        }
    }
    return first != nullptr ? first->object : nullptr;
}

void KScnSceneContents::CountUse(KScnTakeNodeContainer* user, KScnTakeNodeContainer* used)
{
    UseList* list = UseListOf(user, used);
    if (list == nullptr || !ListsUser(user))
    {
        return;
    }
    // Records and uses go by the objects' own addresses (ListsUser).
    void* object = dynamic_cast<void*>(used);
    const int listed = FindUse(*list, object);
    const bool counted = listed >= 0 || !NameListed(*list, object, used->GetName());
    const void* key = dynamic_cast<const void*>(user);
    try
    {
        mUsesBy[key].push_back(ConnectionUse{object, list, counted});
        mUsersOf[object].push_back(key);
        if (!counted)
        {
            PassOver(*list, object);
            return;
        }
        if (listed >= 0)
        {
            // Already listed (the common case: one more user of it): the
            // record found above is counted, not looked for again.
            UseRecord* record = list->AtSlot(listed);
            ++record->useCount;
            ++record->connectionUses;
            return;
        }
        AddUse(*list, object);
        ++list->AtSlot(FindUse(*list, object))->connectionUses;
    }
    catch (...)
    {
        Unrecord(key, object);
        throw;
    }
}

bool KScnSceneContents::Unrecord(const void* user, const void* object, ConnectionUse* removed)
{
    bool found = false;
    const auto uses = mUsesBy.find(user);
    if (uses != mUsesBy.end())
    {
        std::vector<ConnectionUse>& list = uses->second;
        // The newest first (a failed count takes back the use it just noted).
        const auto use = std::find_if(list.rbegin(), list.rend(),
                                      [object](const ConnectionUse& u) { return u.object == object; });
        if (use != list.rend())
        {
            found = true;
            if (removed != nullptr)
            {
                *removed = *use;
            }
            list.erase(std::next(use).base());
        }
        if (list.empty())
        {
            mUsesBy.erase(uses);
        }
    }
    const auto users = mUsersOf.find(object);
    if (users != mUsersOf.end())
    {
        std::vector<const void*>& list = users->second;
        const auto found = std::find(list.begin(), list.end(), user);
        if (found != list.end())
        {
            list.erase(found);
        }
        if (list.empty())
        {
            mUsersOf.erase(users);
        }
    }
    return found;
}

void KScnSceneContents::Release(const ConnectionUse& use)
{
    if (use.counted)
    {
        ReleaseUse(*use.list, use.object);
    }
    else
    {
        UnpassOver(use.object);
    }
}

void KScnSceneContents::DropUse(const void* user, const void* used)
{
    ConnectionUse use{};
    if (Unrecord(user, used, &use))
    {
        Release(use);
    }
}

void KScnSceneContents::PassOver(UseList& list, const void* object)
{
    const auto found = mPassedOver.find(object);
    if (found != mPassedOver.end())
    {
        ++found->second.uses;
        return;
    }
    // The chain's entry, the entry, then the listing, each taken back when
    // memory runs out in a later one.
    const size_t hash = NameHash(ObjectOf(list, const_cast<void*>(object))->GetName());
    const auto chain = mPassedNames.try_emplace(NameKeyOf(list, hash));
    PassedOver* entry = nullptr;
    try
    {
        entry = &mPassedOver.emplace(object, PassedOver{&list, 1, mPassOrder++, object}).first->second;
    }
    catch (...)
    {
        if (chain.second)
        {
            mPassedNames.erase(chain.first);
        }
        throw;
    }
    entry->nameHash = hash;
    LinkPassed(*entry);
    // Noted as listed, so that the manager tells these contents when it
    // goes or is renamed.
    try
    {
        NoteListing(object, 1);
    }
    catch (...)
    {
        ErasePassed(object);
        throw;
    }
}

void KScnSceneContents::LinkPassed(PassedOver& entry)
{
    PassedChain& chain = mPassedNames[NameKeyOf(*entry.list, entry.nameHash)];
    // From the end: an entry passed over now is the last.
    PassedOver* before = chain.last;
    while (before != nullptr && before->order > entry.order)
    {
        before = before->namePrevious;
    }
    entry.namePrevious = before;
    entry.nameNext = before != nullptr ? before->nameNext : chain.first;
    (entry.nameNext != nullptr ? entry.nameNext->namePrevious : chain.last) = &entry;
    (before != nullptr ? before->nameNext : chain.first) = &entry;
}

void KScnSceneContents::UnlinkPassed(PassedOver& entry)
{
    const auto chain = mPassedNames.find(NameKeyOf(*entry.list, entry.nameHash));
    if (chain == mPassedNames.end())
    {
        return;
    }
    (entry.namePrevious != nullptr ? entry.namePrevious->nameNext : chain->second.first) = entry.nameNext;
    (entry.nameNext != nullptr ? entry.nameNext->namePrevious : chain->second.last) = entry.namePrevious;
    entry.namePrevious = entry.nameNext = nullptr;
    if (chain->second.first == nullptr)
    {
        mPassedNames.erase(chain);
    }
}

void KScnSceneContents::Adopt(PassedOver& entry)
{
    if (entry.adopted)
    {
        return;
    }
    entry.adopted = true;
    entry.adoptedPrevious = nullptr;
    entry.adoptedNext = mAdopted;
    if (mAdopted != nullptr)
    {
        mAdopted->adoptedPrevious = &entry;
    }
    mAdopted = &entry;
}

void KScnSceneContents::Unadopt(PassedOver& entry)
{
    if (!entry.adopted)
    {
        return;
    }
    entry.adopted = false;
    (entry.adoptedPrevious != nullptr ? entry.adoptedPrevious->adoptedNext : mAdopted) = entry.adoptedNext;
    if (entry.adoptedNext != nullptr)
    {
        entry.adoptedNext->adoptedPrevious = entry.adoptedPrevious;
    }
    entry.adoptedPrevious = entry.adoptedNext = nullptr;
}

void KScnSceneContents::ErasePassed(const void* object)
{
    const auto found = mPassedOver.find(object);
    if (found == mPassedOver.end())
    {
        return;
    }
    UnlinkPassed(found->second);
    Unadopt(found->second);
    mPassedOver.erase(found);
}

void KScnSceneContents::UnpassOver(const void* object)
{
    const auto found = mPassedOver.find(object);
    if (found != mPassedOver.end() && --found->second.uses <= 0)
    {
        ErasePassed(object);
        NoteListing(object, -1);
    }
}

int KScnSceneContents::AdoptPassedOver(const void* object)
{
    const auto found = mPassedOver.find(object);
    if (found == mPassedOver.end() || found->second.adopted)
    {
        return 0;
    }
    const int uses = found->second.uses;
    if (mStaging)
    {
        Adopt(found->second);
    }
    else
    {
        ErasePassed(object);
        NoteListing(object, -1);
    }
    MarkUses(object, true);
    return uses;
}

KScnSceneContents::PassedOver* KScnSceneContents::FirstPassedOver(const UseList& list, const char* name)
{
    const auto chain = mPassedNames.find(NameKeyOf(list, NameHash(name)));
    for (PassedOver* entry = chain != mPassedNames.end() ? chain->second.first : nullptr; entry != nullptr;
         entry = entry->nameNext)
    {
        if (!entry->adopted &&
            std::strcmp(ObjectOf(list, const_cast<void*>(entry->object))->GetName(), name) == 0)
        {
            return entry;
        }
    }
    return nullptr;
}

void* KScnSceneContents::HandOver(UseList& list, UseRecord* record)
{
    if (mPassedOver.empty())
    {
        return nullptr;
    }
    const char* name = ObjectOf(list, record->object)->GetName();
    const PassedOver* heir = FirstPassedOver(list, name);
    if (heir == nullptr || NameListed(list, record->object, name, heir->object))
    {
        return nullptr;
    }
    void* object = const_cast<void*>(heir->object);
    // Its listing as passed over becomes that of the record (AdoptPassedOver
    // takes one back: given here first).
    NoteListing(object, 1);
    const int uses = AdoptPassedOver(object);
    auto node = mRecordIndex.extract(KeyOf(list, record->object));
    // The heir has the name of the object it follows: the record keeps its
    // place in the name index.
    record->object = object;
    record->useCount = uses;
    record->connectionUses = uses;
    if (!node.empty())
    {
        node.key() = KeyOf(list, object);
        node.mapped() = record;
        mRecordIndex.insert(std::move(node));
    }
    return object;
}

void KScnSceneContents::PrepareRename(const void* object, const char* name)
{
    mRename = PendingRename();
    UseList* list = nullptr;
    for (UseList* each : {&mMaterials, &mTextures, &mVideos, &mGenericNodes})
    {
        if (FindUse(*each, object) >= 0)
        {
            list = each;
        }
    }
    const auto passed = mPassedOver.find(object);
    const bool listed = passed == mPassedOver.end();
    if (!listed)
    {
        list = passed->second.list;
    }
    const char* before = list != nullptr ? ObjectOf(*list, const_cast<void*>(object))->GetName() : "";
    const char* after = name != nullptr ? name : "";
    if (list == nullptr || std::strcmp(before, after) == 0)
    {
        return;
    }
    mRename.object = object;
    mRename.list = list;
    mRename.hash = NameHash(after);
    // What the rename lets count: leaving its name free, the object hands
    // it to the first passed over of it; passed over, it counts when no
    // listed one has its new name (nothing else is passed over for a name
    // no listed one has).
    void* heir = nullptr;
    if (listed && !NameListed(*list, object, before))
    {
        const PassedOver* first = FirstPassedOver(*list, before);
        heir = first != nullptr ? const_cast<void*>(first->object) : nullptr;
    }
    else if (!listed && !NameListed(*list, object, after))
    {
        heir = const_cast<void*>(object);
    }
    const NameKey key = NameKeyOf(*list, mRename.hash);
    try
    {
        if (listed || heir == object)
        {
            mRename.recordRoom = mRecordNames.try_emplace(key, nullptr).second;
        }
        if (!listed)
        {
            mRename.passedRoom = mPassedNames.try_emplace(key).second;
        }
        if (heir != nullptr)
        {
            mStaging = true;
            AddUse(*list, heir, 0);
            mRename.listed = heir;
        }
    }
    catch (...)
    {
        CancelRename();
        throw;
    }
}

void KScnSceneContents::CancelRename()
{
    if (mRename.object == nullptr)
    {
        return;
    }
    if (mRename.listed != nullptr)
    {
        TakeBackListing(*mRename.list, mRename.listed, 0);
    }
    FinishRename();
}

void KScnSceneContents::FinishRename()
{
    if (mRename.object == nullptr)
    {
        return;
    }
    UseList& list = *mRename.list;
    const NameKey key = NameKeyOf(list, mRename.hash);
    // The object's entries go under its new name (after a cancel the name
    // is the old one: nothing moves). The entries of the new name were made
    // before, so that this takes no memory.
    const bool renamed =
        NameHash(ObjectOf(list, const_cast<void*>(mRename.object))->GetName()) == mRename.hash;
    const int slot = FindUse(list, mRename.object);
    UseRecord* record = slot >= 0 ? list.AtSlot(slot) : nullptr;
    if (renamed && record != nullptr && record->nameHash != mRename.hash && mRecordNames.count(key) != 0)
    {
        UnlinkName(list, record);
        record->nameHash = mRename.hash;
        LinkName(list, record);
    }
    const auto passed = mPassedOver.find(mRename.object);
    if (renamed && passed != mPassedOver.end() && passed->second.nameHash != mRename.hash &&
        mPassedNames.count(key) != 0)
    {
        UnlinkPassed(passed->second);
        passed->second.nameHash = mRename.hash;
        LinkPassed(passed->second);
    }
    EndStaging();
    // Room made and not taken.
    const auto records = mRecordNames.find(key);
    if (mRename.recordRoom && records != mRecordNames.end() && records->second == nullptr)
    {
        mRecordNames.erase(records);
    }
    const auto chain = mPassedNames.find(key);
    if (mRename.passedRoom && chain != mPassedNames.end() && chain->second.first == nullptr)
    {
        mPassedNames.erase(chain);
    }
    mRename = PendingRename();
}

void KScnSceneContents::JoinUses(KScnTakeNodeContainer* user)
{
    KScnPropertyHandler* set =
        user != nullptr && UseRank(user) >= 0 && UseRank(user) < 3 ? user->GetPropertyHandler() : nullptr;
    if (set == nullptr)
    {
        return;
    }
    const bool reserved = ReserveUses(user, set->GetSrcCount());
    try
    {
        // What is connected to the set, then to each of its properties, a
        // batch of owners at a time (SourceOwners), and what counting them
        // reads of the records asked for before any is counted. Counting
        // changes no connection.
        KScnTakeNodeContainer* owners[kOwnerBatch];
        for (int p = -1; p < set->GetPropertyCount(); ++p)
        {
            KPlug* plug = p < 0 ? static_cast<KPlug*>(set) : set->GetProperty(p);
            for (int first = 0; plug != nullptr && first < plug->GetSrcCount(); first += kOwnerBatch)
            {
                const int count = SourceOwners(plug, first, owners);
                for (int i = 0; i < count; ++i)
                {
                    PrefetchCount(user, owners[i]);
                }
                for (int i = 0; i < count; ++i)
                {
                    if (owners[i] != nullptr)
                    {
                        CountUse(user, owners[i]);
                    }
                }
            }
        }
    }
    catch (...)
    {
        // Room asked for and not used goes again (the uses counted are the
        // caller's to take back).
        const auto uses = reserved ? mUsesBy.find(dynamic_cast<const void*>(user)) : mUsesBy.end();
        if (uses != mUsesBy.end() && uses->second.empty())
        {
            mUsesBy.erase(uses);
        }
        throw;
    }
    const auto uses = reserved ? mUsesBy.find(dynamic_cast<const void*>(user)) : mUsesBy.end();
    if (uses != mUsesBy.end() && uses->second.empty())
    {
        mUsesBy.erase(uses);
    }
}

int KScnSceneContents::SourceOwners(KPlug* plug, int first, KScnTakeNodeContainer** owners)
{
    const int count = std::max(0, std::min(kOwnerBatch, plug->GetSrcCount() - first));
    for (int i = 0; i < count; ++i)
    {
        owners[i] = OwnerOf(plug->GetSrc(first + i));
        __builtin_prefetch(owners[i]);
    }
    return count;
}

bool KScnSceneContents::ReserveUses(const KScnTakeNodeContainer* user, int count)
{
    if (count < 2 || !ListsUser(user))
    {
        return false;
    }
    const void* key = dynamic_cast<const void*>(user);
    std::vector<ConnectionUse>& uses = mUsesBy[key];
    try
    {
        uses.reserve(uses.size() + static_cast<size_t>(count));
    }
    catch (...)
    {
        if (uses.empty())
        {
            mUsesBy.erase(key);
        }
        throw;
    }
    return true;
}

void KScnSceneContents::PrefetchCount(KScnTakeNodeContainer* user, KScnTakeNodeContainer* used)
{
    const UseList* list = used != nullptr ? UseListOf(user, used) : nullptr;
    if (list == nullptr)
    {
        return;
    }
    const void* object = dynamic_cast<const void*>(used);
    const auto record = mRecordIndex.find(KeyOf(*list, object));
    if (record != mRecordIndex.end())
    {
        __builtin_prefetch(record->second);
    }
    const auto users = mUsersOf.find(object);
    if (users != mUsersOf.end())
    {
        __builtin_prefetch(users->second.data() + users->second.size());
    }
}

void KScnSceneContents::LeaveUses(const void* user)
{
    const auto found = mUsesBy.find(user);
    if (found == mUsesBy.end())
    {
        return;
    }
    const std::vector<ConnectionUse> uses = std::move(found->second);
    mUsesBy.erase(found);
    // Every use forgotten, and those passed over given back, before a
    // counted one is: a record that goes may hand its place to an object
    // this user used too.
    for (const ConnectionUse& use : uses)
    {
        Unrecord(user, use.object);
    }
    for (bool counted : {false, true})
    {
        for (const ConnectionUse& use : uses)
        {
            if (use.counted == counted)
            {
                Release(use);
            }
        }
    }
}

void KScnSceneContents::ReleaseUse(UseList& list, const void* object)
{
    const int index = FindUse(list, object);
    if (index < 0)
    {
        return;
    }
    UseRecord* record = list.AtSlot(index);
    if (record->connectionUses > 0)
    {
        --record->connectionUses;
    }
    if (--record->useCount <= 0)
    {
        DeleteRecordAt(list, index);
    }
}

void KScnSceneContents::NoteListing(const void* object, int change)
{
    if (object == nullptr || mManager == nullptr)
    {
        return;
    }
    // A removal finds its count (it allocates nothing: dying objects come here).
    auto found = mListings.find(object);
    if (found == mListings.end() && change <= 0)
    {
        return;
    }
    int& count = found != mListings.end() ? found->second : mListings[object];
    const int before = count;
    count += change;
    if (before <= 0 && count > 0)
    {
        // Refused, the count goes back too: a count the manager does not
        // know of would keep it from telling these contents.
        try
        {
            mManager->NoteListing(object, this, true);
        }
        catch (...)
        {
            mListings.erase(object);
            throw;
        }
    }
    else if (count <= 0)
    {
        mListings.erase(object);
        if (before > 0)
        {
            mManager->NoteListing(object, this, false);
        }
    }
}

} // namespace scenesdk
