#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KStringList.h"

#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace scenesdk;
using kerneltest::EventRecorder;
using kerneltest::PlugScope;
using Lines = std::vector<std::string>;

namespace
{

struct PropertyTest : ::testing::Test
{
    EventRecorder rec;
    PlugScope scope;
    KObject* owner = scope.Add(new KObject);

    template <class T> KPropertyTemplate<T>* Make(const char* name, int code)
    {
        KProperty* p = owner->CreateProperty(name, code);
        auto* typed = dynamic_cast<KPropertyTemplate<T>*>(p);
        EXPECT_NE(typed, nullptr) << name;
        return typed;
    }
};

TEST(PropertyTypes, NamesAndGroups)
{
    const char* names[] = {"unknown",  "int",      "bool",     "float",     "double", "charptr",
                           "enum",     "KTime",    "KString",  "object",    "event",  "stringlist",
                           "Vector4D", "Vector3D", "ColorRGB", "ColorRGBA", "Action", "Reference"};
    for (int code = 0; code < eKPropTypeCount; ++code)
    {
        EXPECT_EQ(KProperty::TypeCodeFromName(names[code]), code);
        EXPECT_STREQ(KProperty::TypeCodeName(code), names[code]);
    }
    EXPECT_EQ(KProperty::TypeCodeFromName("vector3d"), 0) << "case-sensitive";
    EXPECT_EQ(KProperty::TypeCodeFromName(nullptr), 0);
    EXPECT_STREQ(KProperty::TypeCodeName(99), "unknown");
    for (int code = 0; code < eKPropTypeCount; ++code)
    {
        bool scalar = code == 1 || code == 2 || code == 3 || code == 4 || code == 6 || code == 16;
        bool integral = code == 1 || code == 2 || code == 6 || code == 16;
        bool vector = code >= 12 && code <= 15;
        EXPECT_EQ(KProperty::IsScalarType(code), scalar) << code;
        EXPECT_EQ(KProperty::IsIntegralType(code), integral) << code;
        EXPECT_EQ(KProperty::IsVectorType(code), vector) << code;
    }
}

// Every creatable type code: storage, default and the conversions.
TEST_F(PropertyTest, EveryTypeCodeStoresAndConverts)
{
    struct Row
    {
        int code;
        EPropertyStorage storage;
        bool scalar;
    };
    const Row rows[] = {
        {1, eKStorageInt, true},      {2, eKStorageBool, true},     {4, eKStorageDouble, true},
        {6, eKStorageInt, true},      {7, eKStorageTime, false},    {8, eKStorageString, false},
        {9, eKStorageObject, false},  {13, eKStorageVector, false}, {14, eKStorageVector, false},
        {15, eKStorageVector, false}, {16, eKStorageBool, true},    {17, eKStorageProperty, false}};
    for (const Row& r : rows)
    {
        KProperty* p = owner->CreateProperty("P", r.code);
        ASSERT_NE(p, nullptr) << r.code;
        EXPECT_EQ(p->GetTypeCode(), r.code);
        EXPECT_EQ(p->GetStorage(), r.storage) << r.code;
        EXPECT_EQ(p->SetDouble(3.9), r.scalar) << r.code;
        double buffer[4] = {-1, -1, -1, -1};
        EXPECT_EQ(p->GetAsDoubles(buffer), r.scalar || KProperty::IsVectorType(r.code)) << r.code;
        if (r.scalar)
        {
            double expect = r.code == 4 ? 3.9 : (r.code == 2 || r.code == 16 ? 1.0 : 3.0);
            EXPECT_EQ(p->GetDouble(), expect) << r.code;
            EXPECT_EQ(buffer[0], expect) << r.code;
        }
        else
        {
            EXPECT_EQ(p->GetDouble(), 0.0) << r.code;
            EXPECT_EQ(p->GetInt(), 0) << r.code;
            EXPECT_FALSE(p->SetInt(5)) << r.code;
        }
        KProperty* copy = p->Clone(owner);
        ASSERT_NE(copy, nullptr) << r.code;
        EXPECT_EQ(copy->GetTypeCode(), r.code);
        EXPECT_TRUE(copy->CopyValue(p)) << r.code;
        if (r.scalar)
        {
            EXPECT_EQ(copy->GetDouble(), p->GetDouble()) << r.code;
        }
    }
}

TEST_F(PropertyTest, DefaultsOfTheValueTypes)
{
    auto* v = Make<KgeTVector>("V", eKPropVector3D);
    auto* rgb = Make<KgeRGBVector>("C", eKPropColorRGB);
    auto* rgba = Make<KgeRGBAVector>("A", eKPropColorRGBA);
    EXPECT_EQ(v->GetValue().mData[3], 1.0);
    EXPECT_EQ(rgb->GetValue().mData[3], 1.0);
    EXPECT_EQ(rgba->GetValue().mData[3], 0.0);
    EXPECT_EQ(Make<KTime>("T", eKPropTime)->GetValue().Get(), 0);
    EXPECT_STREQ(Make<KString>("S", eKPropString)->GetValue().Buffer(), "");
    EXPECT_EQ(Make<KObject*>("O", eKPropObject)->GetValue(), nullptr);
    EXPECT_EQ(Make<KProperty*>("R", eKPropReference)->GetValue(), nullptr);

    double in[4] = {1, 2, 3, 4};
    ASSERT_TRUE(v->SetFromDoubles(in));
    double out[4] = {};
    ASSERT_TRUE(v->GetAsDoubles(out));
    EXPECT_EQ(out[2], 3.0);
    EXPECT_EQ(out[3], 4.0);
}

TEST_F(PropertyTest, ConversionsFollowTheTypeGroups)
{
    auto* i = Make<int>("I", eKPropInt);
    auto* b = Make<bool>("B", eKPropBool);
    auto* d = Make<double>("D", eKPropDouble);
    ASSERT_TRUE(i->SetDouble(-2.7));
    EXPECT_EQ(i->GetValue(), -2) << "truncated toward zero";
    ASSERT_TRUE(i->SetDouble(1e300));
    EXPECT_EQ(i->GetValue(), INT_MAX) << "saturates instead of overflowing";
    ASSERT_TRUE(b->SetInt(5));
    EXPECT_TRUE(b->GetValue());
    EXPECT_EQ(b->GetInt(), 1);
    ASSERT_TRUE(b->SetDouble(0.0));
    EXPECT_FALSE(b->GetValue());
    d->SetValue(7.5);
    EXPECT_EQ(d->GetInt(), 0) << "GetInt of a double property";
    EXPECT_EQ(d->GetDouble(), 7.5);

    // The storage, not the type code, bounds every write.
    b->SetTypeCode(eKPropDouble);
    EXPECT_TRUE(b->SetDouble(123.25));
    EXPECT_TRUE(b->GetValue());
    b->SetTypeCode(eKPropInt);
    EXPECT_TRUE(b->SetInt(0));
    EXPECT_FALSE(b->GetValue());
}

TEST_F(PropertyTest, AnimatableScalarsExchangeRealDoubles)
{
    KProperty* flag = owner->CreateProperty("Flag", eKPropBool, nullptr, true);
    KProperty* count = owner->CreateProperty("Count", eKPropInt, nullptr, true);
    ASSERT_TRUE(flag->IsAnimatable());
    flag->SetInt(1);
    double v = -1;
    ASSERT_TRUE(flag->GetAsDoubles(&v));
    EXPECT_EQ(v, 1.0);
    double in = 4.6;
    ASSERT_TRUE(count->SetFromDoubles(&in));
    EXPECT_EQ(count->GetInt(), 4);
    EXPECT_FALSE(owner->CreateProperty("S", eKPropString)->GetAsDoubles(&v));
}

TEST_F(PropertyTest, SetSendsOneEventBeforeAndOneAfter)
{
    auto* d = Make<double>("D", eKPropDouble);
    rec.Listen(owner, "O");
    rec.Name(d, "D");
    rec.recordNotes = true;
    struct Seen
    {
        double incoming = 0, current = 0;
    } seen;
    d->SetValue(1.0);
    rec.Clear();
    owner->AddCallback(
        &seen,
        [](void* user, const KEventPath*, int code, KPlug*, const void* a, const void* b, const void*)
        {
            if (code == KPlug::eValueChanging)
            {
                static_cast<Seen*>(user)->incoming = *static_cast<const double*>(a);
                static_cast<Seen*>(user)->current = *static_cast<const double*>(b);
            }
        },
        nullptr, nullptr);
    ASSERT_TRUE(d->SetValue(2.0));
    EXPECT_EQ(rec.notes, (Lines{"D n20", "D n21"}));
    EXPECT_EQ(seen.incoming, 2.0);
    EXPECT_EQ(seen.current, 1.0);
    double out = 0;
    ASSERT_TRUE(d->Get(&out));
    EXPECT_EQ(out, 2.0);
    owner->RemoveCallback(&seen);
}

TEST_F(PropertyTest, BoundAccessorsReplaceTheStoredValue)
{
    struct Holder : KObject
    {
        double stored = 4.0;
        double Read() { return stored; }
        void Write(double v) { stored = v * 2; }
    };
    auto* holder = scope.Add(new Holder);
    auto* p = new KPropertyTemplate<double>;
    p->Initialize("Bound", holder, &Holder::Read, &Holder::Write);
    holder->AddProperty(p);
    EXPECT_EQ(p->GetStoredValue(), 0.0);
    ASSERT_TRUE(p->SetValue(3.0));
    EXPECT_EQ(p->GetStoredValue(), 0.0) << "the setter takes the value";
    EXPECT_EQ(holder->stored, 6.0);
    EXPECT_EQ(p->GetValue(), 6.0);
    EXPECT_EQ(p->GetStoredValue(), 6.0) << "the read refreshes the kept value";
    EXPECT_EQ(holder->FindProperty("Bound"), p);
    EXPECT_FALSE(p->IsDynamic());
    EXPECT_TRUE(holder->RemoveProperty(p));
    EXPECT_EQ(p->GetOwner(), nullptr) << "a declared property is let go, not destroyed";
    p->Destroy();
}

// --- Names ----------------------------------------------------------------------

TEST_F(PropertyTest, RenameStripsQuotesAndCanBeVetoed)
{
    struct Vetoing : KObject
    {
        bool veto = false;
        bool NotifyEvent15(const KEventPath* path, int code, KPlug* emitter, const void* a, const void* b,
                           const void* c) override
        {
            if (veto && code == eRenaming)
            {
                return false;
            }
            return KObject::NotifyEvent15(path, code, emitter, a, b, c);
        }
    };
    auto* v = scope.Add(new Vetoing);
    KProperty* p = v->CreateProperty("Old", eKPropInt);
    ASSERT_TRUE(p->SetName("My \"Name\""));
    EXPECT_STREQ(p->GetName(), "My Name");
    v->veto = true;
    EXPECT_FALSE(p->SetName("New"));
    EXPECT_STREQ(p->GetName(), "My Name");
}

TEST_F(PropertyTest, UniqueNamesCountOnFromTrailingDigits)
{
    owner->CreateProperty("Weight", eKPropDouble);
    owner->CreateProperty("Weight7", eKPropDouble);
    KProperty* p = owner->CreateProperty("Free", eKPropDouble);
    EXPECT_STREQ(p->MakeUniqueName("Weight").Buffer(), "Weight 1");
    EXPECT_STREQ(p->MakeUniqueName("Weight7").Buffer(), "Weight8");
    EXPECT_STREQ(p->MakeUniqueName("").Buffer(), "1");
    EXPECT_STREQ(p->MakeUniqueName("  Padded  ").Buffer(), "Padded");
    EXPECT_STREQ(p->MakeUniqueName("Free").Buffer(), "Free") << "the property itself does not clash";
    owner->CreateProperty("Weight 1", eKPropDouble);
    EXPECT_STREQ(p->MakeUniqueName("Weight").Buffer(), "Weight 2");
    owner->CreateProperty("N99999999999999999999", eKPropDouble);
    KString big = p->MakeUniqueName("N99999999999999999999");
    EXPECT_STREQ(big.Buffer(), "N999999999991000000000") << "only nine digits count, so no overflow";
    ASSERT_TRUE(p->SetName("Weight", true));
    EXPECT_STREQ(p->GetName(), "Weight 2");
    ASSERT_TRUE(p->SetName("\"Weight7\"", true));
    EXPECT_STREQ(p->GetName(), "Weight8") << "the name without its quotes is what must be unique";
}

TEST_F(PropertyTest, CloneNamesChainAndValuesAreNotCopied)
{
    auto* w = Make<double>("Weight", eKPropDouble);
    w->SetValue(9.0);
    w->SetMinMax(-1.0, 1.0);
    KProperty* c1 = w->Clone(owner);
    KProperty* c2 = w->Clone(owner);
    EXPECT_STREQ(c1->GetName(), "Weight 0");
    EXPECT_STREQ(c2->GetName(), "Weight 0 1");
    EXPECT_EQ(c1->GetDouble(), 0.0);
    EXPECT_EQ(c1->GetMin(), -1.0);
    EXPECT_TRUE(c1->IsDynamic());
    KProperty* anim = owner->CreateProperty("Anim", eKPropDouble, nullptr, true);
    EXPECT_EQ(anim->Clone(owner), nullptr);
    EXPECT_EQ(w->Clone(nullptr), nullptr);
}

TEST_F(PropertyTest, CopyValueNeedsTheSameTypeCode)
{
    auto* i = Make<int>("I", eKPropInt);
    auto* d = Make<double>("D", eKPropDouble);
    i->SetValue(3);
    d->SetValue(1.5);
    EXPECT_FALSE(d->CopyValue(i));
    EXPECT_EQ(d->GetValue(), 1.5);
    EXPECT_FALSE(d->CopyValue(nullptr));
    EXPECT_FALSE(d->CopyValue(d));
    auto* i2 = Make<int>("I2", eKPropInt);
    EXPECT_TRUE(i2->Assign(i));
    EXPECT_EQ(i2->GetValue(), 3);
}

// --- Text storages ------------------------------------------------------------

TEST_F(PropertyTest, TextPropertiesWriteByTheirStorage)
{
    auto* ptr = new KPropertyTemplate<const char*>;
    ptr->InitializeDynamic(owner, "Ptr", nullptr, false, nullptr, 0);
    owner->AddProperty(ptr);
    EXPECT_EQ(ptr->GetTypeCode(), eKPropCharPtr);
    static const char kText[] = "hello";
    ASSERT_TRUE(ptr->SetString(kText));
    EXPECT_EQ(ptr->GetValue(), kText) << "a pointer property keeps the caller's text";

    KProperty* clone = ptr->Clone(owner);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetTypeCode(), eKPropCharPtr);
    EXPECT_EQ(clone->GetStorage(), eKStorageString) << "clones of text hold their own copy";
    ASSERT_TRUE(clone->SetString("copied"));
    EXPECT_STREQ(clone->GetString().Buffer(), "copied");
    ASSERT_TRUE(clone->CopyValue(ptr));
    EXPECT_STREQ(clone->GetString().Buffer(), "hello");
    ASSERT_TRUE(clone->SetString("back"));
    ASSERT_TRUE(ptr->CopyValue(clone));
    EXPECT_STREQ(ptr->GetValue(), "back");

