#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KPropertyObjectList.h"

#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

using namespace scenesdk;
using kerneltest::PlugScope;

namespace
{

// A listener that records what it is asked and told, and can refuse.
class Listener : public KObject
{
public:
    std::vector<std::pair<int, int>> calls; // (operation, index)
    int refuse = -1;                        // operation to refuse
    bool OnObjectListChange(KGenericObjectList*, int op, KObject*, int index) override
    {
        calls.emplace_back(op, index);
        return op != refuse;
    }
};

// Counts its destruction in a shared order log.
class Tracked : public KObject
{
public:
    Tracked(std::vector<int>* log, int id) : m_Log(log), m_Id(id) {}
    KGenericObjectList* alsoRemoveFrom = nullptr;
    KObject* alsoRemove = nullptr;
    void DisconnectAll() override
    {
        if (alsoRemoveFrom && alsoRemove)
        {
            alsoRemoveFrom->Remove(alsoRemove);
        }
        KObject::DisconnectAll();
    }

protected:
    ~Tracked() override { m_Log->push_back(m_Id); }

private:
    std::vector<int>* m_Log;
    int m_Id;
};

struct ObjectListTest : ::testing::Test
{
    PlugScope scope;
    KObjectList* list = scope.Add(new KObjectList);
    Listener* listener = scope.Add(new Listener);
    KObject* Obj(const char* name)
    {
        KObject* o = scope.Add(new KObject);
        o->SetName(name);
        return o;
    }
};

TEST_F(ObjectListTest, ChangesAreAskedThenToldAndMayBeRefused)
{
    list->SetListener(listener);
    KObject* a = Obj("a");
    KObject* b = Obj("b");
    EXPECT_EQ(list->Add(a), 0);
    EXPECT_EQ(list->InsertAt(0, b->GetHandle()), 0);
    EXPECT_EQ(list->GetObjectAt(0), b);
    EXPECT_EQ(list->SetAt(1, b->GetHandle()), 1);
    EXPECT_TRUE(list->RemoveAt(0));
    using Calls = std::vector<std::pair<int, int>>;
    EXPECT_EQ(listener->calls, (Calls{{1, 0}, {4, 0}, {1, 0}, {4, 0}, {1, 0}, {4, 0}, {2, 0}, {5, 0}}));

    listener->refuse = 1;
    EXPECT_EQ(list->Add(a), -1);
    EXPECT_EQ(list->InsertAt(0, a->GetHandle()), -1);
    EXPECT_EQ(list->SetAt(0, a->GetHandle()), -1);
    EXPECT_EQ(list->GetCount(), 1);
    listener->refuse = 2;
    EXPECT_FALSE(list->RemoveAt(0));
    EXPECT_FALSE(list->Remove(b));
    EXPECT_EQ(list->GetCount(), 1);
    listener->refuse = 0;
    list->Clear();
    EXPECT_EQ(list->GetCount(), 1) << "a refused clear keeps the items";
    listener->refuse = -1;
    listener->calls.clear();
    list->Clear();
    EXPECT_EQ(list->GetCount(), 0);
    list->Clear();
    EXPECT_EQ(listener->calls, (std::vector<std::pair<int, int>>{{0, 0}})) << "an empty list asks nothing";
}

TEST_F(ObjectListTest, OutOfRangeIndicesAreRefused)
{
    KObject* a = Obj("a");
    list->Add(a);
    EXPECT_FALSE(list->RemoveAt(1));
    EXPECT_FALSE(list->RemoveAt(-1));
    EXPECT_EQ(list->SetAt(1, a->GetHandle()), -1);
    EXPECT_EQ(list->SetAt(-1, a->GetHandle()), -1);
    EXPECT_TRUE(list->GetAt(1).IsNull());
    EXPECT_TRUE(list->GetAt(-5).IsNull());
    EXPECT_EQ(list->InsertAt(-3, a->GetHandle()), 0) << "insertion clamps";
    EXPECT_EQ(list->InsertAt(99, a->GetHandle()), 2);
    EXPECT_FALSE(list->RawSet(3, a->GetHandle()));
}

TEST_F(ObjectListTest, RemoveTakesTheLaterDuplicate)
{
    KObject* a = Obj("a");
    KObject* b = Obj("b");
    list->Add(a);
    list->Add(b);
    list->Add(a);
    ASSERT_TRUE(list->Remove(a));
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetObjectAt(0), a);
    EXPECT_EQ(list->GetObjectAt(1), b);
    EXPECT_FALSE(list->Remove(Obj("c")));
}

