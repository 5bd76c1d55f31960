// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A program started afresh by the benchmarks, with the offscreen platform and the first-paint probe on.
struct TFreshRun {
    double Seconds = -1;   // until the first-paint line (untilPaint) or the end; negative when it failed
    int64_t PeakBytes = 0; // the process's resident peak
};
// firstPaintProbe false: the program runs as a user starts it (it may hand its files to a running window).
TFreshRun RunFresh(const std::vector<std::string>& args, bool untilPaint, bool firstPaintProbe = true);

// A program built beside the benchmark.
std::string Sibling(const std::string& name);
