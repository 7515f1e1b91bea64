#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnObjectManager.h"
#include "scenesdk/kernel/KWorld.h"

#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

using namespace scenesdk;
using kerneltest::EventRecorder;
using kerneltest::PlugScope;
using Lines = std::vector<std::string>;

namespace
{

// Hears the object events of the objects it is a destination of, and the
// source-change hook of itself.
class Observer : public KObject
{
public:
    std::vector<int> objectEvents;
    std::vector<std::pair<int, int>> srcChanges; // (operation, index)
    bool OnRelatedObjectEvent(KObject*, int code, const void*, const void*) override
    {
        objectEvents.push_back(code);
        return false;
    }
    bool OnSrcObjectChange(int operation, KObject* other, int index) override
    {
        srcChanges.emplace_back(operation, index);
        return KObject::OnSrcObjectChange(operation, other, index);
    }
};

// An object whose name space comes from its first destination of its own class.
class Scoped : public KObject
{
public:
    int GetNameSpaceClassId() const override { return KObject::ClassId; }
    const char* GetNamePrefix() const override { return "Model"; }
};

struct ObjectTest : ::testing::Test
{
    EventRecorder rec;
    PlugScope scope;
    KObject* obj = scope.Add(new KObject);
};

// --- Properties of the container ------------------------------------------------

// With many properties the object finds them through an index of their
// names: the answers stay the first property of each name in list order
// through additions, names made unique, renames and removals.
TEST_F(ObjectTest, ManyPropertiesAreFoundByNameAsInTheList)
{
    std::vector<KProperty*> made;
    for (size_t i = 0; i < KObject::kNameIndexFrom + 50; ++i)
        made.push_back(obj->CreateProperty(("P" + std::to_string(i)).c_str(), eKPropDouble));
    const auto expectAsListed = [&](const char* when)
    {
        SCOPED_TRACE(when);
        for (const char* name : {"P0", "P7", "P299", "P305", "P305 0", "Q", "Renamed", "P12", ""})
        {
            KProperty* first = nullptr;
            for (int i = 0; i < obj->GetPropertyCount() && first == nullptr; ++i)
                if (std::string(obj->GetProperty(i)->GetName()) == name)
                    first = obj->GetProperty(i);
            EXPECT_EQ(obj->FindProperty(name), first) << name;
        }
    };
    expectAsListed("made");
    EXPECT_STREQ(obj->CreateProperty("P305", eKPropDouble)->GetName(), "P305 0");
    obj->CreateProperty("Q", eKPropInt);
    expectAsListed("added");
    ASSERT_TRUE(made[7]->SetName("Renamed"));
    ASSERT_TRUE(made[300]->SetName("P12")); // a second P12, after the first
    expectAsListed("renamed");
    ASSERT_TRUE(obj->DestroyPropertyAt(obj->GetPropertyIndex(made[12])));
    expectAsListed("removed: the second P12 is the first now");
    EXPECT_EQ(obj->FindProperty("P12"), made[300]);
}

TEST_F(ObjectTest, CreatePropertyMakesUniqueNamesAndRefusesUnknownCodes)
{
    KProperty* c = obj->CreateProperty("Color", eKPropColorRGB);
    KProperty* c0 = obj->CreateProperty("Color", eKPropColorRGB);
    KProperty* c1 = obj->CreateProperty("Color", eKPropDouble);
    ASSERT_TRUE(c && c0 && c1);
    EXPECT_STREQ(c->GetName(), "Color");
    EXPECT_STREQ(c0->GetName(), "Color 0");
    EXPECT_STREQ(c1->GetName(), "Color 1");
    EXPECT_EQ(obj->CreateProperty("Color", eKPropInt, nullptr, false, false, nullptr, true), c);
    EXPECT_EQ(obj->GetPropertyCount(), 3);
    for (int code : {0, 3, 5, 10, 11, 12, 18, -1})
    {
        EXPECT_EQ(obj->CreateProperty("X", code), nullptr) << code;
    }
    EXPECT_EQ(obj->GetPropertyCount(), 3);

    EXPECT_EQ(c->GetMin(), 0.0);
    EXPECT_EQ(c->GetMax(), 100.0);
    EXPECT_TRUE(c->IsDynamic());
    EXPECT_FALSE(c->IsAnimatable());
    EXPECT_TRUE(obj->CreateProperty("Anim", eKPropDouble, nullptr, true)->IsAnimatable());
    EXPECT_EQ(c->GetOwnerObject(), obj);

    obj->SetObjectFlag(KObject::kNoOwnedEnumLists);
    EXPECT_EQ(obj->CreateProperty("E", eKPropEnum, nullptr, false, true), nullptr);
    EXPECT_NE(obj->CreateProperty("E", eKPropEnum, nullptr, false, false), nullptr);
}

TEST_F(ObjectTest, FindPropertyIsExactAndIndicesAreChecked)
{
    KProperty* c = obj->CreateProperty("Color", eKPropColorRGB);
    EXPECT_EQ(obj->FindProperty("Color"), c);
    EXPECT_EQ(obj->FindProperty("color"), nullptr);
    EXPECT_EQ(obj->FindProperty("Obj::Color"), nullptr);
    EXPECT_EQ(obj->FindProperty("Color "), nullptr);
    EXPECT_EQ(obj->FindProperty(nullptr), nullptr);
    EXPECT_EQ(obj->GetProperty(1), nullptr);
    EXPECT_EQ(obj->GetProperty(-1), nullptr);
    EXPECT_FALSE(obj->RemovePropertyAt(1));
    EXPECT_FALSE(obj->RemovePropertyAt(-1));
    EXPECT_FALSE(obj->RemoveProperty(nullptr));
    EXPECT_TRUE(obj->RemoveProperty(c));
    EXPECT_EQ(obj->GetPropertyCount(), 0);
}

TEST_F(ObjectTest, PropertyChangesAreReportedAroundAddAndRemove)
{
    struct Watching : KObject
    {
        std::vector<int> ops;
        bool OnPropertyChange(int op, KProperty*, bool dynamic) override
        {
            ops.push_back(dynamic ? op : -op);
            return true;
        }
    };
    auto* w = scope.Add(new Watching);
    KProperty* p = w->CreateProperty("P", eKPropInt);
    auto* declared = new KPropertyTemplate<int>;
    declared->Initialize("Declared", w);
    w->AddProperty(declared);
    w->RemoveProperty(p);
    EXPECT_EQ(w->ops, (std::vector<int>{8, 11, -8, -11, 9, 12}));
    EXPECT_TRUE(w->RemovePropertyAt(0)) << "RemovePropertyAt only takes it out of the list";
    EXPECT_EQ(declared->GetOwner(), w);
    w->AddProperty(declared);
    EXPECT_TRUE(w->DestroyPropertyAt(0)) << "a declared property is let go, not destroyed";
    EXPECT_EQ(declared->GetOwner(), nullptr);
    declared->Destroy();
}

TEST_F(ObjectTest, ReferencePropertiesFollowTheirSource)
{
    obj->SetName("Src");
    KProperty* source = obj->CreateProperty("Intensity", eKPropDouble, nullptr, true);
    source->SetMinMax(-5.0, 5.0);
    KObject* holder = scope.Add(new KObject);
    KProperty* ref = holder->CreateReferenceProperty(source);
    ASSERT_NE(ref, nullptr);
    EXPECT_STREQ(ref->GetName(), "Src.Intensity");
    EXPECT_TRUE(ref->IsReference());
    EXPECT_EQ(ref->GetReferencedProperty(), source);
    EXPECT_EQ(ref->GetMin(), -5.0);
    EXPECT_TRUE(ref->IsAnimatable());
    EXPECT_FALSE(ref->GetAttributes().HasFlag(KPropertyAttributes::kNamedReference));
    KProperty* named = holder->CreateReferenceProperty(source, "Alias");
    EXPECT_TRUE(named->GetAttributes().HasFlag(KPropertyAttributes::kNamedReference));
    EXPECT_EQ(holder->CreateReferenceProperty(nullptr), nullptr);
    EXPECT_EQ(holder->CreateReferenceProperty(obj->CreateProperty("O", eKPropObject)), nullptr);

    // Removing the source takes the reference properties with it.
    EXPECT_TRUE(obj->RemoveProperty(source));
    EXPECT_EQ(holder->GetPropertyCount(), 0);

    // Replacing the link keeps the reference property.
    KProperty* s2 = obj->CreateProperty("Other", eKPropInt);
    KProperty* s3 = obj->CreateProperty("Third", eKPropInt);
    KProperty* r2 = holder->CreateReferenceProperty(s3);
    ASSERT_TRUE(r2->ReplaceSrc(s3, s2));
    EXPECT_EQ(holder->FindProperty("Src.Third"), r2);
    EXPECT_EQ(r2->GetReferencedProperty(), s2);

    // Cutting the link takes it away.
    HdlKObject h = r2->GetHandle();
    EXPECT_TRUE(r2->DisconnectSrc(s2));
    EXPECT_EQ(holder->FindProperty("Src.Third"), nullptr);
    EXPECT_FALSE(h.IsLive());
}

TEST_F(ObjectTest, CopyPropertiesCopiesValuesByIndexOrName)
{
    KObject* other = scope.Add(new KObject);
    auto* a = static_cast<KPropertyTemplate<int>*>(other->CreateProperty("A", eKPropInt));
    auto* b = static_cast<KPropertyTemplate<double>*>(other->CreateProperty("B", eKPropDouble));
    a->SetValue(7);
    b->SetValue(2.5);
    auto* mb = static_cast<KPropertyTemplate<double>*>(obj->CreateProperty("B", eKPropDouble));
    auto* ma = static_cast<KPropertyTemplate<int>*>(obj->CreateProperty("A", eKPropInt));
    obj->CopyPropertiesFrom(other);
    EXPECT_EQ(ma->GetValue(), 7);
    EXPECT_EQ(mb->GetValue(), 2.5);
    ma->SetValue(0);
    obj->CopyFrom(other, 16);
    EXPECT_EQ(ma->GetValue(), 7);
    KPlug* notSame = scope.Add(new KPlug);
    (void)notSame;
    KProperty* cloned = obj->ClonePropertyFrom(a);
    EXPECT_STREQ(cloned->GetName(), "A 0");
    EXPECT_EQ(cloned->GetTypeCode(), eKPropInt);
}

// --- Names --------------------------------------------------------------------

TEST(ObjectNames, SplitAndCompose)
{
    KString kept, ns, prefix, name;
    KObject::SplitFullName("NS:::Model::Cube:Part", &kept, &ns, &prefix, &name);
    EXPECT_STREQ(kept.Buffer(), "NS");
    EXPECT_STREQ(ns.Buffer(), "Model");
    EXPECT_STREQ(prefix.Buffer(), "Cube");
    EXPECT_STREQ(name.Buffer(), "Part");
    KObject::SplitFullName("Plain", &kept, &ns, &prefix, &name);
    EXPECT_STREQ(kept.Buffer(), "");
    EXPECT_STREQ(ns.Buffer(), "");
    EXPECT_STREQ(prefix.Buffer(), "");
    EXPECT_STREQ(name.Buffer(), "Plain");
    EXPECT_STREQ(KObject::ComposeFullName("Model", "", "Part").Buffer(), "Model::Part");
    EXPECT_STREQ(KObject::ComposeFullName("", "Cube", "Part").Buffer(), "Cube:Part");
    EXPECT_STREQ(KObject::JoinNameSpacePath(KString("A"), KString("B")).Buffer(), "A:B");
    EXPECT_STREQ(KObject::JoinNameSpacePath(KString("A"), KString(":B")).Buffer(), "A:B");
    EXPECT_STREQ(KObject::JoinNameSpacePath(KString("A"), KString("")).Buffer(), "A");
    EXPECT_STREQ(KObject::JoinNameSpacePath(KString("A"), KString("x:A:B:")).Buffer(), "x:A:B");
    EXPECT_STREQ(KObject::JoinNameSpacePath(KString(""), KString(":B")).Buffer(), "B");
}

TEST_F(ObjectTest, FullNameFollowsEveryNameChange)
{
    auto* cube = scope.Add(new Scoped);
    cube->SetName("Cube");
    EXPECT_STREQ(cube->GetFullName(), "Model::Cube");
    cube->SetName("Box");
    EXPECT_STREQ(cube->GetFullName(), "Model::Box") << "the cached name is rebuilt after a rename";
    cube->SetNameSpace("Set");
    EXPECT_STREQ(cube->GetFullName(), "Model::Set:Box");

    auto* parent = scope.Add(new KObject);
    parent->SetNameSpace("Root");
    ASSERT_TRUE(cube->ConnectDst(parent));
    EXPECT_EQ(cube->GetNameSpaceParent(), parent);
    EXPECT_STREQ(cube->GetNameSpacePath().Buffer(), "Root:Set");
    EXPECT_STREQ(cube->GetFullName(), "Model::Root:Set:Box");
    parent->SetNameSpace("Top");
    EXPECT_STREQ(cube->GetFullName(), "Model::Top:Set:Box") << "dependants are invalidated too";
    EXPECT_STREQ(cube->BuildQualifiedName(true).Buffer(), "Top:Set:Box");
    EXPECT_STREQ(cube->BuildQualifiedName(false).Buffer(), "Set:Box");
    ASSERT_TRUE(cube->DisconnectDst(parent));
    EXPECT_STREQ(cube->GetFullName(), "Model::Set:Box") << "cut from its name-space parent";

    cube->SetFullName("Model::Grp:Sphere");
    EXPECT_STREQ(cube->GetName(), "Sphere");
    EXPECT_STREQ(cube->GetNameSpace(), "Grp");

    obj->SetName("");
    EXPECT_STREQ(obj->GetName(), "1");
    obj->SetName("   ");
    EXPECT_STREQ(obj->GetName(), "1");
    obj->SetNameText("");
    EXPECT_STREQ(obj->GetName(), "");
}

TEST_F(ObjectTest, NameSpaceCyclesDoNotRecurseForEver)
{
    auto* a = scope.Add(new Scoped);
    auto* b = scope.Add(new Scoped);
    a->SetNameSpace("A");
    b->SetNameSpace("B");
    ASSERT_TRUE(a->ConnectDst(b));
    ASSERT_TRUE(b->ConnectDst(a));
    a->SetName("x");
    EXPECT_NE(std::string(a->GetFullName()).find("x"), std::string::npos);
    b->SetNameSpace("C");
}

TEST_F(ObjectTest, NameChangesAreAnnouncedInOrder)
{
    auto* observer = scope.Add(new Observer);
    ASSERT_TRUE(obj->ConnectDst(observer));
    rec.Listen(obj, "O");
    rec.recordNotes = true;
    obj->SetName("A");
    obj->SetName("A");
    obj->SetNameSpace("N");
    EXPECT_EQ(observer->objectEvents, (std::vector<int>{8, 12, 9, 13}));
    EXPECT_EQ(rec.notes, (Lines{"O n27", "O n28", "O n29", "O n30"}));
}

// --- State --------------------------------------------------------------------

TEST_F(ObjectTest, StateChangesSendTheirEventCodes)
{
    auto* observer = scope.Add(new Observer);
    rec.Listen(obj, "O");
    rec.recordNotes = true;
    EXPECT_TRUE(obj->SendObjectEvent(1)) << "code 1 is announced with nobody related";
    ASSERT_TRUE(obj->ConnectDst(observer));
    EXPECT_TRUE(obj->SetState(1));
    uint32_t stamp = obj->GetStateStamp();
    EXPECT_FALSE(obj->SetState(1)) << "the same value again";
    EXPECT_GT(obj->GetStateStamp(), 0u);
    EXPECT_TRUE(obj->SetState(3));
    EXPECT_GT(obj->GetStateStamp(), stamp);
    EXPECT_TRUE(obj->SetState(0));
    EXPECT_FALSE(obj->SetState(0));
    EXPECT_EQ(observer->objectEvents, (std::vector<int>{6, 27, 27, 16, 7, 17}));
    EXPECT_EQ(rec.notes, (Lines{"O n23", "O n24", "O n26", "O n26", "O n25"}));
}

// --- Connection reaction ------------------------------------------------------

TEST_F(ObjectTest, SourceObjectChangesReachTheHooksAndTheManagerLink)
{
    auto* o = scope.Add(new Observer);
    KObject* src = scope.Add(new KObject);
    struct Heard
    {
        std::vector<std::pair<int, int>> events;
    } heard;
    o->GetManagerLink(true)->Add(&heard,
                                 [](void* ctx, void*, KEventRecord* e)
                                 {
                                     ASSERT_EQ(e->id, KObjectEventRecord::kId);
                                     auto* r = static_cast<KObjectEventRecord*>(e);
                                     static_cast<Heard*>(ctx)->events.emplace_back(r->code, r->index);
                                 });
    ASSERT_TRUE(o->ConnectSrc(src));
    ASSERT_TRUE(o->DisconnectSrc(src));
    EXPECT_EQ(o->srcChanges, (std::vector<std::pair<int, int>>{{1, -1}, {4, 0}, {2, 0}, {5, 0}}));
    EXPECT_EQ(heard.events, o->srcChanges);
    EXPECT_EQ(o->GetSrcObjectIndex(src), -1);
    ASSERT_TRUE(o->ConnectSrc(scope.Add(new KPlug)));
    ASSERT_TRUE(o->ConnectSrc(src));
    EXPECT_EQ(o->GetSrcObjectIndex(src), 0) << "plain plugs are not counted";
    src->SetName("Found");
    EXPECT_EQ(o->FindSrcObjectByName("Found"), src);
    EXPECT_EQ(o->FindSrcObjectByName("Found", 0, KObject::ClassId), src);
    EXPECT_EQ(o->FindSrcObjectByName("found"), nullptr);
    o->GetManagerLink(false)->Clear(); // heard goes out of scope before o
}

TEST_F(ObjectTest, DestroyFromAManagerLinkCallbackIsSafe)
{
    KObject* victim = new KObject;
    KObject* src = scope.Add(new KObject);
    victim->GetManagerLink(true)->Add(victim, [](void* ctx, void*, KEventRecord*)
                                      { static_cast<KObject*>(ctx)->Destroy(); });
    HdlKObject h = victim->GetHandle();
    victim->ConnectSrc(src);
    EXPECT_FALSE(h.IsLive());
    EXPECT_EQ(src->GetDstCount(), 0);
}

TEST_F(ObjectTest, ReplaceIsVisibleToTheObjectWhileItRuns)
{
    struct Probe : KObject
    {
        KPlug* a = nullptr;
        KPlug* b = nullptr;
        bool seen = false;
        bool OnSrcObjectChange(int op, KObject* other, int index) override
        {
            if (op == 2 && IsBeingReplaced(a, b))
            {
                seen = true;
            }
            return KObject::OnSrcObjectChange(op, other, index);
        }
    };
    auto* probe = scope.Add(new Probe);
    KObject* oldSrc = scope.Add(new KObject);
    KObject* newSrc = scope.Add(new KObject);
    probe->a = oldSrc;
    probe->b = probe;
    ASSERT_TRUE(probe->ConnectSrc(oldSrc));
    ASSERT_TRUE(probe->ReplaceSrc(oldSrc, newSrc));
    EXPECT_TRUE(probe->seen);
    EXPECT_FALSE(probe->IsBeingReplaced(oldSrc, probe));
    EXPECT_EQ(probe->GetSrc(0), newSrc);
}

TEST_F(ObjectTest, HasOwnerAnswersForFreeObjectsOnly)
{
    EXPECT_TRUE(obj->HasOwner());
    EXPECT_FALSE(obj->HasOwner(1));
    KProperty* p = obj->CreateProperty("P", eKPropInt);
    EXPECT_TRUE(obj->HasOwner());
    ASSERT_TRUE(p->ConnectSrc(scope.Add(new KPlug)));
    EXPECT_FALSE(obj->HasOwner());
}

TEST_F(ObjectTest, DestroyReleasesPropertiesAndLeavesTheWorld)
{
    KWorld world;
    auto* o = new KObject;
    KProperty* marked = o->CreateProperty("Marked", eKPropInt);
    marked->GetAttributes().SetFlag(KPropertyAttributes::kWorldRegistered, true);
    HdlKObject hp = marked->GetHandle();
    EXPECT_EQ(o->GetWorldId(), -2);
    o->OnCreate(&world);
    int id = o->GetWorldId();
    ASSERT_GE(id, 0);
    EXPECT_EQ(world.GetObject(id), o);
    EXPECT_FALSE(o->EnterWorld(&world));
    o->ConnectSrc(obj);
    o->Destroy();
    EXPECT_EQ(world.GetObject(id), nullptr);
    EXPECT_FALSE(hp.IsLive()) << "dynamic properties die with their object";
    EXPECT_EQ(obj->GetDstCount(), 0);
}

} // namespace

