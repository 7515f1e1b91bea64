#include "platform/gl/GLTestWindow.h"

#include <SDL.h>

#include <initializer_list>

namespace plat
{

GLTestWindow::GLTestWindow(int width, int height, bool withContext)
    : m_pWindow(nullptr), m_hDC(nullptr), m_hRC(nullptr)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return;
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 16;
    for (bool accumulation : {true, false})
    {
        ApplyPixelFormatAttributes(&pfd, accumulation);
        m_pWindow = SDL_CreateWindow("gl test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (m_pWindow)
            break;
    }
    if (!m_pWindow)
        return;
    m_hDC = GetDCFromSDLWindow(m_pWindow);
    if (!withContext)
        return;
    int format = ChoosePixelFormat(m_hDC, &pfd);
    if (!SetPixelFormat(m_hDC, format, &pfd))
        return;
    m_hRC = wglCreateContext(m_hDC);
    if (m_hRC && !wglMakeCurrent(m_hDC, m_hRC))
    {
        wglDeleteContext(m_hRC);
        m_hRC = nullptr;
    }
    // Tests and benchmarks draw as fast as they can.
    if (m_hRC)
        wglSwapIntervalEXT(0);
}

GLTestWindow::~GLTestWindow()
{
    if (m_hRC)
    {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_hRC);
    }
    if (m_hDC)
        ReleaseDC(nullptr, m_hDC);
    if (m_pWindow)
        SDL_DestroyWindow(m_pWindow);
}

} // namespace plat
