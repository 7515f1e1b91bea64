// Duties between the take and channel classes, one rule per row: every
// writer of a channel's keys or values empties the channel's evaluation
// cache (and those above it); a user property listed without its property
// gets one from the handler, and its removal takes the property out of the
// set; the fourth component of a property's channel is "toto", read from
// files that name it "W" too; the time shift filter starts with a span of
// 0 to 0.

#include "KFCurveNodeTestSupport.h"

#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"
#include "scenesdk/animation/KFCurveFilterKeySync.h"
#include "scenesdk/animation/KFCurveFilterTimeShiftAndScale.h"
#include "scenesdk/animation/KFCurveFilterUnroll.h"
#include "scenesdk/animation/KFCurveMerge.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tools/scnwriter/CScnWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace scenesdk;
using namespace channeltest;

namespace
{

// A node whose default take holds T keyed on X (1 at 0 s, 11 at 1 s) and R
// keyed on X (10 at 0 s, 370 at 1 s, an Euler rotation), the caches of T,
// R and their curves filled at 0.5 s.
struct SWritten
{
    KScnSdkManager manager;
    KScnNode* node = manager.CreateNode("n");
    KScnTakeNodeEntry* take = node->GetDefaultTakeNode();
    KFCurveNode* root = take->GetRootCurveNode();
    KFCurveNode* t = root->FindDescendant("Transform/T");
    KFCurveNode* r = root->FindDescendant("Transform/R");
    KFCurveNode* visibility = root->FindDescendant("Transform/Visibility");

