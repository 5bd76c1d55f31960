// SPDX-License-Identifier: GPL-3.0-or-later
#include "RoundRatio.h"

#include <algorithm>
#include <ctime>

double NowSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double InterleavedRatio(const std::function<double()>& engine, const std::function<double()>& baseline,
                        int rounds) {
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which side goes first, so that neither always finds the caches of the other.
        double e = 0, b = 0;
        if (round % 2 == 0) {
            e = engine();
            b = baseline();
        } else {
            b = baseline();
            e = engine();
        }
        if (b > 0) ratios.push_back(e / b);
    }
    return Median(ratios);
}
