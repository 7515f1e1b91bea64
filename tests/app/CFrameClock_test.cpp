#include "app/CFrameClock.h"
#include "app/CGameTimer.h"
#include "app/CHiResTimer.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// A timer whose readings the test sets.
class CFakeTimer : public CHiResTimer
{
public:
    double m_dNow = 100.0;
    double GetTime() override { return m_dNow; }
};

struct FrameClockTest : ::testing::Test
{
    CRefPtr<CFakeTimer> fake{new CFakeTimer};
    CRefPtr<CFrameClock> clock{new CFrameClock(CRefPtr<CHiResTimer>(fake.Get()))};

    void Frame(double dt)
    {
        fake->m_dNow += dt;
        clock->Tick();
    }
};

TEST(HiResTimerTest, RealClockIsMonotonicAndInSeconds)
{
    CRefPtr<CHiResTimer> t(new CHiResTimer);
    const double a = t->GetTime();
    const double b = t->GetTime();
    EXPECT_GE(b, a);
    EXPECT_LT(b - a, 1.0);
}

TEST_F(FrameClockTest, ConstructionDefaults)
{
    EXPECT_DOUBLE_EQ(clock->GetSmoothedFrameTime(), 0.03);
    EXPECT_DOUBLE_EQ(clock->GetTotalTime(), 0.0);
    EXPECT_DOUBLE_EQ(clock->GetSpikeLimit(), 0.2);
    EXPECT_EQ(clock->GetWindowSize(), 1);
    ASSERT_EQ(clock->GetFrameTimes().size(), 1u);
    EXPECT_DOUBLE_EQ(clock->GetFrameTimes().front(), 0.03);
}

TEST_F(FrameClockTest, FirstFrameIsTimeSinceConstruction)
{
    clock->Reset(5, 0.03, 0.2);
    Frame(0.05);
    // Window holds 0.03 and 0.05.
    EXPECT_NEAR(clock->GetSmoothedFrameTime(), 0.04, 1e-12);
    EXPECT_NEAR(clock->GetTotalTime(), 0.04, 1e-12);
}

TEST_F(FrameClockTest, FirstFrameSpikeTakesTheSeededTime)
{
    clock->Reset(5, 0.03, 0.2);
    Frame(3.0); // a long load between construction and the first tick
    EXPECT_DOUBLE_EQ(clock->GetFrameTimes().back(), 0.03);
    EXPECT_DOUBLE_EQ(clock->GetSmoothedFrameTime(), 0.03);
}

TEST_F(FrameClockTest, WindowAverageAndSpikeLimit)
{
    clock->Reset(5, 0.01, 0.2);
    for (int i = 0; i < 5; ++i)
        Frame(0.01);
    EXPECT_NEAR(clock->GetSmoothedFrameTime(), 0.01, 1e-12);
    Frame(0.5);
    EXPECT_NEAR(clock->GetFrameTimes().back(), 0.01, 1e-12);
    EXPECT_NEAR(clock->GetSmoothedFrameTime(), 0.01, 1e-12);
    EXPECT_EQ(clock->GetFrameTimes().size(), 5u);
    // The time stamp moved on: the next normal frame is measured from the spike's end.
    Frame(0.06);
    EXPECT_NEAR(clock->GetFrameTimes().back(), 0.06, 1e-12);
    EXPECT_NEAR(clock->GetSmoothedFrameTime(), (0.01 * 4 + 0.06) / 5, 1e-12);
}

TEST_F(FrameClockTest, SpikeLimitItselfIsTakenUnchanged)
{
    // Exactly representable times so raw equals the limit bit for bit.
    fake->m_dNow = 0.0;
    CRefPtr<CFrameClock> c(new CFrameClock(CRefPtr<CHiResTimer>(fake.Get())));
    c->Reset(1, 0.03, 0.25);
    fake->m_dNow = 0.25;
    c->Tick();
    EXPECT_EQ(c->GetSmoothedFrameTime(), 0.25);
    fake->m_dNow = 0.5 + 1.0 / 1024;
    c->Tick();
    EXPECT_EQ(c->GetSmoothedFrameTime(), 0.25);
}

