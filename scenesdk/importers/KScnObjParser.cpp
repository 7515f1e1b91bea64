#include "scenesdk/importers/KScnObjParser.h"

#include "scenesdk/importers/KScnObjData.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace scenesdk
{

namespace
{

// The common case of an index, one to nine digits after an optional minus,
// without a library call; false for anything else (then parsed strictly).
bool FastIndex(std::string_view text, int64_t& out)
{
    const bool negative = !text.empty() && text[0] == '-';
    const size_t first = negative ? 1 : 0;
    if (text.size() <= first || text.size() - first > 9)
        return false;
    int64_t value = 0;
    for (size_t i = first; i < text.size(); ++i)
    {
        const unsigned digit = static_cast<unsigned>(text[i]) - '0';
        if (digit > 9)
            return false;
        value = value * 10 + digit;
    }
    out = negative ? -value : value;
    return true;
}

class CParser
{
public:
    CParser(const KStreamOptionsObj& options, KScnObjData& out) : mOptions(options), mOut(out) {}

    bool Run(const char* text, size_t size, std::string& why);

private:
    bool Line(std::string_view line);
    bool Vertex(KTextTokens& tokens);
    bool Values(KTextTokens& tokens, double* values, int min, int max, int& count, const char* what);
    bool Face(KTextTokens& tokens);
    bool Corner(std::string_view token, KScnObjCorner& corner);
    bool Index(std::string_view text, size_t count, int32_t& out, const char* what);
    bool Smoothing(KTextTokens& tokens);
    void SwitchPart(int object, int group);
    int NameIndex(std::unordered_map<std::string, int>& map, std::vector<std::string>& names,
                  std::string_view name);
    bool Error(const std::string& text);
    void Skip(std::string_view keyword);

    const KStreamOptionsObj& mOptions;
    KScnObjData& mOut;
    KTextFile mText;
    std::string mWhy;
    int mObject = -1;
    int mGroup = -1;
    int mMaterial = -1;
    int mSmoothing = 0;
    int mPart = -1;
    std::unordered_map<std::string, int> mObjects, mGroups, mMaterials, mLibraries;
    std::unordered_map<uint64_t, int> mParts; // (object, group) -> part
    std::vector<KScnObjCorner> mFace;
};

bool CParser::Error(const std::string& text)
{
    mWhy = KTextFile::AtLine(mText.GetLineNumber(), text);
    return false;
}

void CParser::Skip(std::string_view keyword)
{
    if (mOut.mSkipped++ == 0)
        mOut.mFirstSkipped = std::string(keyword);
}

int CParser::NameIndex(std::unordered_map<std::string, int>& map, std::vector<std::string>& names,
                       std::string_view name)
{
    const auto found = map.emplace(std::string(name), static_cast<int>(names.size()));
    if (found.second)
        names.emplace_back(name);
    return found.first->second;
}

void CParser::SwitchPart(int object, int group)
{
    mObject = object;
    mGroup = group;
    const uint64_t key = (uint64_t(uint32_t(object)) << 32) | uint32_t(group);
    const auto found = mParts.emplace(key, static_cast<int>(mOut.mParts.size()));
    if (found.second)
    {
        KScnObjPart part;
        part.object = object;
        part.group = group;
        mOut.mParts.push_back(std::move(part));
    }
    mPart = found.first->second;
}

bool CParser::Values(KTextTokens& tokens, double* values, int min, int max, int& count, const char* what)
{
    count = 0;
    std::string_view token;
    while (tokens.Next(token))
    {
        if (count == max)
            return Error(std::string("too many values in ") + what);
        if (!KTextNumber::ToDouble(token, values[count]))
            return Error("not a number: " + KTextTokens::Clip(token));
        ++count;
    }
    if (count < min)
        return Error(std::string("too few values in ") + what);
    return true;
}

bool CParser::Vertex(KTextTokens& tokens)
{
    double v[7];
    int count = 0;
    if (!Values(tokens, v, 3, 7, count, "a vertex"))
        return false;
    if (count == 5)
        return Error("a vertex with 5 values");
    mOptions.ConvertPosition(v[0], v[1], v[2]);
    mOut.mPositions.insert(mOut.mPositions.end(), {v[0], v[1], v[2]});
    const bool colored = count >= 6 && mOptions.mReadVertexColors;
    if (colored && !mOut.mHasColors)
    {
        // Positions read before the first coloured one are white.
        mOut.mColors.assign(mOut.mPositions.size() - 3, 1.0f);
        mOut.mHasColors = true;
    }
    if (mOut.mHasColors)
    {
        if (colored)
            mOut.mColors.insert(mOut.mColors.end(), {float(v[3]), float(v[4]), float(v[5])});
        else
            mOut.mColors.insert(mOut.mColors.end(), {1.0f, 1.0f, 1.0f});
    }
    return true;
}

bool CParser::Index(std::string_view text, size_t count, int32_t& out, const char* what)
{
    int64_t index = 0;
    if (!FastIndex(text, index) && !KTextNumber::ToInt64(text, index))
        return Error("not an index: " + KTextTokens::Clip(text));
    const int64_t n = static_cast<int64_t>(count);
    if (index == 0)
        return Error(std::string(what) + " index 0");
    const int64_t absolute = index > 0 ? index - 1 : n + index;
    if (absolute < 0 || absolute >= n)
        return Error(std::string(what) + " index " + std::to_string(index) + " out of range (" +
                     std::to_string(n) + " read)");
    out = static_cast<int32_t>(absolute);
    return true;
}

bool CParser::Corner(std::string_view token, KScnObjCorner& corner)
{
    corner = {-1, -1, -1};
    const size_t a = token.find('/');
    if (!Index(token.substr(0, a), mOut.mPositions.size() / 3, corner.v, "vertex"))
        return false;
    if (a == std::string_view::npos)
        return true;
    const std::string_view rest = token.substr(a + 1);
    const size_t b = rest.find('/');
    const std::string_view vt = rest.substr(0, b);
    if (!vt.empty() && !Index(vt, mOut.mUVs.size() / 2, corner.vt, "texture vertex"))
        return false;
    if (b == std::string_view::npos)
        return true;
    const std::string_view vn = rest.substr(b + 1);
    if (vn.empty() && b + 1 == rest.size() && vt.empty())
        return Error("corner without indices after its vertex");
    return vn.empty() || Index(vn, mOut.mNormals.size() / 3, corner.vn, "normal");
}

bool CParser::Face(KTextTokens& tokens)
{
    mFace.clear();
    std::string_view token;
    while (tokens.Next(token))
    {
        KScnObjCorner corner;
        if (!Corner(token, corner))
            return false;
        if (!mOptions.mReadUVs)
            corner.vt = -1;
        if (!mOptions.mReadNormals)
            corner.vn = -1;
        mFace.push_back(corner);
    }
    // Some writers store an edge as a face of two corners: skipped like a
    // line. Fewer corners make no edge at all.
    if (mFace.size() == 2)
    {
        Skip("f with 2 corners");
        return true;
    }
    if (mFace.size() < 2)
        return Error(mFace.empty() ? std::string("a face without corners")
                                   : std::string("a face with 1 corner"));
    if (mPart < 0)
        SwitchPart(mObject, mGroup);
    KScnObjPart& part = mOut.mParts[static_cast<size_t>(mPart)];
    part.mCorners.insert(part.mCorners.end(), mFace.begin(), mFace.end());
    part.mFaceSizes.push_back(static_cast<int32_t>(mFace.size()));
    part.mFaceMaterials.push_back(mMaterial);
    part.mFaceSmoothing.push_back(mSmoothing);
    return true;
}

bool CParser::Smoothing(KTextTokens& tokens)
{
    std::string_view token;
    tokens.Next(token);
    int value = 0;
    if (token == "off" || token.empty())
        mSmoothing = 0;
    else if (token == "on")
        mSmoothing = 1;
    else if (KTextNumber::ToInt(token, value) && value >= 0)
        mSmoothing = value;
    else
        return Error("not a smoothing group: " + KTextTokens::Clip(token));
    return true;
}

bool CParser::Line(std::string_view line)
{
    KTextTokens tokens(line);
    std::string_view key;
    if (!tokens.Next(key))
        return true;
    if (key == "v")
        return Vertex(tokens);
    if (key == "f" || key == "fo")
        return Face(tokens);
    int count = 0;
    double values[3];
    if (key == "vt")
    {
        values[1] = 0.0;
        if (!Values(tokens, values, 1, 3, count, "a texture vertex"))
            return false;
        mOut.mUVs.insert(mOut.mUVs.end(), {values[0], mOptions.mFlipV ? 1.0 - values[1] : values[1]});
        return true;
    }
    if (key == "vn")
    {
        if (!Values(tokens, values, 3, 3, count, "a normal"))
            return false;
        mOptions.ConvertDirection(values[0], values[1], values[2]);
        const double length =
            std::sqrt(values[0] * values[0] + values[1] * values[1] + values[2] * values[2]);
        const double scale = length > 0.0 && std::isfinite(length) ? 1.0 / length : 1.0;
        mOut.mNormals.insert(mOut.mNormals.end(), {values[0] * scale, values[1] * scale, values[2] * scale});
        return true;
    }
    const std::string_view name = tokens.Rest();
    if (key == "o")
        SwitchPart(NameIndex(mObjects, mOut.mObjectNames, name.empty() ? "default" : name), mGroup);
    else if (key == "g")
        SwitchPart(mObject, NameIndex(mGroups, mOut.mGroupNames, name.empty() ? "default" : name));
    else if (key == "usemtl")
        mMaterial = name.empty() ? -1 : NameIndex(mMaterials, mOut.mMaterialNames, name);
    else if (key == "s")
        return Smoothing(tokens);
    else if (key == "mtllib")
    {
        std::string_view file;
        while (tokens.Next(file))
            if (mLibraries.emplace(std::string(file), 0).second)
                mOut.mLibraries.emplace_back(file);
    }
    else
        Skip(key);
    return true;
}

bool CParser::Run(const char* text, size_t size, std::string& why)
{
    mText.Attach(text, size);
    mText.SetCommentChar('#');
    mText.SetJoinContinuations(true);
    if (mText.ForEachLine([this](std::string_view line) { return Line(line); }))
        return true;
    why = mText.Failed() ? mText.GetError() : mWhy;
    return false;
}

} // namespace

bool KScnObjParser::Parse(const char* text, size_t size, const KStreamOptionsObj& options, KScnObjData& out,
                          std::string& why)
{
    CParser parser(options, out);
    return parser.Run(text, size, why);
}

} // namespace scenesdk
