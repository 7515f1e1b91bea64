#pragma once

// KScnSceneRoot: one scene. It owns its contents (root node "RootNode" and the
// member lists), a hidden camera-switcher node (not a child of the root),
// its control-set plugs and character poses, its list of poses (the poses
// belong to the manager), its global light, camera and time settings, its
// take descriptions and its metadata. Made and destroyed only by the SDK
// manager.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace scenesdk
{

class KScnCharacter;
class KScnCharacterPose;
class KScnControlSetPlug;
class KScnDeformer;
class KScnGenericNode;
class KScnGeometry;
class KScnLink;
class KScnMaterial;
class KScnNode;
class KScnPose;
class KScnSceneCameraSettings;
class KScnSceneContents;
class KScnSceneLightSettings;
class KScnSceneMetaData;
class KScnSceneTimeSettings;
class KScnSdkManager;

// What is known of one take of the scene. The time spans are what the file
// gives (start and stop; 0 and 0 when it gives none).
struct KScnTakeDescription
{
    KString mName;
    KString mImportName;
    KString mDescription;
    int mFlags = 0;
    KTime mLocalTimeStart;
    KTime mLocalTimeStop;
    KTime mReferenceTimeStart;
    KTime mReferenceTimeStop;
};

class KScnSceneRoot
{
public:
    explicit KScnSceneRoot(KScnSdkManager* manager);
    KScnSceneRoot(const KScnSceneRoot&) = delete;
    KScnSceneRoot& operator=(const KScnSceneRoot&) = delete;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Deletes the contents and destroys the camera-switcher node; the root
    // node stays with the manager (DestroyScene with recursion takes it).
    ~KScnSceneRoot();
    friend class KScnSdkManager;

public:
    KScnSdkManager* GetSdkManager() const { return mManager; }
    KScnSceneContents* GetContents() const { return mContents; }
    // Null once the root was taken away, until Clear (below).
    KScnNode* GetRootNode() const;
    KScnNode* GetCameraSwitcherNode() const { return mCameraSwitcher; }
    // Destroys the current camera-switcher node (with its subtree). The
    // node, cut from its parent and out of any scene, is the scene's own
    // from then on (KScnSdkManager::IsOwned), with its attribute; a node
    // that something else owns is refused (nothing changes). Memory running
    // out throws std::bad_alloc before anything changed.
    void SetCameraSwitcherNode(KScnNode* node);

    // Clears out and appends every material of the contents in list order;
    // returns the count.
    int FillMaterialArray(KPointerArray<KScnMaterial>& out) const;

    // ---- Generic nodes (through the contents) ----
    int GetGenericNodeCount() const;
    KScnGenericNode* GetGenericNode(int index) const;
    // False for null; moves the node into these contents.
    bool AddGenericNode(KScnGenericNode* node);
    // False for null; takes it out of any contents.
    bool RemoveGenericNode(KScnGenericNode* node);

    // ---- Characters (made by the manager, listed in the contents) ----
    // False for null or a character already listed.
    bool AddCharacter(KScnCharacter* character);
    int GetCharacterCount() const;
    // Null outside 0..count-1.
    KScnCharacter* GetCharacter(int index) const;
    // A character named "Constraint::" + name made through the manager and
    // added; its index, or -1 without a manager.
    int CreateCharacter(const char* name);

    // ---- Control-set plugs (owned by the scene) ----
    int GetControlSetPlugCount() const { return mControlSetPlugs.GetCount(); }
    KScnControlSetPlug* GetControlSetPlug(int index) const { return mControlSetPlugs.GetAt(index); }
    // A plug named "ControlSetPlug::" + name, appended; its index.
    int CreateControlSetPlug(const char* name);

    // ---- Character poses (owned by the scene) ----
    int GetCharacterPoseCount() const { return mCharacterPoses.GetCount(); }
    KScnCharacterPose* GetCharacterPose(int index) const { return mCharacterPoses.GetAt(index); }
    // A pose named "Pose::" + name, appended; its index, or -1 without a
    // manager (the pose needs one for its private scene).
    int CreateCharacterPose(const char* name);
    // Removes and destroys pose index; false out of range.
    bool DestroyCharacterPose(int index);

    // ---- Poses (not owned) ----
    int GetPoseCount() const { return mPoses.GetCount(); }
    KScnPose* GetPose(int index) const { return mPoses.GetAt(index); }
    // False when null or already listed.
    bool AddPose(KScnPose* pose);
    // False when not listed.
    bool RemovePose(KScnPose* pose);

    // ---- Global settings (owned; defaults restored by Clear) ----
    KScnSceneLightSettings* GetGlobalLightSettings() const { return mLightSettings; }
    KScnSceneCameraSettings* GetGlobalCameraSettings() const { return mCameraSettings; }
    KScnSceneTimeSettings* GetGlobalTimeSettings() const { return mTimeSettings; }

    // ---- Metadata (owned from SetSceneMetaData on; made by the manager) ----
    KScnSceneMetaData* GetSceneMetaData() const { return mMetaData; }
    // The previous record, when another, is destroyed through the manager.
    void SetSceneMetaData(KScnSceneMetaData* metaData);

    void SetName(const char* name) { mName = name != nullptr ? name : ""; }
    const char* GetName() const { return mName.Buffer(); }

    // ---- Takes ----
    // Makes the take current on the camera-switcher node and on every node,
    // material, texture and generic node of the contents (all are asked).
    // False, with error 0 "Not all nodes have a take node called <name>",
    // when any of them has no such take, or when the scene holds none of
    // them (no object has the take: SetTakeInfo refuses it too).
    bool SetCurrentTake(const char* name);
    // Gives a take of that name to each of those objects that has none (a
    // copy of its default take), so that the take can be made current;
    // returns how many got one. Memory running out throws std::bad_alloc
    // with the takes given so far taken back.
    int AddTakeWhereMissing(const char* name);
    // Names of every take of those objects, each once (exact compare).
    void FillTakeNameList(KPointerArray<KString>& out) const;
    // Deletes the strings FillTakeNameList made and empties the list.
    static void ClearTakeNameList(KPointerArray<KString>& list);
    // The names FillTakeNameList gives, as plain strings. A reader takes
    // them before it reads and, once done, gives each to every object that
    // lacks it (AddTakeWhereMissing), so the takes of earlier reads can still
    // be made current for the whole scene.
    std::vector<std::string> GetTakeNames() const;
    int GetTakeInfoCount() const { return mTakeInfos.GetCount(); }
    // Null for an index out of range.
    const KScnTakeDescription* GetTakeInfoAt(int index) const { return mTakeInfos.GetAt(index); }
    // Null when no description has that name.
    const KScnTakeDescription* GetTakeInfo(const char* name) const;
    // False when no object has a take of that name; replaces a description
    // of the same name, else appends a copy.
    bool SetTakeInfo(const KScnTakeDescription& info);
    // SetTakeInfo for each description in order, with the take names
    // gathered once; returns how many were set.
    int SetTakeInfos(const std::vector<KScnTakeDescription>& infos);
    // Puts back the descriptions a failed read found (KScnReadUndo): those
    // past earlier's count are deleted, the others exchange their values
    // with earlier's; nothing is allocated.
    void RestoreTakeInfos(std::vector<KScnTakeDescription>& earlier);

    // ---- After reading a file ----
    // For every mesh, NURBS or patch node of the contents: fills each
    // material element's direct array from the materials connected to the
    // node, in connection order. Direct reference: the connections from the
    // array's current count on are appended. Index-to-direct: each connected
    // material whose connection position occurs in the index array is
    // appended and those entries are pointed at it. Other modes: untouched.
    // Memory running out throws std::bad_alloc with every element as it was.
    void BindMaterialsToLayers();
    // The same for texture elements and connected textures (so when memory
    // runs out).
    void BindTexturesToLayers();
    // Both bindings for the given nodes only (those one read made): layers
    // bound before, by an earlier read into the scene, are left as they are.
    // Memory running out throws std::bad_alloc with every element as it was.
    void BindLayersOf(const std::vector<KScnNode*>& nodes);
    // Destroys every deformer of the contents through the manager, clusters
    // first.
    void DestroyAllDeformers();
    // For every skin of the contents, every mesh, NURBS or patch node the
    // skin is connected to gets one link per cluster of the skin (filled from
    // the cluster, with the cluster's node and associate model), added as a
    // deformer of the geometry. Clusters bound before (KScnDeformer::
    // IsLinked) are left alone, so a second file read into the scene adds
    // links only for its own clusters. Memory running out throws
    // std::bad_alloc with the links this call gave taken back.
    void BindDeformerLinks();
    // Below node (children in order, recursively): an imported skeleton
    // node (flag set) of inherit type 2 whose parent is not a skeleton gets
    // inherit type 1.
    void FixSkeletonInheritType(KScnNode* node);
    // The same rule for the given nodes only (those one read made), each
    // looked at alone: an earlier read's bone keeps the inherit type its
    // caller gave it.
    void FixSkeletonInheritType(const std::vector<KScnNode*>& nodes);

    // Back to the state after construction: the root keeps no children
    // (they are destroyed) and only its first take, the camera switcher is
    // reset, control-set plugs, character poses, poses, generic nodes and
    // take descriptions are gone. The scene's root can be taken away
    // (destroyed, moved into another scene or under another scene's node,
    // made the camera switcher): the scene then has none (GetRootNode is
    // null and every import into it fails) until Clear gives it a new
    // "RootNode", first of all (memory running out throws std::bad_alloc
    // before anything changed).
    void Clear();

    KErrorRecord& GetError() { return mError; }

private:
    void ResetCameraSwitcher();
    // What the destructor does, also for a constructor stopped part-way.
    void TearDown();
    // Marks the camera-switcher node and its attribute as the scene's own
    // with the manager, or unmarks them. Marking may throw std::bad_alloc,
    // with neither marked; unmarking allocates nothing.
    void OwnCameraSwitcher(bool owned);
    // Unmarks and destroys it (with its subtree).
    void DestroyCameraSwitcher();
    // Releases and deletes every control-set plug and character pose.
    void DestroyPlugsAndCharacterPoses();
    // Binds the kinds asked for (true: materials, false: textures), whole:
    // memory running out puts every element back as it was.
    void BindToLayers(std::initializer_list<bool> kinds, const std::vector<KScnNode*>& nodes);
    // The links of one skin's clusters to the geometries it deforms;
    // bound gets the clusters, given each link with its geometry.
    void BindSkinLinks(KScnDeformer* skin, std::vector<KScnDeformer*>& bound,
                       std::vector<std::pair<KScnGeometry*, KScnLink*>>& given);
    // Every node of the contents, in list order.
    std::vector<KScnNode*> ContentsNodes() const;
    // The skeleton rule for one node.
    static void FixSkeletonNode(KScnNode* node);
    void ClearTakeInfos();
    template <typename Fn> void ForEachTakeOwner(Fn fn) const;

    KScnSdkManager* mManager;
    KScnSceneContents* mContents = nullptr;
    KScnNode* mCameraSwitcher = nullptr;
    KPointerArray<KScnControlSetPlug> mControlSetPlugs{16};
    KPointerArray<KScnCharacterPose> mCharacterPoses{16};
    KPointerArray<KScnPose> mPoses{16};
    KScnSceneLightSettings* mLightSettings = nullptr;
    KScnSceneCameraSettings* mCameraSettings = nullptr;
    KScnSceneTimeSettings* mTimeSettings = nullptr;
    KString mName;
    KPointerArray<KScnTakeDescription> mTakeInfos{16};
    KScnSceneMetaData* mMetaData = nullptr;
    KErrorRecord mError;
};

} // namespace scenesdk
