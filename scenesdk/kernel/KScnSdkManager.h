#pragma once

// KScnSdkManager: creates, owns and destroys scene objects. Every object made
// here sits in exactly one per-kind list until it is destroyed through the
// manager (or the manager dies, which destroys everything still listed).
// Objects are never deleted any other way (their destructors are not public).
//
// What an object owns is its owner's to destroy: a scene's seven producer
// cameras and their nodes, its camera-switcher node with its attribute, a
// character pose's private scene, and the links and shapes a geometry holds
// are listed like any object, but the destroyers refuse them (false, error
// 0) unless their owner destroys them (IsOwned tells them apart).
//
// An object that goes takes itself out of whatever refers to it: the scenes
// that list it, the layers of every geometry the manager lists (a material's
// or texture's direct entries become null and the index entries that point
// at them -1), the skin links that name a node (KScnLink), the handles that
// stand for its properties (KScnPropertyRef), and the user-property lists
// that hold a handle.
//
// Deformers, constraints and characters are listed by connecting their
// property sets as sources of the manager's handler list (a KObjectList);
// their destroyers disconnect the set and delete the object when it was
// connected. A character is connected one-way, so that its set's own
// connection lists (and its "DestinationObject" view of them) do not show
// the manager. An object whose set leaves the list through its own detach
// step (KScnConstraint::DisconnectAll, KScnDeformer::Detach) stays the
// manager's to destroy.
//
// Names: creators of named kinds give the object PrefixName(kind prefix, name)
// ("Model::", "Material::", "Texture::", "Video::", "Pose::", "Deformer::",
// "SubDeformer::", "Constraint::").

