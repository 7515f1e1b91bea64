#pragma once

// KScnSceneContents: the member register of one scene. It names the root node
// ("Model::RootNode", made through the manager) and lists the scene's nodes,
// its use-counted materials, textures and generic nodes, and its other
// objects (characters, constraints, deformers, ...).
//
// Ownership: the contents own only their use records; every listed object
// belongs to the SDK manager. Failures set the error record (codes below)
// and answer false or null.

#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KRankedList.h"
#include "scenesdk/kernel/KScnMaterialTextureUse.h"

#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace scenesdk
{

class KScnMaterial;
class KScnNode;
class KScnSdkManager;
class KScnPropertyHandler;
class KScnTakeNodeContainer;
class KScnTexture;
class KScnVideo;
class KScnConstraint;
class KScnDeformer;

class KScnSceneContents : public KScnGenericNodeRegistry, public KScnMaterialTextureUse
{
public:
    enum EError
    {
        eNodeNull = 0,
        eNodeAlreadyOwned = 1,
        eNodeNotOwned = 2,
        eOutOfRange = 3,
        eMaterialInUse = 4,
        eMaterialNotFound = 5,
        eTextureInUse = 6,
        eTextureNotFound = 7,
        eVideoInUse = 8,
        eVideoNotFound = 9,
        eVideoNameClash = 10,
        eGenericNodeInUse = 11,
        eGenericNodeNotFound = 12,
        eObjectNotFound = 15
    };

    // Deformer types of GetDeformerCount / GetDeformer.
    enum EDeformerType
    {
        eAnyDeformer = 0,
        eSkinDeformer = 1,
        eClusterDeformer = 2
    };

    // Makes the root node through the manager and lists it first.
    explicit KScnSceneContents(KScnSdkManager* manager);
    KScnSceneContents(const KScnSceneContents&) = delete;
    KScnSceneContents& operator=(const KScnSceneContents&) = delete;
    ~KScnSceneContents() override;

    // Forgets everything (the root node too); destroys nothing but the
    // records, and takes no memory (the lists keep their room). Every
    // listed node loses its link to these contents, and its geometry and
    // shapes their registration.
    void Clear();

    KScnNode* GetRootNode() const { return mRootNode; }
    // Makes a listed node the root (KScnNode::SetSceneContents, when a tree
    // becomes the whole of the contents).
    void SetRootNode(KScnNode* node) { mRootNode = node; }
    // Contents that lost their root (destroyed, or moved into other
    // contents) get a new "RootNode" through the manager, listed like the
    // first. False, with nothing changed, when they have a root or no
    // manager; memory running out throws std::bad_alloc and changes nothing.
    bool RestoreRootNode();

    // ---- Nodes ----
    // The node's link follows (KScnNode::GetSceneContents).
    bool AddNode(KScnNode* node);
    // Removing the root node also forgets it as the root. The node's link
    // is cleared and its geometry's (and shapes') uses are dropped.
    bool RemoveNode(KScnNode* node);
    int GetNodeCount() const { return mNodes.GetCount(); }
    KScnNode* GetNode(int index);
    // Empties out and appends every node whose attribute has the kind: the
    // tree under the root depth-first (a node before its children) when
    // recursive, else in list order.
    void FillNodesByAttributeType(KPointerArray<KScnNode>& out, int attributeKind, bool recursive) const;

    // ---- Use-counted lists: adding again counts a use; removing drops one
    // use and fails ("still in use") while uses remain. Removing a material,
    // texture or video that only connections still use (below) fails
    // without dropping one ----
    int GetMaterialCount() const { return mMaterials.GetCount(); }
    KScnMaterial* GetMaterial(int index);
    KScnMaterial* FindMaterial(const char* name);
    bool AddMaterial(KScnMaterial* material);
    bool RemoveMaterial(KScnMaterial* material);
    int GetMaterialUseCount(const KScnMaterial* material) const;

    int GetTextureCount() const { return mTextures.GetCount(); }
    KScnTexture* GetTexture(int index);
    KScnTexture* FindTexture(const char* name);
    bool AddTexture(KScnTexture* texture);
    bool RemoveTexture(KScnTexture* texture);
    int GetTextureUseCount(const KScnTexture* texture) const;

    int GetVideoCount() const { return mVideos.GetCount(); }
    KScnVideo* GetVideo(int index);
    KScnVideo* FindVideo(const char* name);
    // Also fails (code 10) when a different video of the same name is listed.
    bool AddVideo(KScnVideo* video);
    bool RemoveVideo(KScnVideo* video);
    int GetVideoUseCount(const KScnVideo* video) const;

    int GetGenericNodeCount() const { return mGenericNodes.GetCount(); }
    KScnGenericNode* GetGenericNode(int index);
    // Null when absent, without an error.
    KScnGenericNode* FindGenericNode(const char* name) const;
    bool AddGenericNode(KScnGenericNode* node);
    bool RemoveGenericNode(KScnGenericNode* node);
    int GetGenericNodeUseCount(const KScnGenericNode* node) const;

    // KScnGenericNodeRegistry (what KScnGenericNode::SetSceneContents calls).
    void RegisterGenericNode(KScnGenericNode* node) override { AddGenericNode(node); }
    void UnregisterGenericNode(KScnGenericNode* node) override;

    // KScnMaterialTextureUse (what geometry layers report): one use more or
    // less of the material or texture.
    void AddMaterialUse(KScnMaterial* material) override;
    void RemoveMaterialUse(KScnMaterial* material) override;
    void AddTextureUse(KScnTexture* texture) override;
    void RemoveTextureUse(KScnTexture* texture) override;

    // Sets a node's contents link (the contents and the node's own scene
    // move keep it).
    static void SetNodeLink(KScnNode* node, KScnSceneContents* contents);

    // ---- Other objects ----
    // The list is an object list whose sources are the objects' property
    // sets; the class-id forms count and answer the objects whose property
    // set is of that class (or derives from it), -1 or the "None" id for all.
    // True when added; false for null, an object without a property set or
    // one already listed.
    bool AddObject(KScnTakeNodeContainer* object);
    // Null is accepted (true); an object not listed fails with code 15.
    bool RemoveObject(KScnTakeNodeContainer* object);
    int GetObjectCount(int classId = -1) const;
    // The owner of the index-th property set that passes the filter, or null.
    KScnTakeNodeContainer* GetObject(int index, int classId = -1) const;
    // The list itself (its sources are the listed objects' property sets).
    KGenericObjectList* GetObjectList() const { return mObjects; }
    // The same by object kind (KScnObject::EObjectKind).
    int GetObjectCountOfKind(int kind) const;
    KScnTakeNodeContainer* GetObjectOfKind(int index, int kind) const;
    // Constraints and characters: the objects whose property set is a
    // constraint property set.
    int GetConstraintCount() const;
    KScnConstraint* GetConstraint(int index) const;
    // The constraint whose current name equals the text exactly, or null.
    KScnConstraint* FindConstraint(const char* name) const;
    // Type 0 counts every deformer, 1 skins, 2 clusters; 3 and above nothing.
    int GetDeformerCount(int type) const;
    KScnDeformer* GetDeformer(int index, int type) const;

    // Drops every trace of an object that is being destroyed (node, use
    // record, object entry), whatever its use count; no error is set.
    void ForgetObject(const void* object);

    // ---- Uses through connections ----
    // A material, texture or video connected to a user (its property set a
    // source of the user's property set or of one of its properties) is
    // used by it: a node or generic node uses
    // materials, textures and videos, a material textures and videos, a
    // texture videos. Every contents that lists the user (a node of its,
    // or a listed material, texture or generic node) counts one use of the
    // used object per such connection, listing it with the first; a
    // connection cut, or a user leaving the contents, takes its use back,
    // and a used object leaving the contents takes back its own. A used
    // object whose name another listed object of its kind has is not
    // counted (the listed one stands for the name): its uses are passed
    // over, and count (listing it) once the name is free, when the one that
    // stood for it left (the first passed over takes its place in the
    // list) or was renamed.
    // The objects whose property sets are plug's sources from position first
    // on, up to kOwnerBatch of them (null for a source that is no set), each
    // asked for of the memory before any is read again: a walk over
    // thousands of sources whose owners are out of the cache (a node with
    // thousands of materials) waits for memory once a batch, not once an
    // owner. Answers how many were read.
    static constexpr int kOwnerBatch = 16;
    static int SourceOwners(KPlug* plug, int first, KScnTakeNodeContainer** owners);
    // Called by the property sets of materials, textures and videos when a
    // destination is added (connected) or removed; userPlug is the
    // destination (the user's property set, or one of its properties),
    // usedSet the set of the object used. The used object is asked for only
    // when a contents lists the user (most links are made before the user
    // joins a scene, and the used set is then seldom in the cache).
    static void OnUseConnection(KPlug* userPlug, KScnPropertyHandler* usedSet, bool connected);
    // A user's or used object's place in the chain node (and generic node,
    // 0) < material (1) < texture (2) < video (3): an object uses only what
    // lies after it; -1 for any other object.
    static int UseRank(const KScnTakeNodeContainer* object);
    // True when a user listed here has the object connected (counted above).
    bool HasConnectedUsers(const void* object) const;

    KErrorRecord& GetError() { return mError; }

private:
    // What the destructor does, also for a constructor stopped part-way.
    void TearDown();

    struct UseRecord
    {
        void* object;
        int useCount;
        // The part of useCount that connections count (CountUse).
        int connectionUses;
        // The record's slot in its list (kept by AddUse, DropRecordAt and
        // the list's squeeze), so that finding it needs no search.
        int position;
        // Its place in the name index: the hash of the name it was indexed
        // under, and the other records of its list under that hash.
        size_t nameHash = 0;
        UseRecord* namePrevious = nullptr;
        UseRecord* nameNext = nullptr;
    };
    // A use list: the records in the order they were listed. A removal
    // leaves a hole, squeezed out once holes outnumber the records, so that
    // taking records out one by one costs no walk of the list.
    using UseList = KRankedList<UseRecord*>;

    // One source of the object list, as the searches by kind see it, with
    // its slots in the lists of its kind and of its deformer type.
    struct KindEntry
    {
        KPlug* handler;
        KScnTakeNodeContainer* object; // null for a plug that is no property set
        int kind;                      // KScnObject::EObjectKind, -1 without object
        int deformerType;              // eSkinDeformer, eClusterDeformer, or -1
        int kindSlot;
        int anyDeformerSlot;
        int typeSlot;
    };
    // The searches by kind answer from this index of the object list: the
    // sources in order, the objects per kind and the deformers per type,
    // each found by rank in logarithmic time. The list tells every change
    // of its sources (KScnContentsObjectList): an append or a removal keeps
    // the index up to date, anything else (or a count that no longer
    // matches) makes the next search rebuild it, and so do the holes of
    // removals once they outnumber the entries.
    struct KindIndex
    {
        bool valid = false;
        KRankedList<KindEntry> entries;
        std::unordered_map<int, KRankedList<KScnTakeNodeContainer*>> byKind;
        KRankedList<KScnTakeNodeContainer*> deformers[eClusterDeformer + 1];
        std::unordered_map<const void*, int> objects; // entries per object
    };
    friend class KScnContentsObjectList;
    void OnObjectListChange(int code, int index, KPlug* source);
    const KindIndex& Kinds() const;
    // Whether Kinds() answers without rebuilding the index.
    bool KindsCurrent() const;
    static KindEntry MakeKindEntry(KPlug* handler);
    static void IndexEntry(KindIndex& index, const KindEntry& entry);
    static void UnindexEntry(KindIndex& index, int rank);
    // What the manager is told: one listing more (change 1) or fewer (-1)
    // of the object here (nodes, use records and object entries together).
    void NoteListing(const void* object, int change);

    // The use list a connection from used to user counts in; null when the
    // connection is no use.
    UseList* UseListOf(const KScnTakeNodeContainer* user, const KScnTakeNodeContainer* used);
    // The object of a record of the list, as the scene object it is.
    KScnTakeNodeContainer* ObjectOf(const UseList& list, void* object) const;
    bool ListsUser(const KScnTakeNodeContainer* user) const;
    // True when another object of the list has the name (from the name
    // index). Neither object nor also (when given) counts.
    bool NameListed(const UseList& list, const void* object, const char* name,
                    const void* also = nullptr) const;
    // The listed object of the name that comes first in the list, or null.
    void* FindNamed(const UseList& list, const char* name) const;
    void CountUse(KScnTakeNodeContainer* user, KScnTakeNodeContainer* used);
    // A hint: asks the memory system for what CountUse(user, used) reads of
    // the records, so that a batch of counts waits for memory once.
    void PrefetchCount(KScnTakeNodeContainer* user, KScnTakeNodeContainer* used);
    // Room for count more uses of user, when it is listed: a user joining
    // with thousands of connections grows its list once. False when no
    // room was asked for.
    bool ReserveUses(const KScnTakeNodeContainer* user, int count);
    void DropUse(const void* user, const void* used);
    struct ConnectionUse;
    // Forgets one use of object by user in both maps (false when there is
    // none); takes no memory. removed (when given) receives the use.
    bool Unrecord(const void* user, const void* object, ConnectionUse* removed = nullptr);
    // Gives back what a use forgotten by Unrecord counted: one use of its
    // record, or one use passed over.
    void Release(const ConnectionUse& use);
    // Notes a use passed over, or takes one back (no memory taken).
    void PassOver(UseList& list, const void* object);
    void UnpassOver(const void* object);
    // Counts every use passed over of the object (now listed) and returns
    // how many; takes no memory.
    int AdoptPassedOver(const void* object);
    // Marks every use of the object counted or passed over (no memory taken).
    void MarkUses(const void* object, bool counted);
    // The record of an object leaving the list goes to the first object of
    // its name whose uses were passed over (no memory taken); that object,
    // or null.
    void* HandOver(UseList& list, UseRecord* record);
    struct PassedOver;
    // The object of the list and name whose uses were passed over first
    // (and not adopted), or null; from the name index.
    PassedOver* FirstPassedOver(const UseList& list, const char* name);
    // Counts the uses of every object connected to a user that starts being
    // listed here; LeaveUses takes back those of one that stops.
    void JoinUses(KScnTakeNodeContainer* user);
    void LeaveUses(const void* user);
    // One use less, without an error; the record goes with its last use.
    void ReleaseUse(UseList& list, const void* object);
    // uses: what a new record starts with (0 when only uses passed over
    // come in) and what an existing one gains.
    bool AddUse(UseList& list, void* object, int uses = 1);
    bool RemoveUse(UseList& list, void* object, int notFound, int inUse);
    int FindNode(const KScnNode* node) const;
    // The record's slot in the list, or -1.
    int FindUse(const UseList& list, const void* object) const;
    int UseCountOf(const UseList& list, const void* object) const;
    // The object of the index-th record (in list order).
    void* UseAt(const UseList& list, int index);
    void DeleteRecords(UseList& list);
    // Takes the record at the slot out of its list and the indexes and
    // frees it; allocates nothing.
    void DropRecordAt(UseList& list, int slot);
    // The same, the record first handed to the first passed over of its
    // name (HandOver), the object's uses given back.
    void DeleteRecordAt(UseList& list, int slot);

    // ---- A tree moving in (KScnNode::SetSceneContents) ----
    // All that a move needs is taken before anything leaves its place, so
    // that running out of memory leaves every contents as it was.
    friend class KScnNode;
    // Contents without a root node, where a tree that is to become the
    // whole of other contents is listed first (TakeOver).
    struct Staging
    {
    };
    KScnSceneContents(KScnSdkManager* manager, Staging);
    // Lists the node and counts its uses as AddNode does, its link left as
    // it is; all or nothing. UnstageNode takes it back, taking no memory.
    void StageNode(KScnNode* node);
    void UnstageNode(KScnNode* node);
    // Room in these contents' lists for what staged lists, so that
    // TakeOver takes no memory.
    void ReserveFor(const KScnSceneContents& staged);
    // Emptied (Clear) and with room (ReserveFor), these contents take over
    // staged's nodes, records and uses whole (the manager's listings
    // follow), leaving staged empty. The nodes' links and their geometries'
    // registrations are the caller's. Takes no memory.
    void TakeOver(KScnSceneContents& staged);
    // What a staged step that listed an object (AddUse) did, taken back
    // without taking memory: uses are the uses it gave the record. A record
    // left with no other uses than those it adopted while staging goes, and
    // they are passed over again, as they were.
    void TakeBackListing(UseList& list, const void* object, int uses);
    // This contents' use list in the place staged's list has in staged.
    UseList* OwnList(const KScnSceneContents& staged, const UseList* list);
    // While a move or a rename is staged here, the uses passed over of an
    // object that becomes listed keep their entry (AdoptPassedOver, which
    // notes it among the adopted), and the geometries' uses taken back go
    // through TakeBackUse. EndStaging drops the entries adopted; no memory
    // taken.
    bool mStaging = false;
    void EndStaging();
    // Takes back a use a staged step counted, not through a connection (a
    // layer's, or a listing's): TakeBackListing of one use.
    void TakeBackUse(UseList& list, const void* object) { TakeBackListing(list, object, 1); }
    UseList& ListOfRank(int rank);

    // ---- A rename (KScnObject::SetName through the manager) ----
    // Before the name changes, PrepareRename takes all that the rename needs
    // here: room in the name indexes under the new name, and the listing of
    // what the rename lets count (the first passed over of the old name,
    // when the object leaves it free; the object itself, passed over, when
    // no listed one has the new name), staged so that
    // CancelRename takes it back without memory. Memory running out throws,
    // these contents as they were. Once the name has changed, FinishRename
    // moves the object's entries to the new name; it takes no memory.
    friend class KScnSdkManager;
    void PrepareRename(const void* object, const char* name);
    void CancelRename();
    void FinishRename();
    struct PendingRename
    {
        const void* object = nullptr; // null: the rename changes nothing here
        UseList* list = nullptr;
        size_t hash = 0;         // of the new name
        void* listed = nullptr;  // what PrepareRename listed
        bool recordRoom = false; // index entries PrepareRename made
        bool passedRoom = false;
    };
    PendingRename mRename;

    KScnNode* mRootNode = nullptr;
    KPointerArray<KScnNode> mNodes{16};
    UseList mMaterials;
    UseList mTextures;
    UseList mVideos;
    UseList mGenericNodes;
    // Destroyed through KObject::Destroy with the contents.
    KGenericObjectList* mObjects = nullptr;
    // What the lists hold, so that adding many objects needs no search of
    // the lists: the nodes, and the records per object of the use lists.
    std::unordered_set<const KScnNode*> mNodeSet;
    // The records of each object, keyed by its list and the object.
    // The list goes by its place among the use lists (ListIndex), so that
    // records handed to other contents keep their keys.
    struct RecordKey
    {
        int list;
        const void* object;
        bool operator==(const RecordKey& other) const { return list == other.list && object == other.object; }
    };
    struct RecordKeyHash
    {
        size_t operator()(const RecordKey& key) const
        {
            return std::hash<const void*>()(key.object) * 31u + static_cast<size_t>(key.list);
        }
    };
    int ListIndex(const UseList& list) const;
    RecordKey KeyOf(const UseList& list, const void* object) const
    {
        return RecordKey{ListIndex(list), object};
    }
    std::unordered_map<RecordKey, UseRecord*, RecordKeyHash> mRecordIndex;
    // The name index: per use list (by place) and hash of a name, the
    // records listed under it, chained through the records (nameNext), so
    // that finding a name asks for no walk of the list and a record leaves
    // the index without taking memory. An entry is made before what it
    // records, and goes with its last record.
    struct NameKey
    {
        int list;
        size_t hash;
        bool operator==(const NameKey& other) const { return list == other.list && hash == other.hash; }
    };
    struct NameKeyHash
    {
        size_t operator()(const NameKey& key) const { return key.hash * 31u + static_cast<size_t>(key.list); }
    };
    static size_t NameHash(const char* name);
    NameKey NameKeyOf(const UseList& list, size_t hash) const { return NameKey{ListIndex(list), hash}; }
    // LinkName may make the entry (throwing std::bad_alloc with nothing
    // changed); UnlinkName takes no memory.
    void LinkName(UseList& list, UseRecord* record);
    void UnlinkName(const UseList& list, UseRecord* record);
    std::unordered_map<NameKey, UseRecord*, NameKeyHash> mRecordNames;
    mutable KindIndex mKinds;
    // The manager that made the contents (told which objects are listed
    // here, so that destroying one visits only the contents that list it);
    // null for contents made without one. mListings counts per object.
    KScnSdkManager* mManager = nullptr;
    std::unordered_map<const void*, int> mListings;
    // The uses counted through connections: per user the objects it uses
    // (with their list), and per used object its users.
    struct ConnectionUse
    {
        const void* object;
        UseList* list;
        bool counted; // false: passed over (another object had the name)
    };
    // The objects whose uses are passed over here, with their list, their
    // count of such uses and the order in which they were first passed over.
    struct PassedOver
    {
        UseList* list;
        int uses;
        uint64_t order;
        const void* object;
        // Listed while a move is staged: the entry stays until the staging
        // ends, so that taking the listing back needs no memory; the entries
        // adopted are chained (mAdopted) for the staging's end.
        bool adopted = false;
        PassedOver* adoptedPrevious = nullptr;
        PassedOver* adoptedNext = nullptr;
        // Its place in the passed-over name index, as a record's.
        size_t nameHash = 0;
        PassedOver* namePrevious = nullptr;
        PassedOver* nameNext = nullptr;
    };
    std::unordered_map<const void*, PassedOver> mPassedOver;
    uint64_t mPassOrder = 0;
    PassedOver* mAdopted = nullptr;
    // Per use list and name hash, the entries passed over under it, first
    // passed over first (the order of taking a free place).
    struct PassedChain
    {
        PassedOver* first = nullptr;
        PassedOver* last = nullptr;
    };
    std::unordered_map<NameKey, PassedChain, NameKeyHash> mPassedNames;
    // Takes the entry into the chain of its hash at its place in pass order
    // (the chain's entry made before, or made here: may throw, nothing
    // changed), or out of it (no memory taken).
    void LinkPassed(PassedOver& entry);
    void UnlinkPassed(PassedOver& entry);
    // Notes the entry adopted, or no longer (no memory taken).
    void Adopt(PassedOver& entry);
    void Unadopt(PassedOver& entry);
    // Erases the entry and its places in the chains; no memory taken.
    void ErasePassed(const void* object);
    std::unordered_map<const void*, std::vector<ConnectionUse>> mUsesBy;
    std::unordered_map<const void*, std::vector<const void*>> mUsersOf;
    KErrorRecord mError;
};

} // namespace scenesdk
