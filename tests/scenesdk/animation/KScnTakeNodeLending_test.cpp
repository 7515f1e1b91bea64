// The default take lends its own tree to the takes added from it while
// nothing can write it unseen: they read it as their snapshot, so the object
// holds one tree. Its first write gives the default take a copy of its own,
// its curve links moved onto it; the takes keep reading the tree as it was.
// A pointer read from a take lives as long as that take; what leaves the
// object (an attribute leaving its node) leaves every take.

#include "tests/scenesdk/animation/TakeTestSupport.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnOpticalReference.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
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

// The default value of a channel's curve, read through a const take.
float Read(const TestMaterial& mat, int take, const char* channel = "Opacity")
{
    return mat.GetTakeNode(take)->FindCurve(nullptr, nullptr, channel)->GetDefaultValue();
}

KFCurve* Writable(TestMaterial& mat, const char* channel = "Opacity", const char* parent = nullptr)
{
    return mat.GetDefaultTakeNode()->FindCurve(nullptr, parent, channel);
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

// The links join the default take's tree to the properties in both directions.
void ExpectLinkedToTheDefaultTake(TestMaterial& mat)
{
    Writable(mat)->SetDefaultValue(0.5f);
    EXPECT_DOUBLE_EQ(mat.Props()->GetOpacity(), 0.5);
    Writable(mat, "Y", "Diffuse")->SetDefaultValue(0.125f);
    EXPECT_DOUBLE_EQ(mat.Props()->GetDiffuse().mData[1], 0.125);
    mat.Props()->Mode.SetValue(3);
    EXPECT_FLOAT_EQ(Read(mat, 0, "Mode"), 3.0f);
}

// 'P'roperty pushed, writable 'C'urve, writable 'R'oot, 'L'ink's curve.
void WriteOpacity(TestMaterial& m, char through)
{
    KFCurve* curve = through == 'C' ? Writable(m) : nullptr;
    if (through == 'R')
        curve = m.GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Opacity")->GetFCurve();
    for (int i = 0; through == 'L' && i < m.GetLinkCount(); ++i)
        if (m.GetLink(i)->mProperty == &m.Props()->Opacity)
            curve = m.GetLink(i)->mCurve;
    if (through == 'P')
        m.Props()->Opacity.SetValue(0.25);
    else
        curve->SetDefaultValue(0.25f);
}
} // namespace

