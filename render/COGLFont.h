#pragma once

#include "app/CRefCounted.h"

#include <cstdint>
#include <string>

class COGLRenderer;

// What COGLFont::Draw draws: the raster position, the colour and the text
// (8-bit Windows-1252 characters).
struct STextRecord
{
    float m_fX = 0.0f, m_fY = 0.0f, m_fZ = 0.0f;
    float m_Colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::string m_strText;
};

// A bitmap font: one display list per character 32..255, made by the
// renderer's CreateFont and re-made at another height by its SetFontHeight.
// The lists go with the font's last handle, or with the renderer's Destroy,
// whichever comes first.
class COGLFont : public CRefCounted
{
public:
    COGLFont(COGLRenderer* owner, const std::string& face, uint8_t height, uint8_t bold, uint8_t italic,
             uint32_t firstList);
    virtual ~COGLFont();

    // Draws the text with its baseline font-height units below (x, y, z) in
    // the current model-view frame, in the record's colour, opaque (the
    // alpha of the colour does not matter). Depth test, lighting and
    // texturing are off while it draws. Characters below 32 draw nothing.
    virtual void Draw(const STextRecord& text);

    // Deletes the display lists now, while the context is current; later
    // draws do nothing.
    void ReleaseLists();
    // Takes the glyph lists from firstList on, made at height pixels by the
    // renderer, in place of the old ones (deleted now).
    void SetGlyphLists(uint8_t height, uint32_t firstList);

    uint8_t GetHeight() const { return m_bHeight; }
    const std::string& GetFace() const { return m_strFace; }
    uint8_t GetBold() const { return m_bBold; }
    uint8_t GetItalic() const { return m_bItalic; }
    uint32_t GetGlyphCount() const { return m_uiGlyphCount; }
    uint32_t GetFirstList() const { return m_uiFirstList; }
    uint32_t GetListBase() const { return m_uiListBase; }

private:
    uint8_t m_bHeight;
    std::string m_strFace;
    uint8_t m_bBold;
    uint8_t m_bItalic;
    uint32_t m_uiGlyphCount;
    // 0 once the lists are gone.
    uint32_t m_uiFirstList;
    // First list - 32, so that character c calls list base + c.
    uint32_t m_uiListBase;
    COGLRenderer* m_pOwner;
};
