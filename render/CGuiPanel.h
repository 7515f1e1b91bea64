#pragma once

#include "render/CGuiElement.h"

#include <vector>

// A container: holds its children and hands input, hover, focus requests
// and the frame update to them. Children are kept sorted by depth, largest z
// first (sorted lazily before the next walk after a change); input walks go
// first to last (topmost first), drawing goes last to first so that the
// largest z is drawn on top. A plain panel draws nothing of its own.
//
// Every walk works on a copy of the child list and keeps the panel alive
// while it runs: a callback reached from a child may rebuild the screen,
// taking children out or releasing the panel itself.
class CGuiPanel : public CGuiElement
{
public:
    CGuiPanel();
    ~CGuiPanel() override;

    // Each child's Update, in child order.
    void Update(float deltaSeconds) override;
    // Visible: true at the first child that takes the hover.
    bool UpdateHover(float dx, float dy, int32_t wheel) override;
    // Visible and enabled: the first child that can take the focus gets it
    // through the manager. Always false: a panel never holds the focus.
    bool CanReceiveInput() override;
    // Makes this panel the child's parent and appends it (needs a sort).
    void AddChild(CRefPtr<CGuiElement> child) override;
    // Detaches the child when this panel holds it.
    void RemoveChild(CRefPtr<CGuiElement> child) override;
    // This panel or one of its direct children (not grandchildren).
    bool IsSame(CRefPtr<CGuiElement> other) override;
    void OnChildMoved() override { m_bNeedsSort = 1; }
    // Element reset, then every child detached and released.
    void Reset() override;
    // The children, drawn last to first.
    void Render() override;

    // Mouse buttons go to the children (topmost first) only while visible;
    // keys and characters whatever the visibility. True at the first child
    // that takes the event.
    bool OnMouseDown(uint8_t button) override;
    bool OnMouseUp(uint8_t button) override;
    bool OnChar(uint32_t character) override;
    bool OnKeyDown(uint8_t key) override;
    bool OnKeyUp(uint8_t key) override;

    // The children in their current order (sorted first when needed).
    const std::vector<CRefPtr<CGuiElement>>& GetChildren();
    size_t GetChildCount() const { return m_Children.size(); }

protected:
    // Sorts when needed and returns a copy to walk.
    std::vector<CRefPtr<CGuiElement>> SortedChildren();
    void DrawChildren();
    void ReleaseChildren();

    std::vector<CRefPtr<CGuiElement>> m_Children;
    uint8_t m_bNeedsSort;
};
