#include "game/CTerrain.h"

#include "app/CEngineServices.h"
#include "app/CPhysXBody.h"
#include "app/CPhysXMgr.h"
#include "app/Log.h"
#include "game/CGameCtrl.h"
#include "render/CModelFactory.h"
#include "render/CSceneGraph.h"

#include <algorithm>
#include <cmath>

namespace
{

CSceneGraph* SceneOf(CGameCtrl* owner)
{
    return owner ? owner->GetScene().Get() : nullptr;
}

// The boundary walls: centre and full size per wall, from the terrain's
// extent X by Z.
struct SWall
{
    CVector3 centre;
    CVector3 size;
};

void Walls(float x, float z, SWall walls[4])
{
    walls[0] = {CVector3((x + 10.0f) * 0.5f, 490.0f, -5.0f), CVector3(x + 10.0f, 1000.0f, 10.0f)};
    walls[1] = {CVector3((x + 10.0f) * 0.5f, 490.0f, z + 5.0f), CVector3(x + 10.0f, 1000.0f, 10.0f)};
    walls[2] = {CVector3(-5.0f, 490.0f, z * 0.5f), CVector3(10.0f, 1000.0f, z + 10.0f)};
    walls[3] = {CVector3(x + 5.0f, 490.0f, z * 0.5f), CVector3(10.0f, 1000.0f, z + 10.0f)};
}

} // namespace

// ------------------------------------------------------------------ part

CTerrainPartRep::CTerrainPartRep() : m_pParent(nullptr) {}

bool CTerrainPartRep::Create(CTerrainRep* parent, const CRefPtr<COGLModel>& model, CSceneGraph* sceneGraph,
                             IGameObj* owner)
{
    m_pOwner = owner;
    m_pParent = parent;
    m_pModel = model;
    if (!m_pModel)
        return false;
    SBoundingSphere sphere;
    SAxisAlignedBox box;
    ModelBounds(*m_pModel, sphere, box);
    Setup(sceneGraph, sphere, box);
    if (m_pSceneGraph)
        m_pSceneGraph->Insert(CRefPtr<ISceneEntry>(this));
    return true;
}

void CTerrainPartRep::Detach()
{
    if (m_pSceneNode)
        CModelRep::Detach();
}

// ------------------------------------------------------------------ representation

CTerrainRep::CTerrainRep() {}

CTerrainRep::~CTerrainRep()
{
    DetachParts();
}

bool CTerrainRep::Create(const std::string& section, CTerrainInfo* info, CSceneGraph* sceneGraph,
                         IGameObj* owner)
{
    m_pSceneGraph = sceneGraph;
    m_pOwner = owner;
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
    std::vector<CRefPtr<COGLModel>> models;
    if (!factory || !factory->CreateTerrain(section, info, models))
    {
        Log(16, "Error: CreateTerrain(%s) failed in CTerrainRep::Create", section.c_str());
        return false;
    }
    for (size_t i = 0; i < models.size(); ++i)
    {
        if (!AddPart(models[i], sceneGraph, owner))
        {
            Log(1, "Error: CTerrainPartRep::Create failed for part %lu!", static_cast<unsigned long>(i));
            return false;
        }
    }
    return true;
}

bool CTerrainRep::AddPart(const CRefPtr<COGLModel>& model, CSceneGraph* sceneGraph, IGameObj* owner)
{
    m_pSceneGraph = sceneGraph;
    m_pOwner = owner;
    CRefPtr<CTerrainPartRep> part(new CTerrainPartRep);
    m_Parts.push_back(part);
    const bool ok = part->Create(this, model, sceneGraph, owner);
    UniteBounds();
    return ok;
}

