#pragma once

// The mouse as the GUI sees it: its last position in units of the GUI's
// virtual screen (origin top-left, y down) and that screen's size. The GUI
// manager answers it; the build phase's camera controller scrolls when the
// position lies in the window's outermost pixel row or column.
class IVirtualCursor
{
public:
    virtual ~IVirtualCursor() {}
    virtual void GetVirtualMousePosition(float& x, float& y) const = 0;
    virtual void GetVirtualScreenSize(float& width, float& height) const = 0;
    // The size of one window pixel in virtual units (across, down).
    virtual void GetVirtualPixelSize(float& width, float& height) const = 0;
};
