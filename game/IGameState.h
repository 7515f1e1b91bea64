#pragma once

#include <cstdint>

class CGameCtrl;

// One of the game's six states. The game controller owns them, calls Create
// once at start-up and moves between them with CGameCtrl::ChangeState, which
// calls the old state's Leave and the new state's Enter at once.
class IGameState
{
public:
    IGameState() : m_uiReserved(0), m_pGameCtrl(nullptr) {}
    virtual ~IGameState() {}
    IGameState(const IGameState&) = delete;
    IGameState& operator=(const IGameState&) = delete;

    // Keeps the controller (not owned), builds the state's screens; false
    // aborts the start-up.
    virtual bool Create(CGameCtrl* gameCtrl) = 0;
    // The state becomes current.
    virtual void Enter() = 0;
    // Once per frame while current; false ends the program.
    virtual bool Update() = 0;
    // The state stops being current.
    virtual void Leave() = 0;
    // Releases what Create made.
    virtual void Reset() = 0;

    CGameCtrl* GetGameCtrl() const { return m_pGameCtrl; }

protected:
    uint32_t m_uiReserved;
    CGameCtrl* m_pGameCtrl;
};
