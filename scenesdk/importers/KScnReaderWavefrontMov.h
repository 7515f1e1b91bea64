#pragma once

// KScnReaderWavefrontMov: the reader of channel motion (MOV) files: a matrix
// of numbers, one row per frame and one column per channel, blanks between
// them. The file names neither its channels nor its rate: the caller gives
// both (KStreamOptionsWavefrontMov); without a channel list every column
// becomes a generic channel of one node "MOV", so nothing is lost.
//
// The scene gets one node per node name of the channel list (under the
// root, in the order of first mention), with the list's rotation order made
// active on those with rotation columns, and one take, named after the
// file's stem, with one curve per column (a number channel of its own for
// attributes that are not transform axes) and one key per row, linear.
// Lines starting with '#' are comments; lines before the first row that do
// not start with a number are taken as a header and skipped (at most 16,
// with a warning in the status text).
//
// Refused with error 0 and the reason: binary content (a NUL byte, or the
// video files that share the extension) already when opened; a token that
// is not a number (NaN, infinity and overflow included), a row with another
// number of columns than the first, more than kMaxColumns columns, no rows,
// a column count other than the channel list's, rows reaching beyond the
// longest take. A channel list entry that is not "node.attribute", names a
// channel twice or takes the name of a property the node has, a frame rate
// not above 0 or above KScnMotionBuilder::kMaxFrameRate, a unit scale not
// above 0 or an unknown rotation order fail with error 7. Rows are keyed by
// KScnMotionBuilder's clock.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"

namespace scenesdk
{

class KScnReaderWavefrontMov : public KScnForeignReaderOf<KStreamOptionsWavefrontMov>
{
public:
    static constexpr size_t kMaxColumns = 100000;
    static constexpr int kHeaderLines = 16;

    explicit KScnReaderWavefrontMov(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "Wavefront MOV")
    {
    }

protected:
    bool OnOpen() override;
    bool Read(KScnImportBuilder& builder, const KStreamOptionsWavefrontMov& options) override;

private:
    // The matrix, row by row; false (refused) on a fault.
    bool ReadMatrix(std::vector<double>& values, size_t& columns, size_t& rows, int& headerLines);
};

} // namespace scenesdk
