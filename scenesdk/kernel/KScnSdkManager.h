#pragma once

// KScnSdkManager: creates, owns and destroys scene objects and the user
// property handles. Only what nodes and user properties need is here so far:
// name prefixing, node creation and destruction, and the handles.
//
// Ownership: the manager owns every object it created until it is destroyed
// through it (or the manager dies); each object sits in exactly one list.

#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

namespace scenesdk
{

class KProperty;
class KScnNode;
class KScnPropertyRef;

class KScnSdkManager
{
public:
    KScnSdkManager();
    KScnSdkManager(const KScnSdkManager&) = delete;
    KScnSdkManager& operator=(const KScnSdkManager&) = delete;
    // DestroyAllObjects.
    ~KScnSdkManager();

    // prefix + the name's text after its first "::" (the whole name when it
    // has none); an empty text becomes "Name"; a null or empty prefix adds nothing.
    static KString PrefixName(const char* prefix, const char* name);

    // A handle with its own record; the name is kept as given.
    KScnPropertyRef* CreateUserProperty(const char* name, const char* dataType, const char* label);
    // A handle standing for an existing kernel property (not owned).
    KScnPropertyRef* CreateUserPropertyFromProperty(KProperty* property);
    // Removes, destroys and frees a handle; false (error id 0) when not ours.
    bool DestroyUserProperty(KScnPropertyRef* property);
    int GetUserPropertyCount() const { return mUserProperties.GetCount(); }
    // First handle of that name; null without setting an error.
    KScnPropertyRef* FindUserProperty(const char* name) const;

    // Nodes (last first), then the handles.
    void DestroyAllObjects();

    KErrorRecord& GetError() { return mError; }

private:
    KPointerArray<KScnPropertyRef> mUserProperties{16};
    KErrorRecord mError;
};

} // namespace scenesdk
