#include "render/CSceneGraph.h"

#include "app/CEngineServices.h"
#include "app/Log.h"

#include <cmath>
#include <new>

CSceneGraph::CSceneGraph() : m_fSizeX(0.0f), m_fSizeZ(0.0f), m_fY1(0.0f), m_fY2(0.0f), m_usDepth(0) {}

CSceneGraph::~CSceneGraph()
{
    DestroyNodes();
}

std::unique_ptr<CSceneGraphNode> CSceneGraph::BuildTree() const
{
    std::unique_ptr<CSceneGraphNode> root(new (std::nothrow) CSceneGraphNode);
    if (!root || !root->Build(0.0f, 0.0f, m_fSizeX, m_fSizeZ, m_fY1, m_fY2, m_usDepth, nullptr))
        return nullptr;
    return root;
}

void CSceneGraph::DropTrees()
{
    m_pRoot.reset();
    m_HookNodes.clear();
}

bool CSceneGraph::Create(float sizeX, float sizeZ, float y1, float y2, uint16_t depth)
{
    DropTrees();
    if (!std::isfinite(sizeX) || !std::isfinite(sizeZ) || !std::isfinite(y1) || !std::isfinite(y2) ||
        depth > MAX_DEPTH)
    {
        Log(1, "Error: invalid size (%g, %g, %g, %g) or depth %u in CSceneGraph::Create", sizeX, sizeZ, y1,
            y2, static_cast<unsigned>(depth));
        return false;
    }
    m_fSizeX = sizeX;
    m_fSizeZ = sizeZ;
    m_fY1 = y1;
    m_fY2 = y2;
    m_usDepth = depth;
    m_pRoot = BuildTree();
    if (!m_pRoot)
    {
        Log(1, "Error: out of memory in CSceneGraph::Create");
        return false;
    }
    return true;
}

CSceneGraphNode* CSceneGraph::AddHookNode(CRefPtr<IRenderHook> hook)
{
    std::unique_ptr<CSceneGraphNode> tree = BuildTree();
    if (!tree)
        return nullptr;
    tree->SetHook(hook);
    m_HookNodes.push_back(std::move(tree));
    return m_HookNodes.back().get();
}

void CSceneGraph::Insert(CRefPtr<ISceneEntry> entry)
{
    if (m_pRoot)
        m_pRoot->InsertObject(entry);
}

bool CSceneGraph::Remove(CRefPtr<ISceneEntry> entry)
{
    if (!entry)
        return false;
    if (m_pRoot && m_pRoot->RemoveObject(entry))
        return true;
    for (std::unique_ptr<CSceneGraphNode>& tree : m_HookNodes)
        if (tree && tree->RemoveObject(entry))
            return true;
    return false;
}

void CSceneGraph::RenderSky(IRenderer* renderer, ISceneEntry* sky, const CFrustum& frustum)
{
    // Worked out every frame: it must follow the camera whenever the sky
    // came, not only when the view changed since.
    m_SkyMatrix.SetViewRotation(m_pCamera->GetViewAngles());
    renderer->SetMatrixMode(1);
    renderer->PushMatrix();
    renderer->LoadMatrix(m_SkyMatrix);
    renderer->SetDepthWrite(0.0f);
    sky->RenderCulled(frustum, false);
    renderer->SetDepthWrite(1.0f);
    renderer->PopMatrix();
    renderer->SetLightDirection(m_LightDirection);
}

void CSceneGraph::Render(bool cull)
{
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<IRenderer> renderer = services ? services->GetRenderer() : CRefPtr<IRenderer>();
    if (!m_pCamera || !renderer)
        return;
    // Held for the frame: a hook or entry may change the graph's handles.
    CRefPtr<CCamera> camera = m_pCamera;
    camera->Apply();
    const CFrustum frustum = camera->GetFrustum();

    if (CRefPtr<ISceneEntry> sky = m_pSky)
        RenderSky(renderer.Get(), sky.Get(), frustum);

    if (CPhysXMgr* physics = services->GetPhysXMgr().Get())
        physics->RenderDebug();

    if (m_pRoot)
        m_pRoot->Render(frustum, cull);
    for (size_t i = 0; i < m_HookNodes.size(); ++i)
    {
        CSceneGraphNode* tree = m_HookNodes[i].get();
        CRefPtr<IRenderHook> hook = tree->GetHook();
        if (hook)
            hook->Begin();
        tree->Render(frustum, cull);
        if (hook)
            hook->End();
    }
}

bool CSceneGraph::RayIntersection(const CVector3& origin, const CVector3& direction,
                                  CRefPtr<ISceneEntry>& entry, CVector3& hitPoint)
{
    CVector3 unit = direction;
    if (!m_pCamera || !m_pRoot || unit.Normalize() == 0.0f || !std::isfinite(unit.x + unit.y + unit.z))
        return false;
    SPickResult best;
    m_pRoot->Pick(m_pCamera->GetFrustum(), true, origin, unit, best);
    if (!best.entry)
        return false;
    entry = best.entry;
    hitPoint = best.point;
    return true;
}

void CSceneGraph::DestroyNodes()
{
    DropTrees();
    m_pCamera.Release();
}
