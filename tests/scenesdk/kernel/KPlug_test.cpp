#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KProperty.h"

#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

using namespace scenesdk;
using kerneltest::CountedPlug;
using kerneltest::EventRecorder;
using kerneltest::PlugScope;
using Lines = std::vector<std::string>;

namespace
{

struct PlugPair : ::testing::Test
{
    EventRecorder rec; // outlives the plugs, whose teardown it still hears
    PlugScope scope;
    KPlug* S = scope.Add(new KPlug);
    KPlug* D = scope.Add(new KPlug);
    void SetUp() override
    {
        rec.Listen(S, "S");
        rec.Listen(D, "D");
    }
    std::vector<KPlug*> Sources(KPlug* p)
    {
        std::vector<KPlug*> out;
        for (int i = 0; i < p->GetSrcCount(); ++i)
        {
            out.push_back(p->GetSrc(i));
        }
        return out;
    }
    std::vector<KPlug*> Dests(KPlug* p)
    {
        std::vector<KPlug*> out;
        for (int i = 0; i < p->GetDstCount(); ++i)
        {
            out.push_back(p->GetDst(i));
        }
        return out;
    }
};

// --- Connection bookkeeping and event order --------------------------------

TEST_F(PlugPair, ConnectSendsRequestsThenBeforeAndAfterEventsInOrder)
{
    ASSERT_TRUE(D->ConnectSrc(S, 5));
    EXPECT_EQ(rec.lines, (Lines{"D 0 -1 S", "S 1 -1 D", "D 2 -1 S", "S 3 -1 D", "D 4 0 S", "S 5 0 D"}));
    EXPECT_TRUE(D->IsSrcConnected(S));
    EXPECT_TRUE(S->IsDstConnected(D));
    EXPECT_EQ(D->GetSrcType(0), 5u);
    EXPECT_EQ(S->GetDstType(0), 5u);
}

TEST_F(PlugPair, DisconnectFromEitherSideSendsRemovalEventsWithFormerIndices)
{
    KPlug* other = scope.Add(new KPlug);
    rec.Name(other, "O");
    ASSERT_TRUE(D->ConnectSrc(other));
    ASSERT_TRUE(D->ConnectSrc(S));
    rec.Clear();
    ASSERT_TRUE(S->DisconnectDst(D));
    EXPECT_EQ(rec.lines, (Lines{"D 6 1 S", "S 7 0 D", "D 8 1 S", "S 9 0 D"}));
    EXPECT_FALSE(D->IsSrcConnected(S));
    EXPECT_EQ(S->GetDstCount(), 0);
    EXPECT_FALSE(S->DisconnectDst(D)) << "not connected any more";

    ASSERT_TRUE(D->ConnectSrc(S));
    EXPECT_TRUE(D->DisconnectSrcAt(1));
    EXPECT_EQ(Sources(D), std::vector<KPlug*>{other});
}

TEST_F(PlugPair, InsertKeepsOrderOnBothSidesAndReconnectAppends)
{
    KPlug* a = scope.Add(new KPlug);
    KPlug* b = scope.Add(new KPlug);
    ASSERT_TRUE(D->ConnectSrc(a));
    ASSERT_TRUE(D->ConnectSrc(b));
    ASSERT_TRUE(D->InsertSrc(1, S));
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{a, S, b}));
    ASSERT_TRUE(D->InsertSrc(99, S)) << "an index past the end appends";
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{a, S, b, S}));

    KPlug* x = scope.Add(new KPlug);
    KPlug* y = scope.Add(new KPlug);
    ASSERT_TRUE(S->ConnectDst(x));
    ASSERT_TRUE(S->InsertDst(0, y));
    EXPECT_EQ(Dests(S), (std::vector<KPlug*>{y, D, D, x}));

    ASSERT_TRUE(D->DisconnectSrc(a));
    ASSERT_TRUE(D->ConnectSrc(a));
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{S, b, S, a}));
}

