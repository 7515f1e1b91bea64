#include "scenesdk/attributes/KScnCharacterParameters.h"

#include <cstring>
#include <new>

namespace scenesdk
{

namespace
{

// The constant rows, unscaled. Columns: dependsOn, modeKind, valueKind,
// minimum, maximum, flag1, flag2, defaultMode, defaultValue, name.
// Row 31's doubled "Rotation" is the name files carry; it is kept as is.
const KScnCharacterParameterInfo kRows[KScnCharacterParameters::kCount] = {
    {-1, 0, 6, 0.0f, 30.0f, 0, 0, 0, 10.0f, "PullIterationCount"},                  // 0
    {-1, 0, 5, 0.0f, 2.0f, 0, 1, 0, 0.0f, "Posture"},                               // 1
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "ForceActorSpace"},                       // 2
    {-1, 2, 6, 1.0f, 1000.0f, 0, 0, 1, 100.0f, "ScaleCompensation"},                // 3
    {-1, 2, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "HipsHeightCompensation"},         // 4
    {-1, 2, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "AnkleHeightCompensation"},        // 5
    {-1, 2, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "AnkleProximityCompensation"},     // 6
    {-1, 1, 6, 0.0f, 120.0f, 0, 0, 1, 80.0f, "MassCenterCompensation"},             // 7
    {-1, 1, 0, 0.0f, 100.0f, 0, 0, 0, 0.0f, "ApplyLimits"},                         // 8
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ChestReduction"},                        // 9
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CollarReduction"},                       // 10
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "NeckReduction"},                         // 11
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "HeadReduction"},                         // 12
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "ReachActorLeftAnkle"},                   // 13
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "ReachActorRightAnkle"},                  // 14
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftKnee"},                    // 15
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightKnee"},                   // 16
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorChest"},                       // 17
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorHead"},                        // 18
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftWrist"},                   // 19
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightWrist"},                  // 20
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftElbow"},                   // 21
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightElbow"},                  // 22
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftFingerBase"},              // 23
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightFingerBase"},             // 24
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftToesBase"},                // 25
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightToesBase"},               // 26
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftFingerBaseRotation"},      // 27
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightFingerBaseRotation"},     // 28
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftToesBaseRotation"},        // 29
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightToesBaseRotation"},       // 30
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "ReachActorLeftAnkleRotationRotation"},   // 31
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "ReachActorRightAnkleRotation"},          // 32
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorHeadRotation"},                // 33
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLeftWristRotation"},           // 34
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorRightWristRotation"},          // 35
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorChestRotation"},               // 36
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ReachActorLowerChestRotation"},          // 37
    {-1, 0, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "HipsTOffsetX"},                   // 38
    {-1, 0, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "HipsTOffsetY"},                   // 39
    {-1, 0, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "HipsTOffsetZ"},                   // 40
    {-1, 0, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "ChestTOffsetX"},                  // 41
    {-1, 0, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "ChestTOffsetY"},                  // 42
    {-1, 0, 3, -1000.0f, 1000.0f, 0, 0, 1, 0.0f, "ChestTOffsetZ"},                  // 43
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "FloorContact"},                          // 44
    {44, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 7.5f, "FootBottomToAnkle"},                 // 45
    {44, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 4.5f, "FootBackToAnkle"},                   // 46
    {44, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 13.0f, "FootMiddleToAnkle"},                // 47
    {44, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 7.0f, "FootFrontToMiddle"},                 // 48
    {44, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 5.0f, "FootInToAnkle"},                     // 49
    {44, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 5.0f, "FootOutToAnkle"},                    // 50
    {44, 0, 6, 10.0f, 1000.0f, 0, 1, 1, 100.0f, "ContactSize"},                     // 51
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "AutomaticToes"},                         // 52
    {-1, 0, 5, 0.0f, 3.0f, 0, 0, 0, 0.0f, "FloorPivot"},                            // 53
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ParamFootContactStiffness"},             // 54
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "HandFloorContact"},                      // 55
    {55, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 7.5f, "HandBottomToWrist"},                 // 56
    {55, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 4.5f, "HandBackToWrist"},                   // 57
    {55, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 13.0f, "HandMiddleToWrist"},                // 58
    {55, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 7.0f, "HandFrontToMiddle"},                 // 59
    {55, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 5.0f, "HandInToWrist"},                     // 60
    {55, 0, 3, 0.0f, 10000.0f, 0, 1, 1, 5.0f, "HandOutToWrist"},                    // 61
    {55, 0, 6, 10.0f, 1000.0f, 0, 1, 1, 100.0f, "HandContactSize"},                 // 62
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "AutomaticFingers"},                      // 63
    {-1, 0, 5, 0.0f, 3.0f, 0, 0, 0, 0.0f, "HandFloorPivot"},                        // 64
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ParamHandContactStiffness"},             // 65
    {-1, 0, 5, 0.0f, 2.0f, 0, 0, 0, 0.0f, "RollExtractionMode"},                    // 66
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "LeftUpLegRoll"},                         // 67
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "LeftLegRoll"},                           // 68
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "RightUpLegRoll"},                        // 69
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "RightLegRoll"},                          // 70
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "LeftArmRoll"},                           // 71
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "LeftForeArmRoll"},                       // 72
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "RightArmRoll"},                          // 73
    {-1, 1, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "RightForeArmRoll"},                      // 74
    {-1, 0, 6, 0.0f, 100.0f, 0, 0, 0, 0.0f, "Damping"},                             // 75
    {75, 2, 2, 0.0f, 0.25f, 0, 0, 1, 0.0f, "Orientation"},                          // 76
    {75, 2, 6, 0.0f, 100.0f, 0, 0, 1, 0.0f, "Displacement"},                        // 77
    {77, 3, 2, 0.0f, 0.25f, 0, 0, 0, 0.0f, "DisplacementMemory"},                   // 78
    {77, 3, 6, 0.0f, 100.0f, 0, 0, 0, 0.0f, "HipsDisplacementDamping"},             // 79
    {77, 3, 6, 0.0f, 100.0f, 0, 0, 0, 0.0f, "AnkleDisplacementDamping"},            // 80
    {77, 3, 6, 0.0f, 100.0f, 0, 0, 0, 0.0f, "WristDisplacementDamping"},            // 81
    {-1, 0, 6, 0.0f, 100.0f, 0, 0, 0, 0.0f, "Stabilization"},                       // 82
    {82, 3, 2, 0.0f, 1.0f, 1, 0, 0, 0.0f, "AnkleStabilizationTime"},                // 83
    {82, 3, 3, 0.0f, 15.0f, 0, 0, 0, 0.0f, "AnkleStabilizationPerimeter"},          // 84
    {82, 2, 4, 0.0f, 60.0f, 0, 0, 1, 0.0f, "AnkleStabilizationAngularPerimeter"},   // 85
    {82, 2, 3, 0.0f, 10.0f, 0, 0, 1, 0.0f, "AnkleStabilizationFloorProximity"},     // 86
    {82, 2, 2, 0.0f, 10.0f, 0, 0, 0, 0.0f, "AnkleStabilizationDamping"},            // 87
    {82, 2, 2, 0.0f, 1.0f, 0, 0, 1, 0.0f, "AnkleStabilizationRecoveryTime"},        // 88
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullLeftToeBase"},                   // 89
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "CtrlPullLeftFoot"},                      // 90
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullLeftKnee"},                      // 91
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullRightToeBase"},                  // 92
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "CtrlPullRightFoot"},                     // 93
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullRightKnee"},                     // 94
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullLeftFingerBase"},                // 95
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "CtrlPullLeftHand"},                      // 96
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullLeftElbow"},                     // 97
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullRightFingerBase"},               // 98
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "CtrlPullRightHand"},                     // 99
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullRightElbow"},                    // 100
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "CtrlChestPullLeftHand"},                 // 101
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 1.0f, "CtrlChestPullRightHand"},                // 102
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlPullHead"},                          // 103
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlResistHipsPosition"},                // 104
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.6f, "CtrlEnforceGravity"},                    // 105
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlResistHipsOrientation"},             // 106
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlResistChestPosition"},               // 107
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "CtrlResistChestOrientation"},            // 108
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistLeftCollar"},                  // 109
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistRightCollar"},                 // 110
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistLeftKnee"},                    // 111
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistMaximumExtensionLeftKnee"},    // 112
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistCompressionFactorLeftKnee"},   // 113
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistRightKnee"},                   // 114
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistMaximumExtensionRightKnee"},   // 115
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistCompressionFactorRightKnee"},  // 116
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistLeftElbow"},                   // 117
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistMaximumExtensionLeftElbow"},   // 118
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistCompressionFactorLeftElbow"},  // 119
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistRightElbow"},                  // 120
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistMaximumExtensionRightElbow"},  // 121
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.5f, "CtrlResistCompressionFactorRightElbow"}, // 122
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ParamCtrlSpineStiffness"},               // 123
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ParamCtrlNeckStiffness"},                // 124
    {-1, 1, 0, 0.0f, 100.0f, 0, 0, 0, 0.0f, "Mirror"},                              // 125
    {-1, 1, 0, 0.0f, 100.0f, 0, 0, 0, 0.0f, "GameMode"},                            // 126
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ShoulderCorrection"},                    // 127
    {-1, 1, 0, 0.0f, 100.0f, 0, 0, 0, 0.0f, "LeftKneeKillPitch"},                   // 128
    {-1, 1, 0, 0.0f, 100.0f, 0, 0, 0, 0.0f, "RightKneeKillPitch"},                  // 129
    {-1, 1, 0, 0.0f, 100.0f, 0, 0, 0, 0.0f, "LeftElbowKillPitch"},                  // 130
    {-1, 1, 0, 0.0f, 100.0f, 0, 0, 0, 0.0f, "RightElbowKillPitch"},                 // 131
    {-1, 0, 5, 0.0f, 2.0f, 0, 1, 0, 0.0f, "HipsTranslationMode"},                   // 132
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "LeftShoulderFrontAngle"},            // 133
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "LeftShoulderBackAngle"},             // 134
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "LeftShoulderUpAngle"},               // 135
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "LeftShoulderDownAngle"},             // 136
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "RightShoulderFrontAngle"},           // 137
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "RightShoulderBackAngle"},            // 138
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "RightShoulderUpAngle"},              // 139
    {-1, 0, 4, 0.0f, 180.0f, 0, 1, 0, 150.0f, "RightShoulderDownAngle"},            // 140
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftHandThumbTip"},                   // 141
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftHandIndexTip"},                   // 142
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftHandMiddleTip"},                  // 143
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftHandRingTip"},                    // 144
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftHandPinkyTip"},                   // 145
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftHandExtraFingerTip"},             // 146
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightHandThumbTip"},                  // 147
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightHandIndexTip"},                  // 148
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightHandMiddleTip"},                 // 149
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightHandRingTip"},                   // 150
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightHandPinkyTip"},                  // 151
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightHandExtraFingerTip"},            // 152
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftFootThumbTip"},                   // 153
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftFootIndexTip"},                   // 154
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftFootMiddleTip"},                  // 155
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftFootRingTip"},                    // 156
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftFootPinkyTip"},                   // 157
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "LeftFootExtraFingerTip"},             // 158
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightFootThumbTip"},                  // 159
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightFootIndexTip"},                  // 160
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightFootMiddleTip"},                 // 161
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightFootRingTip"},                   // 162
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightFootPinkyTip"},                  // 163
    {-1, 0, 3, 0.0f, 1000.0f, 0, 1, 0, 0.5f, "RightFootExtraFingerTip"},            // 164
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 1, 0.0f, "FingerSolving"},                         // 165
    {-1, 0, 5, 0.0f, 4.0f, 0, 1, 0, 0.0f, "HandContactType"},                       // 166
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "HandFingerContact"},                     // 167
    {-1, 0, 5, 0.0f, 3.0f, 0, 0, 0, 1.0f, "HandFingerContactMode"},                 // 168
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ParamHandFingerContactRollStiffness"},   // 169
    {-1, 0, 5, 0.0f, 4.0f, 0, 1, 0, 0.0f, "FootContactType"},                       // 170
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "FootFingerContact"},                     // 171
    {-1, 0, 5, 0.0f, 3.0f, 0, 0, 0, 1.0f, "FootFingerContactMode"},                 // 172
    {-1, 0, 1, 0.0f, 1.0f, 0, 0, 0, 0.0f, "ParamFootFingerContactRollStiffness"},   // 173
    {-1, 0, 5, 0.0f, 3.0f, 0, 1, 0, 0.0f, "ContactBehaviour"},                      // 174
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 0, 0.0f, "WriteReference"},                        // 175
    {-1, 1, 0, 0.0f, 0.0f, 0, 0, 1, 0.0f, "SyncMode"},                              // 176
};

