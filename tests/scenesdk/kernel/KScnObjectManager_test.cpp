#include "scenesdk/kernel/KScnObjectManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

// A subscriber that logs its name and runs an optional action.
struct Sub
{
    std::string name;
    std::vector<std::string>* log;
    std::function<void()> action;
    static void Call(void* ctx, void*, KEventRecord*)
    {
        auto* s = static_cast<Sub*>(ctx);
        s->log->push_back(s->name);
        if (s->action)
        {
            auto a = s->action;
            a();
        }
    }
};

struct SubscriberTest : ::testing::Test
{
    std::vector<std::string> log;
    KSubscriberList list;
    std::vector<std::unique_ptr<Sub>> subs;
    Sub* Make(const std::string& name)
    {
        subs.push_back(std::make_unique<Sub>(Sub{name, &log, nullptr}));
        list.Add(subs.back().get(), &Sub::Call);
        return subs.back().get();
    }
    void Fire()
    {
        KEventRecord e(1);
        list.Dispatch(nullptr, &e);
    }
};

TEST_F(SubscriberTest, TheEarliestRegisteredIsCalledFirst)
{
    Make("a");
    Make("b");
    Make("c");
    Fire();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(SubscriberTest, RemovingDuringDispatchSkipsNoneAndRepeatsNone)
{
    Sub* a = Make("a");
    Sub* b = Make("b");
    Sub* c = Make("c");
    Sub* d = Make("d");
    b->action = [&] { list.Remove(b, &Sub::Call); }; // itself
    c->action = [&] { list.Remove(a, &Sub::Call); }; // an earlier one
    a->action = [&] { list.Remove(d, &Sub::Call); }; // a later one
    Fire();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    log.clear();
    Fire();
    EXPECT_EQ(log, (std::vector<std::string>{"c"}));
}

TEST_F(SubscriberTest, AddedDuringDispatchIsNotCalledByIt)
{
    Sub* a = Make("a");
    Make("b");
    a->action = [&]
    {
        a->action = nullptr;
        Make("late");
    };
    Fire();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
    log.clear();
    Fire();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "late"})) << "added at the front: called last";
}

TEST_F(SubscriberTest, ClearStopAndNestedDispatch)
{
    Sub* a = Make("a");
    Make("b");
    a->action = [&] { list.Clear(); };
    Fire();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    log.clear();

    Sub* x = Make("x");
    Make("y");
    x->action = [&]
    {
        x->action = nullptr;
        Fire(); // nested dispatch on the same list
    };
    Fire();
    EXPECT_EQ(log, (std::vector<std::string>{"x", "x", "y", "y"}));

    log.clear();
    struct Stopper
    {
        static void Call(void*, void*, KEventRecord* e) { e->stop = true; }
    };
    KSubscriberList l2;
    l2.Add(nullptr, &Stopper::Call);
    l2.Add(&log, [](void* ctx, void*, KEventRecord*)
           { static_cast<std::vector<std::string>*>(ctx)->push_back("after"); });
    KEventRecord e(1);
    l2.Dispatch(nullptr, &e);
    EXPECT_TRUE(log.empty()) << "a stop byte ends the dispatch";
}

TEST(SubscriberLifetime, AListDestroyedByItsCallbackEndsTheDispatch)
{
    auto* list = new KSubscriberList;
    int calls = 0;
    struct Ctx
    {
        KSubscriberList* list;
        int* calls;
    } ctx{list, &calls};
    auto kill = [](void* c, void*, KEventRecord*)
    {
        auto* x = static_cast<Ctx*>(c);
        ++*x->calls;
        delete x->list;
    };
    list->Add(&ctx, kill);
    list->Add(&ctx, kill);
    KEventRecord e(1);
    EXPECT_TRUE(list->Dispatch(nullptr, &e));
    EXPECT_EQ(calls, 1);
}

TEST(ObjectManager, RegistersOnlyTheNotificationInterface)
{
    ICallback* cb = GetObjectManager();
    ASSERT_NE(cb, nullptr);
    EXPECT_EQ(GetObjectManager(), cb) << "one manager per process";
    KScnObjectManager* m = FindObjectManager();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->QueryInterface(2), cb);
    auto* reg = static_cast<IRegister*>(m->QueryInterface(3));
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(m->QueryInterface(7), nullptr);

    static std::vector<uintptr_t> heard;
    auto fn = [](void*, void*, KEventRecord* e)
    {
        ASSERT_EQ(e->id, KManagerNotifyRecord::kId);
        heard.push_back(static_cast<KManagerNotifyRecord*>(e)->a);
        heard.push_back(static_cast<KManagerNotifyRecord*>(e)->b);
    };
    EXPECT_FALSE(reg->Register(12345, nullptr, fn, 0));
    EXPECT_TRUE(ObjectManagerRegister(fn));
    ObjectManagerNotify(7, 9);
    EXPECT_EQ(heard, (std::vector<uintptr_t>{7, 9}));
    EXPECT_FALSE(reg->Unregister(12345, nullptr, fn));
    EXPECT_TRUE(ObjectManagerUnregister(fn));
    ObjectManagerNotify(1, 2);
    EXPECT_EQ(heard.size(), 2u);
}

TEST(Channels, RegistrationsComeAndGoWithTheirProxies)
{
    static int hits = 0;
    KSubscriberCallback fn = [](void*, void*, KEventRecord*) { ++hits; };
    int before = ChannelCount();
    auto* proxy = new kLibraryBaseProxy;
    EXPECT_EQ(proxy->QueryInterface(2), proxy);
    EXPECT_EQ(proxy->QueryInterface(3), nullptr);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_TRUE(proxy->AddChannel(i % 2 ? "Odd" : "Even", proxy, fn));
    }
    EXPECT_FALSE(proxy->AddChannel("Fifth", proxy, fn)) << "four registrations at most";
    EXPECT_EQ(ChannelCount(), before + 2);
    KEventRecord e(5);
    EXPECT_TRUE(ChannelDispatch("Odd", nullptr, &e));
    EXPECT_EQ(hits, 2);
    EXPECT_FALSE(ChannelDispatch("Missing", nullptr, &e));

    auto* shared = new kLibraryBaseProxy;
    shared->SetShared(true);
    kLibraryBaseProxy::AddExitProxy(proxy);
    kLibraryBaseProxy::AddExitProxy(shared);
    kLibraryBaseProxy::ReleaseExitProxies();
    EXPECT_EQ(ChannelCount(), before) << "emptied channels are removed";
    shared->Destroy();
}

} // namespace
