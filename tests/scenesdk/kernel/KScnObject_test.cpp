// Scene object names and user-property handles.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnObject.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KgeRGBVector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace scenesdk;

namespace
{

class KindObject : public KScnObject
{
public:
    KindObject(int kind, const char* name) : KScnObject(nullptr, name), mKind(kind) {}
    int GetObjectKind() const override { return mKind; }
    void OnUserPropertyAdded(KScnPropertyRef*) override { ++mAdded; }
    int mKind;
    int mAdded = 0;
};

// A property set with a few plain properties, for handle tests.
class PlainSet : public KScnPropertyHandler
{
public:
    PlainSet()
    {
        Flag.Initialize("Flag", this);
        AddProperty(&Flag);
        Number.Initialize("Number", this);
        AddProperty(&Number);
        Vec.Initialize("Vec", this);
        AddProperty(&Vec);
        Rgb.Initialize("Rgb", this);
        AddProperty(&Rgb);
        Rgba.Initialize("Rgba", this);
        AddProperty(&Rgba);
        Count.Initialize("Count", this);
        AddProperty(&Count);
    }
    void PushPropertyToTakes(KProperty&) override { ++mPushes; }
    KScnTakeNodeContainer* GetOwner() override { return nullptr; }

    KPropertyTemplate<bool> Flag;
    KPropertyTemplate<double> Number;
    KPropertyTemplate<KgeTVector> Vec;
    KPropertyTemplate<KgeRGBVector> Rgb;
    KPropertyTemplate<KgeRGBAVector> Rgba;
    KPropertyTemplate<int> Count;
    int mPushes = 0;

protected:
    ~PlainSet() override = default;
};

struct SetHolder
{
    PlainSet* set = new PlainSet;
    ~SetHolder() { set->Destroy(); }
};

} // namespace

TEST(KScnObject, NamePrefixesPerKind)
{
    const char* expected[] = {"",        "Model::",      "Texture::",        "Material::",   "Video::",
                              "Video::", "Constraint::", "MarkerSet::",      "Constraint::", "Pose::",
                              "",        "Pose::",       "ControlSetPlug::", "Constraint::"};
    for (int kind = 0; kind <= 13; ++kind)
    {
        EXPECT_STREQ(KScnObject::GetNamePrefix(kind).Buffer(), expected[kind]) << kind;
    }
    EXPECT_STREQ(KScnObject::GetNamePrefix(14).Buffer(), "");
    EXPECT_STREQ(KScnObject::GetNamePrefix(-1).Buffer(), "");
}

TEST(KScnObject, SetNameAddsKindPrefixAndKeepsInitialName)
{
    KindObject node(1, "first");
    node.SetName("Cube");
    EXPECT_STREQ(node.GetName(), "Model::Cube");
    EXPECT_STREQ(node.GetInitialName(), "first");
    EXPECT_STREQ(node.GetNameWithoutPrefix().Buffer(), "Cube");
    node.SetName("Material::Wood::x");
    EXPECT_STREQ(node.GetName(), "Model::Wood::x");
    node.SetName("");
    EXPECT_STREQ(node.GetName(), "Model::Name");
}

// The name-pair operations, called on the object itself.
TEST(KScnObject, NamePairOperations)
{
    KindObject node(1, "x");
    const struct
    {
        const char* op;
        const char* text;
        const char* initial;
        const char* current;
    } rows[] = {
        {"InitNamePair", "Cube", "Cube", "Cube"},
        {"SetCurrentName", "Model::Cube1", "Cube", "Model::Cube1"}, // only the current name
        {"SetName", "Cube2", "Cube", "Model::Cube2"},
        {"SetNames", "Sphere", "Sphere", "Sphere"},
        {"SetCurrentName", nullptr, "Sphere", ""},
        {"SetNames", nullptr, "", ""},
        {"SetNames", "Cone", "Cone", "Cone"},
        {"FreeNamePair", nullptr, "", ""},
    };
    for (const auto& row : rows)
    {
        const std::string op = row.op;
        if (op == "InitNamePair")
            node.InitNamePair(row.text);
        else if (op == "SetCurrentName")
            node.SetCurrentName(row.text);
        else if (op == "SetName")
            node.SetName(row.text);
        else if (op == "SetNames")
            node.SetNames(row.text);
        else
            node.FreeNamePair();
        EXPECT_STREQ(node.GetInitialName(), row.initial) << op;
        EXPECT_STREQ(node.GetInitialNameString().Buffer(), row.initial) << op;
        EXPECT_STREQ(node.GetCurrentName(), row.current) << op;
        EXPECT_STREQ(node.GetName(), row.current) << op;
    }
}

