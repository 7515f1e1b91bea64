// User properties made from, and removed through, their records on the
// property set of a node and of a material.

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

using namespace scenesdk;

namespace
{

// Counts the events 31 of properties that carry state bit 8 at the time.
void CountMarkedFlagEvents(void* user, const KEventPath*, int code, KPlug* emitter, const void*, const void*,
                           const void*)
{
    if (code == KPlug::eFlagsChanged && emitter != nullptr && emitter->IsA(KProperty::ClassId) &&
        static_cast<KProperty*>(emitter)->TestStateFlags(KProperty::kStateAnimatableUser))
    {
        ++*static_cast<int*>(user);
    }
}

// How many of the object's takes have a channel of the name.
int Channels(KScnTakeNodeContainer* object, const char* name)
{
    int count = 0;
    for (int take = 0; take < object->GetTakeNodeCount(); ++take)
        count += object->GetTakeNode(take)->GetRootCurveNode()->FindDescendant(name) != nullptr;
    return count;
}

class PropertyRefs : public ::testing::Test
{
protected:
    KScnTakeNodeContainer* Object(bool material)
    {
        KScnTakeNodeContainer* object =
            material ? static_cast<KScnTakeNodeContainer*>(mManager.CreateMaterial("M"))
                     : mManager.CreateNode("N");
        object->AddTakeNode("Take 1");
        return object;
    }
    KScnSdkManager mManager;
};

TEST_F(PropertyRefs, CreateFollowsTheRecordsFlagsLabelAndListing)
{
    const struct
    {
        bool material;
        bool listed; // listed as a user property (the object asks the set), else the set asked
        uint32_t flags;
        const char* label;
        const char* type;
        bool made;
        const char* wantLabel;
        bool animated; // attribute flag 2, state bit 8 and its event 31
        bool channels; // a channel in each take
    } rows[] = {
        {false, false, 1, "Top speed", "Real", true, "Top speed", true, false},
        {false, true, 1, "", "Real", true, "Speed", true, true},
        {true, true, 1, "Gloss", "Integer", true, "Gloss", true, true},
        {false, true, 0, "", "Bool", true, "Speed", false, false},
        {true, false, 0, "", "Vector", true, "Speed", false, false},
        {false, true, 1, "", "Matrix", false, "", false, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << (row.material ? "material " : "node ") << row.type << " flags "
                                          << row.flags << (row.listed ? " listed" : ""));
        KScnTakeNodeContainer* object = Object(row.material);
        KScnPropertyHandler* set = object->GetPropertyHandler();
        int marked = 0;
        set->AddCallback(&marked, nullptr, &CountMarkedFlagEvents, nullptr);
        KScnPropertyRef* ref = mManager.CreateUserProperty("Speed", row.type, row.label);
        ref->SetFlag(row.flags, true);
        const int count = set->GetPropertyCount();
        if (row.listed)
            object->AddUserProperty(ref);
        else
            ASSERT_EQ(set->CreatePropertyForRef(ref), row.made);
        set->RemoveCallback(&marked);
        KProperty* made = ref->GetProperty();
        ASSERT_EQ(made != nullptr, row.made);
        EXPECT_EQ(set->GetPropertyCount(), count + (row.made ? 1 : 0));
        if (made == nullptr)
            continue;
        EXPECT_EQ(set->FindProperty("Speed"), made);
        EXPECT_EQ(ref->GetHandler(), set);
        EXPECT_STREQ(made->GetLabel(), row.wantLabel);
        EXPECT_EQ(made->IsAnimatable(), row.animated);
        EXPECT_EQ(made->TestStateFlags(KProperty::kStateAnimatableUser), row.animated);
        EXPECT_EQ(marked > 0, row.animated) << "event 31 with state bit 8";
        EXPECT_EQ(Channels(object, "Speed"), row.channels ? 2 : 0);

        EXPECT_FALSE(set->CreatePropertyForRef(ref)) << "a record that has its property";
        EXPECT_EQ(ref->GetProperty(), made);
        EXPECT_EQ(set->GetPropertyCount(), count + 1);
    }
    EXPECT_FALSE(Object(false)->GetPropertyHandler()->CreatePropertyForRef(nullptr));
}

TEST_F(PropertyRefs, RemoveAnswersByTheRecordsPropertyNotItsListing)
{
    enum EHas
    {
        eNone,     // the record has no property
        eOwn,      // a property made for the record
        eDeclared, // the record stands for a declared property of the set
    };
    const struct
    {
        bool listed;
        EHas has;
        bool removed;
    } rows[] = {
        {true, eNone, false}, {false, eNone, false},     {false, eOwn, true},
        {true, eOwn, true},   {false, eDeclared, false}, {true, eDeclared, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << "has " << row.has << (row.listed ? " listed" : ""));
        KScnTakeNodeContainer* object = Object(false);
        KScnPropertyHandler* set = object->GetPropertyHandler();
        // A record of an unknown type stays without a property when listed.
        KScnPropertyRef* ref = row.has == eDeclared
                                   ? mManager.CreateUserPropertyFromProperty(set->FindProperty("Show"))
                                   : mManager.CreateUserProperty("Speed", row.has == eNone ? "Matrix" : "Real", "");
        ref->SetFlag(KScnPropertyRef::kFlagAnimatable, true);
        if (row.has == eOwn)
        {
            ASSERT_TRUE(set->CreatePropertyForRef(ref));
        }
        if (row.listed)
            object->AddUserProperty(ref);
        KProperty* before = ref->GetProperty();
        const int count = set->GetPropertyCount();
        const int users = object->GetUserPropertyCount();
        EXPECT_EQ(set->RemovePropertyForRef(ref), row.removed);
        EXPECT_EQ(set->GetPropertyCount(), count - (row.removed ? 1 : 0));
        EXPECT_EQ(ref->GetProperty(), row.removed ? nullptr : before);
        // The record stays listed: only its property goes.
        EXPECT_EQ(object->GetUserPropertyCount(), users);
        bool listed = false;
        for (int i = 0; i < object->GetUserPropertyCount(); ++i)
            listed = listed || object->GetUserProperty(i) == ref;
        EXPECT_EQ(listed, row.listed);
        if (row.has == eOwn)
        {
            EXPECT_EQ(set->FindProperty("Speed"), nullptr);
            EXPECT_EQ(Channels(object, "Speed"), 0);
        }
    }
    EXPECT_FALSE(Object(false)->GetPropertyHandler()->RemovePropertyForRef(nullptr));
}

} // namespace
