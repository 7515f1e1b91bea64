#pragma once

// KScnCharacterProperties: the property set of a character (KScnCharacter):
// its characterization and solver settings (posture, compensations, reach,
// roll extraction, floor contact, finger tips, damping, stabilisation), the
// object lists that tie it to its source, actor and control set, and one
// object list per named character node slot ("HipsLink", ...) holding the
// property set of the node mapped there.
//
// Most settings mirror an entry of the character's parameter table: they take
// their values from it at construction (ReadParameters), and the forward and
// clamp setters write back into it. The scene reader, which writes a file's
// parameters into the table directly, runs ReadParameters once more after
// that, so that the settings show them (see the scene file format notes). Setter kinds, per row of the
// table below:
//   Store   - stores the value only;
//   Forward - stores it and writes the parameter (a bool as mode 0/1, a mode
//             enumeration as the mode, a value enumeration as the value);
//   Clamp   - clamps to [lo, hi], stores and writes the parameter value;
//   Getter  - no setter: a typed set of the property stores straight into
//             it (state bit 32 marks these).
// The parameter table refuses modes outside their range; the property keeps
// what it was given.
//
// Connecting a node's property set to a "...Link" list maps that node to the
// slot (KScnCharacter::SetLink without update); removing it clears the slot
// when it still names that node. Only property sets of nodes count.
// Connecting a control-set plug's property set to "ControlSet" copies the
// plug into the character's control set.
//
// Every write into an animatable property goes to the character's takes
// (KScnPropertyHandler::PushesEveryWrite).
//
// Ownership: made and destroyed only by its character.

#include "scenesdk/attributes/KScnConstraintProperty.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KScnCharacter;
class KScnCharacterParameters;

