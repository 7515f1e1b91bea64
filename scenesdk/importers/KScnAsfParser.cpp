#include "scenesdk/importers/KScnAsfParser.h"

#include "scenesdk/importers/KScnAcclaimData.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KgeMath.h"

#include <cmath>

namespace scenesdk
{

namespace
{

int DofOf(std::string_view token)
{
    static const char* const kNames[] = {"tx", "ty", "tz", "rx", "ry", "rz", "l"};
    for (int i = 0; i < 7; ++i)
        if (KTextTokens::Same(token, kNames[i]))
            return i;
    return -1;
}

// A limit: a number, or an infinity written out.
bool IsLimit(std::string_view token)
{
    double value = 0.0;
    return KTextNumber::ToDouble(token, value) || KTextTokens::Same(token, "inf") ||
           KTextTokens::Same(token, "-inf") || KTextTokens::Same(token, "+inf");
}

struct SLink
{
    std::string mParent;
    std::string mChild;
    int mLine;
};

class CAsfParse
{
public:
    CAsfParse(KScnAcclaimSkeleton& out, std::string& why) : mOut(out), mWhy(why) {}

    bool Run(const char* text, size_t size)
    {
        KTextFile file;
        file.Attach(text, size);
        file.SetCommentChar('#');
        const bool read = file.ForEachLine(
            [this, &file](std::string_view line)
            {
                mLine = file.GetLineNumber();
                // Commas and parentheses separate like blanks: "limits (-90, 90)".
                mBuffer.assign(line.data(), line.size());
                for (char& c : mBuffer)
                    c = (c == ',' || c == '(' || c == ')') ? ' ' : c;
                return Line();
            });
        if (!read)
        {
            if (file.Failed())
                mWhy = file.GetError();
            return false;
        }
        if (mInBone)
            return Fail("bone \"" + mBone.mName + "\" has no end");
        return Finish();
    }

private:
    enum ESection
    {
        eNone,
        eUnits,
        eRoot,
        eBones,
        eHierarchy,
        eSkip
    };

    bool Fail(const std::string& reason) { return FailAt(mLine, reason); }
    bool FailAt(int line, const std::string& reason)
    {
        mWhy = KTextFile::AtLine(line, reason);
        return false;
    }
    // A fault of the whole file, found after reading it.
    bool FailFile(const std::string& reason)
    {
        mWhy = reason;
        return false;
    }

    bool Numbers(KTextTokens& tokens, double* out, int count, const char* what)
    {
        for (int i = 0; i < count; ++i)
        {
            std::string_view token;
            if (!tokens.Next(token))
                return Fail(std::string(what) + " needs " + std::to_string(count) + " numbers");
            if (!KTextNumber::ToDouble(token, out[i]))
                return Fail("not a number: " + std::string(token));
        }
        return true;
    }

    bool Line()
    {
        KTextTokens tokens(mBuffer);
        std::string_view word;
        if (!tokens.Next(word))
            return true;
        if (word[0] == ':')
        {
            if (mInBone)
                return Fail("bone \"" + mBone.mName + "\" has no end");
            return Section(word.substr(1), tokens);
        }
        switch (mSection)
        {
        case eUnits:
            return Units(word, tokens);
        case eRoot:
            return Root(word, tokens);
        case eBones:
            return Bone(word, tokens);
        case eHierarchy:
            return Hierarchy(word, tokens);
        case eSkip:
            return true;
        case eNone:
        default:
            return Fail("text before the first section: " + std::string(word));
        }
    }

    bool Section(std::string_view keyword, KTextTokens& tokens)
    {
        mSection = eSkip;
        if (KTextTokens::Same(keyword, "name"))
        {
            const std::string_view name = tokens.Rest();
            if (name.size() > KScnAsfParser::kMaxNameLength)
                return Fail("skeleton name too long");
            mOut.mName = std::string(name);
        }
        else if (KTextTokens::Same(keyword, "units"))
            mSection = eUnits;
        else if (KTextTokens::Same(keyword, "root"))
            mSection = eRoot;
        else if (KTextTokens::Same(keyword, "bonedata"))
            mSection = eBones;
        else if (KTextTokens::Same(keyword, "hierarchy"))
            mSection = eHierarchy;
        return true;
    }

