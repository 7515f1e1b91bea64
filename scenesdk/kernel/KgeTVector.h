#pragma once

// KgeTVector: four doubles (x, y, z, w), a plain value type. Positions and
// directions carry w = 1.

#include <cstdint>

namespace scenesdk
{

class KgeTVector
{
public:
    explicit KgeTVector(double x = 0.0, double y = 0.0, double z = 0.0, double w = 1.0) : mData{x, y, z, w} {}

    // Component i (0..3); an index outside that range reads and writes w or
    // x (the nearest component) rather than memory outside the vector.
    double& operator[](int i) { return mData[Clamp(i)]; }
    double operator[](int i) const { return mData[Clamp(i)]; }
    void SetAt(int i, double value) { mData[Clamp(i)] = value; }
    void Set(double x, double y, double z, double w)
    {
        mData[0] = x, mData[1] = y, mData[2] = z, mData[3] = w;
    }

    // All four components.
    KgeTVector& operator*=(double factor);
    KgeTVector& operator+=(const KgeTVector& other);
    KgeTVector operator-(const KgeTVector& other) const;

    // (y oz - z oy, z ox - x oz, x oy - y ox, 1).
    KgeTVector CrossProduct(const KgeTVector& other) const;
    // x, y and z each differ by less than 1e-6; w is not compared.
    bool operator==(const KgeTVector& other) const;
    bool operator!=(const KgeTVector& other) const { return !(*this == other); }
    // Divides x, y, z by their length; a zero vector gets x = y = z = 0. w is kept.
    void Normalize();

    double* Buffer() { return mData; }
    const double* Buffer() const { return mData; }

    double mData[4];

private:
    static int Clamp(int i) { return i < 0 ? 0 : (i > 3 ? 3 : i); }
};

// The unnormalised quaternion (0, -z, y, 1 + x) that turns the X axis onto
// the unit direction (x, y, z). For the direction -X this is the zero
// quaternion, which names no rotation: callers must test for it.
void KgeQuaternionFromXAxisTo(double* out, const double* direction);
// out = a + b over three doubles.
void KgeVector3Add(double* out, const double* a, const double* b);

// Two vectors followed by six 32-bit words (a limit-style record).
struct KgeXYZPairRecord
{
    KgeTVector first;
    KgeTVector second;
    int32_t words[6] = {0, 0, 0, 0, 0, 0};
};

// Copies x, y, z of both vectors and the six words; the w components of out
// are kept.
void CopyXYZPairRecord(KgeXYZPairRecord& out, const KgeXYZPairRecord& in);

} // namespace scenesdk
