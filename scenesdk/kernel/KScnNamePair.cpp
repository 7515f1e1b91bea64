#include "scenesdk/kernel/KScnNamePair.h"

namespace scenesdk
{

void KScnNamePair::FreeNamePair()
{
    mInitialName.Clear();
    mName.Clear();
}

void KScnNamePair::SetNames(const char* text)
{
    mInitialName = text != nullptr ? text : "";
    mName = mInitialName;
}

void KScnNamePair::SetCurrentName(const char* text)
{
    mName = text != nullptr ? text : "";
}

} // namespace scenesdk
