#include "game/CBirdObj.h"

#include "app/CEngineServices.h"
#include "app/CPhysXMgr.h"
#include "app/Log.h"
#include "game/CDroppingObj.h"
#include "game/CGameCtrl.h"

namespace
{
// Collides with everything but the player (1), other birds (2) and
// droppings (5).
const uint32_t kBirdMask = 0xFFFFFFD9u;
const uint8_t kBirdGroup = 2;
const float kArrowDamage = 10.0f;
const float kTumbleRate = 2.0f;
// Seconds a dead bird lies on the ground.
const float kDeadTime = 5.0f;
const float kDropInterval = 1.0f;
const float kDropForce = 2.0f;
// The death sound fades with the squared distance from the camera: full at
// the camera, silent from 50 units on.
const float kHearingRangeSquared = 2500.0f;
const float kVolumeFalloff = 0.0004f;
} // namespace

bool CBirdRep::Create(CSceneGraph* sceneGraph, IGameObj* owner)
{
    return CreateModel(sceneGraph, "Data\\models\\bird.scn", owner, "CBirdRep", false);
}

CBirdObj::CBirdObj(CGameCtrl* owner, CRefPtr<CObjCallback> killed)
    : ICharacterObj(owner, TYPE_BIRD), m_iPhase(PHASE_FLYING), m_fPhaseTimer(0.0f), m_fDropTimer(0.0f),
      m_fHealth(kHealth), m_pKilled(killed)
{
    CRefPtr<CBirdRep> rep(new CBirdRep);
    CVector3 extents(0.5f, 0.25f, 0.4f);
    if (rep->Create(owner ? owner->GetScene().Get() : nullptr, this))
    {
        const SAxisAlignedBox& box = rep->GetModelBox();
        const CVector3 size = box.max - box.min;
        extents = CVector3(0.4f * size.x, size.y, 0.4f * size.z);
    }
    else
    {
        Log(16, "Error: pRep->Create failed in CBirdObj::CBirdObj");
        // Without a body the bird could never be shot and the level never end.
        Log(1, "Warning: no model box in CBirdObj, using a default box");
    }
    m_pRepresentation = rep.Get();

    CEngineServices* services = CEngineServices::GetInstance();
    if (services)
    {
        if (CPhysXMgr* physx = services->GetPhysXMgr().Get())
            ICharacterObj::SetController(physx->CreateAABoxCharacter(GetPosition(), extents, kBirdGroup));
        if (CRefPtr<ISoundMgr> sound = services->GetSoundMgr())
            m_pDeathSound = sound->GetSound(ISoundMgr::SOUND_SAMPLE, "Data/sounds/bird_death.mp3");
    }
    SetGravityFactor(1.0f);
    SetActiveGroups(kBirdMask);
}

CBirdObj::~CBirdObj()
{
    if (m_pBirdCtrl)
        m_pBirdCtrl->SetObject(nullptr);
}

void CBirdObj::SetController(const CRefPtr<IBirdCtrl>& controller)
{
    if (m_pBirdCtrl)
        m_pBirdCtrl->SetObject(nullptr);
    m_pBirdCtrl = controller;
    if (m_pBirdCtrl)
        m_pBirdCtrl->SetObject(this);
    // Drawn only while controlled; showing twice files it once.
    if (m_pRepresentation)
        m_pRepresentation->SetVisible(static_cast<bool>(m_pBirdCtrl));
}

void CBirdObj::Kill()
{
    SetController(CRefPtr<IBirdCtrl>());
    ICharacterObj::Kill();
}

void CBirdObj::OnLevelEnd()
{
    Kill();
}

void CBirdObj::OnHit(IGameObj* other)
{
    if (!other)
        return;
    switch (other->GetType())
    {
    case TYPE_PLAYER:
    case TYPE_BUILDING:
        // Dead at once; removed at the next update.
        SetPhase(PHASE_DEAD);
        m_fPhaseTimer = kDeadTime;
        break;
    case TYPE_PROJECTILE:
        SetHealth(m_fHealth - kArrowDamage);
        break;
    default:
        if (m_iPhase == PHASE_FALLING)
            SetPhase(PHASE_DEAD);
        break;
    }
}

void CBirdObj::SetHealth(float health)
{
    m_fHealth = health;
    if (health <= 0.0f && m_iPhase == PHASE_FLYING)
    {
        SetGravity(true);
        SetPhase(PHASE_FALLING);
    }
}

void CBirdObj::SetPhase(int phase)
{
    if (phase == m_iPhase)
        return;
    const bool leftFlying = m_iPhase == PHASE_FLYING;
    m_iPhase = phase;
    m_fPhaseTimer = 0.0f;
    if (!leftFlying)
        return;
    PlayDeathSound();
    // Once per bird: the handle goes before the call.
    CRefPtr<CObjCallback> killed = m_pKilled;
    m_pKilled.Release();
    if (killed)
        killed->Invoke();
}

void CBirdObj::PlayDeathSound()
{
    if (!m_pDeathSound || !m_pOwner || !m_pOwner->GetCamera())
        return;
    const float d2 = (m_pOwner->GetCamera()->GetPosition() - GetPosition()).LengthSquared();
    if (d2 >= kHearingRangeSquared)
        return;
    m_pDeathSound->SetVolume(1.0f - d2 * kVolumeFalloff);
    m_pDeathSound->Play();
}

void CBirdObj::OnUpdate(float dt)
{
    m_fPhaseTimer += dt;
    switch (m_iPhase)
    {
    case PHASE_FLYING:
        Fly(dt);
        break;
    case PHASE_FALLING:
        Pitch(kTumbleRate * dt);
        Yaw(kTumbleRate * dt);
        break;
    default:
        if (m_fPhaseTimer > kDeadTime)
            Kill();
        break;
    }
}

void CBirdObj::Fly(float dt)
{
    // A handle of its own: the controller may let go of the bird meanwhile.
    CRefPtr<IBirdCtrl> controller = m_pBirdCtrl;
    if (!controller)
        return;
    controller->Update(dt);

    CVector3 direction;
    controller->GetMoveDirection(direction);
    if (direction != CVector3())
    {
        direction.Normalize();
        Move(direction * kSpeed, dt);
    }

    CVector3 turn;
    if (controller->GetDirection(turn) && turn.Length() > 0.0001f)
    {
        // Toward the wanted rotation, spread over the three angles.
        turn.Normalize();
        Pitch(turn.x * dt * kTurnRate);
        Yaw(turn.y * dt * kTurnRate);
        Roll(turn.z * dt * kTurnRate);
    }

    m_fDropTimer -= dt;
    if (m_fDropTimer <= 0.0f && controller->WantsToDrop() && m_pOwner)
    {
        m_fDropTimer = kDropInterval;
        CRefPtr<CDroppingObj> dropping(new CDroppingObj(m_pOwner));
        dropping->SetPosition(GetPosition() + CVector3(0.0f, -0.5f, 0.0f));
        dropping->SetRotation(GetRotation());
        dropping->Launch(m_Transform.GetForward() * kDropForce);
        m_pOwner->AddObject(CRefPtr<IGameObj>(dropping.Get()));
    }
}
