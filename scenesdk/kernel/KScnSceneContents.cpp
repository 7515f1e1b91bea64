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
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
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
        auto* generic = static_cast<KScnGenericNode*>(mGenericNodes[mGenericNodes.GetCount() - 1]->object);
        DeleteRecordAt(mGenericNodes, mGenericNodes.GetCount() - 1);
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
    for (KPointerArray<UseRecord>* list : {&mMaterials, &mTextures, &mVideos, &mGenericNodes})
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

KPointerArray<KScnSceneContents::UseRecord>* KScnSceneContents::OwnList(const KScnSceneContents& staged,
                                                                        const KPointerArray<UseRecord>* list)
{
    KPointerArray<UseRecord>* const own[] = {&mMaterials, &mTextures, &mVideos, &mGenericNodes};
    return own[staged.ListIndex(*list)];
}

KPointerArray<KScnSceneContents::UseRecord>& KScnSceneContents::ListOfRank(int rank)
{
    return rank == 1 ? mMaterials : (rank == 2 ? mTextures : mVideos);
}

void KScnSceneContents::TakeBackUse(KPointerArray<UseRecord>& list, const void* object)
{
    const int index = FindUse(list, object);
    if (index < 0)
    {
        return;
    }
    UseRecord* record = list[index];
    const auto passed = mPassedOver.find(object);
    const bool adopted = passed != mPassedOver.end() && passed->second.adopted;
    if (--record->useCount > (adopted ? passed->second.uses : 0))
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
    DropRecordAt(list, index);
    NoteListing(object, -1);
    passed->second.adopted = false;
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
    for (auto it = mPassedOver.begin(); it != mPassedOver.end();)
    {
        if (it->second.adopted)
        {
            const void* object = it->first;
            it = mPassedOver.erase(it);
            NoteListing(object, -1);
        }
        else
        {
            ++it;
        }
    }
}

int KScnSceneContents::ListIndex(const KPointerArray<UseRecord>& list) const
{
    return &list == &mMaterials ? 0 : (&list == &mTextures ? 1 : (&list == &mVideos ? 2 : 3));
}

