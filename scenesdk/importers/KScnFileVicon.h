#pragma once

// KScnFileVicon: the layout of a C3D file (512-byte blocks: a header block,
// the parameter section, the data section) and the 3D points of its frames.
//
// Read finds the processor type in the parameter section's fourth byte
// (83 + 1 Intel, 2 DEC, 3 MIPS; see KScnViconNumbers), then decodes the
// header and walks the parameters (KScnViconParameters). Where the header
// and the parameters disagree the parameters win, unless only the header's
// values give a frame layout that fits the file (a warning says which):
// - points: POINT:USED, else header word 2; analog words per frame:
//   ANALOG:USED x ANALOG:RATE / POINT:RATE, else header word 3; data start:
//   POINT:DATA_START, else header word 9;
// - frames: TRIAL:ACTUAL_START_FIELD and ACTUAL_END_FIELD (32-bit, for long
//   trials) when present, else the header's last - first + 1;
// - rate: POINT:RATE, else header words 11-12; scale: POINT:SCALE, else
//   header words 7-8 (negative: the data are floats; 0 in an integer file
//   is taken as 1, with a warning);
// - names: POINT:LABELS, LABELS2, LABELS3 ... (one per point; "" where the
//   labels run out); units: POINT:UNITS ("" when missing).
//
// Refused (Read false, why set): a file shorter than a block or without the
// key byte 0x50; a parameter block of 0 or past the end of the file; an
// unknown processor type; any fault of the parameter chain; a negative
// point or analog count, more than kMaxPoints points; a frame rate not above
// 0, not a number or above kMaxFrameRate; a scale not a number or infinite;
// a last frame before the first; motion longer than kMaxSeconds; frames
// (count x size, in 64 bits) passing the end of the file. Nothing is
// allocated by Read beyond the labels, whose count is checked first.
//
// Frames: GetSample decodes point p of frame f (both from 0): X, Y, Z in the
// file's units (integers times the scale), and whether the sample is
// present: a negative fourth word marks a point not seen in that frame.

#include "scenesdk/importers/KScnViconParameters.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scenesdk
{

class KScnFileVicon
{
public:
    static constexpr int kMaxPoints = 10000;
    static constexpr double kMaxFrameRate = 100000.0;
    static constexpr double kMaxSeconds = 1.0e8;

    enum ESample
    {
        eMissing = 0, // the point was not seen in that frame
        ePresent = 1,
        eNotANumber = 2 // a coordinate or the fourth word of a present sample is NaN or infinite
    };

    // bytes must outlive the object (samples are decoded from them).
    bool Read(const char* bytes, size_t size, std::string& why);

    int GetProcessor() const { return mProcessor; }
    int GetPointCount() const { return mPoints; }
    int64_t GetFrameCount() const { return mFrames; }
    int64_t GetFirstFrame() const { return mFirstFrame; }
    double GetFrameRate() const { return mRate; }
    bool HasFloatData() const { return mFloat; }
    // Integer coordinates are multiplied by this (absolute value of the scale).
    double GetScale() const { return mScale; }
    size_t GetDataStart() const { return mDataStart; }
    size_t GetFrameSize() const { return mFrameSize; }
    const std::vector<std::string>& GetLabels() const { return mLabels; }
    const std::string& GetUnits() const { return mUnits; }
    const std::vector<std::string>& GetWarnings() const { return mWarnings; }
    const KScnViconParameters& GetParameters() const { return mParameters; }

    // frame < GetFrameCount(), point < GetPointCount().
    ESample GetSample(int64_t frame, int point, double xyz[3]) const;

private:
    struct SLayout
    {
        int64_t mDataBlock = 0;
        int64_t mPoints = 0;
        int64_t mAnalog = 0; // analog values per frame
    };

    bool ReadHeader(std::string& why);
    bool ReadFrameCount(std::string& why);
    bool ReadRateAndScale(std::string& why);
    bool ChooseLayout(std::string& why);
    bool Fits(const SLayout& layout, std::string& why) const;
    void ReadNames();

    const char* mBytes = nullptr;
    size_t mSize = 0;
    int mProcessor = 0;
    KScnViconParameters mParameters;
    // Header words (1-based numbering as the format counts them).
    uint16_t mHeaderPoints = 0;
    uint16_t mHeaderAnalog = 0;
    uint16_t mHeaderFirst = 0;
    uint16_t mHeaderLast = 0;
    uint16_t mHeaderDataBlock = 0;
    double mHeaderScale = 0.0;
    double mHeaderRate = 0.0;

    int mPoints = 0;
    int64_t mFrames = 0;
    int64_t mFirstFrame = 1;
    double mRate = 0.0;
    bool mFloat = false;
    double mScale = 1.0;
    size_t mDataStart = 0;
    size_t mFrameSize = 0;
    std::vector<std::string> mLabels;
    std::string mUnits;
    std::vector<std::string> mWarnings;
};

} // namespace scenesdk
