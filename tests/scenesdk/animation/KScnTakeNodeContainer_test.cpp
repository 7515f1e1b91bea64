#include "tests/scenesdk/animation/TakeTestSupport.h"

#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KScnReadMeter.h"

#include <gtest/gtest.h>

#include <memory>

using namespace scenesdk;
using taketest::CurveSpy;
using taketest::TestMaterial;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

void AddKeys(KFCurve* curve, std::initializer_list<std::pair<double, float>> keys)
{
    int i = 0;
    for (const auto& k : keys)
    {
        curve->SetKey(i++, KTime(static_cast<int64_t>(k.first * kSecond)), k.second,
                      KFCURVE_INTERPOLATION_LINEAR);
    }
}

struct TakesTest : ::testing::Test
{
    std::unique_ptr<TestMaterial> mat = std::make_unique<TestMaterial>();
    taketest::TestMaterialProperties* props = mat->Props();
};

TEST_F(TakesTest, DefaultTakeMirrorsTheAnimatableProperties)
{
    ASSERT_EQ(mat->GetTakeNodeCount(), 1);
    EXPECT_STREQ(mat->GetTakeNodeName(0), "Default");
    EXPECT_EQ(mat->GetCurrentTakeIndex(), 0);
    EXPECT_EQ(mat->GetCurrentTakeNode(), mat->GetDefaultTakeNode());
    KFCurveNode* root = mat->GetDefaultTakeNode()->GetRootCurveNode();
    EXPECT_STREQ(root->GetName(), "Defaults");
    ASSERT_EQ(root->GetChildCount(), 3) << "Diffuse, Opacity, Mode; the text has no channel";
    KFCurveNode* diffuse = root->FindDescendant("Diffuse");
    ASSERT_NE(diffuse, nullptr);
    EXPECT_EQ(diffuse->GetFCurve(), nullptr);
    ASSERT_EQ(diffuse->GetChildCount(), 3);
    EXPECT_STREQ(diffuse->GetChildAt(2)->GetName(), "Z");
    EXPECT_FLOAT_EQ(mat->Curve(0, "Diffuse/Y")->GetDefaultValue(), 0.8f);
    EXPECT_FLOAT_EQ(mat->Curve(0, "Opacity")->GetDefaultValue(), 1.0f);
    EXPECT_EQ(mat->GetLinkCount(), 5);
    EXPECT_EQ(mat->GetObjectKind(), KScnTakeNodeContainer::eKindMaterial);
}

TEST_F(TakesTest, AddedTakesAreCopiesOfTheDefaultTakeAndNamesAreExact)
{
    AddKeys(mat->Curve(0, "Opacity"), {{1.0, 0.5f}, {2.0, 1.0f}});
    KScnTakeNodeEntry* run = mat->AddTakeNode("Run");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(mat->GetCurrentTakeIndex(), 0) << "adding does not select";
    KFCurve* copy = mat->Curve(1, "Opacity");
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, mat->Curve(0, "Opacity"));
    ASSERT_EQ(copy->GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(copy->GetKeyValue(1), 1.0f);
    EXPECT_EQ(mat->GetLinkCount(), 5) << "only the default take's curves are linked";

    EXPECT_EQ(mat->AddTakeNode("Run"), nullptr);
    EXPECT_EQ(mat->Error().GetLastErrorID(), 0);
    EXPECT_STREQ(mat->Error().GetLastErrorString(), "Take node already exists");
    EXPECT_NE(mat->AddTakeNode("run"), nullptr) << "letter case makes another take";
    EXPECT_EQ(mat->GetTakeNodeCount(), 3);
}

