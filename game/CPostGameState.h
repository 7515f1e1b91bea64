#pragma once

#include "game/IGameState.h"
#include "render/CGuiMgr.h"

// The end screen of a game, won or lost, with the final score; "Continue"
// resets the game and returns to the main menu.
class CPostGameState : public IGameState
{
public:
    CPostGameState() {}
    // Runs Reset.
    ~CPostGameState() override;

    // Builds the screen: both backgrounds, the score text and the continue
    // button under one root panel; true.
    bool Create(CGameCtrl* gameCtrl) override;
    // The score text from the controller's score; the screen is shown.
    void Enter() override;
    bool Update() override { return true; }
    void Leave() override;
    // Releases the screen's widgets and forgets the controller.
    void Reset() override;

    // Shows the won background when won, else the lost one. Called before
    // the change to this state.
    void SetWon(bool won);
    // Button callback: CGameCtrl::ResetGame, then the main menu.
    void OnContinue(uint32_t id);

    const CRefPtr<CGuiPanel>& GetRoot() const { return m_pRoot; }
    const CRefPtr<CGuiImagePanel>& GetLostBackground() const { return m_pLostBackground; }
    const CRefPtr<CGuiImagePanel>& GetWonBackground() const { return m_pWonBackground; }
    const CRefPtr<CGuiText>& GetScoreText() const { return m_pScoreText; }
    const CRefPtr<CGuiButton>& GetContinueButton() const { return m_pContinueButton; }

private:
    CRefPtr<CGuiPanel> m_pRoot;
    CRefPtr<CGuiImagePanel> m_pLostBackground;
    CRefPtr<CGuiImagePanel> m_pWonBackground;
    CRefPtr<CGuiText> m_pScoreText;
    CRefPtr<CGuiButton> m_pContinueButton;
    CRefPtr<CGuiMgr> m_pGuiMgr;
};
