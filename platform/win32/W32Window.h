#pragma once

// The Win32 window, message and display-mode calls the program uses, over
// SDL2. Names, types and constants keep their Win32 spelling so that calling
// code reads as on Windows; what each call does here is written beside it.
//
// Handles: an HWND is our own window record (never an SDL pointer); it stays
// valid from CreateWindowExA to DestroyWindow. The SDL window behind it is
// reached with GetSDLWindow. Only the main thread may call anything here.
//
// SDL video is started on first use (RegisterClassExA, CreateWindowExA, the
// display-mode calls, PeekMessageA) by InitVideo; the program shuts SDL down
// with QuitSDL before it returns from main. A display connection that breaks
// ends the process at once (W32DisplayLoss.h).

#include "platform/sys/W32Files.h"

#include <cstdint>

struct SDL_Window;

namespace plat
{

struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct HDC__;
typedef HDC__* HDC;

typedef uint16_t WORD;
typedef uint16_t ATOM;
typedef uint32_t UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;

typedef LRESULT (*WNDPROC)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

struct POINT
{
    LONG x;
    LONG y;
};

struct RECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time; // SDL ticks (ms) when the message was made
    POINT pt;
};

// Icons, cursor, brush and menu are kept but not used: SDL draws none of them.
struct WNDCLASSEXA
{
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    void* hIcon;
    void* hCursor;
    void* hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
    void* hIconSm;
};

// Only the fields the program uses.
struct DEVMODEA
{
    DWORD dmSize;
    DWORD dmFields;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFrequency;
};

inline WORD LOWORD(uintptr_t v)
{
    return static_cast<WORD>(v & 0xFFFFu);
}
inline WORD HIWORD(uintptr_t v)
{
    return static_cast<WORD>((v >> 16) & 0xFFFFu);
}
inline LPARAM MAKELPARAM(WORD lo, WORD hi)
{
    return static_cast<LPARAM>(static_cast<uint32_t>(lo) | (static_cast<uint32_t>(hi) << 16));
}

// Messages.
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSCOMMAND = 0x0112;

// WM_SYSCOMMAND commands (wParam).
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;

// Window styles. A style without WS_CAPTION is full screen here (an SDL
// full-screen window in the display mode last set by ChangeDisplaySettingsA);
// WS_THICKFRAME makes the window resizable.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000u;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_THICKFRAME = 0x00040000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000u;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000u;

constexpr int GWL_STYLE = -16;

constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;

// Display modes.
constexpr DWORD CDS_FULLSCREEN = 0x00000004u;
constexpr LONG DISP_CHANGE_SUCCESSFUL = 0;
constexpr LONG DISP_CHANGE_FAILED = -1;
constexpr DWORD DM_BITSPERPEL = 0x00040000u;
constexpr DWORD DM_PELSWIDTH = 0x00080000u;
constexpr DWORD DM_PELSHEIGHT = 0x00100000u;
constexpr DWORD DM_DISPLAYFREQUENCY = 0x00400000u;
constexpr DWORD ENUM_CURRENT_SETTINGS = 0xFFFFFFFFu;

// GetDeviceCaps indices.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int VREFRESH = 116;

// Resource ids for LoadIconA / LoadCursorA, stock object for GetStockObject.
constexpr uintptr_t IDI_APPLICATION = 32512;
constexpr uintptr_t IDC_ARROW = 32512;
constexpr int BLACK_BRUSH = 4;

// Error codes of GetLastError.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;

// ---- Process --------------------------------------------------------------

// A token for the program's module; never null.
HINSTANCE GetModuleHandleA(const char* name);
DWORD GetLastError();
// Gives up the processor for about ms milliseconds.
void Sleep(DWORD ms);
void SetLastError(DWORD code);

// Starts SDL video and events (idempotent): sets the hints that keep a
// full-screen window from minimising on focus loss and keep SDL from turning
// the close of the last window into SDL_QUIT, catches the loss of the display
// connection (W32DisplayLoss.h), starts text input and installs the SDL
// message-box sink. False when SDL video cannot start (no display), and
// when SDL fell back on a driver that shows no window ("offscreen",
// "dummy") that SDL_VIDEODRIVER did not ask for; SDL_GetError tells why.
bool InitVideo();
// Stops SDL video and events again (tests); every window must be gone.
void QuitVideo();
// Shuts every SDL subsystem down (the desktop display mode comes back); the
// program's last step before it returns from main, after its windows are
// gone. Nothing does it at exit: exit handlers must not wait on a display
// that may be gone.
void QuitSDL();

// ---- Window classes and windows -------------------------------------------

// Keeps the class by name. Fails (0) when the name is taken or SDL video
// cannot start.
ATOM RegisterClassExA(const WNDCLASSEXA* wc);
// Fails while a window of the class exists or when the class is unknown.
BOOL UnregisterClassA(const char* className, HINSTANCE instance);

void* LoadIconA(HINSTANCE instance, uintptr_t id);
void* LoadCursorA(HINSTANCE instance, uintptr_t id);
void* GetStockObject(int object);

