#pragma once

// KScnGenericNode: a named scene object with no behaviour of its own; it
// carries user properties and takes like any animatable object and belongs
// to at most one scene contents.
//
// Ownership: the generic node owns its (empty) property set. The contents it
// is registered with is not owned; the contents use-counts its generic nodes
// (registering one already listed raises its count). The destructor does not
// unregister: whoever destroys a generic node takes it out of its contents
// first (SetSceneContents(nullptr)).

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KStringList.h"

namespace scenesdk
{

class KScnGenericNode;
class KScnSdkManager;

// What a scene contents offers its generic nodes: a use-counted list.
class KScnGenericNodeRegistry
{
public:
    virtual ~KScnGenericNodeRegistry() = default;
    // Lists the node with count 1, or raises the count of a listed node.
    virtual void RegisterGenericNode(KScnGenericNode* node) = 0;
    // Lowers the count; a node whose count reaches 0 leaves the list.
    // Nothing for a node that is not listed.
    virtual void UnregisterGenericNode(KScnGenericNode* node) = 0;
};

class KScnGenericNodeProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnGenericNodeProperties)

public:
    explicit KScnGenericNodeProperties(KScnGenericNode* owner) : mOwner(owner) {}
    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;

protected:
    ~KScnGenericNodeProperties() override = default;

private:
    KScnGenericNode* mOwner;
};

namespace detail
{
// Built ahead of the take-node container, which keeps a pointer to it.
struct KScnGenericNodeErrorHolder
{
    KErrorRecord mErrorRecord;
    KScnGenericNodeErrorHolder();
};
} // namespace detail

class KScnGenericNode : private detail::KScnGenericNodeErrorHolder, public KScnTakeNodeContainer
{
public:
    // No contents; the take "Default" is added. manager may be null.
    KScnGenericNode(KScnSdkManager* manager, const char* name);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnGenericNode() override;
    friend class KScnSdkManager;

public:
    // ---- Scene-object operations ----
    void Detach();
    // The deformer's kind value, as the file layer expects.
    int GetObjectKind() const override { return eKindDeformer; }
    KScnPropertyHandler* GetPropertyHandler() override { return mProperties; }
    KString GetTypeName() const override { return KString("GenericNode"); }
    KStringList GetTypeNameList() const override;
    // The property set is empty: nothing is made.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;

    KErrorRecord& GetError() { return mErrorRecord; }

    // Always true. The same contents again changes nothing; otherwise the node
    // leaves its current contents first, then joins the new one (if any).
    bool SetSceneContents(KScnGenericNodeRegistry* contents);
    KScnGenericNodeRegistry* GetSceneContents() const { return mContents; }

private:
    KScnGenericNodeRegistry* mContents = nullptr;
    KScnGenericNodeProperties* mProperties;
};

} // namespace scenesdk
