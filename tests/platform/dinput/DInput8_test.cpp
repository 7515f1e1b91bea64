#include "platform/dinput/DIKeyCodes.h"
#include "platform/dinput/DInput8.h"
#include "tests/platform/win32/DummyVideo.h"

using namespace plat;

namespace
{

class DInputLayer : public testsupport::DummyVideoTest
{
protected:
    void SetUp() override
    {
        DummyVideoTest::SetUp();
        m_hWnd = Make();
        ASSERT_NE(m_hWnd, nullptr);
        void* di = nullptr;
        ASSERT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A, &di,
                                     nullptr),
                  DI_OK);
        m_pDI = static_cast<IDirectInput8A*>(di);
        m_pKeyboard = MakeDevice(GUID_SysKeyboard, c_dfDIKeyboard, 16);
        m_pMouse = MakeDevice(GUID_SysMouse, c_dfDIMouse2, 32);
        PumpEvents();
        DiscardMessages();
    }
    void TearDown() override
    {
        if (m_pKeyboard)
            m_pKeyboard->Release();
        if (m_pMouse)
            m_pMouse->Release();
        if (m_pDI)
            m_pDI->Release();
        SetDInputFault("", 0);
        DummyVideoTest::TearDown();
    }

    IDirectInputDevice8A* MakeDevice(REFGUID guid, const DIDATAFORMAT& format, DWORD size)
    {
        IDirectInputDevice8A* dev = nullptr;
        EXPECT_EQ(m_pDI->CreateDevice(guid, &dev, nullptr), DI_OK);
        EXPECT_EQ(dev->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(dev->SetCooperativeLevel(m_hWnd, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE), DI_OK);
        DIPROPDWORD p{};
        p.diph.dwSize = sizeof p;
        p.diph.dwHeaderSize = sizeof p.diph;
        p.diph.dwHow = DIPH_DEVICE;
        p.dwData = size;
        EXPECT_EQ(dev->SetProperty(DIPROP_BUFFERSIZE, &p.diph), DI_OK);
        return dev;
    }

    void Focus(bool on)
    {
        PushWindowEvent(m_hWnd, on ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
        PumpEvents();
    }

    void AcquireBoth()
    {
        Focus(true);
        ASSERT_EQ(m_pKeyboard->Acquire(), DI_OK);
        ASSERT_EQ(m_pMouse->Acquire(), DI_OK);
    }

    static void PushButton(Uint8 button, bool down)
    {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    static void PushMotion(int dx, int dy)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.xrel = dx;
        e.motion.yrel = dy;
        SDL_PushEvent(&e);
    }
    static void PushWheel(int y)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.y = y;
        SDL_PushEvent(&e);
    }

    HRESULT Read(IDirectInputDevice8A* dev, std::vector<DIDEVICEOBJECTDATA>& out, DWORD max)
    {
        out.assign(max, DIDEVICEOBJECTDATA{});
        DWORD n = max;
        HRESULT hr = dev->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), out.data(), &n, 0);
        out.resize(SUCCEEDED(hr) ? n : 0);
        return hr;
    }

    HWND m_hWnd = nullptr;
    IDirectInput8A* m_pDI = nullptr;
    IDirectInputDevice8A* m_pKeyboard = nullptr;
    IDirectInputDevice8A* m_pMouse = nullptr;
};

