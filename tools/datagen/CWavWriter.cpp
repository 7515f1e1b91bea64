#include "tools/datagen/CWavWriter.h"

#include <cmath>
#include <fstream>

namespace
{

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
    {
        out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
    }
}

void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
    {
        out.push_back(static_cast<uint8_t>(tag[i]));
    }
}

} // namespace

std::vector<uint8_t> CWavWriter::Encode(const std::vector<float>& samples, uint32_t sampleRate)
{
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put(out, 36 + dataBytes, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put(out, 16, 4);
    Put(out, 1, 2); // PCM
    Put(out, 1, 2); // mono
    Put(out, sampleRate, 4);
    Put(out, sampleRate * 2, 4); // bytes per second
    Put(out, 2, 2);              // block align
    Put(out, 16, 2);             // bits per sample
    PutTag(out, "data");
    Put(out, dataBytes, 4);
    // Written in place: the battle music has millions of samples.
    out.resize(44 + dataBytes);
    uint8_t* data = out.data() + 44;
    for (float s : samples)
    {
        const float c = s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
        const auto v = static_cast<uint16_t>(static_cast<int16_t>(std::lround(c * 32767.0f)));
        *data++ = static_cast<uint8_t>(v & 0xFF);
        *data++ = static_cast<uint8_t>(v >> 8);
    }
    return out;
}

bool CWavWriter::Save(const std::string& path, const std::vector<float>& samples, uint32_t sampleRate)
{
    std::vector<uint8_t> bytes = Encode(samples, sampleRate);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}
