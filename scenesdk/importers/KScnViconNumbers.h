#pragma once

// KScnViconNumbers: the numbers of a C3D file as its processor type stores
// them. Type 1 (Intel): little-endian integers, IEEE floats. Type 2 (DEC):
// little-endian integers, floats in the legacy F-floating format (16-bit
// halves, the half with sign and exponent first; exponent bias 129 against
// IEEE's 127, an exponent of 0 being zero). Type 3 (MIPS): big-endian
// integers and IEEE floats.
//
// The readers take byte offsets into the file; the caller checks that the
// bytes lie inside it (nothing is checked here). Floats come back as doubles,
// so an F-floating value past the single-precision range stays finite.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace scenesdk
{

class KScnViconNumbers
{
public:
    enum EProcessor
    {
        eIntel = 1,
        eDec = 2,
        eMips = 3
    };

    KScnViconNumbers(const char* bytes, int processor)
        : mBytes(reinterpret_cast<const unsigned char*>(bytes)), mProcessor(processor)
    {
    }

    int GetProcessor() const { return mProcessor; }

    uint16_t U16(size_t at) const
    {
        const unsigned char* b = mBytes + at;
        return mProcessor == eMips ? static_cast<uint16_t>(b[0] << 8 | b[1])
                                   : static_cast<uint16_t>(b[1] << 8 | b[0]);
    }
    int16_t I16(size_t at) const { return static_cast<int16_t>(U16(at)); }

    double F32(size_t at) const
    {
        const unsigned char* b = mBytes + at;
        if (mProcessor == eDec)
            return Dec(b);
        const uint32_t bits = mProcessor == eMips
                                  ? uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]
                                  : uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0];
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    static double Dec(const unsigned char* b)
    {
        // The first half holds sign, exponent and the top of the fraction.
        const uint32_t bits = uint32_t(b[1]) << 24 | uint32_t(b[0]) << 16 | uint32_t(b[3]) << 8 | b[2];
        const int exponent = static_cast<int>(bits >> 23 & 0xff);
        if (exponent == 0)
            return 0.0;
        const double fraction = 1.0 + static_cast<double>(bits & 0x7fffff) / 8388608.0;
        const double value = std::ldexp(fraction, exponent - 129);
        return (bits & 0x80000000u) != 0 ? -value : value;
    }

    const unsigned char* mBytes;
    int mProcessor;
};

} // namespace scenesdk
