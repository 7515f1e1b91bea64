// Random sequences of connects, disconnects, replaces, property removals and
// destroys, with event handlers that make further random changes (destroys
// included) while the kernel is in the middle of an operation. Run under
// AddressSanitizer, any use of a freed plug or stale entry fails the test.

#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KPropertyTemplate.h"

#include <gtest/gtest.h>

#include <random>

using namespace scenesdk;

namespace
{

struct Arena
{
    std::mt19937 rng;
    std::vector<HdlKObject> plugs; // every plug made, live or not
    int budget = 0;                // changes the handlers may still make

    explicit Arena(unsigned seed) : rng(seed) {}

    KPlug* Pick()
    {
        for (int tries = 0; tries < 8; ++tries)
        {
            if (KPlug* p = plugs[rng() % plugs.size()].Get())
            {
                return p;
            }
        }
        return nullptr;
    }
    void Track(KPlug* p) { plugs.push_back(p->GetHandle()); }

    void Change(int kind)
    {
        KPlug* a = Pick();
        KPlug* b = Pick();
        if (!a || !b)
        {
            return;
        }
        KObject* oa = KObject::Cast(a);
        switch (kind)
        {
        case 0:
            a->ConnectSrc(b, rng() % 4); // types 2 and 3 are one-way
            break;
        case 1:
            a->DisconnectSrc(b);
            break;
        case 2:
            if (a->GetSrcCount() > 0)
            {
                a->ReplaceSrc(a->GetSrc(0), b);
            }
            break;
        case 3:
            if (a->GetDstCount() > 0)
            {
                a->ReplaceDst(a->GetDst(0), b);
            }
            break;
        case 4:
            a->Destroy();
            break;
        case 5:
            a->GetSrcCount(KObject::ClassId); // makes a filtered view that must follow
            a->InsertSrc(0, b);
            break;
        case 6:
            if (oa && oa->GetPropertyCount() > 0)
            {
                if (rng() % 2)
                {
                    oa->RemovePropertyAt(0); // out of the list, still owned
                }
                else
                {
                    oa->RemoveProperty(oa->GetProperty(0));
                }
            }
            break;
        case 7:
            if (KObject* ob = KObject::Cast(b); ob && oa && oa->GetPropertyCount() > 0)
            {
                if (KProperty* r = ob->CreateReferenceProperty(oa->GetProperty(0)))
                {
                    Track(r);
                }
            }
            break;
        case 8:
            if (oa)
            {
                oa->SetName(rng() % 2 ? "A" : "B");
            }
            break;
        case 10:
            if (auto* l = dynamic_cast<KGenericObjectList*>(a))
            {
                switch (rng() % 4)
                {
                case 0:
                    if (KObject* ob = KObject::Cast(b))
                        l->Add(ob);
                    break;
                case 1:
                    l->RemoveAt(0);
                    break;
                case 2:
                    l->Clear(rng() % 2 == 0);
                    break;
                default:
                    if (KObject* ob = KObject::Cast(b))
                        l->SetListener(ob);
                    break;
                }
            }
            break;
        case 11:
            a->SetConnectionFilter(rng() % 2 ? KClassIdFilter::ForClassId(KObject::ClassId) : nullptr);
            break;
        case 12:
            if (rng() % 2)
            {
                if (!a->IsA(KObject::ClassId) || b->IsA(KProperty::ClassId))
                    a->AdoptChild(b);
            }
            else
                a->ReleaseChild(b);
            break;
        case 13:
            if (auto* pl = dynamic_cast<KPropertyObjectList*>(a))
            {
                if (KObject* ob = KObject::Cast(b))
                {
                    if (rng() % 2)
                        pl->Add(ob);
                    else
                        pl->InsertAt(0, ob);
                }
                else
                    pl->Clear();
            }
            break;
        default:
            a->DisconnectAllSrc();
            break;
        }
    }

    // Called from inside events.
    void Meddle()
    {
        if (budget > 0 && rng() % 4 == 0)
        {
            --budget;
            Change(static_cast<int>(rng() % 14));
        }
    }
};

Arena* gArena = nullptr;

struct MeddlingObject : KObject
{
    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override
    {
        gArena->Meddle();
        return KObject::ConnectionEvent(path, code, emitter, index, other, type, extra);
    }
    bool OnRelatedObjectEvent(KObject*, int, const void*, const void*) override
    {
        gArena->Meddle();
        return false;
    }
};

// Declared properties live inside their set: they die with it.
struct MeddlingSet : MeddlingObject
{
    MeddlingSet()
    {
        a.Initialize("DA", this);
        AddProperty(&a);
        b.Initialize("DB", this);
        AddProperty(&b);
    }
    KPropertyTemplate<double> a;
    KPropertyTemplate<int> b;
};

void MeddlingCallback(void*, const KEventPath*, int, KPlug*, int, KPlug*, uint32_t, KPlug*)
{
    gArena->Meddle();
}

TEST(PlugStress, RandomChangesFromInsideEventsNeverTouchFreedPlugs)
{
    for (unsigned seed = 0; seed < 500; ++seed)
    {
        Arena arena(seed);
        gArena = &arena;
        for (int i = 0; i < 20; ++i)
        {
            switch (arena.rng() % 4)
            {
            case 0:
            {
                auto* p = new KPlug;
                p->AddCallback(nullptr, nullptr, nullptr, &MeddlingCallback);
                arena.Track(p);
                break;
            }
            case 1:
            {
                auto* o = new MeddlingObject;
                arena.Track(o);
                arena.Track(o->CreateProperty("A", eKPropDouble));
                arena.Track(o->CreateProperty("B", eKPropInt));
                break;
            }
            case 2:
                if (arena.rng() % 3 == 0)
                {
                    arena.Track(new MeddlingSet); // its members are not picked alone
                    break;
                }
                if (arena.rng() % 2)
                {
                    arena.Track(new MeddlingObject);
                }
                else
                {
                    auto* l = new KObjectList;
                    arena.Track(l);
                }
                break;
            default:
            {
                auto* o = new MeddlingObject;
                arena.Track(o);
                arena.Track(KPropertyObjectList::Create(o, "L", 0, -1, 1, 3, 0));
                break;
            }
            }
        }
        for (int step = 0; step < 120; ++step)
        {
            arena.budget = 8;
            arena.Change(static_cast<int>(arena.rng() % 14));
        }
        arena.budget = 0;
        // Objects first (their properties go with them), then what is left.
        for (const HdlKObject& h : arena.plugs)
        {
            if (KPlug* p = h.Get(); p && !p->IsA(KProperty::ClassId))
            {
                p->Destroy();
            }
        }
        for (const HdlKObject& h : arena.plugs)
        {
            if (KPlug* p = h.Get())
            {
                p->Destroy();
            }
        }
        for (const HdlKObject& h : arena.plugs)
        {
            ASSERT_EQ(h.Get(), nullptr) << "seed " << seed;
        }
    }
    gArena = nullptr;
}

} // namespace
