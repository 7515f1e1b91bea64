#pragma once

#include "app/CGameTimer.h"
#include "app/CMatrix4.h"
#include "app/CRefCounted.h"
#include "app/IInputListener.h"
#include "app/IInputMgr.h"
#include "app/ISoundMgr.h"
#include "app/IWindow.h"
#include "app/IWindowListener.h"
#include "render/CGuiButton.h"
#include "render/CGuiElement.h"
#include "render/CGuiImagePanel.h"
#include "render/CGuiPanel.h"
#include "render/CGuiText.h"
#include "render/COGLFont.h"
#include "render/IRenderer.h"
#include "render/IVirtualCursor.h"

#include <string>
#include <vector>

// The GUI: a virtual screen (origin top-left, y down) mapped onto the main
// window, the root widget tree drawn over the scene and fed with input, a
// stack of modal widgets that take all input while shown, the focus (the
// widget under the mouse), the GUI font, the two button sounds and a
// statistics overlay (frames per second and the scene graph's counters).
//
// It listens to the input manager (priority 1000) and to the main window (its
// size). Made by the engine services on first request; the application calls
// Create with the window, the input manager, a game timer and the virtual
// size. Main thread only.
class CGuiMgr : public CRefCounted, public IInputListener, public IVirtualCursor
{
public:
    static const char* const kRolloverSound;
    static const char* const kSelectSound;
    static const char* const kFontFace;

    CGuiMgr();
    // Destroy, when Create was not undone yet.
    ~CGuiMgr() override;

    CGuiMgr(const CGuiMgr&) = delete;
    CGuiMgr& operator=(const CGuiMgr&) = delete;

    // Registers with the window and the input manager, maps the virtual
    // screen onto the window's size, makes the font, the button sounds and
    // the statistics texts and reads the cursor. A missing font or sound is
    // logged by its maker and leaves texts or buttons silent or blank. False
    // only without a window, an input manager or a timer, or for a virtual
    // size of 0.
    bool Create(CRefPtr<IWindow> window, CRefPtr<IInputMgr> input, CRefPtr<CGameTimer> timer,
                uint16_t virtualWidth, uint16_t virtualHeight);
    // Leaves the window and the input manager, then ReleaseAll.
    void Destroy();
    // Sizes to 0; root, focus, modals, texts, font, sounds, window, input
    // manager, timer and renderer released.
    void ReleaseAll();

    // Installs a new root (dropping focus and modals when it changes).
    void SetRoot(CRefPtr<CGuiElement> root);
    const CRefPtr<CGuiElement>& GetRoot() const { return m_pRoot; }
    // Pushes a modal (an empty handle is ignored) and moves the focus into it.
    void ShowModal(CRefPtr<CGuiElement> modal);
    // A panel that pops up over the running game (time up, level done, town
    // lost): ShowModal, but its buttons take a press only once the mouse
    // buttons have been left alone for kPanelQuietTime seconds of the
    // timer since it was shown. Every press or release before then starts
    // the wait again and is taken by the panel without a click, so a press
    // held or begun before it showed, or shots fired on as it appears, do
    // not click the button that came up under the pointer. The wait ends
    // with the panel (CloseModal, SetRoot).
    void ShowPanel(CRefPtr<CGuiElement> panel);
    static constexpr double kPanelQuietTime = 0.5;
    // A panel shown by ShowPanel still waits for its quiet time.
    bool IsPanelWaiting() const { return m_pWaitingPanel.Get() != nullptr; }
    // Takes the first entry of this widget off the modal stack.
    void CloseModal(CRefPtr<CGuiElement> modal);
    void SetFocus(CRefPtr<CGuiElement> focus);
    const CRefPtr<CGuiElement>& GetFocus() const { return m_pFocus; }
    const std::vector<CRefPtr<CGuiElement>>& GetModals() const { return m_Modals; }

    CRefPtr<CGuiText> CreateText();
    CRefPtr<CGuiPanel> CreatePanel();
    // The background is a stock rectangle with the texture between the two
    // corners, the colour (four floats, 0..1) and the blend mode.
    CRefPtr<CGuiImagePanel> CreateImagePanel(const std::string& textureName, float u0, float v0, float u1,
                                             float v1, const float colour[4], int blendMode);
    // Four horizontal bands of the texture, top to bottom: normal, hover,
    // pressed, disabled.
    CRefPtr<CGuiButton> CreateButton(const std::string& textureName);
    // A full-screen picture (menu, loading and end screens): an image panel
    // of the whole texture that keeps the picture's proportions in any
    // window, on black where it does not reach (stretched when the
    // texture's size is unknown).
    CRefPtr<CGuiImagePanel> CreatePicturePanel(const std::string& textureName);

