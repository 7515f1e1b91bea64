#pragma once

// The engine services on a hidden GL window for the game's GL tests: the
// generated Data tree in a temporary working folder, the real renderer, the
// sound manager over SDL's dummy driver, the GUI over a fake window and
// input, and a game controller that the tear-down destroys.

#include "app/CEngineServices.h"
#include "app/CPhysXMgr.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "render/COGLRenderer.h"
#include "tests/game/GameTestSupport.h"
#include "tests/support/GameData.h"

#include <cstdlib>

namespace glgametest
{

template <class TInput = guitest::FakeInput> class GLGameTest : public testsupport::TempDirTest
{
protected:
    GLGameTest(uint16_t width, uint16_t height)
        : m_Window(width, height, false), m_Width(width), m_Height(height)
    {
    }

    // Call under ASSERT_NO_FATAL_FAILURE; physics adds a physics scene.
    void StartServices(bool physics, double frame = 0.1)
    {
        ASSERT_TRUE(testsupport::CopyGameData(m_Dir.Path() + "/Data"));
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ASSERT_NE(m_Window.GetDC(), nullptr);
        CEngineServices::CreateInstance();
        CEngineServices* services = CEngineServices::GetInstance();
        ASSERT_NE(services, nullptr);
        m_pRenderer = static_cast<COGLRenderer*>(services->GetRenderer().Get());
        ASSERT_TRUE(m_pRenderer->CreateOnDC(m_Window.GetDC(), 32));
        m_pRenderer->OnSize(m_Width, m_Height);
        services->GetInputMgr() = m_pInput.Get();
        ASSERT_TRUE(services->GetSoundMgr()->Create());
        if (physics)
        {
            ASSERT_TRUE(services->GetPhysXMgr()->Create());
        }
        m_pClock->Reset(1, frame, -1.0);
        ASSERT_TRUE(services->GetGuiMgr()->Create(m_pWindow, m_pInput, m_pTimer, 1000, 1000));
    }
    void TearDown() override
    {
        m_Ctrl.Destroy();
        CEngineServices::DestroyInstance();
        CSettings::DestroyInstance();
    }

    plat::GLTestWindow m_Window;
    const uint16_t m_Width, m_Height;
    COGLRenderer* m_pRenderer = nullptr;
    CRefPtr<guitest::FakeWindow> m_pWindow{new guitest::FakeWindow(1000, 1000)};
    CRefPtr<TInput> m_pInput{new TInput};
    CRefPtr<CFrameClock> m_pClock{new CFrameClock(CRefPtr<CHiResTimer>(new CHiResTimer))};
    CRefPtr<CGameTimer> m_pTimer{new CGameTimer(m_pClock.Get())};
    gametest::TestGameCtrl m_Ctrl;
};

} // namespace glgametest