    auto* s = Make<KString>("S", eKPropString);
    ASSERT_TRUE(s->SetString("text"));
    EXPECT_STREQ(s->GetValue().Buffer(), "text");
    EXPECT_FALSE(Make<int>("I", eKPropInt)->SetString("1"));
}

// Text a pointer property takes from anywhere but its caller (another property,
// SetStringCopy) is its own copy: the source may change or die afterwards.
TEST_F(PropertyTest, PointerPropertiesKeepTheirOwnCopyOfTextFromElsewhere)
{
    auto* ptr = new KPropertyTemplate<const char*>;
    ptr->InitializeDynamic(owner, "Ptr", nullptr, false, nullptr, 0);
    owner->AddProperty(ptr);
    KProperty* text = ptr->Clone(owner);
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(text->SetString("first"));
    ASSERT_TRUE(ptr->CopyValue(text));
    ASSERT_TRUE(text->SetString(std::string(100, 'x').c_str()));
    text->Destroy();
    EXPECT_STREQ(ptr->GetValue(), "first") << "the text outlives the property it came from";

    // Between two pointer properties the text is copied too: the source's
    // next copied write frees the copy it held.
    auto* other = new KPropertyTemplate<const char*>;
    other->InitializeDynamic(owner, "Other", nullptr, false, nullptr, 0);
    owner->AddProperty(other);
    ASSERT_TRUE(other->Assign(ptr));
    EXPECT_NE(other->GetValue(), ptr->GetValue());
    ASSERT_TRUE(ptr->SetStringCopy("second"));
    EXPECT_STREQ(other->GetValue(), "first");
    EXPECT_STREQ(ptr->GetValue(), "second");

    // Handlers of event 20 still read the text being replaced; a copy may be
    // taken from inside the text the property already holds.
    struct Seen
    {
        std::string incoming, current;
    } seen;
    owner->AddCallback(
        &seen,
        [](void* user, const KEventPath*, int code, KPlug*, const void* a, const void* b, const void*)
        {
            if (code == KPlug::eValueChanging)
            {
                static_cast<Seen*>(user)->incoming = *static_cast<const char* const*>(a);
                static_cast<Seen*>(user)->current = *static_cast<const char* const*>(b);
            }
        },
        nullptr, nullptr);
    ASSERT_TRUE(ptr->SetStringCopy(ptr->GetValue() + 3));
    EXPECT_EQ(seen.incoming, "ond");
    EXPECT_EQ(seen.current, "second");
    EXPECT_STREQ(ptr->GetValue(), "ond");
    owner->RemoveCallback(&seen);

    // SetStringCopy takes text that dies with the call; SetString still lends.
    ASSERT_TRUE(ptr->SetStringCopy(std::string("temporary").c_str()));
    EXPECT_STREQ(ptr->GetValue(), "temporary");
    static const char kLent[] = "lent";
    ASSERT_TRUE(ptr->SetString(kLent));
    EXPECT_EQ(ptr->GetValue(), kLent);
    ASSERT_TRUE(ptr->SetStringCopy(nullptr));
    EXPECT_EQ(ptr->GetValue(), nullptr);
    EXPECT_FALSE(Make<int>("I", eKPropInt)->SetStringCopy("1"));

    auto* writable = new KPropertyTemplate<char*>;
    writable->InitializeDynamic(owner, "Writable", nullptr, false, nullptr, 0);
    owner->AddProperty(writable);
    KProperty* source = writable->Clone(owner);
    ASSERT_TRUE(source->SetString("chars"));
    ASSERT_TRUE(writable->CopyValue(source));
    source->Destroy();
    EXPECT_STREQ(writable->GetValue(), "chars");
}

