#include "scenesdk/importers/KScnMtlParser.h"

#include "scenesdk/importers/KScnObjData.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"

#include <cstring>

namespace scenesdk
{

namespace
{

// Map options and how many values follow each (a negative count: up to that
// many numbers, at least one).
struct SMapOption
{
    const char* name;
    int values;
};
const SMapOption kMapOptions[] = {
    {"-blendu", 1}, {"-blendv", 1}, {"-cc", 1},      {"-clamp", 1}, {"-mm", 2},    {"-o", -3},  {"-s", -3},
    {"-t", -3},     {"-texres", 1}, {"-imfchan", 1}, {"-bm", 1},    {"-boost", 1}, {"-type", 1}};

struct SMapKeyword
{
    const char* name;
    int map;
};
const SMapKeyword kMapKeywords[] = {
    {"map_Kd", KScnMtlMaterial::eDiffuseMap}, {"map_bump", KScnMtlMaterial::eBumpMap},
    {"map_Bump", KScnMtlMaterial::eBumpMap},  {"bump", KScnMtlMaterial::eBumpMap},
    {"map_d", KScnMtlMaterial::eOpacityMap},  {"map_Ks", KScnMtlMaterial::eSpecularMap}};

class CMtlParser
{
public:
    CMtlParser(const std::string& folder, std::vector<KScnMtlMaterial>& out, int& skipped)
        : mFolder(folder), mOut(out), mSkipped(skipped)
    {
    }
    bool Run(const char* text, size_t size, std::string& why);

private:
    bool Line(std::string_view line);
    bool Color(KTextTokens& tokens, double* rgb);
    bool Number(KTextTokens& tokens, double& value);
    bool Map(KTextTokens tokens, KScnMtlMap& map);
    bool Error(const std::string& text);

    const std::string& mFolder;
    std::vector<KScnMtlMaterial>& mOut;
    int& mSkipped;
    KTextFile mText;
    std::string mWhy;
};

bool CMtlParser::Error(const std::string& text)
{
    mWhy = KTextFile::AtLine(mText.GetLineNumber(), text);
    return false;
}

bool CMtlParser::Number(KTextTokens& tokens, double& value)
{
    std::string_view token;
    if (!tokens.Next(token))
        return Error("a value is missing");
    if (!KTextNumber::ToDouble(token, value))
        return Error("not a number: " + KTextTokens::Clip(token));
    return true;
}

bool CMtlParser::Color(KTextTokens& tokens, double* rgb)
{
    KTextTokens peek = tokens;
    std::string_view first;
    peek.Next(first);
    if (first == "spectral" || first == "xyz")
    {
        ++mSkipped;
        return true;
    }
    if (!Number(tokens, rgb[0]))
        return false;
    rgb[1] = rgb[2] = rgb[0];
    if (tokens.AtEnd())
        return true;
    return Number(tokens, rgb[1]) && Number(tokens, rgb[2]);
}

bool CMtlParser::Map(KTextTokens tokens, KScnMtlMap& map)
{
    while (true)
    {
        KTextTokens before = tokens;
        std::string_view option;
        if (!tokens.Next(option))
            return Error("a map without a file");
        const SMapOption* known = nullptr;
        for (const SMapOption& o : kMapOptions)
            if (option == o.name)
                known = &o;
        if (known == nullptr)
        {
            tokens = before;
            break;
        }
        double values[3] = {0.0, 0.0, 0.0};
        int count = 0;
        std::string_view word;
        if (known->values > 0)
            for (; count < known->values; ++count)
                if (!tokens.Next(word))
                    return Error(std::string("a value of ") + known->name + " is missing");
        if (std::strcmp(known->name, "-clamp") == 0)
            map.mClamp = word == "on";
        for (; known->values < 0 && count < -known->values; ++count)
        {
            KTextTokens at = tokens;
            if (!tokens.Next(word) || !KTextNumber::ToDouble(word, values[count]))
            {
                tokens = at;
                break;
            }
        }
        if (known->values < 0 && count == 0)
            return Error(std::string("a value of ") + known->name + " is missing");
        if (std::strcmp(known->name, "-o") == 0)
            map.mOffset[0] = values[0], map.mOffset[1] = values[1];
        if (std::strcmp(known->name, "-s") == 0)
            map.mScale[0] = values[0], map.mScale[1] = count > 1 ? values[1] : 1.0;
    }
    map.mFile = std::string(tokens.Rest());
    for (char& c : map.mFile)
        c = c == '\\' ? '/' : c;
    return true;
}

bool CMtlParser::Line(std::string_view line)
{
    KTextTokens tokens(line);
    std::string_view key;
    if (!tokens.Next(key))
        return true;
    if (key == "newmtl")
    {
        KScnMtlMaterial material;
        material.mName = std::string(tokens.Rest());
        material.mFolder = mFolder;
        if (material.mName.empty())
            return Error("a material without a name");
        mOut.push_back(std::move(material));
        return true;
    }
    if (mOut.empty())
    {
        ++mSkipped;
        return true;
    }
    KScnMtlMaterial& m = mOut.back();
    double value = 0.0;
    for (const SMapKeyword& k : kMapKeywords)
        if (key == k.name)
            return Map(tokens, m.mMaps[k.map]);
    if (key == "Ka")
        return Color(tokens, m.mAmbient);
    if (key == "Kd")
        return Color(tokens, m.mDiffuse);
    if (key == "Ks")
        return Color(tokens, m.mSpecular);
    if (key == "Ke")
        return Color(tokens, m.mEmissive);
    if (key == "Ns")
        return Number(tokens, m.mShininess);
    if (key == "d" || key == "Tr")
    {
        // "d -halo factor": the dissolve's dependence on the view is not kept.
        KTextTokens peek = tokens;
        std::string_view halo;
        if (key == "d" && peek.Next(halo) && halo == "-halo")
            tokens = peek;
        if (!Number(tokens, value))
            return false;
        if (key == "d")
            m.mOpacity = value, m.mHasDissolve = true;
        else if (!m.mHasDissolve)
            m.mOpacity = 1.0 - value;
        return true;
    }
    if (key == "illum")
    {
        if (!Number(tokens, value))
            return false;
        m.mIllum = value >= 0.0 && value <= 10.0 ? static_cast<int>(value) : 2;
        return true;
    }
    ++mSkipped;
    return true;
}

bool CMtlParser::Run(const char* text, size_t size, std::string& why)
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

bool KScnMtlParser::Parse(const char* text, size_t size, const std::string& folder,
                          std::vector<KScnMtlMaterial>& out, int& skipped, std::string& why)
{
    CMtlParser parser(folder, out, skipped);
    return parser.Run(text, size, why);
}

} // namespace scenesdk
