#include "app/CFrameClock.h"
#include "app/CSteppedTimer.h"

#include <gtest/gtest.h>

TEST(SteppedTimerTest, ClockOfAReplayRunSeesFramesOfExactlyOneSixtieth)
{
    CRefPtr<CFrameClock> clock(new CFrameClock(CRefPtr<CHiResTimer>(new CSteppedTimer(1.0 / 60.0))));
    // As the application sets it up for a replay run.
    clock->Reset(5, 1.0 / 60.0, 0.2);
    for (int i = 0; i < 600; ++i)
    {
        clock->Tick();
        // Differences of growing readings: exact but for a double's last bits.
        ASSERT_NEAR(clock->GetSmoothedFrameTime(), 1.0 / 60.0, 1e-12) << "frame " << i;
    }
    // Ten seconds of game time whatever the wall clock did.
    EXPECT_NEAR(clock->GetTotalTime(), 10.0, 1e-9);
}

TEST(SteppedTimerTest, OnlyAPlainDecimalNumberAsksForAReplay)
{
    uint32_t seed = 7;
    EXPECT_TRUE(ParseTestSeed("0", seed));
    EXPECT_EQ(seed, 0u);
    EXPECT_TRUE(ParseTestSeed("4294967295", seed));
    EXPECT_EQ(seed, 4294967295u);
    EXPECT_TRUE(ParseTestSeed("12345", seed));
    EXPECT_EQ(seed, 12345u);
    // Unset, empty, signed, out of range or with trailing text: no replay,
    // and the seed is left alone.
    for (const char* text : {static_cast<const char*>(nullptr), "", " 1", "-1", "+1", "4294967296",
                             "99999999999999999999999", "12x", "1 ", "x"})
    {
        seed = 99;
        EXPECT_FALSE(ParseTestSeed(text, seed)) << (text ? text : "(null)");
        EXPECT_EQ(seed, 99u);
    }
}
