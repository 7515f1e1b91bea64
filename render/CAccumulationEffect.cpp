#include "render/CAccumulationEffect.h"

#include "platform/gl/GL.h"

bool CAccumulationEffect::Init(uint8_t passCount, CRefPtr<CRefCounted> camera)
{
    m_pCamera = camera;
    // 1 / 0 would make every pass infinitely bright.
    m_bPassCount = passCount == 0 ? 1 : passCount;
    glClearAccum(0.0f, 0.0f, 0.0f, 0.0f);
    return true;
}

void CAccumulationEffect::Begin()
{
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
    m_cPassCounter = 0;
}

void CAccumulationEffect::Accumulate()
{
    glAccum(GL_ACCUM, GetPassWeight());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ++m_cPassCounter;
}

void CAccumulationEffect::Finish()
{
    glAccum(GL_RETURN, 1.0f);
    m_cPassCounter = 0;
}