// The declared properties in declaration order:
// X(name, type, setter kind, parameter index, parameter half, lo, hi,
//   animatable, enum-name function).
// A Vector half reads three consecutive parameter values as x, y, z.
// clang-format off
#define KSCN_CHARACTER_PROPERTY_ROWS(X) \
    X(Active, bool, Store, -1, None, 0, 0, false, nullptr) \
    X(Lock, bool, Store, -1, None, 0, 0, false, nullptr) \
    X(Weight, double, Store, -1, None, 0, 0, true, nullptr) \
    X(PullIterationCount, double, Clamp, 0, Value, 0, 30, false, nullptr) \
    X(Posture, kCharacterPosture, Forward, 1, Value, 0, 0, false, PostureName) \
    X(ForceActorSpace, bool, Forward, 2, Mode, 0, 0, false, nullptr) \
    X(ScaleCompensation, double, Store, 3, Value, 0, 0, true, nullptr) \
    X(ScaleCompensationMode, kCharacterOffAutoUser, Forward, 3, Mode, 0, 0, false, OffAutoUserName) \
    X(HipsHeightCompensation, double, Store, 4, Value, 0, 0, true, nullptr) \
    X(HipsHeightCompensationMode, kCharacterOffAutoUser, Forward, 4, Mode, 0, 0, false, OffAutoUserName) \
    X(AnkleHeightCompensation, double, Store, 5, Value, 0, 0, true, nullptr) \
    X(AnkleHeightCompensationMode, kCharacterOffAutoUser, Forward, 5, Mode, 0, 0, false, OffAutoUserName) \
    X(AnkleProximityCompensation, double, Store, 6, Value, 0, 0, true, nullptr) \
    X(AnkleProximityCompensationMode, kCharacterOffAutoUser, Forward, 6, Mode, 0, 0, false, OffAutoUserName) \
    X(MassCenterCompensation, double, Getter, 7, Value, 0, 0, true, nullptr) \
    X(ApplyLimits, bool, Forward, 8, Mode, 0, 0, false, nullptr) \
    X(ChestReduction, double, Getter, 9, Value, 0, 0, true, nullptr) \
    X(CollarReduction, double, Getter, 10, Value, 0, 0, true, nullptr) \
    X(NeckReduction, double, Getter, 11, Value, 0, 0, true, nullptr) \
    X(HeadReduction, double, Getter, 12, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftAnkle, double, Getter, 13, Value, 0, 0, true, nullptr) \
    X(ReachActorRightAnkle, double, Getter, 14, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftKnee, double, Getter, 15, Value, 0, 0, true, nullptr) \
    X(ReachActorRightKnee, double, Getter, 16, Value, 0, 0, true, nullptr) \
    X(ReachActorChest, double, Getter, 17, Value, 0, 0, true, nullptr) \
    X(ReachActorHead, double, Getter, 18, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftWrist, double, Getter, 19, Value, 0, 0, true, nullptr) \
    X(ReachActorRightWrist, double, Getter, 20, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftElbow, double, Getter, 21, Value, 0, 0, true, nullptr) \
    X(ReachActorRightElbow, double, Getter, 22, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftFingerBase, double, Getter, 23, Value, 0, 0, true, nullptr) \
    X(ReachActorRightFingerBase, double, Getter, 24, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftToesBase, double, Getter, 25, Value, 0, 0, true, nullptr) \
    X(ReachActorRightToesBase, double, Getter, 26, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftFingerBaseRotation, double, Getter, 27, Value, 0, 0, true, nullptr) \
    X(ReachActorRightFingerBaseRotation, double, Getter, 28, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftToesBaseRotation, double, Getter, 29, Value, 0, 0, true, nullptr) \
    X(ReachActorRightToesBaseRotation, double, Getter, 30, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftAnkleRotation, double, Getter, 31, Value, 0, 0, true, nullptr) \
    X(ReachActorRightAnkleRotation, double, Getter, 32, Value, 0, 0, true, nullptr) \
    X(ReachActorHeadRotation, double, Getter, 33, Value, 0, 0, true, nullptr) \
    X(ReachActorLeftWristRotation, double, Getter, 34, Value, 0, 0, true, nullptr) \
    X(ReachActorRightWristRotation, double, Getter, 35, Value, 0, 0, true, nullptr) \
    X(ReachActorChestRotation, double, Getter, 36, Value, 0, 0, true, nullptr) \
    X(ReachActorLowerChestRotation, double, Getter, 37, Value, 0, 0, true, nullptr) \
    X(HipsTOffset, KgeTVector, Getter, 38, Vector, 0, 0, true, nullptr) \
    X(ChestTOffset, KgeTVector, Getter, 41, Vector, 0, 0, true, nullptr) \
    X(RollExtractionMode, kCharacterRollExtractionMode, Forward, 66, Value, 0, 0, false, RollExtractionModeName) \
    X(LeftUpLegRoll, double, Store, 67, Value, 0, 0, true, nullptr) \
    X(LeftUpLegRollMode, bool, Forward, 67, Mode, 0, 0, false, nullptr) \
    X(LeftLegRoll, double, Store, 68, Value, 0, 0, true, nullptr) \
    X(LeftLegRollMode, bool, Forward, 68, Mode, 0, 0, false, nullptr) \
    X(RightUpLegRoll, double, Store, 69, Value, 0, 0, true, nullptr) \
    X(RightUpLegRollMode, bool, Forward, 69, Mode, 0, 0, false, nullptr) \
    X(RightLegRoll, double, Store, 70, Value, 0, 0, true, nullptr) \
    X(RightLegRollMode, bool, Forward, 70, Mode, 0, 0, false, nullptr) \
    X(LeftArmRoll, double, Store, 71, Value, 0, 0, true, nullptr) \
    X(LeftArmRollMode, bool, Forward, 71, Mode, 0, 0, false, nullptr) \
    X(LeftForeArmRoll, double, Store, 72, Value, 0, 0, true, nullptr) \
    X(LeftForeArmRollMode, bool, Forward, 72, Mode, 0, 0, false, nullptr) \
    X(RightArmRoll, double, Store, 73, Value, 0, 0, true, nullptr) \
    X(RightArmRollMode, bool, Forward, 73, Mode, 0, 0, false, nullptr) \
    X(RightForeArmRoll, double, Store, 74, Value, 0, 0, true, nullptr) \
    X(RightForeArmRollMode, bool, Forward, 74, Mode, 0, 0, false, nullptr) \
    X(ContactBehaviour, kCharacterContactBehaviour, Forward, 174, Value, 0, 0, false, ContactBehaviourName) \
    X(FootFloorContact, bool, Forward, 44, Mode, 0, 0, false, nullptr) \
    X(FootAutomaticToes, bool, Forward, 52, Mode, 0, 0, false, nullptr) \
    X(FootFloorPivot, kCharacterFloorPivot, Forward, 53, Value, 0, 0, false, FootFloorPivotName) \
    X(FootBottomToAnkle, double, Clamp, 45, Value, 0.01, 1000.0, false, nullptr) \
    X(FootBackToAnkle, double, Clamp, 46, Value, 0.01, 1000.0, false, nullptr) \
    X(FootMiddleToAnkle, double, Clamp, 47, Value, 0.01, 1000.0, false, nullptr) \
    X(FootFrontToMiddle, double, Clamp, 48, Value, 0.01, 1000.0, false, nullptr) \
    X(FootInToAnkle, double, Clamp, 49, Value, 0.01, 1000.0, false, nullptr) \
    X(FootOutToAnkle, double, Clamp, 50, Value, 0.01, 1000.0, false, nullptr) \
    X(FootContactSize, double, Clamp, 51, Value, 0.01, 1000.0, false, nullptr) \
    X(FootFingerContact, bool, Forward, 171, Mode, 0, 0, false, nullptr) \
    X(FootContactType, kCharacterFloorContactType, Forward, 170, Value, 0, 0, false, FootContactTypeName) \
    X(FootFingerContactMode, kCharacterFingerContactMode, Forward, 172, Value, 0, 0, false, FingerContactModeName) \
    X(FootContactStiffness, double, Getter, 54, Value, 0, 0, true, nullptr) \
    X(FootFingerContactRollStiffness, double, Getter, 173, Value, 0, 0, true, nullptr) \
    X(HandFloorContact, bool, Forward, 55, Mode, 0, 0, false, nullptr) \
    X(HandAutomaticFingers, bool, Forward, 63, Mode, 0, 0, false, nullptr) \
    X(HandFloorPivot, kCharacterFloorPivot, Forward, 64, Value, 0, 0, false, HandFloorPivotName) \
    X(HandBottomToWrist, double, Clamp, 56, Value, 0.01, 1000.0, false, nullptr) \
    X(HandBackToWrist, double, Clamp, 57, Value, 0.01, 1000.0, false, nullptr) \
    X(HandMiddleToWrist, double, Clamp, 58, Value, 0.01, 1000.0, false, nullptr) \
    X(HandFrontToMiddle, double, Clamp, 59, Value, 0.01, 1000.0, false, nullptr) \
    X(HandInToWrist, double, Clamp, 60, Value, 0.01, 1000.0, false, nullptr) \
    X(HandOutToWrist, double, Clamp, 61, Value, 0.01, 1000.0, false, nullptr) \
    X(HandContactSize, double, Clamp, 62, Value, 0.01, 1000.0, false, nullptr) \
    X(HandFingerContact, bool, Forward, 167, Mode, 0, 0, false, nullptr) \
    X(HandContactType, kCharacterFloorContactType, Forward, 166, Value, 0, 0, false, HandContactTypeName) \
    X(HandFingerContactMode, kCharacterFingerContactMode, Forward, 168, Value, 0, 0, false, FingerContactModeName) \
    X(HandContactStiffness, double, Getter, 65, Value, 0, 0, true, nullptr) \
    X(HandFingerContactRollStiffness, double, Getter, 169, Value, 0, 0, true, nullptr) \
    X(LeftHandThumbTip, double, Clamp, 141, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftHandIndexTip, double, Clamp, 142, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftHandMiddleTip, double, Clamp, 143, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftHandRingTip, double, Clamp, 144, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftHandPinkyTip, double, Clamp, 145, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftHandExtraFingerTip, double, Clamp, 146, Value, 0.01, 1000.0, false, nullptr) \
    X(RightHandThumbTip, double, Clamp, 147, Value, 0.01, 1000.0, false, nullptr) \
    X(RightHandIndexTip, double, Clamp, 148, Value, 0.01, 1000.0, false, nullptr) \
    X(RightHandMiddleTip, double, Clamp, 149, Value, 0.01, 1000.0, false, nullptr) \
    X(RightHandRingTip, double, Clamp, 150, Value, 0.01, 1000.0, false, nullptr) \
    X(RightHandPinkyTip, double, Clamp, 151, Value, 0.01, 1000.0, false, nullptr) \
    X(RightHandExtraFingerTip, double, Clamp, 152, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftFootThumbTip, double, Clamp, 153, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftFootIndexTip, double, Clamp, 154, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftFootMiddleTip, double, Clamp, 155, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftFootRingTip, double, Clamp, 156, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftFootPinkyTip, double, Clamp, 157, Value, 0.01, 1000.0, false, nullptr) \
    X(LeftFootExtraFingerTip, double, Clamp, 158, Value, 0.01, 1000.0, false, nullptr) \
    X(RightFootThumbTip, double, Clamp, 159, Value, 0.01, 1000.0, false, nullptr) \
    X(RightFootIndexTip, double, Clamp, 160, Value, 0.01, 1000.0, false, nullptr) \
    X(RightFootMiddleTip, double, Clamp, 161, Value, 0.01, 1000.0, false, nullptr) \
    X(RightFootRingTip, double, Clamp, 162, Value, 0.01, 1000.0, false, nullptr) \
    X(RightFootPinkyTip, double, Clamp, 163, Value, 0.01, 1000.0, false, nullptr) \
    X(RightFootExtraFingerTip, double, Clamp, 164, Value, 0.01, 1000.0, false, nullptr) \
    X(FingerSolving, bool, Forward, 165, Mode, 0, 0, false, nullptr) \
    X(CtrlPullLeftToeBase, double, Getter, 89, Value, 0, 0, true, nullptr) \
    X(CtrlPullLeftFoot, double, Getter, 90, Value, 0, 0, true, nullptr) \
    X(CtrlPullLeftKnee, double, Getter, 91, Value, 0, 0, true, nullptr) \
    X(CtrlPullRightToeBase, double, Getter, 92, Value, 0, 0, true, nullptr) \
    X(CtrlPullRightFoot, double, Getter, 93, Value, 0, 0, true, nullptr) \
    X(CtrlPullRightKnee, double, Getter, 94, Value, 0, 0, true, nullptr) \
    X(CtrlPullLeftFingerBase, double, Getter, 95, Value, 0, 0, true, nullptr) \
    X(CtrlPullLeftHand, double, Getter, 96, Value, 0, 0, true, nullptr) \
    X(CtrlPullLeftElbow, double, Getter, 97, Value, 0, 0, true, nullptr) \
    X(CtrlPullRightFingerBase, double, Getter, 98, Value, 0, 0, true, nullptr) \
    X(CtrlPullRightHand, double, Getter, 99, Value, 0, 0, true, nullptr) \
    X(CtrlPullRightElbow, double, Getter, 100, Value, 0, 0, true, nullptr) \
    X(CtrlChestPullLeftHand, double, Getter, 101, Value, 0, 0, true, nullptr) \
    X(CtrlChestPullRightHand, double, Getter, 102, Value, 0, 0, true, nullptr) \
    X(CtrlPullHead, double, Getter, 103, Value, 0, 0, true, nullptr) \
    X(CtrlResistHipsPosition, double, Getter, 104, Value, 0, 0, true, nullptr) \
    X(CtrlEnforceGravity, double, Getter, 105, Value, 0, 0, true, nullptr) \
    X(CtrlResistHipsOrientation, double, Getter, 106, Value, 0, 0, true, nullptr) \
    X(CtrlResistChestPosition, double, Getter, 107, Value, 0, 0, true, nullptr) \
    X(CtrlResistChestOrientation, double, Getter, 108, Value, 0, 0, true, nullptr) \
    X(CtrlResistLeftCollar, double, Getter, 109, Value, 0, 0, true, nullptr) \
    X(CtrlResistRightCollar, double, Getter, 110, Value, 0, 0, true, nullptr) \
    X(CtrlResistLeftKnee, double, Getter, 111, Value, 0, 0, true, nullptr) \
    X(CtrlResistMaximumExtensionLeftKnee, double, Getter, 112, Value, 0, 0, true, nullptr) \
    X(CtrlResistCompressionFactorLeftKnee, double, Getter, 113, Value, 0, 0, true, nullptr) \
    X(CtrlResistRightKnee, double, Getter, 114, Value, 0, 0, true, nullptr) \
    X(CtrlResistMaximumExtensionRightKnee, double, Getter, 115, Value, 0, 0, true, nullptr) \
    X(CtrlResistCompressionFactorRightKnee, double, Getter, 116, Value, 0, 0, true, nullptr) \
    X(CtrlResistLeftElbow, double, Getter, 117, Value, 0, 0, true, nullptr) \
    X(CtrlResistMaximumExtensionLeftElbow, double, Getter, 118, Value, 0, 0, true, nullptr) \
    X(CtrlResistCompressionFactorLeftElbow, double, Getter, 119, Value, 0, 0, true, nullptr) \
    X(CtrlResistRightElbow, double, Getter, 120, Value, 0, 0, true, nullptr) \
    X(CtrlResistMaximumExtensionRightElbow, double, Getter, 121, Value, 0, 0, true, nullptr) \
    X(CtrlResistCompressionFactorRightElbow, double, Getter, 122, Value, 0, 0, true, nullptr) \
    X(CtrlSpineStiffness, double, Getter, 123, Value, 0, 0, true, nullptr) \
    X(CtrlNeckStiffness, double, Getter, 124, Value, 0, 0, true, nullptr) \
    X(MirrorMode, bool, Forward, 125, Mode, 0, 0, false, nullptr) \
    X(ShoulderCorrection, double, Getter, 127, Value, 0, 0, true, nullptr) \
    X(LeftKneeKillPitch, bool, Forward, 128, Mode, 0, 0, false, nullptr) \
    X(RightKneeKillPitch, bool, Forward, 129, Mode, 0, 0, false, nullptr) \
    X(LeftElbowKillPitch, bool, Forward, 130, Mode, 0, 0, false, nullptr) \
    X(RightElbowKillPitch, bool, Forward, 131, Mode, 0, 0, false, nullptr) \
    X(HipsTranslationMode, kCharacterHipsTranslationMode, Forward, 132, Value, 0, 0, false, HipsTranslationModeName) \
    X(WriteReference, bool, Forward, 175, Mode, 0, 0, false, nullptr) \
    X(SyncMode, bool, Forward, 176, Mode, 0, 0, false, nullptr) \
    X(Damping, double, Getter, 75, Value, 0, 0, true, nullptr) \
    X(OrientationDamping, double, Store, 76, Value, 0, 0, true, nullptr) \
    X(OrientationDampingMode, kCharacterOffAutoUser, Forward, 76, Mode, 0, 0, false, OffAutoUserName) \
    X(DisplacementDamping, double, Store, 77, Value, 0, 0, true, nullptr) \
    X(DisplacementDampingMode, kCharacterOffAutoUser, Forward, 77, Mode, 0, 0, false, OffAutoUserName) \
    X(DisplacementMemory, double, Store, 78, Value, 0, 0, true, nullptr) \
    X(DisplacementMemoryMode, kCharacterAutoUser, Forward, 78, Mode, 0, 0, false, AutoUserName) \
    X(HipsDisplacementDamping, double, Store, 79, Value, 0, 0, true, nullptr) \
    X(HipsDisplacementDampingMode, kCharacterAutoUser, Forward, 79, Mode, 0, 0, false, AutoUserName) \
    X(AnkleDisplacementDamping, double, Store, 80, Value, 0, 0, true, nullptr) \
    X(AnkleDisplacementDampingMode, kCharacterAutoUser, Forward, 80, Mode, 0, 0, false, AutoUserName) \
    X(WristDisplacementDamping, double, Store, 81, Value, 0, 0, true, nullptr) \
    X(WristDisplacementDampingMode, kCharacterAutoUser, Forward, 81, Mode, 0, 0, false, AutoUserName) \
    X(Stabilization, double, Getter, 82, Value, 0, 0, true, nullptr) \
    X(AnkleStabilizationTime, double, Store, 83, Value, 0, 0, true, nullptr) \
    X(AnkleStabilizationTimeMode, kCharacterAutoUser, Forward, 83, Mode, 0, 0, false, AutoUserName) \
    X(AnkleStabilizationPerimeter, double, Store, 84, Value, 0, 0, true, nullptr) \
    X(AnkleStabilizationPerimeterMode, kCharacterAutoUser, Forward, 84, Mode, 0, 0, false, AutoUserName) \
    X(AnkleStabilizationAngularPerimeter, double, Store, 85, Value, 0, 0, true, nullptr) \
    X(AnkleStabilizationAngularPerimeterMode, kCharacterOffAutoUser, Forward, 85, Mode, 0, 0, false, OffAutoUserName) \
    X(AnkleStabilizationFloorProximity, double, Store, 86, Value, 0, 0, true, nullptr) \
    X(AnkleStabilizationFloorProximityMode, kCharacterOffAutoUser, Forward, 86, Mode, 0, 0, false, OffAutoUserName) \
    X(AnkleStabilizationDamping, double, Store, 87, Value, 0, 0, true, nullptr) \
    X(AnkleStabilizationDampingMode, kCharacterOffAutoUser, Forward, 87, Mode, 0, 0, false, OffAutoUserName) \
    X(AnkleStabilizationRecoveryTime, double, Store, 88, Value, 0, 0, true, nullptr) \
    X(AnkleStabilizationRecoveryTimeMode, kCharacterOffAutoUser, Forward, 88, Mode, 0, 0, false, OffAutoUserName)