namespace
{

// The property-set pattern: declared properties are members bound to the
// object; dynamic ones are made at run time. Destroy releases both safely.
class LampProperties : public KObject
{
public:
    LampProperties()
    {
        intensity.Initialize("Intensity", this);
        AddProperty(&intensity);
        color.Initialize("Color", this);
        AddProperty(&color);
    }
    KPropertyTemplate<double> intensity;
    KPropertyTemplate<KgeRGBVector> color;
};

TEST(PropertySet, DeclaredMembersAndDynamicPropertiesDieWithTheSet)
{
    PlugScope scope;
    auto* lamp = new LampProperties;
    KProperty* extra = lamp->CreateProperty("Extra", eKPropDouble);
    KPlug* curve = scope.Add(new KPlug);
    ASSERT_TRUE(lamp->intensity.ConnectSrc(curve));
    KObject* other = scope.Add(new KObject);
    KProperty* ref = other->CreateReferenceProperty(&lamp->color);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(lamp->FindProperty("Intensity"), &lamp->intensity);
    EXPECT_EQ(lamp->intensity.GetOwnerObject(), lamp);
    HdlKObject hExtra = extra->GetHandle();
    lamp->Destroy();
    EXPECT_FALSE(hExtra.IsLive());
    EXPECT_EQ(curve->GetDstCount(), 0);
    EXPECT_EQ(other->GetPropertyCount(), 0) << "the reference to a member went with it";
}

} // namespace

