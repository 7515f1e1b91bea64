#pragma once

#include "app/CMatrix4.h"
#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "render/CFrustum.h"

// The game camera: a perspective projection and a view built from a position
// and Euler angles (radians, x pitch, y yaw, z roll). Position and angles are
// stored negated, as the view matrix uses them: view =
// SetViewRotation(-rotation) x SetTranslation(-position).
//
// The view and the axes are rebuilt lazily: position changes invalidate the
// view, rotation changes the view and the axes. The frustum is recomputed on
// every request. Main thread only.
class CCamera : public CRefCounted
{
public:
    CCamera();
    ~CCamera() override;

    // fov is the full vertical angle in radians.
    void SetPerspective(float fov, float aspect, float zNear, float zFar);
    void SetPosition(const CVector3& position);
    void SetRotation(const CVector3& rotation);
    // Moves the position by offset.
    void Move(const CVector3& offset);

    CVector3 GetPosition() const { return -m_Eye; }
    CVector3 GetRotation() const { return -m_Angles; }
    // The negated angles the view rotation is built from.
    const CVector3& GetViewAngles() const { return m_Angles; }

    // World-space axes of the view (unit length), rebuilt when invalid:
    // right = row 0 of the view, up = row 1, forward = -row 2.
    CVector3 GetUp();
    CVector3 GetRight();
    CVector3 GetForward();

    // Rebuilds view and axes unless both are valid.
    void UpdateView();
    bool IsViewValid() const { return m_bViewValid; }
    bool AreAxesValid() const { return m_bAxesValid; }

    // Loads the projection and then the view (rebuilt first when invalid)
    // into the renderer's projection and model-view stacks. Nothing without
    // the engine services' renderer.
    void Apply();

    // The planes of projection x view, recomputed on every call (the view is
    // rebuilt first when invalid, so the planes always match the camera).
    CFrustum GetFrustum();

    // The world-space unit direction of the ray through the screen point
    // (u, v), both 0..1 from the top-left corner: the view-space ray
    // (x, y, -1) with x = (2u - 1) / P0 and y = -(2v - 1) / P5 carried into
    // world space by the inverse (transposed) view rotation. A projection
    // with P0 or P5 of 0 gives the forward axis.
    void GetPickRay(CVector3& direction, float u, float v);

    const CMatrix4& GetProjection() const { return m_Projection; }
    // The view matrix, rebuilt first when invalid.
    const CMatrix4& GetView();

private:
    CMatrix4 m_Projection;
    CMatrix4 m_View;
    CVector3 m_Eye;
    CVector3 m_Angles;
    CFrustum m_Frustum;
    CVector3 m_Up;
    CVector3 m_Forward;
    CVector3 m_Right;
    bool m_bAxesValid;
    bool m_bViewValid;
};
