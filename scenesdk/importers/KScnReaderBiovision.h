#pragma once

// KScnReaderBiovision: the reader of Biovision hierarchy (BVH) files
// (KScnFileBiovision reads and checks the text).
//
// Scene: one skeleton node per ROOT (a Root, child of the scene's root) and
// per JOINT (a LimbNode under its parent), and one per End Site, named
// "<parent>_End", so that the last bone has an end; repeated names are made
// unique ("Hip", "Hip_2"). A node's translation is its OFFSET; every length
// is multiplied by the unit scale (the file has no unit) and goes through
// the axis conversion (KStreamOptionsBiovision).
//
// Motion: one take (KStreamOptionsBiovision::mTakeName) with a linear key at
// every frame (keyed a run of frames at a time as the values are read), frame i at i x "Frame Time" seconds (a rate within 0.1 % of a
// standard one is taken as that one). A joint with position channels gets
// translation X, Y and Z curves (a root's values added to its OFFSET, other
// joints' replacing it or added, by option); a joint with rotation channels
// gets rotation X, Y and Z curves in degrees and keeps the file's order: the
// channels "Zrotation Xrotation Yrotation" turn a point about Y first, then
// X, then Z, which is the node's rotation order "YXZ" (missing axes keyed 0).
// Channels repeating an axis (no Euler order holds them) are converted per
// frame to the order of their axes' first turns, exactly up to rounding, and
// kept continuous.
//
// Refused with error 0 and the reason ("line 7: unknown channel Xrot"):
// whatever KScnFileBiovision refuses, and a frame rate out of the range
// KScnMotionBuilder accepts. Warnings (fewer frames than declared ...) go to
// the status text of a successful read.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsBiovision.h"

#include <cstddef>

namespace scenesdk
{

class KScnReaderBiovision : public KScnForeignReaderOf<KStreamOptionsBiovision>
{
public:
    explicit KScnReaderBiovision(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "BVH") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsBiovision& options) override;

    // The values read and keyed at once: a long motion is read a run of
    // frames (a frame at least) at a time, not held whole.
    size_t mRunValues = size_t(1) << 23;
};

} // namespace scenesdk
