#include "render/CGuiMgr.h"

#include "app/CEngineServices.h"
#include "render/CModelFactory.h"
#include "render/ISceneEntry.h"

#include <algorithm>
#include <cstdio>

const char* const CGuiMgr::kRolloverSound = "Data\\sounds\\button_rollover.wav";
const char* const CGuiMgr::kSelectSound = "Data\\sounds\\button_select.wav";
const char* const CGuiMgr::kFontFace = "Verdana";

namespace
{

// Height of the GUI font in virtual units.
const float kFontHeight = 22.0f;
// Shortest time between two changes of the FPS text, in game seconds.
const double kFpsInterval = 0.2;

// Virtual units per pixel; a size of 0 (no window yet) maps one to one.
float ScaleOf(uint16_t virtualSize, uint16_t pixels)
{
    return pixels ? static_cast<float>(virtualSize) / static_cast<float>(pixels) : 1.0f;
}

// The font's pixel height for kFontHeight virtual units, truncated, within
// what the font maker takes (1..255). The screens are laid out for a 4:3
// window, where a glyph is three quarters as wide in virtual units as it is
// high: in a window narrower than that the font follows the width (it
// keeps its 4:3 width), in a wider one the height, so every text stays
// within the box it has in a 4:3 window.
uint8_t FontPixels(float scaleX, float scaleY)
{
    const float scale = std::max(scaleY, scaleX * (4.0f / 3.0f));
    const float pixels = scale > 0.0f ? kFontHeight / scale : 255.0f;
    if (!(pixels >= 1.0f))
        return 1;
    return pixels >= 255.0f ? 255 : static_cast<uint8_t>(pixels);
}

// One band of a button texture: rows v0..v1 of the texture, colour c.
struct SButtonBand
{
    int model;
    float v0, v1;
    float colour[4];
};

const SButtonBand kButtonBands[4] = {
    {CGuiButton::MODEL_NORMAL, 0.0f, 0.25f, {1.0f, 1.0f, 1.0f, 1.0f}},
    {CGuiButton::MODEL_HOVER, 0.25f, 0.5f, {1.0f, 1.0f, 1.0f, 1.0f}},
    {CGuiButton::MODEL_PRESSED, 0.5f, 0.75f, {0.8f, 0.8f, 0.8f, 1.0f}},
    {CGuiButton::MODEL_DISABLED, 0.75f, 1.0f, {0.8f, 0.8f, 0.8f, 1.0f}},
};

} // namespace

CGuiMgr::CGuiMgr()
    : m_usVirtualWidth(0), m_usVirtualHeight(0), m_fScaleX(1.0f), m_fScaleY(1.0f), m_fMouseX(0.0f),
      m_fMouseY(0.0f), m_dLastFpsUpdate(0.0), m_dCurrentTime(0.0), m_bShowStatistics(0), m_dQuietSince(0.0),
      m_WindowPart(*this)
{
    SetPriority(1000);
}

CGuiMgr::~CGuiMgr()
{
    // The window and the input manager keep raw pointers to this object.
    Destroy();
}

bool CGuiMgr::Create(CRefPtr<IWindow> window, CRefPtr<IInputMgr> input, CRefPtr<CGameTimer> timer,
                     uint16_t virtualWidth, uint16_t virtualHeight)
{
    if (!window || !input || !timer || !virtualWidth || !virtualHeight)
        return false;
    // A second Create starts over instead of registering twice.
    Destroy();

    m_pWindow = window;
    m_pWindow->AddListener(&m_WindowPart);
    m_pInputMgr = input;
    m_pInputMgr->AddListener(this);
    m_pTimer = timer;

    uint16_t width = 0, height = 0;
    m_pWindow->GetSize(width, height);
    m_usVirtualWidth = virtualWidth;
    m_usVirtualHeight = virtualHeight;
    m_fScaleX = ScaleOf(virtualWidth, width);
    m_fScaleY = ScaleOf(virtualHeight, height);
    m_Projection.SetOrtho(virtualWidth, virtualHeight, 1.0f, 1000.0f);

    m_pRenderer = CGuiElement::GetRenderer();
    if (m_pRenderer)
        m_pFont = m_pRenderer->CreateFont(kFontFace, FontPixels(m_fScaleX, m_fScaleY), 1, 0);

    CEngineServices* services = CEngineServices::GetInstance();
    if (services)
    {
        CRefPtr<ISoundMgr>& sounds = services->GetSoundMgr();
        if (sounds)
        {
            m_pRolloverSound = sounds->GetSound(ISoundMgr::SOUND_SAMPLE, kRolloverSound);
            m_pSelectSound = sounds->GetSound(ISoundMgr::SOUND_SAMPLE, kSelectSound);
        }
    }
    if (m_pRolloverSound)
        m_pRolloverSound->SetLoopCount(4);

    m_pFpsText = CreateText();
    m_pFpsText->SetColor(0xFFFFFFFFu);
    m_pFpsText->SetPosition(CVector3(5.0f, 970.0f, 800.0f));
    m_pCountersText = CreateText();
    m_pCountersText->SetColor(0xFFFFFFFFu);
    // 34 units above the FPS line: a line of the font is up to 28 units
    // high (in an 800 x 600 window), so the two never touch.
    m_pCountersText->SetPosition(CVector3(5.0f, 936.0f, 800.0f));

    ReadCursor();
    return true;
}

