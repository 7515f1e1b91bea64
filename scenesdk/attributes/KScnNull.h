#pragma once

// KScnNull: the attribute of a locator node (kind 1), a point with a display
// size. Its value lives in its property set KScnNullProperties.
//
// Ownership: the attribute owns its property set. Destroying an attribute
// that is still on a node first takes it off the node.

#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"

namespace scenesdk
{

class KScnSdkManager;

// The null's values. Plain stores: nothing is clamped here.
class KScnNullProperties : public KObject
{
    KCLASSID_DECLARE(KScnNullProperties)

public:
    KScnNullProperties();

    virtual void SetSize(double value) { mSize = value; }
    virtual double GetSize() { return mSize; }

    KPropertyTemplate<double> Size;

protected:
    ~KScnNullProperties() override = default;

private:
    double mSize = 0.0;
};

class KScnNull : public KScnNodeAttribute
{
public:
    explicit KScnNull(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnNull() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return eNull; }
    void CollectHandlerProperties(std::vector<KProperty*>& out) override;
    KObject* GetHandlerPropertySet() const override;
    KString GetTypeName() const override { return KString("Null"); }
    KStringList GetTypeNameList() const override;

    // "Size" 100.0; the size counts as not set.
    void Reset();
    void SetSize(double size);
    double GetSize() { return mProperties->Size.GetValue(); }
    // True once SetSize was called (since the last Reset).
    bool IsSizeSet() const { return mSizeSet; }

    KScnNullProperties* GetProperties() const { return mProperties; }
    KScnSdkManager* GetManager() const { return mManager; }

private:
    KScnSdkManager* mManager;
    bool mSizeSet = false;
    KScnNullProperties* mProperties;
};

// Appends every property of a property set to out, in list order. Shared by
// the attributes' CollectHandlerProperties.
void KScnAppendObjectProperties(KObject* set, std::vector<KProperty*>& out);
// Takes an attribute off its node (the node's pointer included); nothing
// while detached. Used by the attributes' destructors.
void KScnReleaseAttributeFromNode(KScnNodeAttribute* attribute);

} // namespace scenesdk
