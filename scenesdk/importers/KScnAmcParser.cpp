#include "scenesdk/importers/KScnAmcParser.h"

#include "scenesdk/importers/KScnAcclaimData.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KgeMath.h"

namespace scenesdk
{

namespace
{

class CAmcParse
{
public:
    CAmcParse(const KScnAcclaimSkeleton& skeleton, KScnAcclaimMotion& out, std::string& why)
        : mSkeleton(skeleton), mOut(out), mWhy(why), mRadians(skeleton.mRadians)
    {
    }

    bool Run(const char* text, size_t size)
    {
        mOut.mTracks.assign(mSkeleton.mBones.size() + 1, KScnAcclaimTrack());
        KTextFile file;
        file.Attach(text, size);
        file.SetCommentChar('#');
        if (file.ForEachLine(
                [this, &file](std::string_view line)
                {
                    mLine = file.GetLineNumber();
                    return Line(line);
                }))
            return true;
        if (file.Failed())
            mWhy = file.GetError();
        return false;
    }

private:
    bool Fail(const std::string& reason)
    {
        mWhy = KTextFile::AtLine(mLine, reason);
        return false;
    }

    bool Line(std::string_view line)
    {
        KTextTokens tokens(line);
        std::string_view word;
        if (!tokens.Next(word))
            return true;
        if (word[0] == ':')
        {
            if (!mOut.mFrameNumbers.empty())
                return Fail("header keyword after the first frame: " + std::string(word));
            if (KTextTokens::Same(word, ":degrees"))
                mRadians = false;
            else if (KTextTokens::Same(word, ":radians"))
                mRadians = true;
            return true;
        }
        int64_t frame = 0;
        if (tokens.AtEnd() && KTextNumber::ToInt64(word, frame))
            return Frame(frame);
        return Sample(word, tokens);
    }

    bool Frame(int64_t frame)
    {
        if (!mOut.mFrameNumbers.empty() && frame <= mOut.mFrameNumbers.back())
            return Fail("frame " + std::to_string(frame) + " does not come after frame " +
                        std::to_string(mOut.mFrameNumbers.back()));
        mOut.mFrameNumbers.push_back(frame);
        return true;
    }

    bool Sample(std::string_view name, KTextTokens& tokens)
    {
        const bool root = KTextTokens::Same(name, "root");
        const int bone = root ? -1 : mSkeleton.Find(name);
        if (!root && bone < 0)
        {
            if (mOut.mUnknownLines++ == 0)
                mOut.mFirstUnknown = KTextTokens::Clip(name, 64);
            return true;
        }
        if (mOut.mFrameNumbers.empty())
            return Fail("values of " + std::string(name) + " before the first frame");
        const std::vector<int>& dofs = root ? mSkeleton.mRootOrder : mSkeleton.mBones[bone].mDofs;
        KScnAcclaimTrack& track = mOut.mTracks[root ? mSkeleton.mBones.size() : size_t(bone)];
        const int32_t frame = static_cast<int32_t>(mOut.mFrameNumbers.size() - 1);
        if (!track.mFrames.empty() && track.mFrames.back() == frame)
            return Fail(std::string(name) + " twice in frame " + std::to_string(mOut.mFrameNumbers.back()));
        size_t count = 0;
        std::string_view token;
        while (tokens.Next(token))
        {
            double value = 0.0;
            if (!KTextNumber::ToDouble(token, value))
                return Fail("not a number: " + KTextTokens::Clip(token, 64));
            if (count >= dofs.size())
                return Fail(std::string(name) + " has more than its " + std::to_string(dofs.size()) +
                            " values");
            const bool angle = dofs[count] >= eAcclaimRX && dofs[count] <= eAcclaimRZ;
            track.mValues.push_back(angle && mRadians ? value * kKgeRadToDeg : value);
            ++count;
        }
        if (count != dofs.size())
            return Fail(std::string(name) + " has " + std::to_string(count) + " values, not " +
                        std::to_string(dofs.size()));
        track.mFrames.push_back(frame);
        return true;
    }

    const KScnAcclaimSkeleton& mSkeleton;
    KScnAcclaimMotion& mOut;
    std::string& mWhy;
    bool mRadians;
    int mLine = 0;
};

} // namespace

bool KScnAmcParser::Parse(const char* text, size_t size, const KScnAcclaimSkeleton& skeleton,
                          KScnAcclaimMotion& out, std::string& why)
{
    out = KScnAcclaimMotion();
    return CAmcParse(skeleton, out, why).Run(text, size);
}

} // namespace scenesdk
