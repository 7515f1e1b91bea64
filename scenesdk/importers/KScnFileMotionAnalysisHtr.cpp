#include "scenesdk/importers/KScnFileMotionAnalysisHtr.h"

#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"

#include <algorithm>
#include <cctype>

namespace scenesdk
{

namespace
{

// 0, 1, 2 for the letter X, Y, Z (any case); -1 otherwise.
int AxisOf(char letter)
{
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    return upper >= 'X' && upper <= 'Z' ? upper - 'X' : -1;
}

// Up to max tokens of the line; false when it has more.
bool Split(std::string_view line, std::string_view* tokens, int max, int& count)
{
    KTextTokens reader(line);
    count = 0;
    std::string_view token;
    while (reader.Next(token))
    {
        if (count == max)
            return false;
        tokens[count++] = token;
    }
    return true;
}

} // namespace

bool KScnFileMotionAnalysisHtr::Read(const char* text, size_t size, std::string& why)
{
    *this = KScnFileMotionAnalysisHtr();
    mSize = size;
    KTextFile file;
    file.SetCommentChar('#');
    file.Attach(text, size);
    std::string_view line;
    bool ok = true;
    while (ok && mSection != eEnd && file.NextLine(line))
    {
        mLineNumber = file.GetLineNumber();
        const std::string_view rest = KTextTokens(line).Rest();
        if (rest.empty())
            continue;
        if (rest.front() == '[')
        {
            ok = Section(rest);
            continue;
        }
        switch (mSection)
        {
        case eHeader:
            ok = HeaderLine(rest);
            break;
        case eHierarchy:
            ok = HierarchyLine(rest);
            break;
        case eBase:
            ok = BaseLine(rest);
            break;
        case eSegment:
            ok = FrameLine(rest);
            break;
        default:
            ok = Fail("not an HTR file: no [Header]");
            break;
        }
    }
    if (ok && file.Failed())
    {
        why = file.GetError();
        return false;
    }
    ok = ok && Finish();
    if (!ok)
        why = mWhy;
    return ok;
}

bool KScnFileMotionAnalysisHtr::Fail(const std::string& reason)
{
    mWhy = KTextFile::AtLine(mLineNumber, reason);
    return false;
}

bool KScnFileMotionAnalysisHtr::Section(std::string_view text)
{
    if (text.back() != ']')
        return Fail("a section name without ]: " + KTextTokens::Clip(text));
    const std::string_view name = KTextTokens(text.substr(1, text.size() - 2)).Rest();
    if (KTextTokens::Same(name, "Header"))
    {
        if (mSection != eNone)
            return Fail("[Header] not first");
        mSection = eHeader;
    }
    else if (KTextTokens::Same(name, "SegmentNames&Hierarchy"))
    {
        if (mSection != eHeader)
            return Fail("[SegmentNames&Hierarchy] not after [Header]");
        if (!CheckHeader())
            return false;
        mSection = eHierarchy;
    }
    else if (KTextTokens::Same(name, "BasePosition"))
    {
        if (mSection != eHierarchy)
            return Fail("[BasePosition] not after [SegmentNames&Hierarchy]");
        mSection = eBase;
    }
    else if (KTextTokens::Same(name, "EndOfFile"))
        mSection = eEnd;
    else
    {
        if (mSection < eBase)
            return Fail("[" + KTextTokens::Clip(name) + "] before [BasePosition]");
        const auto found = mByName.find(std::string(name));
        if (found == mByName.end())
            return Fail("section [" + KTextTokens::Clip(name) + "] names no segment");
        mCurrent = found->second;
        if (mHasSection[static_cast<size_t>(mCurrent)])
            return Fail("a second section [" + KTextTokens::Clip(name) + "]");
        mHasSection[static_cast<size_t>(mCurrent)] = true;
        mSection = eSegment;
    }
    return true;
}

bool KScnFileMotionAnalysisHtr::HeaderLine(std::string_view line)
{
    KTextTokens tokens(line);
    std::string_view key, value;
    tokens.Next(key);
    const bool hasValue = tokens.Next(value);
    static const char* const kKeys[] = {"FileType", "DataType", "NumSegments", "NumFrames", "DataFrameRate",
                                        "EulerRotationOrder", "CalibrationUnits", "RotationUnits",
                                        "BoneLengthAxis", "ScaleFactor",
                                        // Known, not needed: the axes are taken as they are.
                                        "FileVersion", "GlobalAxisofGravity"};
    const int count = static_cast<int>(sizeof kKeys / sizeof kKeys[0]);
    int known = 0;
    while (known < count && !KTextTokens::Same(key, kKeys[known]))
        ++known;
    if (known == count)
    {
        if (mSkippedKeys++ == 0)
            mFirstSkipped = KTextTokens::Clip(key);
        return true;
    }
    if (known >= 10)
        return true;
    if (!hasValue)
        return Fail("no value for " + KTextTokens::Clip(key));
    switch (known)
    {
    case 0:
        return KTextTokens::Same(value, "htr")
                   ? true
                   : Fail("file type " + KTextTokens::Clip(value) + " not read (htr only)");
    case 1:
        return KTextTokens::Same(value, "HTRS")
                   ? true
                   : Fail("data type " + KTextTokens::Clip(value) + " not read (HTRS only)");
    case 2:
        if (!KTextNumber::ToInt64(value, mDeclaredSegments) || mDeclaredSegments < 0)
            return Fail("not a segment count: " + KTextTokens::Clip(value));
        if (static_cast<uint64_t>(mDeclaredSegments) > (mSize + 1) / 2)
            return Fail("segment count " + KTextTokens::Clip(value) + " too large for the file");
        return true;
    case 3:
        if (!KTextNumber::ToInt64(value, mDeclaredFrames) || mDeclaredFrames < 0)
            return Fail("not a frame count: " + KTextTokens::Clip(value));
        if (static_cast<uint64_t>(mDeclaredFrames) > (mSize + 1) / 2)
            return Fail("frame count " + KTextTokens::Clip(value) + " too large for the file");
        return true;
    case 4:
        if (!KTextNumber::ToDouble(value, mRate) || !(mRate > 0.0))
            return Fail("frame rate " + KTextTokens::Clip(value) + " not a number above 0");
        mHasRate = true;
        return true;
    case 5:
        mHasOrder = value.size() == 3;
        for (int i = 0; i < 3 && mHasOrder; ++i)
        {
            mOrder3[i] = AxisOf(value[static_cast<size_t>(i)]);
            for (int j = 0; j < i; ++j)
                mHasOrder = mHasOrder && mOrder3[j] != mOrder3[i];
            mHasOrder = mHasOrder && mOrder3[i] >= 0;
        }
        return mHasOrder ? true : Fail("not a rotation order: " + KTextTokens::Clip(value));
    case 6:
        mUnit = std::string(value);
        return true;
    case 7:
        mRadians = KTextTokens::StartsWith(value, "rad");
        return mRadians || KTextTokens::StartsWith(value, "deg")
                   ? true
                   : Fail("rotation units " + KTextTokens::Clip(value) + " not read (degrees or radians)");
    case 8:
        mBoneAxis = value.size() == 1 ? AxisOf(value[0]) : -1;
        return mBoneAxis >= 0 ? true : Fail("not a bone axis: " + KTextTokens::Clip(value));
    default:
        if (!KTextNumber::ToDouble(value, mScaleFactor) || !(mScaleFactor > 0.0))
            return Fail("scale factor " + KTextTokens::Clip(value) + " not a number above 0");
        return true;
    }
}

bool KScnFileMotionAnalysisHtr::CheckHeader()
{
    if (!mHasRate)
        return Fail("no DataFrameRate in the header");
    if (!mHasOrder)
        return Fail("no EulerRotationOrder in the header");
    return true;
}

bool KScnFileMotionAnalysisHtr::HierarchyLine(std::string_view line)
{
    std::string_view fields[2];
    int count = 0;
    if (!Split(line, fields, 2, count) || count != 2)
        return Fail("expected a segment and its parent: " + KTextTokens::Clip(line));
    if (fields[0].size() > kMaxNameLength || fields[1].size() > kMaxNameLength)
        return Fail("a segment name longer than " + std::to_string(kMaxNameLength) + " characters");
    if (KTextTokens::Same(fields[0], "GLOBAL"))
        return Fail("a segment named GLOBAL");
    if (mSegments.size() >= static_cast<size_t>(kMaxSegments))
        return Fail("more than " + std::to_string(kMaxSegments) + " segments");
    if (!mByName.emplace(std::string(fields[0]), static_cast<int>(mSegments.size())).second)
        return Fail("segment " + KTextTokens::Clip(fields[0]) + " listed twice");
    KScnHtrSegment segment;
    segment.mName = std::string(fields[0]);
    mSegments.push_back(std::move(segment));
    mParentNames.emplace_back(fields[1]);
    mHasBase.push_back(false);
    mHasSection.push_back(false);
    return true;
}

bool KScnFileMotionAnalysisHtr::BaseLine(std::string_view line)
{
    std::string_view fields[8];
    int count = 0;
    if (!Split(line, fields, 8, count) || count != 8)
        return Fail("expected a segment and 7 values: " + KTextTokens::Clip(line));
    const auto found = mByName.find(std::string(fields[0]));
    if (found == mByName.end())
        return Fail("base position of " + KTextTokens::Clip(fields[0]) + ", which is not a segment");
    const size_t index = static_cast<size_t>(found->second);
    if (mHasBase[index])
        return Fail("a second base position of " + KTextTokens::Clip(fields[0]));
    mHasBase[index] = true;
    for (int i = 0; i < 7; ++i)
        if (!KTextNumber::ToDouble(fields[i + 1], mSegments[index].mBase[i]))
            return Fail("not a number: " + KTextTokens::Clip(fields[i + 1]));
    return true;
}

bool KScnFileMotionAnalysisHtr::FrameLine(std::string_view line)
{
    std::string_view fields[8];
    int count = 0;
    if (!Split(line, fields, 8, count) || count < 7)
        return Fail("expected a frame number and 7 values: " + KTextTokens::Clip(line));
    KScnHtrSegment& segment = mSegments[static_cast<size_t>(mCurrent)];
    int64_t frame = 0;
    if (!KTextNumber::ToInt64(fields[0], frame))
        return Fail("not a frame number: " + KTextTokens::Clip(fields[0]));
    if (frame < 1)
        return Fail("frame " + std::to_string(frame) + " out of range (frames count from 1)");
    if (mDeclaredFrames >= 0 && frame > mDeclaredFrames)
        return Fail("frame " + std::to_string(frame) + " past the " + std::to_string(mDeclaredFrames) +
                    " declared frames");
    if (!segment.mFrames.empty() && frame - 1 <= segment.mFrames.back())
        return Fail("frame " + std::to_string(frame) + " after frame " +
                    std::to_string(segment.mFrames.back() + 1));
    double values[7] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0};
    for (int i = 1; i < count; ++i)
        if (!KTextNumber::ToDouble(fields[i], values[i - 1]))
            return Fail("not a number: " + KTextTokens::Clip(fields[i]));
    segment.mFrames.push_back(frame - 1);
    segment.mValues.insert(segment.mValues.end(), values, values + 7);
    if (frame - 1 > mLastFrame)
        mLastFrame = frame - 1;
    return true;
}