    bool Units(std::string_view key, KTextTokens& tokens)
    {
        std::string_view value;
        tokens.Next(value);
        if (KTextTokens::Same(key, "angle"))
        {
            if (KTextTokens::Same(value, "deg") || KTextTokens::Same(value, "degree") ||
                KTextTokens::Same(value, "degrees"))
                mOut.mRadians = false;
            else if (KTextTokens::Same(value, "rad") || KTextTokens::Same(value, "radian") ||
                     KTextTokens::Same(value, "radians"))
                mOut.mRadians = true;
            else
                return Fail("unknown angle unit: " + std::string(value));
            return true;
        }
        if (!KTextTokens::Same(key, "length") && !KTextTokens::Same(key, "mass"))
            return true;
        double number = 0.0;
        if (!KTextNumber::ToDouble(value, number))
            return Fail("not a number: " + std::string(value));
        if (KTextTokens::Same(key, "length"))
        {
            if (!(number > 0.0))
                return Fail("units length must be above 0");
            mOut.mLengthUnit = number;
        }
        return true;
    }

    bool Root(std::string_view key, KTextTokens& tokens)
    {
        if (KTextTokens::Same(key, "order"))
        {
            mOut.mRootOrder.clear();
            std::string_view token;
            while (tokens.Next(token))
            {
                const int dof = DofOf(token);
                if (dof < 0 || dof == eAcclaimL)
                    return Fail("unknown root order token: " + std::string(token));
                for (int seen : mOut.mRootOrder)
                    if (seen == dof)
                        return Fail("root order repeats " + std::string(token));
                mOut.mRootOrder.push_back(dof);
            }
            return true;
        }
        if (KTextTokens::Same(key, "axis"))
        {
            std::string_view token;
            tokens.Next(token);
            mOut.mRootAxisOrder = KScnAsfParser::OrderOfAxes(token);
            return mOut.mRootAxisOrder >= 0 ? true : Fail("unknown axis order: " + std::string(token));
        }
        if (KTextTokens::Same(key, "position"))
            return Numbers(tokens, mOut.mRootPosition, 3, "position");
        if (KTextTokens::Same(key, "orientation"))
            return Numbers(tokens, mOut.mRootOrientation, 3, "orientation");
        return true;
    }

    bool Bone(std::string_view key, KTextTokens& tokens)
    {
        if (!mInBone)
        {
            if (!KTextTokens::Same(key, "begin"))
                return Fail("expected begin, found " + std::string(key));
            mInBone = true;
            mBone = KScnAcclaimBone();
            mHasName = mHasDirection = mHasLength = mInLimits = false;
            mBoneLine = mLine;
            return true;
        }
        // Limit pairs go on over the lines after "limits".
        if (mInLimits && IsLimit(key))
            return Limits(tokens);
        mInLimits = false;
        if (KTextTokens::Same(key, "end"))
            return EndBone();
        if (KTextTokens::Same(key, "begin"))
            return Fail("begin inside a bone");
        if (KTextTokens::Same(key, "name"))
        {
            const std::string_view name = tokens.Rest();
            if (name.empty() || name.size() > KScnAsfParser::kMaxNameLength)
                return Fail(name.empty() ? "bone without a name" : "bone name too long");
            mBone.mName = std::string(name);
            mHasName = true;
            return true;
        }
        if (KTextTokens::Same(key, "direction"))
            return mHasDirection = Numbers(tokens, mBone.mDirection, 3, "direction");
        if (KTextTokens::Same(key, "length"))
            return mHasLength = Numbers(tokens, &mBone.mLength, 1, "length");
        if (KTextTokens::Same(key, "axis"))
        {
            if (!Numbers(tokens, mBone.mAxis, 3, "axis"))
                return false;
            std::string_view token;
            tokens.Next(token);
            mBone.mAxisOrder = token.empty() ? 0 : KScnAsfParser::OrderOfAxes(token);
            return mBone.mAxisOrder >= 0 ? true : Fail("unknown axis order: " + std::string(token));
        }
        if (KTextTokens::Same(key, "dof"))
            return Dofs(tokens);
        if (KTextTokens::Same(key, "limits"))
        {
            mInLimits = true;
            return Limits(tokens);
        }
        if (KTextTokens::Same(key, "id") || KTextTokens::Same(key, "bodymass") ||
            KTextTokens::Same(key, "cofmass"))
        {
            double ignored = 0.0;
            return Numbers(tokens, &ignored, 1, std::string(key).c_str());
        }
        return true;
    }

