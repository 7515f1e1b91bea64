#include "app/CEngineServices.h"

#include "app/CDInputMgr.h"
#include "app/CFModSoundMgr.h"
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
    m_pRenderer = new (std::nothrow) COGLRenderer;

    // [slot 2] a local CRefPtr<CTextureLoader>; then a CTerrainBuilder over a
    // copy of it and a CSCNLoader; then COGLModelFactory(scene loader, texture
    // loader, terrain builder) into m_pModelFactory. A failed allocation
    // leaves its handle null and skips what needs it; nothing is logged.
    // The renderer's settings then get the factory for their rebuilds:
    // m_pRenderer->GetRenderSettings()->SetModelFactory(factory), and null
    // again before the factory goes in the destructor.
}

CEngineServices::~CEngineServices()
{
    // Explicit releases, in member order.
    m_pRenderer.Release();

    // [slot 2] m_pModelFactory.Release();

    m_pInputMgr.Release();

    // [slot 4] m_pGuiMgr.Release();

    m_pSoundMgr.Release();

    m_pPhysXMgr.Release();
}

// Getters of the slots: the copy getters return the handle by value; the lazy
// ones construct their manager when the handle is null:
//
// [slot 2] CRefPtr<CModelFactory> CEngineServices::GetModelFactory() { return m_pModelFactory; }

CRefPtr<IInputMgr>& CEngineServices::GetInputMgr()
{
    if (m_pInputMgr.IsNull())
        m_pInputMgr = new (std::nothrow) CDInputMgr;
    return m_pInputMgr;
}

// [slot 4] CRefPtr<CGuiMgr>& CEngineServices::GetGuiMgr() (CGuiMgr)

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