// A getter that returns text inside its owner: the owner may replace that text
// at any time, so the value handed out as current is read again first.
TEST_F(PropertyTest, BoundPointerPropertiesHandOutTheOwnersCurrentText)
{
    struct Holder : KObject
    {
        std::string text = std::string(80, 'a');
        const char* Read() { return text.c_str(); }
        void Write(const char* v) { text = v ? v : ""; }
    };
    auto* holder = scope.Add(new Holder);
    auto* p = new KPropertyTemplate<const char*>;
    p->Initialize("Bound", holder, &Holder::Read, &Holder::Write);
    holder->AddProperty(p);
    EXPECT_EQ(std::string(p->GetValue()), holder->text);
    holder->text = std::string(200, 'b'); // frees the text the last read returned
    std::string current;
    holder->AddCallback(
        &current,
        [](void* user, const KEventPath*, int code, KPlug*, const void*, const void* b, const void*)
        {
            if (code == KPlug::eValueChanging)
            {
                *static_cast<std::string*>(user) = *static_cast<const char* const*>(b);
            }
        },
        nullptr, nullptr);
    ASSERT_TRUE(p->SetValue("new"));
    EXPECT_EQ(current, std::string(200, 'b'));
    EXPECT_STREQ(p->GetStoredValue(), "new") << "the kept value is the owner's text after the write";
    holder->RemoveCallback(&current);

    // Copies into a bound property go through its setter, which keeps what it needs.
    KProperty* text = p->Clone(holder);
    ASSERT_TRUE(text->SetString("copied"));
    ASSERT_TRUE(p->CopyValue(text));
    text->Destroy();
    EXPECT_EQ(holder->text, "copied");
    EXPECT_STREQ(p->GetValue(), "copied");
    EXPECT_TRUE(holder->RemoveProperty(p));
    p->Destroy();
}

