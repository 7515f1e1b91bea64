#include "game/CBattleState.h"

#include "app/CEngineServices.h"
#include "app/CPhysXMgr.h"
#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CAiBirdCtrl.h"
#include "game/CAiKamikazeCtrl.h"
#include "game/CBirdObj.h"
#include "game/CFollowCameraCtrl.h"
#include "game/CGameCtrl.h"
#include "game/CPlayerCtrl.h"
#include "game/CPlayerObj.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"
#include "game/CStatueObj.h"
#include "game/CTerrain.h"
#include "game/GameRandom.h"
#include "game/GuiLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace guilayout;

namespace
{

const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const uint32_t kHudTextColour = 0xFF000000u;
const uint32_t kButtonTextColour = 0xD0D0D000u;
const uint16_t kPlayerCtrlPriority = 500;
const float kMusicVolume = 0.2f;
// The music plays 21 times, then falls silent: the generated track is long
// enough that this outlasts the battles of the shipped levels (see
// docs/game-data.md).
const int32_t kMusicLoopCount = 20;
const float kPlayerDropHeight = 3.0f;
const float kScorePerBird = 10.0f;

// The most birds the records of a level may ask for together (so also the
// largest flock), and the most birds that join the battle in one frame (a
// larger flock comes over several frames).
const unsigned long kMaxLevelBirds = 1000;
const uint32_t kMaxBirdsPerFrame = 100;
// The most spawn records of a level, the latest time of a flock (seconds of
// battle) and the farthest a spawn point may lie from the origin along each
// axis.
const long kMaxSpawnRecords = 1000;
const float kMaxSpawnTime = 10000.0f;
const float kMaxSpawnCoordinate = 100000.0f;
// The statue stands 20 units along -x from the start position: each battle
// begins facing it, level.
const float kTowardsTheStatue = -1.5707964f;

IInputMgr* InputMgr()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetInputMgr().Get() : nullptr;
}

CPhysXMgr* PhysXMgr()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetPhysXMgr().Get() : nullptr;
}

// A HUD line of one percentage (format has one %lu).
void WritePercent(CGuiText* text, const char* format, uint32_t percent)
{
    if (!text)
        return;
    char line[64];
    std::snprintf(line, sizeof line, format, static_cast<unsigned long>(percent));
    text->SetText(line);
}

CRefPtr<CGuiText> HudText(CGuiMgr& gui, CGuiElement& parent, float y)
{
    CRefPtr<CGuiText> text = gui.CreateText();
    text->SetPosition(CVector3(kHudTextX, y, 1));
    text->SetColor(kHudTextColour);
    parent.AddChild(text);
    return text;
}

} // namespace

CBattleState::CBattleState() : m_uiTotalBirds(0), m_uiRemainingBirds(0), m_bEnded(false) {}

CBattleState::~CBattleState()
{
    if (m_pPlayer)
        m_pPlayer->SetController(nullptr);
    m_pPlayerCtrl.reset();
}

bool CBattleState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    if (!gameCtrl)
        return true;
    m_pTimer = new CGameTimer(gameCtrl->GetFrameClock().Get());
    m_pTimer->SetRunning(false);
    m_pGuiMgr = gameCtrl->GetGuiMgr();
    m_pBirdKilled = MakeObjCallback(this, &CBattleState::OnBirdKilled);
    if (m_pGuiMgr)
        CreateHud();

    m_pPlayer = new CPlayerObj(gameCtrl);
    m_pPlayerCtrl.reset(new CPlayerCtrl(kPlayerCtrlPriority));
    m_pCameraCtrl = new CFollowCameraCtrl;

    CEngineServices* services = CEngineServices::GetInstance();
    if (services && services->GetSoundMgr())
        m_pMusic = services->GetSoundMgr()->GetSound(2, "Data/sounds/bg_battle.mp3");
    if (m_pMusic)
    {
        m_pMusic->SetVolume(kMusicVolume);
        m_pMusic->SetLoopCount(kMusicLoopCount);
    }
    return true;
}

