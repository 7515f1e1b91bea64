#include "game/CTreeObj.h"

#include "app/Log.h"
#include "game/CForest.h"
#include "game/CGameCtrl.h"
#include "render/CSceneGraphNode.h"

bool CTreeRep::Create(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner)
{
    return CreateModel(sceneGraph, modelName, owner, "CTreeRep", false);
}

void CTreeRep::Detach()
{
    if (m_pSceneNode)
        CModelRep::Detach();
}

CTreeObj::CTreeObj(CGameCtrl* owner, const std::string& modelName, bool withModel)
    : ICollidableObj(owner, TYPE_TREE), m_strModelName(modelName)
{
    if (!withModel)
        return;
    CRefPtr<CTreeRep> rep(new CTreeRep);
    if (!rep->Create(owner ? owner->GetScene().Get() : nullptr, modelName, this))
    {
        Log(16, "Error: pRep->Create failed in CTreeObj::CTreeObj");
        return;
    }
    rep->SetPickable(false);
    m_pRepresentation = rep;
}

bool CTreeObj::AttachToForest(CForest* forest)
{
    CSceneGraphNode* node = forest ? forest->GetNode() : nullptr;
    if (!m_pRepresentation || !node)
        return false;
    node->InsertObject(CRefPtr<ISceneEntry>(m_pRepresentation.Get()));
    return true;
}
