#include "render/CCameraCtrl.h"

#include "app/CEngineServices.h"
#include "render/CGuiMgr.h"

#include <algorithm>

namespace
{

const float kStartHeight = 50.0f;
const float kStartPitch = 1.1780972f;

IInputMgr* InputMgr()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetInputMgr().Get() : nullptr;
}

const IVirtualCursor* GuiCursor()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetGuiMgr().Get() : nullptr;
}

} // namespace

CCameraCtrl::CCameraCtrl(float border, float minX, float minY, float minZ, float maxX, float maxY, float maxZ,
                         float speed, CRefPtr<CGameTimer> timer, uint16_t priority)
    : m_Bounds{minX, minY, minZ, maxX, maxY, maxZ}, m_fBorder(border),
      m_fSpeed(speed), m_KeyFlags{0, 0, 0, 0}, m_pTimer(timer), m_bListening(false)
{
    SetPriority(priority);
}

CCameraCtrl::~CCameraCtrl()
{
    // The input manager keeps a raw pointer: it must not outlive us.
    if (m_bListening)
        if (IInputMgr* input = InputMgr())
            input->RemoveListener(this);
}

void CCameraCtrl::ClearKeys()
{
    std::fill(m_KeyFlags, m_KeyFlags + 4, 0);
}

void CCameraCtrl::Attach(CRefPtr<CCamera> camera)
{
    if (!camera)
    {
        Detach();
        return;
    }
    if (!m_bListening)
    {
        if (IInputMgr* input = InputMgr())
        {
            input->AddListener(this);
            m_bListening = true;
        }
        ClearKeys();
    }
    ICameraCtrl::Attach(camera);
    const float y = std::min(std::max(kStartHeight, m_Bounds[1]), m_Bounds[4]);
    m_pCamera->SetPosition(
        CVector3((m_Bounds[0] + m_Bounds[3]) * 0.5f, y, (m_Bounds[2] + m_Bounds[5]) * 0.5f));
    m_pCamera->SetRotation(CVector3(kStartPitch, 0.0f, 0.0f));
}

void CCameraCtrl::Detach()
{
    if (m_bListening)
    {
        if (IInputMgr* input = InputMgr())
            input->RemoveListener(this);
        m_bListening = false;
    }
    ICameraCtrl::Detach();
    ClearKeys();
}

bool CCameraCtrl::SetKey(uint8_t key, uint8_t down)
{
    static const uint8_t keys[4] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT};
    if (!m_pCamera)
        return false;
    for (int i = 0; i < 4; ++i)
        if (keys[i] == key)
        {
            m_KeyFlags[i] = down;
            return true;
        }
    return false;
}

bool CCameraCtrl::OnKeyDown(uint8_t key)
{
    return SetKey(key, 1);
}

bool CCameraCtrl::OnKeyUp(uint8_t key)
{
    return SetKey(key, 0);
}

void CCameraCtrl::MoveFlat(CVector3 axis, float step)
{
    axis.y = 0.0f;
    if (axis.x == 0.0f && axis.z == 0.0f)
        return;
    axis.Normalize();
    m_pCamera->Move(axis * step);
}

// The cursor lies in the window's first pixel column (or row): from 0 to
// one pixel in, read in whole pixels, so half a pixel tells it from the
// next. Without a pixel size, the border decides.
bool CCameraCtrl::AtNearEdge(float fromEdge, float pixel) const
{
    return pixel > 0.0f ? fromEdge < 0.5f * pixel : fromEdge <= m_fBorder;
}

// The cursor lies in the last pixel column (or row), which starts one pixel
// before the screen's end.
bool CCameraCtrl::AtFarEdge(float toEdge, float pixel) const
{
    return pixel > 0.0f ? toEdge < 1.5f * pixel : toEdge <= m_fBorder;
}

void CCameraCtrl::Update()
{
    if (!m_pCamera)
        return;
    const float step = m_pTimer ? static_cast<float>(m_pTimer->GetDelta()) * m_fSpeed : 0.0f;
    float cx = 0.0f, cy = 0.0f, w = 0.0f, h = 0.0f, pixelX = 0.0f, pixelY = 0.0f;
    if (const IVirtualCursor* cursor = GuiCursor())
    {
        cursor->GetVirtualMousePosition(cx, cy);
        cursor->GetVirtualScreenSize(w, h);
        cursor->GetVirtualPixelSize(pixelX, pixelY);
    }
    // Without a virtual screen there is no border to touch.
    const bool screen = w > 0.0f && h > 0.0f;
    const bool inX = screen && cx >= 0.0f && cx <= w;
    const bool inY = screen && cy >= 0.0f && cy <= h;

    if (m_KeyFlags[2] || (inX && AtNearEdge(cx, pixelX)))
        MoveFlat(-m_pCamera->GetRight(), step);
    if (m_KeyFlags[3] || (inX && AtFarEdge(w - cx, pixelX)))
        MoveFlat(m_pCamera->GetRight(), step);
    // Up points forward over the ground for a camera looking down.
    if (m_KeyFlags[0] || (inY && AtNearEdge(cy, pixelY)))
        MoveFlat(m_pCamera->GetUp(), step);
    if (m_KeyFlags[1] || (inY && AtFarEdge(h - cy, pixelY)))
        MoveFlat(-m_pCamera->GetUp(), step);

    CVector3 p = m_pCamera->GetPosition();
    for (int i = 0; i < 3; ++i)
        p[i] = std::min(std::max(p[i], m_Bounds[i]), m_Bounds[3 + i]);
    m_pCamera->SetPosition(p);
}
