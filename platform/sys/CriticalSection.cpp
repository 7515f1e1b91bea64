#include "platform/sys/CriticalSection.h"

namespace plat
{

// The mutex is built with the structure, so initialisation and deletion have
// nothing left to do; they are kept so that calling code reads as on Windows.
void InitializeCriticalSection(LPCRITICAL_SECTION) {}

void DeleteCriticalSection(LPCRITICAL_SECTION) {}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    section->mutex.lock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    return section->mutex.try_lock() ? 1 : 0;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    section->mutex.unlock();
}

} // namespace plat