TEST_F(TakesTest, SelectionAndAccessReportTheirErrors)
{
    mat->AddTakeNode("Walk");
    mat->AddTakeNode("Run");
    EXPECT_TRUE(mat->SelectTakeNodeByName("Run"));
    EXPECT_EQ(mat->GetCurrentTakeIndex(), 2);
    EXPECT_FALSE(mat->SelectTakeNodeByName("run"));
    EXPECT_STREQ(mat->Error().GetLastErrorString(), "Unknown take node name");
    EXPECT_EQ(mat->GetCurrentTakeIndex(), 0) << "a failed selection falls back to the default take";
    EXPECT_TRUE(mat->SelectTakeNodeByIndex(1));
    EXPECT_STREQ(mat->GetCurrentTakeNode()->GetName(), "Walk");
    for (int bad : {-1, 3})
    {
        mat->SelectTakeNodeByIndex(1);
        EXPECT_FALSE(mat->SelectTakeNodeByIndex(bad));
        EXPECT_STREQ(mat->Error().GetLastErrorString(), "Index out of range");
        EXPECT_EQ(mat->GetCurrentTakeIndex(), 0);
    }
    mat->Error().ClearError();
    EXPECT_EQ(mat->GetTakeNode(3), nullptr);
    EXPECT_STREQ(mat->Error().GetLastErrorString(), "Take node does not exist");
    EXPECT_EQ(mat->GetTakeNodeName(-1), nullptr);

    TestMaterial bare(false);
    EXPECT_EQ(bare.GetDefaultTakeNode(), nullptr);
    EXPECT_EQ(bare.Error().GetLastErrorID(), -1) << "no default take is no error";
    EXPECT_EQ(bare.GetCurrentTakeNode(), nullptr);
    EXPECT_STREQ(bare.Error().GetLastErrorString(), "Take node does not exist");
    KTime a(5), b(6);
    EXPECT_FALSE(bare.GetCurrentTakeInterval(a, b));
}

TEST_F(TakesTest, RemovingKeepsTheCurrentTake)
{
    for (const char* name : {"A", "B", "C"})
    {
        mat->AddTakeNode(name);
    }
    EXPECT_FALSE(mat->RemoveTakeNode(0));
    EXPECT_STREQ(mat->Error().GetLastErrorString(), "Cannot remove default take node");
    EXPECT_FALSE(mat->RemoveTakeNode(4));
    EXPECT_STREQ(mat->Error().GetLastErrorString(), "Index out of range");
    EXPECT_EQ(mat->GetTakeNodeCount(), 4);

    mat->SelectTakeNodeByName("C");
    ASSERT_TRUE(mat->RemoveTakeNode(1));
    EXPECT_STREQ(mat->GetCurrentTakeNode()->GetName(), "C") << "a later current take stays current";
    ASSERT_TRUE(mat->RemoveTakeNode(2));
    EXPECT_EQ(mat->GetCurrentTakeIndex(), 1) << "removing the current take selects the one before";
    EXPECT_STREQ(mat->GetCurrentTakeNode()->GetName(), "B");
    mat->SelectTakeNodeByName("Default");
    ASSERT_TRUE(mat->RemoveTakeNode(1));
    EXPECT_EQ(mat->GetCurrentTakeIndex(), 0);
    EXPECT_EQ(mat->GetTakeNodeCount(), 1);
}

