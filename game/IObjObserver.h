#pragma once

// Told once when the game object it watches is killed. Observers are raw
// pointers in the watched object's list: an observer that goes away first
// takes itself out (IGameObj::RemoveObserver).
class IObjObserver
{
public:
    virtual void OnObservedKilled() = 0;
    virtual ~IObjObserver() {}
};