struct PreparedTable
{
    KScnCharacterParameterInfo rows[KScnCharacterParameters::kCount];

    PreparedTable()
    {
        for (int i = 0; i < KScnCharacterParameters::kCount; ++i)
        {
            rows[i] = kRows[i];
            if (rows[i].valueKind == kCharacterValueFraction)
            {
                // Percent scaling in single precision, rounded to the nearest
                // float, as files and the property set expect (0.6 becomes
                // 60.000003814697266, not 60).
                rows[i].maximum = static_cast<float>(kRows[i].maximum * 100.0f);
                rows[i].defaultValue = static_cast<float>(kRows[i].defaultValue * 100.0f);
            }
        }
    }
};

bool ModeFits(int32_t modeKind, int32_t mode)
{
    switch (modeKind)
    {
    case kCharacterModeOnOff:
    case kCharacterModeAutoUser:
        return mode == 0 || mode == 1;
    case kCharacterModeOffAutoUser:
        return mode >= 0 && mode <= 2;
    default:
        return false;
    }
}

bool InRange(int index)
{
    return index >= 0 && index < KScnCharacterParameters::kCount;
}

} // namespace

const KScnCharacterParameterInfo* KScnCharacterParameters::GetInfoTable()
{
    static const PreparedTable table;
    return table.rows;
}