// clang-format on

class KScnCharacterProperties : public KScnConstraintProperty
{
    KCLASSID_DECLARE(KScnCharacterProperties)

public:
    enum kCharacterPosture : int
    {
        eCharacterBiped = 0,
        eCharacterQuadruped
    };
    enum kCharacterOffAutoUser : int
    {
        eCharacterOff = 0,
        eCharacterAuto,
        eCharacterUser
    };
    enum kCharacterAutoUser : int
    {
        eCharacterAutoOnly = 0,
        eCharacterUserOnly
    };
    enum kCharacterRollExtractionMode : int
    {
        eCharacterRelative = 0,
        eCharacterAbsolute
    };
    enum kCharacterFloorPivot : int
    {
        eCharacterPivotAuto = 0,
        eCharacterPivotJoint,
        eCharacterPivotTips
    };
    enum kCharacterFloorContactType : int
    {
        eCharacterContactNormal = 0,
        eCharacterContactJoint,
        eCharacterContactBase,
        eCharacterContactHoof
    };
    enum kCharacterFingerContactMode : int
    {
        eCharacterSticky = 0,
        eCharacterSpread,
        eCharacterStickyAndSpread
    };
    enum kCharacterHipsTranslationMode : int
    {
        eCharacterWorldRigid = 0,
        eCharacterBodyRigid
    };
    enum kCharacterContactBehaviour : int
    {
        eCharacterNeverSync = 0,
        eCharacterSyncOnKey,
        eCharacterAlwaysSync
    };

