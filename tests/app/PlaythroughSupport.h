#pragma once

// Plays the real game program end to end on a private X server: real X
// input only (xdotool: clicks, relative mouse motion, keys), observed from
// outside (the observation file the game writes when VOSTREL_TEST_OBSERVE
// names one, screenshots with xwd, Error.log, the exit code). Replayable:
// VOSTREL_TEST_SEED seeds the game's random source and steps its clock by
// 1/60 s per frame.

#include "tests/app/VostrelProcess.h"
#include "tests/support/GameData.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace testsupport
{

// Whether this build runs under AddressSanitizer. scripts/test runs every
// test twice, with sanitizers and optimised; the whole-game runs, minutes
// long under the sanitizers, run in the optimised pass only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif
#else
constexpr bool kSanitizedBuild = false;
#endif

// The shipped settings with the window full screen (800 x 600 asked for on a
// 1024 x 768 screen) under a title of the
// test's own and the levels replaced by `levels` of the test's own: each
// a short build time, no demanded placements, and one flock of 15
// kamikazes diving at the town at once (enough to bring down the statue
// alone, 14 x 30 > 400, but not when the town gives them other targets).
inline std::string PlaythroughSettings(int levels)
{
    std::string s = TempDir::ReadFile(RepoRoot() + "/settings.ini");
    auto replace = [&s](const std::string& from, const std::string& to)
    {
        const size_t at = s.find(from);
        if (at != std::string::npos)
            s.replace(at, from.size(), to);
    };
    replace("title = Vostrel", "title = Vostrel Playthrough");
    // Full screen in a mode the X server cannot switch to: the window takes
    // the whole screen, and what is drawn must still be where it is clicked.
    replace("fullscreen = false", "fullscreen = true");
    replace("hRes = 1024", "hRes = 800");
    replace("vRes = 768", "vRes = 600");
    replace("NumLevels = 3", "NumLevels = " + std::to_string(levels));
    s = s.substr(0, s.find("[Level1]"));
    for (int n = 1; n <= levels; ++n)
        s += "[Level" + std::to_string(n) +
             "]\n"
             "BuildTime = 60\n"
             "PreHq = 0\n"
             "PreCitizen = 0\n"
             "SpawnPoints = 1\n"
             "SpawnPoint1 = 0.0;15;K;450.0;40.0;470.0\n"
             "EnvironmentType = Sphere\n"
             "EnvironmentModel = Data/environment/envSphere.scn\n"
             "ReflectionMapTexture = Data/environment/sky.tga\n";
    return s;
}

struct Vec
{
    double x = 0, y = 0, z = 0;
};
inline Vec operator+(const Vec& a, const Vec& b)
{
    return Vec{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec operator-(const Vec& a, const Vec& b)
{
    return Vec{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec operator*(const Vec& a, double k)
{
    return Vec{a.x * k, a.y * k, a.z * k};
}
inline double Length(const Vec& a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
// "x y z" as the observation writes a position.
inline bool ReadVec(const std::string& text, Vec& v)
{
    return std::sscanf(text.c_str(), "%lf %lf %lf", &v.x, &v.y, &v.z) == 3;
}

// The recent path of the nearest bird, frame by frame, and where it will be:
// a bird flies at a steady speed and turns about the vertical at a steady
// rate while it steers (a kamikaze that missed its building circles), so
// its velocity is taken over the last frames and turned on at the rate
// measured between their two halves.
class BirdTrack
{
public:
    void Add(long frame, const Vec& p)
    {
        if (!m_Samples.empty())
        {
            const Sample& last = m_Samples.back();
            const long gap = frame - last.frame;
            // Another bird became the nearest, or the path was lost.
            if (gap <= 0 || gap > 20 || Length(p - last.p) > 0.5 * double(gap))
                m_Samples.clear();
        }
        m_Samples.push_back(Sample{frame, p});
        while (m_Samples.size() > 2 && m_Samples.back().frame - m_Samples[1].frame >= kSpan)
            m_Samples.erase(m_Samples.begin());
    }
    // Enough of one bird's path to go by.
    bool Steady() const
    {
        return m_Samples.size() >= 3 && m_Samples.back().frame - m_Samples.front().frame >= kSpan / 2;
    }

    // The bird `frames` frames after the last sample.
    Vec Predict(double frames) const
    {
        const Sample& first = m_Samples.front();
        const Sample& last = m_Samples.back();
        const Sample* mid = &m_Samples[m_Samples.size() / 2];
        const double f0 = double(mid->frame - first.frame), f1 = double(last.frame - mid->frame);
        const Vec v0 = (mid->p - first.p) * (1.0 / f0);
        Vec v = (last.p - mid->p) * (1.0 / f1);
        // Turn per frame about the vertical between the two halves.
        double turn = std::atan2(v0.x * v.z - v0.z * v.x, v0.x * v.x + v0.z * v.z) / (0.5 * (f0 + f1));
        if (!(std::abs(turn) < 0.05))
            turn = 0;
        // The second half's velocity belongs to its middle.
        v = Turned(v, turn * 0.5 * f1);
        Vec p = last.p;
        for (double done = 0; done < frames; done += 1.0)
        {
            const double step = std::min(1.0, frames - done);
            v = Turned(v, turn * step);
            p = p + v * step;
        }
        return p;
    }

private:
    static constexpr long kSpan = 12;
    struct Sample
    {
        long frame;
        Vec p;
    };
    static Vec Turned(const Vec& v, double a)
    {
        return Vec{v.x * std::cos(a) - v.z * std::sin(a), v.y, v.z * std::cos(a) + v.x * std::sin(a)};
    }
    std::vector<Sample> m_Samples;
};

// Where to look to hit a tracked bird with the archer's arrow: it leaves one
// unit ahead of the eye at 54 units/s (the push of 70 on its 0.0216 mass
// for one 1/60 s step) and drops under gravity 9.8; `delay` frames pass
// before the shot leaves. Heading from -z towards +x and elevation, as the
// observation reports the view, and the distance to the bird.
struct Aim
{
    double heading = 0, elevation = 0, range = 0;
};
inline Aim AimArrow(const Vec& eye, const BirdTrack& bird, double delay)
{
    const double speed = 54.0 / 60.0, gravity = 9.8 / 3600.0; // per frame
    double flight = Length(bird.Predict(delay) - eye) / speed;
    Vec to;
    for (int i = 0; i < 6; ++i)
    {
        to = bird.Predict(delay + flight) - eye;
        to.y += 0.5 * gravity * flight * flight;
        flight = std::max(0.0, (Length(to) - 1.0) / speed);
    }
    Aim aim;
    aim.heading = std::atan2(to.x, -to.z);
    aim.elevation = std::atan2(to.y, std::sqrt(to.x * to.x + to.z * to.z));
    aim.range = Length(bird.Predict(0) - eye);
    return aim;
}

// The game's camera (a vertical field of view of 60 degrees, aspect 4:3,
// filling a screen of `width` x `height`) looking along `heading` (from -z
// towards +x) and `elevation`: where a direction appears on the screen, and
// which direction a pixel shows.
struct ViewOnScreen
{
    double heading = 0, elevation = 0;
    int width = 1024, height = 768;

    void Axes(Vec& forward, Vec& right, Vec& up) const
    {
        const double ch = std::cos(heading), sh = std::sin(heading);
        const double ce = std::cos(elevation), se = std::sin(elevation);
        forward = Vec{sh * ce, se, -ch * ce};
        right = Vec{ch, 0, sh};
        up = Vec{-sh * se, ce, ch * se};
    }
    // False when the direction is behind the camera.
    bool ToPixel(const Vec& d, double& px, double& py) const
    {
        Vec f, r, u;
        Axes(f, r, u);
        const double depth = d.x * f.x + d.y * f.y + d.z * f.z;
        if (depth <= 0.01)
            return false;
        const double t = std::tan(kFovY / 2);
        const double nx = (d.x * r.x + d.y * r.y + d.z * r.z) / depth / (t * kAspect);
        const double ny = (d.x * u.x + d.y * u.y + d.z * u.z) / depth / t;
        px = width * 0.5 * (1 + nx);
        py = height * 0.5 * (1 - ny);
        return true;
    }
    Vec FromPixel(double px, double py) const
    {
        Vec f, r, u;
        Axes(f, r, u);
        const double t = std::tan(kFovY / 2);
        const double nx = px / (width * 0.5) - 1, ny = 1 - py / (height * 0.5);
        return f + r * (nx * t * kAspect) + u * (ny * t);
    }
    static constexpr double kFovY = 1.0471976;
    static constexpr double kAspect = 4.0 / 3.0;
};

// The generated Data/ tree in the folder; false when generation failed.
inline bool GenerateGameData(const TempDir& dir)
{
    return GenerateGameData(dir.Path() + "/Data");
}

class GamePlayer
{
public:
    using Observation = std::map<std::string, std::string>;

    explicit GamePlayer(const TempDir& dir) : m_Dir(dir) {}
    ~GamePlayer() { Stop(); }

    // Writes the data and the settings, starts Xvfb and the game (seed 1),
    // and waits for the first observed frame; false (with `error`) on
    // failure.
    bool Start(int levels, std::string& error)
    {
        if (!GenerateGameData(m_Dir))
        {
            error = "the data generator failed";
            return false;
        }
        m_Dir.WriteFile("settings.ini", PlaythroughSettings(levels));
        m_Dir.WriteFile(
            "run.sh",
            "#!/bin/sh\n"
            "cd '" +
                m_Dir.Path() +
                "'\n"
                "Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>display.part 2>xvfb.txt &\n"
                "xpid=$!\n"
                "i=0; while [ ! -s display.part ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i+1)); done\n"
                "export DISPLAY=:$(head -n1 display.part)\n"
                "echo $DISPLAY > display.txt\n"
                "export SDL_AUDIODRIVER=dummy VOSTREL_NO_MESSAGEBOX=1 VOSTREL_TEST_SEED=1\n"
                "export VOSTREL_TEST_OBSERVE='" +
                m_Dir.Path() +
                "/observed.txt'\n"
                "timeout 900 '" +
                VostrelExecutable() +
                "' </dev/null >out.txt 2>err.txt & pid=$!\n"
                "echo $pid > pid.txt\n"
                "wait $pid; echo $? > rc.part; mv rc.part rc.txt\n"
                "kill $xpid; wait $xpid 2>/dev/null\n");
        if (RunShell("sh '" + m_Dir.Path() + "/run.sh' >/dev/null 2>&1 &") != 0)
        {
            error = "the game could not be started";
            return false;
        }
        m_bStarted = true;
        if (!WaitFor([](const Observation& o) { return o.count("state") != 0; }, 60.0))
        {
            error = "the game showed no frame within 60 s: " + TempDir::ReadFile(m_Dir.Path() + "/err.txt");
            return false;
        }
        m_strDisplay = TempDir::ReadFile(m_Dir.Path() + "/display.txt");
        while (!m_strDisplay.empty() && m_strDisplay.back() == '\n')
            m_strDisplay.pop_back();
        const std::string size = Capture("xdotool getdisplaygeometry");
        std::istringstream in(size);
        in >> m_iWidth >> m_iHeight;
        return m_iWidth > 0;
    }

    // The latest observation (empty before the first frame).
    Observation Observe() const
    {
        Observation o;
        std::ifstream in(m_Dir.Path() + "/observed.txt");
        std::string line;
        while (std::getline(in, line))
        {
            const size_t space = line.find(' ');
            if (space != std::string::npos)
                o[line.substr(0, space)] = line.substr(space + 1);
        }
        return o;
    }
    std::string State() const { return Get("state"); }
    std::string Get(const std::string& key) const
    {
        const Observation o = Observe();
        const auto it = o.find(key);
        return it == o.end() ? "" : it->second;
    }
    double Number(const std::string& key) const { return std::atof(Get(key).c_str()); }

    // Polls the observation until `done` holds or the game ended or the
    // time ran out.
    template <class Pred> bool WaitFor(Pred done, double seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
        while (std::chrono::steady_clock::now() < end)
        {
            if (done(Observe()))
                return true;
            if (Exited())
                return done(Observe());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    bool WaitForState(const std::string& state, double seconds)
    {
        return WaitFor([&state](const Observation& o) { return o.count("state") && o.at("state") == state; },
                       seconds);
    }
    // Waits until `frames` more frames have run.
    bool WaitFrames(int frames, double seconds = 60.0)
    {
        const long start = std::atol(Get("frame").c_str());
        return WaitFor([start, frames](const Observation& o)
                       { return o.count("frame") && std::atol(o.at("frame").c_str()) >= start + frames; },
                       seconds);
    }

    // xdotool on the game's display; its exit code.
    int X(const std::string& args) const
    {
        return RunShell("DISPLAY=" + m_strDisplay + " xdotool " + args + " >/dev/null 2>&1");
    }
    std::string Capture(const std::string& command) const
    {
        const std::string out = m_Dir.Path() + "/capture.txt";
        RunShell("DISPLAY=" + m_strDisplay + " " + command + " >'" + out + "' 2>/dev/null");
        return TempDir::ReadFile(out);
    }
    // A click at a point of the GUI's virtual 1000 x 1000 screen, which
    // covers the whole (full) screen; the cursor rests first, so the button
    // under it sees it arrive.
    void Click(double vx, double vy)
    {
        MoveTo(vx + 5, vy + 5);
        WaitFrames(2);
        MoveTo(vx, vy);
        WaitFrames(3);
        X("click 1");
        WaitFrames(3);
    }
    // Clicks until the game is in `state` (a click may come before the window
    // took the pointer); false when it never got there.
    bool ClickUntil(double vx, double vy, const std::string& state, int tries = 5)
    {
        for (int i = 0; i < tries; ++i)
        {
            Click(vx, vy);
            if (WaitForState(state, 3.0))
                return true;
        }
        return false;
    }
    // Turns the archer's view by relative mouse motion (`dx` counts to the
    // right, `dy` down). The game reads relative motion only, but the X
    // pointer still moves, and at the edge of the screen the server drops
    // what would take it further: the pointer is first put back in the
    // middle (a warp, which the game does not read as motion).
    void Look(int dx, int dy)
    {
        X("mousemove " + std::to_string(m_iWidth / 2) + " " + std::to_string(m_iHeight / 2) +
          " mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy));
    }
    void MoveTo(double vx, double vy)
    {
        X("mousemove " + std::to_string(int(vx * m_iWidth / 1000.0)) + " " +
          std::to_string(int(vy * m_iHeight / 1000.0)));
    }
    bool Screenshot(const std::string& name) const
    {
        return RunShell("DISPLAY=" + m_strDisplay + " xwd -root -silent > '" + m_Dir.Path() + "/" + name +
                        "'") == 0;
    }

    bool Exited() const { return TempDir::FileExists(m_Dir.Path() + "/rc.txt"); }
    // The game's exit code once it ended within `seconds`; -1000 otherwise.
    int ExitCode(double seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
        while (!Exited() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!Exited())
            return -1000;
        return std::atoi(TempDir::ReadFile(m_Dir.Path() + "/rc.txt").c_str());
    }
    // Ends a game still running (SIGKILL) and its X server.
    void Stop()
    {
        if (!m_bStarted)
            return;
        m_bStarted = false;
        if (!Exited())
        {
            // The game itself: pid.txt names the timeout that runs it.
            KillGamesIn(m_Dir.Path());
            ExitCode(10.0);
        }
    }

    int Width() const { return m_iWidth; }
    int Height() const { return m_iHeight; }

private:
    const TempDir& m_Dir;
    bool m_bStarted = false;
    std::string m_strDisplay;
    int m_iWidth = 0;
    int m_iHeight = 0;
};

} // namespace testsupport
