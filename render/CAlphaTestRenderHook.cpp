#include "render/CAlphaTestRenderHook.h"

#include "app/CEngineServices.h"
#include "platform/gl/GL.h"

namespace
{

CRefPtr<IRenderer> Renderer()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetRenderer() : CRefPtr<IRenderer>();
}

} // namespace

void CAlphaTestRenderHook::Begin()
{
    glDisable(GL_CULL_FACE);
    if (CRefPtr<IRenderer> renderer = Renderer())
        renderer->SetAlphaTest(1.0f);
    glAlphaFunc(GL_GREATER, 0.5f);
}

void CAlphaTestRenderHook::End()
{
    glEnable(GL_CULL_FACE);
    if (CRefPtr<IRenderer> renderer = Renderer())
        renderer->SetAlphaTest(0.0f);
}
