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
    // The most levels a game may have.
    static const long kMaxNumLevels = 1000;

    CPostLevelState() : m_usNumLevels(kDefaultNumLevels) {}
    // Runs Reset.
    ~CPostLevelState() override;

    // Keeps the controller and reads "NumLevels" (a whole number from 0 to
    // 1000; 0 plays one level); when it is missing or outside, the default
    // is taken and the miss logged. False (logged, naming the first missing
    // section) unless every level of the game, "Level1" up to the last, has
    // its section: the game could not be finished.
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
