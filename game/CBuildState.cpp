#include "game/CBuildState.h"

#include "app/CEngineServices.h"
#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CAiTowerCtrl.h"
#include "game/CBattleState.h"
#include "game/CBuildingObj.h"
#include "game/CGameCtrl.h"
#include "game/CTerrain.h"
#include "game/CTowerObj.h"
#include "game/GuiLayout.h"
#include "render/CCameraCtrl.h"
#include "render/CGuiCallback.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace guilayout;

namespace
{

const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const uint32_t kButtonTextColour = 0xD0D0D000u;
const uint32_t kTextColour = 0xFF000000u;

// The building kinds of the building bar, by button id 1 to 6.
struct SBuildingKind
{
    uint32_t id;
    const char* costKey;
    const char* buttonTexture;
    const char* model; // null: the tower
    float hitPoints;
};

const SBuildingKind kKinds[] = {
    {CBuildState::ID_CITIZEN1, "Citizen1", "Data/button_citizen1.tga", "Data/models/buildings/haus1.scn",
     120.0f},
    {CBuildState::ID_CITIZEN2, "Citizen2", "Data/button_citizen2.tga", "Data/models/buildings/haus2.scn",
     200.0f},
    {CBuildState::ID_MARKET, "Market", "Data/button_market.tga", "Data/models/buildings/marktstand.scn",
     200.0f},
    {CBuildState::ID_CHURCH, "Church", "Data/button_church.tga", "Data/models/buildings/kirche.scn", 300.0f},
    {CBuildState::ID_TOILET, "Toilet", "Data/button_toilet.tga", "Data/models/buildings/klo.scn", 50.0f},
    {CBuildState::ID_TOWER, "Tower", "Data/button_tower.tga", nullptr, 0.0f},
};

CRefPtr<CGuiText> MakeText(CGuiMgr& gui, const char* text, const CVector3& position)
{
    CRefPtr<CGuiText> label = gui.CreateText();
    label->SetPosition(position);
    label->SetColor(kTextColour);
    if (text)
        label->SetText(text);
    return label;
}

// A value of the level's section (or another), true when present.
bool ReadSetting(const std::string& section, const char* key, std::string& value)
{
    CSettings* settings = CSettings::GetInstance();
    return settings && settings->GetValue(section, key, value);
}

// What the bar can show of the numbers this state reads: a price has at
// most three digits (its button shows it), the gold and the time fit their
// texts ("Gold: 99999", "Time left: 99:59") and a demanded count the
// necessary text ("necessary: 99"). Prices and gold have no sign on the bar
// and are clamped at 0; a time or count below 0 is refused.
const CSettings::SNumberLimits kPriceLimits = {0.0, 999.0, false, true};
const CSettings::SNumberLimits kStartMoneyLimits = {0.0, 99999.0, false, true};
const CSettings::SNumberLimits kBuildTimeLimits = {0.0, 5999.0, false, false};
const CSettings::SNumberLimits kDemandedLimits = {0.0, 99.0, true, false};

// A number of the section held within limits; false when missing or refused.
bool ReadNumber(const std::string& section, const char* key, const CSettings::SNumberLimits& limits,
                float& number)
{
    CSettings* settings = CSettings::GetInstance();
    double n = 0.0;
    if (!settings || !settings->GetLimitedNumber(section, key, limits, n))
        return false;
    number = static_cast<float>(n);
    return true;
}

// A demanded count of the section: false (count 0) when missing, silently;
// a refused value is logged like a missing one and taken as 0.
bool ReadDemanded(const std::string& section, const char* key, uint16_t& count)
{
    count = 0;
    std::string value;
    if (!ReadSetting(section, key, value))
        return false;
    float n = 0.0f;
    if (!ReadNumber(section, key, kDemandedLimits, n))
    {
        Log(1, "Error: Couldn't get \"%s\"-Value from \"%s\" in CBuildState::Enter", key, section.c_str());
        return false;
    }
    count = static_cast<uint16_t>(n);
    return true;
}

} // namespace

CBuildState::CBuildState()
    : m_usNecessary(0), m_usHeadquarters(0), m_usCitizens(0), m_fTimeLeft(0.0f), m_fGold(0.0f),
      m_dwBrushObject(0), m_bListening(false)
{
}

CBuildState::~CBuildState()
{
    if (m_bListening)
    {
        CEngineServices* services = CEngineServices::GetInstance();
        if (services && services->GetInputMgr())
            services->GetInputMgr()->RemoveListener(this);
    }
}

