#pragma once

// KScnNode: the element of the scene hierarchy. A node has a name (kind 1,
// prefix "Model::"), at most one node attribute, its transform (local
// translation, rotation and scaling channels per take, two pivot sets,
// limits, inherit type), visibility and shading state, children, look-at and
// up-vector targets, and its animation channels per take.
//
// The hierarchy is not held in pointers: a child's property set
// (KScnNodeProperties) is a source connection of its parent's set. The
// children are the set's sources that are node property sets, the parent the
// first such destination.
//
// Transforms: ComputeLocalTransform and ComputeGlobalTransform evaluate the
// current take's "T", "R" and "S" channels (angles in degrees; matrices row by
// row with the translation in the fourth row, points as row vectors). Both
// results are cached until a take is made current on the node or an ancestor.
//
// Ownership: made and destroyed by the SDK manager. The node owns its
// property set, its limits and its pending child names; it only refers to its
// attribute and to the nodes it is connected with.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KScnNodeLimits.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KgeMath.h"
#include "scenesdk/kernel/KgeTVector.h"

#include <memory>
#include <vector>

namespace scenesdk
{

class KScnCharacter;
class KScnLink;
class KScnNodeAttribute;
class KScnNodeFinderDuplicateName;
class KScnSceneContents;

// One character slot a node is mapped to: type 0 a character node slot, 1 a
// control-set forward-kinematics slot, 2 an effector's main node, 3 an
// auxiliary effector node (subIndex = auxiliary index - 1).
struct KScnCharacterLinkRecord
{
    KScnCharacter* character;
    int type;
    int index;
    int subIndex;
};

// One evaluation record of a node's transform.
struct KScnNodeTransformCache
{
    // Clears the three words and both valid flags.
    void Invalidate();

