// The whole game played by the real program, full screen on an X server of
// its own without a window manager, through real X input: a game won over
// all its levels (buildings and a tower placed, birds aimed at and shot),
// then games lost on purpose (nothing built, nothing shot: the statue
// falls), then Quit with exit code 0. During the first battle, how well
// birds are found on screenshots alone is measured against where the game
// has them.

#include "tests/app/PlaythroughSupport.h"
#include "tests/support/SkyBlobs.h"
#include "tests/support/XwdImage.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>
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
const int kLevels = 3;
// "To battle!", "Next Level" and "Oh no!" of the modal panels.
const double kPanelButton[2] = {500, 530};
// The building bar: Citizen1 first, the tower sixth.
double BuildingButtonX(int index)
{
    return 47.5 + 85 * index;
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
        ASSERT_EQ(testsupport::RunShell("command -v xwd >/dev/null"), 0)
            << "xwd is needed (scripts/setup installs it)";
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
        ASSERT_TRUE(game.ClickUntil(kContinue[0], kContinue[1], "build"))
            << "Continue did not lead to the build phase";
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

    // Three houses and a tower around the town give the kamikazes other
    // targets than the statue.
    void BuildTown(GamePlayer& game)
    {
        EXPECT_EQ(game.Number("gold"), 1000) << "StartMoney";
        EXPECT_TRUE(Place(game, 0, 600, 660)) << "a house on free ground";
        EXPECT_TRUE(Place(game, 0, 720, 700));
        EXPECT_TRUE(Place(game, 0, 480, 780));
        EXPECT_TRUE(Place(game, 5, 640, 820)) << "the tower";
    }

    // Skip, then "To battle!" of the time-up panel once it takes a click.
    void ToBattle(GamePlayer& game)
    {
        game.Click(kSkip[0], kSkip[1]);
        game.WaitFrames(40);
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
        ASSERT_TRUE(game.WaitFor([](const GamePlayer::Observation& o)
                                 { return o.count("statue") && std::atof(o.at("statue").c_str()) <= 0; },
                                 180))
            << "the statue stood";
        game.WaitFrames(40);
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

    // How many birds a screenshot shows as sky blobs, and how many blobs
    // are birds.
    struct ScreenTally
    {
        int screenshots = 0, frames = 0;
        int inView = 0, found = 0;
        int missedInSky = 0, missedBeforeGround = 0;
        int blobs = 0, blobsOnBirds = 0;
        std::vector<double> errors, missedRanges;
    };

    static std::vector<testsupport::Vec> Flock(const GamePlayer::Observation& o)
    {
        std::vector<testsupport::Vec> birds;
        if (!o.count("flock"))
            return birds;
        std::istringstream in(o.at("flock"));
        testsupport::Vec v;
        while (in >> v.x >> v.y >> v.z)
            birds.push_back(v);
        return birds;
    }

    // Birds found on the screen (dark shapes enclosed by sky) against where
    // the game has them: a screenshot is searched for sky blobs, and every
    // bird in the air (from the observation) is projected onto the screen
    // before and after it. A bird is found when a blob lies on its way
    // across the screen between the two; a blob is a bird when it lies on
    // some bird's way.
    void LookForBirds(GamePlayer& game, ScreenTally& t)
    {
        using testsupport::Vec;
        const GamePlayer::Observation before = game.Observe();
        if (!game.Screenshot("look.xwd"))
            return;
        const GamePlayer::Observation after = game.Observe();
        testsupport::XwdImage image;
        testsupport::ViewOnScreen view;
        Vec eye;
        // Only while the view stood still.
        if (!image.Load(m_Dir.Path() + "/look.xwd") || !before.count("view") || !after.count("view") ||
            before.at("view") != after.at("view") || !testsupport::ReadVec(after.at("eye"), eye) ||
            std::sscanf(after.at("view").c_str(), "%lf %lf", &view.heading, &view.elevation) != 2)
            return;
        view.width = image.Width();
        view.height = image.Height();
        ++t.screenshots;
        t.frames += std::atoi(after.at("frame").c_str()) - std::atoi(before.at("frame").c_str());
        // Only above the HUD bar (the bottom 15 % of the screen): the
        // insides of its letters are dark shapes ringed by their colours.
        std::vector<testsupport::SkyBlob> blobs = testsupport::FindSkyBlobs(image);
        blobs.erase(std::remove_if(blobs.begin(), blobs.end(),
                                   [&](const testsupport::SkyBlob& b)
                                   { return b.y >= image.Height() * 0.84; }),
                    blobs.end());
        t.blobs += int(blobs.size());
        std::vector<bool> blobOnBird(blobs.size(), false);
        const std::vector<Vec> birdsBefore = Flock(before), birdsAfter = Flock(after);
        for (const Vec& b0 : birdsBefore)
        {
            // The same bird after the screenshot: the nearest within a few frames' flight.
            const Vec* b1 = nullptr;
            for (const Vec& b : birdsAfter)
                if (testsupport::Length(b - b0) < 2.0 &&
                    (!b1 || testsupport::Length(b - b0) < testsupport::Length(*b1 - b0)))
                    b1 = &b;
            double ax, ay, bx, by;
            if (!b1 || !view.ToPixel(b0 - eye, ax, ay) || !view.ToPixel(*b1 - eye, bx, by))
                continue;
            // Well inside the picture, clear of the HUD panel at the bottom.
            if (ax < 10 || ay < 10 || ax >= image.Width() - 10 || ay >= image.Height() * 0.84)
                continue;
            ++t.inView;
            double best = 1e9;
            for (size_t i = 0; i < blobs.size(); ++i)
            {
                const double l2 = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
                const double k =
                    l2 > 0 ? std::clamp(((blobs[i].x - ax) * (bx - ax) + (blobs[i].y - ay) * (by - ay)) / l2,
                                        0.0, 1.0)
                           : 0;
                const double d =
                    std::hypot(blobs[i].x - (ax + k * (bx - ax)), blobs[i].y - (ay + k * (by - ay)));
                if (d < 8)
                    blobOnBird[i] = true;
                best = std::min(best, d);
            }
            const double range = testsupport::Length(b0 - eye);
            if (best < 8)
            {
                ++t.found;
                t.errors.push_back(best);
                continue;
            }
            // Missed: what lies round it, 12 pixels out?
            int ring = 0, sky = 0;
            for (int a = 0; a < 32; ++a)
            {
                const int x = int(ax + 12 * std::cos(a * M_PI / 16)),
                          y = int(ay + 12 * std::sin(a * M_PI / 16));
                if (x < 0 || y < 0 || x >= image.Width() || y >= image.Height())
                    continue;
                uint8_t r, g, b;
                image.Pixel(x, y, r, g, b);
                ++ring;
                sky += testsupport::IsSkyColour(r, g, b) ? 1 : 0;
            }
            if (sky * 10 >= ring * 9)
            {
                ++t.missedInSky;
                t.missedRanges.push_back(range);
            }
            else
                ++t.missedBeforeGround;
        }
        t.blobsOnBirds += int(std::count(blobOnBird.begin(), blobOnBird.end(), true));
    }

    // Prints the tally and checks it: where a bird is seen against the open
    // sky, the screen finds it. The aiming still goes by the observation:
    // a blob gives a direction but no distance (the arrow's lead and drop
    // need one), and a screenshot costs the bot frames.
    void CheckScreenTally(ScreenTally& t)
    {
        std::sort(t.errors.begin(), t.errors.end());
        std::string ranges;
        for (double r : t.missedRanges)
            ranges += " " + std::to_string(int(r));
        const double median = t.errors.empty() ? -1 : t.errors[t.errors.size() / 2];
        std::printf(
            "screenshots %d (%.1f frames each); birds in view %d, found %d (median %.1f px off), missed "
            "against the sky %d (at ranges%s), missed before ground or buildings %d; blobs %d, on a bird "
            "%d\n",
            t.screenshots, t.screenshots ? double(t.frames) / t.screenshots : 0.0, t.inView, t.found, median,
            t.missedInSky, ranges.c_str(), t.missedBeforeGround, t.blobs, t.blobsOnBirds);
        RecordProperty("birds_in_view", t.inView);
        RecordProperty("birds_found", t.found);
        ASSERT_GT(t.inView, 20);
        // Against the open sky almost every bird is found, where it is.
        EXPECT_GE(t.found, (t.found + t.missedInSky) * 9 / 10);
        EXPECT_LE(median, 3.0);
        // Almost every blob is a bird (the others: arrows seen from behind
        // as they leave the bow, or a bird hidden behind another).
        EXPECT_GE(t.blobsOnBirds, t.blobs * 85 / 100);
    }

    // Aims at the nearest flying bird with relative mouse motion and shoots
    // when on target, until no bird remains or the time is out. One turn of
    // the view at a time: the next is worked out once the game has shown the
    // last one, so that moves still on their way are not sent twice. The
    // bird is led along its observed path (turning birds along their curve)
    // by the arrow's time of flight and the input's delay, and the arrow's
    // drop is allowed for. Returns the shots fired. `watch`, when given, is
    // called after each frame the bot saw.
    int Fight(GamePlayer& game, double seconds, const std::function<void()>& watch = nullptr)
    {
        using testsupport::Vec;
        int shots = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
        long lastShotFrame = -100, lastFrame = -1;
        testsupport::BirdTrack track;
        // The move on its way: sent after frame `pendingFrame` with the view then.
        long pendingFrame = -1;
        double pendingHeading = 0, pendingElevation = 0;
        // Frames from an input event to the frame that shows it (measured).
        double delay = 3;
        while (std::chrono::steady_clock::now() < end && !game.Exited())
        {
            const GamePlayer::Observation o = game.Observe();
            if (o.count("state") == 0 || o.at("state") != "battle" || o.count("view") == 0 ||
                o.count("eye") == 0)
                break;
            if (std::atoi(o.at("birds").c_str()) == 0)
                break;
            const long frame = std::atol(o.at("frame").c_str());
            Vec bird, eye;
            double viewHeading = 0, viewElevation = 0;
            if (frame == lastFrame || !testsupport::ReadVec(o.at("bird"), bird) ||
                !testsupport::ReadVec(o.at("eye"), eye) ||
                std::sscanf(o.at("view").c_str(), "%lf %lf", &viewHeading, &viewElevation) != 2)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            lastFrame = frame;
            track.Add(frame, bird);
            if (watch)
                watch();
            if (pendingFrame >= 0)
            {
                const bool shown =
                    std::abs(viewHeading - pendingHeading) + std::abs(viewElevation - pendingElevation) >
                    1e-5;
                if (shown)
                    delay = 0.8 * delay + 0.2 * double(frame - pendingFrame);
                else if (frame - pendingFrame < 12)
                    continue;
                pendingFrame = -1;
            }
            if (!track.Steady())
                continue;
            const testsupport::Aim aim = testsupport::AimArrow(eye, track, delay);
            const double errYaw = std::remainder(aim.heading - viewHeading, 2 * M_PI);
            const double errPitch = aim.elevation - viewElevation;
            // Look counts per radian (1 rad per 150 counts); moving right
            // turns right, moving down looks down.
            const double perRadian = 150.0;
            const int dx = std::clamp(static_cast<int>(std::lround(errYaw * perRadian)), -300, 300);
            const int dy = std::clamp(static_cast<int>(std::lround(-errPitch * perRadian)), -300, 300);
            // On target: within a third of a unit where the arrow meets the bird.
            const double miss = std::hypot(errYaw * std::cos(viewElevation), errPitch) * aim.range;
            if (miss < 0.35 && frame - lastShotFrame >= 10)
            {
                game.X("click 1");
                ++shots;
                lastShotFrame = frame;
            }
            else if (dx != 0 || dy != 0)
            {
                game.Look(dx, dy);
                pendingFrame = frame;
                pendingHeading = viewHeading;
                pendingElevation = viewElevation;
            }
            if (std::getenv("PLAYTHROUGH_TRACE"))
                std::fprintf(stderr,
                             "frame %ld err %.4f %.4f miss %.2f range %.1f delay %.1f move %d %d shots %d "
                             "birds %s score %s\n",
                             frame, errYaw, errPitch, miss, aim.range, delay, dx, dy, shots,
                             o.at("birds").c_str(), o.at("score").c_str());
        }
        return shots;
    }
};

// Won over every level, then lost five times, then Quit: the whole flow of
// the game, six times through the main menu, with the resident memory read
// after each game.
TEST_F(Playthrough, WinEveryLevelThenLoseFiveTimesThenQuit)
{
    GamePlayer game(m_Dir);
    std::string error;
    ASSERT_TRUE(game.Start(kLevels, error)) << error;
    ASSERT_TRUE(game.Screenshot("menu.xwd"));
    const double freshKb = game.Number("rss_kb");

    // ---- Game 1: won ----
    int shots = 0;
    ScreenTally screen;
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
            BuildTown(game);
            ASSERT_TRUE(game.Screenshot("build.xwd"));
        }
        ToBattle(game);
        if (HasFatalFailure())
            return;
        EXPECT_EQ(game.Get("birds"), "15 15");
        // The first level's battle is also looked at on screenshots.
        long lastLook = -100;
        shots += Fight(game, 120,
                       [&]
                       {
                           const long frame = std::atol(game.Get("frame").c_str());
                           if (level > 1 || frame - lastLook < 15)
                               return;
                           lastLook = frame;
                           LookForBirds(game, screen);
                       });
        ASSERT_TRUE(game.WaitFor([](const GamePlayer::Observation& o)
                                 { return o.count("birds") && o.at("birds").rfind("0 ", 0) == 0; },
                                 30))
            << "birds left after the battle";
        // Firing on as the last bird dies, with the pointer where "To
        // battle!" left it, on "Next Level": the panel stays.
        game.MoveTo(kPanelButton[0], kPanelButton[1]);
        game.X("click --repeat 8 --delay 100 1");
        game.WaitFrames(3);
        EXPECT_EQ(game.Get("state"), "battle") << "a shot fired on as the level ended skipped its panel";
        EXPECT_EQ(game.Get("panel"), "leveldone");
        ASSERT_TRUE(game.Screenshot("battle" + std::to_string(level) + ".xwd"));
        EXPECT_GT(game.Number("statue"), 0) << "the town held";
        // The level-done panel: "Next Level".
        game.WaitFrames(40);
        ASSERT_TRUE(
            game.ClickUntil(kPanelButton[0], kPanelButton[1], level < kLevels ? "newlevel" : "postgame"))
            << "Next Level led neither to the next level nor, after the last, to the end of the game";
    }
    EXPECT_GT(shots, 0) << "no bird was ever in the sights";
    CheckScreenTally(screen);
    const double wonScore = game.Number("score");
    EXPECT_GE(wonScore, 150 * kLevels) << "10 for each of the 15 birds of a level, plus the paybacks";
    ASSERT_TRUE(game.Screenshot("won.xwd"));
    ASSERT_TRUE(game.ClickUntil(kContinue[0], kContinue[1], "menu"));
    EXPECT_EQ(game.Get("score"), "0");
    EXPECT_EQ(game.Get("level"), "0");

    std::vector<double> residentKb{game.Number("rss_kb")};

    // ---- Games 2 to 6: lost on purpose ----
    for (int lost = 2; lost <= 6; ++lost)
    {
        SCOPED_TRACE("game " + std::to_string(lost));
        LoseGame(game, lost == 2);
        if (HasFatalFailure())
            return;
        residentKb.push_back(game.Number("rss_kb"));
    }
    // The soak: once the models are cached and the allocators have their
    // pools (measured: after three or four games), the last two games add
    // no more than 4 MB of resident memory together. A world left behind
    // by each game shows: the terrain's collision mesh alone, kept by the
    // physics until it closed, added 4 MB a game.
    std::string figures;
    for (double kb : residentKb)
    {
        char mb[32];
        std::snprintf(mb, sizeof mb, "%.1f MB ", kb / 1024.0);
        figures += mb;
    }
    RecordProperty("resident_at_the_menu_fresh", std::to_string(freshKb / 1024.0));
    RecordProperty("resident_after_each_game", figures);
    std::printf("resident memory at the menu: fresh %.1f MB; after each game: %s\n", freshKb / 1024.0,
                figures.c_str());
    EXPECT_LE(residentKb[5] - residentKb[3], 4096.0) << figures;
    // Back at the menu a game keeps its models, textures and the renderer's
    // compiled state (41 MB measured), not the software renderer's per-frame
    // working memory of the battle (100 MB before the heap was given back).
    EXPECT_LE(residentKb[5] - freshKb, 56 * 1024.0) << figures;

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
