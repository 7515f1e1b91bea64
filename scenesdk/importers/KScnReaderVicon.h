#pragma once

// KScnReaderVicon: the reader of C3D motion-capture files (Vicon's and
// others'; see KScnFileVicon for the layout and what is refused). Every 3D
// point becomes a marker node (KScnMarker) under the scene's root, named
// from POINT:LABELS ("Marker<n>", counting from 1, where a name is missing;
// a repeated name gets "_2", "_3" ...). The motion is one take (named by the
// options, KStreamOptionsVicon): frame i of the file (from 0) at i / rate
// seconds, rate being POINT:RATE as KScnMotionBuilder takes it (a standard
// rate within 0.1 %), keyed linearly on each marker's X, Y and Z
// translation; a frame where the point was not seen has no key, so the
// curves pass over the gap. Positions are converted from POINT:UNITS to the
// scene's unit, then the axes as the options ask. Analog data and events
// are not read.
//
// Refused with error 0 and the reason as status text: any fault
// KScnFileVicon finds; a present sample whose coordinates or fourth word are
// not numbers, or whose position passes the single-precision range in scene
// units. Warnings (a header value used for want of a parameter that fits,
// an unknown unit, a zero scale) go to the status text of a successful read.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsVicon.h"

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KFCurve;
class KScnFileVicon;
class KScnMotionBuilder;

class KScnReaderVicon : public KScnForeignReaderOf<KStreamOptionsVicon>
{
public:
    explicit KScnReaderVicon(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "C3D") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsVicon& options) override;

private:
    // Samples decoded at a time (a few megabytes of buffers).
    static constexpr int64_t kRunSamples = 1 << 18;

    // Keys every present sample on its point's X, Y and Z curves (three
    // curves a point, in point order).
    bool KeyMotion(KScnMotionBuilder& motion, const std::vector<KFCurve*>& curves, const KScnFileVicon& file,
                   double length, const KStreamOptionsVicon& options);
};

} // namespace scenesdk
