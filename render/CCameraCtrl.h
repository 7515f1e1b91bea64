#pragma once

#include "app/CGameTimer.h"
#include "app/IInputListener.h"
#include "render/ICameraCtrl.h"

#include <cstdint>

// The build phase's camera controller: scrolls the camera over the level
// with the arrow keys, or while the mouse lies in the window's outermost
// pixel column or row (the border of the GUI's virtual screen), at a fixed
// speed in world units per second of its game
// timer, keeping the camera position inside a bounding box. The mouse is the
// engine services' GUI manager's last position; a GUI manager without a
// virtual screen (not created) touches no border.
//
// While a camera is attached it is an input listener of the engine services'
// input manager (registered by Attach, removed by Detach or, at the latest,
// by the destructor) and consumes the four arrow keys.
class CCameraCtrl : public ICameraCtrl, public IInputListener
{
public:
    // Arrow-key codes (DirectInput).
    static const uint8_t KEY_UP = 200;
    static const uint8_t KEY_DOWN = 208;
    static const uint8_t KEY_LEFT = 203;
    static const uint8_t KEY_RIGHT = 205;

    // border: width of the scrolling screen border in virtual-screen units,
    // for a cursor that gives no pixel size; otherwise the border is the
    // window's outermost pixel row or column; the bounds box limits the
    // camera position; speed in world units per second of timer time.
    CCameraCtrl(float border, float minX, float minY, float minZ, float maxX, float maxY, float maxZ,
                float speed, CRefPtr<CGameTimer> timer, uint16_t priority);
    // Unregisters the listener when it is still registered.
    ~CCameraCtrl() override;

    // Starts listening (first attach), takes the camera and puts it in the
    // middle of the bounds in x and z, at height 50 (kept inside the y
    // bounds), pitched down by 1.1780972 radians. An empty handle detaches.
    void Attach(CRefPtr<CCamera> camera) override;
    // Stops listening, lets go of the camera, clears the key flags.
    void Detach() override;
    // Scrolls for one frame (nothing without a camera).
    void Update() override;

    // Arrow keys set or clear their flag and are consumed while a camera is
    // attached; every other key, and every key without a camera, is not.
    bool OnKeyDown(uint8_t key) override;
    bool OnKeyUp(uint8_t key) override;

    bool IsListening() const { return m_bListening; }
    // Key flags in the order up, down, left, right.
    bool GetKeyFlag(int i) const { return m_KeyFlags[i] != 0; }

private:
    bool SetKey(uint8_t key, uint8_t down);
    void ClearKeys();
    // Moves the camera along axis with y dropped, normalised, by step.
    void MoveFlat(CVector3 axis, float step);
    // The cursor, fromEdge (toEdge) virtual units from the screen's start
    // (end), lies in the window's outermost pixel column or row there; pixel:
    // a pixel's size in virtual units (0: unknown, the border decides).
    bool AtNearEdge(float fromEdge, float pixel) const;
    bool AtFarEdge(float toEdge, float pixel) const;

    float m_Bounds[6];
    float m_fBorder;
    float m_fSpeed;
    uint8_t m_KeyFlags[4];
    CRefPtr<CGameTimer> m_pTimer;
    bool m_bListening;
};