TEST_F(FrameClockTest, ResetWithWindowZeroActsAsOneAndKeepsTotals)
{
    Frame(0.02);
    const double total = clock->GetTotalTime();
    const double smoothed = clock->GetSmoothedFrameTime();
    clock->Reset(0, 0.1, 0.3);
    EXPECT_EQ(clock->GetWindowSize(), 1);
    EXPECT_DOUBLE_EQ(clock->GetSpikeLimit(), 0.3);
    EXPECT_DOUBLE_EQ(clock->GetTotalTime(), total);
    EXPECT_DOUBLE_EQ(clock->GetSmoothedFrameTime(), smoothed);
    Frame(0.04);
    EXPECT_NEAR(clock->GetSmoothedFrameTime(), 0.04, 1e-12);
    EXPECT_EQ(clock->GetFrameTimes().size(), 1u);
}

TEST_F(FrameClockTest, TotalSumsSmoothedTimes)
{
    clock->Reset(2, 0.02, 0.2);
    Frame(0.04); // mean(0.02, 0.04) = 0.03
    Frame(0.06); // mean(0.04, 0.06) = 0.05
    EXPECT_NEAR(clock->GetTotalTime(), 0.08, 1e-12);
}

TEST_F(FrameClockTest, GameTimerScaleStopAndFps)
{
    clock->Reset(1, 0.02, 0.2);
    CRefPtr<CGameTimer> t(new CGameTimer(clock.Get()));
    CRefPtr<CGameTimer> half(new CGameTimer(clock.Get()));
    half->m_fScale = 0.5f;
    EXPECT_EQ(clock->GetTimerCount(), 2u);
    EXPECT_TRUE(t->IsRunning());
    EXPECT_EQ(t->GetDelta(), 0.0);

    Frame(0.02);
    Frame(0.02);
    EXPECT_NEAR(t->GetDelta(), 0.02, 1e-12);
    EXPECT_NEAR(t->GetTotalTime(), 0.04, 1e-12);
    EXPECT_NEAR(half->GetDelta(), 0.01, 1e-12);
    EXPECT_NEAR(half->GetTotalTime(), 0.02, 1e-12);
    EXPECT_NEAR(half->GetFps(), 50.0, 1e-9);

    t->m_bRunning = false;
    Frame(0.02);
    EXPECT_EQ(t->GetDelta(), 0.0);
    EXPECT_NEAR(t->GetTotalTime(), 0.04, 1e-12);
    EXPECT_NEAR(t->GetFps(), 50.0, 1e-9);

    t->SetRunning(true);
    t->Reset();
    EXPECT_EQ(t->GetTotalTime(), 0.0);
    Frame(0.025);
    EXPECT_NEAR(t->GetTotalTime(), 0.025, 1e-12);
}

TEST_F(FrameClockTest, TimersUpdateInRegistrationOrderAndUnregisterOnDestruction)
{
    std::vector<int> order;
    struct COrderTimer : CGameTimer
    {
        COrderTimer(CFrameClock* c, std::vector<int>* o, int id) : CGameTimer(c), m_pOrder(o), m_iId(id) {}
        void Update() override
        {
            m_pOrder->push_back(m_iId);
            CGameTimer::Update();
        }
        std::vector<int>* m_pOrder;
        int m_iId;
    };
    CRefPtr<CGameTimer> a(new COrderTimer(clock.Get(), &order, 1));
    {
        CRefPtr<CGameTimer> b(new COrderTimer(clock.Get(), &order, 2));
        clock->RegisterTimer(nullptr); // ignored
        clock->Tick();
        EXPECT_EQ(order, (std::vector<int>{1, 2}));
    }
    EXPECT_EQ(clock->GetTimerCount(), 1u);
    clock->RegisterTimer(a.Get()); // twice now
    clock->UnregisterTimer(a.Get());
    EXPECT_EQ(clock->GetTimerCount(), 0u);
    order.clear();
    clock->Tick();
    EXPECT_TRUE(order.empty());
}

TEST_F(FrameClockTest, ZeroFrameTimeGivesZeroFpsAndDeadClockDetaches)
{
    clock->Reset(1, 0.0, 0.2);
    Frame(0.0);
    CRefPtr<CGameTimer> t(new CGameTimer(clock.Get()));
    EXPECT_EQ(t->GetFps(), 0.0);
    clock.Release();
    EXPECT_EQ(t->GetFps(), 0.0);
    t->Update(); // no clock: no change, no crash
    EXPECT_EQ(t->GetTotalTime(), 0.0);
}

} // namespace