    static constexpr int kDeclaredCount = 191;

    explicit KScnCharacterProperties(KScnCharacter* owner);

    // ---- Getters (every row) and setters (all but the getter-only rows) ----
#define KSCN_CHARACTER_SETTER_Store(Name, Type) Type Set##Name(Type value);
#define KSCN_CHARACTER_SETTER_Forward(Name, Type) Type Set##Name(Type value);
#define KSCN_CHARACTER_SETTER_Clamp(Name, Type) Type Set##Name(Type value);
#define KSCN_CHARACTER_SETTER_Getter(Name, Type)
#define KSCN_CHARACTER_ACCESSORS(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn)                           \
    Type Get##Name();                                                                                        \
    KSCN_CHARACTER_SETTER_##Write(Name, Type)
    KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_ACCESSORS)
#undef KSCN_CHARACTER_ACCESSORS
#undef KSCN_CHARACTER_SETTER_Store
#undef KSCN_CHARACTER_SETTER_Forward
#undef KSCN_CHARACTER_SETTER_Clamp
#undef KSCN_CHARACTER_SETTER_Getter

    // Copies the owner's parameter values into the mirrored properties:
    // settable ones directly (no setter, no events), getter-only ones through
    // their typed set.
    void ReadParameters();

    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override;

    // The "...Link" list of node id 0..190; null for ids without a name.
    KPropertyObjectList* GetLinkProperty(int id) const;
    // The node id a list stands for; -1 when it is no link list of this set.
    int GetLinkPropertyNodeId(const KPlug* list) const;

    // ---- Enumeration names (null past the last value) ----
    static const char* PostureName(int value);
    static const char* OffAutoUserName(int value);
    static const char* AutoUserName(int value);
    static const char* RollExtractionModeName(int value);
    static const char* FootFloorPivotName(int value);
    static const char* HandFloorPivotName(int value);
    static const char* FootContactTypeName(int value);
    static const char* HandContactTypeName(int value);
    static const char* FingerContactModeName(int value);
    static const char* HipsTranslationModeName(int value);
    static const char* ContactBehaviourName(int value);

    // ---- Declared properties ----
