#include "platform/win32/W32Inject.h"

#include <SDL.h>

#include <cstring>

namespace plat
{
namespace
{

static_assert(SCANCODE_A == SDL_SCANCODE_A && SCANCODE_D == SDL_SCANCODE_D && SCANCODE_G == SDL_SCANCODE_G &&
                  SCANCODE_S == SDL_SCANCODE_S && SCANCODE_W == SDL_SCANCODE_W &&
                  SCANCODE_RETURN == SDL_SCANCODE_RETURN && SCANCODE_ESCAPE == SDL_SCANCODE_ESCAPE &&
                  SCANCODE_SPACE == SDL_SCANCODE_SPACE && SCANCODE_F2 == SDL_SCANCODE_F2 &&
                  SCANCODE_RIGHT == SDL_SCANCODE_RIGHT && SCANCODE_LEFT == SDL_SCANCODE_LEFT &&
                  SCANCODE_DOWN == SDL_SCANCODE_DOWN && SCANCODE_UP == SDL_SCANCODE_UP &&
                  SCANCODE_LSHIFT == SDL_SCANCODE_LSHIFT,
              "scancodes follow SDL");

Uint32 IdOf(HWND hwnd)
{
    SDL_Window* w = GetSDLWindow(hwnd);
    return w ? SDL_GetWindowID(w) : 0;
}

bool Push(SDL_Event& e)
{
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return false;
    e.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&e) == 1;
}

} // namespace

bool InjectWindowEvent(HWND hwnd, WindowEventKind kind, int width, int height)
{
    static const Uint8 kEvents[] = {SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_FOCUS_LOST,
                                    SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_CLOSE,
                                    SDL_WINDOWEVENT_MAXIMIZED,    SDL_WINDOWEVENT_RESTORED,
                                    SDL_WINDOWEVENT_MINIMIZED};
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = IdOf(hwnd);
    e.window.event = kEvents[static_cast<int>(kind)];
    e.window.data1 = width;
    e.window.data2 = height;
    return Push(e);
}

bool InjectKey(HWND hwnd, int scancode, bool down, bool repeat)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = IdOf(hwnd);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    if (!Push(e))
        return false;
    const SDL_Keycode k = e.key.keysym.sym;
    if (down && !repeat && ((k >= SDLK_a && k <= SDLK_z) || (k >= SDLK_0 && k <= SDLK_9) || k == SDLK_SPACE))
    {
        const char text[2] = {static_cast<char>(k), 0};
        return InjectText(hwnd, text);
    }
    return true;
}

bool InjectText(HWND hwnd, const char* utf8)
{
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = IdOf(hwnd);
    std::strncpy(e.text.text, utf8 ? utf8 : "", sizeof e.text.text - 1);
    return Push(e);
}

bool InjectMouseButton(HWND hwnd, int sdlButton, bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = IdOf(hwnd);
    e.button.button = static_cast<Uint8>(sdlButton);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    return Push(e);
}

bool InjectMouseMotion(HWND hwnd, int dx, int dy)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = IdOf(hwnd);
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    return Push(e);
}

bool InjectMouseWheel(HWND hwnd, int notches)
{
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = IdOf(hwnd);
    e.wheel.y = notches;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    return Push(e);
}

bool InjectQuit()
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    return Push(e);
}

} // namespace plat
