#include "game/CEnvironment.h"

#include "app/CEngineServices.h"
#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CGameCtrl.h"
#include "render/CModelFactory.h"

#include <cmath>
#include <cstdio>

namespace
{

bool Read(const std::string& section, const std::string& key, std::string& value)
{
    CSettings* settings = CSettings::GetInstance();
    return settings && settings->GetValue(section, key, value);
}

bool CreateEnv(const std::string* names, uint8_t count)
{
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
    return factory && factory->CreateEnv(names, count);
}

// The six cube-face keys, in the order the factory takes the faces.
const char* const kFaceKeys[6] = {"ReflectionMapTexture_posX", "ReflectionMapTexture_negX",
                                  "ReflectionMapTexture_posY", "ReflectionMapTexture_negY",
                                  "ReflectionMapTexture_posZ", "ReflectionMapTexture_negZ"};

} // namespace

// ------------------------------------------------------------------ representation

bool CEnvironmentRep::CreateSky(const std::string& modelName, CSceneGraph* sceneGraph, IGameObj* owner)
{
    return CreateModel(sceneGraph, modelName, owner, "CEnvironmentRep", false);
}

bool CEnvironmentRep::RayIntersection(const CVector3&, const CVector3&, CVector3&, float&)
{
    return false;
}

// ------------------------------------------------------------------ environment

CEnvironment::CEnvironment(CGameCtrl* owner)
    : IGameObj(owner, TYPE_ENVIRONMENT), m_SunDiffuse{0, 0, 0, 1}, m_SunAmbient{0, 0, 0, 1}
{
}

bool CEnvironment::ReadSkySettings(const std::string& section, SSkySettings& sky, SSettingsFault& fault)
{
    auto missing = [&section](const std::string& key)
    { return "Error: Couldn't get \"" + key + "\"-Value from \"" + section + "\" in CEnvironment::Create"; };
    if (!Read(section, "EnvironmentType", sky.type))
    {
        fault.Set(section, "EnvironmentType", "\"Sphere\" or \"Cube\"", missing("EnvironmentType"));
        return false;
    }
    if (!Read(section, "EnvironmentModel", sky.model))
    {
        fault.Set(section, "EnvironmentModel", "the sky needs its model", missing("EnvironmentModel"));
        return false;
    }
    sky.textures.clear();
    sky.textureKeys.clear();
    if (sky.type == "Sphere")
    {
        std::string texture;
        if (!Read(section, "ReflectionMapTexture", texture))
        {
            // The reader has always named the key so.
            fault.Set(section, "ReflectionMapTexture", "a sphere sky needs its map texture",
                      missing("EnvironmentTexture"));
            return false;
        }
        sky.textures.push_back(texture);
        sky.textureKeys.push_back("ReflectionMapTexture");
        return true;
    }
    if (sky.type == "Cube")
    {
        for (const char* key : kFaceKeys)
        {
            std::string face;
            if (!Read(section, key, face))
            {
                fault.Set(section, key, "a cube sky needs its six faces", missing(key));
                return false;
            }
            sky.textures.push_back(face);
            sky.textureKeys.push_back(key);
        }
        return true;
    }
    // Exactly so: "sphere" is no type.
    fault.Set(section, "EnvironmentType", "\"Sphere\" or \"Cube\" (exactly so)", "");
    return false;
}

bool CEnvironment::ReadSunSettings(CVector3& direction, float diffuse[4], float ambient[4],
                                   SSettingsFault& fault)
{
    struct SKey
    {
        const char* name;
        float* out;
        const char* need;
    };
    float d[3];
    const SKey keys[3] = {
        {"SunDir", d, "three numbers separated by ';' (x;y;z), each within +-1000000, not 0;0;0"},
        {"SunDiffuseColor", diffuse, "three finite numbers separated by ';' (r;g;b)"},
        {"SunAmbientColor", ambient, "three finite numbers separated by ';' (r;g;b)"}};
    for (const SKey& key : keys)
    {
        std::string value;
        if (!Read("GAME", key.name, value))
        {
            fault.Set("GAME", key.name, key.need,
                      std::string("Error: Couldn't get \"") + key.name +
                          "\"-Value from \"GAME\" in CEnvironment::Create");
            return false;
        }
        // A light may be brighter than 1 in a channel, but its channels
        // must be finite; the direction needs a length.
        const bool colour = key.out != d;
        auto inRange = [colour](float c) { return colour ? std::isfinite(c) : std::fabs(c) <= 1e6f; };
        float v[3] = {0.0f, 0.0f, 0.0f};
        if (std::sscanf(value.c_str(), "%f;%f;%f", &v[0], &v[1], &v[2]) < 3 || !inRange(v[0]) ||
            !inRange(v[1]) || !inRange(v[2]) || (!colour && v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f))
        {
            fault.Set("GAME", key.name, key.need,
                      std::string("Error: Couldn't parse \"") + key.name +
                          "\"-Value from \"GAME\"in CEnvironment::Create: " + value);
            return false;
        }
        for (int i = 0; i < 3; ++i)
            key.out[i] = v[i];
    }
    direction = CVector3(d[0], d[1], d[2]);
    diffuse[3] = 1.0f;
    ambient[3] = 1.0f;
    return true;
}

bool CEnvironment::Create(const std::string& section)
{
    CRefPtr<CEnvironmentRep> rep(new CEnvironmentRep);
    m_pRepresentation = rep;
    CSceneGraph* scene = m_pOwner ? m_pOwner->GetScene().Get() : nullptr;

    m_Fault = SSettingsFault();
    SSkySettings sky;
    if (!ReadSkySettings(section, sky, m_Fault))
    {
        if (!m_Fault.logLine.empty())
            Log(16, "%s", m_Fault.logLine.c_str());
        return false;
    }
    const bool sphere = sky.type == "Sphere";
    const char* const step = sphere ? "Error: m_pEnvironmentRep->CreateSphere failed in CEnvironment::Create"
                                    : "Error: m_pEnvironmentRep->CreateCube failed in CEnvironment::Create";
    if (!rep->CreateSky(sky.model, scene, this))
    {
        CEngineServices* services = CEngineServices::GetInstance();
        CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
        const std::string why = factory ? factory->GetModelError(sky.model) : std::string();
        m_Fault.Set(section, "EnvironmentModel",
                    "the sky model cannot be loaded" + (why.empty() ? std::string() : " (" + why + ")"), step);
        Log(16, "%s", step);
        return false;
    }
    if (!CreateEnv(sky.textures.data(), static_cast<uint8_t>(sky.textures.size())))
    {
        m_Fault.Set(section, sky.textureKeys[0],
                    sphere ? "the sky's sphere map cannot be made from it"
                           : "the sky's cube map cannot be made from its six faces",
                    step);
        Log(16, "%s", step);
        return false;
    }
    if (!ReadSunSettings(m_SunDirection, m_SunDiffuse, m_SunAmbient, m_Fault))
    {
        Log(16, "%s", m_Fault.logLine.c_str());
        return false;
    }
    return true;
}