// Two takes of one name (a take renamed to another's): removing either
// leaves the other findable by name, with few takes (searched) and many
// (indexed), whichever of the two goes; selecting by name makes the first
// take of the name current, and the takes after a removed one are found at
// their new places.
TEST(TakeNames, RemovingOneOfTwoTakesOfANameKeepsTheOther)
{
    struct Row
    {
        int takes;   // besides "Default"
        int renamed; // takes[renamed] gets the name of takes[kept]
        int kept;
        int removed; // renamed or kept
    };
    // An object has its takes' names indexed from 64 takes on.
    const Row rows[] = {{3, 1, 2, 1},    {3, 1, 2, 2},    {9, 3, 5, 3},     {9, 3, 5, 5},   {9, 7, 2, 7},
                        {12, 2, 11, 11}, {70, 3, 65, 3},  {70, 3, 65, 65},  {70, 68, 2, 68}};
    for (const Row& row : rows)
    {
        TestMaterial mat;
        for (int i = 1; i <= row.takes; ++i)
        {
            mat.AddTakeNode(("T" + std::to_string(i)).c_str());
        }
        const std::string shared = "T" + std::to_string(row.kept);
        mat.HasTakeNode("T1"); // builds the index when there are many
        mat.GetTakeNode(row.renamed)->SetName(shared.c_str());
        ASSERT_TRUE(mat.HasTakeNode(shared.c_str()));
        EXPECT_TRUE(mat.SelectTakeNodeByName(shared.c_str()));
        EXPECT_EQ(mat.GetCurrentTakeIndex(), std::min(row.renamed, row.kept)) << row.takes << " the first";
        ASSERT_TRUE(mat.RemoveTakeNode(row.removed)) << row.takes << " " << row.removed;
        const int left = row.removed == row.renamed ? row.kept : row.renamed;
        EXPECT_TRUE(mat.SelectTakeNodeByName(shared.c_str()));
        EXPECT_EQ(mat.GetCurrentTakeIndex(), left - (row.removed < left ? 1 : 0)) << row.takes << " " << row.removed;
        EXPECT_TRUE(mat.SelectTakeNodeByName(("T" + std::to_string(row.takes)).c_str()));
        EXPECT_EQ(mat.GetCurrentTakeIndex(), row.takes - 1) << row.takes << " the last, moved down";
        EXPECT_TRUE(mat.HasTakeNode(shared.c_str())) << row.takes << " " << row.removed;
        EXPECT_EQ(mat.AddTakeNode(shared.c_str()), nullptr) << row.takes << " " << row.removed;
        const std::string gone = "T" + std::to_string(row.renamed);
        EXPECT_FALSE(mat.HasTakeNode(gone.c_str())) << row.takes << " " << row.removed;
        // A third take of the name, after both: the first of the three is still found.
        mat.GetTakeNode(row.takes - 2)->SetName(shared.c_str());
        EXPECT_TRUE(mat.SelectTakeNodeByName(shared.c_str()));
        EXPECT_EQ(mat.GetCurrentTakeIndex(), std::min(left - (row.removed < left ? 1 : 0), row.takes - 2));
        // A take added now is found by name, and a second of its name refused.
        ASSERT_NE(mat.AddTakeNode("Late"), nullptr);
        EXPECT_TRUE(mat.SelectTakeNodeByName("Late"));
        EXPECT_EQ(mat.GetCurrentTakeIndex(), row.takes) << row.takes;
        EXPECT_EQ(mat.AddTakeNode("Late"), nullptr) << row.takes;
    }
}

// The take-name index a read makes is metered: each name put in it (once
// an object has 64 takes, and again when a rename makes it stale) is
// charged besides the take records.
TEST(TakeNames, EachNameIndexedIsMetered)
{
    struct Row
    {
        int takes; // besides "Default"
        bool renamed;
        uint64_t names; // put in the index
    };
    const Row rows[] = {{10, false, 0}, {10, true, 0}, {70, false, 71}, {70, true, 142}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::to_string(row.takes) + (row.renamed ? " takes, one renamed" : " takes"));
        const KScnReadMeter meter(0, 1000.0, "KStreamOptionsScn");
        TestMaterial mat;
        const uint64_t before = meter.GetCharged(KScnReadMeter::eTakes);
        for (int i = 1; i <= row.takes; ++i)
            ASSERT_NE(mat.AddTakeNode(("T" + std::to_string(i)).c_str()), nullptr);
        if (row.renamed)
        {
            mat.GetTakeNode(1)->SetName("Renamed");
            EXPECT_TRUE(mat.HasTakeNode("Renamed"));
        }
        // (each record with its copy of the name: "T1" to "T9" 2 bytes, then 3)
        const uint64_t nameBytes = 2 * std::min(row.takes, 9) + 3 * std::max(row.takes - 9, 0);
        EXPECT_EQ(meter.GetCharged(KScnReadMeter::eTakes) - before,
                  row.takes * KScnReadMeter::kTakeRecordBytes + nameBytes + row.names * KScnReadMeter::kTakeNameBytes);
    }
}

