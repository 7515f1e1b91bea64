#pragma once

#include "game/IGameState.h"

// The build phase of a level: the player spends gold on buildings until the
// level's build time is up, then "To battle!" leads to the battle state.
//
// To be completed: the build screen, its buttons and input listener, the
// level timer ("BuildTime"), placing buildings, the gold from "StartMoney"
// and "COSTS", and the per-frame object update through
// CGameCtrl::UpdateObjects. What stands is what the game controller's flow
// needs: the gold account and the way on to the battle.
class CBuildState : public IGameState
{
public:
    CBuildState() : m_fGold(0.0f) {}
    ~CBuildState() override {}

    // Keeps the controller; true.
    bool Create(CGameCtrl* gameCtrl) override;
    void Enter() override {}
    bool Update() override { return true; }
    void Leave() override {}
    void Reset() override { m_pGameCtrl = nullptr; }

    // "To battle!" of the time-up panel: to the battle state.
    void OnToBattle(uint32_t id);
    // Buildings pay back part of their price at the end of a level.
    void AddGold(float value) { m_fGold += value; }
    float GetGold() const { return m_fGold; }

private:
    float m_fGold;
};
