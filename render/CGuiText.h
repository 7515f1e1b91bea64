#pragma once

#include "render/CGuiElement.h"
#include "render/COGLFont.h"

#include <string>

// A line of text in the GUI font, drawn from the top-left corner of the
// widget (raster position (0, 0, 0.2) in its own frame). Takes no input.
class CGuiText : public CGuiElement
{
public:
    // White until SetColor; no font until SetFont (then it draws nothing).
    CGuiText();
    ~CGuiText() override;

    void SetText(const std::string& text) { m_Record.m_strText = text; }
    const std::string& GetText() const { return m_Record.m_strText; }
    // 0xRRGGBBAA; each byte times 1/256.
    void SetColor(uint32_t colour);
    const float* GetColor() const { return m_Record.m_Colour; }
    void SetFont(CRefPtr<COGLFont> font) { m_pFont = font; }
    const CRefPtr<COGLFont>& GetFont() const { return m_pFont; }
    const STextRecord& GetRecord() const { return m_Record; }

    // Element reset, then the font released.
    void Reset() override;
    void Render() override;

private:
    STextRecord m_Record;
    CRefPtr<COGLFont> m_pFont;
};