#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KRankedSet.h"
#include "scenesdk/kernel/KString.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace scenesdk
{

class KObject;
class KObjectList;
class KPlug;
class KProperty;
class KScnCamera;
class KScnCameraSwitcher;
class KScnImporter;
class KScnNamedCallbackTable;
class KScnSceneMetaData;
class KScnThumbnailImage;
class KScnLayerContainer;
class KScnLight;
class KScnMarker;
class KScnMesh;
class KScnNull;
class KScnNurb;
class KScnOpticalReference;
class KScnPatch;
class KScnShape;
class KScnSkeleton;
class KScnTriangulator;
class KScnCharacter;
class KScnConstraint;
class KScnDeformer;
class KScnExporter;
class KScnGenericNode;
class KScnLink;
class KScnMaterial;
class KScnNode;
class KScnNodeAttribute;
class KScnObject;
class KScnPose;
class KScnPropertyRef;
class KScnSceneContents;
class KScnSceneRoot;
class KScnTakeNodeContainer;
class KScnTexture;
class KScnVideo;

// Told of new objects of one kind; owned by the manager once installed.
class KScnSdkManagerListener
{
public:
    virtual ~KScnSdkManagerListener() = default;
    // The manager destroyed every object (end of DestroyAllObjects).
    virtual void OnAllObjectsDestroyed() {}
    // A new object; initialName is the object's own initial-name string
    // (its name as created, prefix included), which lives as long as the
    // object and follows KScnObject::SetNames.
    virtual void OnObjectCreated(const KString& initialName) = 0;
};

// The manager is the pose scope of its poses: every pose of every scene, in
// scene-list order.
class KScnSdkManager : public KScnPoseScope
{
public:
    enum EListenerKind
    {
        eListenNodes = 0,
        eListenMaterials = 1,
        eListenTextures = 2,
        eListenVideos = 3,
        eListenerKindCount = 4
    };

    // Constraint kinds of CreateConstraint.
    enum EConstraintKind
    {
        eConstraintPosition = 1,
        eConstraintRotation = 2,
        eConstraintScale = 3,
        eConstraintParent = 4,
        eConstraintSingleChainIK = 5,
        eConstraintAim = 6
    };

    static KScnSdkManager* CreateManager() { return new KScnSdkManager(); }

    KScnSdkManager();
    KScnSdkManager(const KScnSdkManager&) = delete;
    KScnSdkManager& operator=(const KScnSdkManager&) = delete;
    // DestroyAllObjects, then deletes the listeners.
    ~KScnSdkManager() override;

    // prefix + the name's text after its first "::" (the whole name when it
    // has none); an empty text becomes "Name"; a null or empty prefix adds nothing.
    static KString PrefixName(const char* prefix, const char* name);

    // ---- Creators: null from a factory lists nothing and is passed on ----
    KScnSceneRoot* CreateScene();
    KScnNode* CreateNode(const char* name);
    // Node attributes, all in the node-attribute list.
    KScnNull* CreateNull();
    KScnMarker* CreateMarker();
    KScnCamera* CreateCamera();
    KScnLight* CreateLight();
    KScnSkeleton* CreateSkeleton();
    KScnMesh* CreateMesh();
    KScnPatch* CreatePatch();
    KScnNurb* CreateNurb();
    KScnOpticalReference* CreateOpticalReference();
    KScnCameraSwitcher* CreateCameraSwitcher();
    // Shapes (morph targets) have a list of their own.
    KScnShape* CreateShape();
    KScnTriangulator* CreateTriangulator();
    KScnLink* CreateLink();
    KScnMaterial* CreateMaterial(const char* name);
    KScnTexture* CreateTexture(const char* name);
    KScnVideo* CreateVideo(const char* name);
    // A bind pose for bindPose true, else a rest pose.
    KScnPose* CreatePose(const char* name, bool bindPose);
    // A handle with its own record; the name is kept as given.
    KScnPropertyRef* CreateUserProperty(const char* name, const char* dataType, const char* label);
    // A handle standing for an existing kernel property (not owned).
    KScnPropertyRef* CreateUserPropertyFromProperty(KProperty* property);
    // The name is kept as given.
    KScnGenericNode* CreateGenericNode(const char* name);
    // "SubDeformer::" when kindText is "Cluster" in any case, else "Deformer::".
    KScnDeformer* CreateDeformer(const char* name, const char* kindText);
    // Kinds 1 to 6 (EConstraintKind); any other kind gives null, no error.
    KScnConstraint* CreateConstraint(const char* name, int kind);
    // A character named "Constraint::" + name, in the handler list (the
    // scene's CreateCharacter lists it in the scene too).
    KScnCharacter* CreateCharacter(const char* name);
    KScnExporter* CreateExporter();
    // An importer for this manager (the caller destroys it with
    // DestroyImporter, or the manager does when it goes).
    KScnImporter* CreateImporter();
    KScnThumbnailImage* CreateThumbnail();
    KScnSceneMetaData* CreateSceneMetaData();
    // Lists an attribute made elsewhere (a geometry built by its own code);
    // false for null or one already listed. The manager owns it from then on.
    bool AdoptNodeAttribute(KScnNodeAttribute* attribute);

    // ---- Destroyers: false (error id 0) when the object is not listed, or
    // is owned (IsOwned) ----
    // With recursive, the scene's root node and its subtree go too. True
    // once the scene is gone, whatever became of the subtree.
    bool DestroyScene(KScnSceneRoot* scene, bool recursive);
    // With recursive, the children (last first) and the node's attribute go
    // too; an attribute the manager does not list, or one that is owned, is
    // only detached, and an owned node in the subtree is only cut loose
    // (the answer is then false, error 0). Without, the children are only
    // cut loose and the attribute detached.
    bool DestroyNode(KScnNode* node, bool recursive = false);
    bool DestroyNodeAttribute(KScnNodeAttribute* attribute);
    bool DestroyLink(KScnLink* link);
    bool DestroyShape(KScnShape* shape);
    bool DestroyTriangulator(KScnTriangulator* triangulator);
    bool DestroyMaterial(KScnMaterial* material);
    bool DestroyTexture(KScnTexture* texture);
    bool DestroyVideo(KScnVideo* video);
    bool DestroyPose(KScnPose* pose);
    bool DestroyUserProperty(KScnPropertyRef* property);
    bool DestroyGenericNode(KScnGenericNode* node);
    // The set is disconnected from the handler list; the object is deleted
    // when it was connected (or had left the list by its detach step).
    bool DestroyDeformer(KScnDeformer* deformer);
    bool DestroyConstraint(KScnConstraint* constraint);
    // A deformer, a constraint or a character.
    bool DestroyObject(KScnTakeNodeContainer* object);
    bool DestroyExporter(KScnExporter* exporter);
    bool DestroyImporter(KScnImporter* importer);
    bool DestroyThumbnail(KScnThumbnailImage* thumbnail);
    bool DestroySceneMetaData(KScnSceneMetaData* metaData);

    // ---- Finders: the occurrence-th (0 = first) object whose current name
    // equals PrefixName(kind prefix, name) byte by byte; null and error id 0
    // when there is none ----
    KScnNode* FindNode(const char* name, int occurrence = 0);
    KScnMaterial* FindMaterial(const char* name, int occurrence = 0);
    KScnTexture* FindTexture(const char* name, int occurrence = 0);
    KScnVideo* FindVideo(const char* name, int occurrence = 0);
    // First exact match of the text as given; null and error id 0 when none.
    KScnPose* FindPose(const char* name);
    KScnGenericNode* FindGenericNode(const char* name);
    // First handle of that name; null without setting an error.
    KScnPropertyRef* FindUserProperty(const char* name) const;

    // Destroys every listed object kind by kind, then tells the listeners.
    void DestroyAllObjects();

    // Whether the object belongs to another object (above), so that the
    // destroyers refuse it.
    bool IsOwned(const void* object) const { return mOwned.count(object) != 0; }

    // Looks again at the materials and textures of every layer container
    // whose items may have changed since it last did (KScnLayerContainer),
    // so that destroying one visits only the containers that hold it. Done
    // at the end of a read and before a material or texture is made; memory
    // running out leaves containers to be looked at by each destroy.
    void SettleAllLayerItems();

    // Installs (owning) a listener, deleting the one it replaces.
    void SetListener(EListenerKind kind, KScnSdkManagerListener* listener);

    // ---- Per-kind lists ----
    int GetSceneCount() const { return mScenes.GetCount(); }
    KScnSceneRoot* GetScene(int index) const { return mScenes.GetAt(index); }
    int GetNodeCount() const { return mNodes.GetCount(); }
    KScnNode* GetNode(int index) const { return mNodes.GetAt(index); }
    int GetNodeAttributeCount() const { return mAttributes.GetCount(); }
    // Whether the attribute is in the node-attribute list (without a search).
    bool HasNodeAttribute(const KScnNodeAttribute* attribute) const
    {
        return mAttributes.Contains(attribute);
    }
    KScnNodeAttribute* GetNodeAttribute(int index) const { return mAttributes.GetAt(index); }
    int GetLinkCount() const { return mLinks.GetCount(); }
    int GetShapeCount() const { return mShapes.GetCount(); }
    KScnShape* GetShape(int index) const { return mShapes.GetAt(index); }
    int GetTriangulatorCount() const { return mTriangulators.GetCount(); }
    int GetMaterialCount() const { return mMaterials.GetCount(); }
    KScnMaterial* GetMaterial(int index) const { return mMaterials.GetAt(index); }
    int GetTextureCount() const { return mTextures.GetCount(); }
    KScnTexture* GetTexture(int index) const { return mTextures.GetAt(index); }
    int GetVideoCount() const { return mVideos.GetCount(); }
    KScnVideo* GetVideo(int index) const { return mVideos.GetAt(index); }
    int GetPoseListCount() const { return mPoses.GetCount(); }
    int GetUserPropertyCount() const { return mUserPropertyCount; }
    int GetGenericNodeCount() const { return mGenericNodes.GetCount(); }
    // Deformers, constraints and characters: the owners of the handler
    // list's sources in their order, then those that left it by their detach
    // step. Null out of range.
    int GetHandlerObjectCount() const;
    KScnTakeNodeContainer* GetHandlerObject(int index) const;
    // The handler list (only the manager connects to it): the property sets
    // of the deformers, constraints and characters listed, as its items
    // (GetCount, GetAt, FindByName) and as its sources, in the same order.
    // A character's set is connected one way, so that its own connection
    // lists (and its "DestinationObject" view of them) do not show the manager. A set that leaves the list
    // by its detach step leaves the items too.
    const KObjectList* GetHandlerList() const { return mHandlerList; }
    int GetExporterCount() const { return mExporters.GetCount(); }
    int GetImporterCount() const { return mImporters.GetCount(); }
    int GetThumbnailCount() const { return mThumbnails.GetCount(); }
    int GetSceneMetaDataCount() const { return mMetaData.GetCount(); }
    // The manager's own table, made with it.
    KScnNamedCallbackTable* GetNamedCallbackTable() const { return mCallbacks; }

    // KScnPoseScope: the poses of every scene, scenes in list order.
    int GetPoseCount() const override;
    KScnPose* GetPose(int index) const override;

    KErrorRecord& GetError() { return mError; }

protected:
    // ---- Factory operations: each creator above calls its own (named
    // objects get their full name), then lists what it returns. A derived
    // manager may make objects of classes of its own here; null makes the
    // creator answer null and list nothing. Shapes, camera switchers and
    // characters are constructed by their creators directly. ----
    virtual KScnSceneRoot* NewSceneRoot();
    virtual KScnNode* NewNode(const char* name);
    virtual KScnNull* NewNull();
    virtual KScnMarker* NewMarker();
    virtual KScnCamera* NewCamera();
    virtual KScnLight* NewLight();
    virtual KScnSkeleton* NewSkeleton();
    virtual KScnMesh* NewMesh();
    virtual KScnPatch* NewPatch();
    virtual KScnNurb* NewNurb();
    virtual KScnOpticalReference* NewOpticalReference();
    virtual KScnLink* NewLink();
    virtual KScnMaterial* NewMaterial(const char* name);
    virtual KScnShape* NewShape();
    virtual KScnTexture* NewTexture(const char* name);
    virtual KScnVideo* NewVideo(const char* name);
    virtual KScnPose* NewPose(const char* name, bool bindPose);
    virtual KScnPropertyRef* NewUserPropertyFromProperty(KProperty* property);
    virtual KScnPropertyRef* NewUserProperty(const char* name, const char* dataType, const char* label);
    virtual KScnGenericNode* NewGenericNode(const char* name);
    virtual KScnDeformer* NewDeformer(const char* name, const char* kindText);
    virtual KScnThumbnailImage* NewThumbnail();
    virtual KScnSceneMetaData* NewSceneMetaData();
    virtual KScnTriangulator* NewTriangulator();
    // Called by the constructor (so always this class's own).
    virtual KScnNamedCallbackTable* NewNamedCallbackTable();
    virtual KScnExporter* NewExporter();
    virtual KScnImporter* NewImporter();
    virtual KScnConstraint* NewConstraintPosition(const char* name);
    virtual KScnConstraint* NewConstraintRotation(const char* name);
    virtual KScnConstraint* NewConstraintScale(const char* name);
    virtual KScnConstraint* NewConstraintParent(const char* name);
    virtual KScnConstraint* NewConstraintSingleChainIK(const char* name);
    virtual KScnConstraint* NewConstraintAim(const char* name);

private:
    template <typename T> T* ListAttribute(T* attribute);
    template <typename T> T* Listed(KRankedSet<T>& list, T* object);
    // False (error 0) when the list does not hold the object; takes no memory.
    template <typename T> bool Unlist(KRankedSet<T>& list, const T* object);
    template <typename T>
    T* FindNamed(const KRankedSet<T>& list, const char* prefix, const char* name, int occurrence);
    void Notify(EListenerKind kind, const KScnObject* object);
    // Destroys the handles the object made for its own properties and owns
    // (KScnObject::AdoptUserProperty), which would otherwise outlive them;
    // the handles a caller listed stay.
    void DestroyOwnHandles(KScnObject* object);
    // What every dying scene object goes through before it is deleted: it
    // leaves the scenes, its own handles are destroyed and the other handles
    // standing for its properties stop standing for them.
    friend class KScnSceneRoot;
    void ObjectGoes(KScnObject* object);
    // Owners mark what they own, and unmark it before they destroy it.
    friend class KScnSceneCameraSettings;
    friend class KScnCharacterPose;
    friend class KScnGeometry;
    void SetOwned(const void* object, bool owned);
    // False, with error 0, when the object is owned.
    bool NotOwned(const void* object);
    // Handles standing for a property, by the object that owns the property
    // (KScnPropertyRef::SetProperty keeps them).
    friend class KScnPropertyRef;
    friend class KScnPropertyHandler;
    void LinkStandIn(KScnPropertyRef* ref);
    void UnlinkStandIn(KScnPropertyRef* ref);
    // Every handle standing for a property of owner (only for property,
    // when it is not null) stops standing for it, and the objects listing
    // the handle drop their curve links to the property.
    void ForgetStandIns(const KObject* owner, const KProperty* property = nullptr);
    static void UnlinkListersFrom(KScnObject* lister, KProperty* property);
    // The property sets of a node attribute's properties.
    void ForgetAttributeStandIns(KScnNodeAttribute* attribute);
    // The layer elements that hold a material or texture being destroyed let
    // go of it: those of the containers known to hold it and of those whose
    // items may have changed since (KScnLayerContainer::OnLayerItemsOpened).
    // Takes no memory.
    void ForgetInLayers(const void* object, bool material);
    // Takes a dying object out of every scene contents that lists it.
    void ForgetInScenes(const void* object);
    // Told by the scene contents made with this manager whenever an object
    // starts (listed) or stops being listed in them, so that a dying object
    // visits only the contents that list it.
    friend class KScnSceneContents;
    void NoteListing(const void* object, KScnSceneContents* contents, bool listed);
    // The contents that list the object (as a node, a use record or an
    // object entry), in no set order.
    std::vector<KScnSceneContents*> ContentsListing(const void* object) const;
    // What the manager knows of the materials and textures in layer
    // containers (KScnLayerContainer): a container whose items may have
    // changed is open (kept in a list, no memory taken) until the manager
    // looks at its items again (settles it); one that goes is forgotten
    // (no memory taken). Settling answers nothing: memory running out
    // leaves the container open, which only costs a look at each destroy.
    friend class KScnLayerContainer;
    void OpenLayerItems(KScnLayerContainer* container);
    void SettleLayerItems(KScnLayerContainer* container);
    // The container's adder put in the object; wasOpen: the container was
    // open before, so it is settled whole.
    void NoteLayerItem(KScnLayerContainer* container, const void* object, bool wasOpen);
    void ForgetLayerItems(KScnLayerContainer* container);
    void UnindexLayerItems(KScnLayerContainer* container);
    void CloseLayerItems(KScnLayerContainer* container);
    // An object being renamed (KScnObject) has the contents that list it
    // take what the rename needs before its name changes (throwing
    // std::bad_alloc with every contents as it was), and tells them once it
    // has changed (taking no memory). PrepareRename answers those contents.
    friend class KScnObject;
    std::vector<KScnSceneContents*> PrepareRename(const void* object, const char* name);
    void FinishRename(const std::vector<KScnSceneContents*>& listing);
    // Connects the object's property set to the handler list (one-way for
    // a character); deletes the object and answers null when that fails.
    KScnTakeNodeContainer* ListHandlerObject(KScnTakeNodeContainer* object, bool oneWay);
    bool DestroyHandlerObject(KScnTakeNodeContainer* object);
    // The handler list tells the manager of a set that left it not by the
    // manager's hand.
    friend class KScnHandlerList;
    void KeepDetached(KPlug* handler);
    KScnPropertyRef* ListUserProperty(KScnPropertyRef* ref);
    // An object's deferred handles (KScnObject::DeferUserProperties): counted
    // and given their place in the order while reserved.
    friend class KScnObject;
    friend class KScnTakeNodeContainer;
    void ReserveUserProperties(KScnObject* object);
    void ReleaseUserProperties(KScnObject* object);
    // Gives a handle made for a reservation (held or released) the place
    // index of it.
    void PlaceReservedHandle(KScnPropertyRef* ref, uint64_t order, int index);
    // A handle made ahead for a reservation held takes one of its places
    // (the handle counts, the place no more).
    void TakeReservedPlace(KScnObject* object);
    bool UnlistUserProperty(KScnPropertyRef* ref);
    // DestroyUserProperty for a handle known to be alive.
    bool DestroyListedUserProperty(KScnPropertyRef* ref);

    // The per-kind lists, in creation order: a destroyed object leaves its
    // list without a search and without moving the objects after it, and
    // GetNode(i) and the like answer in logarithmic time at worst.
    KRankedSet<KScnSceneRoot> mScenes;
    KRankedSet<KScnNode> mNodes;
    KRankedSet<KScnNodeAttribute> mAttributes;
    KRankedSet<KScnLink> mLinks;
    KRankedSet<KScnShape> mShapes;
    KRankedSet<KScnTriangulator> mTriangulators;
    // Never filled: kept for the layout of the manager's lists, cleared with
    // the others.
    KPointerArray<KObject> mSpare{16};
    KRankedSet<KScnMaterial> mMaterials;
    KRankedSet<KScnTexture> mTextures;
    KRankedSet<KScnVideo> mVideos;
    KRankedSet<KScnPose> mPoses;
    // The user-property handles in creation order. Each knows its slot; a
    // destroyed one leaves a null until nulls outnumber the handles, so that
    // destroying every handle of a scene stays linear.
    std::vector<KScnPropertyRef*> mUserProperties;
    // Objects whose handles are reserved but not made (each knows its slot).
    std::vector<KScnObject*> mReservations;
    // Handles and reservations in creation order: a reservation's handles
    // take the places just after its own.
    static constexpr uint64_t kOrderStep = uint64_t(1) << 20;
    uint64_t mNextOrder = kOrderStep;
    // Made and reserved handles.
    int mUserPropertyCount = 0;
    KRankedSet<KScnGenericNode> mGenericNodes;
    // Owned; its sources are the property sets of the deformers, constraints
    // and characters.
    KObjectList* mHandlerList = nullptr;
    // Objects of the handler list whose sets left it by their detach step,
    // in that order; room is kept so that noting one never allocates.
    std::vector<KScnTakeNodeContainer*> mDetached;
    // Every object of the two above, so that a stale pointer is told apart
    // without touching it.
    std::unordered_set<const KScnTakeNodeContainer*> mHandlerObjects;
    // True while the manager itself connects to or disconnects from the list.
    bool mChangingHandlers = false;
    KRankedSet<KScnExporter> mExporters;
    KRankedSet<KScnImporter> mImporters;
    KRankedSet<KScnThumbnailImage> mThumbnails;
    KRankedSet<KScnSceneMetaData> mMetaData;
    // The contents that list each object (mostly one).
    std::unordered_multimap<const void*, KScnSceneContents*> mListings;
    // The containers known to hold each material and texture, and the first
    // of the open containers (KScnLayerContainer::mOpenNext links the rest).
    std::unordered_map<const void*, std::unordered_set<KScnLayerContainer*>> mLayerHolders;
    KScnLayerContainer* mOpenLayers = nullptr;
    // Objects owned by another (IsOwned).
    std::unordered_set<const void*> mOwned;
    // The first of the handles standing for a property of each object.
    std::unordered_map<const KObject*, KScnPropertyRef*> mStandIns;
    KScnNamedCallbackTable* mCallbacks = nullptr;
    KScnSdkManagerListener* mListeners[eListenerKindCount] = {};
    KErrorRecord mError;
};

} // namespace scenesdk
