#pragma once

// KScnConstraintProperty: the shared base of the constraint property sets.
// Every kind declares its own members (switches, enums, object lists) and
// creates its animated values ("Weight", offsets, vectors) as dynamic
// properties; this base keeps the owning constraint and the binding helpers
// every kind uses, so that all of them bind the same way.
//
// Object lists: the constrained object (and the IK joints) are destination
// connections of their list; every other list holds source connections. Each
// list carries a filter tag (1: meant for one object, -1: for many) which is
// only stored, never enforced.

#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KPropertyTemplate.h"

#include <functional>

namespace scenesdk
{

class KScnConstraint;

// An object-list property embedded in a property set (the set's destructor
// runs its destructor; it is never deleted on its own).
class KScnConstraintObjectList final : public KPropertyObjectList
{
};

class KScnConstraintProperty : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnConstraintProperty)

public:
    explicit KScnConstraintProperty(KScnConstraint* owner) : mOwner(owner) {}

    // Class id of the property set of constraint kind 1..7; -1 otherwise.
    static int GetClassIdOfKind(int kind);

    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;
    KScnConstraint* GetConstraint() const { return mOwner; }

protected:
    ~KScnConstraintProperty() override = default;

    // Binds a declared value property to a getter/setter pair of the set and
    // adds it to the property list.
    template <class T, class Set>
    void Bind(KPropertyTemplate<T>& property, const char* name, T (Set::*get)(), T (Set::*set)(T))
    {
        Set* self = static_cast<Set*>(this);
        property.Initialize(
            name, this, [self, get]() { return (self->*get)(); },
            [self, set](const T& v) { (self->*set)(v); });
        AddProperty(&property);
    }
    // Binds an enum property as above and gives it its names (type code 6).
    template <class T, class Set>
    void BindEnum(KPropertyTemplate<T>& property, const char* name, T (Set::*get)(), T (Set::*set)(T),
                  KEnumNameFunction names)
    {
        Bind(property, name, get, set);
        property.SetTypeCode(eKPropEnum);
        property.SetEnumNameFunction(names);
    }
    // Adds list under its binding name, then renames it to its final name
    // (type code 9) and sets its filter (class id -1: any class) and sides.
    void BindObjectList(KPropertyObjectList& list, const char* bindingName, const char* finalName, int tag,
                        bool destinations);
    // An animatable dynamic property of a named data type, marked with state
    // bit 8; null when the data type or the property cannot be made.
    KProperty* CreateAnimatedProperty(const char* name, const char* dataTypeName);
    KProperty* CreateAnimatedVector(const char* name, double x, double y, double z);
    KProperty* CreateWeight();

private:
    KScnConstraint* mOwner;
};

} // namespace scenesdk
