#pragma once

// KScnFileMotionAnalysisTrc: the content of a Motion Analysis TRC file
// (marker tracks), read from its text and checked: the header values, the
// marker names and each marker's samples.
//
// Layout: line 1 "PathFileType ..."; line 2 the header keys and line 3
// their values, matched by key name in any letter case ("DataRate",
// "NumFrames", "NumMarkers", "Units"; others ignored); line 4 "Frame#",
// "Time" and the marker names, one per three columns; line 5 the column
// labels; then one row per frame: frame number, time, X Y Z of each marker.
// Fields are separated by tabs (line 4 always; other lines by blanks when
// they hold no tab). A sample is missing when any of its three fields is
// empty or "NaN", or the row ends before it; it then has no key. Blank lines
// are skipped; fields past the markers' are ignored.
//
// Refused (false, why "line N: reason"): a first field other than
// "PathFileType"; no "DataRate" or "NumMarkers"; a rate not above 0; a
// marker count negative, larger than the file can hold (a name and three
// labels need at least six bytes) or than kMaxMarkers; a frame count negative or larger than
// the file can hold (two bytes a row); a marker name longer than
// kMaxNameLength; a row whose frame number is not an integer or not above
// the previous row's; a time or value that is not a number (or empty, NaN).
// Accepted with a warning: a row count that differs from "NumFrames", no
// "Units", fields past the markers'.
//
// Time and memory are linear in the file: the samples kept grow with the
// rows read, nothing is reserved from the header's counts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scenesdk
{

struct KScnTrcMarker
{
    std::string mName; // as written; empty when line 4 has none
    // The frames with a sample, 0-based from the first row's frame number.
    std::vector<int64_t> mFrames;
    std::vector<double> mXyz; // three per sample
};

class KScnFileMotionAnalysisTrc
{
public:
    static constexpr size_t kMaxNameLength = 1024;
    // A scene node costs tens of kilobytes: real marker sets have a few hundred.
    static constexpr int64_t kMaxMarkers = 10000;

    // Reads the text (not kept). On false the content must not be used.
    bool Read(const char* text, size_t size, std::string& why);

    const std::vector<KScnTrcMarker>& GetMarkers() const { return mMarkers; }
    double GetFrameRate() const { return mRate; }
    // The last 0-based frame of the rows; -1 without rows.
    int64_t GetLastFrame() const { return mLastFrame; }
    int64_t GetRowCount() const { return mRows; }
    // "Units" as written; empty when absent.
    const std::string& GetUnitName() const { return mUnit; }
    const std::vector<std::string>& GetWarnings() const { return mWarnings; }

private:
    bool Fail(const std::string& reason);
    bool Header(std::string_view keys, std::string_view values);
    bool Names(std::string_view line);
    bool Row(std::string_view line);

    int mLineNumber = 0;
    size_t mSize = 0;
    std::string mWhy;
    std::vector<std::string_view> mFields;
    int64_t mDeclaredFrames = -1;
    int64_t mFirstFrame = 0;
    bool mExtraFields = false;

    std::vector<KScnTrcMarker> mMarkers;
    double mRate = 0.0;
    int64_t mLastFrame = -1;
    int64_t mRows = 0;
    std::string mUnit;
    std::vector<std::string> mWarnings;
};

} // namespace scenesdk