void CGuiMgr::Destroy()
{
    if (m_pWindow)
        m_pWindow->RemoveListener(&m_WindowPart);
    if (m_pInputMgr)
        m_pInputMgr->RemoveListener(this);
    ReleaseAll();
}

void CGuiMgr::ReleaseAll()
{
    m_usVirtualWidth = 0;
    m_usVirtualHeight = 0;
    // Widgets and the font own display lists: they go before the renderer,
    // whose last handle may be this one.
    m_pRoot.Release();
    m_pFocus.Release();
    m_Modals.clear();
    m_pWaitingPanel.Release();
    m_pFpsText.Release();
    m_pCountersText.Release();
    m_pFont.Release();
    m_pRolloverSound.Release();
    m_pSelectSound.Release();
    m_pWindow.Release();
    m_pInputMgr.Release();
    m_pTimer.Release();
    m_pRenderer.Release();
}

void CGuiMgr::SetRoot(CRefPtr<CGuiElement> root)
{
    if (root == m_pRoot)
        return;
    SetFocus(CRefPtr<CGuiElement>());
    m_Modals.clear();
    m_pWaitingPanel.Release();
    m_pRoot = root;
    if (m_pRoot)
        m_pRoot->SetParent(nullptr);
}

void CGuiMgr::ShowModal(CRefPtr<CGuiElement> modal)
{
    if (!modal)
        return;
    m_Modals.push_back(modal);
    if (m_pFocus && !modal->IsSame(m_pFocus))
    {
        SetFocus(CRefPtr<CGuiElement>());
        SetFocus(modal);
    }
}

void CGuiMgr::ShowPanel(CRefPtr<CGuiElement> panel)
{
    if (!panel)
        return;
    ShowModal(panel);
    m_pWaitingPanel = panel;
    m_dQuietSince = Now();
}

double CGuiMgr::Now() const
{
    return m_pTimer ? m_pTimer->GetTotalTime() : 0.0;
}

bool CGuiMgr::PanelSwallows(bool press)
{
    if (!m_pWaitingPanel)
        return false;
    const double now = Now();
    if (press && now - m_dQuietSince >= kPanelQuietTime)
    {
        m_pWaitingPanel.Release();
        return false;
    }
    m_dQuietSince = now;
    // A release still reaches the widgets: it ends no click (nothing was
    // pressed on the panel) but may end a press begun elsewhere.
    return press;
}

void CGuiMgr::CloseModal(CRefPtr<CGuiElement> modal)
{
    if (!modal)
        return;
    if (modal == m_pWaitingPanel)
        m_pWaitingPanel.Release();
    auto it = std::find(m_Modals.begin(), m_Modals.end(), modal);
    if (it != m_Modals.end())
        m_Modals.erase(it);
}

void CGuiMgr::SetFocus(CRefPtr<CGuiElement> focus)
{
    if (focus == m_pFocus)
        return;
    if (focus)
    {
        // The focus cannot leave the top modal and its direct children.
        if (!m_Modals.empty())
        {
            CRefPtr<CGuiElement> top = m_Modals.back();
            if (!top->IsSame(focus))
                return;
        }
        // A panel hands the focus on to a child here and refuses it itself.
        if (!focus->CanReceiveInput())
            return;
    }
    CRefPtr<CGuiElement> old = m_pFocus;
    if (old)
        old->OnFocusLost();
    m_pFocus = focus;
}

