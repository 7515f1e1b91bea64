#pragma once

// KScnNodeAttribute: what a node is (mesh, camera, light, marker, ...). A node
// holds at most one attribute and an attribute belongs to at most one node;
// KScnNode::SetNodeAttribute keeps both sides in step. Concrete attributes
// derive from this class and give their kind.
//
// Ownership: the attribute is made and destroyed by the SDK manager; the node
// only refers to it.

#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"

#include <vector>

namespace scenesdk
{

class KObject;
class KProperty;
class KScnNode;
class KScnTakeNodeEntry;

class KScnNodeAttribute
{
public:
    enum EAttributeKind
    {
        eShape = 0,
        eNull = 1,
        eMarker = 2,
        eSkeleton = 3,
        eMesh = 4,
        eNurb = 5,
        ePatch = 6,
        eCamera = 7,
        eCameraSwitcher = 8,
        eLight = 9,
        eOpticalReference = 10
    };

    KScnNodeAttribute() = default;
    KScnNodeAttribute(const KScnNodeAttribute&) = delete;
    KScnNodeAttribute& operator=(const KScnNodeAttribute&) = delete;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    virtual ~KScnNodeAttribute() = default;
    friend class KScnSdkManager;

public:
    virtual EAttributeKind GetAttributeKind() const = 0;
    // Marker kind (1, 2 or 3) for markers; 0 for every other attribute.
    virtual int GetMarkerType() const { return 0; }
    // Stores the node, then runs AddChannels on each of the node's takes in
    // take order (the default take first). The count is read again after
    // each call. Returns the node's take count (0 for a null node).
    virtual int AttachToNode(KScnNode* node);
    // When attached: runs RemoveChannels on each take of the node in take
    // order, drops every curve link of the node to a property of the
    // attribute's property set (GetHandlerPropertySet), then forgets the
    // node. Nothing while detached.
    virtual void DetachFromNode();
    // The attribute's animatable channels in one take of its node. Removing
    // deletes them from the tree the take reads
    // (KScnTakeNodeEntry::GetRootCurveNodeToPrune): a snapshot the node's
    // takes share loses them for all of them, and a tree that waits for its
    // build is built without them; so a detach (a teardown's too) never
    // copies a tree and never allocates.
    virtual void AddChannels(KScnTakeNodeEntry* /*take*/) {}
    virtual void RemoveChannels(KScnTakeNodeEntry* /*take*/) {}
    // Appends the attribute's own properties.
    virtual void CollectHandlerProperties(std::vector<KProperty*>& /*out*/) {}
    // The property set that owns those properties, or null when there are
    // none: what a dying attribute's stand-ins are found by, with nothing
    // gathered (a teardown allocates nothing).
    virtual KObject* GetHandlerPropertySet() const { return nullptr; }
    virtual KString GetTypeName() const { return KString(""); }
    virtual KStringList GetTypeNameList() const { return KStringList(); }

    KScnNode* GetNode() const { return mNode; }

private:
    KScnNode* mNode = nullptr;
};

} // namespace scenesdk
