#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnMotionBuilder.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KScnNode.h"

#include <new>

namespace scenesdk
{

namespace
{

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
            why = "not a number: " + KTextTokens::Clip(token, 64);
            return false;
        }
    }
    if (count < 3)
        why = "fewer than three numbers";
    return count == 3;
}

struct SHeader
{
    int64_t mFrames = 0;
    int64_t mMarkers = 0;
    double mRate = 0.0;
};

// The samples of one marker: x, y, z per frame it was seen in.
struct STrack
{
    std::vector<double> mXyz;
    std::vector<int64_t> mFrames;
};

std::string LineFault(const KTextFile& file, const std::string& reason)
{
    return KTextFile::AtLine(file.GetLineNumber(), reason);
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
                if (KTextTokens::Same(token, i == 0   ? "frames"
                                             : i == 1 ? "nummarkers"
                                                      : "hz") &&
                    tokens.Next(words[i]))
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

// The samples of every marker of every frame (a track per marker); false
// with why.
bool ReadFrames(KTextFile& file, std::string& buffer, const SHeader& header,
                const KStreamOptionsAdaptiveOptics& options, std::vector<STrack>& tracks, std::string& why)
{
    std::string_view line;
    for (int64_t frame = 0; frame < header.mFrames; ++frame)
    {
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
            STrack& track = tracks[static_cast<size_t>(m)];
            track.mXyz.insert(track.mXyz.end(), p, p + 3);
            track.mFrames.push_back(frame);
        }
    }
    return true;
}

} // namespace

bool KScnReaderAdaptiveOptics::Read(KScnImportBuilder& builder, const KStreamOptionsAdaptiveOptics& options)
{
    if (!CheckOption(options.mUnitScale, "unit scale"))
        return false;
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
    if (!CheckBudget(KScnReadBudget::kForeignNodes, static_cast<uint64_t>(header.mMarkers), "nodes", options,
                     "KStreamOptionsAdaptiveOptics"))
        return false;
    if (!(static_cast<double>(header.mFrames - 1) / header.mRate <= KScnMotionBuilder::kMaxSeconds))
        return Refuse("the frames reach beyond the longest take");
    KScnMotionBuilder motion(builder, GetFileStem().c_str());
    if (!motion.SetFrameRate(header.mRate, 0, header.mFrames - 1, why))
        return Refuse(why);

    std::vector<STrack> tracks(static_cast<size_t>(header.mMarkers));
    if (!ReadFrames(file, buffer, header, options, tracks, why))
        return Refuse(why);
    int64_t extra = 0;
    std::string_view line;
    while (file.NextLine(line))
        extra += KTextTokens(line).AtEnd() ? 0 : 1;
    if (file.Failed())
        return Refuse(file.GetError());
    for (size_t m = 0; m < tracks.size(); ++m)
    {
        KScnNode* node = motion.AddMarkerNode(options.mMarkerPrefix + std::to_string(m + 1), nullptr, true);
        if (node == nullptr)
            throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        // A marker lost in every frame still gets its (empty) curves.
        const STrack& track = tracks[m];
        const double* xyz = track.mXyz.empty() ? nullptr : track.mXyz.data();
        for (int axis = 0; axis < 3; ++axis)
            if (!motion.KeyFrames(node, KScnTakeKeys::eTranslation, axis,
                                  xyz != nullptr ? xyz + axis : nullptr, track.mFrames.size(), 3,
                                  track.mFrames.data()))
                throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    }
    motion.FilterCurves();
    mStatus = extra > 0 ? (std::to_string(extra) + " lines after the last frame skipped").c_str() : "";
    return true;
}

} // namespace scenesdk
