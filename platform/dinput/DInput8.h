#pragma once

// The DirectInput 8 calls the program uses, as buffered mouse and keyboard
// devices fed from the SDL events that the message pump (platform/win32)
// reads. Names and constants keep their DirectInput spelling.
//
// Per device: a FIFO of {offset, data} items of the size set with
// DIPROP_BUFFERSIZE, an overflow flag, an "acquired" flag, and a state table
// that every SDL event updates, whether it is buffered or not.
// - Acquire succeeds while the cooperative window has the input focus; focus
//   loss unacquires and empties the FIFO, so the next GetDeviceData fails.
// - Keyboard: one item per key press or release (offset = key code from
//   DIKeyCodes.h, data 0x80 down / 0 up). Key repeats are dropped; keys
//   without a code are dropped.
// - Mouse: buttons at offset 12 + index (left 0, right 1, middle 2, X1 3,
//   X2 4), wheel notches x 120 at offset 8, relative motion at offsets 0
//   and 4. Consecutive motion and wheel items are merged into the ones at
//   the end of the FIFO, so movement between two button changes takes at most
//   three items and a fast mouse does not overflow the buffer.
// Main thread only.

#include "platform/win32/W32Window.h"

#include <cstdint>

namespace plat
{

typedef int32_t HRESULT;
typedef uint8_t BYTE;
typedef uint32_t ULONG;

inline bool FAILED(HRESULT hr)
{
    return hr < 0;
}
inline bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}

// Identifiers: only their identity matters here.
struct GUID
{
    uint32_t id;
};
typedef const GUID& REFGUID;
extern const GUID IID_IDirectInput8A;
extern const GUID GUID_SysMouse;
extern const GUID GUID_SysKeyboard;

constexpr DWORD DIRECTINPUT_VERSION = 0x0800;

constexpr HRESULT DI_OK = 0;
constexpr HRESULT DI_BUFFEROVERFLOW = 1;
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DIERR_NOTBUFFERED = static_cast<HRESULT>(0x80040207u);
constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = static_cast<HRESULT>(0x8007047Eu);
constexpr HRESULT DIERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

constexpr DWORD DISCL_EXCLUSIVE = 0x1;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x2;
constexpr DWORD DISCL_FOREGROUND = 0x4;
constexpr DWORD DISCL_BACKGROUND = 0x8;

constexpr DWORD DIMOFS_X = 0;
constexpr DWORD DIMOFS_Y = 4;
constexpr DWORD DIMOFS_Z = 8;
constexpr DWORD DIMOFS_BUTTON0 = 12;
constexpr DWORD DIMOFS_BUTTON7 = 19;

constexpr DWORD DIPH_DEVICE = 0;
// The one property supported: the FIFO size in items.
constexpr uintptr_t DIPROP_BUFFERSIZE = 1;

struct DIDEVICEOBJECTDATA
{
    DWORD dwOfs;
    DWORD dwData; // buttons and keys: bit 7 = down; axes: signed relative count
    DWORD dwTimeStamp;
    DWORD dwSequence;
    uint32_t uAppData;
};
static_assert(sizeof(DIDEVICEOBJECTDATA) == 20, "item size");

struct DIPROPHEADER
{
    DWORD dwSize;
    DWORD dwHeaderSize;
    DWORD dwObj;
    DWORD dwHow;
};

struct DIPROPDWORD
{
    DIPROPHEADER diph;
    DWORD dwData;
};

// Mouse immediate state (c_dfDIMouse2).
struct DIMOUSESTATE2
{
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[8];
};
static_assert(sizeof(DIMOUSESTATE2) == 20, "mouse state size");

// Data formats: only the size of the immediate state and the device kind
// they fit are kept.
struct DIDATAFORMAT
{
    DWORD dwSize;
    DWORD dwDataSize;
    DWORD kind; // 1 mouse, 2 keyboard
};
extern const DIDATAFORMAT c_dfDIMouse2;
extern const DIDATAFORMAT c_dfDIKeyboard;

class IDirectInputDevice8A
{
public:
    virtual HRESULT SetDataFormat(const DIDATAFORMAT* format) = 0;
    // The window must exist; the flags must hold exactly one of
    // EXCLUSIVE/NONEXCLUSIVE and one of FOREGROUND/BACKGROUND.
    virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) = 0;
    // DIPROP_BUFFERSIZE for the whole device (DIPH_DEVICE) only.
    virtual HRESULT SetProperty(uintptr_t property, const DIPROPHEADER* header) = 0;
    // DI_OK while the window has the focus, DIERR_OTHERAPPHASPRIO otherwise.
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    // Takes up to *inOut items (*inOut receives the count). DIERR_NOTACQUIRED
    // when unacquired, DI_BUFFEROVERFLOW when items were lost since the last read.
    virtual HRESULT GetDeviceData(DWORD itemSize, DIDEVICEOBJECTDATA* items, DWORD* inOut, DWORD flags) = 0;
    // The tracked state: 256 key bytes, or a DIMOUSESTATE2 whose axes are the
    // movement since the previous state read.
    virtual HRESULT GetDeviceState(DWORD size, void* data) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IDirectInputDevice8A() {}
};

class IDirectInput8A
{
public:
    virtual HRESULT CreateDevice(REFGUID device, IDirectInputDevice8A** out, void* outer) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IDirectInput8A() {}
};

// Needs SDL video (plat::InitVideo); fails for other versions or interfaces.
HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFGUID iid, void** out, void* outer);

// Test hook: makes the n-th call (1-based, counted from now) of the named
// entry fail with E_FAIL; n = 0 switches the fault off. Names:
// "DirectInput8Create", "CreateDevice", "SetDataFormat",
// "SetCooperativeLevel", "SetProperty".
void SetDInputFault(const char* call, int n);

} // namespace plat