TEST_F(PlugPair, ReplaceBracketsTheChangeAndKeepsThePosition)
{
    KPlug* a = scope.Add(new KPlug);
    KPlug* n = scope.Add(new KPlug);
    rec.Listen(n, "N");
    ASSERT_TRUE(D->ConnectSrc(S));
    ASSERT_TRUE(D->ConnectSrc(a));
    rec.Clear();
    ASSERT_TRUE(D->ReplaceSrc(S, n));
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{n, a}));
    EXPECT_EQ(rec.Codes(), (Lines{"D 12", "S 10", "D 6", "S 7", "D 8", "S 9", "D 0", "N 1", "D 2", "N 3",
                                  "D 4", "N 5", "D 13", "S 11"}));
    EXPECT_EQ(rec.lines[10], "D 4 0 N");
    EXPECT_FALSE(D->ReplaceSrc(S, n)) << "S is no longer a source";

    ASSERT_TRUE(D->SetSrc(1, S));
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{n, S}));
    ASSERT_TRUE(D->SetSrc(5, a)) << "past the end connects at the end";
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{n, S, a}));
}

TEST_F(PlugPair, ReplaceDstIsTheMirrorImage)
{
    KPlug* x = scope.Add(new KPlug);
    KPlug* n = scope.Add(new KPlug);
    rec.Listen(n, "N");
    ASSERT_TRUE(S->ConnectDst(D));
    ASSERT_TRUE(S->ConnectDst(x));
    rec.Clear();
    ASSERT_TRUE(S->ReplaceDst(D, n));
    EXPECT_EQ(Dests(S), (std::vector<KPlug*>{n, x}));
    // The plug asked to replace hears each bracket first, then the old destination.
    EXPECT_EQ(rec.Codes(), (Lines{"S 10", "D 12", "D 6", "S 7", "D 8", "S 9", "N 0", "S 1", "N 2", "S 3",
                                  "N 4", "S 5", "S 11", "D 13"}));
    EXPECT_EQ(rec.lines[0], "S 10 0 D");
    EXPECT_EQ(rec.lines[1], "D 12 0 S");
    EXPECT_EQ(rec.lines[11], "S 5 0 N");
}

// A handler of the removal shrinks S's destinations (row 0) or D's sources
// (row 1) in front of the link: the link itself still goes, with its type.
TEST_F(PlugPair, RemovalEventsCarryTheLinkTypeWhenAHandlerChangesTheLists)
{
    for (int row = 0; row < 2; ++row)
    {
        struct Seen
        {
            int row;
            KPlug* s;
            KPlug* d;
            KPlug* e;
            KPlug* g;
            std::vector<std::pair<int, uint32_t>> events;
        } seen{row, scope.Add(new KPlug), scope.Add(new KPlug), scope.Add(new KPlug), scope.Add(new KPlug), {}};
        KPlug* f = scope.Add(new KPlug);
        using Lists = std::vector<KPlug*>;
        ASSERT_TRUE(seen.s->ConnectDst(seen.e, 1));
        ASSERT_TRUE(seen.d->ConnectSrc(seen.g));
        ASSERT_TRUE(seen.s->ConnectDst(seen.d, 5));
        ASSERT_TRUE(seen.s->ConnectDst(f, 9));
        auto onD = [](void* user, const KEventPath*, int code, KPlug*, int, KPlug* other, uint32_t, KPlug*)
        {
            auto* w = static_cast<Seen*>(user);
            if (code == KPlug::eSrcRemoving && other == w->s)
            {
                // Before S hears code 7.
                w->row == 0 ? w->s->DisconnectDst(w->e) : w->d->DisconnectSrc(w->g);
            }
        };
        auto onS = [](void* user, const KEventPath*, int code, KPlug*, int, KPlug* other, uint32_t type, KPlug*)
        {
            auto* w = static_cast<Seen*>(user);
            if (other == w->d)
            {
                w->events.emplace_back(code, type);
            }
        };
        seen.d->AddCallback(&seen, nullptr, nullptr, onD);
        seen.s->AddCallback(&seen, nullptr, nullptr, onS);
        ASSERT_TRUE(seen.s->DisconnectDst(seen.d));
        EXPECT_EQ(seen.events, (std::vector<std::pair<int, uint32_t>>{{7, 5u}, {9, 5u}})) << row;
        EXPECT_EQ(Dests(seen.s), (row == 0 ? Lists{f} : Lists{seen.e, f})) << row;
        EXPECT_EQ(Sources(seen.d), row == 0 ? Lists{seen.g} : Lists{}) << row;
        seen.d->RemoveCallback(&seen);
        seen.s->RemoveCallback(&seen);
    }
}

