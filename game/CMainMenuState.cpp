#include "game/CMainMenuState.h"

#include "game/CGameCtrl.h"
#include "game/CNewLevelState.h"

namespace
{

const uint32_t kButtonTextColour = 0xD0D0D000u;

} // namespace

CMainMenuState::CMainMenuState() : m_bRunning(0) {}

CMainMenuState::~CMainMenuState()
{
    CMainMenuState::Reset();
}

bool CMainMenuState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    m_pGuiMgr = gameCtrl ? gameCtrl->GetGuiMgr() : CRefPtr<CGuiMgr>();
    if (!m_pGuiMgr)
        return true;

    m_pScreen = m_pGuiMgr->CreatePicturePanel("Data/mainbg.tga");
    m_pScreen->SetPosition(CVector3(0, 0, 1));
    m_pScreen->SetScale(CVector3(1000, 1000, 1));

    CRefPtr<CGuiButton> newGame = m_pGuiMgr->CreateButton("Data\\buttonTex.tga");
    newGame->SetPosition(CVector3(435, 600, 10));
    newGame->SetScale(CVector3(130, 50, 1));
    newGame->SetText("New game", kButtonTextColour);
    newGame->SetCallback(MakeGuiCallback(this, &CMainMenuState::OnNewGame));
    m_pScreen->AddChild(newGame);

    CRefPtr<CGuiButton> quitGame = m_pGuiMgr->CreateButton("Data\\buttonTex.tga");
    quitGame->SetId(1);
    quitGame->SetPosition(CVector3(435, 700, 10));
    quitGame->SetScale(CVector3(130, 50, 1));
    quitGame->SetText("Quit game", kButtonTextColour);
    quitGame->SetCallback(MakeGuiCallback(this, &CMainMenuState::OnQuitGame));
    m_pScreen->AddChild(quitGame);

    m_bRunning = 1;
    return true;
}

void CMainMenuState::Enter()
{
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(m_pScreen);
    m_bRunning = 1;
}

bool CMainMenuState::Update()
{
    return m_bRunning != 0;
}

void CMainMenuState::Leave()
{
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(CRefPtr<CGuiElement>());
}

void CMainMenuState::Reset()
{
    m_pScreen.Release();
    m_pGuiMgr.Release();
}

void CMainMenuState::OnNewGame(uint32_t /*id*/)
{
    if (m_pGameCtrl)
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetNewLevelState());
}

void CMainMenuState::OnQuitGame(uint32_t /*id*/)
{
    m_bRunning = 0;
}