KScnCharacterParameters::KScnCharacterParameters()
    : m_Entries(new (std::nothrow) KScnCharacterParameter[kCount])
{
    if (m_Entries == nullptr)
        return;
    const KScnCharacterParameterInfo* rows = GetInfoTable();
    for (int i = 0; i < kCount; ++i)
    {
        m_Entries[i].mode = rows[i].defaultMode;
        m_Entries[i].value = static_cast<double>(rows[i].defaultValue);
    }
}

KScnCharacterParameters::~KScnCharacterParameters()
{
    delete[] m_Entries;
}

int KScnCharacterParameters::FindIndex(const char* text)
{
    if (text == nullptr)
        return -1;
    const KScnCharacterParameterInfo* rows = GetInfoTable();
    for (int i = 0; i < kCount; ++i)
    {
        if (std::strcmp(rows[i].name, text) == 0)
            return i;
    }
    return -1;
}

int KScnCharacterParameters::GetType(int index)
{
    return InRange(index) ? GetInfoTable()[index].modeKind : -1;
}

KScnCharacterParameter* KScnCharacterParameters::Entry(int index) const
{
    return (m_Entries != nullptr && InRange(index)) ? &m_Entries[index] : nullptr;
}

bool KScnCharacterParameters::SetInt(int index, int32_t mode)
{
    KScnCharacterParameter* entry = Entry(index);
    if (entry == nullptr || !ModeFits(GetInfoTable()[index].modeKind, mode))
        return false;
    entry->mode = mode;
    return true;
}

int32_t KScnCharacterParameters::GetInt(int index) const
{
    const KScnCharacterParameter* entry = Entry(index);
    return entry != nullptr ? entry->mode : 0;
}

bool KScnCharacterParameters::SetDouble(int index, double value)
{
    KScnCharacterParameter* entry = Entry(index);
    if (entry == nullptr)
        return false;
    entry->value = value;
    return true;
}

double KScnCharacterParameters::GetDouble(int index) const
{
    const KScnCharacterParameter* entry = Entry(index);
    return entry != nullptr ? entry->value : 0.0;
}

} // namespace scenesdk