TEST_F(DInputLayer, CreationChecksVersionInterfaceAndDevice)
{
    void* out = &out;
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, &out, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, GUID_SysMouse, &out, nullptr),
              DIERR_NOINTERFACE);
    IDirectInputDevice8A* dev = nullptr;
    EXPECT_EQ(m_pDI->CreateDevice(IID_IDirectInput8A, &dev, nullptr), DIERR_DEVICENOTREG);
    ASSERT_EQ(m_pDI->CreateDevice(GUID_SysMouse, &dev, nullptr), DI_OK);
    EXPECT_EQ(dev->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    EXPECT_EQ(dev->Acquire(), DIERR_INVALIDPARAM) << "no format yet";
    EXPECT_EQ(dev->SetCooperativeLevel(nullptr, 6), DIERR_INVALIDPARAM);
    EXPECT_EQ(dev->SetCooperativeLevel(m_hWnd, DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    dev->Release();

    SetDInputFault("SetCooperativeLevel", 2);
    ASSERT_EQ(m_pDI->CreateDevice(GUID_SysMouse, &dev, nullptr), DI_OK);
    EXPECT_EQ(dev->SetCooperativeLevel(m_hWnd, 6), DI_OK);
    EXPECT_EQ(dev->SetCooperativeLevel(m_hWnd, 6), E_FAIL);
    EXPECT_EQ(dev->SetCooperativeLevel(m_hWnd, 6), DI_OK);
    dev->Release();
}

TEST_F(DInputLayer, AcquiredOnlyWithFocusAndNothingBufferedWithout)
{
    EXPECT_EQ(m_pKeyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    std::vector<DIDEVICEOBJECTDATA> items;
    EXPECT_EQ(Read(m_pKeyboard, items, 16), DIERR_NOTACQUIRED);
    BYTE keys[256];
    EXPECT_EQ(m_pKeyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);

    PushKey(m_hWnd, SDL_SCANCODE_W, true); // before focus: state only
    PumpEvents();
    AcquireBoth();
    EXPECT_EQ(Read(m_pKeyboard, items, 16), DI_OK);
    EXPECT_TRUE(items.empty());
    ASSERT_EQ(m_pKeyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_W], 0x80);

    // Focus loss: key-ups reach the state but the buffer is gone.
    PushKey(m_hWnd, SDL_SCANCODE_A, true);
    PumpEvents();
    Focus(false);
    PushKey(m_hWnd, SDL_SCANCODE_W, false);
    PumpEvents();
    EXPECT_EQ(Read(m_pKeyboard, items, 16), DIERR_NOTACQUIRED);
    EXPECT_EQ(m_pKeyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    Focus(true);
    ASSERT_EQ(m_pKeyboard->Acquire(), DI_OK);
    EXPECT_EQ(Read(m_pKeyboard, items, 16), DI_OK);
    EXPECT_TRUE(items.empty());
    ASSERT_EQ(m_pKeyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_W], 0);
    EXPECT_EQ(keys[DIK_A], 0x80);
}

TEST_F(DInputLayer, KeysInOrderWithoutRepeatsOrUnmappedKeys)
{
    AcquireBoth();
    PushKey(m_hWnd, SDL_SCANCODE_ESCAPE, true);
    PushKey(m_hWnd, SDL_SCANCODE_ESCAPE, true, 1);
    PushKey(m_hWnd, SDL_SCANCODE_F13, true);
    PushKey(m_hWnd, SDL_SCANCODE_UP, true);
    PushKey(m_hWnd, SDL_SCANCODE_ESCAPE, false);
    PumpEvents();
    std::vector<DIDEVICEOBJECTDATA> items;
    ASSERT_EQ(Read(m_pKeyboard, items, 16), DI_OK);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].dwOfs, DIK_ESCAPE);
    EXPECT_EQ(items[0].dwData, 0x80u);
    EXPECT_EQ(items[1].dwOfs, DIK_UP);
    EXPECT_EQ(items[2].dwOfs, DIK_ESCAPE);
    EXPECT_EQ(items[2].dwData, 0u);
    EXPECT_LT(items[0].dwSequence, items[1].dwSequence);
}

