#pragma once

// KScnObject: the base of every named scene object (nodes, textures,
// materials, videos, poses, constraints, ...). It keeps the object's name pair
// (initial name without prefix, current name with its kind's prefix such as
// "Model::") and the list of the object's user properties.
//
// Ownership: the object is made and destroyed by its KScnSdkManager. The
// user-property list only refers to its handles (KScnPropertyRef): the
// manager owns them. The handles the object made for its own properties
// (AdoptUserProperty, the deferred ones) are destroyed with it; a handle the
// caller listed (AddUserProperty) stays with the manager, standing for
// nothing once its property went with the object.

#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"

#include <unordered_set>
#include <vector>

namespace scenesdk
{

class KProperty;
class KScnPropertyHandler;
class KScnPropertyRef;
class KScnSdkManager;

// Root of the scene-object classes.
class KScnPlug
{
public:
    virtual ~KScnPlug() = default;
    virtual void PlugReserved0() {}
    virtual void PlugReserved1() {}
};

class KScnObject : public KScnPlug
{
public:
    // Kind codes; the kind selects the name prefix (GetNamePrefix).
    enum EObjectKind
    {
        eKindNode = 1,
        eKindTexture = 2,
        eKindMaterial = 3,
        eKindVideoBase = 4,
        eKindVideo = 5,
        eKindGenericConstraint = 6,
        eKindMarkerSet = 7,
        eKindCharacter = 8,
        eKindCharacterPose = 9,
        eKindDeformer = 10,
        eKindPose = 11,
        eKindControlSetPlug = 12,
        eKindConstraint = 13,
    };

    // Both names := name (null reads as ""); no prefix is added here.
    KScnObject(KScnSdkManager* manager, const char* name);
    KScnObject(const KScnObject&) = delete;
    KScnObject& operator=(const KScnObject&) = delete;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Clears the user-property list (the handles stay with the manager).
    ~KScnObject() override;
    friend class KScnSdkManager;

public:
    // Called by the manager before it deletes a node, material, texture or video.
    virtual void Release() {}
    virtual int GetObjectKind() const = 0;
    // The object's property set; null for kinds without one.
    virtual KScnPropertyHandler* GetPropertyHandler() { return nullptr; }
    virtual void ObjectReserved1(void* /*arg*/) {}
    virtual KString GetTypeName() const { return KString(""); }
    virtual KStringList GetTypeNameList() const { return KStringList(); }
    // Called by AddUserProperty after the handle joined the list.
    virtual void OnUserPropertyAdded(KScnPropertyRef* /*property*/) {}
    virtual void ObjectReserved2(void* /*arg*/) {}

    // ---- Names ----
    // The name pair: the initial name (as given at creation or to SetNames)
    // and the current name, which SetName gives the kind's prefix and a
    // renaming strategy (KRenamingStrategy) reads and changes. A null text
    // reads as "" everywhere. A change of the current name is told to the
    // scenes that list the object (a name one of their members stood for
    // may be free now), and is whole: memory running out throws
    // std::bad_alloc with the names and those scenes as they were.
    // Both names := text.
    void InitNamePair(const char* text) { SetNames(text); }
    // Empties both names.
    void FreeNamePair();
    // Both names := text, as given (no prefix added or removed).
    void SetNames(const char* text);
    const char* GetCurrentName() const { return mName.Buffer(); }
    // Changes only the current name.
    void SetCurrentName(const char* text);
    // Current name := KScnSdkManager::PrefixName(prefix of the kind, name).
    void SetName(const char* name);
    const char* GetName() const { return GetCurrentName(); }
    const char* GetInitialName() const { return mInitialName.Buffer(); }
    // The object's own initial-name string (it lives as long as the object
    // and changes with SetNames).
    const KString& GetInitialNameString() const { return mInitialName; }
    // Both names := text (SetNames).
    void SetInitialName(const char* text) { SetNames(text); }
    // Prefix of a kind ("Model::" for 1, ...; empty for kinds without one).
    static KString GetNamePrefix(int kind);
    KString GetNamePrefix() const { return GetNamePrefix(GetObjectKind()); }
    // The current name without the kind's prefix; failing that, the text
    // after the first "::"; failing that, the whole name.
    KString GetNameWithoutPrefix() const;

    KScnSdkManager* GetSdkManager() const { return mManager; }

    // ---- User properties ----
    // While the handles wait (see DeferUserProperties) the list stands for
    // them all: the count counts them, and an index, a look-up by name or by
    // kernel property makes only the handle it finds (once a few were made
    // so, the rest with the next); a name no waiting handle has makes none.
    // The other accessors make them all first. Exhausted memory throws
    // std::bad_alloc with no handle made.
    int GetUserPropertyCount() const;
    // Null for an index outside 0 .. count - 1.
    KScnPropertyRef* GetUserProperty(int index) const;
    // Ignores null and a handle already listed; otherwise appends it and
    // calls OnUserPropertyAdded.
    void AddUserProperty(KScnPropertyRef* property);
    // AddUserProperty for a handle just made by the manager, which the object
    // owns once it lists it (the manager destroys it with the object): when
    // that throws (memory exhausted) the handle is destroyed, if the object
    // does not hold it, and the exception goes on.
    void AdoptUserProperty(KScnPropertyRef* property);
    // Takes a handle out of the list (not destroyed); false when absent.
    bool RemoveUserProperty(KScnPropertyRef* property);
    // The first handle standing for that kernel property (null never matches).
    KScnPropertyRef* FindUserProperty(const KProperty* property) const;
    // Whether the handle is listed, without making the deferred handles
    // (none of which a caller holds); never throws.
    bool HoldsUserProperty(const KScnPropertyRef* property) { return IsListed(property); }
    // The first handle with that name (byte comparison); null for a null text.
    KScnPropertyRef* FindUserPropertyByName(const char* name) const;

