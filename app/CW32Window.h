#pragma once

#include "app/IWindow.h"

#include <cstddef>
#include <map>

// The main window over the platform's Win32 window layer. Registers its
// window class "RCW32Window" with the first window and unregisters it with
// the last; one shared window procedure routes messages to the window's
// listeners through a process-wide handle map.
class CW32Window : public IWindow
{
public:
    CW32Window();
    // Only clears the listener list: the owner calls Destroy first.
    ~CW32Window() override;

    // Created hidden. Full screen changes the display mode to width x height
    // first and silently falls back to windowed mode when that fails.
    // Failures log their line to "Error.log" only (flag 16; the caller says
    // what it means for the player) and return false.
    bool Create(plat::HINSTANCE instance, const char* title, uint16_t width, uint16_t height,
                uint8_t fullscreen, int16_t x, int16_t y, uint8_t bits) override;
    // Both ignored while full screen; otherwise applied and kept as the
    // windowed position or size.
    void SetPosition(int16_t x, int16_t y) override;
    void SetSize(uint16_t width, uint16_t height) override;
    void SetTitle(const char* title) override;
    // Switches mode at client size width x height, telling the listeners
    // before and after. Windowed mode returns to the kept windowed position
    // and to the desktop display mode.
    void SetFullscreen(bool fullscreen, uint16_t width, uint16_t height) override;
    void Show(bool show) override;
    bool IsCreated() const override { return m_hWnd != nullptr; }
    bool IsFullscreen() const override { return m_ucFullscreen != 0; }
    uint8_t GetBits() const override { return m_ucBits; }
    void GetSize(uint16_t& width, uint16_t& height) const override;
    plat::HWND GetHandle() const override { return m_hWnd; }
    // Leaves the handle map first, so the window's destruction reaches no
    // listener; unregisters the class with the last window; clears the
    // listeners and Resets. Safe without a window.
    void Destroy() override;
    // Zeroes the window handle and the instance handle.
    virtual void Reset();

    uint16_t GetWindowedWidth() const { return m_usWindowedWidth; }
    uint16_t GetWindowedHeight() const { return m_usWindowedHeight; }
    int16_t GetWindowedX() const { return m_sWindowedX; }
    int16_t GetWindowedY() const { return m_sWindowedY; }
    uint32_t GetDesktopWidth() const { return m_dwDesktopWidth; }
    uint32_t GetDesktopHeight() const { return m_dwDesktopHeight; }

    // The desktop's size in pixels (the display mode Create keeps); false
    // when there is no display to ask.
    static bool ReadScreenSize(uint32_t& width, uint32_t& height);

    static bool IsClassRegistered() { return s_bClassRegistered; }
    static size_t GetWindowCount() { return s_WindowMap.size(); }

    // Window styles: full screen, windowed at creation (no minimise box),
    // windowed after a switch back from full screen.
    static constexpr plat::DWORD kStyleFullscreen = 0x86000000u;
    static constexpr plat::DWORD kStyleWindowed = 0x86CD0000u;
    static constexpr plat::DWORD kStyleWindowedAfterSwitch = 0x82CF0000u;

private:
    static plat::LRESULT WndProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wParam,
                                 plat::LPARAM lParam);
    plat::LRESULT HandleMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam);
    bool RegisterWindowClass();
    void ReadDesktopMode();
    // The display-mode change for full screen; true when it took.
    bool ChangeToFullscreenMode(uint16_t width, uint16_t height);
    void RestoreDesktopMode();
    template <class F> void ForEachListener(F f);

    plat::HWND m_hWnd;
    plat::HINSTANCE m_hInstance;
    uint8_t m_ucFullscreen;
    uint8_t m_ucBits;
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    uint16_t m_usWindowedWidth;
    uint16_t m_usWindowedHeight;
    int16_t m_sWindowedX;
    int16_t m_sWindowedY;
    uint32_t m_dwDesktopWidth;
    uint32_t m_dwDesktopHeight;
    uint32_t m_dwDesktopBits;
    uint32_t m_dwDesktopRefresh;

    static std::map<plat::HWND, CW32Window*> s_WindowMap;
    static bool s_bClassRegistered;
};
