#pragma once

// KWorld: hands out world-unique integer ids to its entities, to registered
// objects and to their id-carrying properties (attribute flag 16), and keeps
// the objects and properties in tables indexed by id. One global world is
// made by the library start and destroyed by its stop.
//
// Ids are the lowest free ones: ids given back are reused.
//
// Locking: every public operation takes the world's critical section and is
// safe from any thread. The lock is taken only around the id and table work
// itself; it is never held while calling out (no virtual call, allocator
// callback or event), so callers that walk an object's properties must
// collect them first and then register them in one call.

#include "platform/sys/CriticalSection.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KIdSet.h"

#include <cstdint>
#include <memory>

namespace scenesdk
{

class KObject;
class KProperty;
class KWorld;

// A reference-counted member of a world's entity tree. Made and released
// only through its world.
class KWorldEntity
{
public:
    KWorld* GetWorld() const { return m_World; }
    int GetRefCount() const { return m_RefCount; }
    int GetId() const { return m_Id; }
    int GetKind() const { return m_Kind; }
    KWorldEntity* GetParent() const { return m_Parent; }
    int GetChildCount() const { return m_Children.GetCount(); }
    KWorldEntity* GetChild(int index) const { return m_Children.GetAt(index); }
    // Process-wide creation serial (rises by one per entity).
    uint32_t GetSerial() const { return m_Serial; }
    // The two inherited words: both 1 for an entity without parent; a child
    // copies its parent's first word (the second stays 1). Nothing reads them.
    int GetWord(int index) const { return index == 0 ? m_Word0 : m_Word1; }

private:
    friend class KWorld;
    KWorldEntity(KWorld* world, int kind, KWorldEntity* parent, uint32_t serial);

    KWorld* m_World;
    int m_RefCount = 1;
    int m_Id = -1;
    int m_Kind;
    void* m_Reserved = nullptr;
    KWorldEntity* m_Parent;
    KPointerArray<KWorldEntity> m_Children{16};
    uint32_t m_Serial;
    int m_Word0 = 1;
    int m_Word1 = 1;
};

class KWorld
{
public:
    // The lock, empty id sets and two root entities (kind 0, ids 0 and 1).
    KWorld();
    // Releases the root entities and the id sets. Every other entity must
    // have been released, and every object unregistered, before.
    virtual ~KWorld();
    KWorld(const KWorld&) = delete;
    KWorld& operator=(const KWorld&) = delete;

    // Root entity 0 or 1 (null otherwise).
    KWorldEntity* GetRoot(int index) const;

    // A new entity with reference count 1 and a fresh id. With a parent, the
    // parent's count rises, the entity joins its children and copies its
    // first word. Null when the parent belongs to another world. Exhausted
    // memory throws std::bad_alloc, nothing made.
    KWorldEntity* CreateEntity(int kind, KWorldEntity* parent);
    void AddRef(KWorldEntity* entity);
    // Lowers the count; at 0 the entity gives back its id, leaves its
    // parent (releasing it in turn) and is freed. Children keep their parent
    // alive, so a parent never reaches 0 before its children.
    void Release(KWorldEntity* entity);

    // Object table. RegisterObject gives the object the lowest free object id
    // and stores it at that index (growing the table); -1 for a null object
    // or when no id is free. Exhausted memory throws std::bad_alloc, nothing
    // registered. The object records the returned id itself.
    int RegisterObject(KObject* object);
    // Registers an object and its id-carrying properties under one lock:
    // propertyIds receives count ids (-1 for a null property). Whole or not
    // at all, as above.
    int RegisterObject(KObject* object, KProperty* const* properties, int count, int* propertyIds);
    // Gives back the id and empties the table slot; an id not registered is ignored.
    void UnregisterObject(int id);
    // Object at id, or null.
    KObject* GetObject(int id) const;

    // The same for properties.
    int RegisterProperty(KProperty* property);
    void UnregisterProperty(int id);
    KProperty* GetProperty(int id) const;

    // Snapshots of the id sets (copies share storage until changed).
    KIdSet GetEntityIds() const;
    KIdSet GetObjectIds() const;
    KIdSet GetPropertyIds() const;

private:
    // Unlocked helpers: callers hold m_Lock.
    void ReleaseLocked(KWorldEntity* entity);
    int RegisterLocked(KIdSet& ids, KBlockArray& table, void* item);
    void UnregisterLocked(KIdSet& ids, KBlockArray& table, int id);

    std::unique_ptr<plat::CRITICAL_SECTION> m_Lock;
    KWorldEntity* m_Roots[2];
    std::unique_ptr<KIdSet> m_EntityIds;
    std::unique_ptr<KIdSet> m_ObjectIds;
    KPointerArray<KObject> m_Objects{16};
    std::unique_ptr<KIdSet> m_PropertyIds;
    KPointerArray<KProperty> m_Properties{16};
};

// The process-wide world (null before the library start and after its stop).
KWorld* KGetGlobalWorld();
void KSetGlobalWorld(KWorld* world);

} // namespace scenesdk
