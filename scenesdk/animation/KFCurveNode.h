#pragma once

// KFCurveNode: one node of an animation channel tree. A take node owns one
// root per animated object; below it each animated property has a channel
// ("T", "R", "S" for local translation, rotation and scaling, else the
// property's name), and a channel with several components has one child per
// component ("X", "Y", "Z", and "W" for a quaternion layer). As a rule the
// leaves carry the curves and inner nodes only group them.
//
// Values of a subtree travel as arrays of doubles in depth-first order: a
// node's own curve first, then each child's subtree in child order. Callers
// size their arrays with GetTreeValueCount (EvaluateTree, default values,
// AppendKeys) or GetEvaluatedValueCount (Evaluate, EvaluateCached).
//
// Layers: a base node (layer id 0) heads a chain of nodes of the same shape,
// one per animation layer, in ascending layer id, linked by the next-layer
// pointer. Evaluate combines the chain by each node's layer type. A node can
// also point to a time-warp node whose value at a time (in seconds) is the
// time at which the channel is really evaluated.
//
// Ownership: a node owns its curve, its children (unless it holds references,
// flag 8) and its next layer. A time warp is shared by reference count; the
// holder that brings the count below 1 deletes it. Anyone else keeping a
// time-warp node (the file reader's time-warp set) holds a reference of its
// own through AddReference/ReleaseReference. Every node is allocated with
// new and deleted through its virtual destructor.
//
// Nothing here reports errors: searches answer null or -1, out-of-range
// indices change nothing, and the operations over an empty tree give their
// defaults. Not thread-safe.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KCompactText.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace scenesdk
{

class KDataType;
class KFCurve;
class KFCurveNode;
class KScn;
class KSortedIntMap;

// Flag bits of a node.
constexpr uint32_t KFCURVENODE_FLAG_CLONED = 2;    // copied to a clone by CloneTree
constexpr uint32_t KFCURVENODE_FLAG_REFERENCE = 8; // children are not owned
constexpr uint32_t KFCURVENODE_FLAG_DEFAULT = 32;  // set at construction, read by nothing here
constexpr uint32_t KFCURVENODE_FLAG_LAYERED = 64;  // layers may be added under this node
constexpr uint32_t KFCURVENODE_FLAG_CACHE_ALWAYS_VALID = 128;

// Change codes given to NotifyChange.
constexpr uint32_t KFCURVENODE_CHANGE_DESTROY = 2;
constexpr uint32_t KFCURVENODE_CHANGE_CURVE = 4;
constexpr uint32_t KFCURVENODE_CHANGE_TIMEWARP = 8;
constexpr uint32_t KFCURVENODE_CHANGE_LAYERS = 16;

// Layer types.
enum EKFCurveNodeLayerType
{
    eKFCurveNodeLayerNormal = 0,
    eKFCurveNodeLayerAdditive = 1,
    eKFCurveNodeLayerEulerRotation = 2,
    eKFCurveNodeLayerMultiply = 3,
    eKFCurveNodeLayerQuaternion = 4
};

// Rotation order code of the spheric parametrisation.
constexpr int KFCURVENODE_ROTATION_SPHERIC = 12;

// The naming record, possibly shared by several nodes (a base node and its
// layers). When the naming data type is set, the node's name is that data
// type's name.
struct KFCurveNodeInfo
{
    KCompactText mName;
    KCompactText mTypeName;
    KDataType* mDataType = nullptr;
    KDataType* mNamingDataType = nullptr;
    int32_t mRefCount = 0;
};

struct KFCurveNodeListenerRecord;
typedef void (*KFCurveNodeCallback)(KFCurveNode* node, KFCurveNodeListenerRecord* record, void* data);

// What a node's owner attaches to hear of its changes. The node owns the
// record once attached (SetListenerRecord) and frees it when it dies.
struct KFCurveNodeListenerRecord
{
    uint32_t mChangeBits = 0; // OR of the codes since the last reset
    uint32_t mUserWord = 0;
    int32_t mChangeCount = 0;
    uint32_t mReserved = 0; // reset with the others
    std::vector<KFCurveNodeCallback> mCallbacks;
    std::vector<void*> mCallbackData; // parallel to mCallbacks
    bool mSendImmediately = false;

    void AddCallback(KFCurveNodeCallback callback, void* data)
    {
        mCallbacks.push_back(callback);
        mCallbackData.push_back(data);
    }
};

class KFCurveNode
{
public:
    // ---- Construction and lifetime ----
    // The type name is empty for the "TimeWarp" data type, else the name.
    // Null when memory runs out.
    static KFCurveNode* Create(const char* name, KDataType* dataType, int layerType = 0, int layerId = 0);
    KFCurveNode(const char* name, const char* typeName, KDataType* dataType, int layerType = 0,
                int layerId = 0);
    // Shares the source's naming record; copies rotation order, quaternion
    // interpolation and the cache, nothing of the tree.
    explicit KFCurveNode(const KFCurveNode& source);
    KFCurveNode& operator=(const KFCurveNode&) = delete;
    static KFCurveNode* CreateCopy(const KFCurveNode* source);
    // Notifies change 2, frees the listener record, deletes what the node
    // owns and takes the node out of its parent's child array.
    virtual ~KFCurveNode();
    // Deletes through the virtual destructor; nothing for null.
    static void Destroy(KFCurveNode* node) { delete node; }

    // Holders of the node as a time warp or a next layer.
    int GetReferenceCount() const { return mRefCount; }
    void AddReference() { ++mRefCount; }
    // Drops one reference; deletes the node when the count falls below 1.
    // True when the node was deleted.
    bool ReleaseReference();

    // ---- Naming and identity ----
    const char* GetName() const;
    const char* GetTypeName() const;
    KDataType* GetDataType() const;
    KFCurveNodeInfo* GetNodeInfo() const { return mInfo; }
    // Null releases the record (freed with the last user); another record is
    // shared; the same record does nothing.
    void SetNodeInfo(KFCurveNodeInfo* info);
    void SetTypeName(const char* typeName);
    void SetNamingDataType(KDataType* dataType);

    uint32_t GetFlags() const { return mFlags; }
    void SetFlags(uint32_t mask, bool on);
    bool IsReferenceNode() const { return (mFlags & KFCURVENODE_FLAG_REFERENCE) != 0; }
    bool IsLayered() const { return (mFlags & KFCURVENODE_FLAG_LAYERED) != 0; }
    uint32_t GetUserWord() const { return mUserWord; }
    void SetUserWord(uint32_t word) { mUserWord = word; }

    // ---- Children (virtual slots) ----
    virtual void RemoveAllChildren();
    // Appends; returns the index, or -1 for null, this node or one of its
    // ancestors (a child must not contain its parent). Exhausted memory
    // throws std::bad_alloc with nothing changed.
    virtual int AddChild(KFCurveNode* node);
    // Appends a node just made, which nobody else holds: this node owns it
    // once added; refused (null, -1) or failing (exhausted memory, which
    // goes on) it is destroyed. The node added, or null.
    KFCurveNode* AdoptChild(KFCurveNode* made);
    // Out-of-range indices change nothing.
    virtual void RemoveChildAt(int index);
    virtual void DeleteChildAt(int index);
    virtual int GetChildCount() const;
    // A const node hands out only const nodes and curves (its children,
    // parent, descendants, layers, time warp and curve): a tree read through
    // a const pointer (a take that shares its tree with others) cannot be
    // written through what it hands out. The writable forms call the const
    // slots.
    virtual const KFCurveNode* GetChildAt(int index) const;
    KFCurveNode* GetChildAt(int index) { return Writable(std::as_const(*this).GetChildAt(index)); }
    virtual bool IsChild(const KFCurveNode* node, bool recursive) const;
    virtual const KFCurveNode* FindChildByDataType(const KDataType* dataType) const;
    KFCurveNode* FindChildByDataType(const KDataType* dataType)
    {
        return Writable(std::as_const(*this).FindChildByDataType(dataType));
    }
    virtual int IndexOfChild(const KFCurveNode* node) const;
    // Case-insensitive (ASCII) name comparison.
    virtual int IndexOfChildByName(const char* name) const;
    virtual void SetParent(KFCurveNode* parent);
    virtual const KFCurveNode* GetParent() const;
    KFCurveNode* GetParent() { return Writable(std::as_const(*this).GetParent()); }
    // Inserts before the first child whose name compares >= (no case); does
    // not set the parent pointer. Returns the index, -1 for the same cases
    // as AddChild.
    virtual int InsertChildSorted(KFCurveNode* node);
    // Removes the node's first occurrence and deletes it in every case.
    void DeleteChild(KFCurveNode* node);

    // ---- Searches ----
    // Path of names joined by "/"; see FindDescendant in the source.
    const KFCurveNode* FindDescendant(const char* path) const;
    KFCurveNode* FindDescendant(const char* path)
    {
        return Writable(std::as_const(*this).FindDescendant(path));
    }
    const KFCurveNode* FindDescendantByDataType(const KDataType* dataType) const;
    KFCurveNode* FindDescendantByDataType(const KDataType* dataType)
    {
        return Writable(std::as_const(*this).FindDescendantByDataType(dataType));
    }
    KFCurveNode* FindOrCreateChild(const char* name, bool withCurve);

    // ---- Curves ----
    const KFCurve* GetFCurve() const { return mCurve; }
    KFCurve* GetFCurve() { return mCurve; }
    // Returns the previous curve when it was kept, else null.
    KFCurve* SetFCurve(KFCurve* curve, bool deleteOld = false);
    KFCurve* ReplaceFCurve(KFCurve* curve) { return SetFCurve(curve, true); }
    // A new empty curve on every leaf without one.
    void CreateFCurves();

    // ---- Copying ----
    KFCurveNode* CloneTree(bool shareInfo, bool copyCurves, bool createEmptyCurves, int layerId = -1) const;
    KFCurveNode* Clone(bool shareInfo) const { return CloneTree(shareInfo, true, false, -1); }
    // Whether this tree is what source.Clone(false) would make now (names,
    // types, layer fields, curves and children); allocates nothing.
    bool IsCloneOf(const KFCurveNode& source, int layerId = -1) const;
    // Whether Clone(false) keeps everything of this tree that a reader of
    // it sees, caches and curve listeners aside: no node has layers, a time
    // warp, a listener record, a layer id, a naming data type, a naming
    // record shared with another node, a missing child or flags a clone
    // does not get. Such a tree may be read in place of its clone.
    bool HasOnlyClonedParts() const;

    // ---- Plain evaluation (curves only, no layers, warps or cache) ----
    double* EvaluateTree(double* out, KTime time, int* hint = nullptr);
    // Values EvaluateTree writes: one per curve of the subtree.
    int GetTreeValueCount() const;
    // Values Evaluate writes (a quaternion base writes three angles).
    int GetEvaluatedValueCount() const;

    // ---- Change notifications ----
    void NotifyChange(uint32_t code);
    void ResetChanges();
    // Takes ownership (the previous record is freed); null detaches.
    void SetListenerRecord(KFCurveNodeListenerRecord* record);
    KFCurveNodeListenerRecord* GetListenerRecord() const { return mListener; }
    int GetChangeCounter() const { return mChangeCounter; }

    // ---- Layers and time warp ----
    int GetLayerType() const { return mLayerType; }
    // Switching three children to type 4 adds a "W" child with a curve;
    // four children of type 4 switched to type 2 lose the fourth.
    void SetLayerType(int type, KFCurveNode* owner = nullptr);
    int GetLayerId() const { return mLayerId; }
    void SetLayerId(int id) { mLayerId = id; }
    const KFCurveNode* GetNextLayer() const { return mNextLayer; }
    KFCurveNode* GetNextLayer() { return mNextLayer; }
    void SetNextLayer(KFCurveNode* node, bool deleteOld);
    const KFCurveNode* GetLayerOwner() const { return mLayerOwner; }
    KFCurveNode* GetLayerOwner() { return mLayerOwner; }
    void SetLayerOwner(KFCurveNode* owner) { mLayerOwner = owner ? owner : this; }
    const KFCurveNode* GetTimeWarp() const { return mTimeWarp; }
    KFCurveNode* GetTimeWarp() { return mTimeWarp; }
    // Refuses a warp that would make the channel warp itself (the node, or
    // a warp whose own warps lead back here).
    void SetTimeWarp(KFCurveNode* node);
    KFCurveNode* GetLayer(int layerId);
    int EffectiveLayerId(int layerId) const { return IsLayered() ? layerId : 0; }
    void AddLayer(int layerId);
    KFCurveNode* CreateLayer(int layerId, bool deleteOld);
    // Writes the neutral values of the layer type; returns how many.
    int GetLayerNeutralValues(double* out) const;
    bool GetQuaternionInterpolation() const { return mQuaternionInterpolation != 0; }
    void SetQuaternionInterpolation(bool on);
    int GetRotationOrder() const { return mRotationOrder; }
    void SetRotationOrder(int order);

    // ---- Cache and channel evaluation ----
    bool IsCacheValid() const { return mCacheState == 2; }
    bool InvalidateCache(int layerId, bool allLayers);
    void InvalidateNextLayers();
    // What every writer of this channel's keys or values calls (evaluation
    // never looks whether the curves changed): InvalidateCache on the
    // channel with all its layers, and the cached values of the nodes above
    // it and of its layer owner, which hold this channel's values too.
    void InvalidateChannelCache();
    double* Evaluate(double* out, KTime time, int* hint = nullptr, bool useCache = false);
    // A read: only the evaluation caches change.
    double* Evaluate(double* out, KTime time, int* hint = nullptr, bool useCache = false) const
    {
        return const_cast<KFCurveNode*>(this)->Evaluate(out, time, hint, useCache);
    }
    double* EvaluateCached(double* out, KTime time, int* hint = nullptr)
    {
        return Evaluate(out, time, hint, true);
    }
    double* EvaluateLayer(double* out, KTime time, int layerId, int* hint = nullptr);
    void CopyFrom(KFCurveNode& source, bool takeCurves);
    void CopyFromWithLayers(KFCurveNode& source, bool takeCurves);
    void CopyLayersFrom(KFCurveNode& source, bool takeCurves);

    // ---- Rotation channels ----
    static double ClosestAngle(double angle, double reference);
    // out may alias a or p. order holds three axis indices.
    static void ClosestEuler(double* out, const double* p, const double* a, const int* order);
    void GetClosestRotation(double* out, const double* in, KTime time);
    bool GetRotationOffset(double* offsets, const double* a, const double* b) const;
    static void AddVector4(double* out, const double* a, const double* b);
    static void AddValues(double* out, const double* a, const double* b, int n);
    static void ScaleValues(double* out, const double* a, double s, int n);
    static void BlendValues(double* out, const double* a, const double* b, double w, int n);
    double* EvaluateQuaternionRotation(double* out, KTime time, int* hint, bool useCache);
    // The axis-table row of a rotation order (codes outside 0..11 use row 0).
    static void GetAxisOrder(int order, int* row);
    // Three angles (degrees) to the 3x3 part of m, and back, by a rotation
    // order; orders outside 0..12 are taken as 0.
    static void AnglesToMatrix(int order, const double* angles, double* m);
    static void MatrixToAngles(int order, const double* m, double* angles);
    // out = the rotation a followed by b (angles in degrees, by the order),
    // as channel layers compose; out may alias a or b.
    static void ComposeEuler(int order, double* out, const double* a, const double* b);
    // No own curve and exactly three leaf children carrying curves.
    bool IsEulerTriple() const;

    // ---- Key operations ----
    int KeyGetCount(bool includeLayers = false) const;
    bool GetKeyInterval(KTime& start, KTime& stop) const;
    bool GetKeyIntervalRaw(KTime& start, KTime& stop) const;
    // A mask byte i gates child i (byte 0 also the own curve) and child i
    // gets the mask from its own byte on; null includes everything.
    void GetPreviousKeyTime(KTime& out, KTime time, const uint8_t* mask = nullptr);
    void GetNextKeyTime(KTime& out, KTime time, const uint8_t* mask = nullptr, bool includeLayers = false);
    double* GetDefaultValues(double* out) const;
    const double* SetDefaultValues(const double* in);
    const double* AppendKeys(KTime time, const double* in, bool closestRotation);
    void ReplaceKeysInSpan(KFCurveNode& source, KTime start, KTime stop, bool keepSpan = false,
                           bool fill = false);
    void ReplaceQuaternionKeysInSpan(KFCurveNode& source, KTime start, KTime stop, double startScale,
                                     double stopScale, bool keepSpan = false, bool fill = false);

    // ---- Scene file reading ----
    // The node's "Channel" field must be current. Always true.
    bool ReadScn(KScn& scn, bool defaultOnly, bool create, bool withColor);
    // Reads the next "Channel" field of the current block into parent's
    // matching child (created when allowed); null at the end of the block.
    static KFCurveNode* ReadScnChannels(KScn& scn, KFCurveNode* parent, bool defaultOnly, bool create,
                                        bool withColor);
    // One channel read as a new root (the caller owns it).
    static KFCurveNode* ReadScnChannel(KScn& scn, bool defaultOnly, bool withColor);
    static KFCurveNode* ReadScnLayerChannel(KScn& scn, KFCurveNode* node, bool defaultOnly);

private:
    // A node found from this writable node: as writable as this one.
    static KFCurveNode* Writable(const KFCurveNode* node) { return const_cast<KFCurveNode*>(node); }
    void InitFields();
    const KFCurveNode* FindSegment(const char* segment) const;
    const KFCurveNode* SearchSegment(const char* segment, int& visited) const;
    // Name look-ups in a large subtree (a take holding thousands of number
    // channels) go through an index of the names below the node, made once
    // a search has visited kNameIndexFrom nodes: by name, the first node
    // below in depth-first order and the first child. Adding a child whose
    // subtree brings only new names keeps the indexes above it; any other
    // change of the children drops them, and a renamed node drops them all.
    struct SNameIndex;
    static constexpr int kNameIndexFrom = 256;
    const SNameIndex* ValidNameIndex() const;
    void BuildNameIndex() const;
    void DropNameIndexes();
    void NoteChildAdded(KFCurveNode* child, KFCurveNode* formerParent);
    bool IsAncestorOrSelf(const KFCurveNode* node) const;
    KFCurveNode* MakeLayer(int layerId) const;
    // Gives this childless node base's shape as a layer of id layerId: a
    // curve when base has one and a copy of each child of base, all with
    // empty curves at the neutral values of base's layer type.
    void AddLayerShape(const KFCurveNode& base, int layerId);
    KTime WarpTime(KTime time, bool useCache);
    double* EvaluateChildren(double* out, KTime time, int* hint, bool useCache);
    void CombineLayer(double* out, double* v, int nV, KTime time, bool useCache);
    bool CacheHit(KTime time) const;
    // Empties this node's own cache and its curve's (not the children's).
    void ForgetOwnCache();
    void StoreCache(KTime time, const double* values, int n);
    bool PreviousKey(KTime time, const uint8_t* mask, int64_t& best);
    bool NextKey(KTime time, const uint8_t* mask, bool includeLayers, int64_t& best);
    bool QuaternionWindow(KTime time, int* hint, double& position, int& k0, int& k1);
    void QuaternionTangent(bool outgoing, int key, const double* qPrev, const double* q, const double* qNext,
                           double dtPrev, double dtNext, bool hasPrev, bool hasNext, double* tangent);
    void RelativeQuaternion(KTime time, const double* base, double* q);
    struct QuaternionSpan;
    void QuaternionKeys(QuaternionSpan& span);
    void CubicQuaternion(const QuaternionSpan& span, double u, double* blended);
    void ReplaceEulerKeysInSpan(KFCurveNode& source, KTime start, KTime stop, bool keepSpan, bool fill);
    void ApplyLayerTypeFixups(int fileVersion);
    KFCurveNode* FindChannelChild(const KString& name);

    uint8_t mQuaternionInterpolation = 0;
    mutable SNameIndex* mNameIndex = nullptr;
    // A new node with its naming record, or null when memory ran out (a
    // nameless channel would be no channel).
    static KFCurveNode* MakeWhole(const char* name, const char* typeName, KDataType* dataType, int layerType,
                                  int layerId);
    KFCurveNodeInfo* mInfo = nullptr;
    uint32_t mFlags = 0;
    int32_t mRefCount = 0;
    KPointerArray<KFCurveNode> mChildren;
    KFCurve* mCurve = nullptr;
    KFCurveNode* mTimeWarp = nullptr;
    KFCurveNode* mNextLayer = nullptr;
    KFCurveNode* mLayerOwner = nullptr;
    KFCurveNode* mParent = nullptr;
    int32_t mLayerType = 0;
    int32_t mLayerId = 0;
    int32_t mChangeCounter = 0;
    int32_t mRotationOrder = 0;
    int32_t mCacheState = 1;
    double mCachedValues[4] = {0.0, 0.0, 0.0, 0.0};
    int32_t mCachedCount = 0; // how many cached values the last store wrote
    KTime mCachedTime = KTime(KTime::kInfinite);
    KFCurveNodeListenerRecord* mListener = nullptr;
    uint32_t mUserWord = 0;
    bool mWarping = false; // this node is being evaluated as a time warp
};

// The time-warp set consulted by the channel reader for "TimeWarpID": a
// pointer to the reader's map of time-warp nodes by id (null allowed), one
// per thread, so that readers on different threads keep to their own. The
// map's owner keeps a reference on each node it stores.
void SetCurrentTimeWarpSet(KSortedIntMap* map);
KSortedIntMap* GetCurrentTimeWarpSet();
// The node stored under id, or null.
KFCurveNode* FindTimeWarpById(int id);

} // namespace scenesdk
