#pragma once

// KScnPropertyRef: the light handle through which a scene object's user
// properties are read and written. It stands either for a kernel KProperty or,
// when no such property exists, for a self-contained record of a user
// property's name, type, label, limits and flags (KScnUserPropertyRecord).
//
// Value access works on the kernel property only: a getter leaves its output
// untouched and a setter does nothing when the handle has no property, or when
// the property is not of a type the call handles.
//
// Ownership: the handle owns its record, never the property nor the handler.
// Handles are made and destroyed by the KScnSdkManager. A handle of a
// manager stops standing for a property whose object the manager destroys
// (or whose property the handler removes for another handle): its property
// and handler become null, its record stays. Only the handles an object made
// for its own properties (KScnObject::AdoptUserProperty) go with it; one the
// caller listed (KScnObject::AddUserProperty) leaves the dead object's list
// and stays with the manager, for DestroyUserProperty or the manager's end.
// A destroyed handle leaves the user-property lists of every object that
// lists it.

#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KObject;
class KProperty;
class KScnObject;
class KScnPropertyHandler;
class KScnSdkManager;

// Public data type codes of user properties.
enum EUserPropertyType
{
    eUserPropUnidentified = 0,
    eUserPropBool = 1,
    eUserPropReal = 2,
    eUserPropColor = 3,
    eUserPropInteger = 4,
    eUserPropVector = 5,
    eUserPropEnum = 6,
};

// The definition of a user property that has no kernel property.
struct KScnUserPropertyRecord
{
    KString mName;
    int mDataType = eUserPropUnidentified;
    KString mLabel;
    double mMinimum;
    double mMaximum;
    uint32_t mFlags = 0;
};

class KScnPropertyRef
{
public:
    // User-property flag bits and the kernel attribute bits they stand for.
    static constexpr uint32_t kFlagAnimatable = 1; // attribute bit 2
    static constexpr uint32_t kFlag2 = 2;          // attribute bit 64
    static constexpr uint32_t kFlag4 = 4;          // attribute bit 128

    // Stands for a kernel property (may be null: an empty handle).
    KScnPropertyRef(KScnSdkManager* manager, KProperty* property);
    // A record with the name, the type parsed from typeName, the label,
    // limits -inf .. +inf and flags 0; no kernel property.
    KScnPropertyRef(KScnSdkManager* manager, const char* name, const char* typeName, const char* label);
    KScnPropertyRef(const KScnPropertyRef&) = delete;
    KScnPropertyRef& operator=(const KScnPropertyRef&) = delete;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnPropertyRef();
    friend class KScnSdkManager;

public:
    // "Bool" 1, "Real" 2, "Color" 3, "Integer" 4, "Vector" 5, "Enum" 6
    // (exact case); anything else, or null, 0.
    static int ParseDataType(const char* typeName);
    // Name of a code 0..6 ("Unidentified" for 0); null otherwise.
    static const char* GetDataTypeName(int code);
    // Public code of a kernel property type code.
    static int DataTypeOfTypeCode(int typeCode);

    KProperty* GetProperty() const { return mProperty; }
    // Makes the handle stand for another kernel property (null: none).
    void SetProperty(KProperty* property);
    KScnUserPropertyRecord* GetRecord() const { return mRecord; }
    KScnSdkManager* GetSdkManager() const { return mManager; }
    // The handler told after every value change made through this handle.
    void SetHandler(KScnPropertyHandler* handler) { mHandler = handler; }
    KScnPropertyHandler* GetHandler() const { return mHandler; }

    int GetPropertyDataType() const;
    // The property's name, else the record's, else "".
    const char* GetName() const;
    // The property's label, else the record's, else ""; with fallBackToName
    // an empty label gives the name.
    const char* GetLabel(bool fallBackToName = false) const;
    bool IsSameProperty(const KProperty* property) const;

    // Getters: output untouched when there is nothing to read.
    void GetBool(bool& out) const;
    void GetDouble(double& out) const;
    void GetColor(double& r, double& g, double& b) const;
    void GetVector(double& x, double& y, double& z) const;

    // Setters: nothing without a property or for an unhandled type. False
    // when nothing was stored, also for a number that is no value of an
    // enumeration with names (the value stays).
    bool SetBool(bool value);
    bool SetInteger(int value);
    bool SetDouble(double value);
    // Colour types only; RGBA gets alpha 1.0.
    void SetColor(double r, double g, double b);
    // Vector3D gets (x, y, z, 1); colours get the components clamped to 0..1.
    void SetVector(double x, double y, double z);

    // Stored in the record and on the property, whichever are present.
    void SetMinLimit(double value);
    void SetMaxLimit(double value);
    double GetMinLimit() const;
    double GetMaxLimit() const;
    // Record flags as given; property attribute bits through the mapping above.
    void SetFlag(uint32_t flags, bool on);
    bool GetFlag(uint32_t flag) const;

private:
    void Notify();
    static uint32_t AttributeBitsOf(uint32_t flags);
    // Kept by KScnObject as it lists the handle (listed true) and unlists it.
    friend class KScnObject;
    void NoteLister(KScnObject* object, bool listed);

    KProperty* mProperty = nullptr;
    KScnPropertyHandler* mHandler = nullptr;
    KScnUserPropertyRecord* mRecord = nullptr;
    KScnSdkManager* mManager;
    // Position in the manager's list of handles, kept by the manager; -1
    // when not listed.
    int mManagerSlot = -1;
    // Made for the listing object's own property and owned by it (set by
    // KScnObject): the manager destroys it with that object. Any other
    // handle outlives the objects that list it.
    bool mObjectsOwn = false;
    // Place in the manager's creation order (handles made late for an
    // object's deferred handles take the place reserved for them).
    uint64_t mManagerOrder = 0;
    // Kept by the manager: the object that owns the property the handle
    // stands for, and the handles before and after this one among those
    // standing for that object's properties.
    const KObject* mStandOwner = nullptr;
    KScnPropertyRef* mStandPrev = nullptr;
    KScnPropertyRef* mStandNext = nullptr;
    // The objects whose user-property lists hold the handle: mostly one.
    KScnObject* mLister = nullptr;
    std::vector<KScnObject*>* mMoreListers = nullptr;
    friend class KScnSdkManager;
};

} // namespace scenesdk