TEST_F(TakesTest, IntervalOnlyWidens)
{
    KTime start(2 * kSecond), stop(2 * kSecond + 1);
    EXPECT_FALSE(mat->GetCurrentTakeInterval(start, stop)) << "no keys";
    EXPECT_EQ(start.Get(), 2 * kSecond);
    AddKeys(mat->Curve(0, "Diffuse/Z"), {{1.0, 0.0f}, {1.5, 1.0f}});
    AddKeys(mat->Curve(0, "Mode"), {{2.5, 0.0f}, {3.0, 1.0f}});
    ASSERT_TRUE(mat->GetCurrentTakeInterval(start, stop));
    EXPECT_EQ(start.Get(), kSecond);
    EXPECT_EQ(stop.Get(), 3 * kSecond);
    KTime wideStart(0), wideStop(9 * kSecond);
    ASSERT_TRUE(mat->GetCurrentTakeInterval(wideStart, wideStop));
    EXPECT_EQ(wideStart.Get(), 0);
    EXPECT_EQ(wideStop.Get(), 9 * kSecond);
}

TEST_F(TakesTest, LinkedCurveDefaultsWriteTheProperty)
{
    mat->Curve(0, "Opacity")->SetDefaultValue(0.25f);
    EXPECT_DOUBLE_EQ(props->Opacity.GetValue(), 0.25);
    EXPECT_EQ(props->mOpacitySets, 1);
    mat->Curve(0, "Diffuse/Y")->SetDefaultValue(0.5f);
    KgeRGBVector d = props->Diffuse.GetValue();
    EXPECT_DOUBLE_EQ(d.mData[0], 0.8);
    EXPECT_DOUBLE_EQ(d.mData[1], 0.5);
    EXPECT_DOUBLE_EQ(d.mData[2], 0.8);
    EXPECT_EQ(props->mDiffuseSets, 1);
    mat->Curve(0, "Mode")->SetDefaultValue(2.75f);
    EXPECT_EQ(props->Mode.GetValue(), 2) << "integers take the truncated value";

    mat->AddTakeNode("Run");
    mat->Curve(1, "Opacity")->SetDefaultValue(0.1f);
    EXPECT_DOUBLE_EQ(props->Opacity.GetValue(), 0.25) << "other takes are not linked";
}

TEST_F(TakesTest, PropertyWritesReachTheCurvesSilently)
{
    mat->AddTakeNode("Run");
    mat->SelectTakeNodeByName("Run");
    CurveSpy spy;
    KFCurve* defaultY = mat->Curve(0, "Diffuse/Y");
    defaultY->AddListener(&CurveSpy::Callback, &spy);
    props->Diffuse.SetValue(KgeRGBVector(0.1, 0.2, 0.3));
    EXPECT_EQ(props->mDiffuseSets, 1) << "no write comes back from the linked curves";
    EXPECT_EQ(spy.calls, 0);
    EXPECT_EQ(defaultY->GetPendingEvent().mEventCount, 0);
    EXPECT_FLOAT_EQ(defaultY->GetDefaultValue(), 0.2f);
    EXPECT_FLOAT_EQ(mat->Curve(1, "Diffuse/Y")->GetDefaultValue(), 0.2f) << "and the current take";
    EXPECT_FLOAT_EQ(mat->Curve(1, "Diffuse/Z")->GetDefaultValue(), 0.3f);

    props->Opacity.GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, false);
    props->Opacity.SetValue(0.5);
    EXPECT_FLOAT_EQ(mat->Curve(0, "Opacity")->GetDefaultValue(), 1.0f) << "only animatable values are pushed";
    defaultY->RemoveListener(&CurveSpy::Callback, &spy);
}

