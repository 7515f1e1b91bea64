#pragma once

#include "game/IGameState.h"

// Runs for one frame after a won level: ends the level for every game object,
// then goes on to the next level or, after the last one ("NumLevels" of
// "GAME"), to the won end screen.
class CPostLevelState : public IGameState
{
public:
    // Levels of a game when "GAME" has no "NumLevels": the first won level
    // ends the game.
    static const uint16_t kDefaultNumLevels = 1;

    CPostLevelState() : m_usNumLevels(kDefaultNumLevels) {}
    // Runs Reset.
    ~CPostLevelState() override;

    // Keeps the controller and reads "NumLevels" (decimal, kept to 16 bits);
    // when it is missing the default is taken and the miss logged. True.
    bool Create(CGameCtrl* gameCtrl) override;
    void Enter() override {}
    // Ends the level's objects, then changes state; true.
    bool Update() override;
    void Leave() override {}
    void Reset() override { m_pGameCtrl = nullptr; }

    uint16_t GetNumLevels() const { return m_usNumLevels; }

private:
    uint16_t m_usNumLevels;
};