bool CBuildState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;

    for (const SBuildingKind& kind : kKinds)
    {
        float price = 0.0f;
        if (!ReadNumber("COSTS", kind.costKey, kPriceLimits, price))
            Log(1, "Error: Couldn't get \"%s\"-Value from \"COSTS\" in CBuildState::Enter", kind.costKey);
        m_Costs[kind.id] = price;
    }

    if (gameCtrl && gameCtrl->GetFrameClock())
        m_pTimer = new CGameTimer(gameCtrl->GetFrameClock().Get());
    m_pCameraCtrl =
        new CCameraCtrl(1.0f, 300.0f, 50.0f, 200.0f, 600.0f, 100.0f, 600.0f, 50.0f, m_pTimer, 1500);

    m_pGuiMgr = gameCtrl ? gameCtrl->GetGuiMgr() : CRefPtr<CGuiMgr>();
    if (m_pGuiMgr)
    {
        CGuiMgr& gui = *m_pGuiMgr;
        m_pRoot = gui.CreatePanel();

        // The bar of demanded placements, at the top of the screen.
        m_pNecessaryBar = gui.CreateImagePanel("Data\\windows.tga", 0.0f, 0.0f, 1.0f, 0.25f, kWhite, 1);
        m_pNecessaryBar->SetScale(CVector3(1000, 150, 1));
        m_pNecessaryBar->AddChild(MakeText(gui, "Additional", CVector3(kBarTextX, kBarLineY[0], 1)));
        m_pNecessaryBar->AddChild(MakeText(gui, "buildings", CVector3(kBarTextX, kBarLineY[1], 1)));
        m_pNecessaryText = MakeText(gui, nullptr, CVector3(kBarTextX, kBarLineY[2], 1));
        m_pNecessaryBar->AddChild(m_pNecessaryText);
        const float necessaryY[2] = {10.0f, 80.0f};
        for (uint32_t id = ID_HEADQUARTERS; id <= ID_CITIZEN1; ++id)
        {
            CRefPtr<CGuiButton> button = gui.CreateButton("Data\\buttonTex.tga");
            button->SetId(id);
            button->SetOption(1);
            button->SetPosition(CVector3(10, necessaryY[id], 1));
            button->SetScale(CVector3(50, 60, 1));
            button->SetCallback(MakeGuiCallback(this, &CBuildState::OnBuildButton));
            m_pNecessaryBar->AddChild(button);
            m_NecessaryButtons.push_back(button);
        }
        m_pHeadquartersButton = m_NecessaryButtons[0];
        m_pCitizenButton = m_NecessaryButtons[1];
        m_pRoot->AddChild(m_pNecessaryBar);

        // The building bar: gold, time, "Skip" and the six building buttons.
        m_pBuildingBar = gui.CreateImagePanel("Data\\windows.tga", 0.0f, 0.0f, 1.0f, 0.25f, kWhite, 1);
        m_pBuildingBar->SetScale(CVector3(1000, 150, 1));
        m_pGoldText = MakeText(gui, nullptr, CVector3(kBarTextX, kBarLineY[0], 1));
        m_pTimeText = MakeText(gui, nullptr, CVector3(kBarTextX, kBarLineY[1], 1));
        m_pBuildingBar->AddChild(m_pGoldText);
        m_pBuildingBar->AddChild(m_pTimeText);
        CRefPtr<CGuiButton> skip = gui.CreateButton("Data\\buttonTex.tga");
        skip->SetPosition(CVector3(840, 80, 1));
        skip->SetScale(CVector3(150, 50, 1));
        skip->SetText("Skip", kButtonTextColour);
        skip->SetCallback(MakeGuiCallback(this, &CBuildState::OnSkip));
        m_pBuildingBar->AddChild(skip);
        float x = kBuildingButtonX;
        for (const SBuildingKind& kind : kKinds)
        {
            CRefPtr<CGuiButton> button = gui.CreateButton(kind.buttonTexture);
            button->SetId(kind.id);
            button->SetOption(1);
            button->SetPosition(CVector3(x, kBuildingButtonY, 1));
            button->SetScale(CVector3(kBuildingButtonWidth, kBuildingButtonHeight, 1));
            char label[64];
            std::snprintf(label, sizeof(label), "%.0f,-", m_Costs[kind.id]);
            button->SetText(label, kButtonTextColour);
            button->SetCallback(MakeGuiCallback(this, &CBuildState::OnBuildButton));
            m_pBuildingBar->AddChild(button);
            m_BuildingButtons.push_back(button);
            x += kBuildingButtonWidth + kBuildingButtonGap;
        }
        m_pRoot->AddChild(m_pBuildingBar);

        // The time-up panel, shown modal when the countdown ends.
        m_pTimeUpPanel = gui.CreateImagePanel("Data\\buttonTex.tga", 0.0f, 0.0f, 1.0f, 0.25f, kWhite, 0);
        m_pTimeUpPanel->SetVisible(0);
        m_pTimeUpPanel->SetPosition(CVector3(kPanelX, kPanelY, 1));
        m_pTimeUpPanel->SetScale(CVector3(kPanelWidth, kPanelHeight, 1));
        m_pTimeUpPanel->AddChild(
            MakeText(gui, "Build time is up. Incoming Birds!", CVector3(kPanelTextX, kPanelTextY, 1)));
        CRefPtr<CGuiButton> toBattle = gui.CreateButton("Data\\buttonTex.tga");
        toBattle->SetPosition(CVector3(kPanelButtonX, kPanelButtonY, 1));
        toBattle->SetScale(CVector3(kPanelButtonWidth, kPanelButtonHeight, 1));
        toBattle->SetText("To battle!", kButtonTextColour);
        toBattle->SetCallback(MakeGuiCallback(this, &CBuildState::OnToBattle));
        m_pTimeUpPanel->AddChild(toBattle);
        m_pRoot->AddChild(m_pTimeUpPanel);
    }

    SetPriority(2000);

    CEngineServices* services = CEngineServices::GetInstance();
    if (services && services->GetSoundMgr())
    {
        CRefPtr<ISoundMgr>& sound = services->GetSoundMgr();
        m_pMusic = sound->GetSound(2, "Data/sounds/bg_build.mp3");
        if (m_pMusic)
            m_pMusic->SetVolume(1.0f);
        m_pBuildSound = sound->GetSound(0, "Data/sounds/build.mp3");
        if (m_pBuildSound)
            m_pBuildSound->SetVolume(0.4f);
        m_pNoBuildSound = sound->GetSound(0, "Data/sounds/nobuild.mp3");
        if (m_pNoBuildSound)
            m_pNoBuildSound->SetVolume(0.4f);
    }
    return true;
}