void CTerrainRep::UniteBounds()
{
    SAxisAlignedBox box;
    bool any = false;
    for (CRefPtr<CTerrainPartRep>& part : m_Parts)
    {
        if (!part->GetModel())
            continue;
        const SAxisAlignedBox& b = part->GetModelBox();
        if (!any)
            box = b;
        box.min = CVector3(std::min(box.min.x, b.min.x), std::min(box.min.y, b.min.y),
                           std::min(box.min.z, b.min.z));
        box.max = CVector3(std::max(box.max.x, b.max.x), std::max(box.max.y, b.max.y),
                           std::max(box.max.z, b.max.z));
        any = true;
    }
    SBoundingSphere sphere;
    if (any)
    {
        // Around the box centre, wide enough for every part's sphere.
        sphere.centre = (box.min + box.max) * 0.5f;
        sphere.radius = 0.0f;
        for (CRefPtr<CTerrainPartRep>& part : m_Parts)
        {
            if (!part->GetModel())
                continue;
            const SBoundingSphere& s = part->GetModelSphere();
            const CVector3 d = s.centre - sphere.centre;
            sphere.radius = std::max(sphere.radius, std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) + s.radius);
        }
    }
    Setup(m_pSceneGraph, sphere, box);
}

bool CTerrainRep::RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                                  float& distance)
{
    float best = 1.0e22f;
    bool hit = false;
    for (CRefPtr<CTerrainPartRep>& part : m_Parts)
    {
        CVector3 point;
        float d = 0.0f;
        // The model's test also reports hits behind the origin (negative
        // distance): a hill behind the camera is no hit.
        if (part->RayIntersection(origin, direction, point, d) && d >= 0.0f && d < best)
        {
            best = d;
            hitPoint = point;
            distance = d;
            hit = true;
        }
    }
    return hit;
}

void CTerrainRep::Render(const CFrustum&, bool)
{
    Log(1, "Error: CTerrainRep::Render should never be called!");
}

void CTerrainRep::Detach()
{
    // The parts hold the owner too: out of the graph with them.
    DetachParts();
    m_Parts.clear();
    m_pOwner = nullptr;
}

void CTerrainRep::DetachParts()
{
    for (CRefPtr<CTerrainPartRep>& part : m_Parts)
    {
        part->Detach();
        part->ForgetOwner();
    }
}

void CTerrainRep::ForgetOwner()
{
    m_pOwner = nullptr;
    for (CRefPtr<CTerrainPartRep>& part : m_Parts)
        part->ForgetOwner();
}

// ------------------------------------------------------------------ terrain

CTerrain::CTerrain(CGameCtrl* owner) : ICollidableObj(owner, TYPE_TERRAIN) {}

CTerrain::~CTerrain()
{
    CTerrain::Kill();
}

bool CTerrain::Create(const std::string& section)
{
    CRefPtr<CTerrainRep> rep(new CTerrainRep);
    if (!rep->Create(section, &m_Info, SceneOf(m_pOwner), this))
    {
        Log(16, "Error: m_pTerrainRep->Create failed in CTerrain::Create");
        // The parts made so far leave the graph with the representation.
        rep->Detach();
        return false;
    }
    m_pRepresentation = rep;
    CreateActor();
    return true;
}

void CTerrain::CreateActor()
{
    CEngineServices* services = CEngineServices::GetInstance();
    CPhysXMgr* physx = services ? services->GetPhysXMgr().Get() : nullptr;
    if (!physx)
        return;
    physx->BeginActor(m_Transform.GetWorldMatrix(), 0, false, 1.0f);
    if (m_Info.GetMesh())
        physx->AddTriangleMeshShape(CMatrix4(), m_Info.GetMesh());
    SWall walls[4];
    Walls(m_Info.GetSizeX(), m_Info.GetSizeZ(), walls);
    for (const SWall& wall : walls)
    {
        CMatrix4 pose;
        pose.SetTranslation(wall.centre);
        physx->AddBoxShape(pose, wall.size);
    }
    SetActor(physx->FinishActorCreation());
}

bool CTerrain::CreateForest(const std::string& section)
{
    if (m_pForest)
        return true;
    m_pForest = new CForest(m_pOwner);
    if (!m_pForest->Create(section, this))
    {
        Log(1, "Could not create Forest in CTerrain::CreateForest()!");
        return false;
    }
    return true;
}

void CTerrain::RemoveTreesAt(IGameObj* object)
{
    if (m_pForest)
        m_pForest->RemoveTreesAt(object);
}

void CTerrain::Kill()
{
    if (!m_pForest)
        return;
    // Held until the kill is done: the trees leave the graph now, not
    // whenever the last handle goes.
    CRefPtr<CForest> forest = m_pForest;
    m_pForest.Release();
    forest->Kill();
}