bool KScnFileMotionAnalysisHtr::Finish()
{
    if (mSection == eNone)
        return Fail("not an HTR file: no [Header]");
    if (mSection == eHeader)
        return Fail("no [SegmentNames&Hierarchy]");
    if (mSegments.empty())
        return Fail("no segments");
    if (mSection == eHierarchy)
        return Fail("no [BasePosition]");
    if (!LinkParents())
        return false;
    for (size_t i = 0; i < mSegments.size(); ++i)
        if (!mHasBase[i])
            return Fail("segment " + KTextTokens::Clip(mSegments[i].mName) + " has no base position");
    if (mSection != eEnd)
        mWarnings.push_back("no [EndOfFile]");
    if (mDeclaredSegments >= 0 && static_cast<size_t>(mDeclaredSegments) != mSegments.size())
        mWarnings.push_back(std::to_string(mSegments.size()) + " segments in the hierarchy, " +
                            std::to_string(mDeclaredSegments) + " declared");
    const size_t roots = static_cast<size_t>(std::count_if(
        mSegments.begin(), mSegments.end(), [](const KScnHtrSegment& s) { return s.mParent < 0; }));
    if (roots > 1)
        mWarnings.push_back(std::to_string(roots) + " root segments (parent GLOBAL), one expected");
    if (mUnit.empty())
        mWarnings.push_back("no CalibrationUnits");
    if (mSkippedKeys > 0)
        mWarnings.push_back(std::to_string(mSkippedKeys) + " header keys skipped (first: " + mFirstSkipped +
                            ")");
    return true;
}