// --- Attributes -------------------------------------------------------------------

const char* Looks(int v)
{
    static const char* const names[] = {"Cube", "Hard Cross", "Light Cross", "Sphere"};
    return v >= 0 && v < 4 ? names[v] : nullptr;
}

TEST_F(PropertyTest, EnumNamesComeFromAFunctionOrAnOwnedList)
{
    KProperty* e = owner->CreateProperty("Look", eKPropEnum, nullptr, false, true);
    ASSERT_TRUE(e->OwnsEnumList());
    EXPECT_EQ(e->GetEnumList(false), nullptr);
    KStringList* list = e->GetEnumList(true);
    ASSERT_NE(list, nullptr);
    list->Add("A");
    list->Add("B");
    EXPECT_STREQ(e->GetEnumName(1), "B");
    e->SetEnumNameFunction(&Looks);
    EXPECT_TRUE(e->GetAttributes().HasFlag(KPropertyAttributes::kEnumFunction));
    EXPECT_STREQ(e->GetEnumName(3), "Sphere");
    EXPECT_EQ(e->GetEnumName(4), nullptr);
    EXPECT_EQ(e->GetEnumList(false), list) << "the owned list is kept apart from the function";
    e->SetEnumNameFunction(nullptr);
    EXPECT_FALSE(e->GetAttributes().HasFlag(KPropertyAttributes::kEnumFunction));
    EXPECT_STREQ(e->GetEnumName(0), "A");
    e->GetAttributes().SetEnumNameFunction(&Looks);
    EXPECT_STREQ(e->GetEnumName(0), "Cube");
}