void CBattleState::CreateHud()
{
    CGuiMgr& gui = *m_pGuiMgr;
    m_pHud = gui.CreatePanel();

    // The centre mark: its middle is the screen's middle (500, 500).
    CRefPtr<CGuiImagePanel> mark =
        gui.CreateImagePanel("Data\\windows.tga", 0, 0.5f, 0.25f, 0.75f, kWhite, 1);
    mark->SetPosition(CVector3(470, 477.5f, 1));
    mark->SetScale(CVector3(60, 45, 1));
    m_pHud->AddChild(mark);

    CRefPtr<CGuiImagePanel> bar = gui.CreateImagePanel("Data\\windows.tga", 0, 0.25f, 1, 0.5f, kWhite, 1);
    bar->SetPosition(CVector3(0, 850, 1));
    bar->SetScale(CVector3(1000, 150, 1));
    m_pHud->AddChild(bar);
    m_pLevelDoneText = HudText(gui, *bar, kHudLineY[0]);
    m_pStatueText = HudText(gui, *bar, kHudLineY[1]);
    m_pScoreText = HudText(gui, *bar, kHudLineY[2]);

    m_pLevelDonePanel =
        CreateResultPanel("This attack is over. Well done!", "Next Level", &CBattleState::OnNextLevel);
    m_pTownLostPanel = CreateResultPanel("Your town is devastated!", "Oh no!", &CBattleState::OnTownLost);
}

CRefPtr<CGuiImagePanel> CBattleState::CreateResultPanel(const char* text, const char* buttonText,
                                                        void (CBattleState::*callback)(uint32_t))
{
    CGuiMgr& gui = *m_pGuiMgr;
    CRefPtr<CGuiImagePanel> panel = gui.CreateImagePanel("Data\\buttonTex.tga", 0, 0, 1, 0.25f, kWhite, 0);
    panel->SetVisible(0);
    panel->SetPosition(CVector3(kPanelX, kPanelY, 10));
    panel->SetScale(CVector3(kPanelWidth, kPanelHeight, 1));

    CRefPtr<CGuiText> label = gui.CreateText();
    label->SetPosition(CVector3(kPanelTextX, kPanelTextY, 1));
    label->SetColor(kHudTextColour);
    label->SetText(text);
    panel->AddChild(label);

    CRefPtr<CGuiButton> button = gui.CreateButton("Data\\buttonTex.tga");
    button->SetPosition(CVector3(kPanelButtonX, kPanelButtonY, 1));
    button->SetScale(CVector3(kPanelButtonWidth, kPanelButtonHeight, 1));
    button->SetText(buttonText, kButtonTextColour);
    button->SetCallback(MakeGuiCallback(this, callback));
    panel->AddChild(button);

    m_pHud->AddChild(panel);
    return panel;
}

void CBattleState::Enter()
{
    if (m_pMusic)
        m_pMusic->Play();
    m_bEnded = false;
    ReadSpawnTable();
    if (m_pTimer)
    {
        m_pTimer->Reset();
        m_pTimer->SetRunning(true);
    }
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(m_pHud);

    if (m_pGameCtrl && m_pPlayer)
    {
        const CVector3& start = m_pGameCtrl->GetStartPos();
        m_pPlayer->SetPosition(
            CVector3(start.x, GroundHeight(start.x, start.z) + kPlayerDropHeight, start.z));
        // The view of the last battle does not carry over.
        m_pPlayer->SetRotation(CVector3(0.0f, kTowardsTheStatue, 0.0f));
        m_pPlayer->SetController(m_pPlayerCtrl.get());
        if (const CRefPtr<CTerrain>& terrain = m_pGameCtrl->GetTerrain())
            terrain->RemoveTreesAt(m_pPlayer.Get());
    }
    if (m_pGameCtrl && m_pCameraCtrl)
    {
        m_pCameraCtrl->SetTarget(CRefPtr<IGameObj>(m_pPlayer.Get()));
        m_pCameraCtrl->SetOffset(CVector3(0, 0.2f, 0), false, false);
        m_pGameCtrl->SetCameraCtrl(CRefPtr<ICameraCtrl>(m_pCameraCtrl.Get()));
    }
    SetLevelDoneText(0);
    // The statue keeps its damage from level to level.
    SetStatueText(StatuePercent());
    UpdateScoreText();
    ShowCursor(false);
}