// --- Refusals ---------------------------------------------------------------

TEST_F(PlugPair, RefusalsSendNoChangeEventsAndLeaveTheListsAlone)
{
    EXPECT_FALSE(D->ConnectSrc(D));
    EXPECT_FALSE(D->ConnectSrc(nullptr));
    EXPECT_FALSE(D->ConnectDst(nullptr));
    EXPECT_TRUE(rec.lines.empty());

    D->SetPlugFlags(KPlug::kAcceptsDst);
    EXPECT_FALSE(D->ConnectSrc(S)) << "no accepts-sources flag";
    D->SetPlugFlags(KPlug::kAcceptsSrc | KPlug::kAcceptsDst);

    D->SetConnectionFilter(KClassIdFilter::ForClassId(KObject::ClassId));
    EXPECT_FALSE(D->ConnectSrc(S)) << "the filter refuses a plain plug";
    D->SetConnectionFilter(nullptr);
    EXPECT_TRUE(rec.lines.empty());

    auto* vetoing = scope.Add(new CountedPlug);
    rec.Listen(vetoing, "V");
    vetoing->refuse = true;
    EXPECT_FALSE(vetoing->ConnectSrc(S));
    EXPECT_TRUE(rec.lines.empty()) << "the veto of code 0 comes first";
    EXPECT_FALSE(S->ConnectSrc(vetoing)) << "refuses to become a source (code 1)";
    EXPECT_EQ(rec.lines, (Lines{"S 0 -1 V"}));
    EXPECT_EQ(S->GetDstCount() + S->GetSrcCount() + vetoing->GetSrcCount() + vetoing->GetDstCount(), 0);

    rec.Clear();
    S->SetPlugFlags(KPlug::kAcceptsSrc);
    EXPECT_FALSE(D->ConnectSrc(S)) << "the source does not accept destinations";
    EXPECT_EQ(rec.lines, (Lines{"D 0 -1 S"})) << "only the request reached D";
    EXPECT_EQ(D->GetSrcCount(), 0);
}

TEST_F(PlugPair, OneWayConnectionsAreListedOnlyByTheDestination)
{
    ASSERT_TRUE(D->ConnectSrc(S, KPlug::kOneWayType));
    EXPECT_TRUE(D->IsSrcConnected(S));
    EXPECT_FALSE(S->IsDstConnected(D));
    EXPECT_EQ(rec.Codes(), (Lines{"D 0", "D 2", "D 4"}));
    rec.Clear();
    EXPECT_TRUE(D->DisconnectSrc(S));
    EXPECT_EQ(rec.Codes(), (Lines{"D 6", "D 8"}));

    KPlug* receiver = scope.Add(new KPlug);
    receiver->SetPlugFlags(receiver->GetPlugFlags() | KPlug::kOneWayReceiver);
    ASSERT_TRUE(receiver->ConnectSrc(S));
    EXPECT_EQ(receiver->GetSrcType(0), KPlug::kOneWayType);
    EXPECT_FALSE(S->IsDstConnected(receiver));
    EXPECT_TRUE(S->DisconnectDst(receiver)) << "still removable from the source side";
    EXPECT_EQ(receiver->GetSrcCount(), 0);
}

// --- Filtered sub-plugs -----------------------------------------------------

struct FilteredPlug : PlugPair
{
    KObject* NewObject() { return scope.Add(new KObject); }
};

