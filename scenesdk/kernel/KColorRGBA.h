#pragma once

// KColorRGBA: four doubles (red, green, blue, alpha), each kept within 0..1
// by every operation that sets them (NaN becomes 0).

namespace scenesdk
{

class KColorRGBA
{
public:
    KColorRGBA() : mRed(1.0), mGreen(1.0), mBlue(1.0), mAlpha(1.0) {}
    KColorRGBA(double r, double g, double b, double a) { Set(r, g, b, a); }
    KColorRGBA(const KColorRGBA& other) = default;
    // Assignment goes through Set, so it clamps too.
    KColorRGBA& operator=(const KColorRGBA& other)
    {
        Set(other.mRed, other.mGreen, other.mBlue, other.mAlpha);
        return *this;
    }

    void Set(double r, double g, double b, double a);
    bool operator==(const KColorRGBA& o) const
    {
        return mRed == o.mRed && mGreen == o.mGreen && mBlue == o.mBlue && mAlpha == o.mAlpha;
    }

    // Below 0 or NaN: 0; above 1: 1.
    static double Clamp(double v) { return v >= 0.0 ? (v > 1.0 ? 1.0 : v) : 0.0; }

    double mRed;
    double mGreen;
    double mBlue;
    double mAlpha;
};

} // namespace scenesdk
