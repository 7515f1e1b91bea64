#pragma once

#include <cstdint>

// Receiver of the main window's events. Every registered listener gets every
// event, in registration order; none can stop the others. Every handler
// does nothing by default. Events arrive from the message pump, between frames.
class IWindowListener
{
public:
    // The client area changed to width x height pixels (never 0).
    virtual void OnSize(uint16_t /*width*/, uint16_t /*height*/) {}
    // A character typed into the window (code page byte or control character).
    virtual void OnChar(uint32_t /*character*/) {}
    // The application became active (true) or inactive (false).
    virtual void OnActivate(bool /*active*/) {}
    // The user closed the window. The program's own IWindow::Destroy does
    // not call this.
    virtual void OnDestroy() {}
    // Around each switch between windowed and full-screen mode: the mode
    // about to be entered, then the mode now in force.
    virtual void OnBeforeFullscreen(bool /*fullscreen*/) {}
    virtual void OnAfterFullscreen(bool /*fullscreen*/) {}
    virtual ~IWindowListener() {}
};
