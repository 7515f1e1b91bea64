#pragma once

#include "app/CSettings.h"
#include "game/IGameObj.h"
#include "game/IRepresentation.h"

#include <string>
#include <vector>

// The sky's model; the environment map the factory lends reflective
// materials is made beside it (CEnvironment::Create). Never filed in the
// scene graph: the game controller makes it the graph's sky. A ray never
// hits it.
class CEnvironmentRep : public CModelRep
{
public:
    // The sky's model from the model factory; false when it cannot be
    // loaded (the factory's GetModelError says why).
    bool CreateSky(const std::string& modelName, CSceneGraph* sceneGraph, IGameObj* owner);
    bool RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                         float& distance) override;
    // The sky is in no tree of the graph (which may be gone by now): nothing
    // to leave.
    void Detach() override {}
};

// The level's sky and sun (type 0): the sky model with its environment map
// from the level's section, the sun's direction and colours from "GAME".
// Made anew for every level; handed to the scene graph and the renderer by
// CGameCtrl::SetEnvironment.
class CEnvironment : public IGameObj
{
public:
    explicit CEnvironment(CGameCtrl* owner);

    // A level's sky keys: the type ("Sphere" or "Cube"), the model and the
    // map's texture (one for a sphere) or faces (six for a cube, +x, -x,
    // +y, -y, +z, -z).
    struct SSkySettings
    {
        std::string type;
        std::string model;
        std::vector<std::string> textures;
        std::vector<std::string> textureKeys; // the key of each texture
    };
    // Reads the sky keys of a level's section as Create does; false with the
    // fault (not logged) on a missing key or another type (whose fault has
    // no log line: Create says nothing about it).
    static bool ReadSkySettings(const std::string& section, SSkySettings& sky, SSettingsFault& fault);
    // Reads "SunDir", "SunDiffuseColor" and "SunAmbientColor" from "GAME" as
    // Create does: three numbers each ("%f;%f;%f"), every colour channel
    // finite (a light may be brighter than 1), the direction within
    // +-1000000 per axis and not (0, 0, 0). False with the fault (not
    // logged) on the first that is missing or refused.
    static bool ReadSunSettings(CVector3& direction, float diffuse[4], float ambient[4],
                                SSettingsFault& fault);

    // Reads the sky keys from the section, makes the sky (its model, then
    // the sphere map from one texture or the cube map from six faces), then
    // reads the sun from "GAME". False on a missing or refused key, a sky
    // model that cannot be loaded or a map that cannot be made: GetFault
    // then names the key and what went wrong, for the player's message
    // (the reader's own lines go to "Error.log" only).
    bool Create(const std::string& section);
    // Why the last Create failed.
    const SSettingsFault& GetFault() const { return m_Fault; }
    // An environment is never killed by the game: nothing to do.
    void Kill() override {}

    const CVector3& GetSunDirection() const { return m_SunDirection; }
    // Red, green, blue, alpha (alpha 1).
    const float* GetSunDiffuse() const { return m_SunDiffuse; }
    const float* GetSunAmbient() const { return m_SunAmbient; }

protected:
    void OnUpdate(float /*dt*/) override {}

private:
    SSettingsFault m_Fault;
    CVector3 m_SunDirection;
    float m_SunDiffuse[4];
    float m_SunAmbient[4];
};
