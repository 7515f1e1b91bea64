#pragma once

// A bare SDL window with an OpenGL context, for tests that need GL but not
// the window layer. Made with the pixel format the renderer asks for.

#include "platform/gl/WGL.h"

struct SDL_Window;

namespace plat
{

class GLTestWindow
{
public:
    // Starts SDL video when needed and makes a hidden width x height window
    // with a current compatibility context. IsOk() tells whether it worked.
    // Without a context the window and its device context are left for the
    // caller's own SetPixelFormat and wglCreateContext (IsOk() is then false
    // and GetDC() tells whether the window was made).
    explicit GLTestWindow(int width = 256, int height = 256, bool withContext = true);
    ~GLTestWindow();
    GLTestWindow(const GLTestWindow&) = delete;
    GLTestWindow& operator=(const GLTestWindow&) = delete;

    bool IsOk() const { return m_hRC != nullptr; }
    SDL_Window* GetWindow() const { return m_pWindow; }
    // A device context of its own over the window (released with the window).
    HDC GetDC() const { return m_hDC; }

private:
    SDL_Window* m_pWindow;
    HDC m_hDC;
    HGLRC m_hRC;
};

} // namespace plat
