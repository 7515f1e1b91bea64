#pragma once

#include "app/CRefCounted.h"
#include "render/CCamera.h"

// A controller that moves the camera. The game controller keeps one active
// controller: it detaches the old one, attaches the new one, and calls
// Update once per frame.
class ICameraCtrl : public CRefCounted
{
public:
    ICameraCtrl() {}
    ~ICameraCtrl() override {}

    // Takes the camera handle.
    virtual void Attach(CRefPtr<CCamera> camera) { m_pCamera = camera; }
    virtual void Update() = 0;
    // Lets go of the camera.
    virtual void Detach() { m_pCamera.Release(); }

    CRefPtr<CCamera> GetCamera() const { return m_pCamera; }

protected:
    CRefPtr<CCamera> m_pCamera;
};
