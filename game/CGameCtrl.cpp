#include "game/CGameCtrl.h"

#include "app/CEngineServices.h"
#include "app/CPhysXBody.h"
#include "app/CPhysXMgr.h"
#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CMainMenuState.h"
#include "game/CNewLevelState.h"
#include "game/CPostGameState.h"
#include "game/CPostLevelState.h"
#include "game/GameRandom.h"
#include "platform/sys/SystemInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace
{

// DirectInput key codes of the debug keys.
enum : uint8_t
{
    KEY_G = 0x22,
    KEY_F2 = 0x3C,
    KEY_F3 = 0x3D,
    KEY_F4 = 0x3E,
    KEY_F5 = 0x3F,
    KEY_F6 = 0x40,
    KEY_F7 = 0x41,
    KEY_F8 = 0x42,
    KEY_F9 = 0x43
};

// Collision group pairs that never collide: player with its own arrows, with
// droppings and with birds; birds with birds and with droppings; towers with
// their own arrows.
const uint8_t kNoCollisionPairs[][2] = {{1, 4}, {1, 5}, {1, 2}, {2, 2}, {2, 5}, {6, 7}};

// Physics contacts reach the game objects: each body of a touching pair
// tells its own object about the other.
void OnPhysicsHit(IGameObj* self, IGameObj* other)
{
    self->OnHit(other);
}

const char* OnOff(bool on)
{
    return on ? "Enabled" : "Disabled";
}

} // namespace

CGameCtrl::CGameCtrl()
    : m_pMainMenuState(nullptr), m_pNewLevelState(nullptr), m_pBuildState(nullptr), m_pBattleState(nullptr),
      m_pPostLevelState(nullptr), m_pPostGameState(nullptr), m_pCurrentState(nullptr), m_usLevel(0),
      m_fScore(0.0f), m_bListening(false), m_bFailed(false), m_WindowPart(*this)
{
    SetPriority(1000);
    ResetFields();
}

CGameCtrl::~CGameCtrl()
{
    Destroy();
}

void CGameCtrl::ResetFields()
{
    m_usLevel = 0;
    m_strLevelSection.clear();
    m_fScore = 0.0f;
    m_bWireFrame = false;
    m_bOnScreenInfo = true;
    m_bMipMapping = true;
    m_uiTextureQuality = 16;
    m_uiRenderMode = RENDER_MIXED;
    m_iDisplayLists = COGLGlobalRenderSettings::CACHE_OFF;
    m_bFrustumCulling = true;
    m_bTransparency = true;
    m_bFailed = false;
}

void CGameCtrl::AcquireServices()
{
    CEngineServices* services = CEngineServices::GetInstance();
    if (!services)
        return;
    m_pRenderer = services->GetRenderer();
    if (m_pRenderer)
        m_pRenderSettings = m_pRenderer->GetRenderSettings();
    m_pModelFactory = services->GetModelFactory();
    m_pInputMgr = services->GetInputMgr();
    m_pGuiMgr = services->GetGuiMgr();
}

bool CGameCtrl::Create(const CRefPtr<CFrameClock>& frameClock)
{
    // Before anything loads from it: started elsewhere, every screen would
    // be blank and the first level fail.
    if (!CheckDataFolder())
        return false;
    AcquireServices();
    m_bOnScreenInfo = true;
    if (m_pGuiMgr)
        m_pGuiMgr->SetStatisticsShown(true);
    m_pFrameClock = frameClock;

    m_pCamera = new CCamera;
    // 4:3 until the window's size is known.
    m_pCamera->SetPerspective(kFieldOfView, 1.3333334f, kNearPlane, kFarPlane);
    m_pCamera->SetPosition(CVector3(500.0f, 10.0f, 500.0f));
    m_pCamera->SetRotation(CVector3(-1.5707964f, 0.0f, 0.0f));
    // The projection follows the window's shape, as the GUI does.
    if (m_pGuiMgr && m_pGuiMgr->GetWindow() && !m_pWindow)
    {
        m_pWindow = m_pGuiMgr->GetWindow();
        m_pWindow->AddListener(&m_WindowPart);
        uint16_t width = 0, height = 0;
        m_pWindow->GetSize(width, height);
        OnWindowSize(width, height);
    }

    SSettingsFault fault;
    if (!ReadStartPos(fault))
    {
        Log(16, "%s", fault.logLine.c_str());
        ReportStartUpFault(fault);
        return false;
    }

    // Kept for a later full-screen effect; nothing draws with it yet.
    m_pAccumulationEffect.reset(new CAccumulationEffect);
    m_pAccumulationEffect->Init(5, m_pCamera);

    m_usLevel = 0;
    if (!CreateStates() || !CheckLevelSetUp())
        return false;

    if (CEngineServices* services = CEngineServices::GetInstance())
        if (CRefPtr<CPhysXMgr>& physics = services->GetPhysXMgr())
            for (const uint8_t* pair : kNoCollisionPairs)
                physics->SetGroupCollisionFlag(pair[0], pair[1], false);
    CPhysXBody::SetHitHandler(&OnPhysicsHit);

    ChangeState(m_pMainMenuState);

    SetPriority(100);
    if (m_pInputMgr && !m_bListening)
    {
        m_pInputMgr->AddListener(this);
        m_bListening = true;
    }
    return true;
}

