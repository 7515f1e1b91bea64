#include "game/CPostGameState.h"

#include "game/CGameCtrl.h"
#include "game/CMainMenuState.h"

#include <cstdio>

namespace
{

CRefPtr<CGuiImagePanel> Background(CGuiMgr& gui, const char* file)
{
    CRefPtr<CGuiImagePanel> panel = gui.CreatePicturePanel(file);
    panel->SetPosition(CVector3(0, 0, 1));
    panel->SetScale(CVector3(1000, 1000, 1));
    return panel;
}

} // namespace

CPostGameState::~CPostGameState()
{
    CPostGameState::Reset();
}

bool CPostGameState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    m_pGuiMgr = gameCtrl ? gameCtrl->GetGuiMgr() : CRefPtr<CGuiMgr>();
    if (!m_pGuiMgr)
        return true;
    m_pRoot = m_pGuiMgr->CreatePanel();

    m_pLostBackground = Background(*m_pGuiMgr, "Data/endbg.tga");
    m_pRoot->AddChild(m_pLostBackground);
    m_pWonBackground = Background(*m_pGuiMgr, "Data/wonbg.tga");
    m_pRoot->AddChild(m_pWonBackground);

    m_pScoreText = m_pGuiMgr->CreateText();
    m_pScoreText->SetPosition(CVector3(440, 500, 3));
    m_pScoreText->SetColor(0x00000000u);

    m_pContinueButton = m_pGuiMgr->CreateButton("Data\\buttonTex.tga");
    m_pContinueButton->SetPosition(CVector3(435, 800, 3));
    m_pContinueButton->SetScale(CVector3(130, 50, 1));
    m_pContinueButton->SetText("Continue", 0x00FF0000u);
    m_pContinueButton->SetCallback(MakeGuiCallback(this, &CPostGameState::OnContinue));

    m_pRoot->AddChild(m_pContinueButton);
    m_pRoot->AddChild(m_pScoreText);
    return true;
}

void CPostGameState::SetWon(bool won)
{
    if (m_pLostBackground)
        m_pLostBackground->SetVisible(won ? 0 : 1);
    if (m_pWonBackground)
        m_pWonBackground->SetVisible(won ? 1 : 0);
}

void CPostGameState::Enter()
{
    if (m_pScoreText && m_pGameCtrl)
    {
        char text[64];
        std::snprintf(text, sizeof text, "Your score: %.0f", static_cast<double>(m_pGameCtrl->GetScore()));
        m_pScoreText->SetText(text);
    }
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(m_pRoot);
}

void CPostGameState::Leave()
{
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(CRefPtr<CGuiElement>());
}

void CPostGameState::Reset()
{
    m_pRoot.Release();
    m_pLostBackground.Release();
    m_pWonBackground.Release();
    m_pScoreText.Release();
    m_pContinueButton.Release();
    m_pGuiMgr.Release();
    m_pGameCtrl = nullptr;
}

void CPostGameState::OnContinue(uint32_t /*id*/)
{
    if (!m_pGameCtrl)
        return;
    m_pGameCtrl->ResetGame();
    m_pGameCtrl->ChangeState(m_pGameCtrl->GetMainMenuState());
}
