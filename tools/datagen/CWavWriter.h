#pragma once

// RIFF WAVE files: 16-bit signed PCM, mono, at any sample rate.

#include <cstdint>
#include <string>
#include <vector>

class CWavWriter
{
public:
    // Samples in -1..1 are clipped and scaled to 16 bits.
    static std::vector<uint8_t> Encode(const std::vector<float>& samples, uint32_t sampleRate);
    static bool Save(const std::string& path, const std::vector<float>& samples, uint32_t sampleRate);
};
