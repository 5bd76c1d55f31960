// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/compare/DiffRun.h"
#include "engine/store/PieceStore.h"

#include <cstdint>
#include <optional>
#include <vector>

// Checks for comparisons shared by the tests and the fuzz target.

// A snapshot of bytes whose pieces part at places drawn from seed: bytes read from a file and bytes held in
// memory, so that the two sides of a comparison never part at the same places.
Engine::TStoreSnapshot PiecedSnapshot(const std::vector<uint8_t>& bytes, uint32_t seed);

// Applies runs (A and B from 1, as a comparison reports them) to a, taking what is changed and inserted from
// b: what the script says b is. Nothing when the runs are out of order, overlap, leave stretches of unequal
// length between them or reach past either side.
std::optional<std::vector<uint8_t>> ApplyScript(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                                                const std::vector<Compare::TDiffRun>& runs);

// Bytes inserted + deleted + changed.
TCount ScriptSize(const std::vector<Compare::TDiffRun>& runs);
