#pragma once

// Child processes for tests that need an X server of their own (one they can
// kill): started without a shell, waited for with a time limit.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace testsupport
{

// A child process started without a shell: argv[0] is looked up in PATH,
// `env` is added to the environment, standard input is /dev/null and the
// output streams go to files (paths relative to the working folder). The
// descriptor keepFd (-1: none) stays open in the child; every other one
// opened with O_CLOEXEC closes. -1 when fork fails.
inline pid_t Spawn(const std::vector<std::string>& argv,
                   const std::vector<std::pair<std::string, std::string>>& env, const std::string& outFile,
                   const std::string& errFile, int keepFd = -1)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const auto& kv : env)
        setenv(kv.first.c_str(), kv.second.c_str(), 1);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0)
        _exit(126);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (keepFd >= 0)
        fcntl(keepFd, F_SETFD, 0);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits up to `ms` milliseconds for a child to end and reaps it. True with
// its exit code (or -1000 - signal, as RunShell) when it ended in time.
inline bool WaitForExit(pid_t pid, int ms, int& code)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;)
    {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
        {
            code = WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
            return true;
        }
        if (r < 0 && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Starts Xvfb (1280 x 1024 x 24, no TCP) on a display it picks itself and
// waits until it takes connections. Sets `display` (":N"); -1 when the
// server does not come up within 20 seconds (it is killed then). Its error
// output goes to "xvfb.txt". The server never resets: by default it resets
// whenever its last client leaves, and drops a client that connects
// meanwhile (a game starting while a window probe just left); SDL then
// falls back to a video driver without windows.
inline pid_t StartXvfb(std::string& display)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp", "-noreset"},
                            {}, "/dev/null", "xvfb.txt", fds[1]);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (pid > 0 && poll(&p, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (pid > 0 && (c != '\n' || number.empty()))
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    display = ":" + number;
    return pid;
}

} // namespace testsupport