TEST_F(FilteredPlug, MirrorsExistingAndNewConnectionsInTheOwnersOrder)
{
    KObject* a = NewObject();
    KPlug* b = scope.Add(new KPlug);
    KObject* c = NewObject();
    ASSERT_TRUE(D->ConnectSrc(a));
    ASSERT_TRUE(D->ConnectSrc(b));
    ASSERT_TRUE(D->ConnectSrc(c));
    KClassIdFilter* objects = KClassIdFilter::ForClassId(KObject::ClassId);
    KPlug* view = D->GetFilteredPlug(objects);
    ASSERT_NE(view, D);
    EXPECT_EQ(view, D->GetFilteredPlug(objects)) << "made once";
    EXPECT_EQ(view->GetOwner(), D);
    EXPECT_TRUE(view->HasPlugFlag(KPlug::kFiltered | KPlug::kOwnedChild));
    EXPECT_EQ(Sources(view), (std::vector<KPlug*>{a, c}));

    rec.Listen(view, "V");
    KObject* x = NewObject();
    rec.Name(x, "X");
    rec.Clear();
    ASSERT_TRUE(D->InsertSrc(2, x)) << "before c: after a and b";
    EXPECT_EQ(Sources(view), (std::vector<KPlug*>{a, x, c}));
    EXPECT_EQ(rec.lines, (Lines{"D 0 -1 X", "D 2 -1 X", "V 0 -1 X", "V 2 -1 X", "D 4 2 X", "V 4 1 X"}));

    KObject* y = NewObject();
    ASSERT_TRUE(view->ConnectSrc(y)) << "connecting to the view stores on the owner";
    EXPECT_TRUE(D->IsSrcConnected(y));
    EXPECT_EQ(view->GetSrc(3), y);
    EXPECT_FALSE(view->ConnectSrc(S)) << "the view's filter refuses a plain plug";

    EXPECT_EQ(D->GetSrcCount(KObject::ClassId), 4);
    EXPECT_EQ(D->GetSrc(1, KObject::ClassId), x);
    EXPECT_EQ(D->GetSrcCount(-1), 5);
    EXPECT_EQ(D->GetSrcCount(KPlug::ClassId), 5);
    EXPECT_EQ(D->GetSrcCount(123456), 0) << "an unregistered class has an empty view";

    ASSERT_TRUE(view->DisconnectSrc(x));
    EXPECT_FALSE(D->IsSrcConnected(x));
    EXPECT_EQ(Sources(view), (std::vector<KPlug*>{a, c, y}));
    EXPECT_EQ(D->FindFilteredPlug(KClassIdFilter::ForClassId(-1)), D);
    EXPECT_EQ(D->FindFilteredPlug(KClassIdFilter::ForClassId(KPlug::ClassId)), D);

    ASSERT_TRUE(D->ConnectSrc(a));
    ASSERT_TRUE(D->DisconnectSrcAt(0)) << "the older of a's two entries";
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{b, c, y, a}));
    EXPECT_EQ(Sources(view), (std::vector<KPlug*>{c, y, a}));
}

TEST_F(FilteredPlug, AChildHandlerThatChangesTheListsCannotCorruptTheInsertion)
{
    KObject* a = NewObject();
    KObject* b = NewObject();
    ASSERT_TRUE(D->ConnectSrc(a));
    KPlug* view = D->GetFilteredPlug(KClassIdFilter::ForClassId(KObject::ClassId));
    rec.Listen(view, "V");
    KObject* x = NewObject();
    rec.onEvent = [&](int code, KPlug* emitter, KPlug*)
    {
        if (code == KPlug::eSrcAdding && emitter == view)
        {
            rec.onEvent = nullptr;
            D->DisconnectSrc(a); // stale index for the pending insertion
            D->ConnectSrc(b);
            D->ConnectSrc(a);
        }
    };
    ASSERT_TRUE(D->InsertSrc(0, x)); // before a
    EXPECT_EQ(Sources(D), (std::vector<KPlug*>{b, x, a}));
    EXPECT_EQ(Sources(view), (std::vector<KPlug*>{b, x, a}));
}

// --- Destroy inside events --------------------------------------------------

TEST_F(PlugPair, DestroyInsideARemovalEventIsDeferredUntilTheDisconnectEnds)
{
    int destroyed = 0;
    auto* victim = new CountedPlug(&destroyed);
    rec.Listen(victim, "X");
    ASSERT_TRUE(victim->ConnectSrc(S));
    bool destroyedInside = true;
    rec.onEvent = [&](int code, KPlug* emitter, KPlug*)
    {
        if (code == KPlug::eSrcRemoved && emitter == victim)
        {
            victim->Destroy();
            destroyedInside = destroyed != 0;
        }
    };
    ASSERT_TRUE(S->DisconnectDst(victim));
    EXPECT_FALSE(destroyedInside);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(S->GetDstCount(), 0);
}

