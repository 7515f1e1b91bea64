#pragma once

// A small deterministic generator (64-bit linear congruential, high bits
// out) so that every run of the data generator writes the same bytes on
// every platform; the C library's rand differs between systems.

#include <cstdint>

class CDataRandom
{
public:
    explicit CDataRandom(uint64_t seed) : m_State(seed * 2862933555777941757ULL + 3037000493ULL) {}

    uint32_t Next()
    {
        m_State = m_State * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(m_State >> 33);
    }
    // Uniform in [0, 1).
    double Unit() { return Next() / 2147483648.0; }
    // Uniform in [lo, hi).
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }

private:
    uint64_t m_State;
};