TEST(KScnObject, NameWithoutPrefixFallsBackToFirstColons)
{
    KindObject texture(2, "x");
    texture.SetInitialName("Video::Clip");
    EXPECT_STREQ(texture.GetName(), "Video::Clip");
    EXPECT_STREQ(texture.GetInitialName(), "Video::Clip");
    EXPECT_STREQ(texture.GetNameWithoutPrefix().Buffer(), "Clip");
    texture.SetInitialName("Plain");
    EXPECT_STREQ(texture.GetNameWithoutPrefix().Buffer(), "Plain");
    KindObject noPrefix(10, "Deformer::Skin");
    EXPECT_STREQ(noPrefix.GetNameWithoutPrefix().Buffer(), "Deformer::Skin") << "empty prefix always matches";
}

TEST(KScnObject, UserPropertyListIgnoresNullAndDuplicates)
{
    KScnSdkManager manager;
    KindObject obj(3, "m");
    KScnPropertyRef* a = manager.CreateUserProperty("alpha", "Real", "A");
    KScnPropertyRef* b = manager.CreateUserProperty("beta", "Bool", "");
    obj.AddUserProperty(nullptr);
    obj.AddUserProperty(a);
    obj.AddUserProperty(a);
    obj.AddUserProperty(b);
    EXPECT_EQ(obj.GetUserPropertyCount(), 2);
    EXPECT_EQ(obj.mAdded, 2);
    EXPECT_EQ(obj.GetUserProperty(-1), nullptr);
    EXPECT_EQ(obj.GetUserProperty(2), nullptr);
    EXPECT_EQ(obj.GetUserProperty(1), b);
    EXPECT_EQ(obj.FindUserPropertyByName("beta"), b);
    EXPECT_EQ(obj.FindUserPropertyByName("Beta"), nullptr);
    EXPECT_EQ(obj.FindUserPropertyByName(nullptr), nullptr);
    EXPECT_EQ(obj.FindUserProperty(nullptr), nullptr) << "record handles never match a null property";
    EXPECT_EQ(manager.FindUserProperty("alpha"), a);
    EXPECT_TRUE(obj.RemoveUserProperty(a));
    EXPECT_FALSE(obj.RemoveUserProperty(a));
    EXPECT_TRUE(manager.DestroyUserProperty(a));
    EXPECT_FALSE(manager.DestroyUserProperty(a));
}

TEST(KScnPropertyRef, DataTypeNamesAndRecords)
{
    EXPECT_EQ(KScnPropertyRef::ParseDataType("Vector"), 5);
    EXPECT_EQ(KScnPropertyRef::ParseDataType("bool"), 0);
    EXPECT_EQ(KScnPropertyRef::ParseDataType(nullptr), 0);
    EXPECT_STREQ(KScnPropertyRef::GetDataTypeName(6), "Enum");
    EXPECT_EQ(KScnPropertyRef::GetDataTypeName(7), nullptr);
    EXPECT_EQ(KScnPropertyRef::GetDataTypeName(-1), nullptr);

    KScnFree<KScnPropertyRef> ref(nullptr, "speed", "Real", "");
    EXPECT_EQ(ref.GetPropertyDataType(), 2);
    EXPECT_STREQ(ref.GetLabel(), "");
    EXPECT_STREQ(ref.GetLabel(true), "speed");
    EXPECT_TRUE(std::isinf(ref.GetMinLimit()) && ref.GetMinLimit() < 0);
    ref.SetMaxLimit(5.0);
    EXPECT_EQ(ref.GetRecord()->mMaximum, 5.0);
    ref.SetFlag(1 | 4, true);
    EXPECT_TRUE(ref.GetFlag(4));
    EXPECT_FALSE(ref.GetFlag(2));
    ref.SetFlag(4, false);
    EXPECT_EQ(ref.GetRecord()->mFlags, 1u);

    bool flag = true;
    double value = 7.0;
    ref.GetBool(flag);
    ref.GetDouble(value);
    EXPECT_TRUE(flag) << "no property: output untouched";
    EXPECT_EQ(value, 7.0);
    ref.SetDouble(3.0); // nothing to write, no crash

    KScnFree<KScnPropertyRef> empty(nullptr, static_cast<KProperty*>(nullptr));
    EXPECT_EQ(empty.GetPropertyDataType(), 0);
    EXPECT_STREQ(empty.GetName(), "");
    EXPECT_FALSE(empty.GetFlag(1));
}

