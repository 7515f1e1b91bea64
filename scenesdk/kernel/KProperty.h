#pragma once

#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KPropertyName.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace scenesdk
{

class KDataType;
class KObject;
class KStringList;

// Property type codes. Properties, data types, property sets and the file
// reader share these numbers.
//
//   code name         value type                      template storage
//   0    "unknown"    none                            -
//   1    "int"        int32                           int32_t
//   2    "bool"       bool                            bool
//   3    "float"      float                           (none is created)
//   4    "double"     double                          double
//   5    "charptr"    constant text                   const char* (not owned), or KString (clones)
//   6    "enum"       int32 enumerator                int32_t or the enum type
//   7    "KTime"      KTime                           KTime
//   8    "KString"    KString                         KString
//   9    "object"     KObject*                        KObject*
//   10   "event"      none                            -
//   11   "stringlist" none                            -
//   12   "Vector4D"   four doubles                    (none is created)
//   13   "Vector3D"   KgeTVector (w 1.0)              KgeTVector
//   14   "ColorRGB"   KgeRGBVector (w 1.0)            KgeRGBVector
//   15   "ColorRGBA"  KgeRGBAVector                   KgeRGBAVector
//   16   "Action"     bool                            bool
//   17   "Reference"  KProperty*                      KProperty*
//
// Groups: scalar = 1, 2, 3, 4, 6, 16; integral = 1, 2, 6, 16; vector = 12-15.
enum EPropertyType
{
    eKPropUnknown = 0,
    eKPropInt = 1,
    eKPropBool = 2,
    eKPropFloat = 3,
    eKPropDouble = 4,
    eKPropCharPtr = 5,
    eKPropEnum = 6,
    eKPropTime = 7,
    eKPropString = 8,
    eKPropObject = 9,
    eKPropEvent = 10,
    eKPropStringList = 11,
    eKPropVector4D = 12,
    eKPropVector3D = 13,
    eKPropColorRGB = 14,
    eKPropColorRGBA = 15,
    eKPropAction = 16,
    eKPropReference = 17,
    eKPropTypeCount = 18
};

// How a property's value is actually stored. Conversions and copies choose by
// the storage, never by the type code alone, so that no write exceeds the
// value (the type code only chooses semantics).
enum EPropertyStorage
{
    eKStorageNone,
    eKStorageBool,
    eKStorageInt, // int32_t and enum types
    eKStorageFloat,
    eKStorageDouble,
    eKStorageTime,
    eKStorageString, // KString
    eKStorageCharPtr,
    eKStorageVector, // four doubles
    eKStorageObject,
    eKStorageProperty,
};

struct KStringListDeleter
{
    void operator()(KStringList* list) const;
};

// Name of an enumerator, or null past the last value.
using KEnumNameFunction = const char* (*)(int value);

// What a typed property keeps apart from its value (its bound accessors, a
// copied text): held in the attribute record's extras block.
struct KPropertySide
{
    virtual ~KPropertySide() = default;
};

// Attribute record of a property. The attributes few properties use (label,
// limits other than 0 and 100, an enum name list) live in a block made when
// one of them is first set.
class KPropertyAttributes
{
public:
    // Attribute flag bits.
    static constexpr uint32_t kDynamic = 1;
    static constexpr uint32_t kAnimatable = 2;
    static constexpr uint32_t kList = 4;
    static constexpr uint32_t kObjectList = 8;
    static constexpr uint32_t kWorldRegistered = 16; // given an id by the world
    static constexpr uint32_t kOwnedName = 32;
    static constexpr uint32_t kOwnsEnumList = 64;
    static constexpr uint32_t kUserFlag = 128;
    static constexpr uint32_t kNamedReference = 256;
    static constexpr uint32_t kEnumFunction = 512;
    static constexpr uint32_t kOwnerAccessors = 1024; // see KProperty::InitializeBound
    static constexpr double kDefaultMinimum = 0.0;
    static constexpr double kDefaultMaximum = 100.0;

    KPropertyAttributes();
    ~KPropertyAttributes();

    void SetFlag(uint32_t bits, bool on) { flags = on ? (flags | bits) : (flags & ~bits); }
    bool HasFlag(uint32_t bits) const { return (flags & bits) != 0; }
    // Stores the function (flag 512 set while it is not null). The owned list,
    // if any, is kept apart and untouched.
    void SetEnumNameFunction(KEnumNameFunction function);
    KEnumNameFunction GetEnumNameFunction() const;

    const char* GetLabel() const;
    void SetLabel(const char* text); // null or "" clears it
    double GetMinimum() const;
    double GetMaximum() const;
    // Stores the limits without events (KProperty::SetMinMax sends them).
    void SetLimits(double minimum, double maximum);
    // The typed property's side block, or null; SetSide stores (and owns) one.
    KPropertySide* GetSide() const { return m_Extras ? SideOfExtras() : nullptr; }
    void SetSide(std::unique_ptr<KPropertySide> side);
    // The owned enum name list (apart from the function), made when create is true.
    KStringList* GetEnumList(bool create);
    const KStringList* GetEnumList() const;

    // Narrow fields, packed with the owning property's state word: every
    // declared property of every object carries this record.
    uint16_t flags = 0;
    int16_t typeCode = eKPropUnknown;
    uint32_t propertyState = 0; // KProperty's state word (GetState)
    KPropertyName name; // shared by the declared properties of one name
    KDataType* dataType = nullptr;

private:
    struct Extras;
    struct ExtrasDeleter
    {
        void operator()(Extras* extras) const;
    };
    Extras* MakeExtras();
    KPropertySide* SideOfExtras() const;
    std::unique_ptr<Extras, ExtrasDeleter> m_Extras;
};

// One named, typed value that belongs to a KObject (its owner plug). The value
// lives in KPropertyTemplate<T>, either in the property itself or behind a
// getter and setter bound to the owner.
//
// Value access for other layers:
//  - typed: KPropertyTemplate<T>::GetValue / SetValue, or the raw slots
//    Get(void*) / Set(const void*) whose pointer addresses a T of the
//    property's storage (GetStorage() tells which);
//  - converting: GetInt/SetInt, GetDouble/SetDouble (scalars),
//    GetAsDoubles/SetFromDoubles (scalars and four-double vectors),
//    SetString/GetString (text storages);
//  - copying: CopyValue (same type code only; text a pointer property
//    takes from another property is copied, see KPropertyTemplate).
// Every write goes through Set and sends events 20 (about to change, with the
// new value and the current value) and 21 (changed) through NotifyEvent14.
class KProperty : public KPlug
{
    KCLASSID_DECLARE(KProperty)

public:
    KProperty* AsProperty() override { return this; }
    static constexpr uint32_t kStateAnimatableUser = 8;
    static constexpr uint32_t kStateGetterOnly = 32;

    KProperty();

    // Binds a declared property to its owner: the owner adopts it and the name
    // is stored. The owner adds it to its list afterwards (KObject::AddProperty).
    void Initialize(const char* name, KObject* owner);
    // Initialize, with the value read and written through the owner's
    // getter and setter operations for the property (KObject::GetBoundValue
    // and SetBoundValue), which know it by its place in the owner: the
    // property stores nothing for the binding. Where the owner has no such
    // operation the property keeps its value itself.
    void InitializeBound(const char* name, KObject* owner);
    bool IsOwnerBound() const { return m_Attributes.HasFlag(KPropertyAttributes::kOwnerAccessors); }
    // The run-time path: state, adoption, owned copy of the name, flag 64 when
    // ownsEnumList, flag 1, data type, and connectTo as the first source.
    void InitializeDynamic(KObject* owner, const char* name, KDataType* dataType, bool ownsEnumList,
                           KPlug* connectTo, uint32_t state);

    void SetNameAndTypeCode(const char* name, int code);
    // Codes outside the 16 bits a property keeps read as "unknown".
    void SetTypeCode(int code)
    {
        m_Attributes.typeCode =
            static_cast<int16_t>(code >= INT16_MIN && code <= INT16_MAX ? code : eKPropUnknown);
    }
    int GetTypeCode() const { return m_Attributes.typeCode; }
    const char* GetName() const { return m_Attributes.name.Get(); }
    KPropertyAttributes& GetAttributes() { return m_Attributes; }
    const KPropertyAttributes& GetAttributes() const { return m_Attributes; }
    const char* GetLabel() const { return m_Attributes.GetLabel(); }
    void SetLabel(const char* text);

    // The stored data type, or the one the default-type resolver gives for the
    // type code (installed by the data-type layer; null without it).
    KDataType* GetDataType() const;
    void SetDataType(KDataType* type) { m_Attributes.dataType = type; }
    using DataTypeResolver = KDataType* (*)(int typeCode);
    static void SetDefaultDataTypeResolver(DataTypeResolver resolver);

    static int TypeCodeFromName(const char* name);
    static const char* TypeCodeName(int code);
    static bool IsScalarType(int code);
    static bool IsIntegralType(int code);
    static bool IsVectorType(int code);

    bool IsAnimatable() const { return m_Attributes.HasFlag(KPropertyAttributes::kAnimatable); }
    bool IsDynamic() const { return m_Attributes.HasFlag(KPropertyAttributes::kDynamic); }
    bool OwnsEnumList() const { return m_Attributes.HasFlag(KPropertyAttributes::kOwnsEnumList); }
    bool IsScalar() const { return IsScalarType(GetTypeCode()); }
    bool IsVector() const { return IsVectorType(GetTypeCode()); }
    void SetEnumNameFunction(KEnumNameFunction function) { m_Attributes.SetEnumNameFunction(function); }
    KEnumNameFunction GetEnumNameFunction() const { return m_Attributes.GetEnumNameFunction(); }
    // The property's own list of enum names, made when create is true.
    KStringList* GetEnumList(bool create);
    // Name of an enumerator through the function or else the list; null when none.
    const char* GetEnumName(int value) const;
    // False only for an enumeration with names (value 0 has one) that has
    // none for the value: such a value is no value of the enumeration.
    bool IsEnumValue(int value) const;

    // Sets or clears bits of the state word and always sends event 31.
    void SetFlagNotify(uint32_t bits, bool on);
    void SetFlag32(bool on) { SetFlagNotify(32, on); }
    bool TestStateFlags(uint32_t bits) const { return (m_Attributes.propertyState & bits) != 0; }
    uint32_t GetState() const { return m_Attributes.propertyState; }
    void SetState(uint32_t state) { m_Attributes.propertyState = state; }

    // Limits; a setter that finds the stored values equal sends nothing.
    bool SetMinMax(double min, double max);
    bool SetMin(double min);
    bool SetMax(double max);
    double GetMin() const { return m_Attributes.GetMinimum(); }
    double GetMax() const { return m_Attributes.GetMaximum(); }

    KObject* GetOwnerObject();

    // Reference properties (type 17).
    bool IsReference() const { return GetTypeCode() == eKPropReference; }
    // For type 17 the first source that is a property; the property itself otherwise.
    KProperty* GetReferencedProperty();
    int GetSourceCount() const;
    KPlug* GetSource(int index) const;
    // True when removing the property leaves the reference properties linked to it in place.
    virtual bool KeepsLinks() const { return false; }

    // Storage of the value (see EPropertyStorage).
    virtual EPropertyStorage GetStorage() const { return eKStorageNone; }

    // Conversions (see the class comment). The setters answer false, the
    // value kept, for a type they do not convert to and for a number that
    // is no value of an enumeration with names (IsEnumValue; SetDouble
    // truncates first); an enumeration without names takes any number.
    virtual int GetInt();
    virtual bool SetInt(int value);
    virtual double GetDouble();
    virtual bool SetDouble(double value);
    // Reads four doubles for vectors, one (buffer[0]) for scalars.
    virtual bool GetAsDoubles(double* buffer);
    virtual bool SetFromDoubles(const double* buffer);
    // Writes text to a text property (types 5 and 8). A type-5 property held as
    // a pointer keeps the caller's pointer, so the caller keeps the text alive;
    // SetStringCopy makes such a property keep its own copy instead (for text
    // that does not outlive the call).
    bool SetString(const char* text);
    bool SetStringCopy(const char* text);
    KString GetString();

    // Renames (quotes removed); makeUnique first makes the name unique among
    // the owner's properties. Event 27 may veto; event 28 follows.
    virtual bool SetName(const char* name, bool makeUnique = false);
    // The unique form of name among the owner's properties (this one skipped).
    KString MakeUniqueName(const char* name);

    // Raw typed access; value addresses a value of the property's storage type.
    virtual bool Get(void* value);
    virtual bool Set(const void* value);
    // A dynamic property of the same type and name on owner (null for
    // animatable properties and for types 0, 3, 10, 11, 12). The value is not copied.
    virtual KProperty* Clone(KObject* owner);
    virtual bool CopyValue(KProperty* source);
    virtual bool Assign(KProperty* source) { return CopyValue(source); }

    // Makes a dynamic property object for a type code without naming or adding
    // it (the kinds CreateProperty and Clone make); null for other codes.
    static KProperty* NewForTypeCode(int code, bool forClone);
    // The value-type kinds (7 time, 13-15 vectors); null for other codes.
    static KProperty* NewValueProperty(int code);

protected:
    ~KProperty() override;
    // A property destroyed directly (not through its owner's DestroyPropertyAt)
    // first leaves every property list that holds it, so no object keeps a freed pointer.
    void PrepareDestroy() override;
    // Conversion helpers implemented by the templates, sized by their storage.
    virtual bool ReadScalar(double& /*out*/) { return false; }
    virtual bool WriteScalar(double /*value*/) { return false; }
    virtual bool ReadVector(double* /*out4*/) { return false; }
    virtual bool WriteVector(const double* /*in4*/) { return false; }
    virtual bool ReadText(KString& /*out*/) { return false; }
    // keepCopy: a pointer storage keeps its own copy instead of the pointer.
    virtual bool WriteText(const char* /*text*/, bool /*keepCopy*/) { return false; }
    // Copies from a property whose storage is the same type; false otherwise.
    virtual bool CopySameStorage(KProperty* /*source*/) { return false; }
    virtual const void* StorageTag() const { return nullptr; }
    // The owner's bound getter and setter (see InitializeBound); value
    // addresses a value of the property's own type. False when the owner
    // has none for this property.
    bool GetThroughOwner(void* value);
    bool SetThroughOwner(const void* value);

    KPropertyAttributes m_Attributes;

private:
    friend class KObject;
    // Tells the objects listing this property that a name changed.
    void NoteRenamedWhileListed();
    // The objects whose property lists hold this property (once per entry),
    // kept by KObject so that a destroyed property leaves every one of them.
    // Nearly always one: that one is held in place, more in a vector.
    class HolderList
    {
    public:
        HolderList() = default;
        HolderList(const HolderList&) = delete;
        HolderList& operator=(const HolderList&) = delete;
        ~HolderList() { delete Many(); }

        bool Empty() const { return Size() == 0; }
        size_t Size() const { return Many() ? Many()->size() : (One() ? 1 : 0); }
        KObject* At(size_t i) const { return Many() ? (*Many())[i] : One(); }
        KObject* Back() const { return At(Size() - 1); }
        void PopBack();
        void Push(KObject* holder);
        // Removes the last entry of holder (all of them when all is true).
        void Remove(KObject* holder, bool all);

    private:
        // The one holder, or the vector of many with the low bit set (both
        // are aligned): a property holds one word for the list.
        std::vector<KObject*>* Many() const
        {
            return (m_Bits & 1) != 0 ? reinterpret_cast<std::vector<KObject*>*>(m_Bits & ~uintptr_t(1))
                                     : nullptr;
        }
        KObject* One() const { return (m_Bits & 1) != 0 ? nullptr : reinterpret_cast<KObject*>(m_Bits); }
        uintptr_t m_Bits = 0;
    };
    HolderList m_ListedIn;
};

} // namespace scenesdk
