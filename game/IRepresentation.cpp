#include "game/IRepresentation.h"

#include "app/CEngineServices.h"
#include "app/Log.h"
#include "game/IGameObj.h"
#include "render/CModelFactory.h"
#include "render/CSceneGraph.h"

#include <algorithm>

IRepresentation::IRepresentation()
    : m_pSceneGraph(nullptr), m_bWorldSphereValid(false), m_bWorldBoxValid(false)
{
}

void IRepresentation::Setup(CSceneGraph* sceneGraph, const SBoundingSphere& sphere, const SAxisAlignedBox& box)
{
    m_pSceneGraph = sceneGraph;
    m_ModelSphere = sphere;
    m_ModelBox = box;
    m_bWorldSphereValid = false;
    m_bWorldBoxValid = false;
}

void IRepresentation::OnMoved()
{
    m_bWorldSphereValid = false;
    m_bWorldBoxValid = false;
    ISceneEntry::OnMoved();
}

void IRepresentation::Detach()
{
    // In a destructor the count is 0 and a handle would delete us again; a
    // representation in a graph is never destroyed anyway (the graph counts).
    if (GetRefCount() > 0 && m_pSceneGraph)
        m_pSceneGraph->Remove(CRefPtr<ISceneEntry>(this));
}

SBoundingSphere IRepresentation::GetBoundingSphere()
{
    if (!m_bWorldSphereValid)
    {
        const CVector3 scale = GetScale();
        CVector3 centre(m_ModelSphere.centre.x * scale.x, m_ModelSphere.centre.y * scale.y,
                        m_ModelSphere.centre.z * scale.z);
        CMatrix4 rotation;
        rotation.SetRotation(GetRotation());
        rotation.TransformPoint(m_WorldSphere.centre, centre);
        m_WorldSphere.centre += GetPosition();
        m_WorldSphere.radius = m_ModelSphere.radius * std::max({scale.x, scale.y, scale.z});
        m_bWorldSphereValid = true;
    }
    return m_WorldSphere;
}

SOrientedBox IRepresentation::GetBoundingBox()
{
    if (!m_bWorldBoxValid)
    {
        const CVector3 scale = GetScale();
        SAxisAlignedBox scaled;
        scaled.min = CVector3(m_ModelBox.min.x * scale.x, m_ModelBox.min.y * scale.y, m_ModelBox.min.z * scale.z);
        scaled.max = CVector3(m_ModelBox.max.x * scale.x, m_ModelBox.max.y * scale.y, m_ModelBox.max.z * scale.z);
        m_WorldBox = TranslateBox(RotateBox(scaled, GetRotation()), GetPosition());
        m_bWorldBoxValid = true;
    }
    return m_WorldBox;
}

void IRepresentation::SetVisible(bool visible)
{
    if (!m_pSceneGraph)
        return;
    if (visible)
    {
        if (!m_pSceneNode)
            m_pSceneGraph->Insert(CRefPtr<ISceneEntry>(this));
    }
    else
        m_pSceneGraph->Remove(CRefPtr<ISceneEntry>(this));
}

// ---------------------------------------------------------- model representation

CModelRep::CModelRep() : m_pOwner(nullptr)
{
}

CModelRep::~CModelRep()
{
    m_pModel.Release();
    Detach();
}

CVector3 CModelRep::GetPosition() const
{
    return m_pOwner ? m_pOwner->GetPosition() : CVector3();
}

CVector3 CModelRep::GetRotation() const
{
    return m_pOwner ? m_pOwner->GetRotation() : CVector3();
}

CVector3 CModelRep::GetScale() const
{
    return m_pOwner ? m_pOwner->GetTransform().GetScale() : CVector3(1.0f, 1.0f, 1.0f);
}

CMatrix4 CModelRep::GetWorldMatrix()
{
    return m_pOwner ? m_pOwner->GetTransform().GetWorldMatrix() : CMatrix4();
}

bool CModelRep::RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                                float& distance)
{
    if (!m_pModel)
        return false;
    return m_pModel->RayIntersection(GetPosition(), GetRotation(), origin, direction, hitPoint, distance);
}

void CModelRep::Render(const CFrustum&, bool)
{
    if (m_pModel)
        m_pModel->Render();
}

bool CModelRep::CreateModel(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner,
                            const char* kind, bool insert)
{
    m_pOwner = owner;
    m_pSceneGraph = sceneGraph;
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
    if (factory)
        m_pModel = factory->getModel(modelName);
    if (!m_pModel)
    {
        Log(16, "Error: getModel failed in %s::Create", kind);
        return false;
    }
    SBoundingSphere sphere;
    SAxisAlignedBox box;
    ModelBounds(*m_pModel, sphere, box);
    Setup(sceneGraph, sphere, box);
    if (insert && m_pSceneGraph)
        m_pSceneGraph->Insert(CRefPtr<ISceneEntry>(this));
    return true;
}

void CModelRep::ModelBounds(const COGLModel& model, SBoundingSphere& sphere, SAxisAlignedBox& box)
{
    model.GetBoundingSphere(sphere.centre.x, sphere.centre.y, sphere.centre.z, sphere.radius);
    model.GetBoundingBox(box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z);
}
