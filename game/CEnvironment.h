#pragma once

#include "app/CSettings.h"
#include "game/IGameObj.h"
#include "game/IRepresentation.h"

#include <string>
#include <vector>

// The sky's model plus the environment map the factory lends reflective
// materials. Never filed in the scene graph: the game controller makes it
// the graph's sky. A ray never hits it.
class CEnvironmentRep : public CModelRep
{
public:
    // The model and a sphere map from one texture; false when either fails.
    bool CreateSphere(const std::string& modelName, const std::string& textureName, CSceneGraph* sceneGraph,
                      IGameObj* owner);
    // The model and a cube map from six face textures (+x, -x, +y, -y, +z,
    // -z); false when either fails.
    bool CreateCube(const std::string& modelName, const std::string faceNames[6], CSceneGraph* sceneGraph,
                    IGameObj* owner);
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

    // Reads the sky keys from the section, makes the sky, then reads the
    // sun from "GAME". False (logged) on a missing or refused key or a
    // failing sky; false without a message for any other environment type.
    bool Create(const std::string& section);
    // An environment is never killed by the game: nothing to do.
    void Kill() override {}

    const CVector3& GetSunDirection() const { return m_SunDirection; }
    // Red, green, blue, alpha (alpha 1).
    const float* GetSunDiffuse() const { return m_SunDiffuse; }
    const float* GetSunAmbient() const { return m_SunAmbient; }

protected:
    void OnUpdate(float /*dt*/) override {}

private:
    CVector3 m_SunDirection;
    float m_SunDiffuse[4];
    float m_SunAmbient[4];
};
