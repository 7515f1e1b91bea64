#include "game/CPlayerCtrl.h"

#include "app/CEngineServices.h"
#include "app/IInputMgr.h"
#include "game/IGameObj.h"

namespace
{

IInputMgr* InputMgr()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetInputMgr().Get() : nullptr;
}

} // namespace

CPlayerCtrl::CPlayerCtrl(uint16_t priority) : m_bListening(false)
{
    SetPriority(priority);
    ClearRequests();
}

CPlayerCtrl::~CPlayerCtrl()
{
    if (m_bListening)
        if (IInputMgr* input = InputMgr())
            input->RemoveListener(this);
}

void CPlayerCtrl::ClearRequests()
{
    m_bForward = m_bBackward = m_bLeft = m_bRight = false;
    m_bJump = m_bJumpPressed = m_bFire = m_bRun = false;
    m_LookDelta = CVector3();
    m_bLookChanged = false;
}

void CPlayerCtrl::SetObject(IGameObj* object)
{
    IInputMgr* input = InputMgr();
    if (!m_pObject && object && input && !m_bListening)
    {
        input->AddListener(this);
        m_bListening = true;
    }
    else if (m_pObject && !object && m_bListening)
    {
        if (input)
            input->RemoveListener(this);
        m_bListening = false;
    }
    IPlayerCtrl::SetObject(object);
    ClearRequests();
}

void CPlayerCtrl::GetMoveVector(CVector3& out)
{
    out = CVector3();
    if (!m_pObject)
        return;
    if (m_bForward)
        out += m_pObject->GetForward();
    if (m_bBackward)
        out -= m_pObject->GetForward();
    if (m_bRight)
        out += m_pObject->GetRight();
    if (m_bLeft)
        out -= m_pObject->GetRight();
}

bool CPlayerCtrl::GetLookDelta(CVector3& out)
{
    if (!m_bLookChanged)
        return false;
    out = m_LookDelta;
    m_LookDelta = CVector3();
    m_bLookChanged = false;
    return true;
}

bool CPlayerCtrl::WantsFire()
{
    const bool fire = m_bFire;
    m_bFire = false;
    return fire;
}

bool CPlayerCtrl::WantsJump()
{
    const bool jump = m_bJump || m_bJumpPressed;
    m_bJumpPressed = false;
    return jump;
}

bool CPlayerCtrl::OnMouseMove(int32_t dx, int32_t dy, int32_t /*wheel*/)
{
    if (dx == 0 && dy == 0)
        return false;
    m_LookDelta.x += static_cast<float>(dy) * kLookPerCount;
    m_LookDelta.y += static_cast<float>(dx) * kLookPerCount;
    m_bLookChanged = true;
    return true;
}

bool CPlayerCtrl::OnMouseDown(uint8_t button)
{
    if (button != 0)
        return false;
    m_bFire = true;
    return true;
}

bool* CPlayerCtrl::KeyState(uint8_t key)
{
    struct SKey
    {
        uint8_t code;
        bool CPlayerCtrl::*state;
    };
    static const SKey kKeys[] = {
        {KEY_W, &CPlayerCtrl::m_bForward},  {KEY_S, &CPlayerCtrl::m_bBackward},
        {KEY_A, &CPlayerCtrl::m_bLeft},     {KEY_D, &CPlayerCtrl::m_bRight},
        {KEY_SPACE, &CPlayerCtrl::m_bJump}, {KEY_LSHIFT, &CPlayerCtrl::m_bRun},
    };
    for (const SKey& k : kKeys)
        if (k.code == key)
            return &(this->*k.state);
    return nullptr;
}

bool CPlayerCtrl::OnKeyDown(uint8_t key)
{
    bool* state = KeyState(key);
    if (!state)
        return false;
    *state = true;
    if (key == KEY_SPACE)
        m_bJumpPressed = true;
    return true;
}

bool CPlayerCtrl::OnKeyUp(uint8_t key)
{
    bool* state = KeyState(key);
    if (!state)
        return false;
    *state = false;
    return true;
}