namespace
{

TEST(DestroyInsideEvents, RenameStateAndValueChangesSurviveADestroyFromTheirHandlers)
{
    // The observer destroys the object that tells it about a change.
    struct Killer : KObject
    {
        int killOn = -1;
        bool OnRelatedObjectEvent(KObject* sender, int code, const void*, const void*) override
        {
            if (code == killOn)
            {
                killOn = -1;
                sender->Destroy();
            }
            return false;
        }
    };
    PlugScope scope;
    auto* killer = scope.Add(new Killer);
    for (int code : {8, 9, 6})
    {
        KObject* victim = new KObject;
        ASSERT_TRUE(victim->ConnectDst(killer));
        HdlKObject h = victim->GetHandle();
        killer->killOn = code;
        if (code == 8)
        {
            victim->SetName("Renamed");
        }
        else if (code == 9)
        {
            victim->SetNameSpace("Space");
        }
        else
        {
            victim->SetState(1);
        }
        EXPECT_FALSE(h.IsLive()) << code;
        EXPECT_EQ(killer->GetSrcCount(), 0) << code;
    }

    // A property destroyed by the handler of its own change event.
    KObject* owner = scope.Add(new KObject);
    auto* p = static_cast<KPropertyTemplate<double>*>(owner->CreateProperty("P", eKPropDouble));
    HdlKObject hp = p->GetHandle();
    owner->AddCallback(
        p,
        [](void* user, const KEventPath*, int code, KPlug*, const void*, const void*, const void*)
        {
            if (code == KPlug::eValueChanging)
            {
                auto* prop = static_cast<KProperty*>(user);
                prop->GetOwnerObject()->RemoveProperty(prop);
            }
        },
        nullptr, nullptr);
    p->SetValue(2.0);
    EXPECT_FALSE(hp.IsLive());
    EXPECT_EQ(owner->GetPropertyCount(), 0);
    owner->RemoveCallback(p);
}

} // namespace

