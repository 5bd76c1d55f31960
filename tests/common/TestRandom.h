// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <vector>

// Seeded test data for the random tests against a reference: the same seed gives the same run.
class TTestRandom {
  public:
    explicit TTestRandom(uint32_t seed) : Generator(seed) {}

    // Uniform in lo..hi, both included.
    int32_t Pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(Generator); }
    // n bytes of any value.
    std::vector<uint8_t> Bytes(int64_t n);
    // n bytes drawn from alphabet, which makes hits and case pairs common.
    std::vector<uint8_t> Bytes(int64_t n, std::span<const uint8_t> alphabet);

    std::mt19937 Generator;
};