void CBuildState::Enter()
{
    PlaySound(m_pMusic);
    if (!m_pGameCtrl)
        return;
    const std::string& section = m_pGameCtrl->GetLevelSection();

    // "inf" and "nan" are refused like a missing value (a time that never
    // runs out), as is a time below 0; a value past the bar is clamped.
    float number = 0.0f;
    if (m_pGameCtrl->GetLevel() == 1)
    {
        m_fGold = 0.0f;
        if (ReadNumber("GAME", "StartMoney", kStartMoneyLimits, number))
            m_fGold = number;
        else
            Log(1, "Error: Couldn't get \"StartMoney\"-Value from \"GAME\" in CBuildState::Enter");
        UpdateGold();
    }

    m_fTimeLeft = 10.0f;
    if (ReadNumber(section, "BuildTime", kBuildTimeLimits, number))
        m_fTimeLeft = number;
    else
        Log(1, "Error: Couldn't get \"BuildTime\"-Value from \"%s\" in CBuildState::Enter", section.c_str());

    m_usNecessary = 0;
    m_usHeadquarters = 0;
    uint16_t demanded = 0;
    // No button builds a headquarters: demanding one would hold the
    // countdown for ever, so the demand is left out.
    if (ReadDemanded(section, "PreHq", demanded) && demanded > 0)
        Log(1, "Warning: \"PreHq\" of \"%s\" demands %u headquarters, which cannot be built; ignored",
            section.c_str(), static_cast<unsigned>(demanded));
    SetCount(m_usHeadquarters, m_pHeadquartersButton);
    ReadDemanded(section, "PreCitizen", m_usCitizens);
    m_usNecessary = static_cast<uint16_t>(m_usNecessary + m_usCitizens);
    SetCount(m_usCitizens, m_pCitizenButton);

    SetNecessaryText();
    if (m_pNecessaryBar)
        m_pNecessaryBar->SetVisible(m_usNecessary != 0);
    if (m_pBuildingBar)
        m_pBuildingBar->SetVisible(m_usNecessary == 0);
    SetTimeText();

    if (m_pTimer)
        m_pTimer->SetRunning(true);
    m_pGameCtrl->SetCameraCtrl(m_pCameraCtrl);
    if (m_pGameCtrl->GetCamera())
    {
        const CVector3& start = m_pGameCtrl->GetStartPos();
        m_pGameCtrl->GetCamera()->SetPosition(CVector3(start.x, start.y + 50.0f, start.z + 25.0f));
    }
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(m_pRoot);
    CEngineServices* services = CEngineServices::GetInstance();
    if (services && services->GetInputMgr() && !m_bListening)
    {
        services->GetInputMgr()->AddListener(this);
        m_bListening = true;
    }
}

