#include "scenesdk/kernel/KScnNamedCallbackTable.h"

namespace scenesdk
{

bool KScnNamedCallbackTable::Register(const char* name, Callback callback, void* user)
{
    if (name == nullptr || callback == nullptr)
    {
        return false;
    }
    mEntries[name] = Entry{callback, user};
    return true;
}

bool KScnNamedCallbackTable::Unregister(const char* name)
{
    return name != nullptr && mEntries.erase(name) > 0;
}

bool KScnNamedCallbackTable::Call(const char* name, void* argument) const
{
    const auto it = name != nullptr ? mEntries.find(name) : mEntries.end();
    if (it == mEntries.end())
    {
        return false;
    }
    it->second.callback(it->second.user, argument);
    return true;
}

} // namespace scenesdk
