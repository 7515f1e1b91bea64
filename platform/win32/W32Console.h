#pragma once

// The Win32 console calls the program uses. Linux has no console window of
// its own: the program's standard streams are its console, wherever they
// go. These calls keep the console's bookkeeping (title, buffer size,
// position) so that the calling code and its messages stay as on Windows;
// the title goes to the terminal when standard output is one. The standard
// streams are never closed. Main thread only.

#include "platform/win32/W32Window.h"

#include <cstdio>

namespace plat
{

constexpr DWORD CONSOLE_TEXTMODE_BUFFER = 1;

struct COORD
{
    int16_t X;
    int16_t Y;
};

// One console per process, as on Windows: a second call fails with
// ERROR_ACCESS_DENIED until FreeConsole.
BOOL AllocConsole();
BOOL FreeConsole();
// Fails without a console. Sets the terminal title when stdout is a terminal.
BOOL SetConsoleTitleA(const char* title);
// A screen-buffer handle (not a file handle: close it with
// CloseConsoleHandle); INVALID_HANDLE_VALUE without a console.
HANDLE CreateConsoleScreenBuffer(DWORD access, DWORD share, const void* security, DWORD flags, void* data);
BOOL SetConsoleActiveScreenBuffer(HANDLE buffer);
// Sizes below 1 fail.
BOOL SetConsoleScreenBufferSize(HANDLE buffer, COORD size);
BOOL CloseConsoleHandle(HANDLE buffer);
// The console's window handle; null without a console. SetWindowPos on it
// keeps the position (SWP_NOMOVE and SWP_NOSIZE honoured; there is nothing
// to move).
HWND GetConsoleWindow();

// Stream reopening on "CONIN$" / "CONOUT$": the standard stream passed in is
// already the console here, so it is returned as it is (null for other names
// or without a console). Closing such a stream only flushes it.
FILE* ConsoleReopen(const char* name, const char* mode, FILE* stream);
int ConsoleClose(FILE* stream);

// What the console records hold now (tests).
struct ConsoleInfo
{
    bool allocated;
    const char* title;
    int16_t columns;
    int16_t rows;
    int x;
    int y;
    int openBuffers;
};
ConsoleInfo GetConsoleInfo();

namespace detail
{
// SetWindowPos for the console handle; false for any other handle.
bool MoveConsoleWindow(HWND hwnd, int x, int y, UINT flags);
} // namespace detail

} // namespace plat
