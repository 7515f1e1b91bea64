#pragma once

#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KString.h"

#include <memory>
#include <vector>

namespace scenesdk
{

class KDataType;
class KProperty;
class KSubscriberList;
class KGenericObjectList;
class KWorld;

// Base of records a KObject owns (see KObject::AddOwnedRecord).
class KObjectRecord
{
public:
    virtual ~KObjectRecord() = default;
};

// The kernel object that owns named, typed properties (KProperty). Every
// property set, object list and stream-option class derives from it.
//
// Besides its properties it carries a composed name
// ([name space "::"] [prefix ":"] name), a state word whose changes are
// announced, a weak reference to another object, an optional subscriber list
// (its manager link) for object events, and the reaction to connection events
// of itself and of its properties.
//
// Objects are created with new and destroyed only through Destroy().
class KObject : public KPlug
{
    KCLASSID_DECLARE(KObject)

public:
    KObject* AsObject() override { return this; }
    static constexpr uint32_t kInterfaceId = 0x98ABD146;
    static constexpr uint32_t kDefaultObjectFlags = 0x153DF;
    // Object flag: forbids creating properties that own an enum list (except references).
    static constexpr uint32_t kNoOwnedEnumLists = 32;
    // Runtime flag set by the object's own release.
    static constexpr uint32_t kRuntimeReleasing = 8;
    // Event-record id of object events sent to the manager link.
    static constexpr uint32_t kObjectEventId = 336738;

    // Operations reported through OnPropertyChange.
    enum EPropertyChange
    {
        ePropertyAdding = 8,
        ePropertyRemoving = 9,
        ePropertyAdded = 11,
        ePropertyRemoved = 12,
    };
    // Operations of OnObjectListChange (asked: 0, 1, 2; told: 4, 5).
    enum EListChange
    {
        eListClear = 0,
        eListAdd = 1,
        eListRemove = 2,
        eListAdded = 4,
        eListRemoved = 5,
    };

    KObject();

    void* QueryInterface(uint32_t id) override;
    // Given a world (KWorld*), registers the object there.
    void OnCreate(void* arg) override;
    void DisconnectAll() override;
    int GetClassWideNumber() const override { return 1; }
    bool IsBeingReplaced(KPlug* a, KPlug* b) override;
    // True only for a free object: no source, at most one destination which is
    // the live referenced object, and no property connected anywhere; false
    // whenever arg is not 0.
    bool HasOwner(int arg = 0) override;
    // The getter and setter operations of this object for its declared
    // properties bound with KProperty::InitializeBound: value addresses a
    // value of the property's own type. False (nothing read or written) when
    // the object has none for the property; the base has none.
    virtual bool GetBoundValue(KProperty& /*property*/, void* /*value*/) { return false; }
    virtual bool SetBoundValue(KProperty& /*property*/, const void* /*value*/) { return false; }
    bool NotifyEvent14(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                       const void* c) override;
    bool NotifyEvent15(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                       const void* c) override;
    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override;
    // The base reaction to a connection event, for handlers of derived classes
    // to call after their own work (same as KObject::ConnectionEvent).
    bool HandleConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                               uint32_t type, KPlug* extra)
    {
        return KObject::ConnectionEvent(path, code, emitter, index, other, type, extra);
    }

    // --- Properties -------------------------------------------------------
    int GetPropertyCount() override { return static_cast<int>(m_Properties.size()); }
    // Null when index is out of range.
    KProperty* GetProperty(int index) override;
    // First property whose name equals name byte for byte; null when none.
    // An object listing kNameIndexFrom properties or more (a node given
    // thousands of number channels) finds them through an index of their
    // names, kept as properties are added, dropped when one is removed and
    // made again when any listed property is renamed (NotePropertyRenamed).
    KProperty* FindProperty(const char* name) const;
    static constexpr size_t kNameIndexFrom = 256;
    // Called by a property listed somewhere whose name changes.
    static void NotePropertyRenamed();
    int GetPropertyIndex(const KProperty* property) const;
    // Makes a dynamic property of a type code (1, 2, 4, 6, 7, 8, 9, 13-17; other
    // codes give null), named uniquely as name, "name 0", "name 1"..., with the
    // limits 0..100. reference (type 17) becomes the new property's source.
    virtual KProperty* CreateProperty(const char* name, int typeCode, KDataType* dataType = nullptr,
                                      bool animatable = false, bool ownsEnumList = false,
                                      KProperty* reference = nullptr, bool returnExisting = false);
    virtual void AddProperty(KProperty* property);
    // Gives back the room the property list (and the list of owned plugs)
    // holds beyond its entries.
    void CompactPropertyList();
    // Makes room for count properties (and as many owned plugs) at once, for
    // a set that knows how many it will hold.
    void ReservePropertyList(int count);
    // Takes the property out of the list (its linked reference properties go
    // from their owners too); false for an index out of range.
    virtual bool RemovePropertyAt(int index);
    // RemovePropertyAt, then destroys a dynamic property or disconnects a declared one.
    virtual bool DestroyPropertyAt(int index);
    bool RemoveProperty(KProperty* property);
    virtual void RemoveAllProperties();
    virtual void DisconnectAllProperties();
    virtual void ReleaseLinkedProperties(KProperty* property);
    int GetFlaggedPropertyCount() const;
    KProperty* GetFlaggedProperty(int i) const;
    bool RemoveFlaggedProperty(KProperty* property);
    virtual KProperty* CreateReferenceProperty(KProperty* source, const char* name = nullptr);
    virtual KProperty* ClonePropertyFrom(KProperty* property);
    // what: 1 properties, 16 property values, 4 clone flag-64 properties, 8 flag-64 values.
    virtual void CopyFrom(KObject* other, uint32_t what);
    virtual void CopyPropertiesFrom(KObject* other);
    virtual void CopyPropertyValuesFrom(KObject* other);
    virtual void CopyFlaggedPropertiesFrom(KObject* other);

