#include "scenesdk/kernel/KHandleTable.h"

#include <atomic>

namespace scenesdk
{

namespace
{
std::atomic<uint32_t> gSerialCounter{0};
std::atomic<int> gTableUsers{0};
} // namespace

KHandleTable& KHandleTable::Get()
{
    // Never destroyed: handles may be resolved from static destructors.
    static KHandleTable* table = new KHandleTable;
    return *table;
}

void KHandleTable::Acquire()
{
    Get();
    ++gTableUsers;
}

void KHandleTable::Release()
{
    // The entries stay: dropping to zero users only ends the counted lifetime.
    // Never below zero, also when threads release at once.
    int users = gTableUsers.load();
    while (users > 0 && !gTableUsers.compare_exchange_weak(users, users - 1))
    {
    }
}

int KHandleTable::GetUserCount()
{
    return gTableUsers;
}

uint32_t KHandleTable::NextSerial()
{
    // Serial 0 marks a null handle and the invalid serial marks a free entry:
    // neither may name a live plug, so the counter steps over both.
    for (;;)
    {
        uint32_t s = gSerialCounter.fetch_add(1) + 1;
        if (s != 0 && s != kInvalidSerial)
        {
            return s;
        }
    }
}

void KHandleTable::AddBlock()
{
    KHandleEntry* block = new KHandleEntry[kBlockEntries];
    for (int i = 0; i < kBlockEntries; ++i)
    {
        block[i].serial.store(kInvalidSerial, std::memory_order_relaxed);
        block[i].next = i + 1 < kBlockEntries ? &block[i + 1] : m_FreeHead;
    }
    m_FreeHead = block;
    m_FreeCount += kBlockEntries;
    m_Blocks.push_back(block);
}

KHandleEntry* KHandleTable::Allocate(KPlug* plug)
{
    uint32_t serial = NextSerial();
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_FreeHead)
    {
        AddBlock();
    }
    KHandleEntry* e = m_FreeHead;
    m_FreeHead = e->next;
    --m_FreeCount;
    e->next = nullptr;
    e->plug.store(plug, std::memory_order_relaxed);
    e->serial.store(serial, std::memory_order_release);
    return e;
}

void KHandleTable::Free(KHandleEntry* entry, KPlug* plug)
{
    if (!entry)
    {
        return;
    }
    std::lock_guard<std::mutex> lock(m_Lock);
    if (entry->serial.load(std::memory_order_relaxed) == kInvalidSerial ||
        entry->plug.load(std::memory_order_relaxed) != plug)
    {
        return;
    }
    entry->serial.store(kInvalidSerial, std::memory_order_release);
    entry->plug.store(nullptr, std::memory_order_relaxed);
    entry->next = m_FreeHead;
    m_FreeHead = entry;
    ++m_FreeCount;
}

int KHandleTable::GetBlockCount() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return static_cast<int>(m_Blocks.size());
}

int KHandleTable::GetFreeCount() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_FreeCount;
}

} // namespace scenesdk