void KScnSceneContents::TakeOver(KScnSceneContents& staged)
{
    // The lists' items in their order, into the room made for them.
    auto move = [](auto& to, auto& from)
    {
        for (int i = 0; i < from.GetCount(); ++i)
        {
            to.Add(from[i]);
        }
        from.SetCount(0);
    };
    move(mNodes, staged.mNodes);
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
    mPassedOver.swap(staged.mPassedOver);
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

int KScnSceneContents::FindUse(const KPointerArray<UseRecord>& list, const void* object) const
{
    const auto found = mRecordIndex.find(KeyOf(list, object));
    if (found == mRecordIndex.end())
    {
        return -1;
    }
    UseRecord* record = found->second;
    if (record->position >= 0 && record->position < list.GetCount() && list[record->position] == record)
    {
        return record->position;
    }
    // Only a list changed behind the records' backs gets here.
    for (int i = list.GetCount() - 1; i >= 0; --i)
    {
        if (list[i] == record)
        {
            KSearchWork::Add(static_cast<uint64_t>(list.GetCount() - i));
            record->position = i;
            return i;
        }
    }
    return -1;
}

int KScnSceneContents::UseCountOf(const KPointerArray<UseRecord>& list, const void* object) const
{
    const int index = FindUse(list, object);
    return index >= 0 ? list[index]->useCount : 0;
}

bool KScnSceneContents::AddUse(KPointerArray<UseRecord>& list, void* object, int uses)
{
    const int index = FindUse(list, object);
    if (index >= 0)
    {
        list[index]->useCount += uses;
        return true;
    }
    // Indexed, listed, then noted, each step taken back when memory runs
    // out in a later one: FindUse sees every record, and no record outlives
    // its object unnoticed.
    KScnReadMeter::Count(KScnReadMeter::eUseRecords, KScnReadMeter::kUseRecordBytes);
    auto record = std::make_unique<UseRecord>(UseRecord{object, uses, 0, list.GetCount()});
    const auto slot = mRecordIndex.insert_or_assign(KeyOf(list, object), record.get()).first;
    try
    {
        list.Append(record.get());
    }
    catch (...)
    {
        mRecordIndex.erase(slot);
        throw;
    }
    record.release();
    try
    {
        NoteListing(object, 1);
    }
    catch (...)
    {
        DeleteRecordAt(list, list.GetCount() - 1);
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
    UseRecord* added = list[FindUse(list, object)];
    const int adopted = AdoptPassedOver(object);
    added->useCount += adopted;
    added->connectionUses += adopted;
    return true;
}

void KScnSceneContents::DropRecordAt(KPointerArray<UseRecord>& list, int index)
{
    auto it = mRecordIndex.find(KeyOf(list, list[index]->object));
    if (it != mRecordIndex.end() && it->second == list[index])
    {
        mRecordIndex.erase(it);
    }
    delete list[index];
    list.RemoveAt(index);
    // The records after it moved down one place, as the array did.
    for (int i = index; i < list.GetCount(); ++i)
    {
        list[i]->position = i;
    }
}

void KScnSceneContents::DeleteRecordAt(KPointerArray<UseRecord>& list, int index)
{
    const void* object = list[index]->object;
    void* heir = HandOver(list, list[index]);
    if (heir == nullptr)
    {
        DropRecordAt(list, index);
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

bool KScnSceneContents::RemoveUse(KPointerArray<UseRecord>& list, void* object, int notFound, int inUse)
{
    const int index = object != nullptr ? FindUse(list, object) : -1;
    if (index < 0)
    {
        mError.SetLastErrorID(notFound);
        return false;
    }
    // Uses that connections count go only with their connections.
    if (list[index]->useCount <= list[index]->connectionUses || --list[index]->useCount > 0)
    {
        mError.SetLastErrorID(inUse);
        return false;
    }
    DeleteRecordAt(list, index);
    return true;
}

void* KScnSceneContents::UseAt(const KPointerArray<UseRecord>& list, int index)
{
    if (index < 0 || index >= list.GetCount())
    {
        mError.SetLastErrorID(eOutOfRange);
        return nullptr;
    }
    return list[index]->object;
}

void KScnSceneContents::DeleteRecords(KPointerArray<UseRecord>& list)
{
    for (int i = 0; i < list.GetCount(); ++i)
    {
        auto it = mRecordIndex.find(KeyOf(list, list[i]->object));
        if (it != mRecordIndex.end() && it->second == list[i])
        {
            mRecordIndex.erase(it);
        }
        NoteListing(list[i]->object, -1);
        delete list[i];
    }
    list.SetCount(0);
}

// ---- Materials and textures ----

KScnMaterial* KScnSceneContents::GetMaterial(int index)
{
    return static_cast<KScnMaterial*>(UseAt(mMaterials, index));
}

KScnMaterial* KScnSceneContents::FindMaterial(const char* name)
{
    for (int i = 0; name != nullptr && i < mMaterials.GetCount(); ++i)
    {
        KScnMaterial* material = static_cast<KScnMaterial*>(mMaterials[i]->object);
        if (std::strcmp(material->GetName(), name) == 0)
        {
            return material;
        }
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
    for (int i = 0; name != nullptr && i < mTextures.GetCount(); ++i)
    {
        KScnTexture* texture = static_cast<KScnTexture*>(mTextures[i]->object);
        if (std::strcmp(texture->GetName(), name) == 0)
        {
            return texture;
        }
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
    for (int i = 0; name != nullptr && i < mVideos.GetCount(); ++i)
    {
        KScnVideo* video = static_cast<KScnVideo*>(mVideos[i]->object);
        if (std::strcmp(video->GetName(), name) == 0)
        {
            return video;
        }
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
    if (FindUse(mVideos, video) < 0)
    {
        for (int i = 0; i < mVideos.GetCount(); ++i)
        {
            if (std::strcmp(static_cast<KScnVideo*>(mVideos[i]->object)->GetName(), video->GetName()) == 0)
            {
                mError.SetLastErrorID(eVideoNameClash);
                return false;
            }
        }
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
    for (int i = 0; name != nullptr && i < mGenericNodes.GetCount(); ++i)
    {
        KScnGenericNode* node = static_cast<KScnGenericNode*>(mGenericNodes[i]->object);
        if (std::strcmp(node->GetName(), name) == 0)
        {
            return node;
        }
    }
    return nullptr;
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
    else if (user->GetSdkManager() != nullptr)
    {
        for (KScnSceneContents* contents : user->GetSdkManager()->ContentsListing(dynamic_cast<const void*>(user)))
        {
            tell(contents);
        }
    }
}

bool KScnSceneContents::HasConnectedUsers(const void* object) const
{
    return mUsersOf.count(object) != 0;
}

KPointerArray<KScnSceneContents::UseRecord>* KScnSceneContents::UseListOf(const KScnTakeNodeContainer* user,
                                                                          const KScnTakeNodeContainer* used)
{
    const int userRank = UseRank(user), usedRank = UseRank(used);
    if (userRank < 0 || usedRank <= userRank)
    {
        return nullptr;
    }
    return usedRank == 1 ? &mMaterials : (usedRank == 2 ? &mTextures : &mVideos);
}

KScnTakeNodeContainer* KScnSceneContents::ObjectOf(const KPointerArray<UseRecord>& list, void* object) const
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

bool KScnSceneContents::NameListed(const KPointerArray<UseRecord>& list, const void* object, const char* name,
                                   const void* also) const
{
    for (int i = 0; i < list.GetCount(); ++i)
    {
        void* other = list[i]->object;
        if (other != object && other != also && std::strcmp(ObjectOf(list, other)->GetName(), name) == 0)
        {
            return true;
        }
    }
    return false;
}

void KScnSceneContents::CountUse(KScnTakeNodeContainer* user, KScnTakeNodeContainer* used)
{
    KPointerArray<UseRecord>* list = UseListOf(user, used);
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
            UseRecord* record = (*list)[listed];
            ++record->useCount;
            ++record->connectionUses;
            return;
        }
        AddUse(*list, object);
        ++(*list)[FindUse(*list, object)]->connectionUses;
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

void KScnSceneContents::PassOver(KPointerArray<UseRecord>& list, const void* object)
{
    const auto found = mPassedOver.find(object);
    if (found != mPassedOver.end())
    {
        ++found->second.uses;
        return;
    }
    mPassedOver.emplace(object, PassedOver{&list, 1, mPassOrder++});
    // Noted as listed, so that the manager tells these contents when it
    // goes or is renamed.
    try
    {
        NoteListing(object, 1);
    }
    catch (...)
    {
        mPassedOver.erase(object);
        throw;
    }
}

void KScnSceneContents::UnpassOver(const void* object)
{
    const auto found = mPassedOver.find(object);
    if (found != mPassedOver.end() && --found->second.uses <= 0)
    {
        mPassedOver.erase(found);
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
        found->second.adopted = true;
    }
    else
    {
        mPassedOver.erase(found);
        NoteListing(object, -1);
    }
    MarkUses(object, true);
    return uses;
}

void* KScnSceneContents::HandOver(KPointerArray<UseRecord>& list, UseRecord* record)
{
    if (mPassedOver.empty())
    {
        return nullptr;
    }
    const char* name = ObjectOf(list, record->object)->GetName();
    auto heir = mPassedOver.end();
    for (auto it = mPassedOver.begin(); it != mPassedOver.end(); ++it)
    {
        if (it->second.list == &list && !it->second.adopted &&
            (heir == mPassedOver.end() || it->second.order < heir->second.order) &&
            std::strcmp(ObjectOf(list, const_cast<void*>(it->first))->GetName(), name) == 0)
        {
            heir = it;
        }
    }
    if (heir == mPassedOver.end() || NameListed(list, record->object, name, heir->first))
    {
        return nullptr;
    }
    void* object = const_cast<void*>(heir->first);
    // Its listing as passed over becomes that of the record (AdoptPassedOver
    // takes one back: given here first).
    NoteListing(object, 1);
    const int uses = AdoptPassedOver(object);
    auto node = mRecordIndex.extract(KeyOf(list, record->object));
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

void KScnSceneContents::CountPassedOver(KPointerArray<UseRecord>& list)
{
    std::vector<std::pair<uint64_t, const void*>> waiting;
    for (const auto& entry : mPassedOver)
    {
        if (entry.second.list == &list)
        {
            waiting.emplace_back(entry.second.order, entry.first);
        }
    }
    std::sort(waiting.begin(), waiting.end());
    for (const auto& entry : waiting)
    {
        void* object = const_cast<void*>(entry.second);
        if (mPassedOver.count(object) != 0 && !NameListed(list, object, ObjectOf(list, object)->GetName()))
        {
            AddUse(list, object, 0);
        }
    }
}

void KScnSceneContents::OnObjectRenamed(const void* object)
{
    const auto passed = mPassedOver.find(object);
    if (passed != mPassedOver.end())
    {
        CountPassedOver(*passed->second.list);
        return;
    }
    for (KPointerArray<UseRecord>* list : {&mMaterials, &mTextures, &mVideos})
    {
        if (FindUse(*list, object) >= 0)
        {
            CountPassedOver(*list);
        }
    }
}

void KScnSceneContents::JoinUses(KScnTakeNodeContainer* user)
{
    KScnPropertyHandler* set =
        user != nullptr && UseRank(user) >= 0 && UseRank(user) < 3 ? user->GetPropertyHandler() : nullptr;
    if (set == nullptr)
    {
        return;
    }
    // What is connected to the set, then to each of its properties.
    for (int p = -1; p < set->GetPropertyCount(); ++p)
    {
        KPlug* plug = p < 0 ? static_cast<KPlug*>(set) : set->GetProperty(p);
        for (int i = 0; plug != nullptr && i < plug->GetSrcCount(); ++i)
        {
            if (KScnTakeNodeContainer* used = OwnerOf(plug->GetSrc(i)))
            {
                CountUse(user, used);
            }
        }
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

void KScnSceneContents::ReleaseUse(KPointerArray<UseRecord>& list, const void* object)
{
    const int index = FindUse(list, object);
    if (index < 0)
    {
        return;
    }
    if (list[index]->connectionUses > 0)
    {
        --list[index]->connectionUses;
    }
    if (--list[index]->useCount <= 0)
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
        mManager->NoteListing(object, this, true);
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
