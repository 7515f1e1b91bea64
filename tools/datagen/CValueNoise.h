#pragma once

// Smooth value noise over a lattice whose period is a power of two (tiles
// seamlessly on an image whose size is a multiple of the period). The same
// seed gives the same values on every platform.

#include <cstdint>
#include <vector>

class CValueNoise
{
public:
    CValueNoise(uint64_t seed, int period);
    // x, y in lattice units: 0..1.
    double At(double x, double y) const;
    // Octaves over an image of size pixels: 0..1.
    double Fractal(double px, double py, int size, int octaves) const;

private:
    int m_Period;
    int m_Mask;
    std::vector<double> m_Values;
};
