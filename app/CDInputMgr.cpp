#include "app/CDInputMgr.h"

#include "app/Log.h"

#include <cstring>
#include <initializer_list>

using namespace plat;

CDInputMgr::CDInputMgr()
    : m_pDirectInput(nullptr), m_pMouse(nullptr), m_pKeyboard(nullptr), m_ucMouseResync(1),
      m_ucKeyboardResync(1), m_ucClip(0), m_ucCursorShown(1)
{
    std::memset(m_aMouseButtons, 0, sizeof m_aMouseButtons);
    std::memset(m_aKeys, 0, sizeof m_aKeys);
}

CDInputMgr::~CDInputMgr()
{
    Destroy();
}

namespace
{
bool SetBufferSize(IDirectInputDevice8A* device, DWORD items)
{
    DIPROPDWORD prop{};
    prop.diph.dwSize = sizeof prop;
    prop.diph.dwHeaderSize = sizeof prop.diph;
    prop.diph.dwObj = 0;
    prop.diph.dwHow = DIPH_DEVICE;
    prop.dwData = items;
    return SUCCEEDED(device->SetProperty(DIPROP_BUFFERSIZE, &prop.diph));
}
} // namespace

bool CDInputMgr::CreateMouse(HWND hwnd)
{
    if (FAILED(m_pDirectInput->CreateDevice(GUID_SysMouse, &m_pMouse, nullptr)))
    {
        Log(1, "Error: CreateDevice failed for mouse device");
        return false;
    }
    if (FAILED(m_pMouse->SetDataFormat(&c_dfDIMouse2)))
    {
        Log(1, "Error: SetDataFormat failed for mouse device");
        return false;
    }
    if (FAILED(m_pMouse->SetCooperativeLevel(hwnd, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE)))
    {
        Log(1, "Error: SetCooperativeLevel failed for mouse device");
        return false;
    }
    if (!SetBufferSize(m_pMouse, kMouseBufferSize))
    {
        Log(1, "Error: SetProperty (set buffer size) failed for mouse device");
        return false;
    }
    return true;
}

bool CDInputMgr::CreateKeyboard(HWND hwnd)
{
    if (FAILED(m_pDirectInput->CreateDevice(GUID_SysKeyboard, &m_pKeyboard, nullptr)))
    {
        Log(1, "Error: CreateDevice faild for keyboard device");
        return false;
    }
    if (FAILED(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard)))
    {
        Log(1, "Error: SetDataFormat faild for keyboard device");
        return false;
    }
    if (FAILED(m_pKeyboard->SetCooperativeLevel(hwnd, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE)))
    {
        Log(1, "Error: SetCooperativeLevel faild for keyboard device");
        return false;
    }
    if (!SetBufferSize(m_pKeyboard, kKeyboardBufferSize))
    {
        Log(1, "Error: SetProperty (set buffer size) failed for keyboard device");
        return false;
    }
    return true;
}

bool CDInputMgr::Create(HINSTANCE instance, const CRefPtr<IWindow>& window)
{
    void* di = nullptr;
    if (FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &di, nullptr)))
    {
        Log(1, "Error: DirectInput8Create failed");
        return false;
    }
    m_pDirectInput = static_cast<IDirectInput8A*>(di);
    const HWND hwnd = window ? window->GetHandle() : nullptr;
    if (!CreateMouse(hwnd) || !CreateKeyboard(hwnd))
        return false;

    m_pMouse->Acquire();
    m_ucMouseResync = 1;
    m_pKeyboard->Acquire();
    m_ucKeyboardResync = 1;
    m_ucCursorShown = 1;
    m_ucClip = 0;

    m_pWindow = window;
    m_pWindow->AddListener(this);
    return true;
}

void CDInputMgr::Update()
{
    UpdateMouse();
    UpdateKeyboard();
}

void CDInputMgr::Reacquire(IDirectInputDevice8A* device)
{
    // The layer never reports a lost device, so this ends at once; the bound
    // keeps a misbehaving device from hanging the frame.
    for (int i = 0; i < 16 && device->Acquire() == DIERR_INPUTLOST; ++i)
    {
    }
}

void CDInputMgr::SetButton(uint8_t button, bool down)
{
    // Recorded before dispatching, whether or not a listener takes it.
    m_aMouseButtons[button] = down ? 1 : 0;
    if (down)
        Dispatch([button](IInputListener* l) { return l->OnMouseDown(button); });
    else
        Dispatch([button](IInputListener* l) { return l->OnMouseUp(button); });
}

void CDInputMgr::SetKey(uint8_t key, bool down)
{
    m_aKeys[key] = down ? 1 : 0;
    if (down)
        Dispatch([key](IInputListener* l) { return l->OnKeyDown(key); });
    else
        Dispatch([key](IInputListener* l) { return l->OnKeyUp(key); });
}