CRefPtr<CGuiText> CGuiMgr::CreateText()
{
    CRefPtr<CGuiText> text(new CGuiText);
    text->SetFont(m_pFont);
    return text;
}

CRefPtr<CGuiPanel> CGuiMgr::CreatePanel()
{
    return CRefPtr<CGuiPanel>(new CGuiPanel);
}

CRefPtr<COGLDisplayList> CGuiMgr::StockRectangle(const std::string& textureName, float u0, float v0, float u1,
                                                 float v1, const float colour[4], int blendMode) const
{
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
    if (!factory)
        return CRefPtr<COGLDisplayList>();
    return factory->getStockObject(CModelFactory::eRECTANGLE, textureName, u0, v0, u1, v1, colour, blendMode);
}

CRefPtr<CGuiImagePanel> CGuiMgr::CreateImagePanel(const std::string& textureName, float u0, float v0,
                                                  float u1, float v1, const float colour[4], int blendMode)
{
    CRefPtr<CGuiImagePanel> panel(new CGuiImagePanel);
    panel->SetBackground(StockRectangle(textureName, u0, v0, u1, v1, colour, blendMode));
    return panel;
}

CRefPtr<CGuiImagePanel> CGuiMgr::CreatePicturePanel(const std::string& textureName)
{
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    CRefPtr<CGuiImagePanel> panel = CreateImagePanel(textureName, 0.0f, 0.0f, 1.0f, 1.0f, white, 0);
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
    uint32_t width = 0, height = 0;
    if (factory && factory->GetTextureSize(textureName, width, height) && width > 0 && height > 0)
        panel->KeepProportions(static_cast<float>(width) / static_cast<float>(height),
                               StockRectangle("", 0.0f, 0.0f, 1.0f, 1.0f, black, 0));
    return panel;
}

CRefPtr<CGuiButton> CGuiMgr::CreateButton(const std::string& textureName)
{
    CRefPtr<CGuiButton> button(new CGuiButton(m_pRolloverSound, m_pSelectSound));
    for (const SButtonBand& band : kButtonBands)
        button->SetModel(band.model,
                         StockRectangle(textureName, 0.0f, band.v0, 1.0f, band.v1, band.colour, 0));
    return button;
}

void CGuiMgr::RenderStatistics()
{
    if (m_pRoot && m_pTimer)
    {
        CRefPtr<CGuiElement> root = m_pRoot;
        root->Update(static_cast<float>(m_pTimer->GetDelta()));
    }
    if (!m_bShowStatistics)
        return;
    char buffer[96];
    if (m_pTimer)
    {
        m_dCurrentTime = m_pTimer->GetTotalTime();
        if (m_dCurrentTime - m_dLastFpsUpdate > kFpsInterval)
        {
            std::snprintf(buffer, sizeof buffer, "FPS: %0.1f", m_pTimer->GetFps());
            m_strFps = buffer;
            if (m_pFpsText)
                m_pFpsText->SetText(m_strFps);
            m_dLastFpsUpdate = m_dCurrentTime;
        }
    }
    SRenderCounters& counters = GetRenderCounters();
    std::snprintf(buffer, sizeof buffer, "Rendered: %lu (%lu/%lu)",
                  static_cast<unsigned long>(counters.drawn), static_cast<unsigned long>(counters.tested),
                  static_cast<unsigned long>(counters.boxPassed));
    m_strCounters = buffer;
    if (m_pCountersText)
        m_pCountersText->SetText(m_strCounters);
    counters.Reset();
}

void CGuiMgr::Render()
{
    if (!m_pRenderer)
        return;
    CRefPtr<IRenderer> renderer = m_pRenderer;
    renderer->SetMatrixMode(0);
    renderer->LoadMatrix(m_Projection);
    renderer->SetMatrixMode(1);
    renderer->LoadMatrix(CMatrix4());
    renderer->SetDepthTest(0.0f);
    if (m_pRoot)
    {
        CRefPtr<CGuiElement> root = m_pRoot;
        root->Draw();
    }
    if (m_bShowStatistics)
    {
        if (m_pFpsText)
            m_pFpsText->Draw();
        if (m_pCountersText)
            m_pCountersText->Draw();
    }
    renderer->SetDepthTest(1.0f);
}