    // Per frame before drawing: the tree's Update with the timer's delta,
    // then the statistics texts.
    void RenderStatistics();
    // After the scene: the root tree (and the statistics) over it, without
    // depth test.
    void Render();
    // A visible, unturned, opaque image panel of the root tree covers the
    // whole virtual screen: nothing drawn before the GUI would show.
    bool IsScreenCovered() const;

    // IInputListener: a modal takes every event; else the root answers.
    bool OnMouseMove(int32_t dx, int32_t dy, int32_t wheel) override;
    bool OnMouseDown(uint8_t button) override;
    bool OnMouseUp(uint8_t button) override;
    bool OnChar(uint32_t character) override;
    bool OnKeyDown(uint8_t key) override;
    bool OnKeyUp(uint8_t key) override;

    // The window's client area is now width x height pixels: the virtual
    // screen and the font's pixel height follow it (22 virtual units high,
    // but no wider than in a 4:3 window: in a narrower window the width
    // decides).
    void OnSize(uint16_t width, uint16_t height);

    // IVirtualCursor.
    void GetVirtualMousePosition(float& x, float& y) const override;
    void GetVirtualScreenSize(float& width, float& height) const override;
    void GetVirtualPixelSize(float& width, float& height) const override;

    float GetMouseX() const { return m_fMouseX; }
    float GetMouseY() const { return m_fMouseY; }
    float GetScaleX() const { return m_fScaleX; }
    float GetScaleY() const { return m_fScaleY; }
    uint16_t GetVirtualWidth() const { return m_usVirtualWidth; }
    uint16_t GetVirtualHeight() const { return m_usVirtualHeight; }
    const CMatrix4& GetProjection() const { return m_Projection; }
    // The window the GUI is mapped onto; empty before Create.
    const CRefPtr<IWindow>& GetWindow() const { return m_pWindow; }
    const CRefPtr<COGLFont>& GetFont() const { return m_pFont; }
    const CRefPtr<ISound>& GetRolloverSound() const { return m_pRolloverSound; }
    const CRefPtr<ISound>& GetSelectSound() const { return m_pSelectSound; }
    const CRefPtr<CGuiText>& GetFpsText() const { return m_pFpsText; }
    const CRefPtr<CGuiText>& GetCountersText() const { return m_pCountersText; }

    bool IsStatisticsShown() const { return m_bShowStatistics != 0; }
    void SetStatisticsShown(bool shown) { m_bShowStatistics = shown ? 1 : 0; }
    void ToggleStatistics() { m_bShowStatistics = m_bShowStatistics ? 0 : 1; }

private:
    // The window's notifications, kept apart from the input listener (both
    // interfaces name a character handler).
    class CWindowPart : public IWindowListener
    {
    public:
        explicit CWindowPart(CGuiMgr& owner) : m_Owner(owner) {}
        void OnSize(uint16_t width, uint16_t height) override { m_Owner.OnSize(width, height); }

    private:
        CGuiMgr& m_Owner;
    };

    // The top modal, else the root (either may be empty); *modal tells which.
    CRefPtr<CGuiElement> InputTarget(bool* modal) const;
    // A mouse button went down or up: true when a waiting panel takes it
    // (and starts its wait again) instead of its buttons.
    bool PanelSwallows(bool press);
    double Now() const;
    template <class F> bool Dispatch(F call);
    // Reads the cursor from the input manager into virtual units.
    void ReadCursor();
    CRefPtr<COGLDisplayList> StockRectangle(const std::string& textureName, float u0, float v0, float u1,
                                            float v1, const float colour[4], int blendMode) const;

    uint16_t m_usVirtualWidth;
    uint16_t m_usVirtualHeight;
    float m_fScaleX;
    float m_fScaleY;
    float m_fMouseX;
    float m_fMouseY;
    CMatrix4 m_Projection;
    CRefPtr<CGuiElement> m_pRoot;
    CRefPtr<CGuiElement> m_pFocus;
    std::vector<CRefPtr<CGuiElement>> m_Modals;
    CRefPtr<IWindow> m_pWindow;
    CRefPtr<IInputMgr> m_pInputMgr;
    CRefPtr<CGameTimer> m_pTimer;
    CRefPtr<COGLFont> m_pFont;
    CRefPtr<ISound> m_pRolloverSound;
    CRefPtr<ISound> m_pSelectSound;
    CRefPtr<IRenderer> m_pRenderer;
    std::string m_strFps;
    double m_dLastFpsUpdate;
    double m_dCurrentTime;
    CRefPtr<CGuiText> m_pFpsText;
    std::string m_strCounters;
    CRefPtr<CGuiText> m_pCountersText;
    uint8_t m_bShowStatistics;
    // The panel of ShowPanel while it waits, and when its wait began.
    CRefPtr<CGuiElement> m_pWaitingPanel;
    double m_dQuietSince;
    CWindowPart m_WindowPart;
};
