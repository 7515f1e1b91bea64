#include "scenesdk/kernel/KPropertyName.h"

#include "scenesdk/kernel/KHeap.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

namespace scenesdk
{

namespace
{
struct SSharedNames
{
    std::mutex lock;
    std::unordered_set<std::string> names; // nodes never move: their texts stay put
};

SSharedNames& Shared()
{
    static SSharedNames* table = new SSharedNames; // lives as long as the process
    return *table;
}

// Per thread, the last shared texts found for the addresses callers passed:
// the same literal comes again for every object of a class. The text at the
// address is compared each time (a caller's buffer may hold another name by
// then), so a stale entry only costs the table look-up.
struct SRecent
{
    const char* key;
    const char* shared;
};
constexpr size_t kRecent = 256;
thread_local SRecent tRecent[kRecent];

const char* SharedCopy(const char* text)
{
    SRecent& slot = tRecent[(reinterpret_cast<uintptr_t>(text) >> 3) % kRecent];
    if (slot.key == text && std::strcmp(slot.shared, text) == 0)
    {
        return slot.shared;
    }
    SSharedNames& table = Shared();
    const char* shared;
    {
        std::lock_guard<std::mutex> guard(table.lock);
        shared = table.names.emplace(text).first->c_str();
    }
    slot.key = text;
    slot.shared = shared;
    return shared;
}
} // namespace

void KPropertyName::FreeOwned()
{
    if ((m_Bits & 1) != 0)
    {
        std::free(reinterpret_cast<void*>(m_Bits & ~uintptr_t(1)));
    }
    m_Bits = 0;
}

void KPropertyName::Set(const char* text)
{
    if (!text)
    {
        text = "";
    }
    const size_t size = std::strlen(text) + 1;
    char* block = static_cast<char*>(KHeapAlloc(size < 2 ? 2 : size)); // throwing, the name stays
    std::memcpy(block, text, size); // before the old name goes: text may be it
    FreeOwned();
    m_Bits = reinterpret_cast<uintptr_t>(block) | 1;
}

void KPropertyName::SetShared(const char* text)
{
    const char* shared = SharedCopy(text ? text : "");
    if ((reinterpret_cast<uintptr_t>(shared) & 1) != 0)
    {
        Set(shared); // never seen (a string's text is aligned as the string), but the bit must stay free
        return;
    }
    FreeOwned();
    m_Bits = reinterpret_cast<uintptr_t>(shared);
}

} // namespace scenesdk
