#include "platform/sys/MessageBox.h"
#include "platform/win32/W32MessageBox.h"
#include "tests/platform/win32/DummyVideo.h"

#include <cstdio>
#include <cstring>

using namespace plat;

namespace
{

using WindowLayer = testsupport::DummyVideoTest;

TEST_F(WindowLayer, ClassIsRegisteredOnceAndOutlivesItsWindows)
{
    WNDCLASSEXA wc{};
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = "TestClass";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    HWND w = Make();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(UnregisterClassA("TestClass", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_TRUE(UnregisterClassA("TestClass", nullptr));
    EXPECT_FALSE(UnregisterClassA("TestClass", nullptr));
    EXPECT_EQ(CreateWindowExA(0, "TestClass", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    // Registered again for TearDown.
    ASSERT_NE(RegisterClassExA(&wc), 0);
}

TEST_F(WindowLayer, CreatesHiddenWindowOfClientSizeAndDestroysWithMessage)
{
    HWND w = Make(640, 480);
    ASSERT_NE(w, nullptr);
    SDL_Window* sdl = GetSDLWindow(w);
    ASSERT_NE(sdl, nullptr);
    EXPECT_EQ(GetWindowFromSDLId(SDL_GetWindowID(sdl)), w);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_RESIZABLE);
    RECT r{};
    ASSERT_TRUE(GetClientRect(w, &r));
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
    EXPECT_TRUE(Log().empty()) << "creation sends nothing";

    ShowWindow(w, SW_SHOW);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN);
    SetWindowTextA(w, "Title");
    EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Title");
    SetWindowPos(w, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 500);
    EXPECT_EQ(r.bottom, 400);

    ASSERT_TRUE(DestroyWindow(w));
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, WM_DESTROY);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(GetSDLWindow(w), nullptr);
    EXPECT_FALSE(DestroyWindow(w));
}

TEST_F(WindowLayer, PumpTurnsWindowEventsIntoMessages)
{
    HWND w = Make();
    ASSERT_NE(w, nullptr);
    PumpEvents(); // whatever SDL queued at creation
    DiscardMessages();
    PushWindowEvent(w, SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(w, SDL_WINDOWEVENT_SIZE_CHANGED, 300, 150);
    PushWindowEvent(w, SDL_WINDOWEVENT_SIZE_CHANGED, 0, 0); // minimised: dropped
    PushWindowEvent(w, SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(w, SDL_WINDOWEVENT_MINIMIZED); // no message
    PushWindowEvent(w, SDL_WINDOWEVENT_RESTORED);  // windowed: no message
    EXPECT_EQ(DispatchAll(), 3);
    ASSERT_EQ(Log().size(), 3u);
    EXPECT_EQ(Log()[0].message, WM_ACTIVATEAPP);
    EXPECT_EQ(Log()[0].wParam, 1u);
    EXPECT_EQ(Log()[1].message, WM_SIZE);
    EXPECT_EQ(LOWORD(Log()[1].lParam), 300);
    EXPECT_EQ(HIWORD(Log()[1].lParam), 150);
    EXPECT_EQ(Log()[2].message, WM_ACTIVATEAPP);
    EXPECT_EQ(Log()[2].wParam, 0u);
    EXPECT_EQ(Log()[2].hwnd, w);
}

TEST_F(WindowLayer, CloseSendsDestroyOnceAndKeepsTheWindow)
{
    HWND a = Make();
    HWND b = Make();
    PumpEvents();
    DiscardMessages();
    PushWindowEvent(a, SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    DispatchAll();
    // a: WM_CLOSE, WM_DESTROY, WM_CLOSE (quit); b: WM_CLOSE, WM_DESTROY.
    std::vector<UINT> forA, forB;
    for (const auto& r : Log())
        (r.hwnd == a ? forA : forB).push_back(r.message);
    EXPECT_EQ(forA, (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_CLOSE}));
    EXPECT_EQ(forB, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_TRUE(IsWindow(a));
    EXPECT_TRUE(IsWindow(b));
    EXPECT_NE(GetSDLWindow(a), nullptr);
}

TEST_F(WindowLayer, TextAndControlKeysBecomeCharacters)
{
    HWND w = Make();
    PumpEvents();
    DiscardMessages();
    SDL_Event t{};
    t.type = SDL_TEXTINPUT;
    t.text.windowID = Id(w);
    std::strcpy(t.text.text, "a\xC3\xA9\xE2\x82\xAC"); // a, e-acute, euro sign
    SDL_PushEvent(&t);
    PushKey(w, SDL_SCANCODE_ESCAPE, true);
    PushKey(w, SDL_SCANCODE_BACKSPACE, true, 1); // repeats give characters too
    PushKey(w, SDL_SCANCODE_RETURN, true);
    PushKey(w, SDL_SCANCODE_TAB, true);
    PushKey(w, SDL_SCANCODE_A, true); // letters come as text only
    PushKey(w, SDL_SCANCODE_ESCAPE, false);
    DispatchAll();
    std::vector<WPARAM> chars;
    for (const auto& r : Log())
        if (r.message == WM_CHAR)
            chars.push_back(r.wParam);
    EXPECT_EQ(chars, (std::vector<WPARAM>{'a', 0xE9, 27, 8, 13, 9}));
}

TEST_F(WindowLayer, MaximiseBecomesTheFullScreenCommand)
{
    HWND w = Make();
    PumpEvents();
    DiscardMessages();
    PushWindowEvent(w, SDL_WINDOWEVENT_MAXIMIZED);
    DispatchAll();
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, WM_SYSCOMMAND);
    EXPECT_EQ(Log()[0].wParam, SC_MAXIMIZE);
    // The restore that the layer itself caused is not a user command.
    Log().clear();
    PushWindowEvent(w, SDL_WINDOWEVENT_MAXIMIZED);
    DispatchAll();
    EXPECT_TRUE(Log().empty());
}

TEST_F(WindowLayer, StyleDecidesFullScreenAtTheFrameChange)
{
    HWND w = Make(320, 200, 0x86000000u);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(GetSDLWindow(w)) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(static_cast<DWORD>(SetWindowLongA(w, GWL_STYLE, static_cast<LONG>(0x82CF0000u))), 0x86000000u);
    EXPECT_TRUE(SDL_GetWindowFlags(GetSDLWindow(w)) & SDL_WINDOW_FULLSCREEN)
        << "applied only at the frame change";
    SetWindowPos(w, nullptr, 30, 40, 300, 180, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    EXPECT_FALSE(SDL_GetWindowFlags(GetSDLWindow(w)) & SDL_WINDOW_FULLSCREEN);
    RECT r{};
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 180);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)), 0x82CF0000u);
}

TEST_F(WindowLayer, DisplayModesComeFromDisplayZero)
{
    HDC dc = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(CreateICA("PRINTER", nullptr, nullptr, nullptr), nullptr);
    const int w = GetDeviceCaps(dc, HORZRES), h = GetDeviceCaps(dc, VERTRES);
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
    DEVMODEA cur{};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &cur));
    EXPECT_EQ(static_cast<int>(cur.dmPelsWidth), w);
    EXPECT_EQ(static_cast<int>(cur.dmBitsPerPel), GetDeviceCaps(dc, BITSPIXEL));
    EXPECT_EQ(static_cast<int>(cur.dmDisplayFrequency), GetDeviceCaps(dc, VREFRESH));
    DeleteDC(dc);
    DEVMODEA first{};
    EXPECT_TRUE(EnumDisplaySettingsA(nullptr, 0, &first));
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 1000, &first));

    DEVMODEA big{};
    big.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    big.dmPelsWidth = static_cast<DWORD>(w) + 1000;
    big.dmPelsHeight = static_cast<DWORD>(h) + 1000;
    big.dmBitsPerPel = 32;
    EXPECT_EQ(ChangeDisplaySettingsA(&big, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
    DEVMODEA small = big;
    small.dmPelsWidth = 640;
    small.dmPelsHeight = 480;
    EXPECT_EQ(ChangeDisplaySettingsA(&small, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
}

TEST_F(WindowLayer, CursorCounterAndClip)
{
    HWND w = Make();
    EXPECT_EQ(ShowCursor(0), -1);
    EXPECT_EQ(ShowCursor(1), 0);
    RECT r{};
    GetClientRect(w, &r);
    POINT tl{r.left, r.top};
    ClientToScreen(w, &tl);
    EXPECT_EQ(tl.x, 10);
    EXPECT_EQ(tl.y, 20);
    POINT back = tl;
    ScreenToClient(w, &back);
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.y, 0);
    RECT clip{tl.x, tl.y, tl.x + r.right, tl.y + r.bottom};
    EXPECT_TRUE(ClipCursor(&clip));
    EXPECT_TRUE(ClipCursor(nullptr));
    POINT p{};
    EXPECT_TRUE(GetCursorPos(&p));
}

TEST_F(WindowLayer, RecreateKeepsTheHandle)
{
    HWND w = Make(200, 100);
    SetWindowTextA(w, "keep");
    SDL_Window* before = GetSDLWindow(w);
    const uint32_t oldId = Id(w);
    ASSERT_TRUE(RecreateSDLWindow(w));
    EXPECT_EQ(GetWindowFromSDLId(oldId), nullptr);
    EXPECT_EQ(GetWindowFromSDLId(Id(w)), w);
    EXPECT_STREQ(SDL_GetWindowTitle(GetSDLWindow(w)), "keep");
    (void)before;
}

// A box opens wherever a display can show one, whatever standard input is
// (a desktop launcher gives none): one row per environment, with standard
// input not a terminal.
TEST(MessageBoxSink, HeadlessRunsPrintInsteadOfBlocking)
{
    // Video not started: the driver SDL runs on is not asked.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    unsetenv("VOSTREL_NO_MESSAGEBOX");
    InstallMessageBoxSink();
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    // DISPLAY, WAYLAND_DISPLAY, SDL_VIDEODRIVER (null: unset), and whether a box opens.
    const struct
    {
        const char* vars[3];
        bool shown;
    } kRows[] = {
        {{":0", nullptr, nullptr}, true},
        {{nullptr, "wayland-0", nullptr}, true},
        {{":0", nullptr, "x11"}, true},
        {{":0", nullptr, "dummy"}, false},
        {{":0", nullptr, "offscreen"}, false},
        {{nullptr, nullptr, "x11"}, false},
        {{"", "", nullptr}, false},
    };
    for (const auto& row : kRows)
    {
        const char* const names[3] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
        for (int i = 0; i < 3; ++i)
            row.vars[i] ? setenv(names[i], row.vars[i], 1) : unsetenv(names[i]);
        EXPECT_EQ(CanShowMessageBox(), row.shown) << &row - kRows;
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "hello", "Information", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Information: hello\n");
    setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
}

} // namespace
