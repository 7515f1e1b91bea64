#include "scenesdk/importers/KStreamOptionsForeign.h"

namespace scenesdk
{

void KStreamOptionsForeign::ConvertDirection(double& /*x*/, double& y, double& z) const
{
    if (mAxisConversion == eAxisZUpToYUp)
    {
        const double up = z;
        z = -y;
        y = up;
    }
}

void KStreamOptionsForeign::ConvertPosition(double& x, double& y, double& z) const
{
    x *= mUnitScale;
    y *= mUnitScale;
    z *= mUnitScale;
    ConvertDirection(x, y, z);
}

} // namespace scenesdk
