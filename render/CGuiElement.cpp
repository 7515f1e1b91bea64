#include "render/CGuiElement.h"

#include "app/CEngineServices.h"
#include "app/CMatrix4.h"
#include "render/CGuiMgr.h"
#include "render/IRenderer.h"

CGuiElement::CGuiElement() : m_pParent(nullptr), m_bVisible(1), m_bEnabled(1)
{
    SetPriority(1000);
    CGuiElement::Reset();
}

CGuiElement::~CGuiElement()
{
    CGuiElement::Reset();
}

void CGuiElement::Update(float /*deltaSeconds*/) {}

void CGuiElement::SetPosition(const CVector3& position)
{
    CTransformableObj::SetPosition(position);
    if (m_pParent)
        m_pParent->OnChildMoved();
}

bool CGuiElement::CanReceiveInput()
{
    return m_bVisible && m_bEnabled && AcceptsInput();
}

bool CGuiElement::UpdateHover(float /*dx*/, float /*dy*/, int32_t /*wheel*/)
{
    return false;
}

void CGuiElement::AddChild(CRefPtr<CGuiElement> /*child*/) {}

void CGuiElement::RemoveChild(CRefPtr<CGuiElement> /*child*/) {}

bool CGuiElement::IsSame(CRefPtr<CGuiElement> other)
{
    return other.Get() == this;
}

void CGuiElement::Reset()
{
    m_bVisible = 1;
    m_bEnabled = 1;
    m_pParent = nullptr;
    CGuiElement::SetPosition(CVector3(0.0f, 0.0f, 1.0f));
}

void CGuiElement::Draw()
{
    if (!m_bVisible)
        return;
    CRefPtr<IRenderer> renderer = GetRenderer();
    if (!renderer)
        return;
    CMatrix4 translation, rotation;
    translation.SetTranslation(GetPosition());
    const CVector3& r = GetRotation();
    rotation.SetRotationAngles(r.x, r.y, r.z);
    renderer->SetMatrixMode(1);
    renderer->PushMatrix();
    renderer->MultMatrix(translation * rotation);
    Render();
    renderer->PopMatrix();
}

CVector3 CGuiElement::GetAbsolutePosition() const
{
    CVector3 p = GetPosition();
    if (m_pParent)
        p += m_pParent->GetAbsolutePosition();
    return p;
}

bool CGuiElement::IsMouseInside() const
{
    const CGuiMgr* mgr = GetGuiMgr();
    if (!mgr)
        return false;
    const CVector3 p = GetAbsolutePosition();
    const CVector3& size = GetScale();
    const float mx = mgr->GetMouseX(), my = mgr->GetMouseY();
    return p.x <= mx && mx <= p.x + size.x && p.y <= my && my <= p.y + size.y;
}

CGuiMgr* CGuiElement::GetGuiMgr()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetGuiMgr().Get() : nullptr;
}

CRefPtr<IRenderer> CGuiElement::GetRenderer()
{
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? services->GetRenderer() : CRefPtr<IRenderer>();
}
