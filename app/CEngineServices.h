#pragma once

#include "app/CPhysXMgr.h"
#include "app/CRefCounted.h"
#include "app/IInputMgr.h"
#include "app/ISoundMgr.h"
#include "render/CGuiMgr.h"
#include "render/CModelFactory.h"
#include "render/IRenderer.h"

// The one process-wide service object through which the game reaches the
// renderer, the model factory and the input, GUI, sound and physics managers.
// The application creates it at start-up (CreateInstance) and deletes it at
// shutdown (DestroyInstance); everything else reaches it through
// GetInstance(). Main thread only.
//
// It holds six handles, in this member order: renderer, model factory (both
// made by the constructor), input manager, GUI manager, sound manager and
// physics manager (each constructed, not created, by the first call of its
// getter; the application calls their Create). GetRenderer and
// GetModelFactory return a copy of the handle; the four manager getters
// return a reference to the stored handle. The destructor releases the six
// handles explicitly in member order; an object still held elsewhere lives on
// until its last holder lets go. The GUI manager is emptied (Destroy) first:
// its font and widgets own display lists, which must go while the renderer
// and its context still exist.
//
// The handles and getters are added together with the classes they hold: each
// marked slot below (header and source) takes its member, its getter and, in
// the constructor and destructor, its line.
class CEngineServices
{
public:
    // Makes the instance when there is none (allocation failure leaves the
    // pointer null); a second call while it exists does nothing.
    static void CreateInstance();
    static CEngineServices* GetInstance() { return s_pInstance; }
    // Deletes the instance, if any, and clears the pointer.
    static void DestroyInstance();

    virtual ~CEngineServices();

    CEngineServices(const CEngineServices&) = delete;
    CEngineServices& operator=(const CEngineServices&) = delete;

    // The renderer (a COGLRenderer); null only when its allocation failed.
    CRefPtr<IRenderer> GetRenderer() { return m_pRenderer; }
    // The model factory (a COGLModelFactory); null only when an allocation failed.
    CRefPtr<CModelFactory> GetModelFactory() { return m_pModelFactory; }
    // Puts another model factory (may be empty) in place of the built one,
    // the renderer's settings included (tests give the game objects models
    // without an OpenGL context this way).
    void SetModelFactory(CRefPtr<CModelFactory> factory);

    // Makes the CDInputMgr on first call (left null when allocation fails).
    CRefPtr<IInputMgr>& GetInputMgr();

    // Makes the GUI manager (not Create-d) on the first call.
    CRefPtr<CGuiMgr>& GetGuiMgr();

    // Makes the sound manager (not Create-d) on the first call.
    CRefPtr<ISoundMgr>& GetSoundMgr();

    // Makes the physics manager (not Create-d) on the first call.
    CRefPtr<CPhysXMgr>& GetPhysXMgr();

protected:
    // Builds the renderer, then the texture loader, terrain builder, model
    // importer and the model factory over them.
    CEngineServices();

private:
    static CEngineServices* s_pInstance;

    // Members in this order (the destructor releases them in it):
    CRefPtr<IRenderer> m_pRenderer;

    CRefPtr<CModelFactory> m_pModelFactory;

    CRefPtr<IInputMgr> m_pInputMgr;

    CRefPtr<CGuiMgr> m_pGuiMgr;

    CRefPtr<ISoundMgr> m_pSoundMgr;

    CRefPtr<CPhysXMgr> m_pPhysXMgr;
};
