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
    // More levels than the limit are clamped to it; a count below 0 is
    // refused like a missing one.
    const CSettings::SNumberLimits limits = {0.0, static_cast<double>(kMaxNumLevels), true, false};
    double levels = 0.0;
    CSettings* settings = CSettings::GetInstance();
    if (settings && settings->GetLimitedNumber("GAME", "NumLevels", limits, levels))
        m_usNumLevels = static_cast<uint16_t>(levels);
    else
    {
        m_usNumLevels = kDefaultNumLevels;
        Log(1, "Error: Couldn't get \"NumLevels\"-Value from \"GAME\" in CPostLevelState::Create");
    }
    // A game whose levels run out before its end could only end in a
    // failed level set-up: it does not start.
    const unsigned last = m_usNumLevels > 0 ? m_usNumLevels : 1u;
    for (unsigned level = 1; level <= last; ++level)
    {
        const std::string section = "Level" + std::to_string(level);
        if (settings && !settings->HasSection(section))
        {
            Log(16,
                "Error: Level %u of %u (\"NumLevels\"-Value from \"GAME\") has no section \"%s\" in "
                "CPostLevelState::Create",
                level, last, section.c_str());
            SSettingsFault fault;
            const uint32_t line = settings->GetLine("GAME", "NumLevels");
            fault.Set(section, "",
                      "level " + std::to_string(level) + " of " + std::to_string(last) + " (\"NumLevels\"" +
                          (line ? ", line " + std::to_string(line) : std::string(" missing")) + ") needs it",
                      "");
            CGameCtrl::ReportStartUpFault(fault);
            return false;
        }
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
