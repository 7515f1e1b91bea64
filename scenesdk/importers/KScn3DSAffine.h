#pragma once

// KScn3DSAffine: an affine transform of points taken as column vectors,
// p' = A p + t, stored as three rows [A | t]. The 3DS reader uses it for the
// objects' local axes and the transforms made of them.

namespace scenesdk
{

class KStreamOptionsForeign;

struct KScn3DSAffine
{
    double m[3][4] = {{1.0, 0.0, 0.0, 0.0}, {0.0, 1.0, 0.0, 0.0}, {0.0, 0.0, 1.0, 0.0}};

    // The local axes as a 3DS file stores them (X axis, Y axis, Z axis,
    // origin: twelve floats, world space), in the space the options give
    // points: the origin scaled and both sides' axes converted.
    static KScn3DSAffine FromFile(const float* axes, const KStreamOptionsForeign& options);
    static KScn3DSAffine Translation(double x, double y, double z);
    static KScn3DSAffine Scaling(double x, double y, double z);

    // This transform after b: (this * b) p = this (b p).
    KScn3DSAffine operator*(const KScn3DSAffine& b) const;
    double Determinant() const;
    // False (out untouched) when the matrix is singular: a column of length 0
    // or a determinant that is negligible beside the columns' lengths.
    bool Invert(KScn3DSAffine& out) const;
    // Translation, XYZ Euler angles in degrees (the scene's node rotation)
    // and scale, a mirror taken as a negative X scale. False when the matrix
    // is singular or its axes are not at right angles.
    bool Decompose(double* translation, double* rotation, double* scale) const;
};

} // namespace scenesdk
