#include "platform/win32/W32MessageBox.h"

#include "platform/sys/MessageBox.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace plat
{
namespace
{

bool IsHeadlessDriver(const char* name)
{
    return name && (std::strcmp(name, "dummy") == 0 || std::strcmp(name, "offscreen") == 0);
}

bool HasEnv(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

bool SdlMessageBoxSink(const char* text, const char* caption, uint32_t style)
{
    if (!CanShowMessageBox())
        return false;
    Uint32 flags = 0;
    if ((style & 0xF0u) == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    else if ((style & 0xF0u) == MB_ICONWARNING)
        flags = SDL_MESSAGEBOX_WARNING;
    else if ((style & 0xF0u) == MB_ICONINFORMATION)
        flags = SDL_MESSAGEBOX_INFORMATION;
    // The pointer must reach the box: the game's cursor clip (a pointer
    // grab) and the battle's hidden, relative pointer would keep its clicks
    // from it. All three are given back when it closes.
    SDL_Window* grabbed = SDL_GetGrabbedWindow();
    const SDL_bool relative = SDL_GetRelativeMouseMode();
    const int cursor = SDL_ShowCursor(SDL_QUERY);
    if (grabbed)
        SDL_SetWindowMouseGrab(grabbed, SDL_FALSE);
    if (relative)
        SDL_SetRelativeMouseMode(SDL_FALSE);
    SDL_ShowCursor(SDL_ENABLE);
    // Blocks until the user closes it, like the Win32 task-modal box.
    const bool shown = SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) == 0;
    SDL_ShowCursor(cursor);
    if (relative)
        SDL_SetRelativeMouseMode(SDL_TRUE);
    if (grabbed)
        SDL_SetWindowMouseGrab(grabbed, SDL_TRUE);
    return shown;
}

} // namespace

bool CanShowMessageBox()
{
    if (!HasEnv("DISPLAY") && !HasEnv("WAYLAND_DISPLAY"))
        return false;
    if (IsHeadlessDriver(std::getenv("SDL_VIDEODRIVER")))
        return false;
    if (SDL_WasInit(SDL_INIT_VIDEO) && IsHeadlessDriver(SDL_GetCurrentVideoDriver()))
        return false;
    return true;
}

void InstallMessageBoxSink()
{
    SetMessageBoxSink(&SdlMessageBoxSink);
}

} // namespace plat
