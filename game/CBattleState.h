#pragma once

#include "app/CGameTimer.h"
#include "app/CVector3.h"
#include "app/ISoundMgr.h"
#include "game/CObjCallback.h"
#include "game/IGameState.h"
#include "render/CGuiMgr.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFollowCameraCtrl;
class CPlayerCtrl;
class CPlayerObj;

// One scheduled flock of the level's spawn table.
struct SSpawnRecord
{
    enum
    {
        TYPE_BIRD = 0,
        TYPE_KAMIKAZE = 1
    };
    float time = 0.0f;  // battle seconds at which the flock appears
    uint32_t count = 0; // birds still to come (a large flock comes over frames)
    uint32_t type = TYPE_BIRD;
    CVector3 position; // spawn point; each bird lands within +-10 in x and z
    bool done = false;
};

// The defence phase of a level. The player walks the town as an archer
// while flocks arrive on the level's schedule ("SpawnPoints" and
// "SpawnPoint<n>" = "time;count;type;x;y;z", type 'K' a kamikaze flock; a
// record with fewer fields, a negative count, a time outside 0 to 10000 s
// or a point beyond 100000 along an axis is logged as unparsable and
// skipped, one that asks for more birds than the level's records may still
// ask for (1000 together) is logged as over the limit and skipped; at most
// 100 birds join in one frame, the rest of a due flock in the next); every
// bird down scores 10. The level is won when
// every scheduled bird is down and lost when the statue falls; the battle
// ends once, with the first of the two, and later reports of either kind are
// ignored. Each outcome opens its modal panel (CGuiMgr::ShowPanel: a shot
// fired on as it opens does not click it), whose button leads to the
// post-level state ("Next Level") or the lost end screen ("Oh no!").
//
// The state owns the player, its controller, the first-person camera, the
// HUD and the spawn table, and steps the physics once per Update.
class CBattleState : public IGameState
{
public:
    CBattleState();
    // Lets go of the player's controller and deletes it.
    ~CBattleState() override;

    // HUD, both panels, player, controller (priority 500), follow camera and
    // music (volume 0.2, loop count 20); true.
    bool Create(CGameCtrl* gameCtrl) override;
    // Reads the level's spawn table (the old one is emptied), starts the
    // battle clock at 0, shows the HUD, puts the player on the ground at the
    // start position, looking level towards the statue, clears the trees
    // around him, puts the camera in his eyes, writes the HUD (the statue's
    // health as it is now) and hides the cursor.
    void Enter() override;
    // Player, due flocks, objects, physics; true.
    bool Update() override;
    void Leave() override;
    void Reset() override { m_pGameCtrl = nullptr; }

    // A bird is down (each bird's callback; also the debug key G): one less
    // remaining, the level-done text, 10 score, and the won panel with the
    // last one. Ignored once the battle has ended or nothing remains.
    void OnBirdKilled();
    // The statue's health in percent.
    void OnStatueDamaged(uint32_t percent);
    // The statue fell: the lost panel, unless the battle has ended already.
    void OnStatueDestroyed();
    // "Next Level": to the post-level state.
    void OnNextLevel(uint32_t id);
    // "Oh no!": to the lost end screen.
    void OnTownLost(uint32_t id);

    // HUD writers.
    void SetLevelDoneText(uint32_t percent);
    void SetStatueText(uint32_t percent);
    // The controller's score (CGameCtrl::AddScore calls this).
    void UpdateScoreText();

    uint32_t GetTotalBirds() const { return m_uiTotalBirds; }
    uint32_t GetRemainingBirds() const { return m_uiRemainingBirds; }
    bool HasEnded() const { return m_bEnded; }
    double GetBattleTime() const { return m_pTimer ? m_pTimer->GetTotalTime() : 0.0; }
    const std::vector<SSpawnRecord>& GetSpawnTable() const { return m_SpawnTable; }
    const CRefPtr<CPlayerObj>& GetPlayer() const { return m_pPlayer; }
    CPlayerCtrl* GetPlayerCtrl() const { return m_pPlayerCtrl.get(); }
    const CRefPtr<CFollowCameraCtrl>& GetCameraCtrl() const { return m_pCameraCtrl; }
    const CRefPtr<CGuiPanel>& GetHud() const { return m_pHud; }
    const CRefPtr<CGuiImagePanel>& GetLevelDonePanel() const { return m_pLevelDonePanel; }
    const CRefPtr<CGuiImagePanel>& GetTownLostPanel() const { return m_pTownLostPanel; }
    const CRefPtr<CGuiText>& GetLevelDoneText() const { return m_pLevelDoneText; }
    const CRefPtr<CGuiText>& GetStatueText() const { return m_pStatueText; }
    const CRefPtr<CGuiText>& GetScoreText() const { return m_pScoreText; }
    const CRefPtr<CGameTimer>& GetTimer() const { return m_pTimer; }
    const CRefPtr<ISound>& GetMusic() const { return m_pMusic; }

private:
    void CreateHud();
    CRefPtr<CGuiImagePanel> CreateResultPanel(const char* text, const char* buttonText,
                                              void (CBattleState::*callback)(uint32_t));
    void ReadSpawnTable();
    void SpawnDueFlocks();
    // `birds` birds of the record's flock.
    void SpawnFlock(const SSpawnRecord& record, uint32_t birds);
    // Ends the battle with the panel: cursor back, player frozen, the panel
    // modal, the clock stopped.
    void EndBattle(const CRefPtr<CGuiImagePanel>& panel);
    void CloseResultPanel(const CRefPtr<CGuiImagePanel>& panel);
    void ShowCursor(bool show);
    // The health of the town's statue in percent (100 when there is none).
    uint32_t StatuePercent() const;
    // The ground under (x, z): the terrain's height, or the start height
    // when there is no terrain.
    float GroundHeight(float x, float z) const;

    CRefPtr<CGameTimer> m_pTimer;
    CRefPtr<CFollowCameraCtrl> m_pCameraCtrl;
    CRefPtr<CPlayerObj> m_pPlayer;
    std::unique_ptr<CPlayerCtrl> m_pPlayerCtrl;
    std::vector<SSpawnRecord> m_SpawnTable;
    uint32_t m_uiTotalBirds;
    uint32_t m_uiRemainingBirds;
    bool m_bEnded;
    CRefPtr<CGuiPanel> m_pHud;
    CRefPtr<CGuiImagePanel> m_pLevelDonePanel;
    CRefPtr<CGuiImagePanel> m_pTownLostPanel;
    CRefPtr<CGuiText> m_pLevelDoneText;
    CRefPtr<CGuiText> m_pStatueText;
    CRefPtr<CGuiText> m_pScoreText;
    CRefPtr<CGuiMgr> m_pGuiMgr;
    CRefPtr<ISound> m_pMusic;
    // Given to every bird: OnBirdKilled.
    CRefPtr<CObjCallback> m_pBirdKilled;
};
