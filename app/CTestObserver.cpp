#include "app/CTestObserver.h"

#include "game/CBattleState.h"
#include "game/CBirdObj.h"
#include "game/CBuildState.h"
#include "game/CGameCtrl.h"
#include "game/CMainMenuState.h"
#include "game/CNewLevelState.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"
#include "game/CStatueObj.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace
{

const char* StateName(CGameCtrl& game)
{
    const IGameState* s = game.GetCurrentState();
    if (!s)
        return "none";
    if (s == game.GetMainMenuState())
        return "menu";
    if (s == game.GetNewLevelState())
        return "newlevel";
    if (s == game.GetBuildState())
        return "build";
    if (s == game.GetBattleState())
        return "battle";
    if (s == game.GetPostLevelState())
        return "postlevel";
    if (s == game.GetPostGameState())
        return "postgame";
    return "none";
}

long ResidentKb()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return -1;
    long pages = 0, resident = 0;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return n == 2 ? resident * 4 : -1;
}

} // namespace

std::string CTestObserver::PathFromEnvironment()
{
    const char* path = std::getenv("VOSTREL_TEST_OBSERVE");
    return path ? path : "";
}

std::string CTestObserver::Describe(CGameCtrl& game) const
{
    std::ostringstream out;
    out << "frame " << m_uiFrame << "\n";
    out << "state " << StateName(game) << "\n";
    out << "level " << game.GetLevel() << "\n";
    out << "score " << game.GetScore() << "\n";
    out << "gold " << (game.GetBuildState() ? game.GetBuildState()->GetGold() : 0.0f) << "\n";
    const CBattleState* battle = game.GetBattleState();
    out << "birds " << (battle ? battle->GetRemainingBirds() : 0) << " "
        << (battle ? battle->GetTotalBirds() : 0) << "\n";
    // The battle's result panel on screen, if any.
    const bool done = battle && battle->GetLevelDonePanel() && battle->GetLevelDonePanel()->IsVisible();
    const bool lost = battle && battle->GetTownLostPanel() && battle->GetTownLostPanel()->IsVisible();
    out << "panel " << (done ? "leveldone" : lost ? "townlost" : "none") << "\n";

    float statue = -1.0f;
    const CBirdObj* nearest = nullptr;
    std::ostringstream flock;
    float nearestDistance = 0.0f;
    CVector3 eye, forward;
    const bool camera = game.GetCamera().Get() != nullptr;
    if (camera)
    {
        eye = game.GetCamera()->GetPosition();
        forward = game.GetCamera()->GetForward();
    }
    for (const CRefPtr<IGameObj>& object : game.GetObjects())
    {
        if (const auto* s = dynamic_cast<const CStatueObj*>(object.Get()))
            statue = s->GetHealth();
        const auto* bird = dynamic_cast<const CBirdObj*>(object.Get());
        if (!camera || !bird || bird->IsDead() || bird->GetPhase() == CBirdObj::PHASE_DEAD)
            continue;
        flock << " " << bird->GetPosition().x << " " << bird->GetPosition().y << " " << bird->GetPosition().z;
        if (bird->GetPhase() != CBirdObj::PHASE_FLYING)
            continue;
        const CVector3 d = bird->GetPosition() - eye;
        const float distance = std::sqrt(Dot(d, d));
        if (!nearest || distance < nearestDistance)
        {
            nearest = bird;
            nearestDistance = distance;
        }
    }
    out << "statue " << statue << "\n";
    if (camera)
        out << "view " << std::atan2(forward.x, -forward.z) << " "
            << std::asin(std::max(-1.0f, std::min(1.0f, forward.y))) << "\n";
    out << "rss_kb " << ResidentKb() << "\n";
    if (camera)
        out << "eye " << eye.x << " " << eye.y << " " << eye.z << "\n";
    if (nearest)
    {
        const CVector3& p = nearest->GetPosition();
        out << "bird " << p.x << " " << p.y << " " << p.z << "\n";
    }
    else
        out << "bird none\n";
    out << "flock" << flock.str() << "\n";
    return out.str();
}

bool CTestObserver::Write(CGameCtrl& game)
{
    ++m_uiFrame;
    const std::string temp = m_strPath + ".part";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (!f)
        return false;
    const std::string text = Describe(game);
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written && std::rename(temp.c_str(), m_strPath.c_str()) == 0;
}
