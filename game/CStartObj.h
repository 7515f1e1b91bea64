#pragma once

#include "game/ICollidableObj.h"
#include "game/IRepresentation.h"

#include <string>

// The start platform's model, filed in the scene graph.
class CStartRep : public CModelRep
{
public:
    // False (logged "getModel failed in CStartRep::Create") without a model.
    bool Create(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner);
    // Leaves the scene graph; nothing when it is in no tree.
    void Detach() override;
};

// The platform the player stands on at the start (type 8): a static box
// actor of its model box in collision group 3, not pickable (the build
// phase's pick ray passes through it).
class CStartObj : public ICollidableObj
{
public:
    // A platform whose model fails still gets a small default box (logged).
    CStartObj(CGameCtrl* owner, const CVector3& position);

    void OnHit(IGameObj* /*other*/) override {}

protected:
    void OnUpdate(float /*dt*/) override {}
};