TEST_F(DInputLayer, KeyboardOverflowKeepsTheFirstSixteenAndTheState)
{
    AcquireBoth();
    const SDL_Scancode keys[] = {SDL_SCANCODE_A, SDL_SCANCODE_B, SDL_SCANCODE_C,
                                 SDL_SCANCODE_D, SDL_SCANCODE_E, SDL_SCANCODE_F,
                                 SDL_SCANCODE_G, SDL_SCANCODE_H, SDL_SCANCODE_I};
    for (SDL_Scancode k : keys)
    {
        PushKey(m_hWnd, k, true);
        PushKey(m_hWnd, k, false);
    }
    PushKey(m_hWnd, SDL_SCANCODE_Z, true);
    PumpEvents();
    std::vector<DIDEVICEOBJECTDATA> items;
    ASSERT_EQ(Read(m_pKeyboard, items, 16), DI_BUFFEROVERFLOW);
    EXPECT_EQ(items.size(), 16u);
    EXPECT_EQ(items[15].dwOfs, DIKFromScancode(SDL_SCANCODE_H));
    ASSERT_EQ(Read(m_pKeyboard, items, 16), DI_OK) << "the flag is reported once";
    EXPECT_TRUE(items.empty());
    BYTE state[256];
    ASSERT_EQ(m_pKeyboard->GetDeviceState(256, state), DI_OK);
    EXPECT_EQ(state[DIKFromScancode(SDL_SCANCODE_Z)], 0x80);
    EXPECT_EQ(state[DIKFromScancode(SDL_SCANCODE_I)], 0);
}

TEST_F(DInputLayer, MouseButtonsWheelAndMergedMotion)
{
    AcquireBoth();
    PushMotion(3, -2);
    PushMotion(4, 0);
    PushWheel(1);
    PushButton(SDL_BUTTON_RIGHT, true);
    PushMotion(1, 1);
    PushButton(SDL_BUTTON_RIGHT, false);
    PushButton(SDL_BUTTON_MIDDLE, true);
    PushButton(SDL_BUTTON_X2, true);
    PushWheel(-2);
    PumpEvents();
    std::vector<DIDEVICEOBJECTDATA> items;
    ASSERT_EQ(Read(m_pMouse, items, 32), DI_OK);
    std::vector<std::pair<DWORD, int32_t>> got;
    for (const auto& i : items)
        got.emplace_back(i.dwOfs, static_cast<int32_t>(i.dwData));
    const std::vector<std::pair<DWORD, int32_t>> want = {{DIMOFS_X, 7},
                                                         {DIMOFS_Y, -2},
                                                         {DIMOFS_Z, 120},
                                                         {DIMOFS_BUTTON0 + 1, 0x80},
                                                         {DIMOFS_X, 1},
                                                         {DIMOFS_Y, 1},
                                                         {DIMOFS_BUTTON0 + 1, 0},
                                                         {DIMOFS_BUTTON0 + 2, 0x80},
                                                         {DIMOFS_BUTTON0 + 4, 0x80},
                                                         {DIMOFS_Z, -240}};
    EXPECT_EQ(got, want);
    DIMOUSESTATE2 st{};
    ASSERT_EQ(m_pMouse->GetDeviceState(sizeof st, &st), DI_OK);
    EXPECT_EQ(st.lX, 8);
    EXPECT_EQ(st.lZ, -120);
    EXPECT_EQ(st.rgbButtons[1], 0);
    EXPECT_EQ(st.rgbButtons[2], 0x80);
    ASSERT_EQ(m_pMouse->GetDeviceState(sizeof st, &st), DI_OK);
    EXPECT_EQ(st.lX, 0) << "axes count from the previous read";
}

TEST_F(DInputLayer, FastMotionDoesNotOverflowButManyClicksDo)
{
    AcquireBoth();
    for (int i = 0; i < 200; ++i)
        PushMotion(1, 2);
    PumpEvents();
    std::vector<DIDEVICEOBJECTDATA> items;
    ASSERT_EQ(Read(m_pMouse, items, 32), DI_OK);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(static_cast<int32_t>(items[0].dwData), 200);
    EXPECT_EQ(static_cast<int32_t>(items[1].dwData), 400);

    for (int i = 0; i < 20; ++i)
    {
        PushButton(SDL_BUTTON_LEFT, true);
        PushButton(SDL_BUTTON_LEFT, false);
    }
    PushButton(SDL_BUTTON_LEFT, true);
    PumpEvents();
    ASSERT_EQ(Read(m_pMouse, items, 32), DI_BUFFEROVERFLOW);
    EXPECT_EQ(items.size(), 32u);
    DIMOUSESTATE2 st{};
    ASSERT_EQ(m_pMouse->GetDeviceState(sizeof st, &st), DI_OK);
    EXPECT_EQ(st.rgbButtons[0], 0x80);
}

} // namespace
