#include "app/CEngineServices.h"

#include "app/CDInputMgr.h"
#include "app/CFModSoundMgr.h"

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
    // [slot 1] m_pRenderer = new (std::nothrow) COGLRenderer;

    // [slot 2] a local CRefPtr<CTextureLoader>; then a CTerrainBuilder over a
    // copy of it and a CSCNLoader; then COGLModelFactory(scene loader, texture
    // loader, terrain builder) into m_pModelFactory. A failed allocation
    // leaves its handle null and skips what needs it; nothing is logged.
}

CEngineServices::~CEngineServices()
{
    // Explicit releases, in member order.
    // [slot 1] m_pRenderer.Release();

    // [slot 2] m_pModelFactory.Release();

    m_pInputMgr.Release();

    // [slot 4] m_pGuiMgr.Release();

    m_pSoundMgr.Release();

    m_pPhysXMgr.Release();
}

// Getters of the slots: the copy getters return the handle by value; the lazy
// ones construct their manager when the handle is null:
//
// [slot 1] CRefPtr<IRenderer> CEngineServices::GetRenderer() { return m_pRenderer; }

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
