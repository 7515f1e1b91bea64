#pragma once

#include "app/CRefCounted.h"

class CFrameClock;

// A scaled, pausable view of the frame clock's smoothed time. The clock calls
// Update once per tick; owners read the per-frame delta and the total. The
// running flag and the scale are plain members the owner writes directly.
class CGameTimer : public CRefCounted
{
public:
    // Registers with the clock (which must outlive the timer, or detach it
    // when it goes first). A null clock gives a timer that never advances.
    explicit CGameTimer(CFrameClock* clock);
    // Unregisters from the clock.
    ~CGameTimer() override;

    // While running: delta = scale x smoothed frame time, total += delta.
    // Stopped: nothing changes.
    virtual void Update();

    // Delta of the last update while running, 0 while stopped.
    double GetDelta() const;
    // 1 / the clock's smoothed frame time, whatever the scale and running
    // state; 0 when that time is 0 or there is no clock.
    double GetFps() const;
    // Total = 0.
    void Reset();
    double GetTotalTime() const { return m_dTotalTime; }

    bool IsRunning() const { return m_bRunning; }
    void SetRunning(bool running) { m_bRunning = running; }
    float GetScale() const { return m_fScale; }
    void SetScale(float scale) { m_fScale = scale; }

private:
    friend class CFrameClock;

    CFrameClock* m_pClock;
    double m_dTotalTime;
    double m_dDelta;

public:
    bool m_bRunning;
    float m_fScale;
};
