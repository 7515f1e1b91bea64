// Reading channel trees from scene files written in both encodings: every
// field of the channel grammar, matching into existing trees, layer-type
// fix-ups, time warps by id and hostile input.

#include "KFCurveNodeTestSupport.h"

#include "scenesdk/fileio/KScn.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KSortedIntMap.h"
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

const CScnWriter::EForm kForms[] = {CScnWriter::eText, CScnWriter::eBinary};

void Begin(CScnWriter& w, const std::string& name)
{
    w.BeginField("Channel");
    w.AddString(name);
    w.BeginBlock();
}

void End(CScnWriter& w)
{
    w.EndBlock();
    w.EndField();
}

void Curve(CScnWriter& w, double defaultValue, const std::vector<std::pair<double, double>>& keys = {})
{
    w.DoubleField("Default", defaultValue);
    if (keys.empty())
    {
        return;
    }
    w.IntField("KeyVer", 4004);
    w.IntField("KeyCount", static_cast<int32_t>(keys.size()));
    w.BeginField("Key");
    for (const auto& k : keys)
    {
        w.AddTime(static_cast<int64_t>(k.first * kSecond));
        w.AddDouble(k.second);
        w.AddChar('L');
    }
    w.EndField();
}

void Leaf(CScnWriter& w, const std::string& name, double value)
{
    Begin(w, name);
    Curve(w, value);
    End(w);
}

// Opens a file whose root block is written by body.
struct File
{
    std::string bytes;
    KScn scn;

    File(CScnWriter::EForm form, const std::function<void(CScnWriter&)>& body, int version = 6000)
    {
        CScnWriter w(form, version);
        w.WriteHeader("channel test");
        body(w);
        EXPECT_TRUE(w.Finish(bytes)) << w.Error();
        EXPECT_TRUE(scn.OpenMemory(bytes.data(), bytes.size())) << scn.GetStatusText();
    }
};

// Reads every "Channel" of the root block under parent.
void ReadAll(KScn& scn, KFCurveNode* parent, bool create)
{
    while (KFCurveNode::ReadScnChannels(scn, parent, false, create, false) != nullptr)
    {
    }
}

// A map of time-warp nodes that holds a reference on each, installed as the
// current set for its lifetime.
struct WarpSet
{
    KSortedIntMap map;
    std::vector<KFCurveNode*> nodes;

    WarpSet() { SetCurrentTimeWarpSet(&map); }
    ~WarpSet()
    {
        SetCurrentTimeWarpSet(nullptr);
        for (KFCurveNode* n : nodes)
        {
            n->ReleaseReference();
        }
    }
    KFCurveNode* Add(int id, double secondsFactor)
    {
        KFCurveNode* warp = KFCurveNode::Create("TimeWarp", KDataTypeTimeWarp::Get());
        KFCurve* curve = KFCurve::Create();
        curve->SetKey(0, Sec(0), 0, KFCURVE_INTERPOLATION_LINEAR);
        curve->SetKey(1, Sec(10), static_cast<float>(10 * secondsFactor), KFCURVE_INTERPOLATION_LINEAR);
        curve->SetPostExtrapolationType(KFCURVE_EXTRAPOLATION_KEEP_SLOPE);
        warp->SetFCurve(curve);
        warp->AddReference();
        nodes.push_back(warp);
        map.Add(static_cast<uint32_t>(id), reinterpret_cast<uintptr_t>(warp));
        return warp;
    }
};

void WriteTransform(CScnWriter& w)
{
    Begin(w, "Transform");
    w.StringField("UserName", "Xform");
    Begin(w, "T");
    Begin(w, "X");
    Curve(w, 0, {{0, 0}, {2, 20}});
    w.IntField("TimeWarpID", 7);
    End(w);
    Leaf(w, "Y", 2);
    Leaf(w, "Z", 3);
    w.BeginField("LayerChannel");
    w.BeginBlock();
    w.IntField("LayerID", 1);
    w.IntField("LayerType", 1);
    Begin(w, "X");
    Curve(w, 5);
    w.IntField("LayerID", 1);
    End(w);
    Begin(w, "Y");
    Curve(w, 0);
    w.IntField("LayerID", 1);
    End(w);
    Begin(w, "Z");
    Curve(w, 0);
    w.IntField("LayerID", 1);
    End(w);
    w.EndBlock();
    w.EndField();
    End(w);
    Begin(w, "R");
    Leaf(w, "X", 0);
    Leaf(w, "Y", 0);
    Leaf(w, "Z", 90);
    End(w);
    Begin(w, "S");
    Leaf(w, "X", 1);
    Leaf(w, "Y", 1);
    Leaf(w, "Z", 1);
    End(w);
    Begin(w, "Visibility");
    Curve(w, 1);
    End(w);
    End(w);
}

} // namespace

