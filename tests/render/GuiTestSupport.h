#pragma once

#include "app/CEngineServices.h"
#include "app/CFrameClock.h"
#include "app/CHiResTimer.h"
#include "app/IInputMgr.h"
#include "app/ISoundMgr.h"
#include "app/IWindow.h"
#include "render/CGuiMgr.h"

#include <functional>
#include <string>
#include <vector>

namespace guitest
{

// A main window of a fixed client size that records nothing but its listeners.
class FakeWindow : public IWindow
{
public:
    FakeWindow(uint16_t w, uint16_t h) : m_W(w), m_H(h) {}
    bool Create(plat::HINSTANCE, const char*, uint16_t, uint16_t, uint8_t, int16_t, int16_t, uint8_t) override
    {
        return true;
    }
    void SetPosition(int16_t, int16_t) override {}
    void SetSize(uint16_t w, uint16_t h) override
    {
        m_W = w;
        m_H = h;
        for (IWindowListener* l : m_Listeners)
            l->OnSize(w, h);
    }
    void SetTitle(const char*) override {}
    void SetFullscreen(bool, uint16_t, uint16_t) override {}
    void Show(bool) override {}
    bool IsCreated() const override { return true; }
    bool IsFullscreen() const override { return false; }
    uint8_t GetBits() const override { return 32; }
    void GetSize(uint16_t& w, uint16_t& h) const override
    {
        w = m_W;
        h = m_H;
    }
    plat::HWND GetHandle() const override { return nullptr; }

    uint16_t m_W, m_H;
};

// An input manager whose cursor the test places (client pixels).
class FakeInput : public IInputMgr
{
public:
    bool Create(plat::HINSTANCE, const CRefPtr<IWindow>&) override { return true; }
    void Update() override {}
    void GetCursorPosition(int32_t& x, int32_t& y) override
    {
        x = m_X;
        y = m_Y;
    }
    void GetNormalizedCursorPosition(float& x, float& y) override
    {
        x = 0;
        y = 0;
    }
    void SetCursorClip(bool) override {}
    void ShowMouseCursor(bool) override {}

    int32_t m_X = 0, m_Y = 0;
};

// A sound that writes "<name>" into a shared event list on each Play.
class FakeSound : public ISound
{
public:
    FakeSound(std::vector<std::string>* events, const std::string& name) : m_pEvents(events), m_Name(name) {}
    void Play() override { m_pEvents->push_back(m_Name); }
    void Stop() override {}

private:
    std::vector<std::string>* m_pEvents;
    std::string m_Name;
};

// A callback target that records "click:<id>" and may then run an action.
struct ClickTarget
{
    std::vector<std::string>* events = nullptr;
    std::function<void(uint32_t)> then;
    void OnClick(uint32_t id)
    {
        events->push_back("click:" + std::to_string(id));
        if (then)
            then(id);
    }
};

// A widget that records its draws, updates and key events and accepts the
// focus when asked to.
class ProbeWidget : public CGuiElement
{
public:
    ProbeWidget(std::vector<std::string>* events, const std::string& name) : m_pEvents(events), m_Name(name) {}
    void Render() override { m_pEvents->push_back("draw:" + m_Name); }
    void Update(float delta) override
    {
        m_pEvents->push_back("update:" + m_Name);
        m_fLastDelta = delta;
    }
    bool OnKeyDown(uint8_t key) override
    {
        m_pEvents->push_back("key:" + m_Name);
        return key == m_bTakeKey;
    }
    bool AcceptsInput() override { return m_bAccepts; }

    std::vector<std::string>* m_pEvents;
    std::string m_Name;
    float m_fLastDelta = -1.0f;
    uint8_t m_bTakeKey = 0xFF;
    bool m_bAccepts = false;
};

} // namespace guitest
