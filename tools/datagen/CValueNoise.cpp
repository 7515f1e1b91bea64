#include "tools/datagen/CValueNoise.h"

#include "tools/datagen/CDataRandom.h"

#include <cmath>

CValueNoise::CValueNoise(uint64_t seed, int period)
    : m_Period(period), m_Mask(period - 1), m_Values(static_cast<size_t>(period) * period)
{
    CDataRandom r(seed);
    for (double& v : m_Values)
    {
        v = r.Unit();
    }
}

double CValueNoise::At(double x, double y) const
{
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const size_t i0 = static_cast<size_t>(x0 & m_Mask), i1 = static_cast<size_t>((x0 + 1) & m_Mask);
    const double* r0 = &m_Values[static_cast<size_t>(y0 & m_Mask) * m_Period];
    const double* r1 = &m_Values[static_cast<size_t>((y0 + 1) & m_Mask) * m_Period];
    const double a = r0[i0] + (r0[i1] - r0[i0]) * sx;
    const double b = r1[i0] + (r1[i1] - r1[i0]) * sx;
    return a + (b - a) * sy;
}

double CValueNoise::Fractal(double px, double py, int size, int octaves) const
{
    double sum = 0, amp = 1, norm = 0;
    double freq = static_cast<double>(m_Period) / size;
    for (int o = 0; o < octaves; ++o)
    {
        sum += At(px * freq, py * freq) * amp;
        norm += amp;
        amp *= 0.5;
        freq *= 2;
    }
    return sum / norm;
}