TEST_F(PropertyTest, FlagsAndLimitsAnnounceChanges)
{
    KProperty* p = owner->CreateProperty("P", eKPropDouble);
    rec.Listen(owner, "O");
    rec.Name(p, "P");
    rec.recordNotes = true;
    EXPECT_TRUE(p->SetMin(0.0));
    EXPECT_TRUE(p->SetMax(100.0));
    EXPECT_TRUE(rec.notes.empty()) << "unchanged limits send nothing";
    EXPECT_TRUE(p->SetMin(-1.0));
    EXPECT_EQ(p->GetMin(), -1.0);
    p->SetFlagNotify(KProperty::kStateAnimatableUser, true);
    p->SetFlagNotify(KProperty::kStateAnimatableUser, true);
    EXPECT_TRUE(p->TestStateFlags(8));
    p->SetFlag32(true);
    EXPECT_TRUE(p->TestStateFlags(32));
    EXPECT_EQ(rec.notes, (Lines{"P n31", "P n31", "P n31", "P n31"}));
    p->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
    EXPECT_TRUE(p->IsAnimatable());
    p->SetLabel("Label");
    EXPECT_STREQ(p->GetLabel(), "Label");
    p->SetLabel(nullptr);
    EXPECT_STREQ(p->GetLabel(), "");
}

