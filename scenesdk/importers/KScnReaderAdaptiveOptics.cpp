#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFKeyRecord.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KStreamOptionsAdaptiveOptics.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <cmath>

namespace scenesdk
{

namespace
{

// The longest take keyed, in seconds (times end a little beyond twice this).
const double kMaxSeconds = 1e8;

bool Same(std::string_view a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
    {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i])
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// A copy of the line with the given characters turned into blanks.
const std::string& Blanked(std::string_view line, const char* characters, std::string& buffer)
{
    buffer.assign(line.data(), line.size());
    for (char& c : buffer)
        for (const char* b = characters; *b != '\0'; ++b)
            c = c == *b ? ' ' : c;
    return buffer;
}

// The three numbers of a data line; false with why.
bool ReadPoint(std::string_view line, std::string& buffer, double* out, std::string& why)
{
    KTextTokens tokens(Blanked(line, ",", buffer));
    std::string_view token;
    int count = 0;
    while (tokens.Next(token))
    {
        if (count == 3)
        {
            why = "more than three numbers";
            return false;
        }
        if (!KTextNumber::ToDouble(token, out[count++]))
        {
            why = "not a number: " + std::string(token.substr(0, 64));
            return false;
        }
    }
    if (count < 3)
        why = "fewer than three numbers";
    return count == 3;
}

std::string Stem(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

struct SHeader
{
    int64_t mFrames = 0;
    int64_t mMarkers = 0;
    double mRate = 0.0;
};

// Ends the key changes of every curve when the read ends, however it ends.
class CKeyChanges
{
public:
    ~CKeyChanges()
    {
        for (KFCurve* curve : mCurves)
            curve->EndKeyChanges();
    }
    void Add(KFCurve* curve)
    {
        curve->BeginKeyChanges();
        mCurves.push_back(curve);
    }
    KFCurve* operator[](size_t i) const { return mCurves[i]; }

private:
    std::vector<KFCurve*> mCurves;
};

std::string LineFault(const KTextFile& file, const std::string& reason)
{
    return "line " + std::to_string(file.GetLineNumber()) + ": " + reason;
}

// The header: the first line naming all three counts with values, within
// the first lines; false with why.
bool ReadHeader(KTextFile& file, std::string& buffer, SHeader& header, std::string& why)
{
    std::string_view line;
    while (file.GetLineNumber() < KScnReaderAdaptiveOptics::kHeaderLines && file.NextLine(line))
    {
        std::string_view words[3];
        KTextTokens tokens(Blanked(line, "=,", buffer));
        std::string_view token;
        while (tokens.Next(token))
            for (int i = 0; i < 3; ++i)
                if (Same(token, i == 0 ? "frames" : i == 1 ? "nummarkers" : "hz") && tokens.Next(words[i]))
                    break;
        if (!words[0].empty() && !words[1].empty() && !words[2].empty())
        {
            if (KTextNumber::ToInt64(words[0], header.mFrames) &&
                KTextNumber::ToInt64(words[1], header.mMarkers) &&
                KTextNumber::ToDouble(words[2], header.mRate) && header.mFrames >= 1 &&
                header.mMarkers >= 1 && header.mRate > 0.0)
                return true;
            why = LineFault(file, "frames, nummarkers and hz must be numbers above 0");
            return false;
        }
        double point[3];
        if (ReadPoint(line, buffer, point, why))
        {
            why = LineFault(file, "data before the header line");
            return false;
        }
    }
    why = file.Failed() ? file.GetError()
                        : "no header line (frames = F nummarkers = M hz = R) in the first " +
                              std::to_string(KScnReaderAdaptiveOptics::kHeaderLines) + " lines";
    return false;
}

// The next line that is not blank; false with why at the end of the file.
bool NextDataLine(KTextFile& file, std::string_view& line, std::string& why)
{
    while (file.NextLine(line))
        if (!KTextTokens(line).AtEnd())
            return true;
    why = file.GetError();
    return false;
}

// Keys every marker of every frame (three curves per marker, in order);
// false with why.
bool ReadFrames(KTextFile& file, std::string& buffer, const SHeader& header,
                const KStreamOptionsAdaptiveOptics& options, const CKeyChanges& curves, std::string& why)
{
    std::string_view line;
    for (int64_t frame = 0; frame < header.mFrames; ++frame)
    {
        KTime time;
        time.SetSeconds(static_cast<double>(frame) / header.mRate);
        for (int64_t m = 0; m < header.mMarkers; ++m)
        {
            if (!NextDataLine(file, line, why))
            {
                if (why.empty())
                    why = "the file ends in frame " + std::to_string(frame + 1) + " of " +
                          std::to_string(header.mFrames);
                return false;
            }
            double p[3];
            if (!ReadPoint(line, buffer, p, why))
            {
                why = LineFault(file, why);
                return false;
            }
            if (options.mZeroIsMissing && p[0] == 0.0 && p[1] == 0.0 && p[2] == 0.0)
                continue;
            options.ConvertPosition(p[0], p[1], p[2]);
            for (int axis = 0; axis < 3; ++axis)
            {
                KFCurve* curve = curves[static_cast<size_t>(m) * 3 + axis];
                curve->SetKey(curve->GetKeyCount(), time, static_cast<float>(p[axis]),
                              KFCURVE_INTERPOLATION_LINEAR);
            }
        }
    }
    return true;
}

} // namespace

KStreamOptionsScn* KScnReaderAdaptiveOptics::CreateOptions() const
{
    return new KStreamOptionsAdaptiveOptics();
}

bool KScnReaderAdaptiveOptics::ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& given)
{
    const KStreamOptionsAdaptiveOptics defaults;
    const KStreamOptionsAdaptiveOptics& options = KStreamOptionsForeign::Of(&given, defaults);
    if (!(options.mUnitScale > 0.0) || !std::isfinite(options.mUnitScale))
        return Fail(eUnidentifiedError, "the unit scale option must be a number above 0");
    KTextFile file;
    file.Attach(GetBytes().data(), GetBytes().size());
    std::string buffer, why;
    SHeader header;
    if (!ReadHeader(file, buffer, header, why))
        return Refuse(why);
    // Each value takes two bytes at least: a header announcing more than the
    // file can hold is refused before anything is made for it.
    const int64_t size = static_cast<int64_t>(GetBytes().size());
    if (header.mMarkers > size / 6 || header.mFrames > size / 6 / header.mMarkers)
        return Refuse("the header announces " + std::to_string(header.mFrames) + " frames of " +
                      std::to_string(header.mMarkers) + " markers, more than " + std::to_string(size) +
                      " bytes can hold");
    if (!(static_cast<double>(header.mFrames - 1) / header.mRate <= kMaxSeconds))
        return Refuse("the frames reach beyond the longest take");

    CKeyChanges curves;
    const std::string take = Stem(GetFileName()).empty() ? "Take 001" : Stem(GetFileName());
    builder.AddTake(take.c_str());
    for (int64_t m = 0; m < header.mMarkers; ++m)
    {
        KScnNode* node = builder.CreateNode((options.mMarkerPrefix + std::to_string(m + 1)).c_str());
        KScnMarker* marker = node != nullptr ? builder.GetManager()->CreateMarker() : nullptr;
        if (marker == nullptr)
            return Fail(eUnidentifiedError, "a marker node could not be made");
        marker->SetMarkerKind(KScnMarker::eOpticalMarker);
        node->SetNodeAttribute(marker);
        for (int axis = 0; axis < 3; ++axis)
        {
            KFCurve* curve = KScnTakeKeys::GetCurve(node, take.c_str(), KScnTakeKeys::eTranslation, axis);
            if (curve == nullptr || !curve->ReserveKeys(static_cast<int>(header.mFrames)))
                return Fail(eUnidentifiedError, "a curve could not be made");
            curves.Add(curve);
        }
    }
    if (!ReadFrames(file, buffer, header, options, curves, why))
        return Refuse(why);
    int64_t extra = 0;
    std::string_view line;
    while (file.NextLine(line))
        extra += KTextTokens(line).AtEnd() ? 0 : 1;
    if (file.Failed())
        return Refuse(file.GetError());
    mStatus = extra > 0 ? (std::to_string(extra) + " lines after the last frame skipped").c_str() : "";
    return true;
}

} // namespace scenesdk
