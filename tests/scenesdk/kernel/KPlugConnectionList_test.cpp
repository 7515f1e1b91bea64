// The connection list against a plain vector doing the same thing: long lists
// take the indexed path with holes, and every position, search and entry must
// match the plain list after each step, whatever the order of removals; no
// entry past the newest ones is looked at or moved one by one (KSearchWork).

#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KPlugConnectionList.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace scenesdk;

namespace
{

struct Model
{
    std::vector<KPlugConnection> v;
    int FindLast(const KPlug* p, int oneWay = -1) const
    {
        for (size_t i = v.size(); i-- > 0;)
            if (v[i].plug == p && (oneWay < 0 || ((v[i].type & KPlug::kOneWayType) != 0) == (oneWay == 1)))
                return static_cast<int>(i);
        return -1;
    }
};

// Fake plug addresses: the list never looks behind them.
KPlug* FakePlug(int i)
{
    return reinterpret_cast<KPlug*>(static_cast<uintptr_t>(0x1000 + 16 * i));
}

void ExpectSame(const KPlugConnectionList& list, const Model& m, int plugCount)
{
    ASSERT_EQ(list.Size(), static_cast<int>(m.v.size()));
    ASSERT_EQ(list.Empty(), m.v.empty());
    for (int i = 0; i < list.Size(); ++i)
    {
        ASSERT_EQ(list.At(i).plug, m.v[static_cast<size_t>(i)].plug) << i;
        ASSERT_EQ(list.At(i).type, m.v[static_cast<size_t>(i)].type) << i;
    }
    if (!m.v.empty())
    {
        ASSERT_EQ(list.Back().plug, m.v.back().plug);
    }
    for (int p = 0; p < plugCount; ++p)
    {
        ASSERT_EQ(list.FindLast(FakePlug(p)), m.FindLast(FakePlug(p))) << p;
        ASSERT_EQ(list.FindLastOfKind(FakePlug(p), true), m.FindLast(FakePlug(p), 1)) << p;
        ASSERT_EQ(list.FindLastOfKind(FakePlug(p), false), m.FindLast(FakePlug(p), 0)) << p;
    }
    std::vector<KPlugConnection> seen;
    list.ForEach([&](const KPlugConnection& c) { seen.push_back(c); });
    ASSERT_EQ(seen.size(), m.v.size());
    EXPECT_EQ(list.FindLast(nullptr), -1);
}

TEST(KPlugConnectionList, RandomEditsMatchAPlainList)
{
    for (unsigned seed = 1; seed <= 6; ++seed)
    {
        std::mt19937 rng(seed);
        KPlugConnectionList list;
        Model m;
        const uint64_t work = KSearchWork::Get();
        // Few distinct plugs make duplicates; many make long lists.
        const int plugCount = seed % 2 ? 40 : 400;
        for (int step = 0; step < 3000; ++step)
        {
            int op = static_cast<int>(rng() % 10);
            // Grow first, then mostly shrink, so lists cross the indexed size both ways.
            bool growing = (step / 500) % 2 == 0;
            KPlug* p = FakePlug(static_cast<int>(rng() % static_cast<unsigned>(plugCount)));
            uint32_t type = rng() % 4;
            if ((growing && op < 6) || (!growing && op < 2))
            {
                list.PushBack(p, type);
                m.v.push_back(KPlugConnection{p, type});
            }
            else if ((growing && op < 7) || (!growing && op < 3))
            {
                int at = static_cast<int>(rng() % (m.v.size() + 2)) - 1;
                list.Insert(at, p, type);
                size_t c = static_cast<size_t>(std::clamp(at, 0, static_cast<int>(m.v.size())));
                m.v.insert(m.v.begin() + static_cast<long>(c), KPlugConnection{p, type});
            }
            else if (!m.v.empty())
            {
                // Oldest, newest, by plug, or anywhere.
                int at = op % 4 == 0   ? 0
                         : op % 4 == 1 ? static_cast<int>(m.v.size()) - 1
                         : op % 4 == 2 ? m.FindLast(p)
                                       : static_cast<int>(rng() % m.v.size());
                list.EraseAt(at);
                if (at >= 0)
                    m.v.erase(m.v.begin() + at);
            }
            if (step % 37 == 0 || m.v.size() < 4)
            {
                ASSERT_NO_FATAL_FAILURE(ExpectSame(list, m, plugCount))
                    << "seed " << seed << " step " << step;
            }
        }
        ASSERT_NO_FATAL_FAILURE(ExpectSame(list, m, plugCount));
        EXPECT_EQ(KSearchWork::Get() - work, 0u) << "seed " << seed;
        list.Clear();
        m.v.clear();
        ASSERT_NO_FATAL_FAILURE(ExpectSame(list, m, plugCount));
        list.EraseAt(0); // nothing to erase: no effect
        EXPECT_TRUE(list.Empty());
    }
}

// A hub loses its sources oldest first, then from the middle outwards: the
// removal events carry the position each source had when it went, as the
// plain list would report them.
TEST(KPlugConnectionList, HubRemovalsReportPositions)
{
    struct Hub : KPlug
    {
        std::vector<std::pair<int, KPlug*>> removed;
        bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                             uint32_t type, KPlug* extra) override
        {
            if (code == eSrcRemoved && emitter == this)
                removed.emplace_back(index, other);
            return KPlug::ConnectionEvent(path, code, emitter, index, other, type, extra);
        }
    };
    Hub* hub = new Hub;
    std::vector<KPlug*> src;
    for (int i = 0; i < 300; ++i)
    {
        src.push_back(new KPlug);
        ASSERT_TRUE(hub->ConnectSrc(src.back()));
    }
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(hub->DisconnectSrc(src[static_cast<size_t>(i)]));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(hub->removed[static_cast<size_t>(i)], std::make_pair(0, src[static_cast<size_t>(i)]));
    ASSERT_EQ(hub->GetSrcCount(), 200);
    EXPECT_EQ(hub->GetSrc(0), src[100]);
    EXPECT_EQ(hub->FindSrc(src[250]), 150);
    // Every other one of what is left, from the back: each leaves at its own rank.
    hub->removed.clear();
    for (int i = 298; i >= 100; i -= 2)
        ASSERT_TRUE(hub->DisconnectSrc(src[static_cast<size_t>(i)]));
    for (size_t k = 0; k < hub->removed.size(); ++k)
        EXPECT_EQ(hub->removed[k].first, static_cast<int>(198 - 2 * k));
    ASSERT_EQ(hub->GetSrcCount(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(hub->GetSrc(i), src[static_cast<size_t>(101 + 2 * i)]);
    // A source inserted in front still goes before the rest.
    ASSERT_TRUE(hub->InsertSrc(0, src[0]));
    EXPECT_EQ(hub->GetSrc(0), src[0]);
    EXPECT_EQ(hub->FindSrc(src[101]), 1);
    hub->Destroy();
    for (KPlug* p : src)
    {
        EXPECT_EQ(p->GetDstCount(), 0);
        p->Destroy();
    }
}

} // namespace
