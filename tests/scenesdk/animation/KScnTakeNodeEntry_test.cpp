// Takes added to an object copy the default take only when first used, and
// the copy is the default take as it was when the take was added; names stay
// unique through renames.

#include "tests/scenesdk/animation/TakeTestSupport.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace scenesdk;
using taketest::TestMaterial;

TEST(KScnTakeNodeEntry, DeferredCopiesKeepTheDefaultTakeAsItWasWhenAdded)
{
    auto mat = std::make_unique<TestMaterial>();
    KScnTakeNodeEntry* def = mat->GetDefaultTakeNode();
    mat->Curve(0, "Opacity")->SetDefaultValue(0.5f);
    KScnTakeNodeEntry* run = mat->AddTakeNode("Run");
    KScnTakeNodeEntry* walk = mat->AddTakeNode("Walk");
    KScnTakeNodeEntry* idle = mat->AddTakeNode("Idle");
    ASSERT_NE(idle, nullptr);
    EXPECT_TRUE(run->IsCopyDeferred());
    EXPECT_TRUE(walk->IsCopyDeferred());
    // A copy of a waiting take and a take removed while waiting.
    std::unique_ptr<KScnTakeNodeEntry> copy(new KScnTakeNodeEntry(*walk));
    EXPECT_FALSE(copy->IsCopyDeferred());
    EXPECT_TRUE(mat->RemoveTakeNode(3));

    // Anything that reaches the default tree first makes the copies owed.
    mat->Curve(0, "Opacity")->SetDefaultValue(0.75f);
    EXPECT_FALSE(run->IsCopyDeferred());
    EXPECT_FALSE(walk->IsCopyDeferred());
    EXPECT_FLOAT_EQ(mat->Curve(1, "Opacity")->GetDefaultValue(), 0.5f);
    EXPECT_FLOAT_EQ(mat->Curve(2, "Opacity")->GetDefaultValue(), 0.5f);
    EXPECT_FLOAT_EQ(copy->GetRootCurveNode()->FindDescendant("Opacity")->GetFCurve()->GetDefaultValue(),
                    0.5f);
    EXPECT_NE(mat->Curve(1, "Opacity"), mat->Curve(0, "Opacity"));

    // A take used first makes its own copy, leaving the others waiting.
    KScnTakeNodeEntry* jump = mat->AddTakeNode("Jump");
    KScnTakeNodeEntry* fall = mat->AddTakeNode("Fall");
    EXPECT_NE(jump->FindCurve(nullptr, nullptr, "Opacity"), nullptr);
    EXPECT_FALSE(jump->IsCopyDeferred());
    EXPECT_TRUE(fall->IsCopyDeferred());
    EXPECT_FLOAT_EQ(jump->FindCurve(nullptr, nullptr, "Opacity")->GetDefaultValue(), 0.75f);
    EXPECT_EQ(def->GetRootCurveNode()->GetChildCount(), fall->GetRootCurveNode()->GetChildCount());
    // The duplicate check follows renamed takes.
    run->SetName("Sprint");
    EXPECT_EQ(mat->AddTakeNode("Sprint"), nullptr);
    EXPECT_NE(mat->AddTakeNode("Run"), nullptr);
    EXPECT_TRUE(mat->RemoveTakeNode(mat->GetTakeNodeCount() - 1));
    EXPECT_NE(mat->AddTakeNode("Run"), nullptr);
    // Destroyed with takes still waiting.
    mat->AddTakeNode("Swim");
    mat.reset();
}

// Past a handful of takes the duplicate check reads an index of the takes'
// names: it follows renames and removals, and a take's error record, made on
// first use, is its own.
TEST(KScnTakeNodeEntry, ManyTakesKeepNamesUniqueThroughRenamesAndRemovals)
{
    auto mat = std::make_unique<TestMaterial>();
    for (int i = 1; i <= 12; ++i)
        ASSERT_NE(mat->AddTakeNode(("Take" + std::to_string(i)).c_str()), nullptr);
    EXPECT_EQ(mat->AddTakeNode("Take12"), nullptr);
    EXPECT_EQ(mat->AddTakeNode("Default"), nullptr);
    mat->GetTakeNode(3)->SetName("Renamed");
    EXPECT_NE(mat->AddTakeNode("Take3"), nullptr);
    EXPECT_EQ(mat->AddTakeNode("Renamed"), nullptr);
    EXPECT_TRUE(mat->RemoveTakeNode(5)); // "Take5"
    EXPECT_EQ(mat->AddTakeNode("Take4"), nullptr);
    EXPECT_NE(mat->AddTakeNode("Take5"), nullptr);
    EXPECT_EQ(mat->AddTakeNode("Take5"), nullptr);
    EXPECT_EQ(mat->GetTakeNodeCount(), 14);

    KScnTakeNodeEntry* a = mat->GetTakeNode(1);
    KScnTakeNodeEntry* b = mat->GetTakeNode(2);
    EXPECT_EQ(a->FindCurve(nullptr, nullptr, "Nothing"), nullptr);
    EXPECT_EQ(a->GetError().GetLastErrorID(), 0);
    EXPECT_EQ(b->GetError().GetLastErrorID(), -1);
    KScnTakeNodeEntry copy(*a);
    EXPECT_EQ(copy.GetError().GetLastErrorID(), -1);
}
