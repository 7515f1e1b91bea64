#pragma once

// KScnObject: the base of every named scene object (nodes, textures,
// materials, videos, poses, constraints, ...). It keeps the object's name pair
// (initial name without prefix, current name with its kind's prefix such as
// "Model::") and the list of the object's user properties.
//
// Ownership: the object is made and destroyed by its KScnSdkManager. The
// user-property list only refers to its handles (KScnPropertyRef): the
// manager owns them.

#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KScnNamePair.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"

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
    // Clears the user-property list (the handles stay with the manager).
    ~KScnObject() override;

    // Called by the manager before it deletes a node, material, texture or video.
    virtual void Release() {}
    virtual int GetObjectKind() const = 0;
    // The object's property set; null for kinds without one.
    virtual KScnPropertyHandler* GetPropertyHandler() { return nullptr; }
    virtual void ObjectReserved1(void* /*arg*/) {}
    virtual KString GetTypeName() const { return KString(""); }
    virtual KStringList GetTypeNames() const { return KStringList(); }
    // Called by AddUserProperty after the handle joined the list.
    virtual void OnUserPropertyAdded(KScnPropertyRef* /*property*/) {}
    virtual void ObjectReserved2(void* /*arg*/) {}

    // ---- Names ----
    // Current name := KScnSdkManager::PrefixName(prefix of the kind, name).
    void SetName(const char* name);
    const char* GetName() const { return mNames.GetCurrentName(); }
    const char* GetInitialName() const { return mNames.GetInitialName(); }
    // Both names := text, as given (no prefix added or removed).
    void SetInitialName(const char* text);
    // Prefix of a kind ("Model::" for 1, ...; empty for kinds without one).
    static KString GetNamePrefix(int kind);
    KString GetNamePrefix() const { return GetNamePrefix(GetObjectKind()); }
    // The current name without the kind's prefix; failing that, the text
    // after the first "::"; failing that, the whole name.
    KString GetNameWithoutPrefix() const;

    KScnSdkManager* GetSdkManager() const { return mManager; }

    // ---- User properties ----
    int GetUserPropertyCount() const { return mUserProperties.GetCount(); }
    // Null for an index outside 0 .. count - 1.
    KScnPropertyRef* GetUserProperty(int index) const { return mUserProperties.GetAt(index); }
    // Ignores null and a handle already listed; otherwise appends it and
    // calls OnUserPropertyAdded.
    void AddUserProperty(KScnPropertyRef* property);
    // Takes a handle out of the list (not destroyed); false when absent.
    bool RemoveUserProperty(KScnPropertyRef* property);
    // The first handle standing for that kernel property (null never matches).
    KScnPropertyRef* FindUserProperty(const KProperty* property) const;
    // The first handle with that name (byte comparison); null for a null text.
    KScnPropertyRef* FindUserPropertyByName(const char* name) const;

private:
    KScnNamePair mNames;
    KPointerArray<KScnPropertyRef> mUserProperties{16};
    void* mReserved = nullptr;
    KScnSdkManager* mManager;
};

} // namespace scenesdk
