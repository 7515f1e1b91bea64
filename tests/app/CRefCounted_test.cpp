#include "app/CRefCounted.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{

// Records its own destruction into a shared log.
struct CNode : CRefCounted
{
    CNode(std::vector<int>* log, int id) : m_pLog(log), m_iId(id) {}
    ~CNode() override { m_pLog->push_back(m_iId); }
    std::vector<int>* m_pLog;
    int m_iId;
    CRefPtr<CNode> m_pChild;
};

struct CDerived : CNode
{
    using CNode::CNode;
};

TEST(CRefPtrTest, CopyCountsAndLastReleaseDeletes)
{
    std::vector<int> log;
    {
        CRefPtr<CNode> a(new CNode(&log, 1));
        EXPECT_EQ(a->GetRefCount(), 1u);
        {
            CRefPtr<CNode> b(a);
            CRefPtr<CNode> c;
            c = a;
            EXPECT_EQ(a->GetRefCount(), 3u);
            EXPECT_TRUE(b == a);
        }
        EXPECT_EQ(a->GetRefCount(), 1u);
        EXPECT_TRUE(log.empty());
        a.Release();
        EXPECT_TRUE(a.IsNull());
        EXPECT_FALSE(a);
        EXPECT_EQ(log, std::vector<int>{1});
        a.Release(); // on an empty handle: nothing
    }
    EXPECT_EQ(log, std::vector<int>{1});
}

TEST(CRefPtrTest, SelfAssignmentAndSamePointerChangeNothing)
{
    std::vector<int> log;
    CRefPtr<CNode> a(new CNode(&log, 1));
    CNode* raw = a.Get();
    const CRefPtr<CNode>& self = a;
    a = self;
    a = raw;
    a.Assign(raw);
    EXPECT_EQ(a->GetRefCount(), 1u);
    EXPECT_TRUE(log.empty());
}

TEST(CRefPtrTest, AssignReleasesOldAndCountsNew)
{
    std::vector<int> log;
    CRefPtr<CNode> a(new CNode(&log, 1));
    CRefPtr<CNode> b(new CNode(&log, 2));
    a = b;
    EXPECT_EQ(log, std::vector<int>{1});
    EXPECT_EQ(b->GetRefCount(), 2u);
    a = nullptr;
    EXPECT_EQ(b->GetRefCount(), 1u);
}

TEST(CRefPtrTest, EmptyHandlesTouchNoCountAndNullReleasesTheLastHolder)
{
    std::vector<int> log;
    CRefPtr<CNode> empty;
    CRefPtr<CNode> copy(empty);
    EXPECT_TRUE(copy.IsNull());
    CRefPtr<CNode> a(new CNode(&log, 1));
    CRefPtr<CNode> b(a);
    b = empty; // drops b's unit only
    EXPECT_TRUE(b.IsNull());
    EXPECT_EQ(a->GetRefCount(), 1u);
    b = empty;
    EXPECT_TRUE(log.empty());
    // An object no handle has taken yet has count 0.
    CNode* loose = new CNode(&log, 2);
    EXPECT_EQ(loose->GetRefCount(), 0u);
    b = loose;
    EXPECT_EQ(loose->GetRefCount(), 1u);
    a = nullptr; // the last handle of object 1
    EXPECT_EQ(log, std::vector<int>{1});
    b.Assign(nullptr);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
}

TEST(CRefPtrTest, AssigningTheOnlyHoldersChildIsSafe)
{
    std::vector<int> log;
    CRefPtr<CNode> p(new CNode(&log, 1));
    p->m_pChild = new CNode(&log, 2);
    p->m_pChild->m_pChild = new CNode(&log, 3);
    // The parent holds the child's only other reference.
    p = p->m_pChild;
    EXPECT_EQ(log, std::vector<int>{1});
    ASSERT_FALSE(p.IsNull());
    EXPECT_EQ(p->m_iId, 2);
    EXPECT_EQ(p->GetRefCount(), 1u);
    p = p->m_pChild;
    EXPECT_EQ(p->m_iId, 3);
    p.Release();
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
}

TEST(CRefPtrTest, PolymorphicHandlesShareOneCount)
{
    std::vector<int> log;
    CRefPtr<CDerived> d(new CDerived(&log, 7));
    CRefPtr<CNode> base(d);
    EXPECT_EQ(d->GetRefCount(), 2u);
    d.Release();
    EXPECT_TRUE(log.empty());
    base.Release(); // deleted through the virtual destructor
    EXPECT_EQ(log, std::vector<int>{7});
}

TEST(CRefPtrTest, CountIsWiderThanSixteenBits)
{
    std::vector<int> log;
    CRefPtr<CNode> first(new CNode(&log, 1));
    std::vector<CRefPtr<CNode>> many(70000, first);
    EXPECT_EQ(first->GetRefCount(), 70001u);
    many.clear();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(first->GetRefCount(), 1u);
}

// A move hands the unit of count over; a moved-to handle releases what it
// held; moving the last handle of an object into one held by that object
// itself is safe; and sorting handles (moves and swaps) leaves every count
// at one.
TEST(CRefPtrTest, MovesHandTheCountOver)
{
    std::vector<int> log;
    CRefPtr<CNode> a(new CNode(&log, 1));
    CRefPtr<CNode> b(std::move(a));
    EXPECT_TRUE(a.IsNull());
    EXPECT_EQ(b->GetRefCount(), 1u);

    CRefPtr<CNode> c(new CNode(&log, 2));
    c = std::move(b);
    EXPECT_EQ(log, std::vector<int>{2}) << "the old pointee is released";
    EXPECT_TRUE(b.IsNull());
    EXPECT_EQ(c->GetRefCount(), 1u);
    CRefPtr<CNode>& self = c;
    c = std::move(self);
    EXPECT_EQ(c->GetRefCount(), 1u);
    b = std::move(a); // empty to empty
    EXPECT_TRUE(b.IsNull());

    // The parent's only handle takes over its child: the parent goes, the
    // child stays.
    c->m_pChild = new CNode(&log, 3);
    c = std::move(c->m_pChild);
    EXPECT_EQ(log, (std::vector<int>{2, 1}));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->m_iId, 3);
    EXPECT_EQ(c->GetRefCount(), 1u);

    std::vector<CRefPtr<CNode>> nodes;
    for (int id = 10; id < 40; ++id)
        nodes.emplace_back(new CNode(&log, (id * 7) % 30 + 10));
    std::sort(nodes.begin(), nodes.end(),
              [](const CRefPtr<CNode>& x, const CRefPtr<CNode>& y) { return x->m_iId < y->m_iId; });
    for (size_t i = 0; i < nodes.size(); ++i)
    {
        EXPECT_EQ(nodes[i]->m_iId, static_cast<int>(i) + 10);
        EXPECT_EQ(nodes[i]->GetRefCount(), 1u);
    }
    EXPECT_EQ(log.size(), 2u);
    nodes.clear();
    EXPECT_EQ(log.size(), 32u);
}

} // namespace
