#include "game/CBuildingObj.h"

#include "app/CEngineServices.h"
#include "app/Log.h"
#include "game/CBirdObj.h"
#include "game/CGameCtrl.h"
#include "render/CModelFactory.h"
#include "render/IRenderer.h"

#include <algorithm>

namespace
{
const char* const kRuinModel = "Data/models/buildings/destroyed.scn";
// Damage of one contact report.
const float kBirdDamage = 30.0f;
const float kDroppingDamage = 10.0f;

CVector3 BoxSize(const COGLModel& model)
{
    float x0, y0, z0, x1, y1, z1;
    model.GetBoundingBox(x0, y0, z0, x1, y1, z1);
    return CVector3(x1 - x0, y1 - y0, z1 - z0);
}
} // namespace

// ------------------------------------------------------------ representation

CBuildingRep::CBuildingRep() : m_pBuilding(nullptr), m_fRuinScale(1.0f) {}

CBuildingRep::~CBuildingRep()
{
    m_pRuinModel.Release();
}

bool CBuildingRep::Create(CSceneGraph* sceneGraph, const std::string& modelName, CBuildingObj* owner)
{
    m_pBuilding = owner;
    CEngineServices* services = CEngineServices::GetInstance();
    if (services)
        if (CRefPtr<IRenderer> renderer = services->GetRenderer())
            m_pRenderSettings = renderer->GetRenderSettings();
    if (!CreateModel(sceneGraph, modelName, owner, "CBuildingRep", false))
        return false;
    if (services)
        if (CRefPtr<CModelFactory> factory = services->GetModelFactory())
            m_pRuinModel = factory->getModel(kRuinModel);

    m_fRuinScale = 1.0f;
    if (m_pRuinModel)
    {
        // The ruins never exceed the building's box.
        const CVector3 size = BoxSize(*m_pModel);
        const CVector3 ruin = BoxSize(*m_pRuinModel);
        for (int axis = 0; axis < 3; ++axis)
            if (ruin[axis] > size[axis])
                m_fRuinScale = std::min(m_fRuinScale, size[axis] / ruin[axis]);
    }
    else
        Log(1, "Warning: no ruin model \"%s\" in CBuildingRep::Create, ruins are not drawn", kRuinModel);
    m_RuinMatrix.SetScale(CVector3(m_fRuinScale, m_fRuinScale, m_fRuinScale));

    if (m_pSceneGraph)
        m_pSceneGraph->Insert(CRefPtr<ISceneEntry>(this));
    return true;
}

void CBuildingRep::Render(const CFrustum& frustum, bool cull)
{
    const int state = m_pBuilding && m_pOwner ? m_pBuilding->GetState() : CBuildingObj::STATE_STANDING;
    if (state == CBuildingObj::STATE_DESTROYED)
    {
        CEngineServices* services = CEngineServices::GetInstance();
        CRefPtr<IRenderer> renderer = services ? services->GetRenderer() : CRefPtr<IRenderer>();
        if (!m_pRuinModel || !renderer)
            return;
        renderer->PushMatrix();
        renderer->MultMatrix(m_RuinMatrix);
        m_pRuinModel->Render();
        renderer->PopMatrix();
        return;
    }
    if (state == CBuildingObj::STATE_BLOCKED && m_pRenderSettings)
    {
        static const float kRed[4] = {1.0f, 0.0f, 0.0f, 1.0f};
        static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        m_pRenderSettings->Save();
        m_pRenderSettings->ClearOverrideMask();
        m_pRenderSettings->SetOverrideColor(kRed);
        m_pRenderSettings->SetPolygonStipple(true);
        CModelRep::Render(frustum, cull);
        m_pRenderSettings->SetPolygonStipple(false);
        m_pRenderSettings->SetOverrideColor(kWhite);
        m_pRenderSettings->ResetOverrideMask();
        m_pRenderSettings->Restore();
        return;
    }
    CModelRep::Render(frustum, cull);
}

// ------------------------------------------------------------------ building

CBuildingObj::CBuildingObj(CGameCtrl* owner, const std::string& model, float maxHealth, float value,
                           uint32_t group)
    : ICollidableObj(owner, TYPE_BUILDING), m_iState(STATE_BLOCKED), m_uiGroup(group),
      m_fMaxHealth(maxHealth), m_fHealth(maxHealth), m_fValue(value), m_bDestroyedPending(false)
{
    CRefPtr<CBuildingRep> rep(new CBuildingRep);
    if (!rep->Create(owner ? owner->GetScene().Get() : nullptr, model, this))
        Log(16, "Error: pRep->Create failed in CBuildingObj::CBuildingObj");
    if (m_fHealth <= 0.0f)
    {
        m_iState = STATE_DESTROYED;
        m_bDestroyedPending = true;
    }
    rep->SetPickable(false);
    m_pRepresentation = rep.Get();
}

void CBuildingObj::OnHit(IGameObj* other)
{
    if (!other)
        return;
    if (other->GetType() == TYPE_BIRD)
    {
        // A falling bird (no health left) does no damage.
        const CBirdObj* bird = dynamic_cast<const CBirdObj*>(other);
        if (bird && bird->GetHealth() > 0.0f)
            SetHealth(m_fHealth - kBirdDamage);
    }
    else if (other->GetType() == TYPE_DROPPING)
        SetHealth(m_fHealth - kDroppingDamage);
}

void CBuildingObj::SetHealth(float health)
{
    m_fHealth = health;
    if (health <= 0.0f)
    {
        m_iState = STATE_DESTROYED;
        m_bDestroyedPending = true;
    }
}

void CBuildingObj::OnUpdate(float)
{
    if (!m_bDestroyedPending)
        return;
    m_bDestroyedPending = false;
    // Told over a copy: an observer may stop observing while it is told.
    std::vector<IObjObserver*> observers;
    observers.swap(m_Observers);
    for (IObjObserver* observer : observers)
        observer->OnObservedKilled();
    SetActor(nullptr);
}

void CBuildingObj::OnLevelEnd()
{
    if (m_iState == STATE_STANDING)
    {
        if (m_pOwner && m_fMaxHealth > 0.0f)
            m_pOwner->AddScoreAndGold(m_fValue / m_fMaxHealth * m_fHealth);
    }
    else if (m_iState == STATE_DESTROYED)
        Kill();
}
