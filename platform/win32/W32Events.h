#pragma once

// Event hooks of the message pump: the layers that read devices (the
// DirectInput layer) see every SDL event that PeekMessageA takes from SDL,
// before it is turned into window messages. Main thread only.

union SDL_Event;

namespace plat
{

typedef void (*EventHook)(const SDL_Event& event, void* user);

// Hooks are called in the order they were added. Adding the same pair twice
// adds it twice; removing removes the first match.
void AddEventHook(EventHook hook, void* user);
void RemoveEventHook(EventHook hook, void* user);

// Reads every pending SDL event into the message queue (hooks run). The pump
// does this by itself; tests call it after SDL_PushEvent.
void PumpEvents();

// Drops every queued message (tests).
void DiscardMessages();

} // namespace plat