TEST(PlugLifetime, BothEndsDestroyedInsideADisconnectDieDestinationFirst)
{
    // Destroys are deferred on both ends; the destination's depth falls first.
    struct Ordered : KPlug
    {
        std::vector<char>* order;
        char name;
        Ordered(std::vector<char>* o, char n) : order(o), name(n) {}
        ~Ordered() override { order->push_back(name); }
    };
    std::vector<char> order;
    auto* s = new Ordered(&order, 'S');
    auto* d = new Ordered(&order, 'D');
    ASSERT_TRUE(d->ConnectSrc(s));
    EventRecorder rec;
    rec.Listen(d, "D");
    rec.onEvent = [&](int code, KPlug*, KPlug*)
    {
        if (code == KPlug::eSrcRemoved)
        {
            s->Destroy();
            d->Destroy();
        }
    };
    ASSERT_TRUE(d->DisconnectSrc(s));
    EXPECT_EQ(order, (std::vector<char>{'D', 'S'}));
}

TEST_F(PlugPair, AOneWaySourceThatIsDestroyedLeavesItsDestination)
{
    // The source does not list a one-way destination, yet it must not stay
    // behind in the destination's list when it goes.
    auto* oneWay = new KPlug;
    rec.Listen(oneWay, "W");
    ASSERT_TRUE(D->ConnectSrc(oneWay, KPlug::kOneWayType));
    ASSERT_TRUE(D->ConnectSrc(S));
    ASSERT_TRUE(D->ConnectSrc(oneWay, KPlug::kOneWayType | 1));
    EXPECT_EQ(oneWay->GetDstCount(), 0);
    rec.Clear();
    oneWay->Destroy();
    EXPECT_EQ(Sources(D), std::vector<KPlug*>{S});
    EXPECT_EQ(rec.Codes(), (Lines{"D 6", "D 8", "D 6", "D 8"})) << "the destination hears each removal";
}

TEST(PlugLifetime, PlugsOwnedByADestroyedPlugLetGoOfIt)
{
    auto* owner = new KPlug;
    auto* owned = new KPlug;
    ASSERT_TRUE(owner->AdoptChild(owned));
    owner->Destroy();
    EXPECT_EQ(owned->GetOwner(), nullptr);
    EXPECT_TRUE(owned->SendEvent16()) << "no event goes to the freed owner";
    owned->Destroy();
}

TEST(PlugOwnership, AnOwnerRingIsRefused)
{
    PlugScope scope;
    KPlug* a = scope.Add(new KPlug);
    KPlug* b = scope.Add(new KPlug);
    KPlug* c = scope.Add(new KPlug);
    ASSERT_TRUE(a->AdoptChild(b));
    ASSERT_TRUE(b->AdoptChild(c));
    EXPECT_FALSE(c->AdoptChild(a)) << "events would go round for ever";
    EXPECT_FALSE(b->SetOwner(b));
    EXPECT_EQ(a->GetOwner(), nullptr);
    EXPECT_TRUE(c->SendEvent16());
}

TEST_F(PlugPair, DestroyInsideAConnectEventDoesNotUseFreedMemory)
{
    for (int code : {0, 1, 2, 3, 4, 5})
    {
        int destroyed = 0;
        auto* victim = new CountedPlug(&destroyed);
        rec.Listen(victim, "X");
        rec.onEvent = [&, code](int c, KPlug*, KPlug*)
        {
            if (c == code)
            {
                rec.onEvent = nullptr;
                victim->Destroy();
            }
        };
        victim->ConnectSrc(S); // runs under AddressSanitizer: any stale use fails the test
        EXPECT_EQ(destroyed, 1) << "code " << code;
        EXPECT_FALSE(S->IsDstConnected(victim)) << "code " << code;
        EXPECT_EQ(KPlug::GetLivePlugCount() > 0, true);
    }
}

