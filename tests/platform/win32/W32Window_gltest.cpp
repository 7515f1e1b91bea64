// The window layer on a real X server (Xvfb): OpenGL-capable windows, the
// full-screen switch and the cursor.

#include "platform/win32/W32Events.h"
#include "platform/win32/W32Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace plat;

namespace
{

std::vector<MSG> g_Messages;

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    g_Messages.push_back(MSG{h, m, w, l, 0, {0, 0}});
    return DefWindowProcA(h, m, w, l);
}

class XWindowLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        unsetenv("SDL_VIDEODRIVER");
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
        ASSERT_TRUE(InitVideo()) << SDL_GetError();
        WNDCLASSEXA wc{};
        wc.lpfnWndProc = &Proc;
        wc.lpszClassName = "XTest";
        ASSERT_NE(RegisterClassExA(&wc), 0);
        g_Messages.clear();
    }
    void TearDown() override
    {
        if (IsWindow(m_hWnd))
            DestroyWindow(m_hWnd);
        UnregisterClassA("XTest", nullptr);
        ChangeDisplaySettingsA(nullptr, 0);
    }
    // Pumps for up to ms milliseconds or until pred holds.
    template <class P> bool PumpUntil(P pred, int ms = 2000)
    {
        for (int t = 0; t < ms; t += 10)
        {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            if (pred())
                return true;
            SDL_Delay(10);
        }
        return false;
    }
    HWND m_hWnd = nullptr;
};

TEST_F(XWindowLayer, WindowHostsAnOpenGLContext)
{
    m_hWnd =
        CreateWindowExA(0, "XTest", "gl", 0x86CD0000u, 50, 60, 320, 240, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m_hWnd, nullptr) << SDL_GetError();
    SDL_Window* sdl = GetSDLWindow(m_hWnd);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL);
    ShowWindow(m_hWnd, SW_SHOW);
    SDL_GLContext ctx = SDL_GL_CreateContext(sdl);
    ASSERT_NE(ctx, nullptr) << SDL_GetError();
    EXPECT_EQ(SDL_GL_MakeCurrent(sdl, ctx), 0);
    SDL_GL_SwapWindow(sdl);
    SDL_GL_DeleteContext(ctx);

    // A new visual: the handle stays, the new SDL window takes a context too.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    ASSERT_TRUE(RecreateSDLWindow(m_hWnd));
    sdl = GetSDLWindow(m_hWnd);
    ctx = SDL_GL_CreateContext(sdl);
    ASSERT_NE(ctx, nullptr) << SDL_GetError();
    SDL_GL_DeleteContext(ctx);
    SDL_GL_ResetAttributes();
}

TEST_F(XWindowLayer, FullScreenAndBackRestoresTheWindowedClientSize)
{
    m_hWnd = CreateWindowExA(0, "XTest", "fs", 0x86CD0000u, 200, 150, 640, 480, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    ShowWindow(m_hWnd, SW_SHOW);
    HDC dc = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    const int dw = GetDeviceCaps(dc, HORZRES), dh = GetDeviceCaps(dc, VERTRES);
    DeleteDC(dc);
    EXPECT_EQ(dw, 1280);
    EXPECT_EQ(dh, 1024);

    DEVMODEA dm{};
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    dm.dmPelsWidth = 640;
    dm.dmPelsHeight = 480;
    dm.dmBitsPerPel = 32;
    ASSERT_EQ(ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(0x86000000u));
    SetWindowPos(m_hWnd, nullptr, 0, 0, 640, 480, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    EXPECT_TRUE(SDL_GetWindowFlags(GetSDLWindow(m_hWnd)) & SDL_WINDOW_FULLSCREEN);

    SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(0x82CF0000u));
    ChangeDisplaySettingsA(nullptr, 0);
    SetWindowPos(m_hWnd, nullptr, 200, 150, 640, 480, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    EXPECT_FALSE(SDL_GetWindowFlags(GetSDLWindow(m_hWnd)) & SDL_WINDOW_FULLSCREEN);
    RECT rc{};
    EXPECT_TRUE(PumpUntil(
        [&]
        {
            GetClientRect(m_hWnd, &rc);
            return rc.right == 640 && rc.bottom == 480;
        }));
    // Every size message that reached the window was a real size.
    for (const MSG& m : g_Messages)
        if (m.message == WM_SIZE)
        {
            EXPECT_GT(LOWORD(static_cast<uintptr_t>(m.lParam)), 0);
            EXPECT_GT(HIWORD(static_cast<uintptr_t>(m.lParam)), 0);
        }
}

TEST_F(XWindowLayer, CursorPositionIsWindowRelativeAfterThePump)
{
    m_hWnd = CreateWindowExA(0, "XTest", "cursor", 0x86CD0000u, 100, 80, 400, 300, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    ShowWindow(m_hWnd, SW_SHOW);
    PumpUntil([] { return false; }, 200);
    SDL_WarpMouseInWindow(GetSDLWindow(m_hWnd), 30, 40);
    POINT p{};
    EXPECT_TRUE(PumpUntil(
        [&]
        {
            GetCursorPos(&p);
            ScreenToClient(m_hWnd, &p);
            return p.x == 30 && p.y == 40;
        }))
        << p.x << "," << p.y;
    RECT rc{};
    GetClientRect(m_hWnd, &rc);
    POINT tl{0, 0};
    ClientToScreen(m_hWnd, &tl);
    const RECT clip{tl.x, tl.y, tl.x + rc.right, tl.y + rc.bottom};
    EXPECT_TRUE(ClipCursor(&clip));
    EXPECT_EQ(ShowCursor(0), -1);
    ShowCursor(1);
    EXPECT_TRUE(ClipCursor(nullptr));
}

} // namespace
