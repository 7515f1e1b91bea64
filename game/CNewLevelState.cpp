#include "game/CNewLevelState.h"

#include "app/CEngineServices.h"
#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CEnvironment.h"
#include "game/CGameCtrl.h"
#include "game/CObjCallback.h"
#include "game/CStartObj.h"
#include "game/CStatueObj.h"
#include "game/CTerrain.h"
#include "render/CBlendRenderHook.h"
#include "platform/sys/PathResolver.h"
#include "render/CSceneGraph.h"

#include <iterator>

namespace
{

const uint32_t kButtonTextColour = 0xFF000000u;

// The statue stands this far along -x from the start position.
const float kStatueOffsetX = 20.0f;

} // namespace

const char* const CNewLevelState::kWorldSection = "GAME";

const char* const CNewLevelState::kPreloadModels[16] = {
    "Data/Models/bird.scn",
    "Data/Models/pfeil.scn",
    "Data/Models/shit.scn",
    "Data/Models/startpodest.scn",
    "Data/Models/tree1.scn",
    "Data/Models/tree2.scn",
    "Data/Models/tree3.scn",
    "Data/Models/buildings/haus1.scn",
    "Data/Models/buildings/haus2.scn",
    "Data/Models/buildings/kirche.scn",
    "Data/Models/buildings/klo.scn",
    "Data/Models/buildings/marktstand.scn",
    "Data/Models/buildings/statue.scn",
    "Data/Models/buildings/tower.scn",
    "Data/models/buildings/destroyed.scn",
    "Data/environment/envSphere.scn",
};

const bool CNewLevelState::kPreloadNeeded[16] = {true,  true,  true, true, false, false, false, true,
                                                 true,  true,  true, true, true,  true,  true,  false};

CNewLevelState::CNewLevelState() : m_bSetUpPending(1), m_bLevelReady(false) {}

CNewLevelState::~CNewLevelState()
{
    CNewLevelState::Reset();
}

bool CNewLevelState::Create(CGameCtrl* gameCtrl)
{
    m_pGameCtrl = gameCtrl;
    m_pGuiMgr = gameCtrl ? gameCtrl->GetGuiMgr() : CRefPtr<CGuiMgr>();
    if (!m_pGuiMgr)
        return true;
    m_pContinueButton = m_pGuiMgr->CreateButton("Data\\buttonTex.tga");
    m_pContinueButton->SetPosition(CVector3(435, 800, 1));
    m_pContinueButton->SetScale(CVector3(130, 50, 1));
    m_pContinueButton->SetCallback(MakeGuiCallback(this, &CNewLevelState::OnContinue));
    return true;
}

void CNewLevelState::Enter()
{
    if (m_pGameCtrl)
        m_pGameCtrl->NextLevel();
    if (m_pGuiMgr && m_pGameCtrl)
    {
        // A new screen per level: the picture is the level's own.
        m_pLoadingScreen = m_pGuiMgr->CreatePicturePanel("Data/loadingscreens/" +
                                                         m_pGameCtrl->GetLevelSection() + ".tga");
        m_pLoadingScreen->SetPosition(CVector3(0, 0, 1));
        m_pLoadingScreen->SetScale(CVector3(1000, 1000, 1));
        if (m_pContinueButton)
        {
            // The button may still hang on the previous level's screen.
            if (CGuiElement* parent = m_pContinueButton->GetParent())
                parent->RemoveChild(CRefPtr<CGuiElement>(m_pContinueButton.Get()));
            m_pLoadingScreen->AddChild(m_pContinueButton);
        }
        m_pGuiMgr->SetRoot(m_pLoadingScreen);
    }
    if (m_pContinueButton)
    {
        m_pContinueButton->SetText("Loading...", kButtonTextColour);
        m_pContinueButton->SetEnabled(0);
    }
    m_bSetUpPending = 1;
    m_bLevelReady = false;
}

bool CNewLevelState::Update()
{
    if (m_bSetUpPending)
    {
        m_bSetUpPending = 0;
        return true;
    }
    // The set-up runs once per level; later frames wait for "Continue".
    if (m_bLevelReady)
        return true;
    if (!SetUpLevel())
    {
        if (m_pGameCtrl)
            m_pGameCtrl->SetFailed();
        return false;
    }
    m_bLevelReady = true;
    if (m_pContinueButton)
    {
        m_pContinueButton->SetText("Continue", kButtonTextColour);
        m_pContinueButton->SetEnabled(1);
    }
    return true;
}

bool CNewLevelState::SetUpLevel()
{
    if (!m_pGameCtrl)
        return true;
    if (!m_pGameCtrl->GetScene() && !BuildWorld())
        return false;
    CRefPtr<CEnvironment> environment(new CEnvironment(m_pGameCtrl));
    if (!environment->Create(m_pGameCtrl->GetLevelSection()))
    {
        Log(16, "Error: pEnvironment->Create failed in CNewLevelState::Update");
        CSettings* settings = CSettings::GetInstance();
        const SSettingsFault& fault = environment->GetFault();
        ReportFault(settings ? settings->DescribeFault(fault)
                             : "[" + fault.section + "] " + fault.key + ": " + fault.need);
        return false;
    }
    m_pGameCtrl->SetEnvironment(environment);
    return Preload();
}

