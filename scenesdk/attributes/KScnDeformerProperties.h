#pragma once

// Property sets of the deformer (KScnDeformer): a skin's set holds no bound
// property, a cluster's lists its source model. Both answer the class id of
// KScnDeformerProperties and name their kind through GetTypeText ("Skin",
// "Cluster").
//
// Ownership: the deformer creates its set and destroys it (Destroy) in its
// own destructor; the set only points back at the deformer.

#include "scenesdk/attributes/KScnPropertyHandler.h"

namespace scenesdk
{

class KPropertyObjectList;
class KScnDeformer;

class KScnDeformerProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnDeformerProperties)

public:
    explicit KScnDeformerProperties(KScnDeformer* owner) : mOwner(owner) {}

    // "Skin" or "Cluster".
    virtual const char* GetTypeText() const = 0;

    // Forwards to the owner's PushPropertyToTakeDefaults (nothing without an owner).
    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;

protected:
    ~KScnDeformerProperties() override = default;

    KScnDeformer* mOwner;
};

class KScnSkinDeformerProperties : public KScnDeformerProperties
{
public:
    explicit KScnSkinDeformerProperties(KScnDeformer* owner) : KScnDeformerProperties(owner) {}
    const char* GetTypeText() const override { return "Skin"; }

    // A plain setting kept for the file writer; not a property.
    double mAccuracy = 50.0;

protected:
    ~KScnSkinDeformerProperties() override = default;
};

class KScnClusterDeformerProperties : public KScnDeformerProperties
{
public:
    // Creates the two source lists (filter tag 1, sources only, members
    // restricted to a node's property set, KScnNodeProperties).
    explicit KScnClusterDeformerProperties(KScnDeformer* owner);
    const char* GetTypeText() const override { return "Cluster"; }

    // The class number that the source lists accept (KScnNodeProperties).
    static int GetSourceModelClassId();

    // The two lists, owned by the set as dynamic properties. Null once the
    // set has been detached (DisconnectAll takes every property away).
    KPropertyObjectList* GetSrcModel() const;
    KPropertyObjectList* GetSrcModelReference() const;

protected:
    ~KScnClusterDeformerProperties() override = default;
};

} // namespace scenesdk