    int mWords[3] = {0, 0, 0};
    bool mLocalValid = false;
    bool mGlobalValid = false;
    double mLocal[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double mGlobal[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double mGlobalTranslation[4] = {0, 0, 0, 1};
    double mGlobalRotation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double mGlobalScaling[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double mLocalTranslation[4] = {0, 0, 0, 1};
    double mLocalRotation[4] = {0, 0, 0, 1};
    double mLocalScaling[4] = {1, 1, 1, 1};
};

class KScnNode : public KScnTakeNodeContainer
{
public:
    using ERotationOrder = ::scenesdk::ERotationOrder;
    static constexpr ERotationOrder eEulerXYZ = ::scenesdk::eEulerXYZ;
    static constexpr ERotationOrder eEulerXZY = ::scenesdk::eEulerXZY;
    static constexpr ERotationOrder eEulerYZX = ::scenesdk::eEulerYZX;
    static constexpr ERotationOrder eEulerYXZ = ::scenesdk::eEulerYXZ;
    static constexpr ERotationOrder eEulerZXY = ::scenesdk::eEulerZXY;
    static constexpr ERotationOrder eEulerZYX = ::scenesdk::eEulerZYX;
    static constexpr ERotationOrder eSphericXYZ = ::scenesdk::eSphericXYZ;

    // Error ids of the node's error record.
    enum EError
    {
        eErrorTakeNode = 0,
        eErrorNodeNameClash = 1,
        eErrorMaterialNameClash = 2,
        eErrorTextureNameClash = 3,
        eErrorVideoNameClash = 4,
        eErrorIndexOutOfRange = 5,
        eErrorSameSceneContents = 6,
        eErrorCyclicGraph = 7,
        eErrorOwnedNode = 8,
        eErrorHasParent = 9,
    };

    // The name is kept as given (the manager prefixes it). Builds the
    // property set and the limits, resets the property defaults, adds the
    // take "Default", shows the node, shading mode 3, and makes the set's
    // properties user properties of the node.
    explicit KScnNode(KScnSdkManager* manager = nullptr, const char* name = "");

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnNode() override;
    friend class KScnSdkManager;

public:
    // ---- Object ----
    int GetObjectKind() const override { return eKindNode; }
    KScnPropertyHandler* GetPropertyHandler() override { return mProperties; }
    KScnNodeProperties* GetNodeProperties() const { return mProperties; }
    // The set's properties, then the attribute's.
    void CollectHandlerProperties(std::vector<KProperty*>& out) override;
    // The attribute's type name, or "Null" without one.
    KString GetTypeName() const override;
    KStringList GetTypeNameList() const override;
    KErrorRecord& GetError() { return mError; }

    // ---- Takes ----
    // Both clear the transform caches of this node and its descendants first.
    bool SelectTakeNodeByName(const char* name) override;
    bool SelectTakeNodeByIndex(int index) override;
    // Union of the intervals of this node and all its descendants.
    bool GetCurrentTakeInterval(KTime& start, KTime& stop) override;
    // "Transform" with "T", "R", "S" ("X", "Y", "Z" each) and "Visibility",
    // linked to their properties; then the channels of every other animatable property.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;
    int GetTakeChannelPartCount() override;
    bool BuildTakeChannelPart(KScnTakeNodeEntry* take, int part) override;

    // ---- Hierarchy ----
    // A node has one parent at most. AddChild is the one call that moves a
    // node that has a parent: a direct connection of node property sets
    // (KPlug::ConnectSrc, ConnectDst, InsertSrc, ReplaceSrc, SetSrc) of a
    // node that has a parent is refused, error 9 "Node already has a
    // parent" (cut it from its parent first, or use AddChild).
    //
    // False for null; for this node or an ancestor (error 7 "Operation would
    // generate a cyclic graph"); for a node without a parent that is already
    // in this node's scene contents (error 6 "Nodes already share their
    // scene contents": it is the root, or a node put there without one); and
    // when either node is one of a scene's hidden nodes (error 8 "Node
    // belongs to its scene": KScnSdkManager::IsOwned). A child with a parent
    // moves: it is connected here, joins this node's scene when that is
    // another (with its subtree, as SetSceneContents(contents, false) takes
    // it), and only then is cut from its old parent, so a move within one
    // scene never takes it out of the scene. Appended after the other
    // children (a child of this node moves to the end). Whole: memory
    // running out throws std::bad_alloc with the child where it was, under
    // its old parent, in its old scene.
    bool AddChild(KScnNode* child);
    // Disconnects the child; returns it (null when it was not a child).
    KScnNode* RemoveChild(KScnNode* child);
    KScnNode* GetParent() const;
    int GetChildCount(bool recursive = false) const;
    // Null for an index outside 0 .. count - 1. Constant time (and the
    // direct count too) while the children stay as they were read.
    KScnNode* GetChild(int index) const;
    // The last child, or null: read from the end of the set's sources when
    // the child list is not at hand, so it allocates nothing (a teardown
    // walks a subtree with it).
    KScnNode* GetLastChild() const;
    // Compares "Model::" + name with the current (or initial) names, each
    // child's subtree searched right after the child when recursive.
    KScnNode* FindChild(const char* name, bool recursive = true, bool initialName = false) const;
    // Called by the property set on a change of its sources: the children
    // read before are read again (an append or a removal of the last child
    // is applied to them instead).
    void OnSourcesChanged(int code, KPlug* source, int index);
    // Names of children not built yet (owned copies).
    void AddChildName(const char* text);
    const char* GetChildName(int index) const;
    int GetChildNameCount() const { return mChildNames.GetCount(); }

    // ---- Attribute ----
    // Returns the previous attribute, or null when attribute is already this
    // node's. The previous one is detached; the new one leaves its old node
    // first. Multi-layer and multi-take are recomputed. Nothing changes (null)
    // on one of a scene's hidden nodes, or for one of their attributes
    // (KScnSdkManager::IsOwned).
    KScnNodeAttribute* SetNodeAttribute(KScnNodeAttribute* attribute);
    KScnNodeAttribute* GetNodeAttribute() const { return mAttribute; }
    KScnNodeAttribute* GetMarker() const { return AttributeOfKind(2, 2); }
    KScnNodeAttribute* GetSkeleton() const { return AttributeOfKind(3, 3); }
    KScnNodeAttribute* GetGeometry() const { return AttributeOfKind(4, 6); }
    KScnNodeAttribute* GetMesh() const { return AttributeOfKind(4, 4); }
    KScnNodeAttribute* GetNurb() const { return AttributeOfKind(5, 5); }
    KScnNodeAttribute* GetPatch() const { return AttributeOfKind(6, 6); }
    KScnNodeAttribute* GetCamera() const { return AttributeOfKind(7, 7); }
    KScnNodeAttribute* GetCameraSwitcher() const { return AttributeOfKind(8, 8); }
    KScnNodeAttribute* GetLight() const { return AttributeOfKind(9, 9); }

    // ---- Scene ----
    // The contents of the scene the node belongs to; null for a free node.
    // Kept by KScnSceneContents as the node joins and leaves it.
    KScnSceneContents* GetSceneContents() const { return mSceneContents; }
    // Moves the node and its subtree into contents (null: out of any), with
    // the materials and textures of its geometries' layers and those
    // connected to its nodes, and the videos connected to those nodes and
    // textures. Each node leaves the contents it is in (its geometry's uses
    // go with it); a collected object listed there goes entirely unless a
    // node that stays uses it (connected, or in its layers) or, for a video,
    // a texture that stays. Then the nodes join the new contents (geometries
    // and shapes register their uses) and every collected object not listed
    // there yet is listed.
    // A node stays in its parent's scene: one whose parent stays behind (is
    // not in contents) is cut from it, leaving (null, with or without
    // checkNames) before it goes, joining another scene once it is there.
    // With checkNames nothing moves, and the answer is false, when a member
    // of the new contents that is not moving has the name of a moving one:
    // node (error 1), texture (3), video (4), material (2), tested in this
    // order. Otherwise the node is first cut from its parent, and the
    // subtree becomes the whole of the new contents: their old root node
    // leaves (SetSceneContents(null, true)), their lists are emptied
    // (KScnSceneContents::Clear), and this node is their root.
    // True when already there. A node a scene owns (a hidden node) joins no
    // contents: false, error 8.
    // Leaving (null) allocates nothing. Joining may throw std::bad_alloc,
    // and then nothing has changed: everything the move needs is taken
    // before anything leaves its place (the subtree that becomes the whole
    // of the new contents is listed apart first), and the steps after that
    // take no memory.
    bool SetSceneContents(KScnSceneContents* contents, bool checkNames);
    // True from the start of the destructor on.
    bool IsBeingDestroyed() const { return mBeingDestroyed; }

    // ---- Skin links naming the node (kept by KScnLink) ----
    // One entry per link slot (0 the link node, 1 the associate model) that
    // names this node; the node's destructor empties those slots. Adding
    // answers the entry's place, which the link keeps for its removal (the
    // last entry takes the place of a removed one).
    int AddLinkReference(KScnLink* link, int slot);
    void RemoveLinkReference(int place);
    int GetLinkReferenceCount() const
    {
        return mLinkReferences ? static_cast<int>(mLinkReferences->size()) : 0;
    }

    // ---- Character links (kept by the characters and control sets) ----
    // Appends the record; an equal record already listed is not repeated.
    void AddCharacterLink(KScnCharacter* character, int type, int index, int subIndex);
    // Removes the first equal record and returns the position it had; -1
    // when there is none or the character is null.
    int RemoveCharacterLink(KScnCharacter* character, int type, int index, int subIndex);
    int GetCharacterLinkCount() const { return static_cast<int>(mCharacterLinks.size()); }
    // False for an index outside 0..count-1.
    bool GetCharacterLink(int index, KScnCharacterLinkRecord& out) const;

    // ---- Targets ----
    void SetTarget(KScnNode* target);
    void SetTargetUp(KScnNode* target);
    KScnNode* GetTarget() const;
    KScnNode* GetTargetUp() const;
    void SetPostTargetRotation(const KgeTVector& v) { mPostTargetRotation = v; }
    KgeTVector GetPostTargetRotation() const { return mPostTargetRotation; }
    void SetUpTargetRotation(const KgeTVector& v) { mUpTargetRotation = v; }
    KgeTVector GetUpTargetRotation() const { return mUpTargetRotation; }

    // ---- State ----
    void SetVisibility(bool on);
    bool GetVisibility() const;
    void SetShadingMode(int mode) { mShadingMode = mode; }
    int GetShadingMode() const { return mShadingMode; }
    void SetMultiLayer(bool on) { mMultiLayer = on; }
    bool GetMultiLayer() const { return mMultiLayer; }
    void SetMultiTake(int value) { mMultiTake = value; }
    int GetMultiTake() const { return mMultiTake; }
    void SetFlag(bool on) { mFlag = on; }
    bool GetFlag() const { return mFlag; }
    // The "RotationActive" value, written directly (the limits call this).
    void SetRotationActive(bool on);
    bool GetRotationActive() const;

    // ---- Local channels (through the user properties) ----
    void SetLocalTranslation(double x, double y, double z);
    void SetLocalRotation(double x, double y, double z);
    void SetLocalScaling(double x, double y, double z);
    // "Lcl Translation" into v; v unchanged when absent.
    KgeTVector& GetLocalTranslation(KgeTVector& v) const;

    // ---- Pivots (set 0 or 1; others ignored, read as (0, 0, 0, 0)) ----
    void SetTranslationOffset(int set, const KgeTVector& v);
    void SetRotationPivot(int set, const KgeTVector& v);
    void SetRotationPivotUpdateOffset(int set, const KgeTVector& v);
    void SetPreRotation(int set, const KgeTVector& angles);
    void SetPostRotation(int set, const KgeTVector& angles);
    void SetScalingOffset(int set, const KgeTVector& v);
    void SetScalingPivot(int set, const KgeTVector& v);
    void SetScalingPivotUpdateOffset(int set, const KgeTVector& v);
    void SetGeometricTranslation(int set, const KgeTVector& v);
    void SetGeometricRotation(int set, const KgeTVector& v);
    void SetGeometricScaling(int set, const KgeTVector& v);
    KgeTVector GetTranslationOffset(int set) const
    {
        return GetPivotVector(set, KScnNodePivotSet::eTranslationOffset);
    }
    KgeTVector GetRotationPivot(int set) const
    {
        return GetPivotVector(set, KScnNodePivotSet::eRotationPivot);
    }
    KgeTVector GetPreRotation(int set) const { return GetPivotVector(set, KScnNodePivotSet::ePreRotation); }
    KgeTVector GetPostRotation(int set) const { return GetPivotVector(set, KScnNodePivotSet::ePostRotation); }
    KgeTVector GetScalingOffset(int set) const
    {
        return GetPivotVector(set, KScnNodePivotSet::eScalingOffset);
    }
    KgeTVector GetScalingPivot(int set) const { return GetPivotVector(set, KScnNodePivotSet::eScalingPivot); }
    KgeTVector GetPivotVector(int set, int which) const;
    // An order outside eEulerXYZ..eSphericXYZ is ignored; set 0 also stores
    // the Euler-order code (twice the order).
    void SetRotationOrder(int set, int order);
    int GetRotationOrder(int set) const;
    void SetRotationSpaceForLimitOnly(int set, bool on);
    bool GetRotationSpaceForLimitOnly(int set) const;
    void SetPivotState(int set, int state);
    int GetPivotState(int set) const;
    // "InheritType" and the evaluation copy; a type outside 0..2 is ignored.
    void SetTransformInheritType(int type);
    int GetTransformInheritType() const;

    const KScnNodePivotEval& GetPivotEval() const
    {
        return static_cast<const KScnNodeProperties*>(mProperties)->GetPivotEval();
    }
    const KgePivotRotationRecord& GetRotationRecord() const { return GetPivotEval().rotation; }

    // Owned by the node, created and destroyed with it.
    KScnNodeLimits& GetLimits() { return *mLimits; }
    const KScnNodeLimits& GetLimits() const { return *mLimits; }
    // Clamps local rotation angles (x, y, z, degrees) by the rotation limits,
    // in the rotation space when RotationSpaceForLimitOnly is on for set 0
    // (see the source). out may equal in.
    void ClampLocalRotation(double* out, const double* in) const;

    // ---- Evaluation ----
    // Copies the properties' pivots, order and limits into set 0 and the
    // limits when any of them differs from the defaults (after reading a file).
    void UpdatePivotsFromProperties();
    // Sets the property defaults of a new node and resets both pivot sets.
    void ResetPropertyDefaults();
    const double* ComputeLocalTransform();
    const double* ComputeGlobalTransform();
    const KScnNodeTransformCache& GetTransformCache() const;
    // Clears the caches of this node and of every descendant; returns the
    // number of nodes visited (a subtree already cleared is not walked again).
    int InvalidateTransformCaches();

private:
    // What the destructor does, also for a constructor stopped part-way.
    void TearDown();
    friend class KScnSceneContents;
    // Takes each node of the subtree out of the contents it is in, unless
    // that is target, with what it carries there; allocates nothing.
    void LeaveScenes(KScnSceneContents* target);
    // SetSceneContents' joining, in two steps. Stage lists the subtree (and
    // the objects its nodes carry) in target, with every use its nodes and
    // geometries count there, leaving the nodes' links and registrations
    // as they are (whole: every node, else those not in target yet); memory
    // running out takes back what it did and throws. Settle, once the nodes
    // have left their contents, links them and their geometries to
    // contents, taking no memory.
    static void Stage(KScnSceneContents& target, bool whole, const std::vector<KScnNode*>& subtree);
    static void Settle(KScnSceneContents* contents, const std::vector<KScnNode*>& subtree);

    void ApplyPropertyDefaults(bool changesOnly);
    KScnNodeAttribute* AttributeOfKind(int first, int last) const;
    // The children in order, read from the set's sources when they may have
    // changed (an event said so, or the number of sources differs).
    const std::vector<KScnNode*>& Children() const;
    KScnNodePivotSet* GetSet(int set);
    const KScnNodePivotSet* GetSet(int set) const;
    void SetPivotVector(int set, int which, const KgeTVector& v);
    void ReadLocalChannels(double* t, double* r, double* s);
    void ComputePivotOffset(double* o, const double* r, const double* s) const;
    void ConnectTarget(KPropertyObjectList* list, KScnNode* target);
    void BuildTransformChannel(KFCurveNode* transform, const char* channel, const char* property);
    // The values a transform channel starts from: its property's (four
    // values; 0, 0, 0, 1 without the property).
    void TransformChannelValues(const char* property, double* values) const;
    // The tree's parts that are not a property's of the set: "T", "R", "S", "Visibility".
    static constexpr int kTransformParts = 4;
    // What the handle's SetVector does: through the handle when it is made,
    // else to its property (and from there to the takes) without making the
    // node's ~70 handles for one value.
    void SetLocalVector(const char* name, double x, double y, double z);

    KScnNodeProperties* mProperties = nullptr;
    bool mFlag = false;
    KPointerArray<KString> mChildNames{16};
    mutable std::vector<KScnNode*> mChildren;
    // The set's source count when mChildren was read; -1: read again.
    mutable int mChildrenSources = -1;
    // Where the parent's set holds this node, noted by LeaveScenes on its
    // way down so that it finds the way back without a stack.
    int mWalkSlot = -1;
    // The node a recursive DestroyNode came down from to this one: its way
    // back up, which never leaves the subtree it destroys.
    KScnNode* mWalkParent = nullptr;
    // The node AddChild is connecting this one under: its request may pass
    // although this node has a parent, and AddChild takes the node into
    // that node's scene itself.
    KScnNode* mJoining = nullptr;
    friend class KScnNodeProperties;
    KgeTVector mPostTargetRotation{0.0, 0.0, 0.0, 0.0};
    KgeTVector mUpTargetRotation{0.0, 0.0, 0.0, 0.0};
    KScnNodeAttribute* mAttribute = nullptr;
    KScnSceneContents* mSceneContents = nullptr;
    std::vector<KScnCharacterLinkRecord> mCharacterLinks;
    struct LinkReference
    {
        KScnLink* link;
        int slot;
    };
    std::unique_ptr<std::vector<LinkReference>> mLinkReferences;
    bool mBeingDestroyed = false;
    // Set while neither this node nor any node below it holds a valid
    // transform result; cleared up the ancestors when one becomes valid or
    // a child joins.
    bool mCachesClearBelow = false;
    int mShadingMode = 3;
    bool mMultiLayer = false;
    int mMultiTake = 1;
    // Made when a transform is first computed: many nodes never are.
    std::unique_ptr<KScnNodeTransformCache> mCache;
    KScnNodeTransformCache& Cache();
    // A result of this node became valid: the subtrees holding it are no
    // longer known to be clear.
    void NoteCacheValid();
    // The global transform, the parent's being valid already.
    void EvaluateGlobalTransform();
    KErrorRecord mError;
    KScnNodeLimits* mLimits = nullptr;
};

// Walks the hierarchy from `top` depth first, each node before its children
// and the children in their order, with a stack of nodes still to visit
// instead of recursion, so any depth works. `top` itself is visited when
// withTop is set. `visit` returns true to stop; the node it stopped at is
// returned, else null.
template <class Node, class Visit> Node* KScnFindInTree(Node* top, bool withTop, Visit visit)
{
    if (top == nullptr)
    {
        return nullptr;
    }
    std::vector<Node*> pending;
    auto pushChildren = [&pending](Node* parent)
    {
        for (int i = parent->GetChildCount() - 1; i >= 0; --i)
        {
            if (Node* child = parent->GetChild(i))
            {
                pending.push_back(child);
            }
        }
    };
    if (withTop)
    {
        pending.push_back(top);
    }
    else
    {
        pushChildren(top);
    }
    while (!pending.empty())
    {
        Node* next = pending.back();
        pending.pop_back();
        if (visit(next))
        {
            return next;
        }
        pushChildren(next);
    }
    return nullptr;
}

} // namespace scenesdk
