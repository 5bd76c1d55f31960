// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/compare/DiffRun.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The stretch between two anchors, aligned byte by byte: the shortest edit script by Myers' algorithm, as
// long as it needs at most MaxCost inserted and deleted bytes; past that, one changed run. A deletion beside
// an insertion is reported as a change, and equal stretches between edits are joined into them wherever that
// makes the script (bytes changed, inserted and deleted) smaller.
namespace Compare {

inline constexpr int GapMaxCost = 256;

// The runs that turn a into b, with A and B as 0-based offsets into a and b.
std::vector<TDiffRun> AlignGap(std::span<const uint8_t> a, std::span<const uint8_t> b,
                               int maxCost = GapMaxCost);

// The runs for a stretch of lengthA bytes against lengthB other ones that share nothing: a change over the
// shorter length, then the rest of the longer side.
void AddUnaligned(std::vector<TDiffRun>& runs, TCount a, TCount b, TCount lengthA, TCount lengthB);

} // namespace Compare
