#pragma once

#include "game/IGameState.h"
#include "render/CGuiMgr.h"

class CTerrain;

// Opens every level: advances the level number, shows the level's loading
// screen for one frame, sets the level up on the next and then offers
// "Continue", which leads to the build state.
//
// The set-up builds the world when the game has none yet (the first level,
// or the first after CGameCtrl::ResetGame): scene graph, terrain with its
// boundary walls, the blend hook tree, the start platform, the statue and
// the forest. Every level gets a new environment from its own section, and
// every model a level may need is loaded before "Continue" is offered. A
// failing step (a start position outside the terrain, a sky model or a
// model the game needs that cannot be loaded among them) is said where the
// player looks, as a start-up failure is (flags 9: "Error.log", standard
// error and a message box), e.g. "Error: settings.ini line 70: [Level1]
// EnvironmentModel = cut.scn: the sky model cannot be loaded (File is
// corrupted ...); the game ends", and ends the program with the start-up
// failure's status (Update returns false after CGameCtrl::SetFailed).
class CNewLevelState : public IGameState
{
public:
    CNewLevelState();
    // Runs Reset.
    ~CNewLevelState() override;

    // Makes the continue button; true.
    bool Create(CGameCtrl* gameCtrl) override;
    // Next level number and section; the loading screen with a disabled
    // "Loading..." button; set-up pending.
    void Enter() override;
    // First frame: clears the pending flag only (the loading screen is drawn
    // once). Second frame: the set-up, then "Continue" enabled. Later frames
    // wait for "Continue". False when a set-up step failed.
    bool Update() override;
    void Leave() override;
    // Set-up pending again; loading screen, button and controller forgotten.
    void Reset() override;

    // Button callback: to the build state.
    void OnContinue(uint32_t id);

    const CRefPtr<CGuiImagePanel>& GetLoadingScreen() const { return m_pLoadingScreen; }
    const CRefPtr<CGuiButton>& GetContinueButton() const { return m_pContinueButton; }
    bool IsSetUpPending() const { return m_bSetUpPending != 0; }
    // The level's set-up has run since the last Enter.
    bool IsLevelReady() const { return m_bLevelReady; }

    // The models every level preloads, in order (paths as the objects ask
    // for them), and whether the game needs each: a tree model or the sky
    // model that fails is said by the forest (its trees are left out) or
    // by the sky's key, any other ends the level's set-up.
    static const char* const kPreloadModels[16];
    static const bool kPreloadNeeded[16];
    // The section the terrain and the forest of a game are read from.
    static const char* const kWorldSection;

private:
    bool SetUpLevel();
    bool BuildWorld();
    // The start position's x and z lie on the terrain; else logged, false.
    bool StartIsOnTerrain(const CTerrain& terrain) const;
    void PlaceStatue();
    // False, said (ReportFault), at the first needed model that fails.
    bool Preload();
    // Says why the level cannot be set up (flags 9), "; the game ends"
    // appended.
    static void ReportFault(const std::string& what);

    CRefPtr<CGuiImagePanel> m_pLoadingScreen;
    CRefPtr<CGuiButton> m_pContinueButton;
    uint8_t m_bSetUpPending;
    bool m_bLevelReady;
    CRefPtr<CGuiMgr> m_pGuiMgr;
};
