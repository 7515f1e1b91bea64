#include "game/CNewLevelState.h"

#include "game/CBuildState.h"
#include "game/CGameCtrl.h"

namespace
{

const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const uint32_t kButtonTextColour = 0xFF000000u;

} // namespace

CNewLevelState::CNewLevelState() : m_bSetUpPending(1) {}

CNewLevelState::~CNewLevelState()
{
    CNewLevelState::Reset();
}

bool CNewLevelState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    m_pGuiMgr = gameCtrl ? gameCtrl->GetGuiMgr() : CRefPtr<CGuiMgr>();
    if (!m_pGuiMgr)
        return true;
    m_pContinueButton = m_pGuiMgr->CreateButton("Data\\buttonTex.tga");
    m_pContinueButton->SetPosition(CVector3(435, 800, 1));
    m_pContinueButton->SetScale(CVector3(130, 50, 1));
    m_pContinueButton->SetCallback(MakeGuiCallback(this, &CNewLevelState::OnContinue));
    return true;
}

void CNewLevelState::Enter()
{
    if (m_pGameCtrl)
        m_pGameCtrl->NextLevel();
    if (m_pGuiMgr && m_pGameCtrl)
    {
        // A new screen per level: the picture is the level's own.
        m_pLoadingScreen = m_pGuiMgr->CreateImagePanel(
            "Data/loadingscreens/" + m_pGameCtrl->GetLevelSection() + ".tga", 0, 0, 1, 1, kWhite, 0);
        m_pLoadingScreen->SetPosition(CVector3(0, 0, 1));
        m_pLoadingScreen->SetScale(CVector3(1000, 1000, 1));
        if (m_pContinueButton)
        {
            // The button may still hang on the previous level's screen.
            if (CGuiElement* parent = m_pContinueButton->GetParent())
                parent->RemoveChild(CRefPtr<CGuiElement>(m_pContinueButton.Get()));
            m_pLoadingScreen->AddChild(m_pContinueButton);
        }
        m_pGuiMgr->SetRoot(m_pLoadingScreen);
    }
    if (m_pContinueButton)
    {
        m_pContinueButton->SetText("Loading...", kButtonTextColour);
        m_pContinueButton->SetEnabled(0);
    }
    m_bSetUpPending = 1;
}

bool CNewLevelState::Update()
{
    if (m_bSetUpPending)
    {
        m_bSetUpPending = 0;
        return true;
    }
    // To be completed: the level set-up (world on the first level of a game,
    // the level's environment, model preloads); each failing step logs and
    // returns false.
    if (m_pContinueButton && !m_pContinueButton->IsEnabled())
    {
        m_pContinueButton->SetText("Continue", kButtonTextColour);
        m_pContinueButton->SetEnabled(1);
    }
    return true;
}

void CNewLevelState::Leave()
{
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(CRefPtr<CGuiElement>());
}

void CNewLevelState::Reset()
{
    m_bSetUpPending = 1;
    m_pLoadingScreen.Release();
    m_pContinueButton.Release();
    m_pGuiMgr.Release();
    m_pGameCtrl = nullptr;
}

void CNewLevelState::OnContinue(uint32_t /*id*/)
{
    if (m_pGameCtrl)
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetBuildState());
}
