#include "game/CPlayerObj.h"

#include "app/CEngineServices.h"
#include "app/CMatrix4.h"
#include "app/CPhysXMgr.h"
#include "game/CGameCtrl.h"
#include "game/CProjectileObj.h"
#include "game/IObjCtrl.h"

#include <cmath>

namespace
{

const float kCapsuleRadius = 0.5f;
const float kCapsuleHeight = 1.9f;
const uint8_t kPlayerGroup = 1;
const float kGravityFactor = 2.0f;
// Every group but the birds (2), the player's arrows (4) and droppings (5).
const uint32_t kPlayerActiveGroups = 0xFFFFFFCBu;
const float kSoundVolume = 0.5f;
// The player's arrows: their collision group and the height above the feet
// they leave from.
const uint8_t kArrowGroup = 4;
const float kArrowHeight = 0.21f;

CRefPtr<ISound> LoadSound(const char* file)
{
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<ISound> sound;
    if (services && services->GetSoundMgr())
        sound = services->GetSoundMgr()->GetSound(0, file);
    if (sound)
        sound->SetVolume(kSoundVolume);
    return sound;
}

void Play(const CRefPtr<ISound>& sound)
{
    if (sound)
        sound->Play();
}

} // namespace

CPlayerObj::CPlayerObj(CGameCtrl* owner)
    : ICharacterObj(owner, TYPE_PLAYER), m_pPlayerCtrl(nullptr), m_usMovement(0), m_bAxesValid(false),
      m_uiShots(0)
{
    CEngineServices* services = CEngineServices::GetInstance();
    CPhysXMgr* physx = services ? services->GetPhysXMgr().Get() : nullptr;
    if (physx && physx->GetScene())
        ICharacterObj::SetController(
            physx->CreateCapsuleCharacter(GetPosition(), kCapsuleRadius, kCapsuleHeight, kPlayerGroup));
    SetGravity(true);
    SetGravityFactor(kGravityFactor);
    SetActiveGroups(kPlayerActiveGroups);
    m_pBowShotSound = LoadSound("Data/sounds/bowshot.mp3");
    m_pJumpSound = LoadSound("Data/sounds/jump.mp3");
}

CPlayerObj::~CPlayerObj()
{
    SetController(nullptr);
}

void CPlayerObj::SetController(IPlayerCtrl* controller)
{
    if (m_pPlayerCtrl)
        m_pPlayerCtrl->SetObject(nullptr);
    m_pPlayerCtrl = controller;
    if (m_pPlayerCtrl)
        m_pPlayerCtrl->SetObject(this);
}

void CPlayerObj::SetRotation(const CVector3& rotation)
{
    ICharacterObj::SetRotation(rotation);
    m_bAxesValid = false;
}

void CPlayerObj::LookAt(const CVector3& target)
{
    ICharacterObj::LookAt(target);
    m_bAxesValid = false;
}

void CPlayerObj::Pitch(float angle)
{
    ICharacterObj::Pitch(angle);
    m_bAxesValid = false;
}

void CPlayerObj::Yaw(float angle)
{
    ICharacterObj::Yaw(angle);
    m_bAxesValid = false;
}

void CPlayerObj::Roll(float angle)
{
    ICharacterObj::Roll(angle);
    m_bAxesValid = false;
}

void CPlayerObj::UpdateAxes() const
{
    if (m_bAxesValid)
        return;
    CMatrix4 yaw;
    yaw.SetRotationY(GetRotation().y);
    m_YawForward = CVector3(-yaw[8], -yaw[9], -yaw[10]);
    m_YawRight = CVector3(yaw[0], yaw[1], yaw[2]);
    m_YawUp = CVector3(yaw[4], yaw[5], yaw[6]);
    m_bAxesValid = true;
}

CVector3 CPlayerObj::GetForward() const
{
    UpdateAxes();
    return m_YawForward;
}

CVector3 CPlayerObj::GetUp() const
{
    UpdateAxes();
    return m_YawUp;
}

CVector3 CPlayerObj::GetRight() const
{
    UpdateAxes();
    return m_YawRight;
}

SBoundingSphere& CPlayerObj::GetBoundingSphere(SBoundingSphere& out)
{
    out.centre = GetPosition() + CVector3(0.0f, 1.0f, 0.0f);
    out.radius = 1.0f;
    return out;
}

void CPlayerObj::OnUpdate(float dt)
{
    if (!m_pPlayerCtrl)
        return;
    CVector3 v;
    m_pPlayerCtrl->GetMoveVector(v);
    v.y = 0.0f;
    if (v.x == 0.0f && v.z == 0.0f)
        m_usMovement &= static_cast<uint16_t>(~MOVE_WALKING);
    else
    {
        const float len = std::sqrt(v.x * v.x + v.z * v.z);
        float speed = kWalkSpeed;
        if (m_pPlayerCtrl->WantsRun())
            speed *= kRunFactor;
        v.x = v.x / len * speed;
        v.z = v.z / len * speed;
        m_usMovement |= MOVE_WALKING;
    }

    // Asked every frame: a tap of the key while airborne is spent, not kept
    // for the landing.
    const bool jump = m_pPlayerCtrl->WantsJump();
    if (!(m_usMovement & MOVE_JUMPING) && jump)
    {
        m_usMovement |= MOVE_JUMPING;
        Play(m_pJumpSound);
    }
    // The jump is a constant upward speed held until landing, against the
    // gravity term that grows with the air time.
    if (m_usMovement & MOVE_JUMPING)
        v.y += kJumpSpeed;

    Move(v, dt);
    if (!IsAirborne())
        m_usMovement &= static_cast<uint16_t>(~MOVE_JUMPING);

    CVector3 look;
    if (m_pPlayerCtrl->GetLookDelta(look))
    {
        Pitch(look.x);
        Yaw(look.y);
    }
    if (m_pPlayerCtrl->WantsFire())
        Shoot();
}

void CPlayerObj::Shoot()
{
    if (!m_pOwner)
        return;
    // The full view axis, pitch included.
    const CVector3 view = m_Transform.GetForward();
    CRefPtr<CProjectileObj> arrow(
        new CProjectileObj(m_pOwner, TYPE_PROJECTILE, kArrowGroup, "Data/models/pfeil.scn"));
    arrow->SetPosition(GetPosition() + CVector3(0.0f, kArrowHeight, 0.0f) + view);
    arrow->SetRotation(GetRotation());
    arrow->Launch(view * kArrowForce);
    m_pOwner->AddObject(CRefPtr<IGameObj>(arrow.Get()));
    ++m_uiShots;
    Play(m_pBowShotSound);
}
