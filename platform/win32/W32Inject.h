#pragma once

// Synthetic input for tests and tools: each call queues one SDL event, as a
// device or the window system would, to be read by the next PeekMessageA or
// PumpEvents. Needs SDL video (InitVideo). Scancodes are SDL scancodes;
// buttons are SDL's numbers (1 left, 2 middle, 3 right, 4 X1, 5 X2).

#include "platform/win32/W32Window.h"

namespace plat
{

enum class WindowEventKind
{
    FocusGained,
    FocusLost,
    SizeChanged,
    Close,
    Maximized,
    Restored,
    Minimized
};

bool InjectWindowEvent(HWND hwnd, WindowEventKind kind, int width = 0, int height = 0);
// Also queues the key's text (letters, digits, space) on a first press, as
// SDL does with text input on.
bool InjectKey(HWND hwnd, int scancode, bool down, bool repeat = false);
bool InjectText(HWND hwnd, const char* utf8);
bool InjectMouseButton(HWND hwnd, int sdlButton, bool down);
bool InjectMouseMotion(HWND hwnd, int dx, int dy);
bool InjectMouseWheel(HWND hwnd, int notches);
bool InjectQuit();

// SDL scancodes of a few keys, so that callers need no SDL header.
constexpr int SCANCODE_A = 4;
constexpr int SCANCODE_D = 7;
constexpr int SCANCODE_G = 10;
constexpr int SCANCODE_S = 22;
constexpr int SCANCODE_W = 26;
constexpr int SCANCODE_RETURN = 40;
constexpr int SCANCODE_ESCAPE = 41;
constexpr int SCANCODE_SPACE = 44;
constexpr int SCANCODE_F2 = 59;
constexpr int SCANCODE_RIGHT = 79;
constexpr int SCANCODE_LEFT = 80;
constexpr int SCANCODE_DOWN = 81;
constexpr int SCANCODE_UP = 82;
constexpr int SCANCODE_LSHIFT = 225;

} // namespace plat