namespace
{

TEST(PropertyLifetime, APropertyDestroyedDirectlyLeavesItsOwnersList)
{
    PlugScope scope;
    KObject* owner = scope.Add(new KObject);
    KObject* holder = scope.Add(new KObject);
    KProperty* a = owner->CreateProperty("A", eKPropDouble);
    KProperty* b = owner->CreateProperty("B", eKPropInt);
    ASSERT_NE(holder->CreateReferenceProperty(a), nullptr);
    a->Destroy();
    EXPECT_EQ(owner->GetPropertyCount(), 1);
    EXPECT_EQ(owner->FindProperty("A"), nullptr);
    EXPECT_EQ(owner->GetProperty(0), b);
    EXPECT_EQ(holder->GetPropertyCount(), 0) << "its reference properties go with it";
}

TEST(PropertyLifetime, AnOwnerDestroyedWhileItsPropertyIsMidDisconnectIsNotReachedAgain)
{
    // A third plug's handler destroys the owner while the property's own
    // disconnect is still sending events (run under AddressSanitizer).
    EventRecorder rec;
    PlugScope scope;
    KObject* owner = new KObject;
    HdlKObject hOwner = owner->GetHandle();
    KPlug* x = scope.Add(new KPlug);
    KProperty* p = owner->CreateProperty("A", eKPropDouble);
    HdlKObject hp = p->GetHandle();
    ASSERT_TRUE(p->ConnectDst(x));
    rec.Listen(x, "X");
    rec.onEvent = [&](int code, KPlug*, KPlug*)
    {
        if (code == KPlug::eSrcRemoving && owner)
        {
            KObject* victim = owner;
            owner = nullptr;
            victim->Destroy();
        }
    };
    x->DisconnectSrc(p);
    EXPECT_FALSE(hOwner.IsLive());
    EXPECT_FALSE(hp.IsLive()) << "the deferred destroy of the property ran when the disconnect ended";
    EXPECT_EQ(x->GetSrcCount(), 0);
    rec.onEvent = nullptr;
}

} // namespace