bool CGameCtrl::ReadStartPos(SSettingsFault& fault)
{
    const char* const kNeed = "the archer's start, three numbers separated by ';' (x;y;z)";
    std::string value;
    CSettings* settings = CSettings::GetInstance();
    if (!settings || !settings->GetValue("GAME", "StartPos", value))
    {
        fault.Set("GAME", "StartPos", kNeed,
                  "Error: Couldn't get \"StartPos\"-Value from \"GAME\" in CGameCtrl::Create");
        return false;
    }
    float x = 0.0f, y = 0.0f, z = 0.0f;
    // "nan" and "inf" scan as numbers but give no place to start from.
    if (std::sscanf(value.c_str(), "%f;%f;%f", &x, &y, &z) < 3 || !std::isfinite(x) || !std::isfinite(y) ||
        !std::isfinite(z))
    {
        fault.Set("GAME", "StartPos", kNeed,
                  "Error: Couldn't parse \"StartPos\"-Value from \"GAME\"in CGameCtrl::Create: " + value);
        return false;
    }
    // The terrain spans x from 0 to "XSize" and z from 0 to "ZSize" of the
    // same section; a start off it would fail the first level's set-up, so
    // the game does not start. Sizes that do not read are the terrain's to
    // report when it is built.
    double sizeX = 0.0, sizeZ = 0.0;
    const double kHuge = 1e30;
    if (settings->GetNumber("GAME", "XSize", 1e-30, kHuge, sizeX) &&
        settings->GetNumber("GAME", "ZSize", 1e-30, kHuge, sizeZ) &&
        !(x >= 0.0f && x <= sizeX && z >= 0.0f && z <= sizeZ))
    {
        char line[300], need[160];
        std::snprintf(line, sizeof line,
                      "Error: \"StartPos\"-Value (%.1f;%.1f;%.1f) from \"GAME\" lies outside the terrain "
                      "(x and z from 0 to %.1f and %.1f) in CGameCtrl::Create",
                      x, y, z, sizeX, sizeZ);
        std::snprintf(need, sizeof need,
                      "a start on the terrain, x from 0 to %g (\"XSize\") and z from 0 to %g (\"ZSize\")",
                      sizeX, sizeZ);
        fault.Set("GAME", "StartPos", need, line);
        return false;
    }
    m_StartPos = CVector3(x, y, z);
    return true;
}

bool CGameCtrl::CreateStates()
{
    m_pMainMenuState = new CMainMenuState;
    m_pNewLevelState = new CNewLevelState;
    m_pBuildState = new CBuildState;
    m_pBattleState = new CBattleState;
    m_pPostLevelState = new CPostLevelState;
    m_pPostGameState = new CPostGameState;

    struct SStep
    {
        IGameState* state;
        const char* message;
    };
    const SStep steps[] = {
        {m_pMainMenuState, "Error: Couldn't create MainMenu-State"},
        {m_pNewLevelState, "Error: Couldn't create NewLevel-State"},
        {m_pBuildState, "Error: Couldn't create Build-State"},
        {m_pBattleState, "Error: Couldn't create Battle-State"},
        {m_pPostLevelState, "Error: Couldn't create PostLevel-State"},
        {m_pPostGameState, "Error: Couldn't create PostGame-State"},
    };
    for (const SStep& step : steps)
    {
        if (!step.state->Create(this))
        {
            // The state said what it needs.
            Log(16, "%s", step.message);
            return false;
        }
    }
    return true;
}

