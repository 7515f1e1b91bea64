// The game program itself on a private X server, with the generated data and
// the shipped settings, driven by real X mouse clicks (xdotool) and looked
// at through screenshots (xwd).

#include "tests/app/VostrelProcess.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/XwdImage.h"
#include "tools/datagen/CDataGenerator.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

class GameScreens : public testsupport::VostrelOnXTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(VostrelOnXTest::SetUp());
        ASSERT_EQ(testsupport::RunShell("command -v xwd >/dev/null"), 0)
            << "xwd is needed (scripts/setup installs x11-apps)";
        CDataGenerator generator(m_Dir.Path() + "/Data", testsupport::RepoRoot() + "/tools/data");
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool generated = generator.Generate();
        testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(generated);
        std::string settings = testsupport::TempDir::ReadFile(testsupport::RepoRoot() + "/settings.ini");
        const std::string title = "title = Vostrel";
        settings.replace(settings.find(title), title.size(), "title = Vostrel Screens");
        m_Dir.WriteFile("settings.ini", settings);
    }

    // Starts the game, clicks at window points (x y pairs, one line of the
    // script each, with the pauses between them), takes screenshots named in
    // the script, then ends the game with SIGTERM; the exit code.
    int Run(const std::string& actions)
    {
        m_Dir.WriteFile("script.sh",
                        "#!/bin/sh\n"
                        "Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>display.txt 2>xvfb.txt &\n"
                        "xpid=$!\n"
                        "i=0; while [ ! -s display.txt ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i+1)); done\n"
                        "export DISPLAY=:$(head -n1 display.txt)\n"
                        "export SDL_AUDIODRIVER=dummy\n"
                        "timeout 200 '" +
                            m_Exe +
                            "' </dev/null >out.txt 2>err.txt & pid=$!\n"
                            "wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Vostrel Screens$' | "
                            "head -n1)\n"
                            "click() { xdotool mousemove --window $wid $1 $2; sleep 0.3; xdotool click 1; }\n"
                            "shot() { xwd -id $wid -silent > $1; }\n" +
                            actions +
                            "\nkill -TERM $pid\n"
                            "wait $pid; echo $? > rc.txt\n"
                            "kill $xpid; wait $xpid 2>/dev/null\n"
                            "exit 0\n");
        const int shell = testsupport::RunShell("VOSTREL_NO_MESSAGEBOX=1 timeout 280 sh script.sh");
        EXPECT_EQ(shell, 0) << testsupport::TempDir::ReadFile(m_Dir.Path() + "/xvfb.txt");
        const std::string rc = testsupport::TempDir::ReadFile(m_Dir.Path() + "/rc.txt");
        return rc.empty() ? -1000 : std::atoi(rc.c_str());
    }
};

// True when some pixel of the rectangle is within tolerance of the colour.
bool Near(const testsupport::XwdImage& image, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance)
{
    return image.HasColourNear(x0, y0, x1, y1, r, g, b, tolerance);
}

// New game, the level's loading screen, Continue: the build phase shows the
// generated world under the bar of demanded buildings; a house dragged with
// the real mouse follows it (drawn red over the statue, where it cannot
// stand) and is placed with a click; the arrow keys scroll the camera to the
// forest.
TEST_F(GameScreens, NewGameLeadsToTheBuildPhaseOverTheGeneratedWorld)
{
    // Buttons in the 1000 x 1000 virtual screen over the 1024 x 768 window:
    // "New game" at (500, 625), "Continue" at (500, 825), the demanded
    // citizen button at (35, 110) of the top bar.
    const int rc = Run("sleep 2; click 512 480; sleep 12; click 512 633; sleep 4; shot build.xwd\n"
                       "click 36 84; xdotool mousemove --window $wid 600 500; sleep 0.5\n"
                       "xdotool mousemove --window $wid 272 330; sleep 1; shot blocked.xwd\n"
                       "xdotool mousemove --window $wid 610 505; sleep 1; shot drag.xwd; xdotool click 1; sleep 1\n"
                       "xdotool mousemove --window $wid 900 700; sleep 1; shot placed.xwd\n"
                       "xdotool keydown Left; sleep 4; xdotool keyup Left; sleep 1; shot trees.xwd");
    EXPECT_EQ(rc, 0) << testsupport::TempDir::ReadFile(m_Dir.Path() + "/err.txt");
    EXPECT_EQ(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"), "");
    testsupport::XwdImage build, blocked, drag, placed, trees;
    ASSERT_TRUE(build.Load(m_Dir.Path() + "/build.xwd"));
    ASSERT_TRUE(blocked.Load(m_Dir.Path() + "/blocked.xwd"));
    ASSERT_TRUE(drag.Load(m_Dir.Path() + "/drag.xwd"));
    ASSERT_TRUE(placed.Load(m_Dir.Path() + "/placed.xwd"));
    ASSERT_TRUE(trees.Load(m_Dir.Path() + "/trees.xwd"));
    ASSERT_EQ(build.Width(), 1024);
    ASSERT_EQ(build.Height(), 768);

    // The top bar's parchment over the top 115 pixels; the town's terrain
    // (the colour map's earth tone, lit) below it.
    double r, g, b;
    build.Mean(300, 20, 800, 100, r, g, b);
    EXPECT_GT(r, 190);
    EXPECT_GT(g, 170);
    EXPECT_GT(b, 130);
    build.Mean(350, 550, 650, 700, r, g, b);
    EXPECT_NEAR(r, 125, 35);
    EXPECT_NEAR(g, 113, 35);
    EXPECT_NEAR(b, 72, 35);
    EXPECT_GT(r, b + 25) << "earth, not grey";

    // Over the statue the candidate is refused: drawn red, stippled.
    EXPECT_FALSE(Near(build, 200, 260, 350, 400, 255, 0, 0, 70));
    EXPECT_TRUE(Near(blocked, 200, 260, 350, 400, 255, 0, 0, 70));
    // On free ground the house is drawn in its own colours (brick, not the
    // ground's earth) and stays where it is placed.
    double br, bg, bb, dr, dg, db, pr, pg, pb;
    build.Mean(580, 465, 660, 530, br, bg, bb);
    drag.Mean(580, 465, 660, 530, dr, dg, db);
    placed.Mean(580, 465, 660, 530, pr, pg, pb);
    EXPECT_GT(dr - br, 12) << "the house is redder than the ground";
    EXPECT_LT(dg - bg, -20);
    EXPECT_NEAR(pr, dr, 8);
    EXPECT_NEAR(pg, dg, 8);
    EXPECT_FALSE(Near(placed, 200, 260, 350, 400, 255, 0, 0, 70)) << "the candidate went with its placing";

    // Scrolled to the west edge of the camera's bounds: grass and the green
    // crowns of the forest.
    trees.Mean(300, 400, 1000, 700, r, g, b);
    EXPECT_GT(g, r);
    EXPECT_GT(g, b);
    EXPECT_TRUE(Near(trees, 0, 115, 1024, 768, 90, 140, 45, 30) || Near(trees, 0, 115, 1024, 768, 40, 90, 40, 25))
        << "no leaves in view";
    if (HasFailure())
        for (const char* shot : {"build", "blocked", "drag", "placed", "trees"})
            std::system(("cp " + m_Dir.Path() + "/" + shot + ".xwd /tmp/ 2>/dev/null").c_str());
}

} // namespace
