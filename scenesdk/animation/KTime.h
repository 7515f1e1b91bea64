#pragma once

// KTime: the scene SDK's time value, a signed 64-bit count of ticks.
//
// One second is 46,186,158,000 ticks, a common multiple of every supported
// frame rate, so each mode's frame is a whole number of ticks. Positive
// infinity is INT64_MAX; negative infinity is INT64_MIN + 1 (text output also
// reads INT64_MIN as negative infinity).
//
// Time modes (frame rates) are small integers; mode 0 in any argument means
// the global mode (6). Mode 12 (1,000 frames per second) has no table row: it
// is known only to the frame and timecode conversions. Modes 7, 8 and 13 are
// drop-frame modes: the first two frame numbers of every minute except each
// tenth do not exist.
//
// Arithmetic: +, - and * wrap around in two's complement (they do not
// saturate at the infinities and never overflow into undefined behaviour);
// the Saturated helpers clamp to the infinities instead. Conversions from
// seconds and timecodes saturate.

#include <cstddef>
#include <cstdint>
#include <string>

namespace scenesdk
{

// One row of the time-mode table.
struct KTimeModeInfo
{
    double mFrameRate;
    const char* mShortName;
    int mMode;
    int mFileCode;
    const char* mLongName;
    bool mChosenForFileCode; // the row that TimeModeFromFileCode returns for its code
};

class KTime
{
public:
    static constexpr int64_t kOneSecond = 46186158000LL;
    static constexpr int64_t kInfinite = INT64_MAX;
    static constexpr int64_t kMinusInfinite = INT64_MIN + 1;

    // Time-mode ids.
    enum ETimeMode
    {
        eModeDefault = 0,
        eMode120 = 1,
        eMode100 = 2,
        eMode60 = 3,
        eMode50 = 4,
        eMode48 = 5,
        eMode30 = 6,
        eMode30Drop = 7,
        eModeNtscDrop = 8,
        eModeNtscFull = 9,
        eModePal = 10,
        eMode24 = 11,
        eMode1000 = 12,
        eMode23976 = 13
    };

    // Text formats: 0 timecode, 1 frame count, 2 the global format.
    enum ETimeFormat
    {
        eFormatTimecode = 0,
        eFormatFrames = 1,
        eFormatDefault = 2
    };

    constexpr KTime(int64_t ticks = 0) : mTime(ticks) {}

    int64_t Get() const { return mTime; }
    void Set(int64_t ticks) { mTime = ticks; }

    // ticks = seconds x kOneSecond, truncated toward zero; NaN gives 0 and
    // values beyond the 64-bit range give the infinities.
    void SetSeconds(double seconds);
    double GetSeconds() const;

    KTime operator+(const KTime& o) const { return KTime(Wrap(uint64_t(mTime) + uint64_t(o.mTime))); }
    KTime operator-(const KTime& o) const { return KTime(Wrap(uint64_t(mTime) - uint64_t(o.mTime))); }
    KTime operator*(int factor) const { return KTime(Wrap(uint64_t(mTime) * uint64_t(int64_t(factor)))); }
    // Quotient of the two tick counts (an integer, not a time); 0 for a zero divisor.
    int64_t operator/(const KTime& o) const;
    KTime& operator+=(const KTime& o) { return *this = *this + o; }
    KTime& operator-=(const KTime& o) { return *this = *this - o; }
    bool operator==(const KTime& o) const { return mTime == o.mTime; }
    bool operator!=(const KTime& o) const { return mTime != o.mTime; }
    bool operator<(const KTime& o) const { return mTime < o.mTime; }
    bool operator<=(const KTime& o) const { return mTime <= o.mTime; }
    bool operator>(const KTime& o) const { return mTime > o.mTime; }
    bool operator>=(const KTime& o) const { return mTime >= o.mTime; }

    // Sum, difference and product clamped to [kMinusInfinite, kInfinite].
    static KTime AddSaturated(KTime a, KTime b);
    static KTime SubSaturated(KTime a, KTime b);
    static KTime MulSaturated(KTime a, int64_t factor);