TEST_F(TakesTest, PushAllFillsExistingDefaultChannelsOnly)
{
    mat->AddTakeNode("Run");
    props->mDiffuse = KgeRGBVector(0.3, 0.4, 0.5); // behind the property's back
    props->mOpacity = 0.7;
    KFCurveNode* root = mat->GetDefaultTakeNode()->GetRootCurveNode();
    root->DeleteChild(root->FindDescendant("Mode"));
    mat->PushAllPropertiesToDefaultTake();
    EXPECT_FLOAT_EQ(mat->Curve(0, "Diffuse/X")->GetDefaultValue(), 0.3f);
    EXPECT_FLOAT_EQ(mat->Curve(0, "Opacity")->GetDefaultValue(), 0.7f);
    EXPECT_FLOAT_EQ(mat->Curve(1, "Opacity")->GetDefaultValue(), 1.0f);
    EXPECT_EQ(root->FindDescendant("Mode"), nullptr) << "nothing is created";
    EXPECT_EQ(mat->GetLinkCount(), 4) << "the deleted curve took its link along";
}

TEST_F(TakesTest, PropertyChannelsAreLinkedOnlyInTheTakeNamedDefault)
{
    KScnTakeNodeEntry* run = mat->AddTakeNode("Run");
    KProperty* rgba = props->CreateDynamicProperty("Orient", eKPropColorRGBA, nullptr, true);
    ASSERT_NE(rgba, nullptr);
    double q[4] = {0.1, 0.2, 0.3, 0.9};
    rgba->SetFromDoubles(q);
    mat->CreatePropertyChannels(rgba, run);
    KFCurveNode* channel = run->GetRootCurveNode()->FindDescendant("Orient");
    ASSERT_NE(channel, nullptr);
    ASSERT_EQ(channel->GetChildCount(), 4);
    EXPECT_STREQ(channel->GetChildAt(3)->GetName(), "toto") << "the fourth component of a property";
    EXPECT_FLOAT_EQ(channel->GetChildAt(3)->GetFCurve()->GetDefaultValue(), 0.9f);
    EXPECT_EQ(mat->GetLinkCount(), 5);

    mat->CreatePropertyChannels(rgba, mat->GetDefaultTakeNode());
    EXPECT_EQ(mat->GetLinkCount(), 9);
    mat->Curve(0, "Orient/toto")->SetDefaultValue(0.5f);
    rgba->GetAsDoubles(q);
    EXPECT_DOUBLE_EQ(q[3], 0.5);
    EXPECT_DOUBLE_EQ(q[0], 0.1) << "the other components keep their own values";
    mat->CreatePropertyChannels(rgba, mat->GetDefaultTakeNode());
    EXPECT_EQ(mat->GetLinkCount(), 9) << "an existing channel is left alone";
}

TEST(TakeChannelNames, TransformPropertiesMapToTheirChannels)
{
    EXPECT_EQ(KScnTakeNodeContainer::ChannelNameOfProperty("Lcl Translation"), "T");
    EXPECT_EQ(KScnTakeNodeContainer::ChannelNameOfProperty("Lcl Rotation"), "R");
    EXPECT_EQ(KScnTakeNodeContainer::ChannelNameOfProperty("Lcl Scaling"), "S");
    EXPECT_EQ(KScnTakeNodeContainer::ChannelNameOfProperty("lcl rotation"), "lcl rotation");
    EXPECT_EQ(KScnTakeNodeContainer::ChannelNameOfProperty("Diffuse"), "Diffuse");
}

TEST_F(TakesTest, TransformPropertiesNeverCreateOrLinkChannels)
{
    KProperty* rot = props->CreateDynamicProperty("Lcl Rotation", eKPropVector3D, nullptr, true);
    ASSERT_NE(rot, nullptr);
    double v[4] = {10.0, 20.0, 30.0, 1.0};
    rot->SetFromDoubles(v);
    KFCurveNode* root = mat->GetDefaultTakeNode()->GetRootCurveNode();
    mat->AddPropertyToTakes(rot);
    EXPECT_EQ(root->FindDescendant("R"), nullptr);
    EXPECT_EQ(root->FindDescendant("Lcl Rotation"), nullptr);
    EXPECT_TRUE(rot->TestStateFlags(KProperty::kStateAnimatableUser));

    root->FindOrCreateChild("R", false);
    mat->AddPropertyToTakes(rot);
    EXPECT_EQ(mat->GetLinkCount(), 5);
    EXPECT_FLOAT_EQ(mat->Curve(0, "R/Y")->GetDefaultValue(), 20.0f) << "an existing channel gets the value";
    v[2] = 45.0;
    rot->SetFromDoubles(v);
    mat->PushPropertyToTakeDefaults(rot);
    EXPECT_FLOAT_EQ(mat->Curve(0, "R/Z")->GetDefaultValue(), 45.0f);
}