namespace
{

// Destroys another object when it hears an object event.
struct RelatedKiller : KObject
{
    KObject* victim = nullptr;
    int heard = 0;
    bool OnRelatedObjectEvent(KObject*, int, const void*, const void*) override
    {
        ++heard;
        if (KObject* v = victim)
        {
            victim = nullptr;
            v->Destroy();
        }
        return false;
    }
};

TEST(DestroyInsideEvents, AnObjectDestroyedByAnotherRelatedObjectIsNotToldAfterwards)
{
    PlugScope scope;
    KObject* o = scope.Add(new KObject);
    auto* a = scope.Add(new RelatedKiller);
    auto* b = new RelatedKiller;
    HdlKObject hb = b->GetHandle();
    ASSERT_TRUE(o->ConnectDst(a));
    ASSERT_TRUE(o->ConnectDst(b));
    a->victim = b;
    o->SetName("Renamed");
    EXPECT_FALSE(hb.IsLive());
    EXPECT_EQ(a->heard, 2) << "codes 8 and 12";
    EXPECT_EQ(o->GetDstCount(), 1);
}

} // namespace

namespace
{

// Destroys itself from its hook for events of its properties.
struct SelfKiller : KObject
{
    bool armed = false;
    std::vector<int> codes;
    bool OnObjectEvent(KPlug* emitter, int code, KPlug* other, int index) override
    {
        if (armed && emitter != this)
        {
            armed = false;
            Destroy();
        }
        codes.push_back(code); // still safe: the destroy waits for the event to end
        return KObject::OnObjectEvent(emitter, code, other, index);
    }
};

TEST(DestroyInsideEvents, AnOwnerDestroyedByAHookForItsPropertysEventIsDeferred)
{
    PlugScope scope;
    auto* o = new SelfKiller;
    HdlKObject ho = o->GetHandle();
    KObject* x = scope.Add(new KObject);
    KProperty* p = o->CreateProperty("P", eKPropDouble);
    HdlKObject hp = p->GetHandle();
    ASSERT_TRUE(p->ConnectSrc(x));
    o->armed = true;
    p->DisconnectSrc(x);
    EXPECT_FALSE(ho.IsLive());
    EXPECT_FALSE(hp.IsLive());
    EXPECT_EQ(x->GetDstCount(), 0);
}

} // namespace