    // The process-wide settings (constants).
    static int GetGlobalTimeMode() { return eMode30; }
    static int GetGlobalTimeFormat() { return eFormatFrames; }

    // Frames per second of the row for mode (0: the global mode); 30.0 for a
    // mode without a row (12 included).
    static double GetFrameRate(int mode);
    // First mode id 1..13 whose rate r has r - tolerance <= rate <= r + tolerance; 0 when none.
    static int FindTimeModeByRate(double rate, double tolerance);
    // Mode of the first row whose short name, then long name, equals text
    // (case-sensitive); 6 when none matches.
    static int TimeModeFromName(const char* text);
    // Mode of the first chosen row with that file code; 6 when none.
    static int TimeModeFromFileCode(int code);
    // Ticks of one frame and of one field (half frame) of a mode; 0 when the
    // mode is unknown or has no fields.
    static int64_t GetTicksPerFrame(int mode);
    static int64_t GetTicksPerField(int mode);
    // The table (12 rows) and its size.
    static const KTimeModeInfo* GetModeTable(int* count);

    // Sets the time from a timecode; false (time unchanged) for a mode
    // outside 0..13. Fields count in modes 6, 7, 8, 9, 10 and 13.
    bool SetTimecode(int hours, int minutes, int seconds, int frame, int field, int mode = 0);
    // The same plus residual hundredths of a frame: (r + 99) / 100 ticks
    // (truncating), r being the ticks of `residual` frames.
    bool SetTimecodeWithResidual(int hours, int minutes, int seconds, int frame, int field, int residual,
                                 int mode = 0);
    // Splits into timecode fields (floor division for negative times: the
    // hours are negative and the other fields count up from them). The
    // residual is in hundredths of a frame, from the ticks left after the
    // frame and field. False for a mode outside 0..13 (outputs untouched).
    bool SplitTimecode(int64_t* hours, int64_t* minutes, int64_t* seconds, int64_t* frame, int64_t* field,
                       int64_t* residual, int mode = 0) const;
    // With cumulative: ticks / ticks-per-frame (truncating; 0 for an unknown
    // mode); without: the frame field of SplitTimecode.
    int64_t GetFrame(bool cumulative = true, int mode = 0) const;
    // The residual field of SplitTimecode (0 for an unknown mode).
    int64_t GetResidual(int mode = 0) const;

    // Text form at detail 1..6 (another detail gives ""). Format 0 timecode,
    // 1 frame count, 2 the global format.
    std::string ToText(int detail, int mode = 0, int format = eFormatDefault) const;
    // The same into a caller's buffer of size bytes (always terminated when
    // size > 0); returns buffer.
    char* ToText(char* buffer, size_t size, int detail, int mode = 0, int format = eFormatDefault) const;
    // Sets the time from such a text of 1 to 18 characters; false (time
    // unchanged) for other lengths or a text that does not scan.
    bool FromText(const char* text, int mode = 0, int format = eFormatDefault);

private:
    static int64_t Wrap(uint64_t v) { return static_cast<int64_t>(v); }
    std::string FramesText(int detail, int mode) const;
    std::string TimecodeText(int detail, int mode) const;
    bool FramesFromText(const std::string& text, int mode);
    bool TimecodeFromText(const std::string& text, int mode);

    int64_t mTime;
};

// The remaining process-wide animation settings (constants).
// One frame at 30 frames per second (1,539,538,600 ticks).
KTime GetCurveResamplingPeriod();
// 1 gimbal filter, 2 unroll filter, anything else none: 2.
int GetRotationFilterMode();
// The unroll filter's default quality: 0.25.
double GetUnrollQualityDefault();
// The unroll filter's default path flag: false.
bool GetUnrollPathFlagDefault();
// Whether the constant key reducer runs after an import: true.
bool GetApplyConstantKeyReducer();

} // namespace scenesdk
