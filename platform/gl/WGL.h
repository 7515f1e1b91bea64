#pragma once

// The WGL and GDI calls the renderer uses to get an OpenGL context on the
// main window and to make bitmap fonts, over SDL2 (context), fontconfig
// (face lookup) and SDL2_ttf (glyphs). Names, types and constants keep their
// Windows spelling; what each call does here is written beside it.
//
// A device context (HDC from GetDC) is our own record of the window it
// belongs to, its pixel format and the GDI object selected into it. Only the
// main thread may call anything here.

#include "platform/win32/W32Window.h"

#include <cstdint>

struct SDL_Window;

namespace plat
{

struct HGLRC__;
typedef HGLRC__* HGLRC;
struct HGDIOBJ__;
typedef HGDIOBJ__* HGDIOBJ;
typedef HGDIOBJ HFONT;
typedef uint8_t BYTE;

struct PIXELFORMATDESCRIPTOR
{
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    BYTE cAlphaBits, cAlphaShift;
    BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask, dwVisibleMask, dwDamageMask;
};

constexpr DWORD PFD_DOUBLEBUFFER = 0x00000001u;
constexpr DWORD PFD_DRAW_TO_WINDOW = 0x00000004u;
constexpr DWORD PFD_SUPPORT_OPENGL = 0x00000020u;
constexpr BYTE PFD_TYPE_RGBA = 0;
constexpr BYTE PFD_MAIN_PLANE = 0;

// CreateFontA arguments.
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr DWORD ANSI_CHARSET = 0;
constexpr DWORD OUT_TT_PRECIS = 4;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD ANTIALIASED_QUALITY = 4;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FF_DONTCARE = 0;

// ---- Device contexts ----------------------------------------------------------

// The drawing context of a window made by CreateWindowExA; null for an
// unknown window. Each call makes a new context; ReleaseDC frees it.
HDC GetDC(HWND hwnd);
// The same over a bare SDL window (tests that run without the window layer).
// The window must have been made with SDL_WINDOW_OPENGL.
HDC GetDCFromSDLWindow(SDL_Window* window);
// Frees a context from GetDC or GetDCFromSDLWindow (hwnd is not checked).
int ReleaseDC(HWND hwnd, HDC dc);

// The pixel format index (1) when the request can be met: RGBA, drawn to a
// window, OpenGL; 0 otherwise.
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
// Sets the SDL GL attributes for the format: 8 bits per colour channel for
// 24 or 32 colour bits (5-6-5 below that), the depth bits asked, double
// buffering as asked, a compatibility context, and an RGBA accumulation
// buffer of 16 bits per channel where the display offers one. On X11 the
// visual is fixed when a window is made, so a window of the window layer is
// remade with the new attributes (without the accumulation buffer when no
// visual has one). A bare SDL window is taken as it is. FALSE for a format
// other than 1.
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd);

// An OpenGL compatibility context on the context's window, not yet current.
HGLRC wglCreateContext(HDC dc);
// Makes the context current on the window; null, null releases the current one.
// A context made current for the first time swaps at the vertical blank
// (swap interval 1) where the driver offers it.
BOOL wglMakeCurrent(HDC dc, HGLRC rc);
// WGL_EXT_swap_control: the current context's swap interval (0 unpaced, as
// benchmarks and test windows want; 1 every vertical blank). False without a
// current context or when the driver refuses.
BOOL wglSwapIntervalEXT(int interval);
BOOL wglDeleteContext(HGLRC rc);
// Shows the back buffer.
BOOL SwapBuffers(HDC dc);

// ---- Bitmap fonts ---------------------------------------------------------------

// A font for wglUseFontBitmapsA. height < 0 is the character height in
// pixels, > 0 the cell height (both become the pixel size here), 0 picks 16.
// The face name is looked up with fontconfig ("Verdana" finds a similar face,
// DejaVu Sans on Debian); bold (weight >= 700) and italic are taken from the
// face found or, when it has neither, made by SDL2_ttf. Null when no font
// file can be found or opened. The other arguments change nothing.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const char* face);
// Selects a font into the context; returns the object selected before (may be null).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);

// Compiles one display list per character code first .. first + count - 1
// (codes must stay below 256) into lists listBase, listBase + 1, ..., from
// the font selected into the context. Each list holds one glBitmap of the
// glyph (1 bit per pixel, never anti-aliased) with its origin on the
// baseline at the left edge, advancing the raster position by the glyph's
// advance. Codes 0x80-0x9F are Windows-1252, 0xA0-0xFF Latin-1; codes
// without a glyph draw nothing and do not advance. Needs a current GL
// context. FALSE without a selected font.
BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase);

// The font file CreateFontA would use for the face, weight and slant (for
// tests and diagnostics); empty when none is found.
const char* GetFontFileName(HFONT font);

} // namespace plat

namespace plat
{

// Sets SDL's GL attributes for a pixel format the way SetPixelFormat does,
// for code that makes its own SDL window (tests without the window layer).
void ApplyPixelFormatAttributes(const PIXELFORMATDESCRIPTOR* pfd, bool accumulation);

} // namespace plat
