#include "platform/win32/W32Console.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace plat
{
namespace
{

struct ConsoleState
{
    bool allocated = false;
    std::string title;
    COORD size{0, 0};
    int x = 0;
    int y = 0;
    int openBuffers = 0;
};

ConsoleState& C()
{
    static ConsoleState c;
    return c;
}

// The console's window handle: a token, never a real window record.
char g_ConsoleWindowToken;

HWND ConsoleHwnd()
{
    return reinterpret_cast<HWND>(&g_ConsoleWindowToken);
}

// Buffer handles are tokens too; only their count is kept.
char g_BufferToken;

HANDLE BufferHandle()
{
    return reinterpret_cast<HANDLE>(&g_BufferToken);
}

} // namespace

BOOL AllocConsole()
{
    if (C().allocated)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    C() = ConsoleState{};
    C().allocated = true;
    return 1;
}

BOOL FreeConsole()
{
    if (!C().allocated)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    C() = ConsoleState{};
    return 1;
}

BOOL SetConsoleTitleA(const char* title)
{
    if (!C().allocated || !title)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    C().title = title;
    // xterm-style title sequence, only where a terminal will read it.
    const char* term = std::getenv("TERM");
    if (isatty(STDOUT_FILENO) && term && std::strcmp(term, "dumb") != 0)
    {
        std::fprintf(stdout, "\033]0;%s\007", title);
        std::fflush(stdout);
    }
    return 1;
}

HANDLE CreateConsoleScreenBuffer(DWORD, DWORD, const void*, DWORD flags, void*)
{
    if (!C().allocated || flags != CONSOLE_TEXTMODE_BUFFER)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    ++C().openBuffers;
    return BufferHandle();
}

BOOL SetConsoleActiveScreenBuffer(HANDLE buffer)
{
    if (!C().allocated || buffer != BufferHandle() || C().openBuffers == 0)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return 1;
}

BOOL SetConsoleScreenBufferSize(HANDLE buffer, COORD size)
{
    if (!C().allocated || buffer != BufferHandle() || size.X < 1 || size.Y < 1)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    C().size = size;
    return 1;
}

BOOL CloseConsoleHandle(HANDLE buffer)
{
    if (buffer != BufferHandle() || C().openBuffers == 0)
        return 0;
    --C().openBuffers;
    return 1;
}

HWND GetConsoleWindow()
{
    return C().allocated ? ConsoleHwnd() : nullptr;
}

FILE* ConsoleReopen(const char* name, const char* mode, FILE* stream)
{
    if (!C().allocated || !name || !mode || !stream)
        return nullptr;
    if (std::strcmp(name, "CONIN$") != 0 && std::strcmp(name, "CONOUT$") != 0)
        return nullptr;
    return stream;
}

int ConsoleClose(FILE* stream)
{
    // Closing a standard stream would lose every later log line.
    return stream ? std::fflush(stream) : EOF;
}

ConsoleInfo GetConsoleInfo()
{
    const ConsoleState& c = C();
    return ConsoleInfo{c.allocated, c.title.c_str(), c.size.X, c.size.Y, c.x, c.y, c.openBuffers};
}

namespace detail
{
bool MoveConsoleWindow(HWND hwnd, int x, int y, UINT flags)
{
    if (hwnd != ConsoleHwnd() || !C().allocated)
        return false;
    if (!(flags & SWP_NOMOVE))
    {
        C().x = x;
        C().y = y;
    }
    return true;
}
} // namespace detail

} // namespace plat
