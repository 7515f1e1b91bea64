// The whole game played by the real program, full screen on an X server of
// its own without a window manager, through real X input: a game won over
// every level (buildings and a tower placed, birds aimed at and shot), then
// a game lost on purpose (nothing built, nothing shot: the statue falls),
// then Quit with exit code 0.

#include "tests/app/PlaythroughSupport.h"
#include "tests/support/XwdImage.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

using testsupport::GamePlayer;

// Points of the GUI's virtual 1000 x 1000 screen.
const double kNewGame[2] = {500, 625};
const double kQuit[2] = {500, 725};
const double kContinue[2] = {500, 825};
const double kSkip[2] = {915, 105};
// Levels of the won game.
const int kLevels = 1;
// "To battle!", "Next Level" and "Oh no!" of the modal panels.
const double kPanelButton[2] = {500, 530};
// The building bar: Citizen1 first, the tower sixth.
double BuildingButtonX(int index)
{
    return 40 + 70 * index;
}
const double kBuildingButtonY = 60;

class Playthrough : public testsupport::VostrelOnXTest
{
protected:
    void SetUp() override
    {
        if (testsupport::kSanitizedBuild)
            GTEST_SKIP() << "run by the optimised pass of scripts/test";
        ASSERT_NO_FATAL_FAILURE(VostrelOnXTest::SetUp());
        ASSERT_EQ(testsupport::RunShell("command -v xwd >/dev/null"), 0) << "xwd is needed (scripts/setup installs it)";
    }

    void TearDown() override
    {
        if (HasFailure())
            ADD_FAILURE() << "last observation:\n"
                          << testsupport::TempDir::ReadFile(m_Dir.Path() + "/observed.txt") << "stderr:\n"
                          << testsupport::TempDir::ReadFile(m_Dir.Path() + "/err.txt").substr(0, 4000);
        VostrelOnXTest::TearDown();
    }

    // From the main menu to a level's build phase.
    void NewGame(GamePlayer& game)
    {
        ASSERT_TRUE(game.WaitForState("menu", 30));
        ASSERT_TRUE(game.ClickUntil(kNewGame[0], kNewGame[1], "newlevel")) << "New game";
        ContinueToBuild(game);
    }

    void ContinueToBuild(GamePlayer& game)
    {
        // The loading screen shows for a frame, then the set-up runs.
        ASSERT_TRUE(game.WaitFrames(5, 60));
        ASSERT_TRUE(game.ClickUntil(kContinue[0], kContinue[1], "build")) << "Continue did not lead to the build phase";
    }

    // Buys the building of the bar's `index` and places it at a point of the
    // screen (fractions of its size); true when the gold went down.
    bool Place(GamePlayer& game, int index, double vx, double vy)
    {
        const double gold = game.Number("gold");
        game.Click(BuildingButtonX(index), kBuildingButtonY);
        game.MoveTo(vx - 30, vy - 30);
        game.WaitFrames(3);
        game.MoveTo(vx, vy);
        game.WaitFrames(5);
        game.X("click 1");
        game.WaitFrames(5);
        return game.Number("gold") < gold;
    }

    // Skip, then "To battle!" of the time-up panel.
    void ToBattle(GamePlayer& game)
    {
        game.Click(kSkip[0], kSkip[1]);
        game.WaitFrames(5);
        game.Click(kPanelButton[0], kPanelButton[1]);
        ASSERT_TRUE(game.WaitForState("battle", 30)) << "To battle! did not start the battle";
    }

    // A new game lost on purpose, from the menu back to the menu; the
    // resident memory is read on the lost screen.
    void LoseGame(GamePlayer& game, bool screenshots)
    {
        NewGame(game);
        if (HasFatalFailure())
            return;
        EXPECT_EQ(game.Number("gold"), 1000) << "a new game starts with StartMoney again";
        ToBattle(game);
        if (HasFatalFailure())
            return;
        // Nothing built, nothing shot: every kamikaze dives at the statue.
        ASSERT_TRUE(game.WaitFor(
            [](const GamePlayer::Observation& o) {
                return o.count("statue") && std::atof(o.at("statue").c_str()) <= 0;
            },
            180))
            << "the statue stood";
        game.WaitFrames(10);
        if (screenshots)
        {
            ASSERT_TRUE(game.Screenshot("lost-panel.xwd"));
        }
        ASSERT_TRUE(game.ClickUntil(kPanelButton[0], kPanelButton[1], "postgame")) << "Oh no!";
        game.WaitFrames(10);
        if (screenshots)
        {
            ASSERT_TRUE(game.Screenshot("lost.xwd"));
        }
        ASSERT_TRUE(game.ClickUntil(kContinue[0], kContinue[1], "menu"));
        EXPECT_EQ(game.Get("level"), "0");
    }