TEST(KFCurveNodeScnTest, WholeGrammarInBothForms)
{
    for (CScnWriter::EForm form : kForms)
    {
        WarpSet warps;
        KFCurveNode* warp = warps.Add(7, 0.5);
        File f(form, WriteTransform);
        std::unique_ptr<KFCurveNode> root(KFCurveNode::ReadScnChannel(f.scn, false, false));
        ASSERT_TRUE(root) << form;
        EXPECT_STREQ("Transform", root->GetName());
        EXPECT_STREQ("Xform", root->GetTypeName());
        ASSERT_EQ(4, root->GetChildCount());
        EXPECT_EQ(nullptr, KFCurveNode::ReadScnChannel(f.scn, false, false)); // nothing more

        KFCurveNode* t = root->FindDescendant("T");
        KFCurveNode* r = root->FindDescendant("R");
        KFCurveNode* s = root->FindDescendant("S");
        ASSERT_TRUE(t && r && s);
        EXPECT_EQ(eKFCurveNodeLayerAdditive, t->GetLayerType());
        EXPECT_EQ(eKFCurveNodeLayerEulerRotation, r->GetLayerType());
        EXPECT_EQ(eKFCurveNodeLayerMultiply, s->GetLayerType());
        EXPECT_EQ(2, t->GetChildAt(0)->GetFCurve()->GetKeyCount());
        EXPECT_FLOAT_EQ(1, root->FindDescendant("Visibility")->GetFCurve()->GetDefaultValue());

        // The warp of component "X" sits on its parent channel.
        EXPECT_EQ(warp, t->GetTimeWarp());
        EXPECT_EQ(nullptr, t->GetChildAt(0)->GetTimeWarp());
        EXPECT_EQ(2, warp->GetReferenceCount());

        // The layer: a copy sharing T's naming record, whose X shares the
        // base X's record.
        KFCurveNode* layer = t->GetNextLayer();
        ASSERT_NE(nullptr, layer);
        EXPECT_EQ(1, layer->GetLayerId());
        EXPECT_EQ(t->GetNodeInfo(), layer->GetNodeInfo());
        EXPECT_EQ(t, layer->GetLayerOwner());
        ASSERT_EQ(3, layer->GetChildCount());
        EXPECT_EQ(t->GetChildAt(0)->GetNodeInfo(), layer->GetChildAt(0)->GetNodeInfo());
        EXPECT_EQ(t->GetChildAt(0), layer->GetChildAt(0)->GetLayerOwner());
        t->GetChildAt(0)->GetNodeInfo()->mName = "U";
        EXPECT_STREQ("U", layer->GetChildAt(0)->GetName());

        // At 2 s the warp asks for 1 s: X = 10, plus the layer's 5.
        double out[3];
        t->Evaluate(out, Sec(2));
        EXPECT_NEAR(15, out[0], 1e-4);
        EXPECT_NEAR(2, out[1], 1e-6);
        EXPECT_NEAR(3, out[2], 1e-6);
        root.reset(); // before the set lets go of the warp
    }
}

TEST(KFCurveNodeScnTest, MatchesExistingChildren)
{
    for (CScnWriter::EForm form : kForms)
    {
        KFCurveNode parent("Root", "Root", nullptr);
        KFCurveNode* translation = KFCurveNode::Create("Lcl Translation", KDataTypeLclTranslation::Get());
        parent.AddChild(translation);
        KFCurveNode* x = channeltest::Leaf("X", 0);
        parent.AddChild(x);
        File f(form,
               [](CScnWriter& w)
               {
                   Begin(w, "T");
                   w.StringField("UserName", "Moved");
                   End(w);
                   Leaf(w, "X (from the mixer)", 4);
                   Leaf(w, "Unknown", 9);
                   Leaf(w, "x  (twice spaced)", 6);
               });
        ReadAll(f.scn, &parent, false);
        EXPECT_STREQ("Moved", translation->GetTypeName());
        EXPECT_FLOAT_EQ(6, x->GetFCurve()->GetDefaultValue()); // read twice, last wins
        EXPECT_EQ(2, parent.GetChildCount());                  // "Unknown" skipped
    }
}

