#include "scenesdk/kernel/KgeTransformMatrix.h"

#include "scenesdk/kernel/KgeMath.h"

#include <cmath>

namespace scenesdk
{

namespace
{

double RowLength(const double* m, int r)
{
    return std::sqrt(m[4 * r] * m[4 * r] + m[4 * r + 1] * m[4 * r + 1] + m[4 * r + 2] * m[4 * r + 2]);
}

// Row lengths, negated together when the rows form a left-handed (mirrored) frame.
void SignedRowLengths(const double* m, double* len)
{
    for (int r = 0; r < 3; ++r)
        len[r] = RowLength(m, r);
    double cross[3];
    KgeCrossProduct(cross, m, m + 4);
    if (KgeDotProduct(cross, m + 8) < 0.0)
        for (int r = 0; r < 3; ++r)
            len[r] = -len[r];
}

void DivideRows(double* out, const double* in, const double* divisors)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[4 * r + c] = divisors[r] != 0.0 ? in[4 * r + c] / divisors[r] : 0.0;
}

// Splits the 3x3 part into signed row lengths and the rotation left when the
// rows are divided by them (an identity matrix with that 3x3 part).
void SplitScaleRotation(const double* m, double* len, double* rotation)
{
    SignedRowLengths(m, len);
    KgeMatrixIdentity(rotation);
    DivideRows(rotation, m, len);
}

} // namespace

void KgeTransformMatrix::SetIdentity()
{
    KgeMatrixIdentity(mData);
}

bool KgeTransformMatrix::operator==(const KgeTransformMatrix& other) const
{
    for (int i = 0; i < 16; ++i)
        if (!(std::fabs(mData[i] - other.mData[i]) < 1e-6))
            return false;
    return true;
}

void KgeTransformMatrix::SetAffine(const KgeTransformMatrix& other)
{
    const KgeTransformMatrix copy(other);
    SetIdentity();
    KgeCopyAffine(mData, copy.mData);
}

KgeTVector KgeTransformMatrix::GetTranslation() const
{
    return KgeTVector(mData[12], mData[13], mData[14], 1.0);
}

void KgeTransformMatrix::SetTRS(const KgeTVector& t, const KgeTVector& r, const KgeTVector& s)
{
    KgeMatrixFromTRS(mData, t.mData, r.mData, s.mData);
}

KgeTVector KgeTransformMatrix::GetRotation() const
{
    double len[3], n[16];
    SplitScaleRotation(mData, len, n);
    double angles[3];
    KgeMatrixToEulerXYZ(angles, n);
    return KgeTVector(angles[0], angles[1], angles[2], 1.0);
}

KgeTVector KgeTransformMatrix::GetScaling() const
{
    KgeTVector out;
    ExtractScaling(out, *this);
    return out;
}

void KgeTransformMatrix::ExtractScaling(KgeTVector& out, const KgeTransformMatrix& m)
{
    double len[3];
    SignedRowLengths(m.mData, len);
    out.Set(len[0], len[1], len[2], 1.0);
}

void KgeTransformMatrix::ScaleRows(KgeTransformMatrix& out, const KgeTransformMatrix& in,
                                   const KgeTVector& scale)
{
    const KgeTransformMatrix copy(in);
    out = copy;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.mData[4 * r + c] = copy.mData[4 * r + c] * scale.mData[r];
}

void KgeTransformMatrix::NormalizeRows(KgeTransformMatrix& out, const KgeTransformMatrix& in)
{
    const double len[3] = {RowLength(in.mData, 0), RowLength(in.mData, 1), RowLength(in.mData, 2)};
    DivideRows(out.mData, in.mData, len);
}

KgeTransformMatrix KgeTransformMatrix::Inverse() const
{
    // M = diag(s) R with translation t, so M^-1 = transpose(R) diag(1/s) with
    // translation -t transpose(R) diag(1/s).
    double s[3], rotation[16];
    SplitScaleRotation(mData, s, rotation);
    KgeTransformMatrix inv;
    KgeTransposeRotation(inv.mData, rotation);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            inv.mData[4 * r + c] *= s[c] != 0.0 ? 1.0 / s[c] : 0.0;
    const double t[3] = {-mData[12], -mData[13], -mData[14]};
    KgeRotateVector(inv.mData + 12, inv.mData, t);
    return inv;
}

KgeTransformMatrix KgeTransformMatrix::InverseAffine() const
{
    double len2[3];
    for (int r = 0; r < 3; ++r)
        len2[r] = RowLength(mData, r) * RowLength(mData, r);
    KgeTransformMatrix inv;
    DivideRows(inv.mData, mData, len2);
    KgeTransposeRotation(inv.mData, inv.mData);
    const double t[3] = {-mData[12], -mData[13], -mData[14]};
    KgeRotateVector(inv.mData + 12, inv.mData, t);
    return inv;
}

} // namespace scenesdk