namespace
{

// The element at `origin` plus its position, or one of its children, is an
// opaque image panel over the rectangle 0..width x 0..height. Turned
// elements are left out (with their children): their drawing is not their
// rectangle.
bool Covers(CGuiElement& element, const CVector3& origin, float width, float height)
{
    if (!element.IsVisible() || element.GetRotation() != CVector3())
        return false;
    const CVector3 p = origin + element.GetPosition();
    const CVector3& size = element.GetScale();
    const auto* image = dynamic_cast<const CGuiImagePanel*>(&element);
    if (image && image->IsOpaque() && p.x <= 0.0f && p.y <= 0.0f && p.x + size.x >= width &&
        p.y + size.y >= height)
        return true;
    auto* panel = dynamic_cast<CGuiPanel*>(&element);
    if (!panel)
        return false;
    for (const CRefPtr<CGuiElement>& child : panel->GetChildren())
        if (child && Covers(*child, p, width, height))
            return true;
    return false;
}

} // namespace

bool CGuiMgr::IsScreenCovered() const
{
    if (!m_pRoot || m_usVirtualWidth == 0 || m_usVirtualHeight == 0)
        return false;
    return Covers(*m_pRoot, CVector3(), m_usVirtualWidth, m_usVirtualHeight);
}

CRefPtr<CGuiElement> CGuiMgr::InputTarget(bool* modal) const
{
    *modal = !m_Modals.empty();
    return *modal ? m_Modals.back() : m_pRoot;
}

void CGuiMgr::ReadCursor()
{
    if (!m_pInputMgr)
        return;
    int32_t x = 0, y = 0;
    m_pInputMgr->GetCursorPosition(x, y);
    m_fMouseX = static_cast<float>(x) * m_fScaleX;
    m_fMouseY = static_cast<float>(y) * m_fScaleY;
}

bool CGuiMgr::OnMouseMove(int32_t dx, int32_t dy, int32_t wheel)
{
    ReadCursor();
    bool modal = false;
    CRefPtr<CGuiElement> target = InputTarget(&modal);
    if (!target)
        return false;
    const bool taken =
        target->UpdateHover(static_cast<float>(dx) * m_fScaleX, static_cast<float>(dy) * m_fScaleY, wheel);
    return modal || taken;
}

// The other events: a modal takes every one whatever it answers; else the
// root's answer; without either, false. The target is held for the call (a
// click may install a new root).
template <class F> bool CGuiMgr::Dispatch(F call)
{
    bool modal = false;
    CRefPtr<CGuiElement> target = InputTarget(&modal);
    if (!target)
        return false;
    const bool taken = call(target.Get());
    return modal || taken;
}

bool CGuiMgr::OnMouseDown(uint8_t button)
{
    if (PanelSwallows(true))
        return true;
    return Dispatch([button](CGuiElement* e) { return e->OnMouseDown(button); });
}

bool CGuiMgr::OnMouseUp(uint8_t button)
{
    PanelSwallows(false);
    return Dispatch([button](CGuiElement* e) { return e->OnMouseUp(button); });
}

bool CGuiMgr::OnChar(uint32_t character)
{
    return Dispatch([character](CGuiElement* e) { return e->OnChar(character); });
}

bool CGuiMgr::OnKeyDown(uint8_t key)
{
    return Dispatch([key](CGuiElement* e) { return e->OnKeyDown(key); });
}

bool CGuiMgr::OnKeyUp(uint8_t key)
{
    return Dispatch([key](CGuiElement* e) { return e->OnKeyUp(key); });
}

void CGuiMgr::OnSize(uint16_t width, uint16_t height)
{
    m_fScaleX = ScaleOf(m_usVirtualWidth, width);
    m_fScaleY = ScaleOf(m_usVirtualHeight, height);
    // The texts keep their size in virtual units, as the panels do: every
    // text holds the one GUI font, re-made at the new pixel height. A
    // window shrunk to nothing (minimised) keeps the font.
    if (width && height && m_pFont && m_pRenderer)
        m_pRenderer->SetFontHeight(m_pFont, FontPixels(m_fScaleX, m_fScaleY));
}

void CGuiMgr::GetVirtualMousePosition(float& x, float& y) const
{
    x = m_fMouseX;
    y = m_fMouseY;
}

void CGuiMgr::GetVirtualPixelSize(float& width, float& height) const
{
    width = m_fScaleX;
    height = m_fScaleY;
}

void CGuiMgr::GetVirtualScreenSize(float& width, float& height) const
{
    width = m_usVirtualWidth;
    height = m_usVirtualHeight;
}
