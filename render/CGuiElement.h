#pragma once

#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "app/IInputListener.h"
#include "render/CTransformableObj.h"

#include <cstdint>

class CGuiMgr;
class IRenderer;

// A widget of the GUI's retained tree. Its position is its place relative to
// its parent in virtual screen units (x right, y down), its position's z its
// depth among its siblings (larger is on top), its scale its width and
// height. Rotation turns the drawing only; hit tests ignore it.
//
// Widgets are counted: a parent holds its children, the GUI manager its
// root, focus and modal entries. The parent pointer is not counted. Input
// reaches a widget through its IInputListener operations, handed down by the
// GUI manager and the panels; widgets reach the manager through the engine
// services. Main thread only.
class CGuiElement : public CTransformableObj, public CRefCounted, public IInputListener
{
public:
    // Visible, enabled, no parent, position (0, 0, 1), input priority 1000.
    CGuiElement();
    ~CGuiElement() override;

    CGuiElement(const CGuiElement&) = delete;
    CGuiElement& operator=(const CGuiElement&) = delete;

    // Per-frame work; only panels pass it on to their children.
    virtual void Update(float deltaSeconds);
    // Moves the widget and tells the parent, which re-sorts its children.
    virtual void SetPosition(const CVector3& position);
    virtual void SetVisible(uint8_t visible) { m_bVisible = visible; }
    virtual void SetEnabled(uint8_t enabled) { m_bEnabled = enabled; }
    virtual void SetParent(CGuiElement* parent) { m_pParent = parent; }
    // Visible, enabled and AcceptsInput. Buttons and panels add their own
    // side effects (see there).
    virtual bool CanReceiveInput();
    virtual void OnFocusLost() {}
    // The mouse moved (relative amounts in virtual units); true when a widget
    // under the mouse took it.
    virtual bool UpdateHover(float dx, float dy, int32_t wheel);
    virtual void AddChild(CRefPtr<CGuiElement> child);
    virtual void RemoveChild(CRefPtr<CGuiElement> child);
    // True when the handle points at this widget (panels: or at a direct child).
    virtual bool IsSame(CRefPtr<CGuiElement> other);
    virtual void OnChildMoved() {}
    // Back to the constructed state: visible, enabled, no parent, position
    // (0, 0, 1). Subclasses also drop what they hold.
    virtual void Reset();
    virtual bool AcceptsInput() { return false; }
    // Draws the widget in its own frame (its translation and rotation applied).
    virtual void Render() = 0;

    // Draws the widget when visible: its translation and rotation pushed on
    // the model-view stack around Render.
    void Draw();
    // Position plus the parents' absolute positions.
    CVector3 GetAbsolutePosition() const;
    // The manager's virtual mouse lies in the hit rectangle: absolute (x, y)
    // to (x + width, y + height), both ends inclusive.
    bool IsMouseInside() const;

    uint8_t IsVisible() const { return m_bVisible; }
    uint8_t IsEnabled() const { return m_bEnabled; }
    CGuiElement* GetParent() const { return m_pParent; }

    // The engine services' GUI manager and renderer; null without engine
    // services (or before the renderer exists).
    static CGuiMgr* GetGuiMgr();
    static CRefPtr<IRenderer> GetRenderer();

protected:
    // A handle on this widget for the length of a call that may release its
    // last other holder (a callback that rebuilds the screen); empty for a
    // widget no handle holds yet, which must not be deleted by it.
    CRefPtr<CGuiElement> KeepAlive() { return GetRefCount() ? CRefPtr<CGuiElement>(this) : CRefPtr<CGuiElement>(); }

    CGuiElement* m_pParent;
    uint8_t m_bVisible;
    uint8_t m_bEnabled;
};
