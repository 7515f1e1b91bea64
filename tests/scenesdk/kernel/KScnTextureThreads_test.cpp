// Each texture records its own errors: a failed take selection on one
// texture shows on that texture alone, so that two threads, each with a
// manager of its own, never write one record. The suite named Threads*
// runs under ThreadSanitizer in scripts/test.

#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace scenesdk;

namespace
{
struct SFailedSelection
{
    const char* call;
    std::function<bool(KScnTexture&)> select;
    const char* message;
};

const SFailedSelection kFailures[] = {
    {"by name", [](KScnTexture& t) { return t.SelectTakeNodeByName("Missing"); }, "Unknown take node name"},
    {"by index", [](KScnTexture& t) { return t.SelectTakeNodeByIndex(7); }, "Index out of range"},
    {"take out of range", [](KScnTexture& t) { return t.GetTakeNode(3) != nullptr; },
     "Take node does not exist"},
};
} // namespace

// A failure on one texture leaves another texture's record clear, whether
// the two share a manager or not.
TEST(KScnTextureErrors, EachTextureRecordsItsOwnFailures)
{
    KScnSdkManager first;
    KScnSdkManager second;
    for (const SFailedSelection& row : kFailures)
    {
        SCOPED_TRACE(row.call);
        KScnTexture* failing = first.CreateTexture("failing");
        KScnTexture* sameManager = first.CreateTexture("same");
        KScnTexture* otherManager = second.CreateTexture("other");
        EXPECT_FALSE(row.select(*failing));
        EXPECT_EQ(failing->GetError().GetLastErrorID(), 0);
        EXPECT_STREQ(failing->GetError().GetLastErrorString(), row.message);
        for (KScnTexture* clear : {sameManager, otherManager})
        {
            EXPECT_EQ(clear->GetError().GetLastErrorID(), -1) << clear->GetName();
            EXPECT_STREQ(clear->GetError().GetLastErrorString(), "") << clear->GetName();
        }
        EXPECT_TRUE(first.DestroyTexture(failing));
        EXPECT_TRUE(first.DestroyTexture(sameManager));
        EXPECT_TRUE(second.DestroyTexture(otherManager));
    }
}

// Two threads, a manager each, fail selections on their textures at the
// same time (both start once both textures stand); each reads back its own
// failure's message every time.
TEST(ThreadsTextureErrors, TwoManagersFailSelectionsAtOnce)
{
    constexpr int kRounds = 2000;
    std::atomic<int> ready{0};
    std::mutex lock;
    std::string mismatches;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back(
            [&, t]
            {
                KScnSdkManager manager;
                KScnTexture* texture = manager.CreateTexture(("T" + std::to_string(t)).c_str());
                std::string wrong;
                ++ready;
                while (ready.load() < 2)
                    std::this_thread::yield();
                for (int i = 0; i < kRounds; ++i)
                {
                    const SFailedSelection& row = kFailures[(i + t) % 3];
                    row.select(*texture);
                    if (std::string(texture->GetError().GetLastErrorString()) != row.message)
                        wrong += " " + std::to_string(i);
                }
                const std::lock_guard<std::mutex> guard(lock);
                mismatches += wrong;
            });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, "");
}