    bool Dofs(KTextTokens& tokens)
    {
        mBone.mDofs.clear();
        std::string_view token;
        while (tokens.Next(token))
        {
            const int dof = DofOf(token);
            if (dof < 0)
                return Fail("unknown dof: " + std::string(token));
            for (int seen : mBone.mDofs)
                if (seen == dof)
                    return Fail("dof repeats " + std::string(token));
            mBone.mDofs.push_back(dof);
        }
        return true;
    }

    // Limits are kept by no one: only checked to be numbers.
    bool Limits(KTextTokens& tokens)
    {
        std::string_view token;
        while (tokens.Next(token))
            if (!IsLimit(token))
                return Fail("not a limit: " + std::string(token));
        return true;
    }

    bool EndBone()
    {
        mInBone = false;
        KScnAcclaimBone& bone = mBone;
        if (!mHasName)
            return FailAt(mBoneLine, "bone without a name");
        if (!mHasDirection || !mHasLength)
            return FailAt(mBoneLine,
                          "bone \"" + bone.mName + "\" has no " + (mHasDirection ? "length" : "direction"));
        if (bone.mLength < 0.0)
            return FailAt(mBoneLine, "bone \"" + bone.mName + "\" has a negative length");
        const double* d = bone.mDirection;
        const double norm = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (!(norm > 1e-12) || !std::isfinite(norm))
        {
            if (bone.mLength > 0.0)
                return FailAt(mBoneLine, "bone \"" + bone.mName + "\" has no direction to extend along");
        }
        else
        {
            for (double& v : bone.mDirection)
                v /= norm;
        }
        const std::string key = KTextTokens::Lower(bone.mName);
        if (key == "root")
            return FailAt(mBoneLine, "a bone may not be called root");
        if (!mOut.mIndex.emplace(key, static_cast<int>(mOut.mBones.size())).second)
            return FailAt(mBoneLine, "two bones called \"" + bone.mName + "\"");
        mOut.mBones.push_back(std::move(bone));
        return true;
    }

    bool Hierarchy(std::string_view parent, KTextTokens& tokens)
    {
        if (KTextTokens::Same(parent, "begin") || KTextTokens::Same(parent, "end"))
            return true;
        std::string_view child;
        while (tokens.Next(child))
            mLinks.push_back(SLink{std::string(parent), std::string(child), mLine});
        return true;
    }

    bool Finish()
    {
        if (mOut.mRootOrder.empty())
            mOut.mRootOrder = {eAcclaimTX, eAcclaimTY, eAcclaimTZ, eAcclaimRX, eAcclaimRY, eAcclaimRZ};
        if (mOut.mRadians)
        {
            for (double& v : mOut.mRootOrientation)
                v *= kKgeRadToDeg;
            for (KScnAcclaimBone& bone : mOut.mBones)
                for (double& v : bone.mAxis)
                    v *= kKgeRadToDeg;
        }
        return Link() && Walk();
    }

