#include "render/COGLFont.h"

#include "platform/gl/GL.h"
#include "render/COGLRenderer.h"

COGLFont::COGLFont(COGLRenderer* owner, const std::string& face, uint8_t height, uint8_t bold, uint8_t italic,
                   uint32_t firstList)
    : m_bHeight(height), m_strFace(face), m_bBold(bold), m_bItalic(italic), m_uiGlyphCount(224),
      m_uiFirstList(firstList), m_uiListBase(firstList - 32u), m_pOwner(owner)
{
}

COGLFont::~COGLFont()
{
    ReleaseLists();
}

void COGLFont::ReleaseLists()
{
    if (m_uiFirstList != 0)
        glDeleteLists(m_uiFirstList, m_uiGlyphCount);
    m_uiFirstList = 0;
    m_pOwner = nullptr;
}

void COGLFont::SetGlyphLists(uint8_t height, uint32_t firstList)
{
    if (m_uiFirstList != 0)
        glDeleteLists(m_uiFirstList, m_uiGlyphCount);
    m_bHeight = height;
    m_uiFirstList = firstList;
    m_uiListBase = firstList - 32u;
}

void COGLFont::Draw(const STextRecord& text)
{
    if (m_uiFirstList == 0 || !m_pOwner)
        return;
    // Characters below 32 would call the lists just before this font's:
    // another font's or a model's.
    std::string printable;
    printable.reserve(text.m_strText.size());
    for (unsigned char c : text.m_strText)
    {
        if (c >= 32)
            printable.push_back(static_cast<char>(c));
    }

    // Every state that would hide or tint the glyphs goes off while drawing;
    // alpha test and blending too, since the game's text colours have alpha 0.
    const GLenum kStates[] = {GL_DEPTH_TEST, GL_LIGHTING, GL_TEXTURE_2D, GL_ALPHA_TEST, GL_BLEND};
    bool wasOn[5];
    for (int i = 0; i < 5; ++i)
    {
        wasOn[i] = glIsEnabled(kStates[i]) == GL_TRUE;
        if (wasOn[i])
            glDisable(kStates[i]);
    }
    m_pOwner->SetMatrixMode(1);
    m_pOwner->PushMatrix();
    glColor4fv(text.m_Colour);
    glRasterPos3f(text.m_fX, text.m_fY + m_bHeight, text.m_fZ);
    glListBase(m_uiListBase);
    glCallLists(static_cast<GLsizei>(printable.size()), GL_UNSIGNED_BYTE, printable.data());
    m_pOwner->PopMatrix();
    for (int i = 0; i < 5; ++i)
    {
        if (wasOn[i])
            glEnable(kStates[i]);
    }
}
