#include "render/CGuiText.h"

CGuiText::CGuiText()
{
    m_Record.m_fX = 0.0f;
    m_Record.m_fY = 0.0f;
    m_Record.m_fZ = 0.2f;
}

CGuiText::~CGuiText()
{
    m_pFont.Release();
}

void CGuiText::SetColor(uint32_t colour)
{
    for (int i = 0; i < 4; ++i)
        m_Record.m_Colour[i] = static_cast<float>((colour >> (24 - 8 * i)) & 0xFFu) * 0.00390625f;
}

void CGuiText::Reset()
{
    CGuiElement::Reset();
    m_pFont.Release();
}

void CGuiText::Render()
{
    if (m_pFont)
        m_pFont->Draw(m_Record);
}