TEST_F(TakesTest, UserPropertiesGetChannelsInEveryTakeAndLinksInTheFirst)
{
    mat->AddTakeNode("Run");
    KProperty* weight = props->CreateDynamicProperty("Weight", eKPropDouble, nullptr, true);
    KProperty* tint = props->CreateDynamicProperty("Tint", eKPropColorRGB, nullptr, true);
    KProperty* note = props->CreateDynamicProperty("Note", eKPropDouble, nullptr, false);
    weight->SetDouble(3.0);
    mat->AddPropertyToTakes(weight);
    mat->AddPropertyToTakes(tint);
    mat->AddPropertyToTakes(note);
    EXPECT_FLOAT_EQ(mat->Curve(0, "Weight")->GetDefaultValue(), 3.0f);
    EXPECT_FLOAT_EQ(mat->Curve(1, "Weight")->GetDefaultValue(), 3.0f);
    EXPECT_NE(mat->Curve(1, "Tint/Z"), nullptr);
    EXPECT_EQ(mat->Curve(0, "Note"), nullptr) << "not animatable";
    EXPECT_EQ(mat->GetLinkCount(), 5 + 1 + 3);
    mat->Curve(0, "Tint/X")->SetDefaultValue(0.5f);
    double t[4] = {};
    tint->GetAsDoubles(t);
    EXPECT_DOUBLE_EQ(t[0], 0.5);

    mat->RemovePropertyFromTakes(tint);
    EXPECT_EQ(mat->GetLinkCount(), 6);
    EXPECT_EQ(mat->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Tint"), nullptr);
    EXPECT_EQ(mat->GetTakeNode(1)->GetRootCurveNode()->FindDescendant("Tint"), nullptr);
}

TEST_F(TakesTest, LinksDieWithTheirCurves)
{
    KFCurveNode* root = mat->GetDefaultTakeNode()->GetRootCurveNode();
    root->DeleteChild(root->FindDescendant("Diffuse"));
    EXPECT_EQ(mat->GetLinkCount(), 2);
    props->Diffuse.SetValue(KgeRGBVector(1, 1, 1));

    KScnPropertyCurveLink* link = mat->GetLink(0);
    KFCurve* curve = link->mCurve;
    mat->UnlinkPropertyCurve(link);
    EXPECT_EQ(link, nullptr);
    EXPECT_EQ(curve->GetListenerCount(), 0);
    KScnPropertyCurveLink stranger;
    KScnPropertyCurveLink* foreign = &stranger;
    mat->UnlinkPropertyCurve(foreign);
    EXPECT_EQ(foreign, &stranger) << "a link of no container of ours is left alone";
    mat->LinkPropertyToCurve(nullptr, 0, curve);
    mat->LinkPropertyToCurve(&props->Opacity, 0, nullptr);
    EXPECT_EQ(mat->GetLinkCount(), 1);
}

// Setters that tear links and takes down while a linked curve is calling
// them: nothing of the link may be touched afterwards (checked by ASan).
TEST_F(TakesTest, SettersMayUnlinkOrRemoveTakesDuringALinkedWrite)
{
    props->mOnSet = [this] { mat->UnlinkAllPropertyCurves(); };
    mat->Curve(0, "Opacity")->SetDefaultValue(0.5f);
    EXPECT_DOUBLE_EQ(props->Opacity.GetValue(), 0.5);
    EXPECT_EQ(mat->GetLinkCount(), 0);
    mat->Curve(0, "Opacity")->SetDefaultValue(0.2f);
    EXPECT_EQ(props->mOpacitySets, 1);

    auto other = std::make_unique<TestMaterial>();
    other->AddTakeNode("Run");
    other->SelectTakeNodeByName("Run");
    auto* otherProps = other->Props();
    otherProps->mOnSet = [&other] { other->RemoveTakeNode(1); };
    other->Curve(0, "Diffuse/X")->SetDefaultValue(0.1f);
    EXPECT_EQ(other->GetTakeNodeCount(), 1);
    EXPECT_EQ(other->GetCurrentTakeIndex(), 0);
    otherProps->mOnSet = [&otherProps] { otherProps->RemoveProperty(&otherProps->Opacity); };
    other->Curve(0, "Opacity")->SetDefaultValue(0.3f);
    EXPECT_EQ(other->GetLinkCount(), 4) << "the property left its set and took its link along";
    otherProps->mOnSet = nullptr;
    other->Curve(0, "Opacity")->SetDefaultValue(0.9f);
    EXPECT_FLOAT_EQ(static_cast<float>(otherProps->mOpacity), 0.3f);
}

TEST(TakeNodeEntry, CurveGettersWalkTheirPaths)
{
    KScnTakeNodeEntry take("Default");
    KFCurveNode* root = take.GetRootCurveNode();
    KFCurveNode* t = root->FindOrCreateChild("Transform", false)->FindOrCreateChild("T", false);
    t->FindOrCreateChild("X", true);
    root->FindOrCreateChild("Color", false)->FindOrCreateChild("Z", true);
    root->FindOrCreateChild("Intensity", true);
    KFCurveNode* occ = KFCurveNode::Create("Occlusion", KDataTypeOcclusion::Get());
    occ->SetFCurve(KFCurve::Create());
    root->FindOrCreateChild("Marker", false)->AddChild(occ);

    EXPECT_NE(take.GetTranslationXCurve(), nullptr);
    EXPECT_NE(take.GetColorZCurve(), nullptr);
    EXPECT_NE(take.GetIntensityCurve(), nullptr);
    EXPECT_EQ(take.GetOcclusionCurve(), occ->GetFCurve());
    EXPECT_EQ(take.GetError().GetLastErrorID(), -1);
    EXPECT_EQ(take.GetTranslationYCurve(), nullptr);
    EXPECT_EQ(take.GetError().GetLastErrorID(), 0);
    EXPECT_STREQ(take.GetError().GetLastErrorString(), "Curve not found");
    take.GetError().ClearError();
    EXPECT_EQ(take.FindCurve("Transform", "T", nullptr), nullptr) << "a group has no curve";
    EXPECT_STREQ(take.GetError().GetLastErrorString(), "Curve not found");
    EXPECT_EQ(take.GetIKReachRotationCurve(), nullptr);

    KScnTakeNodeEntry copy(take);
    copy.SetName("Copy");
    EXPECT_STREQ(copy.GetName(), "Copy");
    EXPECT_STREQ(take.GetName(), "Default");
    ASSERT_NE(copy.GetTranslationXCurve(), nullptr);
    EXPECT_NE(copy.GetTranslationXCurve(), take.GetTranslationXCurve());
}

TEST(TakeNodeEntry, AReferenceRootIsEmptiedBeforeItDies)
{
    auto* take = new KScnTakeNodeEntry("Default");
    KFCurveNode* root = take->GetRootCurveNode();
    root->SetFlags(KFCURVENODE_FLAG_REFERENCE, true);
    root->AddChild(KFCurveNode::Create("A", nullptr));
    KFCurveNode* b = KFCurveNode::Create("B", nullptr);
    b->SetFlags(KFCURVENODE_FLAG_REFERENCE, true);
    b->AddChild(KFCurveNode::Create("B1", nullptr));
    root->AddChild(b);
    delete take; // leak-checked
}

} // namespace
