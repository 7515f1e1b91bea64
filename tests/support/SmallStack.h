#pragma once

// Runs a function on a thread of its own with a small stack, so that a walk
// which recursed once per level of a deep hierarchy would run out of it (and
// crash the test) even at depths the main thread's stack would survive.

#include <pthread.h>

#include <cstddef>
#include <functional>

namespace testsupport
{

// False when the thread could not be started with that stack.
inline bool RunOnSmallStack(size_t bytes, const std::function<void()>& work)
{
    struct Call
    {
        static void* Run(void* arg)
        {
            (*static_cast<const std::function<void()>*>(arg))();
            return nullptr;
        }
    };
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        return false;
    bool ok = pthread_attr_setstacksize(&attr, bytes) == 0;
    pthread_t thread;
    ok = ok && pthread_create(&thread, &attr, &Call::Run, const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attr);
    return ok && pthread_join(thread, nullptr) == 0;
}

} // namespace testsupport
