#include "app/CHiResTimer.h"

#include "platform/sys/W32Files.h"

CHiResTimer::CHiResTimer() : m_dSecondsPerTick(0.001)
{
    int64_t frequency = 0;
    if (plat::QueryPerformanceFrequency(&frequency) && frequency > 0)
        m_dSecondsPerTick = 1.0 / static_cast<double>(frequency);
}

CHiResTimer::~CHiResTimer() {}

double CHiResTimer::GetTime()
{
    int64_t count = 0;
    if (plat::QueryPerformanceCounter(&count))
        return static_cast<double>(count) * m_dSecondsPerTick;
    // The millisecond clock has its own time base, whatever the counter's
    // frequency was.
    return static_cast<double>(static_cast<uint32_t>(plat::timeGetTime())) * 0.001;
}
