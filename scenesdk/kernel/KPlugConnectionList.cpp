#include "scenesdk/kernel/KPlugConnectionList.h"

#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <algorithm>
#include <utility>

namespace scenesdk
{

int KPlugConnectionList::FindLastSlot(const KPlug* plug) const
{
    return FindLastSlotOfKind(plug, -1);
}

int KPlugConnectionList::FindLastSlotOfKind(const KPlug* plug, int oneWay) const
{
    auto matches = [&](size_t slot)
    {
        return m_Slots[slot].plug == plug &&
               (oneWay < 0 || ((m_Slots[slot].type & KPlug::kOneWayType) != 0) == (oneWay == 1));
    };
    if (!m_Index)
    {
        // The newest entries first; past them the index takes over.
        const size_t end = m_Slots.size();
        const size_t reach = end > static_cast<size_t>(kIndexedSize) ? end - kIndexedSize : 0;
        for (size_t i = end; i-- > reach;)
        {
            if (matches(i))
            {
                return static_cast<int>(i);
            }
        }
        if (reach == 0)
        {
            return -1;
        }
        BuildIndex();
        if (!m_Index)
        {
            // Memory ran out: the rest one by one (counted as search work).
            for (size_t i = reach; i-- > 0;)
            {
                if (matches(i))
                {
                    KSearchWork::Add(reach - i);
                    return static_cast<int>(i);
                }
            }
            KSearchWork::Add(reach);
            return -1;
        }
    }
    for (int slot = m_Index->lastSlot.Find(plug); slot >= 0; slot = m_Index->prevSlot[static_cast<size_t>(slot)])
    {
        if (matches(static_cast<size_t>(slot)))
        {
            return slot;
        }
    }
    return -1;
}

int KPlugConnectionList::FindLast(const KPlug* plug) const
{
    if (!plug)
    {
        return -1; // holes hold null: never a match
    }
    int slot = FindLastSlot(plug);
    return slot < 0 ? -1 : PositionOf(slot);
}

int KPlugConnectionList::FindLastOfKind(const KPlug* plug, bool oneWay) const
{
    if (!plug)
    {
        return -1;
    }
    int slot = FindLastSlotOfKind(plug, oneWay ? 1 : 0);
    return slot < 0 ? -1 : PositionOf(slot);
}

void KPlugConnectionList::PushBack(KPlug* plug, uint32_t type)
{
    const int slot = static_cast<int>(m_Slots.size());
    m_Slots.push_back(KPlugConnection{plug, type});
    ++m_Live;
    ++m_Changes;
    // The index only speeds searches up: when memory runs out while it
    // grows, the list goes on without it (and without holes).
    try
    {
        IndexPushed(plug, slot);
    }
    catch (...)
    {
        Squeeze();
    }
}

void KPlugConnectionList::IndexPushed(const KPlug* plug, int slot)
{
    if (!m_Index)
    {
        return; // made when a search first needs it
    }
    m_Index->prevSlot.push_back(m_Index->lastSlot.Exchange(plug, slot));
    if (!m_Index->counts.empty())
    {
        // Node n covers the slots (n - lowbit(n), n]: this slot plus the tail
        // of the slots before it that the node reaches.
        const int n = slot + 1;
        const int from = n - (n & -n);
        int sum = 1;
        for (int i = slot; i > 0; i -= i & -i)
        {
            sum += m_Index->counts[static_cast<size_t>(i)];
        }
        for (int i = from; i > 0; i -= i & -i)
        {
            sum -= m_Index->counts[static_cast<size_t>(i)];
        }
        m_Index->counts.push_back(sum);
    }
}

void KPlugConnectionList::Insert(int index, KPlug* plug, uint32_t type)
{
    index = std::clamp(index, 0, m_Live);
    if (index == m_Live)
    {
        PushBack(plug, type);
        return;
    }
    // Inserting in the middle moves the later entries anyway: the list is
    // squeezed and its index made again.
    if (m_Holes > 0)
    {
        Compact();
    }
    m_Slots.insert(m_Slots.begin() + index, KPlugConnection{plug, type});
    ++m_Live;
    ++m_Changes;
    if (m_Index)
    {
        BuildIndex();
    }
}

void KPlugConnectionList::EraseAt(int index)
{
    if (index >= 0 && index < m_Live)
    {
        EraseSlot(SlotOf(index));
    }
}

void KPlugConnectionList::EraseSlot(int slot)
{
    const size_t s = static_cast<size_t>(slot);
    if (!m_Index && m_Slots.size() - s > static_cast<size_t>(kIndexedSize))
    {
        BuildIndex(); // a hole, not every later entry moved
    }
    --m_Live;
    ++m_Changes;
    if (!m_Index)
    {
        // The later entries move up; past the newest ones (memory ran out)
        // that counts as search work.
        const size_t later = m_Slots.size() - s - 1;
        if (later > static_cast<size_t>(kIndexedSize))
        {
            KSearchWork::Add(later - kIndexedSize);
        }
        m_Slots.erase(m_Slots.begin() + slot);
        return;
    }
    // Unlink the slot from its plug's chain.
    const KPlug* plug = m_Slots[s].plug;
    const int last = m_Index->lastSlot.Find(plug);
    if (last == slot)
    {
        if (m_Index->prevSlot[s] < 0)
        {
            m_Index->lastSlot.Erase(plug);
        }
        else
        {
            m_Index->lastSlot.Exchange(plug, m_Index->prevSlot[s]);
        }
    }
    else
    {
        int j = last;
        while (m_Index->prevSlot[static_cast<size_t>(j)] != slot)
        {
            j = m_Index->prevSlot[static_cast<size_t>(j)];
        }
        m_Index->prevSlot[static_cast<size_t>(j)] = m_Index->prevSlot[s];
    }

    if (s + 1 == m_Slots.size())
    {
        // The last slot goes, and the holes that then end the list with it.
        do
        {
            if (!m_Slots.back().plug)
            {
                --m_Holes;
            }
            m_Slots.pop_back();
            m_Index->prevSlot.pop_back();
            if (!m_Index->counts.empty())
            {
                m_Index->counts.pop_back();
            }
        } while (!m_Slots.empty() && !m_Slots.back().plug);
        if (m_Slots.empty())
        {
            m_Index->counts.clear();
        }
    }
    else
    {
        m_Slots[s].plug = nullptr;
        ++m_Holes;
        if (!m_Index->counts.empty())
        {
            CountAdd(slot, -1);
        }
        else
        {
            try
            {
                BuildCounts();
            }
            catch (...)
            {
                Squeeze();
            }
        }
    }
    if (m_Holes > m_Live)
    {
        Compact();
    }
    else if (m_Holes == 0 && m_Live < kIndexedSize / 2)
    {
        DropIndex();
    }
}

void KPlugConnectionList::Clear()
{
    ++m_Changes;
    m_Slots.clear();
    m_Live = 0;
    m_Holes = 0;
    DropIndex();
}

void KPlugConnectionList::Compact()
{
    m_Slots.erase(
        std::remove_if(m_Slots.begin(), m_Slots.end(), [](const KPlugConnection& c) { return !c.plug; }),
        m_Slots.end());
    m_Holes = 0;
    if (m_Live >= kIndexedSize / 2)
    {
        BuildIndex();
    }
    else
    {
        DropIndex();
    }
}

void KPlugConnectionList::Squeeze() noexcept
{
    m_Slots.erase(
        std::remove_if(m_Slots.begin(), m_Slots.end(), [](const KPlugConnection& c) { return !c.plug; }),
        m_Slots.end());
    m_Holes = 0;
    DropIndex();
}

void KPlugConnectionList::BuildIndex() const
{
    try
    {
        MakeIndex();
    }
    catch (...)
    {
        DropIndex(); // no holes to squeeze out: the list goes on without an index
    }
}

void KPlugConnectionList::MakeIndex() const
{
    // Called with no holes in the list.
    if (!m_Index)
    {
        m_Index = std::make_unique<Index>();
    }
    m_Index->lastSlot.Clear();
    m_Index->lastSlot.Reserve(m_Slots.size());
    m_Index->prevSlot.resize(m_Slots.size());
    for (size_t i = 0; i < m_Slots.size(); ++i)
    {
        m_Index->prevSlot[i] = m_Index->lastSlot.Exchange(m_Slots[i].plug, static_cast<int>(i));
    }
    m_Index->counts.clear();
}

void KPlugConnectionList::DropIndex() const
{
    m_Index.reset();
}

void KPlugConnectionList::BuildCounts()
{
    const size_t n = m_Slots.size();
    m_Index->counts.assign(n + 1, 0);
    for (size_t i = 1; i <= n; ++i)
    {
        m_Index->counts[i] += m_Slots[i - 1].plug ? 1 : 0;
        size_t parent = i + (i & (~i + 1));
        if (parent <= n)
        {
            m_Index->counts[parent] += m_Index->counts[i];
        }
    }
}

void KPlugConnectionList::CountAdd(int slot, int delta)
{
    const int n = static_cast<int>(m_Index->counts.size()) - 1;
    for (int i = slot + 1; i <= n; i += i & -i)
    {
        m_Index->counts[static_cast<size_t>(i)] += delta;
    }
}

int KPlugConnectionList::PositionOf(int slot) const
{
    if (m_Holes == 0)
    {
        return slot;
    }
    int sum = 0;
    for (int i = slot; i > 0; i -= i & -i)
    {
        sum += m_Index->counts[static_cast<size_t>(i)];
    }
    return sum;
}

int KPlugConnectionList::SlotOf(int position) const
{
    if (m_Holes == 0)
    {
        return position;
    }
    // Descend the count tree to the slot with exactly position live slots before it.
    const int n = static_cast<int>(m_Index->counts.size()) - 1;
    int step = 1;
    while (step * 2 <= n)
    {
        step *= 2;
    }
    int at = 0;
    int left = position;
    for (; step > 0; step /= 2)
    {
        int next = at + step;
        if (next <= n && m_Index->counts[static_cast<size_t>(next)] <= left)
        {
            at = next;
            left -= m_Index->counts[static_cast<size_t>(next)];
        }
    }
    return at; // slots are 0-based, nodes 1-based: node at + 1 is the slot
}

// ---------------------------------------------------------------------------
// Slot table

size_t KPlugConnectionList::SlotTable::Home(const KPlug* plug) const
{
    // Plugs are heap blocks: the low bits carry nothing, the multiply spreads the rest.
    const uint64_t h = (reinterpret_cast<uintptr_t>(plug) >> 4) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h >> 20) & (m_Cells.size() - 1);
}

