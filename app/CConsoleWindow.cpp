#include "app/CConsoleWindow.h"

#include "app/Log.h"
#include "platform/win32/W32Console.h"

#include <initializer_list>

using namespace plat;

CConsoleWindow::CConsoleWindow()
    : m_usWidth(0), m_usHeight(0), m_hScreenBuffer(INVALID_HANDLE_VALUE), m_pIn(nullptr), m_pOut(nullptr),
      m_pErr(nullptr)
{
}

CConsoleWindow::~CConsoleWindow()
{
    Destroy();
}

bool CConsoleWindow::Create(const char* title, uint16_t columns, uint16_t rows, int16_t x, int16_t y)
{
    if (!AllocConsole())
    {
        Log(8, "Error: AllocConsole failed in CConsoleWindow::Create (%lu)",
            static_cast<unsigned long>(GetLastError()));
        return false;
    }
    if (!SetConsoleTitleA(title))
    {
        Log(1, "Error: SetConsoleTitle failed in CConsoleWindow::Create (%lu)",
            static_cast<unsigned long>(GetLastError()));
        return false;
    }
    m_hScreenBuffer =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (m_hScreenBuffer == INVALID_HANDLE_VALUE)
    {
        Log(1, "Error: CreateConsoleScreenBuffer failed in CConsoleWindow::Create (%lu)",
            static_cast<unsigned long>(GetLastError()));
        return false;
    }
    if (!SetConsoleActiveScreenBuffer(m_hScreenBuffer))
    {
        Log(1, "Error: SetConsoleActiveScreenBuffer failed in CConsoleWindow::Create (%lu)",
            static_cast<unsigned long>(GetLastError()));
        return false;
    }
    const COORD size{static_cast<int16_t>(columns), static_cast<int16_t>(rows)};
    if (!SetConsoleScreenBufferSize(m_hScreenBuffer, size))
    {
        Log(1, "Error: SetConsoleScreenBufferSize failed in CConsoleWindow::Create (%lu)",
            static_cast<unsigned long>(GetLastError()));
        return false;
    }
    m_pIn = ConsoleReopen("CONIN$", "rt", stdin);
    m_pOut = ConsoleReopen("CONOUT$", "wt", stdout);
    m_pErr = ConsoleReopen("CONOUT$", "wt", stderr);
    if (!m_pIn || !m_pOut || !m_pErr)
    {
        Log(1, "Error: Files could not be created in CConsoleWindow::Create");
        return false;
    }
    SetWindowPos(GetConsoleWindow(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_usWidth = columns;
    m_usHeight = rows;
    return true;
}

void CConsoleWindow::Destroy()
{
    for (FILE** stream : {&m_pIn, &m_pOut, &m_pErr})
    {
        if (*stream)
            ConsoleClose(*stream);
        *stream = nullptr;
    }
    if (m_hScreenBuffer != INVALID_HANDLE_VALUE)
        CloseConsoleHandle(m_hScreenBuffer);
    m_hScreenBuffer = INVALID_HANDLE_VALUE;
    FreeConsole();
    m_usWidth = m_usHeight = 0;
}
