#include "render/CCamera.h"

#include "app/CEngineServices.h"

CCamera::CCamera() : m_bAxesValid(false), m_bViewValid(false)
{
    m_Forward = CVector3(0.0f, 0.0f, -1.0f);
    m_Up = CVector3(0.0f, 1.0f, 0.0f);
    m_Right = CVector3(1.0f, 0.0f, 0.0f);
}

CCamera::~CCamera() {}

void CCamera::SetPerspective(float fov, float aspect, float zNear, float zFar)
{
    m_Projection.SetPerspective(fov, aspect, zNear, zFar);
}

void CCamera::SetPosition(const CVector3& position)
{
    m_Eye = -position;
    m_bViewValid = false;
}

void CCamera::SetRotation(const CVector3& rotation)
{
    m_Angles = -rotation;
    m_bViewValid = false;
    m_bAxesValid = false;
}

void CCamera::Move(const CVector3& offset)
{
    m_Eye -= offset;
    m_bViewValid = false;
}

CVector3 CCamera::GetUp()
{
    if (!m_bAxesValid)
        UpdateView();
    return m_Up;
}

CVector3 CCamera::GetRight()
{
    if (!m_bAxesValid)
        UpdateView();
    return m_Right;
}

CVector3 CCamera::GetForward()
{
    if (!m_bAxesValid)
        UpdateView();
    return m_Forward;
}

void CCamera::UpdateView()
{
    if (m_bViewValid && m_bAxesValid)
        return;
    CMatrix4 rotation, translation;
    rotation.SetViewRotation(m_Angles);
    translation.SetTranslation(m_Eye);
    m_View.Multiply(rotation, translation);
    const float* m = m_View.m;
    m_Right = CVector3(m[0], m[4], m[8]);
    m_Up = CVector3(m[1], m[5], m[9]);
    m_Forward = CVector3(-m[2], -m[6], -m[10]);
    m_bViewValid = true;
    m_bAxesValid = true;
}

const CMatrix4& CCamera::GetView()
{
    if (!m_bViewValid)
        UpdateView();
    return m_View;
}

void CCamera::Apply()
{
    if (!m_bViewValid)
        UpdateView();
    CEngineServices* services = CEngineServices::GetInstance();
    CRefPtr<IRenderer> renderer = services ? services->GetRenderer() : CRefPtr<IRenderer>();
    if (!renderer)
        return;
    renderer->SetMatrixMode(0);
    renderer->LoadMatrix(m_Projection);
    renderer->SetMatrixMode(1);
    renderer->LoadMatrix(m_View);
}

CFrustum CCamera::GetFrustum()
{
    CMatrix4 clip;
    clip.Multiply(m_Projection, GetView());
    m_Frustum.SetFromMatrix(clip);
    return m_Frustum;
}

void CCamera::GetPickRay(CVector3& direction, float u, float v)
{
    if (!m_bViewValid || !m_bAxesValid)
        UpdateView();
    const float p0 = m_Projection.m[0];
    const float p5 = m_Projection.m[5];
    const double x = p0 != 0.0f ? (2.0 * u - 1.0) / p0 : 0.0;
    const double y = p5 != 0.0f ? -(2.0 * v - 1.0) / p5 : 0.0;
    // World direction = transposed view rotation x (x, y, -1): column i of
    // the transpose is row i of the view, i.e. right, up and -forward.
    const float* m = m_View.m;
    CVector3 d(static_cast<float>(x * m[0] + y * m[1] - m[2]), static_cast<float>(x * m[4] + y * m[5] - m[6]),
               static_cast<float>(x * m[8] + y * m[9] - m[10]));
    d.Normalize();
    direction = d;
}