namespace
{

TEST(PropertyLifetime, ReferencePropertiesLinkedInARingReleaseEachOtherOnce)
{
    PlugScope scope;
    KObject* a = scope.Add(new KObject);
    KObject* b = scope.Add(new KObject);
    KProperty* source = a->CreateProperty("S", eKPropDouble);
    KProperty* r1 = b->CreateReferenceProperty(source, "R1");
    KProperty* r2 = a->CreateReferenceProperty(r1, "R2");
    ASSERT_TRUE(r1 && r2);
    ASSERT_TRUE(r1->ConnectSrc(r2)) << "r1 and r2 now release each other";
    HdlKObject h1 = r1->GetHandle();
    HdlKObject h2 = r2->GetHandle();
    EXPECT_TRUE(b->RemoveProperty(r1));
    EXPECT_FALSE(h1.IsLive());
    EXPECT_FALSE(h2.IsLive());
    EXPECT_EQ(a->GetPropertyCount(), 1);
    EXPECT_EQ(b->GetPropertyCount(), 0);
}

TEST(PropertyLifetime, AnOwnerOutlivedByAPropertyTakenOutOfItsList)
{
    auto* owner = new KObject;
    KProperty* p = owner->CreateProperty("P", eKPropInt);
    ASSERT_TRUE(owner->RemovePropertyAt(0));
    EXPECT_EQ(p->GetOwnerObject(), owner) << "taking it out of the list keeps the owner";
    owner->Destroy();
    EXPECT_EQ(p->GetOwner(), nullptr);
    EXPECT_TRUE(p->SetName("Renamed")) << "its events no longer reach the freed owner";
    p->Destroy();
}

TEST(PropertyLifetime, CreationAnswersNullWhenAHandlerDestroysTheOwner)
{
    struct DiesOnAdd : KObject
    {
        bool OnPropertyChange(int op, KProperty*, bool) override
        {
            if (op == ePropertyAdded)
            {
                Destroy();
            }
            return true;
        }
    };
    auto* o = new DiesOnAdd;
    HdlKObject h = o->GetHandle();
    int live = KPlug::GetLivePlugCount();
    EXPECT_EQ(o->CreateProperty("P", eKPropDouble), nullptr);
    EXPECT_FALSE(h.IsLive());
    EXPECT_EQ(KPlug::GetLivePlugCount(), live - 1) << "the object and its new property are both gone";
}

} // namespace

