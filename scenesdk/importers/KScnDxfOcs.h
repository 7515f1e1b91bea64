#pragma once

// KScnDxfOcs: the object coordinate system of a DXF entity, derived from its
// extrusion direction by the drawing format's "arbitrary axis" rule. A point
// (x, y, z) of the entity lies at x * X + y * Y + z * Z in world space. An
// extrusion of zero length counts as the default (0, 0, 1).

#include <cmath>

namespace scenesdk
{

struct KScnDxfOcs
{
    double X[3] = {1.0, 0.0, 0.0};
    double Y[3] = {0.0, 1.0, 0.0};
    double Z[3] = {0.0, 0.0, 1.0};

    explicit KScnDxfOcs(const double* extrusion)
    {
        const double length = std::sqrt(extrusion[0] * extrusion[0] + extrusion[1] * extrusion[1] +
                                        extrusion[2] * extrusion[2]);
        if (!(length > 0.0) || !std::isfinite(length))
            return;
        for (int i = 0; i < 3; ++i)
            Z[i] = extrusion[i] / length;
        const double limit = 1.0 / 64.0;
        const double up[3] = {0.0, 0.0, 1.0}, north[3] = {0.0, 1.0, 0.0};
        const double* axis = std::fabs(Z[0]) < limit && std::fabs(Z[1]) < limit ? north : up;
        Cross(axis, Z, X);
        const double x = std::sqrt(X[0] * X[0] + X[1] * X[1] + X[2] * X[2]);
        for (double& v : X)
            v /= x;
        Cross(Z, X, Y);
    }

    bool IsWorld() const { return Z[0] == 0.0 && Z[1] == 0.0 && Z[2] == 1.0; }

    void ToWorld(double x, double y, double z, double* out) const
    {
        for (int i = 0; i < 3; ++i)
            out[i] = x * X[i] + y * Y[i] + z * Z[i];
    }

    static void Cross(const double* a, const double* b, double* out)
    {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    }
};

} // namespace scenesdk
