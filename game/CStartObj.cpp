#include "game/CStartObj.h"

#include "app/Log.h"
#include "game/CGameCtrl.h"

bool CStartRep::Create(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner)
{
    return CreateModel(sceneGraph, modelName, owner, "CStartRep");
}

void CStartRep::Detach()
{
    if (m_pSceneNode)
        CModelRep::Detach();
}

CStartObj::CStartObj(CGameCtrl* owner, const CVector3& position) : ICollidableObj(owner, TYPE_START)
{
    SetPosition(position);
    CRefPtr<CStartRep> rep(new CStartRep);
    if (rep->Create(owner ? owner->GetScene().Get() : nullptr, "Data/models/startpodest.scn", this))
    {
        rep->SetPickable(false);
        m_pRepresentation = rep;
    }
    else
        Log(16, "Error: pRep->Create failed in CStartObj::CStartObj");
    SetActor(CreateBoxActor(3, false, 1.0f, "CStartObj"));
}