void CBattleState::ReadSpawnTable()
{
    // Records left from a battle that ended early never spawn in this one.
    m_SpawnTable.clear();
    m_uiRemainingBirds = 0;
    m_uiTotalBirds = 0;
    if (!m_pGameCtrl)
        return;
    CSettings* settings = CSettings::GetInstance();
    const std::string& section = m_pGameCtrl->GetLevelSection();
    std::string value;
    // More records than the limit are clamped to it; a count below 0 is
    // refused like a missing one.
    const CSettings::SNumberLimits limits = {0.0, static_cast<double>(kMaxSpawnRecords), true, false};
    double read = 0.0;
    long records = 0;
    if (settings && settings->GetLimitedNumber(section, "SpawnPoints", limits, read))
        records = static_cast<long>(read);
    else
    {
        records = 0;
        Log(1, "Error: Couldn't get \"SpawnPoints\"-Value from \"%s\" in CBattleState::Enter",
            section.c_str());
    }

    for (long n = 1; n <= records; ++n)
    {
        char key[32];
        std::snprintf(key, sizeof key, "SpawnPoint%ld", n);
        if (!settings->GetValue(section, key, value))
        {
            Log(1, "Error: Couldn't get \"%s\"-Value from \"%s\" in CBattleState::Enter", key,
                section.c_str());
            continue;
        }
        SSpawnRecord record;
        long count = 0;
        char type = 0;
        const bool parsed = std::sscanf(value.c_str(), "%f;%ld;%c;%f;%f;%f", &record.time, &count, &type,
                                        &record.position.x, &record.position.y, &record.position.z) == 6;
        // A negative count, or a time or point that is not a number or lies
        // beyond any sense, would hang or wreck the battle.
        if (!parsed || count < 0 || !(record.time >= 0.0f && record.time <= kMaxSpawnTime) ||
            !(std::fabs(record.position.x) <= kMaxSpawnCoordinate) ||
            !(std::fabs(record.position.y) <= kMaxSpawnCoordinate) ||
            !(std::fabs(record.position.z) <= kMaxSpawnCoordinate))
        {
            Log(1, "Error: Couldn't parse \"%s\"-Value from \"%s\" in CBattleState::Enter: %s", key,
                section.c_str(), value.c_str());
            continue;
        }
        if (static_cast<unsigned long>(count) > kMaxLevelBirds - m_uiRemainingBirds)
        {
            Log(1,
                "Error: \"%s\"-Value from \"%s\" asks for %ld birds, over the limit of %lu birds in a level "
                "(%lu left) in CBattleState::Enter: %s",
                key, section.c_str(), count, kMaxLevelBirds, kMaxLevelBirds - m_uiRemainingBirds,
                value.c_str());
            continue;
        }
        record.count = static_cast<uint32_t>(count);
        record.type = type == 'K' ? SSpawnRecord::TYPE_KAMIKAZE : SSpawnRecord::TYPE_BIRD;
        m_uiRemainingBirds += record.count;
        m_SpawnTable.push_back(record);
    }
    m_uiTotalBirds = m_uiRemainingBirds;
}

bool CBattleState::Update()
{
    const float dt = m_pTimer ? static_cast<float>(m_pTimer->GetDelta()) : 0.0f;
    // A level without birds is won at once.
    if (m_uiTotalBirds == 0 && !m_bEnded)
    {
        SetLevelDoneText(100);
        EndBattle(m_pLevelDonePanel);
    }
    if (m_pPlayer)
        m_pPlayer->Update(dt);
    SpawnDueFlocks();
    if (m_pGameCtrl)
        m_pGameCtrl->UpdateObjects(dt);
    if (CPhysXMgr* physx = PhysXMgr())
        if (physx->GetScene())
            physx->Update(dt);
    return true;
}

void CBattleState::SpawnDueFlocks()
{
    const double now = GetBattleTime();
    uint32_t room = kMaxBirdsPerFrame;
    for (SSpawnRecord& record : m_SpawnTable)
    {
        if (record.time > now || room == 0)
            continue;
        const uint32_t birds = std::min(record.count, room);
        SpawnFlock(record, birds);
        record.count -= birds;
        room -= birds;
        record.done = record.count == 0;
    }
    m_SpawnTable.erase(std::remove_if(m_SpawnTable.begin(), m_SpawnTable.end(),
                                      [](const SSpawnRecord& r) { return r.done; }),
                       m_SpawnTable.end());
}

void CBattleState::SpawnFlock(const SSpawnRecord& record, uint32_t birds)
{
    if (!m_pGameCtrl)
        return;
    for (uint32_t i = 0; i < birds; ++i)
    {
        const float ox = static_cast<float>((gamerandom::Next() % 200) - 100.0) * 0.1f;
        const float oz = static_cast<float>((gamerandom::Next() % 200) - 100.0) * 0.1f;
        CRefPtr<CBirdObj> bird(new CBirdObj(m_pGameCtrl, m_pBirdKilled));
        bird->SetPosition(record.position + CVector3(ox, 0.0f, oz));
        if (record.type == SSpawnRecord::TYPE_BIRD)
            bird->SetController(CRefPtr<IBirdCtrl>(new CAiBirdCtrl(m_pGameCtrl)));
        else if (record.type == SSpawnRecord::TYPE_KAMIKAZE)
            bird->SetController(CRefPtr<IBirdCtrl>(new CAiKamikazeCtrl(m_pGameCtrl)));
        else
            Log(1, "Error: Unknown spawn type in CBattleState::Update");
        m_pGameCtrl->AddObject(CRefPtr<IGameObj>(bird.Get()));
    }
}

