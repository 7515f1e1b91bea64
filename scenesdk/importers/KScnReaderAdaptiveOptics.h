#pragma once

// KScnReaderAdaptiveOptics: the reader of the two Adaptive Optics
// motion-capture formats: mode 0 the text marker files (AOA), mode 1 the
// MCD files. No public description of the MCD layout is known, so mode 1
// refuses every file with error 7 and a message that says so (see
// KScnForeignReader).
//
// AOA: a header line "frames = F nummarkers = M hz = R" (the three in any
// order and case, within the first 16 lines; lines before it are comment),
// then F x M lines of "x y z", marker 1 to M of frame 1, then of frame 2,
// and so on (blank lines skipped, commas taken as blanks). The scene gets M
// marker nodes (KScnMarker, optical) under the root, named by number, and
// one take, named after the file's stem, with X, Y and Z translation curves
// per marker: frame k keyed at k / R seconds, linear (KScnMotionBuilder's
// clock); a lost marker (0 0 0, see KStreamOptionsAdaptiveOptics) has no
// key in that frame. Lines after the last frame are skipped with a warning
// in the status text.
//
// Refused with error 0 and the reason: no header line in time, a count or
// rate that is not a number above 0, more values announced than the file
// could hold (checked before anything is made), frames reaching beyond the
// longest take, a rate KScnMotionBuilder does not take, a data line of
// other than three numbers, a file that ends before its last frame.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsAdaptiveOptics.h"

namespace scenesdk
{

class KScnReaderAdaptiveOptics : public KScnForeignReaderOf<KStreamOptionsAdaptiveOptics>
{
public:
    static constexpr int kHeaderLines = 16;

    // mode 0 or 1 selects the format; any other mode is taken as 0.
    KScnReaderAdaptiveOptics(KScnSdkManager* manager, int mode)
        : KScnForeignReaderOf(manager, mode == 1 ? "Adaptive Optics (mode 1)" : "Adaptive Optics (mode 0)"),
          mMode(mode == 1 ? 1 : 0)
    {
    }

    int GetMode() const { return mMode; }

protected:
    bool IsReadable() const override { return mMode == 0; }
    bool Read(KScnImportBuilder& builder, const KStreamOptionsAdaptiveOptics& options) override;

private:
    int mMode;
};

} // namespace scenesdk
