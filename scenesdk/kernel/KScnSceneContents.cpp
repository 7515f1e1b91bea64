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
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <cstring>
#include <initializer_list>
#include <memory>
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
    auto* handler = dynamic_cast<KScnPropertyHandler*>(plug);
    return handler != nullptr ? handler->GetOwner() : nullptr;
}

bool DeformerOfType(const KScnTakeNodeContainer* object, int type)
{
    const KScnDeformer* deformer = dynamic_cast<const KScnDeformer*>(object);
    return deformer != nullptr &&
           (type == KScnSceneContents::eAnyDeformer || deformer->GetDeformerKind() == type);
}
} // namespace

KScnSceneContents::KScnSceneContents(KScnSdkManager* manager)
    : mObjects(new KGenericObjectList()),
      mError(kContentsMessages, static_cast<int>(sizeof(kContentsMessages) / sizeof(kContentsMessages[0])))
{
    if (manager != nullptr)
    {
        mRootNode = manager->CreateNode("RootNode");
        mNodes.Add(mRootNode);
        mNodeSet.insert(mRootNode);
        SetNodeLink(mRootNode, this);
    }
}

KScnSceneContents::~KScnSceneContents()
{
    Clear();
    mObjects->Destroy();
}

void KScnSceneContents::Clear()
{
    for (int i = 0; i < mNodes.GetCount(); ++i)
    {
        LeaveContents(mNodes[i], this);
    }
    mRootNode = nullptr;
    mNodes.Clear();
    mNodeSet.clear();
    DeleteRecords(mMaterials);
    DeleteRecords(mTextures);
    DeleteRecords(mVideos);
    // The generic nodes must forget these contents; their records are gone
    // first so that leaving does not come back here.
    KPointerArray<KScnGenericNode> generic(16);
    for (int i = 0; i < mGenericNodes.GetCount(); ++i)
    {
        generic.Add(static_cast<KScnGenericNode*>(mGenericNodes[i]->object));
    }
    DeleteRecords(mGenericNodes);
    for (int i = 0; i < generic.GetCount(); ++i)
    {
        if (generic[i]->GetSceneContents() == this)
        {
            generic[i]->SetSceneContents(nullptr);
        }
    }
    mObjects->DisconnectAllSrc();
}

void KScnSceneContents::ForgetObject(const void* object)
{
    if (object == nullptr)
    {
        return;
    }
    const int node = FindNode(static_cast<const KScnNode*>(object));
    if (node >= 0)
    {
        LeaveContents(mNodes[node], this);
        mNodes.RemoveAt(node);
        mNodeSet.erase(static_cast<const KScnNode*>(object));
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
    for (int i = mObjects->GetSrcCount() - 1; i >= 0; --i)
    {
        if (OwnerOf(mObjects->GetSrc(i)) == object)
        {
            mObjects->DisconnectSrcAt(i);
        }
    }
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
    RemoveMaterial(material);
}

void KScnSceneContents::AddTextureUse(KScnTexture* texture)
{
    AddTexture(texture);
}

void KScnSceneContents::RemoveTextureUse(KScnTexture* texture)
{
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
    if (!mNodeSet.insert(node).second)
    {
        mError.SetLastErrorID(eNodeAlreadyOwned);
        return false;
    }
    mNodes.Append(node);
    node->mSceneContents = this;
    return true;
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
            return i;
        }
    }
    return -1;
}

int KScnSceneContents::FindUse(const KPointerArray<UseRecord>& list, const void* object) const
{
    if (mRecordCount.count(object) == 0)
    {
        return -1;
    }
    for (int i = list.GetCount() - 1; i >= 0; --i)
    {
        if (list[i]->object == object)
        {
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

bool KScnSceneContents::AddUse(KPointerArray<UseRecord>& list, void* object)
{
    const int index = FindUse(list, object);
    if (index >= 0)
    {
        ++list[index]->useCount;
        return true;
    }
    // Counted first and listed last, so that memory running out on the way
    // leaves neither a record FindUse cannot see nor a count without one.
    int& count = ++mRecordCount[object];
    try
    {
        auto record = std::make_unique<UseRecord>(UseRecord{object, 1});
        list.Append(record.get());
        record.release();
    }
    catch (...)
    {
        if (--count <= 0)
            mRecordCount.erase(object);
        throw;
    }
    return true;
}

void KScnSceneContents::DeleteRecordAt(KPointerArray<UseRecord>& list, int index)
{
    const void* object = list[index]->object;
    auto it = mRecordCount.find(object);
    if (it != mRecordCount.end() && --it->second <= 0)
    {
        mRecordCount.erase(it);
    }
    delete list[index];
    list.RemoveAt(index);
}

bool KScnSceneContents::RemoveUse(KPointerArray<UseRecord>& list, void* object, int notFound, int inUse)
{
    const int index = object != nullptr ? FindUse(list, object) : -1;
    if (index < 0)
    {
        mError.SetLastErrorID(notFound);
        return false;
    }
    if (--list[index]->useCount > 0)
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
        auto it = mRecordCount.find(list[i]->object);
        if (it != mRecordCount.end() && --it->second <= 0)
        {
            mRecordCount.erase(it);
        }
        delete list[i];
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
    int count = 0;
    for (int i = 0; i < mObjects->GetSrcCount(); ++i)
    {
        const KScnTakeNodeContainer* object = OwnerOf(mObjects->GetSrc(i));
        count += object != nullptr && object->GetObjectKind() == kind ? 1 : 0;
    }
    return count;
}

KScnTakeNodeContainer* KScnSceneContents::GetObjectOfKind(int index, int kind) const
{
    for (int i = 0; index >= 0 && i < mObjects->GetSrcCount(); ++i)
    {
        KScnTakeNodeContainer* object = OwnerOf(mObjects->GetSrc(i));
        if (object != nullptr && object->GetObjectKind() == kind && index-- == 0)
        {
            return object;
        }
    }
    return nullptr;
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
    int count = 0;
    const int n = type >= 0 && type <= eClusterDeformer ? GetObjectCount(KScnDeformerProperties::ClassId) : 0;
    for (int i = 0; i < n; ++i)
    {
        count += DeformerOfType(GetObject(i, KScnDeformerProperties::ClassId), type) ? 1 : 0;
    }
    return count;
}

KScnDeformer* KScnSceneContents::GetDeformer(int index, int type) const
{
    const int n = type >= 0 && type <= eClusterDeformer ? GetObjectCount(KScnDeformerProperties::ClassId) : 0;
    for (int i = 0; index >= 0 && i < n; ++i)
    {
        KScnTakeNodeContainer* object = GetObject(i, KScnDeformerProperties::ClassId);
        if (DeformerOfType(object, type) && index-- == 0)
        {
            return dynamic_cast<KScnDeformer*>(object);
        }
    }
    return nullptr;
}

} // namespace scenesdk
