#include "platform/dinput/DInput8.h"

#include "platform/dinput/DIKeyCodes.h"
#include "platform/win32/W32Events.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

namespace plat
{

const GUID IID_IDirectInput8A = {0xBF798031u};
const GUID GUID_SysMouse = {0x6F1D2B60u};
const GUID GUID_SysKeyboard = {0x6F1D2B61u};

const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT), sizeof(DIMOUSESTATE2), 1};
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 256, 2};

namespace
{

struct Fault
{
    std::string call;
    int countdown = 0;
};

Fault g_Fault;

// True when this call is the one the test hook asked to fail.
bool Faulted(const char* call)
{
    if (g_Fault.countdown <= 0 || g_Fault.call != call)
        return false;
    return --g_Fault.countdown == 0;
}

enum class Kind
{
    Mouse = 1,
    Keyboard = 2
};

// SDL button number (1-based) to DirectInput button index.
int ButtonIndex(uint8_t sdlButton)
{
    switch (sdlButton)
    {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    case SDL_BUTTON_X1:
        return 3;
    case SDL_BUTTON_X2:
        return 4;
    default:
        return sdlButton >= 6 && sdlButton <= 8 ? sdlButton - 1 : -1;
    }
}

bool IsAxis(DWORD offset)
{
    return offset == DIMOFS_X || offset == DIMOFS_Y || offset == DIMOFS_Z;
}

// The reference counting of the layer's objects: one reference after
// construction; the last Release deletes the object.
template <class Interface> class Counted : public Interface
{
public:
    ULONG AddRef() override { return ++m_uRefs; }

    ULONG Release() override
    {
        const ULONG n = --m_uRefs;
        if (n == 0)
            delete this;
        return n;
    }

protected:
    ~Counted() override = default;

private:
    ULONG m_uRefs = 1;
};

class Device final : public Counted<IDirectInputDevice8A>
{
public:
    explicit Device(Kind kind) : m_Kind(kind) { AddEventHook(&Device::Hook, this); }

    HRESULT SetDataFormat(const DIDATAFORMAT* format) override
    {
        if (Faulted("SetDataFormat"))
            return E_FAIL;
        if (!format || format->kind != static_cast<DWORD>(m_Kind))
            return DIERR_INVALIDPARAM;
        m_bFormatSet = true;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override
    {
        if (Faulted("SetCooperativeLevel"))
            return E_FAIL;
        const DWORD excl = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        const DWORD fore = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        SDL_Window* sdl = GetSDLWindow(hwnd);
        if (!sdl || excl == 0 || excl == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || fore == 0 ||
            fore == (DISCL_FOREGROUND | DISCL_BACKGROUND))
            return DIERR_INVALIDPARAM;
        m_hWnd = hwnd;
        m_bFocus = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_INPUT_FOCUS) != 0;
        return DI_OK;
    }

    HRESULT SetProperty(uintptr_t property, const DIPROPHEADER* header) override
    {
        if (Faulted("SetProperty"))
            return E_FAIL;
        if (property != DIPROP_BUFFERSIZE || !header || header->dwSize != sizeof(DIPROPDWORD) ||
            header->dwHow != DIPH_DEVICE || m_bAcquired)
            return DIERR_INVALIDPARAM;
        m_Capacity = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        while (m_Fifo.size() > m_Capacity)
            m_Fifo.pop_front();
        return DI_OK;
    }

    HRESULT Acquire() override
    {
        if (!m_bFormatSet || !m_hWnd)
            return DIERR_INVALIDPARAM;
        if (!m_bFocus)
            return DIERR_OTHERAPPHASPRIO;
        m_bAcquired = true;
        return DI_OK;
    }

    HRESULT Unacquire() override
    {
        LoseAcquisition();
        return DI_OK;
    }

    HRESULT GetDeviceData(DWORD itemSize, DIDEVICEOBJECTDATA* items, DWORD* inOut, DWORD) override
    {
        if (itemSize != sizeof(DIDEVICEOBJECTDATA) || !inOut || (!items && *inOut))
            return DIERR_INVALIDPARAM;
        if (m_Capacity == 0)
            return DIERR_NOTBUFFERED;
        if (!m_bAcquired)
            return DIERR_NOTACQUIRED;
        const DWORD n = std::min<DWORD>(*inOut, static_cast<DWORD>(m_Fifo.size()));
        for (DWORD i = 0; i < n; ++i)
        {
            items[i] = m_Fifo.front();
            m_Fifo.pop_front();
        }
        *inOut = n;
        const bool overflow = m_bOverflow;
        m_bOverflow = false;
        return overflow ? DI_BUFFEROVERFLOW : DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, void* data) override
    {
        if (!data || !m_bFormatSet)
            return DIERR_INVALIDPARAM;
        if (!m_bAcquired)
            return DIERR_NOTACQUIRED;
        if (m_Kind == Kind::Keyboard)
        {
            if (size != sizeof m_Keys)
                return DIERR_INVALIDPARAM;
            std::memcpy(data, m_Keys, sizeof m_Keys);
            return DI_OK;
        }
        if (size != sizeof(DIMOUSESTATE2))
            return DIERR_INVALIDPARAM;
        std::memcpy(data, &m_Mouse, sizeof m_Mouse);
        m_Mouse.lX = m_Mouse.lY = m_Mouse.lZ = 0;
        return DI_OK;
    }

private:
    ~Device() override { RemoveEventHook(&Device::Hook, this); }

