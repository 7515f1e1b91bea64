#pragma once

#include "app/CVector3.h"
#include "game/IGameObj.h"
#include "render/ICameraCtrl.h"

// Carries the camera with a game object: each Update puts the camera at the
// target's position plus an offset and gives it the target's orientation.
// The battle uses offset (0, 0.2, 0) with both flags off: a first-person
// view that takes the player's pitch, yaw and roll.
class CFollowCameraCtrl : public ICameraCtrl
{
public:
    CFollowCameraCtrl() : m_bYawOnly(false), m_bRotateOffset(false) {}

    // The followed object (counted); an empty handle stops the following.
    void SetTarget(const CRefPtr<IGameObj>& target) { m_pTarget = target; }
    // yawOnly: the camera takes only the target's yaw. rotateOffset: the
    // offset turns with the target's yaw.
    void SetOffset(const CVector3& offset, bool yawOnly, bool rotateOffset);
    // Nothing without a camera and a target.
    void Update() override;

    const CRefPtr<IGameObj>& GetTarget() const { return m_pTarget; }
    const CVector3& GetOffset() const { return m_Offset; }

private:
    CRefPtr<IGameObj> m_pTarget;
    CVector3 m_Offset;
    bool m_bYawOnly;
    bool m_bRotateOffset;
};