TEST_F(PropertyTest, DataTypesComeFromTheResolverWhenNoneIsStored)
{
    static int stamp = 0;
    KDataType* fake = reinterpret_cast<KDataType*>(&stamp);
    KProperty::SetDefaultDataTypeResolver(
        [](int code) { return code == eKPropDouble ? reinterpret_cast<KDataType*>(&stamp) : nullptr; });
    EXPECT_EQ(owner->CreateProperty("D", eKPropDouble)->GetDataType(), fake);
    EXPECT_EQ(owner->CreateProperty("I", eKPropInt)->GetDataType(), nullptr);
    KProperty::SetDefaultDataTypeResolver(nullptr);
    EXPECT_EQ(owner->FindProperty("D")->GetDataType(), nullptr);
}

TEST_F(PropertyTest, ReferencesResolveOnlyToProperties)
{
    KProperty* target = owner->CreateProperty("Target", eKPropDouble);
    KProperty* ref = owner->CreateProperty("Ref", eKPropReference, nullptr, false, false, target);
    EXPECT_EQ(ref->GetReferencedProperty(), target);
    EXPECT_EQ(target->GetReferencedProperty(), target);
    EXPECT_EQ(ref->GetSourceCount(), 1);
    EXPECT_EQ(ref->GetSource(1), nullptr);
    KProperty* plugRef = owner->CreateProperty("PlugRef", eKPropReference);
    ASSERT_TRUE(plugRef->ConnectSrc(scope.Add(new KPlug)));
    EXPECT_EQ(plugRef->GetReferencedProperty(), nullptr) << "a plain plug is not a property";
}

} // namespace

namespace
{

enum class ELook : int32_t
{
    eCube,
    eHardCross,
    eLightCross,
    eSphere
};

TEST(EnumProperties, EnumTemplatesStoreTheEnumAndConvertLikeInts)
{
    PlugScope scope;
    KObject* owner = scope.Add(new KObject);
    auto* look = new KPropertyTemplate<ELook>;
    look->InitializeDynamic(owner, "Look", nullptr, false, nullptr, 0);
    owner->AddProperty(look);
    EXPECT_EQ(look->GetTypeCode(), eKPropEnum);
    EXPECT_EQ(look->GetStorage(), eKStorageInt);
    ASSERT_TRUE(look->SetInt(3));
    EXPECT_EQ(look->GetValue(), ELook::eSphere);
    EXPECT_EQ(look->GetDouble(), 3.0);

    KProperty* clone = look->Clone(owner);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetTypeCode(), eKPropEnum);
    ASSERT_TRUE(clone->CopyValue(look)) << "an int and an enum storage copy through the integer value";
    EXPECT_EQ(clone->GetInt(), 3);
    clone->SetInt(1);
    ASSERT_TRUE(look->CopyValue(clone));
    EXPECT_EQ(look->GetValue(), ELook::eHardCross);
}

} // namespace
