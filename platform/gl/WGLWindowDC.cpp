// GetDC over the window layer. Kept apart from the other WGL calls so that
// programs that never draw on a window-layer window do not need that layer.

#include "platform/gl/WGLContext.h"

namespace plat
{

HDC GetDC(HWND hwnd)
{
    if (!GetSDLWindow(hwnd))
        return nullptr;
    wgl::DeviceContext* dc = new wgl::DeviceContext;
    dc->hwnd = hwnd;
    dc->windowOf = &GetSDLWindow;
    dc->recreate = &RecreateSDLWindow;
    return wgl::Register(dc);
}

} // namespace plat
