#pragma once

#include <cstdint>

// Receiver of input events. The input manager offers each event to its
// listeners in ascending priority order (smaller first; equal priorities in
// registration order) until one returns true (consumed). Every handler
// returns false by default. Button and key events come from the input
// manager's Update, inside the frame; characters from the window, between frames.
class IInputListener
{
public:
    IInputListener() : m_usPriority(0) {}

    // The frame's summed relative movement: x, y in device counts, wheel in
    // units of 120 per notch. Sent at most once per frame, after the buttons.
    virtual bool OnMouseMove(int32_t /*dx*/, int32_t /*dy*/, int32_t /*dz*/) { return false; }
    // Button 0 left, 1 right, 2 middle, 3-7 further buttons.
    virtual bool OnMouseDown(uint8_t /*button*/) { return false; }
    virtual bool OnMouseUp(uint8_t /*button*/) { return false; }
    virtual bool OnChar(uint32_t /*character*/) { return false; }
    // DirectInput key codes (positional scan codes, platform/dinput/DIKeyCodes.h).
    virtual bool OnKeyDown(uint8_t /*key*/) { return false; }
    virtual bool OnKeyUp(uint8_t /*key*/) { return false; }
    // Set before registering; the manager sorts on registration only.
    virtual void SetPriority(uint16_t priority) { m_usPriority = priority; }
    virtual uint16_t GetPriority() const { return m_usPriority; }
    virtual ~IInputListener() {}

protected:
    uint16_t m_usPriority;
};