    SWritten()
    {
        t->GetChildAt(0)->GetFCurve()->SetKey(0, Sec(0), 1.0f, KFCURVE_INTERPOLATION_LINEAR);
        t->GetChildAt(0)->GetFCurve()->SetKey(1, Sec(1), 11.0f, KFCURVE_INTERPOLATION_LINEAR);
        r->SetLayerType(eKFCurveNodeLayerEulerRotation);
        r->GetChildAt(0)->GetFCurve()->SetKey(0, Sec(0), 10.0f, KFCURVE_INTERPOLATION_LINEAR);
        r->GetChildAt(0)->GetFCurve()->SetKey(1, Sec(1), 370.0f, KFCURVE_INTERPOLATION_LINEAR);
        Fill();
    }
    void Fill()
    {
        double values[3];
        t->EvaluateCached(values, Sec(0.5));
        r->EvaluateCached(values, Sec(0.5));
        visibility->EvaluateCached(values, Sec(0.5));
    }
};

struct SWriter
{
    const char* writer;
    std::function<void(SWritten&)> write;
    const char* channel; // below the take's root
};

TEST(ChannelWriters, EveryWriterEmptiesTheCachesOfTheChannelItWrote)
{
    const SWriter rows[] = {
        {"a property write pushed to the take", [](SWritten& w) { w.node->SetLocalTranslation(7, 8, 9); },
         "Transform/T"},
        {"a one-value property write pushed to the take",
         [](SWritten& w) { w.node->FindUserPropertyByName("Visibility")->SetDouble(0.0); }, "Transform/Visibility"},
        {"SetDefaultValues",
         [](SWritten& w)
         {
             const double v[3] = {4, 5, 6};
             w.t->SetDefaultValues(v);
         },
         "Transform/T"},
        {"AppendKeys",
         [](SWritten& w)
         {
             const double v[3] = {4, 5, 6};
             w.t->AppendKeys(Sec(2), v, false);
         },
         "Transform/T"},
        {"ReplaceKeysInSpan",
         [](SWritten& w)
         {
             std::unique_ptr<KFCurveNode> source(w.t->Clone(false));
             source->GetChildAt(0)->GetFCurve()->SetKeyValue(1, 31.0f);
             w.t->ReplaceKeysInSpan(*source, Sec(0), Sec(1));
         },
         "Transform/T"},
        {"a take's writable curve getter",
         [](SWritten& w) { w.take->GetTranslationYCurve()->SetDefaultValue(42.0f); }, "Transform/T"},
        {"the push of every property",
         [](SWritten& w)
         {
             w.t->GetChildAt(2)->GetFCurve()->SetDefaultValue(-1.0f); // then pushed over
             w.node->PushAllPropertiesToDefaultTake();
         },
         "Transform/T"},
        {"the time shift filter",
         [](SWritten& w)
         {
             KFCurveFilterTimeShiftAndScale filter;
             filter.SetShift(Sec(0.5));
             filter.ApplyToNode(*w.t, true);
         },
         "Transform/T"},
        {"the constant key reducer",
         [](SWritten& w) { KFCurveFilterConstantKeyReducer().ApplyToNode(*w.t, true); }, "Transform/T"},
        {"the key synchronisation", [](SWritten& w) { KFCurveFilterKeySync().ApplyToNode(*w.t, true); },
         "Transform/T"},
        {"the unroll filter", [](SWritten& w) { KFCurveFilterUnroll().ApplyToNode(*w.r, true); },
         "Transform/R"},
        {"the unroll filter on keys at the same times",
         [](SWritten& w)
         {
             for (int c = 1; c < 3; ++c)
                 for (int k = 0; k < 2; ++k)
                     w.r->GetChildAt(c)->GetFCurve()->SetKey(k, Sec(k), 0.0f, KFCURVE_INTERPOLATION_LINEAR);
             KFCurveFilterUnroll().ApplyToNode(*w.r, true);
         },
         "Transform/R"},
        {"the layer merge",
         [](SWritten& w)
         {
             w.t->SetFlags(KFCURVENODE_FLAG_LAYERED, true);
             w.t->CreateLayer(1, true)->GetChildAt(1)->GetFCurve()->SetDefaultValue(5.0f);
             w.Fill();
             MergeLayers(w.t, nullptr, 0, nullptr, 0, KFCURVE_MERGE_INTO_TARGET, Sec(0), Sec(1), Sec(0.25));
         },
         "Transform/T"},
    };
    for (const SWriter& row : rows)
    {
        SCOPED_TRACE(row.writer);
        SWritten w;
        KFCurveNode* channel = w.root->FindDescendant(row.channel);
        ASSERT_TRUE(channel->IsCacheValid());
        row.write(w);
        EXPECT_FALSE(channel->IsCacheValid());
        double cached[3] = {0, 0, 0}, plain[3] = {0, 0, 0}; // a one-value channel writes only the first
        channel->EvaluateCached(cached, Sec(0.5));
        channel->Evaluate(plain, Sec(0.5));
        for (int i = 0; i < 3; ++i)
            EXPECT_DOUBLE_EQ(cached[i], plain[i]) << "value " << i;
    }
}

// The handler's properties and the takes' channels of a user property
// record listed on a node (AddUserProperty), then removed
// (OnUserPropertyRemoved).
TEST(ChannelWriters, AUserPropertyListedWithoutItsPropertyGetsOneFromTheHandler)
{
    const struct
    {
        const char* type;
        uint32_t flags;
        bool made;     // a property is in the set, the record stands for it
        int channels;  // takes with its channel
        int children;  // of the default take's channel
    } rows[] = {
        {"Real", KScnPropertyRef::kFlagAnimatable, true, 2, 0},
        {"Vector", KScnPropertyRef::kFlagAnimatable, true, 2, 3},
        {"Real", 0, true, 0, 0},
        {"Matrix", KScnPropertyRef::kFlagAnimatable, false, 0, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << row.type << " flags " << row.flags);
        KScnSdkManager manager;
        KScnNode* node = manager.CreateNode("n");
        node->AddTakeNode("Run");
        KScnPropertyHandler* set = node->GetPropertyHandler();
        KScnPropertyRef* ref = manager.CreateUserProperty("Speed", row.type, "");
        ref->SetFlag(row.flags, true);
        node->AddUserProperty(ref);
        KProperty* made = ref->GetProperty();
        EXPECT_EQ(made != nullptr, row.made);
        EXPECT_EQ(set->FindProperty("Speed"), made);
        int channels = 0;
        for (int i = 0; i < node->GetTakeNodeCount(); ++i)
            channels += node->GetTakeNode(i)->GetRootCurveNode()->FindDescendant("Speed") != nullptr;
        EXPECT_EQ(channels, row.channels);
        if (row.channels > 0)
        {
            EXPECT_EQ(node->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Speed")->GetChildCount(),
                      row.children);
        }
        EXPECT_EQ(node->CreatePropertyForRef(ref), nullptr) << "the record has its property, or none can be had";

        node->OnUserPropertyRemoved(ref);
        EXPECT_EQ(ref->GetProperty(), nullptr) << "the handler removed the property";
        EXPECT_EQ(set->FindProperty("Speed"), nullptr);
        EXPECT_EQ(node->FindUserPropertyByName("Speed"), ref) << "the record stays listed";
        for (int i = 0; i < node->GetTakeNodeCount(); ++i)
            EXPECT_EQ(node->GetTakeNode(i)->GetRootCurveNode()->FindDescendant("Speed"), nullptr);
    }
}

// The channels of the property go from every take; the property stays in
// its set (the handler removes only the properties it made for records
// defined by name and type; the node's own "Visibility" is made by its set).
// With no take added, the default take's tree waits: built later, it must not hold the channel again.
TEST(ChannelWriters, RemovingTheHandleOfADeclaredPropertyLeavesThePropertyInItsSet)
{
    for (const auto& [name, takeAdded] : {std::pair{"Show", true}, {"Visibility", true}, {"Visibility", false}})
    {
        SCOPED_TRACE(::testing::Message() << name << (takeAdded ? ", a take added" : ", the tree waiting"));
        KScnSdkManager manager;
        KScnNode* node = manager.CreateNode("n");
        if (takeAdded)
            node->AddTakeNode("Run");
        KScnPropertyHandler* set = node->GetPropertyHandler();
        KProperty* declared = set->FindProperty(name);
        KScnPropertyRef* ref = node->FindUserProperty(declared);
        ASSERT_NE(ref, nullptr);
        ASSERT_EQ(node->GetDefaultTakeNode()->IsBuildDeferred(), !takeAdded);
        node->OnUserPropertyRemoved(ref);
        EXPECT_EQ(set->FindProperty(name), declared);
        EXPECT_EQ(ref->GetProperty(), declared);
        for (int i = 0; i < node->GetTakeNodeCount(); ++i)
            EXPECT_EQ(node->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(name), nullptr) << i;
    }
}

// A file's "W" fills the fourth component "toto" of a property's channel,
// and "toto" the "W" of a quaternion channel; a name of neither is made.
TEST(ChannelWriters, TheFourthComponentIsTotoAndReadFromEitherName)
{
    const struct
    {
        const char* existing; // the fourth child of the channel
        const char* file;     // the name the file gives
        int children;         // after the read
        double fourth;        // the fourth child's default
    } rows[] = {
        {"toto", "W", 4, 7},
        {"toto", "toto", 4, 7},
        {"W", "toto", 4, 7},
        {"toto", "V", 5, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.existing) + " read as " + row.file);
        std::unique_ptr<KFCurveNode> root(new KFCurveNode("Defaults", "Defaults", nullptr));
        KFCurveNode* channel = Triple("Orient", 0, 0, 0);
        channel->AddChild(Leaf(row.existing, 0));
        root->AddChild(channel);
        CScnWriter w(CScnWriter::eText, 6000);
        w.WriteHeader("toto");
        w.BeginField("Channel");
        w.AddString("Orient");
        w.BeginBlock();
        w.BeginField("Channel");
        w.AddString(row.file);
        w.BeginBlock();
        w.DoubleField("Default", 7);
        w.EndBlock();
        w.EndField();
        w.EndBlock();
        w.EndField();
        std::string bytes;
        ASSERT_TRUE(w.Finish(bytes));
        KScn scn;
        ASSERT_TRUE(scn.OpenMemory(bytes.data(), bytes.size()));
        while (KFCurveNode::ReadScnChannels(scn, root.get(), false, true, false) != nullptr)
        {
        }
        EXPECT_EQ(channel->GetChildCount(), row.children);
        EXPECT_FLOAT_EQ(channel->GetChildAt(3)->GetFCurve()->GetDefaultValue(), static_cast<float>(row.fourth));
    }

