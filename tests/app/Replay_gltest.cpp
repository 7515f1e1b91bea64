// Replayable runs: with VOSTREL_TEST_SEED set, the real application object
// plays the same battle twice, frame for frame, to the same state (score,
// birds, statue, the nearest bird's position to the last digit), however
// fast the frames ran.

#include "app/CTestObserver.h"
#include "app/CVostrelApp.h"
#include "game/CBuildState.h"
#include "game/CMainMenuState.h"
#include "game/CNewLevelState.h"
#include "platform/win32/W32Events.h"
#include "platform/win32/W32Window.h"
#include "tests/app/PlaythroughSupport.h"

#include <sstream>

namespace
{

class ReplayApp : public CVostrelApp
{
public:
    ReplayApp() { m_hInstance = plat::GetModuleHandleA(nullptr); }
    // One turn of the run loop: the queued messages, then a frame.
    bool Turn()
    {
        plat::MSG msg;
        while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE))
        {
            plat::TranslateMessage(&msg);
            plat::DispatchMessageA(&msg);
        }
        return Frame();
    }
};

// The observation without the lines that depend on the machine.
std::string Outcome(CGameCtrl& game)
{
    std::istringstream in(CTestObserver("").Describe(game));
    std::string line, kept;
    while (std::getline(in, line))
        if (line.rfind("rss_kb", 0) != 0 && line.rfind("frame", 0) != 0)
            kept += line + "\n";
    return kept;
}

class Replay : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        if (testsupport::kSanitizedBuild)
            GTEST_SKIP() << "run by the optimised pass of scripts/test";
        ASSERT_TRUE(testsupport::GenerateGameData(m_Dir));
        // The playthrough's level, in a window of the shared X server.
        std::string settings = testsupport::PlaythroughSettings(1);
        settings.replace(settings.find("fullscreen = true"), 17, "fullscreen = false");
        m_Dir.WriteFile("settings.ini", settings);
        setenv("VOSTREL_TEST_SEED", "7", 1);
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
    }
    void TearDown() override
    {
        unsetenv("VOSTREL_TEST_SEED");
        plat::DiscardMessages();
    }

    // New game, Continue, straight to the battle, `frames` frames of it.
    std::string Play(int frames)
    {
        ReplayApp app;
        if (!app.Create())
            return "no start";
        CGameCtrl& game = app.GetGameCtrl();
        app.Turn();
        game.GetMainMenuState()->OnNewGame(0);
        for (int i = 0; i < 10 && !game.GetNewLevelState()->IsLevelReady(); ++i)
            app.Turn();
        game.GetNewLevelState()->OnContinue(0);
        app.Turn();
        game.GetBuildState()->OnToBattle(0);
        for (int i = 0; i < frames; ++i)
            if (!app.Turn())
                return "ended early";
        const std::string outcome = Outcome(game);
        app.Destroy();
        return outcome;
    }
};

TEST_F(Replay, SameSeedSameBattle)
{
    // Four seconds of battle: the flock spawned at random offsets, each
    // kamikaze chose a random building and dived at it.
    const std::string first = Play(240);
    const std::string second = Play(240);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("state battle"), std::string::npos) << first;
    EXPECT_EQ(first.find("bird none"), std::string::npos) << first;
}

} // namespace
