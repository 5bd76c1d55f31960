// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestRandom.h"

std::vector<uint8_t> TTestRandom::Bytes(int64_t n) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(Pick(0, 255));
    return bytes;
}

std::vector<uint8_t> TTestRandom::Bytes(int64_t n, std::span<const uint8_t> alphabet) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    for (uint8_t& b : bytes)
        b = alphabet[static_cast<size_t>(Pick(0, static_cast<int32_t>(alphabet.size()) - 1))];
    return bytes;
}
