#pragma once

#include "render/CGuiPanel.h"
#include "render/COGLDisplayList.h"

// A panel with a textured background quad (a stock rectangle of the model
// factory) stretched over its width and height, or fitted into them with its
// proportions kept (the full-screen pictures). The background swallows
// the mouse: hover and mouse buttons that no child takes are taken when the
// panel is visible and the mouse is inside it.
class CGuiImagePanel : public CGuiPanel
{
public:
    CGuiImagePanel() {}
    ~CGuiImagePanel() override;

    void SetBackground(CRefPtr<COGLDisplayList> background) { m_pBackground = background; }
    // A picture that keeps its proportions (width / height, above 0) in the
    // panel's rectangle as the window shows it: as large as fits, centred,
    // the rest of the rectangle filled with fill (may be empty). 0 stretches
    // it over the rectangle again.
    void KeepProportions(float aspect, CRefPtr<COGLDisplayList> fill)
    {
        m_fAspect = aspect;
        m_pFill = fill;
    }
    // Where the picture goes in the panel's frame for the GUI's current
    // virtual units per pixel (scaleX, scaleY): offset and size, in virtual
    // units; the whole rectangle unless it keeps its proportions.
    void PictureRect(float scaleX, float scaleY, CVector3& offset, CVector3& size) const;
    const CRefPtr<COGLDisplayList>& GetBackground() const { return m_pBackground; }

    bool UpdateHover(float dx, float dy, int32_t wheel) override;
    bool OnMouseDown(uint8_t button) override;
    bool OnMouseUp(uint8_t button) override;
    // Element and panel reset, then the background released.
    void Reset() override;
    // The background scaled to the panel's size, then the children.
    void Render() override;
    // The background hides what lies under the panel's rectangle: it is
    // drawn without blending (textured or in its plain colour).
    bool IsOpaque() const;

private:
    CRefPtr<COGLDisplayList> m_pBackground;
    CRefPtr<COGLDisplayList> m_pFill;
    float m_fAspect = 0.0f;
};