TEST(KScnPropertyRef, KernelPropertyValuesAndTypes)
{
    SetHolder h;
    PlainSet& s = *h.set;
    KScnFree<KScnPropertyRef> flag(nullptr, &s.Flag), number(nullptr, &s.Number), vec(nullptr, &s.Vec),
        rgb(nullptr, &s.Rgb), rgba(nullptr, &s.Rgba), count(nullptr, &s.Count);
    EXPECT_EQ(flag.GetPropertyDataType(), 1);
    EXPECT_EQ(number.GetPropertyDataType(), 2);
    EXPECT_EQ(rgb.GetPropertyDataType(), 3);
    EXPECT_EQ(rgba.GetPropertyDataType(), 3);
    EXPECT_EQ(count.GetPropertyDataType(), 4);
    EXPECT_EQ(vec.GetPropertyDataType(), 5);
    EXPECT_STREQ(vec.GetName(), "Vec");
    EXPECT_TRUE(vec.IsSameProperty(&s.Vec));
    EXPECT_FALSE(vec.IsSameProperty(nullptr));

    flag.SetHandler(&s);
    flag.SetBool(true);
    bool b = false;
    flag.GetBool(b);
    EXPECT_TRUE(b);
    EXPECT_EQ(s.mPushes, 1) << "the handler hears the change";

    number.SetDouble(2.5);
    double d = 0.0;
    number.GetDouble(d);
    EXPECT_EQ(d, 2.5);
    count.SetInteger(42);
    EXPECT_EQ(s.Count.GetValue(), 42);
    // An enumeration without names takes any number, one with names only theirs.
    s.Count.SetTypeCode(eKPropEnum);
    EXPECT_TRUE(count.SetInteger(7));
    s.Count.SetEnumNameFunction([](int v) -> const char* { return v == 0 ? "Zero" : nullptr; });
    EXPECT_FALSE(count.SetInteger(42));
    EXPECT_EQ(s.Count.GetValue(), 7);

    vec.SetVector(1.0, 2.0, 3.0);
    double x = 0, y = 0, z = 0;
    vec.GetVector(x, y, z);
    EXPECT_EQ(x, 1.0);
    EXPECT_EQ(z, 3.0);
    EXPECT_EQ(s.Vec.GetValue()[3], 1.0);
    double r = -1, g = -1, bl = -1;
    vec.GetColor(r, g, bl);
    EXPECT_EQ(r, -1.0) << "a vector is not a colour";
    vec.SetColor(0.1, 0.1, 0.1);
    EXPECT_EQ(s.Vec.GetValue()[0], 1.0);

    rgb.SetVector(2.0, 0.5, -1.0);
    rgb.GetColor(r, g, bl);
    EXPECT_EQ(r, 1.0);
    EXPECT_EQ(g, 0.5);
    EXPECT_EQ(bl, 0.0);
    rgba.SetColor(0.25, 0.5, 0.75);
    EXPECT_EQ(s.Rgba.GetValue()[3], 1.0);
    rgba.GetVector(x, y, z);
    EXPECT_EQ(z, 0.75);
}

TEST(KScnPropertyRef, FlagsMapToAttributeBits)
{
    SetHolder h;
    KScnFree<KScnPropertyRef> ref(nullptr, &h.set->Number);
    ref.SetFlag(1 | 2, true);
    EXPECT_EQ(h.set->Number.GetAttributes().flags & (2u | 64u | 128u), 66u);
    EXPECT_TRUE(ref.GetFlag(1));
    EXPECT_TRUE(ref.GetFlag(2));
    EXPECT_FALSE(ref.GetFlag(4));
    EXPECT_FALSE(ref.GetFlag(8));
    ref.SetFlag(4, true);
    ref.SetFlag(2, false);
    EXPECT_EQ(h.set->Number.GetAttributes().flags & (2u | 64u | 128u), 130u);
    ref.SetMinLimit(-3.0);
    EXPECT_EQ(h.set->Number.GetMin(), -3.0);
}
