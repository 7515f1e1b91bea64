#pragma once

#include "app/ISoundMgr.h"
#include "render/CGuiCallback.h"
#include "render/CGuiElement.h"
#include "render/CGuiText.h"
#include "render/COGLDisplayList.h"

#include <string>

// A four-state textured button with an optional text label, a rollover and a
// select sound and a callback that gets the button's id on a click.
//
// Pressing the left button (0) inside it marks it pressed and makes it a
// modal of the GUI manager, so that the release reaches it wherever it
// happens. A release inside clicks: the selected bit is cleared (or flipped
// in toggle mode), the select sound plays and the callback runs, once. A
// release outside only ends the press.
class CGuiButton : public CGuiElement
{
public:
    enum
    {
        STATE_SELECTED = 1,
        STATE_HOVER = 2,
        STATE_PRESSED = 4
    };
    // The four looks, in SetModel's order.
    enum
    {
        MODEL_NORMAL = 0,
        MODEL_HOVER = 1,
        MODEL_PRESSED = 2,
        MODEL_DISABLED = 3
    };

    // Either sound may be empty (then nothing plays).
    CGuiButton(CRefPtr<ISound> rolloverSound, CRefPtr<ISound> selectSound);
    ~CGuiButton() override;

    void SetSelected(uint8_t selected);
    // Toggle mode: a click flips the selected bit instead of clearing it.
    void SetOption(uint8_t option) { m_bOption = option; }
    void SetId(uint32_t id) { m_uiId = id; }
    void SetCallback(CRefPtr<CGuiCallback> callback) { m_pCallback = callback; }
    void SetModel(int which, CRefPtr<COGLDisplayList> model);
    // Makes the label on first use (through the GUI manager) and places it at
    // (10, height / 2 - 10, 1) in the button's frame.
    virtual void SetText(const std::string& text, uint32_t colour);

    uint8_t GetState() const { return m_bState; }
    bool IsSelected() const { return (m_bState & STATE_SELECTED) != 0; }
    bool IsHover() const { return (m_bState & STATE_HOVER) != 0; }
    bool IsPressed() const { return (m_bState & STATE_PRESSED) != 0; }
    uint8_t GetOption() const { return m_bOption; }
    uint32_t GetId() const { return m_uiId; }
    const CRefPtr<CGuiCallback>& GetCallback() const { return m_pCallback; }
    const CRefPtr<CGuiText>& GetLabel() const { return m_pLabel; }
    const CRefPtr<COGLDisplayList>& GetModel(int which) const { return m_Models[which & 3]; }
    // The look Render uses now (MODEL_...).
    int GetCurrentModel() const;

    bool AcceptsInput() override { return true; }
    // The base rule; when it holds the button shows its hover look and plays
    // the rollover sound.
    bool CanReceiveInput() override;
    void OnFocusLost() override { m_bState &= ~STATE_HOVER; }
    // Inside: focus (an enabled button) and true. Outside: gives up a hover
    // focus, false.
    bool UpdateHover(float dx, float dy, int32_t wheel) override;
    bool OnMouseDown(uint8_t button) override;
    bool OnMouseUp(uint8_t button) override;
    // Element reset, then state, label, id and option cleared.
    void Reset() override;
    void Render() override;

private:
    uint8_t m_bState;
    uint32_t m_uiId;
    uint8_t m_bOption;
    CRefPtr<CGuiCallback> m_pCallback;
    CRefPtr<CGuiText> m_pLabel;
    CRefPtr<COGLDisplayList> m_Models[4];
    CRefPtr<ISound> m_pRolloverSound;
    CRefPtr<ISound> m_pSelectSound;
};
