#include "scenesdk/kernel/KScnSdkManager.h"

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnDeformer.h"
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
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnImporter.h"
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

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace scenesdk
{

namespace
{
const char* const kManagerMessages[] = {"Object not found", ""};

// Empties a list, deleting each entry with del (null entries skipped).
template <typename T, typename Del> void DestroyList(KPointerArray<T>& list, Del del)
{
    for (int i = 0; i < list.GetCount(); ++i)
    {
        if (T* object = list[i])
        {
            list[i] = nullptr;
            del(object);
        }
    }
    list.Clear();
}
} // namespace

KScnSdkManager::KScnSdkManager() : mError(kManagerMessages, 2), mCallbacks(new KScnNamedCallbackTable(this))
{
}

KScnSdkManager::~KScnSdkManager()
{
    DestroyAllObjects();
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

template <typename T> T* KScnSdkManager::Listed(KPointerArray<T>& list, T* object)
{
    if (object != nullptr)
    {
        list.Add(object);
    }
    return object;
}

// Each object is listed once; the search runs from the end, since the
// newest objects are mostly the first to go (the teardown goes last first).
namespace
{
template <typename T> int FindFromEnd(const KPointerArray<T>& list, const T* object)
{
    int index = object != nullptr ? list.GetCount() - 1 : -1;
    while (index >= 0 && list[index] != object)
    {
        --index;
    }
    return index;
}
} // namespace

template <typename T> bool KScnSdkManager::Unlist(KPointerArray<T>& list, T* object)
{
    const int index = FindFromEnd(list, object);
    if (index < 0)
    {
        mError.SetLastErrorID(0);
        return false;
    }
    list.RemoveAt(index);
    return true;
}

template <typename T>
T* KScnSdkManager::FindNamed(const KPointerArray<T>& list, const char* prefix, const char* name,
                             int occurrence)
{
    const KString full = PrefixName(prefix, name);
    int matches = 0;
    for (int i = 0; occurrence >= 0 && i < list.GetCount(); ++i)
    {
        T* object = list[i];
        if (object != nullptr && std::strcmp(object->GetName(), full.Buffer()) == 0 &&
            matches++ == occurrence)
        {
            return object;
        }
    }
    mError.SetLastErrorID(0);
    return nullptr;
}

void KScnSdkManager::Notify(EListenerKind kind, const char* initialName)
{
    if (mListeners[kind] != nullptr)
    {
        mListeners[kind]->OnObjectCreated(KString(initialName));
    }
}

void KScnSdkManager::DestroyOwnHandles(KScnObject* object)
{
    for (int i = object->GetUserPropertyCount() - 1; i >= 0; --i)
    {
        KScnPropertyRef* ref = object->GetUserProperty(i);
        KProperty* property = ref->GetProperty();
        if (property != nullptr && property->GetOwnerObject() == object->GetPropertyHandler())
        {
            object->RemoveUserProperty(ref);
            DestroyListedUserProperty(ref);
        }
    }
}

void KScnSdkManager::ForgetInScenes(const void* object)
{
    for (int i = 0; i < mScenes.GetCount(); ++i)
    {
        mScenes[i]->GetContents()->ForgetObject(object);
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
    return Listed(mScenes, new KScnSceneRoot(this));
}

KScnNode* KScnSdkManager::CreateNode(const char* name)
{
    KScnNode* node = Listed(mNodes, new KScnNode(this, PrefixName("Model::", name).Buffer()));
    Notify(eListenNodes, node->GetInitialName());
    return node;
}

template <typename T> T* KScnSdkManager::NewAttribute()
{
    T* attribute = new T(this);
    mAttributes.Add(attribute);
    return attribute;
}

KScnNull* KScnSdkManager::CreateNull()
{
    return NewAttribute<KScnNull>();
}

KScnMarker* KScnSdkManager::CreateMarker()
{
    return NewAttribute<KScnMarker>();
}

KScnCamera* KScnSdkManager::CreateCamera()
{
    return NewAttribute<KScnCamera>();
}

KScnLight* KScnSdkManager::CreateLight()
{
    return NewAttribute<KScnLight>();
}

KScnSkeleton* KScnSdkManager::CreateSkeleton()
{
    return NewAttribute<KScnSkeleton>();
}

KScnMesh* KScnSdkManager::CreateMesh()
{
    return NewAttribute<KScnMesh>();
}

KScnPatch* KScnSdkManager::CreatePatch()
{
    return NewAttribute<KScnPatch>();
}

KScnNurb* KScnSdkManager::CreateNurb()
{
    return NewAttribute<KScnNurb>();
}

KScnOpticalReference* KScnSdkManager::CreateOpticalReference()
{
    return NewAttribute<KScnOpticalReference>();
}

KScnCameraSwitcher* KScnSdkManager::CreateCameraSwitcher()
{
    return NewAttribute<KScnCameraSwitcher>();
}

KScnShape* KScnSdkManager::CreateShape()
{
    return Listed(mShapes, new KScnShape(this));
}

KScnTriangulator* KScnSdkManager::CreateTriangulator()
{
    return Listed(mTriangulators, new KScnTriangulator(this));
}

bool KScnSdkManager::AdoptNodeAttribute(KScnNodeAttribute* attribute)
{
    if (attribute == nullptr || mAttributes.Find(attribute) >= 0)
    {
        return false;
    }
    mAttributes.Add(attribute);
    return true;
}

KScnLink* KScnSdkManager::CreateLink()
{
    return Listed(mLinks, new KScnLink());
}

KScnMaterial* KScnSdkManager::CreateMaterial(const char* name)
{
    KScnMaterial* material =
        Listed(mMaterials, new KScnMaterial(this, PrefixName("Material::", name).Buffer()));
    Notify(eListenMaterials, material->GetInitialName());
    return material;
}

KScnTexture* KScnSdkManager::CreateTexture(const char* name)
{
    KScnTexture* texture = Listed(mTextures, new KScnTexture(this, PrefixName("Texture::", name).Buffer()));
    Notify(eListenTextures, texture->GetInitialName());
    return texture;
}

KScnVideo* KScnSdkManager::CreateVideo(const char* name)
{
    KScnVideo* video = Listed(mVideos, new KScnVideo(this, PrefixName("Video::", name).Buffer()));
    Notify(eListenVideos, video->GetInitialName());
    return video;
}

KScnPose* KScnSdkManager::CreatePose(const char* name, bool bindPose)
{
    KScnPose* pose = Listed(mPoses, new KScnPose(this, PrefixName("Pose::", name).Buffer(), bindPose));
    pose->SetPoseScope(this);
    return pose;
}

KScnPropertyRef* KScnSdkManager::CreateUserProperty(const char* name, const char* dataType, const char* label)
{
    return ListUserProperty(new KScnPropertyRef(this, name, dataType, label));
}

KScnPropertyRef* KScnSdkManager::CreateUserPropertyFromProperty(KProperty* property)
{
    return ListUserProperty(new KScnPropertyRef(this, property));
}

KScnGenericNode* KScnSdkManager::CreateGenericNode(const char* name)
{
    return Listed(mGenericNodes, new KScnGenericNode(this, name));
}

KScnDeformer* KScnSdkManager::CreateDeformer(const char* name, const char* kindText)
{
    const bool cluster = kindText != nullptr && strcasecmp(kindText, "Cluster") == 0;
    const KString full = PrefixName(cluster ? "SubDeformer::" : "Deformer::", name);
    KScnDeformer* deformer = new KScnDeformer(this, full.Buffer(), kindText);
    mHandlerObjects.Add(deformer);
    return deformer;
}

KScnConstraint* KScnSdkManager::CreateConstraint(const char* name, int kind)
{
    KScnConstraint* constraint = KScnConstraint::Create(this, kind, name);
    if (constraint != nullptr)
    {
        mHandlerObjects.Add(constraint);
    }
    return constraint;
}

KScnCharacter* KScnSdkManager::CreateCharacter(const char* name)
{
    auto* character = new KScnCharacter(this, PrefixName("Constraint::", name).Buffer());
    mHandlerObjects.Add(character);
    return character;
}

KScnExporter* KScnSdkManager::CreateExporter()
{
    return Listed(mExporters, new KScnExporter(this));
}

KScnImporter* KScnSdkManager::CreateImporter()
{
    return Listed(mImporters, new KScnImporter(this));
}

KScnThumbnailImage* KScnSdkManager::CreateThumbnail()
{
    return Listed(mThumbnails, new KScnThumbnailImage());
}

KScnSceneMetaData* KScnSdkManager::CreateSceneMetaData()
{
    return Listed(mMetaData, new KScnSceneMetaData());
}

// ---- Destroyers ----

bool KScnSdkManager::DestroyScene(KScnSceneRoot* scene, bool recursive)
{
    if (!Unlist(mScenes, scene))
    {
        return false;
    }
    KScnNode* root = recursive ? scene->GetRootNode() : nullptr;
    delete scene;
    return root == nullptr || DestroyNode(root, true);
}

bool KScnSdkManager::DestroyNode(KScnNode* node, bool recursive)
{
    if (!Unlist(mNodes, node))
    {
        return false;
    }
    bool ok = true;
    // Last child first: removing a child shifts the ones after it.
    while (recursive && node->GetChildCount() > 0)
    {
        KScnNode* child = node->RemoveChild(node->GetChild(node->GetChildCount() - 1));
        if (child == nullptr)
        {
            ok = false;
            break;
        }
        ok = DestroyNode(child, true) && ok;
    }
    ForgetInScenes(node);
    KScnNodeAttribute* attribute = node->SetNodeAttribute(nullptr);
    if (recursive && attribute != nullptr && FindFromEnd(mAttributes, attribute) >= 0)
    {
        ok = DestroyNodeAttribute(attribute) && ok;
    }
    node->Release();
    DestroyOwnHandles(node);
    delete node;
    return ok;
}

bool KScnSdkManager::DestroyNodeAttribute(KScnNodeAttribute* attribute)
{
    if (!Unlist(mAttributes, attribute))
    {
        return false;
    }
    if (KScnNode* node = attribute->GetNode())
    {
        node->SetNodeAttribute(nullptr);
    }
    delete attribute;
    return true;
}

bool KScnSdkManager::DestroyLink(KScnLink* link)
{
    if (!Unlist(mLinks, link))
    {
        return false;
    }
    delete link;
    return true;
}

bool KScnSdkManager::DestroyShape(KScnShape* shape)
{
    if (!Unlist(mShapes, shape))
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
    ForgetInScenes(material);
    material->Release();
    DestroyOwnHandles(material);
    delete material;
    return true;
}

bool KScnSdkManager::DestroyTexture(KScnTexture* texture)
{
    if (!Unlist(mTextures, texture))
    {
        return false;
    }
    ForgetInScenes(texture);
    texture->Release();
    DestroyOwnHandles(texture);
    delete texture;
    return true;
}

bool KScnSdkManager::DestroyVideo(KScnVideo* video)
{
    if (!Unlist(mVideos, video))
    {
        return false;
    }
    ForgetInScenes(video);
    video->Release();
    DestroyOwnHandles(video);
    delete video;
    return true;
}

bool KScnSdkManager::DestroyPose(KScnPose* pose)
{
    if (!Unlist(mPoses, pose))
    {
        return false;
    }
    DestroyOwnHandles(pose);
    // A scene that listed it must not keep a dangling pointer.
    for (int i = 0; i < mScenes.GetCount(); ++i)
    {
        mScenes[i]->RemovePose(pose);
    }
    delete pose;
    return true;
}

KScnPropertyRef* KScnSdkManager::ListUserProperty(KScnPropertyRef* ref)
{
    ref->mManagerSlot = static_cast<int>(mUserProperties.size());
    mUserProperties.push_back(ref);
    ++mUserPropertyCount;
    return ref;
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
    ForgetInScenes(node);
    DestroyOwnHandles(node);
    delete node;
    return true;
}

bool KScnSdkManager::DestroyHandlerObject(KScnTakeNodeContainer* object)
{
    if (!Unlist(mHandlerObjects, object))
    {
        return false;
    }
    ForgetInScenes(object);
    DestroyOwnHandles(object);
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
        if (std::strcmp(mPoses[i]->GetName(), name) == 0)
        {
            return mPoses[i];
        }
    }
    mError.SetLastErrorID(0);
    return nullptr;
}

KScnGenericNode* KScnSdkManager::FindGenericNode(const char* name)
{
    for (int i = 0; name != nullptr && i < mGenericNodes.GetCount(); ++i)
    {
        if (std::strcmp(mGenericNodes[i]->GetName(), name) == 0)
        {
            return mGenericNodes[i];
        }
    }
    mError.SetLastErrorID(0);
    return nullptr;
}

KScnPropertyRef* KScnSdkManager::FindUserProperty(const char* name) const
{
    for (KScnPropertyRef* ref : mUserProperties)
    {
        if (name != nullptr && ref != nullptr && std::strcmp(ref->GetName(), name) == 0)
        {
            return ref;
        }
    }
    return nullptr;
}

// ---- Pose scope ----

int KScnSdkManager::GetPoseCount() const
{
    int count = 0;
    for (int i = 0; i < mScenes.GetCount(); ++i)
    {
        count += mScenes[i]->GetPoseCount();
    }
    return count;
}

KScnPose* KScnSdkManager::GetPose(int index) const
{
    for (int i = 0; index >= 0 && i < mScenes.GetCount(); ++i)
    {
        const int count = mScenes[i]->GetPoseCount();
        if (index < count)
        {
            return mScenes[i]->GetPose(index);
        }
        index -= count;
    }
    return nullptr;
}

// ---- Destroy all ----

void KScnSdkManager::DestroyAllObjects()
{
    // Scenes first: their destructors hand nodes back through this manager.
    // Each is unlisted before it is deleted so that nothing sees it half gone.
    while (mScenes.GetCount() > 0)
    {
        DestroyScene(mScenes[0], false);
    }
    // Attributes are cut from their nodes before the nodes go.
    while (mAttributes.GetCount() > 0)
    {
        DestroyNodeAttribute(mAttributes[mAttributes.GetCount() - 1]);
    }
    while (mNodes.GetCount() > 0)
    {
        DestroyNode(mNodes[mNodes.GetCount() - 1], false);
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
        const int last = mImporters.GetCount() - 1;
        KScnImporter* importer = mImporters[last];
        mImporters.RemoveAt(last);
        delete importer;
    }
    // Deformers and constraints, last first.
    while (mHandlerObjects.GetCount() > 0)
    {
        const int last = mHandlerObjects.GetCount() - 1;
        KScnTakeNodeContainer* object = mHandlerObjects[last];
        mHandlerObjects.RemoveAt(last);
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
