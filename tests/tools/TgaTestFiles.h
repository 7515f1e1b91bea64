#pragma once

// A strict reader of the TGA files the data generator writes, for the tests
// that look at the generated images.

#include <cstdint>
#include <string>
#include <vector>

namespace tgatest
{

struct STga
{
    int type = 0, width = 0, height = 0, bpp = 0;
    std::vector<uint8_t> pixels; // decoded, file row order
    std::string error;
};

// Reads a TGA the way the game's loader accepts it: fixed 12-byte header
// templates for types 2 and 10, 24 or 32 bits, exact pixel count.
inline STga ParseTga(const std::string& bytes)
{
    STga t;
    if (bytes.size() < 18)
    {
        t.error = "short header";
        return t;
    }
    auto u8 = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    t.type = u8(2);
    for (size_t i = 0; i < 12; ++i)
    {
        if (i != 2 && u8(i) != 0)
            t.error = "header byte " + std::to_string(i) + " not 0";
    }
    if (t.type != 2 && t.type != 10)
        t.error = "type " + std::to_string(t.type);
    t.width = u8(12) | u8(13) << 8;
    t.height = u8(14) | u8(15) << 8;
    t.bpp = u8(16) / 8;
    if (t.width == 0 || t.height == 0 || (u8(16) != 24 && u8(16) != 32))
        t.error = "bad size or depth";
    if (!t.error.empty())
        return t;
    const size_t total = static_cast<size_t>(t.width) * t.height * t.bpp;
    size_t i = 18;
    if (t.type == 2)
    {
        if (bytes.size() != 18 + total)
            t.error = "size " + std::to_string(bytes.size()) + " for " + std::to_string(18 + total);
        else
            t.pixels.assign(bytes.begin() + 18, bytes.end());
        return t;
    }
    while (t.pixels.size() < total)
    {
        if (i >= bytes.size())
        {
            t.error = "RLE data ends early";
            return t;
        }
        const int h = u8(i++);
        const int count = h > 127 ? h - 127 : h + 1;
        const int stored = h > 127 ? 1 : count;
        if (i + static_cast<size_t>(stored) * t.bpp > bytes.size() || t.pixels.size() + count * t.bpp > total)
        {
            t.error = "RLE packet overruns";
            return t;
        }
        for (int k = 0; k < count; ++k)
        {
            const size_t from = i + (h > 127 ? 0 : k) * t.bpp;
            t.pixels.insert(t.pixels.end(), bytes.begin() + from, bytes.begin() + from + t.bpp);
        }
        i += static_cast<size_t>(stored) * t.bpp;
    }
    if (i != bytes.size())
        t.error = "bytes after the image";
    return t;
}

} // namespace tgatest