void CNewLevelState::ReportFault(const std::string& what)
{
    Log(9, "Error: %s; the game ends", what.c_str());
}

bool CNewLevelState::BuildWorld()
{
    CRefPtr<CSceneGraph> scene(new CSceneGraph);
    if (!scene->Create(1000.0f, 1000.0f, -10.0f, 100.0f, 5))
    {
        Log(16, "Error: pSceneGraph->Create failed in CNewLevelState::Update");
        ReportFault("the level's scene graph cannot be made");
        return false;
    }
    m_pGameCtrl->SetScene(scene);

    CRefPtr<CTerrain> terrain(new CTerrain(m_pGameCtrl));
    if (!terrain->Create(kWorldSection))
    {
        Log(16, "Error: pTerrain->Create failed in CNewLevelState::Update");
        ReportFault("the terrain of [" + std::string(kWorldSection) + "] cannot be built (Error.log says why)");
        return false;
    }
    m_pGameCtrl->SetTerrain(terrain);
    if (!StartIsOnTerrain(*terrain))
    {
        ReportFault("\"StartPos\" of [" + std::string(kWorldSection) + "] lies outside the terrain");
        return false;
    }

    scene->AddHookNode(CRefPtr<IRenderHook>(new CBlendRenderHook));
    m_pGameCtrl->AddObject(CRefPtr<IGameObj>(new CStartObj(m_pGameCtrl, m_pGameCtrl->GetStartPos())));
    PlaceStatue();

    if (!terrain->CreateForest(kWorldSection))
    {
        Log(16, "Error: pTerrain->PlantTrees failed in CNewLevelState::Update");
        ReportFault("the forest of [" + std::string(kWorldSection) + "] cannot be planted (Error.log says why)");
        return false;
    }
    return true;
}

bool CNewLevelState::StartIsOnTerrain(const CTerrain& terrain) const
{
    const CVector3& start = m_pGameCtrl->GetStartPos();
    const float sizeX = terrain.GetInfo().GetSizeX(), sizeZ = terrain.GetInfo().GetSizeZ();
    if (start.x >= 0.0f && start.x <= sizeX && start.z >= 0.0f && start.z <= sizeZ)
        return true;
    Log(16,
        "Error: \"StartPos\"-Value (%.1f;%.1f;%.1f) from \"GAME\" lies outside the terrain (x and z from 0 "
        "to "
        "%.1f and %.1f) in CNewLevelState::Update",
        start.x, start.y, start.z, sizeX, sizeZ);
    return false;
}

void CNewLevelState::PlaceStatue()
{
    CBattleState* battle = m_pGameCtrl->GetBattleState();
    CRefPtr<CStatueObj> statue(new CStatueObj(m_pGameCtrl,
                                              MakeObjCallback(battle, &CBattleState::OnStatueDestroyed),
                                              MakeObjCallback(battle, &CBattleState::OnStatueDamaged)));
    const CVector3& start = m_pGameCtrl->GetStartPos();
    const float x = start.x - kStatueOffsetX;
    const CVector3 p(x, m_pGameCtrl->GetTerrain()->GetHeightAt(x, start.z), start.z);
    statue->SetPosition(p);
    statue->CheckPlacement();
    statue->SetPosition(p);
    if (!statue->Place())
    {
        // A statue without a body can never fall, and the game never be lost.
        Log(1,
            "Error: the statue's spot (%.1f, %.1f, %.1f) is blocked in CNewLevelState::Update, placed anyway",
            p.x, p.y, p.z);
        statue->ForcePlace();
    }
    m_pGameCtrl->AddObject(CRefPtr<IGameObj>(statue.Get()));
}

bool CNewLevelState::Preload()
{
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
    if (!factory)
        return true;
    for (size_t i = 0; i < std::size(kPreloadModels); ++i)
    {
        if (factory->getModel(kPreloadModels[i]) || !kPreloadNeeded[i])
            continue;
        // Named as found on disk, whatever the letter case the game asks in.
        const std::string why = factory->GetModelError(kPreloadModels[i]);
        ReportFault(plat::ResolvePath(kPreloadModels[i]) + ": a model the game needs cannot be loaded" +
                    (why.empty() ? std::string() : " (" + why + ")"));
        return false;
    }
    return true;
}

void CNewLevelState::Leave()
{
    if (m_pGuiMgr)
        m_pGuiMgr->SetRoot(CRefPtr<CGuiElement>());
}

void CNewLevelState::Reset()
{
    m_bSetUpPending = 1;
    m_bLevelReady = false;
    m_pLoadingScreen.Release();
    m_pContinueButton.Release();
    m_pGuiMgr.Release();
    m_pGameCtrl = nullptr;
}

void CNewLevelState::OnContinue(uint32_t /*id*/)
{
    if (m_pGameCtrl)
        m_pGameCtrl->ChangeState(m_pGameCtrl->GetBuildState());
}
