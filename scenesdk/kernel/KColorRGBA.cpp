#include "scenesdk/kernel/KColorRGBA.h"

namespace scenesdk
{

void KColorRGBA::Set(double r, double g, double b, double a)
{
    mRed = Clamp(r);
    mGreen = Clamp(g);
    mBlue = Clamp(b);
    mAlpha = Clamp(a);
}

} // namespace scenesdk
