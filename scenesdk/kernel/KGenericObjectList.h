#pragma once

#include "scenesdk/kernel/KObject.h"

#include <vector>

namespace scenesdk
{

// An ordered list of weak object handles that is itself a KObject. Every
// change is first put to the listener (OnObjectListChange: 0 clear, 1 add or
// store, 2 remove), which may refuse it, and then told to it (4 added or
// stored, 5 removed). The listener is the list itself until SetListener.
// Handles of destroyed objects stay in the list, are skipped by lookups and
// read back as null objects.
class KGenericObjectList : public KObject
{
    KCLASSID_DECLARE(KGenericObjectList)

public:
    KGenericObjectList();

    // The listener is held weakly: a destroyed listener gives the list back to itself.
    void SetListener(KObject* listener);
    KObject* GetListener();

    int GetCount() const { return static_cast<int>(m_Items.size()); }
    // The handle at index; a null handle when out of range.
    HdlKObject GetAt(int index) const;
    // The live object at index, or null.
    KObject* GetObjectAt(int index) const;

    // Each returns the index used, or -1 when refused.
    int Add(const HdlKObject& handle);
    int Add(KObject* object) { return object ? Add(object->GetHandle()) : -1; }
    // Inserts before index (clamped to 0..count).
    int InsertAt(int index, const HdlKObject& handle);
    // Overwrites the item at index; -1 when out of range or refused.
    int SetAt(int index, const HdlKObject& handle);
    // True once the item is removed; false when out of range or refused.
    bool RemoveAt(int index);
    // Removes the last item equal to handle.
    bool Remove(const HdlKObject& handle);
    bool Remove(KObject* object) { return object ? Remove(object->GetHandle()) : false; }
    // Empties the list (asks operation 0 first); with destroyObjects, destroys
    // the live objects from the last item to the first. No removal is told.
    void Clear(bool destroyObjects = false);
    // Adds every item of other in order; returns how many were accepted.
    int AddAll(const KGenericObjectList& other);
    // First live item whose object's full name equals name; null handle when none.
    HdlKObject FindByName(const char* name) const;
    int IndexOf(const HdlKObject& handle) const;

    // Raw operations, without listener calls.
    int RawAppend(const HdlKObject& handle);
    int RawInsert(int index, const HdlKObject& handle);
    bool RawSet(int index, const HdlKObject& handle);

protected:
    ~KGenericObjectList() override;
    void PrepareDestroy() override;

private:
    bool Ask(int operation, const HdlKObject& handle, int index);
    void Tell(int operation, const HdlKObject& handle, int index);

    std::vector<HdlKObject> m_Items;
    HdlKObject m_Listener; // null: the list itself
};

// The typed forms; they reach the same operations.
template <class THandle> class KObjectListTemplate : public KGenericObjectList
{
};

class KObjectList : public KObjectListTemplate<HdlKObject>
{
    KCLASSID_DECLARE(KObjectList)
};

} // namespace scenesdk
