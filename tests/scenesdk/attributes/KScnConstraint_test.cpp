#include "scenesdk/attributes/KScnConstraint.h"

#include "scenesdk/attributes/KScnConstraintAim.h"
#include "scenesdk/attributes/KScnConstraintParent.h"
#include "scenesdk/attributes/KScnConstraintPosition.h"
#include "scenesdk/attributes/KScnConstraintRotation.h"
#include "scenesdk/attributes/KScnConstraintScale.h"
#include "scenesdk/attributes/KScnConstraintSingleChainIK.h"
#include "scenesdk/kernel/KClassIdRecord.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/attributes/ConstraintTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace scenesdk;
using namespace constrainttest;

namespace
{

struct KindRow
{
    int kind;
    const char* typeName;
    const char* setClass;
    const char* constrainedList;
    const char* sourceList;
};

const KindRow kKinds[] = {
    {1, "Position From Positions", "KScnConstraintPositionProperties", "Constrained Object", "Source"},
    {2, "Rotation From Rotations", "KScnConstraintRotationProperties", "Constrained Object", "Source"},
    {3, "Scale From Scales", "KScnConstraintScaleProperties", "Constrained Object", "Source"},
    {4, "Parent-Child", "KScnConstraintParentProperties", "Constrained object (Child)", "Source (Parent)"},
    {5, "Single Chain IK", "KScnConstraintSingleChainIKProperties", "First Joint", "Pole Vector Object"},
    {6, "Aim", "KScnConstraintAimProperties", "Constrained Object", "Aim At Object"},
};

KScnConstraint::FreePtr Make(int kind, const char* name = "c")
{
    return KScnConstraint::Create(nullptr, kind, name);
}

int FilterTag(KObject* set, const char* name, int* classId)
{
    auto* list = dynamic_cast<KPropertyObjectList*>(set->FindProperty(name));
    EXPECT_NE(list, nullptr) << name;
    int tag = 0;
    if (list != nullptr)
    {
        list->GetFilter(&tag, classId);
    }
    return tag;
}

TEST(Constraint, FactoryMakesEachKindWithItsNameTypeAndClass)
{
    for (const KindRow& row : kKinds)
    {
        auto c = Make(row.kind, "Model::arm");
        ASSERT_NE(c, nullptr) << row.kind;
        EXPECT_EQ(c->GetConstraintKind(), row.kind);
        EXPECT_EQ(c->GetObjectKind(), KScnObject::eKindConstraint);
        EXPECT_EQ(c->GetTypeName(), row.typeName);
        EXPECT_STREQ(c->GetName(), "Constraint::arm");
        KScnConstraintProperty* set = c->GetConstraintProperties();
        ASSERT_EQ(c->GetPropertyHandler(), set);
        EXPECT_STREQ(set->GetClassName(), row.setClass);
        EXPECT_STREQ(set->GetName(), "Constraint::arm") << "the set carries the constraint's name";
        EXPECT_EQ(set->GetClassId(), KScnConstraintProperty::GetClassIdOfKind(row.kind));
        EXPECT_TRUE(set->IsA(KScnConstraintProperty::ClassId));
        EXPECT_TRUE(set->IsA(KScnPropertyHandler::ClassId));
        EXPECT_TRUE(set->IsA(KObject::ClassId));
        EXPECT_EQ(set->GetOwner(), c.get());
        KStringList names = c->GetTypeNameList();
        ASSERT_EQ(names.GetCount(), 1);
        EXPECT_STREQ(names.GetStringAt(0), "");
    }
    EXPECT_EQ(Make(0), nullptr);
    EXPECT_EQ(Make(7), nullptr) << "the character is made elsewhere";
    EXPECT_EQ(Make(-1), nullptr);
}

TEST(Constraint, ClassIdOfKindCoversOneToSevenOnly)
{
    EXPECT_EQ(KScnConstraintProperty::GetClassIdOfKind(0), -1);
    EXPECT_EQ(KScnConstraintProperty::GetClassIdOfKind(8), -1);
    EXPECT_EQ(KScnConstraintProperty::GetClassIdOfKind(-3), -1);
    KClassIdRecord* character = KClassIdRecord::FindByName("KScnCharacterProperties");
    ASSERT_NE(character, nullptr);
    EXPECT_EQ(KScnConstraintProperty::GetClassIdOfKind(7), character->GetNumber());
    EXPECT_EQ(KScnConstraintProperty::GetClassIdOfKind(6), KScnConstraintAimProperties::ClassId);
    EXPECT_EQ(KScnConstraintProperty::GetClassIdOfKind(1), KScnConstraintPositionProperties::ClassId);
    EXPECT_STREQ(KClassIdRecord::ForNumber(KScnConstraintProperty::ClassId)->parent->name,
                 "KScnPropertyHandler");
}

TEST(Constraint, ObjectListsCarryTheirFilterTagsAndFinalNames)
{
    for (const KindRow& row : kKinds)
    {
        auto c = Make(row.kind);
        KScnConstraintProperty* set = c->GetConstraintProperties();
        int classId = 0;
        EXPECT_EQ(FilterTag(set, row.constrainedList, &classId), 1) << row.kind;
        EXPECT_EQ(classId, -1);
        classId = 0;
        EXPECT_EQ(FilterTag(set, row.sourceList, &classId), -1) << row.kind;
        EXPECT_EQ(classId, -1);
        EXPECT_EQ(set->FindProperty(row.constrainedList)->GetTypeCode(), eKPropObject);
        EXPECT_EQ(set->FindProperty("ConstrainedObject"), nullptr) << "binding names are gone";
        EXPECT_EQ(set->FindProperty("Destination"), nullptr);
        EXPECT_EQ(set->FindProperty("Source") != nullptr, row.kind <= 3);
    }
}

TEST(Constraint, ConstrainedListsHoldDestinationsAndSourceListsSources)
{
    Objects objs;
    auto c = Make(1);
    auto* props = static_cast<KScnConstraintPosition*>(c.get())->GetProperties();
    EXPECT_EQ(props->Destination.GetPlugFlags() & 7u, KPlug::kAcceptsDst);
    EXPECT_EQ(props->Source.GetPlugFlags() & 7u, KPlug::kAcceptsSrc);

    KObject* node = objs.Make();
    KObject* a = objs.Make();
    KObject* b = objs.Make();
    ASSERT_TRUE(props->Destination.Add(node));
    ASSERT_TRUE(props->Source.Add(a));
    ASSERT_TRUE(props->Source.Add(b));
    ASSERT_TRUE(props->Source.Add(objs.Make())) << "the tag does not limit a list";
    EXPECT_EQ(props->Destination.GetCount(), 1);
    EXPECT_EQ(props->Destination.GetDstCount(), 1);
    EXPECT_EQ(props->Destination.GetAt(0), node);
    EXPECT_EQ(props->Source.GetCount(), 3);
    EXPECT_EQ(props->Source.GetSrcCount(), 3);
    EXPECT_EQ(props->Source.GetAt(1), b);
    EXPECT_TRUE(props->Source.SetAt(1, a) || props->Source.GetAt(1) == a);
    EXPECT_EQ(props->Source.GetAt(5), nullptr);

    c->DisconnectAll();
    EXPECT_EQ(props->Source.GetCount(), 0);
    EXPECT_EQ(props->Destination.GetCount(), 0);
}

TEST(Constraint, DestroyingAConstraintWithConnectionsIsClean)
{
    Objects objs;
    KObject* node = objs.Make();
    {
        auto c = Make(6);
        auto* props = static_cast<KScnConstraintAim*>(c.get())->GetProperties();
        props->ConstrainedObject.Add(node);
        props->AimAtObjects.Add(objs.Make());
        c->AddTakeNode("Walk");
    }
    EXPECT_EQ(node->GetSrcCount() + node->GetDstCount(), 0);
}

TEST(Constraint, AListedObjectDestroyedFirstLeavesItsList)
{
    auto c = Make(4);
    auto* props = static_cast<KScnConstraintParent*>(c.get())->GetProperties();
    auto* parent = new KObject;
    auto* child = new KObject;
    props->Source.Add(parent);
    props->Destination.Add(child);
    parent->Destroy();
    child->Destroy();
    EXPECT_EQ(props->Source.GetCount(), 0);
    EXPECT_EQ(props->Destination.GetCount(), 0);
    EXPECT_EQ(props->Source.GetAt(0), nullptr);
}

TEST(Constraint, ANewConstraintHasOneTakeWithChannelsForAnimatableValuesOnly)
{
    const std::vector<std::vector<std::string>> channels = {
        {"Translation", "Weight"},
        {"Rotation", "Weight"},
        {"Scaling", "Weight"},
        {"Weight"},
        {"PoleVector", "Twist", "Weight"},
        {"WorldUpVector", "UpVector", "AimVector", "RotationOffset", "Weight"},
    };
    for (const KindRow& row : kKinds)
    {
        auto c = Make(row.kind);
        ASSERT_EQ(c->GetTakeNodeCount(), 1);
        EXPECT_STREQ(c->GetTakeNodeName(0), "Default");
        EXPECT_EQ(ChannelNames(c->GetTakeNode(0)), channels[row.kind - 1]) << row.kind;
        KFCurve* weight = ChannelCurve(c->GetTakeNode(0), "Weight");
        ASSERT_NE(weight, nullptr);
        EXPECT_FLOAT_EQ(weight->GetDefaultValue(), 100.0f);
        // Every property of the set is a user property of the constraint.
        KScnConstraintProperty* set = c->GetConstraintProperties();
        EXPECT_EQ(c->GetUserPropertyCount(), set->GetPropertyCount());
        for (int i = 0; i < set->GetPropertyCount(); ++i)
        {
            EXPECT_NE(c->FindUserProperty(set->GetProperty(i)), nullptr);
        }
    }
}

TEST(Constraint, SharedSwitchesAndWeightDefaults)
{
    for (const KindRow& row : kKinds)
    {
        auto c = Make(row.kind);
        KScnConstraintProperty* set = c->GetConstraintProperties();
        for (const char* name : {"Active", "Lock"})
        {
            KProperty* p = set->FindProperty(name);
            ASSERT_NE(p, nullptr) << name;
            EXPECT_EQ(p->GetTypeCode(), eKPropBool);
            EXPECT_EQ(p->GetInt(), 0);
            EXPECT_FALSE(p->IsAnimatable());
        }
        KProperty* weight = set->FindProperty("Weight");
        ASSERT_NE(weight, nullptr);
        EXPECT_STREQ(weight->GetDataType()->GetName(), "Weight");
        EXPECT_DOUBLE_EQ(weight->GetDouble(), 100.0);
        EXPECT_TRUE(weight->IsAnimatable());
        EXPECT_TRUE(weight->TestStateFlags(8));
        EXPECT_EQ(set->GetProperty(0), set->FindProperty("Active")) << "Active is bound first";
        EXPECT_EQ(set->GetProperty(1), set->FindProperty("Lock"));
        EXPECT_EQ(set->GetProperty(set->GetPropertyCount() - 1), weight) << "Weight is made last";
    }
}

TEST(Constraint, OffsetsReachThePropertyAndTheDefaultTake)
{
    auto c = Make(3);
    c->AddTakeNode("Walk");
    c->SelectTakeNodeByName("Walk");
    c->SetOffset(KgeTVector(2, 2, 2, 0));
    KProperty* scaling = c->GetConstraintProperties()->FindProperty("Scaling");
    EXPECT_EQ(ValueOf(scaling), (std::vector<double>{2, 2, 2, 1}));
    for (int take : {0, 1})
    {
        for (const char* axis : {"Scaling/X", "Scaling/Y", "Scaling/Z"})
        {
            KFCurve* curve = ChannelCurve(c->GetTakeNode(take), axis);
            ASSERT_NE(curve, nullptr) << axis;
            EXPECT_FLOAT_EQ(curve->GetDefaultValue(), 2.0f) << take << axis;
        }
    }

    auto p = Make(1);
    p->SetOffset(KgeTVector(1, -2, 3, 9));
    EXPECT_EQ(ValueOf(p->GetConstraintProperties()->FindProperty("Translation")),
              (std::vector<double>{1, -2, 3, 1}));
    EXPECT_FLOAT_EQ(ChannelCurve(p->GetTakeNode(0), "Translation/Y")->GetDefaultValue(), -2.0f);
    auto r = Make(2);
    r->SetOffset(KgeTVector(90, 0, 45));
    EXPECT_EQ(ValueOf(r->GetConstraintProperties()->FindProperty("Rotation")),
              (std::vector<double>{90, 0, 45, 1}));
}

TEST(Constraint, AnOffsetPropertyThatIsNoUserPropertyKeepsTheTakesAlone)
{
    auto c = Make(1);
    KProperty* translation = c->GetConstraintProperties()->FindProperty("Translation");
    KScnPropertyRef* ref = c->FindUserProperty(translation);
    ASSERT_NE(ref, nullptr);
    ASSERT_TRUE(c->RemoveUserProperty(ref));
    c->SetOffset(KgeTVector(5, 6, 7));
    EXPECT_EQ(ValueOf(translation), (std::vector<double>{5, 6, 7, 1}));
    KFCurve* x = ChannelCurve(c->GetTakeNode(0), "Translation/X");
    ASSERT_NE(x, nullptr);
    EXPECT_FLOAT_EQ(x->GetDefaultValue(), 0.0f);
    c->AddUserProperty(ref); // given back so the container frees it
}

TEST(Constraint, KindsWithoutAnOffsetIgnoreSetOffset)
{
    for (int kind : {4, 5})
    {
        auto c = Make(kind);
        KScnConstraintProperty* set = c->GetConstraintProperties();
        std::vector<std::vector<double>> before;
        for (int i = 0; i < set->GetPropertyCount(); ++i)
        {
            if (set->GetProperty(i)->IsScalar() || set->GetProperty(i)->IsVector())
            {
                before.push_back(ValueOf(set->GetProperty(i)));
            }
        }
        const int count = set->GetPropertyCount();
        c->SetOffset(KgeTVector(10, 20, 30));
        EXPECT_EQ(set->GetPropertyCount(), count);
        std::vector<std::vector<double>> after;
        for (int i = 0; i < set->GetPropertyCount(); ++i)
        {
            if (set->GetProperty(i)->IsScalar() || set->GetProperty(i)->IsVector())
            {
                after.push_back(ValueOf(set->GetProperty(i)));
            }
        }
        EXPECT_EQ(before, after) << kind;
    }
}

TEST(Constraint, AManagerMakesTheUserPropertyHandles)
{
    KScnSdkManager manager;
    const int before = manager.GetUserPropertyCount();
    const KScnConstraint::FreePtr c = KScnConstraint::Create(&manager, 4, "hand");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(manager.GetUserPropertyCount() - before, c->GetConstraintProperties()->GetPropertyCount());
    EXPECT_EQ(c->GetSdkManager(), &manager);
}

} // namespace