    // Aims at the nearest flying bird with relative mouse motion and shoots
    // when on target, until no bird remains or the time is out. The bird's
    // velocity is taken from frame to frame, and it is led by the arrow's
    // time of flight. Returns the shots fired.
    int Fight(GamePlayer& game, double seconds)
    {
        struct V
        {
            double x = 0, y = 0, z = 0;
        };
        auto read = [](const std::string& text, V& v) {
            return std::sscanf(text.c_str(), "%lf %lf %lf", &v.x, &v.y, &v.z) == 3;
        };
        // Heading from -z towards +x and elevation, as the game's view reports them.
        auto heading = [](const V& d) { return std::atan2(d.x, -d.z); };
        auto elevation = [](const V& d) { return std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)); };
        int shots = 0;
        // Look counts per radian (1 rad per 150 counts); moving right turns
        // right, moving down looks down.
        const double perRadian = 150.0;
        const double arrowSpeed = 54.0; // units per second, from the player's push
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
        long lastShotFrame = -100, lastFrame = -1;
        V lastBird, velocity; // velocity in units per frame
        while (std::chrono::steady_clock::now() < end && !game.Exited())
        {
            const GamePlayer::Observation o = game.Observe();
            if (o.count("state") == 0 || o.at("state") != "battle" || o.count("view") == 0 || o.count("eye") == 0)
                break;
            if (std::atoi(o.at("birds").c_str()) == 0)
                break;
            const long frame = std::atol(o.at("frame").c_str());
            V bird, eye;
            double viewHeading = 0, viewElevation = 0;
            if (frame == lastFrame || !read(o.at("bird"), bird) || !read(o.at("eye"), eye) ||
                std::sscanf(o.at("view").c_str(), "%lf %lf", &viewHeading, &viewElevation) != 2)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            if (lastFrame >= 0 && frame > lastFrame)
            {
                const double n = static_cast<double>(frame - lastFrame);
                V v{(bird.x - lastBird.x) / n, (bird.y - lastBird.y) / n, (bird.z - lastBird.z) / n};
                // Another bird became the nearest: no velocity to go by.
                if (v.x * v.x + v.y * v.y + v.z * v.z > 1.0)
                    v = V();
                velocity = v;
            }
            lastFrame = frame;
            lastBird = bird;
            V d{bird.x - eye.x, bird.y - eye.y, bird.z - eye.z};
            const double flight = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) / arrowSpeed * 60.0;
            d = V{d.x + velocity.x * flight, d.y + velocity.y * flight, d.z + velocity.z * flight};
            const double errYaw = std::remainder(heading(d) - viewHeading, 2 * M_PI);
            const double errPitch = elevation(d) - viewElevation;
            const int dx = std::clamp(static_cast<int>(std::lround(errYaw * perRadian)), -150, 150);
            const int dy = std::clamp(static_cast<int>(std::lround(-errPitch * perRadian)), -150, 150);
            if (std::abs(errYaw) < 0.03 && std::abs(errPitch) < 0.03 && frame - lastShotFrame >= 12)
            {
                game.X("click 1");
                ++shots;
                lastShotFrame = frame;
            }
            else if (dx != 0 || dy != 0)
                game.X("mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy));
            if (std::getenv("PLAYTHROUGH_TRACE"))
                std::fprintf(stderr, "frame %ld err %.3f %.3f move %d %d shots %d birds %s score %s\n", frame, errYaw,
                             errPitch, dx, dy, shots, o.at("birds").c_str(), o.at("score").c_str());
        }
        return shots;
    }
};

