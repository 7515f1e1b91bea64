#include "scenesdk/kernel/KScnSdkManager.h"

#include "scenesdk/kernel/KScnPropertyRef.h"

#include <cstring>

namespace scenesdk
{

namespace
{
const char* const kManagerMessages[] = {"Object not found"};
}

KScnSdkManager::KScnSdkManager() : mError(kManagerMessages, 1) {}

KScnSdkManager::~KScnSdkManager()
{
    DestroyAllObjects();
}

KString KScnSdkManager::PrefixName(const char* prefix, const char* name)
{
    KString text(name != nullptr ? name : "");
    const int colons = text.Find("::");
    if (colons >= 0)
    {
        text = text.Mid(colons + 2);
    }
    if (text.IsEmpty())
    {
        text = "Name";
    }
    if (prefix == nullptr || *prefix == '\0')
    {
        return text;
    }
    return KString(prefix) + text;
}

KScnPropertyRef* KScnSdkManager::CreateUserProperty(const char* name, const char* dataType, const char* label)
{
    KScnPropertyRef* ref = new KScnPropertyRef(this, name, dataType, label);
    mUserProperties.Add(ref);
    return ref;
}

KScnPropertyRef* KScnSdkManager::CreateUserPropertyFromProperty(KProperty* property)
{
    KScnPropertyRef* ref = new KScnPropertyRef(this, property);
    mUserProperties.Add(ref);
    return ref;
}

bool KScnSdkManager::DestroyUserProperty(KScnPropertyRef* property)
{
    const int index = property != nullptr ? mUserProperties.Find(property) : -1;
    if (index < 0)
    {
        mError.SetLastErrorID(0);
        return false;
    }
    mUserProperties.RemoveAt(index);
    delete property;
    return true;
}

KScnPropertyRef* KScnSdkManager::FindUserProperty(const char* name) const
{
    for (int i = 0; name != nullptr && i < mUserProperties.GetCount(); ++i)
    {
        if (std::strcmp(mUserProperties[i]->GetName(), name) == 0)
        {
            return mUserProperties[i];
        }
    }
    return nullptr;
}

void KScnSdkManager::DestroyAllObjects()
{
    while (mUserProperties.GetCount() > 0)
    {
        const int last = mUserProperties.GetCount() - 1;
        KScnPropertyRef* ref = mUserProperties[last];
        mUserProperties.RemoveAt(last);
        delete ref;
    }
}

} // namespace scenesdk
