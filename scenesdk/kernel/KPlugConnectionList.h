#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace scenesdk
{

class KPlug;

// One entry of a plug's source or destination list.
struct KPlugConnection
{
    KPlug* plug = nullptr;
    uint32_t type = 0; // 8-bit connection type; bit value 2 makes it one-way
};

// The ordered source or destination list of a plug. Positions are the
// entries' ranks in the order they stand (0 is the oldest unless inserted
// before it).
//
// Lists are a plain array searched from the end. A long list (a hub with
// thousands of sources) makes an index from plug to its last entry the first
// time it is searched further back than its last kIndexedSize entries, or
// loses an entry from further back; from then on the index is kept as entries
// come and go, and a removal leaves a hole instead of moving every later
// entry; a count tree over the slots turns slots into positions and back.
// Holes are squeezed out once they outnumber the entries, so removing every
// entry costs time linear in their number (times a logarithm), in any order.
// A long list only ever added to and searched near its end (every plug of a
// large scene, whose teardown takes the newest links first) never pays for an
// index.
class KPlugConnectionList
{
public:
    int Size() const { return m_Live; }
    bool Empty() const { return m_Live == 0; }
    // Counts every insertion and removal: positions found while it stays the
    // same still hold.
    uint32_t Changes() const { return m_Changes; }

    // Entry at position i; 0 <= i < Size().
    const KPlugConnection& At(int i) const
    {
        return m_Slots[static_cast<size_t>(m_Holes == 0 ? i : SlotOf(i))];
    }
    const KPlugConnection& Back() const { return m_Slots.back(); } // no hole ever ends the slots

    // Position of the last entry of plug (of the given kind: one-way or not), or -1.
    int FindLast(const KPlug* plug) const;
    int FindLastOfKind(const KPlug* plug, bool oneWay) const;

    // Inserts before position index (clamped to [0, Size()]).
    void Insert(int index, KPlug* plug, uint32_t type);
    void PushBack(KPlug* plug, uint32_t type);
    void EraseAt(int index);
    void Clear();

    // Calls f(const KPlugConnection&) for every entry, in order.
    template <typename F> void ForEach(F&& f) const
    {
        for (const KPlugConnection& c : m_Slots)
        {
            if (c.plug)
            {
                f(c);
            }
        }
    }

private:
    // How far from its end a list is searched, or an entry taken out, without
    // an index; an index is made to reach further, kept while the list is at
    // least half as long, and only lists with an index hold holes.
    static constexpr int kIndexedSize = 48;

    int SlotOf(int position) const;
    int PositionOf(int slot) const;
    int FindLastSlot(const KPlug* plug) const;
    // The last slot of plug of the given kind (-1 for either kind).
    int FindLastSlotOfKind(const KPlug* plug, int oneWay) const;
    void EraseSlot(int slot);
    // The index after PushBack filled slot with plug.
    void IndexPushed(const KPlug* plug, int slot);
    // Builds the index; without it when memory runs out. The index only
    // speeds searches up, so a search may make it (on a list without holes).
    void BuildIndex() const;
    void MakeIndex() const;
    void DropIndex() const;
    // The holes taken out and the index dropped: what the list falls back
    // to when memory runs out while its index changes.
    void Squeeze() noexcept;
    void BuildCounts();
    void Compact();
    void CountAdd(int slot, int delta);

    std::vector<KPlugConnection> m_Slots; // entries in order; a null plug is a hole
    int m_Live = 0;
    int m_Holes = 0;
    uint32_t m_Changes = 0;
    // Open-addressing table (linear probing, null keys free) from plug to its last slot.
    class SlotTable
    {
    public:
        int Find(const KPlug* plug) const;
        // The slot stored for plug before (-1 for none); stores slot.
        int Exchange(const KPlug* plug, int slot);
        void Erase(const KPlug* plug);
        void Clear();
        void Reserve(size_t count);

    private:
        size_t Home(const KPlug* plug) const;
        void Grow();
        std::vector<std::pair<const KPlug*, int>> m_Cells;
        size_t m_Count = 0;
    };
    // The index, present only on long lists (the only ones that hold holes):
    // the last slot of each plug, for each slot the previous slot of the same
    // plug (-1 for none), and the count tree (Fenwick) over the slots,
    // 1-based, kept while holes exist. Short lists, nearly all, carry none.
    struct Index
    {
        SlotTable lastSlot;
        std::vector<int> prevSlot;
        std::vector<int> counts;
    };
    mutable std::unique_ptr<Index> m_Index;
};

} // namespace scenesdk
