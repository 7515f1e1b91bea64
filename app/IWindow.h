#pragma once

#include "app/CRefCounted.h"
#include "app/IWindowListener.h"
#include "platform/win32/W32Window.h"

#include <cstdint>
#include <list>

// The main window the renderer draws in and input is taken from. Sizes are
// client sizes in pixels. The listener list holds raw pointers: listeners
// remove themselves before they go away.
class IWindow : public CRefCounted
{
public:
    ~IWindow() override {}
    virtual bool Create(plat::HINSTANCE instance, const char* title, uint16_t width, uint16_t height,
                        uint8_t fullscreen, int16_t x, int16_t y, uint8_t bits) = 0;
    virtual void SetPosition(int16_t x, int16_t y) = 0;
    virtual void SetSize(uint16_t width, uint16_t height) = 0;
    virtual void SetTitle(const char* title) = 0;
    virtual void SetFullscreen(bool fullscreen, uint16_t width, uint16_t height) = 0;
    virtual void Show(bool show) = 0;
    virtual bool IsCreated() const = 0;
    virtual bool IsFullscreen() const = 0;
    virtual uint8_t GetBits() const = 0;
    virtual void GetSize(uint16_t& width, uint16_t& height) const = 0;
    // The platform window handle; plat::GetSDLWindow gives its SDL window.
    virtual plat::HWND GetHandle() const = 0;
    // Clears the listener list.
    virtual void Destroy() { m_Listeners.clear(); }
    // Appends (duplicates allowed).
    virtual void AddListener(IWindowListener* listener) { m_Listeners.push_back(listener); }
    // Removes the first element equal to the listener, if any.
    virtual void RemoveListener(IWindowListener* listener)
    {
        for (auto it = m_Listeners.begin(); it != m_Listeners.end(); ++it)
            if (*it == listener)
            {
                m_Listeners.erase(it);
                return;
            }
    }

    const std::list<IWindowListener*>& GetListeners() const { return m_Listeners; }

protected:
    std::list<IWindowListener*> m_Listeners;
};
