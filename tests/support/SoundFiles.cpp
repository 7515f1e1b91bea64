#include "tests/support/SoundFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace testsupport
{
namespace
{

void Put(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

std::string MakeWav(double seconds, int sampleRate, int channels, double frequency)
{
    const uint32_t frames = static_cast<uint32_t>(seconds * sampleRate);
    const uint32_t dataBytes = frames * static_cast<uint32_t>(channels) * 2;
    std::string out = "RIFF";
    Put(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2); // PCM
    Put(out, static_cast<uint32_t>(channels), 2);
    Put(out, static_cast<uint32_t>(sampleRate), 4);
    Put(out, static_cast<uint32_t>(sampleRate * channels * 2), 4);
    Put(out, static_cast<uint32_t>(channels * 2), 2);
    Put(out, 16, 2);
    out += "data";
    Put(out, dataBytes, 4);
    const double step = 2.0 * 3.14159265358979 * frequency / sampleRate;
    for (uint32_t f = 0; f < frames; ++f)
    {
        int16_t sample = static_cast<int16_t>(std::lround(12000.0 * std::sin(step * f)));
        for (int c = 0; c < channels; ++c)
            Put(out, static_cast<uint16_t>(sample), 2);
    }
    return out;
}

bool HaveMp3Encoder()
{
    return std::system("command -v lame >/dev/null 2>&1") == 0;
}

bool EncodeMp3(const std::string& wavPath, const std::string& mp3Path)
{
    std::string cmd = "lame --quiet -b 32 " + Quoted(wavPath) + " " + Quoted(mp3Path) + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

} // namespace testsupport
