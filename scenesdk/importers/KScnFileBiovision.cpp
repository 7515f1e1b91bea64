#include "scenesdk/importers/KScnFileBiovision.h"

#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"

namespace scenesdk
{

namespace
{

const char* const kChannelNames[6] = {"Xposition", "Yposition", "Zposition",
                                      "Xrotation", "Yrotation", "Zrotation"};

// Takes word off the front of text (any letter case), then the blanks after it.
bool TakeWord(std::string_view& text, std::string_view word)
{
    if (!KTextTokens::StartsWith(text, word))
        return false;
    text.remove_prefix(word.size());
    while (!text.empty() && KTextTokens::IsBlank(text.front()))
        text.remove_prefix(1);
    return true;
}

} // namespace

bool KScnFileBiovision::Read(const char* text, size_t size, std::string& why)
{
    return ReadHeader(text, size, why) && ReadFrames(mDeclaredFrames, mValues, why);
}

bool KScnFileBiovision::ReadHeader(const char* text, size_t size, std::string& why)
{
    mJoints.clear();
    mChannelCount = 0;
    mDeclaredFrames = 0;
    mFrameCount = 0;
    mFrameTime = 0.0;
    mValues.clear();
    mWarnings.clear();
    mWhy.clear();
    mText.Attach(text, size);
    mAtEnd = false;
    const bool ok = ReadHierarchy() && ReadMotion();
    return ok && mChannelCount > 0 ? true : End(ok, why);
}

bool KScnFileBiovision::ReadFrames(int64_t frames, std::vector<double>& values, std::string& why)
{
    values.clear();
    if (mAtEnd)
        return true;
    const size_t channels = static_cast<size_t>(mChannelCount);
    const int64_t left = mDeclaredFrames - mFrameCount;
    const size_t wanted = static_cast<size_t>(frames < left ? frames : left) * channels;
    values.reserve(wanted);
    std::string_view token;
    while (values.size() < wanted && NextToken(token))
    {
        double value = 0.0;
        if (!KTextNumber::ToDouble(token, value))
            return End(Fail("not a number: " + KTextTokens::Clip(token)), why);
        values.push_back(value);
    }
    if (mText.Failed())
        return End(false, why);
    mFrameCount += static_cast<int64_t>(values.size() / channels);
    if (values.size() % channels != 0)
        return End(Fail("frame " + std::to_string(mFrameCount + 1) + " has " +
                           std::to_string(values.size() % channels) + " of " + std::to_string(channels) +
                           " values"),
                      why);
    if (values.size() == wanted && mFrameCount < mDeclaredFrames)
        return true;
    if (mFrameCount < mDeclaredFrames)
        mWarnings.push_back(std::to_string(mFrameCount) + " of " + std::to_string(mDeclaredFrames) +
                            " frames read");
    else if (NextToken(token))
        mWarnings.push_back("values past the " + std::to_string(mDeclaredFrames) + " declared frames ignored");
    return End(true, why);
}

bool KScnFileBiovision::End(bool ok, std::string& why)
{
    if (!ok)
        why = mText.Failed() ? mText.GetError() : mWhy;
    mText.Close();
    mLine = std::string_view();
    mTokens = KTextTokens(std::string_view());
    mAtEnd = true;
    return ok;
}

bool KScnFileBiovision::Fail(const std::string& reason)
{
    mWhy = KTextFile::AtLine(mText.GetLineNumber(), reason);
    return false;
}

bool KScnFileBiovision::NextToken(std::string_view& token)
{
    while (!mTokens.Next(token))
    {
        if (!mText.NextLine(mLine))
            return false;
        mTokens = KTextTokens(mLine);
    }
    return true;
}

std::string_view KScnFileBiovision::RestOfLine()
{
    const std::string_view rest = mTokens.Rest();
    mTokens = KTextTokens(std::string_view());
    return rest;
}

bool KScnFileBiovision::NextNonBlankLine(std::string_view& line)
{
    mTokens = KTextTokens(std::string_view());
    while (mText.NextLine(mLine))
    {
        if (!KTextTokens(mLine).AtEnd())
        {
            line = KTextTokens(mLine).Rest();
            return true;
        }
    }
    return false;
}

size_t KScnFileBiovision::BytesLeft() const
{
    const std::string_view content = mText.GetContent();
    const size_t end =
        mLine.data() != nullptr ? static_cast<size_t>(mLine.data() + mLine.size() - content.data()) : 0;
    return end < content.size() ? content.size() - end : 0;
}

bool KScnFileBiovision::ReadHierarchy()
{
    std::string_view token;
    if (!NextToken(token) || !KTextTokens::Same(token, "HIERARCHY"))
        return Fail("not a BVH file: no HIERARCHY");
    struct SOpen
    {
        int joint;
        bool offset;
        bool channels;
    };
    std::vector<SOpen> open;
    const auto nameOf = [this](int joint)
    {
        const KScnBvhJoint& j = mJoints[static_cast<size_t>(joint)];
        return j.mEndSite ? "the End Site of " + mJoints[static_cast<size_t>(j.mParent)].mName : j.mName;
    };
    for (;;)
    {
        if (!NextToken(token))
            return Fail(open.empty() ? "no MOTION section"
                                     : "the file ends inside " + nameOf(open.back().joint));
        if (open.empty())
        {
            if (KTextTokens::Same(token, "MOTION"))
                return mJoints.empty() ? Fail("MOTION before any ROOT") : true;
            if (!KTextTokens::Same(token, "ROOT"))
                return Fail("expected ROOT or MOTION, found " + KTextTokens::Clip(token));
            if (!ReadBlockStart(-1, false))
                return false;
            open.push_back({static_cast<int>(mJoints.size()) - 1, false, false});
            continue;
        }
        SOpen& top = open.back();
        const bool endSite = mJoints[static_cast<size_t>(top.joint)].mEndSite;
        if (KTextTokens::Same(token, "OFFSET"))
        {
            if (!ReadOffset(mJoints[static_cast<size_t>(top.joint)], top.offset))
                return false;
        }
        else if (KTextTokens::Same(token, "CHANNELS"))
        {
            if (endSite)
                return Fail("an End Site with channels");
            if (!ReadChannels(mJoints[static_cast<size_t>(top.joint)], top.channels))
                return false;
        }
        else if (KTextTokens::Same(token, "JOINT") || KTextTokens::Same(token, "End"))
        {
            const bool site = KTextTokens::Same(token, "End");
            if (site && (!NextToken(token) || !KTextTokens::Same(token, "Site")))
                return Fail("expected End Site");
            if (endSite)
                return Fail("an End Site with children");
            if (open.size() >= static_cast<size_t>(kMaxDepth))
                return Fail("joints nested deeper than " + std::to_string(kMaxDepth));
            if (!ReadBlockStart(top.joint, site))
                return false;
            open.push_back({static_cast<int>(mJoints.size()) - 1, false, false});
        }
        else if (token == "}")
        {
            if (!top.offset)
                return Fail(nameOf(top.joint) + " has no OFFSET");
            open.pop_back();
        }
        else
            return Fail("unexpected " + KTextTokens::Clip(token) + " in " + nameOf(top.joint));
    }
}

bool KScnFileBiovision::ReadBlockStart(int parent, bool endSite)
{
    if (mJoints.size() >= static_cast<size_t>(kMaxJoints))
        return Fail("more than " + std::to_string(kMaxJoints) + " joints");
    std::string_view rest = RestOfLine();
    bool opened = false;
    if (!rest.empty() && rest.back() == '{')
    {
        opened = true;
        rest.remove_suffix(1);
        while (!rest.empty() && KTextTokens::IsBlank(rest.back()))
            rest.remove_suffix(1);
    }
    if (endSite && !rest.empty())
        return Fail("unexpected " + KTextTokens::Clip(rest) + " after End Site");
    if (rest.size() > kMaxNameLength)
        return Fail("a joint name longer than " + std::to_string(kMaxNameLength) + " characters");
    std::string_view brace;
    if (!opened && !NextToken(brace))
        return Fail("the file ends before the block of " + KTextTokens::Clip(endSite ? "End Site" : rest));
    if (!opened && brace != "{")
        return Fail("expected { after " + KTextTokens::Clip(endSite ? "End Site" : rest) + ", found " +
                    KTextTokens::Clip(brace));
    KScnBvhJoint joint;
    joint.mName = std::string(rest);
    joint.mParent = parent;
    joint.mEndSite = endSite;
    joint.mFirstChannel = mChannelCount;
    mJoints.push_back(joint);
    return true;
}

bool KScnFileBiovision::ReadOffset(KScnBvhJoint& joint, bool& seen)
{
    if (seen)
        return Fail("a second OFFSET");
    seen = true;
    for (double& value : joint.mOffset)
    {
        std::string_view token;
        if (!NextToken(token))
            return Fail("the file ends inside an OFFSET");
        if (!KTextNumber::ToDouble(token, value))
            return Fail("not a number in OFFSET: " + KTextTokens::Clip(token));
    }
    return true;
}

bool KScnFileBiovision::ReadChannels(KScnBvhJoint& joint, bool& seen)
{
    if (seen)
        return Fail("a second CHANNELS");
    seen = true;
    std::string_view token;
    int64_t count = 0;
    if (!NextToken(token))
        return Fail("the file ends inside CHANNELS");
    if (!KTextNumber::ToInt64(token, count))
        return Fail("not a channel count: " + KTextTokens::Clip(token));
    if (count < 0 || count > 6)
        return Fail("channel count " + std::to_string(count) + " out of range (0 to 6)");
    bool positions[3] = {false, false, false};
    for (int64_t i = 0; i < count; ++i)
    {
        if (!NextToken(token))
            return Fail("the file ends inside CHANNELS");
        int channel = 0;
        while (channel < 6 && !KTextTokens::Same(token, kChannelNames[channel]))
            ++channel;
        if (channel == 6)
            return Fail("unknown channel " + KTextTokens::Clip(token));
        if (channel < 3 && positions[channel])
            return Fail(std::string(kChannelNames[channel]) + " twice in one joint");
        if (channel < 3)
            positions[channel] = true;
        joint.mChannels[i] = static_cast<unsigned char>(channel);
    }
    joint.mFirstChannel = mChannelCount;
    joint.mChannelCount = static_cast<int>(count);
    mChannelCount += joint.mChannelCount;
    return true;
}

bool KScnFileBiovision::ReadMotion()
{
    const std::string_view rest = RestOfLine();
    if (!rest.empty())
        return Fail("unexpected " + KTextTokens::Clip(rest) + " after MOTION");
    return ReadMotionHeader() && CheckFrameCount();
}

bool KScnFileBiovision::ReadMotionHeader()
{
    std::string_view line;
    if (!NextNonBlankLine(line) || !TakeWord(line, "Frames"))
        return Fail("expected Frames: after MOTION");
    if (!line.empty() && line.front() == ':')
        TakeWord(line, ":");
    if (!KTextNumber::ToInt64(line, mDeclaredFrames))
        return Fail("not a frame count: " + KTextTokens::Clip(line));
    if (mDeclaredFrames < 0)
        return Fail("frame count " + std::to_string(mDeclaredFrames) + " below 0");
    if (!NextNonBlankLine(line) || !TakeWord(line, "Frame") || !TakeWord(line, "Time"))
        return Fail("expected Frame Time: after Frames:");
    if (!line.empty() && line.front() == ':')
        TakeWord(line, ":");
    if (!KTextNumber::ToDouble(line, mFrameTime))
        return Fail("not a frame time: " + KTextTokens::Clip(line));
    if (!(mFrameTime > 0.0))
        return Fail("frame time " + KTextTokens::Clip(line) + " not above 0");
    return true;
}

bool KScnFileBiovision::CheckFrameCount()
{
    if (mChannelCount == 0)
    {
        if (mDeclaredFrames > 0)
            mWarnings.push_back(std::to_string(mDeclaredFrames) + " frames of a skeleton without channels");
        return true;
    }
    const uint64_t capacity =
        (static_cast<uint64_t>(BytesLeft()) + 1) / 2 / static_cast<uint64_t>(mChannelCount);
    if (static_cast<uint64_t>(mDeclaredFrames) > capacity)
        return Fail("frame count " + std::to_string(mDeclaredFrames) + " too large for the file (" +
                    std::to_string(BytesLeft()) + " bytes of motion, " + std::to_string(mChannelCount) +
                    " channels)");
    return true;
}

} // namespace scenesdk