bool CBuildState::Update()
{
    const float dt = m_pTimer ? static_cast<float>(m_pTimer->GetDelta()) : 0.0f;
    if (m_usNecessary == 0 && m_fTimeLeft >= 0.0f)
    {
        m_fTimeLeft -= dt;
        if (m_fTimeLeft < 0.0f)
        {
            m_fTimeLeft = 0.0f;
            OnMouseButton(1);
            if (m_pTimeUpPanel)
            {
                m_pTimeUpPanel->SetVisible(1);
                if (m_pGuiMgr)
                    m_pGuiMgr->ShowPanel(m_pTimeUpPanel);
            }
            if (m_pTimer)
                m_pTimer->SetRunning(false);
        }
        SetTimeText();
    }
    if (m_pGameCtrl)
        m_pGameCtrl->UpdateObjects(dt);
    return true;
}

void CBuildState::Leave()
{
    CEngineServices* services = CEngineServices::GetInstance();
    if (m_bListening && services && services->GetInputMgr())
        services->GetInputMgr()->RemoveListener(this);
    m_bListening = false;
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(CRefPtr<CGuiElement>());
    if (m_pGameCtrl)
        m_pGameCtrl->SetCameraCtrl(CRefPtr<ICameraCtrl>());
    if (m_pTimer)
        m_pTimer->SetRunning(false);
    if (m_pMusic)
        m_pMusic->Stop();
}

void CBuildState::Reset()
{
    m_pGameCtrl = nullptr;
    m_pTimer.Release();
    m_pRoot.Release();
}

void CBuildState::OnBuildButton(uint32_t id)
{
    if (!m_pGameCtrl)
        return;
    for (const CRefPtr<CGuiButton>& button : m_usNecessary == 0 ? m_BuildingButtons : m_NecessaryButtons)
        if (button->GetId() != id)
            button->SetSelected(0);
    DropDragged();

    const auto cost = m_Costs.find(id);
    const float price = cost == m_Costs.end() ? 0.0f : cost->second;
    CRefPtr<IGameObj> building;
    if (id >= ID_CITIZEN1 && id <= ID_TOILET)
    {
        const SBuildingKind& kind = kKinds[id - ID_CITIZEN1];
        building = new CBuildingObj(m_pGameCtrl, kind.model, kind.hitPoints, price, 3);
    }
    else if (id == ID_TOWER)
    {
        CTowerObj* tower = new CTowerObj(m_pGameCtrl);
        building = tower;
        tower->SetController(CRefPtr<IObjCtrl>(new CAiTowerCtrl(m_pGameCtrl)));
    }
    else
        Log(1, "Warning: Unknown BuildButton clicked: %lu", static_cast<unsigned long>(id));
    if (building)
    {
        m_pDragged = building;
        m_pGameCtrl->AddObject(building);
        m_dwBrushObject = id;
    }
}

bool CBuildState::OnMouseMove(int32_t, int32_t, int32_t)
{
    if (!m_pDragged || !m_pGameCtrl || !m_pGameCtrl->GetScene() || !m_pGameCtrl->GetCamera())
        return true;
    CVector3 direction;
    m_pGameCtrl->GetPickRay(direction);
    CRefPtr<ISceneEntry> entry;
    CVector3 hit;
    if (!m_pGameCtrl->GetScene()->RayIntersection(m_pGameCtrl->GetCamera()->GetPosition(), direction, entry,
                                                  hit))
        return true;
    IRepresentation* rep = dynamic_cast<IRepresentation*>(entry.Get());
    CTerrain* terrain = m_pGameCtrl->GetTerrain().Get();
    if (rep && terrain && rep->GetOwner() == terrain)
    {
        m_pDragged->SetPosition(hit);
        static_cast<CBuildingObj*>(m_pDragged.Get())->CheckPlacement();
    }
    return true;
}

