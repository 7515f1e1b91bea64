#pragma once

#include "game/IGameState.h"

// The battle phase of a level: birds come from the level's spawn points; the
// level is won when every bird is dead ("Next Level" leads to the post-level
// state) and lost when the statue falls ("Oh no!" leads to the lost end
// screen).
//
// To be completed: the battle screen and its panels, the player, the bird
// spawns, the physics steps and the per-frame object update through
// CGameCtrl::UpdateObjects. What stands is what the game controller's flow
// and debug keys need.
class CBattleState : public IGameState
{
public:
    CBattleState() : m_uiBirdsKilled(0) {}
    ~CBattleState() override {}

    // Keeps the controller; true.
    bool Create(CGameCtrl* gameCtrl) override;
    void Enter() override {}
    bool Update() override { return true; }
    void Leave() override {}
    void Reset() override { m_pGameCtrl = nullptr; }

    // Counts one bird as killed (also the debug key G).
    void OnBirdKilled() { ++m_uiBirdsKilled; }
    uint32_t GetBirdsKilled() const { return m_uiBirdsKilled; }
    // Brings the score text up to the controller's score; nothing to show yet.
    void RefreshScore() {}

    // "Next Level" of the level-done panel: to the post-level state.
    void OnNextLevel(uint32_t id);
    // "Oh no!" of the town-destroyed panel: to the lost end screen.
    void OnTownDestroyed(uint32_t id);

private:
    uint32_t m_uiBirdsKilled;
};
