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

bool CEnvironmentRep::CreateSphere(const std::string& modelName, const std::string& textureName,
                                   CSceneGraph* sceneGraph, IGameObj* owner)
{
    return CreateModel(sceneGraph, modelName, owner, "CEnvironmentRep", false) && CreateEnv(&textureName, 1);
}

bool CEnvironmentRep::CreateCube(const std::string& modelName, const std::string faceNames[6],
                                 CSceneGraph* sceneGraph, IGameObj* owner)
{
    return CreateModel(sceneGraph, modelName, owner, "CEnvironmentRep", false) && CreateEnv(faceNames, 6);
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

bool CEnvironment::Create(const std::string& section)
{
    CRefPtr<CEnvironmentRep> rep(new CEnvironmentRep);
    m_pRepresentation = rep;
    CSceneGraph* scene = m_pOwner ? m_pOwner->GetScene().Get() : nullptr;
    const char* s = section.c_str();

    std::string type, model;
    if (!Read(section, "EnvironmentType", type))
    {
        Log(1, "Error: Couldn't get \"EnvironmentType\"-Value from \"%s\" in CEnvironment::Create", s);
        return false;
    }
    if (!Read(section, "EnvironmentModel", model))
    {
        Log(1, "Error: Couldn't get \"EnvironmentModel\"-Value from \"%s\" in CEnvironment::Create", s);
        return false;
    }
    if (type == "Sphere")
    {
        std::string texture;
        if (!Read(section, "ReflectionMapTexture", texture))
        {
            Log(1, "Error: Couldn't get \"EnvironmentTexture\"-Value from \"%s\" in CEnvironment::Create", s);
            return false;
        }
        if (!rep->CreateSphere(model, texture, scene, this))
        {
            Log(1, "Error: m_pEnvironmentRep->CreateSphere failed in CEnvironment::Create");
            return false;
        }
    }
    else if (type == "Cube")
    {
        std::string faces[6];
        for (int i = 0; i < 6; ++i)
        {
            if (!Read(section, kFaceKeys[i], faces[i]))
            {
                Log(1, "Error: Couldn't get \"%s\"-Value from \"%s\" in CEnvironment::Create", kFaceKeys[i],
                    s);
                return false;
            }
        }
        if (!rep->CreateCube(model, faces, scene, this))
        {
            Log(1, "Error: m_pEnvironmentRep->CreateCube failed in CEnvironment::Create");
            return false;
        }
    }
    else
        return false;
    return ReadSun();
}

bool CEnvironment::ReadSun()
{
    struct SKey
    {
        const char* name;
        float* out;
    };
    float direction[3];
    const SKey keys[3] = {
        {"SunDir", direction}, {"SunDiffuseColor", m_SunDiffuse}, {"SunAmbientColor", m_SunAmbient}};
    for (const SKey& key : keys)
    {
        std::string value;
        if (!Read("GAME", key.name, value))
        {
            Log(1, "Error: Couldn't get \"%s\"-Value from \"GAME\" in CEnvironment::Create", key.name);
            return false;
        }
        // A light may be brighter than 1 in a channel, but its channels
        // must be finite; the direction needs a length.
        const bool colour = key.out != direction;
        auto inRange = [colour](float c) { return colour ? std::isfinite(c) : std::fabs(c) <= 1e6f; };
        if (std::sscanf(value.c_str(), "%f;%f;%f", &key.out[0], &key.out[1], &key.out[2]) < 3 ||
            !inRange(key.out[0]) || !inRange(key.out[1]) || !inRange(key.out[2]) ||
            (!colour && key.out[0] == 0.0f && key.out[1] == 0.0f && key.out[2] == 0.0f))
        {
            Log(1, "Error: Couldn't parse \"%s\"-Value from \"GAME\"in CEnvironment::Create: %s", key.name,
                value.c_str());
            return false;
        }
    }
    m_SunDirection = CVector3(direction[0], direction[1], direction[2]);
    m_SunDiffuse[3] = 1.0f;
    m_SunAmbient[3] = 1.0f;
    return true;
}