    bool Link()
    {
        std::vector<char> placed(mOut.mBones.size(), 0);
        for (const SLink& link : mLinks)
        {
            const bool underRoot = KTextTokens::Same(link.mParent, "root");
            const int parent = underRoot ? -1 : mOut.Find(link.mParent);
            const int child = mOut.Find(link.mChild);
            if (!underRoot && parent < 0)
                return FailAt(link.mLine, "hierarchy names an unknown bone: " + link.mParent);
            if (child < 0)
                return FailAt(link.mLine, KTextTokens::Same(link.mChild, "root")
                                              ? std::string("root listed as a child")
                                              : "hierarchy names an unknown bone: " + link.mChild);
            if (child == parent)
                return FailAt(link.mLine, "bone \"" + link.mChild + "\" is its own parent");
            if (placed[child])
                return FailAt(link.mLine, "bone \"" + link.mChild + "\" is listed under two parents");
            placed[child] = 1;
            mOut.mBones[child].mParent = parent;
            (underRoot ? mOut.mRootChildren : mOut.mBones[parent].mChildren).push_back(child);
        }
        for (size_t i = 0; i < placed.size(); ++i)
            if (!placed[i])
                return FailFile("bone \"" + mOut.mBones[i].mName + "\" is not in the hierarchy");
        return true;
    }

    // Breadth first from the root: every bone must be reached (else the
    // hierarchy has a cycle), none deeper than the cap.
    bool Walk()
    {
        std::vector<int>& order = mOut.mParentsFirst;
        order = mOut.mRootChildren;
        size_t levelEnd = order.size();
        int depth = 1;
        for (size_t i = 0; i < order.size(); ++i)
        {
            if (i == levelEnd)
            {
                levelEnd = order.size();
                if (++depth > KScnAsfParser::kMaxDepth)
                    return FailFile("hierarchy nested deeper than " +
                                    std::to_string(KScnAsfParser::kMaxDepth) + " bones");
            }
            const std::vector<int>& children = mOut.mBones[order[i]].mChildren;
            order.insert(order.end(), children.begin(), children.end());
        }
        if (order.size() == mOut.mBones.size())
            return true;
        std::vector<char> reached(mOut.mBones.size(), 0);
        for (int bone : order)
            reached[bone] = 1;
        for (size_t i = 0; i < reached.size(); ++i)
            if (!reached[i])
                return FailFile("hierarchy has a cycle through bone \"" + mOut.mBones[i].mName + "\"");
        return true;
    }

    KScnAcclaimSkeleton& mOut;
    std::string& mWhy;
    std::string mBuffer;
    int mLine = 0;
    ESection mSection = eNone;
    bool mInBone = false;
    bool mHasName = false, mHasDirection = false, mHasLength = false, mInLimits = false;
    int mBoneLine = 0;
    KScnAcclaimBone mBone;
    std::vector<SLink> mLinks;
};

} // namespace

bool KScnAsfParser::Parse(const char* text, size_t size, KScnAcclaimSkeleton& out, std::string& why)
{
    out = KScnAcclaimSkeleton();
    return CAsfParse(out, why).Run(text, size);
}

int KScnAsfParser::OrderOfAxes(std::string_view letters)
{
    // In ERotationOrder's order.
    static const char* const kOrders[] = {"xyz", "xzy", "yzx", "yxz", "zxy", "zyx"};
    for (int i = 0; i < 6; ++i)
        if (KTextTokens::Same(letters, kOrders[i]))
            return i;
    return -1;
}

int KScnAsfParser::OrderOfDofs(const std::vector<int>& dofs)
{
    std::string axes;
    for (int dof : dofs)
        if (dof >= eAcclaimRX && dof <= eAcclaimRZ)
            axes.push_back(static_cast<char>('x' + dof - eAcclaimRX));
    for (char axis : {'x', 'y', 'z'})
        if (axes.find(axis) == std::string::npos)
            axes.push_back(axis);
    return OrderOfAxes(axes);
}

} // namespace scenesdk
