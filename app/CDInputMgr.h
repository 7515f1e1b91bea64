#pragma once

#include "app/IInputMgr.h"
#include "app/IWindowListener.h"
#include "platform/dinput/DInput8.h"

#include <cstdint>

// The input manager over the platform's DirectInput 8 layer: buffered mouse
// (32 items) and keyboard (16 items) in foreground, non-exclusive mode.
// After a buffer overflow, a failed read or at start, the devices' immediate
// state is compared with the recorded one and every difference is reported
// (buttons and keys only; movement is not recovered). As a window listener it
// passes characters on and re-applies the cursor clip on activation.
class CDInputMgr : public IInputMgr, public IWindowListener
{
public:
    CDInputMgr();
    // Calls Destroy.
    ~CDInputMgr() override;

    // Each set-up failure logs its message with flag 1 and returns false.
    bool Create(plat::HINSTANCE instance, const CRefPtr<IWindow>& window) override;
    void Update() override;
    void GetCursorPosition(int32_t& x, int32_t& y) override;
    void GetNormalizedCursorPosition(float& x, float& y) override;
    // No-op when unchanged; on: confines the cursor to the window's client area.
    void SetCursorClip(bool clip) override;
    // No-op when unchanged.
    void ShowMouseCursor(bool show) override;
    // Frees the cursor, detaches from the window, releases the devices and
    // resets the recorded state. Safe to repeat.
    void Destroy() override;

    // IWindowListener
    void OnChar(uint32_t character) override;
    void OnActivate(bool active) override;

    bool IsMouseButtonDown(uint8_t button) const { return button < 8 && m_aMouseButtons[button] != 0; }
    bool IsKeyDown(uint8_t key) const { return m_aKeys[key] != 0; }
    bool IsCursorClipped() const { return m_ucClip != 0; }
    bool IsCursorShown() const { return m_ucCursorShown != 0; }

    static constexpr plat::DWORD kMouseBufferSize = 32;
    static constexpr plat::DWORD kKeyboardBufferSize = 16;

private:
    bool CreateMouse(plat::HWND hwnd);
    bool CreateKeyboard(plat::HWND hwnd);
    void UpdateMouse();
    void UpdateKeyboard();
    void ResyncMouse();
    void ResyncKeyboard();
    void SetButton(uint8_t button, bool down);
    void SetKey(uint8_t key, bool down);
    static void Reacquire(plat::IDirectInputDevice8A* device);

    plat::IDirectInput8A* m_pDirectInput;
    plat::IDirectInputDevice8A* m_pMouse;
    plat::IDirectInputDevice8A* m_pKeyboard;
    CRefPtr<IWindow> m_pWindow;
    uint8_t m_aMouseButtons[8];
    uint8_t m_aKeys[256];
    uint8_t m_ucMouseResync;
    uint8_t m_ucKeyboardResync;
    uint8_t m_ucClip;
    uint8_t m_ucCursorShown;
};
