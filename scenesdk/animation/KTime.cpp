#include "scenesdk/animation/KTime.h"

#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace scenesdk
{

namespace
{

typedef __int128 Wide;

const KTimeModeInfo kModeTable[] = {
    {120.0, "120", 1, 8, "120 fps", true},
    {100.0, "100", 2, 7, "100 fps", true},
    {60.0, "60", 3, 6, "60 fps", true},
    {50.0, "50", 4, 5, "50 fps", true},
    {48.0, "48", 5, 3, "48 fps", false},
    {30.0, "30", 6, 3, "30 fps", true},
    {29.97002617, "29.97 drop", 8, 4, "NTSC Drop", true},
    {29.97002617, "29.97 full", 9, 9, "NTSC Full", true},
    {25.0, "25", 10, 2, "PAL", true},
    {24.0, "24", 11, 1, "24 fps", true},
    {30.0, "30 Drop", 7, 10, "30 Drop", true},
    {23.976, "23.976", 13, 10, "23.976 fps", false},
};
constexpr int kModeRows = sizeof(kModeTable) / sizeof(kModeTable[0]);

// Per mode 0..13 (0 unused): ticks per frame, ticks per field (0: no
// fields), and timecode frames per second.
const int64_t kTicksPerFrame[14] = {0,          384884650,  461861580,  769769300,  923723160,
                                    962211625,  1539538600, 1539538600, 1541078334, 1541078334,
                                    1847446320, 1924423250, 46186158,   1926349600};
const int64_t kTicksPerField[14] = {0,         0,         0,         0,         0, 0, 769769300,
                                    769769300, 770539167, 770539167, 923723160, 0, 0, 963174800};
const int kTimecodeFps[14] = {0, 120, 100, 60, 50, 48, 30, 30, 30, 30, 25, 24, 1000, 24};

// Drop-frame layout: frames in the first minute of a ten-minute block, in
// each other minute, in a block and in an hour.
struct DropLayout
{
    int fps;
    int firstMinute;
    int otherMinute;
    int block;
    int hour;
};
const DropLayout kDrop30 = {30, 1800, 1798, 17982, 107892};
const DropLayout kDrop24 = {24, 1440, 1438, 14382, 86292};

const DropLayout* DropOf(int mode)
{
    return (mode == 7 || mode == 8) ? &kDrop30 : (mode == 13 ? &kDrop24 : nullptr);
}

// Mode 0 means the global mode; -1 for an unknown mode.
int Resolve(int mode)
{
    if (mode == 0)
        return KTime::GetGlobalTimeMode();
    return (mode >= 1 && mode <= 13) ? mode : -1;
}

int64_t Saturate(Wide v)
{
    if (v >= Wide(KTime::kInfinite))
        return KTime::kInfinite;
    if (v <= Wide(KTime::kMinusInfinite))
        return KTime::kMinusInfinite;
    return static_cast<int64_t>(v);
}

Wide FloorDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

Wide MaxW(Wide a, Wide b)
{
    return a > b ? a : b;
}

// Frames into a ten-minute block for a drop-frame timecode.
Wide DropFramesInBlock(const DropLayout& d, Wide u, Wide seconds, Wide frame)
{
    if (u == 0)
        return seconds * d.fps + frame;
    const Wide f =
        seconds == 0 ? MaxW(0, frame - 2) : MaxW(0, seconds - 1) * 2 + seconds * (d.fps - 2) + MaxW(0, frame);
    return d.firstMinute + (u - 1) * d.otherMinute + f;
}

// Brings n into -99..99 by division by 10; a single digit means tenths.
int NormalizeHundredths(long n, bool singleDigit)
{
    while (n > 99 || n < -99)
        n /= 10;
    return static_cast<int>(singleDigit ? n * 10 : n);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buffer[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return buffer;
}

bool IsMinusInfinite(int64_t t)
{
    return t == INT64_MIN || t == KTime::kMinusInfinite;
}

} // namespace

void KTime::SetSeconds(double seconds)
{
    const double ticks = seconds * static_cast<double>(kOneSecond);
    if (std::isnan(ticks))
        mTime = 0;
    else if (ticks >= 9223372036854775807.0)
        mTime = kInfinite;
    else if (ticks <= -9223372036854775807.0)
        mTime = kMinusInfinite;
    else
        mTime = static_cast<int64_t>(ticks);
}

double KTime::GetSeconds() const
{
    return static_cast<double>(mTime) / static_cast<double>(kOneSecond);
}

int64_t KTime::operator/(const KTime& o) const
{
    if (o.mTime == 0)
        return 0;
    if (o.mTime == -1)
        return Wrap(0 - uint64_t(mTime));
    return mTime / o.mTime;
}

KTime KTime::AddSaturated(KTime a, KTime b)
{
    return KTime(Saturate(Wide(a.mTime) + b.mTime));
}

KTime KTime::SubSaturated(KTime a, KTime b)
{
    return KTime(Saturate(Wide(a.mTime) - b.mTime));
}

KTime KTime::MulSaturated(KTime a, int64_t factor)
{
    return KTime(Saturate(Wide(a.mTime) * factor));
}

double KTime::GetFrameRate(int mode)
{
    if (mode == 0)
        mode = GetGlobalTimeMode();
    for (const KTimeModeInfo& row : kModeTable)
        if (row.mMode == mode)
            return row.mFrameRate;
    return 30.0;
}

int KTime::FindTimeModeByRate(double rate, double tolerance)
{
    for (int mode = 1; mode <= 13; ++mode)
    {
        const double r = GetFrameRate(mode);
        if (r - tolerance <= rate && rate <= r + tolerance)
            return mode;
    }
    return 0;
}

int KTime::TimeModeFromName(const char* text)
{
    if (text == nullptr)
        return eMode30;
    for (const KTimeModeInfo& row : kModeTable)
        if (std::strcmp(row.mShortName, text) == 0 || std::strcmp(row.mLongName, text) == 0)
            return row.mMode;
    return eMode30;
}

int KTime::TimeModeFromFileCode(int code)
{
    for (const KTimeModeInfo& row : kModeTable)
        if (row.mFileCode == code && row.mChosenForFileCode)
            return row.mMode;
    return eMode30;
}

int64_t KTime::GetTicksPerFrame(int mode)
{
    mode = Resolve(mode);
    return mode < 0 ? 0 : kTicksPerFrame[mode];
}

int64_t KTime::GetTicksPerField(int mode)
{
    mode = Resolve(mode);
    return mode < 0 ? 0 : kTicksPerField[mode];
}

const KTimeModeInfo* KTime::GetModeTable(int* count)
{
    if (count != nullptr)
        *count = kModeRows;
    return kModeTable;
}

bool KTime::SetTimecode(int hours, int minutes, int seconds, int frame, int field, int mode)
{
    mode = Resolve(mode);
    if (mode < 0)
        return false;
    // 128-bit arithmetic: any int inputs fit, and the result saturates.
    const Wide s = (Wide(hours) * 60 + minutes) * 60 + seconds;
    Wide ticks;
    if (const DropLayout* d = DropOf(mode))
    {
        const Wide t = minutes / 10;
        const Wide u = minutes - 10 * t;
        const Wide blockFields = Wide(d->block) * 2;
        ticks = DropFramesInBlock(*d, u, seconds, frame) * kTicksPerFrame[mode] +
                ((Wide(hours) * 6 + t) * blockFields + field) * kTicksPerField[mode];
    }
    else if (kTicksPerField[mode] != 0)
        ticks = ((s * kTimecodeFps[mode] + frame) * 2 + field) * kTicksPerField[mode];
    else
        ticks = (s * kTimecodeFps[mode] + frame) * kTicksPerFrame[mode];
    mTime = Saturate(ticks);
    return true;
}

bool KTime::SetTimecodeWithResidual(int hours, int minutes, int seconds, int frame, int field, int residual,
                                    int mode)
{
    KTime base(mTime);
    if (!base.SetTimecode(hours, minutes, seconds, frame, field, mode))
        return false;
    if (residual != 0)
    {
        KTime r;
        r.SetTimecode(0, 0, 0, residual, 0, mode);
        base = AddSaturated(base, KTime((r.mTime + 99) / 100));
    }
    mTime = base.mTime;
    return true;
}

bool KTime::SplitTimecode(int64_t* hours, int64_t* minutes, int64_t* seconds, int64_t* frame, int64_t* field,
                          int64_t* residual, int mode) const
{
    mode = Resolve(mode);
    if (mode < 0)
        return false;
    const Wide tpf = kTicksPerFrame[mode];
    const Wide fieldTicks = kTicksPerField[mode];
    Wide h, m, s, f, rem;
    if (const DropLayout* d = DropOf(mode))
    {
        const Wide frames = FloorDiv(mTime, tpf);
        rem = Wide(mTime) - frames * tpf;
        h = FloorDiv(frames, d->hour);
        const Wide inHour = frames - h * d->hour;
        const Wide block = inHour / d->block;
        const Wide fb = inHour % d->block;
        Wide u = 0;
        if (fb < d->firstMinute)
        {
            s = fb / d->fps;
            f = fb % d->fps;
        }
        else
        {
            const Wide x = (fb - d->firstMinute) % d->otherMinute;
            u = 1 + (fb - d->firstMinute) / d->otherMinute;
            if (x < d->fps - 2)
            {
                s = 0;
                f = x + 2;
            }
            else
            {
                s = 1 + (x - (d->fps - 2)) / d->fps;
                f = (x - (d->fps - 2)) % d->fps;
            }
        }
        m = block * 10 + u;
    }
    else
    {
        const Wide secondTicks = tpf * kTimecodeFps[mode];
        const Wide hourTicks = secondTicks * 3600;
        h = FloorDiv(mTime, hourTicks);
        rem = Wide(mTime) - h * hourTicks;
        m = rem / (secondTicks * 60);
        rem %= secondTicks * 60;
        s = rem / secondTicks;
        rem %= secondTicks;
        f = rem / tpf;
        rem %= tpf;
    }
    const Wide fl = fieldTicks != 0 ? rem / fieldTicks : 0;
    rem -= fl * fieldTicks;
    const Wide res = rem * 100 / tpf;
    if (hours)
        *hours = static_cast<int64_t>(h);
    if (minutes)
        *minutes = static_cast<int64_t>(m);
    if (seconds)
        *seconds = static_cast<int64_t>(s);
    if (frame)
        *frame = static_cast<int64_t>(f);
    if (field)
        *field = static_cast<int64_t>(fl);
    if (residual)
        *residual = static_cast<int64_t>(res);
    return true;
}

int64_t KTime::GetFrame(bool cumulative, int mode) const
{
    const int resolved = Resolve(mode);
    if (resolved < 0)
        return 0;
    if (cumulative)
        return mTime / kTicksPerFrame[resolved];
    int64_t frame = 0;
    SplitTimecode(nullptr, nullptr, nullptr, &frame, nullptr, nullptr, resolved);
    return frame;
}

int64_t KTime::GetResidual(int mode) const
{
    int64_t residual = 0;
    SplitTimecode(nullptr, nullptr, nullptr, nullptr, nullptr, &residual, mode);
    return residual;
}

std::string KTime::FramesText(int detail, int mode) const
{
    if (mTime == kInfinite)
        return detail == 6 ? "  --- (--)" : "  ---";
    if (IsMinusInfinite(mTime))
        return detail == 6 ? "- --- (--)" : "- ---";
    const int64_t frames = GetFrame(true, mode);
    const bool negative = frames < 0;
    const int64_t magnitude = negative ? -frames : frames;
    if (detail <= 4)
        return Format(negative ? "- %" PRId64 : "%" PRId64, magnitude);
    int64_t field = 0, residual = 0;
    SplitTimecode(nullptr, nullptr, nullptr, nullptr, &field, &residual, mode);
    if (detail == 5)
    {
        if (residual == 0)
            return Format(negative ? "-%" PRId64 : "%" PRId64, magnitude);
        return Format(negative ? "- %" PRId64 "*" : "%" PRId64 "*", magnitude);
    }
    return Format(negative ? "- %" PRId64 " (%02d)" : "%" PRId64 " (%02d)", magnitude,
                  static_cast<int>(field));
}

std::string KTime::TimecodeText(int detail, int mode) const
{
    const bool plusInf = mTime == kInfinite;
    const bool minusInf = IsMinusInfinite(mTime);
    if ((plusInf || minusInf) && detail >= 5)
    {
        std::string text = detail == 5 ? "---:--:--.--" : "---:--:--.-- (--)";
        return minusInf ? "- " + text : text;
    }
    int64_t h = 0, m = 0, s = 0, f = 0, field = 0, residual = 0;
    SplitTimecode(&h, &m, &s, &f, &field, &residual, mode);
    const int mi = static_cast<int>(m), si = static_cast<int>(s), fi = static_cast<int>(f);
    std::string text;
    switch (detail)
    {
    case 1:
        text = Format("%03" PRId64, h);
        break;
    case 2:
        text = Format("%03" PRId64 ":%02d", h, mi);
        break;
    case 3:
        text = Format("%03" PRId64 ":%02d:%02d", h, mi, si);
        break;
    case 4:
    case 5:
        text = Format("%03" PRId64 ":%02d:%02d.%02d", h, mi, si, fi);
        if (detail == 5 && residual != 0)
            text += '*';
        break;
    default:
        text = Format("%03" PRId64 ":%02d:%02d.%02d (%02d)", h, mi, si, fi, static_cast<int>(field));
        break;
    }
    if (mTime < 0)
        text[0] = '-';
    return text;
}

std::string KTime::ToText(int detail, int mode, int format) const
{
    if (detail < 1 || detail > 6)
        return std::string();
    if (format == eFormatDefault)
        format = GetGlobalTimeFormat();
    return format != eFormatTimecode ? FramesText(detail, mode) : TimecodeText(detail, mode);
}

char* KTime::ToText(char* buffer, size_t size, int detail, int mode, int format) const
{
    if (buffer == nullptr || size == 0)
        return buffer;
    const std::string text = ToText(detail, mode, format);
    const size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return buffer;
}

bool KTime::FramesFromText(const std::string& s, int mode)
{
    size_t cut = s.find('(');
    const bool paren = cut != std::string::npos;
    if (!paren)
        cut = s.find('.');
    long n = 0;
    if (cut != std::string::npos)
    {
        const size_t end = s.find_first_of("().", cut + 1);
        const std::string number =
            s.substr(cut + 1, end == std::string::npos ? std::string::npos : end - cut - 1);
        n = std::strtol(number.c_str(), nullptr, 10);
        if (!paren)
            n = NormalizeHundredths(n, number.size() == 1);
    }
    int64_t count = 0;
    if (cut != 0)
    {
        const std::string head = s.substr(0, cut);
        if (std::sscanf(head.c_str(), "%" SCNd64, &count) != 1)
            return false;
    }
    if (s[0] == '-' && count == 0)
        n = n < 1 ? n + 100 : n - 100;
    KTime result = MulSaturated(KTime(GetTicksPerFrame(mode)), count);
    if (n != 0)
    {
        KTime r;
        const long clamped = n < INT32_MIN ? INT32_MIN : (n > INT32_MAX ? INT32_MAX : n);
        r.SetTimecodeWithResidual(0, 0, 0, 0, 0, static_cast<int>(clamped), mode);
        result = AddSaturated(result, r);
    }
    mTime = result.mTime;
    return true;
}

bool KTime::TimecodeFromText(const std::string& text, int mode)
{
    std::string s = text;
    // Added up wide and clamped: the text may carry any two numbers.
    int64_t residual = 0;
    const size_t paren = s.find('(');
    if (paren != std::string::npos)
    {
        residual += std::strtol(s.c_str() + paren + 1, nullptr, 10);
        s.resize(paren);
    }
    s += '.';
    int separators = 0, dots = 0;
    for (char& c : s)
    {
        if (c == ':' || c == ';')
            ++separators;
        else if (c == '.')
        {
            c = ':';
            ++dots;
        }
    }
    std::vector<std::string> tokens(1);
    for (char c : s)
    {
        if (c == ':' || c == ';')
            tokens.emplace_back();
        else
            tokens.back() += c;
    }
    size_t next = 0;
    auto take = [&tokens, &next]() { return next < tokens.size() ? tokens[next++] : std::string(); };
    const int hours = separators >= 2 ? std::atoi(take().c_str()) : 0;
    const int minutes = separators >= 1 ? std::atoi(take().c_str()) : 0;
    const int seconds = std::atoi(take().c_str());
    const int frames = dots >= 2 ? std::atoi(take().c_str()) : 0;
    if (dots >= 3)
    {
        const std::string hundredths = take();
        residual += NormalizeHundredths(std::strtol(hundredths.c_str(), nullptr, 10), hundredths.size() == 1);
    }
    residual = residual < INT32_MIN ? INT32_MIN : (residual > INT32_MAX ? INT32_MAX : residual);
    return SetTimecodeWithResidual(hours, minutes, seconds, frames, 0, static_cast<int>(residual), mode);
}

bool KTime::FromText(const char* text, int mode, int format)
{
    if (text == nullptr || Resolve(mode) < 0)
        return false;
    const size_t length = std::strlen(text);
    if (length < 1 || length > 18)
        return false;
    if (format == eFormatDefault)
        format = GetGlobalTimeFormat();
    return format != eFormatTimecode ? FramesFromText(text, mode) : TimecodeFromText(text, mode);
}

KTime GetCurveResamplingPeriod()
{
    return KTime(1539538600);
}

int GetRotationFilterMode()
{
    return 2;
}

double GetUnrollQualityDefault()
{
    return 0.25;
}

bool GetUnrollPathFlagDefault()
{
    return false;
}

bool GetApplyConstantKeyReducer()
{
    return true;
}

} // namespace scenesdk
