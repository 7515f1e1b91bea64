#include "app/CW32Window.h"

#include "app/Log.h"

#include <vector>

using namespace plat;

namespace
{
const char* const kClassName = "RCW32Window";
}

std::map<HWND, CW32Window*> CW32Window::s_WindowMap;
bool CW32Window::s_bClassRegistered = false;

CW32Window::CW32Window()
    : m_hWnd(nullptr), m_hInstance(nullptr), m_ucFullscreen(0), m_ucBits(0), m_usWidth(0), m_usHeight(0),
      m_usWindowedWidth(0), m_usWindowedHeight(0), m_sWindowedX(0), m_sWindowedY(0), m_dwDesktopWidth(0),
      m_dwDesktopHeight(0), m_dwDesktopBits(0), m_dwDesktopRefresh(0)
{
}

CW32Window::~CW32Window()
{
    m_Listeners.clear();
}

template <class F> void CW32Window::ForEachListener(F f)
{
    // A copy: a listener may add or remove listeners while it is called.
    const std::vector<IWindowListener*> listeners(m_Listeners.begin(), m_Listeners.end());
    for (IWindowListener* l : listeners)
        f(l);
}

bool CW32Window::RegisterWindowClass()
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = &CW32Window::WndProc;
    wc.hInstance = m_hInstance;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) != 0;
}

void CW32Window::ReadDesktopMode()
{
    HDC dc = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    m_dwDesktopWidth = static_cast<uint32_t>(GetDeviceCaps(dc, HORZRES));
    m_dwDesktopHeight = static_cast<uint32_t>(GetDeviceCaps(dc, VERTRES));
    m_dwDesktopBits = static_cast<uint32_t>(GetDeviceCaps(dc, BITSPIXEL));
    m_dwDesktopRefresh = static_cast<uint32_t>(GetDeviceCaps(dc, VREFRESH));
    if (dc)
        DeleteDC(dc);
}

bool CW32Window::ReadScreenSize(uint32_t& width, uint32_t& height)
{
    HDC dc = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    if (!dc)
        return false;
    width = static_cast<uint32_t>(GetDeviceCaps(dc, HORZRES));
    height = static_cast<uint32_t>(GetDeviceCaps(dc, VERTRES));
    DeleteDC(dc);
    return width > 0 && height > 0;
}

bool CW32Window::ChangeToFullscreenMode(uint16_t width, uint16_t height)
{
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmPelsWidth = width;
    dm.dmPelsHeight = height;
    dm.dmBitsPerPel = m_ucBits;
    dm.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

void CW32Window::RestoreDesktopMode()
{
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &dm); ++i)
        if (dm.dmPelsWidth == m_dwDesktopWidth && dm.dmPelsHeight == m_dwDesktopHeight &&
            dm.dmBitsPerPel == m_dwDesktopBits && dm.dmDisplayFrequency == m_dwDesktopRefresh)
        {
            ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN);
            return;
        }
    // No listed mode equals the desktop's: return to the desktop's own mode
    // rather than to whichever mode happened to be listed last.
    ChangeDisplaySettingsA(nullptr, 0);
}

bool CW32Window::Create(HINSTANCE instance, const char* title, uint16_t width, uint16_t height,
                        uint8_t fullscreen, int16_t x, int16_t y, uint8_t bits)
{
    m_hInstance = instance;
    m_ucBits = bits;
    if (!s_bClassRegistered)
    {
        if (!RegisterWindowClass())
        {
            Log(16, "Error: RegisterClassEx failed in CW32Window::Create!");
            return false;
        }
        s_bClassRegistered = true;
    }
    ReadDesktopMode();

    bool full = fullscreen != 0;
    if (full && !ChangeToFullscreenMode(width, height))
        full = false;
    const DWORD style = full ? kStyleFullscreen : kStyleWindowed;

    RECT rc{0, 0, width, height};
    AdjustWindowRect(&rc, style, 0);
    m_hWnd = CreateWindowExA(0, kClassName, title, style, x, y, rc.right - rc.left, rc.bottom - rc.top,
                             nullptr, nullptr, instance, nullptr);
    if (!m_hWnd)
    {
        Log(16, "Error: CreateWindowEx failed in CW32Window::Create!");
        return false;
    }
    s_WindowMap[m_hWnd] = this;
    m_ucFullscreen = full ? 1 : 0;
    m_usWidth = m_usWindowedWidth = width;
    m_usHeight = m_usWindowedHeight = height;
    m_sWindowedX = x;
    m_sWindowedY = y;
    return true;
}

