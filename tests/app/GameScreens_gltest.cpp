// The game program itself on a private X server, with the generated data and
// the shipped settings, driven by real X mouse clicks (xdotool) and looked
// at through screenshots (xwd).

#include "tests/app/VostrelProcess.h"
#include "tests/support/GameData.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/XwdImage.h"

#include <gtest/gtest.h>

#include <cmath>
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
        const bool generated = testsupport::CopyGameData(m_Dir.Path() + "/Data");
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

    // The screenshots of a failed run (or of every run, when
    // VOSTREL_KEEP_SHOTS names a folder) are kept for a look.
    void KeepShots()
    {
        const char* keep = std::getenv("VOSTREL_KEEP_SHOTS");
        if (keep || HasFailure())
            testsupport::RunShell("cp " + m_Dir.Path() + "/*.xwd '" + std::string(keep ? keep : "/tmp") +
                                  "/' 2>/dev/null");
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
// forest. A second house, Skip and "To battle!" lead to the archer's view,
// turned round with the mouse: sky, ground, the HUD, and the first flock.
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
                       "xdotool keydown Left; sleep 4; xdotool keyup Left; sleep 1; shot trees.xwd\n"
                       "click 36 84; xdotool mousemove --window $wid 700 600; sleep 0.5; xdotool mousemove --window $wid 705 600; sleep 1; xdotool click 1; sleep 1\n"
                       "click 937 81; sleep 2; shot timeup.xwd; click 512 407; sleep 9\n"
                       "for i in 1 2 3 4 5 6 7 8; do shot battle$i.xwd; xdotool mousemove_relative -- 120 0; sleep 0.7; done");
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

    // The top bar's dark wood over the top 115 pixels, with its red texts;
    // the town's terrain (the colour map's earth tone, lit) below it.
    double r, g, b;
    build.Mean(300, 20, 800, 100, r, g, b);
    EXPECT_LT(r, 60);
    EXPECT_LT(g, 35);
    EXPECT_GT(r, b);
    EXPECT_TRUE(Near(build, 860, 5, 1024, 70, 255, 0, 0, 60)) << "the bar's texts";
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

    // Both demanded houses placed, Skip, "To battle!": the archer's view.
    testsupport::XwdImage timeUp;
    ASSERT_TRUE(timeUp.Load(m_Dir.Path() + "/timeup.xwd"));
    EXPECT_TRUE(Near(timeUp, 360, 340, 660, 370, 255, 0, 0, 60)) << "the time-up panel's text";
    testsupport::XwdImage battle[8];
    bool birdSeen = false;
    for (int i = 0; i < 8; ++i)
    {
        ASSERT_TRUE(battle[i].Load(m_Dir.Path() + "/battle" + std::to_string(i + 1) + ".xwd")) << i;
        // Sky above the horizon (light blue), ground below it, the bottom
        // bar with its red texts, the crosshair (white, outlined crimson)
        // in the middle.
        battle[i].Mean(0, 20, 1024, 300, r, g, b);
        EXPECT_GT(b, 170) << "sky in view " << i;
        EXPECT_GT(b, r + 15) << "sky in view " << i;
        battle[i].Mean(0, 440, 1024, 640, r, g, b);
        EXPECT_LT(b, r) << "ground in view " << i;
        EXPECT_TRUE(Near(battle[i], 700, 660, 910, 720, 255, 0, 0, 60)) << "HUD texts in view " << i;
        EXPECT_TRUE(Near(battle[i], 480, 360, 545, 405, 255, 255, 255, 20) &&
                    Near(battle[i], 480, 360, 545, 405, 150, 0, 40, 40))
            << "crosshair in view " << i;
        // A bird is a dark speck against the sky.
        birdSeen = birdSeen || Near(battle[i], 0, 0, 1024, 320, 30, 30, 30, 60);
    }
    EXPECT_TRUE(birdSeen) << "no bird in the sky all around";
    // Turning with the mouse changes the view.
    double r2, g2, b2;
    battle[0].Mean(0, 330, 1024, 420, r, g, b);
    battle[2].Mean(0, 330, 1024, 420, r2, g2, b2);
    EXPECT_GT(std::fabs(r - r2) + std::fabs(g - g2) + std::fabs(b - b2), 1.0);
    KeepShots();
}

// The pointer held at the window's left edge in the build phase scrolls the
// view west to the forest, as the arrow key does; away from the edges the
// view holds still.
TEST_F(GameScreens, ThePointerAtTheWindowEdgeScrollsTheBuildView)
{
    const int rc = Run("sleep 2; click 512 480; sleep 12; click 512 633; sleep 4\n"
                       "xdotool mousemove --window $wid 512 500; sleep 1; shot still1.xwd; sleep 1.5; "
                       "shot still2.xwd\n"
                       "xdotool mousemove --window $wid 0 500; sleep 4; shot west.xwd\n"
                       "xdotool mousemove --window $wid 512 500; sleep 1; shot held1.xwd; sleep 1.5; "
                       "shot held2.xwd");
    EXPECT_EQ(rc, 0) << testsupport::TempDir::ReadFile(m_Dir.Path() + "/err.txt");
    EXPECT_EQ(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"), "");
    testsupport::XwdImage still1, still2, west, held1, held2;
    ASSERT_TRUE(still1.Load(m_Dir.Path() + "/still1.xwd"));
    ASSERT_TRUE(still2.Load(m_Dir.Path() + "/still2.xwd"));
    ASSERT_TRUE(west.Load(m_Dir.Path() + "/west.xwd"));
    ASSERT_TRUE(held1.Load(m_Dir.Path() + "/held1.xwd"));
    ASSERT_TRUE(held2.Load(m_Dir.Path() + "/held2.xwd"));

    // The world below the top bar, in the middle of the window.
    auto mean = [](const testsupport::XwdImage& image, double rgb[3])
    { image.Mean(300, 400, 1000, 700, rgb[0], rgb[1], rgb[2]); };
    double a[3], b[3], w[3], h1[3], h2[3];
    mean(still1, a);
    mean(still2, b);
    mean(west, w);
    mean(held1, h1);
    mean(held2, h2);
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_NEAR(a[c], b[c], 1.0) << "the view moved with the pointer in the middle";
        EXPECT_NEAR(h1[c], h2[c], 1.0) << "the view went on moving after the pointer left the edge";
    }
    // The town's earth before, grass and the forest's crowns after.
    EXPECT_GT(a[0], a[2] + 25) << "earth";
    EXPECT_GT(w[1], w[0]) << "green in the west";
    EXPECT_GT(w[1], w[2]);
    EXPECT_TRUE(Near(west, 0, 115, 1024, 768, 90, 140, 45, 30) ||
                Near(west, 0, 115, 1024, 768, 40, 90, 40, 25))
        << "no leaves in view";
    KeepShots();
}

} // namespace
