#pragma once

#include "game/IGameObj.h"
#include "game/IRepresentation.h"

#include <string>

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

    // Reads "EnvironmentType" ("Sphere" or "Cube", exactly),
    // "EnvironmentModel" and the map texture(s) from the section, then
    // "SunDir", "SunDiffuseColor" and "SunAmbientColor" from "GAME". False
    // (logged) on a missing or malformed key (a colour channel outside 0 to
    // 1, a sun direction of (0, 0, 0)) or a failing sky; false without
    // a message for any other environment type.
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
    bool ReadSun();

    CVector3 m_SunDirection;
    float m_SunDiffuse[4];
    float m_SunAmbient[4];
};
