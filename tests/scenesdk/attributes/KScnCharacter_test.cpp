// Characters: the property set (defaults, setter kinds, binding order, link
// lists), node slots and their link records, link-group tables, sources,
// the control set and its plug, character poses and the scene's lists.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterParameters.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <string>

using namespace scenesdk;
using namespace attribtest;

namespace
{

using Props = KScnCharacterProperties;

class CharacterTest : public AttributeTest
{
protected:
    KScnCharacter* NewCharacter(const char* name = "Hero") { return mManager.CreateCharacter(name); }
    // Slot id's node, or null.
    static KScnNode* SlotNode(KScnCharacter* character, int id)
    {
        KScnCharacterNodeLink link;
        EXPECT_TRUE(character->GetLink(id, link));
        return link.node;
    }
    static KScnCharacterNodeLink LinkTo(KScnNode* node)
    {
        KScnCharacterNodeLink link;
        link.node = node;
        return link;
    }
};

TEST_F(CharacterTest, PropertiesStartFromTheParameterTable)
{
    KScnCharacter* character = NewCharacter();
    Props& p = *character->GetCharacterProperties();
    EXPECT_EQ(p.GetPullIterationCount(), 10.0);
    EXPECT_EQ(p.GetPosture(), Props::eCharacterBiped);
    EXPECT_STREQ(Props::PostureName(p.GetPosture()), "Biped");
    EXPECT_EQ(p.GetScaleCompensation(), 100.0);
    EXPECT_EQ(p.GetScaleCompensationMode(), Props::eCharacterAuto);
    EXPECT_EQ(p.GetMassCenterCompensation(), 80.0);
    EXPECT_EQ(p.GetFootBottomToAnkle(), 7.5);
    EXPECT_EQ(p.GetLeftHandThumbTip(), 0.5);
    EXPECT_TRUE(p.GetFingerSolving());
    EXPECT_TRUE(p.GetSyncMode());
    EXPECT_TRUE(p.GetActive());
    EXPECT_FALSE(p.GetLock());
    EXPECT_EQ(p.GetWeight(), 100.0);
    EXPECT_EQ(p.GetLeftUpLegRoll(), 60.000003814697266);
    EXPECT_EQ(p.GetCtrlEnforceGravity(), 60.000003814697266);
    EXPECT_EQ(p.GetCtrlResistLeftCollar(), 50.0);
    EXPECT_EQ(p.GetReachActorLeftAnkleRotation(), 100.0);
    EXPECT_EQ(p.GetAnkleStabilizationDampingMode(), Props::eCharacterOff);
    const KgeTVector offset = p.GetHipsTOffset();
    EXPECT_EQ(offset.mData[0], 0.0);
    EXPECT_EQ(offset.mData[3], 1.0);
    EXPECT_STREQ(Props::PostureName(1), "Quadruped");
    EXPECT_EQ(Props::PostureName(2), nullptr);
    EXPECT_EQ(Props::ContactBehaviourName(3), nullptr);
    EXPECT_STREQ(Props::FootFloorPivotName(2), "Toes");
    EXPECT_STREQ(Props::HandFloorPivotName(2), "Fingers");
    EXPECT_STREQ(Props::HandContactTypeName(2), "FingerBase");
    EXPECT_STREQ(p.FootContactType.GetEnumNameFunction()(1), "Ankle");
    EXPECT_EQ(p.Posture.GetTypeCode(), eKPropEnum);
}

TEST_F(CharacterTest, SettersClampForwardOrOnlyStore)
{
    KScnCharacter* character = NewCharacter();
    Props& p = *character->GetCharacterProperties();
    KScnCharacterParameters& table = *character->GetParameters();

    EXPECT_EQ(p.SetPullIterationCount(45.0), 30.0);
    EXPECT_EQ(table.GetDouble(0), 30.0);
    p.SetPullIterationCount(-1.0);
    EXPECT_EQ(p.GetPullIterationCount(), 0.0);
    p.SetFootContactSize(0.0);
    EXPECT_EQ(p.GetFootContactSize(), 0.01);
    EXPECT_EQ(table.GetDouble(51), 0.01);
    p.SetLeftFootRingTip(5000.0);
    EXPECT_EQ(p.GetLeftFootRingTip(), 1000.0);

    const double scale = table.GetDouble(3);
    p.SetScaleCompensation(50.0);
    EXPECT_EQ(p.GetScaleCompensation(), 50.0);
    EXPECT_EQ(table.GetDouble(3), scale);
    p.SetScaleCompensationMode(Props::eCharacterUser);
    EXPECT_EQ(table.GetInt(3), 2);
    const int memoryMode = table.GetInt(78);
    p.SetDisplacementMemoryMode(static_cast<Props::kCharacterAutoUser>(2));
    EXPECT_EQ(static_cast<int>(p.GetDisplacementMemoryMode()), 2);
    EXPECT_EQ(table.GetInt(78), memoryMode);
    p.SetPosture(Props::eCharacterQuadruped);
    EXPECT_EQ(table.GetDouble(1), 1.0);
    p.SetApplyLimits(true);
    EXPECT_EQ(table.GetInt(8), 1);

    // Typed sets reach the setters; getter-only rows store into the property.
    p.PullIterationCount.SetValue(99.0);
    EXPECT_EQ(p.GetPullIterationCount(), 30.0);
    EXPECT_FALSE(p.MassCenterCompensation.HasSetter());
    EXPECT_TRUE(p.MassCenterCompensation.TestStateFlags(KProperty::kStateGetterOnly));
    p.MassCenterCompensation.SetValue(12.0);
    EXPECT_EQ(p.GetMassCenterCompensation(), 12.0);
    EXPECT_EQ(table.GetDouble(7), 80.0);
}

TEST_F(CharacterTest, PropertyListFollowsTheBindingOrder)
{
    Props& p = *NewCharacter()->GetCharacterProperties();
    ASSERT_EQ(p.GetPropertyCount(), 191 + 187 + 5);
    auto name = [&](int i) { return std::string(p.GetProperty(i)->GetName()); };
    EXPECT_EQ(name(0), "Active");
    EXPECT_EQ(name(46), "ChestTOffset");
    EXPECT_EQ(name(47), "LeftUpLegRoll");
    EXPECT_EQ(name(62), "RightForeArmRollMode");
    EXPECT_EQ(name(63), "RollExtractionMode");
    EXPECT_EQ(name(64), "FootFloorContact");
    EXPECT_EQ(name(74), "FootContactStiffness");
    EXPECT_EQ(name(88), "CtrlPullLeftToeBase");
    EXPECT_EQ(name(159), "LeftHandThumbTip");
    EXPECT_EQ(name(184), "FootFingerContact");
    EXPECT_EQ(name(187), "HandFingerContact");
    EXPECT_EQ(name(190), "ContactBehaviour");
    EXPECT_EQ(name(191), "HipsLink");
    EXPECT_EQ(name(191 + 186), "RightFootExtraFinger4Link");
    EXPECT_EQ(name(191 + 187), "SourceObject");
    EXPECT_EQ(name(191 + 187 + 4), "ControlSet");
    EXPECT_NE(p.FindProperty("ReferenceLink"), nullptr);
    EXPECT_EQ(p.GetLinkProperty(68), nullptr);
    EXPECT_EQ(p.GetLinkPropertyNodeId(p.FindProperty("ReferenceLink")), 67);

    int setters = 0;
    int animatable = 0;
    for (int i = 0; i < 191; ++i)
    {
        setters += p.GetProperty(i)->TestStateFlags(KProperty::kStateGetterOnly) ? 0 : 1;
        animatable += p.GetProperty(i)->IsAnimatable() ? 1 : 0;
    }
    EXPECT_EQ(setters, 116);
    // The getter-only rows, Weight, four compensations, eight rolls and
    // twelve damping and stabilisation values.
    EXPECT_EQ(animatable, 75 + 1 + 4 + 8 + 2 + 4 + 6);
}

TEST_F(CharacterTest, SlotsKeepNodeRecordsAndLinkLists)
{
    KScnCharacter* character = NewCharacter();
    EXPECT_EQ(character->GetObjectKind(), KScnObject::eKindCharacter);
    EXPECT_EQ(character->GetConstraintKind(), KScnConstraint::eCharacter);
    EXPECT_STREQ(character->GetTypeName().Buffer(), "Character");
    EXPECT_STREQ(character->GetName(), "Constraint::Hero");
    EXPECT_EQ(character->GetSourceKind(), KScnCharacter::eSourceNone);

    KScnNode* n = mManager.CreateNode("N");
    KScnNode* m = mManager.CreateNode("M");
    EXPECT_FALSE(character->SetLink(191, LinkTo(n), false));
    EXPECT_EQ(n->GetCharacterLinkCount(), 0);
    EXPECT_TRUE(character->SetLink(0, LinkTo(n), false));
    ASSERT_EQ(n->GetCharacterLinkCount(), 1);
    KScnCharacterLinkRecord record{};
    ASSERT_TRUE(n->GetCharacterLink(0, record));
    EXPECT_EQ(record.character, character);
    EXPECT_EQ(record.type, 0);
    EXPECT_EQ(record.index, 0);

    // Updating a slot leaves exactly the new node in its link list.
    KPropertyObjectList* hips = character->GetCharacterProperties()->GetLinkProperty(0);
    EXPECT_TRUE(character->SetLink(0, LinkTo(n), true));
    EXPECT_TRUE(character->SetLink(0, LinkTo(m), true));
    EXPECT_EQ(n->GetCharacterLinkCount(), 0);
    EXPECT_EQ(m->GetCharacterLinkCount(), 1);
    ASSERT_EQ(hips->GetCount(), 1);
    EXPECT_EQ(hips->GetAt(0), m->GetPropertyHandler());
    EXPECT_EQ(SlotNode(character, 0), m);

    // A copied record keeps the slot's own link list.
    KScnCharacterNodeLink foreign = LinkTo(n);
    foreign.linkProperty = hips;
    KScnCharacterNodeLink blank;
    blank = foreign;
    EXPECT_EQ(blank.linkProperty, nullptr);
    EXPECT_TRUE(character->SetLink(5, foreign, true));
    EXPECT_EQ(character->GetCharacterProperties()->GetLinkProperty(5)->GetAt(0), n->GetPropertyHandler());
    EXPECT_EQ(hips->GetCount(), 1);
    character->SetLink(5, LinkTo(nullptr), true);
    EXPECT_EQ(character->GetCharacterProperties()->GetLinkProperty(5)->GetCount(), 0);

    // Connecting node sets to a link list maps the slot; a texture's set is
    // not a node and changes nothing; removing a stale source keeps the slot.
    KPropertyObjectList* head = character->GetCharacterProperties()->GetLinkProperty(20);
    head->Add(n->GetPropertyHandler());
    EXPECT_EQ(SlotNode(character, 20), n);
    head->Add(mManager.CreateTexture("t")->GetPropertyHandler());
    EXPECT_EQ(SlotNode(character, 20), n);
    head->Add(m->GetPropertyHandler());
    EXPECT_EQ(SlotNode(character, 20), m);
    head->Remove(n->GetPropertyHandler());
    EXPECT_EQ(SlotNode(character, 20), m);
    head->Remove(m->GetPropertyHandler());
    EXPECT_EQ(SlotNode(character, 20), nullptr);

    // A destroyed node leaves no slot naming it.
    character->SetLink(3, LinkTo(n), true);
    EXPECT_TRUE(mManager.DestroyNode(n));
    EXPECT_EQ(SlotNode(character, 3), nullptr);

    character->Reset();
    EXPECT_EQ(SlotNode(character, 0), nullptr);
    EXPECT_EQ(m->GetCharacterLinkCount(), 0);
    EXPECT_STREQ(character->GetName(), "");
}

TEST_F(CharacterTest, LinkGroupTables)
{
    int total = 0;
    for (int g = 0; g < KScnCharacter::kLinkGroupCount; ++g)
    {
        total += KScnCharacter::GetLinkGroupSize(g);
    }
    EXPECT_EQ(total, 186);
    EXPECT_EQ(KScnCharacter::GetLinkGroupSize(5), 30);
    EXPECT_EQ(KScnCharacter::GetLinkGroupSize(12), 0);
    EXPECT_EQ(KScnCharacter::GetLinkGroupNodeId(0, 15), -1);
    EXPECT_EQ(KScnCharacter::GetLinkGroupName(-1, 0), nullptr);
    EXPECT_STREQ(KScnCharacter::GetLinkGroupSection(8), "GAMEMODEPARENT");
    EXPECT_STREQ(KScnCharacter::GetLinkGroupName(5, 15), "LeftInHandThumb");
    EXPECT_EQ(KScnCharacter::GetLinkGroupNodeId(5, 15), 101);
    EXPECT_EQ(KScnCharacter::GetLinkGroupVersion(5, 15), 4500);
    EXPECT_EQ(KScnCharacter::GetLinkGroupVersion(5, 14), 4000);
    EXPECT_STREQ(KScnCharacter::GetLinkGroupName(6, 29), "RightHandExtraFinger4");
    EXPECT_STREQ(KScnCharacter::GetLinkGroupName(10, 0), "LeftInFootThumb");
    EXPECT_STREQ(KScnCharacter::GetLinkGroupName(8, 11), "GameModeParentRightElbowRoll");

    int group = 0;
    int row = 0;
    EXPECT_TRUE(KScnCharacter::FindLinkGroupEntry("Neck", false, group, row));
    EXPECT_EQ(group, 1);
    EXPECT_EQ(row, 4);
    group = 0;
    EXPECT_FALSE(KScnCharacter::FindLinkGroupEntry("Neck", true, group, row));
    const char* name = nullptr;
    EXPECT_TRUE(KScnCharacter::GetLinkName(67, name));
    EXPECT_STREQ(name, "Reference");
    EXPECT_FALSE(KScnCharacter::GetLinkName(68, name));
    EXPECT_TRUE(KScnCharacter::GetLinkName(190, name));
    EXPECT_STREQ(name, "RightFootExtraFinger4");
    EXPECT_TRUE(KScnCharacter::GetLinkName(160, name));
    EXPECT_STREQ(name, "LeftFootExtraFinger4");
    EXPECT_TRUE(KScnCharacter::GetLinkName(36, name));
    EXPECT_STREQ(name, "Spine9");
}

TEST_F(CharacterTest, ControlSetSlotsEffectorsAndPlugRoundTrip)
{
    KScnCharacter* character = NewCharacter();
    KScnControlSet& set = *character->GetControlSet();
    EXPECT_TRUE(set.GetUseAxis());
    EXPECT_EQ(set.GetType(), 0);
    EXPECT_FALSE(set.GetControlSetLink(0, nullptr));
    KScnControlSetEffector e;
    set.SetEffector(1, e); // no node: stays a default, unset effector
    EXPECT_FALSE(set.GetEffector(1, nullptr));
    EXPECT_EQ(KScnControlSet::FindEffectorId("RightFootExtraFingerEffector"), 43);
    EXPECT_EQ(KScnControlSet::FindEffectorId("hipseffector"), -1);
    EXPECT_STREQ(KScnControlSet::GetEffectorName(20), "LeftHandThumbEffector");
    EXPECT_EQ(KScnControlSet::GetEffectorName(44), nullptr);

    KScnNode* hips = mManager.CreateNode("hips");
    KScnNode* wrist = mManager.CreateNode("wrist");
    KScnNode* aux = mManager.CreateNode("aux");
    EXPECT_FALSE(set.SetEffectorAux(3, aux, 0));
    EXPECT_FALSE(set.SetEffectorAux(3, aux, 15));
    EXPECT_TRUE(set.SetEffectorAux(3, aux, 14));
    KScnControlSetLink named;
    named.name = "OnlyAName";
    EXPECT_TRUE(set.SetControlSetLink(9, named));
    KScnControlSetLink out;
    EXPECT_TRUE(set.GetControlSetLink(9, &out));
    EXPECT_EQ(out.node, nullptr);
    KScnControlSetLink slot;
    slot.node = hips;
    set.SetControlSetLink(0, slot);
    KScnControlSetEffector effector;
    effector.node = wrist;
    effector.rActive = 1;
    set.SetEffector(3, effector);
    // Effector 5 has an auxiliary node but no main node.
    EXPECT_TRUE(set.SetEffectorAux(5, hips, 2));
    KScnCharacterLinkRecord record{};
    ASSERT_TRUE(aux->GetCharacterLink(0, record));
    EXPECT_EQ(record.type, 3);
    EXPECT_EQ(record.subIndex, 13);
    ASSERT_TRUE(wrist->GetCharacterLink(0, record));
    EXPECT_EQ(record.type, 2);

    // Plug lists: 2 declared, 187 slots, 44 effectors.
    KScnSceneRoot* scene = mManager.CreateScene();
    KScnControlSetPlug* plug = scene->GetControlSetPlug(scene->CreateControlSetPlug("Hero_Ctrl"));
    ASSERT_NE(plug, nullptr);
    EXPECT_STREQ(plug->GetName(), "ControlSetPlug::Hero_Ctrl");
    EXPECT_EQ(plug->GetObjectKind(), KScnObject::eKindControlSetPlug);
    KScnControlSetPlugProperties* plugSet = plug->GetPlugProperties();
    EXPECT_EQ(plugSet->GetPropertyCount(), 2 + 187 + 44);
    EXPECT_STREQ(plugSet->GetProperty(0)->GetName(), "UseAxis");
    EXPECT_EQ(plugSet->FindProperty("LeftWristEffector"), plugSet->GetEffectorProperty(3));

    set.SetUseAxis(false);
    set.CopyToPlug(plug);
    EXPECT_FALSE(plugSet->GetUseAxis());
    // Positions without a node hold a plug that reads as no object.
    KPropertyObjectList* wristList = plugSet->GetEffectorProperty(3);
    ASSERT_EQ(wristList->GetCount(), 15);
    EXPECT_EQ(wristList->GetAt(0), wrist->GetPropertyHandler());
    EXPECT_EQ(wristList->GetAt(1), nullptr);
    EXPECT_EQ(wristList->GetAt(14), aux->GetPropertyHandler());
    KPropertyObjectList* kneeList = plugSet->GetEffectorProperty(5);
    ASSERT_EQ(kneeList->GetCount(), 3);
    EXPECT_EQ(kneeList->GetAt(0), nullptr);
    EXPECT_EQ(kneeList->GetAt(2), hips->GetPropertyHandler());
    EXPECT_EQ(plugSet->GetEffectorProperty(4)->GetCount(), 0);
    set.Clear();
    EXPECT_FALSE(set.GetUseAxis()); // kept by Clear
    EXPECT_EQ(hips->GetCharacterLinkCount(), 0);
    EXPECT_EQ(aux->GetCharacterLinkCount(), 0);
    set.SetUseAxis(true);

    // Connecting the plug to the character copies it back.
    character->ConnectSource(KScnCharacter::eSourceCharacter, plug); // wrong kind: nothing
    EXPECT_EQ(character->GetSourceKind(), KScnCharacter::eSourceNone);
    character->ConnectSource(KScnCharacter::eSourceControlSetPlug, plug);
    EXPECT_EQ(character->GetSourceKind(), KScnCharacter::eSourceControlSetPlug);
    EXPECT_EQ(character->GetCharacterProperties()->ControlSet.GetAt(0), plugSet);
    EXPECT_FALSE(set.GetUseAxis());
    ASSERT_TRUE(set.GetControlSetLink(0, &out));
    EXPECT_EQ(out.node, hips);
    EXPECT_FALSE(set.GetControlSetLink(9, nullptr)); // names are not carried
    ASSERT_TRUE(set.GetEffector(3, &e));
    EXPECT_EQ(e.node, wrist);
    EXPECT_EQ(e.rActive, 0); // switches come back as defaults
    KScnNode* back = nullptr;
    ASSERT_TRUE(set.GetEffectorAux(3, &back, 14));
    EXPECT_EQ(back, aux); // auxiliary nodes keep their positions
    EXPECT_FALSE(set.GetEffectorAux(3, &back, 1));
    EXPECT_FALSE(set.GetEffector(5, nullptr));
    ASSERT_TRUE(set.GetEffectorAux(5, &back, 2));
    EXPECT_EQ(back, hips);
    EXPECT_FALSE(set.GetEffectorAux(5, &back, 1));

    // The source list is a filtered view of the set's own sources, and the
    // destination list of its destinations.
    Props& p = *character->GetCharacterProperties();
    EXPECT_TRUE(p.SourceObject.HasPlugFlag(KPlug::kFiltered));
    EXPECT_TRUE(p.DestinationObject.HasPlugFlag(KPlug::kFiltered));
    EXPECT_FALSE(p.ControlSet.HasPlugFlag(KPlug::kFiltered));
    EXPECT_TRUE(p.IsSrcConnected(plugSet));
    ASSERT_EQ(p.SourceObject.GetCount(), 1);
    EXPECT_EQ(p.SourceObject.GetAt(0), plugSet);
    KScnCharacter* follower = NewCharacter("Follower");
    Props& f = *follower->GetCharacterProperties();
    EXPECT_TRUE(p.DestinationObject.Add(&f));
    EXPECT_TRUE(p.IsDstConnected(&f));
    EXPECT_EQ(p.DestinationObject.GetAt(0), &f);
    EXPECT_EQ(f.SourceObject.GetAt(0), &p);
    EXPECT_EQ(follower->GetSourceKind(), KScnCharacter::eSourceCharacter);

    // A destroyed node leaves no control-set place naming it.
    EXPECT_TRUE(mManager.DestroyNode(hips));
    EXPECT_FALSE(set.GetControlSetLink(0, nullptr));
}

TEST_F(CharacterTest, ScenesAndCharacterPoses)
{
    KScnSceneRoot* scene = mManager.CreateScene();
    EXPECT_EQ(scene->CreateCharacter("A"), 0);
    EXPECT_EQ(scene->CreateCharacter("B"), 1);
    EXPECT_EQ(scene->GetCharacterCount(), 2);
    EXPECT_STREQ(scene->GetCharacter(1)->GetName(), "Constraint::B");
    EXPECT_EQ(scene->GetCharacter(2), nullptr);
    EXPECT_FALSE(scene->AddCharacter(scene->GetCharacter(0)));

    KScnCharacter* source = scene->GetCharacter(0);
    scene->GetCharacter(1)->ConnectSource(KScnCharacter::eSourceCharacter, source);
    EXPECT_EQ(scene->GetCharacter(1)->GetSourceKind(), KScnCharacter::eSourceCharacter);

    const int handlers = mManager.GetHandlerObjectCount();
    const int scenes = mManager.GetSceneCount();
    ASSERT_EQ(scene->CreateCharacterPose("Stand"), 0);
    KScnCharacterPose* pose = scene->GetCharacterPose(0);
    EXPECT_EQ(pose->GetObjectKind(), KScnObject::eKindCharacterPose);
    EXPECT_EQ(pose->GetPropertyHandler(), nullptr);
    EXPECT_STREQ(pose->GetName(), "Pose::Stand");
    ASSERT_EQ(pose->GetScene()->GetCharacterCount(), 1);
    EXPECT_STREQ(pose->GetScene()->GetCharacter(0)->GetName(), "Constraint::PoseCharacter");
    pose->Reset();
    pose->Reset();
    EXPECT_EQ(pose->GetScene()->GetCharacterCount(), 1);
    EXPECT_EQ(mManager.GetHandlerObjectCount(), handlers + 1);
    EXPECT_EQ(mManager.GetSceneCount(), scenes + 1);
    EXPECT_TRUE(scene->DestroyCharacterPose(0));
    EXPECT_FALSE(scene->DestroyCharacterPose(0));
    EXPECT_EQ(mManager.GetHandlerObjectCount(), handlers);
    EXPECT_EQ(mManager.GetSceneCount(), scenes);

    // Clearing the scene drops its plugs and poses; the manager tears the rest down.
    scene->CreateCharacterPose("Sit");
    scene->CreateControlSetPlug("P");
    scene->Clear();
    EXPECT_EQ(scene->GetCharacterPoseCount(), 0);
    EXPECT_EQ(scene->GetControlSetPlugCount(), 0);
    scene->CreateCharacterPose("Kneel");
    mManager.DestroyAllObjects();
    EXPECT_EQ(mManager.GetSceneCount(), 0);
    EXPECT_EQ(mManager.GetHandlerObjectCount(), 0);
}

} // namespace
