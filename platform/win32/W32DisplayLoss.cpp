#include "platform/win32/W32DisplayLoss.h"

#include <SDL.h>

#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

// Xlib's handler types, spelt out so that no X header is needed: SDL loads
// the library, and its entry is looked up in the copy SDL loaded.
struct _XDisplay;

namespace plat
{
namespace
{

typedef int (*XIOErrorHandler)(_XDisplay*);
typedef XIOErrorHandler (*XSetIOErrorHandlerFn)(XIOErrorHandler);

const char kMessage[] = "Error: Lost the connection to the display";

std::atomic<DisplayLostHandler> g_Handler{nullptr};

void WriteToStderr(const char* message)
{
    // write, not stdio: nothing here may block on a lock the broken call holds.
    ssize_t rc = write(STDERR_FILENO, message, std::strlen(message));
    rc = write(STDERR_FILENO, "\n", 1);
    (void)rc;
}

// Xlib's default handler calls exit(), and exit runs SDL's shutdown, which
// waits on the dead connection without end. Xlib also takes the process
// down when a handler returns, so this one never does.
int OnIOError(_XDisplay*)
{
    // A second broken call (another thread, or one made by the handler)
    // must not report twice.
    static std::atomic<bool> s_Reported{false};
    if (!s_Reported.exchange(true))
    {
        const DisplayLostHandler handler = g_Handler.load();
        (handler ? handler : &WriteToStderr)(kMessage);
    }
    _exit(kDisplayLostExitCode);
}

} // namespace

void SetDisplayLostHandler(DisplayLostHandler handler)
{
    g_Handler.store(handler);
}

const char* DisplayLostMessage()
{
    return kMessage;
}

namespace detail
{

void CatchDisplayLoss()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0)
        return;
    // The library SDL's X11 driver already uses; NOLOAD never loads a second one.
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!x11)
        return;
    if (auto set = reinterpret_cast<XSetIOErrorHandlerFn>(dlsym(x11, "XSetIOErrorHandler")))
        set(&OnIOError);
    dlclose(x11);
}

} // namespace detail
} // namespace plat