void CBattleState::ShowCursor(bool show)
{
    if (IInputMgr* input = InputMgr())
        input->ShowMouseCursor(show);
}

void CBattleState::EndBattle(const CRefPtr<CGuiImagePanel>& panel)
{
    m_bEnded = true;
    ShowCursor(true);
    if (m_pPlayer)
        m_pPlayer->SetController(nullptr);
    if (panel)
    {
        panel->SetVisible(1);
        if (m_pGuiMgr)
            m_pGuiMgr->ShowPanel(CRefPtr<CGuiElement>(panel.Get()));
    }
    if (m_pTimer)
        m_pTimer->SetRunning(false);
}

void CBattleState::OnBirdKilled()
{
    if (m_uiRemainingBirds == 0)
        return;
    --m_uiRemainingBirds;
    const double done = 100.0 - static_cast<double>(m_uiRemainingBirds) * 100.0 / m_uiTotalBirds;
    SetLevelDoneText(static_cast<uint32_t>(done));
    // A bird the towers kill after the town fell still scores; only the
    // panel of a battle already ended is not shown again.
    if (m_pGameCtrl)
        m_pGameCtrl->AddScore(kScorePerBird);
    if (m_uiRemainingBirds == 0 && !m_bEnded)
        EndBattle(m_pLevelDonePanel);
}

void CBattleState::OnStatueDamaged(uint32_t percent)
{
    SetStatueText(percent);
}

void CBattleState::OnStatueDestroyed()
{
    if (m_bEnded)
        return;
    EndBattle(m_pTownLostPanel);
}

void CBattleState::CloseResultPanel(const CRefPtr<CGuiImagePanel>& panel)
{
    if (!panel)
        return;
    if (m_pGuiMgr)
        m_pGuiMgr->CloseModal(CRefPtr<CGuiElement>(panel.Get()));
    panel->SetVisible(0);
}

void CBattleState::OnNextLevel(uint32_t /*id*/)
{
    CloseResultPanel(m_pLevelDonePanel);
    if (m_pGameCtrl)
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetPostLevelState());
}

void CBattleState::OnTownLost(uint32_t /*id*/)
{
    CloseResultPanel(m_pTownLostPanel);
    if (!m_pGameCtrl)
        return;
    if (CPostGameState* postGame = m_pGameCtrl->GetPostGameState())
        postGame->SetWon(false);
    m_pGameCtrl->ChangeState(m_pGameCtrl->GetPostGameState());
}

void CBattleState::Leave()
{
    ShowCursor(true);
    if (m_pGameCtrl)
        m_pGameCtrl->SetCameraCtrl(CRefPtr<ICameraCtrl>());
    if (m_pPlayer)
        m_pPlayer->SetController(nullptr);
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(CRefPtr<CGuiElement>());
    if (m_pTimer)
        m_pTimer->SetRunning(false);
    if (m_pMusic)
        m_pMusic->Stop();
}

void CBattleState::SetLevelDoneText(uint32_t percent)
{
    WritePercent(m_pLevelDoneText.Get(), "Level done:      %3lu%%", percent);
}

void CBattleState::SetStatueText(uint32_t percent)
{
    WritePercent(m_pStatueText.Get(), "Statue:    %3lu%%", percent);
}

void CBattleState::UpdateScoreText()
{
    if (!m_pScoreText || !m_pGameCtrl)
        return;
    char text[64];
    std::snprintf(text, sizeof text, "Score:                  %.0f",
                  static_cast<double>(m_pGameCtrl->GetScore()));
    m_pScoreText->SetText(text);
}

uint32_t CBattleState::StatuePercent() const
{
    if (!m_pGameCtrl)
        return 100;
    for (const auto* list : {&m_pGameCtrl->GetObjects(), &m_pGameCtrl->GetPendingObjects()})
        for (const CRefPtr<IGameObj>& object : *list)
            if (const auto* statue = dynamic_cast<const CStatueObj*>(object.Get()))
                if (!statue->IsDead())
                    return statue->GetPercent();
    return 100;
}

float CBattleState::GroundHeight(float x, float z) const
{
    if (!m_pGameCtrl)
        return 0.0f;
    if (const CRefPtr<CTerrain>& terrain = m_pGameCtrl->GetTerrain())
        return terrain->GetHeightAt(x, z);
    return m_pGameCtrl->GetStartPos().y;
}
