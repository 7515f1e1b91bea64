// Reading a take never copies its tree: a const container gives const
// entries, a const entry const nodes, and a const node only const nodes and
// curves, so that nothing read through them can write into a tree that
// several takes share. A write goes through the writable forms, which copy
// the one take written.

#include "tests/scenesdk/animation/TakeTestSupport.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

using namespace scenesdk;
using taketest::TestMaterial;

namespace
{
// What each accessor hands out, by the constness of what it is called on.
#define KSCN_HANDS_OUT(object, call, result)                                                                 \
    static_assert(std::is_same_v<decltype(std::declval<object>().call), result>, #object "." #call)

KSCN_HANDS_OUT(const KFCurveNode&, GetChildAt(0), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, GetChildAt(0), KFCurveNode*);
KSCN_HANDS_OUT(const KFCurveNode&, FindDescendant("T"), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, FindDescendant("T"), KFCurveNode*);
KSCN_HANDS_OUT(const KFCurveNode&, FindDescendantByDataType(nullptr), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, FindDescendantByDataType(nullptr), KFCurveNode*);
KSCN_HANDS_OUT(const KFCurveNode&, FindChildByDataType(nullptr), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, FindChildByDataType(nullptr), KFCurveNode*);
KSCN_HANDS_OUT(const KFCurveNode&, GetParent(), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, GetParent(), KFCurveNode*);
KSCN_HANDS_OUT(const KFCurveNode&, GetFCurve(), const KFCurve*);
KSCN_HANDS_OUT(KFCurveNode&, GetFCurve(), KFCurve*);
KSCN_HANDS_OUT(const KFCurveNode&, GetNextLayer(), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, GetNextLayer(), KFCurveNode*);
KSCN_HANDS_OUT(const KFCurveNode&, GetTimeWarp(), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, GetTimeWarp(), KFCurveNode*);
KSCN_HANDS_OUT(const KFCurveNode&, GetLayerOwner(), const KFCurveNode*);
KSCN_HANDS_OUT(KFCurveNode&, GetLayerOwner(), KFCurveNode*);
KSCN_HANDS_OUT(const KScnTakeNodeContainer&, GetCurrentTakeNode(), const KScnTakeNodeEntry*);
KSCN_HANDS_OUT(KScnTakeNodeContainer&, GetCurrentTakeNode(), KScnTakeNodeEntry*);
KSCN_HANDS_OUT(const KScnTakeNodeContainer&, GetTakeNode(0), const KScnTakeNodeEntry*);
KSCN_HANDS_OUT(KScnTakeNodeContainer&, GetTakeNode(0), KScnTakeNodeEntry*);
KSCN_HANDS_OUT(const KScnTakeNodeContainer&, GetDefaultTakeNode(), const KScnTakeNodeEntry*);
KSCN_HANDS_OUT(KScnTakeNodeContainer&, GetDefaultTakeNode(), KScnTakeNodeEntry*);
KSCN_HANDS_OUT(const KScnTakeNodeEntry&, GetRootCurveNode(), const KFCurveNode*);
KSCN_HANDS_OUT(const KScnTakeNodeEntry&, GetOcclusionCurve(), const KFCurve*);
KSCN_HANDS_OUT(const KScnTakeNodeEntry&, GetIKReachTranslationCurve(), const KFCurve*);
KSCN_HANDS_OUT(const KScnTakeNodeEntry&, GetIKReachRotationCurve(), const KFCurve*);
#undef KSCN_HANDS_OUT

constexpr int kTakes = 4; // besides "Default"; all share one snapshot

// A material whose default take has a keyed opacity, and kTakes takes
// added after it, the third one current.
std::unique_ptr<TestMaterial> SharedTakes()
{
    auto mat = std::make_unique<TestMaterial>();
    mat->Curve(0, "Opacity")->AddKeyAt(KTime(0));
    for (int i = 1; i <= kTakes; ++i)
        EXPECT_NE(mat->AddTakeNode(("Take" + std::to_string(i)).c_str()), nullptr);
    EXPECT_TRUE(mat->SelectTakeNodeByIndex(3));
    return mat;
}

int KeysOf(const TestMaterial& mat, int take, const char* path)
{
    const KFCurve* curve = mat.GetTakeNode(take)->GetRootCurveNode()->FindDescendant(path)->GetFCurve();
    return curve != nullptr ? curve->GetKeyCount() : -1;
}
} // namespace

// Every read path leaves each take reading the one snapshot they share.
TEST(KScnTakeNodeReads, ReadsThroughConstEntriesCopyNoTree)
{
    using Read = std::function<const void*(const TestMaterial&)>;
    const struct
    {
        const char* path;
        Read read;
    } rows[] = {
        {"current take, curve by path",
         [](const TestMaterial& m) { return m.GetCurrentTakeNode()->FindCurve(nullptr, "Diffuse", "Y"); }},
        {"current take, curve evaluated",
         [](const TestMaterial& m)
         {
             const KFCurve* curve = m.GetCurrentTakeNode()->FindCurve(nullptr, nullptr, "Opacity");
             (void)curve->Evaluate(KTime(0));
             return curve;
         }},
        {"take by index, child by index, its curve", [](const TestMaterial& m)
         { return m.GetTakeNode(2)->GetRootCurveNode()->GetChildAt(0)->GetChildAt(1)->GetFCurve(); }},
        {"take by index, descendant by path", [](const TestMaterial& m)
         { return m.GetTakeNode(4)->GetRootCurveNode()->FindDescendant("Diffuse/Z"); }},
        {"a child's parent", [](const TestMaterial& m)
         { return m.GetTakeNode(1)->GetRootCurveNode()->GetChildAt(0)->GetParent(); }},
        {"by data type", [](const TestMaterial& m)
         { return m.GetTakeNode(1)->GetRootCurveNode()->FindDescendantByDataType(nullptr); }},
        {"the tree evaluated",
         [](const TestMaterial& m)
         {
             double values[8] = {};
             return m.GetTakeNode(3)->GetRootCurveNode()->Evaluate(values, KTime(0));
         }},
        {"the default take",
         [](const TestMaterial& m) { return m.GetDefaultTakeNode()->GetRootCurveNode(); }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path);
        const auto mat = SharedTakes();
        const KFCurveNode* snapshot = std::as_const(*mat).GetTakeNode(1)->GetRootCurveNode();
        EXPECT_NE(row.read(*mat), nullptr);
        for (int i = 1; i <= kTakes; ++i)
        {
            const KScnTakeNodeEntry* take = std::as_const(*mat).GetTakeNode(i);
            EXPECT_TRUE(take->IsSharingSnapshot()) << "take " << i;
            EXPECT_EQ(take->GetRootCurveNode(), snapshot) << "take " << i;
        }
    }
}

// A write through a writable path copies the take written, alone: the key
// shows there and in no other take.
TEST(KScnTakeNodeReads, WriteCopiesOnlyTheTakeWritten)
{
    using Write = std::function<KFCurve*(TestMaterial&)>;
    const struct
    {
        const char* path;
        int take;
        const char* channel;
        Write write;
    } rows[] = {
        {"current take, curve by path", 3, "Diffuse/Y",
         [](TestMaterial& m) { return m.GetCurrentTakeNode()->FindCurve(nullptr, "Diffuse", "Y"); }},
        {"take by index, child by index", 2, "Diffuse/Y",
         [](TestMaterial& m)
         { return m.GetTakeNode(2)->GetRootCurveNode()->GetChildAt(0)->GetChildAt(1)->GetFCurve(); }},
        {"take by index, descendant by path", 4, "Opacity",
         [](TestMaterial& m)
         { return m.GetTakeNode(4)->GetRootCurveNode()->FindDescendant("Opacity")->GetFCurve(); }},
        {"a child's parent's child", 1, "Diffuse/X",
         [](TestMaterial& m)
         {
             return m.GetTakeNode(1)
                 ->GetRootCurveNode()
                 ->GetChildAt(0)
                 ->GetChildAt(2)
                 ->GetParent()
                 ->GetChildAt(0)
                 ->GetFCurve();
         }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path);
        const auto mat = SharedTakes();
        const int before = KeysOf(*mat, 0, row.channel);
        KFCurve* curve = row.write(*mat);
        ASSERT_NE(curve, nullptr);
        curve->AddKeyAt(KTime(1000));
        for (int i = 0; i <= kTakes; ++i)
        {
            EXPECT_EQ(KeysOf(*mat, i, row.channel), before + (i == row.take ? 1 : 0)) << "take " << i;
            EXPECT_EQ(std::as_const(*mat).GetTakeNode(i)->IsSharingSnapshot(), i != 0 && i != row.take)
                << "take " << i;
        }
    }
}

// A take out of range is null through either form, with the same error.
TEST(KScnTakeNodeReads, ConstTakeOutOfRangeRecordsTheError)
{
    const auto mat = SharedTakes();
    const TestMaterial& reader = *mat;
    for (int index : {-1, kTakes + 1})
    {
        mat->Error().ClearError();
        EXPECT_EQ(reader.GetTakeNode(index), nullptr) << index;
        EXPECT_STREQ(mat->Error().GetLastErrorString(), "Take node does not exist") << index;
        EXPECT_EQ(reader.GetTakeNodeName(index), nullptr) << index;
    }
    EXPECT_STREQ(reader.GetTakeNodeName(2), "Take2");
    EXPECT_EQ(reader.GetCurrentTakeNode(), reader.GetTakeNode(3));
}
