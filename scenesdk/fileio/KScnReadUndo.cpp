#include "scenesdk/fileio/KScnReadUndo.h"

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <algorithm>
#include <cstdio>
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
    for (int i = 0; i < manager.GetVideoCount(); ++i)
        fn(static_cast<const void*>(manager.GetVideo(i)));
    for (int i = 0; i < manager.GetShapeCount(); ++i)
        fn(static_cast<const void*>(manager.GetShape(i)));
    for (int i = 0; i < manager.GetSceneCount(); ++i)
        fn(static_cast<const void*>(manager.GetScene(i)));
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

// Destroys, latest first, the objects of a list that keep() refuses,
// without allocating: a destruction may shorten the list (never lengthen or
// reorder it), so the walk goes on below the lower of its place and the new
// count, passing over kept objects again at worst.
template <typename Count, typename At, typename Keep, typename Destroy>
void DestroyMade(Count count, At at, Keep keep, Destroy destroy)
{
    for (int i = count() - 1; i >= 0;)
    {
        auto* object = at(i);
        if (object == nullptr || keep(object))
        {
            --i;
            continue;
        }
        destroy(object);
        i = std::min(i, count()) - 1;
    }
}

} // namespace

KScnReadUndo::KScnReadUndo(KScnSdkManager& manager, KScnSceneRoot& scene) : mManager(manager), mScene(scene)
{
    ForEachMade(manager, scene, [this](const void* object) { mObjects.insert(object); });
    ForEachTakeOwner(scene, [this](KScnTakeNodeContainer* owner)
                     { mTakeCounts[owner] = owner->GetTakeNodeCount(); });
    mTakeNames = TakeNames(scene);
    mTakeNameSet.insert(mTakeNames.begin(), mTakeNames.end());
    mCharacterPoses = scene.GetCharacterPoseCount();
    mPoses = scene.GetPoseCount();
    mTakeInfos.reserve(static_cast<size_t>(scene.GetTakeInfoCount()));
    for (int i = 0; i < scene.GetTakeInfoCount(); ++i)
        mTakeInfos.push_back(*scene.GetTakeInfoAt(i));
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
    // A camera switcher the read put in place of the scene's stays (below),
    // with the takes the scene had, not those of the read.
    KScnNode* switcher = mScene.GetCameraSwitcherNode();
    if (switcher != nullptr && mTakeCounts.count(switcher) == 0)
    {
        for (int i = switcher->GetTakeNodeCount() - 1; i > 0; --i)
        {
            const char* name = switcher->GetTakeNodeName(i);
            if (mTakeNameSet.count(name != nullptr ? name : "") == 0)
                switcher->RemoveTakeNode(i);
        }
    }
    while (mScene.GetCharacterPoseCount() > mCharacterPoses)
        mScene.DestroyCharacterPose(mScene.GetCharacterPoseCount() - 1);
    while (mScene.GetPoseCount() > mPoses)
    {
        KScnPose* pose = mScene.GetPose(mScene.GetPoseCount() - 1);
        mScene.RemovePose(pose);
        mManager.DestroyPose(pose);
    }

    // What the read made, kind by kind, latest first: clusters were made
    // after their skins, children after their parents. A camera switcher
    // the read put in place of the scene's stays: the scene's own is gone,
    // and the scene cannot be without one.
    KScnSdkManager& m = mManager;
    const void* stays = switcher != nullptr ? switcher->GetNodeAttribute() : nullptr;
    auto kept = [&](const void* object)
    { return mObjects.count(object) != 0 || object == switcher || object == stays || object == &mScene; };
    DestroyMade([&] { return m.GetSceneCount(); }, [&](int i) { return m.GetScene(i); }, kept,
                [&](KScnSceneRoot* scene) { m.DestroyScene(scene, true); });
    DestroyMade([&] { return m.GetHandlerObjectCount(); }, [&](int i) { return m.GetHandlerObject(i); }, kept,
                [&](KScnTakeNodeContainer* object) { m.DestroyObject(object); });
    DestroyMade([&] { return m.GetNodeCount(); }, [&](int i) { return m.GetNode(i); }, kept,
                [&](KScnNode* node) { m.DestroyNode(node, false); });
    DestroyMade([&] { return m.GetNodeAttributeCount(); }, [&](int i) { return m.GetNodeAttribute(i); }, kept,
                [&](KScnNodeAttribute* attribute) { m.DestroyNodeAttribute(attribute); });
    DestroyMade([&] { return m.GetMaterialCount(); }, [&](int i) { return m.GetMaterial(i); }, kept,
                [&](KScnMaterial* material) { m.DestroyMaterial(material); });
    DestroyMade([&] { return m.GetTextureCount(); }, [&](int i) { return m.GetTexture(i); }, kept,
                [&](KScnTexture* texture) { m.DestroyTexture(texture); });
    DestroyMade([&] { return m.GetVideoCount(); }, [&](int i) { return m.GetVideo(i); }, kept,
                [&](KScnVideo* video) { m.DestroyVideo(video); });
    // Shapes a geometry took went with it; those made and not yet taken go here.
    DestroyMade([&] { return m.GetShapeCount(); }, [&](int i) { return m.GetShape(i); }, kept,
                [&](KScnShape* shape) { m.DestroyShape(shape); });
    KScnSceneContents* contents = mScene.GetContents();
    DestroyMade([&] { return contents->GetGenericNodeCount(); },
                [&](int i) { return contents->GetGenericNode(i); }, kept,
                [&](KScnGenericNode* node) { m.DestroyGenericNode(node); });

    mScene.RestoreTakeInfos(mTakeInfos);
    if (!mHadMetaData)
        mScene.SetSceneMetaData(nullptr);
    else if (KScnSceneMetaData* metaData = mScene.GetSceneMetaData())
        metaData->Swap(*mMetaData);
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

const char* KScnReadUndo::Reason(const char* doing, char (&out)[kReasonSize])
{
    try
    {
        throw;
    }
    catch (const std::bad_alloc&)
    {
        std::snprintf(out, sizeof out, "out of memory while %s", doing);
    }
    catch (const KScnReadOverBudget& over)
    {
        std::snprintf(out, sizeof out, "%s", over.what());
    }
    catch (const std::exception& e)
    {
        std::snprintf(out, sizeof out, "%s failed: %s", doing, e.what());
    }
    catch (...)
    {
        std::snprintf(out, sizeof out, "%s failed", doing);
    }
    return out;
}

} // namespace scenesdk