// Creates an SDL window (hidden, resizable when WS_THICKFRAME, OpenGL-capable
// unless the video driver is "dummy", which has no OpenGL) of the given client
// size. A style without WS_CAPTION makes a full-screen window in the display
// mode last set with ChangeDisplaySettingsA. Unlike Win32, creating sends no
// message to the window procedure. Null on failure (unknown class, SDL error).
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND parent, void* menu, HINSTANCE instance, void* param);
// Sends WM_DESTROY to the window procedure, then destroys the SDL window and
// the record; the handle is dangling afterwards.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Default handling: WM_CLOSE sends WM_DESTROY to the window procedure (once
// per window) but keeps the SDL window alive until DestroyWindow, so that
// the program can still draw and shut down in its own order. Everything else
// returns 0.
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// SDL sizes are client sizes: the rectangle is left as it is.
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);

BOOL SetWindowTextA(HWND hwnd, const char* title);
// Copies the title (cut to size - 1 bytes); returns its length, 0 on failure.
int GetWindowTextA(HWND hwnd, char* buffer, int size);
// SW_SHOW also raises the window and gives it the input focus (activation).
BOOL ShowWindow(HWND hwnd, int command);
// Moves and/or sizes (client size). With SWP_FRAMECHANGED the style set by
// SetWindowLongA takes effect: full screen (no WS_CAPTION) or windowed.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// GWL_STYLE only; the new style is applied at the next SWP_FRAMECHANGED.
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG GetWindowLongA(HWND hwnd, int index);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);

// ---- Messages ---------------------------------------------------------------

// Takes the next message, reading SDL events when none is queued. Every SDL
// event read first goes to the event hooks (W32Events.h), then becomes zero
// or more messages:
//   window FOCUS_GAINED / FOCUS_LOST  -> WM_ACTIVATEAPP (1 / 0)
//   window SIZE_CHANGED               -> WM_SIZE (w, h); dropped when w or h is 0
//   window CLOSE; SDL_QUIT            -> WM_CLOSE (SDL_QUIT: to every window)
//   window MAXIMIZED                  -> SDL_RestoreWindow, WM_SYSCOMMAND SC_MAXIMIZE
//   window RESTORED while full screen -> WM_SYSCOMMAND SC_RESTORE
//   SDL_TEXTINPUT                     -> WM_CHAR per code point up to 0xFF
//   key down Backspace/Tab/Enter/Esc  -> WM_CHAR 8 / 9 / 13 / 27 (repeats too)
// MAXIMIZED and RESTORED caused by the layer's own full-screen switches are
// ignored. The hwnd and range filters are ignored. FALSE when nothing is pending.
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
// Characters are made by PeekMessageA already; nothing to do.
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure of the message's window; 0 for unknown windows.
LRESULT DispatchMessageA(const MSG* msg);
// Calls the window procedure at once.
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Display modes -------------------------------------------------------------

// An information context; only "DISPLAY" is known.
HDC CreateICA(const char* driver, const char* device, const char* port, const void* devmode);
// HORZRES, VERTRES, BITSPIXEL and VREFRESH of the desktop mode of display 0.
int GetDeviceCaps(HDC dc, int index);
BOOL DeleteDC(HDC dc);

// Sets the display mode used by full-screen windows (width, height; the bit
// depth is not negotiable under SDL and is ignored). Fails when display 0 has
// no mode at least that large. A null mode, or one equal to the desktop mode,
// returns to the desktop mode. Full-screen windows that exist take the mode at once.
LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags);
// Modes of display 0 by index, or the desktop mode for ENUM_CURRENT_SETTINGS.
BOOL EnumDisplaySettingsA(const char* device, DWORD index, DEVMODEA* mode);

// ---- Cursor ---------------------------------------------------------------------

// Screen position of the pointer (SDL's mouse state, current after the pump).
BOOL GetCursorPos(POINT* point);
// Confines the pointer to the window under the rectangle (SDL mouse grab), or
// frees it with null. While the pointer is both confined and hidden, SDL
// relative mouse mode is on, so that motion keeps coming at the edges.
BOOL ClipCursor(const RECT* rect);
// Display counter as in Win32: shown while >= 0; returns the new counter.
int ShowCursor(BOOL show);

// ---- SDL access (for the OpenGL layer and tests) -----------------------------

// The SDL window behind a handle from CreateWindowExA; null for null or
// unknown handles. It changes only through RecreateSDLWindow.
SDL_Window* GetSDLWindow(HWND hwnd);
// The handle of the window with this SDL window id; null when none.
HWND GetWindowFromSDLId(uint32_t windowId);
// Replaces the SDL window behind the handle by a new one with the same
// title, position, size, visibility and flags. Use it after changing SDL GL
// attributes that choose the window's visual (on X11 the visual is fixed when
// the window is made). The handle stays the same. FALSE when SDL fails; the
// handle then keeps its old window.
BOOL RecreateSDLWindow(HWND hwnd);

} // namespace plat