    // Made for a four-component property.
    KScnSdkManager manager;
    KScnNode* node = manager.CreateNode("n");
    KProperty* rgba = node->GetPropertyHandler()->CreateDynamicProperty("Orient", eKPropColorRGBA, nullptr, true);
    node->CreatePropertyChannels(rgba, node->AddTakeNode("Run"));
    const KFCurveNode* made = node->GetTakeNode(1)->GetRootCurveNode()->FindDescendant("Orient");
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(made->GetChildCount(), 4);
    EXPECT_STREQ(made->GetChildAt(3)->GetName(), "toto");
}

TEST(ChannelWriters, TheTimeShiftFilterStartsWithoutASpan)
{
    KFCurveFilterTimeShiftAndScale filter;
    EXPECT_EQ(filter.GetStartTime().Get(), 0);
    EXPECT_EQ(filter.GetStopTime().Get(), 0);
    filter.SetShift(Sec(1));
    filter.SetScale(2.0);
    filter.Reset();
    EXPECT_EQ(filter.GetStartTime().Get(), KTime::kMinusInfinite);
    EXPECT_EQ(filter.GetStopTime().Get(), KTime::kInfinite);
    EXPECT_EQ(filter.GetShift().Get(), Sec(1).Get()) << "the reset keeps shift and scale";
    EXPECT_EQ(filter.GetScale(), 2.0);
}

} // namespace
