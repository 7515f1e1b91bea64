#include "render/CGuiImagePanel.h"

#include "render/CGuiMgr.h"
#include "render/IRenderer.h"

namespace
{

// Draws a unit-square list scaled to size at offset in the current frame.
void DrawQuad(IRenderer& renderer, COGLDisplayList& list, const CVector3& offset, const CVector3& size)
{
    CMatrix4 place;
    place.SetScale(size);
    place[12] = offset.x;
    place[13] = offset.y;
    place[14] = offset.z;
    renderer.PushMatrix();
    renderer.MultMatrix(place);
    list.Render();
    renderer.PopMatrix();
}

} // namespace

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
    m_pFill.Release();
    m_fAspect = 0.0f;
}

void CGuiImagePanel::PictureRect(float scaleX, float scaleY, CVector3& offset, CVector3& size) const
{
    size = GetScale();
    offset = CVector3(0.0f, 0.0f, 0.0f);
    if (!(m_fAspect > 0.0f) || !(scaleX > 0.0f) || !(scaleY > 0.0f) || !(size.x > 0.0f) || !(size.y > 0.0f))
        return;
    // The rectangle's proportions in pixels against the picture's.
    const float shown = (size.x / scaleX) / (size.y / scaleY);
    if (shown > m_fAspect)
    {
        const float width = size.x * m_fAspect / shown;
        offset.x = (size.x - width) * 0.5f;
        size.x = width;
    }
    else
    {
        const float height = size.y * shown / m_fAspect;
        offset.y = (size.y - height) * 0.5f;
        size.y = height;
    }
}

void CGuiImagePanel::Render()
{
    CRefPtr<IRenderer> renderer = GetRenderer();
    if (renderer && m_pBackground)
    {
        CVector3 offset, size;
        const CGuiMgr* mgr = GetGuiMgr();
        PictureRect(mgr ? mgr->GetScaleX() : 0.0f, mgr ? mgr->GetScaleY() : 0.0f, offset, size);
        if (m_fAspect > 0.0f && m_pFill)
            DrawQuad(*renderer, *m_pFill, CVector3(0.0f, 0.0f, 0.0f), GetScale());
        DrawQuad(*renderer, *m_pBackground, offset, size);
    }
    DrawChildren();
}

bool CGuiImagePanel::IsOpaque() const
{
    return m_pBackground && m_pBackground->GetListId() != 0 &&
           m_pBackground->GetBlendMode() == COGLDisplayList::BLEND_NONE;
}