bool CGameCtrl::Update()
{
    if (m_pInputMgr)
        m_pInputMgr->Update();
    if (!m_pCurrentState || !m_pCurrentState->Update())
        return false;
    if (m_pGuiMgr)
        m_pGuiMgr->RenderStatistics();
    if (m_pCameraCtrl)
        m_pCameraCtrl->Update();
    if (m_pRenderer)
        m_pRenderer->BeginFrame();
    // Under a full-screen picture (a loading or end screen) the world would
    // be drawn for nothing.
    if (m_pSceneGraph && !(m_pGuiMgr && m_pGuiMgr->IsScreenCovered()))
        m_pSceneGraph->Render(m_bFrustumCulling);
    if (m_pGuiMgr)
        m_pGuiMgr->Render();
    if (m_pRenderer)
        m_pRenderer->EndFrame();
    return true;
}

void CGameCtrl::Destroy()
{
    // The current state leaves first: its screen is the GUI's root, and the
    // root's buttons call into the state that is deleted below.
    if (m_pCurrentState)
        m_pCurrentState->Leave();
    m_pCurrentState = nullptr;
    // The input manager and the window keep raw pointers to this listener.
    if (m_bListening && m_pInputMgr)
        m_pInputMgr->RemoveListener(this);
    m_bListening = false;
    if (m_pWindow)
        m_pWindow->RemoveListener(&m_WindowPart);
    m_pWindow.Release();

    m_pCameraCtrl.Release();
    std::vector<CRefPtr<IGameObj>>().swap(m_Objects);
    std::vector<CRefPtr<IGameObj>>().swap(m_PendingObjects);
    m_pAccumulationEffect.reset();
    DeleteStates();
    ResetFields();
    m_pCamera.Release();
    // The world's entries leave the scene graph before it goes.
    if (m_pTerrain)
        m_pTerrain->Kill();
    m_pTerrain.Release();
    m_pEnvironment.Release();
    m_pSceneGraph.Release();
    m_pFrameClock.Release();
    m_pGuiMgr.Release();
    m_pInputMgr.Release();
    m_pModelFactory.Release();
    m_pRenderer.Release();
    m_pRenderSettings.Release();
}

void CGameCtrl::DeleteStates()
{
    delete m_pBattleState;
    m_pBattleState = nullptr;
    delete m_pBuildState;
    m_pBuildState = nullptr;
    delete m_pNewLevelState;
    m_pNewLevelState = nullptr;
    delete m_pMainMenuState;
    m_pMainMenuState = nullptr;
    delete m_pPostLevelState;
    m_pPostLevelState = nullptr;
    delete m_pPostGameState;
    m_pPostGameState = nullptr;
}

void CGameCtrl::ChangeState(IGameState* state)
{
    if (m_pCurrentState)
        m_pCurrentState->Leave();
    m_pCurrentState = state;
    if (m_pCurrentState)
        m_pCurrentState->Enter();
}

void CGameCtrl::AddObject(const CRefPtr<IGameObj>& object)
{
    m_PendingObjects.push_back(object);
}

void CGameCtrl::UpdateObjects(float dt)
{
    if (!m_PendingObjects.empty())
    {
        m_Objects.insert(m_Objects.end(), m_PendingObjects.begin(), m_PendingObjects.end());
        std::vector<CRefPtr<IGameObj>>().swap(m_PendingObjects);
    }
    // By index: an update may add objects (to the pending list) but never
    // touches the live list itself.
    for (size_t i = 0; i < m_Objects.size(); ++i)
    {
        // A handle of its own keeps the object alive through its update.
        CRefPtr<IGameObj> object = m_Objects[i];
        if (object)
            object->Update(dt);
    }
    m_Objects.erase(std::stable_partition(m_Objects.begin(), m_Objects.end(),
                                          [](const CRefPtr<IGameObj>& o) { return o && !o->IsDead(); }),
                    m_Objects.end());
}

void CGameCtrl::EndLevelObjects()
{
    for (size_t i = 0; i < m_Objects.size(); ++i)
    {
        CRefPtr<IGameObj> object = m_Objects[i];
        if (object)
            object->OnLevelEnd();
    }
    m_Objects.erase(std::stable_partition(m_Objects.begin(), m_Objects.end(),
                                          [](const CRefPtr<IGameObj>& o) { return o && !o->IsDead(); }),
                    m_Objects.end());
    std::vector<CRefPtr<IGameObj>>().swap(m_PendingObjects);
}

IGameObj* CGameCtrl::GetRandomBuilding()
{
    const auto isBuilding = [](const CRefPtr<IGameObj>& o)
    { return o && o->GetType() == IGameObj::TYPE_BUILDING; };
    const size_t n = static_cast<size_t>(std::count_if(m_Objects.begin(), m_Objects.end(), isBuilding));
    if (n == 0)
        return nullptr;
    size_t k = static_cast<size_t>(gamerandom::Next()) % n;
    for (const CRefPtr<IGameObj>& object : m_Objects)
    {
        if (!isBuilding(object))
            continue;
        if (k == 0)
            return object.Get();
        --k;
    }
    Log(1, "Error: Something went wrong in CGameCtrl::GetRandomBuilding");
    return nullptr;
}