bool CBuildState::OnMouseButton(uint8_t button)
{
    if (button != 0)
        DropDragged();
    else if (m_pDragged)
    {
        CBuildingObj* building = static_cast<CBuildingObj*>(m_pDragged.Get());
        if (!building->Place())
            PlaySound(m_pNoBuildSound);
        else
        {
            m_pDragged.Release();
            if (m_usNecessary == 0)
            {
                const auto cost = m_Costs.find(m_dwBrushObject);
                if (cost == m_Costs.end())
                    Log(1, "Error: Couldn't find costs for %lu", static_cast<unsigned long>(m_dwBrushObject));
                else
                {
                    m_fGold -= cost->second;
                    UpdateGold();
                }
            }
            else
            {
                --m_usNecessary;
                SetNecessaryText();
                if (m_dwBrushObject == ID_HEADQUARTERS)
                {
                    if (m_usHeadquarters > 0)
                        --m_usHeadquarters;
                    SetCount(m_usHeadquarters, m_pHeadquartersButton);
                }
                else if (m_dwBrushObject == ID_CITIZEN1)
                {
                    if (m_usCitizens > 0)
                        --m_usCitizens;
                    SetCount(m_usCitizens, m_pCitizenButton);
                }
                else
                    Log(1, "Warning: Unknown m_dwBrushObject: %lu",
                        static_cast<unsigned long>(m_dwBrushObject));
                if (m_usNecessary == 0)
                {
                    if (m_pNecessaryBar)
                        m_pNecessaryBar->SetVisible(0);
                    if (m_pBuildingBar)
                        m_pBuildingBar->SetVisible(1);
                }
            }
            PlaySound(m_pBuildSound);
        }
    }
    if (!m_pDragged)
    {
        for (const CRefPtr<CGuiButton>& b : m_NecessaryButtons)
            b->SetSelected(0);
        for (const CRefPtr<CGuiButton>& b : m_BuildingButtons)
            b->SetSelected(0);
    }
    return true;
}

void CBuildState::OnSkip(uint32_t)
{
    m_fTimeLeft = 0.0f;
}

void CBuildState::OnToBattle(uint32_t)
{
    if (m_pGuiMgr && m_pTimeUpPanel)
        m_pGuiMgr->CloseModal(m_pTimeUpPanel);
    if (m_pTimeUpPanel)
        m_pTimeUpPanel->SetVisible(0);
    if (m_pGameCtrl)
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetBattleState());
}

void CBuildState::AddGold(float value)
{
    m_fGold += value;
    UpdateGold();
}

void CBuildState::UpdateGold()
{
    for (const CRefPtr<CGuiButton>& button : m_BuildingButtons)
    {
        const auto cost = m_Costs.find(button->GetId());
        const float price = cost == m_Costs.end() ? 0.0f : cost->second;
        button->SetEnabled(price <= m_fGold);
    }
    if (m_pGoldText)
    {
        char text[64];
        std::snprintf(text, sizeof(text), "Gold: %.0f", m_fGold);
        m_pGoldText->SetText(text);
    }
}

void CBuildState::SetCount(uint16_t count, const CRefPtr<CGuiButton>& button)
{
    if (!button)
        return;
    button->SetEnabled(count > 0);
    char text[16];
    std::snprintf(text, sizeof(text), "%u", static_cast<unsigned>(count));
    button->SetText(text, kButtonTextColour);
}

void CBuildState::DropDragged()
{
    if (!m_pDragged)
        return;
    m_pDragged->Kill();
    m_pDragged.Release();
}

void CBuildState::SetTimeText()
{
    if (!m_pTimeText)
        return;
    // Whole seconds first, so that 59.6 s reads 01:00 and never 00:60.
    const float total = std::floor(m_fTimeLeft + 0.5f);
    const float minutes = std::floor(total * 0.016666668f);
    const float seconds = total - 60.0f * minutes;
    char text[64];
    std::snprintf(text, sizeof(text), "Time left: %02.0f:%02.0f", minutes, seconds);
    m_pTimeText->SetText(text);
}

void CBuildState::SetNecessaryText()
{
    if (!m_pNecessaryText)
        return;
    char text[32];
    std::snprintf(text, sizeof(text), "necessary: %02u", static_cast<unsigned>(m_usNecessary));
    m_pNecessaryText->SetText(text);
}

void CBuildState::PlaySound(const CRefPtr<ISound>& sound)
{
    if (sound)
        sound->Play();
}
