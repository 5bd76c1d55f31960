// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/SilentHost.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A fresh engine with the silent host installed and a 16 x 10 view.
void ResetBenchEngine();
// How often ResetBenchEngine ran: an engine state kept for later knows from it that it is gone.
int BenchEngineResets();

// A file of the given size under /tmp, written once, read once so that it sits in the page cache, and
// removed by RemoveBenchFiles at the end of the run.
const std::string& BenchFile(int64_t size);
void RemoveBenchFiles();
// A folder for recovery journals beside the bench files, removed with them.
const std::string& BenchRecoveryFolder();
// A fresh engine holding BenchFile(size), loaded as the program loads a file; false when it failed.
bool LoadBenchFile(int64_t size);
// A fresh engine holding bytes (which outlive it) as an open, unmodified file whose bytes lie in place, as a
// file mapped from the page cache does: nothing is copied.
void LoadBytesInPlace(const std::vector<uint8_t>& bytes);
// The bytes LoadBytesInPlace loaded last (what the floors run over).
const std::vector<uint8_t>& BytesInPlace();

// Ratios printed after the run: the median real time of one benchmark over that of its baseline.
// goal > 0: the ratio must not exceed it.
void RegisterRatio(const std::string& label, const std::string& benchmark, const std::string& baseline,
                   double goal = 0);
// A ratio measured by the given function (interleaved rounds, see RoundRatio.h) after the timed benchmarks,
// in the closing table with its goal (0: none, shown for comparison). `--only=TEXT` runs just the
// measurements whose label holds TEXT, and nothing else unless a benchmark filter is given too.
void RegisterGoal(const std::string& label, double goal, std::function<double()> measure);
// Extra measurements (memory, ...) printed before the timed benchmarks run.
void RegisterReport(std::function<void()> report);

int RunBenchmarks(int argc, char** argv);
