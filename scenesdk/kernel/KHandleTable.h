#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace scenesdk
{

class KPlug;

// One slot of the handle table. While in use it names a live plug; a released
// entry carries the invalid serial and sits on the table's free list. The
// serial and the plug are atomic: a thread may resolve a stale handle while
// another thread, holding the table's lock, takes the entry for a plug of
// its own.
struct KHandleEntry
{
    std::atomic<uint32_t> serial{0};
    std::atomic<KPlug*> plug{nullptr};
    KHandleEntry* next = nullptr; // free-list link while the entry is free, under the lock
};

// Weak handle to a plug, held by value. It resolves to the plug while the plug
// lives; once the plug is destroyed its entry gets another serial and the
// handle resolves to null for ever, also after the entry is reused.
struct HdlKObject
{
    uint32_t serial = 0;
    KHandleEntry* entry = nullptr;

    // The plug, or null for a null or stale handle.
    KPlug* Get() const
    {
        return entry && entry->serial.load(std::memory_order_acquire) == serial
                   ? entry->plug.load(std::memory_order_relaxed)
                   : nullptr;
    }
    bool IsLive() const { return Get() != nullptr; }
    bool IsNull() const { return entry == nullptr; }
    bool operator==(const HdlKObject& o) const { return serial == o.serial && entry == o.entry; }
    bool operator!=(const HdlKObject& o) const { return !(*this == o); }
};

// The process-wide table behind every weak handle. Entries come in blocks of
// kBlockEntries and are never given back to the system: the table is an
// immortal singleton, so a handle resolved late in process exit still reads
// valid memory. Allocation and release take the table's lock; resolving a
// handle takes no lock, on whichever thread holds the handle.
class KHandleTable
{
public:
    static constexpr uint32_t kInvalidSerial = 0x5A5A5A5A;
    static constexpr int kBlockEntries = 10240;

    static KHandleTable& Get();
    // Users of the table: the first plug alive and the class-id registry.
    static void Acquire();
    static void Release();
    static int GetUserCount();

    // A fresh entry for the plug with the next serial (never 0 nor the invalid one).
    KHandleEntry* Allocate(KPlug* plug);
    // Gives the entry back when it still belongs to the plug; ignored otherwise.
    void Free(KHandleEntry* entry, KPlug* plug);

    int GetBlockCount() const;
    int GetFreeCount() const;

private:
    KHandleTable() = default;
    static uint32_t NextSerial();
    void AddBlock();

    mutable std::mutex m_Lock;
    std::vector<KHandleEntry*> m_Blocks;
    KHandleEntry* m_FreeHead = nullptr;
    int m_FreeCount = 0;
};

} // namespace scenesdk