bool KScnFileMotionAnalysisHtr::LinkParents()
{
    const size_t n = mSegments.size();
    for (size_t i = 0; i < n; ++i)
    {
        if (KTextTokens::Same(mParentNames[i], "GLOBAL"))
            continue;
        const auto found = mByName.find(mParentNames[i]);
        if (found == mByName.end())
            return Fail("parent " + KTextTokens::Clip(mParentNames[i]) + " of " +
                        KTextTokens::Clip(mSegments[i].mName) + " is not a segment");
        mSegments[i].mParent = found->second;
        ++mSegments[static_cast<size_t>(found->second)].mChildCount;
    }
    // Depths by walking up from each segment once: 0 not seen, 1 on the
    // path being walked (met again: a cycle), 2 done.
    std::vector<unsigned char> state(n, 0);
    std::vector<int> path;
    int deepest = 0;
    for (size_t i = 0; i < n; ++i)
    {
        path.clear();
        int j = static_cast<int>(i);
        while (j >= 0 && state[static_cast<size_t>(j)] == 0)
        {
            state[static_cast<size_t>(j)] = 1;
            path.push_back(j);
            j = mSegments[static_cast<size_t>(j)].mParent;
        }
        if (j >= 0 && state[static_cast<size_t>(j)] == 1)
            return Fail("the hierarchy has a cycle through " +
                        KTextTokens::Clip(mSegments[static_cast<size_t>(j)].mName));
        int depth = j >= 0 ? mSegments[static_cast<size_t>(j)].mDepth : -1;
        for (auto it = path.rbegin(); it != path.rend(); ++it)
        {
            if (++depth >= kMaxDepth)
                return Fail("segments nested deeper than " + std::to_string(kMaxDepth));
            mSegments[static_cast<size_t>(*it)].mDepth = depth;
            state[static_cast<size_t>(*it)] = 2;
        }
        deepest = depth > deepest ? depth : deepest;
    }
    // Parents first: a counting sort by depth keeps the listed order.
    std::vector<size_t> first(static_cast<size_t>(deepest) + 2, 0);
    for (const KScnHtrSegment& segment : mSegments)
        ++first[static_cast<size_t>(segment.mDepth) + 1];
    for (size_t d = 1; d < first.size(); ++d)
        first[d] += first[d - 1];
    mOrder.assign(n, 0);
    for (size_t i = 0; i < n; ++i)
        mOrder[first[static_cast<size_t>(mSegments[i].mDepth)]++] = static_cast<int>(i);
    return true;
}

} // namespace scenesdk