TEST(KFCurveNodeScnTest, ChannelsUnderACurveAreSkipped)
{
    for (CScnWriter::EForm form : kForms)
    {
        File f(form,
               [](CScnWriter& w)
               {
                   Begin(w, "A");
                   Curve(w, 1);
                   Leaf(w, "Child", 2);
                   End(w);
               });
        std::unique_ptr<KFCurveNode> a(KFCurveNode::ReadScnChannel(f.scn, false, false));
        ASSERT_TRUE(a);
        EXPECT_NE(nullptr, a->GetFCurve());
        EXPECT_EQ(0, a->GetChildCount());
    }
}

TEST(KFCurveNodeScnTest, CurveOfANodeWithChildrenIsDiscarded)
{
    KFCurveNode parent("Root", "Root", nullptr);
    KFCurveNode* group = Triple("G", 0, 0, 0);
    parent.AddChild(group);
    File f(CScnWriter::eBinary,
           [](CScnWriter& w)
           {
               Begin(w, "G");
               Curve(w, 5);
               Leaf(w, "Y", 8);
               End(w);
           });
    ReadAll(f.scn, &parent, false);
    EXPECT_EQ(nullptr, group->GetFCurve());
    EXPECT_FLOAT_EQ(8, group->GetChildAt(1)->GetFCurve()->GetDefaultValue());
}

TEST(KFCurveNodeScnTest, RotationLayerTypeFixups)
{
    for (CScnWriter::EForm form : kForms)
    {
        File f(form,
               [](CScnWriter& w)
               {
                   Begin(w, "R");
                   Leaf(w, "X", 0);
                   Leaf(w, "Y", 0);
                   Leaf(w, "Z", 0);
                   End(w);
                   Begin(w, "R");
                   w.IntField("LayerType", 2);
                   Leaf(w, "X", 0);
                   Leaf(w, "Y", 0);
                   End(w);
               });
        std::unique_ptr<KFCurveNode> three(KFCurveNode::ReadScnChannel(f.scn, false, false));
        std::unique_ptr<KFCurveNode> two(KFCurveNode::ReadScnChannel(f.scn, false, false));
        ASSERT_TRUE(three && two);
        EXPECT_EQ(eKFCurveNodeLayerEulerRotation, three->GetLayerType());
        EXPECT_EQ(eKFCurveNodeLayerNormal, two->GetLayerType());
    }
}

TEST(KFCurveNodeScnTest, Version4000ResetsLongTransformNames)
{
    for (int version : {4000, 6000})
    {
        KFCurveNode parent("Root", "Root", nullptr);
        KFCurveNode* rotation = KFCurveNode::Create("Lcl Rotation", KDataTypeLclRotation::Get());
        rotation->AddChild(channeltest::Leaf("X", 0));
        rotation->AddChild(channeltest::Leaf("Y", 0));
        rotation->AddChild(channeltest::Leaf("Z", 0));
        parent.AddChild(rotation);
        File f(
            CScnWriter::eText,
            [](CScnWriter& w)
            {
                Begin(w, "R");
                w.IntField("LayerType", 2);
                End(w);
            },
            version);
        ReadAll(f.scn, &parent, false);
        EXPECT_EQ(version == 4000 ? 0 : 2, rotation->GetLayerType()) << version;
    }
}

TEST(KFCurveNodeScnTest, TimeWarpIdsOutsideTheSetAreIgnored)
{
    File f(CScnWriter::eText,
           [](CScnWriter& w)
           {
               Begin(w, "A");
               Curve(w, 1);
               w.IntField("TimeWarpID", 3);
               End(w);
           });
    SetCurrentTimeWarpSet(nullptr);
    EXPECT_EQ(nullptr, FindTimeWarpById(3));
    std::unique_ptr<KFCurveNode> a(KFCurveNode::ReadScnChannel(f.scn, false, false));
    ASSERT_TRUE(a);
    EXPECT_EQ(nullptr, a->GetTimeWarp());

    WarpSet warps;
    warps.Add(4, 1);
    EXPECT_EQ(nullptr, FindTimeWarpById(3));
    EXPECT_EQ(warps.nodes[0], FindTimeWarpById(4));
}

// ---- hostile input ----

TEST(KFCurveNodeScnTest, ManySkippedChannelsCostNoStack)
{
    File f(CScnWriter::eBinary,
           [](CScnWriter& w)
           {
               Begin(w, "A");
               Curve(w, 1);
               for (int i = 0; i < 100000; ++i)
               {
                   w.BeginField("Channel");
                   w.AddString("S");
                   w.EndField();
               }
               End(w);
           });
    std::unique_ptr<KFCurveNode> a(KFCurveNode::ReadScnChannel(f.scn, false, false));
    ASSERT_TRUE(a);
    EXPECT_EQ(0, a->GetChildCount());
}

