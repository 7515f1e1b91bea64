#include "render/CGuiPanel.h"

#include "render/CGuiMgr.h"

#include <algorithm>

CGuiPanel::CGuiPanel() : m_bNeedsSort(0) {}

CGuiPanel::~CGuiPanel()
{
    ReleaseChildren();
}

const std::vector<CRefPtr<CGuiElement>>& CGuiPanel::GetChildren()
{
    if (m_bNeedsSort)
    {
        std::sort(m_Children.begin(), m_Children.end(),
                  [](const CRefPtr<CGuiElement>& a, const CRefPtr<CGuiElement>& b)
                  { return a->GetPosition().z > b->GetPosition().z; });
        m_bNeedsSort = 0;
    }
    return m_Children;
}

std::vector<CRefPtr<CGuiElement>> CGuiPanel::SortedChildren()
{
    return GetChildren();
}

void CGuiPanel::Update(float deltaSeconds)
{
    CRefPtr<CGuiElement> self = KeepAlive();
    for (CRefPtr<CGuiElement>& child : SortedChildren())
        child->Update(deltaSeconds);
}

bool CGuiPanel::UpdateHover(float dx, float dy, int32_t wheel)
{
    if (!m_bVisible)
        return false;
    CRefPtr<CGuiElement> self = KeepAlive();
    for (CRefPtr<CGuiElement>& child : SortedChildren())
        if (child->UpdateHover(dx, dy, wheel))
            return true;
    return false;
}

bool CGuiPanel::CanReceiveInput()
{
    if (!m_bVisible || !m_bEnabled)
        return false;
    CRefPtr<CGuiElement> self = KeepAlive();
    for (CRefPtr<CGuiElement>& child : SortedChildren())
    {
        if (child->CanReceiveInput())
        {
            if (CGuiMgr* mgr = GetGuiMgr())
                mgr->SetFocus(child);
            break;
        }
    }
    return false;
}

void CGuiPanel::AddChild(CRefPtr<CGuiElement> child)
{
    if (!child)
        return;
    child->SetParent(this);
    m_Children.push_back(child);
    m_bNeedsSort = 1;
}

void CGuiPanel::RemoveChild(CRefPtr<CGuiElement> child)
{
    auto it = std::find(m_Children.begin(), m_Children.end(), child);
    if (it == m_Children.end())
        return;
    child->SetParent(nullptr);
    m_Children.erase(it);
}

bool CGuiPanel::IsSame(CRefPtr<CGuiElement> other)
{
    if (other.Get() == this)
        return true;
    return other && std::find(m_Children.begin(), m_Children.end(), other) != m_Children.end();
}

void CGuiPanel::ReleaseChildren()
{
    // Children held elsewhere must not keep a pointer to this panel.
    std::vector<CRefPtr<CGuiElement>> children;
    children.swap(m_Children);
    for (CRefPtr<CGuiElement>& child : children)
        if (child->GetParent() == this)
            child->SetParent(nullptr);
    m_bNeedsSort = 0;
}

void CGuiPanel::Reset()
{
    CGuiElement::Reset();
    ReleaseChildren();
}

void CGuiPanel::DrawChildren()
{
    std::vector<CRefPtr<CGuiElement>> children = SortedChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        (*it)->Draw();
}

void CGuiPanel::Render()
{
    DrawChildren();
}

namespace
{

// The first child (in walk order) whose handler takes the event.
template <class F> bool FirstTaker(std::vector<CRefPtr<CGuiElement>> children, F handler)
{
    for (CRefPtr<CGuiElement>& child : children)
        if (handler(child.Get()))
            return true;
    return false;
}

} // namespace

bool CGuiPanel::OnMouseDown(uint8_t button)
{
    if (!m_bVisible)
        return false;
    CRefPtr<CGuiElement> self = KeepAlive();
    return FirstTaker(SortedChildren(), [button](CGuiElement* c) { return c->OnMouseDown(button); });
}

bool CGuiPanel::OnMouseUp(uint8_t button)
{
    if (!m_bVisible)
        return false;
    CRefPtr<CGuiElement> self = KeepAlive();
    return FirstTaker(SortedChildren(), [button](CGuiElement* c) { return c->OnMouseUp(button); });
}

bool CGuiPanel::OnChar(uint32_t character)
{
    CRefPtr<CGuiElement> self = KeepAlive();
    return FirstTaker(SortedChildren(), [character](CGuiElement* c) { return c->OnChar(character); });
}

bool CGuiPanel::OnKeyDown(uint8_t key)
{
    CRefPtr<CGuiElement> self = KeepAlive();
    return FirstTaker(SortedChildren(), [key](CGuiElement* c) { return c->OnKeyDown(key); });
}

bool CGuiPanel::OnKeyUp(uint8_t key)
{
    CRefPtr<CGuiElement> self = KeepAlive();
    return FirstTaker(SortedChildren(), [key](CGuiElement* c) { return c->OnKeyUp(key); });
}
