// scripts/run builds the game a player runs; scripts/test must build it the
// same way (with warnings as errors), so that no warning reaches a player.
// Both take the configuration from scripts/setup and set none of their own.

#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// The shared configuration, one argument a line, as bash expands it.
std::vector<std::string> RunFlags()
{
    const std::string command = "bash -c '. \"" + testsupport::RepoRoot() +
                                "scripts/setup\" && printf \"%s\\n\" \"${VOSTREL_RUN_CMAKE_FLAGS[@]}\"'";
    std::vector<std::string> flags;
    FILE* out = popen(command.c_str(), "r");
    if (!out)
        return flags;
    char line[512];
    while (std::fgets(line, sizeof line, out))
    {
        std::string flag(line);
        if (!flag.empty() && flag.back() == '\n')
            flag.pop_back();
        flags.push_back(flag);
    }
    pclose(out);
    return flags;
}

// The cmake configure command of a script that names the build folder (its
// continuation lines joined).
std::string ConfigureLine(const std::string& script, const std::string& folder)
{
    std::istringstream lines(testsupport::ReadRepoFile(script));
    std::string command;
    for (std::string line; std::getline(lines, line);)
    {
        if (command.empty() && line.rfind("cmake -S", 0) != 0)
            continue;
        command += line;
        if (!command.empty() && command.back() == '\\')
        {
            command.pop_back();
            continue;
        }
        if (command.find("-B \"" + folder + "\"") != std::string::npos)
            return command;
        command.clear();
    }
    return "";
}

TEST(BuildScripts, RunAndTestBuildTheGameWithTheSameFlags)
{
    const std::vector<std::string> flags = RunFlags();
    const auto has = [&](const std::string& f)
    { return std::find(flags.begin(), flags.end(), f) != flags.end(); };
    EXPECT_TRUE(has("-DCMAKE_BUILD_TYPE=Release"));
    EXPECT_TRUE(has("-DCMAKE_CXX_FLAGS_RELEASE=-O3 -DNDEBUG"));
    EXPECT_TRUE(has("-DCMAKE_C_FLAGS_RELEASE=-O3 -DNDEBUG"));

    const std::string shared = "\"${VOSTREL_RUN_CMAKE_FLAGS[@]}\"";
    const std::string run = ConfigureLine("scripts/run", "$build");
    const std::string test = ConfigureLine("scripts/test", "$release");
    for (const std::string* line : {&run, &test})
    {
        ASSERT_NE(*line, "");
        std::string rest = *line;
        const size_t at = rest.find(shared);
        ASSERT_NE(at, std::string::npos) << *line;
        rest.erase(at, shared.size());
        // Nothing beside the shared flags chooses the build type, the
        // generator or the compiler's flags.
        for (const char* own : {"CMAKE_BUILD_TYPE", "FLAGS", "-O", "-G"})
            EXPECT_EQ(rest.find(own), std::string::npos) << own << " in " << *line;
    }
    EXPECT_NE(test.find("-DVOSTREL_WERROR=ON"), std::string::npos) << test;
    EXPECT_NE(test.find("-DVOSTREL_SANITIZE=OFF"), std::string::npos) << test;
}

// scripts/run's copy step (from making the game's folder to the line before
// the data generator) run on its own: the repository's settings.ini reaches
// an empty game folder, and a player's edit there outlives the next run.
TEST(BuildScripts, RunKeepsThePlayersSettings)
{
    std::istringstream lines(testsupport::ReadRepoFile("scripts/run"));
    std::string step;
    bool inStep = false;
    for (std::string line; std::getline(lines, line);)
    {
        inStep = inStep || line.rfind("mkdir -p \"$game\"", 0) == 0;
        if (inStep && line.find("vostrel_datagen") != std::string::npos)
            break;
        if (inStep)
            step += line + "\n";
    }
    ASSERT_NE(step, "");
    testsupport::TempDir dir;
    dir.WriteFile("repo/settings.ini", "[DISPLAY]\nhRes=1024\n");
    const std::string script = dir.WriteFile("step.sh", step);
    const std::string run =
        "root='" + dir.Path() + "/repo' game='" + dir.Path() + "/play' bash -eu '" + script + "'";
    const std::string played = dir.Path() + "/play/settings.ini";
    for (const char* expected : {"[DISPLAY]\nhRes=1024\n", "[DISPLAY]\nhRes=800\n"})
    {
        ASSERT_EQ(std::system(run.c_str()), 0) << step;
        EXPECT_EQ(testsupport::TempDir::ReadFile(played), expected);
        dir.WriteFile("play/settings.ini", "[DISPLAY]\nhRes=800\n");
    }
}

} // namespace
