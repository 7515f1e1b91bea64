#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
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

} // namespace testsupport