// Every way the default take gets written ends the lending: the default
// take writes a copy of its own, the takes (and a const curve read from
// one before) keep the values of before, and the links follow the default
// take's new tree in both directions.
TEST(TakeLending, TheDefaultTakesFirstWriteLeavesTheTreeToItsTakes)
{
    for (int row = 0; row < 8; ++row)
    {
        const char through = "PCRL"[row / 2];
        const int takes = 1 + row % 2;
        SCOPED_TRACE(std::string(1, through) + ", takes " + std::to_string(takes));
        auto mat = LendingMaterial(takes);
        const TestMaterial& reader = *mat;
        ASSERT_TRUE(reader.GetDefaultTakeNode()->IsLendingTree());
        const KFCurveNode* lent = ReadTree(reader, 0);
        for (int t = 1; t <= takes; ++t)
            EXPECT_EQ(ReadTree(reader, t), lent) << "take " << t << " reads the default take's own tree";
        const KFCurve* kept = reader.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Opacity");
        const KFCurve* fromDefault = reader.GetDefaultTakeNode()->FindCurve(nullptr, nullptr, "Opacity");

        WriteOpacity(*mat, through);
        EXPECT_FALSE(reader.GetDefaultTakeNode()->IsLendingTree());
        EXPECT_NE(ReadTree(reader, 0), lent) << "the default take writes a copy";
        EXPECT_FLOAT_EQ(Read(reader, 0), 0.25f);
        for (int t = 1; t <= takes; ++t)
        {
            EXPECT_EQ(ReadTree(reader, t), lent) << "take " << t << " keeps the tree it read";
            EXPECT_FLOAT_EQ(Read(reader, t), 1.0f) << "take " << t;
        }
        EXPECT_FLOAT_EQ(kept->GetDefaultValue(), 1.0f) << "a const curve read before reads as before";
        EXPECT_DOUBLE_EQ(mat->Props()->GetOpacity(), 0.25);

        ExpectLinkedToTheDefaultTake(*mat);
        EXPECT_FLOAT_EQ(Read(reader, 1, "Mode"), 0.0f);
        for (int i = 0; i < mat->GetLinkCount(); ++i)
            EXPECT_FALSE(HoldsCurve(*lent, mat->GetLink(i)->mCurve))
                << "link " << i << " left on the takes' tree";
        EXPECT_EQ(reader.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Opacity")->GetListenerCount(), 0);

        // A pointer read from a take outlives the other takes and a take added after.
        mat->GetTakeNode(1)->FindCurve(nullptr, nullptr, "Mode")->SetDefaultValue(2.0f);
        for (int t = takes; t >= 2; --t)
            ASSERT_TRUE(mat->RemoveTakeNode(t));
        ASSERT_NE(mat->AddTakeNode("Later"), nullptr);
        EXPECT_FLOAT_EQ(kept->GetDefaultValue(), 1.0f) << "take 1's pointer";
        EXPECT_FLOAT_EQ(fromDefault->GetDefaultValue(), 1.0f) << "the default take's pointer";
        // Every added take removed, take 1 too: the default take's pointer reads on.
        while (mat->GetTakeNodeCount() > 1)
            ASSERT_TRUE(mat->RemoveTakeNode(mat->GetTakeNodeCount() - 1));
        EXPECT_FLOAT_EQ(fromDefault->GetDefaultValue(), 1.0f) << "the default take's pointer, no take left";
    }
}

// With no take reading it any more (both written, or both removed), the
// default take takes its tree back without copying it.
TEST(TakeLending, TakenBackWithoutACopyWhenNoTakeReadsIt)
{
    for (const bool removed : {false, true})
    {
        SCOPED_TRACE(removed ? "both takes removed" : "both takes written");
        auto mat = LendingMaterial();
        const TestMaterial& reader = *mat;
        const KFCurveNode* own = ReadTree(reader, 0);
        if (removed)
        {
            EXPECT_TRUE(mat->RemoveTakeNode(2));
            EXPECT_TRUE(mat->RemoveTakeNode(1));
        }
        else
        {
            mat->GetTakeNode(1)->FindCurve(nullptr, nullptr, "Opacity")->SetDefaultValue(0.75f);
            mat->GetTakeNode(2)->FindCurve(nullptr, nullptr, "Mode")->SetDefaultValue(2.0f);
        }
        EXPECT_TRUE(reader.GetDefaultTakeNode()->IsLendingTree()) << "nothing wrote the default take yet";
        mat->Props()->Opacity.SetValue(0.25);
        EXPECT_FALSE(reader.GetDefaultTakeNode()->IsLendingTree());
        EXPECT_EQ(ReadTree(reader, 0), own) << "taken back, not copied";
        EXPECT_FLOAT_EQ(Read(reader, 0), 0.25f);
        ExpectLinkedToTheDefaultTake(*mat);
        const int added = mat->GetTakeNodeCount();
        ASSERT_NE(mat->AddTakeNode("Later"), nullptr);
        EXPECT_NE(ReadTree(reader, added), own) << "written through a pointer handed out: copied, not lent";
        EXPECT_FLOAT_EQ(Read(reader, added), 0.5f);
        EXPECT_FLOAT_EQ(Read(reader, added, "Mode"), 3.0f);
    }
}

// The tree is lent only when the takes could not tell it from a copy and
// nothing can write it unseen; else each take added reads a copy, which
// holds what a copy holds. The changes are the SDK's own writes (no pointer
// stays with a caller).
TEST(TakeLending, LentOnlyWhatACopyWouldEqual)
{
    const struct
    {
        const char* change;
        bool lent;
    } rows[] = {
        // clang-format off
        {"nothing", true}, {"a key", true}, {"a channel added", true}, {"a time warp", false},
        {"a layer", false}, {"a node holding references", false}, {"a node always cached", false},
        {"a listener record", false},
        // clang-format on
    };
    for (int i = 0; i < int(std::size(rows)); ++i)
    {
        SCOPED_TRACE(rows[i].change);
        auto mat = std::make_unique<TestMaterial>();
        KScnTakeNodeEntry* def = mat->GetDefaultTakeNode();
        {
            const KScnTakeNodeEntry::EditScope scope(*def);
            KFCurveNode* root = def->GetRootCurveNode();
            KFCurveNode* opacity = root->FindDescendant("Opacity");
            KFCurveNode* mode = root->FindDescendant("Mode");
            // clang-format off
            switch (i)
            {
            case 1: opacity->GetFCurve()->AppendKey(KTime(7), 0.5f); break;
            case 2: root->FindOrCreateChild("Extra", true); break;
            case 3: opacity->SetTimeWarp(KFCurveNode::Create("Warp", nullptr)); break;
            case 4: opacity->SetNextLayer(KFCurveNode::Create("Opacity", nullptr, 0, 1), true); break;
            case 5: mode->SetFlags(KFCURVENODE_FLAG_REFERENCE, true); break;
            case 6: mode->SetFlags(KFCURVENODE_FLAG_CACHE_ALWAYS_VALID, true); break;
            case 7: mode->SetListenerRecord(new KFCurveNodeListenerRecord()); break;
            }
            // clang-format on
        }
        ASSERT_NE(mat->AddTakeNode("Run"), nullptr);
        const TestMaterial& reader = *mat;
        EXPECT_EQ(reader.GetDefaultTakeNode()->IsLendingTree(), rows[i].lent);
        EXPECT_EQ(ReadTree(reader, 1) == ReadTree(reader, 0), rows[i].lent);
        const KFCurveNode* opacity = ReadTree(reader, 1)->FindDescendant("Opacity");
        EXPECT_EQ(opacity->GetTimeWarp(), nullptr) << "a copy has no time warp";
        EXPECT_EQ(opacity->GetNextLayer(), nullptr) << "a copy has no layers";
        EXPECT_FALSE(ReadTree(reader, 1)->FindDescendant("Mode")->IsReferenceNode());
    }
}

// A take added to an object that lends its tree costs no channel or curve
// however many takes read it; a tree that is not lent is copied once for them.
TEST(TakeLending, TakesAddedCostNoTree)
{
    for (const bool handedOut : {false, true})
    {
        SCOPED_TRACE(handedOut ? "handed out" : "lent");
        const KScnReadMeter meter(0, 1000.0, "KStreamOptionsScn");
        auto mat = std::make_unique<TestMaterial>();
        if (handedOut)
            mat->GetDefaultTakeNode()->GetRootCurveNode();
        uint64_t before[KScnReadMeter::eKindCount] = {};
        for (const auto kind : {KScnReadMeter::eChannels, KScnReadMeter::eCurves, KScnReadMeter::eTakes})
            before[kind] = meter.GetCharged(kind);
        for (int i = 0; i < 10; ++i)
            ASSERT_NE(mat->AddTakeNode(("Take" + std::to_string(i)).c_str()), nullptr);
        for (const auto kind : {KScnReadMeter::eChannels, KScnReadMeter::eCurves})
            EXPECT_EQ(meter.GetCharged(kind), (handedOut ? 2 : 1) * before[kind]) << kind;
        EXPECT_EQ(meter.GetCharged(KScnReadMeter::eTakes) - before[KScnReadMeter::eTakes],
                  10 * (KScnReadMeter::kTakeRecordBytes + 5)); // and each name, "Take0" to "Take9"
    }
}

// The lent tree outlives the default take when a copy of a take still
// reads it; the object's links are gone from it by then.
TEST(TakeLending, ATakeCopyKeepsTheLentTreeAfterTheObject)
{
    auto mat = LendingMaterial();
    const std::unique_ptr<const KScnTakeNodeEntry> copy(new KScnTakeNodeEntry(*mat->GetTakeNode(1)));
    EXPECT_EQ(copy->GetRootCurveNode(), ReadTree(*mat, 0));
    mat.reset();
    const KFCurve* opacity = copy->FindCurve(nullptr, nullptr, "Opacity");
    ASSERT_NE(opacity, nullptr);
    EXPECT_FLOAT_EQ(opacity->GetDefaultValue(), 1.0f);
    EXPECT_EQ(opacity->GetListenerCount(), 0) << "the object's links left with it";
}

namespace
{
std::multiset<std::string> ChannelNames(const KScnTakeNodeEntry& take)
{
    std::multiset<std::string> names;
    const KFCurveNode* root = take.GetRootCurveNode();
    for (int i = 0; i < root->GetChildCount(); ++i)
        names.insert(root->GetChildAt(i)->GetName());
    return names;
}

using MakeAttribute = std::function<KScnNodeAttribute*(KScnSdkManager&)>;
template <class T> MakeAttribute Maker(T* (KScnSdkManager::*create)())
{
    return [create](KScnSdkManager& m) -> KScnNodeAttribute* { return (m.*create)(); };
}
} // namespace

// An attribute detached (D), destroyed (X) or replaced (R) while the default take lends
// its tree to two takes (lower case: they share a copy, the tree handed out) leaves all
// three takes with no tree copied, and no curve link to its properties: a light set
// next, its curves written, reaches live properties only.
TEST(TakeLending, WhatLeavesANodeLeavesEveryTake)
{
    const std::pair<const char*, MakeAttribute> kinds[] = {
        {"null", Maker(&KScnSdkManager::CreateNull)},         {"marker", Maker(&KScnSdkManager::CreateMarker)},
        {"skeleton", Maker(&KScnSdkManager::CreateSkeleton)}, {"camera", Maker(&KScnSdkManager::CreateCamera)},
        {"light", Maker(&KScnSdkManager::CreateLight)},       {"patch", Maker(&KScnSdkManager::CreatePatch)},
        {"nurb", Maker(&KScnSdkManager::CreateNurb)},
        {"optical reference", Maker(&KScnSdkManager::CreateOpticalReference)},
        {"mesh", [](KScnSdkManager& m) -> KScnNodeAttribute*
         { KScnMesh* mesh = m.CreateMesh(); mesh->AddShape(m.CreateShape(), "Smile"); return mesh; }}};
    for (const auto& [kind, make] : kinds)
        for (const char how : std::string("DXRdxr"))
        {
            const bool lends = how < 'a';
            SCOPED_TRACE(std::string(kind) + ", " + how);
            KScnSdkManager manager;
            KScnNode* node = manager.CreateNode("Shot");
            const KScnNode& reader = *node;
            std::multiset<std::string> expected = ChannelNames(*reader.GetDefaultTakeNode());
            KScnNodeAttribute* attribute = make(manager);
            node->SetNodeAttribute(attribute);
            ASSERT_TRUE(lends || node->GetDefaultTakeNode()->GetRootCurveNode() != nullptr); // hands it out
            ASSERT_TRUE(node->AddTakeNode("Run") != nullptr && node->AddTakeNode("Walk") != nullptr);
            ASSERT_EQ(reader.GetDefaultTakeNode()->IsLendingTree(), lends);
            ASSERT_EQ(reader.GetTakeNode(1)->IsSharingSnapshot(), true);
            const KFCurveNode* lent = reader.GetDefaultTakeNode()->GetRootCurveNode();
            std::vector<KProperty*> properties;
            attribute->CollectHandlerProperties(properties);
            if (attribute->GetAttributeKind() == KScnNodeAttribute::eCamera)
                expected.insert("BackgroundColor"); // a camera leaves it behind

            if (how == 'D' || how == 'd')
                node->SetNodeAttribute(nullptr);
            else if (how == 'X' || how == 'x')
                EXPECT_TRUE(manager.DestroyNodeAttribute(attribute));
            else
                node->SetNodeAttribute(manager.CreateNull());
            EXPECT_EQ(reader.GetDefaultTakeNode()->GetRootCurveNode(), lent) << "no copy made";
            for (int t = 0; t < 3; ++t)
                EXPECT_EQ(ChannelNames(*reader.GetTakeNode(t)), expected) << "take " << t;
            for (int i = 0; i < node->GetLinkCount(); ++i)
                EXPECT_EQ(std::count(properties.begin(), properties.end(), node->GetLink(i)->mProperty), 0)
                    << "link " << i << " to a property of the attribute gone";

            node->SetNodeAttribute(nullptr);
            KScnLight* light = manager.CreateLight();
            node->SetNodeAttribute(light);
            for (int i = 0; i < node->GetLinkCount(); ++i)
                node->GetLink(i)->mCurve->SetDefaultValue(0.5f);
            EXPECT_DOUBLE_EQ(light->GetIntensity(), 0.5);
        }
}

// A marker switched to another kind and back holds its channels once in every take.
TEST(TakeLending, AMarkerSwitchedBackHoldsItsChannelsOnce)
{
    KScnSdkManager manager;
    KScnNode* node = manager.CreateNode("Hand");
    KScnMarker* marker = manager.CreateMarker();
    marker->SetMarkerKind(KScnMarker::eIKEffector);
    node->SetNodeAttribute(marker);
    ASSERT_TRUE(node->AddTakeNode("Run") != nullptr && node->AddTakeNode("Walk") != nullptr);
    const std::multiset<std::string> before = ChannelNames(*std::as_const(*node).GetTakeNode(1));
    marker->SetMarkerKind(KScnMarker::eOpticalMarker);
    marker->SetMarkerKind(KScnMarker::eIKEffector);
    EXPECT_EQ(before.count("IK Reach Translation"), 1u);
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(ChannelNames(*std::as_const(*node).GetTakeNode(t)), before) << "take " << t;
}
