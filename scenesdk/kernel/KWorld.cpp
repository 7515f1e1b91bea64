#include "scenesdk/kernel/KWorld.h"

#include <atomic>

namespace scenesdk
{

namespace
{

std::atomic<uint32_t> sEntitySerial{0};
std::atomic<KWorld*> sGlobalWorld{nullptr};

} // namespace

KWorldEntity::KWorldEntity(KWorld* world, int kind, KWorldEntity* parent, uint32_t serial)
    : m_World(world), m_Kind(kind), m_Parent(parent), m_Serial(serial)
{
    (void)m_Reserved;
}

KWorld::KWorld()
    : m_Lock(new plat::CRITICAL_SECTION), m_Roots{nullptr, nullptr}, m_EntityIds(new KIdSet),
      m_ObjectIds(new KIdSet), m_PropertyIds(new KIdSet)
{
    plat::InitializeCriticalSection(m_Lock.get());
    try
    {
        m_Roots[0] = CreateEntity(0, nullptr);
        m_Roots[1] = CreateEntity(0, nullptr);
    }
    catch (...)
    {
        Release(m_Roots[0]);
        plat::DeleteCriticalSection(m_Lock.get());
        throw;
    }
}

KWorld::~KWorld()
{
    {
        plat::CriticalSectionLock lock(m_Lock.get());
        for (KWorldEntity*& root : m_Roots)
        {
            ReleaseLocked(root);
            root = nullptr;
        }
    }
    m_EntityIds.reset();
    m_ObjectIds.reset();
    m_PropertyIds.reset();
    plat::DeleteCriticalSection(m_Lock.get());
}

KWorldEntity* KWorld::GetRoot(int index) const
{
    return (index == 0 || index == 1) ? m_Roots[index] : nullptr;
}

KWorldEntity* KWorld::CreateEntity(int kind, KWorldEntity* parent)
{
    if (parent != nullptr && parent->m_World != this)
        return nullptr;
    std::unique_ptr<KWorldEntity> entity(new KWorldEntity(this, kind, parent, ++sEntitySerial));
    plat::CriticalSectionLock lock(m_Lock.get());
    // Whole or not at all: exhausted memory throws with the id given back.
    const int id = m_EntityIds->AssignLowest();
    if (parent != nullptr)
    {
        try
        {
            parent->m_Children.Add(entity.get());
        }
        catch (...)
        {
            if (id >= 0)
                m_EntityIds->Clear(id);
            throw;
        }
        ++parent->m_RefCount;
        entity->m_Word0 = parent->m_Word0;
    }
    entity->m_Id = id;
    return entity.release();
}

void KWorld::AddRef(KWorldEntity* entity)
{
    if (entity == nullptr)
        return;
    plat::CriticalSectionLock lock(m_Lock.get());
    ++entity->m_RefCount;
}

void KWorld::Release(KWorldEntity* entity)
{
    plat::CriticalSectionLock lock(m_Lock.get());
    ReleaseLocked(entity);
}

void KWorld::ReleaseLocked(KWorldEntity* entity)
{
    // Iterative: releasing an entity may release its parent, and so on.
    while (entity != nullptr && --entity->m_RefCount == 0)
    {
        KWorldEntity* parent = entity->m_Parent;
        if (entity->m_Id >= 0)
            m_EntityIds->Clear(entity->m_Id);
        entity->m_Id = -1;
        if (parent != nullptr)
        {
            const int at = parent->m_Children.Find(entity);
            if (at >= 0)
                parent->m_Children.RemoveAt(at);
        }
        delete entity;
        entity = parent;
    }
}

int KWorld::RegisterLocked(KIdSet& ids, KBlockArray& table, void* item)
{
    if (item == nullptr)
        return -1;
    const int id = ids.AssignLowest();
    if (id < 0)
        return -1;
    // The table is indexed by id: grow it to cover the id first (exhausted
    // memory throws, the id given back).
    try
    {
        if (id >= table.GetCount() && table.SetCount(id + 1) < 0)
        {
            ids.Clear(id);
            return -1;
        }
    }
    catch (...)
    {
        ids.Clear(id);
        throw;
    }
    *static_cast<void**>(table.GetAt(id)) = item;
    return id;
}

void KWorld::UnregisterLocked(KIdSet& ids, KBlockArray& table, int id)
{
    if (!ids.Test(id))
        return;
    ids.Clear(id);
    if (void** slot = static_cast<void**>(table.GetAt(id)))
        *slot = nullptr;
}

int KWorld::RegisterObject(KObject* object)
{
    plat::CriticalSectionLock lock(m_Lock.get());
    return RegisterLocked(*m_ObjectIds, m_Objects, object);
}

int KWorld::RegisterObject(KObject* object, KProperty* const* properties, int count, int* propertyIds)
{
    plat::CriticalSectionLock lock(m_Lock.get());
    const int id = RegisterLocked(*m_ObjectIds, m_Objects, object);
    int i = 0;
    try
    {
        for (; i < count; ++i)
        {
            const int pid = id >= 0 ? RegisterLocked(*m_PropertyIds, m_Properties, properties[i]) : -1;
            if (propertyIds != nullptr)
                propertyIds[i] = pid;
        }
    }
    catch (...)
    {
        // Whole or not at all: what was registered goes again.
        for (int j = 0; j < i && propertyIds != nullptr; ++j)
            UnregisterLocked(*m_PropertyIds, m_Properties, propertyIds[j]);
        UnregisterLocked(*m_ObjectIds, m_Objects, id);
        throw;
    }
    return id;
}

void KWorld::UnregisterObject(int id)
{
    plat::CriticalSectionLock lock(m_Lock.get());
    UnregisterLocked(*m_ObjectIds, m_Objects, id);
}

KObject* KWorld::GetObject(int id) const
{
    plat::CriticalSectionLock lock(m_Lock.get());
    return m_Objects.GetAt(id);
}

int KWorld::RegisterProperty(KProperty* property)
{
    plat::CriticalSectionLock lock(m_Lock.get());
    return RegisterLocked(*m_PropertyIds, m_Properties, property);
}

void KWorld::UnregisterProperty(int id)
{
    plat::CriticalSectionLock lock(m_Lock.get());
    UnregisterLocked(*m_PropertyIds, m_Properties, id);
}

KProperty* KWorld::GetProperty(int id) const
{
    plat::CriticalSectionLock lock(m_Lock.get());
    return m_Properties.GetAt(id);
}

KIdSet KWorld::GetEntityIds() const
{
    plat::CriticalSectionLock lock(m_Lock.get());
    return *m_EntityIds;
}

KIdSet KWorld::GetObjectIds() const
{
    plat::CriticalSectionLock lock(m_Lock.get());
    return *m_ObjectIds;
}

KIdSet KWorld::GetPropertyIds() const
{
    plat::CriticalSectionLock lock(m_Lock.get());
    return *m_PropertyIds;
}

KWorld* KGetGlobalWorld()
{
    return sGlobalWorld.load();
}

void KSetGlobalWorld(KWorld* world)
{
    sGlobalWorld.store(world);
}

} // namespace scenesdk
