#include "scenesdk/importers/KScnFileVicon.h"

#include <cmath>
#include <cstdio>

namespace scenesdk
{

namespace
{

constexpr size_t kBlock = 512;

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string LayoutText(int64_t points, int64_t analog, int64_t block)
{
    return std::to_string(points) + " points, " + std::to_string(analog) + " analog values, data at block " +
           std::to_string(block);
}

} // namespace

bool KScnFileVicon::Read(const char* bytes, size_t size, std::string& why)
{
    *this = KScnFileVicon();
    mBytes = bytes;
    mSize = size;
    if (!ReadHeader(why) || !ReadFrameCount(why) || !ReadRateAndScale(why) || !ChooseLayout(why))
        return false;
    ReadNames();
    return true;
}

bool KScnFileVicon::ReadHeader(std::string& why)
{
    if (mSize < kBlock)
    {
        why = "file shorter than one 512-byte block";
        return false;
    }
    if (static_cast<unsigned char>(mBytes[1]) != 0x50)
    {
        why = "no C3D key (0x50) in the header";
        return false;
    }
    const int block = static_cast<unsigned char>(mBytes[0]);
    const size_t start = (static_cast<size_t>(block) - 1) * kBlock;
    if (block < 2 || start + 4 > mSize)
    {
        why = "parameter section at block " + std::to_string(block) +
              (block < 2 ? " (not after the header)" : " passes the end of the file");
        return false;
    }
    const int processor = static_cast<unsigned char>(mBytes[start + 3]);
    if (processor < 84 || processor > 86)
    {
        why = "unknown processor type " + std::to_string(processor - 83);
        return false;
    }
    mProcessor = processor - 83;
    const KScnViconNumbers numbers(mBytes, mProcessor);
    // Word n of the header lies at byte 2 (n - 1).
    mHeaderPoints = numbers.U16(2);
    mHeaderAnalog = numbers.U16(4);
    mHeaderFirst = numbers.U16(6);
    mHeaderLast = numbers.U16(8);
    mHeaderScale = numbers.F32(12);
    mHeaderDataBlock = numbers.U16(16);
    mHeaderRate = numbers.F32(20);
    return mParameters.Walk(mBytes, mSize, mProcessor, start + 4, why);
}

bool KScnFileVicon::ReadFrameCount(std::string& why)
{
    int64_t start[2] = {0, 0};
    int64_t end[2] = {0, 0};
    bool trial = true;
    for (int i = 0; i < 2; ++i)
        trial = trial && mParameters.GetInteger("TRIAL", "ACTUAL_START_FIELD", i, start[i], true) &&
                mParameters.GetInteger("TRIAL", "ACTUAL_END_FIELD", i, end[i], true);
    // Both fields as 32-bit numbers, low word first.
    const bool words = start[0] >= 0 && start[0] <= 0xffff && start[1] >= 0 && start[1] <= 0xffff &&
                       end[0] >= 0 && end[0] <= 0xffff && end[1] >= 0 && end[1] <= 0xffff;
    if (trial && words)
    {
        const int64_t first = start[0] | start[1] << 16;
        const int64_t last = end[0] | end[1] << 16;
        if (last < first)
        {
            why = "trial's last frame " + std::to_string(last) + " before its first " + std::to_string(first);
            return false;
        }
        mFirstFrame = first;
        mFrames = last - first + 1;
        return true;
    }
    if (mHeaderLast < mHeaderFirst)
    {
        why =
            "last frame " + std::to_string(mHeaderLast) + " before the first " + std::to_string(mHeaderFirst);
        return false;
    }
    mFirstFrame = mHeaderFirst;
    mFrames = static_cast<int64_t>(mHeaderLast) - mHeaderFirst + 1;
    return true;
}

bool KScnFileVicon::ReadRateAndScale(std::string& why)
{
    double rate = mHeaderRate;
    (void)mParameters.GetFloat("POINT", "RATE", 0, rate);
    if (!(rate > 0.0 && rate <= kMaxFrameRate))
    {
        why = "frame rate " + Number(rate) + " out of range";
        return false;
    }
    mRate = rate;
    if (static_cast<double>(mFrames - 1) / mRate > kMaxSeconds)
    {
        why = std::to_string(mFrames) + " frames at " + Number(rate) + " Hz: motion too long";
        return false;
    }
    double scale = mHeaderScale;
    (void)mParameters.GetFloat("POINT", "SCALE", 0, scale);
    if (!std::isfinite(scale))
    {
        why = "point scale " + Number(scale) + " not a number";
        return false;
    }
    mFloat = scale < 0.0;
    mScale = std::fabs(scale);
    if (scale == 0.0)
    {
        mScale = 1.0;
        mWarnings.push_back("point scale 0 taken as 1");
    }
    return true;
}

bool KScnFileVicon::ChooseLayout(std::string& why)
{
    SLayout header;
    header.mDataBlock = mHeaderDataBlock;
    header.mPoints = static_cast<int16_t>(mHeaderPoints);
    header.mAnalog = mHeaderAnalog;
    SLayout params = header;
    (void)mParameters.GetInteger("POINT", "DATA_START", 0, params.mDataBlock, true);
    (void)mParameters.GetInteger("POINT", "USED", 0, params.mPoints);
    // Analog values per frame: channels times samples per point frame.
    int64_t channels = 0;
    double analogRate = 0.0;
    if (mParameters.GetInteger("ANALOG", "USED", 0, channels))
    {
        if (channels <= 0)
            params.mAnalog = channels;
        else if (mParameters.GetFloat("ANALOG", "RATE", 0, analogRate) && analogRate >= mRate)
            // Past any file's size when huge (no overflow: capped).
            params.mAnalog = static_cast<int64_t>(
                std::fmin(static_cast<double>(channels) * std::round(analogRate / mRate), 1.0e15));
    }
    // The parameters' values first, then each of the header's in their place.
    const SLayout candidates[4] = {
        params,
        {params.mDataBlock, params.mPoints, header.mAnalog},
        {header.mDataBlock, params.mPoints, params.mAnalog},
        header,
    };
    for (const SLayout& layout : candidates)
    {
        std::string reason;
        if (!Fits(layout, reason))
        {
            if (&layout == candidates)
                why = reason;
            continue;
        }
        if (&layout != candidates)
            mWarnings.push_back("the header's layout used (" +
                                LayoutText(layout.mPoints, layout.mAnalog, layout.mDataBlock) +
                                "): the parameters' does not fit the file");
        const size_t word = mFloat ? 4 : 2;
        mPoints = static_cast<int>(layout.mPoints);
        mDataStart = static_cast<size_t>(layout.mDataBlock - 1) * kBlock;
        mFrameSize = static_cast<size_t>(layout.mPoints * 4 + layout.mAnalog) * word;
        return true;
    }
    return false;
}

bool KScnFileVicon::Fits(const SLayout& layout, std::string& why) const
{
    if (layout.mPoints < 0 || layout.mPoints > kMaxPoints)
    {
        why = "point count " + std::to_string(layout.mPoints) +
              (layout.mPoints < 0 ? "" : " above " + std::to_string(kMaxPoints));
        return false;
    }
    if (layout.mAnalog < 0)
    {
        why = "analog count " + std::to_string(layout.mAnalog);
        return false;
    }
    const size_t start = static_cast<size_t>(layout.mDataBlock - 1) * kBlock;
    if (layout.mDataBlock < 2 || start > mSize)
    {
        why = "data section at block " + std::to_string(layout.mDataBlock) +
              (layout.mDataBlock < 2 ? " (not after the header)" : " passes the end of the file");
        return false;
    }
    const uint64_t word = mFloat ? 4 : 2;
    const uint64_t left = mSize - start;
    const uint64_t values = static_cast<uint64_t>(layout.mPoints) * 4 + static_cast<uint64_t>(layout.mAnalog);
    // A frame larger than the file cannot fit; otherwise the product is
    // checked by division (no overflow).
    const bool fits =
        values <= left / word && (values == 0 || static_cast<uint64_t>(mFrames) <= left / (values * word));
    if (!fits)
    {
        why = std::to_string(mFrames) + " frames of " +
              LayoutText(layout.mPoints, layout.mAnalog, layout.mDataBlock) + " pass the end of the file (" +
              std::to_string(mSize) + " bytes)";
        return false;
    }
    return true;
}

void KScnFileVicon::ReadNames()
{
    const size_t points = static_cast<size_t>(mPoints);
    mLabels = mParameters.GetStrings("POINT", "LABELS", points);
    // Past 255 points the names go on in LABELS2, LABELS3 ...
    for (int k = 2; mLabels.size() < points; ++k)
    {
        const std::string name = "LABELS" + std::to_string(k);
        if (mParameters.Find("POINT", name.c_str()) == nullptr)
            break;
        for (std::string& label : mParameters.GetStrings("POINT", name.c_str(), points - mLabels.size()))
            mLabels.push_back(std::move(label));
    }
    mLabels.resize(points);
    const std::vector<std::string> units = mParameters.GetStrings("POINT", "UNITS", 1);
    mUnits = units.empty() ? std::string() : units[0];
}

KScnFileVicon::ESample KScnFileVicon::GetSample(int64_t frame, int point, double xyz[3]) const
{
    const KScnViconNumbers numbers(mBytes, mProcessor);
    const size_t word = mFloat ? 4 : 2;
    const size_t at =
        mDataStart + static_cast<size_t>(frame) * mFrameSize + static_cast<size_t>(point) * 4 * word;
    if (!mFloat)
    {
        if (numbers.I16(at + 6) < 0)
            return eMissing;
        for (int a = 0; a < 3; ++a)
            xyz[a] = numbers.I16(at + 2 * a) * mScale;
        return ePresent;
    }
    // The fourth float holds the 16-bit residual word as a number: its sign
    // bit (bit 15 once taken to 16 bits) marks a missing point.
    const double fourth = numbers.F32(at + 12);
    if (!std::isfinite(fourth))
        return eNotANumber;
    const double whole = std::trunc(fourth);
    if (whole < 0.0)
        return eMissing;
    const double low = whole < 2147483648.0 ? whole : std::fmod(whole, 65536.0);
    if ((static_cast<int64_t>(low) & 0x8000) != 0)
        return eMissing;
    for (int a = 0; a < 3; ++a)
    {
        xyz[a] = numbers.F32(at + 4 * a);
        if (!std::isfinite(xyz[a]))
            return eNotANumber;
    }
    return ePresent;
}

} // namespace scenesdk
