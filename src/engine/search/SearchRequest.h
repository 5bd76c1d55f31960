// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

// The joker byte until the user picks another: ".".
inline constexpr uint8_t DefaultJoker = 0x2E;

// What the Find, Count and Replace dialogs ask for; kept between commands.
struct TSearchRequest {
    std::vector<uint8_t> Pattern;
    std::vector<uint8_t> Replacement;
    bool CaseSensitive = true;
    bool JokerEnabled = false;
    uint8_t JokerChar = DefaultJoker;
    bool PatternAsText = false;
    bool ReplacementAsText = false;
    bool SearchDown = true;
};