#define KSCN_CHARACTER_MEMBER(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn) KPropertyTemplate<Type> Name;
    KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_MEMBER)
#undef KSCN_CHARACTER_MEMBER

    KScnConstraintObjectList SourceObject;
    KScnConstraintObjectList DestinationObject;
    KScnConstraintObjectList Actor;
    KScnConstraintObjectList Character;
    KScnConstraintObjectList ControlSet;

protected:
    ~KScnCharacterProperties() override = default;
    // Every value written into an animatable property (a setter's, a typed
    // set's, KProperty::SetFromDoubles) reaches the character's takes, as
    // with nodes, textures and materials.
    bool PushesEveryWrite() const override { return true; }

private:
    template <class T> struct NoDeduce
    {
        using type = T;
    };
    template <class T>
    void BindRow(int row, KPropertyTemplate<T>& property, T (KScnCharacterProperties::*get)(),
                 typename NoDeduce<T (KScnCharacterProperties::*)(T)>::type set, KEnumNameFunction names);
    template <class T> T WriteRow(int row, T value);
    template <class T> void ReadRow(int row, KPropertyTemplate<T>& property, T& store);
    void CreateLinkProperties();
    void BindObjectLists();
    void PushSetValue(KProperty& property);

    KScnCharacter* mCharacter;
    KPropertyObjectList* mLinkProperties[kDeclaredCount] = {};

    // Stored values of the settable rows (getter-only rows keep theirs in
    // the property).
#define KSCN_CHARACTER_STORE(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn) Type m##Name{};
    KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_STORE)
#undef KSCN_CHARACTER_STORE
};

} // namespace scenesdk
