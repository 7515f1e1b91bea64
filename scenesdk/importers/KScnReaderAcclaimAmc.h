#pragma once

// KScnReaderAcclaimAmc: the reader of Acclaim motion (AMC) files. A motion
// cannot be read without its skeleton: the ASF file the options name
// (KStreamOptionsAcclaim::mSkeletonFile), or else the one beside the motion
// file with the same stem ("walk.amc" reads "walk.asf", or "walk.ASF").
// The skeleton joins the scene as KScnReaderAcclaimAsf makes it, and the
// motion as one take named after the motion file's stem, keyed at the
// options' frame rate (120 frames per second by default: neither file
// says); see KScnAcclaimSceneBuilder.
//
// Failures: no skeleton to be found gives error 3 "File not opened"; a
// fault in the skeleton ("skeleton walk.asf: line 3: ...") or the motion
// ("line 12: lhand has 1 values, not 2"), or frames reaching beyond the
// longest take, error 0 with the reason; a frame rate (at most
// KScnMotionBuilder::kMaxFrameRate) or unit scale that is not a number
// above 0, error 7. Lines of bones the skeleton lacks are
// skipped and counted in the status text.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"

namespace scenesdk
{

class KScnReaderAcclaimAmc : public KScnForeignReaderOf<KStreamOptionsAcclaim>
{
public:
    explicit KScnReaderAcclaimAmc(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "AMC") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsAcclaim& options) override;

private:
    // The skeleton file's bytes; false (error set) when there is none.
    bool ReadSkeletonFile(const std::string& given, std::vector<char>& bytes, std::string& name);
};

} // namespace scenesdk