TEST_F(ObjectListTest, FindByNameSkipsDeadItems)
{
    KObject* dead = new KObject;
    dead->SetName("Cube");
    KObject* live = Obj("Cube");
    list->Add(dead);
    list->Add(live);
    dead->Destroy();
    EXPECT_EQ(list->GetCount(), 2) << "dead handles stay";
    EXPECT_EQ(list->GetObjectAt(0), nullptr);
    EXPECT_EQ(list->FindByName("Cube").Get(), live);
    EXPECT_TRUE(list->FindByName("cube").IsNull());
    EXPECT_TRUE(list->FindByName(nullptr).IsNull());

    KObjectList* other = scope.Add(new KObjectList);
    EXPECT_EQ(other->AddAll(*list), 2);
}

TEST_F(ObjectListTest, ClearWithDestroyGoesFromLastToFirst)
{
    std::vector<int> order;
    for (int i = 0; i < 4; ++i)
    {
        list->Add(new Tracked(&order, i));
    }
    KObject* gone = list->GetObjectAt(1);
    gone->Destroy();
    list->Clear(true);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(ObjectListTest, ClearWithDestroySurvivesObjectsThatChangeTheList)
{
    std::vector<int> order;
    auto* first = new Tracked(&order, 0);
    auto* second = new Tracked(&order, 1);
    auto* third = new Tracked(&order, 2);
    list->Add(first);
    list->Add(second);
    list->Add(third);
    third->alsoRemoveFrom = list;
    third->alsoRemove = second; // the list changes under the walk
    list->Clear(true);
    EXPECT_EQ(order, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(ObjectListTest, ADestroyedListenerHandsTheListBackToItself)
{
    auto* l = new Listener;
    list->SetListener(l);
    EXPECT_EQ(list->GetListener(), l);
    l->Destroy();
    EXPECT_EQ(list->GetListener(), list);
    EXPECT_EQ(list->Add(Obj("x")), 0);
}

TEST_F(ObjectListTest, AListDestroyedByItsListenerDuringAClearOrAddAllGoesAfterwards)
{
    struct Destroyer : KObject
    {
        int onOperation = -1;
        bool OnObjectListChange(KGenericObjectList* l, int op, KObject*, int) override
        {
            if (op == onOperation)
            {
                onOperation = -1;
                l->Destroy();
            }
            return true;
        }
    };
    auto* d = scope.Add(new Destroyer);
    for (int op : {KObject::eListClear, KObject::eListAdded})
    {
        auto* l = new KObjectList;
        HdlKObject h = l->GetHandle();
        l->SetListener(d);
        if (op == KObject::eListClear)
        {
            l->Add(Obj("a"));
            d->onOperation = op;
            l->Clear(false);
        }
        else
        {
            auto* from = scope.Add(new KObjectList);
            from->Add(Obj("a"));
            from->Add(Obj("b"));
            d->onOperation = op;
            EXPECT_EQ(l->AddAll(*from), 2) << "the list stays whole until AddAll ends";
        }
        EXPECT_FALSE(h.IsLive()) << op;
    }
}

// --- Object-list properties -----------------------------------------------------

struct ObjectListPropertyTest : ::testing::Test
{
    PlugScope scope;
    KObject* owner = scope.Add(new KObject);
};

TEST_F(ObjectListPropertyTest, AFreshListIsEmptyAndUnfiltered)
{
    KPropertyObjectList* l = KPropertyObjectList::Create(owner, "Source", 0, -1, 1, 3, 0);
    EXPECT_EQ(owner->FindProperty("Source"), l);
    EXPECT_EQ(l->GetCount(), 0);
    EXPECT_EQ(l->GetChangeCount(), 0);
    int tag = 0;
    int cls = 0;
    EXPECT_EQ(l->GetFilter(&tag, &cls), -1);
    EXPECT_EQ(tag, 1);
    EXPECT_EQ(cls, -1);
    EXPECT_TRUE(l->GetAttributes().HasFlag(KPropertyAttributes::kList | KPropertyAttributes::kObjectList));
    EXPECT_TRUE(l->IsDynamic());
    EXPECT_EQ(l->GetTypeCode(), eKPropObject);

    auto* raw = scope.Add(new KPropertyObjectList);
    EXPECT_EQ(raw->GetFilter(&tag, &cls), -1);
    EXPECT_EQ(tag, -1);
}

TEST_F(ObjectListPropertyTest, EntriesAreConnectionsAndPlainPlugsReadAsNull)
{
    KPropertyObjectList* l = KPropertyObjectList::Create(owner, "Objects", 0, -1, -1, 3, 0);
    KObject* a = scope.Add(new KObject);
    KPlug* plain = scope.Add(new KPlug);
    KObject* b = scope.Add(new KObject);
    ASSERT_TRUE(l->Add(a));
    ASSERT_TRUE(l->ConnectSrc(plain));
    ASSERT_TRUE(l->InsertAt(0, b));
    EXPECT_EQ(l->GetCount(), 3);
    EXPECT_EQ(l->GetAt(0), b);
    EXPECT_EQ(l->GetAt(2), nullptr) << "a plain plug counts but reads as null";
    EXPECT_EQ(l->GetAt(3), nullptr);
    EXPECT_EQ(l->GetAt(-1), nullptr);
    EXPECT_EQ(l->IndexOf(a), 1);
    EXPECT_EQ(l->IndexOf(scope.Add(new KObject)), -1);
    EXPECT_TRUE(l->Remove(a));
    EXPECT_GE(l->GetChangeCount(), 3);
    ASSERT_TRUE(l->SetAt(0, a));
    EXPECT_EQ(l->GetAt(0), a);
    EXPECT_FALSE(l->RemoveAt(5));
    l->Clear();
    EXPECT_EQ(l->GetCount(), 0);
    EXPECT_EQ(a->GetDstCount(), 0);
}

TEST_F(ObjectListPropertyTest, DestinationListsSearchTheirOwnSide)
{
    KPropertyObjectList* l = KPropertyObjectList::Create(owner, "Targets", 0, -1, -1, 2, 0);
    KObject* a = scope.Add(new KObject);
    ASSERT_TRUE(l->Add(a));
    EXPECT_TRUE(a->IsSrcConnected(l));
    EXPECT_EQ(l->GetCount(), 1);
    EXPECT_EQ(l->IndexOf(a), 0);
    EXPECT_EQ(l->GetAt(0), a);
}

TEST_F(ObjectListPropertyTest, TheClassFilterRestrictsTheMembers)
{
    KPropertyObjectList* l =
        KPropertyObjectList::Create(owner, "Lists", 0, KGenericObjectList::ClassId, 1, 3, 0);
    EXPECT_FALSE(l->Add(scope.Add(new KObject)));
    EXPECT_TRUE(l->Add(scope.Add(new KObjectList)));
    l->SetFilter(1, 424242); // unregistered: accepts everything
    EXPECT_TRUE(l->Add(scope.Add(new KObject)));
    EXPECT_EQ(l->GetFilter(), 424242);
    EXPECT_FALSE(l->HasPlugFlag(KPlug::kFiltered));
}

} // namespace