void CGameCtrl::SetScene(CRefPtr<CSceneGraph> scene)
{
    m_pSceneGraph = scene;
    if (m_pSceneGraph)
        m_pSceneGraph->SetCamera(m_pCamera);
}

void CGameCtrl::SetTerrain(CRefPtr<CTerrain> terrain)
{
    m_pTerrain = terrain;
}

void CGameCtrl::SetEnvironment(CRefPtr<CEnvironment> environment)
{
    m_pEnvironment = environment;
    if (!m_pSceneGraph)
        return;
    if (!m_pEnvironment)
    {
        m_pSceneGraph->SetSky(CRefPtr<ISceneEntry>());
        return;
    }
    m_pSceneGraph->SetSky(CRefPtr<ISceneEntry>(m_pEnvironment->GetRepresentation().Get()));
    m_pSceneGraph->SetLightDirection(m_pEnvironment->GetSunDirection());
    if (m_pRenderer)
        m_pRenderer->SetLightColours(0, m_pEnvironment->GetSunAmbient(), m_pEnvironment->GetSunDiffuse());
}

void CGameCtrl::SetCameraCtrl(CRefPtr<ICameraCtrl> cameraCtrl)
{
    if (m_pCameraCtrl)
        m_pCameraCtrl->Detach();
    m_pCameraCtrl = cameraCtrl;
    if (m_pCameraCtrl)
        m_pCameraCtrl->Attach(m_pCamera);
}

void CGameCtrl::ResetGame()
{
    m_usLevel = 0;
    m_strLevelSection.clear();
    m_fScore = 0.0f;
    std::vector<CRefPtr<IGameObj>>().swap(m_Objects);
    std::vector<CRefPtr<IGameObj>>().swap(m_PendingObjects);
    // The forest leaves the scene graph, which still exists, even when
    // something else still holds the terrain.
    if (m_pTerrain)
        m_pTerrain->Kill();
    m_pTerrain.Release();
    SetEnvironment(CRefPtr<CEnvironment>());
    SetCameraCtrl(CRefPtr<ICameraCtrl>());
    SetScene(CRefPtr<CSceneGraph>());
    // The world a game built and the renderer's working memory of its
    // frames are freed; the menu keeps none of it resident.
    plat::ReleaseFreeHeap();
}

void CGameCtrl::AddScore(float value)
{
    m_fScore += value;
    if (m_pBattleState)
        m_pBattleState->UpdateScoreText();
}

void CGameCtrl::AddScoreAndGold(float value)
{
    AddScore(value);
    if (m_pBuildState)
        m_pBuildState->AddGold(value);
}

CVector3& CGameCtrl::GetPickRay(CVector3& out)
{
    float u = 0.0f, v = 0.0f;
    if (m_pInputMgr)
        m_pInputMgr->GetNormalizedCursorPosition(u, v);
    if (m_pCamera)
        m_pCamera->GetPickRay(out, u, v);
    return out;
}

void CGameCtrl::OnWindowSize(uint16_t width, uint16_t height)
{
    if (m_pCamera && width > 0 && height > 0)
        m_pCamera->SetPerspective(kFieldOfView, static_cast<float>(width) / static_cast<float>(height),
                                  kNearPlane, kFarPlane);
}

void CGameCtrl::NextLevel()
{
    ++m_usLevel;
    char section[32];
    std::snprintf(section, sizeof section, "Level%u", static_cast<unsigned>(m_usLevel));
    m_strLevelSection = section;
}

