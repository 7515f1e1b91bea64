// The default take lends its own tree to the takes added from it while
// nothing can write it unseen: they read it as their snapshot, so the object
// holds one tree. Its first write gives the default take a copy of its own,
// its curve links moved onto it; the takes keep reading the tree as it was.

#include "tests/scenesdk/animation/TakeTestSupport.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

using namespace scenesdk;
using taketest::TestMaterial;

namespace
{
const KFCurveNode* ReadTree(const TestMaterial& mat, int take)
{
    return mat.GetTakeNode(take)->GetRootCurveNode();
}

float ReadOpacity(const TestMaterial& mat, int take)
{
    return mat.GetTakeNode(take)->FindCurve(nullptr, nullptr, "Opacity")->GetDefaultValue();
}

bool HoldsCurve(const KFCurveNode& node, const KFCurve* curve)
{
    if (node.GetFCurve() == curve)
        return true;
    for (int i = 0; i < node.GetChildCount(); ++i)
        if (HoldsCurve(*node.GetChildAt(i), curve))
            return true;
    return false;
}

// A material whose default take was never handed out, with two takes (or one).
std::unique_ptr<TestMaterial> LendingMaterial(int takes = 2)
{
    auto mat = std::make_unique<TestMaterial>();
    EXPECT_NE(mat->AddTakeNode("Run"), nullptr);
    if (takes > 1)
    {
        EXPECT_NE(mat->AddTakeNode("Walk"), nullptr);
    }
    return mat;
}
} // namespace

