#pragma once

#include "game/ICollidableObj.h"
#include "game/IRepresentation.h"

#include <string>

class CForest;

// A tree's model. Created without filing it into the scene graph: trees
// enter the graph only through their forest's hook tree.
class CTreeRep : public CModelRep
{
public:
    // False (logged "getModel failed in CTreeRep::Create") without a model.
    bool Create(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner);
    // Leaves the hook tree; nothing when it is in none (or the scene graph
    // is gone, which clears the node).
    void Detach() override;
};

// One tree of the forest (type 7). It never gets a physics actor, so
// nothing collides with trees; it is not pickable.
class CTreeObj : public ICollidableObj
{
public:
    // A tree whose model fails still exists (logged), without representation.
    // withModel false: the forest knows the model fails (and said so once);
    // the tree is made without representation, saying nothing.
    CTreeObj(CGameCtrl* owner, const std::string& modelName, bool withModel = true);

    // Files the representation into the forest's hook tree; false without a
    // representation or without a hook tree.
    bool AttachToForest(CForest* forest);
    // The model file the tree was made with.
    const std::string& GetModelName() const { return m_strModelName; }

protected:
    void OnUpdate(float /*dt*/) override {}

private:
    std::string m_strModelName;
};