int KPlugConnectionList::SlotTable::Find(const KPlug* plug) const
{
    if (m_Cells.empty())
    {
        return -1;
    }
    const size_t mask = m_Cells.size() - 1;
    for (size_t i = Home(plug);; i = (i + 1) & mask)
    {
        if (m_Cells[i].first == plug)
        {
            return m_Cells[i].second;
        }
        if (!m_Cells[i].first)
        {
            return -1;
        }
    }
}

int KPlugConnectionList::SlotTable::Exchange(const KPlug* plug, int slot)
{
    if ((m_Count + 1) * 2 > m_Cells.size())
    {
        Grow();
    }
    const size_t mask = m_Cells.size() - 1;
    for (size_t i = Home(plug);; i = (i + 1) & mask)
    {
        if (m_Cells[i].first == plug)
        {
            return std::exchange(m_Cells[i].second, slot);
        }
        if (!m_Cells[i].first)
        {
            m_Cells[i] = {plug, slot};
            ++m_Count;
            return -1;
        }
    }
}

void KPlugConnectionList::SlotTable::Erase(const KPlug* plug)
{
    if (m_Cells.empty())
    {
        return;
    }
    const size_t mask = m_Cells.size() - 1;
    size_t i = Home(plug);
    while (m_Cells[i].first != plug)
    {
        if (!m_Cells[i].first)
        {
            return;
        }
        i = (i + 1) & mask;
    }
    // Backward shift: later cells of the run move into the gap when their home
    // does not lie between the gap and them, so no search ever stops early.
    for (size_t j = (i + 1) & mask; m_Cells[j].first; j = (j + 1) & mask)
    {
        const size_t home = Home(m_Cells[j].first);
        if (((j - home) & mask) >= ((j - i) & mask))
        {
            m_Cells[i] = m_Cells[j];
            i = j;
        }
    }
    m_Cells[i] = {nullptr, -1};
    --m_Count;
}

void KPlugConnectionList::SlotTable::Clear()
{
    m_Cells.clear();
    m_Count = 0;
}

void KPlugConnectionList::SlotTable::Reserve(size_t count)
{
    size_t size = 16;
    while (size < count * 2)
    {
        size *= 2;
    }
    if (size > m_Cells.size())
    {
        std::vector<std::pair<const KPlug*, int>> old(size, {nullptr, -1});
        old.swap(m_Cells);
        m_Count = 0;
        for (const auto& c : old)
        {
            if (c.first)
            {
                Exchange(c.first, c.second);
            }
        }
    }
}

void KPlugConnectionList::SlotTable::Grow()
{
    Reserve(std::max<size_t>(8, m_Cells.size()));
}

} // namespace scenesdk
