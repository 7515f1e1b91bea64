#include "platform/win32/W32Window.h"

#include "platform/win32/W32Console.h"
#include "platform/win32/W32DisplayLoss.h"
#include "platform/win32/W32Events.h"
#include "platform/win32/W32MessageBox.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The window record behind an HWND.
struct plat::HWND__
{
    SDL_Window* sdl = nullptr;
    uint32_t id = 0;
    std::string className;
    plat::WNDPROC proc = nullptr;
    plat::DWORD style = 0;
    bool destroySent = false; // WM_DESTROY already went out for a user close
    uint32_t guardUntil = 0;  // SDL ticks before which MAXIMIZED/RESTORED are our own
};

struct plat::HINSTANCE__
{
    int unused;
};

struct plat::HDC__
{
    int unused;
};

namespace plat
{
namespace
{

// How long after one of our own state changes MAXIMIZED and RESTORED events
// are taken as its echo rather than the user's command.
constexpr uint32_t kStateEchoMs = 500;

struct ClassRec
{
    WNDCLASSEXA wc;
    std::string name;
};

struct State
{
    std::map<std::string, ClassRec> classes;
    std::vector<HWND> windows;
    std::deque<MSG> queue;
    std::vector<std::pair<EventHook, void*>> hooks;
    DWORD lastError = 0;
    bool modeSet = false; // false: full-screen windows use the desktop mode
    SDL_DisplayMode mode{};
    int cursorCount = 0;
    bool clipOn = false;
    HWND clipWindow = nullptr;
};

State& S()
{
    static State s;
    return s;
}

HINSTANCE__ g_Module;
HDC__ g_DisplayDc;
// Tokens for icons, cursor and brush: non-null, never dereferenced.
int g_IconToken, g_CursorToken, g_BrushToken;

bool IsKnown(HWND hwnd)
{
    const auto& w = S().windows;
    return hwnd && std::find(w.begin(), w.end(), hwnd) != w.end();
}

bool IsFullscreenStyle(DWORD style)
{
    return (style & WS_CAPTION) == 0;
}

bool IsDummyDriver()
{
    const char* d = SDL_GetCurrentVideoDriver();
    return d && std::strcmp(d, "dummy") == 0;
}

bool IsInvisibleDriver(const char* name)
{
    return std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0;
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd)
        return;
    MSG m{};
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = SDL_GetTicks();
    S().queue.push_back(m);
}

void GuardStateEcho(HWND hwnd)
{
    hwnd->guardUntil = SDL_GetTicks() + kStateEchoMs;
}

bool InStateEcho(HWND hwnd)
{
    return !SDL_TICKS_PASSED(SDL_GetTicks(), hwnd->guardUntil);
}

// Keyboard events without a window id go to the first window.
HWND TargetOf(uint32_t windowId)
{
    HWND w = GetWindowFromSDLId(windowId);
    if (!w && windowId == 0 && !S().windows.empty())
        w = S().windows.front();
    return w;
}

void UpdateRelativeMode()
{
    const bool relative = S().clipOn && S().cursorCount < 0;
    if (SDL_GetRelativeMouseMode() != (relative ? SDL_TRUE : SDL_FALSE))
        SDL_SetRelativeMouseMode(relative ? SDL_TRUE : SDL_FALSE);
}

// Makes the SDL window match the record's style: full screen in the mode in
// force, or windowed (bordered, resizable with WS_THICKFRAME).
void ApplyStyle(HWND hwnd)
{
    GuardStateEcho(hwnd);
    if (IsFullscreenStyle(hwnd->style))
    {
        SDL_DisplayMode mode = S().mode;
        if (!S().modeSet)
            SDL_GetDesktopDisplayMode(0, &mode);
        SDL_SetWindowDisplayMode(hwnd->sdl, &mode);
        // The window itself is first given the mode's size at the origin:
        // without a window manager (a bare X server, Xvfb) nobody else
        // resizes it, and SDL would report the mode's size for a smaller
        // window, so that the picture came out cropped and the cursor
        // offset from what was drawn.
        SDL_SetWindowSize(hwnd->sdl, mode.w, mode.h);
        SDL_SetWindowPosition(hwnd->sdl, 0, 0);
        SDL_SetWindowFullscreen(hwnd->sdl, SDL_WINDOW_FULLSCREEN);
    }
    else
    {
        SDL_SetWindowFullscreen(hwnd->sdl, 0);
        SDL_SetWindowBordered(hwnd->sdl, SDL_TRUE);
        SDL_SetWindowResizable(hwnd->sdl, (hwnd->style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
    }
}

void PostText(HWND hwnd, const char* text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p)
    {
        uint32_t cp;
        int extra;
        if (*p < 0x80)
        {
            cp = *p;
            extra = 0;
        }
        else if ((*p & 0xE0) == 0xC0)
        {
            cp = *p & 0x1F;
            extra = 1;
        }
        else if ((*p & 0xF0) == 0xE0)
        {
            cp = *p & 0x0F;
            extra = 2;
        }
        else
        {
            cp = *p & 0x07;
            extra = 3;
        }
        ++p;
        for (; extra > 0 && (*p & 0xC0) == 0x80; --extra, ++p)
            cp = (cp << 6) | (*p & 0x3F);
        // Only what a single-byte character message can carry.
        if (extra == 0 && cp <= 0xFF)
            Post(hwnd, WM_CHAR, cp, 1);
    }
}

struct ControlChar
{
    SDL_Keycode key;
    WPARAM ch;
};
constexpr ControlChar kControlChars[] = {
    {SDLK_BACKSPACE, 8}, {SDLK_TAB, 9}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_ESCAPE, 27},
};

void TranslateWindowEvent(const SDL_WindowEvent& e)
{
    HWND hwnd = GetWindowFromSDLId(e.windowID);
    if (!hwnd)
        return;
    switch (e.event)
    {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        Post(hwnd, WM_ACTIVATEAPP, 1, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Post(hwnd, WM_ACTIVATEAPP, 0, 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // A minimised window may report 0: nobody can use a 0-sized client.
        if (e.data1 > 0 && e.data2 > 0)
            Post(hwnd, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(e.data1), static_cast<WORD>(e.data2)));
        break;
    case SDL_WINDOWEVENT_CLOSE:
        Post(hwnd, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        if (!InStateEcho(hwnd) && !IsFullscreenStyle(hwnd->style))
        {
            // The window manager has maximised already; the program wants
            // full screen at the windowed size instead.
            GuardStateEcho(hwnd);
            SDL_RestoreWindow(hwnd->sdl);
            Post(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        }
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (!InStateEcho(hwnd) && IsFullscreenStyle(hwnd->style))
            Post(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
    default:
        break;
    }
}

void Translate(const SDL_Event& e)
{
    switch (e.type)
    {
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(e.window);
        break;
    case SDL_QUIT:
        for (HWND w : S().windows)
            Post(w, WM_CLOSE, 0, 0);
        break;
    case SDL_TEXTINPUT:
        PostText(TargetOf(e.text.windowID), e.text.text);
        break;
    case SDL_KEYDOWN:
        for (const ControlChar& c : kControlChars)
            if (c.key == e.key.keysym.sym)
                Post(TargetOf(e.key.windowID), WM_CHAR, c.ch, 1);
        break;
    default:
        break;
    }
}

// Reads SDL events until a message is queued or none is left; all of them
// when drainAll.
void ReadEvents(bool drainAll)
{
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return;
    SDL_Event e;
    while ((drainAll || S().queue.empty()) && SDL_PollEvent(&e))
    {
        // A copy: a hook may remove itself.
        const auto hooks = S().hooks;
        for (const auto& h : hooks)
            h.first(e, h.second);
        Translate(e);
    }
}

SDL_Window* MakeSdlWindow(const char* title, int x, int y, int w, int h, DWORD style)
{
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!IsDummyDriver())
        flags |= SDL_WINDOW_OPENGL;
    if (style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    return SDL_CreateWindow(title ? title : "", x, y, w, h, flags);
}

} // namespace

// ---- Process ---------------------------------------------------------------

HINSTANCE GetModuleHandleA(const char*)
{
    return &g_Module;
}

DWORD GetLastError()
{
    return S().lastError;
}

void Sleep(DWORD ms)
{
    SDL_Delay(ms);
}

void SetLastError(DWORD code)
{
    S().lastError = code;
}

bool InitVideo()
{
    InstallMessageBoxSink();
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return false;
    // Without a display SDL falls back on a driver that shows nothing; the
    // game would run where nobody sees it. Only a run that asks for such a
    // driver (tests) gets one.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (driver && IsInvisibleDriver(driver) && !(asked && SDL_strcasecmp(asked, driver) == 0))
    {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        SDL_SetError("No display: SDL fell back on its \"%s\" video driver, which shows no window", driver);
        return false;
    }
    // Not SDL_Quit through atexit: after a lost display it would wait on the
    // dead connection. The program calls QuitSDL itself.
    detail::CatchDisplayLoss();
    SDL_StartTextInput();
    return true;
}

void QuitVideo()
{
    S().queue.clear();
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void QuitSDL()
{
    S().queue.clear();
    SDL_Quit();
}

// ---- Window classes and windows -------------------------------------------

ATOM RegisterClassExA(const WNDCLASSEXA* wc)
{
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (S().classes.count(wc->lpszClassName))
    {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (!InitVideo())
    {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    ClassRec rec{*wc, wc->lpszClassName};
    rec.wc.lpszClassName = nullptr; // the record keeps its own copy of the name
    S().classes[rec.name] = rec;
    return static_cast<ATOM>(S().classes.size());
}

BOOL UnregisterClassA(const char* className, HINSTANCE)
{
    if (!className || !S().classes.count(className))
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return 0;
    }
    for (HWND w : S().windows)
        if (w->className == className)
        {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return 0;
        }
    S().classes.erase(className);
    return 1;
}

void* LoadIconA(HINSTANCE, uintptr_t)
{
    return &g_IconToken;
}

void* LoadCursorA(HINSTANCE, uintptr_t)
{
    return &g_CursorToken;
}

void* GetStockObject(int)
{
    return &g_BrushToken;
}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND, void*, HINSTANCE, void*)
{
    auto it = className ? S().classes.find(className) : S().classes.end();
    if (it == S().classes.end())
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return nullptr;
    }
    if (!InitVideo() || width <= 0 || height <= 0)
    {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    SDL_Window* sdl = MakeSdlWindow(title, x, y, width, height, style);
    if (!sdl)
    {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HWND hwnd = new HWND__;
    hwnd->sdl = sdl;
    hwnd->id = SDL_GetWindowID(sdl);
    hwnd->className = it->first;
    hwnd->proc = it->second.wc.lpfnWndProc;
    hwnd->style = style;
    S().windows.push_back(hwnd);
    if (IsFullscreenStyle(style))
        ApplyStyle(hwnd);
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd)
{
    if (!IsKnown(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    hwnd->proc(hwnd, WM_DESTROY, 0, 0);
    auto& ws = S().windows;
    ws.erase(std::find(ws.begin(), ws.end(), hwnd));
    auto& q = S().queue;
    q.erase(std::remove_if(q.begin(), q.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }), q.end());
    if (S().clipWindow == hwnd)
    {
        S().clipWindow = nullptr;
        S().clipOn = false;
        UpdateRelativeMode();
    }
    SDL_DestroyWindow(hwnd->sdl);
    delete hwnd;
    return 1;
}

BOOL IsWindow(HWND hwnd)
{
    return IsKnown(hwnd) ? 1 : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE && IsKnown(hwnd) && !hwnd->destroySent)
    {
        hwnd->destroySent = true;
        hwnd->proc(hwnd, WM_DESTROY, 0, 0);
    }
    return 0;
}

BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL)
{
    return rect ? 1 : 0;
}

BOOL SetWindowTextA(HWND hwnd, const char* title)
{
    if (!IsKnown(hwnd))
        return 0;
    SDL_SetWindowTitle(hwnd->sdl, title ? title : "");
    return 1;
}

int GetWindowTextA(HWND hwnd, char* buffer, int size)
{
    if (!IsKnown(hwnd) || !buffer || size <= 0)
        return 0;
    const char* title = SDL_GetWindowTitle(hwnd->sdl);
    std::strncpy(buffer, title, static_cast<size_t>(size) - 1);
    buffer[size - 1] = 0;
    return static_cast<int>(std::strlen(buffer));
}

BOOL ShowWindow(HWND hwnd, int command)
{
    if (!IsKnown(hwnd))
        return 0;
    const BOOL wasVisible = (SDL_GetWindowFlags(hwnd->sdl) & SDL_WINDOW_SHOWN) ? 1 : 0;
    if (command == SW_HIDE)
        SDL_HideWindow(hwnd->sdl);
    else
    {
        // Showing activates, as on Windows; without a window manager (Xvfb)
        // nothing else would give the window the keyboard.
        SDL_ShowWindow(hwnd->sdl);
        SDL_RaiseWindow(hwnd->sdl);
        SDL_SetWindowInputFocus(hwnd->sdl);
    }
    return wasVisible;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags)
{
    if (!IsKnown(hwnd))
        return detail::MoveConsoleWindow(hwnd, x, y, flags) ? 1 : 0;
    if (flags & SWP_FRAMECHANGED)
        ApplyStyle(hwnd);
    if (!IsFullscreenStyle(hwnd->style))
    {
        if (!(flags & SWP_NOSIZE) && cx > 0 && cy > 0)
            SDL_SetWindowSize(hwnd->sdl, cx, cy);
        if (!(flags & SWP_NOMOVE))
            SDL_SetWindowPosition(hwnd->sdl, x, y);
    }
    if (flags & SWP_SHOWWINDOW)
        SDL_ShowWindow(hwnd->sdl);
    return 1;
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value)
{
    if (!IsKnown(hwnd) || index != GWL_STYLE)
        return 0;
    const LONG old = static_cast<LONG>(hwnd->style);
    hwnd->style = static_cast<DWORD>(value);
    return old;
}

LONG GetWindowLongA(HWND hwnd, int index)
{
    if (!IsKnown(hwnd) || index != GWL_STYLE)
        return 0;
    return static_cast<LONG>(hwnd->style);
}

BOOL GetClientRect(HWND hwnd, RECT* rect)
{
    if (!IsKnown(hwnd) || !rect)
        return 0;
    int w = 0, h = 0;
    SDL_GetWindowSize(hwnd->sdl, &w, &h);
    *rect = RECT{0, 0, w, h};
    return 1;
}

BOOL ClientToScreen(HWND hwnd, POINT* point)
{
    if (!IsKnown(hwnd) || !point)
        return 0;
    int x = 0, y = 0;
    SDL_GetWindowPosition(hwnd->sdl, &x, &y);
    point->x += x;
    point->y += y;
    return 1;
}

BOOL ScreenToClient(HWND hwnd, POINT* point)
{
    if (!IsKnown(hwnd) || !point)
        return 0;
    int x = 0, y = 0;
    SDL_GetWindowPosition(hwnd->sdl, &x, &y);
    point->x -= x;
    point->y -= y;
    return 1;
}

// ---- Messages ---------------------------------------------------------------

void AddEventHook(EventHook hook, void* user)
{
    S().hooks.emplace_back(hook, user);
}

void RemoveEventHook(EventHook hook, void* user)
{
    auto& hs = S().hooks;
    auto it = std::find(hs.begin(), hs.end(), std::make_pair(hook, user));
    if (it != hs.end())
        hs.erase(it);
}

void PumpEvents()
{
    ReadEvents(true);
}

void DiscardMessages()
{
    S().queue.clear();
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT remove)
{
    if (S().queue.empty())
        ReadEvents(false);
    if (S().queue.empty())
        return 0;
    if (msg)
        *msg = S().queue.front();
    if (remove & PM_REMOVE)
        S().queue.pop_front();
    return 1;
}

BOOL TranslateMessage(const MSG*)
{
    return 0;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (!msg || !IsKnown(msg->hwnd))
        return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsKnown(hwnd))
        return 0;
    return hwnd->proc(hwnd, message, wParam, lParam);
}

// ---- Display modes -------------------------------------------------------------

HDC CreateICA(const char* driver, const char*, const char*, const void*)
{
    if (!driver || std::strcmp(driver, "DISPLAY") != 0 || !InitVideo())
        return nullptr;
    return &g_DisplayDc;
}

int GetDeviceCaps(HDC dc, int index)
{
    SDL_DisplayMode m{};
    if (dc != &g_DisplayDc || SDL_GetDesktopDisplayMode(0, &m) != 0)
        return 0;
    switch (index)
    {
    case HORZRES:
        return m.w;
    case VERTRES:
        return m.h;
    case BITSPIXEL:
        return static_cast<int>(SDL_BITSPERPIXEL(m.format));
    case VREFRESH:
        return m.refresh_rate;
    default:
        return 0;
    }
}

BOOL DeleteDC(HDC dc)
{
    return dc == &g_DisplayDc ? 1 : 0;
}

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD)
{
    if (!InitVideo())
        return DISP_CHANGE_FAILED;
    SDL_DisplayMode desktop{};
    SDL_GetDesktopDisplayMode(0, &desktop);
    if (!mode)
    {
        S().modeSet = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    SDL_DisplayMode want = desktop;
    if (mode->dmFields & DM_PELSWIDTH)
        want.w = static_cast<int>(mode->dmPelsWidth);
    if (mode->dmFields & DM_PELSHEIGHT)
        want.h = static_cast<int>(mode->dmPelsHeight);
    if (mode->dmFields & DM_DISPLAYFREQUENCY)
        want.refresh_rate = static_cast<int>(mode->dmDisplayFrequency);
    SDL_DisplayMode closest{};
    if (!SDL_GetClosestDisplayMode(0, &want, &closest))
        return DISP_CHANGE_FAILED;
    S().modeSet = !(closest.w == desktop.w && closest.h == desktop.h && closest.format == desktop.format &&
                    closest.refresh_rate == desktop.refresh_rate);
    S().mode = closest;
    for (HWND w : S().windows)
        if (IsFullscreenStyle(w->style) && (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN))
            ApplyStyle(w);
    return DISP_CHANGE_SUCCESSFUL;
}

BOOL EnumDisplaySettingsA(const char*, DWORD index, DEVMODEA* mode)
{
    if (!mode || !InitVideo())
        return 0;
    SDL_DisplayMode m{};
    const int rc = index == ENUM_CURRENT_SETTINGS ? SDL_GetCurrentDisplayMode(0, &m)
                                                  : SDL_GetDisplayMode(0, static_cast<int>(index), &m);
    if (rc != 0)
        return 0;
    mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    mode->dmBitsPerPel = SDL_BITSPERPIXEL(m.format);
    mode->dmPelsWidth = static_cast<DWORD>(m.w);
    mode->dmPelsHeight = static_cast<DWORD>(m.h);
    mode->dmDisplayFrequency = static_cast<DWORD>(m.refresh_rate);
    return 1;
}

// ---- Cursor ---------------------------------------------------------------------

BOOL GetCursorPos(POINT* point)
{
    if (!point || !SDL_WasInit(SDL_INIT_VIDEO))
        return 0;
    int x = 0, y = 0;
    if (SDL_Window* focus = SDL_GetMouseFocus())
    {
        int wx = 0, wy = 0;
        SDL_GetMouseState(&x, &y);
        SDL_GetWindowPosition(focus, &wx, &wy);
        x += wx;
        y += wy;
    }
    else
        SDL_GetGlobalMouseState(&x, &y);
    point->x = x;
    point->y = y;
    return 1;
}

BOOL ClipCursor(const RECT* rect)
{
    State& s = S();
    if (s.clipWindow)
        SDL_SetWindowMouseGrab(s.clipWindow->sdl, SDL_FALSE);
    s.clipWindow = nullptr;
    s.clipOn = false;
    if (rect)
    {
        // The window whose client area holds the rectangle's centre.
        const LONG cx = (rect->left + rect->right) / 2, cy = (rect->top + rect->bottom) / 2;
        for (HWND w : s.windows)
        {
            RECT r;
            POINT tl{0, 0};
            GetClientRect(w, &r);
            ClientToScreen(w, &tl);
            if (cx >= tl.x && cx <= tl.x + r.right && cy >= tl.y && cy <= tl.y + r.bottom)
            {
                s.clipWindow = w;
                break;
            }
        }
        if (!s.clipWindow && !s.windows.empty())
            s.clipWindow = s.windows.front();
        if (s.clipWindow)
        {
            SDL_SetWindowMouseGrab(s.clipWindow->sdl, SDL_TRUE);
            s.clipOn = true;
        }
    }
    UpdateRelativeMode();
    return 1;
}

int ShowCursor(BOOL show)
{
    State& s = S();
    s.cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO))
    {
        SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
        UpdateRelativeMode();
    }
    return s.cursorCount;
}

// ---- SDL access ------------------------------------------------------------------

SDL_Window* GetSDLWindow(HWND hwnd)
{
    return IsKnown(hwnd) ? hwnd->sdl : nullptr;
}

HWND GetWindowFromSDLId(uint32_t windowId)
{
    if (windowId == 0)
        return nullptr;
    for (HWND w : S().windows)
        if (w->id == windowId)
            return w;
    return nullptr;
}

BOOL RecreateSDLWindow(HWND hwnd)
{
    if (!IsKnown(hwnd))
        return 0;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(hwnd->sdl, &x, &y);
    SDL_GetWindowSize(hwnd->sdl, &w, &h);
    const bool shown = (SDL_GetWindowFlags(hwnd->sdl) & SDL_WINDOW_SHOWN) != 0;
    SDL_Window* sdl = MakeSdlWindow(SDL_GetWindowTitle(hwnd->sdl), x, y, w, h, hwnd->style);
    if (!sdl)
        return 0;
    const bool grabbed = S().clipWindow == hwnd;
    SDL_DestroyWindow(hwnd->sdl);
    hwnd->sdl = sdl;
    hwnd->id = SDL_GetWindowID(sdl);
    if (IsFullscreenStyle(hwnd->style))
        ApplyStyle(hwnd);
    if (shown)
        SDL_ShowWindow(sdl);
    if (grabbed)
        SDL_SetWindowMouseGrab(sdl, SDL_TRUE);
    return 1;
}

} // namespace plat
