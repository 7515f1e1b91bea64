#pragma once

// KScnNodeAttribute: what a scene node carries (mesh, camera, light, ...).
//
// The attribute knows the node it is attached to and the manager that made
// it; it does not own either. On attach it adds its animatable channels to
// every take of the node, on detach it removes them again.
//
// The node's takes are reached through the take-node container handed to
// AttachToNode together with the node (the node passes its own container);
// the container is remembered until DetachFromNode.

#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"

#include <vector>

namespace scenesdk
{

class KScnNode;
class KScnSdkManager;
class KScnTakeNodeContainer;
class KScnTakeNodeEntry;
class KProperty;

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

    explicit KScnNodeAttribute(KScnSdkManager* manager)
        : mNode(nullptr), mManager(manager), mNodeTakes(nullptr)
    {
    }
    KScnNodeAttribute(const KScnNodeAttribute&) = delete;
    KScnNodeAttribute& operator=(const KScnNodeAttribute&) = delete;

    virtual EAttributeKind GetAttributeKind() const = 0;
    // Neither detaches nor frees: the owner detaches first.
    virtual ~KScnNodeAttribute() = default;
    // Stores the node, then calls AddChannels for every take of nodeTakes in
    // take order (the take count is read again after each call). Returns the
    // take count; 0 without takes.
    virtual int AttachToNode(KScnNode* node, KScnTakeNodeContainer* nodeTakes);
    // While attached: RemoveChannels for every take in order, then forgets
    // the node. Nothing happens while detached.
    virtual void DetachFromNode();
    virtual void AddChannels(KScnTakeNodeEntry* /*take*/) {}
    virtual void RemoveChannels(KScnTakeNodeEntry* /*take*/) {}
    // Appends the properties of the attribute's property set.
    virtual void CollectHandlerProperties(std::vector<KProperty*>& /*properties*/) {}
    virtual KString GetTypeName() const { return KString(""); }
    virtual KStringList GetTypeNameList() const { return KStringList(); }

    KScnNode* GetNode() const { return mNode; }
    KScnSdkManager* GetManager() const { return mManager; }

private:
    KScnNode* mNode;
    KScnSdkManager* mManager;
    KScnTakeNodeContainer* mNodeTakes;
};

} // namespace scenesdk
