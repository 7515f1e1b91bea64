#include "app/CGameTimer.h"

#include "app/CFrameClock.h"

CGameTimer::CGameTimer(CFrameClock* clock)
    : m_pClock(clock), m_dTotalTime(0.0), m_dDelta(0.0), m_bRunning(true), m_fScale(1.0f)
{
    if (m_pClock)
        m_pClock->RegisterTimer(this);
}

CGameTimer::~CGameTimer()
{
    if (m_pClock)
        m_pClock->UnregisterTimer(this);
}

void CGameTimer::Update()
{
    if (!m_bRunning || !m_pClock)
        return;
    m_dDelta = static_cast<double>(m_fScale) * m_pClock->GetSmoothedFrameTime();
    m_dTotalTime += m_dDelta;
}

double CGameTimer::GetDelta() const
{
    return m_bRunning ? m_dDelta : 0.0;
}

double CGameTimer::GetFps() const
{
    if (!m_pClock)
        return 0.0;
    const double t = m_pClock->GetSmoothedFrameTime();
    return t != 0.0 ? 1.0 / t : 0.0;
}

void CGameTimer::Reset()
{
    m_dTotalTime = 0.0;
}
