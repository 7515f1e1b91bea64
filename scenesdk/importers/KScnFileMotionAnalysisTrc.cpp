#include "scenesdk/importers/KScnFileMotionAnalysisTrc.h"

#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"

namespace scenesdk
{

namespace
{

// Frame numbers beyond this are refused, so that differences of two never overflow.
constexpr int64_t kMaxFrameNumber = 1000000000000000LL;

bool IsMissing(std::string_view field)
{
    if (!field.empty() && (field.front() == '-' || field.front() == '+'))
        field.remove_prefix(1);
    return field.empty() || KTextTokens::Same(field, "nan");
}

// The fields of a line, split at tabs (blanks around each trimmed) or, for a
// line without tabs when blanks may separate, at runs of blanks.
void SplitFields(std::string_view line, bool tabsOnly, std::vector<std::string_view>& out)
{
    out.clear();
    if (!tabsOnly && line.find('\t') == std::string_view::npos)
    {
        KTextTokens tokens(line);
        std::string_view token;
        while (tokens.Next(token))
            out.push_back(token);
        return;
    }
    size_t start = 0;
    for (;;)
    {
        const size_t tab = line.find('\t', start);
        const std::string_view field =
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        out.push_back(KTextTokens(field).Rest());
        if (tab == std::string_view::npos)
            return;
        start = tab + 1;
    }
}

} // namespace

bool KScnFileMotionAnalysisTrc::Read(const char* text, size_t size, std::string& why)
{
    *this = KScnFileMotionAnalysisTrc();
    mSize = size;
    KTextFile file;
    file.Attach(text, size);
    std::string_view lines[5];
    bool ok = true;
    for (int i = 0; i < 5 && ok; ++i)
    {
        ok = file.NextLine(lines[i]);
        mLineNumber = file.GetLineNumber();
        if (!ok)
            Fail(i == 0 ? "not a TRC file: no PathFileType" : "the file ends in its header");
        if (ok && i == 0)
        {
            SplitFields(lines[0], false, mFields);
            if (mFields.empty() || !KTextTokens::Same(mFields[0], "PathFileType"))
                ok = Fail("not a TRC file: no PathFileType");
        }
        else if (ok && i == 2)
            ok = Header(lines[1], lines[2]);
        else if (ok && i == 3)
            ok = Names(lines[3]);
    }
    // Line 5 holds the column labels, unless a writer left it out.
    if (ok)
    {
        SplitFields(lines[4], false, mFields);
        int64_t frame = 0;
        if (!mFields.empty() && KTextNumber::ToInt64(mFields[0], frame))
            ok = Row(lines[4]);
    }
    std::string_view line;
    while (ok && file.NextLine(line))
    {
        mLineNumber = file.GetLineNumber();
        if (!KTextTokens(line).AtEnd())
            ok = Row(line);
    }
    if (ok && file.Failed())
    {
        why = file.GetError();
        return false;
    }
    if (!ok)
    {
        why = file.Failed() ? file.GetError() : mWhy;
        return false;
    }
    if (mDeclaredFrames >= 0 && mRows != mDeclaredFrames)
        mWarnings.push_back(std::to_string(mRows) + " rows, " + std::to_string(mDeclaredFrames) +
                            " frames declared");
    if (mUnit.empty())
        mWarnings.push_back("no Units");
    if (mExtraFields)
        mWarnings.push_back("fields past the markers' ignored");
    return true;
}

bool KScnFileMotionAnalysisTrc::Fail(const std::string& reason)
{
    mWhy = KTextFile::AtLine(mLineNumber, reason);
    return false;
}

bool KScnFileMotionAnalysisTrc::Header(std::string_view keys, std::string_view values)
{
    std::vector<std::string_view> names;
    SplitFields(keys, false, names);
    SplitFields(values, false, mFields);
    bool hasRate = false;
    bool hasMarkers = false;
    for (size_t i = 0; i < names.size() && i < mFields.size(); ++i)
    {
        const std::string_view value = mFields[i];
        if (KTextTokens::Same(names[i], "DataRate"))
        {
            if (!KTextNumber::ToDouble(value, mRate) || !(mRate > 0.0))
                return Fail("data rate " + KTextTokens::Clip(value) + " not a number above 0");
            hasRate = true;
        }
        else if (KTextTokens::Same(names[i], "NumFrames"))
        {
            if (!KTextNumber::ToInt64(value, mDeclaredFrames) || mDeclaredFrames < 0)
                return Fail("not a frame count: " + KTextTokens::Clip(value));
            if (static_cast<uint64_t>(mDeclaredFrames) > (mSize + 1) / 2)
                return Fail("frame count " + KTextTokens::Clip(value) + " too large for the file");
        }
        else if (KTextTokens::Same(names[i], "NumMarkers"))
        {
            int64_t count = 0;
            if (!KTextNumber::ToInt64(value, count) || count < 0)
                return Fail("not a marker count: " + KTextTokens::Clip(value));
            if (static_cast<uint64_t>(count) > mSize / 6)
                return Fail("marker count " + KTextTokens::Clip(value) + " too large for the file");
            if (count > kMaxMarkers)
                return Fail("more than " + std::to_string(kMaxMarkers) + " markers");
            mMarkers.resize(static_cast<size_t>(count));
            hasMarkers = true;
        }
        else if (KTextTokens::Same(names[i], "Units"))
            mUnit = std::string(value);
    }
    if (!hasRate)
        return Fail("no DataRate in the header");
    if (!hasMarkers)
        return Fail("no NumMarkers in the header");
    return true;
}

bool KScnFileMotionAnalysisTrc::Names(std::string_view line)
{
    SplitFields(line, true, mFields);
    if (!KTextTokens::StartsWith(mFields[0], "Frame"))
        return Fail("expected Frame# and the marker names");
    for (size_t k = 0; k < mMarkers.size() && 2 + 3 * k < mFields.size(); ++k)
    {
        const std::string_view name = mFields[2 + 3 * k];
        if (name.size() > kMaxNameLength)
            return Fail("a marker name longer than " + std::to_string(kMaxNameLength) + " characters");
        mMarkers[k].mName = std::string(name);
    }
    return true;
}

bool KScnFileMotionAnalysisTrc::Row(std::string_view line)
{
    SplitFields(line, false, mFields);
    int64_t number = 0;
    if (!KTextNumber::ToInt64(mFields[0], number))
        return Fail("not a frame number: " + KTextTokens::Clip(mFields[0]));
    if (number < -kMaxFrameNumber || number > kMaxFrameNumber)
        return Fail("frame number " + KTextTokens::Clip(mFields[0]) + " out of range");
    if (mRows == 0)
        mFirstFrame = number;
    const int64_t frame = number - mFirstFrame;
    if (mRows > 0 && frame <= mLastFrame)
        return Fail("frame " + std::to_string(number) + " not after frame " +
                    std::to_string(mLastFrame + mFirstFrame));
    double value = 0.0;
    if (mFields.size() > 1 && !mFields[1].empty() && !KTextNumber::ToDouble(mFields[1], value))
        return Fail("not a time: " + KTextTokens::Clip(mFields[1]));
    for (size_t k = 0; k < mMarkers.size() && 4 + 3 * k < mFields.size(); ++k)
    {
        const std::string_view* xyz = &mFields[2 + 3 * k];
        double p[3];
        bool missing = false;
        for (int a = 0; a < 3; ++a)
        {
            if (IsMissing(xyz[a]))
                missing = true;
            else if (!KTextNumber::ToDouble(xyz[a], p[a]))
                return Fail("not a number: " + KTextTokens::Clip(xyz[a]));
        }
        if (missing)
            continue;
        KScnTrcMarker& marker = mMarkers[k];
        marker.mFrames.push_back(frame);
        marker.mXyz.insert(marker.mXyz.end(), p, p + 3);
    }
    for (size_t i = 2 + 3 * mMarkers.size(); i < mFields.size() && !mExtraFields; ++i)
        mExtraFields = !mFields[i].empty();
    mLastFrame = frame;
    ++mRows;
    return true;
}

} // namespace scenesdk
