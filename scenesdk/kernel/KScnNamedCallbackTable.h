#pragma once

// KScnNamedCallbackTable: callbacks registered under names, for the SDK
// manager's users to reach each other's hooks by name. The manager makes one
// with itself and owns it. Names compare exactly; a new registration under a
// taken name replaces the old one.

#include <map>
#include <string>

namespace scenesdk
{

class KScnSdkManager;

class KScnNamedCallbackTable
{
public:
    using Callback = void (*)(void* user, void* argument);

    explicit KScnNamedCallbackTable(KScnSdkManager* manager) : mManager(manager) {}

    KScnSdkManager* GetManager() const { return mManager; }
    // False for a null name or callback.
    bool Register(const char* name, Callback callback, void* user);
    // False when nothing is registered under the name.
    bool Unregister(const char* name);
    // Calls the callback of that name with its user pointer; false when none.
    bool Call(const char* name, void* argument) const;
    int GetCount() const { return static_cast<int>(mEntries.size()); }

private:
    struct Entry
    {
        Callback callback;
        void* user;
    };

    KScnSdkManager* mManager;
    std::map<std::string, Entry> mEntries;
};

} // namespace scenesdk
