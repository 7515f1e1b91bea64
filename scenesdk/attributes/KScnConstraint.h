#pragma once

// KScnConstraint: the base of the scene objects that drive one constrained
// object from source objects (position, rotation, scale, parent-child,
// single-chain IK, aim; the character is a constraint of kind 7). A constraint
// only holds data: its settings are the properties of its property set, the
// objects it works on are the set's object-list properties, and its animatable
// values get channels in every take. Nothing here evaluates a constraint.
//
// Ownership: the constraint owns its property set (made by the kind's
// constructor, destroyed with the constraint) and its error record. It keeps
// no reference to the objects connected to its lists.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnConstraintProperty.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"
#include "scenesdk/kernel/KgeTVector.h"

#include <memory>

namespace scenesdk
{

class KScnSdkManager;

class KScnConstraint : public KScnTakeNodeContainer
{
public:
    enum EConstraintKind
    {
        ePosition = 1,
        eRotation = 2,
        eScale = 3,
        eParent = 4,
        eSingleChainIK = 5,
        eAim = 6,
        eCharacter = 7,
    };

    // The constraint of kind 1..6 named "Constraint::" + name (the text after
    // a "::" in name, when it has one); null for any other kind. The caller
    // owns it: no manager lists it (handles of its properties made through
    // the manager stay listed there).
    struct FreeDeleter
    {
        void operator()(KScnConstraint* constraint) const { delete constraint; }
    };
    using FreePtr = std::unique_ptr<KScnConstraint, FreeDeleter>;
    static FreePtr Create(KScnSdkManager* manager, int kind, const char* name);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Destroys the property set (detach, then delete), then the rest.
    ~KScnConstraint() override;
    friend class KScnSdkManager;

public:
    // Detaches every object connected to the property set and its
    // properties (constrained object, sources, the scenes that list the
    // constraint); the properties stay, and the constraint can still be
    // used and destroyed.
    virtual void DisconnectAll();
    int GetObjectKind() const override { return eKindConstraint; }
    KScnPropertyHandler* GetPropertyHandler() override { return mPropertySet; }
    KScnConstraintProperty* GetConstraintProperties() const { return mPropertySet; }
    // "Constraint" here; each kind gives its own.
    KString GetTypeName() const override;
    // One empty name, for every kind.
    KStringList GetTypeNameList() const override;
    // Channels for every animatable property of the set, in property-list order.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;
    virtual EConstraintKind GetConstraintKind() const = 0;
    // The offset the kind keeps (translation, rotation, scaling or the aim's
    // rotation offset) := (x, y, z, 1); ignored by kinds without one.
    virtual void SetOffset(KgeTVector offset);

    KErrorRecord& GetError() { return mError; }

protected:
    // manager: the SDK manager that makes and destroys the object; name: the
    // full name (the manager has already put "Constraint::" before it).
    KScnConstraint(KScnSdkManager* manager, const char* name);
    // The rest of the construction, once the kind has made its set: the take
    // "Default" with its channels, the set named after the constraint, and
    // every property of the set made a user property of the constraint.
    void AttachPropertySet(KScnConstraintProperty* set);
    // Only stores the set (a kind that builds its take and names itself).
    void SetPropertySet(KScnConstraintProperty* set) { mPropertySet = set; }
    // Destroys the set once (detach, then delete) and forgets it; the
    // destructor then has nothing left to destroy.
    void DestroyPropertySet();
    // Stores (x, y, z, 1) into the named property of the set and, when the
    // constraint lists it as a user property, into the default values of its
    // channels in the current and the default take; nothing when the set has
    // no such property.
    void StoreOffset(const char* propertyName, const KgeTVector& offset);

private:
    KErrorRecord mError;
    KScnConstraintProperty* mPropertySet = nullptr;
};

} // namespace scenesdk
