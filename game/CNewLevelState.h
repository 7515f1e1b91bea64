#pragma once

#include "game/IGameState.h"
#include "render/CGuiMgr.h"

// Opens every level: advances the level number, shows the level's loading
// screen for one frame, sets the level up on the next and then offers
// "Continue", which leads to the build state.
//
// To be completed: the level set-up of the second frame (the world on the
// first level of a game: scene graph, terrain, start platform, statue and
// forest; the level's environment; the model preloads). For now that frame
// only enables "Continue".
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
    // once). Second frame: the set-up, then "Continue" enabled.
    bool Update() override;
    void Leave() override;
    // Set-up pending again; loading screen, button and controller forgotten.
    void Reset() override;

    // Button callback: to the build state.
    void OnContinue(uint32_t id);

    const CRefPtr<CGuiImagePanel>& GetLoadingScreen() const { return m_pLoadingScreen; }
    const CRefPtr<CGuiButton>& GetContinueButton() const { return m_pContinueButton; }
    bool IsSetUpPending() const { return m_bSetUpPending != 0; }

private:
    CRefPtr<CGuiImagePanel> m_pLoadingScreen;
    CRefPtr<CGuiButton> m_pContinueButton;
    uint8_t m_bSetUpPending;
    CRefPtr<CGuiMgr> m_pGuiMgr;
};