void CW32Window::SetPosition(int16_t x, int16_t y)
{
    if (m_ucFullscreen)
        return;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_sWindowedX = x;
    m_sWindowedY = y;
}

void CW32Window::SetSize(uint16_t width, uint16_t height)
{
    if (m_ucFullscreen)
        return;
    SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_usWindowedWidth = width;
    m_usWindowedHeight = height;
}

void CW32Window::SetTitle(const char* title)
{
    SetWindowTextA(m_hWnd, title);
}

void CW32Window::SetFullscreen(bool fullscreen, uint16_t width, uint16_t height)
{
    ForEachListener([fullscreen](IWindowListener* l) { l->OnBeforeFullscreen(fullscreen); });
    m_usWidth = width;
    m_usHeight = height;

    bool nowFull = false;
    int x = m_sWindowedX, y = m_sWindowedY;
    if (fullscreen)
    {
        if (ChangeToFullscreenMode(width, height))
        {
            SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(kStyleFullscreen));
            x = y = 0;
            nowFull = true;
        }
        else
            Log(1, "Errror: Failed to enter fullscreen mode");
    }
    if (!nowFull)
    {
        if (m_ucFullscreen)
            RestoreDesktopMode();
        SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(kStyleWindowedAfterSwitch));
    }
    // Client size, so the windowed client area keeps the configured size.
    SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_SHOWWINDOW | SWP_FRAMECHANGED);

    m_ucFullscreen = nowFull ? 1 : 0;
    ForEachListener([nowFull](IWindowListener* l) { l->OnAfterFullscreen(nowFull); });
}

void CW32Window::Show(bool show)
{
    ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE);
}

void CW32Window::GetSize(uint16_t& width, uint16_t& height) const
{
    width = m_usWidth;
    height = m_usHeight;
}

void CW32Window::Destroy()
{
    if (m_hWnd)
    {
        s_WindowMap.erase(m_hWnd);
        DestroyWindow(m_hWnd);
        if (s_WindowMap.empty() && s_bClassRegistered)
        {
            UnregisterClassA(kClassName, m_hInstance);
            s_bClassRegistered = false;
        }
    }
    IWindow::Destroy();
    Reset();
}

void CW32Window::Reset()
{
    m_hWnd = nullptr;
    m_hInstance = nullptr;
}

LRESULT CW32Window::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = s_WindowMap.find(hwnd);
    if (it == s_WindowMap.end())
        return DefWindowProcA(hwnd, message, wParam, lParam);
    return it->second->HandleMessage(message, wParam, lParam);
}

LRESULT CW32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_ACTIVATEAPP:
        ForEachListener([wParam](IWindowListener* l) { l->OnActivate(wParam != 0); });
        return 0;
    case WM_DESTROY:
        ForEachListener([](IWindowListener* l) { l->OnDestroy(); });
        return 0;
    case WM_SIZE:
    {
        m_usWidth = LOWORD(static_cast<uintptr_t>(lParam));
        m_usHeight = HIWORD(static_cast<uintptr_t>(lParam));
        const uint16_t w = m_usWidth, h = m_usHeight;
        ForEachListener([w, h](IWindowListener* l) { l->OnSize(w, h); });
        return 0;
    }
    case WM_CHAR:
        ForEachListener([wParam](IWindowListener* l) { l->OnChar(static_cast<uint32_t>(wParam)); });
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0u) == SC_MAXIMIZE)
        {
            SetFullscreen(true, m_usWindowedWidth, m_usWindowedHeight);
            return 0;
        }
        if ((wParam & 0xFFF0u) == SC_RESTORE)
        {
            SetFullscreen(false, m_usWindowedWidth, m_usWindowedHeight);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}