TEST_F(PlugPair, DestroyDuringReplaceAndDisconnectAllIsSafe)
{
    int destroyed = 0;
    auto* oldSrc = new CountedPlug(&destroyed);
    auto* newSrc = new CountedPlug(&destroyed);
    rec.Listen(oldSrc, "O");
    rec.Listen(newSrc, "N");
    ASSERT_TRUE(D->ConnectSrc(oldSrc));
    rec.onEvent = [&](int c, KPlug* emitter, KPlug*)
    {
        if (c == KPlug::eDstRemoved && emitter == oldSrc)
        {
            oldSrc->Destroy();
        }
        if (c == KPlug::eReplaceDstSideEnd)
        {
            rec.onEvent = nullptr;
            newSrc->Destroy();
        }
    };
    D->ReplaceSrc(oldSrc, newSrc);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(D->GetSrcCount(), 0);
}

TEST_F(PlugPair, DisconnectAllSrcEndsEmptyWhenAHandlerRemovesOtherSources)
{
    std::vector<KPlug*> srcs;
    for (int i = 0; i < 5; ++i)
    {
        srcs.push_back(scope.Add(new KPlug));
        ASSERT_TRUE(D->ConnectSrc(srcs.back()));
    }
    rec.onEvent = [&](int c, KPlug* emitter, KPlug*)
    {
        if (c == KPlug::eSrcRemoved && emitter == D && D->GetSrcCount() >= 2)
        {
            D->DisconnectSrcAt(0);
            D->DisconnectSrcAt(0);
        }
    };
    D->DisconnectAllSrc();
    EXPECT_EQ(D->GetSrcCount(), 0);
    for (KPlug* s : srcs)
    {
        EXPECT_EQ(s->GetDstCount(), 0);
    }
}

TEST_F(PlugPair, DeepNestingDoesNotSpillIntoTheFlags)
{
    const uint32_t flags = D->GetPlugFlags();
    std::vector<KPlug*> srcs;
    for (int i = 0; i < 20; ++i)
    {
        srcs.push_back(scope.Add(new KPlug));
    }
    size_t next = 0;
    int deepest = 0;
    rec.onEvent = [&](int c, KPlug* emitter, KPlug*)
    {
        if (c == KPlug::eSrcRemoving && emitter == D)
        {
            deepest = std::max(deepest, D->GetNotificationDepth());
        }
        if (c == KPlug::eSrcAdded && emitter == D && next < srcs.size())
        {
            D->ConnectSrc(srcs[next++]);
        }
    };
    ASSERT_TRUE(D->ConnectSrc(srcs[next++]));
    EXPECT_EQ(D->GetSrcCount(), 20);
    rec.onEvent = [&](int c, KPlug* emitter, KPlug*)
    {
        if (c == KPlug::eSrcRemoving && emitter == D)
        {
            deepest = std::max(deepest, D->GetNotificationDepth());
            if (D->GetSrcCount() > 0 && deepest < 19)
            {
                D->DisconnectSrcAt(0);
            }
        }
    };
    D->DisconnectAllSrc();
    EXPECT_GE(deepest, 16);
    EXPECT_EQ(D->GetPlugFlags(), flags);
    EXPECT_EQ(D->GetNotificationDepth(), 0);
    EXPECT_EQ(D->GetSrcCount(), 0);
}

// --- Ownership and forwarding -------------------------------------------------

TEST(PlugOwnership, EventsOfOwnedPlugsGoUpTheChainWithAPathRecord)
{
    struct Top : KPlug
    {
        std::vector<std::vector<KPlug*>> paths;
        bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                             uint32_t type, KPlug* extra) override
        {
            std::vector<KPlug*> chain;
            for (const KEventPath* p = path; p; p = p->previous)
            {
                chain.push_back(p->plug);
            }
            if (code == eSrcAdded)
            {
                paths.push_back(chain);
            }
            return KPlug::ConnectionEvent(path, code, emitter, index, other, type, extra);
        }
    };
    PlugScope scope;
    auto* top = scope.Add(new Top);
    KPlug* mid = scope.Add(new KPlug);
    KPlug* leaf = scope.Add(new KPlug);
    KPlug* s = scope.Add(new KPlug);
    EXPECT_TRUE(top->AdoptChild(mid));
    EXPECT_FALSE(top->AdoptChild(mid));
    EXPECT_TRUE(mid->AdoptChild(leaf));
    EXPECT_TRUE(leaf->HasOwner());
    ASSERT_TRUE(leaf->ConnectSrc(s));
    ASSERT_EQ(top->paths.size(), 1u);
    EXPECT_EQ(top->paths[0], (std::vector<KPlug*>{mid, leaf})) << "outermost record first";
    EXPECT_TRUE(mid->ReleaseChild(leaf));
    EXPECT_FALSE(mid->ReleaseChild(leaf));
    EXPECT_EQ(leaf->GetOwner(), nullptr);
}

