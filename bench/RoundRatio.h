// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

// Seconds on a monotonic clock.
double NowSeconds();
double Median(std::vector<double> values);

// Runs engine and baseline alternately for the given rounds and returns the median of the per-round
// ratios engine / baseline, so that a slow moment of a shared machine hits both sides alike.
double InterleavedRatio(const std::function<double()>& engine, const std::function<double()>& baseline,
                        int rounds);
