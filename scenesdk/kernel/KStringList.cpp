#include "scenesdk/kernel/KStringList.h"

namespace scenesdk
{

KStringList::KStringList(const KStringList& other) : KStringList()
{
    Append(other);
}

KStringList& KStringList::operator=(const KStringList& other)
{
    if (this != &other)
    {
        Clear();
        Append(other);
    }
    return *this;
}

void KStringList::Append(const KStringList& other)
{
    // The count is read once: appending a list to itself must not chase its own growth.
    const int count = other.GetCount();
    for (int i = 0; i < count; ++i)
    {
        const KStringListItem* item = other.GetItemAt(i);
        Add(item->mString.Buffer(), item->mReference);
    }
}

} // namespace scenesdk
