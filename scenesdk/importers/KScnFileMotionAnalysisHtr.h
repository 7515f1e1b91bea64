#pragma once

// KScnFileMotionAnalysisHtr: the content of a Motion Analysis HTR file
// (hierarchical translations and rotations), read from its text and
// checked: the header, the segments with their parents and base positions,
// and each segment's frames.
//
// Reading: "#" starts a comment; fields are separated by blanks; section
// names ("[Header]", "[SegmentNames&Hierarchy]", "[BasePosition]",
// "[EndOfFile]") and header keys in any letter case, unknown keys skipped;
// the sections in that order, then one section per segment named exactly as
// the segment, in any order; a parent may be listed after its child; frame
// lines "frame Tx Ty Tz Rx Ry Rz [SF]", frames numbered from 1.
//
// Refused (false, why "line N: reason"): a file type other than "htr" or a
// data type other than "HTRS" (the global and sample-major relatives); a
// header without "DataFrameRate" or "EulerRotationOrder", or with a value
// out of its range (a rate, a scale factor not above 0; an order that is not
// a permutation of XYZ; units of rotation other than degrees or radians; a
// bone axis other than X, Y, Z); a frame count negative or larger than the
// file can hold (a line of at least two bytes per frame), and so a segment
// count; sections out of
// order or repeated; a segment listed twice, named GLOBAL, or without a
// base position; a parent that is not a segment; a hierarchy with a cycle or
// nested deeper than kMaxDepth; more than kMaxSegments segments; a name
// longer than kMaxNameLength; a section naming no segment; frame numbers
// below 1, past the declared count, repeated or decreasing; a value that is
// not a number; a line with the wrong number of fields.
// Accepted with a warning: a segment count that differs from the hierarchy,
// more than one root segment (parent GLOBAL),
// skipped header keys, no "[EndOfFile]", no "CalibrationUnits".
//
// Time and memory are linear in the file: nothing is reserved from the
// header's counts; names are found through hash maps; the hierarchy is
// walked once with an explicit path.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace scenesdk
{

struct KScnHtrSegment
{
    std::string mName;
    int mParent = -1; // index among the segments, -1 under GLOBAL
    int mDepth = 0;
    int mChildCount = 0;
    // Tx Ty Tz Rx Ry Rz BoneLength, as written (file units and rotation units).
    double mBase[7] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    // The frames its section lists, 0-based (the file's number - 1), increasing.
    std::vector<int64_t> mFrames;
    // Tx Ty Tz Rx Ry Rz SF of each listed frame, relative to the base position.
    std::vector<double> mValues;
};

class KScnFileMotionAnalysisHtr
{
public:
    static constexpr int kMaxDepth = 1000;
    // A scene node costs tens of kilobytes: real skeletons have a few hundred.
    static constexpr int kMaxSegments = 10000;
    static constexpr size_t kMaxNameLength = 1024;

    // Reads the text (not kept). On false the content must not be used.
    bool Read(const char* text, size_t size, std::string& why);

    // In the hierarchy's order.
    const std::vector<KScnHtrSegment>& GetSegments() const { return mSegments; }
    // Segment indices with every parent before its children (the
    // hierarchy's order among siblings).
    const std::vector<int>& GetCreationOrder() const { return mOrder; }
    double GetFrameRate() const { return mRate; }
    // -1 when the header does not say.
    int64_t GetDeclaredFrameCount() const { return mDeclaredFrames; }
    // The last 0-based frame any section lists; -1 for none.
    int64_t GetLastFrame() const { return mLastFrame; }
    // The axes (0 x, 1 y, 2 z) of "EulerRotationOrder" in its letters' order.
    const int* GetOrderLetters() const { return mOrder3; }
    bool IsRadians() const { return mRadians; }
    int GetBoneAxis() const { return mBoneAxis; }
    double GetScaleFactor() const { return mScaleFactor; }
    // "CalibrationUnits" as written; empty when absent.
    const std::string& GetUnitName() const { return mUnit; }
    const std::vector<std::string>& GetWarnings() const { return mWarnings; }

private:
    enum ESection
    {
        eNone,
        eHeader,
        eHierarchy,
        eBase,
        eSegment,
        eEnd
    };

    bool Fail(const std::string& reason);
    bool Section(std::string_view name);
    bool HeaderLine(std::string_view line);
    bool CheckHeader();
    bool HierarchyLine(std::string_view line);
    bool BaseLine(std::string_view line);
    bool FrameLine(std::string_view line);
    bool Finish();
    bool LinkParents();

    int mLineNumber = 0;
    size_t mSize = 0;
    std::string mWhy;
    ESection mSection = eNone;
    int mCurrent = -1; // the segment whose section is being read
    std::vector<std::string> mParentNames;
    std::vector<bool> mHasBase;
    std::vector<bool> mHasSection;
    std::unordered_map<std::string, int> mByName;
    int mSkippedKeys = 0;
    std::string mFirstSkipped;

    std::vector<KScnHtrSegment> mSegments;
    std::vector<int> mOrder;
    bool mHasRate = false;
    bool mHasOrder = false;
    double mRate = 0.0;
    int64_t mDeclaredFrames = -1;
    int64_t mDeclaredSegments = -1;
    int64_t mLastFrame = -1;
    int mOrder3[3] = {2, 1, 0};
    bool mRadians = false;
    int mBoneAxis = 1;
    double mScaleFactor = 1.0;
    std::string mUnit;
    std::vector<std::string> mWarnings;
};

} // namespace scenesdk
