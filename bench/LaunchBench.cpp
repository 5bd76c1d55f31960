// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"
#include "FreshProcess.h"
#include "RoundRatio.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// What the user waits for: a fresh process of the real program until its first paint with the file
// loaded, against fresh processes that only malloc and read the same file. The page cache is warm.
namespace {

constexpr int Rounds = 7;

void ReportLaunch() {
    const std::string niblo = Sibling("niblo");
    const std::string load = Sibling("niblo_load");
    const std::vector<int64_t> sizes = {10000, int64_t{16} << 20, int64_t{256} << 20};
    enum TKind { Launch, Read, ReadPopulate, ReadHuge, EngineLoad, KindCount };
    const char* modes[] = {"", "read", "read-populate", "read-huge", "engine"};
    auto run = [&](TKind kind, int64_t size) {
        const std::string& file = BenchFile(size);
        return kind == Launch ? RunFresh({niblo, file}, true).Seconds
                              : RunFresh({load, modes[kind], file}, false).Seconds;
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
