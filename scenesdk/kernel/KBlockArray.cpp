#include "scenesdk/kernel/KBlockArray.h"

#include "scenesdk/kernel/KHeap.h"

#include <utility>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace scenesdk
{

KBlockArray::KBlockArray(int blockSize, int itemSize)
    : m_Count(0), m_BlockCount(0), m_BlockSize(blockSize > 1 ? blockSize : 1),
      m_ItemSize(itemSize > 0 ? itemSize : 1), m_Data(nullptr)
{
}

KBlockArray::KBlockArray(const KBlockArray& other) : KBlockArray(other.m_BlockSize, other.m_ItemSize)
{
    CopyFrom(other);
}

KBlockArray& KBlockArray::operator=(const KBlockArray& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

KBlockArray::~KBlockArray()
{
    std::free(m_Data);
}

void KBlockArray::Clear()
{
    std::free(m_Data);
    m_Data = nullptr;
    m_Count = 0;
    m_BlockCount = 0;
    m_Room = 0;
}

void KBlockArray::Swap(KBlockArray& other) noexcept
{
    std::swap(m_Data, other.m_Data);
    std::swap(m_Count, other.m_Count);
    std::swap(m_BlockCount, other.m_BlockCount);
    std::swap(m_BlockSize, other.m_BlockSize);
    std::swap(m_ItemSize, other.m_ItemSize);
    std::swap(m_Room, other.m_Room);
}

bool KBlockArray::CopyFrom(const KBlockArray& other)
{
    if (this == &other)
        return true;
    if (other.m_ItemSize != m_ItemSize)
        return false;
    // Made apart, then taken: exhausted memory leaves this array as it was.
    // The room grows as inserting the items one by one would grow it.
    KBlockArray copy(other.m_BlockSize, m_ItemSize);
    while (copy.m_Room < other.m_Count)
        if (!copy.MakeRoom(static_cast<int64_t>(copy.m_Room) + 1))
            return false;
    if (other.m_Count > 0)
        std::memcpy(copy.m_Data, other.m_Data, static_cast<size_t>(other.m_Count) * static_cast<size_t>(m_ItemSize));
    copy.m_Count = other.m_Count;
    Swap(copy);
    return true;
}

namespace
{
// The first room a growing array takes.
constexpr int64_t kFirstRoom = 4;
} // namespace

bool KBlockArray::MakeRoom(int64_t items)
{
    if (items <= m_Room)
        return true;
    const int64_t needed = (items + m_BlockSize - 1) / m_BlockSize;
    const int64_t blocks = needed > m_BlockCount ? needed : m_BlockCount;
    const int64_t capacity = blocks * m_BlockSize;
    if (blocks > INT32_MAX || capacity > INT32_MAX)
        return false;
    // The room doubles, up to the capacity: past the first block a doubling
    // reaches it, so later blocks come whole, one at a time.
    int64_t room = 2 * static_cast<int64_t>(m_Room);
    if (room < kFirstRoom)
        room = kFirstRoom;
    if (room < items)
        room = items;
    if (room > capacity)
        room = capacity;
    const size_t bytes = static_cast<size_t>(room) * static_cast<size_t>(m_ItemSize);
    m_Data = static_cast<unsigned char*>(KHeapRealloc(m_Data, bytes)); // throwing, the old area stays ours
    m_BlockCount = static_cast<int32_t>(blocks);
    m_Room = static_cast<int32_t>(room);
    return true;
}

bool KBlockArray::Reserve(int items)
{
    return items <= m_Room || MakeRoom(items);
}

int KBlockArray::InsertAt(int index, const void* item)
{
    if (index < 0 || item == nullptr)
        return -1;
    const int i = index < m_Count ? index : m_Count;
    const size_t size = static_cast<size_t>(m_ItemSize);
    // An item inside our own storage may be moved by the growth or by the
    // tail move: take a copy first.
    const auto* src = static_cast<const unsigned char*>(item);
    unsigned char small[64];
    std::vector<unsigned char> large;
    if (m_Data != nullptr && src >= m_Data && src < m_Data + static_cast<size_t>(m_Count) * size)
    {
        unsigned char* copy = small;
        if (size > sizeof(small))
        {
            large.resize(size);
            copy = large.data();
        }
        std::memcpy(copy, src, size);
        src = copy;
    }
    // A full array grows by one block (its room with it).
    if (m_Count >= m_Room && !MakeRoom(static_cast<int64_t>(m_Count) + 1))
        return -1;
    if (i < m_Count)
        std::memmove(m_Data + (i + 1) * size, m_Data + i * size, (m_Count - i) * size);
    std::memcpy(m_Data + i * size, src, size);
    ++m_Count;
    return i;
}

int KBlockArray::RemoveAt(int index)
{
    if (index < 0 || index >= m_Count)
        return m_Count;
    const size_t size = static_cast<size_t>(m_ItemSize);
    if (index + 1 < m_Count)
        std::memmove(m_Data + index * size, m_Data + (index + 1) * size, (m_Count - index - 1) * size);
    return --m_Count;
}

int KBlockArray::AddZeroed(int n)
{
    if (n < 0)
        return -1;
    if (n == 0)
        return 0;
    const int64_t total = static_cast<int64_t>(m_Count) + n;
    if (total > INT32_MAX)
        return -1;
    if (!MakeRoom(total))
        return -1;
    const size_t size = static_cast<size_t>(m_ItemSize);
    std::memset(m_Data + static_cast<size_t>(m_Count) * size, 0, static_cast<size_t>(n) * size);
    m_Count = static_cast<int32_t>(total);
    return n;
}

int KBlockArray::SetCount(int n)
{
    if (n < 0)
        return -1;
    if (n <= m_Count)
    {
        m_Count = n;
        return n;
    }
    return AddZeroed(n - m_Count) < 0 ? -1 : n;
}

void* KBlockArray::GetAt(int index)
{
    if (index < 0 || index >= m_Count)
        return nullptr;
    return m_Data + static_cast<size_t>(index) * static_cast<size_t>(m_ItemSize);
}

const void* KBlockArray::GetAt(int index) const
{
    return const_cast<KBlockArray*>(this)->GetAt(index);
}

} // namespace scenesdk
