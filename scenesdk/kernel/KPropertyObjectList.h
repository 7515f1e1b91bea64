#pragma once

#include "scenesdk/kernel/KProperty.h"

namespace scenesdk
{

class KObject;

// Common base of list properties (attribute flag 4). The five hooks are
// placeholders that list kinds may refine.
class KPropertyList : public KProperty
{
public:
    KPropertyList();
    virtual void ListHook1(void*, void*) {}
    virtual void ListHook2(void*, void*) {}
    virtual void ListHook3() {}
    virtual bool ListHook4() { return true; }
    virtual void ListHook5() {}
};

class KPropertyObjectList_Abstract : public KPropertyList
{
};

// A property whose "value" is its own plug connections, read back as KObject
// pointers: its sources while plug flag 1 (accepts sources) is set, otherwise
// its destinations. A class-id filter restricts what may connect. Entries that
// are not KObjects count but read as null.
class KPropertyObjectList : public KPropertyObjectList_Abstract
{
    KCLASSID_DECLARE(KPropertyObjectList)

public:
    KPropertyObjectList();

    int GetCount() const;
    // Null out of range and for a connected plug that is not a KObject.
    KObject* GetAt(int index) const;
    bool Add(KObject* object);
    bool SetAt(int index, KObject* object);
    bool RemoveAt(int index);
    bool InsertAt(int index, KObject* object);
    bool Remove(KObject* object);
    void Clear();
    int GetChangeCount() const { return m_ChangeCount; }
    void Touch() { ++m_ChangeCount; }
    // Stores the pair and installs the class's filter, keeping the filtered
    // flag (an unregistered class id installs no filter: "None").
    void SetFilter(int tag, int classId);
    int GetFilter(int* tag = nullptr, int* classId = nullptr) const;
    // Position of object in the list's own side (sources or destinations); -1 when absent.
    int IndexOf(KObject* object) const;

    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override;

    // Makes a list property on owner and adds it there. plugFlags replaces the
    // low three plug flag bits (bit 1: the list is made of sources).
    static KPropertyObjectList* Create(KObject* owner, const char* name, uint32_t filterFlag, int classId,
                                       int tag, uint32_t plugFlags, uint32_t state);

protected:
    ~KPropertyObjectList() override = default;

private:
    bool UsesSources() const { return HasPlugFlag(kAcceptsSrc); }

    int m_FilterClassId = -1;
    int m_FilterTag = -1;
    int m_ChangeCount = 0;
};

} // namespace scenesdk