// Won over every level, then lost three times, then Quit: the whole flow of
// the game, four times through the main menu, with the resident memory read
// after each game.
TEST_F(Playthrough, WinEveryLevelThenLoseThreeTimesThenQuit)
{
    GamePlayer game(m_Dir);
    std::string error;
    ASSERT_TRUE(game.Start(kLevels, error)) << error;
    ASSERT_TRUE(game.Screenshot("menu.xwd"));

    // ---- Game 1: won ----
    int shots = 0;
    for (int level = 1; level <= kLevels; ++level)
    {
        if (level == 1)
            NewGame(game);
        else
        {
            ASSERT_TRUE(game.WaitForState("newlevel", 30));
            ContinueToBuild(game);
        }
        if (HasFatalFailure())
            return;
        EXPECT_EQ(game.Get("level"), std::to_string(level));
        if (level == 1)
        {
            EXPECT_EQ(game.Number("gold"), 1000) << "StartMoney";
            // Three houses and a tower around the town give the kamikazes
            // other targets than the statue.
            EXPECT_TRUE(Place(game, 0, 600, 660)) << "a house on free ground";
            EXPECT_TRUE(Place(game, 0, 720, 700));
            EXPECT_TRUE(Place(game, 0, 480, 780));
            EXPECT_TRUE(Place(game, 5, 640, 820)) << "the tower";
            ASSERT_TRUE(game.Screenshot("build.xwd"));
        }
        ToBattle(game);
        if (HasFatalFailure())
            return;
        EXPECT_EQ(game.Get("birds"), "15 15");
        shots += Fight(game, 240);
        ASSERT_TRUE(game.WaitFor(
            [](const GamePlayer::Observation& o) { return o.count("birds") && o.at("birds").rfind("0 ", 0) == 0; },
            120))
            << "birds left after the battle";
        ASSERT_TRUE(game.Screenshot("battle" + std::to_string(level) + ".xwd"));
        EXPECT_GT(game.Number("statue"), 0) << "the town held";
        // The level-done panel: "Next Level".
        game.WaitFrames(10);
        ASSERT_TRUE(game.ClickUntil(kPanelButton[0], kPanelButton[1], level < kLevels ? "newlevel" : "postgame"))
            << "Next Level led neither to the next level nor, after the last, to the end of the game";
    }
    EXPECT_GT(shots, 0) << "no bird was ever in the sights";
    const double wonScore = game.Number("score");
    EXPECT_GE(wonScore, 150 * kLevels) << "10 for each of the 15 birds of a level, plus the paybacks";
    ASSERT_TRUE(game.Screenshot("won.xwd"));
    ASSERT_TRUE(game.ClickUntil(kContinue[0], kContinue[1], "menu"));
    EXPECT_EQ(game.Get("score"), "0");
    EXPECT_EQ(game.Get("level"), "0");

    std::vector<double> residentKb{game.Number("rss_kb")};

    // ---- Games 2 to 4: lost on purpose ----
    for (int lost = 2; lost <= 4; ++lost)
    {
        SCOPED_TRACE("game " + std::to_string(lost));
        LoseGame(game, lost == 2);
        if (HasFatalFailure())
            return;
        residentKb.push_back(game.Number("rss_kb"));
    }
    // The soak: once the models are cached and the allocators have their
    // pools (after two games; a sanitizer's quarantine takes longer than
    // the plain allocator), a game adds no more than 4 MB of resident memory
    // (a leak of a level's world would be tens of MB).
    std::string figures;
    for (double kb : residentKb)
    {
        char mb[32];
        std::snprintf(mb, sizeof mb, "%.1f MB ", kb / 1024.0);
        figures += mb;
    }
    RecordProperty("resident_after_each_game", figures);
    std::printf("resident memory after each game: %s\n", figures.c_str());
    EXPECT_LE(residentKb[3] - residentKb[2], 4096.0) << figures;

    // ---- Quit ----
    game.Click(kQuit[0], kQuit[1]);
    EXPECT_EQ(game.ExitCode(30), 0);
    EXPECT_EQ(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"), "");

    // The screens as drawn, full screen without a window manager: the whole
    // picture, not a cropped one.
    testsupport::XwdImage won, lost;
    ASSERT_TRUE(won.Load(m_Dir.Path() + "/won.xwd"));
    ASSERT_TRUE(lost.Load(m_Dir.Path() + "/lost.xwd"));
    double r1, g1, b1, r2, g2, b2;
    won.Mean(0, 0, won.Width(), won.Height(), r1, g1, b1);
    lost.Mean(0, 0, lost.Width(), lost.Height(), r2, g2, b2);
    EXPECT_GT(std::abs(r1 - r2) + std::abs(g1 - g2) + std::abs(b1 - b2), 10) << "won and lost screens differ";
}

} // namespace
