#pragma once

#include "app/CRefCounted.h"
#include "app/IInputListener.h"
#include "app/IWindow.h"

#include <cstdint>
#include <list>

// Mouse and keyboard input, read once per frame, offered to a priority-sorted
// listener list; also owns the mouse cursor (position, confinement to the
// window, visibility). Listeners are raw pointers: they remove themselves
// before they go away.
class IInputMgr : public CRefCounted
{
public:
    ~IInputMgr() override {}
    virtual bool Create(plat::HINSTANCE instance, const CRefPtr<IWindow>& window) = 0;
    // Reads the buffered devices and dispatches their events; once per frame.
    virtual void Update() = 0;
    // Cursor position in client pixels of the main window.
    virtual void GetCursorPosition(int32_t& x, int32_t& y) = 0;
    // Cursor position divided by the client size: 0 to 1 inside the window.
    virtual void GetNormalizedCursorPosition(float& x, float& y) = 0;
    virtual void SetCursorClip(bool clip) = 0;
    virtual void ShowMouseCursor(bool show) = 0;
    // Clears the listener list.
    virtual void Destroy() { m_Listeners.clear(); }
    // Appends, then re-sorts.
    virtual void AddListener(IInputListener* listener);
    // Removes the first element equal to the listener, if any.
    virtual void RemoveListener(IInputListener* listener);
    // Stable sort by ascending priority.
    virtual void SortListeners();

    const std::list<IInputListener*>& GetListeners() const { return m_Listeners; }

protected:
    // Offers an event to the listeners in order until one returns true;
    // true when one did. Listeners removed during the walk are skipped.
    template <class F> bool Dispatch(F handler);

    std::list<IInputListener*> m_Listeners;
};

template <class F> bool IInputMgr::Dispatch(F handler)
{
    // A snapshot: a handler may add or remove listeners (a game state that
    // changes on a click swaps its listener).
    const std::list<IInputListener*> snapshot = m_Listeners;
    for (IInputListener* l : snapshot)
    {
        bool present = false;
        for (IInputListener* cur : m_Listeners)
            present = present || cur == l;
        if (present && handler(l))
            return true;
    }
    return false;
}
