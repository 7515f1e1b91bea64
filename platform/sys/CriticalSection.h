#pragma once

// Win32 critical sections over the C++ standard library. A critical section is
// re-entrant: the thread that holds it may enter it again, and must leave it
// as many times as it entered.

#include <mutex>

namespace plat
{

typedef int BOOL;

// Opaque to callers: use only through the functions below. Not copyable.
struct CRITICAL_SECTION
{
    std::recursive_mutex mutex;
};

typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

// Prepares a critical section for use. The object must not be in use.
void InitializeCriticalSection(LPCRITICAL_SECTION section);
// Ends the use of a critical section; no thread may hold it.
void DeleteCriticalSection(LPCRITICAL_SECTION section);
// Waits until the calling thread owns the section (at once when it already does).
void EnterCriticalSection(LPCRITICAL_SECTION section);
// Takes the section when no other thread owns it; nonzero on success.
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
// Gives up one level of ownership.
void LeaveCriticalSection(LPCRITICAL_SECTION section);

// Scope guard: enters in the constructor, leaves in the destructor.
class CriticalSectionLock
{
public:
    explicit CriticalSectionLock(LPCRITICAL_SECTION section) : m_Section(section)
    {
        EnterCriticalSection(m_Section);
    }
    ~CriticalSectionLock() { LeaveCriticalSection(m_Section); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    LPCRITICAL_SECTION m_Section;
};

} // namespace plat