void CDInputMgr::UpdateMouse()
{
    if (!m_pMouse)
        return;
    DIDEVICEOBJECTDATA items[kMouseBufferSize];
    DWORD count = kMouseBufferSize;
    const HRESULT hr = m_pMouse->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), items, &count, 0);
    if (FAILED(hr))
    {
        Reacquire(m_pMouse);
        m_ucMouseResync = 1;
        return;
    }
    int32_t dx = 0, dy = 0, dz = 0;
    for (DWORD i = 0; i < count; ++i)
    {
        const DWORD ofs = items[i].dwOfs;
        const int32_t value = static_cast<int32_t>(items[i].dwData);
        if (ofs == DIMOFS_X)
            dx += value;
        else if (ofs == DIMOFS_Y)
            dy += value;
        else if (ofs == DIMOFS_Z)
            dz += value;
        else if (ofs >= DIMOFS_BUTTON0 && ofs <= DIMOFS_BUTTON7)
            SetButton(static_cast<uint8_t>(ofs - DIMOFS_BUTTON0), (items[i].dwData & 0x80) != 0);
        else
            Log(5, "Warning: Unknown mouse event: %lx", static_cast<unsigned long>(ofs));
    }
    if (dx || dy || dz)
        Dispatch([dx, dy, dz](IInputListener* l) { return l->OnMouseMove(dx, dy, dz); });
    if (hr == DI_BUFFEROVERFLOW || m_ucMouseResync)
        ResyncMouse();
}

void CDInputMgr::ResyncMouse()
{
    DIMOUSESTATE2 state{};
    if (FAILED(m_pMouse->GetDeviceState(sizeof state, &state)))
    {
        m_ucMouseResync = 1;
        return;
    }
    for (uint8_t b = 0; b < 8; ++b)
    {
        const bool down = (state.rgbButtons[b] & 0x80) != 0;
        if (down != (m_aMouseButtons[b] != 0))
            SetButton(b, down);
    }
    m_ucMouseResync = 0;
}

void CDInputMgr::UpdateKeyboard()
{
    if (!m_pKeyboard)
        return;
    DIDEVICEOBJECTDATA items[kKeyboardBufferSize];
    DWORD count = kKeyboardBufferSize;
    const HRESULT hr = m_pKeyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), items, &count, 0);
    if (FAILED(hr))
    {
        Reacquire(m_pKeyboard);
        m_ucKeyboardResync = 1;
        return;
    }
    for (DWORD i = 0; i < count; ++i)
        SetKey(static_cast<uint8_t>(items[i].dwOfs), (items[i].dwData & 0x80) != 0);
    if (hr == DI_BUFFEROVERFLOW || m_ucKeyboardResync)
        ResyncKeyboard();
}

void CDInputMgr::ResyncKeyboard()
{
    uint8_t state[256];
    if (FAILED(m_pKeyboard->GetDeviceState(sizeof state, state)))
    {
        m_ucKeyboardResync = 1;
        return;
    }
    for (int k = 0; k < 256; ++k)
    {
        const bool down = (state[k] & 0x80) != 0;
        if (down != (m_aKeys[k] != 0))
            SetKey(static_cast<uint8_t>(k), down);
    }
    m_ucKeyboardResync = 0;
}

void CDInputMgr::GetCursorPosition(int32_t& x, int32_t& y)
{
    POINT p{0, 0};
    GetCursorPos(&p);
    if (m_pWindow)
        ScreenToClient(m_pWindow->GetHandle(), &p);
    x = p.x;
    y = p.y;
}

void CDInputMgr::GetNormalizedCursorPosition(float& x, float& y)
{
    int32_t px = 0, py = 0;
    GetCursorPosition(px, py);
    uint16_t w = 0, h = 0;
    if (m_pWindow)
        m_pWindow->GetSize(w, h);
    // A window without a size (not created) has no meaningful position.
    x = w ? static_cast<float>(px) / static_cast<float>(w) : 0.0f;
    y = h ? static_cast<float>(py) / static_cast<float>(h) : 0.0f;
}

void CDInputMgr::SetCursorClip(bool clip)
{
    if ((m_ucClip != 0) == clip)
        return;
    if (!clip)
        ClipCursor(nullptr);
    else
    {
        RECT rc{};
        const HWND hwnd = m_pWindow ? m_pWindow->GetHandle() : nullptr;
        if (GetClientRect(hwnd, &rc))
        {
            POINT tl{rc.left, rc.top};
            POINT br{rc.right, rc.bottom};
            ClientToScreen(hwnd, &tl);
            ClientToScreen(hwnd, &br);
            const RECT screen{tl.x, tl.y, br.x, br.y};
            ClipCursor(&screen);
        }
    }
    m_ucClip = clip ? 1 : 0;
}

void CDInputMgr::ShowMouseCursor(bool show)
{
    if ((m_ucCursorShown != 0) == show)
        return;
    ShowCursor(show ? 1 : 0);
    m_ucCursorShown = show ? 1 : 0;
}

void CDInputMgr::Destroy()
{
    SetCursorClip(false);
    ShowMouseCursor(true);
    if (m_pWindow)
    {
        m_pWindow->RemoveListener(this);
        m_pWindow.Release();
    }
    for (IDirectInputDevice8A** dev : {&m_pKeyboard, &m_pMouse})
        if (*dev)
        {
            (*dev)->Release();
            *dev = nullptr;
        }
    if (m_pDirectInput)
    {
        m_pDirectInput->Release();
        m_pDirectInput = nullptr;
    }
    std::memset(m_aMouseButtons, 0, sizeof m_aMouseButtons);
    std::memset(m_aKeys, 0, sizeof m_aKeys);
    m_ucMouseResync = 1;
    m_ucKeyboardResync = 1;
}

void CDInputMgr::OnChar(uint32_t character)
{
    Dispatch([character](IInputListener* l) { return l->OnChar(character); });
}

void CDInputMgr::OnActivate(bool active)
{
    if (active && m_ucClip)
    {
        // Re-reads the client rectangle, which may have moved meanwhile.
        SetCursorClip(false);
        SetCursorClip(true);
    }
}
