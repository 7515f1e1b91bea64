#pragma once

#include "game/IGameState.h"
#include "render/CGuiMgr.h"

// The first screen, and the screen after a finished game: a full-screen
// picture with "New game" (to the new-level state) and "Quit game" (the
// program ends at the next frame).
class CMainMenuState : public IGameState
{
public:
    CMainMenuState();
    // Runs Reset.
    ~CMainMenuState() override;

    // Builds the menu screen and its two buttons; true.
    bool Create(CGameCtrl* gameCtrl) override;
    // Shows the menu screen; running again.
    void Enter() override;
    // The running flag: false once "Quit game" was clicked.
    bool Update() override;
    // Takes the menu screen off the GUI.
    void Leave() override;
    // Releases the menu screen and the GUI manager.
    void Reset() override;

    // Button callbacks.
    void OnNewGame(uint32_t id);
    void OnQuitGame(uint32_t id);

    const CRefPtr<CGuiImagePanel>& GetScreen() const { return m_pScreen; }
    bool IsRunning() const { return m_bRunning != 0; }

private:
    CRefPtr<CGuiImagePanel> m_pScreen;
    uint8_t m_bRunning;
    CRefPtr<CGuiMgr> m_pGuiMgr;
};
