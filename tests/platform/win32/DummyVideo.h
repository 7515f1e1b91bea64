#pragma once

#include "platform/win32/W32Events.h"
#include "platform/win32/W32Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace testsupport
{

// SDL video on the dummy driver (no X needed, no OpenGL), with one window
// class whose procedure records every message it gets.
class DummyVideoTest : public ::testing::Test
{
protected:
    struct Rec
    {
        plat::HWND hwnd;
        plat::UINT message;
        plat::WPARAM wParam;
        plat::LPARAM lParam;
    };
    static std::vector<Rec>& Log()
    {
        static std::vector<Rec> log;
        return log;
    }
    static plat::LRESULT Proc(plat::HWND h, plat::UINT m, plat::WPARAM w, plat::LPARAM l)
    {
        Log().push_back(Rec{h, m, w, l});
        if (m == plat::WM_CLOSE)
            return plat::DefWindowProcA(h, m, w, l);
        return 0;
    }

    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
        Log().clear();
        plat::WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Proc;
        wc.lpszClassName = "TestClass";
        ASSERT_NE(plat::RegisterClassExA(&wc), 0);
    }
    void TearDown() override
    {
        for (plat::HWND w : m_Windows)
            if (plat::IsWindow(w))
                plat::DestroyWindow(w);
        plat::UnregisterClassA("TestClass", nullptr);
        plat::DiscardMessages();
    }

    plat::HWND Make(int w = 320, int h = 200, plat::DWORD style = 0x86CD0000u)
    {
        plat::HWND hwnd = plat::CreateWindowExA(0, "TestClass", "test", style, 10, 20, w, h, nullptr, nullptr,
                                                plat::GetModuleHandleA(nullptr), nullptr);
        if (hwnd)
            m_Windows.push_back(hwnd);
        return hwnd;
    }

    static uint32_t Id(plat::HWND hwnd) { return SDL_GetWindowID(plat::GetSDLWindow(hwnd)); }

    static void PushWindowEvent(plat::HWND hwnd, Uint8 event, int d1 = 0, int d2 = 0)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = Id(hwnd);
        e.window.event = event;
        e.window.data1 = d1;
        e.window.data2 = d2;
        SDL_PushEvent(&e);
    }

    static void PushKey(plat::HWND hwnd, SDL_Scancode sc, bool down, int repeat = 0)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = hwnd ? Id(hwnd) : 0;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = static_cast<Uint8>(repeat);
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
        SDL_PushEvent(&e);
    }

    // Dispatches every pending message; returns how many there were.
    static int DispatchAll()
    {
        int n = 0;
        plat::MSG msg;
        while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE))
        {
            plat::TranslateMessage(&msg);
            plat::DispatchMessageA(&msg);
            ++n;
        }
        return n;
    }

    std::vector<plat::HWND> m_Windows;
};

} // namespace testsupport