// Every way the default take gets written ends the lending: the default
// take writes a copy of its own, the takes (and a const curve read from
// one before) keep the values of before, and the links follow the default
// take's new tree in both directions.
TEST(TakeLending, TheDefaultTakesFirstWriteLeavesTheTreeToItsTakes)
{
    using Write = std::function<void(TestMaterial&)>;
    const struct
    {
        const char* write;
        Write through;
    } rows[] = {
        {"a property pushed", [](TestMaterial& m) { m.Props()->Opacity.SetValue(0.25); }},
        {"a writable curve",
         [](TestMaterial& m)
         { m.GetDefaultTakeNode()->FindCurve(nullptr, nullptr, "Opacity")->SetDefaultValue(0.25f); }},
        {"the writable root",
         [](TestMaterial& m)
         { m.GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Opacity")->GetFCurve()->SetDefaultValue(0.25f); }},
        {"a link's curve",
         [](TestMaterial& m)
         {
             for (int i = 0; i < m.GetLinkCount(); ++i)
                 if (m.GetLink(i)->mProperty == &m.Props()->Opacity)
                     m.GetLink(i)->mCurve->SetDefaultValue(0.25f);
         }},
    };
    for (const auto& row : rows)
    for (const int takes : {1, 2})
    {
        SCOPED_TRACE(std::string(row.write) + ", takes " + std::to_string(takes));
        auto mat = LendingMaterial(takes);
        const TestMaterial& reader = *mat;
        ASSERT_TRUE(reader.GetDefaultTakeNode()->IsLendingTree());
        const KFCurveNode* lent = ReadTree(reader, 0);
        for (int t = 1; t <= takes; ++t)
            EXPECT_EQ(ReadTree(reader, t), lent) << "take " << t << " reads the default take's own tree";
        const KFCurve* kept = reader.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Opacity");

        row.through(*mat);
        EXPECT_FALSE(reader.GetDefaultTakeNode()->IsLendingTree());
        EXPECT_NE(ReadTree(reader, 0), lent) << "the default take writes a copy";
        EXPECT_FLOAT_EQ(ReadOpacity(reader, 0), 0.25f);
        for (int t = 1; t <= takes; ++t)
        {
            EXPECT_EQ(ReadTree(reader, t), lent) << "take " << t << " keeps the tree it read";
            EXPECT_FLOAT_EQ(ReadOpacity(reader, t), 1.0f) << "take " << t;
        }
        EXPECT_FLOAT_EQ(kept->GetDefaultValue(), 1.0f) << "a const curve read before reads as before";
        EXPECT_DOUBLE_EQ(mat->Props()->GetOpacity(), 0.25);

        // The links are on the default take's new tree, in both directions.
        mat->GetDefaultTakeNode()->FindCurve(nullptr, nullptr, "Opacity")->SetDefaultValue(0.5f);
        EXPECT_DOUBLE_EQ(mat->Props()->GetOpacity(), 0.5);
        mat->GetDefaultTakeNode()->FindCurve(nullptr, "Diffuse", "Y")->SetDefaultValue(0.125f);
        EXPECT_DOUBLE_EQ(mat->Props()->GetDiffuse().mData[1], 0.125);
        mat->Props()->Mode.SetValue(3);
        EXPECT_FLOAT_EQ(reader.GetDefaultTakeNode()->FindCurve(nullptr, nullptr, "Mode")->GetDefaultValue(), 3.0f);
        EXPECT_FLOAT_EQ(reader.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Mode")->GetDefaultValue(), 0.0f);
        for (int i = 0; i < mat->GetLinkCount(); ++i)
            EXPECT_FALSE(HoldsCurve(*lent, mat->GetLink(i)->mCurve)) << "link " << i << " left on the takes' tree";
        EXPECT_EQ(reader.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Opacity")->GetListenerCount(), 0);
    }
}

// With no take reading it any more, the default take takes its tree back
// without copying it; a take added later borrows it again.
TEST(TakeLending, TakenBackWithoutACopyWhenNoTakeReadsIt)
{
    const struct
    {
        const char* how;
        std::function<void(TestMaterial&)> leave;
    } rows[] = {
        {"both takes written",
         [](TestMaterial& m)
         {
             m.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Opacity")->SetDefaultValue(0.75f);
             m.GetTakeNode(2)->FindCurve(nullptr, nullptr, "Mode")->SetDefaultValue(2.0f);
         }},
        {"both takes removed",
         [](TestMaterial& m)
         {
             EXPECT_TRUE(m.RemoveTakeNode(2));
             EXPECT_TRUE(m.RemoveTakeNode(1));
         }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.how);
        auto mat = LendingMaterial();
        const TestMaterial& reader = *mat;
        const KFCurveNode* own = ReadTree(reader, 0);
        row.leave(*mat);
        EXPECT_TRUE(reader.GetDefaultTakeNode()->IsLendingTree()) << "nothing wrote the default take yet";
        mat->Props()->Opacity.SetValue(0.25);
        EXPECT_FALSE(reader.GetDefaultTakeNode()->IsLendingTree());
        EXPECT_EQ(ReadTree(reader, 0), own) << "taken back, not copied";
        EXPECT_FLOAT_EQ(ReadOpacity(reader, 0), 0.25f);
        mat->GetDefaultTakeNode()->FindCurve(nullptr, nullptr, "Opacity")->SetDefaultValue(0.5f);
        EXPECT_DOUBLE_EQ(mat->Props()->GetOpacity(), 0.5) << "the links stayed";
        const int added = mat->GetTakeNodeCount();
        ASSERT_NE(mat->AddTakeNode("Later"), nullptr);
        EXPECT_NE(ReadTree(reader, added), own) << "written through a pointer handed out: copied, not lent";
        EXPECT_FLOAT_EQ(ReadOpacity(reader, added), 0.5f);
    }
}

// The tree is lent only when the takes could not tell it from a copy and
// nothing can write it unseen; else each take added reads a copy, which
// holds what a copy holds.
TEST(TakeLending, LentOnlyWhatACopyWouldEqual)
{
    using Change = std::function<void(KFCurveNode& root)>;
    const struct
    {
        const char* change;
        bool lent;
        Change make;
    } rows[] = {
        {"nothing", true, [](KFCurveNode&) {}},
        {"a key", true, [](KFCurveNode& root) { root.FindDescendant("Opacity")->GetFCurve()->AppendKey(KTime(7), 0.5f); }},
        {"a channel added", true, [](KFCurveNode& root) { root.FindOrCreateChild("Extra", true); }},
        {"a time warp", false,
         [](KFCurveNode& root) { root.FindDescendant("Opacity")->SetTimeWarp(KFCurveNode::Create("Warp", nullptr)); }},
        {"a layer", false,
         [](KFCurveNode& root)
         { root.FindDescendant("Opacity")->SetNextLayer(KFCurveNode::Create("Opacity", nullptr, 0, 1), true); }},
        {"a node holding references", false,
         [](KFCurveNode& root) { root.FindDescendant("Mode")->SetFlags(KFCURVENODE_FLAG_REFERENCE, true); }},
        {"a node always cached", false,
         [](KFCurveNode& root) { root.FindDescendant("Mode")->SetFlags(KFCURVENODE_FLAG_CACHE_ALWAYS_VALID, true); }},
        {"a listener record", false,
         [](KFCurveNode& root) { root.FindDescendant("Mode")->SetListenerRecord(new KFCurveNodeListenerRecord()); }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.change);
        auto mat = std::make_unique<TestMaterial>();
        KScnTakeNodeEntry* def = mat->GetDefaultTakeNode();
        {
            // The SDK's own write: no pointer stays with a caller.
            const KScnTakeNodeEntry::EditScope scope(*def);
            row.make(*def->GetRootCurveNode());
        }
        ASSERT_NE(mat->AddTakeNode("Run"), nullptr);
        const TestMaterial& reader = *mat;
        EXPECT_EQ(reader.GetDefaultTakeNode()->IsLendingTree(), row.lent);
        EXPECT_EQ(ReadTree(reader, 1) == ReadTree(reader, 0), row.lent);
        const KFCurveNode* opacity = ReadTree(reader, 1)->FindDescendant("Opacity");
        EXPECT_EQ(opacity->GetTimeWarp(), nullptr) << "a copy has no time warp";
        EXPECT_EQ(opacity->GetNextLayer(), nullptr) << "a copy has no layers";
        EXPECT_FALSE(ReadTree(reader, 1)->FindDescendant("Mode")->IsReferenceNode());
    }
}

// A take added to an object that lends its tree costs no channel or curve:
// the read's meter sees the default take's tree once, however many takes
// read it; a tree that is not lent is copied once for them.
TEST(TakeLending, TakesAddedCostNoTree)
{
    for (const bool handedOut : {false, true})
    {
        SCOPED_TRACE(handedOut ? "handed out" : "lent");
        const KScnReadMeter meter(0, 1000.0, "KStreamOptionsScn");
        auto mat = std::make_unique<TestMaterial>();
        if (handedOut)
            mat->GetDefaultTakeNode()->GetRootCurveNode();
        const uint64_t channels = meter.GetCharged(KScnReadMeter::eChannels);
        const uint64_t curves = meter.GetCharged(KScnReadMeter::eCurves);
        const uint64_t takes = meter.GetCharged(KScnReadMeter::eTakes);
        for (int i = 0; i < 10; ++i)
            ASSERT_NE(mat->AddTakeNode(("Take" + std::to_string(i)).c_str()), nullptr);
        EXPECT_EQ(meter.GetCharged(KScnReadMeter::eChannels), handedOut ? 2 * channels : channels);
        EXPECT_EQ(meter.GetCharged(KScnReadMeter::eCurves), handedOut ? 2 * curves : curves);
        EXPECT_EQ(meter.GetCharged(KScnReadMeter::eTakes) - takes, 10 * KScnReadMeter::kTakeRecordBytes);
    }
}

// The lent tree outlives the default take when a copy of a take still
// reads it; the object's links are gone from it by then.
TEST(TakeLending, ATakeCopyKeepsTheLentTreeAfterTheObject)
{
    auto mat2 = LendingMaterial();
    std::unique_ptr<KScnTakeNodeEntry> copy(new KScnTakeNodeEntry(*mat2->GetTakeNode(1)));
    const KFCurveNode* lent = std::as_const(*mat2).GetTakeNode(0)->GetRootCurveNode();
    EXPECT_EQ(std::as_const(*copy).GetRootCurveNode(), lent);
    mat2.reset();
    const KFCurve* opacity = std::as_const(*copy).FindCurve(nullptr, nullptr, "Opacity");
    ASSERT_NE(opacity, nullptr);
    EXPECT_FLOAT_EQ(opacity->GetDefaultValue(), 1.0f);
    EXPECT_EQ(opacity->GetListenerCount(), 0) << "the object's links left with it";
}

// A camera leaving its node deletes its channels only from a tree the take
// owns alone, allocating nothing: a tree still lent to takes that read it
// stays as it is (as a snapshot the takes share does), and one no take
// reads any more is taken back and loses them.
TEST(TakeLending, ADetachWritesOnlyATreeNoTakeReads)
{
    const struct
    {
        const char* takes;
        bool removed;       // the takes gone before the detach
        bool channelsStay;  // in the default take
    } rows[] = {
        {"two takes reading the tree", false, true},
        {"no take reading it any more", true, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.takes);
        KScnSdkManager manager;
        KScnNode* node = manager.CreateNode("Shot");
        KScnCamera* camera = manager.CreateCamera();
        node->SetNodeAttribute(camera);
        ASSERT_NE(node->AddTakeNode("Run"), nullptr);
        ASSERT_NE(node->AddTakeNode("Walk"), nullptr);
        const KScnNode& reader = *node;
        ASSERT_TRUE(reader.GetDefaultTakeNode()->IsLendingTree());
        const KFCurveNode* lent = reader.GetDefaultTakeNode()->GetRootCurveNode();
        if (row.removed)
        {
            ASSERT_TRUE(node->RemoveTakeNode(2));
            ASSERT_TRUE(node->RemoveTakeNode(1));
        }

        node->SetNodeAttribute(nullptr);
        EXPECT_EQ(reader.GetDefaultTakeNode()->GetRootCurveNode(), lent) << "no copy made";
        EXPECT_EQ(reader.GetDefaultTakeNode()->IsLendingTree(), row.channelsStay);
        EXPECT_EQ(lent->FindDescendant("FieldOfView") != nullptr, row.channelsStay);
        EXPECT_EQ(lent->FindDescendant("Roll") != nullptr, row.channelsStay);
        for (int t = 1; t < reader.GetTakeNodeCount(); ++t)
            EXPECT_EQ(reader.GetTakeNode(t)->GetRootCurveNode(), lent) << "take " << t;

        // The node's own channels still write through to the takes' end.
        node->SetLocalTranslation(1.0, 2.0, 3.0);
        EXPECT_FALSE(reader.GetDefaultTakeNode()->IsLendingTree());
        EXPECT_FLOAT_EQ(reader.GetDefaultTakeNode()->GetTranslationYCurve()->GetDefaultValue(), 2.0f);
        for (int t = 1; t < reader.GetTakeNodeCount(); ++t)
            EXPECT_FLOAT_EQ(reader.GetTakeNode(t)->GetTranslationYCurve()->GetDefaultValue(), 0.0f) << "take " << t;
        manager.DestroyNodeAttribute(camera);
    }
}
