#include "game/CTowerObj.h"

#include "game/CAiTowerCtrl.h"
#include "game/CGameCtrl.h"
#include "game/CProjectileObj.h"

namespace
{
const float kMuzzleHeight = 5.0f;
const float kArrowForce = 60.0f;
// The towers' arrows: a group of their own that the towers ignore.
const uint8_t kArrowGroup = 7;
} // namespace

CTowerObj::CTowerObj(CGameCtrl* owner)
    : CBuildingObj(owner, "Data/models/buildings/tower.scn", 150.0f, 0.0f, 6), m_fFireTimer(0.0f)
{
}

CTowerObj::~CTowerObj()
{
    if (m_pController)
        m_pController->SetObject(nullptr);
}

void CTowerObj::SetController(const CRefPtr<IObjCtrl>& controller)
{
    if (m_pController)
        m_pController->SetObject(nullptr);
    m_pController = controller;
    if (m_pController)
        m_pController->SetObject(this);
}

CVector3 CTowerObj::GetMuzzle() const
{
    return GetPosition() + CVector3(0.0f, kMuzzleHeight, 0.0f);
}

void CTowerObj::Kill()
{
    SetController(CRefPtr<IObjCtrl>());
    CBuildingObj::Kill();
}

void CTowerObj::OnUpdate(float dt)
{
    CBuildingObj::OnUpdate(dt);
    if (m_iState != STATE_STANDING || !m_pController)
        return;
    // A handle of its own: the controller may be replaced while it runs.
    CRefPtr<IObjCtrl> controller = m_pController;
    controller->Update(dt);
    ITowerCtrl* aim = dynamic_cast<ITowerCtrl*>(controller.Get());
    if (!aim)
        return;
    CVector3 delta;
    aim->GetDirection(delta);
    m_fFireTimer -= dt;
    if (m_fFireTimer > 0.0f)
        return;
    // The timer stays at or below 0: the tower fires as soon as a bird comes
    // in range.
    if (!aim->IsTargetInRange())
        return;
    m_fFireTimer = kReloadTime;
    Fire(delta);
}

void CTowerObj::Fire(const CVector3& delta)
{
    if (!m_pOwner)
        return;
    CRefPtr<CProjectileObj> arrow(
        new CProjectileObj(m_pOwner, TYPE_PROJECTILE, kArrowGroup, "Data/models/pfeil.scn"));
    arrow->SetPosition(GetMuzzle());
    arrow->SetRotation(GetRotation() + delta);
    arrow->Launch(arrow->GetForward() * kArrowForce);
    m_pOwner->AddObject(CRefPtr<IGameObj>(arrow.Get()));
}
