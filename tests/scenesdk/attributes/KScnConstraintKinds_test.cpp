#include "scenesdk/attributes/KScnConstraintAim.h"
#include "scenesdk/attributes/KScnConstraintParent.h"
#include "scenesdk/attributes/KScnConstraintPosition.h"
#include "scenesdk/attributes/KScnConstraintRotation.h"
#include "scenesdk/attributes/KScnConstraintScale.h"
#include "scenesdk/attributes/KScnConstraintSingleChainIK.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KScnFree.h"
#include "tests/scenesdk/attributes/ConstraintTestSupport.h"

#include <gtest/gtest.h>

using namespace scenesdk;
using namespace constrainttest;

namespace
{

using Names = std::vector<std::string>;
using Vec = std::vector<double>;

void ExpectEnum(KProperty* property, int value, const std::vector<const char*>& names)
{
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(property->GetTypeCode(), eKPropEnum) << property->GetName();
    EXPECT_TRUE(property->GetAttributes().HasFlag(KPropertyAttributes::kEnumFunction));
    EXPECT_EQ(property->GetInt(), value) << property->GetName();
    for (size_t i = 0; i < names.size(); ++i)
    {
        EXPECT_STREQ(property->GetEnumName(static_cast<int>(i)), names[i]);
    }
    EXPECT_EQ(property->GetEnumName(static_cast<int>(names.size())), nullptr);
    EXPECT_EQ(property->GetEnumName(-1), nullptr);
}

void ExpectAnimatedVector(KProperty* property, const Vec& value)
{
    ASSERT_NE(property, nullptr);
    EXPECT_STREQ(property->GetDataType()->GetName(), "Vector") << property->GetName();
    EXPECT_TRUE(property->IsAnimatable());
    EXPECT_TRUE(property->TestStateFlags(8));
    EXPECT_EQ(ValueOf(property), value) << property->GetName();
}

// ---- Aim ----------------------------------------------------------------

TEST(AimConstraint, PropertiesInBindingOrderWithTheirDefaults)
{
    KScnFree<KScnConstraintAim> aim(nullptr, "Constraint::look");
    KScnConstraintAimProperties* set = aim.GetProperties();
    EXPECT_EQ(PropertyNames(set),
              (Names{"Active", "Lock", "Constrained Object", "Aim At Object", "World Up Object",
                     "WorldUpType", "AffectX", "AffectY", "AffectZ", "WorldUpVector", "UpVector", "AimVector",
                     "RotationOffset", "Weight"}));
    ExpectEnum(&set->WorldUpType, 0, {"Scene Up", "Object Up", "Object Rotation Up", "Vector", "None"});
    EXPECT_EQ(set->GetWorldUpType(), KScnConstraintAim::eAimAtSceneUp);
    for (KProperty* p : {&set->AffectX, &set->AffectY, &set->AffectZ})
    {
        EXPECT_EQ(p->GetTypeCode(), eKPropBool);
        EXPECT_EQ(p->GetInt(), 0);
    }
    ExpectAnimatedVector(set->FindProperty("WorldUpVector"), {0, 1, 0, 1});
    ExpectAnimatedVector(set->FindProperty("UpVector"), {0, 1, 0, 1});
    ExpectAnimatedVector(set->FindProperty("AimVector"), {1, 0, 0, 1});
    ExpectAnimatedVector(set->FindProperty("RotationOffset"), {0, 0, 0, 1});
    int tag = 0;
    int classId = 0;
    set->WorldUpObject.GetFilter(&tag, &classId);
    EXPECT_EQ(tag, 1);
    EXPECT_EQ(classId, -1);
    set->AimAtObjects.GetFilter(&tag, &classId);
    EXPECT_EQ(tag, -1);
    EXPECT_EQ(classId, -1);
    EXPECT_EQ(set->WorldUpObject.GetPlugFlags() & 7u, KPlug::kAcceptsSrc) << "the up object is a source";
}

TEST(AimConstraint, TypedPairsAndBoundPropertiesShareOneValue)
{
    KScnFree<KScnConstraintAim> aim(nullptr, "Constraint::look");
    KScnConstraintAimProperties* set = aim.GetProperties();
    EXPECT_EQ(set->SetWorldUpType(KScnConstraintAim::eAimAtVector), KScnConstraintAim::eAimAtVector);
    EXPECT_EQ(set->WorldUpType.GetInt(), 3);
    ASSERT_TRUE(set->WorldUpType.SetInt(4));
    EXPECT_EQ(static_cast<int>(set->GetWorldUpType()), 4);
    EXPECT_EQ(set->WorldUpType.GetEnumName(5), nullptr);
    EXPECT_TRUE(set->SetAffectY(true));
    EXPECT_TRUE(set->AffectY.GetValue());
    EXPECT_FALSE(set->GetAffectX());
    set->Lock.SetValue(true);
    EXPECT_TRUE(set->GetLock());
    EXPECT_FALSE(set->GetActive());
}

TEST(AimConstraint, SetOffsetWritesTheRotationOffsetWithAUnitFourthComponent)
{
    KScnFree<KScnConstraintAim> aim(nullptr, "Constraint::look");
    aim.SetOffset(KgeTVector(10, 20, 30, 7));
    EXPECT_EQ(ValueOf(aim.GetProperties()->FindProperty("RotationOffset")), (Vec{10, 20, 30, 1}));
    EXPECT_FLOAT_EQ(ChannelCurve(aim.GetTakeNode(0), "RotationOffset/Z")->GetDefaultValue(), 30.0f);
    EXPECT_EQ(ValueOf(aim.GetProperties()->FindProperty("AimVector")), (Vec{1, 0, 0, 1})) << "untouched";
}

// A set whose getter is overridden: the bound property follows it.
class MirroredAimProperties : public KScnConstraintAimProperties
{
public:
    using KScnConstraintAimProperties::KScnConstraintAimProperties;
    bool GetAffectX() override { return !KScnConstraintAimProperties::GetAffectX(); }

protected:
    ~MirroredAimProperties() override = default;
};

TEST(AimConstraint, BoundPropertiesReachTheMostDerivedAccessors)
{
    KScnFree<KScnConstraintAim> aim(nullptr, "Constraint::look");
    auto* mirrored = new MirroredAimProperties(&aim);
    EXPECT_TRUE(mirrored->AffectX.GetValue());
    mirrored->AffectX.SetValue(true);
    EXPECT_FALSE(mirrored->AffectX.GetValue());
    mirrored->Destroy();
}

// ---- Single-chain IK ----------------------------------------------------

TEST(SingleChainIKConstraint, PropertiesInBindingOrderWithTheirDefaults)
{
    KScnFree<KScnConstraintSingleChainIK> ik(nullptr, "Constraint::leg");
    KScnConstraintSingleChainIKProperties* set = ik.GetProperties();
    EXPECT_EQ(PropertyNames(set),
              (Names{"Active", "Lock", "First Joint", "End Joint", "Effector", "Pole Vector Object",
                     "SolverType", "PoleVectorType", "EvaluateTSAnim", "PoleVector", "Twist", "Weight"}));
    ExpectEnum(&set->SolverType, 1, {"ikRPSolver", "ikSCSolver"});
    EXPECT_STREQ(set->SolverType.GetEnumName(set->SolverType.GetInt()), "ikSCSolver");
    ExpectEnum(&set->PoleVectorType, 0, {"Vector", "Object"});
    ExpectEnum(&set->EvaluateTSAnim, 0, {"Never", "Auto", "Always"});
    EXPECT_EQ(set->EvaluateTSAnim.GetEnumName(3), nullptr);
    ExpectAnimatedVector(set->FindProperty("PoleVector"), {0, 0, 0, 1});
    KProperty* twist = set->FindProperty("Twist");
    ASSERT_NE(twist, nullptr);
    EXPECT_STREQ(twist->GetDataType()->GetName(), "Number");
    EXPECT_DOUBLE_EQ(twist->GetDouble(), 0.0);
    EXPECT_TRUE(twist->IsAnimatable());
    EXPECT_EQ(set->FindProperty("AffectX"), nullptr) << "no switches on this kind";
}

TEST(SingleChainIKConstraint, JointsAreDrivenAndEffectorsAreSources)
{
    Objects objs;
    KScnFree<KScnConstraintSingleChainIK> ik(nullptr, "Constraint::leg");
    KScnConstraintSingleChainIKProperties* set = ik.GetProperties();
    EXPECT_EQ(set->FirstJoint.GetPlugFlags() & 7u, KPlug::kAcceptsDst);
    EXPECT_EQ(set->EndJoint.GetPlugFlags() & 7u, KPlug::kAcceptsDst);
    EXPECT_EQ(set->Effector.GetPlugFlags() & 7u, KPlug::kAcceptsSrc);
    EXPECT_EQ(set->PoleVectorObject.GetPlugFlags() & 7u, KPlug::kAcceptsSrc);
    int tag = 0;
    set->Effector.GetFilter(&tag);
    EXPECT_EQ(tag, 1);
    set->PoleVectorObject.GetFilter(&tag);
    EXPECT_EQ(tag, -1);
    set->EndJoint.GetFilter(&tag);
    EXPECT_EQ(tag, 1);

    KObject* hip = objs.Make();
    KObject* ankle = objs.Make();
    KObject* target = objs.Make();
    set->FirstJoint.Add(hip);
    set->EndJoint.Add(ankle);
    set->Effector.Add(target);
    EXPECT_EQ(set->FirstJoint.GetAt(0), hip);
    EXPECT_EQ(set->EndJoint.GetAt(0), ankle);
    EXPECT_EQ(set->Effector.GetAt(0), target);
    EXPECT_EQ(set->Effector.GetDstCount(), 0);
}

TEST(SingleChainIKConstraint, TypedPairsStoreAndReturn)
{
    KScnFree<KScnConstraintSingleChainIK> ik(nullptr, "Constraint::leg");
    KScnConstraintSingleChainIKProperties* set = ik.GetProperties();
    EXPECT_EQ(set->SetSolverType(KScnConstraintSingleChainIK::eRPSolver),
              KScnConstraintSingleChainIK::eRPSolver);
    EXPECT_STREQ(set->SolverType.GetEnumName(set->SolverType.GetInt()), "ikRPSolver");
    set->EvaluateTSAnim.SetInt(2);
    EXPECT_EQ(set->GetEvaluateTSAnim(), KScnConstraintSingleChainIK::eAlways);
    EXPECT_EQ(set->SetPoleVectorType(KScnConstraintSingleChainIK::ePoleVectorTypeObject),
              KScnConstraintSingleChainIK::ePoleVectorTypeObject);
    EXPECT_EQ(set->PoleVectorType.GetInt(), 1);
}

// ---- Parent-child -------------------------------------------------------

TEST(ParentConstraint, PropertiesInBindingOrderWithTheirDefaults)
{
    KScnFree<KScnConstraintParent> parent(nullptr, "Constraint::grip");
    KScnConstraintParentProperties* set = parent.GetProperties();
    EXPECT_EQ(PropertyNames(set),
              (Names{"Active", "Lock", "Constrained object (Child)", "Source (Parent)", "AffectTranslationX",
                     "AffectTranslationY", "AffectTranslationZ", "AffectRotationX", "AffectRotationY",
                     "AffectRotationZ", "AffectScalingX", "AffectScalingY", "AffectScalingZ", "Weight"}));
    for (int i = 4; i < 13; ++i)
    {
        EXPECT_EQ(set->GetProperty(i)->GetTypeCode(), eKPropBool);
        EXPECT_EQ(set->GetProperty(i)->GetInt(), 0);
    }
    set->SetAffectRotationY(true);
    EXPECT_TRUE(set->AffectRotationY.GetValue());
    EXPECT_FALSE(set->AffectRotationX.GetValue());
    EXPECT_FALSE(set->AffectScalingY.GetValue());
}

TEST(ParentConstraint, RotationOffsetsAreFoundUnderTheSourcesCurrentName)
{
    KScnFree<KScnConstraintParent> parent(nullptr, "Constraint::grip");
    KScnConstraintParentProperties* set = parent.GetProperties();
    TestModel hand("Model::hand");
    const int count = set->GetPropertyCount();

    parent.SetRotationOffset(&hand, KgeTVector(1, 2, 3)); // no "hand.Offset R" yet
    parent.SetRotationOffset(nullptr, KgeTVector(1, 2, 3));
    EXPECT_EQ(set->GetPropertyCount(), count) << "nothing is created";

    KProperty* handOffset = set->CreateDynamicProperty("hand.Offset R", eKPropVector3D, nullptr, true);
    KProperty* translate = set->CreateDynamicProperty("hand.Offset T", eKPropVector3D, nullptr, true);
    ASSERT_NE(handOffset, nullptr);
    parent.SetRotationOffset(&hand, KgeTVector(10, 20, 30, 0));
    EXPECT_EQ(ValueOf(handOffset), (Vec{10, 20, 30, 1}));
    EXPECT_EQ(ValueOf(translate), (Vec{0, 0, 0, 1})) << "only the rotation offset";

    KProperty* palmOffset = set->CreateDynamicProperty("palm.Offset R", eKPropVector3D, nullptr, true);
    hand.SetName("palm");
    ASSERT_STREQ(hand.GetName(), "Model::palm");
    parent.SetRotationOffset(&hand, KgeTVector(-1, -2, -3));
    EXPECT_EQ(ValueOf(palmOffset), (Vec{-1, -2, -3, 1}));
    EXPECT_EQ(ValueOf(handOffset), (Vec{10, 20, 30, 1}));

    parent.SetOffset(KgeTVector(7, 7, 7)); // the base's: nothing
    EXPECT_EQ(ValueOf(palmOffset), (Vec{-1, -2, -3, 1}));
}

// ---- Position, rotation, scale ------------------------------------------

template <class Kind> void ExpectTransferLayout(const char* offsetName)
{
    KScnFree<Kind> c(nullptr, "Constraint::t");
    auto* set = c.GetProperties();
    EXPECT_EQ(PropertyNames(set), (Names{"Active", "Lock", "Constrained Object", "Source", "AffectX",
                                         "AffectY", "AffectZ", offsetName, "Weight"}));
    ExpectAnimatedVector(set->FindProperty(offsetName), {0, 0, 0, 1});
    EXPECT_DOUBLE_EQ(set->FindProperty("Weight")->GetDouble(), 100.0);
    EXPECT_EQ(set->FindProperty("Destination"), nullptr);
    EXPECT_EQ(&set->Destination, set->FindProperty("Constrained Object"));
    EXPECT_EQ(set->SetAffectZ(true), true);
    EXPECT_TRUE(set->AffectZ.GetValue());
    set->Active.SetValue(true);
    EXPECT_TRUE(set->GetActive());
    c.SetOffset(KgeTVector(4, 5, 6, 0));
    EXPECT_EQ(ValueOf(set->FindProperty(offsetName)), (Vec{4, 5, 6, 1}));
}

TEST(TransferConstraints, PositionRotationAndScaleShareOneLayout)
{
    ExpectTransferLayout<KScnConstraintPosition>("Translation");
    ExpectTransferLayout<KScnConstraintRotation>("Rotation");
    ExpectTransferLayout<KScnConstraintScale>("Scaling");
}

} // namespace