    // --- Names --------------------------------------------------------------
    virtual void SetName(const char* name);
    virtual const char* GetName() const { return m_Names ? m_Names->name.Buffer() : ""; }
    virtual void SetNameSpace(const char* nameSpace);
    const char* GetNameSpace() const { return m_Names ? m_Names->nameSpace.Buffer() : ""; }
    // As SetName and SetNameSpace, stored exactly as given and announced with their own codes.
    virtual void SetNameText(const char* name);
    virtual void SetNameSpaceText(const char* nameSpace);
    // Splits a full name and sets its name-space part and its name.
    virtual void SetFullName(const char* fullName);
    virtual void InvalidateQualifiedName(bool recursive);
    // Class number of the name-space parent (its first destination of that
    // class); -1: no name-space parent.
    virtual int GetNameSpaceClassId() const { return -1; }
    KObject* GetNameSpaceParent();
    KString GetNameSpacePath();
    KString BuildQualifiedName(bool withParents);
    // Class prefix "::", name-space path ":", name; cached until invalidated.
    const char* GetFullName();

    // Splits "[kept:::][nameSpace::][prefix:]name".
    static void SplitFullName(const char* full, KString* kept, KString* nameSpace, KString* prefix,
                              KString* name);
    static KString ComposeFullName(const char* nameSpace, const char* prefix, const char* name);
    static KString JoinNameSpacePath(const KString& parentPath, const KString& own);

    // --- State and events -------------------------------------------------
    virtual bool SetState(uint32_t value);
    uint32_t GetState() const { return m_State; }
    uint32_t GetStateStamp() const { return m_StateStamp; }
    virtual void ClearState();
    virtual void ResetState();
    virtual bool SendStateEvent25();
    virtual bool SendStateEvent26();
    virtual bool SendObjectEvent(int code, const void* a = nullptr, const void* b = nullptr);
    virtual bool OnRelatedObjectEvent(KObject* sender, int code, const void* a, const void* b);
    virtual void SetReferencedObject(KObject* object);
    KObject* GetReferencedObject() const { return Cast(m_Referenced.Get()); }

