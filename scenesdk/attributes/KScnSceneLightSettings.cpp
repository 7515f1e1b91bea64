#include "scenesdk/attributes/KScnSceneLightSettings.h"

namespace scenesdk
{

namespace
{

const char* const kLightMessages[] = {"Index out of range."};

} // namespace

KScnSceneLightSettings::Body::Body() : error(kLightMessages, 1) {}

KScnSceneLightSettings::KScnSceneLightSettings() : mBody(new Body)
{
    RestoreDefaults();
}

KScnSceneLightSettings::~KScnSceneLightSettings() = default;

void KScnSceneLightSettings::RestoreDefaults()
{
    Body& b = *mBody;
    b.ambientColor = KColorRGBA(0.4, 0.4, 0.4, 0.0);
    b.fogEnable = false;
    b.fogColor = KColorRGBA(1.0, 1.0, 1.0, 0.0);
    b.fogMode = 0;
    b.fogStart = 0.3;
    b.fogEnd = 1000.0;
    b.fogDensity = 0.002;
    b.shadowEnable = false;
    b.shadowIntensity = 0.0;
    RemoveAllShadowPlanes();
}

void KScnSceneLightSettings::SetFogStart(double distance)
{
    if (distance > mBody->fogEnd)
    {
        mBody->fogStart = mBody->fogEnd;
    }
    else
    {
        // NaN counts as negative.
        mBody->fogStart = distance >= 0.0 ? distance : 0.0;
    }
}

void KScnSceneLightSettings::SetFogEnd(double distance)
{
    mBody->fogEnd = distance >= mBody->fogStart ? distance : mBody->fogStart;
}

void KScnSceneLightSettings::SetShadowIntensity(double intensity)
{
    if (!(intensity >= 0.0))
    {
        mBody->shadowIntensity = 0.0;
    }
    else
    {
        mBody->shadowIntensity = intensity > 300.0 ? 300.0 : intensity;
    }
}

int KScnSceneLightSettings::AddShadowPlane(const KScnShadowPlane& plane)
{
    mBody->shadowPlanes.push_back(plane);
    return static_cast<int>(mBody->shadowPlanes.size()) - 1;
}

const KScnShadowPlane* KScnSceneLightSettings::GetShadowPlane(int index) const
{
    return index >= 0 && index < GetShadowPlaneCount() ? &mBody->shadowPlanes[static_cast<size_t>(index)]
                                                       : nullptr;
}

} // namespace scenesdk
