#include "render/ISceneEntry.h"

#include "app/CEngineServices.h"
#include "render/CFrustum.h"
#include "render/CSceneGraphNode.h"

SRenderCounters& GetRenderCounters()
{
    static SRenderCounters counters;
    return counters;
}

void ISceneEntry::RenderCulled(const CFrustum& frustum, bool cull)
{
    SRenderCounters& counters = GetRenderCounters();
    if (cull)
    {
        ++counters.tested;
        const int inside = frustum.TestSphere(GetBoundingSphere());
        if (inside < 0)
            return;
        if (inside > 0)
            cull = false;
        else
        {
            if (!frustum.TestOrientedBox(GetBoundingBox()))
                return;
            ++counters.boxPassed;
        }
    }
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<IRenderer> renderer = services ? services->GetRenderer() : CRefPtr<IRenderer>();
    if (!renderer)
        return;
    ++counters.drawn;
    renderer->SetMatrixMode(1);
    renderer->PushMatrix();
    renderer->MultMatrix(GetWorldMatrix());
    Render(frustum, cull);
    renderer->PopMatrix();
}

void ISceneEntry::OnMoved()
{
    if (m_pSceneNode)
        m_pSceneNode->UpdateObject(CRefPtr<ISceneEntry>(this));
}
