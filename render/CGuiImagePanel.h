#pragma once

#include "render/CGuiPanel.h"
#include "render/COGLDisplayList.h"

// A panel with a textured background quad (a stock rectangle of the model
// factory) stretched over its width and height. The background swallows
// the mouse: hover and mouse buttons that no child takes are taken when the
// panel is visible and the mouse is inside it.
class CGuiImagePanel : public CGuiPanel
{
public:
    CGuiImagePanel() {}
    ~CGuiImagePanel() override;

    void SetBackground(CRefPtr<COGLDisplayList> background) { m_pBackground = background; }
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
};
