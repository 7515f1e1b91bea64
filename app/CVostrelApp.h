#pragma once

#include "app/CApplication.h"
#include "app/CConsoleWindow.h"
#include "app/CFrameClock.h"
#include "app/IInputListener.h"
#include "app/IWindow.h"
#include "app/IWindowListener.h"
#include "game/CGameCtrl.h"

#include <cstdint>
#include <memory>

class CTestObserver;

// The application object: builds every service in a fixed order, runs the
// frame and tears down in order. It is a window listener (the user closed
// the main window) and an input listener (Escape quits).
//
// Start-up order of Create (each failure logs its line with flag 1 and
// returns false, leaving what stands for Destroy or the destructor):
//   1 settings  2 windows  3 engine services  4 renderer  5 input manager
//   6 sound manager  7 input listener at priority 100  8 frame clock
//   9 GUI manager  10 physics manager  11 game controller  12 show and clip.
class CVostrelApp : public CApplication, public IWindowListener, public IInputListener
{
public:
    // Quit flag set, no window, no clock, input priority 1000.
    CVostrelApp();
    // Runs Destroy again, then frees the console.
    ~CVostrelApp() override;

    bool Create() override;
    // Ticks the clock and runs the game's frame; false once quit was asked
    // or the game ended (a level that cannot be set up: Run then gives
    // kStartUpFailedExitCode, as for a failed start-up).
    bool Frame() override;
    // Game controller, engine services, clock, window, settings, in that
    // order; every step checks for an absent object, so repeating is harmless.
    void Destroy() override;

    // Console and main window from the "DISPLAY" settings section.
    bool CreateWindows();
    // The renderer on the main window, with the clear colour.
    bool SetupRenderEngine();

    // IWindowListener: the user closed the main window.
    void OnDestroy() override;
    // IInputListener: Escape (key code 1) asks to quit and is consumed.
    bool OnKeyDown(uint8_t key) override;

    bool IsQuitRequested() const { return m_bQuit; }
    const CRefPtr<IWindow>& GetWindow() const { return m_pWindow; }
    const CRefPtr<CFrameClock>& GetFrameClock() const { return m_pFrameClock; }
    CGameCtrl& GetGameCtrl() { return m_GameCtrl; }

    // Clear colour of the renderer, 0xRRGGBBAA.
    static constexpr uint32_t kClearColor = 0x3FBFEF00u;

private:
    CRefPtr<IWindow> m_pWindow;
    CRefPtr<CFrameClock> m_pFrameClock;
    bool m_bQuit;
    CConsoleWindow m_Console;
    CGameCtrl m_GameCtrl;
    // Only when a test asked for it (VOSTREL_TEST_OBSERVE).
    std::unique_ptr<CTestObserver> m_pObserver;
};
