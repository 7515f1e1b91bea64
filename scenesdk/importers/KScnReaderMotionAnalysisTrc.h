#pragma once

// KScnReaderMotionAnalysisTrc: the reader of Motion Analysis TRC marker
// files (KScnFileMotionAnalysisTrc reads and checks the text).
//
// Scene: one marker node per marker of the file, children of the scene's
// root, named as line 4 names them ("Marker<n>" for an empty name; repeated
// names made unique). Positions go from the file's "Units" to the scene's
// unit (KStreamOptionsMotionAnalysisTrc), then through the axis conversion.
//
// Motion: one take (KStreamOptionsMotionAnalysisTrc::mTakeName) with
// translation X, Y and Z curves per marker: a linear key at each row where
// the marker has a sample, none where it is missing. Row frame numbers count
// from the first row's: frame n at (n - first) / DataRate seconds (the Time
// column is checked, not used).
//
// Refused with error 0 and the reason: whatever KScnFileMotionAnalysisTrc
// refuses, and a rate or length of motion KScnMotionBuilder does not
// accept. Warnings go to the status text of a successful read.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisTrc.h"

namespace scenesdk
{

class KScnReaderMotionAnalysisTrc : public KScnForeignReaderOf<KStreamOptionsMotionAnalysisTrc>
{
public:
    explicit KScnReaderMotionAnalysisTrc(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "TRC") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsMotionAnalysisTrc& options) override;
};

} // namespace scenesdk
