#include "render/CBlendRenderHook.h"

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

void CBlendRenderHook::Begin()
{
    if (CRefPtr<IRenderer> renderer = Renderer())
        renderer->SetBlending(1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void CBlendRenderHook::End()
{
    if (CRefPtr<IRenderer> renderer = Renderer())
        renderer->SetBlending(0.0f);
}
