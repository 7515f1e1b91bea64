#include "platform/gl/GL.h"
#include "platform/gl/WGLContext.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <set>
#include <string>
#include <vector>

namespace plat
{
namespace
{

// Used when fontconfig finds nothing (fonts-dejavu-core).
const char* const kFallbackFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct GdiFont
{
    std::string file;
    TTF_Font* font = nullptr;
};

std::set<GdiFont*>& Fonts()
{
    static std::set<GdiFont*> s;
    return s;
}

GdiFont* ValidFont(HGDIOBJ object)
{
    GdiFont* p = reinterpret_cast<GdiFont*>(object);
    return p && Fonts().count(p) ? p : nullptr;
}

// Unicode code points of Windows-1252 0x80..0x9F; 0 where the code page
// has no character.
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t CodePointOf(uint32_t code)
{
    if (code >= 0x80 && code < 0xA0)
        return kCp1252High[code - 0x80];
    return code;
}

// Face, weight and slant through fontconfig; the font file and whether the
// face found is itself bold / italic.
std::string MatchFont(const char* face, bool bold, bool italic, bool* faceBold, bool* faceItalic)
{
    *faceBold = false;
    *faceItalic = false;
    if (!FcInit())
        return std::string();
    FcPattern* pattern = FcPatternCreate();
    if (face && *face)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::string file;
    if (match)
    {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
            file = reinterpret_cast<const char*>(path);
        int weight = 0, slant = 0;
        if (FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch)
            *faceBold = weight >= FC_WEIGHT_BOLD;
        if (FcPatternGetInteger(match, FC_SLANT, 0, &slant) == FcResultMatch)
            *faceItalic = slant != FC_SLANT_ROMAN;
        FcPatternDestroy(match);
    }
    return file;
}

// One glyph as a bottom-up 1-bit bitmap, rows packed to whole bytes.
void CompileGlyph(TTF_Font* font, uint32_t code)
{
    const uint32_t cp = CodePointOf(code);
    int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
    if (cp == 0 || !TTF_GlyphIsProvided32(font, cp) ||
        TTF_GlyphMetrics32(font, cp, &minx, &maxx, &miny, &maxy, &advance) != 0)
        return;
    SDL_Color white = {255, 255, 255, 255};
    SDL_Surface* s = TTF_RenderGlyph32_Solid(font, cp, white);
    if (!s || s->w <= 0 || s->h <= 0 || s->format->BytesPerPixel != 1)
    {
        if (s)
            SDL_FreeSurface(s);
        glBitmap(0, 0, 0, 0, static_cast<GLfloat>(advance), 0, nullptr);
        return;
    }
    const int w = s->w, h = s->h;
    const int rowBytes = (w + 7) / 8;
    std::vector<GLubyte> bits(static_cast<size_t>(rowBytes) * h, 0);
    SDL_LockSurface(s);
    for (int y = 0; y < h; ++y)
    {
        const uint8_t* src = static_cast<const uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch;
        GLubyte* dst = &bits[static_cast<size_t>(h - 1 - y) * rowBytes];
        for (int x = 0; x < w; ++x)
        {
            if (src[x] != 0)
                dst[x / 8] |= static_cast<GLubyte>(0x80u >> (x % 8));
        }
    }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    // The surface's top row is the font's ascent above the baseline.
    const int below = h - TTF_FontAscent(font);
    glBitmap(w, h, 0.0f, static_cast<GLfloat>(below), static_cast<GLfloat>(advance), 0.0f, bits.data());
}

} // namespace

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD, DWORD, DWORD,
                  DWORD, DWORD, const char* face)
{
    if (!TTF_WasInit() && TTF_Init() != 0)
        return nullptr;
    const bool bold = weight >= FW_BOLD;
    bool faceBold = false, faceItalic = false;
    std::string file = MatchFont(face, bold, italic != 0, &faceBold, &faceItalic);
    const int size = height < 0 ? -height : (height > 0 ? height : 16);
    TTF_Font* font = file.empty() ? nullptr : TTF_OpenFont(file.c_str(), size);
    if (!font)
    {
        file = kFallbackFont;
        faceBold = faceItalic = false;
        font = TTF_OpenFont(file.c_str(), size);
        if (!font)
            return nullptr;
    }
    int style = TTF_STYLE_NORMAL;
    if (bold && !faceBold)
        style |= TTF_STYLE_BOLD;
    if (italic && !faceItalic)
        style |= TTF_STYLE_ITALIC;
    TTF_SetFontStyle(font, style);
    TTF_SetFontHinting(font, TTF_HINTING_MONO);
    GdiFont* f = new GdiFont;
    f->file = file;
    f->font = font;
    Fonts().insert(f);
    return reinterpret_cast<HFONT>(f);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    wgl::DeviceContext* p = wgl::Valid(dc);
    if (!p)
        return nullptr;
    HGDIOBJ old = p->selected;
    p->selected = object;
    return old;
}

BOOL DeleteObject(HGDIOBJ object)
{
    GdiFont* f = ValidFont(object);
    if (!f)
        return 0;
    TTF_CloseFont(f->font);
    Fonts().erase(f);
    delete f;
    return 1;
}

const char* GetFontFileName(HFONT font)
{
    GdiFont* f = ValidFont(font);
    return f ? f->file.c_str() : "";
}

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase)
{
    wgl::DeviceContext* p = wgl::Valid(dc);
    GdiFont* f = p ? ValidFont(p->selected) : nullptr;
    if (!f || first + count > 256 || count == 0)
        return 0;
    // Glyph rows are packed to whole bytes with no padding.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    for (DWORD i = 0; i < count; ++i)
    {
        glNewList(listBase + i, GL_COMPILE);
        CompileGlyph(f->font, first + i);
        glEndList();
    }
    glPopClientAttrib();
    return glIsList(listBase + count - 1) ? 1 : 0;
}

} // namespace plat
