#include "game/CBattleState.h"

#include "game/CGameCtrl.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"

bool CBattleState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    return true;
}

void CBattleState::OnNextLevel(uint32_t /*id*/)
{
    if (m_pGameCtrl)
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetPostLevelState());
}

void CBattleState::OnTownDestroyed(uint32_t /*id*/)
{
    if (!m_pGameCtrl)
        return;
    if (CPostGameState* postGame = m_pGameCtrl->GetPostGameState())
        postGame->SetWon(false);
    m_pGameCtrl->ChangeState(m_pGameCtrl->GetPostGameState());
}
