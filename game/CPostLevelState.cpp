#include "game/CPostLevelState.h"

#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CGameCtrl.h"
#include "game/CNewLevelState.h"
#include "game/CPostGameState.h"

#include <cstdlib>
#include <string>

CPostLevelState::~CPostLevelState()
{
    CPostLevelState::Reset();
}

bool CPostLevelState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    std::string value;
    CSettings* settings = CSettings::GetInstance();
    if (settings && settings->GetValue("GAME", "NumLevels", value))
        m_usNumLevels = static_cast<uint16_t>(std::strtoul(value.c_str(), nullptr, 10));
    else
    {
        m_usNumLevels = kDefaultNumLevels;
        Log(1, "Error: Couldn't get \"NumLevels\"-Value from \"GAME\" in CPostLevelState::Create");
    }
    return true;
}

bool CPostLevelState::Update()
{
    if (!m_pGameCtrl)
        return true;
    m_pGameCtrl->EndLevelObjects();
    if (m_usNumLevels <= m_pGameCtrl->GetLevel())
    {
        if (CPostGameState* postGame = m_pGameCtrl->GetPostGameState())
            postGame->SetWon(true);
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetPostGameState());
    }
    else
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetNewLevelState());
    return true;
}
