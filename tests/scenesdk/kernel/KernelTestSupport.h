#pragma once

// Helpers shared by the kernel tests: an event recorder that listens on plugs
// through callback records and writes one line per event.

#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kerneltest
{

// The search work (KSearchWork) that run counts.
inline uint64_t WorkOf(const std::function<void()>& run)
{
    const uint64_t before = scenesdk::KSearchWork::Get();
    run();
    return scenesdk::KSearchWork::Get() - before;
}

class EventRecorder
{
public:
    // Listens on plug under a name; events from plugs it does not know are named "?".
    void Listen(scenesdk::KPlug* plug, const std::string& name)
    {
        m_Names[plug] = name;
        plug->AddCallback(this, &EventRecorder::OnNotify, &EventRecorder::OnNotify,
                          &EventRecorder::OnConnection);
    }
    void Name(scenesdk::KPlug* plug, const std::string& name) { m_Names[plug] = name; }

    // Connection events as "receiver code index other".
    std::vector<std::string> lines;
    // NotifyEvent14/15 codes as "emitter n<code>" (when recordNotes is set).
    std::vector<std::string> notes;
    // Runs after an event is recorded (may change the plugs).
    std::function<void(int code, scenesdk::KPlug* emitter, scenesdk::KPlug* other)> onEvent;
    bool recordNotes = false;

    std::string NameOf(const scenesdk::KPlug* p) const
    {
        if (!p)
        {
            return "null";
        }
        auto it = m_Names.find(p);
        return it == m_Names.end() ? "?" : it->second;
    }
    void Clear()
    {
        lines.clear();
        notes.clear();
    }
    std::vector<std::string> Codes() const
    {
        std::vector<std::string> out;
        for (const std::string& l : lines)
        {
            out.push_back(l.substr(0, l.find(' ', l.find(' ') + 1)));
        }
        return out;
    }

private:
    static void OnConnection(void* user, const scenesdk::KEventPath*, int code, scenesdk::KPlug* emitter,
                             int index, scenesdk::KPlug* other, uint32_t, scenesdk::KPlug*)
    {
        auto* self = static_cast<EventRecorder*>(user);
        self->lines.push_back(self->NameOf(emitter) + " " + std::to_string(code) + " " +
                              std::to_string(index) + " " + self->NameOf(other));
        if (self->onEvent)
        {
            auto handler = self->onEvent; // the handler may replace itself
            handler(code, emitter, other);
        }
    }
    static void OnNotify(void* user, const scenesdk::KEventPath*, int code, scenesdk::KPlug* emitter,
                         const void*, const void*, const void*)
    {
        auto* self = static_cast<EventRecorder*>(user);
        if (self->recordNotes)
        {
            self->notes.push_back(self->NameOf(emitter) + " n" + std::to_string(code));
        }
    }

    std::map<const scenesdk::KPlug*, std::string> m_Names;
};

// A plug that counts its destruction and can refuse requests.
class CountedPlug : public scenesdk::KPlug
{
public:
    explicit CountedPlug(int* destroyed = nullptr) : m_Destroyed(destroyed) {}
    bool refuse = false;
    bool ConnectionEvent(const scenesdk::KEventPath* path, int code, scenesdk::KPlug* emitter, int index,
                         scenesdk::KPlug* other, uint32_t type, scenesdk::KPlug* extra) override
    {
        if (refuse && (code == eRequestSrc || code == eRequestDst))
        {
            return false;
        }
        return KPlug::ConnectionEvent(path, code, emitter, index, other, type, extra);
    }

protected:
    ~CountedPlug() override
    {
        if (m_Destroyed)
        {
            ++*m_Destroyed;
        }
    }

private:
    int* m_Destroyed;
};

// Destroys a set of plugs at the end of a test.
class PlugScope
{
public:
    ~PlugScope()
    {
        for (auto it = m_Handles.rbegin(); it != m_Handles.rend(); ++it)
        {
            if (scenesdk::KPlug* p = it->Get())
            {
                p->Destroy();
            }
        }
    }
    template <class T> T* Add(T* plug)
    {
        m_Handles.push_back(plug->GetHandle());
        return plug;
    }

private:
    std::vector<scenesdk::HdlKObject> m_Handles;
};

} // namespace kerneltest
