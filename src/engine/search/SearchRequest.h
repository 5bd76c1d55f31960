// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
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

    // What Find all looks for: the bytes above (as Find does), or a number, Unicode text or a regular
    // expression typed as Value. Find, Count and Replace always take the bytes.
    enum class TKind : uint8_t { Bytes, Number, Unicode, Regex };
    TKind Kind = TKind::Bytes;
    std::string Value;
    // A number: as the number pattern's request has them (kind: signed, unsigned, float; width 0: any; order:
    // little, big, either).
    uint8_t NumberKind = 0;
    int32_t NumberWidth = 4;
    uint8_t NumberOrder = 0;
    std::string Tolerance;
    int32_t Alignment = 1;
    uint8_t Encoding = 0; // Unicode text: UTF-8, UTF-16LE, UTF-16BE
    size_t MaxRows = 100000; // the hits Find all lists; it counts them all
};

