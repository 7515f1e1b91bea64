#pragma once

// Inside the WGL layer: the device-context record shared by its sources.

#include "platform/gl/WGL.h"

namespace plat
{
namespace wgl
{

struct DeviceContext
{
    HWND hwnd = nullptr;
    // A bare SDL window, when the context was made over one.
    SDL_Window* bare = nullptr;
    // Set by GetDC(HWND): the window layer's lookups, so that the context
    // code itself does not depend on the window layer.
    SDL_Window* (*windowOf)(HWND) = nullptr;
    BOOL (*recreate)(HWND) = nullptr;
    int format = 0;
    HGDIOBJ selected = nullptr;
};

inline DeviceContext* FromHandle(HDC dc)
{
    return reinterpret_cast<DeviceContext*>(dc);
}
inline HDC ToHandle(DeviceContext* dc)
{
    return reinterpret_cast<HDC>(dc);
}
// The SDL window now behind the context; null when the window is gone.
SDL_Window* WindowOf(const DeviceContext* dc);
// Registers a record made by GetDC so that later calls accept it.
HDC Register(DeviceContext* dc);
// The record behind a live handle; null for null, released or foreign handles.
DeviceContext* Valid(HDC dc);

} // namespace wgl
} // namespace plat
