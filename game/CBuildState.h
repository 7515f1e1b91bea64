#pragma once

#include "app/CGameTimer.h"
#include "app/CRefCounted.h"
#include "app/IInputListener.h"
#include "app/ISoundMgr.h"
#include "game/IGameObj.h"
#include "game/IGameState.h"
#include "render/CGuiButton.h"
#include "render/CGuiImagePanel.h"
#include "render/CGuiMgr.h"
#include "render/CGuiPanel.h"
#include "render/CGuiText.h"
#include "render/ICameraCtrl.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The build phase of a level: the player buys buildings from a bar of
// buttons, drags each over the terrain with the mouse and places it with a
// click, while a countdown runs; when the time is up a panel sends the
// player to the battle. Gold starts at "StartMoney" on the first level and
// is kept (plus paybacks) across levels. A level may first demand free
// placements ("PreCitizen"), which hold the countdown.
//
// Also an input listener (priority 2000) while current: mouse moves drag the
// building under the cursor, clicks place or cancel it.
class CBuildState : public IGameState, public IInputListener
{
public:
    // Button ids of the building kinds; 0 is the headquarters button of the
    // necessary bar, which builds nothing.
    enum
    {
        ID_HEADQUARTERS = 0,
        ID_CITIZEN1 = 1,
        ID_CITIZEN2 = 2,
        ID_MARKET = 3,
        ID_CHURCH = 4,
        ID_TOILET = 5,
        ID_TOWER = 6
    };

    CBuildState();
    ~CBuildState() override;

    // Prices from "COSTS" (0 to 999; 0 when missing or outside, logged), the
    // timer, the scroll camera, the screens and the sounds. True.
    bool Create(CGameCtrl* gameCtrl) override;
    // Music, gold on the first level ("StartMoney" 0 to 99999; 0 when
    // missing or outside), "BuildTime" (0 to 5999 seconds; 10 when missing
    // or outside), the demanded placements (0 to 99 each), the camera and
    // the screen. A value outside its range is logged like a missing one.
    void Enter() override;
    // The countdown (once no placement is demanded), then the objects.
    bool Update() override;
    void Leave() override;
    void Reset() override;

    // IInputListener: drag the candidate under the cursor; place or cancel.
    bool OnMouseMove(int32_t dx, int32_t dy, int32_t wheel) override;
    bool OnMouseDown(uint8_t button) override { return OnMouseButton(button); }
    bool OnMouseButton(uint8_t button);

    // GUI callbacks.
    void OnBuildButton(uint32_t id);
    void OnSkip(uint32_t id);
    void OnToBattle(uint32_t id);

    // Buildings pay back part of their price at the end of a level.
    void AddGold(float value);
    // Building buttons enabled by price; the gold text.
    void UpdateGold();
    // The button is enabled exactly when count > 0 and shows the count.
    void SetCount(uint16_t count, const CRefPtr<CGuiButton>& button);

    float GetGold() const { return m_fGold; }
    float GetTimeLeft() const { return m_fTimeLeft; }
    uint16_t GetNecessaryCount() const { return m_usNecessary; }
    const CRefPtr<IGameObj>& GetDraggedBuilding() const { return m_pDragged; }
    uint32_t GetBrushObject() const { return m_dwBrushObject; }
    const std::map<uint32_t, float>& GetCosts() const { return m_Costs; }
    const std::vector<CRefPtr<CGuiButton>>& GetBuildingButtons() const { return m_BuildingButtons; }
    const std::vector<CRefPtr<CGuiButton>>& GetNecessaryButtons() const { return m_NecessaryButtons; }
    const CRefPtr<CGuiImagePanel>& GetNecessaryBar() const { return m_pNecessaryBar; }
    const CRefPtr<CGuiImagePanel>& GetBuildingBar() const { return m_pBuildingBar; }
    const CRefPtr<CGuiImagePanel>& GetTimeUpPanel() const { return m_pTimeUpPanel; }
    const CRefPtr<CGuiText>& GetGoldText() const { return m_pGoldText; }
    const CRefPtr<CGuiText>& GetTimeText() const { return m_pTimeText; }
    const CRefPtr<CGuiText>& GetNecessaryText() const { return m_pNecessaryText; }
    const CRefPtr<CGameTimer>& GetTimer() const { return m_pTimer; }
    const CRefPtr<ICameraCtrl>& GetCameraCtrl() const { return m_pCameraCtrl; }

private:
    // Kills and forgets the dragged building.
    void DropDragged();
    void SetTimeText();
    void SetNecessaryText();
    void PlaySound(const CRefPtr<ISound>& sound);

    CRefPtr<CGameTimer> m_pTimer;
    CRefPtr<ICameraCtrl> m_pCameraCtrl;
    uint16_t m_usNecessary;
    uint16_t m_usHeadquarters;
    CRefPtr<CGuiButton> m_pHeadquartersButton;
    uint16_t m_usCitizens;
    CRefPtr<CGuiButton> m_pCitizenButton;
    float m_fTimeLeft;
    float m_fGold;
    CRefPtr<CGuiPanel> m_pRoot;
    CRefPtr<CGuiImagePanel> m_pNecessaryBar;
    CRefPtr<CGuiText> m_pNecessaryText;
    CRefPtr<CGuiImagePanel> m_pBuildingBar;
    CRefPtr<CGuiText> m_pGoldText;
    CRefPtr<CGuiText> m_pTimeText;
    CRefPtr<CGuiImagePanel> m_pTimeUpPanel;
    std::map<uint32_t, float> m_Costs;
    std::vector<CRefPtr<CGuiButton>> m_NecessaryButtons;
    std::vector<CRefPtr<CGuiButton>> m_BuildingButtons;
    CRefPtr<IGameObj> m_pDragged;
    uint32_t m_dwBrushObject;
    CRefPtr<CGuiMgr> m_pGuiMgr;
    CRefPtr<ISound> m_pMusic;
    CRefPtr<ISound> m_pBuildSound;
    CRefPtr<ISound> m_pNoBuildSound;
    // Whether this state sits in the input manager's listener list.
    bool m_bListening;
};
