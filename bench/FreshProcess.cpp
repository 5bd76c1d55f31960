// SPDX-License-Identifier: GPL-3.0-or-later
#include "FreshProcess.h"

#include "RoundRatio.h"

#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
constexpr const char* FirstPaint = "NIBLO first paint";
} // namespace

std::string Sibling(const std::string& name) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0) return name;
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.find_last_of('/') + 1) + name;
}

TFreshRun RunFresh(const std::vector<std::string>& args, bool untilPaint, bool firstPaintProbe) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) envStrings.emplace_back(*e);
    envStrings.emplace_back("QT_QPA_PLATFORM=offscreen");
    if (firstPaintProbe) envStrings.emplace_back("NIBLO_EXIT_AFTER_FIRST_PAINT=1");
    std::vector<char*> env, argv;
    for (std::string& s : envStrings)
        env.push_back(s.data());
    env.push_back(nullptr);
    std::vector<std::string> argStrings = args;
    for (std::string& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    TFreshRun run;
    int out[2];
    if (pipe(out) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const double start = NowSeconds();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    double seconds = -1;
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof(buffer))) > 0) {
        text.append(buffer, static_cast<size_t>(n));
        if (untilPaint && seconds < 0 && text.find('\n') != std::string::npos &&
            text.find(FirstPaint) != std::string::npos)
            seconds = NowSeconds() - start;
    }
    close(out[0]);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    if (!untilPaint) seconds = NowSeconds() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    run.Seconds = seconds;
    run.PeakBytes = static_cast<int64_t>(usage.ru_maxrss) * 1024;
    return run;
}
