#include "game/CBuildState.h"

#include "game/CBattleState.h"
#include "game/CGameCtrl.h"

bool CBuildState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    return true;
}

void CBuildState::OnToBattle(uint32_t /*id*/)
{
    if (m_pGameCtrl)
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetBattleState());
}
