#include "render/CGuiImagePanel.h"

#include "render/IRenderer.h"

CGuiImagePanel::~CGuiImagePanel()
{
    m_pBackground.Release();
}

bool CGuiImagePanel::UpdateHover(float dx, float dy, int32_t wheel)
{
    CRefPtr<CGuiElement> self = KeepAlive();
    if (CGuiPanel::UpdateHover(dx, dy, wheel))
        return true;
    return m_bVisible && IsMouseInside();
}

bool CGuiImagePanel::OnMouseDown(uint8_t button)
{
    CRefPtr<CGuiElement> self = KeepAlive();
    if (CGuiPanel::OnMouseDown(button))
        return true;
    return m_bVisible && IsMouseInside();
}

bool CGuiImagePanel::OnMouseUp(uint8_t button)
{
    CRefPtr<CGuiElement> self = KeepAlive();
    if (CGuiPanel::OnMouseUp(button))
        return true;
    return m_bVisible && IsMouseInside();
}

void CGuiImagePanel::Reset()
{
    CGuiPanel::Reset();
    m_pBackground.Release();
}

void CGuiImagePanel::Render()
{
    CRefPtr<IRenderer> renderer = GetRenderer();
    if (renderer && m_pBackground)
    {
        CMatrix4 scale;
        scale.SetScale(GetScale());
        renderer->PushMatrix();
        renderer->MultMatrix(scale);
        m_pBackground->Render();
        renderer->PopMatrix();
    }
    DrawChildren();
}

bool CGuiImagePanel::IsOpaque() const
{
    return m_pBackground && m_pBackground->GetListId() != 0 &&
           m_pBackground->GetBlendMode() == COGLDisplayList::BLEND_NONE;
}
