#pragma once

// Scene light settings: ambient light, fog and shadows with their shadow
// planes. A small handle owning its body; the scene creates one, resets it
// when cleared, and the file reader fills it. Setters clamp, never fail.

#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KgeTVector.h"

#include <memory>
#include <vector>

namespace scenesdk
{

// A plane shadows are cast on; a value record.
class KScnShadowPlane
{
public:
    bool mEnable = true;
    KgeTVector mOrigin{0.0, 0.0, 0.0, 0.0};
    KgeTVector mNormal{0.0, 1.0, 0.0, 0.0};
};

class KScnSceneLightSettings
{
public:
    KScnSceneLightSettings();
    ~KScnSceneLightSettings();
    KScnSceneLightSettings(const KScnSceneLightSettings&) = delete;
    KScnSceneLightSettings& operator=(const KScnSceneLightSettings&) = delete;

    void RestoreDefaults();

    // Each component clamped to [0, 1].
    void SetAmbientColor(const KColorRGBA& color) { mBody->ambientColor = color; }
    KColorRGBA GetAmbientColor() const { return mBody->ambientColor; }
    void SetFogEnable(bool on) { mBody->fogEnable = on; }
    bool GetFogEnable() const { return mBody->fogEnable; }
    void SetFogColor(const KColorRGBA& color) { mBody->fogColor = color; }
    KColorRGBA GetFogColor() const { return mBody->fogColor; }
    void SetFogMode(int mode) { mBody->fogMode = mode; }
    int GetFogMode() const { return mBody->fogMode; }
    void SetFogDensity(double density) { mBody->fogDensity = density; }
    double GetFogDensity() const { return mBody->fogDensity; }
    // Kept in [0, fog end].
    void SetFogStart(double distance);
    double GetFogStart() const { return mBody->fogStart; }
    // Kept at or above the fog start.
    void SetFogEnd(double distance);
    double GetFogEnd() const { return mBody->fogEnd; }
    void SetShadowEnable(bool on) { mBody->shadowEnable = on; }
    bool GetShadowEnable() const { return mBody->shadowEnable; }
    // Clamped to [0, 300]; NaN gives 0.
    void SetShadowIntensity(double intensity);
    double GetShadowIntensity() const { return mBody->shadowIntensity; }

    // Appends a copy; returns its index.
    int AddShadowPlane(const KScnShadowPlane& plane);
    int GetShadowPlaneCount() const { return static_cast<int>(mBody->shadowPlanes.size()); }
    // Null for an index out of range.
    const KScnShadowPlane* GetShadowPlane(int index) const;
    void RemoveAllShadowPlanes() { mBody->shadowPlanes.clear(); }

    KErrorRecord& GetError() { return mBody->error; }

private:
    struct Body
    {
        Body();
        KColorRGBA ambientColor;
        bool fogEnable = false;
        KColorRGBA fogColor;
        int fogMode = 0;
        double fogStart = 0.3;
        double fogEnd = 1000.0;
        double fogDensity = 0.002;
        bool shadowEnable = false;
        double shadowIntensity = 0.0;
        std::vector<KScnShadowPlane> shadowPlanes;
        KErrorRecord error;
    };
    std::unique_ptr<Body> mBody;
};

} // namespace scenesdk