    // Hooks; KObject's answer true unless told otherwise.
    virtual bool OnObjectListChange(KGenericObjectList* list, int operation, KObject* object, int index);
    virtual bool OnObjectEvent(KPlug* emitter, int code, KPlug* other, int index);
    virtual bool OnSrcObjectChange(int operation, KObject* other, int index);
    virtual bool OnDstObjectChange(int operation, KObject* other, int index);
    virtual bool OnPropertyChange(int operation, KProperty* property, bool dynamic);
    // False when OnPropertyChange would do nothing on a property's removal
    // now: an object released as a whole then lets its unconnected declared
    // properties go without the removal events (nobody could hear them). A
    // class that acts on removals answers true whenever it would act.
    virtual bool HearsPropertyRemoval() { return true; }
    // Receivers of what a referencing object forwards (see SetReferencedObject).
    virtual bool OnReferencedNotify14(const KEventPath* path, int code, KPlug* emitter, const void* a,
                                      const void* b, const void* c);
    virtual bool OnReferencedNotify15(const KEventPath* path, int code, KPlug* emitter, const void* a,
                                      const void* b, const void* c);
    virtual bool OnReferencedConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index,
                                             KPlug* other, uint32_t type, KPlug* extra);
    virtual bool OnReferencedObjectEvent(KObject* sender, int code, const void* a, const void* b);
    virtual bool ReleaseRecord(KObjectRecord* record);

    // --- Flags and relations ----------------------------------------------
    bool HasObjectFlag(uint32_t bits) const { return (m_ObjectFlags & bits) != 0; }
    void SetObjectFlag(uint32_t bits) { m_ObjectFlags |= bits; }
    void ClearObjectFlag(uint32_t bits) { m_ObjectFlags &= ~bits; }
    void SetRuntimeFlag(uint32_t bits, bool on);
    bool HasRuntimeFlag(uint32_t bits) const { return (m_RuntimeFlags & bits) != 0; }
    // First KObject source (of classNumber; -1 or KPlug's number: any) named name.
    KObject* FindSrcObjectByName(const char* name, int which = 0, int classNumber = -1);
    int GetSrcObjectIndex(KObject* object) const;
    void AddOwnedRecord(KObjectRecord* record);

    // --- Manager link -----------------------------------------------------
    // The object's subscriber list for object events, made on request.
    KSubscriberList* GetManagerLink(bool create);
    // Registers the object (and its properties flagged 16) in a world; false
    // when it is already in one (or the world has no id left); exhausted
    // memory throws std::bad_alloc, the object not registered. The object
    // leaves it when it is released.
    bool EnterWorld(KWorld* world);
    void LeaveWorld();
    KWorld* GetWorld() const { return m_World; }
    // -2 before the object entered a world, -1 after it left.
    int GetWorldId() const { return m_WorldId; }

    // Casts a plug to a KObject when it is one (as IsA(KObject::ClassId)
    // would answer: the class records chain as the classes derive).
    static KObject* Cast(KPlug* plug) { return plug != nullptr ? plug->AsObject() : nullptr; }

protected:
    ~KObject() override;
    void PrepareDestroy() override;

private:
    struct PendingReplace
    {
        KPlug* src;
        KPlug* dst;
        KPlug* replacement;
        bool srcSideBegan;
    };

    bool ChangeName(KString& slot, const char* text, int codeBefore, int codeAfter, int notifyBefore,
                    int notifyAfter);
    void SendNameSpaceChanged(int depth);
    void InvalidateQualifiedNameDepth(bool recursive, int depth);
    KString GetNameSpacePathDepth(int depth);
    std::vector<KObject*> NameSpaceDependants();
    bool HandleObjectConnectionEvent(int code, KPlug* emitter, int index, KObject* other);
    void CopyValues(KObject* other, bool assign);
    HdlKObject MakeReferenceProperty(KProperty* source, const char* name);
    // RemoveAllProperties' short path for entry index; false when the full one is needed.
    bool DropQuietly(int index);
    // Drops a property that is being deleted from the list, without events.
    friend class KProperty;
    void ForgetProperty(KProperty* property);

    // Read by every event the object hears: kept first, beside the plug's
    // own fields, so that an object far from the cache (one of thousands of
    // materials a node links to) is read from as few lines as may be.
    HdlKObject m_Referenced;
    KWorld* m_World = nullptr;
    int m_WorldId = -2;
    // Name, name space and the cached full name, made when one is first set
    // or the full name asked for: most objects (property sets) have none.
    struct Names
    {
        KString name{""};
        KString nameSpace{""};
        KString fullName{""};
        bool fullNameValid = false;
    };
    Names& N();
    const KString& NameText() const;
    const KString& NameSpaceText() const;
    std::unique_ptr<Names> m_Names;
    std::unique_ptr<KSubscriberList> m_ManagerLink;
    uint32_t m_ObjectFlags = kDefaultObjectFlags;
    uint32_t m_RuntimeFlags = 0;
    uint32_t m_State = 0;
    uint32_t m_StateStamp = 0;
    std::vector<KProperty*> m_Properties;
    struct NameIndex;
    mutable NameIndex* m_NameIndex = nullptr;
    void DropNameIndex() const;
    // Lists few objects ever fill, made when one first gets an entry.
    struct Rare
    {
        std::vector<int> worldPropertyIds;
        std::vector<PendingReplace> pendingReplaces;
        std::vector<KObjectRecord*> ownedRecords;
    };
    // Reading: the lists, or empty ones. Changing: the lists, made if need be.
    const Rare& RV() const;
    Rare& R();
    std::unique_ptr<Rare> m_Rare;
    // The properties inside RemovePropertyAt, innermost first: one record
    // on the stack of each call, so that removing (a teardown included)
    // allocates nothing.
    struct Removal
    {
        const KProperty* property;
        Removal* outer;
    };
    Removal* m_Removing = nullptr;
    bool IsBeingRemoved(const KProperty* property) const;
};

} // namespace scenesdk
