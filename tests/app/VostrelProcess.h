#pragma once

#include "tests/platform/XServerProcess.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/StartUpWorld.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport
{

// The game executable of this build (app/Vostrel beside the tests folder).
inline std::string VostrelExecutable()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "";
    std::string dir(self, static_cast<size_t>(n));
    dir = dir.substr(0, dir.rfind('/'));
    return dir + "/../app/Vostrel";
}

// Runs a shell command line; the exit code, or -1000 - signal when killed.
inline int RunShell(const std::string& command)
{
    const int status = std::system(command.c_str());
    if (status == -1)
        return -2000;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return -1000 - WTERMSIG(status);
}

// The title of the main window in the files below.
constexpr const char* kEndToEndTitle = "Vostrel End To End";

// What follows "StartPos" and "NumLevels" in the settings of a test game:
// the rest of "GAME" (the small world of StartUpWorld.h), the prices of the
// build state, which reads them at start-up, and the section of the one
// level with its sky (a game whose level set-up could not read these does
// not start).
inline const std::string kStartUpCosts = std::string(kWorldGameKeys) +
                                         "[COSTS]\nCitizen1=100\nCitizen2=180\nMarket=150\nChurch=400\n"
                                         "Toilet=40\nTower=250\n[Level1]\n" +
                                         kWorldLevelKeys;

// The files the game's states load at start-up: the GUI's button sounds, the
// build and battle states' sounds and music, and the screens and buttons;
// and the files of the small world (whose first level's set-up fails at its
// sky).
inline void WriteStartUpData(const TempDir& dir)
{
    for (const char* sound :
         {"Data/sounds/button_rollover.wav", "Data/sounds/button_select.wav", "Data/sounds/bowshot.mp3",
          "Data/sounds/jump.mp3", "Data/sounds/bg_battle.mp3", "Data/sounds/bg_build.mp3", "Data/sounds/build.mp3",
          "Data/sounds/nobuild.mp3"})
        dir.WriteFile(sound, MakeWav(0.05));
    for (const char* image :
         {"Data/mainbg.tga", "Data/buttonTex.tga", "Data/endbg.tga", "Data/wonbg.tga", "Data/windows.tga",
          "Data/button_citizen1.tga", "Data/button_citizen2.tga", "Data/button_market.tga", "Data/button_church.tga",
          "Data/button_toilet.tga", "Data/button_tower.tga"})
        dir.WriteFile(image, MakeTga(4, 4));
    WriteWorldFiles(dir);
}

// Writes what the game needs to start in a test folder: "settings.ini"
// (an 800 x 600 window titled kEndToEndTitle, one level) and the start-up
// files.
inline void WriteEndToEndGame(const TempDir& dir)
{
    dir.WriteFile("settings.ini", std::string("[DISPLAY]\n"
                                              "ConsoleX=0\n"
                                              "ConsoleY=0\n"
                                              "title=") +
                                      kEndToEndTitle +
                                      "\n"
                                      "hRes=800\n"
                                      "vRes=600\n"
                                      "fullscreen=false\n"
                                      "[GAME]\n"
                                      "StartPos=500;20;500\n"
                                      "NumLevels=1\n" +
                                      kStartUpCosts);
    WriteStartUpData(dir);
}

// Kills (SIGKILL) every process of the game executable that still runs with
// `dir` as its working folder, wherever it was started from; returns how many.
// Zombies are not counted: they run nothing.
inline int KillGamesIn(const std::string& dir)
{
    char exe[PATH_MAX] = {};
    if (!realpath(VostrelExecutable().c_str(), exe))
        return 0;
    int killed = 0;
    DIR* proc = opendir("/proc");
    if (!proc)
        return 0;
    while (dirent* e = readdir(proc))
    {
        const std::string name = e->d_name;
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        char target[PATH_MAX] = {};
        char cwd[PATH_MAX] = {};
        const std::string base = "/proc/" + name;
        const ssize_t nExe = readlink((base + "/exe").c_str(), target, sizeof target - 1);
        const ssize_t nCwd = readlink((base + "/cwd").c_str(), cwd, sizeof cwd - 1);
        if (nExe <= 0 || nCwd <= 0 || std::string(target) != exe || std::string(cwd) != dir)
            continue;
        if (kill(std::atoi(name.c_str()), SIGKILL) == 0)
            ++killed;
    }
    closedir(proc);
    return killed;
}

// Base of the tests that run the game on an X server of their own: checks
// the executable and the tools, writes the game's files into the test
// folder, and fails a test that leaves a game of its folder running (after
// killing it).
class VostrelOnXTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        m_Exe = VostrelExecutable();
        ASSERT_EQ(access(m_Exe.c_str(), X_OK), 0) << m_Exe;
        ASSERT_EQ(RunShell("command -v xdotool >/dev/null && command -v Xvfb >/dev/null"), 0)
            << "xdotool and Xvfb are needed (scripts/setup installs them)";
        WriteEndToEndGame(m_Dir);
    }

    void TearDown() override { EXPECT_EQ(KillGamesIn(m_Dir.Path()), 0) << "game left running"; }

    std::string m_Exe;
};

} // namespace testsupport