bool CGameCtrl::OnKeyDown(uint8_t key)
{
    // The plain on/off toggles: the flag, its console name and what the
    // new value does.
    struct SToggle
    {
        uint8_t key;
        bool CGameCtrl::*flag;
        const char* name;
        void (*apply)(CGameCtrl& self, bool on);
    };
    static const SToggle kToggles[] = {
        {KEY_F2, &CGameCtrl::m_bOnScreenInfo, "OnScreen-Info",
         [](CGameCtrl& self, bool on)
         {
             if (self.m_pGuiMgr)
                 self.m_pGuiMgr->SetStatisticsShown(on);
         }},
        {KEY_F3, &CGameCtrl::m_bWireFrame, "WireFrame",
         [](CGameCtrl& self, bool on)
         {
             if (self.m_pRenderSettings)
                 self.m_pRenderSettings->SetWireFrame(on, false);
         }},
        {KEY_F5, &CGameCtrl::m_bMipMapping, "MipMapping",
         [](CGameCtrl& self, bool on)
         {
             if (self.m_pRenderSettings)
                 self.m_pRenderSettings->SetMipMapping(on);
         }},
        {KEY_F8, &CGameCtrl::m_bFrustumCulling, "Frustum culling", [](CGameCtrl&, bool) {}},
        {KEY_F9, &CGameCtrl::m_bTransparency, "Transparency",
         [](CGameCtrl& self, bool on)
         {
             if (self.m_pRenderSettings)
                 self.m_pRenderSettings->SetTransparency(on);
         }},
    };
    for (const SToggle& toggle : kToggles)
    {
        if (toggle.key != key)
            continue;
        bool& flag = this->*toggle.flag;
        flag = !flag;
        toggle.apply(*this, flag);
        Log(4, "%s: %s", toggle.name, OnOff(flag));
        return false;
    }
    switch (key)
    {
    case KEY_G:
        if (m_pBattleState)
            m_pBattleState->OnBirdKilled();
        break;
    case KEY_F4:
        OnTextureQualityKey();
        break;
    case KEY_F6:
        OnRenderModeKey();
        break;
    case KEY_F7:
        OnDisplayListKey();
        break;
    default:
        break;
    }
    return false;
}

void CGameCtrl::OnTextureQualityKey()
{
    // 1 -> 2 -> 4 -> 16 -> 1, each with its flag and console name.
    struct SStep
    {
        uint32_t from, to;
        bool flag;
        const char* name;
    };
    static const SStep kSteps[] = {
        {1, 2, true, "Bilinear"},
        {2, 4, true, "Triliniear"},
        {4, 16, false, "Mixed"},
        {16, 1, true, "Linear"},
    };
    for (const SStep& step : kSteps)
    {
        if (step.from != m_uiTextureQuality)
            continue;
        m_uiTextureQuality = step.to;
        if (m_pRenderSettings)
            m_pRenderSettings->SetTextureQuality(static_cast<int>(step.to), step.flag);
        Log(4, "Texture quality: %s", step.name);
        return;
    }
}

void CGameCtrl::OnRenderModeKey()
{
    const auto set = [this](int mode, bool on)
    {
        m_uiRenderMode = static_cast<uint32_t>(mode);
        return m_pRenderSettings ? m_pRenderSettings->SetRenderModeOverride(mode, on) : true;
    };
    switch (m_uiRenderMode)
    {
    case RENDER_IMMEDIATE:
        set(RENDER_VERTEX_ARRAYS, true);
        Log(4, "Render mode: Vertex arrays");
        break;
    case RENDER_VERTEX_ARRAYS:
        if (set(RENDER_VBO, true))
        {
            Log(4, "Render mode: Vertex buffer objects");
            break;
        }
        Log(4, "Render mode: Vertex buffer objects not compatible with current CacheModeSettings(VBO)");
        set(RENDER_MIXED, false);
        Log(4, "Render mode: Mixed");
        break;
    case RENDER_VBO:
        set(RENDER_MIXED, false);
        Log(4, "Render mode: Mixed");
        break;
    case RENDER_MIXED:
        set(RENDER_IMMEDIATE, true);
        Log(4, "Render mode: Mega slow (immediate mode)");
        break;
    default:
        break;
    }
}

void CGameCtrl::OnDisplayListKey()
{
    const auto set = [this](int mode, bool on)
    {
        m_iDisplayLists = mode;
        return m_pRenderSettings ? m_pRenderSettings->SetCacheModeOverride(mode, on) : true;
    };
    bool ok;
    switch (m_iDisplayLists)
    {
    case COGLGlobalRenderSettings::CACHE_OFF:
        ok = set(COGLGlobalRenderSettings::CACHE_GLOBAL_LISTS, true);
        if (ok)
            Log(4, "Display lists: Enabled");
        break;
    case COGLGlobalRenderSettings::CACHE_NO_LISTS:
        ok = set(COGLGlobalRenderSettings::CACHE_OFF, false);
        if (ok)
            Log(4, "Display lists: Mixed");
        break;
    case COGLGlobalRenderSettings::CACHE_GLOBAL_LISTS:
        set(COGLGlobalRenderSettings::CACHE_NO_LISTS, true);
        Log(4, "Display lists: Disabled");
        return;
    default:
        return;
    }
    if (ok)
        return;
    Log(4, "Display lists: DisplayLists not compatible with curren RenderModeSettings(VBO)");
    set(COGLGlobalRenderSettings::CACHE_NO_LISTS, true);
    Log(4, "Display lists: Disabled");
}
