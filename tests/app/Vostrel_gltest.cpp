// The game executable end to end, each run on an X server of its own (so
// that no other test's window takes the keyboard focus), with real X key
// events from xdotool.

#include "tests/app/VostrelProcess.h"

namespace
{

class VostrelRun : public testsupport::VostrelOnXTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(VostrelOnXTest::SetUp());
        m_Dir.WriteFile("Error.log", "old run\n");
        m_Dir.WriteFile("Debug.log", "old debug\n");
    }

    // Starts the game on a private X server, waits for its window, runs
    // `action` (with $pid set), and returns the game's exit code. Xvfb picks
    // a free display itself (-displayfd), so parallel runs cannot collide.
    // env: variables set for the game ("NAME=value ...").
    int RunWith(const std::string& action, const std::string& env = "")
    {
        m_Dir.WriteFile("script.sh",
                        "#!/bin/sh\n"
                        "Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset "
                        "3>display.txt 2>xvfb.txt &\n"
                        "xpid=$!\n"
                        "i=0; while [ ! -s display.txt ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i+1)); done\n"
                        "export DISPLAY=:$(head -n1 display.txt)\n" +
                            env + " timeout 120 '" +
                            m_Exe +
                            "' </dev/null >out.txt 2>err.txt & pid=$!\n"
                            "timeout 60 xdotool search --sync --onlyvisible --name '^" +
                            testsupport::kEndToEndTitle + "$' >/dev/null\n" +
                            action +
                            "\n"
                            "wait $pid; echo $? > rc.txt\n"
                            "kill $xpid; wait $xpid 2>/dev/null\n"
                            "exit 0\n");
        const int shell = testsupport::RunShell("VOSTREL_NO_MESSAGEBOX=1 timeout 240 sh script.sh");
        EXPECT_EQ(shell, 0) << testsupport::TempDir::ReadFile(m_Dir.Path() + "/xvfb.txt");
        const std::string rc = testsupport::TempDir::ReadFile(m_Dir.Path() + "/rc.txt");
        return rc.empty() ? -1000 : std::atoi(rc.c_str());
    }
};

TEST_F(VostrelRun, EscapeQuitsWithZero)
{
    // Pressed until the game is gone: the first press may come before the
    // window has the focus and its keyboard is acquired.
    const int rc = RunWith("i=0; while kill -0 $pid 2>/dev/null && [ $i -lt 100 ]; do "
                           "xdotool key Escape; sleep 0.3; i=$((i+1)); done");
    EXPECT_EQ(rc, 0) << testsupport::TempDir::ReadFile(m_Dir.Path() + "/err.txt");
    EXPECT_FALSE(testsupport::TempDir::FileExists(m_Dir.Path() + "/Error.log"))
        << testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log");
    EXPECT_FALSE(testsupport::TempDir::FileExists(m_Dir.Path() + "/Debug.log"));
}

TEST_F(VostrelRun, TerminationClosesTheWindowAndQuitsWithZero)
{
    // SIGTERM becomes SDL's quit event, which closes the window.
    const int rc = RunWith("sleep 1; kill -TERM $pid");
    EXPECT_EQ(rc, 0) << testsupport::TempDir::ReadFile(m_Dir.Path() + "/err.txt");
    EXPECT_FALSE(testsupport::TempDir::FileExists(m_Dir.Path() + "/Error.log"));
}

TEST_F(VostrelRun, OtherKeysDoNotQuit)
{
    const int rc = RunWith("xdotool key a space Return; sleep 1; kill -0 $pid && echo alive > alive.txt; "
                           "kill -TERM $pid");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(testsupport::TempDir::ReadFile(m_Dir.Path() + "/alive.txt"), "alive\n");
}

// "New game" with a sky model that is no scene file: the set-up of the
// first level fails, and the program ends as a failed start-up does.
TEST_F(VostrelRun, AFailedLevelSetUpEndsAsAFailedStartUp)
{
    // Clicked until the game is gone: the first click may come before the
    // window has the pointer.
    const int rc =
        RunWith("wid=$(xdotool search --onlyvisible --name '^" + std::string(testsupport::kEndToEndTitle) +
                "$' | head -n1); i=0; while kill -0 $pid 2>/dev/null && [ $i -lt 100 ]; do "
                "xdotool mousemove --window $wid 400 375 click 1; sleep 0.5; i=$((i+1)); done",
                // The GL driver keeps memory past a failed start-up's exit.
                "ASAN_OPTIONS=detect_leaks=0");
    EXPECT_EQ(rc, 255) << testsupport::TempDir::ReadFile(m_Dir.Path() + "/err.txt");
    EXPECT_NE(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log")
                  .find("Error: pEnvironment->Create failed in CNewLevelState::Update\n"),
              std::string::npos);
}

} // namespace
