// The game ends, with its exit status and log line, when it is told to
// (SIGTERM) and when its X server goes away, during play or in the middle of
// its shutdown: nothing may wait on a dead display connection (a hang shows
// as a game still running after a generous deadline). Each run gets an X
// server of its own, which the test kills.

#include "platform/win32/W32DisplayLoss.h"
#include "tests/app/VostrelProcess.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long the game may take to end after it was told to or lost its
// display before it counts as hung: generous, as a loaded machine may run
// its last frames slowly; the tests are about ending, not about speed.
constexpr int kEndMs = 60000;
constexpr int kStillRunning = -9999;

class VostrelShutdown : public testsupport::VostrelOnXTest
{
protected:
    // The game and the X server are children of the test: one still running
    // at the end is killed (a game fails the test).
    void TearDown() override
    {
        if (m_Game > 0)
        {
            kill(m_Game, SIGKILL);
            waitpid(m_Game, nullptr, 0);
            ADD_FAILURE() << "the game was still running at the end of the test";
        }
        StopX();
        VostrelOnXTest::TearDown();
    }

    // Starts an X server and the game on it, and waits until the game's
    // window shows.
    void Start()
    {
        m_X = testsupport::StartXvfb(m_Display);
        ASSERT_GT(m_X, 0) << ReadFile("xvfb.txt");
        m_Game = testsupport::Spawn(
            {m_Exe}, {{"DISPLAY", m_Display}, {"VOSTREL_NO_MESSAGEBOX", "1"}, {"SDL_AUDIODRIVER", "dummy"}},
            "out.txt", "err.txt");
        ASSERT_GT(m_Game, 0);
        const std::string search = "DISPLAY=" + m_Display + " xdotool search --onlyvisible --name '^" +
                                   testsupport::kEndToEndTitle + "$' >/dev/null 2>&1";
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (testsupport::RunShell(search) != 0)
        {
            int code = 0;
            if (testsupport::WaitForExit(m_Game, 0, code))
            {
                m_Game = -1;
                FAIL() << "the game ended with " << code
                       << " before its window showed: " << ReadFile("err.txt");
            }
            ASSERT_LT(Clock::now(), deadline) << "no game window: " << ReadFile("err.txt");
            std::this_thread::sleep_for(milliseconds(50));
        }
    }

    // Waits until kEndMs after `since` for the game to end: its exit code,
    // or kStillRunning (TearDown kills it then).
    int GameEnd(Clock::time_point since)
    {
        const auto left =
            std::chrono::duration_cast<milliseconds>(since + milliseconds(kEndMs) - Clock::now());
        int code = 0;
        if (!testsupport::WaitForExit(m_Game, std::max<int>(0, static_cast<int>(left.count())), code))
            return kStillRunning;
        m_Game = -1;
        return code;
    }

    void StopX()
    {
        if (m_X <= 0)
            return;
        kill(m_X, SIGKILL);
        waitpid(m_X, nullptr, 0);
        m_X = -1;
    }

    std::string ReadFile(const char* name) const
    {
        return testsupport::TempDir::ReadFile(m_Dir.Path() + "/" + name);
    }

    std::string m_Display;
    pid_t m_X = -1;
    pid_t m_Game = -1;
};

TEST_F(VostrelShutdown, LosingTheDisplayDuringPlayEndsTheGameWithOneLogLine)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::this_thread::sleep_for(milliseconds(300)); // a few frames
    const auto lost = Clock::now();
    kill(m_X, SIGKILL);
    const int rc = GameEnd(lost);
    ASSERT_NE(rc, kStillRunning) << "the game still ran " << kEndMs << " ms after its display went away";
    EXPECT_EQ(rc, plat::kDisplayLostExitCode) << ReadFile("err.txt");
    EXPECT_EQ(ReadFile("Error.log"), std::string(plat::DisplayLostMessage()) + "\n");
}

TEST_F(VostrelShutdown, DisplayGoingAwayWhileTheGameShutsDownEndsIt)
{
    // The X server goes away at different points of the game's shutdown
    // (which takes about a tenth of a second), killed or told to stop.
    const int delaysMs[] = {0, 10, 40, 100};
    for (int round = 0; round < 4; ++round)
    {
        SCOPED_TRACE("X server gone " + std::to_string(delaysMs[round]) + " ms after SIGTERM" +
                     (round % 2 ? " (SIGTERM)" : " (SIGKILL)"));
        ASSERT_NO_FATAL_FAILURE(Start());
        const auto told = Clock::now();
        kill(m_Game, SIGTERM);
        std::this_thread::sleep_for(milliseconds(delaysMs[round]));
        kill(m_X, round % 2 ? SIGTERM : SIGKILL);
        const int rc = GameEnd(told);
        ASSERT_NE(rc, kStillRunning) << "the game still ran " << kEndMs << " ms after SIGTERM";
        // 0 when the shutdown was through before the connection broke.
        if (rc == 0)
            EXPECT_FALSE(testsupport::TempDir::FileExists(m_Dir.Path() + "/Error.log"))
                << ReadFile("Error.log");
        else
        {
            EXPECT_EQ(rc, plat::kDisplayLostExitCode) << ReadFile("err.txt");
            EXPECT_EQ(ReadFile("Error.log"), std::string(plat::DisplayLostMessage()) + "\n");
        }
        StopX();
    }
}

TEST_F(VostrelShutdown, TerminationAloneEndsWithZeroPromptly)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::this_thread::sleep_for(milliseconds(300));
    const auto told = Clock::now();
    kill(m_Game, SIGTERM);
    const int rc = GameEnd(told);
    ASSERT_NE(rc, kStillRunning) << "the game still ran " << kEndMs << " ms after SIGTERM";
    EXPECT_EQ(rc, 0) << ReadFile("err.txt");
    EXPECT_FALSE(testsupport::TempDir::FileExists(m_Dir.Path() + "/Error.log")) << ReadFile("Error.log");
}

} // namespace
