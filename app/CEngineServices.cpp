#include "app/CEngineServices.h"

#include "app/CDInputMgr.h"
#include "app/CFModSoundMgr.h"
#include "render/COGLGlobalRenderSettings.h"
#include "render/COGLModelFactory.h"
#include "render/COGLRenderer.h"

#include <new>

CEngineServices* CEngineServices::s_pInstance = nullptr;

void CEngineServices::CreateInstance()
{
    if (!s_pInstance)
        s_pInstance = new (std::nothrow) CEngineServices;
}

void CEngineServices::DestroyInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

CEngineServices::CEngineServices()
{
    COGLRenderer* renderer = new (std::nothrow) COGLRenderer;
    m_pRenderer = renderer;

    // The loader lives on through the terrain builder and the factory once
    // the local handle goes. A failed allocation leaves its handle null and
    // skips what needs it; nothing is logged.
    CRefPtr<CTextureLoader> textureLoader(new (std::nothrow) CTextureLoader);
    CRefPtr<CTerrainBuilder> terrainBuilder(new (std::nothrow) CTerrainBuilder(textureLoader));
    CRefPtr<CSCNLoader> sceneLoader(new (std::nothrow) CSCNLoader);
    m_pModelFactory =
        new (std::nothrow) COGLModelFactory(sceneLoader, textureLoader, terrainBuilder, renderer);

    // The renderer's settings get the factory for their rebuilds.
    if (m_pRenderer && m_pModelFactory)
        m_pRenderer->GetRenderSettings()->SetModelFactory(m_pModelFactory.Get());
}

void CEngineServices::SetModelFactory(CRefPtr<CModelFactory> factory)
{
    // The settings hold the factory uncounted: they must never keep the old one.
    if (m_pRenderer)
        if (CRefPtr<COGLGlobalRenderSettings> settings = m_pRenderer->GetRenderSettings())
            settings->SetModelFactory(factory.Get());
    m_pModelFactory = factory;
}

CEngineServices::~CEngineServices()
{
    // The GUI's display lists and font go while the context is alive (the
    // renderer's release below may end it); this also takes the GUI off the
    // window's and the input manager's listener lists.
    if (m_pGuiMgr)
        m_pGuiMgr->Destroy();

    // Explicit releases, in member order.
    // The settings must not reach the factory once it is gone (the renderer
    // may outlive this object through other handles).
    if (m_pRenderer)
    {
        CRefPtr<COGLGlobalRenderSettings> settings = m_pRenderer->GetRenderSettings();
        if (settings)
            settings->SetModelFactory(nullptr);
    }
    m_pRenderer.Release();
    m_pModelFactory.Release();

    m_pInputMgr.Release();

    m_pGuiMgr.Release();

    m_pSoundMgr.Release();

    m_pPhysXMgr.Release();
}

// Getters of the slots: the copy getters return the handle by value; the lazy
// ones construct their manager when the handle is null.

CRefPtr<IInputMgr>& CEngineServices::GetInputMgr()
{
    if (m_pInputMgr.IsNull())
        m_pInputMgr = new (std::nothrow) CDInputMgr;
    return m_pInputMgr;
}

CRefPtr<CGuiMgr>& CEngineServices::GetGuiMgr()
{
    if (m_pGuiMgr.IsNull())
        m_pGuiMgr = new (std::nothrow) CGuiMgr;
    return m_pGuiMgr;
}

CRefPtr<ISoundMgr>& CEngineServices::GetSoundMgr()
{
    if (m_pSoundMgr.IsNull())
        m_pSoundMgr = new (std::nothrow) CFModSoundMgr;
    return m_pSoundMgr;
}

CRefPtr<CPhysXMgr>& CEngineServices::GetPhysXMgr()
{
    if (m_pPhysXMgr.IsNull())
        m_pPhysXMgr = new (std::nothrow) CPhysXMgr;
    return m_pPhysXMgr;
}