namespace
{

TEST(PropertyLifetime, APropertyListedByTwoObjectsLeavesBothWhenDestroyed)
{
    PlugScope scope;
    KObject* a = scope.Add(new KObject);
    KObject* b = scope.Add(new KObject);
    KProperty* p = a->CreateProperty("P", eKPropDouble);
    b->AddProperty(p);
    ASSERT_TRUE(b->AdoptChild(p)) << "now owned by b, still listed by both";
    p->Destroy();
    EXPECT_EQ(a->GetPropertyCount(), 0);
    EXPECT_EQ(b->GetPropertyCount(), 0);
}

// An object keeps no separate record of the properties it owns and lists:
// whether still listed or taken out of the list (and listed again), they
// lose their owner when it goes, and outlive it safely.
TEST(PropertyLifetime, OwnedPropertiesLoseTheirOwnerWhenItGoesListedOrNot)
{
    PlugScope scope;
    auto* owner = new KObject;
    KProperty* listed = owner->CreateProperty("Listed", eKPropDouble);
    KProperty* taken = owner->CreateProperty("Taken", eKPropDouble);
    KProperty* back = owner->CreateProperty("Back", eKPropDouble);
    ASSERT_TRUE(owner->RemovePropertyAt(owner->GetPropertyIndex(taken)));
    ASSERT_TRUE(owner->RemovePropertyAt(owner->GetPropertyIndex(back)));
    owner->AddProperty(back);
    KObject* other = scope.Add(new KObject);
    other->AddProperty(listed);
    other->AddProperty(taken);
    EXPECT_EQ(taken->GetOwner(), owner);
    owner->Destroy();
    EXPECT_EQ(taken->GetOwner(), nullptr);
    taken->Destroy();
}

} // namespace

