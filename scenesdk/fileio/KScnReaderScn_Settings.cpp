// The scene reader's global settings: time, camera and light.

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraProperties.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnSceneLightSettings.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnReaderScnSceneParts.h"
#include "scenesdk/kernel/KSaturate.h"
#include "scenesdk/kernel/KScnSceneRoot.h"

#include <cstring>
#include <set>

namespace scenesdk
{
namespace scnread
{

namespace
{

const char* const kSections[eSectionCount] = {"Time", "Camera", "Light"};
// The fields of each section that are lists, read apart from the settings.
const char* const kListFields[eSectionCount] = {"TimeMarker", "Producer", "ShadowPlane"};

// Time modes 0 (the global mode) to 13, formats 0 to 2 (2: the global one).
constexpr int kLastTimeMode = 13;
constexpr int kLastTimeFormat = 2;

int Int(const SValues& v)
{
    return KSaturateToInt(v.numbers[0]);
}

template <class S> S& Of(KScnSceneRoot& scene);
template <> KScnSceneTimeSettings& Of(KScnSceneRoot& scene)
{
    return *scene.GetGlobalTimeSettings();
}
template <> KScnSceneCameraSettings& Of(KScnSceneRoot& scene)
{
    return *scene.GetGlobalCameraSettings();
}
template <> KScnSceneLightSettings& Of(KScnSceneRoot& scene)
{
    return *scene.GetGlobalLightSettings();
}

// Setters of one value that take whatever the file gives (the settings
// clamp).
template <class S, void (S::*Set)(int)> bool Integer(KScnSceneRoot& scene, const SValues& v)
{
    (Of<S>(scene).*Set)(Int(v));
    return true;
}
template <class S, void (S::*Set)(bool)> bool Switch(KScnSceneRoot& scene, const SValues& v)
{
    (Of<S>(scene).*Set)(Int(v) != 0);
    return true;
}
template <class S, void (S::*Set)(double)> bool Real(KScnSceneRoot& scene, const SValues& v)
{
    (Of<S>(scene).*Set)(v.numbers[0]);
    return true;
}

// Integers of a fixed range; others are refused.
template <void (KScnSceneTimeSettings::*Set)(int), int kLast>
bool Ranged(KScnSceneRoot& scene, const SValues& v)
{
    const int value = Int(v);
    if (value < 0 || value > kLast)
        return false;
    (Of<KScnSceneTimeSettings>(scene).*Set)(value);
    return true;
}

bool CurrentTimeMarker(KScnSceneRoot& scene, const SValues& v)
{
    return Of<KScnSceneTimeSettings>(scene).SetCurrentTimeMarker(Int(v));
}

bool DefaultCamera(KScnSceneRoot& scene, const SValues& v)
{
    return Of<KScnSceneCameraSettings>(scene).SetDefaultCamera(v.text.c_str());
}

// Three components given, the fourth kept from the colour so far.
template <KColorRGBA (KScnSceneLightSettings::*Get)() const,
          void (KScnSceneLightSettings::*Set)(const KColorRGBA&)>
bool Colour(KScnSceneRoot& scene, const SValues& v)
{
    KScnSceneLightSettings& light = Of<KScnSceneLightSettings>(scene);
    const std::vector<double>& n = v.numbers;
    (light.*Set)(KColorRGBA(n[0], n[1], n[2], n.size() >= 4 ? n[3] : (light.*Get)().mAlpha));
    return true;
}

// The start is let down first so that it cannot hold the end up, then put
// back within the new end.
bool FogEnd(KScnSceneRoot& scene, const SValues& v)
{
    KScnSceneLightSettings& light = Of<KScnSceneLightSettings>(scene);
    const double start = light.GetFogStart();
    light.SetFogStart(0.0);
    light.SetFogEnd(v.numbers[0]);
    light.SetFogStart(start);
    return true;
}

// One plain setting: its section, its name, the fewest values it takes and
// what it does with them (false: refused, counted).
struct SSetting
{
    int section;
    const char* name;
    size_t count;
    bool (*apply)(KScnSceneRoot&, const SValues&);
};

using Time = KScnSceneTimeSettings;
using Camera = KScnSceneCameraSettings;
using Light = KScnSceneLightSettings;

// Applied in this order, each with the last value the file gives: the fog
// end before the fog start, which is kept within it.
const SSetting kSettings[] = {
    {eTimeSection, "TimeMode", 1, Ranged<&Time::SetTimeMode, kLastTimeMode>},
    {eTimeSection, "TimeFormat", 1, Ranged<&Time::SetTimeFormat, kLastTimeFormat>},
    {eTimeSection, "SnapOnFrames", 1, Integer<Time, &Time::SetSnapOnFrames>},
    {eTimeSection, "CurrentTimeMarker", 1, CurrentTimeMarker},
    {eCameraSection, "DefaultCamera", 1, DefaultCamera},
    {eCameraSection, "DefaultViewingMode", 1, Integer<Camera, &Camera::SetDefaultViewingMode>},
    {eLightSection, "AmbientColor", 3, Colour<&Light::GetAmbientColor, &Light::SetAmbientColor>},
    {eLightSection, "FogEnable", 1, Switch<Light, &Light::SetFogEnable>},
    {eLightSection, "FogColor", 3, Colour<&Light::GetFogColor, &Light::SetFogColor>},
    {eLightSection, "FogMode", 1, Integer<Light, &Light::SetFogMode>},
    {eLightSection, "FogEnd", 1, FogEnd},
    {eLightSection, "FogStart", 1, Real<Light, &Light::SetFogStart>},
    {eLightSection, "FogDensity", 1, Real<Light, &Light::SetFogDensity>},
    {eLightSection, "ShadowEnable", 1, Switch<Light, &Light::SetShadowEnable>},
    {eLightSection, "ShadowIntensity", 1, Real<Light, &Light::SetShadowIntensity>},
};

bool Known(int section, const std::string& name)
{
    if (name == kListFields[section])
        return true;
    for (const SSetting& setting : kSettings)
        if (setting.section == section && name == setting.name)
            return true;
    return false;
}

bool Is(KScn& f, const char* name)
{
    return std::strcmp(f.GetFieldName(), name) == 0;
}

// The current Producer field; false for a name that is no producer's.
bool ReadProducer(KScn& f, SProducer& p)
{
    const char* name = f.NextValueAsString();
    for (int i = 0; i < KScnSceneCameraSettings::eProducerCount; ++i)
        if (std::strcmp(KScnSceneCameraSettings::GetProducerName(i), name) == 0)
            p.which = i;
    if (p.which < 0)
        return false;
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    static const char* const kVectors[3] = {"Position", "UpVector", "LookAt"};
    while (f.OpenNextField())
    {
        for (int i = 0; i < 3; ++i)
            if (Is(f, kVectors[i]))
            {
                p.vectors[i] = Numbers(f);
                p.given[i] = true;
            }
        if (Is(f, "Properties"))
        {
            std::vector<SValues> list = ReadProperties(f);
            p.properties.insert(p.properties.end(), list.begin(), list.end());
        }
    }
    f.LeaveFieldBlock();
    return true;
}

// The markers and producers of the current section field.
bool ReadLists(KScn& f, int section, SGlobalSettings& s, std::string& error)
{
    if (section == eLightSection || !f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    bool ok = true;
    std::set<int> producers;
    while (ok && f.OpenField(kListFields[section]))
    {
        if (section == eTimeSection)
        {
            STimeMarker m;
            m.name = f.NextValueAsString();
            const bool hasTime = f.RemainingValueCount() > 0;
            m.time = f.NextValueAsTime();
            m.loop = f.RemainingValueCount() > 0 && f.NextValueAsInt() != 0;
            if (hasTime)
                s.markers.push_back(std::move(m));
            else
                ++s.skipped;
        }
        else
        {
            SProducer p;
            if (!ReadProducer(f, p))
                ++s.skipped;
            else if (!producers.insert(p.which).second)
            {
                error = std::string("global settings: producer camera \"") +
                        KScnSceneCameraSettings::GetProducerName(p.which) + "\" given twice";
                ok = false;
            }
            else
                s.producers.push_back(std::move(p));
        }
        f.CloseField();
    }
    f.LeaveFieldBlock();
    return ok;
}

// Position, up vector and look-at point, then the properties, of one
// producer camera.
void ApplyProducer(KScnSceneCameraSettings& settings, const SProducer& p, int& skipped)
{
    using Getter = KScnCamera* (KScnSceneCameraSettings::*)() const;
    static const Getter kCameras[KScnSceneCameraSettings::eProducerCount] = {
        &KScnSceneCameraSettings::GetProducerPerspective, &KScnSceneCameraSettings::GetProducerTop,
        &KScnSceneCameraSettings::GetProducerBottom,      &KScnSceneCameraSettings::GetProducerFront,
        &KScnSceneCameraSettings::GetProducerBack,        &KScnSceneCameraSettings::GetProducerRight,
        &KScnSceneCameraSettings::GetProducerLeft};
    KScnCamera* camera = (settings.*kCameras[p.which])();
    if (camera == nullptr)
        return;
    for (int i = 0; i < 3; ++i)
    {
        const std::vector<double>& v = p.vectors[i];
        if (!p.given[i])
            continue;
        if (v.size() < 3)
        {
            ++skipped;
            continue;
        }
        const KgeTVector vector(v[0], v[1], v[2], 1.0);
        if (i == 0)
            camera->SetPosition(vector);
        else if (i == 1)
            camera->SetUpVector(vector);
        else
            camera->SetLookAt(vector);
    }
    for (const SValues& property : p.properties)
        if (!SetByName(camera->GetProperties(), property))
            ++skipped;
}

} // namespace

bool ReadGlobalSettings(KScn& f, SGlobalSettings& s, std::string& error)
{
    f.Rewind();
    bool ok = true;
    if (f.OpenField("GlobalSettings") && f.HasFieldBlock() && f.EnterFieldBlock())
    {
        for (int section = 0; ok && section < eSectionCount; ++section)
        {
            if (!f.OpenField(kSections[section]))
                continue;
            s.fields[section] = ReadProperties(f);
            for (const SValues& v : s.fields[section])
            {
                s.hasMarkers = s.hasMarkers || (section == eTimeSection && v.name == kListFields[section]);
                if (section == eLightSection && v.name == kListFields[section])
                {
                    s.hasPlanes = true;
                    s.planes.push_back(v.numbers);
                }
                s.skipped += Known(section, v.name) ? 0 : 1;
            }
            ok = ReadLists(f, section, s, error);
        }
        f.LeaveFieldBlock();
    }
    f.Rewind();
    return ok;
}

void ApplyGlobalSettings(KScnSceneRoot& scene, const SGlobalSettings& s, int& skipped)
{
    skipped += s.skipped;
    KScnSceneTimeSettings& time = *scene.GetGlobalTimeSettings();
    KScnSceneLightSettings& light = *scene.GetGlobalLightSettings();
    if (s.hasMarkers)
    {
        time.RemoveAllTimeMarkers();
        for (const STimeMarker& m : s.markers)
            time.AddTimeMarker(KScnSceneTimeMarker(m.name.c_str(), m.time, m.loop));
    }
    if (s.hasPlanes)
    {
        light.RemoveAllShadowPlanes();
        for (const std::vector<double>& v : s.planes)
        {
            if (v.size() < 7)
            {
                ++skipped;
                continue;
            }
            KScnShadowPlane plane;
            plane.mEnable = v[0] != 0.0;
            plane.mOrigin = KgeTVector(v[1], v[2], v[3], 0.0);
            plane.mNormal = KgeTVector(v[4], v[5], v[6], 0.0);
            light.AddShadowPlane(plane);
        }
    }
    for (const SProducer& p : s.producers)
        ApplyProducer(*scene.GetGlobalCameraSettings(), p, skipped);
    for (const SSetting& setting : kSettings)
    {
        const std::vector<SValues>& fields = s.fields[setting.section];
        for (auto it = fields.rbegin(); it != fields.rend(); ++it)
            if (it->name == setting.name)
            {
                if (it->numbers.size() < setting.count || !setting.apply(scene, *it))
                    ++skipped;
                break;
            }
    }
}

} // namespace scnread
} // namespace scenesdk
