#pragma once

// KgeTransformMatrix: sixteen doubles, row-major, the translation in elements
// 12, 13, 14; row vectors multiply from the left (see KgeMath.h). The
// identity at construction. Angles in degrees; rotations use the XYZ order.

#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KgeTransformMatrix
{
public:
    KgeTransformMatrix() { SetIdentity(); }
    void SetIdentity();

    // Every element differs by less than 1e-6.
    bool operator==(const KgeTransformMatrix& other) const;
    bool operator!=(const KgeTransformMatrix& other) const { return !(*this == other); }

    double& operator[](int i) { return mData[i & 15]; }
    double operator[](int i) const { return mData[i & 15]; }

    // Identity, then the first three values of each row from other.
    void SetAffine(const KgeTransformMatrix& other);
    // (m12, m13, m14, 1).
    KgeTVector GetTranslation() const;
    // Rotation (XYZ angles) scaled row by row by s, translation t.
    void SetTRS(const KgeTVector& t, const KgeTVector& r, const KgeTVector& s);
    // XYZ angles of the normalised rows (x, y, z, 1); rows of length 0 stay 0.
    // Takes apart what SetTRS builds, also for negative (mirrored) scaling.
    KgeTVector GetRotation() const;
    // Row lengths (x, y, z, 1), all negated when the rows' triple product is negative.
    KgeTVector GetScaling() const;
    static void ExtractScaling(KgeTVector& out, const KgeTransformMatrix& m);
    // Row r (first three values) of out = row r of in times scale[r], r = 0..2;
    // the rest of out is copied from in.
    static void ScaleRows(KgeTransformMatrix& out, const KgeTransformMatrix& in, const KgeTVector& scale);
    // Rows 0..2 of in divided by their lengths (a row of length 0 stays 0).
    static void NormalizeRows(KgeTransformMatrix& out, const KgeTransformMatrix& in);

    // Inverse through translation, rotation and scaling: negated translation,
    // inverse rotation, reciprocal scaling (0 for a zero scale).
    KgeTransformMatrix Inverse() const;
    // Inverse of a rotation-scaling-translation matrix: the 3x3 part with each
    // row divided by its squared length (0 for a zero row), transposed;
    // translation -t times that.
    KgeTransformMatrix InverseAffine() const;

    double mData[16];
};

} // namespace scenesdk
