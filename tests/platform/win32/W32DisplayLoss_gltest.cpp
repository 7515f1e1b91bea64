// The window layer when its X server goes away under a window with a current
// OpenGL context: whatever the program does next (pump messages, shut down,
// or just exit), the process ends at once instead of waiting on the dead
// connection. Each case runs in a child process (a death test) with an X
// server of its own, which it kills.

#include "platform/gl/WGL.h"
#include "platform/win32/W32DisplayLoss.h"
#include "platform/win32/W32Window.h"
#include "tests/platform/XServerProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace plat;

namespace
{

enum class After
{
    Pump,     // the run loop reads events
    ShutDown, // the program tears down context, window and SDL in order
    Exit      // the program ends through exit() without touching the display
};

void Report(const char* message)
{
    std::fprintf(stderr, "handler: %s\n", message);
}

// Runs in the death test's child; returns only through _exit or exit.
void LoseTheDisplay(After after, DisplayLostHandler handler)
{
    // A hang ends the child with SIGALRM, which fails the expectation.
    alarm(10);
    std::string display;
    const pid_t x = testsupport::StartXvfb(display);
    if (x <= 0)
        _exit(3);
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
    SetDisplayLostHandler(handler);

    WNDCLASSEXA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = "DisplayLoss";
    if (!RegisterClassExA(&wc))
        _exit(4);
    HWND window = CreateWindowExA(0, "DisplayLoss", "Display loss", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                                  nullptr, nullptr, nullptr, nullptr);
    ShowWindow(window, SW_SHOW);
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 24;
    if (!SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd))
        _exit(5);
    HGLRC rc = wglCreateContext(dc);
    if (!rc || !wglMakeCurrent(dc, rc))
        _exit(6);
    SwapBuffers(dc);

    kill(x, SIGKILL);
    waitpid(x, nullptr, 0);

    switch (after)
    {
    case After::Pump:
        for (;;)
        {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            Sleep(10);
        }
    case After::ShutDown:
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(rc);
        ReleaseDC(window, dc);
        DestroyWindow(window);
        QuitSDL();
        // Only when no call noticed the loss.
        _exit(0);
    case After::Exit:
        std::exit(0);
    }
}

const char kLost[] = "Error: Lost the connection to the display";

TEST(DisplayLoss, EndsTheProcessAtTheNextCallAndReportsIt)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The default report goes to the standard error stream.
    EXPECT_EXIT(LoseTheDisplay(After::Pump, nullptr), ::testing::ExitedWithCode(kDisplayLostExitCode),
                std::string("(^|\n)") + kLost + "\n");
    EXPECT_EXIT(LoseTheDisplay(After::Pump, &Report), ::testing::ExitedWithCode(kDisplayLostExitCode),
                std::string("(^|\n)handler: ") + kLost + "\n");
    // The shutdown's first X call finds the loss: nothing after it waits.
    EXPECT_EXIT(LoseTheDisplay(After::ShutDown, &Report), ::testing::ExitedWithCode(kDisplayLostExitCode),
                std::string("(^|\n)handler: ") + kLost + "\n");
    EXPECT_STREQ(DisplayLostMessage(), kLost);
}

TEST(DisplayLoss, NoExitHandlerTouchesTheDisplay)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // SDL is left running: exit must not shut it down on the dead display.
    EXPECT_EXIT(LoseTheDisplay(After::Exit, &Report), ::testing::ExitedWithCode(0), "");
}

} // namespace
