#include "scenesdk/fileio/KScnReadUndo.h"

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <exception>
#include <new>

namespace scenesdk
{

namespace
{

// Calls fn for every object the manager lists that a read may make, and
// for the scene's generic nodes (the manager shows only their count).
template <typename Fn> void ForEachMade(KScnSdkManager& manager, KScnSceneRoot& scene, Fn fn)
{
    for (int i = 0; i < manager.GetHandlerObjectCount(); ++i)
        fn(static_cast<const void*>(manager.GetHandlerObject(i)));
    for (int i = 0; i < manager.GetNodeCount(); ++i)
        fn(static_cast<const void*>(manager.GetNode(i)));
    for (int i = 0; i < manager.GetNodeAttributeCount(); ++i)
        fn(static_cast<const void*>(manager.GetNodeAttribute(i)));
    for (int i = 0; i < manager.GetMaterialCount(); ++i)
        fn(static_cast<const void*>(manager.GetMaterial(i)));
    for (int i = 0; i < manager.GetTextureCount(); ++i)
        fn(static_cast<const void*>(manager.GetTexture(i)));
    KScnSceneContents* contents = scene.GetContents();
    for (int i = 0; i < contents->GetGenericNodeCount(); ++i)
        fn(static_cast<const void*>(contents->GetGenericNode(i)));
}

// The scene's take owners, as KScnSceneRoot::AddTakeWhereMissing walks them.
template <typename Fn> void ForEachTakeOwner(KScnSceneRoot& scene, Fn fn)
{
    if (KScnNode* switcher = scene.GetCameraSwitcherNode())
        fn(static_cast<KScnTakeNodeContainer*>(switcher));
    KScnSceneContents* contents = scene.GetContents();
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        fn(static_cast<KScnTakeNodeContainer*>(contents->GetNode(i)));
    for (int i = 0; i < contents->GetTextureCount(); ++i)
        fn(static_cast<KScnTakeNodeContainer*>(contents->GetTexture(i)));
    for (int i = 0; i < contents->GetMaterialCount(); ++i)
        fn(static_cast<KScnTakeNodeContainer*>(contents->GetMaterial(i)));
    for (int i = 0; i < contents->GetGenericNodeCount(); ++i)
        fn(static_cast<KScnTakeNodeContainer*>(contents->GetGenericNode(i)));
    for (int i = 0; i < contents->GetObjectCount(); ++i)
        fn(contents->GetObject(i));
}

// Destroys, latest first, the count objects at(i) that kept does not hold;
// they are gathered first, as each destruction may shorten the list.
template <typename At, typename Destroy>
void DestroyMade(const std::unordered_set<const void*>& kept, int count, At at, Destroy destroy)
{
    std::vector<decltype(at(0))> made;
    for (int i = count - 1; i >= 0; --i)
        if (kept.count(at(i)) == 0)
            made.push_back(at(i));
    for (auto* object : made)
        destroy(object);
}

} // namespace

KScnReadUndo::KScnReadUndo(KScnSdkManager& manager, KScnSceneRoot& scene) : mManager(manager), mScene(scene)
{
    ForEachMade(manager, scene, [this](const void* object) { mObjects.insert(object); });
    ForEachTakeOwner(scene, [this](KScnTakeNodeContainer* owner)
                     { mTakeCounts[owner] = owner->GetTakeNodeCount(); });
    mCharacterPoses = scene.GetCharacterPoseCount();
    mPoses = scene.GetPoseCount();
    for (const std::string& take : TakeNames(scene))
        if (const KScnTakeDescription* info = scene.GetTakeInfo(take.c_str()))
            mTakeInfos.push_back(*info);
    if (const KScnSceneMetaData* metaData = scene.GetSceneMetaData())
    {
        mHadMetaData = true;
        mMetaData = std::make_unique<KScnSceneMetaData>();
        *mMetaData = *metaData;
    }
}

KScnReadUndo::~KScnReadUndo() = default;

void KScnReadUndo::Restore()
{
    // Takes first, while every owner the read gave one to is still there; an
    // owner the read destroyed is no longer among the scene's.
    ForEachTakeOwner(mScene,
                     [this](KScnTakeNodeContainer* owner)
                     {
                         auto it = mTakeCounts.find(owner);
                         if (it == mTakeCounts.end())
                             return;
                         for (int i = owner->GetTakeNodeCount() - 1; i >= it->second && i > 0; --i)
                             owner->RemoveTakeNode(i);
                     });
    while (mScene.GetCharacterPoseCount() > mCharacterPoses)
        mScene.DestroyCharacterPose(mScene.GetCharacterPoseCount() - 1);
    while (mScene.GetPoseCount() > mPoses)
    {
        KScnPose* pose = mScene.GetPose(mScene.GetPoseCount() - 1);
        mScene.RemovePose(pose);
        mManager.DestroyPose(pose);
    }

    // What the read made, kind by kind, latest first: clusters were made
    // after their skins, children after their parents.
    KScnSdkManager& m = mManager;
    DestroyMade(mObjects, m.GetHandlerObjectCount(), [&](int i) { return m.GetHandlerObject(i); },
                [&](KScnTakeNodeContainer* object) { m.DestroyObject(object); });
    // A camera switcher the read put in place of the scene's stays: the
    // scene's own is gone, and the scene cannot be without one.
    KScnNode* switcher = mScene.GetCameraSwitcherNode();
    const void* keep[2] = {switcher, switcher != nullptr ? switcher->GetNodeAttribute() : nullptr};
    mObjects.insert(keep, keep + 2);
    DestroyMade(mObjects, m.GetNodeCount(), [&](int i) { return m.GetNode(i); },
                [&](KScnNode* node) { m.DestroyNode(node, false); });
    DestroyMade(mObjects, m.GetNodeAttributeCount(), [&](int i) { return m.GetNodeAttribute(i); },
                [&](KScnNodeAttribute* attribute) { m.DestroyNodeAttribute(attribute); });
    DestroyMade(mObjects, m.GetMaterialCount(), [&](int i) { return m.GetMaterial(i); },
                [&](KScnMaterial* material) { m.DestroyMaterial(material); });
    DestroyMade(mObjects, m.GetTextureCount(), [&](int i) { return m.GetTexture(i); },
                [&](KScnTexture* texture) { m.DestroyTexture(texture); });
    KScnSceneContents* contents = mScene.GetContents();
    DestroyMade(mObjects, contents->GetGenericNodeCount(), [&](int i) { return contents->GetGenericNode(i); },
                [&](KScnGenericNode* node) { m.DestroyGenericNode(node); });

    for (const KScnTakeDescription& info : mTakeInfos)
        mScene.SetTakeInfo(info);
    if (!mHadMetaData)
        mScene.SetSceneMetaData(nullptr);
    else if (KScnSceneMetaData* metaData = mScene.GetSceneMetaData())
        *metaData = *mMetaData;
}

std::vector<std::string> KScnReadUndo::TakeNames(KScnSceneRoot& scene)
{
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    ForEachTakeOwner(scene,
                     [&](KScnTakeNodeContainer* owner)
                     {
                         for (int i = 0; i < owner->GetTakeNodeCount(); ++i)
                         {
                             const char* name = owner->GetTakeNodeName(i);
                             if (name != nullptr && seen.insert(name).second)
                                 names.emplace_back(name);
                         }
                     });
    return names;
}

size_t KScnReadUndo::TakeOwnerCount(KScnSceneRoot& scene, size_t* withoutTakes)
{
    size_t count = 0, fresh = 0;
    ForEachTakeOwner(scene,
                     [&](KScnTakeNodeContainer* owner)
                     {
                         ++count;
                         fresh += owner->GetTakeNodeCount() <= 1 ? 1 : 0;
                     });
    if (withoutTakes != nullptr)
        *withoutTakes = fresh;
    return count;
}

std::string KScnReadUndo::Reason(const char* doing)
{
    try
    {
        throw;
    }
    catch (const std::bad_alloc&)
    {
        return std::string("out of memory while ") + doing;
    }
    catch (const KScnReadOverBudget& over)
    {
        return over.what();
    }
    catch (const std::exception& e)
    {
        return std::string(doing) + " failed: " + e.what();
    }
    catch (...)
    {
        return std::string(doing) + " failed";
    }
}

} // namespace scenesdk
