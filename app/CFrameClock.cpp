#include "app/CFrameClock.h"

#include "app/CGameTimer.h"

#include <algorithm>
#include <numeric>

CFrameClock::CFrameClock(const CRefPtr<CHiResTimer>& timer)
    : m_pTimer(timer), m_dTotalTime(0.0), m_dSmoothedFrameTime(0.0), m_dSpikeLimit(0.2), m_dTimeStamp(0.0),
      m_ucWindowSize(1)
{
    if (m_pTimer)
        m_dTimeStamp = m_pTimer->GetTime();
    m_FrameTimes.push_back(0.03);
    m_dSmoothedFrameTime = 0.03;
}

CFrameClock::~CFrameClock()
{
    for (CGameTimer* t : m_Timers)
        t->m_pClock = nullptr;
}

void CFrameClock::Reset(uint8_t windowSize, double firstFrameTime, double spikeLimit)
{
    m_ucWindowSize = windowSize == 0 ? 1 : windowSize;
    m_FrameTimes.clear();
    m_FrameTimes.push_back(firstFrameTime);
    m_dSpikeLimit = spikeLimit;
}

void CFrameClock::Tick()
{
    const double now = m_pTimer ? m_pTimer->GetTime() : m_dTimeStamp;
    double frame = now - m_dTimeStamp;
    // A spike (a load, a window drag) counts as a copy of the previous frame.
    if (frame > m_dSpikeLimit && !m_FrameTimes.empty())
        frame = m_FrameTimes.back();
    m_dTimeStamp = now;

    m_FrameTimes.push_back(frame);
    if (m_FrameTimes.size() > m_ucWindowSize)
        m_FrameTimes.pop_front();

    m_dSmoothedFrameTime = std::accumulate(m_FrameTimes.begin(), m_FrameTimes.end(), 0.0) /
                           static_cast<double>(m_FrameTimes.size());
    m_dTotalTime += m_dSmoothedFrameTime;

    // By index: an Update that registers or unregisters timers cannot
    // invalidate the loop.
    for (size_t i = 0; i < m_Timers.size(); ++i)
        m_Timers[i]->Update();
}

void CFrameClock::RegisterTimer(CGameTimer* timer)
{
    if (timer)
        m_Timers.push_back(timer);
}

void CFrameClock::UnregisterTimer(CGameTimer* timer)
{
    m_Timers.erase(std::remove(m_Timers.begin(), m_Timers.end(), timer), m_Timers.end());
}
