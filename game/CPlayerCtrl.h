#pragma once

#include "app/CVector3.h"
#include "app/IInputListener.h"
#include "game/IObjCtrl.h"

#include <cstdint>

// The player's input: DirectInput keys and mouse motion turned into a move
// vector, a look delta and fire, jump and run requests.
//
// The controller listens to the input manager only while it controls an
// object: SetObject with an object registers it, SetObject(nullptr) (or the
// destructor) unregisters it. The object is not counted.
class CPlayerCtrl : public IPlayerCtrl, public IInputListener
{
public:
    // DirectInput key codes of the controls.
    enum : uint8_t
    {
        KEY_W = 17,
        KEY_S = 31,
        KEY_A = 30,
        KEY_D = 32,
        KEY_SPACE = 57,
        KEY_LSHIFT = 42
    };
    // Radians of look change per mouse count (one radian per 150 counts).
    static constexpr float kLookPerCount = 0.006666667f;

    // priority: the listener priority (smaller values hear events first).
    explicit CPlayerCtrl(uint16_t priority = 1000);
    // Unregisters when it still controls an object.
    ~CPlayerCtrl() override;
    CPlayerCtrl(const CPlayerCtrl&) = delete;
    CPlayerCtrl& operator=(const CPlayerCtrl&) = delete;

    // Registers with the input manager on the step from no object to one,
    // unregisters on the step back; every request and the look delta are
    // cleared either way.
    void SetObject(IGameObj* object) override;

    // IPlayerCtrl. The move vector is the object's (yaw-only) forward and
    // right axes added up by the held keys: unnormalised, horizontal.
    void GetMoveVector(CVector3& out) override;
    // The summed look change since the last call (x pitch, y yaw, radians);
    // false, and out untouched, when the mouse has not moved.
    bool GetLookDelta(CVector3& out) override;
    // The fire request, cleared by the call: one shot per click.
    bool WantsFire() override;
    // The held jump key, or a press since the last call (cleared by the
    // call): a tap that starts and ends within one frame is not lost.
    bool WantsJump() override;
    bool WantsRun() override { return m_bRun; }

    // IInputListener: the key table and the mouse; true when consumed.
    bool OnMouseMove(int32_t dx, int32_t dy, int32_t wheel) override;
    bool OnMouseDown(uint8_t button) override;
    bool OnKeyDown(uint8_t key) override;
    bool OnKeyUp(uint8_t key) override;

    bool IsListening() const { return m_bListening; }

private:
    // The key state of a control key, or null for any other key.
    bool* KeyState(uint8_t key);
    void ClearRequests();

    bool m_bForward;
    bool m_bBackward;
    bool m_bLeft;
    bool m_bRight;
    bool m_bJump;
    bool m_bJumpPressed;
    bool m_bFire;
    bool m_bRun;
    CVector3 m_LookDelta;
    bool m_bLookChanged;
    bool m_bListening;
};
