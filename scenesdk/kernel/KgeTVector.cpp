#include "scenesdk/kernel/KgeTVector.h"

#include <cmath>

namespace scenesdk
{

KgeTVector& KgeTVector::operator*=(double factor)
{
    for (double& v : mData)
        v *= factor;
    return *this;
}

KgeTVector& KgeTVector::operator+=(const KgeTVector& other)
{
    for (int i = 0; i < 4; ++i)
        mData[i] += other.mData[i];
    return *this;
}

KgeTVector KgeTVector::operator-(const KgeTVector& other) const
{
    return KgeTVector(mData[0] - other.mData[0], mData[1] - other.mData[1], mData[2] - other.mData[2],
                      mData[3] - other.mData[3]);
}

KgeTVector KgeTVector::CrossProduct(const KgeTVector& o) const
{
    return KgeTVector(mData[1] * o.mData[2] - mData[2] * o.mData[1],
                      mData[2] * o.mData[0] - mData[0] * o.mData[2],
                      mData[0] * o.mData[1] - mData[1] * o.mData[0], 1.0);
}

bool KgeTVector::operator==(const KgeTVector& other) const
{
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(mData[i] - other.mData[i]) < 1e-6))
            return false;
    return true;
}

void KgeTVector::Normalize()
{
    const double length = std::sqrt(mData[0] * mData[0] + mData[1] * mData[1] + mData[2] * mData[2]);
    for (int i = 0; i < 3; ++i)
        mData[i] = length == 0.0 ? 0.0 : mData[i] / length;
}

void KgeQuaternionFromXAxisTo(double* out, const double* direction)
{
    const double x = direction[0], y = direction[1], z = direction[2];
    out[0] = 0.0;
    out[1] = -z;
    out[2] = y;
    out[3] = 1.0 + x;
}

void KgeVector3Add(double* out, const double* a, const double* b)
{
    for (int i = 0; i < 3; ++i)
        out[i] = a[i] + b[i];
}

void CopyXYZPairRecord(KgeXYZPairRecord& out, const KgeXYZPairRecord& in)
{
    for (int i = 0; i < 3; ++i)
    {
        out.first.mData[i] = in.first.mData[i];
        out.second.mData[i] = in.second.mData[i];
    }
    for (int i = 0; i < 6; ++i)
        out.words[i] = in.words[i];
}

} // namespace scenesdk
