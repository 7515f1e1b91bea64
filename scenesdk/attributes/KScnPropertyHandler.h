#pragma once

// KScnPropertyHandler: the base of the property sets of animatable scene
// objects (KScnTakeNodeContainer). A property set declares its properties as
// members (KPropertyTemplate<T>) bound to a getter and a setter of the set;
// the binding goes through the set's virtual operations, so a property always
// reaches the most derived getter and setter. Values that change are handed to
// the owner's takes (PushPropertyToTakes): by the setters and user-property
// handles, and in the sets of nodes, textures and materials for every write.
//
// Ownership: the owner scene object creates and destroys its set; the set owns
// its declared properties as members and its dynamic properties (KObject).
// A property leaving the set, or the set being destroyed, drops the owner's
// curve links to it.

#include "scenesdk/kernel/KObject.h"

namespace scenesdk
{

class KScnPropertyRef;
class KScnTakeNodeContainer;

class KScnPropertyHandler : public KObject
{
    KCLASSID_DECLARE(KScnPropertyHandler)

public:
    KScnPropertyHandler() = default;

    KScnPropertyHandler* AsPropertyHandler() override { return this; }

    // Hands a changed property's value to the owner's takes; a derived set
    // forwards to KScnTakeNodeContainer::PushPropertyToTakeDefaults.
    virtual void PushPropertyToTakes(KProperty& property) = 0;
    // Takes what PushPropertyToTakes of the property will need
    // (KScnTakeNodeContainer::PreparePropertyPush on the owner), before the
    // value changes: memory running out throws std::bad_alloc with the
    // value and the takes as they were. A set that pushes into further
    // channels prepares those too.
    virtual void PreparePushToTakes(KProperty& property);
    // The scene object this set belongs to.
    virtual KScnTakeNodeContainer* GetOwner() = 0;
    // KObject::CreateProperty; a created property is marked animatable
    // (attribute flag 2) when asked. Null when nothing was created.
    virtual KProperty* CreateDynamicProperty(const char* name, int typeCode, KDataType* dataType,
                                             bool animatable, bool ownsEnumList = false,
                                             KProperty* reference = nullptr, bool returnExisting = false);
    // Gives a user-property record that has no property yet a dynamic
    // property of its type and name in this set: labelled with the record's
    // label (its name when the label is empty), with the record's limits and
    // flags; flag 1 makes it animatable with state bit 8 (event 31), and when
    // the record is already one of the owner's user properties the property
    // gets its channels in the owner's takes at once. The record then stands
    // for the property. False, with nothing made, for a null record, one that
    // has a property already, or an unidentified type.
    bool CreatePropertyForRef(KScnPropertyRef* ref);
    // Destroys the dynamic property of this set that a record stands for and
    // leaves the record standing for nothing; the record stays wherever it
    // is listed (a user property of the owner stays one), and the property's
    // channels leave the owner's takes. False, with nothing changed, for a null record,
    // one without a property, or one whose property is not a dynamic
    // property of this set (a declared property never leaves its set).
    bool RemovePropertyForRef(KScnPropertyRef* ref);

    bool OnPropertyChange(int operation, KProperty* property, bool dynamic) override;
    // True while the owner has deferred handles or takes to make, or curve
    // links that a removal drops (a derived set that acts on removals itself
    // answers for that too).
    bool HearsPropertyRemoval() override;
    // In a set that PushesEveryWrite, a value written into one of its
    // animatable properties, however it was written, goes to the owner's
    // takes (PushPropertyToTakes), unless a linked curve of the default take
    // wrote it; what that needs is taken as the value is about to change
    // (PreparePushToTakes), so that a write is whole. A property about to be
    // renamed has the owner's waiting default take built first. Then as
    // KObject.
    bool NotifyEvent14(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                       const void* c) override;

protected:
    ~KScnPropertyHandler() override = default;
    // Whether every write into an animatable property of the set reaches the
    // owner's takes (the sets of nodes, textures and materials). The others
    // push where their own operations say (a setter, a user-property handle,
    // a constraint's offset that is a user property).
    virtual bool PushesEveryWrite() const { return false; }
    // Drops the owner's links to every property of the set before the set dies.
    void PrepareDestroy() override;
};

} // namespace scenesdk