    // ---- Deferred handles ----
    // The number of handles that stand listed but are not made yet.
    int GetDeferredUserPropertyCount() const
    {
        return mDeferred > 0 ? WaitingHandleCount() - static_cast<int>(mMadeAhead.size()) : 0;
    }
    // Makes them now (MakeDeferredUserProperties); nothing when none are deferred.
    void MakeDeferred() const
    {
        if (mDeferred > 0)
        {
            const_cast<KScnObject*>(this)->MakeDeferredUserProperties();
        }
    }
    // Gives them up: they will never be made (the object is going).
    void DropDeferredUserProperties();

protected:
    // Stands for count handles the object makes only when its list is first
    // used: the manager counts them and keeps their place in its order from
    // now on. Nothing for count 0 or when handles are already deferred.
    // The handles stand for the first count places of the derived class
    // (PlaceProperty), each place with a property once; the places
    // stay as they were until the handles are made (a derived class makes
    // them before anything would change them).
    void DeferUserProperties(int count);
    // Makes the handles that still wait and lists them all in the order of
    // their places, whole or not at all (with no handle made).
    virtual void MakeDeferredUserProperties();
    // While handles wait: the property of a place (0 .. count given to
    // DeferUserProperties - 1; null for a place without one), and a handle
    // made for it (null when none is made; not listed).
    virtual KProperty* PlaceProperty(int /*place*/) const { return nullptr; }
    virtual KScnPropertyRef* MakeWaitingHandle(int /*place*/) { return nullptr; }
    // How many places have a property, and the property of the first place
    // with that name whose handle was not destroyed (null when none).
    int WaitingHandleCount() const;
    KProperty* WaitingHandleProperty(const char* name) const;
    // Ends the deferral (the manager forgets the reservation) and returns the
    // place reserved in the manager's order (0 without a manager).
    uint64_t EndDeferral();
    // Appends a handle the object made for one of its own properties, owned
    // as AdoptUserProperty owns it, without calling OnUserPropertyAdded (the
    // deferred handles' channels were made when they were deferred).
    // Exhausted memory throws with neither the list nor the handle changed.
    void AppendUserProperty(KScnPropertyRef* property);

private:
    friend class KScnSdkManager;
    // A handle that is being destroyed leaves the list (the handle is not
    // read).
    friend class KScnPropertyRef;
    void ForgetUserProperty(const KScnPropertyRef* property);
    // Lists the handle (AppendUserProperty without taking it as the object's own).
    void ListUserProperty(KScnPropertyRef* property);
    // Handles made ahead of the others while they wait, each with its place;
    // a handle destroyed since leaves a null (its place stays taken). Those
    // alive are listed (in the order made) until all are made.
    struct SMadeAhead
    {
        int place;
        KScnPropertyRef* ref;
    };
    static constexpr size_t kMadeAheadMost = 8;
    // A place's entry among those made ahead; null when it has none.
    const SMadeAhead* MadeAheadAt(int place) const;
    // While handles wait: the place standing at a list index, the first
    // place with that name or that property, each among the places whose
    // handle stands listed (not destroyed); -1 when none. And the list index
    // of a place's handle.
    int WaitingPlaceAt(int index) const;
    int WaitingPlaceNamed(const char* name) const;
    int WaitingPlaceOf(const KProperty* property) const;
    int ListIndexOfPlace(int place) const;
    // The handle of a waiting place: the one made ahead, else made now
    // (alone, or with all the others once kMadeAheadMost were made ahead).
    KScnPropertyRef* HandleOfPlace(int place);
    int mDeferred = 0;
    std::vector<SMadeAhead> mMadeAhead;
    // Kept by the manager: the reservation's slot and place in its order.
    int mDeferredSlot = -1;
    uint64_t mDeferredOrder = 0;
    KString mInitialName;
    KString mName;
    KPointerArray<KScnPropertyRef> mUserProperties{16};
    // The handles listed, once they are many (kListedIndexFrom): adding a
    // handle then asks it, not the list. Dropped when one is removed.
    static constexpr int kListedIndexFrom = 256;
    std::unordered_set<const KScnPropertyRef*>* mListed = nullptr;
    bool IsListed(const KScnPropertyRef* property);
    void NoteListed(const KScnPropertyRef* property);
    void* mReserved = nullptr;
    KScnSdkManager* mManager;
};

} // namespace scenesdk
