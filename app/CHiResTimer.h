#pragma once

#include "app/CRefCounted.h"

// Wall-clock time in seconds from the platform's monotonic performance
// counter. Only differences between two readings mean anything.
class CHiResTimer : public CRefCounted
{
public:
    // Reads the counter's rate once.
    CHiResTimer();
    ~CHiResTimer() override;

    // Seconds since an arbitrary fixed point. Falls back to the millisecond
    // clock when the counter cannot be read.
    virtual double GetTime();

private:
    double m_dSecondsPerTick;
};
