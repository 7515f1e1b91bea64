#include "platform/gl/WGLContext.h"

#include <SDL.h>

#include <set>

namespace plat
{
namespace wgl
{
namespace
{

// Live device contexts and GL contexts: handles not in these sets are refused.
std::set<DeviceContext*>& Contexts()
{
    static std::set<DeviceContext*> s;
    return s;
}

struct GLContext
{
    SDL_GLContext context;
    SDL_Window* window;
    // Whether the context got its swap interval yet (on first being made current).
    bool paced;
};

std::set<GLContext*>& GLContexts()
{
    static std::set<GLContext*> s;
    return s;
}

GLContext* ValidRC(HGLRC rc)
{
    GLContext* p = reinterpret_cast<GLContext*>(rc);
    return p && GLContexts().count(p) ? p : nullptr;
}

void SetAttributes(const PIXELFORMATDESCRIPTOR* pfd, bool accumulation)
{
    const int channel = pfd->cColorBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel == 8 ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, pfd->cAlphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, pfd->cDepthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, pfd->cStencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (pfd->dwFlags & PFD_DOUBLEBUFFER) ? 1 : 0);
    const int accum = accumulation ? 16 : 0;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
    // No profile mask and version 2.1: a compatibility context with every
    // fixed-function call.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
}

} // namespace

SDL_Window* WindowOf(const DeviceContext* dc)
{
    if (dc->bare)
        return dc->bare;
    return dc->windowOf ? dc->windowOf(dc->hwnd) : nullptr;
}

DeviceContext* Valid(HDC dc)
{
    DeviceContext* p = FromHandle(dc);
    return p && Contexts().count(p) ? p : nullptr;
}

HDC Register(DeviceContext* dc)
{
    Contexts().insert(dc);
    return ToHandle(dc);
}

} // namespace wgl

using namespace wgl;

HDC GetDCFromSDLWindow(SDL_Window* window)
{
    if (!window)
        return nullptr;
    DeviceContext* dc = new DeviceContext;
    dc->bare = window;
    return Register(dc);
}

int ReleaseDC(HWND, HDC dc)
{
    DeviceContext* p = Valid(dc);
    if (!p)
        return 0;
    Contexts().erase(p);
    delete p;
    return 1;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd)
{
    if (!Valid(dc) || !pfd || pfd->iPixelType != PFD_TYPE_RGBA)
        return 0;
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    return (pfd->dwFlags & needed) == needed ? 1 : 0;
}

void ApplyPixelFormatAttributes(const PIXELFORMATDESCRIPTOR* pfd, bool accumulation)
{
    SetAttributes(pfd, accumulation);
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd)
{
    DeviceContext* p = Valid(dc);
    if (!p || format != 1 || !pfd)
        return 0;
    SetAttributes(pfd, true);
    if (!p->bare && p->recreate)
    {
        if (!p->recreate(p->hwnd))
        {
            // No visual with an accumulation buffer: do without one.
            SetAttributes(pfd, false);
            if (!p->recreate(p->hwnd))
                return 0;
        }
    }
    if (!WindowOf(p))
        return 0;
    p->format = format;
    return 1;
}

HGLRC wglCreateContext(HDC dc)
{
    DeviceContext* p = Valid(dc);
    SDL_Window* window = p ? WindowOf(p) : nullptr;
    if (!window || p->format == 0)
        return nullptr;
    // SDL makes a new context current; WGL does not: put the old one back.
    SDL_Window* oldWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext oldContext = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
        return nullptr;
    SDL_GL_MakeCurrent(oldWindow, oldContext);
    GLContext* rc = new GLContext{context, window, false};
    GLContexts().insert(rc);
    return reinterpret_cast<HGLRC>(rc);
}

BOOL wglMakeCurrent(HDC dc, HGLRC rc)
{
    if (!dc && !rc)
        return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
    DeviceContext* p = Valid(dc);
    GLContext* c = ValidRC(rc);
    SDL_Window* window = p ? WindowOf(p) : nullptr;
    if (!window || !c)
        return 0;
    if (SDL_GL_MakeCurrent(window, c->context) != 0)
        return 0;
    if (!c->paced)
    {
        // Drivers of the original platform wait for the vertical blank by
        // default: a frame loop then runs at the display's rate instead of
        // keeping a core busy. Where the driver offers no swap control
        // (Xvfb's software renderer) nothing changes.
        SDL_GL_SetSwapInterval(1);
        c->paced = true;
    }
    return 1;
}

BOOL wglSwapIntervalEXT(int interval)
{
    GLContext* current = nullptr;
    for (GLContext* c : GLContexts())
        if (c->context == SDL_GL_GetCurrentContext())
            current = c;
    if (!current)
        return 0;
    current->paced = true;
    return SDL_GL_SetSwapInterval(interval) == 0;
}

BOOL wglDeleteContext(HGLRC rc)
{
    GLContext* c = ValidRC(rc);
    if (!c)
        return 0;
    if (SDL_GL_GetCurrentContext() == c->context)
        SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(c->context);
    GLContexts().erase(c);
    delete c;
    return 1;
}

BOOL SwapBuffers(HDC dc)
{
    DeviceContext* p = Valid(dc);
    SDL_Window* window = p ? WindowOf(p) : nullptr;
    if (!window)
        return 0;
    SDL_GL_SwapWindow(window);
    return 1;
}

} // namespace plat
