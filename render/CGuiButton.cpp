#include "render/CGuiButton.h"

#include "render/CGuiMgr.h"
#include "render/IRenderer.h"

CGuiButton::CGuiButton(CRefPtr<ISound> rolloverSound, CRefPtr<ISound> selectSound)
    : m_bState(0), m_uiId(0), m_bOption(0), m_pRolloverSound(rolloverSound), m_pSelectSound(selectSound)
{
}

CGuiButton::~CGuiButton()
{
    m_pLabel.Release();
    m_pCallback.Release();
}

void CGuiButton::SetSelected(uint8_t selected)
{
    if (selected)
        m_bState |= STATE_SELECTED;
    else
        m_bState &= ~STATE_SELECTED;
}

void CGuiButton::SetModel(int which, CRefPtr<COGLDisplayList> model)
{
    if (which >= 0 && which < 4)
        m_Models[which] = model;
}

void CGuiButton::SetText(const std::string& text, uint32_t colour)
{
    if (!m_pLabel)
    {
        CGuiMgr* mgr = GetGuiMgr();
        if (!mgr)
            return;
        m_pLabel = mgr->CreateText();
        if (!m_pLabel)
            return;
    }
    m_pLabel->SetText(text);
    m_pLabel->SetColor(colour);
    m_pLabel->SetPosition(CVector3(10.0f, GetScale().y * 0.5f - 10.0f, 1.0f));
}

int CGuiButton::GetCurrentModel() const
{
    if ((IsPressed() && IsHover()) || IsSelected())
        return MODEL_PRESSED;
    if (IsHover())
        return MODEL_HOVER;
    return m_bEnabled ? MODEL_NORMAL : MODEL_DISABLED;
}

bool CGuiButton::CanReceiveInput()
{
    if (!CGuiElement::CanReceiveInput())
        return false;
    m_bState |= STATE_HOVER;
    if (m_pRolloverSound)
        m_pRolloverSound->Play();
    return true;
}

bool CGuiButton::UpdateHover(float /*dx*/, float /*dy*/, int32_t /*wheel*/)
{
    if (!m_bVisible)
        return false;
    CGuiMgr* mgr = GetGuiMgr();
    if (IsMouseInside())
    {
        if (m_bEnabled && mgr)
            mgr->SetFocus(CRefPtr<CGuiElement>(KeepAlive()));
        return true;
    }
    if (IsHover() && mgr)
        mgr->SetFocus(CRefPtr<CGuiElement>());
    return false;
}

bool CGuiButton::OnMouseDown(uint8_t button)
{
    if (!m_bVisible || !IsMouseInside())
        return false;
    if (!m_bEnabled || button != 0 || IsPressed())
        return true;
    m_bState |= STATE_PRESSED;
    // Held, the button takes all input until the release.
    if (CGuiMgr* mgr = GetGuiMgr())
        mgr->ShowModal(KeepAlive());
    return true;
}

bool CGuiButton::OnMouseUp(uint8_t button)
{
    // The callback may rebuild the screen and drop every other holder.
    CRefPtr<CGuiElement> self = KeepAlive();
    CGuiMgr* mgr = GetGuiMgr();
    if (m_bVisible && IsMouseInside())
    {
        if (!m_bEnabled || button != 0 || !IsPressed())
            return true;
        if (m_bOption && !IsSelected())
            m_bState |= STATE_SELECTED;
        else
            m_bState &= ~STATE_SELECTED;
        CRefPtr<CGuiCallback> callback = m_pCallback;
        if (callback)
        {
            if (m_pSelectSound)
                m_pSelectSound->Play();
            callback->Invoke(m_uiId);
        }
        if (mgr)
            mgr->CloseModal(self);
        m_bState &= ~STATE_PRESSED;
        return true;
    }
    if (IsPressed() && button == 0)
    {
        if (mgr)
            mgr->CloseModal(self);
        m_bState &= ~STATE_PRESSED;
    }
    return false;
}

void CGuiButton::Reset()
{
    CGuiElement::Reset();
    m_bState = 0;
    m_pLabel.Release();
    m_uiId = 0;
    m_bOption = 0;
}

void CGuiButton::Render()
{
    CRefPtr<IRenderer> renderer = GetRenderer();
    const CRefPtr<COGLDisplayList>& model = m_Models[GetCurrentModel()];
    if (renderer && model)
    {
        CMatrix4 scale;
        scale.SetScale(GetScale());
        renderer->PushMatrix();
        renderer->MultMatrix(scale);
        model->Render();
        renderer->PopMatrix();
    }
    if (m_pLabel)
        m_pLabel->Draw();
}
