#pragma once

// KScnReaderMotionAnalysisHtr: the reader of Motion Analysis HTR files
// (KScnFileMotionAnalysisHtr reads and checks the text).
//
// Scene: one skeleton node per segment, parented as the hierarchy says (a
// segment under GLOBAL is a Root under the scene's root, the others
// LimbNodes), and, by option, a node "<segment>_End" under each segment
// without children at its BoneLength along the BoneLengthAxis. Lengths go
// from CalibrationUnits, times ScaleFactor, to the scene's unit
// (KStreamOptionsMotionAnalysisHtr), then through the axis conversion.
//
// Transforms: a segment's base position is its rest pose relative to its
// parent; a frame's values are relative to it: translation = base + frame
// (summed in the parent's frame), rotation = base rotation x frame rotation
// (the frame's turn applied first). The node's translation is the base
// translation; its pre-rotation the base rotation (exact, as XYZ angles);
// its rotation order the file's "EulerRotationOrder" (read as the options
// say), so the rotation curves hold the file's frame angles as they are, in
// degrees. The segment's scale factor SF is read, not keyed.
//
// Motion: one take (KStreamOptionsMotionAnalysisHtr::mTakeName), a linear
// key at every frame a segment's section lists (frame n at (n - 1) /
// DataFrameRate seconds); translation X, Y, Z and rotation X, Y, Z curves.
//
// Refused with error 0 and the reason: whatever KScnFileMotionAnalysisHtr
// refuses, and a frame rate or length of motion KScnMotionBuilder does not
// accept. Warnings go to the status text of a successful read.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisHtr.h"

namespace scenesdk
{

class KScnReaderMotionAnalysisHtr : public KScnForeignReaderOf<KStreamOptionsMotionAnalysisHtr>
{
public:
    explicit KScnReaderMotionAnalysisHtr(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "HTR") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsMotionAnalysisHtr& options) override;
};

} // namespace scenesdk
