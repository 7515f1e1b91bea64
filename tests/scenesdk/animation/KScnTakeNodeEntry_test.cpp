// Takes added to an object start with the default take as it is at the
// call. Takes added while the default take stays so share one read-only
// copy of it until each is first written; names stay unique through renames.

#include "tests/scenesdk/animation/TakeTestSupport.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace scenesdk;
using taketest::TestMaterial;

namespace
{
const KFCurveNode* ReadTree(const KScnTakeNodeEntry* take)
{
    return take->GetRootCurveNode();
}

float ReadOpacity(const KScnTakeNodeEntry* take)
{
    return take->FindCurve(nullptr, nullptr, "Opacity")->GetDefaultValue();
}
} // namespace

TEST(KScnTakeNodeEntry, TakesShareOneSnapshotUntilWritten)
{
    auto mat = std::make_unique<TestMaterial>();
    mat->Curve(0, "Opacity")->SetDefaultValue(0.5f);
    KScnTakeNodeEntry* run = mat->AddTakeNode("Run");
    KScnTakeNodeEntry* walk = mat->AddTakeNode("Walk");
    KScnTakeNodeEntry* idle = mat->AddTakeNode("Idle");
    ASSERT_NE(idle, nullptr);
    EXPECT_TRUE(run->IsSharingSnapshot());
    EXPECT_EQ(ReadTree(run), ReadTree(walk)) << "the default take did not change between them";
    EXPECT_NE(ReadTree(run), ReadTree(mat->GetDefaultTakeNode()));
    // A copy of a sharing take shares too; a take removed while sharing.
    std::unique_ptr<KScnTakeNodeEntry> copy(new KScnTakeNodeEntry(*walk));
    EXPECT_EQ(ReadTree(copy.get()), ReadTree(walk));
    EXPECT_TRUE(mat->RemoveTakeNode(3));

    // Writing the default take leaves the snapshot to the takes.
    mat->Curve(0, "Opacity")->SetDefaultValue(0.75f);
    EXPECT_FLOAT_EQ(ReadOpacity(run), 0.5f);
    EXPECT_FLOAT_EQ(ReadOpacity(copy.get()), 0.5f);
    EXPECT_TRUE(run->IsSharingSnapshot()) << "reads copy nothing";

    // A take written first makes its own copy, leaving the others sharing.
    KFCurve* own = run->FindCurve(nullptr, nullptr, "Opacity");
    ASSERT_NE(own, nullptr);
    EXPECT_FALSE(run->IsSharingSnapshot());
    EXPECT_TRUE(walk->IsSharingSnapshot());
    EXPECT_FLOAT_EQ(own->GetDefaultValue(), 0.5f);
    own->SetDefaultValue(0.25f);
    EXPECT_FLOAT_EQ(ReadOpacity(walk), 0.5f);
    EXPECT_FLOAT_EQ(ReadOpacity(mat->GetDefaultTakeNode()), 0.75f);

    // Takes added after the change share a snapshot of the new tree.
    KScnTakeNodeEntry* jump = mat->AddTakeNode("Jump");
    KScnTakeNodeEntry* fall = mat->AddTakeNode("Fall");
    EXPECT_FLOAT_EQ(ReadOpacity(jump), 0.75f);
    EXPECT_EQ(ReadTree(jump), ReadTree(fall));
    EXPECT_NE(ReadTree(jump), ReadTree(walk));
    // The duplicate check follows renamed takes.
    run->SetName("Sprint");
    EXPECT_EQ(mat->AddTakeNode("Sprint"), nullptr);
    EXPECT_NE(mat->AddTakeNode("Run"), nullptr);
    EXPECT_TRUE(mat->RemoveTakeNode(mat->GetTakeNodeCount() - 1));
    EXPECT_NE(mat->AddTakeNode("Run"), nullptr);
    // Destroyed with takes still sharing.
    mat->AddTakeNode("Swim");
    mat.reset();
    EXPECT_FLOAT_EQ(ReadOpacity(copy.get()), 0.5f) << "the copy keeps the snapshot alive";
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