namespace
{

TEST(PropertySet, ADeclaredPropertyListedElsewhereLeavesThatListWithItsSet)
{
    PlugScope scope;
    KObject* other = scope.Add(new KObject);
    auto* lamp = new LampProperties;
    other->AddProperty(&lamp->intensity);
    lamp->Destroy();
    EXPECT_EQ(other->GetPropertyCount(), 0);
}

} // namespace

namespace
{

TEST(PropertySet, ASetDestroyedWhileOneOfItsMembersIsDisconnectedWaitsForIt)
{
    // The member lives inside the set: the set must outlast the member's change.
    EventRecorder rec;
    PlugScope scope;
    auto* lamp = new LampProperties;
    HdlKObject h = lamp->GetHandle();
    KPlug* curve = scope.Add(new KPlug);
    ASSERT_TRUE(lamp->intensity.ConnectSrc(curve));
    rec.Listen(curve, "C");
    rec.onEvent = [&](int code, KPlug*, KPlug*)
    {
        if (code == KPlug::eDstRemoving && h.IsLive())
        {
            lamp->Destroy();
            EXPECT_TRUE(h.IsLive()) << "deferred";
        }
    };
    EXPECT_TRUE(curve->DisconnectDst(&lamp->intensity));
    EXPECT_FALSE(h.IsLive());
    EXPECT_EQ(curve->GetDstCount(), 0);
    rec.onEvent = nullptr;
}

} // namespace

namespace
{

// An object released as a whole lets its declared properties (by then
// unlinked) go without removal events only when it says nobody hears them; a
// dynamic property always takes the full path, and every one leaves the object.
TEST(PropertyLifetime, ReleaseSkipsRemovalEventsOnlyWhereNobodyHearsThem)
{
    struct Set : KObject
    {
        bool hears = true;
        std::vector<int>* ops = nullptr;
        KPropertyTemplate<int> Quiet, Linked;
        Set(std::vector<int>* log, bool heard) : hears(heard), ops(log)
        {
            Linked.Initialize("Linked", this);
            AddProperty(&Linked);
            Quiet.Initialize("Quiet", this);
            AddProperty(&Quiet);
            CreateProperty("Dynamic", eKPropInt);
        }
        bool OnPropertyChange(int op, KProperty* p, bool dynamic) override
        {
            if (op == ePropertyRemoving)
            {
                ops->push_back(dynamic ? 3 : p == &Quiet ? 1 : 2);
            }
            return true;
        }
        bool HearsPropertyRemoval() override { return hears; }
    };
    for (bool heard : {true, false})
    {
        PlugScope scope;
        std::vector<int> ops;
        KObject* other = scope.Add(new KObject);
        KProperty* target = other->CreateProperty("Target", eKPropInt);
        auto* set = new Set(&ops, heard);
        ASSERT_TRUE(set->Linked.ConnectDst(target));
        const int live = KPlug::GetLivePlugCount();
        set->Destroy();
        EXPECT_EQ(target->GetSrcCount(), 0) << "the link went with its set";
        EXPECT_EQ(KPlug::GetLivePlugCount(), live - 4) << "the set and its three properties are gone";
        EXPECT_EQ(ops, heard ? std::vector<int>({3, 1, 2}) : std::vector<int>({3}));
    }
}

} // namespace
