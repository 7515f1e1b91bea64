#include "platform/sys/CriticalSection.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace plat;

TEST(CriticalSectionTest, IsReentrantForItsOwner)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_NE(TryEnterCriticalSection(&cs), 0);
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    // Still held once: another thread cannot take it.
    BOOL other = 1;
    std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
    EXPECT_EQ(other, 0);
    LeaveCriticalSection(&cs);
    std::thread(
        [&]
        {
            other = TryEnterCriticalSection(&cs);
            if (other)
                LeaveCriticalSection(&cs);
        })
        .join();
    EXPECT_NE(other, 0);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSectionTest, SerialisesThreads)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < 20000; ++i)
                {
                    CriticalSectionLock lock(&cs);
                    ++counter;
                }
            });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 80000);
    DeleteCriticalSection(&cs);
}