TEST(PlugOwnership, OwnedChildrenDieWithTheirOwner)
{
    int destroyed = 0;
    struct MakesCounted : KPlug
    {
        int* counter;
        KPlug* CreatePlug(KPlugFilter*) override { return new CountedPlug(counter); }
    };
    auto* owner = new MakesCounted;
    owner->counter = &destroyed;
    KPlug* view = owner->GetFilteredPlug(KClassIdFilter::ForClassId(KObject::ClassId));
    EXPECT_EQ(owner->GetChildCount(), 1);
    HdlKObject h = view->GetHandle();
    owner->Destroy();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(h.IsLive());
}

// --- Handles -------------------------------------------------------------------

TEST(Handles, ResolveUntilDestroyedAndStayNullAfterReuse)
{
    KPlug* a = new KPlug;
    HdlKObject h = a->GetHandle();
    EXPECT_EQ(h.Get(), a);
    EXPECT_EQ(a->GetHandleEntry(), h.entry) << "asking twice gives the same entry";
    EXPECT_NE(h.serial, 0u);
    EXPECT_NE(h.serial, KHandleTable::kInvalidSerial);
    a->Destroy();
    EXPECT_EQ(h.Get(), nullptr);

    KPlug* b = new KPlug;
    HdlKObject hb = b->GetHandle();
    EXPECT_EQ(hb.entry, h.entry) << "the most recently freed entry is reused first";
    EXPECT_EQ(h.Get(), nullptr);
    EXPECT_EQ(hb.Get(), b);
    b->Destroy();
    EXPECT_TRUE(HdlKObject().IsNull());
    EXPECT_EQ(HdlKObject().Get(), nullptr);
}

TEST(Handles, TheEntryAfterAFullBlockOpensANewBlock)
{
    KHandleTable& table = KHandleTable::Get();
    int blocks = table.GetBlockCount();
    int free = table.GetFreeCount();
    std::vector<KPlug*> plugs;
    for (int i = 0; i <= free; ++i)
    {
        plugs.push_back(new KPlug);
        plugs.back()->GetHandleEntry();
    }
    EXPECT_EQ(table.GetBlockCount(), blocks + 1);
    EXPECT_EQ(table.GetFreeCount(), KHandleTable::kBlockEntries - 1);
    for (KPlug* p : plugs)
    {
        p->Destroy();
    }
    EXPECT_EQ(table.GetFreeCount(), free + KHandleTable::kBlockEntries);
}

} // namespace

namespace
{

TEST(PlugCallbacks, RecordsRemovedOrPlugsDestroyedDuringADispatchAreSafe)
{
    struct Ctx
    {
        KPlug* plug;
        int calls = 0;
        bool destroy = false;
    };
    KPlug* p = new KPlug;
    Ctx first{p};
    Ctx second{p};
    auto fn = [](void* user, const KEventPath*, int, KPlug*, int, KPlug*, uint32_t, KPlug*)
    {
        auto* c = static_cast<Ctx*>(user);
        ++c->calls;
        c->plug->RemoveCallback(c); // removes itself while the list is being walked
        if (c->destroy)
        {
            c->plug->Destroy();
        }
    };
    p->AddCallback(&first, nullptr, nullptr, fn);
    p->AddCallback(&second, nullptr, nullptr, fn);
    p->SendEvent16();
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);
    p->SendEvent17();
    EXPECT_EQ(first.calls, 1) << "removed records are not called again";
    EXPECT_FALSE(p->RemoveCallback(&first));

    Ctx killer{p};
    killer.destroy = true;
    p->AddCallback(&killer, nullptr, nullptr, fn);
    HdlKObject h = p->GetHandle();
    p->SendEvent16();
    EXPECT_FALSE(h.IsLive()) << "destroyed once the dispatch ended";
}

} // namespace
