// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <climits>
#include <cstdint>
#include <vector>

// The references for search and replace: every window compared byte by byte, no skips, no filter.
// Addresses are 1-based like the engine's.
namespace NaiveSearch {

using TBytes = std::vector<uint8_t>;

struct TRule {
    bool CaseSensitive = true;
    bool JokerOn = false;
    uint8_t Joker = '.';
};

bool Match(const uint8_t* window, const TBytes& pattern, const TRule& rule);
// First window starting at or after start and ending at or before last, or -1.
TAddress Down(const uint8_t* bytes, const TBytes& pattern, const TRule& rule, TAddress last, TAddress start);
// Last window ending at or before start and starting at or after first, or -1.
TAddress Up(const uint8_t* bytes, const TBytes& pattern, const TRule& rule, TAddress first, TAddress start);

// What Replace all from start must give: non-overlapping hits of the original bytes, left to right, at
// most limit of them, each replaced by the replacement.
struct TReplaced {
    TBytes Bytes;
    TCount Count = 0;
    TAddress First = 0;        // where the first replacement stands afterwards
    TAddress LastAt = 0;       // where the last one stands
    TBytes LastHit;            // the bytes the last replaced hit held
    std::vector<TAddress> Hits; // addresses in the original file
};
TReplaced ReplaceAll(const TBytes& file, const TBytes& pattern, const TBytes& replacement, const TRule& rule,
                     TAddress start, TCount limit = INT64_MAX);

} // namespace NaiveSearch
