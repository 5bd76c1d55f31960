#include "BenchSupport.h"
#include "RoundRatio.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// What the user waits for: a fresh process of the real program until its first paint with the file
// loaded, against fresh processes that only malloc and read the same file. The page cache is warm.
namespace {

constexpr int Rounds = 7;
constexpr const char* FirstPaint = "NIBLO first paint";

std::string Sibling(const std::string& name) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0) return name;
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.find_last_of('/') + 1) + name;
}

// Seconds from the start of the process until it printed the first-paint line (untilLine) or ended;
// negative when it failed.
double TimeProcess(const std::vector<std::string>& args, bool untilLine) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) envStrings.emplace_back(*e);
    envStrings.emplace_back("QT_QPA_PLATFORM=offscreen");
    envStrings.emplace_back("NIBLO_EXIT_AFTER_FIRST_PAINT=1");
    std::vector<char*> env, argv;
    for (std::string& s : envStrings)
        env.push_back(s.data());
    env.push_back(nullptr);
    std::vector<std::string> argStrings = args;
    for (std::string& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) return -1;
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
        return -1;
    }
    double seconds = -1;
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof(buffer))) > 0) {
        text.append(buffer, static_cast<size_t>(n));
        if (untilLine && seconds < 0 && text.find('\n') != std::string::npos &&
            text.find(FirstPaint) != std::string::npos)
            seconds = NowSeconds() - start;
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!untilLine) seconds = NowSeconds() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return seconds;
}

void ReportLaunch() {
    const std::string niblo = Sibling("niblo");
    const std::string load = Sibling("niblo_load");
    const std::vector<int64_t> sizes = {10000, int64_t{16} << 20, int64_t{256} << 20};
    enum TKind { Launch, Read, ReadPopulate, ReadHuge, EngineLoad, KindCount };
    const char* modes[] = {"", "read", "read-populate", "read-huge", "engine"};
    auto run = [&](TKind kind, int64_t size) {
        const std::string& file = BenchFile(size);
        return kind == Launch ? TimeProcess({niblo, file}, true)
                              : TimeProcess({load, modes[kind], file}, false);
    };
    // Once each, unmeasured: libraries, fonts and the files into the caches.
    for (int64_t size : sizes)
        for (int kind = 0; kind < KindCount; ++kind)
            run(static_cast<TKind>(kind), size);

    std::map<std::string, std::vector<double>> ratios;
    std::vector<double> launchSmall, launchBig, readBig;
    bool failed = false;
    for (int round = 0; round < Rounds; ++round) {
        std::map<std::pair<int, int64_t>, double> t;
        // Interleaved: each round measures every kind and size, in an order that turns with the round.
        for (int k = 0; k < KindCount; ++k) {
            const int kind = (k + round) % KindCount;
            for (int64_t size : sizes) {
                t[{kind, size}] = run(static_cast<TKind>(kind), size);
                failed = failed || t[{kind, size}] < 0;
            }
        }
        const int64_t small = sizes[0], mid = sizes[1], big = sizes[2];
        ratios["launch(256 MiB) - launch(10 KB) over read(256 MiB)"].push_back(
            (t[{Launch, big}] - t[{Launch, small}]) / t[{Read, big}]);
        ratios["launch(16 MiB) - launch(10 KB) over read(16 MiB)"].push_back(
            (t[{Launch, mid}] - t[{Launch, small}]) / t[{Read, mid}]);
        ratios["engine load 256 MiB, fresh process, over read"].push_back(t[{EngineLoad, big}] /
                                                                          t[{Read, big}]);
        ratios["read + MADV_POPULATE_WRITE 256 MiB over read"].push_back(t[{ReadPopulate, big}] /
                                                                         t[{Read, big}]);
        ratios["read + MADV_HUGEPAGE 256 MiB over read"].push_back(t[{ReadHuge, big}] / t[{Read, big}]);
        launchSmall.push_back(t[{Launch, small}]);
        launchBig.push_back(t[{Launch, big}]);
        readBig.push_back(t[{Read, big}]);
    }
    std::printf(
        "Launch to first paint, fresh processes, warm page cache (median of %d interleaved rounds):\n",
        Rounds);
    std::printf("  launch(10 KB) %.1f ms, launch(256 MiB) %.1f ms, malloc + read(256 MiB) %.1f ms\n",
                Median(launchSmall) * 1e3, Median(launchBig) * 1e3, Median(readBig) * 1e3);
    for (const auto& [label, values] : ratios)
        std::printf("  %-52s %6.2f\n", label.c_str(), Median(values));
    std::printf("  (goal: launch(256 MiB) - launch(10 KB) <= 1.2 x read(256 MiB))%s\n\n",
                failed ? "  SOME RUNS FAILED" : "");
}

const bool Registered = [] {
    RegisterReport(ReportLaunch);
    return true;
}();

} // namespace