TEST(KFCurveNodeScnTest, DeepNestingAndLayerChains)
{
    const int depth = 200;
    File f(CScnWriter::eBinary,
           [&](CScnWriter& w)
           {
               for (int i = 0; i < depth; ++i)
               {
                   Begin(w, "N");
               }
               Curve(w, 3);
               for (int i = 0; i < depth; ++i)
               {
                   End(w);
               }
               Begin(w, "L");
               Curve(w, 1);
               for (int i = 1; i < 100; ++i)
               {
                   w.BeginField("LayerChannel");
                   w.BeginBlock();
                   w.IntField("LayerID", i);
                   Curve(w, 1);
               }
               for (int i = 1; i < 100; ++i)
               {
                   w.EndBlock();
                   w.EndField();
               }
               End(w);
           });
    std::unique_ptr<KFCurveNode> deep(KFCurveNode::ReadScnChannel(f.scn, false, false));
    ASSERT_TRUE(deep);
    KFCurveNode* n = deep.get();
    int levels = 1;
    while (n->GetChildCount() == 1)
    {
        n = n->GetChildAt(0);
        ++levels;
    }
    EXPECT_EQ(depth, levels);
    double value = 0;
    EXPECT_EQ(&value + 1, deep->Evaluate(&value, Sec(0)));
    EXPECT_DOUBLE_EQ(3, value);

    std::unique_ptr<KFCurveNode> chain(KFCurveNode::ReadScnChannel(f.scn, false, false));
    ASSERT_TRUE(chain);
    EXPECT_EQ(100,
              [&]
              {
                  int count = 0;
                  for (KFCurveNode* l = chain.get(); l != nullptr; l = l->GetNextLayer())
                  {
                      ++count;
                  }
                  return count;
              }());
    chain->Evaluate(&value, Sec(0));
    EXPECT_DOUBLE_EQ(100, value);
}

TEST(KFCurveNodeScnTest, WrongTypesAndMissingPartsAreSurvived)
{
    for (CScnWriter::EForm form : kForms)
    {
        File f(form,
               [](CScnWriter& w)
               {
                   Begin(w, "Q");
                   w.StringField("LayerID", "many");
                   w.DoubleField("LayerType", 4e9);
                   w.IntField("TimeWarpID", -5);
                   w.BeginField("Channel"); // no name, no block
                   w.EndField();
                   Begin(w, "X");
                   w.StringField("Default", "abc");
                   w.IntField("KeyVer", 4004);
                   w.IntField("KeyCount", 2000000000);
                   w.BeginField("Key");
                   w.AddString("junk");
                   w.EndField();
                   End(w);
                   w.BeginField("LayerChannel"); // no block
                   w.AddInt(1);
                   w.EndField();
                   End(w);
                   Begin(w, "W");
                   w.IntField("LayerType", 4); // a quaternion layer with five components
                   for (const char* name : {"X", "Y", "Z", "W", "V"})
                   {
                       Leaf(w, name, 1);
                   }
                   w.IntField("LayerType", 2);
                   End(w);
                   Begin(w, std::string(5000, 'n') + " (remark)");
                   End(w);
               });
        const int errorBefore = f.scn.GetError().GetLastErrorID();
        for (int i = 0; i < 3; ++i)
        {
            std::unique_ptr<KFCurveNode> node(KFCurveNode::ReadScnChannel(f.scn, false, false));
            ASSERT_TRUE(node) << i;
            std::vector<double> out(static_cast<size_t>(node->GetEvaluatedValueCount()) + 1, 0.0);
            double* end = node->Evaluate(out.data(), Sec(1), nullptr, true);
            EXPECT_LE(end - out.data(), node->GetEvaluatedValueCount());
            node->Evaluate(out.data(), Sec(1), nullptr, true);
            if (i == 0)
            {
                EXPECT_EQ(0, node->GetLayerId()); // "many" is no number
                EXPECT_EQ(nullptr, node->GetNextLayer()->GetNextLayer());
            }
            if (i == 1)
            {
                EXPECT_EQ(eKFCurveNodeLayerQuaternion, node->GetLayerType());
                EXPECT_EQ(5, node->GetChildCount());
                EXPECT_EQ(3, node->GetEvaluatedValueCount());
            }
        }
        EXPECT_EQ(nullptr, KFCurveNode::ReadScnChannel(f.scn, false, false));
        // Channels without a block are no file error.
        EXPECT_EQ(errorBefore, f.scn.GetError().GetLastErrorID());
    }
}