    static void Hook(const SDL_Event& e, void* self) { static_cast<Device*>(self)->OnEvent(e); }

    void LoseAcquisition()
    {
        // Buffered data does not survive losing the device.
        m_bAcquired = false;
        m_Fifo.clear();
        m_bOverflow = false;
    }

    void Push(DWORD offset, DWORD data, uint32_t time)
    {
        if (!m_bAcquired)
            return;
        if (IsAxis(offset))
        {
            // Merge with the motion items at the end of the buffer.
            for (auto it = m_Fifo.rbegin(); it != m_Fifo.rend() && IsAxis(it->dwOfs); ++it)
                if (it->dwOfs == offset)
                {
                    it->dwData =
                        static_cast<DWORD>(static_cast<int32_t>(it->dwData) + static_cast<int32_t>(data));
                    it->dwTimeStamp = time;
                    return;
                }
        }
        if (m_Fifo.size() >= m_Capacity)
        {
            m_bOverflow = true;
            return;
        }
        m_Fifo.push_back(DIDEVICEOBJECTDATA{offset, data, time, ++m_uSequence, 0});
    }

    void OnWindowEvent(const SDL_WindowEvent& e)
    {
        if (!m_hWnd || GetWindowFromSDLId(e.windowID) != m_hWnd)
            return;
        if (e.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            m_bFocus = true;
        else if (e.event == SDL_WINDOWEVENT_FOCUS_LOST)
        {
            m_bFocus = false;
            LoseAcquisition();
        }
    }

    void OnKeyboardEvent(const SDL_Event& e)
    {
        if ((e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) || e.key.repeat)
            return;
        const uint8_t code = DIKFromScancode(e.key.keysym.scancode);
        if (code == 0)
            return;
        const BYTE data = e.type == SDL_KEYDOWN ? 0x80 : 0x00;
        m_Keys[code] = data;
        Push(code, data, e.key.timestamp);
    }

    void OnMouseEvent(const SDL_Event& e)
    {
        switch (e.type)
        {
        case SDL_MOUSEMOTION:
            m_Mouse.lX += e.motion.xrel;
            m_Mouse.lY += e.motion.yrel;
            if (e.motion.xrel)
                Push(DIMOFS_X, static_cast<DWORD>(e.motion.xrel), e.motion.timestamp);
            if (e.motion.yrel)
                Push(DIMOFS_Y, static_cast<DWORD>(e.motion.yrel), e.motion.timestamp);
            break;
        case SDL_MOUSEWHEEL:
        {
            int notches = e.wheel.y;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
                notches = -notches;
            if (notches)
            {
                m_Mouse.lZ += notches * 120;
                Push(DIMOFS_Z, static_cast<DWORD>(notches * 120), e.wheel.timestamp);
            }
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        {
            const int index = ButtonIndex(e.button.button);
            if (index < 0)
                break;
            const BYTE data = e.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0x00;
            m_Mouse.rgbButtons[index] = data;
            Push(DIMOFS_BUTTON0 + static_cast<DWORD>(index), data, e.button.timestamp);
            break;
        }
        default:
            break;
        }
    }

    void OnEvent(const SDL_Event& e)
    {
        if (e.type == SDL_WINDOWEVENT)
            OnWindowEvent(e.window);
        else if (m_Kind == Kind::Keyboard)
            OnKeyboardEvent(e);
        else
            OnMouseEvent(e);
    }

    Kind m_Kind;
    bool m_bFormatSet = false;
    HWND m_hWnd = nullptr;
    bool m_bFocus = false;
    bool m_bAcquired = false;
    bool m_bOverflow = false;
    DWORD m_Capacity = 0;
    DWORD m_uSequence = 0;
    std::deque<DIDEVICEOBJECTDATA> m_Fifo;
    BYTE m_Keys[256] = {};
    DIMOUSESTATE2 m_Mouse = {};
};

class DirectInput final : public Counted<IDirectInput8A>
{
public:
    HRESULT CreateDevice(REFGUID device, IDirectInputDevice8A** out, void*) override
    {
        if (!out)
            return DIERR_INVALIDPARAM;
        *out = nullptr;
        if (Faulted("CreateDevice"))
            return E_FAIL;
        if (device.id == GUID_SysMouse.id)
            *out = new Device(Kind::Mouse);
        else if (device.id == GUID_SysKeyboard.id)
            *out = new Device(Kind::Keyboard);
        else
            return DIERR_DEVICENOTREG;
        return DI_OK;
    }

private:
    ~DirectInput() override = default;
};

} // namespace

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFGUID iid, void** out, void*)
{
    if (!out)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (Faulted("DirectInput8Create"))
        return E_FAIL;
    if (version != DIRECTINPUT_VERSION)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (iid.id != IID_IDirectInput8A.id)
        return DIERR_NOINTERFACE;
    if (!InitVideo())
        return E_FAIL;
    *out = static_cast<IDirectInput8A*>(new DirectInput);
    return DI_OK;
}

void SetDInputFault(const char* call, int n)
{
    g_Fault.call = call ? call : "";
    g_Fault.countdown = n;
}

} // namespace plat
