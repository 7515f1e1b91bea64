#pragma once

#include "app/CHiResTimer.h"
#include "app/CRefCounted.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class CGameTimer;

// The program's one source of frame time. Ticked once at the start of every
// frame, it turns raw frame durations into a smoothed frame time (the mean of
// the last `window` frame times, a single frame longer than the spike limit
// counting as a copy of the frame before it) and a running total, then updates
// every registered CGameTimer in order of registration. All times in seconds.
class CFrameClock : public CRefCounted
{
public:
    // Samples the timer once; window 1 holding 0.03, spike limit 0.2,
    // smoothed time 0.03, total 0.
    explicit CFrameClock(const CRefPtr<CHiResTimer>& timer);
    // Timers still registered are detached (they then report no frame rate).
    ~CFrameClock() override;

    // Window size (0 means 1), the queue's single first frame time and the
    // spike limit. Smoothed time, total and time stamp are kept.
    void Reset(uint8_t windowSize, double firstFrameTime, double spikeLimit);
    void Tick();

    // Appends a non-null timer (not owned, not counted).
    void RegisterTimer(CGameTimer* timer);
    // Removes every occurrence of the timer.
    void UnregisterTimer(CGameTimer* timer);

    double GetSmoothedFrameTime() const { return m_dSmoothedFrameTime; }
    double GetTotalTime() const { return m_dTotalTime; }
    double GetSpikeLimit() const { return m_dSpikeLimit; }
    uint8_t GetWindowSize() const { return m_ucWindowSize; }
    const std::deque<double>& GetFrameTimes() const { return m_FrameTimes; }
    size_t GetTimerCount() const { return m_Timers.size(); }

private:
    CRefPtr<CHiResTimer> m_pTimer;
    double m_dTotalTime;
    double m_dSmoothedFrameTime;
    double m_dSpikeLimit;
    double m_dTimeStamp;
    uint8_t m_ucWindowSize;
    std::deque<double> m_FrameTimes; // oldest first
    std::vector<CGameTimer*> m_Timers;
};
